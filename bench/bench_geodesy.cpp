// Gauss-Krueger conversion speed: points per second through the dispatched
// TTranslate conversions, and PROJ's transverse Mercator on the same points
// in the same run for comparison.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <chrono>
#include <random>
#include <vector>

#include "bench/bench_proj.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
constexpr size_t kPoints = 1 << 20;

// Points of zone 7 within 3 degrees of its axis meridian, latitudes 35-75.
struct Points {
  std::vector<double> B, L, X, Y;
  Points() : B(kPoints), L(kPoints), X(kPoints), Y(kPoints) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> lat(35 * kDeg, 75 * kDeg), lon(36 * kDeg, 42 * kDeg);
    TTranslate t;
    for (size_t i = 0; i < kPoints; ++i) {
      B[i] = lat(rng);
      L[i] = lon(rng);
      t.BL2XY(B[i], L[i], &X[i], &Y[i]);
    }
  }
};

const Points& Data() {
  static const Points points;
  return points;
}

PJ* ProjZone7(PJ_CONTEXT* ctx) {
  return proj_create(ctx, "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass");
}

void BM_GaussKrugerForward(benchmark::State& state) {
  const Points& p = Data();
  std::vector<double> x(kPoints), y(kPoints);
  TTranslate t;
  for (auto _ : state) {
    for (size_t i = 0; i < kPoints; ++i) t.BL2XY(p.B[i], p.L[i], &x[i], &y[i]);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GaussKrugerForward)->Unit(benchmark::kMillisecond);

void BM_GaussKrugerInverse(benchmark::State& state) {
  const Points& p = Data();
  std::vector<double> b(kPoints), l(kPoints);
  TTranslate t;
  for (auto _ : state) {
    for (size_t i = 0; i < kPoints; ++i) t.XY2BL(p.X[i], p.Y[i], &b[i], &l[i]);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GaussKrugerInverse)->Unit(benchmark::kMillisecond);

using benchsupport::ProjSeconds;

// Both libraries on the same points in the same iteration; counters give
// the points per second of each and how many times faster ours is.
void Compare(benchmark::State& state, PJ_DIRECTION dir) {
  const Points& p = Data();
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = ProjZone7(ctx);
  std::vector<double> a(kPoints), b(kPoints);
  TTranslate t;
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (dir == PJ_FWD)
      for (size_t i = 0; i < kPoints; ++i) t.BL2XY(p.B[i], p.L[i], &a[i], &b[i]);
    else
      for (size_t i = 0; i < kPoints; ++i) t.XY2BL(p.X[i], p.Y[i], &a[i], &b[i]);
    benchmark::DoNotOptimize(a.data());
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // PROJ's order is longitude, latitude and easting, northing.
    theirs +=
        dir == PJ_FWD ? ProjSeconds(pj, dir, p.L, p.B, a, b) : ProjSeconds(pj, dir, p.Y, p.X, a, b);
  }
  const double n = static_cast<double>(state.iterations()) * kPoints;
  state.counters["ours_pts_per_s"] = n / ours;
  state.counters["proj_pts_per_s"] = n / theirs;
  state.counters["ratio_vs_proj"] = theirs / ours;
  proj_destroy(pj);
  proj_context_destroy(ctx);
}

void BM_CompareWithProjForward(benchmark::State& state) { Compare(state, PJ_FWD); }
void BM_CompareWithProjInverse(benchmark::State& state) { Compare(state, PJ_INV); }
BENCHMARK(BM_CompareWithProjForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareWithProjInverse)->Unit(benchmark::kMillisecond);

}  // namespace
