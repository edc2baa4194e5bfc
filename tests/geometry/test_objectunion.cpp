// Union of two areas (crossing, nested, with holes, snapped across a gap)
// and of two lines, and the union's area of random polygons against GEOS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "geometry/objectunion.h"
#include "support/contours.h"
#include "support/geos_oracle.h"
#include "support/grid_pairs.h"
#include "support/near_pairs.h"

namespace {

struct United {
  Metric a, b;
  TObjectUnion u;
  int loaded = 0;
  TDataEdit* r = nullptr;
  United(const std::vector<Contour>& ca, const std::vector<Contour>& cb, double snap = 0.0,
         int mode = 1) {
    EXPECT_TRUE(Fill(a, METRIC_F64, ca));
    EXPECT_TRUE(Fill(b, METRIC_F64, cb));
    loaded = u.LoadObjects(&a, &b, mode, snap, 0.0);
    if (loaded) r = u.GetObjectA();
  }
};

}  // namespace

TEST(ObjectUnion, OverlappingOrNestedSquaresBecomeOneArea) {
  United two({Square(0, 0, 10, 10)}, {Square(5, 5, 15, 15)});
  ASSERT_NE(nullptr, two.r);
  EXPECT_EQ(0, two.r->Record->Count);
  EXPECT_NEAR(175.0, two.r->Square(), 1e-9);
  // One inside the other, neither with holes: the outer one.
  United nested({Square(2, 2, 4, 4)}, {Square(0, 0, 10, 10)});
  ASSERT_NE(nullptr, nested.r);
  EXPECT_NEAR(100.0, nested.r->Square(), 1e-9);
  // A hole of the outer one partly covered by the inner one shrinks; one
  // covered whole goes.
  United holes({Square(0, 0, 20, 20), Square(2, 2, 6, 6), Square(10, 10, 12, 12)},
               {Square(4, 4, 14, 14)});
  ASSERT_NE(nullptr, holes.r);
  EXPECT_NEAR(400.0 - 12.0, holes.r->Square(), 1e-9);
  EXPECT_EQ(1, holes.r->Record->Count);
}

TEST(ObjectUnion, AreasTouchingFromInsideGiveTheOuterOne) {
  // The same contour twice, a square along the inside of another, and a
  // diamond touching a square's side from inside at one vertex.
  const Contour sq = Square(0, 0, 10, 10);
  const Contour inner = Square(0, 2, 4, 6);
  const Contour diamond = {{0, 5}, {2, 7}, {4, 5}, {2, 3}, {0, 5}};
  for (const Contour& c : {sq, inner, diamond}) {
    for (int order = 0; order < 2; ++order) {
      United u({order ? c : sq}, {order ? sq : c});
      ASSERT_NE(nullptr, u.r) << order;
      EXPECT_NEAR(100.0, u.r->Square(), 1e-9);
    }
  }
}

TEST(ObjectUnion, OverlappingHolesKeepTheirCommonPart) {
  United u({Square(0, 0, 10, 10), Square(2, 2, 6, 6)}, {Square(1, 1, 11, 11), Square(4, 4, 8, 8)});
  ASSERT_NE(nullptr, u.r);
  ASSERT_EQ(1, u.r->Record->Count);
  EXPECT_NEAR(4.0, u.r->SquareSubject(1), 1e-9);
  EXPECT_NEAR(100.0 + 100.0 - 81.0 - 4.0, u.r->Square(), 1e-9);
}

TEST(ObjectUnion, SharedSidesCornersAndHolesGiveTheSameUnionEitherWayRound) {
  // A comb and a bar over its teeth close a hole bounded by their
  // collinear sides; squares share part of a side or one corner (one part,
  // its contour through the corner); a square lies in another's hole. Each union is
  // the same both ways round: its area, parts and holes, the rings counted
  // by parity.
  const Contour comb = {{0, 0}, {0, 8}, {3, 8}, {3, 2}, {5, 2}, {5, 8}, {8, 8}, {8, 0}, {0, 0}};
  const struct {
    const char* name;
    Shape first, second;
    double area;
    int parts, rings;
  } cases[] = {
      {"comb and bar", {comb}, {Square(0, 5, 8, 8)}, 58, 1, 2},
      {"part of a side", {Square(0, 0, 10, 10)}, {Square(10, 5, 20, 15)}, 200, 1, 1},
      {"a corner", {Square(0, 0, 100, 100)}, {{{100, 100}, {250, 150}, {150, 250}, {100, 100}}}, 20000, 1, 1},
      {"in a hole", {Square(0, 0, 20, 20), Square(5, 5, 15, 15)}, {Square(7, 7, 13, 13)}, 336, 2, 3},
      {"filling a hole", {Square(0, 0, 20, 20), Square(5, 5, 15, 15)}, {Square(5, 5, 15, 15)}, 400, 1, 1},
  };
  for (const auto& c : cases) {
    for (int order = 0; order < 2; ++order) {
      United u(order ? c.second : c.first, order ? c.first : c.second);
      ASSERT_NE(nullptr, u.r) << c.name << " state " << u.u.State;
      EXPECT_EQ(0, u.u.State) << c.name;
      EXPECT_EQ(c.rings, u.r->Record->Count + 1) << c.name;
      const Measured m = ParityMeasure(RingsOf(*u.r), 0.0);
      EXPECT_NEAR(c.area, m.area, 1e-9) << c.name;
      EXPECT_EQ(c.parts, m.parts) << c.name;
    }
  }
}

TEST(ObjectUnion, PartsMeetingAtPointsMeasureTheWholeUnion) {
  // The library's own area of the result (the outer contour less the
  // others) is GEOS's area of the union, both ways round: squares sharing
  // a corner; an arrowhead touching a square at two corners round a
  // pocket; a hole touching the outer contour at a vertex, given or left
  // by the union; a diamond in a frame's hole touching its four sides.
  GeosOracle geos;
  const Contour notched = {{10, 0}, {20, 0}, {20, 20}, {10, 20}, {10, 10}, {15, 5}, {10, 4}, {10, 0}};
  const struct {
    const char* name;
    Shape first, second;
    int contours;
  } cases[] = {
      {"a shared corner", {Square(0, 0, 10, 10)}, {Square(10, 10, 20, 20)}, 1},
      {"an arrowhead", {Square(0, 0, 10, 10)}, {{{10, 0}, {20, -5}, {20, 15}, {10, 10}, {15, 5}, {10, 0}}}, 2},
      {"a touching hole",
       {{{0, 0}, {0, 10}, {0, 20}, {20, 20}, {20, 0}, {0, 0}}, {{0, 10}, {8, 6}, {8, 14}, {0, 10}}},
       {Square(15, 5, 30, 15)}, 2},
      {"a pocket at a corner", {Square(0, 0, 10, 10)}, {notched}, 2},
      {"a diamond in a hole", {Square(0, 0, 30, 30), Square(10, 10, 20, 20)},
       {{{15, 10}, {20, 15}, {15, 20}, {10, 15}, {15, 10}}}, 5},
  };
  for (const auto& c : cases) {
    const double area = geos.UnionArea(c.first, c.second);
    for (int order = 0; order < 2; ++order) {
      United u(order ? c.second : c.first, order ? c.first : c.second);
      ASSERT_NE(nullptr, u.r) << c.name << " state " << u.u.State;
      EXPECT_NEAR(area, u.r->Square(), 1e-9) << c.name << " " << order;
      EXPECT_EQ(c.contours, u.r->Record->Count + 1) << c.name << " " << order;
      const Measured m = ParityMeasure(RingsOf(*u.r), 0.0);
      EXPECT_NEAR(area, m.area, 1e-9) << c.name << " " << order;
    }
  }
}

TEST(ObjectUnion, AGapWithinTheSnapDistanceIsClosed) {
  United snapped({Square(0, 0, 100, 100)}, {Square(100.5, 0, 200, 100)}, 1.0);
  ASSERT_EQ(1, snapped.loaded);
  ASSERT_NE(nullptr, snapped.r);
  EXPECT_EQ(0, snapped.r->Record->Count);
  EXPECT_NEAR(20000.0, snapped.r->Square(), 1.0);
  // A snap distance no larger than the precision cannot close it.
  United apart({Square(0, 0, 100, 100)}, {Square(100.5, 0, 200, 100)}, 0.001);
  EXPECT_EQ(0, apart.loaded);
  EXPECT_EQ(GEOMETRY_ERR_APART, apart.u.State);
}

TEST(ObjectUnion, LinesJoinThroughTheMidpointOfTheirNearestEnds) {
  // First point with first point: the second line comes reversed.
  United first({{{0, 0}, {10, 0}}}, {{{-0.2, 0}, {-10, 0}}}, 1.0, 0);
  ASSERT_NE(nullptr, first.r);
  const Contour line = Points(*first.r, 0);
  ASSERT_EQ(3u, line.size());
  EXPECT_EQ(-10.0, line[0].x);
  EXPECT_DOUBLE_EQ(-0.1, line[1].x);
  EXPECT_EQ(10.0, line[2].x);
  // Last with first, a tie with first-last broken in the order of the cases.
  United tie({{{0, 0}, {10, 0}}}, {{{10.5, 0}, {20, 0}, {20, 10}, {-0.5, 0}}}, 1.0, 0);
  EXPECT_EQ(2, tie.u.LineJoin);
  // Ends farther apart than the snap distance: no union.
  United far({{{0, 0}, {10, 0}}}, {{{12, 0}, {20, 0}}}, 1.0, 0);
  EXPECT_EQ(0, far.loaded);
  // Lines of several parts: the parts that meet are joined, the others
  // stay as they are.
  United parts({{{0, 0}, {10, 0}}, {{0, 5}, {10, 5}}}, {{{10.2, 0}, {20, 0}}, {{30, 30}, {40, 40}}},
               1.0, 0);
  ASSERT_NE(nullptr, parts.r);
  ASSERT_EQ(2, parts.r->Record->Count);
  const Contour joined = Points(*parts.r, 0);
  ASSERT_EQ(3u, joined.size());
  EXPECT_EQ(0.0, joined[0].x);
  EXPECT_EQ(20.0, joined[2].x);
  EXPECT_EQ(5.0, Points(*parts.r, 1)[0].y);
  EXPECT_EQ(40.0, Points(*parts.r, 2)[1].y);
  // A line and an area are refused.
  United mixed({{{0, 0}, {10, 0}}}, {Square(0, 0, 5, 5)}, 1.0, 0);
  EXPECT_EQ(0, mixed.loaded);
}

namespace {

// Two combs whose teeth interleave (one from a bar below, one from a bar
// above): their union encloses two holes per period but the last. touch:
// the first tooth from above ends on the bar below rather than crossing it.
std::pair<Contour, Contour> Combs(int periods, bool touch = false) {
  const double w = 4.0 * periods + 2;
  Contour a = {{0, 0}, {0, 1}}, b = {{0, 10}, {w, 10}, {w, 9}};
  for (int i = 0; i < periods; ++i) {
    const double x = 4.0 * i;
    a.insert(a.end(), {{x + 1, 1}, {x + 1, 9.5}, {x + 2, 9.5}, {x + 2, 1}});
  }
  for (int i = periods - 1; i >= 0; --i) {
    const double x = 4.0 * i;
    const double end = touch && i == 0 ? 1.0 : 0.5;
    b.insert(b.end(), {{x + 4, 9}, {x + 4, end}, {x + 3, end}, {x + 3, 9}});
  }
  a.insert(a.end(), {{w, 1}, {w, 0}, {0, 0}});
  b.insert(b.end(), {{0, 9}, {0, 10}});
  return {a, b};
}

}  // namespace

TEST(ObjectUnion, EveryHoleOfManyIsKept) {
  // Far more holes than 200.
  const int periods = 110;
  const auto [a, b] = Combs(periods);
  United u({a}, {b});
  ASSERT_NE(nullptr, u.r);
  EXPECT_EQ(2 * periods - 1, u.r->Record->Count);
  GeosOracle geos;
  EXPECT_NEAR(geos.UnionArea({a}, {b}), u.r->Square(), 1e-6);
}

TEST(ObjectUnion, HolesCoveredOrCutByTheOtherAreaGoAsGeosSays) {
  // 24 x 16 square holes, the other square over the right part, its side
  // through a column of them: the holes it covers go (many at once), those
  // it crosses keep their parts outside it.
  std::vector<Contour> a{Square(0, 0, 240, 160)};
  for (int i = 0; i < 24; ++i)
    for (int j = 0; j < 16; ++j) {
      Contour hole = Square(10 * i + 3, 10 * j + 3, 10 * i + 7, 10 * j + 7);
      std::reverse(hole.begin(), hole.end());
      a.push_back(hole);
    }
  const std::vector<Contour> b{Square(95, -40, 295, 200)};
  United u(a, b);
  ASSERT_NE(nullptr, u.r) << u.u.State;
  GeosOracle geos;
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* ga = geos.Polygon(a);
  GEOSGeometry* gb = geos.Polygon(b);
  GEOSGeometry* g = GEOSUnion_r(h, ga, gb);
  ASSERT_EQ(1, GEOSGetNumGeometries_r(h, g));
  EXPECT_EQ(GEOSGetNumInteriorRings_r(h, g), u.r->Record->Count);
  EXPECT_NEAR(geos.Area(g), u.r->Square(), 1e-6);
  for (GEOSGeometry* x : {ga, gb, g}) GEOSGeom_destroy_r(h, x);
}

TEST(ObjectUnion, AUnionOfMoreContoursThanARecordHoldsIsTooLarge) {
  // 65,537 holes: a record holds at most 65,535 besides its outer contour.
  const auto [a, b] = Combs(32769, true);
  United u({a}, {b});
  EXPECT_EQ(nullptr, u.r);
  EXPECT_EQ(GEOMETRY_ERR_LARGE, u.u.State);
}

TEST(ObjectUnion, UnionsOfRandomPolygonsHaveGeosArea) {
  GeosOracle geos;
  int pairs = 0;
  for (const auto& [a, b] : RandomStarPairs(geos, 122, 40)) {
    ++pairs;
    United u({a}, {b});
    ASSERT_NE(nullptr, u.r) << "pair " << pairs << " state " << u.u.State;
    EXPECT_NEAR(geos.UnionArea({a}, {b}), u.r->Square(), 0.001 * (Perimeter(a) + Perimeter(b)))
        << "pair " << pairs;
  }
}

TEST(ObjectUnion, UnionsOfNearlyTouchingPolygonsAgreeWithGeos) {
  // Crossings a few precisions apart, vertices a hair beyond the precision
  // from the other contour: the union's area, parts and holes, both ways
  // round (a union of one part has that area by its own measure too); with
  // vertices nearer than 1.5 times the precision (where snapping may close
  // a neck) its area; and crossings that fold back along a side.
  const auto united = [](const NearPair& pair, const Measured& e) {
    std::vector<Outcome> out;
    for (int order = 0; order < 2; ++order) {
      United u({order ? pair.b : pair.a}, {order ? pair.a : pair.b});
      Outcome o;
      o.state = u.r != nullptr ? u.u.State : -1;
      if (u.r != nullptr) o.m = ParityMeasure(RingsOf(*u.r), 0.001);
      out.push_back(o);
      if (u.r != nullptr && e.parts == 1) {
        o.m.area = u.r->Square();
        out.push_back(o);
      }
    }
    return out;
  };
  AgreeOnNearPairs(124, 150, 125, 150, NEAR_UNION, united);
  AgreeOnNearPairs(21, 100, 22, 100, NEAR_UNION, united, {1.05, 1.5, false});
  AgreeOnPairs(NotchedCorners(), "notched corner", NEAR_UNION, united, true);
}

TEST(ObjectUnion, BaysClosedToAPointAgreeWithGeos) {
  // Areas whose contour comes back to a point on one of its own sides (a
  // hair off it), closing the mouth of a bay: the union keeps the mouth
  // where it is, the bay a hole touching the outer contour there unless
  // the other area opens it. Area and parts as GEOS gives them, holes as
  // GEOS noded at the precision counts them (exactly, it keeps such a bay
  // open by the hair), no error; both ways round, near the origin and far
  // from it, the union's own area too. The first pair's second area closes
  // a bay at (510, 380), 1.9e-14 from its side.
  const Contour a = {
      {553.76470588235293, 473.64705882352939}, {510, 470}, {540, 560},
      {556.07142857142856, 545.71428571428567}, {551.81818181818176, 562.72727272727275},
      {530, 590}, {540, 590}, {570, 540}, {555.26315789473688, 558.42105263157896},
      {564.40677966101691, 538.30508474576277}, {630, 480}, {592.33576642335765, 476.86131386861314},
      {600, 460}, {580, 450}, {573.67346938775506, 475.30612244897958},
      {558.64864864864865, 474.05405405405406}, {570, 440}, {560, 430},
      {553.76470588235293, 473.64705882352939}};
  const Contour b = {
      {510, 380}, {550, 270}, {523.63636363636363, 287.57575757575756}, {530, 260},
      {517.93103448275861, 291.37931034482756}, {460, 330}, {486.42857142857144, 356.42857142857144},
      {488.4677419354839, 367.98387096774184}, {480, 390}, {490, 390}, {462, 404}, {430, 400},
      {452.64705882352939, 414.41176470588238}, {480, 460}, {491.56716417910445, 439.17910447761193},
      {502.22891566265059, 445.96385542168673}, {510, 490}, {507.61111111111109, 449.38888888888886},
      {540, 470}, {560, 450}, {570, 460}, {580, 470}, {587.77777777777771, 470}, {610, 490},
      {604.66666666666663, 470}, {630, 470}, {670, 550}, {760, 480}, {620, 450},
      {626.47058823529414, 462.94117647058823}, {616.66666666666674, 460}, {620, 460}, {600, 450},
      {599.38775510204084, 450.20408163265307}, {570, 340}, {517.5, 392.5}, {530, 370},
      {503.71428571428572, 383.14285714285717}, {503.28125, 375.78125}, {503.75, 373.75},
      {510, 380}};
  GridOracle geos;
  std::vector<NearPair> pairs = {{a, b}};
  for (const auto& [p, q] : RandomBayPairs(geos, 90, 40)) pairs.push_back({p, q});
  for (size_t k = 0, n = pairs.size(); k < n; k += 4) pairs.push_back(FarAway(pairs[k]));
  int wrong = 0;
  for (size_t k = 0; k < pairs.size(); ++k) {
    const NearPair& pair = pairs[k];
    Measured e = NearCombine(geos, pair.a, pair.b, NEAR_UNION, 0, 0.001);
    e.holes = NearCombine(geos, pair.a, pair.b, NEAR_UNION, 0.001, 0.001).holes;
    const double tol = NearTolerance(pair);
    for (int order = 0; order < 2; ++order) {
      United u({order ? pair.b : pair.a}, {order ? pair.a : pair.b});
      // No error: state 0, or 1 once the area holding the other is handed out.
      Outcome o;
      o.state = u.r != nullptr && u.u.State <= 1 ? 0 : -1;
      if (u.r != nullptr) o.m = ParityMeasure(RingsOf(*u.r), 0.001);
      const bool own = u.r == nullptr || e.parts != 1 || std::fabs(u.r->Square() - e.area) <= tol;
      if ((!NearAgrees(o, e, tol, true) || !own) && ++wrong <= 5)
        ADD_FAILURE() << "pair " << k << " order " << order << ": " << o.m.area << " in "
                      << o.m.parts << " with " << o.m.holes << " holes (state " << u.u.State
                      << "), GEOS " << e.area << " in " << e.parts << " with " << e.holes;
    }
  }
  EXPECT_EQ(0, wrong);
}

TEST(ObjectUnion, UnionsOfRandomPolygonsWithHolesHaveGeosArea) {
  GeosOracle geos;
  int pairs = 0;
  for (const auto& [a, b] : RandomHoledPairs(geos, 123, 30)) {
    ++pairs;
    United u(a, b);
    ASSERT_NE(nullptr, u.r) << "pair " << pairs << " state " << u.u.State;
    double perimeter = 0;
    for (const auto* m : {&a, &b})
      for (const Contour& c : *m) perimeter += Perimeter(c);
    EXPECT_NEAR(geos.UnionArea(a, b), u.r->Square(), 0.001 * perimeter) << "pair " << pairs;
  }
}

TEST(ObjectUnion, DegenerateInputGivesTheUnionOrACode) {
  // Unions and cuts of touching, repeated and zero-area contours: the
  // right area in the right number of parts (the result's rings counted
  // by parity), both ways round and with or without a snap distance; a
  // contour that is no number is refused with a code.
  const double nan = std::nan("");
  const Contour sq = Square(0, 0, 10, 10);
  const struct {
    const char* name;
    Contour first, second;
    double united, cut;
    int parts;
  } cases[] = {
      {"same contour", sq, sq, 100, 100, 1},
      {"shared side", sq, Square(10, 0, 20, 10), 200, 0, 1},
      {"shared corner", sq, Square(10, 10, 20, 20), 200, 0, 1},
      {"repeated points", {{0, 0}, {0, 10}, {0, 10}, {10, 10}, {10, 0}, {10, 0}, {0, 0}},
       Square(5, 5, 15, 15), 175, 25, 1},
      {"collinear overlap", sq, {{5, 0}, {5, 10}, {10, 10}, {15, 10}, {15, 0}, {5, 0}}, 150, 50, 1},
      {"zero area", {{0, 0}, {5, 5}, {10, 10}, {0, 0}}, sq, 100, 0, 1},
  };
  for (const auto& c : cases) {
    for (int order = 0; order < 2; ++order) {
      for (double snap : {0.0, 1.0}) {
        United u({order ? c.second : c.first}, {order ? c.first : c.second}, snap);
        ASSERT_NE(nullptr, u.r) << c.name << " state " << u.u.State;
        const Measured m = ParityMeasure(RingsOf(*u.r), 0.0);
        EXPECT_NEAR(c.united, m.area, 1e-9) << c.name;
        EXPECT_EQ(c.parts, m.parts) << c.name;
      }
      Metric a, b;
      ASSERT_TRUE(Fill(a, METRIC_F64, {order ? c.second : c.first}));
      ASSERT_TRUE(Fill(b, METRIC_F64, {order ? c.first : c.second}));
      TObjectCut cut;
      double area = 0;
      if (cut.LoadObjects(&a, &b, 1, 0.0, 0))
        while (TDataEdit* p = cut.GetNextObject()) area += p->Square();
      EXPECT_EQ(0, cut.State > 1 ? cut.State : 0) << c.name;
      EXPECT_NEAR(c.cut, area, 1e-9) << c.name;
    }
  }
  // Not a number: refused with the code of a metric that cannot be read.
  United bad({{{0, 0}, {nan, 10}, {10, 10}, {0, 0}}}, {sq});
  EXPECT_EQ(nullptr, bad.r);
  EXPECT_EQ(GEOMETRY_ERR_METRIC, bad.u.State);
}

TEST(ObjectUnion, ContoursCrossingThemselvesGiveTheUnionOrACode) {
  // Bow ties (each contour crossing itself once) drawn at random over one
  // another: a union, or a refusal that says why, never nothing.
  std::mt19937_64 rng(1141);
  std::uniform_real_distribution<double> at(0, 10);
  int silent = 0;
  for (int k = 0; k < 100; ++k) {
    const auto bow = [&] {
      const Pt a{at(rng), at(rng)}, b{at(rng), at(rng)}, c{at(rng), at(rng)}, d{at(rng), at(rng)};
      return Contour{a, c, b, d, a};
    };
    United u({bow()}, {bow()});
    if (u.r == nullptr && u.u.State == 0 && ++silent <= 5)
      ADD_FAILURE() << "bow ties " << k << ": nothing, state 0";
  }
  EXPECT_EQ(0, silent);
}
