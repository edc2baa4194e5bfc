// The pattern line of code 158 seen through a host's drawing callbacks:
// short or damaged records, pieces stretched to whole patterns, thickness
// and layout at small scales, and the sign that ends every open part; and
// its memory-image painter's pixel sizes and piece thickness.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "devices/devdraw.h"
#include "devices/support/devcanvas.h"
#include "devices/fontreg.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/painttext.h"
#include "drawing/patternline.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"

namespace {

struct Shape {
  char kind;  // 'l' line, 'a' area, 't' text
  std::vector<POINT> points;
  std::string text;
  LONG escapement = 0;
};
std::vector<Shape> g_shapes;

void WINAPI OnLine(POINT* p, int n) { g_shapes.push_back({'l', {p, p + n}, ""}); }
void WINAPI OnArea(POINT* p, int* counts, int, RECT*) {
  g_shapes.push_back({'a', {p, p + counts[0]}, ""});
}
void WINAPI OnText(int x, int y, const char* text, LOGFONTA* font, int, COLORREF) {
  g_shapes.push_back({'t', {POINT{x, y}}, text, font->lfEscapement});
}

// A code-158 record: the header, then the items.
struct Record {
  std::vector<char> bytes = std::vector<char>(20, 0);
  Record(LONG endItem) { Set(8, DWORD(endItem)); }
  void Set(size_t at, DWORD v) { std::memcpy(bytes.data() + at, &v, 4); }
  Record& Item(DWORD code, DWORD extent, std::vector<char> parm) {
    const size_t at = bytes.size();
    bytes.resize(at + 12);
    Set(at, DWORD(12 + parm.size()));
    Set(at + 4, code);
    Set(at + 8, extent);
    bytes.insert(bytes.end(), parm.begin(), parm.end());
    DWORD count;
    std::memcpy(&count, bytes.data() + 4, 4);
    Set(4, count + 1);
    Set(0, DWORD(bytes.size()));
    return *this;
  }
  Record& Line(DWORD extent, DWORD thickness) {
    std::vector<char> p(8);
    const DWORD colour = 0x0000FF;
    std::memcpy(p.data(), &colour, 4);
    std::memcpy(p.data() + 4, &thickness, 4);
    return Item(PRIM_LINE, extent, p);
  }
  Record& Gap(DWORD extent) { return Item(PRIM_EMPTY, extent, {}); }
  Record& FontSign(DWORD extent, char symbol) {
    IMGFONTSIGN sign{};
    sign.Face.Text.Color = 0x008000;
    sign.Face.Text.BkgndColor = sign.Face.Text.ShadowColor = 0xFFFFFFFF;
    sign.Face.Text.Height = 2540;
    sign.Face.Text.CharSet = RUSSIAN_CHARSET;
    std::strcpy(sign.Face.FontName, "Arial");
    sign.Symbol = BYTE(symbol);
    std::vector<char> p(sizeof sign);
    std::memcpy(p.data(), &sign, sizeof sign);
    return Item(PRIM_FONT_SIGN, extent, p);
  }
  // A vector sign of one line subject across the line (84 bytes); its
  // own length word says `stated` bytes when that is not 0, and its count
  // `subjects`.
  Record& VectorSign(DWORD extent, DWORD stated = 0, DWORD subjects = 1) {
    std::vector<char> p(56, 0);
    auto put = [&](size_t at, DWORD v) { std::memcpy(p.data() + at, &v, 4); };
    put(12, 1000);
    for (size_t at : {20, 24, 32, 36}) put(at, 10000);
    put(52, subjects);
    const char subject[4] = {1, char(PRIM_LINE), 4, 0};
    p.insert(p.end(), subject, subject + 4);
    const DWORD words[6] = {0x0000FF, 2, 0, 0, 5000, 5000};
    const char* w = reinterpret_cast<const char*>(words);
    p.insert(p.end(), w, w + sizeof words);
    put(0, stated != 0 ? stated : DWORD(p.size()));
    return Item(PRIM_VECTOR, extent, p);
  }
};

// The record painted along one part by a painter of code 158.
void PaintOnePart(void (*painter)(TPaintMetric*, POLYDATA*, const char*, float), TPaintMetric* doc,
                  const Record& r, std::vector<POINT>& points, float scale) {
  LONG n = LONG(points.size());
  POLYDATA data{};
  data.Points = points.data();
  data.PolyCounts = &n;
  data.Count = 1;
  painter(doc, &data, r.bytes.data(), scale);
}

class PatternLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_ = std::make_unique<TPaintMetric>();
    dc_ = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 400, 300, 96, 96);
    doc_->PaintDc = dc_;
    saved_ = {PaintContext.ImageWidth, PaintContext.ImageHeight};
    PaintContext.ImageWidth = 400;
    PaintContext.ImageHeight = 300;
    g_shapes.clear();
    table_ = {OnLine, OnArea, OnText, nullptr, nullptr, nullptr};
    SetDrawingCallbacks(&table_);
  }
  void TearDown() override {
    SetDrawingCallbacks(nullptr);
    PaintContext.ImageWidth = saved_.cx;
    PaintContext.ImageHeight = saved_.cy;
    plat::DeleteDC(dc_);
  }
  void Paint(const Record& r, std::vector<POINT> points, float scale = 1.0f) {
    PaintOnePart(PaintPatternLine, doc_.get(), r, points, scale);
  }
  std::vector<Shape> Of(char kind) const {
    std::vector<Shape> out;
    for (const Shape& s : g_shapes)
      if (s.kind == kind) out.push_back(s);
    return out;
  }

  std::unique_ptr<TPaintMetric> doc_;
  HDC dc_ = nullptr;
  SIZE saved_{};
  DrawingCallbackTable table_{};
};

TEST_F(PatternLineTest, ShortOrDamagedRecordsDrawNothing) {
  Record r(0);
  r.Line(2500, 250).Gap(1250);
  Paint(r, {{10, 10}, {200, 10}});
  ASSERT_FALSE(g_shapes.empty());

  std::vector<Record> bad(4, r);
  bad[0].Set(0, 35);                    // shorter than the least record
  bad[1].Set(4, DWORD(-1));             // negative item count
  bad[2].Set(20, 5000);                 // the first item runs past the record
  bad[3].Set(4, 0);                     // no items
  for (size_t i = 0; i < bad.size(); ++i) {
    g_shapes.clear();
    Paint(bad[i], {{10, 10}, {200, 10}});
    EXPECT_TRUE(g_shapes.empty()) << i;
  }
  // A record that says it is shorter than the header, and is: nothing of
  // the header is read past it.
  for (DWORD length : {4u, 12u, 19u}) {
    Record shorter(0);
    shorter.bytes.assign(r.bytes.begin(), r.bytes.begin() + length);
    shorter.bytes.shrink_to_fit();
    shorter.Set(0, length);
    g_shapes.clear();
    Paint(shorter, {{10, 10}, {200, 10}});
    EXPECT_TRUE(g_shapes.empty()) << length;
  }
}

// A sign whose own length runs past its item (and the record) is read no
// further than the item: it is a gap, as an item of no code is.
TEST_F(PatternLineTest, ASignLongerThanItsItemIsAGap) {
  // The pieces' places (a sign ending no part takes them as a gap does).
  auto pieces = [&](const Record& r) {
    g_shapes.clear();
    Paint(r, {{10, 10}, {200, 10}});
    std::vector<LONG> xs;
    for (const Shape& s : Of('l'))
      for (const POINT& p : s.points) xs.push_back(p.x);
    return xs;
  };
  Record sign(0), gap(0);
  const std::vector<LONG> withSign = pieces(sign.Line(2500, 250).VectorSign(1250));
  const std::vector<LONG> withGap = pieces(gap.Line(2500, 250).Gap(1250));
  EXPECT_EQ(withSign, withGap);
  for (DWORD stated : {0x7FFFFFFFu, 0x1000u, 85u}) {
    Record damaged(0);
    EXPECT_EQ(pieces(damaged.Line(2500, 250).VectorSign(1250, stated, 2)), withGap) << stated;
  }
}

TEST_F(PatternLineTest, PiecesAreStretchedToWholePatternsAlongThePart) {
  // 10 pixels of line, 5 of gap (micrometres at 250 per pixel): an open
  // part of 110 pixels ends with the end item (the line piece) and takes
  // nearest((110 - 10) / 15 + 1) = 8 patterns, the pieces stretched by
  // 110 / 115.
  Record r(0);
  r.Line(2500, 250).Gap(1250);
  Paint(r, {{0, 20}, {110, 20}});
  const auto lines = Of('l');
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].points[0].x, 0);
  EXPECT_EQ(lines[0].points[1].x, 10);   // 9.57
  EXPECT_EQ(lines[1].points[0].x, 14);   // + 4.78
  EXPECT_EQ(lines[7].points[1].x, 110);  // the last piece ends the part
  // A part shorter than half a pattern is one line piece along all of it.
  g_shapes.clear();
  Paint(r, {{0, 40}, {4, 40}});
  ASSERT_EQ(Of('l').size(), 1u);
  EXPECT_EQ(Of('l')[0].points[1].x, 4);
}

TEST_F(PatternLineTest, PiecesAreThinBelowScaleOneAndLaidOutAsAtScale02Below) {
  Record r(0);
  r.Line(2500, 750).Gap(1250);  // 3 pixels thick at scale 1
  Paint(r, {{0, 20}, {100, 20}, {100, 80}});
  EXPECT_TRUE(Of('l').empty());
  EXPECT_FALSE(Of('a').empty());  // bands
  g_shapes.clear();
  Paint(r, {{0, 20}, {100, 20}, {100, 80}}, 0.5f);
  EXPECT_TRUE(Of('a').empty());
  EXPECT_FALSE(Of('l').empty());
  // Below 0.2 the pattern is that of 0.2.
  g_shapes.clear();
  Paint(r, {{0, 20}, {300, 20}}, 0.2f);
  std::vector<Shape> at02 = g_shapes;
  g_shapes.clear();
  Paint(r, {{0, 20}, {300, 20}}, 0.05f);
  ASSERT_EQ(g_shapes.size(), at02.size());
  for (size_t i = 0; i < at02.size(); ++i)
    EXPECT_EQ(g_shapes[i].points[1].x, at02[i].points[1].x) << i;
}

// A line piece and a font sign with end item 1: the open part ends with
// the sign, and every sign is turned along the segment it stands on.
TEST_F(PatternLineTest, OpenPartsEndWithTheEndItemsSignTurnedAlongTheLine) {
  Record r(1);
  r.Line(2500, 250).FontSign(1250, 'X');  // 10 and 5 pixels: 12 patterns in 180
  Paint(r, {{0, 20}, {100, 20}, {100, 100}});
  const auto signs = Of('t');
  ASSERT_EQ(signs.size(), 12u);
  EXPECT_GE(Of('l').size(), 12u);  // the piece at the corner goes on as a second one
  int down = 0;
  for (const Shape& t : signs) {
    EXPECT_EQ(t.text, "X");
    down += t.escapement == -900;
    EXPECT_TRUE(t.escapement == 0 || t.escapement == -900) << t.escapement;
  }
  EXPECT_EQ(down, 6);
  EXPECT_EQ(signs.back().escapement, -900);  // the last one, at the end
  EXPECT_EQ(signs.back().points[0].y, 95);
}

// --- In the memory image ---

// 250 micrometres to the pixel.
class PatternLineDib : public dibtest::DibTest {
 protected:
  void SetUp() override {
    DibTest::SetUp();
    saved_ = SetScreenPixelsPerMeter(4000);
  }
  void TearDown() override {
    SetScreenPixelsPerMeter(saved_);
    DibTest::TearDown();
  }
  void Paint(const Record& r, std::vector<POINT> points, float scale = 1.0f) {
    PaintOnePart(PaintPatternLineDib, nullptr, r, points, scale);
  }
  // The inked rows of column x.
  static std::vector<int> Rows(int x) {
    std::vector<int> rows;
    for (int y = 0; y < PaintContext.ImageHeight; ++y)
      if (Pixel(x, y) != dibtest::kWhite) rows.push_back(y);
    return rows;
  }
  int saved_ = 0;
};

// Pieces of trunc(t x s) / 250 - 1 pixels from scale 1 on: 500 micrometres
// is one pixel (the rasteriser), 750 two (a filled band with its outline);
// below scale 1 every piece is one pixel; below 0.2 the layout is 0.2's.
TEST_F(PatternLineDib, PieceThicknessAndLayoutByScale) {
  Record thin(0), wide(0);
  thin.Line(2500, 500).Gap(1250);  // 10 and 5 pixels
  wide.Line(2500, 750).Gap(1250);
  Paint(thin, {{0, 20}, {110, 20}});
  EXPECT_EQ(Rows(5), std::vector<int>{20});
  EXPECT_EQ(Pixel(5, 20), 0xFF0000u);
  EXPECT_TRUE(Rows(12).empty());  // the first gap
  Clear(dibtest::kWhite);
  Paint(wide, {{0, 20}, {110, 20}});
  EXPECT_EQ(Rows(5), (std::vector<int>{19, 20, 21}));
  Clear(dibtest::kWhite);
  Paint(wide, {{0, 20}, {110, 20}}, 0.5f);  // 5 and 2 pixels, one thick
  EXPECT_EQ(Rows(2), std::vector<int>{20});
  EXPECT_TRUE(Rows(6).empty());
  Record sparse(0);
  sparse.Line(2500, 750).Gap(7500);
  auto picture = [&](float scale) {
    Clear(dibtest::kWhite);
    Paint(sparse, {{0, 20}, {150, 20}, {150, 100}}, scale);
    std::vector<DWORD> all;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) all.push_back(Pixel(x, y));
    return all;
  };
  EXPECT_EQ(picture(0.05f), picture(0.2f));
  EXPECT_NE(picture(0.3f), picture(0.2f));
}

// Lengths are trunc(v x s x pixels per metre x 1e-6): 2,500 micrometres at
// 3,000 pixels a metre are 7 pixels.
TEST_F(PatternLineDib, ASignLongerThanItsItemIsAGap) {
  auto pixels = [] {
    std::vector<DWORD> all;
    for (int y = 0; y < PaintContext.ImageHeight; ++y)
      for (int x = 0; x < PaintContext.ImageWidth; ++x) all.push_back(Pixel(x, y));
    return all;
  };
  Record sign(0), gap(0);
  sign.Line(2500, 500).VectorSign(1250);
  Paint(sign, {{0, 20}, {110, 20}});
  const std::vector<DWORD> withSigns = pixels();
  Clear(dibtest::kWhite);
  gap.Line(2500, 500).Gap(1250);
  Paint(gap, {{0, 20}, {110, 20}});
  const std::vector<DWORD> withGaps = pixels();
  ASSERT_NE(withSigns, withGaps);
  for (DWORD stated : {0x7FFFFFFFu, 0x1000u, 85u}) {
    Clear(dibtest::kWhite);
    Record damaged(0);
    damaged.Line(2500, 500).VectorSign(1250, stated, 2);
    Paint(damaged, {{0, 20}, {110, 20}});
    EXPECT_EQ(pixels(), withGaps) << stated;
  }
}

TEST_F(PatternLineDib, ExtentsAtTheScreensResolution) {
  SetScreenPixelsPerMeter(3000);
  Record r(0);
  r.Line(2500, 250).Gap(2500);
  Paint(r, {{0, 20}, {49, 20}});  // 7 + 3 x 14 pixels: four whole patterns
  for (int x : {0, 3, 6, 14, 20, 28, 42, 49}) EXPECT_EQ(Pixel(x, 20), 0xFF0000u) << x;
  for (int x : {8, 10, 13, 22, 36, 41}) EXPECT_EQ(Pixel(x, 20), dibtest::kWhite) << x;
}

// One-pixel pieces stand where the device painter puts them when the
// device has the screen's resolution (axis-parallel, where both
// rasterisers take the same pixels).
TEST_F(PatternLineDib, PiecesWhereTheDevicePutsThem) {
  devtest::Canvas canvas(160, 120);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc, 101.6, 101.6);  // 4,000 pixels a metre
  doc.SetPaintSize(160, 120);
  Record r(0);
  r.Line(2500, 250).Gap(1250);
  std::vector<POINT> points = {{5, 20}, {150, 20}, {150, 100}, {20, 100}, {20, 60}};
  Paint(r, points);
  PaintOnePart(PaintPatternLine, &doc, r, points, 1.0f);
  int inked = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      const bool memory = Pixel(x, y) == 0xFF0000;
      inked += memory;
      ASSERT_EQ(plat::gdi::GetPixelColor(canvas.dc, x, y) == 0x0000FF, memory) << x << "," << y;
    }
  EXPECT_GT(inked, 200);
}

}  // namespace
