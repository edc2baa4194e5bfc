// The fault layer fails exactly the operation it is armed on, and a sweep
// fails every operation of a save in turn.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/fileio.h"
#include "platform/profile.h"
#include "platform/vfs_fault.h"
#include "platform/vfs_memory.h"
#include "support/fault_sweep.h"
#include "support/scratch_dir.h"

namespace {

using plat::VfsOp;

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The kinds of operation a file in memory takes (it cannot be mapped).
const int kMemoryKinds = static_cast<int>(VfsOp::Map);

// One operation of each kind through the file calls, on a file open before
// any fault layer is installed.
class FaultLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(memory.AddFile("/d/f", "12345678"));
    ASSERT_TRUE(memory.AddFile("/d/r1", "r"));
    file = plat::CreateFileA("/d/f", GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
  }
  void TearDown() override { plat::CloseHandle(file); }

  bool Do(VfsOp op) {
    char buffer[4];
    switch (op) {
      case VfsOp::Open: {
        HANDLE h =
            plat::CreateFileA("/d/o", GENERIC_READ, kShareAll, nullptr, OPEN_ALWAYS, 0, nullptr);
        return h != INVALID_HANDLE_VALUE && plat::CloseHandle(h);
      }
      case VfsOp::Read:
        return plat::ReadExactAt(file, 0, buffer, 4);
      case VfsOp::Write:
        return plat::WriteExactAt(file, 0, "abcd", 4);
      case VfsOp::Truncate:
        return plat::SetFileLength(file, 8);
      case VfsOp::Sync:
        return plat::FlushFileBuffers(file);
      case VfsOp::Lock:
        return plat::LockFile(file, 100, 0, 1, 0) && plat::UnlockFile(file, 100, 0, 1, 0);
      case VfsOp::Rename:
        return memory.Exists("/d/r1") ? plat::MoveFileA("/d/r1", "/d/r2")
                                      : plat::MoveFileA("/d/r2", "/d/r1");
      case VfsOp::Delete:
        return memory.AddFile("/d/x", "") && plat::DeleteFileA("/d/x");
      default:
        return false;
    }
  }

  plat::MemoryVfs memory;
  plat::ScopedVfs use{&memory};
  HANDLE file = nullptr;
};

TEST_F(FaultLayerTest, TheNthOperationOfAKindFailsWithItsCode) {
  const DWORD codes[kMemoryKinds] = {5, 30, 29, 29, 29, 33, 5, 5};
  for (int k = 0; k < kMemoryKinds; ++k) {
    const VfsOp op = static_cast<VfsOp>(k);
    plat::FaultVfs faults;
    plat::ScopedVfs install(&faults);
    faults.Fail(op, 2);
    EXPECT_TRUE(Do(op)) << plat::VfsOpName(op);
    EXPECT_FALSE(Do(op)) << plat::VfsOpName(op);
    EXPECT_EQ(plat::GetLastError(), codes[k]) << plat::VfsOpName(op);
    EXPECT_TRUE(Do(op)) << plat::VfsOpName(op);
    // Each call made exactly one operation, of its kind.
    EXPECT_EQ(faults.Count(op), 3) << plat::VfsOpName(op);
    EXPECT_EQ(faults.Count(VfsOp::Any), 3) << plat::VfsOpName(op);
    EXPECT_EQ(faults.Fired(), 1);
    EXPECT_EQ(faults.LastHit().kind, op);
    EXPECT_EQ(faults.LastHit().numberOfKind, 2);
  }
}

TEST_F(FaultLayerTest, ASweepOverAllKindsFailsEachOperationOnce) {
  mctest::FaultSweep sweep;
  std::vector<bool> results;
  int runs = sweep.Run(
      [&] {
        results.clear();
        for (int k = 0; k < kMemoryKinds; ++k) results.push_back(Do(static_cast<VfsOp>(k)));
      },
      [&](const mctest::SweepRun& run) {
        for (int k = 0; k < kMemoryKinds; ++k)
          EXPECT_EQ(results[size_t(k)], !run.faulted || k != run.n - 1) << run;
        if (run.faulted) {
          EXPECT_EQ(run.kind, static_cast<VfsOp>(run.n - 1)) << run;
        }
      });
  EXPECT_EQ(runs, kMemoryKinds);
}

// A mapping is counted, and fails when armed, only while the layer allows
// views; the growth of a file by a mapping larger than it is a truncation,
// counted always.
TEST(FaultLayerViews, MappingsAreCountedOnlyWhileViewsAreAllowed) {
  mctest::ScratchDir dir{MC_TEST_TMP};
  dir.Write("m", std::string(4096, 'm'));
  HANDLE f = plat::CreateFileA((dir / "m").c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  auto map = [&] {
    HANDLE m = plat::CreateFileMappingA(f, nullptr, PAGE_READWRITE, 0, 8192, nullptr);
    return m != nullptr && plat::CloseHandle(m);
  };
  plat::FaultVfs faults;
  plat::ScopedVfs install(&faults);
  EXPECT_FALSE(plat::ViewsAllowed());
  faults.Fail(VfsOp::Map, 1);
  EXPECT_TRUE(map());
  EXPECT_EQ(faults.Count(VfsOp::Any), 1);  // the growth to 8192 bytes
  EXPECT_EQ(faults.Count(VfsOp::Map), 0);
  faults.AllowViews(true);
  EXPECT_TRUE(plat::ViewsAllowed());
  EXPECT_FALSE(map());
  EXPECT_EQ(plat::GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(map());
  EXPECT_EQ(faults.Count(VfsOp::Map), 2);
  EXPECT_EQ(faults.Count(VfsOp::Any), 3);
  EXPECT_EQ(faults.LastHit().kind, VfsOp::Map);
  plat::CloseHandle(f);
}

TEST_F(FaultLayerTest, ShortAndFullWritesAndPersistentFaults) {
  plat::FaultVfs faults;
  plat::ScopedVfs install(&faults);
  struct Case {
    plat::VfsFault how;
    int bytes;
    DWORD error;
    BOOL ok;
    DWORD code;
    DWORD done;
  } cases[] = {
      {plat::VfsFault::Short, 3, 0, TRUE, 0, 3},
      {plat::VfsFault::Short, 100, 0, TRUE, 0, 7},  // always short
      {plat::VfsFault::ShortDiskFull, -1, 0, FALSE, 112, 4},
      {plat::VfsFault::DiskFull, -1, 0, FALSE, 112, 0},
      {plat::VfsFault::Error, -1, 31, FALSE, 31, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(memory.AddFile("/d/w", ""));
    HANDLE h = plat::CreateFileA("/d/w", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    plat::VfsFaultMode mode;
    mode.how = c.how;
    mode.bytes = c.bytes;
    mode.error = c.error;
    faults.Fail(VfsOp::Write, 1, mode);
    DWORD done = 99;
    plat::SetLastError(0);
    EXPECT_EQ(plat::WriteAt(h, 0, "abcdefgh", 8, &done), c.ok) << c.bytes;
    EXPECT_EQ(plat::GetLastError(), c.code) << c.bytes;
    EXPECT_EQ(done, c.done) << c.bytes;
    plat::CloseHandle(h);
    EXPECT_EQ(memory.Contents("/d/w"), std::string("abcdefgh", c.done)) << c.bytes;
  }
  // A short read; then every write from the second on.
  plat::VfsFaultMode shortRead;
  shortRead.how = plat::VfsFault::Short;
  faults.Fail(VfsOp::Read, 1, shortRead);
  char buffer[8];
  DWORD got = 0;
  EXPECT_TRUE(plat::ReadAt(file, 0, buffer, 8, &got));
  EXPECT_EQ(got, 4u);
  plat::VfsFaultMode persist;
  persist.persist = true;
  faults.Fail(VfsOp::Write, 2, persist);
  EXPECT_TRUE(plat::WriteExactAt(file, 0, "a", 1));
  EXPECT_FALSE(plat::WriteExactAt(file, 0, "b", 1));
  EXPECT_FALSE(plat::WriteExactAt(file, 0, "c", 1));
  faults.Disarm();
  EXPECT_TRUE(plat::WriteExactAt(file, 0, "d", 1));
}

// A save as owners of files make it: the new bytes go to a temporary file,
// which replaces the old file by two renames once it is on the disk.
bool SaveByRename(const std::string& name, const std::string& bytes) {
  const std::string temp = name + ".new";
  const std::string backup = name + ".bak";
  HANDLE h = plat::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok =
      plat::WriteExactAt(h, 0, bytes.data(), DWORD(bytes.size())) && plat::FlushFileBuffers(h);
  plat::CloseHandle(h);
  if (ok) ok = plat::MoveFileA(name.c_str(), backup.c_str());
  if (ok && !plat::MoveFileA(temp.c_str(), name.c_str())) {
    plat::MoveFileA(backup.c_str(), name.c_str());  // the old file back
    ok = false;
  }
  if (!ok) {
    plat::DeleteFileA(temp.c_str());
    return false;
  }
  plat::DeleteFileA(backup.c_str());  // a backup left over is harmless
  return true;
}

TEST(FaultSweep, EveryFailureOfASaveLeavesTheOldFileOrTheNewOne) {
  plat::MemoryVfs memory;
  plat::ScopedVfs use(&memory);
  const std::string oldBytes = "old sheet", newBytes = "the new sheet";
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    plat::DeleteFileA("/maps/a.sit.new");
    plat::DeleteFileA("/maps/a.sit.bak");
    memory.AddFile("/maps/a.sit", oldBytes);
  };
  bool saved = false;
  auto save = [&] { saved = SaveByRename("/maps/a.sit", newBytes); };
  auto check = [&](const mctest::SweepRun& run) {
    EXPECT_EQ(memory.Contents("/maps/a.sit"), saved ? newBytes : oldBytes) << run;
    EXPECT_TRUE(saved || run.faulted) << run;  // a run without a fault saves
    EXPECT_FALSE(saved && memory.Exists("/maps/a.sit.new")) << run;
  };
  // Open, write, sync, two renames, delete.
  EXPECT_EQ(sweep.Run(save, check), 6);
  // Only the writes, each cut short by a full disk.
  sweep.kind = VfsOp::Write;
  sweep.fault.how = plat::VfsFault::ShortDiskFull;
  EXPECT_EQ(sweep.Run(save, check), 1);
}

void NoSleep(DWORD, void*) {}

TEST(FaultSweep, AProfileIsNeverHalfWritten) {
  plat::MemoryVfs memory;
  plat::ScopedVfs use(&memory);
  plat::SetSleepHook(&NoSleep, nullptr);  // a failed lock is tried again at once
  const std::string before = "[A]\r\nx=1\r\n", after = "[A]\r\nx=2\r\n";
  mctest::FaultSweep sweep;
  sweep.prepare = [&] { memory.AddFile("/etc/a.ini", before); };
  BOOL written = FALSE;
  int faults =
      sweep.Run([&] { written = plat::WritePrivateProfileStringA("A", "x", "2", "/etc/a.ini"); },
                [&](const mctest::SweepRun& run) {
                  EXPECT_EQ(memory.Contents("/etc/a.ini"), written ? after : before) << run;
                  EXPECT_EQ(memory.Names("/etc"), std::vector<std::string>{"a.ini"}) << run;
                });
  plat::SetSleepHook(nullptr, nullptr);
  EXPECT_EQ(faults, 7);  // open, lock, read, create, write, sync, replace
}

}  // namespace
