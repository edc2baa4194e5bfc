// Lines with signs (codes 146 and 157): the steps along a raster line,
// per-segment spacing of signs A and B, along-the-line placement, the
// signs at the ends of the line and of each segment, the mode decided from
// the record, records read within their own length and never written, lines
// reaching far beyond the picture, and pictures of roads in the memory
// image and on a device (linesigns_picture.png and
// linesigns_device_picture.png in the tests' scratch folder).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "devices/support/devcanvas.h"
#include "drawing/dibpainters.h"
#include "drawing/linesigns.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"

namespace {

using dibtest::Poly;
using dibtest::Words;
using Xs = std::vector<int>;

constexpr LONG kPixel = 250;  // micrometres per pixel at 4000 pixels per metre

// A 32 x 32 bitmap sign (code 137) of one pixel at its anchor; the anchor
// stands `size` pixels right of that pixel, and the sign's size (its word
// 3) is `size` pixels.
std::vector<char> Dot(DWORD colour, LONG size = 0, LONG above = 0) {
  std::vector<char> r = Words({colour, 0, DWORD(above * kPixel), DWORD(size * kPixel), 0x80});
  r.resize(144);
  return r;
}

struct Nested {
  WORD code = PRIM_EMPTY;
  std::vector<char> parm;
};

// A line with signs: the header fields in pixels and the seven slots.
struct Signs {
  LONG startOffset = 0, startGap = 0, endGap = 0, spacingA = 0, spacingB = 0;
  BYTE mode = LINESIGNS_MODE_SEGMENT;
  std::array<Nested, LINESIGNS_SLOTS> slot;

  std::vector<char> Elements() const {
    std::vector<char> r;
    for (const Nested& n : slot) {
      const WORD head[2] = {WORD(4 + n.parm.size()), n.code};
      r.insert(r.end(), reinterpret_cast<const char*>(head), reinterpret_cast<const char*>(head) + 4);
      r.insert(r.end(), n.parm.begin(), n.parm.end());
    }
    return r;
  }
  std::vector<char> Full() const {
    LINESIGNSHEAD h{};
    h.StartOffset = startOffset * kPixel;
    h.StartGap = startGap * kPixel;
    h.EndGap = endGap * kPixel;
    h.SpacingA = spacingA * kPixel;
    h.SpacingB = spacingB * kPixel;
    h.Mode = mode;
    std::vector<char> r(sizeof(h));
    const std::vector<char> e = Elements();
    r.insert(r.end(), e.begin(), e.end());
    h.Length = DWORD(r.size());
    std::memcpy(r.data(), &h, sizeof(h));
    return r;
  }
  // Code 146: the length and the spacing (spacing A).
  std::vector<char> Short() const {
    const std::vector<char> e = Elements();
    std::vector<char> r = Words({DWORD(8 + e.size()), DWORD(spacingA * kPixel)});
    r.insert(r.end(), e.begin(), e.end());
    return r;
  }
};

enum { BASE, LINE_START, LINE_END, SEGMENT_START, SEGMENT_END, SIGN_A, SIGN_B };

constexpr DWORD kA = 0x0000FF, kB = 0x00FF00, kS = 0xFF0000, kE = 0x00FFFF, kBase = 0x808080;

// The memory image at 4000 screen pixels per metre: 250 micrometres to the
// pixel at scale 1.0.
class LineSigns : public dibtest::DibTest {
 protected:
  void SetUp() override {
    DibTest::SetUp();
    SetScreenPixelsPerMeter(4000);
  }
  void TearDown() override {
    SetScreenPixelsPerMeter(3000);
    DibTest::TearDown();
  }
  static void Paint(int code, Poly& p, const std::vector<char>& parm, float scale = 1.0f) {
    DibPainterTable[DIB_FULLCOLOUR][code](nullptr, p.get(), parm.data(), scale);
  }
  // Columns of row y holding the memory-image pixel of a COLORREF.
  static Xs Row(int y, DWORD colour) {
    Xs xs;
    for (int x = 0; x < PaintContext.ImageWidth; ++x)
      if (Pixel(x, y) == SwapRedBlue(colour)) xs.push_back(x);
    return xs;
  }
  static int Count(DWORD colour) {
    int n = 0;
    for (int y = 0; y < PaintContext.ImageHeight; ++y) n += int(Row(y, colour).size());
    return n;
  }
};

// --- Steps along a raster line ---

TEST(RasterSteps, ClosedFormWalkMatchesTheStepper) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-40, 40);
  for (int trial = 0; trial < 400; ++trial) {
    const POINT a{coordinate(random), coordinate(random)}, b{coordinate(random), coordinate(random)};
    const int64_t dx = b.x - a.x, dy = b.y - a.y;
    const bool steep = std::abs(dx) <= std::abs(dy);
    const int64_t major = (steep ? std::abs(dy) : std::abs(dx)) + 1;
    const int64_t minor = (steep ? std::abs(dx) : std::abs(dy)) + 1;
    const int sx = dx < 0 ? -1 : dx > 0, sy = dy < 0 ? -1 : dy > 0;
    int64_t x = a.x, y = a.y, e = major;
    for (int64_t k = 0; k <= major + 3; ++k) {
      const POINT p = WalkLinePoints(a, b, k);
      ASSERT_EQ(p.x, x) << trial << " step " << k;
      ASSERT_EQ(p.y, y) << trial << " step " << k;
      (steep ? y : x) += steep ? sy : sx;
      e -= minor;
      if (e < 1) {
        (steep ? x : y) += steep ? sx : sy;
        e += major;
      }
    }
  }
  EXPECT_EQ(WalkLinePoints({3, 4}, {9, 4}, -5).x, 3);
}

TEST(RasterSteps, LengthAndRatio) {
  double r = 0;
  EXPECT_EQ(SegmentStepRatio({0, 0}, {99, 0}, &r), 100);
  EXPECT_DOUBLE_EQ(r, 1.0);
  EXPECT_EQ(SegmentStepRatio({0, 0}, {99, -99}, &r), 140);  // trunc(sqrt(100^2 + 99^2))
  EXPECT_DOUBLE_EQ(r, 100.0 / 140);
  EXPECT_EQ(SegmentStepRatio({5, 5}, {5, 5}, &r), 1);
  EXPECT_EQ(SegmentStepRatio({-2000000000, 0}, {2000000000, 0}, &r), 4000000001);
}

// --- Per-segment placement ---

TEST_F(LineSigns, SignsFillEachSegmentEvenly) {
  Signs s;
  s.spacingA = 30;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  Poly hundred({{{0, 10}, {99, 10}}});
  Paint(PRIM_DECORATED, hundred, s.Full());
  EXPECT_EQ(Row(10, kA), (Xs{0, 33, 66}));  // 100 / 3 apart

  s.spacingA = 20, s.spacingB = 10;
  s.slot[SIGN_B] = {PRIM_BITMAP32, Dot(kB)};
  Poly pairs({{{0, 30}, {99, 30}}});
  Paint(PRIM_DECORATED, pairs, s.Full());
  EXPECT_EQ(Row(30, kA), (Xs{0, 33, 66}));  // spacings x 100 / 90
  EXPECT_EQ(Row(30, kB), (Xs{22, 55, 88}));
  Poly longer({{{0, 50}, {114, 50}}});
  Paint(PRIM_DECORATED, longer, s.Full());
  EXPECT_EQ(Row(50, kA), (Xs{0, 31, 62, 94}));  // and a last A, x 115 / 110
  EXPECT_EQ(Row(50, kB), (Xs{20, 52, 83}));

  // A segment shorter than sign A's size gets none; one as long as the
  // size but shorter than the spacing gets one.
  Signs big;
  big.spacingA = 30;
  big.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA, 10)};
  Poly shorter({{{20, 70}, {27, 70}}}), shortish({{{20, 90}, {39, 90}}});
  Paint(PRIM_DECORATED, shorter, big.Full());
  Paint(PRIM_DECORATED, shortish, big.Full());
  EXPECT_EQ(Row(70, kA), Xs{});
  EXPECT_EQ(Row(90, kA), Xs{10});
}

TEST_F(LineSigns, GapsAndTheSignsOfEachSegment) {
  Signs s;
  s.spacingA = 30, s.startGap = 5, s.endGap = 5;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  s.slot[SEGMENT_START] = {PRIM_BITMAP32, Dot(kS)};
  s.slot[SEGMENT_END] = {PRIM_BITMAP32, Dot(kE)};
  Poly two({{{10, 20}, {109, 20}, {109, 60}}});
  Paint(PRIM_DECORATED, two, s.Full());
  EXPECT_EQ(Row(20, kS), (Xs{10, 109}));      // each segment's start
  EXPECT_EQ(Row(20, kA), (Xs{15, 45, 75}));  // 90 pixels between the gaps
  EXPECT_EQ(Row(20, kE), Xs{});               // under the next segment's start sign
  EXPECT_EQ(Row(60, kE), Xs{109});
  EXPECT_EQ(Count(kA), 3 + 1);                // the second segment: 41 - 10 pixels, one sign

  // Without gaps and segment-start signs the first segment starts at the
  // start offset when the line has a start sign.
  Signs o;
  o.spacingA = 40, o.startOffset = 10;
  o.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  o.slot[LINE_START] = {PRIM_BITMAP32, Dot(kS)};
  Clear(dibtest::kWhite);
  Poly line({{{10, 80}, {99, 80}, {150, 80}}});
  Paint(PRIM_DECORATED, line, o.Full());
  EXPECT_EQ(Row(80, kS), Xs{10});
  EXPECT_EQ(Row(80, kA), (Xs{20, 60, 99}));  // the second segment from its start
}

TEST_F(LineSigns, LineEndsOnTheFirstAndLastPartAndSmallScales) {
  Signs s;
  s.spacingA = 10;
  s.slot[BASE] = {PRIM_LINE, Words({kBase, 0})};
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  s.slot[LINE_START] = {PRIM_BITMAP32, Dot(kS)};
  s.slot[LINE_END] = {PRIM_BITMAP32, Dot(kE)};
  Poly three({{{10, 20}, {60, 20}}, {{10, 50}, {60, 50}}, {{10, 80}, {60, 80}, {90, 100}}});
  Paint(PRIM_DECORATED, three, s.Full(), 0.05f);
  EXPECT_EQ(Count(kS), 1);
  EXPECT_EQ(Row(20, kS), Xs{10});
  EXPECT_EQ(Count(kE), 1);
  EXPECT_EQ(Pixel(90, 100), SwapRedBlue(kE));
  EXPECT_EQ(Count(kA), 0);
  EXPECT_GT(Count(kBase), 150);
  Paint(PRIM_DECORATED, three, s.Full(), 1.0f);
  EXPECT_GT(Count(kA), 15);
  // A negative part count ends the painting.
  Clear(dibtest::kWhite);
  three.counts[1] = -1;
  Paint(PRIM_DECORATED, three, s.Full());
  EXPECT_EQ(Count(kE), 0);
  EXPECT_EQ(Count(kA), 0);
}

// --- Along the line ---

TEST_F(LineSigns, AlongTheLineTheSpacingCarriesOver) {
  Signs s;
  s.mode = LINESIGNS_MODE_LINE;
  s.spacingA = 20;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  Poly bend({{{0, 50}, {25, 50}, {25, 90}}});
  Paint(PRIM_DECORATED, bend, s.Full());
  EXPECT_EQ(Row(50, kA), (Xs{0, 20}));
  EXPECT_EQ(Pixel(25, 65), SwapRedBlue(kA));
  EXPECT_EQ(Pixel(25, 85), SwapRedBlue(kA));
  EXPECT_EQ(Count(kA), 4);
  // A and B alternate, each followed by its own spacing.
  s.spacingA = 10, s.spacingB = 5;
  s.slot[SIGN_B] = {PRIM_BITMAP32, Dot(kB)};
  Poly straight({{{0, 10}, {60, 10}}});
  Paint(PRIM_DECORATED, straight, s.Full());
  EXPECT_EQ(Row(10, kA), (Xs{0, 15, 30, 45, 60}));
  EXPECT_EQ(Row(10, kB), (Xs{10, 25, 40, 55}));
}

TEST_F(LineSigns, TheModeIsDecidedByTheSigns) {
  // Code 146: spacing A is the spacing plus the size of sign A. A small sign
  // goes along the line, a large one (1 mm and up) segment by segment.
  Signs s;
  s.spacingA = 20;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  Poly two({{{20, 30}, {45, 30}, {70, 30}}});
  Paint(PRIM_DECORATED_SHORT, two, s.Short());
  EXPECT_EQ(Row(30, kA), (Xs{20, 40, 60}));
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA, 4)};
  Poly again({{{20, 60}, {45, 60}, {70, 60}}});
  Paint(PRIM_DECORATED_SHORT, again, s.Short());
  EXPECT_EQ(Row(60, kA), (Xs{16, 41}));  // one sign at each segment's start

  // Code 157 with mode 0xFF likewise, the record left as it was.
  s.mode = LINESIGNS_MODE_DECIDE;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  const std::vector<char> full = s.Full();
  std::vector<char> record = full;
  Poly third({{{20, 90}, {45, 90}, {70, 90}}});
  Paint(PRIM_DECORATED, third, record);
  Paint(PRIM_DECORATED, third, record);
  EXPECT_EQ(record, full);
  EXPECT_EQ(Row(90, kA), (Xs{20, 40, 60}));

  // A short record ending before the sixth element paints nothing.
  std::vector<char> cut = s.Short();
  cut.resize(8 + 5 * 4);
  std::memcpy(cut.data(), Words({DWORD(cut.size())}).data(), 4);
  Clear(dibtest::kWhite);
  Paint(PRIM_DECORATED_SHORT, two, cut);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

TEST_F(LineSigns, NestedElementsAreReadWithinTheRecord) {
  // The record's own length covers two empty slots; what lies after it (a
  // line-end sign here) is not part of it.
  Signs s;
  s.slot[LINE_END] = {PRIM_LINE, Words({kE, 0})};
  std::vector<char> record = s.Full();
  const DWORD own = LINESIGNS_HEAD + 8;
  std::memcpy(record.data(), &own, 4);
  Poly line({{{10, 50}, {100, 50}}});
  Paint(PRIM_DECORATED, line, record);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
  // Through a drawing description the element must hold its record.
  s.slot[BASE] = {PRIM_LINE, Words({kBase, 0})};
  std::vector<char> whole = s.Full();
  const std::vector<char> draw = dibtest::Draw({{PRIM_DECORATED, whole}});
  PaintImageDraw(nullptr, line.get(), reinterpret_cast<const IMGDRAW*>(draw.data()),
                 LONG(draw.size()), DibPainterTable[DIB_FULLCOLOUR].data(), 1.0f);
  EXPECT_EQ(Row(50, kBase).size(), 90u);  // the line-end sign's line paints over the end
  const DWORD more = DWORD(whole.size()) + 4;
  std::memcpy(whole.data(), &more, 4);
  Clear(dibtest::kWhite);
  const std::vector<char> lying = dibtest::Draw({{PRIM_DECORATED, whole}});
  PaintImageDraw(nullptr, line.get(), reinterpret_cast<const IMGDRAW*>(lying.data()),
                 LONG(lying.size()), DibPainterTable[DIB_FULLCOLOUR].data(), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

// A record that says it is shorter than its header, and is, paints
// nothing in the memory image or on a device, and nothing of the header is
// read past it.
TEST_F(LineSigns, RecordsShorterThanTheirHeaderAreNotRead) {
  devtest::Canvas canvas(120, 100);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc, 25400.0 / 250, 25400.0 / 250);
  doc.SetPaintSize(120, 100);
  Signs s;
  s.slot[BASE] = {PRIM_LINE, Words({kBase, 2 * kPixel})};
  Poly line({{{10, 50}, {100, 50}}});
  for (const auto& [code, intact] :
       {std::pair{PRIM_DECORATED, s.Full()}, std::pair{PRIM_DECORATED_SHORT, s.Short()}}) {
    const DWORD head = code == PRIM_DECORATED ? LINESIGNS_HEAD : LINESIGNS_SHORT_HEAD;
    for (DWORD length = 4; length < head; length += 3) {
      std::vector<char> record(intact.begin(), intact.begin() + length);
      std::memcpy(record.data(), &length, 4);
      Clear(dibtest::kWhite);
      Paint(code, line, record);
      EXPECT_EQ(CountOther(dibtest::kWhite), 0) << code << " " << length;
      DevicePainterTable[0][code](&doc, line.get(), record.data(), 1.0f);
      EXPECT_EQ(canvas.Count(0xFFFFFF, 120, 100), 120 * 100) << code << " " << length;
    }
  }
}

TEST_F(LineSigns, LinesFarBeyondThePicturePaintWhatShows) {
  // Four thousand million pixels of line, a sign on every pixel: only the
  // signs near the picture are placed.
  Signs s;
  s.spacingA = 1;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  Poly far({{{-2000000000, 10}, {2000000000, 10}}});
  Paint(PRIM_DECORATED, far, s.Full());
  EXPECT_EQ(Row(10, kA).size(), 160u);
  s.mode = LINESIGNS_MODE_LINE;
  Poly farAlong({{{-2000000000, 30}, {2000000000, 30}}, {{-2000000000, 60}, {-1000, 60}, {2000000000, 60}}});
  Paint(PRIM_DECORATED, farAlong, s.Full());
  EXPECT_EQ(Row(30, kA).size(), 160u);
  EXPECT_EQ(Row(60, kA).size(), 160u);
  // Steep and diagonal lines likewise.
  Poly steep({{{20, -2000000000}, {20, 2000000000}}, {{-1999999900, -2000000000}, {2000000100, 2000000000}}});
  s.mode = LINESIGNS_MODE_SEGMENT;
  Paint(PRIM_DECORATED, steep, s.Full());
  EXPECT_EQ(Pixel(20, 60), SwapRedBlue(kA));
  EXPECT_EQ(Pixel(100, 0), SwapRedBlue(kA));
  EXPECT_EQ(Pixel(159, 59), SwapRedBlue(kA));
}

TEST_F(LineSigns, SignsWithin15mmOfThePictureAndPartsOfSanePointCounts) {
  // 15 mm are 60 pixels: a sign anchored 20 pixels below the picture is
  // painted (its pixel 70 above it), one anchored 60 below is not.
  Signs s;
  s.spacingA = 40;
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA, 0, 70)};
  Poly down({{{30, 60}, {30, 259}}});
  Paint(PRIM_DECORATED, down, s.Full());
  Xs column;
  for (int y = 0; y < 120; ++y)
    if (Pixel(30, y) == SwapRedBlue(kA)) column.push_back(y);
  EXPECT_EQ(column, (Xs{30, 70}));  // signs at 100 and 140; 180 is too far

  // A part of more than 262,144 points ends the painting after the ends.
  Clear(dibtest::kWhite);
  s.slot[SIGN_A] = {PRIM_BITMAP32, Dot(kA)};
  s.slot[LINE_START] = {PRIM_BITMAP32, Dot(kS)};
  Poly huge({{{0, 10}, {100, 10}}, {{0, 30}, {100, 30}}});
  huge.points.insert(huge.points.begin() + 2, LINESIGNS_PART_MAX - 1, POINT{100, 10});
  huge.counts[0] = LINESIGNS_PART_MAX + 1;
  huge.Refresh();
  Paint(PRIM_DECORATED, huge, s.Full());
  EXPECT_EQ(Count(kS), 1);
  EXPECT_EQ(Count(kA), 0);
  huge.counts[0] = LINESIGNS_PART_MAX;
  huge.points.erase(huge.points.begin() + 2);
  huge.Refresh();
  Paint(PRIM_DECORATED, huge, s.Full());
  EXPECT_EQ(Row(30, kA), (Xs{0, 50}));
}

// --- Pictures ---

// A round sign (code 140): radius r pixels, filled or ringed.
std::vector<char> Round(DWORD colour, LONG r, LONG ring = 0) {
  return Words({colour, DWORD(ring * kPixel), DWORD(r * kPixel)});
}

// A 7 x 7 diamond (code 137) centred on its anchor.
std::vector<char> Diamond(DWORD colour) {
  std::vector<DWORD> w = {colour, 0, 3 * kPixel, 3 * kPixel};
  for (int r = 0; r < 32; ++r) {
    DWORD row = 0;
    for (int c = 0; c < 7 && r < 7; ++c)
      if (std::abs(c - 3) <= 3 - std::abs(r - 3)) row |= 0x80u >> c;
    w.push_back(row);
  }
  std::vector<char> bytes(w.size() * 4);
  std::memcpy(bytes.data(), w.data(), bytes.size());
  return bytes;
}

TEST_F(LineSigns, Picture) {
  Open(320, 200);
  // A road with posts: a grey band, green discs and red diamonds between
  // the gaps of each segment, dark red rings at each segment's start and end.
  Signs road;
  road.startGap = 8, road.endGap = 8, road.spacingA = 18, road.spacingB = 18;
  road.slot[BASE] = {PRIM_LINE, Words({0x606060, 6 * kPixel})};
  road.slot[SEGMENT_START] = {PRIM_CIRCLE, Round(0x0000C0, 4, 1)};
  road.slot[SEGMENT_END] = {PRIM_CIRCLE, Round(0x0000C0, 4, 1)};
  road.slot[SIGN_A] = {PRIM_CIRCLE, Round(0x00A000, 3)};
  road.slot[SIGN_B] = {PRIM_BITMAP32, Diamond(0x0000FF)};
  Poly one({{{15, 40}, {120, 20}, {200, 70}, {300, 30}}});
  Paint(PRIM_DECORATED, one, road.Full());
  // A track along the line: small blue and orange signs alternating,
  // carried round the corners; black flags at its start and end.
  Signs track;
  track.mode = LINESIGNS_MODE_LINE;
  track.spacingA = 12, track.spacingB = 12;
  track.slot[BASE] = {PRIM_LINE, Words({0x000000, 0})};
  track.slot[LINE_START] = {PRIM_CIRCLE, Round(0x000000, 5)};
  track.slot[LINE_END] = {PRIM_CIRCLE, Round(0x000000, 5, 2)};
  track.slot[SIGN_A] = {PRIM_CIRCLE, Round(0xC04000, 2)};
  track.slot[SIGN_B] = {PRIM_CIRCLE, Round(0x0080FF, 2)};
  Poly two({{{20, 120}, {90, 180}, {160, 110}, {230, 170}, {300, 120}}});
  Paint(PRIM_DECORATED, two, track.Full());
  // Code 146: a dashed-looking line of dots spaced by its short header.
  Signs dots;
  dots.spacingA = 6;
  dots.slot[SIGN_A] = {PRIM_CIRCLE, Round(0x800080, 1)};
  Poly three({{{10, 195}, {310, 195}}});
  Paint(PRIM_DECORATED_SHORT, three, dots.Short());

  EXPECT_GT(Count(0x0000C0), 4 * 16);  // rings at four places
  EXPECT_GT(Count(0x0000FF), 6 * 16);  // six diamonds
  EXPECT_EQ(Pixel(20, 116), 0u);       // the track's start flag
  EXPECT_NE(Count(0xC04000), 0);
  EXPECT_NE(Count(0x0080FF), 0);
  EXPECT_EQ(Row(195, 0x800080).size() > 100, true);
  const std::string path = std::string(MC_TEST_TMP) + "/linesigns_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
}

TEST(LineSignsDevice, PictureOfVectorSignsOnADevice) {
  devtest::Canvas canvas(320, 120);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc, 25400.0 / 250, 25400.0 / 250);  // 250 micrometres to the pixel
  doc.SetPaintSize(320, 120);
  const COLORREF any = 0;
  doc.SetPaintPalette(1, &any, 100);
  // An arrow: a shaft and a filled head, pointing along the line.
  IMGVECTOREX head{};
  head.Base = 1000;
  head.ScaleX[1] = head.ScaleX[2] = head.ScaleY[1] = head.ScaleY[2] = 1000;
  std::vector<char> arrow(sizeof(head));
  auto subject = [&](BYTE kind, BYTE code, std::vector<DWORD> parm, std::vector<POINT> points) {
    const IMGVECTSUBJECT s{kind, code, WORD(parm.size() * 4)};
    arrow.insert(arrow.end(), reinterpret_cast<const char*>(&s), reinterpret_cast<const char*>(&s) + 4);
    arrow.insert(arrow.end(), reinterpret_cast<const char*>(parm.data()),
                 reinterpret_cast<const char*>(parm.data()) + parm.size() * 4);
    const DWORD n = DWORD(points.size());
    arrow.insert(arrow.end(), reinterpret_cast<const char*>(&n), reinterpret_cast<const char*>(&n) + 4);
    arrow.insert(arrow.end(), reinterpret_cast<const char*>(points.data()),
                 reinterpret_cast<const char*>(points.data()) + points.size() * 8);
    ++head.Count;
  };
  subject(0, PRIM_LINE, {0x800000, 500}, {{0, 0}, {3000, 0}});
  subject(0, PRIM_SQUARE, {0x0000C0}, {{3000, -1500}, {5500, 0}, {3000, 1500}, {3000, -1500}});
  head.Length = DWORD(arrow.size());
  std::memcpy(arrow.data(), &head, sizeof(head));

  Signs s;
  s.startGap = 4, s.spacingA = 36;
  s.slot[BASE] = {PRIM_LINE, Words({0x00A0A0, 2 * kPixel})};
  s.slot[SIGN_A] = {PRIM_VECTOR, arrow};
  Poly road({{{10, 30}, {150, 80}, {310, 20}}});
  DevicePainterTable[0][PRIM_DECORATED](&doc, road.get(), s.Full().data(), 1.0f);
  // Code 146 along the line: discs every 20 pixels.
  Signs dots;
  dots.spacingA = 20;
  dots.slot[SIGN_A] = {PRIM_CIRCLE, Round(0x008000, 3)};
  Poly line({{{10, 110}, {310, 100}}});
  DevicePainterTable[0][PRIM_DECORATED_SHORT](&doc, line.get(), dots.Short().data(), 1.0f);

  const std::string path = std::string(MC_TEST_TMP) + "/linesigns_device_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(canvas.dc, path.c_str()));
  EXPECT_GT(canvas.Count(0x0000C0, 320, 120), 100);  // arrow heads
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 10, 110), 0x008000u);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 30, 109), 0x008000u);
}

}  // namespace
