// Consent of two objects: the parts of the first outside the second, with
// the first's holes cut into them or kept inside them; areas whose sides
// meet, and pairs snapped to a grid against GEOS.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "geometry/objectconsent.h"
#include "support/contours.h"
#include "support/grid_pairs.h"
#include "support/near_pairs.h"

namespace {

// The pieces a consent hands out: their number, their area (outer
// contours less holes), and whether each turns the way `turn` does.
struct Handed {
  int pieces = 0;
  double area = 0;
  bool turning = true;
};

Handed HandOut(TObjectConsent& consent, double turn = 0) {
  Handed h;
  for (int guard = 0; guard < 100; ++guard) {
    TDataEdit* p = consent.GetNextObject();
    if (p == nullptr) break;
    ++h.pieces;
    h.area += p->Square();
    h.turning = h.turning && (turn > 0) == (p->SignedSquareSubject(0) > 0);
  }
  return h;
}

}  // namespace

TEST(ObjectConsent, PartsOutsideTheOtherWithTheirHoles) {
  struct Case {
    const char* name;
    std::vector<Contour> first, second;
    int pieces;
    double area;  // outer areas less hole areas
  } cases[] = {
      {"overlapping squares", {Square(0, 0, 10, 10)}, {Square(5, 0, 15, 10)}, 1, 50},
      {"cut through", {Square(0, 0, 10, 10)}, {Square(4, -5, 6, 15)}, 2, 80},
      {"hole inside the piece",
       {Square(0, 0, 10, 10), Square(1, 1, 2, 2)},
       {Square(5, -5, 15, 15)},
       1,
       49},
      {"hole crossed by the other",
       {Square(0, 0, 10, 10), Square(3, 3, 7, 7)},
       {Square(5, -5, 15, 15)},
       1,
       42},
      {"apart", {Square(0, 0, 10, 10)}, {Square(20, 20, 30, 30)}, 0, 0},
  };
  for (const Case& c : cases) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, c.first));
    ASSERT_TRUE(Fill(b, METRIC_F64, c.second));
    TObjectConsent consent;
    consent.LoadObjects(&a, &b, 1, 0, 0.001);
    const Handed h = HandOut(consent);
    EXPECT_EQ(c.pieces, h.pieces) << c.name;
    EXPECT_NEAR(c.area, h.area, 1e-6) << c.name;
  }
}

TEST(ObjectConsent, StretchesOfALineOutsideAnAreaPartByPart) {
  Metric square;
  ASSERT_TRUE(Fill(square, METRIC_F64, {Square(0, 0, 10, 10)}));
  const Contour across = {{-5, 5}, {15, 5}};
  struct Case {
    const char* name;
    std::vector<Contour> line;
    int loaded;
    std::vector<double> lengths;  // in the order handed out
  } cases[] = {
      {"across", {across}, 1, {5, 5}},
      {"ending inside", {{{-5, 5}, {5, 5}}}, 1, {5}},
      {"inside", {{{2, 5}, {8, 5}}}, 0, {}},
      {"outside, one part", {{{-5, 20}, {15, 20}}}, 0, {}},
      {"touching a corner from outside", {{{-5, -5}, {0, 0}, {5, -5}}}, 0, {}},
      {"parts: across, outside, inside, in and out, touching",
       {across, {{-5, 20}, {15, 20}}, {{2, 2}, {8, 2}}, {{5, 8}, {5, 15}},
        {{-5, -5}, {0, 0}, {5, -5}}},
       1,
       {5, 5, 20, 5, 2 * std::sqrt(50.0)}},
      {"parts: inside first", {{{2, 2}, {8, 2}}, across}, 1, {5, 5}},
      {"closed, starting on the border from outside",
       {{{5, 10}, {7, 12}, {7, 8}, {8, 8}, {8, 12}, {3, 12}, {5, 10}}},
       1,
       {9 + 4 * std::sqrt(2.0)}},
  };
  for (const Case& c : cases) {
    Metric line;
    ASSERT_TRUE(Fill(line, METRIC_F64, c.line));
    TObjectConsent consent;
    EXPECT_EQ(c.loaded, consent.LoadObjects(&line, &square, 0, 0, 0.001)) << c.name;
    std::vector<double> lengths;
    for (int guard = 0; guard < 20; ++guard) {
      TDataEdit* p = consent.GetNextObject();
      if (p == nullptr) break;
      EXPECT_EQ(0, p->Record->Count) << c.name;
      lengths.push_back(p->Perimeter());
    }
    ASSERT_EQ(c.lengths.size(), lengths.size()) << c.name;
    for (size_t i = 0; i < lengths.size(); ++i) EXPECT_NEAR(c.lengths[i], lengths[i], 1e-6) << c.name;
    EXPECT_EQ(nullptr, consent.GetNextObject()) << c.name;
  }
  // The stretch before the area runs in the line's own direction.
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {across}));
  TObjectConsent consent;
  ASSERT_EQ(1, consent.LoadObjects(&line, &square, 0, 0, 0.001));
  const Contour first = Points(*consent.GetNextObject(), 0);
  ASSERT_EQ(2u, first.size());
  EXPECT_EQ(-5, first.front().x);
  EXPECT_EQ(0, first.back().x);
}

TEST(ObjectConsent, ASecondWithoutAreaTakesNothingAndOneNotANumberIsRefused) {
  // The first, a square with a hole, less a contour of no area (inside it,
  // across its border, of one or two points) is the first whole (its outer
  // contour alone, cut as one subject); less a
  // contour with a coordinate that is no number, and a line of two parts
  // with one, a refusal with the code of a metric that cannot be read.
  const double nan = std::nan(""), inf = HUGE_VAL;
  const std::vector<Contour> square = {Square(0, 0, 10, 10), Square(6, 6, 8, 8)};
  const Contour none[] = {{{2, 2}, {3, 3}, {4, 4}, {2, 2}},
                          {{5, 5}, {12, 12}, {15, 15}, {5, 5}},
                          {{2, 2}, {2, 2}},
                          {{2, 2}, {4, 1}}};
  for (const Contour& c : none) {
    Metric first, second;
    ASSERT_TRUE(Fill(first, METRIC_F64, square));
    ASSERT_TRUE(Fill(second, METRIC_F64, {c}));
    for (const bool subject : {false, true}) {
      TObjectConsent consent;
      TObjectCutSubject cut;
      const int loaded = subject ? cut.LoadObjects(&first, &second, 1, 0, 0.001)
                                 : consent.LoadObjects(&first, &second, 1, 0, 0.001);
      ASSERT_EQ(1, loaded) << c.size() << " points, state "
                           << (subject ? cut.State : consent.State);
      double area = 0;
      int pieces = 0;
      while (TDataEdit* p = subject ? cut.GetNextObject() : consent.GetNextObject()) {
        area += p->Square();
        ++pieces;
      }
      EXPECT_EQ(1, pieces) << c.size() << " points";
      EXPECT_NEAR(subject ? 100 : 96, area, 1e-9) << c.size() << " points";
    }
  }
  for (const double bad : {nan, inf}) {
    Metric area, broken, line;
    ASSERT_TRUE(Fill(area, METRIC_F64, {Square(0, 0, 10, 10)}));
    ASSERT_TRUE(Fill(broken, METRIC_F64, {{{2, 2}, {2, bad}, {8, 8}, {2, 2}}}));
    ASSERT_TRUE(Fill(line, METRIC_F64, {{{-5, 5}, {5, bad}, {15, 5}}, {{-5, 6}, {15, 6}}}));
    TObjectConsent consent;
    EXPECT_EQ(0, consent.LoadObjects(&area, &broken, 1, 0, 0.001));
    EXPECT_EQ(GEOMETRY_ERR_METRIC, consent.State);
    EXPECT_EQ(0, consent.LoadObjects(&line, &area, 0, 0, 0.001));
    EXPECT_EQ(GEOMETRY_ERR_METRIC, consent.State);
    EXPECT_EQ(nullptr, consent.GetNextObject());
  }
}

TEST(ObjectConsent, AreasWhoseSidesMeetLeaveThePartsOutsideTheOther) {
  const Contour sq = Square(0, 0, 10, 10);
  Contour turned = sq;
  std::reverse(turned.begin(), turned.end());
  const double X = 6000000, Y = 7400000;  // plane coordinates of a map sheet
  struct Case {
    const char* name;
    std::vector<Contour> first, second;
    int pieces;
    double area;
  } cases[] = {
      {"part of a side shared, the shifted one first", {Square(5, 0, 15, 10)}, {sq}, 1, 50},
      {"on a sheet",
       {Square(X + 50, Y, X + 150, Y + 100)},
       {Square(X, Y, X + 100, Y + 100)},
       1,
       5000},
      {"sides along each other in part", {sq}, {Square(5, 2, 15, 10)}, 1, 60},
      {"a whole side shared", {sq}, {Square(10, 0, 20, 10)}, 1, 100},
      {"a corner shared", {sq}, {Square(10, 10, 20, 20)}, 1, 100},
      {"identical", {sq}, {sq}, 0, 0},
      {"identical, turned the other way", {sq}, {turned}, 0, 0},
      {"inside, touching a side", {Square(0, 2, 5, 8)}, {sq}, 0, 0},
      {"around one touching its side", {sq}, {Square(0, 2, 5, 8)}, 1, 70},
      {"a hole along the other's side", {sq, Square(2, 2, 5, 5)}, {Square(5, 0, 15, 10)}, 1, 41},
      {"a hole inside, the other along a side",
       {sq, Square(1, 1, 2, 2)},
       {Square(5, 0, 15, 10)},
       1,
       49},
      {"cut in two along sides", {sq}, {Square(4, 0, 6, 10)}, 2, 80},
  };
  for (const Case& c : cases) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, c.first));
    ASSERT_TRUE(Fill(b, METRIC_F64, c.second));
    TObjectConsent consent;
    EXPECT_EQ(1, consent.LoadObjects(&a, &b, 1, 0, 0.001)) << c.name;
    // Each piece turns the way the first's outer contour turns.
    const Handed h = HandOut(consent, a.SignedSquareSubject(0));
    EXPECT_EQ(c.pieces, h.pieces) << c.name;
    EXPECT_NEAR(c.area, h.area, 1e-6) << c.name;
    EXPECT_TRUE(h.turning) << c.name;
    EXPECT_EQ(0, consent.State) << c.name;
  }
}

namespace {

// The worker on each pair against GEOS: areas both ways round and the
// line against the second; no pair answered wrongly, none refused.
void AgreesWithGeos(const std::vector<GridPair>& pairs) {
  GridOracle geos;
  GEOSContextHandle_t h = geos.handle();
  Tally areas{"consent of areas"}, lines{"consent of a line"};
  // One worker loaded again for every pair.
  TObjectConsent consent;
  int n = 0;
  for (const GridPair& pair : pairs) {
    ++n;
    // The first's parts outside the second's outer contour, both ways
    // round. Outer contours that meet nowhere give no piece (the first
    // inside the second) or no worker (the second inside the first, or
    // the two apart).
    for (int order = 0; order < 2; ++order) {
      const Shape& first = order ? pair.b : pair.a;
      const Shape& second = order ? pair.a : pair.b;
      Metric a, b;
      ASSERT_TRUE(Fill(a, METRIC_F64, first));
      ASSERT_TRUE(Fill(b, METRIC_F64, second));
      GEOSGeometry* ga = geos.Parity(first);
      GEOSGeometry* gb = geos.Polygon({second[0]});
      GEOSGeometry* rest = GEOSDifference_r(h, ga, gb);
      GEOSGeometry* ra = geos.Line(first[0]);
      GEOSGeometry* rb = geos.Line(second[0]);
      const bool meet = GEOSIntersects_r(h, ra, rb) == 1;
      consent.InitPointCross();
      const Outcome o = Pieces(consent, consent.LoadObjects(&a, &b, 1, 0, 0.001) != 0);
      areas.Check(pair, n, o, geos.Measure(rest, 0.001),
                  0.001 * (Perimeters(first) + Perimeters(second)), !meet);
      for (GEOSGeometry* g : {ga, gb, rest, ra, rb}) GEOSGeom_destroy_r(h, g);
    }
    // The line's stretches outside b's outer contour; a line that does not
    // enter it is not cut.
    if (Spiky(pair.line)) continue;
    Metric line, b;
    ASSERT_TRUE(Fill(line, METRIC_F64, {pair.line}));
    ASSERT_TRUE(Fill(b, METRIC_F64, pair.b));
    GEOSGeometry* gl = geos.Line(pair.line);
    GEOSGeometry* gb = geos.Polygon({pair.b[0]});
    const bool enters = GEOSRelatePattern_r(h, gl, gb, "T********") == 1;
    consent.InitPointCross();
    const Outcome o = Pieces(consent, consent.LoadObjects(&line, &b, 0, 0, 0.001) != 0, true);
    lines.Check(pair, n, o, MeasureStretches(StretchesAlong(geos, pair.line, gb, false), 0.001),
                0.001 * Perimeter(pair.line), !enters);
    for (GEOSGeometry* g : {gl, gb}) GEOSGeom_destroy_r(h, g);
  }
  for (const Tally* t : {&areas, &lines}) {
    std::printf("%s: %d pairs, %d wrong, %d refused\n", t->name, n, t->wrong, t->refused);
    EXPECT_EQ(0, t->wrong) << t->name;
    EXPECT_EQ(0, t->refused) << t->name;
  }
}

}  // namespace

TEST(ObjectConsent, AgreesWithGeosOnPairsSnappedToAGrid) { AgreesWithGeos(RandomGridPairs(103, 3000)); }

TEST(ObjectConsent, AgreesWithGeosOnPairsFarFromTheOrigin) { AgreesWithGeos(FarGridPairs(108, 1200)); }

TEST(ObjectConsent, AgreesWithGeosOnPairsInGeneralPosition) {
  GeosOracle geos;
  GEOSContextHandle_t h = geos.handle();
  // Stars crossing (traced from their crossings) and stars with holes
  // (through the overlay): the first less the second's outer contour.
  std::vector<std::pair<Shape, Shape>> pairs;
  for (const auto& [a, b] : RandomStarPairs(geos, 48, 40)) pairs.push_back({{a}, {b}});
  for (const auto& [a, b] : RandomHoledPairs(geos, 49, 30)) pairs.push_back({a, b});
  int n = 0;
  for (const auto& [first, second] : pairs) {
    ++n;
    Metric a, b;
    ASSERT_TRUE(Fill(a, METRIC_F64, first));
    ASSERT_TRUE(Fill(b, METRIC_F64, second));
    TObjectConsent consent;
    const double area = consent.LoadObjects(&a, &b, 1, 0, 0.001) ? HandOut(consent).area : 0.0;
    GEOSGeometry* ga = geos.Polygon(first);
    GEOSGeometry* gb = geos.Polygon({second[0]});
    GEOSGeometry* rest = GEOSDifference_r(h, ga, gb);
    EXPECT_NEAR(geos.Area(rest), area, 0.001 * (Perimeters(first) + Perimeters(second)))
        << "pair " << n;
    for (GEOSGeometry* g : {ga, gb, rest}) GEOSGeom_destroy_r(h, g);
  }
}

TEST(ObjectConsent, AgreesWithGeosOnNearlyTouchingPairs) {
  // Crossings a few precisions apart, vertices a hair beyond the precision
  // from the other contour: the first's parts outside the second, every
  // one of them; with vertices nearer than 1.5 times the precision (where
  // snapping may close a neck) their area; and crossings that fold back
  // along a side.
  const auto pieces = [](const NearPair& pair, const Measured&) {
    return NearPieces<TObjectConsent>(pair, [](TObjectConsent& w, Metric& a, Metric& b) {
      return w.LoadObjects(&a, &b, 1, 0, 0.001);
    });
  };
  AgreeOnNearPairs(104, 150, 109, 150, NEAR_DIFFERENCE, pieces);
  AgreeOnNearPairs(31, 100, 32, 100, NEAR_DIFFERENCE, pieces, {1.05, 1.5, false});
  AgreeOnPairs(NotchedCorners(), "notched corner", NEAR_DIFFERENCE, pieces, true);
  // Running beside the other's side a little more than the precision away
  // before crossing it: the parts outside, not nothing.
  GridOracle geos;
  for (const double away : {1.0, 1.1, 1.2}) {
    AgreeOnPairs(BesideSidePairs(geos, 105, 60, away), "beside a side", NEAR_DIFFERENCE, pieces,
                 true);
    AgreeOnPairs(BesideSidePairs(geos, 106, 30, away, true), "beside a side far away",
                 NEAR_DIFFERENCE, pieces, true);
  }
}
