#include "support/fault_sweep.h"

#include <gtest/gtest.h>

namespace mctest {

std::ostream& operator<<(std::ostream& out, const SweepRun& run) {
  out << "run " << run.n << ": ";
  if (!run.faulted) return out << "no fault (" << run.operations << " operations)";
  return out << plat::VfsOpName(run.kind) << " #" << run.kindNumber << " (operation " << run.number
             << ") failed";
}

int FaultSweep::Run(const std::function<void()>& task,
                    const std::function<void(const SweepRun&)>& check) const {
  for (int n = 1; n <= limit; ++n) {
    if (prepare) prepare();
    plat::FaultVfs faults;  // over the Vfs in use
    {
      plat::ScopedVfs use(&faults);
      faults.AllowViews(views);
      faults.ShareViews(shared);
      faults.Fail(kind, n, fault);
      task();
    }
    SweepRun run;
    run.n = n;
    run.faulted = faults.Fired() > 0;
    run.operations = faults.Count(kind);
    if (run.faulted) {
      const plat::FaultVfs::Hit hit = faults.LastHit();
      run.kind = hit.kind;
      run.kindNumber = hit.numberOfKind;
      run.number = hit.number;
    }
    check(run);
    if (!run.faulted) return n - 1;
  }
  ADD_FAILURE() << "the fault sweep did not end after " << limit << " runs";
  return limit;
}

}  // namespace mctest
