// Latitude functions of the Krasovsky ellipsoid, the oblique turn and the
// latitude search.
#include "geodesy/krasovsky.h"

#include <cmath>

#include "geodesy/bisection.h"
#include "geodesy/latitude_series.h"

namespace {

using namespace krasovsky;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

// Each search starts in the middle of [0, pi/2].
constexpr double kStart = kPi / 4;

double Evaluate(LatitudeFunction f, double B) {
  switch (f) {
    case LatitudeFunction::MeridianArc:
      return MeridianArcLength(B);
    case LatitudeFunction::Authalic:
      return AuthalicFunction(B);
    case LatitudeFunction::Isometric:
      return IsometricFunction(B);
  }
  return 0.0;
}

// Roots for the search: a series guess and one Newton step. Each gives
// also how far from the root the computed function may cross the target,
// and answers false where it cannot promise the root that near (a guess
// too far off, or a root where the function flattens out); the search then
// evaluates F at every halving.
struct Root {
  double At;
  double Uncertainty;
};

// s(B) = A B - C1 sin 2B + C2 sin 4B turned around to second order in
// C1/A: B = mu + c1 sin 2mu + (c1^2 - c2) sin 4mu, mu = T / A.
bool RootOfMeridianArc(double T, Root* root) {
  constexpr double A = 6367558.5, c1 = 16036.5 / A, c2 = 16.8 / A;
  const double mu = T / A;
  const double s2mu = std::sin(2 * mu), c2mu = std::cos(2 * mu);
  const double d = c1 * s2mu + (c1 * c1 - c2) * 2 * s2mu * c2mu;
  // 2B = 2 mu + 2d, and its sine and cosine.
  const Latitude twice = TurnBySmallAngle(2 * mu, s2mu, c2mu, 2 * d);
  const double B = mu + d;
  const double s2 = twice.Sin, cs2 = twice.Cos;
  const double f = A * B - 16036.5 * s2 + 16.8 * (2 * s2 * cs2) - T;
  const double slope = A - 32073.0 * cs2 + 67.2 * (1 - 2 * s2 * s2);
  const double step = f / slope;
  *root = {B - step, 1e-15 * (1 + std::fabs(B))};
  return std::fabs(step) < 1e-7 && std::fabs(B) < 4.0;
}

// The area function flattens at the pole; roots within a milliradian of it
// are left to the plain search.
constexpr double kAuthalicTop = kHalfPi - 1e-3;

bool RootOfAuthalic(double T, Root* root) {
  static const double kTop = AuthalicOfSine(1.0);
  const double ratio = T / kTop;
  if (!(std::fabs(ratio) < 1.0)) return false;
  const Latitude B =
      LatitudeFromAuthalic(std::asin(ratio), ratio, std::sqrt(1 - ratio * ratio), kE2);
  const double s = B.Sin, c = B.Cos;
  const double iw = 1 / (1.0 - kE2 * s * s);
  const double d =
      c * iw * (123481418243774.0 * 2 * kE + 20204853600384.5 * (1 + kE2 * s * s) * iw);
  const double step = (AuthalicOfSine(s) - T) / d;
  *root = {B.Angle - step, 2e-15 / c};
  return std::fabs(step) < 1e-6 && root->At < kAuthalicTop && root->At > -1.0;
}

// The computed U crosses T within 4e-16 / cos B of the root: tan(pi/4 +
// B/2) loses digits toward the pole.
bool RootOfIsometric(double T, Root* root) {
  if (!(T > 0)) return false;
  const Latitude chi = ConformalOf(T);
  const Latitude B = LatitudeFromConformal(chi.Angle, chi.Sin, chi.Cos, kE * kE);
  const double s = B.Sin, c = B.Cos;
  const double g = LogIsometric(kE, s, c) - std::log(T);
  const double step = g * c * (1.0 - kE * kE * s * s) / (1.0 - kE * kE);
  *root = {B.Angle - step, 2e-15 + 4e-16 / c};
  return std::fabs(step) < 1e-6 && root->At < kHalfPi - 1e-6 && root->At > -1.0;
}

bool RootOf(LatitudeFunction f, double T, Root* root) {
  switch (f) {
    case LatitudeFunction::MeridianArc:
      return RootOfMeridianArc(T, root);
    case LatitudeFunction::Authalic:
      return RootOfAuthalic(T, root);
    case LatitudeFunction::Isometric:
      return RootOfIsometric(T, root);
  }
  return false;
}

}  // namespace

double MeridianArcLength(double B) {
  return 6367558.5 * B - 16036.5 * std::sin(2 * B) + 16.8 * std::sin(4 * B);
}

double AuthalicOfSine(double s) {
  return 123481418243774.0 * std::log((1 + kE * s) / (1 - kE * s)) +
         20204853600384.5 * s / (1 - kE2 * s * s);
}

double AuthalicFunction(double B) { return AuthalicOfSine(std::sin(B)); }

double IsometricFunction(double B) {
  const double s = std::sin(B);
  return std::tan(kPi / 4 + B / 2) * std::pow((1 - kE * s) / (1 + kE * s), kHalfE);
}

double ParallelRadius(double B) {
  const double s = std::sin(B);
  return kMajorAxis / std::sqrt(1 - kE2 * s * s) * std::cos(B);
}

double PrimeVerticalRadius(double B) {
  const double s = std::sin(B);
  return kMajorAxis / std::sqrt(1 - kE2 * s * s);
}

double MeridianRadius(double B) {
  const double s = std::sin(B);
  return kMajorAxisTimesOneMinusE2 / std::pow(1 - kE2 * s * s, 1.5);
}

double ObliqueTransform(double L, double B, double LP, double BP, double* first, double* second) {
  const double sinB = std::sin(B), cosB = std::cos(B);
  const double sinBP = std::sin(BP), cosBP = std::cos(BP);
  const double dL = LP - L;
  const double cosdL = std::cos(dL);
  *first = std::asin(sinB * sinBP + cosB * cosBP * cosdL);

  // The azimuth is atan2(num, den) + pi, taken into 0-2*pi from the
  // principal arc tangent quadrant by quadrant.
  const double num = std::sin(dL) * cosB;
  const double den = sinB * cosBP - cosB * sinBP * cosdL;
  double A;
  if (std::fabs(den) < 1e-11) {
    // On the circle 90 degrees from the turned pole's meridian only the
    // side of num tells the azimuth: 3*pi/2 on its east, pi/2 on its west.
    A = num >= 0 ? 3 * kHalfPi : kHalfPi;
  } else {
    A = std::atan(num / den);
    if (A < 0) A += kHalfPi;
    if (den > 0 && num >= 0)
      A += kPi;
    else if (den > 0 && num < 0)
      A += kHalfPi;
    else if (den < 0 && num > 0)
      A += 3 * kHalfPi;
  }
  double s = LP + A;
  if (s >= kTwoPi) s -= kTwoPi;
  if (s >= kTwoPi) s -= kTwoPi;
  *second = s;
  return 0.0;
}

void ObliqueTransformBack(double A, double Bt, double LP, double BP, double* B, double* L) {
  double l;
  ObliqueTransform(A - kPi, Bt, LP, BP, B, &l);
  l -= kPi;
  *L = l < 0 ? l + kTwoPi : l;
}

bool SearchLatitudeByDefinition(LatitudeFunction f, double T, int rounds, double* B) {
  if (!std::isfinite(T)) return false;
  return bisection::Halve([f, T](double x) { return T - Evaluate(f, x); }, kStart, 0.0, kHalfPi,
                          rounds, B);
}

bool SearchLatitude(LatitudeFunction f, double T, int rounds, double* B) {
  if (!std::isfinite(T)) return false;
  auto diff = [f, T](double x) { return T - Evaluate(f, x); };
  Root root;
  if (RootOf(f, T, &root))
    return bisection::HalveAroundRoot(diff, root.At, root.Uncertainty, kStart, 0.0, kHalfPi, rounds,
                                      B);
  return bisection::Halve(diff, kStart, 0.0, kHalfPi, rounds, B);
}
