// The device 32 x 32 pattern fill: blocks of grid cells decided in the
// bits image, the pattern's outlines drawn cell by cell.
#include "drawing/patternfill.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/markcontour.h"
#include "drawing/masklines.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;

// The work buffer holds a trace and a cell's placed points.
bool HasRoom() {
  return PaintContext.WorkBuffer != nullptr && PaintContext.WorkBufferSize >= PATTERN_WORK_MIN;
}

constexpr WORD kNoStagger = 0xFFFF;
constexpr WORD kEvenCells = 0x5A5A;
constexpr WORD kOddCells = 0xA5A5;
constexpr LONG kBlockMargin = 64;  // mask bits and rows kept free around a block
constexpr LONG kSampleLeast = 64;  // smaller figures are not staggered off the display
constexpr LONG kStepMost = 1 << 28;  // larger steps leave one cell on any picture anyway
constexpr BYTE kContourWidth = 3;

LONG Clamp(i64 v) { return SaturatePixel(v); }

// The traced contours placed at a cell's origin and drawn.
void DrawCell(HDC dc, const POLYDATA* contours, const PATTERNGRID& g, LONG x, LONG y) {
  POLYDATA placed = *contours;
  placed.Points = reinterpret_cast<POINT*>(PaintContext.WorkBuffer + MARK_PLACED_AT);
  PlaceMarkContour(contours->Points, &placed, x, y, float(g.F));
  DrawMarkContour(dc, &placed, g.Color, g.Thickness);
}

// How far a cell's drawing origin lies from its grid position.
double OriginX(const PATTERNGRID& g) {
  return g.F > 1.0 ? g.F - std::trunc(g.F / 2) - g.Dx : -double(g.Dx);
}
double OriginY(const PATTERNGRID& g) {
  return g.F > 1.0 ? -std::trunc(g.F / 2) - g.Dy : -double(g.Dy);
}

// The set cells of the plane-2 area, each row from the right, that the
// stagger takes and that lie in the block: visit(column, row) in cells.
template <class Visit>
void WalkCells(const MaskFillContext& area, const PATTERNGRID& g, Visit visit) {
  const intptr_t rowWords = area.MaskRowBytes / 4;
  const LONG last = area.AreaWords - 1;
  const i64 skipped = g.Mark == kEvenCells ? 1 : 0;  // parity of the cells left empty
  for (LONG r = 0; r < area.AreaRows; ++r) {
    const DWORD* row = area.AreaFirst - r * rowWords;
    const i64 cellRow = i64(area.AreaTop) + r;
    for (LONG w = last; w >= 0; --w) {
      DWORD bits = w == last ? row[w] & area.LastMask : row[w];
      while (bits != 0) {
        const int bit = std::countr_zero(bits);
        bits &= bits - 1;
        const i64 column = i64(area.AreaLeft) + 32 * i64(w) + 31 - bit;
        if (column < g.Block.left) break;  // the rest of the row lies left of the block
        if (g.Mark != 0 && ((cellRow + column) & 1) == skipped) continue;
        visit(column, cellRow);
      }
      if (i64(area.AreaLeft) + 32 * i64(w) <= g.Block.left) break;
    }
  }
}

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

void PaintPatternGridCells(MaskFillContext* mask, HDC dc, const POLYDATA* contours,
                           const PATTERNGRID* grid) {
  if (mask == nullptr || contours == nullptr || grid == nullptr || mask->AreaFirst == nullptr ||
      !HasRoom())
    return;
  const PATTERNGRID& g = *grid;
  // Positions truncated once, at the area's right column and top row, and
  // stepped by whole cells from there.
  const i64 right = i64(mask->AreaLeft) + mask->AreaWidth - 1;
  const i64 xRight = TruncatePixel(double(right) * g.StepX + OriginX(g));
  const i64 yTop = TruncatePixel(double(mask->AreaTop) * g.StepY + OriginY(g));
  WalkCells(*mask, g, [&](i64 column, i64 row) {
    DrawCell(dc, contours, g, Clamp(xRight - (right - column) * g.StepX),
             Clamp(yTop + (row - mask->AreaTop) * g.StepY));
  });
}

void PaintPatternEdgeCells(MaskFillContext* mask, HDC dc, const POLYDATA* moved,
                           const BYTE* second, const PATTERNGRID* grid,
                           const POLYDATA* contours) {
  if (mask == nullptr || moved == nullptr || second == nullptr || grid == nullptr ||
      contours == nullptr || mask->AreaFirst == nullptr || PaintContext.MaskTop1 == nullptr ||
      !HasRoom())
    return;
  const PATTERNGRID& g = *grid;
  const MaskFillContext area = *mask;
  const MASKWINDOW window = MaskWindow;
  const float unit = float(1.0 / g.F);
  const RECT figure{TruncatePixel(g.Figure.left / g.F), TruncatePixel(g.Figure.top / g.F),
                    TruncatePixel(g.Figure.right / g.F), TruncatePixel(g.Figure.bottom / g.F)};
  const double ox = OriginX(g), oy = OriginY(g);
  // A cut cell's trace: its points where the cells are placed, its counts here.
  LONG counts[MARK_PARTS_ROOM];
  POLYDATA cut{};
  cut.Points = reinterpret_cast<POINT*>(PaintContext.WorkBuffer + MARK_PLACED_AT);
  cut.PolyCounts = counts;
  const int room = (PaintContext.WorkBufferSize - MARK_PLACED_AT) / int(sizeof(POINT));
  WalkCells(area, g, [&](i64 column, i64 row) {
    const double x = double(column) * g.StepX, y = double(row) * g.StepY;
    const LONG left = TruncatePixel(x / g.F), top = TruncatePixel(y / g.F);
    MaskWindow.Window = RECT{left, top, Clamp(i64(left) + 32), Clamp(i64(top) + 32)};
    MaskWindow.Figure = figure;
    mask->MaskRow0 = PaintContext.MaskTop1;
    if (SetMaskWindowArea(mask) != 0) return;
    BuildScanEdgesScaled(mask, moved, unit, unit);
    const LONG cx = TruncatePixel(x + ox), cy = TruncatePixel(y + oy);
    BYTE bits[128];
    if (g.Boundary == 1) {
      // The whole pattern or nothing, by the union of the layers.
      CutPatternCell(mask, second, bits);
      if (std::memcmp(bits, second, sizeof(bits)) == 0) DrawCell(dc, contours, g, cx, cy);
      return;
    }
    CutPatternCell(mask, g.Pattern, bits);
    if (TraceMarkContour(&cut, bits, room, MARK_PARTS_ROOM) <= 0) return;
    PlaceMarkContour(cut.Points, &cut, cx, cy, float(g.F));
    DrawMarkContour(dc, &cut, g.Color, g.Thickness);
  });
  *mask = area;
  MaskWindow = window;
}

void PaintDevicePatternFill(HDC dc, POLYDATA* data, const DEVICEPATTERNFILL* fill,
                            const BYTE* second) {
  TPaintContext& P = PaintContext;
  if (dc == nullptr || fill == nullptr || second == nullptr || data == nullptr ||
      data->Points == nullptr || data->PolyCounts == nullptr || data->Count < 1)
    return;
  if (!HasRoom() || P.MaskTop1 == nullptr || P.MaskTop2 == nullptr) return;
  // Blocks of cells that leave room in a plane for the rounded area.
  const i64 blockW = i64(P.MaskRowBytes) * 8 - kBlockMargin;
  const i64 blockH = i64(P.PictureHeight) - kBlockMargin;
  if (blockW < 1 || blockH < 1) return;

  const DEVICEPATTERNFILL f = *fill;
  POLYDATA contours{};
  contours.Points = reinterpret_cast<POINT*>(P.WorkBuffer);
  contours.PolyCounts = reinterpret_cast<LONG*>(P.WorkBuffer + MARK_COUNTS_AT);
  if (TraceMarkContour(&contours, f.Pattern, MARK_POINTS_ROOM, MARK_PARTS_ROOM) < 0) return;

  const LONG cell = std::clamp<LONG>(f.CellSize, 2, kStepMost);
  PATTERNGRID g{};
  g.Color = f.Color;
  g.F = cell / 32.0;
  g.Thickness = TruncatePixel(f.Weight != 0 ? g.F : g.F / 2);
  g.Mark = f.Stagger == kNoStagger ? 0 : f.Stagger;
  g.Boundary = f.Boundary;
  g.Pattern = f.Pattern;
  const bool display = DevicePaintState.Technology == DT_RASDISPLAY && PaintExampleSwitch == 0;
  if (!display && (i64(data->MaxY) - data->MinY < kSampleLeast ||
                   i64(data->MaxX) - data->MinX < kSampleLeast))
    g.Mark = 0;
  g.StepY = std::clamp<LONG>(f.StepV, cell, kStepMost);
  g.StepX = std::clamp<LONG>(f.StepH, cell, kStepMost);
  const i64 periods = g.Mark == kEvenCells || g.Mark == kOddCells ? 2 : 4;
  g.Dx = LONG(Residue(-i64(data->MinX), periods * g.StepX));
  g.Dy = LONG(Residue(-i64(data->MinY), periods * g.StepY));

  ShiftPolyData(data, g.Dx, g.Dy);
  g.Figure = RECT{data->MinX, data->MinY, data->MaxX, data->MaxY};
  const RECT cells{LONG(data->MinX / g.StepX), LONG(data->MinY / g.StepY),
                   LONG(data->MaxX / g.StepX + 1), LONG(data->MaxY / g.StepY + 1)};
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
      BuildScanEdgesScaled(&mask, data, fy, fx);
      LineAreaOf(mask);
      RasterMaskLine(data, 0, kContourWidth, fy, fx);
      mask.MaskRow0 = P.MaskTop1;
      PaintPatternGridCells(&mask, dc, &contours, &g);
      // The cells on the contour.
      ClearWorkArea(mask);
      RasterMaskLine(data, 1, kContourWidth, fy, fx);
      PaintPatternEdgeCells(&mask, dc, data, second, &g, &contours);
    }
  }
  ShiftPolyData(data, -g.Dx, -g.Dy);
}
