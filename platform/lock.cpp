// Byte-range locks and the share-mode markers of file handles.
#include <fcntl.h>
#include <sys/file.h>
#include <time.h>

#include <cerrno>

#include "platform/file_internal.h"

namespace plat {

namespace detail {

namespace {

// The marker bytes: a handle holds a shared lock on each that applies to it.
constexpr uint64_t kMarkerBase = 0x7FFFFFFFFFFFFFF0ull;
enum Marker : uint64_t {
  kOpenForRead = 0,
  kOpenForWrite = 1,
  kDeniesRead = 2,
  kDeniesWrite = 3,
  kDeniesDelete = 4,
};
static_assert(kLockLimit < kMarkerBase);

int Fcntl(int fd, int command, struct flock* fl) {
  int r;
  do r = fcntl(fd, command, fl);
  while (r != 0 && errno == EINTR);
  return r;
}

struct flock Range(short type, uint64_t offset, uint64_t length) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  return fl;
}

// True when another open file description holds a lock on the marker.
bool MarkerHeld(int fd, Marker m) {
  struct flock fl = Range(F_WRLCK, kMarkerBase + m, 1);
  if (Fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool TakeMarker(int fd, Marker m) {
  struct flock fl = Range(F_RDLCK, kMarkerBase + m, 1);
  return Fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

}  // namespace

ShareGuard::ShareGuard(int fd) : fd_(fd), held_(false) {
  // The guard is held only for a few calls by whoever has it; wait for it
  // up to about two seconds, then go on without it rather than hang on a
  // file system whose flock misbehaves.
  for (int attempt = 0; attempt < 2000; ++attempt) {
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    struct timespec pause = {0, 1000000};
    nanosleep(&pause, nullptr);
  }
}

ShareGuard::~ShareGuard() {
  if (held_) flock(fd_, LOCK_UN);
}

bool ShareConflicts(int fd, bool read, bool write, DWORD share) {
  if (read && MarkerHeld(fd, kDeniesRead)) return true;
  if (write && MarkerHeld(fd, kDeniesWrite)) return true;
  if (!(share & FILE_SHARE_READ) && MarkerHeld(fd, kOpenForRead)) return true;
  if (!(share & FILE_SHARE_WRITE) && MarkerHeld(fd, kOpenForWrite)) return true;
  return false;
}

bool TakeShareMarkers(int fd, bool read, bool write, DWORD share) {
  if (read && !TakeMarker(fd, kOpenForRead)) return false;
  if (write && !TakeMarker(fd, kOpenForWrite)) return false;
  if (!(share & FILE_SHARE_READ) && !TakeMarker(fd, kDeniesRead)) return false;
  if (!(share & FILE_SHARE_WRITE) && !TakeMarker(fd, kDeniesWrite)) return false;
  if (!(share & FILE_SHARE_DELETE) && !TakeMarker(fd, kDeniesDelete)) return false;
  return true;
}

bool DeleteDenied(int fd) { return MarkerHeld(fd, kDeniesDelete); }

}  // namespace detail

namespace {

bool MakeRange(DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh,
               uint64_t* offset, uint64_t* length) {
  *offset = (uint64_t(offsetHigh) << 32) | offsetLow;
  *length = (uint64_t(lengthHigh) << 32) | lengthLow;
  return *offset < detail::kLockLimit && *length <= detail::kLockLimit - *offset;
}

}  // namespace

BOOL LockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
              DWORD lengthHigh) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  uint64_t offset, length;
  if (!MakeRange(offsetLow, offsetHigh, lengthLow, lengthHigh, &offset, &length))
    return Fail(ERROR_INVALID_PARAMETER);
  if (length == 0) return TRUE;
  std::lock_guard<std::mutex> guard(file->lockList);
  for (const auto& r : file->locks)
    if (offset < r.offset + r.length && r.offset < offset + length)
      return Fail(ERROR_LOCK_VIOLATION);
  // A descriptor that the system let open for reading only can hold only a
  // shared lock, which still keeps every exclusive lock off the range.
  struct flock fl = detail::Range(file->fdWritable ? F_WRLCK : F_RDLCK, offset, length);
  if (detail::Fcntl(file->fd, F_OFD_SETLK, &fl) != 0) {
    if (errno == EAGAIN || errno == EACCES) return Fail(ERROR_LOCK_VIOLATION);
    return FailWithErrno();
  }
  file->locks.push_back({offset, length});
  return TRUE;
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
    struct flock fl = detail::Range(F_UNLCK, offset, length);
    if (detail::Fcntl(file->fd, F_OFD_SETLK, &fl) != 0) return FailWithErrno();
    file->locks.erase(file->locks.begin() + static_cast<std::ptrdiff_t>(i));
    return TRUE;
  }
  return Fail(ERROR_NOT_LOCKED);
}

}  // namespace plat
