// What every fuzz program shares: the process set up as the walks need it
// and the fixtures built once and kept in memory, and (for the
// coverage-guided targets, which run every input in one process) a scratch
// folder where each input's files are laid out afresh.
#pragma once

#include <string>
#include <vector>

#include "support/mapfixture.h"
#include "types/maptypes.h"

namespace fuzz {

// Sets the process up for the walks: a fixed clock (the fixtures' dates
// and journal stamps are the same on every run), sleeps counted instead of
// slept, no write-through, messages off, groups on. Then builds every
// fixture (the map, the rasters and matrices, the select records, the
// template, the drawing records) in `folder` (ending in '/'), through the
// library's own creating functions, and reads them back: empty when a
// step failed.
Files PrepareFixtures(const std::string& folder);

// The fixed clock the walks run under (PrepareFixtures sets it): a walk
// that moves the clock gives it back with this.
void UseFixtureClock();

// Milliseconds the library asked to sleep since the last call.
DWORD TakeSleptMilliseconds();

// True for a fixture file that is walked on its own as data (a raster or
// matrix, a select record, the template, a drawing record), not as a file
// of the map.
bool IsDataFile(const std::string& name);

// A named input of a target: the intact bytes of a fixture file, with the
// target's selector in front where it has one.
struct Seed {
  std::string name;
  std::string bytes;
};

// The scratch folder of a coverage-guided target's process (in /dev/shm
// where there is one), with the fixtures built in it once; removed when
// the process ends normally.
class FuzzHome {
 public:
  static FuzzHome& Get();
  bool ready() const { return !fixture_.empty(); }
  const Files& fixture() const { return fixture_; }

  // A fresh work folder four levels below the home (a stored name such as
  // "../x" stays inside the home) holding the map's files, or none with
  // `withMap` false, and `file` with `bytes`: the folder, ending in '/',
  // made the current one.
  std::string Lay(const std::string& file, const std::string& bytes, bool withMap);

 private:
  FuzzHome();
  std::string home_;
  Files fixture_;
};

}  // namespace fuzz
