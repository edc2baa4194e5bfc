#include "platform/path.h"

#include <cstring>

namespace plat {

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Copies [begin, end) into out of `size` bytes, cutting to fit.
void CopyPart(char* out, size_t size, const char* begin, const char* end) {
  if (!out || size == 0) return;
  size_t n = static_cast<size_t>(end - begin);
  if (n > size - 1) n = size - 1;
  std::memcpy(out, begin, n);
  out[n] = 0;
}

// Appends text to out (length *len, capacity size), cutting to fit.
void Append(char* out, size_t size, size_t* len, const char* text, size_t n) {
  if (*len + 1 >= size) return;
  size_t room = size - 1 - *len;
  if (n > room) n = room;
  std::memcpy(out + *len, text, n);
  *len += n;
  out[*len] = 0;
}

}  // namespace

bool HasDrive(const char* path) { return path && IsLetter(path[0]) && path[1] == ':'; }

bool IsAbsolutePath(const char* path) {
  return path && (HasDrive(path) || IsPathSeparator(path[0]));
}

size_t FileNameOffset(const char* path) {
  if (!path) return 0;
  size_t start = HasDrive(path) ? 2 : 0;
  for (size_t i = start; path[i]; ++i)
    if (IsPathSeparator(path[i])) start = i + 1;
  return start;
}

void SplitPath(const char* path, char* drive, char* dir, char* fname, char* ext) {
  if (!path) path = "";
  const char* p = path;
  const char* driveEnd = HasDrive(p) ? p + 2 : p;
  const char* nameBegin = path + FileNameOffset(path);
  const char* end = path + std::strlen(path);
  const char* dot = nullptr;
  for (const char* q = nameBegin; q < end; ++q)
    if (*q == '.') dot = q;
  if (!dot) dot = end;
  CopyPart(drive, MAX_DRIVE, p, driveEnd);
  CopyPart(dir, MAX_DIR, driveEnd, nameBegin);
  CopyPart(fname, MAX_FNAME, nameBegin, dot);
  CopyPart(ext, MAX_EXT, dot, end);
}

void MakePath(char* out, size_t size, const char* drive, const char* dir, const char* fname,
              const char* ext) {
  if (!out || size == 0) return;
  out[0] = 0;
  size_t len = 0;
  if (drive && *drive) {
    Append(out, size, &len, drive, 1);
    Append(out, size, &len, ":", 1);
  }
  if (dir && *dir) {
    size_t n = std::strlen(dir);
    Append(out, size, &len, dir, n);
    if (!IsPathSeparator(dir[n - 1])) {
      char sep = std::strchr(dir, '/') && !std::strchr(dir, '\\') ? '/' : '\\';
      Append(out, size, &len, &sep, 1);
    }
  }
  if (fname && *fname) Append(out, size, &len, fname, std::strlen(fname));
  if (ext && *ext) {
    if (*ext != '.') Append(out, size, &len, ".", 1);
    Append(out, size, &len, ext, std::strlen(ext));
  }
}

std::string OsPath(const char* path) {
  std::string s = path ? path : "";
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

bool OsPath(const char* path, char* out, size_t size) {
  if (!path || !out || size == 0) return false;
  size_t n = std::strlen(path);
  if (n + 1 > size) return false;
  for (size_t i = 0; i <= n; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
  return true;
}

}  // namespace plat
