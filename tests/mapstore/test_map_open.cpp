// The map object: opening with logs, creating (never over the files an
// open map holds), temporary maps, sheets, borders, the key table and the
// group file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/keytable.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/host_recorder.h"
#include "support/mapbuilder.h"
#include "support/rscbuilder.h"
#include "support/writerprocess.h"

using mctest::MapBuilder;
using mctest::MapScratch;

namespace {

// A classifier of 15 objects whose identification matches the fixture's
// key table.
rsctest::Bytes Classifier() {
  rsctest::Builder b = rsctest::Builder::Minimal();
  b.head.style = 0x0302ABCD;
  return b.Build();
}

MapBuilder FixtureMap() {
  MapBuilder m;
  m.keyCodes.assign(16, 0);
  for (int i = 1; i <= 15; ++i) m.keyCodes[i] = 1000 + i;
  return m;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    ASSERT_TRUE(rsctest::WriteBytes(dir / "map.rsc", Classifier()));
  }
  void TearDown() override {
    MessageEnableSet(1);
    GroupAccessSet(0);
  }
  std::string WriteFixture(const MapBuilder& m = FixtureMap()) {
    m.Write(dir, "map.map");
    return dir / "map.map";
  }
  static MAPREGISTEREX MapRegister(int scale, int userMap) {
    MAPREGISTEREX r;
    ClearMapRegisterEx(&r);
    std::strcpy(r.Name, "Created  ");
    r.Scale = scale;
    r.IsRealPlace = userMap;
    return r;
  }
  // Creates `name` in the folder with one sheet `base` of `size` metres at
  // (x, y) on the fixture classifier.
  void Create(TMap& map, const std::string& name, int scale, const char* base, double x = 6000000,
              double y = 7400000, double size = 10000) {
    MAPREGISTEREX reg = MapRegister(scale, 0);
    LISTREGISTER sheet = SheetRegister(base, x, y, size);
    ASSERT_EQ(1, map.CreateDataEx((dir / name).c_str(), "map.rsc", &reg, &sheet))
        << map.MapError.Error();
  }
  static LISTREGISTER SheetRegister(const char* base, double x, double y, double size) {
    TListRegister reg;
    std::strcpy(reg.Register.FileName, base);
    std::strcpy(reg.Register.Nomenclature, base);
    LISTREGISTER& r = reg.Register;
    r.XSouthWest = x, r.YSouthWest = y;
    r.XNorthWest = x + size, r.YNorthWest = y;
    r.XNorthEast = x + size, r.YNorthEast = y + size;
    r.XSouthEast = x, r.YSouthEast = y + size;
    return r;
  }

  MapScratch dir{MC_TEST_TMP};
};

}  // namespace

TEST_F(MapTest, OpenWritesTheLogsAndCloseAddsTheCloseLine) {
  const std::string name = WriteFixture();
  TMap map;
  ASSERT_EQ(1, map.OpenData(name.c_str(), 0)) << map.MapError.Error();
  EXPECT_TRUE(map.IsWritable());
  EXPECT_EQ(1, map.Count());
  EXPECT_EQ(1, map.Rsc.IsActive());
  EXPECT_TRUE(dir.Exists("LOG/map.map.TAC"));
  ASSERT_TRUE(dir.Exists("LOG/map.map.LOG"));
  EXPECT_TRUE(Contains(dir.Read("LOG/map.map.LOG"), "OPEN MAP. "));
  EXPECT_EQ(1, map.OpenList(1));
  map.CloseData();
  EXPECT_FALSE(map.IsActive());
  EXPECT_TRUE(Contains(dir.Read("LOG/map.map.LOG"), "CLOSE MAP.   "));

  ASSERT_EQ(1, map.OpenData(name.c_str(), int(0x80000000u)));
  EXPECT_FALSE(map.IsWritable());
}

TEST_F(MapTest, HostHandlesFindOnlyLiveMapsAndTheirJournals) {
  const std::string name = WriteFixture();
  auto map = std::make_unique<TMap>();
  ASSERT_EQ(1, map->OpenData(name.c_str(), 0));
  const HMAP handle = reinterpret_cast<HMAP>(map.get());
  EXPECT_EQ(map.get(), FindLiveMap(handle, 0));
  EXPECT_EQ(map.get(), FindLiveMap(handle, static_cast<HSITE>(handle)));
  EXPECT_EQ(nullptr, FindLiveMap(handle, 12345));
  EXPECT_EQ(&map->Log, FindMapLog(handle, 0));
  EXPECT_EQ(nullptr, FindMapLog(handle, handle + 8));
  // A handle that is no map, and one of a map that is gone, find nothing.
  char foreign[64] = {};
  EXPECT_EQ(nullptr, FindMapLog(reinterpret_cast<HMAP>(foreign), 0));
  map.reset();
  EXPECT_EQ(nullptr, FindMapLog(handle, 0));
  EXPECT_EQ(nullptr, FindLiveMap(handle, 0));
}

TEST_F(MapTest, OpenFailuresLeaveTheMapClosed) {
  TMap map;
  EXPECT_EQ(0, map.OpenData((dir / "none.map").c_str(), 0));
  EXPECT_EQ(MAPERR_OPEN, map.MapError.Error());
  EXPECT_FALSE(map.IsActive());
  EXPECT_FALSE(map.MapError.IsOpen());

  const std::string name = WriteFixture();
  dir.Write("map.rsc", "RSC damaged");
  EXPECT_EQ(0, map.OpenData(name.c_str(), 0));
  EXPECT_NE(0, map.MapError.Error());
  EXPECT_FALSE(map.IsActive());
  EXPECT_FALSE(map.Rsc.IsActive());
  EXPECT_EQ(nullptr, map.Lists);
  // The log tells why.
  EXPECT_TRUE(Contains(dir.Read("LOG/map.map.LOG"), ">>>> "));
}

TEST_F(MapTest, KeyTableMatchingIsKeptMissingIsWritten) {
  const std::string name = WriteFixture();
  const std::string before = dir.Read("map.map");
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
  }
  EXPECT_EQ(before, dir.Read("map.map"));

  // Without a table (the passport's offset 0), one is built on open.
  MapBuilder m = FixtureMap();
  std::string bytes = m.Bytes();
  mctest::Put32(bytes, 816, 0);
  bytes.resize(848 + 1728);
  dir.Write("map.map", bytes);
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
    TMapKeyTable table;
    ASSERT_EQ(1, table.Read(&map, 1));
    EXPECT_EQ(15, table.Head.Count);
    EXPECT_EQ(91000000u, table.Key(15));
    EXPECT_EQ(0u, table.Key(16));
  }
  const std::string after = dir.Read("map.map");
  EXPECT_EQ(848u + 1728 + 48 + 64, after.size());
  EXPECT_EQ(848u + 1728, mctest::Get32(after, 816));
  EXPECT_EQ(48u + 64, mctest::Get32(after, 820));
}

TEST_F(MapTest, BordersAndDeviceUnits) {
  TMap map;
  Create(map, "new.map", 100000, "S1");
  EXPECT_STREQ("Created", map.Name());
  const LISTDESC* list = map.TMapPassport::List(1);
  EXPECT_DOUBLE_EQ(6000000 - 250, list->Corner[0].X);
  EXPECT_DOUBLE_EQ(7400000 - 250, list->Corner[0].Y);
  EXPECT_DOUBLE_EQ(6010000, list->Corner[1].X);
  EXPECT_DOUBLE_EQ(6000000 - 250 - 500, map.X1());
  EXPECT_DOUBLE_EQ(6010000 + 500, map.X2());
  EXPECT_DOUBLE_EQ(7410000, map.Y2());

  // Device units: plane = (stored + view) x factor + origin, and back.
  EXPECT_DOUBLE_EQ(100000.0 / 20000, map.Factor);
  const DOUBLEPOINT* view = map.ViewPosition(1);
  ASSERT_NE(nullptr, view);
  const double x = 6003000, y = 7405000;
  const double dx = (x - map.X0) / map.Factor - view->X;
  const double dy = (y - map.Y0) / map.Factor - view->Y;
  EXPECT_GT(dx, 0);
  EXPECT_NEAR(x, (dx + view->X) * map.Factor + map.X0, 1e-6);
  EXPECT_NEAR(y, (dy + view->Y) * map.Factor + map.Y0, 1e-6);
  EXPECT_DOUBLE_EQ(6400.0, (6000000 - map.X0) / map.Factor - view->X);

  EXPECT_EQ(2000, map.Scale(0));
  EXPECT_EQ(0.0, [] { TMap m; m.Passport.Register.EllipsoideKind = 10; return m.BigAxis(); }());
  map.Scale(1000000);
  map.CreateListBorder(1);
  EXPECT_DOUBLE_EQ(6000000 - 5000, list->Corner[0].X);
  map.CreateMapBorder();
  EXPECT_DOUBLE_EQ(6000000 - 5000 - 10000, map.X1());
  map.Scale(25000);
  map.CreateListBorder(1);
  EXPECT_DOUBLE_EQ(6000000, list->Corner[0].X);
}

// A map frame in the passport that no device unit holds (huge, or not a
// number at all) opens with a device frame at the bounds of 32 bits, 0 for
// what is no number; a map kept in plane metres alike.
TEST_F(MapTest, AFrameBeyondTheDeviceUnitsOpensAtTheirBounds) {
  for (int realPlace : {0, 1}) {
    SCOPED_TRACE(realPlace);
    {
      TMap map;
      Create(map, "far.map", 100000, "S1");
      map.Passport.Register.IsRealPlace = realPlace;
      map.PassportChanged = 1;
      ASSERT_EQ(1, map.Save(0));
    }
    std::string file = dir.Read("far.map");
    ASSERT_GE(file.size(), 80u);
    const double frame[4] = {std::nan(""), -1e300, 1e300, 5e9};  // X1, Y1, X2, Y2 in tenths
    std::memcpy(&file[48], frame, sizeof frame);
    dir.Write("far.map", file);
    TMap map;
    ASSERT_EQ(1, map.OpenData((dir / "far.map").c_str(), 0)) << map.MapError.Error();
    EXPECT_EQ(INT32_MAX, map.DeviceFrame[0]);
    EXPECT_EQ(INT32_MAX, map.DeviceFrame[1]);
    EXPECT_EQ(0, map.DeviceFrame[2]);
    EXPECT_EQ(INT32_MIN, map.DeviceFrame[3]);
  }
}

TEST_F(MapTest, CreatedMapReopensAndCopiesAClassifierGivenByPath) {
  MapScratch other{MC_TEST_TMP};
  ASSERT_TRUE(rsctest::WriteBytes(other / "given.rsc", Classifier()));
  const std::string name = dir / "sub/created.map";
  MAPREGISTEREX reg = MapRegister(50000, 0);
  LISTREGISTER sheet = SheetRegister("A1", 6000000, 7400000, 5000);
  GroupAccessSet(1);
  {
    TMap map;
    ASSERT_EQ(1, map.CreateDataEx(name.c_str(), (other / "given.rsc").c_str(), &reg, &sheet));
    EXPECT_EQ(1, map.Groups.IsOpen());
  }
  EXPECT_TRUE(dir.Exists("sub/given.rsc"));
  EXPECT_TRUE(dir.Exists("sub/A1.HDR"));
  EXPECT_EQ(16448u, dir.Read("sub/LOG/created.GDX").size());
  TMap map;
  ASSERT_EQ(1, map.OpenData(name.c_str(), 0)) << map.MapError.Error();
  EXPECT_EQ(1, map.Count());
  EXPECT_STREQ("A1", map.Nomenclature(1));
  EXPECT_STREQ("given.rsc", map.NameRSC());
  EXPECT_EQ(1, map.Groups.IsOpen());
}

TEST_F(MapTest, TemporaryMapIsGoneAfterClosing) {
  const std::string rsc = dir / "map.rsc";
  TMap map;
  ASSERT_EQ(1, map.CreateTempMap(rsc.c_str())) << map.MapError.Error();
  EXPECT_EQ(1, map.IsTemporary());
  EXPECT_TRUE(dir.Exists("map.rsc.SIT"));
  EXPECT_EQ(0, map.WorkMode(1));
  map.CloseData();
  EXPECT_FALSE(dir.Exists("map.rsc.SIT"));
  EXPECT_FALSE(dir.Exists("map.rsc.SHD"));
  EXPECT_TRUE(dir.Exists("map.rsc"));
  EXPECT_FALSE(dir.Exists("LOG"));
}

TEST_F(MapTest, DeletingTheMiddleSheetRenumbers) {
  const std::string name = dir / "three.map";
  LISTREGISTER s2 = SheetRegister("S2", 6010000, 7400000, 10000);
  LISTREGISTER s3 = SheetRegister("S3", 6020000, 7400000, 10000);
  TMap map;
  Create(map, "three.map", 100000, "S1");
  ASSERT_EQ(1, map.CreateList(&s2, 1));
  ASSERT_EQ(1, map.CreateList(&s3, 1));
  EXPECT_DOUBLE_EQ(6030000, map.X2());  // later sheets add no margin up north
  EXPECT_EQ(3, map.FindListByNomenclature("s3"));
  ASSERT_EQ(1, map.DeleteList(2, 0));
  EXPECT_EQ(2, map.Count());
  EXPECT_STREQ("S1", map.Nomenclature(1));
  EXPECT_STREQ("S3", map.Nomenclature(2));
  EXPECT_EQ(2, map.TMapPassport::List(2)->Number);
  EXPECT_EQ(0, map.DeleteList(3, 0));
  EXPECT_STREQ("", map.Nomenclature(5));
  EXPECT_TRUE(dir.Exists("S2.HDR"));
  map.CloseData();

  ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
  EXPECT_EQ(2, map.Count());
  EXPECT_STREQ("S3", map.Nomenclature(2));
  EXPECT_EQ(1, map.OpenList(2));
}

TEST_F(MapTest, AppendRefusesAnotherScale) {
  TMap one, two;
  Create(one, "one.map", 100000, "S1");
  Create(two, "two.map", 50000, "T1", 6010000);
  EXPECT_EQ(0, one.Append(&two, nullptr));
  two.Scale(100000);
  ASSERT_EQ(1, one.Append(&two, nullptr));
  EXPECT_EQ(2, one.Count());
  EXPECT_STREQ("T1", one.Nomenclature(2));
  EXPECT_EQ(1, one.OpenList(2));
}

TEST_F(MapTest, DamagedGroupFileIsRestoredOnOpen) {
  const std::string name = WriteFixture();
  GroupAccessSet(1);
  dir.Write("LOG/map.GDX", "GDX damaged");
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes(IDYES);
  TMap map;
  ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
  EXPECT_EQ(1, map.Groups.IsOpen());
  EXPECT_EQ(16448u, dir.Read("LOG/map.GDX").size());
  ASSERT_GE(boxes.boxes().size(), 2u);
  EXPECT_EQ("Open file failure", boxes.boxes().back().caption);
}

TEST_F(MapTest, ChangedClassifierAsksAndARefusalChangesNothing) {
  MapBuilder m;  // a stored table of 3 objects against a classifier of 15
  const std::string name = WriteFixture(m);
  const std::string before = dir.Read("map.map");
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes(IDNO);
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
    EXPECT_EQ(0, map.RelinkFlag);
  }
  ASSERT_EQ(1u, boxes.boxes().size());
  EXPECT_EQ("Classificator is changed", boxes.boxes()[0].caption);
  EXPECT_TRUE(Contains(boxes.boxes()[0].text, name));
  EXPECT_EQ(before, dir.Read("map.map"));

  // A read-only map is never asked.
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(name.c_str(), int(0x80000000u)));
  }
  EXPECT_EQ(1u, boxes.boxes().size());
}

TEST_F(MapTest, AnEmptyWritableSheetIsClosedWithOneDeletedPolygon) {
  const std::string name = dir / "empty.map";
  TMap map;
  Create(map, "empty.map", 100000, "S1");
  ASSERT_EQ(1, map.OpenList(1));
  ASSERT_EQ(1, map.List.CreateDataFile());
  map.CloseData();

  ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  ASSERT_EQ(1, map.List.Count());
  const FVSPR* placeholder = map.List.ObjectDesc(1);
  ASSERT_NE(nullptr, placeholder);
  EXPECT_EQ(LOCAL_POLYGON, FvsprLocal(placeholder));
  EXPECT_TRUE(FvsprIsDeleted(placeholder));
  EXPECT_EQ(0u, placeholder->DataOffset | placeholder->SemnOffset | placeholder->DrawOffset);
  map.CloseData();

  // A sheet that has an object gets nothing more.
  ASSERT_EQ(1, map.OpenData(name.c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_EQ(1, map.List.Count());
}

TEST_F(MapTest, MapInfoIsReadWithoutKeepingTheMapOpen) {
  const std::string name = dir / "info.map";
  {
    TMap map;
    Create(map, "info.map", 50000, "N-37-1");
  }
  TMap map;
  TMapRegister info;
  EXPECT_EQ(0, map.GetMapInfoByName(nullptr, 1, &info));
  EXPECT_EQ(0, map.GetMapInfoByName(name.c_str(), 1, nullptr));
  EXPECT_EQ(0, map.GetMapInfoByName((dir / "missing.map").c_str(), 1, &info));
  ASSERT_NE(0, map.GetMapInfoByName(name.c_str(), 1, &info));
  EXPECT_EQ(50000, info.Map.Scale);
  EXPECT_STREQ("N-37-1", info.List.Register.Nomenclature);
  EXPECT_FALSE(map.IsOpen());
  // The file is closed: it can be deleted.
  EXPECT_TRUE(plat::DeleteFileA(name.c_str()));
}

// A map that is open holds its files: no other map is made over its map
// file, its classifier, its sheet files or its group file, however the
// name is spelled, and nothing at all is written then.
TEST_F(MapTest, NoMapIsMadeOverTheFilesAnOpenMapHolds) {
  GroupAccessSet(1);
  TMap open;
  Create(open, "open.map", 100000, "A1");
  TMap user;
  MAPREGISTEREX userReg = MapRegister(100000, 1);
  LISTREGISTER userSheet = SheetRegister("U1", 6000000, 7400000, 1000);
  ASSERT_EQ(1, user.CreateDataEx((dir / "map.rsc.SIT").c_str(), "map.rsc", &userReg, &userSheet));
  MapScratch other{MC_TEST_TMP};
  ASSERT_TRUE(rsctest::WriteBytes(other / "map.rsc", Classifier()));
  ASSERT_EQ(plat::CreateDirectoryA((dir / "sub").c_str(), nullptr), TRUE);
  ASSERT_EQ(::link((dir / "open.map").c_str(), (dir / "link.map").c_str()), 0);
  const writertest::FolderFiles before = writertest::Snapshot(dir.path());

  auto refused = [&](const std::string& name, const char* rsc, const char* base, int userMap) {
    TMap made;
    MAPREGISTEREX reg = MapRegister(100000, userMap);
    LISTREGISTER sheet = SheetRegister(base, 6000000, 7400000, 10000);
    const int created = made.CreateDataEx(name.c_str(), rsc, &reg, &sheet);
    EXPECT_EQ(created, 0) << name;
    EXPECT_EQ(made.MapError.Error(), MAPERR_OPEN) << name;
  };
  // The map file, by its name, another spelling and a second link.
  for (const std::string& name : {dir / "open.map", dir / "sub/../open.map", dir / "link.map"})
    refused(name, "map.rsc", "B1", 0);
  // A new map whose sheet would take the open map's sheet files.
  refused(dir / "new.map", "map.rsc", "A1", 0);
  // A classifier given from elsewhere, to be copied over the open one.
  refused(dir / "new.map", (other / "map.rsc").c_str(), "B1", 0);
  // A map of another extension whose group file is the open map's.
  refused(dir / "open.sit", "map.rsc", "B1", 0);
  // A temporary map named after its classifier: the open user map's name.
  TMap temporary;
  EXPECT_EQ(0, temporary.CreateTempMap((dir / "map.rsc").c_str()));
  // A sheet added to another map under the open map's sheet names.
  TMap second;
  Create(second, "second.map", 100000, "C1");
  const writertest::FolderFiles withSecond = writertest::Snapshot(dir.path());
  LISTREGISTER taken = SheetRegister("A1", 6010000, 7400000, 10000);
  EXPECT_EQ(0, second.CreateList(&taken, 1));
  EXPECT_EQ(1, second.Count());
  EXPECT_EQ(0, second.List.CopyList(&second, 1, &taken, other.path().c_str()));
  EXPECT_STREQ("C1.HDR", second.NameHDR(1));
  second.CloseData();
  EXPECT_EQ(writertest::Snapshot(dir.path()).size(), withSecond.size());

  // Every file as it was (the second map's own files apart).
  writertest::FolderFiles after = writertest::Snapshot(dir.path());
  std::erase_if(after, [&](const auto& f) { return !before.count(f.first); });
  EXPECT_EQ(after, before);
  ASSERT_EQ(1, open.OpenList(1));
  EXPECT_STREQ("A1", open.Nomenclature(1));
}

// A map made in a folder whose log folder is an open map's (a link to it)
// would write its journal and its text log into the open map's: it is not
// made and nothing is written, also when only the text log is left to
// share. A map of another name there has logs of its own and is made.
TEST_F(MapTest, NoMapIsMadeOverTheLogsAnOpenMapHolds) {
  TMap open;
  Create(open, "open.map", 100000, "A1");
  ASSERT_TRUE(dir.Exists("LOG/open.map.TAC"));
  ASSERT_TRUE(dir.Exists("LOG/open.map.LOG"));
  MapScratch other{MC_TEST_TMP};
  ASSERT_TRUE(rsctest::WriteBytes(other / "map.rsc", Classifier()));
  ASSERT_EQ(0, ::symlink((dir / "LOG").c_str(), (other / "LOG").c_str()));

  auto refused = [&](const char* what) {
    const writertest::FolderFiles before = writertest::Snapshot(dir.path());
    const writertest::FolderFiles beside = writertest::Snapshot(other.path());
    TMap made;
    MAPREGISTEREX reg = MapRegister(100000, 0);
    LISTREGISTER sheet = SheetRegister("B1", 6000000, 7400000, 10000);
    EXPECT_EQ(0, made.CreateDataEx((other / "open.map").c_str(), "map.rsc", &reg, &sheet)) << what;
    EXPECT_EQ(MAPERR_OPEN, made.MapError.Error()) << what;
    made.CloseData();
    EXPECT_TRUE(before == writertest::Snapshot(dir.path())) << what << ": the logs written";
    EXPECT_TRUE(beside == writertest::Snapshot(other.path())) << what << ": files made";
  };
  refused("journal and text log");
  // The journal's name gone from the folder (the open map keeps it open):
  // the text log is still the open map's.
  ASSERT_EQ(0, ::unlink((dir / "LOG/open.map.TAC").c_str()));
  refused("text log");

  TMap made;
  MAPREGISTEREX reg = MapRegister(100000, 0);
  LISTREGISTER sheet = SheetRegister("B1", 6000000, 7400000, 10000);
  EXPECT_EQ(1, made.CreateDataEx((other / "new.map").c_str(), "map.rsc", &reg, &sheet));
  EXPECT_TRUE(dir.Exists("LOG/new.map.TAC"));
}
