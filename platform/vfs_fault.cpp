#include "platform/vfs_fault.h"

namespace plat {

namespace {

// Bytes a short transfer of `size` moves: fewer than asked, whatever the
// test gave.
DWORD ShortPart(DWORD size, int bytes) {
  DWORD n = bytes < 0 ? size / 2 : static_cast<DWORD>(bytes);
  if (size > 0 && n >= size) n = size - 1;
  return n;
}

}  // namespace

const char* VfsOpName(VfsOp op) {
  static const char* const kNames[] = {"open", "read",   "write",  "truncate", "sync",
                                       "lock", "rename", "delete", "map",      "any"};
  return kNames[static_cast<int>(op)];
}

FaultVfs::FaultVfs(Vfs* inner) : Vfs(true), inner_(inner ? inner : &CurrentVfs()) {}

void FaultVfs::SetInner(Vfs* inner) { inner_ = inner && inner != this ? inner : &SystemVfs(); }

void FaultVfs::Fail(VfsOp op, int n, const VfsFaultMode& mode) {
  std::lock_guard<std::mutex> guard(lock_);
  const int k = static_cast<int>(op);
  triggers_[k].target = n > 0 ? counts_[k] + n : 0;
  triggers_[k].mode = mode;
}

void FaultVfs::Disarm() {
  std::lock_guard<std::mutex> guard(lock_);
  triggers_.fill(Trigger());
}

void FaultVfs::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  triggers_.fill(Trigger());
  counts_.fill(0);
  fired_ = 0;
  last_ = Hit();
}

int FaultVfs::Count(VfsOp op) const {
  std::lock_guard<std::mutex> guard(lock_);
  return counts_[static_cast<int>(op)];
}

int FaultVfs::Fired() const {
  std::lock_guard<std::mutex> guard(lock_);
  return fired_;
}

FaultVfs::Hit FaultVfs::LastHit() const {
  std::lock_guard<std::mutex> guard(lock_);
  return last_;
}

bool FaultVfs::Take(VfsOp op, VfsFaultMode* mode) {
  std::lock_guard<std::mutex> guard(lock_);
  const int kinds[2] = {static_cast<int>(op), kVfsOpKinds};
  for (int k : kinds) ++counts_[k];
  for (int k : kinds) {
    const Trigger& t = triggers_[k];
    if (t.target <= 0) continue;
    if (counts_[k] == t.target || (t.mode.persist && counts_[k] > t.target)) {
      *mode = t.mode;
      ++fired_;
      last_.kind = op;
      last_.number = counts_[kVfsOpKinds];
      last_.numberOfKind = counts_[static_cast<int>(op)];
      return true;
    }
  }
  return false;
}

DWORD FaultVfs::ErrorOf(VfsOp op, const VfsFaultMode& mode) {
  if (mode.how == VfsFault::DiskFull || mode.how == VfsFault::ShortDiskFull) return ERROR_DISK_FULL;
  if (mode.error != ERROR_SUCCESS) return mode.error;
  switch (op) {
    case VfsOp::Read:
      return ERROR_READ_FAULT;
    case VfsOp::Write:
    case VfsOp::Truncate:
    case VfsOp::Sync:
      return ERROR_WRITE_FAULT;
    case VfsOp::Lock:
      return ERROR_LOCK_VIOLATION;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

DWORD FaultVfs::Open(const std::string& path, const VfsOpenMode& mode,
                     std::unique_ptr<VfsFile>* file, bool* existed) {
  VfsFaultMode armed;
  if (Take(VfsOp::Open, &armed)) return ErrorOf(VfsOp::Open, armed);
  return inner_->Open(path, mode, file, existed);
}

DWORD FaultVfs::Delete(const std::string& path) {
  VfsFaultMode mode;
  if (Take(VfsOp::Delete, &mode)) return ErrorOf(VfsOp::Delete, mode);
  return inner_->Delete(path);
}

DWORD FaultVfs::Rename(const std::string& from, const std::string& to) {
  VfsFaultMode mode;
  if (Take(VfsOp::Rename, &mode)) return ErrorOf(VfsOp::Rename, mode);
  return inner_->Rename(from, to);
}

DWORD FaultVfs::Replace(const std::string& path, const std::string& replacement) {
  VfsFaultMode mode;
  if (Take(VfsOp::Rename, &mode)) return ErrorOf(VfsOp::Rename, mode);
  return inner_->Replace(path, replacement);
}

DWORD FaultVfs::Stat(const std::string& path, VfsInfo* info) { return inner_->Stat(path, info); }

bool FaultVfs::Exists(const std::string& path) { return inner_->Exists(path); }

DWORD FaultVfs::SetReadOnly(const std::string& path, bool readOnly) {
  return inner_->SetReadOnly(path, readOnly);
}

DWORD FaultVfs::CreateFolder(const std::string& path) { return inner_->CreateFolder(path); }

DWORD FaultVfs::RemoveFolder(const std::string& path) { return inner_->RemoveFolder(path); }

DWORD FaultVfs::FreeSpace(const std::string& path, VfsSpace* space) {
  return inner_->FreeSpace(path, space);
}

DWORD FaultVfs::Read(VfsFile& file, uint64_t offset, void* buffer, DWORD size, DWORD* done) {
  VfsFaultMode mode;
  if (!Take(VfsOp::Read, &mode)) return file.Read(offset, buffer, size, done);
  *done = 0;
  if (mode.how == VfsFault::Short)
    return file.Read(offset, buffer, ShortPart(size, mode.bytes), done);
  return ErrorOf(VfsOp::Read, mode);
}

DWORD FaultVfs::Write(VfsFile& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done) {
  VfsFaultMode mode;
  if (!Take(VfsOp::Write, &mode)) return file.Write(offset, buffer, size, done);
  *done = 0;
  if (mode.how == VfsFault::Short || mode.how == VfsFault::ShortDiskFull) {
    DWORD e = file.Write(offset, buffer, ShortPart(size, mode.bytes), done);
    if (e != ERROR_SUCCESS || mode.how == VfsFault::Short) return e;
  }
  return ErrorOf(VfsOp::Write, mode);
}

DWORD FaultVfs::Truncate(VfsFile& file, uint64_t size) {
  VfsFaultMode mode;
  if (Take(VfsOp::Truncate, &mode)) return ErrorOf(VfsOp::Truncate, mode);
  return file.Truncate(size);
}

DWORD FaultVfs::Sync(VfsFile& file) {
  VfsFaultMode mode;
  if (Take(VfsOp::Sync, &mode)) return ErrorOf(VfsOp::Sync, mode);
  return file.Sync();
}

DWORD FaultVfs::Lock(VfsFile& file, uint64_t offset, uint64_t length, bool shared) {
  VfsFaultMode mode;
  if (Take(VfsOp::Lock, &mode)) return ErrorOf(VfsOp::Lock, mode);
  return file.Lock(offset, length, shared);
}

DWORD FaultVfs::Map(VfsFile& file, bool writable, std::shared_ptr<VfsMapping>* mapping) {
  // Without views no code maps a file to spare itself reads: what maps a
  // file then would have done so without the layer, uncounted as before.
  VfsFaultMode mode;
  if (allowViews_ && Take(VfsOp::Map, &mode)) return ErrorOf(VfsOp::Map, mode);
  return file.Map(writable, mapping);
}

}  // namespace plat
