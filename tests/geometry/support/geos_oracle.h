// GEOS as the oracle of the geometry tests: polygons and lines built from
// the tests' contours, and areas of intersections and unions. Test-only; the library
// never links GEOS.
#pragma once

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "contours.h"

class GeosOracle {
 public:
  GeosOracle() : h_(GEOS_init_r()) {}
  ~GeosOracle() { GEOS_finish_r(h_); }
  GeosOracle(const GeosOracle&) = delete;
  GeosOracle& operator=(const GeosOracle&) = delete;

  GEOSContextHandle_t handle() const { return h_; }

  // A polygon of an outer contour and holes (closed contours).
  GEOSGeometry* Polygon(const std::vector<Contour>& contours) const {
    std::vector<GEOSGeometry*> holes;
    for (size_t i = 1; i < contours.size(); ++i) holes.push_back(Ring(contours[i]));
    return GEOSGeom_createPolygon_r(h_, Ring(contours[0]), holes.data(),
                                    static_cast<unsigned>(holes.size()));
  }

  // A line through the points of c.
  GEOSGeometry* Line(const Contour& c) const {
    return GEOSGeom_createLineString_r(h_, Sequence(c));
  }

  // Whether the contours make a valid polygon (a star of few vertices may
  // cross itself).
  bool Valid(const std::vector<Contour>& contours) const {
    GEOSGeometry* g = Polygon(contours);
    const bool valid = GEOSisValid_r(h_, g) == 1;
    GEOSGeom_destroy_r(h_, g);
    return valid;
  }

  double Area(const GEOSGeometry* g) const {
    double a = 0;
    GEOSArea_r(h_, g, &a);
    return a;
  }

  // Area of the intersection and of the union of two polygons.
  double IntersectionArea(const std::vector<Contour>& a, const std::vector<Contour>& b) const {
    return Combined(a, b, false);
  }
  double UnionArea(const std::vector<Contour>& a, const std::vector<Contour>& b) const {
    return Combined(a, b, true);
  }

 private:
  GEOSCoordSequence* Sequence(const Contour& c) const {
    GEOSCoordSequence* s = GEOSCoordSeq_create_r(h_, static_cast<unsigned>(c.size()), 2);
    for (size_t i = 0; i < c.size(); ++i)
      GEOSCoordSeq_setXY_r(h_, s, static_cast<unsigned>(i), c[i].x, c[i].y);
    return s;
  }

  GEOSGeometry* Ring(const Contour& c) const {
    return GEOSGeom_createLinearRing_r(h_, Sequence(c));
  }

  double Combined(const std::vector<Contour>& a, const std::vector<Contour>& b, bool unite) const {
    GEOSGeometry* ga = Polygon(a);
    GEOSGeometry* gb = Polygon(b);
    GEOSGeometry* r = unite ? GEOSUnion_r(h_, ga, gb) : GEOSIntersection_r(h_, ga, gb);
    const double area = r ? Area(r) : std::nan("");
    if (r) GEOSGeom_destroy_r(h_, r);
    GEOSGeom_destroy_r(h_, ga);
    GEOSGeom_destroy_r(h_, gb);
    return area;
  }

  GEOSContextHandle_t h_;
};

// A star-shaped polygon of n vertices around (cx, cy), radii in [r0, r1],
// closed.
inline Contour StarContour(std::mt19937_64& rng, int n, double cx, double cy, double r0,
                           double r1) {
  std::uniform_real_distribution<double> angle(0, 2 * std::numbers::pi), radius(r0, r1);
  std::vector<double> t(static_cast<size_t>(n));
  for (double& a : t) a = angle(rng);
  std::sort(t.begin(), t.end());
  Contour c;
  for (double a : t) {
    const double r = radius(rng);
    c.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  c.push_back(c.front());
  return c;
}

// A star polygon with two small star holes near its centre (inside the
// disc of radius r0 that a star around its centre always covers).
inline std::vector<Contour> StarWithHoles(std::mt19937_64& rng, int n, double cx, double cy,
                                          double r0, double r1) {
  std::vector<Contour> p = {StarContour(rng, n, cx, cy, r0, r1)};
  const double d = r0 * 0.4, r = r0 * 0.3;
  p.push_back(StarContour(rng, 8, cx - d, cy, r * 0.5, r));
  p.push_back(StarContour(rng, 8, cx + d, cy, r * 0.5, r));
  return p;
}

// A ring round (cx, cy) over all but a gap of an angle, n points on each
// of its sides (outer radii 150 to 300, inner 50 to 120), whose outer side
// ends in a point on the side that closes its start: the bay it rings opens
// only there, the point computed on that side (so within a hair of it, on
// either side).
inline Contour BayRing(std::mt19937_64& rng, int n, double cx, double cy) {
  std::uniform_real_distribution<double> unit(0, 1);
  const double start = 2 * std::numbers::pi * unit(rng), gap = 0.2 + 0.3 * unit(rng);
  std::vector<double> t(static_cast<size_t>(n));
  for (double& a : t) a = start + (2 * std::numbers::pi - gap) * unit(rng);
  std::sort(t.begin(), t.end());
  t.front() = start;
  Contour outer, inner;
  for (double a : t) {
    const double r1 = 150 + 150 * unit(rng), r2 = 50 + 70 * unit(rng);
    outer.push_back({cx + r1 * std::cos(a), cy + r1 * std::sin(a)});
    inner.push_back({cx + r2 * std::cos(a), cy + r2 * std::sin(a)});
  }
  const double along = 0.2 + 0.6 * unit(rng);
  Contour c = outer;
  c.push_back({inner[0].x + along * (outer[0].x - inner[0].x),
               inner[0].y + along * (outer[0].y - inner[0].y)});
  c.insert(c.end(), inner.rbegin(), inner.rend());
  c.push_back(c.front());
  return c;
}

// Perimeter of a contour.
inline double Perimeter(const Contour& c) {
  double p = 0;
  for (size_t i = 1; i < c.size(); ++i) p += std::hypot(c[i].x - c[i - 1].x, c[i].y - c[i - 1].y);
  return p;
}

// Nearest distance from the vertices of one contour to the other.
inline double Clearance(const Contour& a, const Contour& b) {
  double d = 1e300;
  for (const Pt& p : a) d = std::min(d, PolylineDistance(p, b));
  return d;
}

// `count` pairs of contours made by make(rng, points, cx, cy) from a
// generator of `seed`, with points in lo..hi and centres within c0..c1,
// each valid for GEOS and kept by keep(a, b).
template <class Make, class Keep>
std::vector<std::pair<Contour, Contour>> DrawPairs(const GeosOracle& geos, uint64_t seed, int count,
                                                   double c0, double c1, int lo, int hi, Make make,
                                                   Keep keep) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> centre(c0, c1);
  std::uniform_int_distribution<int> points(lo, hi);
  std::vector<std::pair<Contour, Contour>> out;
  while (int(out.size()) < count) {
    const Contour a = make(rng, points(rng), centre(rng), centre(rng));
    const Contour b = make(rng, points(rng), centre(rng), centre(rng));
    if (geos.Valid({a}) && geos.Valid({b}) && keep(a, b)) out.emplace_back(a, b);
  }
  return out;
}

// `count` pairs of star polygons of 3 to 80 vertices with radii of 50 to
// 400 about centres within 400..600, drawn from a generator of `seed`:
// each valid for GEOS and in general position (no vertex of one nearer
// than 0.01 to the other).
inline std::vector<std::pair<Contour, Contour>> RandomStarPairs(const GeosOracle& geos,
                                                                uint64_t seed, int count) {
  return DrawPairs(
      geos, seed, count, 400, 600, 3, 80,
      [](std::mt19937_64& rng, int n, double cx, double cy) {
        return StarContour(rng, n, cx, cy, 50, 400);
      },
      [](const Contour& a, const Contour& b) {
        return Clearance(a, b) >= 0.01 && Clearance(b, a) >= 0.01;
      });
}

// `count` pairs of bay rings of 5 to 40 points a side about centres
// within 450..550, drawn from a generator of `seed`, each valid for GEOS
// (its last point a hair outside the side it ends on).
inline std::vector<std::pair<Contour, Contour>> RandomBayPairs(const GeosOracle& geos,
                                                               uint64_t seed, int count) {
  return DrawPairs(geos, seed, count, 450, 550, 5, 40, BayRing,
                   [](const Contour&, const Contour&) { return true; });
}

// `count` pairs of star polygons of 8 to 60 vertices with radii of 120 to
// 300 about centres within 450..550, each with two star holes, drawn from
// a generator of `seed`: each valid for GEOS and in general position (no
// vertex of a contour of one within 0.01 of a contour of the other).
inline std::vector<std::pair<std::vector<Contour>, std::vector<Contour>>> RandomHoledPairs(
    const GeosOracle& geos, uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> centre(450, 550);
  std::uniform_int_distribution<int> points(8, 60);
  std::vector<std::pair<std::vector<Contour>, std::vector<Contour>>> out;
  while (int(out.size()) < count) {
    const auto a = StarWithHoles(rng, points(rng), centre(rng), centre(rng), 120, 300);
    const auto b = StarWithHoles(rng, points(rng), centre(rng), centre(rng), 120, 300);
    if (!geos.Valid(a) || !geos.Valid(b)) continue;
    bool general = true;
    for (const Contour& x : a)
      for (const Contour& y : b) general = general && Clearance(x, y) > 0.01 && Clearance(y, x) > 0.01;
    if (!general) continue;
    out.emplace_back(a, b);
  }
  return out;
}
