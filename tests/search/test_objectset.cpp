// Object sets: building from group semantics over two sections, the
// leaderless hierarchy, removal and dissolving, adding with and without
// commit, the whole-set move, rotation, delete and revert, the group
// semantics of one object, the linked groups of BuildInsertKnot, merging,
// a failed section allocation, a save failing at each file operation,
// and the set painted on a document's picture.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "common/messages.h"
#include "objects/support/objfixture.h"
#include "platform/fault.h"
#include "search/objectset.h"
#include "support/fault_sweep.h"
#include "support/writerprocess.h"
#include "support/docfixture.h"

namespace {

using objinfotest::IntSemantics;
using objinfotest::KIND_ROAD;
using objinfotest::ObjectMap;
using objtest::Metric;

constexpr GROUPSEMCODE LEADER = GROUPSEM_LEADER;
constexpr GROUPSEMCODE SUBORDINATE = GROUPSEM_SUBORDINATE;
constexpr GROUPSEMCODE EQUITABLE = GROUPSEM_EQUITABLE;

// The objects the map reports deleted, in order.
void RecordDeleted(void* context, TMap*, int notice, const SHEETCHANGE* change) {
  if (notice == MAPNOTICE_CHANGE && change != nullptr && change->CallOperation == CHANGE_DELETE)
    static_cast<std::vector<int>*>(context)->push_back(change->Number);
}

class ObjectSet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.ok()); }
  // A line of the sheet holding the characteristics {code, number}.
  int Line(const std::vector<std::pair<uint16_t, int32_t>>& groups, int sheet = 1) {
    std::vector<std::pair<uint16_t, int32_t>> semn = {{objinfotest::SEM_WIDTH, 5}};
    semn.insert(semn.end(), groups.begin(), groups.end());
    const int n = m.Append(sheet, LOCAL_LINE, KIND_ROAD,
                           Metric(METRIC_F32, {{{10, 20}, {30, 40}, {50, 45}}}),
                           IntSemantics(semn));
    EXPECT_GT(n, 0);
    return n;
  }
  // Object n of sheet 1 as stored.
  TObjectInfo* Read(int n) {
    stored_.Object(&m.map, 1, n);
    return &stored_;
  }
  // The number object n holds under the code, read from the map.
  LONG Held(int n, GROUPSEMCODE code) { return probe_.GetGroupSemn(Read(n), code); }
  // The members' object numbers in chain order.
  static std::vector<int> Numbers(TObjectSet& set) {
    std::vector<int> out;
    for (TObjectInfo* o = set.GetFirst(); o != nullptr; o = set.GetNext())
      out.push_back(o->ObjectNumber());
    return out;
  }
  static std::set<int> Sorted(TObjectSet& set) {
    const std::vector<int> n = Numbers(set);
    return {n.begin(), n.end()};
  }

  ObjectMap m;
  TObjectInfo stored_;
  TObjectSet probe_;
};

TEST_F(ObjectSet, ALeaderAndSeventySubordinatesFillTwoSectionsInOrder) {
  const int leader = Line({{LEADER, 500}});
  std::set<int> group = {leader};
  for (int i = 0; i < 70; ++i) group.insert(Line({{SUBORDINATE, 500}}));
  Line({{SUBORDINATE, 501}});                     // another group
  const int gone = Line({{SUBORDINATE, 500}});    // deleted
  Line({{SUBORDINATE, 500}}, 2);                  // another sheet
  const int plain = Line({});
  ASSERT_EQ(1, m.map.OpenList(1));
  ASSERT_GT(m.map.DeleteObject(gone), 0);

  TObjectSet set(Read(*group.rbegin()), 0);
  ASSERT_EQ(71, set.GetCount());
  EXPECT_EQ(2, set.SectionCount);
  EXPECT_EQ(64, set.GetSection(1)->Count);
  EXPECT_EQ(7, set.GetSection(2)->Count);
  int slot = 0;
  EXPECT_EQ(2, set.GetSectionNumber(65, &slot));
  EXPECT_EQ(1, slot);
  EXPECT_EQ(group, Sorted(set));
  // The walk goes in section order, the built-from object first.
  const std::vector<int> walk = Numbers(set);
  ASSERT_EQ(71u, walk.size());
  for (int n = 1; n <= 71; ++n) EXPECT_EQ(walk[n - 1], set.GetObjectA(n)->ObjectNumber());
  EXPECT_EQ(*group.rbegin(), walk[0]);
  EXPECT_EQ(nullptr, set.GetObjectA(0));
  EXPECT_EQ(nullptr, set.GetObjectA(72));
  EXPECT_EQ(LEADER, set.GetGroupType());
  EXPECT_EQ(500, set.GetGroupNumber());
  EXPECT_EQ(leader, set.FindGeneral(0)->ObjectNumber());
  EXPECT_EQ(0, set.Changed);

  // Built from the leader: the same group; from an object outside any
  // group: nothing.
  TObjectSet fromLeader(Read(leader), LEADER);
  EXPECT_EQ(group, Sorted(fromLeader));
  EXPECT_EQ(0, fromLeader.Build(Read(plain), 0));
  EXPECT_EQ(0, fromLeader.IsActive());
}

TEST_F(ObjectSet, ALeaderlessHierarchyTakesTheObjectAndNominationSwapsRoles) {
  const int a = Line({{SUBORDINATE, 7}});
  const int b = Line({{SUBORDINATE, 7}});
  const int c = Line({{SUBORDINATE, 7}, {LEADER, 9}});  // leads another group
  TObjectSet set;
  ASSERT_EQ(1, set.Build(Read(a), 0));
  EXPECT_EQ(3, set.GetCount());
  EXPECT_EQ(1, set.Changed);
  EXPECT_EQ(0, Held(a, LEADER));  // not written before Save
  ASSERT_EQ(1, set.Save(0));
  EXPECT_EQ(7, Held(a, LEADER));
  EXPECT_EQ(0, Held(a, SUBORDINATE));
  EXPECT_EQ(7, Held(b, SUBORDINATE));

  // Nominating: the old leader serves; one that leads another group or
  // serves in one cannot be nominated or demoted.
  EXPECT_EQ(0, set.NominateGeneral(c));
  ASSERT_EQ(1, set.NominateGeneral(b));
  ASSERT_EQ(1, set.Save(0));
  EXPECT_EQ(7, Held(b, LEADER));
  EXPECT_EQ(7, Held(a, SUBORDINATE));
  EXPECT_EQ(0, Held(a, LEADER));
  EXPECT_EQ(9, Held(c, LEADER));
}

TEST_F(ObjectSet, RemovingTheLeaderDissolvesTheGroupARemovedSubordinateLeavesAlone) {
  const int leader = Line({{LEADER, 30}});
  std::vector<int> subs;
  for (int i = 0; i < 4; ++i) subs.push_back(Line({{SUBORDINATE, 30}}));
  const int other = Line({{SUBORDINATE, 31}});

  // A subordinate without commit: the last member takes its slot, the map
  // learns at Save.
  TObjectSet set(Read(leader), 0);
  ASSERT_EQ(5, set.GetCount());
  const int second = set.GetObjectA(2)->ObjectNumber();
  const int last = set.GetObjectA(5)->ObjectNumber();
  ASSERT_EQ(1, set.Remove(2, 0));
  EXPECT_EQ(4, set.GetCount());
  EXPECT_EQ(last, set.GetObjectA(2)->ObjectNumber());
  EXPECT_EQ(30, Held(second, SUBORDINATE));
  ASSERT_EQ(1, set.Save(0));
  EXPECT_EQ(0, Held(second, SUBORDINATE));
  EXPECT_EQ(30, Held(last, SUBORDINATE));

  // The leader with commit: every member is free of the group in the map;
  // the section stays for reuse, as it does when the set is cleared.
  ASSERT_EQ(1, set.Remove(set.FindGeneral(0), 1));
  EXPECT_EQ(0, set.GetCount());
  EXPECT_EQ(1, set.SectionCount);
  set.Clear();
  EXPECT_EQ(1, set.SectionCount);
  for (int n : subs) EXPECT_EQ(0, Read(n)->ObjectSetCode(nullptr)) << n;
  EXPECT_EQ(0, Read(leader)->ObjectSetCode(nullptr));
  EXPECT_EQ(31, Held(other, SUBORDINATE));
}

TEST_F(ObjectSet, AppendedMembersReachTheMapAtSaveOrAtOnceWithCommit) {
  // A leader never written is written first and numbers the group.
  TObjectInfo leader;
  ASSERT_EQ(1, leader.CreateObject(&m.map, 1, METRIC_F32, 0));
  ASSERT_EQ(1, leader.DescribeObject(KIND_ROAD));
  leader.Metric.AppendPointSubject(0, 5, 5);
  leader.Metric.AppendPointSubject(0, 9, 9);
  TObjectSet set;
  ASSERT_EQ(1, set.AppendGeneral(&leader, 0));
  const LONG number = LONG(leader.ObjectKey());
  ASSERT_NE(0, number);
  EXPECT_EQ(number, set.GetGroupNumber());
  EXPECT_EQ(0, Held(leader.ObjectNumber(), LEADER));
  const int x = Line({{SUBORDINATE, 88}});
  const int y = Line({});
  const int z = Line({});
  TObjectInfo object;
  object.Object(&m.map, 1, x);
  EXPECT_EQ(0, set.AppendGeneral(&object, 0));  // the set has members
  ASSERT_EQ(1, set.AppendSubordinate(&object, 0));
  ASSERT_EQ(1, set.Save(0));
  EXPECT_EQ(number, Held(leader.ObjectNumber(), LEADER));
  EXPECT_EQ(number, Held(x, SUBORDINATE));

  // With commit at once, and earlier changes stay pending for Save.
  object.Object(&m.map, 1, y);
  ASSERT_EQ(1, set.AppendSubordinate(&object, 0));
  object.Object(&m.map, 1, z);
  ASSERT_EQ(1, set.AppendSubordinate(&object, 1));
  EXPECT_EQ(number, Held(z, SUBORDINATE));
  EXPECT_EQ(0, Held(y, SUBORDINATE));
  EXPECT_EQ(1, set.Changed);
  ASSERT_EQ(1, set.Save(0));
  EXPECT_EQ(number, Held(y, SUBORDINATE));

  // Only objects of the set's sheet; a member passed by address is moved
  // to the end, not duplicated.
  object.Object(&m.map, 2, Line({}, 2));
  EXPECT_EQ(0, set.AppendSubordinate(&object, 1));
  ASSERT_EQ(1, set.AppendSubordinate(set.GetObjectA(2), 0));
  EXPECT_EQ(4, set.GetCount());
  EXPECT_EQ((std::set<int>{leader.ObjectNumber(), x, y, z}), Sorted(set));

  // Rebuilt from the map.
  TObjectSet again(Read(y), 0);
  EXPECT_EQ(Sorted(set), Sorted(again));
}

TEST_F(ObjectSet, MoveRotateDeleteAndRevertCoverEveryMember) {
  const int leader = Line({{LEADER, 40}});
  const int a = Line({{SUBORDINATE, 40}});
  const int b = Line({{SUBORDINATE, 40}});
  TObjectSet set(Read(a), 0);
  ASSERT_EQ(3, set.GetCount());
  const double x0 = Read(b)->XPlane(1, 0), y0 = Read(b)->YPlane(1, 0);

  DOUBLEPOINT centre{x0, y0};
  EXPECT_EQ(0, set.Rotate(&centre, 0.0, 1));
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(0, set.GetObjectA(n)->Metric.ChangedFlag);

  DOUBLEPOINT offset{100.0, -50.0};
  ASSERT_EQ(1, set.Move(&offset, 1));
  EXPECT_NEAR(x0 + 100.0, Read(b)->XPlane(1, 0), 0.01);
  EXPECT_NEAR(y0 - 50.0, Read(b)->YPlane(1, 0), 0.01);
  EXPECT_EQ(0, set.Revert());  // nothing was deleted
  for (int n : {leader, a, b}) {
    EXPECT_EQ(0, Read(n)->Descriptor().Cancel());
  }
  EXPECT_NEAR(x0, Read(b)->XPlane(1, 0), 0.01);
  EXPECT_NEAR(y0, Read(b)->YPlane(1, 0), 0.01);

  // A move then a rotation are undone in reverse order.
  ASSERT_EQ(1, set.Move(&offset, 1));
  ASSERT_EQ(1, set.Rotate(&centre, 0.5, 1));
  set.Revert();
  EXPECT_NEAR(x0, Read(b)->XPlane(1, 0), 0.01);
  EXPECT_NEAR(y0, Read(b)->YPlane(1, 0), 0.01);

  // Delete takes every member, the leader last and its subordinates
  // keeping their tie; Revert brings them all back.
  std::vector<int> deleted;
  ASSERT_EQ(1, m.map.AddObserver(RecordDeleted, &deleted));
  ASSERT_EQ(1, set.Delete());
  m.map.RemoveObserver(RecordDeleted, &deleted);
  ASSERT_EQ(3u, deleted.size());
  EXPECT_EQ(leader, deleted.back());
  for (int n : {leader, a, b}) EXPECT_EQ(1, Read(n)->Descriptor().Cancel()) << n;
  ASSERT_EQ(1, set.Revert());
  for (int n : {leader, a, b}) {
    EXPECT_EQ(0, Read(n)->Descriptor().Cancel()) << n;
    EXPECT_NE(0, Read(n)->ObjectSetCode(nullptr)) << n;
  }

  DFRAME frame;
  ASSERT_EQ(1, set.ViewObjectFramePlane(&frame));
  DFRAME one;
  ASSERT_EQ(1, Read(b)->ViewObjectFramePlane(&one, 0));
  EXPECT_LE(frame.X1, one.X1);
  EXPECT_GE(frame.X2, one.X2);
}

TEST_F(ObjectSet, GroupSemanticsOfOneObject) {
  TObjectInfo o;
  o.Object(&m.map, 1, Line({{SUBORDINATE, 5}, {LEADER, 6}}));
  TObjectSet set;
  LONG number = 0;
  EXPECT_EQ(SUBORDINATE, set.IsObjectGroup(&o, &number));
  EXPECT_EQ(5, number);
  EXPECT_EQ(6, set.GetGroupSemn(&o, LEADER));
  EXPECT_EQ(LEADER, set.GetGroupSemn(&o, LONG(6)));
  EXPECT_EQ(0, set.GetGroupSemn(&o, LONG(7)));
  // An empty value matches any number and gives no number.
  o.Semn.AppendString(EQUITABLE, "", SEMTYPE_ANSI, 1);
  EXPECT_EQ(EQUITABLE, set.GetGroupSemn(&o, LONG(7)));
  EXPECT_EQ(0, set.GetGroupSemn(&o, EQUITABLE));
  // In two groups: the other group's semantic stays.
  ASSERT_EQ(1, set.DeleteSemantic(&o, 5));
  EXPECT_EQ(0, set.GetGroupSemn(&o, SUBORDINATE));
  EXPECT_EQ(6, set.GetGroupSemn(&o, LEADER));
  ASSERT_EQ(1, set.DeleteAllSemantic(&o));
  EXPECT_EQ(0, set.IsObjectGroup(&o, nullptr));
  EXPECT_EQ(1, o.Semn.IsChanged());
}

TEST_F(ObjectSet, BuildInsertKnotTakesEveryLinkedGroupOnce) {
  // 100 <- x leads 200 <- z leads 300 <- w; q leads 400, which holds
  // nothing else; 999 is apart.
  const int l1 = Line({{LEADER, 100}});
  const int x = Line({{SUBORDINATE, 100}, {LEADER, 200}});
  const int z = Line({{SUBORDINATE, 200}, {LEADER, 300}});
  const int w = Line({{SUBORDINATE, 300}});
  const int q = Line({{SUBORDINATE, 100}, {LEADER, 400}});
  Line({{LEADER, 999}});
  Line({{SUBORDINATE, 999}});
  for (int from : {w, l1}) {
    TObjectSet set;
    ASSERT_EQ(1, set.BuildInsertKnot(Read(from))) << from;
    EXPECT_EQ((std::set<int>{l1, x, z, w, q}), Sorted(set)) << from;
  }
  // Group 200 is x (also in 100) and z (also leading 300).
  TObjectSet set(Read(x), LEADER);
  ASSERT_EQ(x, set.GetObjectA(1)->ObjectNumber());
  int index = 1;
  EXPECT_EQ(set.GetObjectA(1), set.FindNoEgualGroup(200, &index));
  index = 2;
  EXPECT_EQ(set.Find(z), set.FindNoEgualGroup(200, &index));
  EXPECT_EQ(2, index);
}

TEST_F(ObjectSet, UnionBringsAnotherGroupInByMode) {
  const int l1 = Line({{LEADER, 10}});
  const int a = Line({{SUBORDINATE, 10}});
  const int l2 = Line({{LEADER, 20}});
  const int b = Line({{SUBORDINATE, 20}});
  const int c = Line({{SUBORDINATE, 20}});
  TObjectSet one(Read(l1), 0), two(Read(l2), 0);
  ASSERT_EQ(2, one.GetCount());
  ASSERT_EQ(3, two.GetCount());
  // Mode 3: the other leader hangs below, keeping its own group.
  ASSERT_EQ(1, one.Union(&two, 3, two.FindGeneral(0), 1));
  EXPECT_EQ(10, Held(l2, SUBORDINATE));
  EXPECT_EQ(20, Held(l2, LEADER));
  // Mode 1 with a subordinate of the other group: it changes groups.
  ASSERT_EQ(1, one.Union(&two, 1, two.Find(b), 1));
  EXPECT_EQ(10, Held(b, SUBORDINATE));
  // Mode 2: every member of the other group joins.
  TObjectSet rest(Read(c), 0);
  ASSERT_EQ(1, one.Union(&rest, 2, rest.GetObjectA(1), 1));
  EXPECT_EQ(10, Held(c, SUBORDINATE));
  EXPECT_EQ(0, one.Union(&rest, 4, rest.GetObjectA(1), 1));
  EXPECT_EQ((std::set<int>{l1, a, l2, b, c}), Sorted(one));
}

TEST_F(ObjectSet, AFailedSectionAllocationIsReportedAndFreesTheChain) {
  const int leader = Line({{LEADER, 3}});
  TObjectSet set(Read(leader), 0);
  for (int i = 0; i < 63; ++i) ASSERT_NE(0, set.Append(set.GetObjectA(1), 0));
  ASSERT_EQ(64, set.GetCount());
  ASSERT_EQ(1, set.SectionCount);
  plat::fault::Reset();
  plat::fault::FailAllocation(1, true);
  EXPECT_EQ(0, set.Append(set.GetObjectA(1), 0));
  plat::fault::Reset();
  EXPECT_EQ(MAPERR_MEMORY, set.GetError());
  EXPECT_EQ(0, set.SectionCount);
  EXPECT_EQ(nullptr, set.First);
  EXPECT_EQ(0, set.GetCount());
  EXPECT_NE(nullptr, std::strstr(LastMessageText(), "Цепочка групповых объектов"));
}

// Save failing at each file operation in turn: every object stays whole,
// the set stays changed, and the next save writes everything.
TEST_F(ObjectSet, ASaveFailingAnywhereLosesNothingAndIsRetried) {
  const int leader = Line({{LEADER, 60}});
  const int kept = Line({{SUBORDINATE, 60}});
  const int removed = Line({{SUBORDINATE, 60}});
  const int apart = Line({{SUBORDINATE, 61}});
  const std::string path = m.Path(), folder = m.dir.path();
  m.map.CloseData();
  const writertest::FolderFiles files = writertest::Snapshot(folder);
  TObjectSet set;
  int saved = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    set.FreeMemory();
    m.map.CloseData();
    writertest::Restore(folder, files);
    ASSERT_EQ(1, m.map.OpenData(path.c_str(), 0));
    ASSERT_EQ(1, set.Build(Read(kept), 0));
    ASSERT_EQ(1, set.RemoveNumber(removed, 0));
    ASSERT_EQ(1, set.NominateGeneral(kept));
  };
  const int runs = sweep.Run([&] { saved = set.Save(0); }, [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(saved || run.faulted) << run;
    if (!saved) {
      EXPECT_EQ(1, set.Changed) << run;
      ASSERT_EQ(1, set.Save(0)) << run;
    }
    set.FreeMemory();
    m.map.CloseData();
    ASSERT_EQ(1, m.map.OpenData(path.c_str(), 0)) << run;
    EXPECT_EQ(60, Held(kept, LEADER)) << run;
    EXPECT_EQ(60, Held(leader, SUBORDINATE)) << run;
    EXPECT_EQ(0, Held(leader, LEADER)) << run;
    EXPECT_EQ(0, Read(removed)->ObjectSetCode(nullptr)) << run;
    EXPECT_EQ(61, Held(apart, SUBORDINATE)) << run;
  });
  EXPECT_GT(runs, 3);
}

// A leader, a subordinate, a point and a line after it painted on a
// document: the leader solid, the subordinate dashed, everything from the
// point on in its own image, all in one colour.
using ObjectSetPaint = doctest::MapDocumentTest;

TEST_F(ObjectSetPaint, TheLeaderSolidTheOthersDashedPointsInTheirOwnImage) {
  const double x = doctest::kSheetX, y = doctest::kSheetY;
  auto line = [&](double north) {
    return doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                      {{x + north, y + 1000}, {x + north, y + 9000}});
  };
  const int numbers[4] = {
      line(8000), line(6000),
      doctest::AppendPlaneObject(doc, doctest::KIND_WELL, LOCAL_POINT,
                                 {{x + 4000, y + 5000}, {x + 4000, y + 5100}}),
      line(2000)};
  TObjectSet set;
  for (int i = 0; i < 4; ++i) {
    ASSERT_GT(numbers[i], 0);
    TObjectInfo object;
    object.Object(doc, 1, numbers[i]);
    ASSERT_EQ(1, i == 0 ? set.AppendGeneral(&object, 1) : set.AppendSubordinate(&object, 1));
  }
  doc->SetBackGround(0xFFFFFF);
  doc->SetViewScale(0.8);
  double left = x + doctest::kSheetSide, top = y, right = x, bottom = y + doctest::kSheetSide;
  doc->PlaneToPicture(left, top);
  doc->PlaneToPicture(right, bottom);
  RECT rect{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  doctest::Picture p;
  {
    doctest::MemoryDevice device(rect.right - rect.left, rect.bottom - rect.top);
    EXPECT_EQ(0, set.PaintGroup(doc, nullptr, rect, 0xFFFF00, 2));
    ASSERT_EQ(1, set.PaintGroup(doc, device.dc, rect, 0xFFFF00, 2));
    p = doctest::GrabDc(device.dc);
  }
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/objectset_paint.png");
  // Colour 0xFFFF00 is blue and green: 0x00FFFF as the picture holds it.
  const uint32_t kColour = 0x00FFFF;
  // A plane point's pixel (X north, Y east, from the sheet's corner).
  auto pixel = [&](double north, double east) {
    double column = x + north, row = y + east;
    doc->PlaneToPicture(column, row);
    return POINT{LONG(column) - rect.left, LONG(row) - rect.top};
  };
  // Along each line, the share of the coloured columns.
  auto coloured = [&](double north) {
    const POINT from = pixel(north, 2000), to = pixel(north, 8000);
    int on = 0, all = 0;
    for (int c = from.x; c <= to.x; ++c, ++all) {
      bool hit = false;
      for (int d = -2; d <= 2; ++d) hit = hit || p.At(c, from.y + d) == kColour;
      on += hit ? 1 : 0;
    }
    return all > 0 ? double(on) / all : 0.0;
  };
  EXPECT_GT(coloured(8000), 0.99);  // the leader
  const double dashed = coloured(6000);
  EXPECT_GT(dashed, 0.4);
  EXPECT_LT(dashed, 0.9);
  EXPECT_GT(coloured(2000), 0.99);  // after the point: its own image
  const POINT well = pixel(4000, 5000);
  EXPECT_EQ(kColour, p.At(well.x, well.y));
  set.FreeMemory();
}

}  // namespace

