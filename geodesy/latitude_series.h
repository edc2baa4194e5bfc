// Series that turn an auxiliary latitude of the ellipsoid with squared
// eccentricity e2 back into the geodetic latitude, to the eighth (conformal)
// and sixth (authalic) power of e. They give first guesses, accurate to
// about 1e-10, for the Newton steps that find the roots of the latitude
// functions.
#pragma once

#include <cmath>

// From the conformal latitude chi = 2 atan(U) - pi/2.
inline double LatitudeFromConformal(double chi, double e2) {
  const double e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4;
  const double s2 = std::sin(2 * chi), c2 = std::cos(2 * chi);
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2, s8 = 2 * s4 * c4;
  return chi + (e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360) * s2 +
         (7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520) * s4 + (7 * e6 / 120 + 81 * e8 / 1120) * s6 +
         (4279 * e8 / 161280) * s8;
}

// From the authalic latitude beta (sin beta = S / S(pi/2)).
inline double LatitudeFromAuthalic(double beta, double e2) {
  const double e4 = e2 * e2, e6 = e4 * e2;
  const double s2 = std::sin(2 * beta), c2 = std::cos(2 * beta);
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2;
  return beta + (e2 / 3 + 31 * e4 / 180 + 517 * e6 / 5040) * s2 + (23 * e4 / 360 + 251 * e6 / 3780) * s4 +
         (761 * e6 / 45360) * s6;
}
