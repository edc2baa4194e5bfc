// Gauss-Krueger projection and the 6-degree zone, checked against the
// projection's closed formula and against PROJ's transverse Mercator on the
// Krasovsky ellipsoid.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

#include "geodesy/gauss_kruger.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

TEST(GaussKrugerZone, IdentifyZoneCountsOnTheAbsoluteLongitude) {
  TTranslate t;
  // {longitude, zone, meridian in degrees}
  const std::tuple<double, int, double> cases[] = {
      {-0.1, 1, 3}, {-10 * kDeg, 2, 9}, {365 * kDeg, 61, 363}, {0.65704432, 7, 39}};
  for (const auto& [l, zone, meridian] : cases) {
    t.IdentifyZone(l);
    EXPECT_EQ(t.ZoneNumber, zone) << l;
    EXPECT_NEAR(t.ZoneMeridian, meridian * kDeg, 1e-13) << l;
  }
  EXPECT_EQ(t.ZoneMeridian, 0.6806784082777897);
  for (int n = 1; n <= 60; ++n) {
    t.IdentifyZone(((6 * n - 3) + 2.9) * kDeg);
    EXPECT_EQ(t.ZoneNumber, n);
  }
  // Not a longitude: the zone stays.
  t.IdentifyZone(std::numeric_limits<double>::quiet_NaN());
  t.IdentifyZone(1e300);
  EXPECT_EQ(t.ZoneNumber, 60);
  IdentifyZone(nullptr, 0.5);
  EXPECT_EQ(GetNumberZone(nullptr), 0);
}

TEST(GaussKrugerZone, SetNumberZoneCountsFrom360) {
  TTranslate t;
  // By longitude: {longitude, zone, meridian in degrees}.
  const std::tuple<double, int, double> byLongitude[] = {
      {-0.1, 60, 357}, {-10 * kDeg, 59, 351}, {0.0, 1, 3}, {39.5 * kDeg, 7, 39}};
  for (const auto& [l, zone, meridian] : byLongitude) {
    EXPECT_EQ(t.SetNumberZone(l), zone) << l;
    EXPECT_EQ(t.ZoneNumber, zone);
    EXPECT_NEAR(t.ZoneMeridian, meridian * kDeg, 1e-14) << l;
  }
  EXPECT_EQ(t.SetNumberZone(std::numeric_limits<double>::infinity()), 7);
  // By number.
  EXPECT_EQ(t.SetNumberZone(15), 15);
  EXPECT_NEAR(t.ZoneMeridian, 87 * kDeg, 1e-15);
  EXPECT_EQ(t.SetNumberZone(0), 0);
  EXPECT_NEAR(t.ZoneMeridian, -3 * kDeg, 1e-15);
  EXPECT_EQ(t.SetNumberZone(INT32_MAX), INT32_MAX);  // no range check, no overflow
  EXPECT_EQ(SetNumberZone(nullptr, 5), 0);
  EXPECT_EQ(SetNumberZone(nullptr, 0.5), 0);
}

TEST(GaussKrugerProjection, ReferencePointInZone7) {
  TTranslate t;
  double x, y;
  t.BL2XY_GK(0.9, 39 * kDeg, &x, &y);
  EXPECT_NEAR(x, 5715178.129, 0.0005);
  EXPECT_NEAR(y, 7500000.0, 1e-6);
  const double s2 = std::sin(0.9) * std::sin(0.9);
  EXPECT_NEAR(x, 6367558.4968 * 0.9 - std::sin(1.8) * (16002.89 + 66.9607 * s2 + 0.3515 * s2 * s2),
              1e-8);

  double b, l;
  t.XY2BL_GK(x, y, &b, &l);
  EXPECT_NEAR(b, 0.9, 1e-10);
  EXPECT_NEAR(l, 39 * kDeg, 1e-10);
}

TEST(GaussKrugerProjection, RoundTripWithinTheZone) {
  TTranslate t;
  for (int zone : {1, 7, 30, 60}) {
    t.SetNumberZone(zone);
    const double axis = (6 * zone - 3) * kDeg;
    for (double bd = -84; bd <= 84; bd += 3.5) {
      for (double dl = -3; dl <= 3; dl += 0.75) {
        double x, y, b, l;
        t.BL2XY_GK(bd * kDeg, axis + dl * kDeg, &x, &y);
        t.XY2BL_GK(x, y, &b, &l);
        EXPECT_NEAR(b, bd * kDeg, 1e-9) << zone << " " << bd << " " << dl;
        EXPECT_NEAR(l, axis + dl * kDeg, 1e-9) << zone << " " << bd << " " << dl;
        // West of the axis the easting lies below the zone's half million.
        EXPECT_TRUE(dl >= 0 || y < zone * 1e6 + 500000.0);
      }
    }
  }
}

TEST(GaussKrugerProjection, LongitudesAcrossTheSeam) {
  TTranslate t;
  double x1, y1, x2, y2;
  // Zone 1 at 359 and -1 degrees (l = -4), zone 60 at 1 and 361 (l = +4).
  for (int zone : {1, 60}) {
    t.SetNumberZone(zone);
    t.BL2XY_GK(0.9, (zone == 1 ? 359 : 1) * kDeg, &x1, &y1);
    t.BL2XY_GK(0.9, (zone == 1 ? -1 : 361) * kDeg, &x2, &y2);
    EXPECT_NEAR(x1, x2, 1e-6);
    EXPECT_NEAR(y1, y2, 1e-6);
    EXPECT_NEAR(y1, zone * 1e6 + 500000.0, 400000.0);
    EXPECT_GT(std::fabs(y1 - (zone * 1e6 + 500000.0)), 250000.0);
  }

  // A second turn east of a western zone is taken back by one turn, and
  // longitudes beyond two turns are reduced into one.
  t.SetNumberZone(7);
  t.BL2XY_GK(0.9, (39 + 360) * kDeg, &x1, &y1);
  EXPECT_NEAR(y1, 7500000.0, 1e-6);
  t.SetNumberZone(30);
  for (double l : {177 + 720, 177 - 720}) {
    t.BL2XY_GK(0.9, l * kDeg, &x1, &y1);
    EXPECT_NEAR(y1, 30500000.0, 1e-6);
  }
}

TEST(GaussKrugerProjection, ZoneComesFromTheObjectNotFromTheEasting) {
  TTranslate t;  // zone 7
  double b, l;
  t.XY2BL_GK(5715178.129, 8500000.0, &b, &l);  // an easting of zone 8
  EXPECT_GT(l, 45 * kDeg);                     // taken as 1000 km east of 39 degrees
  double a = 3, c = 4;
  XY2BL_GK(nullptr, 1, 2, &a, &c);
  BL2XY_GK(nullptr, 1, 2, &a, &c);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(c, 4);
}

// The zone's transverse Mercator on the Krasovsky ellipsoid in PROJ.
PJ* ProjZone(PJ_CONTEXT* ctx, int n) {
  char def[200];
  std::snprintf(def, sizeof def, "+proj=tmerc +lat_0=0 +lon_0=%d +k=1 +x_0=%d +y_0=0 +ellps=krass",
                6 * n - 3, n * 1000000 + 500000);
  return proj_create(ctx, def);
}

TEST(ProjTmerc, GridAgreesToOneMillimetre) {
  PJ_CONTEXT* ctx = proj_context_create();
  TTranslate t;
  for (int zone : {1, 7, 13, 30, 45, 60}) {
    PJ* pj = ProjZone(ctx, zone);
    ASSERT_NE(pj, nullptr);
    t.SetNumberZone(zone);
    const double axis = (6 * zone - 3) * kDeg;
    for (double bd = 35; bd <= 75; bd += 0.5) {
      for (double dl = -3; dl <= 3; dl += 0.25) {
        SCOPED_TRACE(::testing::Message() << zone << " " << bd << " " << dl);
        const double B = bd * kDeg, L = axis + dl * kDeg;
        double x, y, b, l;
        t.BL2XY_GK(B, L, &x, &y);
        PJ_COORD plane = proj_trans(pj, PJ_FWD, proj_coord(L, B, 0, 0));
        // PROJ gives easting, northing.
        ASSERT_NEAR(x, plane.xy.y, 0.001);
        ASSERT_NEAR(y, plane.xy.x, 0.001);
        t.XY2BL_GK(x, y, &b, &l);
        PJ_COORD back = proj_trans(pj, PJ_INV, proj_coord(y, x, 0, 0));
        ASSERT_NEAR(b, back.lp.phi, 2e-10);
        // PROJ answers longitudes in -pi..pi; ours stay near the axis.
        ASSERT_NEAR(std::remainder(back.lp.lam - l, 2 * kPi), 0.0, 2e-10);
      }
    }
    proj_destroy(pj);
  }
  proj_context_destroy(ctx);
}

}  // namespace
