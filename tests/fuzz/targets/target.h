// A coverage-guided fuzz target: one reader of the library fed an input as
// one file among the intact fixture's, walked as the fuzz walks go
// (through the classes and through the C interface, painting included).
// Each target_*.cpp defines the two functions below; the same source is
// linked with libFuzzer's driver (libfuzzer.cpp, the fuzz build) and with
// a plain main that replays a corpus (replay.cpp, every test build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/fuzzhome.h"

namespace fuzz {

// The target's seeds: the intact files it is fed, as inputs.
std::vector<Seed> TargetSeeds();

// Walks one input. The home is ready.
void TargetRun(const uint8_t* data, size_t size);

// What the drivers call: TargetRun in the work folder, the current folder
// given back afterwards (the driver's own relative paths stay valid).
void RunInput(const uint8_t* data, size_t size);

// The file an input with a selector byte in front stands for: `files`
// chosen by the first byte (modulo their count), and the pass, the first
// byte divided by that count (a walk may take a choice from it).
struct Selected {
  const char* file;
  int pass;
  std::string bytes;
};
Selected Select(const std::vector<const char*>& files, const uint8_t* data, size_t size);
// Seeds of the intact files, each with its selector.
std::vector<Seed> SelectorSeeds(const std::vector<const char*>& files);

}  // namespace fuzz
