// Layout, alignment, rotation, styles and character sets of rendered text.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/text/font_internal.h"
#include "platform/text/font_source.h"
#include "support/ink.h"

using namespace plat::text;
using textsupport::Ink;
using textsupport::Render;
using textsupport::Request;

namespace {

TEXTMETRICA Metrics(const Font& font) {
  TEXTMETRICA tm;
  GetTextMetrics(font, &tm);
  return tm;
}

// One corner of a box as {x, y}.
std::vector<LONG> Corner(const TextBox& box, int i) { return {box.corner[i].x, box.corner[i].y}; }

// Whether the point lies inside the convex box, widened by tol pixels.
bool InsideBox(const TextBox& box, double px, double py, double tol) {
  double sign = 0;
  for (int i = 0; i < 4; ++i) {
    const POINT& a = box.corner[i];
    const POINT& b = box.corner[(i + 1) % 4];
    double ex = b.x - a.x, ey = b.y - a.y;
    double len = std::hypot(ex, ey);
    if (len == 0) continue;
    double cross = (ex * (py - a.y) - ey * (px - a.x)) / len;
    if (sign == 0) {
      // Orientation of the box from its first two edges.
      const POINT& c = box.corner[(i + 2) % 4];
      sign = (ex * (c.y - a.y) - ey * (c.x - a.x)) > 0 ? 1 : -1;
    }
    if (cross * sign < -tol) return false;
  }
  return true;
}

}  // namespace

TEST(TextRender, SpansAreOrderedAndDisjoint) {
  LOGFONTA lf = Request("Times New Roman", 40);
  lf.lfItalic = 1;
  lf.lfUnderline = 1;
  lf.lfStrikeOut = 1;
  for (LONG esc : {0, 450, 900, 1234}) {
    lf.lfEscapement = esc;
    // Italic glyphs overlap their neighbours and the bars cross them: every
    // pixel is still reported once.
    Ink ink = Render(*OpenFont(lf), 100, 100, TA_BASELINE, "ffff Wavy jjj");
    EXPECT_FALSE(ink.Empty());
    EXPECT_TRUE(ink.ordered) << esc;
  }
}

TEST(TextRender, AlignmentPlacesTheCell) {
  auto font = OpenFont(Request("Arial", 40));
  TEXTMETRICA tm = Metrics(*font);
  const char* text = "Hg";
  LONG cx = TextExtent(*font, text, 2).cx;
  TextBox box;

  Ink base = Render(*font, 50, 100, TA_LEFT | TA_BASELINE, "H", &box);
  EXPECT_EQ(base.Bottom(), 100);  // H sits on the base line
  EXPECT_GE(base.Top(), 100 - tm.tmAscent);
  EXPECT_GE(base.Left(), 50);

  Ink top = Render(*font, 50, 100, TA_LEFT | TA_TOP, text, &box);
  EXPECT_GE(top.Top(), 100);
  EXPECT_LE(top.Bottom(), 100 + tm.tmHeight);
  EXPECT_EQ(Corner(box, 0), std::vector<LONG>({50, 100}));
  EXPECT_EQ(Corner(box, 1), std::vector<LONG>({50 + cx, 100}));
  EXPECT_EQ(Corner(box, 2), std::vector<LONG>({50 + cx, 100 + tm.tmHeight}));
  EXPECT_EQ(Corner(box, 3), std::vector<LONG>({50, 100 + tm.tmHeight}));

  Ink bottom = Render(*font, 50, 100, TA_RIGHT | TA_BOTTOM, text, &box);
  EXPECT_LE(bottom.Bottom(), 100);
  EXPECT_GT(bottom.Bottom(), 100 - tm.tmDescent);  // g descends into the descent
  EXPECT_LE(bottom.Right(), 50);
  EXPECT_GE(bottom.Left(), 50 - cx);
  EXPECT_EQ(Corner(box, 0), std::vector<LONG>({50 - cx, 100 - tm.tmHeight}));

  // Centred: the same ink as left-aligned, moved by half the extent.
  Ink left = Render(*font, 50, 100, TA_LEFT | TA_BASELINE, text);
  Ink centre = Render(*font, 50, 100, TA_CENTER | TA_BASELINE, text);
  ASSERT_EQ(left.spans.size(), centre.spans.size());
  for (size_t i = 0; i < left.spans.size(); ++i) {
    EXPECT_EQ(left.spans[i].x0 - cx / 2, centre.spans[i].x0);
    EXPECT_EQ(left.spans[i].y, centre.spans[i].y);
  }
  // Bits outside the alignment fields change nothing.
  Ink flagged = Render(*font, 50, 100, TA_LEFT | TA_BASELINE | TA_UPDATECP | 0x1000, text);
  EXPECT_EQ(flagged.Pixels(), left.Pixels());
  EXPECT_EQ(flagged.Left(), left.Left());
}

TEST(TextRender, QuarterTurnsRunTheBaseLineAlongTheAxes) {
  LOGFONTA lf = Request("Arial", 30);
  const char* text = "Map";
  for (LONG esc : {900, 1800, 2700, -900}) {
    lf.lfEscapement = esc;
    auto font = OpenFont(lf);
    TEXTMETRICA tm = Metrics(*font);
    LONG cx = TextExtent(*font, text, 3).cx;
    TextBox box;
    Ink ink = Render(*font, 200, 200, TA_LEFT | TA_BASELINE, text, &box);
    ASSERT_FALSE(ink.Empty());
    LONG e = ((esc % 3600) + 3600) % 3600;
    if (e == 900) {
      // Reading upwards: ink above the reference point, left of it (above
      // the base line in the text's frame) but for the descender of p.
      EXPECT_LE(ink.Bottom(), 200);
      EXPECT_GE(ink.Top(), 200 - cx);
      EXPECT_LE(ink.Right(), 200 + tm.tmDescent);
      EXPECT_GE(ink.Left(), 200 - tm.tmAscent);
      EXPECT_EQ(Corner(box, 0), std::vector<LONG>({200 - tm.tmAscent, 200}));
      EXPECT_EQ(Corner(box, 2), std::vector<LONG>({200 + tm.tmDescent, 200 - cx}));
    } else if (e == 1800) {
      EXPECT_LE(ink.Right(), 200);
      EXPECT_GE(ink.Left(), 200 - cx);
      EXPECT_GE(ink.Top(), 200 - tm.tmDescent);
      EXPECT_LE(ink.Bottom(), 200 + tm.tmAscent);
    } else {
      EXPECT_GE(ink.Top(), 200);
      EXPECT_LE(ink.Bottom(), 200 + cx);
      EXPECT_GE(ink.Left(), 200 - tm.tmDescent);
      EXPECT_LE(ink.Right(), 200 + tm.tmAscent);
    }
  }
  // -90 degrees and 270 degrees are the same rotation.
  lf.lfEscapement = -900;
  Ink a = Render(*OpenFont(lf), 10, 10, TA_BASELINE, text);
  lf.lfEscapement = 2700;
  Ink b = Render(*OpenFont(lf), 10, 10, TA_BASELINE, text);
  EXPECT_EQ(std::vector<int64_t>({a.Pixels(), a.Left(), a.Top()}),
            std::vector<int64_t>({b.Pixels(), b.Left(), b.Top()}));
}

TEST(TextRender, RotatedInkStaysInTheBox) {
  LOGFONTA lf = Request("Times New Roman", 36);
  for (LONG esc : {300, 450, 1350, 2000, 3300}) {
    lf.lfEscapement = esc;
    auto font = OpenFont(lf);
    for (UINT align :
         {UINT(TA_LEFT | TA_TOP), UINT(TA_CENTER | TA_BASELINE), UINT(TA_RIGHT | TA_BOTTOM)}) {
      TextBox box;
      Ink ink = Render(*font, 300, 300, align, "Rotated Text", &box);
      ASSERT_FALSE(ink.Empty());
      int outside = 0;
      for (const auto& s : ink.spans)
        for (int x = s.x0; x < s.x1; ++x)
          if (!InsideBox(box, x + 0.5, s.y + 0.5, 2.0)) ++outside;
      EXPECT_EQ(outside, 0) << esc << " " << align;
    }
    // The reference point is the box corner the alignment names.
    TextBox box;
    Render(*font, 300, 300, TA_LEFT | TA_TOP, "Rotated Text", &box);
    EXPECT_EQ(Corner(box, 0), std::vector<LONG>({300, 300}));
    Render(*font, 300, 300, TA_RIGHT | TA_BOTTOM, "Rotated Text", &box);
    EXPECT_EQ(Corner(box, 2), std::vector<LONG>({300, 300}));
  }
}

TEST(TextRender, StylesAddInk) {
  LOGFONTA lf = Request("Arial", 40);
  const char* text = "Styled";
  auto font = OpenFont(lf);
  TEXTMETRICA tm = Metrics(*font);
  LONG cx = TextExtent(*font, text, 6).cx;
  Ink plain = Render(*font, 0, 100, TA_BASELINE, text);

  // Underline: full-width rows just below the base line; strike-out: full
  // width rows between the base line and half the ascent. Neither touches
  // the ink on the other side of the base line.
  for (bool strike : {false, true}) {
    LOGFONTA styled = lf;
    (strike ? styled.lfStrikeOut : styled.lfUnderline) = 1;
    Ink ink = Render(*OpenFont(styled), 0, 100, TA_BASELINE, text);
    int barRows = 0;
    for (const auto& s : ink.spans)
      if (s.x0 == 0 && s.x1 == cx) {
        ++barRows;
        EXPECT_TRUE(strike ? s.y < 100 && s.y > 100 - tm.tmAscent / 2
                           : s.y >= 100 && s.y < 100 + tm.tmDescent)
            << strike << " " << s.y;
      }
    EXPECT_GE(barRows, 1) << strike;
    const int y0 = strike ? 100 : 0;
    EXPECT_EQ(ink.PixelsInRows(y0, y0 + 100), plain.PixelsInRows(y0, y0 + 100)) << strike;
  }

  // Italic leans right: the top rows' ink moves right of the plain face's.
  LOGFONTA it = lf;
  it.lfItalic = 1;
  Ink italic = Render(*OpenFont(it), 0, 100, TA_BASELINE, "l");
  Ink upright = Render(*font, 0, 100, TA_BASELINE, "l");
  EXPECT_GT(italic.spans.front().x0, upright.spans.front().x0);
}

TEST(TextRender, CharacterSetsPickTheirGlyphs) {
  auto ru = OpenFont(Request("Arial", 40, RUSSIAN_CHARSET));
  auto en = OpenFont(Request("Arial", 40, ANSI_CHARSET));
  Ink cyrA = Render(*ru, 0, 100, TA_BASELINE, "\xC0");
  Ink latA = Render(*en, 0, 100, TA_BASELINE, "A");
  Ink aGrave = Render(*en, 0, 100, TA_BASELINE, "\xC0");
  ASSERT_FALSE(cyrA.Empty());
  EXPECT_EQ(cyrA.Pixels(), latA.Pixels());
  EXPECT_LT(aGrave.Top(), cyrA.Top());  // the accent rises above the capital
  // Every Cyrillic letter has ink.
  for (int ch = 0xC0; ch <= 0xFF; ++ch) {
    char s[2] = {static_cast<char>(ch), 0};
    EXPECT_FALSE(Render(*ru, 0, 100, TA_BASELINE, s).Empty()) << ch;
  }
  // The OEM set reads the same letter at 0x80.
  Ink oemA = Render(*OpenFont(Request("Arial", 40, OEM_CHARSET)), 0, 100, TA_BASELINE, "\x80");
  EXPECT_EQ(oemA.Pixels(), cyrA.Pixels());
}

TEST(TextRender, SymbolSetFallsBackToTheCodeItself) {
  // A face without a symbol map shows the byte's own code point.
  auto sym = OpenFont(Request("Arial", 40, SYMBOL_CHARSET));
  auto en = OpenFont(Request("Arial", 40, ANSI_CHARSET));
  EXPECT_EQ(Render(*sym, 0, 100, TA_BASELINE, "Q").Pixels(),
            Render(*en, 0, 100, TA_BASELINE, "Q").Pixels());
  EXPECT_EQ(Render(*sym, 0, 100, TA_BASELINE, "\xE9").Pixels(),
            Render(*en, 0, 100, TA_BASELINE, "\xE9").Pixels());
  EXPECT_EQ(CharWidth(*sym, 'Q'), CharWidth(*en, 'Q'));
}

TEST(TextRender, EmptyAndBlankTextDrawNothing) {
  auto font = OpenFont(Request("Arial", 20));
  TextBox box;
  EXPECT_TRUE(Render(*font, 5, 5, TA_BASELINE, "   ", &box).Empty());
  EXPECT_EQ(box.corner[1].x - box.corner[0].x, TextExtent(*font, "   ", 3).cx);
  Ink none;
  RenderText(*font, 5, 5, TA_TOP, "abc", 0, &Ink::Sink, &none, &box);
  RenderText(*font, 5, 5, TA_TOP, "abc", -1, &Ink::Sink, &none, &box);
  RenderText(*font, 5, 5, TA_TOP, nullptr, 3, &Ink::Sink, &none, &box);
  RenderText(*font, 5, 5, TA_TOP, "abc", 3, nullptr, nullptr, nullptr);
  EXPECT_TRUE(none.Empty());
  EXPECT_EQ(box.corner[0].x, box.corner[1].x);
  EXPECT_EQ(box.corner[2].y - box.corner[1].y, Metrics(*font).tmHeight);
}

TEST(TextRender, ExtremeCoordinatesDropWhatFallsOutside) {
  LOGFONTA lf = Request("Arial", 30);
  lf.lfUnderline = 1;
  for (LONG esc : {0, 450}) {
    lf.lfEscapement = esc;
    auto font = OpenFont(lf);
    Ink hi = Render(*font, INT_MAX - 20, INT_MAX - 5, TA_BASELINE, "Overflow");
    Ink lo = Render(*font, INT_MIN + 3, INT_MIN + 3, TA_RIGHT | TA_TOP, "Overflow");
    EXPECT_TRUE(hi.ordered);
    EXPECT_TRUE(lo.ordered);
    for (const auto& s : hi.spans) EXPECT_LT(s.x0, s.x1);
  }
}

TEST(TextRender, RepeatedRendersAreIdentical) {
  LOGFONTA lf = Request("Courier New", 25);
  lf.lfEscapement = 150;
  auto font = OpenFont(lf);
  Ink a = Render(*font, 40, 40, TA_BASELINE, "cache me");
  Ink b = Render(*font, 40, 40, TA_BASELINE, "cache me");
  ASSERT_EQ(a.spans.size(), b.spans.size());
  EXPECT_EQ(memcmp(a.spans.data(), b.spans.data(), a.spans.size() * sizeof a.spans[0]), 0);
}

TEST(TextRender, ThreadsShareFonts) {
  auto work = [](int seed, int64_t* out) {
    int64_t total = 0;
    for (int i = 0; i < 40; ++i) {
      LOGFONTA lf = Request(i % 2 ? "Arial" : "Times New Roman", 10 + (i + seed) % 7);
      auto font = OpenFont(lf);
      total += Render(*font, 0, 50, TA_BASELINE, "Shared glyphs").Pixels();
      total += TextExtent(*font, "abc", 3).cx;
    }
    *out = total;
  };
  int64_t r[4] = {};
  std::thread t[4];
  for (int i = 0; i < 4; ++i) t[i] = std::thread(work, i % 2, &r[i]);
  for (auto& th : t) th.join();
  EXPECT_EQ(r[0], r[2]);
  EXPECT_EQ(r[1], r[3]);
}

TEST(TextRender, TurnsShareOneFaceAndKeepTheirOwnGlyphs) {
  LOGFONTA lf = Request("Times New Roman", 27);
  lf.lfItalic = 1;
  auto font = [&](LONG esc) {
    LOGFONTA r = lf;
    r.lfEscapement = esc;
    r.lfOrientation = esc;
    return OpenFont(r);
  };
  auto upright = font(0);
  EXPECT_TRUE(FontsShareFace(*upright, *font(300)));
  EXPECT_TRUE(FontsShareFace(*upright, *font(-900)));
  EXPECT_FALSE(FontsShareFace(*upright, *OpenFont(Request("Times New Roman", 28))));
  EXPECT_EQ(FontRequest(*font(301)).lfEscapement, 301);

  // Renders of several turns through one face, in any order, equal the
  // renders of fresh fonts: no turn picks up another turn's glyphs.
  const LONG turns[] = {0, 10, 300, 301, 1800, 3590};
  auto renderAll = [&] {
    std::vector<std::vector<int>> out;
    for (LONG esc : turns) {
      std::vector<int> flat;
      for (const auto& sp : Render(*font(esc), 200, 200, TA_BASELINE, "Wavy glyphs").spans)
        flat.insert(flat.end(), {sp.y, sp.x0, sp.x1});
      out.push_back(flat);
    }
    return out;
  };
  std::vector<std::vector<int>> warm = renderAll();
  for (size_t i = 1; i < warm.size(); ++i) EXPECT_NE(warm[i], warm[i - 1]) << turns[i];
  EXPECT_EQ(renderAll(), warm);
  upright.reset();
  ClearFontCache();
  std::vector<std::vector<int>> fresh;
  for (size_t i = std::size(turns); i-- > 0;) {  // turned first, upright last
    std::vector<int> flat;
    LOGFONTA r = lf;
    r.lfEscapement = turns[i];
    for (const auto& sp : Render(*OpenFont(r), 200, 200, TA_BASELINE, "Wavy glyphs").spans)
      flat.insert(flat.end(), {sp.y, sp.x0, sp.x1});
    fresh.insert(fresh.begin(), flat);
  }
  EXPECT_EQ(fresh, warm);
}

TEST(TextRender, TurnedGlyphCacheStaysWithinItsLimits) {
  ClearFontCache();
  ASSERT_EQ(TurnedGlyphBytes(), 0u);
  const size_t perFace = 64 << 10, total = 160 << 10;
  SetTurnedGlyphLimits(perFace, total);
  LOGFONTA lf = Request("Arial", 60);
  lf.lfEscapement = 370;
  Ink before = Render(*OpenFont(lf), 300, 300, TA_BASELINE, "Bounded");
  size_t most = 0;
  for (LONG height : {60, 48, 40})
    for (LONG esc = 0; esc < 3600; esc += 10) {
      LOGFONTA r = Request("Arial", height);
      r.lfEscapement = esc;
      Render(*OpenFont(r), 300, 300, TA_BASELINE, "Bounded");
      most = std::max(most, TurnedGlyphBytes());
    }
  EXPECT_GT(most, perFace / 2);
  EXPECT_LE(most, total + 3 * perFace);
  // Glyphs dropped on the way are rendered again the same.
  Ink after = Render(*OpenFont(lf), 300, 300, TA_BASELINE, "Bounded");
  ASSERT_EQ(after.spans.size(), before.spans.size());
  EXPECT_EQ(memcmp(after.spans.data(), before.spans.data(), after.spans.size() * sizeof after.spans[0]), 0);
  SetTurnedGlyphLimits(0, 0);
  ClearFontCache();
  EXPECT_EQ(TurnedGlyphBytes(), 0u);
}
