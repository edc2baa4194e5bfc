// Cutting an object by an area: line pieces, among them of lines that
// touch the area, run along its border or cross themselves on it, area
// pieces with the object's holes, objects that lie inside or only touch,
// and the pieces of random polygons and of lines on a grid against GEOS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "geometry/objectcut.h"
#include "support/contours.h"
#include "support/geos_oracle.h"
#include "support/grid_pairs.h"
#include "support/near_pairs.h"

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

namespace {

// A square of side 10 with vertices every 2 along its bottom side, and a
// square of side 3 with a notch from the right between y = 1 and y = 2.
const Contour kDotted = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {8, 0},
                         {6, 0}, {4, 0},  {2, 0},   {0, 0}};
const Contour kNotched = {{0, 0}, {0, 3}, {3, 3}, {3, 2}, {2, 2}, {2, 1}, {3, 1}, {3, 0}, {0, 0}};

void ExpectSame(const Contour& expect, const Contour& got, const char* name) {
  ASSERT_EQ(expect.size(), got.size()) << name;
  for (size_t i = 0; i < expect.size(); ++i) {
    EXPECT_NEAR(expect[i].x, got[i].x, 1e-9) << name << " point " << i;
    EXPECT_NEAR(expect[i].y, got[i].y, 1e-9) << name << " point " << i;
  }
}

// The line cut by the area hands out these results, in order, each a line
// of one or more parts, and its state stays 0.
void ExpectLineCut(const std::vector<Contour>& area, const std::vector<Contour>& line,
                   const std::vector<std::vector<Contour>>& results, const char* name) {
  Metric a, l;
  ASSERT_TRUE(Fill(a, METRIC_F64, area));
  ASSERT_TRUE(Fill(l, METRIC_F64, line));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&a, &l, 0, 0.001, 0)) << name;
  const auto got = Pieces(cut);
  EXPECT_EQ(0, cut.State) << name;
  ASSERT_EQ(results.size(), got.size()) << name;
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(results[i].size(), got[i].size()) << name;
    for (size_t k = 0; k < got[i].size(); ++k) ExpectSame(results[i][k], got[i][k], name);
  }
}

}  // namespace

TEST(ObjectCut, LinesTouchingTheAreaGiveTheirStretchesInsideOrAlongTheBorderInOrder) {
  const Contour sq = Square(0, 0, 10, 10);
  struct Case {
    const char* name;
    std::vector<Contour> area;
    Contour line;
    std::vector<Contour> pieces;  // in the order handed out, each the line's way
  } cases[] = {
      {"along a side with vertices", {kDotted}, {{-5, 0}, {15, 0}},
       {{{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {10, 0}}}},
      {"along part of such a side", {kDotted}, {{3, 0}, {7, 0}}, {{{3, 0}, {7, 0}}}},
      {"along it, then in", {kDotted}, {{-5, 0}, {5, 0}, {5, 5}},
       {{{0, 0}, {2, 0}, {4, 0}, {5, 0}, {5, 5}}}},
      {"from inside along it, then out", {kDotted}, {{3, 3}, {3, 0}, {7, 0}, {7, -5}},
       {{{3, 3}, {3, 0}, {4, 0}, {6, 0}, {7, 0}}}},
      {"from outside along it and out", {kDotted}, {{3, -5}, {3, 0}, {7, 0}, {7, -5}},
       {{{3, 0}, {4, 0}, {6, 0}, {7, 0}}}},
      {"along the side of a notch", {kNotched}, {{2, -1}, {2, 4}},
       {{{2, 0}, {2, 1}, {2, 2}, {2, 3}}}},
      {"round a corner along two sides", {kDotted}, {{10, 10}, {10, 0}, {0, 0}},
       {{{10, 10}, {10, 0}, {0, 0}}}},
      {"round a corner along two sides and on", {kDotted}, {{10, 10}, {10, 0}, {-5, 0}},
       {{{10, 10}, {10, 0}, {8, 0}, {6, 0}, {4, 0}, {2, 0}, {0, 0}}}},
      {"through two corners", {kDotted}, {{-5, -5}, {15, 15}}, {{{0, 0}, {10, 10}}}},
      {"through a vertex of a side", {kDotted}, {{4, -5}, {4, 15}}, {{{4, 0}, {4, 10}}}},
      {"touching a vertex from inside", {kDotted}, {{2, 2}, {4, 0}, {6, 2}},
       {{{2, 2}, {4, 0}, {6, 2}}}},
      {"touching a vertex from outside", {kDotted}, {{2, -2}, {4, 0}, {6, -2}}, {}},
      {"touching from outside, then across", {kDotted}, {{2, -2}, {4, 0}, {6, -2}, {6, 15}},
       {{{6, 0}, {6, 10}}}},
      {"touching from inside, then out", {kDotted}, {{2, 2}, {4, 0}, {6, 2}, {6, 15}},
       {{{2, 2}, {4, 0}, {6, 2}, {6, 10}}}},
      {"across, touching from inside on the way", {kDotted},
       {{-5, 5}, {2, 5}, {4, 0}, {8, 5}, {15, 5}},
       {{{0, 5}, {2, 5}, {4, 0}, {8, 5}, {10, 5}}}},
      {"in and out at vertices", {kDotted}, {{0, 0}, {2, 2}, {4, 0}, {6, -2}, {8, 0}, {10, 2}},
       {{{0, 0}, {2, 2}, {4, 0}}, {{8, 0}, {10, 2}}}},
      {"ending on the border from inside", {sq}, {{5, 5}, {5, 10}}, {{{5, 5}, {5, 10}}}},
      {"ending on the border from outside", {sq}, {{5, 15}, {5, 10}}, {}},
      {"along a hole's side, then out", {sq, Square(3, 3, 6, 6)}, {{3, 3}, {3, 6}, {-5, 6}},
       {{{3, 3}, {3, 6}, {0, 6}}}},
      {"crossing itself on the border", {sq}, {{-5, 5}, {5, -5}, {5, 5}, {-5, -5}},
       {{{5, 0}, {5, 5}, {0, 0}}}},
      {"closed, along a side outside", {sq}, {{2, 0}, {8, 0}, {8, -3}, {2, -3}, {2, 0}},
       {{{2, 0}, {8, 0}}}},
      {"closed, starting inside", {sq}, {{5, 5}, {15, 5}, {15, 8}, {5, 8}, {5, 5}},
       {{{10, 8}, {5, 8}, {5, 5}, {10, 5}}}},
      {"closed, starting on the border from inside", {sq},
       {{5, 10}, {8, 7}, {8, -2}, {2, -2}, {2, 7}, {5, 10}},
       {{{2, 0}, {2, 7}, {5, 10}, {8, 7}, {8, 0}}}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<Contour>> results;
    for (const Contour& piece : c.pieces) results.push_back({piece});
    ExpectLineCut(c.area, {c.line}, results, c.name);
  }
}

TEST(ObjectCut, LinesOfSeveralPartsGiveThePiecesOfEachPartAndNothingElse) {
  const Contour sq = Square(0, 0, 10, 10);
  const Contour across = {{-5, 5}, {15, 5}};
  struct Case {
    const char* name;
    std::vector<Contour> area, line;
    std::vector<std::vector<Contour>> results;  // each a line of one or more parts
  } cases[] = {
      // The area's contour is no piece, though the second part runs
      // through two of its corners.
      {"across, then through two corners", {sq}, {across, {{-1, 11}, {11, -1}}},
       {{{{0, 5}, {10, 5}}, {{0, 10}, {10, 0}}}}},
      {"across, then along a side with vertices", {kDotted}, {across, {{-5, 0}, {15, 0}}},
       {{{{0, 5}, {10, 5}}, {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {10, 0}}}}},
      // The first part gives nothing: the others are cut as those of a
      // line lying apart.
      {"touching from outside, then inside", {kDotted},
       {{{2, -2}, {4, 0}, {6, -2}}, {{2, 2}, {8, 2}}},
       {{{{2, 2}, {8, 2}}}}},
  };
  for (const Case& c : cases) ExpectLineCut(c.area, c.line, c.results, c.name);
}

TEST(ObjectCut, LinePiecesAlongTheBorderKeepTheLineHeights) {
  // Both have heights: the piece's come from the line, as at a crossing.
  Contour area = kDotted;
  for (Pt& p : area) p.h = 100;
  Metric a, line;
  ASSERT_TRUE(Fill(a, METRIC_F64H, {area}));
  ASSERT_TRUE(Fill(line, METRIC_F64H, {{{-5, 0, 0}, {5, 0, 10}, {5, 5, 20}}}));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&a, &line, 0, 0.001, 0));
  const auto pieces = Pieces(cut);
  ASSERT_EQ(1u, pieces.size());
  const Contour expect = {{0, 0, 5}, {2, 0, 7}, {4, 0, 9}, {5, 0, 10}, {5, 5, 20}};
  ExpectSame(expect, pieces[0][0], "along, then in");
  ASSERT_EQ(expect.size(), pieces[0][0].size());
  for (size_t i = 0; i < expect.size(); ++i) EXPECT_NEAR(expect[i].h, pieces[0][0][i].h, 1e-9) << i;
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

TEST(ObjectCut, HolesOfTheCuttingAreaCountOnceAndWhatTheyRingStaysAPiece) {
  // The area's holes count with the hole union, and without it when the
  // area lies inside the object (its metric is then the piece): each is
  // taken out of the pieces once however they overlap one another or the
  // object's holes, and what a ring of them holds stays a piece. GEOS: the
  // area less its holes, cut with the object; near the origin and far.
  GridOracle geos;
  GEOSContextHandle_t h = geos.handle();
  // Two holes that overlap at both ends into a ring round (15..25)².
  const Contour left = {{10, 10}, {21, 10}, {21, 15}, {15, 15}, {15, 25},
                        {21, 25}, {21, 30}, {10, 30}, {10, 10}};
  const Contour right = {{19, 10}, {30, 10}, {30, 30}, {19, 30}, {19, 25},
                         {25, 25}, {25, 15}, {19, 15}, {19, 10}};
  const Contour area = Square(0, 0, 40, 40), around = Square(-10, -10, 50, 50),
                across = Square(5, -10, 50, 50);
  const struct {
    const char* name;
    Shape area, object;
    bool inside;  // the area lies inside the object: its holes count without the union too
  } cases[] = {
      {"inside, one hole", {area, Square(10, 10, 20, 20)}, {around}, true},
      {"inside, a hole over one of the object's", {area, Square(10, 10, 20, 20)},
       {around, Square(15, 15, 25, 25)}, true},
      {"inside, a hole the same as the object's", {area, Square(10, 10, 20, 20)},
       {around, Square(10, 10, 20, 20)}, true},
      {"inside, holes ringing an island", {area, left, right}, {around}, true},
      {"inside, holes sharing a side", {area, Square(10, 10, 20, 20), Square(20, 10, 30, 20)},
       {around}, true},
      {"across, holes ringing an island", {area, left, right}, {across}, false},
      {"across, overlapping holes", {area, Square(10, 10, 20, 20), Square(15, 15, 25, 25)},
       {across}, false},
      {"across, a hole over one of the object's", {area, Square(10, 10, 20, 20)},
       {across, Square(15, 15, 25, 25)}, false},
  };
  for (const bool far : {false, true}) {
    for (const auto& c : cases) {
      Shape first = c.area, second = c.object;
      if (far)
        for (Shape* s : {&first, &second})
          for (Contour& r : *s)
            for (Pt& p : r) p.x += 6234567.0, p.y += 34567890.0;
      GEOSGeometry* ga = geos.Polygon({first[0]});
      for (size_t k = 1; k < first.size(); ++k) {
        GEOSGeometry* hole = geos.Polygon({first[k]});
        GEOSGeometry* rest = GEOSDifference_r(h, ga, hole);
        GEOSGeom_destroy_r(h, ga);
        GEOSGeom_destroy_r(h, hole);
        ga = rest;
      }
      GEOSGeometry* go = geos.Polygon(second);
      const Measured expect = geos.Combine(ga, go, false, 0.001);
      GEOSGeom_destroy_r(h, ga);
      GEOSGeom_destroy_r(h, go);
      for (int holeUnion = c.inside ? 0 : 1; holeUnion <= 1; ++holeUnion) {
        Metric a, o;
        ASSERT_TRUE(Fill(a, METRIC_F64, first));
        ASSERT_TRUE(Fill(o, METRIC_F64, second));
        TObjectCut cut;
        const Outcome got = Pieces(cut, cut.LoadObjects(&a, &o, 1, 0.0, holeUnion) != 0);
        const std::string name = std::string(c.name) + (holeUnion ? ", hole union" : "") +
                                 (far ? ", far from the origin" : "");
        EXPECT_EQ(0, got.state) << name;
        EXPECT_NEAR(expect.area, got.m.area, 1e-6) << name;
        EXPECT_EQ(expect.parts, got.m.parts) << name;
        EXPECT_EQ(expect.holes, got.m.holes) << name;
      }
    }
  }
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

TEST(ObjectCut, PiecesOfNearlyTouchingPolygonsAgreeWithGeos) {
  // Crossings a few precisions apart, vertices a hair beyond the precision
  // from the other contour: every piece comes out closed, all of them;
  // with vertices nearer than 1.5 times the precision (where snapping may
  // close a neck) the area; and crossings that fold back along a side.
  const auto pieces = [](const NearPair& pair, const Measured&) {
    return NearPieces<TObjectCut>(
        pair, [](TObjectCut& w, Metric& a, Metric& b) { return w.LoadObjects(&a, &b, 1, 0.0, 0); });
  };
  AgreeOnNearPairs(8, 250, 4, 300, NEAR_INTERSECTION, pieces);
  AgreeOnNearPairs(11, 100, 12, 100, NEAR_INTERSECTION, pieces, {1.05, 1.5, false});
  AgreeOnPairs(NotchedCorners(), "notched corner", NEAR_INTERSECTION, pieces, true);
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

namespace {

// The length of every part of every piece a line cut hands out, in order.
std::vector<double> Lengths(TObjectCut& cut, bool loaded) {
  std::vector<double> out;
  if (!loaded) return out;
  for (const auto& piece : Pieces(cut))
    for (const Contour& part : piece) out.push_back(Perimeter(part));
  return out;
}

// A cut's pieces as the tally counts them: those no longer than ten times
// the precision are not counted (a slanting line's crossing may move along
// it by several times the precision).
Outcome Counted(const std::vector<double>& lengths, bool loaded, int state) {
  Outcome o;
  o.given = loaded;
  o.state = state;
  for (double l : lengths) {
    o.m.area += l;
    if (l > 0.01) ++o.m.parts;
  }
  return o;
}

// Those longer than that, in order.
std::vector<double> Sure(const std::vector<double>& lengths) {
  std::vector<double> out;
  std::copy_if(lengths.begin(), lengths.end(), std::back_inserter(out),
               [](double l) { return l > 0.01; });
  return out;
}

// The line pieces of each pair (and of a line of two parts) against
// GEOS, in order along the line: no pair answered wrongly, none refused.
void LinePiecesAgreeWithGeos(const std::vector<GridPair>& pairs) {
  GridOracle geos;
  GEOSContextHandle_t h = geos.handle();
  Tally lines{"line cut"}, parts{"line of two parts cut"};
  int misordered = 0;
  std::mt19937_64 rng(107);
  // One worker loaded again for every pair.
  TObjectCut cut;
  int n = 0;
  for (const GridPair& pair : pairs) {
    ++n;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& q : pair.b[0]) {
      x0 = std::min(x0, q.x), y0 = std::min(y0, q.y);
      x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    }
    const Contour second = GridLine(rng, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 0.5);
    if (Spiky(pair.line) || Spiky(second)) continue;
    // The pieces of the line inside b's outer contour or along it, in
    // order along the line; a line that does not meet the contour is not
    // cut.
    Metric area, line, both;
    ASSERT_TRUE(Fill(area, METRIC_F64, {pair.b[0]}));
    ASSERT_TRUE(Fill(line, METRIC_F64, {pair.line}));
    ASSERT_TRUE(Fill(both, METRIC_F64, {pair.line, second}));
    GEOSGeometry* gb = geos.Polygon({pair.b[0]});
    GEOSGeometry* ring = geos.Line(pair.b[0]);
    GEOSGeometry* gl = geos.Line(pair.line);
    const bool meets = GEOSIntersects_r(h, gl, ring) == 1;
    const std::vector<Stretch> inside = StretchesAlong(geos, pair.line, gb, true);
    cut.InitObjectCut();
    const bool loaded = cut.LoadObjects(&area, &line, 0, 0.001, 0) != 0;
    const std::vector<double> got = Lengths(cut, loaded);
    const Measured expect = MeasureStretches(inside, 0.001);
    lines.Check(pair, n, Counted(got, loaded, cut.State), expect, 0.001 * Perimeter(pair.line),
                !meets);
    std::vector<double> runs;
    for (const auto& [lo, hi] : inside) runs.push_back(hi - lo);
    const std::vector<double> sure = Sure(got), expected = Sure(runs);
    if (loaded && sure.size() == expected.size())
      for (size_t i = 0; i < sure.size(); ++i)
        if (std::fabs(sure[i] - expected[i]) > 0.01) {
          if (++misordered <= 5)
            ADD_FAILURE() << "line cut pair " << n << ": piece " << i << " out of order";
          break;
        }
    // A line of two parts: the pieces of both, whether its first part
    // meets the contour or not.
    Measured two = expect;
    const Measured more = MeasureStretches(StretchesAlong(geos, second, gb, true), 0.001);
    two.area += more.area, two.parts += more.parts, two.sure += more.sure;
    cut.InitObjectCut();
    const bool cut2 = cut.LoadObjects(&area, &both, 0, 0.001, 0) != 0;
    parts.Check(pair, n, Counted(Lengths(cut, cut2), cut2, cut.State), two,
                0.001 * (Perimeter(pair.line) + Perimeter(second)), false);
    for (GEOSGeometry* g : {gb, ring, gl}) GEOSGeom_destroy_r(h, g);
  }
  for (const Tally* t : {&lines, &parts}) {
    std::printf("%s: %d pairs, %d wrong, %d refused\n", t->name, n, t->wrong, t->refused);
    EXPECT_EQ(0, t->wrong) << t->name;
    EXPECT_EQ(0, t->refused) << t->name;
  }
  EXPECT_EQ(0, misordered);
}

}  // namespace

TEST(ObjectCut, LinePiecesAgreeWithGeosOnPairsSnappedToAGrid) {
  LinePiecesAgreeWithGeos(RandomGridPairs(105, 3000));
}

TEST(ObjectCut, LinePiecesAgreeWithGeosOnPairsFarFromTheOrigin) {
  LinePiecesAgreeWithGeos(FarGridPairs(110, 1200));
}

TEST(ObjectCut, LinePiecesAgreeWithGeosInGeneralPosition) {
  GridOracle geos;
  GEOSContextHandle_t h = geos.handle();
  // The second star, opened, as a line across the first: pieces traced
  // from the crossings, in order along the line.
  int n = 0, pieces = 0;
  for (const auto& [a, b] : RandomStarPairs(geos, 50, 100)) {
    ++n;
    const Contour open(b.begin(), b.end() - 1);
    Metric area, line;
    ASSERT_TRUE(Fill(area, METRIC_F64, {a}));
    ASSERT_TRUE(Fill(line, METRIC_F64, {open}));
    GEOSGeometry* ga = geos.Polygon({a});
    std::vector<double> expect;
    for (const auto& [lo, hi] : StretchesAlong(geos, open, ga, true)) expect.push_back(hi - lo);
    GEOSGeom_destroy_r(h, ga);
    TObjectCut cut;
    const bool loaded = cut.LoadObjects(&area, &line, 0, 0.001, 0) != 0;
    const std::vector<double> got = Lengths(cut, loaded);
    pieces += static_cast<int>(got.size());
    // A line that does not cross the contour is not cut.
    if (!loaded && expect.size() <= 1) continue;
    ASSERT_EQ(expect.size(), got.size()) << "pair " << n;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(expect[i], got[i], 1e-6) << "pair " << n;
  }
  EXPECT_GT(pieces, 200);
}
