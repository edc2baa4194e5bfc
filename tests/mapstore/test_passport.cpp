// The map passport file: checks on opening, the sheet table, growth and
// saving.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "common/maperror.h"
#include "common/messages.h"
#include "mapstore/passport.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/mapbuilder.h"

namespace {

using mctest::Get16;
using mctest::Get32;
using mctest::MapBuilder;
using mctest::MapScratch;
using mctest::Put16;
using mctest::Put32;
using mctest::SheetSpec;

class PassportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    plat::fault::Reset();
    map.Reporter = &reporter;
  }
  void TearDown() override {
    plat::fault::Reset();
    MessageEnableSet(1);
  }

  // Opens bytes written as "map.map"; the result of OpenPassport.
  int OpenBytes(const std::string& bytes) {
    dir.Write("map.map", bytes);
    return map.OpenPassport(Name().c_str());
  }
  std::string Name() const { return dir / "map.map"; }

  static MapBuilder ThreeSheets() {
    MapBuilder b;
    b.sheets.resize(3);
    for (int n = 1; n < 3; ++n) {
      b.sheets[n].nomenclature = "M-37-00" + std::to_string(n + 1);
      b.sheets[n].base = "M3700" + std::to_string(n + 1);
      for (double& y : b.sheets[n].y) y += 10000 * n;
    }
    return b;
  }

  MapScratch dir{MC_TEST_TMP};
  TMapError reporter;
  TMapPassport map;
};

TEST_F(PassportTest, OpensTheFixtureMap) {
  MapBuilder b = ThreeSheets();
  b.Write(dir, "map.map");
  ASSERT_EQ(map.OpenPassport(Name().c_str()), 1) << map.Error;
  EXPECT_TRUE(map.IsOpen());
  EXPECT_TRUE(map.IsWritable());
  EXPECT_EQ(map.Count(), 3);
  EXPECT_STREQ(map.Passport.Register.Name, "Test map");
  EXPECT_STREQ(map.Passport.RscName, "map.rsc");
  EXPECT_STREQ(map.FileName, "map.map");
  EXPECT_EQ(std::string(map.Folder), dir.path());
  EXPECT_EQ(std::string(map.Path), Name());
  // Topographic map: the projection counts as complete.
  EXPECT_EQ(map.Passport.Register.DataProjection, 1);

  for (int n = 1; n <= 3; ++n) {
    LISTDESC* list = map.List(n);
    ASSERT_NE(list, nullptr);
    // Renumbered and caches cleared, whatever the file held.
    EXPECT_EQ(list->Number, n);
    EXPECT_EQ(list->ObjectCount, 0);
    EXPECT_EQ(list->FrameObject, 0);
    EXPECT_EQ(list->StageMask, 0u);
    EXPECT_EQ(list->Marker, LISTDESC_MARKER);
    // Frame in device units: (corner - origin) / (100000 / 20000).
    EXPECT_DOUBLE_EQ(list->Frame.X1, (6000000.0 - 5990000.0) / 5.0);
    EXPECT_DOUBLE_EQ(list->Frame.Y2, (b.sheets[n - 1].y[2] - 7390000.0) / 5.0);
  }
  EXPECT_STREQ(map.List(2)->Register.Nomenclature, "M-37-002");
  EXPECT_STREQ(map.List(3)->NameHDR, "M37003.HDR");
  EXPECT_EQ(map.List(0), nullptr);
  EXPECT_EQ(map.List(4), nullptr);
}

TEST_F(PassportTest, DamagedPassportsAreRefused) {
  auto refused = [&](const std::string& bytes, int code) {
    EXPECT_EQ(OpenBytes(bytes), 0);
    EXPECT_EQ(map.Error, code);
    EXPECT_FALSE(map.IsOpen());
  };
  refused(std::string(100, '\0'), 60005);  // too short
  EXPECT_EQ(reporter.Error(), 60005);
  MapBuilder b;
  b.mark = 0x414F;
  refused(b.Bytes(), 60005);
  b = MapBuilder();
  b.ident = 0x00505351;
  refused(b.Bytes(), 60005);
  refused(MapBuilder().Bytes().substr(0, 600), 60005);  // version 0x700 cut short

  // The older format: register length 1104 at 80 and another version;
  // without the register length it is just foreign.
  b = MapBuilder();
  b.version = 0x600;
  std::string old = b.Bytes();
  Put16(old, 80, 1104);
  refused(old, 60030);
  Put16(old, 80, 208);
  refused(old, 60005);

  // Missing file, no name, an overlong name.
  EXPECT_EQ(map.OpenPassport((dir / "none.map").c_str()), 0);
  EXPECT_EQ(map.Error, 60006);
  EXPECT_EQ(map.OpenPassport(nullptr), 0);
  EXPECT_EQ(map.OpenPassport(std::string(400, 'a').c_str()), 0);
  EXPECT_EQ(map.Error, 60006);
  EXPECT_EQ(map.Count(), 0);
}

TEST_F(PassportTest, SheetCountIsBoundByTheFile) {
  // Six sheets claimed over five records (and no key table).
  MapBuilder b;
  b.sheets.resize(5);
  b.claimedCount = 6;
  std::string bytes = b.Passport();
  for (size_t i = 0; i < 5; ++i) bytes += b.Record(i);
  EXPECT_EQ(OpenBytes(bytes), 0);
  EXPECT_EQ(map.Error, 60005);
  EXPECT_FALSE(map.IsOpen());
  EXPECT_EQ(map.Count(), 0);

  // Counts that would ask for gigabytes are refused before any allocation.
  for (int32_t count : {0x7FFFFFFF, 0x01000000, -1, -0x7FFFFFFF}) {
    b.claimedCount = count;
    plat::fault::Reset();
    EXPECT_EQ(OpenBytes(b.Bytes()), 0) << count;
    EXPECT_EQ(map.Error, 60005) << count;
    EXPECT_EQ(plat::fault::AllocationCount(), 0) << count;
  }
}

TEST_F(PassportTest, MapWithoutSheetsOpens) {
  MapBuilder b;
  b.sheets.clear();
  ASSERT_EQ(OpenBytes(b.Bytes()), 1) << map.Error;
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(map.List(1), nullptr);
  // The first sheet gets exactly one record.
  ASSERT_EQ(map.AllocateOneList(), 1);
  EXPECT_EQ(map.Capacity(), 1);
}

TEST_F(PassportTest, TableGrowsInSteps) {
  ASSERT_EQ(OpenBytes(MapBuilder().Bytes()), 1);
  struct Step {
    int count, capacity;
  } steps[] = {{99, 115}, {100, 132}, {259, 291}, {260, 324}, {1000, 1064}};
  for (const Step& s : steps) {
    ASSERT_EQ(map.AllocateLists(s.count, 1), 1);
    map.Passport.ListCount = s.count;
    EXPECT_EQ(map.Capacity(), s.count);
    ASSERT_EQ(map.AllocateOneList(), 1);
    EXPECT_EQ(map.Capacity(), s.capacity) << s.count;
    // Room already there: nothing changes.
    LISTDESC* table = map.Lists;
    ASSERT_EQ(map.AllocateOneList(), 1);
    EXPECT_EQ(map.Lists, table);
    // The records read are kept.
    EXPECT_STREQ(map.List(1)->Register.Nomenclature, "M-37-001");
  }
}

TEST_F(PassportTest, GrowthWithoutMemoryKeepsTheTable) {
  ASSERT_EQ(OpenBytes(MapBuilder().Bytes()), 1);
  LISTDESC* table = map.Lists;
  plat::fault::FailAllocation(1);
  EXPECT_EQ(map.AllocateOneList(), 0);
  EXPECT_EQ(map.Error, 60001);
  EXPECT_EQ(map.Lists, table);
  EXPECT_EQ(map.Capacity(), 1);
  EXPECT_STREQ(map.List(1)->Register.Name, "Sheet one");
}

TEST_F(PassportTest, SaveAndReopenKeepsEveryField) {
  ThreeSheets().Write(dir, "map.map");
  ASSERT_EQ(map.OpenPassport(Name().c_str()), 1);

  // A fourth sheet and changed passport fields.
  ASSERT_EQ(map.AllocateOneList(), 1);
  std::memcpy(map.Lists + 3, map.Lists, sizeof(LISTDESC));
  LISTDESC& added = map.Lists[3];
  std::strcpy(added.Register.Nomenclature, "M-37-004");
  std::strcpy(added.NameGRA, "M37004.GRA");
  added.Number = 4;
  added.Flag = 9;
  map.Passport.ListCount = 4;
  map.Passport.ModeCounter++;
  map.Passport.Register.PoleLongitude = 0.25;
  std::strcpy(map.Passport.GroupName, "other.gdx");
  map.Passport.Precision = 1;
  ASSERT_EQ(map.WritePassport(), 1);

  TMapPassport again;
  ASSERT_EQ(again.OpenPassport(Name().c_str()), 1) << again.Error;
  EXPECT_EQ(0, std::memcmp(&again.Passport, &map.Passport, sizeof(MAPPASSPORT)));
  ASSERT_EQ(again.Count(), 4);
  for (int n = 1; n <= 4; ++n)
    EXPECT_EQ(0, std::memcmp(again.List(n), map.List(n), sizeof(LISTDESC))) << n;

  // The file holds them where they belong.
  std::string file = dir.Read("map.map");
  ASSERT_GE(file.size(), 848u + 4 * 1728);
  EXPECT_EQ(Get32(file, 16), 4u);
  EXPECT_EQ(file.substr(848 + 3 * 1728 + 100, 8), "M-37-004");
}

TEST_F(PassportTest, NewMapFileWithoutSheets) {
  ASSERT_EQ(map.CreateMapFile(Name().c_str(), 0), 1);
  EXPECT_EQ(map.Passport.Ident, PASSPORT_IDENT);
  ClearMapRegisterEx(&map.Passport.Register);
  ASSERT_EQ(map.WritePassport(), 1);
  EXPECT_EQ(dir.Read("map.map").size(), 848u);

  TMapPassport again;
  ASSERT_EQ(again.OpenPassport(Name().c_str()), 1);
  EXPECT_EQ(again.Count(), 0);
  EXPECT_EQ(again.Passport.Register.Scale, 1000);
}

TEST_F(PassportTest, WriteFailureIsReported) {
  ASSERT_EQ(OpenBytes(MapBuilder().Bytes()), 1);
  plat::fault::FailWrite(1, plat::fault::WriteFault::Short);
  EXPECT_EQ(map.WritePassport(), 0);
  EXPECT_EQ(map.Error, 60004);
  plat::fault::FailWrite(2, plat::fault::WriteFault::DiskFull);
  EXPECT_EQ(map.WritePassport(), 0);
  EXPECT_EQ(map.Error, 60004);
}

TEST_F(PassportTest, ReadOnlyFileOpensReadOnly) {
  MapBuilder().Write(dir, "map.map");
  ASSERT_TRUE(plat::SetFileAttributesA(Name().c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(map.OpenPassport(Name().c_str()), 1);
  EXPECT_FALSE(map.IsWritable());
  EXPECT_EQ(map.AccessMode, MAPACCESS_READ);
}

TEST_F(PassportTest, Koi8NamesAreReadAndWrittenBackIn1251) {
  MapBuilder b;
  b.koi8 = 1;
  b.name = "\xF0\xD2\xCF\xC2\xC1";  // a Russian word in KOI-8
  b.sheets[0].name = "\xEC\xC9\xD3\xD4";
  b.sheets[0].nomenclature = "\xED-37";
  ASSERT_EQ(OpenBytes(b.Bytes()), 1);
  EXPECT_STREQ(map.Passport.Register.Name, "\xCF\xF0\xEE\xE1\xE0");
  EXPECT_STREQ(map.List(1)->Register.Name, "\xCB\xE8\xF1\xF2");
  EXPECT_STREQ(map.List(1)->Register.Nomenclature, "\xCC-37");

  // Saved names are code page 1251 and the file says so: a reopen does not
  // convert them a second time.
  ASSERT_EQ(map.WritePassport(), 1);
  EXPECT_EQ(dir.Read("map.map")[25], 0);
  TMapPassport again;
  ASSERT_EQ(again.OpenPassport(Name().c_str()), 1);
  EXPECT_STREQ(again.Passport.Register.Name, "\xCF\xF0\xEE\xE1\xE0");
  EXPECT_STREQ(again.List(1)->Register.Name, "\xCB\xE8\xF1\xF2");
}

TEST_F(PassportTest, LastZoneMovesTheAxisMeridian) {
  MapBuilder b;
  for (double& l : b.sheets[0].l) l = 6.19;  // beyond 354 degrees
  ASSERT_EQ(OpenBytes(b.Bytes()), 1);
  EXPECT_DOUBLE_EQ(map.Passport.Register.AxisMeridian, 6.230825429619756);
  // A user map is left alone.
  b.isRealPlace = 1;
  ASSERT_EQ(OpenBytes(b.Bytes()), 1);
  EXPECT_EQ(map.Passport.Register.AxisMeridian, 0.0);
  EXPECT_EQ(map.Passport.Register.DataProjection, 0);
  // A user map's sheet frame is its corner pair.
  EXPECT_EQ(map.List(1)->Frame.X1, 6000000.0);
  EXPECT_EQ(map.List(1)->Frame.Y2, 7410000.0);
}

TEST_F(PassportTest, TextsFromTheFileEndInsideTheirFields) {
  // A map name and sheet file names that fill their fields run on into the
  // fields after them unless they are cut.
  std::string bytes = MapBuilder().Bytes();
  std::memset(&bytes[84], 'A', 32);
  std::memset(&bytes[PASSPORT_LENGTH + 656], 'B', 4 * 264);
  ASSERT_EQ(OpenBytes(bytes), 1) << map.Error;
  EXPECT_EQ(std::strlen(map.Passport.Register.Name), 31u);
  EXPECT_EQ(std::strlen(map.List(1)->NameHDR), 263u);
  EXPECT_EQ(std::strlen(map.List(1)->NameGRA), 263u);
}

TEST_F(PassportTest, ReadCountsAtMostTheTable) {
  ThreeSheets().Write(dir, "map.map");
  ASSERT_EQ(map.OpenPassport(Name().c_str()), 1);
  // More to read than the table holds: only the table's records are read.
  ASSERT_EQ(map.AllocateLists(2, 3), 1);
  EXPECT_EQ(map.Capacity(), 2);
  EXPECT_EQ(map.Lists[1].Number, 2);
  // A failed re-read keeps the table.
  LISTDESC* table = map.Lists;
  EXPECT_EQ(map.AllocateLists(5, 5), 0);
  EXPECT_EQ(map.Error, 60005);
  EXPECT_EQ(map.Lists, table);
}

}  // namespace
