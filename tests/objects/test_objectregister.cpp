// The map object in the classifier: registration by code, key and index,
// series characteristics, reclassification, drawing objects, identity
// queries, point kinds and moving objects between maps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "objects/objectinfo.h"
#include "support/objfixture.h"

using namespace objinfotest;
using objtest::Metric;

namespace {

const Points kLine = {{10, 20}, {30, 40}, {50, 45}};

// The value of the first characteristic with the code; -1 when absent.
LONG Value(TObjectInfo& o, int code) {
  if (o.Semn.Record() == nullptr || o.Semn.Cursor()->FindCode(code) == nullptr) return -1;
  return o.Semn.Cursor()->CurrentValue()->LongValue();
}

int Count(TObjectInfo& o, int code) {
  int n = 0;
  if (o.Semn.Record() == nullptr) return 0;
  for (char* b = o.Semn.Cursor()->FindCode(code); b != nullptr;
       b = o.Semn.Cursor()->FindCodeNext(code))
    ++n;
  return n;
}

class ObjectRegister : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    ASSERT_EQ(1, o.CreateObject(&m.map, 1, 0, 0));
    ASSERT_EQ(1, o.Metric.AppendPointSubject(0, 1, 2));
  }
  ObjectMap m;
  TObjectInfo o;
};

}  // namespace

TEST_F(ObjectRegister, AnUnknownCodeMakesTheServiceObjectThatKeepsIt) {
  EXPECT_EQ(0, o.RegisterObject(12345, LOCAL_LINE));
  const int service = m.map.Rsc.GetServObjIncode(LOCAL_LINE);
  ASSERT_NE(0, service);
  EXPECT_EQ(service, o.ObjectCode());
  EXPECT_EQ(12345, Value(o, OBJECT_SEM_EXCODE));
  EXPECT_EQ(12345, o.ObjectExcode());

  // A known code afterwards takes the kind and drops the kept code.
  EXPECT_EQ(1, o.RegisterObject(700, LOCAL_SQUARE));
  EXPECT_EQ(std::make_tuple(KIND_LAKE, int(LOCAL_SQUARE), 2, 700),
            std::make_tuple(o.ObjectCode(), int(o.ObjectLocal()), o.SegmentNumber(), o.ObjectExcode()));
  EXPECT_EQ(-1, Value(o, OBJECT_SEM_EXCODE));
  // Scale range and the scaled-sign bit come from the kind.
  TObjectDesc d = o.Descriptor();
  EXPECT_EQ(std::make_tuple(3, 15 - 4, 1), std::make_tuple(int(d.Bot()), int(d.Top()), int(d.Scale())));

  // The same kind again: nothing to redefine.
  EXPECT_EQ(0, o.RedefineObject());
  EXPECT_EQ(KIND_LAKE, o.ObjectCode());

  // The kept code is given back with its removal.
  EXPECT_EQ(0, o.RegisterObject(4444, LOCAL_POINT));
  EXPECT_EQ(4444, o.GetObjectExcodeAndDelete());
  EXPECT_EQ(-1, Value(o, OBJECT_SEM_EXCODE));
}

TEST_F(ObjectRegister, RegistrationNeedsAnOpenMapAndADescriptor) {
  TObjectInfo bare;
  EXPECT_EQ(0, bare.RegisterObject(700, LOCAL_SQUARE) + bare.DescribeObject(KIND_LAKE) +
                   bare.RedefineObject() + bare.RegisterObjectByKey("S0000000700"));
  o.DeleteData();
  EXPECT_EQ(0, o.RegisterObject(700, LOCAL_SQUARE) + o.DescribeObject(KIND_LAKE) + o.ObjectCode());
  EXPECT_STREQ("", o.ObjectName());
}

TEST_F(ObjectRegister, TextEntriesFollowTheLocalType) {
  ASSERT_EQ(0, o.Metric.TextFlag);
  EXPECT_EQ(1, o.RegisterObject(900, LOCAL_TITLE));
  EXPECT_EQ(KIND_LABEL, o.ObjectCode());
  EXPECT_EQ(1, o.Metric.TextFlag);
  EXPECT_EQ(1, o.Metric.PointCount(0));
  EXPECT_EQ(1, o.DescribeObject(KIND_ROAD));
  EXPECT_EQ(0, o.Metric.TextFlag);
  EXPECT_EQ(LOCAL_LINE, o.ObjectLocal());
}

TEST_F(ObjectRegister, TheSheetFrameGetsDoublePoints) {
  const LONG frame = m.map.Rsc.GetObjExcode(OBJECT_SERVICE_FRAME);
  EXPECT_EQ(1, o.RegisterObject(frame, LOCAL_LINE));
  EXPECT_EQ(OBJECT_SERVICE_FRAME, o.ObjectCode());
  EXPECT_EQ(METRIC_F64, o.Metric.Record->Ident);
  EXPECT_DOUBLE_EQ(1.0, o.Metric.XNDouble(1));
}

TEST_F(ObjectRegister, SeriesCharacteristicsFollowTheKind) {
  // A kind of the series gets its limit characteristic with the default.
  EXPECT_EQ(1, o.DescribeObject(KIND_ROAD));
  EXPECT_EQ(KIND_ROAD, o.ObjectCode());
  EXPECT_EQ(1, o.SegmentNumber());
  EXPECT_EQ(5, Value(o, SEM_WIDTH));

  // The other member rewrites it with its own default.
  ASSERT_NE(nullptr, o.Semn.Append(SEM_NAME, 1));
  EXPECT_EQ(1, o.DescribeObject(KIND_ROAD_WIDE));
  EXPECT_EQ(15, Value(o, SEM_WIDTH));
  EXPECT_EQ(1, Count(o, SEM_WIDTH));
  EXPECT_EQ(1, Value(o, SEM_NAME));

  // A kind without series leaves the characteristic alone.
  EXPECT_EQ(1, o.DescribeObject(KIND_LAKE));
  EXPECT_EQ(15, Value(o, SEM_WIDTH));

  // The semantics select the member: width 5 is the narrow road.
  TObjectInfo road;
  ASSERT_EQ(1, road.CreateObject(&m.map, 1, 0, 0));
  ASSERT_EQ(1, road.RegisterObject(600, LOCAL_LINE));
  ASSERT_EQ(KIND_ROAD, road.ObjectCode());
  ASSERT_NE(nullptr, road.Semn.Append(SEM_WIDTH, 15));
  EXPECT_EQ(1, road.RedefineObject());
  EXPECT_EQ(KIND_ROAD_WIDE, road.ObjectCode());
  EXPECT_EQ(0, road.RedefineObject());
  road.Semn.Cursor()->FindCode(SEM_WIDTH);
  road.Semn.DeleteCurrent();
  ASSERT_NE(nullptr, road.Semn.Append(SEM_WIDTH, 5));
  EXPECT_EQ(1, road.RedefineObject());
  EXPECT_EQ(KIND_ROAD, road.ObjectCode());

  // A drawing object's code is not known: it stays as it is.
  TObjectInfo drawing;
  ASSERT_EQ(1, drawing.CreateObject(&m.map, 1, 0, 0));
  ASSERT_NE(nullptr, drawing.Semn.Append(SEM_NAME, 1));
  EXPECT_EQ(0, drawing.RedefineObject());
  EXPECT_EQ(0, drawing.ObjectCode());
}

TEST_F(ObjectRegister, ARedefinedObjectKeepsItsOwnScaleRange) {
  ASSERT_EQ(1, o.RegisterObject(600, LOCAL_LINE));
  TObjectDesc d = o.Descriptor();
  d.IsBotTop(1);
  o.Desc->Scales = 0x57;
  ASSERT_NE(nullptr, o.Semn.Append(SEM_WIDTH, 15));
  EXPECT_EQ(1, o.RedefineObject());
  EXPECT_EQ(0x57, o.Desc->Scales);
  o.Semn.Cursor()->FindCode(SEM_WIDTH);
  o.Semn.DeleteCurrent();
  ASSERT_NE(nullptr, o.Semn.Append(SEM_WIDTH, 5));
  d.IsBotTop(0);
  EXPECT_EQ(1, o.RedefineObject());
  EXPECT_EQ(0x00, o.Desc->Scales);  // the classifier's full range: 0 .. 15
}

TEST_F(ObjectRegister, ByKey) {
  const std::string key = rsctest::KeyOf(LOCAL_SQUARE, 700);
  EXPECT_EQ(1, o.RegisterObjectByKey(key.c_str()));
  EXPECT_EQ(KIND_LAKE, o.ObjectCode());
  EXPECT_EQ(-1, Value(o, OBJECT_SEM_RSCKEY));

  // An unknown key is kept and the object becomes the service object of
  // its local type.
  EXPECT_EQ(1, o.RegisterObjectByKey("NO SUCH KEY THAT IS LONGER THAN THIRTY-TWO"));
  EXPECT_EQ(m.map.Rsc.GetServObjIncode(LOCAL_SQUARE), o.ObjectCode());
  ASSERT_NE(nullptr, o.Semn.Cursor()->FindCode(OBJECT_SEM_RSCKEY));
  char text[64];
  o.Semn.SemanticValue(OBJECT_SEM_RSCKEY, text, sizeof(text));
  EXPECT_STREQ("NO SUCH KEY THAT IS LONGER THAN ", text);
  EXPECT_EQ(1, o.RegisterObjectByKey("OTHER"));
  EXPECT_EQ(1, Count(o, OBJECT_SEM_RSCKEY));
  EXPECT_EQ(0, o.RegisterObjectByKey(nullptr));
}

TEST_F(ObjectRegister, DrawingObjects) {
  ASSERT_EQ(1, o.RegisterObject(900, LOCAL_TITLE));
  EXPECT_EQ(0, o.RegisterDrawObject(-1, LOCAL_LINE) + o.RegisterDrawObject(2, -1));
  EXPECT_EQ(1, o.RegisterDrawObject(3, LOCAL_SQUARE));
  EXPECT_EQ(std::make_tuple(0, 3, int(LOCAL_SQUARE), 0, 0),
            std::make_tuple(o.ObjectCode(), o.SegmentNumber(), int(o.ObjectLocal()),
                            o.Metric.TextFlag, o.ObjectExcode()));

  // Its name is characteristic 9 when that holds a text.
  EXPECT_STREQ("", o.ObjectName());
  ASSERT_NE(nullptr, o.Semn.AppendString(SEM_NAME, "Pond", SEMTYPE_ANSI, 255));
  EXPECT_STREQ("Pond", o.ObjectName());
}

TEST_F(ObjectRegister, IdentityQueries) {
  ASSERT_EQ(1, o.RegisterObject(600, LOCAL_LINE));
  EXPECT_EQ(std::string("ROAD/LAYER 1/S1"),
            std::string(o.ObjectName()) + "/" + o.SegmentName() + "/" + o.ListName());
  o.Desc->Key = 0x00020003;
  EXPECT_EQ(0x00020003u, o.ObjectKey());
}

TEST_F(ObjectRegister, PointKinds) {
  EXPECT_EQ(int(METRIC_F64H), o.ChangeKind(METRIC_F64H));
  EXPECT_NE(0, o.Desc->Flags & FVSPR_3D);
  EXPECT_EQ(int(METRIC_F32), o.ChangeKind(METRIC_F32));
  EXPECT_EQ(0, o.Desc->Flags & FVSPR_3D);
  EXPECT_DOUBLE_EQ(2.0, o.Metric.YNDouble(1));

  // A user map keeps doubles, with or without heights.
  ObjectMap user(true, 1, "user");
  ASSERT_TRUE(user.ok());
  TObjectInfo u;
  ASSERT_EQ(1, u.CreateObject(&user.map, 1, 0, 0));
  ASSERT_EQ(1, u.Metric.AppendPointSubject(0, 1, 2));
  EXPECT_EQ(int(METRIC_F64), u.ChangeKind(METRIC_U16));
  EXPECT_EQ(int(METRIC_F64H), u.ChangeKind(METRIC_F32H));
  EXPECT_EQ(int(METRIC_I32), u.ChangeKind(METRIC_I32));
}

// The spline flags set as a whole word: smoothing before the envelope,
// other bits cleared, but never the width bit of the point counts, which
// says how the record's contours are stored.
TEST_F(ObjectRegister, SplineFlagsSetTheWordButKeepTheCountWidth) {
  EXPECT_EQ(0, o.SplineFlag());
  o.Metric.Record->Flags = 0x10;
  o.Metric.ChangedFlag = 0;
  EXPECT_EQ(2, o.SplineFlag(6));
  EXPECT_EQ(2, o.Metric.Record->Flags);
  EXPECT_EQ(1, o.Metric.ChangedFlag);
  EXPECT_EQ(4, o.SplineFlag(4));
  EXPECT_EQ(4, o.Metric.Record->Flags);
  EXPECT_EQ(4, o.SplineFlag(1));  // neither spline bit: left as it is
  EXPECT_EQ(4, o.Metric.Record->Flags);

  // Past 65,000 points the counts are 32-bit.
  while (o.Metric.PointCount(0) < 65100)
    ASSERT_EQ(1, o.Metric.AppendPointSubject(0, o.Metric.PointCount(0), 2));
  ASSERT_NE(0, o.Metric.Record->Flags & METRIC_LONG_COUNTS);
  EXPECT_EQ(2, o.SplineFlag(2));
  EXPECT_EQ(METRIC_LONG_COUNTS | METRIC_FLAG_SMOOTH, int(o.Metric.Record->Flags));
  EXPECT_EQ(65100, o.Metric.PointCount(0));
  EXPECT_DOUBLE_EQ(65099.0, o.Metric.XNDouble(65100));

  TObjectInfo empty;
  EXPECT_EQ(0, empty.SplineFlag(2));
  EXPECT_EQ(0, empty.SplineFlag());
}

TEST_F(ObjectRegister, MovingToAnotherMapKeepsPlaneCoordinates) {
  ObjectMap other(false, 1, "other"), user(true, 1, "user");
  ASSERT_TRUE(other.ok() && user.ok());
  const int n = m.Append(2, LOCAL_LINE, KIND_ROAD, Metric(METRIC_F32, {kLine}),
                         IntSemantics({{SEM_WIDTH, 5}}));
  ASSERT_GT(n, 0);
  TObjectInfo road;
  road.Object(&m.map, 2, n);
  ASSERT_NE(0u, road.ObjectKey());
  const double px = (road.Metric.XNDouble(2) + road.Origin.X) * m.map.Factor + m.map.X0;
  const double py = (road.Metric.YNDouble(2) + road.Origin.Y) * m.map.Factor + m.map.Y0;

  TMap closed;
  EXPECT_EQ(0, road.ChangeMap(&closed));
  EXPECT_EQ(0, road.ChangeMap(nullptr));
  EXPECT_EQ(n, road.ObjectNumber());

  ASSERT_EQ(1, road.ChangeMap(&other.map));
  EXPECT_EQ(&other.map, road.GetMap());
  EXPECT_EQ(std::make_tuple(0, 1, 0u, KIND_ROAD, 1),
            std::make_tuple(road.ObjectNumber(), road.ListNumber(), DWORD(road.Desc->Key),
                            road.ObjectCode(), road.Metric.ChangedFlag));
  EXPECT_NEAR(px, (road.Metric.XNDouble(2) + road.Origin.X) * other.map.Factor + other.map.X0, 0.01);
  EXPECT_NEAR(py, (road.Metric.YNDouble(2) + road.Origin.Y) * other.map.Factor + other.map.Y0, 0.01);

  ASSERT_EQ(1, road.ChangeMap(&user.map));
  EXPECT_EQ(METRIC_F64, road.Metric.Record->Ident);
  EXPECT_NEAR(px, road.Metric.XNDouble(2), 0.01);
  EXPECT_NEAR(py, road.Metric.YNDouble(2), 0.01);
  EXPECT_EQ(3, road.Metric.PointCount(0));
  EXPECT_EQ(5, Value(road, SEM_WIDTH));

  // The same map: only the number goes.
  road.ObjectNumber(4);
  EXPECT_EQ(1, road.ChangeMap(&user.map));
  EXPECT_EQ(0, road.ObjectNumber());
}

TEST_F(ObjectRegister, AKeptCodeSurvivesAMoveToAMapThatLacksItToo) {
  ObjectMap other(false, 1, "other");
  ASSERT_TRUE(other.ok());
  ASSERT_EQ(0, o.RegisterObject(12345, LOCAL_LINE));
  ASSERT_EQ(12345, o.ObjectExcode());
  ASSERT_EQ(1, o.ChangeMap(&other.map));
  EXPECT_EQ(other.map.Rsc.GetServObjIncode(LOCAL_LINE), o.ObjectCode());
  EXPECT_EQ(12345, o.ObjectExcode());
  EXPECT_EQ(12345, Value(o, OBJECT_SEM_EXCODE));
}
