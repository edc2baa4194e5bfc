// The pixel rasteriser: one segment walk, cut to a clip box in closed form
// before it is stepped, written by two writers (32-bit picture words and
// 1-bit mask bits); thick lines as sets of shifted copies of that walk; and
// the mask painter of a whole polyline set with its even-odd fill.
#include "drawing/rasterizer.h"

#include <cstdint>
#include <cstring>

#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

inline i64 Abs(i64 v) { return v < 0 ? -v : v; }
inline i64 Min(i64 a, i64 b) { return a < b ? a : b; }
inline i64 Max(i64 a, i64 b) { return a > b ? a : b; }

// Columns Left .. Right - 1 and rows Top .. Bottom - 1.
struct Box {
  i64 Left, Top, Right, Bottom;
};

inline bool Inside(const Box& b, i64 x, i64 y) {
  return x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom;
}

// The walk of one segment, or of the part of it that a clip box keeps.
// Pixel k of the whole segment lies k steps from its start along the major
// axis and floor(k * Minor / Major) steps along the minor one; the error
// before it is Major - (k * Minor mod Major), and the minor coordinate
// steps when the error, less Minor, drops below 1.
struct Walk {
  bool Steep;   // major axis y (downwards), else x (rightwards)
  int Dir;      // minor step: +1 or -1
  i64 X, Y;     // first pixel to write
  i64 Count;    // pixels to write
  i64 Error;    // error before the first pixel
  i64 Major;    // pixels of the whole segment along the major axis
  i64 Minor;    // and along the minor axis
};

void StartWalk(i64 x1, i64 y1, i64 x2, i64 y2, Walk& w) {
  const i64 dx = x2 - x1, dy = y2 - y1;
  const i64 cx = Abs(dx) + 1, cy = Abs(dy) + 1;
  w.Steep = cx <= cy;
  // Steep segments start from the upper end, flat ones from the left end.
  const bool fromEnd = w.Steep ? dy < 0 : dx < 0;
  w.X = fromEnd ? x2 : x1;
  w.Y = fromEnd ? y2 : y1;
  const i64 minor = w.Steep ? dx : dy;
  w.Dir = (fromEnd ? -minor : minor) < 0 ? -1 : 1;
  w.Major = w.Steep ? cy : cx;
  w.Minor = w.Steep ? cx : cy;
  w.Count = w.Major;
  w.Error = w.Major;
}

// Keeps the pixels of a whole-segment walk that lie in the box; false when
// none does. The pixels kept are one run of the walk: the major coordinate
// and the minor steps both grow with k, so each axis bounds k from both
// sides, found by division rather than by stepping.
bool ClipWalk(Walk& w, const Box& b) {
  const i64 major0 = w.Steep ? w.Y : w.X, minor0 = w.Steep ? w.X : w.Y;
  const i64 majorLo = w.Steep ? b.Top : b.Left, majorHi = (w.Steep ? b.Bottom : b.Right) - 1;
  const i64 minorLo = w.Steep ? b.Left : b.Top, minorHi = (w.Steep ? b.Right : b.Bottom) - 1;
  i64 first = Max(0, majorLo - major0);
  i64 last = Min(w.Major - 1, majorHi - major0);
  // Minor steps q(k) = floor(k * Minor / Major) must lie in lo .. hi.
  const i64 lo = w.Dir > 0 ? minorLo - minor0 : minor0 - minorHi;
  const i64 hi = w.Dir > 0 ? minorHi - minor0 : minor0 - minorLo;
  if (first > last || hi < 0) return false;
  if (lo > 0) {  // q(k) >= lo: k * Minor >= lo * Major
    const i128 k = (i128(lo) * w.Major + w.Minor - 1) / w.Minor;
    if (k > last) return false;
    first = Max(first, static_cast<i64>(k));
  }
  // q(k) <= hi: k * Minor < (hi + 1) * Major.
  const i128 k = ((i128(hi) + 1) * w.Major - 1) / w.Minor;
  if (k < last) last = static_cast<i64>(k);
  if (first > last) return false;
  const i128 steps = i128(first) * w.Minor;
  const i64 q = static_cast<i64>(steps / w.Major), r = static_cast<i64>(steps % w.Major);
  if (w.Steep) {
    w.Y += first;
    w.X += w.Dir * q;
  } else {
    w.X += first;
    w.Y += w.Dir * q;
  }
  w.Count = last - first + 1;
  w.Error = w.Major - r;
  return true;
}

// The 32-bit picture: row y at Top - y * Words, pixel x its word x.
struct Picture {
  DWORD* Top;
  intptr_t Words;
  Box Clip;
  DWORD Pixel;

  // A whole segment with both ends inside: the walk of StartWalk and Write
  // with the minor step taken by masks instead of a branch, so that a short
  // segment costs one mispredicted branch (the loop's end) at most.
  void Line(i64 x1, i64 y1, i64 x2, i64 y2) const {
    const i64 dx = x2 - x1, dy = y2 - y1;
    const i64 ax = Abs(dx), ay = Abs(dy);
    const bool steep = ax <= ay;
    const bool fromEnd = steep ? dy < 0 : dx < 0;
    const i64 x = fromEnd ? x2 : x1, y = fromEnd ? y2 : y1;
    const i64 minor = steep ? dx : dy;
    const bool back = (fromEnd ? -minor : minor) < 0;
    const intptr_t majorStep = steep ? -Words : 1;
    const intptr_t minorStep = steep ? (back ? -1 : 1) : (back ? Words : -Words);
    const i64 a = (steep ? ay : ax) + 1, b = (steep ? ax : ay) + 1;
    intptr_t at = static_cast<intptr_t>(x - y * Words);
    DWORD* const top = Top;
    const DWORD v = Pixel;
    i64 e = a;
    for (i64 n = a; n > 0; --n) {
      top[at] = v;
      e -= b;
      const i64 step = (e - 1) >> 63;  // all ones when e < 1
      at += majorStep + (minorStep & step);
      e += a & step;
    }
  }

  void Write(const Walk& w) const {
    intptr_t at = static_cast<intptr_t>(w.X - w.Y * Words);
    const intptr_t major = w.Steep ? -Words : 1;
    const intptr_t minor = w.Steep ? w.Dir : -Words * w.Dir;
    const i64 a = w.Major, b = w.Minor;
    const DWORD v = Pixel;
    DWORD* const top = Top;
    i64 e = w.Error;
    for (i64 n = w.Count; n > 0; --n) {
      top[at] = v;
      at += major;
      e -= b;
      if (e < 1) {
        at += minor;
        e += a;
      }
    }
  }
};

// A 1-bit mask: row y at Row0 - (y - Y0) * Words, pixel x in word
// (x - X0) / 32 of its row, bit 31 - (x - X0) % 32.
struct Mask {
  DWORD* Row0;
  intptr_t Words;
  i64 X0, Y0;
  Box Clip;

  void Write(const Walk& w) const {
    const i64 column = w.X - X0;  // not negative: the clip box starts at X0 or right of it
    intptr_t at = static_cast<intptr_t>((column >> 5) - (w.Y - Y0) * Words);
    DWORD bit = 0x80000000u >> (column & 31);
    const i64 a = w.Major, b = w.Minor;
    DWORD* const row0 = Row0;
    i64 e = w.Error;
    if (w.Steep) {
      for (i64 n = w.Count; n > 0; --n) {
        row0[at] |= bit;
        at -= Words;
        e -= b;
        if (e < 1) {
          e += a;
          if (w.Dir > 0) {
            bit >>= 1;
            if (bit == 0) bit = 0x80000000u, ++at;
          } else {
            bit <<= 1;
            if (bit == 0) bit = 1, --at;
          }
        }
      }
    } else {
      const intptr_t minor = -Words * w.Dir;
      for (i64 n = w.Count; n > 0; --n) {
        row0[at] |= bit;
        bit >>= 1;
        if (bit == 0) bit = 0x80000000u, ++at;
        e -= b;
        if (e < 1) {
          at += minor;
          e += a;
        }
      }
    }
  }
};

// One segment: written directly when both ends lie inside, skipped when
// both lie beyond one edge, cut to the box otherwise.
template <class Target>
void Segment(const Target& t, i64 x1, i64 y1, i64 x2, i64 y2) {
  const Box& b = t.Clip;
  Walk w;
  if (Inside(b, x1, y1) && Inside(b, x2, y2)) {
    StartWalk(x1, y1, x2, y2, w);
    t.Write(w);
    return;
  }
  if ((x1 < b.Left && x2 < b.Left) || (x1 >= b.Right && x2 >= b.Right) ||
      (y1 < b.Top && y2 < b.Top) || (y1 >= b.Bottom && y2 >= b.Bottom))
    return;
  StartWalk(x1, y1, x2, y2, w);
  if (ClipWalk(w, b)) t.Write(w);
}

bool HasParts(const POLYDATA* data) {
  return data != nullptr && data->Points != nullptr && data->PolyCounts != nullptr;
}

// Calls segment(a, b) for every segment of every part: a one-point part is
// a segment to itself; a part of 0 or fewer points ends the walk.
template <class F>
void ForEachSegment(const POLYDATA* data, F segment) {
  const POINT* p = data->Points;
  for (LONG i = 0; i < data->Count; ++i) {
    const LONG n = data->PolyCounts[i];
    if (n <= 0) return;
    if (n == 1) segment(p[0], p[0]);
    for (LONG j = 1; j < n; ++j) segment(p[j - 1], p[j]);
    p += n;
  }
}

template <class Target>
void ThinPolyline(const Target& t, const POLYDATA* data) {
  const POINT* p = data->Points;
  const Box& b = t.Clip;
  for (LONG i = 0; i < data->Count; ++i) {
    const LONG n = data->PolyCounts[i];
    if (n <= 0) return;
    if (n == 1) Segment(t, p[0].x, p[0].y, p[0].x, p[0].y);
    // Segments inside chain on the direct writer: each new point is tested
    // once.
    bool inside = Inside(b, p[0].x, p[0].y);
    for (LONG j = 1; j < n; ++j) {
      const bool next = Inside(b, p[j].x, p[j].y);
      if (inside && next) {
        if constexpr (requires { t.Line(i64(0), i64(0), i64(0), i64(0)); }) {
          t.Line(p[j - 1].x, p[j - 1].y, p[j].x, p[j].y);
        } else {
          Walk w;
          StartWalk(p[j - 1].x, p[j - 1].y, p[j].x, p[j].y, w);
          t.Write(w);
        }
      } else {
        Segment(t, p[j - 1].x, p[j - 1].y, p[j].x, p[j].y);
      }
      inside = next;
    }
    p += n;
  }
}

// The copies of one thick segment: copy j is the segment shifted by
// Offset(j). Both offsets change monotonically with j.
struct Copies {
  enum Kind { AcrossX, AcrossY, StairSteep, StairFlat };
  Kind How;
  i64 Count;
  i64 X0, Y0;  // offset of copy 0
  int Turn;    // staircase: the step of the second coordinate, +1 or -1

  void Offset(i64 j, i64* ox, i64* oy) const {
    *ox = X0, *oy = Y0;
    switch (How) {
      case AcrossX: *ox += j; break;
      case AcrossY: *oy += j; break;
      // Even copies move one column on, odd ones one row.
      case StairSteep: *ox += (j + 1) / 2, *oy += Turn * (j / 2); break;
      case StairFlat: *ox += Turn * (j / 2), *oy += (j + 1) / 2; break;
    }
  }
};

// The copies of a thick picture line of thickness t >= 2.
Copies ThickCopies(i64 dx, i64 dy, i64 t) {
  const i64 h = t / 2;
  const i64 cx = Abs(dx) + 1, cy = Abs(dy) + 1;
  const bool same = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
  Copies c{};
  if (cx <= cy && cy / cx >= 2) {
    c = {Copies::AcrossX, t, -h, 0, 0};
  } else if (cx <= cy) {
    c = {Copies::StairSteep, t + 1, -(h + 1) / 2, same ? h / 2 : -(h / 2), same ? -1 : 1};
  } else if (cx / cy >= 2) {
    c = {Copies::AcrossY, t, 0, -h, 0};
  } else {
    c = {Copies::StairFlat, t + 1, same ? h / 2 : -(h / 2), -(h + 1) / 2, same ? -1 : 1};
  }
  return c;
}

// First and last copies that may reach the box, so that a line thicker
// than the picture costs no more than the picture. Away from the line's
// own direction every copy lies on its own parallel: the cross product
// g(j) = offset(j) x (dx, dy) grows monotonically with j, each pixel of a
// copy is within max(|dx|, |dy|) of g(j) in that measure, and a copy can
// reach the box only when g(j) comes that near the values the box's corners
// take. A point's copies are bounded by the columns (or rows) alone.
void VisibleCopies(const Copies& c, i64 x1, i64 y1, i64 x2, i64 y2, const Box& b, i64* first,
                   i64* last) {
  const i64 dx = x2 - x1, dy = y2 - y1;
  const bool point = dx == 0 && dy == 0;
  const bool byRow = point && c.How == Copies::AcrossY;
  auto g = [&](i64 j) -> i128 {
    i64 ox, oy;
    c.Offset(j, &ox, &oy);
    if (point) return byRow ? oy : ox;
    return i128(ox) * dy - i128(oy) * dx;
  };
  i128 lo, hi;
  if (point) {
    lo = byRow ? b.Top - y1 : b.Left - x1;
    hi = byRow ? b.Bottom - 1 - y1 : b.Right - 1 - x1;
  } else {
    const i64 xs[2] = {b.Left - x1, b.Right - 1 - x1}, ys[2] = {b.Top - y1, b.Bottom - 1 - y1};
    lo = hi = i128(xs[0]) * dy - i128(ys[0]) * dx;
    for (i64 px : xs)
      for (i64 py : ys) {
        const i128 v = i128(px) * dy - i128(py) * dx;
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
      }
    const i64 reach = Max(Abs(dx), Abs(dy)) + 1;
    lo -= reach;
    hi += reach;
  }
  const int sign = g(c.Count - 1) < g(0) ? -1 : 1;
  if (sign < 0) {
    const i128 t = lo;
    lo = -hi;
    hi = -t;
  }
  // First j with sign * g(j) >= lo.
  i64 l = 0, r = c.Count;
  while (l < r) {
    const i64 m = l + (r - l) / 2;
    if (sign * g(m) >= lo) r = m; else l = m + 1;
  }
  *first = l;
  // Last j with sign * g(j) <= hi.
  l = 0, r = c.Count;
  while (l < r) {
    const i64 m = l + (r - l) / 2;
    if (sign * g(m) > hi) r = m; else l = m + 1;
  }
  *last = l - 1;
}

template <class Target>
void CopiesOf(const Target& t, i64 x1, i64 y1, i64 x2, i64 y2, const Copies& c) {
  if (c.Count < 1) return;
  i64 ax, ay, bx, by;
  c.Offset(0, &ax, &ay);
  c.Offset(c.Count - 1, &bx, &by);
  const i64 oxMin = Min(ax, bx), oxMax = Max(ax, bx), oyMin = Min(ay, by), oyMax = Max(ay, by);
  const i64 xMin = Min(x1, x2), xMax = Max(x1, x2), yMin = Min(y1, y2), yMax = Max(y1, y2);
  const Box& b = t.Clip;
  if (xMax + oxMax < b.Left || xMin + oxMin >= b.Right || yMax + oyMax < b.Top ||
      yMin + oyMin >= b.Bottom)
    return;
  i64 ox, oy;
  if (xMin + oxMin >= b.Left && xMax + oxMax < b.Right && yMin + oyMin >= b.Top &&
      yMax + oyMax < b.Bottom) {
    Walk base;
    StartWalk(x1, y1, x2, y2, base);
    for (i64 j = 0; j < c.Count; ++j) {
      c.Offset(j, &ox, &oy);
      Walk w = base;
      w.X += ox;
      w.Y += oy;
      t.Write(w);
    }
    return;
  }
  i64 first, last;
  VisibleCopies(c, x1, y1, x2, y2, b, &first, &last);
  for (i64 j = first; j <= last; ++j) {
    c.Offset(j, &ox, &oy);
    Segment(t, x1 + ox, y1 + oy, x2 + ox, y2 + oy);
  }
}

// The paint context's picture within the current draw place.
bool CurrentPicture(Picture* p, DWORD pixel) {
  const TPaintContext& c = PaintContext;
  if (c.PictureTop == nullptr || c.BytesPerPixel != 4 || c.Stride < 4) return false;
  const i64 width = Min(c.ImageWidth, c.Stride / 4), height = Min(c.ImageHeight, c.PictureHeight);
  if (width < 1 || height < 1) return false;
  p->Top = reinterpret_cast<DWORD*>(c.PictureTop);
  p->Words = c.Stride / 4;
  p->Clip = {0, 0, width, height};
  p->Pixel = pixel;
  return true;
}

// --- Even-odd fill of a top-down mask ---

struct FillMask {
  DWORD* Bits;
  i64 Words;   // per row
  i64 Width;   // Words * 32
  i64 Height;
};

// Inverts the bits of row y from column x to the row's end; rows outside
// are left alone, a column left of the mask inverts the whole row.
void Toggle(const FillMask& m, i64 y, i64 x) {
  if (y < 0 || y >= m.Height || x >= m.Width) return;
  if (x < 0) x = 0;
  DWORD* row = m.Bits + y * m.Words;
  i64 k = x >> 5;
  row[k] ^= 0xFFFFFFFFu >> (x & 31);
  for (++k; k < m.Words; ++k) row[k] = ~row[k];
}

// The toggles of the edge p -> q (p != q): one per row it crosses, at the
// column where the edge's walk enters that row (steep edges walked
// downwards, flat ones rightwards), a horizontal edge once at its right
// end. With skip set the row of p is not toggled. Only rows of the mask
// are visited.
void ToggleEdge(const FillMask& m, i64 px, i64 py, i64 qx, i64 qy, bool skip) {
  const i64 dx = qx - px, dy = qy - py;
  const i64 cx = Abs(dx) + 1, cy = Abs(dy) + 1;
  if (dy == 0) {
    if (!skip) Toggle(m, py, Max(px, qx));
    return;
  }
  if (cx <= cy) {
    const bool down = dy > 0;  // walked from p
    const i64 x0 = down ? px : qx, y0 = down ? py : qy;
    const int dir = (down ? dx : -dx) < 0 ? -1 : 1;
    i64 k0 = 0, k1 = cy - 1;
    if (skip && down) k0 = 1;
    if (skip && !down) k1 = cy - 2;
    k0 = Max(k0, -y0);
    k1 = Min(k1, m.Height - 1 - y0);
    if (k0 > k1) return;
    const i128 s = i128(k0) * cx;
    i64 q = static_cast<i64>(s / cy), r = static_cast<i64>(s % cy);
    for (i64 k = k0; k <= k1; ++k) {
      Toggle(m, y0 + k, x0 + dir * q);
      r += cx;
      if (r >= cy) ++q, r -= cy;
    }
    return;
  }
  const bool right = dx > 0;  // walked from p
  const i64 x0 = right ? px : qx, y0 = right ? py : qy;
  const int dir = (right ? dy : -dy) < 0 ? -1 : 1;
  i64 r0 = 0, r1 = cy - 1;
  if (skip && right) r0 = 1;
  if (skip && !right) r1 = cy - 2;
  if (dir > 0) {
    r0 = Max(r0, -y0);
    r1 = Min(r1, m.Height - 1 - y0);
  } else {
    r0 = Max(r0, y0 - (m.Height - 1));
    r1 = Min(r1, y0);
  }
  if (r0 > r1) return;
  // Row r of the walk begins at column ceil(r * cx / cy).
  const i128 s = i128(r0) * cx;
  i64 q = static_cast<i64>(s / cy), rem = static_cast<i64>(s % cy);
  const i64 stepQ = cx / cy, stepR = cx % cy;
  for (i64 r = r0; r <= r1; ++r) {
    Toggle(m, y0 + dir * r, x0 + q + (rem > 0));
    q += stepQ;
    rem += stepR;
    if (rem >= cy) ++q, rem -= cy;
  }
}

// Edge-flag fill of all parts together: after the toggles a bit is set when
// an odd number of toggles lie at or left of it in its row. An edge running
// on in the direction of the one before does not toggle its first row, so a
// vertex passed through counts once and a turning one twice. Parts of 1 to
// 3 points are left out; a part of 0 or fewer points ends the fill.
void FillParts(const FillMask& m, const POLYDATA* data) {
  const POINT* p = data->Points;
  for (LONG i = 0; i < data->Count; ++i) {
    const LONG n = data->PolyCounts[i];
    if (n <= 0) return;
    if (n > 3) {
      int previous = 1;  // the closing edge is taken to run downwards
      for (LONG j = 1; j < n; ++j) {
        const POINT& a = p[j - 1];
        const POINT& b = p[j];
        if (a.x == b.x && a.y == b.y) continue;
        const int direction = b.y >= a.y ? 1 : 0;
        ToggleEdge(m, a.x, a.y, b.x, b.y, direction == previous);
        previous = direction;
      }
      if (previous != 1) Toggle(m, p[n - 1].y, p[n - 1].x);
    }
    p += n;
  }
}

}  // namespace

int SegmentWalkMeets(POINT a, POINT b, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  const Box box{left, top, right, bottom};
  if (Inside(box, a.x, a.y) || Inside(box, b.x, b.y)) return 1;
  if ((a.x < left && b.x < left) || (a.x >= right && b.x >= right) || (a.y < top && b.y < top) ||
      (a.y >= bottom && b.y >= bottom))
    return 0;
  Walk w;
  StartWalk(a.x, a.y, b.x, b.y, w);
  return ClipWalk(w, box) ? 1 : 0;
}

void RasterThinPolyline(const POLYDATA* data, DWORD pixel) {
  Picture p;
  if (!HasParts(data) || !CurrentPicture(&p, pixel)) return;
  ThinPolyline(p, data);
}

void RasterThickPolyline(const POLYDATA* data, LONG thickness, DWORD pixel) {
  if (thickness < 2) {
    RasterThinPolyline(data, pixel);
    return;
  }
  Picture p;
  if (!HasParts(data) || !CurrentPicture(&p, pixel)) return;
  ForEachSegment(data, [&](const POINT& a, const POINT& b) {
    const Copies c = ThickCopies(i64(b.x) - a.x, i64(b.y) - a.y, thickness);
    CopiesOf(p, a.x, a.y, b.x, b.y, c);
  });
}

void RasterLine(const POLYDATA* data, const RASTERLINE* line, float scale) {
  if (line == nullptr) return;
  LONG t = line->Thickness / 250;
  if (scale > 0.001) t = TruncatePixel(double(t) * scale);
  RasterThickPolyline(data, t, line->Pixel);
}

void RasterLineByIndex(const POLYDATA* data, const RASTERINDEXLINE* line, float scale) {
  if (line == nullptr) return;
  LONG t = line->Thickness;
  if (scale > 0.01) t = TruncatePixel(double(t) * scale);
  RasterThickPolyline(data, t, PaintContext.ColorsB[line->Index]);
}

void RasterMaskPolyline(const MASKLINECONTEXT* context, const POLYDATA* data, int thickness) {
  if (context == nullptr || !HasParts(data) || context->Row0 == nullptr ||
      reinterpret_cast<uintptr_t>(context->Row0) % 4 != 0)
    return;
  Mask m;
  m.Row0 = reinterpret_cast<DWORD*>(context->Row0);
  m.Words = context->RowBytes / 4;
  m.X0 = context->X0;
  m.Y0 = context->Y0;
  m.Clip = {Max(context->X0, 0), Max(context->Y0, 0), context->Right, context->Bottom};
  if (m.Clip.Left >= m.Clip.Right || m.Clip.Top >= m.Clip.Bottom) return;
  const i64 t = thickness < 1 ? 1 : thickness, half = t / 2;
  ForEachSegment(data, [&](const POINT& a, const POINT& b) {
    const bool steep = Abs(i64(b.x) - a.x) <= Abs(i64(b.y) - a.y);
    const Copies c = steep ? Copies{Copies::AcrossX, t, -half, 0, 0}
                           : Copies{Copies::AcrossY, t, 0, -half, 0};
    CopiesOf(m, a.x, a.y, b.x, b.y, c);
  });
}

int PaintObjectToMask(const POLYDATA* data, DWORD* mask, int width, int height) {
  if (!HasParts(data) || mask == nullptr || width < 32 || height < 1) return 0;
  const i64 words = width / 32;
  std::memset(mask, 0, static_cast<size_t>(words) * height * sizeof(DWORD));
  FillParts(FillMask{mask, words, words * 32, height}, data);
  const MASKLINECONTEXT outline{0, 0, reinterpret_cast<BYTE*>(mask),
                                static_cast<LONG>(-words * 4), static_cast<LONG>(words * 32),
                                height};
  RasterMaskPolyline(&outline, data, 3);
  return 1;
}
