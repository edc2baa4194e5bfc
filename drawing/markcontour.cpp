// Mark tracing, placing and drawing, the scaled bitmap sign of code 143
// and the exported mark vectorisation.
#include "drawing/markcontour.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "drawing/devicepainters.h"
#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"

namespace {

constexpr int kSide = 32;
constexpr LONG kPlaceLimit = 65000;

// Directions k = 0..7, counter-clockwise on the screen from the right.
constexpr int kDx[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kDy[8] = {0, -1, -1, -1, 0, 1, 1, 1};
constexpr int kOtherStep = 18;
constexpr int kDownLeft = 15;  // the one way on past a closed start
constexpr BYTE kClosedStart = 2;

struct Grid {
  BYTE Cell[kSide][kSide];
  bool Inside(int x, int y) const { return x >= 0 && x < kSide && y >= 0 && y < kSide; }
  BYTE At(int x, int y) const { return Inside(x, y) ? Cell[y][x] : 0; }
};

// 10 + k for a step in direction k, 18 for any other step.
int StepCode(int fromX, int fromY, int toX, int toY) {
  for (int k = 0; k < 8; ++k)
    if (toX - fromX == kDx[k] && toY - fromY == kDy[k]) return 10 + k;
  return kOtherStep;
}

LONG Limit(double v) {
  if (!(v > -kPlaceLimit)) return -kPlaceLimit;  // also a value that is not a number
  return v < kPlaceLimit ? LONG(v) : kPlaceLimit;
}

// The contour area of the work buffer: points from its start, counts from
// MARK_COUNTS_AT. False when the buffer is too small.
bool WorkTrace(POLYDATA* trace) {
  if (PaintContext.WorkBuffer == nullptr || PaintContext.WorkBufferSize < MARK_WORK_MIN)
    return false;
  *trace = POLYDATA{};
  trace->Points = reinterpret_cast<POINT*>(PaintContext.WorkBuffer);
  trace->PolyCounts = reinterpret_cast<LONG*>(PaintContext.WorkBuffer + MARK_COUNTS_AT);
  return true;
}

}  // namespace

int TraceMarkContour(POLYDATA* out, const BYTE* mark, int pointRoom, int partRoom) {
  if (out == nullptr || out->Points == nullptr || out->PolyCounts == nullptr || mark == nullptr)
    return -1;
  out->Count = 0;
  Grid g;
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) g.Cell[y][x] = (mark[4 * y + x / 8] >> (7 - x % 8)) & 1;
  POINT* const points = out->Points;
  int total = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      if (g.Cell[y][x] == 0) continue;
      const int start = total;
      int px = x - 1, py = y, cx = x, cy = y;
      for (;;) {
        const int d = StepCode(px, py, cx, cy);
        if (g.At(px, py) == kClosedStart && d != kDownLeft) break;
        if (total >= pointRoom) return -1;
        points[total++] = POINT{cx, cy};
        // Seven neighbours from 90 degrees left of the way in, clockwise.
        int nx = 0, ny = 0;
        bool found = false;
        for (int i = 0; i < 7 && !found; ++i) {
          const int k = (d - i) % 8;
          nx = cx + kDx[k], ny = cy + kDy[k];
          found = g.At(nx, ny) != 0;
        }
        if (!found) break;
        if (nx == x && ny == y) {
          for (int i = start + 1; i < total; ++i) g.Cell[points[i].y][points[i].x] = 0;
          g.Cell[y][x] = kClosedStart;
        }
        px = cx, py = cy, cx = nx, cy = ny;
      }
      for (int i = start; i < total; ++i) g.Cell[points[i].y][points[i].x] = 0;
      if (out->Count >= partRoom) return -1;
      out->PolyCounts[out->Count++] = total - start;
    }
  }
  return total;
}

void PlaceMarkContour(const POINT* from, POLYDATA* set, LONG x, LONG y, float factor) {
  if (from == nullptr || set == nullptr || set->Points == nullptr || set->PolyCounts == nullptr)
    return;
  int64_t n = 0;
  for (LONG part = 0; part < set->Count; ++part) n += std::max<LONG>(set->PolyCounts[part], 0);
  const double f = factor;
  for (int64_t i = 0; i < n; ++i) {
    const POINT p = from[i];
    set->Points[i] = POINT{Limit(std::floor(p.x * f + x)), Limit(std::floor(p.y * f + y))};
  }
}

void DrawMarkContour(HDC dc, POLYDATA* set, COLORREF color, LONG thickness) {
  const DEVICELINE line{color, thickness};
  OutputPolylineChunks(dc, set, &line);
}

void PaintScaledMark(HDC dc, POLYDATA* data, const MARKLAYER* layer, float f) {
  POINT first;
  POLYDATA trace;
  if (dc == nullptr || layer == nullptr || !FirstPoint(data, &first) || !std::isfinite(f) ||
      !WorkTrace(&trace))
    return;
  if (TraceMarkContour(&trace, layer->Bits, MARK_POINTS_ROOM, MARK_PARTS_ROOM) < 0) return;
  // Whole pixels per mark pixel from half a pixel on; finer below.
  const double g = f >= 0.5f ? std::floor(double(f) + 0.5) : std::max(double(f), 0.001);
  const double least = std::max(double(f), 0.001);
  const double ox = std::clamp(layer->OffsetH / least * g, -double(kPlaceLimit), double(kPlaceLimit));
  const double oy = std::clamp(layer->OffsetV / least * g, -double(kPlaceLimit), double(kPlaceLimit));
  const LONG x = SaturatePixel(int64_t(first.x) - NearestPixel(ox));
  const LONG y = SaturatePixel(int64_t(first.y) - NearestPixel(oy));
  PlaceMarkContour(trace.Points, &trace, x, y, float(g));
  DrawMarkContour(dc, &trace, layer->Color, TruncatePixel(g));
}

int VectorizeMark(LONG size, const char* mark, LONG length, char* buffer) {
  POLYDATA trace;
  if (size != kSide || mark == nullptr || buffer == nullptr || length < MARK_WORK_MIN ||
      !WorkTrace(&trace))
    return 0;
  const int points =
      TraceMarkContour(&trace, reinterpret_cast<const BYTE*>(mark), MARK_POINTS_ROOM, MARK_PARTS_ROOM);
  if (points < 0) return 0;
  const int64_t at = VECTORIZE_COUNTS_AT + int64_t(VECTORIZE_POINTS_STEP) * trace.Count;
  if (at + int64_t(sizeof(POINT)) * points > length) return 0;
  POLYDATA head{};
  head.Points = reinterpret_cast<POINT*>(buffer + at);
  head.PolyCounts = reinterpret_cast<LONG*>(buffer + VECTORIZE_COUNTS_AT);
  head.Count = trace.Count;
  std::memcpy(buffer + VECTORIZE_COUNTS_AT, trace.PolyCounts, sizeof(LONG) * size_t(trace.Count));
  std::memcpy(buffer + at, trace.Points, sizeof(POINT) * size_t(points));
  std::memcpy(buffer + offsetof(POLYDATA, Points), &head.Points, sizeof(head.Points));
  std::memcpy(buffer + offsetof(POLYDATA, PolyCounts), &head.PolyCounts, sizeof(head.PolyCounts));
  std::memcpy(buffer + offsetof(POLYDATA, Count), &head.Count, sizeof(head.Count));
  return 1;
}
