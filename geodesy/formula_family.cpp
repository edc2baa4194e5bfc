// The formula-family projections: set-ups and conversions of kinds 6 and
// 18-31.
#include "geodesy/formula_family.h"

#include <cmath>
#include <initializer_list>

#include "common/maperr.h"
#include "geodesy/bisection.h"
#include "geodesy/krasovsky.h"
#include "geodesy/translate.h"

namespace {

using krasovsky::kSphereRadius;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

// ---------------------------------------------------------------------------
// Work constants.

const double* Constants(const TTranslate* t) { return t->WorkConstants; }

// Stores a kind's constants in the first slots and names the kind as
// prepared, or leaves it unprepared when a constant is not a usable number.
void Prepare(TTranslate* t, int kind, std::initializer_list<double> constants) {
  double* w = t->WorkConstants;
  w[kPreparedKindSlot] = 0.0;
  int i = 0;
  for (double c : constants) {
    if (!std::isfinite(c)) return;
    w[i++] = c;
  }
  w[kPreparedKindSlot] = kind;
}

bool Prepared(const TTranslate* t, int kind) { return t->WorkConstants[kPreparedKindSlot] == kind; }

void Refuse(TTranslate* t, double* out1, double* out2) {
  t->ErrorCode = MAPERR_PROJECTION;
  *out1 = 0.0;
  *out2 = 0.0;
}

// The object and both outputs are there, and the kind's constants too.
bool Ready(TTranslate* t, int kind, double* out1, double* out2) {
  if (!t || !out1 || !out2) return false;
  if (Prepared(t, kind)) return true;
  Refuse(t, out1, out2);
  return false;
}

bool Usable(TTranslate* t, double* out1, double* out2) { return t && out1 && out2; }

// A latitude search of an inverse writing B and L; a search that cannot
// answer refuses the point. `found` gets the latitude.
bool Search(TTranslate* t, LatitudeFunction f, double T, int rounds, double* found, double* B,
            double* L) {
  if (SearchLatitude(f, T, rounds, found)) return true;
  Refuse(t, B, L);
  return false;
}

// ---------------------------------------------------------------------------
// Polar angles of the azimuthal inverses.

// The principal angle atan(Y/X) of the definitions; the pole itself
// (X = Y = 0) gets the angle 0 instead of 0/0.
double PrincipalAngle(double Y, double X) {
  if (X == 0 && Y == 0) return 0.0;
  return std::atan(Y / X);
}

// The radius X / cos(d) of a point at the principal angle d, as defined:
// the distance from the pole, negative for X < 0 (and for X = -0 with Y > 0,
// where d = -pi/2). On X = 0 the quotient itself would give 0 for any Y.
double RadiusAt(double X, double Y) { return std::copysign(std::sqrt(X * X + Y * Y), X); }

// The distance from the pole, for angles over the full turn.
double Distance(double X, double Y) { return std::sqrt(X * X + Y * Y); }

// The angle of (X, Y) over the full turn, whose radius is the distance:
// the principal angle, turned by pi for X < 0.
double FullAngle(double Y, double X) {
  double d = PrincipalAngle(Y, X);
  if (X < 0) d += Y >= 0 ? kPi : -kPi;
  return d;
}

// ---------------------------------------------------------------------------
// The conic pattern of kinds 20, 21 and 22: rho from the latitude, the
// angle n (L - L0) from the longitude.

struct Cone {
  double n, rho0;
};

void ConeToPlane(const Cone& c, double rho, double L, double L0, double* X, double* Y) {
  const double delta = c.n * (L - L0);
  *X = c.rho0 - rho * std::cos(delta);
  *Y = rho * std::sin(delta);
}

// rho and L of a plane point; the principal angle of Y / (rho0 - X).
double PlaneToCone(const Cone& c, double X, double Y, double L0, double* L) {
  const double t = c.rho0 - X;
  const double delta = std::atan(Y / t);
  *L = delta / c.n + L0;
  return t / std::cos(delta);
}

}  // namespace

// ---------------------------------------------------------------------------
// Kind 6: polar azimuthal equidistant on the ellipsoid. Slots: Sm, m.

void InitKind6(TTranslate* t) {
  if (!t) return;
  const double Sm = MeridianArcLength(kHalfPi);
  const double B1 = t->FirstMainParallel;
  const double m =
      std::fabs(B1 - kHalfPi) < 1e-4 ? 1.0 : ParallelRadius(B1) / (Sm - MeridianArcLength(B1));
  Prepare(t, 6, {Sm, m == 0 ? NAN : m});
}

void BL2XY_Kind6(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 6, X, Y)) return;
  const double* w = Constants(t);
  const double rho = std::fabs(w[1] * (w[0] - MeridianArcLength(B)));
  const double d = L - t->AxisMeridian;
  *X = -rho * std::sin(d);
  *Y = -rho * std::cos(d);
}

void XY2BL_Kind6(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 6, B, L)) return;
  const double* w = Constants(t);
  double d, rho;
  if (std::fabs(Y) < 1e-6) {
    d = X > 0 ? -kHalfPi : kHalfPi;
    rho = std::fabs(X);
  } else {
    d = std::atan(X / Y);
    rho = Distance(X, Y);  // |Y / cos(d)|
    // The meridian opposite L0 (X = 0, Y > 0) lies at pi like its
    // neighbours west of it.
    if (Y > 0) d += X > 0 ? -kPi : kPi;
  }
  double b;
  if (!Search(t, LatitudeFunction::MeridianArc, w[0] - rho / w[1], kSearchRounds, &b, B, L)) return;
  *B = b;
  *L = d + t->AxisMeridian;
}

// ---------------------------------------------------------------------------
// Kind 18: equal-area pseudocylindrical, sin(phi) = (sqrt(3)/2) sinB, on the
// sphere R. Slots: W1, W2, W3.

void InitKind18(TTranslate* t) {
  if (!t) return;
  const double root4of3 = std::pow(3.0, 0.25);
  Prepare(t, 18, {kSphereRadius * root4of3, 4247410.666666667 * root4of3, std::sqrt(3.0) * 0.5});
}

void BL2XY_Kind18(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 18, X, Y)) return;
  const double* w = Constants(t);
  const double phi = std::asin(w[2] * std::sin(B));
  *X = w[0] * phi;
  *Y = w[1] * L * std::cos(phi);
}

void XY2BL_Kind18(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 18, B, L)) return;
  const double* w = Constants(t);
  const double phi = X / w[0];
  *B = std::asin(std::sin(phi) / w[2]);
  *L = Y / (w[1] * std::cos(phi));
}

// ---------------------------------------------------------------------------
// Kind 19: Mollweide on the sphere R. Slots: W1, W2.

namespace {

// theta of 2 theta + sin(2 theta) = pi sinB, halving [-pi, pi] from 0. Away
// from the poles Newton's root gives the halving's cell at once.
bool MollweideTheta(double B, double* theta) {
  const double sinB = std::sin(B);
  if (!std::isfinite(sinB)) return false;
  // At the poles 2 theta + sin(2 theta) is flat to the third order, and
  // halving would stop anywhere within 1e-5 of the root that rounding
  // allows; the root itself is +-pi/2.
  if (std::fabs(sinB) == 1) {
    *theta = sinB * kHalfPi;
    return true;
  }
  const double target = kPi * sinB;
  auto diff = [target](double x) { return target - (std::sin(2 * x) + 2 * x); };
  // First guess of u = 2 theta from u + sin u = k: its series about 0, and
  // about pi in v = pi - u (v - sin v = pi - k).
  const double k = std::fabs(target);
  double u;
  if (k < 2.2) {
    u = k / 2 + k * k * k / 96 + k * k * k * k * k / 1920;
  } else {
    const double v = std::cbrt(6 * (kPi - k));
    u = kPi - v * (1 + v * v / 60 + v * v * v * v / 1400);
  }
  // Halley steps (third order) on F(theta) = 2 theta + sin(2 theta):
  // after a step below 1e-6 the root is known to about (1e-6)^3 / cos^4.
  double root = std::copysign(u / 2, target);
  for (int i = 0; i < 8 && std::fabs(root) < 1.5; ++i) {
    const double s2 = std::sin(2 * root), c2 = std::cos(2 * root);
    const double f = s2 + 2 * root - target, d1 = 2 + 2 * c2, d2 = -4 * s2;
    const double step = f / d1 / (1 - f * d2 / (2 * d1 * d1));
    root -= step;
    if (std::fabs(step) < 1e-6) {
      const double c2c = d1 / 4;  // cos^2 theta
      if (std::fabs(root) < 1.5)
        return bisection::HalveAroundRoot(diff, root, 2e-15 / c2c + 1e-17 / (c2c * c2c), 0.0, -kPi,
                                          kPi, kSearchRounds, theta);
      break;
    }
  }
  return bisection::Halve(diff, 0.0, -kPi, kPi, kSearchRounds, theta);
}

}  // namespace

void InitKind19(TTranslate* t) {
  if (!t) return;
  Prepare(t, 19, {kSphereRadius * std::sqrt(2.0), kSphereRadius * std::sqrt(8.0) / kPi});
}

void BL2XY_Kind19(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 19, X, Y)) return;
  const double* w = Constants(t);
  double theta;
  if (!MollweideTheta(B, &theta)) return Refuse(t, X, Y);
  *X = w[0] * std::sin(theta);
  *Y = w[1] * L * std::cos(theta);
}

void XY2BL_Kind19(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 19, B, L)) return;
  const double* w = Constants(t);
  const double theta = std::asin(X / w[0]);
  *L = Y / (w[1] * std::cos(theta));
  *B = std::asin((2 * theta + std::sin(2 * theta)) / kPi);
}

// ---------------------------------------------------------------------------
// Kind 20: equidistant conic on the ellipsoid. Slots: n, G, rho0.

void InitKind20(TTranslate* t) {
  if (!t) return;
  const double B1 = t->FirstMainParallel, B2 = t->SecondMainParallel;
  const double r1 = ParallelRadius(B1), s1 = MeridianArcLength(B1);
  double n, G;
  if (B1 == B2) {
    n = std::sin(B1);
    G = r1 / n + s1;
  } else {
    const double r2 = ParallelRadius(B2), s2 = MeridianArcLength(B2);
    n = (r1 - r2) / (s2 - s1);
    G = (r1 * s2 - r2 * s1) / (r1 - r2);
  }
  Prepare(t, 20, {n == 0 ? NAN : n, G, G - MeridianArcLength(t->MainPointParallel)});
}

void BL2XY_Kind20(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 20, X, Y)) return;
  const double* w = Constants(t);
  ConeToPlane({w[0], w[2]}, w[1] - MeridianArcLength(B), L, t->AxisMeridian, X, Y);
}

void XY2BL_Kind20(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 20, B, L)) return;
  const double* w = Constants(t);
  double l, b;
  const double rho = PlaneToCone({w[0], w[2]}, X, Y, t->AxisMeridian, &l);
  if (!Search(t, LatitudeFunction::MeridianArc, w[1] - rho, kSearchRounds, &b, B, L)) return;
  *B = b;
  *L = l;
}

// ---------------------------------------------------------------------------
// Kind 21: equal-area conic on the ellipsoid. Slots: n, G, rho0.

void InitKind21(TTranslate* t) {
  if (!t) return;
  const double r1 = ParallelRadius(t->FirstMainParallel);
  const double r2 = ParallelRadius(t->SecondMainParallel);
  const double S1 = AuthalicFunction(t->FirstMainParallel);
  const double S2 = AuthalicFunction(t->SecondMainParallel);
  const double n = 0.5 * (r1 * r1 - r2 * r2) / (S2 - S1);
  const double G = r1 * r1 * (S2 - S1) / (r1 * r1 - r2 * r2) + S1;
  const double rho0 = std::sqrt(2 * (G - AuthalicFunction(t->MainPointParallel)) / n);
  Prepare(t, 21, {n == 0 ? NAN : n, G, rho0});
}

void BL2XY_Kind21(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 21, X, Y)) return;
  const double* w = Constants(t);
  const double rho = std::sqrt(2 * (w[1] - AuthalicFunction(B)) / w[0]);
  ConeToPlane({w[0], w[2]}, rho, L, t->AxisMeridian, X, Y);
}

void XY2BL_Kind21(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 21, B, L)) return;
  const double* w = Constants(t);
  double l, b;
  const double rho = PlaneToCone({w[0], w[2]}, X, Y, t->AxisMeridian, &l);
  const double T = w[1] - 0.5 * w[0] * rho * rho;
  if (!Search(t, LatitudeFunction::Authalic, T, kSearchRounds, &b, B, L)) return;
  *B = b;
  *L = l;
}

// ---------------------------------------------------------------------------
// Kind 22: conformal conic on the ellipsoid. Slots: n, K, rho0.

// The search of this kind stops after 79 halvings.
constexpr int kKind22Rounds = 79;

void InitKind22(TTranslate* t) {
  if (!t) return;
  const double B1 = t->FirstMainParallel, B2 = t->SecondMainParallel;
  const double U1 = IsometricFunction(B1), U2 = IsometricFunction(B2);
  const double r1 = ParallelRadius(B1), r2 = ParallelRadius(B2);
  const double n = (std::log10(r1) - std::log10(r2)) / (std::log10(U2) - std::log10(U1));
  const double K = r1 * std::pow(U1, n) / n;
  const double rho0 = K / std::pow(IsometricFunction(t->MainPointParallel), n);
  Prepare(t, 22, {n == 0 ? NAN : n, K, rho0});
}

void BL2XY_Kind22(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 22, X, Y)) return;
  const double* w = Constants(t);
  const double rho = w[1] / std::pow(IsometricFunction(B), w[0]);
  ConeToPlane({w[0], w[2]}, rho, L, t->AxisMeridian, X, Y);
}

void XY2BL_Kind22(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 22, B, L)) return;
  const double* w = Constants(t);
  double l, b;
  const double rho = PlaneToCone({w[0], w[2]}, X, Y, t->AxisMeridian, &l);
  const double T = std::pow(w[1] / rho, 1 / w[0]);
  if (!Search(t, LatitudeFunction::Isometric, T, kKind22Rounds, &b, B, L)) return;
  *B = b;
  *L = l;
}

// ---------------------------------------------------------------------------
// Kind 23: polar stereographic on the sphere of radius sqrt(M N) at B1, true
// to scale on B1; the longitude itself is the angle. Slot: k.

void InitKind23(TTranslate* t) {
  if (!t) return;
  const double B1 = t->FirstMainParallel;
  const double k =
      std::sqrt(PrimeVerticalRadius(B1) * MeridianRadius(B1)) * (1 + std::cos(kHalfPi - B1));
  Prepare(t, 23, {k == 0 ? NAN : k});
}

void BL2XY_Kind23(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 23, X, Y)) return;
  const double rho = Constants(t)[0] * std::tan((kHalfPi - B) / 2);
  *X = rho * std::cos(L);
  *Y = rho * std::sin(L);
}

// The principal angle as defined: points with X < 0 come back as the same
// point written (pi - B, L - pi).
void XY2BL_Kind23(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 23, B, L)) return;
  const double l = PrincipalAngle(Y, X);
  const double rho = RadiusAt(X, Y);
  *B = kHalfPi - 2 * std::atan(rho / Constants(t)[0]);
  *L = l;
}

// ---------------------------------------------------------------------------
// Kinds 24 and 30: azimuthal equal-area on the ellipsoid, polar and oblique.
// Slots: Sp, m.

namespace {

void PrepareEqualArea(TTranslate* t, int kind) {
  const double Sp = AuthalicFunction(kHalfPi);
  const double B1 = t->FirstMainParallel;
  const double m = std::fabs(B1 - kHalfPi) < 1e-4
                       ? 1.0
                       : ParallelRadius(B1) / std::sqrt(2 * (Sp - AuthalicFunction(B1)));
  Prepare(t, kind, {Sp, m == 0 ? NAN : m});
}

double EqualAreaRadius(const double* w, double B) {
  return w[1] * std::sqrt(2 * (w[0] - AuthalicFunction(B)));
}

bool EqualAreaLatitude(TTranslate* t, double rho, double* found, double* B, double* L) {
  const double* w = Constants(t);
  return Search(t, LatitudeFunction::Authalic, w[0] - rho * rho / (2 * w[1] * w[1]), kSearchRounds,
                found, B, L);
}

}  // namespace

void InitKind24(TTranslate* t) {
  if (t) PrepareEqualArea(t, 24);
}

void BL2XY_Kind24(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 24, X, Y)) return;
  const double rho = EqualAreaRadius(Constants(t), B);
  const double d = L - t->AxisMeridian;
  *X = rho * std::cos(d);
  *Y = rho * std::sin(d);
}

// The angle is taken over the full turn: the principal angle alone would
// put every point with X < 0 on the opposite meridian.
void XY2BL_Kind24(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 24, B, L)) return;
  const double d = FullAngle(Y, X);
  double b;
  if (!EqualAreaLatitude(t, Distance(X, Y), &b, B, L)) return;
  *B = b;
  *L = d + t->AxisMeridian;
}

// Kind 30 also keeps its pole, with the pole's sines and cosines, in slots
// 2-7: BP, LP, sin BP, cos BP, sin LP, cos LP. The conversions take the pole
// from the object's fields, as the set-up saw them or afresh.

namespace {

struct Pole {
  double L, sinB, cosB, sinL, cosL;
};

Pole PoleOf(const TTranslate* t) {
  const double* w = Constants(t);
  if (w[2] == t->PoleLatitude && w[3] == t->PoleLongitude) return {w[3], w[4], w[5], w[6], w[7]};
  return {t->PoleLongitude, std::sin(t->PoleLatitude), std::cos(t->PoleLatitude),
          std::sin(t->PoleLongitude), std::cos(t->PoleLongitude)};
}

}  // namespace

void InitKind30(TTranslate* t) {
  if (!t) return;
  PrepareEqualArea(t, 30);
  if (!Prepared(t, 30)) return;
  const double BP = t->PoleLatitude, LP = t->PoleLongitude;
  const double* w = Constants(t);
  Prepare(t, 30, {w[0], w[1], BP, LP, std::sin(BP), std::cos(BP), std::sin(LP), std::cos(LP)});
}

// The turn of ObliqueTransform written out: the sine of the turned latitude
// goes to the area function as it is, and the angle A = LP + pi +
// atan2(num, den) to the plane as its cosine and sine.
void BL2XY_Kind30(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 30, X, Y)) return;
  const Pole p = PoleOf(t);
  const double sB = std::sin(B), cB = std::cos(B);
  const double dL = p.L - L, sdL = std::sin(dL), cdL = std::cos(dL);
  const double sinBt = std::fmin(1.0, std::fmax(-1.0, sB * p.sinB + cB * p.cosB * cdL));
  const double num = sdL * cB, den = sB * p.cosB - cB * p.sinB * cdL;
  const double h = std::sqrt(num * num + den * den);
  const double* w = Constants(t);
  const double rho = w[1] * std::sqrt(2 * (w[0] - AuthalicOfSine(sinBt)));
  // On the turned pole itself (h = 0) atan2(num, den) is pi/2.
  const double c = h > 0 ? den / h : 0.0, s = h > 0 ? num / h : 1.0;
  *X = -rho * (p.cosL * c - p.sinL * s);
  *Y = -rho * (p.sinL * c + p.cosL * s);
}

// The azimuth over the full turn (the definition's principal angle plus pi
// when negative reaches only half of it), then the way back of
// ObliqueTransformBack written out: L = LP + atan2(num, den) of the point
// (A - pi, Bt).
void XY2BL_Kind30(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 30, B, L)) return;
  const double rho = Distance(X, Y);
  double Bt;
  if (!EqualAreaLatitude(t, rho, &Bt, B, L)) return;
  const Pole p = PoleOf(t);
  const double cA = rho > 0 ? X / rho : 1.0, sA = rho > 0 ? Y / rho : 0.0;
  const double cdL = -(p.cosL * cA + p.sinL * sA), sdL = -(p.sinL * cA - p.cosL * sA);
  const double sBt = std::sin(Bt), cBt = std::cos(Bt);
  const double sinB = sBt * p.sinB + cBt * p.cosB * cdL;
  double l = p.L + std::atan2(sdL * cBt, sBt * p.cosB - cBt * p.sinB * cdL);
  if (l < 0) l += kTwoPi;
  if (l >= kTwoPi) l -= kTwoPi;
  *B = std::asin(std::fmin(1.0, std::fmax(-1.0, sinB)));
  *L = l;
}

// ---------------------------------------------------------------------------
// Kind 25: pseudocylindrical with sin(theta) = 0.8 sinB and a cubic in
// theta. Slots: P1, P2, P3.

namespace {

// theta of P1 (theta + P2 theta^3) = X, halving [-pi/2, pi/2] from 0; the
// cubic's real root, polished by a Newton step, gives the cell at once.
bool PseudocylinderTheta(const double* w, double X, double* theta) {
  if (!std::isfinite(X)) return false;
  auto diff = [w, X](double x) { return X - w[0] * (x + w[1] * x * x * x); };
  // x^3 + p x + q = 0 with p = 1 / P2 > 0: one real root.
  const double p = 1 / w[1], q = -X / (w[0] * w[1]);
  const double r = std::sqrt(q * q / 4 + p * p * p / 27);
  double root = std::cbrt(-q / 2 + r) + std::cbrt(-q / 2 - r);
  root += diff(root) / (w[0] * (1 + 3 * w[1] * root * root));
  return bisection::HalveAroundRoot(diff, root, 1e-15, 0.0, -kHalfPi, kHalfPi, kSearchRounds,
                                    theta);
}

}  // namespace

void InitKind25(TTranslate* t) {
  if (!t) return;
  Prepare(t, 25, {9076865.254040001, 0.138175, 5589908.869428});
}

void BL2XY_Kind25(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 25, X, Y)) return;
  const double* w = Constants(t);
  const double theta = std::asin(0.8 * std::sin(B));
  *X = w[0] * (theta + w[1] * theta * theta * theta);
  *Y = w[2] * L * std::cos(theta);
}

void XY2BL_Kind25(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 25, B, L)) return;
  const double* w = Constants(t);
  double theta;
  if (!PseudocylinderTheta(w, X, &theta)) return Refuse(t, B, L);
  *B = std::asin(1.25 * std::sin(theta));
  *L = Y / (w[2] * std::cos(theta));
}

// ---------------------------------------------------------------------------
// Kind 26: polar azimuthal equal-area on the sphere, easting doubled. No
// constants.

namespace {
constexpr double kTwiceSphere = 12742232.0;
}

void BL2XY_Kind26(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Usable(t, X, Y)) return;
  const double rho = kTwiceSphere * std::sin((kHalfPi - B) / 2);
  const double d = L - t->AxisMeridian;
  *X = rho * std::cos(d);
  *Y = 2 * rho * std::sin(d);
}

// The principal angle as defined: points with X < 0 come back as the same
// point written (pi - B, L - pi).
void XY2BL_Kind26(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Usable(t, B, L)) return;
  const double d = PrincipalAngle(0.5 * Y, X);
  const double rho = RadiusAt(X, 0.5 * Y);
  *L = d + t->AxisMeridian;
  *B = kHalfPi - 2 * std::asin(rho / kTwiceSphere);
}

// ---------------------------------------------------------------------------
// Kind 27: equidistant cylindrical on the ellipsoid. Slot: r1.

void InitKind27(TTranslate* t) {
  if (!t) return;
  const double r1 = ParallelRadius(t->FirstMainParallel);
  Prepare(t, 27, {r1 == 0 ? NAN : r1});
}

void BL2XY_Kind27(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 27, X, Y)) return;
  *X = MeridianArcLength(B);
  *Y = Constants(t)[0] * (L - t->AxisMeridian);
}

// The search covers 0 to pi/2; southern points are found by their distance
// from the equator, as the arc length is odd in B.
void XY2BL_Kind27(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 27, B, L)) return;
  double b;
  if (!Search(t, LatitudeFunction::MeridianArc, std::fabs(X), kSearchRounds, &b, B, L)) return;
  *B = X < 0 ? -b : b;
  *L = Y / Constants(t)[0] + t->AxisMeridian;
}

// ---------------------------------------------------------------------------
// Kind 28: cylindrical equal-area on the sphere R. No constants.

void BL2XY_Kind28(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Usable(t, X, Y)) return;
  *X = kSphereRadius * std::sin(B);
  *Y = kSphereRadius * (L - t->AxisMeridian);
}

void XY2BL_Kind28(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Usable(t, B, L)) return;
  *L = Y / kSphereRadius + t->AxisMeridian;
  *B = std::asin(X / kSphereRadius);
}

// ---------------------------------------------------------------------------
// Kind 29: polyconic of a map sheet between the parallels B1 (south) and
// B2 (north); meridians are straight between them. Slots: sinB1, sinB2,
// r1, r2, D, Delta.

namespace {

struct SheetPoints {
  double x1, y1, x2, y2;  // the points of the south and north parallel at d
};

SheetPoints SheetAt(const double* w, double d) {
  const double d2 = d * d;
  const double x1 = 0.5 * d2 * w[0] * w[2];
  return {x1, d * w[2] * (1 - w[0] * w[0] * d2 / 6), x1 + w[4],
          d * w[3] * (1 - w[1] * w[1] * d2 / 6)};
}

}  // namespace

void InitKind29(TTranslate* t) {
  if (!t) return;
  const double B1 = t->FirstMainParallel, B2 = t->SecondMainParallel;
  const double ds = MeridianArcLength(B2) - MeridianArcLength(B1);
  const double cosBm = std::cos((B1 + B2) / 2);
  const double D = ds - 0.006092 * ds * cosBm * cosBm;
  double delta = 0.05235987755982988;  // 3 degrees
  if (B1 >= 60 * kPi / 180) delta *= 2;
  if (B1 >= 76 * kPi / 180) delta *= 2;
  Prepare(t, 29,
          {std::sin(B1), std::sin(B2), ParallelRadius(B1), ParallelRadius(B2), D == 0 ? NAN : D,
           delta});
}

void BL2XY_Kind29(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 29, X, Y)) return;
  const SheetPoints p = SheetAt(Constants(t), L - t->AxisMeridian);
  const double w = (B - t->FirstMainParallel) / (t->SecondMainParallel - t->FirstMainParallel);
  *X = p.x1 + w * (p.x2 - p.x1);
  *Y = p.y1 + w * (p.y2 - p.y1);
}

// d by halving on the side of the point against the meridian segment at d;
// a sheet given north parallel first turns that side around.
void XY2BL_Kind29(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 29, B, L)) return;
  const double* w = Constants(t);
  const double side = w[4] > 0 ? 1.0 : -1.0;
  auto diff = [w, X, Y, side](double d) {
    const SheetPoints p = SheetAt(w, d);
    return side * ((Y - p.y1) * (p.x2 - p.x1) - (X - p.x1) * (p.y2 - p.y1));
  };
  double d;
  if (!std::isfinite(X) || !std::isfinite(Y) ||
      !bisection::Halve(diff, 0.0, -w[5], w[5], kSearchRounds, &d))
    return Refuse(t, B, L);
  const SheetPoints p = SheetAt(w, d);
  const double f = (X - p.x1) / (p.x2 - p.x1);
  *B = t->FirstMainParallel + f * (t->SecondMainParallel - t->FirstMainParallel);
  *L = d + t->AxisMeridian;
}

// ---------------------------------------------------------------------------
// Kind 31: Mercator on a sphere turned about the point (0, 0); the meridian
// 90 degrees from the prime meridian is the line of true scale. Slot: R'.

void InitKind31(TTranslate* t) {
  if (!t) return;
  Prepare(t, 31, {5016316.173});
}

// The azimuth A about (0, 0): sin A = cosB sinL / sin z and cos A = sinB /
// sin z, as atan2 (the arc sine of the definition folds southern points
// onto their northern mirror images, and near the equator its argument is
// 1 up to rounding). ln tan(z/2) = -atanh(cos z).
void BL2XY_Kind31(TTranslate* t, double B, double L, double* X, double* Y) {
  if (!Ready(t, 31, X, Y)) return;
  const double R = Constants(t)[0];
  const double cosB = std::cos(B);
  const double A = std::atan2(cosB * std::sin(L), std::sin(B) + 0.0);  // + 0.0: -0 is the equator
  *X = -R * A;
  *Y = -R * std::atanh(cosB * std::cos(L));
}

// With u = Y/R': sin z = sech u and cos z = -tanh u; the point's cosB sinL
// is -sin z sin(X/R'), cosB cosL is cos z and sinB is sin z cos(X/R'). L
// in 0-2*pi.
void XY2BL_Kind31(TTranslate* t, double X, double Y, double* B, double* L) {
  if (!Ready(t, 31, B, L)) return;
  const double R = Constants(t)[0];
  const double u = Y / R, ex = std::exp(-std::fabs(u));
  const double sinz = 2 * ex / (1 + ex * ex);
  const double cosz = std::copysign((1 - ex * ex) / (1 + ex * ex), -u);
  const double sX = std::sin(X / R), cX = std::cos(X / R);
  const double east = -sinz * sX;  // cosB sinL
  double l = std::atan2(east, cosz);
  if (l < 0) l += kTwoPi;
  *B = std::atan2(sinz * cX, std::sqrt(east * east + cosz * cosz));
  *L = l;
}
