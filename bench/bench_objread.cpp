// Reading map objects by number, in objects per second: a sheet of 200,000
// line objects (a 16-point metric and a small semantics record each) is
// read into one object handle, descriptor, metric and semantics copied out
// of the sheet's caches, in number order and in a scattered order.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "classifier/maprsc.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 200000;
constexpr int kPoints = 16;

std::string Folder() {
  static const std::string folder = [] {
    std::string f =
        (fs::temp_directory_path() / ("bench_objread_" + std::to_string(getpid()))).string() + "/";
    fs::remove_all(f);
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

std::vector<char> Metric(int seed) {
  const uint32_t length = 16 + kPoints * 8;
  std::vector<char> b(length, 0);
  const DWORD marker = METRIC_F32;
  std::memcpy(b.data(), &marker, 4);
  std::memcpy(b.data() + 4, &length, 4);
  const WORD count = kPoints;
  std::memcpy(b.data() + 14, &count, 2);
  for (int i = 0; i < kPoints; ++i) {
    const float x = float(1000 + seed % 5000 + i * 10), y = float(2000 + i * 7);
    std::memcpy(b.data() + 16 + i * 8, &x, 4);
    std::memcpy(b.data() + 20 + i * 8, &y, 4);
  }
  return b;
}

std::vector<char> Semantics(int value) {
  std::vector<char> b(12, 0);
  const WORD head[4] = {0x7FFF, 12, 9, 4};  // marker, length, code 9, type 4
  std::memcpy(b.data(), head, 6);
  b[6] = 4;
  std::memcpy(b.data() + 8, &value, 4);
  return b;
}

// The map, built once for all benchmarks of the run.
struct Sheet {
  TMap map;
  bool ok = false;

  Sheet() {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(false);
    const std::string rsc = Folder() + "bench.rsc";
    RSCCREATE create{};
    std::strcpy(create.Name, "BENCH");
    create.Scale = 100000;
    TMapRsc classifier;
    if (!classifier.CreateRsc(rsc.c_str(), &create, nullptr, 0)) return;
    RSCOBJ kind{};
    kind.Excode = 5550;
    kind.Local = LOCAL_LINE;
    if (classifier.AppendObject(&kind, 0) != 16 || !classifier.Save(1)) return;
    classifier.CloseRsc();

    MAPREGISTEREX reg;
    ClearMapRegisterEx(&reg);
    reg.Scale = 100000;
    TListRegister sheet;
    LISTREGISTER& r = sheet.Register;
    std::strcpy(r.FileName, "S1");
    r.XSouthWest = 6000000, r.YSouthWest = 7400000;
    r.XNorthWest = 6010000, r.YNorthWest = 7400000;
    r.XNorthEast = 6010000, r.YNorthEast = 7410000;
    r.XSouthEast = 6000000, r.YSouthEast = 7410000;
    const std::string path = Folder() + "read.map";
    if (!map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &r) || !map.OpenList(1)) return;
    for (int i = 0; i < kObjects; ++i) {
      std::vector<char> metric = Metric(i), semn = Semantics(i);
      FVSPR d{};
      d.Local = LOCAL_LINE;
      d.Code = 16;
      if (!map.List.AppendObjectData(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                     reinterpret_cast<SEMANTIC*>(semn.data()), nullptr))
        return;
    }
    map.CloseData();
    ok = map.OpenData(path.c_str(), 0) == 1 && map.OpenList(1) == 1 &&
         map.List.Count() == kObjects;
  }
  ~Sheet() {
    map.CloseData();
    fs::remove_all(Folder());
  }
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
