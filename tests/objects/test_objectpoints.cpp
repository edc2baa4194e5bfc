// The map object's points in plane and geodetic coordinates, plane data in
// and out, moves between maps of different projections, areas, sides,
// nearest points across sheets, the own scale range, and the insertion of
// crossing points through the geometry layer's finder.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

#include "objects/crossfinder.h"
#include "objects/objectinfo.h"
#include "support/objfixture.h"

using namespace objinfotest;
using objtest::Metric;

namespace {

const Points kLine = {{10, 20}, {30, 40}, {50, 45}};

// The sheets lie in the 6-degree zone 7 (easting 7,400,000 and up): its
// axis meridian, 39 degrees.
void ZoneSeven(MAPREGISTEREX& r) { r.AxisMeridian = 39.0 * std::numbers::pi / 180.0; }

class ObjectPoints : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    ASSERT_EQ(1, o.CreateObject(&m.map, 2, METRIC_F32, 0));
    ASSERT_EQ(1, o.DescribeObject(KIND_ROAD));
  }
  ObjectMap m{false, 2, "obj", ZoneSeven};
  TObjectInfo o;
};

std::pair<double, double> At(TObjectInfo& o, int n) {
  return {o.Metric.XNDouble(n), o.Metric.YNDouble(n)};
}

}  // namespace

TEST_F(ObjectPoints, PlanePointsFollowTheSheetOriginAndTheUnit) {
  const double k = m.map.Factor;
  const double x = (10 + o.Origin.X) * k + m.map.X0, y = (20 + o.Origin.Y) * k + m.map.Y0;
  ASSERT_EQ(1, o.AppendPointPlane(x, y, 0));
  EXPECT_EQ(std::make_pair(10.0, 20.0), At(o, 1));
  EXPECT_DOUBLE_EQ(x, o.XPlane(1, 0));
  EXPECT_DOUBLE_EQ(y, o.YPlane(1, 0));
  EXPECT_EQ(0.0, o.XPlane(2, 0));  // no such point
  ASSERT_EQ(1, o.AppendPointPlane(x + 2 * k, y, 0));

  // Before the first point: the new one is first, the old first second.
  ASSERT_EQ(1, o.InsertPointPlane(x - k, y, 0, 0));
  EXPECT_EQ(3, o.PointCount(0));
  EXPECT_EQ(std::make_pair(9.0, 20.0), At(o, 1));
  EXPECT_EQ(std::make_pair(10.0, 20.0), At(o, 2));
  EXPECT_EQ(std::make_pair(12.0, 20.0), At(o, 3));
  ASSERT_EQ(1, o.InsertPointPlane(x + k, y + k, 2, 0));
  EXPECT_EQ(std::make_pair(11.0, 21.0), At(o, 3));
  EXPECT_EQ(0, o.InsertPointPlane(x, y, 9, 0));

  // The last side closes to point 1.
  EXPECT_DOUBLE_EQ(k, o.SideLength(1, 0));
  EXPECT_EQ(0.0, o.SideLength(5, 0));
  EXPECT_DOUBLE_EQ(3 * k, o.SideLength(4, 0));
  EXPECT_DOUBLE_EQ(k + std::sqrt(2.0) * 2 * k, o.Length());

  DFRAME frame;
  ASSERT_EQ(1, o.ObjectFramePlane(&frame));
  EXPECT_DOUBLE_EQ(x - k, frame.X1);
  EXPECT_DOUBLE_EQ(y + k, frame.Y2);
}

TEST_F(ObjectPoints, GeodeticPointsRoundTrip) {
  ASSERT_EQ(1, o.Metric.AppendPointSubject(0, 10, 20));
  const double b = o.BGeo(1, 0), l = o.LGeo(1, 0);
  EXPECT_GT(b, 0.9);  // about 54 degrees north
  ASSERT_EQ(1, o.AppendPointGeo(b, l, 0));
  EXPECT_NEAR(10.0, o.Metric.XNDouble(2), 1e-3);
  EXPECT_NEAR(20.0, o.Metric.YNDouble(2), 1e-3);
  EXPECT_EQ(0, o.AppendPointGeo(std::numbers::pi / 2 + 1e-9, l, 0));
  EXPECT_EQ(1, o.AppendPointGeo(std::numbers::pi / 2, l, 0));
  EXPECT_EQ(0, o.UpdatePointGeo(NAN, l, 1, 0));

  // A map without a projection answers 0.
  ObjectMap plain(false, 1, "plain", [](MAPREGISTEREX& r) { r.MapType = 0; });
  ASSERT_TRUE(plain.ok());
  TObjectInfo p;
  ASSERT_EQ(1, p.CreateObject(&plain.map, 1, METRIC_F32, 0));
  ASSERT_EQ(1, p.Metric.AppendPointSubject(0, 1, 1));
  EXPECT_EQ(0.0, p.BGeo(1, 0));
  EXPECT_EQ(0, p.AppendPointGeo(0.9, 0.6, 0));
}

TEST_F(ObjectPoints, AMoveBetweenProjectionsKeepsGeodeticPositions) {
  // A user map in the next zone's Gauss-Krueger projection.
  ObjectMap other(true, 1, "zone8", [](MAPREGISTEREX& r) {
    r.AxisMeridian = 45.0 * std::numbers::pi / 180.0;
  });
  ASSERT_TRUE(other.ok());
  ASSERT_NE(0, other.map.ProjectionReady);
  for (const auto& p : kLine) o.Metric.AppendPointSubject(0, p.first, p.second);
  double b[3], l[3], x[3], y[3];
  for (int i = 0; i < 3; ++i) {
    b[i] = o.BGeo(i + 1, 0), l[i] = o.LGeo(i + 1, 0);
    x[i] = o.XPlane(i + 1, 0), y[i] = o.YPlane(i + 1, 0);
  }

  ASSERT_EQ(1, o.ChangeMap(&other.map));
  ASSERT_EQ(3, o.PointCount(0));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(b[i], o.BGeo(i + 1, 0), 1e-9);
    EXPECT_NEAR(l[i], o.LGeo(i + 1, 0), 1e-9);
    EXPECT_GT(std::fabs(y[i] - o.YPlane(i + 1, 0)), 1000.0);  // really converted
  }
  // And back into the Gauss-Krueger sheet map.
  ASSERT_EQ(1, o.ChangeMap(&m.map));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(x[i], o.XPlane(i + 1, 0), 0.01);
    EXPECT_NEAR(y[i], o.YPlane(i + 1, 0), 0.01);
  }
  EXPECT_EQ(1, o.Metric.ChangedFlag);
}

TEST_F(ObjectPoints, PlaneDataOutAndIn) {
  for (const auto& p : kLine) o.Metric.AppendPointSubject(0, p.first, p.second);
  TDataEdit plane;
  plane.Init();
  ASSERT_EQ(1, o.PutDataPlane(&plane));
  EXPECT_EQ(METRIC_F64, plane.Record->Ident);
  EXPECT_DOUBLE_EQ(o.XPlane(3, 0), plane.XNDouble(3));
  TObjectInfo q;
  ASSERT_EQ(1, q.CreateObject(&m.map, 1, METRIC_F32, 0));
  ASSERT_EQ(1, q.GetDataPlane(&plane));
  EXPECT_EQ(METRIC_F32, q.Metric.Record->Ident);
  for (int i = 1; i <= 3; ++i) EXPECT_NEAR(o.XPlane(i, 0), q.XPlane(i, 0), 1e-2);
  plane.Free();
}

TEST_F(ObjectPoints, SquareRoundsToThousandths) {
  ObjectMap user(true, 1, "area", [](MAPREGISTEREX& r) { r.Scale = 10000; });
  ASSERT_TRUE(user.ok());
  TObjectInfo a;
  ASSERT_EQ(1, a.CreateObject(&user.map, 1, METRIC_F64, 0));
  ASSERT_EQ(1, a.DescribeObject(KIND_LAKE));
  const double w = 123.456789;
  for (const auto& p : Points{{0, 0}, {10, 0}, {10, w}, {0, w}, {0, 0}})
    a.AppendPointPlane(p.first, p.second, 0);
  EXPECT_EQ(1234.568, a.Square());
  // An open line has no area; a closed one has.
  ASSERT_EQ(1, a.DescribeObject(KIND_ROAD));
  EXPECT_EQ(1234.568, a.Square());
  a.DeletePoint(5, 0);
  EXPECT_EQ(0.0, a.Square());
}

TEST_F(ObjectPoints, DistanceToAnObjectOnAnotherSheet) {
  // Sheet 2 lies north of sheet 1: a point of sheet 1's object is compared
  // after the shift by the two origins.
  TObjectInfo near;
  ASSERT_EQ(1, near.CreateObject(&m.map, 1, METRIC_F32, 0));
  const double k = m.map.Factor;
  ASSERT_EQ(1, o.AppendPointPlane(6012000, 7401000, 0));
  ASSERT_EQ(1, o.AppendPointPlane(6012000, 7402000, 0));
  ASSERT_EQ(1, near.AppendPointPlane(6009000, 7401500, 0));
  ASSERT_EQ(1, near.AppendPointPlane(6008000, 7401500, 0));
  DOUBLEPOINT nearest;
  double distance = 0;
  EXPECT_EQ(1, near.DistanceObject(&o, 0, &nearest, &distance));
  EXPECT_NEAR(6012000, nearest.X, k);
  EXPECT_NEAR(7401500, nearest.Y, k);
  EXPECT_NEAR(3000, distance, k);
  EXPECT_EQ(0, near.DistanceObject(nullptr, 0, &nearest, &distance));
}

TEST_F(ObjectPoints, OwnScaleRangeAtTheTableEnds) {
  TMapRsc& rsc = m.map.Rsc;
  EXPECT_EQ(rsc.GetScaleItem(15), o.TopScale(2000000000));
  EXPECT_EQ(15, o.Descriptor().Top());
  EXPECT_EQ(1, o.Descriptor().IsBotTop());
  EXPECT_EQ(rsc.GetScaleItem(0), o.BotScale(2000000000));
  EXPECT_EQ(0, o.Descriptor().Bot());
  EXPECT_EQ(rsc.GetScaleItem(0), o.BotScale(1));
  EXPECT_EQ(1, o.ClearBotTop());
  EXPECT_EQ(0, o.Descriptor().IsBotTop());
  EXPECT_EQ(rsc.GetScaleItem(rsc.GetObjTop(KIND_ROAD)), o.TopScale());
}

TEST_F(ObjectPoints, InsertPointCrossPutsTheCrossingIntoBothObjects) {
  // The geometry layer registered its finder when the program was loaded.
  ASSERT_NE(nullptr, ObjectCrossFinder());
  // o runs north on sheet 2; the other road runs east on sheet 1, whose
  // origin differs, and crosses it at (6012000, 7401000).
  TObjectInfo other;
  ASSERT_EQ(1, other.CreateObject(&m.map, 1, METRIC_I32, 0));
  ASSERT_EQ(1, other.DescribeObject(KIND_ROAD));
  const double k = m.map.Factor;
  ASSERT_EQ(1, o.AppendPointPlane(6011000, 7401000, 0));
  ASSERT_EQ(1, o.AppendPointPlane(6013000, 7401000, 0));
  ASSERT_EQ(1, other.AppendPointPlane(6012000, 7400000, 0));
  ASSERT_EQ(1, other.AppendPointPlane(6012000, 7403000, 0));
  o.Metric.ChangedFlag = other.Metric.ChangedFlag = 0;
  EXPECT_EQ(1, o.InsertPointCross(&other));
  for (TObjectInfo* x : {&o, &other}) {
    ASSERT_EQ(3, x->PointCount(0));
    EXPECT_NEAR(6012000, x->XPlane(2, 0), k / 100);
    EXPECT_NEAR(7401000, x->YPlane(2, 0), k / 100);
    EXPECT_EQ(1, x->Metric.ChangedFlag);
  }
  // The integer metric became floats to hold the crossing.
  EXPECT_EQ(METRIC_F32, other.Metric.Record->Ident);
  // Crossed again: the crossing is a vertex of both now.
  EXPECT_EQ(0, o.InsertPointCross(&other));

  EXPECT_EQ(0, o.InsertPointCross(nullptr));
  EXPECT_EQ(MAPERR_INPUT, o.GetError());
  EXPECT_EQ(0, o.InsertPointCross(&o));
  EXPECT_EQ(MAPERR_INPUT, o.GetError());
  // Without the finder the insertion is refused as a missing library.
  const OBJECTCROSSFINDER* finder = SetObjectCrossFinder(nullptr);
  EXPECT_EQ(0, o.InsertPointCross(&other));
  EXPECT_EQ(OBJECT_ERR_NOCROSSING, o.GetError());
  SetObjectCrossFinder(finder);
}
