// The memory image of 400 x 300 pixels, with its margin rows above, for
// the tests of the pixel walks: a draw place cleared for each case, and
// the pixels a walk inked.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "drawing/paintcontext.h"

namespace drawtest {

using Pixels = std::set<std::pair<int, int>>;
// The colour the walks are given; nothing else writes it.
constexpr DWORD kInk = 0x00ABCDEF;

class InkedSectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(AllocPaintDib(400, 300, 4), 0); }
  void TearDown() override {
    FreePaintDib();
    PaintContext.UseCount = 0;
  }
  // Clears the whole section and sets the draw place.
  static void Place(int width, int height) {
    std::memset(PaintContext.Bits, 0, size_t(PaintContext.Stride) * (300 + PAINT_TOP_MARGIN));
    PaintContext.ImageWidth = width, PaintContext.ImageHeight = height;
  }
  // Every pixel holding kInk in a window of the section (margin rows have
  // y < 0), relative to the window's corner; by default the whole section,
  // its padding columns included.
  static Pixels Inked(int left = 0, int top = -PAINT_TOP_MARGIN, int right = PaintContext.Stride / 4,
                      int bottom = 300) {
    Pixels out;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (reinterpret_cast<DWORD*>(PaintContext.PictureTop - y * PaintContext.Stride)[x] == kInk)
          out.insert({x - std::max(left, 0), y - std::max(top, 0)});
    return out;
  }
};

}  // namespace drawtest
