// Counts of the kernel entries the system's file system (SystemVfs) makes.
#pragma once

#include <cstdint>

namespace plat {

// The kernel entries the system's file system has made in the process, by
// kind (for the tests that hold a task to the calls it makes): opens and
// closes of descriptors, stats of names and descriptors, byte-range lock
// calls (taking, testing and letting go), whole-file locks, reads, and
// mappings made.
struct SystemCallCounts {
  uint64_t open = 0, close = 0, stat = 0, lock = 0, flock = 0, read = 0, map = 0;
  // The entries of every kind.
  uint64_t All() const { return open + close + stat + lock + flock + read + map; }
};
SystemCallCounts SystemCalls();

}  // namespace plat
