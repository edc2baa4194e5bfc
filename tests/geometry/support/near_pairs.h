// Pairs of star polygons in near-coincidence, as two maps digitised apart
// have them: vertices of one a hair more than the precision away from the
// other's contour, on either side, so that crossings come a few
// precisions apart. No vertex of either lies within the precision of the
// other contour and no two crossings within twice the precision of each
// other (those count as touching), so the workers trace such pairs from
// their crossings. And GEOS's answers for them. Test-only.
#pragma once

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "contours.h"
#include "geos_oracle.h"
#include "grid_pairs.h"

struct NearPair {
  Contour a, b;
};

// The point of the contour nearest to p.
inline Pt NearestOn(const Pt& p, const Contour& c) {
  double best = 1e300;
  Pt out = c.front();
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    const Pt &a = c[i], &b = c[i + 1];
    const double dx = b.x - a.x, dy = b.y - a.y, l = dx * dx + dy * dy;
    double t = l > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    const Pt q{a.x + t * dx, a.y + t * dy};
    const double d = std::hypot(p.x - q.x, p.y - q.y);
    if (d < best) best = d, out = q;
  }
  return out;
}

enum NearOperation { NEAR_INTERSECTION, NEAR_UNION, NEAR_DIFFERENCE };

// The intersection, union, or a less b, exactly or (grid above 0) snapped
// to the grid as the overlay of that precision makes it: its area, parts
// and holes as Measure counts them.
inline Measured NearCombine(const GridOracle& geos, const Contour& a, const Contour& b,
                            NearOperation op, double grid, double width) {
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* ga = geos.Polygon({a});
  GEOSGeometry* gb = geos.Polygon({b});
  GEOSGeometry* r = nullptr;
  if (op == NEAR_INTERSECTION)
    r = grid > 0 ? GEOSIntersectionPrec_r(h, ga, gb, grid) : GEOSIntersection_r(h, ga, gb);
  else if (op == NEAR_UNION)
    r = grid > 0 ? GEOSUnionPrec_r(h, ga, gb, grid) : GEOSUnion_r(h, ga, gb);
  else
    r = grid > 0 ? GEOSDifferencePrec_r(h, ga, gb, grid) : GEOSDifference_r(h, ga, gb);
  const Measured out = geos.Measure(r, width);
  for (GEOSGeometry* g : {ga, gb, r})
    if (g != nullptr) GEOSGeom_destroy_r(h, g);
  return out;
}

// Whether the two contours' crossings (GEOS's) are at least two, no two
// of them within `d` of each other in both X and Y.
inline bool CrossingsApart(const GridOracle& geos, const Contour& a, const Contour& b, double d) {
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* la = geos.Line(a);
  GEOSGeometry* lb = geos.Line(b);
  GEOSGeometry* x = GEOSIntersection_r(h, la, lb);
  std::vector<Pt> points;
  bool apart = x != nullptr;
  for (int i = 0; apart && i < GEOSGetNumGeometries_r(h, x); ++i) {
    const GEOSGeometry* g = GEOSGetGeometryN_r(h, x, i);
    if (GEOSGeomTypeId_r(h, g) != GEOS_POINT) {
      apart = false;
      break;
    }
    Pt p{};
    GEOSGeomGetX_r(h, g, &p.x);
    GEOSGeomGetY_r(h, g, &p.y);
    for (const Pt& q : points) apart = apart && (std::fabs(p.x - q.x) > d || std::fabs(p.y - q.y) > d);
    points.push_back(p);
  }
  for (GEOSGeometry* g : {la, lb, x})
    if (g != nullptr) GEOSGeom_destroy_r(h, g);
  return apart && points.size() >= 2;
}

// The pair moved tens of millions of metres from the origin.
inline NearPair FarAway(NearPair pair) {
  for (Contour* c : {&pair.a, &pair.b})
    for (Pt& p : *c) p.x += 6234567.0, p.y += 34567890.0;
  return pair;
}

// How near the contours of a pair come: vertices of the second moved to
// between `from` and `to` times the precision from the first's contour.
// plain: only pairs whose intersection, union and difference GEOS gives
// with the same parts and holes exactly and snapped to the precision's
// grid, so that neither a neck narrower than the precision nor a sliver
// leaves the count in doubt (nearer than 1.5 times the precision,
// snapping to the grid may close the neck a vertex leaves).
struct Nearness {
  double from = 1.5, to = 3.0;
  bool plain = true;
};

// `count` pairs drawn from a generator of `seed`: stars as RandomStarPairs
// draws them, one to three vertices of the second moved near the first's
// contour, on either side, no vertex of either nearer to the other
// contour than that and no two crossings within twice the precision of
// each other. far: moved tens of millions of metres from the origin.
inline std::vector<NearPair> NearStarPairs(const GridOracle& geos, uint64_t seed, int count,
                                           bool far = false, Nearness near = {},
                                           double precision = 0.001) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> centre(400, 600), unit(0, 1), away(near.from, near.to);
  std::uniform_int_distribution<int> points(3, 80);
  std::vector<NearPair> out;
  while (static_cast<int>(out.size()) < count) {
    NearPair pair{StarContour(rng, points(rng), centre(rng), centre(rng), 50, 400),
                  StarContour(rng, points(rng), centre(rng), centre(rng), 50, 400)};
    Contour& b = pair.b;
    const int moves = 1 + static_cast<int>(unit(rng) * 3);
    for (int k = 0; k < moves; ++k) {
      const size_t v = static_cast<size_t>(unit(rng) * static_cast<double>(b.size() - 1));
      const Pt q = NearestOn(b[v], pair.a);
      const double dx = b[v].x - q.x, dy = b[v].y - q.y, l = std::hypot(dx, dy);
      const double d = away(rng) * precision * (unit(rng) < 0.5 ? -1 : 1);
      if (l < 1e-9 || l > 100) continue;
      b[v] = {q.x + dx / l * d, q.y + dy / l * d};
      if (v == 0) b.back() = b.front();
    }
    if (!geos.Valid({pair.a}) || !geos.Valid({b})) continue;
    const double clear = near.from * precision;
    if (Clearance(pair.a, b) < clear || Clearance(b, pair.a) < clear) continue;
    if (!CrossingsApart(geos, pair.a, b, 2 * precision)) continue;
    bool plain = true;
    for (NearOperation op : {NEAR_INTERSECTION, NEAR_UNION, NEAR_DIFFERENCE}) {
      if (!near.plain) break;
      const Measured exact = NearCombine(geos, pair.a, b, op, 0, precision);
      const Measured snapped = NearCombine(geos, pair.a, b, op, precision, precision);
      plain = plain && exact.parts == exact.sure && exact.parts == snapped.parts &&
              exact.holes == snapped.holes;
    }
    if (!plain) continue;
    out.push_back(far ? FarAway(pair) : pair);
  }
  return out;
}

// `count` pairs drawn from a generator of `seed`: an area that runs beside
// a side of a star (as RandomStarPairs draws it), outside it and `away`
// times the precision from it, then crosses into the star and out again,
// turned either way; and the star. far: moved tens of millions of metres
// from the origin.
inline std::vector<NearPair> BesideSidePairs(const GridOracle& geos, uint64_t seed, int count,
                                             double away, bool far = false,
                                             double precision = 0.001) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::uniform_int_distribution<int> points(3, 40);
  std::vector<NearPair> out;
  while (static_cast<int>(out.size()) < count) {
    const Contour star = StarContour(rng, points(rng), 500, 500, 100, 400);
    const size_t k = std::uniform_int_distribution<size_t>(0, star.size() - 2)(rng);
    const Pt a = star[k], b = star[k + 1];
    const double dx = b.x - a.x, dy = b.y - a.y, l = std::hypot(dx, dy);
    if (l < 5) continue;
    // Off the side by `off`, outwards (the star turns counter-clockwise).
    const auto at = [&](double t, double off) {
      return Pt{a.x + t * dx + off * dy / l, a.y + t * dy - off * dx / l};
    };
    const double t1 = 0.05 + 0.4 * unit(rng), t2 = t1 + (0.1 + 0.4 * unit(rng)) * (0.95 - t1);
    const double t3 = t2 + (0.95 - t2) * unit(rng);
    const double in = 1 + 30 * unit(rng), apart = 5 + 60 * unit(rng);
    Contour beside = {at(t1 - 0.03 * unit(rng), apart), at(t1, away * precision),
                      at(t2, away * precision), at(t3, -in),
                      at(std::min(0.99, t3 + 0.05 * unit(rng)), apart + 5)};
    if (unit(rng) < 0.5) std::reverse(beside.begin(), beside.end());
    beside.push_back(beside.front());
    if (!geos.Valid({star}) || !geos.Valid({beside})) continue;
    const NearPair pair{beside, star};
    out.push_back(far ? FarAway(pair) : pair);
  }
  return out;
}

// A triangle whose long side is crossed by notches of the other area, the
// last of which passes the triangle's corner a hair more than twice the
// precision away: the crossings, taken in the triangle's order, fold back
// from beside that corner along the side, nearly in line.
inline NearPair NotchedCorner() {
  return {{{-10, -5}, {15, -5}, {40, 5}, {25, -5}, {60, -5}, {85, 5}, {70, -5}, {88, -5},
           {95, 3}, {105, -2.9948}, {120, -6}, {120, 100}, {-10, 100}, {-10, -5}},
          {{100, 0}, {100, 50}, {0, 0}, {100, 0}}};
}

// Whether a worker's answer (its pieces or its union) is GEOS's: the area
// within tol, no error left in the worker, and (whole) the same parts and
// holes.
inline bool NearAgrees(const Outcome& o, const Measured& e, double tol, bool whole) {
  return o.state == 0 && std::fabs(o.m.area - e.area) <= tol &&
         (!whole || (o.m.parts == e.parts && o.m.holes == e.holes));
}

// The tolerance of a pair's areas: the precision along both perimeters.
inline double NearTolerance(const NearPair& p, double precision = 0.001) {
  return precision * (Perimeter(p.a) + Perimeter(p.b));
}

// A worker's answers for the pairs against GEOS's operation:
// answers(pair, GEOS's answer) gives one outcome or more (both ways round,
// say), each of which must agree, in parts and holes too when whole.
template <class F>
void AgreeOnPairs(const std::vector<NearPair>& pairs, const char* where, NearOperation op,
                  F answers, bool whole) {
  GridOracle geos;
  int n = 0, wrong = 0;
  for (const NearPair& pair : pairs) {
    ++n;
    const Measured e = NearCombine(geos, pair.a, pair.b, op, 0, 0.001);
    int k = 0;
    for (const Outcome& o : answers(pair, e)) {
      if (!NearAgrees(o, e, NearTolerance(pair), whole) && ++wrong <= 5)
        ADD_FAILURE() << where << " pair " << n << " answer " << k << ": " << o.m.area << " in "
                      << o.m.parts << " with " << o.m.holes << " holes (state " << o.state
                      << "), GEOS " << e.area << " in " << e.parts << " with " << e.holes;
      ++k;
    }
  }
  EXPECT_EQ(0, wrong) << where;
}

// The same for the pairs of two seeds, near the origin and far from it,
// in parts and holes too for plain pairs.
template <class F>
void AgreeOnNearPairs(uint64_t nearSeed, int nearCount, uint64_t farSeed, int farCount,
                      NearOperation op, F answers, Nearness near = {}) {
  GridOracle geos;
  AgreeOnPairs(NearStarPairs(geos, nearSeed, nearCount, false, near), "near the origin", op,
               answers, near.plain);
  AgreeOnPairs(NearStarPairs(geos, farSeed, farCount, true, near), "far from the origin", op,
               answers, near.plain);
}

// The notched corner both ways round, near the origin and far from it.
inline std::vector<NearPair> NotchedCorners() {
  const NearPair corner = NotchedCorner(), turned{corner.b, corner.a};
  return {corner, turned, FarAway(corner), FarAway(turned)};
}

// The pieces a cutting worker of type W hands out for a pair, loaded by
// load(worker, first, second), as one outcome.
template <class W, class L>
std::vector<Outcome> NearPieces(const NearPair& pair, L load) {
  Metric a, b;
  EXPECT_TRUE(Fill(a, METRIC_F64, {pair.a}));
  EXPECT_TRUE(Fill(b, METRIC_F64, {pair.b}));
  W w;
  return {Pieces(w, load(w, a, b) != 0)};
}
