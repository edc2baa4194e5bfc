// A host program's use of the exported classes: this test links the shared
// library alone, so every inline method it calls must compile on the host
// side against exported names only. It makes a classifier, a map with it
// and objects on the map, and reads them back.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "api/mapapi.h"
#include "classifier/maprsc.h"
#include "geometry/pointcross.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "tests/api/support/apimaps.h"

namespace {

namespace fs = std::filesystem;

const DWORD kRoad = 31120000;
const DWORD kLake = 31410000;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostLink : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::strcpy(reg_.Map.Name, "Host map");
    reg_.Map.Scale = 100000;
    apitest::SetSquareSheet(sheet_, "H1", 6000000, 7400000, 10000);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // A classifier with a line kind and an area kind; their numbers.
  void MakeClassifier(int* road, int* lake) {
    apitest::NewClassifier records("HOST");
    for (int i = 0; i < 16; ++i) records.palette.Colors[i] = TMapRsc::GetDefaultColor(i);
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.CreateRsc(Path("host.rsc").c_str(), &records.create, &records.palette, 0))
        << rsc.Error();
    ASSERT_EQ(1, rsc.IsActive());
    // The memory pool forwarders link and work too.
    EXPECT_NE(nullptr, rsc.GetMemoryBlock(16));
    int* numbers[] = {road, lake};
    const struct { DWORD code; int local; } kinds[] = {{kRoad, LOCAL_LINE}, {kLake, LOCAL_SQUARE}};
    for (int i = 0; i < 2; ++i) {
      RSCOBJ obj{};
      obj.Excode = kinds[i].code;
      obj.Local = WORD(kinds[i].local);
      std::strcpy(obj.Name, i == 0 ? "ROAD" : "LAKE");
      *numbers[i] = rsc.AppendObject(&obj, 1);
      ASSERT_GT(*numbers[i], 15);
      ASSERT_EQ(1, rsc.CreateDefaultView(*numbers[i]));
    }
    ASSERT_EQ(1, rsc.Save(1)) << rsc.Error();
    EXPECT_EQ(1, rsc.CloseRsc());
    EXPECT_EQ(0, rsc.IsActive());
    // Opened again, the kinds are there; a revert re-reads the file.
    ASSERT_EQ(1, rsc.OpenRsc(Path("host.rsc").c_str())) << rsc.Error();
    EXPECT_EQ(*lake, rsc.GetObjCount());
    EXPECT_EQ(*road, rsc.GetObjIncode(kRoad, LOCAL_LINE));
    EXPECT_EQ(1, rsc.Revert());
    EXPECT_EQ(*lake, rsc.GetObjCount());
  }

  // An object of the kind with the points (device units) on sheet 1.
  static int Append(TMap& map, DWORD code, int local, const DOUBLEPOINT* points, int count) {
    TObjectInfo object;
    if (!object.CreateObject(&map, 1, 0, 0) || !object.RegisterObject(LONG(code), local)) return 0;
    for (int i = 0; i < count; ++i)
      if (!object.Metric.AppendPointSubject(0, points[i].X, points[i].Y)) return 0;
    if (!map.OpenList(1)) return 0;
    return map.AppendObject(object.Desc, object.Metric.Record, object.Semn.Record(),
                            object.Draw.Record());
  }

  fs::path dir_ = fs::path(MC_TEST_TMP) / "api_host_link";
  // The host map's register: 1:100,000, one square sheet H1.
  TMapRegister reg_;
  LISTREGISTER& sheet_ = reg_.List.Register;
};

}  // namespace

TEST_F(HostLink, ClassifierMapAndObjectsThroughTheExportedClasses) {
  int road = 0, lake = 0;
  ASSERT_NO_FATAL_FAILURE(MakeClassifier(&road, &lake));

  {
    TMap map;
    ASSERT_EQ(1, map.CreateDataEx(Path("host.map").c_str(), Path("host.rsc").c_str(), &reg_.Map,
                                  &sheet_))
        << map.MapError.Error();
    const DOUBLEPOINT line[] = {{100, 100}, {900, 400}, {1500, 1200}};
    const DOUBLEPOINT area[] = {{300, 300}, {700, 300}, {700, 800}, {300, 300}};
    EXPECT_EQ(1, Append(map, kRoad, LOCAL_LINE, line, 3));
    EXPECT_EQ(2, Append(map, kLake, LOCAL_SQUARE, area, 4));
    // The journal and the text log of the map: an action is opened and
    // committed once only.
    EXPECT_EQ(1, map.CreateAction(1));
    EXPECT_EQ(1, map.CommitAction(0));
    EXPECT_EQ(0, map.CommitAction(0));
    EXPECT_NE(0, map.WriteToLog("HOST LINE", MAPLOG_REMARK));
    EXPECT_EQ(1, map.Save(1));
  }
  EXPECT_NE(std::string::npos, ReadText(dir_ / "LOG" / "host.map.LOG").find("HOST LINE"));

  TMap map;
  ASSERT_EQ(1, map.OpenData(Path("host.map").c_str(), 0)) << map.MapError.Error();
  EXPECT_STREQ("Host map", map.Name());
  ASSERT_EQ(1, map.Count());
  ASSERT_EQ(2, map.GetObjectCount(1));
  const struct { int kind; int local; int points; const char* name; } expected[] = {
      {road, LOCAL_LINE, 3, "ROAD"}, {lake, LOCAL_SQUARE, 4, "LAKE"}};
  for (int n = 1; n <= 2; ++n) {
    TObjectInfo object;
    ASSERT_NE(nullptr, object.Object(&map, 1, n)->Desc) << n;
    EXPECT_EQ(expected[n - 1].kind, object.ObjectCode()) << n;
    EXPECT_EQ(expected[n - 1].local, object.ObjectLocal()) << n;
    EXPECT_EQ(expected[n - 1].points, object.Metric.PointCount(0)) << n;
    EXPECT_STREQ(expected[n - 1].name, object.ObjectName());
    // The frame holds the points.
    EXPECT_LE(object.Desc->X1, 100 + (n - 1) * 200);
    EXPECT_GE(object.Desc->X2, 700);
  }
}

// The classifier functions on a map's classifier, and a copy between
// classifiers through the exported class.
TEST_F(HostLink, AMapsClassifierThroughTheFunctionsAndACopy) {
  int road = 0, lake = 0;
  ASSERT_NO_FATAL_FAILURE(MakeClassifier(&road, &lake));
  const HMAP hMap =
      mapCreateMapEx(Path("host.map").c_str(), Path("host.rsc").c_str(), &reg_.Map, &sheet_);
  ASSERT_NE(0, hMap);
  const HRSC hRsc = mapGetRscIdent(hMap, 0);
  ASSERT_NE(0, hRsc);
  EXPECT_EQ(0, mapGetRscIdent(hMap, hMap + 8));
  EXPECT_EQ(0, mapCloseRsc(hRsc));  // the map's own
  EXPECT_EQ(lake, mapGetRscObjectCount(hRsc));
  EXPECT_EQ(lake, mapRscObjectCount(hMap));
  EXPECT_EQ(road, mapRscObjectCode(hMap, LONG(kRoad), LOCAL_LINE));
  EXPECT_STREQ("LAKE", mapRscObjectNameInLayer(hMap, 0, mapRscObjectCountInLayer(hMap, 0)));

  // A kind the target has already comes back as its own number.
  TMap* map = MapOfHandle(hMap);
  TMapRsc target;
  ASSERT_EQ(1, target.OpenRsc(Path("host.rsc").c_str()));
  EXPECT_EQ(road, target.CopyObject(&map->Rsc, road, 0, &map->MapError));
  EXPECT_EQ(1, target.CopySemantic(&map->Rsc, 32800));
  EXPECT_EQ(0, target.CopySemantic(&map->Rsc, 9));  // neither has it

  mapCloseData(hMap);
  EXPECT_EQ(0, mapGetRscObjectCount(hRsc));  // gone with its map
}

// Names a host calls by the names it knows them by: the classifier's own
// name, an object's spline flags, the order of crossings by segment and the
// border of a plug-in image.
TEST_F(HostLink, NamesAHostCallsLink) {
  int road = 0, lake = 0;
  ASSERT_NO_FATAL_FAILURE(MakeClassifier(&road, &lake));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Path("host.rsc").c_str()));
  EXPECT_STREQ("HOST", rsc.Name());
  EXPECT_STREQ("host.rsc", rsc.FileName);

  TMap map;
  ASSERT_EQ(1, map.CreateDataEx(Path("host.map").c_str(), Path("host.rsc").c_str(), &reg_.Map,
                                &sheet_));
  TObjectInfo object;
  ASSERT_EQ(1, object.CreateObject(&map, 1, 0, 0));
  ASSERT_EQ(1, object.Metric.AppendPointSubject(0, 1, 2));
  EXPECT_EQ(4, object.SplineFlag(4));
  EXPECT_EQ(4, object.SplineFlag());

  POINTCROSS crossings[2] = {};
  crossings[0].First = 3;
  crossings[1].First = 1;
  TPointCross::SortPoint(crossings, 2);
  EXPECT_EQ(1, crossings[0].First);

  POLYDATA data{};
  IMGCONTEXT context{};
  FRAME frame{};
  EXPECT_EQ(0, llGetImageBorder(0, 1, &data, nullptr, &context, &frame));
}

