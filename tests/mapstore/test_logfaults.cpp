// A journal action with each of its file operations failing in turn: after
// every failure the journal reopens with every action committed before,
// the new action is there whole or was reported as failed (keeping, whole,
// the part written before the failure), and the journal takes further
// actions.
#include <gtest/gtest.h>

#include <map>

#include "mapstore/maplog.h"
#include "platform/file.h"
#include "support/fault_sweep.h"
#include "support/mapbuilder.h"

namespace {

ACTIONRECORD Record(DWORD key) { return ACTIONRECORD{key, key, 0, 4, 1, 1}; }

// Writes one committed action of `type` with `count` records keyed
// type * 1000 + i.
bool Action(TMapLog& log, int type, int count) {
  if (!logCreateAction(&log, type)) return false;
  for (int i = 1; i <= count; ++i) {
    ACTIONRECORD r = Record(DWORD(type * 1000 + i));
    if (!logPutRecord(&log, &r)) return false;
  }
  return logCommitAction(&log) == 1;
}

// The record counts of the actions of each type; the records of the
// actions this test writes (types 5 to 13) must carry their keys.
std::map<int, int> Actions(TMapLog& log, const mctest::SweepRun& run) {
  std::map<int, int> out;
  for (int n = 1; n <= logCount(&log); ++n) {
    ACTIONHEAD head;
    EXPECT_NE(0, logReadAction(&log, n, &head)) << run << " action " << n;
    out[head.Type] = head.Count;
    if (head.Type < 5 || head.Type > 13) continue;
    for (int i = 1; i <= head.Count; ++i) {
      ACTIONRECORD r;
      EXPECT_EQ(1, logGetActionRecord(&log, i, &r)) << run;
      EXPECT_EQ(DWORD(head.Type * 1000 + i), r.Key) << run << " action " << n;
    }
  }
  return out;
}

TEST(JournalFaults, EveryFailedOperationKeepsTheJournalWhole) {
  plat::SetWriteThroughEnabled(false);
  mctest::MapScratch dir{MC_TEST_TMP};
  const std::string name = dir / "map.map.TAC";
  {
    TMapLog log;
    ASSERT_EQ(1, logOpen(&log, name.c_str()));
    ASSERT_TRUE(Action(log, 5, 2));
    ASSERT_TRUE(Action(log, 6, 3));
    ASSERT_TRUE(Action(log, 7, 4));
    logClose(&log);
  }
  const std::string before = dir.Read("map.map.TAC");

  TMapLog log;
  bool committed = false;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    logClose(&log);
    dir.Write("map.map.TAC", before);
    ASSERT_EQ(1, logOpen(&log, name.c_str()));
  };
  // More records than the reserve holds: the file grows during the action.
  const int records = 200;
  const int runs = sweep.Run([&] { committed = Action(log, 12, records); },
                             [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(committed || run.faulted) << run;
    logClose(&log);
    TMapLog again;
    ASSERT_EQ(1, logOpen(&again, name.c_str())) << run;
    std::map<int, int> actions = Actions(again, run);
    EXPECT_EQ(2, actions[5]) << run;
    EXPECT_EQ(3, actions[6]) << run;
    EXPECT_EQ(4, actions[7]) << run;
    // A committed action is whole; one that failed after a part of it was
    // written keeps that part, its header counting what is there.
    if (committed) {
      EXPECT_EQ(records, actions[12]) << run;
    }
    if (actions.count(12)) {
      EXPECT_LE(actions[12], records) << run;
    }
    // The journal takes the next action.
    EXPECT_TRUE(Action(again, 13, 1)) << run;
    logClose(&again);
  });
  EXPECT_GT(runs, 4);
}

}  // namespace
