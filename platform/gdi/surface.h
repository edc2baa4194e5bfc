// A raster surface: 8-bit (with a colour table), 24- or 32-bit pixels,
// bottom-up or top-down rows of ((width * bits + 31) / 32) * 4 bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/gdi/gdi_types.h"

namespace plat::gdi {

struct Surface {
  int width = 0;
  int height = 0;
  int bpp = 32;  // 8, 24 or 32
  int stride = 0;
  bool topDown = false;
  BYTE* bits = nullptr;
  // Zeroed by the heap: a large surface gets fresh pages, which come zero
  // and stay untouched until painted.
  struct FreeBits {
    void operator()(BYTE* p) const { std::free(p); }
  };
  std::unique_ptr<BYTE, FreeBits> storage;
  BITMAPINFOHEADER header{};  // as given at creation
  RGBQUAD table[256]{};
  int tableSize = 0;
  // Nearest-colour cache of the 8-bit table (key: COLORREF + 1, 0 empty).
  mutable uint32_t cacheKey[1024]{};
  mutable uint8_t cacheIndex[1024]{};

  // Allocates zeroed bits; false for a bad size.
  bool Allocate(int w, int h, int bitsPerPixel, bool topDownRows);
  // First byte of device row y (0 at the top).
  BYTE* Row(int y) const {
    return topDown ? bits + (ptrdiff_t)y * stride : bits + (ptrdiff_t)(height - 1 - y) * stride;
  }
  // Byte step from one device row to the next one down.
  ptrdiff_t RowStep() const { return topDown ? stride : -(ptrdiff_t)stride; }
  int BytesPerPixel() const { return bpp / 8; }
  // The pixel value of a colour: the table index (exact match first, else
  // nearest, lowest index on ties) or 0x00RRGGBB.
  uint32_t Value(COLORREF color) const;
  COLORREF ColorOfValue(uint32_t value) const;
  uint32_t Get(int x, int y) const;
  void Put(int x, int y, uint32_t value);
  // Mask of the bits a mix may change: 0xFF or 0xFFFFFF.
  uint32_t Mask() const { return bpp == 8 ? 0xFFu : 0xFFFFFFu; }
};

// Minimum and maximum by value (fields of packed records cannot bind to
// references).
template <class T>
inline T MinOf(T a, T b) {
  return b < a ? b : a;
}
template <class T>
inline T MaxOf(T a, T b) {
  return a < b ? b : a;
}

// 0x00BBGGRR to 0x00RRGGBB and back.
inline uint32_t ToRgbValue(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF FromRgbValue(uint32_t v) {
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// Where and how a primitive paints: the surface, the clip in device
// coordinates (already inside the surface; x1, y1 exclusive), the pixel
// value and the mix.
struct Target {
  Surface* surface = nullptr;
  int cx0 = 0, cy0 = 0, cx1 = 0, cy1 = 0;
  uint32_t value = 0;
  int rop = R2_COPYPEN;
  bool Empty() const { return !surface || cx0 >= cx1 || cy0 >= cy1; }
};

// Fills pixels [x0, x1) of device row y (inside the clip) with the mix.
typedef void (*SpanFn)(BYTE* row, int x0, int x1, uint32_t value);
SpanFn GetSpanFn(int bpp, int rop);
// Clips and fills one span.
void FillSpan(const Target& t, SpanFn fn, int64_t y, int64_t x0, int64_t x1);
// Sets one device pixel (clipped) with the mix.
void PutPixel(const Target& t, int64_t x, int64_t y);

}  // namespace plat::gdi
