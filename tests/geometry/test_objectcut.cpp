// Cutting an object by an area: line pieces, area pieces with the object's
// holes, objects that lie inside or only touch, and the area of the pieces
// of random polygons against GEOS's intersection.
#include <gtest/gtest.h>

#include <vector>

#include "geometry/objectcut.h"
#include "support/contours.h"
#include "support/geos_oracle.h"

namespace {

// Every piece the cut hands out, as metrics of contours.
std::vector<std::vector<Contour>> Pieces(TObjectCut& cut) {
  std::vector<std::vector<Contour>> out;
  for (int guard = 0; guard < 1000; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    std::vector<Contour> piece;
    for (int c = 0; c <= p->Record->Count; ++c) piece.push_back(Points(*p, c));
    out.push_back(piece);
  }
  return out;
}

double Area(const std::vector<Contour>& piece) {
  Metric m;
  EXPECT_TRUE(Fill(m, METRIC_F64, piece));
  return m.Square();
}

}  // namespace

TEST(ObjectCut, ALineCrossingAnAreaTwiceGivesOnePieceInside) {
  Metric area, line;
  ASSERT_TRUE(Fill(area, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{-5, 5}, {15, 5}}}));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&area, &line, 0, 0.0, 0));
  const auto pieces = Pieces(cut);
  ASSERT_EQ(1u, pieces.size());
  ASSERT_EQ(2u, pieces[0][0].size());
  EXPECT_EQ(0.0, pieces[0][0][0].x);
  EXPECT_EQ(10.0, pieces[0][0][1].x);

  // A line of two parts: the pieces of both come back as parts of one result.
  Metric parts;
  ASSERT_TRUE(Fill(parts, METRIC_F64, {{{-5, 5}, {15, 5}}, {{5, -5}, {5, 3}}}));
  TObjectCut two;
  ASSERT_EQ(1, two.LoadObjects(&area, &parts, 0, 0.0, 0));
  const auto joined = Pieces(two);
  ASSERT_EQ(1u, joined.size());
  ASSERT_EQ(2u, joined[0].size());
  EXPECT_EQ(0.0, joined[0][1][0].y);
  EXPECT_EQ(3.0, joined[0][1][1].y);
}

TEST(ObjectCut, AreasInsideOrTouching) {
  Metric big, small, beside;
  ASSERT_TRUE(Fill(big, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(small, METRIC_F64, {Square(2, 2, 4, 4)}));
  ASSERT_TRUE(Fill(beside, METRIC_F64, {Square(10, 0, 20, 10)}));
  // An object inside the cutting area, no crossings: no worker.
  TObjectCut inside;
  EXPECT_EQ(0, inside.LoadObjects(&big, &small, 1, 0.0, 0));
  // The cutting area inside the object is the one piece.
  TObjectCut around;
  ASSERT_EQ(1, around.LoadObjects(&small, &big, 1, 0.0, 0));
  const auto one = Pieces(around);
  ASSERT_EQ(1u, one.size());
  EXPECT_DOUBLE_EQ(4.0, Area(one[0]));
  // Touching from outside along a side: nothing.
  TObjectCut touching;
  touching.LoadObjects(&big, &beside, 1, 0.0, 0);
  EXPECT_TRUE(Pieces(touching).empty());
  // An open cutting contour is refused.
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{0, 0}, {5, 5}, {9, 1}}}));
  TObjectCut open;
  EXPECT_EQ(0, open.LoadObjects(&line, &big, 1, 0.0, 0));
  EXPECT_EQ(GEOMETRY_ERR_OPEN, open.State);
}

TEST(ObjectCut, HolesAreCutIntoThePieceOrKeptAsHoles) {
  // The object's hole straddles the cutting contour: the piece follows it.
  Metric area, object;
  ASSERT_TRUE(Fill(area, METRIC_F64, {Square(0, 0, 10, 10)}));
  ASSERT_TRUE(Fill(object, METRIC_F64, {Square(0, 0, 20, 20), Square(8, 8, 12, 12), Square(2, 2, 4, 4)}));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&area, &object, 1, 0.0, 0));
  const auto pieces = Pieces(cut);
  ASSERT_EQ(1u, pieces.size());
  // 100, less the straddling hole's corner (4) and the hole inside (4).
  EXPECT_NEAR(92.0, Area(pieces[0]), 1e-9);
  ASSERT_EQ(2u, pieces[0].size());
  EXPECT_EQ(5u, pieces[0][1].size());
}

TEST(ObjectCut, OverlappingHolesOfTheAreaBecomeOneHoleOfThePiece) {
  Metric area, object;
  ASSERT_TRUE(Fill(area, METRIC_F64, {Square(0, 0, 10, 10), Square(6, 2, 8, 4), Square(7, 3, 9, 5)}));
  ASSERT_TRUE(Fill(object, METRIC_F64, {Square(5, -5, 15, 15)}));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&area, &object, 1, 0.0, 1));
  const auto pieces = Pieces(cut);
  ASSERT_EQ(1u, pieces.size());
  ASSERT_EQ(2u, pieces[0].size());
  EXPECT_NEAR(50.0 - 7.0, Area(pieces[0]), 1e-9);
}

TEST(ObjectCut, SquaresSharingSidesGiveEachPieceOnce) {
  // Sides and corners shared, or run along: every piece handed out once,
  // closed, of four points at least, with its whole area.
  const Contour sq = Square(0, 0, 10, 10);
  const struct {
    const char* name;
    Contour area, object;
    std::vector<double> pieces;
  } cases[] = {
      {"half over", Square(5, 0, 15, 10), sq, {50}},
      {"the same square", sq, sq, {100}},
      {"the inner quarter cutting", Square(0, 0, 5, 5), sq, {25}},
      {"the inner quarter cut", sq, Square(0, 0, 5, 5), {25}},
      {"a corner only", Square(10, 10, 20, 20), sq, {}},
      {"a stair along two sides", {{0, 0}, {0, 5}, {5, 5}, {5, 10}, {10, 10}, {10, 0}, {0, 0}}, sq, {75}},
  };
  for (const auto& c : cases) {
    Metric area, object;
    ASSERT_TRUE(Fill(area, METRIC_F64, {c.area}));
    ASSERT_TRUE(Fill(object, METRIC_F64, {c.object}));
    TObjectCut cut;
    ASSERT_EQ(1, cut.LoadObjects(&area, &object, 1, 0.0, 0)) << c.name;
    std::vector<double> got;
    for (const auto& p : Pieces(cut)) {
      ASSERT_EQ(1u, p.size()) << c.name;
      EXPECT_GE(p[0].size(), 5u) << c.name;
      EXPECT_EQ(p[0].front().x, p[0].back().x) << c.name;
      EXPECT_EQ(p[0].front().y, p[0].back().y) << c.name;
      got.push_back(Area(p));
    }
    EXPECT_EQ(0, cut.State) << c.name;
    EXPECT_EQ(c.pieces, got) << c.name;
  }
}

TEST(ObjectCut, PiecesOfRandomPolygonsCoverGeosIntersection) {
  GeosOracle geos;
  int pairs = 0, pieces = 0;
  for (const auto& [a, b] : RandomStarPairs(geos, 46, 40)) {
    ++pairs;
    Metric ma, mb;
    ASSERT_TRUE(Fill(ma, METRIC_F64, {a}));
    ASSERT_TRUE(Fill(mb, METRIC_F64, {b}));
    TObjectCut cut;
    double area = 0;
    if (cut.LoadObjects(&ma, &mb, 1, 0.0, 0)) {
      for (const auto& p : Pieces(cut)) {
        area += Area(p);
        ++pieces;
      }
    }
    const double expect = geos.IntersectionArea({a}, {b});
    EXPECT_NEAR(expect, area, 0.001 * (Perimeter(a) + Perimeter(b))) << "pair " << pairs;
  }
  EXPECT_GT(pieces, 40);
}

TEST(ObjectCut, PiecesOfRandomPolygonsWithHolesCoverGeosIntersection) {
  GeosOracle geos;
  int pairs = 0;
  for (const auto& [a, b] : RandomHoledPairs(geos, 47, 30)) {
    ++pairs;
    // The area's holes are left out: a cutting area is its outer contour.
    const std::vector<Contour> area = {a[0]};
    Metric ma, mb;
    ASSERT_TRUE(Fill(ma, METRIC_F64, area));
    ASSERT_TRUE(Fill(mb, METRIC_F64, b));
    TObjectCut cut;
    double total = 0;
    if (cut.LoadObjects(&ma, &mb, 1, 0.0, 0))
      for (const auto& p : Pieces(cut)) total += Area(p);
    double perimeter = Perimeter(a[0]);
    for (const Contour& c : b) perimeter += Perimeter(c);
    EXPECT_NEAR(geos.IntersectionArea(area, b), total, 0.001 * perimeter) << "pair " << pairs;
  }
}
