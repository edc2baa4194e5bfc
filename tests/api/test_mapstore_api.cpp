// The edit journal of a map through the loaded library, as a host uses it:
// its own actions and records, the actions the object writers put in while
// the map is in edit mode, the search of an action by time, and undo of
// the last action, step by step back to where edit mode began.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "support/apiclassifier.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

constexpr LONG kRoad = 31120000;
constexpr double kX0 = 6000000, kY0 = 7400000, kSide = 10000;

class JournalApi : public apitest::LibraryFolderTest {
 protected:
  void SetUp() override {
    LibraryFolderTest::SetUp();
    if (HasFatalFailure()) return;
    const std::string rsc = Path("log.rsc");
    ASSERT_TRUE(apitest::MakeClassifier(lib, rsc, "LOG", {{kRoad, LOCAL_LINE, "ROAD"}}));
    apitest::NewSheetMap registers("LOG-1", kX0, kY0, kSide);
    map_ = FN(mapCreateMapEx)(Path("log.map").c_str(), rsc.c_str(), &registers.map,
                              &registers.sheet);
    ASSERT_NE(0, map_);
  }
  void TearDown() override {
    if (map_ != 0) FN(mapCloseData)(map_);
    LibraryFolderTest::TearDown();
  }
  void Reopen() {
    FN(mapCloseData)(map_);
    map_ = FN(mapOpenData)(Path("log.map").c_str(), 0);
    ASSERT_NE(0, map_);
  }
  // A road from (dx, 0) to (dx, 500) metres off the sheet's corner,
  // committed: its number.
  LONG AddRoad(double dx) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    EXPECT_EQ(1, FN(mapRegisterObject)(object, kRoad, 0));
    EXPECT_NE(0, FN(mapAppendPointPlane)(object, kX0 + dx, kY0, 0));
    EXPECT_NE(0, FN(mapAppendPointPlane)(object, kX0 + dx, kY0 + 500, 0));
    const LONG number = FN(mapCommit)(object);
    EXPECT_GT(number, 0);
    FN(mapFreeObject)(object);
    return number;
  }
  // Object n as it is now: "deleted", or the X of its first point.
  std::string Road(LONG n) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    const HOBJ read = FN(mapReadObjectByNumber)(map_, 0, object, 1, n);
    std::string what = "missing";
    if (read == 1) what = "deleted";
    if (read == object) what = std::to_string(int(FN(mapXPlane)(object, 1, 0) - kX0));
    FN(mapFreeObject)(object);
    return what;
  }
  LONG Key(LONG n) {
    const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
    FN(mapReadObjectByNumber)(map_, 0, object, 1, n);
    const LONG key = FN(mapObjectKey)(object);
    FN(mapFreeObject)(object);
    return key;
  }
  // The records of action n as read through the journal functions.
  std::vector<ACTIONRECORD> Records(LONG n, ACTIONHEAD* head = nullptr) {
    std::vector<ACTIONRECORD> records;
    ACTIONHEAD own = {};
    const LONG count = FN(mapLogReadAction)(map_, 0, n, &own);
    if (head != nullptr) *head = own;
    EXPECT_GT(count, 0) << "action " << n;
    EXPECT_EQ(LONG(own.Count), FN(mapLogGetActionRecordCount)(map_, 0));
    for (LONG i = 1; i <= own.Count; ++i) {
      ACTIONRECORD r = {};
      EXPECT_EQ(1, FN(mapLogGetActionRecord)(map_, 0, i, &r)) << "record " << i;
      records.push_back(r);
    }
    return records;
  }

  HMAP map_ = 0;
};

// A host's own actions: records buffered past the journal's 128 and
// written in two parts, a record alone becoming an action of type 0, an
// empty action never written, service actions of closing and opening
// (which undo passes by), and every record reading back as it was put,
// also after the journal is reopened or the map is closed and opened.
TEST_F(JournalApi, AHostsActionsAndRecordsReadBackAsPut) {
  EXPECT_EQ(1, FN(mapLogIsWrite)(map_, 0));
  LONG date = 0, time = -1;
  EXPECT_EQ(0, FN(mapLogDate)(map_, 0, &date, nullptr));
  ASSERT_EQ(1, FN(mapLogDate)(map_, 0, &date, &time));
  EXPECT_GT(date, 19900000);
  EXPECT_GE(time, 0);
  EXPECT_LT(time, 86400);
  // The journal was opened with the map: one action of its own.
  const LONG opened = FN(mapLogCount)(map_, 0);
  ASSERT_GE(opened, 1);
  ACTIONHEAD head = {};
  ASSERT_EQ(1, FN(mapLogReadAction)(map_, 0, 1, &head));
  EXPECT_EQ(60000, head.Type);
  EXPECT_EQ(0, FN(mapReadLastAction)(map_, 0, &head));  // nothing to undo

  auto record = [](DWORD i) {
    return ACTIONRECORD{1000 + i, i, 7 * i, BYTE(i % 3 + 1), BYTE(i % 16), SHORT(i % 5 + 1)};
  };
  auto same = [](const ACTIONRECORD& a, const ACTIONRECORD& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  };
  ASSERT_EQ(1, FN(mapLogCreateAction)(map_, 0, 777));
  for (DWORD i = 1; i <= 130; ++i) {
    ACTIONRECORD r = record(i);
    ASSERT_EQ(1, FN(mapLogPutRecord)(map_, 0, &r)) << i;
  }
  ASSERT_EQ(1, FN(mapLogCommitAction)(map_, 0));
  const LONG own = opened + 1;
  EXPECT_EQ(own, FN(mapLogCount)(map_, 0));
  std::vector<ACTIONRECORD> read = Records(own, &head);
  EXPECT_EQ(0x7FFF, head.Ident);
  EXPECT_EQ(777, head.Type);
  ASSERT_EQ(130u, read.size());
  for (DWORD i = 1; i <= 130; ++i) EXPECT_TRUE(same(record(i), read[i - 1])) << i;
  ACTIONRECORD r = {};
  EXPECT_EQ(0, FN(mapLogGetActionRecord)(map_, 0, 0, &r));
  EXPECT_EQ(0, FN(mapLogGetActionRecord)(map_, 0, 131, &r));
  EXPECT_EQ(0, FN(mapLogReadAction)(map_, 0, own + 1, &head));

  // Alone, a record is an action of type 0 written at once; an action
  // without records is not written.
  r = record(5);
  ASSERT_EQ(1, FN(mapLogPutRecord)(map_, 0, &r));
  EXPECT_EQ(own + 1, FN(mapLogCount)(map_, 0));
  read = Records(own + 1, &head);
  EXPECT_EQ(0, head.Type);
  ASSERT_EQ(1u, read.size());
  EXPECT_TRUE(same(record(5), read[0]));
  ASSERT_EQ(1, FN(mapLogCreateAction)(map_, 0, 778));
  FN(mapLogCommitAction)(map_, 0);
  EXPECT_EQ(own + 1, FN(mapLogCount)(map_, 0));
  // The newest action that is no service action.
  EXPECT_EQ(own + 1, FN(mapReadLastAction)(map_, 0, &head));
  EXPECT_EQ(0, head.Type);

  // Reopened, the journal reads the same; the map closed and opened adds
  // the actions of closing and opening.
  EXPECT_EQ(1, FN(mapLogFlush)(map_, 0));
  EXPECT_EQ(own + 1, FN(mapLogCount)(map_, 0));
  read = Records(own);
  ASSERT_EQ(130u, read.size());
  EXPECT_TRUE(same(record(129), read[128]));
  ASSERT_NO_FATAL_FAILURE(Reopen());
  const LONG now = FN(mapLogCount)(map_, 0);
  ASSERT_GE(now, own + 3);
  for (LONG n = own + 2; n <= now; ++n) {
    ASSERT_GT(FN(mapLogReadAction)(map_, 0, n, &head), 0) << n;
    if (n <= own + 3) {
      EXPECT_EQ(n == own + 2 ? 60001 : 60000, head.Type) << n;
    }
    EXPECT_GE(head.Type, 60000) << n;
  }
  read = Records(own, &head);
  EXPECT_EQ(777, head.Type);
  ASSERT_EQ(130u, read.size());
  for (DWORD i = 1; i <= 130; ++i) EXPECT_TRUE(same(record(i), read[i - 1])) << i;
  EXPECT_EQ(own + 1, FN(mapReadLastAction)(map_, 0, &head));
}

// Actions stamped on three days, in times that fall back from one day to
// the next: the search answers the first action stamped after the moment
// asked, comparing the date first and the time within the date, and 0
// when every action is older.
TEST_F(JournalApi, TheSearchByTimeComparesTheDateFirst) {
  for (WORD type = 1; type <= 6; ++type) {
    ASSERT_EQ(1, FN(mapLogCreateAction)(map_, 0, type));
    ACTIONRECORD r = {type, type, 0, 1, 1, 1};
    ASSERT_EQ(1, FN(mapLogPutRecord)(map_, 0, &r));
    ASSERT_EQ(1, FN(mapLogCommitAction)(map_, 0));
  }
  const LONG count = FN(mapLogCount)(map_, 0);
  FN(mapCloseData)(map_);
  map_ = 0;

  // The journal's actions, stamped anew: the host's six in 2020, the
  // service actions around them in 2019.
  struct Stamp {
    DWORD date, time;
  };
  const Stamp stamps[6] = {{20200101, 80000}, {20200101, 85000}, {20200102, 100},
                           {20200102, 90000}, {20200103, 0},     {20200103, 0}};
  const std::string journal = Path("LOG/log.map.TAC");
  std::fstream file(journal, std::ios::binary | std::ios::in | std::ios::out);
  ASSERT_TRUE(file.good());
  DWORD at = 32;
  int stamped = 0;
  for (LONG n = 1; n <= count + 1; ++n) {  // the action of closing too
    ACTIONHEAD head = {};
    file.seekg(at);
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&head), sizeof head)) << n;
    ASSERT_EQ(0x7FFF, head.Ident) << n;
    if (head.Type >= 1 && head.Type <= 6) {
      head.Date = stamps[head.Type - 1].date;
      head.Time = stamps[head.Type - 1].time;
      ++stamped;
    } else {
      head.Date = 20190101;
      head.Time = 0;
    }
    file.seekp(at);
    file.write(reinterpret_cast<const char*>(&head), sizeof head);
    at += 16 + 16 * DWORD(head.Count);
  }
  file.close();
  ASSERT_EQ(6, stamped);
  // Opening stamps its own action now, after all of them.
  map_ = FN(mapOpenData)(Path("log.map").c_str(), 0);
  ASSERT_NE(0, map_);
  ASSERT_GE(FN(mapLogCount)(map_, 0), count + 2);

  // The action of a type, by its number.
  auto action = [&](WORD type) {
    for (LONG n = 1; n <= count; ++n) {
      ACTIONHEAD head = {};
      if (FN(mapLogReadAction)(map_, 0, n, &head) > 0 && head.Type == type) return n;
    }
    return LONG(-1);
  };
  const struct {
    LONG date, time;
    WORD type;  // the type of the action answered
  } asked[] = {{20191231, 99999, 1}, {20200101, 79999, 1}, {20200101, 80000, 2},
               {20200101, 86000, 3}, {20200102, 50, 3},    {20200102, 500, 4},
               {20200102, 90000, 5}};
  for (const auto& a : asked)
    EXPECT_EQ(action(a.type), FN(mapLogGetActionNumberByTime)(map_, 0, a.date, a.time))
        << a.date << " " << a.time;
  // Only the opening is later than the last of the host's actions.
  EXPECT_EQ(count + 2, FN(mapLogGetActionNumberByTime)(map_, 0, 20200103, 0));
  EXPECT_EQ(0, FN(mapLogGetActionNumberByTime)(map_, 0, 29991231, 86399));
}

// In edit mode each commit and deletion is journalled in the host's open
// action with its operation, object number, key and, for a rewrite, the
// backup copy of the old version; undo takes the newest action back
// (appended objects deleted, deleted ones restored, rewritten ones as
// they were), marks it undone and goes one action further back each time,
// and stops where nothing of edit mode is left.
TEST_F(JournalApi, UndoTakesBackTheNewestActionStepByStep) {
  ASSERT_EQ(1, FN(mapLogAccess)(map_, 0, 1));
  EXPECT_EQ(1, FN(mapGetLogAccess)(map_, 0));

  ASSERT_EQ(1, FN(mapLogCreateAction)(map_, 0, 100));
  const LONG a = AddRoad(100), b = AddRoad(200);
  ASSERT_EQ(1, FN(mapLogCommitAction)(map_, 0));
  const LONG first = FN(mapLogCount)(map_, 0);

  ASSERT_EQ(1, FN(mapLogCreateAction)(map_, 0, 101));
  const HOBJ object = FN(mapCreateObject)(map_, 1, 0, 0);
  ASSERT_EQ(object, FN(mapReadObjectByNumber)(map_, 0, object, 1, a));
  ASSERT_EQ(1, FN(mapUpdatePointPlane)(object, kX0 + 150, kY0, 1, 0));
  ASSERT_EQ(1, FN(mapUpdatePointPlane)(object, kX0 + 150, kY0 + 500, 2, 0));
  ASSERT_EQ(a, FN(mapCommit)(object));
  ASSERT_EQ(object, FN(mapReadObjectByNumber)(map_, 0, object, 1, b));
  ASSERT_EQ(1, FN(mapDeleteObject)(object));
  FN(mapFreeObject)(object);
  const LONG c = AddRoad(300);
  ASSERT_EQ(1, FN(mapLogCommitAction)(map_, 0));
  const LONG second = FN(mapLogCount)(map_, 0);
  ASSERT_EQ(first + 1, second);
  EXPECT_EQ("150", Road(a));
  EXPECT_EQ("deleted", Road(b));
  EXPECT_EQ("300", Road(c));

  ACTIONHEAD head = {};
  std::vector<ACTIONRECORD> records = Records(first, &head);
  EXPECT_EQ(100, head.Type);
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(1, records[0].Operation);
  EXPECT_EQ(DWORD(a), records[0].Number);
  EXPECT_EQ(DWORD(Key(a)), records[0].Key);
  EXPECT_EQ(1, records[0].List);
  EXPECT_EQ(DWORD(b), records[1].Number);
  records = Records(second, &head);
  EXPECT_EQ(101, head.Type);
  ASSERT_EQ(3u, records.size());
  EXPECT_EQ(4, records[0].Operation);
  EXPECT_EQ(DWORD(a), records[0].Number);
  EXPECT_NE(0u, records[0].Backup);
  EXPECT_EQ(2, records[1].Operation);
  EXPECT_EQ(DWORD(b), records[1].Number);
  EXPECT_EQ(DWORD(Key(b)), records[1].Key);
  EXPECT_EQ(1, records[2].Operation);
  EXPECT_EQ(DWORD(c), records[2].Number);
  for (const ACTIONRECORD& r : records) EXPECT_EQ(1, r.Parts & 1);

  // The newest action first: three records undone.
  EXPECT_EQ(second, FN(mapReadLastAction)(map_, 0, &head));
  EXPECT_EQ(3, FN(mapLogAbolitionLastAction)(map_, 0));
  EXPECT_EQ("100", Road(a));
  EXPECT_EQ("200", Road(b));
  EXPECT_EQ("deleted", Road(c));
  ASSERT_GT(FN(mapLogReadAction)(map_, 0, second, &head), 0);
  EXPECT_EQ(0x7FFE, head.Ident);
  // The undo is journalled as an action of its own, which undo passes by.
  const LONG undone = FN(mapLogCount)(map_, 0);
  EXPECT_GT(undone, second);
  ASSERT_GT(FN(mapLogReadAction)(map_, 0, undone, &head), 0);
  EXPECT_EQ(60005, head.Type);
  EXPECT_EQ(first, FN(mapReadLastAction)(map_, 0, &head));

  // Then the action before it; then nothing is left.
  EXPECT_EQ(2, FN(mapLogAbolitionLastAction)(map_, 0));
  EXPECT_EQ("deleted", Road(a));
  EXPECT_EQ("deleted", Road(b));
  EXPECT_EQ("deleted", Road(c));
  EXPECT_EQ(0, FN(mapReadLastAction)(map_, 0, &head));
  EXPECT_EQ(0, FN(mapLogAbolitionLastAction)(map_, 0));

  // The journal says the same once the map is opened again.
  ASSERT_NO_FATAL_FAILURE(Reopen());
  EXPECT_EQ(0, FN(mapReadLastAction)(map_, 0, &head));
  for (LONG n : {first, second}) {
    ASSERT_GT(FN(mapLogReadAction)(map_, 0, n, &head), 0) << n;
    EXPECT_EQ(0x7FFE, head.Ident) << n;
  }
}

// Null and foreign handles are refused with 0 and write nothing.
TEST_F(JournalApi, EveryFunctionRefusesNullAndForeignHandles) {
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/mapstore_api.h", "HMAP");
  ASSERT_GE(functions.size(), 13u);
  const LONG count = FN(mapLogCount)(map_, 0);
  std::vector<uint64_t> invented(8192, 0x5A5A5A5A5A5A5A5Aull);
  const intptr_t handles[] = {0, reinterpret_cast<intptr_t>(invented.data())};
  CallWithHandles(functions, {std::begin(handles), std::end(handles)}, ExpectRefusal);
  for (const uint64_t word : invented) ASSERT_EQ(0x5A5A5A5A5A5A5A5Aull, word);
  EXPECT_EQ(count, FN(mapLogCount)(map_, 0));
}

}  // namespace
