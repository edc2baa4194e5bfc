// Angle units: degrees-minutes-seconds, reductions into a full turn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geodesy/radiangrad.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

struct Dms {
  int d, m;
  double s;
};

Dms Normalized(int d, int m, double s) {
  EXPECT_EQ(TRadianGrad::GradNormalize(&d, &m, &s), 1);
  return {d, m, s};
}

TEST(RadianGrad, RadianToDegreesMinutesSeconds) {
  int d = -1, m = -1;
  double s = -1;
  EXPECT_EQ(TRadianGrad::RadianToGrad(-0.5, &d, &m, &s), 1);
  EXPECT_EQ(d, 28);
  EXPECT_EQ(m, 38);
  EXPECT_NEAR(s, 52.4031, 1e-4);
  EXPECT_EQ(TRadianGrad::RadianToGrad(0.5, &d, &m, &s), 0);
  EXPECT_EQ(d, 28);

  EXPECT_EQ(TRadianGrad::RadianToGrad(400 * kDeg, &d, &m, &s), 0);
  EXPECT_EQ(d, 40);
  TRadianGrad::RadianToGrad(2 * kPi, &d, &m, &s);
  EXPECT_EQ(d, 360);
  TRadianGrad::RadianToGrad(1001 * kDeg, &d, &m, &s);
  EXPECT_EQ(d, 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(s, 0.0);
  TRadianGrad::RadianToGrad(std::numeric_limits<double>::quiet_NaN(), &d, &m, &s);
  EXPECT_EQ(d, 0);
  EXPECT_EQ(s, 0.0);

  d = 7;
  EXPECT_EQ(TRadianGrad::RadianToGrad(-0.5, &d, nullptr, &s), 0);
  EXPECT_EQ(d, 7);
}

TEST(RadianGrad, GradNormalizeCarriesAndReduces) {
  Dms a = Normalized(-10, 0, 0);
  EXPECT_EQ(a.d, 350);
  EXPECT_EQ(a.m, 0);
  EXPECT_EQ(a.s, 0.0);
  EXPECT_EQ(Normalized(-360, 0, 0).d, 360);
  EXPECT_EQ(Normalized(-370, 0, 0).d, 350);
  EXPECT_EQ(Normalized(360, 0, 0).d, 360);
  EXPECT_EQ(Normalized(720, 0, 0).d, 0);
  EXPECT_EQ(Normalized(400, 0, 0).d, 40);
  Dms b = Normalized(10, 59, 61.5);
  EXPECT_EQ(b.d, 11);
  EXPECT_EQ(b.m, 0);
  EXPECT_EQ(b.s, 1.5);
  Dms c = Normalized(0, 0, 3 * 3600 + 125.25);  // many minutes at once
  EXPECT_EQ(c.d, 3);
  EXPECT_EQ(c.m, 2);
  EXPECT_EQ(c.s, 5.25);
  Dms n = Normalized(5, -3, -7.5);  // negative parts stay
  EXPECT_EQ(n.m, -3);
  EXPECT_EQ(n.s, -7.5);

  // Absurd seconds end at once with the pair in range instead of looping.
  Dms big = Normalized(0, 0, 1e300);
  EXPECT_GE(big.s, 0.0);
  EXPECT_LT(big.s, 60.0);
  EXPECT_GE(big.m, 0);
  EXPECT_LT(big.m, 60);
  EXPECT_GE(big.d, 0);
  EXPECT_LE(big.d, 360);
  int d = 1, m = 2;
  double s = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TRadianGrad::GradNormalize(&d, &m, &s), 0);
  EXPECT_EQ(TRadianGrad::GradNormalize(&d, &m, nullptr), 0);
}

TEST(RadianGrad, DegreesMinutesSecondsToRadians) {
  EXPECT_EQ(TRadianGrad::GradToRadian(10, 0, 0.0, 1), -(36000 * 4.84813681109536e-6));
  EXPECT_NEAR(TRadianGrad::GradToRadian(10, 59, 61.5, 0), (11 * 3600 + 1.5) * 4.84813681109536e-6,
              1e-15);
  EXPECT_NEAR(TRadianGrad::GradToRadian(-10, 0, 0.0, 0), 350 * kDeg, 1e-12);
  // Negative minutes far outside an int's product with 60 stay finite.
  EXPECT_TRUE(std::isfinite(TRadianGrad::GradToRadian(0, INT32_MIN, 0.0, 0)));
}

TEST(RadianGrad, RoundTripHasNoSixtySecondCarry) {
  for (int d = 0; d < 360; d += 7) {
    for (int m = 0; m < 60; m += 3) {
      for (double s : {0.0, 0.5, 29.999, 59.0, 59.9999999}) {
        const double r = TRadianGrad::GradToRadian(d, m, s, 0);
        int d2, m2;
        double s2;
        EXPECT_EQ(TRadianGrad::RadianToGrad(r, &d2, &m2, &s2), 0);
        EXPECT_GE(s2, 0.0);
        EXPECT_LT(s2, 60.0);
        EXPECT_GE(m2, 0);
        EXPECT_LT(m2, 60);
        const double total = d2 * 3600.0 + m2 * 60.0 + s2;
        EXPECT_NEAR(total, d * 3600.0 + m * 60.0 + s, 1e-6) << d << " " << m << " " << s;
      }
    }
  }
}

TEST(RadianGrad, TurnReductions) {
  EXPECT_NEAR(TRadianGrad::GradToRadian(-90.0), 270 * kDeg, 1e-15);
  EXPECT_NEAR(TRadianGrad::GradToRadian(450.0), 90 * kDeg, 1e-15);
  EXPECT_EQ(TRadianGrad::GradToRadian(360.0), 0.0);
  EXPECT_NEAR(TRadianGrad::RadianToGrad(-kPi / 2), 270.0, 1e-12);
  EXPECT_NEAR(TRadianGrad::RadianToGrad(5 * kPi), 180.0, 1e-12);
  EXPECT_TRUE(std::isnan(TRadianGrad::RadianToGrad(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
