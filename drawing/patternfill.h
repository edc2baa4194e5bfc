// The device 32 x 32 pattern fill (codes 136 and 144 on a device):
// PaintDevicePatternFill (deviceoutline.h) covers the polygon set with a
// grid of cells of step x by step y device pixels anchored at its top-left
// corner, and draws the pattern's traced outlines in every used cell at f
// = cell size / 32 device pixels per pattern pixel.
//
// Cells are decided a block of the grid at a time (gridcells.h): the
// cells well inside get the whole pattern; the cells on the contour are
// cut at pattern resolution in plane 1 and get the whole pattern or
// nothing (boundary mode 1, decided on the second pattern) or the part of
// the pattern inside the figure.
//
// The fill works on a moved copy of the polylines (the caller's points
// stay as they are) and uses both mask planes, the window globals, the
// mask line area and the work buffer (at least PATTERN_WORK_MIN bytes,
// else nothing is painted): one painting call at a time.
#pragma once

#include "drawing/deviceoutline.h"
#include "drawing/gridcells.h"
#include "drawing/maskfill.h"
#include "drawing/polydata.h"
#include "platform/win_types.h"

// One fill's grid as its cell passes see it; positions in the moved space.
struct PATTERNGRID {
  GRIDCELLS Cells;    // steps, shift, stagger, figure box and block
  COLORREF Color;     // the pattern's device colour
  LONG Thickness;     // outline pen: trunc(f) with the weight byte, else trunc(f / 2)
  double F;           // device pixels per pattern pixel
  BYTE Boundary;      // 1: a boundary cell gets the whole pattern or nothing
  const BYTE* Pattern;  // the layer's 128 bytes
};

// The interior pass: every taken set cell of the plane-2 area of `mask`
// gets the traced pattern `contours` at its origin.
void PaintPatternGridCells(MaskFillContext* mask, HDC dc, const POLYDATA* contours,
                           const PATTERNGRID* grid);
// The boundary pass over the same area: each taken cell is tested (mode 1,
// against `second`) or cut (other modes) at pattern resolution against
// the moved polylines in plane 1. The mask context and the window globals
// are as on entry afterwards.
void PaintPatternEdgeCells(MaskFillContext* mask, HDC dc, const POLYDATA* moved,
                           const BYTE* second, const PATTERNGRID* grid,
                           const POLYDATA* contours);
