// The groups and the journal: the input is the group file, the journal or
// one of sheet 2's backup copy files (chosen by its first byte). The map
// is walked whole with its groups and journal read, every object stepped
// back through its copies and the last action undone, then appended in
// edit mode or not as the first byte says, saved, reopened, and walked
// through the C interface (the journal's actions and records included).
#include "target.h"

namespace fuzz {

namespace {
const std::vector<const char*> kFiles = {"LOG/obj.GDX", "LOG/obj.map.TAC", "LOG/S2.^HD",
                                         "LOG/S2.^DA",  "LOG/S2.^SE",      "LOG/S2.^GR"};
}

std::vector<Seed> TargetSeeds() { return SelectorSeeds(kFiles); }

void TargetRun(const uint8_t* data, size_t size) {
  const Selected s = Select(kFiles, data, size);
  const std::string folder = FuzzHome::Get().Lay(s.file, s.bytes, true);
  if (!folder.empty()) WalkMap(folder + kMapFile, s.pass % 2 == 1, true);
}

}  // namespace fuzz
