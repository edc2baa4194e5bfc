// The sample of a selection context: sorted lists per sheet in one block,
// the walk and its continuation, removal down to the released block, and
// a long run of random edits against a plain set.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "selection/sample.h"
#include "support/selectmap.h"

namespace {

std::vector<int> Walk(TSample& s, int sheet) {
  std::vector<int> out;
  for (int n = s.GetFirstSample(sheet); n != 0; n = s.GetNextSample()) out.push_back(n);
  return out;
}

DWORD Offset(TSample& s, int sheet) {
  DWORD* list = s.SeekSample(sheet);
  return list != nullptr ? DWORD(reinterpret_cast<char*>(list) - s.Buffer) : 0;
}

class Sample : public ::testing::Test {
 protected:
  seltest::SelectMap m{3};
  TSample s{&m.map};
};

TEST_F(Sample, KeepsListsSortedWithoutDuplicates) {
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(0, s.IsSampleActive());
  for (int n : {5, 3, 9, 3}) EXPECT_EQ(1, s.AppendSample(n, 2));
  EXPECT_EQ(1, s.IsSampleActive());
  EXPECT_EQ(3, s.SheetCount);
  EXPECT_EQ((std::vector<int>{3, 5, 9}), Walk(s, 2));
  EXPECT_EQ(0, s.GetNextSample());
  EXPECT_EQ(9, s.GetLastSample(2));
  EXPECT_EQ(5, s.GetPrevSample());
  EXPECT_EQ(3, s.GetPrevSample());
  EXPECT_EQ(0, s.GetPrevSample());
  EXPECT_EQ(9, s.GetSample(3));
  EXPECT_EQ(0, s.GetSample(4));
  EXPECT_EQ(3, s.GetSamplesCount(2));
  EXPECT_EQ(2, s.CheckSample(5, 2));
  EXPECT_EQ(0, s.CheckSample(7, 2));
  EXPECT_EQ(3, s.InsertHint);
  EXPECT_EQ(0, s.CheckSample(12, 2));
  EXPECT_EQ(0, s.InsertHint);
}

TEST_F(Sample, LaterListsMoveWithInsertions) {
  ASSERT_TRUE(m.ok());
  s.AppendSample(5, 2);
  s.AppendSample(1, 1);
  const DWORD first = Offset(s, 2), second = Offset(s, 1);
  EXPECT_EQ(DWORD(4 * 3), first);
  EXPECT_GT(second, first);
  s.AppendSample(3, 2);
  s.AppendSample(9, 2);
  EXPECT_EQ(first, Offset(s, 2));
  EXPECT_EQ(second + 8, Offset(s, 1));
  EXPECT_EQ((std::vector<int>{1}), Walk(s, 1));
  EXPECT_EQ((std::vector<int>{3, 5, 9}), Walk(s, 2));
}

TEST_F(Sample, AdjustmentContinuesAWalk) {
  ASSERT_TRUE(m.ok());
  for (int n : {3, 5, 9}) s.AppendSample(n, 2);
  struct Case {
    int object, flags, result, next, prev;
  };
  const Case cases[] = {
      {7, SEEK_NEXT, 1, 9, -1}, {7, SEEK_PREV, 1, -1, 5}, {12, SEEK_PREV, 0, 0, 0},
      {12, SEEK_NEXT, 0, 0, 0}, {5, SEEK_NEXT, 2, 9, -1}, {5, SEEK_PREV, 2, -1, 3},
      {1, SEEK_NEXT, 1, 3, -1}, {1, SEEK_PREV, 1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.object << " flags " << c.flags);
    EXPECT_EQ(c.result, s.Adjustment(c.object, 2, c.flags));
    if (c.next >= 0) {
      EXPECT_EQ(c.next, s.GetNextSample());
    }
    if (c.prev >= 0) {
      EXPECT_EQ(c.prev, s.GetPrevSample());
    }
  }
}

TEST_F(Sample, RemovingTheLastObjectReleasesTheBlock) {
  ASSERT_TRUE(m.ok());
  s.AppendSample(4, 1);
  s.AppendSample(8, 3);
  s.AppendSample(6, 3);
  EXPECT_EQ(0, s.DeleteSample(5, 3));
  EXPECT_EQ(1, s.DeleteSample(4, 1));
  EXPECT_EQ(0, s.CheckSample(1));
  EXPECT_EQ(DWORD(12), Offset(s, 3));  // sheet 3's list moved down into the gap
  EXPECT_EQ(1, s.DeleteSample(8, 3));
  EXPECT_EQ((std::vector<int>{6}), Walk(s, 3));
  EXPECT_EQ(1, s.DeleteSample(6, 3));
  EXPECT_EQ(nullptr, s.Buffer);
  EXPECT_EQ(0, s.IsSampleActive());
}

TEST_F(Sample, RefusesSheetsAndObjectsOutOfRange) {
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(0, s.AppendSample(0, 1));
  EXPECT_EQ(0, s.AppendSample(1, 0));
  EXPECT_EQ(0, s.AppendSample(1, 4));
  EXPECT_EQ(nullptr, s.Buffer);
  s.AppendSample(1, 1);
  // A sheet the map gains later is not in the table.
  ASSERT_TRUE(m.AddSheet(4));
  EXPECT_EQ(0, s.AppendSample(1, 4));
  EXPECT_EQ(0, s.CheckSample(1, 4));
  EXPECT_EQ(0, s.GetFirstSample(4));
  EXPECT_EQ(0, s.GetSamplesCount(4));
  EXPECT_EQ(0, s.DeleteSample(1, 4));
  EXPECT_EQ(0, s.Allocate(0));
  EXPECT_EQ(0, s.IsSampleActive());
}

TEST_F(Sample, RandomEditsMatchASetAndSurviveGrowthAndCopies) {
  ASSERT_TRUE(m.ok());
  std::set<int> model[4];
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int sheet = 1 + int(random() % 3), object = 1 + int(random() % 3000);
    const bool add = random() % 3 != 0;
    if (add) {
      ASSERT_EQ(1, s.AppendSample(object, sheet));
      model[sheet].insert(object);
    } else {
      ASSERT_EQ(model[sheet].erase(object) ? 1 : 0, s.DeleteSample(object, sheet));
    }
  }
  EXPECT_GT(s.Allocated, SAMPLE_GROWTH);
  TSample copy(&m.map);
  ASSERT_EQ(1, copy.Load(&s));
  for (int sheet = 1; sheet <= 3; ++sheet) {
    const std::vector<int> want(model[sheet].begin(), model[sheet].end());
    EXPECT_EQ(want, Walk(s, sheet));
    EXPECT_EQ(want, Walk(copy, sheet));
    int position = 1;
    for (int n : want) ASSERT_EQ(position++, s.CheckSample(n, sheet));
  }
}

}  // namespace
