// Building the first reduced copy of a raster: a 10,000 x 10,000 8-bit
// raster of 1,600 LZW-compressed blocks (a scanned map: flat colours, edges
// and noise) gives a copy of 2,500 x 2,500 elements, each the most frequent
// value of its 4 x 4 window. Milliseconds per build (goal: 1,000 ms),
// measured on a file in the system's file cache; every build after the
// first replaces the copy in place.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "raster/rst.h"

namespace {

constexpr int kSide = 10000;

const std::string& RasterFile() {
  static benchsupport::ScratchFolder folder("bench_rstcopy");
  static const std::string name = [] {
    const std::string path = folder.path() + "big.rsw";
    TRst rst;
    if (!rst.Create(path.c_str(), kSide, kSide, 8, nullptr, 10000, 1000)) return std::string();
    return benchsupport::WriteScannedRaster(rst) ? path : std::string();
  }();
  return name;
}

void BM_RstFirstCopy(benchmark::State& state) {
  MessageEnableSet(0);
  const std::string& path = RasterFile();
  if (path.empty()) {
    state.SkipWithError("the raster could not be written");
    return;
  }
  TRst rst;
  if (!rst.Open(path.c_str())) {
    state.SkipWithError("the raster does not open");
    return;
  }
  for (auto _ : state) {
    if (!rst.CreateDuplicate(1)) {
      state.SkipWithError("the copy was not built");
      return;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * (kSide / 4) * (kSide / 4));
}
BENCHMARK(BM_RstFirstCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
