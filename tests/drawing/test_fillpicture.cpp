// A picture of the memory-image fills and lines for a look by eye: solid,
// hatched and patterned areas, a star, a figure with holes, dashed, thick
// and banded lines; written as fill_picture.png in the tests' scratch
// folder. A few pixels are checked.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "drawing/dashline.h"
#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"
#include "drawing/rasterizer.h"
#include "platform/gdi/gdi_test.h"
#include "support/polylines.h"

namespace {

using drawtest::Figure;

std::vector<POINT> Box(int l, int t, int r, int b) { return {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}}; }

std::vector<POINT> Star(int cx, int cy, int r) {
  std::vector<POINT> s;
  for (int i = 0; i <= 5; ++i) {
    const double a = M_PI / 2 + (i * 2 % 5) * 2 * M_PI / 5;
    s.push_back({LONG(std::lround(cx + r * std::cos(a))), LONG(std::lround(cy - r * std::sin(a)))});
  }
  return s;
}

DWORD At(int x, int y) {
  return reinterpret_cast<DWORD*>(PaintContext.PictureTop - y * PaintContext.Stride)[x];
}

TEST(FillPicture, FillsHatchesPatternsAndLines) {
  constexpr int kW = 640, kH = 420;
  ASSERT_EQ(AllocPaintDib(kW, kH, 4), 0);
  PaintContext.ImageWidth = kW, PaintContext.ImageHeight = kH;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      reinterpret_cast<DWORD*>(PaintContext.PictureTop - y * PaintContext.Stride)[x] = 0xFFFFFF;

  auto solid = [](Figure& f, DWORD pixel) {
    MaskFillContext c;
    InitMaskFill(&c);
    BuildScanEdges(&c, f.Poly());
    PaintMaskColour(&c, pixel);
    RasterThinPolyline(f.Poly(), pixel);
  };
  // Top row: a solid wedge, the star, a square with two holes of either
  // orientation, a two-colour bricks pattern and a transparent one.
  Figure wedge, star, holes, bricks, dots;
  wedge.Part({{10, 10}, {110, 30}, {60, 120}, {30, 70}, {10, 10}});
  solid(wedge, 0x2060C0);
  star.Part(Star(180, 65, 58));
  solid(star, 0xC02020);
  holes.Part(Box(250, 10, 370, 120)).Part(Box(265, 25, 300, 60)).Part({{320, 70}, {320, 105}, {355, 105}, {355, 70}, {320, 70}});
  solid(holes, 0x208040);
  BYTE brick[4 + 128] = {0, 32};
  for (int r = 0; r < 32; ++r) {
    BYTE* row = brick + 4 + 4 * r;
    if (r % 8 == 0) row[0] = row[1] = row[2] = row[3] = 0xFF;
    else if (r % 16 < 8) row[0] = row[2] = 0x80;
    else row[1] = row[3] = 0x80;
  }
  bricks.Part(Box(390, 10, 500, 120));
  MaskFillContext c;
  InitMaskFill(&c);
  BuildScanEdges(&c, bricks.Poly());
  const MASKPATTERN two{0xF0E0A0, 0x803020, brick};
  PreparePattern(&c, &two);
  PaintMaskTwoColours(&c, &two);
  RasterThinPolyline(bricks.Poly(), two.ColorA);
  BYTE dot[4 + 32] = {0, 16};
  for (int r = 0; r < 16; r += 4) dot[4 + 2 * r] = dot[5 + 2 * r] = 0x88;
  dots.Part(Star(570, 65, 58));
  InitMaskFill(&c);
  BuildScanEdges(&c, dots.Poly());
  const MASKPATTERN one{0, 0x6020A0, dot};
  PreparePattern(&c, &one);
  PaintMaskPattern(&c, &one);
  // Middle row: the five hatch kinds in triangles and boxes.
  const int kinds[] = {2, 3, 4, 5, 0};
  for (int i = 0; i < 5; ++i) {
    Figure f;
    const int l = 10 + 125 * i;
    f.Part({{l, 140}, {l + 110, 150}, {l + 90, 260}, {l + 10, 230}, {l, 140}});
    InitMaskFill(&c);
    BuildScanEdges(&c, f.Poly());
    const DWORD ink = 0x303030 + 0x300000 * i;
    switch (kinds[i]) {
      case 2: MakeStripeRow(&c, 2, 4), PaintVerticalHatch(&c, ink); break;
      case 3: MakeStripeRow(&c, 3, 3), PaintDotHatch(&c, ink, 3, 3); break;
      case 4: MakeDiagonalRow(&c, 2, 5, 1), PaintDiagonalHatch(&c, ink, 1); break;
      case 5: MakeDiagonalRow(&c, 2, 5, 0), PaintDiagonalHatch(&c, ink, 0); break;
      default: PaintHorizontalHatch(&c, ink, 2, 4); break;
    }
    RasterThinPolyline(f.Poly(), ink);
  }
  // Bottom row: a dashed zigzag, thick dashed lines straight and near the
  // diagonal, a thick solid ring, and a base line with its bands either
  // side.
  Figure zig, thick, ring, band;
  zig.Part({{10, 290}, {60, 400}, {110, 290}, {160, 400}});
  DrawDibLine(zig.Poly(), 1, 8, 0x000000, 4);
  thick.Part({{190, 300}, {300, 300}, {330, 400}, {220, 360}});
  DrawDibLine(thick.Poly(), 7, 14, 0x0060C0, 6);
  ring.Part({{360, 290}, {440, 300}, {460, 380}, {380, 400}, {350, 340}, {360, 290}});
  DrawDibLine(ring.Poly(), 100, 1000, 0x80C080, 0);
  DrawDibLine(ring.Poly(), 1, 1000, 0x000000, 0);
  band.Part({{500, 400}, {520, 300}, {630, 330}});
  RasterThinPolyline(band.Poly(), 0x000000);
  DIBLINESTATE& s = DibLineState;
  s.Gap = 3, s.Dash = 9, s.Thickness = 4, s.Pixel = 0xD02020;
  DrawRightBand(band.Poly());
  s.Pixel = 0x2020D0;
  DrawLeftBand(band.Poly());

  EXPECT_EQ(At(180, 65), 0xFFFFFFu);  // the star's centre stays open
  EXPECT_EQ(At(180, 20), 0xC02020u);
  EXPECT_EQ(At(280, 40), 0xFFFFFFu);  // both holes
  EXPECT_EQ(At(340, 90), 0xFFFFFFu);
  EXPECT_EQ(At(260, 90), 0x208040u);
  EXPECT_EQ(At(190, 300), 0x0060C0u);

  const std::string path = std::string(MC_TEST_TMP) + "/fill_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
  FreePaintDib();
  PaintContext.UseCount = 0;
}

}  // namespace
