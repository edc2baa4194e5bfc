// The system's file system. A file is a descriptor; share modes and
// byte-range locks are open-file-description locks, so that they hold
// between processes as they would on Windows.

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/systemcalls.h"
#include "platform/vfs.h"

namespace plat {

namespace detail {

// The counts of SystemCalls.
enum CallKind { CALL_OPEN, CALL_CLOSE, CALL_STAT, CALL_LOCK, CALL_FLOCK, CALL_READ, CALL_MAP,
                CALL_KINDS };
std::atomic<uint64_t> g_calls[CALL_KINDS];
inline void Counted(CallKind kind) { g_calls[kind].fetch_add(1, std::memory_order_relaxed); }

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

// True for the emulated read-only attribute: no write permission bit.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

namespace {

// Offset between the FILETIME epoch (1601) and the Unix epoch, in seconds.
constexpr int64_t kEpochDelta = 11644473600;

// The marker bytes: a handle holds a shared lock on each that applies to it.
constexpr uint64_t kMarkerBase = 0x7FFFFFFFFFFFFFF0ull;
enum Marker : uint64_t {
  kOpenForRead = 0,
  kOpenForWrite = 1,
  kDeniesRead = 2,
  kDeniesWrite = 3,
  kDeniesDelete = 4,
};
static_assert(kVfsLockLimit < kMarkerBase);

int Fcntl(int fd, int command, struct flock* fl) {
  Counted(CALL_LOCK);
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

// True when another open file description holds a lock on one of the
// markers [first, first + count).
bool MarkersHeld(int fd, uint64_t first, uint64_t count) {
  struct flock fl = Range(F_WRLCK, kMarkerBase + first, count);
  if (Fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;
  return fl.l_type != F_UNLCK;
}

bool TakeMarkers(int fd, uint64_t first, uint64_t count) {
  struct flock fl = Range(F_RDLCK, kMarkerBase + first, count);
  return Fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Applies `call` to each run of adjacent markers of the mask (bit m:
// marker m), one call a run: false when a call answers false.
template <typename Call>
bool EachRun(unsigned mask, Call call) {
  for (uint64_t m = 0; mask >> m != 0;) {
    if (!((mask >> m) & 1u)) {
      ++m;
      continue;
    }
    uint64_t end = m;
    while ((mask >> end) & 1u) ++end;
    if (!call(m, end - m)) return false;
    m = end;
  }
  return true;
}

}  // namespace

ShareGuard::ShareGuard(int fd) : fd_(fd), held_(false) {
  // The guard is held only for a few calls by whoever has it; wait for it
  // up to about two seconds, then go on without it rather than hang on a
  // file system whose flock misbehaves.
  for (int attempt = 0; attempt < 2000; ++attempt) {
    Counted(CALL_FLOCK);
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
  if (!held_) return;
  Counted(CALL_FLOCK);
  flock(fd_, LOCK_UN);
}

// True when an open with this access and share mode conflicts with a
// handle already open on the file of `fd` (any process). Called under a
// ShareGuard; `fd` must be open for reading.
bool ShareConflicts(int fd, bool read, bool write, DWORD share) {
  // Any lock on a marker of the mask is a conflict: adjacent ones are
  // tested together.
  const unsigned mask = (read ? 1u << kDeniesRead : 0) | (write ? 1u << kDeniesWrite : 0) |
                        (!(share & FILE_SHARE_READ) ? 1u << kOpenForRead : 0) |
                        (!(share & FILE_SHARE_WRITE) ? 1u << kOpenForWrite : 0);
  return !EachRun(mask, [&](uint64_t first, uint64_t count) {
    return !MarkersHeld(fd, first, count);
  });
}

// Takes the markers of a handle with this access and share mode.
bool TakeShareMarkers(int fd, bool read, bool write, DWORD share) {
  const unsigned mask = (read ? 1u << kOpenForRead : 0) | (write ? 1u << kOpenForWrite : 0) |
                        (!(share & FILE_SHARE_READ) ? 1u << kDeniesRead : 0) |
                        (!(share & FILE_SHARE_WRITE) ? 1u << kDeniesWrite : 0) |
                        (!(share & FILE_SHARE_DELETE) ? 1u << kDeniesDelete : 0);
  return EachRun(mask, [&](uint64_t first, uint64_t count) { return TakeMarkers(fd, first, count); });
}

// True when some handle open on the file denies deletion.
bool DeleteDenied(int fd) { return MarkersHeld(fd, kDeniesDelete, 1); }

// The error of a missing name: ERROR_FILE_NOT_FOUND when its folder exists,
// else ERROR_PATH_NOT_FOUND.
DWORD MissingNameError(const std::string& osPath) {
  size_t slash = osPath.find_last_of('/');
  if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
  std::string folder = slash == 0 ? "/" : osPath.substr(0, slash);
  Counted(CALL_STAT);
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

// The code of an errno value for a name, ENOENT refined by MissingNameError.
DWORD NameError(int error, const std::string& osPath) {
  return error == ENOENT ? MissingNameError(osPath) : ErrorFromErrno(error);
}

// Converts between Unix time and FILETIME values.
ULONGLONG FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  int64_t v = (seconds + kEpochDelta) * 10000000 + nanoseconds / 100;
  return v < 0 ? 0 : static_cast<ULONGLONG>(v);
}

void UnixFromFileTime(ULONGLONG value, int64_t* seconds, int64_t* nanoseconds) {
  *seconds = static_cast<int64_t>(value / 10000000) - kEpochDelta;
  *nanoseconds = static_cast<int64_t>(value % 10000000) * 100;
}

}  // namespace detail

namespace {

using detail::IsReadOnlyMode;
using detail::NameError;

DWORD LastErrno() { return ErrorFromErrno(errno); }

// The most bytes one read or write of the kernel moves.
constexpr size_t kMostReadAtOnce = 0x7FFFF000;

int OpenRetrying(const char* path, int flags, mode_t mode) {
  detail::Counted(detail::CALL_OPEN);
  int fd;
  do fd = ::open(path, flags, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// Whether `path` names the file `a` (fstat of the descriptor) tells of.
bool SameFile(const struct stat& a, const std::string& path) {
  detail::Counted(detail::CALL_STAT);
  struct stat b;
  if (::stat(path.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool SameFile(int fd, const std::string& path) {
  detail::Counted(detail::CALL_STAT);
  struct stat a;
  return fstat(fd, &a) == 0 && SameFile(a, path);
}

// Opens an existing name only to check the share markers of the handles
// open on it; -1 when that is not possible (then nothing can be checked).
int OpenForProbe(const std::string& path) {
  return OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
}

// Runs `action` on a file name once no open handle denies deletion: under
// the share guard, so that no handle can be opened between the check and
// the action. ERROR_SHARING_VIOLATION when a handle denies it.
template <class Action>
DWORD WithDeleteAccess(const std::string& path, Action action) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = OpenForProbe(path);
    if (fd < 0) return action();  // not readable: nobody to ask
    DWORD result;
    bool retry = false;
    {
      detail::ShareGuard guard(fd);
      if (!SameFile(fd, path)) {
        retry = true;  // replaced meanwhile
        result = ERROR_SHARING_VIOLATION;
      } else if (detail::DeleteDenied(fd)) {
        result = ERROR_SHARING_VIOLATION;
      } else {
        result = action();
      }
    }
    ::close(fd);
    if (!retry) return result;
  }
  return ERROR_SHARING_VIOLATION;
}

// Renames without replacing an existing target.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // The file system cannot refuse to replace: a hard link is atomic for
  // files; folders are checked first.
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return -1;
  if (!S_ISDIR(st.st_mode)) {
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    return ::unlink(from.c_str());
  }
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from.c_str(), to.c_str());
}

DWORD InfoFromStatx(const struct statx& sx, VfsInfo* info) {
  auto value = [](const struct statx_timestamp& t) {
    return detail::FileTimeFromUnix(t.tv_sec, t.tv_nsec);
  };
  if (S_ISDIR(sx.stx_mode))
    info->attributes = FILE_ATTRIBUTE_DIRECTORY;
  else
    info->attributes =
        IsReadOnlyMode(sx.stx_mode) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  info->size = sx.stx_size;
  info->writeTime = value(sx.stx_mtime);
  info->changeTime = value(sx.stx_ctime);
  info->accessTime = value(sx.stx_atime);
  info->creationTime = (sx.stx_mask & STATX_BTIME) ? value(sx.stx_btime) : info->writeTime;
  info->volume = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  info->id = sx.stx_ino;
  return ERROR_SUCCESS;
}

thread_local CloseTogether* t_closeTogether = nullptr;

// A descriptor shared by a file and the mappings made of it, closed when
// the last of them lets go: a mapping needs no descriptor of its own.
struct SharedDescriptor {
  explicit SharedDescriptor(int f) : fd(f) {}
  ~SharedDescriptor() {
    if (t_closeTogether != nullptr && t_closeTogether->Defer(fd)) return;
    detail::Counted(detail::CALL_CLOSE);
    ::close(fd);
  }
  SharedDescriptor(const SharedDescriptor&) = delete;
  SharedDescriptor& operator=(const SharedDescriptor&) = delete;
  const int fd;
};

class SystemMapping final : public VfsMapping {
 public:
  explicit SystemMapping(std::shared_ptr<SharedDescriptor> held) : held_(std::move(held)) {}
  ~SystemMapping() override { Release(); }

  DWORD Size(uint64_t* size) override {
    if (!held_) return ERROR_INVALID_HANDLE;
    detail::Counted(detail::CALL_STAT);
    struct stat st;
    if (fstat(held_->fd, &st) != 0) return LastErrno();
    *size = static_cast<uint64_t>(st.st_size);
    return ERROR_SUCCESS;
  }

  DWORD MapView(uint64_t offset, size_t length, bool write, bool copyOnWrite,
                void** view) override {
    if (!held_) return ERROR_INVALID_HANDLE;
    int prot = PROT_READ | (write || copyOnWrite ? PROT_WRITE : 0);
    int flags = copyOnWrite && !write ? MAP_PRIVATE : MAP_SHARED;
    detail::Counted(detail::CALL_MAP);
    void* p = mmap(nullptr, length, prot, flags, held_->fd, static_cast<off_t>(offset));
    if (p == MAP_FAILED) {
      // ENODEV: the file system cannot map files at all.
      if (errno == ENODEV) return ERROR_NOT_SUPPORTED;
      return errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : LastErrno();
    }
    *view = p;
    return ERROR_SUCCESS;
  }

  void UnmapView(void* view, size_t length) override { munmap(view, length); }

  void AdviseRandom(void* view, size_t length) override {
    madvise(view, length, MADV_RANDOM);
  }

  // The page table filled in one call rather than a fault per stretch of
  // pages; a system without the call is told the pages will be needed.
  void AdviseWholeRead(void* view, size_t length) override {
    if (madvise(view, length, MADV_POPULATE_READ) != 0) madvise(view, length, MADV_WILLNEED);
  }

  // A view made keeps its pages without the descriptor.
  void Release() override { held_.reset(); }

 private:
  std::shared_ptr<SharedDescriptor> held_;  // the file's descriptor; null released
};

class SystemFile final : public VfsFile {
 public:
  SystemFile(int fd, bool readable, bool writable)
      : fd_(fd), held_(std::make_shared<SharedDescriptor>(fd)), readable_(readable),
        writable_(writable) {}
  // Closing the descriptor drops every lock and marker of this file, unless
  // a mapping made of it keeps the descriptor, or a view keeps the open file
  // (and with it its locks and markers) after the mapping and the
  // descriptor are gone. So a file ever mapped lets them go here: the file
  // is closed for every other opener.
  ~SystemFile() override {
    if (mapped_.load(std::memory_order_relaxed)) {
      struct flock fl = detail::Range(F_UNLCK, 0, 0);
      detail::Fcntl(fd_, F_OFD_SETLK, &fl);
    }
  }

  int fd() const { return fd_; }
  bool readable() const { return readable_; }
  bool writable() const { return writable_; }

  DWORD Read(uint64_t offset, void* buffer, DWORD size, DWORD* done) override {
    *done = 0;
    char* p = static_cast<char*>(buffer);
    while (*done < size) {
      detail::Counted(detail::CALL_READ);
      ssize_t n = ::pread(fd_, p + *done, size - *done, static_cast<off_t>(offset + *done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastErrno();
      }
      if (n == 0) break;
      *done += static_cast<DWORD>(n);
      // A regular file on a file system of this machine gives fewer bytes
      // than asked only at its end (or past the most one call moves): that
      // read told where the file ends, and a second would only say so again.
      if (*done < size && size_t(n) < kMostReadAtOnce && ViewsShared()) break;
    }
    return ERROR_SUCCESS;
  }

  DWORD Write(uint64_t offset, const void* buffer, DWORD size, DWORD* done) override {
    *done = 0;
    const char* p = static_cast<const char*>(buffer);
    while (*done < size) {
      ssize_t n = ::pwrite(fd_, p + *done, size - *done, static_cast<off_t>(offset + *done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastErrno();
      }
      if (n == 0) return ERROR_DISK_FULL;
      *done += static_cast<DWORD>(n);
    }
    return ERROR_SUCCESS;
  }

  DWORD Size(uint64_t* size) override {
    detail::Counted(detail::CALL_STAT);
    struct stat st;
    if (fstat(fd_, &st) != 0) return LastErrno();
    *size = static_cast<uint64_t>(st.st_size);
    return ERROR_SUCCESS;
  }

  DWORD Truncate(uint64_t size) override {
    int r;
    do r = ftruncate(fd_, static_cast<off_t>(size));
    while (r != 0 && errno == EINTR);
    return r == 0 ? ERROR_SUCCESS : LastErrno();
  }

  DWORD Sync() override { return fsync(fd_) == 0 ? ERROR_SUCCESS : LastErrno(); }

  DWORD Lock(uint64_t offset, uint64_t length, bool shared) override {
    // A descriptor that the system let open for reading only can hold only
    // a shared lock, which still keeps every exclusive lock off the range.
    struct flock fl = detail::Range(writable_ && !shared ? F_WRLCK : F_RDLCK, offset, length);
    if (detail::Fcntl(fd_, F_OFD_SETLK, &fl) != 0)
      return errno == EAGAIN || errno == EACCES ? ERROR_LOCK_VIOLATION : LastErrno();
    return ERROR_SUCCESS;
  }

  DWORD Unlock(uint64_t offset, uint64_t length) override {
    struct flock fl = detail::Range(F_UNLCK, offset, length);
    return detail::Fcntl(fd_, F_OFD_SETLK, &fl) == 0 ? ERROR_SUCCESS : LastErrno();
  }

  DWORD Stat(VfsInfo* info) override {
    detail::Counted(detail::CALL_STAT);
    struct statx sx;
    if (statx(fd_, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
      return LastErrno();
    return InfoFromStatx(sx, info);
  }

  DWORD Identity(uint64_t* volume, uint64_t* id) override {
    if (!identified_) return VfsFile::Identity(volume, id);
    *volume = volume_;
    *id = id_;
    return ERROR_SUCCESS;
  }
  // The identity the opening's own stat of the descriptor gave.
  void Identified(const struct stat& st) {
    volume_ = st.st_dev;
    id_ = st.st_ino;
    identified_ = true;
  }

  DWORD SetTimes(const ULONGLONG* access, const ULONGLONG* write) override {
    struct timespec ts[2];
    const ULONGLONG* in[2] = {access, write};
    for (int i = 0; i < 2; ++i) {
      if (!in[i]) {
        ts[i].tv_sec = 0;
        ts[i].tv_nsec = UTIME_OMIT;
        continue;
      }
      int64_t s, ns;
      detail::UnixFromFileTime(*in[i], &s, &ns);
      ts[i].tv_sec = s;
      ts[i].tv_nsec = ns;
    }
    return futimens(fd_, ts) == 0 ? ERROR_SUCCESS : LastErrno();
  }

  DWORD Map(bool writable, std::shared_ptr<VfsMapping>* mapping) override {
    if (!readable_ || (writable && !writable_)) return ERROR_ACCESS_DENIED;
    *mapping = std::make_shared<SystemMapping>(held_);
    mapped_.store(true, std::memory_order_relaxed);
    return ERROR_SUCCESS;
  }

  // Asked of the file system once: an open file stays on the file system it
  // was opened on.
  bool ViewsShared() override {
    int shared = viewsShared_.load(std::memory_order_relaxed);
    if (shared < 0) viewsShared_.store(shared = AskViewsShared() ? 1 : 0, std::memory_order_relaxed);
    return shared == 1;
  }

  bool AskViewsShared() const {
    struct statfs fs;
    detail::Counted(detail::CALL_STAT);
    if (fstatfs(fd_, &fs) != 0) return false;
    // File systems whose files other machines open too (each machine keeps
    // its own pages of them), or that pass the pages to a program of their
    // own: a view there is the memory of this machine, or of this mount,
    // alone. Every other file system maps a file's pages once for all.
    static const uint32_t kNotShared[] = {
        0x6969,      // NFS
        0x517B,      // SMB
        0xFF534D42,  // CIFS
        0xFE534D42,  // SMB2
        0x65735546,  // FUSE (sshfs, virtiofs, ...)
        0x00C36400,  // Ceph
        0x01021997,  // 9P
        0x5346414F,  // AFS
        0x6B414653,  // AFS (kernel)
        0x73757245,  // Coda
        0x564C,      // NCP
        0x7461636F,  // OCFS2
        0x01161970,  // GFS2
        0x0BD00BD0,  // Lustre
        0x20030528,  // OrangeFS
    };
    const uint32_t type = static_cast<uint32_t>(fs.f_type);
    for (uint32_t other : kNotShared)
      if (type == other) return false;
    return true;
  }

 private:
  const int fd_;
  const std::shared_ptr<SharedDescriptor> held_;  // with the mappings made of the file
  const bool readable_;  // the descriptor's own access
  const bool writable_;
  std::atomic<int> viewsShared_{-1};  // ViewsShared once asked (0 or 1), -1 before
  std::atomic<bool> mapped_{false};    // a mapping was made of the file
  bool identified_ = false;  // volume_ and id_ set by the opening
  uint64_t volume_ = 0;
  uint64_t id_ = 0;
};

class SystemFs final : public Vfs {
 public:
  DWORD Open(const std::string& path, const VfsOpenMode& m, std::unique_ptr<VfsFile>* out,
             bool* existedOut) override {
    const bool read = m.read;
    const bool write = m.write;
    const DWORD disposition = m.disposition;
    int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (m.writeThrough) common |= O_DSYNC;
    const mode_t mode = m.readOnly ? 0444 : 0666;

    for (int attempt = 0; attempt < 8; ++attempt) {
      // Open the name as it is, creating it only when the disposition says
      // so. The descriptor is opened for reading and writing whenever the
      // system allows, whatever the access asked: the handle's own access
      // is checked by the handle layer, and a read-write descriptor can
      // take every kind of lock.
      bool existed = true;
      int fd = -1;
      int error = 0;
      int access = O_RDWR;  // the access of the descriptor opened
      auto openBoth = [&](int extra) {
        access = O_RDWR;
        int f = OpenRetrying(path.c_str(), O_RDWR | common | extra, mode);
        if (f < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY || errno == EPERM)) {
          if (!write)
            f = OpenRetrying(path.c_str(), (access = O_RDONLY) | common | extra, mode);
          else if (!read)
            f = OpenRetrying(path.c_str(), (access = O_WRONLY) | common | extra, mode);
        }
        return f;
      };
      if (disposition == CREATE_NEW) {
        fd = openBoth(O_CREAT | O_EXCL);
        existed = false;
        if (fd < 0) error = errno;
      } else {
        fd = openBoth(0);
        if (fd < 0) error = errno;
        if (fd < 0 && error == ENOENT &&
            (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)) {
          existed = false;
          fd = openBoth(O_CREAT | O_EXCL);
          error = fd < 0 ? errno : 0;
          if (fd < 0 && error == EEXIST) continue;  // created meanwhile: open it
        }
      }
      if (fd < 0) {
        if (error == EEXIST && disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
        if (error == EISDIR) return ERROR_ACCESS_DENIED;
        return NameError(error, path);
      }
      // Closed by the object from here on. O_NONBLOCK, which kept the open
      // from waiting on a pipe or a device, stays: it means nothing to a
      // regular file, and nothing else is kept.
      auto file = std::make_unique<SystemFile>(fd, access != O_WRONLY, access != O_RDONLY);

      detail::Counted(detail::CALL_STAT);
      struct stat st;
      if (fstat(fd, &st) != 0) return LastErrno();
      // Only regular files are files here: a pipe or a device named by a
      // host would block the first read for good.
      if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
      file->Identified(st);
      if (existed && write && IsReadOnlyMode(st.st_mode)) return ERROR_ACCESS_DENIED;
      if (write && !file->writable()) return ERROR_ACCESS_DENIED;
      if (read && !file->readable()) return ERROR_ACCESS_DENIED;

      // Share modes: only opens with some access take part, and only a
      // descriptor open for reading can hold the markers.
      if ((read || write) && file->readable()) {
        detail::ShareGuard guard(fd);
        if (!SameFile(st, path)) continue;  // deleted or replaced meanwhile
        if (detail::ShareConflicts(fd, read, write, m.share)) return ERROR_SHARING_VIOLATION;
        if (!detail::TakeShareMarkers(fd, read, write, m.share)) return LastErrno();
      }
      if ((disposition == CREATE_ALWAYS && existed) || disposition == TRUNCATE_EXISTING) {
        if (ftruncate(fd, 0) != 0) return LastErrno();
      }
      *existedOut = existed;
      *out = std::move(file);
      return ERROR_SUCCESS;
    }
    return ERROR_SHARING_VIOLATION;
  }

  DWORD Delete(const std::string& path) override {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return NameError(errno, path);
    if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
    if (S_ISLNK(st.st_mode)) return ::unlink(path.c_str()) == 0 ? ERROR_SUCCESS : LastErrno();
    if (IsReadOnlyMode(st.st_mode)) return ERROR_ACCESS_DENIED;
    return WithDeleteAccess(path, [&]() -> DWORD {
      return ::unlink(path.c_str()) == 0 ? ERROR_SUCCESS : NameError(errno, path);
    });
  }

  DWORD Rename(const std::string& src, const std::string& dst) override {
    struct stat st;
    if (::lstat(src.c_str(), &st) != 0) return NameError(errno, src);
    bool otherDevice = false;
    auto rename = [&]() -> DWORD {
      if (RenameNoReplace(src, dst) == 0) return ERROR_SUCCESS;
      if (errno == EEXIST || errno == ENOTEMPTY) return ERROR_ALREADY_EXISTS;
      if (errno == EXDEV && S_ISREG(st.st_mode)) otherDevice = true;
      if (errno == ENOENT) return NameError(ENOENT, dst);
      return LastErrno();
    };
    if (!S_ISREG(st.st_mode)) return rename();
    if (IsReadOnlyMode(st.st_mode)) return ERROR_ACCESS_DENIED;
    DWORD e = WithDeleteAccess(src, rename);
    if (e == ERROR_SUCCESS || !otherDevice) return e;
    // Another file system: copy, then remove the original (which must still
    // be free to delete).
    e = CopyToNew(src, dst);
    if (e != ERROR_SUCCESS) return e;
    e = WithDeleteAccess(
        src, [&]() -> DWORD { return ::unlink(src.c_str()) == 0 ? ERROR_SUCCESS : LastErrno(); });
    if (e != ERROR_SUCCESS) ::unlink(dst.c_str());
    return e;
  }

  DWORD Replace(const std::string& path, const std::string& replacement) override {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
      ::chmod(replacement.c_str(), st.st_mode & 07777);
      if (::chown(replacement.c_str(), st.st_uid, st.st_gid) != 0) {
        // Ownership is kept where allowed; another owner is no fault.
      }
    }
    return ::rename(replacement.c_str(), path.c_str()) == 0 ? ERROR_SUCCESS
                                                            : NameError(errno, replacement);
  }

  DWORD Stat(const std::string& path, VfsInfo* info) override {
    detail::Counted(detail::CALL_STAT);
    struct statx sx;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
      return NameError(errno, path);
    return InfoFromStatx(sx, info);
  }

  // One look: a missing name's folder is not looked at.
  bool Exists(const std::string& path) override {
    detail::Counted(detail::CALL_STAT);
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
  }

  DWORD SetReadOnly(const std::string& path, bool readOnly) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return NameError(errno, path);
    if (S_ISDIR(st.st_mode)) return ERROR_SUCCESS;
    mode_t mode = st.st_mode & 07777;
    if (readOnly)
      mode &= ~mode_t(0222);
    else if (IsReadOnlyMode(mode))
      mode |= S_IWUSR;
    if (mode == (st.st_mode & 07777)) return ERROR_SUCCESS;
    return ::chmod(path.c_str(), mode) == 0 ? ERROR_SUCCESS : LastErrno();
  }

  DWORD CreateFolder(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return ERROR_SUCCESS;
    if (errno == ENOENT || errno == ENOTDIR) return ERROR_PATH_NOT_FOUND;
    return LastErrno();
  }

  DWORD RemoveFolder(const std::string& path) override {
    if (::rmdir(path.c_str()) == 0) return ERROR_SUCCESS;
    if (errno == ENOTDIR) return ERROR_DIRECTORY;
    if (errno == EEXIST) return ERROR_DIR_NOT_EMPTY;
    return NameError(errno, path);
  }

  DWORD FreeSpace(const std::string& path, VfsSpace* space) override {
    struct statvfs vs;
    if (::statvfs(path.c_str(), &vs) != 0) return NameError(errno, path);
    space->unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
    space->available = vs.f_bavail;
    space->free = vs.f_bfree;
    space->total = vs.f_blocks;
    return ERROR_SUCCESS;
  }

 private:
  // Copies a file to a new name, with its times; the copy is removed when
  // it cannot be finished.
  DWORD CopyToNew(const std::string& src, const std::string& dst) {
    std::unique_ptr<VfsFile> source, target;
    bool existed = false;
    VfsOpenMode in;
    in.read = true;
    in.share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD e = Open(src, in, &source, &existed);
    if (e != ERROR_SUCCESS) return e;
    VfsInfo info;
    e = source->Stat(&info);
    if (e != ERROR_SUCCESS) return e;
    VfsOpenMode out;
    out.write = true;
    out.disposition = CREATE_NEW;
    e = Open(dst, out, &target, &existed);
    if (e != ERROR_SUCCESS) return e;
    const DWORD kBlock = 1 << 16;
    std::unique_ptr<char[]> block(new char[kBlock]);
    for (uint64_t offset = 0;;) {
      DWORD got = 0, put = 0;
      e = source->Read(offset, block.get(), kBlock, &got);
      if (e != ERROR_SUCCESS || got == 0) break;
      e = target->Write(offset, block.get(), got, &put);
      if (e != ERROR_SUCCESS) break;
      offset += got;
    }
    // The source is writable (a read-only one is refused before), so the
    // copy keeps the attribute it was created with.
    if (e == ERROR_SUCCESS) target->SetTimes(&info.accessTime, &info.writeTime);
    target.reset();
    if (e != ERROR_SUCCESS) ::unlink(dst.c_str());
    return e;
  }
};

}  // namespace

CloseTogether::CloseTogether() : outer_(t_closeTogether) { t_closeTogether = this; }

bool CloseTogether::Defer(int fd) {
  if (count_ == MOST) return false;
  fds_[count_++] = fd;
  return true;
}

CloseTogether::~CloseTogether() {
  t_closeTogether = outer_;
  std::sort(fds_, fds_ + count_);
  for (int i = 0; i < count_;) {
    int end = i + 1;
    while (end < count_ && fds_[end] == fds_[end - 1] + 1) ++end;
    detail::Counted(detail::CALL_CLOSE);
    // A run holds only descriptors deferred here: each number in it is one.
    if (end - i == 1 || ::close_range(unsigned(fds_[i]), unsigned(fds_[end - 1]), 0) != 0) {
      for (int k = i; k < end; ++k) {
        if (k > i) detail::Counted(detail::CALL_CLOSE);
        ::close(fds_[k]);
      }
    }
    i = end;
  }
}

SystemCallCounts SystemCalls() {
  auto at = [](detail::CallKind k) { return detail::g_calls[k].load(std::memory_order_relaxed); };
  SystemCallCounts c;
  c.open = at(detail::CALL_OPEN);
  c.close = at(detail::CALL_CLOSE);
  c.stat = at(detail::CALL_STAT);
  c.lock = at(detail::CALL_LOCK);
  c.flock = at(detail::CALL_FLOCK);
  c.read = at(detail::CALL_READ);
  c.map = at(detail::CALL_MAP);
  return c;
}

Vfs& SystemVfs() {
  static SystemFs* fs = new SystemFs;  // outlives static destructors
  return *fs;
}

}  // namespace plat
