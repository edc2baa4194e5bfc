// Reads of blocked raster files. The full read: a 10,000 x 10,000 8-bit
// raster whose 1,600 blocks are LZW-compressed, opened and read block by
// block through the block cache, in milliseconds per whole read (goal:
// 600 ms) and bytes of decoded raster per second; and a small raster read
// element by element with one of its blocks damaged. The files are written
// once before the runs and are in the system's file cache while they are
// read.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

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

// Every element of a 300 x 200 raster of two LZW-compressed blocks read one
// by one, intact (argument 0) and with the first block's stored bytes cut
// to half (argument 1), which then fails to decode. A block that fails is
// decoded once, not at every element read of it: the damaged run reports
// its time against the intact run's ("damaged/intact") and fails its check
// when that passes 4 (before it was remembered, some 160).
constexpr int kSmallColumns = 300, kSmallRows = 200;

const std::string& SmallRaster(bool damaged) {
  static benchsupport::ScratchFolder folder("bench_rmf_small");
  static std::string names[2];
  std::string& name = names[damaged ? 1 : 0];
  if (!name.empty()) return name;
  const std::string path = folder.path() + (damaged ? "damaged.rsw" : "intact.rsw");
  TRmf rmf;
  if (!rmf.Create(path.c_str(), kSmallColumns, kSmallRows, 8, nullptr, 10000, 1)) return name;
  rmf.Head.Compression = RMF_LZW;
  rmf.HeadChanged = 1;
  std::vector<char> block(65536), packed(65536);
  for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
    const int size = rmf.BlockRawLength(0, c);
    for (int i = 0; i < size; ++i) block[size_t(i)] = char(i / 64 % 9);
    const int n = rmf.Compress(block.data(), size, packed.data(), size);
    if (n <= 8) return name;
    const int stored = damaged && c == 0 ? n / 2 : n;
    if (rmf.WriteBlock(0, c, packed.data(), stored) != stored) return name;
  }
  if (rmf.Save() != 1) return name;
  rmf.Close();
  name = path;
  return name;
}

double intactSeconds = 0;  // per whole read, of the last intact run

void BM_RmfReadDamagedBlock(benchmark::State& state) {
  const bool damaged = state.range(0) != 0;
  const std::string& path = SmallRaster(damaged);
  if (path.empty()) {
    state.SkipWithError("the raster could not be written");
    return;
  }
  TRmf rmf;
  int64_t read = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    // Each whole read opens the file: nothing cached, nothing known.
    if (!rmf.OpenFile(path.c_str(), GENERIC_READ)) {
      state.SkipWithError("the raster does not open");
      return;
    }
    read = 0;
    for (int r = 0; r < kSmallRows; ++r)
      for (int c = 0; c < kSmallColumns; ++c) {
        LONG v;
        read += rmf.GetPoint(v, r, c);
      }
    benchmark::DoNotOptimize(read);
    rmf.Close(0);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // The intact raster reads whole; the damaged one its second block alone.
  const int64_t want = damaged ? int64_t(kSmallColumns - 256) * kSmallRows
                               : int64_t(kSmallColumns) * kSmallRows;
  if (read != want) {
    state.SkipWithError("the elements read are not those of the intact blocks");
    return;
  }
  const double perRead = seconds / double(state.iterations());
  if (!damaged) {
    intactSeconds = perRead;
    return;
  }
  if (intactSeconds > 0) {
    const double ratio = perRead / intactSeconds;
    state.counters["damaged/intact"] = ratio;
    if (ratio > 4) state.SkipWithError("a damaged block is decoded again at every element");
  }
}
BENCHMARK(BM_RmfReadDamagedBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
