// A target's plain driver: replays inputs without libFuzzer, so that every
// input a campaign kept (the corpus in the source tree, reproducers
// included) is walked again by the tests of every build.
//
//   fuzzreplay_<target> PATH...      the target's seeds, then each file
//                                    (a folder: its files in name order)
//   fuzzreplay_<target> --seeds DIR  writes the target's seeds into DIR
//
// Each input's name is printed before it is walked, so a crash or a
// sanitizer report names it; the exit code is 0 when every input was
// walked and every path could be read.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "target.h"

namespace fs = std::filesystem;

namespace {

int Run(const std::string& name, const std::string& bytes) {
  std::printf("%s (%zu bytes)\n", name.c_str(), bytes.size());
  std::fflush(stdout);
  fuzz::RunInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}

bool WriteSeeds(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const fuzz::Seed& seed : fuzz::TargetSeeds()) {
    std::ofstream out(fs::path(folder) / seed.name, std::ios::binary | std::ios::trunc);
    out.write(seed.bytes.data(), std::streamsize(seed.bytes.size()));
    if (!out.flush()) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The home is made before anything else: the walks run under its fixed
  // clock and with messages off.
  if (!fuzz::FuzzHome::Get().ready()) {
    std::fprintf(stderr, "the fuzz fixtures were not built\n");
    return 2;
  }
  if (args.size() == 2 && args[0] == "--seeds") return WriteSeeds(args[1]) ? 0 : 1;
  int walked = 0;
  bool missing = false;
  for (const fuzz::Seed& seed : fuzz::TargetSeeds()) walked += Run(seed.name, seed.bytes);
  for (const std::string& arg : args) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      for (const auto& entry : fs::directory_iterator(arg, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(arg, ec)) {
      files.push_back(arg);
    } else {
      std::fprintf(stderr, "no such file or folder: %s\n", arg.c_str());
      missing = true;
    }
    for (const fs::path& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      walked += Run(file.string(), bytes.str());
    }
  }
  std::printf("%d inputs walked\n", walked);
  return missing ? 1 : 0;
}
