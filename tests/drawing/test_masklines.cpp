// The mask line rasteriser: copies by width, setting and clearing bits,
// scaling, the clip window, pixels left of the mask origin and 32-bit
// coordinates.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <utility>
#include <vector>

#include "drawing/masklines.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// A top-down mask of 4 words (128 pixels) a row and 64 rows, with one
// guard word before each row's first: the origin column is 32.
class MaskLineTest : public ::testing::Test {
 protected:
  static constexpr int kRowWords = 5, kRows = 64;
  DWORD bits[kRowWords * kRows] = {};
  void SetUp() override {
    MaskLineArea = MASKLINEAREA{32, 0, 160, kRows, 32, 0, reinterpret_cast<BYTE*>(bits + 1),
                                -kRowWords * 4};
  }
  // Set pixels in picture columns 0 .. 159 (the guard word is 0 .. 31).
  Pixels Set() const {
    Pixels out;
    for (int y = 0; y < kRows; ++y)
      for (int x = 0; x < 160; ++x)
        if ((bits[y * kRowWords + x / 32] >> (31 - x % 32)) & 1) out.insert({x, y});
    return out;
  }
  void Draw(std::vector<POINT> part, BYTE value, BYTE width, float fy = 1, float fx = 1) {
    LONG count = static_cast<LONG>(part.size());
    POLYDATA data{};
    data.Points = part.data(), data.PolyCounts = &count, data.Count = 1;
    RasterMaskLine(&data, value, width, fy, fx);
  }
};

Pixels Block(int x1, int x2, int y1, int y2) {
  Pixels out;
  for (int x = x1; x <= x2; ++x)
    for (int y = y1; y <= y2; ++y) out.insert({x, y});
  return out;
}

TEST_F(MaskLineTest, WidthMakesCopiesAcrossTheSegment) {
  Draw({{40, 10}, {60, 10}}, 1, 1);
  EXPECT_EQ(Set(), Block(40, 60, 10, 10));
  Draw({{40, 30}, {60, 30}}, 1, 4);  // flat: from 2 above to 1 below
  Draw({{100, 20}, {100, 25}}, 1, 4);  // steep: from 2 left to 1 right
  EXPECT_EQ(Set().size(), 21u + 4 * 21 + 4 * 6);
  EXPECT_TRUE(Set().count({40, 28}) && Set().count({40, 31}) && !Set().count({40, 32}));
  EXPECT_TRUE(Set().count({98, 20}) && Set().count({101, 25}) && !Set().count({102, 25}));
  // A value of 0 clears; a one-point part is a segment to itself.
  Draw({{50, 30}}, 0, 1);
  EXPECT_FALSE(Set().count({50, 30}));
  Draw({{40, 31}, {60, 31}}, 0, 1);
  EXPECT_EQ(Set().size(), 21u + 3 * 21 - 1 + 4 * 6);
  Draw({{40, 10}, {60, 10}}, 0, 0);  // no copies at all
  EXPECT_EQ(Set().size(), 21u + 3 * 21 - 1 + 4 * 6);
}

TEST_F(MaskLineTest, PointsAreScaledAndPixelsStayInTheWindow) {
  Draw({{20, 5}, {30, 5}}, 1, 1, 2.0f, 2.5f);  // (50, 10) .. (75, 10)
  EXPECT_EQ(Set(), Block(50, 75, 10, 10));
  // The window starts left of the origin: pixels there go into the word
  // before the row's first.
  MaskLineArea.MinX = 10;
  Draw({{0, 40}, {200, 40}}, 1, 1);
  EXPECT_EQ(Set().size(), 26u + 150);
  EXPECT_TRUE(Set().count({10, 40}) && Set().count({159, 40}) && !Set().count({9, 40}));
}

TEST_F(MaskLineTest, FarCoordinatesAreCutToTheWindow) {
  // The diagonal x = y with a column each side, from the window's left
  // column 32 on; row 50 across the window.
  Draw({{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}, 1, 3);
  Draw({{INT_MIN, 50}, {INT_MAX, 50}, {INT_MAX, INT_MIN}}, 1, 1);
  const Pixels set = Set();
  EXPECT_TRUE(set.count({32, 31}) && set.count({32, 32}) && set.count({33, 32}) && set.count({63, 63}));
  EXPECT_FALSE(set.count({31, 32}));
  EXPECT_EQ(set.size(), 1u + 2 + 31 * 3 + 128 - 3);
  Draw({{-1000000, -10}, {1000000, -10}}, 1, 9);  // rows -14 .. -6
  EXPECT_EQ(Set(), set);
}

}  // namespace
