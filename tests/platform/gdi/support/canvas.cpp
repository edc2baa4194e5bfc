#include "support/canvas.h"

#include <cstring>
#include <vector>

namespace {

struct Info {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

}  // namespace

const RGBQUAD* Canvas::Table() {
  static RGBQUAD table[256];
  static bool made = false;
  if (!made) {
    for (int i = 0; i < 256; ++i)
      table[i] = RGBQUAD{(BYTE)(i / 2), (BYTE)(255 - i), (BYTE)i, 0};
    table[0] = RGBQUAD{0, 0, 0, 0};        // black
    table[1] = RGBQUAD{255, 255, 255, 0};  // white
    table[2] = RGBQUAD{0, 0, 255, 0};      // red
    table[3] = RGBQUAD{255, 0, 0, 0};      // blue
    table[4] = RGBQUAD{0, 255, 0, 0};      // green
    made = true;
  }
  return table;
}

Canvas::Canvas(int width, int height, int bpp, bool topDown) : width_(width), height_(height) {
  Info info{};
  info.header.biSize = 40;
  info.header.biWidth = width;
  info.header.biHeight = topDown ? -height : height;
  info.header.biPlanes = 1;
  info.header.biBitCount = (WORD)bpp;
  info.header.biClrUsed = bpp == 8 ? 256 : 0;
  if (bpp == 8) memcpy(info.colors, Table(), sizeof info.colors);
  dc_ = plat::CreateCompatibleDC(nullptr);
  bitmap_ = plat::CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                   &bits_, nullptr, 0);
  old_ = plat::SelectObject(dc_, bitmap_);
}

Canvas::~Canvas() {
  plat::SelectObject(dc_, old_);
  plat::DeleteObject(bitmap_);
  plat::DeleteDC(dc_);
}

void Canvas::Clear(COLORREF colour) {
  HBRUSH b = plat::CreateSolidBrush(colour);
  RECT r{0, 0, width_, height_};
  POINT org;
  plat::SetViewportOrgEx(dc_, 0, 0, &org);
  HRGN none = nullptr;
  plat::SelectClipRgn(dc_, none);
  plat::FillRect(dc_, &r, b);
  plat::SetViewportOrgEx(dc_, org.x, org.y, nullptr);
  plat::DeleteObject(b);
}

int Canvas::Count(COLORREF colour) const {
  int n = 0;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) n += At(x, y) == colour;
  return n;
}

std::string Canvas::Picture(COLORREF colour, int x0, int y0, int x1, int y1) const {
  std::string s;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) s += At(x, y) == colour ? '#' : '.';
    s += '\n';
  }
  return s;
}

std::string Canvas::Snapshot() const {
  std::string s;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      DWORD v = Value(x, y);
      s.append(reinterpret_cast<const char*>(&v), 4);
    }
  return s;
}
