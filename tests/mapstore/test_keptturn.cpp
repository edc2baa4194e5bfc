// The write turn kept across a run of appends outside edit mode: the run
// pays for its lock once; the turn is given back once idle, after its
// bound while appends go on, and at once to another writer of the process;
// every writer's objects are kept and every change has a counter value of
// its own. The keeper thread is held still and the clock hooked: the tests
// give back what the keeper would.
#include <gtest/gtest.h>

#include <set>

#include "common/messages.h"
#include "mapstore/keptturn.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/systemcalls.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace writertest;

namespace {

plat::ClockReading ReadMs(void* context) {
  return {*static_cast<int64_t*>(context) * 10000, 0};
}

int g_waits = 0;
void CountWait(DWORD, void*) { ++g_waits; }

class KeptTurn : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    keptturn::SetTurnKeeper(false);
    plat::SetClock(ReadMs, &now_);
    g_waits = 0;
    plat::SetSleepHook(CountWait, nullptr);
    ASSERT_TRUE(CreateTestMap(dir.path()));
    other_ = plat::CreateFileA((dir / "S1.HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other_);
  }
  void TearDown() override {
    plat::CloseHandle(other_);
    plat::SetSleepHook(nullptr, nullptr);
    plat::SetClock(nullptr, nullptr);
    keptturn::SetTurnKeeper(true);
    MessageEnableSet(messages_);
  }
  bool Open(TMap& map, int edit) {
    if (!map.OpenData((dir / "map.map").c_str(), 0)) return false;
    if (edit) map.WorkMode(1);
    return map.OpenList(1) == 1;
  }
  // Whether another descriptor of the sheet can have the turn now (let
  // go at once).
  bool TurnFree() {
    if (!plat::LockFile(other_, keptturn::TURN_OFFSET_LOW, keptturn::TURN_OFFSET_HIGH, 1, 0))
      return false;
    plat::UnlockFile(other_, keptturn::TURN_OFFSET_LOW, keptturn::TURN_OFFSET_HIGH, 1, 0);
    return true;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int64_t now_ = 1000000;
  HANDLE other_ = nullptr;
  int messages_ = 1;
};

TEST_F(KeptTurn, ARunOfAppendsTakesTheTurnOnceAndGivesItBackWhenIdle) {
  TMap map;
  ASSERT_TRUE(Open(map, 0));
  ASSERT_EQ(1, AppendObject(map, 1, LOCAL_LINE));
  const uint64_t locks = plat::SystemCalls().lock;
  for (int id = 2; id <= 50; ++id) ASSERT_EQ(id, AppendObject(map, id, LOCAL_LINE));
  EXPECT_EQ(0u, plat::SystemCalls().lock - locks);
  EXPECT_FALSE(TurnFree());

  now_ += keptturn::IDLE_MS - 1;
  EXPECT_EQ(0, keptturn::GiveBackIdleTurns());
  EXPECT_FALSE(TurnFree());
  now_ += 1;
  EXPECT_EQ(1, keptturn::GiveBackIdleTurns());
  EXPECT_TRUE(TurnFree());
  // Taken again by the next append, and given back with the sheet.
  ASSERT_EQ(51, AppendObject(map, 51, LOCAL_LINE));
  EXPECT_FALSE(TurnFree());
  map.CloseData();
  EXPECT_TRUE(TurnFree());
  EXPECT_EQ(0, keptturn::KeptTurns());
  EXPECT_EQ(0, g_waits);
}

TEST_F(KeptTurn, ATurnIsKeptNoLongerThanItsBoundWhileAppendsGoOn) {
  TMap map;
  ASSERT_TRUE(Open(map, 0));
  int id = 0;
  const auto append = [&] { ++id; return AppendObject(map, id, LOCAL_LINE) == id; };
  ASSERT_TRUE(append());
  // An append `ms` later, then whether the turn is free after it.
  const auto appendAfter = [&](int64_t ms) {
    now_ += ms;
    EXPECT_TRUE(append());
    return TurnFree();
  };
  EXPECT_FALSE(appendAfter(keptturn::KEEP_MS - 1));
  EXPECT_TRUE(appendAfter(1));
  // Through the gap each append gives its turn back, then one is kept.
  EXPECT_TRUE(appendAfter(keptturn::GAP_MS - 1));
  EXPECT_FALSE(appendAfter(1));
  // Edit mode takes no turn from before and keeps none.
  map.WorkMode(1);
  EXPECT_TRUE(TurnFree());
  ASSERT_TRUE(append());
  EXPECT_TRUE(TurnFree());
}

// A loader going from sheet to sheet keeps the turns of the sheets it
// left while their files stay open, however many: coming back takes no
// lock, and opens, reads and maps nothing.
TEST_F(KeptTurn, ASheetLeftForAnotherKeepsItsTurn) {
  constexpr int kSheets = 200;
  ASSERT_TRUE(AddTestSheets(dir.path(), kSheets));
  TMap map;
  ASSERT_TRUE(Open(map, 0));
  int id = 0;
  const auto round = [&] {
    for (int n = 1; n <= kSheets; ++n) {
      ASSERT_EQ(1, map.OpenList(n));
      ASSERT_LT(0, AppendObject(map, ++id, LOCAL_LINE));
    }
  };
  ASSERT_NO_FATAL_FAILURE(round());
  EXPECT_FALSE(TurnFree());
  // A switch and an append then cost what an append to one sheet costs:
  // one look at a file's length, no other call.
  const plat::SystemCallCounts before = plat::SystemCalls();
  ASSERT_NO_FATAL_FAILURE(round());
  const plat::SystemCallCounts after = plat::SystemCalls();
  EXPECT_EQ(0u, after.lock - before.lock);
  EXPECT_EQ(0u, after.open + after.close + after.flock + after.read + after.map -
                    (before.open + before.close + before.flock + before.read + before.map));
  EXPECT_LE(after.stat - before.stat, uint64_t(kSheets));
  EXPECT_EQ(kSheets, keptturn::KeptTurns());
  map.CloseData();
  EXPECT_EQ(0, keptturn::KeptTurns());
}

// A second document of the process, in edit mode and outside it, appends
// between the appends of a run: it has the turn at once, and nothing is
// lost or counted twice.
TEST_F(KeptTurn, AnotherDocumentOfTheProcessHasTheTurnAtOnce) {
  for (int edit : {0, 1}) {
    SCOPED_TRACE(edit);
    TMap loader, other;
    ASSERT_TRUE(Open(loader, 0));
    ASSERT_TRUE(Open(other, edit));
    const int start = loader.List.Count();
    std::set<DWORD> counters;
    for (int i = 1; i <= 30; ++i) {
      TMap& writer = i % 3 == 0 ? other : loader;
      ASSERT_EQ(start + i, AppendObject(writer, start + i, LOCAL_LINE)) << i;
      EXPECT_TRUE(counters.insert(writer.Passport.ModeCounter).second) << i;
    }
    EXPECT_EQ(0, g_waits);
    loader.CloseData();
    other.CloseData();
    TMap check;
    ASSERT_TRUE(Open(check, 0));
    ASSERT_EQ(start + 30, check.List.Count());
    for (int n = 1; n <= start + 30; ++n) EXPECT_EQ("", CheckObject(check.List, n, n)) << n;
    EXPECT_EQ("", CheckChain(check.List));
  }
}

}  // namespace
