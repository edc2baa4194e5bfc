// Buffer zones: circles, caps, corners, half zones, moved contours, refused
// input, and the zone's area against GEOS buffers with bevel and round joins.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

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
  EXPECT_EQ(Zone(z, {{0, 0}, {50, 0}, {100, 0}}, 10, 1).size(), 6u);
  // A zone around a bend: one side gets the outer corner, the other the
  // inner crossing; every point keeps the width from the line.
  const Contour bend = {{0, 0}, {100, 0}, {100, 100}};
  const Contour c = Zone(z, bend, 10, 1);
  EXPECT_TRUE(Closed(c));
  for (const Pt& p : c) EXPECT_GE(PolylineDistance(p, bend), 10 - 1e-6);
  EXPECT_NEAR(Area(c), 200 * 20, 1e-6 + 100.0);  // mitre-like corner, less than a square
}

TEST(BuildZone, ClosedContourGrowsOutwardAndSlightTurnsGetOnePoint) {
  for (const Contour& area : {kSquare, Contour(kSquare.rbegin(), kSquare.rend())}) {
    TBuildZone z;
    const Contour c = Zone(z, area, 10, 0);
    EXPECT_TRUE(Closed(c));
    EXPECT_EQ(c.size(), 4u * 3 + 1);
    for (const Pt& p : c) EXPECT_NEAR(PolylineDistance(p, area), 10, 1e-6);
    const double bevel = 100 * 100 + 4 * 100 * 10 + 4 * 50;
    EXPECT_GT(Area(c), bevel);
    EXPECT_LT(Area(c), 100 * 100 + 4 * 100 * 10 + 100 * std::numbers::pi);
  }
  // A regular 36-gon: every turn is slight, one point per corner.
  Contour ring;
  for (int i = 0; i <= 36; ++i)
    ring.push_back({1000 * std::cos(i * std::numbers::pi / 18), 1000 * std::sin(i * std::numbers::pi / 18)});
  ring.back() = ring.front();
  TBuildZone z;
  const Contour c = Zone(z, ring, 10, 0);
  EXPECT_EQ(c.size(), 37u);
  for (const Pt& p : c) EXPECT_NEAR(PolylineDistance(p, ring), 10 / std::cos(std::numbers::pi / 36), 1e-6);
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

// Zone areas against GEOS buffers: the outer corner points lie between a
// bevel and the round arc, so the area does too.
class ZoneOracle : public ::testing::Test {
 protected:
  double Buffer(GEOSGeometry* g, double width, int cap, int join) {
    GEOSGeometry* b = GEOSBufferWithStyle_r(geos.handle(), g, width, 8, cap, join, 5.0);
    const double a = geos.Area(b);
    GEOSGeom_destroy_r(geos.handle(), b);
    GEOSGeom_destroy_r(geos.handle(), g);
    return a;
  }
  void Check(const Contour& zone, double bevel, double round) {
    const double a = Area(zone);
    EXPECT_GE(a, bevel * 0.995);
    EXPECT_LE(a, round * 1.005);
  }
  GeosOracle geos;
  std::mt19937_64 rng{47};
};

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
