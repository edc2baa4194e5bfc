// The sixteen mixes on 8-, 24- and 32-bit surfaces, which calls ignore
// them, and colour matching on 8-bit surfaces.
#include <gtest/gtest.h>

#include <cstring>

#include "support/canvas.h"

namespace {

// Mix r by its truth table: bit 3 for (pen 1, dest 1), bit 2 for (1, 0),
// bit 1 for (0, 1), bit 0 for (0, 0).
uint32_t Expected(int r, uint32_t p, uint32_t d, uint32_t mask) {
  uint32_t table = (uint32_t)(r - 1), out = 0;
  for (int bit = 0; bit < 24; ++bit) {
    int pb = (p >> bit) & 1, db = (d >> bit) & 1;
    out |= ((table >> (pb * 2 + db)) & 1) << bit;
  }
  return out & mask;
}

COLORREF TableColour(int i) {
  const RGBQUAD& q = Canvas::Table()[i];
  return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void CheckMixes(int bpp) {
  Canvas c(4, 20, bpp);
  const bool indexed = bpp == 8;
  const COLORREF dest = indexed ? TableColour(0x5A) : 0x0050A0C0;
  const COLORREF pen = indexed ? TableColour(0x93) : 0x00336699;
  const uint32_t dv = indexed ? 0x5A : 0xC0A050, pv = indexed ? 0x93 : 0x996633;
  c.Clear(dest);
  HPEN p = plat::CreatePen(PS_SOLID, 1, pen);
  ScopedObject scoped(c.dc(), p);
  for (int r = R2_BLACK; r <= R2_WHITE; ++r) {
    EXPECT_GT(plat::SetROP2(c.dc(), r), 0);
    EXPECT_EQ(plat::GetROP2(c.dc()), r);
    plat::MoveToEx(c.dc(), 0, r, nullptr);
    plat::LineTo(c.dc(), 2, r);
    uint32_t want = Expected(r, pv, dv, indexed ? 0xFF : 0xFFFFFF);
    EXPECT_EQ(c.Value(0, r), want) << "bpp " << bpp << " mix " << r;
    EXPECT_EQ(c.Value(1, r), want) << "bpp " << bpp << " mix " << r;
    EXPECT_EQ(c.Value(2, r), dv) << "end pixel, mix " << r;
  }
  EXPECT_EQ(plat::SetROP2(c.dc(), 0), 0);
  EXPECT_EQ(plat::SetROP2(c.dc(), 17), 0);
}

TEST(GdiMix, AllSixteenOn32And24BitsAndOnTheIndexOf8Bits) {
  for (int bpp : {32, 24, 8}) CheckMixes(bpp);
}

TEST(GdiMix, ThirtyTwoBitPixelsAreBlueGreenRedZero) {
  Canvas c(2, 2);
  plat::SetROP2(c.dc(), R2_NOT);
  HPEN p = plat::CreatePen(PS_SOLID, 1, RGB(0x11, 0x22, 0x33));
  ScopedObject scoped(c.dc(), p);
  plat::MoveToEx(c.dc(), 0, 0, nullptr);
  plat::LineTo(c.dc(), 1, 0);
  plat::SetROP2(c.dc(), R2_COPYPEN);
  plat::MoveToEx(c.dc(), 0, 1, nullptr);
  plat::LineTo(c.dc(), 1, 1);
  const BYTE* bits = static_cast<const BYTE*>(c.bits());  // bottom-up: row 1 first
  const BYTE copied[4] = {0x33, 0x22, 0x11, 0};
  const BYTE inverted[4] = {0xFF, 0xFF, 0xFF, 0};  // the fourth byte stays 0
  EXPECT_EQ(memcmp(bits, copied, 4), 0);
  EXPECT_EQ(memcmp(bits + 8, inverted, 4), 0);
}

TEST(GdiMix, FillRectSetPixelAndBlitsIgnoreTheMixButPolygonsDoNot) {
  Canvas c(8, 8), src(8, 8);
  c.Clear(0xFFFFFF);
  src.Clear(0x00FF00);
  plat::SetROP2(c.dc(), R2_XORPEN);
  HBRUSH red = plat::CreateSolidBrush(0x0000FF);
  RECT r{0, 0, 2, 2};
  plat::FillRect(c.dc(), &r, red);
  EXPECT_EQ(c.At(0, 0), 0x0000FFu);
  RECT inverted{8, 8, 6, 6};  // right of left, below top: nothing
  plat::FillRect(c.dc(), &inverted, red);
  EXPECT_EQ(c.At(7, 7), 0xFFFFFFu);
  EXPECT_EQ(plat::SetPixel(c.dc(), 3, 3, 0x123456), 0x123456u);
  EXPECT_EQ(c.At(3, 3), 0x123456u);
  plat::BitBlt(c.dc(), 4, 0, 2, 2, src.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(c.At(4, 0), 0x00FF00u);
  ScopedObject brush(c.dc(), red);
  ScopedObject pen(c.dc(), plat::GetStockObject(NULL_PEN));
  POINT tri[] = {{0, 4}, {4, 4}, {4, 8}, {0, 8}};
  plat::Polygon(c.dc(), tri, 4);
  EXPECT_EQ(c.At(1, 5), 0xFFFF00u);  // white XOR red
}

TEST(GdiMix, EightBitColoursMatchExactlyFirstThenNearestLowestIndex) {
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD t[4];
  } info{{40, 4, 1, 1, 8, BI_RGB, 0, 0, 0, 4, 0}, {}};
  info.t[0] = RGBQUAD{200, 200, 200, 0};
  info.t[1] = RGBQUAD{0, 0, 10, 0};  // red 10
  info.t[2] = RGBQUAD{0, 10, 0, 0};  // green 10
  info.t[3] = RGBQUAD{0, 0, 10, 0};  // red 10 again
  HDC dc = plat::CreateCompatibleDC(nullptr);
  HBITMAP bmp = plat::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                       nullptr, nullptr, 0);
  HGDIOBJ old = plat::SelectObject(dc, bmp);
  plat::SetPixel(dc, 0, 0, RGB(10, 0, 0));  // exact: the first of 1 and 3
  plat::SetPixel(dc, 1, 0, RGB(5, 5, 0));   // equally near 1, 2 and 3
  plat::SetPixel(dc, 2, 0, RGB(0, 9, 0));   // nearest 2
  plat::SetPixel(dc, 3, 0, RGB(190, 255, 180));
  const DWORD expected[4] = {1, 1, 2, 0};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(plat::gdi::GetPixelValue(dc, x, 0), expected[x]) << x;
  plat::SelectObject(dc, old);
  plat::DeleteObject(bmp);
  plat::DeleteDC(dc);
}

}  // namespace
