// Circles by chords: point counts by radius, the closed run from below the
// centre, and the points on the circle.
#include <gtest/gtest.h>

#include <cmath>

#include "drawing/paintgeometry.h"

namespace {

struct Circle {
  POINT points[CHORD_POINTS_MAX] = {};
  LONG count = 0;
  POLYDATA data{};
  int Draw(POINT c, int r) {
    data.Points = points, data.PolyCounts = &count, data.Count = 1;
    return DrawArcByChords(c, r, &data);
  }
};

TEST(Chords, PointCountsByRadius) {
  const struct {
    int radius;
    int points;
  } cases[] = {{0, 1}, {-4, 1}, {1, 5}, {2, 16}, {10, 56}, {11, 32}, {18, 48}, {20, 56},
               {100000, 56}};
  for (const auto& c : cases) {
    Circle circle;
    EXPECT_EQ(circle.Draw({0, 0}, c.radius), c.points) << c.radius;
    EXPECT_EQ(circle.count, c.points) << c.radius;
  }
}

TEST(Chords, ClosedFromBelowTheCentreAndOnTheCircle) {
  for (int r : {3, 7, 15, 40}) {
    Circle circle;
    const int n = circle.Draw({10, 10}, r);
    EXPECT_EQ(circle.points[0].x, 10);
    EXPECT_EQ(circle.points[0].y, 10 + r);
    EXPECT_EQ(circle.points[n - 1].x, circle.points[0].x);
    EXPECT_EQ(circle.points[n - 1].y, circle.points[0].y);
    for (int i = 0; i < n; ++i) {
      const double d = std::hypot(circle.points[i].x - 10.0, circle.points[i].y - 10.0);
      EXPECT_NEAR(d, r, 1.0) << r << " " << i;
    }
    // The quarter points lie on the axes, in order (r, 0), (0, -r), (-r, 0).
    EXPECT_EQ(circle.points[n / 4 - 1].x, 10 + r);
    EXPECT_EQ(circle.points[n / 2 - 1].y, 10 - r);
    EXPECT_EQ(circle.points[3 * n / 4 - 1].x, 10 - r);
  }
}

TEST(Chords, FarCentreSaturatesAndNoRoomDrawsNothing) {
  Circle circle;
  ASSERT_EQ(circle.Draw({INT32_MAX - 1, INT32_MIN + 1}, 20), 56);
  EXPECT_EQ(circle.points[0].y, INT32_MIN + 21);
  EXPECT_EQ(circle.points[13].x, INT32_MAX);
  POLYDATA empty{};
  EXPECT_EQ(DrawArcByChords({0, 0}, 5, &empty), 0);
}

}  // namespace
