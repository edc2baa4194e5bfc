// The rasters and matrices: the input is the raster, the elevation, the
// quality or the layer matrix (chosen by its first byte), opened alone into
// a document, painted, its values read, an element written, saved and
// opened again, then opened and painted through the C interface.
#include "support/rmffixture.h"
#include "target.h"

namespace fuzz {

namespace {
const std::vector<const char*> kFiles = {kRasterFile, kElevationFile, kQualityFile, kLayerFile};
}

std::vector<Seed> TargetSeeds() { return SelectorSeeds(kFiles); }

void TargetRun(const uint8_t* data, size_t size) {
  const Selected s = Select(kFiles, data, size);
  const std::string folder = FuzzHome::Get().Lay(s.file, s.bytes, false);
  if (!folder.empty()) WalkData(folder + s.file);
}

}  // namespace fuzz
