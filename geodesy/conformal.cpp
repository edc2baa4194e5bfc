// Conformal cylindrical (kind 8) and conformal conic (kind 2) projections on
// the ellipsoid of the TTranslate.
//
// Both take the semi-major axis and the eccentricity term from the object.
// On ellipsoid kinds 3-9 that term is e squared, and the formulas use it
// where e stands: a conic or cylinder on those ellipsoids is computed with
// e = 0.0067... instead of 0.08. Stored map registers depend on these
// numbers, so the term is used as it is.
#include <cmath>

#include "common/maperr.h"
#include "geodesy/formula_family.h"
#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// The common logarithm of Euler's number cut to eight digits, as the
// cylindrical projection has always used it in both directions.
constexpr double kM = 0.43429448;
constexpr double kConicFalseEasting = 8000000.0;
constexpr double kEps = 1e-12;

// U(phi), the forward form of the isometric latitude function.
double U(double e, double phi) {
  const double psi = std::asin(e * std::sin(phi));
  return std::tan(phi / 2 + kPi / 4) / std::pow(std::tan(psi / 2 + kPi / 4), e);
}

// F(phi), the form of U used inside the searches.
double F(double e, double phi) {
  const double s = std::sin(phi);
  return std::sqrt((1 + s) * std::pow(1 - e * s, e) / ((1 - s) * std::pow(1 + e * s, e)));
}

// r(phi), radius of the parallel.
double ParallelRadius(double a, double e, double phi) {
  const double es = e * std::sin(phi);
  return a * std::cos(phi) / std::sqrt(1 - es * es);
}

// ---------------------------------------------------------------------------
// The latitude search of phi with F(phi) = q, halving [0, top] to 1e-12.

struct SearchColumn {
  double Top;         // upper end of the bracket
  bool ExactEnds;     // the ends pass only when F equals q exactly
  double NoRoot;      // the answer when F - q has one sign on the bracket
};

constexpr SearchColumn kCylinder{1.5707863267948965, false, 0.0};  // pi/2 - 1e-5
constexpr SearchColumn kCone{1.5706963267948966, true, 1.5706963267948966};  // pi/2 - 1e-4

bool EndPasses(const SearchColumn& c, double f) { return c.ExactEnds ? f == 0 : std::fabs(f) < kEps; }

// The search as it is defined, F evaluated at every pass. fTop = F(top).
double SearchByDefinition(double e, double q, const SearchColumn& c, double fTop) {
  double lo = 0, hi = c.Top;
  double flo = F(e, lo) - q;
  const double fhi = fTop - q;
  if (EndPasses(c, flo)) return lo;
  if (EndPasses(c, fhi)) return hi;
  double result = lo;
  while (hi - lo > kEps) {
    if (flo * fhi >= 0) return c.NoRoot;
    const double mid = lo + (hi - lo) * 0.5;
    const double fmid = F(e, mid) - q;
    if (std::fabs(fmid) < kEps) return mid;
    if (flo * fmid < 0) {
      hi = mid;
    } else {
      lo = mid;
      flo = fmid;
    }
    result = mid;
  }
  return result;
}

// phi with ln F(phi) = ln q by Newton's method (ln F = atanh(sin phi) -
// e atanh(e sin phi)), or false.
bool RootOfF(double e, double q, double top, double* root) {
  const double lnq = std::log(q);
  double phi = 2 * std::atan(q) - kHalfPi;
  for (int i = 0; i < 12; ++i) {
    const double s = std::sin(phi), c = std::cos(phi);
    const double g = std::atanh(s) - e * std::atanh(e * s) - lnq;
    const double step = g / (1 / c - e * e * c / (1 - e * e * s * s));
    phi -= step;
    if (!(phi > 0 && phi < top)) return false;
    if (std::fabs(step) < 1e-15) {
      *root = phi;
      return true;
    }
  }
  return false;
}

// Points farther than this from the root see F - q of the root's side and
// well away from 0 (F rises at least as fast as phi), so the search takes
// the same turns there without evaluating F.
constexpr double kNear = 1e-10;

// The same search, with the same bits, walking the passes around the root.
double Search(double e, double q, const SearchColumn& c, double fTop) {
  // F(0) is 1 exactly: every factor of it is 1.
  const double flo0 = 1.0 - q;
  const double fhi = fTop - q;
  if (EndPasses(c, flo0)) return 0.0;
  if (EndPasses(c, fhi)) return c.Top;
  if (flo0 * fhi >= 0) return c.NoRoot;
  double root;
  if (!RootOfF(e, q, c.Top, &root)) return SearchByDefinition(e, q, c, fTop);
  // flo keeps its sign through the passes: lo moves only onto points of
  // the same side.
  const bool loBelow = flo0 < 0;
  double lo = 0, hi = c.Top, result = 0;
  const double right = root + kNear, left = root - kNear;
  while (hi - lo > kEps) {
    const double mid = lo + (hi - lo) * 0.5;
    bool midBelow;
    if (mid > right) {
      midBelow = false;
    } else if (mid < left) {
      midBelow = true;
    } else {
      const double fmid = F(e, mid) - q;
      if (std::fabs(fmid) < kEps) return mid;
      midBelow = fmid < 0;
    }
    if (midBelow != loBelow)
      hi = mid;
    else
      lo = mid;
    result = mid;
  }
  return result;
}

// ---------------------------------------------------------------------------
// Constants of a call. Nothing is installed ahead: each call takes them
// from the object's fields. A TTranslate of kind 8 or 2 keeps the last ones
// in its work constants with the fields they came from, as kinds 8 and 2
// have no set-up of their own; a call with other fields, or on an object of
// another kind, computes them afresh.

struct Cylinder {
  double r0;    // a cos(B1)
  double fTop;  // F at the top of the search bracket
};

Cylinder CylinderOf(TTranslate* t) {
  double* w = t->WorkConstants;
  const bool own = t->ProjectionKind == PRJ_CYLINDRICAL;
  if (own && w[kPreparedKindSlot] == double(PRJ_CYLINDRICAL) && w[0] == t->MajorAxis &&
      w[1] == t->EccentricityTerm && w[2] == t->FirstMainParallel)
    return {w[3], w[4]};
  const Cylinder c{t->MajorAxis * std::cos(t->FirstMainParallel), F(t->EccentricityTerm, kCylinder.Top)};
  if (own) {
    w[0] = t->MajorAxis, w[1] = t->EccentricityTerm, w[2] = t->FirstMainParallel;
    w[3] = c.r0, w[4] = c.fTop;
    w[kPreparedKindSlot] = double(PRJ_CYLINDRICAL);
  }
  return c;
}

struct Cone {
  double n, K, rho0;
  double fTop;
};

Cone ConeOf(TTranslate* t) {
  double* w = t->WorkConstants;
  const double a = t->MajorAxis, e = t->EccentricityTerm;
  const double B1 = t->FirstMainParallel, B2 = t->SecondMainParallel, B0 = t->MainPointParallel;
  const bool own = t->ProjectionKind == PRJ_CONIC;
  if (own && w[kPreparedKindSlot] == double(PRJ_CONIC) && w[0] == a && w[1] == e && w[2] == B1 &&
      w[3] == B2 && w[4] == B0)
    return {w[5], w[6], w[7], w[8]};
  const double U1 = U(e, B1), U2 = U(e, B2);
  const double r1 = ParallelRadius(a, e, B1), r2 = ParallelRadius(a, e, B2);
  Cone c;
  c.n = (std::log10(r1) - std::log10(r2)) / (std::log10(U2) - std::log10(U1));
  c.K = std::pow(U1, c.n) * r1 / c.n;
  c.rho0 = c.K / std::pow(U(e, B0), c.n);
  c.fTop = F(e, kCone.Top);
  if (own) {
    w[0] = a, w[1] = e, w[2] = B1, w[3] = B2, w[4] = B0;
    w[5] = c.n, w[6] = c.K, w[7] = c.rho0, w[8] = c.fTop;
    w[kPreparedKindSlot] = double(PRJ_CONIC);
  }
  return c;
}

}  // namespace

// ---------------------------------------------------------------------------
// Conformal cylindrical.

void BL2XY_CYL(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y) return;
  const Cylinder c = CylinderOf(t);
  *X = std::log10(U(t->EccentricityTerm, B)) * c.r0 / kM;
  *Y = (L - t->AxisMeridian) * c.r0;
}

// Latitudes whose q lies beyond the bracket (past pi/2 - 1e-5) come back as
// 0 with the sign of X.
void XY2BL_CYL(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L) return;
  const Cylinder c = CylinderOf(t);
  const double q = std::pow(10.0, std::fabs(X) * kM / c.r0);
  if (std::isnan(q)) {
    t->ErrorCode = MAPERR_PROJECTION;
    *B = *L = 0.0;
    return;
  }
  const double b = Search(t->EccentricityTerm, q, kCylinder, c.fTop);
  *L = Y / c.r0 + t->AxisMeridian;
  *B = X < 0 ? -b : b;
}

// ---------------------------------------------------------------------------
// Conformal conic with two standard parallels and a false easting of
// 8,000,000 m.

void BL2XY_CON(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y) return;
  const Cone c = ConeOf(t);
  const double rho = c.K / std::pow(U(t->EccentricityTerm, B), c.n);
  const double gamma = c.n * (L - t->AxisMeridian);
  *X = c.rho0 - rho * std::cos(gamma);
  *Y = rho * std::sin(gamma) + kConicFalseEasting;
}

// The search covers 0 to pi/2 - 1e-4: points south of the equator come back
// as pi/2 - 1e-4, points beyond the apex as pi/2.
void XY2BL_CON(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L) return;
  const Cone c = ConeOf(t);
  double y = Y - kConicFalseEasting;
  if (std::fabs(y) < 1e-12) y = 1e-12;
  const double gamma = std::atan(y / (c.rho0 - X));
  const double tn = std::sin(gamma) * c.K / y;  // U(B)^n
  if (std::isnan(tn)) {
    t->ErrorCode = MAPERR_PROJECTION;
    *B = *L = 0.0;
    return;
  }
  *L = gamma / c.n + t->AxisMeridian;
  if (tn <= 1e-12) {
    *B = kHalfPi;
    return;
  }
  *B = Search(t->EccentricityTerm, std::pow(tn, 1 / c.n), kCone, c.fTop);
}
