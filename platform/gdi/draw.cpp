// Lines, polygons, rectangles and pixels on a context.
#include <algorithm>
#include <vector>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

namespace plat {
using namespace plat::gdi;

namespace {

bool HasPen(const Dc* dc) { return dc->pen && dc->pen->style != PS_NULL; }
bool HasBrush(const Dc* dc) { return dc->brush && dc->brush->style != BS_NULL; }

// Strokes an open or closed run of logical points with the context's pen.
void Stroke(Dc* dc, const POINT* p, int n, bool closed) {
  if (!dc->surface || !HasPen(dc) || n < 1) return;
  Target t = MakeTarget(dc, dc->pen->color, dc->rop2);
  if (t.Empty()) return;
  if (dc->pen->width <= 1) {
    int segments = closed ? n : n - 1;
    for (int i = 0; i < segments; ++i) {
      const POINT& a = p[i];
      const POINT& b = p[i + 1 < n ? i + 1 : 0];
      ThinLine(t, a.x + dc->orgX, a.y + dc->orgY, b.x + dc->orgX, b.y + dc->orgY);
    }
    return;
  }
  thread_local std::vector<int64_t> xy;
  xy.resize((size_t)n * 2);
  for (int i = 0; i < n; ++i) {
    xy[2 * i] = p[i].x + dc->orgX;
    xy[2 * i + 1] = p[i].y + dc->orgY;
  }
  WidePolyline(t, xy.data(), n, dc->pen->width, closed);
}

// Fills rings of logical points with the context's brush and fill mode.
void Fill(Dc* dc, const POINT* p, const INT* counts, int rings, int total) {
  if (!dc->surface || !HasBrush(dc)) return;
  Target t = MakeTarget(dc, dc->brush->color, dc->rop2);
  if (t.Empty()) return;
  thread_local std::vector<FixPoint> fix;
  fix.resize((size_t)total);
  for (int i = 0; i < total; ++i)
    fix[i] = FixPoint{(p[i].x + dc->orgX) * FIX_ONE, (p[i].y + dc->orgY) * FIX_ONE};
  FillPolygons(t, fix.data(), counts, rings, dc->fillMode == WINDING);
}

}  // namespace

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return FALSE;
  if (old) *old = POINT{(LONG)dc->curX, (LONG)dc->curY};
  dc->curX = x;
  dc->curY = y;
  MC_LOG_CALL(dc, "MoveToEx(%d,%d)", x, y);
  if (dc->meta) dc->meta->Point(EMR_MOVETOEX, x, y);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return FALSE;
  MC_LOG_CALL(dc, "LineTo(%d,%d)", x, y);
  if (dc->meta) dc->meta->LineTo(dc, dc->curX, dc->curY, x, y);
  POINT seg[2] = {{(LONG)dc->curX, (LONG)dc->curY}, {x, y}};
  Stroke(dc, seg, 2, false);
  dc->curX = x;
  dc->curY = y;
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !points || count < 2) return FALSE;
  MC_LOG_CALL(dc, "Polyline(%d)", count);
  if (dc->meta) dc->meta->Poly(dc, EMR_POLYLINE, EMR_POLYLINE16, points, &count, 1);
  Stroke(dc, points, count, false);
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !points || count < 2) return FALSE;
  MC_LOG_CALL(dc, "Polygon(%d)", count);
  if (dc->meta) dc->meta->Poly(dc, EMR_POLYGON, EMR_POLYGON16, points, &count, 1);
  Fill(dc, points, &count, 1, count);
  Stroke(dc, points, count, true);
  return TRUE;
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !points || !counts || polygons < 1) return FALSE;
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
  }
  if (total > INT32_MAX) return FALSE;
  MC_LOG_CALL(dc, "PolyPolygon(%d)", polygons);
  if (dc->meta)
    dc->meta->Poly(dc, EMR_POLYPOLYGON, EMR_POLYPOLYGON16, points, counts, polygons);
  Fill(dc, points, counts, polygons, (int)total);
  const POINT* p = points;
  for (int i = 0; i < polygons; ++i) {
    Stroke(dc, p, counts[i], true);
    p += counts[i];
  }
  return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH hbrush) {
  Dc* dc = GetDcObject(hdc);
  Brush* brush = LookupAs<Brush>(hbrush, ObjectKind::Brush);
  if (!dc || !rect || !brush) return 0;
  MC_LOG_CALL(dc, "FillRect(%d,%d,%d,%d)", (int)rect->left, (int)rect->top, (int)rect->right,
          (int)rect->bottom);
  if (dc->meta) {
    Brush* selected = dc->brush;
    dc->meta->Select(brush);
    // Width and height in 64 bits: a rectangle spanning the whole 32-bit
    // range must not overflow.
    const int64_t w = std::clamp<int64_t>(int64_t{rect->right} - rect->left, 0, INT32_MAX);
    const int64_t h = std::clamp<int64_t>(int64_t{rect->bottom} - rect->top, 0, INT32_MAX);
    dc->meta->BitBlt(dc, rect->left, rect->top, static_cast<int>(w), static_cast<int>(h), PATCOPY,
                     nullptr, 0, 0);
    dc->meta->Select(selected);
  }
  if (!dc->surface || brush->style == BS_NULL) return 1;
  Target t = MakeTarget(dc, brush->color, R2_COPYPEN);
  if (t.Empty()) return 1;
  int64_t l = rect->left + dc->orgX, r = rect->right + dc->orgX;
  int64_t top = std::max<int64_t>(rect->top + dc->orgY, t.cy0);
  int64_t bottom = std::min<int64_t>(rect->bottom + dc->orgY, t.cy1);
  SpanFn fn = GetSpanFn(t.surface->bpp, R2_COPYPEN);
  for (int64_t y = top; y < bottom; ++y) FillSpan(t, fn, y, l, r);
  return 1;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return CLR_INVALID;
  color &= 0xFFFFFF;
  if (dc->meta) {
    dc->meta->SetPixel(dc, x, y, color);
    return color;
  }
  if (!dc->surface) return CLR_INVALID;
  Target t = MakeTarget(dc, color, R2_COPYPEN);
  int64_t dx = x + dc->orgX, dy = y + dc->orgY;
  if (t.Empty() || dx < t.cx0 || dx >= t.cx1 || dy < t.cy0 || dy >= t.cy1) return CLR_INVALID;
  t.surface->Put((int)dx, (int)dy, t.value);
  return t.surface->ColorOfValue(t.value);
}

}  // namespace plat
