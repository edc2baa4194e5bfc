// Object groups: joining ungrouped and grouped objects, walking a group,
// leaving and dissolving it, shared writes refused across local types, and
// the union of a group's metrics (a cut object read back whole, also after
// a revert; members that do not touch; a host that stops it).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/host_recorder.h"
#include "support/placefixture.h"

using namespace placetest;

namespace {

class ObjectGroups : public PlaceMap {
 protected:
  // A stored area of sheet 1, read back into `o`.
  void Stored(TObjectInfo& o, double x, double y) {
    Area(o, 1, x, y, x + 100, y + 100);
    ASSERT_GT(o.Commit(1), 0);
  }
  // The (sheet, number) pairs the walk of the group visits.
  std::vector<std::pair<int, int>> Walk(TObjectInfo& member) {
    std::vector<std::pair<int, int>> seen;
    TObjectInfo cursor;
    for (TObjectInfo* o = member.FirstObjectInGroup(&cursor); o != nullptr && seen.size() < 20;
         o = member.NextObjectInGroup(o))
      seen.push_back({o->ListNumber(), o->ObjectNumber()});
    return seen;
  }
};

}  // namespace

TEST_F(ObjectGroups, JoiningUngroupedThenGroupedObjects) {
  TObjectInfo a1, a2, b1, b2;
  Stored(a1, kX0 + 100, kY0 + 100);
  Stored(a2, kX0 + 300, kY0 + 100);
  Stored(b1, kX0 + 500, kY0 + 100);
  Stored(b2, kX0 + 700, kY0 + 100);
  const int a = a1.AppendObjectInGroup(&a2);
  ASSERT_GT(a, 0);
  for (TObjectInfo* o : {&a1, &a2}) {
    EXPECT_EQ(a, o->Desc->Reserve);
    EXPECT_EQ(a, m.Stored(1, o->ObjectNumber()).Reserve);
  }
  EXPECT_EQ(2u, Walk(a1).size());
  const int b = b1.AppendObjectInGroup(&b2);
  ASSERT_GT(b, a);

  // B's members join A; B's record stays in the file.
  ASSERT_EQ(a, a1.AppendObjectInGroup(&b1));
  EXPECT_EQ(a, b1.Desc->Reserve);
  for (TObjectInfo* o : {&b1, &b2}) EXPECT_EQ(a, m.Stored(1, o->ObjectNumber()).Reserve);
  const auto walk = Walk(a2);
  EXPECT_EQ(4u, walk.size());
  TObjectGroup old;
  ASSERT_GT(old.ReadGroup(&m.map, b), 0);
  EXPECT_EQ(2, old.Total());

  // One member leaves (read again: its handle still names group B); then
  // the group is dissolved.
  b2.Object(&m.map, 1, b2.ObjectNumber());
  ASSERT_EQ(1, b2.DeleteObjectFromGroup());
  EXPECT_EQ(0, m.Stored(1, b2.ObjectNumber()).Reserve);
  EXPECT_EQ(3u, Walk(a1).size());
  ASSERT_EQ(1, a1.DeleteAllObjectFromGroup());
  EXPECT_EQ(0, a1.IsGroup());
  for (TObjectInfo* o : {&a1, &a2, &b1}) EXPECT_EQ(0, m.Stored(1, o->ObjectNumber()).Reserve);
  EXPECT_EQ(0, b2.DeleteObjectFromGroup());
  EXPECT_EQ(MAPERR_INPUT, b2.GetError());
}

TEST_F(ObjectGroups, SharedWritesNeedOneLocalType) {
  TObjectInfo area, line;
  Stored(area, kX0 + 100, kY0 + 100);
  Make(line, &m.map, 1, KIND_ROAD, {{kX0 + 500, kY0 + 100}, {kX0 + 600, kY0 + 200}});
  ASSERT_GT(line.Commit(1), 0);
  ASSERT_GT(area.AppendObjectInGroup(&line), 0);
  ASSERT_NE(nullptr, area.Semn.Append(SEM_NAME, 1));
  EXPECT_EQ(0, area.CommitGroup(1, 0));
  EXPECT_EQ(MAPERR_INPUT, area.GetError());
}

TEST_F(ObjectGroups, ACutObjectIsReadBackWhole) {
  TObjectInfo o;
  Area(o, 1, kEdge - 1000, kY0 + 3000, kEdge + 1000, kY0 + 5000);
  const double area = o.Metric.Square();  // square sheet units
  TNewObjectsList list;
  ASSERT_EQ(2, o.CommitWithPlace(1, 0, &list));
  // Read from either sheet, the object is whole again, in its own sheet's
  // coordinates; the stored pieces stay as they are.
  for (int i = 1; i <= 2; ++i) {
    TObjectInfo piece;
    piece.Object(&m.map, list.GetData(i)->Sheet, list.GetData(i)->Object);
    const double half = piece.Metric.Square();
    ASSERT_EQ(1, piece.UnionGroupData(0, nullptr, 0)) << i;
    EXPECT_NEAR(area, piece.Metric.Square(), 0.01) << i;
    double low = 1e30, high = -1e30;
    for (int p = 1; p <= piece.PointCount(0); ++p) {
      low = std::min(low, piece.XPlane(p, 0));
      high = std::max(high, piece.XPlane(p, 0));
    }
    EXPECT_NEAR(kEdge - 1000, low, 1e-3);
    EXPECT_NEAR(kEdge + 1000, high, 1e-3);
    // Reverting an edit shows it whole again.
    ASSERT_EQ(1, piece.UpdatePointPlane(kEdge, kY0, 2, 0));
    ASSERT_EQ(1, piece.Revert());
    EXPECT_NEAR(area, piece.Metric.Square(), 0.01) << i;
    TObjectInfo again;
    again.Object(&m.map, list.GetData(i)->Sheet, list.GetData(i)->Object);
    EXPECT_NEAR(half, again.Metric.Square(), 1e-6);
  }
}

TEST_F(ObjectGroups, UnionOfMembersThatDoNotTouchGivesNothing) {
  TObjectInfo a, b;
  Stored(a, kX0 + 100, kY0 + 100);
  Stored(b, kX0 + 500, kY0 + 100);
  ASSERT_GT(a.AppendObjectInGroup(&b), 0);
  const double area = a.Square();
  EXPECT_EQ(0, a.UnionGroupData(0, nullptr, 0));
  EXPECT_NEAR(area, a.Square(), 1e-9);
}

TEST_F(ObjectGroups, AHostThatStopsTheUnionGetsMinusOne) {
  TObjectInfo o;
  Area(o, 1, kEdge - 1000, kY0 + 3000, kEdge + 1000, kY0 + 5000);
  ASSERT_EQ(2, o.CommitWithPlace(1, 0, nullptr));
  const double half = o.Square();
  MessageEnableSet(1);
  for (int after : {0, 1}) {
    SCOPED_TRACE(after);
    mctest::RecordingWindow host(after);
    const HWND previous = MessageWindowSet(host.handle());
    EXPECT_EQ(-1, o.UnionGroupData(0, nullptr, 0));
    MessageWindowSet(previous);
    EXPECT_NEAR(half, o.Square(), 1e-9);
    const auto progress = host.Of(WM_MAP_PROGRESS);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ("Objects union", progress.front().text);
  }
  MessageEnableSet(0);
}
