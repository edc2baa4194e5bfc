// Datum shift speed: points per second of the short-formula shift on 1M
// points, one mode (3, WGS84 to NAHRWAN) and the chain from the 42 system to
// WGS84 (modes 1 and 2), each beside PROJ's seven-parameter pipeline
// (geocentric, shift, geodetic) on the same points in the same run.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
constexpr size_t kPoints = 1 << 20;

constexpr char kMode3[] =
    "+proj=pipeline +step +proj=cart +ellps=WGS84 +step +proj=helmert +x=249 +y=156 +z=-381 "
    "+s=0.1 +convention=position_vector +step +inv +proj=cart +a=6378249.145 +rf=293.465";
constexpr char k42ToWgs84[] =
    "+proj=pipeline +step +proj=cart +ellps=krass +step +proj=helmert +x=25 +y=-141 +z=-80 "
    "+rx=0 +ry=0.35 +rz=0.66 +s=0.1 +convention=position_vector +step +proj=helmert +x=0 +y=0.3 "
    "+z=1.5 +rz=0.076 +s=0.1 +convention=position_vector +step +inv +proj=cart +ellps=WGS84";

struct Points {
  std::vector<double> B, L, H;
  Points() : B(kPoints), L(kPoints), H(kPoints) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> lat(20 * kDeg, 75 * kDeg), lon(10 * kDeg, 170 * kDeg),
        height(-100, 3000);
    for (size_t i = 0; i < kPoints; ++i) B[i] = lat(rng), L[i] = lon(rng), H[i] = height(rng);
  }
};

const Points& Data() {
  static const Points points;
  return points;
}

// PROJ converts in place; the copy of the input is made outside the clock.
double ProjSeconds(PJ* pj, const Points& p, std::vector<double>& a, std::vector<double>& b,
                   std::vector<double>& c) {
  std::memcpy(a.data(), p.L.data(), kPoints * sizeof(double));
  std::memcpy(b.data(), p.B.data(), kPoints * sizeof(double));
  std::memcpy(c.data(), p.H.data(), kPoints * sizeof(double));
  auto start = std::chrono::steady_clock::now();
  proj_trans_generic(pj, PJ_FWD, a.data(), sizeof(double), kPoints, b.data(), sizeof(double),
                     kPoints, c.data(), sizeof(double), kPoints, nullptr, 0, 0);
  benchmark::DoNotOptimize(a.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class Shift>
void Compare(benchmark::State& state, const char* definition, Shift shift) {
  const Points& p = Data();
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = proj_create(ctx, definition);
  if (!pj) state.SkipWithError("PROJ pipeline");
  std::vector<double> a(kPoints), b(kPoints), c(kPoints);
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < kPoints; ++i) shift(p.B[i], p.L[i], p.H[i], &a[i], &b[i], &c[i]);
    benchmark::DoNotOptimize(a.data());
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (pj) theirs += ProjSeconds(pj, p, a, b, c);
  }
  const double n = static_cast<double>(state.iterations()) * kPoints;
  state.counters["ours_pts_per_s"] = n / ours;
  state.counters["proj_pts_per_s"] = n / theirs;
  state.counters["ratio_vs_proj"] = theirs / ours;
  if (pj) proj_destroy(pj);
  proj_context_destroy(ctx);
}

void BM_ShiftMode3(benchmark::State& state) {
  Compare(state, kMode3, [](double B, double L, double H, double* b, double* l, double* h) {
    BL2BL(B, L, H, b, l, h, 3);
  });
}
BENCHMARK(BM_ShiftMode3)->Unit(benchmark::kMillisecond);

void BM_Shift42ToWgs84(benchmark::State& state) { Compare(state, k42ToWgs84, BL422BLWGS84); }
BENCHMARK(BM_Shift42ToWgs84)->Unit(benchmark::kMillisecond);

}  // namespace
