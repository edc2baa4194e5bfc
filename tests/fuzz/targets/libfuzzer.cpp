// libFuzzer's entry points for a target (the fuzz build links libFuzzer's
// driver with them).
#include <cstdio>
#include <cstdlib>

#include "target.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!fuzz::FuzzHome::Get().ready()) {
    std::fprintf(stderr, "the fuzz fixtures were not built\n");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::RunInput(data, size);
  return 0;
}
