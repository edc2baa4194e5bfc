// One-bit bitmap signs: placement by the anchor, the parts cut at the
// picture's edges, and doubled signs.
#include <gtest/gtest.h>

#include <vector>

#include "drawing/bitmapsign.h"
#include "support/dibfixture.h"

namespace {

using dibtest::DibTest;
using dibtest::Poly;

constexpr DWORD kInk = 0x123456;

// A 32 x 32 bitmap with every bit set.
std::vector<BYTE> Full() { return std::vector<BYTE>(128, 0xFF); }

struct Box {
  int left, top, right, bottom, pixels;
};

Box Inked() {
  Box b{1 << 30, 1 << 30, -1, -1, 0};
  for (int y = 0; y < PaintContext.ImageHeight; ++y)
    for (int x = 0; x < PaintContext.ImageWidth; ++x)
      if (DibTest::Pixel(x, y) == kInk) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        ++b.pixels;
      }
  return b;
}

class BitmapSign : public DibTest {
 protected:
  int Stamp(POINT at, BYTE v, BYTE h, bool doubled, const std::vector<BYTE>& bits = Full()) {
    Poly poly({{at}});
    const BITMAPSIGNANCHOR anchor{0, 32, v, h};
    if (PrepareBitmapSign(poly.get(), &anchor, doubled) != 0) return 1;
    const BITMAPSIGN sign{kInk, 32, bits.data()};
    doubled ? StampBitmapSignDoubled(&sign) : StampBitmapSign(&sign);
    return 0;
  }
};

TEST_F(BitmapSign, PlacedByTheAnchorNormalAndDoubled) {
  ASSERT_EQ(Stamp({100, 100}, 16, 16, false), 0);
  Box b = Inked();
  EXPECT_EQ((std::vector<int>{b.left, b.top, b.right, b.bottom, b.pixels}),
            (std::vector<int>{84, 84, 115, 115, 1024}));
  Open(200, 150);
  ASSERT_EQ(Stamp({100, 100}, 16, 16, true), 0);
  b = Inked();
  EXPECT_EQ((std::vector<int>{b.left, b.top, b.right, b.bottom, b.pixels}),
            (std::vector<int>{68, 68, 131, 131, 4096}));
}

TEST_F(BitmapSign, EdgesCutTheSign) {
  // Ten columns inside the right edge show the first ten bitmap columns.
  std::vector<BYTE> left(128, 0);
  for (int r = 0; r < 32; ++r) left[4 * r] = 0x80;  // column 0 only
  ASSERT_EQ(Stamp({150, 10}, 0, 0, false, left), 0);
  Box b = Inked();
  EXPECT_EQ(b.left, 150);
  EXPECT_EQ(b.right, 150);
  Clear(dibtest::kWhite);
  ASSERT_EQ(Stamp({150, 10}, 0, 0, false), 0);
  EXPECT_EQ(Inked().right, 159);
  EXPECT_EQ(Inked().pixels, 10 * 32);
  // At (-5, 10): bitmap columns 5..31 at picture columns 0..26.
  Clear(dibtest::kWhite);
  std::vector<BYTE> five(128, 0);
  for (int r = 0; r < 32; ++r) five[4 * r] = 0x04;  // column 5
  ASSERT_EQ(Stamp({-5, 10}, 0, 0, false, five), 0);
  EXPECT_EQ(Inked().left, 0);
  EXPECT_EQ(Inked().right, 0);
  Clear(dibtest::kWhite);
  ASSERT_EQ(Stamp({-5, -3}, 0, 0, false), 0);
  b = Inked();
  EXPECT_EQ((std::vector<int>{b.left, b.top, b.right, b.bottom, b.pixels}),
            (std::vector<int>{0, 0, 26, 28, 27 * 29}));
}

TEST_F(BitmapSign, WhollyOutsideIsNotStamped) {
  for (POINT at : std::vector<POINT>{{160, 10}, {10, 120}, {-33, 10}, {10, -33}})
    EXPECT_EQ(Stamp(at, 0, 0, false), 1) << at.x << "," << at.y;
  EXPECT_EQ(Inked().pixels, 0);
  Poly none({});
  const BITMAPSIGNANCHOR anchor{0, 32, 0, 0};
  EXPECT_EQ(PrepareBitmapSign(none.get(), &anchor, 0), 1);
}

TEST_F(BitmapSign, DoubledOnAnOddRowStartsOneRowHigher) {
  ASSERT_EQ(Stamp({20, 21}, 0, 0, true), 0);
  EXPECT_EQ(Inked().top, 20);
  EXPECT_EQ(Inked().left, 20);
  EXPECT_EQ(Inked().right, 83);
}

}  // namespace
