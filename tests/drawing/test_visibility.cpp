// The visibility tests against an 8 x 8 test window: line walks thin and
// thick, polygons through the test mask of the memory image, circles,
// bitmap signs and texts; the vector-sign tests are with the vector signs
// (test_devicepainters.cpp), the offset line's with the offset line.
#include <gtest/gtest.h>

#include <vector>

#include "devices/fontreg.h"
#include "drawing/paintcontext.h"
#include "drawing/painttext.h"
#include "drawing/parmwords.h"
#include "drawing/primtables.h"
#include "drawing/visibility.h"
#include "support/dibfixture.h"

namespace {

using dibtest::Poly;
using dibtest::Words;

class Visibility : public dibtest::DibTest {
 protected:
  void SetUp() override {
    Open(160, 120);
    SetTestWindow(8, 8);
  }
  void TearDown() override {
    SetTestWindow(0, 0);
    dibtest::DibTest::TearDown();
  }
  static int Line(Poly& p) { return TestDefaultImage(nullptr, p.get(), nullptr, 1.0f); }
  static int Mask(Poly& p) { return TestImageByMask(nullptr, p.get(), nullptr, 1.0f); }
  // A thick-line test of thickness t (byte 1 of the record).
  static int Thick(Poly& p, BYTE t, float scale) {
    const char record[4] = {0, char(t), 0, 0};
    return TestLineImage(nullptr, p.get(), record, scale);
  }
};

TEST_F(Visibility, ThinWalkMeetsTheWindowBetweenVertices) {
  Poly through({{{-10, 4}, {30, 4}}});
  EXPECT_EQ(Line(through), 1);
  EXPECT_EQ(TestHitFlag, 1);
  Poly above({{{-10, -1}, {30, -1}}});
  EXPECT_EQ(Line(above), 0);
  EXPECT_EQ(TestHitFlag, 0);
  // Across the corner: x + y = 7 passes through (7, 0) .. (0, 7); x + y =
  // 15 only touches (7, 8) and (8, 7), outside.
  Poly corner({{{-5, 12}, {12, -5}}}), past({{{-5, 20}, {20, -5}}});
  EXPECT_EQ(Line(corner), 1);
  EXPECT_EQ(Line(past), 0);
  // From the far ends of the coordinates: found without stepping.
  Poly far({{{-2000000000, 9}, {2000000000, 12}},
            {{2000000000, -2000000000}, {-2000000000, 2000000000}}});
  EXPECT_EQ(Line(far), 1);
  Poly outside({{{-2000000000, 9}, {2000000000, 9}}, {{20, 20}}});
  EXPECT_EQ(Line(outside), 0);
  // A one-point part is a segment to itself; a part of no points ends the
  // walk.
  Poly dot({{{30, 30}, {40, 30}}, {{2, 2}}});
  EXPECT_EQ(Line(dot), 1);
  dot.counts[0] = 0;
  EXPECT_EQ(Line(dot), 0);
  // No points, no parts or no window: 0.
  Poly none({});
  EXPECT_EQ(Line(none), 0);
  EXPECT_EQ(Mask(none), 0);
  SetTestWindow(0, 8);
  EXPECT_EQ(Line(through), 0);
  EXPECT_EQ(Mask(through), 0);
}

TEST_F(Visibility, ThickWalkWidensTheWindowByHalfTheScaledThickness) {
  Poly above({{{-10, -3}, {30, -3}}});
  EXPECT_EQ(Thick(above, 0, 1.0f), 0);
  EXPECT_EQ(Thick(above, 4, 1.0f), 0);  // half (4 + 1) / 2 = 2
  EXPECT_EQ(Thick(above, 5, 1.0f), 1);  // half 3
  // t = trunc(t x min(scale, 16) + 0.5): 1 at scale 100 is 16, half 8.
  Poly eight({{{-10, -8}, {30, -8}}}), nine({{{-10, -9}, {30, -9}}});
  EXPECT_EQ(Thick(eight, 1, 100.0f), 1);
  EXPECT_EQ(Thick(nine, 1, 100.0f), 0);
  EXPECT_EQ(Thick(above, 3, 1.5f), 1);    // 4.5 + 0.5: 5
  EXPECT_EQ(Thick(above, 5, 0.005f), 1);  // below 0.01 the scale is not applied
  EXPECT_EQ(Thick(above, 5, 0.5f), 0);    // 3, half 2
}

TEST_F(Visibility, PolygonsByMaskAndOutline) {
  Poly around({{{-20, -20}, {30, -20}, {30, 30}, {-20, 30}, {-20, -20}}});
  EXPECT_EQ(Mask(around), 1);
  EXPECT_EQ(Line(around), 0);  // its outline alone stays outside
  Poly holed({{{-20, -20}, {30, -20}, {30, 30}, {-20, 30}, {-20, -20}},
              {{-2, -2}, {10, -2}, {10, 10}, {-2, 10}, {-2, -2}}});
  EXPECT_EQ(Mask(holed), 0);
  // The right edge of a polygon is left out of the fill, but its outline
  // on the window's first column hits.
  Poly left({{{-20, -20}, {0, -20}, {0, 30}, {-20, 30}, {-20, -20}}});
  EXPECT_EQ(Mask(left), 1);
  // A frame that misses the window answers at once.
  around.data.MaxX = -1;
  EXPECT_EQ(Mask(around), 0);
  Poly away({{{20, 20}, {40, 20}, {40, 40}, {20, 40}, {20, 20}}});
  EXPECT_EQ(Mask(away), 0);

  // The mask window is limited to an eighth of the image's row bytes
  // (640 / 8 = 80) and a quarter of its height (120 / 4 = 30); the line
  // walks use the window as set.
  SetTestWindow(1000, 1000);
  EXPECT_EQ(TestMaskWindow().Width, 80);
  EXPECT_EQ(TestMaskWindow().Height, 30);
  Poly low({{{10, 40}, {50, 40}, {50, 60}, {10, 60}, {10, 40}}});
  EXPECT_EQ(Mask(low), 0);
  EXPECT_EQ(Line(low), 1);
  Poly high({{{10, 10}, {50, 10}, {50, 29}, {10, 29}, {10, 10}}});
  EXPECT_EQ(Mask(high), 1);
}

TEST_F(Visibility, CirclesAreTestedAsTheirOutline) {
  // Radius 21 around (4, 28) reaches row 7; radius 20 row 8.
  Poly centre({{{4, 28}}});
  EXPECT_EQ(TestCircleImage(nullptr, centre.get(), Words({0, 0, 250 * 21}).data(), 1.0f), 1);
  EXPECT_EQ(TestCircleImage(nullptr, centre.get(), Words({0, 0, 250 * 20}).data(), 1.0f), 0);
  EXPECT_EQ(TestCircleImage(nullptr, centre.get(), Words({0, 0, 250 * 10}).data(), 2.2f), 1);
  // Byte 1 thickens it: 3 pixels, half 2.
  EXPECT_EQ(TestCircleImage(nullptr, centre.get(), Words({0x300, 0, 250 * 19}).data(), 1.0f), 1);
  // A circle around the whole window does not touch it.
  Poly inside({{{4, 4}}});
  EXPECT_EQ(TestCircleImage(nullptr, inside.get(), Words({0, 0, 250 * 100}).data(), 1.0f), 0);
  Poly none({});
  EXPECT_EQ(TestCircleImage(nullptr, none.get(), Words({0, 0, 250}).data(), 1.0f), 0);
}

TEST_F(Visibility, BitmapSignsWithinEightPixels) {
  auto at = [](LONG x, LONG y) {
    Poly p({{{x, y}}});
    return TestBitmapSignImage(nullptr, p.get(), nullptr, 1.0f);
  };
  EXPECT_EQ(at(-8, 4), 1);
  EXPECT_EQ(at(-9, 4), 0);
  EXPECT_EQ(at(16, 16), 1);  // x - 8 <= W, y - 8 <= H
  EXPECT_EQ(at(17, 4), 0);
  EXPECT_EQ(at(4, 17), 0);
  Poly none({});
  EXPECT_EQ(TestBitmapSignImage(nullptr, none.get(), nullptr, 1.0f), 0);
}

TEST_F(Visibility, TextsByTheirBox) {
  InitMapFontTable();
  const int font = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
  const int ppm = SetScreenPixelsPerMeter(100000);  // ten micrometres a pixel
  IMGTEXT r{};
  r.Color = 0x000080;
  r.BkgndColor = r.ShadowColor = 0xFFFFFFFF;
  r.Height = 200;  // 20 pixels
  r.Weight = 400;
  r.Align = 0x18;  // left, baseline
  r.FontIndex = WORD(font);
  std::vector<char> record(sizeof(r));
  std::memcpy(record.data(), &r, sizeof(r));
  char text[] = {6, 'W', 'W', 'W', 'W', 'W', 0};
  auto test = [&](LONG x, LONG y) {
    Poly p({{{x, y}, {x + 100, y}}});
    p.texts[0] = text + 1;
    return VisibilityTestTable[PRIM_TEXT](nullptr, p.Refresh(), record.data(), 1.0f);
  };
  EXPECT_EQ(test(-10, 14), 1);  // the letters over the window
  EXPECT_EQ(TextHitTestMode, 0);
  EXPECT_EQ(test(-10, 60), 0);
  EXPECT_EQ(test(20, 14), 0);
  SetScreenPixelsPerMeter(ppm);
}

}  // namespace
