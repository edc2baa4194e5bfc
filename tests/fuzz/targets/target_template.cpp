// The marginal template: the input is the template's text, read through
// the C interface onto a user map around a frame, straight and turned; the
// objects it made are read, the document closed, opened again, read and
// painted.
#include "support/tplfixture.h"
#include "target.h"

namespace fuzz {

std::vector<Seed> TargetSeeds() {
  return {{"seed-margin.tpl", FuzzHome::Get().fixture().at(kTemplateFile)}};
}

void TargetRun(const uint8_t* data, size_t size) {
  const std::string folder = FuzzHome::Get().Lay(
      kTemplateFile, std::string(reinterpret_cast<const char*>(data), size), false);
  if (!folder.empty()) WalkTemplate(folder + kTemplateFile);
}

}  // namespace fuzz
