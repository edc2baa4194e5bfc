// Measures and searches over metric records.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "objects/records/dataedit.h"
#include "support/metric_builder.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Edit : TDataEdit {
  Edit() { Init(); }
  explicit Edit(const std::vector<char>& record, int text = 0) {
    Init();
    Load(reinterpret_cast<const LONGMETRIC*>(record.data()), text);
  }
  ~Edit() { Free(); }
};

DOUBLEPOINT P(double x, double y) { return DOUBLEPOINT{x, y}; }

TEST(MetricMeasure, InsideSquare) {
  Edit e(BuildMetric(METRIC_F64, {{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}}}, false));
  DOUBLEPOINT in = P(5, 5), out = P(15, 5), vertex = P(0, 0), edge1 = P(0, 5), edge2 = P(5, 0);
  EXPECT_EQ(e.Inside(&in, 0), 1);
  EXPECT_EQ(e.Inside(&out, 0), 2);
  EXPECT_EQ(e.Inside(&vertex, 0), 3);
  EXPECT_EQ(e.Inside(&edge1, 0), 4);
  EXPECT_EQ(e.Inside(&edge2, 0), 4);
  EXPECT_EQ(e.Inside(nullptr, 0), 0);
  EXPECT_EQ(e.Inside(&in, 1), 0);

  Edit open(BuildMetric(METRIC_F64, {{{{0, 0}, {0, 10}, {10, 10}, {10, 0}}}}, false));
  EXPECT_EQ(open.Inside(&in, 0), 0);
}

TEST(MetricMeasure, InsideRayThroughVertex) {
  Edit diamond(
      BuildMetric(METRIC_F64, {{{{0, 5}, {5, 10}, {10, 5}, {5, 0}, {0, 5}}}}, false));
  DOUBLEPOINT p = P(2, 5);
  EXPECT_EQ(diamond.Inside(&p, 0), 1);
  Edit triangle(BuildMetric(METRIC_F64, {{{{0, 0}, {10, 10}, {20, 0}, {0, 0}}}}, false));
  DOUBLEPOINT apex = P(5, 10);
  EXPECT_EQ(triangle.Inside(&apex, 0), 2);
  DOUBLEPOINT mid = P(8, 5);
  EXPECT_EQ(triangle.Inside(&mid, 0), 1);
}

TEST(MetricMeasure, InsideKeepsCursor) {
  Edit e(BuildMetric(METRIC_F64, {{{{7, 7}, {8, 8}}}, SquareContour(0, 0, 10)}, false));
  e.GoPointSubject(2, 0);
  DOUBLEPOINT p = P(5, 5);
  EXPECT_EQ(e.Inside(&p, 1), 1);
  EXPECT_EQ(e.SubjectNumber, 0);
  EXPECT_EQ(e.PointNumber, 2);
  EXPECT_EQ(e.XDouble(), 8.0);
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
  Edit e(BuildMetric(METRIC_F64, {SquareContour(0, 0, 10), {{{0, 0}, {1, 1}, {2, 0}}}}, false));
  double s = e.SignedSquareSubject(0);
  EXPECT_DOUBLE_EQ(std::fabs(s), 100.0);
  EXPECT_EQ(e.GetDirection(0), s < 0 ? 4 : 2);
  EXPECT_EQ(e.GetDirection(1), 1);  // open
  e.ChangeDirection(0);
  EXPECT_DOUBLE_EQ(e.SignedSquareSubject(0), -s);
  Edit shortOne(BuildMetric(METRIC_F64, {{{{0, 0}, {0, 0}}}}, false));
  EXPECT_EQ(shortOne.GetDirection(0), 1);
  EXPECT_EQ(e.SignedSquareSubject(7), 0.0);
}

TEST(MetricMeasure, FramesAndPerimeters) {
  Edit e(BuildMetric(METRIC_F64, {{{{1, 2}, {4, 6}}}, {{{-3, 9}, {0, 0}}}}, false));
  DFRAME f{};
  ASSERT_EQ(e.Dimensions(&f), 1);
  EXPECT_EQ(f.X1, -3.0);
  EXPECT_EQ(f.Y1, 0.0);
  EXPECT_EQ(f.X2, 4.0);
  EXPECT_EQ(f.Y2, 9.0);
  ASSERT_EQ(e.DimensionsSubject(&f, 0), 1);
  EXPECT_EQ(f.X1, 1.0);
  EXPECT_EQ(f.Y2, 6.0);
  EXPECT_EQ(e.DimensionsSubject(&f, 2), 0);
  EXPECT_DOUBLE_EQ(e.Perimeter(), 5.0);
  EXPECT_DOUBLE_EQ(e.PolyPerimeter(), 5.0 + std::sqrt(90.0));

  Edit empty(BuildMetric(METRIC_F64, {{}, {{{1, 1}}}}, false));
  EXPECT_EQ(empty.Dimensions(&f), 0);
}

TEST(MetricMeasure, NearestVertexTies) {
  Edit e(BuildMetric(METRIC_F64,
                     {{{{0, 0}, {10, 0}, {0, 10}}}, {{{5, 5}, {20, 20}, {5, 5}}}}, false));
  // (5, 5) is point 1 and point 3 of contour 1: the first one found.
  EXPECT_EQ(e.SeekNearPoint(5, 5), 1);
  EXPECT_EQ(e.SubjectNumber, 1);
  // Two equally near points of contour 0: the lower number.
  EXPECT_EQ(e.SeekNearPoint(5, -100, 0), 1);
  // Equal distance across contours: the higher contour.
  Edit t(BuildMetric(METRIC_F64, {{{{0, 0}}}, {{{2, 0}}}}, false));
  EXPECT_EQ(t.SeekNearPoint(1, 0), 1);
  EXPECT_EQ(t.SubjectNumber, 1);
  // Ranges.
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, 1, 2), 1);
  EXPECT_EQ(e.PointNumber, 2);  // the cursor on the last point examined
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, -1, 2), 0);
  EXPECT_EQ(e.SeekNearPoint(0, 9, 0, 3, 2), 0);
  Edit none(BuildMetric(METRIC_F64, {{}}, false));
  EXPECT_EQ(none.SeekNearPoint(0, 0), 0);
}

TEST(MetricMeasure, NearestPointOnLines) {
  Edit e(BuildMetric(METRIC_F64, {{{{0, 0}, {0, 10}, {10, 10}}}, {{{20, 20}, {30, 20}}}}, false));
  XYDOUBLE out{};
  EXPECT_EQ(e.SeekNearVirtualPoint(-3, 4, 0, &out), 1);
  EXPECT_DOUBLE_EQ(out.X, 0.0);
  EXPECT_DOUBLE_EQ(out.Y, 4.0);
  EXPECT_EQ(e.SeekNearVirtualPoint(4, 13, 0, &out), 2);
  EXPECT_DOUBLE_EQ(out.X, 4.0);
  EXPECT_DOUBLE_EQ(out.Y, 10.0);
  // Over all contours: contour 1 wins and the cursor goes there.
  EXPECT_EQ(e.SeekNearVirtualPoint(25, 25, &out), 1);
  EXPECT_EQ(e.SubjectNumber, 1);
  EXPECT_DOUBLE_EQ(out.X, 25.0);
  EXPECT_DOUBLE_EQ(out.Y, 20.0);
  // A foot beyond the segment falls back to the segment's first point.
  EXPECT_EQ(e.SeekNearVirtualPoint(-5, -5, 0, &out), 1);
  EXPECT_EQ(out.X, 0.0);
  EXPECT_EQ(out.Y, 0.0);
  // Only the range's last point is tested as a point.
  EXPECT_EQ(e.SeekNearVirtualPoint(12, 40, 0, 2, 3, &out), 3);
  EXPECT_EQ(out.X, 10.0);

  DOUBLEPOINT line[3] = {P(0, 0), P(10, 0), P(10, 10)};
  DOUBLEPOINT o{};
  EXPECT_EQ(e.SeekVirtualPointOnSegment(5, 1, line, &o), 1);
  EXPECT_EQ(o.X, 5.0);
  EXPECT_EQ(o.Y, 0.0);
  EXPECT_EQ(e.SeekVirtualPointOnSegment(11, 5, line, &o), 2);
  EXPECT_EQ(e.SeekVirtualPointOnSegment(12, 12, line, &o), 3);
  EXPECT_EQ(e.SeekVirtualPointOnSegment(0, 0, nullptr, &o), 0);
}

TEST(MetricMeasure, PointAtPathDistance) {
  Edit e(BuildMetric(METRIC_F64, {{{{0, 0}, {10, 0}, {10, 10}, {20, 10}}}}, false));
  DOUBLEPOINT out{};
  EXPECT_EQ(e.SeekVirtualPointByDistance(3, 0.0, &out, 0), -3);
  EXPECT_EQ(out.X, 10.0);
  EXPECT_EQ(out.Y, 10.0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 15.0, &out, 0), 2);
  EXPECT_NEAR(out.X, 10.0, 1e-12);
  EXPECT_NEAR(out.Y, 5.0, 1e-12);
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 19.9995, &out, 0), -3);
  EXPECT_EQ(out.Y, 10.0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(4, -15.0, &out, 0), 2);  // walking back
  EXPECT_NEAR(out.X, 10.0, 1e-12);
  EXPECT_NEAR(out.Y, 5.0, 1e-12);
  EXPECT_EQ(e.SeekVirtualPointByDistance(1, 31.0, &out, 0), 0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(2, -11.0, &out, 0), 0);
  EXPECT_EQ(e.SeekVirtualPointByDistance(9, 1.0, &out, 0), 0);
}

TEST(MetricMeasure, CrossCutDataCases) {
  Edit e(BuildMetric(METRIC_F64, {{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}}, false));
  NUMBERPOINT r1{}, r2{};
  // A proper crossing of the second segment.
  DOUBLEPOINT a = P(5, 5), b = P(15, 5);
  EXPECT_EQ(e.CrossCutData(&a, &b, 1, 4, &r1, &r2, 4, 0.001), 0);  // no contour 4
  EXPECT_EQ(e.CrossCutData(&a, &b, 1, 5, &r1, &r2, 0, 0.001), 0);  // last past the count
  EXPECT_EQ(e.CrossCutData(&a, &b, 2, 2, &r1, &r2, 0, 0.001), 0);
  EXPECT_EQ(e.CrossCutData(&a, &b, 1, 4, &r1, &r2, 0, 0.001), 1);
  EXPECT_EQ(r1.Number, 2);
  EXPECT_EQ(r1.Flag, 0);
  EXPECT_DOUBLE_EQ(r1.X, 10.0);
  EXPECT_DOUBLE_EQ(r1.Y, 5.0);
  EXPECT_EQ(r2.Number, 0);
  // The segment touches the contour at a vertex with its end a.
  DOUBLEPOINT c = P(10, 10), d = P(20, 20);
  EXPECT_EQ(e.CrossCutData(&c, &d, 1, 4, &r1, &r2, 0, 0.001), -1);
  EXPECT_EQ(r2.Number, 3);
  EXPECT_EQ(r2.Flag, 1);
  EXPECT_EQ(r2.Vertex, 3);
  // End b on the inside of a contour segment.
  DOUBLEPOINT f = P(5, -5), g = P(5, 0);
  EXPECT_EQ(e.CrossCutData(&f, &g, 1, 4, &r1, &r2, 0, 0.001), -2);
  EXPECT_EQ(r1.Number, 1);
  EXPECT_EQ(r1.Flag, 0);
  EXPECT_EQ(r1.Y, 0.0);
  // Touching at P0 and again at P1 of the same segment: the P1 test's code,
  // and the first result keeps the P0 test's point.
  Edit line(BuildMetric(METRIC_F64, {{{{2, 0}, {8, 0}}}}, false));
  DOUBLEPOINT h = P(0, 0), k = P(8, 0);
  EXPECT_EQ(line.CrossCutData(&h, &k, 1, 2, &r1, &r2, 0, 0.001), -2);
  EXPECT_EQ(r1.Number, 1);
  EXPECT_EQ(r1.X, 2.0);
  EXPECT_EQ(r2.Number, 2);
  EXPECT_EQ(r2.X, 8.0);
  // No crossing at all.
  DOUBLEPOINT m = P(20, 20), n = P(30, 30);
  EXPECT_EQ(e.CrossCutData(&m, &n, 1, 4, &r1, &r2, 0, 0.001), 0);
}

TEST(MetricMeasure, PrecisionBoundaryDiffersBetweenTheTwins) {
  // Vertex (5, 4) lies exactly the precision away from the line X = Y.
  double precision = 1.0 / std::sqrt(2.0);
  Edit e(BuildMetric(METRIC_F64, {{{{5, 4}, {20, 4}}}}, false));
  DOUBLEPOINT a = P(0, 0), b = P(10, 10);
  NUMBERPOINT r1{}, r2{};
  EXPECT_EQ(e.CrossCutData(&a, &b, 1, 2, &r1, &r2, 0, precision), 0);
  NUMBERPOINT ends[2] = {}, vertices[2] = {};
  EXPECT_EQ(e.CrossCutSegment(&a, &b, 1, 2, ends, vertices, 0, precision), -1);
  EXPECT_EQ(vertices[0].Number, 1);
  EXPECT_EQ(vertices[0].Flag, 1);
  EXPECT_EQ(vertices[0].X, 5.0);
  EXPECT_EQ(vertices[0].Vertex, 0);
  EXPECT_EQ(ends[0].Number, 0);
}

TEST(MetricMeasure, CrossCutSegmentCases) {
  Edit e(BuildMetric(METRIC_F64, {{{{0, 0}, {10, 0}, {10, 10}}}}, false));
  NUMBERPOINT ends[2], vertices[2];
  // a and b both strictly inside the first segment.
  DOUBLEPOINT a = P(2, 0), b = P(6, 0);
  EXPECT_EQ(e.CrossCutSegment(&a, &b, 1, 3, ends, vertices, 0, 0.001), -1);
  EXPECT_EQ(ends[0].Number, 1);
  EXPECT_EQ(ends[0].Flag, 1);
  EXPECT_EQ(ends[0].X, 2.0);
  EXPECT_EQ(ends[1].Number, 1);
  EXPECT_EQ(ends[1].Flag, 1);
  EXPECT_EQ(ends[1].X, 6.0);
  EXPECT_EQ(vertices[0].Number, 0);
  EXPECT_EQ(vertices[1].Number, 0);
  // A proper crossing.
  DOUBLEPOINT c = P(5, -5), d = P(5, 5);
  EXPECT_EQ(e.CrossCutSegment(&c, &d, 1, 3, ends, vertices, 0, 0.001), 1);
  EXPECT_EQ(ends[0].Number, 1);
  EXPECT_EQ(ends[0].Flag, 0);
  EXPECT_DOUBLE_EQ(ends[0].X, 5.0);
  EXPECT_DOUBLE_EQ(ends[0].Y, 0.0);
  EXPECT_EQ(ends[1].Number, 0);
  // a at the vertex P1 of the first segment.
  DOUBLEPOINT f = P(10, 0), g = P(20, -5);
  EXPECT_EQ(e.CrossCutSegment(&f, &g, 1, 3, ends, vertices, 0, 0.001), -1);
  EXPECT_EQ(ends[0].Number, 2);
  EXPECT_EQ(ends[0].Flag, -2);
  EXPECT_EQ(vertices[1].Number, 2);
  EXPECT_EQ(vertices[1].Flag, -1);
  EXPECT_EQ(vertices[1].Vertex, 0);  // never written
}

TEST(MetricMeasure, BuildCircular) {
  Edit e;
  e.Create(METRIC_F64, 0);
  DOUBLEPOINT first = P(10, 0), centre = P(0, 0);
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
  Edit q;
  q.Create(METRIC_F64, 0);
  DOUBLEPOINT last = P(0, 10);
  ASSERT_EQ(q.BuildCircular(&first, &centre, &last, 10.0), 1);
  EXPECT_EQ(q.PointCount(0), static_cast<int>(0.5 * kPi * 16) + 1);
  Edit back;
  back.Create(METRIC_F64, 0);
  ASSERT_EQ(back.BuildCircular(&last, &centre, &first, 10.0), 1);
  EXPECT_EQ(back.PointCount(0), static_cast<int>(1.5 * kPi * 16) + 1);
  EXPECT_NEAR(back.XNDouble(back.PointCount(0)), 10.0, 1e-9);
  EXPECT_NEAR(q.XNDouble(q.PointCount(0)), 0.0, 1e-9);
  EXPECT_NEAR(q.YNDouble(q.PointCount(0)), 10.0, 1e-9);
  EXPECT_EQ(q.BuildCircular(&first, &centre, &last, 0.0), 0);
}

TEST(MetricMeasure, ForwardedGeometry) {
  Edit e;
  e.Create(METRIC_F64, 0);
  DOUBLEPOINT a = P(0, 0), b = P(10, 0), p = P(0, 5);
  EXPECT_DOUBLE_EQ(e.Distance(&a, &b), 10.0);
  EXPECT_DOUBLE_EQ(e.Distance(&p, &a, &b), 5.0);
  EXPECT_EQ(e.Measure.Side, -1);
  EXPECT_DOUBLE_EQ(e.DirectionAngle(&a, &p), kPi / 2);
  DOUBLEPOINT o1{}, o2{};
  EXPECT_EQ(e.SeekPointNormalLine(&a, &b, &o1, &o2, 3.0), 1);
  EXPECT_EQ(o1.Y, 3.0);
}

}  // namespace
