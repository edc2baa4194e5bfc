/* Painting a map document and its view, as a host program sees them:
 * painting into a window, a device or a caller's 8-bit image, the scales
 * and round scales, the turn of the picture, the picture's size, and the
 * background, brightness, contrast and palette of the colours. Every
 * function answers 0 (0.0, a null handle) for a null, closed or foreign
 * map handle. */
#ifndef MAPCORE_API_VIEW_API_H
#define MAPCORE_API_VIEW_API_H

#include "types/maptypes.h"
#include "types/paintparm.h"
#include "types/picturetypes.h"

/* Paints the picture rectangle (picture pixels) on the device: visual
 * types 1 and 2 through the memory image on a display (any other device
 * with visual type 6 for the call), 3 and up straight onto the device.
 * mapPaint moves the viewport origin by the rectangle's corner for the
 * call, so that the rectangle lands in its place on a device whose
 * logical coordinates are picture coordinates; mapPaint95 leaves the
 * origin alone. erase -2 paints over what the window shows. 0 for a null
 * rectangle. */
MAPAPI LONG WINAPI mapPaint(HMAP hMap, HDC hdc, LONG erase, RECT* rect);
MAPAPI LONG WINAPI mapPaint95(HMAP hMap, HDC hdc, LONG erase, RECT* rect);
/* One object painted alone: mapPaintObject with erase 1, the origin moved
 * by the rectangle's corner; mapPaintObjectEx with the caller's erase and
 * keep (keep non-zero: the origin, palette, clip and text alignment of the
 * device left alone); mapPaintObject95 with erase 1 and the origin left
 * alone. 1, or 0 for a null device, rectangle or object. */
MAPAPI LONG WINAPI mapPaintObject(HMAP hMap, HDC hdc, RECT* rect, HOBJ info);
MAPAPI LONG WINAPI mapPaintObjectEx(HMAP hMap, HDC hdc, RECT* rect, HOBJ info, LONG erase,
                                    LONG keep);
MAPAPI LONG WINAPI mapPaintObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info);
/* The object alone painted into a caller's top-down 8-bit image of height
 * rows of width bytes, each pixel the index of the nearest palette entry
 * (mapGetMapColor); the first `rows` rows. 1, or 0 for a null rectangle
 * or object. */
MAPAPI LONG WINAPI mapPaintObjectToImage(HMAP hMap, char* bits, LONG width, LONG height,
                                         LONG rows, RECT* rect, HOBJ info);

/* An object painted with a paint record on the device, its pixels from the
 * rectangle's top left (the origin left alone); a null record paints its
 * own image in its own colours. Image 255 (PAINT_OWN_IMAGE) is the
 * object's own image in the record's colour (0xFFFFFFFF: its own colours).
 * The Offset form moves it by a displacement of a kind (1 map, 2 picture:
 * whole pixels toward zero, 3 plane metres, 4 geographic) and needs every
 * argument. 1, or 0. */
MAPAPI LONG WINAPI mapPaintMapObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info,
                                       PAINTPARM* parm);
MAPAPI LONG WINAPI mapPaintOffsetMapObject95(HMAP hMap, HDC hdc, RECT* rect, HOBJ info,
                                             PAINTPARM* parm, DOUBLEPOINT* offset, LONG kind);
/* A caller's points of a kind painted with a paint record: each point the
 * picture pixel (truncated after adding 0.5) less the rectangle's corner;
 * as many points as the shared point buffer holds, the last part cut.
 * mapPaintUserObject moves the viewport origin by the rectangle's corner
 * for the call. The Offset form moves the points by a displacement of the
 * same kind, less the rectangle's left and top. 1, or 0 (also for a
 * negative part or point count). */
MAPAPI LONG WINAPI mapPaintUserObject(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                      PLACEDATA* data, LONG kind);
MAPAPI LONG WINAPI mapPaintUserObject95(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                        PLACEDATA* data, LONG kind);
MAPAPI LONG WINAPI mapPaintOffsetUserObject95(HMAP hMap, HDC hdc, RECT* rect, PAINTPARM* parm,
                                              PLACEDATA* data, DOUBLEPOINT* offset, LONG kind);
/* A window shows the picture from a point of a kind (a picture point
 * rounded) at its client area's top left: the document, a select in one
 * colour, an object, an object or points with a paint record. 0 when the
 * point does not convert. */
MAPAPI LONG WINAPI mapView(HMAP hMap, HWND hwnd, LONG erase, DOUBLEPOINT* point, LONG kind);
MAPAPI LONG WINAPI mapViewSelect(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HSELECT select,
                                 COLORREF color, LONG kind);
MAPAPI LONG WINAPI mapViewObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info, LONG kind);
MAPAPI LONG WINAPI mapViewMapObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info,
                                    PAINTPARM* parm, LONG kind);
MAPAPI LONG WINAPI mapViewOffsetMapObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, HOBJ info,
                                          PAINTPARM* parm, DOUBLEPOINT* offset, LONG kind);
MAPAPI LONG WINAPI mapViewUserObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point, PAINTPARM* parm,
                                     PLACEDATA* data, LONG kind);
MAPAPI LONG WINAPI mapViewOffsetUserObject(HMAP hMap, HWND hwnd, DOUBLEPOINT* point,
                                           PAINTPARM* parm, PLACEDATA* data, DOUBLEPOINT* offset,
                                           LONG kind);

/* The denominator of the scale the picture shows (as a double and as an
 * integer), and base scale / zoom (1.0 at the smallest zoom). */
MAPAPI double WINAPI mapGetViewScale(HMAP hMap);
MAPAPI LONG WINAPI mapGetShowScale(HMAP hMap);
MAPAPI double WINAPI mapGetRealShowScale(HMAP hMap);
/* The nearest of the round scales 1, 2, 5, 10, 25, 50, 100, ...,
 * 150000000, 250000000 (a scale on a midpoint gives the smaller). */
MAPAPI LONG WINAPI mapScaleToRoundScale(double scale);
/* Shows the map at 1:scale (mapSetViewScale) or changes the zoom by a
 * factor (mapChangeViewScale; below 0.001: back to zoom 1.0), the picture
 * point (x, y) moved so that it stays on its ground point. 0 (nothing
 * changed) for a zoom outside 0.001..400 or a null point. */
MAPAPI LONG WINAPI mapSetViewScale(HMAP hMap, LONG* x, LONG* y, float scale);
MAPAPI LONG WINAPI mapChangeViewScale(HMAP hMap, LONG* x, LONG* y, float factor);
/* What the map shows: mapSetViewSelect copies the select's conditions into
 * the document's view select, mapGetViewSelect the view select's into the
 * select. 1, or 0 for a null, closed or foreign handle. */
MAPAPI LONG WINAPI mapSetViewSelect(HMAP hMap, HSELECT select);
MAPAPI LONG WINAPI mapGetViewSelect(HMAP hMap, HSELECT select);

/* Turns the picture by the angle (radians; below 0.001 in size: no turn; a
 * change smaller than `least` and pi/6 is ignored): the angle in force. */
MAPAPI double WINAPI mapSetupTurn(HMAP hMap, double angle, double least);
MAPAPI LONG WINAPI mapTurnIsActive(HMAP hMap);
MAPAPI double WINAPI mapGetTurnAngle(HMAP hMap);
/* The picture's size in pixels; mapGetPictureSize zeroes both first. */
MAPAPI LONG WINAPI mapGetPictureWidth(HMAP hMap);
MAPAPI LONG WINAPI mapGetPictureHeight(HMAP hMap);
MAPAPI LONG WINAPI mapGetPictureSize(HMAP hMap, LONG* width, LONG* height);

/* The background (0x00BBGGRR; 0xFFFFFF for a null handle); the setter
 * rebuilds the palette and returns the background. */
MAPAPI COLORREF WINAPI mapGetBackColor(HMAP hMap);
MAPAPI COLORREF WINAPI mapSetBackColor(HMAP hMap, COLORREF colour);
/* Brightness and contrast of the main map's colours (-16..16); the
 * setters rebuild the palette and return the value kept. */
MAPAPI LONG WINAPI mapGetBright(HMAP hMap);
MAPAPI LONG WINAPI mapSetBright(HMAP hMap, LONG bright);
MAPAPI LONG WINAPI mapGetContrast(HMAP hMap);
MAPAPI LONG WINAPI mapSetContrast(HMAP hMap, LONG contrast);
/* The same for a map of the document: site 0 (or the map handle) is the
 * main map. */
MAPAPI LONG WINAPI mapGetSiteBright(HMAP hMap, HSITE site);
MAPAPI LONG WINAPI mapSetSiteBright(HMAP hMap, HSITE site, LONG bright);
MAPAPI LONG WINAPI mapGetSiteContrast(HMAP hMap, HSITE site);
MAPAPI LONG WINAPI mapSetSiteContrast(HMAP hMap, HSITE site, LONG contrast);
/* A map's colours: their number; min(count, 256) of them as shown (after
 * brightness and contrast) or as kept, the number copied (0 for a
 * negative count or null buffer); new colours (brightness and contrast
 * applied again, the palette rebuilt): 1, or 0. */
MAPAPI LONG WINAPI mapGetSiteColorsCount(HMAP hMap, HSITE site);
MAPAPI LONG WINAPI mapGetSitePalette(HMAP hMap, HSITE site, COLORREF* colours, LONG count);
MAPAPI LONG WINAPI mapGetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count);
MAPAPI LONG WINAPI mapSetSiteColors(HMAP hMap, HSITE site, COLORREF* colours, LONG count);
/* The document's palette: its GDI palette, entry `index` (0 for an index
 * outside 0..255) and the number of entries in use. */
MAPAPI HPALETTE WINAPI mapGetMapPalette(HMAP hMap);
MAPAPI COLORREF WINAPI mapGetMapColor(HMAP hMap, LONG index);
MAPAPI LONG WINAPI mapGetColorCount(HMAP hMap);

/* Pictures the host holds. mapPaintToEmf: an enhanced metafile file of the
 * frame about a centre (half sides scale x size x 0.0005 metres);
 * mapPaintToEmfEx: of a frame, with the record's visual type, fill
 * intensity, monochrome and frame switches. Nonzero when the file was
 * written. mapPaintToDib: the picture rectangle into a bottom-up bitmap of
 * 8 (with the 256 colour entries after the header filled), 16 (5-5-5), 24
 * or 32 bits per pixel; mapPaintToImage: into a top-down byte image of
 * width x height with its 256-entry colour table. Each pixel of an 8-bit
 * picture is the index of the table entry equal to its colour, else the
 * nearest. Of the bitmap's header only biWidth and biHeight (both at least
 * 1), biBitCount and biSizeImage are read: a row is biSizeImage / biHeight
 * bytes long, or, for a biSizeImage of 0, biWidth x biBitCount bits padded
 * to whole 4 bytes (the pixels are written uncompressed whatever
 * biCompression says). 1, or 0 for a null argument, an empty rectangle,
 * another bit count or a biSizeImage smaller than the rows need. */
MAPAPI LONG WINAPI mapPaintToEmf(HMAP hMap, const char* name, METAFILEBUILDPARM* parm);
MAPAPI LONG WINAPI mapPaintToEmfEx(HMAP hMap, const char* name, METAFILEBUILDPARMEX* parm);
MAPAPI LONG WINAPI mapPaintToDib(HMAP hMap, BITMAPINFOHEADER* info, char* bits, RECT* rect);
MAPAPI LONG WINAPI mapPaintToImage(HMAP hMap, RGBQUAD* palette, char* bits, LONG width,
                                   LONG height, RECT* rect);

/* Edit-node markers: while node display is on, every object painted
 * through the memory image gets a 4 x 4 marker at each of its points (the
 * first point of each part in the first colour with its first segment
 * dashed, the others in the centre colour, all ringed in the border
 * colour); printing and other device painting leave them out. Display is
 * off when a document opens. mapSetNodeView turns it on (non-zero) or off
 * and answers the previous setting. The colours (0x00BBGGRR; white,
 * 0x2020F0 and black at first) and the node type (kept within 1..3, 2 at
 * first): the setters answer what they kept. */
MAPAPI LONG WINAPI mapSetNodeView(HMAP hMap, LONG view);
MAPAPI LONG WINAPI mapGetNodeView(HMAP hMap);
MAPAPI COLORREF WINAPI mapSetNodeCenterColor(HMAP hMap, COLORREF colour);
MAPAPI COLORREF WINAPI mapGetNodeCenterColor(HMAP hMap);
MAPAPI COLORREF WINAPI mapSetNodeFirstColor(HMAP hMap, COLORREF colour);
MAPAPI COLORREF WINAPI mapGetNodeFirstColor(HMAP hMap);
MAPAPI COLORREF WINAPI mapSetNodeBorderColor(HMAP hMap, COLORREF colour);
MAPAPI COLORREF WINAPI mapGetNodeBorderColor(HMAP hMap);
MAPAPI LONG WINAPI mapSetNodeType(HMAP hMap, LONG type);
MAPAPI LONG WINAPI mapGetNodeType(HMAP hMap);

#endif
