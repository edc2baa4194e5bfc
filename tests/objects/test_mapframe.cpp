// The sheet frame builder on a topographic map of 1:100 000 sheets at 55,
// 63 and 79 degrees in zone 7: point counts by latitude band, the corners
// and edge points, the questions it asks and what the answers give, the
// four-corner frame of other maps, and the map's check of a stored frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "objects/mapframe.h"
#include "objects/objectinfo.h"
#include "support/host_recorder.h"
#include "support/objfixture.h"

namespace {

constexpr double kDeg = 3.141592653589793 / 180;
constexpr double kMinute = kDeg / 60;

// Sheet n's register computed from its name in zone 7.
LISTREGISTER TopoSheet(const char* name) {
  TMapRegister reg;
  reg.Map.AxisMeridian = 39 * kDeg;
  char text[32];
  std::strcpy(text, name);
  EXPECT_EQ(reg.TopographicChartSheet(text, 100000, 1, nullptr), 1) << name;
  LISTREGISTER r = reg.List.Register;
  std::strcpy(r.Nomenclature, text);
  reg.List.NameFileFromNomenclature(r.FileName, sizeof(r.FileName), text);
  return r;
}

class MapFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    const std::string rsc = dir / "frame.rsc", path = dir / "frame.map";
    ASSERT_TRUE(objinfotest::WriteObjectClassifier(rsc));
    MAPREGISTEREX reg;
    ClearMapRegisterEx(&reg);
    reg.Scale = 100000;
    reg.AxisMeridian = 39 * kDeg;
    reg.DataProjection = 1;
    LISTREGISTER first = TopoSheet("0.N-37-004");
    ASSERT_EQ(map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &first), 1);
    for (const char* name : {"0.P-37-003", "0.T-37-005"}) {
      LISTREGISTER r = TopoSheet(name);
      ASSERT_EQ(map.CreateList(&r, 1), 1);
    }
    ASSERT_TRUE(map.ProjectionReady);
    code = map.Rsc.GetFrameCodeEx();
  }
  void TearDown() override {
    map.CloseData();
    MessageEnableSet(1);
  }
  LISTREGISTER& Register(int sheet) { return map.TMapPassport::List(sheet)->Register; }

  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMap map;
  LONG code = 0;
};

TEST_F(MapFrame, GeographicFramePointsByLatitude) {
  const struct {
    int sheet, points;
  } cases[] = {{1, 7}, {2, 11}, {3, 19}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sheet);
    TObjectInfo o;
    TMapFrame f;
    ASSERT_EQ(f.CreateFrameMap(&map, c.sheet, code, &o), 1);
    ASSERT_EQ(o.PointCount(0), c.points);
    EXPECT_EQ(f.PointCount, c.points);
    const LISTREGISTER& r = Register(c.sheet);
    const int k = (c.points - 5) / 2;
    // Corners, the closing point, then the edge points every 15'.
    const struct {
      int n;
      double b, l;
    } corners[] = {{1, r.BSouthWestCoordinate, r.LSouthWestCoordinate},
                   {2, r.BNorthWestCoordinate, r.LNorthWestCoordinate},
                   {k + 3, r.BNorthEastCoordinate, r.LNorthEastCoordinate},
                   {k + 4, r.BSouthEastCoordinate, r.LSouthEastCoordinate},
                   {c.points, r.BSouthWestCoordinate, r.LSouthWestCoordinate}};
    for (const auto& p : corners) {
      EXPECT_NEAR(o.BGeo(p.n, 0), p.b, 1e-9) << p.n;
      EXPECT_NEAR(o.LGeo(p.n, 0), p.l, 1e-9) << p.n;
    }
    for (int i = 1; i <= k; ++i) {
      EXPECT_NEAR(o.BGeo(2 + i, 0), r.BNorthWestCoordinate, 1e-9);
      EXPECT_NEAR(o.LGeo(2 + i, 0), r.LNorthWestCoordinate + i * 15 * kMinute, 1e-9);
      EXPECT_NEAR(o.BGeo(c.points - i, 0), r.BSouthWestCoordinate, 1e-9);
      EXPECT_NEAR(o.LGeo(c.points - i, 0), r.LSouthWestCoordinate + i * 15 * kMinute, 1e-9);
    }
  }

  // The band is that of the signed latitude: a sheet 30' wide at 64
  // degrees south lies below 60 degrees, with one point on each edge.
  LISTREGISTER& r = Register(2);
  r.BSouthWestCoordinate = r.BSouthEastCoordinate = -64 * kDeg;
  r.BNorthWestCoordinate = r.BNorthEastCoordinate = -(63 * kDeg + 40 * kMinute);
  r.LNorthEastCoordinate = r.LSouthEastCoordinate = r.LNorthWestCoordinate + 30 * kMinute;
  MessageEnableSet(1);
  mctest::RecordingMessageBox box(IDNO);
  TObjectInfo o;
  TMapFrame f;
  ASSERT_EQ(f.CreateFrameMap(&map, 2, code, &o), 1);
  EXPECT_EQ(o.PointCount(0), 7);
  EXPECT_NEAR(o.LGeo(3, 0), r.LNorthWestCoordinate + 15 * kMinute, 1e-9);
  EXPECT_TRUE(box.boxes().empty());
}

TEST_F(MapFrame, CornerSecondsRoundedByScale) {
  map.FrameKind(3);  // corners only, at any scale
  LISTREGISTER& r = Register(1);
  r.BSouthWestCoordinate += 12.34 / 3600 * kDeg;
  const double base = 55 * kDeg + 40 * kMinute;
  const struct {
    LONG scale;
    double seconds;
  } cases[] = {{5000, 12.3}, {10000, 12}, {100000, 12}};
  for (const auto& c : cases) {
    map.Scale(c.scale);
    TObjectInfo o;
    TMapFrame f;
    ASSERT_EQ(f.CreateFrameMap(&map, 1, code, &o), 1);
    EXPECT_EQ(o.PointCount(0), 5);
    EXPECT_NEAR(o.BGeo(1, 0), base + c.seconds / 3600 * kDeg, 1e-10) << c.scale;
  }
}

TEST_F(MapFrame, QuestionsAndTheirAnswers) {
  // A scale without a point table: Yes gives the five corners along the
  // parallels; No, and no question while boxes are off, the plane corners.
  map.Scale(300000);
  for (int answer : {int(IDYES), int(IDNO), 0}) {
    MessageEnableSet(answer != 0);
    mctest::RecordingMessageBox box(answer);
    TObjectInfo o;
    TMapFrame f;
    ASSERT_EQ(f.CreateFrameMap(&map, 1, code, &o), 1) << answer;
    EXPECT_EQ(o.PointCount(0), 5);
    ASSERT_EQ(box.boxes().size(), answer ? 1u : 0u);
    if (answer) {
      EXPECT_EQ(box.boxes()[0].text, "Topographic map scale error \n\nContinue data processing ?");
      EXPECT_EQ(box.boxes()[0].caption, "Create frame");
    }
  }
  map.Scale(100000);

  // An east edge that the north edge's steps miss (asked once, the south
  // edge being walked from the west corner): Yes goes on to a whole frame,
  // No gives the plane corners.
  Register(1).LNorthEastCoordinate += kMinute;
  Register(1).LSouthEastCoordinate += kMinute;
  MessageEnableSet(1);
  for (int answer : {int(IDYES), int(IDNO)}) {
    mctest::RecordingMessageBox box(answer);
    TObjectInfo o;
    TMapFrame f;
    ASSERT_EQ(f.CreateFrameMap(&map, 1, code, &o), 1);
    EXPECT_EQ(o.PointCount(0), answer == IDYES ? 7 : 5);
    ASSERT_EQ(box.boxes().size(), 1u);
    EXPECT_EQ(box.boxes()[0].text,
              "Geography coordinate pasport engle point error \n\nContinue data processing ?");
  }

  // Frame kind 4: nothing, not asked. Bad arguments: kind 7 or 4, asked.
  mctest::RecordingMessageBox box(IDNO);
  TObjectInfo o;
  TMapFrame f;
  map.FrameKind(4);
  EXPECT_EQ(f.CreateFrameMap(&map, 1, code, &o), 0);
  EXPECT_TRUE(box.boxes().empty());
  EXPECT_EQ(f.CreateFrameMap(nullptr, 1, code, &o), 0);
  EXPECT_EQ(f.ErrorKind, FRAMEERR_INPUT);
  EXPECT_EQ(f.CreateFrameMap(&map, 0, code, &o), 0);
  EXPECT_EQ(f.CreateFrameMap(&map, 9, code, &o), 0);
  EXPECT_EQ(f.ErrorKind, FRAMEERR_SHEET);
  EXPECT_EQ(box.boxes().size(), 3u);
  EXPECT_EQ(f.AppendFrame(), 0);
  EXPECT_THROW(TMapFrame(&map, 1, &o), int);
  EXPECT_EQ(TMapFrame().SetPointFrame(), 0);
}

TEST_F(MapFrame, OtherMapsGetThePlaneCorners) {
  map.MapType(5);
  TObjectInfo o;
  TMapFrame f(&map, 1, &o);
  ASSERT_EQ(o.PointCount(0), 5);
  const LISTREGISTER& r = Register(1);
  const double corners[5][2] = {{r.XSouthWest, r.YSouthWest},
                                {r.XNorthWest, r.YNorthWest},
                                {r.XNorthEast, r.YNorthEast},
                                {r.XSouthEast, r.YSouthEast},
                                {r.XSouthWest, r.YSouthWest}};
  for (int n = 1; n <= 5; ++n) {
    EXPECT_NEAR(o.XPlane(n, 0), corners[n - 1][0], 1e-6);
    EXPECT_NEAR(o.YPlane(n, 0), corners[n - 1][1], 1e-6);
  }
}

TEST_F(MapFrame, TheMapChecksItsStoredFrame) {
  ASSERT_EQ(map.OpenList(2), 1);
  EXPECT_EQ(map.GetAccordingProjection(), 0);  // no frame yet

  TObjectInfo o;
  TMapFrame f(&map, 2, code, &o);
  const int n = f.AppendFrame();
  ASSERT_GT(n, 0);
  EXPECT_EQ(map.GetAccordingProjection(), 1);

  // A corner moved by 0.2 m: no agreement.
  TObjectInfo stored;
  ASSERT_NE(stored.Object(&map, 2, n), nullptr);
  ASSERT_EQ(stored.UpdatePointPlane(stored.XPlane(3, 0) + 0.2, stored.YPlane(3, 0), 3), 1);
  ASSERT_GT(stored.Commit(1), 0);
  ASSERT_EQ(map.OpenList(2), 1);
  EXPECT_EQ(map.GetAccordingProjection(), 0);

  // A stored frame of the corners only against the expected 11 points:
  // the corners agree.
  map.FrameKind(3);
  TObjectInfo corners;
  TMapFrame(&map, 2, code, &corners).AppendFrame();
  map.FrameKind(2);
  ASSERT_EQ(map.OpenList(2), 1);
  EXPECT_EQ(map.GetAccordingProjection(), 1);
}

}  // namespace
