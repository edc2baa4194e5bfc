// Legend samples: the sample geometry of bare primitives, the record of an
// object kind chosen for the view type, the text lent to points without
// one, and samples of every kind of image painted side by side.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/fontreg.h"
#include "document/legend.h"
#include "drawing/devicepainters.h"
#include "records/drawedit.h"
#include "drawing/support/dibfixture.h"
#include "support/docfixture.h"
#include "support/signrsc.h"

namespace {

using dibtest::Words;
constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0;

// A record of nested parts after a head of `head` bytes, its length word
// first: a line with signs (146, 157) or a labelled set (150).
std::vector<char> Nested(size_t head, std::initializer_list<dibtest::Element> parts,
                         size_t countAt = 0) {
  std::vector<char> r(head, 0);
  for (const dibtest::Element& e : parts) {
    const WORD length = WORD(4 + e.parm.size()), code = WORD(e.code);
    r.insert(r.end(), reinterpret_cast<const char*>(&length),
             reinterpret_cast<const char*>(&length) + 2);
    r.insert(r.end(), reinterpret_cast<const char*>(&code),
             reinterpret_cast<const char*>(&code) + 2);
    r.insert(r.end(), e.parm.begin(), e.parm.end());
  }
  const DWORD length = DWORD(r.size()), count = DWORD(parts.size());
  std::memcpy(r.data(), &length, 4);
  if (countAt != 0) std::memcpy(r.data() + countAt, &count, 4);
  return r;
}

// A text in black of 2.5 mm in map font 0.
std::vector<char> TextRecord() {
  return Words({0x000000, 0xFFFFFFFF, 0xFFFFFFFF, 2500, 400, 0, 0, 0});
}

class Legend : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    MapDocumentTest::SetUp();
    doc->SetBackGround(kWhite);
    font = RegisterMapFont("Arial", RUSSIAN_CHARSET, 0) - 1;
  }
  void TearDown() override {
    if (font >= 0) ReleaseMapFont(font);
    MapDocumentTest::TearDown();
  }
  int Incode(uint32_t code, int local) { return doc->Rsc.GetObjIncode(code, local); }
  static int Count(const doctest::Picture& p, const RECT& r, uint32_t colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += p.At(x, y) == colour;
    return n;
  }
  int font = -1;
};

TEST_F(Legend, SampleGeometryOfTheRectangle) {
  EXAMPLESHAPE s;
  ExampleShape(PRIM_SQUARE, nullptr, 0, LOCAL_SQUARE, 100, 30, &s);
  EXPECT_EQ(s.Margin, 2);  // 30 / 12
  ASSERT_EQ(s.Parts, 1);
  ASSERT_EQ(s.Counts[0], 6);
  EXPECT_EQ(s.Points[2].x, 97);  // the top-right corner of the notched area
  EXPECT_EQ(s.Points[2].y, 2);
  EXPECT_EQ(s.Points[0].x, s.Points[5].x);  // closed at the notch
  ExampleShape(PRIM_LINE, nullptr, 0, LOCAL_LINE, 12, 12, &s);
  EXPECT_EQ(s.Margin, 2);  // 12 / 12 = 1 is raised
  EXPECT_EQ(s.Points[0].x, 2);
  EXPECT_EQ(s.Points[0].y, 9);
  ExampleShape(PRIM_NONE, nullptr, 0, LOCAL_LINE, 60, 60, &s);
  EXPECT_EQ(s.Parts, 2);
  ExampleShape(PRIM_EMPTY, nullptr, 0, LOCAL_LINE, 60, 60, &s);
  EXPECT_EQ(s.Margin, 0);
  EXPECT_EQ(s.Parts, 1);
  EXPECT_EQ(s.Counts[0], 0);
  // A line with a start sign and an end sign is shortened at both ends;
  // with only an end sign it ends at a third.
  const std::vector<char> both =
      Nested(8, {{128, Words({1, 250})}, {140, Words({1, 0, 500})}, {140, Words({1, 0, 500})}});
  ExampleShape(PRIM_DECORATED_SHORT, both.data(), LONG(both.size()), LOCAL_LINE, 120, 60, &s);
  EXPECT_EQ(s.Points[0].x, (3 * 5 + 114) / 4);
  EXPECT_EQ(s.Points[1].x, (3 * 114 + 5) / 4);
  const std::vector<char> end =
      Nested(8, {{128, Words({1, 250})}, {127, {}}, {140, Words({1, 0, 500})}});
  ExampleShape(PRIM_DECORATED_SHORT, end.data(), LONG(end.size()), LOCAL_LINE, 120, 60, &s);
  EXPECT_EQ(s.Points[0].x, 5);
  EXPECT_EQ(s.Points[1].x, (2 * 5 + 114) / 3);
  // Lying lengths leave the plain line.
  std::vector<char> lying = both;
  const DWORD huge = 0xFFFFFFF0;
  std::memcpy(lying.data(), &huge, 4);
  ExampleShape(PRIM_DECORATED_SHORT, lying.data(), 12, LOCAL_LINE, 120, 60, &s);
  EXPECT_EQ(s.Points[0].x, 5);
  EXPECT_EQ(s.Points[1].x, 114);
  // Huge rectangles keep every point inside 32 bits.
  ExampleShape(PRIM_SQUARE, nullptr, 0, LOCAL_SQUARE, 0x7FFFFFFF, 0x7FFFFFFF, &s);
  EXPECT_GT(s.Points[2].x, 0);
}

TEST_F(Legend, SampleTextsByFontAndSet) {
  std::vector<char> text = TextRecord();
  EXPECT_STREQ(SampleText(PRIM_TEXT, text.data()), "AaBbCc");  // font 0 is Cyrillic
  std::vector<char> face(64, 0);
  EXPECT_STREQ(SampleText(PRIM_FACE_TEXT, face.data()), "12345");
  face[30] = char(RUSSIAN_CHARSET);
  EXPECT_STREQ(SampleText(PRIM_FACE_TEXT, face.data()), "AaBbCc");
  const std::vector<char> set = dibtest::Draw({{PRIM_FACE_TEXT, std::vector<char>(64, 0)}});
  EXPECT_STREQ(SampleText(PRIM_SET, set.data()), "12345");
  EXPECT_STREQ(SampleText(PRIM_LINE, Words({1, 250}).data()), "AaBbCc");
}

TEST_F(Legend, KindsChooseTheirRecordAndLendTheirText) {
  const RECT rect{0, 0, 100, 40};
  doctest::MemoryDevice window(100, 40);
  // No usable record: the empty sample, nothing painted.
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 0, &doc->Rsc, 0, nullptr), 1);
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 9999, &doc->Rsc, 0, nullptr), 1);
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 1, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Count(doctest::GrabDc(window.dc), rect, kWhite), 100 * 40);
  // The road has no print record: view type 3 paints its screen record.
  const int road = Incode(doctest::KIND_ROAD, LOCAL_LINE);
  ASSERT_GT(road, 0);
  ASSERT_EQ(doc->Rsc.GetTabPrn(road), nullptr);
  const LONG type = doc->VisualType;
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, road, &doc->Rsc, 3, nullptr), 1);
  EXPECT_GT(Count(doctest::GrabDc(window.dc), rect, kRed), 100);
  EXPECT_EQ(doc->VisualType, type);

  // Points whose text list starts empty show the sample text for the call
  // and keep their own list.
  POINT points[2] = {{10, 30}, {90, 30}};
  LONG counts[1] = {2};
  char empty[1] = "";
  char* list[1] = {empty};
  POLYDATA data{};
  data.Points = points, data.PolyCounts = counts, data.Count = 1, data.Text = list;
  const std::vector<char> text = TextRecord();
  doctest::MemoryDevice other(100, 40);
  EXPECT_EQ(doc->PaintExampleObject(other.dc, rect, PRIM_TEXT, text.data(), &data, 0, nullptr, 0),
            1);
  EXPECT_EQ(data.Text, list);
  EXPECT_EQ(list[0], empty);
  EXPECT_GT(Count(doctest::GrabDc(other.dc), rect, kBlack), 20);
  // Without points or parameters nothing is painted.
  EXPECT_EQ(doc->PaintExampleObject(other.dc, rect, PRIM_TEXT, text.data(), nullptr, 0, nullptr, 0),
            0);
  EXPECT_EQ(doc->PaintExampleObject(other.dc, rect, PRIM_TEXT, nullptr, &data, 0, nullptr, 0), 0);
  EXPECT_EQ(
      doc->PaintExampleObjectReal(other.dc, rect, 0, nullptr, nullptr, 0, nullptr, 0, nullptr),
      1);  // the empty sample
}

// An empty or reversed rectangle holds no sample: 0 and nothing painted,
// on the memory image (view types 1, 2) as on the device (3, 4).
TEST_F(Legend, AnEmptyRectangleHoldsNoSampleAtAnyViewType) {
  const int road = Incode(doctest::KIND_ROAD, LOCAL_LINE);
  ASSERT_GT(road, 0);
  for (int type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    doctest::MemoryDevice window(100, 40);
    for (const RECT& rect : {RECT{10, 0, 10, 40}, RECT{0, 20, 100, 20}, RECT{90, 0, 10, 40}})
      EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, road, &doc->Rsc, type, nullptr), 0);
    EXPECT_EQ(Count(doctest::GrabDc(window.dc), RECT{0, 0, 100, 40}, kWhite), 100 * 40);
    EXPECT_EQ(doc->PaintExampleObject(window.dc, RECT{0, 0, 100, 40}, road, &doc->Rsc, type,
                                      nullptr),
              1);
  }
}

// Samples of a line, an area, a point, a title, a line with signs, a set
// and a labelled set, each in a cell of 120 x 60, into one picture.
TEST_F(Legend, SamplesOfEveryKindOfImage) {
  constexpr int kCell = 120, kRow = 60, kCells = 7;
  doctest::MemoryDevice window(kCell * kCells, kRow);
  auto cell = [&](int n) { return RECT{n * kCell, 0, n * kCell + kCell - 4, kRow}; };
  const std::vector<char> text = TextRecord();
  // A red line with green discs along it every 3 mm.
  std::vector<char> signs = Nested(8, {{128, Words({0x0000FF, 500})}, {127, {}}, {127, {}},
                                       {127, {}}, {127, {}}, {140, Words({0x00FF00, 0, 600})},
                                       {127, {}}});
  const LONG spacing = 3000;
  std::memcpy(signs.data() + 4, &spacing, 4);
  const std::vector<char> set =
      dibtest::Draw({{PRIM_LINE, Words({0xFF0000, 1500})}, {PRIM_LINE, Words({0x00FFFF, 300})}});
  // A red letter S of 4 mm as the labelled set's sign.
  std::vector<char> sign = Words({0x0000FF, 0xFFFFFFFF, 0xFFFFFFFF, 4000});
  sign.resize(92);
  sign[64] = 'S';
  const std::vector<char> labelled =
      Nested(68, {{PRIM_LINE, Words({0x000000, 250})}, {PRIM_FONT_SIGN, sign}}, 64);
  const COLORREF palette[1] = {0};
  auto kind = [&](int n, uint32_t code, int local) {
    return doc->PaintExampleObject(window.dc, cell(n), Incode(code, local), &doc->Rsc, 0, nullptr);
  };
  auto bare = [&](int n, int code, const std::vector<char>& parm, int local) {
    return doc->PaintExampleObject(window.dc, cell(n), code, parm.data(), 1, palette, 0, nullptr,
                                   local);
  };
  EXPECT_EQ(kind(0, doctest::KIND_ROAD, LOCAL_LINE), 1);
  EXPECT_EQ(kind(1, doctest::KIND_LAKE, LOCAL_SQUARE), 1);
  EXPECT_EQ(kind(2, doctest::KIND_WELL, LOCAL_POINT), 1);
  EXPECT_EQ(bare(3, PRIM_TEXT, text, LOCAL_TITLE), 1);
  EXPECT_EQ(bare(4, PRIM_DECORATED_SHORT, signs, LOCAL_LINE), 1);
  EXPECT_EQ(bare(5, PRIM_SET, set, LOCAL_LINE), 1);
  EXPECT_EQ(bare(6, PRIM_TEMPLATE, labelled, LOCAL_POINT), 1);
  const doctest::Picture p = doctest::GrabDc(window.dc);
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/legend_samples.png");
  EXPECT_GT(Count(p, cell(0), kRed), 100);    // the red road across
  EXPECT_GT(Count(p, cell(1), kBlue), 2000);  // the lake's notched area
  EXPECT_EQ(p.At(cell(1).left + 60, 5), kBlue);
  EXPECT_EQ(p.At(cell(1).left + 60, 55), kWhite);  // the notch
  EXPECT_GT(Count(p, cell(2), kBlack), 10);        // the well at the centre
  EXPECT_EQ(p.At(cell(2).left + 58, 29), kBlack);
  EXPECT_GT(Count(p, cell(3), kBlack), 20);  // "AaBbCc"
  EXPECT_GT(Count(p, cell(4), kRed), 50);     // the line with signs
  EXPECT_GT(Count(p, cell(4), 0x00FF00), 20);  // and its discs
  EXPECT_GT(Count(p, cell(5), 0x0000FF), 50);
  EXPECT_GT(Count(p, cell(5), 0xFFFF00), 20);
  EXPECT_GT(Count(p, cell(6), kRed), 10);   // the labelled set's sign
  EXPECT_GT(Count(p, cell(6), kBlack), 5);  // and the label strokes beside it
}

// The samples of a kind whose sign claims far more than its record holds
// (two bytes changed in a classifier the library made): nothing is painted
// and nothing past the record is read, in the memory image and on a
// device; the same kinds intact paint their signs.
TEST_F(Legend, SignsClaimingMoreThanTheirRecordPaintNothing) {
  rsctest::SignClassifier c;
  ASSERT_TRUE(rsctest::MakeSignClassifier(dir / "made.rsc", &c));
  auto paint = [&](TMapRsc& rsc, int n, int viewType) {
    doctest::MemoryDevice window(120, 60);
    const RECT rect{0, 0, 120, 60};
    EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, n, &rsc, viewType, nullptr), 1);
    return 120 * 60 - Count(doctest::GrabDc(window.dc), rect, kWhite);
  };
  TMapRsc intact;
  ASSERT_EQ(1, intact.OpenRsc((dir / "made.rsc").c_str(), 0)) << intact.Error();
  rsctest::DamageBitmapSign(&c);
  rsctest::DamageVectorSign(&c);
  ASSERT_TRUE(rsctest::WriteBytes(dir / "damaged.rsc", c.bytes));
  TMapRsc damaged;
  ASSERT_EQ(1, damaged.OpenRsc((dir / "damaged.rsc").c_str(), 0)) << damaged.Error();
  for (int n : {c.bitmapKind, c.vectorKind}) {
    for (int viewType : {1, 4}) {
      SCOPED_TRACE(std::to_string(n) + " at view type " + std::to_string(viewType));
      EXPECT_GT(paint(intact, n, viewType), 4);
      EXPECT_EQ(paint(damaged, n, viewType), 0);
    }
  }
}

// Every image function whose record carries lengths and counts of its own,
// as a kind's image whose own length (and counts) claim far more than the
// kind's record holds: its samples paint nothing in the memory image and on
// a device, and it measures as empty. A sign by reference never paints
// from a record: the address it holds is not followed.
TEST_F(Legend, EveryRecordClaimingMoreThanItsKindsRecordPaintsNothing) {
  rsctest::SignClassifier c;
  ASSERT_TRUE(rsctest::MakeSignClassifier(dir / "made.rsc", &c));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc((dir / "made.rsc").c_str(), 0)) << rsc.Error();
  const int kind = c.bitmapKind;
  auto paintsNothing = [&] {
    for (int viewType : {1, 4}) {
      doctest::MemoryDevice window(120, 60);
      const RECT rect{0, 0, 120, 60};
      EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, kind, &rsc, viewType, nullptr), 1);
      EXPECT_EQ(Count(doctest::GrabDc(window.dc), rect, kWhite), 120 * 60) << viewType;
    }
  };
  constexpr DWORD kClaim = 0x30000;  // bytes: far past the classifier's memory
  const int codes[] = {PRIM_BITMAP,      PRIM_LAYERED_PATTERN, PRIM_DECORATED_SHORT,
                       PRIM_SET,         PRIM_VECTOR,          PRIM_TEMPLATE,
                       PRIM_ANGLE_HATCH, PRIM_AREA_SIGNS,      PRIM_VECTOR_MIRROR,
                       PRIM_DECORATED,   PRIM_PATTERN_LINE,    PRIM_OFFSET_LINE};
  for (int code : codes) {
    SCOPED_TRACE(code);
    char parm[256] = {};
    const int from = code == PRIM_VECTOR_MIRROR ? PRIM_VECTOR : code;
    ASSERT_EQ(1, TDrawEdit::Init(from, parm));
    const int length = PrimitiveParmLength(from, parm);
    ASSERT_GT(length, 0);
    // The length word, and the counts that follow it where there are any.
    const DWORD claim = code == PRIM_LAYERED_PATTERN ? kClaim - 4 : kClaim;
    const DWORD many = 0x7FFF;
    std::memcpy(parm + (code == PRIM_LAYERED_PATTERN || code == PRIM_SET ? 4 : 0), &claim, 4);
    if (code == PRIM_BITMAP) std::memcpy(parm + 4, &many, 4);
    if (code == PRIM_LAYERED_PATTERN) std::memcpy(parm + 8, &many, 4);
    if (code == PRIM_SET) std::memcpy(parm + 8, &many, 2);
    if (code == PRIM_VECTOR || code == PRIM_VECTOR_MIRROR) std::memcpy(parm + 52, &many, 4);
    ASSERT_NE(nullptr, rsc.SetTabPar(kind, length, code, parm));
    paintsNothing();
    IMAGESIZE size;
    std::memset(&size, 0x55, sizeof size);
    EXPECT_EQ(1, rsc.GetImageSize(kind, &size, 0, nullptr));
    EXPECT_EQ(0, size.Width);
    IMAGEFRAME frame{};
    EXPECT_EQ(1, rsc.GetImageFrame(code, rsc.GetPar(kind), 0.0, &frame));
    EXPECT_EQ(0.0, frame.Point[2].X);
  }
  // A sign by reference holding an address that is no sign's.
  std::vector<char> ref(IMGVECTORREF_LENGTH, 0);
  const DWORD length = IMGVECTORREF_LENGTH;
  std::memcpy(ref.data(), &length, 4);
  std::memset(ref.data() + IMGVECTORREF_ADDRESS, 0x5A, sizeof(void*));
  ASSERT_NE(nullptr, rsc.SetTabPar(kind, int(ref.size()), PRIM_VECTOR_REF, ref.data()));
  paintsNothing();
}

// A text sample stands on its line inside the box, whatever vertical
// alignment the kind's labels take on their objects: hung from the line
// (top) or set across it, it would be cut at the box's bottom edge. A set
// that begins with the text is sampled as the text.
TEST_F(Legend, TextSamplesStandInsideTheirBox) {
  constexpr int kCell = 120, kRow = 60, kGap = 20;
  const WORD aligns[] = {0x18, 0, 0x1018, 8};  // baseline, top, middle, bottom
  // A row in the memory image (view type 0), one through the device
  // painters (3).
  const int viewTypes[] = {0, 3};
  doctest::MemoryDevice window(kCell * 8, 2 * (kRow + kGap));
  const COLORREF palette[1] = {0};
  auto cell = [&](int row, int n) {
    const LONG top = row * (kRow + kGap);
    return RECT{n * kCell, top, n * kCell + kCell - 4, top + kRow};
  };
  for (int row = 0; row < 2; ++row)
    for (int n = 0; n < 8; ++n) {
      std::vector<char> text = TextRecord();
      std::memcpy(text.data() + 20, &aligns[n % 4], 2);
      // The second four: the same as a set's one element.
      const std::vector<char> set = dibtest::Draw({{PRIM_TEXT, text}});
      const int code = n < 4 ? PRIM_TEXT : PRIM_SET;
      EXPECT_EQ(doc->PaintExampleObject(window.dc, cell(row, n), code,
                                        n < 4 ? text.data() : set.data(), 1, palette,
                                        viewTypes[row], nullptr, LOCAL_TITLE),
                1);
    }
  const doctest::Picture p = doctest::GrabDc(window.dc);
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/legend_texts.png");
  for (int row = 0; row < 2; ++row)
    for (int n = 0; n < 8; ++n) {
      SCOPED_TRACE(testing::Message() << "view type " << viewTypes[row] << " cell " << n);
      const RECT r = cell(row, n);
      // "AaBbCc" painted, none of it on the box's first or last rows or
      // below.
      EXPECT_GT(Count(p, r, kBlack), 60);
      EXPECT_EQ(Count(p, RECT{r.left, r.top, r.right, r.top + 2}, kBlack), 0);
      EXPECT_EQ(Count(p, RECT{r.left, r.bottom - 2, r.right, r.bottom + kGap}, kBlack), 0);
      // Every alignment stands as the baseline does, in a set as alone.
      const RECT first = cell(row, 0);
      int differ = 0;
      for (int y = 0; y < kRow; ++y)
        for (int x = 0; x < kCell; ++x)
          differ += p.At(r.left + x, r.top + y) != p.At(first.left + x, first.top + y);
      EXPECT_EQ(differ, 0);
    }
}

}  // namespace
