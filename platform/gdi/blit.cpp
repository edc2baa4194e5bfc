// DIB sections, BitBlt and SetDIBitsToDevice.
#include "platform/gdi/blit.h"

#include <cstring>
#include <vector>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"

namespace plat::gdi {

void BuildLut(const Surface& dst, const SourceImage& src, uint32_t* lut) {
  // Same table: indices copy unchanged (8-bit images may carry data).
  if (dst.bpp == 8 && src.table && src.tableSize == dst.tableSize &&
      memcmp(src.table, dst.table, (size_t)src.tableSize * 4) == 0) {
    for (int i = 0; i < 256; ++i) lut[i] = (uint32_t)i;
    return;
  }
  for (int i = 0; i < 256; ++i) {
    RGBQUAD q = src.table && i < src.tableSize ? src.table[i] : RGBQUAD{0, 0, 0, 0};
    lut[i] = dst.Value(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
  }
}

void ConvertRow(Surface& dst, BYTE* out, const SourceImage& src, const BYTE* in, int w,
                const uint32_t* lut) {
  const int db = dst.BytesPerPixel();
  if (src.bpp == dst.bpp && src.bpp == 32) {
    // The fourth byte of a 32-bit pixel is 0: two pixels at a time.
    constexpr uint64_t kColours = 0x00FFFFFF00FFFFFFull;
    int i = 0;
    for (; i + 2 <= w; i += 2) {
      uint64_t two;
      memcpy(&two, in + 4 * (ptrdiff_t)i, sizeof two);
      two &= kColours;
      memcpy(out + 4 * (ptrdiff_t)i, &two, sizeof two);
    }
    if (i < w) {
      uint32_t one;
      memcpy(&one, in + 4 * (ptrdiff_t)i, sizeof one);
      one &= (uint32_t)kColours;
      memcpy(out + 4 * (ptrdiff_t)i, &one, sizeof one);
    }
    return;
  }
  if (src.bpp == dst.bpp && src.bpp != 8) {
    memcpy(out, in, (size_t)w * db);
    return;
  }
  for (int i = 0; i < w; ++i) {
    uint32_t v;
    if (src.bpp == 8) {
      v = lut[in[i]];
    } else {
      const BYTE* p = in + (ptrdiff_t)i * (src.bpp / 8);
      uint32_t rgb = (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
      v = dst.bpp == 8 ? dst.Value(FromRgbValue(rgb)) : rgb;
    }
    BYTE* o = out + (ptrdiff_t)i * db;
    if (db == 1) {
      o[0] = (BYTE)v;
    } else {
      o[0] = (BYTE)v;
      o[1] = (BYTE)(v >> 8);
      o[2] = (BYTE)(v >> 16);
      if (db == 4) o[3] = 0;
    }
  }
}

namespace {

// Intersects the device rectangle [x, x + w) x [y, y + h) with the target
// clip; returns false when nothing is left.
bool ClipRect(const Target& t, int64_t& x, int64_t& y, int64_t& w, int64_t& h) {
  int64_t x1 = x + w, y1 = y + h;
  x = std::max<int64_t>(x, t.cx0);
  y = std::max<int64_t>(y, t.cy0);
  x1 = std::min<int64_t>(x1, t.cx1);
  y1 = std::min<int64_t>(y1, t.cy1);
  w = x1 - x;
  h = y1 - y;
  return w > 0 && h > 0;
}

// Colour table of a bitmap header: DIB_RGB_COLORS copies it, DIB_PAL_COLORS
// reads 16-bit indices into the context's palette.
int ReadTable(const BITMAPINFO* info, UINT usage, const Dc* dc, RGBQUAD* table) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != 8) return 0;
  int n = h.biClrUsed && h.biClrUsed < 256 ? (int)h.biClrUsed : 256;
  const BYTE* raw = reinterpret_cast<const BYTE*>(info) + h.biSize;
  if (usage == DIB_PAL_COLORS) {
    for (int i = 0; i < n; ++i) {
      WORD k;
      memcpy(&k, raw + 2 * i, 2);
      PALETTEENTRY e{0, 0, 0, 0};
      if (dc && dc->palette && k < dc->palette->entries.size()) e = dc->palette->entries[k];
      table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  } else {
    memcpy(table, raw, (size_t)n * 4);
  }
  return n;
}

bool ValidHeader(const BITMAPINFO* info) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  // 40 to 124 bytes: the published header versions (a larger size would
  // send the colour table past the caller's record).
  return h.biSize >= 40 && h.biSize <= 124 && h.biWidth > 0 && h.biHeight != 0 &&
         h.biHeight != INT32_MIN && h.biPlanes == 1 && h.biCompression == BI_RGB &&
         (h.biBitCount == 8 || h.biBitCount == 24 || h.biBitCount == 32);
}

}  // namespace

}  // namespace plat::gdi

namespace plat {
using namespace plat::gdi;

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE,
                         DWORD) {
  if (bits) *bits = nullptr;
  Dc* dc = nullptr;
  if (hdc && !(dc = GetDcObject(hdc))) return nullptr;
  if (!ValidHeader(info) || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
    return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  auto b = std::make_unique<Bitmap>();
  LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (!b->surface.Allocate(h.biWidth, height, h.biBitCount, h.biHeight < 0)) return nullptr;
  b->surface.header = h;
  b->surface.header.biSize = 40;
  b->surface.tableSize = ReadTable(info, usage, dc, b->surface.table);
  void* base = b->surface.bits;
  HBITMAP handle = reinterpret_cast<HBITMAP>(Register(std::move(b)));
  if (handle && bits) *bits = base;
  return handle;
}

BOOL BitBlt(HDC hdest, int x, int y, int cx, int cy, HDC hsrc, int x1, int y1, DWORD rop) {
  Dc* dc = GetDcObject(hdest);
  if (!dc) return FALSE;
  Dc* src = nullptr;
  if (rop == SRCCOPY) {
    src = GetDcObject(hsrc);
    if (!src) return FALSE;
  } else if (rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS) {
    return FALSE;
  }
  MC_LOG_CALL(dc, "BitBlt(%d,%d,%d,%d,%08X)", x, y, cx, cy, (unsigned)rop);
  if (cx <= 0 || cy <= 0) return TRUE;
  int64_t sx = src ? x1 + src->orgX : 0, sy = src ? y1 + src->orgY : 0;
  if (dc->meta)
    return dc->meta->BitBlt(dc, x, y, cx, cy, rop, src ? src->surface : nullptr, (int)sx, (int)sy);
  if (!dc->surface) return TRUE;
  if (rop == SRCCOPY && !src->surface) return TRUE;
  COLORREF fill = rop == WHITENESS ? 0xFFFFFF : 0;
  if (rop == PATCOPY) {
    if (!dc->brush || dc->brush->style == BS_NULL) return TRUE;
    fill = dc->brush->color;
  }
  Target t = MakeTarget(dc, fill, R2_COPYPEN);
  int64_t dx = x + dc->orgX, dy = y + dc->orgY, w = cx, h = cy;
  if (rop != SRCCOPY) {
    if (!ClipRect(t, dx, dy, w, h)) return TRUE;
    SpanFn fn = GetSpanFn(t.surface->bpp, R2_COPYPEN);
    for (int64_t r = dy; r < dy + h; ++r) FillSpan(t, fn, r, dx, dx + w);
    return TRUE;
  }
  // The source rectangle limits the destination too.
  const Surface& s = *src->surface;
  int64_t ox = dx - sx, oy = dy - sy;  // destination minus source
  int64_t sx0 = std::max<int64_t>(sx, 0), sy0 = std::max<int64_t>(sy, 0);
  int64_t sx1 = std::min<int64_t>(sx + cx, s.width), sy1 = std::min<int64_t>(sy + cy, s.height);
  dx = sx0 + ox;
  dy = sy0 + oy;
  w = sx1 - sx0;
  h = sy1 - sy0;
  if (w <= 0 || h <= 0 || !ClipRect(t, dx, dy, w, h)) return TRUE;
  int64_t firstSx = dx - ox, firstSy = dy - oy;
  SourceImage img{s.bpp, s.table, s.tableSize};
  if (&s == dc->surface) {  // overlapping copy within one surface: copy the rows first
    std::vector<BYTE> tmp((size_t)h * s.stride);
    for (int64_t j = 0; j < h; ++j)
      memcpy(&tmp[(size_t)j * s.stride], s.Row((int)(firstSy + j)), s.stride);
    Transfer(*dc->surface, (int)dx, (int)dy, (int)w, (int)h, img, (int)firstSx,
             [&](int j) { return &tmp[(size_t)j * s.stride]; });
  } else {
    Transfer(*dc->surface, (int)dx, (int)dy, (int)w, (int)h, img, (int)firstSx,
             [&](int j) -> const BYTE* { return s.Row((int)(firstSy + j)); });
  }
  return TRUE;
}

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                      int ySrc, UINT startScan, UINT lines, const void* bits,
                      const BITMAPINFO* info, UINT usage) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !bits || !ValidHeader(info) || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
    return 0;
  const BITMAPINFOHEADER& hdr = info->bmiHeader;
  const bool topDown = hdr.biHeight < 0;
  const int64_t dibH = topDown ? -(int64_t)hdr.biHeight : hdr.biHeight;
  const int64_t stride = (((int64_t)hdr.biWidth * hdr.biBitCount + 31) / 32) * 4;
  if (topDown) {  // a top-down image is given whole
    startScan = 0;
    lines = (UINT)dibH;
  }
  if ((int64_t)startScan + lines > dibH) lines = (UINT)std::max<int64_t>(dibH - startScan, 0);
  MC_LOG_CALL(dc, "SetDIBitsToDevice(%d,%d,%u,%u,%d,%d,%u,%u)", xDest, yDest, (unsigned)width,
          (unsigned)height, xSrc, ySrc, startScan, lines);
  if (lines == 0) return 0;
  if (dc->meta) {
    // A record holds at most 1 GiB of bits (as BitBlt records do).
    if (stride > ((int64_t)1 << 30) / lines) return 0;
    DWORD tableBytes = hdr.biBitCount == 8
                           ? (hdr.biClrUsed && hdr.biClrUsed < 256 ? hdr.biClrUsed : 256) *
                                 (usage == DIB_PAL_COLORS ? 2 : 4)
                           : 0;
    dc->meta->SetDIBits(dc, xDest, yDest, (int)width, (int)height, xSrc, ySrc, startScan, lines,
                        info, hdr.biSize + tableBytes, bits, (DWORD)(stride * lines), usage);
    return (int)lines;
  }
  if (!dc->surface) return (int)lines;
  RGBQUAD table[256];
  int n = ReadTable(info, usage, dc, table);
  SourceImage img{hdr.biBitCount, table, n};
  Target t = MakeTarget(dc, 0, R2_COPYPEN);
  // Source columns [xSrc, xSrc + width) inside the image.
  int64_t dx = xDest + dc->orgX, dy = yDest + dc->orgY, w = width, h = height;
  int64_t sx = xSrc;
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  w = std::min<int64_t>(w, hdr.biWidth - sx);
  int64_t clippedX = dx, clippedY = dy, cw = w, ch = h;
  if (w <= 0 || !ClipRect(t, clippedX, clippedY, cw, ch)) return (int)lines;
  const BYTE* base = static_cast<const BYTE*>(bits);
  const int64_t firstRow = dy;
  // Destination row r shows image row k: top-down k = ySrc + (r - dy);
  // bottom-up scan line s = ySrc + (dy + h - 1 - r), counted from the bottom.
  Transfer(*dc->surface, (int)clippedX, (int)clippedY, (int)cw, (int)ch, img,
           (int)(sx + (clippedX - dx)), [&](int j) -> const BYTE* {
             int64_t r = clippedY + j;
             if (topDown) {
               int64_t k = ySrc + (r - firstRow);
               return k >= 0 && k < dibH ? base + k * stride : nullptr;
             }
             int64_t scan = (int64_t)ySrc + (firstRow + h - 1 - r);
             if (scan < (int64_t)startScan || scan >= (int64_t)startScan + lines) return nullptr;
             return base + (scan - startScan) * stride;
           });
  return (int)lines;
}

}  // namespace plat
