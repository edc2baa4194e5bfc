// Visibility tests against an 8 x 8 test window: 100,000 lines of 20
// points through the default test and 30,000 areas of 40 points through
// the mask test, beside GEOS's prepared-rectangle intersects of the same
// geometries in the same run, with the ratio of the two times
// (geos_over_ours above 1: ours is faster). GEOS is only a point of
// comparison.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "drawing/paintcontext.h"
#include "drawing/polydata.h"
#include "drawing/visibility.h"

namespace {

constexpr int kLines = 100000, kLinePoints = 20;
constexpr int kAreas = 30000, kAreaPoints = 40;
constexpr int kWindow = 8;
constexpr int kSpread = 1000;  // objects lie within +-kSpread pixels of the window

// Objects as the object seek builds them: pixel points relative to the
// window, one part each, with their frames.
struct Objects {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  std::vector<POLYDATA> sets;

  void Add(const std::vector<POINT>& part) {
    points.insert(points.end(), part.begin(), part.end());
    counts.push_back(LONG(part.size()));
  }
  // Pointers and frames once every part is in.
  void Finish() {
    sets.resize(counts.size());
    size_t at = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
      POLYDATA& d = sets[i];
      d = POLYDATA{};
      d.Points = points.data() + at;
      d.PolyCounts = &counts[i];
      d.Count = 1;
      d.MinX = d.MaxX = d.Points[0].x;
      d.MinY = d.MaxY = d.Points[0].y;
      for (LONG k = 0; k < counts[i]; ++k) {
        const POINT p = d.Points[k];
        d.MinX = std::min(d.MinX, p.x), d.MaxX = std::max(d.MaxX, p.x);
        d.MinY = std::min(d.MinY, p.y), d.MaxY = std::max(d.MaxY, p.y);
      }
      at += size_t(counts[i]);
    }
  }
};

// Lines: random walks of 20 points with steps up to 40 pixels.
const Objects& Lines() {
  static const Objects lines = [] {
    Objects o;
    std::mt19937_64 rng(20);
    std::uniform_int_distribution<LONG> start(-kSpread, kSpread), step(-40, 40);
    std::vector<POINT> part(kLinePoints);
    for (int i = 0; i < kLines; ++i) {
      part[0] = {start(rng), start(rng)};
      for (int k = 1; k < kLinePoints; ++k)
        part[k] = {part[k - 1].x + step(rng), part[k - 1].y + step(rng)};
      o.Add(part);
    }
    o.Finish();
    return o;
  }();
  return lines;
}

// Areas: closed stars of 40 points, radii 5 to 60 pixels.
const Objects& Areas() {
  static const Objects areas = [] {
    Objects o;
    std::mt19937_64 rng(40);
    std::uniform_int_distribution<LONG> centre(-kSpread, kSpread);
    std::uniform_real_distribution<double> size(5, 60), wobble(0.6, 1.0);
    std::vector<POINT> ring(kAreaPoints);
    for (int i = 0; i < kAreas; ++i) {
      const double cx = centre(rng), cy = centre(rng), r = size(rng);
      for (int k = 0; k + 1 < kAreaPoints; ++k) {
        const double a = 2 * std::numbers::pi * k / (kAreaPoints - 1), q = r * wobble(rng);
        ring[k] = {LONG(std::lround(cx + q * std::cos(a))),
                   LONG(std::lround(cy + q * std::sin(a)))};
      }
      ring.back() = ring.front();
      o.Add(ring);
    }
    o.Finish();
    return o;
  }();
  return areas;
}

const Objects& Data(int areas) { return areas ? Areas() : Lines(); }

double gOurs[2] = {0.0, 0.0};

// state.range(0): 0 the lines (default test), 1 the areas (mask test).
void BM_VisibilityTests(benchmark::State& state) {
  const int areas = int(state.range(0));
  const Objects& o = Data(areas);
  if (AllocPaintDib(640, 480, 4) != 0) {
    state.SkipWithError("no memory image");
    return;
  }
  SetTestWindow(kWindow, kWindow);
  int hits = 0;
  gOurs[areas] = benchsupport::SecondsPerIteration(state, [&] {
    hits = 0;
    for (const POLYDATA& d : o.sets) {
      POLYDATA set = d;
      hits += areas ? TestImageByMask(nullptr, &set, nullptr, 1.0f)
                    : TestDefaultImage(nullptr, &set, nullptr, 1.0f);
    }
    benchmark::DoNotOptimize(hits);
  });
  state.counters["hits"] = hits;
  state.SetItemsProcessed(state.iterations() * int64_t(o.sets.size()));
  SetTestWindow(0, 0);
  FreePaintDib();
}
BENCHMARK(BM_VisibilityTests)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

GEOSCoordSequence* Sequence(GEOSContextHandle_t h, const POINT* p, LONG n) {
  GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, unsigned(n), 2);
  for (LONG i = 0; i < n; ++i) GEOSCoordSeq_setXY_r(h, s, unsigned(i), p[i].x, p[i].y);
  return s;
}

// The window's pixels as a rectangle: columns and rows 0 .. 7.
void BM_GeosPreparedIntersects(benchmark::State& state) {
  const int areas = int(state.range(0));
  const Objects& o = Data(areas);
  GEOSContextHandle_t h = GEOS_init_r();
  const POINT corners[5] = {
      {0, 0}, {kWindow - 1, 0}, {kWindow - 1, kWindow - 1}, {0, kWindow - 1}, {0, 0}};
  GEOSGeometry* window = GEOSGeom_createPolygon_r(
      h, GEOSGeom_createLinearRing_r(h, Sequence(h, corners, 5)), nullptr, 0);
  const GEOSPreparedGeometry* prepared = GEOSPrepare_r(h, window);
  std::vector<GEOSGeometry*> geometries;
  for (const POLYDATA& d : o.sets) {
    GEOSCoordSequence* s = Sequence(h, d.Points, d.PolyCounts[0]);
    geometries.push_back(
        areas ? GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, s), nullptr, 0)
              : GEOSGeom_createLineString_r(h, s));
  }
  int hits = 0;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
    hits = 0;
    for (const GEOSGeometry* g : geometries) hits += GEOSPreparedIntersects_r(h, prepared, g) == 1;
    benchmark::DoNotOptimize(hits);
  });
  const double ours = gOurs[areas];
  state.counters["hits"] = hits;
  state.counters["geos_over_ours"] = ours > 0.0 ? geos / ours : 0.0;
  state.SetItemsProcessed(state.iterations() * int64_t(o.sets.size()));
  for (GEOSGeometry* g : geometries) GEOSGeom_destroy_r(h, g);
  GEOSPreparedGeom_destroy_r(h, prepared);
  GEOSGeom_destroy_r(h, window);
  GEOS_finish_r(h);
}
BENCHMARK(BM_GeosPreparedIntersects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
