// The coordinate transformation object: construction, installing a
// projection, the parameter check and the dispatched conversions.
#include "geodesy/translate.h"

#include <cmath>
#include <cstring>

#include "common/maperr.h"
#include "geodesy/ellipsoids.h"
#include "geodesy/formula_family.h"
#include "geodesy/projections.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// Default projection: Gauss-Krueger on Krasovsky with this axis meridian
// (about 37.6459 degrees, zone 7).
constexpr double kDefaultAxisMeridian = 0.65704432;

// Closed ranges; a NaN is outside.
bool Within(double v, double bound) { return v >= -bound && v <= bound; }

void SetKrasovsky(TTranslate* t) {
  const EllipsoidTerms* k = FindEllipsoid(ELLIPSOID_KRASOVSKY);
  t->MajorAxis = k->MajorAxis;
  t->EccentricityTerm = k->EccentricityTerm;
}

void DefaultSetup(TTranslate* t) {
  std::memset(static_cast<void*>(t), 0, sizeof(*t));
  t->ProjectionKind = PRJ_GAUSSKRUGER;
  t->EllipsoidKind = ELLIPSOID_KRASOVSKY;
  t->AxisMeridian = kDefaultAxisMeridian;
  SetKrasovsky(t);
  CONSTPROJ own = *t;
  if (TestConstproj(PRJ_GAUSSKRUGER, &own) == 0) IdentifyZone(t, t->AxisMeridian);
}

// The conversion of the object's projection on its ellipsoid, or null.
const Conversions& ConversionsOf(const TTranslate* t) {
  return FindProjection(t->ProjectionKind).On[ColumnOfEllipsoid(t->EllipsoidKind)];
}

void Unsupported(TTranslate* t, double* out1, double* out2) {
  t->ErrorCode = MAPERR_PROJECTION;
  *out1 = 0.0;
  *out2 = 0.0;
}

}  // namespace

int TestConstproj(int kind, CONSTPROJ* parameters) {
  if (!parameters) return MAPERR_PROJPARAM;
  const CONSTPROJ& p = *parameters;
  int result = Within(p.AxisMeridian, kTwoPi) ? 0 : MAPERR_PROJPARAM;

  const ParameterCheck check = FindProjection(kind).Check;
  if (check == ParameterCheck::AxisOnly) return result;
  if (check == ParameterCheck::Unknown) result = MAPERR_PROJECTION;

  if (check != ParameterCheck::NoSecond && !Within(p.SecondMainParallel, kPi))
    result = MAPERR_PROJPARAM;
  if (!Within(p.FirstMainParallel, kPi) || !Within(p.MainPointParallel, kPi))
    result = MAPERR_PROJPARAM;
  if (check == ParameterCheck::TwoParallels && p.FirstMainParallel == p.SecondMainParallel)
    result = MAPERR_PROJPARAM;
  return result;
}

int SetProjection(TTranslate* t, int kind, CONSTPROJ* parameters, int ellipsoid) {
  if (!t || !parameters) return MAPERR_INPUT;
  t->ErrorCode = 0;
  t->EllipsoidKind = ellipsoid;
  t->ErrorCode = TestConstproj(kind, parameters);
  if (t->ErrorCode) return t->ErrorCode;

  t->ProjectionKind = kind;
  static_cast<CONSTPROJ&>(*t) = *parameters;
  if (const EllipsoidTerms* e = FindEllipsoid(ellipsoid)) {
    t->MajorAxis = e->MajorAxis;
    t->EccentricityTerm = e->EccentricityTerm;
  }

  // The work constants belong to the kind installed before; they stay
  // unused until a set-up prepares them for this one.
  t->WorkConstants[kPreparedKindSlot] = 0.0;
  const ProjectionEntry& entry = FindProjection(kind);
  if (entry.Setup) entry.Setup(t);
  if (ellipsoid == ELLIPSOID_KRASOVSKY && entry.SetupOnKrasovsky) entry.SetupOnKrasovsky(t);
  return t->ErrorCode;
}

// A conversion that gives no finite answer (a point at infinity of the
// projection, an argument outside a formula's domain, a value that is not
// a number) fails like an unsupported pair.
void XY2BL(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L) return;
  PointConversion f = ConversionsOf(t).XY2BL;
  if (f) f(t, X, Y, B, L);
  if (!f || !std::isfinite(*B) || !std::isfinite(*L)) Unsupported(t, B, L);
}

void BL2XY(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y) return;
  PointConversion f = ConversionsOf(t).BL2XY;
  if (f) f(t, B, L, X, Y);
  if (!f || !std::isfinite(*X) || !std::isfinite(*Y)) Unsupported(t, X, Y);
}

// ---------------------------------------------------------------------------
// The class: construction and the exported methods.

TTranslate::TTranslate() { DefaultSetup(this); }

TTranslate::TTranslate(int kind, CONSTPROJ* parameters, int ellipsoid) {
  DefaultSetup(this);
  ProjectionKind = -1;
  if (::TestConstproj(kind, parameters) != 0) return;

  ProjectionKind = kind;
  static_cast<CONSTPROJ&>(*this) = *parameters;
  SetKrasovsky(this);
  EllipsoidKind = ellipsoid;
  if (ellipsoid != ELLIPSOID_KRASOVSKY) {
    ::InitUTMforWGS84(this);
    ::InitNumberZone_in_Ill_l(this, AxisMeridian);
  }
  if (kind == PRJ_GAUSSKRUGER) ::IdentifyZone(this, AxisMeridian);
}

TTranslate::~TTranslate() = default;

int TTranslate::SetProjection(int kind, CONSTPROJ* parameters, int ellipsoid) {
  return ::SetProjection(this, kind, parameters, ellipsoid);
}
int TTranslate::TestConstproj(int kind, CONSTPROJ* parameters) {
  return ::TestConstproj(kind, parameters);
}
void TTranslate::XY2BL(double X, double Y, double* B, double* L) { ::XY2BL(this, X, Y, B, L); }
void TTranslate::BL2XY(double B, double L, double* X, double* Y) { ::BL2XY(this, B, L, X, Y); }

void TTranslate::IdentifyZone(double L) { ::IdentifyZone(this, L); }
int TTranslate::GetNumberZone() { return ::GetNumberZone(this); }
int TTranslate::SetNumberZone(int number) { return ::SetNumberZone(this, number); }
int TTranslate::SetNumberZone(double L) { return ::SetNumberZone(this, L); }
void TTranslate::XY2BL_GK(double X, double Y, double* B, double* L) {
  ::XY2BL_GK(this, X, Y, B, L);
}
void TTranslate::BL2XY_GK(double B, double L, double* X, double* Y) {
  ::BL2XY_GK(this, B, L, X, Y);
}
void TTranslate::XY2BL_CYL(double X, double Y, double* B, double* L) {
  ::XY2BL_CYL(this, X, Y, B, L);
}
void TTranslate::BL2XY_CYL(double B, double L, double* X, double* Y) {
  ::BL2XY_CYL(this, B, L, X, Y);
}
void TTranslate::XY2BL_CON(double X, double Y, double* B, double* L) {
  ::XY2BL_CON(this, X, Y, B, L);
}
void TTranslate::BL2XY_CON(double B, double L, double* X, double* Y) {
  ::BL2XY_CON(this, B, L, X, Y);
}
void TTranslate::XY2BL_BLANK(double X, double Y, double* B, double* L) {
  ::XY2BL_BLANK(this, X, Y, B, L);
}
void TTranslate::BL2XY_BLANK(double B, double L, double* X, double* Y) {
  ::BL2XY_BLANK(this, B, L, X, Y);
}
void TTranslate::XY2BL_GLOBE(double X, double Y, double* B, double* L) {
  ::XY2BL_GLOBE(this, X, Y, B, L);
}
void TTranslate::BL2XY_GLOBE(double B, double L, double* X, double* Y) {
  ::BL2XY_GLOBE(this, B, L, X, Y);
}

void TTranslate::BL2BL(double B, double L, double H, double* B2, double* L2, double* H2, int mode) {
  ::BL2BL(B, L, H, B2, L2, H2, mode);
}
void TTranslate::BL2BL_03(double B, double L, double H, double* B2, double* L2, double* H2,
                          int mode) {
  ::BL2BL_03(B, L, H, B2, L2, H2, mode);
}
void TTranslate::BL2BL_001(double B, double L, double H, double* B2, double* L2, double* H2,
                           int mode) {
  ::BL2BL_001(B, L, H, B2, L2, H2, mode);
}
void TTranslate::BL422BLEC90(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BL422BLEC90(B, L, H, B2, L2, H2);
}
void TTranslate::BL422BLWGS84(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BL422BLWGS84(B, L, H, B2, L2, H2);
}
void TTranslate::BL422BLNAHRWAN(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BL422BLNAHRWAN(B, L, H, B2, L2, H2);
}
void TTranslate::BLEC902BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BLEC902BL42(B, L, H, B2, L2, H2);
}
void TTranslate::BLWGS842BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BLWGS842BL42(B, L, H, B2, L2, H2);
}
void TTranslate::BLNAHRWAN2BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  ::BLNAHRWAN2BL42(B, L, H, B2, L2, H2);
}
void TTranslate::BL422XYNAHRWAN(double B, double L, double H, double* X, double* Y) {
  ::BL422XYNAHRWAN(B, L, H, X, Y);
}
void TTranslate::BL2XYNAHRWAN(double B, double L, double* X, double* Y) {
  ::BL2XYNAHRWAN(B, L, X, Y);
}

void TTranslate::InitUTMforWGS84() { ::InitUTMforWGS84(this); }
void TTranslate::InitUTMforNAD27() { ::InitUTMforNAD27(this); }
void TTranslate::InitUTM() { ::InitUTM(this); }
void TTranslate::InitGKfor42() { ::InitGKfor42(this); }
void TTranslate::InitCK63() { ::InitCK63(this); }
void TTranslate::InitNumberZone_in_Ill(double Y) { ::InitNumberZone_in_Ill(this, Y); }
void TTranslate::InitNumberZone_in_Ill_l(double L) { ::InitNumberZone_in_Ill_l(this, L); }
LONG TTranslate::GetNumberZone_in_Ill() { return ::GetNumberZone_in_Ill(this); }
LONG TTranslate::SetNumberZone_in_Ill(LONG number) { return ::SetNumberZone_in_Ill(this, number); }
double TTranslate::CalcAxisMeridianByNumberZone_in_Ill(LONG number) {
  return ::CalcAxisMeridianByNumberZone_in_Ill(this, number);
}
void TTranslate::XY2BL_in_Ill(double X, double Y, double* B, double* L) {
  ::XY2BL_in_Ill(this, X, Y, B, L);
}
void TTranslate::BL2XY_in_Ill(double B, double L, double* X, double* Y) {
  ::BL2XY_in_Ill(this, B, L, X, Y);
}
void TTranslate::XY2BL_in_Ill_1(double X, double Y, double* B, double* L) {
  ::XY2BL_in_Ill_1(this, X, Y, B, L);
}
void TTranslate::BL2XY_in_Ill_1(double B, double L, double* X, double* Y) {
  ::BL2XY_in_Ill_1(this, B, L, X, Y);
}
