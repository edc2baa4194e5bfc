// The pixel rasteriser: every solid line the memory-image painters draw.
// Thin and thick polylines are written pixel by pixel into the paint
// context's 32-bit picture (row y at the picture's top row minus y times the
// stride, pixel x the 32-bit word x of its row), clipped to the current draw
// place (the image width and height, bounded by the allocated image); a
// second writer draws thick polylines into a caller's 1-bit mask.
//
// Polyline sets are walked part by part: a part of 0 or fewer points ends
// the walk (later parts are not drawn); a part of one point is a segment from
// the point to itself. A segment with cx = |dx| + 1 <= cy = |dy| + 1 is
// steep (one pixel per row, walked downwards), any other flat (one pixel per
// column, walked rightwards); the minor coordinate steps when an error that
// starts at the major count and falls by the minor count per pixel drops
// below 1. Clipping writes exactly the pixels of that walk that lie inside:
// a segment is cut to the picture before it is stepped, so points far
// outside (up to the 32-bit limits) cost nothing.
//
// Thick lines are parallel one-pixel copies of each segment, h = t / 2:
// steep segments with cy / cx >= 2 as t copies from x - h to x - h + t - 1,
// flat ones with cx / cy >= 2 as t copies from y - h; segments nearer the
// diagonal as t + 1 copies whose starts climb a staircase across the line,
// closing the gaps parallel diagonal copies would leave. No joins or caps.
//
// Nothing is allocated; the state of a call lives on the stack. One painting
// call at a time, like the paint context itself.
#pragma once

#include <cstdint>

#include "drawing/polydata.h"
#include "platform/win_types.h"

// A solid line as the line painters hand it over: the pixel value already in
// image order (0x00RRGGBB) and the thickness in 1/250 pixel at scale 1.0.
struct RASTERLINE {
  DWORD Pixel;
  LONG Thickness;
};
static_assert(sizeof(RASTERLINE) == 8);

// A solid line by palette index: the entry of colour table B and the
// thickness in whole pixels.
struct RASTERINDEXLINE {
  BYTE Index;
  BYTE Thickness;
};
static_assert(sizeof(RASTERINDEXLINE) == 2);

// Line thickness t = Thickness / 250, times the scale (truncated) when the
// scale is above 0.001; t below 2 draws the thin polyline, else the thick one.
void RasterLine(const POLYDATA* data, const RASTERLINE* line, float scale);
// Pixel = colour table B entry; t = Thickness, times the scale (truncated)
// when the scale is above 0.01; thin below 2, else thick.
void RasterLineByIndex(const POLYDATA* data, const RASTERINDEXLINE* line, float scale);
// One-pixel polyline.
void RasterThinPolyline(const POLYDATA* data, DWORD pixel);
// Polyline of thickness pixels; below 2 it is the one-pixel polyline.
void RasterThickPolyline(const POLYDATA* data, LONG thickness, DWORD pixel);

// 1 when the one-pixel walk of the segment from a to b, pixel for pixel as
// the thin polylines are drawn (a = b: the one pixel), has a pixel in the
// box of columns left .. right - 1 and rows top .. bottom - 1; else 0.
// Found in closed form, so a segment from far outside costs no steps.
int SegmentWalkMeets(POINT a, POINT b, int64_t left, int64_t top, int64_t right, int64_t bottom);

// A caller's 1-bit mask for RasterMaskPolyline. Row y begins at Row0 minus
// (y - Y0) * (RowBytes / 4) * 4 bytes (a negative RowBytes makes a top-down
// mask); pixel x lies in 32-bit word (x - X0) / 32 of its row, bit
// 31 - (x - X0) % 32 (the leftmost pixel of a word is its top bit). Bits are
// only set, never cleared. Pixels are written where x >= max(X0, 0),
// y >= max(Y0, 0), x < Right and y < Bottom.
struct MASKLINECONTEXT {
  LONG X0;          // picture column of the top bit of each row's first word
  LONG Y0;          // picture row of Row0
  BYTE* Row0;       // first word of row Y0, 4-byte aligned
  LONG RowBytes;    // signed row length in bytes
  LONG Right;       // first column outside
  LONG Bottom;      // first row outside
};

// Thick polyline into the mask: steep segments as thickness copies from
// x - thickness / 2, flat ones from y - thickness / 2, no staircase. A
// thickness below 1 draws one copy.
void RasterMaskPolyline(const MASKLINECONTEXT* context, const POLYDATA* data, int thickness);

// Paints a polyline set into a top-down 1-bit mask of width x height
// pixels, rows of width / 32 whole 32-bit words (bit order as above; the
// callers pass widths that are multiples of 32, any rest of a row is left
// out): the mask is cleared, the inside of all parts together is filled by
// the even-odd rule and the outline drawn 3 pixels thick. 1; 0 without
// polylines, without a mask or when the mask has no whole word or row.
int PaintObjectToMask(const POLYDATA* data, DWORD* mask, int width, int height);
