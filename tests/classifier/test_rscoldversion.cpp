// The classifier class's own operations and the conversion of older
// classifiers through a sibling library offered in-process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "classifier/rscclass.h"
#include "common/messages.h"
#include "platform/library.h"
#include "platform/memory.h"
#include "support/host_recorder.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

// What the fake sibling library saw.
struct FakeCalls {
  int count = 0;
  std::string name, oldName;
  LONG mode = -1;
  int answer = 1;
};
FakeCalls g_fake;

// Both entries write `name` as a current classifier.
int LoadOld(const char* oldName, const char* name, LONG mode) {
  g_fake.count++;
  g_fake.oldName = oldName;
  g_fake.name = name;
  g_fake.mode = mode;
  if (!g_fake.answer) return 0;
  return rsctest::WriteBytes(name, Builder::Minimal().Build()) ? 1 : 0;
}
int CheckAndLoad(const char* name, LONG mode) { return LoadOld(name, name, mode); }

class RscOldVersion : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    g_fake = FakeCalls{};
    oldMessages_ = MessageEnableSet(1);
    folder_ = rsctest::TestFolder("old_");
    // An older classifier: style word 0x0405 and a version this build
    // does not read.
    Builder b = Builder::Minimal();
    b.head.style = 0x00010405;
    b.head.version = 0x0500;
    old_ = folder_ + "old.rsc";
    ASSERT_TRUE(rsctest::WriteBytes(old_, b.Build()));
  }
  void TearDown() override {
    plat::UnregisterLibraryProvider("TORVEK45.DLL");
    MessageEnableSet(oldMessages_);
  }
  void Install(bool withEntries = true) {
    const plat::LibraryEntry entries[] = {
        {"CheckAndLoadOldVersionRsc", plat::LibraryProc(&CheckAndLoad)},
        {"LoadOldVersionRsc", plat::LibraryProc(&LoadOld)},
    };
    plat::RegisterLibraryProvider("TORVEK45.DLL", entries, withEntries ? 2 : 0);
  }

  std::string folder_, old_;
  int oldMessages_ = 1;
  mctest::RecordingMessageBox boxes_;
};

TEST_F(RscOldVersion, MissingLibraryLeavesTheClassifierClosedQuietly) {
  plat::RegisterMissingLibrary("TORVEK45.DLL");
  TMapRsc rsc;
  EXPECT_EQ(0, rsc.OpenRsc(old_.c_str(), 0));
  EXPECT_EQ(60030, rsc.Error());
  EXPECT_EQ(0, rsc.CheckAndLoadOldVersion(old_.c_str(), 0));
  EXPECT_FALSE(rsc.IsActive());
  EXPECT_EQ(0, rsc.LoadOldVersion(old_.c_str(), (folder_ + "new.rsc").c_str(), 0));
  EXPECT_FALSE(rsc.IsActive());
  // A library without the entries fails the same way.
  Install(false);
  EXPECT_EQ(0, rsc.CheckAndLoadOldVersion(old_.c_str(), 0));
  EXPECT_FALSE(rsc.IsActive());
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(RscOldVersion, FakeLibraryConvertsAndTheClassifierOpens) {
  Install();
  TMapRsc rsc;
  ASSERT_EQ(0, rsc.OpenRsc(old_.c_str(), 0));
  ASSERT_EQ(60030, rsc.Error());
  EXPECT_EQ(1, rsc.CheckAndLoadOldVersion(old_.c_str(), 7));
  EXPECT_EQ(1, g_fake.count);
  EXPECT_EQ(old_, g_fake.name);
  EXPECT_EQ(7, g_fake.mode);
  ASSERT_TRUE(rsc.IsActive());
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(0, rsc.IsOldVersion());

  // A conversion that fails: 0, closed.
  TMapRsc other;
  ASSERT_TRUE(rsctest::WriteBytes(old_, [] {
    Builder b = Builder::Minimal();
    b.head.style = 0x0302;
    b.head.mark = 1;
    return b.Build();
  }()));
  g_fake.answer = 0;
  EXPECT_EQ(0, other.CheckAndLoadOldVersion(old_.c_str(), 0));
  EXPECT_FALSE(other.IsActive());
}

TEST_F(RscOldVersion, LoadOldVersionOpensACurrentClassifierWithoutTheLibrary) {
  Install();
  const std::string current = folder_ + "current.rsc";
  ASSERT_TRUE(rsctest::WriteBytes(current, Builder::Minimal().Build()));
  TMapRsc rsc;
  EXPECT_EQ(1, rsc.LoadOldVersion(old_.c_str(), current.c_str(), 0));
  EXPECT_EQ(0, g_fake.count);
  EXPECT_TRUE(rsc.IsActive());

  // Not there yet: the library writes it from the older file.
  const std::string made = folder_ + "made.rsc";
  std::remove(made.c_str());
  TMapRsc other;
  EXPECT_EQ(1, other.LoadOldVersion(old_.c_str(), made.c_str(), 3));
  EXPECT_EQ(1, g_fake.count);
  EXPECT_EQ(old_, g_fake.oldName);
  EXPECT_EQ(made, g_fake.name);
  EXPECT_EQ(3, g_fake.mode);
  EXPECT_TRUE(other.IsActive());
  // Messages were switched off only for the call.
  EXPECT_EQ(1, MessageEnableGet());
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(RscOldVersion, DescriptionCodeTypeAndBareFile) {
  Builder b = Builder::Minimal();
  b.head.name = "A NAME THAT IS LONGER THAN THIRTY-ONE CHARACTERS";
  b.head.language = 2;
  const std::string path = folder_ + "describe.rsc";
  ASSERT_TRUE(rsctest::WriteBytes(path, b.Build()));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
  RSCCREATE describe;
  PALETTE256 palette;
  EXPECT_EQ(0, rsc.GetRscDescribe(nullptr, &palette));
  ASSERT_EQ(1, rsc.GetRscDescribe(&describe, &palette));
  EXPECT_EQ(31u, std::strlen(describe.Name));
  EXPECT_EQ(2u, describe.Language);
  EXPECT_EQ(0xFFFFFFu, palette.Colors[15]);

  EXPECT_EQ(0, rsc.SetRscObjectCodeType(2));
  EXPECT_EQ(0, rsc.IsModify());

  TMapRsc bare;
  const std::string empty = folder_ + "bare.rsc";
  ASSERT_EQ(1, bare.CreateTRscBase(empty.c_str()));
  EXPECT_EQ(328u, bare.Head.Length);
  EXPECT_TRUE(rsctest::ReadBytes(empty).empty());
  bare.CloseRscBase();
  EXPECT_EQ(0, bare.CreateTRscBase((folder_ + "no/such/folder.rsc").c_str()));
  EXPECT_EQ(60006, bare.Error());
}

TEST_F(RscOldVersion, ObjectWithoutAFileClosesCleanly) {
  TMapRsc* rsc = new TMapRsc;
  EXPECT_NE(0u, plat::PageBlockSize(rsc));  // page-allocated
  EXPECT_FALSE(rsc->IsActive());
  EXPECT_EQ(0, rsc->Save(1));
  delete rsc;
}

}  // namespace
