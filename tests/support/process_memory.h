// The anonymous memory the process holds, as the system counts it
// (RssAnon of /proc/self/status), for tests and benchmarks that look at
// what an operation leaves behind.
#pragma once

#include <fstream>
#include <string>

namespace testsupport {

// Bytes of anonymous memory resident now; 0 when the system does not say.
inline double AnonymousBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "RssAnon:") {
      double kb = 0;
      status >> kb;
      return kb * 1024;
    }
    std::getline(status, key);
  }
  return 0;
}

}  // namespace testsupport
