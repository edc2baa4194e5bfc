// Buffer zones: circles, caps, corners, half zones, moved contours, refused
// input, and the zone's area against GEOS buffers with bevel and round joins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>

#include "geometry/buildzone.h"
#include "geometry/support/contours.h"
#include "geometry/support/geos_oracle.h"

namespace {

const Contour kSquare = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};

double Area(const Contour& c) {
  double s = 0;
  for (size_t i = 0; i + 1 < c.size(); ++i) s += c[i].x * c[i + 1].y - c[i + 1].x * c[i].y;
  return std::fabs(s) / 2;
}

bool Closed(const Contour& c) {
  return c.size() > 2 && c.front().x == c.back().x && c.front().y == c.back().y;
}

Contour Zone(TBuildZone& z, const Contour& line, double width, int cap) {
  Metric m;
  EXPECT_TRUE(Fill(m, METRIC_F64, {line}));
  EXPECT_EQ(z.Build(width, &m, 0, -1.0, cap), 1);
  return Points(z.Result, 0);
}

// A star of n points alternating between radii r1 and r2 about the origin:
// notches far narrower than the zones around it.
Contour NotchedStar(int n, double r1, double r2) {
  Contour c;
  for (int i = 0; i < n; ++i) {
    const double r = i % 2 ? r2 : r1, t = 2 * std::numbers::pi * i / n;
    c.push_back({r * std::cos(t), r * std::sin(t)});
  }
  c.push_back(c.front());
  return c;
}

// A line of sharp teeth.
Contour Zigzag(int teeth, double pitch, double height) {
  Contour c;
  for (int i = 0; i <= 2 * teeth; ++i) c.push_back({i * pitch / 2, i % 2 ? height : 0.0});
  return c;
}

// A closed ring of n points whose radius r waves by a, `waves` times.
Contour WavyRing(int n, double r, double a, int waves) {
  Contour c;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * std::numbers::pi * i / n, q = r + a * std::sin(waves * t);
    c.push_back({q * std::cos(t), q * std::sin(t)});
  }
  c.push_back(c.front());
  return c;
}

bool InsideRing(const Pt& p, const Contour& c) {
  bool in = false;
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    const Pt &a = c[i], &b = c[i + 1];
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
  }
  return in;
}

TEST(BuildZone, PointsGiveCirclesWithBoundedSteps) {
  struct {
    double width;
    size_t points;
  } table[] = {{10, 81}, {40, 181}, {0.05, 9}, {0.5, 9}};
  for (const auto& t : table) {
    TBuildZone z;
    const Contour c = Zone(z, {{5, 7}}, t.width, 0);
    ASSERT_EQ(c.size(), t.points) << t.width;
    EXPECT_TRUE(Closed(c));
    for (const Pt& p : c) EXPECT_NEAR(std::hypot(p.x - 5, p.y - 7), t.width, 1e-9);
  }
}

TEST(BuildZone, LinesGetCapsAndStraightVerticesAddNothing) {
  TBuildZone z;
  const Contour pointed = Zone(z, {{0, 0}, {100, 0}}, 10, 0);
  EXPECT_EQ(pointed.size(), 8u);
  EXPECT_TRUE(Closed(pointed));
  EXPECT_NEAR(Area(pointed), 100 * 20 + 2 * 100, 1e-6);  // band and two triangles
  EXPECT_EQ(Zone(z, {{0, 0}, {100, 0}}, 10, 1).size(), 6u);
  EXPECT_EQ(Zone(z, {{0, 0}, {50, 0}, {100, 0}}, 10, 1).size(), 5u);
  // A spike running back along the line keeps its tip and the arc round it.
  EXPECT_NEAR(Area(Zone(z, {{0, 0}, {100, 0}, {50, 0}}, 10, 1)), 100 * 20 + 50 * std::numbers::pi,
              0.5);
  // A zone around a bend: one side gets the outer corner, the other the
  // inner crossing; every point keeps the width from the line.
  const Contour bend = {{0, 0}, {100, 0}, {100, 100}};
  const Contour c = Zone(z, bend, 10, 1);
  EXPECT_TRUE(Closed(c));
  for (const Pt& p : c) EXPECT_GE(PolylineDistance(p, bend), 10 - 1e-6);
  EXPECT_NEAR(Area(c), 200 * 20, 1e-6 + 100.0);  // mitre-like corner, less than a square
}

TEST(BuildZone, ClosedContourGrowsOutwardWithArcsAtTheWidth) {
  for (const Contour& area : {kSquare, Contour(kSquare.rbegin(), kSquare.rend())}) {
    TBuildZone z;
    const Contour c = Zone(z, area, 10, 0);
    EXPECT_TRUE(Closed(c));
    EXPECT_EQ(c.size(), 4u * 21 + 1);  // quarter circles of 80 steps to the turn
    for (const Pt& p : c) EXPECT_NEAR(PolylineDistance(p, area), 10, 1e-9);
    const double bevel = 100 * 100 + 4 * 100 * 10 + 4 * 50;
    EXPECT_GT(Area(c), bevel);
    EXPECT_LT(Area(c), 100 * 100 + 4 * 100 * 10 + 100 * std::numbers::pi);
  }
  // A regular 36-gon: a turn of 10 degrees gets three chords of its arc.
  Contour ring;
  for (int i = 0; i <= 36; ++i)
    ring.push_back(
        {1000 * std::cos(i * std::numbers::pi / 18), 1000 * std::sin(i * std::numbers::pi / 18)});
  ring.back() = ring.front();
  TBuildZone z;
  const Contour c = Zone(z, ring, 10, 0);
  EXPECT_EQ(c.size(), 36u * 4 + 1);
  for (const Pt& p : c) EXPECT_NEAR(PolylineDistance(p, ring), 10, 1e-9);
}

TEST(BuildZone, HalfZoneLiesOnTheLeftAndEndsOnTheLineReversed) {
  const Contour line = {{0, 0}, {100, 0}, {200, 50}, {300, 0}};
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {line}));
  TBuildZone z;
  ASSERT_EQ(z.BuildHalf(10, &m, 0, -1.0), 1);
  const Contour c = Points(z.Result, 0);
  ASSERT_TRUE(Closed(c));
  ASSERT_GE(c.size(), line.size() + 3);
  for (size_t i = 0; i < line.size(); ++i) {
    const Pt& p = c[c.size() - 1 - line.size() + i];
    EXPECT_EQ(p.x, line[line.size() - 1 - i].x);
    EXPECT_EQ(p.y, line[line.size() - 1 - i].y);
  }
  for (size_t i = 0; i + line.size() + 1 < c.size(); ++i)
    EXPECT_NEAR(PolylineDistance(c[i], line), 10, 1e-6) << i;
  // Sharp teeth: the zone keeps to the width and covers the union of the
  // bands on the left of the segments and the arcs round the right turns
  // (made by GEOS), no more.
  const Contour teeth = Zigzag(6, 20, 100);
  Metric tm;
  ASSERT_TRUE(Fill(tm, METRIC_F64, {teeth}));
  ASSERT_EQ(z.BuildHalf(15, &tm, 0, -1.0), 1);
  const Contour t = Points(z.Result, 0);
  for (const Pt& p : t) EXPECT_LE(PolylineDistance(p, teeth), 15 + 1e-6);
  GeosOracle geos;
  std::vector<GEOSGeometry*> parts;
  for (size_t i = 0; i + 1 < teeth.size(); ++i) {
    const Pt &a = teeth[i], &b = teeth[i + 1];
    const double l = std::hypot(b.x - a.x, b.y - a.y), nx = -(b.y - a.y) / l * 15,
                 ny = (b.x - a.x) / l * 15;
    parts.push_back(geos.Polygon({{a, b, {b.x + nx, b.y + ny}, {a.x + nx, a.y + ny}, a}}));
    if (i == 0) continue;
    // The fan round a right turn at a, from one left normal to the other.
    const Pt& o = teeth[i - 1];
    const double from = std::atan2(a.x - o.x, o.y - a.y), to = std::atan2(b.x - a.x, a.y - b.y);
    double turn = to - from;
    while (turn > 0) turn -= 2 * std::numbers::pi;
    if (turn <= -std::numbers::pi) continue;  // a left turn
    Contour fan = {a};
    for (int k = 0; k <= 64; ++k)
      fan.push_back(
          {a.x + 15 * std::cos(from + turn * k / 64), a.y + 15 * std::sin(from + turn * k / 64)});
    fan.push_back(a);
    parts.push_back(geos.Polygon({fan}));
  }
  GEOSGeometry* all = GEOSGeom_createCollection_r(
      geos.handle(), GEOS_GEOMETRYCOLLECTION, parts.data(), static_cast<unsigned>(parts.size()));
  GEOSGeometry* truth = GEOSUnaryUnion_r(geos.handle(), all);
  EXPECT_NEAR(Area(t), geos.Area(truth), 0.005 * geos.Area(truth));
  GEOSGeom_destroy_r(geos.handle(), truth);
  GEOSGeom_destroy_r(geos.handle(), all);
  Metric two;
  ASSERT_TRUE(Fill(two, METRIC_F64, {{{0, 0}, {100, 0}}}));
  ASSERT_EQ(z.BuildHalf(10, &two, 0, -1.0), 1);
  EXPECT_NEAR(Area(Points(z.Result, 0)), 1000, 1e-6);
}

TEST(BuildZone, ModificationMovesContoursBothWays) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {kSquare}));
  TBuildZone z;
  struct {
    double d, area;
  } table[] = {{-10, 80 * 80}, {10, 120 * 120}, {0, 100 * 100}};
  for (const auto& t : table) {
    ASSERT_EQ(z.ModificationObject(t.d, &m, 0), 1) << t.d;
    const Contour c = Points(z.Result, 0);
    EXPECT_EQ(c.size(), kSquare.size()) << t.d;
    EXPECT_TRUE(Closed(c));
    EXPECT_NEAR(Area(c), t.area, 1e-6) << t.d;
  }
  // Repeated points keep one moved point each; a line becomes a band.
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{0, 0}, {0, 0}, {100, 0}, {100, 100}}}));
  ASSERT_EQ(z.ModificationObject(10, &line, 0), 1);
  const Contour c = Points(z.Result, 0);
  ASSERT_EQ(c.size(), 4u + 4 + 1);
  EXPECT_TRUE(Closed(c));
  EXPECT_NEAR(Area(c), 110 * 10 + 100 * 10, 1e-6);  // mitred joint
}

TEST(BuildZone, BadInputGivesZero) {
  TBuildZone z;
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {kSquare}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(z.Build(10, nullptr, 0, -1.0, 0), 0);
  EXPECT_EQ(z.Build(0, &m, 0, -1.0, 0), 0);
  EXPECT_EQ(z.Build(-5, &m, 0, -1.0, 0), 0);
  EXPECT_EQ(z.Build(nan, &m, 0, -1.0, 0), 0);
  EXPECT_EQ(z.Build(10, &m, 3, -1.0, 0), 0);
  EXPECT_EQ(z.Build(10, &z.Result, 0, -1.0, 0), 0);
  EXPECT_EQ(z.BuildHalf(10, &m, -1, -1.0), 0);
  EXPECT_EQ(z.ModificationObject(nan, &m, 0), 0);
  Metric same;
  ASSERT_TRUE(Fill(same, METRIC_F64, {{{1, 1}, {1, 1}}}));
  EXPECT_EQ(z.ModificationObject(5, &same, 0), 0);
  TDataEdit empty;
  empty.Init();
  EXPECT_EQ(z.Build(10, &empty, 0, -1.0, 0), 0);
  EXPECT_EQ(z.Build(10, &m, 0, -1.0, 0), 1);  // still usable
}

// Zones against GEOS buffers.
class ZoneOracle : public ::testing::Test {
 protected:
  double Buffer(GEOSGeometry* g, double width, int cap, int join) {
    GEOSGeometry* b = GEOSBufferWithStyle_r(geos.handle(), g, width, 8, cap, join, 5.0);
    const double a = geos.Area(b);
    GEOSGeom_destroy_r(geos.handle(), b);
    GEOSGeom_destroy_r(geos.handle(), g);
    return a;
  }
  // The outer corner points lie between a bevel and the round arc, so the
  // area does too.
  void Check(const Contour& zone, double bevel, double round) {
    const double a = Area(zone);
    EXPECT_GE(a, bevel * 0.995);
    EXPECT_LE(a, round * 1.005);
  }
  // The points of the rings of a GEOS polygon (of each of a multipolygon's).
  std::vector<Pt> RingPoints(const GEOSGeometry* polygon) {
    std::vector<Pt> out;
    const auto ring = [&](const GEOSGeometry* r) {
      const GEOSCoordSequence* s = GEOSGeom_getCoordSeq_r(geos.handle(), r);
      unsigned n = 0;
      GEOSCoordSeq_getSize_r(geos.handle(), s, &n);
      for (unsigned i = 0; i < n; ++i) {
        Pt p{};
        GEOSCoordSeq_getXY_r(geos.handle(), s, i, &p.x, &p.y);
        out.push_back(p);
      }
    };
    for (int k = 0; k < GEOSGetNumGeometries_r(geos.handle(), polygon); ++k) {
      const GEOSGeometry* g = GEOSGetGeometryN_r(geos.handle(), polygon, k);
      ring(GEOSGetExteriorRing_r(geos.handle(), g));
      for (int i = 0; i < GEOSGetNumInteriorRings_r(geos.handle(), g); ++i)
        ring(GEOSGetInteriorRingN_r(geos.handle(), g, i));
    }
    return out;
  }
  // The union of the bands of the segments of a line (cut square at their
  // ends) and of the discs round its inner vertices: what a zone with flat
  // caps covers where segments are shorter than the width, unlike GEOS's
  // flat-capped buffer.
  GEOSGeometry* Bands(const Contour& line, double w) {
    std::vector<GEOSGeometry*> parts;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      GEOSGeometry* s = geos.Line({line[i], line[i + 1]});
      parts.push_back(GEOSBufferWithStyle_r(geos.handle(), s, w, 8, GEOSBUF_CAP_FLAT,
                                            GEOSBUF_JOIN_ROUND, 5.0));
      GEOSGeom_destroy_r(geos.handle(), s);
      if (i == 0) continue;
      GEOSGeometry* v = geos.Line({line[i], line[i]});
      parts.push_back(GEOSBuffer_r(geos.handle(), v, w, 8));
      GEOSGeom_destroy_r(geos.handle(), v);
    }
    GEOSGeometry* all = GEOSGeom_createCollection_r(
        geos.handle(), GEOS_GEOMETRYCOLLECTION, parts.data(), static_cast<unsigned>(parts.size()));
    GEOSGeometry* u = GEOSUnaryUnion_r(geos.handle(), all);
    GEOSGeom_destroy_r(geos.handle(), all);
    return u;
  }
  // The zone of a contour (an area when closed) against GEOS's round
  // buffer, or against Bands for a line: no vertex nor edge midpoint
  // farther than the width (plus the precision) from the source, every
  // point of the buffer a little narrower inside the zone, the area within
  // 0.5 %.
  void Compare(const char* name, const Contour& source, double width, bool bands = false) {
    SCOPED_TRACE(name);
    const bool area = source.front().x == source.back().x && source.front().y == source.back().y;
    TBuildZone z;
    const Contour zone = Zone(z, source, width, 1);
    ASSERT_TRUE(Closed(zone));
    const auto distance = [&](const Pt& p) {
      return area && InsideRing(p, source) ? 0.0 : PolylineDistance(p, source);
    };
    double farthest = 0;
    for (size_t i = 0; i + 1 < zone.size(); ++i) {
      const Pt mid{(zone[i].x + zone[i + 1].x) / 2, (zone[i].y + zone[i + 1].y) / 2};
      farthest = std::max({farthest, distance(zone[i]), distance(mid)});
    }
    EXPECT_LE(farthest, width + 1e-3);
    // The chords of the arcs lie at most this far inside them.
    const double steps = std::clamp(8 * width, 32.0, 180.0);
    const double sag = width * (1 - std::cos(std::numbers::pi / steps));
    const auto buffer = [&](double w) {
      if (bands) return Bands(source, w);
      GEOSGeometry* g = area ? geos.Polygon({source}) : geos.Line(source);
      GEOSGeometry* b = GEOSBufferWithStyle_r(geos.handle(), g, w, 8, GEOSBUF_CAP_FLAT,
                                              GEOSBUF_JOIN_ROUND, 5.0);
      GEOSGeom_destroy_r(geos.handle(), g);
      return b;
    };
    GEOSGeometry* inner = buffer(width - sag - 1e-3);
    size_t outside = 0;
    for (const Pt& p : RingPoints(inner))
      outside += InsideRing(p, zone) || PolylineDistance(p, zone) < 1e-6 ? 0 : 1;
    EXPECT_EQ(outside, 0u);
    GEOSGeom_destroy_r(geos.handle(), inner);
    GEOSGeometry* round = buffer(width);
    EXPECT_NEAR(Area(zone), geos.Area(round), 0.005 * geos.Area(round));
    GEOSGeom_destroy_r(geos.handle(), round);
  }
  GeosOracle geos;
  std::mt19937_64 rng{47};
};

// Where the source comes near itself the zone fills the gap but keeps
// within the width: notched stars, teeth, wavy rings, a loop round a hole.
TEST_F(ZoneOracle, NotchedShapesMatchRoundBuffers) {
  Compare("square", kSquare, 10);
  Compare("star", NotchedStar(30, 100, 20), 5);
  Compare("star, wide zone", NotchedStar(30, 100, 20), 40);
  Compare(
      "star, clockwise",
      [] {
        Contour c = NotchedStar(60, 300, 250);
        return Contour(c.rbegin(), c.rend());
      }(),
      5);
  Compare("zigzag", Zigzag(10, 20, 200), 50);
  Compare("zigzag, narrow zone", Zigzag(10, 20, 200), 5);
  Compare("wavy ring", WavyRing(720, 300, 20, 60), 5);
  Compare(
      "wavy line",
      [] {
        Contour c = WavyRing(720, 300, 20, 60);
        c.resize(500);
        return c;
      }(),
      5);
  Compare("loop", {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 20}, {20, 20}}, 10);
}

// Lines and areas on a coarse grid, where the zone's own curve meets
// itself everywhere (shared points, spikes, stretches run over again,
// offsets that coincide): never refused, and as close to the buffers.
TEST_F(ZoneOracle, GridSnappedShapesMatchTheirBuffers) {
  std::uniform_int_distribution<int> cell(0, 7), count(3, 14);
  const double widths[] = {0.5, 1, 1.5, 2, 3};
  for (int k = 0; k < 120; ++k) {
    Contour line;
    for (int n = count(rng); n > 0; --n) {
      const Pt p{double(cell(rng)), double(cell(rng))};
      if (line.empty() || p.x != line.back().x || p.y != line.back().y) line.push_back(p);
    }
    if (line.size() < 2 || (line.front().x == line.back().x && line.front().y == line.back().y))
      continue;
    Compare(("line " + std::to_string(k)).c_str(), line, widths[k % 5], true);
    // An area of the grid's points round its middle, when it is one.
    Contour area;
    for (int n = count(rng) + 2, i = 0; i < n; ++i) {
      const double t = 2 * std::numbers::pi * i / n, r = 1 + cell(rng);
      const Pt p{std::round(4 + r * std::cos(t)), std::round(4 + r * std::sin(t))};
      if (area.empty() || p.x != area.back().x || p.y != area.back().y) area.push_back(p);
    }
    area.push_back(area.front());
    if (area.size() > 3 && geos.Valid({area}))
      Compare(("area " + std::to_string(k)).c_str(), area, widths[(k + 2) % 5]);
  }
}

// A walk that crosses itself again and again leaves a zone full of holes,
// each bridged in: a point well inside each hole of GEOS's buffer lies
// outside the zone.
TEST_F(ZoneOracle, TangledLineKeepsEveryHole) {
  // Turning up to 0.5 rad at each vertex, and back towards the middle
  // when it strays beyond 150 of it.
  std::uniform_real_distribution<double> turn(-0.5, 0.5), length(5, 15);
  Contour line = {{0, 0}};
  double dir = 0;
  for (int i = 1; i < 1500; ++i) {
    const Pt& p = line.back();
    dir += turn(rng);
    if (std::hypot(p.x, p.y) > 150 && std::cos(dir - std::atan2(-p.y, -p.x)) < 0) dir += 0.5;
    const double l = length(rng);
    line.push_back({line.back().x + l * std::cos(dir), line.back().y + l * std::sin(dir)});
  }
  Compare("tangle", line, 3);
  TBuildZone z;
  const Contour zone = Zone(z, line, 3, 1);
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* g = geos.Line(line);
  GEOSGeometry* b = GEOSBufferWithStyle_r(h, g, 3, 8, GEOSBUF_CAP_FLAT, GEOSBUF_JOIN_ROUND, 5.0);
  ASSERT_EQ(GEOS_POLYGON, GEOSGeomTypeId_r(h, b));
  int checked = 0;
  for (int i = 0; i < GEOSGetNumInteriorRings_r(h, b); ++i) {
    GEOSGeometry* ring = GEOSGeom_clone_r(h, GEOSGetInteriorRingN_r(h, b, i));
    GEOSGeometry* hole = GEOSGeom_createPolygon_r(h, ring, nullptr, 0);
    GEOSGeometry* inside = GEOSPointOnSurface_r(h, hole);
    Pt p{};
    GEOSGeomGetX_r(h, inside, &p.x);
    GEOSGeomGetY_r(h, inside, &p.y);
    if (geos.Area(hole) > 1.0 && PolylineDistance(p, zone) > 0.05) {
      ++checked;
      EXPECT_FALSE(InsideRing(p, zone)) << p.x << " " << p.y;
    }
    GEOSGeom_destroy_r(h, inside);
    GEOSGeom_destroy_r(h, hole);
  }
  EXPECT_GT(checked, 50);
  GEOSGeom_destroy_r(h, b);
  GEOSGeom_destroy_r(h, g);
}

TEST_F(ZoneOracle, RandomLinesLieBetweenBevelAndRoundBuffers) {
  std::uniform_real_distribution<double> turn(-0.8, 0.8), length(60, 120);
  for (int k = 0; k < 40; ++k) {
    Contour line = {{0, 0}};
    double dir = 0;
    for (int i = 0; i < 8; ++i) {
      dir += turn(rng);
      const double l = length(rng);
      line.push_back({line.back().x + l * std::cos(dir), line.back().y + l * std::sin(dir)});
    }
    TBuildZone z;
    const Contour c = Zone(z, line, 8, 1);
    Check(c, Buffer(geos.Line(line), 8, GEOSBUF_CAP_FLAT, GEOSBUF_JOIN_BEVEL),
          Buffer(geos.Line(line), 8, GEOSBUF_CAP_FLAT, GEOSBUF_JOIN_ROUND));
  }
}

TEST_F(ZoneOracle, RandomPolygonsLieBetweenBevelAndRoundBuffers) {
  for (int k = 0; k < 40; ++k) {
    const Contour star = StarContour(rng, 16, 0, 0, 300, 400);
    TBuildZone z;
    const Contour c = Zone(z, star, 5, 0);
    Check(c, Buffer(geos.Polygon({star}), 5, GEOSBUF_CAP_ROUND, GEOSBUF_JOIN_BEVEL),
          Buffer(geos.Polygon({star}), 5, GEOSBUF_CAP_ROUND, GEOSBUF_JOIN_ROUND));
  }
}

}  // namespace
