// Block-by-block file streaming: prepare, copy and header insertion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/copyfile.h"
#include "common/messages.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/scratch_dir.h"
#include "support/host_recorder.h"

namespace {

using mctest::RecordingMessageBox;

std::string Pattern(size_t size) {
  std::string s(size, 0);
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

int g_sleeps = 0;
void NoSleep(DWORD, void*) { ++g_sleeps; }

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    plat::SetSleepHook(&NoSleep, nullptr);
    g_sleeps = 0;
    MessageEnableSet(1);
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    plat::fault::Reset();
  }
  std::string Path(const char* name) const { return dir / name; }

  mctest::ScratchDir dir{MC_TEST_TMP};
  RecordingMessageBox box;
};

// Records the blocks it is given; can stop at a chosen block.
class BlockRecorder : public TPrepareFile {
 public:
  int Prepare(char* block, LONG length) override {
    blocks.push_back(std::string(block, static_cast<size_t>(length)));
    return static_cast<int>(blocks.size()) != stopAt;
  }
  std::vector<std::string> blocks;
  int stopAt = -1;
};

TEST_F(CopyTest, BlocksAreAtMost65520Bytes) {
  dir.Write("a", Pattern(65520));
  dir.Write("b", Pattern(65521));
  dir.Write("c", Pattern(3 * 65520 + 17));

  BlockRecorder r;
  EXPECT_EQ(r.Run(Path("a").c_str(), GENERIC_READ, FILE_SHARE_READ), 1);
  ASSERT_EQ(r.blocks.size(), 1u);
  EXPECT_EQ(r.blocks[0].size(), 65520u);

  r.blocks.clear();
  EXPECT_EQ(r.Run(Path("b").c_str(), GENERIC_READ, FILE_SHARE_READ), 1);
  ASSERT_EQ(r.blocks.size(), 2u);
  EXPECT_EQ(r.blocks[0].size(), 65520u);
  EXPECT_EQ(r.blocks[1], Pattern(65521).substr(65520));

  r.blocks.clear();
  EXPECT_EQ(r.Run(Path("c").c_str(), GENERIC_READ, FILE_SHARE_READ), 1);
  std::string joined;
  for (auto& b : r.blocks) joined += b;
  EXPECT_EQ(r.blocks.size(), 4u);
  EXPECT_EQ(joined, Pattern(3 * 65520 + 17));

  // A stopping Prepare stops the run, which then fails.
  r.blocks.clear();
  r.stopAt = 2;
  EXPECT_EQ(r.Run(Path("c").c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE), 0);
  EXPECT_EQ(r.blocks.size(), 2u);
  EXPECT_TRUE(box.boxes().empty());
}

TEST_F(CopyTest, OpenFailuresAndEmptySource) {
  BlockRecorder r;
  EXPECT_EQ(r.Run(Path("missing").c_str(), GENERIC_READ, 3), 0);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Open fault, file - " + Path("missing"));

  dir.Write("empty", "");
  EXPECT_EQ(r.Run(Path("empty").c_str(), GENERIC_READ, 3), 0);
  EXPECT_EQ(box.boxes().size(), 1u);  // an empty file fails silently

  dir.Write("small", "abc");
  plat::fault::FailAllocation(1);
  EXPECT_EQ(r.Run(Path("small").c_str(), GENERIC_READ, 3), 0);
  ASSERT_EQ(box.boxes().size(), 2u);
  EXPECT_EQ(box.boxes()[1].text, "Memory error for file - " + Path("small"));
  EXPECT_TRUE(r.blocks.empty());
}

TEST_F(CopyTest, CopyMakesAnExactTarget) {
  dir.Write("src", Pattern(65521));
  dir.Write("dst", std::string(200000, 'x'));  // longer: must be cut
  TCopyFile copy;
  EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 1);
  EXPECT_EQ(dir.Read("dst"), Pattern(65521));
  EXPECT_EQ(plat::fault::WriteCount(), 2);  // two blocks
  EXPECT_TRUE(box.boxes().empty());
  EXPECT_EQ(g_sleeps, 0);
}

TEST_F(CopyTest, CopyOfOneFileUnderTwoNamesTouchesNothing) {
  dir.Write("a.dat", "content");
  TCopyFile copy;
  std::string a = Path("a.dat");
  EXPECT_EQ(copy.Copy(a.c_str(), a.c_str()), 1);
  std::string other = a;
  EXPECT_EQ(copy.Copy(a.c_str(), other.c_str()), 1);
  // Another spelling of the same file.
  std::string dotted = dir.path() + "./a.dat";
  EXPECT_EQ(copy.Copy(a.c_str(), dotted.c_str()), 1);
  EXPECT_EQ(dir.Read("a.dat"), "content");
  // Letter case makes another file here: that one is copied.
  EXPECT_EQ(copy.Copy(a.c_str(), Path("A.DAT").c_str()), 1);
  EXPECT_EQ(dir.Read("A.DAT"), "content");
  EXPECT_EQ(copy.Copy(nullptr, a.c_str()), 0);
  EXPECT_EQ(copy.Copy(a.c_str(), nullptr), 0);
}

TEST_F(CopyTest, EmptySourceLeavesEmptyTargetAndFailsSilently) {
  dir.Write("empty", "");
  dir.Write("dst", "old");
  TCopyFile copy;
  EXPECT_EQ(copy.Copy(Path("empty").c_str(), Path("dst").c_str()), 0);
  EXPECT_TRUE(dir.Exists("dst"));
  EXPECT_EQ(dir.Read("dst"), "");
  EXPECT_TRUE(box.boxes().empty());

  EXPECT_EQ(copy.Copy(Path("missing").c_str(), Path("dst2").c_str()), 0);
  EXPECT_EQ(dir.Read("dst2"), "");
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Open fault, file - " + Path("missing"));
}

TEST_F(CopyTest, FailedWriteOfAnyBlockFailsTheCopy) {
  dir.Write("src", Pattern(65521));
  TCopyFile copy;
  // The last (short) block fails.
  plat::fault::FailWrite(2, plat::fault::WriteFault::Error);
  EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 0);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Write fault , file - " + Path("dst"));

  // A short write is a failure too.
  plat::fault::Reset();
  plat::fault::FailWrite(1, plat::fault::WriteFault::Short);
  EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 0);
  ASSERT_EQ(box.boxes().size(), 2u);
  EXPECT_EQ(box.boxes()[1].text, "Write fault , file - " + Path("dst"));

  // A full disk has its own message.
  plat::fault::Reset();
  plat::fault::FailWrite(1, plat::fault::WriteFault::DiskFull);
  EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 0);
  ASSERT_EQ(box.boxes().size(), 3u);
  EXPECT_EQ(box.boxes()[2].text, "Disk is full - " + Path("dst"));
}

TEST_F(CopyTest, CopyWaitsForTheTargetLockThenGoesOn) {
  dir.Write("src", "abc");
  dir.Write("dst", "");
  HANDLE holder = plat::CreateFileA(Path("dst").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(plat::LockFile(holder, 0, 0, 0x10000, 0));
  TCopyFile copy;
  EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 1);
  EXPECT_EQ(g_sleeps, 5000);
  EXPECT_EQ(dir.Read("dst"), "abc");
  plat::CloseHandle(holder);
}

TEST_F(CopyTest, TargetThatCannotBeCreated) {
  dir.Write("src", "abc");
  TCopyFile copy;
  std::string bad = dir / "no/such/dst";
  EXPECT_EQ(copy.Copy(Path("src").c_str(), bad.c_str()), 0);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Open fault, file - " + bad);
}

TEST_F(CopyTest, HeaderGoesInFrontOfTheContent) {
  dir.Write("src", Pattern(70000));
  TPrepareFileHeader h;
  char header[] = "HEAD";
  EXPECT_EQ(h.InsertAndRun(Path("src").c_str(), Path("dst").c_str(), header, 4), 1);
  EXPECT_EQ(dir.Read("dst"), "HEAD" + Pattern(70000));
  EXPECT_EQ(dir.Read("src"), Pattern(70000));
  // No header: a plain copy.
  EXPECT_EQ(h.InsertAndRun(Path("src").c_str(), Path("dst").c_str(), nullptr, 9), 1);
  EXPECT_EQ(dir.Read("dst"), Pattern(70000));
  EXPECT_EQ(h.InsertAndRun(nullptr, Path("dst").c_str(), header, 4), 0);
}

TEST_F(CopyTest, HeaderInPlaceKeepsTheName) {
  dir.Write("map.rsc", Pattern(65521));
  TPrepareFileHeader h;
  char header[] = "0123456789";
  std::string name = Path("map.rsc");
  EXPECT_EQ(h.InsertAndRun(name.c_str(), name.c_str(), header, 10), 1);
  EXPECT_EQ(dir.Read("map.rsc"), "0123456789" + Pattern(65521));
  EXPECT_FALSE(dir.Exists("map.tmp"));

  // Two spellings of the one file are in place too, not a self-truncation.
  std::string other = dir.path() + "./map.rsc";
  EXPECT_EQ(h.InsertAndRun(name.c_str(), other.c_str(), header, 2), 1);
  EXPECT_EQ(dir.Read("map.rsc"), "01" + std::string("0123456789") + Pattern(65521));

  // A target named *.tmp does not use itself as its temporary file.
  dir.Write("x.tmp", "body");
  std::string tmp = Path("x.tmp");
  EXPECT_EQ(h.InsertAndRun(tmp.c_str(), tmp.c_str(), header, 3), 1);
  EXPECT_EQ(dir.Read("x.tmp"), "012body");
  EXPECT_TRUE(box.boxes().empty());
}

TEST_F(CopyTest, FailedInPlaceInsertLeavesTheTargetUntouched) {
  dir.Write("map.rsc", Pattern(65521));
  TPrepareFileHeader h;
  char header[] = "HDR";
  std::string name = Path("map.rsc");
  // Header written, then the second block of the content fails.
  plat::fault::FailWrite(3, plat::fault::WriteFault::Error);
  EXPECT_EQ(h.InsertAndRun(name.c_str(), name.c_str(), header, 3), 0);
  EXPECT_EQ(dir.Read("map.rsc"), Pattern(65521));
  EXPECT_TRUE(dir.Exists("map.tmp"));
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "Write fault , file - " + Path("map.tmp"));

  // A failing header write is reported with the file written.
  plat::fault::Reset();
  plat::fault::FailWrite(1, plat::fault::WriteFault::DiskFull);
  EXPECT_EQ(h.InsertAndRun(name.c_str(), name.c_str(), header, 3), 0);
  ASSERT_EQ(box.boxes().size(), 2u);
  EXPECT_EQ(box.boxes()[1].text, "Disk is full - " + Path("map.tmp"));
  EXPECT_EQ(dir.Read("map.rsc"), Pattern(65521));
}

}  // namespace
