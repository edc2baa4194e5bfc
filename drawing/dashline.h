// Dashed, thick and banded lines of the memory image: a dashed one-pixel
// stepper, a thick line made of parallel one-pixel copies sharing one dash
// phase, and a band of copies beside the polyline. The dashed-line
// painters set the line state and call them; solid lines go to the pixel
// rasteriser instead.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

// The line state (process-wide), set by the caller before each polyline.
struct DIBLINESTATE {
  LONG Gap;        // run length of state 0, pixels
  LONG Dash;       // run length of state 1
  LONG Thickness;  // pixels
  DWORD Pixel;     // image order (0x00RRGGBB)
  LONG State;      // 1 while in a dash
  LONG Left;       // pixels left in the current run
};
extern DIBLINESTATE DibLineState;

// One-pixel and thick dashed polylines with the line state as set.
void DrawThinLine(const POLYDATA* data);
void DrawThickLine(const POLYDATA* data);
// The side band of the line state's thickness beside the polyline: on the
// right of the direction of travel (line with dashed overlay) or on its
// left (the same with the second scaling).
void DrawRightBand(const POLYDATA* data);
void DrawLeftBand(const POLYDATA* data);
