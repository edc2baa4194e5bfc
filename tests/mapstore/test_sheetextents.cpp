// What a map knows of the frame of its sheets' objects, and the stamps a
// closing writer leaves of it in the map file: a writer killed at any step
// of a change or of its close never leaves a stamp older than the sheet's
// objects; another process's change of one sheet costs the next question
// that sheet alone; a raise of a build that keeps no sheet versions ends
// the trust in every stamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/systemcalls.h"
#include "support/fault_sweep.h"
#include "support/objectbuilder.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace objtest;
using namespace writertest;

namespace {

class SheetStamps : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(CreateTestMap(dir.path()));
  }
  void TearDown() override { MessageEnableSet(messages_); }
  std::string Path() const { return dir / "map.map"; }
  bool Open(TMap& map, int edit = 0, int sheet = 1) {
    if (!map.OpenData(Path().c_str(), 0)) return false;
    if (edit) map.WorkMode(1);
    return map.OpenList(sheet) == 1;
  }
  // Sheets 1..count with `objects` objects each, closed by their writer.
  void MakeSheets(int count, int objects) {
    ASSERT_TRUE(AddTestSheets(dir.path(), count));
    TMap map;
    ASSERT_TRUE(map.OpenData(Path().c_str(), 0));
    for (int n = 1; n <= count; ++n) {
      ASSERT_EQ(1, map.OpenList(n));
      for (int i = 0; i < objects; ++i) ASSERT_LT(0, writertest::AppendObject(map, i + 1, LOCAL_LINE));
    }
  }
  // The descriptor files a question over every sheet reads.
  static LONG Learnt(TMap& map) {
    const LONG before = TSheetExtents::FilesLearnt();
    map.ChangeStamp();
    for (int n = 1; n <= map.Count(); ++n) map.SheetObjectsExtent(n);
    return TSheetExtents::FilesLearnt() - before;
  }
  // "" when what `map` takes for sheet n's objects holds each of them.
  static std::string Covers(TMap& map, int n) {
    map.ChangeStamp();
    const TSheetExtents::EXTENT e = map.SheetObjectsExtent(n);
    if (map.OpenList(n) != 1) return "the sheet does not open";
    for (int o = 1; o <= map.List.Count(); ++o) {
      const FVSPR* d = map.List.ObjectDesc(o);
      if (d == nullptr) return "object " + std::to_string(o) + " unread";
      if (e.State == TSheetExtents::EXTENT_ANY) continue;
      const FRAME& f = e.Frame;
      if (e.State != TSheetExtents::EXTENT_FRAME ||
          std::min(d->X1, d->X2) < f.X1 || std::min(d->Y1, d->Y2) < f.Y1 ||
          std::max(d->X1, d->X2) > f.X2 || std::max(d->Y1, d->Y2) > f.Y2)
        return "object " + std::to_string(o) + " lies outside";
    }
    return "";
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
};

// Far beyond the sheet's frame: an object no stamp of the sheet as it was
// can hold.
FVSPR FarDesc() { return Desc(LOCAL_LINE, 16); }
Bytes FarMetric() { return Metric(METRIC_I32, {{{20000, 20000}, {20100, 20050}}}); }

// A writer killed at each write (every write from the nth on fails, the
// map dropped) of an append beyond the sheet's frame, of a rewrite that
// moves an object there and of the close after such an append, in either
// mode, the views in use: a map opened afterwards takes a frame of the
// sheet that holds every object it reads by number.
TEST_F(SheetStamps, AKilledWriterLeavesNoStampOlderThanItsSheet) {
  ASSERT_NO_FATAL_FAILURE(MakeSheets(1, 3));
  {
    TMap fresh;
    ASSERT_TRUE(Open(fresh));
    ASSERT_EQ(0, Learnt(fresh)) << "the writer's close left a stamp";
  }
  const FolderFiles files = Snapshot(dir.path());
  const std::function<void(TMap&)> tasks[] = {
      [](TMap& map) {
        FVSPR d = FarDesc();
        Bytes far = FarMetric();
        map.AppendObject(&d, As<LONGMETRIC>(far), nullptr, nullptr);
      },
      [](TMap& map) {
        const FVSPR* stored = map.List.ObjectDesc(2);
        if (stored == nullptr) return;
        FVSPR d = *stored;
        Bytes far = FarMetric();
        map.UpdateObject(2, &d, As<LONGMETRIC>(far), nullptr, nullptr);
      },
  };
  for (int edit = 0; edit < 2; ++edit) {
    for (int task = 0; task < 3; ++task) {
      TMap map;
      mctest::FaultSweep sweep;
      sweep.kind = plat::VfsOp::Write;
      sweep.views = true;
      sweep.fault.persist = true;
      sweep.prepare = [&] {
        map.CloseData();
        Restore(dir.path(), files);
        ASSERT_TRUE(Open(map, edit));
        // The close is swept after an append that went out whole.
        if (task == 2) tasks[0](map);
      };
      const int runs = sweep.Run(
          [&] {
            if (task < 2) tasks[task](map);
            map.CloseData();
          },
          [&](const mctest::SweepRun& run) {
            TMap again;
            ASSERT_TRUE(Open(again)) << run;
            EXPECT_EQ("", Covers(again, 1)) << "edit " << edit << ", task " << task << ", " << run;
          });
      EXPECT_GT(runs, 2) << "edit " << edit << ", task " << task;
    }
  }
}

// Another process appends one object to one sheet of a hundred, and is
// killed: a document open before reads that sheet's descriptors alone and
// takes the new object in; one opened after takes what the first learnt
// (the same sheet version in the same chain) and reads nothing. A raise as an older
// build makes it (the counter alone) ends every chain: every sheet is read
// again, and what is read then holds on as before.
TEST_F(SheetStamps, AnotherProcessesChangeOfOneSheetCostsThatSheet) {
  constexpr int kSheets = 100, kChanged = 37;
  ASSERT_NO_FATAL_FAILURE(MakeSheets(kSheets, 2));
  TMap open;
  ASSERT_TRUE(Open(open));
  ASSERT_EQ(0, Learnt(open));

  const Child child = StartChild([&](int acks) {
    TMap writer;
    if (!Open(writer, 1, kChanged)) return 2;
    FVSPR d = FarDesc();
    Bytes far = FarMetric();
    Ack ack{writer.AppendObject(&d, As<LONGMETRIC>(far), nullptr, nullptr), 1, d.Key};
    if (ack.number == 0 || !SendAck(acks, ack)) return 3;
    for (;;) pause();
  });
  ASSERT_GT(child.pid, 0);
  ASSERT_EQ(1u, ReadAcks(child.acks, 1).size());
  kill(child.pid, SIGKILL);
  close(child.acks);
  ASSERT_EQ(-SIGKILL, WaitChild(child.pid));

  EXPECT_EQ(1, Learnt(open));
  EXPECT_EQ("", Covers(open, kChanged));
  TMap fresh;
  ASSERT_TRUE(Open(fresh));
  EXPECT_EQ(0, Learnt(fresh));
  EXPECT_EQ("", Covers(fresh, kChanged));

  // An older build's raise: the counter raised, the word beside it as it
  // leaves it (cleared).
  HANDLE raw = plat::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  DWORD counter = 0;
  const DWORD cleared = 0;
  ASSERT_TRUE(plat::ReadExactAt(raw, 20, &counter, 4));
  ++counter;
  ASSERT_TRUE(plat::WriteExactAt(raw, 20, &counter, 4));
  ASSERT_TRUE(plat::WriteExactAt(raw, 28, &cleared, 4));
  plat::CloseHandle(raw);
  EXPECT_EQ(kSheets, Learnt(open));
  EXPECT_EQ(0, Learnt(open));
  // What the stamps said is not taken by a document opened now either.
  open.CloseData();
  fresh.CloseData();
  TMap late;
  ASSERT_TRUE(Open(late));
  EXPECT_EQ(kSheets, Learnt(late));
}

// A stamp an older build left in a sheet's record (its check odd, the
// sheet's version not there) is never taken; the first change of the sheet
// by this build takes the record over and starts a new chain, in which no
// stamp left before holds; the writer's close stamps every sheet again.
TEST_F(SheetStamps, ARecordAnOlderBuildStampedIsTakenOver) {
  ASSERT_NO_FATAL_FAILURE(MakeSheets(3, 2));
  const int64_t reserve = 848 + 1714;  // sheet 1's
  HANDLE raw = plat::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  const uint8_t older[14] = {0x35, 0x91, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0};
  ASSERT_TRUE(plat::WriteExactAt(raw, reserve, older, sizeof older));
  {
    TMap fresh;
    ASSERT_TRUE(Open(fresh));
    EXPECT_EQ(1, Learnt(fresh));
  }
  TMap writer;
  ASSERT_TRUE(Open(writer, 1));
  FVSPR d = FarDesc();
  Bytes far = FarMetric();
  ASSERT_LT(0, writer.AppendObject(&d, As<LONGMETRIC>(far), nullptr, nullptr));
  uint16_t check = 1;
  ASSERT_TRUE(plat::ReadExactAt(raw, reserve, &check, sizeof check));
  EXPECT_EQ(0, check % 2) << "the record is this build's";
  {
    TMap fresh;
    ASSERT_TRUE(Open(fresh));
    EXPECT_EQ(3, Learnt(fresh));
    EXPECT_EQ("", Covers(fresh, 1));
  }
  writer.CloseData();
  TMap fresh;
  ASSERT_TRUE(Open(fresh));
  EXPECT_EQ(0, Learnt(fresh));
  EXPECT_EQ("", Covers(fresh, 1));
  plat::CloseHandle(raw);
}

// A sheet the map made and has not saved has no record in the map file,
// whatever lies where its record will go (here bytes past the table, as a
// large key table lies): appends to it leave those bytes alone and ask
// the file's length not at all. A table another writer saves meanwhile,
// holding that record, is seen at the next append, whose change moves the
// record's version.
TEST_F(SheetStamps, AppendsToASheetNotSavedYetLeaveWhatFollowsTheTable) {
  TMap map;
  ASSERT_TRUE(map.OpenData(Path().c_str(), 0));
  LISTREGISTER r = SquareSheet("S2", 6010000, 7400000);
  ASSERT_EQ(1, map.CreateList(&r, 0));
  ASSERT_EQ(1, map.OpenList(2));
  ASSERT_LT(0, AppendObject(map, 1, LOCAL_POINT));
  const uint64_t stats = plat::SystemCalls().stat;
  for (int id = 2; id <= 20; ++id) ASSERT_LT(0, AppendObject(map, id, LOCAL_POINT));
  EXPECT_EQ(0u, plat::SystemCalls().stat - stats);

  const std::vector<char> after(4096, char(0xA5));
  HANDLE raw = plat::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, raw);
  const int64_t end = plat::FileLength(raw);
  ASSERT_TRUE(plat::WriteExactAt(raw, end, after.data(), DWORD(after.size())));
  for (int id = 21; id <= 25; ++id) ASSERT_LT(0, AppendObject(map, id, LOCAL_POINT));
  std::vector<char> now(after.size());
  ASSERT_TRUE(plat::ReadExactAt(raw, end, now.data(), DWORD(now.size())));
  EXPECT_TRUE(now == after) << "bytes past the table were written";
  plat::CloseHandle(raw);

  {
    TMap other;
    ASSERT_TRUE(other.OpenData(Path().c_str(), 0));
    LISTREGISTER own = SquareSheet("T2", 6020000, 7400000);
    ASSERT_EQ(1, other.CreateList(&own, 1));
  }
  TMap reader;
  ASSERT_TRUE(reader.OpenData(Path().c_str(), 0));
  uint32_t saved = 0, moved = 0;
  ASSERT_TRUE(reader.SheetVersion(2, &saved));
  ASSERT_LT(0, AppendObject(map, 26, LOCAL_POINT));
  ASSERT_TRUE(reader.SheetVersion(2, &moved));
  EXPECT_NE(saved, moved) << "the append did not see the record saved elsewhere";
}

}  // namespace
