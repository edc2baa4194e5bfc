// The device dash walker: polyline lengths, dashes stretched to whole
// periods with half dashes at the ends, solid short parts, and thick
// dashes joined around corners.
#include <gtest/gtest.h>

#include <string>

#include "drawing/deviceline.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"

namespace {

using plat::gdi::GetPixelColor;

constexpr COLORREF kInk = 0x0000FF;
constexpr COLORREF kWhite = 0xFFFFFF;

class DeviceLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dc_ = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 48, 48, 96, 96);
    ASSERT_NE(dc_, nullptr);
    saved_ = {PaintContext.ImageWidth, PaintContext.ImageHeight};
    PaintContext.ImageWidth = 48;
    PaintContext.ImageHeight = 48;
  }
  void TearDown() override {
    PaintContext.ImageWidth = saved_.cx;
    PaintContext.ImageHeight = saved_.cy;
    plat::DeleteDC(dc_);
  }
  void Draw(std::vector<POINT> points, DEVICEDASHLINE line, double width) {
    LONG n = LONG(points.size());
    POLYDATA data{};
    data.Points = points.data();
    data.PolyCounts = &n;
    data.Count = 1;
    DrawDeviceLine(dc_, &data, &line, width);
  }
  // The pixels of row y from x0 to x1 as '#' (ink) and '.' (white).
  std::string Row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x <= x1; ++x) s += GetPixelColor(dc_, x, y) == kInk ? '#' : '.';
    return s;
  }
  bool Ink(int x, int y) const { return GetPixelColor(dc_, x, y) == kInk; }

  HDC dc_ = nullptr;
  SIZE saved_{};
};

TEST(PolylineLength, SumsAxisAndSlantedSegments) {
  POINT p[] = {{0, 0}, {0, 7}, {-5, 7}, {-2, 11}};
  struct Case {
    int count;
    double length;
  } cases[] = {{0, 0.0}, {1, 0.0}, {2, 7.0}, {3, 12.0}, {4, 17.0}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(PolylineLength(p, c.count), c.length) << c.count;
  EXPECT_DOUBLE_EQ(PolylineLength(nullptr, 4), 0.0);
}

TEST_F(DeviceLineTest, TenPixelsOfDashFourGapTwoAreHalfDashGapHalfDash) {
  // Gap 2 is 3 inside the walker: period 7, one period stretched to 10.
  Draw({{5, 10}, {15, 10}}, {kInk, 1, 4, 2}, 1.0);
  EXPECT_EQ(Row(10, 4, 16), ".####...####.");
  EXPECT_EQ(DeviceLineState.Gap, 3);
}

TEST_F(DeviceLineTest, PartShorterThanHalfAPeriodIsSolid) {
  Draw({{5, 20}, {12, 20}}, {kInk, 1, 10, 10}, 1.0);
  EXPECT_EQ(Row(20, 4, 13), ".########.");
}

TEST_F(DeviceLineTest, DashesBendAroundCornersAndSkipPartsOutside) {
  // Solid pattern around a corner: both legs fully drawn.
  Draw({{5, 30}, {15, 30}, {15, 40}}, {kInk, 1, 100, 0}, 1.0);
  EXPECT_EQ(Row(30, 4, 16), ".###########.");
  for (int y = 30; y <= 40; ++y) EXPECT_TRUE(Ink(15, y)) << y;
  // A part far outside the image and a colour of -1 draw nothing, fast.
  Draw({{-2000000000, 5}, {-1000000000, 5}}, {kWhite - 1, 1, 1, 1}, 1.0);
  Draw({{0, 45}, {47, 45}}, {0xFFFFFFFF, 1, 2, 2}, 1.0);
  EXPECT_EQ(Row(45, 0, 47), std::string(48, '.'));
}

TEST_F(DeviceLineTest, ThickClosedSquareHasNoNotchAtItsFirstCorner) {
  // Dash 16, gap 3 (4): four periods of 20 on the 80 pixels, so every
  // corner lies inside a dash and every side has a gap in its middle. The
  // first dash starts at the first corner and the last one ends there.
  Draw({{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}}, {kInk, 6, 16, 3}, 6.0);
  // Every outer corner is bevelled alike, the first one too: the pixel
  // just outside the corner is ink, the square's far corner is not.
  EXPECT_TRUE(Ink(9, 9));
  EXPECT_TRUE(Ink(31, 9));
  EXPECT_TRUE(Ink(31, 30));
  EXPECT_TRUE(Ink(9, 31));
  EXPECT_FALSE(Ink(7, 7));
  EXPECT_TRUE(Ink(12, 12));  // inside the band
  for (POINT gap : {POINT{20, 10}, POINT{30, 20}, POINT{20, 30}, POINT{10, 20}})
    EXPECT_FALSE(Ink(gap.x, gap.y)) << gap.x << "," << gap.y;
}

}  // namespace
