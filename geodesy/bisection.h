// The halving search of the formula-family projections, and a faster way to
// walk the very same halvings when the root is known.
//
// The search keeps a bracket [lo, hi] and a point x inside it. Each round
// looks at the sign of diff(x) = T - F(x) for an increasing F: below zero
// the root lies left of x (hi = x, x moves to the middle of lo and x),
// otherwise right of it (lo = x, x moves to the middle of x and hi). It
// stops when the bracket is narrower than 1e-8 and answers the middle of the
// last bracket. Its result is a fixed function of T, so maps stored with it
// depend on every one of those halvings.
#pragma once

#include <cmath>

namespace bisection {

constexpr double kWidth = 1e-8;

// Plain halving: evaluates diff at every round. False when the bracket did
// not close within `rounds`.
template <class Diff>
bool Halve(Diff diff, double x, double lo, double hi, int rounds, double* result) {
  for (int i = 0; i < rounds; ++i) {
    const bool left = diff(x) < 0;
    const double other = left ? lo : hi;
    if (left)
      hi = x;
    else
      lo = x;
    x = (x + other) / 2;
    if (std::fabs(lo - hi) < kWidth) {
      *result = (lo + hi) / 2;
      return true;
    }
  }
  return false;
}

// Points farther than this from a root computed to a few units of the last
// place lie on the same side of it whatever F's rounding does there.
constexpr double kNear = 1e-10;

// The same halvings with F's root known: a point clearly right of the root
// has diff < 0 and one clearly left diff >= 0, so diff is evaluated only at
// the rare points within kNear of the root. Gives the bits of Halve.
template <class Diff>
bool HalveAroundRoot(Diff diff, double root, double x, double lo, double hi, int rounds,
                     double* result) {
  const double right = root + kNear, left = root - kNear;
  for (int i = 0; i < rounds; ++i) {
    const bool below = x > right ? true : x < left ? false : diff(x) < 0;
    const double other = below ? lo : hi;
    hi = below ? x : hi;
    lo = below ? lo : x;
    x = (x + other) / 2;
    if (std::fabs(lo - hi) < kWidth) {
      *result = (lo + hi) / 2;
      return true;
    }
  }
  return false;
}

}  // namespace bisection
