// The open sheet's record (its register fields, flags and file names) and
// the whole-sheet operations: copying a sheet's files in from another
// folder and shifting every object of a sheet.
#include <cstring>

#include "common/maperr.h"
#include "mapstore/maplist.h"
#include "platform/file.h"
#include "platform/numeric.h"
#include "records/dataedit.h"

namespace {

const char kEmpty[1] = {0};

// A text field of `size` bytes: at most size - 1 characters and a zero
// byte; a null text clears it.
template <size_t N> const char *SetText(char (&field)[N], const char *text) {
  std::memset(field, 0, N);
  if (text != nullptr)
    std::memcpy(field, text, strnlen(text, N - 1));
  return field;
}

template <size_t N> const char *GetText(const char (&field)[N]) {
  // A field read from a file may lack its zero byte: the last byte is
  // always one.
  return field[N - 1] == 0 ? field : kEmpty;
}

} // namespace

// Each accessor pair over one field of the register: the getter reads it,
// the setter stores it and marks the record changed.
#define MC_LIST_TEXT(Method, Field)                                            \
  const char *TMapList::Method() { return List ? GetText(Field) : kEmpty; }    \
  const char *TMapList::Method(const char *text) {                             \
    if (List == nullptr)                                                       \
      return kEmpty;                                                           \
    RecordChanged = 1;                                                         \
    return SetText(Field, text);                                               \
  }
#define MC_LIST_NUMBER(Type, Method, Field)                                    \
  Type TMapList::Method() { return List ? Field : Type(0); }                   \
  Type TMapList::Method(Type value) {                                          \
    if (List == nullptr)                                                       \
      return Type(0);                                                          \
    RecordChanged = 1;                                                         \
    return Field = value;                                                      \
  }

MC_LIST_TEXT(Nomenclature, List->Register.Nomenclature)
MC_LIST_TEXT(Name, List->Register.Name)
MC_LIST_TEXT(Date, List->Register.Date)
MC_LIST_TEXT(DateAngle, List->Register.DateAngle)
MC_LIST_TEXT(CreationDate, List->CreationDate)
MC_LIST_NUMBER(int, MaterialKind, List->Register.MaterialKind)
MC_LIST_NUMBER(int, MaterialType, List->Register.MaterialType)
MC_LIST_NUMBER(LONG, ReliefHeight, List->Register.ReliefHeight)
MC_LIST_NUMBER(double, MagneticAngle, List->Register.MagneticAngle)
MC_LIST_NUMBER(double, YearMagneticAngle, List->Register.YearMagneticAngle)
MC_LIST_NUMBER(double, MeridianAngle, List->Register.MeridianAngle)
MC_LIST_NUMBER(double, XSouthWest, List->Register.XSouthWest)
MC_LIST_NUMBER(double, YSouthWest, List->Register.YSouthWest)
MC_LIST_NUMBER(double, XNorthWest, List->Register.XNorthWest)
MC_LIST_NUMBER(double, YNorthWest, List->Register.YNorthWest)
MC_LIST_NUMBER(double, XNorthEast, List->Register.XNorthEast)
MC_LIST_NUMBER(double, YNorthEast, List->Register.YNorthEast)
MC_LIST_NUMBER(double, XSouthEast, List->Register.XSouthEast)
MC_LIST_NUMBER(double, YSouthEast, List->Register.YSouthEast)
MC_LIST_NUMBER(double, BSouthWestCoordinate,
               List->Register.BSouthWestCoordinate)
MC_LIST_NUMBER(double, LSouthWestCoordinate,
               List->Register.LSouthWestCoordinate)
MC_LIST_NUMBER(double, BNorthWestCoordinate,
               List->Register.BNorthWestCoordinate)
MC_LIST_NUMBER(double, LNorthWestCoordinate,
               List->Register.LNorthWestCoordinate)
MC_LIST_NUMBER(double, BNorthEastCoordinate,
               List->Register.BNorthEastCoordinate)
MC_LIST_NUMBER(double, LNorthEastCoordinate,
               List->Register.LNorthEastCoordinate)
MC_LIST_NUMBER(double, BSouthEastCoordinate,
               List->Register.BSouthEastCoordinate)
MC_LIST_NUMBER(double, LSouthEastCoordinate,
               List->Register.LSouthEastCoordinate)

#undef MC_LIST_TEXT
#undef MC_LIST_NUMBER

int TMapList::IsSorted() {
  return List ? (List->Flag & LISTFLAG_SORTED ? 1 : 0) : 1;
}

int TMapList::IsSorted(int value) {
  if (List == nullptr)
    return 1;
  RecordChanged = 1;
  if (value)
    List->Flag |= LISTFLAG_SORTED;
  else
    List->Flag &= ~LISTFLAG_SORTED;
  return value ? 1 : 0;
}

const char *TMapList::HeadName() {
  return List ? GetText(List->NameHDR) : kEmpty;
}
const char *TMapList::DataName() {
  return List ? GetText(List->NameDAT) : kEmpty;
}
const char *TMapList::SemnName() {
  return List ? GetText(List->NameSEM) : kEmpty;
}
const char *TMapList::DrawName() {
  return List ? GetText(List->NameGRA) : kEmpty;
}
const char *TMapList::PathLOG() {
  return Owner ? GetText(Owner->LogFolder) : kEmpty;
}

int TMapList::CopyList(TMapBase *map, int n, LISTREGISTER *reg,
                       const char *folder) {
  Close(-1);
  if (map == nullptr || reg == nullptr || folder == nullptr)
    return 0;
  if (map->Lists == nullptr || n < 1 || n > map->Count())
    return 0;
  Owner = map;
  List = map->List(n);
  if (List == nullptr)
    return 0;
  std::memcpy(Folder, map->Folder, sizeof(Folder));
  Folder[sizeof(Folder) - 1] = 0;

  // The new names may neither reach out of the folder nor take another
  // sheet's files: the record is then left as it was.
  LISTDESC before;
  std::memcpy(&before, List, sizeof(before));
  if (!ListRegister(n, reg))
    return 0;
  char held[MAX_PATH];
  const bool refused = !map->SheetNamesUsable(List) || map->SheetNamesShared(List, n);
  if (refused || HeldElsewhere(held)) {
    std::memcpy(List, &before, sizeof(before));
    Error = refused ? MAPERR_DATA : MAPERR_OPEN;
    Close(0);
    return 0;
  }

  // Copied in over the map's files of the new names, unless they are these
  // files themselves. A source file that does not exist is not copied.
  for (int file = 0; file < SHEET_FILES; ++file) {
    char target[MAX_PATH];
    char source[MAX_PATH];
    if (!FilePath(file, target, sizeof(target)))
      continue;
    const char *name = file == SHEET_HDR   ? List->NameHDR
                       : file == SHEET_DAT ? List->NameDAT
                       : file == SHEET_SEM ? List->NameSEM
                                           : List->NameGRA;
    if (!TMapPassport::JoinFolderName(folder, name, sizeof(List->NameHDR),
                                      source, sizeof(source)))
      continue;
    if (plat::GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES)
      continue;
    if (plat::IsSameFile(source, target))
      continue;
    plat::DeleteFileA(target);
    if (!plat::CopyFileA(source, target, FALSE)) {
      Error = MAPERR_WRITE;
      Close(0);
      return 0;
    }
  }
  return Open(map, n);
}

int TMapList::ReplaceListObjects(double dx, double dy) {
  if (List == nullptr || !IsOpen())
    return 0;
  std::vector<char> metric; // one buffer for the whole sheet
  TDataEdit edit;
  edit.Init();
  int result = 1;
  const int count = Head.Count;
  for (int n = 1; n <= count; ++n) {
    // The object as the files hold it now, not as the caches may still
    // hold it after another writer changed it: what is moved is written
    // back whole.
    FVSPR desc;
    if (ReadObjectDesc(n, &desc) != 0) {
      result = 0;
      break;
    }
    // A metric that could not be read fails the move: the object would be
    // written back unmoved.
    bool failed = false;
    const char *stored = ReadStoredRecord(SHEET_DAT, desc.DataOffset, metric, &failed);
    if (failed) {
      result = 0;
      break;
    }
    if (stored != nullptr) {
      const int local = FvsprLocal(&desc);
      edit.SetBuffer(metric.data(), LONG(metric.size()),
                     local == LOCAL_TITLE || local == LOCAL_MIXED ? 1 : 0);
      const int contours =
          reinterpret_cast<const LONGMETRIC *>(metric.data())->Count + 1;
      for (int c = 0; c < contours; ++c) {
        for (char *p = edit.FirstPointSubject(c); p != nullptr;
             p = edit.NextPoint()) {
          edit.XDouble(edit.XDouble() + dx);
          edit.YDouble(edit.YDouble() + dy);
        }
      }
    } else {
      desc.X1 = plat::TruncateTo<LONG>(desc.X1 + dx);
      desc.X2 = plat::TruncateTo<LONG>(desc.X2 + dx);
      desc.Y1 = plat::TruncateTo<LONG>(desc.Y1 + dy);
      desc.Y2 = plat::TruncateTo<LONG>(desc.Y2 + dy);
    }
    LONGMETRIC *moved = stored != nullptr
                            ? reinterpret_cast<LONGMETRIC *>(metric.data())
                            : nullptr;
    const int located = LocateUpdate(n, &desc, moved, nullptr, nullptr);
    SHEETCHANGE change;
    int written = located > 0 ? RewriteObject(located, &desc, moved,
                                              nullptr, nullptr, &change)
                              : 0;
    if (located > 0) {
      if (Owner != nullptr && Owner->ApplyChangeCall != nullptr)
        Owner->ApplyChangeCall(Owner, *this, change);
      else
        ApplyOwnChange(change);
    }
    if (written == 0) {
      result = 0;
      break;
    }
  }
  edit.Free();
  return result;
}

int TMapList::AttachFiles(TMapBase* map, int n, HANDLE const (&files)[SHEET_FILES]) {
  Close(0);
  auto refuse = [&]() {
    for (HANDLE h : files)
      if (h != nullptr) plat::CloseHandle(h);
    return 0;
  };
  if (map == nullptr || map->Lists == nullptr || n < 1 || n > map->Count()) return refuse();
  Owner = map;
  List = map->List(n);
  if (List == nullptr) return refuse();
  std::memcpy(Folder, map->Folder, sizeof(Folder));
  Folder[sizeof(Folder) - 1] = 0;
  AccessMode = LISTACCESS_READWRITE;
  ShareMode = 0;
  EditMode = 0;
  for (int k = 0; k < SHEET_FILES; ++k) Files[k] = files[k];
  HeadBuffer.SetFile(Files[SHEET_HDR]);
  if (!HeadBuffer.Allocate(0) || !AllocateBuffers()) {
    ReportError(MAPERR_MEMORY, map->Path, LISTSTAGE_MEMORY);
    const int code = Error;
    Close(0);
    Error = code;
    return 0;
  }
  LoadHead();
  ListNumber = n;
  AttachedFiles = true;
  return 1;
}
