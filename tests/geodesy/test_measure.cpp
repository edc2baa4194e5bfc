// Plane geometry: distances, angles, circles, positions and crossings.
#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/measure.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

DOUBLEPOINT P(double x, double y) { return DOUBLEPOINT{x, y}; }

TEST(Measure, DistanceBetweenPoints) {
  TMeasure m;
  DOUBLEPOINT o = P(0, 0), a = P(3, 4), b = P(3, 0.0000001);
  EXPECT_DOUBLE_EQ(m.Distance(&o, &a), 5.0);
  EXPECT_EQ(m.Distance(&o, &b), 3.0);  // a tiny difference is dropped exactly
  EXPECT_EQ(m.Distance(&o, nullptr), 0.0);
}

TEST(Measure, DistanceToLineKeepsSide) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(10, 0), above = P(0, 5), below = P(0, -5);
  EXPECT_DOUBLE_EQ(m.Distance(&above, &a, &b), 5.0);
  EXPECT_EQ(m.Side, -1);
  EXPECT_DOUBLE_EQ(m.Distance(&below, &a, &b), 5.0);
  EXPECT_EQ(m.Side, 1);
  // A slanted line: (5, 0) from the line X = Y.
  DOUBLEPOINT c = P(10, 10), p = P(5, 0);
  EXPECT_NEAR(m.Distance(&p, &a, &c), 5.0 / std::sqrt(2.0), 1e-12);
  // A point on an end gives 0 and the side +1.
  m.Side = -1;
  EXPECT_EQ(m.Distance(&a, &a, &c), 0.0);
  EXPECT_EQ(m.Side, 1);
  // A degenerate line (a = b) measures along X.
  DOUBLEPOINT q = P(3, 7);
  EXPECT_DOUBLE_EQ(m.Distance(&q, &a, &a), 3.0);
}

TEST(Measure, DirectionAngles) {
  TMeasure m;
  DOUBLEPOINT o = P(0, 0), n = P(0, 1), w = P(-1, 0), s = P(0, -1), d = P(1, -1), e = P(1, 0);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &n), kPi / 2);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &w), kPi);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &s), 3 * kPi / 2);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &d), 7 * kPi / 4);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &e), 0.0);
  EXPECT_DOUBLE_EQ(m.DirectionAngle(&o, &o), 0.0);
}

TEST(Measure, AngleBetweenLines) {
  TMeasure m;
  DOUBLEPOINT o = P(0, 0), x = P(10, 0), y = P(0, 10);
  // Axis-parallel lines get a slope of 0.001 (or 1000).
  EXPECT_NEAR(m.AngleBetweenLines(&o, &x, &o, &y), kPi / 2 - 2 * std::atan(0.001), 1e-12);
  EXPECT_EQ(m.AngleBetweenLines(&o, &x, &o, &x), 0.0);
  EXPECT_EQ(m.AngleBetweenLines(&o, &o, &o, &x), -1.0);
  DOUBLEPOINT a = P(10, 10), b = P(10, -10);
  EXPECT_NEAR(m.AngleBetweenLines(&o, &a, &o, &b), kPi / 2, 1e-12);
}

TEST(Measure, BisectorAngle) {
  TMeasure m;
  DOUBLEPOINT v = P(0, 0), a = P(10, 0), c = P(0, 10), same = P(0.0001, 0.0001);
  // Sides at 0 and 3 pi / 2 (angles run from the X axis toward -Y); the
  // mean lies 3 pi / 4 from the first side and stays.
  EXPECT_NEAR(m.BisectorAngle(&a, &v, &c), 3 * kPi / 4, 1e-12);
  // Sides at 0 and pi / 4: the mean lies within pi / 2 of the first side
  // and is turned by pi to the outer bisector.
  DOUBLEPOINT d = P(10, -10);
  EXPECT_NEAR(m.BisectorAngle(&a, &v, &d), kPi / 8 + kPi, 1e-12);
  EXPECT_EQ(m.BisectorAngle(&same, &v, &c), 0.0);
}

TEST(Measure, CircleCenter) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(2, 0), c = P(0, 2), out{};
  EXPECT_NEAR(m.CircleCenter(&a, &b, &c, &out), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(out.X, 1.0, 1e-12);
  EXPECT_NEAR(out.Y, 1.0, 1e-12);
  // A general triangle: centre (0, 0), radius 5.
  DOUBLEPOINT p = P(5, 0), q = P(3, 4), r = P(-4, -3);
  EXPECT_NEAR(m.CircleCenter(&p, &q, &r, &out), 5.0, 1e-9);
  EXPECT_NEAR(out.X, 0.0, 1e-9);
  EXPECT_NEAR(out.Y, 0.0, 1e-9);
  // Collinear points, slanted and along an axis.
  DOUBLEPOINT l1 = P(0, 0), l2 = P(1, 1), l3 = P(2, 2), x3 = P(4, 0);
  EXPECT_EQ(m.CircleCenter(&l1, &l2, &l3, &out), -1.0);
  EXPECT_EQ(m.CircleCenter(&a, &b, &x3, &out), -1.0);
  // Three equal points: the point and 0.
  DOUBLEPOINT e = P(7, 8);
  EXPECT_EQ(m.CircleCenter(&e, &e, &e, &out), 0.0);
  EXPECT_EQ(out.X, 7.0);
  EXPECT_EQ(out.Y, 8.0);
  // Two equal points: the middle of the distinct pair.
  EXPECT_DOUBLE_EQ(m.CircleCenter(&a, &a, &b, &out), 1.0);
  EXPECT_EQ(out.X, 1.0);
  EXPECT_EQ(m.CircleCenter(nullptr, &a, &b, &out), 0.0);
}

TEST(Measure, PositionsNearSegment) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(10, 0);
  DOUBLEPOINT on = P(5, 0), behind = P(-1, 0), beyond = P(11, 0), left = P(5, 1),
              right = P(5, -1), atA = P(0.001, 0), atB = P(10, 0.001);
  EXPECT_EQ(m.PointPositionNearCut(&on, &a, &b, 0.01), 5);
  EXPECT_EQ(m.PointPositionNearCut(&behind, &a, &b, 0.01), 3);
  EXPECT_EQ(m.PointPositionNearCut(&beyond, &a, &b, 0.01), 4);
  EXPECT_EQ(m.PointPositionNearCut(&left, &a, &b, 0.01), 6);
  EXPECT_EQ(m.PointPositionNearCut(&right, &a, &b, 0.01), 7);
  EXPECT_EQ(m.PointPositionNearCut(&atA, &a, &b, 0.01), 1);
  EXPECT_EQ(m.PointPositionNearCut(&atB, &a, &b, 0.01), 2);
  EXPECT_EQ(m.PointPositionNearCut(&on, &a, &a, 0.01), 0);  // degenerate segment

  EXPECT_EQ(m.PointPositionNearLine(&left, &a, &b), 6);
  EXPECT_EQ(m.PointPositionNearLine(&right, &a, &b), 7);
  EXPECT_EQ(m.PointPositionNearLine(&on, &a, &b), 7);  // on the line counts as 7
  EXPECT_EQ(m.PointPositionNearLine(&a, &a, &b), 1);
  EXPECT_EQ(m.PointPositionNearLine(&b, &a, &b), 2);
  EXPECT_EQ(m.PointPositionNearLine(&on, &a, &a), 0);

  EXPECT_EQ(m.PointSideNearLine(&left, &a, &b), 6);
  EXPECT_EQ(m.PointSideNearLine(&on, &a, &b), 7);
  EXPECT_EQ(m.PointSideNearLine(&on, &a, &a), 7);  // no coincidence test
  EXPECT_EQ(m.PointSideNearLine(nullptr, &a, &b), 0);
}

TEST(Measure, InsidePointCutIsStrict) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(10, 5);
  DOUBLEPOINT in = P(5, 2), edge = P(10.5, 2), out = P(5, 5.6);
  EXPECT_EQ(m.InsidePointCut(&a, &b, &in, 0.0), 1);
  EXPECT_EQ(m.InsidePointCut(&a, &b, &edge, 0.5), 0);
  EXPECT_EQ(m.InsidePointCut(&a, &b, &edge, 0.6), 1);
  EXPECT_EQ(m.InsidePointCut(&a, &b, &out, 0.5), 0);
}

TEST(Measure, StoredLineAndCrossing) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(10, 10);
  m.CalcFactor(&a, &b);
  EXPECT_EQ(m.A, 10.0);
  EXPECT_EQ(m.B, -10.0);
  EXPECT_EQ(m.C, 0.0);
  DOUBLEPOINT p = P(5, 0);
  EXPECT_EQ(m.InsidePointLine(&p), 50.0);
  DOUBLEPOINT c = P(0, 10), d = P(10, 0), out{};
  EXPECT_EQ(m.CrossCutLine(&c, &d, &out), 1);
  EXPECT_DOUBLE_EQ(out.X, 5.0);
  EXPECT_DOUBLE_EQ(out.Y, 5.0);
  DOUBLEPOINT e = P(1, 0), f = P(11, 10);
  EXPECT_EQ(m.CrossCutLine(&e, &f, &out), 0);  // parallel
}

TEST(Measure, SegmentCrossings) {
  TMeasure m;
  DOUBLEPOINT o1{}, o2{};
  // A proper crossing.
  DOUBLEPOINT a1 = P(0, 0), a2 = P(10, 10), b1 = P(0, 10), b2 = P(10, 0);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &b1, &b2, &o1, &o2, 0.001), 1);
  EXPECT_NEAR(o1.X, 5.0, 1e-12);
  EXPECT_NEAR(o1.Y, 5.0, 1e-12);
  // Segments that meet only at an end point report it once.
  DOUBLEPOINT c1 = P(10, 10), c2 = P(20, 0);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &c1, &c2, &o1, &o2, 0.001), 1);
  EXPECT_EQ(o1.X, 10.0);
  EXPECT_EQ(o1.Y, 10.0);
  // An end of one segment on the inside of the other.
  DOUBLEPOINT t1 = P(5, -5), t2 = P(5, 0), h1 = P(0, 0), h2 = P(10, 0);
  EXPECT_EQ(m.CrossCutData(&h1, &h2, &t1, &t2, &o1, &o2, 0.001), 1);
  EXPECT_EQ(o1.X, 5.0);
  // Lines that cross outside both segments.
  DOUBLEPOINT f1 = P(20, 0), f2 = P(30, -10);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &f1, &f2, &o1, &o2, 0.001), 0);
  // Overlapping collinear segments: both ends of the inner one.
  DOUBLEPOINT l1 = P(2, 2), l2 = P(4, 4);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &l1, &l2, &o1, &o2, 0.001), 2);
  EXPECT_EQ(o1.X, 2.0);
  EXPECT_EQ(o2.X, 4.0);
  // Parallel, apart.
  DOUBLEPOINT p1 = P(1, 0), p2 = P(11, 10);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &p1, &p2, &o1, &o2, 0.001), 0);
  // A degenerate segment (a point) crosses once when it lies on the other
  // segment, and never merely because it lies in the other's box.
  DOUBLEPOINT dot = P(3, 3), off = P(5, 1);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &dot, &dot, &o1, &o2, 0.001), 1);
  EXPECT_EQ(o1.X, 3.0);
  EXPECT_EQ(m.CrossCutData(&dot, &dot, &a1, &a2, &o1, &o2, 0.001), 1);
  EXPECT_EQ(m.CrossCutData(&off, &off, &a1, &a2, &o1, &o2, 0.001), 0);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, &off, &off, &o1, &o2, 0.001), 0);
  EXPECT_EQ(m.CrossCutData(&dot, &dot, &dot, &dot, &o1, &o2, 0.001), 1);
  EXPECT_EQ(m.CrossCutData(&a1, &a2, nullptr, &dot, &o1, &o2, 0.001), 0);
}

TEST(Measure, PointOnCutAndNormal) {
  TMeasure m;
  DOUBLEPOINT a = P(0, 0), b = P(10, 20), out{};
  EXPECT_EQ(m.PointPositionOnCut(&out, &a, &b, 1.0, 3.0), 1);
  EXPECT_DOUBLE_EQ(out.X, 2.5);
  EXPECT_DOUBLE_EQ(out.Y, 5.0);
  EXPECT_EQ(m.PointPositionOnCut(&out, &b, &a, 0.0, 0.0), 0);
  EXPECT_EQ(out.X, 10.0);

  DOUBLEPOINT c = P(0, 10), o1{}, o2{};
  EXPECT_EQ(m.SeekPointNormalLine(&a, &c, &o1, &o2, 2.0), 1);
  EXPECT_EQ(o1.X, 2.0);
  EXPECT_EQ(o1.Y, 0.0);
  EXPECT_EQ(o2.X, -2.0);
  EXPECT_EQ(o2.Y, 0.0);
  // A slanted line: the offset is perpendicular and of length d.
  DOUBLEPOINT d = P(10, 10), base = P(5, 5);
  EXPECT_EQ(m.SeekPointNormalLine(&a, &d, &o1, &o2, 2.0, &base), 1);
  EXPECT_NEAR(o1.X - base.X + (o1.Y - base.Y), 0.0, 1e-12);
  EXPECT_NEAR(std::hypot(o1.X - base.X, o1.Y - base.Y), 2.0, 1e-12);
  EXPECT_NEAR(o2.X + o1.X, 10.0, 1e-12);

  EXPECT_NEAR(TMeasure::Rcos(2, 1.0), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(TMeasure::Rsin(2.0, 1.0), std::sqrt(2.0), 1e-12);
}

TEST(Measure, GuardedHelpers) {
  EXPECT_EQ(TMeasure::GuardedAtan2(0.0, 0.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedAtan2(0.0, -1.0), kPi);
  EXPECT_EQ(TMeasure::GuardedAtan2(1e-9, 2.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedAtan2(-3.0, 0.0), -kPi / 2);
  EXPECT_DOUBLE_EQ(TMeasure::GuardedAtan2(1.0, 1.0), kPi / 4);
  EXPECT_EQ(TMeasure::GuardedSqrt(-4.0), 0.0);
  EXPECT_EQ(TMeasure::GuardedSqrt(9.0), 3.0);
}

}  // namespace
