// Saves of a map with each of their file operations failing in turn: an
// object appended in edit mode, an object changed, the objects of a sheet
// moved and the passport with a grown sheet table.
// After every failure the map reopens, nothing committed before is lost,
// the change is there whole or was reported as failed, and the map takes
// the next change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "common/messages.h"
#include "mapstore/keytable.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/fault_sweep.h"
#include "support/mapbuilder.h"
#include "support/objectbuilder.h"
#include "support/writerprocess.h"

using namespace objtest;
using writertest::FolderFiles;
using writertest::Restore;
using writertest::Snapshot;

namespace {

namespace fs = std::filesystem;

const Points kBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};

// The metric, semantics and graphics of object `i` (all different).
struct Records {
  Bytes metric, semn, draw;
};
Records ObjectRecords(int i) {
  Points box = kBox;
  for (auto& p : box) p.first += 10 * i, p.second += 7 * i;
  Bytes line(8, 0);
  line[0] = char(i);
  return {Metric(METRIC_I32, {box}), Semantics(uint16_t(4 + i), 1000 + i),
          Draw({{128, line}})};
}

int AppendRecords(TMap& map, int i) {
  Records r = ObjectRecords(i);
  FVSPR d = Desc(LOCAL_LINE, 16);
  return map.AppendObject(&d, As<LONGMETRIC>(r.metric), As<SEMANTIC>(r.semn), As<IMGDRAW>(r.draw));
}

// Object n of the open sheet holds the records of object `i`.
void ExpectObject(TMap& map, int n, int i, const mctest::SweepRun& run) {
  const Records r = ObjectRecords(i);
  const LONGMETRIC* metric = map.List.ObjectDataAddr(n);
  ASSERT_NE(nullptr, metric) << run << " object " << n;
  ASSERT_EQ(r.metric.size(), metric->Length) << run << " object " << n;
  EXPECT_EQ(0, std::memcmp(metric, r.metric.data(), r.metric.size())) << run << " object " << n;
  const SEMANTIC* semn = map.List.ObjectSemnAddr(n);
  ASSERT_NE(nullptr, semn) << run << " object " << n;
  EXPECT_EQ(0, std::memcmp(semn, r.semn.data(), r.semn.size())) << run << " object " << n;
  const IMGDRAW* draw = map.List.ObjectDrawAddr(n);
  ASSERT_NE(nullptr, draw) << run << " object " << n;
  EXPECT_EQ(0, std::memcmp(draw, r.draw.data(), r.draw.size())) << run << " object " << n;
}

class MapFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(WriteClassifier(dir / "map.rsc", {{5550, LOCAL_LINE}}));
    ASSERT_TRUE(CreateMapFile(Path(), dir / "map.rsc"));
    TMap map;
    Open(map);
    ASSERT_EQ(1, AppendRecords(map, 1));
    ASSERT_EQ(2, AppendRecords(map, 2));
    ASSERT_EQ(1, map.Save(1));
    map.CloseData();
    files_ = Snapshot(dir.path());
  }
  void TearDown() override { MessageEnableSet(messages_); }

  std::string Path() const { return dir / "map.map"; }
  void Open(TMap& map) {
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0)) << map.MapError.Error();
    ASSERT_EQ(1, map.OpenList(1));
  }
  void Reset(TMap& map) {
    map.CloseData();
    Restore(dir.path(), files_);
    Open(map);
  }
  // Runs `change` on `map` under `sweep`: after each run the change
  // succeeded (a result above 0) or met a fault, and once `map` has closed,
  // `check` is given the map opened again and the result.
  int SweepChange(mctest::FaultSweep& sweep, TMap& map, const std::function<int()>& change,
                  const std::function<void(TMap&, int, const mctest::SweepRun&)>& check) {
    int result = 0;
    return sweep.Run([&] { result = change(); }, [&](const mctest::SweepRun& run) {
      EXPECT_TRUE(result > 0 || run.faulted) << run;
      map.CloseData();
      TMap again;
      Open(again);
      check(again, result, run);
    });
  }

  mctest::MapScratch dir{MC_TEST_TMP};
  std::map<std::string, std::string> files_;
  int messages_ = 1;
};

// Also on a sheet whose metric file was cut inside object 2's record: the
// append clears that record's marker and places its own past what the
// record claims, and the damaged object stays damaged whatever fails.
TEST_F(MapFaults, EditModeAppendKeepsEveryObject) {
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "metric file cut inside object 2" : "sound sheet");
    TMap map;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      Reset(map);
      if (cut) {
        const DWORD end = map.List.ObjectDesc(2)->DataOffset + 20;
        map.CloseData();
        fs::resize_file(dir / "S1.DAT", end);
        Open(map);
      }
      ASSERT_EQ(1, map.WorkMode(1));
    };
    // Object 2 as it must read.
    auto second = [&](TMap& m, const mctest::SweepRun& run) {
      if (cut)
        EXPECT_EQ(nullptr, m.List.ObjectDataAddr(2)) << run;
      else
        ExpectObject(m, 2, 2, run);
    };
    const int runs = SweepChange(sweep, map, [&] { return AppendRecords(map, 3); },
                                 [&](TMap& again, int number, const mctest::SweepRun& run) {
      const int count = again.List.Count();
      EXPECT_EQ(number > 0 ? 3 : 2, count) << run;
      ExpectObject(again, 1, 1, run);
      second(again, run);
      if (number > 0) ExpectObject(again, 3, 3, run);
      // The map takes the next object, in edit mode too.
      again.WorkMode(1);
      const int next = AppendRecords(again, 4);
      EXPECT_EQ(count + 1, next) << run;
      if (next > 0) ExpectObject(again, next, 4, run);
      second(again, run);
      again.CloseData();
    });
    EXPECT_GT(runs, 10);
  }
}

// A writer whose copy of the change counter is behind the file's (another
// writer changed the map since it was opened) changes an object with each
// of its file operations failing in turn, the raise of the counter's
// included. A reader that read the sheet after the other writer's change
// and left it comes back once the writer has closed the map: it reads the
// object as the files hold it, whatever failed.
TEST_F(MapFaults, AReaderComingBackSeesAChangeWhateverFailedInIt) {
  {
    TMap map;
    Open(map);
    LISTREGISTER s2 = SquareSheet("S2", 6010000, 7400000);
    ASSERT_EQ(1, map.CreateList(&s2, 0));
    ASSERT_EQ(1, map.Save(0));
    map.CloseData();
    files_ = Snapshot(dir.path());
  }
  auto recode = [](TMap& map, int n) {
    const FVSPR* stored = map.List.ObjectDesc(n);
    if (stored == nullptr) return 0;
    FVSPR d = *stored;
    ++d.Code;
    return map.UpdateObject(n, &d, nullptr, nullptr, nullptr);
  };
  for (const bool edit : {false, true}) {
    SCOPED_TRACE(edit ? "edit mode" : "outside edit mode");
    TMap writer, other, reader;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      reader.CloseData();
      other.CloseData();
      Reset(writer);
      writer.WorkMode(edit);
      Open(other);
      other.WorkMode(1);
      ASSERT_EQ(2, recode(other, 2));
      Open(reader);
      ASSERT_NE(nullptr, reader.List.ObjectDesc(1));
      ASSERT_EQ(1, reader.OpenList(2));
    };
    const int runs = SweepChange(sweep, writer, [&] { return recode(writer, 1); },
                                 [&](TMap& fresh, int written, const mctest::SweepRun& run) {
      ASSERT_EQ(1, reader.OpenList(1)) << run;
      const FVSPR* seen = reader.List.ObjectDesc(1);
      ASSERT_NE(nullptr, seen) << run;
      EXPECT_EQ(fresh.List.ObjectDesc(1)->Code, seen->Code) << run;
      EXPECT_EQ(written > 0 ? 17 : 16, fresh.List.ObjectDesc(1)->Code) << run;
    });
    EXPECT_GT(runs, 4);
  }
}

// Moving every object of the sheet with each of its file operations
// failing in turn: a move that says it succeeded moved each object whole,
// its points and its frame.
TEST_F(MapFaults, AMoveOfTheSheetsObjectsThatSucceedsMovedEachOne) {
  FVSPR before[3];
  {
    TMap map;
    Open(map);
    for (int n = 1; n <= 2; ++n) before[n] = *map.List.ObjectDesc(n);
  }
  TMap map;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] { Reset(map); };
  const int runs = SweepChange(sweep, map, [&] { return map.List.ReplaceListObjects(10, 20); },
                               [&](TMap& again, int moved, const mctest::SweepRun& run) {
    if (moved <= 0) return;
    for (int n = 1; n <= 2; ++n) {
      Points box = kBox;
      for (auto& p : box) p.first += 10 * n + 10, p.second += 7 * n + 20;
      const Bytes metric = Metric(METRIC_I32, {box});
      const LONGMETRIC* stored = again.List.ObjectDataAddr(n);
      ASSERT_NE(nullptr, stored) << run << " object " << n;
      ASSERT_EQ(metric.size(), stored->Length) << run << " object " << n;
      EXPECT_EQ(0, std::memcmp(stored, metric.data(), metric.size())) << run << " object " << n;
      const FVSPR* d = again.List.ObjectDesc(n);
      ASSERT_NE(nullptr, d) << run;
      EXPECT_EQ(before[n].X1 + 10, d->X1) << run << " object " << n;
      EXPECT_EQ(before[n].Y1 + 20, d->Y1) << run << " object " << n;
      EXPECT_EQ(before[n].X2 + 10, d->X2) << run << " object " << n;
      EXPECT_EQ(before[n].Y2 + 20, d->Y2) << run << " object " << n;
    }
  });
  EXPECT_GT(runs, 4);
}

TEST_F(MapFaults, SheetTableSaveKeepsTheMap) {
  LISTREGISTER s2 = SquareSheet("S2", 6010000, 7400000);

  TMap map;
  int saved = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    Reset(map);
    ASSERT_EQ(1, map.CreateList(&s2, 0));
  };
  const int runs = sweep.Run([&] { saved = map.Save(0); }, [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(saved || run.faulted) << run;
    // A save that says it succeeded wrote the key table the passport names.
    if (saved) {
      const std::string file = dir.Read("map.map");
      const uint32_t at = mctest::Get32(file, 816);
      ASSERT_LT(at + 4u, file.size()) << run;
      EXPECT_EQ(uint32_t(KEYTABLE_MARKER), mctest::Get32(file, at)) << run;
    }
    // What the file holds now, read by a second user of the map.
    {
      TMap other;
      ASSERT_EQ(1, other.OpenData(Path().c_str(), 0)) << run << " " << other.MapError.Error();
      if (saved) {
        EXPECT_EQ(2, other.Count()) << run;
      }
      ASSERT_EQ(1, other.OpenList(1)) << run;
      ExpectObject(other, 1, 1, run);
      ExpectObject(other, 2, 2, run);
      if (other.Count() == 2) {
        EXPECT_STREQ("S2", other.Nomenclature(2)) << run;
        EXPECT_EQ(1, other.OpenList(2)) << run;
      }
    }
    // Closing saves what the failed save did not.
    map.CloseData();
    TMap again;
    Open(again);
    EXPECT_EQ(2, again.Count()) << run;
    ExpectObject(again, 1, 1, run);
    ExpectObject(again, 2, 2, run);
  });
  EXPECT_GT(runs, 3);
}

// A closing map that wrote leaves what its sheet's objects cover in the
// map file (through its view of the sheet table); whichever of its
// operations fails, and however, a map opened afterwards never takes a
// frame that leaves an object out.
TEST_F(MapFaults, WhatAClosingMapLeavesOfItsSheetNeverLeavesAnObjectOut) {
  for (const plat::VfsFault how : {plat::VfsFault::Error, plat::VfsFault::ShortDiskFull}) {
    TMap map;
    mctest::FaultSweep sweep;
    sweep.views = true;
    sweep.fault.how = how;
    sweep.prepare = [&] {
      Reset(map);
      // Beyond the sheet's frame, and beyond what the map's first close
      // left of it.
      FVSPR d = Desc(LOCAL_LINE, 16);
      Bytes far = Metric(METRIC_I32, {{{20000, 20000}, {20100, 20050}}});
      ASSERT_EQ(3, map.AppendObject(&d, As<LONGMETRIC>(far), nullptr, nullptr));
    };
    const int runs = sweep.Run([&] { map.CloseData(); }, [&](const mctest::SweepRun& run) {
      TMap again;
      Open(again);
      ASSERT_EQ(3, again.List.Count()) << run;
      FRAME all{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
      for (int n = 1; n <= 3; ++n) {
        const FVSPR* d = again.List.ObjectDesc(n);
        ASSERT_NE(nullptr, d) << run;
        all = FRAME{std::min(all.X1, d->X1), std::min(all.Y1, d->Y1), std::max(all.X2, d->X2),
                    std::max(all.Y2, d->Y2)};
      }
      again.ChangeStamp();
      const TSheetExtents::EXTENT e = again.SheetObjectsExtent(1);
      ASSERT_EQ(int(TSheetExtents::EXTENT_FRAME), e.State) << run;
      EXPECT_TRUE(e.Frame.X1 <= all.X1 && e.Frame.Y1 <= all.Y1 && e.Frame.X2 >= all.X2 &&
                  e.Frame.Y2 >= all.Y2)
          << run;
    });
    EXPECT_GT(runs, 3);
  }
}

}  // namespace
