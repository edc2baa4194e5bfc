// The edit journal.
#include "mapstore/maplog.h"

#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "platform/system.h"
#include "platform/clock.h"
#include "platform/lockwait.h"
#include "platform/fileio.h"

namespace {

// Bytes read at a time while walking the chain of actions.
const DWORD kWalkBlock = 65536;
// Offsets the index makes room for at first.
const int kIndexStep = 16384;

bool ValidIdent(WORD ident) { return ident == ACTION_VALID || ident == ACTION_UNDONE; }
bool IsServiceType(int type) { return type >= ACTION_OPEN && type <= ACTION_BACKUPDROP; }

DWORD ActionLength(const ACTIONHEAD& head) { return 16 + 16 * DWORD{head.Count}; }

HANDLE OpenShared(const char* name, DWORD access) {
  return plat::CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr);
}

void ResetCursor(TMapLog* log) {
  log->CursorNumber = 0;
  log->CursorOffset = 0;
  std::memset(&log->CursorHead, 0, sizeof(log->CursorHead));
}

void FreeIndex(TMapLog* log) {
  if (log->Offsets) plat::FreePages(log->Offsets);
  if (log->WalkBuffer) plat::FreePages(log->WalkBuffer);
  log->Offsets = nullptr;
  log->WalkBuffer = nullptr;
  log->OffsetCount = 0;
  log->OffsetCapacity = 0;
}

bool PushOffset(TMapLog* log, DWORD offset) {
  if (log->OffsetCount == log->OffsetCapacity) {
    int capacity = std::max(kIndexStep, log->OffsetCapacity * 2);
    auto* grown = static_cast<DWORD*>(plat::AllocPages(SIZE_T(capacity) * sizeof(DWORD)));
    if (!grown) return false;
    if (log->OffsetCount) std::memcpy(grown, log->Offsets, log->OffsetCount * sizeof(DWORD));
    if (log->Offsets) plat::FreePages(log->Offsets);
    log->Offsets = grown;
    log->OffsetCapacity = capacity;
  }
  log->Offsets[log->OffsetCount++] = offset;
  return true;
}

// Reads the journal header into the copy. A header of another kind, or one
// whose used length or count cannot be, is refused with 60005. The index of
// action offsets is dropped when the journal was made anew, and cut when it
// holds fewer actions than known.
bool ReadHead(TMapLog* log) {
  LOGHEADER head;
  if (logRead(log, 0, &head, sizeof(head)) != sizeof(head)) {
    if (!log->Error) log->Error = MAPERR_READ;
    return false;
  }
  if (head.Ident != LOG_IDENT || head.Version != LOG_VERSION || head.Length < LOG_HEADLENGTH ||
      head.Count < 0 || int64_t{head.Count} * 16 > int64_t{head.Length} - LOG_HEADLENGTH) {
    log->Error = MAPERR_DATA;
    return false;
  }
  if (head.Date != log->IndexDate || head.Time != log->IndexTime) {
    log->OffsetCount = 0;
    log->IndexDate = head.Date;
    log->IndexTime = head.Time;
  }
  if (head.Count < log->OffsetCount) log->OffsetCount = head.Count;
  log->Head = head;
  return true;
}

// The chain of actions ends before action count + 1 at offset `at`: the
// journal holds only the actions before it. It is cut there when it can be
// written and nobody else is appending (the lock is ours or free at once).
void ChainBroken(TMapLog* log, DWORD at) {
  ResetCursor(log);
  log->Error = MAPERR_DATA;
  if (!log->IsWrite || !log->File) return;
  bool mine = log->Locked != 0;
  if (!mine) {
    if (!plat::LockFile(log->File, 0, 0, LOG_HEADLENGTH, 0)) return;
    LOGHEADER seen = log->Head;
    bool same = ReadHead(log) && log->Head.Length == seen.Length && log->Head.Count == seen.Count;
    if (!same) {
      plat::UnlockFile(log->File, 0, 0, LOG_HEADLENGTH, 0);
      return;
    }
  }
  log->Head.Count = log->OffsetCount;
  log->Head.Length = at;
  log->Head.Reserve = 0;
  logWrite(log, 0, &log->Head, sizeof(log->Head));
  if (!mine) plat::UnlockFile(log->File, 0, 0, LOG_HEADLENGTH, 0);
  log->Error = MAPERR_DATA;
}

// Extends the index of action offsets up to action n (n <= count) by
// walking forward from the last action known. False when the chain breaks
// (then the journal is cut at the break, when it may be) or on a failure.
bool EnsureIndex(TMapLog* log, int n) {
  if (n <= log->OffsetCount) return true;
  if (!log->WalkBuffer) {
    log->WalkBuffer = static_cast<char*>(plat::AllocPages(kWalkBlock));
    if (!log->WalkBuffer) {
      log->Error = MAPERR_MEMORY;
      return false;
    }
  }
  DWORD next = LOG_HEADLENGTH;
  if (log->OffsetCount > 0) {
    // The last action known may have grown since (a partly written action
    // gets its final count when it is committed).
    ACTIONHEAD last;
    DWORD at = log->Offsets[log->OffsetCount - 1];
    if (logRead(log, at, &last, sizeof(last)) == sizeof(last) && ValidIdent(last.Ident) &&
        at + ActionLength(last) <= log->Head.Length) {
      next = at + ActionLength(last);
    } else {
      log->OffsetCount = 0;
    }
  }

  DWORD windowStart = 0, windowLength = 0;
  const DWORD used = log->Head.Length;
  while (log->OffsetCount < n) {
    if (next > used || used - next < 16) {
      ChainBroken(log, next);
      return false;
    }
    if (next < windowStart || next + 16 > windowStart + windowLength) {
      DWORD want = std::min<DWORD>(kWalkBlock, used - next);
      DWORD got = logRead(log, next, log->WalkBuffer, want);
      if (got < 16) {
        if (!log->Error) log->Error = MAPERR_READ;
        return false;
      }
      windowStart = next;
      windowLength = got;
    }
    ACTIONHEAD head;
    std::memcpy(&head, log->WalkBuffer + (next - windowStart), sizeof(head));
    if (!ValidIdent(head.Ident) || used - next < ActionLength(head)) {
      ChainBroken(log, next);
      return false;
    }
    if (!PushOffset(log, next)) {
      log->Error = MAPERR_MEMORY;
      return false;
    }
    next += ActionLength(head);
  }
  return true;
}

// End of the last action (32 without actions); 0 when the chain breaks.
DWORD ChainEnd(TMapLog* log) {
  int count = log->Head.Count;
  if (count == 0) return LOG_HEADLENGTH;
  if (!EnsureIndex(log, count)) return 0;
  ACTIONHEAD last;
  DWORD at = log->Offsets[count - 1];
  if (logRead(log, at, &last, sizeof(last)) != sizeof(last)) return 0;
  return at + ActionLength(last);
}

// Opens the journal file shared, for writing when it can.
bool OpenFile(TMapLog* log, const char* name) {
  bool writable = false;
  log->File = plat::OpenExisting(name, true, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 FILE_FLAG_WRITE_THROUGH, &writable);
  log->IsWrite = writable ? 1 : 0;
  if (log->File == INVALID_HANDLE_VALUE) {
    log->File = nullptr;
    log->IsWrite = 0;
    log->Error = MAPERR_OPEN;
    return false;
  }
  return true;
}

// Closes the file without recording anything.
void CloseFile(TMapLog* log) {
  if (log->File) plat::CloseHandle(log->File);
  log->File = nullptr;
  log->Locked = 0;
  log->IsWrite = 0;
  log->IsActionOpen = 0;
  log->Written = 0;
  ResetCursor(log);
  FreeIndex(log);
  log->IndexDate = log->IndexTime = 0;
}

void StartAction(TMapLog* log, int type) {
  ACTIONHEAD& head = log->Action.Head;
  head.Ident = ACTION_VALID;
  head.UseNumber = log->UseNumber;
  head.Count = 0;
  head.Type = static_cast<WORD>(type);
  head.Date = LogDate();
  head.Time = LogTime();
  log->Written = 0;
  log->IsActionOpen = 1;
}

// A partial write failed: what reached the file is closed as an action of
// its own, the lock is given up and the action starts again empty.
void AbandonPartial(TMapLog* log) {
  int error = log->Error;
  if (log->Written > 0) {
    ACTIONHEAD head = log->Action.Head;
    head.Count = static_cast<WORD>(log->Written);
    logWrite(log, log->ActionOffset, &head, sizeof(head));
  }
  logUnlock(log);
  StartAction(log, log->Action.Head.Type);
  log->Error = error;
}

}  // namespace

// ---------------------------------------------------------------------------

DWORD LogDate() {
  SYSTEMTIME now;
  plat::GetSystemTime(&now);
  int32_t years = now.wYear * 10000 - 19900000;
  return 19900000 + (years > 0 ? years : 0) + now.wMonth * 100 + now.wDay;
}

DWORD LogTime() {
  SYSTEMTIME now;
  plat::GetSystemTime(&now);
  return now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
}

TMapLog::TMapLog() { logInit(this); }

TMapLog::~TMapLog() {
  logClose(this);
  FreeIndex(this);
}

void logInit(TMapLog* log) {
  if (!log) return;
  std::memset(log->Name, 0, sizeof(log->Name));
  log->File = nullptr;
  log->IsActionOpen = 0;
  log->CursorNumber = 0;
  log->CursorOffset = 0;
  std::memset(&log->CursorHead, 0, sizeof(log->CursorHead));
  std::memset(&log->Head, 0, sizeof(log->Head));
  log->IsWrite = 0;
  log->Error = 0;
  log->Written = 0;
  std::memset(&log->Action, 0, sizeof(log->Action));
  log->UseNumber = 0;
  log->Locked = 0;
  log->ActionOffset = 0;
  log->Offsets = nullptr;
  log->OffsetCount = 0;
  log->OffsetCapacity = 0;
  log->IndexDate = 0;
  log->IndexTime = 0;
  log->WalkBuffer = nullptr;
}

DWORD logRead(TMapLog* log, DWORD offset, void* buffer, DWORD size) {
  if (!log || !log->File || !buffer) return 0;
  DWORD got = 0;
  if (!plat::ReadAt(log->File, offset, buffer, size, &got)) {
    log->Error = MAPERR_READ;
    return 0;
  }
  return got;
}

DWORD logWrite(TMapLog* log, DWORD offset, const void* buffer, DWORD size) {
  if (!log || !log->File || !buffer) return 0;
  DWORD done = 0;
  if (!plat::WriteAt(log->File, offset, buffer, size, &done) || done != size) {
    log->Error = MAPERR_WRITE;
    return done;
  }
  return done;
}

int logLock(TMapLog* log) {
  if (!log || !log->File) return 0;
  if (log->Locked) return 1;
  if (!plat::LockFileWaiting(log->File, 0, LOG_HEADLENGTH, LOG_LOCKTRIES, LOG_LOCKPAUSE)) return 0;
  log->Locked = 1;
  return 1;
}

void logUnlock(TMapLog* log) {
  if (!log || !log->File || !log->Locked) return;
  plat::UnlockFile(log->File, 0, 0, LOG_HEADLENGTH, 0);
  log->Locked = 0;
}

int logCreate(TMapLog* log, const char* name) {
  if (!log) return 0;
  if (log->File) logClose(log);
  if (!name || !*name || std::strlen(name) >= MAX_PATH) {
    log->Error = MAPERR_CREATE;
    return 0;
  }
  HANDLE file = plat::CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    log->Error = MAPERR_CREATE;
    return 0;
  }
  LOGHEADER& head = log->Head;
  std::memset(&head, 0, sizeof(head));
  head.Ident = LOG_IDENT;
  head.Length = LOG_HEADLENGTH;
  head.Version = LOG_VERSION;
  head.Count = 0;
  head.Date = LogDate();
  head.Time = LogTime();
  head.Reserve = LOG_RESERVE;
  head.UseCount = 1;
  head.ProcessCount = 1;
  log->UseNumber = 1;

  log->File = file;
  bool written = logWrite(log, 0, &head, sizeof(head)) == sizeof(head) &&
                 plat::SetFileLength(file, LOG_HEADLENGTH + LOG_RESERVE);
  CloseFile(log);
  if (!written) {
    log->Error = MAPERR_WRITE;
    return 0;
  }
  std::strcpy(log->Name, name);
  log->File = OpenShared(name, GENERIC_READ | GENERIC_WRITE);
  if (log->File == INVALID_HANDLE_VALUE) {
    log->File = nullptr;
    log->Error = MAPERR_OPEN;
    return 0;
  }
  log->IsWrite = 1;
  log->UseNumber = 1;
  log->IndexDate = log->Head.Date;
  log->IndexTime = log->Head.Time;
  logCreateAction(log, ACTION_OPEN);
  log->Error = 0;
  return 1;
}

int logOpen(TMapLog* log, const char* name) {
  if (!log) return 0;
  if (log->File) logClose(log);
  if (!name || !*name) return 0;
  if (std::strlen(name) >= MAX_PATH) {
    log->Error = MAPERR_OPEN;
    return 0;
  }
  if (plat::GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) return logCreate(log, name);

  // Nobody else has the journal open when it opens without sharing.
  HANDLE alone = plat::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  bool exclusive = alone != INVALID_HANDLE_VALUE;
  if (exclusive) plat::CloseHandle(alone);

  if (!OpenFile(log, name)) return 0;
  std::strcpy(log->Name, name);
  if (!ReadHead(log)) {
    CloseFile(log);
    return logCreate(log, name);
  }

  int result = 1;
  if (log->IsWrite) {
    if (!logLock(log) || !ReadHead(log)) {
      // The header cannot be taken: the journal is only read.
      logUnlock(log);
      log->IsWrite = 0;
    }
  }
  if (log->IsWrite) {
    LOGHEADER& head = log->Head;
    int64_t size = std::min<int64_t>(plat::FileLength(log->File), 0xFFFFFFFFu);
    bool crashed = exclusive && head.ProcessCount > 0;
    if (size < int64_t{head.Length}) {
      // The file is shorter than the header says.
      head.Length = static_cast<DWORD>(std::max<int64_t>(size, LOG_HEADLENGTH));
      head.Reserve = 0;
      crashed = true;
    } else {
      head.Reserve = static_cast<DWORD>(size - head.Length);
    }
    if (crashed) {
      // A writer may have stopped inside an action: the journal goes on
      // from the end of the last whole action.
      DWORD end = ChainEnd(log);
      if (end && end != head.Length) {
        head.Reserve = size > end ? static_cast<DWORD>(size - end) : 0;
        head.Length = end;
      }
    }
    if (exclusive) {
      if (head.ProcessCount > 0) result = -1;
      head.ProcessCount = 1;
      head.UseCount = 1;
      log->UseNumber = 1;
    } else {
      head.ProcessCount++;
      head.UseCount++;
      log->UseNumber = head.UseCount;
    }
    logWrite(log, 0, &head, sizeof(head));
    logUnlock(log);
    logCreateAction(log, ACTION_OPEN);
  } else {
    log->UseNumber = log->Head.UseCount;
  }
  log->Error = 0;
  return result;
}

void logClose(TMapLog* log) {
  if (!log || !log->File) return;
  if (log->IsActionOpen) logCommitAction(log, 0);
  if (log->IsWrite) {
    logCreateAction(log, ACTION_CLOSE);
    if (logLock(log)) {
      if (ReadHead(log)) {
        if (log->Head.ProcessCount > 0) log->Head.ProcessCount--;
        logWrite(log, 0, &log->Head, sizeof(log->Head));
      }
      logUnlock(log);
    }
  }
  log->UseNumber = 0;
  CloseFile(log);
}

void logDone(TMapLog* log) { logClose(log); }

int logFlush(TMapLog* log) {
  if (!log || !log->File) return 0;
  if (log->IsActionOpen) logCommitAction(log, 0);
  logUnlock(log);
  plat::CloseHandle(log->File);
  log->File = nullptr;
  if (!OpenFile(log, log->Name)) {
    CloseFile(log);
    log->Error = MAPERR_OPEN;
    return 0;
  }
  return 1;
}

int logCreateAction(TMapLog* log, int type) {
  if (!log || !log->File || !log->IsWrite) return 0;
  if (type < 0 || type > 0xFFFF) {
    log->Error = MAPERR_INPUT;
    return 0;
  }
  if (log->IsActionOpen) logCommitAction(log, 0);
  StartAction(log, type);
  if (!IsServiceType(type)) return 1;
  if (type == ACTION_OPEN) {
    // The computer name, at most 15 characters and a zero.
    char name[16] = {};
    DWORD size = sizeof(name);
    if (!plat::GetComputerNameA(name, &size)) name[0] = 0;
    name[15] = 0;
    std::memcpy(&log->Action.Records[0], name, sizeof(name));
    log->Action.Head.Count = 1;
  }
  return logCommitAction(log, 0);
}

int logPutRecord(TMapLog* log, const ACTIONRECORD* record) {
  if (!log || !log->File || !log->IsWrite || !record) return 0;
  bool alone = false;
  if (!log->IsActionOpen) {
    if (!logCreateAction(log, ACTION_NONE)) return 0;
    alone = true;
  }
  ACTIONHEAD& head = log->Action.Head;
  if (head.Count - log->Written >= int(LOG_BUFFER)) {
    if (!logCommitAction(log, 1)) {
      AbandonPartial(log);
      return 0;
    }
  }
  log->Action.Records[head.Count - log->Written] = *record;
  head.Count++;
  if (alone) return logCommitAction(log, 0);
  if (head.Count >= LOG_ACTIONLIMIT) {
    int type = head.Type;
    int done = logCommitAction(log, 0);
    StartAction(log, type);
    return done;
  }
  return 1;
}

int logCommitAction(TMapLog* log, int partial) {
  if (!log || !log->File || !log->IsWrite || !log->IsActionOpen) return 0;
  ACTIONHEAD& action = log->Action.Head;
  if (!partial) {
    log->IsActionOpen = 0;
    if (action.Count == 0 && !IsServiceType(action.Type)) return 1;
  }
  const DWORD pending = action.Count - log->Written;
  const bool withHeader = log->Written == 0;
  const DWORD bytes = pending * 16 + (withHeader ? 16 : 0);
  const void* source =
      withHeader ? static_cast<const void*>(&log->Action) : static_cast<const void*>(log->Action.Records);

  bool ok = !withHeader || logLock(log);
  if (!ok) log->Error = MAPERR_WRITE;
  if (ok) ok = ReadHead(log);
  LOGHEADER& head = log->Head;
  if (ok && uint64_t{head.Length} + bytes + LOG_RESERVE > 0xFFFFFFFFu) {
    log->Error = MAPERR_WRITE;
    ok = false;
  }
  DWORD at = head.Length;
  if (ok && bytes && logWrite(log, at, source, bytes) != bytes) ok = false;
  if (ok) {
    head.Length += bytes;
    if (withHeader) {
      head.Count++;
      log->ActionOffset = at;
      // The index goes on with this action when it knew every one before.
      if (log->OffsetCount == head.Count - 1) PushOffset(log, at);
    }
    if (bytes > head.Reserve) {
      if (!plat::SetFileLength(log->File, int64_t{head.Length} + LOG_RESERVE)) {
        log->Error = MAPERR_WRITE;
        ok = false;
      }
      head.Reserve = LOG_RESERVE;
    } else {
      head.Reserve -= bytes;
    }
  }
  if (ok && logWrite(log, 0, &head, sizeof(head)) != sizeof(head)) ok = false;
  if (ok) {
    log->Written += pending;
    // The action's header was written with its first part: it gets the
    // final count before anyone else may append.
    if (!partial && !withHeader &&
        logWrite(log, log->ActionOffset, &action, sizeof(action)) != sizeof(action))
      ok = false;
  }
  if (!ok) {
    // The header of an action written in part keeps the chain whole.
    if (log->Written > 0 && !withHeader) {
      ACTIONHEAD written = action;
      written.Count = static_cast<WORD>(log->Written);
      logWrite(log, log->ActionOffset, &written, sizeof(written));
    }
    logUnlock(log);
    if (!partial) log->Written = 0;
    return 0;
  }
  if (!partial) {
    logUnlock(log);
    log->Written = 0;
  }
  return 1;
}

int logCount(TMapLog* log) {
  if (!log || !log->File || !ReadHead(log)) return 0;
  return log->Head.Count;
}

int logHeaderFlag(TMapLog* log) {
  if (!log || !log->File) return 0;
  if (!ReadHead(log)) {
    log->Error = MAPERR_DATA;
    return 0;
  }
  return log->Head.ProcessCount;
}

int logDate(TMapLog* log, LONG* date, LONG* time) {
  if (!log || !log->File || !date || !time) return 0;
  *date = static_cast<LONG>(log->Head.Date);
  *time = static_cast<LONG>(log->Head.Time);
  return 1;
}

int logReadAction(TMapLog* log, int n, ACTIONHEAD* out) {
  if (!log || !log->File || n < 1) return 0;
  if (n > log->Head.Count && (!ReadHead(log) || n > log->Head.Count)) return 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!EnsureIndex(log, n)) break;
    DWORD at = log->Offsets[n - 1];
    ACTIONHEAD head;
    if (logRead(log, at, &head, sizeof(head)) != sizeof(head)) break;
    // The action must still chain to the next one known, or lie within
    // the used length; otherwise the journal changed under the index.
    DWORD end = at + ActionLength(head);
    bool chained = ValidIdent(head.Ident) &&
                   (n < log->OffsetCount ? log->Offsets[n] == end : end <= log->Head.Length);
    if (chained) {
      log->CursorNumber = n;
      log->CursorOffset = at;
      log->CursorHead = head;
      if (out) *out = head;
      return head.Count ? head.Count : 1;
    }
    log->OffsetCount = 0;
    if (!ReadHead(log) || n > log->Head.Count) break;
  }
  ResetCursor(log);
  if (!log->Error) log->Error = MAPERR_DATA;
  return 0;
}

int logGetActionRecord(TMapLog* log, int i, ACTIONRECORD* record) {
  if (!log || !log->File || !record || log->CursorNumber < 1) return 0;
  if (i < 1 || i > log->CursorHead.Count) return 0;
  DWORD at = log->CursorOffset + 16 + 16 * DWORD(i - 1);
  if (logRead(log, at, record, sizeof(*record)) != sizeof(*record)) {
    log->Error = MAPERR_READ;
    return 0;
  }
  return 1;
}

int logGetActionRecordCount(TMapLog* log) {
  if (!log || log->CursorNumber < 1) return 0;
  return log->CursorHead.Count;
}

int logReadLastAction(TMapLog* log, ACTIONHEAD* out) {
  if (!log || !log->File) return 0;
  if (!ReadHead(log)) {
    log->Error = MAPERR_DATA;
    return 0;
  }
  for (int n = log->Head.Count; n >= 1; --n) {
    ACTIONHEAD head;
    // An action that cannot be read might be the newest one to undo: no
    // older action is taken in its place.
    if (!logReadAction(log, n, &head)) return 0;
    if (head.Ident == ACTION_UNDONE) continue;
    if (head.Type == ACTION_BACKUPDROP) return 0;
    if (head.Type < ACTION_OPEN) {
      if (out) *out = head;
      return n;
    }
  }
  return 0;
}

int logGetActionNumberByTime(TMapLog* log, LONG date, LONG time) {
  if (!log || !log->File || !ReadHead(log)) return 0;
  for (int n = 1; n <= log->Head.Count; ++n) {
    ACTIONHEAD head;
    if (!logReadAction(log, n, &head)) return 0;
    // Stamps compare as (date, time) pairs.
    if (int64_t{date} < int64_t{head.Date} ||
        (int64_t{date} == int64_t{head.Date} && int64_t{time} < int64_t{head.Time}))
      return n;
  }
  return 0;
}

int logAbolitionAction(TMapLog* log, int n) {
  if (!log || !log->File || !log->IsWrite) return 0;
  if (!logReadAction(log, n, nullptr)) return 0;
  const WORD undone = ACTION_UNDONE;
  if (logWrite(log, log->CursorOffset, &undone, sizeof(undone)) != sizeof(undone)) {
    // A write that stopped half way may have changed a byte: the mark is
    // put back, so that a failed call leaves the action to be undone.
    const WORD valid = ACTION_VALID;
    logWrite(log, log->CursorOffset, &valid, sizeof(valid));
    return 0;
  }
  log->CursorHead.Ident = ACTION_UNDONE;
  return 1;
}
