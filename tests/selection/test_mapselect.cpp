// The select context: each condition of the object test, inversion, the
// sample in force, freezing, copies, the sets built from a map, semantic
// conditions typed by the classifier, and the cached counts that follow
// the objects written through the map.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "selection/mapselect.h"
#include "support/selectmap.h"

namespace {

using seltest::NewObject;
using seltest::SelectMap;

// Three descriptors that differ in every field a condition reads.
struct Objects {
  FVSPR d[3];
  Objects() {
    d[0] = objtest::Desc(LOCAL_LINE, 16);
    d[0].Segment = 3, d[0].Key = 4;
    d[0].X1 = 0, d[0].Y1 = 0, d[0].X2 = 10, d[0].Y2 = 10;
    d[1] = objtest::Desc(LOCAL_POLYGON, 17);
    d[1].Segment = 1, d[1].Key = 5;
    d[1].X1 = 20, d[1].Y1 = 20, d[1].X2 = 30, d[1].Y2 = 30;
    d[2] = objtest::Desc(LOCAL_POINT, 0);
    d[2].Segment = 2, d[2].Key = 0xFFFFFFFEu;
    d[2].X1 = 40, d[2].Y1 = 40, d[2].X2 = 40, d[2].Y2 = 40;
  }
  std::string Passed(TMapSelect& s) {
    std::string out;
    for (FVSPR& x : d) out += s.CheckObject(TObjectDesc(&x)) ? '1' : '0';
    return out;
  }
};

TEST(MapSelect, EachConditionOnItsOwn) {
  struct Case {
    const char* name;
    std::function<void(TMapSelect&)> set;
    const char* passed;
  };
  const SELECTFRAME frame{5, 5, 25, 25};
  const Case cases[] = {
      {"fresh", [](TMapSelect&) {}, "111"},
      {"sets empty, switches off",
       [](TMapSelect& s) {
         s.ClearAllLayers(), s.ClearAllLocals(), s.ClearAllKinds(), s.ClearAllSheets();
       },
       "111"},
      {"layer 3 out", [](TMapSelect& s) { s.UnselectLayer(3), s.SetLayerSwitch(1); }, "011"},
      {"layer switch needs exactly 1",
       [](TMapSelect& s) { s.UnselectLayer(3), s.SetLayerSwitch(2); }, "111"},
      {"polygons only",
       [](TMapSelect& s) { s.ClearAllLocals(), s.SelectLocal(1), s.SetLocalSwitch(1); }, "010"},
      {"kind 16 only",
       [](TMapSelect& s) { s.ClearAllKinds(), s.SelectKind(16), s.SetKindSwitch(1); }, "100"},
      {"kind 16 by its number modulo the set",
       [](TMapSelect& s) { s.ClearAllKinds(), s.SelectKind(0x10010), s.SetKindSwitch(1); },
       "100"},
      {"without a kind", [](TMapSelect& s) { s.SetKindMode(KINDMODE_NONE); }, "001"},
      {"with a kind", [](TMapSelect& s) { s.SetKindMode(KINDMODE_SOME); }, "110"},
      {"keys 5 and up",
       [](TMapSelect& s) { s.SetKeyMinimum(5), s.SetKeyMaximum(0xFFFFFFFFu), s.SetKeySwitch(1); },
       "011"},
      {"keys up to 5", [](TMapSelect& s) { s.SetKeyMaximum(5), s.SetKeySwitch(1); }, "110"},
      {"frame", [&](TMapSelect& s) { s.FrameSet(&frame); }, "110"},
      {"frame cleared", [&](TMapSelect& s) { s.FrameSet(&frame), s.FrameSet(nullptr); }, "111"},
      {"inverted polygons",
       [](TMapSelect& s) {
         s.ClearAllLocals(), s.SelectLocal(1), s.SetLocalSwitch(1), s.SetInversion(1);
       },
       "101"},
  };
  Objects o;
  for (const Case& c : cases) {
    TMapSelect s;
    c.set(s);
    EXPECT_EQ(c.passed, o.Passed(s)) << c.name;
    // A reset passes everything again.
    s.SelectAll();
    EXPECT_EQ("111", o.Passed(s)) << c.name;
  }
}

TEST(MapSelect, SemanticAndMeasureConditionsOnGivenRecords) {
  TMapSelect s;
  FVSPR d = objtest::Desc(LOCAL_LINE, 16);
  objtest::Bytes semn = seltest::IntSemantics({{5, 12}});
  objtest::Bytes metric = objtest::Metric(METRIC_F64, {{{0, 0}, {30, 40}}});
  auto check = [&] {
    return s.CheckObject(TObjectDesc(&d), TObjectData(objtest::As<LONGMETRIC>(metric)),
                         TObjectSemn(objtest::As<SEMANTIC>(semn)));
  };
  // Without a classifier a value is read as an integer.
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_GREATER, 5, "10"));
  EXPECT_EQ(1, s.SemanticSwitch);
  EXPECT_EQ(1, check());
  semn = seltest::IntSemantics({{5, 9}});
  EXPECT_EQ(0, check());
  EXPECT_EQ(1, s.SemanticDelete(1));
  EXPECT_EQ(0, s.SemanticSwitch);
  EXPECT_EQ(1, check());

  MEASUREMENT length{MEASURE_LENGTH, 1, 2, 0, 50.0, 0.0};
  EXPECT_EQ(1, s.MeasureAdd(&length));
  EXPECT_EQ(1, check());
  length.FirstValue = 51.0;
  s.MeasureClear();
  s.MeasureAdd(&length);
  EXPECT_EQ(0, check());
  // Without a metric the measure is taken of a point at the frame's centre.
  d.X1 = 0, d.Y1 = 0, d.X2 = 30, d.Y2 = 40;
  EXPECT_EQ(0, s.CheckObject(TObjectDesc(&d), TObjectData(), TObjectSemn()));
  EXPECT_EQ(0, s.CheckObject(TObjectDesc(nullptr)));
  EXPECT_EQ(-1, s.MeasureCondition(1, 3));
  EXPECT_EQ(51.0, s.MeasureValue(1, 1));
}

TEST(MapSelect, SheetsAndNullTests) {
  TMapSelect s;
  EXPECT_EQ(1, s.CheckList(7));
  s.ClearAllSheets();
  s.SelectSheet(7 + 4096);
  EXPECT_EQ(1, s.SetSheetSwitch(1));
  EXPECT_EQ(1, s.CheckList(7));
  EXPECT_EQ(0, s.CheckList(8));
  s.UnselectSheet(7);
  EXPECT_EQ(0, s.CheckList(7));
  // The sheet switch is stored as given.
  EXPECT_EQ(5, s.SetSheetSwitch(5));
  EXPECT_EQ(0, s.CheckList(7));
}

class MapSelectOnMap : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.ok()); }
  // The test of object n of a sheet as painting asks it.
  int Paints(TMapSelect& s, int sheet, int n) {
    if (m.map.OpenList(sheet) != 1 || m.map.List.ObjectDesc(n) == nullptr) return -1;
    return s.CheckObjectAndSample();
  }
  // The count a fresh context with the same conditions makes.
  int Recount(const TMapSelect& s) {
    TMapSelect fresh;
    fresh.SetSelect(&s);
    return fresh.GetSelectObjectCount();
  }
  NewObject OnLayer(uint8_t layer) {
    NewObject o;
    o.layer = layer;
    return o;
  }
  SelectMap m{2};
};

TEST_F(MapSelectOnMap, FrozenContextFailsLaterObjectsAndSheets) {
  const int first = m.Append(1), second = m.Append(2);
  ASSERT_GT(first * second, 0);
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.Freeze());
  const int later = m.Append(1);
  ASSERT_GT(later, 0);
  EXPECT_EQ(1, Paints(s, 1, first));
  EXPECT_EQ(0, Paints(s, 1, later));
  // Sheets added after the freeze have no bound: their objects fail.
  ASSERT_TRUE(m.AddSheet(3));
  const int third = m.Append(3);
  ASSERT_GT(third, 0);
  EXPECT_EQ(0, Paints(s, 3, third));
  TMapSelect copy;
  ASSERT_EQ(1, copy.SetSelect(&s));
  EXPECT_EQ(0, Paints(copy, 1, later));
  EXPECT_EQ(1, Paints(copy, 2, second));
  EXPECT_EQ(1, s.Defreeze());
  EXPECT_EQ(1, Paints(s, 1, later));
  EXPECT_EQ(1, Paints(s, 3, third));
  TMapSelect none;
  EXPECT_EQ(0, none.Freeze());
}

TEST_F(MapSelectOnMap, SampleInForceAndItsLastDeletion) {
  const int a = m.Append(1), b = m.Append(1), c = m.Append(2);
  ASSERT_GT(a * b * c, 0);
  TMapSelect s(&m.map);
  s.UnselectLayer(1);
  s.SetLayerSwitch(1);  // the conditions fail every object
  ASSERT_EQ(1, s.AppendSample(b, 1));
  EXPECT_EQ(0, Paints(s, 1, a));
  EXPECT_EQ(1, Paints(s, 1, b));
  // Further conditions still apply to sampled objects when asked for.
  s.SetSampleComplex(1);
  EXPECT_EQ(0, Paints(s, 1, b));
  s.SetSampleComplex(0);
  s.SetInversion(1);
  EXPECT_EQ(1, Paints(s, 1, a));
  EXPECT_EQ(0, Paints(s, 1, b));
  s.SetInversion(0);
  EXPECT_EQ(1, s.GetSelectObjectCount());
  // Deleting the last sampled object leaves a context that selects nothing.
  ASSERT_EQ(b, m.Delete(1, b));
  EXPECT_EQ(0, s.IsSampleActive());
  s.SelectAllLayers();
  EXPECT_EQ(0, Paints(s, 1, a));
  EXPECT_EQ(0, Paints(s, 2, c));
  EXPECT_EQ(0, s.GetSelectObjectCount());
}

TEST_F(MapSelectOnMap, UpdateSelectCountByObjectDirectly) {
  const int n = m.Append(1);
  ASSERT_GT(n, 0);
  TMapSelect s(&m.map);
  s.AppendSample(n, 1);
  EXPECT_EQ(1, s.GetSelectObjectCount());
  ASSERT_EQ(1, m.map.OpenList(1));
  FVSPR d = *m.map.List.ObjectDesc(n);
  // Only while the count is in step with the map's change counter.
  ASSERT_EQ(1, s.UpdateSelectCountByObject(n, TObjectDesc(&d), TObjectData(), TObjectSemn(),
                                           SELECTCOUNT_DELETE));
  EXPECT_EQ(m.map.ChangeStamp() + 1, s.ChangeStamp);
  EXPECT_EQ(0, s.UpdateSelectCountByObject(n, TObjectDesc(&d), TObjectData(), TObjectSemn(),
                                           SELECTCOUNT_DELETE));
  EXPECT_EQ(0, s.IsSampleActive());
  EXPECT_EQ(0, s.SelectCount);
  EXPECT_EQ(0, s.CheckObject(TObjectDesc(&d)));
}

TEST_F(MapSelectOnMap, SetsBuiltFromTheMap) {
  NewObject area;
  area.local = LOCAL_POLYGON, area.code = seltest::KIND_LAKE, area.layer = 4;
  area.contour = {{100, 300}, {200, 300}, {200, 500}, {100, 300}};
  ASSERT_GT(m.Append(2, area), 0);
  TMapSelect s;
  ASSERT_EQ(1, s.SetSelectByMap(&m.map));
  EXPECT_EQ(&m.map, s.GetMap());
  EXPECT_EQ(1, s.LocalSwitch);
  EXPECT_EQ(1, s.CheckLocal(LOCAL_POLYGON));
  EXPECT_EQ(0, s.CheckLocal(LOCAL_LINE));
  EXPECT_EQ(1, s.CheckLayer(4));
  EXPECT_EQ(0, s.CheckLayer(1));
  EXPECT_EQ(1, s.CheckKind(seltest::KIND_LAKE));
  EXPECT_EQ(0, s.CheckKind(seltest::KIND_ROAD));
  EXPECT_EQ(1, s.CheckList(1) + s.CheckList(2) - 1);
  // A map of more than ten sheets leaves every condition off.
  for (int n = 3; n <= 11; ++n) ASSERT_TRUE(m.AddSheet(n));
  ASSERT_EQ(1, s.SetSelectByMap(&m.map));
  EXPECT_EQ(0u, s.LocalSwitch + s.LayerSwitch + s.KindSwitch + s.SheetSwitch);
  TMapSelect none;
  EXPECT_EQ(0, none.SetSelectByMap(nullptr));
}

TEST_F(MapSelectOnMap, SemanticConditionsTypedByTheClassifier) {
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_EQUAL, seltest::SEM_KEY, "1/2"));
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_EQUAL, seltest::SEM_NAME, "RIVER"));
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_ABSENT, seltest::SEM_HEIGHT, "5"));
  EXPECT_EQ(0, s.SemanticAppend(COMPARE_EQUAL, 0, "5"));
  EXPECT_EQ(0, s.SemanticAppend(COMPARE_EQUAL, 5, nullptr));
  char text[64];
  EXPECT_STREQ("1/2", s.SemanticValue(1, text, sizeof(text)));
  EXPECT_EQ(65538, s.Semantics.GetValue(1)->Value.LongValue());
  EXPECT_STREQ("RIVER", s.SemanticValue(2, text, sizeof(text)));
  EXPECT_STREQ("", s.SemanticValue(3, text, sizeof(text)));
  EXPECT_STREQ("NAME", s.SemanticCodeName(2));
  EXPECT_STREQ("", s.SemanticCodeName(4));
  EXPECT_EQ(seltest::SEM_HEIGHT, s.SemanticCode(3));
  EXPECT_EQ(3, s.SemanticCount());
}

TEST_F(MapSelectOnMap, FreeingTheMapUnbindsTheContext) {
  auto map = std::make_unique<TMap>();
  ASSERT_EQ(1, map->OpenData((m.dir / "sel.map").c_str(), 0));
  TMapSelect s(map.get());
  EXPECT_EQ(1, map->ObserverCount());
  {
    TMapSelect t(map.get());
    EXPECT_EQ(2, map->ObserverCount());
  }
  EXPECT_EQ(1, map->ObserverCount());
  map.reset();
  EXPECT_EQ(nullptr, s.GetMap());
  EXPECT_EQ(0, s.GetSelectObjectCount());
  EXPECT_EQ(1, s.CheckList(1));
}

// The cached count of a live context follows appends, updates and
// deletions written through the map, in and out of edit mode, without a
// recount: after each edit the cache holds what a recount gives.
class CountsFollowEdits : public MapSelectOnMap, public ::testing::WithParamInterface<int> {};

TEST_P(CountsFollowEdits, ThroughTheMapWriters) {
  m.map.WorkMode(GetParam());
  const int a = m.Append(1, OnLayer(1)), b = m.Append(2, OnLayer(2));
  ASSERT_GT(a * b, 0);
  TMapSelect s(&m.map);
  s.ClearAllLayers();
  s.SelectLayer(1);
  s.SetLayerSwitch(1);
  ASSERT_EQ(1, s.GetSelectObjectCount());
  int c = 0, d = 0;
  struct Step {
    const char* name;
    std::function<int()> edit;
    int count;
  };
  const Step steps[] = {
      {"append on layer 1", [&] { return c = m.Append(2, OnLayer(1)); }, 2},
      {"append on layer 2", [&] { return d = m.Append(1, OnLayer(2)); }, 2},
      {"move into layer 1", [&] { return m.MoveToLayer(2, b, 1); }, 3},
      {"move within layer 1", [&] { return m.MoveToLayer(2, b, 1); }, 3},
      {"move out of layer 1", [&] { return m.MoveToLayer(1, a, 3); }, 2},
      {"delete one on layer 2", [&] { return m.Delete(1, d); }, 2},
      {"delete one on layer 1", [&] { return m.Delete(2, c); }, 1},
  };
  for (const Step& step : steps) {
    ASSERT_GT(step.edit(), 0) << step.name;
    EXPECT_EQ(step.count, s.SelectCount) << step.name;
    EXPECT_EQ(step.count, Recount(s)) << step.name;
    EXPECT_EQ(step.count, s.GetSelectObjectCount()) << step.name;
  }
  // A change of a condition drops the count.
  s.SelectLayer(3);
  EXPECT_EQ(2, s.GetSelectObjectCount());
}

// Another writer (a second document of the map file) moves an object out
// of the selected layer, on the sheet the document is not on: the count is
// made again, and that sheet read afresh.
TEST_P(CountsFollowEdits, AndAnotherWritersChange) {
  m.map.WorkMode(GetParam());
  const int a = m.Append(1, OnLayer(1));
  ASSERT_GT(a, 0);
  ASSERT_GT(m.Append(2, OnLayer(1)), 0);
  TMapSelect s(&m.map);
  s.ClearAllLayers();
  s.SelectLayer(1);
  s.SetLayerSwitch(1);
  ASSERT_EQ(2, s.GetSelectObjectCount());
  ASSERT_EQ(1, m.map.OpenList(2));
  {
    TMap other;
    ASSERT_EQ(1, other.OpenData(m.path().c_str(), 0));
    other.WorkMode(GetParam());
    ASSERT_EQ(1, other.OpenList(1));
    FVSPR d = *other.List.ObjectDesc(a);
    d.Segment = 3;
    ASSERT_EQ(a, other.UpdateObject(a, &d, nullptr, nullptr, nullptr));
  }
  EXPECT_EQ(1, s.GetSelectObjectCount());
}

INSTANTIATE_TEST_SUITE_P(Modes, CountsFollowEdits, ::testing::Values(0, 1));

TEST_F(MapSelectOnMap, MarkedCountOfTwoContexts) {
  for (uint8_t layer : {1, 1, 2, 3}) ASSERT_GT(m.Append(1, OnLayer(layer)), 0);
  TMapSelect a(&m.map), b(&m.map);
  a.UnselectLayer(3), a.SetLayerSwitch(1);
  b.UnselectLayer(1), b.SetLayerSwitch(1);
  EXPECT_EQ(1, a.GetMarkObjectCount(&b));
  b.SelectLayer(1);
  EXPECT_EQ(3, a.GetMarkObjectCount(&b));
  ASSERT_GT(m.Append(1, OnLayer(2)), 0);
  EXPECT_EQ(4, a.GetMarkObjectCount(&b));
  TMapSelect other;
  EXPECT_EQ(0, a.GetMarkObjectCount(&other));
  EXPECT_EQ(0, a.GetMarkObjectCount(nullptr));
}

}  // namespace
