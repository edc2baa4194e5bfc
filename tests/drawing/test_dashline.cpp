// Dashed, thick and banded lines of the memory image: the dash phase at
// shared vertices and zero runs, parts and re-entry, thick copies and
// their staircase, the clamp of DrawDibLine, the side bands, clipping
// that keeps exactly the pixels and phase of the whole walk, and 32-bit
// coordinates.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "drawing/dashline.h"
#include "drawing/paintcontext.h"
#include "support/inkedsection.h"
#include "support/polylines.h"

namespace {

using drawtest::kInk;
using drawtest::Lines;
using drawtest::Pixels;

class DashLineTest : public drawtest::InkedSectionTest {
 protected:
  static void State(int thickness, int dash, int gap) {
    DibLineState.Thickness = thickness, DibLineState.Dash = dash, DibLineState.Gap = gap;
    DibLineState.Pixel = kInk, DibLineState.State = 1, DibLineState.Left = dash;
  }
};

Pixels Row(int y, std::vector<int> xs) {
  Pixels out;
  for (int x : xs) out.insert({x, y});
  return out;
}

Pixels Columns(int x1, int x2, int y1, int y2) {
  Pixels out;
  for (int x = x1; x <= x2; ++x)
    for (int y = y1; y <= y2; ++y) out.insert({x, y});
  return out;
}

TEST_F(DashLineTest, SharedVertexCountsOnceAndZeroRunsTakeOnePixel) {
  Place(100, 50);
  Lines two;
  DrawDibLine(two.Part({{0, 0}, {5, 0}, {10, 0}}).Poly(), 1, 3, kInk, 2);
  EXPECT_EQ(Inked(), Row(0, {0, 1, 2, 5, 6, 7, 10}));
  Place(100, 50);
  Lines gapless;
  DrawDibLine(gapless.Part({{0, 3}, {13, 3}}).Poly(), 1, 4, kInk, 0);
  EXPECT_EQ(Inked(), Row(3, {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13}));
  // Steep edges step along y from their start, towards their end.
  Place(100, 50);
  Lines up;
  DrawDibLine(up.Part({{7, 9}, {8, 0}}).Poly(), 1, 2, kInk, 1);
  EXPECT_EQ(Inked(), (Pixels{{7, 9}, {7, 8}, {7, 6}, {7, 5}, {8, 3}, {8, 2}, {8, 0}}));
}

TEST_F(DashLineTest, PartsEndAtACountOfZeroAndRestartTheirDashesOnReentry) {
  Place(100, 50);
  Lines parts;
  parts.Part({{0, 1}, {9, 1}}).Part({{40, 40}}).Part({}).Part({{0, 5}, {9, 5}});
  DrawDibLine(parts.Poly(), 1, 3, kInk, 2);
  EXPECT_EQ(Inked(), Row(1, {0, 1, 2, 5, 6, 7}));
  // Out over the top (walked: its phase counts), along above the picture
  // (passed over), and back down: a whole dash starts at (20, -20).
  Place(100, 50);
  Lines away;
  DrawDibLine(away.Part({{0, 10}, {6, 10}, {6, -21}, {20, -20}, {20, 9}}).Poly(), 1, 3, kInk, 2);
  Pixels expected = Row(10, {0, 1, 2, 5, 6});
  for (int y : {0, 1, 2, 5, 6, 7}) expected.insert({20, y});
  for (int y = 9; y >= 0; --y)
    if ((10 - y + 6 - 0) % 5 < 3 && y != 10) expected.insert({6, y});
  EXPECT_EQ(Inked(), expected);
}

TEST_F(DashLineTest, ThickCopiesTheirStaircaseAndTheClampOfDrawDibLine) {
  Place(200, 150);
  Lines vertical, diagonal;
  DrawDibLine(vertical.Part({{40, 10}, {40, 20}}).Poly(), 5, 1000, kInk, 0);
  EXPECT_EQ(Inked(), Columns(38, 42, 10, 20));
  Place(200, 150);
  DrawDibLine(diagonal.Part({{20, 20}, {30, 30}}).Poly(), 5, 1000, kInk, 0);
  Pixels six;
  const POINT starts[] = {{19, 21}, {20, 21}, {20, 20}, {21, 20}, {21, 19}, {22, 19}};
  for (POINT s : starts)
    for (int k = 0; k <= 10; ++k) six.insert({s.x + k, s.y + k});
  EXPECT_EQ(Inked(), six);
  // A dash is a band across the whole width.
  Place(200, 150);
  Lines dashed;
  DrawDibLine(dashed.Part({{10, 50}, {30, 50}}).Poly(), 3, 4, kInk, 6);
  Pixels bands;
  for (int x = 10; x <= 30; ++x)
    if ((x - 10) % 10 < 4) bands.merge(Columns(x, x, 49, 51));
  EXPECT_EQ(Inked(), bands);
  for (auto [thickness, width] : {std::pair{100, 64}, {-3, 1}, {0, 1}, {64, 64}}) {
    Place(200, 150);
    Lines l;
    DrawDibLine(l.Part({{100, 10}, {100, 12}}).Poly(), thickness, 1000, kInk, 0);
    EXPECT_EQ(Inked().size(), size_t(3 * width)) << thickness;
  }
}

TEST_F(DashLineTest, BandsLieBesideTheDirectionOfTravel) {
  struct Case {
    std::vector<POINT> line;
    bool left;
    Pixels band;
  } cases[] = {
      {{{50, 40}, {50, 30}}, false, Columns(53, 55, 30, 40)},  // up, right band
      {{{50, 40}, {50, 30}}, true, Columns(47, 49, 30, 40)},   // up, left band
      {{{50, 30}, {50, 40}}, false, Columns(44, 46, 30, 40)},  // down: to the west
      {{{30, 50}, {40, 50}}, false, Columns(30, 40, 53, 55)},  // east: below
      {{{40, 50}, {30, 50}}, false, Columns(30, 40, 44, 46)},  // west: above
  };
  for (const Case& c : cases) {
    Place(200, 150);
    State(3, 1000, 0);
    Lines l;
    l.Part(c.line);
    c.left ? DrawLeftBand(l.Poly()) : DrawRightBand(l.Poly());
    EXPECT_EQ(Inked(), c.band) << c.line[0].x << "," << c.line[0].y << " left " << c.left;
  }
}

// One-edge parts, thin, thick and banded, dashed, around a 40 x 30 place:
// the clipped picture equals the same edge drawn in a larger place, cut.
TEST_F(DashLineTest, ClippingKeepsThePixelsAndPhaseOfTheWholeWalk) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(-90, 130), thick(0, 9), run(0, 6), kind(0, 2);
  for (int i = 0; i < 1500; ++i) {
    const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
    const int t = thick(rng), dash = run(rng), gap = run(rng), k = kind(rng);
    auto draw = [&](int dx, int dy) {
      Lines l;
      l.Part({{x1 + dx, y1 + dy}, {x2 + dx, y2 + dy}});
      State(t, dash, gap);
      if (k == 0) DrawThinLine(l.Poly());
      if (k == 1) DrawThickLine(l.Poly());
      if (k == 2) DrawBandLine(l.Poly(), t - 4);
    };
    Place(40, 30);
    draw(0, 0);
    const Pixels clipped = Inked();
    Place(400, 300);
    draw(140, 140);
    ASSERT_EQ(clipped, Inked(140, 140, 180, 170))
        << x1 << "," << y1 << " " << x2 << "," << y2 << " t=" << t << " kind " << k;
  }
}

TEST_F(DashLineTest, CoordinatesAtThe32BitLimitsCostOnlyTheVisiblePixels) {
  Place(40, 30);
  Lines row;
  DrawDibLine(row.Part({{INT_MIN, 5}, {INT_MAX, 5}}).Poly(), 1, 3, kInk, 2);
  Pixels expected;
  for (int x = 0; x < 40; ++x)
    if ((int64_t(x) - INT_MIN) % 5 < 3) expected.insert({x, 5});
  EXPECT_EQ(Inked(), expected);
  Place(40, 30);
  Lines thick;
  DrawDibLine(thick.Part({{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, 0}}).Poly(), 64, 7,
              kInk, 0);
  EXPECT_GT(Inked().size(), 100u);
  // A thickness far beyond the picture draws only the copies that meet it.
  Place(40, 30);
  Lines wide;
  State(INT_MAX, 1000, 0);
  DrawThickLine(wide.Part({{20, -100}, {21, 100}, {INT_MAX, 100}}).Poly());
  EXPECT_EQ(Inked().size(), 40u * 30);
}

}  // namespace
