// The zone-system block of a TTranslate: transverse Mercator zones of fixed
// width on one ellipsoid, with false northing and easting and a scale on
// the axis meridian. The set-ups fill the block; the zone number follows a
// longitude or the millions of a plane easting.
#include <cmath>

#include "common/maperr.h"
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

// ---------------------------------------------------------------------------
// Transverse Mercator in the current zone of the zone system: Gauss-Krueger
// series on the block's ellipsoid (a, e^2) with coefficients in powers of
// sin^2 B. On the Krasovsky ellipsoid they are the series of the 6-degree
// zones.

namespace {

// p0 + p1 s2 + p2 s4 + p3 s6.
struct Cubic {
  double p0, p1, p2, p3;
  double operator()(double s2, double s4, double s6) const {
    return p0 + p1 * s2 + p2 * s4 + p3 * s6;
  }
};

// The meridian-arc factors of the ellipsoid.
struct Arc {
  double A0, A2, A4, A6;
};

Arc ArcOf(double e2, bool longSeries) {
  const double e4 = e2 * e2, e6 = e4 * e2, e8 = longSeries ? e4 * e4 : 0.0;
  return {1 + 3.0 / 4 * e2 + 45.0 / 64 * e4 + 175.0 / 256 * e6 + 11025.0 / 16384 * e4 * e4,
          3.0 / 4 * e2 + 15.0 / 16 * e4 + 525.0 / 512 * e6 + 2205.0 / 2048 * e8,
          15.0 / 64 * e4 + 105.0 / 256 * e6 + 2205.0 / 4096 * e8,
          35.0 / 512 * e6 + 315.0 / 2048 * e8};
}

double ZoneAxis(const TTranslate* t) {
  return t->FirstAxis + (t->ZoneNumberInSystem - 1.0) * t->ZoneWidth;
}

// Into -pi..pi.
double ReduceHalfTurn(double l) {
  l -= 2 * kPi * std::trunc(l / (2 * kPi));
  if (l < -kPi)
    l += 2 * kPi;
  else if (l > kPi)
    l -= 2 * kPi;
  return l;
}

// A block that no set-up filled has no ellipsoid and no scale: such a
// zone system converts nothing (60100, both outputs 0.0).
bool HasZoneSystem(TTranslate* t, double* out1, double* out2) {
  if (t->ZoneMajorAxis > 0 && t->ScaleFactor > 0 && t->ZoneEccentricity2 >= 0 &&
      t->ZoneEccentricity2 < 1)
    return true;
  t->ErrorCode = MAPERR_PROJECTION;
  *out1 = *out2 = 0.0;
  return false;
}

void PlaneOfZone(const TTranslate* t, double x, double y, double* X, double* Y) {
  *X = t->ScaleFactor * x + t->FalseNorthing;
  *Y = t->ZoneNumberInSystem * 1000000.0 + t->FalseEasting + t->ScaleFactor * y;
}

// The footpoint latitude of the meridian arc x.
double Footpoint(const Arc& arc, double M0, double x, bool longSeries) {
  const double A0 = arc.A0, A2 = arc.A2, A4 = arc.A4, A6 = arc.A6;
  const double F1 = (A4 / (4 * A0) + 1 - A2 * A2 / (8 * A0 * A0)) * A2 / (2 * A0);
  const double F2 = (A2 * A2 / A0 - A4) / (4 * A0);
  const double F3 = (A6 / 3 + 3 * A2 * A2 * A2 / (8 * A0 * A0) - 3 * A2 * A4 / (4 * A0)) / (2 * A0);
  const double mu = x / (M0 * A0);
  const double sm = std::sin(mu) * std::sin(mu);
  const double tail = longSeries ? (4 * F2 + 16 * F3 - 16 * F3 * sm) : (4 * F2 + 16 * F3);
  return mu + std::sin(2 * mu) * (2 * F2 + F1 + 3 * F3 - tail * sm);
}

}  // namespace

void BL2XY_in_Ill(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y || !HasZoneSystem(t, X, Y)) return;
  const double a = t->ZoneMajorAxis, e2 = t->ZoneEccentricity2, w = 1 / (1 - e2), M0 = a * (1 - e2);
  const double e4 = e2 * e2, e6 = e4 * e2;
  const Arc arc = ArcOf(e2, true);
  const double l = ReduceHalfTurn(L - ZoneAxis(t)), l2 = l * l;
  const double s2 = std::sin(B) * std::sin(B), s4 = s2 * s2, s6 = s4 * s2;
  const Cubic P2{a / 4, a * e2 / 8, 3 * a * e4 / 32, 5 * a * e6 / 64};
  const Cubic P4{(5 - e2) * a * w * w / 48, -((7 + e2) * e2 + 12) * a * w * w / 96,
                 (5 * e2 + 16) * a * e2 * w * w / 128, -7 * a * e4 * w * w / 192};
  const Cubic P6{(270 * e2 + 61) * a / 1440, -(2219 * e2 + 360) * a / 2880, (23 * e2 + 2) * a / 24,
                 -3 * a * e2 / 8};
  const Cubic P8{277 * a / 16128, -1211 * a / 13440, 91 * a / 672, -a / 16};
  const double c0 = M0 * (arc.A2 + arc.A6 - arc.A4) / 2, c2 = M0 * (arc.A4 - 8.0 / 3 * arc.A6),
               c4 = 8.0 / 3 * M0 * arc.A6;
  const double x = M0 * arc.A0 * B -
                   std::sin(2 * B) *
                       (c0 + c2 * s2 + c4 * s4 -
                        l2 * (P2(s2, s4, s6) +
                              l2 * (P4(s2, s4, s6) + l2 * (P6(s2, s4, s6) + l2 * P8(s2, s4, s6)))));
  const double h = a * w / 6;
  const Cubic Q0{a, a * e2 / 2, 3 * a * e4 / 8, 5 * a * e6 / 16};
  const Cubic Q2{h, -(4 - e2) * h / 2, 3 * h * e4 / 8, -h * e4 / 4};
  const Cubic Q4{(4 * e2 * (1 + e2) + 5) * h * w / 20, -((59 * e2 + 83) * e2 + 56) * h * w / 40,
                 3 * ((9 * e2 + 16) * e2 + 4) * h * w / 10, -(11 * e2 + 24) * h * e2 * w / 8};
  const Cubic Q6{(231 * e2 + 61) * h / 840, -(5339 * e2 + 1324) * h / 1680, (95 * e2 + 22) * h / 14,
                 -(55 * e2 + 12) * h / 14};
  const double y =
      std::cos(B) * l *
      (Q0(s2, s4, s6) + l2 * (Q2(s2, s4, s6) + l2 * (Q4(s2, s4, s6) + l2 * Q6(s2, s4, s6))));
  PlaneOfZone(t, x, y, X, Y);
}

// The zone comes from the object, not from the millions of Y; a false
// easting above 1000 km is taken as (and stored as) 500 km.
void XY2BL_in_Ill(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L || !HasZoneSystem(t, B, L)) return;
  if (t->FalseEasting > 1000000) t->FalseEasting = 500000;
  const double a = t->ZoneMajorAxis, e2 = t->ZoneEccentricity2, w = 1 / (1 - e2), M0 = a * (1 - e2);
  const double e4 = e2 * e2, e6 = e4 * e2;
  const double x = (X - t->FalseNorthing) / t->ScaleFactor;
  const double y = (Y - t->FalseEasting - t->ZoneNumberInSystem * 1000000.0) / t->ScaleFactor;
  const double B0 = Footpoint(ArcOf(e2, true), M0, x, true);
  const double z = y / (a * std::cos(B0)), z2 = z * z;
  const double s2 = std::sin(B0) * std::sin(B0), s4 = s2 * s2, s6 = s4 * s2;
  const Cubic T0{w / 4, -w * e2 / 2, w * e4 / 4, 0};
  const Cubic T2{(6 * e2 + 5 + 3 * e4) / 48, -(14 * e2 + 1 + 15 * e4) / 24, (31 * e2 + 8) * e2 / 24,
                 -2 * e4 / 3};
  const Cubic T4{(107 * e2 + 61) / 1440, -(333 * e2 + 16) / 720, (87 * e2 + 2) / 180,
                 -17 * e2 / 90};
  const Cubic T6{(277 - 1108 * e2) / 16128, -(29 - 116 * e2) / 4480, (41 - 164 * e2) / 3360,
                 -(17 - 68 * e2) / 5040};
  *B = B0 -
       z2 * std::sin(2 * B0) *
           (T0(s2, s4, s6) - z2 * (T2(s2, s4, s6) - z2 * (T4(s2, s4, s6) - z2 * T6(s2, s4, s6))));
  const Cubic U2{w / 6, (2 - 9 * e2) * w / 12, -(4 - 39 * e2) * e2 * w / 48, -3 * e4 * w / 16};
  const Cubic U4{(3 * e2 * (2 + e2) + 5) / 120, (192 - (123 * e2 + 240) * e2) / 1280,
                 (32 - (1376 - 609 * e2) * e2) / 3840, -(1 - 69 * e2) * e2 / 240};
  const Cubic U6{(46 * e2 + 61) * w / 5040, (958 - 1361 * e2) * w / 10080,
                 (358 - 4395 * e2) * w / 10080, -(815 * e2 - 2) * w / 10080};
  const Cubic U8{0.0038, 0.0524, (18270 - 113789 * e2) / 362880, (1636 - 72123 * e2) / 362880};
  const double dl =
      z *
      (1 - e2 / 2 * s2 - e4 / 8 * s4 - e6 / 16 * s6 -
       z2 * (U2(s2, s4, s6) - z2 * (U4(s2, s4, s6) - z2 * (U6(s2, s4, s6) - z2 * U8(s2, s4, s6)))));
  *L = ReduceHalfTurn(ZoneAxis(t) + dl);
}

// The shorter series: fewer terms, the meridian-arc factors without e^8.
void BL2XY_in_Ill_1(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y || !HasZoneSystem(t, X, Y)) return;
  const double a = t->ZoneMajorAxis, e2 = t->ZoneEccentricity2, w = 1 / (1 - e2), M0 = a * (1 - e2);
  const Arc arc = ArcOf(e2, false);
  const double l = ReduceHalfTurn(L - ZoneAxis(t)), l2 = l * l;
  const double s2 = std::sin(B) * std::sin(B), s4 = s2 * s2;
  const double x =
      M0 * arc.A0 * B -
      std::sin(2 * B) *
          (M0 * (arc.A4 - 8.0 / 3 * arc.A6) * s2 + M0 * (arc.A2 + arc.A6 - arc.A4) / 2 -
           l2 * (a * e2 / 8 * s2 + a / 4 +
                 l2 * ((5 - e2) * a * w * w / 48 - ((7 + e2) * e2 + 12) * a * w * w / 96 * s2)));
  const double h = a * w / 6;
  const double y =
      std::cos(B) * l *
      (a + a * e2 / 2 * s2 + 3 * a * e2 * e2 / 8 * s4 + l2 * (h - (4 - e2) * h / 2 * s2));
  PlaneOfZone(t, x, y, X, Y);
}

// L comes back in 0..2*pi; the false easting is taken as it stands.
void XY2BL_in_Ill_1(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L || !HasZoneSystem(t, B, L)) return;
  const double a = t->ZoneMajorAxis, e2 = t->ZoneEccentricity2, w = 1 / (1 - e2), M0 = a * (1 - e2);
  const double x = (X - t->FalseNorthing) / t->ScaleFactor;
  const double y = (Y - t->FalseEasting - t->ZoneNumberInSystem * 1000000.0) / t->ScaleFactor;
  Arc arc = ArcOf(e2, false);
  arc.A0 = 1 + 3.0 / 4 * e2 + 45.0 / 64 * e2 * e2 + 175.0 / 256 * e2 * e2 * e2;
  const double B0 = Footpoint(arc, M0, x, false);
  const double z = y / (a * std::cos(B0)), z2 = z * z;
  const double s2 = std::sin(B0) * std::sin(B0);
  *B = B0 - z2 * std::sin(2 * B0) *
                (w / 4 - w * e2 / 2 * s2 -
                 z2 * (w * e2 * e2 / 4 - (6 * e2 + 5 + 3 * e2 * e2) / 48 * s2));
  const double dl = z * (1 - e2 / 2 * s2 - z2 * (w / 6 + (2 - 9 * e2) * w / 12 * s2));
  double l = ZoneAxis(t) + dl;
  l -= 2 * kPi * std::trunc(l / (2 * kPi));
  if (l < 0) l += 2 * kPi;
  *L = l;
}
