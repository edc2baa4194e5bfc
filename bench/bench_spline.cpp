// Splines: a digitised line of 10,000 points smoothed and enveloped, and
// many small objects one after another, by one builder reused between
// builds as the drawing engine reuses its global one. Items are source
// points.
#include <benchmark/benchmark.h>

#include <cmath>

#include "geometry/spline.h"

namespace {

struct Edit : TDataEdit {
  Edit() { Init(); }
  ~Edit() { Free(); }
};

// A wandering line of n points at map coordinates, in floats as sheets
// keep them.
void MakeLine(Edit& e, int n, double shift) {
  e.Create(METRIC_F32, 0);
  for (int i = 0; i < n; ++i) {
    double x = 6.0e6 + shift + 4.0 * i + 25.0 * std::sin(i * 0.7);
    double y = 7.5e5 + 30.0 * std::cos(i * 0.37) + 12.0 * std::sin(i * 1.9);
    e.AppendPointSubject(0, x, y);
  }
}

void BM_SmoothLine(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Edit line;
  MakeLine(line, n, 0);
  TSplin spline;
  for (auto _ : state) benchmark::DoNotOptimize(spline.BuildSglad(&line, 30, 5, -1.0));
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["result_points"] = spline.Result.PointCount(0);
}
BENCHMARK(BM_SmoothLine)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_EnvelopeLine(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Edit line;
  MakeLine(line, n, 0);
  TSplin spline;
  for (auto _ : state) benchmark::DoNotOptimize(spline.BuildOgib(&line, 10, 4, -1.0));
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["result_points"] = spline.Result.PointCount(0);
}
BENCHMARK(BM_EnvelopeLine)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 1,000 objects of 12 points each, smoothed one by one: the cost of a
// build's set-up per painted object.
void BM_SmoothSmallObjects(benchmark::State& state) {
  constexpr int kObjects = 1000, kPoints = 12;
  static Edit objects[kObjects];
  for (int i = 0; i < kObjects; ++i) MakeLine(objects[i], kPoints, 100.0 * i);
  TSplin spline;
  for (auto _ : state)
    for (Edit& o : objects) benchmark::DoNotOptimize(spline.BuildSglad(&o, 30, 5, -1.0));
  state.SetItemsProcessed(state.iterations() * kObjects * kPoints);
}
BENCHMARK(BM_SmoothSmallObjects)->Unit(benchmark::kMicrosecond);

}  // namespace
