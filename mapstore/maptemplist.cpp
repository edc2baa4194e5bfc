#include "mapstore/maptemplist.h"

#include <cstring>

#include "common/copyfile.h"
#include "common/maperr.h"
#include "mapstore/map.h"
#include "mapstore/mapjoin.h"
#include "platform/file.h"
#include "platform/fileio.h"

namespace {

const char* const kTempMap[SHEET_FILES] = {".#HD", ".#DA", ".#SE", ".#GR"};
const char* const kTempUser[SHEET_FILES] = {".#SH", ".#SD", ".#SS", ".#SG"};
const char* const kOldMap[SHEET_FILES] = {".~HD", ".~DA", ".~SE", ".~GR"};
const char* const kOldUser[SHEET_FILES] = {".~SH", ".~SD", ".~SS", ".~SG"};

const char* RecordName(const LISTDESC* list, int file) {
  switch (file) {
    case SHEET_HDR: return list->NameHDR;
    case SHEET_DAT: return list->NameDAT;
    case SHEET_SEM: return list->NameSEM;
    default: return list->NameGRA;
  }
}

bool IsUserMap(const TMap* map) { return map->Passport.Register.IsRealPlace != 0; }

bool Exists(const char* path) { return plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Folder + the base of the sheet's descriptor file name + extension.
bool SidePath(const TMap* map, const LISTDESC* list, const char* ext, char* out, size_t size) {
  out[0] = 0;
  char base[sizeof(list->NameHDR)];
  const size_t length = strnlen(list->NameHDR, sizeof(list->NameHDR) - 1);
  std::memcpy(base, list->NameHDR, length);
  base[length] = 0;
  if (char* dot = std::strrchr(base, '.'); dot != nullptr && dot != base) *dot = 0;
  char name[sizeof(base) + 8];
  if (!JoinText(name, sizeof(name), {base, ext})) return false;
  return TMapPassport::JoinFolderName(map->Folder, name, sizeof(name), out, size) != 0;
}

}  // namespace

TMapTempList::TMapTempList() = default;

TMapTempList::~TMapTempList() { Delete(); }

const char* TMapTempList::TempPath(int file) {
  return file >= 0 && file < SHEET_FILES ? Paths[file] : "";
}

int TMapTempList::MakePaths() {
  const LISTDESC* list = Map != nullptr ? Map->TMapPassport::List(Sheet) : nullptr;
  if (list == nullptr) return 0;
  const char* const* ext = IsUserMap(Map) ? kTempUser : kTempMap;
  for (int f = 0; f < SHEET_FILES; ++f)
    if (!SidePath(Map, list, ext[f], Paths[f], sizeof(Paths[f]))) return 0;
  return 1;
}

void TMapTempList::CloseFiles() {
  List.Close(0);
  if (Map != nullptr && Map->List.Number() == Sheet) Map->List.Close(-1);
}

int TMapTempList::Create(TMap* map, int sheet) {
  NotCreated = 1;
  if (map == nullptr || map->Lists == nullptr || sheet < 1 || sheet > map->Count()) return 0;
  Delete();
  Map = map;
  Sheet = sheet;
  LISTDESC* record = map->TMapPassport::List(sheet);
  if (record->Marker != LISTDESC_MARKER) {
    map->Report(MAPERR_DATA, map->Path);
    Map = nullptr;
    return 0;
  }
  record->FrameObject = 0;
  if (!MakePaths()) {
    map->Report(MAPERR_DATA, map->Path);
    Map = nullptr;
    return 0;
  }

  HANDLE files[SHEET_FILES] = {};
  auto fail = [&](int code, const char* name) {
    for (int f = 0; f < SHEET_FILES; ++f) {
      if (files[f] != nullptr) plat::CloseHandle(files[f]);
      if (files[f] != nullptr) plat::DeleteFileA(Paths[f]);
    }
    if (code != 0) map->Report(code, name);
    Map = nullptr;
    return 0;
  };
  for (int f = 0; f < SHEET_FILES; ++f) {
    HANDLE h = plat::CreateFileA(Paths[f], GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail(MAPERR_OPEN, Paths[f]);
    files[f] = h;
    HDRHEAD head;
    InitHdrHead(&head);
    const DWORD ident = SheetFileIdent(f);
    const void* bytes = f == SHEET_HDR ? static_cast<const void*>(&head) : &ident;
    const DWORD size = f == SHEET_HDR ? DWORD(sizeof(head)) : DWORD(sizeof(ident));
    const int code = plat::SetFileLength(h, 0) ? WriteSheetBytes(h, 0, bytes, size) : MAPERR_WRITE;
    if (code != 0) return fail(code == MAPERR_DISKFULL ? MAPERR_DISKFULL : MAPERR_WRITE,
                               RecordName(record, f));
  }
  if (!List.AttachFiles(map, sheet, files)) {
    for (int f = 0; f < SHEET_FILES; ++f) plat::DeleteFileA(Paths[f]);
    Map = nullptr;
    return 0;
  }

  if (IsUserMap(map)) {
    SavedPassport = map->Passport;
    SavedRecord = *record;
    SavedChanged = map->PassportChanged;
    LISTREGISTER& r = record->Register;
    SavedCorners[0] = r.XSouthWest;
    SavedCorners[1] = r.YSouthWest;
    SavedCorners[2] = r.XNorthEast;
    SavedCorners[3] = r.YNorthEast;
    r.XSouthWest = r.YSouthWest = r.XNorthWest = r.YNorthWest = 0.0;
    r.XNorthEast = r.YNorthEast = r.XSouthEast = r.YSouthEast = 0.0;
    map->UpdateListBorder(1, 1);
  }
  NotCreated = 0;
  return 1;
}

void TMapTempList::Delete() {
  if (Map == nullptr) return;
  LISTDESC* record = Map->TMapPassport::List(Sheet);
  if (record != nullptr && IsUserMap(Map) && NotCreated == 0) {
    // The corners as a rectangle of the saved south-west and north-east
    // ones, the border computed from them, and then the passport and the
    // record exactly as they were.
    LISTREGISTER& r = record->Register;
    r.XSouthWest = r.XSouthEast = SavedCorners[0];
    r.YSouthWest = r.YNorthWest = SavedCorners[1];
    r.XNorthEast = r.XNorthWest = SavedCorners[2];
    r.YNorthEast = r.YSouthEast = SavedCorners[3];
    Map->UpdateListBorder(1, 0);
    Map->Passport = SavedPassport;
    *record = SavedRecord;
    Map->PassportChanged = SavedChanged;
  }
  CloseFiles();
  for (const char* path : Paths)
    if (path[0]) plat::DeleteFileA(path);
  NotCreated = 1;
  Map = nullptr;
}

int TMapTempList::Remove(int copyMode, int keepOld, int keepBackFiles) {
  if (Map == nullptr || NotCreated || Map->Lists == nullptr) return 0;
  LISTDESC* record = Map->TMapPassport::List(Sheet);
  if (record == nullptr || !Map->OpenList(Sheet)) return 0;

  // Every name is made before anything moves.
  const char* const* oldExt = IsUserMap(Map) ? kOldUser : kOldMap;
  char real[SHEET_FILES][MAX_PATH], aside[SHEET_FILES][MAX_PATH + 8], old[SHEET_FILES][MAX_PATH];
  for (int f = 0; f < SHEET_FILES; ++f) {
    if (!TMapPassport::JoinFolderName(Map->Folder, RecordName(record, f),
                                      sizeof(record->NameHDR), real[f], sizeof(real[f])) ||
        !JoinText(aside[f], sizeof(aside[f]), {real[f], ".old"}) ||
        !SidePath(Map, record, oldExt[f], old[f], sizeof(old[f])))
      return 0;
  }
  const LONG count = List.Head.Count;
  const bool drawn = plat::FileLength(List.Files[SHEET_GRA]) > 4;
  CloseFiles();

  // The old files kept are copies made before anything moves: a backup
  // that cannot be made (an older one that cannot be replaced, a failed
  // copy) stops the replacement with the sheet's own files untouched. A
  // set without graphics keeps no graphics backup.
  if (keepOld) {
    for (int f = 0; f < SHEET_FILES; ++f) {
      plat::DeleteFileA(old[f]);
      if (!Exists(real[f]) || (f == SHEET_GRA && !drawn)) continue;
      TCopyFile copy;
      if (!copy.Copy(real[f], old[f])) {
        plat::DeleteFileA(old[f]);
        return 0;
      }
    }
  }

  // The sheet's own files step aside; the new ones take their names; only
  // then are the old ones dropped or kept. A step that fails undoes the
  // steps before it.
  bool moved[SHEET_FILES] = {}, placed[SHEET_FILES] = {};
  auto undo = [&]() {
    for (int f = SHEET_FILES - 1; f >= 0; --f) {
      if (placed[f]) {
        if (copyMode == 0)
          plat::MoveFileA(real[f], Paths[f]);
        else
          plat::DeleteFileA(real[f]);
      }
      if (moved[f]) plat::MoveFileA(aside[f], real[f]);
    }
    return 0;
  };
  for (int f = 0; f < SHEET_FILES; ++f) {
    if (!Exists(real[f])) continue;
    plat::DeleteFileA(aside[f]);
    if (!plat::MoveFileA(real[f], aside[f])) return undo();
    moved[f] = true;
  }
  for (int f = 0; f < SHEET_FILES; ++f) {
    if (f == SHEET_GRA && !drawn) continue;  // no graphics: the sheet has no graphics file
    bool ok;
    if (copyMode == 0) {
      ok = plat::MoveFileA(Paths[f], real[f]) != 0;
    } else {
      TCopyFile copy;
      ok = copy.Copy(Paths[f], real[f]) != 0;
    }
    if (!ok) {
      if (copyMode != 0) plat::DeleteFileA(real[f]);
      return undo();
    }
    placed[f] = true;
  }

  // The sheet must open with its new files before the old ones go.
  Map->List.Close(-1);
  if (!Map->List.Open(Map, Sheet)) {
    Map->List.Close(-1);
    return undo();
  }
  for (int f = 0; f < SHEET_FILES; ++f) {
    if (copyMode != 0 || !placed[f]) plat::DeleteFileA(Paths[f]);
    if (moved[f]) plat::DeleteFileA(aside[f]);
  }
  record->ObjectCount = count;
  Map->UpdateMode();
  NotCreated = 1;
  if (!keepBackFiles) Map->List.DeleteBackFiles();
  Map = nullptr;
  return 1;
}
