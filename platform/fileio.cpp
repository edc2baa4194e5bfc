#include "platform/fileio.h"

#include "platform/file_internal.h"

// One handle lookup per call; the bytes move through the file's Vfs.
namespace plat {

BOOL ReadAt(HANDLE file, int64_t offset, void* buffer, DWORD size, DWORD* read) {
  if (read) *read = 0;
  auto f = detail::FindFile(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  if (offset < 0) return Fail(ERROR_NEGATIVE_SEEK);
  f->position = static_cast<uint64_t>(offset);
  DWORD got = 0;
  const BOOL ok = detail::ReadFrom(*f, f->position, buffer, size, &got);
  if (read) *read = got;
  return ok;
}

BOOL WriteAt(HANDLE file, int64_t offset, const void* buffer, DWORD size, DWORD* written) {
  if (written) *written = 0;
  auto f = detail::FindFile(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  if (offset < 0) return Fail(ERROR_NEGATIVE_SEEK);
  f->position = static_cast<uint64_t>(offset);
  DWORD done = 0;
  const BOOL ok = detail::WriteTo(*f, f->position, buffer, size, &done);
  if (written) *written = done;
  return ok;
}

bool ReadExactAt(HANDLE file, int64_t offset, void* buffer, DWORD size) {
  DWORD got = 0;
  return ReadAt(file, offset, buffer, size, &got) && got == size;
}

bool WriteExactAt(HANDLE file, int64_t offset, const void* buffer, DWORD size) {
  DWORD done = 0;
  return WriteAt(file, offset, buffer, size, &done) && done == size;
}

int64_t FileLength(HANDLE file) {
  if (file == nullptr) return -1;
  auto f = detail::FindFile(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  uint64_t size = 0;
  DWORD e = f->io->Size(&size);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return -1;
  }
  return static_cast<int64_t>(size);
}

bool GetFileStamp(HANDLE file, FileStamp* stamp) {
  auto f = detail::FindFile(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  VfsInfo info;
  const DWORD e = f->io->Stat(&info);
  if (e != ERROR_SUCCESS) return Fail(e);
  *stamp = FileStamp{info.size, info.writeTime, info.changeTime};
  return true;
}

bool SetFileLength(HANDLE file, int64_t length) {
  auto f = detail::FindFile(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  if (length < 0) return Fail(ERROR_NEGATIVE_SEEK);
  f->position = static_cast<uint64_t>(length);
  if (!f->canWrite) return Fail(ERROR_ACCESS_DENIED);
  DWORD e = detail::IoTruncate(*f->io, f->position);
  return e == ERROR_SUCCESS || Fail(e);
}

HANDLE OpenExisting(const char* name, bool write, DWORD share, DWORD flags, bool* writable) {
  if (writable) *writable = false;
  if (write) {
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                           flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      if (writable) *writable = true;
      return h;
    }
  }
  return CreateFileA(name, GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

}  // namespace plat
