// Objects of a map of many sheets beside the same objects on a map of one
// sheet: appends that go to the sheets in no particular order (after a
// first one on each sheet, not timed), and reads by number of objects that
// lie on the sheets in no particular order (each read takes every point and
// every characteristic out of the object). Each runs on maps of 100 sheets
// (a 10 x 10 grid) filled beforehand with 10,000 and with 1,000,000
// objects, and of 1,000 sheets (10 x 100) of 1,000 objects each (lines of
// 20 points with three characteristics, filled sheet by sheet), written by
// one process outside edit mode. Each runs outside edit mode and in edit
// mode (as a host on the C interface works by default: every change then
// also goes to the journal and raises the map's change counter, which each
// change of sheet reads). Beside them, appends to 8 sheets of 312,500
// objects in no particular order against appends to one of those sheets
// (the same map): large sheets, each written afresh after others were.
// And reads on 10,000,000 objects in 100 sheets of 100,000 against the
// 1,000,000 in 100 sheets (a map ten times as large, laid out alike).
// Appends to 1,000 sheets of 1,000 in no particular order against appends
// to one of its own sheets (the same map). Reads on 1,000,000 objects in
// 4,000 sheets of 250 (national maps of thousands of sheets), and the
// same with the process's soft limit of descriptors lowered to 1,024 for
// the run; these two run with the maps of other runs closed, as a host
// working on one map.
//
// One run times both sides: rounds of work on one sheet and on many
// sheets take turns, each side timed over its own rounds, so that a
// machine shared with other work slows both alike. Each run reports both
// rates (objects per second) and their ratio, many sheets over one sheet,
// and fails when the ratio is below its goal: at least 0.5 for appends
// (0.3 on 1,000 sheets) and at least 0.3 for reads (0.5 for 10,000,000
// objects over 1,000,000: reads within twice the time; 0.05 on 4,000
// sheets, 0.02 within 1,024 descriptors). Beside them: the sheets
// the map of many sheets keeps open, the descriptors the sheets kept by
// the process hold, and the cache memory of the sheets that map left for
// another one. The ratios are printed again at the end. BM_AppendAfterOpen:
// appends to a map of one sheet of 10,000 and of 1,000,000 objects, opened
// again before each round of 20,000, the first append after the opening
// (which finds what the descriptors claim) timed with the others; the rate
// on 1,000,000 over the rate on 10,000 (appends flat in the sheet's size)
// fails below 0.5.
//
// The rates are of the time that passes (the appends wait on the file
// system too). Filling the 1,000,000-object maps takes a minute, the
// 2,500,000-object one two, the 10,000,000-object one (2.4 GB) half a
// minute to a minute more; pick a size with --benchmark_filter (e.g.
// '/10000/', or 'BM_Read/10000000' for the reads on 10,000,000 alone).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
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
#include "platform/systemcalls.h"

namespace {

namespace fs = std::filesystem;
using namespace benchsupport;

constexpr int kGrid = 10;  // sheets on a side of the grid, more in its rows
constexpr int kAppends = 20000;  // objects appended to each map by one run
constexpr int kRound = 250;      // objects a round of either side appends
constexpr int kReadRound = 1024;  // objects a round of either side reads
constexpr int kReadRounds = 400;  // rounds of a run
constexpr int kPicks = 1 << 16;
constexpr double kAppendGoal = 0.5;
constexpr double kManyAppendGoal = 0.3;  // on 1,000 sheets
constexpr double kReadGoal = 0.3;
// Reads on 4,000 sheets of 250, and the same within 1,024 descriptors.
constexpr double kFourThousandReadGoal = 0.05;
constexpr double kFewDescriptorsReadGoal = 0.02;
constexpr int kFewDescriptors = 1024;
constexpr double kTenfoldReadGoal = 0.5;  // reads on a map of ten times the objects
constexpr double kFlatGoal = 0.5;  // appends to 1,000,000 objects over appends to 10,000
constexpr double kSide = 10000.0;  // metres
constexpr int kSizes[] = {10000, 1000000};
// What a map of many sheets is set against: a one-sheet map of the same
// objects, one of its own sheets, or a map of as many sheets holding a
// tenth of its objects.
enum Against : int { ONE_SHEET, OWN_SHEET, TENTH };
// The maps of many sheets: objects, sheets, what they are set against
// (a map against a tenth of its objects only reads, one against its own
// sheet only appends), whether it only reads, and the descriptors the
// process may open meanwhile (0: as many as it may).
struct Layout {
  int objects;
  int sheets;
  Against against;
  bool readsOnly = false;
  int descriptors = 0;
};
constexpr Layout kLayouts[] = {{10000, 100, ONE_SHEET},
                               {1000000, 100, ONE_SHEET},
                               {1000000, 1000, ONE_SHEET},
                               {1000000, 1000, OWN_SHEET},
                               {1000000, 4000, ONE_SHEET, true},
                               {1000000, 4000, ONE_SHEET, true, kFewDescriptors},
                               {2500000, 8, OWN_SHEET},
                               {10000000, 100, TENTH}};

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
  const double x = 6000000 + ((n - 1) % kGrid) * kSide, y = 7400000 + ((n - 1) / kGrid) * kSide;
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
  std::string path;
  int sheets = 0;
  int perSheet = 0;
  bool ok = false;

  FilledMap(int sheetCount, int count) : sheets(sheetCount), perSheet(count / sheetCount) {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(false);
    const std::string rsc = Folder() + "bench.rsc";
    if (!fs::exists(rsc) && !CreateLineClassifier(rsc)) return;
    const std::string name = "m" + std::to_string(sheets) + "_" + std::to_string(count);
    path = Folder() + name + "/bench.map";
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

// The map of `sheets` sheets holding `count` objects; the maps of sizes
// other than `count` and `alsoCount` are done with: closed, they keep no
// files (the sheets kept by the process share half its descriptor limit).
std::map<std::pair<int, int>, std::unique_ptr<FilledMap>>& FilledMaps() {
  static std::map<std::pair<int, int>, std::unique_ptr<FilledMap>> maps;
  return maps;
}

FilledMap* Filled(int sheets, int count, int alsoCount = 0) {
  auto& maps = FilledMaps();
  std::erase_if(maps, [&](const auto& m) {
    return m.first.second != count && m.first.second != alsoCount &&
           !(m.first.first == 1 && m.first.second == kSizes[0]);
  });
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

using Clock = std::chrono::steady_clock;

// One side of a run: a map, the sheets its work goes to and the objects
// it reads, its time, and the seconds of each of its rounds.
struct Side {
  FilledMap* map = nullptr;
  std::vector<int> picks;
  std::vector<int> numbers;
  Clock::duration took{};
  int64_t done = 0;
  uint64_t locks = 0, calls = 0;  // kernel entries of the timed work (appends)
  std::vector<double> rounds;
  double Rate() const { return done / std::chrono::duration<double>(took).count(); }
  void Took(Clock::duration round) {
    took += round;
    rounds.push_back(std::chrono::duration<double>(round).count());
  }
};

// The ratios of the runs, printed again after them.
std::vector<std::string>& Ratios() {
  static std::vector<std::string> lines;
  return lines;
}

// The rates of appends to one sheet, by its objects, for the check that
// they stay flat in the sheet's size.
std::map<int, double>& OneSheetAppends() {
  static std::map<int, double> rates;
  return rates;
}

// Reports both rates, the ratio against `goal` (failing the run below it)
// and what the map of many sheets keeps. The sides take turns, a round
// each, so that both see the same load of the machine; the ratio is the
// median of the rounds' (the same work on each side), which a round
// disturbed now and then does not move. Elapsed time: in edit mode the
// work waits for the disk.
void Report(benchmark::State& state, const char* what, const Side& one, const Side& many,
            double goal) {
  std::vector<double> ratios;
  for (size_t k = 0; k < one.rounds.size() && k < many.rounds.size(); ++k)
    ratios.push_back(one.rounds[k] / many.rounds[k]);
  const double ratio = benchsupport::Median(ratios);
  state.counters["one_sheet"] = one.Rate();
  state.counters["sheets"] = many.Rate();
  state.counters["ratio"] = ratio;
  const TMapList& list = many.map->map.List;
  state.counters["kept_sheets"] = list.KeptSheets();
  state.counters["kept_fds"] = TMapList::KeptDescriptors();
  state.counters["kept_cache_MB"] = double(list.ParkedCacheBytes()) / (1 << 20);
  char line[200];
  static const char* const against[] = {"", " (one of its own)", " (over a tenth)"};
  const std::string limit =
      state.range(4) != 0 ? ", " + std::to_string(state.range(4)) + " descriptors" : "";
  std::snprintf(line, sizeof(line),
                "  %-6s %-9s %8d objects, %4d sheets%s%s: %10.0f / %10.0f = %6.4f (goal >= %.2f)",
                what, state.range(1) ? "edit mode" : "", int(state.range(0)), int(state.range(2)),
                against[state.range(3)], limit.c_str(), many.Rate(), one.Rate(), ratio, goal);
  Ratios().push_back(line);
  std::snprintf(line, sizeof(line), "    kept: %d sheets, %d descriptors, %.0f MB of caches",
                list.KeptSheets(), TMapList::KeptDescriptors(),
                double(list.ParkedCacheBytes()) / (1 << 20));
  Ratios().push_back(line);
  if (many.calls != 0 || one.calls != 0) {
    std::snprintf(line, sizeof(line),
                  "    calls an object: %.2f (of them locks %.2f) / %.2f (%.2f)",
                  double(many.calls) / double(many.done), double(many.locks) / double(many.done),
                  double(one.calls) / double(one.done), double(one.locks) / double(one.done));
    Ratios().push_back(line);
  }
  if (ratio < goal) {
    Ratios().push_back(std::string("FAILED: ") + what + ", below the goal");
    state.SkipWithError("many sheets against one sheet: below the goal");
  }
}

// The map of one sheet (or, for a run against one of its own sheets, its
// sheet 1, or the map of as many sheets holding a tenth of the objects)
// and the map of many sheets of the run's size, in the run's edit mode:
// false (the run failed) when one cannot be filled.
bool MakeSides(benchmark::State& state, Side (&sides)[2]) {
  const int many = int(state.range(2)), objects = int(state.range(0));
  const Against against = Against(state.range(3));
  const int tenth = against == TENTH ? objects / 10 : 0;
  for (int k = 0; k < 2; ++k) {
    const int sheets = k == 0 && against == ONE_SHEET ? 1 : many;
    sides[k].map = Filled(sheets, k == 0 && tenth != 0 ? tenth : objects, tenth);
    if (sides[k].map == nullptr) {
      state.SkipWithError("cannot fill the map");
      return false;
    }
    sides[k].map->map.WorkMode(int(state.range(1)));
    sides[k].picks = k == 0 && against != TENTH ? std::vector<int>(kPicks, 1) : SheetPicks(sheets);
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> pickNumber(1, sides[k].map->perSheet);
    sides[k].numbers.resize(kPicks);
    for (int& n : sides[k].numbers) n = pickNumber(rng);
  }
  return true;
}

void BM_Append(benchmark::State& state) {
  Side sides[2];
  if (!MakeSides(state, sides)) return;
  Records records;
  // One object on each sheet first: what a sheet's first write after the
  // map opens costs once (finding what its descriptors claim) is not timed.
  for (Side& side : sides) {
    for (int s = 1; s <= side.map->sheets; ++s) {
      records.Fill(-s);
      if (side.map->map.OpenList(s) != 1 ||
          !AppendLine(side.map->map, records.metric, &records.semn))
        return state.SkipWithError("append failed");
    }
  }
  for (auto _ : state) {
    for (Side& side : sides) {
      TMap& map = side.map->map;
      const plat::SystemCallCounts before = plat::SystemCalls();
      const auto start = Clock::now();
      for (int k = 0; k < kRound; ++k, ++side.done) {
        records.Fill(int(side.done));
        if (map.OpenList(side.picks[size_t(side.done) % kPicks]) != 1 ||
            !AppendLine(map, records.metric, &records.semn))
          return state.SkipWithError("append failed");
      }
      side.Took(Clock::now() - start);
      const plat::SystemCallCounts after = plat::SystemCalls();
      side.locks += after.lock - before.lock;
      side.calls += after.All() - before.All();
    }
  }
  Report(state, "Append", sides[0], sides[1],
         state.range(2) >= 1000 ? kManyAppendGoal : kAppendGoal);
}

// Appends to a map of one sheet opened again before each round, the
// first append after the opening (which finds what the sheet's
// descriptors claim) timed with the others: appends flat in the sheet's
// size cost about the same on 1,000,000 objects as on 10,000.
void BM_AppendAfterOpen(benchmark::State& state) {
  FilledMap* filled = Filled(1, int(state.range(0)));
  if (filled == nullptr) return state.SkipWithError("cannot fill the map");
  TMap& map = filled->map;
  map.WorkMode(0);
  Records records;
  Side side;
  Clock::duration first{};
  for (auto _ : state) {
    map.CloseData();
    if (map.OpenData(filled->path.c_str(), 0) != 1 || map.OpenList(1) != 1)
      return state.SkipWithError("cannot open the map");
    map.WorkMode(0);
    const auto start = Clock::now();
    for (int k = 0; k < kAppends; ++k, ++side.done) {
      records.Fill(int(side.done));
      if (!AppendLine(map, records.metric, &records.semn))
        return state.SkipWithError("append failed");
      if (k == 0) first += Clock::now() - start;
    }
    side.took += Clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.counters["rate"] = side.Rate();
  state.counters["first_ms"] =
      std::chrono::duration<double>(first).count() * 1e3 / double(state.iterations());
  OneSheetAppends()[int(state.range(0))] = side.Rate();
}

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

// The soft limit of the process's descriptors lowered for a run (0: left
// as it is), and put back after it; the sheets kept beyond it give theirs
// back as the library finds none left.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(int most) {
    if (most <= 0 || getrlimit(RLIMIT_NOFILE, &before_) != 0) return;
    struct rlimit lowered = before_;
    lowered.rlim_cur = rlim_t(most);
    set_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~DescriptorLimit() {
    if (set_) setrlimit(RLIMIT_NOFILE, &before_);
  }
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;

 private:
  struct rlimit before_ {};
  bool set_ = false;
};

void BM_Read(benchmark::State& state) {
  MessageEnableSet(0);
  Side sides[2];
  if (!MakeSides(state, sides)) return;
  // On 4,000 sheets, and within few descriptors, the maps of other runs go
  // first, as a host working on one map: their kept sheets would take the
  // descriptors this map's sheets are kept with.
  if (state.range(4) != 0 || state.range(2) >= 4000)
    std::erase_if(FilledMaps(), [&](const auto& m) {
      return m.second.get() != sides[0].map && m.second.get() != sides[1].map;
    });
  // Within few descriptors the map of many sheets opens again first: the
  // sheets a run before this one kept would keep descriptors past the limit
  // and spare this run every opening it is to measure.
  if (state.range(4) != 0) {
    TMap& map = sides[1].map->map;
    map.CloseData();
    if (map.OpenData(sides[1].map->path.c_str(), 0) != 1)
      return state.SkipWithError("cannot open the map again");
    map.WorkMode(int(state.range(1)));
  }
  const DescriptorLimit limit(int(state.range(4)));
  TObjectInfo object;
  double sum = 0;
  // Each sheet read once first: what a sheet's first read after the map
  // opens costs once (opening its files) is not timed.
  for (Side& side : sides) {
    for (int s = 1; s <= side.map->sheets; ++s) {
      object.Object(&side.map->map, s, 1);
      if (object.Desc == nullptr) return state.SkipWithError("read failed");
    }
  }
  for (auto _ : state) {
    for (Side& side : sides) {
      FilledMap& m = *side.map;
      const auto start = Clock::now();
      for (int r = 0; r < kReadRound; ++r, ++side.done) {
        const size_t i = size_t(side.done) % kPicks;
        const int sheet = side.picks[i], n = side.numbers[i];
        object.Object(&m.map, sheet, n);
        if (object.Desc == nullptr || object.Semn.Record() == nullptr ||
            !TouchObject(object, (sheet - 1) * m.perSheet + n - 1, &sum))
          return state.SkipWithError("read failed or read another object");
      }
      side.Took(Clock::now() - start);
    }
  }
  benchmark::DoNotOptimize(sum);
  const double goal = state.range(3) == TENTH  ? kTenfoldReadGoal
                      : state.range(4) != 0    ? kFewDescriptorsReadGoal
                      : state.range(2) >= 4000 ? kFourThousandReadGoal
                                               : kReadGoal;
  Report(state, "Read", sides[0], sides[1], goal);
}

// Arguments: objects, edit mode, sheets, what it is set against, the
// descriptors the process may open.
void Register() {
  for (int n : kSizes)
    benchmark::RegisterBenchmark("BM_AppendAfterOpen", BM_AppendAfterOpen)
        ->Arg(n)
        ->Iterations(4)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  for (const Layout& l : kLayouts) {
    for (int edit : {0, 1}) {
      if (l.against != TENTH && !l.readsOnly)
        benchmark::RegisterBenchmark("BM_Append", BM_Append)
            ->Args({l.objects, edit, l.sheets, l.against, l.descriptors})
            ->Iterations(kAppends / kRound)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
      if (l.against == OWN_SHEET) continue;
      benchmark::RegisterBenchmark("BM_Read", BM_Read)
          ->Args({l.objects, edit, l.sheets, l.against, l.descriptors})
          ->Iterations(kReadRounds)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
}

// Prints the ratios: false when a goal of a run is missed.
bool PrintRatios(const std::map<std::string, double>&) {
  std::printf("\nmany sheets / one sheet, objects per second:\n");
  bool held = true;
  for (const std::string& line : Ratios()) {
    std::printf("%s\n", line.c_str());
    held &= line.rfind("FAILED", 0) != 0;
  }
  const auto& one = OneSheetAppends();
  auto small = one.find(kSizes[0]), large = one.find(kSizes[1]);
  if (small == one.end() || large == one.end()) return held;
  const double flat = large->second / small->second;
  std::printf("  appends to one sheet of %d objects over one of %d: %5.2f (goal >= %.1f)\n",
              kSizes[1], kSizes[0], flat, kFlatGoal);
  if (flat >= kFlatGoal) return held;
  std::printf("FAILED: appends to one sheet are not flat in its size\n");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunAndCheckRates(argc, argv, Register, PrintRatios);
}
