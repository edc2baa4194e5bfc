// A sheet rewritten through a temporary file set (also with every file
// operation of the replacement failing in turn), a user map laid into the
// projection of another map (and a host that stops it), copying (never
// over the files an open map holds) and deleting a map, and file mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "common/messages.h"
#include "mapstore/mapfiles.h"
#include "mapstore/maptemplist.h"
#include "objects/objectinfo.h"
#include "support/fault_sweep.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"
#include "support/objfixture.h"

using namespace objinfotest;
using writertest::FolderFiles;
using writertest::Restore;
using writertest::Snapshot;
using objtest::Metric;

namespace {

namespace fs = std::filesystem;

// The map's files (its log folder, the map's diary, left out).
FolderFiles Files(const std::string& folder) {
  FolderFiles files = Snapshot(folder);
  std::erase_if(files, [](const auto& f) { return f.first.rfind("LOG/", 0) == 0; });
  return files;
}

// The names of the files that differ between two snapshots.
std::vector<std::string> Changed(const std::map<std::string, std::string>& a,
                                 const std::map<std::string, std::string>& b) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : a)
    if (!b.count(name) || b.at(name) != bytes) names.push_back(name);
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) names.push_back(name);
  return names;
}

void ZoneSeven(MAPREGISTEREX& r) { r.AxisMeridian = 39.0 * std::numbers::pi / 180.0; }
void ZoneEight(MAPREGISTEREX& r) { r.AxisMeridian = 45.0 * std::numbers::pi / 180.0; }

// Objects of a zone-7 user map: a line of double points, an area and a
// title, in plane metres.
const Points kLine = {{6000100.25, 7500200.5}, {6000300.75, 7500900.125}, {6001000, 7501000}};
const Points kArea = {{6000000, 7500000}, {6000500, 7500000}, {6000500, 7500500}, {6000000, 7500000}};

int PutObject(TMap& map, int local, int kind, const Points& points, const char* text = nullptr) {
  TObjectInfo o;
  if (o.CreateObject(&map, 1, METRIC_F64, text != nullptr) != 1) return 0;
  o.DescribeObject(kind);
  for (const auto& p : points) o.AppendPointPlane(p.first, p.second, 0);
  if (text) o.PutText(text, 0);
  (void)local;
  return o.Commit(1);
}

class MapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(user.ok());
    ASSERT_NE(0, user.map.ProjectionReady);
    ASSERT_GT(PutObject(user.map, LOCAL_LINE, KIND_ROAD, kLine), 0);
    ASSERT_GT(PutObject(user.map, LOCAL_SQUARE, KIND_LAKE, kArea), 0);
    ASSERT_EQ(1, user.map.Save(1));
  }
  ObjectMap user{true, 1, "user", ZoneSeven};
  std::string Folder() const { return fs::path(user.Path()).parent_path().string(); }
};

TEST_F(MapFiles, TemporarySetIsMadeAndPutInPlace) {
  TMapTempList temp;
  EXPECT_EQ(0, temp.Create(&user.map, 0));
  EXPECT_EQ(0, temp.Create(&user.map, 2));
  EXPECT_FALSE(fs::exists(Folder() + "/S1.#SH"));

  const LISTREGISTER before = user.map.TMapPassport::List(1)->Register;
  ASSERT_EQ(1, temp.Create(&user.map, 1));
  for (auto [ext, size] : {std::pair{".#SH", 48}, {".#SD", 4}, {".#SS", 4}, {".#SG", 4}})
    EXPECT_EQ(uintmax_t(size), fs::file_size(Folder() + "/S1" + ext)) << ext;
  // A user map's corners are cleared meanwhile; Delete puts them back.
  EXPECT_EQ(0.0, user.map.TMapPassport::List(1)->Register.XNorthEast);
  temp.Delete();
  EXPECT_EQ(before.XSouthWest, user.map.TMapPassport::List(1)->Register.XSouthWest);
  EXPECT_EQ(before.YNorthEast, user.map.TMapPassport::List(1)->Register.YNorthEast);
  EXPECT_FALSE(fs::exists(Folder() + "/S1.#SH"));

  // One object copied into a new set that replaces the sheet's files.
  ASSERT_EQ(1, temp.Create(&user.map, 1));
  ASSERT_EQ(1, user.map.OpenList(1));
  FVSPR d = *user.map.List.ObjectDesc(2);
  std::string metric(reinterpret_cast<const char*>(user.map.List.ObjectDataAddr(2)),
                     user.map.List.ObjectDataAddr(2)->Length);
  d.Next = d.Back = 0;
  ASSERT_EQ(1, temp.List.AppendObjectData(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                           nullptr, nullptr));
  ASSERT_EQ(1, temp.Remove(0, 1, 0));
  for (const char* ext : {".~SH", ".~SD", ".~SS"}) EXPECT_TRUE(fs::exists(Folder() + "/S1" + ext)) << ext;
  EXPECT_FALSE(fs::exists(Folder() + "/S1.SGR"));  // no graphics written: none kept
  EXPECT_FALSE(fs::exists(Folder() + "/S1.#SH"));
  ASSERT_EQ(1, user.map.OpenList(1));
  EXPECT_EQ(1, user.map.List.Count());
  EXPECT_EQ(metric, std::string(reinterpret_cast<const char*>(user.map.List.ObjectDataAddr(1)),
                                metric.size()));
}

// The replacement with each of its file operations failing in turn, with
// and without keeping the old files: the sheet has either its old objects
// or the new ones, whole, and old files kept are the sheet's old files.
TEST_F(MapFiles, AFailedReplacementKeepsTheSheet) {
  user.map.CloseData();
  const auto files = Snapshot(Folder());
  const int messages = MessageEnableSet(0);
  for (int keepOld : {0, 1}) {
    SCOPED_TRACE(keepOld);
    TMap map;
    TMapTempList temp;
    int replaced = 0;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      map.CloseData();
      Restore(Folder(), files);
      ASSERT_EQ(1, map.OpenData(user.Path().c_str(), 0));
      ASSERT_EQ(1, temp.Create(&map, 1));
      ASSERT_EQ(1, map.OpenList(1));
      FVSPR d = *map.List.ObjectDesc(1);  // only the line goes over
      std::string metric(reinterpret_cast<const char*>(map.List.ObjectDataAddr(1)),
                         map.List.ObjectDataAddr(1)->Length);
      d.Next = d.Back = 0;
      ASSERT_EQ(1, temp.List.AppendObjectData(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                               nullptr, nullptr));
    };
    const int runs = sweep.Run([&] { replaced = temp.Remove(0, keepOld, 1); },
                               [&](const mctest::SweepRun& run) {
      temp.Delete();
      map.CloseData();
      TMap again;
      ASSERT_EQ(1, again.OpenData(user.Path().c_str(), 0)) << run;
      ASSERT_EQ(1, again.OpenList(1)) << run;
      EXPECT_EQ(replaced ? 1 : 2, again.List.Count()) << run;
      EXPECT_TRUE(replaced || run.faulted) << run;
      for (int n = 1; n <= again.List.Count(); ++n)
        EXPECT_NE(nullptr, again.List.ObjectDataAddr(n)) << run << " object " << n;
      if (replaced && keepOld) {
        const auto now = Snapshot(Folder());
        for (auto [from, to] : {std::pair{"S1.SHD", "S1.~SH"}, {"S1.SDA", "S1.~SD"},
                                {"S1.SSE", "S1.~SS"}})
          EXPECT_TRUE(now.count(to) && now.at(to) == files.at(from)) << run << " " << to;
      }
    });
    EXPECT_GT(runs, 5);
  }
  MessageEnableSet(messages);
}

// An older backup that cannot be replaced (read-only) stops the
// replacement before the sheet's files are touched, also when a map is
// laid into another projection: nothing is lost, the map is as it was.
TEST_F(MapFiles, AnOldBackupThatCannotBeReplacedKeepsTheSheet) {
  ObjectMap other(true, 1, "zone8", ZoneEight);
  const std::string backup = Folder() + "/S1.~SH";
  std::ofstream(backup, std::ios::binary) << "an older backup";
  ASSERT_TRUE(plat::SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_READONLY));
  user.map.CloseData();
  const auto files = Files(Folder());
  ASSERT_EQ(1, user.map.OpenData(user.Path().c_str(), 0));
  const int messages = MessageEnableSet(0);
  {
    TMapTempList temp;
    ASSERT_EQ(1, temp.Create(&user.map, 1));
    EXPECT_EQ(0, temp.Remove(0, 1, 0));
  }
  EXPECT_EQ(0, user.map.TransformByMap(&other.map));
  MessageEnableSet(messages);
  user.map.CloseData();
  EXPECT_EQ(std::vector<std::string>{}, Changed(files, Files(Folder())));
  ASSERT_EQ(1, user.map.OpenData(user.Path().c_str(), 0));
  ASSERT_EQ(1, user.map.OpenList(1));
  EXPECT_EQ(2, user.map.List.Count());
  plat::SetFileAttributesA(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MapFiles, AUserMapGoesIntoAnotherZone) {
  ObjectMap other(true, 1, "zone8", ZoneEight);
  ASSERT_TRUE(other.ok());
  // Where every point lies on the earth now.
  std::vector<std::pair<double, double>> geo;
  for (int n = 1; n <= 2; ++n) {
    TObjectInfo o;
    o.Object(&user.map, 1, n);
    for (int i = 1; i <= o.PointCount(0); ++i) geo.emplace_back(o.BGeo(i, 0), o.LGeo(i, 0));
  }
  const double pole = user.map.Passport.Register.PoleLatitude = 0.25;

  ASSERT_EQ(1, user.map.TransformByMap(&other.map));
  EXPECT_EQ(other.map.AxisMeridian(), user.map.AxisMeridian());
  EXPECT_EQ(pole, user.map.PoleLatitude());
  EXPECT_TRUE(fs::exists(Folder() + "/S1.~SH"));
  size_t k = 0;
  for (int n = 1; n <= 2; ++n) {
    TObjectInfo o;
    o.Object(&user.map, 1, n);
    for (int i = 1; i <= o.PointCount(0); ++i, ++k) {
      double x, y;
      other.map.Translate.BL2XY(geo[k].first, geo[k].second, &x, &y);
      EXPECT_NEAR(x, o.XPlane(i, 0), 0.001) << n << " " << i;
      EXPECT_NEAR(y, o.YPlane(i, 0), 0.001) << n << " " << i;
    }
  }
  EXPECT_EQ(geo.size(), k);

  // A sheet map is refused.
  ObjectMap sheets(false, 1, "sheets", ZoneSeven);
  EXPECT_EQ(0, sheets.map.TransformByMap(&other.map));
}

TEST_F(MapFiles, AHostThatStopsLeavesTheMapAsItWas) {
  ObjectMap other(true, 1, "zone8", ZoneEight);
  user.map.CloseData();
  const auto files = Files(Folder());
  ASSERT_EQ(1, user.map.OpenData(user.Path().c_str(), 0));
  mctest::RecordingWindow host(1);
  MessageWindowSet(host.handle());
  MessageEnableSet(1);
  EXPECT_EQ(0, user.map.TransformByMap(&other.map));
  MessageEnableSet(0);
  MessageWindowSet(nullptr);
  user.map.CloseData();
  EXPECT_EQ(std::vector<std::string>{}, Changed(files, Files(Folder())));
}

TEST_F(MapFiles, CopyingAndDeletingAMap) {
  const std::string target = (fs::path(Folder()) / "copy" / "user.map").string();
  EXPECT_EQ(1, CopyMapFiles(user.Path().c_str(), user.Path().c_str()));
  user.map.CloseData();
  ASSERT_EQ(1, CopyMapFiles(user.Path().c_str(), target.c_str()));
  {
    TMap copy;
    ASSERT_EQ(1, copy.OpenData(target.c_str(), 0));
    ASSERT_EQ(1, copy.OpenList(1));
    EXPECT_EQ(2, copy.List.Count());
  }
  // Deleting leaves nothing of the map but its classifier, and nothing
  // outside its folder is touched.
  auto outside = [&]() {
    FolderFiles files = Files(Folder());
    std::erase_if(files, [](const auto& f) { return f.first.rfind("copy/", 0) == 0; });
    return files;
  };
  const auto around = outside();
  ASSERT_EQ(1, DeleteMapFiles(target.c_str()));
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(Folder()) / "copy"))
    left.push_back(e.path().filename().string());
  EXPECT_EQ(std::vector<std::string>{"user.rsc"}, left);
  EXPECT_EQ(std::vector<std::string>{}, Changed(around, outside()));
  EXPECT_EQ(0, DeleteMapFiles(target.c_str()));
}

// A copy whose targets are files an open map holds writes nothing: the
// source's own files reached through another spelling of its folder (once
// deleted before being copied over themselves), and another open map's.
TEST_F(MapFiles, NothingIsCopiedOverTheFilesOfAnOpenMap) {
  const std::string target = (fs::path(Folder()) / "copy" / "user.map").string();
  ASSERT_EQ(1, CopyMapFiles(user.Path().c_str(), target.c_str()));
  TMap copy;
  ASSERT_EQ(1, copy.OpenData(target.c_str(), 0));
  const FolderFiles before = Files(Folder());
  const std::string beside = Folder() + "/./other.map";
  const std::string again = Folder() + "/copy/../copy/user.map";
  EXPECT_EQ(0, CopyMapFiles(user.Path().c_str(), beside.c_str()));
  EXPECT_EQ(0, CopyMapFiles(user.Path().c_str(), again.c_str()));
  EXPECT_EQ(0, CopyOneFile(user.Path().c_str(), target.c_str(), 0, 0));
  EXPECT_EQ(1, CopyOneFile(target.c_str(), again.c_str(), 0, 0));  // one file: nothing to do
  EXPECT_EQ(std::vector<std::string>{}, Changed(before, Files(Folder())));
  ASSERT_EQ(1, copy.OpenList(1));
  EXPECT_EQ(2, copy.List.Count());
}

TEST(FileMapping, ViewsAreWholeBlocksCutAtTheEnd) {
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "big.bin";
  std::string bytes(200000, 0);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
  std::ofstream(name, std::ios::binary) << bytes;
  FILEMAPPING m;
  ASSERT_EQ(1, OpenFileMapping(name.c_str(), 1000, 70000, &m));
  EXPECT_EQ(65536u, m.ViewOffset);
  EXPECT_EQ(4464u, m.Remainder);
  EXPECT_EQ(65536u, m.ViewLength);
  ASSERT_NE(nullptr, ReadFileMapping(&m, 0, 10));
  EXPECT_EQ(bytes.substr(70000, 10), std::string(ReadFileMapping(&m, 0, 10), 10));
  EXPECT_EQ(nullptr, ReadFileMapping(&m, 61070, 10));  // past the view
  CloseFileMapping(&m);
  EXPECT_EQ(nullptr, m.View);
  // To the end: the view stops at the file's end.
  ASSERT_EQ(1, OpenFileMapping(name.c_str(), 0, 190000, &m));
  EXPECT_EQ(uint32_t(200000 - 131072), m.ViewLength);
  EXPECT_EQ(bytes.substr(199990), std::string(ReadFileMapping(&m, 9990, 10), 10));
  CloseFileMapping(&m);
  MessageEnableSet(0);
  EXPECT_EQ(0, OpenFileMapping((dir / "none").c_str(), 0, 0, &m));
  MessageEnableSet(1);
}

}  // namespace
