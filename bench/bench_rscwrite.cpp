// Saving a large classifier: 5,000 object kinds with their images, POS
// records, series and layers, written over its file with force, in MB/s.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_support.h"
#include "classifier/maprsc.h"
#include "classifier/rscwrite.h"
#include "platform/file.h"

namespace {

std::string BuildClassifier() {
  using namespace rsctest;
  Builder b = Builder::Minimal();
  benchsupport::AddSemanticsSeriesLayers(b);
  for (uint32_t k = 0; b.objects.size() < 5000; k++)
    b.AddObject(60000000 + k, uint8_t(k % 6), "KIND " + std::to_string(k)).segment = uint8_t(1 + k % 19);
  for (uint32_t n = 916; n <= b.objects.size(); n++)
    b.pos.push_back({b.objects[n - 1].excode, b.objects[n - 1].local, {1 + n % 491}, {2 + n % 490}});
  for (uint32_t n = 16; n <= b.objects.size(); n++) {
    b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
    if (n % 4 == 0) b.prn.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
  }
  return benchsupport::WriteTempClassifier("bench_rscwrite.rsc", b.Build());
}

// Builds the classifier's file and opens it; false, with the benchmark
// skipped, when it does not open.
bool OpenBuilt(benchmark::State& state, TMapRsc& rsc) {
  if (rsc.OpenRsc(BuildClassifier().c_str(), 0)) return true;
  state.SkipWithError("the classifier did not open");
  return false;
}

void BM_SaveClassifier(benchmark::State& state) {
  plat::SetWriteThroughEnabled(state.range(0) != 0);
  TMapRsc rsc;
  if (!OpenBuilt(state, rsc)) return;
  int64_t bytes = 0;
  for (auto _ : state) {
    if (!rsc.Save(1)) {
      state.SkipWithError("the classifier was not saved");
      break;
    }
    bytes += plat::GetFileSize(rsc.File, nullptr);
  }
  state.SetBytesProcessed(bytes);
  state.counters["kinds"] = rsc.GetObjCount();
  rsc.CloseRsc();
  plat::SetWriteThroughEnabled(true);
}
BENCHMARK(BM_SaveClassifier)->Arg(0)->Arg(1)->ArgName("writethrough")->Unit(benchmark::kMillisecond);

// The layout alone, without the backup and the file.
void BM_LayoutClassifier(benchmark::State& state) {
  TMapRsc rsc;
  if (!OpenBuilt(state, rsc)) return;
  int64_t bytes = 0;
  for (auto _ : state) {
    DWORD size = 0;
    BYTE* image = rscLayoutRsc(&rsc, &size);
    if (!image) {
      state.SkipWithError("no layout");
      break;
    }
    bytes += size;
    plat::FreePages(image);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LayoutClassifier)->Unit(benchmark::kMillisecond);

}  // namespace
