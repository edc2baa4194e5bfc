// The index of a sheet's frames: for any frame it names every object of
// the chain whose stored frame meets it, in the order a walk of the chain
// meets them (forwards or backwards, from an object on), on chains of every
// shape; it leaves chains that do not run as one line to the walk; and it
// keeps answering as the walk after appends of every local type, rewrites,
// deletions, undo, the writes of another sheet object and those of another
// process.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "platform/vfs_fault.h"
#include "support/objectbuilder.h"
#include "support/sheetbuilder.h"
#include "support/writerprocess.h"

// While set, every allocation through operator new fails (or only those
// of at least g_newFailsFrom bytes): the answer to a lack of memory.
namespace {
bool g_newFails = false;
std::size_t g_newFailsFrom = SIZE_MAX;
// Kept out of line: the compiler does not then pair the operators' malloc
// and free with the new and delete expressions they serve.
[[gnu::noinline]] void ReleaseBlock(void* p) noexcept { std::free(p); }
}  // namespace

void* operator new(std::size_t size) {
  if (!g_newFails && size < g_newFailsFrom)
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return g_newFails ? nullptr : std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { ReleaseBlock(p); }
void operator delete[](void* p) noexcept { ReleaseBlock(p); }
void operator delete(void* p, std::size_t) noexcept { ReleaseBlock(p); }
void operator delete[](void* p, std::size_t) noexcept { ReleaseBlock(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ReleaseBlock(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ReleaseBlock(p); }

using objtest::Bytes;
using objtest::Points;

namespace {

// The hit test's frame test: the frame meets the stored one (a stored
// frame whose corners are swapped meets what covers it).
bool Meets(const FRAME& q, const FVSPR& d) {
  return q.X2 >= d.X1 && q.Y2 >= d.Y1 && q.X1 <= d.X2 && q.Y1 <= d.Y2;
}

// What a walk of the open sheet's chain meets, in its order (backwards
// from the last object for direction < 0), with the descriptors read.
struct Walked {
  std::vector<LONG> order;
  std::vector<FVSPR> descs;  // by number
};

Walked Walk(TMapList& list, int direction) {
  Walked w;
  w.descs.resize(size_t(list.Count()) + 1);
  const int steps = list.Count();
  FVSPR* d = direction > 0 ? list.FirstHead() : list.LastHead();
  for (int i = 0; d != nullptr && i < steps; ++i) {
    w.order.push_back(list.CurrentObject);
    w.descs[size_t(list.CurrentObject)] = *d;
    d = direction > 0 ? list.NextHead() : list.PrevHead();
  }
  return w;
}

// Asks the index `questions` random frames of the open sheet (sheet units
// within `extent`), each forwards or backwards, from the start or from a
// random object of the chain, and compares what it names, less what its
// frame keeps out, with what the walk meets (of `walked`, another opener of
// the sheet, when given). Frames of at most `small`
// units a side must be answered by the index.
void ExpectAnswersAsTheWalk(TMapList& list, int questions, LONG extent, std::mt19937& random,
                            const std::string& where, TMapList* walked = nullptr) {
  TMapList& truth = walked != nullptr ? *walked : list;
  const Walked forward = Walk(truth, 1), backward = Walk(truth, -1);
  ASSERT_FALSE(forward.order.empty()) << where;
  std::uniform_int_distribution<LONG> at(-extent / 10, extent + extent / 10);
  const LONG sides[] = {0, 3, 40, 400, 4000};
  int answered = 0;
  for (int k = 0; k < questions; ++k) {
    LONG x = at(random), y = at(random);
    const LONG side = sides[random() % 5];
    // Every other frame at an object of the chain.
    if (k % 2 == 0) {
      const FVSPR& d = forward.descs[size_t(forward.order[random() % forward.order.size()])];
      x = d.X1 - side / 2, y = d.Y2 - side / 2;
    }
    const FRAME q{x, y, x + side, y + LONG(random() % (side + 1))};
    const int direction = random() % 2 ? 1 : -1;
    const Walked& walk = direction > 0 ? forward : backward;
    const LONG from = random() % 3 == 0 ? walk.order[random() % walk.order.size()] : 0;
    TSheetFrameIndex::ANSWER named;
    if (!list.FrameIndex.Meeting(list, q, from, direction, &named)) {
      EXPECT_GT(side, 400) << where << ": a small frame left to the walk";
      continue;
    }
    ++answered;
    std::vector<LONG> expected, got;
    bool after = from == 0;
    for (LONG n : walk.order) {
      if (after && Meets(q, walk.descs[size_t(n)])) expected.push_back(n);
      if (n == from) after = true;
    }
    for (int32_t i = 0; i < named.Count; ++i) {
      const LONG n = named.At(i);
      ASSERT_GE(n, 1) << where;
      ASSERT_LE(n, list.Count()) << where;
      if (Meets(q, forward.descs[size_t(n)])) got.push_back(n);
    }
    ASSERT_EQ(expected, got) << where << ": frame " << q.X1 << " " << q.Y1 << " " << q.X2 << " "
                             << q.Y2 << " from " << from << " direction " << direction;
    // Asked again from an object it named, as a next search asks: the rest
    // of the answer.
    if (named.Count == 0) continue;
    const int32_t mid = int32_t(random() % uint32_t(named.Count));
    std::vector<LONG> rest;
    for (int32_t i = mid + 1; i < named.Count; ++i) rest.push_back(named.At(i));
    TSheetFrameIndex::ANSWER again;
    ASSERT_TRUE(list.FrameIndex.Meeting(list, q, named.At(mid), direction, &again)) << where;
    std::vector<LONG> tail;
    for (int32_t i = 0; i < again.Count; ++i) tail.push_back(again.At(i));
    ASSERT_EQ(rest, tail) << where;
  }
  EXPECT_GT(answered, questions / 2) << where;
}

// ---------------------------------------------------------------------------
// Chains of every shape, written byte by byte

class SheetFrameChains : public ::testing::Test {
 protected:
  void SetUp() override {
    minObjects = TSheetFrameIndex::MinObjects();
    TSheetFrameIndex::SetMinObjects(100);
  }
  void TearDown() override { TSheetFrameIndex::SetMinObjects(minObjects); }

  // A sheet of `count` objects of random local types with random frames
  // (a few of them huge, a few with swapped corners), linked in the order
  // `chain` gives (numbers from 1; objects left out are in no chain).
  void Write(int count, const std::vector<LONG>& chain) {
    sheettest::SheetBuilder s;
    for (int n = 1; n <= count; ++n) s.Add(int(random() % 5), Bytes());
    for (int n = 1; n <= count; ++n) {
      FVSPR d;
      std::memcpy(&d, s.hdr.data() + 48 * n, sizeof(d));
      const LONG x = LONG(random() % kExtent), y = LONG(random() % kExtent);
      const LONG w = n % 97 == 0 ? kExtent / 2 : LONG(random() % 300);
      const LONG h = n % 89 == 0 ? kExtent : LONG(random() % 300);
      d.X1 = x, d.Y1 = y, d.X2 = x + w, d.Y2 = y + h;
      if (n % 61 == 0) std::swap(d.X1, d.X2);
      d.Next = d.Back = 0;
      std::memcpy(s.hdr.data() + 48 * n, &d, sizeof(d));
    }
    for (size_t i = 0; i < chain.size(); ++i) {
      FVSPR d;
      std::memcpy(&d, s.hdr.data() + 48 * chain[i], sizeof(d));
      d.Back = i > 0 ? DWORD(chain[i - 1]) : 0;
      d.Next = i + 1 < chain.size() ? DWORD(chain[i + 1]) : 0;
      std::memcpy(s.hdr.data() + 48 * chain[i], &d, sizeof(d));
    }
    HDRHEAD head;
    std::memcpy(&head, s.hdr.data(), sizeof(head));
    head.First = chain.empty() ? 0 : chain.front();
    head.Last = chain.empty() ? 0 : chain.back();
    std::memcpy(s.hdr.data(), &head, sizeof(head));
    s.Write(dir.path(), sheettest::TestMap::Base(1));
  }
  std::vector<LONG> Numbers(int count) {
    std::vector<LONG> v(static_cast<size_t>(count));
    std::iota(v.begin(), v.end(), 1);
    return v;
  }

  static constexpr LONG kExtent = 20000;
  LONG minObjects = 0;
  std::mt19937 random{85};
  sheettest::SheetFolder dir{MC_TEST_TMP};
};

TEST_F(SheetFrameChains, ChainsOfEveryShapeAreAnsweredAsTheWalk) {
  const int count = 3000;
  std::vector<LONG> shuffled = Numbers(count);
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  std::vector<LONG> reversed = Numbers(count);
  std::reverse(reversed.begin(), reversed.end());
  std::vector<LONG> part(shuffled.begin(), shuffled.begin() + count / 2);
  const std::pair<const char*, std::vector<LONG>> shapes[] = {
      {"in number order", Numbers(count)},
      {"in a scattered order", shuffled},
      {"in reverse order", reversed},
      {"half of the objects", part},
  };
  // Two sheets: the descriptor cache is smaller than the sheet.
  sheettest::TestMap map(dir.path(), 2);
  // The descriptors read from the file in blocks, and, under a layer that
  // sees every read (no views), through the sheet's cache.
  for (const bool views : {true, false}) {
    plat::FaultVfs counted;
    std::optional<plat::ScopedVfs> use;
    if (!views) use.emplace(&counted);
    for (const auto& [shape, chain] : shapes) {
      const std::string name = std::string(shape) + (views ? "" : ", no views");
      Write(count, chain);
      TMapList list;
      ASSERT_EQ(1, list.Open(&map, 1)) << name;
      ExpectAnswersAsTheWalk(list, 300, kExtent, random, name);
      EXPECT_TRUE(list.FrameIndex.Made()) << name;
      EXPECT_GT(list.FrameIndex.Bytes(), size_t(0)) << name;
      // The memory goes with the sheet.
      list.Close(0);
      EXPECT_EQ(size_t(0), list.FrameIndex.Bytes()) << name;
      list.Close(1);
    }
  }
}

// Enough objects that their cells are sorted in several groups.
TEST_F(SheetFrameChains, ASheetOfManyCellsIsAnsweredAsTheWalk) {
  const int count = 40000;
  std::vector<LONG> shuffled = Numbers(count);
  std::shuffle(shuffled.begin(), shuffled.end(), random);
  sheettest::TestMap map(dir.path(), 1);
  Write(count, shuffled);
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  ExpectAnswersAsTheWalk(list, 40, kExtent, random, "many cells");
  EXPECT_TRUE(list.FrameIndex.Made());
  list.Close(1);
}

TEST_F(SheetFrameChains, ChainsNotInOneLineAreLeftToTheWalk) {
  const int count = 500;
  sheettest::TestMap map(dir.path(), 1);
  TSheetFrameIndex::ANSWER named;
  // A circle: the last object links to the first.
  Write(count, Numbers(count));
  {
    Bytes hdr = sheettest::ReadFile(dir / "S1.HDR");
    FVSPR d;
    std::memcpy(&d, hdr.data() + 48 * count, sizeof(d));
    d.Next = 1;
    std::memcpy(hdr.data() + 48 * count, &d, sizeof(d));
    sheettest::WriteFile(dir / "S1.HDR", hdr);
    TMapList list;
    ASSERT_EQ(1, list.Open(&map, 1));
    EXPECT_FALSE(list.FrameIndex.Meeting(list, FRAME{0, 0, 10, 10}, 0, 1, &named));
    list.Close(1);
  }
  // A back link that names another object than the one before.
  Write(count, Numbers(count));
  {
    Bytes hdr = sheettest::ReadFile(dir / "S1.HDR");
    FVSPR d;
    std::memcpy(&d, hdr.data() + 48 * 200, sizeof(d));
    d.Back = 150;
    std::memcpy(hdr.data() + 48 * 200, &d, sizeof(d));
    sheettest::WriteFile(dir / "S1.HDR", hdr);
    TMapList list;
    ASSERT_EQ(1, list.Open(&map, 1));
    EXPECT_FALSE(list.FrameIndex.Meeting(list, FRAME{0, 0, 10, 10}, 0, 1, &named));
    list.Close(1);
  }
  // Below the least count the walk answers too.
  Write(50, Numbers(50));
  TMapList list;
  ASSERT_EQ(1, list.Open(&map, 1));
  EXPECT_FALSE(list.FrameIndex.Meeting(list, FRAME{0, 0, 10, 10}, 0, 1, &named));
  EXPECT_FALSE(list.FrameIndex.Made());
}

// ---------------------------------------------------------------------------
// A map written through the store

class SheetFrameWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    minObjects = TSheetFrameIndex::MinObjects();
    TSheetFrameIndex::SetMinObjects(100);
    plat::SetWriteThroughEnabled(false);
    MessageEnableSet(0);
    ASSERT_TRUE(writertest::CreateTestMap(dir.path()));
    ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
    ASSERT_EQ(1, map.OpenList(1));
  }
  void TearDown() override {
    TSheetFrameIndex::SetMinObjects(minObjects);
    MessageEnableSet(1);
  }
  std::string Path() const { return dir / "map.map"; }

  // The records of an object of a local type over a random place.
  static Bytes Metric(int local, std::mt19937& random) {
    const double x = double(random() % kExtent), y = double(random() % kExtent);
    const double w = double(random() % 200), h = double(random() % 200);
    const Points box = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    switch (local) {
      case LOCAL_POINT:
        return objtest::Metric(METRIC_I32, {{{x, y}}});
      case LOCAL_LINE:
      case LOCAL_VECTOR:
        return objtest::Metric(METRIC_I32, {{{x, y}, {x + w, y + h}}});
      case LOCAL_TITLE:
      case LOCAL_MIXED:
        return objtest::Metric(METRIC_I32, {box}, {"T"});
      default:
        return objtest::Metric(METRIC_I32, {box});
    }
  }
  static int Append(TMap& m, int local, std::mt19937& random) {
    Bytes metric = Metric(local, random);
    FVSPR d = objtest::Desc(local, uint16_t(16 + local));
    return m.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr);
  }
  // Rewrites object n over another place, as local type `local`.
  static int Move(TMap& m, int n, int local, std::mt19937& random) {
    const FVSPR* stored = m.List.ObjectDesc(n);
    if (stored == nullptr) return 0;
    FVSPR d = *stored;
    d.Local = BYTE(local);
    Bytes metric = Metric(local, random);
    return m.UpdateObject(n, &d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr);
  }
  // Another process appends, rewrites and deletes objects of sheet 1 of
  // the map (in edit mode); its exit code, 0 when every write was made.
  int WriteElsewhere(unsigned seed) {
    const writertest::Child child = writertest::StartChild([&](int) {
      TMap other;
      if (other.OpenData(Path().c_str(), 0) != 1 || other.OpenList(1) != 1) return 1;
      std::mt19937 own(seed);
      for (int k = 0; k < 60; ++k)
        if (Append(other, int(own() % 6), own) == 0) return 2;
      for (int k = 0; k < 30; ++k)
        if (Move(other, 1 + int(own() % 400), int(own() % 5), own) == 0) return 3;
      for (int k = 0; k < 10; ++k) other.DeleteObject(1 + int(own() % 400));
      return 0;
    });
    return writertest::WaitChild(child.pid);
  }
  void Expect(const std::string& where) {
    ASSERT_EQ(1, map.OpenList(1)) << where;
    ExpectAnswersAsTheWalk(map.List, 150, kExtent, random, where);
  }

  static constexpr LONG kExtent = 100000;  // sheet units the objects lie in
  LONG minObjects = 0;
  std::mt19937 random{851};
  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMap map;
};

TEST_F(SheetFrameWrites, AppendsRewritesDeletionsAndUndoKeepItInStep) {
  map.WorkMode(0);
  // Lines, vectors, points and titles first: the first polygon then opens
  // the chain.
  for (int i = 0; i < 600; ++i)
    ASSERT_GT(Append(map, std::array{LOCAL_LINE, LOCAL_VECTOR, LOCAL_POINT, LOCAL_TITLE}[i % 4],
                     random),
              0);
  Expect("made");
  ASSERT_TRUE(map.List.FrameIndex.Made());

  for (int local : {LOCAL_POLYGON, LOCAL_POLYGON, LOCAL_LINE, LOCAL_MIXED, LOCAL_POINT,
                    LOCAL_TITLE, LOCAL_VECTOR, LOCAL_MIXED, LOCAL_POLYGON})
    ASSERT_GT(Append(map, local, random), 0) << local;
  EXPECT_TRUE(map.List.FrameIndex.Made()) << "forgotten by appends";
  Expect("after appends of every local type");

  for (int k = 0; k < 40; ++k) {
    const int n = 1 + int(random() % map.List.Count());
    ASSERT_EQ(n, Move(map, n, int(random() % 5), random)) << n;
  }
  EXPECT_TRUE(map.List.FrameIndex.Made()) << "forgotten by rewrites";
  Expect("after rewrites to other places and local types");

  for (int k = 0; k < 20; ++k) {
    const int n = 1 + int(random() % map.List.Count());
    map.DeleteObject(n);
  }
  Expect("after deletions");

  // In edit mode, with the journal: an action of appends, rewrites and a
  // deletion, then taken back.
  map.WorkMode(1);
  ASSERT_EQ(1, map.CreateAction(1));
  for (int k = 0; k < 5; ++k) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  for (int k = 0; k < 5; ++k) ASSERT_GT(Move(map, 1 + int(random() % 600), LOCAL_LINE, random), 0);
  ASSERT_GT(map.DeleteObject(7), 0);
  ASSERT_EQ(1, map.CommitAction(0));
  Expect("in edit mode");
  ASSERT_GT(map.AbolitionLastAction(), 0);
  Expect("after undo");
}

TEST_F(SheetFrameWrites, AnotherSheetObjectsWritesAreSeen) {
  map.WorkMode(0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  Expect("made");
  // A second sheet object of the same map moves every object of the sheet:
  // the map's own hears of each and takes it in.
  TMapList other;
  ASSERT_EQ(1, other.Open(&map, 1));
  ASSERT_EQ(1, other.ReplaceListObjects(3000, -2000));
  EXPECT_TRUE(map.List.FrameIndex.Made());
  Expect("after another sheet object moved the objects");
  other.Close(1);
}

TEST_F(SheetFrameWrites, AnotherProcesssWritesAreSeenOnceTheHeaderShowsThem) {
  map.WorkMode(0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  map.WorkMode(1);  // shared with the other writer from here on
  Expect("made");
  // Another process appends, rewrites and deletes in edit mode.
  ASSERT_EQ(0, WriteElsewhere(7));
  // An append of this map's takes the other's header in.
  ASSERT_GT(Append(map, LOCAL_POLYGON, random), 0);
  Expect("after this map's append behind the other's");
  ASSERT_EQ(0, WriteElsewhere(8));
  // The map hears of them and reads its sheet again.
  map.AdjustData();
  Expect("after another process's writes");
}

// A sheet left for another one keeps its index with its caches: clicks on a
// sheet painted among others need not make it again. Writes to it through
// another sheet object, or by another process, while it is left make it
// forget the index.
TEST_F(SheetFrameWrites, ASheetLeftKeepsItsIndexWhileItIsAsItWasLeft) {
  map.WorkMode(0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  map.CloseData();
  ASSERT_TRUE(writertest::AddTestSheets(dir.path(), 2));
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  map.WorkMode(0);
  ASSERT_EQ(1, map.OpenList(2));
  for (int i = 0; i < 200; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  Expect("made");
  ASSERT_TRUE(map.List.FrameIndex.Made());

  ASSERT_EQ(1, map.OpenList(2));
  TSheetFrameIndex::ANSWER named;
  ASSERT_TRUE(map.List.FrameIndex.Meeting(map.List, FRAME{0, 0, 10, 10}, 0, 1, &named));
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_TRUE(map.List.FrameIndex.Made()) << "not kept with the sheet";
  Expect("taken back with the sheet");

  // Another sheet object of the map moves every object of sheet 1 while
  // sheet 2 is open.
  ASSERT_EQ(1, map.OpenList(2));
  {
    TMapList other;
    ASSERT_EQ(1, other.Open(&map, 1));
    ASSERT_EQ(1, other.ReplaceListObjects(3000, -2000));
    other.Close(1);
  }
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_FALSE(map.List.FrameIndex.Made()) << "kept across another sheet object's writes";
  Expect("after another sheet object moved the objects");

  // Another process appends, rewrites and deletes on sheet 1 while this
  // map has sheet 2 open.
  map.WorkMode(1);
  Expect("made in edit mode");
  ASSERT_EQ(1, map.OpenList(2));
  ASSERT_EQ(0, WriteElsewhere(5));
  Expect("after another process's writes");
}

// The indexes a map keeps are bound together, not each: the sheets left
// longest ago give theirs up first, those worked on keep theirs.
TEST_F(SheetFrameWrites, TheIndexesKeptAreBoundTogether) {
  map.CloseData();
  ASSERT_TRUE(writertest::AddTestSheets(dir.path(), 3));
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  map.WorkMode(0);
  TSheetFrameIndex::ANSWER answer;
  auto make = [&](int sheet) {
    ASSERT_EQ(1, map.OpenList(sheet));
    ASSERT_TRUE(map.List.FrameIndex.Meeting(map.List, FRAME{0, 0, 10, 10}, 0, 1, &answer));
  };
  // The same objects on each sheet: indexes of one size.
  for (int sheet = 1; sheet <= 3; ++sheet) {
    ASSERT_EQ(1, map.OpenList(sheet));
    std::mt19937 same(5);
    for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(same() % 6), same), 0);
  }
  make(1);
  const size_t one = map.List.FrameIndex.Bytes();
  const size_t kept = TSheetFrameIndex::KeptBytes();
  // Room for two of them.
  TSheetFrameIndex::SetKeptBytes(one * 5 / 2);
  make(2);
  make(3);
  ASSERT_EQ(1, map.OpenList(2));
  EXPECT_TRUE(map.List.FrameIndex.Made()) << "the sheet worked on before lost its index";
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_FALSE(map.List.FrameIndex.Made()) << "the sheet left longest ago kept its index";
  // Made again, sheet 3's goes: sheet 2 was worked on since.
  make(1);
  ASSERT_EQ(1, map.OpenList(2));
  EXPECT_TRUE(map.List.FrameIndex.Made());
  ASSERT_EQ(1, map.OpenList(3));
  EXPECT_FALSE(map.List.FrameIndex.Made());
  TSheetFrameIndex::SetKeptBytes(kept);
}

// A frame spanning much of the sheet's nominal frame does not make the
// index: the walk answers it, and a picture of the whole sheet costs no
// index. Once made, the index answers a frame that misses every object at
// once, wherever it lies.
TEST_F(SheetFrameWrites, OnlyASmallFrameMakesTheIndex) {
  map.WorkMode(0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  TMapList& list = map.List;
  const DFRAME& nominal = list.List->Frame;
  const LONG wide = LONG(std::max(nominal.X2 - nominal.X1, nominal.Y2 - nominal.Y1));
  ASSERT_GT(wide, 100);
  TSheetFrameIndex::ANSWER named;
  EXPECT_FALSE(list.FrameIndex.Meeting(list, FRAME{0, 0, wide / 2, wide / 2}, 0, 1, &named));
  EXPECT_FALSE(list.FrameIndex.Made());
  ASSERT_TRUE(list.FrameIndex.Meeting(list, FRAME{0, 0, wide / 8, wide / 8}, 0, 1, &named));
  EXPECT_TRUE(list.FrameIndex.Made());
  const FRAME away{kExtent * 4, kExtent * 4, kExtent * 8, kExtent * 8};
  ASSERT_TRUE(list.FrameIndex.Meeting(list, away, 0, 1, &named));
  EXPECT_EQ(0, named.Count);
}

// Another document of the map moves and deletes objects of a sheet whose
// index this one made (neither changes the sheet's header); this one then
// leaves the sheet and comes back: what it answers is what a fresh opener
// of the sheet finds, not what the index it kept held. In every pair of
// edit mode on and off, the other document not even saved yet.
class SheetFrameReturns : public SheetFrameWrites,
                          public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(SheetFrameReturns, AnIndexKeptAnswersOnlyWhileNobodyElseWrote) {
  const auto [readerEdit, writerEdit] = GetParam();
  map.WorkMode(0);
  for (int i = 0; i < 400; ++i) ASSERT_GT(Append(map, int(random() % 6), random), 0);
  map.CloseData();
  ASSERT_TRUE(writertest::AddTestSheets(dir.path(), 2));
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  map.WorkMode(readerEdit);
  Expect("made");
  ASSERT_TRUE(map.List.FrameIndex.Made());

  // The other document writes before this one leaves the sheet: its
  // changes are still seen when this one comes back.
  TMap other;
  ASSERT_EQ(1, other.OpenData(Path().c_str(), 0));
  other.WorkMode(writerEdit);
  ASSERT_EQ(1, other.OpenList(1));
  for (int k = 0; k < 30; ++k)
    ASSERT_GT(Move(other, 1 + int(random() % 400), int(random() % 5), random), 0);
  for (int k = 0; k < 10; ++k) other.DeleteObject(1 + int(random() % 400));
  ASSERT_EQ(1, map.OpenList(2));

  TMap fresh;
  ASSERT_EQ(1, fresh.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, fresh.OpenList(1));
  ASSERT_EQ(1, map.OpenList(1));
  ExpectAnswersAsTheWalk(map.List, 150, kExtent, random, "after another document's writes",
                         &fresh.List);
}

INSTANTIATE_TEST_SUITE_P(ModePairs, SheetFrameReturns,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Without memory for the list beside the grid, an append the index hears
// of makes it forget itself; nothing is thrown into the writer.
TEST_F(SheetFrameWrites, AnAppendWithoutMemoryForgetsTheIndex) {
  map.WorkMode(0);
  for (int i = 0; i < 300; ++i) ASSERT_GT(Append(map, LOCAL_LINE, random), 0);
  Expect("made");
  // One append taken in: the index's tables have room for the next.
  ASSERT_GT(Append(map, LOCAL_LINE, random), 0);
  ASSERT_TRUE(map.List.FrameIndex.Made());
  TMapList& list = map.List;
  const LONG n = list.Head.Count + 1;
  FVSPR desc = *list.ObjectDesc(list.Head.Last);
  desc.Back = DWORD(list.Head.Last);
  desc.Next = 0;
  const HDRHEAD head = list.Head;
  list.Head.Count = n;
  list.Head.Last = n;
  g_newFails = true;
  bool thrown = false;
  try {
    list.FrameIndex.Appended(list, n, desc);
  } catch (...) {
    thrown = true;
  }
  g_newFails = false;
  list.Head = head;
  EXPECT_FALSE(thrown);
  EXPECT_FALSE(list.FrameIndex.Made());
  Expect("made again");
}

// A sheet's first write after it opens, without memory: with none at all
// the append fails and nothing is thrown into the writer (no lock taken
// and left unrecorded); without room for a long run of descriptors (the
// one block of more than 8 KB the append asks for) they are read a few at
// a time and the append is made. What was made is all there on reopening.
TEST_F(SheetFrameWrites, AFirstWriteWithoutMemoryFailsOrReadsLess) {
  map.WorkMode(0);
  for (int i = 0; i < 300; ++i) ASSERT_GT(Append(map, LOCAL_LINE, random), 0);
  map.CloseData();
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  Bytes metric = Metric(LOCAL_LINE, random);
  FVSPR d = objtest::Desc(LOCAL_LINE, uint16_t(16 + LOCAL_LINE));
  auto append = [&](bool none, int* made) {
    g_newFails = none;
    g_newFailsFrom = none ? SIZE_MAX : 8192;
    bool thrown = false;
    try {
      *made = map.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr);
    } catch (...) {
      thrown = true;
    }
    g_newFails = false;
    g_newFailsFrom = SIZE_MAX;
    return thrown;
  };
  int made = -1;
  EXPECT_FALSE(append(true, &made));
  EXPECT_EQ(0, made);
  EXPECT_FALSE(append(false, &made));
  EXPECT_EQ(301, made);
  ASSERT_EQ(302, Append(map, LOCAL_LINE, random));
  map.CloseData();
  ASSERT_EQ(1, map.OpenData(Path().c_str(), 0));
  ASSERT_EQ(1, map.OpenList(1));
  EXPECT_EQ(302, map.List.Head.Count);
  Expect("reopened");
}

}  // namespace
