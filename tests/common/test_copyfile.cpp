// Block-by-block file streaming: prepare, copy and header insertion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/copyfile.h"
#include "common/messages.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

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
    plat::fault::Reset();  // counts writes from here
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    plat::fault::Reset();
  }
  std::string Path(const char* name) const { return dir / name; }
  // The text of the last message box, once n boxes have been shown.
  std::string Shown(size_t n) const {
    const size_t shown = box.boxes().size();
    return shown == n ? box.boxes().back().text : std::to_string(shown) + " boxes";
  }

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

  const struct {
    const char* name;
    size_t size, blocks;
  } cases[] = {{"a", 65520, 1}, {"b", 65521, 2}, {"c", 3 * 65520 + 17, 4}};
  BlockRecorder r;
  for (const auto& c : cases) {
    r.blocks.clear();
    EXPECT_EQ(r.Run(Path(c.name).c_str(), GENERIC_READ, FILE_SHARE_READ), 1);
    ASSERT_EQ(r.blocks.size(), c.blocks) << c.name;
    std::string joined;
    for (auto& b : r.blocks) {
      EXPECT_LE(b.size(), 65520u);
      joined += b;
    }
    EXPECT_EQ(joined, Pattern(c.size)) << c.name;
  }

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
  EXPECT_EQ(Shown(1), "Open fault, file - " + Path("missing"));

  dir.Write("empty", "");
  EXPECT_EQ(r.Run(Path("empty").c_str(), GENERIC_READ, 3), 0);
  EXPECT_EQ(box.boxes().size(), 1u);  // an empty file fails silently

  dir.Write("small", "abc");
  plat::fault::FailAllocation(1);
  EXPECT_EQ(r.Run(Path("small").c_str(), GENERIC_READ, 3), 0);
  EXPECT_EQ(Shown(2), "Memory error for file - " + Path("small"));
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
  EXPECT_EQ(Shown(1), "Open fault, file - " + Path("missing"));
}

TEST_F(CopyTest, FailedWriteOfAnyBlockFailsTheCopy) {
  dir.Write("src", Pattern(65521));
  using plat::fault::WriteFault;
  const struct {
    int write;
    WriteFault fault;
    const char* text;
  } cases[] = {{2, WriteFault::Error, "Write fault , file - "},  // the last (short) block
               {1, WriteFault::Short, "Write fault , file - "},  // a short write fails too
               {1, WriteFault::DiskFull, "Disk is full - "}};    // with its own message
  TCopyFile copy;
  for (size_t k = 0; k < 3; ++k) {
    plat::fault::Reset();
    plat::fault::FailWrite(cases[k].write, cases[k].fault);
    EXPECT_EQ(copy.Copy(Path("src").c_str(), Path("dst").c_str()), 0);
    EXPECT_EQ(Shown(k + 1), cases[k].text + Path("dst"));
  }
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
  EXPECT_EQ(Shown(1), "Open fault, file - " + bad);
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
  EXPECT_EQ(Shown(1), "Write fault , file - " + Path("map.tmp"));

  // A failing header write is reported with the file written.
  plat::fault::Reset();
  plat::fault::FailWrite(1, plat::fault::WriteFault::DiskFull);
  EXPECT_EQ(h.InsertAndRun(name.c_str(), name.c_str(), header, 3), 0);
  EXPECT_EQ(Shown(2), "Disk is full - " + Path("map.tmp"));
  EXPECT_EQ(dir.Read("map.rsc"), Pattern(65521));
}

}  // namespace
