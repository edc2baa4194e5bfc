// Crossings of sweeping lines with rings, hatches of code 153 and the
// shaded column fill on a device, and a picture of them beside an offset
// road of code 159 (hatch_picture.png in the tests' scratch folder) for a
// look by eye.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/support/devcanvas.h"
#include "drawing/deviceoutline.h"
#include "drawing/hatchfill.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/primtables.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

namespace {

using devtest::Canvas;
using dibtest::Poly;
using dibtest::Words;
using Points = std::vector<POINT>;

constexpr COLORREF kWhite = 0xFFFFFF, kInk = 0x800000;

Points Crossings(int (*find)(const POINT*, int, LONG, POINT*), const Points& ring, LONG c) {
  Points out(CROSSINGS_MAX);
  out.resize(size_t(find(ring.data(), int(ring.size()), c, out.data())));
  return out;
}

TEST(Crossings, VerticesPassedThroughCountOnceTouchedNotAtAll) {
  const Points square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  EXPECT_EQ(Crossings(RingCrossingsVertical, square, 4), (Points{{4, 0}, {4, 10}}));
  EXPECT_EQ(Crossings(RingCrossingsHorizontal, square, 7), (Points{{0, 7}, {10, 7}}));
  // An edge lying on the line turns back there: no stretch along it.
  EXPECT_TRUE(Crossings(RingCrossingsVertical, square, 0).empty());
  EXPECT_TRUE(Crossings(RingCrossingsVertical, square, 11).empty());
  // The spike at (20, 0) only touches x = 20; at (10, 0) the outline
  // passes on through x = 10.
  const Points spike = {{0, 0}, {10, 0}, {20, -5}, {20, 10}, {0, 10}, {0, 0}};
  EXPECT_EQ(Crossings(RingCrossingsVertical, spike, 10), (Points{{10, 0}, {10, 10}}));
  const Points tip = {{0, 0}, {20, 0}, {10, 10}, {0, 0}};
  EXPECT_TRUE(Crossings(RingCrossingsVertical, tip, 20).empty());
  EXPECT_EQ(Crossings(RingCrossingsVertical, tip, 15), (Points{{15, 0}, {15, 5}}));
  // Diagonals y = c - x and y = c + x, points ((t - c) k, t).
  POINT out[CROSSINGS_MAX];
  ASSERT_EQ(RingCrossingsDiagonal(square.data(), 5, 6, -1, out), 2);
  EXPECT_EQ(out[0], (POINT{6, 0}));
  EXPECT_EQ(out[1], (POINT{0, 6}));
  ASSERT_EQ(RingCrossingsDiagonal(square.data(), 5, 3, 1, out), 2);
  EXPECT_EQ(out[0], (POINT{0, 3}));
  EXPECT_EQ(out[1], (POINT{7, 10}));
  EXPECT_EQ(RingCrossingsDiagonal(square.data(), 5, 10, 1, nullptr), 0);  // the corner (0, 10)
}

TEST(Crossings, AListHoldsAtMost512) {
  // A comb of 600 teeth crosses y = 5 1200 times.
  Points comb;
  for (LONG i = 0; i < 600; ++i)
    comb.insert(comb.end(), {{4 * i, 0}, {4 * i + 1, 10}, {4 * i + 2, 10}, {4 * i + 3, 0}});
  comb.push_back({2400, -5});
  comb.push_back({0, -5});
  comb.push_back({0, 0});
  EXPECT_EQ(RingCrossingsHorizontal(comb.data(), int(comb.size()), 5, nullptr), CROSSINGS_MAX);
  EXPECT_EQ(CrossingList.Count, CROSSINGS_MAX);
  EXPECT_EQ(CrossingList.Item[CROSSINGS_MAX - 1].Value, 4 * 255 + 2);  // kept in order
}

// A document drawing one pixel per micrometre on a white canvas.
class Hatches : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetPaintDevice(canvas.dc, 25400.0, 25400.0);
    doc.SetPaintSize(kW, kH);
    PaintContext.ImageWidth = kW, PaintContext.ImageHeight = kH;
  }
  void TearDown() override {
    PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
    DevicePaintState = {DT_RASDISPLAY, 0, 0};
  }
  // Code 153: angle, spacing, line kind, thickness.
  void Hatch(Poly& p, LONG angle, LONG spacing, LONG thickness, LONG kind = PRIM_LINE) {
    const std::vector<char> r =
        Words({24, DWORD(angle), DWORD(spacing), DWORD(kind), kInk, DWORD(thickness)});
    DevicePainterTable[0][PRIM_ANGLE_HATCH](&doc, p.get(), r.data(), 1.0f);
  }
  COLORREF At(int x, int y) const { return plat::gdi::GetPixelColor(canvas.dc, x, y); }
  // Row y from x0 to x1 as '#' (ink) and '.' (anything else).
  std::string Row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x <= x1; ++x) s += At(x, y) == kInk ? '#' : '.';
    return s;
  }
  std::string Column(int x, int y0, int y1) const {
    std::string s;
    for (int y = y0; y <= y1; ++y) s += At(x, y) == kInk ? '#' : '.';
    return s;
  }
  static constexpr int kW = 120, kH = 100;
  Canvas canvas{kW, kH};
  TPaintMetric doc;
};

TEST_F(Hatches, VerticalGroupsOfThreeEveryTenPixels) {
  Poly box({{{20, 20}, {80, 20}, {80, 60}, {20, 60}, {20, 20}}});
  Hatch(box, 90, 10, 3);
  // From the left edge (whose column runs along the outline) groups of
  // three columns every 10 pixels.
  EXPECT_EQ(Row(40, 18, 82), "...##.......###.......###.......###.......###.......###..........");
  EXPECT_EQ(Column(31, 15, 65).substr(6, 40), std::string(40, '#'));
  EXPECT_EQ(At(31, 18), kWhite);
  // An angle of 30 degrees hatches horizontally.
  Canvas other(kW, kH);
  doc.SetPaintDevice(other.dc, 25400.0, 25400.0);
  Hatch(box, 30, 10, 1);
  std::string column;
  for (int y = 18; y <= 62; ++y)
    column += plat::gdi::GetPixelColor(other.dc, 50, y) == kInk ? '#' : '.';
  EXPECT_EQ(column, "............#.........#.........#............");
}

TEST_F(Hatches, HolesCutEveryLineThatCrossesThem) {
  Poly holed({{{20, 20}, {80, 20}, {80, 60}, {20, 60}, {20, 20}},
              {{35, 30}, {65, 30}, {65, 50}, {35, 50}, {35, 30}}});
  Hatch(holed, 90, 10, 1);
  EXPECT_EQ(Column(40, 18, 62), "..###########...................###########..");
  EXPECT_EQ(Column(30, 18, 62), "..#########################################..");
}

TEST_F(Hatches, DiagonalSpacingAlongTheAxisIs141Percent) {
  Poly box({{{20, 20}, {80, 20}, {80, 60}, {20, 60}, {20, 20}}});
  Hatch(box, 45, 10, 1);  // lines x + y = 40 + 14 n
  EXPECT_EQ(Row(40, 21, 79), ".......#.............#.............#.............#.........");
  Canvas other(kW, kH);
  doc.SetPaintDevice(other.dc, 25400.0, 25400.0);
  Hatch(box, 135, 1, 1);  // lines y - x = -60 + 2 n: at least 2 pixels apart
  std::string row;
  for (int x = 30; x <= 40; ++x)
    row += plat::gdi::GetPixelColor(other.dc, x, 40) == kInk ? '#' : '.';
  EXPECT_EQ(row, "#.#.#.#.#.#");
}

TEST_F(Hatches, DashedDamagedAndFarAway) {
  // At 100 micrometres a pixel: lines every 10 pixels, dashed by the
  // dashed line's default dash and gap of 250 micrometres.
  doc.SetPaintDevice(canvas.dc, 254.0, 254.0);
  Poly box({{{20, 20}, {80, 20}, {80, 60}, {20, 60}, {20, 20}}});
  Hatch(box, 90, 1000, 100, PRIM_DOT);
  const std::string dashed = Column(30, 22, 58);
  EXPECT_EQ(dashed, "..###..###..###..###..###..###..###..");
  EXPECT_EQ(Column(35, 22, 58), std::string(37, '.'));
  // A record shorter than its six words paints nothing.
  Canvas other(kW, kH);
  doc.SetPaintDevice(other.dc, 25400.0, 25400.0);
  const std::vector<char> shortRecord = Words({20, 90, 10, PRIM_LINE, kInk});
  DevicePainterTable[0][PRIM_ANGLE_HATCH](&doc, box.get(), shortRecord.data(), 1.0f);
  EXPECT_EQ(other.Count(kInk, kW, kH), 0);
  // A frame reaching far outside: the sweep starts at the picture, with
  // every line of the grid and every offset of a thick one where it was.
  Poly wide({{{-2000000000, 20}, {100, 20}, {100, 60}, {-2000000000, 60}, {-2000000000, 20}}});
  Hatch(wide, 90, 10, 2);
  EXPECT_EQ(other.Count(kInk, kW, kH), 10 * 2 * 41);  // x = 0, 1, 10, 11 .. 90, 91
  EXPECT_EQ(plat::gdi::GetPixelColor(other.dc, 91, 40), kInk);
  EXPECT_EQ(plat::gdi::GetPixelColor(other.dc, 92, 40), kWhite);
}

TEST_F(Hatches, ShadedColumnsRunDarkToFullToLight) {
  Poly box({{{10, 10}, {50, 10}, {50, 50}, {10, 50}, {10, 10}}});
  const LONG shading[4] = {0x0000FF, 50, 1, 50};  // red; the 1 % band is not painted
  ShadeColumns(&doc, box.get(), shading);
  EXPECT_EQ(At(10, 30), kWhite);     // the left edge only touches the outline
  EXPECT_EQ(At(11, 30), 0x00008Bu);  // dark 127 + 128 / 10
  EXPECT_EQ(At(20, 30), 0x0000FFu);  // the colour at the middle
  EXPECT_EQ(At(30, 30), 0x7878F0u);  // light: red at most 240, the others 120
  EXPECT_EQ(At(31, 30), kWhite);
  EXPECT_EQ(At(45, 30), kWhite);
  const LONG both[4] = {0x0000FF, 10, 20, 50};
  ShadeColumns(&doc, box.get(), both);
  EXPECT_EQ(At(42, 30), 0x7878F0u);  // the right band starts light
  EXPECT_EQ(At(49, 30), 0x00009Fu);  // and runs towards dark
}

TEST(HatchPicture, PolygonsWithHolesHatchedShadedAndAnOffsetRoad) {
  Canvas canvas(560, 170);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc, 25400.0, 25400.0);
  doc.SetPaintSize(560, 170);
  PaintContext.ImageWidth = 560, PaintContext.ImageHeight = 170;
  const COLORREF colours[4] = {0x2060C0, 0x008000, 0x800080, 0x0080C0};
  const LONG angles[4] = {0, 45, 90, 135};
  for (int i = 0; i < 4; ++i) {
    const LONG x = 10 + 110 * i;
    Poly p({{{x, 10}, {x + 100, 20}, {x + 90, 110}, {x + 10, 100}, {x, 10}},
            {{x + 30, 40}, {x + 70, 40}, {x + 50, 80}, {x + 30, 40}}});
    const std::vector<char> r = Words({24, DWORD(angles[i]), 8, PRIM_LINE, colours[i], 2});
    DevicePainterTable[0][PRIM_ANGLE_HATCH](&doc, p.get(), r.data(), 1.0f);
    DevicePainterTable[0][PRIM_LINE](&doc, p.get(), Words({0, 1}).data(), 1.0f);
  }
  Poly shaded({{{460, 10}, {550, 10}, {550, 110}, {460, 110}, {460, 10}},
               {{490, 40}, {520, 40}, {520, 70}, {490, 70}, {490, 40}}});
  const LONG shading[4] = {0x30A050, 45, 45, 60};
  ShadeColumns(&doc, shaded.get(), shading);
  // The road: its centre line, and a copy 12 pixels to its right drawn by
  // the nested line of code 159.
  Poly road({{{20, 150}, {200, 130}, {330, 160}, {540, 125}}});
  DevicePainterTable[0][PRIM_LINE](&doc, road.get(), Words({0x808080, 1}).data(), 1.0f);
  std::vector<char> offset = Words({20, 12, 0, 0x0000C0, 3});
  const WORD nested[2] = {12, PRIM_LINE};
  std::memcpy(offset.data() + 8, nested, sizeof(nested));
  DevicePainterTable[0][PRIM_OFFSET_LINE](&doc, road.get(), offset.data(), 1.0f);
  const std::string path = std::string(MC_TEST_TMP) + "/hatch_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(canvas.dc, path.c_str()));

  // The 90-degree panel: columns 230 + 8 n, two pixels wide, inside the
  // outline (whose left edge is near x = 234 on row 60), cut by the hole.
  int hatched = 0;
  for (int x = 230; x < 250; ++x) hatched += plat::gdi::GetPixelColor(canvas.dc, x, 60) == 0x800080;
  EXPECT_EQ(hatched, 4);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 270, 55), kWhite);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 270, 30), 0x800080u);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 500, 55), kWhite);
  EXPECT_NE(plat::gdi::GetPixelColor(canvas.dc, 470, 55), kWhite);
  // The road's copy lies 12 pixels below its first, nearly level, stretch.
  int below = 0;
  for (int y = 150; y < 175 && y < 170; ++y)
    below += plat::gdi::GetPixelColor(canvas.dc, 60, y) == 0x0000C0;
  EXPECT_GE(below, 3);
  PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
  DevicePaintState = {DT_RASDISPLAY, 0, 0};
}

}  // namespace
