// Zone of a line of 100,000 vertices (a random walk with gentle turns)
// through a TBuildZone, beside GEOS's buffer of the same line with the same
// quadrant segments, flat caps and round joins, in the same run, with the
// ratio of the two times (geos_over_ours above 1: ours is faster). GEOS is
// only a point of comparison.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "geometry/buildzone.h"

namespace {

constexpr int kVertices = 100000;
constexpr double kWidth = 5.0;
constexpr int kQuadrantSegments = 8;

struct Pt {
  double x, y;
};

const std::vector<Pt>& Line() {
  static const std::vector<Pt> line = [] {
    std::mt19937_64 rng(121);
    std::uniform_real_distribution<double> turn(-0.6, 0.6), length(20, 40);
    std::vector<Pt> l = {{0, 0}};
    double dir = 0;
    for (int i = 1; i < kVertices; ++i) {
      dir = 0.9 * dir + turn(rng);  // stays heading roughly one way
      const double s = length(rng);
      l.push_back({l.back().x + s * std::cos(dir), l.back().y + s * std::sin(dir)});
    }
    return l;
  }();
  return line;
}

double gOurs = 0.0;

void BM_BuildZone(benchmark::State& state) {
  TDataEdit m;
  m.Init();
  m.Create(static_cast<int>(METRIC_F64), 0);
  for (const Pt& p : Line()) m.AppendPointSubject(0, p.x, p.y);
  TBuildZone z;
  double area = 0;
  int points = 0;
  gOurs = benchsupport::SecondsPerIteration(state, [&] {
    if (z.Build(kWidth, &m, 0, -1.0, 1)) {
      points = z.Result.PointCount(0);
      area = z.Result.SquareSubject(0);
    }
  });
  state.counters["area"] = area;
  state.counters["points"] = points;
  m.Free();
}
BENCHMARK(BM_BuildZone)->Unit(benchmark::kMillisecond);

void BM_GeosBuffer(benchmark::State& state) {
  GEOSContextHandle_t h = GEOS_init_r();
  const std::vector<Pt>& l = Line();
  GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(l.size()), 2);
  for (size_t i = 0; i < l.size(); ++i) GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(i), l[i].x, l[i].y);
  GEOSGeometry* g = GEOSGeom_createLineString_r(h, s);
  double area = 0;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
    GEOSGeometry* b = GEOSBufferWithStyle_r(h, g, kWidth, kQuadrantSegments, GEOSBUF_CAP_FLAT,
                                            GEOSBUF_JOIN_ROUND, 5.0);
    GEOSArea_r(h, b, &area);
    GEOSGeom_destroy_r(h, b);
  });
  state.counters["area"] = area;
  state.counters["geos_over_ours"] = gOurs > 0.0 ? geos / gOurs : 0.0;
  GEOSGeom_destroy_r(h, g);
  GEOS_finish_r(h);
}
BENCHMARK(BM_GeosBuffer)->Unit(benchmark::kMillisecond);

}  // namespace
