// The coordinate functions through the loaded library, as a host calls
// them: angles, zones and distances, the geodetic coordinates of a map's
// sheet against PROJ, and every function of a document refusing a null or
// foreign handle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include <proj.h>

#include <filesystem>
#include <string>

#include "api/mapapi.h"
#include "types/geotypes.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

class CoordApi : public apitest::LoadedLibraryTest {};

TEST_F(CoordApi, DegreesMinutesAndSeconds) {
  auto toSign = Fn<int32_t (*)(double*, SIGNDEGREE*)>("mapRadianToSignDegree");
  auto fromSign = Fn<int32_t (*)(SIGNDEGREE*, double*)>("mapSignDegreeToRadian");
  auto toPlain = Fn<int32_t (*)(double*, DEGREE*)>("mapRadianToDegree");
  auto fromPlain = Fn<int32_t (*)(DEGREE*, double*)>("mapDegreeToRadian");
  ASSERT_TRUE(toSign && fromSign && toPlain && fromPlain);
  SIGNDEGREE s;
  double r = -0.5 * kDeg;
  ASSERT_EQ(toSign(&r, &s), 1);
  EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second, s.Sign),
            std::make_tuple(0, 30, 0.0f, -1));
  // 59.99999999 seconds round up into the next minute; 360 degrees is 0.
  r = (10 + 59.99999999 / 3600) * kDeg;
  toSign(&r, &s);
  EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second), std::make_tuple(10, 1, 0.0f));
  r = 360 * kDeg;
  toSign(&r, &s);
  EXPECT_EQ(s.Degree, 0);
  for (double beyond : {1000000.0, double(NAN)}) {
    r = beyond;
    toSign(&r, &s);
    EXPECT_EQ(std::make_tuple(s.Degree, s.Minute, s.Second, s.Sign),
              std::make_tuple(0, 0, 0.0f, 1));
  }
  SIGNDEGREE in = {12, 30, 36.0f, 0};  // sign 0: positive
  double out = 0;
  fromSign(&in, &out);
  EXPECT_NEAR(out, 12.51 * kDeg, 1e-12);
  in.Sign = -1;
  fromSign(&in, &out);
  EXPECT_NEAR(out, -12.51 * kDeg, 1e-12);

  // Unsigned: a negative angle is negative in every field.
  DEGREE d;
  r = -(2 + 15.0 / 60) * kDeg;
  toPlain(&r, &d);
  EXPECT_EQ(std::make_tuple(d.Degree, d.Minute), std::make_tuple(-2, -15));
  EXPECT_NEAR(d.Second, 0.0f, 1e-3);
  fromPlain(&d, &out);
  EXPECT_NEAR(out, r, 1e-9);
  EXPECT_EQ(toSign(nullptr, &s), 0);
  EXPECT_EQ(fromPlain(&d, nullptr), 0);
}

TEST_F(CoordApi, ZonesOfSixDegrees) {
  auto axis = Fn<double (*)(int32_t)>("mapGetAxisMeridianByZone");
  auto zone = Fn<int32_t (*)(double)>("mapGetZoneByMeridian");
  auto byZone = Fn<int32_t (*)(int32_t, int32_t, double*, double*)>("mapPlaneToPlaneByZone");
  auto toGeo = Fn<int32_t (*)(int32_t, double*, double*)>("mapPlaneToGeo42ByZone");
  auto ownZone = Fn<int32_t (*)(double*, double*)>("mapGeo42ToPlaneByOwnZone");
  ASSERT_TRUE(axis && zone && byZone && toGeo && ownZone);
  EXPECT_NEAR(axis(1), 3 * kDeg, 1e-15);
  EXPECT_NEAR(axis(60), 357 * kDeg, 1e-15);
  EXPECT_EQ(axis(61), 0.0);
  EXPECT_EQ(axis(0), 0.0);
  EXPECT_EQ(zone(-0.1), 60);
  EXPECT_EQ(zone(0.0), 1);
  EXPECT_EQ(zone(39.5 * kDeg), 7);
  EXPECT_EQ(zone(NAN), 0);

  EXPECT_EQ(byZone(7, 7, nullptr, nullptr), 1);
  double x = 5715178.129, y = 7500000.0;
  EXPECT_EQ(byZone(0, 7, &x, &y), 0);
  EXPECT_EQ(byZone(7, 61, &x, &y), 0);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(5715178.129, 7500000.0));
  // B 0.9 on 39 degrees, from zone 7 into zone 8 and back.
  ASSERT_EQ(byZone(7, 8, &x, &y), 1);
  EXPECT_LT(y, 8500000.0);
  EXPECT_GT(y, 8000000.0);
  ASSERT_EQ(byZone(8, 7, &x, &y), 1);  // 6 degrees off zone 8's axis: the series drift
  EXPECT_NEAR(x, 5715178.129, 5e-3);
  EXPECT_NEAR(y, 7500000.0, 5e-3);
  ASSERT_EQ(toGeo(7, &x, &y), 1);
  EXPECT_NEAR(x, 0.9, 1e-9);
  EXPECT_NEAR(y, 39 * kDeg, 1e-9);
  // The zone of the longitude itself: 41 degrees lies in zone 7.
  double b = 0.9, l = 41 * kDeg;
  ASSERT_EQ(ownZone(&b, &l), 1);
  EXPECT_GT(l, 7500000.0);
  EXPECT_LT(l, 7700000.0);
  EXPECT_EQ(ownZone(nullptr, &l), 0);
}

TEST_F(CoordApi, DistancesAndBisectors) {
  auto distance = Fn<double (*)(DOUBLEPOINT*, DOUBLEPOINT*)>("mapDistance");
  auto real = Fn<double (*)(intptr_t, DOUBLEPOINT*, DOUBLEPOINT*)>("mapRealDistance");
  auto bisector = Fn<double (*)(DOUBLEPOINT*, DOUBLEPOINT*, DOUBLEPOINT*)>("mapBisectorAngle");
  ASSERT_TRUE(distance && real && bisector);
  DOUBLEPOINT a = {0, 0}, b = {3, 4}, c = {0, 4};
  EXPECT_EQ(distance(&a, &b), 5.0);
  EXPECT_EQ(distance(&a, nullptr), 0.0);
  // No document, or null points: 0, never a read.
  int notAMap[64] = {};
  EXPECT_EQ(real(0, &a, &b), 0.0);
  EXPECT_EQ(real(reinterpret_cast<intptr_t>(notAMap), &a, &b), 0.0);
  EXPECT_EQ(real(0, nullptr, &b), 0.0);
  EXPECT_EQ(real(0, &a, nullptr), 0.0);
  EXPECT_EQ(bisector(&a, nullptr, &c), 0.0);
  EXPECT_NE(bisector(&a, &c, &b), 0.0);
}

class MapCoordinates : public CoordApi {
 protected:
  void SetUp() override {
    CoordApi::SetUp();
    if (HasFatalFailure()) return;
    FN(mapMessageEnable)(0);
    dir_ = apitest::FreshTestFolder("coord_api_");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  // A topographic map `name`.map made as the example host makes it: one
  // sheet named `name` whose eastings lie in zone 7, Gauss-Krueger on the
  // Krasovsky ellipsoid, with the axis meridian the register gives.
  HMAP MakeMap(const char* name, double axis) {
    apitest::NewClassifier classifier("GEO");
    FN(mapCloseRsc)(FN(mapCreateRsc)(Path("g.rsc").c_str(), &classifier.create,
                                     &classifier.palette));
    apitest::NewSheetMap reg(name, 6000000.0, 7400000.0, 10000.0);
    reg.map.MapType = 1;
    reg.map.MaterialProjection = 1;
    reg.map.EllipsoideKind = 1;
    reg.map.AxisMeridian = axis;
    const std::string map = Path(name) + ".map";
    return FN(mapCreateMapEx)(map.c_str(), Path("g.rsc").c_str(), &reg.map, &reg.sheet);
  }

  std::filesystem::path dir_;
};

TEST_F(MapCoordinates, TheAxisMeridianGivesTheSheetItsGeodeticCoordinates) {
  PJ_CONTEXT* ctx = proj_context_create();
  PJ* gk =
      proj_create(ctx, "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass");
  ASSERT_NE(gk, nullptr);
  const double x = 6005000.0, y = 7405000.0;  // the middle of the sheet
  const PJ_COORD geo = proj_trans(gk, PJ_INV, proj_coord(y, x, 0, 0));
  proj_destroy(gk);
  proj_context_destroy(ctx);
  const double cm = 0.01 / 6378245.0;  // radians
  auto expectOracle = [&](HMAP h) {
    double b = x, l = y;
    ASSERT_EQ(FN(mapPlaneToGeo)(h, &b, &l), 1);
    EXPECT_NEAR(b, geo.lp.phi, cm);
    EXPECT_NEAR(l, geo.lp.lam, cm);
  };
  HMAP h = MakeMap("Z7", FN(mapGetAxisMeridianByZone)(7));
  ASSERT_NE(h, 0);
  expectOracle(h);
  FN(mapCloseData)(h);

  // A register without the axis meridian puts the map in zone 1; the zone
  // of the sheet's eastings mends it at once and for good.
  h = MakeMap("Z1", 0.0);
  ASSERT_NE(h, 0);
  double b = x, l = y;
  FN(mapPlaneToGeo)(h, &b, &l);
  EXPECT_GT(std::fabs(l - geo.lp.lam), kDeg);
  ASSERT_EQ(FN(mapSetAxisMeridianByPlaneY)(h, y), 1);
  expectOracle(h);
  FN(mapCloseData)(h);
  h = FN(mapOpenData)((Path("Z1") + ".map").c_str(), 0);
  ASSERT_NE(h, 0);
  expectOracle(h);
  FN(mapCloseData)(h);
}

TEST_F(CoordApi, DocumentFunctionsRefuseNullAndForeignHandles) {
  int notAMap[256] = {};
  const intptr_t handles[] = {0, reinterpret_cast<intptr_t>(notAMap)};
  using TwoValues = int32_t (*)(intptr_t, double*, double*);
  using ThreeValues = int32_t (*)(intptr_t, double*, double*, double*);
  const char* const twoValues[] = {
      "mapMapToPicture",    "mapMapToPlane",     "mapPictureToMap",    "mapPictureToPlane",
      "mapPlaneToMap",      "mapPlaneToPicture", "mapPlaneToGeo",      "mapGeoToPlane",
      "mapPlaneToGeoWGS84", "mapPlaneToGeo42",   "mapGeo42ToGeoWGS84", "mapGeoWGS84ToGeo42",
      "mapGeoEP90ToGeo42",  "mapGeo42ToGeoEP90", "mapGeo42ToPlaneUTM", "mapGeoWGS84ToPlane42"};
  const char* const threeValues[] = {"mapPlaneToGeoWGS843D", "mapPlaneToGeo423D",
                                     "mapGeo42ToGeoWGS843D", "mapGeoWGS84ToGeo423D",
                                     "mapGeoEP90ToGeo423D",  "mapGeo42ToGeoEP903D",
                                     "mapGeo42ToPlaneUTM3D", "mapGeoWGS84ToPlane3D"};
  for (intptr_t h : handles) {
    for (const char* name : twoValues) {
      auto f = Fn<TwoValues>(name);
      ASSERT_NE(f, nullptr);
      double x = 0.9, y = 0.7;
      EXPECT_EQ(f(h, &x, &y), 0) << name;
      EXPECT_EQ(std::make_pair(x, y), std::make_pair(0.9, 0.7)) << name;
    }
    for (const char* name : threeValues) {
      auto f = Fn<ThreeValues>(name);
      ASSERT_NE(f, nullptr);
      double x = 0.9, y = 0.7, z = 10;
      EXPECT_EQ(f(h, &x, &y, &z), 0) << name;
      EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(0.9, 0.7, 10.0)) << name;
    }
    auto geo = Fn<int32_t (*)(intptr_t)>("mapIsGeoSupported");
    auto border = Fn<int32_t (*)(intptr_t, DFRAME*, int32_t)>("mapGetTotalBorder");
    auto transform =
        Fn<int32_t (*)(intptr_t, DOUBLEPOINT*, int32_t, DOUBLEPOINT*, int32_t, int32_t)>(
            "mapTransformPoints");
    auto byMeridian = Fn<int32_t (*)(intptr_t, double)>("mapSetAxisMeridianByMeridian");
    auto byY = Fn<int32_t (*)(intptr_t, double)>("mapSetAxisMeridianByPlaneY");
    auto readCopy = Fn<int32_t (*)(intptr_t, int32_t)>("mapReadObjectCopyByNumber");
    auto deleteCopy = Fn<int32_t (*)(intptr_t, int32_t)>("mapDeleteObjectCopyToNumber");
    ASSERT_TRUE(geo && border && transform && byMeridian && byY && readCopy && deleteCopy);
    DFRAME f = {1, 2, 3, 4};
    DOUBLEPOINT src = {1, 2}, dst = {5, 6};
    EXPECT_EQ(geo(h), 0);
    EXPECT_EQ(border(h, &f, 1), 0);
    EXPECT_EQ(f.X1, 1.0);
    EXPECT_EQ(transform(h, &src, 3, &dst, 4, 1), 0);
    EXPECT_EQ(dst.X, 5.0);
    EXPECT_EQ(byMeridian(h, 0.7), 0);
    EXPECT_EQ(byY(h, 7512345.0), 0);
    EXPECT_EQ(readCopy(h, 1), 0);
    EXPECT_EQ(deleteCopy(h, 1), 0);
  }
}

}  // namespace
