// Fault injection for tests: failing page allocations and file writes.
//
// A test arms a fault on the Nth page allocation (VirtualAlloc) or file
// write, counted from the moment it arms it, to drive the library's paths
// for "not enough memory", "disk full" and "write error". Reset disarms
// everything and restarts the counts.
//
// Writes are failed by the fault layer of the file system (platform/
// vfs_fault.h): FailWrite and Reset install it over the current Vfs when it
// is not installed, and it stays until a test installs another Vfs; it
// counts writes from then on. Tests that install a Vfs of their own arm
// faults on a FaultVfs of their own. Allocations are counted by the
// allocator itself, without a lock.
#pragma once

#include "platform/win_types.h"

namespace plat {

class FaultVfs;

namespace fault {

// What an armed write does.
enum class WriteFault {
  Error,     // writes nothing, fails with ERROR_WRITE_FAULT
  Short,     // writes only part of the data (see `bytes`) and reports success
  DiskFull,  // writes nothing, fails with ERROR_DISK_FULL
};

// The Nth page allocation from now fails (n = 1: the next one); with
// `persist` every allocation after it fails too. n <= 0 disarms.
void FailAllocation(int n, bool persist = false);

// The Nth file write from now misbehaves as `kind` says; with `persist`
// every write after it does too. For a short write, `bytes` is how many
// bytes are really written (cut below the size asked; -1: half of it).
// n <= 0 disarms.
void FailWrite(int n, WriteFault kind, bool persist = false, int bytes = -1);

// Disarms both faults and restarts the counters.
void Reset();

// Page allocations since the last Reset (since the start before the
// first), and file writes since the last Reset (0 before the first Reset or
// FailWrite).
int AllocationCount();
int WriteCount();

// The fault layer that FailWrite and Reset install.
FaultVfs& Layer();

// Called by the allocator: true when this allocation must fail.
bool TakeAllocation();

}  // namespace fault
}  // namespace plat
