// Crossing-point lists: records numbered from 1 with both objects' point
// and contour numbers, vertex crossings, crossings with holes, and the
// working precision of a map's scale.
#include <gtest/gtest.h>

#include "geometry/pointcrossobject.h"
#include "support/contours.h"

TEST(PointCrossObject, TwoSquaresCrossingTwiceGiveTwoNumberedRecords) {
  Metric a, b;
  ASSERT_TRUE(Fill(a, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {Square(5, 2, 15, 8)}));
  TPointCrossObject list;
  ASSERT_EQ(2, list.LoadData(&a, &b, 11, 22, -1, 0, 0.001));
  CROSSPOINT r{};
  for (int n = 1; n <= 2; ++n) {
    ASSERT_EQ(1, list.GetPoint(n, &r));
    EXPECT_EQ(10.0, r.Y == 2.0 || r.Y == 8.0 ? r.X : -1.0);
    EXPECT_EQ(11, r.Object1);
    EXPECT_EQ(22, r.Object2);
    // The first square's side x = 10 runs from point 3 to point 4; the
    // second's crossed sides are 2-3 (y = 8) and 4-5 (y = 2).
    EXPECT_EQ(3, r.Number1);
    EXPECT_EQ(r.Y == 8.0 ? 2 : 4, r.Number2);
    EXPECT_EQ(0, r.Subject1);
    EXPECT_EQ(0, r.Subject2);
  }
  EXPECT_EQ(0, list.GetPoint(0, &r));
  EXPECT_EQ(0, list.GetPoint(3, &r));
  EXPECT_EQ(0, list.GetPoint(1, nullptr));
}

TEST(PointCrossObject, VertexCrossingsAndHoles) {
  // The line's vertex 2 lies on the square's side: the vertex is reported.
  Metric sq, line;
  ASSERT_TRUE(Fill(sq, METRIC_F64, {Square(0, 0, 10, 10), Square(3, 3, 7, 7)}));
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{-5, 1}, {0, 1}, {5, 5}}}));
  TPointCrossObject list;
  ASSERT_EQ(2, list.LoadData(&line, &sq, 1, 2, -1, 0, 0.001));
  CROSSPOINT r{};
  ASSERT_EQ(1, list.GetPoint(1, &r));
  EXPECT_EQ(0.0, r.X);
  EXPECT_EQ(2, r.Number1);
  EXPECT_EQ(0, r.Subject2);
  ASSERT_EQ(1, list.GetPoint(2, &r));
  EXPECT_EQ(3.0, r.X);
  EXPECT_EQ(1, r.Subject2);  // the hole

  // One chosen pair: the line with the hole only.
  ASSERT_EQ(1, list.LoadData(&line, &sq, 1, 2, 0, 1, 0.001));
  ASSERT_EQ(1, list.GetPoint(1, &r));
  EXPECT_EQ(1, r.Subject2);
  // Contours out of range and missing metrics give nothing.
  EXPECT_EQ(0, list.LoadData(&line, &sq, 1, 2, 0, 5, 0.001));
  EXPECT_EQ(0, list.Count());
  EXPECT_EQ(0, list.LoadData(nullptr, &sq, 1, 2, -1, 0, 0.001));
}

TEST(PointCrossObject, PrecisionFollowsTheScale) {
  struct Case {
    double scale, asked, expected;
  } cases[] = {
      {1000000, 0.0005, 0.01}, {1000000, 0.05, 0.05},   {1000000, 0.000001, 0.01},
      {25000, 0.0005, 0.001},  {25000, 0.000001, 0.001}, {25000, 0.002, 0.002},
      {500000, 0.0, 0.001},    {25000, -1.0, 0.001},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(c.expected, GeometryPrecision(c.scale, c.asked)) << c.scale << " " << c.asked;
  EXPECT_DOUBLE_EQ(0.001, GeometryPrecision(static_cast<TObjectInfo*>(nullptr), 0.5));
}
