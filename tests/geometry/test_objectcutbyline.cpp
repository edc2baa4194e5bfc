// Cutting by a line: a square crossed by a line gives one piece on each
// side, a line ending inside or ending on the border, and the caller's line
// left unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "geometry/objectcutbyline.h"
#include "support/contours.h"

namespace {

Contour Square(double x0, double y0, double x1, double y1) {
  return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
}

std::vector<double> Areas(TObjectCutByLine& cut) {
  std::vector<double> out;
  for (int guard = 0; guard < 20; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    out.push_back(p->SquareSubject(0));
  }
  return out;
}

}  // namespace

TEST(ObjectCutByLine, ASquareIsCutIntoOnePieceOnEachSide) {
  Metric square;
  ASSERT_TRUE(Fill(square, METRIC_F64, {Square(0, 0, 10, 10)}));
  struct Case {
    const char* name;
    Contour line;
    std::vector<double> areas;
  } cases[] = {
      {"across", {{-5, 4}, {15, 4}}, {40, 60}},
      {"ending on the border", {{0, 4}, {10, 4}}, {40, 60}},
      {"bent", {{-5, 4}, {5, 4}, {5, -5}}, {20, 80}},
      {"ending inside", {{-5, 4}, {5, 4}}, {}},
      {"outside", {{-5, 40}, {15, 40}}, {}},
  };
  for (const Case& c : cases) {
    Metric line;
    ASSERT_TRUE(Fill(line, METRIC_F64, {c.line}));
    TObjectCutByLine cut;
    cut.LoadObjects(&line, &square, 1, 0.001);
    std::vector<double> areas = Areas(cut);
    std::sort(areas.begin(), areas.end());
    ASSERT_EQ(c.areas.size(), areas.size()) << c.name;
    for (size_t i = 0; i < areas.size(); ++i) EXPECT_NEAR(c.areas[i], areas[i], 1e-6) << c.name;
    // The caller's line keeps its ends.
    const Contour after = Points(line, 0);
    ASSERT_EQ(c.line.size(), after.size());
    EXPECT_EQ(c.line.front().x, after.front().x) << c.name;
    EXPECT_EQ(c.line.back().x, after.back().x) << c.name;
  }
}
