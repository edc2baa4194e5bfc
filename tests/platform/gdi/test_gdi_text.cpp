// Text output through the text engine: monochrome ink in the text colour,
// the opaque box, rotation, clipping and measuring through a context.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/canvas.h"

namespace {

const COLORREF kWhite = 0xFFFFFF, kInk = 0x0000C0, kBack = 0x00E0E0;

LOGFONTA Font(int height, int escapement = 0) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfEscapement = lf.lfOrientation = escapement;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = RUSSIAN_CHARSET;
  strcpy(lf.lfFaceName, "Arial");
  return lf;
}

struct Ink {
  int count = 0, x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};

Ink InkOf(const Canvas& c, COLORREF colour) {
  Ink k;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      if (c.At(x, y) == colour) {
        ++k.count;
        k.x0 = std::min(k.x0, x);
        k.y0 = std::min(k.y0, y);
        k.x1 = std::max(k.x1, x);
        k.y1 = std::max(k.y1, y);
      }
  return k;
}

TEST(GdiText, MonochromeInkInTheTextColourIgnoringTheMix) {
  Canvas c(200, 80);
  c.Clear(kWhite);
  LOGFONTA lf = Font(40);
  ScopedObject font(c.dc(), plat::CreateFontIndirectA(&lf));
  plat::SetBkMode(c.dc(), TRANSPARENT);
  plat::SetTextColor(c.dc(), kInk);
  plat::SetROP2(c.dc(), R2_XORPEN);
  plat::SetTextAlign(c.dc(), TA_BASELINE | TA_LEFT);
  ASSERT_TRUE(plat::TextOutA(c.dc(), 10, 50, "Hg", 2));
  Ink ink = InkOf(c, kInk);
  EXPECT_GT(ink.count, 50);
  EXPECT_EQ(ink.count + c.Count(kWhite), 200 * 80);  // no grey edges
  EXPECT_LT(ink.y0, 50);                             // ascenders above the baseline
  EXPECT_GT(ink.y1, 50);                             // the descender of g below it
  EXPECT_GE(ink.x0, 10);
}

TEST(GdiText, ExtentsAndWidthsAgree) {
  Canvas c(10, 10);
  LOGFONTA lf = Font(64);
  ScopedObject font(c.dc(), plat::CreateFontIndirectA(&lf));
  SIZE size;
  ASSERT_TRUE(plat::GetTextExtentPoint32A(c.dc(), "Map", 3, &size));
  INT w[256];
  ASSERT_TRUE(plat::GetCharWidthA(c.dc(), 0, 255, w));
  EXPECT_EQ(size.cx, w['M'] + w['a'] + w['p']);
  TEXTMETRICA tm;
  ASSERT_TRUE(plat::GetTextMetricsA(c.dc(), &tm));
  EXPECT_EQ(size.cy, tm.tmHeight);
  EXPECT_EQ(tm.tmHeight, 64);
  EXPECT_FALSE(plat::GetCharWidthA(c.dc(), 10, 256, w));
  EXPECT_FALSE(plat::GetTextExtentPoint32A(c.dc(), nullptr, 3, &size));
}

TEST(GdiText, OpaqueModeFillsTheBoxFirst) {
  Canvas c(200, 80);
  c.Clear(kWhite);
  LOGFONTA lf = Font(30);
  ScopedObject font(c.dc(), plat::CreateFontIndirectA(&lf));
  plat::SetBkMode(c.dc(), OPAQUE);
  plat::SetBkColor(c.dc(), kBack);
  plat::SetTextColor(c.dc(), kInk);
  plat::SetTextAlign(c.dc(), TA_TOP | TA_LEFT);
  plat::TextOutA(c.dc(), 20, 10, "Map", 3);
  SIZE size;
  plat::GetTextExtentPoint32A(c.dc(), "Map", 3, &size);
  Ink back = InkOf(c, kBack), ink = InkOf(c, kInk);
  EXPECT_EQ(back.count + ink.count, size.cx * size.cy);
  const int box[4] = {20, 10, 20 + size.cx - 1, 10 + size.cy - 1};
  EXPECT_EQ(std::vector<int>({back.x0, back.y0, back.x1, back.y1}), std::vector<int>(box, box + 4));
}

TEST(GdiText, RotatedTextLiesWhereTheAlignmentSays) {
  Canvas c(120, 200);
  c.Clear(kWhite);
  LOGFONTA lf = Font(30, 900);  // 90 degrees: the text runs upwards
  ScopedObject font(c.dc(), plat::CreateFontIndirectA(&lf));
  plat::SetBkMode(c.dc(), TRANSPARENT);
  plat::SetTextColor(c.dc(), kInk);
  plat::SetTextAlign(c.dc(), TA_BASELINE | TA_LEFT);
  plat::TextOutA(c.dc(), 60, 150, "HHHH", 4);
  SIZE size;
  plat::GetTextExtentPoint32A(c.dc(), "HHHH", 4, &size);
  Ink ink = InkOf(c, kInk);
  ASSERT_GT(ink.count, 0);
  // Ink left of the baseline column x = 60 (glyphs stand on it) and above
  // the start point, within the extent.
  EXPECT_LE(ink.x1, 60);
  EXPECT_GE(ink.x0, 60 - 30);
  EXPECT_LE(ink.y1, 150);
  EXPECT_GE(ink.y0, 150 - size.cx - 1);
  EXPECT_GT(ink.y1 - ink.y0, size.cx / 2);
}

TEST(GdiText, TextIsClipped) {
  Canvas c(100, 50);
  c.Clear(kWhite);
  LOGFONTA lf = Font(40);
  ScopedObject font(c.dc(), plat::CreateFontIndirectA(&lf));
  plat::SetBkMode(c.dc(), OPAQUE);
  plat::SetBkColor(c.dc(), kBack);
  HRGN rgn = plat::CreateRectRgn(10, 0, 30, 50);
  plat::SelectClipRgn(c.dc(), rgn);
  plat::DeleteObject(rgn);
  plat::TextOutA(c.dc(), 0, 0, "WWWW", 4);
  Ink back = InkOf(c, kBack);
  EXPECT_EQ(back.x0, 10);
  EXPECT_EQ(back.x1, 29);
}

}  // namespace
