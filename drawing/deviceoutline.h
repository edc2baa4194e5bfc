// Drawing steps on a device that several device painters share: a polygon
// set filled in one colour, a polyline set drawn in bounded chunks, the
// device polyline drawer of the line painters, and wide polylines as
// filled bands.
//
// Points are pixel pairs relative to the painted area's top-left corner,
// y downwards. The operations draw through the device drawing wrappers
// (pens, brushes, polylines, polygons), so a host's drawing callbacks get
// the same calls. Nothing is allocated: the polygons of wide lines live on
// the stack. One painting call at a time, like the paint context.
#pragma once

#include <cstddef>

#include "drawing/polydata.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

// A line on a device: its colour (COLORREF, already converted for the
// device; 0xFFFFFFFF draws nothing where the drawer tests for it) and its
// thickness in device pixels.
struct DEVICELINE {
  COLORREF Color;
  LONG Thickness;
};
static_assert(sizeof(DEVICELINE) == 8);

// The device being painted on as the outline operations see it: its
// technology (GetDeviceCaps TECHNOLOGY) and the painting area in pixels.
// The painting document copies them here on every change of device or
// size; process-wide, like the paint context.
struct DEVICEPAINTSTATE {
  LONG Technology;
  LONG Width;
  LONG Height;
};
extern DEVICEPAINTSTATE DevicePaintState;
// 1 while a legend sample is painted, else 0 (set by the painting front
// end; one painting at a time).
extern LONG PaintExampleSwitch;

// Exact widths above this are drawn as filled bands.
constexpr double WIDE_LINE_MIN = 2.5;
// Points of one polyline call of OutputPolylineChunks.
constexpr int POLYLINE_CHUNK = 256;

// The polygon set (all parts together, alternate filling) filled in the
// colour with a one-pixel outline of the same colour; the context's pen and
// brush are restored. A single ring of at most PICTURE_RING_MAX points on a
// context that shows a picture goes straight into it (same pixels).
void FillDevicePolygon(HDC dc, POLYDATA* data, COLORREF color);

// The polyline set with a solid pen of the line's colour, max(thickness, 1)
// pixels wide. Every part with a positive count is drawn in chunks of at
// most POLYLINE_CHUNK points; a chunk after the first starts at the last
// point of the one before, so chunks advance by POLYLINE_CHUNK - 1 points.
// Parts of 0 or fewer points are passed over.
void OutputPolylineChunks(HDC dc, POLYDATA* data, const DEVICELINE* line);

// The device polyline drawer of the line painters. Colour 0xFFFFFFFF: no
// line. Exact widths up to WIDE_LINE_MIN: on a plotter or a metafile the
// chunked polylines with the line's thickness; on other devices the
// thickness t (at least 1) as one-pixel device lines laid like the memory
// image's lines: one line per segment for t = 1; for t >= 2 (h = t / 2) t
// copies shifted across steep or flat segments from -h, and t + 1 copies on
// a staircase for segments near the diagonal; segments whose ends both lie
// more than h beyond the same edge of the painting area are left out; a
// part of one point is a segment to itself; a part of 0 or fewer points
// ends the walk. Wider: DrawWideDeviceLine with the exact width.
void DrawDevicePolylines(HDC dc, POLYDATA* data, const DEVICELINE* line, double width);

// The polyline set as filled bands of the exact width w (only the line's
// colour is read): each segment a six-point polygon A - o, J, A + o, B + o,
// B - o, A - o, o being the segment's normal of half the width (to the left
// of the direction of travel), J the outer corner of the band before, so
// that consecutive bands meet in a bevel on the outer side of each turn.
// Ends are cut square. A segment whose ends lie beyond the same edge of the
// image widened by w / 2 is not drawn, and the band after it starts
// without a join; a closed part starting inside has its first corner
// bevelled like the others. Parts of one point, or whose points all
// coincide, draw nothing; a part count below 0 ends the drawing.
void DrawWideDeviceLine(HDC dc, POLYDATA* data, const DEVICELINE* line, double width);

// The record of a device 32 x 32 pattern fill (codes 136 and 144).
struct DEVICEPATTERNFILL {
  DWORD Background;  // both painters store 0xFFFFFFFF; the fill does not read it
  WORD Stagger;      // 0 and 0xFFFF: none; 0x5A5A, 0xA5A5 and others: a chequerboard
  BYTE Boundary;     // 1: a boundary cell gets the whole pattern or nothing
  BYTE Weight;       // non-zero: outline pen of a pattern pixel's size, 0: half
  COLORREF Color;    // the pattern's colour on the device
  LONG CellSize;     // drawn size of the 32 x 32 pattern in device pixels
  LONG StepV;        // grid steps in device pixels (at least the cell size)
  LONG StepH;
  BYTE Pattern[128]; // 32 rows of 4 bytes from the top, most significant bit leftmost
};
static_assert(sizeof(DEVICEPATTERNFILL) == 152);
static_assert(offsetof(DEVICEPATTERNFILL, Color) == 8);
static_assert(offsetof(DEVICEPATTERNFILL, Pattern) == 24);

// The polygon set covered by a grid of cells anchored at its top-left
// corner, each used cell with the pattern's outlines; `second` decides the
// boundary cells in boundary mode 1 (see patternfill.h).
void PaintDevicePatternFill(HDC dc, POLYDATA* data, const DEVICEPATTERNFILL* fill,
                            const BYTE* second);
