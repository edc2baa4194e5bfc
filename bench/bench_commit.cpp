// Committing an object whose point was moved by map (the move registered
// and carried to the objects sharing the point), on a sheet of 100,000 line
// objects: every commit walks all their descriptors and rewrites the four
// objects that share the point and the object itself. Reported in
// milliseconds per commit; the goal is 20 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "objects/objectinfo.h"
#include "platform/file.h"

namespace {

using namespace benchsupport;

constexpr int kObjects = 100000;
constexpr int kSharing = 4;
constexpr double kShared[2] = {1000.0, 1000.0};  // sheet units

const std::string& Folder() {
  static const ScratchFolder folder("bench_commit");
  return folder.path();
}

struct Sheet {
  TMap map;
  int edited = 0;
  bool ok = false;
  Sheet() {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(false);
    const std::string rsc = Folder() + "bench.rsc";
    if (!CreateLineClassifier(rsc) || !CreateOneSheetMap(map, Folder() + "commit.map", rsc) ||
        !map.OpenList(1))
      return;
    // Short lines on a grid, none near the shared point.
    for (int i = 0; i < kObjects - kSharing - 1; ++i) {
      const float x = float(1200 + (i % 400) * 4), y = float(1200 + (i / 400) * 4);
      std::vector<char> m = F32Metric({{x, y}, {x + 2, y + 1}, {x + 3, y + 3}, {x + 1, y + 3}});
      if (!AppendLine(map, m, nullptr)) return;
    }
    const float sx = float(kShared[0]), sy = float(kShared[1]);
    for (int i = 0; i < kSharing; ++i) {
      std::vector<char> m = F32Metric({{sx - 10 - i, sy - 20}, {sx, sy}, {sx + 20, sy - 10 + i}});
      if (!AppendLine(map, m, nullptr)) return;
    }
    std::vector<char> m = F32Metric({{sx, sy}, {sx + 30, sy + 30}, {sx + 60, sy + 20}});
    if (!AppendLine(map, m, nullptr)) return;
    edited = map.List.Count();
    ok = edited == kObjects;
  }
  ~Sheet() {
    map.CloseData();
    plat::SetWriteThroughEnabled(true);
  }
};

void BM_CommitWithPointRegister(benchmark::State& state) {
  static Sheet sheet;
  if (!sheet.ok) {
    state.SkipWithError("cannot build the sheet");
    return;
  }
  TObjectInfo o;
  o.Object(&sheet.map, 1, sheet.edited);
  const double k = sheet.map.Factor;
  int step = 0;
  for (auto _ : state) {
    // Back and forth by one unit: the sharing objects follow every time.
    const double d = (step++ % 2 == 0 ? 1.0 : -1.0) * k;
    if (!o.UpdatePointPlaneInMap(o.XPlane(1, 0) + d, o.YPlane(1, 0), 1, 0,
                                 OBJECT_MOVE_PRECISION) ||
        o.Commit(1) != sheet.edited) {
      state.SkipWithError("commit failed");
      break;
    }
  }
  // The sharing objects went along.
  TObjectInfo sharer;
  sharer.Object(&sheet.map, 1, sheet.edited - 1);
  if (sharer.Metric.XNDouble(2) != o.Metric.XNDouble(1))
    state.SkipWithError("the sharing objects did not follow");
  state.counters["objects"] = kObjects;
}

}  // namespace

BENCHMARK(BM_CommitWithPointRegister)->Unit(benchmark::kMillisecond);
