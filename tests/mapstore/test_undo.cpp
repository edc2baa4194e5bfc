// Backup copies of earlier object versions, undo of the newest journal
// action (also with every file operation failing in turn, and across two
// handles of one map), and the sheet's whole-sheet operations and record
// fields.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "support/fault_sweep.h"
#include "support/mapbuilder.h"
#include "support/objectbuilder.h"
#include "support/writerprocess.h"

using namespace objtest;
using writertest::FolderFiles;
using writertest::Restore;
using writertest::Snapshot;

namespace {

namespace fs = std::filesystem;

Bytes Box(int shift, uint32_t kind = METRIC_I32) {
  Points box = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};
  for (auto &p : box)
    p.first += shift, p.second += shift;
  return Metric(kind, {box});
}

// The object's stored metric, semantics value and deleted mark, as a
// comparable text.
std::string State(TMap &map, int n) {
  const FVSPR *d = map.List.ObjectDesc(n);
  if (d == nullptr)
    return "none";
  std::ostringstream out;
  out << "key " << d->Key << (FvsprIsDeleted(d) ? " deleted" : "");
  if (const LONGMETRIC *m = map.List.ObjectDataAddr(n))
    out << " metric "
        << std::string(reinterpret_cast<const char *>(m), m->Length).size()
        << ":"
        << std::hash<std::string>()(
               std::string(reinterpret_cast<const char *>(m), m->Length));
  if (const SEMANTIC *s = map.List.ObjectSemnAddr(n))
    out << " semn "
        << std::hash<std::string>()(
               std::string(reinterpret_cast<const char *>(s), s->Length));
  return out.str();
}

class Undo : public ::testing::Test {
protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(WriteClassifier(dir / "map.rsc", {{5550, LOCAL_LINE}}));
    ASSERT_TRUE(CreateMapFile(Path(), dir / "map.rsc"));
  }
  void TearDown() override { MessageEnableSet(messages_); }

  std::string Path() const { return dir / "map.map"; }
  void Open(TMap &map, bool edit = true) {
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0)) << map.MapError.Error();
    ASSERT_EQ(1, map.OpenList(1));
    if (edit) {
      ASSERT_EQ(1, map.WorkMode(1));
    }
  }
  int Append(TMap &map, int shift, int value = 1) {
    Bytes metric = Box(shift);
    Bytes semn = Semantics(4, value);
    FVSPR d = Desc(LOCAL_LINE, 16);
    return map.AppendObject(&d, As<LONGMETRIC>(metric), As<SEMANTIC>(semn),
                            nullptr);
  }
  int Update(TMap &map, int n, int shift, int value) {
    FVSPR d = *map.List.ObjectDesc(n);
    Bytes metric = Box(shift);
    Bytes semn = Semantics(4, value);
    return map.UpdateObject(n, &d, As<LONGMETRIC>(metric), As<SEMANTIC>(semn),
                            nullptr);
  }

  mctest::MapScratch dir{MC_TEST_TMP};
  int messages_ = 1;
};

TEST_F(Undo, BackupCopiesOfUpdates) {
  TMap map;
  Open(map);
  // No backup files yet: the first count makes them.
  EXPECT_EQ(0, map.List.GetBackObjectCount());
  EXPECT_TRUE(fs::exists(dir / "LOG/S1.^HD"));
  ASSERT_EQ(1, Append(map, 0, 10));
  const std::string first = State(map, 1);
  ASSERT_EQ(1, Update(map, 1, 5,
                      20)); // same length: the metric is rewritten in place
  const std::string second = State(map, 1);
  ASSERT_EQ(1, Update(map, 1, 9, 30));
  EXPECT_EQ(2, map.List.GetBackObjectCount());

  const FVSPR current = *map.List.ObjectDesc(1);
  BACKCOPY copy;
  EXPECT_EQ(
      2, map.List.ReadObjectCopyByNumber(1, current, &copy)); // the newer copy
  EXPECT_EQ(1, map.List.ReadObjectCopyByNumber(2, current, &copy));
  EXPECT_EQ(0, map.List.ReadObjectCopyByNumber(3, current, &copy));
  // Copy 1 is the object's older copy: rank 2. Written back, the object
  // reads as it was then, and its place is kept.
  ASSERT_EQ(2, map.List.RestoreBackObject(1, current, &copy));
  EXPECT_EQ(current.Next, copy.Desc.Next);
  EXPECT_EQ(current.DataOffset, copy.Desc.DataOffset);
  ASSERT_EQ(1, map.UpdateObject(1, &copy.Desc, As<LONGMETRIC>(copy.Metric),
                                As<SEMANTIC>(copy.Semn), nullptr));
  EXPECT_EQ(first, State(map, 1));
  EXPECT_EQ(3, map.List.GetBackObjectCount());

  // Used-up copies are skipped: after marking the newest one, the next
  // newest comes first.
  EXPECT_EQ(1, map.List.DeleteObjectCopyToNumber(1, current.Key));
  EXPECT_EQ(2, map.List.ReadObjectCopyByNumber(1, current, &copy));
  EXPECT_EQ(
      0, map.List.DeleteObjectCopyToNumber(5, current.Key)); // fewer than asked
  (void)second;
}

TEST_F(Undo, DescriptorOnlyAndLargeCopies) {
  TMap map;
  Open(map);
  ASSERT_EQ(1, Append(map, 0));
  FVSPR d = *map.List.ObjectDesc(1);
  d.Segment = 7;
  ASSERT_EQ(1, map.UpdateObject(1, &d, nullptr, nullptr, nullptr));
  BACKCOPY copy;
  const FVSPR current = *map.List.ObjectDesc(1);
  // Saved without records: they are read from the sheet files.
  ASSERT_EQ(1, map.List.ReadObjectCopyByNumber(1, current, &copy));
  EXPECT_EQ(0, copy.Desc.Segment);
  EXPECT_EQ(0u, copy.Desc.Next & 0x80000000u);
  EXPECT_EQ(Box(0).size(), copy.Metric.size());
  // It stands for the records the object has now: after an update that
  // moved the metric, the current metric, not the one at its old offset.
  Bytes longer = Metric(METRIC_I32, {{{100, 300}, {200, 300}, {200, 500}, {150, 600},
                                      {100, 500}, {100, 300}}});
  FVSPR g = *map.List.ObjectDesc(1);
  ASSERT_EQ(1, map.UpdateObject(1, &g, As<LONGMETRIC>(longer), nullptr, nullptr));
  ASSERT_EQ(1, map.List.ReadObjectCopyByNumber(2, *map.List.ObjectDesc(1), &copy));
  EXPECT_EQ(longer.size(), copy.Metric.size());

  // A semantics record of 10,000 bytes comes back whole.
  Bytes big(10000, 0);
  big[0] = char(0xFF), big[1] = 0x7F;
  big[2] = char(10000 & 0xFF), big[3] = char(10000 >> 8);
  FVSPR e = *map.List.ObjectDesc(1);
  ASSERT_EQ(1, map.UpdateObject(1, &e, nullptr, As<SEMANTIC>(big), nullptr));
  FVSPR f = *map.List.ObjectDesc(1);
  Bytes small = Semantics(4, 1);
  ASSERT_EQ(1, map.UpdateObject(1, &f, nullptr, As<SEMANTIC>(small), nullptr));
  ASSERT_EQ(4,
            map.List.ReadObjectCopyByNumber(1, *map.List.ObjectDesc(1), &copy));
  EXPECT_EQ(big, Bytes(copy.Semn.begin(), copy.Semn.end()));
}

TEST_F(Undo, DamagedBackupLengthIsRefused) {
  {
    TMap map;
    Open(map);
    ASSERT_EQ(1, Append(map, 0));
    ASSERT_EQ(1, Update(map, 1, 5, 2));
  }
  // The saved metric's length says 2 GB.
  const std::string name = dir / "LOG/S1.^DA";
  std::fstream f(name, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(4 + 4);
  const uint32_t huge = 0x7FFFFFF0u;
  f.write(reinterpret_cast<const char *>(&huge), 4);
  f.close();
  TMap map;
  Open(map);
  BACKCOPY copy;
  EXPECT_EQ(0,
            map.List.ReadObjectCopyByNumber(1, *map.List.ObjectDesc(1), &copy));
  EXPECT_EQ(MAPERR_DATA, map.List.GetError());
}

TEST_F(Undo, ActionsAreTakenBackOneByOne) {
  TMap map;
  Open(map);
  EXPECT_EQ(0, map.AbolitionLastAction()); // nothing to undo
  ASSERT_EQ(1, map.CreateAction(1));
  ASSERT_EQ(1, Append(map, 0, 1));
  ASSERT_EQ(2, Append(map, 50, 2));
  ASSERT_EQ(1, map.CommitAction(0));
  const std::string kept = State(map, 2);
  ASSERT_EQ(1, map.CreateAction(2));
  ASSERT_EQ(1, Update(map, 1, 7, 3));
  ASSERT_EQ(1, map.CommitAction(0));
  const std::string updated = State(map, 1);
  // One action: an append, then a delete.
  ASSERT_EQ(1, map.CreateAction(3));
  ASSERT_EQ(3, Append(map, 90, 4));
  ASSERT_EQ(2, map.DeleteObject(2));
  ASSERT_EQ(1, map.CommitAction(0));

  EXPECT_EQ(2, map.AbolitionLastAction());
  EXPECT_TRUE(FvsprIsDeleted(map.List.ObjectDesc(3)));
  EXPECT_EQ(kept, State(map, 2));
  EXPECT_EQ(updated, State(map, 1));
  // The next undo goes one action further back: the update.
  EXPECT_EQ(1, map.AbolitionLastAction());
  EXPECT_NE(updated, State(map, 1));
  EXPECT_EQ(Box(0).size(), map.List.ObjectDataAddr(1)->Length);
  EXPECT_EQ(
      0, std::memcmp(map.List.ObjectDataAddr(1), Box(0).data(), Box(0).size()));
  // And then the two appends; then nothing is left.
  EXPECT_EQ(2, map.AbolitionLastAction());
  EXPECT_TRUE(FvsprIsDeleted(map.List.ObjectDesc(1)));
  EXPECT_TRUE(FvsprIsDeleted(map.List.ObjectDesc(2)));
  EXPECT_EQ(0, map.AbolitionLastAction());
}

TEST_F(Undo, AfterDroppedBackupsNothingIsUndone) {
  TMap map;
  Open(map);
  ASSERT_EQ(1, Append(map, 0));
  ASSERT_EQ(1, map.List.DeleteBackFiles());
  EXPECT_FALSE(fs::exists(dir / "LOG/S1.^HD"));
  EXPECT_EQ(0, map.AbolitionLastAction());
}

// Two handles edit one map: an undo by either takes back the newest action,
// whoever made it.
TEST_F(Undo, TheJournalDecidesAcrossHandles) {
  TMap one, two;
  Open(one);
  ASSERT_EQ(1, Append(one, 0));
  Open(two);
  ASSERT_EQ(1, Update(two, 1, 5, 9));
  // The first handle undoes the second's update (after taking in the other
  // user's changes, as every editor of a shared map does).
  one.AdjustData();
  EXPECT_EQ(1, one.AbolitionLastAction());
  {
    TMap reader;
    Open(reader, false);
    EXPECT_FALSE(FvsprIsDeleted(reader.List.ObjectDesc(1)));
    EXPECT_EQ(0, std::memcmp(reader.List.ObjectDataAddr(1), Box(0).data(),
                             Box(0).size()));
  }
  // Then the second undoes the first's append.
  two.AdjustData();
  EXPECT_EQ(1, two.AbolitionLastAction());
  TMap reader;
  Open(reader, false);
  EXPECT_TRUE(FvsprIsDeleted(reader.List.ObjectDesc(1)));
}

// An undo with each of its file operations failing in turn: the map is
// afterwards either as before the undo (and the action can still be
// undone) or wholly undone.
TEST_F(Undo, FailingWritesLeaveTheMapAsItWas) {
  std::string before[3], after[3];
  {
    TMap map;
    Open(map);
    ASSERT_EQ(1, Append(map, 0, 1));
    ASSERT_EQ(2, Append(map, 40, 2));
    ASSERT_EQ(1, map.CreateAction(1));
    ASSERT_EQ(3, Append(map, 80, 3));
    ASSERT_EQ(1, Update(map, 1, 6, 4)); // in place
    ASSERT_EQ(2, map.DeleteObject(2));
    ASSERT_EQ(1, map.CommitAction(0));
    for (int n = 1; n <= 3; ++n)
      before[n - 1] = State(map, n);
  }
  const auto files = Snapshot(dir.path());
  {
    TMap map;
    Open(map);
    ASSERT_EQ(3, map.AbolitionLastAction());
    for (int n = 1; n <= 3; ++n)
      after[n - 1] = State(map, n);
  }

  TMap map;
  int undone = 0;
  // Every operation failing in turn, then every write torn (part written,
  // then a full disk).
  for (const bool torn : {false, true}) {
    mctest::FaultSweep sweep;
    if (torn) {
      sweep.kind = plat::VfsOp::Write;
      sweep.fault.how = plat::VfsFault::ShortDiskFull;
    }
    sweep.prepare = [&] {
      map.CloseData();
      Restore(dir.path(), files);
      Open(map);
    };
    const int runs =
        sweep.Run([&] { undone = map.AbolitionLastAction(); },
                  [&](const mctest::SweepRun &run) {
                    map.CloseData();
                    TMap again;
                    Open(again);
                    const std::string *expected = undone ? after : before;
                    for (int n = 1; n <= 3; ++n)
                      EXPECT_EQ(expected[n - 1], State(again, n))
                          << run << " object " << n;
                    if (!undone) {
                      EXPECT_TRUE(run.faulted) << run;
                      // The action is still there to be undone.
                      EXPECT_EQ(3, again.AbolitionLastAction()) << run;
                      for (int n = 1; n <= 3; ++n)
                        EXPECT_EQ(after[n - 1], State(again, n)) << run;
                    }
                    again.CloseData();
                  });
    EXPECT_GT(runs, torn ? 5 : 20);
  }
}

TEST_F(Undo, ShiftingASheetClampsSixteenBitPoints) {
  TMap map;
  Open(map, false);
  Bytes metric = Metric(METRIC_U16, {{{30, 65500}, {200, 65510}}});
  FVSPR d = Desc(LOCAL_LINE, 16);
  ASSERT_EQ(1, map.AppendObject(&d, As<LONGMETRIC>(metric), nullptr, nullptr));
  ASSERT_EQ(1, map.List.ReplaceListObjects(100, -50));
  ASSERT_EQ(1, map.List.ReplaceListObjects(-200, 100));
  const LONGMETRIC *m = map.List.ObjectDataAddr(1);
  ASSERT_NE(nullptr, m);
  const WORD *p =
      reinterpret_cast<const WORD *>(reinterpret_cast<const char *>(m) + 16);
  EXPECT_EQ(0, p[0]);     // 30 + 100 - 200 -> 0
  EXPECT_EQ(65520, p[1]); // 65500 - 50 + 100 -> clamped
  EXPECT_EQ(100, p[2]);
  EXPECT_EQ(65520, p[3]);
}

// An object without a metric has only its frame to move: the frame given
// is the one written.
TEST_F(Undo, ShiftingASheetMovesTheFrameOfAnObjectWithoutMetric) {
  TMap map;
  Open(map, false);
  FVSPR d = Desc(LOCAL_LINE, 16);
  d.X1 = 100, d.Y1 = 200, d.X2 = 300, d.Y2 = 400;
  ASSERT_EQ(1, map.AppendObject(&d, nullptr, nullptr, nullptr));
  ASSERT_EQ(1, map.List.ReplaceListObjects(10, -20));
  ASSERT_EQ(1, map.CloseData());
  TMap again;
  Open(again, false);
  const FVSPR *moved = again.List.ObjectDesc(1);
  ASSERT_NE(nullptr, moved);
  EXPECT_EQ(110, moved->X1);
  EXPECT_EQ(180, moved->Y1);
  EXPECT_EQ(310, moved->X2);
  EXPECT_EQ(380, moved->Y2);
}

TEST_F(Undo, SheetRecordFields) {
  TMapList bare;
  EXPECT_EQ(1, bare.IsSorted());
  EXPECT_STREQ("", bare.Name("x"));
  EXPECT_EQ(0.0, bare.XSouthWest(5.0));

  TMap map;
  Open(map, false);
  const char *forty = "0123456789012345678901234567890123456789";
  EXPECT_STREQ("0123456789012345678901234567890", map.List.Name(forty));
  EXPECT_EQ(1, map.List.RecordChanged);
  EXPECT_STREQ("", map.List.Nomenclature(nullptr));
  EXPECT_EQ(-12.5, map.List.MagneticAngle(-12.5));
  EXPECT_EQ(-12.5, map.List.MagneticAngle());
  EXPECT_STREQ("S1.HDR", map.List.HeadName());
  EXPECT_STREQ("S1.GRA", map.List.DrawName());

  // Copying in from the map's own folder copies nothing and reopens.
  LISTREGISTER reg = SquareSheet("S1", 6000000, 7400000);
  const auto files = Snapshot(dir.path());
  EXPECT_EQ(1, map.List.CopyList(&map, 1, &reg, map.Folder));
  EXPECT_EQ(files.at("S1.HDR"), Snapshot(dir.path()).at("S1.HDR"));
  EXPECT_EQ(0, map.List.CopyList(&map, 2, &reg, map.Folder));
}

} // namespace
