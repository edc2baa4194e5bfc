// The pixel rasteriser: the walk of a segment step by step, clipping that
// keeps exactly the pixels of the unclipped walk (checked against a large
// unclipped picture), coordinates at the 32-bit limits, thick copies, mask
// bits, the even-odd mask painter, and a picture written as a PNG file
// (rasterizer_picture.png in the tests' scratch folder) for a look by eye.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "drawing/paintcontext.h"
#include "drawing/rasterizer.h"
#include "platform/gdi/gdi_test.h"
#include "support/inkedsection.h"
#include "support/polylines.h"

namespace {

using drawtest::kInk;
using drawtest::Lines;
using drawtest::Pixels;

class RasterizerTest : public drawtest::InkedSectionTest {};

// The walk as described, pixel by pixel, kept inside w x h.
Pixels Stepped(int x1, int y1, int x2, int y2, int w, int h) {
  Pixels out;
  const int dx = x2 - x1, dy = y2 - y1, cx = std::abs(dx) + 1, cy = std::abs(dy) + 1;
  const bool steep = cx <= cy, back = steep ? dy < 0 : dx < 0;
  int x = back ? x2 : x1, y = back ? y2 : y1;
  const int minor = ((steep ? dx : dy) < 0) != back ? -1 : 1;
  const int n = steep ? cy : cx, dec = steep ? cx : cy;
  for (int i = 0, e = n; i < n; ++i) {
    if (x >= 0 && x < w && y >= 0 && y < h) out.insert({x, y});
    (steep ? y : x) += 1;
    if ((e -= dec) < 1) (steep ? x : y) += minor, e += n;
  }
  return out;
}

// Random thin and thick segments around a 40 x 30 place, crossing every
// side: the clipped picture equals the same segment drawn unclipped in a
// larger place, cut to 40 x 30; thin ones also equal the stepped walk.
TEST_F(RasterizerTest, ClippingKeepsExactlyThePixelsOfTheWholeWalk) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-100, 140), thick(0, 9);
  for (int i = 0; i < 2000; ++i) {
    const int x1 = coord(rng), y1 = coord(rng) - 5, t = i % 3 ? thick(rng) : 1;
    const int x2 = i % 7 ? coord(rng) : x1, y2 = i % 7 ? coord(rng) - 5 : y1;
    Lines small, big;
    Place(40, 30);
    RasterThickPolyline(small.Part({{x1, y1}, {x2, y2}}).Poly(), t, kInk);
    const Pixels clipped = Inked();
    Place(400, 300);
    RasterThickPolyline(big.Part({{x1 + 120, y1 + 120}, {x2 + 120, y2 + 120}}).Poly(), t, kInk);
    ASSERT_EQ(clipped, Inked(120, 120, 160, 150)) << x1 << "," << y1 << " " << x2 << "," << y2 << " t=" << t;
    if (t < 2) {
      ASSERT_EQ(clipped, Stepped(x1, y1, x2, y2, 40, 30)) << x1 << "," << y1;
    }
  }
}

TEST_F(RasterizerTest, CoordinatesAtThe32BitLimitsAreCutBeforeStepping) {
  Place(40, 30);
  Lines row, diagonal, steep;
  RasterThinPolyline(row.Part({{INT_MIN, 5}, {INT_MAX, 5}}).Poly(), kInk);
  EXPECT_EQ(Inked().size(), 40u);
  Place(40, 30);
  RasterThinPolyline(diagonal.Part({{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}).Poly(), kInk);
  Pixels expected;
  for (int i = 0; i < 30; ++i) expected.insert({i, i});
  EXPECT_EQ(Inked(), expected);
  // Pixel k of a steep walk lies floor(k * cx / cy) columns on.
  const int64_t x1 = -1000000007, y1 = -2000000000, cx = 2000000011, cy = 4000000001;
  Place(40, 30);
  RasterThinPolyline(steep.Part({{LONG(x1), LONG(y1)}, {1000000003, 2000000000}}).Poly(), kInk);
  expected.clear();
  for (int y = 0; y < 30; ++y) {
    const int64_t x = x1 + static_cast<int64_t>(__int128(y - y1) * cx / cy);
    if (x >= 0 && x < 40) expected.insert({int(x), y});
  }
  EXPECT_EQ(Inked(), expected);
  // A line thicker than the picture covers it, without a copy per pixel.
  for (POINT end : {POINT{20, 1000}, POINT{INT_MAX, INT_MAX}}) {
    Place(40, 30);
    Lines wide;
    RasterThickPolyline(wide.Part({{INT_MIN / 2, INT_MIN / 2}, end}).Poly(), INT_MAX, kInk);
    EXPECT_EQ(Inked().size(), 40u * 30);
  }
}

// Each case a polyline set with its thickness in 1/250 pixel at scale 1.
TEST_F(RasterizerTest, WalksCopiesAndStaircases) {
  struct Case {
    std::vector<std::vector<POINT>> parts;
    LONG thickness;
    Pixels pixels;
  } cases[] = {
      // The error starts at 5 and falls by 2 per pixel.
      {{{{0, 0}, {4, 1}}}, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}}},
      {{{{-10, 5}, {2, 5}}}, 0, {{0, 5}, {1, 5}, {2, 5}}},
      // A part of no points ends the set.
      {{{{1, 1}, {2, 1}}, {}, {{5, 5}, {6, 5}}}, 0, {{1, 1}, {2, 1}}},
      {{{{10, 2}, {10, 4}}}, 499, {{10, 2}, {10, 3}, {10, 4}}},
      {{{{10, 2}, {10, 4}}}, 500, {{9, 2}, {9, 3}, {9, 4}, {10, 2}, {10, 3}, {10, 4}}},
      // 45 degrees, t = 2, h = 1: copies from (9, 5), (10, 5), (10, 4).
      {{{{10, 5}, {12, 7}}}, 500,
       {{9, 5}, {10, 6}, {11, 7}, {10, 5}, {11, 6}, {12, 7}, {10, 4}, {11, 5}, {12, 6}}},
      // One point, t = 3: four pixels from (x - 1, y), right and down in turn.
      {{{{20, 10}}}, 750, {{19, 10}, {20, 10}, {20, 11}, {21, 11}}},
  };
  for (const Case& c : cases) {
    Place(40, 30);
    Lines l;
    for (const auto& part : c.parts) l.Part(part);
    const RASTERLINE line{kInk, c.thickness};
    RasterLine(l.Poly(), &line, 1.0f);
    EXPECT_EQ(Inked(), c.pixels) << c.thickness;
  }
  // By palette index: whole pixels times the scale (4 columns).
  Place(40, 30);
  PaintContext.ColorsB[9] = kInk;
  Lines l;
  const RASTERINDEXLINE byIndex{9, 2};
  RasterLineByIndex(l.Part({{5, 5}, {5, 6}}).Poly(), &byIndex, 2.0f);
  EXPECT_EQ(Inked().size(), 8u);
  // Missing pieces draw nothing.
  RasterThinPolyline(nullptr, kInk);
  RasterLine(l.Poly(), nullptr, 1.0f);
  POLYDATA empty{};
  empty.Count = 3;
  RasterThickPolyline(&empty, 5, kInk);
  EXPECT_EQ(Inked().size(), 8u);
  EXPECT_EQ(PaintObjectToMask(l.Poly(), nullptr, 32, 4), 0);
}

// Mask bits match the picture pixels of the same copies: thickness 1 is the
// thin walk; thickness 3 the thin walks shifted -1 .. +1 across the major
// axis. Bits go at column x - X0, only where x >= max(X0, 0).
TEST_F(RasterizerTest, MaskBitsFollowTheWalkInTheirBitOrder) {
  std::vector<DWORD> mask(4 * 40);
  const MASKLINECONTEXT bottomUp{-5, 3, reinterpret_cast<BYTE*>(&mask[4 * 39]), 16, 40, 30};
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> coord(-60, 90);
  for (int i = 0; i < 500; ++i) {
    const int x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
    const int t = i % 2 ? 3 : 1;
    Lines l;
    l.Part({{x1, y1}, {x2, y2}});
    std::fill(mask.begin(), mask.end(), 0);
    RasterMaskPolyline(&bottomUp, l.Poly(), t);
    Place(40, 30);
    const bool steep = std::abs(x2 - x1) <= std::abs(y2 - y1);
    for (int s = -(t / 2); s < t - t / 2; ++s) {
      Lines copy;
      const int sx = steep ? s : 0, sy = steep ? 0 : s;
      RasterThinPolyline(copy.Part({{x1 + sx, y1 + sy}, {x2 + sx, y2 + sy}}).Poly(), kInk);
    }
    Pixels bits;
    for (int y = 3; y < 43; ++y)
      for (int x = -5; x < 123; ++x)
        if (mask[4 * (39 - (y - 3)) + (x + 5) / 32] & (0x80000000u >> ((x + 5) % 32)))
          bits.insert({x, y});
    Pixels expected;
    for (auto p : Inked())
      if (p.second >= 3) expected.insert(p);
    ASSERT_EQ(bits, expected) << x1 << "," << y1 << " " << x2 << "," << y2 << " t=" << t;
  }
  // Across a word boundary, top-down: columns 30 and 31 are the two lowest
  // bits of word 0, 32 and 33 the two highest of word 1.
  std::fill(mask.begin(), mask.end(), 0);
  const MASKLINECONTEXT topDown{0, 0, reinterpret_cast<BYTE*>(mask.data()), -16, 128, 40};
  Lines l;
  RasterMaskPolyline(&topDown, l.Part({{30, 2}, {33, 2}}).Poly(), 1);
  EXPECT_EQ(mask[8], 0x00000003u);
  EXPECT_EQ(mask[9], 0xC0000000u);
}

TEST_F(RasterizerTest, ObjectToMaskFillsEvenOddAndOutlinesThreeWide) {
  std::vector<DWORD> mask(2 * 64, 0xFFFFFFFFu);
  auto bit = [&](int x, int y) { return (mask[2 * y + x / 32] >> (31 - x % 32)) & 1; };
  // The square 0 .. 10 (filled: columns 0 .. 9 of rows 1 .. 10) with its
  // 3-pixel outline: columns 0 .. 11 of rows 0 .. 10, 0 .. 10 of row 11.
  Lines square;
  ASSERT_EQ(PaintObjectToMask(square.Part({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).Poly(),
                              mask.data(), 64, 64), 1);
  for (int y = 0; y < 64; ++y)
    EXPECT_EQ(mask[2 * y], y < 11 ? 0xFFF00000u : y == 11 ? 0xFFE00000u : 0u) << y;
  // Outer ring 2 .. 60 and a hole 20 .. 40 in the other orientation.
  Lines ring;
  ring.Part({{2, 2}, {60, 2}, {60, 60}, {2, 60}, {2, 2}});
  ring.Part({{20, 20}, {20, 40}, {40, 40}, {40, 20}, {20, 20}});
  ASSERT_EQ(PaintObjectToMask(ring.Poly(), mask.data(), 64, 64), 1);
  EXPECT_EQ(bit(10, 10) + bit(50, 50) + bit(61, 30) + bit(30, 21), 4u);
  EXPECT_EQ(bit(30, 30) + bit(0, 0) + bit(62, 62) + bit(30, 22), 0u);
  // A width that is not a multiple of 32 keeps to whole words of each row.
  std::vector<DWORD> odd(3 * 8);
  EXPECT_EQ(PaintObjectToMask(ring.Poly(), odd.data(), 100, 8), 1);
}

// Lines of several thicknesses and slopes, lines cut at every side, and a
// mask (a filled and outlined star, its centre left empty) shown in red, and
// a thick line in the paint context's mask plane shown in green.
TEST_F(RasterizerTest, PictureForTheEye) {
  Place(400, 300);
  std::memset(PaintContext.Bits, 0xF0, size_t(PaintContext.Stride) * (300 + PAINT_TOP_MARGIN));
  const DWORD colours[] = {0x000000, 0x0000C0, 0x008000, 0xC00000, 0x806000};
  for (int k = 0; k < 12; ++k) {
    Lines l;
    const int t = 1 + k % 6;
    l.Part({{20 + 30 * k, 20}, {20 + 30 * k + (k - 6) * 6, 130}});
    RasterThickPolyline(l.Poly(), t, colours[k % 5]);
    Lines f;
    f.Part({{20, 150 + 6 * k}, {200, 150 + 6 * k + (k - 6) * 4}});
    RasterThickPolyline(f.Poly(), k % 4 + 1, colours[(k + 2) % 5]);
  }
  Lines cut;
  cut.Part({{-50, 280}, {450, 200}, {380, -40}, {-30, 320}}).Part({{200, 400}, {260, -100}});
  RasterThickPolyline(cut.Poly(), 5, 0x0080FF);
  Lines star;
  star.Part({{300, 160}, {330, 280}, {230, 200}, {370, 200}, {270, 280}, {300, 160}});
  std::vector<DWORD> mask(13 * 300);
  ASSERT_EQ(PaintObjectToMask(star.Poly(), mask.data(), 416, 300), 1);
  // A zigzag 4 pixels thick in mask plane 1 of the paint context, shown green.
  const TPaintContext& c = PaintContext;
  std::memset(c.MaskBits, 0, size_t(c.MaskRowBytes) * c.MaskRows);
  const MASKLINECONTEXT plane{0, 0, c.MaskTop1, c.MaskRowBytes, 400, 300};
  Lines zigzag;
  RasterMaskPolyline(&plane, zigzag.Part({{230, 20}, {260, 120}, {290, 30}, {420, 90}}).Poly(), 4);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      DWORD& p = reinterpret_cast<DWORD*>(c.PictureTop - y * c.Stride)[x];
      if (mask[13 * y + x / 32] & (0x80000000u >> (x % 32))) p = (p & 0x7F7F7F) + 0x800000;
      if (reinterpret_cast<DWORD*>(c.MaskTop1 - y * c.MaskRowBytes)[x / 32] & (0x80000000u >> (x % 32)))
        p = (p & 0x7F7F7F) + 0x008000;
    }
  const std::string path = std::string(MC_TEST_TMP) + "/rasterizer_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
}

}  // namespace
