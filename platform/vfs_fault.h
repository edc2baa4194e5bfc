// A fault layer for tests: a Vfs over another one that counts the
// file-system operations going through it and fails a chosen one.
//
// While it is installed it sees every open, read, write, truncation, sync,
// lock, rename (and replacement) and delete: the name operations because it is the current
// Vfs, the operations on open files because it filters them (also on files
// opened before it was installed). Everything else passes through
// uncounted. Not installed, it costs nothing: production code never sees
// it.
//
// Code that maps files only to spare itself reads and writes does not map
// them while it is installed (plat::ViewsAllowed() is false), so that it
// sees their every read and write. AllowViews(true) lets such code use its
// views: the layer then counts (and can fail) each mapping of a file, but
// not the loads and stores through a view.
//
// A sweep fails each operation of a task in turn (tests/support/
// fault_sweep.h does it for a test):
//   plat::FaultVfs faults;              // over the current Vfs
//   plat::ScopedVfs use(&faults);
//   faults.Fail(plat::VfsOp::Any, n);   // the nth operation from now fails
//   RunTheTask();
//   bool failed = faults.Fired() > 0;   // false: the task has fewer than n
#pragma once

#include <array>
#include <mutex>

#include "platform/vfs.h"

namespace plat {

// Operations the fault layer counts and can fail.
// Map: a mapping of an open file, counted only while views are allowed.
enum class VfsOp { Open, Read, Write, Truncate, Sync, Lock, Rename, Delete, Map, Any };
// The number of kinds before Any.
constexpr int kVfsOpKinds = static_cast<int>(VfsOp::Any);
// "open", "read", ... "any", for messages.
const char* VfsOpName(VfsOp op);

// How an operation that a fault hits misbehaves.
enum class VfsFault {
  Error,          // does nothing and fails with `error` (or the kind's code)
  DiskFull,       // does nothing and fails with ERROR_DISK_FULL
  Short,          // a read or write moves only part of the bytes and succeeds
  ShortDiskFull,  // a write moves part of the bytes, then fails with ERROR_DISK_FULL
};

struct VfsFaultMode {
  VfsFault how = VfsFault::Error;
  // Every later operation counted towards the fault fails too.
  bool persist = false;
  // Bytes a short read or write moves: always fewer than asked (-1: half).
  int bytes = -1;
  // The code of an Error; 0: the kind's own (ERROR_ACCESS_DENIED for opens,
  // renames, deletions and mappings, ERROR_READ_FAULT for reads,
  // ERROR_WRITE_FAULT for writes, truncations and syncs, ERROR_LOCK_VIOLATION
  // for locks).
  DWORD error = 0;
};

class FaultVfs final : public Vfs {
 public:
  // Over `inner`; null: the Vfs current now.
  explicit FaultVfs(Vfs* inner = nullptr);

  Vfs& inner() const { return *inner_; }
  // Lets code map files while the layer is installed (off at first).
  void AllowViews(bool allow) { allowViews_ = allow; }
  bool AllowsViews() const override { return allowViews_; }
  // Changes the Vfs underneath (only while nothing else uses this one).
  void SetInner(Vfs* inner);
  // Whether a file's views are one memory for every opener
  // (FileViewsShared): as the file system under the layer says (true, at
  // first), or never (false), as on a network or FUSE mount.
  void ShareViews(bool shared) { shareViews_ = shared; }

  // The nth operation of kind `op` from now (VfsOp::Any: of any kind)
  // misbehaves as `mode` says; n <= 0 disarms the fault of that kind. A
  // fault of each kind and one over all kinds may be armed at once.
  void Fail(VfsOp op, int n, const VfsFaultMode& mode = VfsFaultMode());
  // Disarms every fault; the counts go on.
  void Disarm();
  // Disarms every fault and zeros the counts.
  void Reset();

  // Operations seen since the last Reset: of one kind, or of all (Any).
  int Count(VfsOp op) const;
  // Operations a fault hit since the last Reset.
  int Fired() const;
  // The last of them: its kind and its number among all operations and
  // among those of its kind (counted since the last Reset).
  struct Hit {
    VfsOp kind = VfsOp::Any;
    int number = 0;
    int numberOfKind = 0;
  };
  Hit LastHit() const;

  DWORD Open(const std::string& path, const VfsOpenMode& mode, std::unique_ptr<VfsFile>* file,
             bool* existed) override;
  DWORD Delete(const std::string& path) override;
  DWORD Rename(const std::string& from, const std::string& to) override;
  DWORD Replace(const std::string& path, const std::string& replacement) override;
  DWORD Stat(const std::string& path, VfsInfo* info) override;
  bool Exists(const std::string& path) override;
  DWORD SetReadOnly(const std::string& path, bool readOnly) override;
  DWORD CreateFolder(const std::string& path) override;
  DWORD RemoveFolder(const std::string& path) override;
  DWORD FreeSpace(const std::string& path, VfsSpace* space) override;

  DWORD Read(VfsFile& file, uint64_t offset, void* buffer, DWORD size, DWORD* done) override;
  DWORD Write(VfsFile& file, uint64_t offset, const void* buffer, DWORD size, DWORD* done) override;
  DWORD Truncate(VfsFile& file, uint64_t size) override;
  DWORD Sync(VfsFile& file) override;
  DWORD Lock(VfsFile& file, uint64_t offset, uint64_t length, bool shared) override;
  DWORD Map(VfsFile& file, bool writable, std::shared_ptr<VfsMapping>* mapping) override;
  bool ViewsShared(VfsFile& file) override { return shareViews_ && file.ViewsShared(); }

 private:
  struct Trigger {
    int target = 0;  // count at which the fault fires; 0: disarmed
    VfsFaultMode mode;
  };
  // Counts an operation of kind `op`; true (and `*mode` set) when a fault
  // hits it.
  bool Take(VfsOp op, VfsFaultMode* mode);
  // The code of a fault that makes the operation fail.
  static DWORD ErrorOf(VfsOp op, const VfsFaultMode& mode);

  Vfs* inner_;
  bool allowViews_ = false;
  bool shareViews_ = true;
  mutable std::mutex lock_;
  std::array<int, kVfsOpKinds + 1> counts_{};
  std::array<Trigger, kVfsOpKinds + 1> triggers_{};
  int fired_ = 0;
  Hit last_;
};

}  // namespace plat
