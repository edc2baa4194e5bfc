// Thick lines into a 1-bit mask (see masklines.h).
#include "drawing/masklines.h"

#include <algorithm>
#include <cstdint>

#include "drawing/pixelmath.h"

MASKLINEAREA MaskLineArea = {};

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

inline i64 Abs(i64 v) { return v < 0 ? -v : v; }

// One copy cut to the window and written bit by bit.
void Segment(const MASKLINEAREA& m, i64 x1, i64 y1, i64 x2, i64 y2, bool set) {
  // Steep segments are walked down from their upper end, flat ones right
  // from their left end; pixel k lies k steps along the major axis and
  // floor(k * minor / major) along the minor one.
  const i64 cx = Abs(x2 - x1) + 1, cy = Abs(y2 - y1) + 1;
  const bool steep = cx <= cy;
  const bool back = steep ? y2 < y1 : x2 < x1;
  const i64 x = back ? x2 : x1, y = back ? y2 : y1;
  const i64 minorEnd = steep ? (back ? x1 : x2) : (back ? y1 : y2);
  const i64 major0 = steep ? y : x, minor0 = steep ? x : y;
  const int dir = minorEnd < minor0 ? -1 : 1;
  const i64 major = steep ? cy : cx, minor = steep ? cx : cy;
  const i64 majorLo = steep ? m.MinY : m.MinX, majorHi = (steep ? m.MaxY : m.MaxX) - 1;
  const i64 minorLo = steep ? m.MinX : m.MinY, minorHi = (steep ? m.MaxX : m.MaxY) - 1;
  i64 first = std::max<i64>(0, majorLo - major0), last = std::min(major - 1, majorHi - major0);
  const i64 lo = dir > 0 ? minorLo - minor0 : minor0 - minorHi;
  const i64 hi = dir > 0 ? minorHi - minor0 : minor0 - minorLo;
  if (first > last || hi < 0) return;
  if (lo > 0) {
    const i128 k = (i128(lo) * major + minor - 1) / minor;
    if (k > last) return;
    first = std::max(first, static_cast<i64>(k));
  }
  const i128 k = ((i128(hi) + 1) * major - 1) / minor;
  if (k < last) last = static_cast<i64>(k);
  if (first > last) return;
  const i128 steps = i128(first) * minor;
  const i64 q = static_cast<i64>(steps / major);
  i64 e = major - static_cast<i64>(steps % major);
  i64 px = steep ? x + dir * q : x + first, py = steep ? y + first : y + dir * q;
  // Bit and word of the first pixel; rows step by whole words.
  const intptr_t rowWords = m.RowBytes / 4;
  const i64 u = px - m.OriginX;
  DWORD* word = reinterpret_cast<DWORD*>(m.Top) + (u >> 5) - (py - m.OriginY) * rowWords;
  DWORD bit = 0x80000000u >> (u & 31);
  for (i64 n = last - first + 1; n > 0; --n) {
    if (set)
      *word |= bit;
    else
      *word &= ~bit;
    const bool minorStep = (e -= minor) < 1;
    if (minorStep) e += major;
    if (steep) {
      word -= rowWords;
      if (minorStep) {
        if (dir > 0) {
          bit >>= 1;
          if (bit == 0) bit = 0x80000000u, ++word;
        } else {
          bit <<= 1;
          if (bit == 0) bit = 1, --word;
        }
      }
    } else {
      bit >>= 1;
      if (bit == 0) bit = 0x80000000u, ++word;
      if (minorStep) word -= dir * rowWords;
    }
  }
}

}  // namespace

void RasterMaskLine(const POLYDATA* data, BYTE value, BYTE width, float fy, float fx) {
  const MASKLINEAREA m = MaskLineArea;
  if (data == nullptr || data->Points == nullptr || data->PolyCounts == nullptr ||
      m.Top == nullptr || m.MinX >= m.MaxX || m.MinY >= m.MaxY || width == 0)
    return;
  const i64 h = width / 2, r = width - h;
  const bool set = value != 0;
  const POINT* p = data->Points;
  auto scaled = [&](const POINT& pt, i64* x, i64* y) {
    *x = TruncatePixel(double(pt.x) * fx);
    *y = TruncatePixel(double(pt.y) * fy);
  };
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) return;
    i64 x1, y1, x2, y2;
    scaled(p[0], &x1, &y1);
    for (LONG i = n == 1 ? 0 : 1; i < n; ++i, x1 = x2, y1 = y2) {
      scaled(p[i], &x2, &y2);
      // Beyond one side of the window widened by the thickness.
      if ((x1 + r < m.MinX && x2 + r < m.MinX) || (x1 - h >= m.MaxX && x2 - h >= m.MaxX) ||
          (y1 + r < m.MinY && y2 + r < m.MinY) || (y1 - h >= m.MaxY && y2 - h >= m.MaxY))
        continue;
      const bool flat = Abs(y2 - y1) < Abs(x2 - x1);
      for (i64 c = -h; c < r; ++c) {
        if (flat)
          Segment(m, x1, y1 + c, x2, y2 + c, set);
        else
          Segment(m, x1 + c, y1, x2 + c, y2, set);
      }
    }
    p += n;
  }
}
