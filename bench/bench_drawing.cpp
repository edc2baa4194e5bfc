// Metric to pixel polylines: converting long 32-bit float metrics, and
// clipping a long polyline that lies mostly far outside the picture; the
// parallel copy of a long part with a loop at every inner corner.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "drawing/mapmetric.h"
#include "drawing/offsetline.h"
#include "drawing/paintcontext.h"

namespace {

constexpr int kPoints = 1000000;

// One contour of n f32 points with 32-bit counts; point i from `at`.
template <class F>
std::vector<char> Metric(int n, F at) {
  const uint32_t length = 16 + 8u * n;
  std::vector<char> b(length, 0);
  const DWORD marker = METRIC_F32;
  const WORD flags = METRIC_LONG_COUNTS;
  const DWORD count = static_cast<DWORD>(n);
  std::memcpy(b.data(), &marker, 4);
  std::memcpy(b.data() + 4, &length, 4);
  std::memcpy(b.data() + 10, &flags, 2);
  std::memcpy(b.data() + 12, &count, 4);
  for (int i = 0; i < n; ++i) {
    float x, y;
    at(i, &x, &y);
    std::memcpy(b.data() + 16 + 8 * i, &x, 4);
    std::memcpy(b.data() + 20 + 8 * i, &y, 4);
  }
  return b;
}

// A document at 0.37 pixels per discrete, painting a 1920 x 1080 window of
// a 1480 x 2220 picture; the sheet's origin at its south-west corner.
std::unique_ptr<TMapMetric> Document() {
  auto m = std::make_unique<TMapMetric>();
  m->SetPixel(1000.0, 1000.0);
  m->SetDisScale(1000.0);
  m->SetDrawScale(0.37);
  m->SetRegionDis(DFRAME{0, 0, 4000, 6000});
  m->SetDrawPlace(RECT{0, 0, 1920, 1080});
  const DOUBLEPOINT origin{0, 0};
  m->SetListPosition(&origin);
  return m;
}

// 10 conversions of a 1,000,000-point metric per iteration.
void BM_BuildMetricF32(benchmark::State& state) {
  auto m = Document();
  std::vector<char> r = Metric(kPoints, [](int i, float* x, float* y) {
    *x = static_cast<float>((i * 37) % 20000 - 10000) + 0.25f;
    *y = static_cast<float>((i * 91) % 30000 - 15000) + 0.75f;
  });
  FVSPR desc{};
  desc.X1 = desc.Y1 = -20000;
  desc.X2 = desc.Y2 = 20000;
  for (auto _ : state) {
    for (int k = 0; k < 10; ++k) {
      if (m->BuildMetric(TObjectDesc(&desc), reinterpret_cast<LONGMETRIC*>(r.data())) != 1)
        state.SkipWithError("not built");
      benchmark::DoNotOptimize(m->Poly.Points[kPoints - 1]);
    }
  }
  state.SetItemsProcessed(state.iterations() * 10 * int64_t(kPoints));
}
BENCHMARK(BM_BuildMetricF32)->Unit(benchmark::kMillisecond);

// A 1,000,000-point line, 9 of every 10 points far outside (hundreds of
// thousands to millions of pixels away), clipped to the device range; the conversion before each
// clip is not timed.
void BM_ClipMostlyOutside(benchmark::State& state) {
  auto m = Document();
  std::vector<char> r = Metric(kPoints, [](int i, float* x, float* y) {
    const int k = i % 100;
    if (k < 10) {  // inside the picture
      *x = static_cast<float>(k * 100);
      *y = static_cast<float>((i / 100) % 1000 * 5);
    } else {       // far to the south-east and back
      *x = static_cast<float>(-1e6 - k * 1e5);
      *y = static_cast<float>(1e6 + (i % 7) * 1e6);
    }
  });
  FVSPR desc{};
  desc.X1 = -20000000, desc.Y1 = -1000;
  desc.X2 = 20000, desc.Y2 = 20000000;
  int64_t kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    m->BuildMetric(TObjectDesc(&desc), reinterpret_cast<LONGMETRIC*>(r.data()));
    state.ResumeTiming();
    m->ClipPolyToGdiRange();
    kept = m->Poly.PolyCounts[0];
  }
  state.counters["points_kept"] = static_cast<double>(kept);
  state.SetItemsProcessed(state.iterations() * int64_t(kPoints));
}
BENCHMARK(BM_ClipMostlyOutside)->Unit(benchmark::kMillisecond);

// The copy of a 100,000-point zigzag 5 pixels aside: every other corner
// is an inner one whose moved segments cross.
void BM_OffsetLongPart(benchmark::State& state) {
  std::vector<POINT> part;
  for (LONG i = 0; i < 100000; ++i) part.push_back({i * 4, (i % 2) * 6});
  int count = 0;
  for (auto _ : state) {
    POINT* copy = nullptr;
    count = MakeOffsetPolyline(&copy, part.data(), int(part.size()), 5);
    benchmark::DoNotOptimize(copy);
  }
  state.counters["points"] = count;
  state.SetItemsProcessed(state.iterations() * int64_t(part.size()));
}
BENCHMARK(BM_OffsetLongPart)->Unit(benchmark::kMillisecond);

}  // namespace
