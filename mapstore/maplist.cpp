#include "mapstore/maplist.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include "common/heldfiles.h"
#include "common/maperr.h"
#include "common/maperror.h"
#include "common/messages.h"
#include "mapstore/keptturn.h"
#include "platform/fileio.h"
#include "platform/path.h"
#include "platform/system.h"

namespace {

// Closes a file of a sheet: a write turn kept on it is given back first.
void CloseSheetHandle(HANDLE h) {
  keptturn::GiveBackTurn(h);
  plat::CloseHandle(h);
}

// Names of the four files in the sheet record.
char* RecordName(LISTDESC* list, int file) {
  switch (file) {
    case SHEET_HDR: return list->NameHDR;
    case SHEET_DAT: return list->NameDAT;
    case SHEET_SEM: return list->NameSEM;
    default: return list->NameGRA;
  }
}

constexpr int kNameField = sizeof(LISTDESC::NameHDR);

HANDLE Opened(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

// Empties caches, keeping their memory; with `letGo` they also forget
// their files (and the views of them).
template <typename... Caches>
void EmptyCaches(bool letGo, Caches&... caches) {
  (
      [&] {
        caches.Reset();
        if (letGo) caches.SetFile(nullptr);
      }(),
      ...);
}

// The descriptors that the tables of every list of the process hold, and
// the cache memory each list's sheets left for another one may keep.
int g_keptDescriptors = 0;
size_t g_keptCacheBytes = size_t(128) << 20;

// The descriptors the lists may keep under the process's limit, and those
// the host keeps free for itself. Up to a limit of 8,192 half is the host's;
// a host's own files do not grow with a raised limit, so past it the host
// keeps 4,096 or a quarter of the limit, whichever is more.
int BudgetOf(DWORD limit) {
  const DWORD host = limit <= 8192 ? limit - limit / 2 : std::max<DWORD>(4096, limit / 4);
  return static_cast<int>(std::min<DWORD>(limit - host, 0x3FFFFFFF));
}
int ReserveOf(DWORD limit) {
  return static_cast<int>(std::max<DWORD>(std::min<DWORD>(limit / 16, 0x3FFFFFFF), 16));
}

// Whether a table keeping `used` sheets has room for one more holding
// `held` descriptors.
bool RoomUnder(int used, int held, DWORD limit) {
  if (used < TMapList::FILESET_COUNT) return true;
  return used < TMapList::FILESET_MAX && g_keptDescriptors + held <= BudgetOf(limit);
}

// The process's limit of descriptors and those left to it, as a switch
// that kept a sheet last looked (plat::DescriptorsNow: three kernel
// calls), and what the lists held then. While at least twice the host's
// reserve is left, a switch counts them down by what the lists took since,
// and looks again at every ROOM_LOOK-th switch: the host's own files, and
// a limit it set anew, go unseen for that many switches at most. With less
// left, every switch looks.
constexpr int ROOM_LOOK = 16;
plat::DescriptorRoom g_roomSeen{};
DWORD g_limitSetWhenSeen = 0;  // plat::DescriptorLimitSet then
int64_t g_keptWhenSeen = 0;
int g_switchesUnseen = -1;  // -1: never looked

// The room for the sheets kept, with `taking` descriptors opened that the
// lists do not count yet.
plat::DescriptorRoom RoomNow(int taking) {
  const int64_t kept = int64_t(g_keptDescriptors) + taking;
  if (g_switchesUnseen >= 0 && g_switchesUnseen < ROOM_LOOK &&
      plat::DescriptorLimitSet() == g_limitSetWhenSeen) {
    const int64_t left = int64_t(g_roomSeen.left) - (kept - g_keptWhenSeen);
    if (left >= 2 * int64_t(ReserveOf(g_roomSeen.limit))) {
      ++g_switchesUnseen;
      return {g_roomSeen.limit, DWORD(std::min<int64_t>(left, 0x7FFFFFFF))};
    }
  }
  g_roomSeen = plat::DescriptorsNow();
  g_limitSetWhenSeen = plat::DescriptorLimitSet();
  g_keptWhenSeen = kept;
  g_switchesUnseen = 0;
  return g_roomSeen;
}

}  // namespace

TMapList::TMapList() {
  for (HANDLE& h : Files) h = nullptr;
  for (HANDLE& h : Backs) h = nullptr;
}

int TMapList::KeptDescriptors() { return g_keptDescriptors; }

int TMapList::DescriptorBudget() { return BudgetOf(plat::DescriptorLimit()); }

int TMapList::DescriptorReserve() { return ReserveOf(plat::DescriptorLimit()); }

size_t TMapList::KeptCacheBytes() { return g_keptCacheBytes; }

void TMapList::SetKeptCacheBytes(size_t bytes) { g_keptCacheBytes = bytes; }

size_t TMapList::FrameIndexBytes() { return TSheetFrameIndex::KeptBytes(); }

void TMapList::SetFrameIndexBytes(size_t bytes) { TSheetFrameIndex::SetKeptBytes(bytes); }

LONG TMapList::FrameIndexMinObjects() { return TSheetFrameIndex::MinObjects(); }

void TMapList::SetFrameIndexMinObjects(LONG count) { TSheetFrameIndex::SetMinObjects(count); }

TMapList::~TMapList() { Close(1); }

int TMapList::KeptSheets() const { return FileSetsUsed; }

size_t TMapList::ParkedCacheBytes() const { return ParkedBytes; }

bool TMapList::LinksRepaired() const { return RepairCount != 0 && RepairedCount == Head.Count; }

int TMapList::FilePath(int file, char* out, int size) const {
  if (out == nullptr || size <= 0) return 0;
  out[0] = 0;
  if (List == nullptr || file < 0 || file >= SHEET_FILES) return 0;
  return TMapPassport::JoinFolderName(Folder, RecordName(List, file), kNameField, out,
                                      static_cast<size_t>(size));
}

int TMapList::HeldElsewhere(char (&found)[MAX_PATH]) const {
  char paths[SHEET_FILES][MAX_PATH];
  const char* names[SHEET_FILES];
  for (int file = 0; file < SHEET_FILES; ++file) {
    FilePath(file, paths[file], MAX_PATH);
    names[file] = paths[file];
  }
  const int held = heldFind(names, SHEET_FILES, Owner);
  if (held < 0) return 0;
  std::memcpy(found, paths[held], MAX_PATH);
  return 1;
}

// ---------------------------------------------------------------------------
// Errors by stage

int TMapList::ReportError(int code, const char* name, int stage) {
  if (Owner == nullptr || List == nullptr) return 0;
  Error = code;
  const uint32_t bit = 1u << (stage & 31);
  if (List->StageMask & bit) return code;
  List->StageMask |= bit;
  if (Owner->Reporter != nullptr)
    Owner->Reporter->ErrorMessage(code, name);
  else
    ShowErrorMessage(code, name);
  return code;
}

int TMapList::IsErrorReported(int stage) const {
  if (List == nullptr) return 0;
  return (List->StageMask >> (stage & 31)) & 1u;
}

int TMapList::Fail(int mode) {
  const int code = Error;
  Close(mode);
  Error = code;
  return 0;
}

// ---------------------------------------------------------------------------
// Opening

bool TMapList::OutOfDescriptors() {
  return plat::GetLastError() == ERROR_TOO_MANY_OPEN_FILES;
}

HANDLE TMapList::OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition,
                          DWORD flags) {
  for (;;) {
    HANDLE h = Opened(plat::CreateFileA(path, access, share, nullptr, disposition, flags, nullptr));
    if (h != nullptr || !OutOfDescriptors()) return h;
    const int oldest = OldestEntry();
    if (oldest < 0) {
      plat::SetLastError(ERROR_TOO_MANY_OPEN_FILES);
      return nullptr;
    }
    CloseFileSet(oldest, 1);
  }
}

HANDLE TMapList::OpenSheetFile(const char* path) {
  if (EditMode) {
    const DWORD flags =
        (ShareMode & FILE_SHARE_WRITE) ? FILE_FLAG_WRITE_THROUGH : FILE_ATTRIBUTE_NORMAL;
    return OpenPath(path, AccessMode, ShareMode, OPEN_EXISTING, flags);
  }
  HANDLE h = OpenPath(path, AccessMode, ShareMode, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (h == nullptr && !OutOfDescriptors())
    h = OpenPath(path, AccessMode, LISTSHARE_DEFAULT, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  return h;
}

HANDLE TMapList::UnlessBeingCreated(HANDLE file) {
  return UnlessEmpty(file, file == nullptr || plat::FileLength(file) != 0 ? 1 : 0);
}

int TMapList::IdentBytes(HANDLE file, DWORD* ident) {
  *ident = 0;
  DWORD got = 0;
  if (!plat::ReadAt(file, 0, ident, sizeof(*ident), &got)) return -1;
  return static_cast<int>(got);
}

HANDLE TMapList::UnlessEmpty(HANDLE file, int got) {
  if (file == nullptr || got != 0) return file;
  plat::CloseHandle(file);
  return nullptr;
}

int TMapList::ReadIdent(HANDLE file, DWORD* ident) {
  const int got = IdentBytes(file, ident);
  return got < 0 ? -1 : got == int(sizeof(*ident));
}

void TMapList::LoadHead() {
  // The count the sheet's record keeps from the sheet's last opening is only
  // a guess at the file's length: the count's check and the chain's ends
  // then need no read of their own, and a read of a descriptor none either.
  // A guess that is wrong costs a read, as before.
  constexpr LONG kOpeningRecords = 256;  // 12 KB
  const LONG counted = List != nullptr ? List->ObjectCount : 0;
  const LONG least = counted > 0 && counted < kOpeningRecords ? counted + 1 : 0;
  const char* head = HeadBuffer.RecordAddr(0, least);
  if (head != nullptr)
    std::memcpy(&Head, head, sizeof(Head));
  else
    std::memset(&Head, 0, sizeof(Head));
}

int TMapList::CheckHeadCount(const char* name) {
  // Every loop over the objects and every append is bounded by the count:
  // it must be one the file holds. The cache, which holds only what the
  // opening read with the header, may hold the last descriptor counted:
  // then the file holds it, and its length need not be asked.
  if (Head.Count >= 0 && HeadBuffer.HeldRecord(Head.Count) != nullptr &&
      CheckHdrCount(&Head, (int64_t(Head.Count) + 1) * SHEET_RECORD_SIZE))
    return 1;
  if (CheckHdrCount(&Head, plat::FileLength(Files[SHEET_HDR]))) return 1;
  ReportError(MAPERR_DATA, name, LISTSTAGE_HDRCOUNT);
  return 0;
}

bool TMapList::ReadsByPieces() const {
  // The caches of a sheet on a map of several sheets, as the opening sizes
  // them.
  constexpr size_t kSheetCaches = 0x48000 + TDataBuffer::WINDOW_SIZE + 0x20000 +
                                  TBlockBuffer::WINDOW_SIZE;
  return Owner != nullptr && Owner->Count() > 1 &&
         size_t(Owner->Count()) * kSheetCaches > KeptCacheBytes();
}

int TMapList::AllocateBuffers() {
  const bool oneSheet = Owner != nullptr && Owner->Count() == 1;
  const bool pieces = ReadsByPieces();
  HeadBuffer.ReadByPieces(pieces);
  DataBuffer.ReadByPieces(pieces);
  SemnBuffer.ReadByPieces(pieces);
  DrawBuffer.ReadByPieces(pieces);
  bool ok = true;
  if (Files[SHEET_DAT] != nullptr) {
    DataBuffer.SetFile(Files[SHEET_DAT]);
    ok = DataBuffer.Allocate(oneSheet ? plat::FileLength(Files[SHEET_DAT]) : int64_t(TDataBuffer::WINDOW_SIZE));
  }
  if (ok && Files[SHEET_SEM] != nullptr) {
    SemnBuffer.SetFile(Files[SHEET_SEM]);
    ok = SemnBuffer.Allocate(oneSheet ? plat::FileLength(Files[SHEET_SEM]) : 0x20000);
  }
  if (ok && Files[SHEET_GRA] != nullptr) {
    DrawBuffer.SetFile(Files[SHEET_GRA]);
    ok = DrawBuffer.Allocate(TBlockBuffer::WINDOW_SIZE);
  }
  if (ok) return 1;
  HeadBuffer.Free();
  DataBuffer.Free();
  SemnBuffer.Free();
  DrawBuffer.Free();
  return 0;
}

int TMapList::Open(TMapBase* map, int sheet) {
  if (map == nullptr) return 0;
  PrefetchKeptState(sheet);
  Close(0);
  PrefetchKeptViews(sheet);
  Owner = map;
  if (map->Lists == nullptr || sheet < 1 || sheet > map->Count()) return 0;

  List = map->List(sheet);
  if (List == nullptr) return 0;
  if (List->Marker != LISTDESC_MARKER) {
    ReportError(MAPERR_DATA, map->Path, LISTSTAGE_RECORD);
    return Fail(0);
  }
  // The record's names must stay in the map's folder and apart from the
  // map's other files before any of them is opened, created or deleted.
  // A sheet kept open was compared with the other sheets when it opened.
  const bool kept = IsFileSetKept(List->Number >= 1 ? List->Number : sheet);
  if (!map->SheetNamesUsable(List) || (!kept && map->SheetNamesShared(List, sheet))) {
    ReportError(MAPERR_DATA, map->Path, LISTSTAGE_NAMES);
    return Fail(0);
  }

  std::memcpy(Folder, map->Folder, sizeof(Folder));
  Folder[sizeof(Folder) - 1] = 0;
  ListNumber = List->Number >= 1 ? List->Number : sheet;
  AccessMode = map->AccessMode;
  ShareMode = map->ShareMode;
  EditMode = map->EditModeCopy ? map->EditMode : 0;

  StartInStep();
  if (RestoreFileSet(ListNumber)) {
    // Left as it is now: the header and the chain were checked already.
    if (ResumeAsLeft()) return 1;
    HeadBuffer.SetFile(Files[SHEET_HDR]);
    if (!HeadBuffer.Allocate(0)) return Fail(1);
    LoadHead();
    // The header is read again: it must still fit the file.
    if (!CheckHeadCount(List->NameHDR)) return Fail(-1);
    if (!AllocateBuffers()) {
      ReportError(MAPERR_MEMORY, List->NameHDR, LISTSTAGE_MEMORY);
      return Fail(-1);
    }
    return RepairChainLinks();
  }
  if (!OpenFiles()) return 0;
  if (!AllocateBuffers()) {
    ReportError(MAPERR_MEMORY, List->NameHDR, LISTSTAGE_MEMORY);
    return Fail(-1);
  }
  KeepFileSet();
  return RepairChainLinks();
}

int TMapList::OpenFiles() {
  char path[MAX_PATH];

  // A file that cannot be opened for want of descriptors is no missing
  // file: the sheet does not open (and is tried again at its next use).
  auto outOfDescriptors = [&](const char* name) {
    ReportError(MAPERR_MANYFILES, name, LISTSTAGE_MANYFILES);
    return Fail(-1);
  };

  // Descriptors: on failure read only, which then holds for the sheet.
  FilePath(SHEET_HDR, path, sizeof(path));
  HANDLE hdr = path[0] ? OpenSheetFile(path) : nullptr;
  if (hdr == nullptr && path[0] && !OutOfDescriptors()) {
    AccessMode = LISTACCESS_READ;
    hdr = OpenPath(path, AccessMode, ShareMode, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (hdr == nullptr && !OutOfDescriptors())
      hdr = OpenPath(path, AccessMode, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  }
  if (hdr == nullptr && path[0] && OutOfDescriptors()) return outOfDescriptors(path);
  if (hdr == nullptr) {
    ReportError(MAPERR_OPEN, path, LISTSTAGE_HDROPEN);
    return Fail(-1);
  }
  Files[SHEET_HDR] = hdr;
  HeadBuffer.SetFile(hdr);
  const bool oneSheet = Owner->Count() == 1;
  HeadBuffer.ReadByPieces(ReadsByPieces());
  if (!HeadBuffer.Allocate(oneSheet ? plat::FileLength(hdr) : 0)) return Fail(1);
  LoadHead();
  if (!CheckHdrHead(&Head)) {
    ReportError(MAPERR_DATA, path, LISTSTAGE_HDRIDENT);
    return Fail(-1);
  }
  if (!CheckHeadCount(path)) return Fail(-1);

  // Metric: may be missing; a bad signature is reported and tolerated. It
  // is held read only only when it is there but cannot be written: a file
  // that another writer created between the two tries would be held read
  // only for good, and every record of this sheet refused. Missing, it is
  // opened (or created) when the first record is written.
  DWORD ident = 0;
  FilePath(SHEET_DAT, path, sizeof(path));
  HANDLE dat = path[0] ? OpenSheetFile(path) : nullptr;
  if (dat == nullptr && path[0] && plat::GetLastError() != ERROR_FILE_NOT_FOUND &&
      !OutOfDescriptors())
    dat = OpenPath(path, LISTACCESS_READ, ShareMode, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (dat == nullptr && path[0] && OutOfDescriptors()) return outOfDescriptors(path);
  int got = dat != nullptr ? IdentBytes(dat, &ident) : -1;
  dat = UnlessEmpty(dat, got);
  if (dat == nullptr) {
    if (List->Flags & LISTFILE_DAT) ReportError(MAPERR_OPEN, path, LISTSTAGE_DATOPEN);
  } else {
    Files[SHEET_DAT] = dat;
    const int read = got < 0 ? -1 : got == int(sizeof(ident));
    if (read < 0) {
      ReportError(MAPERR_READ, path, LISTSTAGE_DATREAD);
      return Fail(-1);
    }
    if (read == 0) {
      ReportError(MAPERR_DATA, path, LISTSTAGE_DATIDENT);
      return Fail(-1);
    }
    if (ident != DAT_IDENT) ReportError(MAPERR_DATA, path, LISTSTAGE_DATIDENT);
  }

  // Semantics: neither a missing file nor a bad one stops the opening.
  FilePath(SHEET_SEM, path, sizeof(path));
  HANDLE sem = path[0] ? OpenSheetFile(path) : nullptr;
  if (sem == nullptr && path[0] && OutOfDescriptors()) return outOfDescriptors(path);
  got = sem != nullptr ? IdentBytes(sem, &ident) : -1;
  sem = UnlessEmpty(sem, got);
  if (sem == nullptr) {
    if (List->Flags & LISTFILE_SEM) ReportError(MAPERR_OPEN, path, LISTSTAGE_SEMOPEN);
  } else {
    Files[SHEET_SEM] = sem;
    const int read = got < 0 ? -1 : got == int(sizeof(ident));
    if (read < 0)
      ReportError(MAPERR_READ, path, LISTSTAGE_SEMREAD);
    else if (read == 0 || ident != SEM_IDENT)
      ReportError(MAPERR_DATA, path, LISTSTAGE_SEMIDENT);
  }

  // Graphics: opened only when it exists; a file of at most 4 bytes without
  // its signature is a leftover and is deleted.
  FilePath(SHEET_GRA, path, sizeof(path));
  HANDLE gra = nullptr;
  if (path[0] && plat::PathFileExistsA(path)) {
    gra = OpenSheetFile(path);
    if (gra == nullptr && OutOfDescriptors()) return outOfDescriptors(path);
    if (gra == nullptr && (List->Flags & LISTFILE_GRA))
      ReportError(MAPERR_OPEN, path, LISTSTAGE_GRAOPEN);
  } else if (path[0] && (List->Flags & LISTFILE_GRA)) {
    ReportError(MAPERR_OPEN, path, LISTSTAGE_GRAOPEN);
  }
  if (gra != nullptr) {
    Files[SHEET_GRA] = gra;
    const int read = ReadIdent(gra, &ident);
    if (read < 0) {
      ReportError(MAPERR_READ, path, LISTSTAGE_GRAREAD);
    } else if (read == 0 || ident != DRW_IDENT) {
      if (plat::FileLength(gra) <= DRW_HEAD_SIZE) {
        plat::CloseHandle(gra);
        Files[SHEET_GRA] = nullptr;
        if (plat::DeleteFileA(path)) List->Flags &= ~LISTFILE_GRA;
      } else {
        ReportError(MAPERR_DATA, path, LISTSTAGE_GRAIDENT);
      }
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Creating

int TMapList::CreateList(TMapBase* map, int sheet, LISTREGISTER* reg) {
  EditMode = 0;
  Close(0);
  if (map == nullptr || reg == nullptr) return 0;
  Owner = map;
  if (map->Lists == nullptr || sheet < 1 || sheet > map->Count()) return 0;

  List = map->List(sheet);
  if (List == nullptr) return 0;
  List->StageMask = 0;
  std::memcpy(Folder, map->Folder, sizeof(Folder));
  Folder[sizeof(Folder) - 1] = 0;
  // The new names may not reach out of the folder nor take another
  // sheet's files: the record is left as it was.
  LISTDESC before;
  std::memcpy(&before, List, sizeof(before));
  if (!ListRegister(sheet, reg)) return 0;
  if (!map->SheetNamesUsable(List) || map->SheetNamesShared(List, sheet)) {
    std::memcpy(List, &before, sizeof(before));
    ReportError(MAPERR_DATA, map->Path, LISTSTAGE_NAMES);
    return Fail(0);
  }
  // Nor may they be files that another open document holds.
  char held[MAX_PATH];
  if (HeldElsewhere(held)) {
    std::memcpy(List, &before, sizeof(before));
    ReportError(MAPERR_OPEN, held, LISTSTAGE_HDROPEN);
    return Fail(0);
  }

  ShareMode = 0;
  AccessMode = LISTACCESS_READWRITE;
  char path[MAX_PATH];
  FilePath(SHEET_HDR, path, sizeof(path));
  HANDLE hdr = path[0] ? OpenPath(path, AccessMode, FILE_SHARE_READ, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL)
                       : nullptr;
  if (hdr == nullptr) {
    if (path[0] && OutOfDescriptors())
      ReportError(MAPERR_MANYFILES, path, LISTSTAGE_MANYFILES);
    else
      ReportError(MAPERR_OPEN, path, LISTSTAGE_HDROPEN);
    return Fail(-1);
  }
  Files[SHEET_HDR] = hdr;

  for (int file = SHEET_DAT; file <= SHEET_GRA; ++file) {
    char old[MAX_PATH];
    if (FilePath(file, old, sizeof(old))) plat::DeleteFileA(old);
  }

  HeadBuffer.SetFile(hdr);
  if (!HeadBuffer.Allocate(0)) return Fail(-1);
  InitHdrHead(&Head);
  List->Flag = LISTFLAG_SORTED;
  int code = plat::SetFileLength(hdr, 0) ? WriteSheetBytes(hdr, 0, &Head, sizeof(Head))
                                          : MAPERR_WRITE;
  if (code != 0) {
    ReportError(MAPERR_WRITE, List->NameHDR, LISTSTAGE_HDRWRITE);
    return Fail(-1);
  }

  List->Flags |= LISTFILE_HDR;
  if (!AllocateBuffers()) {
    ReportError(MAPERR_MEMORY, map->Path, LISTSTAGE_MEMORY);
    return Fail(-1);
  }
  ListNumber = sheet;
  List->Number = sheet;
  map->SheetMadeEmpty(sheet);
  KeepFileSet();
  return 1;
}

int TMapList::CreateSheetFile(int file) {
  if (List == nullptr) return 0;
  if (Files[file] != nullptr) return 1;
  static const int kOpenStage[SHEET_FILES] = {0, LISTSTAGE_DATOPEN, LISTSTAGE_SEMOPEN,
                                              LISTSTAGE_GRAOPEN};
  static const int kWriteStage[SHEET_FILES] = {0, LISTSTAGE_DATWRITE, LISTSTAGE_SEMWRITE,
                                               LISTSTAGE_GRAWRITE};
  static const BYTE kCreated[SHEET_FILES] = {LISTFILE_HDR, LISTFILE_DAT, LISTFILE_SEM,
                                             LISTFILE_GRA};

  char path[MAX_PATH];
  FilePath(file, path, sizeof(path));
  const bool writeThrough = Owner == nullptr || Owner->EditMode != 0;
  HANDLE h = path[0] ? OpenPath(path, GENERIC_READ | GENERIC_WRITE, LISTSHARE_DEFAULT,
                                CREATE_ALWAYS,
                                writeThrough ? FILE_FLAG_WRITE_THROUGH : FILE_ATTRIBUTE_NORMAL)
                     : nullptr;
  if (h == nullptr) {
    if (path[0] && OutOfDescriptors())
      ReportError(MAPERR_MANYFILES, path, LISTSTAGE_MANYFILES);
    else
      ReportError(MAPERR_OPEN, path, kOpenStage[file]);
    return 0;
  }

  // The signature; the metric file's head is two words.
  const DWORD head[2] = {SheetFileIdent(file), 0};
  const DWORD size = file == SHEET_DAT ? DAT_HEAD_SIZE : SEM_HEAD_SIZE;
  int code = plat::SetFileLength(h, 0) ? WriteSheetBytes(h, 0, head, size) : MAPERR_WRITE;
  if (code != 0) {
    plat::CloseHandle(h);
    if (file == SHEET_DAT)
      ReportError(code, RecordName(List, file), kWriteStage[file]);
    else
      ReportError(MAPERR_WRITE, path, kWriteStage[file]);
    return 0;
  }

  List->Flags |= kCreated[file];
  if (!AttachSheetFile(file, h)) return 0;
  KeepFileSet();
  return 1;
}

int TMapList::AttachSheetFile(int file, HANDLE h) {
  bool ok;
  switch (file) {
    case SHEET_DAT:
      DataBuffer.SetFile(h);
      ok = DataBuffer.Allocate(0);
      break;
    case SHEET_SEM:
      SemnBuffer.SetFile(h);
      ok = SemnBuffer.Allocate(TBlockBuffer::WINDOW_SIZE);
      break;
    default:
      DrawBuffer.SetFile(h);
      ok = DrawBuffer.Allocate(TBlockBuffer::WINDOW_SIZE);
      break;
  }
  if (!ok) {
    plat::CloseHandle(h);
    ForgetHandle(h);
    Error = MAPERR_MEMORY;
    return 0;
  }
  Files[file] = h;
  return 1;
}

int TMapList::CreateDataFile() { return CreateSheetFile(SHEET_DAT); }
int TMapList::CreateSemnFile() { return CreateSheetFile(SHEET_SEM); }
int TMapList::CreateDrawFile() { return CreateSheetFile(SHEET_GRA); }

int TMapList::ListRegister(int n, LISTREGISTER* reg) {
  if (reg == nullptr || Owner == nullptr || List == nullptr) return 0;
  RecordChanged = 1;

  // The register is read before the record is cleared: it may be the
  // record's own copy.
  LISTREGISTER copy;
  std::memcpy(&copy, reg, sizeof(copy));
  std::memset(List, 0, sizeof(*List));
  List->Marker = LISTDESC_MARKER;
  std::snprintf(List->CreationDate, sizeof(List->CreationDate), "%08d",
                static_cast<int>(RegisterToday()));
  List->Number = n;
  List->Register = copy;
  List->Register.Length = LISTREGISTER_LENGTH;

  const MAPREGISTEREX& map = Owner->Passport.Register;
  const int userMap = map.IsRealPlace != 0;
  LISTREGISTER& r = List->Register;
  if (userMap) {
    r.XSouthWest = r.YSouthWest = r.XNorthWest = r.YNorthWest = 0;
    r.XNorthEast = r.YNorthEast = r.XSouthEast = r.YSouthEast = 0;
  } else {
    // The map's device origin lies below every sheet's south-west corner.
    const int32_t d = map.Scale / 50;
    const double x = r.XSouthWest - d;
    const double y = r.YSouthWest - d;
    MAPPASSPORT& p = Owner->Passport;
    if (n == 1) {
      p.OriginX = x;
      p.OriginY = y;
    } else {
      if (p.OriginX > x) p.OriginX = x;
      if (p.OriginY > y) p.OriginY = y;
    }
  }

  char name[sizeof(r.FileName)];
  SheetBareName(r.FileName, sizeof(r.FileName) - 1, name, sizeof(name));
  std::memset(r.FileName, 0, sizeof(r.FileName));
  std::memcpy(r.FileName, name, strnlen(name, sizeof(r.FileName) - 1));
  static_assert(SHEET_BASE_LENGTH + 5 == kNameField);
  for (int file = 0; file < SHEET_FILES; ++file) {
    char* field = RecordName(List, file);
    std::memset(field, 0, kNameField);
    SheetFileNameOf("", name, file, userMap, field, kNameField);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Closing and the table of recently used sheets

bool TMapList::IsHandleKept(HANDLE handle) const {
  for (const SHEETFILESET& e : FileTable) {
    if (e.Sheet == 0 && e.Stamp == 0) continue;
    for (int k = 0; k < SHEET_FILES; ++k)
      if (e.Files[k] == handle || e.Backs[k] == handle) return true;
  }
  return false;
}

void TMapList::ForgetHandle(HANDLE handle) {
  if (handle == nullptr) return;
  for (int k = 0; k < SHEET_FILES; ++k) {
    if (Files[k] == handle) Files[k] = nullptr;
    if (Backs[k] == handle) Backs[k] = nullptr;
  }
  if (HeadBuffer.File() == handle) HeadBuffer.SetFile(nullptr);
  if (DataBuffer.File() == handle) DataBuffer.SetFile(nullptr);
  if (SemnBuffer.File() == handle) SemnBuffer.SetFile(nullptr);
  if (DrawBuffer.File() == handle) DrawBuffer.SetFile(nullptr);
}

void TMapList::CloseOwnFiles() {
  // Mostly the open sheet's entry holds them all, in their places.
  const int entry = EntryOfSheet(ListNumber);
  const SHEETFILESET* own = entry >= 0 ? &FileTable[size_t(entry)] : nullptr;
  for (int k = 0; k < SHEET_FILES; ++k) {
    if (own != nullptr && own->Files[k] == Files[k] && own->Backs[k] == Backs[k]) {
      Files[k] = Backs[k] = nullptr;
      continue;
    }
    for (HANDLE* h : {&Files[k], &Backs[k]}) {
      if (*h != nullptr && !IsHandleKept(*h)) CloseSheetHandle(*h);
      *h = nullptr;
    }
  }
}

int TMapList::Close(int mode) {
  // A sheet only left for another one keeps its caches and views in the
  // table. Otherwise the files' lengths are their records' ends again
  // before any is closed or left to another user.
  const bool parked = mode == 0 && ParkState();
  // A sheet left for another one keeps its turn with its open files (a
  // loader going from sheet to sheet comes back to it); one closed gives
  // it back first.
  if (!parked) {
    keptturn::GiveBackTurn(Files[SHEET_HDR]);
    EndWriteViews();
  }
  LeftKnown = false;
  InStep = false;
  AttachedFiles = false;
  // The ends known of a sheet kept open go with its files.
  if (ListNumber > 0) KeepClaims();
  if (mode < 0 && ListNumber > 0) CloseSheetFiles(ListNumber, 1);
  if (mode > 0) CloseSheetFiles(-1, 1);
  // Handles of a sheet that the table does not hold belong to it alone.
  CloseOwnFiles();

  List = nullptr;
  ListNumber = 0;
  CurrentObject = 0;
  CurrentDesc = nullptr;
  Owner = nullptr;
  Error = 0;
  RepairCount = 0;
  RepairedCount = 0;
  ChainSteps = 0;
  Claims = SHEETCLAIMS{};
  LockHeld = false;
  FrameIndex.Forget();
  if (mode > 0) {
    HeadBuffer.Free();
    DataBuffer.Free();
    SemnBuffer.Free();
    DrawBuffer.Free();
    delete Spare;
    Spare = nullptr;
  } else if (!parked) {
    // (Parked, the list holds the spare's caches: bound to no file, empty.)
    EmptyCaches(true, HeadBuffer, DataBuffer, SemnBuffer, DrawBuffer);
  }
  return 0;
}

int TMapList::EntryOfSheet(int n) const {
  return n >= 1 && size_t(n) < EntryOf.size() ? EntryOf[size_t(n)] - 1 : -1;
}

void TMapList::SetEntrySheet(int entry, int n) {
  SHEETFILESET& e = FileTable[size_t(entry)];
  if (e.Sheet != 0) {
    if (EntryOfSheet(e.Sheet) == entry) EntryOf[size_t(e.Sheet)] = 0;
    --FileSetsUsed;
  }
  e.Sheet = n;
  if (n != 0) {
    EntryOf[size_t(n)] = entry + 1;
    ++FileSetsUsed;
  }
}

void TMapList::CountHeld(int entry) {
  SHEETFILESET& e = FileTable[size_t(entry)];
  int held = 0;
  for (int k = 0; k < SHEET_FILES; ++k) held += (e.Files[k] != nullptr) + (e.Backs[k] != nullptr);
  g_keptDescriptors += held - e.Held;
  e.Held = held;
}

int TMapList::FreeEntry(int n) {
  if (n < 1 || n > SHEET_INDEX_LIMIT) return -1;
  try {
    if (EntryOf.size() <= size_t(n)) EntryOf.resize(size_t(n) + 1, 0);
    if (FileSetsUsed < FileSetCount()) {
      for (size_t i = 0; i < FileTable.size(); ++i)
        if (FileTable[i].Sheet == 0) return static_cast<int>(i);
    }
    // The table grows by half again as much at a time: a table that grows
    // one entry at a time would move every entry at every sheet kept.
    const size_t room = FileTable.size() + std::max<size_t>(FileTable.size() / 2, 16);
    auto grow = [room](auto& table) {
      if (table.size() == table.capacity()) table.reserve(room);
    };
    grow(FileTable);
    grow(States);
    grow(KeptClaims);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  FileTable.push_back(SHEETFILESET{});
  States.push_back(nullptr);
  KeptClaims.emplace_back();
  return FileSetCount() - 1;
}

int TMapList::OldestEntry() const {
  int oldest = -1;
  for (size_t i = 0; i < FileTable.size(); ++i) {
    const SHEETFILESET& e = FileTable[i];
    if (e.Sheet == 0 || (ListNumber >= 1 && e.Sheet == ListNumber)) continue;
    if (oldest < 0 || e.Stamp < FileTable[size_t(oldest)].Stamp) oldest = static_cast<int>(i);
  }
  return oldest;
}

bool TMapList::RoomFor(int held) const {
  return RoomUnder(FileSetsUsed, held, plat::DescriptorLimit());
}

void TMapList::KeepFileSet() {
  if (ListNumber < 1) return;
  // A former entry of this sheet gives way; handles of it that the sheet no
  // longer uses are closed.
  const int former = EntryOfSheet(ListNumber);
  if (former >= 0) {
    SHEETFILESET& e = FileTable[size_t(former)];
    DropState(former);
    for (int k = 0; k < SHEET_FILES; ++k) {
      for (HANDLE h : {e.Files[k], e.Backs[k]}) {
        bool used = false;
        for (int j = 0; j < SHEET_FILES; ++j) used = used || h == Files[j] || h == Backs[j];
        if (h != nullptr && !used) {
          EndWriteViews(h);
          CloseSheetHandle(h);
        }
      }
    }
    std::fill(std::begin(e.Files), std::end(e.Files), nullptr);
    std::fill(std::begin(e.Backs), std::end(e.Backs), nullptr);
    CountHeld(former);
    SetEntrySheet(former, 0);
    e.Stamp = 0;
    KeptClaims[size_t(former)] = SHEETCLAIMS{};
  }

  // The sheets used longest ago give way while the table has no room, and
  // until the host has its reserve of descriptors again (as far as the
  // others kept can give it).
  int held = 0;
  for (int k = 0; k < SHEET_FILES; ++k) held += (Files[k] != nullptr) + (Backs[k] != nullptr);
  // The limit and the descriptors left are looked at once: the sheets
  // closed below give back what they held.
  const plat::DescriptorRoom room = RoomNow(held);
  int64_t wanted = int64_t(ReserveOf(room.limit)) - int64_t(room.left);
  auto roomy = [&] { return RoomUnder(FileSetsUsed, held, room.limit) && wanted <= 0; };
  for (int oldest; !roomy() && (oldest = OldestEntry()) >= 0;) {
    wanted -= FileTable[size_t(oldest)].Held;
    CloseFileSet(oldest, 1);
  }
  int entry = FreeEntry(ListNumber);
  if (entry < 0 && FileSetsUsed > 0 && size_t(ListNumber) < EntryOf.size()) {
    // No memory for one more entry: the oldest one gives way.
    entry = OldestEntry();
    CloseFileSet(entry, 1);
    // The last entry goes from the table as it closes; its place is taken
    // again within the memory the table has.
    if (entry >= FileSetCount()) entry = FreeEntry(ListNumber);
  }
  // Not kept: the sheet's files are its own, closed when it closes.
  if (entry < 0) return;

  SHEETFILESET& e = FileTable[size_t(entry)];
  SetEntrySheet(entry, ListNumber);
  e.Stamp = ++UseStamp;
  e.Mode = Owner != nullptr ? Owner->EditModeCopy : 0;
  e.Access = AccessMode;
  for (int k = 0; k < SHEET_FILES; ++k) {
    e.Files[k] = Files[k];
    e.Backs[k] = Backs[k];
  }
  CountHeld(entry);
  KeptClaims[size_t(entry)] = Claims;
}

int TMapList::RestoreFileSet(int n) {
  if (n < 1) return 0;
  if (UseStamp > 0xFFFFFFF0u) {
    UseStamp = 1;
    for (SHEETFILESET& e : FileTable)
      if (e.Stamp != 0) e.Stamp = 1;
  }
  const int i = EntryOfSheet(n);
  if (i < 0) return 0;
  SHEETFILESET& e = FileTable[size_t(i)];
  const int mode = Owner != nullptr ? Owner->EditModeCopy : 0;
  // A file the sheet has (its bit in the record) that was not opened with
  // the others is tried again: the sheet is opened afresh.
  bool lacking = false;
  for (int k = SHEET_DAT; k < SHEET_FILES && List != nullptr; ++k)
    lacking = lacking || (e.Files[k] == nullptr && (List->Flags & (LISTFILE_HDR << k)) != 0);
  if (e.Mode != mode || lacking) {
    CloseFileSet(i, 1);
    return 0;
  }
  for (int k = 0; k < SHEET_FILES; ++k) {
    Files[k] = e.Files[k];
    Backs[k] = e.Backs[k];
  }
  // A descriptor file that could only be opened for reading is still so.
  if (!(e.Access & 0x40000000u)) AccessMode = LISTACCESS_READ;
  CopyClaims(Claims, KeptClaims[size_t(i)]);
  e.Stamp = ++UseStamp;
  TakeBackState(i);
  return 1;
}

int TMapList::IsFileSetKept(int n) const { return EntryOfSheet(n) >= 0; }

void TMapList::CloseSheetFiles(int n, int close) {
  if (n >= 0) {
    CloseFileSet(EntryOfSheet(n), close);
    return;
  }
  for (int i = 0; i < FileSetCount(); ++i)
    if (FileTable[size_t(i)].Sheet != 0) CloseFileSet(i, 1);
}

// A writable sheet never closes empty: before the open sheet's metric file
// closes, an empty sheet gets one deleted polygon without records.
bool TMapList::ClosesEmpty(const SHEETFILESET& e) const {
  return e.Sheet != 0 && e.Sheet == ListNumber && IsWritable() && e.Files[SHEET_DAT] != nullptr &&
         e.Files[SHEET_DAT] == Files[SHEET_DAT] && Files[SHEET_HDR] != nullptr && Head.Count == 0;
}

int TMapList::PlaceholderDue() const {
  for (const SHEETFILESET& e : FileTable)
    if (ClosesEmpty(e)) return 1;
  return 0;
}

FVSPR TMapList::PlaceholderDesc() {
  FVSPR placeholder = {};
  placeholder.Local = LOCAL_POLYGON;
  placeholder.Flags = FVSPR_DELETED;
  return placeholder;
}

void TMapList::CloseFileSet(int entry, int close) {
  if (entry < 0 || entry >= FileSetCount()) return;
  if (close && ClosesEmpty(FileTable[size_t(entry)])) {
    FVSPR placeholder = PlaceholderDesc();
    AppendObjectData(&placeholder, nullptr, nullptr, nullptr);
  }
  SHEETFILESET& e = FileTable[size_t(entry)];
  // The open sheet's views end together, while its descriptor file (and
  // with it the sheet lock) is still open.
  if (close && e.Sheet == ListNumber && e.Files[SHEET_HDR] == Files[SHEET_HDR]) EndWriteViews();
  // A sheet left for another one ends its views while its files are open.
  DropState(entry);
  // Its descriptors, mostly adjacent numbers, go in one call.
  plat::CloseTogether together;
  for (int k = 0; k < SHEET_FILES; ++k) {
    for (HANDLE* h : {&e.Files[k], &e.Backs[k]}) {
      if (*h == nullptr) continue;
      if (close) {
        EndWriteViews(*h);
        CloseSheetHandle(*h);
        ForgetHandle(*h);
      }
      *h = nullptr;
    }
  }
  CountHeld(entry);
  SetEntrySheet(entry, 0);
  e.Stamp = 0;
  e.Mode = 0;
  e.Access = 0;
  KeptClaims[size_t(entry)] = SHEETCLAIMS{};
  // Free entries at the table's end go (their memory stays reserved): a
  // table that kept thousands of sheets under a high descriptor limit and
  // keeps a few hundred now is searched only as far as its last one at
  // every sheet kept. New entries take the first free one, so the entries
  // in use gather at the table's start. The three tables grow and shrink
  // together.
  while (!FileTable.empty() && FileTable.back().Sheet == 0 && FileTable.back().Stamp == 0 &&
         States.back() == nullptr) {
    FileTable.pop_back();
    States.pop_back();
    KeptClaims.pop_back();
  }
}

// ---------------------------------------------------------------------------
// The state of the sheets left for another one

void TMapList::ExchangeState(SHEETSTATE& state) {
  HeadBuffer.Swap(state.HeadBuffer);
  DataBuffer.Swap(state.DataBuffer);
  SemnBuffer.Swap(state.SemnBuffer);
  DrawBuffer.Swap(state.DrawBuffer);
  for (int file = 0; file < VIEWED_FILES; ++file) WriteViews[file].Swap(state.WriteViews[file]);
  FrameIndex.Swap(state.FrameIndex);
}

bool TMapList::ParkState() {
  // Only between writes: a write holds the lock or the turn of this sheet.
  if (ListNumber < 1 || List == nullptr || Files[SHEET_HDR] == nullptr || LockHeld ||
      TurnDepth > 0)
    return false;
  const int entry = EntryOfSheet(ListNumber);
  if (entry < 0 || FileTable[size_t(entry)].Files[SHEET_HDR] != Files[SHEET_HDR]) return false;
  DropState(entry);
  SHEETSTATE* state = Spare != nullptr ? Spare : new (std::nothrow) SHEETSTATE;
  if (state == nullptr) return false;
  Spare = nullptr;
  // The list takes the spare's caches (bound to no file, holding memory
  // only when the list had some that no sheet kept) and no view.
  ExchangeState(*state);
  // A metric cache grown for a long record gives that memory back: every
  // sheet kept holds at most PARKED_DATA_WINDOWS of them.
  if (state->DataBuffer.WindowCount() > PARKED_DATA_WINDOWS) state->DataBuffer.Free();
  // So do the hints of a large sheet read all over (12 bytes a descriptor):
  // a sheet kept holds at most PARKED_HINT_BYTES of them.
  if (state->HeadBuffer.HintBytes() > PARKED_HINT_BYTES) state->HeadBuffer.FreeHints();
  // What the caches keep follows what they hold: a sheet read in a few
  // places keeps those bytes, and the blocks serve the next sheet.
  state->HeadBuffer.Park(HeadBuffer);
  state->DataBuffer.Park(DataBuffer);
  state->SemnBuffer.Park(SemnBuffer);
  state->DrawBuffer.Park(DrawBuffer);
  SHEETLEFT& left = state->Left;
  left.Head = Head;
  left.AccessMode = AccessMode;
  // Only the repairs in use: a sheet mostly has none.
  left.RepairCount = std::clamp(RepairCount, 0, int(LINKREPAIR_COUNT));
  std::copy_n(Repairs, left.RepairCount, left.Repairs);
  left.RepairedCount = RepairedCount;
  left.LinkedFile = LinkedFile;
  left.LinkedCount = LinkedCount;
  left.InStep = InStep;
  left.Span = InStepSpan;
  state->CacheBytes = CacheBytesOf(*state);
  state->IndexBytes = state->FrameIndex.Bytes();
  ParkedBytes += state->CacheBytes;
  ParkedIndexBytes += state->IndexBytes;
  States[size_t(entry)] = state;
  // The index of the frames stays while the indexes kept together are
  // within their bound: clicks on the sheets painted among others then
  // need not make them again. So do the caches within theirs.
  BoundKeptIndexes();
  BoundKeptCaches();
  return true;
}

void TMapList::BoundKeptIndexes() {
  size_t held = FrameIndex.Bytes() + ParkedIndexBytes;
  while (held > TSheetFrameIndex::KeptBytes()) {
    int oldest = -1;
    for (size_t i = 0; i < States.size(); ++i) {
      if (States[i] == nullptr || States[i]->IndexBytes == 0) continue;
      if (oldest < 0 || FileTable[i].Stamp < FileTable[size_t(oldest)].Stamp)
        oldest = static_cast<int>(i);
    }
    if (oldest < 0) return;
    SHEETSTATE* state = States[size_t(oldest)];
    held -= state->IndexBytes;
    ParkedIndexBytes -= state->IndexBytes;
    state->IndexBytes = 0;
    state->FrameIndex.Forget();
  }
}

size_t TMapList::CacheBytesOf(const SHEETSTATE& state) {
  size_t bytes = sizeof(SHEETSTATE) + state.HeadBuffer.HintBytes();
  auto add = [&](const auto& cache) {
    bytes += size_t(cache.BlockBytes()) + size_t(cache.PackedBytes());
  };
  add(state.HeadBuffer);
  add(state.DataBuffer);
  add(state.SemnBuffer);
  add(state.DrawBuffer);
  return bytes;
}

void TMapList::BoundKeptCaches() {
  while (ParkedBytes > KeptCacheBytes()) {
    // The hints of the sheets left go first, those left longest ago first:
    // they only bring a scattered read's bytes near, while a state given
    // up is read again, views and all.
    int oldest = -1, hinted = -1;
    for (size_t i = 0; i < States.size(); ++i) {
      if (States[i] == nullptr) continue;
      if (oldest < 0 || FileTable[i].Stamp < FileTable[size_t(oldest)].Stamp)
        oldest = static_cast<int>(i);
      if (States[i]->HeadBuffer.HintBytes() > 0 &&
          (hinted < 0 || FileTable[i].Stamp < FileTable[size_t(hinted)].Stamp))
        hinted = static_cast<int>(i);
    }
    if (hinted >= 0) {
      SHEETSTATE* state = States[size_t(hinted)];
      ParkedBytes -= state->CacheBytes;
      state->HeadBuffer.FreeHints();
      state->CacheBytes = CacheBytesOf(*state);
      ParkedBytes += state->CacheBytes;
      continue;
    }
    if (oldest < 0) return;
    DropState(oldest);
  }
}

void TMapList::TakeBackState(int entry) {
  SHEETSTATE* state = States[size_t(entry)];
  if (state == nullptr) return;
  States[size_t(entry)] = nullptr;
  ParkedBytes -= state->CacheBytes;
  ParkedIndexBytes -= state->IndexBytes;
  ExchangeState(*state);
  // The bytes the caches packed go back into blocks: those the list held
  // (now the state's), or new ones.
  HeadBuffer.Unpark(state->HeadBuffer);
  DataBuffer.Unpark(state->DataBuffer);
  SemnBuffer.Unpark(state->SemnBuffer);
  DrawBuffer.Unpark(state->DrawBuffer);
  // What the sheet knew as it was left, its repairs in use only.
  const SHEETLEFT& left = state->Left;
  Left.Head = left.Head;
  Left.AccessMode = left.AccessMode;
  Left.RepairCount = left.RepairCount;
  std::copy_n(left.Repairs, left.RepairCount, Left.Repairs);
  Left.RepairedCount = left.RepairedCount;
  Left.LinkedFile = left.LinkedFile;
  Left.LinkedCount = left.LinkedCount;
  Left.InStep = left.InStep;
  Left.Span = left.Span;
  LeftKnown = true;
  // What the list held instead (no file, no view) is the next spare.
  if (Spare == nullptr)
    Spare = state;
  else
    delete state;
}

void TMapList::StartInStep() {
  InStep = Owner != nullptr && Owner->ObserveChangeCounter();
  InStepSpan = Owner != nullptr ? Owner->CounterSpan() : 0;
}

bool TMapList::InStepWithMap() {
  // Under a write of its own nobody else writes the sheet, and the write
  // took the header from the file.
  if (LockHeld || TurnDepth > 0) return true;
  if (Owner == nullptr) return false;
  return Owner->ObserveChangeCounter() && InStep && InStepSpan == Owner->CounterSpan();
}

void TMapList::PrefetchKeptState(int n) const {
  const int entry = EntryOfSheet(n);
  if (entry < 0) return;
  __builtin_prefetch(&FileTable[size_t(entry)]);
  const SHEETCLAIMS& claims = KeptClaims[size_t(entry)];
  __builtin_prefetch(&claims);
  for (int file = 0; file < SHEET_FILES; ++file) {
    __builtin_prefetch(&claims.Files[file]);
    __builtin_prefetch(&claims.Shared[file]);
  }
  __builtin_prefetch(&claims.Ends);
  const SHEETSTATE* state = States[size_t(entry)];
  if (state == nullptr) return;
  state->HeadBuffer.PrefetchFields();
  PrefetchLines(&state->HeadBuffer, &state->HeadBuffer + 1);
  state->DataBuffer.PrefetchFields();
  state->SemnBuffer.PrefetchFields();
  state->DrawBuffer.PrefetchFields();
  PrefetchLines(state->WriteViews, state->WriteViews + VIEWED_FILES);
  PrefetchLines(&state->Left.Head, &state->Left.Head + 1);
  PrefetchLines(&state->Left.RepairCount, state + 1);
}

void TMapList::PrefetchKeptViews(int n) const {
  const int entry = EntryOfSheet(n);
  const SHEETSTATE* state = entry >= 0 ? States[size_t(entry)] : nullptr;
  if (state == nullptr) return;
  state->HeadBuffer.PrefetchWindows();
  state->DataBuffer.PrefetchWindows();
  state->SemnBuffer.PrefetchWindows();
  state->DrawBuffer.PrefetchWindows();
  const TSheetWriteView& head = state->WriteViews[SHEET_HDR];
  head.Prefetch(0, true);
  if (state->Left.LinkedCount > 0)
    head.Prefetch(int64_t(state->Left.LinkedCount) * SHEET_RECORD_SIZE, true);
  for (const TSheetWriteView& view : state->WriteViews) {
    view.Prefetch(view.End(), true);
    view.PrefetchPageAfter(view.End());
  }
}

bool TMapList::ResumeAsLeft() {
  if (!LeftKnown) return false;
  LeftKnown = false;
  // A cache that gave its memory back when the sheet was left (or could
  // not have it again) is sized again as the opening sizes it on a map of
  // several sheets.
  if (HeadBuffer.Block() == nullptr && !HeadBuffer.Allocate(0)) return false;
  if (Files[SHEET_DAT] != nullptr && DataBuffer.Block() == nullptr) {
    DataBuffer.SetFile(Files[SHEET_DAT]);
    if (!DataBuffer.Allocate(TDataBuffer::WINDOW_SIZE)) return false;
  }
  if (Files[SHEET_SEM] != nullptr && SemnBuffer.Block() == nullptr &&
      !SemnBuffer.Allocate(0x20000))
    return false;
  if (Files[SHEET_GRA] != nullptr && DrawBuffer.Block() == nullptr &&
      !DrawBuffer.Allocate(TBlockBuffer::WINDOW_SIZE))
    return false;
  // Nobody else changed the map since the state was in step, and the
  // header is as left (a write through another sheet object of this map
  // marks it otherwise).
  HDRHEAD head;
  if (InStep && Left.InStep && Left.Span == InStepSpan &&
      HeadBuffer.File() == Files[SHEET_HDR] && ReadHdr(0, &head, sizeof(head)) == 0 &&
      std::memcmp(&head, &Left.Head, sizeof(head)) == 0) {
    Head = head;
    // A sheet held read only (its descriptor file, or its chain only
    // readable as repaired) stays so.
    if (!(Left.AccessMode & 0x40000000u)) AccessMode = Left.AccessMode;
    RepairCount = Left.RepairCount;
    std::copy_n(Left.Repairs, RepairCount, Repairs);
    RepairedCount = Left.RepairedCount;
    LinkedFile = Left.LinkedFile;
    LinkedCount = Left.LinkedCount;
    return true;
  }
  // Someone else may have written the sheet since: nothing read before is
  // kept.
  EmptyCaches(false, HeadBuffer, DataBuffer, SemnBuffer, DrawBuffer);
  FrameIndex.Forget();
  return false;
}

void TMapList::DropState(int entry) {
  SHEETSTATE* state = States[size_t(entry)];
  if (state == nullptr) return;
  EndKeptViews(entry);
  States[size_t(entry)] = nullptr;
  ParkedBytes -= state->CacheBytes;
  ParkedIndexBytes -= state->IndexBytes;
  for (TSheetWriteView& view : state->WriteViews) view.Release();
  state->FrameIndex.Forget();
  // The files go: the caches let go of them, and shelve their views for the
  // sheet opened again. Their memory serves the next sheet opened afresh
  // (through the spare); what they packed is let go.
  state->HeadBuffer.ShelveView();
  state->DataBuffer.ShelveView();
  state->SemnBuffer.ShelveView();
  state->DrawBuffer.ShelveView();
  if (Spare == nullptr) {
    EmptyCaches(true, state->HeadBuffer, state->DataBuffer, state->SemnBuffer,
                state->DrawBuffer);
    state->HeadBuffer.ReleasePacked();
    state->DataBuffer.ReleasePacked();
    state->SemnBuffer.ReleasePacked();
    state->DrawBuffer.ReleasePacked();
    Spare = state;
  } else {
    delete state;
  }
}

void TMapList::KeptSheetWritten(int sheet) {
  const int entry = EntryOfSheet(sheet);
  SHEETSTATE* state = entry >= 0 ? States[size_t(entry)] : nullptr;
  if (state == nullptr) return;
  EmptyCaches(false, state->HeadBuffer, state->DataBuffer, state->SemnBuffer, state->DrawBuffer);
  ParkedIndexBytes -= state->IndexBytes;
  state->IndexBytes = 0;
  state->FrameIndex.Forget();
  // Its header copy is no longer the file's: the opening checks again.
  state->Left.Head.Ident = 0;
}
