// The entries of the map document behind the exported functions of
// painting and the view (api/view_api.h), one for each, with the same
// arguments and answers: a null, dead or foreign map handle gives 0 (0.0,
// a null handle); a null object handle, device context or rectangle where
// one is needed gives 0 too.
#pragma once

#include "types/paintparm.h"
#include "types/picturetypes.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

// Painting.
LONG docPaint(HMAP hMap, HDC dc, LONG erase, const RECT* rect);
LONG docPaint95(HMAP hMap, HDC dc, LONG erase, const RECT* rect);
LONG docPaintObject(HMAP hMap, HDC dc, const RECT* rect, HOBJ object);
LONG docPaintObjectEx(HMAP hMap, HDC dc, const RECT* rect, HOBJ object, LONG erase, LONG keep);
LONG docPaintObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object);
LONG docPaintObjectToImage(HMAP hMap, char* bits, LONG width, LONG height, LONG rows,
                           const RECT* rect, HOBJ object);

// Objects and a caller's points painted with a paint record, selects in
// one colour and window views (TMapAccess). A null rectangle gives 0.
LONG docPaintMapObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object, const PAINTPARM* parm);
LONG docPaintOffsetMapObject95(HMAP hMap, HDC dc, const RECT* rect, HOBJ object,
                               const PAINTPARM* parm, const DOUBLEPOINT* offset, LONG kind);
LONG docPaintUserObject(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                        const PLACEDATA* data, LONG kind);
LONG docPaintUserObject95(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                          const PLACEDATA* data, LONG kind);
LONG docPaintOffsetUserObject95(HMAP hMap, HDC dc, const RECT* rect, const PAINTPARM* parm,
                                const PLACEDATA* data, const DOUBLEPOINT* offset, LONG kind);
LONG docView(HMAP hMap, HWND window, LONG erase, const DOUBLEPOINT* point, LONG kind);
LONG docViewSelect(HMAP hMap, HWND window, const DOUBLEPOINT* point, HSELECT select,
                   COLORREF colour, LONG kind);
LONG docViewObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object, LONG kind);
LONG docViewMapObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object,
                      const PAINTPARM* parm, LONG kind);
LONG docViewOffsetMapObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, HOBJ object,
                            const PAINTPARM* parm, const DOUBLEPOINT* offset, LONG kind);
LONG docViewUserObject(HMAP hMap, HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                       const PLACEDATA* data, LONG kind);
LONG docViewOffsetUserObject(HMAP hMap, HWND window, const DOUBLEPOINT* point,
                             const PAINTPARM* parm, const PLACEDATA* data,
                             const DOUBLEPOINT* offset, LONG kind);

// Scales.
double docGetViewScale(HMAP hMap);
LONG docGetShowScale(HMAP hMap);
double docGetRealShowScale(HMAP hMap);
LONG docScaleToRoundScale(double scale);
LONG docSetViewScale(HMAP hMap, LONG* x, LONG* y, float scale);
LONG docChangeViewScale(HMAP hMap, LONG* x, LONG* y, float factor);

// Turn and picture size.
double docSetupTurn(HMAP hMap, double angle, double least);
LONG docTurnIsActive(HMAP hMap);
double docGetTurnAngle(HMAP hMap);
LONG docGetPictureWidth(HMAP hMap);
LONG docGetPictureHeight(HMAP hMap);
LONG docGetPictureSize(HMAP hMap, LONG* width, LONG* height);

// Background, brightness, contrast and colours. A site is 0 or the map
// handle for the main map, else one of the document's user maps.
COLORREF docGetBackColor(HMAP hMap);
COLORREF docSetBackColor(HMAP hMap, COLORREF colour);
LONG docGetSiteBright(HMAP hMap, HSITE site);
LONG docSetSiteBright(HMAP hMap, HSITE site, LONG bright);
LONG docGetSiteContrast(HMAP hMap, HSITE site);
LONG docSetSiteContrast(HMAP hMap, HSITE site, LONG contrast);
LONG docGetSiteColorsCount(HMAP hMap, HSITE site);
LONG docGetSitePalette(HMAP hMap, HSITE site, COLORREF* colours, LONG count);
LONG docGetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count);
LONG docSetSiteColors(HMAP hMap, HSITE site, const COLORREF* colours, LONG count);
HPALETTE docGetMapPalette(HMAP hMap);
COLORREF docGetMapColor(HMAP hMap, LONG index);
LONG docGetColorCount(HMAP hMap);

// Pictures the host holds (TMapAccess, document/picture.cpp); a null
// rectangle gives 0.
LONG docPaintToEmf(HMAP hMap, const char* name, const METAFILEBUILDPARM* parm);
LONG docPaintToEmfEx(HMAP hMap, const char* name, const METAFILEBUILDPARMEX* parm);
LONG docPaintToDib(HMAP hMap, BITMAPINFOHEADER* info, char* bits, const RECT* rect);
LONG docPaintToImage(HMAP hMap, RGBQUAD* palette, char* bits, LONG width, LONG height,
                     const RECT* rect);
