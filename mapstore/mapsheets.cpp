// The sheets of a map: adding, deleting, appending from another map, the
// current sheet and the texts of the sheet records.
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"

namespace {

const char kEmpty[1] = "";

// Copies a text into a field of `size` bytes: trailing blanks dropped, at
// most size - 1 characters and a zero.
void StoreText(char* field, size_t size, const char* text, bool strip) {
  size_t n = strnlen(text, size - 1);
  if (strip)
    while (n > 0 && text[n - 1] == ' ') --n;
  std::memset(field, 0, size);
  std::memcpy(field, text, n);
}

}  // namespace

int TMap::CreateList(TListRegister* reg, int save) {
  return reg ? CreateList(&reg->Register, save) : 0;
}

// A user map holds one sheet (the map file that says otherwise is refused
// on opening): a second is neither created nor appended.
bool TMap::SheetRefused() {
  if (!IsRealPlace() || Count() < 1) return false;
  Error = MAPERR_DATA;
  MapError.SetError(MAPERR_DATA);
  return true;
}

int TMap::CreateList(LISTREGISTER* reg, int save) {
  if (!reg || !File || SheetRefused()) return 0;
  const int n = Count() + 1;
  char line[96];
  std::snprintf(line, sizeof(line), IsRussianLanguage() ? "СОЗДАНИЕ ЛИСТА : %i, %.31s"
                                                         : "CREATE SHEET : %i, %.31s",
                n, reg->Nomenclature);
  WriteToLog(line, MAPLOG_REMARK);
  PassportChanged = 1;
  List.Close(0);

  // The register may lie in the table that is about to move.
  LISTREGISTER copy;
  std::memcpy(&copy, reg, sizeof(copy));
  if (!AllocateOneList()) {
    if (!AllocateLists(Count(), Count())) Revert();
    return 0;
  }
  Passport.ListCount = n;
  if (!List.CreateList(this, n, &copy)) {
    // The record is not counted.
    std::memset(&Lists[n - 1], 0, sizeof(LISTDESC));
    Passport.ListCount = n - 1;
    List.RecordChanged = 0;
    return 0;
  }
  CreateListBorder(n);
  CreateMapBorder();
  Error = 0;
  MapError.SetError(0);
  if (save) Save(1);
  return 1;
}

int TMap::DeleteList(int n, int deleteFiles) {
  if (!File || n < 1 || n > Count() || !Lists) return 0;
  // Kept sheet files are known by sheet number, which changes: all close.
  CloseList(1);
  char line[64];
  std::snprintf(line, sizeof(line), IsRussianLanguage() ? "УДАЛЕНИЕ ЛИСТА : %i" : "DELETE SHEET : %i",
                n);
  WriteToLog(line, MAPLOG_REMARK);
  LISTDESC* list = TMapPassport::List(n);
  if (deleteFiles) {
    // Only files of the map's folder go: a damaged name deletes nothing.
    for (const char* name : {list->NameHDR, list->NameDAT, list->NameSEM, list->NameGRA}) {
      char path[MAX_PATH];
      if (JoinFolderName(Folder, name, sizeof(list->NameHDR), path, sizeof(path)))
        plat::DeleteFileA(path);
    }
  }
  const int count = Count();
  // What the map keeps by sheet number goes with the numbers.
  ForgetSheetExtents();
  std::memmove(&Lists[n - 1], &Lists[n], size_t(count - n) * sizeof(LISTDESC));
  std::memset(&Lists[count - 1], 0, sizeof(LISTDESC));
  Passport.ListCount = count - 1;
  for (int i = n; i < count; ++i) Lists[i - 1].Number = i;
  PassportChanged = 1;
  CreateMapBorder();
  if (deleteFiles) return Save(1);
  return 1;
}

int TMap::Append(TMap* other, HWND window) {
  if (!other || !File || !other->File) return 0;
  if (other->MapType() != MapType() || other->Scale() != Scale() ||
      other->DeviceCapability() != DeviceCapability()) {
    SendErrorMessage(window, 0, 0);
    return 0;
  }
  const int count = other->Count();
  for (int i = 1; i <= count; ++i) {
    if (!AppendList(other, i, 1)) SendErrorMessage(window, 0, i);
    SendStepMessage(window, i, count);
  }
  return 1;
}

int TMap::AppendList(TMap* other, int n, int save) {
  if (!other || !File) return 0;
  char line[64];
  std::snprintf(line, sizeof(line),
                IsRussianLanguage() ? "ДОБАВЛЕНИЕ ЛИСТА : %i" : "APPEND SHEET : %i", Count() + 1);
  WriteToLog(line, MAPLOG_REMARK);
  LISTDESC* source = other->TMapPassport::List(n);
  if (other->MapType() != MapType() || other->Scale() != Scale() ||
      other->DeviceCapability() != DeviceCapability() || !source)
    return 0;
  if (source->Marker != LISTDESC_MARKER || SheetRefused()) return 0;
  // The names come from the other map's file: each must be a name of that
  // map's folder and, taken over, of this one, apart from this map's files.
  if (!other->SheetNamesUsable(source) || !SheetNamesUsable(source) ||
      SheetNamesShared(source, 0)) {
    MapError.ErrorMessage(MAPERR_DATA, other->Path);
    return 0;
  }
  CloseList(1);
  LISTDESC record;
  std::memcpy(&record, source, sizeof(record));
  if (!AllocateOneList()) {
    if (!AllocateLists(Count(), Count())) Revert();
    return 0;
  }

  // The four files come along; a file of the same name already beside
  // this map is not overwritten.
  char from[SHEET_FILES][MAX_PATH], to[SHEET_FILES][MAX_PATH];
  const char* names[SHEET_FILES] = {record.NameHDR, record.NameDAT, record.NameSEM, record.NameGRA};
  int copied[SHEET_FILES] = {};
  for (int k = 0; k < SHEET_FILES; ++k) {
    if (!JoinFolderName(other->Folder, names[k], sizeof(record.NameHDR), from[k], MAX_PATH) ||
        !JoinFolderName(Folder, names[k], sizeof(record.NameHDR), to[k], MAX_PATH)) {
      for (int j = 0; j < k; ++j)
        if (copied[j]) plat::DeleteFileA(to[j]);
      MapError.ErrorMessage(MAPERR_OPEN, names[k]);
      return 0;
    }
    if (plat::IsSameFile(from[k], to[k])) continue;
    const bool present = plat::GetFileAttributesA(from[k]) != INVALID_FILE_ATTRIBUTES;
    if (!present && k != SHEET_HDR) continue;
    if (!present || !plat::CopyFileA(from[k], to[k], TRUE)) {
      for (int j = 0; j < k; ++j)
        if (copied[j]) plat::DeleteFileA(to[j]);
      MapError.ErrorMessage(present ? MAPERR_WRITE : MAPERR_OPEN, present ? to[k] : from[k]);
      return 0;
    }
    copied[k] = 1;
  }

  const int number = Count() + 1;
  record.Number = number;
  record.ObjectCount = 0;
  record.FrameObject = 0;
  record.StageMask = 0;
  // What the other map stamped in the record spoke of its own counter.
  std::memset(record.Reserve, 0, sizeof(record.Reserve));
  Lists[number - 1] = record;
  Passport.ListCount = number;
  PassportChanged = 1;
  CreateListBorder(number);
  CreateMapBorder();

  // The device origin lies below every sheet's south-west corner.
  const LISTREGISTER& r = record.Register;
  const double x = r.XSouthWest - (r.XNorthWest - r.XSouthWest) / 2;
  const double y = r.YSouthWest - (r.YSouthEast - r.YSouthWest) / 2;
  if (number == 1) {
    Passport.OriginX = x;
    Passport.OriginY = y;
  } else {
    if (x < Passport.OriginX) Passport.OriginX = x;
    if (y < Passport.OriginY) Passport.OriginY = y;
  }
  CreateListBorder(number);
  CreateMapBorder();
  Error = 0;
  MapError.SetError(0);
  if (save) Save(1);
  return 1;
}

int TMap::OpenList(int n) {
  if (n < 1) return 0;
  if (List.Number() == n && List.IsOpen() && List.Owner == this) return 1;
  const int opened = List.Open(this, n);
  // The sheet's record counts the objects as the sheet reads now (read
  // afresh, or taken back as left while nobody else changed the map).
  LISTDESC* list = TMapPassport::List(n);
  if (opened && list != nullptr) list->ObjectCount = List.Head.Count;
  return opened;
}

int TMap::OpenListAfresh(int n) {
  if (List.Number() == n && List.IsOpen() && List.Owner == this && !List.InStepWithMap())
    List.Close(0);
  return OpenList(n);
}

FVSPR* TMap::ListObjectDesc(int n, int m) {
  if (!OpenList(n) || m < 1 || m > List.Head.Count) return nullptr;
  return List.ObjectDesc(m);
}

FVSPR* TMap::SeekObjectByKey(int sheet, DWORD key) {
  if (!IsActive() || !OpenList(sheet)) return nullptr;
  const int count = List.Count();
  for (int o = 1; o <= count; ++o) {
    FVSPR* d = List.ObjectDesc(o);
    if (d == nullptr) return nullptr;
    if (d->Key == key && !FvsprIsDeleted(d)) return d;
  }
  return nullptr;
}

int TMap::GetObjectCount(int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list) return 0;
  if (List.Number() == n && List.IsOpen() && List.Owner == this)
    return OpenListAfresh(n) ? list->ObjectCount = List.Head.Count : 0;
  // A count taken before another writer changed the map is not its count.
  ObserveChangeCounter();
  if (CountsSpan != CounterSpan()) {
    CountsSpan = CounterSpan();
    for (int k = 1; k <= Count(); ++k)
      if (LISTDESC* other = TMapPassport::List(k)) other->ObjectCount = 0;
  }
  if (list->ObjectCount > 0) return list->ObjectCount;
  if (!OpenList(n)) return 0;
  return list->ObjectCount;
}

// ---------------------------------------------------------------------------
// Texts of the sheet records and of the passport

const char* TMap::SheetName(int n) {
  if (!Lists) return nullptr;
  LISTDESC* list = TMapPassport::List(n);
  return list ? list->Register.Name : kEmpty;
}

const char* TMap::Nomenclature(int n) {
  if (!Lists) return nullptr;
  LISTDESC* list = TMapPassport::List(n);
  return list ? list->Register.Nomenclature : kEmpty;
}

const char* TMap::SheetName(const char* name, int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!name || !list) return kEmpty;
  StoreText(list->Register.Name, sizeof(list->Register.Name), name, true);
  PassportChanged = 1;
  return list->Register.Name;
}

const char* TMap::Nomenclature(const char* name, int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!name || !list) return kEmpty;
  StoreText(list->Register.Nomenclature, sizeof(list->Register.Nomenclature), name, true);
  PassportChanged = 1;
  return list->Register.Nomenclature;
}

// A new file name of a sheet obeys the rule the map file is read by: a
// plain name of the map's folder, apart from the map's other files. A name
// that does not is refused (60005) and the record keeps its name.
#define MC_SHEET_FILE_NAME(Method, Field)                              \
  const char* TMap::Method(int n) {                                    \
    LISTDESC* list = TMapPassport::List(n);                            \
    return list ? list->Field : kEmpty;                                \
  }                                                                    \
  const char* TMap::Method(const char* name, int n) {                  \
    LISTDESC* list = TMapPassport::List(n);                            \
    if (!name || !list) return kEmpty;                                 \
    LISTDESC changed = *list;                                          \
    StoreText(changed.Field, sizeof(changed.Field), name, false);      \
    if (!SheetNamesUsable(&changed) || SheetNamesShared(&changed, n))  \
      return RefuseName();                                             \
    std::memcpy(list->Field, changed.Field, sizeof(list->Field));      \
    PassportChanged = 1;                                               \
    return list->Field;                                                \
  }
MC_SHEET_FILE_NAME(NameHDR, NameHDR)
MC_SHEET_FILE_NAME(NameDAT, NameDAT)
MC_SHEET_FILE_NAME(NameSEM, NameSEM)
MC_SHEET_FILE_NAME(NameDRW, NameGRA)
#undef MC_SHEET_FILE_NAME

int TMap::FindListByNomenclature(const char* text) {
  if (!text || !Lists) return 0;
  for (int n = 1; n <= Count(); ++n) {
    LISTDESC* list = TMapPassport::List(n);
    if (list && strncasecmp(list->Register.Nomenclature, text, sizeof(list->Register.Nomenclature)) == 0)
      return n;
  }
  return 0;
}

const char* TMap::Name(const char* name) {
  if (!name) return kEmpty;
  StoreText(Passport.Register.Name, sizeof(Passport.Register.Name), name, false);
  PassportChanged = 1;
  return Passport.Register.Name;
}

const char* TMap::NameRSC(const char* name) {
  return name ? StoreMapName(Passport.RscName, name) : kEmpty;
}

const char* TMap::NameGDX(const char* name) {
  return name ? StoreMapName(Passport.GroupName, name) : kEmpty;
}

const char* TMap::RefuseName() {
  Error = MAPERR_DATA;
  MapError.SetError(MAPERR_DATA);
  return kEmpty;
}

const char* TMap::StoreMapName(char (&field)[260], const char* name) {
  char old[sizeof(field)];
  std::memcpy(old, field, sizeof(old));
  StoreText(field, sizeof(field), name, false);
  // The classifier and the group file keep to the map's folder and apart
  // from the map file and every sheet's files.
  bool usable = MapNamesUsable();
  for (int n = 1; usable && n <= Count(); ++n) {
    const LISTDESC* list = TMapPassport::List(n);
    usable = list == nullptr || list->Marker != LISTDESC_MARKER || SheetNamesUsable(list);
  }
  if (!usable) {
    std::memcpy(field, old, sizeof(old));
    return RefuseName();
  }
  PassportChanged = 1;
  return field;
}
