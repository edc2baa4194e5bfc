// Byte-range locks and share modes between handles of one process, which
// must conflict as they would between two processes on Windows.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/lockwait.h"
#include "support/scratch_dir.h"

// Expects a call to fail with the given last-error code.
#define EXPECT_FAILS(call, code)                           \
  do {                                                     \
    EXPECT_FALSE(call);                                    \
    EXPECT_EQ(plat::GetLastError(), DWORD(code)) << #call; \
  } while (0)

namespace {

using mctest::ScratchDir;

class LockTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetWriteThroughEnabled(false); }

  HANDLE Open(const std::string& name, DWORD access = GENERIC_READ | GENERIC_WRITE,
              DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE, DWORD how = OPEN_ALWAYS) {
    return plat::CreateFileA(name.c_str(), access, share, nullptr, how, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
  }

  ScratchDir dir{MC_TEST_TMP};
};

TEST_F(LockTest, SecondHandleWaitsForFirstToUnlockOrClose) {
  std::string name = dir / "log.txt";
  HANDLE a = Open(name);
  HANDLE b = Open(name);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);

  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  EXPECT_FAILS(plat::LockFile(b, 0, 0, 32, 0), 33);
  // Any overlap conflicts, a neighbouring range does not.
  EXPECT_FALSE(plat::LockFile(b, 31, 0, 10, 0));
  EXPECT_TRUE(plat::LockFile(b, 32, 0, 10, 0));
  EXPECT_TRUE(plat::UnlockFile(b, 32, 0, 10, 0));

  ASSERT_TRUE(plat::UnlockFile(a, 0, 0, 32, 0));
  EXPECT_TRUE(plat::LockFile(b, 0, 0, 32, 0));
  EXPECT_FALSE(plat::LockFile(a, 0, 0, 32, 0));
  EXPECT_TRUE(plat::UnlockFile(b, 0, 0, 32, 0));

  // Closing the holder releases its lock, and only its own.
  HANDLE c = Open(name);
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  ASSERT_TRUE(plat::LockFile(c, 100, 0, 4, 0));
  ASSERT_TRUE(plat::CloseHandle(a));
  EXPECT_TRUE(plat::LockFile(b, 0, 0, 32, 0));
  EXPECT_FALSE(plat::LockFile(b, 100, 0, 4, 0));
  EXPECT_TRUE(plat::CloseHandle(b));
  EXPECT_TRUE(plat::CloseHandle(c));
}

TEST_F(LockTest, OneHandleCannotLockARangeTwiceAndUnlockNeedsTheExactRange) {
  HANDLE a = Open(dir / "f");
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  EXPECT_FAILS(plat::LockFile(a, 0, 0, 32, 0), 33);
  EXPECT_FALSE(plat::LockFile(a, 16, 0, 32, 0));

  EXPECT_FAILS(plat::UnlockFile(a, 0, 0, 16, 0), 158);
  EXPECT_FALSE(plat::UnlockFile(a, 1, 0, 32, 0));
  EXPECT_TRUE(plat::UnlockFile(a, 0, 0, 32, 0));
  EXPECT_FALSE(plat::UnlockFile(a, 0, 0, 32, 0));
  plat::CloseHandle(a);
}

TEST_F(LockTest, LocksPastTheEndWithSixtyFourBitOffsets) {
  std::string name = dir / "sheet.hdr";
  HANDLE a = Open(name);
  HANDLE b = Open(name);
  DWORD written = 0;
  ASSERT_TRUE(plat::WriteFile(a, "header", 6, &written, nullptr));
  // The sheet lock: 256 bytes at the file length plus 0x18000.
  DWORD at = plat::GetFileSize(a, nullptr) + 0x18000;
  ASSERT_TRUE(plat::LockFile(a, at, 0, 256, 0));
  EXPECT_FALSE(plat::LockFile(b, at + 255, 0, 1, 0));
  EXPECT_EQ(plat::GetFileSize(a, nullptr), 6u);  // locking does not grow the file

  // Beyond 4 GB the high halves count.
  ASSERT_TRUE(plat::LockFile(a, 0x10, 0x2, 0x100, 0));
  EXPECT_FALSE(plat::LockFile(b, 0x80, 0x2, 1, 0));
  EXPECT_TRUE(plat::LockFile(b, 0x80, 0x3, 1, 0));
  EXPECT_TRUE(plat::LockFile(b, 0x10, 0, 0x100, 0));  // same low half, other high half
  plat::CloseHandle(a);
  plat::CloseHandle(b);
}

TEST_F(LockTest, UnsharedOpenFailsWhileAnotherHandleIsOpen) {
  std::string name = dir / "map.tac";
  HANDLE a = Open(name);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);

  for (DWORD access : {GENERIC_READ | GENERIC_WRITE, DWORD(GENERIC_READ)})
    EXPECT_FAILS(Open(name, access, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 32);

  ASSERT_TRUE(plat::CloseHandle(a));
  HANDLE b = Open(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  // And now the unshared handle keeps every other open out.
  EXPECT_EQ(Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(plat::GetLastError(), 32u);
  plat::CloseHandle(b);
}

TEST_F(LockTest, ShareModesMatchAccess) {
  std::string name = dir / "shared";
  // A reader that lets others read but not write.
  HANDLE r = Open(name, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  HANDLE r2 = Open(name, GENERIC_READ, FILE_SHARE_READ);
  EXPECT_NE(r2, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
  // A reader that would not let the existing reader go on reading.
  EXPECT_EQ(Open(name, GENERIC_READ, FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
  plat::CloseHandle(r);
  plat::CloseHandle(r2);

  // A writer sharing reading only: readers that share writing may come.
  HANDLE w = Open(name, GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(name, GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
  HANDLE r3 = Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_NE(r3, INVALID_HANDLE_VALUE);
  plat::CloseHandle(r3);
  plat::CloseHandle(w);
}

TEST_F(LockTest, TruncatingOpenThatConflictsLeavesTheFileAlone) {
  std::string name = dir / "data";
  dir.Write("data", "precious");
  HANDLE a = Open(name, GENERIC_READ, 0, OPEN_EXISTING);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_FAILS(Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS) != INVALID_HANDLE_VALUE, 32);
  plat::CloseHandle(a);
  EXPECT_EQ(dir.Read("data"), "precious");
}

TEST_F(LockTest, OpenFileCannotBeDeletedOrRenamed) {
  std::string name = dir / "open.dat";
  HANDLE a = Open(name);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_FAILS(plat::DeleteFileA(name.c_str()), 32);
  EXPECT_FAILS(plat::MoveFileA(name.c_str(), (dir / "moved.dat").c_str()), 32);
  EXPECT_TRUE(dir.Exists("open.dat"));
  EXPECT_FALSE(dir.Exists("moved.dat"));

  // A handle that shares deletion does not stand in the way.
  plat::CloseHandle(a);
  a = Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  EXPECT_TRUE(plat::MoveFileA(name.c_str(), (dir / "moved.dat").c_str()));
  plat::CloseHandle(a);
  EXPECT_TRUE(plat::DeleteFileA((dir / "moved.dat").c_str()));
}

TEST_F(LockTest, AnotherProcessSeesLocksAndShareModes) {
  std::string name = dir / "journal.tac";
  HANDLE a = Open(name);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // In the child: a shared open goes, the locked range and an unshared
    // open do not, nor does deleting the file.
    int code = 0;
    HANDLE b =
        Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (b == INVALID_HANDLE_VALUE) code |= 1;
    if (plat::LockFile(b, 16, 0, 1, 0) || plat::GetLastError() != 33) code |= 2;
    if (!plat::LockFile(b, 32, 0, 1, 0)) code |= 4;
    if (Open(name, GENERIC_READ, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE ||
        plat::GetLastError() != 32)
      code |= 8;
    if (plat::DeleteFileA(name.c_str()) || plat::GetLastError() != 32) code |= 16;
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  plat::CloseHandle(a);
}

TEST_F(LockTest, AMappingOrAViewKeepsNoLockOrMarkerOfAClosedHandle) {
  std::string name = dir / "mapped";
  dir.Write("mapped", std::string(8192, 'm'));
  HANDLE a = Open(name);
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));
  HANDLE m = plat::CreateFileMappingA(a, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  plat::CloseHandle(a);
  HANDLE b = Open(name);
  EXPECT_TRUE(plat::LockFile(b, 0, 0, 32, 0));
  plat::CloseHandle(b);
  plat::CloseHandle(m);
  // Nor does a view that outlives its mapping and the handle: a writer's
  // markers gone, an open that denies writing, and a deletion, are let be.
  HANDLE c = Open(name);
  ASSERT_TRUE(plat::LockFile(c, 0, 0, 32, 0));
  m = plat::CreateFileMappingA(c, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  const void* view = plat::MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  plat::CloseHandle(m);
  plat::CloseHandle(c);
  HANDLE d = Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  ASSERT_NE(d, INVALID_HANDLE_VALUE) << plat::GetLastError();
  EXPECT_TRUE(plat::LockFile(d, 0, 0, 32, 0));
  plat::CloseHandle(d);
  EXPECT_TRUE(plat::DeleteFileA(name.c_str()));
  plat::UnmapViewOfFile(view);
}

TEST_F(LockTest, BadHandlesFailCleanly) {
  HANDLE a = Open(dir / "f");
  ASSERT_TRUE(plat::CloseHandle(a));
  for (HANDLE h : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, a,
                   reinterpret_cast<HANDLE>(uintptr_t(0x12345678))}) {
    EXPECT_FAILS(plat::LockFile(h, 0, 0, 1, 0), 6);
    EXPECT_FAILS(plat::UnlockFile(h, 0, 0, 1, 0), 6);
    EXPECT_FAILS(plat::CloseHandle(h), 6);
  }
}

// A lock another handle holds is tried again after each pause until it is
// free or the tries are spent, with no pause after the last; any other
// refusal answers at once.
TEST_F(LockTest, WaitingForALockPausesOnlyWhileAnotherHoldsIt) {
  struct Pauses {
    std::vector<DWORD> taken;
    HANDLE holder = nullptr;
    size_t freeAfter = 0;
  } pauses;
  const plat::SleepProc old = plat::SetSleepHook(
      [](DWORD ms, void* context) {
        auto* p = static_cast<Pauses*>(context);
        p->taken.push_back(ms);
        if (p->holder != nullptr && p->taken.size() == p->freeAfter)
          plat::UnlockFile(p->holder, 0, 0, 32, 0);
      },
      &pauses);
  const std::string name = dir / "wait.txt";
  HANDLE a = Open(name);
  HANDLE b = Open(name);
  ASSERT_TRUE(plat::LockFile(a, 0, 0, 32, 0));

  EXPECT_FAILS(plat::LockFileWaiting(b, 0, 32, 4, 7), 33);
  EXPECT_EQ(pauses.taken, (std::vector<DWORD>{7, 7, 7}));

  // Freed by the holder during the second pause: taken on the third try.
  pauses.taken.clear();
  pauses.holder = a;
  pauses.freeAfter = 2;
  EXPECT_TRUE(plat::LockFileWaiting(b, 0, 32, 5, 3));
  EXPECT_EQ(pauses.taken, (std::vector<DWORD>{3, 3}));
  EXPECT_TRUE(plat::UnlockFile(b, 0, 0, 32, 0));

  pauses.taken.clear();
  pauses.holder = nullptr;
  ASSERT_TRUE(plat::CloseHandle(a));
  for (HANDLE h : {static_cast<HANDLE>(nullptr), a})
    EXPECT_FAILS(plat::LockFileWaiting(h, 0, 32, 5, 3), 6);
  EXPECT_TRUE(pauses.taken.empty());
  EXPECT_TRUE(plat::CloseHandle(b));
  plat::SetSleepHook(old, nullptr);
}

}  // namespace
