#include "platform/fileio.h"

namespace plat {

namespace {

bool Seek(HANDLE file, int64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = offset;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace

BOOL ReadAt(HANDLE file, int64_t offset, void* buffer, DWORD size, DWORD* read) {
  DWORD got = 0;
  const BOOL ok = Seek(file, offset) && ReadFile(file, buffer, size, &got, nullptr);
  if (read) *read = got;
  return ok;
}

BOOL WriteAt(HANDLE file, int64_t offset, const void* buffer, DWORD size, DWORD* written) {
  DWORD done = 0;
  const BOOL ok = Seek(file, offset) && WriteFile(file, buffer, size, &done, nullptr);
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
  LARGE_INTEGER size;
  if (file == nullptr || !GetFileSizeEx(file, &size)) return -1;
  return size.QuadPart;
}

bool SetFileLength(HANDLE file, int64_t length) {
  return Seek(file, length) && SetEndOfFile(file);
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
