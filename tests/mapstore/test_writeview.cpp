// Appends of a map that no other user edits go to the sheet files through
// writable views: the files hold the same bytes as when every record is
// written through the file, a reader of the open map sees every object at
// once, the files grow ahead of the records only while this writer alone
// writes them (turning to edit mode cuts them back), and a file cut short
// or grown by someone else under the view loses nothing and keeps the other
// writer's bytes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "platform/vfs_fault.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace writertest;

namespace {

const int kLocals[] = {LOCAL_LINE,  LOCAL_POLYGON, LOCAL_POINT,
                       LOCAL_TITLE, LOCAL_VECTOR,  LOCAL_MIXED};
const char* const kSheetFiles[] = {"S1.HDR", "S1.DAT", "S1.SEM", "S1.GRA"};

class WriteView : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
  }
  void TearDown() override {
    MessageEnableSet(messages_);
    plat::SetDescriptorLimit(0);
    TMapList::SetKeptCacheBytes(keptCaches_);
  }
  static bool Open(TMap& map, const std::string& folder) {
    return map.OpenData((folder + "map.map").c_str(), 0) == 1 && map.OpenList(1) == 1;
  }
  static int64_t Length(const std::string& path) {
    HANDLE h = plat::CreateFileA(path.c_str(), GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    const int64_t length = plat::FileLength(h);
    plat::CloseHandle(h);
    return length;
  }
  // Makes the map in `folder` (ending in '/'), opens it and appends
  // objects 1..count; `other` gets a second handle on its metric file.
  static void MakeWritten(TMap& map, const std::string& folder, int count, HANDLE* other) {
    ASSERT_TRUE(CreateTestMap(folder));
    ASSERT_TRUE(Open(map, folder));
    for (int i = 1; i <= count; ++i) ASSERT_EQ(i, AppendObject(map, i, kLocals[i % 6]));
    *other = plat::CreateFileA((folder + "S1.DAT").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, *other);
  }
  // The end of the records of the open sheet's last object in the metric file.
  static int64_t MetricEnd(TMap& map) {
    const FVSPR d = *map.List.ObjectDesc(map.List.Count());
    return int64_t(d.DataOffset) + map.List.DataAddr(d.DataOffset)->Length;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
  const size_t keptCaches_ = TMapList::KeptCacheBytes();
};

// The same appends, updates and deletions through the views and through
// the file (a file layer that filters, doing nothing else, turns the views
// off) leave the same bytes in every sheet file.
TEST_F(WriteView, TheFilesHoldTheSameBytesAsWritesThroughTheFile) {
  FolderFiles made[2];
  for (int viewed = 0; viewed < 2; ++viewed) {
    const std::string folder = dir / (viewed ? "viewed/" : "plain/");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(CreateTestMap(folder));
    plat::FaultVfs filter;
    std::unique_ptr<plat::ScopedVfs> use;
    if (!viewed) use = std::make_unique<plat::ScopedVfs>(&filter);
    {
      TMap map;
      ASSERT_TRUE(Open(map, folder));
      for (int i = 1; i <= 400; ++i) ASSERT_EQ(i, AppendObject(map, i, kLocals[i % 6])) << i;
      FVSPR d = *map.List.ObjectDesc(7);
      ASSERT_EQ(7, map.UpdateObject(7, &d, nullptr, nullptr, nullptr));
      ASSERT_EQ(9, map.DeleteObject(9));
      ASSERT_EQ(401, AppendObject(map, 401, LOCAL_LINE));
    }
    for (const char* name : kSheetFiles)
      made[viewed][name] = dir.Read(std::string(viewed ? "viewed/" : "plain/") + name);
  }
  for (const char* name : kSheetFiles) {
    EXPECT_FALSE(made[0][name].empty()) << name;
    EXPECT_TRUE(made[0][name] == made[1][name]) << name;
  }
}

// Every object appended is seen at once by another reader of the map; the
// files grow ahead of the records while the map is written alone, and are
// cut back to the records' ends when it turns to edit mode.
TEST_F(WriteView, AReaderSeesEachAppendAndEditModeCutsTheFilesBack) {
  const std::string folder = dir.path();
  ASSERT_TRUE(CreateTestMap(folder));
  TMap writer, reader;
  ASSERT_TRUE(Open(writer, folder));
  for (int i = 1; i <= 60; ++i) {
    ASSERT_EQ(i, AppendObject(writer, i, kLocals[i % 6]));
    if (i % 20 != 0) continue;
    reader.CloseData();
    ASSERT_TRUE(Open(reader, folder));
    ASSERT_EQ(i, reader.List.Count());
    for (int n = 1; n <= i; ++n) ASSERT_EQ("", CheckObject(reader.List, n, n));
    EXPECT_EQ("", CheckChain(reader.List));
  }
  EXPECT_GT(Length(folder + "S1.DAT"), MetricEnd(writer));
  writer.WorkMode(1);
  EXPECT_EQ(61 * 48, Length(folder + "S1.HDR"));
  EXPECT_EQ(MetricEnd(writer), Length(folder + "S1.DAT"));
  ASSERT_EQ(61, AppendObject(writer, 61, LOCAL_LINE));
  EXPECT_EQ(62 * 48, Length(folder + "S1.HDR"));
  writer.WorkMode(0);
  ASSERT_EQ(62, AppendObject(writer, 62, LOCAL_LINE));
  writer.CloseData();
  ASSERT_TRUE(Open(writer, folder));
  for (int n = 1; n <= 62; ++n) ASSERT_EQ("", CheckObject(writer.List, n, n));
  EXPECT_EQ("", CheckChain(writer.List));
  EXPECT_EQ(63 * 48, Length(folder + "S1.HDR"));
  EXPECT_EQ(MetricEnd(writer), Length(folder + "S1.DAT"));
}

// Records stored past a sheet file's old end bring into memory only the
// pages they reach, not a stretch of the reserve around them (which holds
// nothing but zeros, and on a file system that reads ahead would fill
// memory at the first store: megabytes where it reads far ahead).
TEST_F(WriteView, TheReserveTakesNoMemoryBeforeRecordsReachIt) {
  const std::string folder = dir.path();
  ASSERT_TRUE(CreateTestMap(folder));
  TMap map;
  ASSERT_TRUE(Open(map, folder));
  for (int i = 1; i <= 20; ++i) ASSERT_EQ(i, AppendObject(map, i, kLocals[i % 6]));
  // The records end in the first pages (nothing of the metric file is read).
  const int64_t page = sysconf(_SC_PAGESIZE);
  FVSPR last;
  ASSERT_EQ(0, map.List.ReadObjectDesc(20, &last));
  ASSERT_LT(int64_t(last.DataOffset) + 1024, 2 * page);
  const int64_t length = Length(folder + "S1.DAT");
  ASSERT_GT(length, 64 * page);
  // The pages of the file in memory, seen through a view of its own: the
  // records' pages and the one after them, touched by the stores.
  HANDLE file = plat::CreateFileA((folder + "S1.DAT").c_str(), GENERIC_READ, 3, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  HANDLE mapping = plat::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  plat::CloseHandle(file);
  ASSERT_NE(nullptr, mapping);
  void* view = plat::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  plat::CloseHandle(mapping);
  ASSERT_NE(nullptr, view);
  std::vector<unsigned char> held(size_t((length + page - 1) / page));
  ASSERT_EQ(0, mincore(view, size_t(length), held.data()));
  int past = 0;
  for (size_t k = 3; k < held.size(); ++k) past += held[k] & 1;
  EXPECT_EQ(0, past);
  plat::UnmapViewOfFile(view);
}

// Appends that go back and forth between the sheets of a map: a sheet
// left for another one keeps its files grown ahead of its records, so that
// coming back to it neither cuts nor grows them again. Its reserves are cut
// off when the map turns to edit mode, when the sheet leaves the table of
// recently used sheets (16 here), when it gives up its caches (beyond
// their budget; its files stay open) and when the map closes. Every object
// reads back.
TEST_F(WriteView, ASheetLeftKeepsItsReservesUntilItLeavesTheTable) {
  const std::string folder = dir.path();
  const int sheets = TMapList::FILESET_COUNT + 1;
  plat::SetDescriptorLimit(1);
  ASSERT_TRUE(CreateTestMap(folder));
  ASSERT_TRUE(AddTestSheets(folder, sheets));
  auto metric = [&](int sheet) { return Length(folder + "S" + std::to_string(sheet) + ".DAT"); };
  auto descriptors = [&](int sheet) {
    return Length(folder + "S" + std::to_string(sheet) + ".HDR");
  };
  std::map<int, std::vector<int>> ids;  // the ids appended to each sheet, by number
  int id = 1;
  TMap map;
  ASSERT_TRUE(Open(map, folder));
  auto append = [&](int sheet) {
    ASSERT_EQ(1, map.OpenList(sheet));
    ASSERT_EQ(int(ids[sheet].size()) + 1, AppendObject(map, id, kLocals[id % 6])) << id;
    ids[sheet].push_back(id++);
  };
  for (int round = 0; round < 3; ++round)
    for (int sheet = 1; sheet <= 3; ++sheet) ASSERT_NO_FATAL_FAILURE(append(sheet));

  ASSERT_EQ(1, map.OpenList(1));
  const int64_t grown = metric(1);
  EXPECT_GT(grown, MetricEnd(map));
  for (int sheet : {2, 3, 1}) {
    ASSERT_NO_FATAL_FAILURE(append(sheet));
    EXPECT_EQ(grown, metric(1)) << "after an append to sheet " << sheet;
  }

  // Edit mode: every sheet's files end at their records.
  map.WorkMode(1);
  for (int sheet = 1; sheet <= 3; ++sheet) {
    ASSERT_EQ(1, map.OpenList(sheet));
    EXPECT_EQ(MetricEnd(map), metric(sheet)) << sheet;
    EXPECT_EQ((map.List.Count() + 1) * 48, descriptors(sheet)) << sheet;
  }
  map.WorkMode(0);

  // Sheet 1 leaves the table once every other sheet was opened after it.
  for (int sheet : {1, 2}) ASSERT_NO_FATAL_FAILURE(append(sheet));
  ASSERT_EQ(1, map.OpenList(1));
  const int64_t end = MetricEnd(map);
  EXPECT_GT(metric(1), end);
  for (int sheet = 2; sheet < sheets; ++sheet) ASSERT_EQ(1, map.OpenList(sheet));
  EXPECT_GT(metric(1), end);
  ASSERT_EQ(1, map.OpenList(sheets));
  EXPECT_EQ(end, metric(1));

  // Beyond the budget of the caches a sheet left gives up its views with
  // them, its reserves cut off.
  TMapList::SetKeptCacheBytes(0);
  ASSERT_NO_FATAL_FAILURE(append(3));
  const int64_t end3 = MetricEnd(map);
  EXPECT_GT(metric(3), end3);
  ASSERT_NO_FATAL_FAILURE(append(2));
  EXPECT_EQ(end3, metric(3));
  EXPECT_EQ(1, map.List.IsFileSetKept(3));
  TMapList::SetKeptCacheBytes(keptCaches_);

  // Closing the map cuts the rest.
  ASSERT_EQ(1, map.OpenList(2));
  const int64_t end2 = MetricEnd(map);
  EXPECT_GT(metric(2), end2);
  map.CloseData();
  EXPECT_EQ(end2, metric(2));

  ASSERT_TRUE(Open(map, folder));
  for (const auto& [sheet, held] : ids) {
    ASSERT_EQ(1, map.OpenList(sheet));
    ASSERT_EQ(int(held.size()), map.List.Count()) << sheet;
    for (size_t k = 0; k < held.size(); ++k)
      EXPECT_EQ("", CheckObject(map.List, int(k) + 1, held[k])) << "sheet " << sheet;
    EXPECT_EQ("", CheckChain(map.List)) << sheet;
    EXPECT_EQ((map.List.Count() + 1) * 48, descriptors(sheet)) << sheet;
  }
}

// Another handle cuts the metric file short of the view (past the records,
// at a page) or writes past the view: the appends after it go on without a
// fault and past the other writer's bytes, which stay; every object reads
// back.
TEST_F(WriteView, AFileCutShortOrGrownUnderTheViewLosesNothing) {
  for (const bool grow : {false, true}) {
    const std::string folder = dir / (grow ? "grown/" : "cut/");
    std::filesystem::create_directories(folder);
    TMap map;
    HANDLE other;
    ASSERT_NO_FATAL_FAILURE(MakeWritten(map, folder, 30, &other));
    const int64_t length = plat::FileLength(other);
    const std::string mark(64, 'x');
    const bool changed =
        grow ? plat::WriteExactAt(other, length + 4096, mark.data(), DWORD(mark.size()))
             : plat::SetFileLength(other, (MetricEnd(map) + 0xFFF) & ~0xFFF);
    ASSERT_TRUE(changed);
    const int count = grow ? 20000 : 3000;
    for (int i = 31; i <= count; ++i) ASSERT_EQ(i, AppendObject(map, i, kLocals[i % 6])) << grow;
    if (grow) {
      EXPECT_GT(MetricEnd(map), length + 4096 + 64);
    }
    map.CloseData();
    if (grow) {
      std::string back(mark.size(), 0);
      ASSERT_TRUE(plat::ReadExactAt(other, length + 4096, back.data(), DWORD(back.size())));
      EXPECT_EQ(mark, back);
    }
    plat::CloseHandle(other);
    ASSERT_TRUE(Open(map, folder));
    for (int n = 1; n <= count; ++n) ASSERT_EQ("", CheckObject(map.List, n, n)) << grow;
    EXPECT_EQ("", CheckChain(map.List)) << grow;
  }
}

// Another writer puts its bytes right at the end of the metric file as
// the view grew it; the next record is longer than the room left in the
// view: it goes past the other writer's bytes, not over them, and reads
// back.
TEST_F(WriteView, ARecordPastTheViewsEndGoesPastAnotherWritersBytes) {
  const std::string folder = dir.path();
  TMap map;
  HANDLE other;
  ASSERT_NO_FATAL_FAILURE(MakeWritten(map, folder, 5, &other));
  const int64_t reserved = plat::FileLength(other);
  ASSERT_GT(reserved, MetricEnd(map) + 4096) << "no reserve";
  const std::string mark(64, 'x');
  ASSERT_TRUE(plat::WriteExactAt(other, reserved, mark.data(), DWORD(mark.size())));

  // Three contours of 60,000 points: more than the reserve holds.
  objtest::Points contour(60000);
  for (size_t i = 0; i < contour.size(); ++i) contour[i] = {double(i % 1000), double(i / 1000)};
  objtest::Bytes metric = objtest::Metric(METRIC_I32, {contour, contour, contour});
  ASSERT_GT(int64_t(metric.size()), reserved);
  FVSPR d = objtest::Desc(LOCAL_LINE, 16);
  ASSERT_EQ(6, map.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr));
  EXPECT_GE(int64_t(d.DataOffset), reserved + int64_t(mark.size()));
  map.CloseData();

  std::string back(mark.size(), 0);
  ASSERT_TRUE(plat::ReadExactAt(other, reserved, back.data(), DWORD(back.size())));
  EXPECT_EQ(mark, back);
  plat::CloseHandle(other);
  ASSERT_TRUE(Open(map, folder));
  for (int n = 1; n <= 5; ++n) EXPECT_EQ("", CheckObject(map.List, n, n));
  const FVSPR six = *map.List.ObjectDesc(6);
  const LONGMETRIC* stored = map.List.DataAddr(six.DataOffset);
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ(0, std::memcmp(stored, metric.data(), metric.size()));
  EXPECT_EQ("", CheckChain(map.List));
}

}  // namespace
