// Font metrics, advances, extents, the font cache and the character sets.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/text/font_internal.h"
#include "support/ink.h"

using namespace plat::text;
using textsupport::Request;

namespace {

TEXTMETRICA Metrics(const LOGFONTA& lf) {
  TEXTMETRICA tm;
  std::memset(&tm, 0xCC, sizeof tm);
  GetTextMetrics(*OpenFont(lf), &tm);
  return tm;
}

bool EndsWith(const std::string& s, const char* tail) {
  std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

TEST(TextMetrics, CellHeightFollowsWindowsAscentAndDescent) {
  auto font = OpenFont(Request("Arial", 64));
  ASSERT_TRUE(EndsWith(FontFilePath(*font), "LiberationSans-Regular.ttf")) << FontFilePath(*font);
  TEXTMETRICA tm;
  GetTextMetrics(*font, &tm);
  // usWinAscent 1854, usWinDescent 434, 2048 units per em.
  EXPECT_EQ(tm.tmHeight, 64);
  EXPECT_EQ(tm.tmAscent, 52);
  EXPECT_EQ(tm.tmDescent, 12);
  EXPECT_EQ(tm.tmInternalLeading, 64 - 57);
  EXPECT_GE(tm.tmExternalLeading, 0);
  EXPECT_LE(tm.tmExternalLeading, 3);
  // The older weighting over a-z and space, not the table's all-glyph mean.
  EXPECT_NEAR(tm.tmAveCharWidth, 25, 1);
  EXPECT_GT(tm.tmMaxCharWidth, tm.tmAveCharWidth);
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  EXPECT_EQ(tm.tmCharSet, ANSI_CHARSET);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set means variable pitch
}

TEST(TextMetrics, NegativeHeightIsTheEmHeight) {
  TEXTMETRICA tm = Metrics(Request("Arial", -64));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 64);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_NEAR(tm.tmHeight, 72, 1);
  // Zero asks for a default size; it still measures.
  TEXTMETRICA def = Metrics(Request("Arial", 0));
  EXPECT_GT(def.tmHeight, 8);
  EXPECT_GT(def.tmAveCharWidth, 0);
}

TEST(TextMetrics, OutOfRangeHeightsAreLimited) {
  for (LONG h : {LONG(INT_MIN), LONG(INT_MAX), LONG(-100000), LONG(1)}) {
    LOGFONTA lf = Request("Arial", h);
    lf.lfWidth = h;
    lf.lfEscapement = h;
    auto font = OpenFont(lf);
    TEXTMETRICA tm;
    GetTextMetrics(*font, &tm);
    EXPECT_GE(tm.tmHeight, 1) << h;
    EXPECT_LE(tm.tmHeight, 4096) << h;
    EXPECT_GE(CharWidth(*font, 'W'), 0);
  }
}

TEST(TextMetrics, ExtentIsTheSumOfCharWidths) {
  LOGFONTA plain = Request("Times New Roman", 23);
  LOGFONTA bold = Request("Arial", -17);
  bold.lfWeight = FW_BOLD;
  LOGFONTA stretched = Request("Courier New", 30, RUSSIAN_CHARSET);
  stretched.lfWidth = 7;
  const char* texts[] = {"Hello, world", "iiiWWW  .", "\xCC\xEE\xF1\xEA\xE2\xE0 \xB9 5"};
  for (const LOGFONTA& lf : {plain, bold, stretched}) {
    auto font = OpenFont(lf);
    TEXTMETRICA tm;
    GetTextMetrics(*font, &tm);
    for (const char* t : texts) {
      int n = static_cast<int>(std::strlen(t));
      LONG sum = 0;
      for (int i = 0; i < n; ++i) sum += CharWidth(*font, static_cast<BYTE>(t[i]));
      SIZE sz = TextExtent(*font, t, n);
      EXPECT_EQ(sz.cx, sum) << lf.lfFaceName << " " << t;
      EXPECT_EQ(sz.cy, tm.tmHeight);
    }
    EXPECT_EQ(TextExtent(*font, "abc", 0).cx, 0);
    EXPECT_EQ(TextExtent(*font, "abc", -5).cx, 0);
    EXPECT_EQ(TextExtent(*font, nullptr, 3).cx, 0);
    EXPECT_EQ(TextExtent(*font, nullptr, 3).cy, tm.tmHeight);
  }
}

TEST(TextMetrics, WidthStretchesToTheAskedAverage) {
  LOGFONTA lf = Request("Arial", 32);
  TEXTMETRICA natural = Metrics(lf);
  lf.lfWidth = natural.tmAveCharWidth * 2;
  auto wide = OpenFont(lf);
  TEXTMETRICA tm;
  GetTextMetrics(*wide, &tm);
  EXPECT_EQ(tm.tmAveCharWidth, lf.lfWidth);
  EXPECT_EQ(tm.tmHeight, natural.tmHeight);
  SIZE n = TextExtent(*OpenFont(Request("Arial", 32)), "Stretch me", 10);
  SIZE w = TextExtent(*wide, "Stretch me", 10);
  EXPECT_NEAR(w.cx, 2 * n.cx, n.cx / 8);
  // Monospace: every advance is the average.
  LOGFONTA mono = Request("Courier New", 20);
  mono.lfWidth = 9;
  auto m = OpenFont(mono);
  EXPECT_EQ(CharWidth(*m, 'i'), 9);
  EXPECT_EQ(CharWidth(*m, 'W'), 9);
}

TEST(TextMetrics, SameRequestSameInstance) {
  LOGFONTA a = Request("Arial", 21);
  LOGFONTA b = a;
  // Bytes after the face name's terminator do not make another request.
  b.lfFaceName[20] = 'x';
  b.lfFaceName[31] = 'y';
  auto fa = OpenFont(a);
  EXPECT_EQ(fa.get(), OpenFont(b).get());
  a.lfUnderline = 1;
  EXPECT_NE(fa.get(), OpenFont(a).get());
  EXPECT_EQ(FontRequest(*fa).lfHeight, 21);
  // A face name without a terminator is read up to its 31st byte.
  LOGFONTA c = Request("", 21);
  std::memset(c.lfFaceName, 'A', LF_FACESIZE);
  auto fc = OpenFont(c);
  EXPECT_EQ(FontRequest(*fc).lfFaceName[LF_FACESIZE - 1], 0);
}

TEST(TextMetrics, HeldFontsSurviveCacheTrimming) {
  auto held = OpenFont(Request("Arial", 33));
  for (LONG h = 1; h <= 320; ++h) OpenFont(Request("Times New Roman", h));
  EXPECT_EQ(OpenFont(Request("Arial", 33)).get(), held.get());
  EXPECT_EQ(TextExtent(*held, "still fine", 10).cy, 33);
}

TEST(Charsets, BytesMapByCodePage) {
  // Sets without a table (Shift-JIS here) read as ANSI.
  const struct {
    BYTE charset;
    int byte;
    char32_t code;
  } cases[] = {
      {ANSI_CHARSET, 'A', 0x41},          {RUSSIAN_CHARSET, 0x41, 0x41},
      {RUSSIAN_CHARSET, 0xC0, 0x0410},    {RUSSIAN_CHARSET, 0xFF, 0x044F},
      {RUSSIAN_CHARSET, 0xA8, 0x0401},    {RUSSIAN_CHARSET, 0xB9, 0x2116},
      {ANSI_CHARSET, 0x80, 0x20AC},       {DEFAULT_CHARSET, 0xC0, 0x00C0},
      {EASTEUROPE_CHARSET, 0x8A, 0x0160}, {GREEK_CHARSET, 0xC1, 0x0391},
      {TURKISH_CHARSET, 0xD0, 0x011E},    {HEBREW_CHARSET, 0xE0, 0x05D0},
      {ARABIC_CHARSET, 0xC7, 0x0627},     {BALTIC_CHARSET, 0xC0, 0x0104},
      {OEM_CHARSET, 0x80, 0x0410},        {OEM_CHARSET, 0xE0, 0x0440},
      {SYMBOL_CHARSET, 0xC0, 0x00C0},     {SHIFTJIS_CHARSET, 0x80, 0x20AC},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ByteToUnicode(c.charset, BYTE(c.byte)), c.code) << int(c.charset) << " " << c.byte;
}

TEST(Charsets, CyrillicBytesMeasureCyrillicGlyphs) {
  auto ru = OpenFont(Request("Arial", 40, RUSSIAN_CHARSET));
  auto en = OpenFont(Request("Arial", 40, ANSI_CHARSET));
  // Cyrillic A and o have the advances of their Latin twins.
  EXPECT_EQ(CharWidth(*ru, 0xC0), CharWidth(*en, 'A'));
  EXPECT_EQ(CharWidth(*ru, 0xEE), CharWidth(*en, 'o'));
  // 0xE6 is zhe in 1251 and ae in 1252: different glyphs.
  EXPECT_NE(CharWidth(*ru, 0xE6), CharWidth(*en, 0xE6));
}
