// File helpers of the classifier tests.
#include "support/rscbuilder.h"

#include <sys/stat.h>

namespace rsctest {

std::string MakeFolder(const std::string& base, const std::string& name) {
  mkdir(base.c_str(), 0755);
  std::string folder = base + "/classifier_" + name;
  mkdir(folder.c_str(), 0755);
  return folder + "/";
}

}  // namespace rsctest
