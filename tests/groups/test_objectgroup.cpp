// The group record: lists by sheet, newest first, bounded walks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "groups/objectgroup.h"

namespace {

NUMBERKEY Member(DWORD number, DWORD key) { return NUMBERKEY{number, KEY{key}}; }

std::vector<DWORD> Words(const TObjectGroup& g) {
  const DWORD* p = reinterpret_cast<const DWORD*>(g.Head());
  return std::vector<DWORD>(p, p + g.Length() / 4);
}

}  // namespace

TEST(ObjectGroup, TwoObjectsOfOneSheetMakeOneListNewestFirst) {
  TObjectGroup g;
  ASSERT_EQ(1, g.Create(0, 5));
  EXPECT_EQ(20u, g.Length());
  ASSERT_EQ(1, g.AppendObject(3, Member(7, 0x70)));
  ASSERT_EQ(1, g.AppendObject(3, Member(9, 0x90)));
  EXPECT_EQ(44u, g.Length());
  const std::vector<DWORD> expect = {0x7FFF7FFF, 44, 0, 5, 1, 3, 2, 9, 0x90, 7, 0x70};
  EXPECT_EQ(expect, Words(g));
  EXPECT_EQ(2, g.Total());
  EXPECT_EQ(2, g.ObjectCount(3));
  EXPECT_EQ(9, g.ObjectNumber(3, 1));
  EXPECT_EQ(0x70u, g.ObjectKey(3, 2).Key);
  EXPECT_EQ(0u, g.ObjectKey(3, 3).Key);
  EXPECT_EQ(0x90u, g.ObjectKeyNumber(3, 9).Key);

  // The same object again: nothing; another key: only the key changes.
  ASSERT_EQ(1, g.AppendObject(3, Member(7, 0x70)));
  EXPECT_EQ(44u, g.Length());
  ASSERT_EQ(1, g.AppendObject(3, Member(7, 0x71)));
  EXPECT_EQ(44u, g.Length());
  EXPECT_EQ(0x71u, g.ObjectKeyNumber(3, 7).Key);
  EXPECT_EQ(2, g.Total());
}

TEST(ObjectGroup, FindNextAndDeleteAcrossLists) {
  TObjectGroup g;
  ASSERT_EQ(1, g.Create(4, 0));
  g.AppendObject(1, Member(10, 100));
  g.AppendObject(1, Member(11, 110));
  g.AppendObject(2, Member(20, 200));
  EXPECT_EQ(2, g.ListNumber(2));
  EXPECT_EQ(0, g.ListNumber(3));
  EXPECT_EQ(2, g.FindObjectNumber(1, 10));
  EXPECT_EQ(1, g.ListOrdinal());
  EXPECT_EQ(1, g.FindObjectNumber(1, KEY{110}));
  EXPECT_EQ(10, g.NextObjectNumber(1, 11));
  EXPECT_EQ(20, g.NextObjectNumber(1, 10));  // first of the next list
  EXPECT_EQ(0, g.NextObjectNumber(2, 20));   // the end
  EXPECT_EQ(0, g.NextObjectNumber(1, 99));

  // Deleting the only object of sheet 2 removes its list.
  ASSERT_EQ(1, g.DeleteObject(2, KEY{200}));
  EXPECT_EQ(1u, g.Head()->Count);
  EXPECT_EQ(20u + 8 + 16, g.Length());
  EXPECT_EQ(0, g.ObjectCount(2));
  ASSERT_EQ(1, g.DeleteObject(1, 11));
  EXPECT_EQ(1, g.ObjectCount(1));
  EXPECT_EQ(10, g.ObjectNumber(1, 1));
  EXPECT_EQ(0, g.DeleteObject(1, 11));
  EXPECT_EQ(0, g.DeleteObject(5, 1));
  EXPECT_EQ(1, g.Total());
}

TEST(ObjectGroup, CallersBufferNeverGrowsOwnBufferGrowsInSteps) {
  alignas(4) char buffer[100] = {};
  TObjectGroup g;
  EXPECT_EQ(0, g.Record(reinterpret_cast<HEADRECGDX*>(buffer), 0));
  EXPECT_EQ(0, g.Record(reinterpret_cast<HEADRECGDX*>(buffer), 19));
  ASSERT_EQ(1, g.Record(reinterpret_cast<HEADRECGDX*>(buffer), sizeof(buffer)));
  HEADRECGDX* h = g.Head();
  h->Ident = GROUP_MARKER;
  h->Length = 20;
  EXPECT_EQ(0, g.Realloc(4096));
  EXPECT_EQ(1, g.AppendObject(1, Member(1, 1)));  // 36 + 80 > 100 after this
  EXPECT_EQ(0, g.AppendObject(1, Member(2, 2)));  // no room, no growth
  EXPECT_EQ(36u, h->Length);

  TObjectGroup own;
  ASSERT_EQ(1, own.Create(1, 0));
  EXPECT_EQ(32768, own.BufferSize());
  int n = 0;
  while (own.BufferSize() == 32768) {
    ++n;
    ASSERT_EQ(1, own.AppendObject(1, Member(n, n)));
  }
  EXPECT_EQ(32768 + 4096, own.BufferSize());
  EXPECT_EQ(n, own.ObjectCount(1));
  EXPECT_EQ(0, own.Realloc(262144));  // above the limit
}

TEST(ObjectGroup, LoadCopiesAndDamagedCountsStayInsideTheRecord) {
  TObjectGroup a;
  a.Create(2, 0);
  a.AppendObject(5, Member(1, 1));
  a.AppendObject(6, Member(2, 2));
  TObjectGroup b;
  ASSERT_EQ(1, b.Load(a.Head()));
  EXPECT_EQ(2, b.Total());
  EXPECT_EQ(1, b.Load(b.Head()));
  HEADRECGDX bad = {0x12345678, 20, 0, 0, 0};
  EXPECT_EQ(0, b.Load(&bad));

  // A list claiming a huge count, and a record claiming more lists than it
  // holds: walks stop at the record's end.
  DWORD* w = reinterpret_cast<DWORD*>(a.Head());
  w[4] = 50;      // lists
  w[6] = 100000;  // count of the first list
  a.SetObjectCountAll();
  EXPECT_EQ(0, a.Total());
  EXPECT_EQ(0, a.ObjectNumber(5, 1));
  EXPECT_EQ(0, a.ListNumber(1));
  EXPECT_EQ(0, a.DeleteObject(5, 1));
}
