// Editing of object kinds: keys of appended kinds, descriptions, copies,
// deletion, compaction with everything that follows the numbers, the
// direction and scale rules, and synchronisation with the file.
#include <gtest/gtest.h>

#include <cstring>

#include "support/rscfixture.h"
#include "support/rscsnapshot.h"

namespace {

using rsctest::Builder;

class RscObjEdit : public rsctest::OpenedRscTest {
 protected:
  RscObjEdit() : OpenedRscTest("objedit_", "edit.rsc") {}
  // A public description of a kind.
  static RSCOBJECT Desc(DWORD excode, int local, int layer = 0, const char* name = "KIND") {
    RSCOBJECT d{};
    d.Length = sizeof d;
    d.Excode = excode;
    d.Local = DWORD(local);
    d.Segment = DWORD(layer);
    std::strcpy(d.Name, name);
    return d;
  }
};

TEST_F(RscObjEdit, AppendedKindsGetUniqueKeysAndDefaultImages) {
  Open(Builder::Minimal().Build());
  RSCOBJ area{};
  area.Excode = 31120000;
  area.Local = LOCAL_SQUARE;
  const char* keys[] = {"S0031120000", "S00311200001", "S00311200002"};
  const LONG maxKey = rsc_.MaxKey();
  for (int i = 0; i < 3; i++) {
    const int n = rsc_.AppendObject(&area, 0);
    ASSERT_EQ(16 + i, n);
    EXPECT_STREQ(keys[i], rsc_.GetObjKey(n));
    EXPECT_EQ(maxKey + 1 + i, rsc_.GetObjIdent(n));
    EXPECT_EQ(2, rsc_.GetObjDirect(n));
  }
  EXPECT_EQ(0, rsc_.AppendObject(&area, 1));  // checked: the code is taken

  // Through the public description: every local type gets the image the
  // classifier makes for it.
  for (int local = 0; local <= 5; local++) {
    const RSCOBJECT d = Desc(500 + local, local);
    const int n = rsc_.AppendObjectDefaultView(&d);
    ASSERT_GT(n, 0) << local;
    const rsctest::Image expected = rsctest::DefaultImage(uint16_t(n), local);
    EXPECT_EQ(expected.function, rsc_.GetObjFunction(n));
    ASSERT_EQ(int(expected.params.size()), rsc_.GetParLength(n));
    EXPECT_EQ(0, std::memcmp(expected.params.data(), rsc_.GetPar(n), expected.params.size())) << local;
  }
  RSCOBJECT d = Desc(500, LOCAL_LINE);
  EXPECT_EQ(0, rsc_.AppendObjectDefaultView(&d));
  EXPECT_EQ(RSCERR_EXIST, rsc_.Error());
  d.Length = 60;
  EXPECT_EQ(0, rsc_.AppendObjectDefaultView(&d));
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());
  // Local type 9 is a line, a layer past the last is the system layer, the
  // denominators become indexes.
  d = Desc(600, 9, 7);
  d.Bot = 25000;
  d.Top = 1000000;
  const int n = rsc_.AppendObjectDefaultView(&d);
  ASSERT_GT(n, 0);
  EXPECT_EQ(LOCAL_LINE, rsc_.GetObjLocal(n));
  EXPECT_EQ(0, rsc_.GetObjSegment(n));
  EXPECT_EQ(5, rsc_.GetObjBot(n));
  EXPECT_EQ(10, rsc_.GetObjTop(n));
}

TEST_F(RscObjEdit, UpdateChangesTheKindOrNothing) {
  Open(rsctest::Rich().Build());
  const int style = rsc_.Style();
  RSCOBJECT d = Desc(200, LOCAL_SQUARE, 1, "MOVED");  // the series' code
  EXPECT_EQ(0, rsc_.UpdateObject(16, &d));
  EXPECT_EQ(RSCERR_EXIST, rsc_.Error());
  EXPECT_EQ(100, rsc_.GetObjExcode(16));
  EXPECT_STREQ("ROAD", rsc_.GetObjName(16));
  EXPECT_EQ(0, rsc_.UpdateObject(99, &d));
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());

  // A new code and local type: the semantics record follows the code; the
  // line image does not suit a point, so it gets the default sign and
  // loses its printer image.
  d = Desc(110, LOCAL_POINT, 1, "WELL");
  d.Bot = 50000;
  ASSERT_EQ(16, rsc_.UpdateObject(16, &d));
  EXPECT_EQ(110u, DWORD(rsc_.ObjIndex[16].Pos->Excode));
  EXPECT_EQ(LOCAL_POINT, rsc_.GetObjLocal(16));
  EXPECT_EQ(143, rsc_.GetObjFunction(16));
  EXPECT_EQ(nullptr, rsc_.GetTabPrn(16));
  EXPECT_EQ(6, rsc_.GetObjBot(16));
  EXPECT_GT(rsc_.Style(), style);

  // A series member keeps code, local type and layer; all three differing
  // is refused.
  d = Desc(300, LOCAL_LINE, 1, "LAKE");
  EXPECT_EQ(0, rsc_.UpdateObject(17, &d));
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());
  d.Segment = 0;
  ASSERT_EQ(17, rsc_.UpdateObject(17, &d));
  EXPECT_EQ(200, rsc_.GetObjExcode(17));
  EXPECT_EQ(LOCAL_SQUARE, rsc_.GetObjLocal(17));
  EXPECT_STREQ("LAKE", rsc_.GetObjName(17));
}

TEST_F(RscObjEdit, CopiesShareNothingWithTheirSource) {
  Open(rsctest::Rich().Build());
  const int m = rsc_.CopyObject(16);
  ASSERT_EQ(19, m);
  EXPECT_EQ(LONG(RSC_SERVICE_EXCODE), rsc_.GetObjExcode(m));
  EXPECT_STREQ("L1000000000", rsc_.GetObjKey(m));
  EXPECT_NE(rsc_.GetObjIdent(16), rsc_.GetObjIdent(m));
  for (VIEPAR* (TMapRsc::*image)(int) : {&TMapRsc::GetTabPar, &TMapRsc::GetTabPrn}) {
    ASSERT_NE(nullptr, (rsc_.*image)(m));
    EXPECT_NE((rsc_.*image)(16), (rsc_.*image)(m));
    EXPECT_EQ(m, int((rsc_.*image)(m)->Number));
  }
  ASSERT_NE(nullptr, rsc_.ObjIndex[m].Pos);
  EXPECT_NE(rsc_.ObjIndex[16].Pos, rsc_.ObjIndex[m].Pos);
  EXPECT_EQ(RSC_SERVICE_EXCODE, DWORD(rsc_.ObjIndex[m].Pos->Excode));
  EXPECT_EQ(4u, rsc_.GetObjMustSem(m, 1));

  // Over another kind: the target keeps its key and ident and loses its
  // defaults; images and semantics are its own copies.
  const LONG ident = rsc_.GetObjIdent(m);
  const std::string key = rsc_.GetObjKey(m);
  ASSERT_NE(nullptr, rsc_.GetTabDef(16, 4));
  ASSERT_EQ(m, rsc_.CopyObject(m, 17));
  EXPECT_EQ(ident, rsc_.GetObjIdent(m));
  EXPECT_EQ(key, rsc_.GetObjKey(m));
  EXPECT_EQ(0, rsc_.GetObjExtend(m));
  EXPECT_EQ(nullptr, rsc_.ObjIndex[m].Lim);
  EXPECT_EQ(LOCAL_SQUARE, rsc_.GetObjLocal(m));
  EXPECT_NE(rsc_.GetTabPar(17), rsc_.GetTabPar(m));
  EXPECT_NE(rsc_.ObjIndex[17].Pos, rsc_.ObjIndex[m].Pos);
  EXPECT_EQ(nullptr, rsc_.GetTabPrn(m));
  ASSERT_EQ(16, rsc_.CopyObject(16, m));
  EXPECT_EQ(0, int(rsc_.GetTabObj(16)->RelCount));
  EXPECT_EQ(1.0, rsc_.GetDefDef(16, 4));  // only the common default is left
  // Refused: a series target, itself, a deleted source.
  EXPECT_EQ(0, rsc_.CopyObject(17, 16));
  EXPECT_EQ(0, rsc_.CopyObject(16, 16));
  ASSERT_EQ(m, rsc_.DeleteObject(m));
  EXPECT_EQ(0, rsc_.CopyObject(16, m));
}

TEST_F(RscObjEdit, DeletionRules) {
  Open(rsctest::Rich().Build());
  for (int n : {1, 15, 17, 18, 0, 99}) EXPECT_EQ(0, rsc_.DeleteObject(n)) << n;
  const int style = rsc_.Style();
  for (int pass = 0; pass < 2; pass++) {
    ASSERT_EQ(16, rsc_.DeleteObject(16));
    EXPECT_EQ(0, rsc_.GetObjExcode(16));
    EXPECT_STREQ(" ", rsc_.GetObjKey(16));
  }
  EXPECT_GT(rsc_.Style(), style);
}

TEST_F(RscObjEdit, PressMovesKindsAndEverythingThatNamesThem) {
  Builder b = Builder::Minimal();
  rsctest::Semantic& s = b.AddSemantic(4, 1, "KIND", "KIND");
  for (uint32_t n = 16; n <= 30; n++) {
    b.AddObject(100 + n, 0, "K" + std::to_string(n));
    b.pos.push_back({100 + n, 0, {4}, {77}});  // 77 names no semantic
    s.defaults.push_back({n, 0, double(n), 100});
  }
  s.defaults.push_back({0, 0, 1, 2});
  s.defaults.push_back({15, 0, 15, 100});  // kind 15 does not carry it
  rsctest::AddDefaultImages(b);
  for (uint16_t n : {20, 25, 30}) b.prn.push_back(rsctest::DefaultImage(n, 0));
  Open(b.Build());
  ASSERT_EQ(20, rsc_.DeleteObject(20));
  const int style = rsc_.Style();
  ASSERT_EQ(1, rsc_.Press());
  ASSERT_EQ(29, rsc_.GetObjCount());
  EXPECT_GT(rsc_.Style(), style);
  for (int n = 16; n <= 29; n++) {
    const int old = n < 20 ? n : n + 1;
    EXPECT_EQ(100 + old, rsc_.GetObjExcode(n));
    EXPECT_EQ(DWORD(n), DWORD(rsc_.GetTabObj(n)->Incode));
    EXPECT_EQ(n, int(rsc_.GetTabPar(n)->Number));
    EXPECT_EQ(double(old), rsc_.GetDefDef(n, 4)) << n;
    EXPECT_EQ(1, rsc_.GetObjMustSemCount(n));
    EXPECT_EQ(0, rsc_.GetObjOnlyPosSemCount(n));
  }
  EXPECT_EQ(nullptr, rsc_.GetTabPrn(20));
  EXPECT_EQ(24, int(rsc_.GetTabPrn(24)->Number));
  EXPECT_EQ(29, int(rsc_.GetTabPrn(29)->Number));
  // Defaults: 14 moved ones and the common one; kind 20's and kind 15's
  // are gone.
  TABSEM* sem = rsc_.GetTabSem(4);
  ASSERT_EQ(15u, DWORD(sem->DefCount));
  EXPECT_EQ(1.0, rsc_.GetDefDef(15, 4));

  // Saved and read again, the pressed classifier answers alike.
  ASSERT_EQ(1, rsc_.Save(0));
  TMapRsc again;
  ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0));
  EXPECT_EQ("", rsctest::FirstDifference(rsctest::TakeSnapshot(rsc_), rsctest::TakeSnapshot(again)));
}

TEST_F(RscObjEdit, FieldRules) {
  Builder b = Builder::Minimal();
  for (int local = 0; local <= 5; local++) b.AddObject(100 + local, uint8_t(local), "K");
  rsctest::AddDefaultImages(b);
  Open(b.Build());
  // {local, asked, stored}
  const int directs[][3] = {{0, 1, 1}, {0, 3, 3}, {0, 2, 0}, {0, 9, 0}, {1, 1, 2}, {1, 4, 4}, {2, 1, 0},
                            {3, 0, 1}, {3, 4, 1}, {4, 1, 1}, {4, 3, 0}, {5, 2, 1}, {1, -1, 2}};
  for (const auto& d : directs) {
    EXPECT_EQ(d[2], rsc_.SetObjDirect(16 + d[0], d[1])) << d[0] << " " << d[1];
    EXPECT_EQ(d[2], rsc_.GetObjDirect(16 + d[0]));
  }
  EXPECT_EQ(15, rsc_.SetObjTop(16, 20));
  EXPECT_EQ(0, rsc_.GetObjTop(16));  // the top index is 15 minus the code
  EXPECT_EQ(0, rsc_.SetObjBot(16, -3));
  EXPECT_EQ(0, rsc_.SetObjScale(16, 2));
  EXPECT_EQ(1, rsc_.SetObjScale(16, 1));
  EXPECT_EQ(0, rsc_.SetObjLocal(16, 6));
  EXPECT_STREQ("0123456789012345678901234567890",
               rsc_.SetObjName(16, "0123456789012345678901234567890123"));
  EXPECT_EQ(nullptr, rsc_.SetObjKey(16, nullptr));

  // View scale 30000: table 0 index 6 (50000), one more: 7, top code 8;
  // only points, titles and templates whose top is below it (or none) and
  // whose bottom lies below 7: kind 18 and the service kinds 3, 4 and 6.
  rsc_.SetObjTop(18, 3);
  rsc_.SetObjTop(19, 12);
  rsc_.SetObjBot(21, 9);
  const DWORD modify = rsc_.Modify;
  EXPECT_EQ(4, rsc_.SetObjectView(30000));
  for (int n : {3, 4, 6, 18}) EXPECT_EQ(8, int(rsc_.GetTabObj(n)->Top)) << n;
  EXPECT_EQ(12, int(rsc_.GetTabObj(19)->Top));
  EXPECT_EQ(0, int(rsc_.GetTabObj(21)->Top));
  EXPECT_EQ(0, int(rsc_.GetTabObj(20)->Top));
  EXPECT_GT(rsc_.Modify, modify);

  // {local, function, suits}
  const int suits[][3] = {{0, 157, 1}, {0, 135, 0}, {1, 155, 1}, {2, 151, 1}, {2, 128, 0},
                          {3, 142, 1}, {3, 152, 0}, {4, 146, 1}, {5, 150, 1}, {5, 147, 1}, {6, 147, 0}};
  for (const auto& s : suits) EXPECT_EQ(s[2], TMapRsc::GetImageSuitable(s[0], s[1])) << s[0] << " " << s[1];
}

TEST_F(RscObjEdit, ClosedClassifierRefusesEdits) {
  TMapRsc closed;
  RSCOBJECT d = Desc(1, 0);
  EXPECT_EQ(0, closed.AppendObjectDefaultView(&d));
  EXPECT_EQ(60005, closed.Error());
  EXPECT_EQ(0, closed.Press());
  EXPECT_EQ(0, closed.CopyObject(16));
  EXPECT_EQ(0, closed.AdjustData());
  EXPECT_EQ(60005, closed.Error());
}

TEST_F(RscObjEdit, AdjustDataSavesOrFollowsTheFile) {
  Open(rsctest::Rich().Build());
  EXPECT_EQ(1, rsc_.AdjustData());  // in step, nothing to save
  rsc_.SetObjName(16, "EDITED");
  EXPECT_EQ(1, rsc_.AdjustData());  // saved
  EXPECT_EQ(0, rsc_.IsModify());
  {
    // Another user saves the file.
    TMapRsc other;
    ASSERT_EQ(1, other.OpenRsc(path_.c_str(), 0));
    other.SetObjName(16, "OTHER");
    ASSERT_EQ(1, other.Save(0));
  }
  EXPECT_EQ(-1, rsc_.AdjustData());
  EXPECT_STREQ("OTHER", rsc_.GetObjName(16));
  EXPECT_EQ(1, rsc_.AdjustData());
}

}  // namespace
