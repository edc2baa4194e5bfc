// Writing objects to a sheet, in objects per second: appending new objects
// (a 16-point metric and a small semantics record each) and rewriting an
// object's metric in place, outside and inside edit mode (where every
// change takes the sheet lock, writes a journal record and raises the
// map's change counter). Argument 1 of each benchmark: edit mode; argument
// 2: write-through (synchronous writes, as the library opens files in edit
// mode) on or off.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;
using namespace benchsupport;

constexpr int kPoints = 16;
constexpr int kRewriteSet = 1000;

const std::string& Folder() {
  static const ScratchFolder folder("bench_objwrite");
  return folder.path();
}

// A new map with one sheet on a classifier holding one line kind (16).
bool CreateMap(const std::string& name) {
  const std::string rsc = Folder() + "bench.rsc";
  if (!fs::exists(rsc) && !CreateLineClassifier(rsc)) return false;
  for (const char* ext : {".map", ".HDR", ".DAT", ".SEM", ".GRA"})
    fs::remove(Folder() + (ext[1] == 'm' ? name + ext : std::string("S1") + ext));
  TMap map;
  if (!CreateOneSheetMap(map, Folder() + name + ".map", rsc)) return false;
  map.CloseData();
  return true;
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
  std::vector<char> metric = LineMetric(1, kPoints);
  std::vector<char> semn = OneValueSemantics(7);
  int n = 0;
  for (auto _ : state) {
    if (!AppendLine(s.map, metric, &semn)) {
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
  std::vector<char> metric = LineMetric(1, kPoints);
  for (int i = 0; i < kRewriteSet; ++i) {
    if (!AppendLine(s.map, metric, nullptr)) {
      state.SkipWithError("append failed");
      return;
    }
  }
  std::vector<char> other = LineMetric(2, kPoints);
  int i = 0;
  for (auto _ : state) {
    const int n = 1 + i % kRewriteSet;
    FVSPR d;
    s.map.List.ReadObjectDesc(n, &d);
    if (!s.map.UpdateObject(n, &d, reinterpret_cast<LONGMETRIC*>(other.data()), nullptr, nullptr)) {
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
