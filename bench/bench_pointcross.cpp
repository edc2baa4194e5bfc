// Crossing points of two 10,000-vertex contours: a reused TPointCross
// loading the pair (copies, clean-up, the indexed search, ordering), beside
// GEOS's intersection of the two boundaries of the same pair in the same
// run, with the ratio of the two times (geos_over_ours above 1: ours is
// faster). GEOS is only a point of comparison.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "geometry/pointcross.h"

namespace {

constexpr int kVertices = 10000;

struct Pt {
  double x, y;
};

// A star-shaped polygon: vertices at sorted random angles around the
// centre, radii between r0 and r1, closed.
std::vector<Pt> Star(std::mt19937_64& rng, double cx, double cy, double r0, double r1) {
  std::uniform_real_distribution<double> angle(0, 2 * std::numbers::pi), radius(r0, r1);
  std::vector<double> t(kVertices);
  for (double& a : t) a = angle(rng);
  std::sort(t.begin(), t.end());
  std::vector<Pt> c;
  for (double a : t) {
    const double r = radius(rng);
    c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  c.push_back(c.front());
  return c;
}

// Two pairs of contours: jagged ones (radii 3000 to 4000) crossing tens of
// thousands of times, and smooth ones (radii wandering within 1 percent,
// vertices evenly spread) crossing a few times.
struct Pair {
  std::vector<Pt> a, b;
  explicit Pair(bool smooth) {
    std::mt19937_64 rng(10000);
    if (smooth) {
      a = Smooth(rng, 5000, 5000, 3960, 4000);
      b = Smooth(rng, 5400, 5300, 3960, 4000);
    } else {
      a = Star(rng, 5000, 5000, 3000, 4000);
      b = Star(rng, 5400, 5300, 3000, 4000);
    }
  }
  static std::vector<Pt> Smooth(std::mt19937_64& rng, double cx, double cy, double r0, double r1) {
    std::uniform_real_distribution<double> radius(r0, r1);
    std::vector<Pt> c;
    double r = (r0 + r1) / 2;
    for (int i = 0; i < kVertices; ++i) {
      const double a = 2 * std::numbers::pi * i / kVertices;
      r = 0.98 * r + 0.02 * radius(rng);  // a slowly wandering radius
      c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    c.push_back(c.front());
    return c;
  }
};

const Pair& Data(int smooth) {
  static const Pair jagged(false), round(true);
  return smooth ? round : jagged;
}

struct Buffer {
  TDataEdit m;
  explicit Buffer(const std::vector<Pt>& points) {
    m.Init();
    m.Create(static_cast<int>(METRIC_F64), 0);
    for (const Pt& p : points) m.AppendPointSubject(0, p.x, p.y);
  }
  ~Buffer() { m.Free(); }
};

GEOSGeometry* Line(GEOSContextHandle_t h, const std::vector<Pt>& c) {
  GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(c.size()), 2);
  for (size_t i = 0; i < c.size(); ++i)
    GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(i), c[i].x, c[i].y);
  return GEOSGeom_createLineString_r(h, s);
}

// Seconds per run of our side, by pair, for the ratio.
double gOurs[2] = {0.0, 0.0};

// state.range(0): 0 the jagged pair, 1 the smooth one.
void BM_PointCross(benchmark::State& state) {
  const Pair& pair = Data(static_cast<int>(state.range(0)));
  Buffer a(pair.a), b(pair.b);
  TPointCross w;
  int count = 0;
  gOurs[state.range(0)] = benchsupport::SecondsPerIteration(state, [&] {
    w.LoadObjects(&a.m, &b.m, 1, 0, 0, 0.0);
    count = w.Count;
    benchmark::DoNotOptimize(w.Cross1);
  });
  state.counters["crossings"] = count;
  state.SetItemsProcessed(state.iterations() * 2 * kVertices);
}
BENCHMARK(BM_PointCross)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GeosBoundaryIntersection(benchmark::State& state) {
  GEOSContextHandle_t h = GEOS_init_r();
  const Pair& pair = Data(static_cast<int>(state.range(0)));
  GEOSGeometry* a = Line(h, pair.a);
  GEOSGeometry* b = Line(h, pair.b);
  int count = 0;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
    GEOSGeometry* x = GEOSIntersection_r(h, a, b);
    count = GEOSGetNumGeometries_r(h, x);
    GEOSGeom_destroy_r(h, x);
  });
  const double ours = gOurs[state.range(0)];
  state.counters["crossings"] = count;
  state.counters["geos_over_ours"] = ours > 0.0 ? geos / ours : 0.0;
  state.SetItemsProcessed(state.iterations() * 2 * kVertices);
  GEOSGeom_destroy_r(h, a);
  GEOSGeom_destroy_r(h, b);
  GEOS_finish_r(h);
}
BENCHMARK(BM_GeosBoundaryIntersection)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
