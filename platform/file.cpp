#include "platform/file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fault.h"
#include "platform/file_internal.h"

namespace plat {

using detail::FileObject;

namespace {

std::atomic<bool> g_writeThrough{true};

// Offset between the FILETIME epoch (1601) and the Unix epoch, in seconds.
constexpr int64_t kEpochDelta = 11644473600;

bool WantsRead(DWORD access) { return access & (GENERIC_READ | 0x10000000u | 0x1u); }
bool WantsWrite(DWORD access) { return access & (GENERIC_WRITE | 0x10000000u | 0x2u | 0x4u); }

int OpenRetrying(const char* path, int flags, mode_t mode) {
  int fd;
  do fd = ::open(path, flags, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

bool SameFile(int fd, const std::string& path) {
  struct stat a, b;
  if (fstat(fd, &a) != 0 || ::stat(path.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
BOOL WithDeleteAccess(const std::string& path, Action action) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = OpenForProbe(path);
    if (fd < 0) return action();  // not readable: nobody to ask
    BOOL result;
    bool retry = false;
    {
      detail::ShareGuard guard(fd);
      if (!SameFile(fd, path)) {
        retry = true;  // replaced meanwhile
        result = FALSE;
      } else if (detail::DeleteDenied(fd)) {
        result = Fail(ERROR_SHARING_VIOLATION);
      } else {
        result = action();
      }
    }
    ::close(fd);
    if (!retry) return result;
  }
  return Fail(ERROR_SHARING_VIOLATION);
}

BOOL ReadAt(int fd, void* buffer, DWORD size, uint64_t offset, DWORD* done) {
  *done = 0;
  char* p = static_cast<char*>(buffer);
  while (*done < size) {
    ssize_t n = ::pread(fd, p + *done, size - *done, static_cast<off_t>(offset + *done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailWithErrno();
    }
    if (n == 0) break;
    *done += static_cast<DWORD>(n);
  }
  return TRUE;
}

BOOL WriteAt(int fd, const void* buffer, DWORD size, uint64_t offset, DWORD* done) {
  *done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (*done < size) {
    ssize_t n = ::pwrite(fd, p + *done, size - *done, static_cast<off_t>(offset + *done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailWithErrno();
    }
    if (n == 0) return Fail(ERROR_DISK_FULL);
    *done += static_cast<DWORD>(n);
  }
  return TRUE;
}

}  // namespace

namespace detail {

FileObject::~FileObject() {
  if (fd >= 0) ::close(fd);  // drops every lock and marker of this handle
}

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
  return Lookup<FileObject>(handle, HandleKind::File);
}

DWORD MissingNameError(const std::string& osPath) {
  size_t slash = osPath.find_last_of('/');
  if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
  std::string folder = slash == 0 ? "/" : osPath.substr(0, slash);
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

BOOL FailForName(int error, const std::string& osPath) {
  if (error == ENOENT) return Fail(MissingNameError(osPath));
  return Fail(ErrorFromErrno(error));
}

ULONGLONG FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  int64_t v = (seconds + kEpochDelta) * 10000000 + nanoseconds / 100;
  return v < 0 ? 0 : static_cast<ULONGLONG>(v);
}

void UnixFromFileTime(ULONGLONG value, int64_t* seconds, int64_t* nanoseconds) {
  *seconds = static_cast<int64_t>(value / 10000000) - kEpochDelta;
  *nanoseconds = static_cast<int64_t>(value % 10000000) * 100;
}

}  // namespace detail

void SetWriteThroughEnabled(bool enabled) { g_writeThrough = enabled; }
bool IsWriteThroughEnabled() { return g_writeThrough; }

HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* /*security*/,
                   DWORD disposition, DWORD flags, HANDLE /*templateFile*/) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (!*name) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const bool read = WantsRead(access);
  const bool write = WantsWrite(access);
  if (disposition == TRUNCATE_EXISTING && !write) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = OsPath(name);
  int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if ((flags & FILE_FLAG_WRITE_THROUGH) && write && g_writeThrough) common |= O_DSYNC;
  const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

  for (int attempt = 0; attempt < 8; ++attempt) {
    // Open the name as it is, creating it only when the disposition says so.
    // The descriptor is opened for reading and writing whenever the system
    // allows, whatever the access asked: the handle's own access is checked
    // by ReadFile and WriteFile, and a read-write descriptor can take every
    // kind of lock.
    bool existed = true;
    int fd = -1;
    int error = 0;
    auto openBoth = [&](int extra) {
      int f = OpenRetrying(path.c_str(), O_RDWR | common | extra, mode);
      if (f < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY || errno == EPERM)) {
        if (!write)
          f = OpenRetrying(path.c_str(), O_RDONLY | common | extra, mode);
        else if (!read)
          f = OpenRetrying(path.c_str(), O_WRONLY | common | extra, mode);
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
      if (error == EEXIST && disposition == CREATE_NEW)
        SetLastError(ERROR_FILE_EXISTS);
      else if (error == EISDIR)
        SetLastError(ERROR_ACCESS_DENIED);
      else
        detail::FailForName(error, path);
      return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>();
    file->fd = fd;  // closed by the object from here on
    int fl = fcntl(fd, F_GETFL);
    file->fdReadable = (fl & O_ACCMODE) != O_WRONLY;
    file->fdWritable = (fl & O_ACCMODE) != O_RDONLY;
    file->canRead = read;
    file->canWrite = write;
    file->share = share;
    fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);

    struct stat st;
    if (fstat(fd, &st) != 0) {
      FailWithErrno();
      return INVALID_HANDLE_VALUE;
    }
    // Only regular files are files here: a pipe or a device named by a
    // host would block the first read for good.
    if (!S_ISREG(st.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (existed && write && detail::IsReadOnlyMode(st.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (write && !file->fdWritable) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (read && !file->fdReadable) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }

    // Share modes: only handles with some access take part, and only a
    // descriptor open for reading can hold the markers.
    if ((read || write) && file->fdReadable) {
      detail::ShareGuard guard(fd);
      if (!SameFile(fd, path)) continue;  // deleted or replaced meanwhile
      if (detail::ShareConflicts(fd, read, write, share)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
      }
      if (!detail::TakeShareMarkers(fd, read, write, share)) {
        FailWithErrno();
        return INVALID_HANDLE_VALUE;
      }
    }
    if ((disposition == CREATE_ALWAYS && existed) || disposition == TRUNCATE_EXISTING) {
      if (ftruncate(fd, 0) != 0) {
        FailWithErrno();
        return INVALID_HANDLE_VALUE;
      }
    }
    HANDLE handle = detail::RegisterHandle(std::move(file));
    SetLastError(existed && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return handle;
  }
  SetLastError(ERROR_SHARING_VIOLATION);
  return INVALID_HANDLE_VALUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (detail::UnregisterHandle(handle, detail::HandleKind::File)) return TRUE;
  if (detail::UnregisterHandle(handle, detail::HandleKind::Mapping)) return TRUE;
  return Fail(ERROR_INVALID_HANDLE);
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD size, DWORD* read, void* overlapped) {
  if (read) *read = 0;
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped || (!buffer && size)) return Fail(ERROR_INVALID_PARAMETER);
  if (!file->canRead) return Fail(ERROR_ACCESS_DENIED);
  DWORD done = 0;
  BOOL ok = ReadAt(file->fd, buffer, size, file->position, &done);
  file->position += done;
  if (read) *read = done;
  return ok;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written, void* overlapped) {
  if (written) *written = 0;
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped || (!buffer && size)) return Fail(ERROR_INVALID_PARAMETER);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  if (file->position > uint64_t(INT64_MAX) - size) return Fail(ERROR_INVALID_PARAMETER);
  fault::WriteFault kind;
  DWORD part = 0;
  BOOL ok;
  DWORD done = 0;
  if (fault::TakeWrite(size, &kind, &part)) {
    if (kind != fault::WriteFault::Short) {
      return Fail(kind == fault::WriteFault::DiskFull ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    }
    ok = WriteAt(file->fd, buffer, part, file->position, &done);
  } else {
    ok = WriteAt(file->fd, buffer, size, file->position, &done);
  }
  file->position += done;
  if (written) *written = done;
  return ok;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition,
                      DWORD method) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  int64_t base;
  switch (method) {
    case FILE_BEGIN:
      base = 0;
      break;
    case FILE_CURRENT:
      base = static_cast<int64_t>(file->position);
      break;
    case FILE_END: {
      struct stat st;
      if (fstat(file->fd, &st) != 0) return FailWithErrno();
      base = st.st_size;
      break;
    }
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
  int64_t target;
  if (__builtin_add_overflow(base, distance.QuadPart, &target))
    return Fail(ERROR_INVALID_PARAMETER);
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK);
  file->position = static_cast<uint64_t>(target);
  if (newPosition) newPosition->QuadPart = target;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
  LARGE_INTEGER d;
  d.QuadPart = distanceHigh
                   ? static_cast<int64_t>((uint64_t(uint32_t(*distanceHigh)) << 32) |
                                          uint32_t(distance))
                   : distance;
  auto file = detail::FindFile(handle);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  uint64_t old = file->position;
  LARGE_INTEGER pos;
  if (!SetFilePointerEx(handle, d, &pos, method)) return INVALID_SET_FILE_POINTER;
  if (!distanceHigh && pos.QuadPart > 0xFFFFFFFFll) {
    file->position = old;  // a 32-bit caller cannot see this position
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = pos.u.HighPart;
  if (pos.u.LowPart == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
  return pos.u.LowPart;
}

BOOL SetEndOfFile(HANDLE handle) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  if (file->position > uint64_t(INT64_MAX)) return Fail(ERROR_INVALID_PARAMETER);
  int r;
  do r = ftruncate(file->fd, static_cast<off_t>(file->position));
  while (r != 0 && errno == EINTR);
  return r == 0 ? TRUE : FailWithErrno();
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!size) return Fail(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return FailWithErrno();
  size->QuadPart = st.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* high) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
  if (high) *high = static_cast<DWORD>(size.u.HighPart);
  if (size.u.LowPart == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
  return size.u.LowPart;
}

BOOL FlushFileBuffers(HANDLE handle) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  return fsync(file->fd) == 0 ? TRUE : FailWithErrno();
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  struct statx sx;
  if (statx(file->fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
    return FailWithErrno();
  auto value = [](const struct statx_timestamp& t) {
    return MakeFileTime(detail::FileTimeFromUnix(t.tv_sec, t.tv_nsec));
  };
  if (write) *write = value(sx.stx_mtime);
  if (access) *access = value(sx.stx_atime);
  if (creation) *creation = (sx.stx_mask & STATX_BTIME) ? value(sx.stx_btime) : value(sx.stx_mtime);
  return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME* /*creation*/, const FILETIME* access,
                 const FILETIME* write) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  struct timespec ts[2];
  const FILETIME* in[2] = {access, write};
  for (int i = 0; i < 2; ++i) {
    if (!in[i]) {
      ts[i].tv_sec = 0;
      ts[i].tv_nsec = UTIME_OMIT;
      continue;
    }
    int64_t s, ns;
    detail::UnixFromFileTime(FileTimeValue(*in[i]), &s, &ns);
    ts[i].tv_sec = s;
    ts[i].tv_nsec = ns;
  }
  return futimens(file->fd, ts) == 0 ? TRUE : FailWithErrno();
}

BOOL DeleteFileA(const char* name) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  const std::string path = OsPath(name);
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return detail::FailForName(errno, path);
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (S_ISLNK(st.st_mode)) return ::unlink(path.c_str()) == 0 ? TRUE : FailWithErrno();
  if (detail::IsReadOnlyMode(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  return WithDeleteAccess(path, [&]() -> BOOL {
    return ::unlink(path.c_str()) == 0 ? TRUE : detail::FailForName(errno, path);
  });
}

namespace {

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

}  // namespace

BOOL MoveFileA(const char* from, const char* to) {
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  if (!*from || !*to) return Fail(ERROR_PATH_NOT_FOUND);
  const std::string src = OsPath(from);
  const std::string dst = OsPath(to);
  struct stat st;
  if (::lstat(src.c_str(), &st) != 0) return detail::FailForName(errno, src);
  bool otherDevice = false;
  auto rename = [&]() -> BOOL {
    if (RenameNoReplace(src, dst) == 0) return TRUE;
    if (errno == EEXIST || errno == ENOTEMPTY) return Fail(ERROR_ALREADY_EXISTS);
    if (errno == EXDEV && S_ISREG(st.st_mode)) otherDevice = true;
    if (errno == ENOENT) return detail::FailForName(ENOENT, dst);
    return FailWithErrno();
  };
  if (!S_ISREG(st.st_mode)) return rename();
  if (detail::IsReadOnlyMode(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (WithDeleteAccess(src, rename)) return TRUE;
  if (!otherDevice) return FALSE;
  // Another file system: copy, then remove the original (which must still
  // be free to delete).
  if (!CopyFileA(from, to, TRUE)) return FALSE;
  BOOL removed = WithDeleteAccess(src, [&]() -> BOOL {
    return ::unlink(src.c_str()) == 0 ? TRUE : FailWithErrno();
  });
  if (!removed) {
    DWORD e = GetLastError();
    ::unlink(dst.c_str());
    return Fail(e);
  }
  return TRUE;
}

BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) {
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return FALSE;
  auto source = detail::FindFile(in);
  struct stat st;
  if (fstat(source->fd, &st) != 0) {
    BOOL r = FailWithErrno();
    CloseHandle(in);
    return r;
  }
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                           0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    CloseHandle(in);
    return Fail(e);
  }
  auto target = detail::FindFile(out);
  const size_t kBlock = 1 << 16;
  std::unique_ptr<char[]> block(new char[kBlock]);
  uint64_t offset = 0;
  BOOL ok = TRUE;
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadAt(source->fd, block.get(), kBlock, offset, &got)) {
      ok = FALSE;
      break;
    }
    if (got == 0) break;
    if (!WriteAt(target->fd, block.get(), got, offset, &put)) {
      ok = FALSE;
      break;
    }
    offset += got;
  }
  DWORD error = GetLastError();
  if (ok) {
    struct timespec ts[2] = {st.st_atim, st.st_mtim};
    futimens(target->fd, ts);
    if (detail::IsReadOnlyMode(st.st_mode)) fchmod(target->fd, st.st_mode & 07777);
  }
  source.reset();
  target.reset();
  CloseHandle(in);
  CloseHandle(out);
  if (!ok) {
    ::unlink(OsPath(to).c_str());
    return Fail(error);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD GetFileAttributesA(const char* name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::string path = OsPath(name);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    detail::FailForName(errno, path);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return detail::IsReadOnlyMode(st.st_mode) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(const char* name, DWORD attributes) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  const std::string path = OsPath(name);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return detail::FailForName(errno, path);
  if (S_ISDIR(st.st_mode)) return TRUE;
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    mode &= ~mode_t(0222);
  else if (detail::IsReadOnlyMode(mode))
    mode |= S_IWUSR;
  if (mode == (st.st_mode & 07777)) return TRUE;
  return ::chmod(path.c_str(), mode) == 0 ? TRUE : FailWithErrno();
}

BOOL CreateDirectoryA(const char* name, void* /*security*/) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = OsPath(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (::mkdir(path.c_str(), 0777) == 0) return TRUE;
  if (errno == ENOENT || errno == ENOTDIR) return Fail(ERROR_PATH_NOT_FOUND);
  return FailWithErrno();
}

BOOL RemoveDirectoryA(const char* name) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = OsPath(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (::rmdir(path.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR) return Fail(ERROR_DIRECTORY);
  if (errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
  return detail::FailForName(errno, path);
}

DWORD GetTempPathA(DWORD size, char* buffer) {
  const char* env = std::getenv("TMPDIR");
  std::string path = env && *env ? env : "/tmp";
  if (!IsPathSeparator(path.back())) path += '/';
  DWORD n = static_cast<DWORD>(path.size());
  if (!buffer || size < n + 1) return n + 1;
  std::memcpy(buffer, path.c_str(), n + 1);
  return n;
}

BOOL GetDiskFreeSpaceExA(const char* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree) {
  const std::string p = path && *path ? OsPath(path) : std::string(".");
  struct statvfs vs;
  if (::statvfs(p.c_str(), &vs) != 0) return detail::FailForName(errno, p);
  ULONGLONG unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
  if (freeToCaller) freeToCaller->QuadPart = unit * vs.f_bavail;
  if (total) total->QuadPart = unit * vs.f_blocks;
  if (totalFree) totalFree->QuadPart = unit * vs.f_bfree;
  return TRUE;
}

BOOL GetDiskFreeSpaceA(const char* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
  const std::string p = path && *path ? OsPath(path) : std::string(".");
  struct statvfs vs;
  if (::statvfs(p.c_str(), &vs) != 0) return detail::FailForName(errno, p);
  ULONGLONG unit = vs.f_frsize ? vs.f_frsize : vs.f_bsize;
  // Sectors of 512 bytes; the counts are cut to 32 bits as the old call did.
  auto cut = [](ULONGLONG v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : DWORD(v); };
  if (bytesPerSector) *bytesPerSector = 512;
  if (sectorsPerCluster) *sectorsPerCluster = unit >= 512 ? DWORD(unit / 512) : 1;
  if (freeClusters) *freeClusters = cut(vs.f_bavail);
  if (totalClusters) *totalClusters = cut(vs.f_blocks);
  return TRUE;
}

}  // namespace plat

namespace plat {

bool IsSameFile(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  struct stat sa, sb;
  if (::stat(OsPath(a).c_str(), &sa) != 0) return false;
  if (::stat(OsPath(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace plat
