// Objects of a map of 16 sheets (a 4 x 4 grid) beside the same objects on a
// map of one sheet, in objects per second: appends that go to the sheets in
// no particular order (after a first one on each sheet, not timed), and
// reads by number of objects that lie on the sheets in no particular order
// (each read takes every point and every characteristic out of the
// object). Each runs on maps filled beforehand
// with 10,000 and with 1,000,000 objects (lines of 20 points with three
// characteristics, filled sheet by sheet), written by one process outside
// edit mode. Each runs outside edit mode and in edit mode (as a host on the
// C interface works by default: every change then also goes to the journal
// and raises the map's change counter, which each change of sheet reads).
// After the runs the program prints the rates on 16 sheets over those on
// one sheet at each size and mode; the goals are at least 0.5 for appends
// and at least 0.33 for reads.
//
// The rates are of the time that passes (the appends wait on the file
// system too). Filling the 1,000,000-object maps takes a minute; pick a
// size with --benchmark_filter (e.g. '/10000/').
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "common/messages.h"
#include "objects/objectinfo.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;
using namespace benchsupport;

constexpr int kGrid = 4;  // sheets on a side
constexpr int kSheets = kGrid * kGrid;
constexpr int kAppends = 20000;  // objects appended by one run
constexpr int kPicks = 1 << 16;
constexpr double kSide = 10000.0;  // metres
constexpr int kSizes[] = {10000, 1000000};

const std::string& Folder() {
  static const ScratchFolder folder("bench_sheetswitch");
  return folder.path();
}

using Records = LineRecords;  // the first characteristic holds the seed

// Sheet `n` (from 1) of the grid: its corners and files S<n>.*.
LISTREGISTER GridSheet(int n) {
  LISTREGISTER r{};
  r.Length = LISTREGISTER_LENGTH;
  std::snprintf(r.FileName, sizeof(r.FileName), "S%d", n);
  std::snprintf(r.Nomenclature, sizeof(r.Nomenclature), "GRID-%d", n);
  const double x = 6000000 + ((n - 1) / kGrid) * kSide, y = 7400000 + ((n - 1) % kGrid) * kSide;
  r.XSouthWest = x, r.YSouthWest = y;
  r.XNorthWest = x + kSide, r.YNorthWest = y;
  r.XNorthEast = x + kSide, r.YNorthEast = y + kSide;
  r.XSouthEast = x, r.YSouthEast = y + kSide;
  return r;
}

// A map of `sheets` sheets holding `count` objects, filled sheet by sheet
// (object k of sheet s, from 0, has seed s * count / sheets + k), then
// closed and opened again; kept open for the runs.
struct FilledMap {
  TMap map;
  int sheets = 0;
  int perSheet = 0;
  bool ok = false;

  FilledMap(int sheetCount, int count) : sheets(sheetCount), perSheet(count / sheetCount) {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(false);
    const std::string rsc = Folder() + "bench.rsc";
    if (!fs::exists(rsc) && !CreateLineClassifier(rsc)) return;
    const std::string name = "m" + std::to_string(sheets) + "_" + std::to_string(count);
    const std::string path = Folder() + name + "/bench.map";
    fs::create_directories(Folder() + name);
    MAPREGISTEREX reg;
    ClearMapRegisterEx(&reg);
    reg.Scale = 100000;
    LISTREGISTER first = GridSheet(1);
    if (map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &first) == 0) return;
    for (int s = 2; s <= sheets; ++s) {
      LISTREGISTER r = GridSheet(s);
      if (map.CreateList(&r, 0) != 1) return;
    }
    Records records;
    for (int s = 1; s <= sheets; ++s) {
      if (map.OpenList(s) != 1) return;
      for (int k = 0; k < perSheet; ++k) {
        records.Fill((s - 1) * perSheet + k);
        if (!AppendLine(map, records.metric, &records.semn)) return;
      }
    }
    map.CloseData();
    if (map.OpenData(path.c_str(), 0) != 1) return;
    ok = map.Count() == sheets;
  }
};

FilledMap* Filled(int sheets, int count) {
  static std::map<std::pair<int, int>, std::unique_ptr<FilledMap>> maps;
  std::unique_ptr<FilledMap>& slot = maps[{sheets, count}];
  if (!slot) slot = std::make_unique<FilledMap>(sheets, count);
  return slot->ok ? slot.get() : nullptr;
}

// Sheets picked in no particular order (always sheet 1 on one sheet).
std::vector<int> SheetPicks(int sheets) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> pick(1, sheets);
  std::vector<int> v(kPicks);
  for (int& s : v) s = pick(rng);
  return v;
}

void BM_Append(benchmark::State& state, int sheets) {
  FilledMap* m = Filled(sheets, int(state.range(0)));
  if (m == nullptr) return state.SkipWithError("cannot fill the map");
  m->map.WorkMode(int(state.range(1)));
  const std::vector<int> picks = SheetPicks(sheets);
  Records records;
  // One object on each sheet first: what a sheet's first write after the
  // map opens costs once (finding what its descriptors claim) is not timed.
  for (int s = 1; s <= sheets; ++s) {
    records.Fill(-s);
    if (m->map.OpenList(s) != 1 || !AppendLine(m->map, records.metric, &records.semn))
      return state.SkipWithError("append failed");
  }
  int64_t i = 0;
  for (auto _ : state) {
    records.Fill(int(i));
    if (m->map.OpenList(picks[size_t(i) % kPicks]) != 1 ||
        !AppendLine(m->map, records.metric, &records.semn))
      return state.SkipWithError("append failed");
    ++i;
  }
  state.SetItemsProcessed(i);
}

void BM_AppendOneSheet(benchmark::State& state) { BM_Append(state, 1); }
void BM_AppendSixteenSheets(benchmark::State& state) { BM_Append(state, kSheets); }

// Every point and characteristic of the object read; false when its first
// characteristic is not `seed`.
bool TouchObject(TObjectInfo& object, int seed, double* sum) {
  TDataEdit& m = object.Metric;
  if (m.FirstPointSubject(0) != nullptr) {
    do *sum += m.XDouble() + m.YDouble();
    while (m.NextPoint() != nullptr);
  }
  TWorkSemantic* w = object.Semn.Cursor();
  char* b = w->GoFirst();
  if (b == nullptr || w->CurrentValue()->LongValue() != seed) return false;
  for (; b != nullptr; b = w->GoNext()) *sum += w->CurrentValue()->LongValue();
  return true;
}

void BM_Read(benchmark::State& state, int sheets) {
  MessageEnableSet(0);
  FilledMap* m = Filled(sheets, int(state.range(0)));
  if (m == nullptr) return state.SkipWithError("cannot fill the map");
  m->map.WorkMode(int(state.range(1)));
  const std::vector<int> picks = SheetPicks(sheets);
  std::mt19937 rng(77);
  std::uniform_int_distribution<int> pickNumber(1, m->perSheet);
  std::vector<int> numbers(kPicks);
  for (int& n : numbers) n = pickNumber(rng);
  TObjectInfo object;
  int64_t i = 0;
  double sum = 0;
  for (auto _ : state) {
    const int sheet = picks[size_t(i) % kPicks], n = numbers[size_t(i) % kPicks];
    object.Object(&m->map, sheet, n);
    if (object.Desc == nullptr || object.Semn.Record() == nullptr ||
        !TouchObject(object, (sheet - 1) * m->perSheet + n - 1, &sum))
      return state.SkipWithError("read failed or read another object");
    ++i;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(i);
}

void BM_ReadOneSheet(benchmark::State& state) { BM_Read(state, 1); }
void BM_ReadSixteenSheets(benchmark::State& state) { BM_Read(state, kSheets); }

// Arguments: objects, edit mode.
void Register() {
  for (int n : kSizes) {
    for (int edit : {0, 1}) {
      benchmark::RegisterBenchmark("BM_AppendOneSheet", BM_AppendOneSheet)
          ->Args({n, edit})
          ->Iterations(kAppends)
          ->UseRealTime()
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark("BM_AppendSixteenSheets", BM_AppendSixteenSheets)
          ->Args({n, edit})
          ->Iterations(kAppends)
          ->UseRealTime()
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark("BM_ReadOneSheet", BM_ReadOneSheet)
          ->Args({n, edit})
          ->UseRealTime();
      benchmark::RegisterBenchmark("BM_ReadSixteenSheets", BM_ReadSixteenSheets)
          ->Args({n, edit})
          ->UseRealTime();
    }
  }
}

void PrintRatios(const std::map<std::string, double>& rates) {
  std::printf("\n16 sheets / one sheet, objects per second:\n");
  for (const char* what : {"Append", "Read"}) {
    for (int edit : {0, 1}) {
      for (int n : kSizes) {
        std::string suffix = "/" + std::to_string(n) + "/" + std::to_string(edit);
        if (what[0] == 'A') suffix += "/iterations:" + std::to_string(kAppends);
        suffix += "/real_time";
        auto one = rates.find(std::string("BM_") + what + "OneSheet" + suffix);
        auto many = rates.find(std::string("BM_") + what + "SixteenSheets" + suffix);
        if (one == rates.end() || many == rates.end()) continue;
        std::printf("  %-6s %-9s %8d objects: %10.0f / %10.0f = %5.2f (goal %s)\n", what,
                    edit ? "edit mode" : "", n, many->second, one->second,
                    many->second / one->second, what[0] == 'A' ? ">= 0.5" : ">= 0.33");
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunAndPrintRates(argc, argv, Register, PrintRatios);
}
