// The halving search of the formula-family projections, and a fast way to
// reach the same answer when the root is known.
//
// The search keeps a bracket [lo, hi] and a point x in its middle. Each
// round looks at the sign of diff(x) = T - F(x) for an increasing F: below
// zero the root lies left of x (hi = x), otherwise right of it (lo = x), and
// x moves to the middle of the new bracket. It stops when the bracket is
// narrower than 1e-8 and answers the middle of the last bracket: not the
// root, but the middle of the cell of a fixed grid that holds the root
// (2^28 cells on 0 to pi/2, 5.9e-9 radians each). Plane points converted
// back and stored depend on that cell.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace bisection {

// a when c, else b, by masks: the turns of a halving follow the digits of
// its root, which no branch predictor foresees.
inline double Select(bool c, double a, double b) {
  const uint64_t mask = 0 - static_cast<uint64_t>(c);
  return std::bit_cast<double>((std::bit_cast<uint64_t>(a) & mask) |
                               (std::bit_cast<uint64_t>(b) & ~mask));
}

constexpr double kWidth = 1e-8;

// Plain halving, x starting in the middle of [lo, hi]: evaluates diff at
// every round. False when the bracket did not close within `rounds`.
template <class Diff>
bool Halve(Diff diff, double x, double lo, double hi, int rounds, double* result) {
  for (int i = 0; i < rounds; ++i) {
    const bool left = diff(x) < 0;
    const double other = Select(left, lo, hi);
    hi = Select(left, x, hi);
    lo = Select(left, lo, x);
    x = (x + other) / 2;
    if (std::fabs(lo - hi) < kWidth) {
      *result = (lo + hi) / 2;
      return true;
    }
  }
  return false;
}

// The answer of Halve from F's root: the cell of the root in the grid of
// the bracket's halvings, found without a round-by-round walk. The computed
// F may cross T anywhere within `uncertainty` of `root` (F's rounding and
// the root's); a root that near a line between two cells could fall on
// either side of it, and there the halving itself decides. Takes the same
// turns as Halve and answers the same cell; its middle may differ from
// Halve's by the rounding of the halvings, a few units of the last place.
template <class Diff>
bool HalveAroundRoot(Diff diff, double root, double uncertainty, double x, double lo, double hi,
                     int rounds, double* result) {
  // The rounds until the bracket is narrower than kWidth, and the width of
  // the cells then.
  const double width = hi - lo;
  if (!(width > 0 && width < 1e300)) return false;
  int cells = width < kWidth ? 0 : std::ilogb(width / kWidth) + 1;
  if (std::ldexp(width, -cells) >= kWidth) ++cells;  // the ratio's rounding
  if (cells > 0 && std::ldexp(width, 1 - cells) < kWidth) --cells;
  if (cells > rounds) return false;
  const double cell = std::ldexp(width, -cells);
  const double last = std::ldexp(1.0, cells) - 1;
  const double t = (root - lo) / cell;
  double index = std::floor(t);
  if (std::isnan(index)) return Halve(diff, x, lo, hi, rounds, result);
  if (index < 0) {
    index = 0;  // left of every line: each turn goes left
  } else if (index > last) {
    index = last;
  } else {
    // Also the rounding of the halvings' lines, a few units of the last
    // place of the bracket's size.
    const double offset = t - index;
    const double near = (uncertainty + 1e-15 * (std::fabs(lo) + std::fabs(hi))) / cell;
    if ((offset < near && index > 0) || (offset > 1 - near && index < last))
      return Halve(diff, x, lo, hi, rounds, result);
  }
  *result = lo + cell * (index + 0.5);
  return true;
}

}  // namespace bisection
