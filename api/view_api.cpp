// Painting a map document and its view, for a host.
#include "api/view_api.h"

#include "document/viewentries.h"
#include "platform/gdi/hostdc.h"
#include "search/docseek.h"

MAPAPI LONG WINAPI mapPaintMapObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info,
                                       PAINTPARM* parm) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintMapObject95(hMap, hdc, rect, info, parm);
}

MAPAPI LONG WINAPI mapPaintOffsetMapObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info,
                                             PAINTPARM* parm, DOUBLEPOINT* offset, LONG kind) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintOffsetMapObject95(hMap, hdc, rect, info, parm, offset, kind);
}

MAPAPI LONG WINAPI mapPaintUserObject(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                      PLACEDATA* data, LONG kind) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintUserObject(hMap, hdc, rect, parm, data, kind);
}

MAPAPI LONG WINAPI mapPaintUserObject95(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                        PLACEDATA* data, LONG kind) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintUserObject95(hMap, hdc, rect, parm, data, kind);
}

MAPAPI LONG WINAPI mapPaintOffsetUserObject95(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                              PLACEDATA* data, DOUBLEPOINT* offset, LONG kind) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintOffsetUserObject95(hMap, hdc, rect, parm, data, offset, kind);
}

MAPAPI LONG WINAPI mapView(HMAP hMap, HWND hwnd, LONG erase, DOUBLEPOINT* point, LONG kind) {
  return docView(hMap, hwnd, erase, point, kind);
}

MAPAPI LONG WINAPI mapViewSelect(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HSELECT select,
                                 COLORREF color, LONG kind) {
  return docViewSelect(hMap, hwnd, point, select, color, kind);
}

MAPAPI LONG WINAPI mapViewObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info, LONG kind) {
  return docViewObject(hMap, hwnd, point, info, kind);
}

MAPAPI LONG WINAPI mapViewMapObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info,
                                    PAINTPARM* parm, LONG kind) {
  return docViewMapObject(hMap, hwnd, point, info, parm, kind);
}

MAPAPI LONG WINAPI mapViewOffsetMapObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info,
                                          PAINTPARM* parm, DOUBLEPOINT* offset, LONG kind) {
  return docViewOffsetMapObject(hMap, hwnd, point, info, parm, offset, kind);
}

MAPAPI LONG WINAPI mapViewUserObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, PAINTPARM* parm,
                                     PLACEDATA* data, LONG kind) {
  return docViewUserObject(hMap, hwnd, point, parm, data, kind);
}

MAPAPI LONG WINAPI mapViewOffsetUserObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point,
                                           PAINTPARM* parm, PLACEDATA* data, DOUBLEPOINT* offset,
                                           LONG kind) {
  return docViewOffsetUserObject(hMap, hwnd, point, parm, data, offset, kind);
}

MAPAPI LONG WINAPI mapPaint(HMAP hMap, HDC hdc, LONG erase, RECT* rect) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaint(hMap, hdc, erase, rect);
}

MAPAPI LONG WINAPI mapPaint95(HMAP hMap, HDC hdc, LONG erase, RECT* rect) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaint95(hMap, hdc, erase, rect);
}

MAPAPI LONG WINAPI mapPaintObject(HMAP hMap, HDC hdc, RECT* rect, HOBJ info) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintObject(hMap, hdc, rect, info);
}

MAPAPI LONG WINAPI mapPaintObjectEx(HMAP hMap, HDC hdc, RECT* rect, HOBJ info, LONG erase,
                                    LONG keep) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintObjectEx(hMap, hdc, rect, info, erase, keep);
}

MAPAPI LONG WINAPI mapPaintObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info) {
  if (!plat::IsDeviceContext(hdc)) return 0;
  return docPaintObject95(hMap, hdc, rect, info);
}

MAPAPI LONG WINAPI mapPaintObjectToImage(HMAP hMap, char* bits, LONG width, LONG height,
                                         LONG rows, RECT* rect, HOBJ info) {
  return docPaintObjectToImage(hMap, bits, width, height, rows, rect, info);
}

MAPAPI double WINAPI mapGetViewScale(HMAP hMap) { return docGetViewScale(hMap); }

MAPAPI LONG WINAPI mapGetShowScale(HMAP hMap) { return docGetShowScale(hMap); }

MAPAPI double WINAPI mapGetRealShowScale(HMAP hMap) { return docGetRealShowScale(hMap); }

MAPAPI LONG WINAPI mapScaleToRoundScale(double scale) { return docScaleToRoundScale(scale); }

MAPAPI LONG WINAPI mapSetViewScale(HMAP hMap, LONG* x, LONG* y, float scale) {
  return docSetViewScale(hMap, x, y, scale);
}

MAPAPI LONG WINAPI mapChangeViewScale(HMAP hMap, LONG* x, LONG* y, float factor) {
  return docChangeViewScale(hMap, x, y, factor);
}

MAPAPI LONG WINAPI mapSetViewSelect(HMAP hMap, HSELECT select) {
  return docSetViewSelect(hMap, select);
}

MAPAPI LONG WINAPI mapGetViewSelect(HMAP hMap, HSELECT select) {
  return docGetViewSelect(hMap, select);
}

MAPAPI double WINAPI mapSetupTurn(HMAP hMap, double angle, double least) {
  return docSetupTurn(hMap, angle, least);
}

MAPAPI LONG WINAPI mapTurnIsActive(HMAP hMap) { return docTurnIsActive(hMap); }

MAPAPI double WINAPI mapGetTurnAngle(HMAP hMap) { return docGetTurnAngle(hMap); }

MAPAPI LONG WINAPI mapGetPictureWidth(HMAP hMap) { return docGetPictureWidth(hMap); }

MAPAPI LONG WINAPI mapGetPictureHeight(HMAP hMap) { return docGetPictureHeight(hMap); }

MAPAPI LONG WINAPI mapGetPictureSize(HMAP hMap, LONG* width, LONG* height) {
  return docGetPictureSize(hMap, width, height);
}

MAPAPI COLORREF WINAPI mapGetBackColor(HMAP hMap) { return docGetBackColor(hMap); }

MAPAPI COLORREF WINAPI mapSetBackColor(HMAP hMap, COLORREF colour) {
  return docSetBackColor(hMap, colour);
}

MAPAPI LONG WINAPI mapGetBright(HMAP hMap) { return docGetSiteBright(hMap, 0); }

MAPAPI LONG WINAPI mapSetBright(HMAP hMap, LONG bright) {
  return docSetSiteBright(hMap, 0, bright);
}

MAPAPI LONG WINAPI mapGetContrast(HMAP hMap) { return docGetSiteContrast(hMap, 0); }

MAPAPI LONG WINAPI mapSetContrast(HMAP hMap, LONG contrast) {
  return docSetSiteContrast(hMap, 0, contrast);
}

MAPAPI LONG WINAPI mapGetSiteBright(HMAP hMap, HSITE site) { return docGetSiteBright(hMap, site); }

MAPAPI LONG WINAPI mapSetSiteBright(HMAP hMap, HSITE site, LONG bright) {
  return docSetSiteBright(hMap, site, bright);
}

MAPAPI LONG WINAPI mapGetSiteContrast(HMAP hMap, HSITE site) {
  return docGetSiteContrast(hMap, site);
}

MAPAPI LONG WINAPI mapSetSiteContrast(HMAP hMap, HSITE site, LONG contrast) {
  return docSetSiteContrast(hMap, site, contrast);
}

MAPAPI LONG WINAPI mapGetSiteColorsCount(HMAP hMap, HSITE site) {
  return docGetSiteColorsCount(hMap, site);
}

MAPAPI LONG WINAPI mapGetSitePalette(HMAP hMap, HSITE site, COLORREF* colours, LONG count) {
  return docGetSitePalette(hMap, site, colours, count);
}

MAPAPI LONG WINAPI mapGetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count) {
  return docGetSiteColors(hMap, site, colours, count);
}

MAPAPI LONG WINAPI mapSetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count) {
  return docSetSiteColors(hMap, site, colours, count);
}

MAPAPI HPALETTE WINAPI mapGetMapPalette(HMAP hMap) { return docGetMapPalette(hMap); }

MAPAPI COLORREF WINAPI mapGetMapColor(HMAP hMap, LONG index) { return docGetMapColor(hMap, index); }

MAPAPI LONG WINAPI mapGetColorCount(HMAP hMap) { return docGetColorCount(hMap); }

MAPAPI LONG WINAPI mapPaintToEmf(HMAP hMap, const char* name, METAFILEBUILDPARM* parm) {
  return docPaintToEmf(hMap, name, parm);
}

MAPAPI LONG WINAPI mapPaintToEmfEx(HMAP hMap, const char* name, METAFILEBUILDPARMEX* parm) {
  return docPaintToEmfEx(hMap, name, parm);
}

MAPAPI LONG WINAPI mapPaintToDib(HMAP hMap, BITMAPINFOHEADER* info, char* bits, RECT* rect) {
  return docPaintToDib(hMap, info, bits, rect);
}

MAPAPI LONG WINAPI mapPaintToImage(HMAP hMap, RGBQUAD* palette, char* bits, LONG width,
                                   LONG height, RECT* rect) {
  return docPaintToImage(hMap, palette, bits, width, height, rect);
}

MAPAPI LONG WINAPI mapSetNodeView(HMAP hMap, LONG view) { return docSetNodeView(hMap, view); }

MAPAPI LONG WINAPI mapGetNodeView(HMAP hMap) { return docGetNodeView(hMap); }

MAPAPI COLORREF WINAPI mapSetNodeCenterColor(HMAP hMap, COLORREF colour) {
  return docSetNodeColor(hMap, NODE_CENTER, colour);
}

MAPAPI COLORREF WINAPI mapGetNodeCenterColor(HMAP hMap) {
  return docGetNodeColor(hMap, NODE_CENTER);
}

MAPAPI COLORREF WINAPI mapSetNodeFirstColor(HMAP hMap, COLORREF colour) {
  return docSetNodeColor(hMap, NODE_FIRST, colour);
}

MAPAPI COLORREF WINAPI mapGetNodeFirstColor(HMAP hMap) { return docGetNodeColor(hMap, NODE_FIRST); }

MAPAPI COLORREF WINAPI mapSetNodeBorderColor(HMAP hMap, COLORREF colour) {
  return docSetNodeColor(hMap, NODE_BORDER, colour);
}

MAPAPI COLORREF WINAPI mapGetNodeBorderColor(HMAP hMap) {
  return docGetNodeColor(hMap, NODE_BORDER);
}

MAPAPI LONG WINAPI mapSetNodeType(HMAP hMap, LONG type) { return docSetNodeType(hMap, type); }

MAPAPI LONG WINAPI mapGetNodeType(HMAP hMap) { return docGetNodeType(hMap); }
