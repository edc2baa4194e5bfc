// Conversion speed of every projection kind but Gauss-Krueger (which
// bench_geodesy measures): points per second through the dispatched
// TTranslate conversions on 1M points inside each kind's area, forward and
// inverse, and PROJ's proj_trans_generic on the same points in the same run
// where PROJ has the projection.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_proj.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
constexpr size_t kPoints = 1 << 20;

struct Area {
  double B0, B1, L0, L1;  // degrees
};

struct KindCase {
  int kind;
  CONSTPROJ parameters;  // degrees here, radians when installed
  Area area;             // of the points
  bool polar;            // PROJ's northing runs against X (polar aspects)
  const char* proj;      // PROJ's projection of the same geometry, or null
};

// The PROJ definitions match those of the oracle tests; kinds 6, 26 and 30
// have PROJ's azimuthal projections of the same aspect as peers, kind 16
// PROJ's plate carree.
#define MC_CONE "+lat_1=45.8 +lat_2=51.6 +lat_0=40.1 +lon_0=39"
constexpr char kConic[] = "+proj=lcc +a=6378245.01 +e=0.08181334 +x_0=8000000 " MC_CONE;
constexpr char kMercator[] =
    "+proj=merc +a=6378245.01 +e=0.08181334 +lon_0=20 +k_0=0.766044443118978";
constexpr char kPlate[] = "+proj=eqc +R=7639437.268410976 +lat_ts=48.189685104221";
constexpr char kEquidistantConic[] = "+proj=eqdc +ellps=krass " MC_CONE;
constexpr char kEqualAreaConic[] = "+proj=aea +ellps=krass " MC_CONE;
constexpr char kKrasovskyConic[] = "+proj=lcc +a=6378245 +e=0.081813336 " MC_CONE;
constexpr char kStereographic[] = "+proj=stere +lat_0=90 +lat_ts=71 +lon_0=0 +R=6396950.0";
constexpr char kTurnedMercator[] = "+proj=tmerc +R=5016316.173 +lon_0=90 +k_0=1 +y_0=-7879586.6419";
constexpr char kPolarEquidistant[] = "+proj=aeqd +lat_0=90 +lon_0=40 +ellps=krass";
constexpr char kPolarEqualArea[] = "+proj=laea +lat_0=90 +lon_0=100 +ellps=krass";
constexpr char kSphereEqualArea[] = "+proj=laea +lat_0=90 +lon_0=30 +R=6371116";
constexpr char kObliqueEqualArea[] = "+proj=laea +lat_0=55 +lon_0=60 +ellps=krass";
#undef MC_CONE

const KindCase kCases[] = {
    {2, {45.8, 51.6, 39, 40.1, 0, 0}, {30, 70, 10, 70}, false, kConic},
    {3, {0, 0, 0, 0, 0, 0}, {-80, 80, -179, 179}, false, nullptr},
    {6, {90, 0, 40, 0, 0, 0}, {20, 89, -100, 180}, true, kPolarEquidistant},
    {8, {40, 0, 20, 0, 0, 0}, {-80, 80, -150, 190}, false, kMercator},
    {16, {0, 0, 0, 0, 0, 0}, {-80, 80, -160, 180}, false, kPlate},
    {18, {0, 0, 0, 0, 0, 0}, {-80, 80, -179, 179}, false, "+proj=wag1 +R=6371116"},
    {19, {0, 0, 0, 0, 0, 0}, {-80, 80, -179, 179}, false, "+proj=moll +R=6371116"},
    {20, {45.8, 51.6, 39, 40.1, 0, 0}, {30, 70, 10, 70}, false, kEquidistantConic},
    {21, {45.8, 51.6, 39, 40.1, 0, 0}, {30, 70, 10, 70}, false, kEqualAreaConic},
    {22, {45.8, 51.6, 39, 40.1, 0, 0}, {30, 70, 10, 70}, false, kKrasovskyConic},
    {23, {71, 60, 0, 0, 0, 0}, {40, 89, -89, 89}, true, kStereographic},
    {24, {90, 0, 100, 0, 0, 0}, {20, 89, -60, 260}, true, kPolarEqualArea},
    {25, {0, 0, 0, 0, 0, 0}, {-80, 80, -179, 179}, false, nullptr},
    {26, {0, 0, 30, 0, 0, 0}, {20, 89, -59, 119}, true, kSphereEqualArea},
    {27, {35, 0, 30, 0, 0, 0}, {-80, 80, -150, 210}, false, nullptr},
    {28, {0, 0, 30, 0, 0, 0}, {-80, 80, -150, 210}, false, "+proj=cea +R=6371116 +lon_0=30"},
    {29, {52, 56, 39, 0, 0, 0}, {52, 56, 36, 42}, false, nullptr},
    {30, {50, 40, 0, 0, 55, 60}, {20, 85, 10, 110}, false, kObliqueEqualArea},
    {31, {0, 0, 0, 0, 0, 0}, {-80, 80, 5, 175}, false, kTurnedMercator},
};

// The points of one kind: B, L and the plane points of both libraries.
struct Points {
  std::vector<double> B, L, X, Y;
  explicit Points(const KindCase& c) : B(kPoints), L(kPoints), X(kPoints), Y(kPoints) {
    std::mt19937_64 rng(c.kind);
    std::uniform_real_distribution<double> lat(c.area.B0 * kDeg, c.area.B1 * kDeg),
        lon(c.area.L0 * kDeg, c.area.L1 * kDeg);
    TTranslate t = Installed(c);
    for (size_t i = 0; i < kPoints; ++i) {
      B[i] = lat(rng);
      L[i] = lon(rng);
      t.BL2XY(B[i], L[i], &X[i], &Y[i]);
    }
  }
  static TTranslate Installed(const KindCase& c) {
    CONSTPROJ p = c.parameters;
    for (double* v : {&p.FirstMainParallel, &p.SecondMainParallel, &p.AxisMeridian,
                      &p.MainPointParallel, &p.PoleLatitude, &p.PoleLongitude})
      *v *= kDeg;
    TTranslate t;
    t.SetProjection(c.kind, &p, 1);
    return t;
  }
};

using benchsupport::ProjSeconds;

// One kind in one direction; with a PROJ peer both run on the same points
// in each iteration, and the counters give the points per second of each
// and how many times faster ours is.
void Convert(benchmark::State& state, const KindCase& c, PJ_DIRECTION dir) {
  const Points p(c);
  TTranslate t = Points::Installed(c);
  std::vector<double> a(kPoints), b(kPoints);

  PJ_CONTEXT* ctx = proj_context_create();
  PJ* pj = c.proj ? proj_create(ctx, c.proj) : nullptr;
  // PROJ's plane points: its easting is our Y, its northing our X or -X.
  std::vector<double> east, north;
  if (pj) {
    east = p.Y;
    north = p.X;
    if (c.polar)
      for (double& v : north) v = -v;
  }

  double ours = 0, theirs = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (dir == PJ_FWD)
      for (size_t i = 0; i < kPoints; ++i) t.BL2XY(p.B[i], p.L[i], &a[i], &b[i]);
    else
      for (size_t i = 0; i < kPoints; ++i) t.XY2BL(p.X[i], p.Y[i], &a[i], &b[i]);
    benchmark::DoNotOptimize(a.data());
    ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (pj)
      theirs += dir == PJ_FWD ? ProjSeconds(pj, dir, p.L, p.B, a, b)
                              : ProjSeconds(pj, dir, east, north, a, b);
  }
  if (t.ErrorCode != 0) state.SkipWithError("conversion failed");
  const double n = static_cast<double>(state.iterations()) * kPoints;
  state.counters["ours_pts_per_s"] = n / ours;
  if (pj) {
    state.counters["proj_pts_per_s"] = n / theirs;
    state.counters["ratio_vs_proj"] = theirs / ours;
    proj_destroy(pj);
  }
  proj_context_destroy(ctx);
}

void RegisterAll() {
  for (const KindCase& c : kCases) {
    for (PJ_DIRECTION dir : {PJ_FWD, PJ_INV}) {
      const std::string name =
          "BM_Kind" + std::to_string(c.kind) + (dir == PJ_FWD ? "_Forward" : "_Inverse");
      benchmark::RegisterBenchmark(name.c_str(), [&c, dir](benchmark::State& s) {
        Convert(s, c, dir);
      })->Unit(benchmark::kMillisecond);
    }
  }
}

const bool kRegistered = (RegisterAll(), true);

}  // namespace
