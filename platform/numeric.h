// Floating values turned into integers within the integer's range, and
// integer sums kept within it. A number read from a file (a frame, a
// corner, a scale, a height) may be huge or not a number at all; turned
// into an integer that cannot hold it, it is undefined behaviour. These
// saturate at the bounds of the type and turn a value that is not a
// number into 0, so that a damaged value gives a wrong number, never an
// undefined one.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

namespace plat {

// Toward zero, as a cast does within the range.
template <class T = int32_t>
constexpr T TruncateTo(double v) {
  static_assert(std::is_integral_v<T>);
  // Both bounds are exact doubles or round up to the next power of two,
  // so every value strictly between them converts.
  constexpr double low = double(std::numeric_limits<T>::min());
  constexpr double high = double(std::numeric_limits<T>::max());
  if (!(v == v)) return 0;  // not a number
  if (v <= low) return std::numeric_limits<T>::min();
  if (v >= high) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

// The nearest integer, halves away from zero.
template <class T = int32_t>
constexpr T RoundTo(double v) {
  return TruncateTo<T>(v >= 0.0 ? v + 0.5 : v - 0.5);
}

// A wider integer (a sum or product of stored values) within the type.
template <class T = int32_t>
constexpr T SaturateTo(int64_t v) {
  static_assert(std::is_integral_v<T> && sizeof(T) <= sizeof(int64_t));
  if constexpr (std::is_signed_v<T>) {
    if (v < int64_t(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  } else {
    if (v < 0) return 0;
  }
  if constexpr (sizeof(T) < sizeof(int64_t) || std::is_signed_v<T>) {
    if (v > int64_t(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  }
  return static_cast<T>(v);
}

}  // namespace plat
