// Text rendering throughput: glyphs laid out and emitted as spans per second,
// from a warm glyph cache, straight and rotated.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/text/text_engine.h"

namespace {

void CountSink(void* ctx, int, int x0, int x1) { *static_cast<int64_t*>(ctx) += x1 - x0; }

LOGFONTA Font(LONG height, LONG escapement) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = height;
  lf.lfEscapement = escapement;
  lf.lfCharSet = RUSSIAN_CHARSET;
  std::strcpy(lf.lfFaceName, "Arial");
  return lf;
}

void BM_RenderText(benchmark::State& state) {
  auto font = plat::text::OpenFont(Font(static_cast<LONG>(state.range(0)), static_cast<LONG>(state.range(1))));
  const char text[] = "\xCC\xEE\xF1\xEA\xE2\xE0 river Volga 1234";
  const int n = static_cast<int>(sizeof text - 1);
  int64_t pixels = 0;
  for (auto _ : state) {
    plat::text::RenderText(*font, 100, 100, TA_BASELINE, text, n, &CountSink, &pixels, nullptr);
  }
  benchmark::DoNotOptimize(pixels);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_RenderText)->Args({16, 0})->Args({16, 300})->Args({48, 0})->Args({48, 450});

void BM_TextExtent(benchmark::State& state) {
  auto font = plat::text::OpenFont(Font(16, 0));
  const char text[] = "Measured label text of a map";
  const int n = static_cast<int>(sizeof text - 1);
  for (auto _ : state) benchmark::DoNotOptimize(plat::text::TextExtent(*font, text, n));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_TextExtent);

void BM_OpenFontCached(benchmark::State& state) {
  LOGFONTA lf = Font(16, 0);
  for (auto _ : state) benchmark::DoNotOptimize(plat::text::OpenFont(lf));
}
BENCHMARK(BM_OpenFontCached);

}  // namespace
