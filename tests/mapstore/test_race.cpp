// Writers racing for one sheet in edit mode: the sheet lock lies past the
// descriptor file's end, so a writer that waited for it while the end moved
// must take it again at the new end; two processes appending at once both
// get every object, each under a number of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace writertest;

namespace {

enum : DWORD { LOCK_DISTANCE = 0x18000, LOCK_LENGTH = 256 };

class SheetRace : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(CreateTestMap(dir.path()));
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    MessageEnableSet(messages_);
  }
  std::string Path() const { return dir / "map.map"; }
  bool Open(TMap& map, int edit) {
    if (!map.OpenData(Path().c_str(), 0)) return false;
    if (edit) map.WorkMode(1);
    return map.OpenList(1) == 1;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
};

// While B waits for the lock, A appends six objects (the end moves past the
// lock's 256 bytes) and a writer is left holding the lock at the new end:
// B may go on only once that writer lets go.
struct Waiting {
  TMap* a;
  HANDLE other;
  DWORD first, moved;  // the lock ranges the other writer holds in turn
  int sleeps = 0;
  bool released = false;
};

void WhileWaiting(DWORD, void* context) {
  Waiting& w = *static_cast<Waiting*>(context);
  ++w.sleeps;
  if (w.sleeps == 1) {
    plat::UnlockFile(w.other, w.first, 0, LOCK_LENGTH, 0);
    for (int i = 0; i < 6; ++i) EXPECT_NE(0, AppendObject(*w.a, 10 + i, LOCAL_LINE));
    w.moved = DWORD(plat::FileLength(w.other)) + LOCK_DISTANCE;
    EXPECT_TRUE(plat::LockFile(w.other, w.moved, 0, LOCK_LENGTH, 0));
  } else if (w.sleeps == 2) {
    plat::UnlockFile(w.other, w.moved, 0, LOCK_LENGTH, 0);
    w.released = true;
  }
}

TEST_F(SheetRace, TheLockIsTakenAgainWhenTheEndMovedWhileWaiting) {
  TMap a, b;
  ASSERT_TRUE(Open(a, 1));
  ASSERT_TRUE(Open(b, 1));
  ASSERT_EQ(1, AppendObject(a, 1, LOCAL_LINE));
  HANDLE other = plat::CreateFileA((dir / "S1.HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  Waiting w{&a, other, DWORD(plat::FileLength(other)) + LOCK_DISTANCE, 0};
  ASSERT_TRUE(plat::LockFile(other, w.first, 0, LOCK_LENGTH, 0));
  plat::SetSleepHook(WhileWaiting, &w);

  EXPECT_EQ(8, AppendObject(b, 2, LOCAL_LINE));
  EXPECT_TRUE(w.released) << "appended while the lock at the end was held";
  EXPECT_EQ(2, w.sleeps);
  EXPECT_EQ(w.moved, b.List.LockOffset);
  plat::SetSleepHook(nullptr, nullptr);
  plat::CloseHandle(other);
  EXPECT_EQ("", CheckObject(b.List, 8, 2));
  EXPECT_EQ("", CheckChain(b.List));
}

// The writers' lock waits: really sleeping (the other writer is another
// process), but the journal's second between tries is cut to the sheet
// lock's pause.
void ShortPause(DWORD milliseconds, void*) { usleep(std::min<DWORD>(milliseconds, 10) * 1000); }

// Two processes append at once to one sheet in edit mode, 400 objects
// each; a few rounds, since how often the writers meet varies from run to
// run.
TEST_F(SheetRace, TwoProcessesAppendingInEditModeKeepEveryObject) {
  constexpr int kRounds = 4, kWriters = 2, kObjects = 400;
  std::vector<Ack> all;
  for (int round = 0; round < kRounds; ++round) {
    int start[2];
    ASSERT_EQ(0, pipe(start));
    std::vector<Child> writers;
    for (int w = 0; w < kWriters; ++w) {
      const int first = (round * kWriters + w) * kObjects;
      writers.push_back(StartChild([&](int acks) {
        close(start[1]);
        plat::SetSleepHook(ShortPause, nullptr);
        TMap map;
        if (!Open(map, 1)) return 2;
        // Both start together: the read returns once the parent closes the pipe.
        char go;
        if (read(start[0], &go, 1) != 0) return 3;
        for (int i = 0; i < kObjects; ++i) {
          Ack ack{0, first + i, 0};
          const int local = i % 3 ? int(LOCAL_LINE) : int(LOCAL_POLYGON);
          ack.number = AppendObject(map, ack.id, local, &ack.key);
          if (!SendAck(acks, ack)) return 4;
        }
        map.CloseData();
        return 0;
      }));
      ASSERT_GT(writers.back().pid, 0);
    }
    close(start[0]);
    close(start[1]);
    for (const Child& c : writers) {
      const std::vector<Ack> acks = ReadAcks(c.acks);
      close(c.acks);
      EXPECT_EQ(0, WaitChild(c.pid)) << "round " << round;
      EXPECT_EQ(size_t(kObjects), acks.size()) << "round " << round;
      all.insert(all.end(), acks.begin(), acks.end());
    }
  }

  std::set<int> numbers;
  std::set<DWORD> keys;
  int refused = 0;
  for (const Ack& a : all) {
    if (a.number == 0) {
      ++refused;
      continue;
    }
    EXPECT_TRUE(numbers.insert(a.number).second) << "number " << a.number << " given twice";
    EXPECT_TRUE(keys.insert(a.key).second) << "key " << a.key << " given twice";
  }
  EXPECT_EQ(0, refused);

  TMap map;
  ASSERT_TRUE(Open(map, 0));
  EXPECT_EQ(kRounds * kWriters * kObjects, map.List.Count());
  int lost = 0;
  for (const Ack& a : all)
    if (a.number != 0 && CheckObject(map.List, a.number, a.id) != "") ++lost;
  EXPECT_EQ(0, lost);
  EXPECT_EQ("", CheckChain(map.List));
}

}  // namespace
