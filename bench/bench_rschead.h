// The head of a new benchmark classifier, for the library's classes and
// the exported functions alike: only the public types, so that a program
// linked with the shared library alone can use it.
#pragma once

#include <cstring>

#include "types/rsctypes.h"

namespace benchsupport {

// A classifier named `name` (at most 31 characters) at 1:100,000 with a
// palette of 16 colours, all black until the caller sets them.
struct ClassifierHead {
  explicit ClassifierHead(const char* name) {
    std::strncpy(create.Name, name, sizeof create.Name - 1);
    create.Scale = 100000;
    palette.Version = 0x0300;
    palette.Count = 16;
  }
  RSCCREATE create{};
  PALETTE256 palette{};
};

}  // namespace benchsupport
