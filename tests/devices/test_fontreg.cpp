// The font registry and the text metrics derived from it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "devices/fontreg.h"
#include "geodesy/points.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_test.h"

namespace {

std::vector<int> Frame(const int* f) { return std::vector<int>(f, f + 4); }
std::vector<int> Frame(int a, int b, int c, int d) { return {a, b, c, d}; }

class Fonts : public ::testing::Test {
 protected:
  void SetUp() override { InitMapFontTable(); }
  void TearDown() override {
    plat::gdi::SetDisplay(1920, 1080, 96, true);
    SetMapFontInkProvider(nullptr);
    for (int i = 0; i < MAPFONT_SLOTS; ++i)
      while (MapFontSlotOf(i)->RefCount > 0) ReleaseMapFont(i);
  }
  // A registered slot with the default metrics (no display to measure on)
  // and controlled widths: 'a' 32, blank 16, everything else 0.
  int DefaultSlot(const char* name = "Test Face") {
    plat::gdi::SetDisplay(1920, 1080, 96, false);
    const int number = RegisterMapFont(name, 204, 0);
    plat::gdi::SetDisplay(1920, 1080, 96, true);
    EXPECT_GT(number, 0);
    MapFontSlot* s = MapFontSlotOf(number - 1);
    std::memset(s->Widths, 0, sizeof(s->Widths));
    s->Widths['a'] = 32;
    s->Widths[' '] = 16;
    return number - 1;
  }
  // A text parameter record.
  static void Record(char* r, int height, int font, int kind, int horizontal, int codePage,
                     int flags) {
    std::memset(r, 0, TEXTPARM_MINSIZE);
    std::memcpy(r + TEXTPARM_HEIGHT, &height, 4);
    const WORD f = static_cast<WORD>(font);
    std::memcpy(r + TEXTPARM_FONT, &f, 2);
    r[TEXTPARM_WIDTHKIND] = static_cast<char>(kind);
    r[TEXTPARM_HORIZONTAL] = static_cast<char>(horizontal);
    r[TEXTPARM_CODEPAGE] = static_cast<char>(codePage);
    r[TEXTPARM_FLAGS] = static_cast<char>(flags);
  }
};

TEST_F(Fonts, OneFaceTwiceIsOneSlotWithTwoReferences) {
  const int n = RegisterMapFont("Times New Roman", 204, 5);
  ASSERT_GT(n, 0);
  EXPECT_EQ(RegisterMapFont("TIMES NEW ROMAN", 204, 0), n);
  EXPECT_EQ(MapFontSlotOf(n - 1)->RefCount, 2);
  EXPECT_EQ(MapFontSlotOf(n - 1)->Flags, 5);
  EXPECT_EQ(FindMapFont("times new roman", 204), n);
  EXPECT_EQ(FindMapFont("Times New Roman", 0), 0);

  // Another charset is another slot.
  const int other = RegisterMapFont("Times New Roman", 0, 0);
  EXPECT_NE(other, n);
  EXPECT_GT(other, 0);
  ReleaseMapFont(other - 1);

  EXPECT_EQ(ReleaseMapFont(n - 1), n - 1);
  EXPECT_STREQ(GetMapFontName(n - 1), "Times New Roman");
  ReleaseMapFont(n - 1);
  EXPECT_STREQ(GetMapFontName(n - 1), "");
  EXPECT_EQ(FindMapFont("Times New Roman", 204), 0);

  EXPECT_EQ(RegisterMapFont(nullptr, 0, 0), 0);
  for (int bad : {64, -1}) EXPECT_EQ(ReleaseMapFont(bad), 0);
  // A long face name is cut to 31 characters, and is still one slot when
  // registered again.
  const std::string face(40, 'F');
  const int longName = RegisterMapFont(face.c_str(), 0, 0);
  EXPECT_EQ(std::strlen(GetMapFontName(longName - 1)), 31u);
  EXPECT_EQ(RegisterMapFont(face.c_str(), 0, 0), longName);
  EXPECT_EQ(FindMapFont(face.c_str(), 0), longName);
  EXPECT_NE(RegisterMapFont(face.substr(0, 30).c_str(), 0, 0), longName);
}

TEST_F(Fonts, SixtyFifthFaceGivesZeroAndIndexSearchStopsAt48) {
  plat::gdi::SetDisplay(1920, 1080, 96, false);  // no measuring: quicker
  for (int i = 0; i < 64; ++i) {
    const std::string name = "Face" + std::to_string(i);
    ASSERT_EQ(RegisterMapFont(name.c_str(), 0, 0), i + 1);
  }
  EXPECT_EQ(RegisterMapFont("Face64", 0, 0), 0);
  EXPECT_EQ(RegisterMapFont("Face3", 0, 0), 4);  // a known face still counts

  EXPECT_EQ(FindMapFontIndex("face10"), 10);
  EXPECT_EQ(FindMapFontIndex("FACE47"), 47);
  EXPECT_EQ(FindMapFontIndex("Face48"), -1);
  for (const char* none : {"Face63", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(FindMapFontIndex(none), -1);

  // Bad indexes read slot 0.
  EXPECT_STREQ(GetMapFontName(99), "Face0");
  EXPECT_STREQ(GetMapFontName(-1), "Face0");
  EXPECT_STREQ(GetMapFontName(1), "Face1");
}

// A font that can't be measured keeps the default metric bytes (42, 128,
// 70, 12, 58), from which every size follows.
TEST_F(Fonts, MetricArithmetic) {
  const int i = DefaultSlot();
  EXPECT_EQ(GetMapFontCharSet(i), 204);
  EXPECT_EQ(GetMapFontAscent(i, 64), 77);
  EXPECT_EQ(GetMapFontAscent(i, 0), 0);
  EXPECT_EQ(GetMapFontDescent(i, 64), 13);
  EXPECT_EQ(GetMapFontLineHeight(i, 64), 64);
  EXPECT_EQ(GetMapFontAscent(i, 10), 12);  // 12.03 + 0.5, fraction dropped
  EXPECT_DOUBLE_EQ(GetMapFontCharHeight(i, 32), 21.0);
  EXPECT_DOUBLE_EQ(GetMapFontCharHeight(i, 0), 0.0);
  EXPECT_EQ(GetMapFontHeightByCharHeight(i, 42), 64);
  EXPECT_EQ(GetMapFontHeightByCharHeight(i, 0), 0);
  EXPECT_EQ(GetMapFontCharWidth(i, 0, 64), 128);

  MapFontSlotOf(i)->AveWidth = 30;
  const int widths[][3] = {{1, 64, 25}, {2, 64, 36}, {0, 0, 0}};  // kind, height, width
  for (const auto& w : widths) EXPECT_EQ(GetMapFontCharWidth(i, w[0], w[1]), w[2]) << w[0];
  MapFontSlotOf(i)->AveWidth = 0;
  EXPECT_EQ(GetMapFontCharWidth(i, 0, 64), 0);
  MapFontSlotOf(i)->CharHeight = 0;
  EXPECT_EQ(GetMapFontHeightByCharHeight(i, 10), 64);
}

TEST_F(Fonts, TextWidthsAndHeightsFromStoredWidths) {
  const int i = DefaultSlot();
  const char text[] = "aa\r\naaa";
  // kind, height, length, width (the length counts)
  const int lines[][4] = {
      {0, 64, 7, 96}, {1, 64, 7, 80}, {2, 64, 7, 115}, {0, 64, 2, 64}, {0, 0, 7, 0}};
  for (const auto& l : lines)
    EXPECT_EQ(GetMapTextMaxLineWidth(i, l[0], l[1], l[2], text), l[3]) << l[0] << " " << l[1];
  EXPECT_EQ(GetMapTextMaxLineWidth(i, 0, 64, 7, nullptr), 0);

  const int byWidth[][3] = {{0, 96, 64}, {1, 96, 76}, {2, 96, 53}, {0, 0, 0}};  // kind, width
  for (const auto& b : byWidth)
    EXPECT_EQ(GetMapFontHeightByWidth(i, b[0], b[1], 3, "aaa"), b[2]) << b[0];
  EXPECT_EQ(GetMapFontHeightByWidth(i, 0, 96, 3, "bbb"), 0);

  float out[6];
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 0, 160, 3, "aaa", 6, out), 80);
  const float expected[6] = {0, 40, 20, 40, 20, 40};
  for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(out[k], expected[k]) << k;
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 0, 160, 3, "aaa", 5, out), 0);
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 0, 160, 3, "", 6, out), 0);
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 0, 0, 3, "aaa", 6, out), 0);
  // A count so large that twice it wraps is still checked against the size:
  // nothing is written past the two entries given.
  float guarded[4] = {-1, -1, -1, -1};
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 0, 160, 0x40000001, "aaaa", 2, guarded), 0);
  EXPECT_EQ(guarded[2], -1.0f);
}

TEST_F(Fonts, RecordTextWidth) {
  const int i = DefaultSlot();
  char r[TEXTPARM_MINSIZE];
  Record(r, 42, i, 0, 1, 0, 0);
  int size[2] = {0, 0};
  EXPECT_EQ(GetMapTextWidth(size, r, "aaa", 3), 13);               // the descent at height 64
  EXPECT_EQ(Frame(size[0], size[1], 0, 0), Frame(100, 77, 0, 0));  // 96 x 1.05; the ascent

  // A DOS text is converted before measuring: 0x80 is the letter 0xC0.
  MapFontSlotOf(i)->Widths[0xC0] = 64;
  Record(r, 42, i, 0, 1, 255, 0);
  EXPECT_EQ(GetMapTextWidth(size, r, "\x80", 1), 13);
  EXPECT_EQ(size[0], 67);
  EXPECT_EQ(GetMapTextWidth(nullptr, r, "a", 1), 0);
  EXPECT_EQ(GetMapTextWidth(size, r, "a", 0), 0);
  Record(r, 0, i, 0, 1, 0, 0);
  EXPECT_EQ(GetMapTextWidth(size, r, "a", 1), 0);
}

// A height no text can have (a damaged record) gives sizes that stop at
// the bounds of an int.
TEST_F(Fonts, HugeHeightsSaturateTheSizes) {
  const int i = DefaultSlot();
  EXPECT_EQ(GetMapFontHeightByCharHeight(i, INT32_MAX), INT32_MAX);
  EXPECT_EQ(GetMapFontHeightByCharHeight(i, INT32_MIN), INT32_MIN);
  EXPECT_EQ(GetMapFontAscent(i, INT32_MAX), INT32_MAX);
  EXPECT_EQ(GetMapFontAscent(i, INT32_MIN), INT32_MIN);
  EXPECT_EQ(GetMapFontCharWidth(i, 2, INT32_MAX), INT32_MAX);
  EXPECT_EQ(GetMapTextMaxLineWidth(i, 2, INT32_MAX, 3, "aaa"), INT32_MAX);
  EXPECT_EQ(GetMapFontHeightByWidth(i, 1, INT32_MAX, 1, " "), INT32_MAX);
  float out[4];
  EXPECT_EQ(GetMapFontHeightBySpacing(i, 1, INT32_MAX, 1, " ", 4, out), INT32_MAX);

  char r[TEXTPARM_MINSIZE];
  Record(r, INT32_MAX, i, 2, 1, 0, 0);
  int size[2] = {0, 0};
  EXPECT_EQ(GetMapTextWidth(size, r, "aaa", 3), 442918502);  // the descent: 2^31 x 12 x 1.1 / 64
  EXPECT_EQ(Frame(size[0], size[1], 0, 0), Frame(INT32_MAX, INT32_MAX, 0, 0));

  // The frame of such a title, and of a text fitted to a segment longer
  // than an int, lie within the frame's integers.
  const DOUBLEPOINT p0{0, 0};
  char one[] = {3, 'a', 'a', 'a', 0};
  int frame[4];
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, one + 1), 1);
  EXPECT_LE(frame[0], frame[2]);
  EXPECT_LE(frame[1], frame[3]);
  Record(r, 64, i, 0, 0, 0, 1);
  const DOUBLEPOINT low{-2.1e9, -2.1e9}, high{2.1e9, 2.1e9};
  ASSERT_EQ(CalcMapTextFrame(frame, &low, &high, r, one + 1), 1);
  EXPECT_LE(frame[0], frame[2]);
}

TEST_F(Fonts, AlignmentToPlacementCode) {
  const int cases[][2] = {{TA_CENTER | TA_BOTTOM, 31},
                          {0, 26},
                          {TA_RIGHT, 27},
                          {TA_CENTER, 28},
                          {TA_BOTTOM, 29},
                          {0x10, 29},
                          {TA_BASELINE, 20},
                          {TA_RIGHT | TA_BASELINE, 21},
                          {0x1000, 20},
                          {0x1000 | TA_BOTTOM | TA_CENTER, 22},
                          {4120, 23},
                          {4120 | TA_CENTER, 25},
                          {TA_UPDATECP | TA_RTLREADING | TA_RIGHT, 27}};
  for (const auto& c : cases) EXPECT_EQ(TextAlignToPlaceCode(c[0]), c[1]) << c[0];
  // Every code goes to its alignment and back.
  for (int code = 20; code <= 31; ++code) {
    UINT h = 0, v = 0;
    ASSERT_TRUE(PlaceCodeToTextAlign(code, &h, &v));
    EXPECT_EQ(TextAlignToPlaceCode(static_cast<int>(h | v)), code);
  }
  UINT h = 1, v = 1;
  EXPECT_FALSE(PlaceCodeToTextAlign(19, &h, &v));
  EXPECT_EQ(h, static_cast<UINT>(TA_LEFT));
  EXPECT_EQ(v, static_cast<UINT>(TA_BASELINE));
}

TEST_F(Fonts, TitleFrames) {
  const int i = DefaultSlot();
  char r[TEXTPARM_MINSIZE];
  Record(r, 64, i, 0, 1, 0, 0);  // fixed direction: pi/2
  const DOUBLEPOINT p0{0, 0};
  int frame[4];

  // Left, baseline: the ascent above the line, the descent below and at
  // both ends.
  char one[] = {3, 'a', 'a', 'a', 0};
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, one + 1), 1);
  EXPECT_EQ(Frame(frame), Frame(-13, -13, 77, 113));

  // A second line makes the frame one line height deeper.
  char two[] = {8, 'a', 'a', 'a', '\r', '\n', 'a', 'a', 'a', 0};
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, two + 1), 1);
  EXPECT_EQ(Frame(frame), Frame(-13 - 64, -13, 77, 113));

  // Placement code 28 (centre, top) after the text: the frame hangs below
  // the anchor and covers the whole width on both sides.
  char centred[] = {5, 'a', 'a', 'a', 0, 28};
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, centred + 1), 1);
  EXPECT_EQ(Frame(frame), Frame(-90, -63, 0, 63));
  // The byte after the zero is no code when the entry is not longer.
  char plain[] = {3, 'a', 'a', 'a', 0, 28};
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, plain + 1), 1);
  EXPECT_EQ(frame[0], -13);

  // Fitted to its two points along their direction.
  Record(r, 64, i, 0, 0, 0, 1);
  const DOUBLEPOINT p2{0, 192};
  ASSERT_EQ(CalcMapTextFrame(frame, &p0, &p2, r, one + 1), 1);
  EXPECT_EQ(Frame(frame), Frame(-26, -26, 154, 227));
  EXPECT_EQ(CalcMapTextFrame(frame, &p0, &p0, r, one + 1), 0);  // nothing to fit to

  // Points of a damaged metric: not numbers, or too far out for a frame;
  // points far out but within the frame's integers still get one.
  const DOUBLEPOINT east{0, 2.1e9}, west{0, -2.1e9};
  EXPECT_EQ(CalcMapTextFrame(frame, &p0, &east, r, one + 1), 1);
  EXPECT_EQ(CalcMapTextFrame(frame, &west, &east, r, one + 1), 1);
  for (const DOUBLEPOINT far : {DOUBLEPOINT{-1e19, 0}, DOUBLEPOINT{0, 1e300},
                                DOUBLEPOINT{std::nan(""), 0}, DOUBLEPOINT{0, -INFINITY}}) {
    EXPECT_EQ(CalcMapTextFrame(frame, &far, &p0, r, one + 1), 0);
    EXPECT_EQ(CalcMapTextFrame(frame, &p0, &far, r, one + 1), 0);
  }

  EXPECT_EQ(CalcMapTextFrame(nullptr, &p0, &p0, r, one + 1) +
                CalcMapTextFrame(frame, nullptr, &p0, r, one + 1) +
                CalcMapTextFrame(frame, &p0, &p0, nullptr, one + 1),
            0);
}

TEST_F(Fonts, RealFontIsMeasuredOnce) {
  const int n = RegisterMapFont("Arial", 204, 0);
  ASSERT_GT(n, 0);
  const MapFontSlot* s = MapFontSlotOf(n - 1);
  EXPECT_GT(s->Widths['W'], s->Widths['i']);
  EXPECT_GT(s->Widths['0'], 0);
  EXPECT_GT(s->Widths[0xC0], 0);  // a Cyrillic letter of the charset
  EXPECT_GE(s->Ascent + s->Descent, 60);
  EXPECT_LE(s->Ascent + s->Descent, 70);
  EXPECT_LT(s->CharHeight, s->Ascent);
  EXPECT_GT(s->AveWidth, 10);
  EXPECT_LT(s->AveWidth, 64);
}

BYTE* g_bits = nullptr;
HDC g_memory = nullptr;
bool InkContext(MapFontInkContext* c) {
  c->dc = g_memory;
  c->bits = g_bits;
  c->rowBytes = 256 * 4;
  c->height = 96;
  c->topMargin = 8;
  return true;
}

TEST_F(Fonts, CharacterHeightFromTheInkOfTheDigits) {
  const int plain = RegisterMapFont("Arial", 0, 0);
  ASSERT_GT(plain, 0);
  const int fromMetrics = MapFontSlotOf(plain - 1)->CharHeight;

  g_memory = plat::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, 96, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // bottom-up
  void* bits = nullptr;
  HBITMAP bitmap = plat::CreateDIBSection(g_memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  g_bits = static_cast<BYTE*>(bits);
  std::memset(g_bits, 0xFF, 256 * 4 * 96);  // old ink everywhere
  HGDIOBJ old = plat::SelectObject(g_memory, bitmap);
  SetMapFontInkProvider(&InkContext);

  const int inked = RegisterMapFont("Arial", 204, 0);
  ASSERT_GT(inked, 0);
  const int height = MapFontSlotOf(inked - 1)->CharHeight;
  // The digits stand about as high as a capital letter: below the height
  // from the metrics, well above nothing.
  EXPECT_GT(height, 20);
  EXPECT_LE(height, fromMetrics);

  SetMapFontInkProvider(nullptr);
  plat::SelectObject(g_memory, old);
  plat::DeleteObject(bitmap);
  plat::DeleteDC(g_memory);
}

TEST_F(Fonts, DialogFontNamesAreCutTo31Characters) {
  EXPECT_STREQ(DialogStringFont(), "MS Sans Serif");
  EXPECT_STREQ(DialogTableFont(), "Courier New");
  SetDialogStringFontName(std::string(40, 'D').c_str());
  EXPECT_EQ(std::strlen(DialogStringFont()), 31u);
  SetDialogStringFontName(nullptr);
  EXPECT_EQ(std::strlen(DialogStringFont()), 31u);
  SetDialogStringFontName("MS Sans Serif");
}

}  // namespace
