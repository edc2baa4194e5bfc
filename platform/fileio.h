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

// Opens an existing file for reading and writing when `write` asks for it
// and that is allowed, else for reading only; `*writable` (when given) tells
// which. INVALID_HANDLE_VALUE when neither open succeeds, with the last
// error of the read-only attempt.
HANDLE OpenExisting(const char* name, bool write, DWORD share, DWORD flags, bool* writable);

}  // namespace plat
