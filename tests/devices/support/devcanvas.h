// A white 32-bit memory context (a raster display device, top row first)
// for the tests of what is drawn on a device.
#pragma once

#include "devices/devdraw.h"
#include "platform/gdi/gdi_test.h"

namespace devtest {

struct Canvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = plat::CreateCompatibleDC(nullptr);
    bmp = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    old = plat::SelectObject(dc, bmp);
    RECT r{0, 0, w, h};
    FillDeviceRect(dc, &r, 0xFFFFFFFF);
  }
  ~Canvas() {
    plat::SelectObject(dc, old);
    plat::DeleteObject(bmp);
    plat::DeleteDC(dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  // Pixels of colour c in the w x h corner.
  int Count(COLORREF c, int w, int h) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += plat::gdi::GetPixelColor(dc, x, y) == c;
    return n;
  }
};

}  // namespace devtest
