// Classifier queries on a classifier built byte by byte: header values,
// object kinds, series, semantics, value lists and defaults.
#include <gtest/gtest.h>

#include <cstring>

#include "classifier/rsccore.h"
#include "records/semantic.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

// Kinds past the service ones: 16 road (line, layer 1, series member 1),
// 17 road (series member 2), 18 lake (area, layer 2), 19 town (point).
// Semantics: 4 height (numeric, size 10, 2 decimals, defaults), 7 kind
// (list), 9 name (text, common), 11 depth (type 5), 12 width (list, 0
// decimals).
Builder Rich() {
  Builder b = Builder::Minimal();
  rsctest::Semantic& height = b.AddSemantic(4, 1, "HEIGHT", "H");
  height.size = 10;
  height.decimal = 2;
  height.unit = "M";
  height.defaults = {{0, 1.0, 3.5, 9.0}, {18, 2.0, 4.25, 8.0}, {18, 0.0, 5.0, 6.0}};
  rsctest::Semantic& kind = b.AddSemantic(7, 1, "KIND", "KND");
  kind.values = {{1, "ASPHALT"}, {2, "GRAVEL"}, {5, "SAND"}};
  rsctest::Semantic& name = b.AddSemantic(9, 0, "NAME", "NM");
  name.common = 1;
  b.AddSemantic(11, 5, "DEPTH", "DP");
  rsctest::Semantic& width = b.AddSemantic(12, 1, "WIDTH", "WD");
  width.decimal = 0;
  width.size = 6;
  width.values = {{10, "TEN"}, {20, "TWENTY"}};
  width.defaults = {{0, 0, 3.5, 10}};

  rsctest::Object& road = b.AddObject(600, 0, "ROAD");
  road.series = 1;
  road.segment = 1;
  road.bot = 3;
  road.top = 2;
  road.direct = 3;
  b.AddObject(600, 0, "ROAD WIDE").series = 2;
  b.objects.back().segment = 1;
  b.AddObject(700, 1, "LAKE").segment = 2;
  b.AddObject(800, 2, "TOWN").segment = 2;
  rsctest::AddDefaultImages(b);
  b.pos.push_back({600, 0, {4}, {7, 12}});
  b.pos.push_back({700, 1, {}, {4, 11}});
  b.limits.push_back(rsctest::OneLimit(600, 0, 12, {5, 15}, {1, 2}, 2));
  b.layers[0].name = "";
  rsctest::AddLayers(b, 4);
  return b;
}

// A semantics record with one characteristic.
std::vector<char> Semantics(const TSemBlock& block) {
  std::vector<char> record(4 + size_t(block.BlockLength()));
  SEMANTIC head{SEMANTIC_IDENT, WORD(record.size())};
  memcpy(record.data(), &head, 4);
  memcpy(record.data() + 4, &block, size_t(block.BlockLength()));
  return record;
}
std::vector<char> Semantics(int code, LONG value) {
  TSemBlock block;
  block.Code = WORD(code);
  block.Value.LoadLong(value);
  return Semantics(block);
}
TObjectSemn Semn(std::vector<char>& record) { return TObjectSemn((SEMANTIC*)record.data()); }

class RscQuery : public rsctest::OpenedRscTest {
 protected:
  RscQuery() : OpenedRscTest("rq_", "query.rsc") {}
};

TEST_F(RscQuery, HeaderValuesAndScaleTables) {
  Open(Rich().Build());
  EXPECT_EQ(0, memcmp("20240115", rsc_.Date(), 8));
  EXPECT_EQ(500000, TMapRsc::GetTableScaleItem(1, 15));
  EXPECT_EQ(1, TMapRsc::GetTableScaleItem(1, 16));
  EXPECT_EQ(40000000, TMapRsc::GetTableScaleItem(7, 15));
  EXPECT_EQ(1, rsc_.GetScaleItem(16));
  EXPECT_EQ(500000, rsc_.GetScaleItem(9));
  EXPECT_EQ(0, rsc_.IsModify());

  EXPECT_EQ(2, rsc_.SetClassificatorLanguage(7));
  EXPECT_EQ(1, rsc_.ScaleTableNumber(5));
  EXPECT_EQ(500000, rsc_.GetScaleItem(15));
  const std::string longName(40, 'N');
  EXPECT_EQ(31u, strlen(rsc_.SetName(longName.c_str())));
  EXPECT_EQ(longName.substr(0, 31), rsc_.Name());
  EXPECT_STREQ("", rsc_.SetType(nullptr));
  EXPECT_EQ(1, rsc_.ClassificatorCode("ABCDEFGHIJ"));
  EXPECT_STREQ("ABCDEFG", rsc_.ClassificatorCode());
  EXPECT_NE(0, rsc_.IsModify());

  EXPECT_EQ(LONG(rsctest::ReadBytes(path_).size()), rsc_.FileSize());
  char small[4];
  EXPECT_EQ(0, rsc_.GetRscName(small, sizeof small));
  char name[MAX_PATH];
  EXPECT_EQ(1, rsc_.GetRscName(name, sizeof name));
  EXPECT_EQ(path_, name);
}

TEST_F(RscQuery, ClosedClassifierAnswersEmpty) {
  TMapRsc closed;
  EXPECT_STREQ("", closed.GetObjName(1));
  EXPECT_EQ(MAPERR_DATA, closed.Error());
  EXPECT_EQ(15, closed.GetObjTop(1));
  EXPECT_EQ(-1, closed.GetSemType(4));
  EXPECT_EQ(nullptr, closed.GetOffSem());
  EXPECT_STREQ("", closed.Date());
  RSCOBJECT desc;
  EXPECT_EQ(0, closed.GetDescribeObj(1, &desc));
  EXPECT_EQ(MAPERR_RSCRANGE, closed.Error());
  // The core forms accept a null block.
  EXPECT_EQ(-1, rscGetSemType(nullptr, 4));
  EXPECT_STREQ("", rscGetObjName(nullptr, 1));
  EXPECT_EQ(15, rscGetObjTop(nullptr, 1));
}

TEST_F(RscQuery, ObjectFieldsAndBadNumbers) {
  Open(Rich().Build());
  EXPECT_EQ(15, rsc_.GetObjTop(99));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetObjBot(0));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_STREQ("", rsc_.GetObjName(-3));

  EXPECT_STREQ("ROAD", rsc_.GetObjName(16));
  EXPECT_EQ(0, rsc_.Error());
  EXPECT_EQ(13, rsc_.GetObjTop(16));
  EXPECT_EQ(1, rsc_.GetObjExtend(16));
  EXPECT_EQ(18, rsc_.GetObjIdentIncode(rsc_.GetObjIdent(18)));
  EXPECT_EQ(0, rsc_.GetObjIdentIncode(12345));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(19, rsc_.GetObjKeyIncode("p0000000800"));
  EXPECT_EQ(4, rsc_.GetServObjIncode(LOCAL_TITLE));
  EXPECT_EQ(LONG(1000000004), rsc_.GetServObjExcode(LOCAL_TITLE));
  EXPECT_EQ(0, rsc_.GetServObjIncode(9));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetServObjExcode(9));
  EXPECT_EQ(0, rsc_.Error());
  EXPECT_EQ(17, rsc_.GetNextObjIncode(600, 16));
  EXPECT_EQ(0, rsc_.GetNextObjIncode(600, 17));
  EXPECT_EQ(2, rsc_.GetObjNumber(600, 0));
  EXPECT_EQ(17, rsc_.GetObjIncode(600, 0, 2));

  EXPECT_EQ(0, rsc_.SetObjExtsem(16, 7));
  EXPECT_EQ(3, rsc_.SetObjExtsem(16, 3));

  RSCOBJECT desc;
  ASSERT_EQ(1, rsc_.GetDescribeObj(16, &desc));
  EXPECT_EQ(64u, desc.Length);
  EXPECT_EQ(4u, desc.Direct);       // stored 3
  EXPECT_EQ(5000u, desc.Bot);       // index 3 of table 0
  EXPECT_EQ(10000000u, desc.Top);   // index 15 - 2
  EXPECT_EQ(0, rsc_.GetDescribeObj(20, &desc));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
}

TEST_F(RscQuery, SemanticFieldsListsAndTypes) {
  Open(Rich().Build());
  const int types[][2] = {{7, 16}, {11, 1}, {4, 1}, {9, 0}, {555, -1}};
  for (const auto& t : types) EXPECT_EQ(t[1], rsc_.GetSemType(t[0])) << t[0];
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_STREQ("M", rsc_.GetSemUnit(4));
  EXPECT_EQ(2, rsc_.GetSemValuePoleDecimal(4));
  EXPECT_EQ(0, rsc_.GetSemReply(-4));
  EXPECT_EQ(1, rsc_.GetSemReply(32804));

  EXPECT_EQ(3, rsc_.GetClassificatorCount(7));
  EXPECT_EQ(0, rsc_.GetClassificatorCount(4));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(5, rsc_.GetClassificatorValue(7, 3));
  EXPECT_STREQ("GRAVEL", rsc_.GetClassificatorName(7, 2));
  EXPECT_STREQ("", rsc_.GetClassificatorName(7, 4));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_STREQ("SAND", rsc_.GetSemValueName(7, 5));
  EXPECT_STREQ("", rsc_.GetSemValueName(7, 3));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  const int sems = rsc_.GetSemCount();
  EXPECT_STREQ("WIDTH", rsc_.GetSemOrderName(sems));
  EXPECT_STREQ("", rsc_.GetSemOrderName(sems + 1));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  // Name searches: layers from 0 to count - 1, semantics, objects.
  EXPECT_EQ(0, rsc_.GetSegmentByName(""));
  EXPECT_EQ(0, rsc_.Error());
  EXPECT_EQ(4, rsc_.GetSegmentByName("  layer 4 "));
  EXPECT_EQ(0, rsc_.GetSegmentByName("LAYER 5"));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetElementbyName("", 6));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetElementbyName("X", 7));
  EXPECT_EQ(MAPERR_DATA, rsc_.Error());
  EXPECT_STREQ("", TMapRsc::GetLocalName(6, 1));
}

TEST_F(RscQuery, DefaultsAndTheirText) {
  Open(Rich().Build());
  // The last entry of the object wins, then the last free one.
  EXPECT_DOUBLE_EQ(5.0, rsc_.GetDefDef(18, 4));
  EXPECT_DOUBLE_EQ(3.5, rsc_.GetDefDef(16, 4));
  EXPECT_DOUBLE_EQ(9.0, rsc_.GetDefMax(16, 4));
  EXPECT_DOUBLE_EQ(0.0, rsc_.GetDefMin(16, 7));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  // CheckTabDef takes the first entry of the object.
  ASSERT_NE(nullptr, rsc_.CheckTabDef(18, 4));
  EXPECT_DOUBLE_EQ(4.25, rsc_.CheckTabDef(18, 4)->Def);
  EXPECT_EQ(nullptr, rsc_.CheckTabDef(18, 9));
  EXPECT_EQ(0, rsc_.Error());

  char text[64];
  ASSERT_EQ(1, rsc_.GetDefValueSemantic(19, 4, text, sizeof text));
  EXPECT_STREQ("      3.50", text);
  ASSERT_EQ(1, rsc_.GetDefValueSemantic(19, 12, text, sizeof text));
  EXPECT_STREQ("3", text);
  // The text never runs past its size.
  memset(text, 'x', sizeof text);
  ASSERT_EQ(1, rsc_.GetDefValueSemantic(19, 4, text, 5));
  EXPECT_STREQ("    ", text);
  EXPECT_EQ('x', text[5]);
  EXPECT_EQ(0, rsc_.GetDefValueSemantic(19, 4, text, 0));
  EXPECT_EQ(0, rsc_.GetDefValueSemantic(0, 4, text, sizeof text));
  EXPECT_EQ(0, rsc_.GetDefValueSemantic(19, 9, text, sizeof text));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  RSCSEMANTICEX ex;
  ASSERT_EQ(1, rsc_.SemanticDescribeEx(&ex, 4, 18));
  EXPECT_EQ(1u, ex.Enable);  // possible for the lake
  EXPECT_DOUBLE_EQ(5.0, ex.Default);
  EXPECT_EQ(10u, ex.Size);
  EXPECT_EQ(0, rsc_.SemanticDescribeEx(&ex, 555, 18));
  EXPECT_EQ(555u, ex.Code);
  EXPECT_EQ(0u, ex.Type);
}

TEST_F(RscQuery, SemanticsOfObjects) {
  Open(Rich().Build());
  EXPECT_EQ(1, rsc_.GetObjMustSemCount(16));
  EXPECT_EQ(4u, rsc_.GetObjMustSem(16, 1));
  EXPECT_EQ(0u, rsc_.GetObjMustSem(16, 2));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(2, rsc_.GetObjOnlyPosSemCount(16));
  EXPECT_EQ(12u, rsc_.GetObjOnlyPosSem(16, 2));
  // Common semantic 9 comes after the listed possible ones; the system
  // semantics never do.
  EXPECT_EQ(3, rsc_.GetObjPosSemCount(16));
  EXPECT_EQ(7u, rsc_.GetObjPosSem(16, 1));
  EXPECT_EQ(9u, rsc_.GetObjPosSem(16, 3));
  EXPECT_EQ(0u, rsc_.GetObjPosSem(16, 4));
  EXPECT_EQ(1, rsc_.GetObjPosSemCount(19));

  EXPECT_EQ(1, rsc_.GetObjLimSemCount(16));
  EXPECT_EQ(12u, rsc_.GetObjLimSem(16, 1));
  EXPECT_EQ(0u, rsc_.GetObjLimSem(16, 3));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());
  EXPECT_EQ(0, rsc_.GetObjLimSemCount(18));

  const int can[][2] = {{12, 3}, {4, 2}, {7, 1}, {9, 0}};
  for (const auto& c : can) EXPECT_EQ(c[1], rsc_.GetOnlyObjCanSem(16, c[0])) << c[0];
  EXPECT_EQ(1, rsc_.GetObjCanSem(16, 9));
  EXPECT_EQ(0, rsc_.GetObjCanSem(16, 11));
  EXPECT_EQ(0, rsc_.GetObjCanSem(16, 555));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  APPLYSEMANTIC info;
  ASSERT_EQ(1, rsc_.GetSemInfo(4, &info));
  EXPECT_EQ(2u, info.Must);      // both road members
  EXPECT_EQ(1u, info.Possible);  // the lake
  EXPECT_EQ(0u, info.Limit);
  ASSERT_EQ(1, rsc_.GetSemInfo(12, &info));
  EXPECT_EQ(2u, info.Limit);
}

TEST_F(RscQuery, SeriesChoiceBySemantics) {
  Open(Rich().Build());
  std::vector<char> narrow = Semantics(12, 3), wide = Semantics(12, 12), huge = Semantics(12, 99);
  std::vector<char> other = Semantics(4, 1);
  EXPECT_EQ(16, rsc_.GetObjIncode(600, 0, Semn(narrow)));
  EXPECT_EQ(17, rsc_.GetObjIncode(600, 0, Semn(wide)));
  // Above every limit, or missing: the default range (2).
  EXPECT_EQ(17, rsc_.GetObjIncode(600, 0, Semn(huge)));
  EXPECT_EQ(17, rsc_.GetObjIncode(600, 0, Semn(other)));
  EXPECT_EQ(16, rsc_.GetObjIncode(600, 0, TObjectSemn(nullptr)));
  EXPECT_EQ(18, rscGetObjIncodeSeria(&rsc_, 700, 1, Semn(narrow)));
  EXPECT_EQ(0, rsc_.GetObjIncode(601, 0, Semn(narrow)));
  EXPECT_EQ(MAPERR_RSCRANGE, rsc_.Error());

  // The default of a limiting semantic is the limit of the member's range.
  char text[32];
  ASSERT_EQ(1, rsc_.GetDefValueSemantic(16, 12, text, sizeof text));
  EXPECT_STREQ("5", text);
  ASSERT_EQ(1, rsc_.GetDefValueSemantic(17, 12, text, sizeof text));
  EXPECT_STREQ("15", text);
}

TEST_F(RscQuery, KeySemanticChoosesTheKind) {
  Builder b = Rich();
  b.head.objCodeType = 1;
  Open(b.Build());
  TSemBlock block;
  block.Code = 32811;
  block.Value.Value("p0000000800", 0);
  std::vector<char> record = Semantics(block);
  EXPECT_EQ(19, rsc_.GetObjIncode(600, 0, Semn(record)));
  // A lying record length is read only as far as it goes.
  ((SEMANTIC*)record.data())->Length = 3;
  EXPECT_EQ(17, rsc_.GetObjIncode(600, 0, Semn(record)));
}

}  // namespace
