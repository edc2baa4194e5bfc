// Internals shared by the file, lock and mapping parts of the platform
// layer.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/handles.h"

namespace plat {
namespace detail {

// One open file handle.
struct FileObject : HandleObject {
  FileObject() : HandleObject(HandleKind::File) {}
  ~FileObject() override;

  int fd = -1;
  uint64_t position = 0;
  bool canRead = false;   // opened with read access
  bool canWrite = false;  // opened with write access
  bool fdReadable = false;
  bool fdWritable = false;
  DWORD share = 0;
  std::mutex lockList;  // guards `locks`
  struct Range {
    uint64_t offset;
    uint64_t length;
  };
  std::vector<Range> locks;  // byte ranges locked through this handle
};

std::shared_ptr<FileObject> FindFile(HANDLE handle);

// Byte offsets from here up are reserved for the share-mode markers; a lock
// range may not reach them.
constexpr uint64_t kLockLimit = 0x7FFFFFFFFFFFFF00ull;

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
// The last error from errno, with ENOENT refined by MissingNameError.
BOOL FailForName(int error, const std::string& osPath);

// True for the emulated read-only attribute: no write permission bit.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

// Converts between Unix time and FILETIME values.
ULONGLONG FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void UnixFromFileTime(ULONGLONG value, int64_t* seconds, int64_t* nanoseconds);

}  // namespace detail
}  // namespace plat
