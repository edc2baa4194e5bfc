// The device dash walker: thin dashes as short polylines, thick ones as
// joined bands.
#include "drawing/deviceline.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "devices/devdraw.h"
#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"
#include "geodesy/measure.h"

DEVICELINESTATE DeviceLineState = {};

namespace {

using i64 = int64_t;

constexpr double kNearLimit = 65000.0;

// Dash and gap lengths stretched so that a whole number of periods fills a
// part; a part shorter than half a period is one solid dash.
void LayoutDashes(double length, double* dash, double* gap) {
  if (*dash < 1) *dash = 1;
  if (*gap < 1) *gap = 1;
  const double period = *dash + *gap;
  LONG n = NearestClamped(length / period);
  if (n < 1) n = 1;
  if (length - n * period / 2 >= 0) {
    const double f = length / (n * period);
    *dash = std::fmax(*dash * f, 1.0);
    *gap = std::fmax(*gap * f, 1.0);
  } else {
    *dash = length + 1;
    *gap = 0;
  }
}

// A dash piece from a to b on a segment of direction (ux, uy); joined
// tells that the piece continues a dash from the segment before, whose
// outer corner is j.
struct Piece {
  POINT A, B;
  double Ux, Uy;
  bool Joined;
  POINT J;
};

// Walks the dashes of every part and hands each visible piece to draw.
// With `band` the pieces carry the join of a dash running around a corner
// (and of a closed part's first dash, from its closing segment).
template <typename Draw>
void WalkDashes(POLYDATA* data, const CLIPWINDOW& w, double margin, double half, bool band,
                bool startInGap, Draw&& draw) {
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr) return;
  const DEVICELINESTATE s = DeviceLineState;
  const POINT* pts = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG count = data->PolyCounts[part];
    if (count < 0) return;
    const POINT* p = pts;
    pts += count;
    if (count < 2) continue;
    const double length = PolylineLength(p, count);
    if (length < 1) continue;
    double dash = s.Dash, gap = s.Gap;
    LayoutDashes(length, &dash, &gap);
    const double period = dash + gap;
    bool on = !startInGap;
    double pos = startInGap ? gap / 2 : dash / 2;
    POINT start = p[0];
    bool joined = false;
    POINT join{};

    // A closed part's first dash joins the closing segment's end.
    if (band && on && p[count - 1].x == p[0].x && p[count - 1].y == p[0].y &&
        ClipOutcode(p[0], w) == 0) {
      LONG last = count - 2, next = 1;
      while (last > 0 && p[last].x == p[0].x && p[last].y == p[0].y) --last;
      while (next < count - 1 && p[next].x == p[0].x && p[next].y == p[0].y) ++next;
      double len, ux, uy;
      if (last > 0 && SegmentDirection(p[last], p[0], &len, &ux, &uy)) {
        join = JoinCorner(p[last], p[0], p[next], BandOffset(ux, uy, half));
        joined = true;
      }
    }

    for (LONG i = 1; i < count; ++i) {
      const POINT a = p[i - 1], b = p[i];
      double len, ux, uy;
      if (!SegmentDirection(a, b, &len, &ux, &uy)) continue;
      const bool clipped = (ClipOutcode(a, w) & ClipOutcode(b, w)) != 0;
      double from = 0, to = -1;
      const bool visible = !clipped && SegmentWindowRange(a, ux, uy, len, w, margin, &from, &to);
      if (!visible) {
        // Only the pattern advances; a running dash starts again at b.
        if (pos < len && period > 0) {
          const double periods = std::floor((len - pos) / period);
          if (periods > 0) pos += periods * period;
          while (pos < len) {
            on = !on;
            pos += on ? dash : gap;
          }
        }
        start = b;
        joined = false;
        pos -= len;
        continue;
      }
      // Whole periods before the window are passed over.
      if (pos + period < from && period > 0) {
        const double periods = std::floor((from - pos) / period) - 1;
        if (periods > 0) {
          pos += periods * period;
          if (on) start = PointAlong(a, ux, uy, pos - dash), joined = false;
        }
      }
      while (pos < len) {
        const POINT q = PointAlong(a, ux, uy, pos);
        if (on) {
          draw(Piece{start, q, ux, uy, joined, join});
          joined = false;
          on = false;
          pos += gap;
        } else {
          start = q;
          joined = false;
          on = true;
          pos += dash;
        }
        // Whole periods after the window are passed over.
        if (pos > to + period && period > 0) {
          const double periods = std::floor((len - pos) / period);
          if (periods > 0) {
            pos += periods * period;
            if (on) start = PointAlong(a, ux, uy, pos - dash), joined = false;
          }
        }
      }
      if (on) {
        // The running dash is drawn to the corner and goes on from there.
        draw(Piece{start, b, ux, uy, joined, join});
        if (band) {
          LONG next = i + 1;
          while (next < count && p[next].x == b.x && p[next].y == b.y) ++next;
          join = JoinCorner(a, b, next < count ? p[next] : b, BandOffset(ux, uy, half));
          joined = next < count;
        }
        start = b;
      }
      pos -= len;
    }
  }
}

}  // namespace

CLIPWINDOW ImageClipWindow(double widen) {
  if (!(widen >= 0)) widen = 0;
  if (widen > kNearLimit) widen = kNearLimit;
  const TPaintContext& c = PaintContext;
  return CLIPWINDOW{-i64(std::floor(widen)), -i64(std::floor(widen)),
                    i64(std::ceil(c.ImageWidth + widen)), i64(std::ceil(c.ImageHeight + widen))};
}

int ClipOutcode(POINT p, const CLIPWINDOW& w) {
  int code = 0;
  if (p.x < w.Left)
    code |= 1;
  else if (p.x >= w.Right)
    code |= 2;
  if (p.y < w.Top)
    code |= 4;
  else if (p.y >= w.Bottom)
    code |= 8;
  return code;
}

bool SegmentDirection(POINT a, POINT b, double* length, double* ux, double* uy) {
  const i64 dx = i64(b.x) - a.x, dy = i64(b.y) - a.y;
  if (dx == 0 && dy == 0) return false;
  if (dx == 0) {
    *length = double(dy < 0 ? -dy : dy);
    *ux = 0.0, *uy = dy > 0 ? 1.0 : -1.0;
  } else if (dy == 0) {
    *length = double(dx < 0 ? -dx : dx);
    *ux = dx > 0 ? 1.0 : -1.0, *uy = 0.0;
  } else {
    *length = std::sqrt(double(dx) * double(dx) + double(dy) * double(dy));
    *ux = double(dx) / *length, *uy = double(dy) / *length;
  }
  return true;
}

POINT PointAlong(POINT a, double ux, double uy, double s) {
  return POINT{NearestClamped(a.x + ux * s), NearestClamped(a.y + uy * s)};
}

bool SegmentWindowRange(POINT a, double ux, double uy, double length, const CLIPWINDOW& w,
                        double margin, double* from, double* to) {
  double lo = 0.0, hi = length;
  const double start[2] = {double(a.x), double(a.y)};
  const double dir[2] = {ux, uy};
  const double low[2] = {double(w.Left) - margin, double(w.Top) - margin};
  const double high[2] = {double(w.Right) + margin, double(w.Bottom) + margin};
  for (int k = 0; k < 2; ++k) {
    if (dir[k] == 0.0) {
      if (start[k] < low[k] || start[k] > high[k]) return false;
      continue;
    }
    double s1 = (low[k] - start[k]) / dir[k], s2 = (high[k] - start[k]) / dir[k];
    if (s1 > s2) std::swap(s1, s2);
    if (s1 > lo) lo = s1;
    if (s2 < hi) hi = s2;
  }
  *from = lo, *to = hi;
  return lo <= hi;
}

LONG NearestClamped(double v) {
  if (!(v == v)) return 0;
  if (v > kNearLimit) v = kNearLimit;
  if (v < -kNearLimit) v = -kNearLimit;
  return static_cast<LONG>(v >= 0 ? v + 0.5 : v - 0.5);
}

double PolylineLength(const POINT* points, int count) {
  if (points == nullptr || count < 2) return 0.0;
  double sum = 0.0;
  for (int i = 1; i < count; ++i) {
    const i64 dx = i64(points[i].x) - points[i - 1].x, dy = i64(points[i].y) - points[i - 1].y;
    if (dx == 0)
      sum += double(dy < 0 ? -dy : dy);
    else if (dy == 0)
      sum += double(dx < 0 ? -dx : dx);
    else
      sum += std::sqrt(double(dx) * double(dx) + double(dy) * double(dy));
  }
  return sum;
}

POINT BandOffset(double ux, double uy, double h) {
  return POINT{NearestClamped(uy * h), NearestClamped(-ux * h)};
}

POINT JoinCorner(POINT a, POINT b, POINT n, POINT o) {
  TMeasure measure;
  const DOUBLEPOINT pb{double(b.x), double(b.y)}, pa{double(a.x), double(a.y)},
      pn{double(n.x), double(n.y)};
  if (measure.PointSideNearLine(&pb, &pa, &pn) == MEASURE_LEFT)
    return POINT{b.x - o.x, b.y - o.y};
  return POINT{b.x + o.x, b.y + o.y};
}

void BandPolygon(POINT a, POINT j, POINT b, POINT o, POINT* ring) {
  ring[0] = POINT{a.x - o.x, a.y - o.y};
  ring[1] = j;
  ring[2] = POINT{a.x + o.x, a.y + o.y};
  ring[3] = POINT{b.x + o.x, b.y + o.y};
  ring[4] = POINT{b.x - o.x, b.y - o.y};
  ring[5] = ring[0];
}

void FillBand(HDC dc, POINT a, POINT j, POINT b, POINT o, COLORREF color) {
  POINT ring[6];
  BandPolygon(a, j, b, o, ring);
  LONG n = 6;
  POLYDATA band{};
  band.Points = ring;
  band.PolyCounts = &n;
  band.Count = 1;
  FillDevicePolygon(dc, &band, color);
}

void DrawThinDashedLine(HDC dc, POLYDATA* data) {
  const DEVICELINE line{DeviceLineState.Color, DeviceLineState.Thickness};
  WalkDashes(data, ImageClipWindow(0), 1.0, 0.0, false, false, [&](const Piece& piece) {
    POINT two[2] = {piece.A, piece.B};
    LONG n = 2;
    POLYDATA one{};
    one.Points = two;
    one.PolyCounts = &n;
    one.Count = 1;
    OutputPolylineChunks(dc, &one, &line);
  });
}

void DrawThickDashedLine(HDC dc, POLYDATA* data, double width) {
  double h = width / 2;
  if (!(h >= 0)) h = 0;
  if (h > kNearLimit) h = kNearLimit;
  const bool unjoined = DeviceLineState.Thickness > DeviceLineState.Dash;
  const COLORREF color = DeviceLineState.Color;
  WalkDashes(data, ImageClipWindow(h), h + 1.0, h, !unjoined, unjoined, [&](const Piece& piece) {
    const POINT o = BandOffset(piece.Ux, piece.Uy, h);
    const POINT j = piece.Joined ? piece.J : POINT{piece.A.x - o.x, piece.A.y - o.y};
    FillBand(dc, piece.A, j, piece.B, o, color);
  });
}

void DrawDeviceLine(HDC dc, POLYDATA* data, const DEVICEDASHLINE* line, double width) {
  if (line == nullptr || data == nullptr || line->Color == 0xFFFFFFFF) return;
  const DevicePen pen = SelectDevicePen(dc, 1, line->Color);
  DeviceLineState.Color = line->Color;
  DeviceLineState.Thickness = line->Thickness;
  DeviceLineState.Dash = line->Dash == 0 ? 1 : line->Dash;
  DeviceLineState.Gap = line->Gap == -1 ? 1 : line->Gap + 1;
  if (line->Thickness <= 1)
    DrawThinDashedLine(dc, data);
  else
    DrawThickDashedLine(dc, data, width);
  RestoreDevicePen(dc, pen);
}
