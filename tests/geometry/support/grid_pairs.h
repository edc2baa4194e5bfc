// Pairs of areas snapped to a coarse grid, as real maps have them: cells of
// one grid (shared sides and corners, holes), stars rounded to whole
// metres (vertices on the other's sides, collinear sides), identical
// shapes, parts lying in the other's holes, rectangles; lines drawn on the
// same grid. And GEOS's answers for them: the region of a set of rings
// counted by parity, its area and parts, and the faces a line cuts an area
// into; and the tally of a worker's answers against them. Test-only.
#pragma once

#include <geos_c.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
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

// Area and number of parts of a result. A part narrower than the
// precision on average (area below precision times perimeter) is a sliver
// that a result within the precision may leave out or keep: `parts` counts
// those wider than `width`, `sure` those wider than three times `width`.
struct Measured {
  double area = 0;
  int parts = 0, sure = 0;
  int all = 0;    // parts of any area, however narrow
  int holes = 0;  // Measure and ParityMeasure: holes wider than `width`
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
      if (GEOSGeomTypeId_r(handle(), part) == GEOS_POLYGON) Add(m, part, width);
    }
    return m;
  }

  // A polygon counted into a measure.
  void Add(Measured& m, const GEOSGeometry* polygon, double width) const {
    double a = 0, l = 0;
    GEOSArea_r(handle(), polygon, &a);
    GEOSLength_r(handle(), polygon, &l);
    m.area += a;
    if (a > 0) ++m.all;
    if (a > width * l) ++m.parts;
    if (a > 3.0 * width * l) ++m.sure;
    for (int k = 0; k < GEOSGetNumInteriorRings_r(handle(), polygon); ++k) {
      GEOSGeometry* hole = GEOSGeom_createPolygon_r(
          handle(), GEOSGeom_clone_r(handle(), GEOSGetInteriorRingN_r(handle(), polygon, k)), nullptr, 0);
      GEOSArea_r(handle(), hole, &a);
      GEOSLength_r(handle(), hole, &l);
      if (a > width * l) ++m.holes;
      GEOSGeom_destroy_r(handle(), hole);
    }
  }

  // The same with the polygons meeting at points (or, for `sure`, within
  // `width`) counted as one part, as one metric holds them.
  Measured Joined(const GEOSGeometry* g, double width) const {
    std::vector<const GEOSGeometry*> p;
    const int n = g == nullptr ? 0 : GEOSGetNumGeometries_r(handle(), g);
    for (int i = 0; i < n; ++i) {
      const GEOSGeometry* part = GEOSGetGeometryN_r(handle(), g, i);
      if (GEOSGeomTypeId_r(handle(), part) == GEOS_POLYGON) p.push_back(part);
    }
    Measured m;
    for (const double near : {0.0, width}) {
      std::vector<size_t> group(p.size());
      for (size_t i = 0; i < p.size(); ++i) group[i] = i;
      const auto root = [&](size_t i) {
        while (group[i] != i) i = group[i];
        return i;
      };
      for (size_t i = 0; i < p.size(); ++i)
        for (size_t j = i + 1; j < p.size(); ++j) {
          double d = 0;
          GEOSDistance_r(handle(), p[i], p[j], &d);
          if (d <= near) group[root(j)] = root(i);
        }
      std::vector<double> area(p.size()), length(p.size());
      for (size_t i = 0; i < p.size(); ++i) {
        double a = 0, l = 0;
        GEOSArea_r(handle(), p[i], &a);
        GEOSLength_r(handle(), p[i], &l);
        area[root(i)] += a;
        length[root(i)] += l;
      }
      for (size_t i = 0; i < p.size(); ++i) {
        if (group[i] != i) continue;
        if (near == 0.0) {
          m.area += area[i];
          if (area[i] > width * length[i]) ++m.parts;
        } else if (area[i] > 3.0 * width * length[i]) {
          ++m.sure;
        }
      }
    }
    return m;
  }

  // The intersection or union of two areas.
  Measured Combine(const GEOSGeometry* a, const GEOSGeometry* b, bool unite, double width) const {
    GEOSGeometry* r = unite ? GEOSUnion_r(handle(), a, b) : GEOSIntersection_r(handle(), a, b);
    const Measured m = Measure(r, width);
    if (r) GEOSGeom_destroy_r(handle(), r);
    return m;
  }

  // The faces into which a line cuts an area (those inside it), the line
  // and the area's contours noded on a grid of `width`: the end of a line
  // extended in floating point may pass a vertex a hair away, and within
  // the precision it passes through it.
  Measured Faces(const GEOSGeometry* area, const Contour& line, double width) const {
    GEOSGeometry* boundary = GEOSBoundary_r(handle(), area);
    GEOSGeometry* l = Line(line);
    GEOSGeometry* noded = GEOSUnionPrec_r(handle(), boundary, l, width);
    const GEOSGeometry* parts[] = {noded};
    GEOSGeometry* faces = GEOSPolygonize_r(handle(), parts, 1);
    const GEOSPreparedGeometry* inside = GEOSPrepare_r(handle(), area);
    Measured m;
    const int n = GEOSGetNumGeometries_r(handle(), faces);
    for (int i = 0; i < n; ++i) {
      const GEOSGeometry* f = GEOSGetGeometryN_r(handle(), faces, i);
      GEOSGeometry* point = GEOSPointOnSurface_r(handle(), f);
      if (GEOSPreparedContains_r(handle(), inside, point) == 1) Add(m, f, width);
      GEOSGeom_destroy_r(handle(), point);
    }
    GEOSPreparedGeom_destroy_r(handle(), inside);
    for (GEOSGeometry* g : {boundary, l, noded, faces}) GEOSGeom_destroy_r(handle(), g);
    return m;
  }
};

// What another geometry shares with a polyline, segment by segment, as
// distances along it: the stretches it covers (lo < hi) and the points it
// touches (lo == hi), noded on a grid of `grid` when that is above 0. The
// polyline's length.
struct Shared {
  double lo, hi;
};
inline double SharedAlong(const GridOracle& geos, const Contour& line, const GEOSGeometry* other,
                          double grid, std::vector<Shared>& out) {
  GEOSContextHandle_t h = geos.handle();
  out.clear();
  double at = 0;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const Pt &a = line[i], &b = line[i + 1];
    const double l = std::hypot(b.x - a.x, b.y - a.y);
    GEOSGeometry* segment = geos.Line({a, b});
    GEOSGeometry* in = grid > 0 ? GEOSIntersectionPrec_r(h, segment, other, grid)
                                : GEOSIntersection_r(h, segment, other);
    for (int k = 0; in != nullptr && k < GEOSGetNumGeometries_r(h, in); ++k) {
      const GEOSGeometry* part = GEOSGetGeometryN_r(h, in, k);
      const int type = GEOSGeomTypeId_r(h, part);
      if (type != GEOS_POINT && type != GEOS_LINESTRING) continue;
      const GEOSCoordSequence* c = GEOSGeom_getCoordSeq_r(h, part);
      unsigned n = 0;
      GEOSCoordSeq_getSize_r(h, c, &n);
      double lo = l, hi = 0;
      for (unsigned j = 0; j < n; ++j) {
        double x = 0, y = 0;
        GEOSCoordSeq_getXY_r(h, c, j, &x, &y);
        const double t = ((x - a.x) * (b.x - a.x) + (y - a.y) * (b.y - a.y)) / l;
        lo = std::min(lo, t), hi = std::max(hi, t);
      }
      if (type == GEOS_POINT) out.push_back({at + lo, at + lo});
      else if (hi > lo) out.push_back({at + lo, at + hi});
    }
    for (GEOSGeometry* g : {segment, in})
      if (g != nullptr) GEOSGeom_destroy_r(h, g);
    at += l;
  }
  return at;
}

// The stretches of a line inside an area (its closed region: along the
// border counts as inside) or outside it, by GEOS, segment by segment, as
// distances along the line in order. A point where the line only touches
// the area ends none. A line ending where it starts is a ring: its last
// stretch goes on into its first, and the two are one, first.
using Stretch = std::pair<double, double>;
inline std::vector<Stretch> StretchesAlong(const GridOracle& geos, const Contour& line,
                                           const GEOSGeometry* area, bool inside) {
  std::vector<Shared> covered;
  const double at = SharedAlong(geos, line, area, 0.0, covered);
  std::erase_if(covered, [](const Shared& s) { return s.hi <= s.lo; });
  std::sort(covered.begin(), covered.end(),
            [](const Shared& x, const Shared& y) { return x.lo < y.lo; });
  // Stretches meeting within a hair (the rounding of the distances along
  // the line) are one.
  const double hair = 1e-9 * (1.0 + at);
  std::vector<Stretch> out;
  double from = 0;
  for (const Shared& c : covered) {
    if (inside && !out.empty() && c.lo <= out.back().second + hair)
      out.back().second = std::max(out.back().second, c.hi);
    else if (inside)
      out.emplace_back(c.lo, c.hi);
    else if (c.lo > from + hair)
      out.emplace_back(from, c.lo);
    from = std::max(from, c.hi);
  }
  if (!inside && at > from + hair) out.emplace_back(from, at);
  const size_t n = line.size();
  if (n > 2 && line[0].x == line[n - 1].x && line[0].y == line[n - 1].y && out.size() > 1 &&
      out.front().first <= hair && out.back().second >= at - hair) {
    out.front().first -= out.back().second - out.back().first;
    out.pop_back();
  }
  return out;
}

// Their length and number: those longer than `width`, and for `sure` than
// ten times that.
inline Measured MeasureStretches(const std::vector<Stretch>& stretches, double width) {
  Measured m;
  for (const auto& [lo, hi] : stretches) {
    m.area += hi - lo;
    if (hi - lo > width) ++m.parts;
    if (hi - lo > 10 * width) ++m.sure;
  }
  return m;
}

// The contours of a metric.
inline Shape RingsOf(TDataEdit& m) {
  Shape out;
  for (int c = 0; c <= m.Record->Count; ++c) out.push_back(Points(m, c));
  return out;
}

// The region of rings that cross nowhere (they may meet at vertices),
// counted by parity: a ring inside an even number of the others is an
// outer ring of a part, inside an odd number a hole. Each ring is placed
// by the middle of its first side, which lies on no other ring. Parts and
// holes whose ring is narrower than `width` on average are not counted.
inline Measured ParityMeasure(const Shape& rings, double width) {
  auto inside = [](const Pt& p, const Contour& c) {
    bool in = false;
    for (size_t k = 0; k + 1 < c.size(); ++k) {
      const Pt& a = c[k];
      const Pt& b = c[k + 1];
      if ((a.y > p.y) == (b.y > p.y)) continue;
      if (p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
    }
    return in;
  };
  Measured m;
  for (size_t i = 0; i < rings.size(); ++i) {
    const Contour& c = rings[i];
    if (c.size() < 4) continue;
    const Pt middle{(c[0].x + c[1].x) / 2, (c[0].y + c[1].y) / 2};
    int depth = 0;
    for (size_t j = 0; j < rings.size(); ++j)
      if (j != i && rings[j].size() >= 4 && inside(middle, rings[j])) ++depth;
    // Measured from the first vertex, which keeps the sum exact far from
    // the origin.
    double twice = 0;
    for (size_t k = 0; k + 1 < c.size(); ++k)
      twice += (c[k].x - c[0].x) * (c[k + 1].y - c[0].y) - (c[k + 1].x - c[0].x) * (c[k].y - c[0].y);
    m.area += (depth % 2 ? -0.5 : 0.5) * std::fabs(twice);
    if (0.5 * std::fabs(twice) > width * Perimeter(c)) ++(depth % 2 == 0 ? m.parts : m.holes);
  }
  return m;
}

// Whether the closed contour is a simple ring of some area: no vertex
// repeated, no two sides meeting but neighbours at their shared vertex.
inline bool SimpleRing(const Contour& c) {
  const size_t n = c.size() - 1;
  if (c.size() < 4) return false;
  auto orient = [](const Pt& o, const Pt& a, const Pt& b) {
    const double v = (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    return (v > 0) - (v < 0);
  };
  auto on = [&](const Pt& p, const Pt& a, const Pt& b) {
    return orient(a, b, p) == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) &&
           std::min(a.y, b.y) <= p.y && p.y <= std::max(a.y, b.y);
  };
  double twice = 0;
  for (size_t i = 0; i < n; ++i) {
    twice += c[i].x * c[i + 1].y - c[i + 1].x * c[i].y;
    for (size_t j = i + 1; j < n; ++j) {
      const bool next = j == i + 1 || (i == 0 && j == n - 1);
      const Pt &a = c[i], &b = c[i + 1], &p = c[j], &q = c[j + 1];
      if (next) {
        // Neighbours share one vertex only: neither runs back along the other.
        const Pt& far = j == i + 1 ? q : p;
        const Pt& mine = j == i + 1 ? a : b;
        if (on(far, a, b) || on(mine, p, q)) return false;
        continue;
      }
      if (on(p, a, b) || on(q, a, b) || on(a, p, q) || on(b, p, q)) return false;
      if (orient(a, b, p) * orient(a, b, q) < 0 && orient(p, q, a) * orient(p, q, b) < 0) return false;
    }
  }
  return twice != 0;
}

// The largest polygon of the cells of an n x n grid of side `cell` from
// (x0, y0), each cell taken with probability p, as a union of the cells
// makes it (cells sharing a side are one part): its outer ring, then its
// holes, every cell corner along them a vertex. Empty when no cell was
// taken. The sides are walked with the cells on their left, turning left
// first where two cells meet at a corner only, so that parts stay apart;
// a walk that comes back to a corner is cut there into rings.
inline Shape Cells(std::mt19937_64& rng, int n, double cell, double x0, double y0, double p) {
  std::bernoulli_distribution take(p);
  std::vector<int> part(static_cast<size_t>(n * n), -1);
  std::vector<bool> full(static_cast<size_t>(n * n));
  for (int k = 0; k < n * n; ++k) full[k] = take(rng);
  // The cells by parts joined at sides; the largest part.
  int best = -1, bestSize = 0, parts = 0;
  for (int k = 0; k < n * n; ++k) {
    if (!full[k] || part[k] >= 0) continue;
    std::vector<int> stack = {k};
    part[k] = parts;
    int size = 0;
    while (!stack.empty()) {
      const int c = stack.back();
      stack.pop_back();
      ++size;
      const int i = c % n, j = c / n;
      const int around[4][2] = {{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}};
      for (const auto& a : around)
        if (a[0] >= 0 && a[0] < n && a[1] >= 0 && a[1] < n && full[a[1] * n + a[0]] &&
            part[a[1] * n + a[0]] < 0) {
          part[a[1] * n + a[0]] = parts;
          stack.push_back(a[1] * n + a[0]);
        }
    }
    if (size > bestSize) best = parts, bestSize = size;
    ++parts;
  }
  if (best < 0) return {};
  auto in = [&](int i, int j) { return i >= 0 && i < n && j >= 0 && j < n && part[j * n + i] == best; };
  // Sides with the part on their left, by their first corner (at most two
  // leave a corner).
  const int m = n + 1;
  std::vector<int> out(static_cast<size_t>(m * m * 2), -1);
  std::vector<bool> used(out.size());
  auto add = [&](int a, int b) { out[a * 2 + (out[a * 2] >= 0 ? 1 : 0)] = b; };
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      if (!in(i, j)) continue;
      const int c00 = j * m + i, c10 = c00 + 1, c11 = c10 + m, c01 = c00 + m;
      if (!in(i, j - 1)) add(c00, c10);
      if (!in(i + 1, j)) add(c10, c11);
      if (!in(i, j + 1)) add(c11, c01);
      if (!in(i - 1, j)) add(c01, c00);
    }
  Shape rings;
  Contour shell;
  auto point = [&](int v) { return Pt{x0 + (v % m) * cell, y0 + (v / m) * cell}; };
  for (size_t start = 0; start < out.size(); ++start) {
    if (out[start] < 0 || used[start]) continue;
    // One walk: from each corner the side turning most to the left.
    std::vector<int> walk;
    int from = static_cast<int>(start / 2), slot = static_cast<int>(start % 2);
    while (!used[from * 2 + slot]) {
      used[from * 2 + slot] = true;
      walk.push_back(from);
      const int to = out[from * 2 + slot];
      const int dx = to % m - from % m, dy = to / m - from / m;
      slot = 0;
      if (out[to * 2 + 1] >= 0) {
        const int t0 = out[to * 2];
        const int ex = t0 % m - to % m, ey = t0 / m - to / m;
        // The left turn of (dx, dy) is (-dy, dx).
        slot = (ex == -dy && ey == dx) ? 0 : 1;
        if (used[to * 2 + slot]) slot = 1 - slot;
      }
      from = to;
    }
    // Cut at corners met again.
    std::vector<int> stack;
    auto emit = [&](size_t first) {
      Contour c;
      for (size_t k = first; k < stack.size(); ++k) c.push_back(point(stack[k]));
      c.push_back(c.front());
      double twice = 0;
      for (size_t k = 0; k + 1 < c.size(); ++k) twice += c[k].x * c[k + 1].y - c[k + 1].x * c[k].y;
      if (twice > 0) shell = c;
      else rings.push_back(c);
      stack.resize(first);
    };
    for (int v : walk) {
      const auto again = std::find(stack.begin(), stack.end(), v);
      if (again != stack.end()) emit(static_cast<size_t>(again - stack.begin()));
      stack.push_back(v);
    }
    emit(0);
  }
  rings.insert(rings.begin(), shell);
  return rings;
}

// A star of n vertices around (cx, cy) with radii in [r0, r1], every
// vertex rounded to a multiple of g, repeated vertices dropped; empty when
// the result is not a simple ring.
inline Contour SnappedStar(std::mt19937_64& rng, int n, double cx,
                           double cy, double r0, double r1, double g) {
  Contour c = StarContour(rng, n, cx, cy, r0, r1), out;
  c.pop_back();
  for (Pt& p : c) p = {std::round(p.x / g) * g, std::round(p.y / g) * g};
  for (const Pt& p : c)
    if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
  while (out.size() > 1 && out.back().x == out.front().x && out.back().y == out.front().y) out.pop_back();
  if (out.size() < 3) return {};
  out.push_back(out.front());
  if (!SimpleRing(out)) return {};
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
    if (!line.empty() && std::bernoulli_distribution(0.3)(rng)) {
      // Along X or along Y from the last vertex: it keeps that vertex's Y
      // or X.
      const bool alongX = std::bernoulli_distribution(0.5)(rng);
      std::bernoulli_distribution(0.5)(rng);  // drawn still, so the pairs after stay
      (alongX ? p.y : p.x) = alongX ? line.back().y : line.back().x;
    }
    if (!line.empty() && line.back().x == p.x && line.back().y == p.y) continue;
    line.push_back(p);
  }
  if (line.size() < 2) line.push_back({line[0].x + g, line[0].y});
  return line;
}

// The polyline extended at both ends by d along its end segments, as the
// cutting worker extends it (its own end points kept as vertices): one
// that ends where it starts (the same bytes) stays.
inline Contour Extended(Contour line, double d) {
  if (std::memcmp(&line.front().x, &line.back().x, sizeof(double)) == 0 &&
      std::memcmp(&line.front().y, &line.back().y, sizeof(double)) == 0)
    return line;
  auto drag = [d](Pt end, const Pt& base) {
    const double l = std::hypot(end.x - base.x, end.y - base.y);
    if (l <= 0.001) return end;
    end.x = base.x + (end.x - base.x) * (l + d) / l;
    end.y = base.y + (end.y - base.y) * (l + d) / l;
    return end;
  };
  const Pt first = drag(line.front(), line[1]);
  const Pt last = drag(line.back(), line[line.size() - 2]);
  line.insert(line.begin(), first);
  line.push_back(last);
  return line;
}

// The line as the cutting worker runs it against an object's contours: an
// end lying on one stays; an end short of them goes on along its last side
// to the first point where that side extended by 2.0 meets one (by GEOS,
// on the precision's grid; those points into `met`), and `past` beyond it,
// or stays where it meets none. A line ending where it starts stays.
inline Contour Reached(const GridOracle& geos, const Contour& line, const Shape& object,
                       double past = 0, std::vector<Pt>* met = nullptr) {
  const Contour extended = Extended(line, 2.0);
  if (extended.size() != line.size() + 2) return line;
  GEOSContextHandle_t h = geos.handle();
  std::vector<GEOSGeometry*> contours;
  for (const Contour& c : object) contours.push_back(geos.Line(c));
  Contour out = line;
  std::vector<Shared> shared;
  for (const bool last : {false, true}) {
    const Pt& end = last ? line.back() : line.front();
    const Pt& beyond = last ? extended.back() : extended.front();
    GEOSGeometry* at = GEOSGeom_createPointFromXY_r(h, end.x, end.y);
    double on = 1e300, first = 1e300, reach = 0;
    for (const GEOSGeometry* c : contours) {
      double d = 0;
      GEOSDistance_r(h, at, c, &d);
      on = std::min(on, d);
      reach = SharedAlong(geos, {end, beyond}, c, 0.001, shared);
      for (const Shared& s : shared) first = std::min(first, s.lo);
    }
    GEOSGeom_destroy_r(h, at);
    if (on <= 1e-6 || reach <= 0 || first > reach) continue;
    const auto along = [&](double d) {
      return Pt{end.x + (beyond.x - end.x) * d / reach, end.y + (beyond.y - end.y) * d / reach};
    };
    if (met != nullptr) met->push_back(along(first));
    if (last) out.push_back(along(first + past));
    else out.insert(out.begin(), along(first + past));
  }
  for (GEOSGeometry* c : contours) GEOSGeom_destroy_r(h, c);
  return out;
}

// A line turning back on itself at a vertex, or within 20 degrees of it (at
// its first vertex too when it ends where it starts): the workers take a
// spike narrower than a degree away, and near the tip of one narrower than
// 20 degrees its sides run within the precision of each other for several
// times the precision, which the noding joins.
inline bool Spiky(const Contour& line) {
  const size_t n = line.size();
  const bool closed = n > 2 && line[0].x == line[n - 1].x && line[0].y == line[n - 1].y;
  for (size_t i = closed ? 1 : 2; i < n; ++i) {
    const Pt &a = line[i >= 2 ? i - 2 : n - 2], &o = line[i - 1], &b = line[i];
    const double cross = (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    const double dot = (a.x - o.x) * (b.x - o.x) + (a.y - o.y) * (b.y - o.y);
    if (dot > 0 && std::fabs(cross) <= std::tan(std::numbers::pi / 9) * dot) return true;
  }
  return false;
}

// `count` pairs drawn from a generator of `seed`, of the kinds above, each
// with a line across the second; every area a valid polygon.
inline std::vector<GridPair> RandomGridPairs(uint64_t seed, int count) {
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
        pair.a = Cells(rng, n, 1.0, 0, 0, p(rng));
        pair.b = Cells(rng, n, 1.0, shift(rng) * 0.5, shift(rng) * 0.5, p(rng));
        break;
      }
      case 1: {  // stars on whole metres
        pair.kind = "stars";
        std::uniform_int_distribution<int> points(3, 14), centre(0, 6);
        pair.a = {SnappedStar(rng, points(rng), 10, 10, 3, 9, 1.0)};
        pair.b = {SnappedStar(rng, points(rng), 10 + centre(rng), 10 + centre(rng), 3, 9, 1.0)};
        if (pair.a[0].empty() || pair.b[0].empty()) continue;
        break;
      }
      case 2: {  // the same shape, maybe turned the other way or started elsewhere
        pair.kind = "identical";
        pair.a = Cells(rng, size(rng), 1.0, 0, 0, p(rng));
        pair.b = pair.a;
        if (pair.b.empty()) continue;
        if (std::bernoulli_distribution(0.5)(rng)) std::reverse(pair.b[0].begin(), pair.b[0].end());
        break;
      }
      case 3: {  // one lying in a hole of the other, or filling it
        pair.kind = "in a hole";
        pair.a = Cells(rng, 7, 1.0, 0, 0, 0.75);
        if (pair.a.size() < 2) continue;
        const Contour& hole = pair.a[1];
        double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
        for (const Pt& q : hole)
          x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
        if (std::bernoulli_distribution(0.3)(rng)) {
          pair.b = {hole};
        } else {
          const int n = static_cast<int>(std::max(x1 - x0, y1 - y0) * 2);
          pair.b = Cells(rng, n, 0.5, x0, y0, 0.7);
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
        // Now and then a hole, lying inside.
        if (std::bernoulli_distribution(0.3)(rng) && pair.b[0][0].x < 3 && pair.b[0][0].y < 3 &&
            pair.b[0][2].x > 5 && pair.b[0][2].y > 5)
          pair.b.push_back(Square(3, 3, 5, 5));
        break;
      }
      default: {  // cells against a star
        pair.kind = "cells and a star";
        pair.a = Cells(rng, size(rng), 1.0, 0, 0, p(rng));
        std::uniform_int_distribution<int> points(3, 12);
        pair.b = {SnappedStar(rng, points(rng), 3, 3, 1, 4, 0.5)};
        if (pair.b[0].empty()) continue;
        if (std::bernoulli_distribution(0.5)(rng)) std::swap(pair.a, pair.b);
        break;
      }
    }
    if (pair.a.empty() || pair.b.empty()) continue;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& q : pair.b[0])
      x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    pair.line = GridLine(rng, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 0.5);
    out.push_back(pair);
  }
  return out;
}

// The same pairs where map coordinates run, tens of millions of metres
// from the origin: the first half moved one way, the rest to the other
// side of zero. Whole numbers of metres keep every vertex on the grid.
inline std::vector<GridPair> FarGridPairs(uint64_t seed, int count) {
  std::vector<GridPair> pairs = RandomGridPairs(seed, count);
  for (size_t k = 0; k < pairs.size(); ++k) {
    const bool first = 2 * k < pairs.size();
    const double dx = first ? 6234567.0 : -7654321.0, dy = first ? 34567890.0 : -1234567.0;
    const auto shift = [dx, dy](Contour& c) {
      for (Pt& p : c) p.x += dx, p.y += dy;
    };
    for (Shape* s : {&pairs[k].a, &pairs[k].b})
      for (Contour& c : *s) shift(c);
    shift(pairs[k].line);
  }
  return pairs;
}

inline double Perimeters(const Shape& s) {
  double p = 0;
  for (const Contour& c : s) p += Perimeter(c);
  return p;
}

// What a worker gave for a pair: its pieces' area (length for line
// pieces) and number, or nothing with the worker's state.
struct Outcome {
  bool given = false;
  int state = 0;
  Measured m;
};

// Every piece a cutting worker hands out: an outer ring and its holes;
// pieces narrower than twice the precision on average are not counted,
// nor holes narrower than the precision.
// Line pieces count by their length, those no longer than ten times the
// precision not at all (where a line crosses another at a slant, the place
// of the crossing may move along it by several times the precision).
template <class W>
Outcome Pieces(W& w, bool loaded, bool lines = false) {
  Outcome o;
  o.given = loaded;
  for (int guard = 0; loaded && guard < 100; ++guard) {
    TDataEdit* p = w.GetNextObject();
    if (p == nullptr) break;
    if (lines) {
      const double length = Perimeter(Points(*p, 0));
      o.m.area += length;
      if (length > 0.01) ++o.m.parts;
      continue;
    }
    const double area = p->Square();
    o.m.area += area;
    if (area > 0) ++o.m.all;
    if (area > 0.002 * Perimeter(Points(*p, 0))) ++o.m.parts;
    for (int c = 1; c <= p->Record->Count; ++c)
      if (std::fabs(p->SquareSubject(c)) > 0.001 * Perimeter(Points(*p, c))) ++o.m.holes;
  }
  o.state = w.State;
  return o;
}

// Tally of one operation: pairs whose answer differs from GEOS (GEOS's
// parts counted as Measure does), and pairs refused with an error code.
struct Tally {
  const char* name;
  int wrong = 0, refused = 0;
  void Check(const GridPair& pair, int n, const Outcome& o, const Measured& expect, double tol,
             bool nothingIsRight) {
    if (!o.given) {
      if (o.state > 1) {
        ++refused;
        if (refused <= 5)
          ADD_FAILURE() << name << " refused " << pair.kind << " pair " << n << " state " << o.state;
        return;
      }
      if (nothingIsRight) return;
    }
    // As many parts as GEOS within the precision: all those wider than
    // three times the precision, and none narrower than it.
    if (std::fabs(o.m.area - expect.area) <= tol && expect.sure <= o.m.parts &&
        o.m.parts <= expect.parts)
      return;
    ++wrong;
    if (wrong <= 5)
      ADD_FAILURE() << name << " " << pair.kind << " pair " << n << ": " << o.m.area << " in "
                    << o.m.parts << " parts (state " << o.state << "), GEOS " << expect.area
                    << " in " << expect.parts;
  }
};
