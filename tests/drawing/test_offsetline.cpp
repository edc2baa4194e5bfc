// The parallel copy of a part (moved segments, loops cut, the crossing of
// two segments) and the three entries of code 159, with the memory image's
// road written as offset_picture.png in the tests' scratch folder.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "drawing/deviceoutline.h"
#include "drawing/offsetline.h"
#include "drawing/paintmetric.h"
#include "drawing/primtables.h"
#include "drawing/support/devicecalls.h"
#include "drawing/visibility.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

namespace {

using dibtest::Poly;
using dibtest::Words;
using Points = std::vector<POINT>;

Points Offset(const Points& part, int d) {
  POINT* copy = nullptr;
  const int n = MakeOffsetPolyline(&copy, const_cast<POINT*>(part.data()), int(part.size()), d);
  return Points(copy, copy + n);
}

// The loop cutting as its rule reads: every later segment probed, from
// the last down.
int CutLoopsByProbing(POINT* p, int n) {
  int m = n - 3;
  for (int i = 0; i < m; ++i) {
    int k = n - 2;
    for (int j = i; j < m; ++j, --k) {
      POINT x;
      if (SegmentsCross(p + i, p + k, &x) && !(i == 0 && j == 0) && n - i - j <= 24) {
        p[i + 1] = x;
        std::memmove(p + i + 2, p + k + 1, sizeof(POINT) * size_t(n - k - 1));
        n -= k - i - 1, m -= k - i - 1;
        break;
      }
    }
  }
  return n;
}

TEST(OffsetCopy, SegmentsMoveToTheRightOfTravel) {
  EXPECT_EQ(Offset({{0, 0}, {10, 0}}, 3), (Points{{0, 3}, {10, 3}}));
  EXPECT_EQ(Offset({{5, 5}}, 4), (Points{{5, 9}}));  // one point: down
  // Halves away from zero: 3 x 4 / 5 = 2.4 and 3 x 3 / 5 = 1.8.
  EXPECT_EQ(Offset({{0, 0}, {4, 3}}, 3), (Points{{-2, 2}, {2, 5}}));
  EXPECT_EQ(Offset({{0, 0}, {4, 3}}, -3), (Points{{2, -2}, {6, 1}}));
  // Points within a pixel of the last one are written once; a part with
  // no segment of length 1 keeps its points.
  EXPECT_EQ(Offset({{0, 0}, {10, 0}, {20, 1}}, 3), (Points{{0, 3}, {10, 3}, {20, 4}}));
  const Points still = {{7, 7}, {7, 7}};
  EXPECT_EQ(Offset(still, 3), still);
  EXPECT_EQ(Offset(still, 0), still);

  // A square clockwise on the screen: the copy inside, its corner loops
  // cut (the first corner is where the part starts and ends, and stays).
  const Points clockwise = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  EXPECT_EQ(Offset(clockwise, 2), (Points{{0, 2}, {8, 2}, {8, 8}, {2, 8}, {2, 0}}));
  // The other way round: outside, the corners bevelled.
  const Points other = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
  EXPECT_EQ(Offset(other, 2),
            (Points{{-2, 0}, {-2, 10}, {0, 12}, {10, 12}, {12, 10}, {12, 0}, {10, -2}, {0, -2}}));
  // A copy of the copy is not made: the points lie in the scratch.
  POINT* copy = nullptr;
  const int n = MakeOffsetPolyline(&copy, const_cast<POINT*>(other.data()), 5, 2);
  POINT* again = nullptr;
  EXPECT_EQ(MakeOffsetPolyline(&again, copy, n, 5), n);
  EXPECT_EQ(again, copy);
  EXPECT_EQ(MakeOffsetPolyline(nullptr, const_cast<POINT*>(other.data()), 5, 2), 8);
}

TEST(OffsetCopy, SegmentsCrossWithinBothRanges) {
  const POINT a[2] = {{0, 0}, {10, 10}}, b[2] = {{0, 10}, {10, 0}};
  POINT x{};
  EXPECT_EQ(SegmentsCross(a, b, &x), 1);
  EXPECT_EQ(x, (POINT{5, 5}));
  const POINT touching[2] = {{10, 10}, {20, 0}}, beyond[2] = {{11, 9}, {20, 0}};
  EXPECT_EQ(SegmentsCross(a, touching, &x), 1);
  EXPECT_EQ(x, (POINT{10, 10}));
  EXPECT_EQ(SegmentsCross(a, beyond, &x), 0);
  const POINT parallel[2] = {{0, 1}, {10, 11}};
  EXPECT_EQ(SegmentsCross(a, parallel, &x), 0);
  // The crossing is rounded half away from zero: (2.5, 2.5) becomes (3, 3).
  const POINT c[2] = {{0, 0}, {5, 5}}, d[2] = {{0, 5}, {5, 0}};
  EXPECT_EQ(SegmentsCross(c, d, &x), 1);
  EXPECT_EQ(x, (POINT{3, 3}));
  // Far coordinates do not overflow.
  const POINT e[2] = {{-2000000000, -2000000000}, {2000000000, 2000000000}};
  const POINT f[2] = {{-2000000000, 2000000000}, {2000000000, -2000000000}};
  EXPECT_EQ(SegmentsCross(e, f, &x), 1);
  EXPECT_EQ(x, (POINT{0, 0}));
}

// The indexed cutting cuts exactly the loops the probing does, on wiggly
// parts of every length up to a few hundred and on long zigzags.
TEST(OffsetCopy, IndexedCuttingMatchesProbing) {
  std::mt19937 rng(159);
  std::uniform_int_distribution<int> step(-12, 12);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 4 + trial % 300;
    Points p(size_t(n), POINT{0, 0});
    for (int i = 1; i < n; ++i)
      p[size_t(i)] = {p[size_t(i) - 1].x + step(rng) + 3, p[size_t(i) - 1].y + step(rng)};
    if (trial % 3 == 0) p.back() = p.front();
    Points a = p, b = p;
    const int na = CutOffsetLoops(a.data(), n), nb = CutLoopsByProbing(b.data(), n);
    ASSERT_EQ(na, nb) << trial;
    a.resize(size_t(na)), b.resize(size_t(nb));
    ASSERT_EQ(a, b) << trial;
  }
  Points zigzag;
  for (LONG i = 0; i < 3000; ++i) zigzag.push_back({i * 4, (i % 2) * 6});
  Points moved(2 * zigzag.size());
  const int n = OffsetSegments(moved.data(), zigzag.data(), int(zigzag.size()), 5);
  Points a(moved.begin(), moved.begin() + n), b = a;
  const int na = CutOffsetLoops(a.data(), n);
  EXPECT_LT(na, n);
  EXPECT_EQ(na, CutLoopsByProbing(b.data(), n));
  a.resize(size_t(na)), b.resize(size_t(na));
  EXPECT_EQ(a, b);
}

// The nested element of code 159 after the offset: length 12, a line.
std::vector<char> OffsetRecord(LONG offset, DWORD colour, DWORD thickness, DWORD length = 20) {
  std::vector<char> r = Words({length, DWORD(offset), 0, colour, thickness});
  const WORD nested[2] = {12, PRIM_LINE};
  std::memcpy(r.data() + 8, nested, sizeof(nested));
  return r;
}

class OffsetEntries : public dibtest::DibTest {};

TEST_F(OffsetEntries, MemoryImageDeviceAndTest) {
  // 30000 micrometres is out of range: 4000, 16 pixels at scale 1.
  Poly road({{{10, 40}, {150, 40}}, {{10, 90}, {150, 90}}});
  const std::vector<char> far = OffsetRecord(30000, 0x0000FF, 250);
  DibPainterTable[DIB_FULLCOLOUR][PRIM_OFFSET_LINE](nullptr, road.get(), far.data(), 1.0f);
  EXPECT_EQ(Pixel(80, 56), 0xFF0000u);
  EXPECT_EQ(Pixel(80, 106), 0xFF0000u);  // every part
  EXPECT_EQ(Pixel(80, 40), dibtest::kWhite);
  // Negative offsets go left of travel; the scale applies to whole pixels.
  DibPainterTable[DIB_FULLCOLOUR][PRIM_OFFSET_LINE](
      nullptr, road.get(), OffsetRecord(-2000, 0x00FF00, 250).data(), 1.5f);
  EXPECT_EQ(Pixel(80, 28), 0x00FF00u);  // 8 x 1.5
  // A nested element beyond the record's length paints nothing.
  Clear(dibtest::kWhite);
  DibPainterTable[DIB_FULLCOLOUR][PRIM_OFFSET_LINE](nullptr, road.get(),
                                                    OffsetRecord(2000, 0, 250, 16).data(), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);

  // The offset dashed line (148) takes its copy from the same place.
  DibPainterTable[DIB_FULLCOLOUR][PRIM_OFFSET_DOT](
      nullptr, road.get(), Words({0x0000FF, 250, 25000, 250, 2500}).data(), 1.0f);
  EXPECT_EQ(Pixel(80, 50), 0xFF0000u);

  // The device: at the document's device pixels (250 micrometres a pixel).
  TPaintMetric doc;
  doc.SetPaintSize(160, 120);
  {
    devicecalls::Recorder rec;
    DevicePainterTable[0][PRIM_OFFSET_LINE](&doc, road.get(), far.data(), 1.0f);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"pen 1 0000FF", "line 2 10,56 150,56",
                                                    "pen 1 0000FF", "line 2 10,106 150,106"}));
  }
  DevicePaintState = {DT_RASDISPLAY, 0, 0};

  // The test: the first part's copy against the window.
  SetTestWindow(8, 8);
  Poly above({{{-10, -12}, {30, -12}}, {{-10, 4}, {30, 4}}});
  const std::vector<char> thin = OffsetRecord(4000, 0, 0);
  EXPECT_EQ(VisibilityTestTable[PRIM_OFFSET_LINE](nullptr, above.get(), thin.data(), 1.0f), 1);
  EXPECT_EQ(VisibilityTestTable[PRIM_OFFSET_LINE](nullptr, above.get(), thin.data(), 0.5f), 0);
  Poly second({{{-10, -40}, {30, -40}}, {{-10, -12}, {30, -12}}});
  EXPECT_EQ(VisibilityTestTable[PRIM_OFFSET_LINE](nullptr, second.get(), thin.data(), 1.0f), 0);
  Poly none({});
  EXPECT_EQ(VisibilityTestTable[PRIM_OFFSET_LINE](nullptr, none.get(), thin.data(), 1.0f), 0);
  SetTestWindow(0, 0);
}

TEST_F(OffsetEntries, RoadPicture) {
  Poly road({{{10, 100}, {50, 30}, {90, 80}, {130, 20}, {150, 60}}});
  DibPainterTable[DIB_FULLCOLOUR][PRIM_LINE](nullptr, road.get(), Words({0x808080, 250}).data(),
                                             1.0f);
  for (LONG d : {-3000, 3000})
    DibPainterTable[DIB_FULLCOLOUR][PRIM_OFFSET_LINE](nullptr, road.get(),
                                                      OffsetRecord(d, 0xC00000, 500).data(), 1.0f);
  const std::string path = std::string(MC_TEST_TMP) + "/offset_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
  // Beside the first stretch on both sides, 12 pixels across it.
  EXPECT_EQ(Pixel(30, 65), 0x808080u);
  int inked = 0;
  for (int x = 15; x < 45; ++x) inked += Pixel(x, 65) == 0x0000C0;
  EXPECT_GE(inked, 4);
}

}  // namespace
