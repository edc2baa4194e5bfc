// DIB sections, BitBlt between 8/24/32-bit surfaces and SetDIBitsToDevice
// with the scan-line rules of bottom-up images.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/canvas.h"

namespace {

BITMAPINFOHEADER Header(int w, int h, int bpp) {
  BITMAPINFOHEADER b{};
  b.biSize = 40;
  b.biWidth = w;
  b.biHeight = h;
  b.biPlanes = 1;
  b.biBitCount = (WORD)bpp;
  return b;
}

TEST(GdiBlit, DibSectionLayout) {
  BITMAPINFO info{};
  info.bmiHeader = Header(5, 3, 24);
  HDC dc = plat::CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bmp = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  ASSERT_NE(bits, nullptr);
  info.bmiHeader.biHeight = 99;  // the header was copied at creation
  HGDIOBJ old = plat::SelectObject(dc, bmp);
  plat::gdi::SurfaceView v;
  ASSERT_TRUE(plat::gdi::GetSurface(dc, &v));
  EXPECT_EQ(v.stride, 16);
  EXPECT_EQ(v.height, 3);
  EXPECT_FALSE(v.topDown);
  std::vector<BYTE> zero(48, 0);
  EXPECT_EQ(memcmp(bits, zero.data(), 48), 0);
  plat::SetPixel(dc, 1, 0, RGB(1, 2, 3));  // top row = last row in memory
  const BYTE bgr[3] = {3, 2, 1};
  EXPECT_EQ(memcmp(static_cast<const BYTE*>(bits) + 32 + 3, bgr, 3), 0);
  // Bad headers fail cleanly.
  BITMAPINFO bad = info;
  bad.bmiHeader.biBitCount = 16;
  EXPECT_EQ(plat::CreateDIBSection(dc, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  bad = info;
  bad.bmiHeader.biSize = 4096;  // would put the colour table past the record
  EXPECT_EQ(plat::CreateDIBSection(dc, &bad, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  bad = info;
  bad.bmiHeader.biWidth = 0;
  EXPECT_EQ(plat::CreateDIBSection(dc, &bad, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(plat::CreateDIBSection(dc, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  plat::SelectObject(dc, old);
  plat::DeleteObject(bmp);
  plat::DeleteDC(dc);
}

TEST(GdiBlit, CopiesConvertBetweenDepths) {
  Canvas c8(8, 8, 8), c24(8, 8, 24, true), c32(8, 8, 32);
  c8.Clear(0x0000FF);  // red: index 2
  ASSERT_EQ(c8.Value(0, 0), 2u);
  ASSERT_TRUE(plat::BitBlt(c32.dc(), 0, 0, 8, 8, c8.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(c32.At(7, 7), 0x0000FFu);
  plat::SetPixel(c32.dc(), 1, 1, RGB(0, 255, 1));  // nearest: green, index 4
  ASSERT_TRUE(plat::BitBlt(c24.dc(), 0, 0, 8, 8, c32.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(c24.At(1, 1), RGB(0, 255, 1));
  ASSERT_TRUE(plat::BitBlt(c8.dc(), 0, 0, 8, 8, c24.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(c8.Value(1, 1), 4u);
  EXPECT_EQ(c8.Value(2, 2), 2u);
}

// Between 32-bit surfaces every pixel of the rectangle keeps its colour
// and gets 0 in its fourth byte, whether the rows are an odd or an even
// number of pixels long, and no pixel beside the rectangle changes.
TEST(GdiBlit, ThirtyTwoBitCopiesClearTheFourthByte) {
  for (int w : {1, 4, 5, 7}) {
    Canvas from(8, 3, 32), to(8, 3, 32);
    auto* in = static_cast<uint32_t*>(from.bits());
    for (int i = 0; i < 24; ++i) in[i] = 0xA5000000u | uint32_t(i * 0x010203);
    auto* out = static_cast<uint32_t*>(to.bits());
    for (int i = 0; i < 24; ++i) out[i] = 0x5A123456u;
    ASSERT_TRUE(plat::BitBlt(to.dc(), 1, 0, w, 3, from.dc(), 0, 0, SRCCOPY));
    for (int row = 0; row < 3; ++row)
      for (int x = 0; x < 8; ++x) {
        const uint32_t got = out[row * 8 + x];
        if (x >= 1 && x < 1 + w)
          EXPECT_EQ(got, in[row * 8 + x - 1] & 0xFFFFFFu) << w << " " << x << " " << row;
        else
          EXPECT_EQ(got, 0x5A123456u) << w << " " << x << " " << row;
      }
  }
}

TEST(GdiBlit, PlacementOriginsAndClipping) {
  Canvas src(4, 4), dst(10, 10);
  src.Clear(0x0000FF);
  plat::SetPixel(src.dc(), 3, 3, 0x00FF00);
  dst.Clear(0xFFFFFF);
  plat::SetViewportOrgEx(dst.dc(), 1, 1, nullptr);
  plat::SetViewportOrgEx(src.dc(), -1, -1, nullptr);
  // Source logical (2, 2) is device (1, 1): a 3x3 block ending in green,
  // copied to device (5, 6).
  ASSERT_TRUE(plat::BitBlt(dst.dc(), 4, 5, 5, 5, src.dc(), 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Picture(0x0000FF, 0, 0, 10, 10),
            "..........\n"
            "..........\n"
            "..........\n"
            "..........\n"
            "..........\n"
            "..........\n"
            ".....###..\n"
            ".....###..\n"
            ".....##...\n"
            "..........\n");
  EXPECT_EQ(dst.At(7, 8), 0x00FF00u);
  // Within one surface, overlapping.
  Canvas one(6, 1);
  for (int x = 0; x < 6; ++x) plat::SetPixel(one.dc(), x, 0, (COLORREF)x);
  plat::BitBlt(one.dc(), 1, 0, 5, 1, one.dc(), 0, 0, SRCCOPY);
  for (int x = 1; x < 6; ++x) EXPECT_EQ(one.At(x, 0), (COLORREF)(x - 1));
}

TEST(GdiBlit, PatternBlacknessWhiteness) {
  Canvas c(6, 2);
  c.Clear(0x808080);
  HBRUSH b = plat::CreateSolidBrush(0x00FF00);
  ScopedObject brush(c.dc(), b);
  plat::SetROP2(c.dc(), R2_XORPEN);
  plat::BitBlt(c.dc(), 0, 0, 2, 2, nullptr, 0, 0, PATCOPY);
  plat::BitBlt(c.dc(), 2, 0, 2, 2, nullptr, 0, 0, BLACKNESS);
  plat::BitBlt(c.dc(), 4, 0, 2, 2, nullptr, 0, 0, WHITENESS);
  EXPECT_EQ(c.At(1, 1), 0x00FF00u);
  EXPECT_EQ(c.At(3, 1), 0u);
  EXPECT_EQ(c.At(5, 1), 0xFFFFFFu);
  EXPECT_FALSE(plat::BitBlt(c.dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(plat::BitBlt(c.dc(), 0, 0, 2, 2, c.dc(), 0, 0, 0x00330008));
}

// A 3-wide bottom-up 32-bit image of 4 scan lines; scan s (from the bottom)
// has colour 0x10 * (s + 1) in blue.
struct Image {
  BITMAPINFO info{};
  uint32_t pixels[4][3];
  Image(bool topDown) {
    info.bmiHeader = Header(3, topDown ? -4 : 4, 32);
    for (int s = 0; s < 4; ++s)
      for (int x = 0; x < 3; ++x) pixels[s][x] = 0x10 * (s + 1);
  }
};

TEST(GdiBlit, SetDIBitsToDeviceBottomUpScanLines) {
  Canvas c(8, 8);
  Image img(false);
  c.Clear(0xFFFFFF);
  EXPECT_EQ(plat::SetDIBitsToDevice(c.dc(), 1, 1, 3, 4, 0, 0, 0, 4, img.pixels, &img.info,
                                    DIB_RGB_COLORS),
            4);
  // The top row shows the last scan line.
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 0x40));
  EXPECT_EQ(c.At(1, 4), RGB(0, 0, 0x10));
  // Source y counts from the bottom: rows of scans 2 and 1.
  c.Clear(0xFFFFFF);
  plat::SetDIBitsToDevice(c.dc(), 0, 0, 3, 2, 0, 1, 0, 4, img.pixels, &img.info, DIB_RGB_COLORS);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0x30));
  EXPECT_EQ(c.At(0, 1), RGB(0, 0, 0x20));
  EXPECT_EQ(c.At(0, 2), 0xFFFFFFu);
  // Only scans 2 and 3 are given (the bits start at scan 2).
  c.Clear(0xFFFFFF);
  EXPECT_EQ(plat::SetDIBitsToDevice(c.dc(), 0, 0, 3, 4, 0, 0, 2, 2, img.pixels[0], &img.info,
                                    DIB_RGB_COLORS),
            2);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0x20));  // scan 3 = second given line
  EXPECT_EQ(c.At(0, 1), RGB(0, 0, 0x10));  // scan 2 = first given line
  EXPECT_EQ(c.At(0, 2), 0xFFFFFFu);
  // Lines beyond the image are cut; a bad header fails.
  EXPECT_EQ(plat::SetDIBitsToDevice(c.dc(), 0, 0, 3, 4, 0, 0, 3, 9, img.pixels[0], &img.info,
                                    DIB_RGB_COLORS),
            1);
  BITMAPINFO bad = img.info;
  bad.bmiHeader.biCompression = 1;
  EXPECT_EQ(
      plat::SetDIBitsToDevice(c.dc(), 0, 0, 3, 4, 0, 0, 0, 4, img.pixels, &bad, DIB_RGB_COLORS), 0);
}

TEST(GdiBlit, SetDIBitsToDeviceTopDownAndEightBit) {
  Canvas c(8, 8);
  Image img(true);
  c.Clear(0xFFFFFF);
  plat::SetDIBitsToDevice(c.dc(), 2, 2, 3, 4, 1, 0, 0, 4, img.pixels, &img.info, DIB_RGB_COLORS);
  EXPECT_EQ(c.At(2, 2), RGB(0, 0, 0x10));  // the first row is the top
  EXPECT_EQ(c.At(3, 5), RGB(0, 0, 0x40));
  EXPECT_EQ(c.At(4, 2), 0xFFFFFFu);  // source columns 1 and 2 only
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD t[2];
  } info8{Header(4, 1, 8), {{0, 0, 255, 0}, {255, 0, 0, 0}}};
  info8.h.biClrUsed = 2;
  BYTE row[4] = {0, 1, 1, 0};
  plat::SetDIBitsToDevice(c.dc(), 0, 7, 4, 1, 0, 0, 0, 1, row,
                          reinterpret_cast<BITMAPINFO*>(&info8), DIB_RGB_COLORS);
  EXPECT_EQ(c.At(0, 7), 0x0000FFu);
  EXPECT_EQ(c.At(1, 7), 0xFF0000u);
}

}  // namespace
