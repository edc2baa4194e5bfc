// Polygon fills (sampling rule, even-odd and non-zero), outlines, wide pens
// and rectangles.
#include <gtest/gtest.h>

#include <cmath>

#include "support/canvas.h"

namespace {

const COLORREF kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF;

class Fill : public ::testing::Test {
 protected:
  Fill() : c(64, 64) {
    c.Clear(kWhite);
    plat::SelectObject(c.dc(), plat::GetStockObject(NULL_PEN));
    brush = plat::CreateSolidBrush(kRed);
    plat::SelectObject(c.dc(), brush);
  }
  ~Fill() override {
    plat::SelectObject(c.dc(), plat::GetStockObject(WHITE_BRUSH));
    plat::DeleteObject(brush);
  }
  Canvas c;
  HBRUSH brush;
};

TEST_F(Fill, RectangleFillsColumnsAndRowsZeroToNine) {
  POINT r[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  ASSERT_TRUE(plat::Polygon(c.dc(), r, 4));
  EXPECT_EQ(c.Count(kRed), 100);
  EXPECT_EQ(c.At(9, 9), kRed);
  EXPECT_EQ(c.At(10, 5), kWhite);
  EXPECT_EQ(c.At(5, 10), kWhite);
  // The same rectangle wound the other way fills the same pixels.
  c.Clear(kWhite);
  POINT back[] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  plat::Polygon(c.dc(), back, 4);
  EXPECT_EQ(c.Count(kRed), 100);
}

TEST_F(Fill, SlantedEdgesFollowTheSamplingRule) {
  // A right triangle: row y holds the samples x with x < y (the hypotenuse
  // is a right edge, so samples on it stay out).
  POINT t[] = {{0, 0}, {8, 8}, {0, 8}};
  plat::Polygon(c.dc(), t, 3);
  EXPECT_EQ(c.Picture(kRed, 0, 0, 9, 9),
            ".........\n"
            "#........\n"
            "##.......\n"
            "###......\n"
            "####.....\n"
            "#####....\n"
            "######...\n"
            "#######..\n"
            ".........\n");
}

std::vector<POINT> Star(int cx, int cy, double r) {
  std::vector<POINT> p;
  for (int k = 0; k < 5; ++k) {
    double a = (-90 + k * 144) * M_PI / 180;
    p.push_back(POINT{(LONG)std::lround(cx + r * std::cos(a)), (LONG)std::lround(cy + r * std::sin(a))});
  }
  return p;
}

TEST_F(Fill, StarIsHollowWithAlternateAndFullWithWinding) {
  std::vector<POINT> star = Star(32, 32, 28);
  EXPECT_EQ(plat::GetPolyFillMode(c.dc()), ALTERNATE);
  plat::Polygon(c.dc(), star.data(), 5);
  EXPECT_EQ(c.At(32, 32), kWhite);
  EXPECT_EQ(c.At(32, 10), kRed);  // the top point
  int alternate = c.Count(kRed);
  c.Clear(kWhite);
  EXPECT_EQ(plat::SetPolyFillMode(c.dc(), WINDING), ALTERNATE);
  plat::Polygon(c.dc(), star.data(), 5);
  EXPECT_EQ(c.At(32, 32), kRed);
  EXPECT_GT(c.Count(kRed), alternate + 100);
}

TEST_F(Fill, HoleInEitherOrientation) {
  POINT outer[] = {{5, 5}, {45, 5}, {45, 45}, {5, 45}};
  POINT same[] = {{15, 15}, {35, 15}, {35, 35}, {15, 35}};
  POINT reversed[] = {{15, 15}, {15, 35}, {35, 35}, {35, 15}};
  INT counts[] = {4, 4};
  for (int mode : {ALTERNATE, WINDING}) {
    for (const POINT* inner : {same, reversed}) {
      POINT all[8];
      std::copy(outer, outer + 4, all);
      std::copy(inner, inner + 4, all + 4);
      c.Clear(kWhite);
      plat::SetPolyFillMode(c.dc(), mode);
      ASSERT_TRUE(plat::PolyPolygon(c.dc(), all, counts, 2));
      bool hole = mode == ALTERNATE || inner == reversed;
      EXPECT_EQ(c.At(25, 25), hole ? kWhite : kRed) << mode;
      EXPECT_EQ(c.Count(kRed), hole ? 1600 - 400 : 1600) << mode;
    }
  }
}

TEST_F(Fill, OutlineIsDrawnAfterTheFill) {
  ScopedObject pen(c.dc(), plat::CreatePen(PS_SOLID, 1, kBlack));
  POINT r[] = {{2, 2}, {12, 2}, {12, 12}, {2, 12}};
  plat::Polygon(c.dc(), r, 4);
  EXPECT_EQ(c.At(2, 2), kBlack);
  EXPECT_EQ(c.At(12, 12), kBlack);
  EXPECT_EQ(c.At(11, 7), kRed);
  EXPECT_EQ(c.Count(kBlack), 40);
  EXPECT_EQ(c.Count(kRed), 81);
}

TEST_F(Fill, WidePenIsRoundAndCentred) {
  ScopedObject pen(c.dc(), plat::CreatePen(PS_SOLID, 3, kBlack));
  plat::MoveToEx(c.dc(), 5, 10, nullptr);
  plat::LineTo(c.dc(), 20, 10);
  // Rows 9-11 (the centre line +-1.5); the round caps reach 1.5 pixels
  // beyond both ends.
  EXPECT_EQ(c.Picture(kBlack, 2, 7, 24, 14),
            "......................\n"
            "......................\n"
            "..##################..\n"
            "..##################..\n"
            "..##################..\n"
            "......................\n"
            "......................\n");
  EXPECT_EQ(c.Count(kBlack), 3 * 18);
}

TEST_F(Fill, WidePolylineTouchesEachPixelOnce) {
  POINT zig[] = {{5, 5}, {50, 10}, {8, 30}, {55, 55}, {40, 5}};
  Canvas copy(64, 64);
  copy.Clear(kWhite);
  {
    ScopedObject pen(copy.dc(), plat::CreatePen(PS_SOLID, 7, kBlack));
    plat::Polyline(copy.dc(), zig, 5);
  }
  std::string before = c.Snapshot();
  ScopedObject pen(c.dc(), plat::CreatePen(PS_SOLID, 7, kWhite));
  plat::SetROP2(c.dc(), R2_XORPEN);
  plat::Polyline(c.dc(), zig, 5);
  // Every pixel the pen covers was inverted exactly once.
  EXPECT_EQ(c.Snapshot(), copy.Snapshot());
  plat::Polyline(c.dc(), zig, 5);
  EXPECT_EQ(c.Snapshot(), before);
}

TEST_F(Fill, FarAwayPolygonsClipWithoutOverflow) {
  POINT huge[] = {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX},
                  {INT32_MIN, INT32_MAX}};
  plat::Polygon(c.dc(), huge, 4);
  EXPECT_EQ(c.Count(kRed), 64 * 64);
  c.Clear(kWhite);
  // A sliver crossing the canvas from far away: the half below the diagonal.
  POINT sliver[] = {{-2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}};
  plat::Polygon(c.dc(), sliver, 3);
  EXPECT_EQ(c.Count(kRed), 64 * 63 / 2);
  EXPECT_EQ(c.At(0, 1), kRed);
  EXPECT_EQ(c.At(1, 1), kWhite);
}

}  // namespace
