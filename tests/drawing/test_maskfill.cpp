// The polygon fill of the memory image: the edge-flag mask (square, star,
// holes, parts, clipping, 32-bit coordinates), a property test against an
// even-odd point-in-polygon test, the pattern and hatch paints with their
// anchors, and the window variant with its pattern cell.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"
#include "drawing/rasterizer.h"
#include "support/polylines.h"

namespace {

using Cells = std::set<std::pair<int, int>>;
constexpr DWORD kInk = 0x00123456, kPaper = 0x00FFFFFF, kOther = 0x00ABCDEF;

using drawtest::Figure;

// A closed rectangle contour, clockwise or not.
std::vector<POINT> Box(int l, int t, int r, int b, bool reverse = false) {
  if (reverse) return {{l, t}, {l, b}, {r, b}, {r, t}, {l, t}};
  return {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
}

class MaskFillTest : public ::testing::Test {
 public:
  static constexpr int kW = 120, kH = 90;
  void SetUp() override {
    ASSERT_EQ(AllocPaintDib(kW, kH, 4), 0);
    PaintContext.ImageWidth = kW, PaintContext.ImageHeight = kH;
    Clear();
  }
  void TearDown() override {
    FreePaintDib();
    PaintContext.UseCount = 0;
  }
  static void Clear() {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < PaintContext.Stride / 4; ++x) Pixel(x, y) = kPaper;
    std::memset(PaintContext.MaskBits, 0xA5, size_t(PaintContext.MaskRowBytes) * PaintContext.MaskRows);
  }
  static DWORD& Pixel(int x, int y) {
    return reinterpret_cast<DWORD*>(PaintContext.PictureTop - y * PaintContext.Stride)[x];
  }
  static bool Bit(const MaskFillContext& c, int x, int y) {
    const DWORD* row = reinterpret_cast<const DWORD*>(c.MaskRow0 - y * c.MaskRowBytes);
    return (row[x / 32] >> (31 - x % 32)) & 1;
  }
  // The set bits of the work area (the last word cut at the picture).
  static Cells Mask(const MaskFillContext& c) {
    Cells out;
    for (int y = c.AreaTop; y < c.AreaTop + c.AreaRows; ++y)
      for (int x = c.AreaLeft; x < std::min(c.AreaLeft + c.AreaWidth, kW); ++x)
        if (Bit(c, x, y)) out.insert({x, y});
    return out;
  }
  static Cells Painted(DWORD value) {
    Cells out;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < PaintContext.Stride / 4; ++x)
        if (Pixel(x, y) == value) out.insert({x, y});
    return out;
  }
  static Cells Fill(Figure& f, int* built = nullptr) {
    MaskFillContext c;
    InitMaskFill(&c);
    const int b = BuildScanEdges(&c, f.Poly());
    if (built) *built = b;
    Cells cells = b || c.AreaRows ? Mask(c) : Cells{};
    PaintMaskColour(&c, kInk);
    EXPECT_EQ(Painted(kInk), cells);
    return cells;
  }
};

Cells Rect(int l, int t, int r, int b) {
  Cells out;
  for (int y = t; y <= b; ++y)
    for (int x = l; x <= r; ++x) out.insert({x, y});
  return out;
}

TEST_F(MaskFillTest, SquareFillsColumnsLeftOfItsRightEdgeInRowsBelowItsTop) {
  for (bool reverse : {false, true}) {
    Clear();
    Figure f;
    f.Part(Box(0, 0, 10, 10, reverse));
    EXPECT_EQ(Fill(f), Rect(0, 1, 9, 10)) << reverse;
    // The solid fill's one-pixel outline completes row 0 and column 10.
    RasterThinPolyline(f.Poly(), kInk);
    EXPECT_EQ(Painted(kInk), Rect(0, 0, 10, 10)) << reverse;
  }
}

// Pixel (x, y) of the mask stands for the point (x, y), nudged right and up
// (left edges take their own pixels, top edges give theirs away).
bool EvenOdd(const std::vector<std::vector<POINT>>& rings, double px, double py) {
  bool in = false;
  for (const auto& r : rings)
    for (size_t i = 1; i < r.size(); ++i) {
      const double x1 = r[i - 1].x, y1 = r[i - 1].y, x2 = r[i].x, y2 = r[i].y;
      if ((y1 > py) != (y2 > py) && px < x1 + (py - y1) * (x2 - x1) / (y2 - y1)) in = !in;
    }
  return in;
}

double Distance(const std::vector<std::vector<POINT>>& rings, double px, double py) {
  double best = 1e300;
  for (const auto& r : rings)
    for (size_t i = 1; i < r.size(); ++i) {
      const double x1 = r[i - 1].x, y1 = r[i - 1].y, dx = r[i].x - x1, dy = r[i].y - y1;
      const double len = dx * dx + dy * dy;
      const double t = len > 0 ? std::clamp(((px - x1) * dx + (py - y1) * dy) / len, 0.0, 1.0) : 0;
      best = std::min(best, std::hypot(px - x1 - t * dx, py - y1 - t * dy));
    }
  return best;
}

// Every pixel farther than 1 px from the outline is filled exactly when
// the point-in-polygon test says so.
void ExpectEvenOdd(const std::vector<std::vector<POINT>>& rings, const Cells& filled, int w, int h,
                   const char* what) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double px = x + 1e-3, py = y - 1e-3;
      const bool in = EvenOdd(rings, px, py);
      if (in != (filled.count({x, y}) == 1)) {
        ASSERT_LE(Distance(rings, px, py), 1.0) << what << " at " << x << "," << y;
      }
    }
}

TEST_F(MaskFillTest, StarLeavesItsCentreAndHolesStayOpenInEitherOrientation) {
  Figure star;
  std::vector<POINT> s;
  for (int i = 0; i <= 5; ++i) {
    const double a = M_PI / 2 + (i * 2 % 5) * 2 * M_PI / 5;
    s.push_back({LONG(std::lround(60 + 40 * std::cos(a))), LONG(std::lround(45 - 40 * std::sin(a)))});
  }
  star.Part(s);
  const Cells starCells = Fill(star);
  EXPECT_EQ(starCells.count({60, 45}), 0u);  // the centre: crossed twice
  EXPECT_EQ(starCells.count({60, 12}), 1u);  // the top point
  ExpectEvenOdd({s}, starCells, kW, kH, "star");
  for (bool reverse : {false, true}) {
    Clear();
    Figure holed;
    holed.Part(Box(10, 10, 80, 70)).Part(Box(30, 30, 50, 50, reverse));
    const Cells cells = Fill(holed);
    EXPECT_EQ(cells.count({40, 40}), 0u);
    EXPECT_EQ(cells.count({20, 20}), 1u);
    ExpectEvenOdd({Box(10, 10, 80, 70), Box(30, 30, 50, 50, reverse)}, cells, kW, kH, "holed");
  }
}

TEST_F(MaskFillTest, RandomPolygonsAgreeWithEvenOddPointInPolygon) {
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int> x(-40, kW + 40), y(-40, kH + 40), n(4, 30), parts(1, 3);
  for (int i = 0; i < 150; ++i) {
    Clear();
    Figure f;
    std::vector<std::vector<POINT>> rings;
    for (int k = parts(rng); k > 0; --k) {
      std::vector<POINT> r;
      for (int j = n(rng); j > 0; --j) r.push_back({x(rng), y(rng)});
      r.push_back(r.front());
      f.Part(r);
      rings.push_back(r);
    }
    ExpectEvenOdd(rings, Fill(f), kW, kH, "random");
    if (HasFatalFailure()) return;
  }
}

TEST_F(MaskFillTest, PartsClippingAndCoordinatesAtThe32BitLimits) {
  // Parts of three points or fewer are left out; a part of 0 ends the fill
  // and what came before stays.
  Figure small;
  small.Part({{0, 0}, {50, 50}, {0, 50}}).Part(Box(5, 5, 15, 15));
  EXPECT_EQ(Fill(small), Rect(5, 6, 14, 15));
  Clear();
  Figure broken;
  broken.Part(Box(5, 5, 15, 15)).Part({}).Part(Box(20, 5, 30, 15));
  int built = -1;
  EXPECT_EQ(Fill(broken, &built), Rect(5, 6, 14, 15));
  EXPECT_EQ(built, 0);
  // Beyond the left, top and right: up to column 0 and column W - 1 (the
  // padding of the row is not painted).
  Clear();
  Figure wide;
  wide.Part(Box(-50, -20, kW + 50, 30));
  EXPECT_EQ(Fill(wide), Rect(0, 0, kW - 1, 30));
  EXPECT_EQ(Pixel(kW, 5), kPaper);
  // Wholly outside: nothing.
  Clear();
  Figure away;
  away.Part(Box(kW, 0, kW + 40, 40));
  EXPECT_EQ(Fill(away, &built), Cells{});
  EXPECT_EQ(built, 0);
  // The whole 32-bit plane, and a triangle from the far corners, cost
  // their visible rows only.
  Clear();
  Figure all;
  all.Part(Box(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(Fill(all), Rect(0, 0, kW - 1, kH - 1));
  Clear();
  const std::vector<POINT> far{{INT_MIN, INT_MIN}, {INT_MAX, 40}, {-1000000000, INT_MAX}, {INT_MIN, INT_MIN}};
  Figure triangle;
  triangle.Part(far);
  ExpectEvenOdd({far}, Fill(triangle), kW, kH, "far triangle");
}

// --- Patterns and hatches ---

TEST_F(MaskFillTest, PatternColumnZeroFallsOnTheFigureLeftAndRowZeroOnItsTop) {
  // A pattern of one set pixel per row at column r (a diagonal), and a
  // figure whose box starts at (40, 7) in a work area from column 32.
  BYTE header[4 + 128] = {0, 32};
  for (int r = 0; r < 32; ++r) header[4 + 4 * r + r / 8] = BYTE(0x80 >> (r % 8));
  for (bool transparent : {false, true}) {
    Clear();
    Figure f;
    f.Part(Box(40, 7, 110, 80));
    MaskFillContext c;
    InitMaskFill(&c);
    ASSERT_EQ(BuildScanEdges(&c, f.Poly()), 1);
    EXPECT_EQ(c.AreaLeft, 32);
    const MASKPATTERN p{kOther, kInk, header};
    PreparePattern(&c, &p);
    transparent ? PaintMaskPattern(&c, &p) : PaintMaskTwoColours(&c, &p);
    Cells diagonal;
    for (int y = 8; y <= 80; ++y)
      for (int x = 40; x < 110; ++x)
        if ((x - 40) % 32 == (y - 7) % 32) diagonal.insert({x, y});
    EXPECT_EQ(Painted(kInk), diagonal);
    EXPECT_EQ(Painted(kOther).size(), transparent ? 0u : 70u * 73 - diagonal.size());
  }
  // A 16 x 16 pattern repeats every 16 pixels, anchored the same way; a
  // figure above the picture counts its hidden rows in.
  BYTE small[4 + 32] = {0, 16};
  for (int r = 0; r < 16; ++r) small[4 + 2 * r + r / 8] = BYTE(0x80 >> (r % 8));
  Clear();
  Figure f;
  f.Part(Box(3, -5, 60, 40));
  MaskFillContext c;
  InitMaskFill(&c);
  ASSERT_EQ(BuildScanEdges(&c, f.Poly()), 1);
  const MASKPATTERN p{kOther, kInk, small};
  PreparePattern(&c, &p);
  PaintMaskPattern(&c, &p);
  Cells diagonal;
  for (int y = 0; y <= 40; ++y)
    for (int x = 3; x < 60; ++x)
      if ((x - 3) % 16 == (y + 5) % 16 && y > -4) diagonal.insert({x, y});
  EXPECT_EQ(Painted(kInk), diagonal);
}

// Painted pixels of a hatch of a box (l, t) .. (r, b).
Cells Hatched(int kind, int stripe, int gap, int l, int t, int r, int b) {
  Figure f;
  f.Part(Box(l, t, r, b));
  MaskFillContext c;
  InitMaskFill(&c);
  EXPECT_EQ(BuildScanEdges(&c, f.Poly()), 1);
  switch (kind) {
    case 2: MakeStripeRow(&c, stripe, gap), PaintVerticalHatch(&c, kInk); break;
    case 3: MakeStripeRow(&c, stripe, gap), PaintDotHatch(&c, kInk, stripe, gap); break;
    case 4: MakeDiagonalRow(&c, stripe, gap, 1), PaintDiagonalHatch(&c, kInk, 1); break;
    case 5: MakeDiagonalRow(&c, stripe, gap, 0), PaintDiagonalHatch(&c, kInk, 0); break;
    default: PaintHorizontalHatch(&c, kInk, stripe, gap); break;
  }
  return MaskFillTest::Painted(kInk);
}

TEST_F(MaskFillTest, HatchesStartTheirStripesAtTheFigure) {
  struct Case {
    int kind, l, t;
    bool (*on)(int x, int y, int l, int t);  // stripe 2, gap 3
  } cases[] = {
      {2, 7, 4, [](int x, int, int l, int) { return (x - l) % 5 < 2; }},
      {2, 45, 4, [](int x, int, int l, int) { return (x - l) % 5 < 2; }},
      {3, 7, 4, [](int x, int y, int l, int t) { return (x - l) % 5 < 2 && (y - t) % 5 < 2; }},
      {0, 7, -8, [](int, int y, int, int t) { return (y - t) % 5 < 2; }},
      {6, 7, 4, [](int, int y, int, int t) { return (y - t) % 5 < 2; }},
      {4, 7, -8, [](int x, int y, int l, int t) { return (x + y - l - t) % 5 < 2; }},
      {5, -9, 4, [](int x, int y, int l, int t) { return (x - y - l + t + 1000) % 5 < 2; }},
  };
  for (const Case& k : cases) {
    Clear();
    const Cells painted = Hatched(k.kind, 2, 3, k.l, k.t, k.l + 70, k.t + 60);
    Cells expected;
    for (int y = std::max(k.t + 1, 0); y <= k.t + 60; ++y)
      for (int x = std::max(k.l, 0); x < k.l + 70; ++x)
        if (k.on(x, y, k.l, k.t)) expected.insert({x, y});
    EXPECT_EQ(painted, expected) << "kind " << k.kind << " at " << k.l << "," << k.t;
  }
  Clear();
  Cells row;
  for (const auto& p : Hatched(2, 2, 3, 7, 0, 40, 10))
    if (p.second == 5) row.insert(p);
  EXPECT_EQ(row, (Cells{{7, 5}, {8, 5}, {12, 5}, {13, 5}, {17, 5}, {18, 5}, {22, 5}, {23, 5},
                        {27, 5}, {28, 5}, {32, 5}, {33, 5}, {37, 5}, {38, 5}}));
}

// --- Window variant ---

TEST_F(MaskFillTest, WindowVariantCutsAScaledFigureIntoAPatternCell) {
  // A figure of half-size points scaled by 2 into the window (50, 20) ..
  // (81, 51): the area starts at column 32 and row 20 of the scaled plane.
  Figure f;
  f.Part(Box(20, 5, 35, 20));  // scaled: (40, 10) .. (70, 40)
  MaskWindow.Figure = RECT{40, 10, 70, 40};
  MaskWindow.Window = RECT{50, 20, 81, 51};
  DWORD mask[40 * 2] = {};
  MaskFillContext c{};
  c.MaskRow0 = reinterpret_cast<BYTE*>(mask + 39 * 2);  // bottom-up, 8 bytes a row
  c.MaskRowBytes = 8;
  ASSERT_EQ(SetMaskWindowArea(&c), 0);
  EXPECT_EQ(MaskWindow.AreaColumn, 32);
  EXPECT_EQ(MaskWindow.AreaRow, 20);
  ASSERT_EQ(BuildScanEdgesScaled(&c, f.Poly(), 2.0f, 2.0f), 1);
  BYTE pattern[128], cell[128];
  std::memset(pattern, 0xFF, sizeof(pattern));
  pattern[4 * 3] = 0x7F;  // row 3 of the cell loses its first pixel
  CutPatternCell(&c, pattern, cell);
  // Cell (i, j) is window pixel (50 + i, 20 + j): inside for x 50..69
  // and y 21..40 (the scaled square's rows 11..40, columns 40..69).
  for (int j = 0; j < 32; ++j)
    for (int i = 0; i < 32; ++i) {
      const bool inside = i < 20 && j <= 20 && !(j == 3 && i == 0);
      EXPECT_EQ((cell[4 * j + i / 8] >> (7 - i % 8)) & 1, inside ? 1 : 0) << i << "," << j;
    }
  MaskWindow.Figure = RECT{100, 10, 130, 40};
  EXPECT_EQ(SetMaskWindowArea(&c), 1);
}

}  // namespace
