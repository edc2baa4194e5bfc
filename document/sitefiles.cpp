// Copying a user map's files under a new name, and deleting a user map
// with its files.
#include "document/sitefiles.h"

#include <cstring>

#include "common/copyfile.h"
#include "common/heldfiles.h"
#include "common/messages.h"
#include "mapstore/mapfiles.h"
#include "mapstore/mapjoin.h"
#include "platform/file.h"
#include "platform/path.h"

namespace {

constexpr int kSheetFiles = 4;
constexpr int kFiles = kSheetFiles + 1;  // the map file, then the sheet files
// The extensions of a copy's sheet files: descriptors, metric, semantics,
// graphics.
constexpr const char* kSheetExtensions[kSheetFiles] = {".SHD", ".SDA", ".SSE", ".SGR"};

bool Exists(const char* path) { return plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// The files of a copy: the map file and sheet 1's four files, each with
// its source (empty when the map names none), and the names the copy goes
// through: the new file is written under a temporary name beside its
// target, and a file the target had is moved aside until the copy is in.
struct CopyPlan {
  char Target[kFiles][MAX_PATH] = {};
  char Source[kFiles][MAX_PATH] = {};
  char Bare[kSheetFiles][MAX_PATH] = {};  // the sheet files' names without a folder
  char Temp[kFiles][MAX_PATH] = {};       // the new file while it is written
  char Aside[kFiles][MAX_PATH] = {};      // the target's old file while the copy goes in
  bool Placed[kFiles] = {};               // the new file has the target's name
};

// The target of the map file and its sheet files: false when a name does
// not fit or two targets would be one file.
bool PlanCopy(TMap* map, const char* name, CopyPlan* plan) {
  char drive[MAX_DRIVE] = {}, dir[MAX_DIR] = {}, fname[MAX_FNAME] = {}, ext[MAX_EXT] = {};
  plat::SplitPath(name, drive, dir, fname, ext);
  if (drive[0] == 0 && dir[0] == 0) {
    char sourceDrive[MAX_DRIVE] = {}, sourceDir[MAX_DIR] = {};
    plat::SplitPath(map->Path, sourceDrive, sourceDir, nullptr, nullptr);
    if (!JoinText(plan->Target[0], MAX_PATH, {sourceDrive, sourceDir, fname, ext})) return false;
  } else if (!JoinText(plan->Target[0], MAX_PATH, {name})) {
    return false;
  }
  plat::SplitPath(plan->Target[0], drive, dir, fname, ext);
  std::memcpy(plan->Source[0], map->Path, MAX_PATH);
  const LISTDESC* list = map->TMapPassport::List(1);
  const char* names[kSheetFiles] = {};
  if (list != nullptr)
    names[0] = list->NameHDR, names[1] = list->NameDAT, names[2] = list->NameSEM,
    names[3] = list->NameGRA;
  for (int k = 0; k < kSheetFiles; ++k) {
    if (!JoinText(plan->Bare[k], MAX_PATH, {fname, kSheetExtensions[k]}) ||
        !JoinText(plan->Target[k + 1], MAX_PATH, {drive, dir, fname, kSheetExtensions[k]}))
      return false;
    if (names[k] != nullptr)
      TMapPassport::JoinFolderName(map->Folder, names[k], sizeof(list->NameHDR),
                                   plan->Source[k + 1], MAX_PATH);
  }
  // A map file named like one of its sheet files ("copy.SHD").
  for (int k = 1; k < kFiles; ++k)
    if (std::strcmp(plan->Target[0], plan->Target[k]) == 0) return false;
  return true;
}

// A name beside `target` that names no file: the target with ".~" + tag
// and a digit; false when none is free or it does not fit.
bool FreeNameBeside(const char* target, const char* tag, char (&out)[MAX_PATH]) {
  for (char digit = '0'; digit <= '9'; ++digit) {
    const char tail[2] = {digit, 0};
    if (JoinText(out, MAX_PATH, {target, ".~", tag, tail}) && !Exists(out)) return true;
  }
  out[0] = 0;
  return false;
}

// The copy's sheet 1 named by the bare names and its passport saved, in
// the map file written under its temporary name: true when all went in.
// The map is opened without logs or group file, which the temporary name
// would leave behind.
bool RenameCopySheet(const CopyPlan& plan) {
  const int messages = MessageEnableSet(0);
  TMap copy;
  const int opened = copy.OpenMap(plan.Temp[0]);
  MessageEnableSet(messages);
  if (!opened) return false;
  bool named = true;
  if (copy.TMapPassport::List(1) != nullptr) {
    named = copy.NameHDR(plan.Bare[0], 1)[0] != 0 && copy.NameDAT(plan.Bare[1], 1)[0] != 0 &&
            copy.NameSEM(plan.Bare[2], 1)[0] != 0 && copy.NameDRW(plan.Bare[3], 1)[0] != 0;
  }
  const bool saved = named && copy.Save(1) != 0;
  copy.CloseData();
  return saved;
}

// Writes each new file under its temporary name: true when all are whole.
// A sheet file the map does not have is passed over; the map file is
// always copied.
bool WriteTemporaries(CopyPlan* plan) {
  for (int k = 0; k < kFiles; ++k) {
    if (k > 0 && (plan->Source[k][0] == 0 || !Exists(plan->Source[k]))) continue;
    if (!FreeNameBeside(plan->Target[k], "cp", plan->Temp[k])) return false;
    TCopyFile copier;
    if (!copier.Copy(plan->Source[k], plan->Temp[k])) return false;
  }
  return RenameCopySheet(*plan);
}

// Gives each target its new file, the sheet files first and the map file
// last, moving the file a target had aside (a target whose source the map
// does not have keeps no file, so that the copy never takes up a stranger
// as its own). False at the first step that fails.
bool PlaceCopy(CopyPlan* plan) {
  for (int k = kFiles - 1; k >= 0; --k) {
    if (Exists(plan->Target[k]) && (!FreeNameBeside(plan->Target[k], "bk", plan->Aside[k]) ||
                                    !plat::MoveFileA(plan->Target[k], plan->Aside[k]))) {
      plan->Aside[k][0] = 0;
      return false;
    }
    if (plan->Temp[k][0] != 0) {
      if (!plat::MoveFileA(plan->Temp[k], plan->Target[k])) return false;
      plan->Placed[k] = true;
      plan->Temp[k][0] = 0;
    }
  }
  return true;
}

// Puts back what PlaceCopy moved and removes what the copy wrote: every
// target has its old file, or none when it had none.
void TakeBackCopy(CopyPlan* plan) {
  for (int k = 0; k < kFiles; ++k) {
    if (plan->Aside[k][0] != 0)
      plat::MoveFileExA(plan->Aside[k], plan->Target[k], MOVEFILE_REPLACE_EXISTING);
    else if (plan->Placed[k])
      plat::DeleteFileA(plan->Target[k]);
    if (plan->Temp[k][0] != 0) plat::DeleteFileA(plan->Temp[k]);
  }
}

}  // namespace

int CopySite(TMap* map, const char* name) {
  if (map == nullptr || !map->IsActive() || name == nullptr || name[0] == 0 ||
      strnlen(name, MAX_PATH) >= MAX_PATH)
    return 0;
  CopyPlan plan;
  if (!PlanCopy(map, name, &plan)) return 0;
  // Nothing is written over a file an open document holds: the map copied
  // (its map file, classifier, sheets) or any other.
  const char* targets[kFiles];
  for (int k = 0; k < kFiles; ++k) targets[k] = plan.Target[k];
  if (heldFind(targets, kFiles) >= 0) return 0;
  // A target that is there must be a file: a folder would be moved aside
  // as if it were the target's old file and never removed.
  for (const char* target : targets) {
    const DWORD attributes = plat::GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return 0;
  }

  if (!WriteTemporaries(&plan) || !PlaceCopy(&plan)) {
    TakeBackCopy(&plan);
    return 0;
  }
  // The old files go once the copy is in; a removal refused once is tried
  // again.
  for (const char* aside : plan.Aside)
    if (aside[0] != 0 && !plat::DeleteFileA(aside)) plat::DeleteFileA(aside);
  return 1;
}

int DeleteSite(TMapAccess* doc, int n) {
  if (doc == nullptr || n < 1) return 0;
  TMap* map = doc->GetMap(n);
  if (map == nullptr) return 0;
  char path[MAX_PATH];
  std::memcpy(path, map->Path, sizeof path);
  path[MAX_PATH - 1] = 0;
  map->DeleteList(1, 1);
  doc->CloseSit(n);
  if (path[0] == 0) return 0;
  const int result = plat::DeleteFileA(path) ? 1 : 0;
  char ini[MAX_PATH + 8];
  if (JoinText(ini, sizeof ini, {path, ".ini"})) plat::DeleteFileA(ini);
  return result;
}

int CreateMapFromPassport(const char* name, const char* rscname, const MAPPASSPORTRECORD& record) {
  if (name == nullptr || rscname == nullptr || record.Ident != MAPPASSPORT_IDENT ||
      record.Length != MAPPASSPORT_LENGTH || record.Map.Length != MAPREGISTER_LENGTH ||
      record.Sheet.Length != LISTREGISTER_LENGTH)
    return 0;
  MAPPASSPORTRECORD passport = record;
  // The names of the map the record came from would make the new sheet's
  // files over that map's own.
  std::memset(passport.Sheet.FileName, 0, sizeof passport.Sheet.FileName);
  std::strncpy(passport.Sheet.FileName, name, sizeof passport.Sheet.FileName - 1);
  const bool existed = Exists(name);
  TMap made;
  const int created = made.CreateDataEx(name, rscname, &passport.Map, &passport.Sheet);
  made.CloseData();
  if (created) return 1;
  // A map file this call left half written must not open as a map.
  if (!existed && !DeleteMapFiles(name)) plat::DeleteFileA(name);
  return 0;
}
