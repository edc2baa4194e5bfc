// The edit journal: creating, opening, actions and records, partial writes,
// sharing between handles, reading back and recovery.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mapstore/maplog.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/mapbuilder.h"

namespace {

using mctest::Get16;
using mctest::Get32;
using mctest::MapScratch;
using mctest::Put16;
using mctest::Put32;

int g_sleeps = 0;
void CountSleep(DWORD, void*) { ++g_sleeps; }

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    plat::SetSleepHook(CountSleep, nullptr);
    g_sleeps = 0;
    SetTime(2024, 5, 6, 10, 0, 0);
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    plat::SetClock(nullptr, nullptr);
    plat::fault::Reset();
  }
  static void SetTime(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME t{};
    t.wYear = WORD(y), t.wMonth = WORD(mo), t.wDay = WORD(d);
    t.wHour = WORD(h), t.wMinute = WORD(mi), t.wSecond = WORD(s);
    plat::SetFixedClock(t, 0);
  }
  std::string Name() const { return dir / "map.map.TAC"; }
  std::string File() const { return dir.Read("map.map.TAC"); }

  static ACTIONRECORD Record(DWORD key, DWORD number = 1, SHORT list = 1) {
    return ACTIONRECORD{key, number, 0, 4, 1, list};
  }
  // Opens the journal and keeps it open.
  void Open(TMapLog& log) { ASSERT_EQ(logOpen(&log, Name().c_str()), 1); }
  // Writes one committed action of `type` with records of the keys given.
  static void Action(TMapLog& log, int type, std::initializer_list<DWORD> keys) {
    ASSERT_EQ(logCreateAction(&log, type), 1);
    for (DWORD k : keys) {
      ACTIONRECORD r = Record(k);
      ASSERT_EQ(logPutRecord(&log, &r), 1) << k;
    }
    ASSERT_EQ(logCommitAction(&log), 1);
  }
  // Puts records of keys first..last into the open action.
  static void Put(TMapLog& log, DWORD first, DWORD last) {
    for (DWORD i = first; i <= last; ++i) {
      ACTIONRECORD r = Record(i, i);
      ASSERT_EQ(logPutRecord(&log, &r), 1) << i;
    }
  }

  MapScratch dir{MC_TEST_TMP};
};

TEST_F(JournalTest, NewJournalHasItsOpenAction) {
  TMapLog log;
  Open(log);
  EXPECT_EQ(log.IsWrite, 1);
  std::string f = File();
  ASSERT_EQ(f.size(), 2096u);
  // Ident, used length (header, one action header, one record), 256, action
  // count, date, time, reserve left; then the open and process counts.
  const uint32_t head32[] = {0x004B4154u, 64, 256, 1, 20240506, 36000, 2032};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(Get32(f, 4 * i), head32[i]) << 4 * i;
  EXPECT_EQ(Get16(f, 28), 1);
  EXPECT_EQ(Get16(f, 30), 1);

  ACTIONHEAD head;
  ASSERT_EQ(logReadAction(&log, 1, &head), 1);
  EXPECT_EQ(head.Ident, ACTION_VALID);
  EXPECT_EQ(head.Type, ACTION_OPEN);
  EXPECT_EQ(head.Count, 1);
  EXPECT_EQ(head.UseNumber, 1);
  EXPECT_EQ(head.Date, 20240506u);
  // The record holds the computer name.
  ACTIONRECORD rec;
  ASSERT_EQ(logGetActionRecord(&log, 1, &rec), 1);
  char name[16];
  DWORD size = sizeof(name);
  ASSERT_TRUE(plat::GetComputerNameA(name, &size));
  EXPECT_STREQ(reinterpret_cast<const char*>(&rec), name);

  LONG date = 0, time = 0;
  EXPECT_EQ(logDate(&log, &date, &time), 1);
  EXPECT_EQ(date, 20240506);
  EXPECT_EQ(time, 36000);
  EXPECT_EQ(logDate(&log, nullptr, &time), 0);

  logClose(&log);
  f = File();
  EXPECT_EQ(Get32(f, 12), 2u);  // the close action
  EXPECT_EQ(Get16(f, 30), 0);
}

TEST_F(JournalTest, RecordWithoutActionIsAnActionOfItsOwn) {
  TMapLog log;
  Open(log);
  ACTIONRECORD r = Record(501, 12, 3);
  ASSERT_EQ(logPutRecord(&log, &r), 1);
  EXPECT_EQ(log.IsActionOpen, 0);
  EXPECT_EQ(Get32(File(), 12), 2u);
  ACTIONHEAD head;
  ASSERT_EQ(logReadAction(&log, 2, &head), 1);
  EXPECT_EQ(head.Type, 0);
  EXPECT_EQ(head.Count, 1);
  ACTIONRECORD back;
  ASSERT_EQ(logGetActionRecord(&log, 1, &back), 1);
  EXPECT_EQ(0, std::memcmp(&back, &r, 16));
  EXPECT_EQ(logGetActionRecord(&log, 2, &back), 0);
  EXPECT_EQ(logPutRecord(&log, nullptr), 0);
}

TEST_F(JournalTest, EmptyActionsAreDroppedExceptServiceOnes) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 77), 1);
  EXPECT_EQ(logCommitAction(&log), 1);
  EXPECT_EQ(logCount(&log), 1);
  ASSERT_EQ(logCreateAction(&log, ACTION_EDITON), 1);
  EXPECT_EQ(logCount(&log), 2);
  ACTIONHEAD head;
  EXPECT_EQ(logReadAction(&log, 2, &head), 1);  // no records: 1
  EXPECT_EQ(head.Count, 0);
  EXPECT_EQ(head.Type, ACTION_EDITON);
  EXPECT_EQ(logGetActionRecordCount(&log), 0);
  // Types beyond the 16-bit field are refused.
  EXPECT_EQ(logCreateAction(&log, 70000), 0);
  EXPECT_EQ(logCreateAction(&log, -1), 0);
}

TEST_F(JournalTest, LongActionIsWrittenInPartsAndFinishedByItsCommit) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 9), 1);
  Put(log, 1, 129);
  // The first 128 are in the file and the header already counts them.
  std::string f = File();
  EXPECT_EQ(Get32(f, 12), 2u);
  EXPECT_EQ(Get32(f, 4), 64u + 16 + 128 * 16);
  EXPECT_EQ(Get16(f, 64), ACTION_VALID);
  EXPECT_EQ(Get16(f, 64 + 4), 128);
  EXPECT_EQ(Get32(f, 64 + 16 + 127 * 16), 128u);
  EXPECT_EQ(log.Locked, 1);  // nobody appends inside the action

  ASSERT_EQ(logCommitAction(&log), 1);
  f = File();
  EXPECT_EQ(Get16(f, 64 + 4), 129);
  EXPECT_EQ(Get32(f, 4), 64u + 16 + 129 * 16);
  EXPECT_EQ(log.Locked, 0);

  ACTIONHEAD head;
  ASSERT_EQ(logReadAction(&log, 2, &head), 129);
  for (int i = 1; i <= 129; ++i) {
    ACTIONRECORD r;
    ASSERT_EQ(logGetActionRecord(&log, i, &r), 1);
    EXPECT_EQ(r.Key, DWORD(i));
  }
  // The first part went past the first reserve: the file was extended to
  // the used length then plus a new reserve.
  EXPECT_EQ(f.size(), 64u + 16 + 128 * 16 + 2064);
  EXPECT_EQ(Get32(f, 24), 2064u - 16);
}

TEST_F(JournalTest, ActionStopsAt64000Records) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 12), 1);
  Put(log, 1, 64001);
  ASSERT_EQ(logCommitAction(&log), 1);
  ACTIONHEAD head;
  EXPECT_EQ(logCount(&log), 3);
  ASSERT_EQ(logReadAction(&log, 2, &head), 64000);
  EXPECT_EQ(head.Type, 12);
  ASSERT_EQ(logReadAction(&log, 3, &head), 1);
  EXPECT_EQ(head.Type, 12);
  ACTIONRECORD r;
  ASSERT_EQ(logGetActionRecord(&log, 1, &r), 1);
  EXPECT_EQ(r.Key, 64001u);
}

TEST_F(JournalTest, OpeningAloneAfterAProcessEndedUncleanly) {
  {
    TMapLog log;
    Open(log);
  }
  std::string f = File();
  Put16(f, 30, 2);
  dir.Write("map.map.TAC", f);

  TMapLog log;
  EXPECT_EQ(logOpen(&log, Name().c_str()), -1);
  EXPECT_EQ(Get16(File(), 30), 1);
  EXPECT_EQ(Get16(File(), 28), 1);
  EXPECT_EQ(logHeaderFlag(&log), 1);
  EXPECT_EQ(log.IsWrite, 1);
}

TEST_F(JournalTest, TwoHandlesSeeEachOthersActions) {
  TMapLog a, b;
  Open(a);
  Open(b);
  EXPECT_EQ(b.UseNumber, 2);
  EXPECT_EQ(logHeaderFlag(&a), 2);

  Action(a, 7, {100, 200});

  EXPECT_EQ(logCount(&b), 3);  // two open actions and a's
  ACTIONHEAD head;
  int n = logReadLastAction(&b, &head);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(head.Type, 7);
  EXPECT_EQ(head.UseNumber, 1);
  ACTIONRECORD back;
  ASSERT_EQ(logGetActionRecord(&b, 2, &back), 1);
  EXPECT_EQ(back.Key, 200u);

  Action(b, 8, {300});
  ASSERT_EQ(logReadLastAction(&a, &head), 4);
  EXPECT_EQ(head.Type, 8);
  EXPECT_EQ(head.UseNumber, 2);

  logClose(&b);
  EXPECT_EQ(logHeaderFlag(&a), 1);
}

TEST_F(JournalTest, PartialActionHoldsTheLockAgainstOthers) {
  TMapLog a, b;
  Open(a);
  Open(b);
  ASSERT_EQ(logCreateAction(&a, 5), 1);
  Put(a, 1, 130);
  // b sees the part written so far, and cannot append.
  ACTIONHEAD head;
  ASSERT_EQ(logReadAction(&b, 3, &head), 128);
  ACTIONRECORD r = Record(999);
  g_sleeps = 0;
  EXPECT_EQ(logPutRecord(&b, &r), 0);
  EXPECT_EQ(b.Error, 60004);
  EXPECT_EQ(g_sleeps, 4999);

  ASSERT_EQ(logCommitAction(&a), 1);
  ASSERT_EQ(logPutRecord(&b, &r), 1);
  ASSERT_EQ(logReadAction(&b, 3, &head), 130);
  ASSERT_EQ(logReadAction(&b, 4, &head), 1);
  ASSERT_EQ(logGetActionRecord(&b, 1, &r), 1);
  EXPECT_EQ(r.Key, 999u);
}

// The first u16 of a record is the low half of an object key: keys such
// as 32,766 and 98,302 look like action headers, and must not be taken for
// them.
TEST_F(JournalTest, KeysThatLookLikeHeadersAreListedCorrectly) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 3), 1);
  ACTIONRECORD keys[] = {Record(32766, 5), Record(98302, 6), Record(32767, 0)};
  // The last record even chains to the end like an empty action would.
  keys[2].Number = 0;
  for (ACTIONRECORD& k : keys) ASSERT_EQ(logPutRecord(&log, &k), 1);
  ASSERT_EQ(logCommitAction(&log), 1);

  ACTIONHEAD head;
  ASSERT_EQ(logReadLastAction(&log, &head), 2);
  EXPECT_EQ(head.Type, 3);
  EXPECT_EQ(head.Count, 3);
  ASSERT_EQ(logGetActionRecordCount(&log), 3);
  for (int i = 0; i < 3; ++i) {
    ACTIONRECORD r;
    ASSERT_EQ(logGetActionRecord(&log, i + 1, &r), 1);
    EXPECT_EQ(0, std::memcmp(&r, &keys[i], 16)) << i;
  }
  // Another handle, which knows nothing of the file yet, reads it the same.
  TMapLog other;
  Open(other);
  EXPECT_EQ(logCount(&other), 3);
  ASSERT_EQ(logReadLastAction(&other, &head), 2);
  EXPECT_EQ(head.Count, 3);
  ASSERT_EQ(logReadAction(&other, 3, &head), 1);
  EXPECT_EQ(head.Type, ACTION_OPEN);
}

TEST_F(JournalTest, LastActionSkipsUndoneAndServiceActions) {
  TMapLog log;
  Open(log);
  ACTIONHEAD head;
  EXPECT_EQ(logReadLastAction(&log, &head), 0);  // only the open action

  Action(log, 20, {1});                                 // 2
  Action(log, 21, {1});                                 // 3
  ASSERT_EQ(logCreateAction(&log, ACTION_EDITOFF), 1);  // 4
  Action(log, ACTION_UNDO, {1});                        // 5

  EXPECT_EQ(logReadLastAction(&log, &head), 3);
  EXPECT_EQ(head.Type, 21);
  ASSERT_EQ(logAbolitionAction(&log, 3), 1);
  EXPECT_EQ(logReadLastAction(&log, &head), 2);
  ASSERT_EQ(logReadAction(&log, 3, &head), 1);
  EXPECT_EQ(head.Ident, ACTION_UNDONE);

  // Undo stops at dropped backups.
  ASSERT_EQ(logCreateAction(&log, ACTION_BACKUPDROP), 1);
  EXPECT_EQ(logReadLastAction(&log, &head), 0);
}

TEST_F(JournalTest, ActionByTimeComparesDateThenTime) {
  TMapLog log;
  ASSERT_EQ(logOpen(&log, Name().c_str()), 1);  // 1: 2024-05-06 10:00:00
  ACTIONRECORD r = Record(1);
  SetTime(2024, 5, 6, 23, 0, 0);
  ASSERT_EQ(logPutRecord(&log, &r), 1);  // 2: 20240506, 82800
  SetTime(2024, 5, 7, 0, 0, 10);
  ASSERT_EQ(logPutRecord(&log, &r), 1);  // 3: 20240507, 10

  EXPECT_EQ(logGetActionNumberByTime(&log, 20240506, 0), 1);
  EXPECT_EQ(logGetActionNumberByTime(&log, 20240506, 36000), 2);
  // A later date with an earlier time of day is still later.
  EXPECT_EQ(logGetActionNumberByTime(&log, 20240507, 5), 3);
  EXPECT_EQ(logGetActionNumberByTime(&log, 20240507, 10), 0);
  EXPECT_EQ(logGetActionNumberByTime(&log, 20240601, 0), 0);
}

TEST_F(JournalTest, BrokenChainIsCutAtTheLastWholeAction) {
  {
    TMapLog log;
    Open(log);
    ACTIONRECORD r = Record(1);
    ASSERT_EQ(logPutRecord(&log, &r), 1);
    ASSERT_EQ(logPutRecord(&log, &r), 1);
  }
  // Actions: open (32), 0 (64), 0 (96), close (128); damage the third.
  std::string f = File();
  ASSERT_EQ(Get32(f, 12), 4u);
  Put16(f, 96, 0x1234);
  dir.Write("map.map.TAC", f);

  TMapLog log;
  Open(log);
  ACTIONHEAD head;
  EXPECT_EQ(logReadAction(&log, 2, &head), 1);
  EXPECT_EQ(logReadAction(&log, 5, &head), 0);
  EXPECT_EQ(log.Error, 60005);
  f = File();
  EXPECT_EQ(Get32(f, 12), 2u);
  EXPECT_EQ(Get32(f, 4), 96u);
  // The journal goes on from there.
  ACTIONRECORD r = Record(44);
  ASSERT_EQ(logPutRecord(&log, &r), 1);
  ASSERT_EQ(logReadLastAction(&log, &head), 3);
  ASSERT_EQ(logGetActionRecord(&log, 1, &r), 1);
  EXPECT_EQ(r.Key, 44u);
}

TEST_F(JournalTest, WriterThatDiedInsideAnActionIsRecovered) {
  {
    TMapLog dead;
    ASSERT_EQ(logOpen(&dead, Name().c_str()), 1);
    ASSERT_EQ(logCreateAction(&dead, 6), 1);
    Put(dead, 1, 300);
    // The process ends here: its file goes away without a commit.
    plat::CloseHandle(dead.File);
    dead.File = nullptr;
  }
  // 256 records went out, but the action's header still says 128.
  std::string f = File();
  EXPECT_EQ(Get16(f, 64 + 4), 128);
  EXPECT_EQ(Get32(f, 4), 64u + 16 + 256 * 16);

  TMapLog log;
  EXPECT_EQ(logOpen(&log, Name().c_str()), -1);
  Action(log, 40, {7777});
  ACTIONRECORD r;
  ACTIONHEAD head;
  ASSERT_EQ(logReadLastAction(&log, &head), 4);
  EXPECT_EQ(head.Type, 40);
  ASSERT_EQ(logGetActionRecord(&log, 1, &r), 1);
  EXPECT_EQ(r.Key, 7777u);
  ASSERT_EQ(logReadAction(&log, 2, &head), 128);
  EXPECT_EQ(head.Type, 6);
}

TEST_F(JournalTest, DamagedHeaderMakesANewJournal) {
  dir.Write("map.map.TAC", std::string(40, 'x'));
  TMapLog log;
  Open(log);
  EXPECT_EQ(File().size(), 2096u);
  EXPECT_EQ(logCount(&log), 1);
}

TEST_F(JournalTest, ReadOnlyJournalIsOnlyRead) {
  {
    TMapLog log;
    Open(log);
  }
  ASSERT_TRUE(plat::SetFileAttributesA(Name().c_str(), FILE_ATTRIBUTE_READONLY));
  TMapLog log;
  Open(log);
  EXPECT_EQ(log.IsWrite, 0);
  EXPECT_EQ(logCount(&log), 2);
  ACTIONRECORD r = Record(1);
  EXPECT_EQ(logPutRecord(&log, &r), 0);
  EXPECT_EQ(logCreateAction(&log, 1), 0);
  ACTIONHEAD head;
  EXPECT_EQ(logReadAction(&log, 2, &head), 1);
  EXPECT_EQ(head.Type, ACTION_CLOSE);
}

TEST_F(JournalTest, FailedWriteKeepsTheJournalWhole) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 2), 1);
  Put(log, 1, 200);
  // The final commit's records do not reach the disk.
  plat::fault::FailWrite(1, plat::fault::WriteFault::DiskFull);
  EXPECT_EQ(logCommitAction(&log), 0);
  EXPECT_EQ(log.Error, 60004);
  EXPECT_EQ(log.Locked, 0);
  plat::fault::Reset();

  // What reached the file is an action of its own, and the chain holds.
  ACTIONHEAD head;
  ASSERT_EQ(logReadAction(&log, 2, &head), 128);
  ACTIONRECORD r = Record(5000);
  ASSERT_EQ(logPutRecord(&log, &r), 1);
  ASSERT_EQ(logReadLastAction(&log, &head), 3);
  TMapLog other;
  Open(other);
  EXPECT_EQ(logCount(&other), 4);
  ASSERT_EQ(logReadAction(&other, 3, &head), 1);
  ASSERT_EQ(logGetActionRecord(&other, 1, &r), 1);
  EXPECT_EQ(r.Key, 5000u);
}

TEST_F(JournalTest, FlushReopensTheFile) {
  TMapLog log;
  Open(log);
  ASSERT_EQ(logCreateAction(&log, 3), 1);
  ACTIONRECORD r = Record(1);
  ASSERT_EQ(logPutRecord(&log, &r), 1);
  ASSERT_EQ(logFlush(&log), 1);
  EXPECT_EQ(logCount(&log), 2);
  EXPECT_EQ(log.IsWrite, 1);
  EXPECT_EQ(logPutRecord(&log, &r), 1);
}

}  // namespace
