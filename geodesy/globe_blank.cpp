// The globe (kind 3) and blank (kind 16) projections: world-wide plates with
// fixed constants, independent of the ellipsoid and of every field of the
// TTranslate.
#include <cmath>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

constexpr double kGlobeOriginX = 11888000.0;
constexpr double kGlobeOriginY = 17376000.0;
constexpr double kGlobeScaleB = 11888664.2823464;  // X of tan(B/2)
constexpr double kGlobeScaleL = 5528348.8;         // metres per radian of L

// Longitudes from -168 to +192 degrees map to Y from 0 to 32,000,000.
constexpr double kBlankOriginX = 8000000.0;
constexpr double kBlankOriginY = 14933333.333333334;  // 16,000,000 * 168 / 180
constexpr double kBlankWest = -2.9321531433504737;    // -168 degrees
constexpr double kBlankEast = 3.3510321638291125;     // 192 degrees

}  // namespace

void BL2XY_GLOBE(TTranslate*, double B, double L, double* X, double* Y) {
  if (!X || !Y) return;
  if (B > kHalfPi || B < -kHalfPi) B = 0;
  if (L < -kPi || L > kPi) {
    L = L - std::trunc(L / kTwoPi) * kTwoPi;
    if (L < -kPi)
      L += kTwoPi;
    else if (L > kPi)
      L -= kTwoPi;
  }
  *X = std::tan(B / 2) * kGlobeScaleB + kGlobeOriginX;
  *Y = kGlobeScaleL * L + kGlobeOriginY;
}

void XY2BL_GLOBE(TTranslate*, double X, double Y, double* B, double* L) {
  if (!B || !L) return;
  *B = 2 * std::atan((X - kGlobeOriginX) / kGlobeScaleB);
  *L = (Y - kGlobeOriginY) / kGlobeScaleL;
}

void BL2XY_BLANK(TTranslate*, double B, double L, double* X, double* Y) {
  if (!X || !Y) return;
  if (L < kBlankWest) L += kTwoPi;
  if (L > kBlankEast) L -= kTwoPi;
  *X = B * 24000000 / kPi + kBlankOriginX;
  *Y = L * 16000000 / kPi + kBlankOriginY;
}

// The longitude comes back in 0-2*pi: -170 degrees returns as 190.
void XY2BL_BLANK(TTranslate*, double X, double Y, double* B, double* L) {
  if (!B || !L) return;
  *B = (X - kBlankOriginX) * kPi / 24000000;
  double l = (Y - kBlankOriginY) * kPi / 16000000;
  if (l < 0) l += kTwoPi;
  *L = l;
}
