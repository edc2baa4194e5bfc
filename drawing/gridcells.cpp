// Grids of cells over an area: the anchoring shift, the blocks of cells in
// plane 2 and the boundary cell test in plane 1.
#include "drawing/gridcells.h"

#include <algorithm>
#include <cstring>

#include "drawing/deviceoutline.h"
#include "drawing/dibpainters.h"
#include "drawing/masklines.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;

constexpr LONG kBlockMargin = 64;  // mask bits and rows kept free around a block
constexpr LONG kSampleLeast = 64;  // smaller figures are not staggered off the display
constexpr LONG kStepMost = 1 << 28;  // larger steps leave one cell on any picture anyway
constexpr BYTE kContourWidth = 3;

LONG Clamp(i64 v) { return SaturatePixel(v); }

// The mask line area of a plane's work area: the contour drawn into it
// scaled like the edges.
void LineAreaOf(const MaskFillContext& m) {
  MaskLineArea = MASKLINEAREA{m.AreaLeft,
                              m.AreaTop,
                              Clamp(i64(m.AreaLeft) + m.AreaWidth),
                              Clamp(i64(m.AreaTop) + m.AreaRows),
                              m.AreaLeft,
                              m.AreaTop,
                              reinterpret_cast<BYTE*>(m.AreaFirst),
                              m.MaskRowBytes};
}

void ClearWorkArea(const MaskFillContext& m) {
  for (LONG k = 0; k < m.AreaRows; ++k)
    std::memset(m.AreaFirst - intptr_t(k) * (m.MaskRowBytes / 4), 0,
                size_t(m.AreaWords) * sizeof(DWORD));
}

// (a mod b) in 0..b - 1.
i64 Residue(i64 a, i64 b) {
  const i64 r = a % b;
  return r < 0 ? r + b : r;
}

}  // namespace

WORD GridStagger(WORD mark, const POLYDATA* data) {
  if (mark == GRID_NO_STAGGER) return 0;
  const bool display = DevicePaintState.Technology == DT_RASDISPLAY && PaintExampleSwitch == 0;
  if (!display && (i64(data->MaxY) - data->MinY < kSampleLeast ||
                   i64(data->MaxX) - data->MinX < kSampleLeast))
    return 0;
  return mark;
}

void PaintGridBlocks(const POLYDATA* data, GRIDCELLS* grid, TGridPasses* passes) {
  TPaintContext& P = PaintContext;
  if (P.MaskTop1 == nullptr || P.MaskTop2 == nullptr) return;
  // Blocks of cells that leave room in a plane for the rounded area.
  const i64 blockW = i64(P.MaskRowBytes) * 8 - kBlockMargin;
  const i64 blockH = i64(P.PictureHeight) - kBlockMargin;
  if (blockW < 1 || blockH < 1) return;

  GRIDCELLS& g = *grid;
  g.StepX = std::clamp<LONG>(g.StepX, 1, kStepMost);
  g.StepY = std::clamp<LONG>(g.StepY, 1, kStepMost);
  const i64 periods = g.Mark == GRID_EVEN_CELLS || g.Mark == GRID_ODD_CELLS ? 2 : 4;
  g.Dx = LONG(Residue(-i64(data->MinX), periods * g.StepX));
  g.Dy = LONG(Residue(-i64(data->MinY), periods * g.StepY));

  TMovedPolyData copy(data);
  POLYDATA* const moved = copy.MoveBy(g.Dx, g.Dy);
  if (moved == nullptr) return;
  g.Figure = RECT{moved->MinX, moved->MinY, moved->MaxX, moved->MaxY};
  const RECT cells{LONG(moved->MinX / g.StepX), LONG(moved->MinY / g.StepY),
                   LONG(moved->MaxX / g.StepX + 1), LONG(moved->MaxY / g.StepY + 1)};
  // The stagger's phase: 1 for 0x5A5A, flipped by the parity of the
  // figure's top-left cell.
  const int parity = int((i64(cells.left) + cells.top) & 1);
  g.Skipped = BYTE((g.Mark == GRID_EVEN_CELLS ? 1 : 0) ^ parity);
  const i64 colFrom = std::max<i64>(cells.left, 0);
  const i64 colTo = std::min<i64>(cells.right, (i64(DevicePaintState.Width) + g.Dx) / g.StepX + 1);
  const i64 rowFrom = std::max<i64>(cells.top, 0);
  const i64 rowTo = std::min<i64>(cells.bottom, (i64(DevicePaintState.Height) + g.Dy) / g.StepY + 1);
  const float fx = float(1.0 / g.StepX), fy = float(1.0 / g.StepY);

  MaskFillContext mask{};
  mask.MaskRowBytes = P.MaskRowBytes;
  mask.ClipWidth = LONG(blockW);
  mask.ClipHeight = LONG(blockH);
  for (i64 by = rowFrom; by <= rowTo; by += blockH) {
    for (i64 bx = colFrom; bx <= colTo; bx += blockW) {
      g.Block = RECT{LONG(bx), LONG(by), LONG(std::min(bx + blockW - 1, colTo)),
                     LONG(std::min(by + blockH - 1, rowTo))};
      MaskWindow.Window = g.Block;
      MaskWindow.Figure = cells;
      mask.MaskRow0 = P.MaskTop2;
      if (SetMaskWindowArea(&mask) != 0) continue;
      // The cells well inside: the figure less its contour, three cells wide.
      BuildScanEdgesScaled(&mask, moved, fy, fx);
      LineAreaOf(mask);
      RasterMaskLine(moved, 0, kContourWidth, fy, fx);
      passes->Interior(&mask);
      // The cells on the contour.
      ClearWorkArea(mask);
      RasterMaskLine(moved, 1, kContourWidth, fy, fx);
      passes->Boundary(&mask, moved);
    }
  }
}

bool CutGridCell(MaskFillContext* mask, const POLYDATA* moved, const RECT& figure, LONG left,
                 LONG top, float fy, float fx, const BYTE* pattern, BYTE* cell) {
  // A mask row stands for the points just above it (a figure's top edge
  // gives its row away), so the cell's row k is tested on mask row top +
  // k + 1: a figure whose top edge runs along a cell's keeps the cell's
  // first row, and a cell just below it gets none.
  top = Clamp(i64(top) + 1);
  MaskWindow.Window = RECT{left, top, Clamp(i64(left) + 32), Clamp(i64(top) + 32)};
  MaskWindow.Figure = figure;
  mask->MaskRow0 = PaintContext.MaskTop1;
  if (SetMaskWindowArea(mask) != 0) return false;
  BuildScanEdgesScaled(mask, moved, fy, fx);
  CutPatternCell(mask, pattern, cell);
  return true;
}
