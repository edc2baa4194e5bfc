// The formula-family projections, kinds 6 and 18-31, on the Krasovsky
// ellipsoid or on spheres derived from it. Each kind has a set-up that turns
// the projection parameters of a TTranslate into its work constants (kinds
// 26 and 28 need none) and two conversions that read them:
//
//   6   polar azimuthal equidistant        23  polar stereographic (sphere)
//   18  equal-area pseudocylindrical       24  polar azimuthal equal-area
//   19  Mollweide (sphere)                 25  pseudocylindrical, cubic in theta
//   20  equidistant conic                  26  polar azimuthal equal-area (sphere)
//   21  equal-area conic                   27  equidistant cylindrical
//   22  conformal conic                    28  cylindrical equal-area (sphere)
//   29  polyconic of a map sheet           30  oblique azimuthal equal-area
//   31  Mercator on a sphere turned about the point (0, 0)
//
// A set-up whose parameters give no usable constants (a cone of zero angle,
// a zero radius) leaves the kind unprepared. A conversion of an unprepared
// kind, and an inverse whose latitude search cannot answer, sets
// MAPERR_PROJECTION and writes 0.0 to both outputs. A null object does
// nothing.
#pragma once

class TTranslate;

// The slot of WorkConstants that names the kind whose set-up filled them.
constexpr int kPreparedKindSlot = 18;

void InitKind6(TTranslate* t);
void XY2BL_Kind6(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind6(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind18(TTranslate* t);
void XY2BL_Kind18(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind18(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind19(TTranslate* t);
void XY2BL_Kind19(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind19(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind20(TTranslate* t);
void XY2BL_Kind20(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind20(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind21(TTranslate* t);
void XY2BL_Kind21(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind21(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind22(TTranslate* t);
void XY2BL_Kind22(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind22(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind23(TTranslate* t);
void XY2BL_Kind23(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind23(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind24(TTranslate* t);
void XY2BL_Kind24(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind24(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind25(TTranslate* t);
void XY2BL_Kind25(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind25(TTranslate* t, double B, double L, double* X, double* Y);

void XY2BL_Kind26(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind26(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind27(TTranslate* t);
void XY2BL_Kind27(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind27(TTranslate* t, double B, double L, double* X, double* Y);

void XY2BL_Kind28(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind28(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind29(TTranslate* t);
void XY2BL_Kind29(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind29(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind30(TTranslate* t);
void XY2BL_Kind30(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind30(TTranslate* t, double B, double L, double* X, double* Y);

void InitKind31(TTranslate* t);
void XY2BL_Kind31(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_Kind31(TTranslate* t, double B, double L, double* X, double* Y);
