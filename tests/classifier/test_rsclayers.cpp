// Layers, palettes, image parameters, sign sizes and the sheet frame of a
// classifier built byte by byte.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "classifier/imageedit.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

// Five layers (0..4); kinds 16..21 spread over them, 18 and 19 a series
// in layer 3.
Builder Layered() {
  Builder b = Builder::Minimal();
  rsctest::AddLayers(b, 4);
  const struct {
    uint32_t excode;
    uint8_t local, layer;
    uint16_t series;
  } kinds[] = {{100, 0, 1, 0}, {200, 1, 2, 0}, {300, 0, 3, 1}, {300, 0, 3, 2}, {400, 2, 4, 0}, {500, 3, 3, 0}};
  for (const auto& k : kinds) {
    rsctest::Object& o = b.AddObject(k.excode, k.local, "KIND " + std::to_string(k.excode));
    o.segment = k.layer;
    o.series = k.series;
  }
  rsctest::AddDefaultImages(b);
  b.AddSemantic(4, 1, "HEIGHT", "H");
  b.limits.push_back(rsctest::OneLimit(300, 0, 4, {10, 20}, {1, 2}));
  b.palettes.push_back({std::vector<uint32_t>(256, 0x123456), "SECOND"});
  return b;
}

// The layered classifier with kind 22, a point drawn from an image library.
Builder WithLibrarySign() {
  Builder b = Layered();
  b.AddObject(600, 2, "LIBRARY SIGN");
  b.par.push_back({22, 250, Bytes(16, 0)});
  return b;
}

class RscLayers : public rsctest::OpenedRscTest {
 protected:
  RscLayers() : OpenedRscTest("rl_", "layers.rsc") {}
};

TEST_F(RscLayers, QueriesAndNames) {
  Open(Layered().Build());
  EXPECT_EQ(5, rsc_.GetSegCount());
  EXPECT_STREQ("LAYER 2", rsc_.GetSegName(2));
  EXPECT_STREQ("", rsc_.GetSegName(5));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  RSCSEGMENT seg;
  EXPECT_EQ(3, rsc_.GetSegment(3, &seg));
  EXPECT_EQ(30u, seg.Order);

  EXPECT_EQ(3, rsc_.GetSegmentObjectCount(3));
  EXPECT_EQ(2, rsc_.GetSegmentObjNumber(3, LOCAL_LINE));
  EXPECT_EQ(3, rsc_.GetSegmentObjectRealCount(3));

  // Naming: the own name is kept, another layer's name is refused.
  const int style = rsc_.Style();
  EXPECT_EQ(1, rsc_.SetSegName(2, "LAYER 2"));
  EXPECT_EQ(0, rsc_.IsModify());
  EXPECT_EQ(0, rsc_.SetSegName(2, "layer 3"));
  EXPECT_EQ(RSCERR_SEGNAME, rsc_.Error());
  EXPECT_EQ(1, rsc_.SetSegName(2, "ROADS AND BRIDGES OF THE WHOLE MAP"));
  EXPECT_EQ(31u, strlen(rsc_.GetSegName(2)));
  EXPECT_EQ(0, rsc_.SetSegName(7, "NOWHERE"));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(1, rsc_.SetSegOrder(2, 20));
  EXPECT_EQ(style, rsc_.Style());
  EXPECT_EQ(1, rsc_.SetSegOrder(2, 5));
  EXPECT_EQ(style + 1, rsc_.Style());

  RSCSEGMENT added{7, "NEW"};
  EXPECT_EQ(5, rsc_.AppendSegment(&added));
  EXPECT_STREQ("LAYER5", rsc_.GetSegShortName(5));
  EXPECT_EQ(0, rsc_.AppendSegment(&added));
  EXPECT_EQ(RSCERR_SEGNAME, rsc_.Error());

  EXPECT_EQ(0, rsc_.MoveSegmentObjects(0, 2));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(2, rsc_.MoveSegmentObjects(1, 2));
  EXPECT_EQ(0, rsc_.GetSegmentObjectCount(1));
  EXPECT_EQ(2, rsc_.GetObjSegment(16));
}

TEST_F(RscLayers, DeletingALayerRenumbersTheRest) {
  Open(Layered().Build());
  EXPECT_EQ(0, rsc_.DeleteSegment(0));
  EXPECT_EQ(0, rsc_.DeleteSegment(5));
  const int style = rsc_.Style();
  ASSERT_EQ(1, rsc_.DeleteSegment(3));
  EXPECT_EQ(4, rsc_.GetSegCount());
  EXPECT_STREQ("LAYER 4", rsc_.GetSegName(3));
  EXPECT_STREQ("", rsc_.GetSegName(4));
  EXPECT_GT(rsc_.Style(), style);
  // Kinds of layer 4 follow it; kinds of layer 3 are gone, the series whole.
  EXPECT_EQ(3, rsc_.GetObjSegment(20));
  EXPECT_EQ(1, rsc_.GetObjSegment(16));
  for (int n : {18, 19, 21}) EXPECT_EQ(0, rsc_.GetObjExcode(n)) << n;
  EXPECT_EQ(400, rsc_.GetObjExcode(20));
  EXPECT_EQ(1, rsc_.GetSegmentObjectRealCount(3));
  // The freed place takes a new layer without growing the table.
  RSCSEGMENT added{1, "AGAIN"};
  EXPECT_EQ(4, rsc_.AppendSegment(&added));
}

// Into an empty table: the first layer takes number 0; numbers stop at 255.
TEST_F(RscLayers, EmptyTableFillsUpToTheLayerNumberByte) {
  Builder b = Builder::Minimal();
  b.layers.clear();
  Open(b.Build());
  EXPECT_EQ(0, rsc_.GetSegCount());
  RSCSEGMENT system{255, "SYSTEM"};
  EXPECT_EQ(0, rsc_.AppendSegment(&system));
  EXPECT_EQ(0, rsc_.Error());
  EXPECT_EQ(255, rsc_.GetSegOrder(0));
  for (int i = 1; i < 256; ++i) {
    RSCSEGMENT seg{1, ""};
    std::snprintf(seg.Name, sizeof seg.Name, "L%d", i);
    ASSERT_EQ(i, rsc_.AppendSegment(&seg));
  }
  RSCSEGMENT extra{1, "ONE TOO MANY"};
  EXPECT_EQ(0, rsc_.AppendSegment(&extra));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(256, rsc_.GetSegCount());
  EXPECT_STREQ("SYSTEM", rsc_.GetSegName(0));
}

TEST_F(RscLayers, ServiceKindOfADeletedLayerGoesToLayerZero) {
  Builder b = Layered();
  b.objects[6].segment = 2;  // service kind 7
  Open(b.Build());
  ASSERT_EQ(1, rsc_.DeleteSegment(2));
  EXPECT_EQ(LONG(1000000007), rsc_.GetObjExcode(7));
  EXPECT_EQ(0, rsc_.GetObjSegment(7));
}

TEST_F(RscLayers, PalettesAndColours) {
  Open(Layered().Build());
  EXPECT_EQ(2, rsc_.GetPaletteCount());
  EXPECT_EQ(nullptr, rsc_.GetPalette(3));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0u, rsc_.GetRscColor(256));
  EXPECT_EQ(16, rsc_.SetRscColorCount(300));
  EXPECT_EQ(0, rsc_.IsModify());

  DWORD colors[300];
  for (int i = 0; i < 300; i++) colors[i] = 0x010000u + DWORD(i);
  const int style = rsc_.ColorStyle();
  ASSERT_EQ(1, rsc_.SetRscPalette(colors, 300));
  EXPECT_EQ(colors[254], rsc_.GetRscColor(254));
  EXPECT_EQ(0u, rsc_.GetRscColor(255));
  // One change of the colour style per call, so that it never wraps round.
  EXPECT_EQ(BYTE(style + 1), rsc_.ColorStyle());
  EXPECT_NE(0, rsc_.IsModify());
  EXPECT_EQ(0, rsc_.SetRscPalette(colors, 0));
  EXPECT_EQ(0u, rsc_.SetRscColor(5, 256));

  // Palette 1 comes back from the file.
  ASSERT_NE(nullptr, rsc_.ResetPalette(1));
  EXPECT_EQ(0xAA0000u, rsc_.GetRscColor(1));
  EXPECT_EQ(0u, rsc_.GetRscColor(254));
  EXPECT_EQ(nullptr, rsc_.ResetPalette(3));

  // Defaults over palette 2, then a new default palette.
  DWORD* second = rsc_.SetDefaultPalette(2);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(0xFFAA00u, second[9]);
  EXPECT_EQ(0x123456u, second[16]);
  DWORD* third = rsc_.SetDefaultPalette(5);
  ASSERT_NE(nullptr, third);
  EXPECT_EQ(3, rsc_.GetPaletteCount());
  EXPECT_STREQ("\xD1\xF2\xE0\xED\xE4\xE0\xF0\xF2\xED\xE0\xFF", rsc_.GetPaletteName(3));
  EXPECT_EQ(0xFFFFFFu, third[15]);
  EXPECT_EQ(nullptr, rsc_.SetDefaultPalette(0));

  // Names of appended palettes.
  ASSERT_NE(nullptr, rsc_.AppendPalette(colors, 20, "SECOND"));
  EXPECT_STREQ("SECOND       4", rsc_.GetPaletteName(4));
  ASSERT_NE(nullptr, rsc_.AppendPalette(colors, 300, nullptr));
  EXPECT_STREQ("5", rsc_.GetPaletteName(5));
  EXPECT_EQ(256, rsc_.GetRscColorCount());
}

TEST_F(RscLayers, ImageParameterRecords) {
  Open(Layered().Build());
  EXPECT_EQ(8, rsc_.GetParLength(16));
  EXPECT_EQ(0, rsc_.GetPrnLength(16));
  EXPECT_EQ(nullptr, rsc_.GetPar(99));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  // A shorter record is written in place; a longer one takes a new record.
  VIEPAR* old = rsc_.GetTabPar(19);  // point sign, 152 bytes
  char params[200] = {};
  VIEPAR* shorter = rsc_.SetTabPar(19, 8, IMG_LINE, params);
  EXPECT_EQ(old, shorter);
  EXPECT_EQ(16u, shorter->Length);
  VIEPAR* longer = rsc_.SetTabPar(19, 160, IMG_LINE, params);
  ASSERT_NE(nullptr, longer);
  EXPECT_NE(old, longer);
  EXPECT_EQ(IMG_LINE, rsc_.GetObjFunction(19));
  EXPECT_EQ(nullptr, rsc_.SetTabPar(0, 8, IMG_LINE, params));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  // A length whose record would pass 64K is refused, up to the largest int
  // (its record length must not wrap round).
  EXPECT_EQ(nullptr, rsc_.SetTabPar(19, 0xFFFF - 7, IMG_LINE, params));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(nullptr, rsc_.SetTabPar(19, INT_MAX, IMG_LINE, params));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(nullptr, rsc_.SetTabPrn(19, INT_MAX - 3, IMG_LINE, params));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  // Printer records.
  VIEPAR* prn = rsc_.SetTabPrn(16, rsc_.GetTabPar(16));
  ASSERT_NE(nullptr, prn);
  EXPECT_EQ(16, prn->Number);
  EXPECT_EQ(8, rsc_.GetPrnLength(16));
  EXPECT_EQ(1, rsc_.DeleteTabPrn(16));
  EXPECT_EQ(nullptr, rsc_.GetTabPrn(16));

  // Template tables come only from template signs.
  TABLETEMPLATE table;
  EXPECT_EQ(1, rsc_.GetTemplateTable(6, &table));
  DWORD word;
  memcpy(&word, table.Data, 4);
  EXPECT_EQ(60u, word);
  EXPECT_EQ(0, rsc_.GetTemplateTable(1, &table));
  EXPECT_EQ(0, rsc_.GetTemplateTable(0, &table));
}

TEST_F(RscLayers, SignSizes) {
  Builder b = WithLibrarySign();
  b.par[3].params[31] = 0;  // the title's height is not fitted to its points
  Open(b.Build());

  IMAGESIZE size;
  ASSERT_EQ(1, rsc_.GetImageSize(3, &size, 0, nullptr));  // point bitmap
  const LONG bitmap[4] = {8000, 8000, 750, 750};
  const LONG got[4] = {size.Width, size.Height, size.Left, size.Top};
  EXPECT_EQ(0, memcmp(bitmap, got, sizeof got));

  ASSERT_EQ(1, rsc_.GetImageSize(4, &size, 0, "MOSCOW"));  // title, text sign
  EXPECT_EQ(2400, size.Height);
  EXPECT_EQ(5, size.Flags & 5);
  EXPECT_GT(size.Base, 0);
  EXPECT_GT(size.Width, 0);
  IMAGESIZE shorter;
  ASSERT_EQ(1, rsc_.GetImageSize(4, &shorter, 3, "MOSCOW"));
  EXPECT_LT(shorter.Width, size.Width);

  ASSERT_EQ(1, rsc_.GetImageSize(5, &size, 0, nullptr));  // vector sign
  EXPECT_EQ(IMG_VECTOREX, size.Function);
  EXPECT_EQ(4500, size.Base);
  EXPECT_EQ(4, size.Flags & 4);

  ASSERT_EQ(1, rsc_.GetImageSize(1, &size, 0, nullptr));  // line
  EXPECT_EQ(0, size.Flags & 4);

  EXPECT_EQ(0, rsc_.GetImageSize(22, &size, 0, nullptr));
  EXPECT_EQ(0, size.Function);
  EXPECT_EQ(0, rsc_.GetImageSize(99, &size, 0, nullptr));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetImageSize(1, nullptr, 0, nullptr));

  // A vector sign that claims more than its record is not measured.
  char params[88];
  memcpy(params, rsc_.GetPar(5), 88);
  DWORD lie = 5000;
  memcpy(params, &lie, 4);
  ASSERT_NE(nullptr, rsc_.SetTabPar(5, 88, IMG_VECTOREX, params));
  ASSERT_EQ(1, rsc_.GetImageSize(5, &size, 0, nullptr));
  EXPECT_EQ(0, size.Base);

  // A title whose text sign is higher than any text: its sizes stop at the
  // bounds of 32 bits.
  char title[32];
  memcpy(title, rsc_.GetPar(4), sizeof title);
  const LONG huge = 0x7FFFFFFF;
  memcpy(title + 12, &huge, 4);
  ASSERT_NE(nullptr, rsc_.SetTabPar(4, sizeof title, PRIM_TEXT, title));
  ASSERT_EQ(1, rsc_.GetImageSize(4, &size, 0, "MOSCOW"));
  EXPECT_EQ(huge, size.Height);
  EXPECT_EQ(huge, size.Base);
  EXPECT_EQ(huge, size.Width);
}

TEST_F(RscLayers, MainColourOfSigns) {
  Open(WithLibrarySign().Build());

  EXPECT_EQ(0, rsc_.SetObjColorIndex(22, 0xF0000003));
  EXPECT_EQ(LONG(0xF000000D), rsc_.SetObjColor(3, 0xF0000001));  // bitmap
  DWORD word;
  memcpy(&word, rsc_.GetPar(3) + 20, 4);
  EXPECT_EQ(0xF0000001u, word);
  EXPECT_EQ(LONG(0xF000000D), rsc_.SetObjColorIndex(2, 0x00FF00));  // area
  EXPECT_EQ(LONG(0xF000000D), rsc_.SetObjColorIndex(5, 0x0000FF));  // vector
  memcpy(&word, rsc_.GetPar(5) + 60, 4);
  EXPECT_EQ(0x0000FFu, word);
  EXPECT_EQ(LONG(0xF000000D), rsc_.SetObjColorIndex(6, 0x0000FF));  // template
  memcpy(&word, rsc_.GetPar(6) + 72, 4);
  EXPECT_EQ(0x0000FFu, word);
  // Line 128: not a function with a main colour word.
  EXPECT_EQ(LONG(0x112233), rsc_.SetObjColorIndex(1, 0x112233));
  EXPECT_NE(0, rsc_.IsModify());
}

}  // namespace
