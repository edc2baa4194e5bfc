// The metric functions of objects on a sheet map (5 m to a stored unit,
// counted from the sheet's origin), with object handles made through the
// exported classes: points round-trip in plane metres, the tools that
// rebuild a metric keep the contours they do not touch, and every function
// refuses a null, freed or foreign handle without changing anything.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "support/sheetobjects.h"

namespace {

using Contour = std::vector<DOUBLEPOINT>;

const double X0 = 6000000, Y0 = 7400000;  // south-west corner of the sheet
const double kNear = 0.01;                 // single floats of 5 m units

class ObjMetricApi : public apitest::SheetObjectsTest {
 protected:
  void SetUp() override {
    MakeSheetMap("api_objmetric_", "METRIC", "Metric", "M1", X0, Y0,
                 {{100, LOCAL_LINE}, {200, LOCAL_SQUARE}});
  }

  // An object of the local type with contours of points given relative to
  // the sheet's corner.
  HOBJ Make(int local, const std::vector<Contour>& contours) {
    TObjectInfo* object = NewObject();
    if (object == nullptr) return 0;
    EXPECT_EQ(1, object->RegisterObject(local == LOCAL_LINE ? 100 : 200, local));
    for (size_t s = 0; s < contours.size(); ++s) {
      if (s > 0) {
        EXPECT_EQ(1, mapCreateSubject(object->Handle()));
      }
      for (const DOUBLEPOINT& p : contours[s]) {
        EXPECT_EQ(1, mapAppendPointPlane(object->Handle(), X0 + p.X, Y0 + p.Y, LONG(s)));
      }
    }
    return object->Handle();
  }
  // The contour's points relative to the sheet's corner.
  static Contour Points(HOBJ h, LONG s) {
    Contour c;
    for (LONG i = 1; i <= mapPointCount(h, s); ++i)
      c.push_back({mapXPlane(h, i, s) - X0, mapYPlane(h, i, s) - Y0});
    return c;
  }
  static void ExpectSame(const Contour& a, const Contour& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i].X, b[i].X, kNear) << i;
      EXPECT_NEAR(a[i].Y, b[i].Y, kNear) << i;
    }
  }
};

const Contour kSquare = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};  // clockwise
const Contour kHole = {{20, 20}, {20, 40}, {40, 40}, {40, 20}, {20, 20}};
const Contour kHole2 = {{60, 60}, {60, 80}, {80, 80}, {80, 60}, {60, 60}};

TEST_F(ObjMetricApi, PointsRoundTripAndEdit) {
  const HOBJ h = Make(LOCAL_LINE, {{{10, 10}, {20, 30}}});
  EXPECT_EQ(1, mapInsertPointPlane(h, X0 + 5, Y0 + 5, 0, 0));  // before the first
  EXPECT_EQ(1, mapInsertPointPlane(h, X0 + 15, Y0 + 20, 2, 0));
  ExpectSame(Points(h, 0), {{5, 5}, {10, 10}, {15, 20}, {20, 30}});
  EXPECT_EQ(1, mapUpdatePointPlaneInMap(h, X0 + 11, Y0 + 12, 2, 0));
  EXPECT_NEAR(X0 + 7, mapSetXPlane(h, X0 + 7, 1, 0), kNear);
  EXPECT_EQ(1, mapDeletePointPlane(h, 4, 0));
  ExpectSame(Points(h, 0), {{7, 5}, {11, 12}, {15, 20}});
  EXPECT_EQ(0.0, mapXPlane(h, 4, 0));
  EXPECT_EQ(0, mapUpdatePointPlane(h, X0, Y0, 9, 0));

  EXPECT_EQ(1, mapCreateSubject(h));
  EXPECT_EQ(1, mapAppendPointPlane(h, X0 + 1, Y0 + 2, 1));
  EXPECT_EQ(2, mapPolyCount(h));
  EXPECT_EQ(1, mapGetCurrentSubject(h));
  EXPECT_EQ(3, mapPointCount(h, 0));
}

// Coordinates that are not numbers are refused at the door, by the
// functions and by the exported object class alike: 60040 in the object,
// nothing stored.
TEST_F(ObjMetricApi, CoordinatesThatAreNotNumbersAreRefused) {
  const HOBJ h = Make(LOCAL_LINE, {{{10, 10}, {20, 30}}});
  TObjectInfo* object = TObjectInfo::FromHandle(h);
  const double nan = std::nan(""), inf = HUGE_VAL;
  const LONGMETRIC* record = object->Metric.Record;
  const std::string before(reinterpret_cast<const char*>(record), record->Length);
  DOUBLEPOINT shift{nan, 1}, centre{X0, Y0}, scale{inf, 1};
  const std::function<double()> calls[] = {
      [&] { return mapAppendPointPlane(h, nan, Y0 + 1, 0); },
      [&] { return mapInsertPointPlane(h, X0 + 1, inf, 1, 0); },
      [&] { return mapUpdatePointPlane(h, -inf, Y0, 1, 0); },
      [&] { return mapUpdatePointPlaneInMap(h, X0, nan, 1, 0); },
      [&] { return mapUpdatePointPlane3DInMap(h, X0, Y0, nan, 1, 0); },
      [&] { return mapUpdatePointPlaneInLayer(h, nan, Y0, 2, 0); },
      [&] { return mapUpdatePointPlane3DInLayer(h, X0, Y0, inf, 2, 0); },
      [&] { return mapSetXPlane(h, nan, 1, 0); },
      [&] { return mapSetYPlane(h, inf, 1, 0); },
      [&] { return mapSetHPlane(h, nan, 1, 0); },
      [&] { return mapRelocateObjectPlane(h, &shift); },
      [&] { return mapRelocateObject(map_, h, &shift, 3); },
      [&] { return object->AppendPointGeo(nan, 1, 0); },
      [&] { return object->UpdatePointPlane(X0, Y0, nan, 1, 0); },
      [&] { return object->RotateObject(centre, nan); },
      [&] { return object->ScopeObject(&scale, &centre); },
      [&] { return object->Metric.AppendPointSubject(0, nan, 1); },
      [&] { return object->Metric.GoPointSubject(1, 0) ? object->Metric.XDouble(inf) : -1.0; },
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    object->SetError(0);
    EXPECT_EQ(0.0, calls[i]()) << i;
    if (i + 2 < std::size(calls)) {
      EXPECT_EQ(MAPERR_INPUT, object->GetError()) << i;
    }
    EXPECT_EQ(before, std::string(reinterpret_cast<const char*>(object->Metric.Record),
                                  object->Metric.Record->Length))
        << i;
  }
  EXPECT_EQ(0, object->PointRegister()->Count());
}

TEST_F(ObjMetricApi, DirectionClosingAndMeasures) {
  const HOBJ h = Make(LOCAL_SQUARE, {kSquare});
  EXPECT_EQ(1, mapGetExclusiveSubject(h, 0));
  EXPECT_EQ(1, mapCircuitousSubject(h, 0));
  EXPECT_EQ(2, mapObjectDirect(h));
  EXPECT_EQ(4, mapChangeObjectDirect(h));
  EXPECT_NEAR(100, mapYPlane(h, 2, 0) - Y0, kNear);  // reversed
  EXPECT_NEAR(400, mapPerimeter(h), 0.1);
  EXPECT_NEAR(100, mapSideLength(h, 4, 0), 0.1);
  DFRAME f{};
  ASSERT_EQ(1, mapObjectFrame(h, &f));
  EXPECT_NEAR(X0 + 100, f.X2, kNear);
  EXPECT_NEAR(Y0, f.Y1, kNear);

  DOUBLEPOINT p{X0 + 50, Y0 + 130};
  EXPECT_NEAR(30, mapDistancePointObject(map_, h, &p), kNear);
  EXPECT_NEAR(30, mapDistancePointSubject(map_, h, 0, &p), kNear);
  const HOBJ line = Make(LOCAL_LINE, {{{0, 150}, {100, 150}}});
  EXPECT_NEAR(50, mapDistanceObject(line, h), kNear);
  EXPECT_EQ(0.0, mapSquare(line));  // an open line
}

// Ends nearer than the gap at the map's scale (1 mm: 100 m here) snap
// together; farther ends get a copy of the last point in front.
TEST_F(ObjMetricApi, AbrigeClosesAreasByTheGap) {
  const HOBJ h = Make(LOCAL_SQUARE, {{{0, 0}, {100, 0}, {100, 100}, {0, 50}}, kHole});
  EXPECT_EQ(1, mapAbrige(h, 0.1));  // 10 m
  ExpectSame(Points(h, 0), {{0, 50}, {0, 0}, {100, 0}, {100, 100}, {0, 50}});
  ExpectSame(Points(h, 1), kHole);  // closed already
  const HOBJ near = Make(LOCAL_SQUARE, {{{0, 0}, {100, 0}, {100, 100}, {0, 50}}});
  EXPECT_EQ(1, mapAbrige(near, 1.0));
  ExpectSame(Points(near, 0), {{0, 0}, {100, 0}, {100, 100}, {0, 0}});
  EXPECT_EQ(0, mapAbrige(Make(LOCAL_LINE, {{{0, 0}, {9, 9}, {0, 1}}}), 1.0));
}

TEST_F(ObjMetricApi, ZoneReplacesOneContourOnly) {
  const HOBJ h = Make(LOCAL_SQUARE, {kSquare, kHole, kHole2});
  for (const auto& bad : {std::pair{0.0, 2}, {-5.0, 2}, {5.0, 3}, {5.0, -1}}) {
    EXPECT_EQ(0, mapZoneObject(bad.first, h, bad.second, 0));
    EXPECT_EQ(MAPERR_INPUT, TObjectInfo::FromHandle(h)->GetError());
    ExpectSame(Points(h, 2), kHole2);
  }
  ASSERT_EQ(1, mapZoneObject(5.0, h, 2, 0));
  EXPECT_EQ(0, TObjectInfo::FromHandle(h)->GetError());
  ASSERT_EQ(3, mapPolyCount(h));
  ExpectSame(Points(h, 0), kSquare);
  ExpectSame(Points(h, 1), kHole);
  // The zone grew the hole by 5 m (metres, not stored units).
  double low = 1e9, high = -1e9;
  for (const DOUBLEPOINT& p : Points(h, 2)) low = std::min(low, p.X), high = std::max(high, p.X);
  EXPECT_NEAR(55, low, 0.1);
  EXPECT_NEAR(85, high, 0.1);
  EXPECT_EQ(1, TObjectInfo::FromHandle(h)->Metric.ChangedFlag);
  // A read of a subject the metric lacks leaves the buffer without a
  // cursor; a subject still goes.
  EXPECT_EQ(0.0, mapXPlane(h, 1, 7));
  EXPECT_EQ(1, mapDeleteSubject(h, 1));
  EXPECT_GT(mapPointCount(h, 1), 5);  // the zone moved up
  EXPECT_EQ(2, mapPolyCount(h));

  // A deeply notched star: no point of its zone farther than the width
  // from it (the zone does not bridge the notches), every notch filled as
  // far as the width reaches from its sides, nothing beyond.
  Contour star;
  for (int i = 0; i <= 30; ++i) {
    const double r = i % 2 ? 40 : 200, t = 2 * 3.141592653589793 * (i % 30) / 30;
    star.push_back({300 + r * std::cos(t), 300 + r * std::sin(t)});
  }
  const HOBJ notched = Make(LOCAL_SQUARE, {star});
  ASSERT_EQ(1, mapZoneObject(10.0, notched, 0, 1));
  const auto distance = [&](const DOUBLEPOINT& p) {
    double best = 1e300;
    for (size_t i = 0; i + 1 < star.size(); ++i) {
      const DOUBLEPOINT &a = star[i], &b = star[i + 1];
      const double dx = b.X - a.X, dy = b.Y - a.Y;
      const double t =
          std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      best = std::min(best, std::hypot(p.X - a.X - t * dx, p.Y - a.Y - t * dy));
    }
    return best;
  };
  const Contour z = Points(notched, 0);
  for (size_t i = 0; i + 1 < z.size(); ++i) {
    EXPECT_LE(distance(z[i]), 10 + kNear);
    EXPECT_LE(distance({(z[i].X + z[i + 1].X) / 2, (z[i].Y + z[i + 1].Y) / 2}), 10 + kNear);
  }
  for (int i = 1; i < 30; i += 2) {
    // Out along the notch's middle from its bottom: 9 m in the zone, then
    // where both sides are more than 10 m away, outside it.
    const double t = 2 * 3.141592653589793 * i / 30;
    const auto at = [&](double r) {
      return DOUBLEPOINT{X0 + 300 + r * std::cos(t), Y0 + 300 + r * std::sin(t)};
    };
    DOUBLEPOINT in = at(49), out = at(150);
    EXPECT_EQ(1, mapCheckInsidePoint(notched, 0, &in)) << i;
    ASSERT_GT(distance({out.X - X0, out.Y - Y0}), 10.5);
    EXPECT_EQ(2, mapCheckInsidePoint(notched, 0, &out)) << i;
  }

  const HOBJ line = Make(LOCAL_LINE, {{{0, 0}, {0, 100}}});
  ASSERT_EQ(1, mapHalfZoneObject(10.0, line, 0));
  DFRAME f{};
  ASSERT_EQ(1, mapObjectFrame(line, &f));
  EXPECT_NEAR(10, f.X2 - f.X1, 0.1);  // one side only
}

TEST_F(ObjMetricApi, SplinesArcsAndMoves) {
  const HOBJ h = Make(LOCAL_SQUARE, {kSquare, kHole});
  EXPECT_EQ(0, mapCashionSplineSubject(h, 2, 30, 5, -1.0));
  ASSERT_EQ(1, mapCashionSplineSubject(h, 1, 30, 5, -1.0));
  ExpectSame(Points(h, 0), kSquare);
  EXPECT_GT(mapPointCount(h, 1), 5);
  ASSERT_EQ(1, mapBendSpline(h, 10, 4, -1.0));
  EXPECT_EQ(2, mapPolyCount(h));
  EXPECT_GT(mapPointCount(h, 0), 5);

  // An arc about a centre in the sheet: every point at the radius.
  const HOBJ arc = Make(LOCAL_LINE, {});
  DOUBLEPOINT first{X0 + 600, Y0 + 500}, centre{X0 + 500, Y0 + 500}, last{X0 + 500, Y0 + 600};
  EXPECT_EQ(0, mapCreateArc(map_, arc, &first, &centre, &last, 0.0));
  ASSERT_EQ(1, mapCreateArc(map_, arc, &first, &centre, &last, 100.0));
  ASSERT_GT(mapPointCount(arc, 0), 3);
  for (const DOUBLEPOINT& p : Points(arc, 0))
    EXPECT_NEAR(100, std::hypot(p.X - 500, p.Y - 500), 0.05);

  // A displacement in map units moves as far as the same in metres.
  const HOBJ line = Make(LOCAL_LINE, {{{0, 0}, {10, 10}}});
  DOUBLEPOINT plane{20, -40};
  ASSERT_EQ(1, mapRelocateObjectPlane(line, &plane));
  double ax = X0, ay = Y0, bx = X0 + 20, by = Y0 - 40;
  mapPlaneToMap(map_, &ax, &ay);
  mapPlaneToMap(map_, &bx, &by);
  DOUBLEPOINT units{bx - ax, by - ay};
  ASSERT_EQ(1, mapRelocateObject(map_, line, &units, 1));
  ExpectSame(Points(line, 0), {{40, -80}, {50, -70}});
  EXPECT_EQ(2, mapLinearFilter(Make(LOCAL_LINE, {{{0, 0}, {5, 5}, {10, 10}}}), 0.01));
}

// Every function, given a null, freed or invented object handle (or a
// live object with a document handle that is no document), gives 0 and
// writes nothing.
TEST_F(ObjMetricApi, ForeignHandlesAreRefused) {
  const HOBJ live = Make(LOCAL_SQUARE, {kSquare});
  TObjectInfo* gone = TObjectInfo::NewHandle();
  const HOBJ freed = gone->Handle();
  TObjectInfo::FreeHandle(freed);
  int64_t block[64] = {};
  const HOBJ fake = reinterpret_cast<HOBJ>(block);
  DFRAME f{};
  DOUBLEPOINT p{X0, Y0}, d{1, 1}, c{X0 + 1, Y0 + 1};
  // Each call with an object handle h and a document handle m; D marks
  // those that take the document.
  struct Call {
    bool doc;
    std::function<double(HOBJ, HMAP)> run;
  };
#define C(expr) Call{false, [&](HOBJ h, HMAP) -> double { return expr; }}
#define D(expr) Call{true, [&](HOBJ h, HMAP m) -> double { return expr; }}
  const Call calls[] = {
      C(mapGetExclusiveSubject(h, 0)), C(mapCircuitousSubject(h, 0)), C(mapObjectFrame(h, &f)),
      C(mapObjectViewFrame(h, &f)), C(mapObjectViewFrameEx(h, &f, 1)), C(mapPointCount(h, 0)),
      C(mapPolyCount(h)), C(mapXPlane(h, 1, 0)), C(mapYPlane(h, 1, 0)), C(mapHPlane(h, 1, 0)),
      C(mapAppendPointPlane(h, 1, 1, 0)), C(mapDeletePointPlane(h, 1, 0)),
      C(mapInsertPointPlane(h, 1, 1, 1, 0)), C(mapUpdatePointPlane(h, 1, 1, 1, 0)),
      C(mapUpdatePointPlaneInMap(h, 1, 1, 1, 0)), C(mapUpdatePointPlane3DInMap(h, 1, 1, 1, 1, 0)),
      C(mapUpdatePointPlaneInLayer(h, 1, 1, 1, 0)),
      C(mapUpdatePointPlane3DInLayer(h, 1, 1, 1, 1, 0)), C(mapSetXPlane(h, 1, 1, 0)),
      C(mapSetYPlane(h, 1, 1, 0)), C(mapSetHPlane(h, 1, 1, 0)), C(mapCreateSubject(h)),
      C(mapDeleteSubject(h, -1)), C(mapGetCurrentSubject(h)), C(mapObjectDirect(h)),
      C(mapChangeObjectDirect(h)), C(mapRelocateObjectPlane(h, &d)), C(mapLinearFilter(h, 1.0)),
      C(mapSmoothObject(h, 0, 30, 5)), C(mapSmoothObjectEx(h, 30.5, 5)),
      C(mapCashionSpline(h, 30, 5, -1)), C(mapCashionSplineSubject(h, 0, 30, 5, -1)),
      C(mapBendSpline(h, 10, 4, -1)), C(mapBendSplineSubject(h, 0, 10, 4, -1)),
      C(mapZoneObject(5.0, h, 0, 0)), C(mapHalfZoneObject(5.0, h, 0)),
      C(mapSideLength(h, 1, 0)), C(mapSideAzimuth(h, 1, 0)), C(mapSideDirection(h, 1, 0)),
      C(mapSquare(h)), C(mapPerimeter(h)), C(mapLength(h)), C(mapAbrige(h, 1.0)),
      C(mapDistanceObject(h, live)), C(mapDistanceObject(live, h)),
      D(mapRelocateObject(m, h, &d, 1)), D(mapCreateArc(m, h, &p, &c, &p, 5.0)),
      D(mapDistancePointSubject(m, h, 0, &p)), D(mapDistancePointObject(m, h, &p)),
  };
#undef C
#undef D
  const LONGMETRIC* record = TObjectInfo::FromHandle(live)->Metric.Record;
  const std::vector<uint8_t> before(reinterpret_cast<const uint8_t*>(record),
                                    reinterpret_cast<const uint8_t*>(record) + record->Length);
  const HMAP notMap = reinterpret_cast<HMAP>(block);
  for (size_t i = 0; i < std::size(calls); ++i) {
    for (HOBJ h : {HOBJ(0), freed, fake}) EXPECT_EQ(0.0, calls[i].run(h, map_)) << i;
    // A live object with a document handle that is none.
    if (calls[i].doc) {
      EXPECT_EQ(0.0, calls[i].run(live, 0)) << i;
      EXPECT_EQ(0.0, calls[i].run(live, notMap)) << i;
    }
  }
  EXPECT_TRUE(std::all_of(std::begin(block), std::end(block), [](int64_t v) { return v == 0; }));
  record = TObjectInfo::FromHandle(live)->Metric.Record;
  ASSERT_EQ(before.size(), record->Length);
  EXPECT_EQ(0, std::memcmp(before.data(), record, before.size()));
}

}  // namespace
