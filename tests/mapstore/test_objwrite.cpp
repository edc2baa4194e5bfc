// Writing the objects of a sheet: appending into the chain by local type,
// keys, the sheet frame object, rewriting in place, deleting, graphics
// only, and edit mode with its lock, journal, callback and change counter.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "support/objectbuilder.h"
#include "support/sheetbuilder.h"

using namespace objtest;
using sheettest::FileSize;
using sheettest::MetricRecord;
using sheettest::ReadFile;
using sheettest::SemnRecord;

namespace {

enum : uint16_t { KIND_LINE = 16, KIND_AREA = 17, KIND_POINT = 18, KIND_TITLE = 19 };

const Points kBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};
Bytes Box(const std::vector<std::string>& texts = {}) { return Metric(METRIC_I32, {kBox}, texts); }

MAPCHANGERECORD g_change;
int g_changes = 0;
void WINAPI OnChange(intptr_t parameter, intptr_t record) {
  EXPECT_EQ(77, parameter);
  std::memcpy(&g_change, reinterpret_cast<const void*>(record), sizeof(g_change));
  ++g_changes;
}

// The notices one observer of a map heard; it leaves when the map closes,
// as a select context does.
struct Heard {
  std::vector<SHEETCHANGE> changes;
  int closing = 0;
};
void Observe(void* context, TMap* map, int notice, const SHEETCHANGE* change) {
  Heard* heard = static_cast<Heard*>(context);
  if (notice == MAPNOTICE_CHANGE) heard->changes.push_back(*change);
  if (notice == MAPNOTICE_CLOSING) {
    ++heard->closing;
    EXPECT_EQ(1, map->RemoveObserver(Observe, context));
  }
}

int g_sleeps = 0;
void CountSleep(DWORD, void*) { ++g_sleeps; }

class ObjWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    ASSERT_TRUE(WriteClassifier(dir / "map.rsc", {{5550, LOCAL_LINE},
                                                  {5551, LOCAL_POLYGON},
                                                  {5552, LOCAL_POINT},
                                                  {5553, LOCAL_TITLE}}));
    ASSERT_TRUE(CreateMapFile(Path(), dir / "map.rsc", userMap_));
    Open(map);
  }
  void TearDown() override {
    MessageEnableSet(1);
    plat::SetSleepHook(nullptr, nullptr);
  }
  std::string Path() const { return dir / "map.map"; }
  std::string File(const char* ext) const { return dir / (std::string("S1") + ext); }
  void Open(TMap& m) {
    ASSERT_EQ(1, m.OpenData(Path().c_str(), 0)) << m.MapError.Error();
    ASSERT_EQ(1, m.OpenList(1));
  }
  // Appends an object to the map's current sheet; its descriptor in `out`.
  int Append(TMap& m, int local, uint16_t code, Bytes metric, Bytes semn = {}, Bytes draw = {},
             DWORD key = 0, FVSPR* out = nullptr) {
    FVSPR d = Desc(local, code);
    d.Key = key;
    const int n = m.AppendObject(&d, metric.empty() ? nullptr : As<LONGMETRIC>(metric),
                                 semn.empty() ? nullptr : As<SEMANTIC>(semn),
                                 draw.empty() ? nullptr : As<IMGDRAW>(draw));
    if (out != nullptr) *out = d;
    return n;
  }
  int Append(int local, uint16_t code, Bytes metric, Bytes semn = {}, Bytes draw = {},
             DWORD key = 0, FVSPR* out = nullptr) {
    return Append(map, local, code, metric, semn, draw, key, out);
  }
  // A line over the box with the key given (0: the sheet's next key).
  int Line(DWORD key = 0) { return Append(LOCAL_LINE, KIND_LINE, Box(), {}, {}, key); }
  FVSPR Stored(int n) {
    FVSPR d{};
    EXPECT_EQ(0, map.List.ReadObjectDesc(n, &d));
    return d;
  }
  std::vector<int> Chain(TMapList& list) {
    std::vector<int> out;
    int back = 0;
    for (FVSPR* d = list.FirstHead(); d != nullptr; d = list.NextHead()) {
      EXPECT_EQ(DWORD(back), d->Back);
      back = list.CurrentObject;
      out.push_back(back);
    }
    return out;
  }
  // The last journal record equals the one given (sheet 1; the index of
  // the backup copy of the old version), and the change callback saw the
  // operation `called`.
  void ExpectJournal(DWORD key, DWORD number, BYTE operation, BYTE parts, int called,
                     DWORD backup = 0) {
    ACTIONHEAD h{};
    ACTIONRECORD r{}, expect{key, number, backup, operation, parts, 1};
    EXPECT_GT(logReadAction(&map.Log, logCount(&map.Log), &h), 0);
    EXPECT_EQ(0, h.Type);
    EXPECT_EQ(1, logGetActionRecord(&map.Log, logGetActionRecordCount(&map.Log), &r));
    EXPECT_EQ(0, std::memcmp(&r, &expect, sizeof(r))) << r.Key << " " << int(r.Operation);
    EXPECT_EQ(called, g_change.Operation);
  }
  uint32_t ChangeCounter() const {
    const std::vector<char> b = ReadFile(Path());
    uint32_t v;
    std::memcpy(&v, b.data() + 20, 4);
    return v;
  }

  bool userMap_ = false;
  sheettest::SheetFolder dir{MC_TEST_TMP};
  Heard heard[2];  // observers outlive the map: a failed test leaves none dangling
  TMap map;
};

class UserMapWrite : public ObjWrite {
 protected:
  void SetUp() override {
    userMap_ = true;
    ObjWrite::SetUp();
  }
};

}  // namespace

TEST_F(ObjWrite, OnlyTheFirstObjectOrAPointMayLackAMetric) {
  EXPECT_EQ(1, Append(LOCAL_LINE, KIND_LINE, {}));
  EXPECT_EQ(0, Append(LOCAL_LINE, KIND_LINE, {}));
  EXPECT_EQ(MAPERR_DATA, map.List.GetError());
  EXPECT_EQ(2, Append(LOCAL_POINT, KIND_POINT, {}));
  EXPECT_EQ(2, map.List.Count());
  // A refused record writes nothing at all.
  const int64_t hdr = FileSize(File(".HDR"));
  Bytes bad = Semantics(10, 1);
  bad[0] = 0;
  EXPECT_EQ(0, Append(LOCAL_LINE, KIND_LINE, Box(), bad,
                      Draw({{128, Bytes(8, 0)}})));
  EXPECT_EQ(MAPERR_DATA, map.List.GetError());
  EXPECT_EQ(hdr, FileSize(File(".HDR")));
  EXPECT_FALSE(sheettest::FileExists(File(".DAT")));
  EXPECT_FALSE(sheettest::FileExists(File(".GRA")));
}

TEST_F(ObjWrite, ObjectsAreChainedByLocalType) {
  ASSERT_EQ(1, Line());
  ASSERT_EQ(2, Line());
  // An area goes to the head of the chain: no type comes before it.
  ASSERT_EQ(3, Append(LOCAL_POLYGON, KIND_AREA, Box()));
  EXPECT_EQ((std::vector<int>{3, 1, 2}), Chain(map.List));
  // A title goes last, a point before it, a line behind the last line.
  ASSERT_EQ(4, Append(LOCAL_TITLE, KIND_TITLE, Box({"T"})));
  ASSERT_EQ(5, Append(LOCAL_POINT, KIND_POINT, Metric(METRIC_I32, {{{150, 400}}})));
  ASSERT_EQ(6, Line());
  // A mixed object goes behind the highest number.
  ASSERT_EQ(7, Append(LOCAL_MIXED, KIND_LINE, Box({"M"})));
  EXPECT_EQ((std::vector<int>{3, 1, 2, 6, 7, 5, 4}), Chain(map.List));
  FVSPR head;
  ASSERT_EQ(0, map.List.ReadObjectDesc(0, &head));
  const HDRHEAD& h = reinterpret_cast<const HDRHEAD&>(head);
  EXPECT_EQ(3, h.First);
  EXPECT_EQ(4, h.Last);
  EXPECT_EQ(3, h.LastPolygon);
  EXPECT_EQ(6, h.LastLine);
  EXPECT_EQ(5, h.LastPoint);
  EXPECT_EQ(4, h.LastTitle);
  EXPECT_EQ(7, map.TMapPassport::List(1)->ObjectCount);
  // The frame was computed: 67..233 for the area.
  EXPECT_EQ(67, Stored(3).X1);
  EXPECT_EQ(533, Stored(3).Y2);
}

TEST_F(ObjWrite, KeysComeFromTheHeaderOrRaiseIt) {
  for (int i = 1; i <= 11; ++i) ASSERT_EQ(i, Line());
  EXPECT_EQ(12u, map.List.Head.NextKey);
  EXPECT_EQ(11u, Stored(11).Key);
  ASSERT_EQ(12, Line(1000));
  EXPECT_EQ(1000u, Stored(12).Key);
  EXPECT_EQ(1001u, map.List.Head.NextKey);
  // A smaller key leaves the next key alone.
  ASSERT_EQ(13, Line(5));
  EXPECT_EQ(1001u, map.List.Head.NextKey);
  ASSERT_EQ(14, Line());
  EXPECT_EQ(1001u, Stored(14).Key);
}

TEST_F(ObjWrite, ASecondSheetFrameDeletesTheFirst) {
  ASSERT_EQ(1, Line());
  ASSERT_EQ(2, Append(LOCAL_LINE, 15, Box()));
  EXPECT_EQ(2, map.TMapPassport::List(1)->FrameObject);
  ASSERT_EQ(3, Append(LOCAL_LINE, 15, Metric(METRIC_I32, {{{0, 0}, {5000, 5000}}})));
  EXPECT_EQ(3, map.TMapPassport::List(1)->FrameObject);
  const FVSPR old = Stored(2), now = Stored(3);
  EXPECT_TRUE(FvsprIsDeleted(&old));
  EXPECT_FALSE(FvsprIsDeleted(&now));
  EXPECT_EQ(3, map.List.GetListFrameNumber());
}

TEST_F(ObjWrite, RewritingInPlaceKeepsTheFilesFromGrowing) {
  FVSPR d;
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA, MetricRecord(64, 1), Semantics(10, 1),
                      Draw({{128, Bytes(8, 1)}}), 0, &d));
  ASSERT_EQ(2, Append(LOCAL_POLYGON, KIND_AREA, MetricRecord(64, 2)));
  const int64_t dat = FileSize(File(".DAT")), sem = FileSize(File(".SEM"));
  const int64_t gra = FileSize(File(".GRA"));
  const DWORD at = d.DataOffset;

  Bytes same = MetricRecord(64, 9);
  Bytes semn = Semantics(10, 2);
  Bytes draw = Draw({{128, Bytes(8, 2)}});
  ASSERT_EQ(1,
            map.UpdateObject(1, &d, As<LONGMETRIC>(same), As<SEMANTIC>(semn), As<IMGDRAW>(draw)));
  EXPECT_EQ(dat, FileSize(File(".DAT")));
  EXPECT_EQ(sem, FileSize(File(".SEM")));
  EXPECT_EQ(gra, FileSize(File(".GRA")));
  EXPECT_EQ(at, Stored(1).DataOffset);
  ASSERT_NE(nullptr, map.List.ObjectDataAddr(1));
  EXPECT_EQ(0, std::memcmp(map.List.ObjectDataAddr(1), same.data(), 64));

  // Shorter also stays; longer moves to the end.
  Bytes shorter = MetricRecord(32, 3);
  ASSERT_EQ(1, map.UpdateObject(1, &d, As<LONGMETRIC>(shorter), nullptr, nullptr));
  EXPECT_EQ(at, Stored(1).DataOffset);
  Bytes longer = MetricRecord(200, 4);
  ASSERT_EQ(1, map.UpdateObject(1, &d, As<LONGMETRIC>(longer), nullptr, nullptr));
  EXPECT_GT(Stored(1).DataOffset, at);
  EXPECT_EQ(0, std::memcmp(map.List.ObjectDataAddr(1), longer.data(), 200));
  // The semantics and graphics not given stay.
  EXPECT_EQ(0, std::memcmp(map.List.ObjectSemnAddr(1), semn.data(), semn.size()));
  // An empty semantics record drops the record.
  Bytes empty = Semantics(10, 0);
  empty.resize(4);
  empty[2] = 4;
  ASSERT_EQ(1, map.UpdateObject(1, &d, nullptr, As<SEMANTIC>(empty), nullptr));
  EXPECT_EQ(0u, Stored(1).SemnOffset);
}

TEST_F(ObjWrite, UpdatesKeepTheStoredLinks) {
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA, Box()));
  FVSPR line;
  ASSERT_EQ(2, Append(LOCAL_LINE, KIND_LINE, Box(), {}, {}, 0, &line));
  FVSPR alone;
  ASSERT_EQ(3, Append(LOCAL_TITLE, KIND_TITLE, Box({"T"}), {}, {}, 0, &alone));
  // The chain grows behind both copies.
  ASSERT_EQ(4, Line());
  line.Y2 = 0;
  ASSERT_EQ(2, map.UpdateObject(2, &line, nullptr, nullptr, nullptr));
  EXPECT_EQ(4u, Stored(2).Next);
  EXPECT_EQ(1u, Stored(2).Back);
  // The frame is recomputed from the stored metric.
  EXPECT_EQ(532, Stored(2).Y2);
  // Garbage links never reach the file.
  alone.Next = 77;
  alone.Back = 0;
  ASSERT_EQ(3, map.UpdateObject(3, &alone, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, Stored(3).Next);
  EXPECT_EQ(4u, Stored(3).Back);
  // A copy of the first object read before the chain grew is still that
  // object, not a new one.
  FVSPR first = Stored(1);
  first.Next = first.Back = 0;
  ASSERT_EQ(1, map.UpdateObject(1, &first, nullptr, nullptr, nullptr));
  EXPECT_EQ(4, map.List.Count());
  EXPECT_EQ((std::vector<int>{1, 2, 4, 3}), Chain(map.List));
}

TEST_F(ObjWrite, DeletingSetsOnlyTheFlag) {
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA, Box()));
  ASSERT_EQ(2, Line());
  const std::vector<char> before = ReadFile(File(".HDR"));
  const int64_t dat = FileSize(File(".DAT"));
  ASSERT_EQ(2, map.DeleteObject(2));
  std::vector<char> after = ReadFile(File(".HDR"));
  ASSERT_EQ(before.size(), after.size());
  EXPECT_EQ(before[2 * 48 + 34] | FVSPR_DELETED, after[2 * 48 + 34]);
  after[2 * 48 + 34] = before[2 * 48 + 34];
  EXPECT_EQ(before, after);
  EXPECT_EQ(dat, FileSize(File(".DAT")));
  EXPECT_EQ(1, map.List.ObjectsChanged);
  // Without a current object nothing is deleted.
  map.List.ObjectDesc(0);
  EXPECT_EQ(0, map.List.DeleteObject());
  EXPECT_EQ(0, map.DeleteObject(9));
}

TEST_F(ObjWrite, GraphicsAloneCanBeRewritten) {
  ASSERT_EQ(1, Line());
  const int64_t dat = FileSize(File(".DAT"));
  Bytes draw = Draw({{128, Bytes(16, 5)}});
  ASSERT_EQ(1, map.UpdateObjectDraw(1, As<IMGDRAW>(draw)));
  const IMGDRAW* stored = map.List.ObjectDrawAddr(1);
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ(0, std::memcmp(stored, draw.data(), draw.size()));
  EXPECT_EQ(dat, FileSize(File(".DAT")));
  Bytes bad = draw;
  bad[0] = 0;
  EXPECT_EQ(0, map.UpdateObjectDraw(1, As<IMGDRAW>(bad)));
  EXPECT_EQ(0, map.UpdateObjectDraw(5, As<IMGDRAW>(draw)));
}

TEST_F(ObjWrite, EditModeJournalsCallsBackAndCountsEveryChange) {
  map.WorkMode(1);
  map.SetChangeCall(OnChange, 77);
  map.MapTag = 5;
  g_changes = 0;
  const uint32_t counter = ChangeCounter();
  FVSPR d;
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA, Box(), Semantics(10, 1),
                      Draw({{128, Bytes(8, 0)}}), 0, &d));
  ExpectJournal(d.Key, 1, 1, 1 | 2 | 4 | 8, 1);
  EXPECT_EQ(counter + 1, ChangeCounter());
  EXPECT_EQ(1, g_changes);
  EXPECT_EQ(5, g_change.MapTag);
  EXPECT_EQ(1, g_change.Sheet);
  EXPECT_EQ(d.Key, g_change.Key);

  Bytes metric = Box();
  ASSERT_EQ(1, map.UpdateObject(1, &d, As<LONGMETRIC>(metric), nullptr, nullptr));
  ExpectJournal(d.Key, 1, 4, 1 | 2, 4, 1);  // the old version is backup copy 1
  EXPECT_EQ(counter + 2, ChangeCounter());

  // An update that deletes is journalled as an update, called back as a
  // deletion.
  d.Flags |= FVSPR_DELETED;
  ASSERT_EQ(1, map.UpdateObject(1, &d, nullptr, nullptr, nullptr));
  ExpectJournal(d.Key, 1, 4, 1, 2);
  EXPECT_EQ(1, map.List.ObjectsChanged);

  ASSERT_EQ(2, Line());
  ASSERT_EQ(2, map.DeleteObject(2));
  ExpectJournal(Stored(2).Key, 2, 2, 1, 2);
  EXPECT_EQ(counter + 5, ChangeCounter());
  EXPECT_EQ(5, g_changes);
}

TEST_F(ObjWrite, ObserversHearOfEveryWrittenObjectUntilTheyLeave) {
  map.WorkMode(1);
  ASSERT_EQ(1, map.AddObserver(Observe, &heard[0]));
  EXPECT_EQ(0, map.AddObserver(Observe, &heard[0]));
  FVSPR d;
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA, Box(), Semantics(10, 1), {}, 0, &d));
  // Refused: a line without a metric after the first object.
  EXPECT_EQ(0, Append(LOCAL_LINE, KIND_LINE, {}));
  Bytes metric = Box();
  ASSERT_EQ(1, map.UpdateObject(1, &d, As<LONGMETRIC>(metric), nullptr, nullptr));
  ASSERT_EQ(1, map.DeleteObject(1));

  const struct {
    BYTE operation, called, parts;
    bool deleted;
  } expect[] = {{1, 1, 1 | 2 | 4, false}, {4, 4, 1 | 2, false}, {2, 2, 1, true}};
  const std::vector<SHEETCHANGE>& changes = heard[0].changes;
  ASSERT_EQ(3u, changes.size());
  for (size_t i = 0; i < 3; ++i) {
    const SHEETCHANGE& c = changes[i];
    EXPECT_EQ(1, c.Sheet) << i;
    EXPECT_EQ(1, c.Number) << i;
    EXPECT_EQ(d.Key, c.Key) << i;
    EXPECT_EQ(expect[i].operation, c.Operation) << i;
    EXPECT_EQ(expect[i].called, c.CallOperation) << i;
    EXPECT_EQ(expect[i].parts, c.Parts) << i;
    EXPECT_EQ(1, c.Journal) << i;
    EXPECT_EQ(expect[i].deleted, FvsprIsDeleted(&c.Desc)) << i;
  }

  ASSERT_EQ(1, map.RemoveObserver(Observe, &heard[0]));
  EXPECT_EQ(0, map.RemoveObserver(Observe, &heard[0]));
  ASSERT_EQ(2, Line());
  EXPECT_EQ(3u, changes.size());
}

TEST_F(ObjWrite, AFreedMapTellsItsObserversAndForgetsThem) {
  for (Heard& h : heard) ASSERT_EQ(1, map.AddObserver(Observe, &h));
  map.Free();
  EXPECT_EQ(1, heard[0].closing);
  EXPECT_EQ(1, heard[1].closing);
  EXPECT_EQ(0, map.ObserverCount());
}

TEST_F(ObjWrite, EditModeFailsWhenTheSheetLockIsHeld) {
  ASSERT_EQ(1, Line());
  map.WorkMode(1);
  ASSERT_EQ(1, map.OpenList(1));
  // Another writer holds the lock.
  HANDLE other = plat::CreateFileA(File(".HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  const DWORD at = DWORD(FileSize(File(".HDR"))) + 0x18000;
  ASSERT_TRUE(plat::LockFile(other, at, 0, 256, 0));
  g_sleeps = 0;
  plat::SetSleepHook(CountSleep, nullptr);

  const int64_t dat = FileSize(File(".DAT")), hdr = FileSize(File(".HDR"));
  EXPECT_EQ(0, Append(LOCAL_LINE, KIND_LINE, Box(), Semantics(1, 1)));
  EXPECT_EQ(500, g_sleeps);
  // Nothing was placed or written.
  EXPECT_EQ(dat, FileSize(File(".DAT")));
  EXPECT_EQ(hdr, FileSize(File(".HDR")));
  EXPECT_FALSE(sheettest::FileExists(File(".SEM")));
  FVSPR d = Stored(1);
  EXPECT_EQ(0, map.UpdateObject(1, &d, nullptr, nullptr, nullptr));
  EXPECT_EQ(0, map.DeleteObject(1));

  plat::UnlockFile(other, at, 0, 256, 0);
  EXPECT_EQ(2, Line());
  plat::CloseHandle(other);
}

TEST_F(ObjWrite, TwoHandlesAppendInTurnsAndEveryObjectReadsBackWhole) {
  map.CloseData();
  TMap a, b;
  Open(a);
  Open(b);
  a.WorkMode(1);
  b.WorkMode(1);
  ASSERT_EQ(1, a.OpenList(1));
  ASSERT_EQ(1, b.OpenList(1));

  std::map<DWORD, std::pair<Bytes, Bytes>> written;  // key: metric, semantics
  for (int i = 0; i < 60; ++i) {
    TMap& m = i % 2 ? b : a;
    Bytes metric = MetricRecord(16 + 8 * (1 + i % 7), uint32_t(i));
    Bytes semn = Semantics(uint16_t(100 + i), i);
    FVSPR d;
    const int local = i % 3 == 0 ? int(LOCAL_POLYGON) : int(LOCAL_LINE);
    ASSERT_NE(0, Append(m, local, local == LOCAL_LINE ? KIND_LINE : KIND_AREA, metric, semn, {}, 0,
                        &d))
        << i;
    ASSERT_TRUE(written.emplace(d.Key, std::make_pair(metric, semn)).second) << d.Key;
  }
  a.CloseData();
  b.CloseData();

  TMap c;
  Open(c);
  EXPECT_EQ(60, c.List.Count());
  std::set<DWORD> keys;
  int polygons = 0, seen = 0;
  bool lines = false;
  for (FVSPR* d = c.List.FirstHead(); d != nullptr; d = c.List.NextHead()) {
    const int n = c.List.CurrentObject;
    const FVSPR desc = *d;
    ++seen;
    // Areas first, then lines.
    if (FvsprLocal(&desc) == LOCAL_POLYGON) {
      EXPECT_FALSE(lines);
      ++polygons;
    } else {
      lines = true;
    }
    ASSERT_TRUE(keys.insert(desc.Key).second);
    const auto& expect = written.at(desc.Key);
    const LONGMETRIC* m = c.List.DataAddr(desc.DataOffset);
    ASSERT_NE(nullptr, m) << n;
    EXPECT_EQ(0, std::memcmp(m, expect.first.data(), expect.first.size())) << n;
    const SEMANTIC* s = c.List.SemnAddr(desc.SemnOffset);
    ASSERT_NE(nullptr, s) << n;
    EXPECT_EQ(0, std::memcmp(s, expect.second.data(), expect.second.size())) << n;
    c.List.ObjectDesc(n);
  }
  EXPECT_EQ(60, seen);
  EXPECT_EQ(20, polygons);
}

TEST_F(UserMapWrite, SheetCornersGrowWithTheObjects) {
  FVSPR d;
  ASSERT_EQ(1, Append(LOCAL_POLYGON, KIND_AREA,
                      Metric(METRIC_I32, {{{1000, 3000}, {2000, 3000}, {2000, 5000}}}), {}, {}, 0,
                      &d));
  // Margin 1067 on a user map of scale 100,000, corners widened by 500.
  EXPECT_EQ(1000 - 534, d.X1);
  const LISTREGISTER& r = map.TMapPassport::List(1)->Register;
  EXPECT_DOUBLE_EQ(d.X1 - 500, r.XSouthWest);
  EXPECT_DOUBLE_EQ(d.Y1 - 500, r.YSouthWest);
  EXPECT_DOUBLE_EQ(d.X2 + 500, r.XNorthEast);
  EXPECT_DOUBLE_EQ(d.Y2 + 500, r.YNorthEast);
  // A second object further out moves only the sides it passes.
  ASSERT_EQ(2, Append(LOCAL_LINE, KIND_LINE, Metric(METRIC_I32, {{{1500, 3000}, {9000, 3500}}})));
  EXPECT_DOUBLE_EQ(d.X1 - 500, r.XSouthWest);
  EXPECT_DOUBLE_EQ(9000 + 533 + 500, r.XNorthEast);
}
