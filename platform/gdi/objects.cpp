// Pens, brushes, fonts, palettes and regions; selection and deletion.
#include <cstring>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"

namespace plat {
using namespace plat::gdi;

namespace {

template <class H, class T>
H Publish(std::unique_ptr<T> object) {
  return reinterpret_cast<H>(Register(std::move(object)));
}

// Swaps the object held in a context slot; returns the old handle.
template <class T>
HGDIOBJ Swap(T*& slot, T* object) {
  T* old = slot;
  if (old == object) return reinterpret_cast<HGDIOBJ>(old->handle);
  ++object->selections;
  if (old && old->selections > 0) --old->selections;
  slot = object;
  return reinterpret_cast<HGDIOBJ>(old->handle);
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) return nullptr;
  auto p = std::make_unique<Pen>();
  p->style = style;
  p->width = width < 0 ? 0 : width;
  p->color = color & 0xFFFFFF;
  return Publish<HPEN>(std::move(p));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<Brush>();
  b->color = color & 0xFFFFFF;
  return Publish<HBRUSH>(std::move(b));
}

HGDIOBJ GetStockObject(int index) {
  GdiObject* o = nullptr;
  if (index >= WHITE_BRUSH && index <= NULL_BRUSH) o = StockBrush(index);
  else if (index >= WHITE_PEN && index <= NULL_PEN) o = StockPen(index);
  else if (index == SYSTEM_FONT) o = StockFont();
  else if (index == DEFAULT_PALETTE) o = StockPalette();
  return o ? reinterpret_cast<HGDIOBJ>(o->handle) : nullptr;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto f = std::make_unique<FontObject>();
  f->request = *font;
  f->request.lfFaceName[LF_FACESIZE - 1] = 0;
  f->font = text::OpenFont(f->request);
  if (!f->font) return nullptr;
  return Publish<HFONT>(std::move(f));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palNumEntries == 0) return nullptr;
  auto p = std::make_unique<Palette>();
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return Publish<HPALETTE>(std::move(p));
}

UINT SetPaletteEntries(HPALETTE hpal, UINT start, UINT count, const PALETTEENTRY* entries) {
  Palette* p = LookupAs<Palette>(hpal, ObjectKind::Palette);
  if (!p || p->stock || !entries || start >= p->entries.size()) return 0;
  UINT n = std::min<UINT>(count, (UINT)p->entries.size() - start);
  memcpy(&p->entries[start], entries, n * sizeof(PALETTEENTRY));
  if (AnyRecorder())
    for (Dc* dc : LiveContexts())
      if (dc->meta) dc->meta->PaletteEntries(p, start, n);
  return n;
}

UINT GetPaletteEntries(HPALETTE hpal, UINT start, UINT count, PALETTEENTRY* entries) {
  Palette* p = LookupAs<Palette>(hpal, ObjectKind::Palette);
  if (!p) return 0;
  if (!entries) return (UINT)p->entries.size();
  if (start >= p->entries.size()) return 0;
  UINT n = std::min<UINT>(count, (UINT)p->entries.size() - start);
  memcpy(entries, &p->entries[start], n * sizeof(PALETTEENTRY));
  return n;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hpal, BOOL) {
  Dc* dc = GetDcObject(hdc);
  Palette* p = LookupAs<Palette>(hpal, ObjectKind::Palette);
  if (!dc || !p) return nullptr;
  if (dc->meta) dc->meta->SelectPalette(p);
  return reinterpret_cast<HPALETTE>(Swap(dc->palette, p));
}

UINT RealizePalette(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  if (!dc) return GDI_ERROR;
  if (dc->meta) dc->meta->Value(EMR_REALIZEPALETTE, 0);
  // True-colour surfaces map no entries into a system palette.
  return 0;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<Region>();
  r->rect = RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                 std::max(top, bottom)};
  return Publish<HRGN>(std::move(r));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  Dc* dc = GetDcObject(hdc);
  GdiObject* o = Lookup(object);
  if (!dc || !o) return nullptr;
  switch (o->kind) {
    case ObjectKind::Pen:
      if (dc->meta) dc->meta->Select(o);
      return Swap(dc->pen, static_cast<Pen*>(o));
    case ObjectKind::Brush:
      if (dc->meta) dc->meta->Select(o);
      return Swap(dc->brush, static_cast<Brush*>(o));
    case ObjectKind::Font:
      if (dc->meta) dc->meta->Select(o);
      return Swap(dc->font, static_cast<FontObject*>(o));
    case ObjectKind::Region:
      // Selecting a region sets the clip; the result is the region type.
      return reinterpret_cast<HGDIOBJ>(
          (intptr_t)SelectClipRgn(hdc, reinterpret_cast<HRGN>(object)));
    case ObjectKind::Bitmap: {
      Bitmap* b = static_cast<Bitmap*>(o);
      if (dc->dcKind != DcKind::Memory) return nullptr;
      if (b == dc->bitmap) return object;
      if (!b->stock && b->selections > 0) return nullptr;  // one context at a time
      Bitmap* old = dc->bitmap;
      if (old && old->selections > 0) --old->selections;
      ++b->selections;
      dc->bitmap = b;
      // The stand-in bitmap of a fresh memory context has no surface.
      dc->surface = b->stock ? nullptr : &b->surface;
      return reinterpret_cast<HGDIOBJ>(old->handle);
    }
    default:
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = Lookup(object);
  if (!o || o->kind == ObjectKind::Dc || o->kind == ObjectKind::MetaFile) return FALSE;
  if (o->stock) return TRUE;
  if (o->selections > 0) return FALSE;
  if (AnyRecorder())  // pens and brushes come and go per primitive: no scan then
    for (Dc* dc : LiveContexts())
      if (dc->meta) dc->meta->Deleted(o);
  Unregister(object);
  return TRUE;
}

}  // namespace plat
