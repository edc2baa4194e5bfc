#include "groups/mapgroups.h"

#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "common/maperror.h"
#include "common/messages.h"
#include "platform/fileio.h"
#include "platform/lockwait.h"
#include "platform/memory.h"

namespace {

int g_groupAccess = 0;

// Zeros written after a record to fill its slot.
const char kZeros[4096] = {};

// Keeps a file name in its field; a missing or too long name is cut to the
// field (for the error report) and gives false.
bool KeepName(char (&field)[MAX_PATH], const char* name) {
  if (!name || std::strlen(name) >= sizeof(field)) {
    std::strncpy(field, name ? name : "", sizeof(field) - 1);
    return false;
  }
  std::strcpy(field, name);
  return true;
}

// A slot named by an index entry lies in the record area and inside the
// file: a damaged entry must not make a rewrite run far past the file's end.
bool SlotInFile(const INDEXGDX& entry, const GDXHEAD& head) {
  return entry.Offset >= head.RecordArea && uint64_t(entry.Offset) + entry.Length <= head.Length;
}

// The header describes a file of `size` bytes: a length within it, an
// index inside the index area and a record area inside the file. Bytes past
// the length are an append that never completed: the next append writes
// over them.
bool HeadValid(const GDXHEAD& head, int64_t size) {
  return size >= 0 && head.Ident == GDX_IDENT && head.Version == GDX_VERSION &&
         int64_t(head.Length) <= size && head.Count >= 1 && head.IndexOffset >= GDX_HEADLENGTH &&
         uint64_t(head.IndexOffset) + uint64_t(head.Count) * GDX_ENTRYLENGTH <= head.RecordArea &&
         head.RecordArea <= head.Length;
}

HANDLE OpenShared(const char* name, DWORD access, DWORD disposition) {
  return plat::CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int GroupAccessSet(int access) { return g_groupAccess = access ? 1 : 0; }
int GroupAccessGet() { return g_groupAccess; }

TMapGroups::TMapGroups(TMapError* reporter) : Reporter(reporter) {}

TMapGroups::~TMapGroups() { Close(); }

int TMapGroups::Fail(int code, int report) {
  Error = code;
  if (report) {
    if (Reporter)
      Reporter->ErrorMessage(code, Name);
    else
      ShowErrorMessage(code, Name);
  }
  return 0;
}

void TMapGroups::Close() {
  // Closing the handle gives up its locks.
  Locked = 0;
  if (File) plat::CloseHandle(File);
  File = nullptr;
  std::memset(&Head, 0, sizeof(Head));
  First = Last = -1;
}

int TMapGroups::Read(DWORD offset, void* buffer, int size) {
  if (!File || !buffer || size <= 0) return Fail(MAPERR_INPUT);
  DWORD got = 0;
  if (!plat::ReadAt(File, offset, buffer, DWORD(size), &got)) return Fail(MAPERR_READ);
  if (got != DWORD(size)) return Fail(MAPERR_DATA);
  return size;
}

int TMapGroups::Write(DWORD offset, const void* buffer, int size) {
  if (!File || !buffer || size <= 0) return Fail(MAPERR_INPUT);
  DWORD done = 0;
  if (!plat::WriteAt(File, offset, buffer, DWORD(size), &done))
    return Fail(plat::GetLastError() == ERROR_DISK_FULL ? MAPERR_DISKFULL : MAPERR_WRITE);
  if (done != DWORD(size)) return Fail(MAPERR_DATA);
  return size;
}

int TMapGroups::WriteSlot(DWORD offset, const void* buffer, DWORD size, DWORD slot) {
  if (!Write(offset, buffer, int(size))) return 0;
  for (DWORD at = size; at < slot;) {
    const DWORD n = std::min<DWORD>(slot - at, sizeof(kZeros));
    if (!Write(offset + at, kZeros, int(n))) return 0;
    at += n;
  }
  return 1;
}

DWORD TMapGroups::Append(const void* buffer, DWORD size, DWORD slot) {
  const DWORD offset = Head.Length;
  if (offset == 0 || uint64_t(offset) + slot > 0xFFFFFFFFull) {
    Fail(MAPERR_WRITE);
    return 0;
  }
  if (!WriteSlot(offset, buffer, size, slot)) return 0;
  Head.Length = offset + slot;
  return offset;
}

int TMapGroups::DropAppended(DWORD length) {
  // The header on disk says at most `length` (no header write was tried
  // since): the file is cut back so that it holds no half-written record.
  Head.Length = length;
  plat::SetFileLength(File, length);
  return 0;
}

int TMapGroups::WriteHead() { return Write(0, &Head, sizeof(Head)) ? 1 : 0; }

int TMapGroups::Sync() {
  if (!WriteThrough || !plat::IsWriteThroughEnabled()) return 1;
  return plat::FlushFileBuffers(File) ? 1 : Fail(MAPERR_WRITE);
}

int TMapGroups::ReadHeadAgain() {
  GDXHEAD head;
  if (!Read(0, &head, sizeof(head))) return 0;
  if (!HeadValid(head, plat::FileLength(File))) return Fail(MAPERR_DATA);
  if (std::memcmp(&head, &Head, sizeof(head)) != 0) {
    // Another opener wrote: entries may have moved or been added.
    Head = head;
    First = Last = -1;
  }
  return 1;
}

int TMapGroups::LockHead(int code) {
  if (!File) return Fail(code);
  if (Locked) {
    ++Locked;
    return 1;
  }
  if (!plat::LockFileWaiting(File, 0, GDX_HEADLENGTH, GDX_LOCKTRIES, GDX_LOCKPAUSE))
    return Fail(code);
  Locked = 1;
  if (ReadHeadAgain()) return 1;
  UnlockHead();
  return 0;
}

void TMapGroups::UnlockHead() {
  if (Locked == 0) return;
  if (--Locked == 0 && File) plat::UnlockFile(File, 0, 0, GDX_HEADLENGTH, 0);
}

int TMapGroups::Open(const char* name) {
  Close();
  Error = 0;
  if (!KeepName(Name, name)) return Fail(MAPERR_OPEN, 1);
  AccessMode = GENERIC_READ | GENERIC_WRITE;
  HANDLE file = OpenShared(Name, AccessMode, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    AccessMode = GENERIC_READ;
    file = OpenShared(Name, AccessMode, OPEN_EXISTING);
  }
  if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_OPEN, 1);
  File = file;

  GDXHEAD head;
  if (!Read(0, &head, sizeof(head))) {
    const int code = Error;
    Close();
    return Fail(code, 1);
  }
  if (!HeadValid(head, plat::FileLength(File))) {
    Close();
    return Fail(MAPERR_DATA, 1);
  }
  Head = head;
  return 1;
}

int TMapGroups::Create(const char* name) {
  Close();
  Error = 0;
  if (!KeepName(Name, name)) return Fail(MAPERR_OPEN, 1);
  AccessMode = GENERIC_READ | GENERIC_WRITE;
  HANDLE file = OpenShared(Name, AccessMode, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_OPEN, 1);
  File = file;

  std::memset(&Head, 0, sizeof(Head));
  Head.Ident = GDX_IDENT;
  Head.Length = GDX_NEWLENGTH;
  Head.Version = GDX_VERSION;
  Head.Count = 1;
  Head.IndexOffset = GDX_HEADLENGTH;
  Head.RecordArea = GDX_NEWLENGTH;
  const INDEXGDX zero = {};
  if (!WriteHead() || !Write(GDX_HEADLENGTH, &zero, sizeof(zero)) ||
      !plat::SetFileLength(File, GDX_NEWLENGTH)) {
    Close();
    return Fail(MAPERR_WRITE, 1);
  }
  return 1;
}

INDEXGDX* TMapGroups::ReadGroupIndex(int n) {
  if (!File) {
    Fail(MAPERR_READ);
    return nullptr;
  }
  if (n < 1 || DWORD(n) >= Head.Count) {
    Fail(MAPERR_INPUT);
    return nullptr;
  }
  if (n >= First && n <= Last) return &Window[n - First];
  const int start = n / GDX_WINDOW * GDX_WINDOW;
  const uint64_t offset = Head.IndexOffset + uint64_t(start) * GDX_ENTRYLENGTH;
  const uint64_t room = Head.RecordArea > offset ? Head.RecordArea - offset : 0;
  const DWORD bytes = DWORD(std::min<uint64_t>(room, sizeof(Window)));
  if (bytes < GDX_ENTRYLENGTH) {
    Fail(MAPERR_DATA);
    return nullptr;
  }
  First = Last = -1;
  if (!Read(DWORD(offset), Window, int(bytes))) return nullptr;
  First = start;
  Last = std::min<int>(start + int(bytes / GDX_ENTRYLENGTH) - 1, int(Head.Count));
  if (n > Last) {
    Fail(MAPERR_DATA);
    return nullptr;
  }
  return &Window[n - First];
}

int TMapGroups::WriteGroupIndex(const INDEXGDX* entry) {
  if (!LockHead(MAPERR_WRITE)) return 0;
  const int result = WriteGroupIndexLocked(entry);
  UnlockHead();
  return result;
}

int TMapGroups::WriteGroupIndexLocked(const INDEXGDX* entry) {
  if (!File) return Fail(MAPERR_WRITE);
  if (!entry || entry->Number < 1 || entry->Number > Head.Count) return Fail(MAPERR_INPUT);
  const uint64_t offset = Head.IndexOffset + uint64_t(entry->Number) * GDX_ENTRYLENGTH;
  // An entry never reaches into the records.
  if (offset + GDX_ENTRYLENGTH > Head.RecordArea) return Fail(MAPERR_DATA);
  if (!Write(DWORD(offset), entry, sizeof(*entry))) return 0;
  const int number = int(entry->Number);
  if (number >= First && number <= Last) Window[number - First] = *entry;
  return number;
}

int TMapGroups::ReadGroup(TObjectGroup* group, int n) {
  if (!group) return Fail(MAPERR_INPUT);
  if (!LockHead(MAPERR_READ)) return 0;
  const int result = ReadGroupLocked(group, n);
  UnlockHead();
  return result;
}

int TMapGroups::ReadGroupLocked(TObjectGroup* group, int n) {
  const INDEXGDX* found = ReadGroupIndex(n);
  if (!found) return 0;
  const INDEXGDX entry = *found;

  // The record's own head says how much to read; the slot and the file
  // bound it.
  DWORD head[2];
  if (entry.Offset < Head.RecordArea || !Read(entry.Offset, head, sizeof(head))) {
    if (entry.Offset < Head.RecordArea) Fail(MAPERR_DATA);
    return 0;
  }
  const DWORD length = head[1];
  if (head[0] != GROUP_MARKER || length < GROUP_HEADLENGTH || length > entry.Length ||
      length >= GROUP_BUFFERLIMIT || uint64_t(entry.Offset) + length > Head.Length)
    return Fail(MAPERR_DATA);

  if (!group->Head() && !group->Create(0, 0)) return Fail(MAPERR_MEMORY);
  if (length > DWORD(group->BufferSize())) {
    // A caller's buffer never grows: a record it cannot hold is refused
    // rather than cut short.
    if (!group->IsOwnBuffer()) return Fail(MAPERR_INPUT);
    const DWORD want = (length / GROUP_BUFFERSTEP + 1) * GROUP_BUFFERSTEP;
    if (!group->Realloc(LONG(want) - group->BufferSize())) return Fail(MAPERR_MEMORY);
  }
  HEADRECGDX* record = group->Head();
  if (!Read(entry.Offset, record, int(length))) {
    // What came in part is dropped: the record reads as an empty group.
    *record = HEADRECGDX{GROUP_MARKER, GROUP_HEADLENGTH, DWORD(n), 0, 0};
    group->SetObjectCountAll();
    return 0;
  }
  record->Number = DWORD(n);
  group->SetObjectCountAll();
  return int(length);
}

int TMapGroups::WriteGroup(TObjectGroup* group) {
  if (!group || !group->Head()) return Fail(MAPERR_INPUT);
  if (!File) return Fail(MAPERR_READ);
  // The number and the place come from the header as it is now: another
  // opener may have added groups or moved records since this one looked.
  if (!LockHead(MAPERR_WRITE)) return 0;
  const int result = WriteGroupLocked(group);
  UnlockHead();
  return result;
}

int TMapGroups::WriteGroupLocked(TObjectGroup* group) {
  HEADRECGDX* record = group->Head();
  const DWORD length = record->Length;
  if (record->Ident != GROUP_MARKER || length < GROUP_HEADLENGTH ||
      length > DWORD(group->BufferSize()))
    return Fail(MAPERR_INPUT);
  const DWORD slot = length + GDX_SLACK;

  const DWORD number = record->Number;
  if (number != 0 && number < Head.Count) {
    const INDEXGDX* found = ReadGroupIndex(int(number));
    if (!found) return 0;
    INDEXGDX entry = *found;
    if (entry.Length >= length && SlotInFile(entry, Head)) {
      // In place: the record, then zeros to the end of its slot.
      if (!WriteSlot(entry.Offset, record, length, entry.Length) || !Sync()) return 0;
      return int(number);
    }
    // A new slot at the end, the length that covers it, then the entry. A
    // failed header write keeps the slot as dead space: the header on disk
    // may already count it, and the file is never cut below that.
    const DWORD keep = Head.Length;
    const DWORD offset = Append(record, length, slot);
    if (!offset) return DropAppended(keep);
    if (!WriteHead() || !Sync()) return 0;
    entry.Number = number;
    entry.Length = slot;
    entry.Offset = offset;
    if (!WriteGroupIndexLocked(&entry) || !Sync()) return 0;
    return int(number);
  }

  // A new group takes the next number: its record and its entry, then the
  // header that counts it (and covers the record).
  const DWORD count = Head.Count;
  if (uint64_t(count) * GDX_ENTRYLENGTH + Head.IndexOffset + GDX_ENTRYLENGTH >= Head.RecordArea) {
    if (!MoveGroupRecordsLocked()) return Fail(Error ? Error : MAPERR_WRITE, 1);
  }
  record->Number = count;
  const DWORD keep = Head.Length;
  const DWORD offset = Append(record, length, slot);
  if (!offset) return DropAppended(keep);
  const INDEXGDX entry = {count, slot, offset, record->Value};
  if (!WriteGroupIndexLocked(&entry) || !Sync()) return DropAppended(keep);
  Head.Count = count + 1;
  if (!WriteHead() || !Sync()) {
    Head.Count = count;
    return 0;
  }
  return int(count);
}

int TMapGroups::DeleteGroup(int n) {
  if (!LockHead(MAPERR_WRITE)) return 0;
  const int result = DeleteGroupLocked(n);
  UnlockHead();
  return result;
}

int TMapGroups::DeleteGroupLocked(int n) {
  const INDEXGDX* found = ReadGroupIndex(n);
  if (!found) return 0;
  const INDEXGDX entry = *found;
  if (entry.Length < GROUP_HEADLENGTH || !SlotInFile(entry, Head)) return Fail(MAPERR_DATA);
  const HEADRECGDX empty = {GROUP_MARKER, GROUP_HEADLENGTH, DWORD(n), entry.Value, 0};
  if (!WriteSlot(entry.Offset, &empty, sizeof(empty), entry.Length) || !Sync()) return 0;
  return n;
}

int TMapGroups::CopyMovedRecords(char* block, DWORD start, DWORD size, DWORD present, DWORD at,
                                 std::vector<INDEXGDX>& moved, DWORD& end) {
  const DWORD blockEnd = start + size;
  // The copies go out a batch at a time, each slot zero past its record.
  std::vector<char> batch;
  batch.reserve(2 * GDX_MOVEBLOCK);
  DWORD batchAt = at;
  auto flush = [&] {
    if (batch.empty()) return true;
    if (!Write(batchAt, batch.data(), int(batch.size()))) return false;
    batchAt += DWORD(batch.size());
    batch.clear();
    return true;
  };
  for (DWORD g = 1; g < Head.Count; ++g) {
    const INDEXGDX* found = ReadGroupIndex(int(g));
    if (!found) return 0;
    const INDEXGDX entry = *found;
    if (entry.Offset < start || entry.Offset >= blockEnd) continue;
    const DWORD inBlock = entry.Offset - start;
    DWORD head[2] = {0, 0};
    if (inBlock + 8 <= present)
      std::memcpy(head, block + inBlock, 8);
    else if (uint64_t(entry.Offset) + 8 <= Head.Length && !Read(entry.Offset, head, 8))
      return 0;
    // A record that reads back (as ReadGroup would read it) moves whole;
    // in place of anything else the group gets an empty record.
    const DWORD length = head[1];
    const bool valid = head[0] == GROUP_MARKER && length >= GROUP_HEADLENGTH &&
                       length <= entry.Length && length < GROUP_BUFFERLIMIT &&
                       uint64_t(entry.Offset) + length <= Head.Length;
    const DWORD bytes = valid ? length : DWORD(GROUP_HEADLENGTH);
    const DWORD slot = bytes + GDX_SLACK;
    const size_t from = batch.size();
    if (uint64_t(batchAt) + from + slot > 0xFFFFFFFFull) return Fail(MAPERR_WRITE);
    batch.resize(from + slot);
    char* copy = batch.data() + from;
    if (!valid) {
      const HEADRECGDX empty = {GROUP_MARKER, GROUP_HEADLENGTH, g, entry.Value, 0};
      std::memcpy(copy, &empty, sizeof(empty));
    } else if (inBlock + length <= present) {
      std::memcpy(copy, block + inBlock, length);
    } else if (!Read(entry.Offset, copy, int(length))) {
      // Runs past the block: read from the file.
      return 0;
    }
    // The copy carries its group's number.
    std::memcpy(copy + 8, &g, 4);
    moved.push_back(INDEXGDX{g, slot, DWORD(batchAt + from), entry.Value});
    if (batch.size() >= GDX_MOVEBLOCK && !flush()) return 0;
  }
  if (!flush()) return 0;
  end = batchAt;
  return 1;
}

int TMapGroups::RepointEntries(const std::vector<INDEXGDX>& moved) {
  for (size_t i = 0; i < moved.size();) {
    // The window that holds the next entry takes every later one it holds,
    // and the run from the first to the last of them is written at once.
    const int first = int(moved[i].Number);
    if (!ReadGroupIndex(first)) return 0;
    int last = first;
    for (; i < moved.size() && int(moved[i].Number) <= Last; ++i) {
      last = int(moved[i].Number);
      Window[last - First] = moved[i];
    }
    const DWORD offset = Head.IndexOffset + DWORD(first) * GDX_ENTRYLENGTH;
    if (!Write(offset, &Window[first - First], (last - first + 1) * int(GDX_ENTRYLENGTH))) {
      First = Last = -1;
      return 0;
    }
  }
  return 1;
}

int TMapGroups::MoveGroupRecords() {
  if (!LockHead(MAPERR_WRITE)) return 0;
  const int result = MoveGroupRecordsLocked();
  UnlockHead();
  return result;
}

int TMapGroups::MoveGroupRecordsLocked() {
  if (!File) return Fail(MAPERR_WRITE);
  const DWORD start = Head.RecordArea;
  DWORD size = GDX_MOVEBLOCK;
  // The file must be able to grow by the block.
  const DWORD oldLength = Head.Length;
  if (!plat::SetFileLength(File, int64_t(oldLength) + size)) {
    size = GDX_MOVEBLOCKSMALL;
    if (!plat::SetFileLength(File, int64_t(oldLength) + size)) return Fail(MAPERR_DISKFULL);
  }
  plat::SetFileLength(File, oldLength);
  if (uint64_t(start) + size > 0xFFFFFFFFull) return Fail(MAPERR_DISKFULL);
  const DWORD blockEnd = start + size;

  char* block = static_cast<char*>(plat::AllocPages(size));
  if (!block) return Fail(MAPERR_MEMORY);
  const DWORD present = oldLength > start ? std::min(oldLength - start, size) : 0;
  if (present && !Read(start, block, int(present))) {
    plat::FreePages(block);
    return Fail(MAPERR_READ);
  }

  // 1. Copies of the block's records past the file's length (and never
  // inside the block): nothing names them yet, a failure cuts them off.
  std::vector<INDEXGDX> moved;
  DWORD end = 0;
  int ok = CopyMovedRecords(block, start, size, present, std::max(oldLength, blockEnd), moved, end);
  if (ok && moved.empty() && end > oldLength) ok = plat::SetFileLength(File, end) ? 1 : 0;
  if (!ok || !Sync()) {
    plat::FreePages(block);
    if (!Error) Error = MAPERR_WRITE;
    return DropAppended(oldLength);
  }
  // 2. The length that covers the copies, before any entry names them.
  // From here on a failure keeps that length: the header on disk may hold
  // it, and the file is never cut below what the header says.
  Head.Length = end;
  ok = WriteHead() && Sync();
  // 3. The entries name the copies; the records in the block are still
  // whole until every entry has left it.
  if (ok) ok = RepointEntries(moved) && Sync();
  // 4. The freed block becomes index space, zero like a new index, and the
  // header takes it in.
  if (ok) {
    std::memset(block, 0, size);
    ok = Write(start, block, int(size)) ? 1 : 0;
  }
  plat::FreePages(block);
  if (ok) {
    Head.RecordArea = blockEnd;
    ok = WriteHead();
    if (!ok) Head.RecordArea = start;
  }
  First = Last = -1;
  if (!ok) {
    if (!Error) Error = MAPERR_WRITE;
    return 0;
  }
  return 1;
}

int TMapGroups::RestoreGroup(int group, int sheet, int number, KEY key) {
  if (sheet == 0 || number == 0) return Fail(MAPERR_INPUT);
  if (group == 0) return 1;
  if (group < 0) return Fail(MAPERR_INPUT);
  // One turn for the whole: the count read is the one the writes extend.
  if (!LockHead(MAPERR_WRITE)) return 0;
  const int result = RestoreGroupLocked(group, sheet, number, key);
  UnlockHead();
  return result;
}

int TMapGroups::RestoreGroupLocked(int group, int sheet, int number, KEY key) {
  TObjectGroup record;
  if (DWORD(group) < Head.Count) {
    if (!ReadGroup(&record, group)) return 0;
  } else {
    while (Head.Count <= DWORD(group)) {
      if (!record.Create(0, 0)) return Fail(MAPERR_MEMORY);
      if (!WriteGroup(&record)) return 0;
    }
  }
  NUMBERKEY member = {DWORD(number), key};
  if (!record.AppendObject(sheet, member)) return Fail(MAPERR_MEMORY);
  return WriteGroup(&record) == group ? group : 0;
}
