// Grids of cells over an area, decided a block of cells at a time in the
// bits image: what the device 32 x 32 pattern fill (patternfill.h) and the
// sign grid (signgrid.h) share.
//
// A grid of step x by step y pixels is anchored at the figure's top-left
// corner: a copy of the figure's points is moved by (dx, dy), the least
// non-negative shift that puts its box's left and top on a whole anchoring
// period (2 steps for the stagger marks 0x5A5A and 0xA5A5, else 4); the
// caller's points are left as they are. Cells are then walked a block at a time with the window
// variant of the mask fill: the figure is rasterised at one mask bit per
// cell into plane 2; its contour, drawn three cells wide with value 0,
// clears the cells on and next to it, so that the set cells lie well
// inside (the interior pass); then the block is cleared and the contour
// drawn again with value 1, so that the set cells are the boundary cells
// (the boundary pass), which the caller tests at its own resolution in
// plane 1 (CutGridCell).
//
// A stagger mark leaves every other cell empty like a chequerboard,
// counted from the figure's top-left cell: 0x5A5A takes the cells whose
// column plus row is even, any other mark those whose sum is odd. Figures
// less than 64 pixels wide or high are not staggered unless they are
// painted on a display and not as a legend sample.
//
// The engine uses both mask planes, the window globals and the mask line
// area: one painting call at a time.
#pragma once

#include <bit>
#include <cstdint>

#include "drawing/maskfill.h"
#include "drawing/polydata.h"
#include "platform/win_types.h"

enum : WORD {
  GRID_NO_STAGGER = 0xFFFF,  // as 0: no stagger
  GRID_EVEN_CELLS = 0x5A5A,
  GRID_ODD_CELLS = 0xA5A5,
};

// One grid as its passes see it; positions in the moved space.
struct GRIDCELLS {
  LONG StepX;   // pixels, at least 1
  LONG StepY;
  LONG Dx;      // how far the points were moved
  LONG Dy;
  WORD Mark;    // stagger mark; 0: none
  BYTE Skipped; // the parity of column + row of the cells the stagger leaves empty
  RECT Figure;  // the moved figure box in pixels
  RECT Block;   // the block of cells being painted (inclusive)
};

// The stagger mark a figure is painted with: 0 for none (0, 0xFFFF), and
// for a figure under 64 pixels wide or high unless it is painted on a
// display and not as a legend sample.
WORD GridStagger(WORD mark, const POLYDATA* data);

// The two passes over each block of cells; the plane-2 area of `mask`
// holds the cells (see above), mask->MaskRow0 is plane 2's; `moved` is the
// figure in the grid's space.
class TGridPasses {
 public:
  virtual void Interior(MaskFillContext* mask) = 0;
  virtual void Boundary(MaskFillContext* mask, const POLYDATA* moved) = 0;

 protected:
  ~TGridPasses() = default;
};

// Walks the grid of `g` (StepX, StepY and Mark set by the caller; the
// rest is filled in) over the polylines: runs the passes over every block
// of the cell range that the painting area reaches, on a moved copy of
// them. Nothing is done without both mask planes, when the bits image
// leaves no block of at least one cell, or without room for the copy.
void PaintGridBlocks(const POLYDATA* data, GRIDCELLS* g, TGridPasses* passes);

// The set cells of the plane-2 area, each row from the right, that the
// stagger takes and that lie in the block: visit(column, row) in cells.
template <class Visit>
void WalkGridCells(const MaskFillContext& area, const GRIDCELLS& g, Visit visit) {
  const intptr_t rowWords = area.MaskRowBytes / 4;
  const LONG last = area.AreaWords - 1;
  for (LONG r = 0; r < area.AreaRows; ++r) {
    const DWORD* row = area.AreaFirst - r * rowWords;
    const int64_t cellRow = int64_t(area.AreaTop) + r;
    for (LONG w = last; w >= 0; --w) {
      DWORD bits = w == last ? row[w] & area.LastMask : row[w];
      while (bits != 0) {
        const int bit = std::countr_zero(bits);
        bits &= bits - 1;
        const int64_t column = int64_t(area.AreaLeft) + 32 * int64_t(w) + 31 - bit;
        if (column < g.Block.left) break;  // the rest of the row lies left of the block
        if (g.Mark != 0 && ((cellRow + column) & 1) == g.Skipped) continue;
        visit(column, cellRow);
      }
      if (int64_t(area.AreaLeft) + 32 * int64_t(w) <= g.Block.left) break;
    }
  }
}

// The boundary test of one cell: the 32 x 32 window at (left, top) of the
// moved polylines scaled by (fx, fy), with the figure box `figure` in the
// same units, rasterised into plane 1 and ANDed with the 128-byte pattern
// into `cell`; row k of the cell is the area between top + k and top + k
// + 1, the mask row below it. False (the cell is passed over) when the window holds
// nothing of the figure. The window globals are left as set: the caller
// puts them back after its last cell.
bool CutGridCell(MaskFillContext* mask, const POLYDATA* moved, const RECT& figure, LONG left,
                 LONG top, float fy, float fx, const BYTE* pattern, BYTE* cell);
