// Device fills, chunked polylines, thin device lines laid like the memory
// image's, and wide lines as bevelled bands.
#include "drawing/deviceoutline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "devices/devdraw.h"
#include "drawing/paintcontext.h"
#include "drawing/parmwords.h"
#include "drawing/pictureband.h"
#include "drawing/pixelmath.h"

DEVICEPAINTSTATE DevicePaintState = {DT_RASDISPLAY, 0, 0};
LONG PaintExampleSwitch = 0;

namespace {

using i64 = int64_t;

inline i64 Abs(i64 v) { return v < 0 ? -v : v; }

// --- Thin device lines ---

// The segment's ends both lie more than h beyond one edge of the painting
// area.
bool BeyondOneEdge(i64 x1, i64 y1, i64 x2, i64 y2, i64 h) {
  const i64 w = DevicePaintState.Width, ht = DevicePaintState.Height;
  return (x1 < -h && x2 < -h) || (y1 < -h && y2 < -h) || (x1 >= w + h && x2 >= w + h) ||
         (y1 >= ht + h && y2 >= ht + h);
}

// The device, or the picture it shows when the picture can take the line.
struct LineTarget {
  HDC Dc;
  bool Picture;
  PICTUREPEN Pen;
};

void Line(const LineTarget& to, i64 x1, i64 y1, i64 x2, i64 y2) {
  const POINT a{SaturatePixel(x1), SaturatePixel(y1)}, b{SaturatePixel(x2), SaturatePixel(y2)};
  if (to.Picture)
    PaintPictureLine(to.Pen, a, b);
  else
    DrawLine(to.Dc, a.x, a.y, b.x, b.y);
}

// One segment of thickness t as one-pixel copies: shifted across it, or
// on a staircase near the diagonal.
void ThickSegment(const LineTarget& to, i64 x1, i64 y1, i64 x2, i64 y2, i64 t) {
  const i64 h = t / 2;
  if (BeyondOneEdge(x1, y1, x2, y2, h)) return;
  const i64 dx = x2 - x1, dy = y2 - y1;
  if (t < 2) {
    Line(to, x1, y1, x2, y2);
    return;
  }
  const i64 cx = Abs(dx) + 1, cy = Abs(dy) + 1;
  const bool same = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
  if (cx <= cy) {
    if (cy / cx >= 2) {
      for (i64 i = 0; i < t; ++i) Line(to, x1 - h + i, y1, x2 - h + i, y2);
      return;
    }
    i64 x = x1 - (h + 1) / 2, y = same ? y1 + h / 2 : y1 - h / 2;
    for (i64 i = 0; i <= t; ++i) {
      Line(to, x, y, x + dx, y + dy);
      if (i % 2 != 0)
        y += same ? -1 : 1;
      else
        ++x;
    }
    return;
  }
  if (cx / cy >= 2) {
    for (i64 i = 0; i < t; ++i) Line(to, x1, y1 - h + i, x2, y2 - h + i);
    return;
  }
  i64 x = same ? x1 + h / 2 : x1 - h / 2, y = y1 - (h + 1) / 2;
  for (i64 i = 0; i <= t; ++i) {
    Line(to, x, y, x + dx, y + dy);
    if (i % 2 != 0)
      x += same ? -1 : 1;
    else
      ++y;
  }
}

void DrawThinDeviceLines(HDC dc, POLYDATA* data, const DEVICELINE* line) {
  const i64 t = line->Thickness < 1 ? 1 : line->Thickness;
  const DevicePen pen = SelectDevicePen(dc, 1, line->Color);
  LineTarget to{dc, false, {}};
  to.Picture = TakePicturePen(dc, line->Color, &to.Pen);
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    if (n == 1) ThickSegment(to, p[0].x, p[0].y, p[0].x, p[0].y, t);
    for (LONG i = 1; i < n; ++i) ThickSegment(to, p[i - 1].x, p[i - 1].y, p[i].x, p[i].y, t);
    p += n;
  }
  RestoreDevicePen(dc, pen);
}

// --- Wide lines ---

struct Window {
  i64 Left, Top, Right, Bottom;  // right and bottom exclusive
};

int Outcode(const Window& w, POINT p) {
  int code = 0;
  if (p.x < w.Left) code |= 1;
  if (p.x >= w.Right) code |= 2;
  if (p.y < w.Top) code |= 4;
  if (p.y >= w.Bottom) code |= 8;
  return code;
}

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

// Half the width across the direction from a to b, to the left of the
// direction of travel (up for travel to the right on the screen).
POINT Offset(POINT a, POINT b, double h) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  double ux, uy;
  if (dx == 0.0) {
    ux = 0.0, uy = dy > 0.0 ? 1.0 : -1.0;
  } else if (dy == 0.0) {
    ux = dx > 0.0 ? 1.0 : -1.0, uy = 0.0;
  } else {
    const double d = std::sqrt(dx * dx + dy * dy);
    ux = dx / d, uy = dy / d;
  }
  return POINT{NearestPixel(uy * h), NearestPixel(-ux * h)};
}

// The offsets of short segments, each kept with the half width it was
// made for: the bands of a wide line take the same few over and over.
constexpr i64 kOffsetsReach = 8;
struct KeptOffset {
  double H;  // 0 until made
  POINT O;
};
KeptOffset keptOffsets[2 * kOffsetsReach + 1][2 * kOffsetsReach + 1];

// Offset, for a short segment as kept.
inline POINT OffsetOf(POINT a, POINT b, double h) {
  const uint64_t x = uint64_t(i64(b.x) - a.x + kOffsetsReach);
  const uint64_t y = uint64_t(i64(b.y) - a.y + kOffsetsReach);
  if (x > 2 * kOffsetsReach || y > 2 * kOffsetsReach) return Offset(a, b, h);
  KeptOffset& kept = keptOffsets[y][x];
  if (kept.H != h) kept = KeptOffset{h, Offset(a, b, h)};
  return kept.O;
}

POINT Plus(POINT a, POINT o) {
  return POINT{SaturatePixel(i64(a.x) + o.x), SaturatePixel(i64(a.y) + o.y)};
}
POINT Minus(POINT a, POINT o) {
  return POINT{SaturatePixel(i64(a.x) - o.x), SaturatePixel(i64(a.y) - o.y)};
}

// 1 when b lies on the left of the line from a to n on the screen: the
// line a - b - n turns left at b.
int TurnsLeft(POINT a, POINT b, POINT n) {
  const double s = (double(n.x) - a.x) * (double(b.y) - a.y) - (double(b.x) - a.x) * (double(n.y) - a.y);
  return s > 0.0 ? 1 : 0;
}

// TurnsLeft for points whose coordinates lie below kExactTurn in size,
// where every product is exact and so the answer the same.
constexpr LONG kExactTurn = LONG(1) << 25;
inline int TurnsLeftNear(POINT a, POINT b, POINT n) {
  return (i64(n.x) - a.x) * (i64(b.y) - a.y) > (i64(b.x) - a.x) * (i64(n.y) - a.y) ? 1 : 0;
}

// Where the bands of a wide line go: the device, or the picture it shows.
struct Bands {
  HDC Dc;
  COLORREF Color;
  PICTUREPEN Pen;
  bool Picture;
  POINT Band[6];
  LONG Count;
  POLYDATA Poly;  // the band, for the device
};

// Every point of the part lies at least `reach` pixels inside the w x h
// picture.
bool WithinBy(const POINT* q, LONG n, i64 reach, LONG w, LONG h) {
  LONG left = q[0].x, right = q[0].x, top = q[0].y, bottom = q[0].y;
  for (LONG i = 1; i < n; ++i) {
    left = std::min(left, q[i].x), right = std::max(right, q[i].x);
    top = std::min(top, q[i].y), bottom = std::max(bottom, q[i].y);
  }
  return left >= reach && top >= reach && right < w - reach && bottom < h - reach;
}

// The bands of one part of n >= 2 points. Inside: the part lies so far
// inside the picture that every corner of its bands does (the caller has
// seen to it, the picture being smaller than kExactTurn), so no corner is
// tested against the window's edges nor saturated, turns are found in
// whole numbers, and each band goes straight into the picture.
template <bool Inside>
void PartBands(Bands& to, const Window& win, const POINT* q, LONG n, double h) {
  const auto plus = [](POINT a, POINT o) {
    return Inside ? POINT{a.x + o.x, a.y + o.y} : Plus(a, o);
  };
  const auto minus = [](POINT a, POINT o) {
    return Inside ? POINT{a.x - o.x, a.y - o.y} : Minus(a, o);
  };
  const auto outside = [&](POINT a, POINT b) {
    return !Inside && (Outcode(win, a) & Outcode(win, b)) != 0;
  };
  const auto turns = [](POINT a, POINT b, POINT n) {
    return Inside ? TurnsLeftNear(a, b, n) : TurnsLeft(a, b, n);
  };
  POINT a = q[0];
  LONG i = 1;
  while (i < n && Same(q[i], a)) ++i;
  if (i == n) return;
  bool noJoin = true;
  int turn = 0;
  POINT join{};
  if (Same(q[n - 1], a) && (Inside || Outcode(win, a) == 0)) {
    // Closed: the first band joins the closing one.
    LONG k = n - 2;
    while (Same(q[k], a)) --k;  // q[i] differs from a, so the scan stops there at the latest
    const POINT prev = q[k];
    const POINT o = OffsetOf(a, prev, h);
    turn = turns(prev, a, q[i]);
    join = turn ? plus(a, o) : minus(a, o);
    noJoin = false;
  }
  POINT* band = to.Band;
  for (; i < n; ++i) {
    const POINT b = q[i];
    if (Same(b, a)) continue;
    const POINT o = OffsetOf(a, b, h);
    if (outside(a, b)) {
      noJoin = true;
      a = b;
      continue;
    }
    if (i + 1 < n) {
      LONG k = i + 1;
      while (k < n - 1 && Same(q[k], b)) ++k;
      turn = turns(a, b, q[k]);
    }
    if (noJoin) {
      join = minus(a, o);
      noJoin = false;
    }
    if (Inside) {
      PaintPictureBandInside(to.Pen, a, b, o, join);
    } else {
      band[0] = minus(a, o);
      band[1] = join;
      band[2] = plus(a, o);
      band[3] = plus(b, o);
      band[4] = minus(b, o);
      band[5] = band[0];
      if (to.Picture) {
        PaintPictureRing(to.Pen, band, 5);  // the ring closes itself
      } else {
        to.Count = 6;
        FillDevicePolygon(to.Dc, &to.Poly, to.Color);
      }
    }
    join = turn ? minus(b, o) : plus(b, o);
    a = b;
  }
}

}  // namespace

void FillDevicePolygon(HDC dc, POLYDATA* data, COLORREF color) {
  if (!HasParts(data)) return;
  const DevicePen pen = SelectDevicePen(dc, 1, color);
  const DeviceBrush brush = SelectDeviceBrush(dc, color);
  DrawPolyPolygon(dc, data->Points, data->PolyCounts, data->Count, nullptr);
  RestoreDeviceBrush(dc, brush);
  RestoreDevicePen(dc, pen);
}

void OutputPolylineChunks(HDC dc, POLYDATA* data, const DEVICELINE* line) {
  if (!HasParts(data) || line == nullptr) return;
  const DevicePen pen = SelectDevicePen(dc, line->Thickness < 1 ? 1 : line->Thickness, line->Color);
  POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) continue;
    for (LONG first = 0;;) {
      const LONG left = n - first;
      const LONG chunk = left < POLYLINE_CHUNK ? left : POLYLINE_CHUNK;
      DrawPolyline(dc, p + first, chunk);
      if (chunk == left) break;
      first += chunk - 1;
    }
    p += n;
  }
  RestoreDevicePen(dc, pen);
}

void DrawDevicePolylines(HDC dc, POLYDATA* data, const DEVICELINE* line, double width) {
  if (!HasParts(data) || line == nullptr || line->Color == 0xFFFFFFFF) return;
  if (width > WIDE_LINE_MIN) {
    DrawWideDeviceLine(dc, data, line, width);
    return;
  }
  const LONG tech = DevicePaintState.Technology;
  if (tech == DT_PLOTTER || tech == DT_METAFILE)
    OutputPolylineChunks(dc, data, line);
  else
    DrawThinDeviceLines(dc, data, line);
}

void DrawWideDeviceLine(HDC dc, POLYDATA* data, const DEVICELINE* line, double width) {
  if (!HasParts(data) || line == nullptr || !(width > 0.0)) return;
  const double h = width * 0.5;
  const Window win{-static_cast<i64>(std::floor(h)), -static_cast<i64>(std::floor(h)),
                   TruncatePixel(std::ceil(PaintContext.ImageWidth + h)),
                   TruncatePixel(std::ceil(PaintContext.ImageHeight + h))};
  // On a picture context the bands go straight into its picture.
  Bands bands{dc, line->Color, {}, false, {}, 6, {}};
  bands.Picture = TakePicturePen(dc, line->Color, &bands.Pen);
  bands.Poly.Points = bands.Band;
  bands.Poly.PolyCounts = &bands.Count;
  bands.Poly.Count = 1;
  bands.Poly.MinX = SaturatePixel(win.Left), bands.Poly.MinY = SaturatePixel(win.Top);
  bands.Poly.MaxX = SaturatePixel(win.Right), bands.Poly.MaxY = SaturatePixel(win.Bottom);
  // A part whose bands all lie inside the picture skips every test of
  // their corners against its edges.
  const i64 reach = bands.Picture ? i64(std::ceil(h)) + 1 : 0;

  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) return;
    const POINT* q = p;
    p += n;
    if (n < 2) continue;
    if (bands.Picture && reach < bands.Pen.Width && reach < bands.Pen.Height &&
        bands.Pen.Width < kExactTurn && bands.Pen.Height < kExactTurn &&
        WithinBy(q, n, reach, bands.Pen.Width, bands.Pen.Height))
      PartBands<true>(bands, win, q, n, h);
    else
      PartBands<false>(bands, win, q, n, h);
  }
}
