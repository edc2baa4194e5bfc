// Dashed, thick and banded lines of the memory image: a dashed one-pixel
// stepper, a thick line made of parallel one-pixel copies sharing one dash
// phase, and a band of copies beside the polyline. The dashed-line
// painters set the line state and call them; solid lines go to the pixel
// rasteriser instead.
//
// The dash phase: per pixel, when the pixels left in the run are below 1
// the state flips (dash <-> gap) and the run of the new state is loaded;
// the pixel is written while in a dash; then the pixels left fall by one.
// A run of 0 still takes one pixel, so a gap of 0 leaves one pixel out
// after every dash. After an edge the pixels left rise by one: the end
// pixel, which starts the next edge, counts once. Each part starts with a
// whole dash; a run of edges wholly beyond one side of the picture is
// passed over, and the edge that comes back starts a whole dash again.
//
// An edge is stepped from its start: |dx| + 1 <= |dy| + 1 along y (steep),
// otherwise along x, the minor coordinate moving towards the end when an
// error that starts at the major count and falls by the minor count per
// pixel drops below 1. Edges reaching outside the picture are cut to it in
// closed form, the dash phase counted over the pixels cut off, so any
// 32-bit coordinates cost only the visible pixels. No joins or caps:
// corners are the union of the copies.
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
  // The current edge (the steppers' input) and the clipping margin.
  LONG X1, Y1, X2, Y2;
  LONG CountX, CountY;  // |dx| + 1, |dy| + 1 (saturated)
  LONG Dx, Dy;          // (saturated)
  LONG HalfWidth;
};
extern DIBLINESTATE DibLineState;

// Stores the line state and draws: thickness above 64 becomes 64 and below
// 0 becomes 1; below 2 the one-pixel line, else the thick one.
void DrawDibLine(const POLYDATA* data, int thickness, int dash, DWORD pixel, int gap);

// One-pixel and thick dashed polylines with the line state as set. A part
// of 0 or fewer points ends the set; a part of one point draws nothing.
// Thick lines (h = thickness / 2) are thickness copies from x - h (steep
// edges, |dy| + 1 at least twice |dx| + 1) or from y - h (flat ones), or,
// nearer the diagonal, thickness + 1 copies whose starts climb a
// staircase across the line; every copy of an edge starts from the dash
// phase of the edge's start, so dashes are bands across the whole width.
void DrawThinLine(const POLYDATA* data);
void DrawThickLine(const POLYDATA* data);
// The band of the line state's thickness T (1..128) beside the polyline,
// from distance offset (-64..64) to offset + T - 1 on the right-hand side
// of the direction of travel (y downwards); a negative offset moves it
// onto the left-hand side.
void DrawBandLine(const POLYDATA* data, int offset);
// Offset +thickness (line with a dashed band) and -thickness (the same
// with the second scaling).
void DrawRightBand(const POLYDATA* data);
void DrawLeftBand(const POLYDATA* data);

// One edge, the line state's current edge, with the line state's dash
// phase: steep or flat, wholly inside the picture or cut to it.
void StepSteep();
void StepFlat();
void StepSteepClipped();
void StepFlatClipped();
