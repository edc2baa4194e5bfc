// The painting test of a select context, in milliseconds per 1,000,000
// object tests: a sample of 100,000 objects (every tenth) in force, the
// objects asked in number order, in the order of a sheet's chain (four
// ascending runs, one per localisation, as painting walks it) and in a
// scattered order; and for comparison the condition test without a sample
// (layer, localisation and kind conditions in force) over the same
// descriptors; and the building of a sample of 1,000,000 objects.
#include <benchmark/benchmark.h>

#include <vector>

#include "selection/mapselect.h"

namespace {

constexpr int kObjects = 1000000;
constexpr int kSampled = 100000;
constexpr int kStep = kObjects / kSampled;

// A few thousand distinct descriptors, reused round the objects.
const std::vector<FVSPR>& Descriptors() {
  static const std::vector<FVSPR> table = [] {
    std::vector<FVSPR> t(4096);
    for (size_t i = 0; i < t.size(); ++i) {
      FVSPR& d = t[i];
      d = FVSPR{};
      d.Local = BYTE(i % 4);
      d.Segment = BYTE(i % 16);
      d.Code = WORD(16 + i % 200);
      d.Key = DWORD(i + 1);
      d.X2 = d.Y2 = 100;
    }
    return t;
  }();
  return table;
}

enum Walk { ASCENDING, CHAIN, SCATTERED };

// The numbers asked: ascending; in four ascending runs of the numbers
// n = k (mod 4), k = 1, 2, 3, 0; or scattered by a stride prime to the
// count.
std::vector<int> Order(Walk walk) {
  std::vector<int> order;
  order.reserve(kObjects);
  if (walk == CHAIN) {
    for (int k = 1; k <= 4; ++k)
      for (int n = k; n <= kObjects; n += 4) order.push_back(n);
  } else {
    for (int i = 0; i < kObjects; ++i)
      order.push_back(walk == SCATTERED ? int((int64_t(i) * 7919) % kObjects) + 1 : i + 1);
  }
  return order;
}

void Run(benchmark::State& state, TMapSelect& select, const std::vector<int>& order) {
  const std::vector<FVSPR>& descs = Descriptors();
  const size_t mask = descs.size() - 1;
  int passed = 0;
  for (auto _ : state) {
    passed = 0;
    for (int n : order) passed += select.CheckObjectAndSample(1, n, &descs[size_t(n) & mask]);
    benchmark::DoNotOptimize(passed);
  }
  state.counters["passed"] = passed;
  state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

void SampleTest(benchmark::State& state, Walk walk) {
  TMapSelect select;
  for (int n = kStep; n <= kObjects; n += kStep) {
    if (!select.AppendSample(n, 1)) {
      state.SkipWithError("cannot build the sample");
      return;
    }
  }
  Run(state, select, Order(walk));
}

void BM_SampleInOrder(benchmark::State& state) { SampleTest(state, ASCENDING); }
void BM_SampleChainOrder(benchmark::State& state) { SampleTest(state, CHAIN); }
void BM_SampleScattered(benchmark::State& state) { SampleTest(state, SCATTERED); }

// Building a sample of 1,000,000 objects in ascending order, as a search
// appends what it finds.
void BM_BuildSample(benchmark::State& state) {
  for (auto _ : state) {
    TMapSelect select;
    for (int n = 1; n <= kObjects; ++n) select.AppendSample(n, 1);
    benchmark::DoNotOptimize(select.GetSamplesCount(1));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kObjects);
}

void BM_ConditionsWithoutSample(benchmark::State& state) {
  TMapSelect select;
  select.UnselectLayer(3);
  select.SetLayerSwitch(1);
  select.UnselectLocal(LOCAL_POINT);
  select.SetLocalSwitch(1);
  for (int code = 16; code < 216; code += 3) select.UnselectKind(code);
  select.SetKindSwitch(1);
  Run(state, select, Order(ASCENDING));
}

BENCHMARK(BM_SampleInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleChainOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleScattered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConditionsWithoutSample)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSample)->Unit(benchmark::kMillisecond);

}  // namespace
