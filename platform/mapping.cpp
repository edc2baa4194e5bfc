// File mappings and their views.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>

#include "platform/file_internal.h"

namespace plat {

namespace {

constexpr DWORD kErrorInvalidAddress = 487;
constexpr DWORD kFileMapCopy = 0x1;

struct MappingObject : detail::HandleObject {
  MappingObject() : HandleObject(detail::HandleKind::Mapping) {}
  ~MappingObject() override {
    if (fd >= 0) ::close(fd);
  }
  int fd = -1;  // a descriptor of its own: the mapping outlives the file handle
  uint64_t size = 0;
  bool writable = false;
};

struct ViewTable {
  std::mutex lock;
  std::map<uintptr_t, size_t> views;  // address -> mapped length
};

ViewTable& Views() {
  static ViewTable* table = new ViewTable;  // outlives static destructors
  return *table;
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE file, void* /*security*/, DWORD protect, DWORD sizeHigh,
                          DWORD sizeLow, const char* /*name*/) {
  auto f = detail::FindFile(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  bool writable;
  switch (protect & 0xFF) {
    case PAGE_READONLY:
    case PAGE_WRITECOPY:
      writable = false;
      break;
    case PAGE_READWRITE:
      writable = true;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  if (!f->canRead || !f->fdReadable || (writable && (!f->canWrite || !f->fdWritable))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  struct stat st;
  if (fstat(f->fd, &st) != 0) {
    FailWithErrno();
    return nullptr;
  }
  uint64_t size = (uint64_t(sizeHigh) << 32) | sizeLow;
  uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  if (size == 0) size = fileSize;
  if (size == 0) {
    SetLastError(ERROR_FILE_INVALID);
    return nullptr;
  }
  if (size > fileSize) {
    // A read-write mapping larger than the file extends the file; a
    // read-only one cannot.
    if (!writable || size > uint64_t(INT64_MAX)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (ftruncate(f->fd, static_cast<off_t>(size)) != 0) {
      FailWithErrno();
      return nullptr;
    }
  }
  auto m = std::make_shared<MappingObject>();
  // A descriptor of its own, not a duplicate: a duplicate would share the
  // file handle's open file description and keep its byte-range locks alive
  // after the handle is closed.
  std::string self = "/proc/self/fd/" + std::to_string(f->fd);
  m->fd = ::open(self.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (m->fd < 0) m->fd = fcntl(f->fd, F_DUPFD_CLOEXEC, 0);
  if (m->fd < 0) {
    FailWithErrno();
    return nullptr;
  }
  m->size = size;
  m->writable = writable;
  HANDLE h = detail::RegisterHandle(std::move(m));
  SetLastError(ERROR_SUCCESS);
  return h;
}

void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                    SIZE_T bytes) {
  auto m = detail::Lookup<MappingObject>(mapping, detail::HandleKind::Mapping);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const bool write = (access & FILE_MAP_WRITE) != 0;  // also in FILE_MAP_ALL_ACCESS
  if (write && !m->writable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  uint64_t offset = (uint64_t(offsetHigh) << 32) | offsetLow;
  uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  if (offset % page != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // The view ends at the end of the mapping and of the file as it is now:
  // pages past the end of a file cannot be touched.
  struct stat st;
  if (fstat(m->fd, &st) != 0) {
    FailWithErrno();
    return nullptr;
  }
  uint64_t limit = m->size < uint64_t(st.st_size) ? m->size : uint64_t(st.st_size);
  if (offset >= limit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t length = limit - offset;
  if (bytes != 0 && bytes < length) length = bytes;
  int prot = PROT_READ | (write || (access & kFileMapCopy) ? PROT_WRITE : 0);
  int flags = (access & kFileMapCopy) && !write ? MAP_PRIVATE : MAP_SHARED;
  void* p = mmap(nullptr, static_cast<size_t>(length), prot, flags, m->fd,
                 static_cast<off_t>(offset));
  if (p == MAP_FAILED) {
    SetLastError(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ErrorFromErrno(errno));
    return nullptr;
  }
  ViewTable& t = Views();
  std::lock_guard<std::mutex> guard(t.lock);
  t.views[reinterpret_cast<uintptr_t>(p)] = static_cast<size_t>(length);
  return p;
}

BOOL UnmapViewOfFile(const void* view) {
  ViewTable& t = Views();
  size_t length;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.views.find(reinterpret_cast<uintptr_t>(view));
    if (it == t.views.end()) return Fail(kErrorInvalidAddress);
    length = it->second;
    t.views.erase(it);
  }
  munmap(const_cast<void*>(view), length);
  return TRUE;
}

SIZE_T ViewSize(const void* view) {
  ViewTable& t = Views();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.views.find(reinterpret_cast<uintptr_t>(view));
  return it == t.views.end() ? 0 : it->second;
}

}  // namespace plat
