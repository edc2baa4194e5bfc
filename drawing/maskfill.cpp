// Polygon fills of the memory image: the work area of a figure and the
// solid paint of its mask.
#include "drawing/maskfill.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "drawing/paintcontext.h"

void InitMaskFill(MaskFillContext* context) {
  *context = MaskFillContext{};
  const TPaintContext& p = PaintContext;
  if (p.PictureTop == nullptr || p.MaskTop1 == nullptr) return;
  context->MaskRow0 = p.MaskTop1;
  context->MaskRowBytes = p.MaskRowBytes;
  context->ClipWidth = std::min<LONG>(p.ImageWidth, p.Stride / 4);
  context->ClipHeight = std::min<LONG>(p.ImageHeight, p.PictureHeight);
}

int SetMaskArea(MaskFillContext* c, const POLYDATA* data) {
  c->AreaWords = c->AreaRows = 0;
  if (data == nullptr || c->MaskRow0 == nullptr) return 1;
  const int64_t w = c->ClipWidth, h = c->ClipHeight;
  if (w < 1 || h < 1) return 1;
  const int64_t left = data->MinX, top = data->MinY;
  int64_t right = data->MaxX, bottom = data->MaxY;
  int64_t column = 0, row = 0;
  if (left >= 32) {
    if (left >= w) return 1;
    column = left & ~int64_t(31);
  }
  if (top >= 0) {
    if (top >= h) return 1;
    row = top;
  }
  if (right < 0 || bottom < 0) return 1;
  // Whole words up to the figure's right edge or the picture's; the last
  // word keeps only the columns inside the picture.
  const int64_t end = std::min(right + 1, w);
  const int64_t width = ((end + 31) & ~int64_t(31)) - column;
  if (width < 1) return 1;
  const int64_t beyond = column + width - w;
  c->LastMask = beyond > 0 ? 0xFFFFFFFFu << beyond : 0xFFFFFFFFu;
  const int64_t rows = bottom < h ? bottom - row + 1 : h - row;
  if (rows < 1) return 1;
  c->AreaLeft = static_cast<LONG>(column);
  c->AreaTop = static_cast<LONG>(row);
  c->AreaWidth = static_cast<LONG>(width);
  c->AreaWords = static_cast<LONG>(width / 32);
  c->AreaRows = static_cast<LONG>(rows);
  c->FigureLeft = data->MinX;
  c->FigureTop = data->MinY;
  c->AreaFirst = reinterpret_cast<DWORD*>(c->MaskRow0 - row * c->MaskRowBytes + column / 8);
  for (int64_t r = 0; r < rows; ++r)
    std::memset(c->AreaFirst - r * (c->MaskRowBytes / 4), 0, c->AreaWords * sizeof(DWORD));
  return 0;
}

void PaintMaskColour(MaskFillContext* c, DWORD pixel) {
  const TPaintContext& p = PaintContext;
  if (c->AreaWords < 1 || c->AreaRows < 1 || c->AreaFirst == nullptr || p.PictureTop == nullptr)
    return;
  for (LONG r = 0; r < c->AreaRows; ++r) {
    const DWORD* mask = c->AreaFirst - int64_t(r) * (c->MaskRowBytes / 4);
    DWORD* row =
        reinterpret_cast<DWORD*>(p.PictureTop - int64_t(c->AreaTop + r) * p.Stride) + c->AreaLeft;
    for (LONG i = c->AreaWords - 1; i >= 0; --i) {
      DWORD bits = mask[i];
      if (i == c->AreaWords - 1) bits &= c->LastMask;
      for (int j = 0; bits != 0; ++j, bits <<= 1)
        if (bits & 0x80000000u) row[32 * i + j] = pixel;
    }
  }
}
