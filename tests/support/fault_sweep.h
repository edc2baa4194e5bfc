// Fault sweeps: a task is run once for each file-system operation it makes,
// with that operation failing, and checked after every run, so that each
// possible failure of a save (a write, a sync, a rename, ...) is seen to
// leave the files as they must be.
//
// Run n (n = 1, 2, ...) installs a fault layer (platform/vfs_fault.h) over
// the current Vfs, arms it on the nth counted operation, calls `prepare`
// without the layer, then the task under it, removes the layer and calls
// the check. The sweep ends with the first run in which the fault did not
// fire: the task made fewer than n operations and ran clean, and the check
// sees that run too (run.faulted false).
//
//   plat::MemoryVfs memory;            // or the system's files
//   plat::ScopedVfs use(&memory);
//   mctest::FaultSweep sweep;
//   sweep.prepare = [&] { memory.AddFile("/maps/a.sit", oldBytes); };
//   bool saved = false;
//   int faults = sweep.Run([&] { saved = SaveSheet("/maps/a.sit", newBytes); },
//                          [&](const mctest::SweepRun& run) {
//     // After every failure: the old sheet or the new one, whole.
//     EXPECT_EQ(memory.Contents("/maps/a.sit"), saved ? newBytes : oldBytes) << run;
//     EXPECT_TRUE(saved || run.faulted) << run;
//   });
//   EXPECT_GE(faults, 4);  // it did write, sync, rename, delete
//
// Options: `kind` sweeps only one kind of operation (every write in turn,
// say) instead of all; `fault` says how the operation fails (a short write,
// a full disk, persisting from the nth on); `views` lets code write through
// views of mapped files, each mapping counted; `shared` false has files
// report themselves not shared, as on a network mount. `prepare` restores
// the files a task changes, outside the count. Messages print a run as
// "run 2: write #2 (operation 5) failed".
#pragma once

#include <functional>
#include <ostream>

#include "platform/vfs_fault.h"

namespace mctest {

struct SweepRun {
  int n = 0;             // the operation armed in this run, counted from 1
  bool faulted = false;  // false: the task ran without a fault (the last run)
  // The (last) operation that failed: its kind, its number among the
  // operations of its kind and among all.
  plat::VfsOp kind = plat::VfsOp::Any;
  int kindNumber = 0;
  int number = 0;
  int operations = 0;  // counted operations the task made in this run
};

std::ostream& operator<<(std::ostream& out, const SweepRun& run);

struct FaultSweep {
  plat::VfsOp kind = plat::VfsOp::Any;  // the operations counted and failed
  plat::VfsFaultMode fault;             // how the armed one fails
  std::function<void()> prepare;        // before each run, nothing counted
  int limit = 10000;                    // a task never ending its sweep fails the test here
  bool views = false;                   // the layer allows views (and counts mappings)
  bool shared = true;                   // false: files report themselves not shared

  // Runs the sweep; returns the number of runs with a fault (the operations
  // of the kind that the task makes when nothing fails).
  int Run(const std::function<void()>& task,
          const std::function<void(const SweepRun&)>& check) const;
};

}  // namespace mctest
