// Contradictions inside a map's files found when it opens: a user map with
// more than one sheet, and an object chain left with links past the count
// by a writer that was killed.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/maperr.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/vfs_fault.h"
#include "support/fault_sweep.h"
#include "support/mapbuilder.h"
#include "support/nestedmap.h"

using namespace objtest;
using namespace mctest;

namespace {

class HostileSheets : public NestedMapTest {
 protected:
  // Sheet 1 made of an area and a line after it: its descriptor file.
  std::string AreaAndLine() {
    TMap map;
    EXPECT_EQ(1, map.OpenData(Path().c_str(), 0));
    EXPECT_EQ(1, map.OpenList(1));
    EXPECT_EQ(1, Append(map, LOCAL_POLYGON, NESTED_AREA));
    EXPECT_EQ(2, Append(map, LOCAL_LINE, NESTED_LINE));
    map.CloseData();
    return outer.Read("map/S1.HDR");
  }
};

}  // namespace

// A map file that says it is a user map holds one sheet.
TEST_F(HostileSheets, UserMapWithTwoSheetsIsRefused) {
  mctest::MapBuilder b;
  b.isRealPlace = 1;
  b.sheets.push_back(b.sheets[0]);
  b.sheets[1].base = "M37002";
  b.Write(outer, "user.map");
  outer.Write("map.rsc", outer.Read("map/map.rsc"));
  TMapPassport passport;
  EXPECT_EQ(0, passport.OpenPassport((outer / "user.map").c_str()));
  EXPECT_EQ(MAPERR_DATA, passport.Error);
  TMap map;
  EXPECT_EQ(0, map.OpenData((outer / "user.map").c_str(), 0));
  EXPECT_EQ(MAPERR_DATA, map.MapError.Error());

  // Nor does the library make a second sheet in one.
  ASSERT_TRUE(CreateMapFile(Dir() + "user.map", Dir() + "map.rsc", true));
  ASSERT_EQ(1, map.OpenData((Dir() + "user.map").c_str(), 0));
  LISTREGISTER second = SquareSheet("U2", 0, 0);
  EXPECT_EQ(0, map.CreateList(&second, 1));
  EXPECT_EQ(1, map.Count());
}

// A writer killed between linking a new object to its neighbours and
// writing the header's count leaves links past the count. The sheet opens
// with them cut (spliced around the lost object), written back when the
// sheet is writable, so that the objects read back and appends go on.
TEST_F(HostileSheets, ChainLinksPastTheCountAreCut) {
  const std::string good = AreaAndLine();
  struct Case {
    const char* what;
    int local;                  // of the object appended afterwards
    uint16_t code;
    std::vector<int> appended;  // the chain after that append
  };
  const Case cases[] = {
      // A line appended after the last line: 2 -> 3 written, count still 2.
      {"at the end", LOCAL_LINE, NESTED_LINE, {1, 2, 3}},
      // An area inserted between 1 and 2: 1 -> 3 and 2 <- 3 written.
      {"in the middle", LOCAL_POLYGON, NESTED_AREA, {1, 3, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    outer.Write("map/S1.HDR", good);
    FVSPR lost = ReadDesc(2);
    lost.Key = 99;
    if (c.local == LOCAL_LINE) {
      lost.Back = 2, lost.Next = 0;
      FVSPR two = ReadDesc(2);
      two.Next = 3;
      WriteDesc(2, two);
    } else {
      lost.Local = LOCAL_POLYGON, lost.Back = 1, lost.Next = 2;
      FVSPR one = ReadDesc(1), two = ReadDesc(2);
      one.Next = 3, two.Back = 3;
      WriteDesc(1, one);
      WriteDesc(2, two);
    }
    WriteDesc(3, lost);
    const std::string killed = outer.Read("map/S1.HDR");

    {  // Read only: the chain reads cut, the file stays as it is.
      TMap map;
      ASSERT_EQ(1, map.OpenData(Path().c_str(), MAP_READ_ONLY));
      ASSERT_EQ(1, map.OpenList(1));
      EXPECT_EQ((std::vector<int>{1, 2}), Chain(map.List));
      ASSERT_NE(nullptr, map.List.LastHead());
      ASSERT_NE(nullptr, map.List.PrevHead());
      EXPECT_EQ(1, map.List.CurrentObject);
      EXPECT_EQ(killed, outer.Read("map/S1.HDR"));
    }
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_EQ((std::vector<int>{1, 2}), Chain(map.List));
    EXPECT_EQ(2u, ReadDesc(1).Next);
    EXPECT_EQ(0u, ReadDesc(2).Next);
    EXPECT_EQ(1u, ReadDesc(2).Back);
    ASSERT_EQ(3, Append(map, c.local, c.code)) << map.List.GetError();
    EXPECT_EQ(c.appended, Chain(map.List));
  }
}

// Links past the count are what a reader sees of another writer's append
// half done as well (its object and the links to it written, the header
// not yet counting it). A sheet open cuts them in the file only under the
// sheet lock, from the header read again under it, and only where that
// lock reaches every writer and reads under it are the latest: on a file
// system whose files are not shared (a network or FUSE mount) a document
// that only reads changes no byte, and its own first write makes the cut.
TEST_F(HostileSheets, OnlyATrustedLockLetsASheetOpenCutTheChain) {
  const std::string good = AreaAndLine();
  // The descriptor file after a third object's append, and as seen half
  // done: a line after the line, or an area between the area and the line.
  auto append = [&](int local, uint16_t code) {
    outer.Write("map/S1.HDR", good);
    TMap map;
    EXPECT_EQ(1, map.OpenData(Path().c_str(), 0));
    EXPECT_EQ(1, map.OpenList(1));
    EXPECT_EQ(3, Append(map, local, code));
    map.CloseData();
    return outer.Read("map/S1.HDR");
  };
  const std::string whole = append(LOCAL_LINE, NESTED_LINE);
  ASSERT_EQ(4u * 48, whole.size());
  const std::string torn = good.substr(0, 48) + whole.substr(48);
  const std::string between = good.substr(0, 48) + append(LOCAL_POLYGON, NESTED_AREA).substr(48);

  plat::FaultVfs files;
  plat::ScopedVfs use(&files);
  files.ShareViews(false);
  for (const int edit : {0, 1}) {
    SCOPED_TRACE(edit ? "not shared, edit mode" : "not shared");
    outer.Write("map/S1.HDR", torn);
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    map.WorkMode(edit);
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_EQ((std::vector<int>{1, 2}), Chain(map.List));
    EXPECT_EQ(torn, outer.Read("map/S1.HDR"));
    // Nobody counted the object: the first write cuts its links first.
    ASSERT_EQ(3, Append(map, LOCAL_POLYGON, NESTED_AREA)) << map.List.GetError();
    EXPECT_EQ((std::vector<int>{1, 3, 2}), Chain(map.List));
    EXPECT_EQ(0u, ReadDesc(2).Next);
  }

  // Shared: another writer holds the sheet lock while this one opens the
  // sheet, and finishes its append or not before letting go.
  files.ShareViews(true);
  std::function<void()> onWait;
  struct Unhook {
    ~Unhook() { plat::SetSleepHook(nullptr, nullptr); }
  } unhook;
  plat::SetSleepHook(
      [](DWORD, void* step) {
        auto& f = *static_cast<std::function<void()>*>(step);
        if (f) std::exchange(f, nullptr)();
      },
      &onWait);
  for (const bool finished : {true, false}) {
    SCOPED_TRACE(finished ? "shared, the append finished" : "shared, the header unread");
    outer.Write("map/S1.HDR", good);
    TMap other, map;
    ASSERT_EQ(1, other.OpenData(Path().c_str(), 0));
    other.WorkMode(1);
    ASSERT_EQ(1, other.OpenList(1));
    ASSERT_EQ(TRUE, plat::FileViewsShared(other.List.Files[SHEET_HDR]));
    outer.Write("map/S1.HDR", torn);
    ASSERT_EQ(1, other.List.LockList());
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    onWait = [&] {
      if (finished)
        outer.Write("map/S1.HDR", whole);
      else
        files.Fail(plat::VfsOp::Read, 1);  // the next read is the header's
      other.List.UnlockList();
    };
    ASSERT_EQ(1, map.OpenList(1));
    EXPECT_FALSE(onWait) << "the sheet opened without waiting for the lock";
    EXPECT_EQ(finished ? whole : torn, outer.Read("map/S1.HDR"));
    const std::vector<int> chain = finished ? std::vector<int>{1, 2, 3} : std::vector<int>{1, 2};
    EXPECT_EQ(chain, Chain(map.List));
  }

  // The first write's cut with each file operation failing in turn, two
  // links to write: the chain reads whole after it, with the new object
  // when that was acknowledged.
  outer.Write("map/S1.HDR", between);
  const auto before = FolderSnapshot(Dir());
  for (const int edit : {0, 1}) {
    SCOPED_TRACE(edit ? "first write, edit mode" : "first write");
    mctest::FaultSweep sweep;
    sweep.shared = false;
    sweep.prepare = [&] {
      for (const auto& [path, bytes] : before)
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    int number = 0;
    const int runs = sweep.Run(
        [&] {
          TMap map;
          number = 0;
          if (!map.OpenData(Path().c_str(), 0)) return;
          map.WorkMode(edit);
          if (map.OpenList(1)) number = Append(map, LOCAL_LINE, NESTED_LINE);
        },
        [&](const mctest::SweepRun& run) {
          SCOPED_TRACE(::testing::Message() << run);
          TMap map;
          ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
          ASSERT_EQ(1, map.OpenList(1));
          const std::vector<int> chain = Chain(map.List);
          EXPECT_TRUE(chain == std::vector<int>({1, 2, 3}) ||
                      (number == 0 && chain == std::vector<int>({1, 2})));
        });
    EXPECT_GT(runs, 5);
  }
}

// A sheet whose files are shorter than its descriptors say (cut short, or
// a record's length or offset word pointing past the end), or whose record
// claims the next one (its length pushed into it): the records of an append
// and of an update go past everything the descriptors claim, and no record
// that meets another is rewritten in place, so that no object nobody
// touched reads another's records; the damaged one reads as damaged after
// them too, or its new records once updated.
TEST_F(HostileSheets, NewRecordsGoPastWhatTheDescriptorsClaim) {
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    for (int n = 1; n <= 4; ++n) ASSERT_EQ(n, Append(map, LOCAL_LINE, NESTED_LINE, true));
  }
  const std::string hdr = outer.Read("map/S1.HDR"), dat = outer.Read("map/S1.DAT"),
                    sem = outer.Read("map/S1.SEM");
  const FVSPR two = ReadDesc(2), three = ReadDesc(3), four = ReadDesc(4);
  const uint32_t end = uint32_t(dat.size());
  enum Damage { CUT, DAT_PAST_END, OFFSET_AT_END, DAT_INTO_NEXT, SEM_INTO_NEXT, SEM_OVERLONG };
  struct Case {
    const char* what;
    int damaged;
    Damage damage;
    size_t datSize, semSize;  // the files cut to these lengths
    int updated;              // the object whose records grow
  };
  const Case cases[] = {
      {"the metric file cut inside its last record", 4, CUT, four.DataOffset + 20, sem.size(), 1},
      {"the semantics file cut inside its last record", 4, CUT, dat.size(), four.SemnOffset + 6,
       1},
      // Each just past the end, where the next record would go.
      {"a metric length word past the end", 2, DAT_PAST_END, dat.size(), sem.size(), 1},
      {"a metric offset word at the end", 3, OFFSET_AT_END, dat.size(), sem.size(), 1},
      // Over the whole next record, which the grown one would overwrite in
      // place.
      {"a metric length word into the next record", 2, DAT_INTO_NEXT, dat.size(), sem.size(), 2},
      {"a semantics length word into the next record", 2, SEM_INTO_NEXT, dat.size(), sem.size(),
       2},
      // A length word no reader takes, over the records after it in a file
      // long enough (zeros past the records) to hold it.
      {"a semantics length word above the largest", 2, SEM_OVERLONG, dat.size(),
       two.SemnOffset + SEMN_MAX_LENGTH + 1, 2},
  };
  // Each object's records as read: the code, then the bytes of each.
  auto read = [](TMapList& list, int n) {
    LONGMETRIC* metric;
    SEMANTIC* semn;
    IMGDRAW* draw;
    const FVSPR* desc = list.ObjectDesc(n);
    const int code = list.ReadObjectRecords(desc, &metric, &semn, &draw);
    std::string out = std::to_string(desc != nullptr ? code : -1);
    if (code == 0 && metric != nullptr)
      out += std::string(reinterpret_cast<char*>(metric), metric->Length);
    if (code == 0 && semn != nullptr)
      out += std::string(reinterpret_cast<char*>(semn), semn->Length);
    return out;
  };
  using objtest::As;
  for (const bool edit : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (edit ? " (edit mode)" : ""));
      outer.Write("map/S1.HDR", hdr);
      outer.Write("map/S1.DAT", dat.substr(0, c.datSize));
      std::string semFile = sem.substr(0, c.semSize);
      semFile.resize(c.semSize, '\0');
      outer.Write("map/S1.SEM", semFile);
      if (c.damage == DAT_PAST_END || c.damage == DAT_INTO_NEXT) {
        const uint32_t length = c.damage == DAT_PAST_END ? end - two.DataOffset + 20
                                                         : four.DataOffset - two.DataOffset;
        PatchFile(Sheet(".DAT"), two.DataOffset + 4, &length, 4);
      } else if (c.damage == SEM_INTO_NEXT || c.damage == SEM_OVERLONG) {
        const uint16_t length = c.damage == SEM_OVERLONG ? uint16_t(SEMN_MAX_LENGTH + 1)
                                                         : uint16_t(four.SemnOffset - two.SemnOffset);
        PatchFile(Sheet(".SEM"), two.SemnOffset + 2, &length, 2);
      } else if (c.damage == OFFSET_AT_END) {
        FVSPR moved = ReadDesc(3);
        moved.DataOffset = end;
        WriteDesc(3, moved);
      }
      std::vector<std::string> before;
      TMap map;
      ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
      if (edit) map.WorkMode(1);
      ASSERT_EQ(1, map.OpenList(1));
      for (int n = 1; n <= 4; ++n) before.push_back(read(map.List, n));
      // A length pushed into the next record reads with that record's bytes
      // past its own, which the readers pass over.
      if (c.updated != c.damaged) {
        EXPECT_EQ(std::to_string(MAPERR_DATA), before[size_t(c.damaged - 1)]);
      }

      // An append, and an update whose records grew past the true ones of
      // the damaged object but not past what its length word claims.
      ASSERT_EQ(5, Append(map, LOCAL_LINE, NESTED_LINE, true)) << map.List.GetError();
      objtest::Bytes metric = objtest::Metric(
          METRIC_I32, {{{10, 30}, {20, 30}, {20, 50}, {10, 50}, {10, 30}, {15, 40}, {10, 30}}});
      const objtest::Bytes value = objtest::Semantics(9, 77);
      objtest::Bytes semn = value;
      semn.insert(semn.end(), value.begin() + 4, value.end());
      semn[2] = char(semn.size());
      ASSERT_GT(metric.size(), three.DataOffset - two.DataOffset);
      ASSERT_LE(metric.size(), four.DataOffset - two.DataOffset);
      ASSERT_GT(semn.size(), three.SemnOffset - two.SemnOffset);
      ASSERT_LE(semn.size(), four.SemnOffset - two.SemnOffset);
      FVSPR desc = ReadDesc(c.updated);
      ASSERT_EQ(c.updated, map.UpdateObject(c.updated, &desc, As<LONGMETRIC>(metric),
                                    As<SEMANTIC>(semn), nullptr));
      map.CloseData();

      ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
      ASSERT_EQ(1, map.OpenList(1));
      for (int n = 1; n <= 4; ++n)
        if (n != c.updated) {
          EXPECT_EQ(before[size_t(n - 1)], read(map.List, n)) << n;
        }
      EXPECT_EQ("0" + std::string(metric.begin(), metric.end()) +
                    std::string(semn.begin(), semn.end()),
                read(map.List, c.updated));
      EXPECT_EQ("0", read(map.List, 5).substr(0, 1));
    }
  }
}

// An object that another writer appended after this writer found what the
// sheet's descriptors claim is looked at before the next record is placed:
// one naming bytes past the end (damaged since) keeps them from it.
TEST_F(HostileSheets, ClaimsOfObjectsAnotherWriterAppendedAreFound) {
  TMap a, b;
  for (TMap* m : {&a, &b}) {
    ASSERT_EQ(1, m->OpenData(Path().c_str(), 0));
    m->WorkMode(1);
    ASSERT_EQ(1, m->OpenList(1));
  }
  for (int n = 1; n <= 2; ++n) ASSERT_EQ(n, Append(a, LOCAL_LINE, NESTED_LINE, true));
  ASSERT_EQ(3, Append(b, LOCAL_LINE, NESTED_LINE, true));
  b.CloseData();
  const uint32_t end = uint32_t(outer.Read("map/S1.DAT").size());
  FVSPR three = ReadDesc(3);
  three.DataOffset = end + 8;
  WriteDesc(3, three);

  ASSERT_EQ(4, Append(a, LOCAL_LINE, NESTED_LINE, true));
  const uint32_t at = ReadDesc(4).DataOffset;
  const std::string dat = outer.Read("map/S1.DAT");
  ASSERT_GE(dat.size(), size_t(at) + 8);
  uint32_t length;
  std::memcpy(&length, dat.data() + at + 4, 4);
  EXPECT_TRUE(at >= end + 16 || at + length <= end + 8) << at << " " << end;
}

// A sheet of thousands of objects, whose descriptors a first write after
// the opening reads in long runs: the objects naming bytes past the end at
// either side of a run's edge and at the last descriptor keep the new
// record from every one of them.
TEST_F(HostileSheets, ClaimsAmongThousandsOfDescriptorsAreFound) {
  constexpr int kObjects = 4100;
  {
    TMap map;
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
    for (int n = 1; n <= kObjects; ++n) ASSERT_EQ(n, Append(map, LOCAL_LINE, NESTED_LINE, true));
  }
  const uint32_t end = uint32_t(outer.Read("map/S1.DAT").size());
  const std::pair<int, uint32_t> claims[] = {{4096, 8}, {4097, 64}, {kObjects, 200}};
  for (const auto& [n, past] : claims) {
    FVSPR d = ReadDesc(n);
    d.DataOffset = end + past;
    WriteDesc(n, d);
  }
  TMap map;
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  ASSERT_EQ(kObjects + 1, Append(map, LOCAL_LINE, NESTED_LINE, true));
  map.CloseData();
  const uint32_t at = ReadDesc(kObjects + 1).DataOffset;
  const std::string dat = outer.Read("map/S1.DAT");
  ASSERT_GE(dat.size(), size_t(at) + 8);
  uint32_t length;
  std::memcpy(&length, dat.data() + at + 4, 4);
  for (const auto& [n, past] : claims)
    EXPECT_TRUE(at >= end + past + 8 || at + length <= end + past) << n << ": " << at;
}
