#include "platform/system.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat {

namespace {
thread_local DWORD t_lastError = 0;
DWORD g_descriptorLimit = 0;  // set by a test; 0: the process's own

// The process's soft limit of descriptors, at most 0x7FFFFFFF; false when
// it cannot be read.
bool ProcessLimit(DWORD* most) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  *most = limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 0x7FFFFFFF ? 0x7FFFFFFF
                                                                        : DWORD(limit.rlim_cur);
  return true;
}

// The descriptors left below the process's limit `most`.
DWORD LeftBelow(DWORD most) {
  // The cheapest descriptor to take: the root folder, opened for no access.
  const int fd = ::open("/", O_PATH | O_CLOEXEC);
  if (fd < 0) return errno == EMFILE || errno == ENFILE ? 0 : most;
  ::close(fd);
  return DWORD(fd) >= most ? 0 : most - DWORD(fd);
}

}  // namespace

DWORD DescriptorLimit() {
  if (g_descriptorLimit != 0) return g_descriptorLimit;
  DWORD most = 1024;
  ProcessLimit(&most);
  return most;
}

void SetDescriptorLimit(DWORD limit) { g_descriptorLimit = limit; }

DWORD DescriptorLimitSet() { return g_descriptorLimit; }

DWORD DescriptorsLeft() {
  DWORD most = 0x7FFFFFFF;
  return ProcessLimit(&most) ? LeftBelow(most) : most;
}

DescriptorRoom DescriptorsNow() {
  DWORD most = 0;
  const bool known = ProcessLimit(&most);
  DescriptorRoom room;
  room.limit = g_descriptorLimit != 0 ? g_descriptorLimit : known ? most : 1024;
  room.left = known ? LeftBelow(most) : 0x7FFFFFFF;
  return room;
}

uint64_t PhysicalMemory() {
  static const uint64_t bytes = [] {
    const auto pages = sysconf(_SC_PHYS_PAGES);
    const auto page = sysconf(_SC_PAGESIZE);
    return pages > 0 && page > 0 ? uint64_t(pages) * uint64_t(page) : uint64_t(0);
  }();
  return bytes;
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EFBIG:
      return ERROR_FILE_TOO_LARGE;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EAGAIN:
      return ERROR_LOCK_VIOLATION;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ELOOP:
      return ERROR_INVALID_NAME;
    case EIO:
      return ERROR_GEN_FAILURE;
    case ENOSYS:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    default:
      return ERROR_GEN_FAILURE;
  }
}

BOOL FailWithErrno() {
  SetLastError(ErrorFromErrno(errno));
  return FALSE;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  // The extended record is 8 bytes longer; its extra fields stay zero.
  if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
      info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) + 8)
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD size = info->dwOSVersionInfoSize;
  std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
  info->dwMajorVersion = 5;
  info->dwMinorVersion = 1;
  info->dwBuildNumber = 2600;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  return TRUE;
}

BOOL GetComputerNameA(char* buffer, DWORD* size) {
  if (!size) return Fail(ERROR_INVALID_PARAMETER);
  char host[256] = {};
  if (gethostname(host, sizeof(host) - 1) != 0) host[0] = 0;
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = 0;
  for (const char* p = host; *p && *p != '.' && n < MAX_COMPUTERNAME_LENGTH; ++p) {
    char c = *p;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    name[n++] = c;
  }
  name[n] = 0;
  if (!buffer || *size < n + 1) {
    *size = n + 1;
    return Fail(ERROR_BUFFER_OVERFLOW);
  }
  std::memcpy(buffer, name, n + 1);
  *size = n;
  return TRUE;
}

void AtFork(void (*prepare)(), void (*parent)(), void (*child)()) {
  pthread_atfork(prepare, parent, child);
}

}  // namespace plat
