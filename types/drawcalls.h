/* The table of drawing callbacks a host hands to mapPaintToScript: the
 * painting runs as usual, and every line, area, text, pen and brush goes to
 * the host as a call instead of onto a device. Points are picture pixels
 * (x to the right, y down) at the resolutions given to mapPaintToScript;
 * colours are 0x00BBGGRR. Plain C99 and C++; the library's painters are
 * built on the same definitions. */
#ifndef MAPCORE_TYPES_DRAWCALLS_H
#define MAPCORE_TYPES_DRAWCALLS_H

#include "types/fonttypes.h"
#include "types/maptypes.h"
#include "types/layout.h"

/* A line through `count` points (a single point comes twice). */
typedef void(WINAPI* DRAWPOLYLINECALL)(POINT* points, int count);
/* Filled areas: polygonCount polygons, polygon i of counts[i] points, one
 * after another in `points`; bounds is their bounding rectangle (right and
 * bottom exclusive). */
typedef void(WINAPI* DRAWPOLYGONCALL)(POINT* points, int* counts, int polygonCount,
                                      RECT* bounds);
/* A text (zero-terminated, code page 1251) whose base line starts at x, y,
 * in the font described; `zero` is always 0. */
typedef void(WINAPI* DRAWTEXTCALL)(int x, int y, const char* text, LOGFONTA* font, int zero,
                                   COLORREF colour);
/* The pen of the lines that follow (width in pixels; below 1: no outline),
 * and the brush of the areas that follow. */
typedef void(WINAPI* DRAWPENCALL)(int width, COLORREF colour);
typedef void(WINAPI* DRAWBRUSHCALL)(COLORREF colour);
/* Progress of the whole painting: 0 at the start, 100 at the end; an answer
 * is not expected. */
typedef void(WINAPI* DRAWPROGRESSCALL)(int percent);

/* The callbacks in slot order; a null slot is skipped. */
typedef struct DrawingCallbackTable {
  DRAWPOLYLINECALL PolylineCall;
  DRAWPOLYGONCALL PolygonCall;
  DRAWTEXTCALL TextCall;
  DRAWPENCALL PenCall;
  DRAWBRUSHCALL BrushCall;
  DRAWPROGRESSCALL ProgressCall;
} DrawingCallbackTable;
#if MC_POINTERS_8
MC_PLACE(DrawingCallbackTable, PolylineCall, 0);
MC_PLACE(DrawingCallbackTable, PolygonCall, 8);
MC_PLACE(DrawingCallbackTable, TextCall, 16);
MC_PLACE(DrawingCallbackTable, PenCall, 24);
MC_PLACE(DrawingCallbackTable, BrushCall, 32);
MC_PLACE(DrawingCallbackTable, ProgressCall, 40);
MC_SIZE(DrawingCallbackTable, 48);
#endif

#ifdef __cplusplus
static_assert(sizeof(DrawingCallbackTable) == 6 * sizeof(void*), "DrawingCallbackTable layout");
#endif

#endif
