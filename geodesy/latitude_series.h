// Series that turn an auxiliary latitude of the ellipsoid with squared
// eccentricity e2 back into the geodetic latitude, to the eighth (conformal)
// and sixth (authalic) power of e. They give first guesses, accurate to
// about 1e-10, for the Newton steps that find the roots of the latitude
// functions. Each takes the angle with its sine and cosine and gives the
// latitude with its own, without calling the trigonometric functions: the
// correction is a small angle, turned in by its Taylor series.
#pragma once

#include <cmath>

struct Latitude {
  double Angle, Sin, Cos;
};

// The angle a (sine sa, cosine ca) turned by the small angle d (|d| < 0.01:
// the series below are exact to the last place there).
inline Latitude TurnBySmallAngle(double a, double sa, double ca, double d) {
  const double d2 = d * d;
  const double sd = d * (1 - d2 * (1.0 / 6) * (1 - d2 * (1.0 / 20) * (1 - d2 * (1.0 / 42))));
  const double cd = 1 - d2 * 0.5 * (1 - d2 * (1.0 / 12) * (1 - d2 * (1.0 / 30)));
  return {a + d, sa * cd + ca * sd, ca * cd - sa * sd};
}

// From the conformal latitude chi (2 atan(U) - pi/2).
inline Latitude LatitudeFromConformal(double chi, double sinChi, double cosChi, double e2) {
  const double e4 = e2 * e2, e6 = e4 * e2, e8 = e4 * e4;
  const double s2 = 2 * sinChi * cosChi, c2 = 1 - 2 * sinChi * sinChi;
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2, s8 = 2 * s4 * c4;
  const double d = (e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360) * s2 +
                   (7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520) * s4 +
                   (7 * e6 / 120 + 81 * e8 / 1120) * s6 + (4279 * e8 / 161280) * s8;
  return TurnBySmallAngle(chi, sinChi, cosChi, d);
}

// From the authalic latitude beta (sin beta = S / S(pi/2)).
inline Latitude LatitudeFromAuthalic(double beta, double sinBeta, double cosBeta, double e2) {
  const double e4 = e2 * e2, e6 = e4 * e2;
  const double s2 = 2 * sinBeta * cosBeta, c2 = 1 - 2 * sinBeta * sinBeta;
  const double s4 = 2 * s2 * c2, c4 = 1 - 2 * s2 * s2;
  const double s6 = s4 * c2 + c4 * s2;
  const double d = (e2 / 3 + 31 * e4 / 180 + 517 * e6 / 5040) * s2 +
                   (23 * e4 / 360 + 251 * e6 / 3780) * s4 + (761 * e6 / 45360) * s6;
  return TurnBySmallAngle(beta, sinBeta, cosBeta, d);
}

// The conformal latitude of U: tan(chi) = sinh(ln U) = (U - 1/U) / 2.
inline Latitude ConformalOf(double U) {
  const double t = 0.5 * (U - 1 / U);
  const double r = 1 / std::sqrt(1 + t * t);
  return {std::atan(t), t * r, r};
}

// ln U(phi) = atanh(sin phi) - e atanh(e sin phi), the first term as
// ln((1 + sin phi) / cos phi), which keeps its digits toward the pole.
inline double LogIsometric(double e, double s, double c) {
  return std::log((1 + s) / c) - e * std::atanh(e * s);
}
