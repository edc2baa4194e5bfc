// Writers sharing one sheet. In edit mode the sheet lock lies past the
// descriptor file's end, so a writer that waited for it while the end moved
// must take it again at the new end; two processes appending at once both
// get every object, each under a number of its own. A writer outside edit
// mode beside one in edit mode cuts the reserves its files grew by only
// under the lock and only as far as the files still end where it left
// them. A file cut short by someone else under a writer loses none of the
// objects appended after. A reader that read the header before another
// writer appended walks the chain through the objects appended. Openers of one map that write groups (two
// documents of one process, or two processes) never hand out one group
// number twice.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/system.h"
#include "platform/vfs_fault.h"
#include "support/process_descriptors.h"
#include "support/scratch_dir.h"
#include "support/writerprocess.h"

using namespace objtest;
using namespace writertest;

namespace {

enum : DWORD { LOCK_DISTANCE = 0x18000, LOCK_LENGTH = 256 };
// The write turn's byte: 4 GB and 0x1000 into the descriptor file's range.
enum : DWORD { TURN_OFFSET_LOW = 0x1000, TURN_OFFSET_HIGH = 1 };

const int kLocals[] = {LOCAL_LINE,  LOCAL_POLYGON, LOCAL_POINT,
                       LOCAL_TITLE, LOCAL_VECTOR,  LOCAL_MIXED};

int64_t Length(const std::string& path) {
  HANDLE h = plat::CreateFileA(path.c_str(), GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  const int64_t length = plat::FileLength(h);
  plat::CloseHandle(h);
  return length;
}

// The orders of the stepped writers of the tests below, with the object
// (or the edit mode, for OPEN; the group for the group orders; the sheet
// for SHEET) they name.
enum : int32_t {
  OPEN = 1, APPEND, UPDATE, DRAW, DELETE, READ, CLOSE, GROUP, REGROUP, READGROUP, SHEET, GROW
};
constexpr int kUpdated = 50000;  // an object updated holds the records of its number + this

// The metric of a line of the tests grown by one point (longer than the
// one it replaces, so it moves to the metric file's end).
Bytes GrownMetric(int n) {
  const double x = 100 + n;
  return Metric(METRIC_I32, {{{x, 300}, {x + 100, 300}, {x + 100, 500}, {x, 500}, {x, 400},
                              {x, 300}}});
}

// Rewrites the metric of object n of the open sheet alone with GrownMetric:
// n, 0 when refused.
int GrowObject(TMap& map, int n) {
  const FVSPR* stored = map.List.ObjectDesc(n);
  if (stored == nullptr) return 0;
  FVSPR d = *stored;
  Bytes metric = GrownMetric(n);
  return map.UpdateObject(n, &d, As<LONGMETRIC>(metric), nullptr, nullptr);
}

// The semantics RewriteSemanticsAndClose writes.
Bytes NewSemantics() { return Semantics(7, 606); }

// Rewrites the semantics alone of object n with the descriptor `seen`, read
// before another writer changed the object, and closes the map: n, 0 when
// refused or not closed.
int RewriteSemanticsAndClose(TMap& map, int n, const FVSPR& seen) {
  FVSPR stale = seen;
  Bytes semn = NewSemantics();
  const int written = map.UpdateObject(n, &stale, nullptr, As<SEMANTIC>(semn), nullptr);
  return map.CloseData() == 1 ? written : 0;
}

// One step of a stepped writer on `map` (the map at `path`): the result of
// the order, 0 when refused.
int32_t WriterStep(TMap& map, const std::string& path, const Order& o) {
  switch (o.what) {
    case OPEN:
      if (!map.OpenData(path.c_str(), 0)) return 0;
      if (o.arg) map.WorkMode(1);
      return map.OpenList(1) == 1;
    case APPEND: return AppendObject(map, o.arg, kLocals[o.arg % 6]);
    case UPDATE: return UpdateObject(map, o.arg, o.arg + kUpdated);
    case DRAW: {
      // Its graphics again, as the object is read now (its descriptor from
      // this writer's cache).
      const IMGDRAW* stored = map.List.ObjectDrawAddr(o.arg);
      if (stored == nullptr) return 0;
      const char* bytes = reinterpret_cast<const char*>(stored);
      std::vector<char> draw(bytes, bytes + stored->Length);
      return map.UpdateObjectDraw(o.arg, reinterpret_cast<IMGDRAW*>(draw.data()));
    }
    case DELETE: return DeleteObject(map, o.arg);
    case READ: {
      // The key of the object as this writer reads it (0: none).
      const FVSPR* desc = map.List.ObjectDesc(o.arg);
      return desc != nullptr ? int32_t(desc->Key) : 0;
    }
    case CLOSE: return map.CloseData() == 1;
    // A new group of that id: its number.
    case GROUP: return AppendGroup(map, o.arg);
    // Group n rewritten as a wide group (it moves): n.
    case REGROUP: return RewriteGroup(map, o.arg, kWideGroup + o.arg);
    case READGROUP: {
      // The id of group n as this writer reads it (0: unreadable).
      TObjectGroup group;
      if (group.ReadGroup(&map, o.arg) <= 0 || group.Total() == 0) return 0;
      return int32_t(group.ObjectKeyNumber(1, 1).Key / 1000);
    }
    case SHEET: return map.OpenList(o.arg) == 1;
    case GROW: return GrowObject(map, o.arg);
    default: return 0;
  }
}

class SheetRace : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
    ASSERT_TRUE(CreateTestMap(dir.path()));
  }
  void TearDown() override {
    plat::SetSleepHook(nullptr, nullptr);
    MessageEnableSet(messages_);
  }
  std::string Path() const { return dir / "map.map"; }
  // Two stepped writers of the map, each a process of its own working on
  // its own copy of `map` (WriterStep).
  void StartWriters(TMap& map, Stepper& plain, Stepper& edit) {
    auto writer = [this, &map](const Order& o) { return WriterStep(map, Path(), o); };
    plain = StartStepper(writer);
    edit = StartStepper(writer);
    ASSERT_GT(plain.pid, 0);
    ASSERT_GT(edit.pid, 0);
  }
  // Has stepped writer `w` append object `id`: its number, noted in
  // `held` (number: id), which must not hold it yet.
  static int AppendHeld(const Stepper& w, std::map<int, int>& held, int id) {
    const int n = Step(w, {APPEND, id});
    EXPECT_GT(n, 0) << "id " << id;
    EXPECT_TRUE(n <= 0 || held.emplace(n, id).second) << "number " << n << " given twice";
    return n;
  }
  // Closes the map of the writer in edit mode and stops both writers.
  static void StopWriters(Stepper& plain, Stepper& edit) {
    ASSERT_EQ(1, Step(edit, {CLOSE, 0}));
    EXPECT_EQ(0, StopStepper(plain));
    EXPECT_EQ(0, StopStepper(edit));
  }
  bool Open(TMap& map, int edit, const std::string& path = "") {
    if (!map.OpenData((path.empty() ? Path() : path).c_str(), 0)) return false;
    if (edit) map.WorkMode(1);
    return map.OpenList(1) == 1;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  int messages_ = 1;
};

// While B waits for the lock, A appends six objects (the end moves past the
// lock's 256 bytes) and a writer is left holding the lock at the new end:
// B may go on only once that writer lets go.
struct Waiting {
  TMap* a;
  HANDLE other;
  DWORD first, moved;  // the lock ranges the other writer holds in turn
  int sleeps = 0;
  bool released = false;
};

void WhileWaiting(DWORD, void* context) {
  Waiting& w = *static_cast<Waiting*>(context);
  ++w.sleeps;
  if (w.sleeps == 1) {
    plat::UnlockFile(w.other, w.first, 0, LOCK_LENGTH, 0);
    for (int i = 0; i < 6; ++i) EXPECT_NE(0, AppendObject(*w.a, 10 + i, LOCAL_LINE));
    w.moved = DWORD(plat::FileLength(w.other)) + LOCK_DISTANCE;
    EXPECT_TRUE(plat::LockFile(w.other, w.moved, 0, LOCK_LENGTH, 0));
  } else if (w.sleeps == 2) {
    plat::UnlockFile(w.other, w.moved, 0, LOCK_LENGTH, 0);
    w.released = true;
  }
}

TEST_F(SheetRace, TheLockIsTakenAgainWhenTheEndMovedWhileWaiting) {
  TMap a, b;
  ASSERT_TRUE(Open(a, 1));
  ASSERT_TRUE(Open(b, 1));
  ASSERT_EQ(1, AppendObject(a, 1, LOCAL_LINE));
  HANDLE other = plat::CreateFileA((dir / "S1.HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  Waiting w{&a, other, DWORD(plat::FileLength(other)) + LOCK_DISTANCE, 0};
  ASSERT_TRUE(plat::LockFile(other, w.first, 0, LOCK_LENGTH, 0));
  plat::SetSleepHook(WhileWaiting, &w);

  EXPECT_EQ(8, AppendObject(b, 2, LOCAL_LINE));
  EXPECT_TRUE(w.released) << "appended while the lock at the end was held";
  EXPECT_EQ(2, w.sleeps);
  EXPECT_EQ(w.moved, b.List.LockOffset);
  plat::SetSleepHook(nullptr, nullptr);
  plat::CloseHandle(other);
  EXPECT_EQ("", CheckObject(b.List, 8, 2));
  EXPECT_EQ("", CheckChain(b.List));
}

// The writers' lock waits: really sleeping (the other writer is another
// process), but the journal's second between tries is cut to the sheet
// lock's pause.
void ShortPause(DWORD milliseconds, void*) { usleep(std::min<DWORD>(milliseconds, 10) * 1000); }

// A count of the writes of the writer processes of a test, in memory they
// share (made before they start): each raises it after every write.
std::atomic<int>* SharedMoves() {
  void* memory = mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : new (memory) std::atomic<int>(0);
}

// The writers' lock waits when the writers run freely: no sleep, only until
// another writer has written once more (it let the lock go meanwhile), so
// that the two take turns object by object. A writer that stopped moving
// is waited for a second at most.
void UntilAnotherMoves(DWORD, void* context) {
  const auto* moves = static_cast<const std::atomic<int>*>(context);
  const int seen = moves->load();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (moves->load() == seen && std::chrono::steady_clock::now() < until) sched_yield();
}

// A writer's clock where the pauses only wait for another writer to move:
// a millisecond for each write it acknowledges, and a pause's length for
// each pause, so that a turn it keeps across a run of writes is given back
// after as many writes, or pauses, as it is after as many milliseconds.
std::atomic<int64_t> g_moveClock{0};
plat::ClockReading MoveClock(void*) { return {g_moveClock.load() * 10000, 0}; }
void TickUntilAnotherMoves(DWORD pause, void* context) {
  g_moveClock += pause;
  UntilAnotherMoves(pause, context);
}

// In a writer process of RunWriters: the read end of the start pipe.
int g_start = -1;
// In a writer process: waits for the start, which comes once every writer
// of the round has been started (the read returns when the parent closes
// the pipe). False when something else came.
bool AwaitStart() {
  char go;
  return read(g_start, &go, 1) == 0;
}

// Writer processes started together: writer w runs `body(w, acks)`, which
// opens its map and then waits for the others (AwaitStart), so that all
// of them begin to write at once. The acknowledgements of each writer in
// its own order, once every writer has ended (each with 0).
std::vector<std::vector<Ack>> RunWriters(int count, int round,
                                         const std::function<int(int, int)>& body) {
  std::vector<std::vector<Ack>> acks(static_cast<size_t>(count));
  int start[2];
  if (pipe(start) != 0) {
    ADD_FAILURE() << "no pipe";
    return acks;
  }
  std::vector<Child> writers;
  for (int w = 0; w < count; ++w) {
    writers.push_back(StartChild([&, w](int fd) {
      close(start[1]);
      g_start = start[0];
      return body(w, fd);
    }));
    EXPECT_GT(writers.back().pid, 0) << "round " << round;
  }
  close(start[0]);
  close(start[1]);
  for (int w = 0; w < count; ++w) {
    if (writers[w].pid <= 0) continue;
    acks[w] = ReadAcks(writers[w].acks);
    close(writers[w].acks);
    EXPECT_EQ(0, WaitChild(writers[w].pid)) << "round " << round;
  }
  return acks;
}

// Two processes append at once to one sheet in edit mode, 400 objects
// each; a few rounds, since how often the writers meet varies from run to
// run.
TEST_F(SheetRace, TwoProcessesAppendingInEditModeKeepEveryObject) {
  constexpr int kRounds = 4, kWriters = 2, kObjects = 400;
  std::vector<Ack> all;
  for (int round = 0; round < kRounds; ++round) {
    const auto acks = RunWriters(kWriters, round, [&](int w, int acks) {
      const int first = (round * kWriters + w) * kObjects;
      plat::SetSleepHook(ShortPause, nullptr);
      TMap map;
      if (!Open(map, 1)) return 2;
      if (!AwaitStart()) return 3;
      for (int i = 0; i < kObjects; ++i) {
        Ack ack{0, first + i, 0};
        const int local = i % 3 ? int(LOCAL_LINE) : int(LOCAL_POLYGON);
        ack.number = AppendObject(map, ack.id, local, &ack.key);
        if (!SendAck(acks, ack)) return 4;
      }
      map.CloseData();
      return 0;
    });
    for (const std::vector<Ack>& own : acks) {
      EXPECT_EQ(size_t(kObjects), own.size()) << "round " << round;
      all.insert(all.end(), own.begin(), own.end());
    }
  }

  std::set<int> numbers;
  std::set<DWORD> keys;
  int refused = 0;
  for (const Ack& a : all) {
    if (a.number == 0) {
      ++refused;
      continue;
    }
    EXPECT_TRUE(numbers.insert(a.number).second) << "number " << a.number << " given twice";
    EXPECT_TRUE(keys.insert(a.key).second) << "key " << a.key << " given twice";
  }
  EXPECT_EQ(0, refused);

  TMap map;
  ASSERT_TRUE(Open(map, 0));
  EXPECT_EQ(kRounds * kWriters * kObjects, map.List.Count());
  int lost = 0;
  for (const Ack& a : all)
    if (a.number != 0 && CheckObject(map.List, a.number, a.id) != "") ++lost;
  EXPECT_EQ(0, lost);
  EXPECT_EQ("", CheckChain(map.List));
}

// A writer outside edit mode and one in edit mode, each in a process of
// its own, in steps the test interleaves: the first appends (its files grow
// ahead of its records), the second appends past those reserves and puts
// its descriptors into the descriptor file's reserve, the first rewrites a
// title of its own (longer: placed anew) and closes the map, cutting its
// reserves off. Every object acknowledged to either reads back, and the
// sheet opens with its count and its descriptors agreeing.
TEST_F(SheetRace, AWriterOutsideEditModeBesideOneInEditModeLosesNothing) {
  TMap map;  // each child works on its own copy
  Stepper plain, edit;
  ASSERT_NO_FATAL_FAILURE(StartWriters(map, plain, edit));
  std::map<int, int> held;  // object number: the id of the records it holds
  auto append = [&](const Stepper& w, int id) { return AppendHeld(w, held, id); };
  ASSERT_EQ(1, Step(edit, {OPEN, 1}));
  for (int round = 0; round < 3; ++round) {
    const int id = round * 100;
    ASSERT_EQ(1, Step(plain, {OPEN, 0})) << "round " << round;
    int title = 0;
    for (int k = 0; k < 6; ++k) {
      const int n = append(plain, id + k);
      if (kLocals[(id + k) % 6] == LOCAL_TITLE) title = n;
    }
    for (int k = 0; k < 3; ++k) append(edit, id + 50 + k);
    ASSERT_EQ(title, Step(plain, {UPDATE, title})) << "round " << round;
    held[title] = title + kUpdated;
    for (int k = 3; k < 5; ++k) append(edit, id + 50 + k);
    ASSERT_EQ(1, Step(plain, {CLOSE, 0})) << "round " << round;
  }
  ASSERT_NO_FATAL_FAILURE(StopWriters(plain, edit));

  TMap check;
  ASSERT_TRUE(Open(check, 0));
  EXPECT_EQ(int(held.size()), check.List.Count());
  for (const auto& [n, id] : held) EXPECT_EQ("", CheckObject(check.List, n, id));
  EXPECT_EQ("", CheckChain(check.List));
}

// A writer outside edit mode leaves sheet 1 for sheet 2, sheet 1 keeping
// its files grown ahead of its records, while a writer in edit mode, each
// in a process of its own, appends to sheet 1 past those reserves and puts
// its descriptors into the descriptor file's reserve. The first comes back
// to sheet 1, appends, rewrites a title of its own (longer: placed anew)
// and closes the map, cutting its reserves off where the files still end
// where it left them. Every object acknowledged to either reads back on its
// sheet, and each sheet opens with its count and its descriptors agreeing.
TEST_F(SheetRace, AWriterOutsideEditModeComingBackToASheetLosesNothing) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  TMap map;  // each child works on its own copy
  Stepper plain, edit;
  ASSERT_NO_FATAL_FAILURE(StartWriters(map, plain, edit));
  std::map<int, int> held[3];  // by sheet, object number: the id of its records
  auto append = [&](const Stepper& w, int sheet, int id) {
    return AppendHeld(w, held[sheet], id);
  };
  ASSERT_EQ(1, Step(edit, {OPEN, 1}));
  for (int round = 0; round < 3; ++round) {
    const int id = round * 100;
    ASSERT_EQ(1, Step(plain, {OPEN, 0})) << "round " << round;
    int title = 0;
    for (int k = 0; k < 6; ++k) {
      const int n = append(plain, 1, id + k);
      if (kLocals[(id + k) % 6] == LOCAL_TITLE) title = n;
    }
    ASSERT_EQ(1, Step(plain, {SHEET, 2})) << "round " << round;
    for (int k = 6; k < 9; ++k) append(plain, 2, id + k);
    for (int k = 0; k < 3; ++k) append(edit, 1, id + 50 + k);
    ASSERT_EQ(1, Step(plain, {SHEET, 1})) << "round " << round;
    for (int k = 9; k < 11; ++k) append(plain, 1, id + k);
    ASSERT_EQ(title, Step(plain, {UPDATE, title})) << "round " << round;
    held[1][title] = title + kUpdated;
    for (int k = 3; k < 5; ++k) append(edit, 1, id + 50 + k);
    ASSERT_EQ(1, Step(plain, {CLOSE, 0})) << "round " << round;
  }
  ASSERT_NO_FATAL_FAILURE(StopWriters(plain, edit));

  TMap check;
  ASSERT_TRUE(Open(check, 0));
  for (int sheet = 1; sheet <= 2; ++sheet) {
    ASSERT_EQ(1, check.OpenList(sheet));
    EXPECT_EQ(int(held[sheet].size()), check.List.Count()) << sheet;
    for (const auto& [n, id] : held[sheet]) EXPECT_EQ("", CheckObject(check.List, n, id));
    EXPECT_EQ("", CheckChain(check.List)) << sheet;
    EXPECT_EQ((check.List.Count() + 1) * 48,
              Length(dir / ("S" + std::to_string(sheet) + ".HDR")))
        << sheet;
  }
}

// Two documents of one process edit a map of two sheets. The first leaves
// sheet 1 for sheet 2, keeping what it read of sheet 1; the second deletes
// an object of sheet 1 and writes another one again in its place (neither
// changes the sheet's header). Coming back to sheet 1, the first reads both
// as the files hold them now.
TEST_F(SheetRace, ADocumentComingBackToASheetSeesTheOtherOnesWritesInPlace) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  TMap a, b;
  ASSERT_TRUE(Open(a, 1));
  for (int id = 1; id <= 3; ++id) ASSERT_EQ(id, AppendObject(a, id, LOCAL_LINE));
  ASSERT_TRUE(Open(b, 1));
  const WORD code = a.List.ObjectDesc(3)->Code;
  for (const bool idle : {true, false}) {
    ASSERT_NE(nullptr, a.List.ObjectDesc(2));
    ASSERT_NE(nullptr, a.List.ObjectDesc(3));
    ASSERT_EQ(1, a.OpenList(2));
    if (!idle) {
      ASSERT_EQ(2, b.DeleteObject(2));
      ASSERT_NE(nullptr, b.List.ObjectDesc(3));
      FVSPR three = *b.List.ObjectDesc(3);
      ++three.Code;
      ASSERT_EQ(3, b.UpdateObject(3, &three, nullptr, nullptr, nullptr));
    }
    ASSERT_EQ(1, a.OpenList(1));
    const FVSPR* two = a.List.ObjectDesc(2);
    ASSERT_NE(nullptr, two);
    EXPECT_EQ(!idle, FvsprIsDeleted(two)) << idle;
    const FVSPR* three = a.List.ObjectDesc(3);
    ASSERT_NE(nullptr, three);
    EXPECT_EQ(idle ? code : code + 1, three->Code) << idle;
  }
}

// Two processes raise the map's change counter at once, as each change of
// theirs does: each raise is made from the file's value under its lock, so
// no value is given twice and none is lost.
TEST_F(SheetRace, TwoProcessesRaisingTheCounterNeverGiveItOneValue) {
  constexpr int kRaises = 400;
  DWORD start = 0;
  {
    TMap map;
    ASSERT_TRUE(Open(map, 1));
    start = map.Passport.ModeCounter;
  }
  const auto acks = RunWriters(2, 0, [&](int, int acks) {
    plat::SetSleepHook(ShortPause, nullptr);
    TMap map;
    if (!Open(map, 1)) return 2;
    if (!AwaitStart()) return 3;
    for (int i = 0; i < kRaises; ++i)
      if (!SendAck(acks, Ack{map.UpdateMode(), i, 0})) return 4;
    return 0;
  });
  std::set<int32_t> given;
  for (const std::vector<Ack>& own : acks) {
    EXPECT_EQ(size_t(kRaises), own.size());
    for (const Ack& a : own) EXPECT_TRUE(given.insert(a.number).second) << a.number << " twice";
  }
  TMap check;
  ASSERT_TRUE(Open(check, 0));
  EXPECT_EQ(start + 2 * kRaises, check.Passport.ModeCounter);
}

// The counter of the map file is raised by an atomic addition in a view of
// the file's pages that every process maps alike: a raise makes no file
// operation once the view is made (the mapping counted by the fault layer,
// which lets views in), and another opener reads the new value at once.
TEST_F(SheetRace, ARaiseIsAnAdditionInAViewEveryOpenerSees) {
  TMap a, b;
  ASSERT_TRUE(Open(a, 0));
  ASSERT_TRUE(Open(b, 1));
  plat::FaultVfs count;
  count.AllowViews(true);
  plat::ScopedVfs use(&count);
  const int first = a.UpdateMode();
  EXPECT_LE(count.Count(plat::VfsOp::Any), 1);
  count.Reset();
  for (int i = 1; i <= 100; ++i) ASSERT_EQ(first + i, a.UpdateMode());
  EXPECT_EQ(0, count.Count(plat::VfsOp::Any));
  EXPECT_EQ(0, b.CheckMode());
  EXPECT_EQ(-1, b.AdjustData());
  EXPECT_EQ(DWORD(first + 100), b.Passport.ModeCounter);
  EXPECT_EQ(1, a.CheckMode());
}

// Where the counter is raised under its lock (here the fault layer keeps
// views out), a writer stopped between its read and its write of the
// counter holds the lock past a raise's wait: that raise neither reads nor
// writes, and is owed. The change that needed it is in the files and is
// reported made (a host that tried again would make it twice). The
// stopped writer gives the value it read plus one; the owed raise, made at
// the next change of sheet, moves the counter past it. The counter never
// goes back, no value is given twice, and the document whose raise waited
// sees that the map changed under it.
TEST_F(SheetRace, ARaiseThatCannotHaveTheCounterLockIsOwed) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  TMap a;
  ASSERT_TRUE(Open(a, 0));
  plat::FaultVfs locks;
  plat::ScopedVfs use(&locks);
  const DWORD mine = DWORD(a.UpdateMode());
  HANDLE stopped = plat::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, stopped);
  auto inFile = [&] {
    DWORD counter = 0;
    EXPECT_TRUE(plat::ReadExactAt(stopped, 20, &counter, 4));
    return counter;
  };
  ASSERT_TRUE(plat::LockFile(stopped, 20, 0, 4, 0));
  const DWORD read = inFile();
  ASSERT_EQ(mine, read);
  int waits = 0;
  plat::SetSleepHook([](DWORD, void* waited) { ++*static_cast<int*>(waited); }, &waits);
  EXPECT_EQ(1, AppendObject(a, 1, LOCAL_LINE)) << "a change made, its raise owed";
  EXPECT_EQ(1, a.List.Count());
  EXPECT_GT(waits, 0);
  EXPECT_EQ(read, inFile()) << "raised without the lock";
  const DWORD given = read + 1;
  ASSERT_TRUE(plat::WriteExactAt(stopped, 20, &given, 4));
  ASSERT_TRUE(plat::UnlockFile(stopped, 20, 0, 4, 0));
  EXPECT_EQ(0, a.CheckMode()) << "the stopped writer's change went unseen";
  ASSERT_EQ(1, a.OpenList(2));
  EXPECT_EQ(given + 1, inFile());
  EXPECT_EQ(given + 1, a.Passport.ModeCounter);
  plat::CloseHandle(stopped);
}

// The word of the passport that tells of raisers on the lock way.
DWORD LockWayMark(const std::string& path) {
  DWORD mark = 0xFFFFFFFF;
  HANDLE h = plat::CreateFileA(path.c_str(), GENERIC_READ, 3, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return mark;
  if (!plat::ReadExactAt(h, 28, &mark, 4)) mark = 0xFFFFFFFF;
  plat::CloseHandle(h);
  return mark;
}

// A writer that cannot have a view of the map file (a file system that
// cannot map, as the platform answers ENODEV; no address space) raises the
// counter under its lock, beside openers that raise it in their views:
// each of its changes is told, the raises of both ways take turns, and the
// mark it set for the views is gone once it has closed.
TEST_F(SheetRace, AWriterWithoutAViewRaisesTheCounterUnderTheLock) {
  for (const DWORD refusal : {DWORD(ERROR_NOT_SUPPORTED), DWORD(ERROR_NOT_ENOUGH_MEMORY)}) {
    SCOPED_TRACE(refusal);
    TMap reader, viewer, a;
    ASSERT_TRUE(Open(reader, 0));
    ASSERT_TRUE(Open(viewer, 0));
    {
      plat::FaultVfs refuse;
      refuse.AllowViews(true);
      plat::VfsFaultMode always;
      always.persist = true;
      always.error = refusal;
      refuse.Fail(plat::VfsOp::Map, 1, always);
      plat::ScopedVfs use(&refuse);
      ASSERT_TRUE(Open(a, 0));
      ASSERT_LT(0, AppendObject(a, 1, LOCAL_LINE));
    }
    EXPECT_EQ(0, reader.CheckMode()) << "a change nobody is told of";
    EXPECT_EQ(1u, LockWayMark(Path()));
    const int first = a.UpdateMode();
    EXPECT_EQ(first + 1, viewer.UpdateMode());
    EXPECT_EQ(first + 2, a.UpdateMode());
    a.CloseData();
    EXPECT_EQ(0u, LockWayMark(Path()));
    // A mark left by a writer that ended without leaving the lock way (it
    // was killed) is cleared by the next raise in a view.
    HANDLE killed = plat::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD mark = 1;
    ASSERT_TRUE(plat::WriteExactAt(killed, 28, &mark, 4));
    plat::CloseHandle(killed);
    EXPECT_LT(first + 2, viewer.UpdateMode());
    EXPECT_EQ(0u, LockWayMark(Path()));
    // The views raise alone again: no lock, no file operation.
    plat::FaultVfs count;
    count.AllowViews(true);
    plat::ScopedVfs use(&count);
    EXPECT_LT(first + 2, viewer.UpdateMode());
    EXPECT_EQ(0, count.Count(plat::VfsOp::Any));
  }
}

// Writers on both ways at once, each in a process of its own: two raise
// the counter in their views, one under the lock because the fault layer
// keeps views out, one because it cannot have a view for want of memory.
// The views raise for as long as the others do, and the others go on until
// each view has raised a few times, however the processes are scheduled.
// No value is given twice, the counter moves by the raises made, and the
// mark is gone at the end.
TEST_F(SheetRace, RaisersInViewsAndUnderTheLockNeverGiveOneValue) {
  constexpr int kWriters = 4, kLockRaises = 3000, kViewLeast = 100, kMost = 100000;
  struct Shared {
    std::atomic<int> lockDone;
    std::atomic<int> count[kWriters];
    DWORD given[kWriters][kMost];
  };
  void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                      -1, 0);
  ASSERT_NE(MAP_FAILED, memory);
  Shared& shared = *new (memory) Shared();
  DWORD start = 0;
  {
    TMap map;
    ASSERT_TRUE(Open(map, 0));
    start = map.Passport.ModeCounter;
  }
  RunWriters(kWriters, 0, [&](int w, int) {
    plat::SetSleepHook([](DWORD, void*) { sched_yield(); }, nullptr);
    plat::FaultVfs faults;
    faults.AllowViews(w == 3);
    plat::VfsFaultMode always;
    always.persist = true;
    always.error = ERROR_NOT_ENOUGH_MEMORY;
    faults.Fail(plat::VfsOp::Map, 1, always);
    std::optional<plat::ScopedVfs> use;
    if (w >= 2) use.emplace(&faults);
    TMap map;
    if (!Open(map, 0)) return 2;
    if (!AwaitStart()) return 3;
    const bool lockWay = w >= 2;
    for (int i = 0; i < kMost; ++i) {
      if (!lockWay && shared.lockDone.load() == 2) break;
      if (lockWay && i >= kLockRaises && shared.count[0].load() >= kViewLeast &&
          shared.count[1].load() >= kViewLeast)
        break;
      bool raised = false;
      const DWORD value = map.RaiseChangeCounter(false, &raised);
      if (raised) shared.given[w][shared.count[w]++] = value;
    }
    if (lockWay) ++shared.lockDone;
    return map.CloseData() == 1 ? 0 : 4;
  });
  std::set<DWORD> given;
  int raises = 0, twice = 0;
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_GT(shared.count[w].load(), 0) << "writer " << w;
    for (int i = 0; i < shared.count[w]; ++i, ++raises)
      twice += given.insert(shared.given[w][i]).second ? 0 : 1;
  }
  EXPECT_EQ(0, twice) << "values given twice";
  TMap check;
  ASSERT_TRUE(Open(check, 0));
  EXPECT_EQ(start + DWORD(raises), check.Passport.ModeCounter);
  EXPECT_EQ(0u, LockWayMark(Path()));
  munmap(memory, sizeof(Shared));
}

// Another writer appends an object to sheet 1 while a document works on
// sheet 2, in this process or another: the document counts it from sheet 2,
// and once back on sheet 1, where it reads it.
TEST_F(SheetRace, AnObjectAnotherWriterAppendedIsCounted) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  {
    TMap fill;
    ASSERT_TRUE(Open(fill, 0));
    for (int id = 1; id <= 8; ++id) ASSERT_EQ(id, AppendObject(fill, id, LOCAL_LINE));
  }
  int count = 8;
  for (const bool otherProcess : {false, true}) {
    SCOPED_TRACE(otherProcess ? "another process" : "this process");
    TMap r;
    ASSERT_TRUE(Open(r, 0));
    ASSERT_EQ(count, r.GetObjectCount(1));
    ASSERT_EQ(1, r.OpenList(2));
    ASSERT_EQ(count, r.GetObjectCount(1));
    ASSERT_EQ(1, r.OpenList(2));
    ++count;
    if (otherProcess) {
      TMap copy;
      Stepper w = StartStepper([&](const Order& o) { return WriterStep(copy, Path(), o); });
      ASSERT_GT(w.pid, 0);
      ASSERT_EQ(1, Step(w, {OPEN, 0}));
      ASSERT_EQ(count, Step(w, {APPEND, count}));
      ASSERT_EQ(1, Step(w, {CLOSE, 0}));
      EXPECT_EQ(0, StopStepper(w));
    } else {
      TMap w;
      ASSERT_TRUE(Open(w, 0));
      ASSERT_EQ(count, AppendObject(w, count, LOCAL_LINE));
    }
    EXPECT_EQ(count, r.GetObjectCount(1));
    ASSERT_EQ(1, r.OpenList(2));
    ASSERT_EQ(1, r.OpenList(1));
    EXPECT_EQ("", CheckObject(r.List, count, count));
    EXPECT_EQ(count, r.GetObjectCount(1));
  }
}

// Documents A and B opened the sheet (its header read) before W appended
// three polygons to it, each linked between the last polygon and the first
// line, in descriptors their caches had not read. A walks the chain
// forwards and B backwards: each meets every object, those W appended
// too, once, in one order.
TEST_F(SheetRace, AWalkPastObjectsAnotherWriterAppendedMeetsEveryObject) {
  constexpr int kPolygons = 2050, kCount = kPolygons + 50;
  {
    TMap fill;
    ASSERT_TRUE(Open(fill, 0));
    for (int id = 1; id <= kCount; ++id)
      ASSERT_EQ(id, AppendObject(fill, id, id <= kPolygons ? LOCAL_POLYGON : LOCAL_LINE));
  }
  TMap a, b, w;
  ASSERT_TRUE(Open(a, 0));
  ASSERT_TRUE(Open(b, 0));
  ASSERT_TRUE(Open(w, 0));
  for (int id = kCount + 1; id <= kCount + 3; ++id)
    ASSERT_EQ(id, AppendObject(w, id, LOCAL_POLYGON));
  ASSERT_EQ(kCount, a.List.Count());
  std::vector<int> forwards;
  EXPECT_EQ("", CheckChain(a.List, &forwards));
  EXPECT_EQ(kCount + 3, a.List.Count());
  std::vector<int> backwards;
  for (const FVSPR* d = b.List.LastHead(); d != nullptr; d = b.List.PrevHead())
    backwards.push_back(b.List.CurrentObject);
  std::reverse(backwards.begin(), backwards.end());
  EXPECT_EQ(forwards, backwards);
}

// Document R keeps what it read of sheet 1 while it works on sheet 2;
// meanwhile W rewrites object 6 of sheet 1 with one more point (its metric
// moves to the file's end). Coming back, R reads the object as W left it
// (W has not even saved yet); and once W has closed the map, R's change to
// the object's semantics alone, made with the descriptor R read before
// W's change, keeps W's metric: the places of the records not given are
// the file's. In every pair of edit mode on and off, with W a document of
// the same process or of another process.
class KeptSheetRace : public SheetRace,
                      public ::testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(KeptSheetRace, AReturningDocumentReadsAndKeepsWhatAnotherWriterChanged) {
  const auto [readerEdit, writerEdit, otherProcess] = GetParam();
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  {
    TMap fill;
    ASSERT_TRUE(Open(fill, 0));
    for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(fill, id, LOCAL_LINE));
  }
  TMap r;
  ASSERT_TRUE(Open(r, readerEdit));
  ASSERT_NE(nullptr, r.List.ObjectDesc(6));
  const FVSPR seen = *r.List.ObjectDesc(6);
  ASSERT_NE(nullptr, r.List.DataAddr(seen.DataOffset));

  TMap here, copy;  // W in this process, or the child's own
  Stepper elsewhere;
  if (otherProcess) {
    elsewhere = StartStepper([&](const Order& o) { return WriterStep(copy, Path(), o); });
    ASSERT_GT(elsewhere.pid, 0);
    ASSERT_EQ(1, Step(elsewhere, {OPEN, writerEdit}));
    ASSERT_EQ(6, Step(elsewhere, {GROW, 6}));
  } else {
    ASSERT_TRUE(Open(here, writerEdit));
    ASSERT_EQ(6, GrowObject(here, 6));
  }
  const Bytes grown = GrownMetric(6);

  ASSERT_EQ(1, r.OpenList(2));
  ASSERT_EQ(1, r.OpenList(1));
  const FVSPR* back = r.List.ObjectDesc(6);
  ASSERT_NE(nullptr, back);
  const LONGMETRIC* metric = r.List.DataAddr(back->DataOffset);
  ASSERT_NE(nullptr, metric);
  EXPECT_EQ(0, std::memcmp(metric, grown.data(), grown.size())) << "served what W replaced";
  if (otherProcess) {
    ASSERT_EQ(1, Step(elsewhere, {CLOSE, 0}));
    EXPECT_EQ(0, StopStepper(elsewhere));
  } else {
    ASSERT_EQ(1, here.CloseData());
  }

  ASSERT_EQ(6, RewriteSemanticsAndClose(r, 6, seen));

  TMap fresh;
  ASSERT_TRUE(Open(fresh, 0));
  const FVSPR* now = fresh.List.ObjectDesc(6);
  ASSERT_NE(nullptr, now);
  const FVSPR d = *now;
  metric = fresh.List.DataAddr(d.DataOffset);
  ASSERT_NE(nullptr, metric);
  EXPECT_EQ(0, std::memcmp(metric, grown.data(), grown.size())) << "W's metric lost";
  const SEMANTIC* kept = fresh.List.SemnAddr(d.SemnOffset);
  ASSERT_NE(nullptr, kept);
  const Bytes semn = NewSemantics();
  EXPECT_EQ(0, std::memcmp(kept, semn.data(), semn.size()));
  EXPECT_EQ("", CheckChain(fresh.List));
}

INSTANTIATE_TEST_SUITE_P(ModePairs, KeptSheetRace,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()),
                         [](const auto& info) { return ModePairName(info.param); });

// R keeps what it read of sheet 1 of a map of 40 sheets, with a line on
// each, while it works on 19 others: its table keeps 24 sheets (the
// descriptor limit set so) and, in one variant, the caches of none of the
// sheets left. Meanwhile W, a document of this process or another process
// in edit mode, rewrites object 6 of sheet 1 with one more point, or
// nobody writes. Coming back to sheet 1 opens no file, and R reads the
// object as the files hold it. Going round the rest, the table keeps 24
// sheets, and the process holds no more descriptors for them.
class ManySheetsRace : public SheetRace,
                       public ::testing::WithParamInterface<std::tuple<int, bool>> {
 protected:
  void TearDown() override {
    plat::SetDescriptorLimit(0);
    TMapList::SetKeptCacheBytes(keptCaches_);
    SheetRace::TearDown();
  }
  const size_t keptCaches_ = TMapList::KeptCacheBytes();
};

enum { NOBODY, HERE, ELSEWHERE };
std::string WriterName(int writer) {
  return writer == NOBODY ? "Nobody" : writer == HERE ? "Here" : "Elsewhere";
}

using testsupport::OpenDescriptors;

TEST_P(ManySheetsRace, ASheetKeptAmongManyIsTakenBackOnlyAsTheFilesHoldIt) {
  const auto [writer, caches] = GetParam();
  constexpr int kSheets = 40, kKept = 24;
  ASSERT_TRUE(AddTestSheets(dir.path(), kSheets));
  {
    TMap fill;
    ASSERT_TRUE(Open(fill, 0));
    for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(fill, id, LOCAL_LINE));
    for (int sheet = 2; sheet <= kSheets; ++sheet) {
      ASSERT_EQ(1, fill.OpenList(sheet));
      ASSERT_EQ(1, AppendObject(fill, sheet, LOCAL_LINE));
    }
  }
  if (!caches) TMapList::SetKeptCacheBytes(0);
  const int kept = TMapList::KeptDescriptors();
  TMap r;
  ASSERT_TRUE(Open(r, 0));
  const int files = TMapList::KeptDescriptors() - kept;  // of one sheet
  const int before = OpenDescriptors();
  plat::SetDescriptorLimit(DWORD(2 * (kept + kKept * files)));
  const LONGMETRIC* read = r.List.ObjectDataAddr(6);
  ASSERT_NE(nullptr, read);
  const char* bytes = reinterpret_cast<const char*>(read);
  const Bytes original(bytes, bytes + read->Length);
  for (int sheet = 2; sheet < kKept - 4; ++sheet) {
    ASSERT_EQ(1, r.OpenList(sheet));
    ASSERT_NE(nullptr, r.List.ObjectDataAddr(1)) << sheet;
  }

  TMap here, copy;  // W in this process, or the child's own
  Stepper elsewhere;
  if (writer == ELSEWHERE) {
    elsewhere = StartStepper([&](const Order& o) { return WriterStep(copy, Path(), o); });
    ASSERT_GT(elsewhere.pid, 0);
    ASSERT_EQ(1, Step(elsewhere, {OPEN, 1}));
    ASSERT_EQ(6, Step(elsewhere, {GROW, 6}));
    ASSERT_EQ(1, Step(elsewhere, {CLOSE, 0}));
    EXPECT_EQ(0, StopStepper(elsewhere));
  } else if (writer == HERE) {
    ASSERT_TRUE(Open(here, 1));
    ASSERT_EQ(6, GrowObject(here, 6));
    ASSERT_EQ(1, here.CloseData());
  }
  const Bytes expected = writer == NOBODY ? original : GrownMetric(6);

  {
    plat::FaultVfs counter;
    plat::ScopedVfs use(&counter);
    ASSERT_EQ(1, r.OpenList(1));
    EXPECT_EQ(0, counter.Count(plat::VfsOp::Open));
  }
  const LONGMETRIC* metric = r.List.ObjectDataAddr(6);
  ASSERT_NE(nullptr, metric);
  EXPECT_EQ(0, std::memcmp(metric, expected.data(), expected.size())) << "served what W replaced";

  for (int sheet = kKept - 4; sheet <= kSheets; ++sheet) ASSERT_EQ(1, r.OpenList(sheet));
  EXPECT_EQ(kKept, r.List.KeptSheets());
  EXPECT_LE(TMapList::KeptDescriptors() - kept, kKept * files);
  EXPECT_LE(OpenDescriptors() - before, (kKept - 1) * files);
  ASSERT_EQ(1, r.OpenList(2));
  ASSERT_NE(nullptr, r.List.ObjectDataAddr(1));
  EXPECT_EQ("", CheckObject(r.List, 1, 2));
}

INSTANTIATE_TEST_SUITE_P(Writers, ManySheetsRace,
                         ::testing::Combine(::testing::Values(NOBODY, HERE, ELSEWHERE),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return WriterName(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) ? "Caches" : "FilesOnly");
                         });

// A document that read objects 5 and 6 before another one moved their
// metrics, and has not read them again, rewrites the graphics of one and
// deletes the other: both keep the metric the other document wrote (a
// deleted object is taken back with the records it had).
TEST_F(SheetRace, AGraphicsRewriteOrADeletionKeepsTheRecordsAnotherWriterMoved) {
  TMap r, w;
  ASSERT_TRUE(Open(r, 0));
  for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(r, id, LOCAL_LINE));
  for (int n = 5; n <= 6; ++n)
    ASSERT_NE(nullptr, r.List.DataAddr(r.List.ObjectDesc(n)->DataOffset)) << n;
  ASSERT_TRUE(Open(w, 1));
  for (int n = 5; n <= 6; ++n) ASSERT_EQ(n, GrowObject(w, n));
  ASSERT_EQ(1, w.CloseData());

  Bytes line(8, 7);
  Bytes draw = Draw({{128, line}});
  ASSERT_EQ(5, r.UpdateObjectDraw(5, As<IMGDRAW>(draw)));
  ASSERT_EQ(6, r.DeleteObject(6));
  ASSERT_EQ(1, r.CloseData());

  TMap fresh;
  ASSERT_TRUE(Open(fresh, 0));
  for (int n = 5; n <= 6; ++n) {
    ASSERT_NE(nullptr, fresh.List.ObjectDesc(n));
    const FVSPR d = *fresh.List.ObjectDesc(n);
    EXPECT_EQ(n == 6, FvsprIsDeleted(&d)) << n;
    const Bytes grown = GrownMetric(n);
    const LONGMETRIC* metric = fresh.List.DataAddr(d.DataOffset);
    ASSERT_NE(nullptr, metric) << n;
    EXPECT_EQ(0, std::memcmp(metric, grown.data(), grown.size())) << n;
  }
  const IMGDRAW* drawn = fresh.List.ObjectDrawAddr(5);
  ASSERT_NE(nullptr, drawn);
  EXPECT_EQ(0, std::memcmp(drawn, draw.data(), draw.size()));
}

// A document that read object 5 changes only its semantics after another
// one rewrote the object's metric where it lay (other points, the same
// length): the frame written is that of the metric the file holds, not of
// the one the first document read.
TEST_F(SheetRace, ASemanticsChangeFramesTheMetricAnotherWriterRewroteInPlace) {
  TMap r, w;
  ASSERT_TRUE(Open(r, 0));
  for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(r, id, LOCAL_LINE));
  const FVSPR seen = *r.List.ObjectDesc(5);
  ASSERT_NE(nullptr, r.List.DataAddr(seen.DataOffset));
  ASSERT_TRUE(Open(w, 1));
  ASSERT_EQ(5, UpdateObject(w, 5, 40));
  const FVSPR rewritten = *w.List.ObjectDesc(5);
  ASSERT_EQ(seen.DataOffset, rewritten.DataOffset);
  ASSERT_NE(seen.X1, rewritten.X1);
  ASSERT_EQ(1, w.CloseData());

  ASSERT_EQ(5, RewriteSemanticsAndClose(r, 5, seen));
  TMap fresh;
  ASSERT_TRUE(Open(fresh, 0));
  const FVSPR d = *fresh.List.ObjectDesc(5);
  EXPECT_EQ(rewritten.X1, d.X1);
  EXPECT_EQ(rewritten.Y1, d.Y1);
  EXPECT_EQ(rewritten.X2, d.X2);
  EXPECT_EQ(rewritten.Y2, d.Y2);
}

// Moving every object of a sheet reads each one as the files hold it, not
// as the mover's caches held it before another writer grew one of them:
// the object moved keeps the other writer's points.
TEST_F(SheetRace, MovingTheObjectsOfASheetMovesWhatAnotherWriterWrote) {
  TMap r, w;
  ASSERT_TRUE(Open(r, 0));
  for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(r, id, LOCAL_LINE));
  ASSERT_NE(nullptr, r.List.DataAddr(r.List.ObjectDesc(6)->DataOffset));
  ASSERT_TRUE(Open(w, 1));
  ASSERT_EQ(6, GrowObject(w, 6));
  ASSERT_EQ(1, w.CloseData());
  ASSERT_EQ(1, r.List.ReplaceListObjects(10, 10));
  ASSERT_EQ(1, r.CloseData());

  TMap fresh;
  ASSERT_TRUE(Open(fresh, 0));
  ASSERT_NE(nullptr, fresh.List.ObjectDataAddr(6));
  EXPECT_EQ(GrownMetric(6).size(), fresh.List.ObjectDataAddr(6)->Length);
  EXPECT_EQ("", CheckChain(fresh.List));
}

// A second sheet object of the map moves every object of sheet 1 while the
// map keeps what it read of that sheet: coming back to it, the map reads
// the objects where they are now, as a fresh opener does.
TEST_F(SheetRace, ASheetKeptSeesTheWritesOfAnotherSheetObject) {
  ASSERT_TRUE(AddTestSheets(dir.path(), 2));
  TMap map;
  ASSERT_TRUE(Open(map, 0));
  for (int id = 1; id <= 3; ++id) ASSERT_EQ(id, AppendObject(map, id, kLocals[id % 6]));
  for (int n = 1; n <= 3; ++n) ASSERT_NE(nullptr, map.List.ObjectDesc(n));
  ASSERT_EQ(1, map.OpenList(2));
  TMapList other;
  ASSERT_EQ(1, other.Open(&map, 1));
  ASSERT_EQ(1, other.ReplaceListObjects(3000, -2000));
  other.Close(1);
  ASSERT_EQ(1, map.OpenList(1));
  TMapList fresh;
  ASSERT_EQ(1, fresh.Open(&map, 1));
  for (int n = 1; n <= 3; ++n) {
    const FVSPR* kept = map.List.ObjectDesc(n);
    const FVSPR* read = fresh.ObjectDesc(n);
    ASSERT_NE(nullptr, kept);
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(0, std::memcmp(kept, read, sizeof(FVSPR))) << n;
    const LONGMETRIC* moved = map.List.DataAddr(kept->DataOffset);
    const LONGMETRIC* expected = fresh.DataAddr(read->DataOffset);
    ASSERT_NE(nullptr, moved);
    ASSERT_NE(nullptr, expected);
    ASSERT_EQ(expected->Length, moved->Length) << n;
    EXPECT_EQ(0, std::memcmp(moved, expected, expected->Length)) << n;
  }
}

// A writer outside edit mode and one in edit mode, each in a process of
// its own and each keeping the sheet open throughout, take turns in steps
// the test interleaves: in even rounds the writer in edit mode goes first,
// in odd ones the other. Each appends after the other one appended, then
// rewrites and deletes objects of its own; one rewrites the graphics of a
// line of its own that it read before the other linked a line behind it
// (and appended another object after that, which the writer outside edit
// mode then reads).
// Every object acknowledged to either reads back as last written, under a
// number of its own, and the sheet opens with its count, chain and
// descriptors agreeing.
TEST_F(SheetRace, WritersInAndOutsideEditModeTakingTurnsKeepEveryObject) {
  TMap map;  // each child works on its own copy
  Stepper plain, edit;
  ASSERT_NO_FATAL_FAILURE(StartWriters(map, plain, edit));
  ASSERT_EQ(1, Step(plain, {OPEN, 0}));
  ASSERT_EQ(1, Step(edit, {OPEN, 1}));
  HeldObjects held;
  int id = 0;
  auto step = [&](const Stepper& w, int32_t what, int32_t arg) {
    const int done = Step(w, {what, arg});
    EXPECT_EQ(what == APPEND ? done : arg, done)
        << (&w == &plain ? "plain" : "edit") << " step " << what << " " << arg;
    return done;
  };
  auto append = [&](const Stepper& w, int local) {
    do ++id;
    while (kLocals[id % 6] != local);
    const int n = step(w, APPEND, id);
    if (n > 0) {
      EXPECT_EQ("", Acknowledge(held, Ack{n, id, 0}));
    }
    return n;
  };
  auto update = [&](const Stepper& w, int n) {
    if (n > 0 && step(w, UPDATE, n) == n) {
      EXPECT_EQ("", Acknowledge(held, Ack{n, n + kUpdated, 0, ACK_UPDATE}));
    }
  };
  auto remove = [&](const Stepper& w, int n) {
    if (n > 0 && step(w, DELETE, n) == n) {
      EXPECT_EQ("", Acknowledge(held, Ack{n, 0, 0, ACK_DELETE}));
    }
  };
  for (int round = 0; round < 4; ++round) {
    const Stepper& first = round % 2 ? plain : edit;
    const Stepper& second = round % 2 ? edit : plain;
    const int a = append(first, LOCAL_POLYGON), b = append(first, LOCAL_POINT);
    const int c = append(second, LOCAL_LINE), d = append(second, LOCAL_TITLE);
    append(first, LOCAL_VECTOR);
    update(second, c);
    update(first, a);
    append(first, LOCAL_LINE);  // behind c, the last line
    const int g = append(first, LOCAL_VECTOR);
    step(second, DRAW, c);
    // The writer outside edit mode has taken the other's header in its
    // turn: it reads the other's new objects as they are.
    if (&second == &plain) {
      EXPECT_NE(0, Step(plain, {READ, g})) << "round " << round;
    }
    remove(second, d);
    remove(first, b);
    append(second, LOCAL_MIXED);  // behind the highest number
  }
  ASSERT_EQ(1, Step(plain, {CLOSE, 0}));
  ASSERT_NO_FATAL_FAILURE(StopWriters(plain, edit));

  TMap check;
  ASSERT_TRUE(Open(check, 0));
  EXPECT_EQ("", CheckHeld(check.List, held));
}

// The same two writers running freely side by side, many objects each:
// every few appends a writer rewrites an object of its own, and now and
// then deletes one. Nothing is refused, and every write acknowledged to
// either is in the sheet.
TEST_F(SheetRace, WritersInAndOutsideEditModeRunningFreelyKeepEveryObject) {
  constexpr int kRounds = 2, kObjects = 400;
  std::atomic<int>* moves = SharedMoves();
  ASSERT_NE(nullptr, moves);
  HeldObjects held;
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto acks = RunWriters(2, round, [&](int edit, int acks) {
      const int first = (round * 2 + edit) * kObjects;
      plat::SetSleepHook(TickUntilAnotherMoves, moves);
      plat::SetClock(MoveClock, nullptr);
      TMap map;
      if (!Open(map, edit)) return 2;
      if (!AwaitStart()) return 3;
      auto acknowledge = [&](const Ack& ack) {
        ++*moves;
        ++g_moveClock;
        return SendAck(acks, ack);
      };
      std::vector<int> own;
      for (int i = 0; i < kObjects; ++i) {
        Ack ack{0, first + i, 0};
        ack.number = AppendObject(map, ack.id, kLocals[i % 6], &ack.key);
        own.push_back(ack.number);
        if (!acknowledge(ack)) return 4;
        if (i % 4 == 3 && own[i - 2] != 0) {
          const int n = own[i - 2];
          const int done = UpdateObject(map, n, first + i - 2 + kUpdated);
          if (!acknowledge(Ack{done, first + i - 2 + kUpdated, 0, ACK_UPDATE})) return 4;
        }
        if (i % 16 == 15 && own[i - 5] != 0) {
          const int done = DeleteObject(map, own[i - 5]);
          if (!acknowledge(Ack{done, 0, 0, ACK_DELETE})) return 4;
        }
      }
      map.CloseData();
      ++*moves;
      return 0;
    });
    // Each writer writes only objects of its own: its acknowledgements
    // apply in its own order.
    for (const std::vector<Ack>& own : acks) {
      for (const Ack& a : own) {
        if (a.number == 0) {
          ++refused;
        } else {
          EXPECT_EQ("", Acknowledge(held, a)) << "round " << round;
        }
      }
    }
  }
  EXPECT_EQ(0, refused);
  munmap(moves, sizeof(*moves));

  TMap map;
  ASSERT_TRUE(Open(map, 0));
  EXPECT_EQ("", CheckHeld(map.List, held));
}

// A writer that opens the sheet while another one is creating its metric
// and semantics files (there, their signatures not yet written) opens it
// all the same and reports no damage; once the other writer has written
// the signatures, this one's objects go into those files.
TEST_F(SheetRace, ASheetOpensWhileAnotherWriterCreatesItsFiles) {
  for (int edit : {0, 1}) {
    const std::string folder = dir / ("creating" + std::to_string(edit) + "/");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(CreateTestMap(folder));
    for (const char* name : {"S1.DAT", "S1.SEM"}) std::ofstream(folder + name, std::ios::binary);
    TMap map;
    ASSERT_TRUE(Open(map, edit, folder + "map.map")) << edit;
    EXPECT_EQ(0, map.List.IsErrorReported(LISTSTAGE_DATIDENT)) << edit;
    EXPECT_EQ(0, map.List.IsErrorReported(LISTSTAGE_SEMIDENT)) << edit;
    std::ofstream(folder + "S1.DAT", std::ios::binary).write("DAT\0\0\0\0", 8);
    std::ofstream(folder + "S1.SEM", std::ios::binary).write("SEM", 4);
    for (int id = 1; id <= 3; ++id) EXPECT_EQ(id, AppendObject(map, id, LOCAL_LINE)) << edit;
    EXPECT_EQ(8u, map.List.ObjectDesc(1)->DataOffset) << edit;
    map.CloseData();

    ASSERT_TRUE(Open(map, 0, folder + "map.map")) << edit;
    for (int id = 1; id <= 3; ++id) EXPECT_EQ("", CheckObject(map.List, id, id)) << edit;
  }
}

// A metric file that another writer creates between the two tries of the
// opening (the first one finds no file, the read-only one would find it)
// is not held read only: every later object's records are written.
TEST_F(SheetRace, AMetricFileCreatedBetweenTheTriesOfTheOpeningTakesRecords) {
  for (int edit : {0, 1}) {
    const std::string folder = dir / ("between" + std::to_string(edit) + "/");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(CreateTestMap(folder));
    TMap map;
    ASSERT_TRUE(Open(map, 0, folder + "map.map"));
    ASSERT_EQ(1, AppendObject(map, 1, LOCAL_LINE));
    map.CloseData();

    ASSERT_TRUE(map.OpenData((folder + "map.map").c_str(), 0));
    if (edit) map.WorkMode(1);
    {
      plat::FaultVfs filter;
      plat::ScopedVfs use(&filter);
      plat::VfsFaultMode missing;
      missing.error = ERROR_FILE_NOT_FOUND;
      filter.Fail(plat::VfsOp::Open, 2, missing);  // the metric file's first try
      ASSERT_EQ(1, map.OpenList(1)) << edit;
      EXPECT_EQ(1, filter.Fired()) << edit;
      EXPECT_EQ(1, map.List.IsWritable()) << edit;
      for (int id = 2; id <= 4; ++id) EXPECT_EQ(id, AppendObject(map, id, LOCAL_LINE)) << edit;
    }
    map.CloseData();

    ASSERT_TRUE(Open(map, 0, folder + "map.map")) << edit;
    EXPECT_EQ(4, map.List.Count()) << edit;
    for (int id = 1; id <= 4; ++id) EXPECT_EQ("", CheckObject(map.List, id, id)) << edit;
  }
}

// While a writer in edit mode holds the sheet lock, a writer outside edit
// mode that closes waits for it before cutting its reserves off, and then
// keeps the descriptor the other one counted meanwhile in its reserve.
struct HeldLock {
  TMap* edit;
  HANDLE other;
  DWORD at;
  int64_t reserved;
  int sleeps = 0;
};

void AppendWhileHeld(DWORD, void* context) {
  HeldLock& h = *static_cast<HeldLock*>(context);
  if (++h.sleeps != 1) return;
  EXPECT_EQ(h.reserved, plat::FileLength(h.other)) << "cut without the lock";
  plat::UnlockFile(h.other, h.at, 0, LOCK_LENGTH, 0);
  EXPECT_EQ(4, AppendObject(*h.edit, 4, LOCAL_LINE));
}

TEST_F(SheetRace, AReserveIsCutUnderTheLockKeepingWhatAnotherWriterCounted) {
  TMap plain, edit;
  ASSERT_TRUE(Open(plain, 0));
  ASSERT_TRUE(Open(edit, 1));
  for (int id = 1; id <= 3; ++id) ASSERT_EQ(id, AppendObject(plain, id, LOCAL_LINE));
  HANDLE other = plat::CreateFileA((dir / "S1.HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  HeldLock h{&edit, other, 0, plat::FileLength(other)};
  ASSERT_GT(h.reserved, 5 * 48) << "no reserve";
  h.at = DWORD(h.reserved) + LOCK_DISTANCE;
  ASSERT_TRUE(plat::LockFile(other, h.at, 0, LOCK_LENGTH, 0));
  plat::SetSleepHook(AppendWhileHeld, &h);
  plain.CloseData();
  plat::SetSleepHook(nullptr, nullptr);
  EXPECT_EQ(1, h.sleeps);
  EXPECT_EQ(5 * 48, plat::FileLength(other));
  plat::CloseHandle(other);
  edit.CloseData();

  TMap check;
  ASSERT_TRUE(Open(check, 0));
  ASSERT_EQ(4, check.List.Count());
  for (int n = 1; n <= 4; ++n) EXPECT_EQ("", CheckObject(check.List, n, n));
  EXPECT_EQ("", CheckChain(check.List));
}

// While another handle holds the write turn, every write of a writer
// outside edit mode (append, rewrite, deletion, graphics) and an append in
// edit mode waits for it, the lock's 500 tries, and is refused without a
// byte written; a refusal leaves nothing behind, and once the turn is let
// go both write again.
int g_turnWaits = 0;
void CountTurnWait(DWORD, void*) { ++g_turnWaits; }

TEST_F(SheetRace, EveryWriteWaitsForTheWriteTurn) {
  TMap plain, edit;
  ASSERT_TRUE(Open(plain, 0));
  for (int id = 1; id <= 2; ++id) ASSERT_EQ(id, AppendObject(plain, id, LOCAL_LINE));
  ASSERT_TRUE(Open(edit, 1));
  const FolderFiles before = Snapshot(dir.path());
  HANDLE other = plat::CreateFileA((dir / "S1.HDR").c_str(), GENERIC_READ | GENERIC_WRITE, 3,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  ASSERT_TRUE(plat::LockFile(other, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, 1, 0));
  plat::SetSleepHook(CountTurnWait, nullptr);
  const Order refused[] = {{APPEND, 3}, {UPDATE, 1}, {DELETE, 2}, {DRAW, 1}};
  for (const Order& o : refused) {
    g_turnWaits = 0;
    EXPECT_EQ(0, WriterStep(plain, Path(), o)) << o.what;
    EXPECT_EQ(MAPERR_WRITE, plain.List.GetError()) << o.what;
    EXPECT_EQ(500, g_turnWaits) << o.what;
  }
  g_turnWaits = 0;
  EXPECT_EQ(0, AppendObject(edit, 3, LOCAL_LINE));
  EXPECT_EQ(500, g_turnWaits);
  // The views of the writer outside edit mode are the files' bytes.
  EXPECT_TRUE(before == Snapshot(dir.path())) << "written while the turn was held";

  plat::UnlockFile(other, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, 1, 0);
  plat::CloseHandle(other);
  g_turnWaits = 0;
  EXPECT_EQ(3, AppendObject(edit, 3, LOCAL_LINE));
  EXPECT_EQ(4, AppendObject(plain, 4, LOCAL_LINE));
  EXPECT_EQ(1, UpdateObject(plain, 1, 1 + kUpdated));
  EXPECT_EQ(0, g_turnWaits);
  plain.CloseData();
  edit.CloseData();

  TMap check;
  ASSERT_TRUE(Open(check, 0));
  ASSERT_EQ(4, check.List.Count());
  for (int n = 1; n <= 4; ++n)
    EXPECT_EQ("", CheckObject(check.List, n, n == 1 ? 1 + kUpdated : n)) << n;
  EXPECT_EQ("", CheckChain(check.List));
}

// Another process cuts a sheet file short inside the last object's record
// while a writer has the sheet open, in edit mode and outside it (where the
// descriptor, metric and semantics files are written through views): the
// next object is placed by the file's length and past what the cut object
// still claims, so it is not lost and lies over no other record's bytes,
// and the cut object reads as damaged. With the descriptor file cut inside
// the last descriptor the append is refused as damage and writes nothing.
TEST_F(SheetRace, AFileCutShortUnderAWriterLosesNothing) {
  const char* const names[SHEET_FILES] = {"S1.HDR", "S1.DAT", "S1.SEM", "S1.GRA"};
  for (int edit : {0, 1}) {
    for (int file = SHEET_HDR; file < SHEET_FILES; ++file) {
      const std::string run = std::string(names[file]) + (edit ? " in edit mode" : "");
      const std::string folder = dir / (std::to_string(edit) + names[file] + "/");
      std::filesystem::create_directories(folder);
      ASSERT_TRUE(CreateTestMap(folder));
      TMap map;
      ASSERT_TRUE(Open(map, edit, folder + "map.map")) << run;
      for (int id = 1; id <= 6; ++id) ASSERT_EQ(id, AppendObject(map, id, LOCAL_LINE)) << run;
      const FVSPR six = *map.List.ObjectDesc(6);
      const DWORD at[SHEET_FILES] = {6 * 48, six.DataOffset, six.SemnOffset, six.DrawOffset};
      const DWORD length[SHEET_FILES] = {48, map.List.DataAddr(six.DataOffset)->Length,
                                         map.List.SemnAddr(six.SemnOffset)->Length,
                                         map.List.DrawAddr(six.DrawOffset)->Length};
      const int64_t cut = at[file] + length[file] / 2;  // past the record's head
      HANDLE other = plat::CreateFileA((folder + names[file]).c_str(), GENERIC_READ | GENERIC_WRITE,
                                       3, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(INVALID_HANDLE_VALUE, other);
      ASSERT_TRUE(plat::SetFileLength(other, cut));
      plat::CloseHandle(other);

      const int n = AppendObject(map, 7, LOCAL_LINE);
      if (file == SHEET_HDR) {
        EXPECT_EQ(0, n) << run;
        EXPECT_EQ(MAPERR_DATA, map.List.GetError()) << run;
        map.CloseData();
        EXPECT_EQ(cut, Length(folder + names[file])) << run;
        continue;
      }
      ASSERT_EQ(7, n) << run;
      const FVSPR seven = *map.List.ObjectDesc(7);
      const DWORD placed[SHEET_FILES] = {0, seven.DataOffset, seven.SemnOffset, seven.DrawOffset};
      EXPECT_GE(placed[file], at[file] + length[file]) << run << ": over the cut record";
      map.CloseData();

      ASSERT_TRUE(Open(map, 0, folder + "map.map")) << run;
      for (int k : {1, 2, 3, 4, 5, 7}) EXPECT_EQ("", CheckObject(map.List, k, k)) << run;
      LONGMETRIC* metric;
      SEMANTIC* semn;
      IMGDRAW* draw;
      EXPECT_EQ(MAPERR_DATA,
                map.List.ReadObjectRecords(map.List.ObjectDesc(6), &metric, &semn, &draw))
          << run;
      EXPECT_EQ("", CheckChain(map.List)) << run;
    }
  }
}

// Openers of one map that write groups. Each takes the group file's
// header lock and numbers and places a new group by the header as it is
// then, so that no two of them hand out one number, however their writes
// interleave and in edit mode or not; every group acknowledged reads back
// with its own members, also once the index grew past its first block.
class GroupRace : public SheetRace {
 protected:
  void SetUp() override {
    SheetRace::SetUp();
    GroupAccessSet(1);
  }
  void TearDown() override {
    GroupAccessSet(0);
    SheetRace::TearDown();
  }
  // Acknowledges group `id` written as number n: "" or what is wrong.
  std::string Held(int n, int id) {
    if (n <= 0) return "group " + std::to_string(id) + " refused";
    if (!held.emplace(n, id).second) return "number " + std::to_string(n) + " given twice";
    return "";
  }
  // "" when the map, opened anew, holds every group acknowledged.
  std::string CheckAll() {
    TMap check;
    if (!Open(check, 0)) return "the map does not open";
    if (check.Groups.Count() != int(held.size()) + 1)
      return "the file counts " + std::to_string(check.Groups.Count() - 1) + " groups of " +
             std::to_string(held.size());
    for (const auto& [n, id] : held) {
      std::string differs = CheckGroup(check, n, id);
      if (!differs.empty()) return differs;
    }
    return "";
  }

  std::map<int, int> held;  // group number: the id of its members
};

// Two documents of one process, in edit mode and not, write groups in runs
// of one to three each; the other document reads each new group at once,
// and now and then grows (moves) a group the first one wrote.
TEST_F(GroupRace, TwoDocumentsOfOneProcessNeverShareAGroupNumber) {
  int id = 0;
  for (int edit : {0, 1}) {
    TMap a, b;
    ASSERT_TRUE(Open(a, edit));
    ASSERT_TRUE(Open(b, 1 - edit));
    ASSERT_TRUE(a.Groups.IsOpen());
    ASSERT_TRUE(b.Groups.IsOpen());
    for (int k = 0; k < 1100; ++k) {
      TMap& writer = k % 6 < 3 ? a : b;
      TMap& other = &writer == &a ? b : a;
      const int n = AppendGroup(writer, ++id);
      ASSERT_EQ("", Held(n, id)) << "edit " << edit << " write " << k;
      ASSERT_EQ("", CheckGroup(other, n, id)) << "edit " << edit << " write " << k;
      if (k % 101 == 100) {
        const int grown = held.begin()->first + k / 101;
        ASSERT_EQ(grown, RewriteGroup(other, grown, kWideGroup + grown)) << k;
        held[grown] = kWideGroup + grown;
        ASSERT_EQ("", CheckGroup(writer, grown, kWideGroup + grown)) << k;
      }
    }
  }
  EXPECT_EQ("", CheckAll());
}

// Two processes, one in edit mode, write groups in steps the test
// interleaves, from a file whose index is nearly full: one grows the
// index while the other still holds the header it read before; then each
// grows a group whose record the growth moved, and the other reads it.
TEST_F(GroupRace, TwoProcessesSteppedNeverShareAGroupNumber) {
  constexpr int kFull = 1018;  // the fifth new group grows the index
  {
    TMap map;
    ASSERT_TRUE(Open(map, 0));
    for (int id = 1; id <= kFull; ++id) ASSERT_EQ("", Held(AppendGroup(map, id), id));
  }
  TMap map;  // each child works on its own copy
  Stepper edit, plain;
  ASSERT_NO_FATAL_FAILURE(StartWriters(map, plain, edit));
  ASSERT_EQ(1, Step(edit, {OPEN, 1}));
  ASSERT_EQ(1, Step(plain, {OPEN, 0}));
  for (int k = 0; k < 10; ++k) {
    const Stepper& writer = k % 2 ? plain : edit;
    const Stepper& other = k % 2 ? edit : plain;
    const int id = 2000 + k;
    const int n = Step(writer, {GROUP, id});
    EXPECT_EQ("", Held(n, id)) << "step " << k;
    if (n > 0) {
      EXPECT_EQ(id, Step(other, {READGROUP, n})) << "step " << k;
    }
  }
  for (int grown : {1, 2}) {
    const Stepper& writer = grown == 1 ? plain : edit;
    const Stepper& other = grown == 1 ? edit : plain;
    EXPECT_EQ(grown, Step(writer, {REGROUP, grown}));
    held[grown] = kWideGroup + grown;
    EXPECT_EQ(kWideGroup + grown, Step(other, {READGROUP, grown}));
  }
  ASSERT_EQ(1, Step(edit, {CLOSE, 0}));
  ASSERT_EQ(1, Step(plain, {CLOSE, 0}));
  EXPECT_EQ(0, StopStepper(plain));
  EXPECT_EQ(0, StopStepper(edit));
  EXPECT_EQ("", CheckAll());
}

// The same two processes running freely side by side, 700 groups each
// (the index grows past its first block), each growing every twentieth
// group of its own as it goes.
TEST_F(GroupRace, TwoProcessesRunningFreelyNeverShareAGroupNumber) {
  constexpr int kGroups = 700;
  {
    TMap map;  // makes the group file before the writers start
    ASSERT_TRUE(Open(map, 0));
    ASSERT_TRUE(map.Groups.IsOpen());
  }
  std::atomic<int>* moves = SharedMoves();
  ASSERT_NE(nullptr, moves);
  const auto acks = RunWriters(2, 0, [&](int edit, int acks) {
    plat::SetSleepHook(UntilAnotherMoves, moves);
    TMap map;
    if (!Open(map, edit)) return 2;
    if (!AwaitStart()) return 3;
    std::vector<int> own;
    for (int i = 0; i < kGroups; ++i) {
      Ack ack{0, edit * kGroups + i + 1, 0};
      ack.number = AppendGroup(map, ack.id);
      own.push_back(ack.number);
      ++*moves;
      if (!SendAck(acks, ack)) return 4;
      if (i % 20 == 19 && own[i - 10] != 0) {
        // The id of own[i - 10], widened.
        const int wide = kWideGroup + edit * kGroups + i - 9;
        const Ack grown{RewriteGroup(map, own[i - 10], wide), wide, 0, ACK_UPDATE};
        ++*moves;
        if (!SendAck(acks, grown)) return 4;
      }
    }
    map.CloseData();
    ++*moves;
    return 0;
  });
  munmap(moves, sizeof(*moves));
  int refused = 0;
  for (const std::vector<Ack>& own : acks) {
    EXPECT_GE(own.size(), size_t(kGroups));
    for (const Ack& a : own) {
      if (a.number == 0) {
        ++refused;
      } else if (a.what == ACK_UPDATE) {
        held[a.number] = a.id;
      } else {
        EXPECT_EQ("", Held(a.number, a.id));
      }
    }
  }
  EXPECT_EQ(0, refused);
  EXPECT_EQ(size_t(2 * kGroups), held.size());
  EXPECT_EQ("", CheckAll());
}

}  // namespace
