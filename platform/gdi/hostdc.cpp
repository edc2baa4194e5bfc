// Device contexts of a host program: bitmap contexts and window pixels.
#include "platform/gdi/hostdc.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/objects.h"
#include "platform/ui.h"

namespace plat {
using namespace plat::gdi;

namespace {

Dc* BitmapDc(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc && dc->dcKind == DcKind::Bitmap ? dc : nullptr;
}

DeviceCaps ScreenCaps() {
  DeviceCaps caps = DisplayCaps();
  caps.rasterCaps |= RC_BITBLT | RC_DI_BITMAP | RC_DIBTODEV;
  return caps;
}

}  // namespace

HDC CreateBitmapDc(int width, int height, bool topDown) {
  if (!HostSurfaceSizeFits(width, height)) return nullptr;
  return CreateSurfaceDc(DcKind::Bitmap, ScreenCaps(), width, height, topDown);
}

BYTE* BitmapDcBits(HDC hdc, int* stride) {
  Dc* dc = BitmapDc(hdc);
  if (stride) *stride = dc ? dc->own->stride : 0;
  return dc ? dc->own->bits : nullptr;
}

bool DeleteBitmapDc(HDC hdc) { return BitmapDc(hdc) && DeleteDC(hdc); }

int SetBitmapDcKind(HDC hdc, int technology, int dpiX, int dpiY) {
  Dc* dc = BitmapDc(hdc);
  if (!dc) return -1;
  const int old = dc->caps.technology;
  if (technology == DT_RASDISPLAY) {
    dc->caps = ScreenCaps();
    return old;
  }
  if (technology != DT_RASPRINTER && technology != DT_PLOTTER) return -1;
  if (dpiX < 1 || dpiY < 1 || dpiX > 100000 || dpiY > 100000) return -1;
  dc->caps = PageCaps(technology, dc->own->width, dc->own->height, dpiX, dpiY);
  return old;
}

bool IsDeviceContext(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc && (dc->dcKind != DcKind::Window || IsWindow(dc->window));
}

bool IsOnScreen(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  return dc && (dc->dcKind == DcKind::Display ||
                (dc->dcKind == DcKind::Window && IsWindow(dc->window)));
}

int ReadWindowPixels(HWND window, BYTE* bits, int stride, int width, int height) {
  if (!bits || width < 1 || height < 1 || int64_t(stride) < int64_t(width) * 4) return 0;
  // The window's context makes its surface when nothing has yet.
  HDC dc = GetDC(window);
  if (!dc) return 0;
  SurfaceView view;
  int rows = 0;
  if (GetWindowSurface(window, &view) && view.bits && view.bitsPerPixel == 32) {
    rows = std::min(height, view.height);
    const int w = std::min(width, view.width);
    for (int y = 0; y < rows; ++y) {
      const BYTE* from = view.topDown ? view.bits + ptrdiff_t(y) * view.stride
                                      : view.bits + ptrdiff_t(view.height - 1 - y) * view.stride;
      std::memcpy(bits + ptrdiff_t(y) * stride, from, size_t(w) * 4);
    }
  }
  ReleaseDC(window, dc);
  return rows;
}

}  // namespace plat
