// The projection formulas at their stated values and edges: the conformal
// cylinder and cone, the globe and blank plates, the Krasovsky latitude
// functions and searches, and the formula-family kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "common/maperr.h"
#include "geodesy/bisection.h"
#include "geodesy/conformal.h"
#include "geodesy/formula_family.h"
#include "geodesy/krasovsky.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TTranslate Installed(int kind, CONSTPROJ p, int ellipsoid = 1) {
  TTranslate t;
  EXPECT_EQ(t.SetProjection(kind, &p, ellipsoid), 0) << kind;
  return t;
}

// ---------------------------------------------------------------------------
// Conformal cylinder and cone.

TEST(ConformalCylinder, SymmetricAndZeroBeyondTheBracket) {
  TTranslate t = Installed(8, {0.6, 0, 0.4, 0, 0, 0});
  double x1, y1, x2, y2, b, l;
  t.BL2XY(1.2, 0.4, &x1, &y1);
  t.BL2XY(-1.2, 0.4, &x2, &y2);
  EXPECT_NEAR(x1, -x2, 1e-8);
  EXPECT_EQ(std::make_pair(y1, y2), std::make_pair(0.0, 0.0));

  // Latitudes past pi/2 - 1e-5 are not found: B = 0 with the sign of X.
  t.BL2XY(kPi / 2 - 1e-6, 1.0, &x1, &y1);
  t.XY2BL(x1, y1, &b, &l);
  EXPECT_EQ(b, 0.0);
  EXPECT_NEAR(l, 1.0, 1e-15);
  t.XY2BL(-x1, y1, &b, &l);
  EXPECT_TRUE(b == 0.0 && std::signbit(b));
  EXPECT_EQ(t.ErrorCode, 0);
}

TEST(ConformalCone, EdgesOfTheInverse) {
  TTranslate t = Installed(2, {0.8, 0.9, 0.7, 0.75, 0, 0});
  double x, y, b, l;
  // On the axis meridian Y' = 1e-12 stands in for 0.
  t.BL2XY(0.75, 0.7, &x, &y);
  EXPECT_NEAR(x, 0.0, 1e-6);
  EXPECT_EQ(y, 8000000.0);
  t.XY2BL(x, y, &b, &l);
  EXPECT_NEAR(b, 0.75, 1e-11);
  EXPECT_NEAR(l, 0.7, 1e-17);
  // South of the equator: the bracket's top; beyond the apex: the pole.
  t.BL2XY(-0.2, 0.9, &x, &y);
  t.XY2BL(x, y, &b, &l);
  EXPECT_EQ(b, 1.5706963267948966);
  t.XY2BL(3e7, 8000100.0, &b, &l);
  EXPECT_EQ(b, 1.5707963267948966);
  EXPECT_EQ(t.ErrorCode, 0);
}

TEST(ConformalCone, TheStoredTermStandsForE) {
  // Ellipsoid 9 keeps e squared; the formulas take it where e stands.
  TTranslate wgs = Installed(2, {0.8, 0.9, 0.7, 0.75, 0, 0}, 9);
  TTranslate same = Installed(2, {0.8, 0.9, 0.7, 0.75, 0, 0}, 1);
  same.MajorAxis = 6378137.0;
  same.EccentricityTerm = 0.0066943799901413165;
  for (auto [kind, ellipsoid] : {std::pair{2, 9}, std::pair{8, 9}}) {
    CONSTPROJ p = {0.8, 0.9, 0.7, 0.75, 0, 0};
    ASSERT_EQ(wgs.SetProjection(kind, &p, ellipsoid), 0);
    ASSERT_EQ(same.SetProjection(kind, &p, 0), 0);  // keeps the terms set above
    double x1, y1, x2, y2;
    wgs.BL2XY(1.0, 0.9, &x1, &y1);
    same.BL2XY(1.0, 0.9, &x2, &y2);
    EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(x2, y2)) << kind;
  }
}

TEST(ConformalCone, EachCallTakesTheFieldsAsTheyAre) {
  TTranslate t = Installed(2, {0.8, 0.9, 0.7, 0.75, 0, 0});
  double x1, y1, x2, y2;
  t.BL2XY(1.0, 0.9, &x1, &y1);
  t.FirstMainParallel = 0.5;  // changed behind the object's back
  t.BL2XY(1.0, 0.9, &x2, &y2);
  TTranslate fresh = Installed(2, {0.5, 0.9, 0.7, 0.75, 0, 0});
  double x3, y3;
  fresh.BL2XY(1.0, 0.9, &x3, &y3);
  EXPECT_NE(x1, x2);
  EXPECT_EQ(std::make_pair(x2, y2), std::make_pair(x3, y3));

  // The cone's own entry on an object of another kind leaves that kind's
  // constants alone.
  TTranslate family = Installed(21, {0.8, 0.9, 0.7, 0.75, 0, 0});
  family.BL2XY(1.0, 0.9, &x1, &y1);
  family.BL2XY_CON(1.0, 0.9, &x2, &y2);
  family.BL2XY(1.0, 0.9, &x3, &y3);
  EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(x3, y3));
  EXPECT_EQ(family.ErrorCode, 0);
}

// The searches find their answer from the root instead of halving step by
// step; they must land in the same cell of the halvings' grid (7e-13 wide
// for the conformal searches, 5.9e-9 for the latitude searches) and differ
// from the halvings' middle by no more than their rounding.
TEST(ConformalSearch, SameCellAsTheDefinition) {
  std::mt19937_64 rng(11);
  for (double e : {0.08181334, 0.0066943799901413165}) {
    for (ConformalSearch c : {ConformalSearch::Cylinder, ConformalSearch::Cone}) {
      const double top = ConformalSearchTop(e, c);
      std::uniform_real_distribution<double> lnq(-0.5, std::log(top) + 0.5);
      for (int i = 0; i < 20000; ++i) {
        const double q = i < 4 ? std::vector<double>{1.0, top, 0.0, 1e300}[i] : std::exp(lnq(rng));
        ASSERT_NEAR(SearchConformalLatitude(e, q, c, top),
                    SearchConformalLatitudeByDefinition(e, q, c, top), 4e-15)
            << q;
      }
    }
  }
}

TEST(ConformalCylinder, NotANumberFails) {
  TTranslate t = Installed(8, {0.6, 0, 0.4, 0, 0, 0});
  double b = 1, l = 1;
  t.XY2BL(kNaN, 0.0, &b, &l);
  EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION);
  EXPECT_EQ(std::make_pair(b, l), std::make_pair(0.0, 0.0));
}

// ---------------------------------------------------------------------------
// Globe and blank.

TEST(GlobeAndBlank, StatedValues) {
  TTranslate t;
  double x, y, b, l;
  t.BL2XY_GLOBE(0, 0, &x, &y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(11888000.0, 17376000.0));
  t.XY2BL_GLOBE(x, y, &b, &l);
  EXPECT_EQ(std::make_pair(b, l), std::make_pair(0.0, 0.0));
  double x2, y2;
  t.BL2XY_GLOBE(2.0, 0.3, &x, &y);  // B beyond the pole counts as 0
  t.BL2XY_GLOBE(0.0, 0.3, &x2, &y2);
  EXPECT_EQ(x, x2);
  t.BL2XY_GLOBE(0.0, 4.0, &x, &y);  // L taken into -pi..pi
  EXPECT_NEAR(y, 5528348.8 * (4.0 - 2 * kPi) + 17376000.0, 1e-7);

  t.BL2XY_BLANK(0, 0, &x, &y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(8000000.0, 14933333.333333334));
  t.BL2XY_BLANK(0, -170 * kDeg, &x, &y);
  t.XY2BL_BLANK(x, y, &b, &l);
  EXPECT_NEAR(l, 3.3161255787892263, 1e-15);  // 190 degrees, not -170
  t.XY2BL_BLANK(8000000.0, 0.0, &b, &l);
  EXPECT_NEAR(l, 192 * kDeg, 1e-15);
  XY2BL_BLANK(nullptr, 8000000.0, 0.0, &b, &l);  // reads nothing of the object
  EXPECT_NEAR(l, 192 * kDeg, 1e-15);
}

TEST(GlobeAndBlank, DispatchOnEveryEllipsoidButFiveAndNine) {
  for (int kind : {3, 16}) {
    for (int ellipsoid : {1, 0, 3, 4, 7, 12, 5, 9}) {
      TTranslate t = Installed(kind, {0, 0, 0, 0, 0, 0}, ellipsoid);
      double x, y;
      t.BL2XY(0.5, 0.5, &x, &y);
      const bool served = ellipsoid != 5 && ellipsoid != 9;
      EXPECT_EQ(t.ErrorCode, served ? 0 : MAPERR_PROJECTION) << kind << " on " << ellipsoid;
    }
  }
}

// ---------------------------------------------------------------------------
// Latitude functions and searches.

TEST(LatitudeFunctions, StatedValues) {
  EXPECT_EQ(MeridianArcLength(0), 0.0);
  EXPECT_NEAR(MeridianArcLength(kPi / 2), 10002137.502451621, 1e-8);
  EXPECT_EQ(AuthalicFunction(0), 0.0);
  EXPECT_NEAR(IsometricFunction(0), 1.0, 1e-15);
  EXPECT_NEAR(ParallelRadius(0), 6378245.0, 1e-9);
  EXPECT_NEAR(MeridianRadius(0), 6335552.71459561, 1e-9);
  EXPECT_NEAR(PrimeVerticalRadius(kPi / 2) / MeridianRadius(kPi / 2), 1.0, 1e-15);
}

TEST(LatitudeSearch, SameCellAsTheDefinition) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> latitude(-0.2, kPi / 2 + 0.2);
  const LatitudeFunction functions[] = {LatitudeFunction::MeridianArc, LatitudeFunction::Authalic,
                                        LatitudeFunction::Isometric};
  for (LatitudeFunction f : functions) {
    auto F = [f](double B) {
      return f == LatitudeFunction::MeridianArc ? MeridianArcLength(B)
             : f == LatitudeFunction::Authalic  ? AuthalicFunction(B)
                                                : IsometricFunction(B);
    };
    for (int i = 0; i < 20000; ++i) {
      // Targets at, between and beyond the function's values on 0-pi/2.
      const double T = i < 3   ? F(i * kPi / 4)
                       : i < 6 ? F(i * kPi / 4) * (1 + 1e-15)
                               : F(latitude(rng));
      double fast = -1, plain = -2;
      ASSERT_TRUE(SearchLatitude(f, T, kSearchRounds, &fast));
      ASSERT_TRUE(SearchLatitudeByDefinition(f, T, kSearchRounds, &plain));
      ASSERT_NEAR(fast, plain, 4e-15) << T;
    }
  }
}

// Kinds 19 and 25 halve their auxiliary angle; the same comparison through
// the plane coordinates it gives.
TEST(LatitudeSearch, AuxiliaryAnglesInTheSameCell) {
  TTranslate moll = Installed(19, {0, 0, 0, 0, 0, 0});
  TTranslate pseudo = Installed(25, {0, 0, 0, 0, 0, 0});
  std::mt19937_64 rng(9);
  std::uniform_real_distribution<double> latitude(-kPi / 2, kPi / 2);
  for (int i = 0; i < 20000; ++i) {
    const double B = latitude(rng);
    double theta, x, y;
    const double target = kPi * std::sin(B);
    ASSERT_TRUE(bisection::Halve([target](double t) { return target - (std::sin(2 * t) + 2 * t); },
                                 0.0, -kPi, kPi, kSearchRounds, &theta));
    moll.BL2XY(B, 1.0, &x, &y);
    ASSERT_NEAR(x, 6371116.0 * std::sqrt(2.0) * std::sin(theta), 1e-7) << B;

    const double a = latitude(rng) * 0.58;  // inside the edge theta = asin(0.8)
    const double X = 9076865.254040001 * (a + 0.138175 * a * a * a);
    ASSERT_TRUE(bisection::Halve(
        [X](double t) { return X - 9076865.254040001 * (t + 0.138175 * t * t * t); }, 0.0, -kPi / 2,
        kPi / 2, kSearchRounds, &theta));
    double b, l;
    pseudo.XY2BL(X, 0.0, &b, &l);
    ASSERT_NEAR(b, std::asin(1.25 * std::sin(theta)), 1e-14) << X;
  }
}

TEST(LatitudeSearch, RoundLimitsAndTargetsThatAreNotNumbers) {
  double B = 7;
  // The bracket of pi/2 closes below 1e-8 at the 28th halving.
  EXPECT_FALSE(SearchLatitude(LatitudeFunction::Isometric, 2.0, 27, &B));
  EXPECT_EQ(B, 7);
  EXPECT_TRUE(SearchLatitude(LatitudeFunction::Isometric, 2.0, 28, &B));
  EXPECT_NEAR(IsometricFunction(B), 2.0, 1e-7);
  for (double T : {kNaN, std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(SearchLatitude(LatitudeFunction::Authalic, T, kSearchRounds, &B));
  // Below F(0) and above F(pi/2): the ends.
  ASSERT_TRUE(SearchLatitude(LatitudeFunction::MeridianArc, -5e6, kSearchRounds, &B));
  EXPECT_LT(B, 1e-8);
  ASSERT_TRUE(SearchLatitude(LatitudeFunction::MeridianArc, 2e7, kSearchRounds, &B));
  EXPECT_GT(B, kPi / 2 - 1e-8);
}

TEST(ObliqueTransform, NormalAspectKeepsThePointAndTheWayBackUndoesIt) {
  double first, second, b, l;
  // On the pole's own great circle (dL = 90 degrees) the azimuth follows
  // the side of the point.
  for (double L : {kPi / 2, 3 * kPi / 2, 0.3}) {
    ObliqueTransform(L, 0.3, 0.0, kPi / 2, &first, &second);
    EXPECT_NEAR(first, 0.3, 1e-15);
    EXPECT_NEAR(std::remainder(second - L, 2 * kPi), 0.0, 1e-12) << L;
  }
  for (double bp : {0.2, 0.9, -0.4}) {
    ObliqueTransform(0.4, 0.7, 1.1, bp, &first, &second);
    ObliqueTransformBack(second, first, 1.1, bp, &b, &l);
    EXPECT_NEAR(b, 0.7, 1e-14) << bp;
    EXPECT_NEAR(l, 0.4, 1e-14) << bp;
  }
}

// ---------------------------------------------------------------------------
// Formula-family kinds.

TEST(FormulaFamily, StatedValues) {
  double x, y, b, l;
  TTranslate moll = Installed(19, {0, 0, 0, 0, 0, 0});
  moll.BL2XY(kPi / 2, 1.0, &x, &y);
  EXPECT_EQ(x, 9010118.654652225);
  EXPECT_NEAR(y, 0.0, 1e-9);

  // Kind 6: a point on Y = 0 lies on the meridian L0 + 90 degrees.
  TTranslate polar = Installed(6, {70 * kDeg, 0, 0.5, 0, 0, 0});
  polar.XY2BL(-5000000.0, 0.0, &b, &l);
  EXPECT_NEAR(l, 0.5 + kPi / 2, 1e-15);
  const double Sm = MeridianArcLength(kPi / 2);
  const double m = ParallelRadius(70 * kDeg) / (Sm - MeridianArcLength(70 * kDeg));
  EXPECT_NEAR(MeridianArcLength(b), Sm - 5000000.0 / m, 0.1);
  polar.XY2BL(0.0, 0.0, &b, &l);
  EXPECT_NEAR(b, kPi / 2, 1e-8);
  // The meridian opposite L0 (X = 0, Y > 0).
  polar.XY2BL(0.0, 3000000.0, &b, &l);
  EXPECT_NEAR(l, 0.5 + kPi, 1e-15);

  // Kind 29: the parallels B1 and B2 carry the sheet's corner points.
  TTranslate sheet = Installed(29, {52 * kDeg, 56 * kDeg, 39 * kDeg, 0, 0, 0});
  sheet.BL2XY(52 * kDeg, 42 * kDeg, &x, &y);
  const double r1 = ParallelRadius(52 * kDeg), d = 3 * kDeg, s1 = std::sin(52 * kDeg);
  EXPECT_NEAR(x, 0.5 * d * d * s1 * r1, 1e-6);
  EXPECT_NEAR(y, d * r1 * (1 - s1 * s1 * d * d / 6), 1e-6);
  sheet.BL2XY(56 * kDeg, 42 * kDeg, &x, &y);
  EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));

  // Kinds 23 and 31 take L itself: L and L + 2 pi give one point.
  for (int kind : {23, 31}) {
    TTranslate t = Installed(kind, {71 * kDeg, 60 * kDeg, 0.3, 0, 0, 0});
    double x2, y2;
    t.BL2XY(1.1, 0.4, &x, &y);
    t.BL2XY(1.1, 0.4 + 2 * kPi, &x2, &y2);
    EXPECT_NEAR(x, x2, 1e-6);
    EXPECT_NEAR(y, y2, 1e-6);
  }
}

TEST(FormulaFamily, TurnedMercatorOnItsCentralLine) {
  // Y = 0 exactly is the meridian +-90 degrees on either side of the
  // sphere's turned equator; the longitude keeps its sign there.
  TTranslate t = Installed(31, {0, 0, 0, 0, 0, 0});
  for (double L : {kPi / 2, -kPi / 2}) {
    double x, y, b, l;
    t.BL2XY(0.4, L, &x, &y);
    t.XY2BL(x, 0.0, &b, &l);
    EXPECT_NEAR(b, 0.4, 1e-9);
    EXPECT_NEAR(std::remainder(l - L, 2 * kPi), 0.0, 1e-7) << L;
  }
  // Southern points are not folded onto the northern ones.
  double xn, yn, xs, ys;
  t.BL2XY(0.4, 1.0, &xn, &yn);
  t.BL2XY(-0.4, 1.0, &xs, &ys);
  EXPECT_NE(xn, xs);
}

TEST(FormulaFamily, UnpreparedAndDegenerateKindsFail) {
  CONSTPROJ p = {0.8, 0.9, 0.7, 0.75, 0, 0};
  // The constructor installs a kind without its set-up.
  for (int kind : {6, 18, 19, 20, 21, 22, 23, 24, 25, 27, 29, 30, 31}) {
    TTranslate t(kind, &p, 1);
    double x = 1, y = 1;
    t.BL2XY(0.8, 0.7, &x, &y);
    EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION) << kind;
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0.0, 0.0));
  }
  // Kinds 26 and 28 need no set-up.
  for (int kind : {26, 28}) {
    TTranslate t(kind, &p, 1);
    double x, y;
    t.BL2XY(0.8, 0.7, &x, &y);
    EXPECT_EQ(t.ErrorCode, 0) << kind;
  }
  // Parallels symmetric about the equator make a cone of zero angle.
  CONSTPROJ flat = {0.8, -0.8, 0.7, 0.75, 0, 0};
  for (int kind : {20, 21, 22}) {
    TTranslate t;
    ASSERT_EQ(t.SetProjection(kind, &flat, 1), 0);
    double b, l;
    t.XY2BL(1000.0, 2000.0, &b, &l);
    EXPECT_EQ(t.ErrorCode, MAPERR_PROJECTION) << kind;
  }
  // A null object is left alone by every body, kind 31's included.
  double a = 3, c = 4;
  XY2BL_Kind31(nullptr, 1.0, 2.0, &a, &c);
  BL2XY_Kind31(nullptr, 1.0, 2.0, &a, &c);
  InitKind31(nullptr);
  XY2BL_Kind26(nullptr, 1.0, 2.0, &a, &c);
  EXPECT_EQ(std::make_pair(a, c), std::make_pair(3.0, 4.0));
}

TEST(FormulaFamily, InversesOfPointsTheyCannotPlaceFail) {
  TTranslate conic = Installed(21, {0.8, 0.9, 0.7, 0.75, 0, 0});
  double b, l;
  conic.XY2BL(kNaN, 2000.0, &b, &l);
  EXPECT_EQ(conic.ErrorCode, MAPERR_PROJECTION);
  EXPECT_EQ(std::make_pair(b, l), std::make_pair(0.0, 0.0));
  TTranslate pseudo = Installed(25, {0, 0, 0, 0, 0, 0});
  pseudo.XY2BL(4e7, 0.0, &b, &l);  // beyond the projection's edge
  EXPECT_EQ(pseudo.ErrorCode, MAPERR_PROJECTION);
}

}  // namespace
