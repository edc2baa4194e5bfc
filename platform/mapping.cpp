// File mappings and their views.
#include <unistd.h>

#include <map>

#include "platform/file_internal.h"

namespace plat {

namespace {

constexpr DWORD kErrorInvalidAddress = 487;
constexpr DWORD kFileMapCopy = 0x1;

struct MappingObject : detail::HandleObject {
  MappingObject() : HandleObject(detail::HandleKind::Mapping) {}
  ~MappingObject() override {
    if (io) io->Release();
  }
  std::shared_ptr<VfsMapping> io;  // outlives the file handle
  uint64_t size = 0;
  bool writable = false;
};

struct View {
  size_t length;
  std::shared_ptr<VfsMapping> mapping;  // that releases it
};

struct ViewTable {
  std::mutex lock;
  std::map<uintptr_t, View> views;  // by address
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
  if (!f->canRead || (writable && !f->canWrite)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  uint64_t fileSize = 0;
  DWORD e = f->io->Size(&fileSize);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return nullptr;
  }
  uint64_t size = (uint64_t(sizeHigh) << 32) | sizeLow;
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
    e = detail::IoTruncate(*f->io, size);
    if (e != ERROR_SUCCESS) {
      SetLastError(e);
      return nullptr;
    }
  }
  auto m = std::make_shared<MappingObject>();
  e = detail::IoMap(*f->io, writable, &m->io);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
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
  uint64_t fileSize = 0;
  DWORD e = m->io->Size(&fileSize);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return nullptr;
  }
  uint64_t limit = m->size < fileSize ? m->size : fileSize;
  if (offset >= limit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint64_t length = limit - offset;
  if (bytes != 0 && bytes < length) length = bytes;
  void* p = nullptr;
  e = m->io->MapView(offset, static_cast<size_t>(length), write, (access & kFileMapCopy) != 0, &p);
  if (e != ERROR_SUCCESS) {
    SetLastError(e);
    return nullptr;
  }
  ViewTable& t = Views();
  std::lock_guard<std::mutex> guard(t.lock);
  t.views[reinterpret_cast<uintptr_t>(p)] = View{static_cast<size_t>(length), m->io};
  return p;
}

BOOL UnmapViewOfFile(const void* view) {
  ViewTable& t = Views();
  View v;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.views.find(reinterpret_cast<uintptr_t>(view));
    if (it == t.views.end()) return Fail(kErrorInvalidAddress);
    v = std::move(it->second);
    t.views.erase(it);
  }
  v.mapping->UnmapView(const_cast<void*>(view), v.length);
  return TRUE;
}

namespace {

// Passes the hint `advise` of a mapping on to the view that begins at
// `view`: FALSE when no view begins there.
BOOL AdviseView(const void* view, void (VfsMapping::*advise)(void*, size_t)) {
  View v;
  {
    ViewTable& t = Views();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.views.find(reinterpret_cast<uintptr_t>(view));
    if (it == t.views.end()) return Fail(kErrorInvalidAddress);
    v = it->second;
  }
  ((*v.mapping).*advise)(const_cast<void*>(view), v.length);
  return TRUE;
}

}  // namespace

BOOL AdviseViewRandom(const void* view) { return AdviseView(view, &VfsMapping::AdviseRandom); }

BOOL AdviseViewWholeRead(const void* view) {
  return AdviseView(view, &VfsMapping::AdviseWholeRead);
}

BOOL FileViewsShared(HANDLE file) {
  auto f = detail::FindFile(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE);
  SetLastError(ERROR_SUCCESS);
  return detail::IoViewsShared(*f->io) ? TRUE : FALSE;
}

SIZE_T ViewSize(const void* view) {
  ViewTable& t = Views();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.views.find(reinterpret_cast<uintptr_t>(view));
  return it == t.views.end() ? 0 : it->second.length;
}

}  // namespace plat
