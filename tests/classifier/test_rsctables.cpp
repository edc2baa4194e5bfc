// Palettes, fonts, image libraries, relations and images of semantic
// values: naming rules, what a replacement touches, what deletion moves,
// and the images of an item's values kept apart through a save.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/host_recorder.h"
#include "support/rscfixture.h"

namespace {

class RscTables : public rsctest::OpenedRscTest {
 protected:
  RscTables() : OpenedRscTest("tables_", "tables.rsc") {}
  void SetUp() override {
    OpenedRscTest::SetUp();
    rsctest::Builder b = rsctest::Rich();
    b.AddObject(300, 3, "LABEL");
    b.AddObject(301, 3, "LABEL 2");
    rsctest::AddDefaultImages(b);
    b.fonts.push_back({"DejaVu Sans", "SANS", 7, '0', 204});
    b.par[18].params[29] = 7;  // kind 19 writes in font 7
    Open(b.Build());
  }
};

TEST_F(RscTables, PalettesAreNamedAndReplacedInPart) {
  std::vector<DWORD> colors(256, 0xABCDEF);
  ASSERT_NE(nullptr, rsc_.AppendPalette(colors.data(), 20, "NIGHT"));
  ASSERT_NE(nullptr, rsc_.AppendPalette(colors.data(), 20, "NIGHT"));
  ASSERT_NE(nullptr, rsc_.AppendPalette(colors.data(), 20, nullptr));
  EXPECT_STREQ("NIGHT", rsc_.GetPaletteName(2));
  EXPECT_STREQ("NIGHT        3", rsc_.GetPaletteName(3));
  EXPECT_STREQ("4", rsc_.GetPaletteName(4));

  std::vector<DWORD> before(rsc_.GetPalette(2), rsc_.GetPalette(2) + 256);
  std::vector<DWORD> fresh(200, 0x010203);
  const int style = rsc_.ColorStyle();
  ASSERT_EQ(rsc_.GetPalette(2), rsc_.ReplacePalette(2, fresh.data(), 200, nullptr));
  for (int c = 0; c < 256; c++) EXPECT_EQ(c < 64 ? 0x010203u : before[c], rsc_.GetPalette(2)[c]) << c;
  EXPECT_STREQ("2", rsc_.GetPaletteName(2));
  EXPECT_EQ(64, rsc_.GetRscColorCount());
  EXPECT_NE(style, rsc_.ColorStyle());
  ASSERT_NE(nullptr, rsc_.ReplacePalette(9, fresh.data(), 1, "NEW"));  // appended
  EXPECT_EQ(5, rsc_.GetPaletteCount());

  ASSERT_EQ(1, rsc_.DeletePalette(2));
  EXPECT_STREQ("NIGHT        3", rsc_.GetPaletteName(2));
  for (int p = rsc_.GetPaletteCount(); p > 1; p--) ASSERT_EQ(1, rsc_.DeletePalette(p));
  EXPECT_EQ(0, rsc_.DeletePalette(1));
}

TEST_F(RscTables, FontsAreSharedReplacedAndDeleted) {
  RSCFONT font{};
  std::strcpy(font.Face, "DejaVu Sans");
  font.Charset = 204;
  EXPECT_EQ(7, rsc_.AppendFont(&font));  // the same typeface and character set
  EXPECT_EQ(2, rsc_.GetFontCount());
  EXPECT_EQ(0, rsc_.DeleteFont(1, 5));
  EXPECT_EQ(0, rsc_.DeleteFont(8, 1));

  // Deleting font 7 for itself moves its texts to font 1.
  ASSERT_EQ(7, rsc_.GetPar(19)[29]);
  ASSERT_EQ(1, rsc_.DeleteFont(7, 7));
  EXPECT_EQ(1, rsc_.GetFontCount());
  EXPECT_EQ(1, rsc_.GetPar(19)[29]);
  EXPECT_EQ(1, rsc_.GetPar(20)[29]);

  // Codes 1..255 all in use: no more fonts.
  for (int i = 0; i < 254; i++) {
    std::snprintf(font.Face, sizeof font.Face, "Face %d", i);
    ASSERT_EQ(i + 2, rsc_.AppendFont(&font));
  }
  std::strcpy(font.Face, "One Too Many");
  EXPECT_EQ(0, rsc_.AppendFont(&font));

  std::strcpy(font.Name, "RENAMED");
  ASSERT_EQ(2, rsc_.ReplaceFont(2, &font));
  RSCFONT read{};
  ASSERT_EQ(2, rsc_.GetFont(2, &read));
  EXPECT_STREQ("One Too Many", read.Face);
  EXPECT_STREQ("RENAMED", rsc_.GetFontName(2));
  EXPECT_EQ(1, rsc_.SetFontFixedChar(2, '1'));
  EXPECT_EQ('1', rsc_.GetFontFixedChar(2));
}

TEST_F(RscTables, LibrariesAndTheirSigns) {
  // Rich's library SIGNS.IML has code 7; kind 16 draws its sign 3.
  BYTE sign[16] = {};
  const DWORD words[4] = {0, 7, 0, 3};
  std::memcpy(sign, words, sizeof words);
  ASSERT_NE(nullptr, rsc_.SetTabPar(16, sizeof sign, IMG_LIBRARY, (const char*)sign));
  EXPECT_EQ(7, rsc_.CodeAppendLibrary(" signs.iml ", "OTHER"));
  EXPECT_EQ(8, rsc_.CodeAppendLibrary("roads.iml", "ROADS"));
  EXPECT_STREQ("roads.iml", rsc_.GetImlNameDLL(2));
  EXPECT_STREQ("NAMED", rsc_.SetImlName(2, "NAMED"));
  EXPECT_EQ(2, rsc_.GetImlOrder(8));
  EXPECT_EQ(0, rsc_.GetImlIndex(2));  // no library services in the tests
  ASSERT_EQ(1, rsc_.DeleteLibrary(7));
  EXPECT_EQ(0, rsc_.DeleteLibrary(7));
  EXPECT_EQ(1, rsc_.GetImlOrder(8));
  DWORD code;
  std::memcpy(&code, rsc_.GetPar(16) + 4, 4);
  EXPECT_EQ(0u, code);
}

// Library services as the drawing engine installs them, recording the
// names opened.
std::vector<std::string> g_opened;
int FakeOpen(const char* path) {
  g_opened.push_back(path);
  return 5;
}
void FakeClose(int) {}
LONG FakeField(int, LONG) { return 2; }
const void* FakeList(int) { return nullptr; }
int FakeSize(const char* params, IMAGESIZE* size) {
  DWORD image;
  std::memcpy(&image, params + 12, 4);
  size->Width = LONG(image) * 10;
  return 1;
}

TEST_F(RscTables, LibrariesOpenByBareNamesAndMeasureTheirSigns) {
  const RSCIMAGELIBRARY services = {FakeOpen, FakeClose, FakeField, FakeList, FakeSize};
  rscSetImageLibraryServices(&services);
  g_opened.clear();
  mctest::RecordingMessageBox box;
  BYTE sign[16] = {};
  const DWORD words[4] = {0, 7, 0, 3};
  std::memcpy(sign, words, sizeof words);
  ASSERT_NE(nullptr, rsc_.SetTabPar(16, sizeof sign, IMG_LIBRARY, (const char*)sign));
  IMAGESIZE size{};
  EXPECT_EQ(1, rsc_.GetImageSize(16, &size, 0, nullptr));
  EXPECT_EQ(IMG_LIBRARY, size.Function);
  EXPECT_EQ(30, size.Width);

  // A name with a folder in it loads nothing: 60107.
  EXPECT_EQ(8, rsc_.CodeAppendLibrary("roads.iml", "ROADS"));
  EXPECT_EQ(9, rsc_.CodeAppendLibrary("../elsewhere.iml", "AWAY"));
  EXPECT_EQ(10, rsc_.CodeAppendLibrary("sub/inside.iml", "IN"));
  ASSERT_EQ(1u, g_opened.size());
  EXPECT_EQ(folder_ + "roads.iml", g_opened[0]);
  EXPECT_EQ(5, rsc_.GetImlIndex(2));
  EXPECT_EQ(0, rsc_.GetImlIndex(3));
  ASSERT_EQ(2u, box.boxes().size());
  EXPECT_EQ("Library not found - ../elsewhere.iml", box.boxes()[0].text);
  EXPECT_EQ("Library not found - sub/inside.iml", box.boxes()[1].text);
  EXPECT_EQ(1, rsc_.SetUserObjectRefer());  // SIGNS.IML and roads.iml
  EXPECT_EQ(3u, g_opened.size());
  EXPECT_EQ(4u, box.boxes().size());
  rscSetImageLibraryServices(nullptr);
}

TEST_F(RscTables, RelationsGrowTheRecordAndFollowTheirTexts) {
  const DWORD label = DWORD(rsc_.GetObjIdent(19)), label2 = DWORD(rsc_.GetObjIdent(20));
  // Kind 16 relates by 9 and 4; a third relation by 32800 makes its record
  // longer, and changing one keeps the count.
  EXPECT_EQ(0u, rsc_.UpdateObjectRelate(16, 32800, DWORD(rsc_.GetObjIdent(16)), "P", 1));  // not a text kind
  EXPECT_EQ(0u, rsc_.UpdateObjectRelate(16, 5, label, "P", 1));  // a semantic it can't carry
  const DWORD length = rsc_.GetTabObj(16)->Length;
  ASSERT_EQ(label, rsc_.UpdateObjectRelate(16, 32800, label, "PREFIXES", 42));
  EXPECT_EQ(length + 16, DWORD(rsc_.GetTabObj(16)->Length));
  RSCRELATION rel{};
  ASSERT_EQ(label, rsc_.GetObjectRelate(16, 32800, &rel));
  EXPECT_EQ(19u, rel.Ident);
  EXPECT_STREQ("PREFIX", rel.Prefix);
  EXPECT_EQ(10, rel.Flag);
  ASSERT_EQ(label2, rsc_.UpdateObjectRelate(16, 9, label2, nullptr, 3));
  EXPECT_EQ(label2, rsc_.GetObjectRelateOrder(16, 1, &rel));
  EXPECT_EQ(20u, rel.Ident);
  EXPECT_STREQ("", rel.Prefix);
  EXPECT_EQ(3, rsc_.GetObjectRelateCount(16));

  // The label kinds go: the relations naming them go wherever they stand.
  ASSERT_EQ(19, rsc_.DeleteObject(19));
  EXPECT_EQ(2, rsc_.GetObjectRelateCount(16));
  EXPECT_EQ(0u, rsc_.GetObjectRelate(16, 32800, nullptr));
  ASSERT_EQ(20, rsc_.DeleteObject(20));
  EXPECT_EQ(1, rsc_.GetObjectRelateCount(16));
  EXPECT_EQ(2u, rsc_.DeleteObjectRelate(16, 4));
  EXPECT_EQ(0, rsc_.GetObjectRelateCount(16));
}

TEST_F(RscTables, ImagesOfValuesKeepTheirValuesThroughASave) {
  // Rich's item 1 shows value 2 of semantic 4 by two images.
  EXPECT_EQ(0, rsc_.AppendGrs(9, 140));  // no value list
  EXPECT_EQ(1, rsc_.AppendGrs(4, 140));  // the item of semantic 4
  BYTE image[16] = {};
  const DWORD head[4] = {16, 0, 129, 0x55};
  std::memcpy(image, head, sizeof head);
  EXPECT_EQ(0, rsc_.AppendGrsItem(1, 9, (const IMAGEVALUE*)image));  // not a value of 4
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  ASSERT_EQ(1, rsc_.AppendGrsItem(1, 3, (const IMAGEVALUE*)image));
  image[12] = 0x66;
  ASSERT_EQ(1, rsc_.AppendGrsItem(1, 1, (const IMAGEVALUE*)image));
  // A new item takes its first image in the entry it was made with.
  ASSERT_NE(nullptr, rsc_.AppendCls(9, 5, "FIVE"));
  ASSERT_EQ(2, rsc_.AppendGrs(9, 140));
  ASSERT_EQ(2, rsc_.AppendGrsItem(2, 5, (const IMAGEVALUE*)image));
  EXPECT_EQ(129, rsc_.GetGrsItemFunction(1, 3));
  EXPECT_EQ(0x66, BYTE(*rsc_.GetGrsItemParam(1, 1)));
  EXPECT_EQ(nullptr, rsc_.GetGrsItem(1, 0, 7));
  EXPECT_NE(nullptr, rsc_.GetGrsItem(0, 9, 5));

  ASSERT_EQ(1, rsc_.Save(0));
  TMapRsc again;
  ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0));
  const DWORD values[5] = {1, 2, 2, 3, 5};
  for (TMapRsc* r : {&rsc_, &again}) {
    ASSERT_EQ(5, r->GetGrsItemCount());
    for (int i = 0; i < 5; i++) EXPECT_EQ(values[i], r->GrsIndex[i].Value) << i;
  }
  EXPECT_EQ(0x55, BYTE(*again.GetGrsItemParam(1, 3)));
  EXPECT_EQ(128, again.GetGrsItemFunction(1, 2));
}

}  // namespace
