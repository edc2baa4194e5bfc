// Fault injection for tests.
//
// Counters of page allocations (VirtualAlloc) and file writes (WriteFile)
// run all the time; a test arms a fault on the Nth of them, counted from the
// moment it arms it, to drive the library's paths for "not enough memory",
// "disk full" and "write error". Reset disarms everything.
#pragma once

#include "platform/win_types.h"

namespace plat {
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

// Page allocations and file writes seen since the last Reset.
int AllocationCount();
int WriteCount();

// Called by the allocator and the file writer: true when this allocation
// must fail.
bool TakeAllocation();
// Called by the file writer before a write of `size` bytes: true when the
// write must misbehave; then `*kind` and `*bytes` say how.
bool TakeWrite(DWORD size, WriteFault* kind, DWORD* bytes);

}  // namespace fault
}  // namespace plat
