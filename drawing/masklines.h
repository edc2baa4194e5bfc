// Thick lines into a 1-bit mask for the sign painters: every part of a
// polyline set, its points scaled by two factors, drawn as `width`
// one-pixel lines that set (value nonzero) or clear (value 0) mask bits.
//
// Mask layout: row y lies RowBytes x (y - OriginY) bytes below the top
// row's address; in a row, pixel x (counted from OriginX) is bit
// 31 - (x mod 32) of 32-bit word x / 32, rounded down, so a pixel left of
// the origin lies in the words before the row's first one. Only pixels
// inside the clip window (MinX <= x < MaxX, MinY <= y < MaxY) are
// touched: the window is the caller's statement of the memory it may
// write.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

// The mask and clip window of RasterMaskLine (one set; one call at a time).
struct MASKLINEAREA {
  LONG MinX, MinY, MaxX, MaxY;  // the clip window
  LONG OriginX, OriginY;        // the point of the top row's first pixel
  BYTE* Top;                    // the top row, 4-byte aligned
  LONG RowBytes;                // row length in bytes, a multiple of 4
};
extern MASKLINEAREA MaskLineArea;

// Draws the parts: each point becomes (trunc(x x fx), trunc(y x fy)); a
// part of one point is a segment to itself, a part of 0 or fewer points
// ends the set. A segment is `width` one-pixel lines: more horizontal
// than vertical (|dy| + 1 < |dx| + 1) shifted vertically from width / 2
// rows above it downwards, otherwise shifted horizontally from width / 2
// columns left of it. Each line is stepped like the pixel rasteriser's
// (steep ones downwards, flat ones rightwards) and cut to the window in
// closed form, so far-away points cost nothing.
void RasterMaskLine(const POLYDATA* data, BYTE value, BYTE width, float fy, float fx);
