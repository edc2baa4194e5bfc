// The tables of painters and tests by primitive code, the walks of drawing
// descriptions and primitive sets, and the stand-ins that hold the places
// of painters still to come.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drawing/dibpainters.h"
#include "drawing/imagelibrary.h"
#include "drawing/linesigns.h"
#include "drawing/paintmetric.h"
#include "drawing/pendingpainters.h"
#include "drawing/primtables.h"
#include "drawing/support/devicecalls.h"
#include "drawing/visibility.h"
#include "support/dibfixture.h"

namespace {

using dibtest::Draw;
using dibtest::Element;
using dibtest::Poly;
using dibtest::Words;
using Codes = std::set<int>;

Codes CodesWhere(const PainterBlock& block, IMGPAINTER painter, bool equal) {
  Codes codes;
  for (int c = 0; c < PRIM_COUNT; ++c)
    if ((block[c] == painter) == equal) codes.insert(c);
  return codes;
}

// --- The device blocks ---

TEST(DeviceTable, BlocksThreeToFivePaintOnlyTheirCodes) {
  const auto& t = DevicePainterTable;
  EXPECT_EQ(CodesWhere(t[5], PaintNothing, false), (Codes{142, 147, 150, 152, 154, 221}));
  EXPECT_EQ(t[3][PRIM_TEXT], PaintNothing);
  EXPECT_EQ(t[3][PRIM_FACE_TEXT], PaintNothing);
  EXPECT_EQ(t[3][PRIM_BITMAP32], PaintNothing);
  EXPECT_EQ(t[4][PRIM_SQUARE], PaintNothing);
  EXPECT_EQ(t[4][PRIM_TEMPLATE], PaintNothing);
  EXPECT_EQ(t[0][PRIM_BITMAP32], PaintDefaultLine);
  for (int b = 0; b < 3; ++b)
    for (int code : {130, 131, 132, 133, 134, 137, 138, 139, 141, 145, 200, 255})
      EXPECT_EQ(t[b][code], PaintDefaultLine) << b << " " << code;
  EXPECT_EQ(t[0][0], PaintNothing);
  EXPECT_EQ(t[1][127], PaintNothing);
  EXPECT_EQ(t[2][127], PaintDefaultLine);
}

TEST(DeviceTable, OneColourBlockOutlinesItsAreasAndLines) {
  const auto& t = DevicePainterTable;
  EXPECT_EQ(CodesWhere(t[2], PaintOneColourFill, true),
            (Codes{128, 129, 135, 136, 144, 146, 148, 153, 155, 157, 158}));
  EXPECT_EQ(CodesWhere(t[1], PaintOneColourFill, true), (Codes{135}));
  for (int b = 0; b < DEVICE_BLOCK_COUNT; ++b) {
    EXPECT_EQ(t[b][PRIM_SET], PaintPrimitiveSet);
    EXPECT_EQ(t[b][PRIM_SHADE], PaintShadeDevice);
    EXPECT_EQ(t[b][PRIM_LIBRARY_ALT], PaintLibraryImageDevice);
  }
  // Blocks 0, 1, 3 and 4 share the painters of the signs and special lines.
  for (int code : {140, 143, 149, 151, 156, 159, 199, 250})
    for (int b : {1, 2, 3, 4}) EXPECT_EQ(t[b][code], t[0][code]) << b << " " << code;
  for (int b : {0, 1, 3, 4}) {
    EXPECT_EQ(t[b][PRIM_DECORATED_SHORT], PaintShortLineSignsDevice);
    EXPECT_EQ(t[b][PRIM_DECORATED], PaintLineSignsDevice);
  }
}

TEST(DibTable, BlocksByCode) {
  const auto& full = DibPainterTable[DIB_FULLCOLOUR];
  const auto& one = DibPainterTable[DIB_ONECOLOUR];
  EXPECT_EQ(CodesWhere(one, PaintDibOutline, true),
            (Codes{128, 129, 130, 131, 132, 133, 134, 135, 138, 144, 145,
                   148, 149, 153, 155, 156, 157, 158, 159, 199, 221, 250}));
  EXPECT_EQ(CodesWhere(full, PaintDefaultImage, false),
            (Codes{0,   127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137,
                   138, 140, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151,
                   152, 153, 154, 155, 156, 157, 158, 159, 199, 221, 250}));
  EXPECT_EQ(full[0], PaintEmptyImage);
  EXPECT_EQ(one[0], PaintDefaultImage);
  EXPECT_EQ(one[127], PaintDefaultImage);
  EXPECT_EQ(one[PRIM_DECORATED_SHORT], PaintDibOneColourDefault);
  EXPECT_EQ(one[PRIM_SET], PaintDibSetOneColour);
  for (int code : {136, 137, 140, 142, 143, 150, 151, 152, 154})
    EXPECT_EQ(one[code], full[code]) << code;
  EXPECT_EQ(full[PRIM_LIBRARY], PaintDibLibraryImage);
  EXPECT_EQ(full[PRIM_LIBRARY_ALT], PaintDibLibraryImage);
  EXPECT_EQ(full[PRIM_DECORATED_SHORT], PaintLineSigns146);
  EXPECT_EQ(full[PRIM_DECORATED], PaintLineSigns157);
}

TEST(VisibilityTable, TestsByCode) {
  std::map<IMGTESTER, Codes> by;
  for (int c = 0; c < PRIM_COUNT; ++c) by[VisibilityTestTable[c]].insert(c);
  EXPECT_EQ(by[TestImageByMask], (Codes{135, 136, 138, 144, 153, 154, 155}));
  EXPECT_EQ(by.size(), 12u);
  EXPECT_EQ(VisibilityTestTable[0], TestDefaultImage);
  EXPECT_EQ(VisibilityTestTable[221], TestDefaultImage);
  EXPECT_EQ(VisibilityTestTable[250], TestLibraryImage);
  EXPECT_EQ(VisibilityTestTable[147], TestPrimitiveSet);
}

// Every stand-in is named here with the component that replaces it; a
// component that brings its functions takes them out of this list.
TEST(PendingPainters, StandInsAreNamed) {
  const std::map<std::string, std::vector<std::string>> expected = {
      {"painting geometry", {"PaintAreaSignsDevice", "PaintDevicePatternFill"}},
      {"mark vectorization", {"PaintScaledMark"}},
      {"vector signs",
       {"PaintDibVectorSign", "PaintDibVectorSignMirrored", "PaintDibVectorSignByReference"}},
      {"sign grid fill", {"PaintDibAreaSigns"}},
      {"pattern line", {"PaintDibPatternLine"}},
  };
  std::map<std::string, std::vector<std::string>> listed;
  for (const PENDINGENTRY* e = PendingEntries(); e->Name != nullptr; ++e)
    listed[e->ComesWith].push_back(e->Name);
  for (auto& [k, v] : listed) std::sort(v.begin(), v.end());
  auto sorted = expected;
  for (auto& [k, v] : sorted) std::sort(v.begin(), v.end());
  EXPECT_EQ(listed, sorted);
}

// --- Walks ---

// A block whose painters write down the codes they are called for.
std::vector<std::pair<int, float>> g_painted;
template <int Code>
void Record(TPaintMetric*, POLYDATA*, const char*, float scale) {
  g_painted.push_back({Code, scale});
}

PainterBlock RecordingBlock() {
  PainterBlock b{};
  b.fill(Record<-1>);
  b[PRIM_LINE] = Record<PRIM_LINE>;
  b[PRIM_DOT] = Record<PRIM_DOT>;
  b[PRIM_SQUARE] = Record<PRIM_SQUARE>;
  b[PRIM_TEXT] = Record<PRIM_TEXT>;
  b[PRIM_SET] = PaintPrimitiveSet;
  return b;
}

LONG g_insideAtSquare = -1;
void RecordInside(TPaintMetric*, POLYDATA*, const char*, float) {
  g_insideAtSquare = PaintInsideSet;
}

class Walks : public ::testing::Test {
 protected:
  void SetUp() override {
    g_painted.clear();
    block = RecordingBlock();
    doc = std::make_unique<TPaintMetric>();
    doc->DeviceBlock = block.data();
  }
  std::vector<int> Codes() const {
    std::vector<int> v;
    for (auto& p : g_painted) v.push_back(p.first);
    return v;
  }
  PainterBlock block;
  std::unique_ptr<TPaintMetric> doc;
  Poly poly{{{{0, 0}, {10, 10}}}};
};

TEST_F(Walks, DocumentStartsOnDeviceBlockZero) {
  TPaintMetric fresh;
  EXPECT_EQ(fresh.DeviceBlock, DevicePainterTable[0].data());
  EXPECT_EQ(fresh.SetDeviceBlock(5), DevicePainterTable[5].data());
  EXPECT_EQ(fresh.SetDeviceBlock(9), DevicePainterTable[0].data());
}

TEST_F(Walks, SetStopsAtCode255AndTheWholeDescriptionSkipsIt) {
  const std::vector<char> set = Draw({{PRIM_LINE, Words({1, 2})},
                                      {PRIM_SQUARE, Words({3})},
                                      {255, Words({0})},
                                      {PRIM_TEXT, std::vector<char>(32)}});
  PaintPrimitiveSet(doc.get(), poly.get(), set.data(), 0.5f);
  EXPECT_EQ(Codes(), (std::vector<int>{PRIM_LINE, PRIM_SQUARE}));
  EXPECT_EQ(g_painted[1].second, 0.5f);

  g_painted.clear();
  PaintImageDraw(doc.get(), poly.get(), reinterpret_cast<const IMGDRAW*>(set.data()),
                 LONG(set.size()), block.data(), 1.0f);
  EXPECT_EQ(Codes(), (std::vector<int>{PRIM_LINE, PRIM_SQUARE, PRIM_TEXT}));
}

TEST_F(Walks, ShortOrDamagedElementsAreNotPainted) {
  std::vector<char> set = Draw({{PRIM_LINE, Words({1})},  // one word of two
                                {PRIM_DOT, Words({1, 2, 3, 4})},
                                {PRIM_SET, Words({0x7FFF7FFE, 999, 0})},  // claims 999 bytes
                                {PRIM_SQUARE, Words({5})}});
  PaintPrimitiveSet(doc.get(), poly.get(), set.data(), 1.0f);
  EXPECT_EQ(Codes(), (std::vector<int>{PRIM_DOT, PRIM_SQUARE}));
  // An element running past the record ends the walk.
  g_painted.clear();
  set[12] = 100;
  PaintPrimitiveSet(doc.get(), poly.get(), set.data(), 1.0f);
  EXPECT_TRUE(g_painted.empty());
  // A nested set no longer than its marker and length is read no further.
  const std::vector<char> stub = Draw({{PRIM_SET, Words({0x7FFF7FFE, 8})}});
  PaintPrimitiveSet(doc.get(), poly.get(), stub.data(), 1.0f);
  PaintPrimitiveSet(doc.get(), poly.get(), nullptr, 1.0f);
  PaintImageDraw(doc.get(), poly.get(), nullptr, 100, block.data(), 1.0f);
  EXPECT_TRUE(g_painted.empty());
}

TEST_F(Walks, LinesOfASetMarkTheRestAsInsideTheSet) {
  block[PRIM_SQUARE] = RecordInside;
  const std::vector<char> plain = Draw({{PRIM_SQUARE, Words({3})}});
  PaintPrimitiveSet(doc.get(), poly.get(), plain.data(), 1.0f);
  EXPECT_EQ(g_insideAtSquare, 0);
  const std::vector<char> set = Draw({{PRIM_DOT, Words({1, 2, 3, 4})}, {PRIM_SQUARE, Words({3})}});
  PaintPrimitiveSet(doc.get(), poly.get(), set.data(), 1.0f);
  EXPECT_EQ(g_insideAtSquare, 1);
  EXPECT_EQ(PaintInsideSet, 0);
}

TEST_F(Walks, NestedSetsAreWalkedToALimitedDepth) {
  std::vector<char> set = Draw({{PRIM_LINE, Words({1, 2})}});
  for (int depth = 1; depth < 40; ++depth) set = Draw({{PRIM_SET, set}});
  PaintPrimitiveSet(doc.get(), poly.get(), set.data(), 1.0f);
  EXPECT_TRUE(g_painted.empty());
  std::vector<char> shallow = Draw({{PRIM_LINE, Words({1, 2})}});
  for (int depth = 1; depth < 10; ++depth) shallow = Draw({{PRIM_SET, shallow}});
  PaintPrimitiveSet(doc.get(), poly.get(), shallow.data(), 1.0f);
  EXPECT_EQ(Codes(), (std::vector<int>{PRIM_LINE}));
}

TEST_F(Walks, DeviceEntriesReachTheirPainters) {
  ResetPendingCalls();
  {
    // The default line is the line painter's: black, 260 micrometres, at
    // scale 1.0 (one pixel at the document's first resolution).
    devicecalls::Recorder rec;
    doc->SetPaintSize(20, 20);
    PaintDefaultLine(doc.get(), poly.get(), nullptr, 3.0f);
    EXPECT_EQ(rec.Take(), (std::vector<std::string>{"pen 1 000000", "line 2 0,0 10,10"}));
  }
  // An empty set is tested as the polylines themselves.
  const std::vector<char> empty = Draw({});
  SetTestWindow(4, 4);
  EXPECT_EQ(TestPrimitiveSet(doc.get(), poly.get(), empty.data(), 1.0f), 1);
  // The text (without texts) misses, the polygon's outline hits.
  const std::vector<char> set =
      Draw({{PRIM_TEXT, std::vector<char>(32)}, {PRIM_SQUARE, Words({3})}});
  int walked = 0;
  EXPECT_EQ(WalkPrimitiveSetTest(doc.get(), poly.get(), set.data(), 1.0f, &walked), 1);
  EXPECT_EQ(walked, 2);
  SetTestWindow(0, 0);
  EXPECT_EQ(TestPrimitiveSet(doc.get(), poly.get(), empty.data(), 1.0f), 0);
  EXPECT_EQ(TestPrimitiveSet(doc.get(), poly.get(), set.data(), 1.0f), 0);
  EXPECT_EQ(PendingCalls(nullptr), 0);
}

}  // namespace
