// Every projection kind through the dispatch: round trips over a grid inside
// each kind's valid area, and the kinds that answer 60100.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/maperr.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

struct Area {
  double B0, B1, L0, L1;  // latitudes and longitudes of the grid, degrees
};

struct KindCase {
  int kind;
  int ellipsoid;
  CONSTPROJ parameters;  // radians
  Area area;
  double tolerance;  // radians, both coordinates
};

CONSTPROJ P(double b1, double b2, double l0, double b0, double bp = 0, double lp = 0) {
  return {b1 * kDeg, b2 * kDeg, l0 * kDeg, b0 * kDeg, bp * kDeg, lp * kDeg};
}

// The inverses of the latitude searches stop at a bracket of 1e-8, the
// Part's conformal searches at 1e-12.
constexpr double kSearched = 1e-8;

const KindCase kKinds[] = {
    {1, 1, P(0, 0, 39, 0), {30, 70, 36, 42}, 1e-9},
    {2, 1, P(45.8, 51.6, 39, 40.1), {6, 85, 10, 70}, 1e-11},
    {2, 9, P(45.8, 51.6, 39, 40.1), {6, 85, 10, 70}, 1e-11},
    {2, 0, P(-20, -40, -60, -30), {6, 85, -90, -30}, 1e-11},
    {3, 1, P(0, 0, 0, 0), {-89, 89, -179, 179}, 1e-13},
    {3, 4, P(0, 0, 0, 0), {-89, 89, -179, 179}, 1e-13},
    {6, 1, P(90, 0, 40, 0), {0, 89.9, -130, 210}, kSearched},
    {6, 1, P(70, 0, 40, 0), {0, 89.9, -130, 210}, kSearched},
    {8, 1, P(30, 0, 20, 0), {-89.99, 89.99, -150, 190}, 1e-11},
    {8, 3, P(30, 0, 20, 0), {-89.99, 89.99, -150, 190}, 1e-11},
    {16, 1, P(0, 0, 0, 0), {-90, 90, -168, 191}, 1e-13},
    {17, 9, P(0, 0, 39, 0), {-80, 80, 36, 42}, 1e-10},
    {17, 4, P(0, 0, -75, 0), {-80, 80, -78, -72}, 1e-10},
    {16, 7, P(0, 0, 0, 0), {-90, 90, -168, 191}, 1e-13},
    {18, 1, P(0, 0, 0, 0), {-89, 89, -179, 179}, 1e-12},
    {19, 1, P(0, 0, 0, 0), {-89.9, 89.9, -179, 179}, kSearched},
    {20, 1, P(45.8, 51.6, 39, 40.1), {1, 89.9, 10, 70}, kSearched},
    {21, 1, P(45.8, 51.6, 39, 40.1), {1, 89.9, 10, 70}, kSearched},
    {22, 1, P(45.8, 51.6, 39, 40.1), {1, 89.9, 10, 70}, kSearched},
    {23, 1, P(71, 60, 0, 0), {1, 89.9, -89, 89}, 1e-12},
    {24, 1, P(90, 0, 100, 0), {0, 89.9, -79, 279}, kSearched},
    {24, 1, P(75, 0, 100, 0), {0, 89.9, -79, 279}, kSearched},
    // theta is searched; B = asin(1.25 sin(theta)) steepens toward the poles.
    {25, 1, P(0, 0, 0, 0), {-85, 85, -179, 179}, 1e-7},
    {26, 1, P(0, 0, 30, 0), {1, 90, -59, 119}, 1e-12},
    {27, 1, P(35, 0, 30, 0), {-89.9, 89.9, -150, 210}, kSearched},
    {28, 1, P(0, 0, 30, 0), {-89, 89, -150, 210}, 1e-12},
    {29, 1, P(52, 56, 39, 0), {52, 56, 36, 42}, kSearched},
    {29, 1, P(76, 80, 39, 0), {76, 80, 27, 51}, kSearched},
    // The searched turned latitude moves L by up to 1/cos(B) of its error.
    {30, 1, P(50, 40, 0, 0, 55, 60), {20, 85, 10, 110}, 5 * kSearched},
    {30, 1, P(50, 40, 0, 0, 90, 0), {1, 89, -170, 170}, kSearched},
    // The azimuth is the arc sine of a quotient near 1 on the equator.
    {31, 1, P(0, 0, 0, 0), {-80, 80, 10, 349}, 2e-8},
    // Zone 1 at 9 degrees, 6 wide; false easting 3 x 100 km, northing 0.
    {32, 1, {9 * kDeg, 6 * kDeg, 40 * kDeg, 3.0, 0, 0}, {-80, 80, 36, 42}, 1e-10},
};

// The difference of two angles that may be written a turn apart.
double AngleGap(double a, double b) { return std::remainder(a - b, 2 * kPi); }

TEST(ProjectionKinds, EveryKindConvertsBothWaysInsideItsArea) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " on " << c.ellipsoid);
    TTranslate t;
    CONSTPROJ p = c.parameters;
    ASSERT_EQ(t.SetProjection(c.kind, &p, c.ellipsoid), 0);
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
      for (int j = 0; j <= steps; ++j) {
        const double B = (c.area.B0 + (c.area.B1 - c.area.B0) * i / steps) * kDeg;
        const double L = (c.area.L0 + (c.area.L1 - c.area.L0) * j / steps) * kDeg;
        double x, y, b, l;
        t.BL2XY(B, L, &x, &y);
        t.XY2BL(x, y, &b, &l);
        ASSERT_EQ(t.ErrorCode, 0) << B / kDeg << " " << L / kDeg;
        ASSERT_NEAR(b, B, c.tolerance) << B / kDeg << " " << L / kDeg;
        const bool pole = std::fabs(B) > kPi / 2 - 1e-9;  // any longitude is the pole
        ASSERT_NEAR(pole ? 0.0 : AngleGap(l, L), 0.0, c.tolerance) << B / kDeg << " " << L / kDeg;
      }
    }
  }
}

}  // namespace
