// PNG dump of a context's surface.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/gdi/objects.h"

namespace plat::gdi {

bool WritePng(HDC hdc, const char* path) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !dc->surface || !path) return false;
  const Surface& s = *dc->surface;
  FILE* f = fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row((size_t)s.width * 3);
  bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)s.width, (png_uint_32)s.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) {
        COLORREF c = s.ColorOfValue(s.Get(x, y));
        row[3 * x] = GetRValue(c);
        row[3 * x + 1] = GetGValue(c);
        row[3 * x + 2] = GetBValue(c);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  ok = fclose(f) == 0 && ok;
  if (!ok) remove(path);
  return ok;
}

COLORREF GetPixelColor(HDC hdc, int x, int y) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !dc->surface) return CLR_INVALID;
  const Surface& s = *dc->surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return CLR_INVALID;
  return s.ColorOfValue(s.Get(x, y));
}

DWORD GetPixelValue(HDC hdc, int x, int y) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !dc->surface) return CLR_INVALID;
  const Surface& s = *dc->surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return CLR_INVALID;
  return s.Get(x, y);
}

COLORREF GetPixelColor(const SurfaceView& view, const RGBQUAD* table, int x, int y) {
  if (!view.bits || x < 0 || y < 0 || x >= view.width || y >= view.height) return CLR_INVALID;
  const BYTE* row = view.bits + (ptrdiff_t)(view.topDown ? y : view.height - 1 - y) * view.stride;
  const BYTE* p = row + (ptrdiff_t)x * (view.bitsPerPixel / 8);
  if (view.bitsPerPixel == 8) {
    if (!table) return CLR_INVALID;
    const RGBQUAD& q = table[*p];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  return RGB(p[2], p[1], p[0]);
}

}  // namespace plat::gdi
