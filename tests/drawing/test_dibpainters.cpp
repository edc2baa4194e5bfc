// The memory-image painters: colour words, line thickness and dash sizes by
// scale, fills in both blocks, shading, circles, hatch kinds, the text
// front ends, the labelled set, and shading on a device in tiles.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "devices/fontreg.h"
#include "drawing/dashline.h"
#include "drawing/dibpainters.h"
#include "drawing/paintmetric.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"
#include "support/textcalls.h"

namespace {

using dibtest::DibTest;
using dibtest::Poly;
using dibtest::SamePoints;
using dibtest::Words;

const std::vector<POINT> kSquare = {{20, 20}, {60, 20}, {60, 60}, {20, 60}, {20, 20}};

class DibPainters : public DibTest {
 protected:
  void SetUp() override {
    DibTest::SetUp();
  }
  void TearDown() override {
    PaintColorState = {};
    DibTest::TearDown();
  }
  void Paint(int block, int code, POLYDATA* data, const std::vector<char>& parm, float scale) {
    DibPainterTable[block][code](nullptr, data, parm.data(), scale);
  }
  // The memory image as a picture in the tests' folder, to be looked at.
  static void WritePng(const char* name) {
    plat::gdi::WritePng(PaintContext.MemoryDc, (std::string(MC_TEST_TMP) + "/" + name).c_str());
  }
  int RowsInked(int x, DWORD pixel) {
    int n = 0;
    for (int y = 0; y < PaintContext.ImageHeight; ++y) n += Pixel(x, y) == pixel;
    return n;
  }
};

TEST_F(DibPainters, ColourWords) {
  DWORD table[256] = {};
  for (int i = 0; i < 256; ++i) table[i] = 0x010203u * i;
  SetDibPalette(table, 256);  // table B holds them red-blue exchanged
  EXPECT_EQ(ColorToDibPixel(0xF0000007), PaintContext.ColorsB[7]);
  EXPECT_EQ(ColorToDibPixel(0xF0ABCD07), PaintContext.ColorsB[7]);
  EXPECT_EQ(ColorToDibPixel(0xF1123456), 0x123456u);
  EXPECT_EQ(ColorToDibPixel(0x0000FF), 0xFF0000u);
  EXPECT_EQ(ColorToDibPixel(0x12FF0000), 0x0000FFu);
  EXPECT_EQ(ColorToDeviceColor(0xFFFFFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(ColorToDeviceColor(0xF0000007), table[7]);
  EXPECT_EQ(ColorToDeviceColor(0xF1123456), 0x123456u);
  // Brightness of the map being painted shifts plain colours only.
  PaintColorState.Bright = 8;
  EXPECT_EQ(ColorToDibPixel(0x000000), 0xFFFFFFu);
  EXPECT_EQ(ColorToDeviceColor(0xF1000000), 0xFFFFFFu);
  EXPECT_EQ(ColorToDibPixel(0xF1000000), 0u);
  EXPECT_EQ(ColorToDibPixel(0xF0000007), PaintContext.ColorsB[7]);

  Poly line({{{10, 50}, {100, 50}}});
  Paint(DIB_FULLCOLOUR, PRIM_LINE, line.get(), Words({0xF0000007, 0}), 1.0f);
  EXPECT_EQ(Pixel(40, 50), PaintContext.ColorsB[7]);
}

TEST_F(DibPainters, LineThicknessBy250thsOfAPixel) {
  Poly line({{{10, 50}, {100, 50}}});
  const struct {
    DWORD thickness;
    float scale;
    int rows;
  } cases[] = {{499, 1.0f, 1}, {500, 1.0f, 2}, {1000, 0.5f, 2}, {1000, 1.0f, 4}, {250, 4.0f, 4}};
  for (const auto& c : cases) {
    Clear(dibtest::kWhite);
    Paint(DIB_FULLCOLOUR, PRIM_LINE, line.get(), Words({0x0000FF, c.thickness}), c.scale);
    EXPECT_EQ(RowsInked(40, 0xFF0000), c.rows) << c.thickness << " at " << c.scale;
  }
}

TEST_F(DibPainters, DashesKeepTheirLengthWhenReducedButThicknessFollows) {
  Poly line({{{10, 50}, {100, 50}}});
  const struct {
    float scale;
    LONG thickness, dash, gap;
    int rows;  // rows inked across the line in a dash
  } cases[] = {{0.5f, 2, 10, 5, 2},
               {1.0f, 4, 10, 5, 4},
               {2.0f, 8, 20, 10, 8},
               {0.2f, 0, 10, 5, 1},
               {0.0f, 4, 10, 5, 4}};
  for (const auto& c : cases) {
    Clear(dibtest::kWhite);
    Paint(DIB_FULLCOLOUR, PRIM_DOT, line.get(), Words({0xF1000080, 1000, 2500, 1250}), c.scale);
    const DIBLINESTATE& s = DibLineState;
    EXPECT_EQ((std::vector<LONG>{s.Thickness, s.Dash, s.Gap, LONG(s.Pixel)}),
              (std::vector<LONG>{c.thickness, c.dash, c.gap, 0x80}))
        << c.scale;
    EXPECT_EQ(RowsInked(10 + c.dash - 1, 0x80), c.rows) << c.scale;  // the first dash's end
    EXPECT_EQ(RowsInked(10 + c.dash + 1, 0x80), 0) << c.scale;       // and the gap after it
  }
  // The band lines scale their dashes with the picture; the second kind
  // widens by the whole scale above 1.
  Paint(DIB_FULLCOLOUR, PRIM_LINE_OVERDOT, line.get(), Words({0, 250, 0, 750, 2500, 1250}), 0.5f);
  EXPECT_EQ((std::vector<LONG>{DibLineState.Thickness, DibLineState.Dash, DibLineState.Gap}),
            (std::vector<LONG>{1, 5, 2}));
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_LINE_OVERDOT_SCALED, line.get(),
        Words({0x0000FF, 250, 0x00FF00, 750, 2500, 1250}), 2.5f);
  EXPECT_EQ((std::vector<LONG>{DibLineState.Thickness, DibLineState.Dash, DibLineState.Gap}),
            (std::vector<LONG>{4, 10, 5}));
  // The band lies on the left of the eastward line (rows 46..49), in its
  // dashes; the line itself is 2 pixels thick (rows 49..50).
  EXPECT_EQ(RowsInked(15, 0x00FF00), 4);
  EXPECT_EQ(Pixel(15, 46), 0x00FF00u);
  EXPECT_EQ(Pixel(15, 45), dibtest::kWhite);
  EXPECT_EQ(Pixel(15, 50), 0xFF0000u);
  EXPECT_EQ(RowsInked(22, 0x00FF00), 0);
}

TEST_F(DibPainters, SolidFillAndItsOneColourOutline) {
  Poly square({kSquare});
  Paint(DIB_FULLCOLOUR, PRIM_SQUARE, square.get(), Words({0x00FF00}), 1.0f);
  EXPECT_EQ(Pixel(40, 40), 0x00FF00u);
  EXPECT_EQ(Pixel(60, 60), 0x00FF00u);  // the outline completes the edges
  EXPECT_EQ(Pixel(61, 40), dibtest::kWhite);
  Clear(dibtest::kWhite);
  Paint(DIB_ONECOLOUR, PRIM_SQUARE, square.get(), Words({0x00FF00}), 1.0f);
  EXPECT_EQ(Pixel(40, 40), dibtest::kWhite);
  EXPECT_EQ(Pixel(20, 40), 0x00FF00u);
  EXPECT_EQ(Pixel(40, 60), 0x00FF00u);
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_SQUARE, square.get(), Words({0xFFFFFFFF}), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

TEST_F(DibPainters, ShadingTurnsPixelsWhiteOrBlackUnderThePolygonOnly) {
  EXPECT_EQ(ShadeByte(0x40, 100, 0), 255);
  EXPECT_EQ(ShadeByte(0x40, -100, 0), 0);
  EXPECT_EQ(ShadeByte(100, 0, 100), 72);   // 28 further from 128
  EXPECT_EQ(ShadeByte(200, 0, 100), 255);  // clamped
  EXPECT_EQ(ShadeByte(100, 50, 0), 177);
  Poly square({kSquare});
  const struct {
    DWORD brightness, contrast;
    DWORD inside;
  } cases[] = {{100, 0, 0xFFFFFF}, {DWORD(-100), 0, 0}, {500, 0, 0xFFFFFF}, {0, 0, 0x604020}};
  for (const auto& c : cases) {
    Clear(0x604020);
    At(40, 40) = 0x7F604020;  // the fourth byte stays
    Paint(DIB_FULLCOLOUR, PRIM_SHADE, square.get(), Words({c.brightness, c.contrast}), 1.0f);
    EXPECT_EQ(Pixel(30, 30), c.inside) << int(c.brightness);
    EXPECT_EQ(At(40, 40) >> 24, 0x7Fu);
    EXPECT_EQ(Pixel(10, 30), 0x604020u);
    EXPECT_EQ(Pixel(30, 70), 0x604020u);
  }
}

TEST_F(DibPainters, CirclesOutlinedOrFilledAtTheFirstPoint) {
  Poly point({{{80, 60}, {90, 90}}});
  Paint(DIB_FULLCOLOUR, PRIM_CIRCLE, point.get(), Words({0x0000FF, 250, 2500}), 1.0f);
  EXPECT_EQ(Pixel(80, 70), 0xFF0000u);
  EXPECT_EQ(Pixel(80, 60), dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_CIRCLE, point.get(), Words({0x00FF00, 0, 2500}), 2.0f);
  EXPECT_EQ(Pixel(80, 60), 0x00FF00u);
  EXPECT_EQ(Pixel(80, 79), 0x00FF00u);
  EXPECT_EQ(Pixel(80, 81), dibtest::kWhite);
  // A circle wholly outside the picture is not drawn.
  Clear(dibtest::kWhite);
  Poly far({{{-30, 60}}});
  Paint(DIB_FULLCOLOUR, PRIM_CIRCLE, far.get(), Words({0, 0, 2500}), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
  Poly none({});
  Paint(DIB_FULLCOLOUR, PRIM_CIRCLE, none.get(), Words({0, 0, 2500}), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

TEST_F(DibPainters, HatchByAngleTakesTheNearestKind) {
  // Period 2000 and width 500: stripes of 2 pixels, gaps of 6, started at
  // the square's left column, top row or top-left diagonal.
  Poly square({kSquare});
  const struct {
    DWORD angle;
    bool (*on)(int x, int y);
  } cases[] = {{0, [](int, int y) { return (y - 20) % 8 < 2; }},
               {45, [](int x, int y) { return (x + y - 40) % 8 < 2; }},
               {135, [](int x, int y) { return (x - y + 80) % 8 < 2; }},
               {90, [](int x, int) { return (x - 20) % 8 < 2; }},
               {30, [](int x, int) { return (x - 20) % 8 < 2; }}};
  for (const auto& c : cases) {
    Clear(dibtest::kWhite);
    Paint(DIB_FULLCOLOUR, PRIM_ANGLE_HATCH, square.get(),
          Words({24, c.angle, 2000, 128, 0x0000FF, 500}), 1.0f);
    int wrong = 0;
    for (int y = 21; y <= 60; ++y)
      for (int x = 20; x < 60; ++x) wrong += (Pixel(x, y) == 0xFF0000u) != c.on(x, y);
    EXPECT_EQ(wrong, 0) << c.angle;
  }
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_ANGLE_HATCH, square.get(), Words({20, 90, 2000, 128, 0, 500}), 1.0f);
  Paint(DIB_FULLCOLOUR, PRIM_ANGLE_HATCH, square.get(), Words({24, 90, 2000, 129, 0, 500}), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

TEST_F(DibPainters, TextFrontEndsConvertColoursAndHeights) {
  const int font = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
  ASSERT_EQ(font, 0);  // the records name font 0
  char label[] = "\x04" "Text";
  Poly text({{{10, 10}, {80, 10}}});
  text.texts[0] = label + 1;
  text.Refresh();
  textcalls::Capture host;  // what the text engine paints
  auto height = [&] {
    const auto t = host.Of('t');
    return t.empty() ? -1 : LONG(t.back().Font.lfHeight);
  };
  std::vector<char> record = Words({0x0000FF, 0x00FF00, 0xFFFFFFFF, 1000, 400, 0, 0, 0});
  // 3000 pixels per metre: 1000 micrometres are 3 pixels, raised to 5;
  // the background box first, then the glyphs.
  Paint(DIB_FULLCOLOUR, PRIM_TEXT, text.get(), record, 1.0f);
  const auto first = host.Take();
  ASSERT_GE(first.size(), 3u);
  EXPECT_EQ(first[0].Kind, 'b');
  EXPECT_EQ(first[0].Color, 0x00FF00u);
  EXPECT_EQ(first.back().Kind, 't');
  EXPECT_EQ(first.back().Color, 0x0000FFu);
  EXPECT_EQ(first.back().Text, "Text");
  EXPECT_EQ(first.back().Font.lfHeight, GetMapFontHeightByCharHeight(font, 5));
  Paint(DIB_FULLCOLOUR, PRIM_TEXT, text.get(), record, 4.0f);
  EXPECT_EQ(height(), GetMapFontHeightByCharHeight(font, 12));
  auto doc = std::make_unique<TPaintMetric>();
  doc->ScaleMethod = 1;
  DibPainterTable[0][PRIM_TEXT](doc.get(), text.get(), record.data(), 1.0f);
  EXPECT_EQ(height(), GetMapFontHeightByCharHeight(font, 3));
  record[31] = 1;  // fitted to its segment
  Paint(DIB_FULLCOLOUR, PRIM_TEXT, text.get(), record, 4.0f);
  EXPECT_EQ(height(), GetMapFontHeightByWidth(font, 0, 70, 4, "Text"));

  std::vector<char> face = record;
  face.resize(64);
  host.Take();
  Paint(DIB_ONECOLOUR, PRIM_FACE_TEXT, text.get(), face, 1.0f);
  ASSERT_FALSE(host.Of('b').empty());
  EXPECT_EQ(host.Of('b')[0].Color, 0x00FF00u);
  std::vector<char> sign = Words({0, 0xFFFFFFFF, 0xFFFFFFFF, 1000});
  sign.resize(92);
  sign[64] = 'S';
  const DWORD offsets[2] = {2000, 0xFFFFF830};  // 2000 up and -2000 right
  std::memcpy(sign.data() + 84, offsets, 8);
  host.Take();
  Paint(DIB_FULLCOLOUR, PRIM_FONT_SIGN, text.get(), sign, 2.0f);
  // 6 pixels high, anchored 12 pixels up and 12 left of the first point.
  const auto s = host.Of('t');
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].Font.lfHeight, 6);
  EXPECT_EQ(s[0].X, -2);
  EXPECT_EQ(s[0].Y, -2);
  EXPECT_EQ(s[0].Text, "S");
  ReleaseMapFont(font);
}

TEST_F(DibPainters, FittedTextTooSmallToReadFollowsTheScaleMethod) {
  const int font = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
  ASSERT_EQ(font, 0);
  char label[] = "\x1D" "Too long a text for 20 pixels";
  Poly text({{{30, 60}, {50, 60}}});
  text.texts[0] = label + 1;
  text.Refresh();
  std::vector<char> record = Words({0x0000FF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 400, 0, 0, 0});
  record[31] = 1;  // fitted to its segment: under 5 pixels high
  std::vector<char> face = record;
  face.resize(64);
  auto doc = std::make_unique<TPaintMetric>();
  for (LONG method : {0, 1}) {
    doc->ScaleMethod = method;
    for (int code : {PRIM_TEXT, PRIM_FACE_TEXT}) {
      SCOPED_TRACE(method * 1000 + code);
      Clear(dibtest::kWhite);
      DibPainterTable[DIB_FULLCOLOUR][code](doc.get(), text.get(),
                                            (code == PRIM_TEXT ? record : face).data(), 0.4f);
      if (method == 0) {  // below the scale 0.5: not shown
        EXPECT_EQ(CountOther(dibtest::kWhite), 0);
        continue;
      }
      // The dotted line along the segment, two pixels thick.
      int red = 0;
      for (int y = 0; y < PaintContext.ImageHeight; ++y)
        for (int x = 0; x < PaintContext.ImageWidth; ++x) {
          if (Pixel(x, y) == dibtest::kWhite) continue;
          EXPECT_EQ(Pixel(x, y), 0xFF0000u) << x << "," << y;
          EXPECT_TRUE(x >= 29 && x <= 51 && y >= 58 && y <= 62) << x << "," << y;
          red += y == 60;
        }
      EXPECT_GE(red, 6);
      EXPECT_LE(red, 15);
      if (code == PRIM_TEXT)
        plat::gdi::WritePng(PaintContext.MemoryDc,
                            (std::string(MC_TEST_TMP) + "/small_text_dotted.png").c_str());
    }
  }
  ReleaseMapFont(font);
}

// A labelled set: a line element and a text element, one part of two
// points with an empty text and one part of one point.
std::vector<char> LabelledSet() {
  std::vector<char> r(68);
  auto element = [&r](WORD code, const std::vector<char>& parm) {
    const WORD length = WORD(4 + parm.size());
    r.insert(r.end(), reinterpret_cast<const char*>(&length),
             reinterpret_cast<const char*>(&length) + 2);
    r.insert(r.end(), reinterpret_cast<const char*>(&code),
             reinterpret_cast<const char*>(&code) + 2);
    r.insert(r.end(), parm.begin(), parm.end());
  };
  element(PRIM_LINE, Words({0x0000FF, 250}));
  std::vector<char> text = Words({0, 0, 0, 2000});
  text.resize(32);
  element(PRIM_TEXT, text);
  const DWORD length = DWORD(r.size()), count = 2;
  std::memcpy(r.data(), &length, 4);
  std::memcpy(r.data() + 64, &count, 4);
  return r;
}

TEST_F(DibPainters, LabelledSetBelowScale06PaintsNothingAndZeroCountsAsOne) {
  char empty[2] = {1, 0};
  char label[3] = {2, 'A', 0};
  Poly object({{{10, 10}, {100, 100}}, {{50, 50}}, {{30, 80}, {90, 80}}});
  object.texts = {empty + 1, empty + 1, label + 1};
  object.Refresh();
  const std::vector<char> set = LabelledSet();
  Paint(DIB_FULLCOLOUR, PRIM_TEMPLATE, object.get(), set, 0.5f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);

  Paint(DIB_FULLCOLOUR, PRIM_TEMPLATE, object.get(), set, 1.0f);
  const int inked = CountOther(dibtest::kWhite);
  EXPECT_GT(inked, 0);
  EXPECT_EQ(Pixel(55, 55), 0xFF0000u);  // the first part's line
  EXPECT_EQ(Pixel(32, 84), 0u);  // the text's black box (background 0)
  Clear(dibtest::kWhite);
  Paint(DIB_ONECOLOUR, PRIM_TEMPLATE, object.get(), set, 0.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), inked);
  // A record shorter than its head, or polylines without texts, paint
  // nothing.
  Clear(dibtest::kWhite);
  const std::vector<char> shortSet = Words({4});
  PaintImageDraw(
      nullptr, object.get(),
      reinterpret_cast<const IMGDRAW*>(dibtest::Draw({{PRIM_TEMPLATE, shortSet}}).data()), 100,
      DibPainterTable[0].data(), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
  Clear(dibtest::kWhite);
  object.texts.assign(4, nullptr);
  object.Refresh();
  Paint(DIB_FULLCOLOUR, PRIM_TEMPLATE, object.get(), set, 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

TEST_F(DibPainters, EmptyOneColourSetDrawsTheThinDefaultLine) {
  Poly line({{{10, 50}, {100, 50}}});
  const std::vector<char> empty = dibtest::Draw({});
  Paint(DIB_ONECOLOUR, PRIM_SET, line.get(), empty, 5.0f);
  EXPECT_EQ(RowsInked(40, 0), 1);
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_SET, line.get(), empty, 5.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
  // Library images answer as closed slots: a black line of 260 at the scale.
  Paint(DIB_FULLCOLOUR, PRIM_LIBRARY, line.get(), Words({0, 1, 1, 7}), 2.0f);
  EXPECT_EQ(RowsInked(40, 0), 2);
}

// Shading on a device: a device that gives nothing back gets a white fill
// at full brightness only; a raster device is read back, shaded and
// written again in tiles of the memory image, the points given back.
TEST_F(DibPainters, DeviceShadingWhiteFillOrTiles) {
  HDC dc = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 150, 100, 300, 300);
  ASSERT_NE(dc, nullptr);
  RECT all{0, 0, 150, 100};
  HBRUSH grey = plat::CreateSolidBrush(0x404040);
  plat::FillRect(dc, &all, grey);
  plat::DeleteObject(grey);
  auto doc = std::make_unique<TPaintMetric>();
  doc->PaintDc = dc;
  Poly area({{{10, 10}, {140, 10}, {140, 90}, {10, 90}, {10, 10}}});
  const std::vector<char> white = Words({100, 0}), half = Words({50, 0});

  doc->DeviceFlag = 1;
  PaintShadeDevice(doc.get(), area.get(), half.data(), 1.0f);
  EXPECT_EQ(plat::gdi::GetPixelColor(dc, 70, 50), 0x404040u);
  PaintShadeDevice(doc.get(), area.get(), white.data(), 1.0f);
  EXPECT_EQ(plat::gdi::GetPixelColor(dc, 70, 50), 0xFFFFFFu);

  grey = plat::CreateSolidBrush(0x404040);
  plat::FillRect(dc, &all, grey);
  plat::DeleteObject(grey);
  doc->DeviceFlag = 0;
  FreePaintDib();
  Open(64, 48);  // the memory image: a tile of 64 x 48
  PaintContext.ImageWidth = 150;
  PaintContext.ImageHeight = 100;
  const std::vector<POINT> before = area.points;
  PaintShadeDevice(doc.get(), area.get(), white.data(), 1.0f);
  for (POINT p : std::vector<POINT>{{12, 12}, {70, 50}, {138, 88}, {64, 48}, {100, 20}})
    EXPECT_EQ(plat::gdi::GetPixelColor(dc, p.x, p.y), 0xFFFFFFu) << p.x << "," << p.y;
  for (POINT p : std::vector<POINT>{{5, 50}, {145, 50}, {70, 95}, {70, 5}})
    EXPECT_EQ(plat::gdi::GetPixelColor(dc, p.x, p.y), 0x404040u) << p.x << "," << p.y;
  EXPECT_EQ(area.points[2].x, before[2].x);
  EXPECT_EQ(area.points[2].y, before[2].y);
  EXPECT_EQ(area->MinX, 10);
  EXPECT_EQ(PaintContext.ImageWidth, 150);
  plat::DeleteDC(dc);
}

// Points far out, where moving them by a tile's corner saturates, are
// given back exactly as they were.
TEST_F(DibPainters, DeviceShadingGivesFarPointsBackExactly) {
  HDC dc = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 150, 100, 300, 300);
  ASSERT_NE(dc, nullptr);
  auto doc = std::make_unique<TPaintMetric>();
  doc->PaintDc = dc;
  Poly area({{{10, 10}, {140, 10}, {140, 90}, {10, 90}, {10, 10}},
             {{INT32_MIN + 10, INT32_MIN + 3}, {INT32_MIN + 90, INT32_MIN + 3},
              {INT32_MIN + 90, INT32_MIN + 70}, {INT32_MIN + 10, INT32_MIN + 3}}});
  const Poly before = area;
  FreePaintDib();
  Open(64, 48);  // tiles of 64 x 48
  PaintContext.ImageWidth = 150;
  PaintContext.ImageHeight = 100;
  PaintShadeDevice(doc.get(), area.get(), Words({100, 0}).data(), 1.0f);
  EXPECT_EQ(plat::gdi::GetPixelColor(dc, 70, 50), 0xFFFFFFu);
  EXPECT_TRUE(SamePoints(area, before));
  plat::DeleteDC(dc);
}

// A 32 x 32 pattern of the diagonal and row 10, for the pattern fills.
std::vector<char> DiagonalPattern() {
  std::vector<char> rows(128, 0);
  for (int r = 0; r < 32; ++r) rows[4 * r + r / 8] = char(0x80 >> (r % 8));
  for (int b = 0; b < 4; ++b) rows[4 * 10 + b] = char(0xFF);
  return rows;
}

// Code 138: the pattern tiled from the figure's top-left corner in the
// pattern colour over the background colour, the outline in the
// background; without a background only the pattern's bits are painted.
TEST_F(DibPainters, TwoColourPatternTilesFromTheFiguresCorner) {
  Poly square({kSquare});
  std::vector<char> parm = Words({0xF1FF0000, 0, 0xF100FF00, 0, 0, 0});
  const std::vector<char> rows = DiagonalPattern();
  parm.insert(parm.end(), rows.begin(), rows.end());
  ASSERT_EQ(parm.size(), 152u);
  Paint(DIB_FULLCOLOUR, PRIM_PATTERN, square.get(), parm, 1.0f);
  WritePng("dib_pattern138.png");
  // Pattern cell (c, r) lies at (20 + c, 20 + r), and again 32 further on.
  EXPECT_EQ(Pixel(25, 25), 0x00FF00u);
  EXPECT_EQ(Pixel(26, 25), 0xFF0000u);
  EXPECT_EQ(Pixel(40, 30), 0x00FF00u);  // row 10 whole
  EXPECT_EQ(Pixel(41, 31), 0xFF0000u);
  EXPECT_EQ(Pixel(53, 53), 0x00FF00u);  // cell (1, 1) of the next tile
  EXPECT_EQ(Pixel(53, 54), 0xFF0000u);
  EXPECT_EQ(Pixel(20, 40), 0xFF0000u);  // the outline
  EXPECT_EQ(Pixel(19, 40), dibtest::kWhite);
  EXPECT_EQ(Pixel(70, 40), dibtest::kWhite);

  Clear(dibtest::kWhite);
  std::memcpy(parm.data(), "\xFF\xFF\xFF\xFF", 4);  // no background
  Paint(DIB_FULLCOLOUR, PRIM_PATTERN, square.get(), parm, 1.0f);
  EXPECT_EQ(Pixel(25, 25), 0x00FF00u);
  EXPECT_EQ(Pixel(26, 25), dibtest::kWhite);
  EXPECT_EQ(Pixel(40, 30), 0x00FF00u);
  EXPECT_EQ(Pixel(20, 40), dibtest::kWhite);
  // The one-colour block draws the figure's outline only.
  Clear(dibtest::kWhite);
  Paint(DIB_ONECOLOUR, PRIM_PATTERN, square.get(), parm, 1.0f);
  EXPECT_EQ(Pixel(25, 25), dibtest::kWhite);
}

// Code 143: each layer stamped in its own colour at the first point less
// the anchor offsets (a pixel per 250 units), each bit one pixel, or 2 x 2
// from scale 1.9 on; layers the record's length does not hold are not
// read.
TEST_F(DibPainters, LayeredSignStampsEachLayerInItsColour) {
  auto sign = [](DWORD layers) {
    std::vector<char> parm = Words({20 + 2 * 132, layers, 8000, 750, 1000});
    std::vector<char> layer(132, 0);
    const DWORD red = 0xF1FF0000, green = 0xF100FF00;
    std::memcpy(layer.data(), &red, 4);
    layer[4] = char(0x80);            // row 0, column 0
    layer[4 + 4 * 31 + 3] = 1;        // row 31, column 31
    parm.insert(parm.end(), layer.begin(), layer.end());
    std::fill(layer.begin(), layer.end(), 0);
    std::memcpy(layer.data(), &green, 4);
    layer[4 + 4 * 2] = 0x20;          // row 2, column 2
    parm.insert(parm.end(), layer.begin(), layer.end());
    return parm;
  };
  Poly point({{{50, 50}}});
  Paint(DIB_FULLCOLOUR, PRIM_BITMAP, point.get(), sign(2), 1.0f);
  WritePng("dib_sign143.png");
  // The sign's corner at (50 - 4, 50 - 3).
  EXPECT_EQ(Pixel(46, 47), 0xFF0000u);
  EXPECT_EQ(Pixel(77, 78), 0xFF0000u);
  EXPECT_EQ(Pixel(48, 49), 0x00FF00u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 3);
  // A layer count past the record's length paints the layers it holds.
  Clear(dibtest::kWhite);
  Paint(DIB_ONECOLOUR, PRIM_BITMAP, point.get(), sign(5), 1.0f);
  EXPECT_EQ(Pixel(46, 47), 0xFF0000u);
  EXPECT_EQ(Pixel(48, 49), 0x00FF00u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 3);
  // Doubled: the corner at (50 - 8, 50 - 6), each bit 2 x 2.
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_BITMAP, point.get(), sign(2), 2.0f);
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx) {
      EXPECT_EQ(Pixel(42 + dx, 44 + dy), 0xFF0000u);
      EXPECT_EQ(Pixel(104 + dx, 106 + dy), 0xFF0000u);
      EXPECT_EQ(Pixel(46 + dx, 48 + dy), 0x00FF00u);
    }
  EXPECT_EQ(CountOther(dibtest::kWhite), 12);
  // Cut by the picture's edge: only what lies inside.
  Clear(dibtest::kWhite);
  Poly corner({{{2, 1}}});
  Paint(DIB_FULLCOLOUR, PRIM_BITMAP, corner.get(), sign(2), 1.0f);
  EXPECT_EQ(Pixel(29, 29), 0xFF0000u);  // row 31, column 31 at (-2 + 31, -2 + 31)
  EXPECT_EQ(Pixel(0, 0), 0x00FF00u);    // row 2, column 2
  EXPECT_EQ(CountOther(dibtest::kWhite), 2);
  // A record shorter than its head and one layer paints nothing.
  Clear(dibtest::kWhite);
  Paint(DIB_FULLCOLOUR, PRIM_BITMAP, point.get(), Words({20, 1, 8000, 0, 0}), 1.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
}

}  // namespace
