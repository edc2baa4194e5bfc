// Device contexts of a host: bitmap contexts with the device they show,
// the liveness test of any context, and the pixels of host windows.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_test.h"
#include "platform/gdi/hostdc.h"
#include "platform/ui.h"

namespace {

DWORD Word(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

TEST(HostDc, BitmapSizesAreBounded) {
  EXPECT_EQ(plat::CreateBitmapDc(0, 5, true), nullptr);
  EXPECT_EQ(plat::CreateBitmapDc(5, -1, false), nullptr);
  EXPECT_EQ(plat::CreateBitmapDc(plat::kHostBitmapMaxSide + 1, 1, true), nullptr);
  // One row past 1 GiB.
  EXPECT_EQ(plat::CreateBitmapDc(16384, 16385, true), nullptr);
  HDC dc = plat::CreateBitmapDc(plat::kHostBitmapMaxSide, 1, true);
  ASSERT_NE(dc, nullptr);
  EXPECT_TRUE(plat::DeleteBitmapDc(dc));
}

// A window takes the sizes a bitmap takes: one that no surface can hold
// would hand out a window without a context.
TEST(HostDc, WindowSizesAreBoundedAsBitmapsAre) {
  for (auto [w, h] : {std::pair{0, 0}, {-5, 10}, {10, -5}, {0, 10}, {INT_MAX, INT_MAX},
                      {plat::kHostBitmapMaxSide + 1, 1}, {16384, 16385}}) {
    EXPECT_EQ(plat::CreateHostWindow(nullptr, nullptr, w, h), nullptr) << w << " x " << h;
  }
  HWND window = plat::CreateHostWindow(nullptr, nullptr, plat::kHostBitmapMaxSide, 1);
  ASSERT_NE(window, nullptr);
  HDC dc = plat::GetDC(window);
  EXPECT_NE(dc, nullptr);
  plat::ReleaseDC(window, dc);
  // A new size obeys the same bounds; a refused one keeps the old.
  EXPECT_FALSE(plat::SetClientSize(window, 0, 0));
  EXPECT_FALSE(plat::SetClientSize(window, INT_MAX, INT_MAX));
  RECT rc{};
  ASSERT_TRUE(plat::GetClientRect(window, &rc));
  EXPECT_EQ(rc.right, plat::kHostBitmapMaxSide);
  EXPECT_EQ(rc.bottom, 1);
  plat::DestroyHostWindow(window);
}

// Only a window's or the display's pixels are watched while they are drawn.
TEST(HostDc, OnlyWindowsAndTheDisplayAreOnScreen) {
  HWND window = plat::CreateHostWindow(nullptr, nullptr, 4, 4);
  HDC wdc = plat::GetDC(window);
  EXPECT_TRUE(plat::IsOnScreen(wdc));
  HDC bitmap = plat::CreateBitmapDc(4, 4, true);
  EXPECT_FALSE(plat::IsOnScreen(bitmap));
  HDC memory = plat::CreateCompatibleDC(nullptr);
  EXPECT_FALSE(plat::IsOnScreen(memory));
  EXPECT_FALSE(plat::IsOnScreen(nullptr));
  plat::DeleteDC(memory);
  plat::DeleteBitmapDc(bitmap);
  plat::DestroyHostWindow(window);
  EXPECT_FALSE(plat::IsOnScreen(wdc));  // its window is gone
  plat::ReleaseDC(window, wdc);
}

TEST(HostDc, RowsLieTopDownOrBottomUpInMemory) {
  for (bool topDown : {true, false}) {
    HDC dc = plat::CreateBitmapDc(3, 4, topDown);
    ASSERT_NE(dc, nullptr);
    int stride = 0;
    BYTE* bits = plat::BitmapDcBits(dc, &stride);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(stride, 12);
    EXPECT_EQ(Word(bits + 8), 0xFFFFFFu);  // white, fourth byte 0
    plat::SetPixel(dc, 1, 0, 0x0000FF);    // red at the top row
    EXPECT_EQ(Word((topDown ? bits : bits + 3 * stride) + 4), 0xFF0000u) << topDown;
    EXPECT_TRUE(plat::DeleteBitmapDc(dc));
    EXPECT_FALSE(plat::DeleteBitmapDc(dc));
    EXPECT_EQ(plat::BitmapDcBits(dc, &stride), nullptr);
    EXPECT_EQ(stride, 0);
  }
}

TEST(HostDc, TheDeviceKindSetsTheCapabilities) {
  HDC dc = plat::CreateBitmapDc(200, 100, true);
  ASSERT_NE(dc, nullptr);
  const int screenWidth = plat::GetDeviceCaps(dc, HORZRES);
  EXPECT_EQ(plat::GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_EQ(plat::SetBitmapDcKind(dc, DT_RASPRINTER, 300, 600), DT_RASDISPLAY);
  EXPECT_EQ(plat::GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(plat::GetDeviceCaps(dc, LOGPIXELSX), 300);
  EXPECT_EQ(plat::GetDeviceCaps(dc, LOGPIXELSY), 600);
  EXPECT_EQ(plat::GetDeviceCaps(dc, HORZRES), 200);
  EXPECT_TRUE(plat::GetDeviceCaps(dc, RASTERCAPS) & RC_DIBTODEV);
  // Refusals change nothing.
  for (auto [kind, x, y] : {std::tuple{DT_METAFILE, 300, 300}, {7, 300, 300},
                            {DT_PLOTTER, 0, 300}, {DT_PLOTTER, 300, 100001}})
    EXPECT_EQ(plat::SetBitmapDcKind(dc, kind, x, y), -1) << kind << " " << x << " " << y;
  EXPECT_EQ(plat::GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(plat::SetBitmapDcKind(dc, DT_PLOTTER, 100, 100), DT_RASPRINTER);
  EXPECT_FALSE(plat::GetDeviceCaps(dc, RASTERCAPS) & RC_BITBLT);
  EXPECT_EQ(plat::SetBitmapDcKind(dc, DT_RASDISPLAY, 0, 0), DT_PLOTTER);
  EXPECT_EQ(plat::GetDeviceCaps(dc, HORZRES), screenWidth);
  // Only bitmap contexts change their kind or are freed as bitmaps.
  HDC memory = plat::CreateCompatibleDC(nullptr);
  EXPECT_EQ(plat::SetBitmapDcKind(memory, DT_RASPRINTER, 300, 300), -1);
  EXPECT_FALSE(plat::DeleteBitmapDc(memory));
  EXPECT_EQ(plat::BitmapDcBits(memory, nullptr), nullptr);
  EXPECT_TRUE(plat::IsDeviceContext(memory));
  EXPECT_TRUE(plat::DeleteDC(memory));
  EXPECT_TRUE(plat::DeleteBitmapDc(dc));
}

TEST(HostDc, OnlyLiveContextsAreContexts) {
  int garbage[4] = {};
  EXPECT_FALSE(plat::IsDeviceContext(nullptr));
  EXPECT_FALSE(plat::IsDeviceContext(reinterpret_cast<HDC>(garbage)));
  EXPECT_FALSE(plat::IsDeviceContext(reinterpret_cast<HDC>(reinterpret_cast<char*>(garbage) + 1)));
  HPEN pen = plat::CreatePen(PS_SOLID, 1, 0);
  EXPECT_FALSE(plat::IsDeviceContext(reinterpret_cast<HDC>(pen)));
  plat::DeleteObject(pen);
  HDC dc = plat::CreateBitmapDc(2, 2, true);
  EXPECT_TRUE(plat::IsDeviceContext(dc));
  plat::DeleteBitmapDc(dc);
  EXPECT_FALSE(plat::IsDeviceContext(dc));
  // A window's context lives while its window does.
  HWND window = plat::CreateHostWindow(nullptr, nullptr, 4, 4);
  HDC wdc = plat::GetDC(window);
  EXPECT_TRUE(plat::IsDeviceContext(wdc));
  plat::DestroyHostWindow(window);
  EXPECT_FALSE(plat::IsDeviceContext(wdc));
  EXPECT_EQ(plat::ReleaseDC(window, wdc), 1);
}

TEST(HostDc, WindowPixelsAreReadTopRowFirst) {
  HWND window = plat::CreateHostWindow(nullptr, nullptr, 5, 3);
  std::vector<BYTE> bits(6 * 4 * 4, 0xAA);
  const int stride = 6 * 4;
  // Never painted: black.
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), stride, 6, 4), 3);
  EXPECT_EQ(Word(&bits[2 * stride + 16]), 0u);
  EXPECT_EQ(Word(&bits[20]), 0xAAAAAAAAu);  // past the client area's width
  EXPECT_EQ(Word(&bits[3 * stride]), 0xAAAAAAAAu);  // and height
  HDC dc = plat::GetDC(window);
  plat::SetPixel(dc, 4, 0, 0x563412);
  plat::SetPixel(dc, 0, 2, 0x0000FF);
  plat::ReleaseDC(window, dc);
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), stride, 6, 4), 3);
  EXPECT_EQ(Word(&bits[16]), 0x123456u);
  EXPECT_EQ(Word(&bits[2 * stride]), 0xFF0000u);
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), stride, 2, 1), 1);
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), 7, 2, 1), 0);
  EXPECT_EQ(plat::ReadWindowPixels(window, nullptr, stride, 2, 1), 0);
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), stride, 2, 0), 0);
  plat::DestroyHostWindow(window);
  EXPECT_EQ(plat::ReadWindowPixels(window, bits.data(), stride, 6, 4), 0);
}

}  // namespace
