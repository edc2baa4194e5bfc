// Datum shifts against PROJ's seven-parameter transformation of geocentric
// coordinates between the same ellipsoids, their chains, and the 6-degree
// zones on the NAHRWAN datum against PROJ's transverse Mercator.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

struct Ellipsoid {
  double a, rf;
};
constexpr Ellipsoid kKrasovsky{6378245.0, 298.3}, kEC90{6378136.0, 298.257839303},
    kWGS84{6378137.0, 298.257223563}, kNahrwan{6378249.145, 293.465};

struct Helmert {
  double x, y, z, rx, ry, rz, ppm;
};

// PROJ's pipeline of one mode: geocentric on the source ellipsoid, the
// shift (rotations in seconds, scale in parts per million), geodetic on the
// target ellipsoid.
std::string Pipeline(Ellipsoid from, Ellipsoid to, Helmert h, const char* convention) {
  char def[600];
  std::snprintf(def, sizeof def,
                "+proj=pipeline +step +proj=cart +a=%.3f +rf=%.9f +step +proj=helmert +x=%g +y=%g "
                "+z=%g +rx=%g +ry=%g +rz=%g +s=%g +convention=%s +step +inv +proj=cart +a=%.3f "
                "+rf=%.9f",
                from.a, from.rf, h.x, h.y, h.z, h.rx, h.ry, h.rz, h.ppm, convention, to.a, to.rf);
  return def;
}

struct ModeCase {
  int mode;
  Ellipsoid from, to;
  Helmert shortForm, fullForm;
  double shortMetres;  // what the short formula leaves against PROJ
};

// The short formula puts e^2 difference in place of the flattening term
// a df sin 2B / M, which loses about 2 m where the flattening changes much
// (WGS84 and NAHRWAN); elsewhere both formulas stay within 10 cm.
const ModeCase kModes[] = {
    {1,
     kKrasovsky,
     kEC90,
     {25, -141, -80, 0, 0.35, 0.66, 0.1},
     {25, -141, -80, 0, 0.35, 0.66, 0.1},
     0.1},
    {2,
     kEC90,
     kWGS84,
     {0, 0.3, 1.5, 0, 0, 0.076, 0.1},
     {-1.08, -0.27, -0.9, 0, 0, -0.16, 0.12},
     0.1},
    {3, kWGS84, kNahrwan, {249, 156, -381, 0, 0, 0, 0.1}, {249, 156, -381, 0, 0, 0, 0.1}, 2.0},
    {4,
     kEC90,
     kKrasovsky,
     {-25, 141, 80, 0, -0.35, -0.66, 0.1},
     {-25, 141, 80, 0, -0.35, -0.66, 0.1},
     0.1},
    {5,
     kWGS84,
     kEC90,
     {0, -0.3, -1.5, 0, 0, -0.076, 0.1},
     {1.08, 0.27, 0.9, 0, 0, 0.16, 0.12},
     0.1},
    {6, kNahrwan, kWGS84, {-249, -156, 381, 0, 0, 0, 0.1}, {-249, -156, 381, 0, 0, 0, 0.1}, 2.0},
    {7,
     kKrasovsky,
     kKrasovsky,
     {25.9, -130.94, -81.76, 0, 0, 0, 0.1},
     {25.9, -130.94, -81.76, 0, 0, 0, 0.1},
     0.1},
    {8,
     kKrasovsky,
     kKrasovsky,
     {-25.9, 130.94, 81.76, 0, 0, 0, 0.1},
     {-25.9, 130.94, 81.76, 0, 0, 0, 0.1},
     0.1},
};

using ShiftFunction = void (*)(double, double, double, double*, double*, double*, int);

// The largest gap on the ground (metres) and in height between a shift and
// PROJ over a grid of points at 100 m.
std::pair<double, double> Gap(PJ* pj, ShiftFunction shift, int mode) {
  double ground = 0, height = 0;
  for (double bd = -60; bd <= 75; bd += 5) {
    for (double ld = -170; ld <= 170; ld += 20) {
      const double B = bd * kDeg, L = ld * kDeg;
      double b, l, h;
      shift(B, L, 100.0, &b, &l, &h, mode);
      const PJ_COORD c = proj_trans(pj, PJ_FWD, proj_coord(L, B, 100.0, 0));
      const double dl = std::remainder(l - c.lpz.lam, 2 * kPi);
      ground = std::fmax(ground, std::hypot((b - c.lpz.phi) * 6.37e6, dl * 6.37e6 * std::cos(B)));
      height = std::fmax(height, std::fabs(h - c.lpz.z));
    }
  }
  return {ground, height};
}

class DatumProj : public ::testing::Test {
 protected:
  void SetUp() override { ctx = proj_context_create(); }
  void TearDown() override { proj_context_destroy(ctx); }
  PJ_CONTEXT* ctx = nullptr;
};

// The short formula rotates as PROJ's position vector, the full formula as
// its coordinate frame.
TEST_F(DatumProj, BothFormulasAgreeWithTheSevenParameterShift) {
  for (const ModeCase& m : kModes) {
    SCOPED_TRACE(::testing::Message() << "mode " << m.mode);
    PJ* shortPj = proj_create(ctx, Pipeline(m.from, m.to, m.shortForm, "position_vector").c_str());
    PJ* fullPj = proj_create(ctx, Pipeline(m.from, m.to, m.fullForm, "coordinate_frame").c_str());
    ASSERT_TRUE(shortPj && fullPj);
    const auto [shortGround, shortHeight] = Gap(shortPj, BL2BL, m.mode);
    EXPECT_LT(shortGround, m.shortMetres);
    EXPECT_LT(shortHeight, m.shortMetres);
    const auto [fullGround, fullHeight] = Gap(fullPj, BL2BL_03, m.mode);
    EXPECT_LT(fullGround, 0.1);
    EXPECT_LT(fullHeight, 0.1);
    const auto [meanGround, meanHeight] = Gap(fullPj, BL2BL_001, m.mode);
    EXPECT_LT(meanGround, 0.1);
    EXPECT_LT(meanHeight, 0.1);
    proj_destroy(shortPj);
    proj_destroy(fullPj);
  }
}

TEST_F(DatumProj, NahrwanZonesAreTransverseMercatorOfClarke1880) {
  for (int n : {1, 8, 37, 60}) {
    char def[200];
    std::snprintf(def, sizeof def,
                  "+proj=tmerc +lon_0=%d +k=0.9996 +x_0=%d +a=6378249.145 +rf=293.465", 6 * n - 3,
                  (10 * n + 5) * 100000);
    PJ* pj = proj_create(ctx, def);
    ASSERT_NE(pj, nullptr);
    for (double bd = -60; bd <= 70; bd += 10) {
      for (double dl = -2.9; dl <= 2.9; dl += 0.58) {
        const double B = bd * kDeg, L = (6 * n - 3 + dl) * kDeg;
        double x, y;
        BL2XYNAHRWAN(B, L, &x, &y);
        const PJ_COORD c = proj_trans(pj, PJ_FWD, proj_coord(L, B, 0, 0));
        ASSERT_LT(std::hypot(x - c.xy.y, y - c.xy.x), 1.0) << n << " " << bd << " " << dl;
      }
    }
    proj_destroy(pj);
  }
}

TEST(Datum, StatedEdges) {
  TTranslate t;
  double b = 0.9, l = 0.7, h = 50, b2, l2, h2;
  // Out and back through the local shifts: close, not exact.
  t.BL2BL(0.9, 0.7, 50, &b, &l, &h, 7);
  t.BL2BL(b, l, h, &b2, &l2, &h2, 8);
  EXPECT_NEAR(b2, 0.9, 1e-7);
  EXPECT_NE(b2, 0.9);
  EXPECT_NEAR(h2, 50 + 2e-7 * 6.39e6, 0.1);  // the scale term counts twice
  // A negative longitude comes out in 0-2*pi.
  t.BL2BL(0.9, -0.5, 0, &b, &l, &h, 1);
  EXPECT_NEAR(l, 2 * kPi - 0.5, 1e-4);
  // Modes outside 1-8 and null outputs write nothing.
  for (int mode : {0, 9, -1}) {
    b2 = l2 = h2 = 7;
    t.BL2BL(0.9, 0.7, 0, &b2, &l2, &h2, mode);
    t.BL2BL_03(0.9, 0.7, 0, &b2, &l2, &h2, mode);
    t.BL2BL_001(0.9, 0.7, 0, &b2, &l2, &h2, mode);
    EXPECT_EQ(std::make_tuple(b2, l2, h2), std::make_tuple(7.0, 7.0, 7.0)) << mode;
  }
  t.BL422BLWGS84(0.9, 0.7, 0, nullptr, &l2, &h2);
  EXPECT_EQ(l2, 7.0);

  // The chains: 42 to WGS84 is modes 1 then 2; the way back is close.
  double b1, l1, h1;
  t.BL2BL(0.9, 0.7, 0, &b1, &l1, &h1, 1);
  t.BL2BL(b1, l1, h1, &b1, &l1, &h1, 2);
  t.BL422BLWGS84(0.9, 0.7, 0, &b, &l, &h);
  EXPECT_EQ(std::make_tuple(b, l, h), std::make_tuple(b1, l1, h1));
  t.BLWGS842BL42(b, l, h, &b2, &l2, &h2);
  EXPECT_NEAR(b2, 0.9, 1e-7);
  EXPECT_NEAR(l2, 0.7, 1e-7);
  t.BL422BLNAHRWAN(0.9, 0.7, 0, &b, &l, &h);
  t.BLNAHRWAN2BL42(b, l, h, &b2, &l2, &h2);
  EXPECT_NEAR(b2, 0.9, 2e-7);

  // The NAHRWAN zone of 3 degrees east: zone 1 on its axis.
  double x, y;
  t.BL2XYNAHRWAN(0.9, 3 * kDeg, &x, &y);
  const double s2 = std::sin(0.9) * std::sin(0.9);
  EXPECT_NEAR(y, 1500000.0, 1e-6);
  EXPECT_NEAR(x, 0.9996 * (6367386.7 * 0.9 - std::sin(1.8) * (16265.9 + 69.2 * s2)), 1e-6);
  t.BL2XYNAHRWAN(-0.5, 3 * kDeg, &x, &y);
  EXPECT_LT(x, 0.0);  // no false northing
  // Shift first, then the zone.
  double xs, ys;
  t.BL422XYNAHRWAN(0.9, 0.7, 0, &x, &y);
  t.BL422BLNAHRWAN(0.9, 0.7, 0, &b, &l, &h);
  t.BL2XYNAHRWAN(b, l, &xs, &ys);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(xs, ys));
  // The poles do not trap.
  t.BL2BL(kPi / 2, 0.7, 0, &b, &l, &h, 1);
  t.BL2BL_03(kPi / 2, 0.7, 0, &b, &l, &h, 2);
}

}  // namespace
