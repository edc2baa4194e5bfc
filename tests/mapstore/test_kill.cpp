// A writer killed in the middle of an append: every object appended before
// reads back with its records, the sheet's chain holds every object as soon
// as the map opens again, and the next append of every local type works.
// The kill falls on each write of an append in turn (every write from the
// nth on fails, as if the process were gone, and the map is dropped without
// a clean close), and on random points of a child process appending in a
// loop, also with synchronous writes. The same for a writer of groups whose
// appends grow the group file's index: every group acknowledged reads back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "groups/mapgroups.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/fault_sweep.h"
#include "support/mapbuilder.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace writertest;

namespace {

const int kLocals[] = {LOCAL_LINE,  LOCAL_POLYGON, LOCAL_POINT,
                       LOCAL_TITLE, LOCAL_VECTOR,  LOCAL_MIXED};

class KilledAppend : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(CreateTestMap(dir.path()));
  }
  void TearDown() override {
    MessageEnableSet(messages_);
    GroupAccessSet(0);
    plat::SetWriteThroughEnabled(false);
  }
  std::string Path() const { return dir / "map.map"; }
  bool Open(TMap& map, int edit) {
    if (!map.OpenData(Path().c_str(), 0)) return false;
    if (edit) map.WorkMode(1);
    return map.OpenList(1) == 1;
  }
  // The next append of every local type works, and afterwards the chain
  // holds every object; ids from `id` on.
  void ExpectWritable(TMap& map, int id, const std::string& run) {
    for (int local : kLocals) {
      const int count = map.List.Count();
      ASSERT_EQ(count + 1, AppendObject(map, id, local)) << run << " local " << local;
      EXPECT_EQ("", CheckObject(map.List, count + 1, id)) << run;
      ++id;
    }
    EXPECT_EQ("", CheckChain(map.List)) << run;
  }
  // One round of a child appending from id `id` on in `edit` mode: it is
  // killed after `wanted` acknowledgements and `spin` idle turns; then every
  // object acknowledged so far reads back, and the next append works with
  // the chain whole. `id` goes on past the ids used.
  void KillAppendingChild(int edit, int round, int wanted, int spin, int& id,
                          std::vector<Ack>& acked) {
    ASSERT_NO_FATAL_FAILURE(KillChild(edit, round, wanted, spin, id, acked, [](TMap& map, int i, Ack& ack) {
      ack.number = AppendObject(map, i, kLocals[i % 6], &ack.key);
    }));
    TMap map;
    ASSERT_TRUE(Open(map, edit)) << "round " << round;
    for (const Ack& a : acked)
      ASSERT_EQ("", CheckObject(map.List, a.number, a.id)) << "round " << round;
    // A kill between the header and the neighbours' links left the last
    // links to be completed: the map did so as it opened.
    EXPECT_EQ("", CheckChain(map.List)) << "round " << round;
    const int count = map.List.Count();
    Ack ack{0, id++, 0};
    ack.number = AppendObject(map, ack.id, kLocals[round % 6], &ack.key);
    ASSERT_EQ(count + 1, ack.number) << "round " << round;
    acked.push_back(ack);
    EXPECT_EQ("", CheckChain(map.List)) << "round " << round;
  }
  // A child appending from id `id` on in `edit` mode (`append` fills the
  // ack of id i) is killed after `wanted` acknowledgements and `spin` idle
  // turns; `acked` gets what it acknowledged, `id` goes on past the ids used.
  template <class Append>
  void KillChild(int edit, int round, int wanted, int spin, int& id, std::vector<Ack>& acked,
                 Append append) {
    const int first = id;
    const Child child = StartChild([&](int acks) {
      TMap map;
      if (!Open(map, edit)) return 2;
      for (int i = first;; ++i) {
        Ack ack{0, i, 0};
        append(map, i, ack);
        if (ack.number == 0) return 3;
        if (!SendAck(acks, ack)) return 4;
      }
    });
    ASSERT_GT(child.pid, 0);
    std::vector<Ack> got = ReadAcks(child.acks, wanted);
    volatile int sink = 0;
    for (int s = 0; s < spin; ++s) sink = s;
    (void)sink;
    kill(child.pid, SIGKILL);
    const std::vector<Ack> more = ReadAcks(child.acks);
    close(child.acks);
    ASSERT_EQ(-SIGKILL, WaitChild(child.pid)) << "round " << round;
    got.insert(got.end(), more.begin(), more.end());
    ASSERT_GE(got.size(), size_t(wanted)) << "round " << round;
    acked.insert(acked.end(), got.begin(), got.end());
    // The object under way when the kill came may be there: its id is not
    // used again.
    id = first + int(got.size()) + 1;
  }

  // Runs `write` on the map opened in `edit` mode from `files` with each
  // of its writes failing in turn (and every later one when `killed`), the
  // map dropped after it; `check` gets the run and the map opened again.
  // The number of runs with a fault.
  int SweepWrites(const FolderFiles& files, int edit, bool killed,
                  const std::function<void(TMap&)>& write,
                  const std::function<void(const mctest::SweepRun&, TMap&)>& check) {
    TMap map;
    mctest::FaultSweep sweep;
    sweep.kind = plat::VfsOp::Write;
    sweep.fault.persist = killed;
    sweep.prepare = [&] {
      map.CloseData();
      Restore(dir.path(), files);
      ASSERT_TRUE(Open(map, edit));
    };
    return sweep.Run(
        [&] {
          write(map);
          map.CloseData();
        },
        [&](const mctest::SweepRun& run) {
          TMap again;
          ASSERT_TRUE(Open(again, edit)) << run;
          check(run, again);
        });
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
};

TEST_F(KilledAppend, AtEveryWriteOfAnAppend) {
  // One object of each local type, and a second line: each new object has
  // a predecessor and most have a successor.
  {
    TMap map;
    ASSERT_TRUE(Open(map, 0));
    for (int i = 0; i < 6; ++i) ASSERT_EQ(i + 1, AppendObject(map, i + 1, kLocals[i]));
    ASSERT_EQ(7, AppendObject(map, 7, LOCAL_LINE));
  }
  const FolderFiles files = Snapshot(dir.path());

  // A writer killed at the nth write (every later write fails, the map is
  // dropped), and one whose nth write alone fails: that append reports the
  // failure and leaves the sheet as it was (a line has neighbours on both
  // sides, a title ends the chain).
  for (const bool killed : {true, false}) {
    for (int edit = 0; edit < 2; ++edit) {
      for (int local : kLocals) {
        if (!killed && local != LOCAL_LINE && local != LOCAL_TITLE) continue;
        const std::string what = std::string(killed ? "killed" : "failed") +
                                 (edit ? ", edit mode" : "") + ", local " + std::to_string(local);
        int number = 0;
        const int runs = SweepWrites(
            files, edit, killed, [&](TMap& map) { number = AppendObject(map, 100, local); },
            [&](const mctest::SweepRun& run, TMap& again) {
              std::ostringstream s;
              s << what << ", " << run;
              EXPECT_TRUE(number != 0 || run.faulted) << s.str();
              EXPECT_EQ("", CheckChain(again.List)) << s.str();
              const int count = again.List.Count();
              EXPECT_TRUE(count == 7 || count == 8) << s.str() << " count " << count;
              for (int n = 1; n <= 7; ++n)
                EXPECT_EQ("", CheckObject(again.List, n, n)) << s.str();
              if (number != 0) {
                EXPECT_EQ(8, count) << s.str();
                EXPECT_EQ("", CheckObject(again.List, 8, 100)) << s.str();
              } else if (!killed) {
                EXPECT_EQ(7, count) << s.str();
              }
              ExpectWritable(again, 200, s.str());
            });
        EXPECT_GE(runs, 3) << what;
      }
    }
  }
}

// A header counting more objects than the descriptor file holds takes no
// append: the new descriptor would land far past the file's end. In edit
// mode the header comes from the file under the lock.
TEST_F(KilledAppend, AHeaderCountingPastTheFileTakesNoAppend) {
  for (int edit = 0; edit < 2; ++edit) {
    TMap map;
    ASSERT_TRUE(Open(map, edit));
    const int count = map.List.Count();
    ASSERT_EQ(count + 1, AppendObject(map, 1, LOCAL_LINE));
    const std::string good = dir.Read("S1.HDR");
    for (uint32_t claimed : {uint32_t(count + 2), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      std::string bad = good;
      mctest::Put32(bad, 4, claimed);
      if (edit)
        dir.Write("S1.HDR", bad);
      else
        map.List.Head.Count = LONG(claimed);
      EXPECT_EQ(0, AppendObject(map, 2, LOCAL_LINE)) << edit << " " << claimed;
      EXPECT_EQ(MAPERR_DATA, map.List.GetError());
      EXPECT_EQ(good.size(), dir.Read("S1.HDR").size()) << edit << " " << claimed;
    }
    dir.Write("S1.HDR", good);
    map.List.Head.Count = count + 1;
    EXPECT_EQ(count + 2, AppendObject(map, 2, LOCAL_LINE)) << edit;
  }
}

TEST_F(KilledAppend, AtRandomPointsOfAChildProcess) {
  constexpr int kRounds = 30;
  std::mt19937 random(20240611);
  std::vector<Ack> acked;
  int id = 1;
  for (int round = 0; round < kRounds; ++round) {
    const int wanted = 1 + int(random() % 12);
    const int spin = int(random() % 20000);
    ASSERT_NO_FATAL_FAILURE(KillAppendingChild(round % 2, round, wanted, spin, id, acked));
  }
}

// A child appending to three sheets in turn outside edit mode, each sheet
// keeping its files grown ahead of its records while the others are
// written, is killed at random points: every object it acknowledged reads
// back on its sheet, and every sheet's chain is whole and takes the next
// append.
TEST_F(KilledAppend, AtRandomPointsOfAChildAppendingToSeveralSheets) {
  constexpr int kSheets = 3;
  ASSERT_TRUE(AddTestSheets(dir.path(), kSheets));
  auto sheetOf = [](int id) { return 1 + id % kSheets; };
  std::mt19937 random(20250302);
  std::vector<Ack> acked;
  int id = 1;
  for (int round = 0; round < 12; ++round) {
    const int wanted = 1 + int(random() % 12);
    const int spin = int(random() % 20000);
    ASSERT_NO_FATAL_FAILURE(
        KillChild(0, round, wanted, spin, id, acked, [&](TMap& map, int i, Ack& ack) {
          ack.number = map.OpenList(sheetOf(i)) == 1
                           ? AppendObject(map, i, kLocals[i % 6], &ack.key)
                           : 0;
        }));
    TMap map;
    ASSERT_TRUE(Open(map, 0)) << "round " << round;
    for (const Ack& a : acked) {
      ASSERT_EQ(1, map.OpenList(sheetOf(a.id)));
      ASSERT_EQ("", CheckObject(map.List, a.number, a.id)) << "round " << round;
    }
    for (int sheet = 1; sheet <= kSheets; ++sheet) {
      while (sheetOf(id) != sheet) ++id;
      ASSERT_EQ(1, map.OpenList(sheet));
      EXPECT_EQ("", CheckChain(map.List)) << "round " << round << " sheet " << sheet;
      const int count = map.List.Count();
      Ack ack{0, id++, 0};
      ack.number = AppendObject(map, ack.id, kLocals[ack.id % 6], &ack.key);
      ASSERT_EQ(count + 1, ack.number) << "round " << round << " sheet " << sheet;
      acked.push_back(ack);
    }
  }
}

// Write-through as the library opens a map edited by several users: a
// child appending in edit mode with synchronous writes is killed at random
// points; every object it acknowledged reads back, with the chain whole.
TEST_F(KilledAppend, WriteThroughAppendsOfAKilledChild) {
  plat::SetWriteThroughEnabled(true);
  std::mt19937 random(20261207);
  std::vector<Ack> acked;
  int id = 1;
  for (int round = 0; round < 4; ++round) {
    const int wanted = 1 + int(random() % 4);
    ASSERT_NO_FATAL_FAILURE(KillAppendingChild(1, round, wanted, 0, id, acked));
  }
  plat::SetWriteThroughEnabled(false);
}

// A writer of groups killed at each write of the append that grows the
// group file's index (the records behind the index move to the end of the
// file), in edit mode also with synchronous writes: every group written
// before reads back, the new one when it was acknowledged, and the next
// append works.
TEST_F(KilledAppend, AtEveryWriteOfAGroupAppendThatGrowsTheIndex) {
  GroupAccessSet(1);
  // 1,022 groups fill the first index area: the next one grows it.
  constexpr int kFull = 1022;
  {
    TMap map;
    ASSERT_TRUE(Open(map, 0));
    ASSERT_TRUE(map.Groups.IsOpen());
    for (int id = 1; id <= kFull; ++id) ASSERT_EQ(id, AppendGroup(map, id));
  }
  const FolderFiles files = Snapshot(dir.path());
  for (int edit = 0; edit < 2; ++edit) {
    plat::SetWriteThroughEnabled(edit != 0);
    int number = 0;
    const int runs = SweepWrites(
        files, edit, true, [&](TMap& map) { number = AppendGroup(map, kFull + 1); },
        [&](const mctest::SweepRun& run, TMap& again) {
          std::ostringstream s;
          s << (edit ? "edit mode, " : "") << run;
          EXPECT_TRUE(number != 0 || run.faulted) << s.str();
          EXPECT_EQ("", CheckGroups(again, kFull)) << s.str();
          const int count = again.Groups.Count();
          if (number != 0) {
            EXPECT_EQ(kFull + 1, number) << s.str();
            EXPECT_EQ("", CheckGroup(again, number, kFull + 1)) << s.str();
          }
          EXPECT_TRUE(count == kFull + 1 || count == kFull + 2) << s.str() << " count " << count;
          EXPECT_EQ(count, AppendGroup(again, 5000)) << s.str();
          EXPECT_EQ("", CheckGroup(again, count, 5000)) << s.str();
        });
    EXPECT_GE(runs, 8) << edit;
  }
}

// A child appending groups is killed at random points while the group
// file's index grows twice: every group it acknowledged reads back.
TEST_F(KilledAppend, GroupAppendsOfAKilledChild) {
  GroupAccessSet(1);
  std::mt19937 random(20260513);
  std::vector<Ack> acked;
  int id = 1;
  for (int round = 0; round < 8; ++round) {
    const int wanted = 300 + int(random() % 300);
    const int spin = int(random() % 20000);
    ASSERT_NO_FATAL_FAILURE(KillChild(round % 2, round, wanted, spin, id, acked,
                                      [](TMap& map, int i, Ack& ack) {
                                        ack.number = AppendGroup(map, i);
                                      }));
    TMap map;
    ASSERT_TRUE(Open(map, round % 2)) << "round " << round;
    for (const Ack& a : acked) ASSERT_EQ("", CheckGroup(map, a.number, a.id)) << "round " << round;
    const int count = map.Groups.Count();
    ASSERT_EQ(count, AppendGroup(map, id)) << "round " << round;
    acked.push_back(Ack{count, id++, 0});
  }
  EXPECT_GT(acked.back().number, 2047);
}

}  // namespace
