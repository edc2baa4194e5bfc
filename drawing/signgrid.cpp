// The sign grid of code 155 on both roads: the sign measured, the grid
// set up, and the signs painted cell by cell.
#include "drawing/signgrid.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "classifier/imageedit.h"
#include "drawing/devicepainters.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;

constexpr LONG kSignLeast = 2;  // pixels of a sign's width and height at least

// Pixels of a length in micrometres: trunc(length x pixels per
// micrometre + 0.3), as the document converts sizes.
LONG Units(double perMicron, LONG micrometres) {
  return TruncatePixel(double(micrometres) * perMicron + 0.3);
}

// Half of step / 32 when that is above 1, else 0: how far a sign sits
// from its cell's corner.
LONG CellOffset(LONG size) { return size / 32 > 1 ? size / 32 / 2 : 0; }

// The sign with its anchor at the cell's corner (x, y) plus the anchor's
// offsets.
void PaintCellSign(TPaintMetric* doc, const char* sign, const SIGNGRID& g, i64 x, i64 y) {
  POINT at{SaturatePixel(x + g.AnchorX), SaturatePixel(y + g.AnchorY)};
  LONG one = 1;
  POLYDATA set = PlacedPartOf(*g.Object, &at, &one);
  g.Painter(doc, &set, sign, 1.0f);
}

// The passes of one grid over each block of cells.
class SignPasses final : public TGridPasses {
 public:
  SignPasses(TPaintMetric* doc, const char* sign, const SIGNGRID* grid)
      : doc_(doc), sign_(sign), grid_(grid) {
    std::memset(full_, 0xFF, sizeof(full_));
  }
  void Interior(MaskFillContext* mask) override { PaintGridCells(doc_, sign_, mask, grid_); }
  void Boundary(MaskFillContext* mask, const POLYDATA* moved) override {
    PaintGridEdgeCells(doc_, sign_, mask, full_, moved, grid_);
  }

 private:
  TPaintMetric* doc_;
  const char* sign_;
  const SIGNGRID* grid_;
  BYTE full_[128];
};

void PaintGrid(TPaintMetric* doc, POLYDATA* data, const char* parm, IMGPAINTER painter,
               double perMicronH, double perMicronV) {
  if (data == nullptr || parm == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return;
  // The sign must lie within the record (its length word read first: a
  // shorter record does not hold the rest of the header).
  if (ParmWord(parm, 0) < sizeof(IMGSIGNGRID) + sizeof(IMGVECTOREX)) return;
  IMGSIGNGRID head;
  std::memcpy(&head, parm, sizeof(head));
  const char* sign = parm + sizeof(IMGSIGNGRID);
  IMGVECTOREX signHead;
  std::memcpy(&signHead, sign, sizeof(signHead));
  if (signHead.Length < sizeof(IMGVECTOREX) || signHead.Length > head.Length - sizeof(IMGSIGNGRID))
    return;
  IMAGESIZE size{};
  if (rscGetVectorSize(reinterpret_cast<const IMGVECTOREX*>(sign), &size, nullptr) == 0) return;

  SIGNGRID g{};
  g.SignWidth = std::max(Units(perMicronH, size.Width), kSignLeast);
  g.SignHeight = std::max(Units(perMicronV, size.Height), kSignLeast);
  g.AnchorX = Units(perMicronH, size.Left);
  g.AnchorY = Units(perMicronV, size.Top);
  g.Painter = painter;
  g.Object = data;
  const LONG stepH = head.StepH > DWORD(INT32_MAX) ? INT32_MAX : LONG(head.StepH);
  const LONG stepV = head.StepV > DWORD(INT32_MAX) ? INT32_MAX : LONG(head.StepV);
  g.Cells.StepX = std::max(Units(perMicronH, stepH), g.SignWidth);
  g.Cells.StepY = std::max(Units(perMicronV, stepV), g.SignHeight);
  g.Cells.Mark = GridStagger(head.Stagger, data);
  SignPasses passes(doc, sign, &g);
  PaintGridBlocks(data, &g.Cells, &passes);
}

}  // namespace

void PaintGridCells(TPaintMetric* doc, const char* sign, MaskFillContext* mask,
                    const SIGNGRID* grid) {
  if (sign == nullptr || mask == nullptr || grid == nullptr || mask->AreaFirst == nullptr) return;
  const SIGNGRID& g = *grid;
  const GRIDCELLS& c = g.Cells;
  const i64 ox = CellOffset(c.StepX) - i64(c.Dx), oy = -i64(CellOffset(c.StepY)) - c.Dy;
  WalkGridCells(*mask, c, [&](i64 column, i64 row) {
    PaintCellSign(doc, sign, g, column * c.StepX + ox, row * c.StepY + oy);
  });
}

void PaintGridEdgeCells(TPaintMetric* doc, const char* sign, MaskFillContext* mask,
                        const BYTE* full, const POLYDATA* moved, const SIGNGRID* grid) {
  if (sign == nullptr || mask == nullptr || full == nullptr || moved == nullptr ||
      grid == nullptr || mask->AreaFirst == nullptr || PaintContext.MaskTop1 == nullptr)
    return;
  const SIGNGRID& g = *grid;
  const GRIDCELLS& c = g.Cells;
  const MaskFillContext area = *mask;
  const MASKWINDOW window = MaskWindow;
  // Test pixels: 32 across the sign's width and 32 down its height.
  const double ux = g.SignWidth / 32.0, uy = g.SignHeight / 32.0;
  const RECT figure{TruncatePixel(c.Figure.left / ux), TruncatePixel(c.Figure.top / uy),
                    TruncatePixel(c.Figure.right / ux), TruncatePixel(c.Figure.bottom / uy)};
  const i64 ox = CellOffset(g.SignWidth) - i64(c.Dx), oy = -i64(CellOffset(g.SignHeight)) - c.Dy;
  WalkGridCells(area, c, [&](i64 column, i64 row) {
    const i64 x = column * c.StepX, y = row * c.StepY;
    BYTE bits[128];
    if (!CutGridCell(mask, moved, figure, TruncatePixel(x / ux), TruncatePixel(y / uy),
                     float(1.0 / uy), float(1.0 / ux), full, bits))
      return;
    // A test pixel outside the figure: the sign would stick out.
    if (std::memcmp(bits, full, sizeof(bits)) != 0) return;
    PaintCellSign(doc, sign, g, x + ox, y + oy);
  });
  *mask = area;
  MaskWindow = window;
}

void PaintSignGrid(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  PaintGrid(doc, data, parm, PaintDibVectorSign, GetScreenPixelsPerMeterH() * 1e-6,
            GetScreenPixelsPerMeterV() * 1e-6);
}

void PaintSignGridDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (doc == nullptr) return;
  PaintGrid(doc, data, parm, PaintVectorSign, doc->PixelsPerMicronH, doc->PixelsPerMicronV);
}
