// The entries of painting and the view: each checks its handles and
// pointers and calls the document.
#include "document/viewentries.h"

#include <algorithm>
#include <cstring>

#include "document/mapaccess.h"

// ---------------------------------------------------------------------------
// Painting

LONG docPaint(HMAP hMap, HDC dc, LONG erase, const RECT* rect) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->Paint(dc, erase, *rect) : 0;
}

LONG docPaint95(HMAP hMap, HDC dc, LONG erase, const RECT* rect) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->Paint95(dc, erase, *rect) : 0;
}

LONG docPaintObject(HMAP hMap, HDC dc, const RECT* rect, HOBJ object) {
  return docPaintObjectEx(hMap, dc, rect, object, 1, 0);
}

LONG docPaintObjectEx(HMAP hMap, HDC dc, const RECT* rect, HOBJ object, LONG erase, LONG keep) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc && rect && info ? doc->PaintObject(dc, *rect, info, erase, keep) : 0;
}

LONG docPaintObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc && rect && info ? doc->PaintObject95(dc, *rect, info) : 0;
}

LONG docPaintObjectToImage(HMAP hMap, char* bits, LONG width, LONG height, LONG rows,
                           const RECT* rect, HOBJ object) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  if (doc == nullptr || rect == nullptr || info == nullptr) return 0;
  doc->PaintObjectToImage(bits, width, height, rows, *rect, info);
  return 1;
}

LONG docPaintMapObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object, const PAINTPARM* parm) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc && rect ? doc->PaintMapObject95(dc, *rect, info, parm) : 0;
}

LONG docPaintOffsetMapObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object,
                               const PAINTPARM* parm, const DOUBLEPOINT* offset, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc && rect ? doc->PaintOffsetMapObject95(dc, *rect, info, parm, offset, kind) : 0;
}

LONG docPaintUserObject(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                        const PLACEDATA* data, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->PaintUserObject(dc, *rect, parm, data, kind) : 0;
}

LONG docPaintUserObject95(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                          const PLACEDATA* data, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->PaintUserObject95(dc, *rect, parm, data, kind) : 0;
}

LONG docPaintOffsetUserObject95(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                                const PLACEDATA* data, const DOUBLEPOINT* offset, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->PaintOffsetUserObject95(dc, *rect, parm, data, offset, kind) : 0;
}

LONG docView(HMAP hMap, HWND window, LONG erase, const DOUBLEPOINT* point, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->View(window, erase, point, kind) : 0;
}

LONG docViewSelect(HMAP hMap, HWND window, const DOUBLEPOINT* point, HSELECT select,
                   COLORREF colour, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ViewSelect(window, point, MapSelectOfHandle(select), colour, kind) : 0;
}

LONG docViewObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc ? doc->ViewObject(window, point, info, kind) : 0;
}

LONG docViewMapObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object,
                      const PAINTPARM* parm, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc ? doc->ViewMapObject(window, point, info, parm, kind) : 0;
}

LONG docViewOffsetMapObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object,
                            const PAINTPARM* parm, const DOUBLEPOINT* offset, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* info = TObjectInfo::FromOpenHandle(object);
  return doc ? doc->ViewOffsetMapObject(window, point, info, parm, offset, kind) : 0;
}

LONG docViewUserObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                       const PLACEDATA* data, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ViewUserObject(window, point, parm, data, kind) : 0;
}

LONG docViewOffsetUserObject(HMAP hMap, HWND window, const DOUBLEPOINT* point,
                             const PAINTPARM* parm, const PLACEDATA* data,
                             const DOUBLEPOINT* offset, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ViewOffsetUserObject(window, point, parm, data, offset, kind) : 0;
}

// ---------------------------------------------------------------------------
// Scales

double docGetViewScale(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? double(doc->ShowScale) : 0.0;
}

LONG docGetShowScale(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->ShowScale : 0;
}

double docGetRealShowScale(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetRealShowScale() : 0.0;
}

LONG docScaleToRoundScale(double scale) { return TMapControl::ScaleToRoundScale(scale); }

LONG docSetViewScale(HMAP hMap, LONG* x, LONG* y, float scale) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && x && y ? doc->SetViewScale(*x, *y, scale) : 0;
}

LONG docChangeViewScale(HMAP hMap, LONG* x, LONG* y, float factor) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && x && y ? doc->ChangeViewScale(*x, *y, factor) : 0;
}

// ---------------------------------------------------------------------------
// Turn and picture size

double docSetupTurn(HMAP hMap, double angle, double least) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0.0;
  doc->SetTurnAngle(angle, least);
  doc->SetRegion();
  return doc->TurnAngle;
}

LONG docTurnIsActive(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->TurnFlag : 0;
}

double docGetTurnAngle(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->TurnAngle : 0.0;
}

LONG docGetPictureWidth(HMAP hMap) {
  LONG width = 0, height = 0;
  docGetPictureSize(hMap, &width, &height);
  return width;
}

LONG docGetPictureHeight(HMAP hMap) {
  LONG width = 0, height = 0;
  docGetPictureSize(hMap, &width, &height);
  return height;
}

LONG docGetPictureSize(HMAP hMap, LONG* width, LONG* height) {
  if (width != nullptr) *width = 0;
  if (height != nullptr) *height = 0;
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || width == nullptr || height == nullptr) return 0;
  doc->GetPictureBorder(*width, *height);
  return 1;
}

// ---------------------------------------------------------------------------
// Background, brightness, contrast and colours

COLORREF docGetBackColor(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MapPalette.BackGround : 0xFFFFFF;
}

COLORREF docSetBackColor(HMAP hMap, COLORREF colour) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetBackGround(colour) : 0xFFFFFF;
}

LONG docGetSiteBright(HMAP hMap, HSITE site) {
  TMap* map = SiteMapOf(DocumentOf(hMap), site);
  return map ? map->Colors.GetBright() : 0;
}

LONG docSetSiteBright(HMAP hMap, HSITE site, LONG bright) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = SiteMapOf(doc, site);
  if (map == nullptr) return 0;
  const LONG kept = map->Colors.SetBright(bright);
  doc->SetupPalette();
  return kept;
}

LONG docGetSiteContrast(HMAP hMap, HSITE site) {
  TMap* map = SiteMapOf(DocumentOf(hMap), site);
  return map ? map->Colors.GetContrast() : 0;
}

LONG docSetSiteContrast(HMAP hMap, HSITE site, LONG contrast) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = SiteMapOf(doc, site);
  if (map == nullptr) return 0;
  const LONG kept = map->Colors.SetContrast(contrast);
  doc->SetupPalette();
  return kept;
}

LONG docGetSiteColorsCount(HMAP hMap, HSITE site) {
  TMap* map = SiteMapOf(DocumentOf(hMap), site);
  return map ? map->Colors.GetCount() : 0;
}

LONG docGetSitePalette(HMAP hMap, HSITE site, COLORREF* colours, LONG count) {
  TMap* map = SiteMapOf(DocumentOf(hMap), site);
  if (map == nullptr || colours == nullptr || count < 0) return 0;
  const LONG n = std::min<LONG>(count, MAP_PALETTE_SIZE);
  std::memcpy(colours, map->Colors.Colors(), size_t(n) * sizeof(COLORREF));
  return n;
}

LONG docGetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count) {
  TMap* map = SiteMapOf(DocumentOf(hMap), site);
  if (map == nullptr || colours == nullptr || count < 0) return 0;
  const LONG n = std::min<LONG>(count, MAP_PALETTE_SIZE);
  for (LONG i = 0; i < n; ++i) colours[i] = map->Colors.GetColor(i);
  return n;
}

LONG docSetSiteColors(HMAP hMap, HSITE site, const COLORREF* colours, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = SiteMapOf(doc, site);
  if (map == nullptr || colours == nullptr || count < 1) return 0;
  const int bright = map->Colors.GetBright(), contrast = map->Colors.GetContrast();
  if (!map->Colors.InitBaseColors(colours, count)) return 0;
  map->Colors.SetBright(bright);
  map->Colors.SetContrast(contrast);
  doc->SetupPalette();
  return 1;
}

HPALETTE docGetMapPalette(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->Palette : nullptr;
}

COLORREF docGetMapColor(HMAP hMap, LONG index) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || index < 0 || index >= MAP_PALETTE_SIZE) return 0;
  return doc->MapPalette.Colors[index] & 0xFFFFFF;
}

LONG docGetColorCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->MapPalette.Count : 0;
}

// ---------------------------------------------------------------------------
// Pictures the host holds

LONG docPaintToEmf(HMAP hMap, const char* name, const METAFILEBUILDPARM* parm) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PaintToEmf(name, parm) : 0;
}

LONG docPaintToEmfEx(HMAP hMap, const char* name, const METAFILEBUILDPARMEX* parm) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PaintToEmfEx(name, parm) : 0;
}

LONG docPaintToDib(HMAP hMap, BITMAPINFOHEADER* info, char* bits, const RECT* rect) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->PaintToDib(info, bits, *rect) : 0;
}

LONG docPaintToImage(HMAP hMap, RGBQUAD* palette, char* bits, LONG width, LONG height,
                     const RECT* rect) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && rect ? doc->PaintToImage256(palette, bits, width, height, *rect) : 0;
}
