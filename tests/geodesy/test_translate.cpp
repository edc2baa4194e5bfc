// The coordinate transformation object: default state, parameter checks,
// installing projections, ellipsoid constants and the dispatch.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "common/maperr.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

CONSTPROJ Record(double b1 = 0.8, double b2 = 0.9, double l0 = 39 * kDeg, double b0 = 0.7) {
  return {b1, b2, l0, b0, 0.0, 0.0};
}

// The answers of TestConstproj for each kind, on one record.
void ExpectKinds(CONSTPROJ p, std::initializer_list<int> kinds, int want) {
  for (int kind : kinds) EXPECT_EQ(TTranslate::TestConstproj(kind, &p), want) << kind;
}

TEST(TranslateDefault, GaussKrugerOnKrasovskyInZone7) {
  TTranslate t;
  EXPECT_EQ(std::make_tuple(t.ProjectionKind, t.EllipsoidKind, t.ErrorCode, t.GetNumberZone()),
            std::make_tuple(1, 1, 0, 7));
  EXPECT_EQ(t.AxisMeridian, 0.65704432);
  EXPECT_EQ(t.MajorAxis, 6378245.01);
  EXPECT_EQ(t.EccentricityTerm, 0.08181334);
  EXPECT_EQ(t.ZoneMeridian, 0.6806784082777897);  // 39 degrees
  for (double w : t.WorkConstants) EXPECT_EQ(w, 0.0);
}

TEST(TranslateTestConstproj, AxisMeridianBoundsForZoneKinds) {
  CONSTPROJ p = Record();
  for (double axis : {2 * kPi, -2 * kPi, 6.3, kNaN}) {
    p.AxisMeridian = axis;
    EXPECT_EQ(TTranslate::TestConstproj(1, &p), std::fabs(axis) <= 2 * kPi ? 0 : MAPERR_PROJPARAM)
        << axis;
  }
  // Kinds 1, 17 and 32 look at nothing else, NaN included.
  ExpectKinds({kNaN, 10.0, 0.5, -kNaN, kNaN, 99.0}, {1, 17, 32}, 0);
  EXPECT_EQ(TTranslate::TestConstproj(1, nullptr), MAPERR_PROJPARAM);
}

TEST(TranslateTestConstproj, UnknownKindsAndBadParameters) {
  ExpectKinds(Record(), {0, 4, 5, 7, 9, 10, 15, 33, 1000, -1}, MAPERR_PROJECTION);
  ExpectKinds(Record(), {2, 3, 6, 8, 16, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
              0);
  // A bad parameter outweighs an unknown kind.
  ExpectKinds(Record(4.0), {5, 3}, MAPERR_PROJPARAM);
  CONSTPROJ axis = Record();
  axis.AxisMeridian = 7.0;
  EXPECT_EQ(TTranslate::TestConstproj(5, &axis), MAPERR_PROJECTION);  // replaced by the kind
  EXPECT_EQ(TTranslate::TestConstproj(3, &axis), MAPERR_PROJPARAM);

  ExpectKinds(Record(0.8, 0.9, 0.5, -3.2), {16}, MAPERR_PROJPARAM);
  ExpectKinds(Record(kNaN), {16}, MAPERR_PROJPARAM);
  ExpectKinds(Record(kPi, -kPi, 0.5, kPi), {16}, 0);
}

TEST(TranslateTestConstproj, SecondParallelAndEqualParallels) {
  ExpectKinds(Record(0.8, 10.0), {8}, 0);
  ExpectKinds(Record(0.8, 10.0), {3}, MAPERR_PROJPARAM);
  ExpectKinds(Record(0.9, 0.9), {2, 20, 21, 22, 23, 29, 30}, MAPERR_PROJPARAM);
  ExpectKinds(Record(0.9, 0.9), {3, 6, 8, 16, 18, 19, 24, 25, 26, 27, 28, 31}, 0);
}

TEST(TranslateSetProjection, InstallsKindParametersAndEllipsoid) {
  TTranslate t;
  CONSTPROJ p = {0.1, 0.2, 87 * kDeg, 0.3, 0.4, 0.5};
  ASSERT_EQ(t.SetProjection(1, &p, 3), 0);
  EXPECT_EQ(std::make_tuple(t.ProjectionKind, t.EllipsoidKind, t.ZoneNumber),
            std::make_tuple(1, 3, 15));
  EXPECT_EQ(t.FirstMainParallel, 0.1);
  EXPECT_EQ(t.PoleLongitude, 0.5);
  EXPECT_EQ(t.MajorAxis, 6378388.0);
  EXPECT_EQ(t.EccentricityTerm, 0.006722670022333322);
  EXPECT_NEAR(t.ZoneMeridian, 87 * kDeg, 1e-13);
}

TEST(TranslateSetProjection, RefusedRecordKeepsPreviousProjection) {
  TTranslate t;
  CONSTPROJ p = Record();
  EXPECT_EQ(t.SetProjection(5, &p, 9), MAPERR_PROJECTION);
  EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION);
  EXPECT_EQ(t.EllipsoidKind, 9);  // stored before the check
  EXPECT_EQ(std::make_tuple(t.ProjectionKind, t.ZoneNumber), std::make_tuple(1, 7));
  EXPECT_EQ(t.MajorAxis, 6378245.01);
  EXPECT_EQ(t.AxisMeridian, 0.65704432);

  // The error stays pending through conversions until a projection is
  // installed again.
  double x = 0, y = 0;
  t.EllipsoidKind = 1;
  t.BL2XY(0.9, 39 * kDeg, &x, &y);
  EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION);
  EXPECT_EQ(t.SetProjection(1, &p, 1), 0);
  EXPECT_EQ(t.ErrorCode, 0);

  EXPECT_EQ(t.SetProjection(1, nullptr, 1), MAPERR_INPUT);
  EXPECT_EQ(SetProjection(nullptr, 1, &p, 1), MAPERR_INPUT);
  EXPECT_EQ(t.ErrorCode, 0);
}

TEST(TranslateSetProjection, EllipsoidWithoutConstantsKeepsPreviousOnes) {
  TTranslate t;
  CONSTPROJ p = Record();
  ASSERT_EQ(t.SetProjection(2, &p, 9), 0);
  ASSERT_EQ(t.SetProjection(2, &p, 2), 0);
  EXPECT_EQ(t.EllipsoidKind, 2);
  EXPECT_EQ(t.MajorAxis, 6378137.0);
  EXPECT_EQ(t.EccentricityTerm, 0.0066943799901413165);
}

TEST(TranslateSetProjection, ZoneSystemSetUps) {
  TTranslate t;
  CONSTPROJ p = Record(0.8, 0.9, 37.5 * kDeg);
  ASSERT_EQ(t.SetProjection(17, &p, 9), 0);
  EXPECT_EQ(std::make_tuple(t.ZoneMajorAxis, t.ScaleFactor, t.FalseEasting),
            std::make_tuple(6378137.0, 0.9996, 500000.0));
  EXPECT_EQ(std::make_tuple(t.ZoneNumberInSystem, t.ZoneNumber), std::make_tuple(37, 37));
  ASSERT_EQ(t.SetProjection(17, &p, 4), 0);
  EXPECT_EQ(std::make_tuple(t.ZoneMajorAxis, t.ZoneFlattening),
            std::make_tuple(6378206.0, 0.0033900603430741063));
  ASSERT_EQ(t.SetProjection(17, &p, 7), 0);  // the object's own ellipsoid
  EXPECT_EQ(std::make_tuple(t.ZoneMajorAxis, t.ZoneEccentricity2),
            std::make_tuple(6377397.0, 0.006674657630673823));

  // Zone system carried by the parameters: zone 1 at 9 degrees, 6 degrees
  // wide, false easting 3 * 100 km, false northing -(-2) * 10 km.
  CONSTPROJ ck = {9 * kDeg, 6 * kDeg, 40 * kDeg, 3.0, 0.0, -2.0};
  ASSERT_EQ(t.SetProjection(32, &ck, 1), 0);
  EXPECT_EQ(std::make_tuple(t.FalseEasting, t.FalseNorthing, t.FirstAxis),
            std::make_tuple(300000.0, 20000.0, 9 * kDeg));
  EXPECT_NEAR(t.ZoneWidthDegrees, 6.0, 1e-12);
  // 40 degrees lies in 39 +- 3.
  EXPECT_EQ(std::make_tuple(t.ZoneNumberInSystem, t.ZoneNumber), std::make_tuple(6, 6));

  // No set-up on an ellipsoid the kind is not made for.
  TTranslate u;
  ASSERT_EQ(u.SetProjection(17, &p, 1), 0);
  EXPECT_EQ(std::make_tuple(u.ScaleFactor, u.ZoneNumber), std::make_tuple(0.0, 7));
  ASSERT_EQ(u.SetProjection(32, &ck, 9), 0);
  EXPECT_EQ(u.ScaleFactor, 0.0);
}

TEST(TranslateSetProjection, ZoneNumbersOfTheZoneSystem) {
  TTranslate t;
  t.InitUTMforWGS84();
  t.InitNumberZone_in_Ill_l(-177 * kDeg);
  EXPECT_EQ(t.GetNumberZone_in_Ill(), 1);
  t.InitNumberZone_in_Ill_l(179.9 * kDeg);
  EXPECT_EQ(t.GetNumberZone_in_Ill(), 60);
  EXPECT_NEAR(t.CalcAxisMeridianByNumberZone_in_Ill(31), 363 * kDeg, 1e-12);
  t.InitGKfor42();
  t.InitNumberZone_in_Ill_l(0.0);
  EXPECT_EQ(t.ZoneNumber, 1);
  t.InitNumberZone_in_Ill_l(-3 * kDeg);
  EXPECT_EQ(t.ZoneNumber, 60);
  t.InitNumberZone_in_Ill(37512345.0);
  EXPECT_EQ(t.GetNumberZone_in_Ill(), 37);
  EXPECT_EQ(t.ZoneNumber, 60);  // the easting sets the zone system's zone only
  EXPECT_EQ(t.SetNumberZone_in_Ill(12), 12);
  EXPECT_EQ(t.ZoneNumber, 12);

  // Numbers that are not zones leave the zone as it was.
  t.InitNumberZone_in_Ill(kNaN);
  t.InitNumberZone_in_Ill(1e300);
  t.InitNumberZone_in_Ill_l(kNaN);
  EXPECT_EQ(t.GetNumberZone_in_Ill(), 12);
  EXPECT_EQ(GetNumberZone_in_Ill(nullptr), 0);
}

TEST(TranslateConstructor, InstallsWithoutTheKindsSetUp) {
  CONSTPROJ p = Record(0.8, 0.9, 87 * kDeg, 0.7);
  TTranslate gk(1, &p, 1);
  EXPECT_EQ(std::make_tuple(gk.ProjectionKind, gk.ZoneNumber), std::make_tuple(1, 15));
  EXPECT_EQ(std::make_tuple(gk.FirstMainParallel, gk.ScaleFactor), std::make_tuple(0.8, 0.0));

  TTranslate wgs(1, &p, 9);
  EXPECT_EQ(std::make_tuple(wgs.MajorAxis, wgs.EccentricityTerm, wgs.EllipsoidKind),
            std::make_tuple(6378245.01, 0.08181334, 9));
  EXPECT_EQ(wgs.ZoneMajorAxis, 6378137.0);
  EXPECT_EQ(wgs.ZoneNumberInSystem, 45);  // UTM zone of 87 degrees east
  EXPECT_EQ(wgs.ZoneNumber, 15);          // then the 6-degree zone of kind 1

  TTranslate family(21, &p, 1);
  for (double w : family.WorkConstants) EXPECT_EQ(w, 0.0);

  TTranslate refused(5, &p, 1);
  EXPECT_EQ(std::make_tuple(refused.ProjectionKind, refused.ErrorCode, refused.ZoneNumber),
            std::make_tuple(-1, 0, 7));
  TTranslate null(1, nullptr, 1);
  EXPECT_EQ(null.ProjectionKind, -1);
  double b = 1, l = 1;
  null.XY2BL(5715178.129, 7500000.0, &b, &l);
  EXPECT_EQ(null.ErrorCode, MAPERR_PROJECTION);
  EXPECT_EQ(std::make_pair(b, l), std::make_pair(0.0, 0.0));
}

TEST(TranslateEllipsoids, SquaredEccentricityIsTwoFMinusFSquared) {
  struct {
    int kind;
    double a;
    double inverseFlattening;
  } const cases[] = {{3, 6378388.0, 297.0},        {4, 6378249.145, 293.465},
                     {5, 6378206.0, 294.98},       {6, 6377276.0, 300.81},
                     {7, 6377397.0, 299.14},       {8, 6377491.0, 299.3},
                     {9, 6378137.0, 298.257223563}};
  for (const auto& c : cases) {
    TTranslate t;
    CONSTPROJ p = Record();
    ASSERT_EQ(t.SetProjection(1, &p, c.kind), 0);
    const double f = 1.0 / c.inverseFlattening;
    EXPECT_EQ(t.MajorAxis, c.a) << c.kind;
    EXPECT_EQ(t.EccentricityTerm, 2 * f - f * f) << c.kind;
  }
}

TEST(TranslateDispatch, UnsupportedPairsAnswerProjectionError) {
  const std::pair<int, int> cases[] = {{1, 5},  {1, 9},  {17, 1}, {6, 3}, {6, 9},
                                       {21, 0}, {32, 4}, {3, 9},  {16, 5}};
  for (const auto& [kind, ellipsoid] : cases) {
    TTranslate t;
    CONSTPROJ p = Record();
    for (int inverse = 0; inverse < 2; ++inverse) {
      ASSERT_EQ(t.SetProjection(kind, &p, ellipsoid), 0);
      double a = 1, b = 1;
      if (inverse) t.XY2BL(5000000.0, 7500000.0, &a, &b);
      else t.BL2XY(0.9, 0.7, &a, &b);
      EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION) << kind << " on " << ellipsoid;
      EXPECT_EQ(std::make_pair(a, b), std::make_pair(0.0, 0.0));
    }
  }
}

TEST(TranslateDispatch, GaussKrugerOnEveryEllipsoidButFiveAndNine) {
  for (int ellipsoid : {1, 0, 2, 3, 4, 6, 7, 8, 10, -3}) {
    TTranslate t;
    CONSTPROJ p = Record();
    ASSERT_EQ(t.SetProjection(1, &p, ellipsoid), 0);
    double x, y, xgk, ygk, b, l;
    t.BL2XY(0.9, 40 * kDeg, &x, &y);
    t.BL2XY_GK(0.9, 40 * kDeg, &xgk, &ygk);
    EXPECT_EQ(t.ErrorCode, 0) << ellipsoid;
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(xgk, ygk));
    t.XY2BL(x, y, &b, &l);
    EXPECT_NEAR(b, 0.9, 1e-10);
    EXPECT_NEAR(l, 40 * kDeg, 1e-10);
  }
}

TEST(TranslateDispatch, NullObjectAndNullOutputsWriteNothing) {
  double a = 5, b = 6;
  XY2BL(nullptr, 1, 2, &a, &b);
  BL2XY(nullptr, 1, 2, &a, &b);
  TTranslate t;
  t.BL2XY(0.9, 0.7, nullptr, &b);
  t.XY2BL(1, 2, &a, nullptr);
  EXPECT_EQ(std::make_pair(a, b), std::make_pair(5.0, 6.0));
  EXPECT_EQ(t.ErrorCode, 0);
}

}  // namespace
