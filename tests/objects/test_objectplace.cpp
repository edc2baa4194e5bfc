// Writing an object across sheets: an area crossing two sheets becomes
// pieces of one new group with the area kept, slivers are dropped and the
// loss reported, an object is written whole into the sheet that holds it
// (moved there from another), a place outside its sheet and an object
// outside every sheet write nothing, a user map gets a plain commit, a
// record with 32-bit point counts is cut into sound pieces, and a failing
// write anywhere leaves the stored object as it was.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/fault.h"
#include "support/placefixture.h"

using namespace placetest;

namespace {

class ObjectPlace : public PlaceMap {};

// The group number of stored object n.
int GroupOf(ObjectMap& m, int sheet, int n) { return m.Stored(sheet, n).Reserve; }

}  // namespace

TEST_F(ObjectPlace, AnAreaAcrossTwoSheetsBecomesPiecesOfOneGroup) {
  TObjectInfo o;
  Area(o, 1, kEdge - 1000, kY0 + 3000, kEdge + 1000, kY0 + 5000);
  const double area = o.Metric.Square();  // square sheet units
  TNewObjectsList list;
  ASSERT_EQ(2, o.CommitWithPlace(1, 0, &list));
  ASSERT_EQ(2, list.GetObjectCount());
  ASSERT_EQ(1, list.GetObjectCount(1));
  ASSERT_EQ(1, list.GetObjectCount(2));
  const int n1 = list.GetObjectA(1, 1), n2 = list.GetObjectA(2, 1);
  const int group = GroupOf(m, 1, n1);
  EXPECT_NE(0, group);
  EXPECT_EQ(group, GroupOf(m, 2, n2));
  EXPECT_LT(list.GetProcent(), 0.1);
  // The handle is the first piece; the group file lists both.
  EXPECT_EQ(1, o.ListNumber());
  EXPECT_EQ(n1, o.ObjectNumber());
  EXPECT_EQ(1, o.IsGroup());
  TObjectGroup g;
  ASSERT_GT(g.ReadGroup(&m.map, group), 0);
  EXPECT_EQ(2, g.Total());
  EXPECT_EQ(1, g.FindObjectNumber(2, n2));

  double sum = 0;
  for (int i = 1; i <= 2; ++i) {
    const NEWOBJECT* e = list.GetData(i);
    TObjectInfo piece;
    piece.Object(&m.map, e->Sheet, e->Object);
    EXPECT_EQ(e->Key, piece.ObjectKey());
    EXPECT_NEAR(area / 2, piece.Metric.Square(), 1e-6);
    // Each piece lies within its sheet.
    for (int p = 1; p <= piece.PointCount(0); ++p) {
      const double x = piece.XPlane(p, 0);
      EXPECT_TRUE(e->Sheet == 1 ? x <= kEdge + 0.01 : x >= kEdge - 0.01) << x;
    }
    sum += piece.Metric.Square();
  }
  EXPECT_NEAR(area, sum, 1e-6);
}

TEST_F(ObjectPlace, SliversAreDroppedAndTheLossReported) {
  // 0.25 m over the border of a 100 m square: a piece of 1 square unit.
  TObjectInfo o;
  Area(o, 1, kEdge - 100, kY0 + 3000, kEdge + 0.25, kY0 + 3100);
  TNewObjectsList list;
  ASSERT_EQ(1, o.CommitWithPlace(1, 0, &list));
  EXPECT_EQ(0, Live(2));
  EXPECT_NEAR(100 * 0.25 / 100.25, list.GetProcent(), 1e-3);
  // A group of one object is dissolved.
  EXPECT_EQ(0, o.IsGroup());
  EXPECT_EQ(0, GroupOf(m, 1, o.ObjectNumber()));
}

TEST_F(ObjectPlace, AnObjectGoesWholeIntoTheSheetThatHoldsIt) {
  // A point and an area of sheet 1 given places inside sheet 2: each moves
  // there whole, new in that sheet, and the stored one goes.
  struct Case {
    int kind;
    std::vector<std::pair<double, double>> points;
  } cases[] = {{KIND_TOWN, {{kEdge + 10, kY0 + 10}}},
               {KIND_LAKE, Box(kEdge + 100, kY0 + 100, kEdge + 300, kY0 + 300)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    TObjectInfo o;
    Make(o, &m.map, 1, c.kind, c.points);
    const int stored = o.Commit(1);
    ASSERT_GT(stored, 0);
    const DWORD key = o.ObjectKey();
    const int before = Live(2);
    ASSERT_EQ(1, o.CommitWithPlace(0, 0, nullptr));
    EXPECT_EQ(2, o.ListNumber());
    EXPECT_NE(0, o.ObjectNumber());
    EXPECT_EQ(before + 1, Live(2));
    const FVSPR gone = m.Stored(1, stored);
    EXPECT_TRUE(FvsprIsDeleted(&gone));
    TObjectInfo back;
    back.Object(&m.map, 2, o.ObjectNumber());
    EXPECT_NEAR(c.points[0].first, back.XPlane(1, 0), 1e-3);
    EXPECT_NEAR(c.points[0].second, back.YPlane(1, 0), 1e-3);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(0, back.IsGroup());
  }
}

TEST_F(ObjectPlace, NothingIsWrittenOutsideThePlaceOrTheSheets) {
  TObjectInfo o;
  Area(o, 1, kEdge + 100, kY0 + 100, kEdge + 300, kY0 + 300);
  EXPECT_EQ(-2, o.CommitNewObject(1, nullptr));
  EXPECT_EQ(MAPERR_INPUT, o.GetError());
  TObjectInfo far;
  Area(far, 1, kX0 - 5000, kY0 - 5000, kX0 - 4000, kY0 - 4000);
  EXPECT_EQ(-2, far.CommitWithPlace(1, 0, nullptr));
  EXPECT_EQ(OBJECT_ERR_OUTSIDE, far.GetError());
  EXPECT_EQ(0, Live(1));
  EXPECT_EQ(0, Live(2));
  // With the place it lies in, it is written.
  EXPECT_EQ(1, o.CommitNewObject(2, nullptr));
  EXPECT_EQ(1, Live(2));
}

TEST(ObjectPlaceUserMap, AUserMapGetsAPlainCommit) {
  ObjectMap m(true);
  ASSERT_TRUE(m.ok());
  TObjectInfo o;
  ASSERT_EQ(1, o.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  ASSERT_EQ(1, o.DescribeObject(KIND_LAKE));
  for (const auto& p : Box(10, 10, 50, 50)) o.AppendPointPlane(p.first, p.second, 0);
  TNewObjectsList list;
  const int n = o.CommitWithPlace(1, 0, &list);
  EXPECT_GT(n, 0);
  EXPECT_EQ(n, o.ObjectNumber());
  EXPECT_EQ(1, list.GetObjectCount());
}

TEST_F(ObjectPlace, PiecesOfARecordWithLongCountsAreSound) {
  TObjectInfo o;
  Area(o, 1, kEdge - 1000, kY0 + 3000, kEdge + 1000, kY0 + 5000);
  ASSERT_EQ(1, o.Metric.SetLongCounts());
  const double area = o.Metric.Square();
  TNewObjectsList list;
  ASSERT_EQ(2, o.CommitWithPlace(1, 0, &list));
  double sum = 0;
  for (int i = 1; i <= 2; ++i) {
    TObjectInfo piece;
    piece.Object(&m.map, list.GetData(i)->Sheet, list.GetData(i)->Object);
    ASSERT_NE(nullptr, piece.Desc);
    EXPECT_EQ(1, piece.CheckMetricStructure());
    EXPECT_EQ(5, piece.PointCount(0));
    sum += piece.Metric.Square();
  }
  EXPECT_NEAR(area, sum, 1e-6);
}

namespace {

// A map with a stored area of sheet 1 and a copy of it widened over the
// border into sheet 2, ready to be written.
struct Widened {
  GroupsOn groups;
  ObjectMap m;
  PlaceFrames frames{m};
  TObjectInfo stored, o;
  int n = 0;
  double area = 0;
  Widened() {
    Make(stored, &m.map, 1, KIND_LAKE, Box(kEdge - 300, kY0 + 3000, kEdge - 100, kY0 + 5000));
    n = stored.Commit(1);
    area = stored.Metric.Square();
    o.Object(&m.map, 1, n);
    o.UpdatePointPlane(kEdge + 100, kY0 + 5000, 3, 0);
    o.UpdatePointPlane(kEdge + 100, kY0 + 3000, 4, 0);
  }
};

}  // namespace

// Whichever write fails, the call gives 0 and the map is as before: the
// stored object alone, with its metric and without a group.
TEST(ObjectPlaceFaults, AFailedWriteLeavesTheStoredObjectAsItWas) {
  int writes = 0;
  {
    Widened w;
    ASSERT_GT(w.n, 0);
    plat::fault::Reset();
    ASSERT_EQ(2, w.o.CommitWithPlace(1, 0, nullptr));
    writes = plat::fault::WriteCount();
  }
  ASSERT_GT(writes, 5);
  int failures = 0;
  for (int fault = 1; fault <= writes; ++fault) {
    SCOPED_TRACE(fault);
    Widened w;
    plat::fault::FailWrite(fault, plat::fault::WriteFault::Error);
    const int result = w.o.CommitWithPlace(1, 0, nullptr);
    plat::fault::Reset();
    const std::vector<int> one = LiveNumbers(w.m, 1), two = LiveNumbers(w.m, 2);
    if (result == 2) {
      EXPECT_EQ(1u, one.size());
      EXPECT_EQ(1u, two.size());
      continue;
    }
    ++failures;
    EXPECT_EQ(0, result);
    EXPECT_EQ(std::vector<int>{w.n}, one);
    EXPECT_TRUE(two.empty());
    TObjectInfo back;
    back.Object(&w.m.map, 1, w.n);
    EXPECT_NEAR(w.area, back.Metric.Square(), 1e-6);
    EXPECT_EQ(0, back.IsGroup());
  }
  EXPECT_GT(failures, writes / 2);
}

TEST_F(ObjectPlace, ChangedSemanticsAndGraphicsReachEveryPiece) {
  TObjectInfo o;
  Area(o, 1, kEdge - 1000, kY0 + 3000, kEdge + 1000, kY0 + 5000);
  TNewObjectsList list;
  ASSERT_EQ(2, o.CommitWithPlace(1, 0, &list));
  // A piece read back, its metric as it is, the semantics changed: each
  // member gets them.
  o.Object(&m.map, list.GetData(2)->Sheet, list.GetData(2)->Object);
  ASSERT_NE(nullptr, o.Semn.Append(SEM_NAME, 7));
  ASSERT_EQ(1, o.CommitWithPlace(1, 0, nullptr));
  for (int i = 1; i <= 2; ++i) {
    TObjectInfo piece;
    piece.Object(&m.map, list.GetData(i)->Sheet, list.GetData(i)->Object);
    ASSERT_NE(nullptr, piece.Semn.Record());
    EXPECT_NE(nullptr, piece.Semn.Cursor()->FindCode(SEM_NAME)) << i;
  }
  // Graphics alone are written too.
  objtest::Bytes line = objtest::Draw({{128, objtest::Bytes{1, 0, 0, 0, 0x10, 0, 0, 0}}});
  ASSERT_GT(o.Draw.Load(TObjectDraw(objtest::As<IMGDRAW>(line))), 0);
  o.Draw.SetChanged(1);
  ASSERT_EQ(1, o.CommitWithPlace(1, 0, nullptr));
  for (int i = 1; i <= 2; ++i) {
    TObjectInfo piece;
    piece.Object(&m.map, list.GetData(i)->Sheet, list.GetData(i)->Object);
    EXPECT_NE(nullptr, piece.Draw.Record()) << i;
  }
}
