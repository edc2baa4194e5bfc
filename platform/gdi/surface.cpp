// Surfaces: allocation, colour values, the nearest colour of an 8-bit table
// and the span and pixel writers for all sixteen mixes.
#include "platform/gdi/surface.h"

#include "platform/gdi/mix.h"

#include <algorithm>
#include <cstring>

namespace plat::gdi {

bool Surface::Allocate(int w, int h, int bitsPerPixel, bool topDownRows) {
  if (w <= 0 || h <= 0 || (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32))
    return false;
  int64_t rowBytes = (((int64_t)w * bitsPerPixel + 31) / 32) * 4;
  int64_t total = rowBytes * h;
  if (rowBytes > INT32_MAX || total > ((int64_t)1 << 31)) return false;
  BYTE* fresh = static_cast<BYTE*>(std::calloc((size_t)total, 1));
  if (fresh == nullptr) return false;
  storage.reset(fresh);
  width = w;
  height = h;
  bpp = bitsPerPixel;
  stride = (int)rowBytes;
  topDown = topDownRows;
  bits = storage.get();
  return true;
}

uint32_t Surface::Value(COLORREF color) const {
  color &= 0xFFFFFF;
  if (bpp != 8) return ToRgbValue(color);
  uint32_t slot = (color * 2654435761u) >> 22;
  if (cacheKey[slot] == color + 1) return cacheIndex[slot];
  int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  int best = 0;
  int64_t bestDist = INT64_MAX;
  int n = tableSize > 0 ? tableSize : 256;
  for (int i = 0; i < n; ++i) {
    const RGBQUAD& q = table[i];
    int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
    int64_t d = (int64_t)dr * dr + (int64_t)dg * dg + (int64_t)db * db;
    if (d < bestDist) {  // first exact match wins, else lowest nearest
      bestDist = d;
      best = i;
      if (d == 0) break;
    }
  }
  cacheKey[slot] = color + 1;
  cacheIndex[slot] = (uint8_t)best;
  return (uint32_t)best;
}

COLORREF Surface::ColorOfValue(uint32_t value) const {
  if (bpp != 8) return FromRgbValue(value & 0xFFFFFF);
  const RGBQUAD& q = table[value & 0xFF];
  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

uint32_t Surface::Get(int x, int y) const {
  const BYTE* p = Row(y) + (ptrdiff_t)x * BytesPerPixel();
  switch (bpp) {
    case 8:
      return p[0];
    case 24:
      return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
    default: {
      uint32_t v;
      memcpy(&v, p, 4);
      return v & 0xFFFFFF;
    }
  }
}

void Surface::Put(int x, int y, uint32_t value) {
  BYTE* p = Row(y) + (ptrdiff_t)x * BytesPerPixel();
  switch (bpp) {
    case 8:
      p[0] = (BYTE)value;
      break;
    case 24:
      p[0] = (BYTE)value;
      p[1] = (BYTE)(value >> 8);
      p[2] = (BYTE)(value >> 16);
      break;
    default:
      value &= 0xFFFFFF;
      memcpy(p, &value, 4);
  }
}

namespace {

template <int R>
void Span8(BYTE* row, int x0, int x1, uint32_t v) {
  if (R == R2_COPYPEN) {
    memset(row + x0, (int)(v & 0xFF), (size_t)(x1 - x0));
    return;
  }
  for (int x = x0; x < x1; ++x) row[x] = (BYTE)MixOf<R>(v, row[x]);
}

template <int R>
void Span24(BYTE* row, int x0, int x1, uint32_t v) {
  BYTE* p = row + (ptrdiff_t)x0 * 3;
  for (int x = x0; x < x1; ++x, p += 3) {
    uint32_t d = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
    uint32_t m = MixOf<R>(v, d);
    p[0] = (BYTE)m;
    p[1] = (BYTE)(m >> 8);
    p[2] = (BYTE)(m >> 16);
  }
}

template <int R>
void Span32(BYTE* row, int x0, int x1, uint32_t v) {
  uint32_t* p = reinterpret_cast<uint32_t*>(row) + x0;
  int n = x1 - x0;
  if (R == R2_COPYPEN) {
    std::fill_n(p, n, v);
    return;
  }
  for (int i = 0; i < n; ++i) p[i] = MixOf<R>(v, p[i]) & 0xFFFFFF;
}


#define MC_SPAN_TABLE(F)                                                          \
  {F<1>, F<2>, F<3>, F<4>, F<5>, F<6>, F<7>, F<8>, F<9>, F<10>, F<11>, F<12>, F<13>, \
   F<14>, F<15>, F<16>}
const SpanFn kSpan8[16] = MC_SPAN_TABLE(Span8);
const SpanFn kSpan24[16] = MC_SPAN_TABLE(Span24);
const SpanFn kSpan32[16] = MC_SPAN_TABLE(Span32);
#undef MC_SPAN_TABLE

}  // namespace

SpanFn GetSpanFn(int bpp, int rop) {
  if (rop < 1 || rop > 16) rop = R2_COPYPEN;
  switch (bpp) {
    case 8: return kSpan8[rop - 1];
    case 24: return kSpan24[rop - 1];
    default: return kSpan32[rop - 1];
  }
}

void FillSpan(const Target& t, SpanFn fn, int64_t y, int64_t x0, int64_t x1) {
  if (y < t.cy0 || y >= t.cy1) return;
  if (x0 < t.cx0) x0 = t.cx0;
  if (x1 > t.cx1) x1 = t.cx1;
  if (x0 >= x1) return;
  fn(t.surface->Row((int)y), (int)x0, (int)x1, t.value);
}

void PutPixel(const Target& t, int64_t x, int64_t y) {
  if (t.Empty() || x < t.cx0 || x >= t.cx1 || y < t.cy0 || y >= t.cy1) return;
  GetSpanFn(t.surface->bpp, t.rop)(t.surface->Row((int)y), (int)x, (int)x + 1, t.value);
}

}  // namespace plat::gdi
