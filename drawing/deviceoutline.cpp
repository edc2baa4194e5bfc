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
#include "drawing/wideband.h"

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

}  // namespace

namespace wideband {

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

KeptOffset keptOffsets[2 * kOffsetsReach + 1][2 * kOffsetsReach + 1];

}  // namespace wideband

void FillDevicePolygon(HDC dc, POLYDATA* data, COLORREF color) {
  if (!HasParts(data)) return;
  // One small ring on a picture context goes straight into its picture.
  PICTUREPEN picture;
  if (data->Count == 1 && data->PolyCounts[0] >= 2 && data->PolyCounts[0] <= PICTURE_RING_MAX &&
      TakePicturePen(dc, color, &picture)) {
    PaintPictureRing(picture, data->Points, data->PolyCounts[0]);
    return;
  }
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
  using namespace wideband;
  if (!HasParts(data) || line == nullptr || !(width > 0.0)) return;
  const double h = width * 0.5;
  // The half width in whole pixels, held below 2^40: past that no point of
  // 32 bits tells the difference, and the 64-bit sums below cannot overflow.
  constexpr double kHalfMost = double(i64(1) << 40);
  const i64 below = static_cast<i64>(std::floor(std::min(h, kHalfMost)));
  const i64 above = static_cast<i64>(std::ceil(std::min(h, kHalfMost)));
  const Window win{-below, -below,
                   TruncatePixel(std::ceil(PaintContext.ImageWidth + h)),
                   TruncatePixel(std::ceil(PaintContext.ImageHeight + h))};
  // On a picture context the bands go straight into its picture.
  PICTUREPEN pen;
  const bool picture = TakePicturePen(dc, line->Color, &pen);
  POINT band[6];
  LONG bandCount = 6;
  POLYDATA poly{};
  poly.Points = band;
  poly.PolyCounts = &bandCount;
  poly.Count = 1;
  poly.MinX = SaturatePixel(win.Left), poly.MinY = SaturatePixel(win.Top);
  poly.MaxX = SaturatePixel(win.Right), poly.MaxY = SaturatePixel(win.Bottom);
  const auto paint = [&](POINT a, POINT b, POINT o, POINT join) {
    band[0] = Minus(a, o);
    band[1] = join;
    band[2] = Plus(a, o);
    band[3] = Plus(b, o);
    band[4] = Minus(b, o);
    band[5] = band[0];
    if (picture) {
      PaintPictureRing(pen, band, 5);  // the ring closes itself
    } else {
      bandCount = 6;
      FillDevicePolygon(dc, &poly, line->Color);
    }
  };
  // A part whose bands all lie inside the picture (its points two pixels
  // or more inside) goes there without a test of their corners against
  // its edges.
  const i64 reach = picture ? above + 1 : 0;
  const bool near = picture && reach < pen.Width && reach < pen.Height &&
                    pen.Width < kExactTurn && pen.Height < kExactTurn;

  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) return;
    const POINT* q = p;
    p += n;
    if (n < 2) continue;
    if (near && WithinBy(q, n, reach, pen.Width, pen.Height))
      PaintPictureBandsInside(pen, q, n, h);
    else
      WalkBands(win, q, n, h, paint);
  }
}
