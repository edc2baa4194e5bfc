// Gauss-Krueger series and the 6-degree zone of a TTranslate.
#include "geodesy/gauss_kruger.h"

#include <cmath>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegreesPerRadian = 57.29577951308232;

// Longitudes whose zone index would not fit the zone number are refused
// rather than turned into an undefined integer (a million radians is far
// beyond any longitude a map keeps).
constexpr double kLongitudeLimit = 1.0e6;

}  // namespace

void GaussKrugerForward(const GaussKrugerZone& zone, double B, double L, double* X, double* Y) {
  // Longitudes near the seam are taken on the side of the zone.
  if (zone.Meridian < 0.9948376736367678 && L > 5.235987755982989) L -= kTwoPi;
  if (zone.Meridian > 5.288347633542818 && L < 1.0471975511965976) L += kTwoPi;
  if (L < -kTwoPi || L > 12.566370614359172) {
    L = L - std::trunc(L / kTwoPi) * kTwoPi;
    if (L < 0)
      L += kTwoPi;
    else if (L > kTwoPi)
      L -= kTwoPi;
  }

  const double n = zone.Number;
  const double l = L - (6.0 * n - 3.0) / kDegreesPerRadian;
  const double l2 = l * l;
  const double sinB = std::sin(B);
  const double cosB = std::cos(B);
  const double sin2B = 2.0 * sinB * cosB;
  const double s2 = sinB * sinB;
  const double s4 = s2 * s2;
  const double s6 = s4 * s2;

  *X = 6367558.4968 * B -
       sin2B *
           (16002.89 + 66.9607 * s2 + 0.3515 * s4 -
            l2 * (1594561.25 + 5336.535 * s2 + 26.79 * s4 + 0.149 * s6 +
                  l2 * (672483.4 - 811219.9 * s2 + 5420.0 * s4 - 10.6 * s6 +
                        l2 * (278194.0 - 830174.0 * s2 + 572434.0 * s4 - 16010.0 * s6 +
                              l2 * (109500.0 - 574700.0 * s2 + 863700.0 * s4 - 398600.0 * s6)))));
  *Y = n * 1000000.0 + 500000.0 +
       l * cosB *
           (6378245.0 + 21346.1415 * s2 + 107.159 * s4 + 0.5977 * s6 +
            l2 * (1070204.16 - 2136826.66 * s2 + 17.98 * s4 - 11.99 * s6 +
                  l2 * (270806.0 - 1523417.0 * s2 + 1327645.0 * s4 - 21701.0 * s6 +
                        l2 * (79690.0 - 866190.0 * s2 + 1730360.0 * s4 - 945460.0 * s6))));
}

void GaussKrugerInverse(const GaussKrugerZone& zone, double X, double Y, double* B, double* L) {
  const double n = zone.Number;

  // Footpoint latitude from the meridian arc.
  const double beta = X * 1.5704606412372142680e-7;  // X / 6367558.4968
  const double sinBeta = std::sin(beta);
  const double sb2 = sinBeta * sinBeta;
  const double B0 = beta + 2.0 * sinBeta * std::cos(beta) *
                               (0.00252588685 - 0.00001491869 * sb2 + 0.00000011904 * sb2 * sb2);

  const double sinB0 = std::sin(B0);
  const double cosB0 = std::cos(B0);
  const double sin2B0 = 2.0 * sinB0 * cosB0;
  // Distance from the axis meridian in units of the major axis 6378245.
  const double z0 = (Y - n * 1000000.0 - 500000.0) * 1.5678293950765453152e-7 / cosB0;
  const double z2 = z0 * z0;
  const double s2 = sinB0 * sinB0;
  const double s4 = s2 * s2;
  const double s6 = s4 * s2;

  *B = B0 - z2 * sin2B0 *
                (0.251684631 - 0.003369263 * s2 + 0.000011276 * s4 -
                 z2 * (0.10500614 - 0.04559916 * s2 + 0.00228901 * s4 - 0.00002987 * s6 -
                       z2 * (0.042858 - 0.025318 * s2 + 0.014346 * s4 - 0.001264 * s6 -
                             z2 * (0.01672 - 0.0063 * s2 + 0.01188 * s4 - 0.00328 * s6))));
  const double l =
      z0 * (1.0 - 0.0033467108 * s2 - 0.0000056002 * s4 - 0.0000000187 * s6 -
            z2 * (0.16778975 + 0.16273586 * s2 - 0.0005249 * s4 - 0.00000846 * s6 -
                  z2 * (0.0420025 + 0.1487407 * s2 + 0.005942 * s4 - 0.000015 * s6 -
                        z2 * (0.01225 + 0.09477 * s2 + 0.03282 * s4 - 0.00034 * s6 -
                              z2 * (0.0038 + 0.0524 * s2 + 0.0482 * s4 + 0.0032 * s6)))));
  *L = (6.0 * n - 3.0) / kDegreesPerRadian + l;
}

bool GaussKrugerZoneOfLongitude(double L, GaussKrugerZone* zone) {
  if (!(std::fabs(L) < kLongitudeLimit)) return false;
  // 206264.806247096 seconds of arc per radian; 3600 seconds a degree.
  const double k = std::fabs(std::trunc(L * 206264.806247096 / 3600.0 / 6.0));
  zone->Meridian = (6.0 * k + 3.0) * 3600.0 * 4.848136811095368e-6;
  zone->Number = static_cast<int32_t>(std::trunc(zone->Meridian * kDegreesPerRadian / 6.0)) + 1;
  return true;
}

bool GaussKrugerZoneFrom360(double L, GaussKrugerZone* zone) {
  if (!(std::fabs(L) < kLongitudeLimit)) return false;
  const double d = L * 180.0 / kPi;
  const double index = d >= 0 ? std::trunc(d / 6.0) : std::trunc((360.0 + d) / 6.0);
  *zone = GaussKrugerZoneOfNumber(static_cast<int32_t>(index) + 1);
  return true;
}

GaussKrugerZone GaussKrugerZoneOfNumber(int32_t number) {
  return {number, ((number - 1.0) * 6.0 + 3.0) * kPi / 180.0};
}

// ---------------------------------------------------------------------------
// The zone and the conversions of a TTranslate.

namespace {

GaussKrugerZone ZoneOf(const TTranslate* t) { return {t->ZoneNumber, t->ZoneMeridian}; }

void Install(TTranslate* t, const GaussKrugerZone& zone) {
  t->ZoneNumber = zone.Number;
  t->ZoneMeridian = zone.Meridian;
}

}  // namespace

void IdentifyZone(TTranslate* t, double L) {
  GaussKrugerZone zone;
  if (t && GaussKrugerZoneOfLongitude(L, &zone)) Install(t, zone);
}

int GetNumberZone(TTranslate* t) { return t ? t->ZoneNumber : 0; }

int SetNumberZone(TTranslate* t, int number) {
  if (!t) return 0;
  Install(t, GaussKrugerZoneOfNumber(number));
  return number;
}

int SetNumberZone(TTranslate* t, double L) {
  if (!t) return 0;
  GaussKrugerZone zone;
  if (GaussKrugerZoneFrom360(L, &zone)) Install(t, zone);
  return t->ZoneNumber;
}

void XY2BL_GK(TTranslate* t, double X, double Y, double* B, double* L) {
  if (t && B && L) GaussKrugerInverse(ZoneOf(t), X, Y, B, L);
}

void BL2XY_GK(TTranslate* t, double B, double L, double* X, double* Y) {
  if (t && X && Y) GaussKrugerForward(ZoneOf(t), B, L, X, Y);
}
