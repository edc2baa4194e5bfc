// The bands a wide line is drawn as: each segment a five-corner ring
// a - o, J, a + o, b + o, b - o, o being the segment's normal of half the
// width (to the left of the direction of travel) and J the outer corner of
// the band before, so that consecutive bands meet in a bevel on the outer
// side of each turn (see DrawWideDeviceLine). WalkBands forms them; the
// device outline operations and the picture take them.
#pragma once

#include <cstdint>

#include "drawing/pixelmath.h"
#include "platform/win_types.h"

namespace wideband {

using i64 = int64_t;

// The area bands are drawn for, right and bottom exclusive.
struct Window {
  i64 Left, Top, Right, Bottom;
};

inline int Outcode(const Window& w, POINT p) {
  int code = 0;
  if (p.x < w.Left) code |= 1;
  if (p.x >= w.Right) code |= 2;
  if (p.y < w.Top) code |= 4;
  if (p.y >= w.Bottom) code |= 8;
  return code;
}

// One test, not two: points differ in x alone now and then, with no
// pattern to predict.
inline bool Same(POINT a, POINT b) { return ((a.x ^ b.x) | (a.y ^ b.y)) == 0; }

// Half the width h across the direction from a to b, to the left of the
// direction of travel (up for travel to the right on the screen).
POINT Offset(POINT a, POINT b, double h);

// The offsets of short segments, each kept with the half width it was
// made for: the bands of a wide line take the same few over and over.
constexpr i64 kOffsetsReach = 8;
struct KeptOffset {
  double H;  // 0 until made
  POINT O;
};
extern KeptOffset keptOffsets[2 * kOffsetsReach + 1][2 * kOffsetsReach + 1];

// Offset, for a short segment as kept.
inline POINT OffsetOf(POINT a, POINT b, double h) {
  const uint64_t x = uint64_t(i64(b.x) - a.x + kOffsetsReach);
  const uint64_t y = uint64_t(i64(b.y) - a.y + kOffsetsReach);
  if (x > 2 * kOffsetsReach || y > 2 * kOffsetsReach) return Offset(a, b, h);
  KeptOffset& kept = keptOffsets[y][x];
  if (kept.H != h) kept = KeptOffset{h, Offset(a, b, h)};
  return kept.O;
}

inline POINT Plus(POINT a, POINT o) {
  return POINT{SaturatePixel(i64(a.x) + o.x), SaturatePixel(i64(a.y) + o.y)};
}
inline POINT Minus(POINT a, POINT o) {
  return POINT{SaturatePixel(i64(a.x) - o.x), SaturatePixel(i64(a.y) - o.y)};
}

// 1 when b lies on the left of the line from a to n on the screen: the
// line a - b - n turns left at b.
inline int TurnsLeft(POINT a, POINT b, POINT n) {
  const double s =
      (double(n.x) - a.x) * (double(b.y) - a.y) - (double(b.x) - a.x) * (double(n.y) - a.y);
  return s > 0.0 ? 1 : 0;
}

// Below this in size, coordinates make every product of TurnsLeft exact,
// so that it may be found in whole numbers with the same answer.
constexpr LONG kExactTurn = LONG(1) << 25;
inline int TurnsLeftNear(POINT a, POINT b, POINT n) {
  return (i64(n.x) - a.x) * (i64(b.y) - a.y) > (i64(b.x) - a.x) * (i64(n.y) - a.y) ? 1 : 0;
}

// The bands of one part of n >= 2 points of half width h, each handed to
// band(a, b, o, J). A segment whose ends lie beyond the same edge of the
// window is left out, and the band after it starts without a join (its J
// is a - o); a closed part starting inside joins its first band to the
// closing one.
template <class Band>
void WalkBands(const Window& win, const POINT* q, LONG n, double h, Band&& band) {
  POINT a = q[0];
  LONG i = 1;
  while (i < n && Same(q[i], a)) ++i;
  if (i == n) return;
  bool noJoin = true;
  int turn = 0;
  POINT join{};
  if (Same(q[n - 1], a) && Outcode(win, a) == 0) {
    // Closed: the first band joins the closing one.
    LONG k = n - 2;
    while (Same(q[k], a)) --k;  // q[i] differs from a, so the scan stops there at the latest
    const POINT prev = q[k];
    const POINT o = OffsetOf(a, prev, h);
    turn = TurnsLeft(prev, a, q[i]);
    join = turn ? Plus(a, o) : Minus(a, o);
    noJoin = false;
  }
  for (; i < n; ++i) {
    const POINT b = q[i];
    if (Same(b, a)) continue;
    const POINT o = OffsetOf(a, b, h);
    if ((Outcode(win, a) & Outcode(win, b)) != 0) {
      noJoin = true;
      a = b;
      continue;
    }
    if (i + 1 < n) {
      LONG k = i + 1;
      while (k < n - 1 && Same(q[k], b)) ++k;
      turn = TurnsLeft(a, b, q[k]);
    }
    if (noJoin) {
      join = Minus(a, o);
      noJoin = false;
    }
    band(a, b, o, join);
    join = turn ? Minus(b, o) : Plus(b, o);
    a = b;
  }
}

}  // namespace wideband
