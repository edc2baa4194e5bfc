// Cutting by a line: a square crossed by a line gives one piece on each
// side, a line ending inside or ending on the border, and the caller's line
// left unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "geometry/objectcutbyline.h"
#include "support/contours.h"

namespace {

std::vector<double> Areas(TObjectCutByLine& cut) {
  std::vector<double> out;
  for (int guard = 0; guard < 20; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    out.push_back(p->Square());
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
      {"along the border, then across", {{-5, 0}, {5, 0}, {5, 15}}, {50, 50}},
      {"outside", {{-5, 40}, {15, 40}}, {}},
      {"touching a corner", {{-5, -5}, {0, 0}, {-5, 5}}, {}},
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

TEST(ObjectCutByLine, ARunAlongTheBorderCutsWhereItLeavesTheBorder) {
  // The bottom side has vertices the line runs over (touches from inside).
  Metric square;
  ASSERT_TRUE(Fill(square, METRIC_F64,
                   {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {8, 0}, {6, 0}, {4, 0}, {2, 0}, {0, 0}}}));
  struct Case {
    const char* name;
    Contour line;
    std::vector<double> areas;
  } cases[] = {
      {"along, then up and out", {{-5, 0}, {7, 0}, {7, 15}}, {30, 70}},
      {"along, a dip inside, along, then up and out",
       {{-5, 0}, {3, 0}, {5, 2}, {7, 0}, {9, 0}, {9, 15}},
       {4, 10, 86}},
      {"along the whole side", {{-5, 0}, {15, 0}}, {}},
  };
  for (const Case& c : cases) {
    Metric line;
    ASSERT_TRUE(Fill(line, METRIC_F64, {c.line}));
    TObjectCutByLine cut(&line, &square, 1, 0.001);
    std::vector<double> areas = Areas(cut);
    std::sort(areas.begin(), areas.end());
    ASSERT_EQ(c.areas.size(), areas.size()) << c.name;
    for (size_t i = 0; i < areas.size(); ++i) EXPECT_NEAR(c.areas[i], areas[i], 1e-6) << c.name;
  }
}

TEST(ObjectCutByLine, LinesTurningOnVerticesCrossingTwiceOrCrossingThemselves) {
  // The bottom side has a vertex in its middle.
  Metric square;
  ASSERT_TRUE(Fill(square, METRIC_F64, {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {5, 0}, {0, 0}}}));
  struct Case {
    const char* name;
    Contour line;
    std::vector<double> areas;
  } cases[] = {
      {"turning on the vertex of a straight side", {{-5, 5}, {5, 0}, {15, 5}, {15, 8}, {-5, 8}},
       {6.25, 6.25, 20, 67.5}},
      {"crossing twice the same way", {{-5, 3}, {15, 3}, {15, -5}, {-5, -5}, {-5, 7}, {15, 7}},
       {30, 30, 40}},
      {"crossing itself", {{-5, 5}, {7, 5}, {7, 8}, {3, 8}, {3, 2}, {15, 2}}, {12, 29, 59}},
  };
  for (const Case& c : cases) {
    Metric line;
    ASSERT_TRUE(Fill(line, METRIC_F64, {c.line}));
    TObjectCutByLine cut(&line, &square, 1, 0.001);
    std::vector<double> areas = Areas(cut);
    EXPECT_EQ(0, cut.State) << c.name;
    std::sort(areas.begin(), areas.end());
    ASSERT_EQ(c.areas.size(), areas.size()) << c.name;
    for (size_t i = 0; i < areas.size(); ++i) EXPECT_NEAR(c.areas[i], areas[i], 1e-9) << c.name;
  }
}

TEST(ObjectCutByLine, HolesAreTakenOutOfThePiecesAndLinesAreCutToo) {
  // A hole crossed by the line and a hole inside the upper piece.
  Metric lake;
  ASSERT_TRUE(
      Fill(lake, METRIC_F64, {Square(0, 0, 10, 10), Square(2, 3, 4, 5), Square(6, 7, 8, 9)}));
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{-5, 4}, {15, 4}}}));
  TObjectCutByLine cut;
  ASSERT_EQ(1, cut.LoadObjects(&line, &lake, 1, 0.001));
  double total = 0;
  int pieces = 0;
  for (int guard = 0; guard < 20; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    ++pieces;
    for (int s = 0; s <= p->Record->Count; ++s)
      total += s == 0 ? p->SquareSubject(0) : -p->SquareSubject(s);
  }
  EXPECT_EQ(2, pieces);
  EXPECT_NEAR(100 - 4 - 4, total, 1e-6);

  // A road cut by a line: one piece on each side.
  Metric road, cutter;
  ASSERT_TRUE(Fill(road, METRIC_F64, {{{0, 0}, {10, 0}}}));
  ASSERT_TRUE(Fill(cutter, METRIC_F64, {{{5, -5}, {5, 5}}}));
  TObjectCutByLine lineCut;
  ASSERT_EQ(1, lineCut.LoadObjects(&cutter, &road, 0, 0.001));
  std::vector<double> lengths;
  for (int guard = 0; guard < 20; ++guard) {
    TDataEdit* p = lineCut.GetNextObject();
    if (p == nullptr) break;
    lengths.push_back(p->Perimeter());
  }
  EXPECT_EQ((std::vector<double>{5, 5}), lengths);
}
