// Full read of a blocked raster file: a 10,000 x 10,000 8-bit raster whose
// 1,600 blocks are LZW-compressed, opened and read block by block through
// the block cache, in milliseconds per whole read (goal: 600 ms) and bytes
// of decoded raster per second. The file is written once before the runs
// and is in the system's file cache while they read it.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "raster/rmf.h"

namespace {

constexpr int kSide = 10000;

// The raster, written once per program run.
const std::string& RasterFile() {
  static benchsupport::ScratchFolder folder("bench_rmf");
  static const std::string name = [] {
    const std::string path = folder.path() + "big.rsw";
    TRmf rmf;
    if (!rmf.Create(path.c_str(), kSide, kSide, 8, nullptr, 10000, 1)) return std::string();
    return benchsupport::WriteScannedRaster(rmf) ? path : std::string();
  }();
  return name;
}

void BM_RmfFullReadLzw(benchmark::State& state) {
  const std::string& path = RasterFile();
  if (path.empty()) {
    state.SkipWithError("the raster could not be written");
    return;
  }
  TRmf rmf;
  int64_t packed = 0;
  for (auto _ : state) {
    if (!rmf.OpenFile(path.c_str(), GENERIC_READ)) {
      state.SkipWithError("the raster does not open");
      return;
    }
    DWORD sum = 0;
    for (int r = 0; r < rmf.Head.BlockRows; ++r) {
      for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
        const BYTE* b = rmf.GetBlockAddress(r, c);
        if (!b) {
          state.SkipWithError("a block does not read");
          return;
        }
        sum += b[0];
      }
    }
    benchmark::DoNotOptimize(sum);
    if (packed == 0)
      for (int n = 0; n < rmf.BlockCount(); ++n) packed += rmf.BlockLength(n);
    rmf.Close(0);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide);
  state.counters["ratio"] = double(packed) / (double(kSide) * kSide);
}
BENCHMARK(BM_RmfFullReadLzw)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
