// Group writes with each of their file operations failing in turn: after
// every failure the group file reopens with every group it held, and the
// written group is there whole or the write reported failure. The header
// lock and the header read again under it are among the operations swept.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "common/messages.h"
#include "groups/mapgroups.h"
#include "support/fault_sweep.h"
#include "support/scratch_dir.h"

namespace {

std::string ReadAll(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteAll(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
}

// A group of `n` members on sheet 1 whose keys tell the seed.
void Fill(TObjectGroup& g, int n, DWORD seed) {
  g.Create(0, int(seed));
  for (int i = 1; i <= n; ++i) g.AppendObject(1, NUMBERKEY{DWORD(i), KEY{seed * 1000 + i}});
}

// Group n of the file holds `members` members with the keys of `seed`.
void ExpectGroup(TMapGroups& file, int n, int members, DWORD seed, const mctest::SweepRun& run) {
  TObjectGroup g;
  ASSERT_GT(file.ReadGroup(&g, n), 0) << run << " group " << n;
  ASSERT_EQ(members, g.Total()) << run << " group " << n;
  // Members are kept newest first.
  for (int i = 1; i <= members; ++i)
    EXPECT_EQ(seed * 1000 + DWORD(members - i + 1), g.ObjectKey(1, i).Key) << run << " group " << n;
}

struct Case {
  const char* name;
  int group;    // 0: a new group
  int members;  // members of the group written
};

TEST(GroupFaults, EveryFailedOperationKeepsTheGroups) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "map.GDX";
  {
    TMapGroups file;
    ASSERT_EQ(1, file.Create(name.c_str()));
    TObjectGroup g;
    Fill(g, 3, 1);
    ASSERT_EQ(1, file.WriteGroup(&g));
    Fill(g, 2, 2);
    ASSERT_EQ(2, file.WriteGroup(&g));
  }
  const std::string before = ReadAll(name);

  // A new group; the first group grown past its slot (its records move).
  for (const Case& c : {Case{"new", 0, 5}, Case{"grown", 1, 400}}) {
    SCOPED_TRACE(c.name);
    TMapGroups file;
    TObjectGroup group;
    int written = 0;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      file.Close();
      WriteAll(name, before);
      ASSERT_EQ(1, file.Open(name.c_str()));
      Fill(group, c.members, c.group ? 1 : 3);
      if (c.group) group.Head()->Number = DWORD(c.group);
    };
    const int runs = sweep.Run([&] { written = file.WriteGroup(&group); },
                               [&](const mctest::SweepRun& run) {
      EXPECT_TRUE(written > 0 || run.faulted) << run;
      file.Close();
      TMapGroups reopened;
      ASSERT_EQ(1, reopened.Open(name.c_str())) << run;
      // Groups not written stay as they were; the written one is the new
      // one, whole, or (after a failure) the old one or the new one, whole.
      ExpectGroup(reopened, 2, 2, 2, run);
      const int number = c.group ? c.group : 3;
      const bool present = c.group ? true : reopened.Count() == 4;
      if (written > 0) {
        EXPECT_EQ(number, written) << run;
        EXPECT_TRUE(present) << run;
      }
      if (!present) {
        EXPECT_EQ(3, reopened.Count()) << run;
        return;
      }
      TObjectGroup g;
      ASSERT_GT(reopened.ReadGroup(&g, number), 0) << run;
      const bool isNew = g.Total() == c.members;
      EXPECT_TRUE(isNew || written <= 0) << run;
      if (isNew)
        ExpectGroup(reopened, number, c.members, c.group ? 1 : 3, run);
      else
        ExpectGroup(reopened, number, 3, 1, run);
    });
    EXPECT_GT(runs, 2);
  }
  MessageEnableSet(messages);
}

// The append that grows the index, writing through (each step synced),
// with each of its operations failing in turn, refused or cut short: the
// file reopens with every group, and the file left open takes the group on
// the next try.
TEST(GroupFaults, AFailedIndexGrowthKeepsTheGroups) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "map.GDX";
  constexpr int kFull = 1022;  // the next group grows the index
  TObjectGroup group;
  {
    TMapGroups file;
    ASSERT_EQ(1, file.Create(name.c_str()));
    for (int n = 1; n <= kFull; ++n) {
      Fill(group, n % 4 + 1, DWORD(n));
      ASSERT_EQ(n, file.WriteGroup(&group));
    }
  }
  const std::string before = ReadAll(name);
  auto expectAll = [&](TMapGroups& file, int count, const mctest::SweepRun& run) {
    for (int n = 1; n <= count; ++n) {
      TObjectGroup g;
      ASSERT_GT(file.ReadGroup(&g, n), 0) << run << " group " << n;
      ASSERT_EQ(DWORD(n) * 1000 + 1, g.ObjectKeyNumber(1, 1).Key) << run << " group " << n;
    }
  };
  plat::SetWriteThroughEnabled(true);
  for (const plat::VfsFault how : {plat::VfsFault::Error, plat::VfsFault::Short}) {
    TMapGroups file;
    file.WriteThrough = 1;
    int written = 0;
    mctest::FaultSweep sweep;
    sweep.fault.how = how;
    sweep.prepare = [&] {
      file.Close();
      WriteAll(name, before);
      ASSERT_EQ(1, file.Open(name.c_str()));
      Fill(group, 3, kFull + 1);
    };
    const int runs = sweep.Run([&] { written = file.WriteGroup(&group); },
                               [&](const mctest::SweepRun& run) {
      EXPECT_TRUE(written > 0 || run.faulted) << run;
      if (written <= 0) {
        Fill(group, 3, kFull + 1);
        written = file.WriteGroup(&group);
        EXPECT_GT(written, 0) << run;
      }
      file.Close();
      TMapGroups reopened;
      ASSERT_EQ(1, reopened.Open(name.c_str())) << run;
      expectAll(reopened, kFull, run);
      ASSERT_GE(reopened.Count(), kFull + 2) << run;
      ExpectGroup(reopened, written, 3, kFull + 1, run);
      EXPECT_GT(reopened.Header().RecordArea, 16448u) << run;
    });
    EXPECT_GT(runs, 8);
  }
  plat::SetWriteThroughEnabled(false);
  MessageEnableSet(messages);
}

// A write by an opener that another opener of the file overtook (a new
// group, a group grown to the end of the file) with each of its operations
// failing in turn, the header lock's among them: the groups the other
// wrote stay, the new group takes the next number whole or the write
// reports failure, and the same opener writes it on the next try.
TEST(GroupFaults, AnOvertakenOpenerKeepsWhatTheOtherWrote) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "map.GDX";
  TObjectGroup group;
  {
    TMapGroups file;
    ASSERT_EQ(1, file.Create(name.c_str()));
    Fill(group, 3, 1);
    ASSERT_EQ(1, file.WriteGroup(&group));
    Fill(group, 2, 2);
    ASSERT_EQ(2, file.WriteGroup(&group));
  }
  const std::string before = ReadAll(name);
  auto expectOthers = [&](TMapGroups& file, const mctest::SweepRun& run) {
    ExpectGroup(file, 1, 90, 11, run);
    ExpectGroup(file, 2, 2, 2, run);
    ExpectGroup(file, 3, 4, 3, run);
  };
  TMapGroups stale;
  int written = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    stale.Close();
    WriteAll(name, before);
    ASSERT_EQ(1, stale.Open(name.c_str()));
    TMapGroups other;
    ASSERT_EQ(1, other.Open(name.c_str()));
    Fill(group, 4, 3);
    ASSERT_EQ(3, other.WriteGroup(&group));
    Fill(group, 90, 11);
    group.Head()->Number = 1;
    ASSERT_EQ(1, other.WriteGroup(&group));
    Fill(group, 5, 4);
  };
  const int runs = sweep.Run([&] { written = stale.WriteGroup(&group); },
                             [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(written > 0 || run.faulted) << run;
    if (written <= 0) {
      Fill(group, 5, 4);
      written = stale.WriteGroup(&group);
    }
    EXPECT_EQ(4, written) << run;
    expectOthers(stale, run);
    stale.Close();
    TMapGroups reopened;
    ASSERT_EQ(1, reopened.Open(name.c_str())) << run;
    EXPECT_EQ(5, reopened.Count()) << run;
    expectOthers(reopened, run);
    ExpectGroup(reopened, 4, 5, 4, run);
  });
  EXPECT_GT(runs, 3);
  MessageEnableSet(messages);
}

}  // namespace
