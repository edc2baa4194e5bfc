// Label painting throughput: 10,000 turned labels of 10 characters each
// painted through the text engine into the memory image, in glyphs per
// second (goal: at least 500,000). Plain, boxed and shadowed labels turned
// by any whole degree (nearly every label a font of its own), plain labels
// turned by multiples of 30 degrees (a dozen fonts, kept warm), and the
// first paint of labels turned by any whole degree, every font and glyph
// realised anew.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "devices/fontreg.h"
#include "drawing/paintcontext.h"
#include "drawing/painttext.h"
#include "platform/text/font_source.h"

namespace {

constexpr int kLabels = 10000;
constexpr int kChars = 10;

struct Labels {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  std::vector<std::string> strings;
  std::vector<char*> texts;
  POLYDATA data{};
  int font = 0;

  explicit Labels(int step) {
    InitMapFontTable();
    font = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
    AllocPaintDib(1024, 768, 4);
    PaintContext.ImageWidth = 1024;
    PaintContext.ImageHeight = 768;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(0, 1000), y(20, 760), turn(0, 359 / step);
    const char* words[] = {"River\xC2\xEE\xEB\xE3\xE0", "Lake Onega", "\xCC\xEE\xF1\xEA\xE2\xE0 12 ",
                           "Hill 245.6"};
    for (int i = 0; i < kLabels; ++i) {
      const POINT p{x(random), y(random)};
      const double a = turn(random) * step * M_PI / 180.0;
      points.push_back(p);
      points.push_back(POINT{p.x + LONG(100 * std::cos(a)), p.y + LONG(100 * std::sin(a))});
      counts.push_back(2);
      std::string s = words[i % 4];
      s.resize(kChars, ' ');
      strings.push_back(s);
    }
    for (std::string& s : strings) texts.push_back(s.data());
    data.Points = points.data();
    data.PolyCounts = counts.data();
    data.Count = kLabels;
    data.Text = texts.data();
  }
};

Labels& Shared(int step) {
  static Labels any(1), twelve(30);
  return step == 1 ? any : twelve;
}

void Run(benchmark::State& state, DWORD background, DWORD shadow, int step = 1, bool cold = false) {
  Labels& l = Shared(step);
  IMGTEXT rec{};
  rec.Color = 0x202020;
  rec.BkgndColor = background;
  rec.ShadowColor = shadow;
  rec.Height = 11;
  rec.Weight = 400;
  rec.Align = TA_CENTER | TA_BASELINE;
  rec.FontIndex = WORD(l.font);
  char record[32];
  std::memcpy(record, &rec, sizeof rec);
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      plat::text::ClearFontCache();
      state.ResumeTiming();
    }
    PaintText(PaintContext.MemoryDc, &l.data, record, nullptr, TEXT_DRAW, 1.0f, 0);
  }
  state.SetItemsProcessed(state.iterations() * kLabels * kChars);
  state.counters["glyphs/s"] =
      benchmark::Counter(double(kLabels) * kChars, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TurnedLabels(benchmark::State& state) { Run(state, 0xFFFFFFFF, 0xFFFFFFFF); }
void BM_TurnedLabelsBoxed(benchmark::State& state) { Run(state, 0xE0FFFF, 0xFFFFFFFF); }
void BM_TurnedLabelsShadowed(benchmark::State& state) { Run(state, 0xFFFFFFFF, 0xC0C0C0); }
void BM_LabelsTwelveTurns(benchmark::State& state) { Run(state, 0xFFFFFFFF, 0xFFFFFFFF, 30); }
void BM_TurnedLabelsFirstPaint(benchmark::State& state) { Run(state, 0xFFFFFFFF, 0xFFFFFFFF, 1, true); }

BENCHMARK(BM_TurnedLabels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnedLabelsBoxed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnedLabelsShadowed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelsTwelveTurns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnedLabelsFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
