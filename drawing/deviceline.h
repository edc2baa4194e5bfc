// Dashed lines on a device: the length of a polyline, and the dash walker
// that lays dashes of any thickness along a polyline set onto a device
// context. The device painter of dashed lines, the hatch painters and the
// small-text line of the text painter draw through DrawDeviceLine.
//
// Everything is in pixels of the target, y downwards. A part's dashes are
// stretched so that a whole number of periods fills it and it begins and
// ends with half a dash; dashes bend around corners. Segments outside the
// painted area only advance the pattern. Nothing is allocated; the line
// state is process-wide, like the paint context: one painting at a time.
#pragma once

#include <cstdint>

#include "drawing/polydata.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

// A dashed line in pixels: colour (0xFFFFFFFF: nothing is drawn),
// thickness, dash length and gap length.
struct DEVICEDASHLINE {
  COLORREF Color;
  LONG Thickness;
  LONG Dash;
  LONG Gap;
};
static_assert(sizeof(DEVICEDASHLINE) == 16);

// The line the walkers draw, copied from a DEVICEDASHLINE before each
// drawing: the dash is at least 1; the gap is the record's gap + 1 (1 for
// a gap of -1).
struct DEVICELINESTATE {
  COLORREF Color;
  LONG Thickness;
  LONG Dash;
  LONG Gap;
};
extern DEVICELINESTATE DeviceLineState;

// Sum of the lengths of the segments (|dy| or |dx| for axis-parallel ones,
// else the square root); 0 for fewer than two points or no points.
double PolylineLength(const POINT* points, int count);

// The dashed polyline set on the device: nothing for colour 0xFFFFFFFF or
// a missing record or set. Selects a one-pixel pen of the colour, fills
// DeviceLineState, draws thin (thickness up to 1) or thick with the exact
// width, and restores the pen.
void DrawDeviceLine(HDC dc, POLYDATA* data, const DEVICEDASHLINE* line, double width);

// The walkers on DeviceLineState. A part count below 0 ends the drawing; a
// part of fewer than two points or shorter than 1 pixel is passed over.
// Thin: every dash piece a two-point chunked polyline, clipped against the
// paint context's image. Thick: every dash piece a filled six-point band
// of the width, its first corner joined to the piece before it on the
// outer side of a turn; the image is widened by half the width. A line
// thicker than its dash starts with half a gap, and its pieces are not
// joined.
void DrawThinDashedLine(HDC dc, POLYDATA* data);
void DrawThickDashedLine(HDC dc, POLYDATA* data, double width);

// --- Shared with the pattern line ---

// A clipping window [Left, Right) x [Top, Bottom) in pixels.
struct CLIPWINDOW {
  int64_t Left, Top, Right, Bottom;
};
// The paint context's image widened by `widen` on every side: from
// -floor(widen) to ceil(size + widen).
CLIPWINDOW ImageClipWindow(double widen);
// 1: x left of the window, 2: right of it, 4: y above it, 8: below it. A
// segment whose ends share a bit lies outside.
int ClipOutcode(POINT p, const CLIPWINDOW& w);
// The length and unit direction of a segment: exact for axis-parallel
// ones (no square root); false for a zero-length segment.
bool SegmentDirection(POINT a, POINT b, double* length, double* ux, double* uy);
// The point at distance s from a along (ux, uy), each coordinate through
// NearestClamped.
POINT PointAlong(POINT a, double ux, double uy, double s);
// The distances along a segment between which it may lie in the window
// widened by a margin; false when it never does.
bool SegmentWindowRange(POINT a, double ux, double uy, double length, const CLIPWINDOW& w,
                        double margin, double* from, double* to);

// The nearest integer of a value clamped to +-65000, halves away from
// zero.
LONG NearestClamped(double v);

// The band of one piece from a to b along the unit direction (ux, uy) with
// half-width h: a - o, j, a + o, b + o, b - o, a - o with o = (nearest(uy
// h), nearest(-ux h)), filled in the colour. j = a - o for a piece that is
// not joined.
POINT BandOffset(double ux, double uy, double h);
// The six points of the band into `ring`.
void BandPolygon(POINT a, POINT j, POINT b, POINT o, POINT* ring);
void FillBand(HDC dc, POINT a, POINT j, POINT b, POINT o, COLORREF color);
// The join corner at the end b of a piece with offset o, for the segment
// from a to b that goes on towards n: b - o when the line turns left on
// the screen at b, else b + o (the outer side of the turn).
POINT JoinCorner(POINT a, POINT b, POINT n, POINT o);
