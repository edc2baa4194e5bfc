// Angle units: degrees-minutes-seconds, reductions into a full turn.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "geodesy/radiangrad.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

using Dms = std::tuple<int, int, double>;

Dms Normalized(int d, int m, double s) {
  EXPECT_EQ(TRadianGrad::GradNormalize(&d, &m, &s), 1);
  return {d, m, s};
}

TEST(RadianGrad, RadianToDegreesMinutesSeconds) {
  int d = -1, m = -1;
  double s = -1;
  EXPECT_EQ(TRadianGrad::RadianToGrad(-0.5, &d, &m, &s), 1);
  EXPECT_EQ(std::make_pair(d, m), std::make_pair(28, 38));
  EXPECT_NEAR(s, 52.4031, 1e-4);
  EXPECT_EQ(TRadianGrad::RadianToGrad(0.5, &d, &m, &s), 0);
  EXPECT_EQ(d, 28);

  EXPECT_EQ(TRadianGrad::RadianToGrad(400 * kDeg, &d, &m, &s), 0);
  EXPECT_EQ(d, 40);
  TRadianGrad::RadianToGrad(2 * kPi, &d, &m, &s);
  EXPECT_EQ(d, 360);
  for (double r : {1001 * kDeg, std::numeric_limits<double>::quiet_NaN()}) {
    TRadianGrad::RadianToGrad(r, &d, &m, &s);
    EXPECT_EQ(Dms(d, m, s), Dms(0, 0, 0.0)) << r;
  }

  d = 7;
  EXPECT_EQ(TRadianGrad::RadianToGrad(-0.5, &d, nullptr, &s), 0);
  EXPECT_EQ(d, 7);
}

TEST(RadianGrad, GradNormalizeCarriesAndReduces) {
  const std::pair<Dms, Dms> cases[] = {
      {{-10, 0, 0}, {350, 0, 0}},
      {{-360, 0, 0}, {360, 0, 0}},
      {{-370, 0, 0}, {350, 0, 0}},
      {{360, 0, 0}, {360, 0, 0}},
      {{720, 0, 0}, {0, 0, 0}},
      {{400, 0, 0}, {40, 0, 0}},
      {{10, 59, 61.5}, {11, 0, 1.5}},
      {{0, 0, 3 * 3600 + 125.25}, {3, 2, 5.25}},  // many minutes at once
      {{5, -3, -7.5}, {5, -3, -7.5}},             // negative parts stay
  };
  for (const auto& [in, want] : cases)
    EXPECT_EQ(std::apply(Normalized, in), want) << std::get<0>(in) << " " << std::get<2>(in);

  // Absurd seconds end at once with the pair in range instead of looping.
  auto [d, m, s] = Normalized(0, 0, 1e300);
  EXPECT_TRUE(s >= 0.0 && s < 60.0 && m >= 0 && m < 60 && d >= 0 && d <= 360) << d << m << s;
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TRadianGrad::GradNormalize(&d, &m, &inf), 0);
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
        EXPECT_TRUE(s2 >= 0.0 && s2 < 60.0 && m2 >= 0 && m2 < 60) << m2 << " " << s2;
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
