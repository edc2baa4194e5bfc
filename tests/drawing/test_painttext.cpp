// The text engines seen through a host's drawing callbacks (every text,
// line and area the engine gives the device) and, for the glyphs
// themselves, on a device surface compared with the glyphs FreeType gives
// for the Unicode letters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "devices/devdraw.h"
#include "devices/fontreg.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/painttext.h"
#include "platform/gdi/gdi_test.h"
#include "platform/text/font_source.h"

namespace {

// What the host received, in order.
struct Call {
  char Kind;  // 't' text, 'l' line, 'a' area
  int X = 0, Y = 0;
  std::string Text;
  LOGFONTA Font{};
  COLORREF Color = 0;
  std::vector<POINT> Points;
};
std::vector<Call> g_calls;

void WINAPI OnLine(POINT* p, int n) { g_calls.push_back({'l', 0, 0, "", {}, 0, {p, p + n}}); }
void WINAPI OnArea(POINT* p, int* counts, int, RECT*) {
  g_calls.push_back({'a', 0, 0, "", {}, 0, {p, p + counts[0]}});
}
void WINAPI OnText(int x, int y, const char* text, LOGFONTA* font, int, COLORREF c) {
  g_calls.push_back({'t', x, y, text, *font, c, {}});
}

// A set of parts, each with its points and its text.
struct Parts {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  std::vector<char*> texts;
  POLYDATA data{};
  POLYDATA* Make() {
    data.Points = points.data();
    data.PolyCounts = counts.data();
    data.Count = LONG(counts.size());
    data.Text = texts.data();
    return &data;
  }
};

class PaintTextTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitMapFontTable();
    font_ = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
  }
  void SetUp() override {
    dc_ = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 400, 300, 96, 96);
    saved_ = {PaintContext.ImageWidth, PaintContext.ImageHeight};
    PaintContext.ImageWidth = 400;  // the window of the dotted lines
    PaintContext.ImageHeight = 300;
    g_calls.clear();
    table_ = {OnLine, OnArea, OnText, nullptr, nullptr, nullptr};
    SetDrawingCallbacks(&table_);
  }
  void TearDown() override {
    SetDrawingCallbacks(nullptr);
    PaintContext.ImageWidth = saved_.cx;
    PaintContext.ImageHeight = saved_.cy;
    plat::DeleteDC(dc_);
  }
  IMGTEXT Record(LONG height) const {
    IMGTEXT r{};
    r.Color = 0x000080;
    r.BkgndColor = r.ShadowColor = 0xFFFFFFFF;
    r.Height = height;
    r.Align = TA_BASELINE;
    r.FontIndex = WORD(font_);
    return r;
  }
  int Paint(Parts* parts, const IMGTEXT& r, int flags = TEXT_DRAW, float scale = 1.0f,
            const char* face = nullptr) {
    char record[64] = {};
    std::memcpy(record, &r, sizeof r);
    if (face) std::strcpy(record + 32, face);
    return PaintText(dc_, parts->Make(), record, face ? record + 32 : nullptr, flags, scale, 0);
  }
  std::vector<Call> Of(char kind) const {
    std::vector<Call> out;
    for (const Call& c : g_calls)
      if (c.Kind == kind) out.push_back(c);
    return out;
  }
  int LineHeight(int h) const { return GetMapFontLineHeight(font_, h); }

  static int font_;
  HDC dc_ = nullptr;
  SIZE saved_{};
  DrawingCallbackTable table_{};
};
int PaintTextTest::font_ = 0;

char* Text(std::string& s) { return s.data(); }

TEST_F(PaintTextTest, FittedTextOfOnePointIsFiftyPixelsUnturned) {
  std::string a = "Label";
  Parts p{{{40, 60}}, {1}, {Text(a)}};
  IMGTEXT r = Record(30);
  r.Flag = 1;  // fitted: the height is ignored
  Paint(&p, r);
  const auto t = Of('t');
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].Font.lfHeight, 50);
  EXPECT_EQ(t[0].Font.lfEscapement, 0);
  EXPECT_EQ(t[0].X, 40);
  EXPECT_EQ(t[0].Y, 60);
  EXPECT_EQ(t[0].Text, "Label");
  EXPECT_EQ(t[0].Color, 0x000080u);
}

TEST_F(PaintTextTest, LinesBreakAtCrLfAndFollowTheTurnedNormal) {
  const int h = GetMapFontHeightByCharHeight(font_, 20);
  const int lh = LineHeight(h);
  struct Case {
    const char* text;
    POINT p2;
    std::vector<std::string> lines;
    std::vector<POINT> anchors;  // relative to the first point (100, 100)
  } cases[] = {
      {"one\r\ntwo", {200, 100}, {"one", "two"}, {{0, 0}, {0, lh}}},
      {"one\n\ntwo", {200, 100}, {"one", "two"}, {{0, 0}, {0, lh}}},
      {"one\r\rtwo", {200, 100}, {"one", "two"}, {{0, 0}, {0, 2 * lh}}},
      // Turned by 90 degrees (downwards): the next line lies to the left.
      {"one\r\ntwo", {100, 200}, {"one", "two"}, {{0, 0}, {-lh, 0}}},
  };
  for (const Case& c : cases) {
    g_calls.clear();
    std::string s = c.text;
    Parts p{{{100, 100}, c.p2}, {2}, {Text(s)}};
    Paint(&p, Record(20));
    const auto t = Of('t');
    ASSERT_EQ(t.size(), c.lines.size()) << c.text;
    for (size_t i = 0; i < t.size(); ++i) {
      EXPECT_EQ(t[i].Text, c.lines[i]) << c.text;
      EXPECT_EQ(t[i].X - 100, c.anchors[i].x) << c.text << " line " << i;
      EXPECT_EQ(t[i].Y - 100, c.anchors[i].y) << c.text << " line " << i;
    }
  }
}

TEST_F(PaintTextTest, LineIsCutTo255Characters) {
  std::string s(300, 'x');
  s += "\nrest";
  Parts p{{{10, 50}}, {1}, {Text(s)}};
  Paint(&p, Record(10));
  const auto t = Of('t');
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].Text, std::string(255, 'x'));
  EXPECT_EQ(t[1].Text, "rest");
}

TEST_F(PaintTextTest, BackgroundBoxCoversTheWidestLineAndAllLinesAndIsFilledFirst) {
  std::string s = "a\r\nwwwwwwww\r\nbb";
  Parts p{{{50, 100}, {300, 100}}, {2}, {Text(s)}};
  IMGTEXT r = Record(20);
  r.BkgndColor = 0x00FFFF;
  Paint(&p, r);
  ASSERT_EQ(g_calls.size(), 4u);
  ASSERT_EQ(g_calls[0].Kind, 'a');
  for (int i = 1; i < 4; ++i) EXPECT_EQ(g_calls[i].Kind, 't');
  const std::vector<POINT>& box = g_calls[0].Points;
  ASSERT_EQ(box.size(), 5u);

  // The widest line as the engine's font measures it.
  const LOGFONTA& f = g_calls[2].Font;
  HFONT font = plat::CreateFontIndirectA(&f);
  HGDIOBJ old = plat::SelectObject(dc_, font);
  SIZE wide{};
  plat::GetTextExtentPoint32A(dc_, "wwwwwwww", 8, &wide);
  plat::SelectObject(dc_, old);
  plat::DeleteObject(font);
  const int h = f.lfHeight;
  const int half = GetMapFontDescent(font_, h) / 2;
  EXPECT_EQ(box[0].x, 50 - half);
  EXPECT_EQ(box[1].x, 50 + wide.cx + half);
  EXPECT_EQ(box[0].y, 100 - GetMapFontAscent(font_, h));
  EXPECT_EQ(box[3].y, box[0].y + 3 * LineHeight(h));
  EXPECT_EQ(box[4].x, box[0].x);
  EXPECT_EQ(box[4].y, box[0].y);
}

TEST_F(PaintTextTest, FrameModeOutlinesOneBoxPerTextAndDrawsNoGlyph) {
  std::string a = "first\r\nline", b = "second";
  Parts p{{{20, 50}, {200, 50}, {20, 150}, {200, 150}}, {2, 2}, {Text(a), Text(b)}};
  Paint(&p, Record(20), TEXT_FRAME);
  EXPECT_TRUE(Of('t').empty());
  const auto lines = Of('l');
  ASSERT_EQ(lines.size(), 2u);
  for (const Call& l : lines) {
    ASSERT_EQ(l.Points.size(), 5u);
    EXPECT_EQ(l.Points[0].x, l.Points[4].x);
    EXPECT_EQ(l.Points[0].y, l.Points[4].y);
  }
  EXPECT_LT(lines[0].Points[0].y, 50);
  EXPECT_GT(lines[1].Points[0].y, 100);
}

TEST_F(PaintTextTest, AlignmentShadowAndOwnAlignmentCodes) {
  // Right anchors at the end of the first segment, centre at its middle
  // (the device's own text output; a host is always given left-aligned
  // texts).
  SetDrawingCallbacks(nullptr);
  plat::gdi::EnableCallLog(dc_, true);
  const struct {
    WORD align;
    const char* call;
  } cases[] = {{TA_LEFT | TA_BASELINE, "TextOutA(10,40,4)"},
               {TA_RIGHT | TA_BASELINE, "TextOutA(110,40,4)"},
               {TA_CENTER | TA_BASELINE, "TextOutA(60,40,4)"}};
  for (const auto& c : cases) {
    std::string s = "Text";
    Parts p{{{10, 40}, {110, 40}}, {2}, {Text(s)}};
    IMGTEXT r = Record(20);
    r.Align = c.align;
    Paint(&p, r);
    const auto log = plat::gdi::CallLog(dc_);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.call);
  }
  SetDrawingCallbacks(&table_);

  // The shadow goes right and down by h / 64 + 1 whatever the turn, and
  // is drawn before the glyphs.
  g_calls.clear();
  std::string s = "Shade";
  Parts p{{{100, 100}, {60, 20}}, {2}, {Text(s)}};
  IMGTEXT r = Record(140);
  r.ShadowColor = 0x808080;
  Paint(&p, r);
  const auto t = Of('t');
  ASSERT_EQ(t.size(), 2u);
  const int shift = (GetMapFontHeightByCharHeight(font_, 140) >> 6) + 1;
  EXPECT_EQ(t[0].Color, 0x808080u);
  EXPECT_EQ(t[0].X - t[1].X, shift);
  EXPECT_EQ(t[0].Y - t[1].Y, shift);
  EXPECT_NE(t[1].Font.lfEscapement, 0);

  // A text that carries its own alignment code (26: left, top) when the
  // set says texts have them; the length byte precedes the text.
  g_calls.clear();
  char entry[] = "\x05" "Own\0\x1A";
  Parts own{{{10, 40}, {110, 40}}, {2}, {entry + 1}};
  POLYDATA* d = own.Make();
  d->MetricFlag = 1;
  char record[32];
  IMGTEXT rr = Record(20);
  std::memcpy(record, &rr, 32);
  PaintText(dc_, d, record, nullptr, TEXT_DRAW, 1.0f, 0);
  ASSERT_EQ(Of('t').size(), 1u);
  const int h = GetMapFontHeightByCharHeight(font_, 20);
  EXPECT_EQ(Of('t')[0].X, 10);
  EXPECT_EQ(Of('t')[0].Y, 40 + GetMapFontAscent(font_, h));
}

// The spread factor k = 2 - 1/scale pulls the texts of later parts towards
// the first point as the picture shrinks; at scale 0.5 it would divide by
// zero and below 0.5 mirror the points, so it is taken as 1 there.
TEST_F(PaintTextTest, SpreadFactorIsOneWhereItWouldBeZeroOrNegative) {
  const struct {
    float scale;
    int x;
  } cases[] = {{1.0f, 100}, {2.0f, 70}, {0.5f, 100}, {0.25f, 100}, {0.0f, 100}};
  for (const auto& c : cases) {
    g_calls.clear();
    std::string s = "B";
    Parts p{{{10, 40}, {100, 40}}, {1, 1}, {nullptr, Text(s)}};
    Paint(&p, Record(20), TEXT_DRAW, c.scale);
    ASSERT_EQ(Of('t').size(), 1u) << c.scale;
    EXPECT_EQ(Of('t')[0].X, c.x) << c.scale;  // trunc((100 - 10) / k + 0.5 + 10)
    EXPECT_EQ(Of('t')[0].Y, 40) << c.scale;
  }
}

TEST_F(PaintTextTest, FontHeightsAreClamped) {
  const struct {
    LONG height;
    int flag;
    POINT p2;
    int least, most;
  } cases[] = {
      // A negative height (a size read as unsigned) is the least readable one.
      {-20, 0, {500, 40}, GetMapFontHeightByCharHeight(font_, TEXT_HEIGHT_MIN),
       GetMapFontHeightByCharHeight(font_, TEXT_HEIGHT_MIN)},
      {INT32_MAX, 0, {500, 40}, TEXT_HEIGHT_MAX, TEXT_HEIGHT_MAX},
      // One character fitted along 60000 pixels.
      {0, 1, {60000, 40}, TEXT_HEIGHT_MAX, TEXT_HEIGHT_MAX},
  };
  for (const auto& c : cases) {
    g_calls.clear();
    std::string s = "W";
    Parts p{{{0, 40}, c.p2}, {2}, {Text(s)}};
    IMGTEXT r = Record(c.height);
    r.Flag = BYTE(c.flag);
    Paint(&p, r);
    ASSERT_EQ(Of('t').size(), 1u) << c.height;
    EXPECT_GE(Of('t')[0].Font.lfHeight, c.least) << c.height;
    EXPECT_LE(Of('t')[0].Font.lfHeight, c.most) << c.height;
  }
}

// Byte 30 = 255: the text is in the DOS code page. It is converted to 1251
// once, and the fitted height and the drawn text both use the converted
// text, drawn in the Cyrillic character set.
TEST_F(PaintTextTest, DosTextIsConvertedOnceForMeasureAndDraw) {
  std::string dos = "\x8C\xA8\xE0";        // "Mir" in code page 866
  const char* win = "\xCC\xE8\xF0";        // the same in 1251
  Parts p{{{0, 40}, {90, 40}}, {2}, {Text(dos)}};
  IMGTEXT r = Record(0);
  r.Flag = 1;
  r.CharSet = 255;
  Paint(&p, r, TEXT_DRAW, 1.0f, "Arial");
  const auto t = Of('t');
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].Text, win);
  EXPECT_EQ(t[0].Font.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_EQ(t[0].Font.lfHeight, GetMapFontHeightByWidth(font_, 0, 90, 3, win));
  EXPECT_STREQ(t[0].Font.lfFaceName, "Arial");
}

TEST_F(PaintTextTest, SmallTextIsADottedLineOrNothingAtSmallScales) {
  std::string s = "Too long a text for ten pixels";
  Parts p{{{10, 40}, {20, 40}}, {2}, {Text(s)}};
  IMGTEXT r = Record(0);
  r.Flag = 1;
  Paint(&p, r);
  EXPECT_TRUE(Of('t').empty());
  // Two pixels thick, dash 1 and gap 1 (2): small bands along the segment.
  const auto dots = Of('a');
  ASSERT_GE(dots.size(), 2u);
  for (const Call& d : dots)
    for (const POINT& q : d.Points) EXPECT_TRUE(q.x >= 9 && q.x <= 21 && q.y >= 38 && q.y <= 42);
  g_calls.clear();
  Paint(&p, r, TEXT_DRAW, 0.4f);  // below 0.5 with the scale method 0
  EXPECT_TRUE(g_calls.empty());
  // Coincident first points with no height end the call.
  Parts same{{{10, 40}, {10, 40}}, {2}, {Text(s)}};
  EXPECT_EQ(Paint(&same, r), 0);
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(PaintTextTest, FontSignFramesItsBoxAndDrawsOneCharacter) {
  IMGFONTSIGN sign{};
  IMGTEXT& t = sign.Face.Text;
  t = Record(30);
  std::strcpy(sign.Face.FontName, "Arial");
  sign.Symbol = 'Q';
  sign.BoxTop = 20, sign.BoxLeft = -5, sign.BoxBottom = -4, sign.BoxRight = 15;
  sign.OffsetUp = 2, sign.OffsetRight = 3;
  Parts p{{{100, 100}, {100, 200}}, {2}, {nullptr}};
  char record[92];
  std::memcpy(record, &sign, sizeof sign);
  EXPECT_EQ(PaintFontSign(dc_, p.Make(), record, TEXT_FRAME), 0);
  ASSERT_EQ(Of('l').size(), 1u);
  const std::vector<POINT> box = Of('l')[0].Points;
  ASSERT_EQ(box.size(), 5u);
  EXPECT_EQ(box[0].x, 98);   // 100 + 3 - 5
  EXPECT_EQ(box[0].y, 78);   // 100 - 2 - 20
  EXPECT_EQ(box[2].x, 118);
  EXPECT_EQ(box[2].y, 102);
  g_calls.clear();
  PaintFontSign(dc_, p.Make(), record, TEXT_DRAW);
  ASSERT_EQ(Of('t').size(), 1u);
  // Turned by 90 degrees down the line: the offset turns with it.
  EXPECT_EQ(Of('t')[0].Text, "Q");
  EXPECT_EQ(Of('t')[0].X, 102);
  EXPECT_EQ(Of('t')[0].Y, 103);
  EXPECT_EQ(Of('t')[0].Font.lfHeight, 30);
  EXPECT_EQ(Of('t')[0].Font.lfWidth, 0);
  sign.Symbol = 256;
  std::memcpy(record, &sign, sizeof sign);
  g_calls.clear();
  PaintFontSign(dc_, p.Make(), record, TEXT_DRAW);
  EXPECT_TRUE(g_calls.empty());
}

// The device entries: visual type 9 skips a text without background; a
// device drawing with another raster operation than copy-pen gets frames;
// a raster printer's text context gets the glyphs. The memory image's
// entries run hit tests while the mode is set and clear it.
TEST_F(PaintTextTest, EntriesChooseTheSurfaceAndTheMode) {
  auto doc = std::make_unique<TPaintMetric>();
  doc->PaintDc = dc_;
  std::string s = "Entry";
  Parts p{{{20, 60}, {200, 60}}, {2}, {Text(s)}};
  IMGTEXT r = Record(20);
  char plain[32], boxed[32];
  std::memcpy(plain, &r, 32);
  r.BkgndColor = 0x00FFFF;
  std::memcpy(boxed, &r, 32);
  doc->VisualType = 9;
  PaintTextDevice(doc.get(), p.Make(), plain, 1.0f);
  EXPECT_TRUE(g_calls.empty());
  PaintTextDevice(doc.get(), p.Make(), boxed, 1.0f);
  EXPECT_EQ(Of('a').size(), 1u);
  EXPECT_EQ(Of('t').size(), 1u);
  g_calls.clear();
  doc->VisualType = 4;
  plat::SetROP2(dc_, R2_XORPEN);
  PaintTextDevice(doc.get(), p.Make(), plain, 1.0f);
  EXPECT_TRUE(Of('t').empty());
  EXPECT_EQ(Of('l').size(), 1u);  // the frame
  plat::SetROP2(dc_, R2_COPYPEN);

  SetDrawingCallbacks(nullptr);
  HDC text = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 400, 300, 96, 96);
  plat::gdi::EnableCallLog(text, true);
  plat::gdi::EnableCallLog(dc_, true);
  doc->Technology = DT_RASPRINTER;
  doc->TextDc = text;
  plat::SetROP2(dc_, R2_XORPEN);  // the text context draws glyphs all the same
  PaintTextDevice(doc.get(), p.Make(), plain, 1.0f);
  plat::SetROP2(dc_, R2_COPYPEN);
  EXPECT_EQ(plat::gdi::CallLog(text).size(), 1u);
  EXPECT_TRUE(plat::gdi::CallLog(dc_).empty());
  plat::DeleteDC(text);
  SetDrawingCallbacks(&table_);

  TextHitTestMode = 1;
  TextHitTestResult = 1;
  PaintTextDib(p.Make(), plain, 1.0f, 0);
  EXPECT_EQ(TextHitTestMode, 0);
  EXPECT_EQ(TextHitTestResult, 0);
  EXPECT_TRUE(Of('t').empty());
}

// --- Glyphs ---

// A monochrome glyph, cropped to its ink.
struct Ink {
  int w = 0, h = 0;
  std::vector<bool> bits;
  bool At(int x, int y) const { return bits[size_t(y) * w + x]; }
};

Ink Crop(const std::vector<bool>& bits, int width, int height) {
  int x0 = width, y0 = height, x1 = -1, y1 = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (bits[size_t(y) * width + x]) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  Ink ink;
  if (x1 < 0) return ink;
  ink.w = x1 - x0 + 1, ink.h = y1 - y0 + 1;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) ink.bits.push_back(bits[size_t(y) * width + x]);
  return ink;
}

// FreeType's glyph of a Unicode letter, monochrome at em size `em`.
Ink FreeTypeGlyph(char32_t letter, int em) {
  const plat::text::FaceFile file = plat::text::FindFaceFile("Arial", false, false);
  FT_Face face = nullptr;
  Ink none;
  if (FT_New_Face(plat::text::FreeTypeLibrary(), file.path.c_str(), file.index, &face) != 0)
    return none;
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(em));
  Ink ink;
  if (FT_Load_Char(face, letter, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0 &&
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0) {
    const FT_Bitmap& b = face->glyph->bitmap;
    std::vector<bool> bits(size_t(b.width) * b.rows);
    for (unsigned y = 0; y < b.rows; ++y)
      for (unsigned x = 0; x < b.width; ++x)
        bits[size_t(y) * b.width + x] = (b.buffer[y * b.pitch + x / 8] >> (7 - x % 8)) & 1;
    ink = Crop(bits, int(b.width), int(b.rows));
  }
  FT_Done_Face(face);
  return ink;
}

// Share of the pixels on which two glyphs agree, the second scaled to the
// first's size.
double Agreement(const Ink& a, const Ink& b) {
  if (a.w == 0 || b.w == 0) return 0;
  int same = 0;
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x) same += a.At(x, y) == b.At(x * b.w / a.w, y * b.h / a.h);
  return double(same) / (a.w * a.h);
}

TEST_F(PaintTextTest, RussianTextInCp1251PaintsTheCyrillicGlyphs) {
  SetDrawingCallbacks(nullptr);
  // Each byte of 1251 against the letter it stands for, and against what
  // the same byte means in Latin-1 and in the DOS code page.
  const struct {
    char byte;
    char32_t letter, latin1, dos;
  } cases[] = {
      {'\xC6', U'\u0416', U'\u00C6', U'\u2563'},  // Zhe
      {'\xDF', U'\u042F', U'\u00DF', U'\u2580'},  // Ya
      {'\xF4', U'\u0444', U'\u00F4', U'\u0404'},  // ef
      {'\xD9', U'\u0429', U'\u00D9', U'\u2518'},  // Shcha
      {'\xE4', U'\u0434', U'\u00E4', U'\u0424'},  // de
  };
  for (const auto& c : cases) {
    RECT all{0, 0, 400, 300};
    FillDeviceRect(dc_, &all, 0xFFFFFFFF);
    std::string s(1, c.byte);
    Parts p{{{100, 200}}, {1}, {Text(s)}};
    IMGTEXT r = Record(100);
    r.CharSet = RUSSIAN_CHARSET;  // the face's character set (code 152)
    Paint(&p, r, TEXT_DRAW, 1.0f, "Arial");
    std::vector<bool> bits(400 * 300);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x)
        bits[size_t(y) * 400 + x] = plat::gdi::GetPixelColor(dc_, x, y) == 0x000080;
    const Ink drawn = Crop(bits, 400, 300);
    ASSERT_GT(drawn.w, 10) << int(BYTE(c.byte));
    // The em size of the drawn font.
    TEXTMETRICA tm{};
    LOGFONTA lf{};
    lf.lfHeight = GetMapFontHeightByCharHeight(font_, 100);
    lf.lfCharSet = RUSSIAN_CHARSET;
    std::strcpy(lf.lfFaceName, "Arial");
    HFONT f = plat::CreateFontIndirectA(&lf);
    HGDIOBJ old = plat::SelectObject(dc_, f);
    plat::GetTextMetricsA(dc_, &tm);
    plat::SelectObject(dc_, old);
    plat::DeleteObject(f);
    const int em = tm.tmHeight - tm.tmInternalLeading;
    const double right = Agreement(drawn, FreeTypeGlyph(c.letter, em));
    EXPECT_GT(right, 0.9) << int(BYTE(c.byte));
    EXPECT_GT(right, Agreement(drawn, FreeTypeGlyph(c.latin1, em)) + 0.05) << int(BYTE(c.byte));
    EXPECT_GT(right, Agreement(drawn, FreeTypeGlyph(c.dos, em)) + 0.05) << int(BYTE(c.byte));
  }
}

}  // namespace
