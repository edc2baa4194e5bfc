// Semantic and measurement conditions: the links any and all, absent and
// present characteristics, renumbering, the tolerance of "equal", measures
// by localisation, heights of 3-D metrics and the size limits.
#include <gtest/gtest.h>

#include "selection/compare.h"
#include "support/selectmap.h"

namespace {

using seltest::IntSemantics;

TSemBlock Block(int code, int value) {
  TSemBlock b;
  b.Code = WORD(code);
  b.Value.LoadLong(value);
  return b;
}

int Check(TCompare& c, objtest::Bytes semantics) {
  return c.CheckSemantic(TObjectSemn(semantics.empty() ? nullptr : objtest::As<SEMANTIC>(semantics)));
}

TEST(Compare, LinkAllNeedsEachConditionOnSomeBlock) {
  TCompare c;
  const TSemBlock ten = Block(5, 10), twenty = Block(5, 20);
  ASSERT_EQ(1, c.Append(COMPARE_EQUAL, &ten));
  ASSERT_EQ(2, c.Append(COMPARE_EQUAL, &twenty));
  c.SetLinkCode(LINK_ALL);
  EXPECT_EQ(1u, c.Required);
  EXPECT_EQ(1, Check(c, IntSemantics({{5, 10}, {5, 20}})));
  EXPECT_EQ(0, Check(c, IntSemantics({{5, 10}, {6, 20}})));
  c.SetLinkCode(LINK_ANY);
  EXPECT_EQ(1, Check(c, IntSemantics({{5, 10}, {6, 20}})));
  EXPECT_EQ(0, Check(c, IntSemantics({{5, 11}, {6, 20}})));
}

TEST(Compare, AbsentConditions) {
  TCompare c;
  const TSemBlock seven = Block(7, 0), five = Block(5, 3);
  ASSERT_EQ(1, c.Append(COMPARE_ABSENT, &seven));
  // Without semantics an absent-only list passes.
  EXPECT_EQ(1, Check(c, {}));
  EXPECT_EQ(1, Check(c, IntSemantics({{5, 1}})));
  // Under "any" a present characteristic with an absent condition fails
  // the object even when a later condition holds.
  ASSERT_EQ(2, c.Append(COMPARE_GREATER, &five));
  EXPECT_EQ(0, Check(c, IntSemantics({{7, 1}, {5, 9}})));
  EXPECT_EQ(1, Check(c, IntSemantics({{5, 9}})));
  EXPECT_EQ(0, Check(c, {}));
  c.SetLinkCode(LINK_ALL);
  EXPECT_EQ(1, Check(c, IntSemantics({{5, 9}})));
  EXPECT_EQ(0, Check(c, IntSemantics({{5, 9}, {7, 0}})));
  EXPECT_EQ(0, Check(c, IntSemantics({{5, 2}})));
}

TEST(Compare, ComparisonCodes) {
  struct Case {
    int condition, value, pass;
  };
  // Condition value 10 against the object's value; 99 is taken as equal.
  const Case cases[] = {{1, 9, 1},  {1, 10, 0}, {2, 10, 1}, {3, 10, 1},  {3, 11, 0},
                        {4, 11, 1}, {4, 10, 0}, {5, 10, 0}, {5, 3, 1},   {6, 10, 1},
                        {6, 9, 0},  {7, 1, 1},  {7, 10, 1}, {99, 10, 1}, {99, 11, 0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.condition << " " << k.value);
    TCompare c;
    const TSemBlock b = Block(5, 10);
    ASSERT_EQ(1, c.Append(k.condition, &b));
    EXPECT_EQ(k.pass, Check(c, IntSemantics({{6, 0}, {5, k.value}})));
    // Without the characteristic no comparison holds.
    EXPECT_EQ(0, Check(c, IntSemantics({{6, k.value}, {8, 0}})));
  }
}

TEST(Compare, DeleteRenumbersAndRecountsCodes) {
  TCompare c;
  const TSemBlock a = Block(5, 1), b = Block(6, 2), d = Block(5, 3);
  c.Append(2, &a);
  c.Append(4, &b);
  c.Append(1, &d);
  EXPECT_EQ(2u, c.Required);
  EXPECT_EQ(0, c.Delete(4));
  EXPECT_EQ(1, c.Delete(2));
  EXPECT_EQ(2, c.GetCount());
  EXPECT_EQ(1, c.GetCondition(2));
  EXPECT_EQ(5, c.GetValue(2)->Code);
  EXPECT_EQ(nullptr, c.GetValue(3));
  EXPECT_EQ(1u, c.Required);
  // The freed slot is the first one taken again.
  const TSemBlock e = Block(9, 4);
  EXPECT_EQ(3, c.Append(2, &e));
  EXPECT_EQ(3u, c.Numbers[1]);
}

TEST(Compare, RefusesA65thCondition) {
  TCompare c;
  const TSemBlock b = Block(5, 1);
  for (int i = 1; i <= COMPARE_SLOTS; ++i) ASSERT_EQ(i, c.Append(2, &b));
  EXPECT_EQ(0, c.Append(2, &b));
  EXPECT_EQ(0, c.Append(2, nullptr));
}

TEST(PlaneMeasure, TestCondition) {
  struct Case {
    int comparison;
    double value, reference;
    int result;
  };
  const Case cases[] = {{2, 10.05, 10.0, 1}, {2, 10.1, 10.0, 0}, {2, 9.95, 10.0, 1},
                        {1, 9.9, 10.0, 1},   {1, 10.0, 10.0, 0}, {3, 10.0, 10.0, 1},
                        {4, 10.0, 10.0, 0},  {5, 10.05, 10.0, 1}, {6, 10.0, 10.0, 1},
                        {0, 10.0, 10.0, 0},  {7, 10.0, 10.0, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(c.result, TPlaneMeasure::TestCondition(c.comparison, c.value, c.reference))
        << c.comparison << " " << c.value;
}

class Measures : public ::testing::Test {
 protected:
  void SetUp() override { metric.Init(); }
  void TearDown() override { metric.Free(); }
  // A 10 x 20 rectangle (closed), or its open outline as a line.
  void Rectangle(int kind = METRIC_F64) {
    ASSERT_NE(0, metric.Create(kind, 0));
    for (auto p : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 20.0}, {0.0, 20.0}, {0.0, 0.0}})
      ASSERT_NE(0, metric.AppendPointSubject(0, p.first, p.second));
  }
  static MEASUREMENT One(int kind, int comparison, double value) {
    return MEASUREMENT{kind, 1, comparison, 0, value, 0.0};
  }
  TDataEdit metric;
  TPlaneMeasure m;
};

TEST_F(Measures, ByLocalisationAndLink) {
  Rectangle();
  FVSPR area = objtest::Desc(LOCAL_POLYGON), line = objtest::Desc(LOCAL_LINE),
        point = objtest::Desc(LOCAL_POINT);
  MEASUREMENT c = One(MEASURE_AREA, 2, 200.0);
  m.Add(&c);
  c = One(MEASURE_PERIMETER, 6, 60.0);
  m.Add(&c);
  m.SetLinkCode(LINK_ALL);
  EXPECT_EQ(1, m.MeasureCheck(TObjectDesc(&area), &metric));
  EXPECT_EQ(0, m.MeasureCheck(TObjectDesc(&line), &metric));
  // A length condition on a polygon fails under "all", is skipped under
  // "any".
  c = One(MEASURE_LENGTH, 4, 1.0);
  m.Add(&c);
  EXPECT_EQ(0, m.MeasureCheck(TObjectDesc(&area), &metric));
  m.SetLinkCode(LINK_ANY);
  EXPECT_EQ(1, m.MeasureCheck(TObjectDesc(&area), &metric));
  EXPECT_EQ(1, m.MeasureCheck(TObjectDesc(&line), &metric));
  EXPECT_EQ(0, m.MeasureCheck(TObjectDesc(&point), &metric));
  // Without a metric or a descriptor nothing is measured.
  EXPECT_EQ(1, m.MeasureCheck(TObjectDesc(&point), nullptr));
  EXPECT_EQ(1, m.MeasureCheck(TObjectDesc(nullptr), &metric));
}

TEST_F(Measures, RangesAndHeights) {
  MEASUREMENT c{MEASURE_LENGTH, 2, 6, 1, 59.0, 61.0};
  m.Add(&c);
  EXPECT_EQ(1, m.Test(1, 60.0));
  EXPECT_EQ(0, m.Test(1, 61.0));
  EXPECT_EQ(0, m.Test(1, MEASURE_NONE));
  EXPECT_EQ(0, m.Test(2, 60.0));
  c.Range = 1;
  c.FirstValue = -5.0;
  c.First = 6;
  m.Add(&c);
  EXPECT_EQ(0, m.Test(2, -1.0));  // the value of no measure never passes
  EXPECT_EQ(1, m.Test(2, -2.0));

  TPlaneMeasure h;
  c = One(MEASURE_HEIGHT, 4, 150.0);
  h.Add(&c);
  Rectangle();
  EXPECT_EQ(0, h.TestByHeight(1, &metric));  // no heights
  Rectangle(METRIC_F64H);
  for (int i = 1; i <= 5; ++i) {
    metric.GoPointSubject(i, 0);
    metric.HDouble(i == 4 ? 151.0 : 100.0);
  }
  FVSPR area = objtest::Desc(LOCAL_POLYGON);
  EXPECT_EQ(1, h.TestByHeight(1, &metric));
  EXPECT_EQ(1, h.MeasureCheck(TObjectDesc(&area), &metric));
  metric.GoPointSubject(4, 0);
  metric.HDouble(149.0);
  EXPECT_EQ(0, h.MeasureCheck(TObjectDesc(&area), &metric));
}

TEST(PlaneMeasure, RefusesA101stCondition) {
  TPlaneMeasure m;
  MEASUREMENT c{MEASURE_LENGTH, 1, 2, 0, 1.0, 0.0};
  for (int i = 1; i <= MEASURE_SLOTS; ++i) ASSERT_EQ(i, m.Add(&c));
  EXPECT_EQ(0, m.Add(&c));
  EXPECT_EQ(0, m.Add(nullptr));
  EXPECT_EQ(MEASURE_SLOTS, m.Count());
  EXPECT_EQ(0, m.MeasureKind(MEASURE_SLOTS + 1));
  EXPECT_EQ(0.0, m.FirstValue(0));
}

}  // namespace
