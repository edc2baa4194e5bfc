// The zone-system block of a TTranslate: transverse Mercator zones of fixed
// width on one ellipsoid, with false northing and easting and a scale on
// the axis meridian. The set-ups fill the block; the zone number follows a
// longitude or the millions of a plane easting.
#include <cmath>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kWgs84Flattening = 0.0033528106647474805;     // 1/298.257223563
constexpr double kNad27Flattening = 0.0033900603430741063;     // 1/294.98
constexpr double kKrasovskyFlattening = 0.003352329869259135;  // 1/298.3

// Zone indexes that do not fit a 32-bit integer (or are not numbers) leave
// the zone as it was.
bool ZoneIndex(double value, int32_t* index) {
  if (!(std::fabs(value) < 2.0e9)) return false;
  *index = static_cast<int32_t>(std::trunc(value));
  return true;
}

void SetBlock(TTranslate* t, double scale, double firstAxisDegrees, double widthDegrees) {
  t->FalseNorthing = 0.0;
  t->FalseEasting = 500000.0;
  t->ScaleFactor = scale;
  t->FirstAxisDegrees = firstAxisDegrees;
  t->FirstAxis = firstAxisDegrees * kPi / 180.0;
  t->ZoneWidthDegrees = widthDegrees;
  t->ZoneWidth = widthDegrees * kPi / 180.0;
}

void SetEllipsoid(TTranslate* t, double a, double f) {
  t->ZoneMajorAxis = a;
  t->ZoneFlattening = f;
  t->ZoneEccentricity2 = 2.0 * f - f * f;
}

}  // namespace

void InitUTMforWGS84(TTranslate* t) {
  if (!t) return;
  SetBlock(t, 0.9996, 183.0, 6.0);
  SetEllipsoid(t, 6378137.0, kWgs84Flattening);
}

void InitUTMforNAD27(TTranslate* t) {
  if (!t) return;
  SetBlock(t, 0.9996, 183.0, 6.0);
  SetEllipsoid(t, 6378206.0, kNad27Flattening);
}

// UTM zones on the object's own ellipsoid; its term is e squared there.
void InitUTM(TTranslate* t) {
  if (!t) return;
  SetBlock(t, 0.9996, 183.0, 6.0);
  t->ZoneMajorAxis = t->MajorAxis;
  t->ZoneEccentricity2 = t->EccentricityTerm;
}

void InitGKfor42(TTranslate* t) {
  if (!t) return;
  SetBlock(t, 1.0, 3.0, 6.0);
  SetEllipsoid(t, 6378245.0, kKrasovskyFlattening);
}

// The zone system is carried by the projection parameters: the axis meridian
// of zone 1, the zone width, the false easting in units of 100 km and the
// false northing in units of 10 km with the opposite sign.
void InitCK63(TTranslate* t) {
  if (!t) return;
  t->FalseNorthing = -t->PoleLongitude * 10000.0;
  t->FalseEasting = t->MainPointParallel * 100000.0;
  t->ScaleFactor = 1.0;
  t->FirstAxis = t->FirstMainParallel;
  t->FirstAxisDegrees = t->FirstMainParallel * 180.0 / kPi;
  t->ZoneWidth = t->SecondMainParallel;
  t->ZoneWidthDegrees = t->SecondMainParallel * 180.0 / kPi;
  SetEllipsoid(t, 6378245.0, kKrasovskyFlattening);
}

void InitNumberZone_in_Ill(TTranslate* t, double Y) {
  int32_t n;
  if (t && ZoneIndex(Y * 1e-6, &n)) t->ZoneNumberInSystem = n;
}

void InitNumberZone_in_Ill_l(TTranslate* t, double L) {
  if (!t) return;
  if (t->ZoneWidthDegrees == 0) {
    t->ZoneNumberInSystem = 1;
    return;
  }
  const double Ld = L * 180.0 / kPi;
  const double start = t->FirstAxisDegrees - t->ZoneWidthDegrees / 2.0;
  const double index =
      Ld >= start ? (Ld - start) / t->ZoneWidthDegrees : (Ld + 360.0 - start) / t->ZoneWidthDegrees;
  int32_t n;
  if (!ZoneIndex(index, &n)) return;
  t->ZoneNumberInSystem = n + 1;
  t->ZoneNumber = n + 1;
}

LONG GetNumberZone_in_Ill(TTranslate* t) { return t ? t->ZoneNumberInSystem : 0; }

LONG SetNumberZone_in_Ill(TTranslate* t, LONG number) {
  if (!t) return 0;
  t->ZoneNumberInSystem = number;
  t->ZoneNumber = number;
  return number;
}

double CalcAxisMeridianByNumberZone_in_Ill(TTranslate* t, LONG number) {
  if (!t) return 0.0;
  return ((number - 1.0) * t->ZoneWidthDegrees + t->FirstAxisDegrees) * kPi / 180.0;
}
