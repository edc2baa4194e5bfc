// Opening and indexing a large classifier: 5,000 object kinds, 500
// semantics, 2,000 POS records and 300 series, read from a file each time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "classifier/maprsc.h"
#include "platform/file.h"
#include "tests/classifier/support/rscbuilder.h"

namespace {

std::string BuildLargeClassifier() {
  using namespace rsctest;
  Builder b = Builder::Minimal();
  // 491 more semantics; every fifth is a list of ten values with defaults.
  for (uint32_t code = 1; code <= 491; code++) {
    Semantic& s = b.AddSemantic(code, code % 5 == 0 ? 1 : 0, "SEMANTIC " + std::to_string(code),
                                "S" + std::to_string(code));
    if (code % 5 == 0) {
      for (uint32_t v = 1; v <= 10; v++) s.values.push_back({v, "VALUE " + std::to_string(v)});
      s.defaults.push_back({0, 1, 1, 10});
    }
  }
  // 300 series of three variants each, limited by one list semantic.
  for (uint32_t s = 0; s < 300; s++) {
    const uint32_t excode = 50000000 + s;
    for (uint16_t v = 1; v <= 3; v++) b.AddObject(excode, 0, "SERIES MEMBER").series = v;
    b.pos.push_back({excode, 0, {5}, {10, 15}});
    Limit lim;
    lim.excode = excode;
    lim.code1 = 5;
    lim.values1 = {3, 6, 10};
    lim.variants = {1, 2, 3};
    b.limits.push_back(lim);
  }
  // The other kinds: 1,700 excode and local type pairs shared by two or
  // three kinds each, one POS record per pair.
  for (uint32_t k = 0; b.objects.size() < 5000; k++) {
    const uint32_t pair = k % 1700;
    b.AddObject(60000000 + pair, uint8_t(pair % 6), "KIND " + std::to_string(k)).segment = uint8_t(1 + pair % 19);
  }
  for (uint32_t pair = 0; pair < 1700; pair++)
    b.pos.push_back({60000000 + pair, uint8_t(pair % 6), {1 + pair % 491}, {2 + pair % 490, 3 + pair % 489}});
  for (uint32_t n = 16; n <= b.objects.size(); n++) b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
  for (uint8_t l = 1; l < 20; l++) b.layers.push_back({"LAYER " + std::to_string(l), "L" + std::to_string(l), l, l, {1, 2, 3}});
  Bytes bytes = b.Build();
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  std::string path = std::string(folder) + "bench_classifier.rsc";
  WriteBytes(path, bytes);
  return path;
}

void BM_OpenLargeClassifier(benchmark::State& state) {
  static const std::string path = BuildLargeClassifier();
  for (auto _ : state) {
    TMapRsc rsc;
    if (!rsc.OpenRsc(path.c_str(), 0)) {
      state.SkipWithError("the classifier did not open");
      break;
    }
    benchmark::DoNotOptimize(rsc.ObjIndex);
    state.counters["kinds"] = rsc.GetObjCount();
    state.counters["semantics"] = rsc.GetSemCount();
    state.counters["modified"] = rsc.IsModify();
    rsc.CloseRsc();
  }
}
BENCHMARK(BM_OpenLargeClassifier)->Unit(benchmark::kMillisecond);

}  // namespace
