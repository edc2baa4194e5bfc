// Relations of two metrics: crossing, inside either way, in a hole of
// either, apart, and no answer for open contours.
#include <gtest/gtest.h>

#include "geometry/objectrelation.h"
#include "support/contours.h"

TEST(ObjectRelation, EveryRelationOfTwoAreas) {
  const std::vector<Contour> lake = {Square(0, 0, 100, 100), Square(20, 20, 60, 60)};
  struct Case {
    const char* name;
    std::vector<Contour> first, second;
    int plain, withHoles;
  } cases[] = {
      {"island in the lake's hole", {Square(30, 30, 40, 40)}, lake, 1, RELATION_FIRST_IN_HOLE},
      {"lake round the island", lake, {Square(30, 30, 40, 40)}, 2, RELATION_SECOND_IN_HOLE},
      {"inside the water", {Square(70, 70, 80, 80)}, lake, 1, 1},
      {"across the hole's border", {Square(50, 50, 70, 70)}, lake, 1, RELATION_CROSS},
      {"across the outer border", {Square(90, 90, 110, 110)}, lake, 3, 3},
      {"apart", {Square(200, 200, 210, 210)}, lake, 4, 4},
      {"open lines apart", {{{200, 200}, {210, 210}}}, {{{300, 300}, {310, 300}}}, 0, 0},
  };
  for (const Case& c : cases) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, c.first));
    ASSERT_TRUE(Fill(b, METRIC_F64, c.second));
    EXPECT_EQ(c.plain, CheckInsideMetric(&a, &b, 0)) << c.name;
    EXPECT_EQ(c.withHoles, CheckInsideMetric(&a, &b, 1)) << c.name;
  }
  EXPECT_EQ(0, CheckInsideMetric(nullptr, nullptr, 1));
}

TEST(ObjectRelation, OverlapOfAnAreaWithAnotherObject) {
  struct Case {
    const char* name;
    std::vector<Contour> area, other;
    int expected;
  } cases[] = {
      {"overlapping", {Square(0, 0, 10, 10)}, {Square(5, 5, 15, 15)}, RELATION_CROSS},
      {"other inside", {Square(0, 0, 10, 10)}, {Square(2, 2, 4, 4)}, RELATION_SECOND_INSIDE},
      {"area inside", {Square(2, 2, 4, 4)}, {Square(0, 0, 10, 10)}, RELATION_FIRST_INSIDE},
      {"apart", {Square(0, 0, 10, 10)}, {Square(20, 20, 30, 30)}, RELATION_APART},
      {"line across", {Square(0, 0, 10, 10)}, {{{-5, 5}, {15, 5}}}, RELATION_CROSS},
      {"line ending inside", {Square(0, 0, 10, 10)}, {{{-5, 5}, {5, 5}}}, RELATION_CROSS},
      {"line touching a side from inside",
       {Square(0, 0, 10, 10)},
       {{{2, 2}, {5, 0}, {8, 2}}},
       RELATION_CUT_ONLY},
      {"open area", {{{0, 0}, {0, 10}, {10, 10}}}, {Square(5, 5, 15, 15)}, RELATION_FAILED},
  };
  for (const Case& c : cases) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, c.area));
    ASSERT_TRUE(Fill(b, METRIC_F64, c.other));
    EXPECT_EQ(c.expected, CheckOverlapMetric(&a, &b, 0.001)) << c.name;
  }
}
