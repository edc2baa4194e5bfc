// The map object's characteristics by the classifier's semantic types:
// texts stored as dates, times, angles, keys and numbers, values shown with
// decimals, list names and units, non-repeatable semantics replaced, the
// semantics an object may still receive, and re-storing by type.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/textformat.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/file.h"
#include "support/objectbuilder.h"
#include "support/rscbuilder.h"
#include "support/sheetbuilder.h"

namespace {

// Semantic codes of the test classifier.
enum : int {
  DATE = 20,     // date
  TIME = 21,     // time
  ANGLE = 22,    // angle
  HEIGHT = 23,   // number, 2 decimals, unit "m"; obligatory for the road
  SURFACE = 24,  // number with the list 1 ASPHALT, 2 GRAVEL; unit "kind"
  LINK = 25,     // object key
  NOTE = 26,     // text, repeatable
  NAME = 27,     // text, not repeatable
};

bool WriteClassifier(const std::string& path) {
  rsctest::Builder b = rsctest::Builder::Minimal();
  b.AddSemantic(DATE, 17, "DATE", "DT");
  b.AddSemantic(TIME, 19, "TIME", "TM");
  b.AddSemantic(ANGLE, 18, "ANGLE", "AN");
  b.AddSemantic(HEIGHT, 1, "HEIGHT", "HT").unit = "m";
  rsctest::Semantic& surface = b.AddSemantic(SURFACE, 1, "SURFACE", "SF");
  surface.unit = "kind";
  surface.values = {{1, "ASPHALT"}, {2, "GRAVEL"}};
  surface.reply = 1;
  b.AddSemantic(LINK, 12, "LINK", "LK");
  b.AddSemantic(NOTE, 0, "NOTE", "NT").reply = 1;
  b.AddSemantic(NAME, 0, "NAME", "NM");
  b.AddObject(600, 0, "ROAD");
  b.par.push_back(rsctest::DefaultImage(16, 0));
  b.pos.push_back({600, 0, {HEIGHT}, {NOTE, NAME, DATE}});
  return rsctest::WriteBytes(path, b.Build());
}

class ObjSemantics : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    const std::string rsc = dir / "sem.rsc", path = dir / "sem.map";
    ASSERT_TRUE(WriteClassifier(rsc));
    ASSERT_TRUE(objtest::CreateMapFile(path, rsc, false));
    ASSERT_EQ(1, map.OpenData(path.c_str(), 0));
    ASSERT_EQ(1, o.CreateObject(&map, 1, 0, 0));
    ASSERT_EQ(1, o.DescribeObject(16));
  }
  void TearDown() override {
    map.CloseData();
    MessageEnableSet(1);
  }
  // The shown value of the characteristic `append` just added.
  std::string Name(int n) {
    char text[64];
    return o.SemanticValueName(n, text, sizeof text) ? text : "<null>";
  }
  int Type(int n) { return o.Semn.Cursor()->GoNumber(n) ? o.Semn.Cursor()->CurrentValue()->Type : -1; }

  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMap map;
  TObjectInfo o;
};

}  // namespace

TEST_F(ObjSemantics, TextsAreStoredAndShownByTheSemanticType) {
  struct Case {
    int code;
    const char* text;
    int storedType;  // value type of the stored characteristic
    const char* shown;
  };
  const Case cases[] = {
      {DATE, "12/05/1998", SEMTYPE_LONG, "12/05/1998"},
      {DATE, "soon", SEMTYPE_ANSI, "soon"},
      {TIME, "12:30:15", SEMTYPE_LONG, "12:30:15"},
      {TIME, "250000", SEMTYPE_ANSI, "250000"},
      {TIME, "noon", SEMTYPE_ANSI, "noon"},
      {HEIGHT, "3.14159", SEMTYPE_LONG, "3.14"},
      {SURFACE, "2", SEMTYPE_SHORT, "GRAVEL"},
      {SURFACE, "7", SEMTYPE_SHORT, "7"},
      {LINK, "1/2", SEMTYPE_LONG, "1/2"},
      {ANGLE, "90", SEMTYPE_DOUBLE, "90\xB0" "00'0.00\""},
      {NAME, "Volga", SEMTYPE_ANSI, "Volga"},
  };
  ObjectKeyFormatSet(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    o.Semn.Clear();
    ASSERT_EQ(1, o.AppendSemantic(c.code, c.text, 255));
    EXPECT_EQ(c.storedType, Type(1));
    EXPECT_EQ(c.shown, Name(1));
  }
  ObjectKeyFormatSet(2);
  o.Semn.Clear();
  o.AppendSemantic(DATE, "12/05/1998", 255);
  EXPECT_DOUBLE_EQ(19980512.0, o.SemanticDoubleValue(1));
  o.AppendSemantic(LINK, "1/2", 255);
  EXPECT_EQ(65538, o.Semn.Cursor()->GoNumber(2) ? o.Semn.Cursor()->CurrentValue()->LongValue() : 0);
}

TEST_F(ObjSemantics, FullNamesCarryTheUnitAndAListValueWithoutNameGivesNothing) {
  o.AppendSemantic(HEIGHT, "3.14159", 255);
  o.AppendSemantic(SURFACE, "1", 255);
  o.AppendSemantic(SURFACE, "7", 255);
  char text[64] = "x";
  ASSERT_NE(nullptr, o.SemanticValueFullName(1, text, sizeof text));
  EXPECT_STREQ("3.14 m", text);
  ASSERT_NE(nullptr, o.SemanticValueFullName(2, text, sizeof text));
  EXPECT_STREQ("ASPHALT kind", text);
  EXPECT_EQ(nullptr, o.SemanticValueFullName(3, text, sizeof text));
  EXPECT_STREQ("", text);
  EXPECT_EQ("7", Name(3));
  // Cut to the buffer, always terminated.
  ASSERT_NE(nullptr, o.SemanticValueFullName(1, text, 4));
  EXPECT_STREQ("3.1", text);
}

TEST_F(ObjSemantics, ANonRepeatableSemanticIsReplacedARepeatableOneAdded) {
  EXPECT_EQ(1, o.AppendSemantic(NAME, "Volga", 255));
  EXPECT_EQ(2, o.AppendSemantic(NOTE, "one", 255));
  EXPECT_EQ(2, o.AppendSemantic(NAME, "Oka", 255));
  EXPECT_EQ(3, o.AppendSemantic(NOTE, "two", 255));
  char text[32];
  EXPECT_EQ(0, o.SemanticCodeValue(NAME, text, sizeof text, 2));
  EXPECT_EQ(2, o.SemanticCodeValue(NAME, text, sizeof text, 1));
  EXPECT_STREQ("Oka", text);
  EXPECT_EQ(3, o.SemanticCodeValue(NOTE, text, sizeof text, 2));
  EXPECT_STREQ("two", text);
  EXPECT_TRUE(o.Semn.IsChanged());
}

TEST_F(ObjSemantics, AvailableSemanticsLeaveOutNonRepeatableOnesTheObjectHas) {
  const int before = o.AvailableSemanticCount();
  std::vector<int> codes(1024);
  ASSERT_EQ(before, o.AvailableSemanticCount(codes.data(), 1024));
  EXPECT_EQ(HEIGHT, codes[0]);  // obligatory ones first
  EXPECT_EQ(HEIGHT, o.AvailableSemanticCode(1));
  EXPECT_EQ(NOTE, o.AvailableSemanticCode(2));
  EXPECT_EQ(NAME, o.AvailableSemanticCode(3));

  o.AppendSemantic(NAME, "Volga", 255);
  o.AppendSemantic(NOTE, "one", 255);
  EXPECT_EQ(before - 1, o.AvailableSemanticCount());
  EXPECT_EQ(NOTE, o.AvailableSemanticCode(2));
  EXPECT_EQ(DATE, o.AvailableSemanticCode(3));
  EXPECT_EQ(0, o.AvailableSemanticCode(before));
  EXPECT_EQ(MAPERR_RSCRANGE, o.GetError());
  // Too small a list drops the possible ones first.
  EXPECT_EQ(1, o.AvailableSemanticCount(codes.data(), 1));
  EXPECT_EQ(HEIGHT, codes[0]);
}

TEST_F(ObjSemantics, ValuesAndCodesChangeInPlace) {
  o.AppendSemantic(DATE, "12/05/1998", 255);
  o.AppendSemantic(NOTE, "a", 255);
  o.Semn.SetChanged(0);
  EXPECT_STREQ("01.02.2003", o.SetSemanticValue(1, "01.02.2003", 255));
  EXPECT_DOUBLE_EQ(20030201.0, o.SemanticDoubleValue(1));
  EXPECT_TRUE(o.Semn.IsChanged());
  EXPECT_EQ(nullptr, o.SetSemanticValue(3, "x", 255));
  EXPECT_NE(nullptr, o.SetSemanticCode(2, NAME));
  EXPECT_EQ(NAME, o.SemanticCode(2));
  EXPECT_STREQ("NAME", o.SemanticName(2));
  EXPECT_EQ(0, o.GetError());
  EXPECT_EQ(nullptr, o.SemanticName(3));
  EXPECT_EQ(MAPERR_DATA, o.GetError());

  EXPECT_EQ(1, o.DeleteSemantic(1));
  EXPECT_EQ(NAME, o.SemanticCode(1));
  EXPECT_EQ(0, o.DeleteSemantic(2));
}

TEST_F(ObjSemantics, AValueThatNoLongerFitsMovesTheRecordIntoALargerBlock) {
  ASSERT_EQ(1, o.Semn.Allocate(4096));
  TSemBlock block;
  block.Code = NAME;
  block.Value.Value("n", 255);
  for (o.Semn.Cursor()->GoEnd(); o.Semn.Insert(&block); o.Semn.Cursor()->GoEnd())
    block.Code = NOTE;
  const int count = o.SemanticAmount();
  const std::string longer(255, 'L');
  ASSERT_EQ(longer.c_str(), o.SetSemanticValue(count - 1, longer.c_str(), 255));
  EXPECT_GT(o.Semn.BlockSize(), 4096);
  EXPECT_EQ(count, o.SemanticAmount());
  EXPECT_EQ(NAME, o.SemanticCode(1));
  char text[300];
  EXPECT_EQ(longer, o.SemanticValue(count - 1, text, sizeof text));
  EXPECT_STREQ("n", o.SemanticValue(count, text, sizeof text));
  EXPECT_EQ(o.Semn.CheckLength(0), int(o.Semn.Record()->Length));
}

TEST_F(ObjSemantics, DescriptionsComeFromTheClassifier) {
  SEMANTICTYPE type;
  std::memset(&type, 0x5A, sizeof type);
  ASSERT_EQ(1, o.SemanticDescribe(&type, HEIGHT));
  EXPECT_EQ(HEIGHT, type.Code);
  EXPECT_EQ(1, type.Type);
  EXPECT_STREQ("HEIGHT", type.Name);
  EXPECT_STREQ("m", type.Unit);
  EXPECT_EQ(0x5A5A5A5A, type.Reserve);  // left as the caller had it
  SEMANTICTYPEEX ex = {};
  ASSERT_EQ(1, o.SemanticDescribeEx(&ex, SURFACE));
  EXPECT_EQ(16, ex.Type);
  EXPECT_STREQ("SF", ex.ShortName);
  EXPECT_EQ(0, o.SemanticDescribe(&type, 999));
  EXPECT_EQ(2, o.SemanticClassificatorCount(SURFACE));
  EXPECT_STREQ("GRAVEL", o.SemanticClassificatorName(SURFACE, 2));
  EXPECT_EQ(2, o.SemanticClassificatorCode(SURFACE, 2));
  EXPECT_STREQ("", o.SemanticClassificatorName(SURFACE, 3));
}

TEST_F(ObjSemantics, AligningStoresByTypeAndKeepsTheLastOfANonRepeatableCode) {
  // Texts written past the classifier's types, as an older record holds them.
  o.Semn.AppendString(DATE, "12/05/1998", SEMTYPE_ANSI, 255);
  o.Semn.AppendString(NAME, "first", SEMTYPE_ANSI, 255);
  o.Semn.Append(NOTE, 42);
  double angle = 0.5;
  o.Semn.AppendDouble(ANGLE, &angle);
  o.Semn.AppendString(NAME, "last", SEMTYPE_ANSI, 255);
  ASSERT_EQ(1, o.AlignSemantic());
  ASSERT_EQ(4, o.SemanticAmount());
  const int codes[4] = {DATE, NOTE, ANGLE, NAME};
  const int types[4] = {SEMTYPE_LONG, SEMTYPE_ANSI, SEMTYPE_DOUBLE, SEMTYPE_ANSI};
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(codes[n - 1], o.SemanticCode(n));
    EXPECT_EQ(types[n - 1], Type(n));
  }
  EXPECT_DOUBLE_EQ(19980512.0, o.SemanticDoubleValue(1));
  EXPECT_DOUBLE_EQ(0.5, o.SemanticDoubleValue(3));  // an angle is not read back as degrees
  EXPECT_EQ("last", Name(4));
}

TEST_F(ObjSemantics, WithoutAClassifierNothingChanges) {
  TObjectInfo loose;
  char text[16] = "x";
  EXPECT_EQ(0, loose.AppendSemantic(NAME, "a", 255));
  EXPECT_EQ(nullptr, loose.SemanticValueName(1, text, sizeof text));
  EXPECT_STREQ("", text);
  EXPECT_STREQ("", loose.SemanticName(1));
  EXPECT_EQ(MAPERR_DATA, loose.GetError());
  EXPECT_EQ(0, loose.AvailableSemanticCount());
  EXPECT_EQ(0, o.AppendSemantic(NAME, nullptr, 255));
  EXPECT_EQ(0, o.AppendSemantic(70000, "a", 255));
  EXPECT_EQ(0, o.SemanticAmount());
}
