// Cutting by a line: a square crossed by a line gives one piece on each
// side, a line ending inside or ending on the border, and the caller's line
// left unchanged; lines and contours cut as lines where the cutting line
// meets them, touches them or runs along them, and against GEOS on pairs
// snapped to a grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "geometry/objectcutbyline.h"
#include "support/contours.h"
#include "support/grid_pairs.h"

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

// Lengths of the pieces, in the order handed out, and whether it loaded.
std::vector<double> Lengths(TObjectCutByLine& cut, int loaded) {
  std::vector<double> out;
  for (int guard = 0; loaded && guard < 20; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    EXPECT_EQ(0, p->Record->Count);
    out.push_back(Perimeter(Points(*p, 0)));
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

TEST(ObjectCutByLine, ALineToAndFroCutsACircleIntoAStripBetweenEachTwoPasses) {
  // 4,000 passes across a circle of 8,000 vertices, hundreds of them
  // through each cell the noding files the circle's sides in.
  const int n = 8000, passes = 4000;
  const double r = 1000;
  Contour circle;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * 3.14159265358979 * (i + 0.5) / n;
    circle.push_back({r * std::cos(t), r * std::sin(t)});
  }
  circle.push_back(circle.front());
  Contour line;
  for (int k = 0; k < passes; ++k) {
    const double y = -r + 2 * r * (k + 0.5) / passes, x = k % 2 ? -r - 10 : r + 10;
    line.push_back({-x, y});
    line.push_back({x, y});
  }
  Metric object, cutter;
  ASSERT_TRUE(Fill(object, METRIC_F64, {circle}));
  ASSERT_TRUE(Fill(cutter, METRIC_F64, {line}));
  TObjectCutByLine cut;
  ASSERT_EQ(1, cut.LoadObjects(&cutter, &object, 1, 0.001));
  int pieces = 0;
  double area = 0;
  std::vector<bool> strip(passes + 1, false);
  while (TDataEdit* p = cut.GetNextObject()) {
    ++pieces;
    area += p->Square();
    // Each piece lies between two passes next to each other.
    DFRAME f;
    ASSERT_TRUE(p->DimensionsSubject(&f, 0));
    const int k = static_cast<int>(std::lround(((f.Y1 + f.Y2) / 2 + r) / (2 * r / passes)));
    ASSERT_GE(k, 0);
    ASSERT_LE(k, passes);
    // (The weld may move a line's point onto the border by up to about
    // two precisions.)
    EXPECT_LE(f.Y2 - f.Y1, 2 * r / passes + 0.005);
    EXPECT_FALSE(strip[k]) << "two pieces at strip " << k;
    strip[k] = true;
  }
  EXPECT_EQ(passes + 1, pieces);
  EXPECT_NEAR(object.Square(), area, 0.001 * Perimeter(circle));
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

TEST(ObjectCutByLine, ALineEndingOnTheBorderOrShortOfItCutsThereAndNoFurther) {
  // A bay 0.5 wide reaching in from the left side, and beyond it a strip
  // 0.5 wide: a line up to the bay's lower side, or 1.0 short of it, or
  // starting 1.0 short of the bottom, cuts the area in two below the bay,
  // not the strip as well.
  const Contour bay = {{0, 0},     {0, 100},    {99, 100},  {99, 100.5}, {0, 100.5},
                       {0, 101},   {100, 101},  {100, 0},   {0, 0}};
  const Contour lines[] = {{{50, -10}, {50, 100}}, {{50, -10}, {50, 99}}, {{50, -1}, {50, 100}}};
  for (const Contour& l : lines) {
    Metric area, line;
    ASSERT_TRUE(Fill(area, METRIC_F64, {bay}));
    ASSERT_TRUE(Fill(line, METRIC_F64, {l}));
    TObjectCutByLine cut;
    cut.LoadObjects(&line, &area, 1, 0.001);
    std::vector<double> areas = Areas(cut);
    std::sort(areas.begin(), areas.end());
    EXPECT_EQ((std::vector<double>{5000, 5050.5}), areas) << l[0].y << " " << l[1].y;
    // Its contour cut as a line: the stretches along the two pieces.
    std::vector<double> lengths = Lengths(cut, cut.LoadObjects(&line, &area, 0, 0.001));
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ((std::vector<double>{200, 400}), lengths) << l[0].y << " " << l[1].y;
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

TEST(ObjectCutByLine, LinesAreCutWhereTheCuttingLineMeetsThemAndContoursWhereItRunsThrough) {
  const Contour road = {{0, 0}, {10, 0}};
  const Contour roadWithVertex = {{0, 0}, {5, 0}, {10, 0}};
  const Contour square = Square(0, 0, 10, 10);
  struct Case {
    const char* name;
    Contour object, line;
    std::vector<double> lengths;  // in the order handed out (sorted for contours)
  } cases[] = {
      {"a road crossed", road, {{5, -5}, {5, 5}}, {5, 5}},
      {"a road crossed at its vertex", roadWithVertex, {{5, -5}, {5, 5}}, {5, 5}},
      {"a road touched from one side", road, {{4, 5}, {5, 0}, {6, 5}}, {5, 5}},
      {"a road touched at its vertex", roadWithVertex, {{4, 5}, {5, 0}, {6, 5}}, {5, 5}},
      {"a road run along", road, {{3, -5}, {3, 0}, {7, 0}, {7, 5}}, {3, 4, 3}},
      {"a road run along over its vertex",
       roadWithVertex,
       {{3, 5}, {3, 0}, {7, 0}, {7, 5}},
       {3, 4, 3}},
      {"a road crossed twice", road, {{2, -5}, {2, 5}, {8, 5}, {8, -5}}, {2, 6, 2}},
      {"a road met at its end", road, {{10, -5}, {10, 5}}, {}},
      // Where the line ends on the road, its extension cuts nothing more,
      // also where it runs along the road; where it ends short of the road,
      // the road is cut where the extension reaches it.
      {"a road met at its vertex, the line's way running on along it",
       {{300, 500}, {250, 500}, {300, 600}},
       {{200, 400}, {250, 500}},
       {50, std::hypot(50.0, 100.0)}},
      {"a road run along within a side", road, {{3, 0}, {7, 0}}, {3, 4, 3}},
      {"a road run along from its vertex", roadWithVertex, {{5, 0}, {8, 0}, {8, 5}}, {5, 3, 2}},
      {"a road ending short of it", road, {{5, 5}, {5, 1}}, {5, 5}},
      {"a contour crossed", square, {{-5, 4}, {15, 4}}, {18, 22}},
      {"a contour along a side", square, {{-5, 0}, {15, 0}}, {}},
      {"a contour along a side, then across", square, {{-5, 0}, {5, 0}, {5, 15}}, {20, 20}},
      {"a contour through two corners", square, {{-5, -5}, {15, 15}}, {20, 20}},
      {"a contour touched at a corner", square, {{-5, -5}, {0, 0}, {-5, 5}}, {}},
  };
  for (const Case& c : cases) {
    Metric object, line;
    ASSERT_TRUE(Fill(object, METRIC_F64, {c.object}));
    ASSERT_TRUE(Fill(line, METRIC_F64, {c.line}));
    TObjectCutByLine cut;
    const int loaded = cut.LoadObjects(&line, &object, 0, 0.001);
    EXPECT_EQ(c.lengths.empty() ? 0 : 1, loaded) << c.name;
    std::vector<double> lengths = Lengths(cut, loaded);
    if (c.object.size() > 3) std::sort(lengths.begin(), lengths.end());
    ASSERT_EQ(c.lengths.size(), lengths.size()) << c.name;
    for (size_t i = 0; i < lengths.size(); ++i)
      EXPECT_NEAR(c.lengths[i], lengths[i], 1e-9) << c.name;
    EXPECT_EQ(0, cut.State) << c.name;
  }
  // The road's pieces run its way, the first from its start.
  Metric object, line;
  ASSERT_TRUE(Fill(object, METRIC_F64, {road}));
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{5, -5}, {5, 5}}}));
  TObjectCutByLine cut;
  ASSERT_EQ(1, cut.LoadObjects(&line, &object, 0, 0.001));
  const Contour first = Points(*cut.GetNextObject(), 0);
  ASSERT_EQ(2u, first.size());
  EXPECT_EQ(0, first.front().x);
  EXPECT_EQ(5, first.back().x);
}

namespace {

// The stretches of a contour along the faces a line cuts the area inside
// it into, by GEOS: each face's sides that lie on the contour (within the
// precision), in runs between the sides along the line alone. Their
// length and their number (those longer than the precision, and for
// `sure` than ten times that).
Measured ContourStretches(const GridOracle& geos, const Contour& contour, const Contour& line) {
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* ring = geos.Line(contour);
  GEOSGeometry* l = geos.Line(line);
  GEOSGeometry* noded = GEOSUnionPrec_r(h, ring, l, 0.001);
  const GEOSGeometry* parts[] = {noded};
  GEOSGeometry* all = GEOSPolygonize_r(h, parts, 1);
  GEOSGeometry* area = geos.Polygon({contour});
  const GEOSPreparedGeometry* inside = GEOSPrepare_r(h, area);
  Measured m;
  for (int i = 0; i < GEOSGetNumGeometries_r(h, all); ++i) {
    const GEOSGeometry* f = GEOSGetGeometryN_r(h, all, i);
    GEOSGeometry* point = GEOSPointOnSurface_r(h, f);
    const bool in = GEOSPreparedContains_r(h, inside, point) == 1;
    GEOSGeom_destroy_r(h, point);
    if (!in) continue;
    const GEOSCoordSequence* c = GEOSGeom_getCoordSeq_r(h, GEOSGetExteriorRing_r(h, f));
    unsigned n = 0;
    GEOSCoordSeq_getSize_r(h, c, &n);
    std::vector<Pt> pts(n);
    for (unsigned k = 0; k < n; ++k) GEOSCoordSeq_getXY_r(h, c, k, &pts[k].x, &pts[k].y);
    std::vector<bool> on(n - 1);
    for (unsigned k = 0; k + 1 < n; ++k)
      on[k] = PolylineDistance({(pts[k].x + pts[k + 1].x) / 2, (pts[k].y + pts[k + 1].y) / 2},
                               contour) <= 0.001;
    // The runs from a side along the line alone (from the start when
    // there is none: along the contour all round).
    unsigned first = 0;
    while (first + 1 < n && on[first]) ++first;
    if (first + 1 == n) first = 0;
    double run = 0;
    const auto end = [&]() {
      if (run > 0.001) ++m.parts;
      if (run > 0.01) ++m.sure;
      run = 0;
    };
    for (unsigned t = 1; t < n; ++t) {
      const unsigned k = (first + t) % (n - 1);
      if (!on[k]) {
        end();
        continue;
      }
      const double l = std::hypot(pts[k + 1].x - pts[k].x, pts[k + 1].y - pts[k].y);
      m.area += l;
      run += l;
    }
    end();
  }
  GEOSPreparedGeom_destroy_r(h, inside);
  for (GEOSGeometry* g : {ring, l, noded, all, area}) GEOSGeom_destroy_r(h, g);
  return m;
}

// Where a road is cut by a line, by GEOS, as distances along the road
// (segment by segment, noded on the precision's grid): at the points it
// shares with the line and at both ends of the stretches it runs along it,
// not where such a stretch passes one of its vertices, nor at its own
// ends; and where an end of an open line lies off the road, at the first
// point where the line's extension by 2.0 beyond that end meets the road
// (the line counts as ending there). The road's ends come first and last.
std::vector<double> RoadCuts(const GridOracle& geos, const Contour& road, const Contour& line) {
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* l = geos.Line(line);
  std::vector<Shared> shared;
  const double total = SharedAlong(geos, road, l, 0.001, shared);
  GEOSGeom_destroy_r(h, l);
  std::vector<double> points;
  std::vector<std::pair<double, double>> along;
  for (const Shared& x : shared)
    if (x.hi > x.lo) along.emplace_back(x.lo, x.hi);
    else points.push_back(x.lo);
  // Every pass of the road through a point where an extension first meets
  // it is cut.
  std::vector<Pt> met;
  Reached(geos, line, {road}, 0, &met);
  for (const Pt& first : met) {
    double passed = 0;
    for (size_t k = 0; k + 1 < road.size(); ++k) {
      const Pt &a = road[k], &b = road[k + 1];
      const double l = std::hypot(b.x - a.x, b.y - a.y);
      const double t = ((first.x - a.x) * (b.x - a.x) + (first.y - a.y) * (b.y - a.y)) / l;
      if (SegmentDistance(first, a, b) <= 0.001) points.push_back(passed + std::clamp(t, 0.0, l));
      passed += l;
    }
  }
  // The stretches along the line, joined where they meet; their ends cut,
  // and so do the points shared apart from them.
  std::sort(along.begin(), along.end());
  std::vector<std::pair<double, double>> joined;
  for (const auto& s : along)
    if (!joined.empty() && s.first <= joined.back().second + 0.002)
      joined.back().second = std::max(joined.back().second, s.second);
    else
      joined.push_back(s);
  std::vector<double> cuts;
  for (const auto& [lo, hi] : joined) cuts.push_back(lo), cuts.push_back(hi);
  for (double p : points) {
    bool within = false;
    for (const auto& [lo, hi] : joined) within = within || (lo + 0.002 < p && p < hi - 0.002);
    if (!within) cuts.push_back(p);
  }
  cuts.push_back(0);
  cuts.push_back(total);
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

// The pieces of a road cut by a line, by GEOS: their length, and their
// number (those longer than the precision, and for `sure` than ten times
// that; one when the road is not cut).
Measured RoadPieces(const GridOracle& geos, const Contour& road, const Contour& line) {
  const std::vector<double> cuts = RoadCuts(geos, road, line);
  Measured m;
  m.area = cuts.back();
  for (size_t k = 1; k < cuts.size(); ++k) {
    if (cuts[k] - cuts[k - 1] > 0.001) ++m.parts;
    if (cuts[k] - cuts[k - 1] > 0.01) ++m.sure;
  }
  return m;
}

// Whether the worker cuts the road by the line into pieces of GEOS's
// lengths, in order along the road (a road not cut is one piece); pieces
// no longer than ten times the precision are left out on both sides, and
// the others agree within that.
bool SameRoadPieces(TObjectCutByLine& cut, const GridOracle& geos, const Contour& road,
                    const Contour& line, std::vector<double>* ours, std::vector<double>* expect) {
  Metric cutter, object;
  if (!Fill(cutter, METRIC_F64, {line}) || !Fill(object, METRIC_F64, {road})) return false;
  cut.InitPointCross();
  const int loaded = cut.LoadObjects(&cutter, &object, 0, 0.001);
  ours->clear();
  expect->clear();
  for (int guard = 0; loaded && guard < 100; ++guard) {
    TDataEdit* p = cut.GetNextObject();
    if (p == nullptr) break;
    const double length = Perimeter(Points(*p, 0));
    if (length > 0.01) ours->push_back(length);
  }
  if (!loaded && cut.State == 0) ours->push_back(Perimeter(road));
  const std::vector<double> cuts = RoadCuts(geos, road, line);
  for (size_t k = 1; k < cuts.size(); ++k)
    if (cuts[k] - cuts[k - 1] > 0.01) expect->push_back(cuts[k] - cuts[k - 1]);
  if (ours->size() != expect->size()) return false;
  for (size_t k = 0; k < ours->size(); ++k)
    if (std::fabs((*ours)[k] - (*expect)[k]) > 0.01) return false;
  return true;
}

std::string Listed(const std::vector<double>& v) {
  std::string out;
  char b[32];
  for (double x : v) std::snprintf(b, sizeof b, " %.4f", x), out += b;
  return out;
}

// A road on the grid within the frame, now and then beginning at a vertex
// or along a side of the line, and running along grid lines; none that is
// spiky or ends where it starts.
Contour Road(std::mt19937_64& rng, const Contour& line, double x0, double y0, double x1,
             double y1) {
  for (;;) {
    Contour road;
    if (std::bernoulli_distribution(0.4)(rng)) {
      const size_t k = std::uniform_int_distribution<size_t>(0, line.size() - 2)(rng);
      road.push_back(line[k]);
      if (std::bernoulli_distribution(0.5)(rng)) road.push_back(line[k + 1]);
    }
    const Contour rest = GridLine(rng, x0, y0, x1, y1, 0.5);
    for (const Pt& p : rest)
      if (road.empty() || road.back().x != p.x || road.back().y != p.y) road.push_back(p);
    if (road.size() >= 2 && (road.front().x != road.back().x || road.front().y != road.back().y) &&
        !Spiky(road))
      return road;
  }
}

// A road and a line that ends on it: at a vertex of the road or in the
// middle of a side, its last side coming from anywhere on the grid, in line
// with a side of the road (so that its extension runs along the road), or
// along a side of the road; now and then its first end on the road too, or
// the line running on past its last end the other way. Shifted by (dx, dy).
struct RoadAndLine {
  Contour road, line;
};
std::vector<RoadAndLine> EndsOnRoads(uint64_t seed, int count, double dx, double dy) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int> coin(0, 1), way(0, 3), scale(1, 3), cell(-2, 10);
  std::vector<RoadAndLine> out;
  // A point where the line ends: a vertex of the road, or the middle of a
  // side, with the directions of the road's sides from it.
  struct End {
    Pt at;
    std::vector<Pt> sides;
  };
  const auto endOn = [&](const Contour& road) {
    const size_t k = std::uniform_int_distribution<size_t>(0, road.size() - 1)(rng);
    End e;
    if (coin(rng) || k + 1 == road.size()) {
      e.at = road[k];
      if (k > 0) e.sides.push_back({road[k - 1].x - e.at.x, road[k - 1].y - e.at.y});
      if (k + 1 < road.size()) e.sides.push_back({road[k + 1].x - e.at.x, road[k + 1].y - e.at.y});
    } else {
      e.at = {(road[k].x + road[k + 1].x) / 2, (road[k].y + road[k + 1].y) / 2};
      e.sides.push_back({road[k].x - e.at.x, road[k].y - e.at.y});
      e.sides.push_back({road[k + 1].x - e.at.x, road[k + 1].y - e.at.y});
    }
    return e;
  };
  // The vertex before an end: in line with a side (behind it, so that the
  // extension runs along the side, or on it, so that the line does), or
  // anywhere.
  const auto before = [&](const End& e) {
    const Pt& side = e.sides[std::uniform_int_distribution<size_t>(0, e.sides.size() - 1)(rng)];
    switch (way(rng)) {
      case 0: return Pt{e.at.x - side.x * scale(rng) / 2, e.at.y - side.y * scale(rng) / 2};
      case 1: return Pt{e.at.x + side.x / 2, e.at.y + side.y / 2};
      default: return Pt{double(cell(rng)), double(cell(rng))};
    }
  };
  while (static_cast<int>(out.size()) < count) {
    RoadAndLine r;
    r.road = GridLine(rng, 0, 0, 8, 8, 1.0);
    if (Spiky(r.road) || (r.road.front().x == r.road.back().x && r.road.front().y == r.road.back().y))
      continue;
    const End last = endOn(r.road);
    const Pt p = before(last);
    if (p.x == last.at.x && p.y == last.at.y) continue;
    if (coin(rng)) {
      const End first = endOn(r.road);
      const Pt q = before(first);
      r.line = {first.at, q};
    } else {
      r.line = {Pt{double(cell(rng)), double(cell(rng))}};
    }
    if (r.line.back().x != p.x || r.line.back().y != p.y) r.line.push_back(p);
    r.line.push_back(last.at);
    if (coin(rng)) std::reverse(r.line.begin(), r.line.end());
    Contour clean;
    for (const Pt& q : r.line)
      if (clean.empty() || clean.back().x != q.x || clean.back().y != q.y) clean.push_back(q);
    r.line = clean;
    if (r.line.size() < 2 || Spiky(r.line)) continue;
    for (Contour* c : {&r.road, &r.line})
      for (Pt& q : *c) q.x += dx, q.y += dy;
    out.push_back(r);
  }
  return out;
}

// Whether a side of the line crosses a side of the road at less than 10
// degrees, where the place of the crossing moves along the road by several
// times the precision.
bool Slanting(const Contour& road, const Contour& line) {
  const auto cross = [](const Pt& o, const Pt& a, const Pt& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
  };
  for (size_t i = 0; i + 1 < line.size(); ++i)
    for (size_t k = 0; k + 1 < road.size(); ++k) {
      const Pt &a = line[i], &b = line[i + 1], &c = road[k], &d = road[k + 1];
      if (cross(a, b, c) * cross(a, b, d) >= 0 || cross(c, d, a) * cross(c, d, b) >= 0) continue;
      const double sine = ((b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x)) /
                          (std::hypot(b.x - a.x, b.y - a.y) * std::hypot(d.x - c.x, d.y - c.y));
      if (std::fabs(sine) < std::sin(std::numbers::pi / 18)) return true;
    }
  return false;
}

// A road of 3 to 10 vertices anywhere in a frame of 800 m, and a line
// ending on one of its sides at a point computed there, as an editor's
// snapping leaves it (a few units in the last place off the side, now and
// then nudged by a few more): its last side coming from anywhere or from
// an end of that side (the line running along the road to its end, its
// extension running on along it); now and then its first end computed on
// another side too. Shifted by (dx, dy) before the ends are computed, so
// that they are as far off as the shift makes them.
std::vector<RoadAndLine> SnappedEndsOnRoads(uint64_t seed, int count, double dx, double dy) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> coordinate(0, 800), along(0.05, 0.95);
  std::uniform_int_distribution<int> vertices(3, 10), way(0, 3), nudge(-3, 3), coin(0, 1);
  std::vector<RoadAndLine> out;
  const auto ulps = [&](double v) {
    for (int k = nudge(rng); k != 0; k -= (k > 0) - (k < 0))
      v = std::nextafter(v, k > 0 ? HUGE_VAL : -HUGE_VAL);
    return v;
  };
  // A point computed on side k, and the vertex before it on the line.
  const auto endOn = [&](const Contour& road, Pt* before) {
    const size_t k = std::uniform_int_distribution<size_t>(0, road.size() - 2)(rng);
    const Pt &a = road[k], &b = road[k + 1];
    const double t = along(rng);
    Pt at{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    if (coin(rng)) at = Pt{ulps(at.x), ulps(at.y)};
    *before = way(rng) == 0 ? (coin(rng) ? a : b) : Pt{coordinate(rng) + dx, coordinate(rng) + dy};
    return at;
  };
  while (static_cast<int>(out.size()) < count) {
    RoadAndLine r;
    for (int k = vertices(rng); k > 0; --k) r.road.push_back({coordinate(rng) + dx, coordinate(rng) + dy});
    if (Spiky(r.road)) continue;
    Pt before;
    const Pt last = endOn(r.road, &before);
    if (coin(rng)) {
      Pt next;
      const Pt first = endOn(r.road, &next);
      r.line = {first, next};
    }
    r.line.push_back(before);
    r.line.push_back(last);
    if (coin(rng)) std::reverse(r.line.begin(), r.line.end());
    if (Spiky(r.line) || Slanting(r.road, r.line)) continue;
    out.push_back(r);
  }
  return out;
}

// Roads cut by lines ending on them, against GEOS: every piece of GEOS's
// length, in order along the road.
void EndsOnRoadsAgreeWithGeos(const std::vector<RoadAndLine>& pairs) {
  GridOracle geos;
  TObjectCutByLine cut;
  int wrong = 0, n = 0;
  for (const RoadAndLine& p : pairs) {
    ++n;
    std::vector<double> ours, expect;
    if (SameRoadPieces(cut, geos, p.road, p.line, &ours, &expect)) continue;
    if (++wrong <= 5) {
      std::string road, line;
      char b[64];
      for (const Pt& q : p.road) std::snprintf(b, sizeof b, " (%.1f %.1f)", q.x, q.y), road += b;
      for (const Pt& q : p.line) std::snprintf(b, sizeof b, " (%.1f %.1f)", q.x, q.y), line += b;
      ADD_FAILURE() << "pair " << n << " road" << road << " line" << line << ":" << Listed(ours)
                    << ", GEOS" << Listed(expect);
    }
  }
  std::printf("lines ending on roads: %d pairs, %d wrong\n", n, wrong);
  EXPECT_EQ(0, wrong);
}

// Each pair's contour and a road drawn from a generator of `seed`, cut as
// lines, against GEOS: no pair answered wrongly, none refused.
void LinesAgreeWithGeos(const std::vector<GridPair>& pairs, uint64_t seed) {
  GridOracle geos;
  Tally contours{"contour cut as a line"}, roads{"road cut"};
  std::mt19937_64 rng(seed);
  // One worker loaded again for every pair.
  TObjectCutByLine cut;
  int n = 0, lengths = 0;
  for (const GridPair& pair : pairs) {
    ++n;
    const Contour line = Reached(geos, pair.line, {pair.b[0]}, 0.002);
    Metric cutter, contour, road;
    ASSERT_TRUE(Fill(cutter, METRIC_F64, {pair.line}));
    ASSERT_TRUE(Fill(contour, METRIC_F64, {pair.b[0]}));
    // A contour the line does not cut (nor a loop of it inside) is no
    // piece.
    if (!Spiky(pair.line)) {
      const Measured stretches = ContourStretches(geos, pair.b[0], line);
      cut.InitPointCross();
      const Outcome o = Pieces(cut, cut.LoadObjects(&cutter, &contour, 0, 0.001) != 0, true);
      contours.Check(pair, n, o, stretches, 0.001 * Perimeter(pair.b[0]), stretches.sure <= 1);
    }

    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Pt& q : pair.line)
      x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x),
      y1 = std::max(y1, q.y);
    const Contour r = Road(rng, pair.line, x0 - 1, y0 - 1, x1 + 1, y1 + 1);
    ASSERT_TRUE(Fill(road, METRIC_F64, {r}));
    const Measured pieces = RoadPieces(geos, r, pair.line);
    cut.InitPointCross();
    const Outcome o = Pieces(cut, cut.LoadObjects(&cutter, &road, 0, 0.001) != 0, true);
    roads.Check(pair, n, o, pieces, 0.001 * Perimeter(r), pieces.sure <= 1);
    std::vector<double> ours, expect;
    if (!SameRoadPieces(cut, geos, r, pair.line, &ours, &expect) && ++lengths <= 5)
      ADD_FAILURE() << "road cut " << pair.kind << " pair " << n << ":" << Listed(ours)
                    << ", GEOS" << Listed(expect);
  }
  std::printf("road pieces of other lengths: %d\n", lengths);
  EXPECT_EQ(0, lengths);
  for (const Tally* t : {&contours, &roads}) {
    std::printf("%s: %d pairs, %d wrong, %d refused\n", t->name, n, t->wrong, t->refused);
    EXPECT_EQ(0, t->wrong) << t->name;
    EXPECT_EQ(0, t->refused) << t->name;
  }
}

}  // namespace

TEST(ObjectCutByLine, LinesAndContoursCutAsLinesAgreeWithGeosOnPairsSnappedToAGrid) {
  LinesAgreeWithGeos(RandomGridPairs(104, 3000), 104);
}

TEST(ObjectCutByLine, LinesAndContoursCutAsLinesAgreeWithGeosFarFromTheOrigin) {
  LinesAgreeWithGeos(FarGridPairs(112, 1200), 112);
}

TEST(ObjectCutByLine, LinesEndingOnARoadOrRunningAlongItCutItWhereTheyMeetIt) {
  EndsOnRoadsAgreeWithGeos(EndsOnRoads(9104, 3000, 0, 0));
}

TEST(ObjectCutByLine, LinesEndingOnARoadAtPointsComputedOnItsSidesCutItThere) {
  // The line's end lies on the road's fifth side, 366.006 along the road.
  const Contour road = {{151.92733138299775, 437.0752675534298},
                        {173.53658683699493, 424.90941386402693},
                        {214.21958198422368, 416.03247552677755},
                        {306.1524700483688, 516.18632834421373},
                        {376.77542667334097, 494.07371331166377},
                        {509.67914438327693, 547.85262144517458},
                        {521.25114191610487, 655.17817706568371},
                        {473.97234096620627, 697.92823832347415},
                        {417.30734549833346, 711.09346987569813},
                        {351.73777689381211, 737.9309893197792},
                        {342.28001704624251, 858.1204756727866}};
  Metric object, line;
  ASSERT_TRUE(Fill(object, METRIC_F64, {road}));
  ASSERT_TRUE(Fill(line, METRIC_F64,
                   {{{536.12385023761976, 498.61511554884282},
                     {459.84501480782092, 527.68745885580961}}}));
  TObjectCutByLine cut;
  const std::vector<double> lengths = Lengths(cut, cut.LoadObjects(&line, &object, 0, 0.001));
  ASSERT_EQ(2u, lengths.size());
  EXPECT_NEAR(366.006, lengths[0], 0.001);
  EXPECT_NEAR(Perimeter(road) - 366.006, lengths[1], 0.001);

  EndsOnRoadsAgreeWithGeos(SnappedEndsOnRoads(9107, 1000, 0, 0));
  EndsOnRoadsAgreeWithGeos(SnappedEndsOnRoads(9108, 500, 6234567.0, 34567890.0));
  EndsOnRoadsAgreeWithGeos(SnappedEndsOnRoads(9109, 500, -7654321.0, -1234567.0));
}

TEST(ObjectCutByLine, LinesEndingOnARoadCutItWhereTheyMeetItFarFromTheOrigin) {
  EndsOnRoadsAgreeWithGeos(EndsOnRoads(9105, 1000, 6234567.0, 34567890.0));
  EndsOnRoadsAgreeWithGeos(EndsOnRoads(9106, 1000, -7654321.0, -1234567.0));
}

namespace {

// What a cutting line runs along: a road, an area, or the area's contour
// cut as a line.
enum AlongKind { ALONG_ROAD, ALONG_AREA, ALONG_CONTOUR };

struct AlongPair {
  const char* kind;
  Contour object, line;
};

// `count` objects (roads of 3 to 10 vertices in a frame of 800 m, or
// stars of 7 to 14 vertices with radii of 100 to 400), each with a line
// running along it between points computed on its sides (now and then a
// few units in the last place off them, as a host's snapping leaves
// them): along one side; along two sides through the vertex between them
// (the line's vertex there the object's, or a few units off it); over a
// vertex the object has on a straight side; or along one side and then
// along another. Each end of the stretch goes on at an angle to anywhere,
// in line with the side to the object's vertex behind it, or ends there.
// Shifted by (dx, dy) before the points are computed.
std::vector<AlongPair> AlongSides(uint64_t seed, int count, bool closed, double dx, double dy) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> coordinate(0, 800), unit(0, 1);
  std::uniform_int_distribution<int> vertices(3, 10), nudge(-3, 3), way(0, 3), coin(0, 1);
  const auto ulps = [&](double v) {
    for (int k = nudge(rng); k != 0; k -= (k > 0) - (k < 0))
      v = std::nextafter(v, k > 0 ? HUGE_VAL : -HUGE_VAL);
    return v;
  };
  const auto off = [&](const Pt& p) { return coin(rng) ? Pt{ulps(p.x), ulps(p.y)} : p; };
  const auto on = [&](const Pt& a, const Pt& b, double t) {
    return off(Pt{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
  };
  const auto along = [&]() { return 0.02 + 0.96 * unit(rng); };
  GridOracle geos;
  std::vector<AlongPair> out;
  while (static_cast<int>(out.size()) < count) {
    AlongPair r;
    if (closed) {
      r.object = StarContour(rng, 4 + vertices(rng), 400 + dx, 400 + dy, 100, 400);
      if (!geos.Valid({r.object})) continue;
    } else {
      for (int k = vertices(rng); k > 0; --k)
        r.object.push_back({coordinate(rng) + dx, coordinate(rng) + dy});
      if (Spiky(r.object)) continue;
    }
    const size_t sides = r.object.size() - 1;
    const auto side = [&]() { return std::uniform_int_distribution<size_t>(0, sides - 1)(rng); };
    Contour run;  // the stretch along the object
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
      case 0:
      case 3: {
        r.kind = "along one side";
        for (const size_t k : {side(), side()}) {
          const double t1 = along(), t2 = along();
          if (std::fabs(t1 - t2) < 0.02) break;
          run.push_back(on(r.object[k], r.object[k + 1], t1));
          run.push_back(on(r.object[k], r.object[k + 1], t2));
          if (coin(rng)) break;
          r.kind = "along one side, then another";
        }
        if (run.size() < 2) continue;
        break;
      }
      case 1: {
        r.kind = "through a vertex";
        if (!closed && sides < 2) continue;
        const size_t v = closed ? side() : 1 + side() % (sides - 1);
        const Pt& u = r.object[v == 0 ? sides - 1 : v - 1];
        const Pt& w = r.object[v + 1];
        run = {on(u, r.object[v], along()), off(r.object[v]), on(r.object[v], w, along())};
        break;
      }
      default: {
        r.kind = "over a vertex on a straight side";
        const size_t k = side();
        const Pt a = r.object[k], b = r.object[k + 1];
        const double s = 0.3 + 0.4 * unit(rng);
        r.object.insert(r.object.begin() + static_cast<std::ptrdiff_t>(k) + 1, on(a, b, s));
        run = {on(a, b, s * unit(rng)), on(a, b, s + (1 - s) * unit(rng))};
      }
    }
    // The object's vertex in line with the stretch behind its end p (away
    // from q), or p itself when there is none.
    const auto behind = [&](const Pt& p, const Pt& q) {
      Pt best = p;
      double nearest = 1e300;
      for (const Pt& v : r.object) {
        const double d = std::hypot(v.x - p.x, v.y - p.y);
        if ((q.x - p.x) * (v.x - p.x) + (q.y - p.y) * (v.y - p.y) < 0 &&
            SegmentDistance(v, p, {2 * p.x - q.x, 2 * p.y - q.y}) < 1e-6 && d < nearest)
          nearest = d, best = v;
      }
      return best;
    };
    const auto end = [&](const Pt& p, const Pt& q) -> Contour {
      switch (way(rng)) {
        case 0: return {};
        case 1: return {behind(p, q)};
        default: return {{coordinate(rng) + dx, coordinate(rng) + dy}};
      }
    };
    const Contour head = end(run[0], run[1]);
    const Contour tail = end(run.back(), run[run.size() - 2]);
    r.line = head;
    r.line.insert(r.line.end(), run.begin(), run.end());
    r.line.insert(r.line.end(), tail.begin(), tail.end());
    if (coin(rng)) std::reverse(r.line.begin(), r.line.end());
    bool repeated = false;
    for (size_t k = 1; k < r.line.size(); ++k)
      repeated = repeated || (r.line[k].x == r.line[k - 1].x && r.line[k].y == r.line[k - 1].y);
    if (repeated || Spiky(r.line) || Slanting(r.object, r.line)) continue;
    out.push_back(r);
  }
  return out;
}

struct AlongCase {
  const char* name;
  AlongKind kind;
  double dx, dy;
  uint64_t seed;
};

void PrintTo(const AlongCase& c, std::ostream* os) { *os << c.name; }

class ObjectCutByLineAlongASide : public testing::TestWithParam<AlongCase> {};

// Roads cut into GEOS's pieces in order along them; areas into the faces
// GEOS's noding on the precision's grid makes of them and the line, every
// one however narrow and no other; contours cut as lines into the
// stretches along those faces.
TEST_P(ObjectCutByLineAlongASide, CutsAsGeosDoes) {
  const AlongCase& c = GetParam();
  const std::vector<AlongPair> pairs = AlongSides(c.seed, 200, c.kind != ALONG_ROAD, c.dx, c.dy);
  GridOracle geos;
  TObjectCutByLine cut;
  Tally tally{c.kind == ALONG_AREA ? "area" : "contour"};
  int n = 0, roads = 0, faces = 0;
  for (const AlongPair& p : pairs) {
    ++n;
    if (c.kind == ALONG_ROAD) {
      std::vector<double> ours, expect;
      if (!SameRoadPieces(cut, geos, p.object, p.line, &ours, &expect) && ++roads <= 5)
        ADD_FAILURE() << p.kind << " pair " << n << ":" << Listed(ours) << ", GEOS"
                      << Listed(expect);
      continue;
    }
    Metric cutter, object;
    ASSERT_TRUE(Fill(cutter, METRIC_F64, {p.line}));
    ASSERT_TRUE(Fill(object, METRIC_F64, {p.object}));
    const Contour line = Reached(geos, p.line, {p.object}, 0.002);
    const GridPair pair{p.kind, {}, {}, {}};
    cut.InitPointCross();
    const int mode = c.kind == ALONG_AREA ? 1 : 0;
    const Outcome o = Pieces(cut, cut.LoadObjects(&cutter, &object, mode, 0.001) != 0, mode == 0);
    const double tol = 0.001 * Perimeter(p.object);
    if (mode == 0) {
      const Measured stretches = ContourStretches(geos, p.object, line);
      tally.Check(pair, n, o, stretches, tol, stretches.sure <= 1);
      continue;
    }
    GEOSGeometry* area = geos.Polygon({p.object});
    const Measured expect = geos.Faces(area, line, 0.001);
    GEOSGeom_destroy_r(geos.handle(), area);
    tally.Check(pair, n, o, expect, tol, expect.sure <= 1);
    if ((o.given ? o.m.all != expect.all : expect.all > 1) && ++faces <= 5)
      ADD_FAILURE() << p.kind << " pair " << n << ": " << o.m.all << " pieces, GEOS " << expect.all;
  }
  EXPECT_EQ(0, roads);
  EXPECT_EQ(0, faces);
  EXPECT_EQ(0, tally.wrong);
  EXPECT_EQ(0, tally.refused);
}

INSTANTIATE_TEST_SUITE_P(
    , ObjectCutByLineAlongASide,
    testing::Values(AlongCase{"RoadsAtTheOrigin", ALONG_ROAD, 0, 0, 1001},
                    AlongCase{"AreasAtTheOrigin", ALONG_AREA, 0, 0, 1002},
                    AlongCase{"ContoursAtTheOrigin", ALONG_CONTOUR, 0, 0, 1003},
                    AlongCase{"RoadsFarAway", ALONG_ROAD, 12345678, 38000000, 1004},
                    AlongCase{"AreasFarAway", ALONG_AREA, 12345678, 38000000, 1005},
                    AlongCase{"ContoursFarAway", ALONG_CONTOUR, -12345678, -38000000, 1006}),
    [](const testing::TestParamInfo<AlongCase>& info) { return std::string(info.param.name); });

}  // namespace

TEST(ObjectCutByLine, ALineAlongTheBorderBetweenComputedPointsLeavesNoSliver) {
  // The line comes in across the area, runs along a side between two
  // points computed on it and goes on across the area: two pieces, as
  // GEOS has them, none narrower than the precision.
  const Contour area = {{570.91724774867146, 525.92731206955659},
                        {350.66273638701938, 626.12181335228593},
                        {329.70408867394349, 712.48463020678105},
                        {272.31160350487357, 558.58930027783958},
                        {180.63619723128895, 370.40573280914236},
                        {242.18345909359044, 343.73505298888716},
                        {470.06406414000151, 322.98451195551877},
                        {570.91724774867146, 525.92731206955659}};
  const Contour line = {{459.400805911129, 713.25263331644555},
                        {288.83683465573029, 602.90095349552735},
                        {324.27358138573481, 697.92297272952669},
                        {157.03145658741303, 607.07353291071479}};
  Metric cutter, object;
  ASSERT_TRUE(Fill(cutter, METRIC_F64, {line}));
  ASSERT_TRUE(Fill(object, METRIC_F64, {area}));
  TObjectCutByLine cut;
  ASSERT_EQ(1, cut.LoadObjects(&cutter, &object, 1, 0.001));
  GridOracle geos;
  GEOSGeometry* g = geos.Polygon({area});
  const Measured expect = geos.Faces(g, line, 0.001);
  GEOSGeom_destroy_r(geos.handle(), g);
  ASSERT_EQ(2, expect.all);
  double total = 0;
  int pieces = 0;
  while (TDataEdit* p = cut.GetNextObject()) {
    ++pieces;
    total += p->Square();
    EXPECT_GT(2 * p->Square(), 0.001 * Perimeter(Points(*p, 0))) << "piece " << pieces;
  }
  EXPECT_EQ(2, pieces);
  EXPECT_NEAR(expect.area, total, 0.001 * Perimeter(area));
}

namespace {

// Whether a piece is narrower than the precision on average.
bool Narrow(TDataEdit& piece, double precision) {
  return 2.0 * piece.Square() < precision * Perimeter(Points(piece, 0));
}

// A star, and a line that comes in across one of its sides, runs beside
// it just inside, `beside` times the precision from it (through a few
// points on the way), then goes on across the star to a point outside.
GridPair BesideASide(std::mt19937_64& rng, double beside, double dx, double dy) {
  std::uniform_real_distribution<double> unit(0, 1);
  for (;;) {
    const int vertices = 5 + static_cast<int>(unit(rng) * 30);
    GridPair pair{"beside a side", {}, {StarContour(rng, vertices, 400, 400, 100, 400)}, {}};
    const Contour& star = pair.b[0];
    const size_t k = static_cast<size_t>(unit(rng) * double(star.size() - 1));
    const Pt a = star[k], b = star[k + 1];
    const double l = std::hypot(b.x - a.x, b.y - a.y);
    if (l < 20) continue;
    // Off the side by `off`, inwards (the star turns counter-clockwise).
    const auto at = [&](double t, double off) {
      return Pt{a.x + t * (b.x - a.x) - off * (b.y - a.y) / l + dx,
                a.y + t * (b.y - a.y) + off * (b.x - a.x) / l + dy};
    };
    const double t1 = 0.1 + 0.3 * unit(rng), t2 = t1 + 0.2 + 0.4 * unit(rng) * (0.9 - t1);
    const double angle = 6.2831853 * unit(rng);
    pair.line = {at(t1 - 0.05, -20)};
    for (int m = 0; m <= 3; ++m)
      pair.line.push_back(at(t1 + (t2 - t1) * m / 3.0, (0.5 + 0.5 * unit(rng)) * beside * 0.001));
    pair.line.push_back({400 + 600 * std::cos(angle) + dx, 400 + 600 * std::sin(angle) + dy});
    for (Pt& p : pair.b[0]) p.x += dx, p.y += dy;
    // Its ends come in and go off apart from the star's vertices (a piece
    // of a few square centimetres cut off there by the line crossing two
    // sides is one that GEOS's test of the inside may miss).
    const size_t m = pair.line.size();
    if (Spiky(pair.line) || Clearance(pair.b[0], {pair.line[0], pair.line[1]}) < 1 ||
        Clearance(pair.b[0], {pair.line[m - 2], pair.line[m - 1]}) < 1)
      continue;
    return pair;
  }
}

// An area with a sharp corner (5 to 20 degrees), and a line that passes
// inside the corner `inside` times the precision from it, then turns and
// crosses the area again farther from the corner.
GridPair PastASharpCorner(std::mt19937_64& rng, double inside, double dx, double dy) {
  std::uniform_real_distribution<double> unit(0, 1);
  const double pi = 3.14159265358979, half = (2.5 + 7.5 * unit(rng)) * pi / 180.0;
  const double way = 2 * pi * unit(rng), l = 100 + 200 * unit(rng);
  const Pt v{300 + 100 * unit(rng) + dx, 300 + 100 * unit(rng) + dy};
  const auto from = [&](double along, double across) {
    return Pt{v.x + along * std::cos(way) - across * std::sin(way),
              v.y + along * std::sin(way) + across * std::cos(way)};
  };
  const double w = l * std::tan(half);
  GridPair pair{"past a sharp corner", {}, {{v, from(l, -w), from(1.3 * l, 0), from(l, w), v}}, {}};
  const double h = inside * 0.001, slant = 0.2 * (unit(rng) - 0.5);
  const double far = 0.3 * l;
  pair.line = {from(h - slant * 5, -5), from(h + slant * 5, 5), from(far, 2 * w),
               from(far, -2 * w)};
  if (unit(rng) < 0.5) std::reverse(pair.line.begin(), pair.line.end());
  return pair;
}

}  // namespace

TEST(ObjectCutByLine, LinesBesideASideOrPastASharpCornerLeaveNoPieceNarrowerThanThePrecision) {
  // Within the reach of the noding's snapping a line is on the border:
  // GEOS's pieces, and none narrower than the precision (no sliver where
  // the two were rounded together, no tip cut off a corner).
  GridOracle geos;
  Tally tally{"area"};
  TObjectCutByLine cut;
  std::mt19937_64 rng(106);
  int n = 0, narrow = 0;
  for (const double shift : {0.0, 1.0}) {
    const double dx = shift * 12345678, dy = shift * 38000000;
    for (int k = 0; k < 400; ++k) {
      const double near = 0.3 + 1.2 * (k % 13) / 12.0;
      const GridPair pair = k % 2 ? PastASharpCorner(rng, near, dx, dy)
                                  : BesideASide(rng, 0.5 + 0.5 * (k % 7) / 6.0, dx, dy);
      ++n;
      Metric cutter, object;
      ASSERT_TRUE(Fill(cutter, METRIC_F64, {pair.line}));
      ASSERT_TRUE(Fill(object, METRIC_F64, pair.b));
      cut.InitPointCross();
      const int loaded = cut.LoadObjects(&cutter, &object, 1, 0.001);
      for (int guard = 0; loaded && guard < 100; ++guard) {
        TDataEdit* p = cut.GetNextObject();
        if (p == nullptr) break;
        if (Narrow(*p, 0.001) && ++narrow <= 5)
          ADD_FAILURE() << pair.kind << " pair " << n << ": a piece of " << p->Square() << " m2";
      }
      cut.InitPointCross();
      const Outcome o = Pieces(cut, cut.LoadObjects(&cutter, &object, 1, 0.001) != 0);
      GEOSGeometry* area = geos.Polygon(pair.b);
      const Measured expect = geos.Faces(area, Reached(geos, pair.line, pair.b, 0.002), 0.001);
      GEOSGeom_destroy_r(geos.handle(), area);
      tally.Check(pair, n, o, expect, 0.001 * Perimeter(pair.b[0]), expect.sure <= 1);
    }
  }
  std::printf("%d pairs, %d narrow pieces, %d wrong\n", n, narrow, tally.wrong);
  EXPECT_EQ(0, narrow);
  EXPECT_EQ(0, tally.wrong);
  EXPECT_EQ(0, tally.refused);
}

TEST(ObjectCutByLine, ACircleCutByALineRunningJustInsideHalfItsBorderGivesTwoPieces) {
  // 10,000 sides, the line beside each (through points at the circle's
  // angles, or between them), then across: within the weld's reach, and
  // beyond it, where the noding joins the two here and there or nowhere.
  const int n = 10000;
  const double r = 300, pi = 3.14159265358979;
  Contour circle;
  for (int k = 0; k < n; ++k)
    circle.push_back({500 + r * std::cos(2 * pi * k / n), 500 + r * std::sin(2 * pi * k / n)});
  circle.push_back(circle.front());
  Metric object;
  ASSERT_TRUE(Fill(object, METRIC_F64, {circle}));
  TObjectCutByLine cut;
  for (const double between : {0.0, 0.5})
    for (const double inside : {0.55, 0.7, 1.0, 1.2, 1.6, 2.0}) {
      Contour line = {{500 + (r + 10) * std::cos(-0.01), 500 + (r + 10) * std::sin(-0.01)}};
      for (int k = 1; k <= n / 2; ++k) {
        const double a = 2 * pi * (k + between) / n;
        const double to = r * std::cos(pi * between / n) - inside * 0.001;
        line.push_back({500 + to * std::cos(a), 500 + to * std::sin(a)});
      }
      line.push_back({500, 500 - r - 10});
      Metric cutter;
      ASSERT_TRUE(Fill(cutter, METRIC_F64, {line}));
      cut.InitPointCross();
      ASSERT_EQ(1, cut.LoadObjects(&cutter, &object, 1, 0.001));
      std::vector<double> areas = Areas(cut);
      ASSERT_EQ(2u, areas.size()) << inside << " precisions inside, " << between;
      EXPECT_NEAR(pi * r * r, areas[0] + areas[1], 2.0);
      EXPECT_GT(std::min(areas[0], areas[1]), 20000);
    }
}

namespace {

constexpr double kPi = std::numbers::pi;

// The number of pieces a cut hands out (0 when it does not load).
int PieceCount(const Contour& line, const Contour& object, int mode) {
  Metric cutter, cut;
  if (!Fill(cutter, METRIC_F64, {line}) || !Fill(cut, METRIC_F64, {object})) return -1;
  TObjectCutByLine worker;
  int n = 0;
  if (worker.LoadObjects(&cutter, &cut, mode, 0.001))
    while (worker.GetNextObject() != nullptr && n < 100) ++n;
  return worker.State == 0 ? n : -worker.State;
}

Pt Toward(const Pt& from, double angle, double length) {
  return {from.x + length * std::cos(angle), from.y + length * std::sin(angle)};
}

// Calls f(k, way, o, unit) for `count` cases at the origin and as many
// where map coordinates run: a direction and a point drawn for each.
template <class F>
void AtOriginAndFarOut(uint64_t seed, int count, F&& f) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> draw(0, 1);
  const auto unit = [&] { return draw(rng); };
  for (const double shift : {0.0, 1.0})
    for (int k = 0; k < count; ++k) {
      const double way = 2 * kPi * unit();
      const double x = 300 + 100 * unit(), y = 300 + 100 * unit();
      const Pt o{x + shift * 12345678.125, y + shift * 35000000.375};
      f(k, way, o, unit);
    }
}

}  // namespace

TEST(ObjectCutByLine, ALineEndingShortOfARoadOrJustInsideItsSharpVertexCutsItOnce) {
  // Ends 0.5 to 2.1 times the precision short of a straight road, the last
  // side coming in at 5 to 60 degrees; and a line's vertex 0.6 to 1.5
  // times the precision inside a vertex of 5 to 40 degrees, its sides
  // crossing both of the road's: each meets the road once, at the origin
  // and where map coordinates run.
  int ends = 0, sharp = 0;
  AtOriginAndFarOut(114, 160, [&](int k, double way, const Pt& o, const auto& unit) {
    const double d = 0.001 * (0.5 + 1.6 * (k % 9) / 8.0);
    const Pt e = Toward(o, way + kPi / 2, d);
    const double slant = (5 + 55 * unit()) * kPi / 180;
    const double back = way + kPi / 2 + (k % 2 ? slant - kPi / 2 : kPi / 2 - slant);
    Contour line = {Toward(e, back, 50 + 50 * unit()), e};
    if (k % 4 < 2) std::reverse(line.begin(), line.end());
    const int pieces = PieceCount(line, {Toward(o, way, -200), Toward(o, way, 200)}, 0);
    if (pieces != 2 && ++ends <= 5)
      ADD_FAILURE() << "ending " << d * 1000 << " mm short at " << slant * 180 / kPi
                    << " degrees: " << pieces << " pieces";

    const double half = (2.5 + 17.5 * unit()) * kPi / 180;
    const Pt v = Toward(o, way, 0.001 * (0.6 + 0.9 * (k % 7) / 6.0));
    const Contour vee = {Toward(o, way + half, 100 + 100 * unit()), o,
                         Toward(o, way - half, 100 + 100 * unit())};
    const Contour across = {Toward(v, way + kPi / 2 + unit() - 0.5, 50), v,
                            Toward(v, way - kPi / 2 + unit() - 0.5, 50)};
    const int at = PieceCount(across, vee, 0);
    if (at != 2 && ++sharp <= 5)
      ADD_FAILURE() << "inside a vertex of " << 2 * half * 180 / kPi << " degrees: " << at
                    << " pieces";
  });
  EXPECT_EQ(0, ends);
  EXPECT_EQ(0, sharp);
}

TEST(ObjectCutByLine, LinesAndAreasBesideASideAreNotCutWhereTheyNeverMeet) {
  // 1.8 to 2.1 times the precision from the object, beyond the reach of
  // the noding's snapping: a line's vertex beside a road's side or beside
  // its vertex leaves the road whole; a line coming into a rectangle and
  // turning back beside its far side, or running beside it a while, cuts
  // it in two (the rest of the rectangle holding together past the line).
  int roads = 0, areas = 0;
  AtOriginAndFarOut(1140, 100, [&](int k, double way, const Pt& o, const auto& unit) {
    const double d = 0.001 * (1.8 + 0.3 * (k % 4) / 3.0);
    const Pt a = Toward(o, way, -200), b = Toward(o, way, 200);
    const Pt v = Toward(o, way + kPi / 2, d);
    const Contour beside = {Toward(v, way + kPi / 2 - 0.3 - unit(), 50), v,
                            Toward(v, way + kPi / 2 + 0.3 + unit(), 50)};
    // A road bending at o, away from the line.
    const Contour bent = {a, o, Toward(o, way - 0.3 - unit(), 200)};
    for (const Contour* road : {&beside, &bent}) {
      const int pieces = PieceCount(*road, road == &beside ? Contour{a, b} : bent, 0);
      if (pieces != 0 && ++roads <= 5)
        ADD_FAILURE() << d * 1000 << " mm beside a road: " << pieces << " pieces";
    }
    const Pt up = Toward(o, way + kPi / 2, 100);
    const Pt c = {b.x + up.x - o.x, b.y + up.y - o.y}, f = {a.x + up.x - o.x, a.y + up.y - o.y};
    const Contour rectangle = {a, b, c, f, a};
    const Contour turning = {Toward(v, way + kPi / 2 - 0.1 - 0.4 * unit(), 150), v,
                             Toward(v, way + kPi / 2 + 0.1 + 0.4 * unit(), 150)};
    Contour along = {Toward(Toward(o, way, -60), way + kPi / 2, 150)};
    for (int m = 0; m <= 4; ++m)
      along.push_back(Toward(Toward(o, way, -40 + 20 * m), way + kPi / 2, d));
    along.push_back(Toward(Toward(o, way, 60), way + kPi / 2, 150));
    for (const Contour* line : {&turning, static_cast<const Contour*>(&along)}) {
      const int pieces = PieceCount(*line, rectangle, 1);
      if (pieces != 2 && ++areas <= 5)
        ADD_FAILURE() << d * 1000 << " mm beside a rectangle's side: " << pieces << " pieces";
    }
  });
  EXPECT_EQ(0, roads);
  EXPECT_EQ(0, areas);
}
