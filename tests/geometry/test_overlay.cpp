// The noded overlay: shared sides, shared corners, holes and parts in
// holes, lines cut apart; and the cutting, uniting and line-cutting
// workers on thousands of pairs snapped to a coarse grid, against GEOS.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "geometry/objectcut.h"
#include "geometry/objectcutbyline.h"
#include "geometry/objectunion.h"
#include "geometry/overlay.h"
#include "support/contours.h"
#include "support/grid_pairs.h"

namespace {

struct Overlaid {
  TNodedOverlay o;
  int built = 0;
  std::vector<double> areas;
  Overlaid(const std::vector<Contour>& a, const std::vector<Contour>& b, int op,
           DWORD lineKind = 0) {
    Metric ma, mb;
    EXPECT_TRUE(Fill(ma, METRIC_F64, a));
    EXPECT_TRUE(Fill(mb, METRIC_F64, b));
    o.Start(0.001);
    o.Add(ma, -1, op == TNodedOverlay::SPLIT ? TNodedOverlay::LINE : TNodedOverlay::FIRST);
    o.Add(mb, -1, TNodedOverlay::SECOND);
    (void)lineKind;
    built = o.Build(op);
    for (int k = 0; k < o.Pieces(); ++k) areas.push_back(o.PieceArea(k));
  }
};

}  // namespace

TEST(NodedOverlay, SharedSidesAndCorners) {
  const Contour sq = Square(0, 0, 10, 10);
  Overlaid cut({sq}, {Square(5, 0, 15, 10)}, TNodedOverlay::INTERSECTION);
  ASSERT_EQ(1, cut.built);
  EXPECT_EQ((std::vector<double>{50}), cut.areas);
  Overlaid same({sq}, {sq}, TNodedOverlay::UNION);
  EXPECT_EQ((std::vector<double>{100}), same.areas);
  // Squares sharing a corner: one part of the union, apart in the
  // intersection (two pieces of no area are none).
  Overlaid corner({sq}, {Square(10, 10, 20, 20)}, TNodedOverlay::UNION);
  EXPECT_EQ((std::vector<double>{200}), corner.areas);
  Overlaid side({sq}, {Square(10, 5, 20, 15)}, TNodedOverlay::UNION);
  EXPECT_EQ((std::vector<double>{200}), side.areas);
  Overlaid island({Square(0, 0, 20, 20), Square(2, 2, 18, 18)}, {Square(4, 4, 10, 10)},
                  TNodedOverlay::UNION);
  EXPECT_EQ((std::vector<double>{400 - 256, 36}), island.areas);
  Overlaid split({{{-5, 4}, {15, 4}}}, {sq}, TNodedOverlay::SPLIT);
  EXPECT_EQ((std::vector<double>{60, 40}), split.areas);
}

TEST(NodedOverlay, PiecesTakeTheHeightsOfTheObjectCut) {
  // Squares sharing sides (through the overlay): every vertex of the piece
  // has the object's height, interpolated along its sides (h = 100 + x).
  auto heights = [](Contour c) {
    for (Pt& p : c) p.h = 100 + p.x;
    return c;
  };
  Metric area, object;
  ASSERT_TRUE(Fill(area, METRIC_F64H, {heights(Square(5, 0, 15, 10))}));
  ASSERT_TRUE(Fill(object, METRIC_F64H, {heights({{0, 0}, {0, 10}, {20, 10}, {20, 0}, {0, 0}})}));
  TObjectCut cut;
  ASSERT_EQ(1, cut.LoadObjects(&area, &object, 1, 0.0, 0));
  TDataEdit* piece = cut.GetNextObject();
  ASSERT_NE(nullptr, piece);
  EXPECT_EQ(METRIC_F64H, piece->Record->Ident);
  EXPECT_NEAR(100.0, piece->Square(), 1e-9);
  for (const Pt& p : Points(*piece, 0)) EXPECT_NEAR(100 + p.x, p.h, 1e-9) << p.x;
}

namespace {

// The cutting, uniting and line-cutting workers on each pair, against
// GEOS: no pair answered wrongly, none refused.
void WorkersAgreeWithGeos(const std::vector<GridPair>& pairs) {
  GridOracle geos;
  GEOSContextHandle_t h = geos.handle();
  Tally cut{"cut"}, unite{"union"}, byLine{"cut by line"};
  // The workers are loaded again for every pair, as the map objects' own
  // services use them.
  TObjectCut cutter;
  TObjectUnion uniter;
  TObjectCutByLine splitter;
  int n = 0;
  for (const GridPair& pair : pairs) {
    ++n;
    const double tol = 0.001 * (Perimeters(pair.a) + Perimeters(pair.b) + Perimeter(pair.line));
    Metric a, outer, b, line;
    ASSERT_TRUE(Fill(a, METRIC_F64, pair.a));
    ASSERT_TRUE(Fill(outer, METRIC_F64, {pair.a[0]}));
    ASSERT_TRUE(Fill(b, METRIC_F64, pair.b));
    ASSERT_TRUE(Fill(line, METRIC_F64, {pair.line}));
    GEOSGeometry* ga = geos.Parity(pair.a);
    GEOSGeometry* gb = geos.Parity(pair.b);
    GEOSGeometry* gouter = geos.Polygon({pair.a[0]});
    double areaB = 0;
    GEOSArea_r(h, gb, &areaB);

    // The object b cut by the outer contour of a: no worker when b lies
    // wholly inside (it is its own piece) or apart.
    {
      TObjectCut& w = cutter;
      w.InitObjectCut();
      const Outcome o = Pieces(w, w.LoadObjects(&outer, &b, 1, 0.0, 0) != 0);
      const Measured expect = geos.Combine(gouter, gb, false, 0.001);
      cut.Check(pair, n, o, expect, tol, expect.parts == 0 || std::fabs(expect.area - areaB) <= tol);
    }
    // a with b and b with a: one result, its rings by parity (parts
    // meeting at points are one); areas apart are refused with
    // GEOMETRY_ERR_APART, as they should be. A union all of one piece
    // (its parts meeting at points) has its area by the library's own
    // measure too; parts lying apart in holes cannot be one object.
    GEOSGeometry* gu = GEOSUnion_r(h, ga, gb);
    const Measured united = geos.Joined(gu, 0.001);
    const bool whole = geos.Joined(gu, 0.0).parts == 1;
    GEOSGeom_destroy_r(h, gu);
    for (int order = 0; order < 2; ++order) {
      TObjectUnion& w = uniter;
      w.InitPointCross();
      Outcome o;
      TDataEdit* r = w.LoadObjects(order ? &b : &a, order ? &a : &b, 1, 0.0, 0.0) ? w.GetObjectA()
                                                                                  : nullptr;
      o.given = r != nullptr;
      o.state = w.State;
      if (r != nullptr) o.m = ParityMeasure(RingsOf(*r), 0.002);
      if (!o.given && o.state == GEOMETRY_ERR_APART && GEOSDisjoint_r(h, ga, gb) == 1) continue;
      unite.Check(pair, n, o, united, tol, false);
      if (r != nullptr && whole) {
        o.m.area = r->Square();
        unite.Check(pair, n, o, united, tol, false);
      }
    }
    // b cut by the line: the faces inside b, or nothing when the line
    // leaves it whole.
    {
      TObjectCutByLine& w = splitter;
      w.InitPointCross();
      const Outcome o = Pieces(w, w.LoadObjects(&line, &b, 1, 0.001) != 0);
      const Measured faces = geos.Faces(gb, Reached(geos, pair.line, pair.b, 0.002), 0.001);
      byLine.Check(pair, n, o, faces, tol, faces.sure <= 1);
    }
    for (GEOSGeometry* g : {ga, gb, gouter}) GEOSGeom_destroy_r(h, g);
  }
  for (const Tally* t : {&cut, &unite, &byLine})
    std::printf("%s: %d pairs, %d wrong, %d refused\n", t->name, n, t->wrong, t->refused);
  for (const Tally* t : {&cut, &unite, &byLine}) {
    EXPECT_EQ(0, t->wrong) << t->name;
    EXPECT_EQ(0, t->refused) << t->name;
  }
}

}  // namespace

TEST(NodedOverlay, WorkersAgreeWithGeosOnPairsSnappedToAGrid) {
  WorkersAgreeWithGeos(RandomGridPairs(59, 3000));
}

TEST(NodedOverlay, WorkersAgreeWithGeosOnPairsFarFromTheOrigin) {
  WorkersAgreeWithGeos(FarGridPairs(60, 1200));
}
