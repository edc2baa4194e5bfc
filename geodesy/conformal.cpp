// Conformal cylindrical and conic projections on the object's ellipsoid.
#include "geodesy/conformal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "common/maperr.h"
#include "geodesy/bisection.h"
#include "geodesy/formula_family.h"
#include "geodesy/latitude_series.h"
#include "geodesy/translate.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// The common logarithm of Euler's number cut to eight digits, as the
// cylindrical projection has always used it in both directions.
constexpr double kM = 0.43429448;
constexpr double kLog10OfE = 0.4342944819032518;  // to the last place
constexpr double kLn10 = 2.302585092994046;
constexpr double kConicFalseEasting = 8000000.0;
constexpr double kEps = 1e-12;

// U(phi) = tan(phi/2 + pi/4) / tan(psi/2 + pi/4)^e with psi = asin(e sin
// phi), the forward form of the isometric latitude function, used as its
// logarithm: ln U = atanh(sin phi) - e atanh(e sin phi).
double LogU(double e, double phi) { return LogIsometric(e, std::sin(phi), std::cos(phi)); }

// U(phi) as it stands, for the constants.
double U(double e, double phi) { return std::exp(LogU(e, phi)); }

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
  double Top;      // upper end of the bracket
  bool ExactEnds;  // the ends pass only when F equals q exactly
  double NoRoot;   // the answer when F - q has one sign on the bracket
  int Passes;      // halvings of [0, Top] until it is 1e-12 wide
};

constexpr int PassesOf(double top) {
  int n = 0;
  for (double w = top; w > kEps; w *= 0.5) ++n;
  return n;
}

constexpr double kCylinderTop = 1.5707863267948965;  // pi/2 - 1e-5
constexpr double kConeTop = 1.5706963267948966;      // pi/2 - 1e-4
constexpr SearchColumn kCylinder{kCylinderTop, false, 0.0, PassesOf(kCylinderTop)};
constexpr SearchColumn kCone{kConeTop, true, kConeTop, PassesOf(kConeTop)};

const SearchColumn& ColumnOf(ConformalSearch c) {
  return c == ConformalSearch::Cone ? kCone : kCylinder;
}

bool EndPasses(const SearchColumn& c, double f) {
  return c.ExactEnds ? f == 0 : std::fabs(f) < kEps;
}

// The search as it is defined, F evaluated at every pass. fTop = F(top).
double ByDefinition(double e, double q, const SearchColumn& c, double fTop) {
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

// phi with F(phi) = q, from the series guess and one Newton step on
// ln F = atanh(sin phi) - e atanh(e sin phi). `slope` gets F'(phi) and
// `uncertainty` how far from phi the computed F may cross q: 1 - sin phi
// loses digits toward the pole. False when the guess was far off or the
// root lies outside (0, top).
bool RootOfF(double e, double q, double lnq, double top, double* root, double* slope,
             double* uncertainty) {
  const Latitude chi = ConformalOf(q);
  const Latitude phi = LatitudeFromConformal(chi.Angle, chi.Sin, chi.Cos, e * e);
  const double s = phi.Sin, c = phi.Cos;
  const double dlnF = (1 - e * e) / (c * (1 - e * e * s * s));
  const double step = (LogIsometric(e, s, c) - lnq) / dlnF;
  *root = phi.Angle - step;
  *slope = q * dlnF;
  *uncertainty = 1e-15 + 4e-16 / c;
  return std::fabs(step) < 1e-6 && *root > 0 && *root < top;
}

// The same search from F's root. Its passes halve [0, top] down to cells of
// width G, and the last pass answers the middle of the root's cell; an
// earlier pass answers its own middle when F there lies within 1e-12 of q,
// which near the root is slope * distance, and where that distance lies too
// near the mark for the estimate to tell, F itself is asked. Where the root
// lies too near a cell's edge for its rounding to tell the side, the search
// is run as defined. The answer is the definition's up to the rounding of
// its passes, a few units of the last place.
double AroundRoot(double e, double q, double lnq, const SearchColumn& c, double fTop) {
  // F(0) is 1 exactly: every factor of it is 1.
  const double flo0 = 1.0 - q;
  const double fhi = fTop - q;
  if (EndPasses(c, flo0)) return 0.0;
  if (EndPasses(c, fhi)) return c.Top;
  if (flo0 * fhi >= 0) return c.NoRoot;
  double root, slope, u;
  if (!RootOfF(e, q, lnq, c.Top, &root, &slope, &u)) return ByDefinition(e, q, c, fTop);

  const int passes = c.Passes;
  const double G = std::ldexp(c.Top, 1 - passes);  // the bracket of the last pass
  const double t = root / G;
  const double index = std::floor(t);
  const double near = (u + 5e-16) / G;
  if (t - index < near || t - index > 1 - near) return ByDefinition(e, q, c, fTop);

  // The middle of the pass `shift` rounds before the last lies at the
  // middle of the block of 2^shift cells holding the root, in units of G;
  // it answers when its F lies within 1e-12 of q.
  const double tau = kEps / (slope * G), reach = tau + 2 * near;
  const uint64_t I = static_cast<uint64_t>(index);
  // F evaluated at G p rather than at the pass's own middle, a few units of
  // the last place away, is that much off.
  const double margin = slope * (u + 1e-15) + 4e-15 * q;
  bool undecided = false;
  auto answers = [&](int shift, double* at) {
    const double p =
        shift ? static_cast<double>(((I >> shift) << shift) + (uint64_t{1} << (shift - 1)))
              : index + 0.5;
    const double d = std::fabs(p - t);
    *at = G * p;
    if (d >= reach) return false;
    if (d < tau - 2 * near) return true;
    const double f = std::fabs(F(e, *at) - q);
    undecided = std::fabs(f - kEps) <= margin;
    return f < kEps;
  };
  // A block middle within `reach` of the root needs the cells' bits below
  // it to run 0111... or 1000... down to the bit b with 2^b > reach + 1:
  // beyond the shift b + 1 only the one shift ending that run can answer.
  int b = 1;
  while (std::ldexp(1.0, b) <= reach + 1) ++b;
  const uint64_t J = I >> b;
  if (J != 0 && ~J != 0) {
    const int run = std::countr_zero((J & 1) ? ~J : J);
    const int shift = b + 1 + run;
    double at;
    const bool answered = shift < passes && answers(shift, &at);
    if (undecided) return ByDefinition(e, q, c, fTop);
    if (answered) return at;
  }
  for (int shift = std::min(b + 1, passes - 1); shift >= 0; --shift) {
    double at;
    const bool answered = answers(shift, &at);
    if (undecided) return ByDefinition(e, q, c, fTop);
    if (answered) return at;
  }
  return G * (index + 0.5);
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
  const Cylinder c{t->MajorAxis * std::cos(t->FirstMainParallel),
                   ConformalSearchTop(t->EccentricityTerm, ConformalSearch::Cylinder)};
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
  c.fTop = ConformalSearchTop(e, ConformalSearch::Cone);
  if (own) {
    w[0] = a, w[1] = e, w[2] = B1, w[3] = B2, w[4] = B0;
    w[5] = c.n, w[6] = c.K, w[7] = c.rho0, w[8] = c.fTop;
    w[kPreparedKindSlot] = double(PRJ_CONIC);
  }
  return c;
}

}  // namespace

double ConformalSearchTop(double e, ConformalSearch c) { return F(e, ColumnOf(c).Top); }

double SearchConformalLatitude(double e, double q, ConformalSearch c, double fTop) {
  return AroundRoot(e, q, std::log(q), ColumnOf(c), fTop);
}

double SearchConformalLatitudeByDefinition(double e, double q, ConformalSearch c, double fTop) {
  return ByDefinition(e, q, ColumnOf(c), fTop);
}

// ---------------------------------------------------------------------------
// Conformal cylindrical.

void BL2XY_CYL(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y) return;
  const Cylinder c = CylinderOf(t);
  *X = LogU(t->EccentricityTerm, B) * kLog10OfE * c.r0 / kM;
  *Y = (L - t->AxisMeridian) * c.r0;
}

// Latitudes whose q lies beyond the bracket (past pi/2 - 1e-5) come back as
// 0 with the sign of X.
void XY2BL_CYL(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!t || !B || !L) return;
  const Cylinder c = CylinderOf(t);
  // q = 10^(|X| M / r0), taken through its logarithm.
  const double lnq = std::fabs(X) * kM / c.r0 * kLn10;
  if (std::isnan(lnq)) {
    t->ErrorCode = MAPERR_PROJECTION;
    *B = *L = 0.0;
    return;
  }
  const double b = AroundRoot(t->EccentricityTerm, std::exp(lnq), lnq, kCylinder, c.fTop);
  *L = Y / c.r0 + t->AxisMeridian;
  *B = X < 0 ? -b : b;
}

// ---------------------------------------------------------------------------
// Conformal conic with two standard parallels and a false easting of
// 8,000,000 m.

void BL2XY_CON(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!t || !X || !Y) return;
  const Cone c = ConeOf(t);
  const double rho = c.K * std::exp(-c.n * LogU(t->EccentricityTerm, B));
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
  const double v = y / (c.rho0 - X);
  const double gamma = std::atan(v);
  // U(B)^n = sin(gamma) K / y, with sin(atan v) = v / sqrt(1 + v^2).
  const double tn =
      std::isinf(v) ? std::sin(gamma) * c.K / y : c.K / ((c.rho0 - X) * std::sqrt(1 + v * v));
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
  // q = tn^(1/n), taken through its logarithm.
  const double lnq = std::log(tn) / c.n;
  *B = AroundRoot(t->EccentricityTerm, std::exp(lnq), lnq, kCone, c.fTop);
}
