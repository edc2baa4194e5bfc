#include "platform/file.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/file_internal.h"

namespace plat {

using detail::FileObject;

namespace {

std::atomic<bool> g_writeThrough{true};

bool WantsRead(DWORD access) { return access & (GENERIC_READ | 0x10000000u | 0x1u); }
bool WantsWrite(DWORD access) { return access & (GENERIC_WRITE | 0x10000000u | 0x2u | 0x4u); }

// Sets the last error to `code` (a failure) and returns FALSE; TRUE for
// ERROR_SUCCESS, leaving the last error alone.
BOOL Result(DWORD code) { return code == ERROR_SUCCESS ? TRUE : Fail(code); }

// A folder name without its trailing separators.
std::string FolderPath(const char* name) {
  std::string path = OsPath(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

namespace detail {

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
  return Lookup<FileObject>(handle, HandleKind::File);
}

BOOL ReadFrom(FileObject& file, uint64_t offset, void* buffer, DWORD size, DWORD* done) {
  *done = 0;
  if (!buffer && size) return Fail(ERROR_INVALID_PARAMETER);
  if (!file.canRead) return Fail(ERROR_ACCESS_DENIED);
  DWORD e = IoRead(*file.io, offset, buffer, size, done);
  file.position = offset + *done;
  return Result(e);
}

BOOL WriteTo(FileObject& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done) {
  *done = 0;
  if (!buffer && size) return Fail(ERROR_INVALID_PARAMETER);
  if (!file.canWrite) return Fail(ERROR_ACCESS_DENIED);
  if (offset > uint64_t(INT64_MAX) - size) return Fail(ERROR_INVALID_PARAMETER);
  DWORD e = IoWrite(*file.io, offset, buffer, size, done);
  file.position = offset + *done;
  return Result(e);
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
  VfsOpenMode mode;
  mode.read = WantsRead(access);
  mode.write = WantsWrite(access);
  if (disposition == TRUNCATE_EXISTING && !mode.write) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  mode.share = share;
  mode.disposition = disposition;
  mode.readOnly = (flags & FILE_ATTRIBUTE_READONLY) != 0;
  mode.writeThrough = (flags & FILE_FLAG_WRITE_THROUGH) && mode.write && g_writeThrough;

  auto file = std::make_shared<FileObject>();
  bool existed = false;
  DWORD e = CurrentVfs().Open(OsPath(name), mode, &file->io, &existed);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return INVALID_HANDLE_VALUE;
  }
  file->canRead = mode.read;
  file->canWrite = mode.write;
  HANDLE handle = detail::RegisterHandle(std::move(file));
  SetLastError(existed && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return handle;
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
  if (overlapped) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  BOOL ok = detail::ReadFrom(*file, file->position, buffer, size, &done);
  if (read) *read = done;
  return ok;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, DWORD* written, void* overlapped) {
  if (written) *written = 0;
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (overlapped) return Fail(ERROR_INVALID_PARAMETER);
  DWORD done = 0;
  BOOL ok = detail::WriteTo(*file, file->position, buffer, size, &done);
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
      uint64_t size = 0;
      DWORD e = file->io->Size(&size);
      if (e != ERROR_SUCCESS) return Fail(e);
      base = static_cast<int64_t>(size);
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
  return Result(detail::IoTruncate(*file->io, file->position));
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!size) return Fail(ERROR_INVALID_PARAMETER);
  uint64_t bytes = 0;
  DWORD e = file->io->Size(&bytes);
  if (e != ERROR_SUCCESS) return Fail(e);
  size->QuadPart = static_cast<LONGLONG>(bytes);
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
  return Result(detail::IoSync(*file->io));
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  VfsInfo info;
  DWORD e = file->io->Stat(&info);
  if (e != ERROR_SUCCESS) return Fail(e);
  if (write) *write = MakeFileTime(info.writeTime);
  if (access) *access = MakeFileTime(info.accessTime);
  if (creation) *creation = MakeFileTime(info.creationTime);
  return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME* /*creation*/, const FILETIME* access,
                 const FILETIME* write) {
  auto file = detail::FindFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
  ULONGLONG a = access ? FileTimeValue(*access) : 0;
  ULONGLONG w = write ? FileTimeValue(*write) : 0;
  return Result(file->io->SetTimes(access ? &a : nullptr, write ? &w : nullptr));
}

BOOL DeleteFileA(const char* name) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  return Result(CurrentVfs().Delete(OsPath(name)));
}

BOOL MoveFileA(const char* from, const char* to) {
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  if (!*from || !*to) return Fail(ERROR_PATH_NOT_FOUND);
  return Result(CurrentVfs().Rename(OsPath(from), OsPath(to)));
}

BOOL MoveFileExA(const char* from, const char* to, DWORD flags) {
  if (!(flags & MOVEFILE_REPLACE_EXISTING)) return MoveFileA(from, to);
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  if (!*from || !*to) return Fail(ERROR_PATH_NOT_FOUND);
  return Result(CurrentVfs().Replace(OsPath(to), OsPath(from)));
}

BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) {
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  HANDLE in = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return FALSE;
  auto source = detail::FindFile(in);
  VfsInfo info;
  DWORD e = source->io->Stat(&info);
  if (e != ERROR_SUCCESS) {
    source.reset();
    CloseHandle(in);
    return Fail(e);
  }
  HANDLE out = CreateFileA(to, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS,
                           0, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    e = GetLastError();
    source.reset();
    CloseHandle(in);
    return Fail(e);
  }
  auto target = detail::FindFile(out);
  const DWORD kBlock = 1 << 16;
  std::unique_ptr<char[]> block(new char[kBlock]);
  for (uint64_t offset = 0;;) {
    DWORD got = 0, put = 0;
    e = detail::IoRead(*source->io, offset, block.get(), kBlock, &got);
    if (e != ERROR_SUCCESS || got == 0) break;
    e = detail::IoWrite(*target->io, offset, block.get(), got, &put);
    if (e != ERROR_SUCCESS) break;
    offset += got;
  }
  if (e == ERROR_SUCCESS) target->io->SetTimes(&info.accessTime, &info.writeTime);
  source.reset();
  target.reset();
  CloseHandle(in);
  CloseHandle(out);
  if (e != ERROR_SUCCESS) {
    CurrentVfs().Delete(OsPath(to));
    return Fail(e);
  }
  if (info.attributes & FILE_ATTRIBUTE_READONLY) CurrentVfs().SetReadOnly(OsPath(to), true);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

bool GetFileIdentity(const char* name, FILEIDENTITY* identity) {
  if (name == nullptr || identity == nullptr) return false;
  VfsInfo info;
  if (CurrentVfs().Stat(OsPath(name), &info) != ERROR_SUCCESS) return false;
  *identity = FILEIDENTITY{info.volume, info.id};
  return true;
}

bool GetHandleIdentity(HANDLE handle, FILEIDENTITY* identity) {
  auto file = detail::FindFile(handle);
  if (!file || identity == nullptr) return false;
  uint64_t volume = 0, id = 0;
  if (file->io->Identity(&volume, &id) != ERROR_SUCCESS || (volume == 0 && id == 0)) return false;
  *identity = FILEIDENTITY{volume, id};
  return true;
}

bool IsSameFile(const char* a, const char* b) {
  FILEIDENTITY ia, ib;
  return GetFileIdentity(a, &ia) && GetFileIdentity(b, &ib) && ia == ib;
}

DWORD GetFileAttributesA(const char* name) {
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  VfsInfo info;
  DWORD e = CurrentVfs().Stat(OsPath(name), &info);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return INVALID_FILE_ATTRIBUTES;
  }
  return info.attributes;
}

BOOL PathFileExistsA(const char* name) {
  return name != nullptr && CurrentVfs().Exists(OsPath(name)) ? TRUE : FALSE;
}

BOOL SetFileAttributesA(const char* name, DWORD attributes) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return Result(CurrentVfs().SetReadOnly(OsPath(name), readOnly));
}

BOOL CreateDirectoryA(const char* name, void* /*security*/) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  return Result(CurrentVfs().CreateFolder(FolderPath(name)));
}

BOOL RemoveDirectoryA(const char* name) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER);
  if (!*name) return Fail(ERROR_PATH_NOT_FOUND);
  return Result(CurrentVfs().RemoveFolder(FolderPath(name)));
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

namespace {

DWORD SpaceOf(const char* path, VfsSpace* space) {
  return CurrentVfs().FreeSpace(path && *path ? OsPath(path) : std::string("."), space);
}

}  // namespace

BOOL GetDiskFreeSpaceExA(const char* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                         ULARGE_INTEGER* totalFree) {
  VfsSpace space;
  DWORD e = SpaceOf(path, &space);
  if (e != ERROR_SUCCESS) return Fail(e);
  if (freeToCaller) freeToCaller->QuadPart = space.unit * space.available;
  if (total) total->QuadPart = space.unit * space.total;
  if (totalFree) totalFree->QuadPart = space.unit * space.free;
  return TRUE;
}

BOOL GetDiskFreeSpaceA(const char* path, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
  VfsSpace space;
  DWORD e = SpaceOf(path, &space);
  if (e != ERROR_SUCCESS) return Fail(e);
  // Sectors of 512 bytes; the counts are cut to 32 bits as the old call did.
  auto cut = [](ULONGLONG v) { return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : DWORD(v); };
  if (bytesPerSector) *bytesPerSector = 512;
  if (sectorsPerCluster) *sectorsPerCluster = space.unit >= 512 ? DWORD(space.unit / 512) : 1;
  if (freeClusters) *freeClusters = cut(space.available);
  if (totalClusters) *totalClusters = cut(space.total);
  return TRUE;
}

}  // namespace plat
