#include <unistd.h>

#include <filesystem>
#include <string>

#include "target.h"

namespace fuzz {

void RunInput(const uint8_t* data, size_t size) {
  std::error_code ec;
  const std::filesystem::path home = std::filesystem::current_path(ec);
  TargetRun(data, size);
  if (!ec) std::filesystem::current_path(home, ec);
}

Selected Select(const std::vector<const char*>& files, const uint8_t* data, size_t size) {
  const int first = size > 0 ? data[0] : 0;
  const int n = int(files.size());
  const char* body = reinterpret_cast<const char*>(data);
  return {files[size_t(first % n)], first / n,
          size > 0 ? std::string(body + 1, size - 1) : std::string()};
}

std::vector<Seed> SelectorSeeds(const std::vector<const char*>& files) {
  std::vector<Seed> seeds;
  const Files& fixture = FuzzHome::Get().fixture();
  for (size_t i = 0; i < files.size(); ++i) {
    auto it = fixture.find(files[i]);
    if (it == fixture.end()) continue;
    std::string name = files[i];
    for (char& c : name)
      if (c == '/' || c == '^') c = '_';
    seeds.push_back({"seed-" + name, std::string(1, char(i)) + it->second});
  }
  return seeds;
}

}  // namespace fuzz
