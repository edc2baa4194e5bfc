// The map error reporter and its text log.
#include <gtest/gtest.h>

#include <string>

#include "common/language.h"
#include "common/maperror.h"
#include "common/messages.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

namespace {

using mctest::RecordingMessageBox;
using mctest::RecordingWindow;

struct SleepLog {
  int calls = 0;
  DWORD total = 0;
  HANDLE holder = nullptr;  // a handle whose lock goes at the release-th sleep
  int releaseAt = -1;
};

void CountSleep(DWORD ms, void* context) {
  auto* log = static_cast<SleepLog*>(context);
  ++log->calls;
  log->total += ms;
  if (log->calls == log->releaseAt) plat::UnlockFile(log->holder, 0, 0, 32, 0);
}

class MapLog : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    SYSTEMTIME t{2024, 3, 2, 5, 7, 8, 9, 0};
    plat::SetFixedClock(t);
    plat::SetSleepHook(&CountSleep, &sleeps);
    LanguageSet(1);
    MessageEnableSet(1);
    name = dir / "map.sit.LOG";
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    plat::SetClock(nullptr, nullptr);
    plat::fault::Reset();
    LanguageSet(1);
    MessageEnableSet(1);
  }
  HANDLE OpenProbe() {
    return plat::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::string Log() const { return dir.Read("map.sit.LOG"); }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name;
  SleepLog sleeps;
};

const char kOpenLine[] = "\n     OPEN MAP. 05/03/2024  07:08:09";
const char kCloseLine[] = "\n     CLOSE MAP.   05/03/2024  07:08:09";

TEST_F(MapLog, OpenAndCloseLinesAreStampedAndAppended) {
  TMapError log;
  EXPECT_EQ(log.Open(name.c_str(), 1), 1);
  EXPECT_EQ(log.Close(1), 0);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_STREQ(log.LogName(), name.c_str());
  EXPECT_EQ(Log(), std::string(kOpenLine) + kCloseLine);

  // A second opening appends; nothing is truncated.
  EXPECT_EQ(log.Open(name.c_str(), 1), 1);
  log.Close(1);
  EXPECT_EQ(Log(), std::string(kOpenLine) + kCloseLine + kOpenLine + kCloseLine);

  // Close(1) of a closed reporter writes nothing.
  EXPECT_EQ(log.Close(1), 0);
  EXPECT_EQ(Log().size(), 2 * (sizeof(kOpenLine) - 1 + sizeof(kCloseLine) - 1));
}

TEST_F(MapLog, RussianTitlesAreCodePage1251) {
  LanguageSet(2);
  TMapError log;
  ASSERT_EQ(log.Open(name.c_str(), 1), 1);
  log.Close(1);
  EXPECT_EQ(Log(),
            "\n     \xCA\xC0\xD0\xD2\xC0 \xCE\xD2\xCA\xD0\xDB\xD2\xC0. 05/03/2024  07:08:09"
            "\n     \xCA\xC0\xD0\xD2\xC0 \xC7\xC0\xCA\xD0\xDB\xD2\xC0.  05/03/2024  07:08:09");
  EXPECT_EQ(log.LanguageCode(), 2);
}

TEST_F(MapLog, OpenWithoutLineReturnsZeroButIsOpen) {
  TMapError log;
  EXPECT_EQ(log.Commit(), 0);  // nothing open: nothing done
  EXPECT_EQ(log.Open(name.c_str(), 0), 0);
  EXPECT_TRUE(log.IsOpen());
  EXPECT_EQ(log.Commit(), 1);
  EXPECT_TRUE(log.IsOpen());
  EXPECT_EQ(Log(), "");
  // Commit reopens by the kept name and goes on at the end.
  EXPECT_EQ(log.WriteToLog("a", MAPLOG_REMARK), 1);
  EXPECT_EQ(log.Commit(), 1);
  EXPECT_EQ(log.WriteToLog("b", MAPLOG_REMARK), 1);
  EXPECT_EQ(Log(), "\n     a\n     b");

  // A name that would not fit the kept name is refused, so that Commit can
  // never reopen some other file.
  const std::string bad[] = {"", dir / "no/such/folder.log", dir.path() + std::string(300, 'x')};
  for (const std::string& b : bad) {
    EXPECT_EQ(log.Open(b.empty() ? nullptr : b.c_str(), 1), 0) << b;
    EXPECT_FALSE(log.IsOpen());
  }
  EXPECT_EQ(log.WriteToLog("lost", MAPLOG_REMARK), 0);
}

TEST_F(MapLog, EntryKindsChooseThePrefix) {
  TMapError log;
  log.Open(name.c_str(), 0);
  EXPECT_EQ(log.WriteToLog("remark", 0), 1);
  EXPECT_EQ(log.WriteToLog("error", 1), 1);
  EXPECT_EQ(log.WriteToLog(" continued", 4), 1);
  EXPECT_EQ(log.WriteToLog("other", 7), 1);
  EXPECT_EQ(log.WriteToLog(nullptr, 0), 0);
  EXPECT_TRUE(log.IsOpen());  // the error entry committed and reopened it
  EXPECT_EQ(Log(), "\n     remark\n>>>> error continued\n     other");
}

TEST_F(MapLog, FailedPrefixWriteDropsTheEntry) {
  TMapError log;
  log.Open(name.c_str(), 0);
  plat::fault::FailWrite(1, plat::fault::WriteFault::Error);
  EXPECT_EQ(log.WriteToLog("lost", MAPLOG_REMARK), 0);
  EXPECT_EQ(log.WriteToLog("kept", MAPLOG_REMARK), 1);
  EXPECT_EQ(Log(), "\n     kept");
}

TEST_F(MapLog, EntryWaitsForTheLockAndGoesOnWithoutIt) {
  TMapError log;
  log.Open(name.c_str(), 0);
  HANDLE other = OpenProbe();
  ASSERT_NE(other, INVALID_HANDLE_VALUE);

  // Held for good: ten tries 100 ms apart, then written anyway.
  ASSERT_TRUE(plat::LockFile(other, 0, 0, 32, 0));
  EXPECT_EQ(log.WriteToLog("forced", MAPLOG_REMARK), 1);
  EXPECT_EQ(sleeps.calls, 10);
  EXPECT_EQ(sleeps.total, 1000u);

  // Released at the third pause: the entry waits that long, no more.
  sleeps = SleepLog{0, 0, other, 3};
  EXPECT_EQ(log.WriteToLog("waited", MAPLOG_REMARK), 1);
  EXPECT_EQ(sleeps.calls, 3);
  EXPECT_EQ(Log(), "\n     forced\n     waited");

  // The reporter let its lock go after the entry.
  EXPECT_TRUE(plat::LockFile(other, 0, 0, 32, 0));
  plat::CloseHandle(other);
}

TEST_F(MapLog, TwoReportersOnOneLogAppendWholeEntries) {
  TMapError a, b;
  ASSERT_EQ(a.Open(name.c_str(), 1), 1);
  ASSERT_EQ(b.Open(name.c_str(), 0), 0);
  // b's position is stale after a wrote: each entry still goes to the end.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(a.WriteToLog("from a", MAPLOG_REMARK), 1);
    EXPECT_EQ(b.WriteToLog("from b", MAPLOG_ERROR), 1);
  }
  b.Close(1);
  a.Close(0);
  std::string expected = kOpenLine;
  for (int i = 0; i < 3; ++i) expected += "\n     from a\n>>>> from b";
  expected += kCloseLine;
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(sleeps.calls, 0);  // neither ever met the other's lock
}

TEST_F(MapLog, ErrorIsShownSentAndLogged) {
  RecordingMessageBox box;
  RecordingWindow owner;
  TMapError log;
  log.SetOwner(owner.handle());
  log.Open(name.c_str(), 0);

  log.ErrorMessage(MAPERR_OPEN, "a.sit");
  EXPECT_EQ(log.Error(), MAPERR_OPEN);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Open fault, file - a.sit");
  auto sent = owner.Of(WM_MAP_ERROR);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].wparam, static_cast<WPARAM>(MAPERR_OPEN));
  EXPECT_EQ(sent[0].lparam, 0);
  EXPECT_EQ(Log(), "\n>>>> Open fault, file - a.sit");

  // Messages off: no box, but still sent and logged in full. Then code 0
  // only clears the code.
  const std::string both = "\n>>>> Open fault, file - a.sit\n>>>> Read fault, file - b.sit";
  MessageEnableSet(0);
  log.ErrorMessage(MAPERR_READ, "b.sit");
  MessageEnableSet(1);
  log.ErrorMessage(0, "c.sit");
  EXPECT_EQ(log.Error(), 0);
  EXPECT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(owner.Of(WM_MAP_ERROR).size(), 2u);
  EXPECT_EQ(Log(), both);

  EXPECT_EQ(log.SendMessageA(5, 6), 0);  // the recording window answers 0
  EXPECT_EQ(owner.Of(WM_MAP_ERROR).back().lparam, 6);

  // An owner that is also the host message window gets each code once.
  MessageWindowSet(owner.handle());
  owner.Clear();
  log.ErrorMessage(MAPERR_WRITE, "d.sit");
  MessageWindowSet(nullptr);
  EXPECT_EQ(owner.Of(WM_MAP_ERROR).size(), 1u);
}

// Without an owner only the host message window hears the code.
TEST_F(MapLog, WithoutOwnerOnlyTheHostWindowHearsTheCode) {
  RecordingMessageBox box;
  RecordingWindow host;
  MessageWindowSet(host.handle());
  TMapError log;
  EXPECT_EQ(log.SendMessageA(1, 2), 0);
  log.ErrorMessage(MAPERR_WRITE, nullptr);  // no log open: shown and sent only
  MessageWindowSet(nullptr);
  EXPECT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(log.Error(), MAPERR_WRITE);
  ASSERT_EQ(host.Of(WM_MAP_ERROR).size(), 1u);
  EXPECT_EQ(host.Of(WM_MAP_ERROR)[0].wparam, WPARAM(MAPERR_WRITE));
}

TEST_F(MapLog, TimeTextFollowsTheClock) {
  char buffer[16];
  EXPECT_EQ(MapTimeText(buffer, sizeof(buffer)), 9);
  EXPECT_STREQ(buffer, "07:08:09");
  EXPECT_EQ(MapTimeText(buffer, 4), 0);  // too small
  EXPECT_EQ(MapTimeText(nullptr, 16), 0);
}

}  // namespace
