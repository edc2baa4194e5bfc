// Select contexts made for hosts: the select list of a map (at most 255,
// places reused), contexts that outlive their map or move to another, and
// short memory.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/fault.h"
#include "selection/selectcontexts.h"
#include "support/selectmap.h"

namespace {

using seltest::SelectMap;

HSELECT Handle(TMapSelect* s) { return reinterpret_cast<HSELECT>(s); }

TEST(SelectContexts, AMapListsAtMost255AndReusesTheirPlaces) {
  SelectMap m(1);
  ASSERT_TRUE(m.ok());
  SELECTLIST* list = &m.map.SelectList;
  std::vector<TMapSelect*> made;
  for (int i = 0; i < 255; ++i) {
    TMapSelect* s = slCreateSelect(list);
    ASSERT_NE(nullptr, s) << i;
    made.push_back(s);
  }
  EXPECT_EQ(&m.map, made[0]->Map);
  EXPECT_EQ(made[0], MapSelectOfHandle(Handle(made[0])));
  EXPECT_EQ(255, list->Count);
  EXPECT_EQ(nullptr, slCreateSelect(list));
  EXPECT_EQ(255, list->Count);
  // A context the list does not hold is left alone.
  TMapSelect other(&m.map);
  slDeleteSelect(list, &other);
  EXPECT_EQ(0, slAppendSelect(list, &other));
  slDeleteSelect(list, made[10]);
  EXPECT_EQ(254, list->Count);
  EXPECT_EQ(nullptr, MapSelectOfHandle(Handle(made[10])));
  EXPECT_EQ(255, slAppendSelect(list, &other));
  EXPECT_EQ(&other, list->Slots[11]);
  slLeaveSelect(&other);
  made[10] = slCreateSelect(list);
  EXPECT_EQ(made[10], list->Slots[11]);
  for (TMapSelect* s : made) slDeleteSelect(list, s);
  EXPECT_EQ(0, list->Count);
}

TEST(SelectContexts, ContextsLeaveTheListOfAMapTheyNoLongerHave) {
  auto a = std::make_unique<SelectMap>(1);
  auto b = std::make_unique<SelectMap>(1);
  ASSERT_TRUE(a->ok() && b->ok());
  TMapSelect* s = slCreateSelect(&a->map.SelectList);
  TMapSelect* t = slCreateSelect(&b->map.SelectList);
  ASSERT_TRUE(s != nullptr && t != nullptr);
  // A copy binds s to b's map: it leaves a's list.
  ASSERT_EQ(1, s->SetSelect(t));
  EXPECT_EQ(&b->map, s->Map);
  EXPECT_EQ(0, a->map.SelectList.Count);
  EXPECT_EQ(nullptr, s->Listed);
  EXPECT_EQ(2, slAppendSelect(&b->map.SelectList, s));
  EXPECT_EQ(0, slAppendSelect(&a->map.SelectList, s));  // not a's map
  // Freeing the map leaves both without a map and out of every list.
  b.reset();
  EXPECT_EQ(nullptr, s->Map);
  EXPECT_EQ(nullptr, t->Listed);
  EXPECT_EQ(t, MapSelectOfHandle(Handle(t)));
  FreeHostSelect(s);
  FreeHostSelect(t);
  EXPECT_EQ(nullptr, MapSelectOfHandle(Handle(t)));
  // A context without a map is in no list.
  TMapSelect* u = NewHostSelect(nullptr);
  ASSERT_NE(nullptr, u);
  EXPECT_EQ(0, slAppendSelect(&a->map.SelectList, u));
  FreeHostSelect(u);
  // Short memory registers nothing.
  plat::fault::FailAllocation(1);
  EXPECT_EQ(nullptr, slCreateSelect(&a->map.SelectList));
  plat::fault::Reset();
  EXPECT_EQ(0, a->map.SelectList.Count);
}

}  // namespace
