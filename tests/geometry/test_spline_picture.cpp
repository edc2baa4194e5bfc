// A picture of both splines over their polygons, written as
// MC_TEST_TMP/geometry_spline.png to be looked at: a closed star and an open
// zigzag in grey, the smoothed curve in red, the envelope in blue.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/spline.h"
#include "geometry/support/contours.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_test.h"

namespace {

constexpr int kWidth = 640, kHeight = 320;
constexpr COLORREF kGrey = 0x00A0A0A0, kRed = 0x000000FF, kBlue = 0x00FF0000;

// Map X points north: up the picture; Y east: to the right.
void Draw(HDC dc, const Contour& c, COLORREF colour, int width) {
  std::vector<POINT> pts;
  for (const Pt& p : c) pts.push_back({static_cast<LONG>(std::lround(p.y)),
                                       static_cast<LONG>(std::lround(kHeight - p.x))});
  HPEN pen = plat::CreatePen(PS_SOLID, width, colour);
  HGDIOBJ old = plat::SelectObject(dc, pen);
  plat::Polyline(dc, pts.data(), static_cast<int>(pts.size()));
  plat::SelectObject(dc, old);
  plat::DeleteObject(pen);
}

int Count(HDC dc, COLORREF colour) {
  int n = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) n += plat::gdi::GetPixelColor(dc, x, y) == colour;
  return n;
}

TEST(SplinePicture, BothCurvesOverTheirPolygons) {
  Contour star, zigzag;
  for (int i = 0; i <= 10; ++i) {
    double a = (i % 10) * 3.14159265358979323846 / 5, r = i % 2 ? 55.0 : 130.0;
    star.push_back({160 + r * std::cos(a), 160 + r * std::sin(a)});
  }
  for (int i = 0; i < 7; ++i) zigzag.push_back({i % 2 ? 250.0 : 70.0, 340.0 + 45.0 * i});

  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = plat::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old = plat::SelectObject(dc, bitmap);
  HBRUSH white = plat::CreateSolidBrush(0x00FFFFFF);
  RECT all{0, 0, kWidth, kHeight};
  plat::FillRect(dc, &all, white);
  plat::DeleteObject(white);

  TSplin spline;
  for (const Contour* c : {&star, &zigzag}) {
    Metric m;
    ASSERT_TRUE(Fill(m, METRIC_F64, {*c}));
    Draw(dc, *c, kGrey, 1);
    ASSERT_EQ(spline.BuildSglad(&m, 30, 5, -1.0), 1);
    Draw(dc, Points(spline.Result, 0), kRed, 2);
    ASSERT_EQ(spline.BuildOgib(&m, 10, 4, -1.0), 1);
    Draw(dc, Points(spline.Result, 0), kBlue, 1);
  }
  EXPECT_GT(Count(dc, kRed), 1000);
  EXPECT_GT(Count(dc, kBlue), 1000);
  // The envelope runs through the star's outer tip, the smoothed curve not.
  EXPECT_EQ(plat::gdi::GetPixelColor(dc, 160, kHeight - 290), kBlue);
  const std::string path = std::string(MC_TEST_TMP) + "/geometry_spline.png";
  EXPECT_TRUE(plat::gdi::WritePng(dc, path.c_str()));

  plat::SelectObject(dc, old);
  plat::DeleteObject(bitmap);
  plat::DeleteDC(dc);
}

}  // namespace
