// Marks as outlines: a mark is a 32 x 32 one-bit picture (32 rows of 4
// bytes from the top, the most significant bit of each byte leftmost).
// Tracing turns it into contour polylines in mark pixel units; placing
// scales and moves a trace onto the device, where it is drawn as
// polylines. The scaled bitmap signs (code 143, PaintScaledMark in
// devicepainters.h), the device pattern fills (patternfill.h) and the
// exported mark vectorisation use them.
//
// Traces are built in the paint context's work buffer: the points from
// its start, the part counts from MARK_COUNTS_AT; the device pattern fill
// places its cells from MARK_PLACED_AT on. One painting call at a time.
#pragma once

#include "drawing/polydata.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

enum : int {
  MARK_COUNTS_AT = 8448,                // bytes: the part counts of a trace
  MARK_POINTS_ROOM = MARK_COUNTS_AT / 8,  // points a trace may have
  MARK_PARTS_ROOM = 256,                // parts a trace may have
  MARK_WORK_MIN = 9472,                 // work buffer a trace needs
  MARK_PLACED_AT = 9472,                // bytes: a pattern fill's placed points
  PATTERN_WORK_MIN = 18944,             // work buffer a pattern fill needs
  VECTORIZE_COUNTS_AT = 2304,           // mapMarkVectorization: the counts
  VECTORIZE_POINTS_STEP = 192,          //   and its points after 192 bytes per contour
};

// Traces the mark into `out` (its point and count areas, room for
// `pointRoom` points and `partRoom` parts; Count receives the parts).
// Every set pixel not yet traced starts a contour (rows from the top,
// left to right) that follows the boundary of its 8-connected piece,
// keeping it on its left, back to the start; the pixels a contour passed
// are then cleared, so the inner rings of a thick piece become contours
// of their own. An isolated pixel is a contour of one point. Returns the
// number of points, or -1 when the room ran out (the trace is then
// incomplete and must not be drawn).
int TraceMarkContour(POLYDATA* out, const BYTE* mark, int pointRoom, int partRoom);

// The points of the trace at `from` scaled by the factor and moved to
// (x, y), each coordinate floor(p x factor + origin) within
// -65000..65000 (rounded down, so that a mark looks the same wherever it
// lies, also across the picture's top and left edges), written into the
// point array of `set` (whose counts say how many there are; `from` may be
// that array).
void PlaceMarkContour(const POINT* from, POLYDATA* set, LONG x, LONG y, float factor);

// The placed trace as polylines of the colour, max(thickness, 1) pixels
// wide.
void DrawMarkContour(HDC dc, POLYDATA* set, COLORREF color, LONG thickness);

// mapMarkVectorization: the outlines of a mark of size 32 into the
// caller's buffer of `length` bytes (at least MARK_WORK_MIN): a POLYDATA
// head (the addresses of the points and of the counts, the number of
// contours), the counts from VECTORIZE_COUNTS_AT and the points after
// VECTORIZE_POINTS_STEP bytes per contour. 1 when written; 0, writing
// nothing, when an argument is wrong, the work buffer is too small, the
// trace overran its room or the outlines do not fit into `length`.
int VectorizeMark(LONG size, const char* mark, LONG length, char* buffer);
