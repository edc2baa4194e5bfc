// Metric editing buffer: long digitising, insertions in the middle of a
// long contour, and the area of a contour with many holes.
#include <benchmark/benchmark.h>

#include "records/dataedit.h"

namespace {

struct Edit : TDataEdit {
  Edit() { Init(); }
  ~Edit() { Free(); }
};

// Appends n points to one contour of a fresh record.
void BM_AppendPoints(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Edit e;
    e.Create(METRIC_F32, 0);
    for (int i = 0; i < n; ++i) e.AppendPointSubject(0, i * 0.5, i * 0.25);
    benchmark::DoNotOptimize(e.Record);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AppendPoints)->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// 10,000 points inserted one after another in the middle of a record of n
// points.
void BM_InsertMiddle(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Edit base;
  base.Create(METRIC_F32, 0);
  for (int i = 0; i < n; ++i) base.AppendPointSubject(0, i, i);
  for (auto _ : state) {
    state.PauseTiming();
    Edit e;
    e.Load(base.Record, 0);
    e.GoPointSubject(n / 2, 0);
    state.ResumeTiming();
    for (int i = 0; i < 10000; ++i) e.InsertPoint(i, -i);
    benchmark::DoNotOptimize(e.Record);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_InsertMiddle)->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Area of an outer square with n square holes.
void BM_SquareWithHoles(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Edit e;
  e.Create(METRIC_F64, 0);
  const double side = 10.0 * n;
  const double outer[5][2] = {{0, 0}, {0, side}, {side, side}, {side, 0}, {0, 0}};
  for (auto& p : outer) e.AppendPointSubject(0, p[0], p[1]);
  for (int h = 1; h <= n; ++h) {
    e.CreateSubject();
    double x = 10.0 * (h - 1) + 2, y = 2;
    const double hole[5][2] = {{x, y}, {x + 2, y}, {x + 2, y + 2}, {x, y + 2}, {x, y}};
    for (auto& p : hole) e.AppendPointSubject(h, p[0], p[1]);
  }
  for (auto _ : state) benchmark::DoNotOptimize(e.Square());
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SquareWithHoles)->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
