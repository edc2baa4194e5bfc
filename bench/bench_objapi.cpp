// Objects created, filled and committed through the C functions beside the
// same through the map object's class: 100,000 lines of two points and a
// text characteristic each, appended to a new one-sheet map. Both sides
// call the shared library as a host does (the C functions, and the
// exported class), so the difference is what the functions add: the handle
// checks and the calls. The ratio is printed at the end; the goal is that
// the functions cost under 10 % more.
//
// The maps lie in /dev/shm when there is one, so that the synchronous
// writes of each commit cost little beside the work measured.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "api/mapapi.h"
#include "bench/bench_rschead.h"
#include "mapstore/map.h"
#include "mapstore/mapregister.h"
#include "objects/objectinfo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 100000;
constexpr LONG kRoad = 31120000;
constexpr LONG kName = 1000;

struct Folder {
  fs::path path;
  Folder() {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    path = base / ("bench_objapi_" + std::to_string(getpid()));
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

const Folder& Scratch() {
  static const Folder folder;
  return folder;
}

// The classifier: a line kind and a text semantic it may carry.
std::string Classifier() {
  static const std::string path = [] {
    const std::string name = (Scratch().path / "roads.rsc").string();
    benchsupport::ClassifierHead head("ROADS");
    const HRSC rsc = mapCreateRsc(name.c_str(), &head.create, &head.palette);
    RSCOBJECT road{};
    road.Length = sizeof road;
    road.Excode = kRoad;
    std::strcpy(road.Name, "ROAD");
    const LONG kind = mapAppendRscObject(rsc, &road);
    RSCSEMANTIC semantic{};
    semantic.Code = kName;
    std::strcpy(semantic.Name, "NAME");
    mapAppendRscSemantic(rsc, &semantic);
    mapAppendRscSemanticObject(rsc, kind, kName, 1);
    mapCommitRsc(rsc);
    mapCloseRsc(rsc);
    return name;
  }();
  return path;
}

// A new map of one 20 km sheet; its files are removed when it closes.
struct Map {
  HMAP handle = 0;
  std::string name;
  explicit Map(int run) {
    name = (Scratch().path / ("roads" + std::to_string(run) + ".map")).string();
    MAPREGISTEREX reg{};
    reg.Length = sizeof reg;
    std::strcpy(reg.Name, "Roads");
    reg.Scale = 100000;
    LISTREGISTER sheet{};
    sheet.Length = sizeof sheet;
    std::strcpy(sheet.Nomenclature, "ROADS");
    std::snprintf(sheet.FileName, sizeof sheet.FileName, "R%d", run);
    sheet.XSouthWest = 6000000, sheet.YSouthWest = 7400000;
    sheet.XNorthWest = 6020000, sheet.YNorthWest = 7400000;
    sheet.XNorthEast = 6020000, sheet.YNorthEast = 7420000;
    sheet.XSouthEast = 6000000, sheet.YSouthEast = 7420000;
    handle = mapCreateMapEx(name.c_str(), Classifier().c_str(), &reg, &sheet);
  }
  ~Map() {
    if (handle) mapDeleteMap(handle);
  }
};

double X(int n, int i) { return 6000100.0 + (n % 300) * 60.0 + i * 20.0; }
double Y(int n, int i) { return 7400100.0 + (n / 300) * 55.0 + i * 15.0; }
const char kText[] = "ROAD NAME";

// Seconds spent in the timed loops of each side.
double g_seconds[2] = {0.0, 0.0};

int AppendThroughFunctions(HMAP map) {
  const HOBJ object = mapCreateObject(map, 1, 0, 0);
  int written = 0;
  for (int n = 0; n < kObjects; ++n) {
    mapClearObject(object, 1, 0);
    mapRegisterObject(object, kRoad, 0);
    mapAppendPointPlane(object, X(n, 0), Y(n, 0), 0);
    mapAppendPointPlane(object, X(n, 1), Y(n, 1), 0);
    mapAppendSemantic(object, kName, kText, sizeof kText);
    written += mapCommit(object) != 0;
  }
  mapFreeObject(object);
  return written;
}

int AppendThroughClass(HMAP handle) {
  // A document handle is the address of its main map.
  TMap* map = reinterpret_cast<TMap*>(handle);
  TObjectInfo object;
  int written = 0;
  for (int n = 0; n < kObjects; ++n) {
    object.CreateObject(map, 1, 0, 0);
    object.RegisterObject(kRoad, 0);
    object.AppendPointPlane(X(n, 0), Y(n, 0), 0);
    object.AppendPointPlane(X(n, 1), Y(n, 1), 0);
    object.AppendSemantic(kName, kText, sizeof kText);
    written += object.Commit(1) != 0;
  }
  return written;
}

void Run(benchmark::State& state, int side) {
  mapMessageEnable(0);
  static int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      Map map(++run);
      if (map.handle == 0) {
        state.SkipWithError("no map");
        break;
      }
      state.ResumeTiming();
      const auto start = std::chrono::steady_clock::now();
      const int written = side == 0 ? AppendThroughFunctions(map.handle)
                                    : AppendThroughClass(map.handle);
      const auto spent = std::chrono::steady_clock::now() - start;
      g_seconds[side] += std::chrono::duration<double>(spent).count();
      state.PauseTiming();
      if (written != kObjects) state.SkipWithError("an object was not written");
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_ObjectsThroughFunctions(benchmark::State& state) { Run(state, 0); }
void BM_ObjectsThroughClass(benchmark::State& state) { Run(state, 1); }
BENCHMARK(BM_ObjectsThroughClass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ObjectsThroughFunctions)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_seconds[0] > 0 && g_seconds[1] > 0)
    std::printf("functions / class: %.3f (goal: below 1.10)\n", g_seconds[0] / g_seconds[1]);
  return 0;
}
