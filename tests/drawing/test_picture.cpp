// Converted objects painted with plain lines into the paint context's image
// land north up and east right. The picture is also written as a PNG file
// (drawing_picture.png in the tests' scratch folder) for a look by eye.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "drawing/mapmetric.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"
#include "support/metric_builder.h"

namespace {

TEST(Picture, NorthIsUpAndEastIsRight) {
  ASSERT_EQ(AllocPaintDib(200, 150, 4), 0);
  HDC dc = PaintContext.MemoryDc;
  RECT all{0, 0, 200, 150 + PAINT_TOP_MARGIN};
  HBRUSH white = plat::CreateSolidBrush(0xFFFFFF);
  plat::FillRect(dc, &all, white);
  plat::DeleteObject(white);
  plat::SetViewportOrgEx(dc, 0, PaintContext.TopMargin, nullptr);  // picture row 0

  // One pixel per discrete over a region 150 north by 200 east.
  auto m = std::make_unique<TMapMetric>();
  m->SetPixel(1000.0, 1000.0);
  m->SetDisScale(1000.0);
  m->SetRegionDis(DFRAME{0, 0, 150, 200});
  m->SetDrawPlace(RECT{0, 0, 200, 150});
  const DOUBLEPOINT origin{0, 0};
  m->SetListPosition(&origin);

  struct Object {
    std::vector<BuildContour> contours;
    COLORREF colour;
  } objects[] = {
      // An arrow pointing north at the west side.
      {{BuildContour({{20, 30}, {130, 30}}), BuildContour({{110, 20}, {130, 30}, {110, 40}})},
       0x0000FF},
      // A line from the south-west to the north-east corner.
      {{BuildContour({{10, 60}, {140, 190}})}, 0xFF0000},
      // An "E" on the east side: a stem and three bars running east.
      {{BuildContour({{40, 150}, {100, 150}}), BuildContour({{100, 150}, {100, 180}}),
        BuildContour({{70, 150}, {70, 172}}), BuildContour({{40, 150}, {40, 180}})},
       0x008000},
  };
  FVSPR desc{};
  desc.X2 = 150, desc.Y2 = 200;
  for (Object& o : objects) {
    std::vector<char> r = BuildMetric(METRIC_F64, o.contours, false);
    ASSERT_EQ(m->BuildMetric(TObjectDesc(&desc), AsMetric(r)), 1);
    HPEN pen = plat::CreatePen(PS_SOLID, 2, o.colour);
    HGDIOBJ old = plat::SelectObject(dc, pen);
    const POINT* p = m->Poly.Points;
    for (LONG i = 0; i < m->Poly.Count; ++i) {
      plat::Polyline(dc, p, m->Poly.PolyCounts[i]);
      p += m->Poly.PolyCounts[i];
    }
    plat::SelectObject(dc, old);
    plat::DeleteObject(pen);
  }
  plat::SetViewportOrgEx(dc, 0, 0, nullptr);

  // The arrow's tip (X 130) is near the top, its foot (X 20) near the
  // bottom; the diagonal's north-east end is at the top right.
  auto at = [&](int x, int y) {
    return plat::gdi::GetPixelColor(dc, x, y + PaintContext.TopMargin);
  };
  EXPECT_EQ(at(30, 150 - 125), 0x0000FFu);
  EXPECT_EQ(at(30, 150 - 25), 0x0000FFu);
  EXPECT_EQ(at(189, 150 - 139), 0xFF0000u);
  EXPECT_EQ(at(61, 150 - 11), 0xFF0000u);
  EXPECT_EQ(at(175, 150 - 100), 0x008000u);  // the top bar runs east
  EXPECT_EQ(at(120, 150 - 100), 0xFFFFFFu);

  const std::string path = std::string(MC_TEST_TMP) + "/drawing_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(dc, path.c_str()));
  FreePaintDib();
}

}  // namespace
