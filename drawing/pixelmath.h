// Rounding of picture coordinates to whole pixels. Values beyond the 32-bit
// range saturate, and a value that is not a number becomes 0, so that a
// damaged metric or a far-away place never overflows a pixel coordinate.
#pragma once

#include <cstdint>

#include "platform/numeric.h"
#include "platform/win_types.h"

// Nearest integer: add 0.5 to a value >= 0, subtract it from a negative
// one, then truncate.
inline LONG NearestPixel(double v) { return plat::RoundTo<LONG>(v); }

// Truncation toward zero.
inline LONG TruncatePixel(double v) { return plat::TruncateTo<LONG>(v); }

// The whole pixel a position lies in (rounding down): unlike truncation,
// the same for a shape wherever the picture's origin lies, so that a
// picture painted in parts equals the picture painted whole.
inline LONG FloorPixel(double v) {
  if (v >= 0.0) return v < 2147483647.0 ? static_cast<LONG>(v) : INT32_MAX;
  if (v < 0.0) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    const LONG t = static_cast<LONG>(v);
    return double(t) == v ? t : t - 1;
  }
  return 0;
}

inline LONG SaturatePixel(int64_t v) { return plat::SaturateTo<LONG>(v); }
