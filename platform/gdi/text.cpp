// Text output and measuring through the text engine: the engine lays out
// and rasterises, the context paints its spans in the text colour through
// the clip (the mix does not apply), after the opaque background box.
#include <cstring>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

namespace plat {
using namespace plat::gdi;

namespace {

const text::Font* FontOf(const Dc* dc) {
  const FontObject* f = dc->font ? dc->font : StockFont();
  return f->font.get();
}

struct SpanPainter {
  Target target;
  SpanFn fn;
};

void PaintSpan(void* ctx, int y, int x0, int x1) {
  const SpanPainter* p = static_cast<const SpanPainter*>(ctx);
  FillSpan(p->target, p->fn, y, x0, x1);
}

void IgnoreSpan(void*, int, int, int) {}

}  // namespace

UINT SetTextAlign(HDC hdc, UINT align) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return GDI_ERROR;
  UINT old = dc->textAlign;
  dc->textAlign = align;
  if (dc->meta) dc->meta->Value(EMR_SETTEXTALIGN, align);
  return old;
}

UINT GetTextAlign(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc ? dc->textAlign : GDI_ERROR;
}

namespace {

// Sets one colour of a context (recorded into its metafile); the old one.
COLORREF SetDcColor(HDC hdc, COLORREF Dc::*field, DWORD record, COLORREF color) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->*field;
  dc->*field = color & 0xFFFFFF;
  if (dc->meta) dc->meta->Value(record, dc->*field);
  return old;
}

}  // namespace

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return SetDcColor(hdc, &Dc::textColor, EMR_SETTEXTCOLOR, color);
}

COLORREF SetBkColor(HDC hdc, COLORREF color) { return SetDcColor(hdc, &Dc::bkColor, EMR_SETBKCOLOR, color); }

int SetBkMode(HDC hdc, int mode) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  if (dc->meta) dc->meta->Value(EMR_SETBKMODE, (DWORD)mode);
  return old;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* s, int length) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || length < 0 || (!s && length > 0)) return FALSE;
  MC_LOG_CALL(dc, "TextOutA(%d,%d,%d)", x, y, length);
  if (length == 0) return TRUE;
  const text::Font& font = *FontOf(dc);
  int64_t dx = x + dc->orgX, dy = y + dc->orgY;
  if (dc->meta) {
    text::TextBox box;
    text::RenderText(font, (int)dx, (int)dy, dc->textAlign, s, length, IgnoreSpan, nullptr,
                     &box);
    RECT r{box.corner[0].x, box.corner[0].y, box.corner[0].x, box.corner[0].y};
    for (const POINT& c : box.corner) {
      r.left = MinOf(r.left, c.x);
      r.top = MinOf(r.top, c.y);
      r.right = MaxOf(r.right, c.x);
      r.bottom = MaxOf(r.bottom, c.y);
    }
    dc->meta->Text(dc, x, y, s, length, r);
    return TRUE;
  }
  if (!dc->surface || dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX)
    return TRUE;
  SpanPainter painter;
  painter.target = MakeTarget(dc, dc->textColor, R2_COPYPEN);
  if (painter.target.Empty()) return TRUE;
  painter.fn = GetSpanFn(dc->surface->bpp, R2_COPYPEN);
  if (dc->bkMode == OPAQUE) {
    text::TextBox box;
    text::RenderText(font, (int)dx, (int)dy, dc->textAlign, s, length, IgnoreSpan, nullptr,
                     &box);
    Target bk = MakeTarget(dc, dc->bkColor, R2_COPYPEN);
    FixPoint corners[4];
    for (int i = 0; i < 4; ++i)
      corners[i] = FixPoint{(int64_t)box.corner[i].x * FIX_ONE, (int64_t)box.corner[i].y * FIX_ONE};
    int four = 4;
    FillPolygons(bk, corners, &four, 1, false);
  }
  text::RenderText(font, (int)dx, (int)dy, dc->textAlign, s, length, PaintSpan, &painter,
                   nullptr);
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* s, int length, SIZE* size) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !size || length < 0 || (!s && length > 0)) return FALSE;
  *size = text::TextExtent(*FontOf(dc), s ? s : "", length);
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !metrics) return FALSE;
  text::GetTextMetrics(*FontOf(dc), metrics);
  return TRUE;
}

BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, INT* widths) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !widths || first > last || last > 255) return FALSE;
  const text::Font& font = *FontOf(dc);
  for (UINT c = first; c <= last; ++c) widths[c - first] = text::CharWidth(font, (BYTE)c);
  return TRUE;
}

}  // namespace plat
