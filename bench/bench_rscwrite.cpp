// Saving a large classifier: 5,000 object kinds with their images, POS
// records, series and layers, written over its file with force, in MB/s.
#include <benchmark/benchmark.h>

#include <string>

#include "classifier/maprsc.h"
#include "classifier/rscwrite.h"
#include "platform/file.h"
#include "tests/classifier/support/rscbuilder.h"

namespace {

std::string BuildClassifier() {
  using namespace rsctest;
  Builder b = Builder::Minimal();
  for (uint32_t code = 1; code <= 491; code++) {
    Semantic& s = b.AddSemantic(code, code % 5 == 0 ? 1 : 0, "SEMANTIC " + std::to_string(code),
                                "S" + std::to_string(code));
    if (code % 5 == 0) {
      for (uint32_t v = 1; v <= 10; v++) s.values.push_back({v, "VALUE " + std::to_string(v)});
      s.defaults.push_back({0, 1, 1, 10});
    }
  }
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
  for (uint32_t k = 0; b.objects.size() < 5000; k++)
    b.AddObject(60000000 + k, uint8_t(k % 6), "KIND " + std::to_string(k)).segment = uint8_t(1 + k % 19);
  for (uint32_t n = 916; n <= b.objects.size(); n++)
    b.pos.push_back({b.objects[n - 1].excode, b.objects[n - 1].local, {1 + n % 491}, {2 + n % 490}});
  for (uint32_t n = 16; n <= b.objects.size(); n++) {
    b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
    if (n % 4 == 0) b.prn.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
  }
  for (uint8_t l = 1; l < 20; l++) b.layers.push_back({"LAYER " + std::to_string(l), "L" + std::to_string(l), l, l, {1, 2, 3}});
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  std::string path = std::string(folder) + "bench_rscwrite.rsc";
  WriteBytes(path, b.Build());
  return path;
}

void BM_SaveClassifier(benchmark::State& state) {
  plat::SetWriteThroughEnabled(state.range(0) != 0);
  const std::string path = BuildClassifier();
  TMapRsc rsc;
  if (!rsc.OpenRsc(path.c_str(), 0)) {
    state.SkipWithError("the classifier did not open");
    return;
  }
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
  const std::string path = BuildClassifier();
  TMapRsc rsc;
  if (!rsc.OpenRsc(path.c_str(), 0)) {
    state.SkipWithError("the classifier did not open");
    return;
  }
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
