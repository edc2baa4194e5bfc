// The group file: header, index window, slots, index growth, damage.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/file.h"
#include "groups/mapgroups.h"
#include "support/scratch_dir.h"

namespace {

class GroupFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    name = scratch / "map.GDX";
  }
  void TearDown() override { MessageEnableSet(1); }
  int64_t Size() {
    std::ifstream f(name, std::ios::binary | std::ios::ate);
    return int64_t(f.tellg());
  }
  // Writes one word into the closed file at `offset`.
  void Patch(std::streamoff offset, DWORD value) {
    std::fstream f(name, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(offset);
    f.write(reinterpret_cast<const char*>(&value), 4);
  }
  // A group of `n` members on sheet 1.
  static void Fill(TObjectGroup& g, int n, DWORD seed) {
    g.Create(0, int(seed));
    for (int i = 1; i <= n; ++i) g.AppendObject(1, NUMBERKEY{DWORD(i), KEY{seed * 1000 + i}});
  }

  mctest::ScratchDir scratch{MC_TEST_TMP};
  std::string name;
};

}  // namespace

TEST_F(GroupFileTest, NewFileAndFirstGroup) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  EXPECT_EQ(16448, Size());
  EXPECT_EQ(1, file.Count());
  TObjectGroup g;
  EXPECT_EQ(0, file.ReadGroup(&g, 1));
  EXPECT_EQ(MAPERR_INPUT, file.GetError());

  Fill(g, 3, 1);
  const DWORD length = g.Length();
  EXPECT_EQ(1, file.WriteGroup(&g));
  EXPECT_EQ(2, file.Count());
  EXPECT_EQ(16448 + length + 64, Size());

  file.Close();
  ASSERT_EQ(1, file.Open(name.c_str()));
  TObjectGroup r;
  EXPECT_EQ(int(length), file.ReadGroup(&r, 1));
  EXPECT_EQ(3, r.Total());
  EXPECT_EQ(1u, r.Head()->Number);
  EXPECT_EQ(1001u, r.ObjectKey(1, 3).Key);
}

TEST_F(GroupFileTest, GrowthWithinTheSlackKeepsThePlace) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  TObjectGroup g, other;
  Fill(g, 2, 1);
  ASSERT_EQ(1, file.WriteGroup(&g));
  Fill(other, 1, 2);
  ASSERT_EQ(2, file.WriteGroup(&other));
  const DWORD place = file.ReadGroupIndex(1)->Offset;

  for (int i = 0; i < 7; ++i) g.AppendObject(2, NUMBERKEY{DWORD(50 + i), KEY{DWORD(i)}});
  ASSERT_EQ(1, file.WriteGroup(&g));  // grew by exactly 64 bytes
  EXPECT_EQ(place, file.ReadGroupIndex(1)->Offset);
  g.AppendObject(3, NUMBERKEY{1, KEY{1}});
  const int64_t before = Size();
  ASSERT_EQ(1, file.WriteGroup(&g));
  EXPECT_EQ(DWORD(before), file.ReadGroupIndex(1)->Offset);

  // Shrinking in place pads the slot with zeros.
  TObjectGroup s;
  ASSERT_EQ(1, s.Create(2, 0));
  ASSERT_EQ(2, file.WriteGroup(&s));
  TObjectGroup back;
  EXPECT_EQ(20, file.ReadGroup(&back, 2));
  EXPECT_EQ(0, back.Total());
}

TEST_F(GroupFileTest, ReadSizesByTheRecordAndRefusesAShortCallerBuffer) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  TObjectGroup big;
  Fill(big, 6000, 3);  // about 48 KB, more than the first buffer
  ASSERT_GT(big.Length(), 32768u);
  ASSERT_EQ(1, file.WriteGroup(&big));

  TObjectGroup own;
  EXPECT_EQ(int(big.Length()), file.ReadGroup(&own, 1));
  EXPECT_EQ(6000, own.Total());
  EXPECT_EQ(3001u, own.ObjectKey(1, 6000).Key);

  std::vector<char> small(1000);
  TObjectGroup caller;
  caller.Record(reinterpret_cast<HEADRECGDX*>(small.data()), LONG(small.size()));
  EXPECT_EQ(0, file.ReadGroup(&caller, 1));
  EXPECT_EQ(MAPERR_INPUT, file.GetError());

  // A caller's buffer shorter than the slot: only the record is taken
  // from it, the rest of the slot is zeros.
  std::vector<char> exact(28, 0);
  TObjectGroup tight;
  tight.Record(reinterpret_cast<HEADRECGDX*>(exact.data()), LONG(exact.size()));
  HEADRECGDX* h = tight.Head();
  *h = HEADRECGDX{GROUP_MARKER, 20, 1, 0, 0};
  EXPECT_EQ(1, file.WriteGroup(&tight));
  EXPECT_EQ(20, file.ReadGroup(&own, 1));
}

TEST_F(GroupFileTest, TheIndexGrowsAndEveryGroupReadsBack) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  TObjectGroup g;
  // Group 1 is larger than the moved block: it must move whole.
  Fill(g, 2500, 1);
  ASSERT_EQ(1, file.WriteGroup(&g));
  for (int n = 2; n <= 1100; ++n) {
    Fill(g, n % 5 + 1, DWORD(n));
    ASSERT_EQ(n, file.WriteGroup(&g)) << n;
    if (n == 1022 || n == 1023) {
      EXPECT_EQ(n == 1022 ? 16448u : 16448u + 16384, file.Header().RecordArea);
    }
  }
  file.Close();
  ASSERT_EQ(1, file.Open(name.c_str()));
  EXPECT_EQ(1101, file.Count());
  TObjectGroup r;
  ASSERT_GT(file.ReadGroup(&r, 1), 0);
  EXPECT_EQ(2500, r.Total());
  EXPECT_EQ(1000u + 2500, r.ObjectKey(1, 1).Key);
  for (int n = 2; n <= 1100; ++n) {
    ASSERT_GT(file.ReadGroup(&r, n), 0) << n;
    EXPECT_EQ(n % 5 + 1, r.Total()) << n;
    EXPECT_EQ(DWORD(n) * 1000 + 1, r.ObjectKeyNumber(1, 1).Key) << n;
    EXPECT_GE(file.ReadGroupIndex(n)->Offset, file.Header().RecordArea);
  }
}

TEST_F(GroupFileTest, DamagedFilesDoNotOpen) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  file.Close();
  Patch(4, 20000);
  EXPECT_EQ(0, file.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, file.GetError());
  EXPECT_FALSE(file.IsOpen());
  std::remove(name.c_str());
  EXPECT_EQ(0, file.Open(name.c_str()));
  EXPECT_EQ(MAPERR_OPEN, file.GetError());
  std::ofstream(name, std::ios::binary) << "GDX";
  EXPECT_EQ(0, file.Open(name.c_str()));
  EXPECT_EQ(MAPERR_DATA, file.GetError());
}

TEST_F(GroupFileTest, ALyingSlotLengthIsNeverWrittenOut) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  TObjectGroup g;
  Fill(g, 2, 1);
  ASSERT_EQ(1, file.WriteGroup(&g));
  file.Close();
  Patch(64 + 16 + 4, 8u << 20);  // entry 1 claims a slot of 8 MB
  ASSERT_EQ(1, file.Open(name.c_str()));
  const int64_t before = Size();
  EXPECT_EQ(0, file.DeleteGroup(1));
  EXPECT_EQ(MAPERR_DATA, file.GetError());
  // The rewrite goes to a new slot at the end instead of zero-filling.
  EXPECT_EQ(1, file.WriteGroup(&g));
  EXPECT_EQ(before + g.Length() + 64, Size());
  TObjectGroup r;
  EXPECT_EQ(int(g.Length()), file.ReadGroup(&r, 1));
}

TEST_F(GroupFileTest, RestoreGroupCreatesEmptyGroupsUpToTheNumber) {
  TMapGroups file;
  ASSERT_EQ(1, file.Create(name.c_str()));
  EXPECT_EQ(1, file.RestoreGroup(0, 1, 5, KEY{5}));
  EXPECT_EQ(4, file.RestoreGroup(4, 1, 5, KEY{55}));
  EXPECT_EQ(5, file.Count());
  EXPECT_EQ(4, file.RestoreGroup(4, 2, 6, KEY{66}));
  TObjectGroup r;
  ASSERT_GT(file.ReadGroup(&r, 4), 0);
  EXPECT_EQ(2, r.Total());
  ASSERT_GT(file.ReadGroup(&r, 2), 0);
  EXPECT_EQ(0, r.Total());
  EXPECT_EQ(3, file.DeleteGroup(3));
  EXPECT_EQ(0, file.RestoreGroup(4, 0, 6, KEY{66}));
}

// Two openers of one file (two maps of one process open it so) writing in
// turn: each new group takes a number of its own, though the other opener
// counted and placed groups since this one last looked, also across the
// growth of the index; a group one opener grows past its slot (it moves)
// or empties reads back as last written through the other; and every
// number handed out reads back with its own members, also after reopening.
TEST_F(GroupFileTest, TwoOpenersWritingInTurnKeepEveryGroup) {
  TMapGroups a, b;
  ASSERT_EQ(1, a.Create(name.c_str()));
  ASSERT_EQ(1, b.Open(name.c_str()));
  std::map<int, std::pair<int, DWORD>> held;  // number: members, seed
  TObjectGroup g;
  auto expect = [&](TMapGroups& file, int n, const std::string& who) {
    const auto [members, seed] = held.at(n);
    TObjectGroup r;
    ASSERT_GT(file.ReadGroup(&r, n), 0) << who << " group " << n;
    ASSERT_EQ(members, r.Total()) << who << " group " << n;
    if (members > 0) {
      EXPECT_EQ(seed * 1000 + 1, r.ObjectKeyNumber(1, 1).Key) << who << " group " << n;
    }
  };
  for (DWORD seed = 1; seed <= 1100; ++seed) {
    // Runs of one, two and three writes by each opener.
    TMapGroups& writer = seed % 6 < 3 ? a : b;
    TMapGroups& other = &writer == &a ? b : a;
    const int members = int(seed % 4) + 1;
    Fill(g, members, seed);
    const int n = writer.WriteGroup(&g);
    ASSERT_GT(n, 0) << seed;
    ASSERT_TRUE(held.emplace(n, std::make_pair(members, seed)).second)
        << "number " << n << " given twice (seed " << seed << ")";
    ASSERT_NO_FATAL_FAILURE(expect(other, n, "other"));
    if (seed % 97 == 0) {
      // The other opener grows an early group past its slot, then this one
      // empties another: each reads what the other wrote.
      const int grown = int(seed / 97), emptied = grown + 20;
      Fill(g, 60, seed + 5000);
      g.Head()->Number = DWORD(grown);
      ASSERT_EQ(grown, other.WriteGroup(&g)) << seed;
      held[grown] = {60, seed + 5000};
      ASSERT_NO_FATAL_FAILURE(expect(writer, grown, "writer"));
      ASSERT_EQ(emptied, writer.DeleteGroup(emptied)) << seed;
      held[emptied] = {0, 0};
      ASSERT_NO_FATAL_FAILURE(expect(other, emptied, "other"));
    }
  }
  EXPECT_EQ(1101, int(held.size()) + 1);
  EXPECT_GT(a.Header().RecordArea, 16448u);
  for (const auto& entry : held) {
    ASSERT_NO_FATAL_FAILURE(expect(a, entry.first, "a"));
    ASSERT_NO_FATAL_FAILURE(expect(b, entry.first, "b"));
  }
  a.Close();
  b.Close();
  TMapGroups again;
  ASSERT_EQ(1, again.Open(name.c_str()));
  EXPECT_EQ(1101, again.Count());
  for (const auto& entry : held) ASSERT_NO_FATAL_FAILURE(expect(again, entry.first, "reopened"));
}
