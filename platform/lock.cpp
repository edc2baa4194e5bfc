// Byte-range locks of file handles: the handle keeps the ranges it locked
// (Windows refuses a second lock of a handle over its own range and unlocks
// only exact ranges); the Vfs holds the locks against other files.
#include <algorithm>
#include <new>

#include "platform/file_internal.h"
#include "platform/clock.h"
#include "platform/lockwait.h"

namespace plat {

namespace {

bool MakeRange(DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh,
               uint64_t* offset, uint64_t* length) {
  *offset = (uint64_t(offsetHigh) << 32) | offsetLow;
  *length = (uint64_t(lengthHigh) << 32) | lengthLow;
  return *offset < detail::kLockLimit && *length <= detail::kLockLimit - *offset;
}

BOOL Lock(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh,
          bool shared) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (shared && !file->canRead) return Fail(ERROR_ACCESS_DENIED);
  uint64_t offset, length;
  if (!MakeRange(offsetLow, offsetHigh, lengthLow, lengthHigh, &offset, &length))
    return Fail(ERROR_INVALID_PARAMETER);
  if (length == 0) return TRUE;
  std::lock_guard<std::mutex> guard(file->lockList);
  for (const auto& r : file->locks)
    if (offset < r.offset + r.length && r.offset < offset + length)
      return Fail(ERROR_LOCK_VIOLATION);
  // Room for the record first: a lock taken that the handle could not
  // record would never be given back.
  try {
    if (file->locks.size() == file->locks.capacity())
      file->locks.reserve(std::max<size_t>(4, 2 * file->locks.size()));
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  DWORD e = detail::IoLock(*file->io, offset, length, shared);
  if (e != ERROR_SUCCESS) return Fail(e);
  file->locks.push_back({offset, length});
  return TRUE;
}

}  // namespace

BOOL LockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
              DWORD lengthHigh) {
  return Lock(handle, offsetLow, offsetHigh, lengthLow, lengthHigh, false);
}

BOOL LockFileShared(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
                    DWORD lengthHigh) {
  return Lock(handle, offsetLow, offsetHigh, lengthLow, lengthHigh, true);
}

BOOL UnlockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
                DWORD lengthHigh) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  uint64_t offset, length;
  if (!MakeRange(offsetLow, offsetHigh, lengthLow, lengthHigh, &offset, &length))
    return Fail(ERROR_NOT_LOCKED);
  if (length == 0) return TRUE;
  std::lock_guard<std::mutex> guard(file->lockList);
  for (size_t i = 0; i < file->locks.size(); ++i) {
    if (file->locks[i].offset != offset || file->locks[i].length != length) continue;
    DWORD e = file->io->Unlock(offset, length);
    if (e != ERROR_SUCCESS) return Fail(e);
    file->locks.erase(file->locks.begin() + static_cast<std::ptrdiff_t>(i));
    return TRUE;
  }
  return Fail(ERROR_NOT_LOCKED);
}

BOOL LockFileWaiting(HANDLE handle, DWORD offset, DWORD length, DWORD tries, DWORD pause,
                     bool shared) {
  for (DWORD i = 0; i < tries; ++i) {
    if (Lock(handle, offset, 0, length, 0, shared)) return TRUE;
    // Only another holder is worth waiting for.
    if (GetLastError() != ERROR_LOCK_VIOLATION || i + 1 >= tries) return FALSE;
    Sleep(pause);
  }
  return Fail(ERROR_LOCK_VIOLATION);
}

}  // namespace plat
