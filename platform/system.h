// Kernel services of the platform layer: the calling thread's last error,
// the system version and the computer name.
//
// Every kernel call of this layer that fails sets a Windows error code that
// GetLastError returns, so that the library can test the same codes it
// would test on Windows (2 file not found, 32 sharing violation, ...).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

typedef size_t SIZE_T;

// Error codes set by the kernel calls.
enum : DWORD {
  ERROR_SUCCESS = 0,
  NO_ERROR = 0,
  ERROR_INVALID_FUNCTION = 1,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_TOO_MANY_OPEN_FILES = 4,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_INVALID_ACCESS = 12,
  ERROR_OUTOFMEMORY = 14,
  ERROR_NOT_SAME_DEVICE = 17,
  ERROR_WRITE_FAULT = 29,
  ERROR_READ_FAULT = 30,
  ERROR_GEN_FAILURE = 31,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_LOCK_VIOLATION = 33,
  ERROR_HANDLE_EOF = 38,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_BUFFER_OVERFLOW = 111,
  ERROR_DISK_FULL = 112,
  ERROR_INSUFFICIENT_BUFFER = 122,
  ERROR_INVALID_NAME = 123,
  ERROR_MOD_NOT_FOUND = 126,
  ERROR_PROC_NOT_FOUND = 127,
  ERROR_NEGATIVE_SEEK = 131,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_NOT_LOCKED = 158,
  ERROR_BAD_EXE_FORMAT = 193,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_FILE_TOO_LARGE = 223,
  ERROR_DIRECTORY = 267,
  ERROR_FILE_INVALID = 1006,
};

#pragma pack(push, 1)
// The system version record.
struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
#pragma pack(pop)
static_assert(sizeof(OSVERSIONINFOA) == 148);

enum : DWORD { VER_PLATFORM_WIN32_NT = 2 };
enum : DWORD { MAX_COMPUTERNAME_LENGTH = 15 };

namespace plat {

// The last error of the calling thread.
DWORD GetLastError();
void SetLastError(DWORD code);

// Translates an errno value into the matching Windows code.
DWORD ErrorFromErrno(int error);
// Sets the last error from errno and returns FALSE, for one-line failure
// returns.
BOOL FailWithErrno();
// Sets the last error to `code` and returns FALSE.
BOOL Fail(DWORD code);

// Fills the record with version 5.1 (the library's coordinate clipping asks
// for it). The size field must be set by the caller to the record size.
BOOL GetVersionExA(OSVERSIONINFOA* info);

// The host name in upper case, cut at its first dot and at 15 characters.
// `*size` holds the buffer size on entry and the length of the name (without
// its terminating zero) on success; when the buffer is too small the call
// fails with ERROR_BUFFER_OVERFLOW and `*size` holds the size needed.
BOOL GetComputerNameA(char* buffer, DWORD* size);

// The number of files the process may hold open at once (its soft limit
// of file descriptors; 0x7FFFFFFF when unlimited). Tests may set the value
// it answers with SetDescriptorLimit (0: the process's own again).
DWORD DescriptorLimit();
void SetDescriptorLimit(DWORD limit);
// What SetDescriptorLimit set (0: nothing), without asking the kernel.
DWORD DescriptorLimitSet();
// The files the process may still open, at most: its own limit (whatever
// SetDescriptorLimit says: this is about the descriptors it really holds)
// less the lowest descriptor free. The system hands out the lowest free
// descriptor, so every one below it is taken; the count is exact while the
// process holds no descriptor above a free one. 0 when none is free.
DWORD DescriptorsLeft();
// Both at once, with one look at the process's limit: what a caller that
// weighs the two against each other asks at every sheet it keeps.
struct DescriptorRoom {
  DWORD limit;  // as DescriptorLimit answers
  DWORD left;   // as DescriptorsLeft answers
};
DescriptorRoom DescriptorsNow();

// The bytes of memory the machine has (0 when it cannot be told).
uint64_t PhysicalMemory();

// Calls to make around a fork of the process: `prepare` in the forking
// thread before it, `parent` in the parent after it, `child` in the new
// process (whose only thread is the one that forked). State that other
// threads guard, or that names what only the parent holds, is taken and
// made over so. Any of the three may be null.
void AtFork(void (*prepare)(), void (*parent)(), void (*child)());

// FILETIME values: 100-ns intervals since 1601-01-01 UTC.
inline ULONGLONG FileTimeValue(const FILETIME& t) {
  return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
inline FILETIME MakeFileTime(ULONGLONG value) {
  return FILETIME{DWORD(value), DWORD(value >> 32)};
}

}  // namespace plat
