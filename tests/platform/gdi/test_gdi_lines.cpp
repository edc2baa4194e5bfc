// Cosmetic lines: end pixels, the tie rule, joints, clipping, far-away
// coordinates and the viewport origin.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "support/canvas.h"

namespace {

const COLORREF kWhite = 0xFFFFFF, kBlack = 0;

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  plat::MoveToEx(dc, x0, y0, nullptr);
  plat::LineTo(dc, x1, y1);
}

TEST(GdiLines, EndPixelIsLeftOut) {
  Canvas c(8, 8);
  c.Clear(kWhite);
  Line(c.dc(), 1, 1, 5, 1);
  Line(c.dc(), 0, 3, 4, 7);
  Line(c.dc(), 7, 7, 7, 4);  // upwards
  Line(c.dc(), 6, 6, 6, 6);  // nothing at all
  EXPECT_EQ(c.Picture(kBlack, 0, 0, 8, 8),
            "........\n"
            ".####...\n"
            "........\n"
            "#.......\n"
            ".#......\n"
            "..#....#\n"
            "...#...#\n"
            ".......#\n");
}

TEST(GdiLines, TiesRoundTowardsTheStart) {
  Canvas c(8, 8);
  c.Clear(kWhite);
  Line(c.dc(), 0, 0, 4, 1);  // y = 0.5 exactly at x = 2
  Line(c.dc(), 6, 0, 7, 6);  // steep: x = 6.5 exactly at y = 3
  EXPECT_EQ(c.Picture(kBlack, 0, 0, 8, 8),
            "###...#.\n"
            "...#..#.\n"
            "......#.\n"
            "......#.\n"
            ".......#\n"
            ".......#\n"
            "........\n"
            "........\n");
}

TEST(GdiLines, PolylineAndPolygonTouchEachJointOnce) {
  Canvas c(12, 12);
  c.Clear(kWhite);
  std::string before = c.Snapshot();
  plat::SetROP2(c.dc(), R2_XORPEN);
  HPEN white = plat::CreatePen(PS_SOLID, 1, kWhite);
  ScopedObject pen(c.dc(), white);
  POINT zig[] = {{1, 1}, {6, 1}, {6, 6}, {2, 2}, {9, 2}};
  plat::Polyline(c.dc(), zig, 5);
  // XOR with white turns touched white pixels black: every joint (6,1),
  // (6,6), (2,2) was touched exactly once.
  EXPECT_EQ(c.At(6, 1), kBlack);
  EXPECT_EQ(c.At(6, 6), kBlack);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(9, 2), kWhite);  // the end pixel
  plat::Polyline(c.dc(), zig, 5);
  EXPECT_EQ(c.Snapshot(), before);

  ScopedObject hollow(c.dc(), plat::GetStockObject(NULL_BRUSH));
  POINT box[] = {{1, 8}, {10, 8}, {10, 11}, {1, 11}};
  plat::Polygon(c.dc(), box, 4);
  for (const POINT& p : box) EXPECT_EQ(c.At(p.x, p.y), kBlack) << p.x << "," << p.y;
  EXPECT_EQ(c.Count(kBlack), 9 + 3 + 9 + 3);
  plat::Polygon(c.dc(), box, 4);
  plat::Polyline(c.dc(), zig, 5);
  plat::Polyline(c.dc(), zig, 5);
  EXPECT_EQ(c.Snapshot(), before);
}

TEST(GdiLines, ClippedLinesDrawExactlyTheUnclippedPixels) {
  Canvas whole(100, 100), clipped(100, 100);
  whole.Clear(kWhite);
  clipped.Clear(kWhite);
  HRGN rgn = plat::CreateRectRgn(13, 17, 71, 64);
  ASSERT_EQ(plat::SelectClipRgn(clipped.dc(), rgn), SIMPLEREGION);
  plat::DeleteObject(rgn);  // the context keeps its own copy
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-60, 160);
  for (int i = 0; i < 400; ++i) {
    int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    Line(whole.dc(), x0, y0, x1, y1);
    Line(clipped.dc(), x0, y0, x1, y1);
  }
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      bool inside = x >= 13 && x < 71 && y >= 17 && y < 64;
      ASSERT_EQ(clipped.At(x, y), inside ? whole.At(x, y) : kWhite) << x << "," << y;
    }
}

TEST(GdiLines, FarAwayCoordinatesNeitherHangNorOverflow) {
  Canvas c(64, 64);
  c.Clear(kWhite);
  Line(c.dc(), INT_MIN, 5, INT_MAX, 5);
  for (int x = 0; x < 64; ++x) ASSERT_EQ(c.At(x, 5), kBlack);
  Line(c.dc(), -1000000000, -1000000000, 1000000000, 1000000000);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(c.At(i, i), kBlack) << i;
  Line(c.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX - 1);
  Line(c.dc(), INT_MAX, INT_MIN, INT_MIN, INT_MAX);
  // An origin that pushes coordinates past 32 bits.
  plat::SetViewportOrgEx(c.dc(), INT_MAX, INT_MAX, nullptr);
  Line(c.dc(), INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  POINT far[] = {{INT_MAX, 0}, {INT_MIN, 3}, {0, INT_MAX}};
  plat::Polyline(c.dc(), far, 3);
  // Row 5 and the main diagonal stay; the two steep crossing lines add a
  // few pixels but nothing crashed or hung.
  EXPECT_GE(c.Count(kBlack), 64 + 63);
}

TEST(GdiLines, ViewportOriginMovesDrawing) {
  Canvas c(16, 16);
  c.Clear(kWhite);
  POINT old{-1, -1};
  ASSERT_TRUE(plat::SetViewportOrgEx(c.dc(), 4, 5, &old));
  EXPECT_EQ(old.x, 0);
  ASSERT_TRUE(plat::OffsetViewportOrgEx(c.dc(), 2, 3, &old));
  EXPECT_EQ(old.x, 4);
  EXPECT_EQ(old.y, 5);
  POINT now;
  ASSERT_TRUE(plat::GetViewportOrgEx(c.dc(), &now));
  EXPECT_EQ(now.x, 6);
  EXPECT_EQ(now.y, 8);
  Line(c.dc(), 0, 0, 3, 0);
  plat::SetPixel(c.dc(), -6, -8, 0x0000FF);
  EXPECT_EQ(c.Picture(kBlack, 5, 7, 11, 10),
            "......\n"
            ".###..\n"
            "......\n");
  EXPECT_EQ(c.At(0, 0), 0x0000FFu);
}

TEST(GdiLines, PenWidthZeroIsOnePixelAndNullPenDrawsNothing) {
  Canvas c(8, 8);
  c.Clear(kWhite);
  {
    ScopedObject pen(c.dc(), plat::CreatePen(PS_SOLID, 0, 0xFF0000));
    Line(c.dc(), 0, 2, 6, 2);
  }
  {
    ScopedObject pen(c.dc(), plat::CreatePen(PS_NULL, 5, 0));
    Line(c.dc(), 0, 4, 6, 4);
  }
  EXPECT_EQ(c.Count(0xFF0000), 6);
  EXPECT_EQ(c.Count(kWhite), 64 - 6);
}

}  // namespace
