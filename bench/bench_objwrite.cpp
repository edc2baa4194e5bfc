// Writing objects to a sheet, in objects per second: appending new objects
// (a 16-point metric and a small semantics record each) and rewriting an
// object's metric in place, outside and inside edit mode (where every
// change takes the sheet lock, writes a journal record and raises the
// map's change counter). Argument 1 of each benchmark: edit mode; argument
// 2: write-through (synchronous writes, as the library opens files in edit
// mode) on or off.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "classifier/maprsc.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 16;
constexpr int kRewriteSet = 1000;

// A scratch folder of this run, removed at exit.
struct Scratch {
  std::string path;
  Scratch() {
    path = (fs::temp_directory_path() / ("bench_objwrite_" + std::to_string(getpid()))).string() + "/";
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string Folder() {
  static const Scratch scratch;
  return scratch.path;
}

// A new map with one sheet on a classifier holding one line kind (16).
bool CreateMap(const std::string& name) {
  const std::string rsc = Folder() + "bench.rsc";
  if (!fs::exists(rsc)) {
    RSCCREATE create{};
    std::strcpy(create.Name, "BENCH");
    create.Scale = 100000;
    TMapRsc classifier;
    if (!classifier.CreateRsc(rsc.c_str(), &create, nullptr, 0)) return false;
    RSCOBJ kind{};
    kind.Excode = 5550;
    kind.Local = LOCAL_LINE;
    if (classifier.AppendObject(&kind, 0) != 16 || !classifier.Save(1)) return false;
  }
  for (const char* ext : {".map", ".HDR", ".DAT", ".SEM", ".GRA"})
    fs::remove(Folder() + (ext[1] == 'm' ? name + ext : std::string("S1") + ext));
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
  TMap map;
  const std::string path = Folder() + name + ".map";
  if (!map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &r)) return false;
  map.CloseData();
  return true;
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
  const WORD head[4] = {0x7FFF, 12, 9, 4};  // marker, length, code, type 4
  std::memcpy(b.data(), head, 6);
  b[6] = 4;
  std::memcpy(b.data() + 8, &value, 4);
  return b;
}

struct Session {
  TMap map;
  bool ok = false;
  Session(const char* name, bool edit, bool writeThrough) {
    MessageEnableSet(0);
    plat::SetWriteThroughEnabled(writeThrough);
    if (!CreateMap(name)) return;
    const std::string path = Folder() + name + ".map";
    if (!map.OpenData(path.c_str(), 0)) return;
    if (edit) map.WorkMode(1);
    ok = map.OpenList(1) == 1;
  }
  ~Session() {
    map.CloseData();
    plat::SetWriteThroughEnabled(true);
  }
};

void BM_Append(benchmark::State& state) {
  Session s("append", state.range(0) != 0, state.range(1) != 0);
  if (!s.ok) {
    state.SkipWithError("cannot create the map");
    return;
  }
  std::vector<char> metric = Metric(1);
  std::vector<char> semn = Semantics(7);
  int n = 0;
  for (auto _ : state) {
    FVSPR d{};
    d.Local = LOCAL_LINE;
    d.Code = 16;
    if (!s.map.List.AppendObjectData(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                     reinterpret_cast<SEMANTIC*>(semn.data()), nullptr)) {
      state.SkipWithError("append failed");
      break;
    }
    ++n;
  }
  state.SetItemsProcessed(n);
}

void BM_Rewrite(benchmark::State& state) {
  Session s("rewrite", state.range(0) != 0, state.range(1) != 0);
  if (!s.ok) {
    state.SkipWithError("cannot create the map");
    return;
  }
  std::vector<char> metric = Metric(1);
  for (int i = 0; i < kRewriteSet; ++i) {
    FVSPR d{};
    d.Local = LOCAL_LINE;
    d.Code = 16;
    if (!s.map.List.AppendObjectData(&d, reinterpret_cast<LONGMETRIC*>(metric.data()), nullptr,
                                     nullptr)) {
      state.SkipWithError("append failed");
      return;
    }
  }
  std::vector<char> other = Metric(2);
  int i = 0;
  for (auto _ : state) {
    const int n = 1 + i % kRewriteSet;
    FVSPR d;
    s.map.List.ReadObjectDesc(n, &d);
    if (!s.map.List.UpdateObjectData(n, &d, reinterpret_cast<LONGMETRIC*>(other.data()), nullptr,
                                     nullptr)) {
      state.SkipWithError("rewrite failed");
      break;
    }
    ++i;
  }
  state.SetItemsProcessed(i);
  state.counters["DAT bytes"] = double(fs::file_size(Folder() + "S1.DAT"));
}

}  // namespace

BENCHMARK(BM_Append)->ArgNames({"edit", "sync"})->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
BENCHMARK(BM_Rewrite)->ArgNames({"edit", "sync"})->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});
