// Dashed, thick and banded lines of the memory image (see dashline.h).
#include "drawing/dashline.h"

#include <algorithm>
#include <cstdint>

#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

DIBLINESTATE DibLineState = {};

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

inline i64 Abs(i64 v) { return v < 0 ? -v : v; }
inline int Sign(i64 v) { return v < 0 ? -1 : 1; }

// The dash phase of the line state, held wide while stepping.
struct Phase {
  int State;
  i64 Left;

  static Phase Load() { return Phase{DibLineState.State != 0, DibLineState.Left}; }
  void Store() const {
    DibLineState.State = State;
    DibLineState.Left = SaturatePixel(Left);
  }
  static i64 Run(int state) { return state ? DibLineState.Dash : DibLineState.Gap; }
  // Pixels a whole run of the state takes.
  static i64 Take(int state) { return std::max<i64>(Run(state), 1); }

  // Starts a run when none is left; true when the next pixel is written.
  bool Next() {
    if (Left < 1) State ^= 1, Left = Run(State);
    return State != 0;
  }

  // The phase n pixels on, without stepping them one by one.
  void Skip(i64 n) {
    if (n <= 0) return;
    const i64 rest = std::max<i64>(Left, 0);
    if (n <= rest) {
      Left -= n;
      return;
    }
    n -= rest;
    Left -= rest;
    // One whole run (or the part of it that n reaches), then whole pairs
    // of runs bring the phase back to the same state and pixels left.
    State ^= 1, Left = Run(State);
    i64 take = std::min(n, Take(State));
    Left -= take, n -= take;
    if (n == 0) return;
    n %= Take(0) + Take(1);
    while (n > 0) {
      State ^= 1, Left = Run(State);
      take = std::min(n, Take(State));
      Left -= take, n -= take;
    }
  }
};

// The picture: pixel (x, y) is word x of the row at Top - y * stride.
struct Picture {
  DWORD* Top;
  intptr_t Words;
  i64 Width, Height;
};

bool PictureOf(Picture* p) {
  const TPaintContext& c = PaintContext;
  if (c.PictureTop == nullptr || c.Stride < 4) return false;
  p->Top = reinterpret_cast<DWORD*>(c.PictureTop);
  p->Words = c.Stride / 4;
  p->Width = std::min<i64>(c.ImageWidth, c.Stride / 4);
  p->Height = std::min<i64>(c.ImageHeight, c.PictureHeight);
  return p->Width > 0 && p->Height > 0;
}

// The walk of one edge from its start: pixel k lies k steps along the
// major axis and floor(k * Minor / Major) along the minor one.
struct Walk {
  bool Steep;
  i64 X, Y;        // start
  int MajorStep;   // +1 or -1 along the major axis
  int MinorStep;   // along the minor axis
  i64 Major, Minor;
};

Walk WalkOf(i64 x1, i64 y1, i64 x2, i64 y2) {
  const i64 dx = x2 - x1, dy = y2 - y1, cx = Abs(dx) + 1, cy = Abs(dy) + 1;
  Walk w;
  w.Steep = cx <= cy;
  w.X = x1, w.Y = y1;
  w.MajorStep = Sign(w.Steep ? dy : dx);
  w.MinorStep = Sign(w.Steep ? dx : dy);
  w.Major = w.Steep ? cy : cx;
  w.Minor = w.Steep ? cx : cy;
  return w;
}

// The pixels k = first .. last of the walk that lie in the picture, or
// false when none does. Each axis bounds k from both sides: the major
// coordinate moves one per pixel, the minor steps never go back.
bool VisibleRun(const Walk& w, const Picture& p, i64* first, i64* last) {
  const i64 major0 = w.Steep ? w.Y : w.X, minor0 = w.Steep ? w.X : w.Y;
  const i64 majorHi = (w.Steep ? p.Height : p.Width) - 1;
  const i64 minorHi = (w.Steep ? p.Width : p.Height) - 1;
  i64 a = 0, b = w.Major - 1;
  if (w.MajorStep > 0)
    a = std::max(a, -major0), b = std::min(b, majorHi - major0);
  else
    a = std::max(a, major0 - majorHi), b = std::min(b, major0);
  // Minor steps q(k) = floor(k * Minor / Major) within lo .. hi.
  const i64 lo = w.MinorStep > 0 ? -minor0 : minor0 - minorHi;
  const i64 hi = w.MinorStep > 0 ? minorHi - minor0 : minor0;
  if (a > b || hi < 0) return false;
  if (lo > 0) {
    const i128 k = (i128(lo) * w.Major + w.Minor - 1) / w.Minor;
    if (k > b) return false;
    a = std::max(a, static_cast<i64>(k));
  }
  const i128 k = ((i128(hi) + 1) * w.Major - 1) / w.Minor;
  if (k < b) b = static_cast<i64>(k);
  if (a > b) return false;
  *first = a, *last = b;
  return true;
}

// Steps the edge with the dash phase, writing the pixels inside the
// picture; the phase ends as after the whole edge.
void StepEdge(const Picture& p, i64 x1, i64 y1, i64 x2, i64 y2, Phase& phase, DWORD pixel) {
  const Walk w = WalkOf(x1, y1, x2, y2);
  i64 first, last;
  if (!VisibleRun(w, p, &first, &last)) {
    phase.Skip(w.Major);
    return;
  }
  phase.Skip(first);
  const i128 steps = i128(first) * w.Minor;
  const i64 q = static_cast<i64>(steps / w.Major);
  i64 e = w.Major - static_cast<i64>(steps % w.Major);
  const i64 x = w.Steep ? w.X + w.MinorStep * q : w.X + w.MajorStep * first;
  const i64 y = w.Steep ? w.Y + w.MajorStep * first : w.Y + w.MinorStep * q;
  intptr_t at = static_cast<intptr_t>(x - y * p.Words);
  const intptr_t major = w.Steep ? -p.Words * w.MajorStep : w.MajorStep;
  const intptr_t minor = w.Steep ? w.MinorStep : -p.Words * w.MinorStep;
  const i64 a = w.Major, b = w.Minor;
  DWORD* const top = p.Top;
  for (i64 n = last - first + 1; n > 0; --n) {
    if (phase.Next()) top[at] = pixel;
    --phase.Left;
    at += major;
    e -= b;
    if (e < 1) at += minor, e += a;
  }
  phase.Skip(w.Major - 1 - last);
}

// A family of parallel copies of one edge: copy i starts at the first
// start moved ceil(i / 2) times by the even step and floor(i / 2) times by
// the odd one (the same step twice for straight copies).
struct Copies {
  i64 X, Y;        // start of copy 0
  i64 Count;
  int EvenX, EvenY, OddX, OddY;

  i64 ShiftX(i64 i) const { return (i + 1) / 2 * EvenX + i / 2 * OddX; }
  i64 ShiftY(i64 i) const { return (i + 1) / 2 * EvenY + i / 2 * OddY; }
};

// The copies i whose v(i) lies in lo .. hi, v monotone in i: [*a, *b].
template <class V>
void Narrow(i64 count, V v, i64 lo, i64 hi, i64* a, i64* b) {
  const bool up = v(count - 1) >= v(0);
  // First copy at or past lo (up) or at or below hi (down).
  i64 l = 0, r = count;
  while (l < r) {
    const i64 m = l + (r - l) / 2;
    if (up ? v(m) >= lo : v(m) <= hi) r = m; else l = m + 1;
  }
  *a = std::max(*a, l);
  l = -1, r = count - 1;
  while (l < r) {  // last copy at or below hi (up) or at or past lo (down)
    const i64 m = r - (r - l) / 2;
    if (up ? v(m) <= hi : v(m) >= lo) l = m; else r = m - 1;
  }
  *b = std::min(*b, l);
}

// Draws the copies of the edge (dx, dy) from one dash phase; the phase
// goes on as after the edge.
void DrawCopies(const Picture& p, const Copies& c, i64 dx, i64 dy, Phase& phase, DWORD pixel) {
  const Phase start = phase;
  const i64 major = std::max(Abs(dx), Abs(dy)) + 1;
  phase.Skip(major);
  // Only the copies whose box meets the picture.
  i64 a = 0, b = c.Count - 1;
  Narrow(c.Count, [&](i64 i) { return c.X + c.ShiftX(i); }, -std::max<i64>(dx, 0),
         p.Width - 1 - std::min<i64>(dx, 0), &a, &b);
  Narrow(c.Count, [&](i64 i) { return c.Y + c.ShiftY(i); }, -std::max<i64>(dy, 0),
         p.Height - 1 - std::min<i64>(dy, 0), &a, &b);
  for (i64 i = a; i <= b; ++i) {
    Phase copy = start;
    const i64 x = c.X + c.ShiftX(i), y = c.Y + c.ShiftY(i);
    StepEdge(p, x, y, x + dx, y + dy, copy, pixel);
  }
}

// Sets the line state's current edge.
void SetEdge(i64 x1, i64 y1, i64 x2, i64 y2) {
  DIBLINESTATE& s = DibLineState;
  s.X1 = LONG(x1), s.Y1 = LONG(y1), s.X2 = LONG(x2), s.Y2 = LONG(y2);
  s.Dx = SaturatePixel(x2 - x1), s.Dy = SaturatePixel(y2 - y1);
  s.CountX = SaturatePixel(Abs(x2 - x1) + 1), s.CountY = SaturatePixel(Abs(y2 - y1) + 1);
}

// The copies of one edge of a thick line of thickness t.
Copies ThickCopies(i64 x0, i64 y0, i64 dx, i64 dy, i64 t) {
  const i64 h = t / 2, a = Abs(dy) + 1, b = Abs(dx) + 1;
  const bool same = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
  if (a >= b && a / b >= 2) return Copies{x0 - h, y0, t, 1, 0, 1, 0};
  if (a >= b)
    return Copies{x0 - (h + 1) / 2, same ? y0 + h / 2 : y0 - h / 2, t + 1, 1, 0, 0, same ? -1 : 1};
  if (b / a >= 2) return Copies{x0, y0 - h, t, 0, 1, 0, 1};
  return Copies{same ? x0 + h / 2 : x0 - h / 2, y0 - (h + 1) / 2, t + 1, 0, 1, same ? -1 : 1, 0};
}

// The copies of one edge of a band of thickness t at offset o.
Copies BandCopies(i64 x0, i64 y0, i64 dx, i64 dy, i64 t, i64 o) {
  const i64 a = Abs(dy) + 1, b = Abs(dx) + 1, d = t + o;
  const bool same = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
  if (a >= b && a / b >= 2)
    return dy <= 0 ? Copies{x0 + o, y0, t, 1, 0, 1, 0} : Copies{x0 - d, y0, t, 1, 0, 1, 0};
  if (a >= b) {
    if (same)
      return dy <= 0 ? Copies{x0 + o / 2, y0 - o / 2, t + 1, 1, 0, 0, -1}
                     : Copies{x0 - (d + 1) / 2, y0 + d / 2, t + 1, 1, 0, 0, -1};
    return dy <= 0 ? Copies{x0 + o / 2, y0 + o / 2, t + 1, 1, 0, 0, 1}
                   : Copies{x0 - (d + 1) / 2, y0 - d / 2, t + 1, 1, 0, 0, 1};
  }
  if (b / a >= 2)
    return dx < 0 ? Copies{x0, y0 - d, t, 0, 1, 0, 1} : Copies{x0, y0 + o, t, 0, 1, 0, 1};
  if (same)
    return dx >= 0 ? Copies{x0 - o / 2, y0 + o / 2, t + 1, 0, 1, -1, 0}
                   : Copies{x0 + d / 2, y0 - (d + 1) / 2, t + 1, 0, 1, -1, 0};
  return dx >= 0 ? Copies{x0 + o / 2, y0 + o / 2, t + 1, 0, 1, 1, 0}
                 : Copies{x0 - d / 2, y0 - (d + 1) / 2, t + 1, 0, 1, 1, 0};
}

// Walks the parts of a polyline set, passing over runs of edges that lie
// wholly beyond one side of the picture widened by the margin, and hands
// every other edge to draw(x1, y1, x2, y2, phase).
template <class Draw>
void WalkLine(const POLYDATA* data, const Picture& p, i64 margin, Draw draw) {
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr) return;
  const DIBLINESTATE& s = DibLineState;
  DibLineState.HalfWidth = SaturatePixel(margin);
  const POINT* pt = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) return;
    Phase phase{1, s.Dash};
    bool away = false;  // the last edge was passed over
    for (LONG i = 1; i < n; ++i) {
      const i64 x1 = pt[i - 1].x, y1 = pt[i - 1].y, x2 = pt[i].x, y2 = pt[i].y;
      if ((x1 < -margin && x2 < -margin) || (x1 >= p.Width + margin && x2 >= p.Width + margin) ||
          (y1 < -margin && y2 < -margin) || (y1 >= p.Height + margin && y2 >= p.Height + margin)) {
        away = true;
        continue;
      }
      if (away) phase = Phase{1, s.Dash}, away = false;
      SetEdge(x1, y1, x2, y2);
      draw(x1, y1, x2, y2, phase);
      ++phase.Left;  // the end pixel starts the next edge
    }
    phase.Store();
    pt += n;
  }
}

void StepCurrentEdge() {
  Picture p;
  if (!PictureOf(&p)) return;
  const DIBLINESTATE& s = DibLineState;
  Phase phase = Phase::Load();
  StepEdge(p, s.X1, s.Y1, s.X2, s.Y2, phase, s.Pixel);
  ++phase.Left;
  phase.Store();
}

}  // namespace

void StepSteep() { StepCurrentEdge(); }
void StepFlat() { StepCurrentEdge(); }
void StepSteepClipped() { StepCurrentEdge(); }
void StepFlatClipped() { StepCurrentEdge(); }

void DrawThinLine(const POLYDATA* data) {
  Picture p;
  if (!PictureOf(&p)) return;
  const DWORD pixel = DibLineState.Pixel;
  WalkLine(data, p, 0, [&](i64 x1, i64 y1, i64 x2, i64 y2, Phase& phase) {
    StepEdge(p, x1, y1, x2, y2, phase, pixel);
  });
}

void DrawThickLine(const POLYDATA* data) {
  Picture p;
  if (!PictureOf(&p)) return;
  const i64 t = std::max<LONG>(DibLineState.Thickness, 1);
  const DWORD pixel = DibLineState.Pixel;
  WalkLine(data, p, t / 2, [&](i64 x1, i64 y1, i64 x2, i64 y2, Phase& phase) {
    const i64 dx = x2 - x1, dy = y2 - y1;
    DrawCopies(p, ThickCopies(x1, y1, dx, dy, t), dx, dy, phase, pixel);
  });
}

void DrawBandLine(const POLYDATA* data, int offset) {
  Picture p;
  if (!PictureOf(&p)) return;
  const i64 o = std::clamp(offset, -64, 64);
  const i64 t = std::clamp<LONG>(DibLineState.Thickness, 1, 128);
  const DWORD pixel = DibLineState.Pixel;
  WalkLine(data, p, std::max(Abs(t + o), t), [&](i64 x1, i64 y1, i64 x2, i64 y2, Phase& phase) {
    const i64 dx = x2 - x1, dy = y2 - y1;
    DrawCopies(p, BandCopies(x1, y1, dx, dy, t, o), dx, dy, phase, pixel);
  });
}

void DrawRightBand(const POLYDATA* data) {
  DrawBandLine(data, std::clamp<LONG>(DibLineState.Thickness, -64, 64));
}

void DrawLeftBand(const POLYDATA* data) {
  DrawBandLine(data, -std::clamp<LONG>(DibLineState.Thickness, -64, 64));
}

void DrawDibLine(const POLYDATA* data, int thickness, int dash, DWORD pixel, int gap) {
  DIBLINESTATE& s = DibLineState;
  s.Thickness = thickness > 64 ? 64 : thickness < 0 ? 1 : thickness;
  s.Dash = dash;
  s.Gap = gap;
  s.Pixel = pixel;
  s.State = 1;
  s.Left = dash;
  if (s.Thickness < 2)
    DrawThinLine(data);
  else
    DrawThickLine(data);
}
