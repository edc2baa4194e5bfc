#include "platform/vfs.h"

#include <atomic>

#include "platform/file_internal.h"

namespace plat {

namespace detail {

std::atomic<Vfs*> g_fileFilter{nullptr};

}  // namespace detail

namespace {

std::atomic<Vfs*> g_vfs{nullptr};  // null: the system's

}  // namespace

DWORD Vfs::Read(VfsFile& file, uint64_t offset, void* buffer, DWORD size, DWORD* done) {
  return file.Read(offset, buffer, size, done);
}

DWORD Vfs::Write(VfsFile& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done) {
  return file.Write(offset, buffer, size, done);
}

DWORD Vfs::Truncate(VfsFile& file, uint64_t size) { return file.Truncate(size); }

DWORD Vfs::Sync(VfsFile& file) { return file.Sync(); }

DWORD Vfs::Lock(VfsFile& file, uint64_t offset, uint64_t length, bool shared) {
  return file.Lock(offset, length, shared);
}

DWORD Vfs::Map(VfsFile& file, bool writable, std::shared_ptr<VfsMapping>* mapping) {
  return file.Map(writable, mapping);
}

bool Vfs::ViewsShared(VfsFile& file) { return file.ViewsShared(); }

DWORD VfsFile::Identity(uint64_t* volume, uint64_t* id) {
  VfsInfo info;
  const DWORD e = Stat(&info);
  if (e != ERROR_SUCCESS) return e;
  *volume = info.volume;
  *id = info.id;
  return ERROR_SUCCESS;
}

bool ViewsAllowed() {
  Vfs* filter = detail::g_fileFilter.load(std::memory_order_acquire);
  return filter == nullptr || filter->AllowsViews();
}

Vfs& CurrentVfs() {
  Vfs* vfs = g_vfs.load(std::memory_order_acquire);
  return vfs ? *vfs : SystemVfs();
}

Vfs* SetVfs(Vfs* vfs) {
  if (vfs == &SystemVfs()) vfs = nullptr;
  detail::g_fileFilter.store(vfs && vfs->FiltersFiles() ? vfs : nullptr, std::memory_order_release);
  return g_vfs.exchange(vfs, std::memory_order_acq_rel);
}

}  // namespace plat
