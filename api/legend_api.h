/* Legend samples: an object kind of the document's classifier, or a bare
 * primitive (its code and parameters), painted as a small sample into a
 * rectangle of a device context: a line across the box, a notched area,
 * the sign at the centre, a sample text ("AaBbCc"). A view type other than
 * 0 is the document's visual type for the call (3 and up take a kind's
 * print record when it has one). Palettes are 0x00BBGGRR colours. Each
 * answers 1 when a sample was painted (also the empty sample of a kind
 * without a usable image, whatever the rectangle) and 0 for a null, closed
 * or foreign document, a missing argument or an empty or reversed
 * rectangle (at every view type). */
#ifndef MAPCORE_API_LEGEND_API_H
#define MAPCORE_API_LEGEND_API_H

#include "types/maptypes.h"
#include "types/polydata.h"

/* Object kind `incode` of the main map's classifier. */
MAPAPI LONG WINAPI mapPaintExampleObject(HMAP hMap, HDC hdc, RECT* rect, LONG incode);
MAPAPI LONG WINAPI mapPaintExampleObjectEx(HMAP hMap, HDC hdc, RECT* rect, LONG incode,
                                           LONG viewType);
/* A primitive of a line kind in the rectangle given by its sides, in the
 * `count` colours of the palette (none: the main map's), showing `text`
 * (null: the sample text). */
MAPAPI LONG WINAPI mapPaintExampleObjectFunc(HMAP hMap, HDC hdc, LONG left, LONG top,
                                             LONG right, LONG bottom, LONG code,
                                             const char* parm, LONG count,
                                             const COLORREF* palette, LONG viewType,
                                             const char* text);
/* A primitive over the caller's points (pixels from the rectangle's top
 * left; null: the sample of a line kind) at fill intensity 100; without a
 * code or parameters the empty sample. Points without a text show `text`
 * (null: the sample text) for the call; their own list is left as it was. */
MAPAPI LONG WINAPI mapPaintExampleObjectRealByFuncData(HMAP hMap, HDC hdc, RECT* rect, LONG code,
                                                       const char* parm, POLYDATA* data,
                                                       LONG count, const COLORREF* palette,
                                                       LONG viewType, const char* text);

#endif
