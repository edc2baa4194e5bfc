// Internals shared by the file, lock, mapping and positional-access parts
// of the handle layer.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/file.h"
#include "platform/handles.h"
#include "platform/vfs.h"

namespace plat {
namespace detail {

// One open file handle: the file of the Vfs that opened it, with the
// handle's own position, access and locks.
struct FileObject : HandleObject {
  FileObject() : HandleObject(HandleKind::File) {}

  std::unique_ptr<VfsFile> io;
  uint64_t position = 0;
  bool canRead = false;   // opened with read access
  bool canWrite = false;  // opened with write access
  std::mutex lockList;    // guards `locks`
  struct Range {
    uint64_t offset;
    uint64_t length;
  };
  std::vector<Range> locks;  // byte ranges locked through this handle
};

std::shared_ptr<FileObject> FindFile(HANDLE handle);

// No lock range may reach this offset.
constexpr uint64_t kLockLimit = kVfsLockLimit;

// The installed Vfs when it filters operations on open files (the fault
// layer), else null: then the file is called directly.
extern std::atomic<Vfs*> g_fileFilter;

inline DWORD IoRead(VfsFile& f, uint64_t offset, void* buffer, DWORD size, DWORD* done) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Read(f, offset, buffer, size, done) : f.Read(offset, buffer, size, done);
}
inline DWORD IoWrite(VfsFile& f, uint64_t offset, const void* buffer, DWORD size, DWORD* done) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Write(f, offset, buffer, size, done)
                : f.Write(offset, buffer, size, done);
}
inline DWORD IoTruncate(VfsFile& f, uint64_t size) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Truncate(f, size) : f.Truncate(size);
}
inline DWORD IoSync(VfsFile& f) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Sync(f) : f.Sync();
}
inline DWORD IoLock(VfsFile& f, uint64_t offset, uint64_t length, bool shared) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Lock(f, offset, length, shared) : f.Lock(offset, length, shared);
}
inline DWORD IoMap(VfsFile& f, bool writable, std::shared_ptr<VfsMapping>* mapping) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->Map(f, writable, mapping) : f.Map(writable, mapping);
}
inline bool IoViewsShared(VfsFile& f) {
  Vfs* filter = g_fileFilter.load(std::memory_order_acquire);
  return filter ? filter->ViewsShared(f) : f.ViewsShared();
}

// Reads (writes) at `offset` through a handle, which must allow it, and
// leaves its position after the bytes moved; `*done` gets their count. The
// last error is set on failure.
BOOL ReadFrom(FileObject& file, uint64_t offset, void* buffer, DWORD size, DWORD* done);
BOOL WriteTo(FileObject& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done);

}  // namespace detail
}  // namespace plat
