// Pairs of areas snapped to a coarse grid, as real maps have them: cells of
// one grid (shared sides and corners, holes), stars rounded to whole
// metres (vertices on the other's sides, collinear sides), identical
// shapes, parts lying in the other's holes, rectangles; lines drawn on the
// same grid. And GEOS's answers for them: the region of a set of rings
// counted by parity, its area and parts, and the faces a line cuts an area
// into. Test-only.
#pragma once

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "contours.h"
#include "geos_oracle.h"

using Shape = std::vector<Contour>;

struct GridPair {
  const char* kind;
  Shape a, b;
  Contour line;
};

// Shape and number of parts of a GEOS result; parts narrower than `width`
// on average (area below width times perimeter) are not counted, since a
// result within that precision may leave them out.
struct Measured {
  double area = 0;
  int parts = 0;
};

class GridOracle : public GeosOracle {
 public:
  // The region covered by an odd number of the rings.
  GEOSGeometry* Parity(const Shape& rings) const {
    GEOSGeometry* r = nullptr;
    for (const Contour& c : rings) {
      GEOSGeometry* p = Polygon({c});
      if (r == nullptr) {
        r = p;
        continue;
      }
      GEOSGeometry* x = GEOSSymDifference_r(handle(), r, p);
      GEOSGeom_destroy_r(handle(), r);
      GEOSGeom_destroy_r(handle(), p);
      r = x;
    }
    return r;
  }

  Measured Measure(const GEOSGeometry* g, double width) const {
    Measured m;
    if (g == nullptr) return m;
    const int n = GEOSGetNumGeometries_r(handle(), g);
    for (int i = 0; i < n; ++i) {
      const GEOSGeometry* part = GEOSGetGeometryN_r(handle(), g, i);
      if (GEOSGeomTypeId_r(handle(), part) != GEOS_POLYGON) continue;
      double a = 0, l = 0;
      GEOSArea_r(handle(), part, &a);
      GEOSLength_r(handle(), part, &l);
      m.area += a;
      if (a > width * l) ++m.parts;
    }
    return m;
  }

  // The intersection or union of two areas (each its rings by parity).
  Measured Combine(const Shape& a, const Shape& b, bool unite, double width) const {
    GEOSGeometry* ga = Parity(a);
    GEOSGeometry* gb = Parity(b);
    GEOSGeometry* r = unite ? GEOSUnion_r(handle(), ga, gb) : GEOSIntersection_r(handle(), ga, gb);
    const Measured m = Measure(r, width);
    for (GEOSGeometry* g : {ga, gb, r})
      if (g) GEOSGeom_destroy_r(handle(), g);
    return m;
  }

  // The faces into which a line cuts an area (those inside it), the line
  // and the area's contours noded on a grid of `width`: the end of a line
  // extended in floating point may pass a vertex a hair away, and within
  // the precision it passes through it.
  Measured Faces(const Shape& area, const Contour& line, double width) const {
    GEOSGeometry* p = Parity(area);
    GEOSGeometry* boundary = GEOSBoundary_r(handle(), p);
    GEOSGeometry* l = Line(line);
    GEOSGeometry* noded = GEOSUnionPrec_r(handle(), boundary, l, width);
    const GEOSGeometry* parts[] = {noded};
    GEOSGeometry* faces = GEOSPolygonize_r(handle(), parts, 1);
    Measured m;
    const int n = GEOSGetNumGeometries_r(handle(), faces);
    for (int i = 0; i < n; ++i) {
      const GEOSGeometry* f = GEOSGetGeometryN_r(handle(), faces, i);
      GEOSGeometry* inner = GEOSPointOnSurface_r(handle(), f);
      if (GEOSContains_r(handle(), p, inner) == 1) {
        double a = 0, len = 0;
        GEOSArea_r(handle(), f, &a);
        GEOSLength_r(handle(), f, &len);
        m.area += a;
        if (a > width * len) ++m.parts;
      }
      GEOSGeom_destroy_r(handle(), inner);
    }
    for (GEOSGeometry* g : {p, boundary, l, noded, faces}) GEOSGeom_destroy_r(handle(), g);
    return m;
  }

  // The rings of a polygon: its shell, then its holes.
  Shape Rings(const GEOSGeometry* polygon) const {
    Shape out;
    auto ring = [&](const GEOSGeometry* r) {
      const GEOSCoordSequence* s = GEOSGeom_getCoordSeq_r(handle(), r);
      unsigned n = 0;
      GEOSCoordSeq_getSize_r(handle(), s, &n);
      Contour c;
      for (unsigned i = 0; i < n; ++i) {
        double x = 0, y = 0;
        GEOSCoordSeq_getXY_r(handle(), s, i, &x, &y);
        c.push_back({x, y});
      }
      out.push_back(c);
    };
    ring(GEOSGetExteriorRing_r(handle(), polygon));
    const int holes = GEOSGetNumInteriorRings_r(handle(), polygon);
    for (int i = 0; i < holes; ++i) ring(GEOSGetInteriorRingN_r(handle(), polygon, i));
    return out;
  }

  // The largest polygon of the cells of an n x n grid of side `cell` from
  // (x0, y0), each cell taken with probability p: shell and holes, every
  // cell corner along them kept as a vertex. Empty when no cell was taken.
  Shape Cells(std::mt19937_64& rng, int n, double cell, double x0, double y0, double p) const {
    std::bernoulli_distribution take(p);
    std::vector<GEOSGeometry*> cells;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        if (take(rng)) {
          const double x = x0 + i * cell, y = y0 + j * cell;
          cells.push_back(Polygon({Square(x, y, x + cell, y + cell)}));
        }
    if (cells.empty()) return {};
    GEOSGeometry* all = GEOSGeom_createCollection_r(handle(), GEOS_MULTIPOLYGON, cells.data(),
                                                   static_cast<unsigned>(cells.size()));
    GEOSGeometry* u = GEOSUnaryUnion_r(handle(), all);
    const GEOSGeometry* best = nullptr;
    double largest = -1;
    for (int i = 0; i < GEOSGetNumGeometries_r(handle(), u); ++i) {
      const GEOSGeometry* g = GEOSGetGeometryN_r(handle(), u, i);
      double a = 0;
      GEOSArea_r(handle(), g, &a);
      if (a > largest) largest = a, best = g;
    }
    Shape out = Rings(best);
    GEOSGeom_destroy_r(handle(), u);
    GEOSGeom_destroy_r(handle(), all);
    // Every cell corner on the rings becomes a vertex.
    for (Contour& c : out) {
      Contour dense;
      for (size_t k = 0; k + 1 < c.size(); ++k) {
        const int steps = static_cast<int>(std::lround(
            std::max(std::fabs(c[k + 1].x - c[k].x), std::fabs(c[k + 1].y - c[k].y)) / cell));
        for (int s = 0; s < std::max(steps, 1); ++s) {
          const double t = static_cast<double>(s) / std::max(steps, 1);
          dense.push_back({c[k].x + t * (c[k + 1].x - c[k].x), c[k].y + t * (c[k + 1].y - c[k].y)});
        }
      }
      dense.push_back(dense.front());
      c = dense;
    }
    return out;
  }
};

// A star of n vertices around (cx, cy) with radii in [r0, r1], every
// vertex rounded to a multiple of g, repeated vertices dropped; empty when
// the result is not a valid polygon.
inline Contour SnappedStar(const GridOracle& geos, std::mt19937_64& rng, int n, double cx,
                           double cy, double r0, double r1, double g) {
  Contour c = StarContour(rng, n, cx, cy, r0, r1), out;
  for (Pt& p : c) p = {std::round(p.x / g) * g, std::round(p.y / g) * g};
  for (const Pt& p : c)
    if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
  if (out.size() < 4 || !geos.Valid({out})) return {};
  return out;
}

// A polyline of 2 to 5 vertices on the grid of g within the frame, now and
// then running along a grid line.
inline Contour GridLine(std::mt19937_64& rng, double x0, double y0, double x1, double y1, double g) {
  std::uniform_int_distribution<int> vertices(2, 5);
  std::uniform_real_distribution<double> ux(x0, x1), uy(y0, y1);
  Contour line;
  const int n = vertices(rng);
  for (int i = 0; i < n; ++i) {
    Pt p{std::round(ux(rng) / g) * g, std::round(uy(rng) / g) * g};
    if (!line.empty() && std::bernoulli_distribution(0.3)(rng))
      (std::bernoulli_distribution(0.5)(rng) ? p.x : p.y) = (std::bernoulli_distribution(0.5)(rng)
                                                                 ? line.back().x
                                                                 : line.back().y);
    if (!line.empty() && line.back().x == p.x && line.back().y == p.y) continue;
    line.push_back(p);
  }
  if (line.size() < 2) line.push_back({line[0].x + g, line[0].y});
  return line;
}

// The polyline extended at both ends by d along its end segments, as the
// cutting worker extends it (a closed one of 4 points or more stays).
inline Contour Extended(Contour line, double d) {
  if (line.size() >= 4 && line.front().x == line.back().x && line.front().y == line.back().y)
    return line;
  auto drag = [d](Pt& end, const Pt& base) {
    const double l = std::hypot(end.x - base.x, end.y - base.y);
    if (l <= 0.001) return;
    end.x = base.x + (end.x - base.x) * (l + d) / l;
    end.y = base.y + (end.y - base.y) * (l + d) / l;
  };
  drag(line.front(), line[1]);
  drag(line.back(), line[line.size() - 2]);
  return line;
}

// `count` pairs drawn from a generator of `seed`, of the kinds above, each
// with a line across the second; every area valid for GEOS.
inline std::vector<GridPair> RandomGridPairs(const GridOracle& geos, uint64_t seed, int count) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int> kind(0, 5), shift(-3, 3), size(3, 7);
  std::uniform_real_distribution<double> p(0.45, 0.8);
  std::vector<GridPair> out;
  while (static_cast<int>(out.size()) < count) {
    GridPair pair{};
    switch (kind(rng)) {
      case 0: {  // cells of one grid
        pair.kind = "cells";
        const int n = size(rng);
        pair.a = geos.Cells(rng, n, 1.0, 0, 0, p(rng));
        pair.b = geos.Cells(rng, n, 1.0, shift(rng) * 0.5, shift(rng) * 0.5, p(rng));
        break;
      }
      case 1: {  // stars on whole metres
        pair.kind = "stars";
        std::uniform_int_distribution<int> points(3, 14), centre(0, 6);
        pair.a = {SnappedStar(geos, rng, points(rng), 10, 10, 3, 9, 1.0)};
        pair.b = {SnappedStar(geos, rng, points(rng), 10 + centre(rng), 10 + centre(rng), 3, 9, 1.0)};
        if (pair.a[0].empty() || pair.b[0].empty()) continue;
        break;
      }
      case 2: {  // the same shape, maybe turned the other way or started elsewhere
        pair.kind = "identical";
        pair.a = geos.Cells(rng, size(rng), 1.0, 0, 0, p(rng));
        pair.b = pair.a;
        if (pair.b.empty()) continue;
        if (std::bernoulli_distribution(0.5)(rng)) std::reverse(pair.b[0].begin(), pair.b[0].end());
        break;
      }
      case 3: {  // one lying in a hole of the other, or filling it
        pair.kind = "in a hole";
        pair.a = geos.Cells(rng, 7, 1.0, 0, 0, 0.75);
        if (pair.a.size() < 2) continue;
        const Contour& hole = pair.a[1];
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const Pt& q : hole)
          x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
        if (std::bernoulli_distribution(0.3)(rng)) {
          pair.b = {hole};
        } else {
          const int n = static_cast<int>(std::max(x1 - x0, y1 - y0) * 2);
          pair.b = geos.Cells(rng, n, 0.5, x0, y0, 0.7);
        }
        break;
      }
      case 4: {  // rectangles
        pair.kind = "rectangles";
        std::uniform_int_distribution<int> c(0, 8);
        auto rect = [&]() {
          int x0 = c(rng), x1 = c(rng), y0 = c(rng), y1 = c(rng);
          if (x0 == x1) ++x1;
          if (y0 == y1) ++y1;
          return Square(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
        };
        pair.a = {rect()};
        pair.b = {rect()};
        if (std::bernoulli_distribution(0.3)(rng)) pair.b.push_back(Square(3, 3, 5, 5));
        if (!geos.Valid(pair.b)) continue;
        break;
      }
      default: {  // cells against a star
        pair.kind = "cells and a star";
        pair.a = geos.Cells(rng, size(rng), 1.0, 0, 0, p(rng));
        std::uniform_int_distribution<int> points(3, 12);
        pair.b = {SnappedStar(geos, rng, points(rng), 3, 3, 1, 4, 0.5)};
        if (pair.b[0].empty()) continue;
        if (std::bernoulli_distribution(0.5)(rng)) std::swap(pair.a, pair.b);
        break;
      }
    }
    if (pair.a.empty() || pair.b.empty() || !geos.Valid(pair.a) || !geos.Valid(pair.b)) continue;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& q : pair.b[0])
      x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    pair.line = GridLine(rng, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 0.5);
    out.push_back(pair);
  }
  return out;
}
