// The object geometry functions through the loaded library, as a host
// calls them: every one refuses null and invented handles, and the
// precision of an object without a map is the default. On a sheet map (5 m
// to a stored unit, counted from the sheet's origin), with object handles
// made through the exported classes: cutting by a line, consent of a line,
// overlap, crossing lists, union, points against a contour, and worker and
// object handles refused once freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "support/apilibrary.h"
#include "support/sheetobjects.h"

namespace {

class ObjGeomApi : public apitest::LoadedLibraryTest {};

TEST_F(ObjGeomApi, NullAndInventedHandlesAreRefused) {
  auto precision = Fn<double (*)(HOBJ, double)>("mapSetPrecision");
  auto cross = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectsCross");
  auto square = Fn<HANDLE (*)(HOBJ, HOBJ, double)>("mapCreateObjectsCrossSquare");
  auto next = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextCross");
  auto freeCut = Fn<void (*)(HANDLE)>("mapFreeObjectsCross");
  auto crossed = Fn<LONG (*)(HOBJ, HOBJ)>("mapGetObjectsCross");
  auto unite = Fn<HOBJ (*)(HOBJ, HOBJ, HOBJ, LONG, double)>("mapGetObjectsUnion");
  auto pointsEx = Fn<HANDLE (*)(HOBJ, HOBJ, double)>("mapCreateObjectCrossPointsEx");
  auto points = Fn<HANDLE (*)(HOBJ, HOBJ)>("mapCreateObjectCrossPoints");
  auto subject = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, LONG)>("mapCreateSubjectCrossPoints");
  auto count = Fn<LONG (*)(HANDLE)>("mapGetCrossCount");
  auto point = Fn<LONG (*)(HANDLE, LONG, CROSSPOINT*)>("mapGetCrossPoint");
  auto freeList = Fn<void (*)(HANDLE)>("mapFreeCrossPoints");
  auto insert = Fn<LONG (*)(HOBJ, HOBJ)>("mapInsertPointCross");
  auto byLine = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectCutByLine");
  auto nextCut = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextCut");
  auto freeByLine = Fn<void (*)(HANDLE)>("mapFreeObjectsCut");
  auto consent = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectsConsent");
  auto nextConsent = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextConsent");
  auto freeConsent = Fn<void (*)(HANDLE)>("mapFreeObjectsConsent");
  auto overlap = Fn<LONG (*)(HOBJ, HOBJ, double)>("mapCheckOverlap");
  auto inside = Fn<LONG (*)(HOBJ, HOBJ)>("mapCheckInsideObject");
  auto insideEx = Fn<LONG (*)(HOBJ, HOBJ)>("mapCheckInsideObjectEx");
  ASSERT_TRUE(precision && cross && square && next && freeCut && crossed && unite && pointsEx &&
              points && subject && count && point && freeList && insert && inside && insideEx &&
              byLine && nextCut && freeByLine && consent && nextConsent && freeConsent &&
              overlap);

  EXPECT_DOUBLE_EQ(0.001, precision(0, 0.5));
  // An address that was never handed out, as object and as worker.
  int64_t block[64] = {};
  const HOBJ fake = reinterpret_cast<HOBJ>(block);
  HANDLE worker = block;
  CROSSPOINT r{};
  for (HOBJ h : {HOBJ(0), fake}) {
    EXPECT_EQ(nullptr, cross(h, h, 1, 0.0));
    EXPECT_EQ(nullptr, square(h, fake, 0.0));
    EXPECT_EQ(0, crossed(h, fake));
    EXPECT_EQ(0, unite(h, fake, fake, 1, 0.0));
    EXPECT_EQ(nullptr, pointsEx(h, fake, 0.0));
    EXPECT_EQ(nullptr, points(fake, h));
    EXPECT_EQ(nullptr, subject(h, fake, 0, 0));
    EXPECT_EQ(0, insert(h, fake));
    EXPECT_EQ(0, inside(fake, h));
    EXPECT_EQ(nullptr, byLine(h, fake, 1, 0.0));
    EXPECT_EQ(nullptr, consent(fake, h, 1, 0.0));
    EXPECT_EQ(0, overlap(h, fake, 0.0));
    EXPECT_EQ(0, insideEx(h, fake));
  }
  for (HANDLE h : {HANDLE(nullptr), worker}) {
    EXPECT_EQ(0, next(h, fake));
    EXPECT_EQ(0, count(h));
    EXPECT_EQ(0, point(h, 1, &r));
    freeCut(h);
    freeList(h);
    EXPECT_EQ(0, nextCut(h, fake));
    freeByLine(h);
    EXPECT_EQ(0, nextConsent(h, fake));
    freeConsent(h);
  }
  EXPECT_EQ(0, block[0]);
}

}  // namespace

namespace {

using Contour = std::vector<DOUBLEPOINT>;

const double X0 = 6000000, Y0 = 7400000;  // south-west corner of the sheet
const Contour kSquare = {{0, 0}, {0, 100}, {100, 100}, {100, 0}, {0, 0}};
const Contour kAcross = {{-50, 40}, {150, 40}};  // cuts the square 40 / 60

class ObjGeomObjects : public apitest::SheetObjectsTest {
 protected:
  void SetUp() override {
    MakeSheetMap("api_objgeom_", "GEOM", "Geometry", "G1", X0, Y0);
    if (HasFatalFailure()) return;
    ASSERT_EQ(0, MapOfHandle(map_)->IsRealPlace());
  }

  // An object with contours of plane points given from the sheet's corner.
  HOBJ Make(const std::vector<Contour>& contours) {
    TObjectInfo* object = NewObject();
    if (object == nullptr) return 0;
    TDataEdit plane;
    plane.Init();
    EXPECT_EQ(1, plane.Create(int(METRIC_F64), 0));
    for (size_t s = 0; s < contours.size(); ++s) {
      if (s > 0) {
        EXPECT_NE(0, plane.CreateSubject());
      }
      for (const DOUBLEPOINT& p : contours[s])
        EXPECT_NE(0, plane.AppendPointSubject(int(s), X0 + p.X, Y0 + p.Y));
    }
    EXPECT_EQ(1, object->GetDataPlane(&plane));
    plane.Free();
    return object->Handle();
  }
  // Area (outer less holes) or length of an object's plane metric.
  static double Measure(HOBJ h, bool area) {
    TDataEdit plane;
    plane.Init();
    double m = -1;
    if (TObjectInfo::FromHandle(h)->PutDataPlane(&plane)) {
      m = area ? plane.SquareSubject(0) : plane.Perimeter();
      for (int s = 1; area && s <= plane.Record->Count; ++s) m -= plane.SquareSubject(s);
    }
    plane.Free();
    return m;
  }
  static TDataEdit& Metric(HOBJ h) { return TObjectInfo::FromHandle(h)->Metric; }
};

TEST_F(ObjGeomObjects, CutByALineConsentAndOverlapOnMapObjects) {
  const HOBJ square = Make({kSquare});
  const HOBJ line = Make({kAcross});
  const HOBJ result = Make({});
  const DOUBLEPOINT lineEnd{X0 - 50, Y0 + 40};

  // Cut by the line: one piece on each side, each written as changed.
  HANDLE cut = mapCreateObjectCutByLine(line, square, 1, 0.0);
  ASSERT_NE(nullptr, cut);
  std::vector<double> areas;
  while (mapGetNextCut(cut, result) == result) {
    EXPECT_EQ(1, Metric(result).ChangedFlag);
    Metric(result).ChangedFlag = 0;
    areas.push_back(Measure(result, true));
  }
  std::sort(areas.begin(), areas.end());
  ASSERT_EQ(2u, areas.size());
  EXPECT_NEAR(4000.0, areas[0], 1.0);
  EXPECT_NEAR(6000.0, areas[1], 1.0);
  // The caller's line keeps its ends.
  TDataEdit plane;
  plane.Init();
  ASSERT_EQ(1, TObjectInfo::FromHandle(line)->PutDataPlane(&plane));
  ASSERT_NE(nullptr, plane.GoPointSubject(1, 0));
  EXPECT_NEAR(lineEnd.X, plane.XDouble(), 0.01);
  plane.Free();
  // Freed, and a handle of another kind, are refused.
  mapFreeObjectsCut(cut);
  EXPECT_EQ(0, mapGetNextCut(cut, result));

  // Consent of the line with the square: the two stretches outside.
  HANDLE consent = mapCreateObjectsConsent(square, line, 0, 0.0);
  ASSERT_NE(nullptr, consent);
  EXPECT_EQ(0, mapGetNextCut(consent, result));
  std::vector<double> lengths;
  while (mapGetNextConsent(consent, result) == result) lengths.push_back(Measure(result, false));
  EXPECT_EQ(2u, lengths.size());
  for (double length : lengths) EXPECT_NEAR(50.0, length, 0.05);
  mapFreeObjectsConsent(consent);
  EXPECT_EQ(0, mapGetNextConsent(consent, result));

  // Parts inside and outside: 3; a line inside only: 2 (inside the area).
  EXPECT_EQ(3, mapCheckOverlap(square, line, 0.0));
  EXPECT_EQ(2, mapCheckOverlap(square, Make({{{20, 20}, {80, 20}}}), 0.0));

  // Points against the square, given in plane metres.
  const struct {
    DOUBLEPOINT p;
    LONG expected;
  } points[] = {{{X0 + 50, Y0 + 50}, 1}, {{X0 + 150, Y0 + 50}, 2}, {{X0, Y0}, 3},
                {{X0 + 50, Y0}, 4}};
  for (auto c : points) EXPECT_EQ(c.expected, mapCheckInsidePoint(square, 0, &c.p));
  DOUBLEPOINT centre{X0 + 50, Y0 + 50};
  EXPECT_EQ(0, mapCheckInsidePoint(square, 1, &centre));
  EXPECT_EQ(0, mapCheckInsidePoint(line, 0, &centre));  // not closed
  EXPECT_EQ(0, mapCheckInsidePoint(square, 0, nullptr));
}

TEST_F(ObjGeomObjects, CrossingListsUnionAndFreedHandles) {
  const HOBJ square = Make({kSquare});
  const HOBJ line = Make({kAcross});
  const HOBJ other = Make({{{50, 50}, {50, 150}, {150, 150}, {150, 50}, {50, 50}}});
  const HOBJ result = Make({});

  HANDLE list = mapCreateObjectCrossPoints(square, line);
  ASSERT_NE(nullptr, list);
  ASSERT_EQ(2, mapGetCrossCount(list));
  CROSSPOINT point{};
  EXPECT_EQ(0, mapGetCrossPoint(list, 0, &point));
  EXPECT_EQ(0, mapGetCrossPoint(list, 3, &point));
  for (LONG n = 1; n <= 2; ++n) {
    ASSERT_EQ(1, mapGetCrossPoint(list, n, &point));
    EXPECT_NEAR(Y0 + 40, point.Y, 0.01);
    EXPECT_EQ(square, point.Object1);
    EXPECT_EQ(line, point.Object2);
  }
  mapFreeCrossPoints(list);
  EXPECT_EQ(0, mapGetCrossCount(list));
  EXPECT_EQ(0, mapGetCrossPoint(list, 1, &point));

  // The union of two overlapping squares: 100 x 100 twice less 50 x 50.
  ASSERT_EQ(result, mapGetObjectsUnion(square, other, result, 1, 0.0));
  EXPECT_EQ(1, Metric(result).ChangedFlag);
  EXPECT_NEAR(17500.0, Measure(result, true), 1.0);

  // Cut by an area: the stretch of the line inside the square.
  HANDLE cross = mapCreateObjectsCross(square, line, 0, 0.0);
  ASSERT_NE(nullptr, cross);
  ASSERT_EQ(result, mapGetNextCross(cross, result));
  EXPECT_NEAR(100.0, Measure(result, false), 0.05);
  mapFreeObjectsCross(cross);
  EXPECT_EQ(0, mapGetNextCross(cross, result));

  EXPECT_EQ(3, mapCheckInsideObject(square, other));
  EXPECT_EQ(1, mapGetObjectsCross(square, line));
  // A freed object handle is refused by every kind of function.
  ASSERT_EQ(1, TObjectInfo::FreeHandle(line));
  made_.erase(std::find(made_.begin(), made_.end(), line));
  EXPECT_EQ(0, mapCheckInsideObject(square, line));
  EXPECT_EQ(0, mapGetObjectsCross(square, line));
  EXPECT_EQ(nullptr, mapCreateObjectCutByLine(line, square, 1, 0.0));
  EXPECT_EQ(nullptr, mapCreateObjectsConsent(square, line, 0, 0.0));
  EXPECT_EQ(nullptr, mapCreateObjectCrossPoints(square, line));
  EXPECT_EQ(0, mapCheckOverlap(square, line, 0.0));
  DOUBLEPOINT centre{X0 + 50, Y0 + 50};
  EXPECT_EQ(0, mapCheckInsidePoint(line, 0, &centre));
}

TEST_F(ObjGeomObjects, TouchingObjectsAreCutAndUnitedWholeAndRefusalsLeaveACode) {
  const HOBJ square = Make({kSquare});
  const HOBJ half = Make({{{50, 0}, {50, 100}, {150, 100}, {150, 0}, {50, 0}}});
  const HOBJ corner = Make({{{100, 100}, {100, 200}, {200, 200}, {200, 100}, {100, 100}}});
  const HOBJ around = Make({{{-100, -100}, {-100, 200}, {200, 200}, {200, -100}, {-100, -100}},
                            {{-50, -50}, {-50, 150}, {150, 150}, {150, -50}, {-50, -50}}});
  const HOBJ far = Make({{{500, 500}, {500, 600}, {600, 600}, {600, 500}, {500, 500}}});
  const HOBJ line = Make({kAcross});
  const HOBJ result = Make({});
  auto error = [](HOBJ h) { return TObjectInfo::FromHandle(h)->GetError(); };
  // Areas of the rings of the result, largest first.
  auto rings = [&]() {
    TDataEdit plane;
    plane.Init();
    std::vector<double> out;
    if (TObjectInfo::FromHandle(result)->PutDataPlane(&plane))
      for (int s = 0; s <= plane.Record->Count; ++s) out.push_back(std::round(plane.SquareSubject(s)));
    plane.Free();
    std::sort(out.rbegin(), out.rend());
    return out;
  };

  // The square cut by the square half over it: one piece, the half.
  HANDLE cut = mapCreateObjectsCross(half, square, 1, 0.0);
  ASSERT_NE(nullptr, cut);
  EXPECT_EQ(0, error(square));
  std::vector<double> pieces;
  while (mapGetNextCross(cut, result) == result) pieces.push_back(rings()[0]);
  EXPECT_EQ(0, error(result));
  EXPECT_EQ(std::vector<double>{5000}, pieces);
  mapFreeObjectsCross(cut);

  // Unions both ways round: part of a side shared, a corner only (one
  // contour through it), the square lying in the other's hole (a part in
  // the hole).
  const struct {
    HOBJ other;
    std::vector<double> rings;
  } unions[] = {{half, {15000}}, {corner, {20000}}, {around, {90000, 40000, 10000}}};
  for (const auto& u : unions) {
    for (int order = 0; order < 2; ++order) {
      ASSERT_EQ(result, mapGetObjectsUnion(order ? u.other : square, order ? square : u.other, result,
                                           1, 0.0));
      EXPECT_EQ(0, error(result));
      EXPECT_EQ(u.rings, rings());
    }
  }

  // Cut by a line turning on a vertex in the middle of the bottom side.
  const HOBJ notched = Make({{{0, 0}, {0, 100}, {100, 100}, {100, 0}, {50, 0}, {0, 0}}});
  const HOBJ turning = Make({{{-50, 50}, {50, 0}, {150, 50}, {150, 80}, {-50, 80}}});
  HANDLE byLine = mapCreateObjectCutByLine(turning, notched, 1, 0.0);
  ASSERT_NE(nullptr, byLine);
  pieces.clear();
  while (mapGetNextCut(byLine, result) == result) pieces.push_back(rings()[0]);
  std::sort(pieces.begin(), pieces.end());
  EXPECT_EQ((std::vector<double>{625, 625, 2000, 6750}), pieces);
  mapFreeObjectsCut(byLine);
  EXPECT_EQ(0, mapGetNextCut(byLine, result));
  EXPECT_EQ(MAPERR_INPUT, error(result));

  // Refusals say why: areas apart, a line united with an area or cutting
  // as one.
  EXPECT_EQ(0, mapGetObjectsUnion(square, far, result, 1, 0.0));
  EXPECT_EQ(60110, error(result));
  EXPECT_EQ(0, mapGetObjectsUnion(line, square, result, 1, 0.0));
  EXPECT_EQ(60111, error(result));
  EXPECT_EQ(nullptr, mapCreateObjectsCross(line, square, 1, 0.0));
  EXPECT_EQ(60111, error(square));
  EXPECT_EQ(nullptr, mapCreateObjectsConsent(square, line, 1, 0.0));
  EXPECT_EQ(60111, error(line));
  // A line that leaves the square whole cuts nothing, and that is no error.
  const HOBJ inside = Make({{{20, 20}, {80, 20}}});
  EXPECT_EQ(nullptr, mapCreateObjectCutByLine(inside, square, 1, 0.0));
  EXPECT_EQ(0, error(square));
}

TEST_F(ObjGeomObjects, ConsentOfAreasWhoseSidesMeetAndALineCutAsALine) {
  const HOBJ square = Make({kSquare});
  const HOBJ half = Make({{{50, 0}, {50, 100}, {150, 100}, {150, 0}, {50, 0}}});
  const HOBJ corner = Make({{{100, 100}, {100, 200}, {200, 200}, {200, 100}, {100, 100}}});
  const HOBJ same = Make({kSquare});
  const HOBJ result = Make({});
  // The consent hands out the parts of the second object outside the
  // first: the half of each square the other leaves, a square met at a
  // corner only whole, nothing of a square lying on the other.
  const struct {
    HOBJ first, second;
    std::vector<double> areas;
  } cases[] = {{square, half, {5000}}, {half, square, {5000}}, {square, corner, {10000}},
               {square, same, {}}};
  for (const auto& c : cases) {
    HANDLE consent = mapCreateObjectsConsent(c.first, c.second, 1, 0.0);
    ASSERT_NE(nullptr, consent);
    std::vector<double> areas;
    for (int guard = 0; guard < 10 && mapGetNextConsent(consent, result) == result; ++guard)
      areas.push_back(Measure(result, true));
    ASSERT_EQ(c.areas.size(), areas.size());
    for (size_t i = 0; i < areas.size(); ++i) EXPECT_NEAR(c.areas[i], areas[i], 0.01);
    mapFreeObjectsConsent(consent);
  }
  // Parts of the half inside the square and outside it.
  EXPECT_EQ(3, mapCheckOverlap(square, half, 0.0));

  // A road cut as a line by a line across it: the stretch before the line,
  // then the one after it.
  const HOBJ road = Make({{{0, 50}, {100, 50}}});
  const HOBJ across = Make({{{50, -50}, {50, 150}}});
  HANDLE cut = mapCreateObjectCutByLine(across, road, 0, 0.0);
  ASSERT_NE(nullptr, cut);
  std::vector<double> starts;
  for (int guard = 0; guard < 10 && mapGetNextCut(cut, result) == result; ++guard) {
    EXPECT_NEAR(50.0, Measure(result, false), 0.05);
    TDataEdit plane;
    plane.Init();
    ASSERT_EQ(1, TObjectInfo::FromHandle(result)->PutDataPlane(&plane));
    ASSERT_NE(nullptr, plane.GoPointSubject(1, 0));
    starts.push_back(plane.XDouble() - X0);
    plane.Free();
  }
  mapFreeObjectsCut(cut);
  ASSERT_EQ(2u, starts.size());
  EXPECT_NEAR(0.0, starts[0], 0.01);
  EXPECT_NEAR(50.0, starts[1], 0.01);
}

}  // namespace
