// Copying a user map's files under a new name, and deleting a user map
// with its files.
#include "document/sitefiles.h"

#include <cstring>

#include "common/copyfile.h"
#include "common/messages.h"
#include "mapstore/mapfiles.h"
#include "mapstore/mapjoin.h"
#include "platform/file.h"
#include "platform/path.h"

namespace {

constexpr int kSheetFiles = 4;
// The extensions of a copy's sheet files: descriptors, metric, semantics,
// graphics.
constexpr const char* kSheetExtensions[kSheetFiles] = {".SHD", ".SDA", ".SSE", ".SGR"};

bool Exists(const char* path) { return plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// One name of two files: the same text ignoring case (as the map's own
// names are compared), or one file on disk.
bool SameFile(const char* a, const char* b) {
  return a[0] != 0 && b[0] != 0 && (strcasecmp(a, b) == 0 || IsSameFileName(a, b));
}

// The files of a copy: the map file and sheet 1's four files, each with
// its source (empty when the source names none).
struct CopyPlan {
  char Target[kSheetFiles + 1][MAX_PATH] = {};
  char Source[kSheetFiles + 1][MAX_PATH] = {};
  char Bare[kSheetFiles][MAX_PATH] = {};  // the sheet files' names without a folder
};

// The target of the map file and its sheet files: false when a name does
// not fit.
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
  return true;
}

// True when a target of the copy is one of the map's own files (its map
// file, classifier or the files of any sheet): the copy would write over
// the map it copies.
bool OverwritesSource(TMap* map, const CopyPlan& plan) {
  char own[MAX_PATH];
  for (const char* target : plan.Target) {
    if (SameFile(target, map->Path)) return true;
    if (TMapPassport::JoinFolderName(map->Folder, map->NameRSC(), sizeof(map->Passport.RscName),
                                     own, sizeof own) &&
        SameFile(target, own))
      return true;
    for (int n = 1; n <= map->Count(); ++n) {
      const LISTDESC* list = map->TMapPassport::List(n);
      if (list == nullptr) continue;
      for (const char* name : {list->NameHDR, list->NameDAT, list->NameSEM, list->NameGRA})
        if (TMapPassport::JoinFolderName(map->Folder, name, sizeof(list->NameHDR), own,
                                         sizeof own) &&
            SameFile(target, own))
          return true;
    }
  }
  return false;
}

// The copy's sheet 1 named by the bare names and its passport saved: true
// when all went in.
bool RenameCopySheet(const CopyPlan& plan) {
  const int messages = MessageEnableSet(0);
  TMap copy;
  const int opened = copy.OpenData(plan.Target[0], 0);
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

}  // namespace

int CopySite(TMap* map, const char* name) {
  if (map == nullptr || !map->IsActive() || name == nullptr || name[0] == 0 ||
      strnlen(name, MAX_PATH) >= MAX_PATH)
    return 0;
  CopyPlan plan;
  if (!PlanCopy(map, name, &plan) || OverwritesSource(map, plan)) return 0;

  bool written[kSheetFiles + 1] = {};
  bool copied = true;
  for (int k = 0; k <= kSheetFiles && copied; ++k) {
    // A sheet file the map does not have is passed over; the map file is
    // always copied.
    if (k > 0 && (plan.Source[k][0] == 0 || !Exists(plan.Source[k]))) continue;
    TCopyFile copier;
    written[k] = true;
    copied = copier.Copy(plan.Source[k], plan.Target[k]) != 0;
  }
  if (copied && RenameCopySheet(plan)) return 1;
  // A half copy whose map file still names the source's sheet files must
  // not stay behind to be opened over them.
  for (int k = kSheetFiles; k >= 0; --k)
    if (written[k]) plat::DeleteFileA(plan.Target[k]);
  return 0;
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
