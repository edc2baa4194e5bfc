// The point register and the new-object list as lists (growth, limits,
// walking, copying), and the register applied at commit: a moved point
// moves with it in the other objects of the map or of the layer that share
// it, closed contours stay closed, shared corners at an object's own
// extreme vertices are found, and objects away from the move stay as they
// are.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "objects/objectinfo.h"
#include "support/objfixture.h"

using namespace objinfotest;
using objtest::Metric;

TEST(PointRegister, GrowsToItsLimitAndRestartsAtClear) {
  TPointRegister r;
  EXPECT_EQ(0, r.PutPoint(1, 0, 0, 0, 0, 0, 0));  // no block yet
  ASSERT_EQ(1, r.Clear());
  for (int batch = 0; batch < 200; ++batch) {
    for (int i = 0; i < 100; ++i) ASSERT_EQ(1, r.PutPoint(1, i, 0, 0, 0, 0, 0.1));
    ASSERT_EQ(100, r.Count());
    ASSERT_EQ(1, r.Clear());
  }
  int n = 0;
  while (r.PutPoint(2, n, -n, 0, 0, 0, 0.5)) ++n;
  EXPECT_EQ(LISTBLOCK_LIMIT / int(sizeof(POINTMOVE)), n);
  EXPECT_EQ(LISTBLOCK_LIMIT, r.BufferSize);
  EXPECT_EQ(0, r.Realloc());

  // Walking, and the current entry kept by number across growth.
  EXPECT_EQ(nullptr, r.GetPoint(0));
  EXPECT_EQ(nullptr, r.GetPoint(n + 1));
  ASSERT_NE(nullptr, r.GetPoint(n));
  EXPECT_EQ(nullptr, r.GetNextPoint());
  POINTMOVE* first = r.GetFirstPoint();
  ASSERT_NE(nullptr, first);
  const double second = r.GetNextPoint()->OldY;  // entries are 4-byte aligned
  EXPECT_EQ(-1.0, second);

  TPointRegister copy;
  EXPECT_EQ(0, copy.Load(&copy));
  ASSERT_EQ(1, copy.Load(&r));
  EXPECT_EQ(n, copy.Count());
  EXPECT_EQ(0, std::memcmp(copy.Block, r.Block, size_t(r.Used)));
  TPointRegister empty;
  EXPECT_EQ(0, copy.Load(&empty));
  EXPECT_EQ(0, empty.UpdatePoints());
  EXPECT_EQ(0, empty.SetInfo(nullptr));
}

TEST(NewObjectsList, EntriesBySheetAndThePercentage) {
  TNewObjectsList list;
  EXPECT_EQ(0.01, list.GetProcent());
  EXPECT_EQ(0, list.AddObject(0, 5));
  EXPECT_EQ(0, list.AddObject(3, 0));
  const LONG entries[][2] = {{1, 4}, {3, 7}, {2, 1}, {3, 9}, {3, 11}};
  for (const auto& e : entries) ASSERT_EQ(1, list.AddObject(e[0], e[1]));
  EXPECT_EQ(5, list.GetObjectCount());
  EXPECT_EQ(3, list.GetObjectCount(3));
  EXPECT_EQ(9, list.GetObjectA(3, 2));
  EXPECT_EQ(0, list.GetObjectA(3, 4));
  EXPECT_EQ(0, list.GetObjectA(3, 6));
  EXPECT_EQ(0, list.GetObjectA(3, 0));
  ASSERT_NE(nullptr, list.GetData(5));
  EXPECT_EQ(11, list.GetData(5)->Object);
  EXPECT_EQ(nullptr, list.GetData(6));
  list.SetProcent(0.0005);
  EXPECT_EQ(0.01, list.GetProcent());
  list.SetProcent(50.0);
  EXPECT_EQ(50.0, list.GetProcent());

  list.Clear();
  EXPECT_EQ(0, list.GetObjectCount());
  int n = 0;
  while (list.AddObject(1, n + 1)) ++n;
  EXPECT_EQ(LISTBLOCK_LIMIT / int(sizeof(NEWOBJECT)), n);
  EXPECT_EQ(n, list.GetObjectA(1, n));
}

namespace {

// A box lake A, an area B sharing A's first point at its own north-east
// corner (the extreme of its frame), a road C through it, a road R and a
// lake E sharing A's third point, and a road F far away.
class SharedPoints : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    a = m.Append(1, LOCAL_SQUARE, KIND_LAKE,
                 Metric(METRIC_F32, {{{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}}}));
    b = m.Append(1, LOCAL_SQUARE, KIND_LAKE,
                 Metric(METRIC_F32, {{{100, 300}, {100, 100}, {0, 100}, {0, 300}, {100, 300}}}));
    c = m.Append(1, LOCAL_LINE, KIND_ROAD,
                 Metric(METRIC_F32, {{{50, 200}, {100, 300}, {150, 400}}}),
                 IntSemantics({{SEM_WIDTH, 5}}));
    r = m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {{{150, 600}, {200, 500}}}),
                 IntSemantics({{SEM_WIDTH, 5}}));
    e = m.Append(1, LOCAL_SQUARE, KIND_LAKE,
                 Metric(METRIC_F32, {{{200, 500}, {300, 500}, {300, 700}, {200, 500}}}));
    f = m.Append(1, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {{{2000, 2000}, {2100, 2100}}}),
                 IntSemantics({{SEM_WIDTH, 5}}));
    ASSERT_GT(a * b * c * r * e * f, 0);
    // B's frame as tight as its points (the store widens the frames it
    // builds; other writers need not): the shared point is its corner.
    FVSPR tight = m.Stored(1, b);
    tight.X1 = 0, tight.Y1 = 100, tight.X2 = 100, tight.Y2 = 300;
    ASSERT_EQ(0, m.map.List.WriteObjectDesc(b, &tight));
    m.map.List.HeadBuffer.UpdateRecord(b, &tight);
    o.Object(&m.map, 1, a);
    ASSERT_NE(nullptr, o.Desc);
  }
  // Point n of an object as stored.
  std::pair<double, double> Stored(int object, int n) {
    TObjectInfo x;
    x.Object(&m.map, 1, object);
    return {x.Metric.XNDouble(n), x.Metric.YNDouble(n)};
  }
  int Count(int object) {
    TObjectInfo x;
    x.Object(&m.map, 1, object);
    return x.PointCount(0);
  }
  ObjectMap m;
  TObjectInfo o;
  int a = 0, b = 0, c = 0, r = 0, e = 0, f = 0;
};

}  // namespace

TEST_F(SharedPoints, AMoveByMapReachesEveryObjectSharingThePoint) {
  // Ten units north and east, given in plane metres.
  const double k = m.map.Factor;
  ASSERT_EQ(1, o.UpdatePointPlaneInMap(o.XPlane(1, 0) + 10 * k, o.YPlane(1, 0) + 10 * k, 1, 0,
                                       OBJECT_MOVE_PRECISION));
  ASSERT_EQ(1, o.PointRegister()->Count());
  EXPECT_EQ(std::make_pair(110.0, 310.0), std::make_pair(o.Metric.XNDouble(1), o.Metric.YNDouble(1)));
  EXPECT_EQ(std::make_pair(100.0, 300.0), Stored(b, 1));  // not before the commit
  ASSERT_EQ(a, o.Commit(1));
  EXPECT_EQ(0, o.PointRegister()->Count());

  // A's last point is its first: A stays closed with its five points.
  EXPECT_EQ(5, Count(a));
  EXPECT_EQ(std::make_pair(110.0, 310.0), Stored(a, 1));
  EXPECT_EQ(std::make_pair(110.0, 310.0), Stored(a, 5));
  // B's first point moved and its contour closed again at its last point.
  EXPECT_EQ(std::make_pair(110.0, 310.0), Stored(b, 1));
  EXPECT_EQ(std::make_pair(110.0, 310.0), Stored(b, 5));
  EXPECT_EQ(5, Count(b));
  EXPECT_EQ(std::make_pair(110.0, 310.0), Stored(c, 2));
  EXPECT_EQ(std::make_pair(150.0, 600.0), Stored(r, 1));
  EXPECT_EQ(std::make_pair(2000.0, 2000.0), Stored(f, 1));
}

TEST_F(SharedPoints, AMoveByLayerStaysInTheLayer) {
  TObjectInfo road;
  road.Object(&m.map, 1, r);
  road.Desc->Segment = 1;
  ASSERT_EQ(r, road.Commit(1));
  const double k = m.map.Factor;
  ASSERT_EQ(1, o.UpdatePointPlaneInLayer(o.XPlane(3, 0) - 5 * k, o.YPlane(3, 0), 3, 0,
                                         OBJECT_MOVE_PRECISION));
  ASSERT_EQ(a, o.Commit(1));
  EXPECT_EQ(std::make_pair(195.0, 500.0), Stored(e, 1));  // the lakes: layer 0
  EXPECT_EQ(std::make_pair(195.0, 500.0), Stored(e, 4));
  EXPECT_EQ(std::make_pair(200.0, 500.0), Stored(r, 2));  // a road, layer 1
}

TEST_F(SharedPoints, MovesAwayFromEveryOtherFrameChangeNothing) {
  TObjectInfo far;
  far.Object(&m.map, 1, f);
  // Two moves before one commit: they add up in the register.
  ASSERT_EQ(1, far.UpdatePointPlaneInMap(far.XPlane(1, 0) + 1, far.YPlane(1, 0), 1, 0, 0.001));
  ASSERT_EQ(1, far.UpdatePointPlane3DInMap(far.XPlane(2, 0), far.YPlane(2, 0) + 1, 7.5, 2, 0,
                                           0.001));
  ASSERT_EQ(2, far.PointRegister()->Count());
  // A copy carries the registered moves.
  TObjectInfo copy(&far);
  EXPECT_EQ(2, copy.PointRegister()->Count());
  EXPECT_EQ(&copy, copy.PointRegister()->GetInfo());
  std::vector<std::pair<double, double>> before;
  for (int object : {a, b, c, r, e}) before.push_back(Stored(object, 2));
  ASSERT_EQ(f, far.Commit(1));
  EXPECT_EQ(0, far.PointRegister()->Count());
  std::vector<std::pair<double, double>> after;
  for (int object : {a, b, c, r, e}) after.push_back(Stored(object, 2));
  EXPECT_EQ(before, after);
  EXPECT_EQ(0, far.UpdatePointPlaneInMap(0, 0, 9, 0, 0.001));  // no such point
}
