// Datum shifts between the 42 system (Krasovsky), EC90, WGS84 and NAHRWAN:
// the differential formulas of one step between two ellipsoids with three
// translations, three rotations and a scale term, done on B, L and H; the
// chains through EC90 and WGS84; the 6-degree zones on the NAHRWAN datum.
// Nothing here reads or writes a TTranslate.
#include <cmath>
#include <initializer_list>

#include "geodesy/translate.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kSecond = kPi / 648000;  // one second of arc in radians

struct Ellipsoid {
  double a, f;
};

constexpr Ellipsoid kKrasovsky{6378245.0, 0.003352329869259135};  // 1/298.3
constexpr Ellipsoid kEC90{6378136.0, 0.0033528037351842955};      // 1/298.257839303
constexpr Ellipsoid kWGS84{6378137.0, 0.0033528106647474805};     // 1/298.257223563
constexpr Ellipsoid kNahrwan{6378249.145, 0.003407561378699334};  // 1/293.465

// Translations in metres, rotations in seconds of arc.
struct Shift {
  double dX, dY, dZ, wx, wy, wz;
};

struct ShiftMode {
  Ellipsoid from, to;
  Shift shortForm;  // of BL2BL
  Shift fullForm;   // of BL2BL_03
  double fullScale;
};

constexpr Shift kOneWay{25, -141, -80, 0, 0.35, 0.66};
constexpr Shift kBack{-25, 141, 80, 0, -0.35, -0.66};
constexpr Shift kToNahrwan{249, 156, -381, 0, 0, 0};
constexpr Shift kFromNahrwan{-249, -156, 381, 0, 0, 0};
constexpr Shift kLocalOut{25.9, -130.94, -81.76, 0, 0, 0};
constexpr Shift kLocalBack{-25.9, 130.94, 81.76, 0, 0, 0};

// Modes 1-8; EC90 and WGS84 differ between the two formulas.
constexpr ShiftMode kModes[8] = {
    {kKrasovsky, kEC90, kOneWay, kOneWay, 1e-7},                                             // 1
    {kEC90, kWGS84, {0, 0.3, 1.5, 0, 0, 0.076}, {-1.08, -0.27, -0.9, 0, 0, -0.16}, 1.2e-7},  // 2
    {kWGS84, kNahrwan, kToNahrwan, kToNahrwan, 1e-7},                                        // 3
    {kEC90, kKrasovsky, kBack, kBack, 1e-7},                                                 // 4
    {kWGS84, kEC90, {0, -0.3, -1.5, 0, 0, -0.076}, {1.08, 0.27, 0.9, 0, 0, 0.16}, 1.2e-7},   // 5
    {kNahrwan, kWGS84, kFromNahrwan, kFromNahrwan, 1e-7},                                    // 6
    {kKrasovsky, kKrasovsky, kLocalOut, kLocalOut, 1e-7},                                    // 7
    {kKrasovsky, kKrasovsky, kLocalBack, kLocalBack, 1e-7},                                  // 8
};

const ShiftMode* ModeOf(int mode) { return mode >= 1 && mode <= 8 ? &kModes[mode - 1] : nullptr; }

double E2(const Ellipsoid& e) { return 2 * e.f - e.f * e.f; }

// Into 0-2*pi: the truncated turns off, one turn added below 0.
double ReduceLongitude(double L) {
  L -= kTwoPi * std::trunc(L / kTwoPi);
  if (L < 0)
    L += kTwoPi;
  else if (L > kTwoPi)
    L -= kTwoPi;
  return L;
}

struct Delta {
  double dB, dL, dH;  // seconds of arc, seconds of arc, metres
};

// The short formula on the source ellipsoid.
Delta ShortDelta(const ShiftMode& m, double B, double L, double H) {
  const double rho = 206265.0;
  const double a = m.from.a, e2 = E2(m.from);
  const double da = m.to.a - a, de2 = E2(m.to) - e2;
  const Shift& s = m.shortForm;
  const double sB = std::sin(B), cB = std::cos(B), sL = std::sin(L), cL = std::cos(L);
  const double W = std::sqrt(1 - e2 * sB * sB);
  const double M = a * (1 - e2) / (W * W * W), N = a / W;
  Delta d;
  d.dB = rho * (da * e2 * sB * cB - s.dX * sB * cL - s.dY * sB * sL + s.dZ * cB) / (M + H) +
         rho * de2 * sB * cB + s.wx * sL - s.wy * cL;
  d.dL =
      rho * (s.dY * cL - s.dX * sL) / ((N + H) * cB) - std::tan(B) * (s.wx * cL + s.wy * sL) + s.wz;
  d.dH = 1e-7 * (N + H) + (s.dX * cL + s.dY * sL) * cB + s.dZ * sB + a * de2 * sB * sB / 2 -
         (1 - e2 * sB * sB / 2) * da;
  return d;
}

// The full formula on the mean of the two ellipsoids.
Delta FullDelta(const ShiftMode& m, double B, double L, double H) {
  const double rho = 206264.8062;
  const double a = (m.from.a + m.to.a) / 2, e2 = (E2(m.from) + E2(m.to)) / 2;
  const double da = m.to.a - m.from.a, de2 = E2(m.to) - E2(m.from);
  const double scale = m.fullScale;
  const Shift& s = m.fullForm;
  const double sB = std::sin(B), cB = std::cos(B), sL = std::sin(L), cL = std::cos(L);
  const double W = std::sqrt(1 - e2 * sB * sB);
  const double M = a * (1 - e2) / (W * W * W), N = a / W;
  const double turn = s.wx * sL - s.wy * cL;
  Delta d;
  d.dB = rho / (M + H) *
             (N * e2 * sB * cB * da / a + (N * N / (a * a) + 1) * N * sB * cB * de2 / 2 -
              (s.dX * cL + s.dY * sL) * sB + s.dZ * cB) +
         e2 * scale * sB * cB * rho - turn * (1 + e2 * std::cos(2 * B));
  d.dL = rho * (s.dY * cL - s.dX * sL) / ((N + H) * cB) +
         std::tan(B) * (1 - e2) * (s.wx * cL + s.wy * sL) - s.wz;
  d.dH = -a * da / N + N * sB * sB * de2 / 2 + (s.dX * cL + s.dY * sL) * cB + s.dZ * sB -
         N * e2 * sB * cB * turn * 4.8481368122023328e-06 + (a * a / N + H) * scale;
  return d;
}

void Apply(const Delta& d, double B, double L, double H, double* B2, double* L2, double* H2) {
  *B2 = B + d.dB * kSecond;
  *L2 = L + d.dL * kSecond;
  *H2 = H + d.dH;
}

bool Writable(double* a, double* b, double* c) { return a && b && c; }

// A chain of short shifts, each step taking the previous step's results.
void Chain(std::initializer_list<int> modes, double B, double L, double H, double* B2, double* L2,
           double* H2) {
  if (!Writable(B2, L2, H2)) return;
  for (int mode : modes) BL2BL(B, L, H, &B, &L, &H, mode);
  *B2 = B, *L2 = L, *H2 = H;
}

}  // namespace

void BL2BL(double B, double L, double H, double* B2, double* L2, double* H2, int mode) {
  const ShiftMode* m = ModeOf(mode);
  if (!m || !Writable(B2, L2, H2)) return;
  L = ReduceLongitude(L);
  Apply(ShortDelta(*m, B, L, H), B, L, H, B2, L2, H2);
}

void BL2BL_03(double B, double L, double H, double* B2, double* L2, double* H2, int mode) {
  const ShiftMode* m = ModeOf(mode);
  if (!m || !Writable(B2, L2, H2)) return;
  L = ReduceLongitude(L);
  Apply(FullDelta(*m, B, L, H), B, L, H, B2, L2, H2);
}

// The full formula evaluated at the middle of the point and its first shift.
void BL2BL_001(double B, double L, double H, double* B2, double* L2, double* H2, int mode) {
  const ShiftMode* m = ModeOf(mode);
  if (!m || !Writable(B2, L2, H2)) return;
  L = ReduceLongitude(L);
  double B1, L1, H1;
  Apply(FullDelta(*m, B, L, H), B, L, H, &B1, &L1, &H1);
  const Delta d = FullDelta(*m, (B + B1) / 2, ReduceLongitude((L + L1) / 2), (H + H1) / 2);
  Apply(d, B, L, H, B2, L2, H2);
}

void BL422BLEC90(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({1}, B, L, H, B2, L2, H2);
}
void BLEC902BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({4}, B, L, H, B2, L2, H2);
}
void BL422BLWGS84(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({1, 2}, B, L, H, B2, L2, H2);
}
void BLWGS842BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({5, 4}, B, L, H, B2, L2, H2);
}
void BL422BLNAHRWAN(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({1, 2, 3}, B, L, H, B2, L2, H2);
}
void BLNAHRWAN2BL42(double B, double L, double H, double* B2, double* L2, double* H2) {
  Chain({6, 5, 4}, B, L, H, B2, L2, H2);
}

// Gauss-Krueger series of the Clarke 1880 ellipsoid with the scale 0.9996;
// zone n covers 6(n - 1) to 6n degrees east and carries 10n + 5 in the
// hundreds of kilometres of the easting.
void BL2XYNAHRWAN(double B, double L, double* X, double* Y) {
  if (!X || !Y) return;
  L = ReduceLongitude(L);
  const double s2 = std::sin(B) * std::sin(B);
  const double n = std::trunc(L * 180 / kPi / 6) + 1;
  const double l = L - (6 * n - 3) * kPi / 180, l2 = l * l;
  const double x =
      6367386.7 * B - std::sin(2 * B) * (16265.9 + 69.2 * s2 -
                                         l2 * (1594560 + 5420 * s2 + l2 * (673000 - 811000 * s2)));
  const double y =
      l * std::cos(B) * (6378249.2 + s2 * (21697.2 + 110.7 * s2) + l2 * (1070320 - 2137010 * s2));
  *X = 0.9996 * x;
  *Y = (10 * n + 5) * 100000 + 0.9996 * y;
}

void BL422XYNAHRWAN(double B, double L, double H, double* X, double* Y) {
  if (!X || !Y) return;
  double b, l, h;
  BL422BLNAHRWAN(B, L, H, &b, &l, &h);
  BL2XYNAHRWAN(b, l, X, Y);
}
