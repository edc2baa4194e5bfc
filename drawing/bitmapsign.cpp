// One-bit bitmap signs stamped into the memory image.
#include "drawing/bitmapsign.h"

#include <algorithm>
#include <cstdint>

#include "drawing/paintcontext.h"

namespace {

// The sign placed by the last preparation.
struct Placement {
  int64_t X0 = 0;  // left and top as placed (may be negative)
  int64_t Y0 = 0;
  uint32_t RightMask = 0;  // bits of a row inside the picture (row in the low Size bits)
  int64_t Rows = 0;        // visible picture rows
  int Size = 32;
  int64_t Width = 0;  // the picture at the preparation
  int64_t Height = 0;
};
Placement g_place;

int SizeOf(int size) { return size == 32 ? 32 : 16; }

uint32_t SizeMask(int size) { return size == 32 ? 0xFFFFFFFFu : 0xFFFFu; }

// Row r of a bitmap: its bits in the low `size` bits, the leftmost pixel
// the highest of them.
uint32_t Row(const BYTE* bits, int size, int64_t r) {
  if (size == 32) {
    const BYTE* b = bits + 4 * r;
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
  }
  const BYTE* b = bits + 2 * r;
  return uint32_t(b[0]) << 8 | b[1];
}

// Shifted toward the leftmost pixel, the bits beyond the size dropped.
uint32_t ShiftOut(uint32_t bits, int64_t n, int size) {
  return n >= size ? 0 : static_cast<uint32_t>((uint64_t(bits) << n) & SizeMask(size));
}

bool PictureReady() {
  return PaintContext.PictureTop != nullptr && g_place.Width > 0 && g_place.Height > 0;
}

void Put(int64_t x, int64_t y, DWORD pixel) {
  if (x < 0 || y < 0 || x >= g_place.Width || y >= g_place.Height) return;
  BYTE* row = PaintContext.PictureTop - y * PaintContext.Stride;
  reinterpret_cast<DWORD*>(row)[x] = pixel;
}

}  // namespace

int PrepareBitmapSign(const POLYDATA* data, const BITMAPSIGNANCHOR* anchor, int doubled) {
  if (data == nullptr || anchor == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1 || data->PolyCounts[0] < 1)
    return 1;
  const TPaintContext& p = PaintContext;
  if (p.PictureTop == nullptr) return 1;
  const int64_t w = std::min<int64_t>(p.ImageWidth, p.Stride / 4);
  const int64_t h = std::min<int64_t>(p.ImageHeight, p.PictureHeight);
  const int d = doubled ? 2 : 1;
  const int size = SizeOf(anchor->Size);
  const POINT at = data->Points[0];
  const int64_t x0 = int64_t(at.x) - d * anchor->OffsetH;
  const int64_t y0 = int64_t(at.y) - d * anchor->OffsetV;
  if (x0 >= w || y0 >= h) return 1;
  const int64_t e = int64_t(d) * size;
  if (x0 + e < 0 || y0 + e < 0) return 1;
  uint32_t right = SizeMask(size);
  if (x0 + e > w) {
    int64_t c = x0 + e - w;
    if (doubled) c /= 2;
    right = c >= size ? 0 : static_cast<uint32_t>((uint64_t(right) << c) & SizeMask(size));
  }
  const int64_t rows = std::min(y0 + e, h) - std::max<int64_t>(y0, 0);
  if (rows < 1) return 1;
  g_place = Placement{x0, y0, right, rows, size, w, h};
  return 0;
}

void StampBitmapSign(const BITMAPSIGN* sign) {
  if (sign == nullptr || sign->Bits == nullptr || !PictureReady()) return;
  const Placement& g = g_place;
  const int size = SizeOf(sign->Size);
  const int64_t top = std::max<int64_t>(g.Y0, 0), left = std::max<int64_t>(g.X0, 0);
  const int64_t skip = g.Y0 < 0 ? -g.Y0 : 0;
  const int64_t rows = std::min<int64_t>(g.Rows, size - skip);
  for (int64_t r = 0; r < rows; ++r) {
    uint32_t bits = Row(sign->Bits, size, skip + r) & g.RightMask;
    if (g.X0 < 0) bits = ShiftOut(bits, -g.X0, size);
    for (int j = 0; j < size && bits != 0; ++j)
      if (bits & (1u << (size - 1 - j))) Put(left + j, top + r, sign->Pixel);
  }
}

void StampBitmapSignDoubled(const BITMAPSIGN* sign) {
  if (sign == nullptr || sign->Bits == nullptr || !PictureReady()) return;
  const Placement& g = g_place;
  if (g.Y0 < -62) return;
  const int size = SizeOf(sign->Size);
  const int64_t top = g.Y0 < 0 ? 0 : g.Y0 & ~int64_t(1);  // an even picture row
  const int64_t left = std::max<int64_t>(g.X0, 0);
  const int64_t skip = g.Y0 < 0 ? (1 - g.Y0) / 2 : 0;
  const int64_t rows = std::min<int64_t>((g.Rows + 1) / 2, size - skip);
  for (int64_t r = 0; r < rows; ++r) {
    uint32_t bits = Row(sign->Bits, size, skip + r) & g.RightMask;
    if (g.X0 < 0) bits = ShiftOut(bits, -g.X0 / 2, size);
    // The last bitmap row covers one picture row when the visible rows are odd.
    const int tall = (r == rows - 1 && (g.Rows & 1) != 0) ? 1 : 2;
    for (int j = 0; j < size && bits != 0; ++j) {
      if (!(bits & (1u << (size - 1 - j)))) continue;
      for (int dy = 0; dy < tall; ++dy) {
        Put(left + 2 * j, top + 2 * r + dy, sign->Pixel);
        Put(left + 2 * j + 1, top + 2 * r + dy, sign->Pixel);
      }
    }
  }
}
