// Screen precision: the diagonal, the scale and the pixels per metre, with
// their limits, and the conversions between metres and screen pixels.
#include <gtest/gtest.h>

#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"

namespace {

// The values before any call: a 640 x 480 screen of 320 mm at 120 %.
TEST(Screen, StartsAt3000PixelsPerMetreOn640By480) {
  int w = 0, h = 0;
  GetScreenPixelSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(GetScreenSizeValue(), 320);
  EXPECT_EQ(GetScreenScaleValue(), 120);
  EXPECT_EQ(GetScreenPixelsPerMeter(), 3000);
  EXPECT_EQ(ScreenMeter2Pixel(0.01), 30);
  EXPECT_DOUBLE_EQ(ScreenPixel2Meter(30), 0.01);
  // Recomputed from the same values, nothing changes.
  EXPECT_EQ(SetScreenSizeValue(0), 320);
  EXPECT_EQ(GetScreenPixelsPerMeter(), 3000);

  // Limits of the diagonal and of the scale; each returns the previous.
  struct Case {
    int (*set)(int);
    int value, previous, kept, ppm;
  } cases[] = {
      {SetScreenSizeValue, 50, 320, 100, 9600},     // 800 / 100 x 1000 x 1.2
      {SetScreenSizeValue, 5000, 100, 2000, 480},
      {SetScreenSizeValue, 400, 2000, 400, 2400},
      {SetScreenScaleValue, 10, 120, 50, 1000},     // 800 / 400 x 1000 x 0.5
      {SetScreenScaleValue, 500, 50, 200, 4000},
      {SetScreenScaleValue, 0, 200, 200, 4000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.set(c.value), c.previous) << c.value;
    EXPECT_EQ(c.set == SetScreenSizeValue ? GetScreenSizeValue() : GetScreenScaleValue(), c.kept);
    EXPECT_EQ(GetScreenPixelsPerMeter(), c.ppm) << c.value;
  }
  SetScreenSizeValue(320);
  SetScreenScaleValue(120);
  ASSERT_EQ(GetScreenPixelsPerMeter(), 3000);

  // The precision moves the scale in proportion, below its own lower limit.
  EXPECT_EQ(SetScreenPixelsPerMeter(500), 3000);
  EXPECT_EQ(GetScreenPixelsPerMeter(), 1000);
  EXPECT_EQ(GetScreenScaleValue(), 40);
  EXPECT_EQ(GetScreenSizeValue(), 320);
  EXPECT_EQ(ScreenMeter2Pixel(0.01), 10);
  EXPECT_EQ(SetScreenPixelsPerMeter(200000), 1000);
  EXPECT_EQ(GetScreenPixelsPerMeter(), 100000);
  EXPECT_EQ(SetScreenPixelsPerMeter(0), 100000);  // 0 keeps it
  EXPECT_EQ(GetScreenPixelsPerMeter(), 100000);
  EXPECT_EQ(ScreenMeter2Pixel(1e300), INT32_MAX);  // saturates

  // Once the image is opened, the display's size counts.
  plat::gdi::SetDisplay(1024, 768, 96, true);
  SetScreenScaleValue(120);
  ASSERT_EQ(OpenPaintDib(), 0);
  SetScreenSizeValue(0);
  EXPECT_EQ(GetScreenPixelsPerMeter(), 4800);  // 1280 / 320 x 1000 x 1.2
  ClosePaintDib();
}

}  // namespace
