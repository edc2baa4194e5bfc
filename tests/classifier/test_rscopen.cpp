// Opening a classifier built byte by byte: the quiet classifier, the header
// checks, the repairs made on loading and the index.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "devices/fontreg.h"
#include "common/language.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

class RscOpen : public rsctest::RscFolderTest {
 protected:
  // Opens built bytes; the result of OpenRsc.
  int Open(TMapRsc& rsc, const Bytes& bytes) { return rsc.OpenRsc(Write(bytes).c_str(), 0); }
};

TEST_F(RscOpen, QuietClassifierOpensAndStaysUnchanged) {
  const Bytes bytes = Builder::Minimal().Build();
  std::string path = Write(bytes);
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
    EXPECT_EQ(15, rsc.GetObjCount());
    EXPECT_EQ(0, rsc.IsModify());
    EXPECT_EQ(9, rsc.GetSemCount());
    EXPECT_EQ(RSC_ACCESS_READWRITE, rsc.Access);
    EXPECT_STREQ(path.c_str(), rsc.Path);
    EXPECT_STREQ("test.rsc", rsc.FileName);
    for (int n = 1; n <= 15; n++) {
      const RSCOBJINDEX& e = rsc.ObjIndex[n];
      ASSERT_NE(nullptr, e.Obj) << n;
      EXPECT_EQ(DWORD(n), e.Obj->Incode);
      ASSERT_NE(nullptr, e.Par) << n;
      EXPECT_EQ(e.Par->Function, e.Function);
      EXPECT_EQ(n <= 14, e.Pos != nullptr) << n;
      EXPECT_EQ(0, e.Flags);
    }
    // Tables are used in place inside the image.
    EXPECT_EQ(rsc.Image + 336, (BYTE*)rsc.ObjIndex[1].Obj);
    EXPECT_EQ(RSC_FRAME_EXCODE, rsc.ObjIndex[15].Excode);
    // The title's text sign carries the registry slot of font 1.
    WORD slot;
    memcpy(&slot, (BYTE*)rsc.ObjIndex[4].Par + 8 + 22, 2);
    EXPECT_EQ(rsc.SetTextOrder(1) - 1, slot);
    // An empty GRS table leaves 101 free entries.
    ASSERT_NE(nullptr, rsc.GrsIndex);
    EXPECT_EQ(101u, rsc.GrsIndexSize);
    EXPECT_EQ(1, rsc.CloseRsc());
    EXPECT_EQ(0, rsc.CloseRsc());
    EXPECT_EQ(MAPERR_DATA, rsc.Error());
  }
  EXPECT_EQ(bytes, rsctest::ReadBytes(path));
}

// Marks, signatures, versions and style words: older classifiers are told
// from damaged ones (0 = opens).
TEST_F(RscOpen, HeaderMarksAndStyleWords) {
  struct Case {
    DWORD mark, style, ident, version;
    int code;
  } cases[] = {
      {0x414E, 1, 0x00435352, 0x0702, 0},
      {0x4B38, 1, 0x00435352, 0x0702, 0},
      {0x4B39, 1, 0x00435352, 0x0702, MAPERR_DATA},
      {0x414E, 0x0405, 0x00435352, 0x0600, MAPERR_OLDVERSION},
      {0x414E, 0x7F0302, 0, 0x0702, MAPERR_OLDVERSION},
      {0x414E, 0x0401, 0x00435352, 0x0701, MAPERR_OLDVERSION},
      {0x414E, 0x0001, 0x00435352, 0x0600, MAPERR_DATA},
      {0x414E, 0x0406, 0x00435352, 0x0600, MAPERR_DATA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.mark << " " << c.style << " " << c.version);
    Builder b = Builder::Minimal();
    b.head.mark = c.mark;
    b.head.style = c.style;
    b.head.ident = c.ident;
    b.head.version = c.version;
    TMapRsc rsc;
    EXPECT_EQ(c.code ? 0 : 1, Open(rsc, b.Build()));
    EXPECT_EQ(c.code, rsc.Error());
    EXPECT_EQ(c.code == 0, rsc.Image != nullptr);
  }
}

TEST_F(RscOpen, OutOfRangeImageFunctionIsRepairedAndMarksTheClassifierModified) {
  Builder b = Builder::Minimal();
  b.par[6].function = 300;
  b.par[6].params.assign(12, 0x55);
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, b.Build())) << rsc.Error();
  EXPECT_NE(0, rsc.IsModify());
  const RSCOBJINDEX& e = rsc.ObjIndex[7];
  ASSERT_NE(nullptr, e.Par);
  EXPECT_EQ(0, e.Function);
  EXPECT_EQ(0, e.Par->Function);
  EXPECT_EQ(8u, e.Par->Length);
  // The walk went on by the record's old length: the next kinds are linked.
  EXPECT_EQ(8, rsc.ObjIndex[8].Par->Number);
  EXPECT_EQ(IMG_LINE, rsc.ObjIndex[15].Function);
}

TEST_F(RscOpen, ClassifierFoundInTheCommonFolderOrTheHostFolder) {
  Bytes bytes = Builder::Minimal().Build();
  std::string common = rsctest::MakeFolder(MC_TEST_TMP, "common_rsc");
  std::string shell = rsctest::MakeFolder(MC_TEST_TMP, "shell_rsc");
  ASSERT_TRUE(rsctest::WriteBytes(common + "shared.rsc", bytes));
  ASSERT_TRUE(rsctest::WriteBytes(shell + "hostonly.rsc", bytes));
  ASSERT_NE(nullptr, CommonRscPathSet(common.c_str()));
  PathShellSet((shell + "host.exe").c_str());

  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc((folder_ + "missing/shared.rsc").c_str(), 0)) << rsc.Error();
  EXPECT_EQ(common + "shared.rsc", std::string(rsc.Path));
  EXPECT_STREQ("shared.rsc", rsc.FileName);
  ASSERT_EQ(1, rsc.OpenRsc((folder_ + "hostonly.rsc").c_str(), 0)) << rsc.Error();
  EXPECT_EQ(shell + "hostonly.rsc", std::string(rsc.Path));
  EXPECT_EQ(0, rsc.OpenRsc((folder_ + "nowhere.rsc").c_str(), 0));
  EXPECT_EQ(MAPERR_OPEN, rsc.Error());

  // A folder name without a separator gets a backslash; bad lengths are
  // refused and change nothing.
  EXPECT_EQ(nullptr, CommonRscPathSet("x"));
  EXPECT_EQ(nullptr, CommonRscPathSet(std::string(300, 'a').c_str()));
  EXPECT_STREQ(common.c_str(), CommonRscPathGet());
  ASSERT_NE(nullptr, CommonRscPathSet("C:\\RSC"));
  EXPECT_STREQ("C:\\RSC\\", CommonRscPathGet());
  PathShellSet("");
}

TEST_F(RscOpen, ReadOnlyFileOrModeOpensReadOnly) {
  EXPECT_EQ(RSC_ACCESS_READWRITE, rscNormalizeAccess(0x3FFFFFFF));
  EXPECT_EQ(RSC_ACCESS_READ, rscNormalizeAccess(0x80000000u));
  std::string path = Write(Builder::Minimal().Build());
  TMapRsc asked;
  ASSERT_EQ(1, asked.OpenRsc(path.c_str(), int(0x80000000u)));
  EXPECT_EQ(RSC_ACCESS_READ, asked.Access);
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
  EXPECT_EQ(RSC_ACCESS_READ, rsc.Access);
  EXPECT_EQ(0, rsc.IsWrite());
  rsc.CloseRsc();
  chmod(path.c_str(), 0644);
}

TEST_F(RscOpen, NullOrOverlongPathLeavesTheBlockAlone) {
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, Builder::Minimal().Build()));
  EXPECT_EQ(0, rsc.OpenRsc(nullptr, 0));
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(0, rscOpenRsc(nullptr, "x", 0));
  EXPECT_EQ(0, rsc.OpenRsc(std::string(400, 'a').c_str(), 0));
  EXPECT_EQ(MAPERR_OPEN, rsc.Error());
}

TEST_F(RscOpen, RevertReopensWithoutTheChanges) {
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, Builder::Minimal().Build()));
  rsc.ApiOpen = 1;
  RSCOBJ desc{};
  desc.Excode = 555;
  ASSERT_EQ(16, rsc.AppendObject(&desc, 1));
  ASSERT_EQ(1, rsc.Revert());
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(0, rsc.IsModify());
  EXPECT_EQ(1u, rsc.ApiOpen);
  rsc.CloseRsc();
  EXPECT_EQ(0, rsc.Revert());
}

TEST_F(RscOpen, SharedSemanticsSeriesLimitsAndLayerCodes) {
  Builder b = Builder::Minimal();
  // Kinds 16 and 17 share one POS record; 18 and 19 form a series with a
  // LIM record; 20 claims a series that has none.
  b.AddObject(500, 1, "LAKE");
  b.AddObject(500, 1, "LAKE TOO");
  b.AddObject(600, 0, "ROAD A").series = 1;
  b.AddObject(600, 0, "ROAD B").series = 2;
  b.AddObject(700, 0, "ORPHAN").series = 1;
  rsctest::AddDefaultImages(b);
  b.AddSemantic(4, 1, "HEIGHT", "H");
  b.pos.push_back({500, 1, {}, {4}});
  b.pos.push_back({600, 0, {4}, {}});
  b.limits.push_back(rsctest::OneLimit(600, 0, 4, {10, 20}, {1, 2}));
  b.layers.push_back({"ROADS", "RD", 1, 3, {4, 32800, 9}});
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, b.Build())) << rsc.Error();
  EXPECT_EQ(0, rsc.IsModify());
  EXPECT_NE(nullptr, rsc.ObjIndex[16].Pos);
  EXPECT_EQ(rsc.ObjIndex[16].Pos, rsc.ObjIndex[17].Pos);
  EXPECT_EQ(rsc.ObjIndex[18].Pos, rsc.ObjIndex[19].Pos);
  ASSERT_NE(nullptr, rsc.ObjIndex[18].Lim);
  EXPECT_EQ(rsc.ObjIndex[18].Lim, rsc.ObjIndex[19].Lim);
  EXPECT_EQ(RSCINDEX_SERIES, rsc.ObjIndex[18].Flags);
  EXPECT_EQ(nullptr, rsc.ObjIndex[20].Lim);
  EXPECT_EQ(0, rsc.ObjIndex[20].Flags);

  // Layer records become 60 bytes in memory; their codes move to the pool.
  TABSEG* seg = rscSegTable(&rsc);
  ASSERT_NE(nullptr, seg);
  EXPECT_EQ(0u, seg[0].Codes);
  EXPECT_EQ(68u, seg[1].Length);
  EXPECT_STREQ("ROADS", seg[1].Name);
  ASSERT_EQ(3, seg[1].Count);
  EXPECT_GE(seg[1].Codes, rsc.ImageSize);
  const BYTE* codes = rscRefAddress(&rsc, seg[1].Codes);
  ASSERT_NE(nullptr, codes);
  const DWORD expected[3] = {4, 32800, 9};
  EXPECT_EQ(0, memcmp(expected, codes, sizeof expected));
  EXPECT_EQ(rsc.GetTabSeg(1), seg + 1);
}

TEST_F(RscOpen, GrsItemsAreIndexedFromTheFirstEntry) {
  Builder b = Builder::Minimal();
  b.grs.push_back({1, 4, 7, {{128, Bytes(8, 1)}, {135, Bytes(4, 2)}}});
  b.grs.push_back({2, 9, 3, {{143, Bytes(16, 3)}}});
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, b.Build())) << rsc.Error();
  ASSERT_EQ(104u, rsc.GrsIndexSize);
  EXPECT_EQ(100u, rsc.GrsSpare);
  const RSCGRSINDEX* e = rsc.GrsIndex;
  EXPECT_EQ(4u, e[0].Code);
  EXPECT_EQ(7u, e[0].Value);
  const struct {
    int number;
    DWORD function;
  } items[] = {{1, 128}, {1, 135}, {2, 143}};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(items[i].number, e[i].Number) << i;
    EXPECT_EQ(items[i].function, e[i].Function) << i;
  }
  ASSERT_NE(nullptr, e[2].Image);
  EXPECT_EQ(28u, e[2].Image->Length);
  EXPECT_EQ(0, e[3].Number);
}

TEST_F(RscOpen, OptionalTablesAndListsOutsideTheFile) {
  Builder b = Builder::Minimal();
  b.prn.push_back(rsctest::DefaultImage(1, 0));
  b.libraries.push_back({"signs.iml", "SIGNS", 1});
  b.tab = Bytes(24, 9);
  b.semantics[1].values = {{1, "ONE"}, {2, "TWO"}};
  Bytes bytes = b.Build();
  {
    TMapRsc rsc;
    ASSERT_EQ(1, Open(rsc, bytes)) << rsc.Error();
    EXPECT_NE(nullptr, rsc.ObjIndex[1].Prn);
    EXPECT_NE(nullptr, rscTable(&rsc, RSC_TAB));
    EXPECT_EQ(1, rsc.GetImlCount());
    // Without image library services no library opens.
    EXPECT_EQ(0u, rscImlTable(&rsc)->Slot);
    TABSEM* sem = rscSemTable(&rsc);
    EXPECT_EQ(2u, sem[1].ClsCount);
    EXPECT_EQ(b.layout.offset[rsctest::CLS], sem[1].Cls);
  }
  // An optional table at an offset below 329 is absent; a value list at or
  // past the end of the file is no list.
  rsctest::Put32(bytes, Builder::OffsetField(rsctest::PRN), 300);
  rsctest::Put32(bytes, b.layout.sem[1] + 68, uint32_t(bytes.size()));
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, bytes)) << rsc.Error();
  EXPECT_EQ(nullptr, rsc.ObjIndex[1].Prn);
  EXPECT_EQ(0u, rsc.Head.Tables[RSC_PRN].Count);
  EXPECT_EQ(0u, rscSemTable(&rsc)[1].Cls);
  EXPECT_EQ(0u, rscSemTable(&rsc)[1].ClsCount);
}

TEST_F(RscOpen, ObjectRecordWithABadLengthIsSteppedOver) {
  Builder b = Builder::Minimal();
  Bytes bytes = b.Build();
  // Kind 5 claims more bytes than the table holds: it is taken as 112
  // bytes long and the walk goes on with kind 6.
  rsctest::Put32(bytes, b.layout.obj[4], 0x7FFFFFF0);
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, bytes)) << rsc.Error();
  EXPECT_EQ(nullptr, rsc.ObjIndex[5].Obj);
  EXPECT_NE(nullptr, rsc.ObjIndex[6].Obj);
  EXPECT_NE(nullptr, rsc.ObjIndex[15].Obj);
}

TEST_F(RscOpen, UnterminatedNamesAreCutToTheirField) {
  Builder b = Builder::Minimal();
  Bytes bytes = b.Build();
  memset(bytes.data() + b.layout.obj[2] + 48, 'N', 32);
  memset(bytes.data() + b.layout.sem[0] + 40, 'S', 16);
  TMapRsc rsc;
  ASSERT_EQ(1, Open(rsc, bytes)) << rsc.Error();
  EXPECT_EQ(31u, strlen(rsc.ObjIndex[3].Obj->Name));
  EXPECT_EQ(15u, strlen(rscSemTable(&rsc)[0].Short));
}

}  // namespace
