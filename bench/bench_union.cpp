// Union of two areas of 10,000 outer vertices with 100 holes each (the
// holes of one meeting the holes of the other here and there), through a
// TObjectUnion, beside GEOS's union of the same pair in the same run, with
// the ratio of the two times (geos_over_ours above 1: ours is faster).
// GEOS is only a point of comparison.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "geometry/objectunion.h"

namespace {

constexpr int kVertices = 10000;
constexpr int kHoleSide = 10;  // holes on a 10 x 10 grid
constexpr int kHoleVertices = 32;

struct Pt {
  double x, y;
};
using Ring = std::vector<Pt>;
using Area = std::vector<Ring>;

// An outer contour whose radius wanders slowly around 4,000, and a grid of
// round holes of radius 120 within 2,500 of the centre.
Area MakeArea(std::mt19937_64& rng, double cx, double cy, double shift) {
  std::uniform_real_distribution<double> wobble(3900, 4100), jitter(-30, 30);
  Area a(1);
  double r = 4000;
  for (int i = 0; i < kVertices; ++i) {
    const double t = 2 * std::numbers::pi * i / kVertices;
    r = 0.99 * r + 0.01 * wobble(rng);
    a[0].push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
  }
  a[0].push_back(a[0].front());
  for (int gx = 0; gx < kHoleSide; ++gx) {
    for (int gy = 0; gy < kHoleSide; ++gy) {
      const double hx = cx - 2250 + 500 * gx + shift + jitter(rng);
      const double hy = cy - 2250 + 500 * gy + shift + jitter(rng);
      Ring h;
      for (int k = 0; k < kHoleVertices; ++k) {
        const double t = -2 * std::numbers::pi * k / kHoleVertices;
        h.push_back({hx + 120 * std::cos(t), hy + 120 * std::sin(t)});
      }
      h.push_back(h.front());
      a.push_back(h);
    }
  }
  return a;
}

struct Pair {
  Area a, b;
  Pair() {
    std::mt19937_64 rng(122);
    a = MakeArea(rng, 5000, 5000, 0);
    b = MakeArea(rng, 5100, 5050, 50);
  }
};

const Pair& Data() {
  static const Pair pair;
  return pair;
}

struct Buffer {
  TDataEdit m;
  explicit Buffer(const Area& area) {
    m.Init();
    m.Create(static_cast<int>(METRIC_F64), 0);
    for (size_t c = 0; c < area.size(); ++c) {
      if (c > 0) m.CreateSubject();
      for (const Pt& p : area[c]) m.AppendPointSubject(static_cast<int>(c), p.x, p.y);
    }
  }
  ~Buffer() { m.Free(); }
};

GEOSGeometry* Polygon(GEOSContextHandle_t h, const Area& a) {
  auto ring = [&](const Ring& r) {
    GEOSCoordSequence* s = GEOSCoordSeq_create_r(h, static_cast<unsigned>(r.size()), 2);
    for (size_t i = 0; i < r.size(); ++i) GEOSCoordSeq_setXY_r(h, s, static_cast<unsigned>(i), r[i].x, r[i].y);
    return GEOSGeom_createLinearRing_r(h, s);
  };
  std::vector<GEOSGeometry*> holes;
  for (size_t i = 1; i < a.size(); ++i) holes.push_back(ring(a[i]));
  return GEOSGeom_createPolygon_r(h, ring(a[0]), holes.data(), static_cast<unsigned>(holes.size()));
}

double gOurs = 0.0;

void BM_ObjectUnion(benchmark::State& state) {
  Buffer a(Data().a), b(Data().b);
  double area = 0;
  int holes = 0;
  gOurs = benchsupport::SecondsPerIteration(state, [&] {
    TObjectUnion u;
    if (u.LoadObjects(&a.m, &b.m, 1, 0.0, 0.0)) {
      if (TDataEdit* r = u.GetObjectA()) {
        area = r->Square();
        holes = r->Record->Count;
      }
    }
  });
  state.counters["area"] = area;
  state.counters["holes"] = holes;
}
BENCHMARK(BM_ObjectUnion)->Unit(benchmark::kMillisecond);

void BM_GeosUnion(benchmark::State& state) {
  GEOSContextHandle_t h = GEOS_init_r();
  GEOSGeometry* a = Polygon(h, Data().a);
  GEOSGeometry* b = Polygon(h, Data().b);
  double area = 0;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
    GEOSGeometry* u = GEOSUnion_r(h, a, b);
    GEOSArea_r(h, u, &area);
    GEOSGeom_destroy_r(h, u);
  });
  state.counters["area"] = area;
  state.counters["geos_over_ours"] = gOurs > 0.0 ? geos / gOurs : 0.0;
  GEOSGeom_destroy_r(h, a);
  GEOSGeom_destroy_r(h, b);
  GEOS_finish_r(h);
}
BENCHMARK(BM_GeosUnion)->Unit(benchmark::kMillisecond);

}  // namespace
