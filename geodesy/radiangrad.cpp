// Angle units.
#include "geodesy/radiangrad.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;
// One second of arc in radians.
constexpr double kSecond = 4.84813681109536e-6;

// The degrees of a normalised angle, 0-360, from any number of degrees:
// above 360 they are reduced into 0-360 (720 gives 0), below 0 they count
// back from 360 (-10 gives 350, -360 gives 360).
double ReduceDegrees(double d) {
  if (d > 360.0) return std::fmod(d, 360.0);
  if (d < 0.0) return std::fmod(d, 360.0) + 360.0;
  return d;
}

}  // namespace

int TRadianGrad::RadianToGrad(double radian, int* degree, int* minute, double* second) {
  if (!degree || !minute || !second) return 0;
  const int negative = radian < 0 ? 1 : 0;
  double d = std::fabs(radian) * 648000.0 / kPi / 3600.0;
  if (!(d <= 1000.0)) d = 0.0;  // also a NaN
  int whole = static_cast<int>(d);
  const double fraction = d - whole;
  if (whole > 360) whole -= whole / 360 * 360;
  *degree = whole;
  const double m = 60.0 * fraction;
  *minute = static_cast<int>(m);
  *second = (m - std::trunc(m)) * 60.0;
  return negative;
}

// The carries are computed with fmod rather than by subtracting one minute
// at a time, so that a huge number of seconds cannot stall the caller; for
// every ordinary value the result is the same, fmod being exact.
int TRadianGrad::GradNormalize(int* degree, int* minute, double* second) {
  if (!degree || !minute || !second) return 0;
  if (std::isinf(*second)) return 0;

  double minutes = *minute;
  if (*second >= 60.0) {
    const double rest = std::fmod(*second, 60.0);
    minutes += (*second - rest) / 60.0;
    *second = rest;
  }
  double degrees = *degree;
  if (minutes >= 60.0) {
    const double rest = std::fmod(minutes, 60.0);
    degrees += (minutes - rest) / 60.0;
    minutes = rest;
  }
  *minute = static_cast<int>(minutes);
  *degree = static_cast<int>(ReduceDegrees(degrees));
  return 1;
}

double TRadianGrad::GradToRadian(int degree, int minute, double second, int negative) {
  GradNormalize(&degree, &minute, &second);
  const double r = (degree * 3600.0 + minute * 60.0 + second) * kSecond;
  return negative ? -r : r;
}

double TRadianGrad::GradToRadian(double degree) {
  double d = degree - std::trunc(degree / 360.0) * 360.0;
  if (d < 0)
    d += 360.0;
  else if (d > 360.0)
    d -= 360.0;
  return d * kPi / 180.0;
}

double TRadianGrad::RadianToGrad(double radian) {
  double r = radian - std::trunc(radian / kTwoPi) * kTwoPi;
  if (r < 0)
    r += kTwoPi;
  else if (r > kTwoPi)
    r -= kTwoPi;
  return r * 180.0 / kPi;
}
