// Opening and indexing a large classifier: 5,000 object kinds, 500
// semantics, 2,000 POS records and 300 series, read from a file each time.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "classifier/maprsc.h"

namespace {

std::string BuildLargeClassifier() {
  using namespace rsctest;
  Builder b = Builder::Minimal();
  benchsupport::AddSemanticsSeriesLayers(b);
  // The other kinds: 1,700 excode and local type pairs shared by two or
  // three kinds each, one POS record per pair.
  for (uint32_t k = 0; b.objects.size() < 5000; k++) {
    const uint32_t pair = k % 1700;
    b.AddObject(60000000 + pair, uint8_t(pair % 6), "KIND " + std::to_string(k)).segment = uint8_t(1 + pair % 19);
  }
  for (uint32_t pair = 0; pair < 1700; pair++)
    b.pos.push_back({60000000 + pair, uint8_t(pair % 6), {1 + pair % 491}, {2 + pair % 490, 3 + pair % 489}});
  for (uint32_t n = 16; n <= b.objects.size(); n++) b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
  return benchsupport::WriteTempClassifier("bench_classifier.rsc", b.Build());
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
