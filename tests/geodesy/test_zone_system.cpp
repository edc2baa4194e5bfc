// The zone-system projections (kinds 17 and 32): transverse Mercator in
// numbered zones on the block's ellipsoid, against the Gauss-Krueger series
// of the 6-degree zones and PROJ's UTM.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>

#include "common/maperr.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

TEST(ZoneSystem, GaussKrugerZonesOfThe42System) {
  TTranslate t;
  t.InitGKfor42();
  t.SetNumberZone_in_Ill(7);
  double x, y, b, l;
  t.BL2XY_in_Ill(0.9, 39 * kDeg, &x, &y);
  EXPECT_NEAR(x, 5715178.129, 0.0005);
  EXPECT_EQ(y, 7500000.0);  // on the axis meridian exactly
  t.XY2BL_in_Ill(x, y, &b, &l);
  EXPECT_NEAR(b, 0.9, 1e-10);
  EXPECT_NEAR(l, 39 * kDeg, 1e-10);
  // The series of the 6-degree zones, across the zone.
  for (double dl = -3; dl <= 3; dl += 1) {
    double xg, yg;
    t.BL2XY_in_Ill(1.1, (39 + dl) * kDeg, &x, &y);
    t.BL2XY_GK(1.1, (39 + dl) * kDeg, &xg, &yg);
    EXPECT_NEAR(x, xg, 0.001) << dl;
    EXPECT_NEAR(y, yg, 0.001) << dl;
    // West of the axis the easting lies below the zone's half million, in
    // both series.
    t.BL2XY_in_Ill_1(1.1, (39 + dl) * kDeg, &xg, &yg);
    EXPECT_EQ(dl < 0, y < 7500000.0);
    EXPECT_EQ(dl < 0, yg < 7500000.0);
    EXPECT_NEAR(x, xg, 5.0);  // the shorter series
    t.XY2BL_in_Ill_1(x, y, &b, &l);
    EXPECT_NEAR(l, (39 + dl) * kDeg, 1e-6);
  }
  double a = 1, c = 2;
  XY2BL_in_Ill(nullptr, 1, 2, &a, &c);
  BL2XY_in_Ill_1(nullptr, 1, 2, &a, &c);
  EXPECT_EQ(std::make_pair(a, c), std::make_pair(1.0, 2.0));
}

TEST(ZoneSystem, UtmAgreesWithProj) {
  PJ_CONTEXT* ctx = proj_context_create();
  struct {
    int ellipsoid;
    const char* proj;  // the ellipsoid in PROJ's words
  } const cases[] = {{9, "+ellps=WGS84"}, {4, "+a=6378206.0 +rf=294.98"}, {3, "+ellps=intl"}};
  for (const auto& c : cases) {
    for (int zone : {1, 31, 37, 60}) {
      SCOPED_TRACE(::testing::Message() << "ellipsoid " << c.ellipsoid << " zone " << zone);
      char def[200];
      std::snprintf(def, sizeof def, "+proj=utm +zone=%d %s", zone, c.proj);
      PJ* pj = proj_create(ctx, def);
      ASSERT_NE(pj, nullptr);
      const double axis = (6 * zone - 183) * kDeg;
      TTranslate t;
      CONSTPROJ p = {0, 0, axis, 0, 0, 0};
      ASSERT_EQ(t.SetProjection(17, &p, c.ellipsoid), 0);
      ASSERT_EQ(t.ZoneNumberInSystem, zone);
      for (double bd = 0; bd <= 80; bd += 5) {
        for (double dl = -3; dl <= 3; dl += 0.75) {
          const double B = bd * kDeg, L = axis + dl * kDeg;
          double x, y, b, l;
          t.BL2XY(B, L, &x, &y);
          const PJ_COORD e = proj_trans(pj, PJ_FWD, proj_coord(L, B, 0, 0));
          ASSERT_NEAR(x, e.xy.y, 0.001) << bd << " " << dl;
          ASSERT_NEAR(y - zone * 1e6, e.xy.x, 0.001) << bd << " " << dl;
          t.XY2BL(x, y, &b, &l);
          ASSERT_NEAR(b, B, 1e-10);
          ASSERT_NEAR(std::remainder(l - L, 2 * kPi), 0.0, 1e-10);
        }
      }
      EXPECT_EQ(t.ErrorCode, 0);
      proj_destroy(pj);
    }
  }
  proj_context_destroy(ctx);
}

TEST(ZoneSystem, KindsThroughTheDispatch) {
  // CK63: zone 1 at 9 degrees, 6 degrees wide, false easting 15 x 100 km
  // (taken as 500 km by the inverse), false northing -(-2) x 10 km.
  TTranslate t;
  CONSTPROJ ck = {9 * kDeg, 6 * kDeg, 40 * kDeg, 15.0, 0.0, -2.0};
  ASSERT_EQ(t.SetProjection(32, &ck, 1), 0);
  ASSERT_EQ(t.ZoneNumberInSystem, 6);
  double x, y, b, l;
  t.XY2BL(6000000.0, 6600000.0, &b, &l);
  EXPECT_EQ(t.FalseEasting, 500000.0);
  t.BL2XY(b, l, &x, &y);
  EXPECT_NEAR(x, 6000000.0, 1e-3);
  EXPECT_NEAR(y, 6600000.0, 1e-3);
  EXPECT_NEAR(l, 39 * kDeg + (100000.0 / 6378245.0) / std::cos(b), 0.01);
  EXPECT_EQ(t.ErrorCode, 0);

  // Kind 17 where no zone set-up ran (ellipsoid 0) has no ellipsoid:
  // refused, not a number.
  TTranslate none;
  CONSTPROJ p = {0, 0, 0.5, 0, 0, 0};
  ASSERT_EQ(none.SetProjection(17, &p, 0), 0);
  none.BL2XY(0.9, 0.5, &x, &y);
  EXPECT_EQ(none.ErrorCode, MAPERR_PROJECTION);
}

}  // namespace
