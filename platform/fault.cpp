#include "platform/fault.h"

#include <atomic>

#include "platform/vfs_fault.h"

namespace plat {
namespace fault {

namespace {

// The allocation fault: counted and checked with atomics, no lock, as the
// allocator runs it on every allocation. Arming happens while nothing
// allocates concurrently.
struct AllocationTrigger {
  std::atomic<int> count{0};   // allocations since the last Reset
  std::atomic<int> target{0};  // count at which the fault fires; 0: disarmed
  std::atomic<bool> persist{false};
};

AllocationTrigger& Allocations() {
  static AllocationTrigger trigger;
  return trigger;
}

// Puts the fault layer on top when it is not there.
FaultVfs& Installed() {
  FaultVfs& layer = Layer();
  if (&CurrentVfs() != &layer) {
    layer.SetInner(&CurrentVfs());
    SetVfs(&layer);
  }
  return layer;
}

}  // namespace

FaultVfs& Layer() {
  static FaultVfs* layer = new FaultVfs(&SystemVfs());  // outlives static destructors
  return *layer;
}

void FailAllocation(int n, bool persist) {
  AllocationTrigger& a = Allocations();
  a.persist = persist;
  a.target = n > 0 ? a.count + n : 0;
}

void FailWrite(int n, WriteFault kind, bool persist, int bytes) {
  VfsFaultMode mode;
  mode.how = kind == WriteFault::Short      ? VfsFault::Short
             : kind == WriteFault::DiskFull ? VfsFault::DiskFull
                                            : VfsFault::Error;
  mode.persist = persist;
  mode.bytes = bytes;
  Installed().Fail(VfsOp::Write, n, mode);
}

void Reset() {
  AllocationTrigger& a = Allocations();
  a.target = 0;
  a.persist = false;
  a.count = 0;
  Installed().Reset();
}

int AllocationCount() { return Allocations().count; }

int WriteCount() { return Layer().Count(VfsOp::Write); }

bool TakeAllocation() {
  AllocationTrigger& a = Allocations();
  const int count = a.count.fetch_add(1, std::memory_order_relaxed) + 1;
  const int target = a.target.load(std::memory_order_relaxed);
  if (target <= 0) return false;
  return count == target || (count > target && a.persist.load(std::memory_order_relaxed));
}

}  // namespace fault
}  // namespace plat
