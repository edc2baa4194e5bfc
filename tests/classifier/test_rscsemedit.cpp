// Semantic editing: appending from a description, value lists and the
// common default, defaults, changes and deletion with everything that
// names a semantic, kinds' obligatory and possible codes, layer lists, and
// edits that must count as changes to be saved.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "support/rscfixture.h"

namespace {

class RscSemEdit : public rsctest::OpenedRscTest {
 protected:
  RscSemEdit() : OpenedRscTest("semedit_", "sem.rsc") {}
  void SetUp() override {
    OpenedRscTest::SetUp();
    rsctest::Builder b = rsctest::Rich();
    b.AddSemantic(5, 1, "DEPTH", "DEPTH");
    b.AddObject(300, 3, "LABEL");
    rsctest::AddDefaultImages(b);
    Open(b.Build());
  }
  static RSCSEMANTICEX Desc(DWORD code, DWORD type, const char* name) {
    RSCSEMANTICEX d{};
    d.Code = code;
    d.Type = type;
    std::strcpy(d.Name, name);
    return d;
  }
  void ExpectDefault(DWORD code, double min, double def, double max) {
    EXPECT_EQ(min, rsc_.GetDefMin(0, code));
    EXPECT_EQ(def, rsc_.GetDefDef(0, code));
    EXPECT_EQ(max, rsc_.GetDefMax(0, code));
  }
};

TEST_F(RscSemEdit, ValuesAndDefaults) {
  for (LONG v : {3, 1, 7}) ASSERT_NE(nullptr, rsc_.AppendCls(5, v, "V"));
  ExpectDefault(5, 1, 3, 7);
  EXPECT_EQ(16, rsc_.GetSemType(5));
  EXPECT_EQ(nullptr, rsc_.AppendCls(5, 7, "AGAIN"));
  EXPECT_EQ(1, rsc_.CheckClassificatorCode(5, 8));
  EXPECT_EQ(2, rsc_.UpdateClassificatorName(5, 2, "ONE"));
  EXPECT_STREQ("ONE", rsc_.GetClassificatorName(5, 2));
  EXPECT_EQ(0, rsc_.UpdateClassificatorName(5, 4, "NONE"));
  // Past the 20 spare entries of the grown list.
  for (LONG v = 100; v < 130; v++) ASSERT_NE(nullptr, rsc_.AppendCls(5, v, "MANY"));
  EXPECT_EQ(33, rsc_.GetClassificatorCount(5));
  ExpectDefault(5, 1, 3, 129);

  ASSERT_NE(nullptr, rsc_.AppendDef(0, 5, 10, 20, 5));
  ExpectDefault(5, 5, 5, 5);
  ASSERT_NE(nullptr, rsc_.AppendDef(16, 5, 1, 9, 4));
  EXPECT_EQ(1.0, rsc_.GetDefDef(16, 5));
  EXPECT_EQ(nullptr, rsc_.AppendDef(0, 9, 1, 1, 1));  // not numeric
}

TEST_F(RscSemEdit, AppendingFromADescription) {
  RSCSEMANTICEX d = Desc(0, 1, "ZERO");
  EXPECT_EQ(0u, rsc_.AppendSemantic(&d));
  EXPECT_EQ(RSCERR_SEMRANGE, rsc_.Error());
  d.Code = 65501;
  EXPECT_EQ(0u, rsc_.AppendSemantic(&d));
  d = Desc(4, 1, "TAKEN");
  EXPECT_EQ(0u, rsc_.AppendSemantic(&d));
  EXPECT_EQ(RSCERR_SEMEXIST, rsc_.Error());
  d = Desc(60, 16, "LEVEL");
  d.Minimum = 1, d.Default = 2, d.Maximum = 3;
  d.Service = 1;
  std::strcpy(d.ShortName, "LEVEL");
  ASSERT_EQ(60u, rsc_.AppendSemantic(&d));
  EXPECT_EQ(1, rsc_.GetSemType(60));
  EXPECT_EQ(1, rsc_.GetSemService(60));
  EXPECT_STREQ("LEVEL", rsc_.GetSemShortName(60));
  ExpectDefault(60, 1, 2, 3);
}

TEST_F(RscSemEdit, ChangesFollowTheCodeOrAreRefused) {
  // The series of kinds 17 and 18 is chosen by semantic 4.
  RSCSEMANTICEX d = Desc(40, 1, "");
  EXPECT_EQ(0u, rsc_.UpdateSemantic(4, &d, 0));
  EXPECT_EQ(RSCERR_SEMSYSTEM, rsc_.Error());
  d = Desc(4, 0, "");
  EXPECT_EQ(0u, rsc_.UpdateSemantic(4, &d, 0));
  EXPECT_EQ(RSCERR_SEMTYPE, rsc_.Error());
  d = Desc(4, 16, "");
  d.Reply = 1;
  EXPECT_EQ(0u, rsc_.UpdateSemantic(4, &d, 0));
  EXPECT_EQ(RSCERR_SEMREPLY, rsc_.Error());
  d = Desc(4, 16, "");
  d.Minimum = 5, d.Default = 1, d.Maximum = 9;
  EXPECT_EQ(0u, rsc_.UpdateSemantic(4, &d, 0));
  EXPECT_EQ(RSCERR_SEMDEF, rsc_.Error());
  d = Desc(32801, 1, "");
  EXPECT_EQ(0u, rsc_.UpdateSemantic(32800, &d, 0));
  d = Desc(5, 0, "");
  EXPECT_EQ(0u, rsc_.UpdateSemantic(9, &d, 0));
  EXPECT_EQ(RSCERR_SEMEXIST, rsc_.Error());

  // Semantic 9 becomes 90: kinds, their relations and the layer list follow.
  d = Desc(90, 0, "  TITLE  ");
  ASSERT_EQ(90u, rsc_.UpdateSemantic(9, &d, 0));
  EXPECT_STREQ("TITLE", rsc_.GetSemName(90));
  EXPECT_EQ(1, rsc_.GetObjCanSem(16, 90));
  EXPECT_EQ(90u, rscRelations(rsc_.GetTabObj(16))[0].Code);
  EXPECT_EQ(90u, rsc_.GetSegSemCode(1, 2));

  // A numeric semantic with values made plainly numeric loses values and
  // defaults.
  d = Desc(4, 1, "");
  ASSERT_EQ(4u, rsc_.UpdateSemantic(4, &d, 0));
  EXPECT_EQ(0, rsc_.GetClassificatorCount(4));
  EXPECT_EQ(nullptr, rsc_.GetTabDef(0, 4));
}

TEST_F(RscSemEdit, DeletionTakesEveryUse) {
  EXPECT_EQ(0, rsc_.DeleteSemantic(32805));
  EXPECT_EQ(RSCERR_SEMSYSTEM, rsc_.Error());
  EXPECT_EQ(0, rsc_.DeleteSemantic(4));  // a series limit
  EXPECT_EQ(RSCERR_SEMSYSTEM, rsc_.Error());
  EXPECT_EQ(1, rsc_.DeleteSemantic(32811));
  const int count = rsc_.GetSemCount();
  ASSERT_EQ(1, rsc_.DeleteSemantic(9));
  EXPECT_EQ(count - 1, rsc_.GetSemCount());
  EXPECT_EQ(nullptr, rsc_.GetTabSem(9));
  EXPECT_EQ(1, rsc_.GetObjOnlyPosSemCount(16));  // 32800 is left
  EXPECT_EQ(1, rsc_.GetObjectRelateCount(16));
  EXPECT_EQ(4u, rscRelations(rsc_.GetTabObj(16))[0].Code);
  EXPECT_EQ(1, rsc_.GetSegSemCount(1));
  EXPECT_EQ(0, rsc_.DeleteSemantic(9));
}

TEST_F(RscSemEdit, ObligatoryAndPossibleCodes) {
  // Kind 16: obligatory 4, possible 9 and 32800.
  EXPECT_EQ(1, rsc_.SetTypeMustSemantic(16, 4, 0));
  EXPECT_EQ(2, rsc_.SetTypeMustSemantic(16, 32800, 0));
  EXPECT_EQ(32800u, rsc_.GetObjMustSem(16, 2));
  EXPECT_EQ(9u, rsc_.GetObjOnlyPosSem(16, 1));
  EXPECT_EQ(3, rsc_.SetTypePosSemantic(16, 4, 0));
  EXPECT_EQ(4u, rsc_.GetObjOnlyPosSem(16, 2));
  EXPECT_EQ(1, rsc_.SetTypePosSemantic(16, 9, 0));
  EXPECT_EQ(0, rsc_.SetTypePosSemantic(16, 5, 0));
  EXPECT_EQ(2, rsc_.AppendObjectSemantic(16, 5, 2, 0));
  EXPECT_EQ(5u, rsc_.GetObjMustSem(16, 2));
  // A series member only when forced.
  EXPECT_EQ(0, rsc_.SetTypeMustSemantic(17, 9, 0));
  EXPECT_EQ(0, rsc_.DeletePos(17, 0));
  EXPECT_EQ(17, rsc_.DeletePos(17, 1));
  EXPECT_EQ(0, rsc_.GetObjMustSemCount(17));

  // Layer lists.
  EXPECT_EQ(0, rsc_.AppendSegSemCode(1, 9));
  EXPECT_EQ(3, rsc_.AppendSegSemCode(1, 5));
  EXPECT_EQ(1, rsc_.DeleteSegSemCode(1, 4));
  EXPECT_EQ(0, rsc_.DeleteSegSemCode(1, 4));
  EXPECT_EQ(9u, rsc_.GetSegSemCode(1, 1));
  ASSERT_NE(nullptr, rsc_.BuildSegmentSemantic(1, 1));  // kind 16's obligatory codes
  ASSERT_EQ(2, rsc_.GetSegSemCount(1));
  EXPECT_EQ(32800u, rsc_.GetSegSemCode(1, 1));
  EXPECT_EQ(5u, rsc_.GetSegSemCode(1, 2));
  EXPECT_EQ(1, rsc_.SetSegShortName(1, "  ROUTES "));
  EXPECT_STREQ("ROUTES", rsc_.GetSegShortName(1));
  EXPECT_EQ(0, rsc_.SetSegShortName(0, "ROUTES"));
}

// Every one of these edits reported success without counting the change,
// so a save left it out.
TEST_F(RscSemEdit, EditsThatUsedToGoUnsavedAreSaved) {
  const std::function<bool(TMapRsc&)> edits[] = {
      [](TMapRsc& r) { return r.SetSemShortName(5, " DEEP ") == 1; },
      [](TMapRsc& r) { return r.SetSemDecimal(5, 10, 3) == 1; },
      [](TMapRsc& r) { return r.SetPaletteName(1, "EDITED") == 1; },
      [](TMapRsc& r) { return r.DeleteTabPrn(16) == 1; },
      [](TMapRsc& r) { return r.SetPaletteColor(1, 3, 0x123456) == 1; },
  };
  const std::function<bool(TMapRsc&)> saved[] = {
      [](TMapRsc& r) { return std::strcmp(r.GetSemShortName(5), "DEEP") == 0; },
      [](TMapRsc& r) { return r.GetSemValuePoleSize(5) == 10 && r.GetSemValuePoleDecimal(5) == 3; },
      [](TMapRsc& r) { return std::strcmp(r.GetPaletteName(1), "EDITED") == 0; },
      [](TMapRsc& r) { return r.GetTabPrn(16) == nullptr; },
      [](TMapRsc& r) { return r.GetPalette(1)[2] == 0x123456; },
  };
  for (size_t i = 0; i < std::size(edits); i++) {
    ASSERT_EQ(0, rsc_.IsModify());
    ASSERT_TRUE(edits[i](rsc_)) << i;
    EXPECT_EQ(1, rsc_.Save(0)) << i;
    TMapRsc again;
    ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0));
    EXPECT_TRUE(saved[i](again)) << i;
  }
}

}  // namespace
