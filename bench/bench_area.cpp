// The area search of a select context: a sheet of 100,000 lines of 50
// points (random walks of about 150 m from starts spread over the 10 km
// sheet) searched against a star-shaped area of 200 vertices (radii 2 and
// 3 km) at the sheet's centre, in each relation: 1 (inside, touching or
// crossing), 0 with a distance of 100 m, and 2 (wholly inside). A third of
// the lines reach into the area's frame; the others fall to the frame
// pre-test. Time per whole search; "selected" is the sample it made.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "selection/mapselect.h"

namespace {

constexpr int kLines = 100000;
constexpr int kPoints = 50;
constexpr int kVertices = 200;
constexpr double kSheetX = 6000000, kSheetY = 7400000, kSheetSide = 10000;

struct AreaMap {
  benchsupport::ScratchFolder folder{"bench_area"};
  TMap map;
  TObjectInfo area;
  bool ok = false;

  AreaMap() {
    const std::string rsc = folder.path() + "bench.rsc";
    if (!benchsupport::CreateLineClassifier(rsc) ||
        !benchsupport::CreateOneSheetMap(map, folder.path() + "bench.map", rsc) ||
        !map.OpenList(1))
      return;
    const DOUBLEPOINT origin = *map.ViewPosition(1);
    auto toSheet = [&](double x, double y, float* out) {
      out[0] = float((x - map.X0) / map.Factor - origin.X);
      out[1] = float((y - map.Y0) / map.Factor - origin.Y);
    };
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> place(100.0, kSheetSide - 300.0);
    std::uniform_real_distribution<double> step(-2.0, 6.0);
    std::vector<char> metric(16 + kPoints * 8, 0);
    const uint32_t length = uint32_t(metric.size());
    const DWORD marker = METRIC_F32;
    const WORD count = WORD(kPoints);
    std::memcpy(metric.data(), &marker, 4);
    std::memcpy(metric.data() + 4, &length, 4);
    std::memcpy(metric.data() + 14, &count, 2);
    for (int n = 0; n < kLines; ++n) {
      double x = kSheetX + place(random), y = kSheetY + place(random);
      for (int i = 0; i < kPoints; ++i) {
        toSheet(x, y, reinterpret_cast<float*>(metric.data() + 16 + i * 8));
        x += step(random), y += step(random);
      }
      if (!benchsupport::AppendLine(map, metric, nullptr)) return;
    }
    // The star, as a free object in plane metres.
    if (!area.CreateObject(int(METRIC_F64), 0)) return;
    const double cx = kSheetX + kSheetSide / 2, cy = kSheetY + kSheetSide / 2;
    for (int i = 0; i <= kVertices; ++i) {
      const double angle = 2 * M_PI * (i % kVertices) / kVertices;
      const double radius = i % 2 == 0 ? 3000.0 : 2000.0;
      area.Metric.AppendPointSubject(0, cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    ok = true;
  }
};

AreaMap& Map() {
  static AreaMap map;
  return map;
}

void Search(benchmark::State& state, int relation, double distance) {
  AreaMap& m = Map();
  if (!m.ok) {
    state.SkipWithError("cannot build the map");
    return;
  }
  TMapSelect select(&m.map);
  select.ProgressWindow = reinterpret_cast<HWND>(intptr_t(-1));
  if (!select.AreaSet(distance, &m.area, 0, relation, 0, nullptr)) {
    state.SkipWithError("cannot set the area");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(select.SetSampleByArea(nullptr));
  state.counters["selected"] = select.GetSamplesCount(1);
  state.SetItemsProcessed(int64_t(state.iterations()) * kLines);
}

void BM_AreaSearchRelation1(benchmark::State& state) { Search(state, 1, 0.0); }
void BM_AreaSearchRelation0Within100m(benchmark::State& state) { Search(state, 0, 100.0); }
void BM_AreaSearchRelation2(benchmark::State& state) { Search(state, 2, 0.0); }

BENCHMARK(BM_AreaSearchRelation1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaSearchRelation0Within100m)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaSearchRelation2)->Unit(benchmark::kMillisecond);

}  // namespace
