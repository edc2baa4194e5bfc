// The sheet files: the input is one file of a sheet (descriptors, metric,
// semantics or graphics of sheet 1 or 2, chosen by its first byte). The
// map is walked whole (read, rewritten, appended in edit mode or not as
// the first byte says, saved, reopened, then walked and painted through
// the C interface).
#include "target.h"

namespace fuzz {

namespace {
const std::vector<const char*> kFiles = {"S1.HDR", "S1.DAT", "S1.SEM", "S1.GRA",
                                         "S2.HDR", "S2.DAT", "S2.SEM", "S2.GRA"};
}

std::vector<Seed> TargetSeeds() { return SelectorSeeds(kFiles); }

void TargetRun(const uint8_t* data, size_t size) {
  const Selected s = Select(kFiles, data, size);
  const std::string folder = FuzzHome::Get().Lay(s.file, s.bytes, true);
  if (!folder.empty()) WalkMap(folder + kMapFile, s.pass % 2 == 1);
}

}  // namespace fuzz
