// Positional file access: reads and writes at an offset, the length of a
// file, and opening for writing with reading as the fallback. Every owner of
// a file in the library transfers its records through these.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace plat {

// Reads up to `size` bytes at `offset`; `*read` (when given) gets the bytes
// read, fewer at the end of the file. The handle's position ends after them.
// FALSE with the last error set when the read fails.
BOOL ReadAt(HANDLE file, int64_t offset, void* buffer, DWORD size, DWORD* read);
// Writes `size` bytes at `offset` (past the end the file grows, with zeros
// between); `*written` (when given) gets the bytes that went out.
BOOL WriteAt(HANDLE file, int64_t offset, const void* buffer, DWORD size, DWORD* written);

// True only when all `size` bytes were read (written) at `offset`.
bool ReadExactAt(HANDLE file, int64_t offset, void* buffer, DWORD size);
bool WriteExactAt(HANDLE file, int64_t offset, const void* buffer, DWORD size);

// Length of the file in bytes; -1 when it cannot be had.
int64_t FileLength(HANDLE file);
// Cuts or extends the file to `length` bytes (the position ends there).
bool SetFileLength(HANDLE file, int64_t length);

// What shows that a file changed: its size, last-write time and change
// time (FILETIME values). The change time is the file system's own clock
// of the last change of the file's data or attributes: a write moves it,
// and so does putting the last-write time back, which no caller can undo.
// Two equal stamps say that nobody wrote the file between them, unless
// both writes fell into one tick of the file system's clock (two seconds
// on some) or a writer changed pages of a mapping of the file that it had
// changed before (the system stamps a mapped page at its first change).
struct FileStamp {
  uint64_t size = 0;
  uint64_t writeTime = 0;
  uint64_t changeTime = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of an open file, in one call to the file system; false with
// the last error set when it cannot be had.
bool GetFileStamp(HANDLE file, FileStamp* stamp);

// Opens an existing file for reading and writing when `write` asks for it
// and that is allowed, else for reading only; `*writable` (when given) tells
// which. INVALID_HANDLE_VALUE when neither open succeeds, with the last
// error of the read-only attempt.
HANDLE OpenExisting(const char* name, bool write, DWORD share, DWORD flags, bool* writable);

}  // namespace plat
