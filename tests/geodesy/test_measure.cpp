// Plane geometry: distances, angles, circles, positions and crossings.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "geodesy/measure.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A point argument: converts to a pointer to a copy that lives to the end of
// the full expression.
struct Pt {
  DOUBLEPOINT p;
  operator const DOUBLEPOINT*() const { return &p; }
};
Pt P(double x, double y) { return Pt{{x, y}}; }
std::pair<double, double> XY(const DOUBLEPOINT& p) { return {p.X, p.Y}; }
using XYPair = std::pair<double, double>;

TEST(Measure, DistancesKeepTheSide) {
  TMeasure m;
  EXPECT_DOUBLE_EQ(m.Distance(P(0, 0), P(3, 4)), 5.0);
  EXPECT_EQ(m.Distance(P(0, 0), P(3, 0.0000001)), 3.0);  // a tiny difference is dropped exactly
  EXPECT_EQ(m.Distance(P(0, 0), nullptr), 0.0);

  EXPECT_DOUBLE_EQ(m.Distance(P(0, 5), P(0, 0), P(10, 0)), 5.0);
  EXPECT_EQ(m.Side, -1);
  EXPECT_DOUBLE_EQ(m.Distance(P(0, -5), P(0, 0), P(10, 0)), 5.0);
  EXPECT_EQ(m.Side, 1);
  // A slanted line: (5, 0) from the line X = Y.
  EXPECT_NEAR(m.Distance(P(5, 0), P(0, 0), P(10, 10)), 5.0 / std::sqrt(2.0), 1e-12);
  // A point on an end gives 0 and the side +1.
  m.Side = -1;
  EXPECT_EQ(m.Distance(P(0, 0), P(0, 0), P(10, 10)), 0.0);
  EXPECT_EQ(m.Side, 1);
  // A degenerate line (a = b) measures along X.
  EXPECT_DOUBLE_EQ(m.Distance(P(3, 7), P(0, 0), P(0, 0)), 3.0);
}

TEST(Measure, Angles) {
  TMeasure m;
  const std::pair<Pt, double> directions[] = {{P(0, 1), kPi / 2},     {P(-1, 0), kPi},
                                              {P(0, -1), 3 * kPi / 2}, {P(1, -1), 7 * kPi / 4},
                                              {P(1, 0), 0.0},          {P(0, 0), 0.0}};
  for (const auto& [to, angle] : directions)
    EXPECT_DOUBLE_EQ(m.DirectionAngle(P(0, 0), to), angle) << to.p.X << " " << to.p.Y;

  // Axis-parallel lines get a slope of 0.001 (or 1000).
  Pt o = P(0, 0), x = P(10, 0);
  EXPECT_NEAR(m.AngleBetweenLines(o, x, o, P(0, 10)), kPi / 2 - 2 * std::atan(0.001), 1e-12);
  EXPECT_EQ(m.AngleBetweenLines(o, x, o, x), 0.0);
  EXPECT_EQ(m.AngleBetweenLines(o, o, o, x), -1.0);
  EXPECT_NEAR(m.AngleBetweenLines(o, P(10, 10), o, P(10, -10)), kPi / 2, 1e-12);

  // Sides at 0 and 3 pi / 2 (angles run from the X axis toward -Y); the
  // mean lies 3 pi / 4 from the first side and stays.
  EXPECT_NEAR(m.BisectorAngle(x, o, P(0, 10)), 3 * kPi / 4, 1e-12);
  // Sides at 0 and pi / 4: the mean lies within pi / 2 of the first side
  // and is turned by pi to the outer bisector.
  EXPECT_NEAR(m.BisectorAngle(x, o, P(10, -10)), kPi / 8 + kPi, 1e-12);
  EXPECT_EQ(m.BisectorAngle(P(0.0001, 0.0001), o, P(0, 10)), 0.0);
}

TEST(Measure, CircleCenter) {
  TMeasure m;
  DOUBLEPOINT out{};
  EXPECT_NEAR(m.CircleCenter(P(0, 0), P(2, 0), P(0, 2), &out), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(out.X, 1.0, 1e-12);
  EXPECT_NEAR(out.Y, 1.0, 1e-12);
  // A general triangle: centre (0, 0), radius 5.
  EXPECT_NEAR(m.CircleCenter(P(5, 0), P(3, 4), P(-4, -3), &out), 5.0, 1e-9);
  EXPECT_NEAR(std::hypot(out.X, out.Y), 0.0, 1e-9);
  // Collinear points, slanted and along an axis.
  EXPECT_EQ(m.CircleCenter(P(0, 0), P(1, 1), P(2, 2), &out), -1.0);
  EXPECT_EQ(m.CircleCenter(P(0, 0), P(2, 0), P(4, 0), &out), -1.0);
  // Three equal points: the point and 0.
  EXPECT_EQ(m.CircleCenter(P(7, 8), P(7, 8), P(7, 8), &out), 0.0);
  EXPECT_EQ(XY(out), XYPair(7, 8));
  // Two equal points: the middle of the distinct pair.
  EXPECT_DOUBLE_EQ(m.CircleCenter(P(0, 0), P(0, 0), P(2, 0), &out), 1.0);
  EXPECT_EQ(out.X, 1.0);
  EXPECT_EQ(m.CircleCenter(nullptr, P(0, 0), P(2, 0), &out), 0.0);
}

TEST(Measure, PositionsNearSegment) {
  TMeasure m;
  Pt a = P(0, 0), b = P(10, 0), on = P(5, 0), left = P(5, 1), right = P(5, -1);
  const std::pair<Pt, int> nearCut[] = {{on, 5},           {P(-1, 0), 3},      {P(11, 0), 4},
                                        {left, 6},         {right, 7},         {P(0.001, 0), 1},
                                        {P(10, 0.001), 2}};
  for (const auto& [p, want] : nearCut)
    EXPECT_EQ(m.PointPositionNearCut(p, a, b, 0.01), want) << p.p.X << " " << p.p.Y;
  EXPECT_EQ(m.PointPositionNearCut(on, a, a, 0.01), 0);  // degenerate segment

  EXPECT_EQ(m.PointPositionNearLine(left, a, b), 6);
  EXPECT_EQ(m.PointPositionNearLine(right, a, b), 7);
  EXPECT_EQ(m.PointPositionNearLine(on, a, b), 7);  // on the line counts as 7
  EXPECT_EQ(m.PointPositionNearLine(a, a, b), 1);
  EXPECT_EQ(m.PointPositionNearLine(b, a, b), 2);
  EXPECT_EQ(m.PointPositionNearLine(on, a, a), 0);

  EXPECT_EQ(m.PointSideNearLine(left, a, b), 6);
  EXPECT_EQ(m.PointSideNearLine(on, a, b), 7);
  EXPECT_EQ(m.PointSideNearLine(on, a, a), 7);  // no coincidence test
  EXPECT_EQ(m.PointSideNearLine(nullptr, a, b), 0);

  // Inside a segment's corridor, strictly.
  Pt c = P(10, 5), edge = P(10.5, 2);
  EXPECT_EQ(m.InsidePointCut(a, c, P(5, 2), 0.0), 1);
  EXPECT_EQ(m.InsidePointCut(a, c, edge, 0.5), 0);
  EXPECT_EQ(m.InsidePointCut(a, c, edge, 0.6), 1);
  EXPECT_EQ(m.InsidePointCut(a, c, P(5, 5.6), 0.5), 0);
}

TEST(Measure, StoredLineAndCrossing) {
  TMeasure m;
  m.CalcFactor(P(0, 0), P(10, 10));
  EXPECT_EQ(std::make_tuple(m.A, m.B, m.C), std::make_tuple(10.0, -10.0, 0.0));
  EXPECT_EQ(m.InsidePointLine(P(5, 0)), 50.0);
  DOUBLEPOINT out{};
  EXPECT_EQ(m.CrossCutLine(P(0, 10), P(10, 0), &out), 1);
  EXPECT_EQ(XY(out), XYPair(5, 5));
  EXPECT_EQ(m.CrossCutLine(P(1, 0), P(11, 10), &out), 0);  // parallel
}

TEST(Measure, SegmentCrossings) {
  TMeasure m;
  DOUBLEPOINT o1{}, o2{};
  Pt a1 = P(0, 0), a2 = P(10, 10), dot = P(3, 3), off = P(5, 1);
  auto cross = [&](const DOUBLEPOINT* p1, const DOUBLEPOINT* p2, const DOUBLEPOINT* q1,
                   const DOUBLEPOINT* q2) { return m.CrossCutData(p1, p2, q1, q2, &o1, &o2, 0.001); };
  // A proper crossing.
  EXPECT_EQ(cross(a1, a2, P(0, 10), P(10, 0)), 1);
  EXPECT_NEAR(o1.X, 5.0, 1e-12);
  EXPECT_NEAR(o1.Y, 5.0, 1e-12);
  // Segments that meet only at an end point report it once.
  EXPECT_EQ(cross(a1, a2, P(10, 10), P(20, 0)), 1);
  EXPECT_EQ(XY(o1), XYPair(10, 10));
  // An end of one segment on the inside of the other.
  EXPECT_EQ(cross(P(0, 0), P(10, 0), P(5, -5), P(5, 0)), 1);
  EXPECT_EQ(o1.X, 5.0);
  // Lines that cross outside both segments; parallel segments apart.
  EXPECT_EQ(cross(a1, a2, P(20, 0), P(30, -10)), 0);
  EXPECT_EQ(cross(a1, a2, P(1, 0), P(11, 10)), 0);
  // Overlapping collinear segments: both ends of the inner one.
  EXPECT_EQ(cross(a1, a2, P(2, 2), P(4, 4)), 2);
  EXPECT_EQ(std::make_pair(o1.X, o2.X), std::make_pair(2.0, 4.0));
  // A degenerate segment (a point) crosses once when it lies on the other
  // segment, and never merely because it lies in the other's box.
  EXPECT_EQ(cross(a1, a2, dot, dot), 1);
  EXPECT_EQ(o1.X, 3.0);
  EXPECT_EQ(cross(dot, dot, a1, a2), 1);
  EXPECT_EQ(cross(off, off, a1, a2), 0);
  EXPECT_EQ(cross(a1, a2, off, off), 0);
  EXPECT_EQ(cross(dot, dot, dot, dot), 1);
  EXPECT_EQ(cross(a1, a2, nullptr, dot), 0);
}

TEST(Measure, PointOnCutAndNormal) {
  TMeasure m;
  DOUBLEPOINT out{}, o1{}, o2{};
  EXPECT_EQ(m.PointPositionOnCut(&out, P(0, 0), P(10, 20), 1.0, 3.0), 1);
  EXPECT_EQ(XY(out), XYPair(2.5, 5));
  EXPECT_EQ(m.PointPositionOnCut(&out, P(10, 20), P(0, 0), 0.0, 0.0), 0);
  EXPECT_EQ(out.X, 10.0);

  EXPECT_EQ(m.SeekPointNormalLine(P(0, 0), P(0, 10), &o1, &o2, 2.0), 1);
  EXPECT_EQ(XY(o1), XYPair(2, 0));
  EXPECT_EQ(XY(o2), XYPair(-2, 0));
  // A slanted line: the offset is perpendicular and of length d.
  Pt base = P(5, 5);
  EXPECT_EQ(m.SeekPointNormalLine(P(0, 0), P(10, 10), &o1, &o2, 2.0, base), 1);
  EXPECT_NEAR(o1.X - 5 + (o1.Y - 5), 0.0, 1e-12);
  EXPECT_NEAR(std::hypot(o1.X - 5, o1.Y - 5), 2.0, 1e-12);
  EXPECT_NEAR(o2.X + o1.X, 10.0, 1e-12);

  EXPECT_NEAR(TMeasure::Rcos(2, 1.0), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(TMeasure::Rsin(2.0, 1.0), std::sqrt(2.0), 1e-12);
  EXPECT_EQ(TMeasure::GuardedAtan2(0.0, 0.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedAtan2(0.0, -1.0), kPi);
  EXPECT_EQ(TMeasure::GuardedAtan2(1e-9, 2.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedAtan2(-3.0, 0.0), -kPi / 2);
  EXPECT_DOUBLE_EQ(TMeasure::GuardedAtan2(1.0, 1.0), kPi / 4);
  EXPECT_EQ(TMeasure::GuardedSqrt(-4.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedSqrt(9.0), 3.0);
}

}  // namespace
