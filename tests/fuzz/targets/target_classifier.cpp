// The classifier: the input is the map's classifier. The map is walked
// with it whole (every kind queried, every object read, appended, saved
// and reopened, then walked and painted through the C interface), and the
// classifier is opened alone through the C interface and its kinds
// measured and painted as legend samples.
#include "target.h"

namespace fuzz {

namespace {
constexpr const char* kClassifier = "obj.rsc";
}

std::vector<Seed> TargetSeeds() {
  return {{"seed-obj.rsc", FuzzHome::Get().fixture().at(kClassifier)}};
}

void TargetRun(const uint8_t* data, size_t size) {
  const std::string folder = FuzzHome::Get().Lay(
      kClassifier, std::string(reinterpret_cast<const char*>(data), size), true);
  if (folder.empty()) return;
  WalkMap(folder + kMapFile, false);
  HostWalk(folder + kClassifier, folder + kMapFile);
}

}  // namespace fuzz
