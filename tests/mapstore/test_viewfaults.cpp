// Saves of a map written alone, through writable views of its sheet files,
// with each file operation failing in turn (making or growing a view,
// growing the file, cutting its reserve off at the close), once or from
// then on: every object acknowledged reads back after the map is reopened,
// a failed change says so, and the map takes the next object.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "support/fault_sweep.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace writertest;

namespace {

const int kLocals[] = {LOCAL_LINE, LOCAL_TITLE, LOCAL_POLYGON, LOCAL_POINT, LOCAL_MIXED};

void NoSleep(DWORD, void*) {}

class ViewFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    plat::SetSleepHook(&NoSleep, nullptr);  // a refused lock is tried again at once
    ASSERT_TRUE(CreateTestMap(dir.path()));
    TMap map;
    Open(map);
    for (int id = 1; id <= 3; ++id) ASSERT_EQ(id, AppendObject(map, id, kLocals[id - 1]));
    map.CloseData();
    files_ = Snapshot(dir.path());
    counter_ = Counter();
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    MessageEnableSet(messages_);
    plat::SetDescriptorLimit(0);
    TMapList::SetKeptCacheBytes(keptCaches_);
  }

  // The change counter as the map file holds it.
  DWORD Counter() const {
    DWORD counter = 0;
    HANDLE h = plat::CreateFileA((dir / "map.map").c_str(), GENERIC_READ, 3, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_TRUE(plat::ReadExactAt(h, 20, &counter, 4));
    plat::CloseHandle(h);
    return counter;
  }
  void Open(TMap& map) {
    ASSERT_EQ(1, map.OpenData((dir / "map.map").c_str(), 0)) << map.MapError.Error();
    ASSERT_EQ(1, map.OpenList(1));
  }
  // Runs `task` on `map` with each file operation failing in turn, once and
  // from then on, `map` opened on the saved files before each run; `check`
  // looks at each run. Each sweep must make more than 10 runs.
  void SweepViews(TMap& map, const std::function<void()>& task,
                  const std::function<void(const mctest::SweepRun&)>& check) {
    mctest::FaultSweep sweep;
    sweep.views = true;
    sweep.prepare = [&] {
      map.CloseData();
      Restore(dir.path(), files_);
      Open(map);
    };
    for (const bool persist : {false, true}) {
      sweep.fault.persist = persist_ = persist;
      EXPECT_GT(sweep.Run(task, check), 10) << persist;
    }
  }

  mctest::ScratchDir dir{mctest::MemoryScratchRoot(MC_TEST_TMP).c_str()};
  FolderFiles files_;
  DWORD counter_ = 0;     // the change counter of the saved files
  bool persist_ = false;  // the sweep's faults persist
  int messages_ = 1;
  const size_t keptCaches_ = TMapList::KeptCacheBytes();
};

TEST_F(ViewFaults, AppendsAndAnUpdateThroughViewsLoseNothing) {
  TMap map;
  std::vector<std::pair<int, int>> acked;  // number, id of each append acknowledged
  int updated = 0;
  auto task = [&] {
    acked.clear();
    for (int id = 4; id <= 5; ++id) {
      const int n = AppendObject(map, id, kLocals[id - 1]);
      if (n > 0) acked.emplace_back(n, id);
    }
    // The title grows: its metric moves to the end of the file.
    updated = UpdateObject(map, 2, 1002);
    map.CloseData();
  };
  auto check = [&](const mctest::SweepRun& run) {
    EXPECT_TRUE((acked.size() == 2 && updated) || run.faulted) << run;
    TMap again;
    Open(again);
    const int count = again.List.Count();
    EXPECT_EQ(3 + int(acked.size()), count) << run;
    EXPECT_EQ("", CheckObject(again.List, 1, 1)) << run;
    EXPECT_EQ("", CheckObject(again.List, 3, 3)) << run;
    const std::string asNew = CheckObject(again.List, 2, 1002);
    if (updated)
      EXPECT_EQ("", asNew) << run;
    else
      EXPECT_TRUE(asNew.empty() || CheckObject(again.List, 2, 2).empty()) << run << asNew;
    for (const auto& [n, id] : acked) EXPECT_EQ("", CheckObject(again.List, n, id)) << run;
    EXPECT_EQ("", CheckChain(again.List)) << run;
    // The counter never goes back, and tells of the objects acknowledged
    // (a raise that failed once made at the next chance).
    const DWORD counter = Counter();
    EXPECT_GE(counter, counter_) << run;
    if (!persist_ && !acked.empty()) {
      EXPECT_GT(counter, counter_) << run;
    }
    // The map takes the next object.
    EXPECT_EQ(count + 1, AppendObject(again, 6, LOCAL_LINE)) << run;
    again.CloseData();
    Open(again);
    EXPECT_EQ("", CheckObject(again.List, count + 1, 6)) << run;
  };
  SweepViews(map, task, check);
}

// Appends going back and forth between two sheets, each keeping its views
// and reserves while the other one is written, then (in one round) one in
// edit mode, which cuts every sheet's reserves off first, and the close,
// which cuts off what is left; the same with no memory for the caches of
// the sheets left, so that each sheet left gives up its views at once (its
// reserves cut off under its own lock); and appends going round more
// sheets than the map keeps, so that the first one leaves the table before
// it is written again: every object acknowledged reads back on its sheet,
// and each sheet takes the next object.
TEST_F(ViewFaults, AppendsToSheetsInTurnLoseNothing) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  files_ = Snapshot(dir.path());
  TMap map;
  struct Acked {
    int sheet, number, id;
  };
  std::vector<Acked> acked;
  auto append = [&](int sheet, int id) {
    if (map.OpenList(sheet) != 1) return;
    const int n = AppendObject(map, id, kLocals[id % 5]);
    if (n > 0) acked.push_back({sheet, n, id});
  };
  int sheets = 2;
  bool edit = false, uncached = false;
  // Two sheets: four appends in turn (three without caches for the sheets
  // left); more: one on each and the first again.
  auto appends = [&] { return sheets == 2 ? 4 - uncached : sheets + 1; };
  auto task = [&] {
    acked.clear();
    for (int k = 0; k < appends(); ++k) append(1 + k % sheets, 10 + k);
    if (edit) {
      map.WorkMode(1);
      append(2, 10 + appends());
    }
    map.CloseData();
  };
  auto check = [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(int(acked.size()) == appends() + (edit ? 1 : 0) || run.faulted) << run;
    TMap again;
    Open(again);
    for (const Acked& a : acked) {
      ASSERT_EQ(1, again.OpenList(a.sheet)) << run;
      EXPECT_EQ("", CheckObject(again.List, a.number, a.id)) << run << " sheet " << a.sheet;
    }
    for (int sheet = 1; sheet <= sheets; ++sheet) {
      ASSERT_EQ(1, again.OpenList(sheet)) << run;
      EXPECT_TRUE(sheet != 1 || CheckObject(again.List, 1, 1).empty()) << run;
      EXPECT_EQ("", CheckChain(again.List)) << run << " sheet " << sheet;
      const int count = again.List.Count();
      EXPECT_EQ(count + 1, AppendObject(again, 40 + sheet, LOCAL_LINE)) << run;
    }
    again.CloseData();
  };
  for (const bool inEdit : {false, true}) {
    edit = inEdit;
    SweepViews(map, task, check);
  }
  edit = false;
  uncached = true;
  TMapList::SetKeptCacheBytes(0);
  SweepViews(map, task, check);
  TMapList::SetKeptCacheBytes(keptCaches_);
  uncached = false;
  map.CloseData();
  Restore(dir.path(), files_);
  plat::SetDescriptorLimit(1);  // the table keeps 16 sheets
  sheets = TMapList::FILESET_COUNT + 1;
  ASSERT_TRUE(AddTestSheets(dir.path(), sheets));
  files_ = Snapshot(dir.path());
  edit = false;
  SweepViews(map, task, check);
}

}  // namespace
