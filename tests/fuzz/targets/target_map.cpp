// The map file: the input is the map's passport with its sheet register
// and key tables. The map is walked whole (read, appended, saved, reopened,
// then walked and painted through the C interface).
#include "target.h"

namespace fuzz {

std::vector<Seed> TargetSeeds() { return {{"seed-obj.map", FuzzHome::Get().fixture().at(kMapFile)}}; }

void TargetRun(const uint8_t* data, size_t size) {
  const std::string folder =
      FuzzHome::Get().Lay(kMapFile, std::string(reinterpret_cast<const char*>(data), size), true);
  if (!folder.empty()) WalkMap(folder + kMapFile, false);
}

}  // namespace fuzz
