// The device 32 x 32 pattern fill: blocks of grid cells decided in the
// bits image, the pattern's outlines drawn cell by cell.
#include "drawing/patternfill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/markcontour.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;

// The work buffer holds a trace and a cell's placed points.
bool HasRoom() {
  return PaintContext.WorkBuffer != nullptr && PaintContext.WorkBufferSize >= PATTERN_WORK_MIN;
}

constexpr LONG kStepMost = 1 << 28;  // larger cells leave one cell on any picture anyway

// The traced contours placed at a cell's origin and drawn.
void DrawCell(HDC dc, const POLYDATA* contours, const PATTERNGRID& g, LONG x, LONG y) {
  POLYDATA placed = *contours;
  placed.Points = reinterpret_cast<POINT*>(PaintContext.WorkBuffer + MARK_PLACED_AT);
  PlaceMarkContour(contours->Points, &placed, x, y, float(g.F));
  DrawMarkContour(dc, &placed, g.Color, g.Thickness);
}

// How far a cell's drawing origin lies from its grid position.
double OriginX(const PATTERNGRID& g) {
  return g.F > 1.0 ? g.F - std::trunc(g.F / 2) - g.Cells.Dx : -double(g.Cells.Dx);
}
double OriginY(const PATTERNGRID& g) {
  return g.F > 1.0 ? -std::trunc(g.F / 2) - g.Cells.Dy : -double(g.Cells.Dy);
}

}  // namespace

void PaintPatternGridCells(MaskFillContext* mask, HDC dc, const POLYDATA* contours,
                           const PATTERNGRID* grid) {
  if (mask == nullptr || contours == nullptr || grid == nullptr || mask->AreaFirst == nullptr ||
      !HasRoom())
    return;
  const PATTERNGRID& g = *grid;
  const GRIDCELLS& c = g.Cells;
  // Positions rounded down once, at the area's right column and top row, and
  // stepped by whole cells from there.
  const i64 right = i64(mask->AreaLeft) + mask->AreaWidth - 1;
  const i64 xRight = FloorPixel(double(right) * c.StepX + OriginX(g));
  const i64 yTop = FloorPixel(double(mask->AreaTop) * c.StepY + OriginY(g));
  WalkGridCells(*mask, c, [&](i64 column, i64 row) {
    DrawCell(dc, contours, g, SaturatePixel(xRight - (right - column) * c.StepX),
             SaturatePixel(yTop + (row - mask->AreaTop) * c.StepY));
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
  const GRIDCELLS& c = g.Cells;
  const MaskFillContext area = *mask;
  const MASKWINDOW window = MaskWindow;
  const float unit = float(1.0 / g.F);
  const RECT figure{TruncatePixel(c.Figure.left / g.F), TruncatePixel(c.Figure.top / g.F),
                    TruncatePixel(c.Figure.right / g.F), TruncatePixel(c.Figure.bottom / g.F)};
  const double ox = OriginX(g), oy = OriginY(g);
  // A cut cell's trace: its points where the cells are placed, its counts here.
  LONG counts[MARK_PARTS_ROOM];
  POLYDATA cut{};
  cut.Points = reinterpret_cast<POINT*>(PaintContext.WorkBuffer + MARK_PLACED_AT);
  cut.PolyCounts = counts;
  const int room = (PaintContext.WorkBufferSize - MARK_PLACED_AT) / int(sizeof(POINT));
  WalkGridCells(area, c, [&](i64 column, i64 row) {
    const double x = double(column) * c.StepX, y = double(row) * c.StepY;
    BYTE bits[128];
    const BYTE* pattern = g.Boundary == 1 ? second : g.Pattern;
    if (!CutGridCell(mask, moved, figure, TruncatePixel(x / g.F), TruncatePixel(y / g.F), unit,
                     unit, pattern, bits))
      return;
    const LONG cx = FloorPixel(x + ox), cy = FloorPixel(y + oy);
    if (g.Boundary == 1) {
      // The whole pattern or nothing, by the union of the layers.
      if (std::memcmp(bits, second, sizeof(bits)) == 0) DrawCell(dc, contours, g, cx, cy);
      return;
    }
    if (TraceMarkContour(&cut, bits, room, MARK_PARTS_ROOM) <= 0) return;
    PlaceMarkContour(cut.Points, &cut, cx, cy, float(g.F));
    DrawMarkContour(dc, &cut, g.Color, g.Thickness);
  });
  *mask = area;
  MaskWindow = window;
}

namespace {

// The passes of one pattern over each block of cells.
class PatternPasses final : public TGridPasses {
 public:
  PatternPasses(HDC dc, const BYTE* second, const PATTERNGRID* grid, const POLYDATA* contours)
      : dc_(dc), second_(second), grid_(grid), contours_(contours) {}
  void Interior(MaskFillContext* mask) override {
    mask->MaskRow0 = PaintContext.MaskTop1;
    PaintPatternGridCells(mask, dc_, contours_, grid_);
  }
  void Boundary(MaskFillContext* mask, const POLYDATA* moved) override {
    PaintPatternEdgeCells(mask, dc_, moved, second_, grid_, contours_);
  }

 private:
  HDC dc_;
  const BYTE* second_;
  const PATTERNGRID* grid_;
  const POLYDATA* contours_;
};

}  // namespace

void PaintDevicePatternFill(HDC dc, POLYDATA* data, const DEVICEPATTERNFILL* fill,
                            const BYTE* second) {
  TPaintContext& P = PaintContext;
  if (dc == nullptr || fill == nullptr || second == nullptr || data == nullptr ||
      data->Points == nullptr || data->PolyCounts == nullptr || data->Count < 1)
    return;
  if (!HasRoom() || P.MaskTop1 == nullptr || P.MaskTop2 == nullptr) return;

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
  g.Boundary = f.Boundary;
  g.Pattern = f.Pattern;
  g.Cells.Mark = GridStagger(f.Stagger, data);
  g.Cells.StepY = std::max<LONG>(f.StepV, cell);
  g.Cells.StepX = std::max<LONG>(f.StepH, cell);
  PatternPasses passes(dc, second, &g, &contours);
  PaintGridBlocks(data, &g.Cells, &passes);
}
