// Pixel transfers between images of 8, 24 and 32 bits.
#pragma once

#include "platform/gdi/surface.h"

namespace plat::gdi {

// A source image: rows found by the caller, pixels of bpp bits and, for 8
// bits, a colour table.
struct SourceImage {
  int bpp = 32;
  const RGBQUAD* table = nullptr;
  int tableSize = 0;
};

// Copies w pixels per row into dst at device (dx, dy + j) for j in [0, h),
// from row(j) (null: the row is skipped) starting at source column sx.
// The destination rectangle must lie inside the surface.
template <class RowFn>
void Transfer(Surface& dst, int dx, int dy, int w, int h, const SourceImage& src, int sx,
              RowFn row);

// Converts one row segment.
void ConvertRow(Surface& dst, BYTE* out, const SourceImage& src, const BYTE* in, int w,
                const uint32_t* lut);
// The lookup table of an 8-bit source into dst's values (256 entries).
void BuildLut(const Surface& dst, const SourceImage& src, uint32_t* lut);

template <class RowFn>
void Transfer(Surface& dst, int dx, int dy, int w, int h, const SourceImage& src, int sx,
              RowFn row) {
  if (w <= 0 || h <= 0) return;
  uint32_t lut[256];
  if (src.bpp == 8) BuildLut(dst, src, lut);
  const int sb = src.bpp / 8, db = dst.BytesPerPixel();
  for (int j = 0; j < h; ++j) {
    const BYTE* in = row(j);
    if (!in) continue;
    ConvertRow(dst, dst.Row(dy + j) + (ptrdiff_t)dx * db, src, in + (ptrdiff_t)sx * sb, w, lut);
  }
}

}  // namespace plat::gdi
