// The sheet access object: opening with its checks by stage, creating a
// sheet and its files, and the table of recently used sheets.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "common/filename.h"
#include "common/maperr.h"
#include "common/maperror.h"
#include "mapstore/maplist.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "platform/systemcalls.h"
#include "platform/vfs_fault.h"
#include "support/host_recorder.h"
#include "support/mapbuilder.h"
#include "support/process_descriptors.h"
#include "support/sheetbuilder.h"

using namespace sheettest;

namespace {

std::string Name(const SheetFolder& dir, int sheet, const char* ext) {
  return dir / (TestMap::Base(sheet) + ext);
}

// A sheet of three objects, with a metric, semantics and graphics each.
SheetBuilder SmallSheet(uint32_t seed = 0) {
  SheetBuilder b;
  b.Add(LOCAL_POLYGON, MetricRecord(64, seed), SemnRecord(40), DrawRecord(40));
  b.Add(LOCAL_LINE, MetricRecord(1024, seed + 1), SemnRecord(60), DrawRecord(50));
  b.Add(LOCAL_POINT, MetricRecord(24, seed + 2));
  return b;
}

using testsupport::OpenDescriptors;

bool Deletable(const std::string& name) {
  // A file open in the library (shared without deletion) cannot be deleted.
  const Bytes keep = ReadFile(name);
  if (!plat::DeleteFileA(name.c_str())) return false;
  WriteFile(name, keep);
  return true;
}

// The budget of the sheets left set for one test, the one before put back
// however the test ends.
class KeptBudget {
 public:
  explicit KeptBudget(size_t bytes) { TMapList::SetKeptCacheBytes(bytes); }
  ~KeptBudget() { TMapList::SetKeptCacheBytes(before_); }
  KeptBudget(const KeptBudget&) = delete;
  KeptBudget& operator=(const KeptBudget&) = delete;

 private:
  const size_t before_ = TMapList::KeptCacheBytes();
};

}  // namespace

class MapListTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetWriteThroughEnabled(false); }
  void TearDown() override {
    plat::fault::Reset();
    plat::SetClock(nullptr, nullptr);
  }
  // Writes the files of sheets 1..count.
  void WriteSheets(int count) {
    for (int n = 1; n <= count; ++n) SmallSheet(n * 10).Write(dir.path(), TestMap::Base(n));
  }

  SheetFolder dir{MC_TEST_TMP};
  mctest::RecordingMessageBox boxes;
};

TEST_F(MapListTest, CreateListMakesARecordAndAnEmptyDescriptorFile) {
  SYSTEMTIME t{};
  t.wYear = 2002, t.wMonth = 3, t.wDay = 6;
  plat::SetFixedClock(t, 0);
  TestMap map(dir.path(), 1);
  map.Passport.Register.Scale = 50000;
  // Old files of the new names go.
  for (const char* ext : {".DAT", ".SEM", ".GRA"}) WriteFile(dir / "Sheet01" + ext, "old");

  LISTREGISTER reg{};
  std::strcpy(reg.FileName, "\\maps\\north\\Sheet01.xyz");
  std::strcpy(reg.Name, "North");
  reg.XSouthWest = 6000000, reg.YSouthWest = 500000;
  TMapList list;
  ASSERT_EQ(1, list.CreateList(&map, 1, &reg));
  EXPECT_EQ(1, list.Number());

  const Bytes hdr = ReadFile(dir / "Sheet01.HDR");
  ASSERT_EQ(48u, hdr.size());
  HDRHEAD fresh;
  InitHdrHead(&fresh);
  EXPECT_EQ(0, std::memcmp(hdr.data(), &fresh, 48));
  for (const char* ext : {".DAT", ".SEM", ".GRA"}) EXPECT_FALSE(FileExists(dir / "Sheet01" + ext));

  const LISTDESC* rec = map.List(1);
  EXPECT_EQ(LISTDESC_MARKER, rec->Marker);
  EXPECT_EQ(1, rec->Number);
  EXPECT_STREQ("20020306", rec->CreationDate);
  EXPECT_STREQ("Sheet01.HDR", rec->NameHDR);
  EXPECT_STREQ("Sheet01.GRA", rec->NameGRA);
  EXPECT_STREQ("Sheet01", rec->Register.FileName);
  EXPECT_STREQ("North", rec->Register.Name);
  EXPECT_EQ(544, rec->Register.Length);
  EXPECT_EQ(LISTFLAG_SORTED, rec->Flag);
  EXPECT_EQ(LISTFILE_HDR, rec->Flags);
  EXPECT_EQ(1, list.RecordChanged);
  // The map's device origin lies scale / 50 below the south-west corner.
  EXPECT_EQ(6000000 - 1000, map.Passport.OriginX);
  EXPECT_EQ(500000 - 1000, map.Passport.OriginY);

  // The other files come when first needed, each with its signature.
  ASSERT_EQ(1, list.CreateDataFile());
  ASSERT_EQ(1, list.CreateSemnFile());
  ASSERT_EQ(1, list.CreateDrawFile());
  EXPECT_EQ(Bytes({'D', 'A', 'T', 0, 0, 0, 0, 0}), ReadFile(dir / "Sheet01.DAT"));
  EXPECT_EQ(Bytes({'S', 'E', 'M', 0}), ReadFile(dir / "Sheet01.SEM"));
  EXPECT_EQ(Bytes({'D', 'R', 'W', 0}), ReadFile(dir / "Sheet01.GRA"));
  EXPECT_EQ(LISTFILE_HDR | LISTFILE_DAT | LISTFILE_SEM | LISTFILE_GRA, rec->Flags);
  EXPECT_EQ(1, list.CreateDataFile());  // already there: nothing happens
  EXPECT_EQ(8, FileSize(dir / "Sheet01.DAT"));

  // Kept and reopened with every file.
  list.Close(0);
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_NE(nullptr, list.Files[SHEET_GRA]);
  EXPECT_EQ(0, list.Head.Count);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(MapListTest, CreateListForAUserMapAndASecondSheet) {
  TestMap user(dir.path(), 1, true);
  LISTREGISTER reg{};
  std::strcpy(reg.FileName, "Overlay");
  reg.XSouthWest = 123, reg.XNorthEast = 456;
  TMapList list;
  ASSERT_EQ(1, list.CreateList(&user, 1, &reg));
  EXPECT_STREQ("Overlay.SHD", user.List(1)->NameHDR);
  EXPECT_STREQ("Overlay.SGR", user.List(1)->NameGRA);
  EXPECT_EQ(0, user.List(1)->Register.XSouthWest);  // grown by the writers
  EXPECT_EQ(0, user.List(1)->Register.XNorthEast);
  EXPECT_EQ(48, FileSize(dir / "Overlay.SHD"));

  TestMap map(dir.path(), 2);
  LISTREGISTER a{}, b{};
  std::strcpy(a.FileName, "A");
  std::strcpy(b.FileName, "B");
  a.XSouthWest = 5000, a.YSouthWest = 9000;
  b.XSouthWest = 7000, b.YSouthWest = 3000;
  ASSERT_EQ(1, list.CreateList(&map, 1, &a));
  ASSERT_EQ(1, list.CreateList(&map, 2, &b));
  // Each origin value only moves down for later sheets.
  EXPECT_EQ(5000 - 2000, map.Passport.OriginX);
  EXPECT_EQ(3000 - 2000, map.Passport.OriginY);
  EXPECT_EQ(0, list.CreateList(&map, 3, &a));
  EXPECT_EQ(0, list.CreateList(&map, 1, nullptr));
}

TEST_F(MapListTest, OpenRefusesBadSheetNumbersQuietly) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  TMapList list;
  EXPECT_EQ(0, list.Open(&map, 0));
  EXPECT_EQ(0, list.Open(&map, 3));
  EXPECT_EQ(0, list.Open(nullptr, 1));
  EXPECT_TRUE(boxes.boxes().empty());
  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_EQ(2, list.Number());
  EXPECT_EQ(3, list.Head.Count);
  EXPECT_EQ(1, list.IsWritable());
}

TEST_F(MapListTest, ReadOnlyDescriptorFileOpensReadOnly) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  const std::string hdr = Name(dir, 1, ".HDR");
  ASSERT_TRUE(plat::SetFileAttributesA(hdr.c_str(), FILE_ATTRIBUTE_READONLY));
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(LISTACCESS_READ, list.AccessMode);
  EXPECT_EQ(0, list.IsWritable());
  EXPECT_TRUE(boxes.boxes().empty());

  // Its handle stays read only while the table keeps it: so does the sheet
  // when it opens again, as it was left or after another writer changed
  // its header.
  for (const bool changed : {false, true}) {
    ASSERT_EQ(1, list.Open(&map, 2));
    EXPECT_EQ(1, list.IsWritable());
    if (changed) {
      ASSERT_TRUE(plat::SetFileAttributesA(hdr.c_str(), FILE_ATTRIBUTE_NORMAL));
      Bytes bytes = ReadFile(hdr);
      ++bytes[16];  // the next key
      WriteFile(hdr, bytes);
      ASSERT_TRUE(plat::SetFileAttributesA(hdr.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    ASSERT_EQ(1, list.Open(&map, 1)) << changed;
    EXPECT_EQ(0, list.IsWritable()) << changed;
  }
}

TEST_F(MapListTest, GarbageGraphicsFileOfFourBytesIsDeleted) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  WriteFile(Name(dir, 1, ".GRA"), "abcd");
  WriteFile(Name(dir, 2, ".GRA"), "abcdefghij");  // longer: reported, kept
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_FALSE(FileExists(Name(dir, 1, ".GRA")));
  EXPECT_EQ(nullptr, list.Files[SHEET_GRA]);
  EXPECT_TRUE(boxes.boxes().empty());

  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_TRUE(FileExists(Name(dir, 2, ".GRA")));
  EXPECT_EQ(1u, boxes.boxes().size());
  EXPECT_EQ(1, list.IsErrorReported(LISTSTAGE_GRAIDENT));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
}

TEST_F(MapListTest, WrongMetricSignatureIsReportedOnce) {
  WriteSheets(1);
  TestMap map(dir.path(), 1);
  TMapError reporter;
  map.Reporter = &reporter;
  Bytes dat = ReadFile(Name(dir, 1, ".DAT"));
  std::memcpy(dat.data(), "XYZ", 3);
  WriteFile(Name(dir, 1, ".DAT"), dat);

  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));  // the opening goes on
  EXPECT_EQ(1u, boxes.boxes().size());
  EXPECT_EQ(MAPERR_DATA, reporter.Error());
  EXPECT_EQ(1, list.IsErrorReported(LISTSTAGE_DATIDENT));
  EXPECT_EQ(1u << LISTSTAGE_DATIDENT, map.List(1)->StageMask);

  // Opened afresh (its kept files closed), it is checked again, silently.
  list.Close(-1);
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(1u, boxes.boxes().size());
}

TEST_F(MapListTest, DamagedFilesGiveTheirStages) {
  struct Case {
    const char* ext;
    Bytes content;  // empty: the file is missing
    int opens;
    int stage;
    int code;
  };
  SheetBuilder good = SmallSheet();
  Bytes wrongMark = good.hdr;
  wrongMark[46] = 0x4F;
  const Case cases[] = {
      {".HDR", {}, 0, LISTSTAGE_HDROPEN, MAPERR_OPEN},
      {".HDR", wrongMark, 0, LISTSTAGE_HDRIDENT, MAPERR_DATA},
      {".HDR", Bytes(good.hdr.begin(), good.hdr.begin() + 20), 0, LISTSTAGE_HDRIDENT,
       MAPERR_DATA},
      {".DAT", {'D', 'A'}, 0, LISTSTAGE_DATIDENT, MAPERR_DATA},
      {".DAT", {}, 1, LISTSTAGE_DATOPEN, MAPERR_OPEN},
      {".SEM", {}, 1, LISTSTAGE_SEMOPEN, MAPERR_OPEN},
      {".SEM", {'S', 'E'}, 1, LISTSTAGE_SEMIDENT, MAPERR_DATA},
      {".GRA", {}, 1, LISTSTAGE_GRAOPEN, MAPERR_OPEN},
  };
  int sheet = 0;
  for (const Case& c : cases) {
    ++sheet;
    SCOPED_TRACE(std::string(c.ext) + " case " + std::to_string(sheet));
    good.Write(dir.path(), TestMap::Base(1));
    const std::string name = Name(dir, 1, c.ext);
    if (c.content.empty())
      plat::DeleteFileA(name.c_str());
    else
      WriteFile(name, c.content);
    TestMap map(dir.path(), 1);
    TMapList list;
    const size_t before = boxes.boxes().size();
    EXPECT_EQ(c.opens, list.Open(&map, 1));
    EXPECT_EQ(c.code, list.GetError());
    EXPECT_EQ(1u << c.stage, map.List(1)->StageMask);
    EXPECT_EQ(before + 1, boxes.boxes().size());
    EXPECT_EQ(c.opens, list.IsOpen());
    if (!c.opens && !c.content.empty()) {
      EXPECT_TRUE(Deletable(Name(dir, 1, ".HDR")));
    }
  }

  // A missing file that was never created is not reported.
  good.Write(dir.path(), TestMap::Base(1));
  plat::DeleteFileA(Name(dir, 1, ".GRA").c_str());
  plat::DeleteFileA(Name(dir, 1, ".SEM").c_str());
  TestMap map(dir.path(), 1);
  map.List(1)->Flags = LISTFILE_HDR | LISTFILE_DAT;
  TMapList list;
  const size_t before = boxes.boxes().size();
  EXPECT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(before, boxes.boxes().size());

  // A sheet record without its marker names the map file.
  map.List(1)->Marker = 0;
  EXPECT_EQ(0, list.Open(&map, 1));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
  EXPECT_EQ(1u << LISTSTAGE_RECORD, map.List(1)->StageMask);
  EXPECT_NE(std::string::npos, boxes.boxes().back().text.find("TEST.MAP"));
}

TEST_F(MapListTest, NoMemoryForTheCaches) {
  WriteSheets(1);
  TestMap map(dir.path(), 1);
  TMapList list;
  plat::fault::FailAllocation(2);  // the descriptor cache is had, the metric cache not
  EXPECT_EQ(0, list.Open(&map, 1));
  EXPECT_EQ(MAPERR_MEMORY, list.GetError());
  EXPECT_EQ(1u << LISTSTAGE_MEMORY, map.List(1)->StageMask);
  EXPECT_TRUE(Deletable(Name(dir, 1, ".HDR")));
  EXPECT_TRUE(Deletable(Name(dir, 1, ".DAT")));
  plat::fault::Reset();
  EXPECT_EQ(1, list.Open(&map, 1));
}

// The table of recently used sheets keeps 16 sheets whatever the
// descriptor limit, and more while the sheets kept hold at most half of it
// (set here so that `kept` sheets of four files fit): going round more
// sheets, those used longest ago close their files; those kept cost no
// file opening when used again.
class SheetTable : public MapListTest, public ::testing::WithParamInterface<int> {
 protected:
  void TearDown() override {
    plat::SetDescriptorLimit(0);
    MapListTest::TearDown();
  }
};

TEST_P(SheetTable, KeepsTheSheetsUsedLastWithinHalfTheDescriptorLimit) {
  const int kept = GetParam(), sheets = kept + 8, first = sheets - kept + 1;
  plat::SetDescriptorLimit(kept == TMapList::FILESET_COUNT
                               ? 1
                               : DWORD(2 * (TMapList::KeptDescriptors() + 4 * kept)));
  WriteSheets(sheets);
  TestMap map(dir.path(), sheets);
  const int before = OpenDescriptors();
  TMapList list;
  for (int n = 1; n <= sheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  for (int n = 1; n <= sheets; ++n) EXPECT_EQ(n >= first, list.IsFileSetKept(n) == 1) << n;
  EXPECT_EQ(4 * kept, OpenDescriptors() - before);
  EXPECT_TRUE(Deletable(Name(dir, 1, ".HDR")));
  EXPECT_TRUE(Deletable(Name(dir, 1, ".DAT")));
  EXPECT_FALSE(Deletable(Name(dir, first, ".HDR")));
  {
    plat::FaultVfs counter;
    plat::ScopedVfs use(&counter);
    for (int n = first; n <= sheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
    EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
  }

  // Switching back reopens sheet 1; now the first sheet kept gives way.
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(3, list.Head.Count);
  EXPECT_EQ(1, list.IsFileSetKept(1));
  EXPECT_EQ(0, list.IsFileSetKept(first));
  EXPECT_EQ(4 * kept, OpenDescriptors() - before);

  // A sheet kept costs no file opening: its descriptor file may even be
  // gone from the folder.
  const int gone = first + 1;
  ASSERT_EQ(1, list.Open(&map, gone));
  ASSERT_EQ(1, list.Open(&map, gone + 1));
  const Bytes keep = ReadFile(Name(dir, gone, ".HDR"));
  ASSERT_EQ(0, std::rename(Name(dir, gone, ".HDR").c_str(), (dir / "moved").c_str()));
  EXPECT_EQ(1, list.Open(&map, gone));
  // In another edit mode the sheet is opened afresh, and now fails.
  map.EditModeCopy = 1;
  EXPECT_EQ(0, list.Open(&map, gone));
  EXPECT_EQ(MAPERR_OPEN, list.GetError());

  // A full close closes every kept file.
  list.Close(1);
  EXPECT_EQ(0, OpenDescriptors() - before);
  for (int n = gone + 1; n <= sheets; ++n) EXPECT_TRUE(Deletable(Name(dir, n, ".HDR"))) << n;
}

INSTANTIATE_TEST_SUITE_P(Sizes, SheetTable, ::testing::Values(int(TMapList::FILESET_COUNT), 24));

// Half the limit is the host's, and past 8,192 it keeps 4,096 or a quarter
// of a raised limit, whichever is more: a limit raised for many sheets
// lets the table keep them.
TEST_F(SheetTable, LeavesTheHostHalfALowLimitAndAQuarterOfAHighOne) {
  const DWORD limits[][2] = {{1024, 512}, {8192, 4096}, {10000, 5904}, {20000, 15000}};
  for (const auto& [limit, budget] : limits) {
    plat::SetDescriptorLimit(limit);
    EXPECT_EQ(int(budget), TMapList::DescriptorBudget()) << limit;
  }
}

// A table that kept many sheets under a high limit keeps a few under a low
// one: its free entries leave its end, so that keeping a sheet no longer
// searches the entries of the sheets gone.
TEST_F(SheetTable, ShrinksToTheSheetsItKeepsUnderALowerLimit) {
  constexpr int kMany = 40, kSheets = kMany + TMapList::FILESET_COUNT;
  WriteSheets(kSheets);
  TestMap map(dir.path(), kSheets);
  TMapList list;
  for (int n = 1; n <= kMany; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  ASSERT_EQ(kMany, list.KeptSheets());
  plat::SetDescriptorLimit(1);  // the table keeps 16 sheets
  for (int n = kMany + 1; n <= kSheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  EXPECT_EQ(TMapList::FILESET_COUNT, list.KeptSheets());
  EXPECT_EQ(TMapList::FILESET_COUNT, list.FileSetCount());
  // The sheets kept are still taken back without opening a file.
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  for (int n = kMany + 1; n <= kSheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
}

// A table that keeps FILESET_COUNT sheets (a descriptor limit of 1) and
// two sheets more, opened in turn: sheets 1 and 2 are then not kept.
class SmallTable : public MapListTest {
 protected:
  static constexpr int kOpened = TMapList::FILESET_COUNT + 2;
  void SetUp() override {
    MapListTest::SetUp();
    plat::SetDescriptorLimit(1);
    WriteSheets(kOpened);
  }
  void TearDown() override {
    plat::SetDescriptorLimit(0);
    MapListTest::TearDown();
  }
  void OpenInTurn(TMapBase& map, TMapList& list) {
    for (int n = 1; n <= kOpened; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
    ASSERT_EQ(0, list.IsFileSetKept(1));
  }
};

// Reopening a sheet that is not kept compares its names with the few
// records that may hold them, not with every record of the table; a
// record whose names were changed since to those of another sheet is
// still refused at its opening.
TEST_F(SmallTable, ReopeningASheetComparesFewNamesOnALargeTable) {
  TestMap map(dir.path(), 4000);
  TMapList list;
  ASSERT_NO_FATAL_FAILURE(OpenInTurn(map, list));
  const uint64_t before = FolderNameComparisons();
  for (int round = 0; round < 2; ++round)
    for (int n = 1; n <= kOpened; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  EXPECT_LT((FolderNameComparisons() - before) / (2 * kOpened), 64u);

  std::strcpy(map.List(1)->NameDAT, "s2.dat");
  ASSERT_EQ(0, list.IsFileSetKept(1));
  EXPECT_EQ(0, list.Open(&map, 1));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
}

// A sheet taken back from those kept open compares none of its names: its
// record was found usable with the names it has. A record named otherwise
// since, in memory or in the map file read again after another writer
// saved it, is checked afresh and refused.
TEST_F(MapListTest, ASheetKeptComparesItsNamesOnlyOnceTheyChange) {
  constexpr int kSheets = 4;
  WriteSheets(kSheets);
  TestMap map(dir.path(), kSheets);
  ASSERT_TRUE(map.MakeMapFile());
  TMapList list;
  for (int round = 0; round < 2; ++round)
    for (int n = 1; n <= kSheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  uint64_t before = FolderNameComparisons();
  for (int n = 1; n <= kSheets; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  EXPECT_EQ(before, FolderNameComparisons());

  char keep[sizeof(LISTDESC::NameSEM)];
  std::memcpy(keep, map.List(2)->NameSEM, sizeof(keep));
  std::strcpy(map.List(2)->NameSEM, "s2.dat");
  ASSERT_EQ(1, list.IsFileSetKept(2));
  EXPECT_EQ(0, list.Open(&map, 2));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
  std::memcpy(map.List(2)->NameSEM, keep, sizeof(keep));
  ASSERT_EQ(1, list.Open(&map, 2));

  // Another writer names sheet 3's graphics file as the map file.
  const std::string path = map.Path;
  const size_t at = PASSPORT_LENGTH + 2 * LISTDESC_LENGTH + offsetof(LISTDESC, NameGRA);
  Bytes file = ReadFile(path);
  ASSERT_LT(at + 9, file.size());
  std::memcpy(&file[at], "test.map", 9);
  WriteFile(path, file);
  ASSERT_EQ(1, map.OpenPassport(path.c_str()));
  before = FolderNameComparisons();
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_LT(before, FolderNameComparisons());
  ASSERT_EQ(1, list.IsFileSetKept(3));
  EXPECT_EQ(0, list.Open(&map, 3));
  EXPECT_EQ(MAPERR_DATA, list.GetError());
}

// The kernel entries of a switch to a sheet that is not kept: each of its
// files opened once with its share markers, its signature and the header
// read; and none at all for a switch to a sheet kept.
TEST_F(SmallTable, ASheetSwitchMakesFewSystemCalls) {
  auto calls = [&](TMapBase& map, TMapList& list, int n) {
    const plat::SystemCallCounts before = plat::SystemCalls();
    EXPECT_EQ(1, list.Open(&map, n));
    plat::SystemCallCounts after = plat::SystemCalls();
    after.open -= before.open, after.close -= before.close, after.stat -= before.stat;
    after.lock -= before.lock, after.flock -= before.flock, after.read -= before.read;
    after.map -= before.map;
    return after;
  };
  // Four files: each opened once (and its name looked at again under the
  // guard), its share markers tested and taken by three lock calls under
  // one whole-file lock and its release, its signature read; the graphics
  // file looked for by one look at its name. The descriptors read with the
  // header serve the chain's ends, and the last descriptor counted found
  // there proves the file's length. The sheet kept longest ago closes its
  // four, adjacent descriptors, in one call. A sheet kept opens and locks
  // nothing.
  {
    TestMap map(dir.path(), kOpened);
    TMapList list;
    ASSERT_NO_FATAL_FAILURE(OpenInTurn(map, list));
    const plat::SystemCallCounts fresh = calls(map, list, 1);
    EXPECT_EQ(4u, fresh.open);
    EXPECT_EQ(1u, fresh.close);
    EXPECT_LE(fresh.lock, 3u * 4);
    EXPECT_LE(fresh.flock, 2u * 4);
    EXPECT_LE(fresh.stat, 10u);
    EXPECT_EQ(4u, fresh.read);
    EXPECT_EQ(0u, fresh.map);
    ASSERT_EQ(1, list.Open(&map, 2));
    const plat::SystemCallCounts kept = calls(map, list, 1);
    EXPECT_EQ(0u, kept.open + kept.close + kept.lock + kept.flock + kept.map);
  }
  // Caches that read by pieces (more sheets than their memory keeps whole)
  // read the header's piece and, on a sheet of more objects than that
  // holds, the last two descriptors together. A sheet whose record counts
  // its objects, as the map keeps them from the sheet's last opening, is
  // read whole with its header; a count that is wrong costs the reads it
  // saved, and the sheet opens as it is.
  SheetBuilder longer = SmallSheet(10);
  for (int k = 0; k < 6; ++k) longer.Add(LOCAL_POINT, MetricRecord(24, k));
  longer.Write(dir.path(), TestMap::Base(1));
  const KeptBudget pieces(1);
  TestMap map(dir.path(), kOpened);
  TMapList list;
  ASSERT_NO_FATAL_FAILURE(OpenInTurn(map, list));
  const LONG objects = 9;
  for (const LONG counted : {LONG(0), objects, objects - 4, LONG(200)}) {
    map.List(1)->ObjectCount = counted;
    const plat::SystemCallCounts fresh = calls(map, list, 1);
    EXPECT_EQ(4u, fresh.open) << counted;
    EXPECT_LE(fresh.stat, counted == objects ? 9u : 10u) << counted;
    EXPECT_EQ(counted >= objects ? 4u : 5u, fresh.read) << counted;
    EXPECT_EQ(objects, list.Head.Count);
    ASSERT_NE(nullptr, list.ObjectDesc(objects));
    for (int n = 2; n <= kOpened; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  }
}

// A sheet opened while its semantics file was missing, which another
// writer then makes. A write that needs the file while it cannot be opened
// fails rather than making it anew over that writer's records; the sheet,
// kept without the file, tries it again at its next use.
TEST_F(MapListTest, ASheetFileMadeByAnotherWriterIsOpenedNeverMadeAnew) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  const std::string sem = Name(dir, 1, ".SEM");
  const Bytes keep = ReadFile(sem);
  ASSERT_TRUE(plat::DeleteFileA(sem.c_str()));
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(nullptr, list.ObjectSemnAddr(1));
  WriteFile(sem, keep);
  FVSPR desc = *reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(DWORD(list.Head.First)));
  Bytes record = SemnRecord(40);
  {
    plat::FaultVfs faults;
    plat::ScopedVfs use(&faults);
    // Both ways of opening it (the second with the default sharing).
    faults.Fail(plat::VfsOp::Open, 1);
    faults.Fail(plat::VfsOp::Any, 2);
    EXPECT_NE(0, list.WriteObjectSemn(&desc, reinterpret_cast<SEMANTIC*>(record.data())));
  }
  EXPECT_EQ(MAPERR_OPEN, list.GetError());
  EXPECT_TRUE(ReadFile(sem) == keep) << "the file was made anew";
  ASSERT_EQ(1, list.Open(&map, 2));
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_NE(nullptr, list.ObjectSemnAddr(1));
}

// A host that holds most of the descriptors the process may have: the
// sheets kept give theirs back so that the host keeps a reserve and every
// sheet still opens whole; running out is never a missing file, and a
// sheet that could not open for want of descriptors opens whole at its
// next use.
class ShortOfDescriptors : public MapListTest {
 protected:
  static constexpr rlim_t kLimit = 1024;
  void SetUp() override {
    MapListTest::SetUp();
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
    if (saved.rlim_max < kLimit) GTEST_SKIP() << "the hard limit is below " << kLimit;
    rlimit low = saved;
    low.rlim_cur = kLimit;
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &low));
    lowered = true;
  }
  void TearDown() override {
    GiveBack(held.size());
    if (lowered) setrlimit(RLIMIT_NOFILE, &saved);
    MapListTest::TearDown();
  }
  // The host opens `count` files (of no access) more, or as many as it
  // can: whether it opened them all.
  bool Hold(int count) {
    for (; count > 0; --count) {
      const int fd = ::open("/", O_PATH | O_CLOEXEC);
      if (fd < 0) return false;
      held.push_back(fd);
    }
    return true;
  }
  void HoldAllBut(int spare) {
    Hold(int(kLimit));
    GiveBack(size_t(spare));
  }
  void GiveBack(size_t count) {
    for (; count > 0 && !held.empty(); --count) {
      ::close(held.back());
      held.pop_back();
    }
  }
  bool HostOpens(int count) {
    const size_t before = held.size();
    const bool all = Hold(count);
    GiveBack(held.size() - before);
    return all;
  }

  rlimit saved{};
  bool lowered = false;
  std::vector<int> held;
};

TEST_F(ShortOfDescriptors, EverySheetReadsAndTheHostKeepsItsReserve) {
  const int sheets = 200;
  WriteSheets(sheets);
  TestMap map(dir.path(), sheets);
  TMapList list;
  auto reads = [&](int n) {
    if (list.Open(&map, n) != 1) return false;
    const FVSPR* desc = list.ObjectDesc(1);
    if (desc == nullptr) return false;
    const FVSPR d = *desc;
    return list.DataAddr(d.DataOffset) != nullptr && list.SemnAddr(d.SemnOffset) != nullptr &&
           list.DrawAddr(d.DrawOffset) != nullptr;
  };

  Hold(900 - OpenDescriptors());
  for (int n = 1; n <= sheets; ++n) EXPECT_TRUE(reads(n)) << n;
  EXPECT_TRUE(HostOpens(TMapList::DescriptorReserve()));

  // The host takes every descriptor left: the sheets kept give theirs back.
  HoldAllBut(0);
  EXPECT_TRUE(reads(sheets / 2));

  // With nothing kept to give one back, a sheet that cannot open all its
  // files does not open, and opens whole once the host gave some back.
  list.Close(1);
  HoldAllBut(2);
  EXPECT_EQ(0, list.Open(&map, 2));
  EXPECT_EQ(MAPERR_MANYFILES, list.GetError());
  GiveBack(held.size());
  EXPECT_TRUE(reads(2));
}

// Descriptors the host takes while plenty were left go unseen for a few
// switches at most: then the sheets kept give theirs back for the host's
// reserve, not only one sheet at a time as the lists run out.
TEST_F(ShortOfDescriptors, TheHostsOwnFilesAreSeenWithinAFewSwitches) {
  const int sheets = 60;
  WriteSheets(sheets);
  TestMap map(dir.path(), sheets);
  TMapList list;
  for (int n = 1; n <= sheets / 2; ++n) ASSERT_EQ(1, list.Open(&map, n)) << n;
  const int kept = TMapList::KeptDescriptors();
  HoldAllBut(8);
  int fewest = kept;
  for (int n = sheets / 2 + 1; n <= sheets / 2 + 17; ++n) {
    ASSERT_EQ(1, list.Open(&map, n)) << n;
    fewest = std::min(fewest, TMapList::KeptDescriptors());
  }
  EXPECT_LE(fewest + TMapList::DescriptorReserve() / 2, kept);
}

// A sheet left for another one keeps its caches with its files: going
// back to it reads nothing again but the map's change counter and the
// sheet's header, to find that nobody changed anything since. Once another
// writer changed its header, its caches are emptied and the sheet is read
// as the files hold it now; so they are for a map without a change counter
// to tell.
TEST_F(MapListTest, ASheetLeftKeepsItsCachesWhileNobodyChangedTheMap) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  ASSERT_TRUE(map.MakeMapFile());
  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  TMapList list;
  auto read = [&](int n) {
    const FVSPR* desc = list.ObjectDesc(n);
    ASSERT_NE(nullptr, desc) << n;
    const FVSPR d = *desc;
    ASSERT_NE(nullptr, list.DataAddr(d.DataOffset)) << n;
    EXPECT_TRUE(d.SemnOffset == 0 || list.SemnAddr(d.SemnOffset) != nullptr) << n;
    EXPECT_TRUE(d.DrawOffset == 0 || list.DrawAddr(d.DrawOffset) != nullptr) << n;
  };
  ASSERT_EQ(1, list.Open(&map, 1));
  for (int n = 1; n <= 3; ++n) ASSERT_NO_FATAL_FAILURE(read(n));
  ASSERT_EQ(1, list.Open(&map, 2));
  for (int n = 1; n <= 3; ++n) ASSERT_NO_FATAL_FAILURE(read(n));

  counter.Reset();
  ASSERT_EQ(1, list.Open(&map, 1));
  for (int n = 1; n <= 3; ++n) ASSERT_NO_FATAL_FAILURE(read(n));
  EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
  EXPECT_EQ(2, counter.Count(plat::VfsOp::Read));

  // Another writer gives object 2 a new key, and the header its next key.
  ASSERT_EQ(1, list.Open(&map, 2));
  HANDLE other = plat::CreateFileA(Name(dir, 1, ".HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  HDRHEAD head;
  FVSPR two;
  ASSERT_TRUE(plat::ReadExactAt(other, 0, &head, sizeof(head)));
  ASSERT_TRUE(plat::ReadExactAt(other, 2 * 48, &two, sizeof(two)));
  two.Key = head.NextKey++;
  ASSERT_TRUE(plat::WriteExactAt(other, 2 * 48, &two, sizeof(two)));
  ASSERT_TRUE(plat::WriteExactAt(other, 0, &head, sizeof(head)));
  plat::CloseHandle(other);
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(head.NextKey, list.Head.NextKey);
  ASSERT_NE(nullptr, list.ObjectDesc(2));
  EXPECT_EQ(two.Key, list.ObjectDesc(2)->Key);
  for (int n = 1; n <= 3; ++n) ASSERT_NO_FATAL_FAILURE(read(n));

  TestMap bare(dir.path(), 2);
  TMapList alone;
  ASSERT_EQ(1, alone.Open(&bare, 1));
  ASSERT_NE(nullptr, alone.ObjectDesc(1));
  ASSERT_EQ(1, alone.Open(&bare, 2));
  // Without a counter nothing tells of another writer's change: the sheet
  // kept is read afresh.
  other = plat::CreateFileA(Name(dir, 1, ".HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  FVSPR one;
  ASSERT_TRUE(plat::ReadExactAt(other, 48, &one, sizeof(one)));
  ++one.Key;
  ASSERT_TRUE(plat::WriteExactAt(other, 48, &one, sizeof(one)));
  plat::CloseHandle(other);
  counter.Reset();
  ASSERT_EQ(1, alone.Open(&bare, 1));
  ASSERT_NE(nullptr, alone.ObjectDesc(1));
  EXPECT_EQ(one.Key, alone.ObjectDesc(1)->Key) << "kept without a counter";
  EXPECT_LE(1, counter.Count(plat::VfsOp::Read));
}

// A sheet left for another one keeps the hints of its scattered reads
// while they take little memory; many (a large sheet read all over) are
// given up, so that the sheets kept hold a bounded amount of them, and so
// are all of them before the caches when the sheets left hold too much.
TEST_F(MapListTest, ASheetLeftKeepsAFewHintsOnly) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  ASSERT_TRUE(map.MakeMapFile());
  TMapList list;
  for (const int hints : {2, 70000}) {
    ASSERT_EQ(1, list.Open(&map, 1));
    for (int k = 1; k <= hints; ++k) list.HeadBuffer.NoteHint(k, 64, 32);
    ASSERT_EQ(1, list.Open(&map, 2));
    ASSERT_EQ(1, list.Open(&map, 1));
    for (int k = 1; k <= hints; k += 997)
      EXPECT_EQ(hints == 2 ? 64u : 0u, THeadBuffer::HintData(list.HeadBuffer.Hint(k)))
          << hints << " " << k;
  }
  // Past the budget of the sheets left, their hints go before their caches.
  list.HeadBuffer.NoteHint(1, 64, 32);
  ASSERT_EQ(1, list.Open(&map, 2));
  const size_t with = list.ParkedCacheBytes();  // sheet 1's, with its hint
  ASSERT_EQ(1, list.Open(&map, 1));
  KeptBudget budget(with - 1);
  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_GT(list.ParkedCacheBytes(), 0u);
  EXPECT_LT(list.ParkedCacheBytes(), with);
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(0u, list.HeadBuffer.Hint(1));
}

// On a map of more sheets than the budget of the sheets left holds with
// whole caches, what a sheet left keeps follows what its caches hold, not
// the blocks they read into: a sheet read in one place keeps a few
// kilobytes, and the blocks serve the next sheet (no new memory for it).
TEST_F(MapListTest, ASheetLeftKeepsWhatItHolds) {
  WriteSheets(2);
  TestMap map(dir.path(), 2);
  ASSERT_TRUE(map.MakeMapFile());
  // More sheets than the budget holds with whole caches.
  KeptBudget budget(0x10000);
  TMapList list;
  auto blocks = [&] {
    return list.HeadBuffer.BlockBytes() + list.DataBuffer.BlockBytes() +
           list.SemnBuffer.BlockBytes() + list.DrawBuffer.BlockBytes();
  };
  ASSERT_EQ(1, list.Open(&map, 1));
  const FVSPR* desc = list.ObjectDesc(3);
  ASSERT_NE(nullptr, desc);
  ASSERT_NE(nullptr, list.DataAddr(desc->DataOffset));
  const int64_t open = blocks();
  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_GT(list.ParkedCacheBytes(), 0u);  // kept, within the budget
  EXPECT_LT(list.ParkedCacheBytes(), 16384u);
  EXPECT_GT(open, 16 * 16384);
  EXPECT_EQ(open, blocks());
  ASSERT_EQ(1, list.Open(&map, 1));
  desc = list.ObjectDesc(3);
  ASSERT_NE(nullptr, desc);
  EXPECT_NE(nullptr, list.DataAddr(desc->DataOffset));
}

// The sheets left keep their caches within their budget: beyond it the
// sheet left longest ago gives its caches up and keeps its files, so that
// going back to it opens nothing but reads its objects afresh. (A budget
// this small holds no whole caches: each sheet keeps what it read, by
// pieces, the last object's records.)
TEST_F(MapListTest, TheSheetsLeftKeepTheirCachesWithinTheirBudget) {
  WriteSheets(4);
  TestMap map(dir.path(), 4);
  ASSERT_TRUE(map.MakeMapFile());
  KeptBudget budget(0x10000);
  TMapList list;
  auto read = [&](int sheet, int from) {
    ASSERT_EQ(1, list.Open(&map, sheet));
    for (int n = from; n <= 3; ++n) {
      const FVSPR* desc = list.ObjectDesc(n);
      ASSERT_NE(nullptr, desc) << n;
      ASSERT_NE(nullptr, list.DataAddr(desc->DataOffset)) << n;
    }
  };
  ASSERT_NO_FATAL_FAILURE(read(1, 1));
  ASSERT_NO_FATAL_FAILURE(read(2, 1));
  const size_t one = list.ParkedCacheBytes();  // sheet 1's
  ASSERT_GT(one, 0u);
  TMapList::SetKeptCacheBytes(2 * one);
  for (int sheet : {3, 4}) ASSERT_NO_FATAL_FAILURE(read(sheet, 1));
  EXPECT_EQ(2 * one, list.ParkedCacheBytes());

  plat::FaultVfs counter;
  plat::ScopedVfs use(&counter);
  ASSERT_NO_FATAL_FAILURE(read(3, 3));
  EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
  EXPECT_EQ(2, counter.Count(plat::VfsOp::Read));  // the counter and the header
  counter.Reset();
  ASSERT_NO_FATAL_FAILURE(read(1, 3));
  EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
  EXPECT_LT(2, counter.Count(plat::VfsOp::Read));
}

TEST_F(MapListTest, RecordsReadThroughTheOpenSheet) {
  // Two sheets: the metric cache is one 256 KB window, and a 2 MB record
  // is readable all the same.
  SheetBuilder one = SmallSheet();
  const Bytes big = MetricRecord(2 * 1024 * 1024, 4);
  const int n = one.Add(LOCAL_LINE, big, SemnRecord(100, 0x44), DrawRecord(64, 0x55));
  one.Write(dir.path(), TestMap::Base(1));
  SmallSheet(20).Write(dir.path(), TestMap::Base(2));
  TestMap map(dir.path(), 2);

  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(1, list.DataBuffer.WindowCount());
  EXPECT_EQ(4, list.Head.Count);
  const auto* desc = reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(n));
  ASSERT_NE(nullptr, desc);
  const char* metric = list.DataBuffer.RecordAddr(desc->DataOffset);
  const char* semn = list.SemnBuffer.RecordAddr(desc->SemnOffset);
  const char* draw = list.DrawBuffer.RecordAddr(desc->DrawOffset);
  ASSERT_TRUE(metric && semn && draw);
  EXPECT_EQ(0, std::memcmp(metric, big.data(), big.size()));
  EXPECT_EQ(0x44, semn[20]);
  EXPECT_EQ(0x55, draw[20]);

  // The chain from the header's first object to its last.
  int walked = 0;
  for (DWORD k = static_cast<DWORD>(list.Head.First); k != 0;) {
    const auto* d = reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(k));
    ASSERT_NE(nullptr, d);
    ++walked;
    k = d->Next;
  }
  EXPECT_EQ(4, walked);
  EXPECT_EQ(nullptr, list.HeadBuffer.RecordAddr(5));

  // Another sheet has caches of its own. The metric cache grown for the
  // long record gives that memory back when its sheet is left: it has one
  // window again when the sheet opens again, and grows for the record.
  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_EQ(1, list.DataBuffer.WindowCount());
  desc = reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(2));
  ASSERT_NE(nullptr, desc);
  EXPECT_EQ(0, std::memcmp(list.DataBuffer.RecordAddr(desc->DataOffset),
                           MetricRecord(1024, 21).data(), 1024));
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(1, list.DataBuffer.WindowCount());
  desc = reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(n));
  ASSERT_NE(nullptr, desc);
  metric = list.DataBuffer.RecordAddr(desc->DataOffset);
  ASSERT_NE(nullptr, metric);
  EXPECT_EQ(0, std::memcmp(metric, big.data(), big.size()));
  EXPECT_EQ(9, list.DataBuffer.WindowCount());
}

TEST_F(MapListTest, SheetsOfAMapFileOpen) {
  // A map file with two sheets, read by the passport reader.
  mctest::MapScratch scratch(MC_TEST_TMP);
  mctest::MapBuilder builder;
  mctest::SheetSpec second;
  second.base = "M37002";
  builder.sheets.push_back(second);
  builder.Write(scratch, "TWO.MAP");

  TMapBase map;
  ASSERT_EQ(1, map.OpenPassport((scratch / "TWO.MAP").c_str()));
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 2));
  EXPECT_EQ(2, list.Number());
  EXPECT_EQ(0, list.Head.Count);
  EXPECT_EQ(1u, list.Head.NextKey);
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_EQ(1, list.Number());
  EXPECT_EQ(1, list.IsWritable());
  EXPECT_TRUE(boxes.boxes().empty());
}
