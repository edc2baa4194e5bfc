// Measures and searches over metric records.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "records/dataedit.h"
#include "support/metric_builder.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

DOUBLEPOINT P(double x, double y) { return DOUBLEPOINT{x, y}; }
std::vector<char> F64(const std::vector<BuildContour>& c) { return BuildMetric(METRIC_F64, c, false); }
int In(Edit& e, double x, double y, int n = 0) {
  DOUBLEPOINT p{x, y};
  return e.Inside(&p, n);
}
// Number, flag and X of a crossing record.
using Nfx = std::tuple<LONG, LONG, double>;
Nfx NFX(const NUMBERPOINT& r) { return {r.Number, r.Flag, r.X}; }

// Both crossing searches over the segment (a, b) of contour 0.
struct Cuts {
  Edit& e;
  NUMBERPOINT r[2] = {}, v[2] = {};
  int Data(DOUBLEPOINT a, DOUBLEPOINT b, int first, int last, int n = 0, double prec = 0.001) {
    return e.CrossCutData(&a, &b, first, last, &r[0], &r[1], n, prec);
  }
  int Segment(DOUBLEPOINT a, DOUBLEPOINT b, int first, int last, double prec = 0.001) {
    return e.CrossCutSegment(&a, &b, first, last, r, v, 0, prec);
  }
};

TEST(MetricMeasure, InsideSquareAndRaysThroughVertices) {
  Edit e(F64({{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}}}));
  EXPECT_EQ(In(e, 5, 5), 1);
  EXPECT_EQ(In(e, 15, 5), 2);
  EXPECT_EQ(In(e, 0, 0), 3);
  EXPECT_EQ(In(e, 0, 5), 4);
  EXPECT_EQ(In(e, 5, 0), 4);
  EXPECT_EQ(In(e, 5, 5, 1), 0);
  EXPECT_EQ(e.Inside(nullptr, 0), 0);
  Edit open(F64({{{{0, 0}, {0, 10}, {10, 10}, {10, 0}}}}));
  EXPECT_EQ(In(open, 5, 5), 0);

  Edit diamond(F64({{{{0, 5}, {5, 10}, {10, 5}, {5, 0}, {0, 5}}}}));
  EXPECT_EQ(In(diamond, 2, 5), 1);
  Edit triangle(F64({{{{0, 0}, {10, 10}, {20, 0}, {0, 0}}}}));
  EXPECT_EQ(In(triangle, 5, 10), 2);
  EXPECT_EQ(In(triangle, 8, 5), 1);

  // The cursor stays where it was.
  Edit c(F64({{{{7, 7}, {8, 8}}}, SquareContour(0, 0, 10)}));
  c.GoPointSubject(2, 0);
  EXPECT_EQ(In(c, 5, 5, 1), 1);
  EXPECT_EQ(c.SubjectNumber, 0);
  EXPECT_EQ(c.PointNumber, 2);
  EXPECT_EQ(c.XDouble(), 8.0);
}

TEST(MetricMeasure, SquareWithHoleAnyOrientation) {
  for (int outer = 0; outer < 2; ++outer) {
    for (int inner = 0; inner < 2; ++inner) {
      Edit e(BuildMetric(METRIC_F32,
                         {SquareContour(0, 0, 10, outer != 0), SquareContour(4, 4, 2, inner != 0)},
                         false));
      EXPECT_DOUBLE_EQ(e.Square(), 96.0) << outer << inner;
      EXPECT_DOUBLE_EQ(e.SquareSubject(1), 4.0);
    }
  }
  Edit t(BuildMetric(METRIC_F32, {SquareContour(0, 0, 10)}, true), 1);
  EXPECT_EQ(t.Square(), 0.0);  // records with texts have no area
}

TEST(MetricMeasure, DirectionAndSignedArea) {
  Edit e(F64({SquareContour(0, 0, 10), {{{0, 0}, {1, 1}, {2, 0}}}}));
  double s = e.SignedSquareSubject(0);
  EXPECT_DOUBLE_EQ(std::fabs(s), 100.0);
  EXPECT_EQ(e.GetDirection(0), s < 0 ? 4 : 2);
  EXPECT_EQ(e.GetDirection(1), 1);  // open
  e.ChangeDirection(0);
  EXPECT_DOUBLE_EQ(e.SignedSquareSubject(0), -s);
  Edit shortOne(F64({{{{0, 0}, {0, 0}}}}));
  EXPECT_EQ(shortOne.GetDirection(0), 1);
  EXPECT_EQ(e.SignedSquareSubject(7), 0.0);
}

TEST(MetricMeasure, FramesAndPerimeters) {
  Edit e(F64({{{{1, 2}, {4, 6}}}, {{{-3, 9}, {0, 0}}}}));
  DFRAME f{};
  ASSERT_EQ(e.Dimensions(&f), 1);
  EXPECT_EQ(std::make_tuple(f.X1, f.Y1, f.X2, f.Y2), std::make_tuple(-3.0, 0.0, 4.0, 9.0));
  ASSERT_EQ(e.DimensionsSubject(&f, 0), 1);
  EXPECT_EQ(std::make_tuple(f.X1, f.Y1, f.X2, f.Y2), std::make_tuple(1.0, 2.0, 4.0, 6.0));
  EXPECT_EQ(e.DimensionsSubject(&f, 2), 0);
  EXPECT_DOUBLE_EQ(e.Perimeter(), 5.0);
  EXPECT_DOUBLE_EQ(e.PolyPerimeter(), 5.0 + std::sqrt(90.0));
  Edit empty(F64({{}, {{{1, 1}}}}));
  EXPECT_EQ(empty.Dimensions(&f), 0);
}

TEST(MetricMeasure, NearestVertexTies) {
  Edit e(F64({{{{0, 0}, {10, 0}, {0, 10}}}, {{{5, 5}, {20, 20}, {5, 5}}}}));
  // (5, 5) is point 1 and point 3 of contour 1: the first one found.
  EXPECT_EQ(e.SeekNearPoint(5, 5), 1);
  EXPECT_EQ(e.SubjectNumber, 1);
  // Two equally near points of contour 0: the lower number.
  EXPECT_EQ(e.SeekNearPoint(5, -100, 0), 1);
  // Equal distance across contours: the higher contour.
  Edit t(F64({{{{0, 0}}}, {{{2, 0}}}}));
  EXPECT_EQ(t.SeekNearPoint(1, 0), 1);
  EXPECT_EQ(t.SubjectNumber, 1);
  // Ranges.
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, 1, 2), 1);
  EXPECT_EQ(e.PointNumber, 2);  // the cursor on the last point examined
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, -1, 2), 0);
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, 3, 2), 0);
  Edit none(F64({{}}));
  EXPECT_EQ(none.SeekNearPoint(0, 0), 0);
}

TEST(MetricMeasure, NearestPointOnLines) {
  Edit e(F64({{{{0, 0}, {0, 10}, {10, 10}}}, {{{20, 20}, {30, 20}}}}));
  XYDOUBLE out{};
  auto at = [&](double x, double y) { return out.X == x && out.Y == y; };
  EXPECT_EQ(e.SeekNearVirtualPoint(-3, 4, 0, &out), 1);
  EXPECT_TRUE(at(0, 4));
  EXPECT_EQ(e.SeekNearVirtualPoint(4, 13, 0, &out), 2);
  EXPECT_TRUE(at(4, 10));
  // Over all contours: contour 1 wins and the cursor goes there.
  EXPECT_EQ(e.SeekNearVirtualPoint(25, 25, &out), 1);
  EXPECT_EQ(e.SubjectNumber, 1);
  EXPECT_TRUE(at(25, 20));
  // A foot beyond the segment falls back to the segment's first point.
  EXPECT_EQ(e.SeekNearVirtualPoint(-5, -5, 0, &out), 1);
  EXPECT_TRUE(at(0, 0));
  // Only the range's last point is tested as a point.
  EXPECT_EQ(e.SeekNearVirtualPoint(12, 40, 0, 2, 3, &out), 3);
  EXPECT_EQ(out.X, 10.0);

  DOUBLEPOINT line[3] = {P(0, 0), P(10, 0), P(10, 10)};
  DOUBLEPOINT o{};
  EXPECT_EQ(e.SeekVirtualPointOnSegment(5, 1, line, &o), 1);
  EXPECT_EQ(std::make_pair(o.X, o.Y), std::make_pair(5.0, 0.0));
  EXPECT_EQ(e.SeekVirtualPointOnSegment(11, 5, line, &o), 2);
  EXPECT_EQ(e.SeekVirtualPointOnSegment(12, 12, line, &o), 3);
  EXPECT_EQ(e.SeekVirtualPointOnSegment(0, 0, nullptr, &o), 0);
}

TEST(MetricMeasure, PointAtPathDistance) {
  Edit e(F64({{{{0, 0}, {10, 0}, {10, 10}, {20, 10}}}}));
  DOUBLEPOINT out{};
  auto near = [&](double x, double y) {
    return std::fabs(out.X - x) < 1e-12 && std::fabs(out.Y - y) < 1e-12;
  };
  EXPECT_EQ(e.SeekVirtualPointByDistance(3, 0.0, &out, 0), -3);
  EXPECT_TRUE(near(10, 10));
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 15.0, &out, 0), 2);
  EXPECT_TRUE(near(10, 5));
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 19.9995, &out, 0), -3);
  EXPECT_EQ(out.Y, 10.0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(4, -15.0, &out, 0), 2);  // walking back
  EXPECT_TRUE(near(10, 5));
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 31.0, &out, 0), 0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(2, -11.0, &out, 0), 0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(9, 1.0, &out, 0), 0);
}

TEST(MetricMeasure, CrossCutDataCases) {
  Edit e(F64({{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}}));
  Cuts c{e};
  // A proper crossing of the second segment.
  EXPECT_EQ(c.Data(P(5, 5), P(15, 5), 1, 4, 4), 0);  // no contour 4
  EXPECT_EQ(c.Data(P(5, 5), P(15, 5), 1, 5), 0);     // last past the count
  EXPECT_EQ(c.Data(P(5, 5), P(15, 5), 2, 2), 0);
  EXPECT_EQ(c.Data(P(5, 5), P(15, 5), 1, 4), 1);
  EXPECT_EQ(NFX(c.r[0]), Nfx(2, 0, 10.0));
  EXPECT_DOUBLE_EQ(c.r[0].Y, 5.0);
  EXPECT_EQ(c.r[1].Number, 0);
  // The segment touches the contour at a vertex with its end a.
  EXPECT_EQ(c.Data(P(10, 10), P(20, 20), 1, 4), -1);
  EXPECT_EQ(NFX(c.r[1]), Nfx(3, 1, 10.0));
  EXPECT_EQ(c.r[1].Vertex, 3);
  // End b on the inside of a contour segment.
  EXPECT_EQ(c.Data(P(5, -5), P(5, 0), 1, 4), -2);
  EXPECT_EQ(NFX(c.r[0]), Nfx(1, 0, 5.0));
  EXPECT_EQ(c.r[0].Y, 0.0);
  // No crossing at all.
  EXPECT_EQ(c.Data(P(20, 20), P(30, 30), 1, 4), 0);
  // Touching at P0 and again at P1 of the same segment: the P1 test's code,
  // and the first result keeps the P0 test's point.
  Edit line(F64({{{{2, 0}, {8, 0}}}}));
  Cuts l{line};
  EXPECT_EQ(l.Data(P(0, 0), P(8, 0), 1, 2), -2);
  EXPECT_EQ(std::make_pair(l.r[0].Number, l.r[0].X), std::make_pair(1, 2.0));
  EXPECT_EQ(std::make_pair(l.r[1].Number, l.r[1].X), std::make_pair(2, 8.0));
}

TEST(MetricMeasure, PrecisionBoundaryDiffersBetweenTheTwins) {
  // Vertex (5, 4) lies exactly the precision away from the line X = Y.
  double precision = 1.0 / std::sqrt(2.0);
  Edit e(F64({{{{5, 4}, {20, 4}}}}));
  Cuts c{e};
  EXPECT_EQ(c.Data(P(0, 0), P(10, 10), 1, 2, 0, precision), 0);
  EXPECT_EQ(c.Segment(P(0, 0), P(10, 10), 1, 2, precision), -1);
  EXPECT_EQ(NFX(c.v[0]), Nfx(1, 1, 5.0));
  EXPECT_EQ(c.v[0].Vertex, 0);
  EXPECT_EQ(c.r[0].Number, 0);
}

TEST(MetricMeasure, CrossCutSegmentCases) {
  Edit e(F64({{{{0, 0}, {10, 0}, {10, 10}}}}));
  Cuts c{e};
  // a and b both strictly inside the first segment.
  EXPECT_EQ(c.Segment(P(2, 0), P(6, 0), 1, 3), -1);
  EXPECT_EQ(NFX(c.r[0]), Nfx(1, 1, 2.0));
  EXPECT_EQ(NFX(c.r[1]), Nfx(1, 1, 6.0));
  EXPECT_EQ(c.v[0].Number + c.v[1].Number, 0);
  // A proper crossing.
  EXPECT_EQ(c.Segment(P(5, -5), P(5, 5), 1, 3), 1);
  EXPECT_EQ(NFX(c.r[0]), Nfx(1, 0, 5.0));
  EXPECT_DOUBLE_EQ(c.r[0].Y, 0.0);
  EXPECT_EQ(c.r[1].Number, 0);
  // a at the vertex P1 of the first segment.
  c.v[1].Vertex = 0;
  EXPECT_EQ(c.Segment(P(10, 0), P(20, -5), 1, 3), -1);
  EXPECT_EQ(c.r[0].Number, 2);
  EXPECT_EQ(c.r[0].Flag, -2);
  EXPECT_EQ(c.v[1].Number, 2);
  EXPECT_EQ(c.v[1].Flag, -1);
  EXPECT_EQ(c.v[1].Vertex, 0);  // never written
}

TEST(MetricMeasure, BuildCircular) {
  Edit e;
  e.Create(METRIC_F64, 0);
  DOUBLEPOINT first = P(10, 0), centre = P(0, 0), last = P(0, 10);
  ASSERT_EQ(e.BuildCircular(&first, &centre, &first, 10.0), 1);
  ASSERT_EQ(e.PointCount(0), 101);  // a full circle: 100 segments
  for (int i = 1; i <= 101; ++i)
    EXPECT_NEAR(std::hypot(e.XNDouble(i), e.YNDouble(i)), 10.0, 1e-9);
  EXPECT_NEAR(e.XNDouble(1), 10.0, 1e-9);  // the arc starts at the first point
  EXPECT_NEAR(e.YNDouble(1), 0.0, 1e-9);
  EXPECT_NEAR(e.XNDouble(101), 10.0, 1e-9);

  // Angles are taken from the Y axis toward X; the arc runs toward the
  // decreasing angle: from (10, 0) at pi / 2 to (0, 10) at 0 is a quarter,
  // the way back three quarters.
  Edit q, back;
  q.Create(METRIC_F64, 0);
  back.Create(METRIC_F64, 0);
  ASSERT_EQ(q.BuildCircular(&first, &centre, &last, 10.0), 1);
  EXPECT_EQ(q.PointCount(0), static_cast<int>(0.5 * kPi * 16) + 1);
  ASSERT_EQ(back.BuildCircular(&last, &centre, &first, 10.0), 1);
  EXPECT_EQ(back.PointCount(0), static_cast<int>(1.5 * kPi * 16) + 1);
  EXPECT_NEAR(back.XNDouble(back.PointCount(0)), 10.0, 1e-9);
  EXPECT_NEAR(q.XNDouble(q.PointCount(0)), 0.0, 1e-9);
  EXPECT_NEAR(q.YNDouble(q.PointCount(0)), 10.0, 1e-9);
  EXPECT_EQ(q.BuildCircular(&first, &centre, &last, 0.0), 0);

  // A point that is no number or lies at infinity has no angle: nothing is
  // built (the count of segments is never taken from it).
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const DOUBLEPOINT& bad : {P(nan, 0), P(0, nan), P(inf, 0), P(-inf, inf)}) {
    for (int at = 0; at < 3; ++at) {
      DOUBLEPOINT p[3] = {first, centre, last};
      p[at] = bad;
      Edit none;
      none.Create(METRIC_F64, 0);
      EXPECT_EQ(none.BuildCircular(&p[0], &p[1], &p[2], 10.0), 0) << at;
      EXPECT_EQ(none.PointCount(0), 0) << at;
    }
  }
  Edit none;
  none.Create(METRIC_F64, 0);
  EXPECT_EQ(none.BuildCircular(&first, &centre, &last, nan), 0);
  EXPECT_EQ(none.BuildCircular(&first, &centre, &last, inf), 0);
}

}  // namespace
