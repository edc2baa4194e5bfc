// The map object: life cycle, logs, opening, creating, saving, closing and
// the synchronisation with other users of the map.
#include "mapstore/map.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "classifier/rscclass.h"
#include "common/copyfile.h"
#include "common/heldfiles.h"
#include "common/language.h"
#include "common/libload.h"
#include "common/liveset.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/keptturn.h"
#include "mapstore/keytable.h"
#include "mapstore/mapjoin.h"
#include "platform/fileio.h"
#include "platform/path.h"
#include "platform/ui.h"

namespace {

bool IsFolder(const char* name) {
  const DWORD a = plat::GetFileAttributesA(name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const char* name) { return plat::GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// Creates a folder; true when it exists afterwards.
bool MakeFolder(const char* folder) {
  if (!folder[0]) return true;
  if (plat::CreateDirectoryA(folder, nullptr)) return true;
  return IsFolder(folder);
}

// The files an open map holds: its map file, its classifier, the four files
// of every sheet, its group file, its journal and its text log.
int HeldMapFiles(const void* holder, HELDFILEVISIT visit, void* context) {
  const TMap& map = *static_cast<const TMap*>(holder);
  if (!map.IsActive()) return 0;
  for (const char* name : {map.Path, map.Rsc.IsActive() ? map.Rsc.Path : "",
                           map.Groups.IsOpen() ? map.Groups.Name : "",
                           map.Log.File ? map.Log.Name : "", map.MapError.LogName()})
    if (name[0] != 0 && visit(context, name)) return 1;
  const int count = map.Lists != nullptr ? std::min(map.Count(), map.Capacity()) : 0;
  char path[MAX_PATH];
  for (int n = 0; n < count; ++n) {
    const LISTDESC& list = map.Lists[n];
    for (const char* name : {list.NameHDR, list.NameDAT, list.NameSEM, list.NameGRA})
      if (TMapPassport::JoinFolderName(map.Folder, name, sizeof(list.NameHDR), path,
                                       sizeof(path)) &&
          visit(context, path))
        return 1;
  }
  return 0;
}

// The journal (".TAC") or the text log (".LOG") that the map `name` keeps
// in its log folder: the map file's name and extension with the tail.
bool LogFileName(const char* logFolder, const char* name, const char* tail,
                 char (&out)[MAX_PATH]) {
  char fname[MAX_FNAME] = {}, ext[MAX_EXT] = {};
  plat::SplitPath(name, nullptr, nullptr, fname, ext);
  return JoinText(out, MAX_PATH, {logFolder, fname, ext, tail});
}

}  // namespace

TMap::TMap() : Groups(&MapError) {
  Reporter = &MapError;
  Classifier = &Rsc;  // object frames are measured with the map's classifier
  Journal = &Log;
  ApplyChangeCall = [](TMapBase* owner, TMapList& list, const SHEETCHANGE& change) {
    return static_cast<TMap*>(owner)->ApplyChange(list, change);
  };
  Colors.Map = this;
  // A handle from a host is taken as a map only while the map lives.
  liveRegister(LIVE_MAP, this);
  // No other map, raster or matrix is made over the files it holds.
  heldRegister(this, HeldMapFiles);
  Init();
}

TMap::~TMap() {
  heldUnregister(this);
  Free();
  liveUnregister(LIVE_MAP, this);
}

void TMap::Init() {
  AccessMode = MAPACCESS_READWRITE;
  ShareMode = 3;
  File = nullptr;
  Factor = 1.0;
  X0 = Y0 = 0.0;
  std::memset(DeviceFrame, 0, sizeof(DeviceFrame));
  std::memset(&Passport, 0, sizeof(Passport));
  Passport.Register.IsRealPlace = 1;
  Lists = nullptr;
  ListsSize = 0;
  RelinkFlag = PassportChanged = ProjectionReady = TempMap = 0;
  EditModeCopy = EditMode = 0;
  MapTag = 0;
  ChangeCall = nullptr;
  ChangeParameter = 0;
  SiteBorderChanged = 0;
  Path[0] = FileName[0] = Folder[0] = LogFolder[0] = 0;
  logInit(&Log);
  Colors.Map = this;
  List.Owner = this;
  slInit(&SelectList, this);
  ViewFlag = EditFlag = InquiryFlag = 1;
  VisibleTop = 40000000;
  VisibleBottom = 1;
  ScaleIndex = 0;
}

void TMap::Free() {
  CloseData();
  logDone(&Log);
  // The select contexts registered with the map drop it on this notice.
  Notify(MAPNOTICE_CLOSING, nullptr);
  if (Notifying == 0) {
    Observers.clear();
  } else {
    for (OBSERVER& o : Observers) o.Call = nullptr;
    ObserversRemoved = 1;
  }
  slFree(&SelectList);
}

void TMap::MapFolderOf(const char* name, char* folder, int size) {
  char drive[MAX_DRIVE], dir[MAX_DIR];
  plat::SplitPath(name, drive, dir, nullptr, nullptr);
  plat::MakePath(folder, size_t(size), drive, dir, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Logs

int TMap::OpenLogs(const char* name) {
  CloseLogs();
  char folder[MAX_PATH];
  MapFolderOf(name, folder, sizeof(folder));
  if (!JoinText(LogFolder, sizeof(LogFolder), {folder, "LOG\\"}) || !MakeFolder(LogFolder)) {
    // The temporary folder takes the logs of a map whose folder refuses them.
    char temp[MAX_PATH] = {};
    plat::GetTempPathA(sizeof(temp) - 1, temp);
    const size_t n = std::strlen(temp);
    if (n == 0 || !plat::IsPathSeparator(temp[n - 1])) std::strcat(temp, "\\");
    std::memcpy(LogFolder, temp, sizeof(LogFolder));
  }
  char journal[MAX_PATH], text[MAX_PATH];
  if (!LogFileName(LogFolder, name, ".TAC", journal) || !LogFileName(LogFolder, name, ".LOG", text))
    return 0;
  const int result = logOpen(&Log, journal);
  MapError.Open(text, 1);
  return result;
}

void TMap::CloseLogs() {
  if (Log.File) logClose(&Log);
  MapError.Close(1);
}

// ---------------------------------------------------------------------------
// Opening

int TMap::OpenMap(const char* name) {
  CloseList(1);
  ShareMode = 3;
  if (!OpenPassport(name)) return 0;
  SetDataProjection();
  MapError.SetError(0);

  // The passport's classifier name is a plain name of the map's folder
  // (the passport checked it).
  char rsc[MAX_PATH];
  if (!JoinFolderName(Folder, Passport.RscName, sizeof(Passport.RscName), rsc, sizeof(rsc))) {
    MapError.ErrorMessage(MAPERR_DATA, Path);
    ClosePassport();
    MapError.SetError(MAPERR_DATA);
    return 0;
  }
  if (!Rsc.OpenRsc(rsc, int(AccessMode))) {
    const int code = Rsc.Error() ? Rsc.Error() : MAPERR_OPEN;
    MapError.ErrorMessage(code, rsc);
    if (code != MAPERR_OLDVERSION || !rscCheckAndLoadOldVersion(&Rsc, rsc, Scale())) {
      Rsc.CloseRsc();
      ClosePassport();
      MapError.SetError(code);
      return 0;
    }
  }
  CalculateBorder(Count());
  CalculateDeviceFrame();
  return 1;
}

int TMap::GetMapInfoByName(const char* name, int sheet, TMapRegister* reg) {
  if (name == nullptr || reg == nullptr) return 0;
  CloseData();
  if (!OpenMap(name)) return 0;
  const int result = ListToRegister(reg, sheet);
  CloseData();
  return result;
}

int TMap::OpenData(const char* name, int mode) {
  CloseData();
  TempMap = 0;
  if (!name || !*name || std::strlen(name) >= MAX_PATH) {
    MapError.ErrorMessage(MAPERR_OPEN, name ? name : "");
    return 0;
  }
  const int check = OpenLogs(name) < 0;
  AccessMode = plat::OpenAccess(DWORD(mode));
  if (!OpenMap(name)) {
    int code = MapError.Error();
    // An older map is converted by the sibling library, then opened again.
    if (code == MAPERR_OLDVERSION && LoadOldVersionMap(name)) {
      OpenLogs(name);
    } else {
      if (code == MAPERR_OLDVERSION) code = MapError.Error() ? MapError.Error() : code;
      CloseData();
      MapError.SetError(code);
      return 0;
    }
  }
  Colors.RestoreColors();
  CounterAtOpen = Passport.ModeCounter;
  if (check) CheckVectorStructure();

  TMapKeyTable table(this);
  table.CheckMap(this);
  if (Rsc.IsActive()) Passport.RscIdent = Rsc.Head.Style;
  OpenGroups();
  return 1;
}

void TMap::OpenGroups() {
  if (IsRealPlace() || !GroupAccessGet()) return;
  char fname[MAX_FNAME];
  plat::SplitPath(Path, nullptr, nullptr, fname, nullptr);
  char name[MAX_PATH];
  if (!JoinText(name, sizeof(name), {LogFolder, fname, ".GDX"})) return;
  Groups.WriteThrough = EditMode;
  if (Groups.Open(name)) return;
  int restore = 1;
  if (MessageEnableGet()) {
    const bool ru = IsRussianLanguage();
    restore = plat::MessageBoxA(nullptr,
                                ru ? "Восстановить файл групповых объектов ?"
                                   : "Do you want to restore file ?",
                                ru ? "Ошибка открытия файла" : "Open file failure",
                                MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES;
  }
  if (restore) Groups.Restore(this, name);
}

// ---------------------------------------------------------------------------
// Creating

int TMap::CreateData(const char* name, const char* rscname, TMapRegister* reg) {
  if (!reg) {
    MapError.ErrorMessage(MAPERR_INPUT, name ? name : "");
    return 0;
  }
  return CreateRoutine(name, rscname, &reg->List.Register, &reg->Map);
}

int TMap::CreateDataEx(const char* name, const char* rscname, MAPREGISTEREX* map,
                       LISTREGISTER* sheet) {
  return CreateRoutine(name, rscname, sheet, map);
}

int TMap::CreateTempMap(const char* rscname) {
  CloseData();
  if (!rscname || std::strlen(rscname) + 5 > MAX_PATH) {
    MapError.ErrorMessage(MAPERR_INPUT, rscname ? rscname : "");
    return 0;
  }
  char name[MAX_PATH];
  JoinText(name, sizeof(name), {rscname, ".SIT"});
  MAPREGISTEREX map;
  std::memset(&map, 0, sizeof(map));
  map.Length = MAPREGISTER_LENGTH;
  std::strcpy(map.Name, "TempMap");
  map.Scale = 100000;
  map.DeviceCapability = 1;
  map.IsRealPlace = 1;
  LISTREGISTER sheet;
  std::memset(&sheet, 0, sizeof(sheet));
  sheet.Length = LISTREGISTER_LENGTH;
  std::memcpy(sheet.FileName, name, strnlen(name, sizeof(sheet.FileName) - 1));
  TempMap = 1;
  WorkMode(0);
  const int result = CreateRoutine(name, rscname, &sheet, &map);
  if (!result) TempMap = 0;
  return result;
}

int TMap::HeldTarget(const char* name, const char* folder, const char* rsc,
                     const LISTREGISTER* sheet, const MAPREGISTEREX* map, bool logs,
                     char (&found)[MAX_PATH]) {
  char held[MAP_TARGETS][MAX_PATH] = {};
  char fname[MAX_FNAME] = {}, bare[MAX_FNAME];
  plat::SplitPath(name, nullptr, nullptr, fname, nullptr);
  JoinText(held[0], MAX_PATH, {name});
  if (rsc != nullptr) JoinText(held[1], MAX_PATH, {rsc});
  SheetBareName(sheet->FileName, sizeof(sheet->FileName) - 1, bare, sizeof(bare));
  for (int file = 0; file < SHEET_FILES; ++file)
    SheetFileNameOf(folder, bare, file, map->IsRealPlace, held[2 + file], MAX_PATH);
  if (!map->IsRealPlace && GroupAccessGet())
    JoinText(held[2 + SHEET_FILES], MAX_PATH, {folder, "LOG\\", fname, ".GDX"});
  // The journal and the text log the new map opens in its log folder (the
  // folder may be another map's, through a link).
  char logFolder[MAX_PATH];
  if (logs && JoinText(logFolder, MAX_PATH, {folder, "LOG\\"})) {
    LogFileName(logFolder, name, ".TAC", held[3 + SHEET_FILES]);
    LogFileName(logFolder, name, ".LOG", held[4 + SHEET_FILES]);
  }
  const char* names[MAP_TARGETS];
  for (int k = 0; k < MAP_TARGETS; ++k) names[k] = held[k];
  const int k = heldFind(names, MAP_TARGETS);
  if (k < 0) return 0;
  std::memcpy(found, held[k], MAX_PATH);
  return 1;
}

int TMap::CreateRoutine(const char* name, const char* rscname, LISTREGISTER* sheet,
                        MAPREGISTEREX* map) {
  const int temporary = TempMap;
  CloseData();
  TempMap = temporary;
  if (!name || !*name || !rscname || !*rscname || !sheet || !map ||
      std::strlen(name) >= MAX_PATH || std::strlen(rscname) >= MAX_PATH) {
    MapError.ErrorMessage(MAPERR_INPUT, name ? name : "");
    return 0;
  }
  char mapFolder[MAX_PATH];
  MapFolderOf(name, mapFolder, sizeof(mapFolder));
  char drive[MAX_DRIVE], dir[MAX_DIR], fname[MAX_FNAME], ext[MAX_EXT];
  plat::SplitPath(rscname, drive, dir, fname, ext);
  const bool bare = !drive[0] && !dir[0];
  char target[MAX_PATH];
  if (!JoinText(target, sizeof(target), {mapFolder, fname, ext})) {
    MapError.ErrorMessage(MAPERR_OPEN, rscname);
    return 0;
  }
  if (bare && !Exists(target) && CommonRscPathGet()[0])
    JoinText(target, sizeof(target), {CommonRscPathGet(), fname, ext});
  const bool copyRsc =
      !bare && strcasecmp(rscname, target) != 0 && !plat::IsSameFile(rscname, target);
  char held[MAX_PATH];
  if (HeldTarget(name, mapFolder, copyRsc ? target : nullptr, sheet, map, !TempMap, held)) {
    MapError.ErrorMessage(MAPERR_OPEN, held);
    return 0;
  }

  std::memcpy(Folder, mapFolder, sizeof(Folder));
  if (!TempMap) {
    if (!MakeFolder(mapFolder)) {
      MapError.ErrorMessage(MAPERR_CREATE, name);
      return 0;
    }
    OpenLogs(name);
  }

  // A classifier given with its folder is copied beside the map. A bare
  // name is the map folder's or the common folder's file itself.
  if (copyRsc) {
    TCopyFile copy;
    if (!copy.Copy(rscname, target) || !plat::SetFileAttributesA(target, FILE_ATTRIBUTE_ARCHIVE)) {
      const int code = MapError.Error() ? MapError.Error() : MAPERR_OPEN;
      CloseData();
      MapError.SetError(code);
      return 0;
    }
  }

  if (!Rsc.OpenRsc(target, 0)) {
    int code = Rsc.Error() ? Rsc.Error() : MAPERR_OPEN;
    char shown[MAX_PATH + 4];
    JoinText(shown, sizeof(shown), {target});
    if (code == MAPERR_OPEN && !fname[0] && !ext[0]) std::strcat(shown, ".rsc");
    MapError.ErrorMessage(code, shown);
    if (code != MAPERR_OLDVERSION || !rscCheckAndLoadOldVersion(&Rsc, target, 0)) {
      CloseData();
      MapError.SetError(code);
      return 0;
    }
  }

  if (!CreateMap(name, map, sheet)) {
    const int code = MapError.Error() ? MapError.Error() : Error;
    CloseData();
    MapError.SetError(code);
    return 0;
  }
  Colors.RestoreColors();
  CounterAtOpen = Passport.ModeCounter;
  if (!IsRealPlace() && GroupAccessGet()) {
    char gdx[MAX_PATH];
    plat::SplitPath(name, nullptr, nullptr, fname, nullptr);
    if (JoinText(gdx, sizeof(gdx), {LogFolder, fname, ".GDX"})) Groups.Create(gdx);
  }
  return 1;
}

int TMap::CreateMap(const char* name, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  if (!name || !map || !sheet) return 0;
  char line[MAX_PATH + 40];
  std::snprintf(line, sizeof(line), "%s%s",
                IsRussianLanguage() ? "СОЗДАНИЕ КАРТЫ : " : "CREATE MAP : ", name);
  WriteToLog(line, MAPLOG_REMARK);

  if (!CreateMapFile(name, TempMap)) return 0;
  if (Rsc.IsActive()) {
    char fname[MAX_FNAME], ext[MAX_EXT];
    plat::SplitPath(Rsc.Path, nullptr, nullptr, fname, ext);
    JoinText(Passport.RscName, sizeof(Passport.RscName), {fname, ext});
    Passport.RscIdent = Rsc.Head.Style;
    Passport.ScaleTable = BYTE(Rsc.Head.ScaleTable);
  }
  MapRegister(map);
  if (!CreateList(sheet, 0)) {
    PassportChanged = 0;
    List.RecordChanged = 0;
    ClosePassport();
    return 0;
  }
  if (IsRealPlace()) {
    // A user map keeps its name, its sheet's name and nomenclature alike.
    LISTREGISTER& r = Lists[0].Register;
    char* mapName = Passport.Register.Name;
    const size_t size = sizeof(r.Name);
    if (mapName[0]) {
      std::memcpy(r.Name, mapName, size);
      std::memcpy(r.Nomenclature, mapName, size);
    } else if (r.Name[0]) {
      std::memcpy(mapName, r.Name, size);
      std::memcpy(r.Nomenclature, r.Name, size);
    } else if (r.Nomenclature[0]) {
      std::memcpy(mapName, r.Nomenclature, size);
      std::memcpy(r.Name, r.Nomenclature, size);
    }
    r.Name[size - 1] = r.Nomenclature[size - 1] = mapName[size - 1] = 0;
  }
  CalculateDeviceFrame();
  return Save(1);
}

// ---------------------------------------------------------------------------
// Closing

int TMap::CloseData() {
  CloseList(1);
  if (File) {
    if (!TempMap) {
      Save(0);
      // What this map learnt of its sheets' objects stays with the file
      // for the next opener, once a change of this map's made it worth it.
      KeepSheetExtents();
    }
    plat::FlushFileBuffers(File);
  }
  char tempFiles[SHEET_FILES + 1][MAX_PATH] = {};
  const int temporary = TempMap && File;
  if (temporary) {
    std::memcpy(tempFiles[SHEET_FILES], Path, MAX_PATH);
    if (LISTDESC* list = TMapPassport::List(1)) {
      const char* names[SHEET_FILES] = {list->NameHDR, list->NameDAT, list->NameSEM,
                                        list->NameGRA};
      for (int k = 0; k < SHEET_FILES; ++k)
        JoinFolderName(Folder, names[k], sizeof(list->NameHDR), tempFiles[k], MAX_PATH);
    }
  }
  if (Rsc.IsActive()) Rsc.CloseRsc();
  Groups.Close();
  ClosePassport();
  if (temporary) {
    for (auto& file : tempFiles)
      if (file[0]) plat::DeleteFileA(file);
  }
  TempMap = 0;
  RelinkFlag = 0;
  ProjectionReady = 0;
  SiteBorderChanged = 0;
  Factor = 1.0;
  X0 = Y0 = 0.0;
  std::memset(DeviceFrame, 0, sizeof(DeviceFrame));
  CloseLogs();
  return 1;
}

// ---------------------------------------------------------------------------
// Saving, reverting, adjusting

int TMap::Save(int force) {
  if (!File) return 0;
  if (!IsWritable()) return 1;
  if (SiteBorderChanged && IsRealPlace()) CalculateSiteBorder();
  if (!PassportChanged && !List.RecordChanged && !force) return 0;
  if (Rsc.IsActive()) {
    rscSaveRsc(&Rsc, 0);
    Passport.RscIdent = Rsc.Head.Style;
  }
  // The key table is taken before the records are written over it.
  TMapKeyTable table(this);
  const int haveTable = Count() > 0 && table.LoadOrBuild(this);
  if (haveTable) {
    Passport.KeyTableOffset = PASSPORT_LENGTH + LISTDESC_LENGTH * DWORD(Count());
    Passport.KeyTableLength = table.Head.Length;
  }
  // The counter is raised from the file's value once the passport is
  // written (with it, under its lock, where the lock serves): a save never
  // takes it back to a value another writer gave it before.
  bool written = false;
  RaiseChangeCounter(true, &written);
  if (!written) return 0;
  // A key table that did not go out is rebuilt from the classifier when the
  // map is next opened; the save is still not whole, and says so.
  if (haveTable && !table.Write()) {
    Error = MAPERR_WRITE;
    MapError.SetError(MAPERR_WRITE);
    return 0;
  }
  PassportChanged = 0;
  List.RecordChanged = 0;
  Error = 0;
  MapError.SetError(0);
  return 1;
}

int TMap::Revert() {
  if (!File) return 0;
  const int sheet = List.Number();
  CloseList(1);
  char path[MAX_PATH];
  std::memcpy(path, Path, sizeof(path));
  if (!OpenPassport(path)) {
    const int code = MapError.Error();
    CloseData();
    MapError.SetError(code);
    return 0;
  }
  PassportChanged = 0;
  SetDataProjection();
  CalculateDeviceFrame();
  if (sheet) OpenList(sheet);
  return 1;
}

int TMap::CheckMode() {
  if (!File) return 0;
  DWORD counter = 0;
  const bool ok = ReadChangeCounter(&counter);
  // A raise of this map's that found another writer's raise before it
  // leaves the file at this map's value: the map changed all the same.
  return ok && counter == Passport.ModeCounter && !CounterMovedElsewhere();
}

int TMap::UpdateMode() {
  if (!File) return 0;
  return int(RaiseChangeCounter());
}

int TMap::AdjustRsc() {
  if (!Rsc.IsActive()) return 0;
  const int messages = MessageEnableGet();
  MessageEnableSet(0);
  const int saved = rscSaveRsc(&Rsc, 0);
  MessageEnableSet(messages);
  if (saved >= 1) return 1;
  if (!Rsc.File) return 1;
  RSCHEAD head;
  if (!plat::ReadExactAt(Rsc.File, 0, &head, sizeof(head))) return 0;
  if (head.Mode == Rsc.Head.Mode && head.Style <= Rsc.Head.Style) return 1;
  return rscRevert(&Rsc) ? -1 : 0;
}

int TMap::AdjustData() {
  if (TempMap || !Lists) return 1;
  if (Log.IsActionOpen) return 1;
  int result = 1;
  bool rscChanged = false;
  if (AdjustRsc() < 0 || (Rsc.IsActive() && Rsc.Head.Style != Passport.RscIdent)) {
    result = -1;
    rscChanged = true;
  }
  if (Rsc.IsActive() &&
      (Rsc.Head.ColorStyle != Colors.RscStyle || Rsc.Head.ColorCount > Colors.GetCount())) {
    result = -1;
    Colors.GetPaletteByNumber(Colors.Palette);
    Colors.RscStyle = Rsc.Head.ColorStyle;
  }
  if (CheckMode()) {
    if (rscChanged) {
      TMapKeyTable table(this);
      if (table.CheckMap(this) > 0) Passport.RscIdent = Rsc.Head.Style;
    }
    if (Passport.ModeCounter != CounterAtOpen) {
      CounterAtOpen = Passport.ModeCounter;
      CloseList(1);
    }
    Save(0);
    return result;
  }
  // Another user saved the map: read it again.
  const int sheet = List.Number();
  const int object = List.CurrentObject;
  char path[MAX_PATH];
  std::memcpy(path, Path, sizeof(path));
  CloseList(1);
  if (!OpenPassport(path)) return 0;
  PassportChanged = 0;
  SetDataProjection();
  CalculateDeviceFrame();
  CounterAtOpen = Passport.ModeCounter;
  if (sheet && OpenList(sheet)) List.CurrentObject = object;
  return -1;
}

int TMap::WorkMode(int on) {
  if (TempMap) on = 0;
  if (on && !EditMode) {
    logCreateAction(&Log, ACTION_EDITON);
    ShareMode = 3;
  }
  if (!on && !TempMap) logCreateAction(&Log, ACTION_EDITOFF);
  // Other writers wait for no turn this process keeps from before.
  if (on) keptturn::GiveBackKeptTurns();
  EditMode = on ? 1 : 0;
  EditModeCopy = EditMode;
  // Shared from now on (or again alone): the sheet files' lengths are their
  // records' ends before anyone else looks.
  List.EndAllWriteViews();
  List.EditMode = EditMode;
  // The group file's writes are then as durable as the sheets'.
  Groups.WriteThrough = EditMode;
  return EditMode;
}

int TMap::SetChangeCall(MAPCHANGECALL call, intptr_t parameter) {
  ChangeCall = call;
  ChangeParameter = parameter;
  return 1;
}

int TMap::CreateAction(int type) { return logCreateAction(&Log, type); }
int TMap::CommitAction(int mode) { return logCommitAction(&Log, mode); }
int TMap::WriteToLog(const char* text, int kind) { return MapError.WriteToLog(text, kind); }

const char* TMap::GetRscFileName(char* buffer, int size) {
  if (!Lists) return nullptr;
  if (!buffer || size <= 0 || !Rsc.IsActive()) return RSC_EMPTY_STRING;
  std::snprintf(buffer, size_t(size), "%s", Rsc.Path);
  return buffer;
}

// A document handle is the address of its main map.
TMap* FindLiveMap(HMAP map, HSITE site) {
  if (!liveIsRegistered(LIVE_MAP, reinterpret_cast<const void*>(map))) return nullptr;
  if (site != 0 && site != static_cast<HSITE>(map)) return nullptr;
  return MapOfHandle(map);
}

TMapLog* FindMapLog(HMAP map, HSITE site) {
  TMap* found = FindLiveMap(map, site);
  return found ? &found->Log : nullptr;
}

int TMap::LoadOldVersionData(const char* name) {
  if (name == nullptr || !CallLoadOldVersionData(name)) return 0;
  return OpenMap(name) ? 1 : 0;
}

int TMap::LoadOldVersionMap(const char* name) { return LoadOldVersionData(name); }

int TMap::CheckVectorStructure() { return CallVectorStructureControl(this); }
