// The file descriptors the process holds (the entries of /proc/self/fd),
// for tests that look at what an operation opens, closes or leaves open.
// The listing's own descriptor is among them at every call alike.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace testsupport {

// The numbers of the descriptors open now, ascending.
inline std::vector<int> OpenDescriptorNumbers() {
  std::vector<int> fds;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd"))
    fds.push_back(std::atoi(fd.path().filename().c_str()));
  std::sort(fds.begin(), fds.end());
  return fds;
}

inline int OpenDescriptors() { return static_cast<int>(OpenDescriptorNumbers().size()); }

}  // namespace testsupport
