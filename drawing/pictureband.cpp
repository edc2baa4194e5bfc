// Small polygons written straight into the picture of a picture context,
// by the device's fill and outline rules.
#include "drawing/pictureband.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "devices/devdraw.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/wideband.h"

namespace {

using i64 = int64_t;
using i128 = __int128;

// a / b rounded down (b > 0); in 32 or 64 bits where the values fit, as
// they do for every figure near the picture.
i64 FloorDiv(i128 a, i64 b) {
  constexpr i64 kSmall = i64(1) << 30;
  if (a > -kSmall && a < kSmall && b < kSmall) {
    const int32_t n = int32_t(a), m = int32_t(b), q = n / m;
    return n % m != 0 && n < 0 ? q - 1 : q;
  }
  constexpr i64 kLarge = i64(1) << 62;
  if (a > -kLarge && a < kLarge) {
    const i64 n = i64(a), q = n / b;
    return n % b != 0 && n < 0 ? q - 1 : q;
  }
  i128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return i64(q);
}

// a x b + c exactly, in 64 bits where the values are small.
i128 MulAdd(i64 a, i64 b, i64 c) {
  constexpr i64 kSmall = i64(1) << 30;
  if (a > -kSmall && a < kSmall && b > -kSmall && b < kSmall && c > -kSmall && c < kSmall)
    return a * b + c;
  return i128(a) * b + c;
}

inline bool Inside(const PICTUREPEN& pen, POINT p) {
  return p.x >= 0 && p.x < pen.Width && p.y >= 0 && p.y < pen.Height;
}

inline DWORD* Row(const PICTUREPEN& pen, i64 y) {
  return reinterpret_cast<DWORD*>(pen.Top - y * pen.Stride);
}

// The pixels [x0, x1) of row y, cut to the picture.
inline void Span(const PICTUREPEN& pen, i64 y, i64 x0, i64 x1) {
  x0 = std::max<i64>(x0, 0);
  x1 = std::min<i64>(x1, pen.Width);
  DWORD* row = Row(pen, y);
  for (i64 x = x0; x < x1; ++x) row[x] = pen.Pixel;
}

// --- Fill ---

// An edge crossing the rows [Top, End) of the picture; at the current row
// it crosses at Q + R / D (0 <= R < D), and the first pixel at or right of
// the crossing is Q + (R > 0).
struct Edge {
  i64 Top, End;
  i64 Q, R, D;
  i64 StepQ, StepR;
  int Dir;
};

// The edge's crossing of its current row; then on to the next row.
inline i64 NextCrossing(Edge& e) {
  const i64 x = e.Q + (e.R > 0 ? 1 : 0);
  e.R += e.StepR;
  if (e.R >= e.D) e.R -= e.D, ++e.Q;
  e.Q += e.StepQ;
  return x;
}

// The edges of the ring over the picture's rows, with the rows [*top,
// *bottom) they cross: their number.
int RingEdges(const PICTUREPEN& pen, const POINT* p, int n, Edge* edges, i64* top, i64* bottom) {
  int count = 0;
  *top = pen.Height, *bottom = 0;
  for (int i = 0; i < n; ++i) {
    POINT a = p[i], b = p[i + 1 < n ? i + 1 : 0];
    if (a.y == b.y) continue;
    const int dir = b.y > a.y ? 1 : -1;
    if (dir < 0) std::swap(a, b);
    // Rows y with a.y <= y < b.y.
    const i64 ys = std::max<i64>(a.y, 0), ye = std::min<i64>(b.y, pen.Height);
    if (ys >= ye) continue;
    const i64 d = i64(b.y) - a.y, dx = i64(b.x) - a.x;
    Edge& e = edges[count++];
    e.Top = ys, e.End = ye, e.D = d, e.Dir = dir;
    if (ys == a.y) {
      e.Q = a.x, e.R = 0;
    } else {
      const i128 at = MulAdd(a.x, d, 0) + MulAdd(ys - a.y, dx, 0);
      e.Q = FloorDiv(at, d);
      e.R = i64(at - i128(e.Q) * d);
    }
    // Steep edges step without a division.
    e.StepQ = dx >= 0 && dx < d ? 0 : dx < 0 && dx >= -d ? -1 : FloorDiv(dx, d);
    e.StepR = dx - e.StepQ * d;
    *top = std::min(*top, ys), *bottom = std::max(*bottom, ye);
  }
  return count;
}

// A ring wholly inside the picture (nothing to cut, every value small)
// whose rows are each crossed once downwards and once upwards, as a convex
// ring's are: the span between the two crossings of each row, whatever the
// filling rule. False, with nothing written, for any other ring.
bool FillConvexInside(const PICTUREPEN& pen, const POINT* p, int n) {
  constexpr int kRows = 64;
  LONG top = p[0].y, bottom = p[0].y;
  for (int i = 1; i < n; ++i) top = std::min(top, p[i].y), bottom = std::max(bottom, p[i].y);
  if (bottom - top > kRows) return false;
  LONG crossing[2][kRows];
  BYTE crossed[kRows];  // downwards in the low four bits, upwards in the high ones
  std::fill(crossed, crossed + (bottom - top), BYTE(0));
  for (int i = 0; i < n; ++i) {
    POINT a = p[i], b = p[i + 1 < n ? i + 1 : 0];
    if (a.y == b.y) continue;
    const bool downwards = b.y > a.y;
    if (!downwards) std::swap(a, b);
    const LONG d = b.y - a.y, dx = b.x - a.x;
    // Steep edges step without a division.
    LONG stepQ = dx >= 0 && dx < d ? 0 : -1;
    if (dx >= d || dx < -d) stepQ = dx / d - (dx % d < 0 ? 1 : 0);
    const LONG stepR = dx - stepQ * d;
    LONG* x = crossing[downwards ? 0 : 1];
    const BYTE mark = downwards ? 0x01 : 0x10;
    for (LONG y = a.y - top, q = a.x, r = 0; y < b.y - top; ++y) {
      x[y] = q + (r > 0 ? 1 : 0);
      crossed[y] = BYTE(crossed[y] + mark);
      r += stepR;
      if (r >= d) r -= d, ++q;
      q += stepQ;
    }
  }
  for (LONG y = 0; y < bottom - top; ++y)
    if (crossed[y] != 0 && crossed[y] != 0x11) return false;
  for (LONG y = 0; y < bottom - top; ++y) {
    if (crossed[y] == 0) continue;
    DWORD* row = Row(pen, top + y);
    const LONG x0 = std::min(crossing[0][y], crossing[1][y]);
    const LONG x1 = std::max(crossing[0][y], crossing[1][y]);
    for (LONG x = x0; x < x1; ++x) row[x] = pen.Pixel;
  }
  return true;
}

// --- Small rings by their outline ---

// The most rows of a ring painted by its outline alone.
constexpr int kRingRows = 64;

// The leftmost and rightmost pixel of a ring's outline in one row.
struct Extent {
  LONG Lo, Hi;
};

[[gnu::always_inline]] inline void Widen(Extent* at, LONG x0, LONG x1) {
  at->Lo = std::min(at->Lo, x0), at->Hi = std::max(at->Hi, x1);
}

// The extents, row by row, of the one-pixel edge from a up to but not
// including b (row 0 of `ext` being row `top`): for each step i along the
// major axis, the minor offset floor((2 i minor + major - 1) / (2 major))
// as Outline walks it, e counting up to the next minor step. Bit i of *up
// or *down is set when the edge goes up or down.
[[gnu::always_inline]] inline void EdgeExtent(Extent* ext, POINT a, POINT b, LONG top, int i,
                                              uint64_t* up, uint64_t* down) {
  const LONG dx = b.x - a.x, dy = b.y - a.y;
  const LONG adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const LONG sx = dx < 0 ? -1 : 1;
  const intptr_t sy = dy < 0 ? -1 : 1;
  *up |= uint64_t(dy < 0) << i, *down |= uint64_t(dy > 0) << i;
  Extent* at = ext + (a.y - top);
  LONG x = a.x;
  if (adx >= ady) {
    // A run of pixels in each row, from `from` to x.
    LONG from = x;
    for (LONG e = -adx - 1; x != b.x; x += sx) {
      e += 2 * ady;
      if (e >= 0) {
        Widen(at, std::min(from, x), std::max(from, x));
        e -= 2 * adx, at += sy, from = x + sx;
      }
    }
    x -= sx;
    if (x * sx >= from * sx && adx != 0) Widen(at, std::min(from, x), std::max(from, x));
    return;
  }
  // One pixel in each row.
  const Extent* const end = ext + (b.y - top);
  for (LONG e = -ady - 1; at != end; at += sy) {
    Widen(at, x, x);
    e += 2 * adx;
    if (e >= 0) e -= 2 * ady, x += sx;
  }
}

// Going round a ring of n edges whose edges going up and down are the set
// bits of up and down, the ring turns from down to up and back once (edges
// along a row left out).
bool TurnsTwice(uint64_t up, uint64_t down, int n) {
  int changes = 0, last = 0;
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < n; ++i) {
      const int dir = (up >> i & 1) ? -1 : (down >> i & 1) ? 1 : 0;
      if (dir == 0) continue;
      changes += pass == 1 && last != 0 && dir != last;
      last = dir;
    }
  return changes == 2;
}

// Writes the pixels [x0, x1] of a row (x0 <= x1) in one colour, four or
// two at a time, the last ones possibly over some written already.
class RowFill {
 public:
  explicit RowFill(DWORD pixel) : two_(uint64_t(pixel) << 32 | pixel) {}
  [[gnu::always_inline]] void operator()(DWORD* row, LONG x0, LONG x1) const {
    DWORD* at = row + x0;
    const LONG n = x1 - x0 + 1;
    if (n >= 4) {
      const uint64_t four[2] = {two_, two_};
      LONG left = n;
      for (; left > 8; left -= 4, at += 4) std::memcpy(at, four, sizeof four);
      std::memcpy(at, four, sizeof four);
      std::memcpy(at + left - 4, four, sizeof four);
    } else if (n >= 2) {
      std::memcpy(at, &two_, sizeof two_);
      std::memcpy(at + n - 2, &two_, sizeof two_);
    } else {
      std::memcpy(at, &two_, sizeof(DWORD));
    }
  }

 private:
  uint64_t two_;
};

// The pixels of a ring of n points (at most PICTURE_RING_MAX) and at most
// kRingRows rows whose rows are each crossed by its edges once downwards
// and once upwards (as a convex ring's are): its fill and its outline
// together are, in each row, the pixels from the leftmost to the rightmost
// pixel of the outline there. The outline goes round the fill, and in
// every row its pixels on either side touch the fill or, where the row has
// none, each other; so no fill is computed at all. The extents of the
// ring's rows from *top down go into ext, *rows of them; false for any
// other ring.
bool RingExtents(const POINT* p, int n, Extent* ext, LONG* top, LONG* rows) {
  LONG t = p[0].y, bottom = p[0].y;
  for (int i = 1; i < n; ++i) t = std::min(t, p[i].y), bottom = std::max(bottom, p[i].y);
  if (bottom - t >= kRingRows) return false;
  for (LONG r = 0; r <= bottom - t; ++r) ext[r] = Extent{INT32_MAX, INT32_MIN};
  uint64_t up = 0, down = 0;
  for (int i = 0; i < n; ++i) EdgeExtent(ext, p[i], p[i + 1 < n ? i + 1 : 0], t, i, &up, &down);
  *top = t, *rows = bottom - t + 1;
  return TurnsTwice(up, down, n);
}

// The spans of RingExtents, their rows from `top` down.
void PaintExtents(const PICTUREPEN& pen, LONG top, const Extent* ext, LONG rows) {
  const RowFill fill(pen.Pixel);
  for (LONG r = 0; r < rows; ++r)
    if (ext[r].Lo <= ext[r].Hi) fill(Row(pen, top + r), ext[r].Lo, ext[r].Hi);
}

// --- Band shapes ---

// A band's pixels depend on nothing but its corners relative to its first
// point, and a wide line's bands come in few shapes: those of short bands
// are kept, so that a band of a shape seen before costs no more than its
// rows. Four shapes share each place in the table, the oldest giving way;
// the keys of a place lie together, apart from the shapes.
constexpr int kShapeRows = 30;    // the most rows of a kept shape
constexpr LONG kShapeReach = 16;  // corners lie in [-16, 16) from the first point
constexpr int kShapeSetsBits = 10;
constexpr int kShapeWays = 4;

// The most rows of a shape kept as bits: they go into the window four at
// a time, rows past the last empty.
constexpr int kNarrowGroup = 4;
constexpr int kNarrowRows = 12;

struct alignas(64) BandShape {
  int8_t Top;          // the first row, from the first point's
  uint8_t Rows;        // 0: the band is painted as a ring
  int8_t Left, Right;  // the first and last column of all rows, from the first point's
  union {
    // Narrow (Right - Left below 32, at most kNarrowRows rows): each
    // row's pixels as bits, bit 0 in column Left, the rows past the last
    // to the end of their group empty.
    uint32_t Bits[kNarrowRows];
    // Otherwise each row's first and last pixel, from the first point's.
    int8_t Span[kShapeRows][2];
  };
  bool Narrow() const { return Right - Left < 32 && Rows <= kNarrowRows; }
};
static_assert(sizeof(BandShape) == 64 && kNarrowRows % kNarrowGroup == 0);

// A key holds the segment v, its offset o and the join corner J, five bits
// for each coordinate, with kKeyBand when v and o lie within reach and
// kKeyJoin when J does; a shape is kept only for a key holding both.
constexpr uint32_t kKeyBand = uint32_t(1) << 30, kKeyJoin = uint32_t(1) << 31;
constexpr uint32_t kKeyWhole = kKeyBand | kKeyJoin;
uint32_t shapeKeys[1 << kShapeSetsBits][kShapeWays];  // 0: none
uint8_t shapeNext[1 << kShapeSetsBits];  // the way to give way next
BandShape bandShapes[1 << kShapeSetsBits][kShapeWays];

inline bool InReach(POINT p) {
  return p.x >= -kShapeReach && p.x < kShapeReach && p.y >= -kShapeReach && p.y < kShapeReach;
}
// A corner's ten bits, its x in the low five.
inline uint32_t CornerBits(POINT p) {
  return uint32_t(p.x + kShapeReach) | uint32_t(p.y + kShapeReach) << 5;
}
// A join corner's part of a key.
inline uint32_t JoinBits(POINT J) { return InReach(J) ? CornerBits(J) << 20 | kKeyJoin : 0; }

// The place of a key in the table.
inline uint32_t ShapeSet(uint32_t key) { return (key * 0x9E3779B1u) >> (32 - kShapeSetsBits); }

// The shape kept for a key, null when none is. The ways are compared all
// at once: which one holds the shape is no pattern to predict.
[[gnu::always_inline]] inline const BandShape* KeptShape(uint32_t key) {
  const uint32_t set = ShapeSet(key);
  const uint32_t* keys = shapeKeys[set];
  const unsigned ways = unsigned(keys[0] == key) | unsigned(keys[1] == key) << 1 |
                        unsigned(keys[2] == key) << 2 | unsigned(keys[3] == key) << 3;
  return ways != 0 ? &bandShapes[set][__builtin_ctz(ways)] : nullptr;
}

// The shape of the band of segment v, offset o and join corner J made and
// kept for its key in place of the oldest of its set, with no rows when
// the band does not cross each row twice; null when it is too tall to
// keep.
const BandShape* MakeShape(uint32_t key, POINT v, POINT o, POINT J) {
  const uint32_t set = ShapeSet(key);
  const POINT ring[5] = {{-o.x, -o.y}, J, o, {v.x + o.x, v.y + o.y}, {v.x - o.x, v.y - o.y}};
  Extent ext[kRingRows];
  LONG top = 0, rows = 0;
  const bool spans = RingExtents(ring, 5, ext, &top, &rows);
  if (rows > kShapeRows) return nullptr;
  const uint32_t way = shapeNext[set]++ % kShapeWays;
  BandShape& shape = bandShapes[set][way];
  shapeKeys[set][way] = key;
  shape.Top = int8_t(top);
  shape.Rows = spans ? uint8_t(rows) : 0;
  LONG left = INT32_MAX, right = INT32_MIN;
  for (LONG r = 0; r < shape.Rows; ++r)
    left = std::min(left, ext[r].Lo), right = std::max(right, ext[r].Hi);
  shape.Left = int8_t(left), shape.Right = int8_t(right);
  std::memset(shape.Bits, 0, sizeof shape.Bits);
  for (LONG r = 0; r < shape.Rows; ++r) {
    if (shape.Narrow())
      shape.Bits[r] = uint32_t((uint64_t(2) << (ext[r].Hi - left)) - (uint64_t(1) << (ext[r].Lo - left)));
    else
      shape.Span[r][0] = int8_t(ext[r].Lo), shape.Span[r][1] = int8_t(ext[r].Hi);
  }
  return &shape;
}

// The pixels of consecutive bands gathered in a window of 64 columns and
// kWindowRows rows, a word of bits for each row, before they go into the
// picture: the bands of a line overlap, and so their pixels go in once,
// in runs. A band that does not fit writes the window out and moves it.
constexpr LONG kWindowRows = 64;
// A kept shape's corners, and so its pixels, lie within 4 kShapeReach - 1
// columns and kShapeRows rows: it fits a window.
static_assert(4 * kShapeReach <= 64 && kShapeRows <= kWindowRows);
// The window's words, with room below for the empty rows of a narrow
// shape's last group.
constexpr LONG kWindowWords = kWindowRows + kNarrowGroup - 1;

class BandWindow {
 public:
  explicit BandWindow(const PICTUREPEN& pen, uint64_t* bits)
      : fill_(pen.Pixel), first_(pen.Top), stride_(pen.Stride), bits_(bits) {}

  // The rows of a kept shape whose first point lies at a.
  [[gnu::always_inline]] void Add(const BandShape& shape, POINT a) {
    const LONG rows = shape.Rows, width = shape.Right - shape.Left;
    LONG r0 = a.y + shape.Top - top_, c0 = a.x + shape.Left - left_;
    if (uint32_t(r0) > uint32_t(kWindowRows - rows) || uint32_t(c0) > uint32_t(63 - width)) {
      Flush();
      // The band in the middle of the window.
      r0 = (kWindowRows - rows) / 2, c0 = (63 - width) / 2;
      top_ = a.y + shape.Top - r0, left_ = a.x + shape.Left - c0;
    }
    written_ |= ((uint64_t(1) << rows) - 1) << r0;
    uint64_t* bits = bits_ + r0;
    if (shape.Narrow()) {
      for (const uint32_t* row = shape.Bits; row < shape.Bits + rows;
           row += kNarrowGroup, bits += kNarrowGroup) {
        bits[0] |= uint64_t(row[0]) << c0;
        bits[1] |= uint64_t(row[1]) << c0;
        bits[2] |= uint64_t(row[2]) << c0;
        bits[3] |= uint64_t(row[3]) << c0;
      }
      return;
    }
    const LONG dx = c0 - shape.Left;
    for (const int8_t* span = shape.Span[0]; span != shape.Span[rows]; span += 2, ++bits)
      *bits |= (uint64_t(2) << (dx + span[1])) - (uint64_t(1) << (dx + span[0]));
  }

  // The picture's rows about a point fetched for writing: a line's bands
  // go in when the window is written out, and by then the rows about its
  // points are in the cache. The point lies two rows or more inside the
  // picture, as every point of a line painted through the window does.
  [[gnu::always_inline]] void Expect(POINT p) const {
    const BYTE* at = first_ - p.y * stride_ + 4 * intptr_t(p.x);
    __builtin_prefetch(at + 2 * stride_, 1);
    __builtin_prefetch(at + stride_, 1);
    __builtin_prefetch(at, 1);
    __builtin_prefetch(at - stride_, 1);
    __builtin_prefetch(at - 2 * stride_, 1);
  }

  // Writes the runs of the window's rows into the picture and empties it.
  void Flush() {
    if (written_ == 0) return;
    const LONG low = __builtin_ctzll(written_), high = 63 - __builtin_clzll(written_);
    written_ = 0;
    // Only pixels inside the picture are formed as addresses: the window
    // may reach past its left edge, its row start then lying outside.
    for (LONG r = low; r <= high; ++r) {
      DWORD* row = reinterpret_cast<DWORD*>(first_ - (top_ + r) * stride_);
      uint64_t m = bits_[r];
      bits_[r] = 0;
      while (m != 0) {
        const int from = __builtin_ctzll(m);
        const uint64_t rest = ~(m >> from);
        const int to = rest == 0 ? 63 : from + __builtin_ctzll(rest) - 1;
        fill_(row, left_ + from, left_ + to);
        m &= m + (uint64_t(1) << from);  // the run taken away
      }
    }
  }

 private:
  RowFill fill_;
  BYTE* first_;  // the picture's top row
  intptr_t stride_;
  LONG left_ = 0, top_ = 0;  // the window's first column and row
  uint64_t written_ = 0;     // bit r: row r from top_ written in
  uint64_t* bits_;  // kWindowWords words, all 0 but for the rows written in
};

// The bits of the one window there is at a time (one painting at a time),
// left empty by each.
uint64_t windowBits[kWindowWords];

// --- Segments ---

// What the band of a segment v of a line of half width h takes from it: its
// offset o, the part of a shape key that v and o make, and that of the
// join corner of the band after it (b + o, or b - o after a turn to the
// left, from b).
struct Segment {
  double H;  // 0 until made
  POINT O;
  uint32_t Bits;     // kKeyBand set when both lie within reach
  uint32_t Join[2];  // by the turn at b
};

void MakeSegment(Segment* s, POINT v, double h) {
  s->H = h;
  s->O = wideband::Offset(POINT{0, 0}, v, h);
  s->Bits = InReach(v) && InReach(s->O) ? CornerBits(v) | CornerBits(s->O) << 10 | kKeyBand : 0;
  s->Join[0] = JoinBits(s->O);
  s->Join[1] = JoinBits(POINT{-s->O.x, -s->O.y});
}

// The segments of short moves are kept, each for the half width it was
// made for: a line's bands take the same few over and over.
constexpr LONG kSegmentReach = 8;
Segment segments[2 * kSegmentReach + 1][2 * kSegmentReach + 1];

// The segment of v for the half width h, made in *far when not kept.
[[gnu::always_inline]] inline const Segment& SegmentOf(POINT v, double h, Segment* far) {
  const uint64_t x = uint64_t(i64(v.x) + kSegmentReach), y = uint64_t(i64(v.y) + kSegmentReach);
  if (x > 2 * kSegmentReach || y > 2 * kSegmentReach) {
    MakeSegment(far, v, h);
    return *far;
  }
  Segment& s = segments[y][x];
  if (s.H != h) MakeSegment(&s, v, h);
  return s;
}

// The bands of a line inside the picture, from their kept shapes through
// the window, or as rings when their shapes are not kept.
class BandPainter {
 public:
  explicit BandPainter(const PICTUREPEN& pen) : pen_(pen), window_(pen, windowBits) {}

  // The band of segment v from a, J its join corner from a and `join` its
  // part of the key.
  [[gnu::always_inline]] void Band(POINT a, POINT v, const Segment& s, uint32_t join, POINT J) {
    window_.Expect(a);
    const uint32_t key = s.Bits | join;
    const bool keyed = (key & kKeyWhole) == kKeyWhole;
    const BandShape* shape = keyed ? KeptShape(key) : nullptr;
    if (shape != nullptr) __builtin_prefetch(shape);
    // The band late goes first: a shape made now may take its place.
    if (late_ != nullptr) window_.Add(*late_, lateAt_);
    late_ = nullptr;
    if (shape == nullptr && keyed) shape = MakeShape(key, v, s.O, J);
    if (shape == nullptr || shape->Rows == 0) {
      const POINT o = s.O, b{a.x + v.x, a.y + v.y};
      const POINT ring[5] = {{a.x - o.x, a.y - o.y}, {a.x + J.x, a.y + J.y}, {a.x + o.x, a.y + o.y},
                             {b.x + o.x, b.y + o.y}, {b.x - o.x, b.y - o.y}};
      PaintPictureRingInside(pen_, ring, 5);
      return;
    }
    // Each kept shape goes into the window one band late, its rows
    // fetched meanwhile.
    late_ = shape, lateAt_ = a;
  }

  void Finish() {
    if (late_ != nullptr) window_.Add(*late_, lateAt_);
    late_ = nullptr;
    window_.Flush();
  }

 private:
  const PICTUREPEN& pen_;
  BandWindow window_;
  const BandShape* late_ = nullptr;
  POINT lateAt_{};
};

// The pixels whose sample points lie inside the ring.
void FillRing(const PICTUREPEN& pen, const POINT* p, int n, bool inside) {
  if (inside && FillConvexInside(pen, p, n)) return;
  Edge edges[PICTURE_RING_MAX];
  i64 top, bottom;
  const int count = RingEdges(pen, p, n, edges, &top, &bottom);
  for (i64 y = top; y < bottom; ++y) {
    i64 xs[PICTURE_RING_MAX];
    int dirs[PICTURE_RING_MAX];
    int k = 0;
    for (int i = 0; i < count; ++i) {
      Edge& e = edges[i];
      if (y < e.Top || y >= e.End) continue;
      const i64 x = NextCrossing(e);
      int j = k++;
      for (; j > 0 && xs[j - 1] > x; --j) xs[j] = xs[j - 1], dirs[j] = dirs[j - 1];
      xs[j] = x, dirs[j] = e.Dir;
    }
    if (!pen.Winding) {
      for (int j = 0; j + 1 < k; j += 2) Span(pen, y, xs[j], xs[j + 1]);
      continue;
    }
    int w = 0;
    i64 start = 0;
    for (int j = 0; j < k; ++j) {
      const int before = w;
      w += dirs[j];
      if (before == 0 && w != 0) start = xs[j];
      else if (before != 0 && w == 0) Span(pen, y, start, xs[j]);
    }
  }
}

// --- Outline ---

// The one-pixel edge from a up to but not including b: for each step i
// along the major axis, the minor offset floor((2 i minor + major - 1) /
// (2 major)), walked with e its remainder.
void Outline(const PICTUREPEN& pen, POINT a, POINT b, bool inside) {
  const i64 dx = i64(b.x) - a.x, dy = i64(b.y) - a.y;
  const i64 adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  const bool xMajor = adx >= ady;
  const i64 major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  const int sM = (xMajor ? dx : dy) < 0 ? -1 : 1, sm = (xMajor ? dy : dx) < 0 ? -1 : 1;
  if (inside) {
    // Both ends inside the picture, and with them every pixel between.
    BYTE* at = reinterpret_cast<BYTE*>(Row(pen, a.y) + a.x);
    const intptr_t stepM = xMajor ? 4 * sM : -pen.Stride * sM;
    const intptr_t stepm = xMajor ? -pen.Stride * sm : 4 * sm;
    for (i64 i = 0, e = major - 1; i < major; ++i) {
      *reinterpret_cast<DWORD*>(at) = pen.Pixel;
      at += stepM;
      e += 2 * minor;
      if (e >= 2 * major) e -= 2 * major, at += stepm;
    }
    return;
  }
  const i64 M0 = xMajor ? a.x : a.y, m0 = xMajor ? a.y : a.x;
  const i64 majorEnd = (xMajor ? pen.Width : pen.Height) - 1;
  const i64 minorEnd = (xMajor ? pen.Height : pen.Width) - 1;
  // The steps whose major coordinate lies in the picture.
  const i64 i0 = std::max<i64>(0, sM > 0 ? -M0 : M0 - majorEnd);
  const i64 i1 = std::min<i64>(major - 1, sM > 0 ? majorEnd - M0 : M0);
  if (i0 > i1) return;
  const i128 start = MulAdd(2 * i0, minor, major - 1);
  const i64 f = FloorDiv(start, 2 * major);
  i64 e = i64(start - i128(f) * 2 * major);
  i64 M = M0 + sM * i0, m = m0 + sm * f;
  for (i64 i = i0; i <= i1; ++i) {
    if (m >= 0 && m <= minorEnd)
      (xMajor ? Row(pen, m)[M] : Row(pen, M)[m]) = pen.Pixel;
    else if (sm > 0 ? m > minorEnd : m < 0)
      break;  // gone past the picture
    M += sM;
    e += 2 * minor;
    if (e >= 2 * major) e -= 2 * major, m += sm;
  }
}

// The context whose drawing state a painting has decided on for its
// painters, null when none has.
HDC decidedDc = nullptr;
bool decidedWinding = false;  // that context fills by the winding rule

// The context copies the colour to its pixels, and its origin lies at the
// picture's corner; *winding: it fills by the winding rule.
bool PenState(HDC dc, bool* winding) {
  if (plat::GetROP2(dc) != R2_COPYPEN) return false;
  POINT origin{0, 0};
  if (!plat::GetViewportOrgEx(dc, &origin) || origin.x != 0 || origin.y != 0) return false;
  *winding = plat::GetPolyFillMode(dc) == WINDING;
  return true;
}

}  // namespace

TDecidedPicturePen::TDecidedPicturePen(HDC dc) : dc_(decidedDc), winding_(decidedWinding) {
  bool winding = false;
  const bool decided = dc != nullptr && PenState(dc, &winding);
  decidedDc = decided ? dc : nullptr;
  decidedWinding = winding;
}

TDecidedPicturePen::~TDecidedPicturePen() {
  decidedDc = dc_;
  decidedWinding = winding_;
}

bool TakePicturePen(HDC dc, COLORREF colour, PICTUREPEN* pen) {
  const TPaintContext& c = PaintContext;
  if (dc == nullptr || dc != c.PictureDc || c.PictureTop == nullptr || c.BytesPerPixel != 4 ||
      c.Stride < 4 || (colour >> 24) != 0 || GetDrawingCallbacks() != nullptr)
    return false;
  bool winding = decidedWinding;
  if (dc != decidedDc && !PenState(dc, &winding)) return false;
  *pen = PICTUREPEN{c.PictureTop,
                    c.Stride,
                    std::min<LONG>(c.ImageWidth, c.Stride / 4),
                    std::min<LONG>(c.ImageHeight, c.PictureHeight),
                    SwapRedBlue(colour),
                    winding};
  // What the device was given before lands in the picture first.
  plat::GdiFlush();
  return true;
}

void PaintPictureRing(const PICTUREPEN& pen, const POINT* points, int count) {
  if (points == nullptr || count < 2 || count > PICTURE_RING_MAX || pen.Width < 1 ||
      pen.Height < 1)
    return;
  bool in[PICTURE_RING_MAX];
  bool all = true;
  for (int i = 0; i < count; ++i) all = (in[i] = Inside(pen, points[i])) && all;
  if (all) {
    PaintPictureRingInside(pen, points, count);
    return;
  }
  FillRing(pen, points, count, false);
  for (int i = 0, j = 1; i < count; ++i, j = j + 1 < count ? j + 1 : 0)
    Outline(pen, points[i], points[j], in[i] && in[j]);
}

void PaintPictureRingInside(const PICTUREPEN& pen, const POINT* points, int count) {
  Extent ext[kRingRows];
  LONG top, rows;
  if (RingExtents(points, count, ext, &top, &rows)) {
    PaintExtents(pen, top, ext, rows);
    return;
  }
  FillRing(pen, points, count, true);
  for (int i = 0, j = 1; i < count; ++i, j = j + 1 < count ? j + 1 : 0)
    Outline(pen, points[i], points[j], true);
}

void PaintPictureBandsInside(const PICTUREPEN& pen, const POINT* q, LONG n, double h) {
  using wideband::Same;
  POINT a = q[0];
  LONG i = 1;
  while (i < n && Same(q[i], a)) ++i;
  if (i == n) return;
  // Two places for segments beyond the kept ones, the one of the band
  // being formed and the one of the band after it.
  Segment far[2];
  int spare = 1;
  POINT b = q[i], v{b.x - a.x, b.y - a.y};
  const Segment* s = &SegmentOf(v, h, &far[0]);
  // The join corner of the band from a, from a.
  POINT J{-s->O.x, -s->O.y};
  uint32_t join = s->Join[1];
  if (Same(q[n - 1], a)) {
    // Closed: the first band joins the closing one.
    LONG k = n - 2;
    while (Same(q[k], a)) --k;  // q[i] differs from a, so the scan stops there at the latest
    const POINT o = wideband::OffsetOf(a, q[k], h);
    J = wideband::TurnsLeftNear(q[k], a, b) ? o : POINT{-o.x, -o.y};
    join = JoinBits(J);
  }
  BandPainter painter(pen);
  for (++i; i < n; ++i) {
    const POINT c = q[i];
    if (Same(c, b)) continue;
    const POINT w{c.x - b.x, c.y - b.y};
    const Segment* t = &SegmentOf(w, h, &far[spare]);
    spare ^= 1;
    painter.Band(a, v, *s, join, J);
    // The band from b joins on the outer side of the turn there.
    const int turn = i64(w.x) * v.y > i64(v.x) * w.y ? 1 : 0;
    const LONG side = 1 - 2 * turn;
    J = POINT{side * s->O.x, side * s->O.y};
    join = s->Join[turn];
    a = b, b = c, v = w, s = t;
  }
  painter.Band(a, v, *s, join, J);
  painter.Finish();
}

void PaintPictureLine(const PICTUREPEN& pen, POINT a, POINT b) {
  const bool end = Inside(pen, b);
  Outline(pen, a, b, Inside(pen, a) && end);
  if (end) Row(pen, b.y)[b.x] = pen.Pixel;
}
