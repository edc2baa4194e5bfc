// Decoding speed of the block coders, in bytes of decoded block per second:
// an 8-bit raster block (LZW) and a 32-bit elevation block (matrix coder).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "codec/compress.h"

namespace {

// A 256 x 256 byte block of a scanned map: areas of flat colour with edges
// and some noise.
std::vector<char> RasterBlock() {
  std::mt19937 rng(1);
  std::vector<char> block(256 * 256);
  for (int r = 0; r < 256; ++r) {
    for (int c = 0; c < 256; ++c) {
      int v = ((r / 19) * 7 + (c / 23) * 3) % 12;
      if ((r + c) % 41 == 0) v = 15;
      if (rng() % 50 == 0) v = static_cast<int>(rng() % 256);
      block[r * 256 + c] = static_cast<char>(v);
    }
  }
  return block;
}

// A 128 x 128 block of elevations in centimetres over rolling terrain, with
// a few empty elements.
std::vector<LONG> MatrixBlock() {
  std::vector<LONG> block(128 * 128);
  for (int r = 0; r < 128; ++r) {
    for (int c = 0; c < 128; ++c) {
      double h = 15000 + 800 * std::sin(r * 0.05) + 600 * std::cos(c * 0.07) + 40 * std::sin(r * c * 0.01);
      block[r * 128 + c] = static_cast<LONG>(h);
    }
  }
  for (int i = 0; i < 128; ++i) block[i * 131 % block.size()] = -32767;
  return block;
}

void BM_LzwDecode(benchmark::State& state) {
  std::vector<char> raw = RasterBlock();
  std::vector<char> packed(raw.size());
  TCompress codec;
  int n = codec.Compress(raw.data(), static_cast<int>(raw.size()), packed.data(), static_cast<int>(packed.size()));
  if (n == 0) {
    state.SkipWithError("block does not compress");
    return;
  }
  std::vector<char> out(raw.size());
  for (auto _ : state) {
    int m = codec.Decompress(packed.data(), n, out.data(), static_cast<int>(out.size()));
    benchmark::DoNotOptimize(m);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * raw.size());
  state.counters["ratio"] = static_cast<double>(n) / raw.size();
}
BENCHMARK(BM_LzwDecode);

void BM_LzwEncode(benchmark::State& state) {
  std::vector<char> raw = RasterBlock();
  std::vector<char> packed(raw.size());
  TCompress codec;
  for (auto _ : state) {
    int n = codec.Compress(raw.data(), static_cast<int>(raw.size()), packed.data(), static_cast<int>(packed.size()));
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * raw.size());
}
BENCHMARK(BM_LzwEncode);

void BM_MatrixDecode(benchmark::State& state) {
  std::vector<LONG> raw = MatrixBlock();
  int length = static_cast<int>(raw.size() * 4);
  std::vector<char> packed(length);
  TCompress codec;
  int n = codec.CompressMtr(raw.data(), length, packed.data(), length, -32000);
  if (n == 0) {
    state.SkipWithError("block does not compress");
    return;
  }
  std::vector<char> out(length);
  for (auto _ : state) {
    int m = codec.DecompressMtr(packed.data(), n, out.data(), length);
    benchmark::DoNotOptimize(m);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
  state.counters["ratio"] = static_cast<double>(n) / length;
}
BENCHMARK(BM_MatrixDecode);

void BM_MatrixEncode(benchmark::State& state) {
  std::vector<LONG> raw = MatrixBlock();
  int length = static_cast<int>(raw.size() * 4);
  std::vector<char> packed(length);
  TCompress codec;
  for (auto _ : state) {
    int n = codec.CompressMtr(raw.data(), length, packed.data(), length, -32000);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * length);
}
BENCHMARK(BM_MatrixEncode);

}  // namespace
