// Reading map objects by number, in objects per second: a sheet of 200,000
// line objects (a 16-point metric and a small semantics record each) is
// read into one object handle, descriptor, metric and semantics copied out
// of the sheet's caches, in number order and in a scattered order.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "objects/objectinfo.h"
#include "platform/file.h"

namespace {

using namespace benchsupport;

constexpr int kObjects = 200000;
constexpr int kPoints = 16;

const std::string& Folder() {
  static const ScratchFolder folder("bench_objread");
  return folder.path();
}

// The map, built once for all benchmarks of the run.
struct Sheet {
  TMap map;
  bool ok = false;

  Sheet() {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(false);
    const std::string rsc = Folder() + "bench.rsc";
    const std::string path = Folder() + "read.map";
    if (!CreateLineClassifier(rsc) || !CreateOneSheetMap(map, path, rsc) || !map.OpenList(1))
      return;
    for (int i = 0; i < kObjects; ++i) {
      std::vector<char> metric = LineMetric(i, kPoints), semn = OneValueSemantics(i);
      if (!AppendLine(map, metric, &semn)) return;
    }
    map.CloseData();
    ok = map.OpenData(path.c_str(), 0) == 1 && map.OpenList(1) == 1 &&
         map.List.Count() == kObjects;
  }
  ~Sheet() { map.CloseData(); }
};

Sheet& Shared() {
  static Sheet sheet;
  return sheet;
}

void Read(benchmark::State& state, int step) {
  Sheet& s = Shared();
  if (!s.ok) {
    state.SkipWithError("cannot build the sheet");
    return;
  }
  TObjectInfo object;
  int64_t i = 0, points = 0;
  for (auto _ : state) {
    const int n = 1 + int((i * step) % kObjects);
    object.Object(&s.map, 1, n);
    if (object.Desc == nullptr || object.Semn.Record() == nullptr) {
      state.SkipWithError("read failed");
      break;
    }
    points += object.Metric.Record->Length;
    ++i;
  }
  benchmark::DoNotOptimize(points);
  state.SetItemsProcessed(i);
}

void BM_ReadInOrder(benchmark::State& state) { Read(state, 1); }
// A step prime to the count: every read lands far from the previous one.
void BM_ReadScattered(benchmark::State& state) { Read(state, 7919); }

}  // namespace

BENCHMARK(BM_ReadInOrder);
BENCHMARK(BM_ReadScattered);
