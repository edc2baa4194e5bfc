// Zones through a TBuildZone, each beside GEOS's buffer of the same contour
// with the same quadrant segments, flat caps (for lines) and round joins,
// in the same run, with the ratio of the two times (geos_over_ours above 1:
// ours is faster). GEOS is only a point of comparison. The contours:
// - walk: a line of 100,000 vertices (a random walk with gentle turns);
// - star: an area of 20,000 vertices, notches 1,000 deep and 30 wide at
//   their mouths, the zone of 5 filling their bottoms;
// - zigzag: a line of 2,000 teeth 200 high and 20 apart, the zone of 50
//   spanning five of them;
// - wavy: an area of 100,000 vertices whose radius waves 2,000 times;
// - tangle: a line of 10,001 and of 100,001 vertices (a random walk of steps
//   5 to 15 turning up to 0.5 rad at each vertex) that crosses itself again
//   and again, the zone of 3 full of holes.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "geometry/buildzone.h"

namespace {

constexpr int kQuadrantSegments = 8;

struct Pt {
  double x, y;
};

enum Shape { kWalk, kStar, kZigzag, kWavy, kTangle, kLargeTangle, kShapes };

struct Case {
  std::vector<Pt> points;
  bool area;
  double width;
};

Case Make(Shape shape) {
  Case c{{}, shape == kStar || shape == kWavy, 5.0};
  std::vector<Pt>& l = c.points;
  constexpr double kTurn = 2 * std::numbers::pi;
  switch (shape) {
    case kWalk: {
      std::mt19937_64 rng(121);
      std::uniform_real_distribution<double> turn(-0.6, 0.6), length(20, 40);
      l = {{0, 0}};
      double dir = 0;
      for (int i = 1; i < 100000; ++i) {
        dir = 0.9 * dir + turn(rng);  // stays heading roughly one way
        const double s = length(rng);
        l.push_back({l.back().x + s * std::cos(dir), l.back().y + s * std::sin(dir)});
      }
      break;
    }
    case kStar:
      for (int i = 0; i < 20000; ++i) {
        const double r = i % 2 ? 99000 : 100000, t = kTurn * i / 20000;
        l.push_back({r * std::cos(t), r * std::sin(t)});
      }
      break;
    case kZigzag:
      for (int i = 0; i <= 4000; ++i) l.push_back({i * 10.0, i % 2 ? 200.0 : 0.0});
      c.width = 50.0;
      break;
    case kWavy:
      for (int i = 0; i < 100000; ++i) {
        const double t = kTurn * i / 100000, r = 100000 + 300 * std::sin(2000 * t);
        l.push_back({r * std::cos(t), r * std::sin(t)});
      }
      break;
    case kTangle:
    case kLargeTangle: {
      std::mt19937_64 rng(9121);
      std::uniform_real_distribution<double> turn(-0.5, 0.5), length(5, 15);
      const int n = shape == kTangle ? 10001 : 100001;
      l = {{0, 0}};
      double dir = 0;
      for (int i = 1; i < n; ++i) {
        dir += turn(rng);
        const double s = length(rng);
        l.push_back({l.back().x + s * std::cos(dir), l.back().y + s * std::sin(dir)});
      }
      c.width = 3.0;
      break;
    }
    default:
      break;
  }
  if (c.area) l.push_back(l.front());
  return c;
}

const Case& Contour(Shape shape) {
  static const std::vector<Case> cases = [] {
    std::vector<Case> all;
    for (int s = 0; s < kShapes; ++s) all.push_back(Make(static_cast<Shape>(s)));
    return all;
  }();
  return cases[shape];
}

double gOurs[kShapes] = {};

template <Shape S>
void BM_BuildZone(benchmark::State& state) {
  const Case& c = Contour(S);
  TDataEdit m;
  m.Init();
  m.Create(static_cast<int>(METRIC_F64), 0);
  for (const Pt& p : c.points) m.AppendPointSubject(0, p.x, p.y);
  TBuildZone z;
  double area = 0;
  int points = 0;
  gOurs[S] = benchsupport::SecondsPerIteration(state, [&] {
    if (z.Build(c.width, &m, 0, -1.0, 1)) {
      points = z.Result.PointCount(0);
      area = z.Result.SquareSubject(0);
    }
  });
  state.counters["area"] = area;
  state.counters["points"] = points;
  m.Free();
}

template <Shape S>
void BM_GeosBuffer(benchmark::State& state) {
  const Case& c = Contour(S);
  GEOSContextHandle_t h = GEOS_init_r();
  GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(c.points.size()), 2);
  for (size_t i = 0; i < c.points.size(); ++i)
    GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(i), c.points[i].x, c.points[i].y);
  GEOSGeometry* g = c.area
                        ? GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, s), nullptr, 0)
                        : GEOSGeom_createLineString_r(h, s);
  double area = 0;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
    GEOSGeometry* b = GEOSBufferWithStyle_r(h, g, c.width, kQuadrantSegments, GEOSBUF_CAP_FLAT,
                                            GEOSBUF_JOIN_ROUND, 5.0);
    GEOSArea_r(h, b, &area);
    GEOSGeom_destroy_r(h, b);
  });
  state.counters["area"] = area;
  state.counters["geos_over_ours"] = gOurs[S] > 0.0 ? geos / gOurs[S] : 0.0;
  GEOSGeom_destroy_r(h, g);
  GEOS_finish_r(h);
}

BENCHMARK(BM_BuildZone<kWalk>)->Name("BM_BuildZone/walk")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kWalk>)->Name("BM_GeosBuffer/walk")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildZone<kStar>)->Name("BM_BuildZone/star")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kStar>)->Name("BM_GeosBuffer/star")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildZone<kZigzag>)->Name("BM_BuildZone/zigzag")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kZigzag>)->Name("BM_GeosBuffer/zigzag")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildZone<kWavy>)->Name("BM_BuildZone/wavy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kWavy>)->Name("BM_GeosBuffer/wavy")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildZone<kTangle>)->Name("BM_BuildZone/tangle10k")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kTangle>)->Name("BM_GeosBuffer/tangle10k")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildZone<kLargeTangle>)->Name("BM_BuildZone/tangle100k")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosBuffer<kLargeTangle>)->Name("BM_GeosBuffer/tangle100k")->Unit(benchmark::kMillisecond);

}  // namespace
