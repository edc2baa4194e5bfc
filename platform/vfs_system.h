// Internals of the system's file system (platform/vfs_system.cpp): the
// share-mode markers and the name errors, on descriptors and paths.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/vfs.h"

namespace plat {
namespace detail {

// A short exclusive flock on a descriptor, under which an open checks and
// takes its share markers and a deletion checks them, so that two of these
// steps never interleave.
class ShareGuard {
 public:
  explicit ShareGuard(int fd);
  ~ShareGuard();
  ShareGuard(const ShareGuard&) = delete;
  ShareGuard& operator=(const ShareGuard&) = delete;

 private:
  int fd_;
  bool held_;
};

// True when an open with this access and share mode conflicts with a
// handle already open on the file of `fd` (any process). Called under a
// ShareGuard; `fd` must be open for reading.
bool ShareConflicts(int fd, bool read, bool write, DWORD share);
// Takes the markers of a handle with this access and share mode.
bool TakeShareMarkers(int fd, bool read, bool write, DWORD share);
// True when some handle open on the file denies deletion.
bool DeleteDenied(int fd);

// The error of a missing name: ERROR_FILE_NOT_FOUND when its folder exists,
// else ERROR_PATH_NOT_FOUND.
DWORD MissingNameError(const std::string& osPath);
// The code of an errno value for a name, ENOENT refined by MissingNameError.
DWORD NameError(int error, const std::string& osPath);
// Sets the last error to NameError and returns FALSE.
BOOL FailForName(int error, const std::string& osPath);

// True for the emulated read-only attribute: no write permission bit.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

// Converts between Unix time and FILETIME values.
ULONGLONG FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void UnixFromFileTime(ULONGLONG value, int64_t* seconds, int64_t* nanoseconds);

}  // namespace detail
}  // namespace plat
