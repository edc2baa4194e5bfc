// The search walks over the maps of a document: map and sheet order, next
// and previous never returning the place, the rules of the this-map and
// deleted flags, samples in force, the view walk, the area condition (also
// through the index of a large sheet's frames), the key searches, and the
// selects of a document while another process appends to the map.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "search/objectseek.h"
#include "selection/support/selectmap.h"
#include "support/host_recorder.h"
#include "support/writerprocess.h"

namespace {

using seltest::NewObject;
using seltest::SelectMap;

// Every object `seek` finds one way (SEEK_FIRST: forwards, SEEK_LAST:
// backwards), each as its sheet x `scale` + its number, in the order found.
std::vector<int> SeekAll(TObjectSeek& seek, TMapSelect& s, int way, int scale) {
  std::vector<int> out;
  MAPOBJDESC place{0, 0, nullptr};
  for (int flags = way; seek.SeekObject(&place, &s, flags);
       flags = way == SEEK_FIRST ? SEEK_NEXT : SEEK_PREV)
    out.push_back(int(place.List) * scale + int(place.Object));
  return out;
}

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// A main map of two sheets and two user maps of one sheet, with a gap in
// the chain between them (user map 2 is missing), each with its seek and
// view select.
class ObjectSeek : public ::testing::Test {
 protected:
  void SetUp() override {
    maps_[0] = std::make_unique<SelectMap>(2);
    maps_[1] = std::make_unique<SelectMap>(1);
    maps_[2] = std::make_unique<SelectMap>(1);
    for (auto& m : maps_) ASSERT_TRUE(m->ok());
    // Objects: main 1: keys 11, 12, 13; main 2: 21; user 1: 31, 32; user 3: 41.
    for (DWORD key : {11u, 12u, 13u}) Add(0, 1, key);
    Add(0, 2, 21);
    Add(1, 1, 31), Add(1, 1, 32);
    Add(2, 1, 41);
    const int index[4] = {0, 1, -1, 2};
    for (int n = 0; n < 4; ++n) {
      if (index[n] < 0) {
        list_[n] = SEEKMAP{nullptr, nullptr, nullptr, 0};
        continue;
      }
      TMap* map = &maps_[index[n]]->map;
      seek_[n] = std::make_unique<TMapSelect>(map);
      view_[n] = std::make_unique<TMapSelect>(map);
      list_[n] = SEEKMAP{map, seek_[n].get(), view_[n].get(), 1};
    }
  }
  int Add(int m, int sheet, DWORD key, int local = LOCAL_LINE,
          const objtest::Points& contour = NewObject().contour) {
    NewObject o;
    o.key = key;
    o.local = local;
    o.code = local == LOCAL_POINT ? seltest::KIND_TOWN : seltest::KIND_ROAD;
    o.contour = contour;
    const int n = maps_[m]->Append(sheet, o);
    EXPECT_GT(n, 0);
    return n;
  }
  // The keys found by a first (last) search and then next (previous) ones.
  std::string Walk(TMapSelect* select, int flags, MAPOBJDESC start = {0, 0, nullptr}) {
    TObjectSeek seek(TSeekMaps(list_, 4));
    std::string out;
    MAPOBJDESC place = start;
    const int direction = SeekDirection(flags);
    const bool forward = direction == SEEK_NEXT || direction == SEEK_FIRST;
    for (int k = 0; k < 20 && seek.SeekObject(&place, select, flags); ++k) {
      out += std::to_string(place.Map->ListObjectDesc(place.List, place.Object)->Key) + " ";
      // Other direction bits stay: the next bit wins over them.
      flags = forward ? (flags | SEEK_NEXT) : ((flags & ~SEEK_NEXT) | SEEK_PREV);
    }
    return out;
  }
  TMap* Map(int n) { return list_[n].Map; }

  std::unique_ptr<SelectMap> maps_[3];
  std::unique_ptr<TMapSelect> seek_[4], view_[4];
  SEEKMAP list_[4];
};

TEST_F(ObjectSeek, MapAndSheetOrder) {
  EXPECT_EQ("11 12 13 21 31 32 41 ", Walk(nullptr, SEEK_FIRST));
  EXPECT_EQ("41 32 31 21 13 12 11 ", Walk(nullptr, SEEK_LAST));
  // Bit 4 wins over 8 and 2, also after the first map.
  EXPECT_EQ("11 12 13 21 31 32 41 ", Walk(nullptr, SEEK_NEXT | SEEK_PREV | SEEK_LAST));
  // From a place: next and previous never return it.
  EXPECT_EQ("21 31 32 41 ", Walk(nullptr, SEEK_NEXT, MAPOBJDESC{1, 3, Map(0)}));
  EXPECT_EQ("12 11 ", Walk(nullptr, SEEK_PREV, MAPOBJDESC{1, 3, Map(0)}));
  EXPECT_EQ("", Walk(nullptr, SEEK_NEXT, MAPOBJDESC{1, 1, Map(3)}));
  EXPECT_EQ("", Walk(nullptr, SEEK_PREV, MAPOBJDESC{1, 1, Map(0)}));
  // This map only: without a place's map the main map for a first search,
  // the last user map for a last one.
  EXPECT_EQ("11 12 13 21 ", Walk(nullptr, SEEK_THISMAP));
  EXPECT_EQ("41 ", Walk(nullptr, SEEK_LAST | SEEK_THISMAP));
  EXPECT_EQ("32 ", Walk(nullptr, SEEK_NEXT | SEEK_THISMAP, MAPOBJDESC{1, 1, Map(1)}));
  // A select given stands for every map's own.
  seek_[1]->SetKeyMinimum(32), seek_[1]->SetKeySwitch(1);
  EXPECT_EQ("11 12 13 21 32 41 ", Walk(nullptr, SEEK_FIRST));
  EXPECT_EQ("11 12 13 21 31 32 41 ", Walk(seek_[0].get(), SEEK_FIRST));
}

TEST_F(ObjectSeek, PlaceNeverReturnedAndDeletedObjects) {
  // The only object that passes is the place itself.
  TMapSelect only(Map(0));
  only.SetKeyMinimum(12), only.SetKeyMaximum(12), only.SetKeySwitch(1);
  EXPECT_EQ("", Walk(&only, SEEK_NEXT | SEEK_THISMAP, MAPOBJDESC{1, 2, Map(0)}));
  EXPECT_EQ("", Walk(&only, SEEK_PREV | SEEK_THISMAP, MAPOBJDESC{1, 2, Map(0)}));
  EXPECT_EQ("12 ", Walk(&only, SEEK_THISMAP));

  ASSERT_EQ(2, maps_[0]->Delete(1, 2));
  EXPECT_EQ("11 13 21 31 32 41 ", Walk(nullptr, SEEK_FIRST));
  EXPECT_EQ("11 12 13 21 31 32 41 ", Walk(nullptr, SEEK_DELETED));
  TObjectSeek seek(TSeekMaps(list_, 4));
  const KEYSELECT twelve{1, 12, 12};
  MAPOBJDESC place{0, 0, nullptr};
  EXPECT_EQ(0, seek.SeekObject(&place, &twelve, SEEK_FIRST));
  EXPECT_EQ(1, seek.SeekObject(&place, &twelve, SEEK_DELETED));
  EXPECT_EQ(2, place.Object);
  EXPECT_EQ(0, TObjectSeek::SeekObjectByKey(Map(0), 1, 12));
  EXPECT_EQ(3, TObjectSeek::SeekObjectByKey(Map(0), 1, 13));
  // The map's own search: the descriptor, its object made the sheet's
  // current one.
  EXPECT_EQ(nullptr, Map(0)->SeekObjectByKey(1, 12));
  const FVSPR* found = Map(0)->SeekObjectByKey(1, 13);
  ASSERT_NE(nullptr, found);
  EXPECT_EQ(13u, found->Key);
  EXPECT_EQ(3, Map(0)->List.CurrentObject);
  EXPECT_EQ(nullptr, Map(0)->SeekObjectByKey(9, 13));
}

TEST_F(ObjectSeek, KeyRanges) {
  TObjectSeek seek(TSeekMaps(list_, 4));
  auto keys = [&](KEYSELECT range, int flags) {
    std::string out;
    MAPOBJDESC place{0, 0, nullptr};
    for (int k = 0; k < 10 && seek.SeekObject(&place, &range, flags); ++k) {
      out += std::to_string(place.Map->ListObjectDesc(place.List, place.Object)->Key) + " ";
      flags = (flags & ~(SEEK_LAST | SEEK_PREV | SEEK_NEXT)) |
              ((flags & (SEEK_LAST | SEEK_PREV)) ? SEEK_PREV : SEEK_NEXT);
    }
    return out;
  };
  // Sheet 1 of every map, by number.
  EXPECT_EQ("11 12 13 31 32 41 ", keys(KEYSELECT{1, 0, 0xFFFFFFFFu}, SEEK_FIRST));
  EXPECT_EQ("41 32 31 13 12 11 ", keys(KEYSELECT{1, 0, 0xFFFFFFFFu}, SEEK_LAST));
  EXPECT_EQ("12 13 ", keys(KEYSELECT{1, 12, 13}, SEEK_FIRST));
  EXPECT_EQ("", keys(KEYSELECT{1, 13, 12}, SEEK_FIRST));
  EXPECT_EQ("21 ", keys(KEYSELECT{2, 21, 21}, SEEK_THISMAP));
  // Two objects with one key: in number order.
  Add(0, 1, 12);
  EXPECT_EQ("12 12 ", keys(KEYSELECT{1, 12, 12}, SEEK_THISMAP));
  // Bad input: a sheet that does not open, no range.
  EXPECT_EQ("", keys(KEYSELECT{9, 0, 0xFFFFFFFFu}, SEEK_FIRST));
  MAPOBJDESC place{0, 0, nullptr};
  EXPECT_EQ(0, seek.SeekObject(&place, static_cast<const KEYSELECT*>(nullptr), 0));
}

TEST_F(ObjectSeek, SampleViewAndArea) {
  // A sample in force: its objects in number order, the walk going on from
  // an object outside it.
  TMapSelect sample(Map(0));
  sample.AppendSample(3, 1), sample.AppendSample(1, 1), sample.AppendSample(1, 2);
  const MAPOBJDESC main{0, 0, Map(0)};
  EXPECT_EQ("11 13 21 ", Walk(&sample, SEEK_THISMAP, main));
  EXPECT_EQ("21 13 11 ", Walk(&sample, SEEK_LAST | SEEK_THISMAP, main));
  EXPECT_EQ("13 21 ", Walk(&sample, SEEK_NEXT | SEEK_THISMAP, MAPOBJDESC{1, 2, Map(0)}));
  EXPECT_EQ("11 ", Walk(&sample, SEEK_PREV | SEEK_THISMAP, MAPOBJDESC{1, 2, Map(0)}));

  // The view walk: invisible maps and what the view select refuses are
  // passed over.
  list_[1].Visible = 0;
  view_[0]->ClearAllSheets(), view_[0]->SelectSheet(2), view_[0]->SetSheetSwitch(1);
  EXPECT_EQ("21 41 ", Walk(nullptr, SEEK_VIEW));
  list_[3].View = nullptr;
  EXPECT_EQ("21 ", Walk(nullptr, SEEK_VIEW));

  // The area condition applies after the test: a point object at the
  // centre of an area round it.
  const int inside = Add(0, 1, 14, LOCAL_POINT, seltest::OnGround({{100, 100}}));
  maps_[0]->map.OpenList(1);
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(Map(0), 1, int(METRIC_F64), 0));
  for (const auto& p : seltest::OnGround({{90, 90}, {90, 110}, {110, 110}, {110, 90}, {90, 90}}))
    area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect near(Map(0));
  ASSERT_EQ(1, near.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  ASSERT_TRUE(maps_[0]->map.List.ObjectDesc(inside) != nullptr);
  EXPECT_EQ("14 ", Walk(&near, SEEK_THISMAP));
}

// The area condition on sheets large enough for the index of their
// frames: the objects found forwards and backwards, and the sample of the
// area search with its progress, are those of the walk of every
// descriptor, for small and large areas in every relation, the objects of
// a sheet that lie on its neighbour's ground too.
class AreaThroughTheIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    minObjects = TSheetFrameIndex::MinObjects();
    ASSERT_TRUE(m.ok());
    side = 10000 / m.map.Factor;
    std::mt19937 random(91);
    // Over both sheets and a little around them, as map units from sheet
    // 1's corner; each object written to a sheet picked at random.
    const double g = seltest::kGround;
    std::uniform_real_distribution<double> x(g - 0.1 * side, g + 1.1 * side),
        y(g - 0.1 * side, g + 2.1 * side);
    const int locals[] = {LOCAL_LINE, LOCAL_POLYGON, LOCAL_POINT, LOCAL_VECTOR};
    for (int i = 0; i < 1200; ++i) {
      const int sheet = 1 + int(random() % 2);
      const DOUBLEPOINT& origin = *m.map.ViewPosition(sheet);
      const DOUBLEPOINT& first = *m.map.ViewPosition(1);
      NewObject o;
      o.local = locals[random() % 4];
      o.code = o.local == LOCAL_POLYGON ? seltest::KIND_LAKE
               : o.local == LOCAL_POINT ? seltest::KIND_TOWN
                                        : seltest::KIND_ROAD;
      const double x0 = x(random) + first.X - origin.X, y0 = y(random) + first.Y - origin.Y;
      const double w = double(random() % 400), h = double(random() % 400);
      if (o.local == LOCAL_POINT)
        o.contour = {{x0, y0}};
      else if (o.local == LOCAL_POLYGON)
        o.contour = {{x0, y0}, {x0 + w, y0}, {x0 + w, y0 + h}, {x0, y0 + h}, {x0, y0}};
      else
        o.contour = {{x0, y0}, {x0 + w, y0 + h / 2}, {x0 + w / 2, y0 + h}};
      ASSERT_GT(m.Append(sheet, o), 0);
    }
    for (int k = 0; k < 30; ++k) m.Delete(1 + int(random() % 2), 1 + int(random() % 500));
  }
  void TearDown() override {
    TSheetFrameIndex::SetMinObjects(minObjects);
    MessageWindowSet(nullptr);
    MessageEnableSet(0);
  }

  struct Answer {
    std::vector<int> forward, backward, sample;
    std::vector<WPARAM> progress;
  };
  // The answers to an area (map units from sheet 1's corner), through the
  // index or by the walk.
  Answer Ask(const objtest::Points& contour, int relation, double distance, int inversion,
             bool index) {
    TSheetFrameIndex::SetMinObjects(index ? 100 : INT_MAX);
    Answer a;
    TObjectInfo area;
    EXPECT_EQ(1, area.CreateObject(&m.map, 1, int(METRIC_F64), 0));
    for (const auto& p : contour) area.Metric.AppendPointSubject(0, p.first, p.second);
    TMapSelect s(&m.map);
    s.SetAreaInversion(inversion);
    EXPECT_EQ(1, s.AreaSet(distance, &area, 0, relation, 0, nullptr));
    SEEKMAP maps[1] = {{&m.map, &s, nullptr, 1}};
    TObjectSeek seek(TSeekMaps(maps, 1));
    a.forward = SeekAll(seek, s, SEEK_FIRST, 100000);
    a.backward = SeekAll(seek, s, SEEK_LAST, 100000);
    MessageEnableSet(1);
    mctest::RecordingWindow host;
    MessageWindowSet(host.handle());
    EXPECT_EQ(1, s.SetSampleByArea(nullptr));
    for (const auto& message : host.Of(WM_MAP_PROGRESS)) a.progress.push_back(message.wparam);
    MessageWindowSet(nullptr);
    MessageEnableSet(0);
    for (int sheet = 1; sheet <= 2; ++sheet)
      for (int o = s.GetFirstSample(sheet); o != 0; o = s.GetNextSample())
        a.sample.push_back(sheet * 100000 + o);
    return a;
  }
  // A box from the corner of sheet 1's ground.
  objtest::Points Box(double x, double y, double w, double h) const {
    return seltest::OnGround({{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}, {x, y}});
  }

  SelectMap m{2};
  double side = 0;
  LONG minObjects = 0;
};

TEST_F(AreaThroughTheIndex, ObjectsFoundAreThoseOfTheWalk) {
  const double s = side;
  const struct {
    const char* name;
    objtest::Points contour;
  } areas[] = {
      {"a square inside sheet 1", Box(0.3 * s, 0.4 * s, 300, 300)},
      {"a square over the border of the sheets", Box(0.5 * s, 0.97 * s, 500, 400)},
      {"a triangle",
       seltest::OnGround({{0.2 * s, 1.5 * s}, {0.2 * s + 600, 1.5 * s}, {0.2 * s, 1.5 * s + 500}})},
      {"a square where nothing lies", Box(5 * s, 5 * s, 300, 300)},
      {"a square over most of the map", Box(-0.1 * s, -0.1 * s, 1.2 * s, 2.2 * s)},
  };
  const struct {
    int relation;
    double distance;
    int inversion;
  } tests[] = {{1, 0, 0}, {0, 0, 0}, {0, 400, 0}, {2, 0, 0}, {1, 0, 1}};
  for (const auto& area : areas) {
    for (const auto& t : tests) {
      const std::string where = std::string(area.name) + ", relation " +
                                std::to_string(t.relation) + ", distance " +
                                std::to_string(t.distance) + ", inversion " +
                                std::to_string(t.inversion);
      const Answer walk = Ask(area.contour, t.relation, t.distance, t.inversion, false);
      const Answer index = Ask(area.contour, t.relation, t.distance, t.inversion, true);
      EXPECT_EQ(walk.forward, index.forward) << where;
      EXPECT_EQ(walk.backward, index.backward) << where;
      EXPECT_EQ(walk.sample, index.sample) << where;
      EXPECT_EQ(walk.progress, index.progress) << where;
    }
  }
  // The small areas made the index of each sheet they reach, kept with it.
  Ask(areas[1].contour, 1, 0, 0, true);
  for (int sheet = 1; sheet <= 2; ++sheet) {
    ASSERT_EQ(1, m.map.OpenList(sheet));
    EXPECT_TRUE(m.map.List.FrameIndex.Made()) << sheet;
  }
}

// An area over much of a sheet's objects, sought object by object after a
// small one made the index: the grid, which leaves such a question to the
// walk, is asked it once, not again for each object found.
TEST_F(AreaThroughTheIndex, AQuestionLeftToTheWalkIsAskedOnce) {
  TSheetFrameIndex::SetMinObjects(100);
  SEEKMAP maps[1] = {{&m.map, nullptr, nullptr, 1}};
  auto select = [&](const objtest::Points& contour) {
    TObjectInfo area;
    EXPECT_EQ(1, area.CreateObject(&m.map, 1, int(METRIC_F64), 0));
    for (const auto& p : contour) area.Metric.AppendPointSubject(0, p.first, p.second);
    TMapSelect s(&m.map);
    EXPECT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
    maps[0].Seek = &s;
    TObjectSeek seek(TSeekMaps(maps, 1));
    int found = 0;
    MAPOBJDESC place{0, 0, nullptr};
    for (int flags = SEEK_FIRST; seek.SeekObject(&place, &s, flags); flags = SEEK_NEXT) ++found;
    return found;
  };
  ASSERT_GT(select(Box(0.3 * side, 0.4 * side, 300, 300)), 0);
  const uint64_t before = TSheetFrameIndex::GridQuestions();
  const int found = select(Box(0.1 * side, 0.1 * side, 0.6 * side, 0.6 * side));
  ASSERT_GE(found, 50);
  EXPECT_LE(TSheetFrameIndex::GridQuestions() - before, 2u) << found << " objects found";
}

// Seeking over the area search's sample answers its objects without testing
// them again only while the sample is the search's answer: an entry the
// host adds, a condition changed, an object rewritten make the seek test
// the area again.
TEST_F(AreaThroughTheIndex, TheSearchSampleIsTestedAgainOnceAnythingChanged) {
  TSheetFrameIndex::SetMinObjects(100);
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  for (const auto& p : Box(0.3 * side, 0.4 * side, 600, 600))
    area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect s(&m.map);
  SEEKMAP maps[1] = {{&m.map, &s, nullptr, 1}};
  TObjectSeek seek(TSeekMaps(maps, 1));
  auto sought = [&] {
    std::vector<int> out;
    MAPOBJDESC place{0, 0, nullptr};
    for (int flags = SEEK_FIRST; seek.SeekObject(&place, &s, flags); flags = SEEK_NEXT)
      out.push_back(int(place.List) * 100000 + int(place.Object));
    return out;
  };
  auto sampled = [&] {
    std::vector<int> out;
    for (int sheet = 1; sheet <= 2; ++sheet)
      for (int o = s.GetFirstSample(sheet); o != 0; o = s.GetNextSample())
        out.push_back(sheet * 100000 + o);
    return out;
  };
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  std::vector<int> inArea = sought();  // in the chain's order; the sample's is by number
  std::sort(inArea.begin(), inArea.end());
  ASSERT_GE(inArea.size(), 3u);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  ASSERT_TRUE(s.AreaSampleHolds(&m.map));
  EXPECT_EQ(inArea, sampled());
  EXPECT_EQ(inArea, sought());

  // An object outside the area added by the host.
  int outside = 1;
  while (std::count(inArea.begin(), inArea.end(), 100000 + outside) != 0) ++outside;
  ASSERT_EQ(1, s.AppendSample(outside, 1));
  EXPECT_EQ(inArea, sought());

  // The area inversion turned on: the sample's objects now fail.
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  s.SetAreaInversion(1);
  EXPECT_EQ(std::vector<int>{}, sought());
  s.SetAreaInversion(0);

  // A sampled object moved far from the area.
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  const int moved = inArea[0] % 100000, sheet = inArea[0] / 100000;
  ASSERT_EQ(1, m.map.OpenList(sheet));
  FVSPR d = *m.map.List.ObjectDesc(moved);
  objtest::Bytes far = objtest::Metric(METRIC_I32, {{{-5 * side, -5 * side}, {-5 * side + 10, -5 * side}}});
  ASSERT_EQ(moved, m.map.UpdateObject(moved, &d, objtest::As<LONGMETRIC>(far), nullptr, nullptr));
  EXPECT_EQ(std::vector<int>(inArea.begin() + 1, inArea.end()), sought());
}

// A map of six sheets in a row, each object on its own sheet's ground: the
// seeks forwards and backwards and the area search find what a test of
// every object of every sheet finds, and open only the sheets whose
// objects' stored frames the area reaches (with the distance of relation
// 0); at this map's scale the frames, which take in the objects' signs,
// reach about half a sheet beyond their sheet's ground. The area
// inversion reaches every sheet.
struct SheetsReached {
  const char* name;
  objtest::Points contour;  // from sheet 1's ground, in its units: a sheet is 2000 wide
  int relation;
  double distance;  // plane metres
  int inversion;
  std::vector<int> sheets;  // those opened
};

void PrintTo(const SheetsReached& c, std::ostream* out) { *out << c.name; }

class AreaOverSheets : public ::testing::TestWithParam<SheetsReached> {
 protected:
  static constexpr int kSheets = 6;
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    ASSERT_EQ(2000, 10000 / m.map.Factor);
    ASSERT_EQ(2000, m.map.ViewPosition(2)->Y - m.map.ViewPosition(1)->Y);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(40, 1860);
    for (int sheet = 1; sheet <= kSheets; ++sheet) {
      for (int i = 0; i < 60; ++i) {
        NewObject o;
        const double x = at(random), y = at(random), w = double(random() % 100);
        o.local = i % 3 == 0 ? LOCAL_POINT : LOCAL_LINE;
        o.code = o.local == LOCAL_POINT ? seltest::KIND_TOWN : seltest::KIND_ROAD;
        o.contour = seltest::OnGround(o.local == LOCAL_POINT
                                          ? objtest::Points{{x, y}}
                                          : objtest::Points{{x, y}, {x + w, y + w / 2}});
        ASSERT_GT(m.Append(sheet, o), 0);
      }
    }
  }
  SelectMap m{kSheets};
};

TEST_P(AreaOverSheets, OnlyTheSheetsTheAreaReachesAreOpened) {
  const SheetsReached& c = GetParam();
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  for (const auto& p : c.contour) area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect s(&m.map);
  s.SetAreaInversion(c.inversion);
  ASSERT_EQ(1, s.AreaSet(c.distance, &area, 0, c.relation, 0, nullptr));
  // Every object of every sheet tested.
  std::vector<int> every;
  for (int sheet = 1; sheet <= kSheets; ++sheet) {
    ASSERT_EQ(1, m.map.OpenList(sheet));
    for (int o = 1; o <= m.map.List.Count(); ++o)
      if (s.AreaCheck(TObjectDesc(m.map.List.ObjectDesc(o)))) every.push_back(sheet * 1000 + o);
  }
  ASSERT_FALSE(every.empty());

  // The map opened afresh: no sheet kept.
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.path().c_str(), 0));
  ASSERT_EQ(0, m.map.List.KeptSheets());
  ASSERT_EQ(1, s.AreaSet(c.distance, &area, 0, c.relation, 0, nullptr));
  SEEKMAP maps[1] = {{&m.map, &s, nullptr, 1}};
  TObjectSeek seek(TSeekMaps(maps, 1));
  EXPECT_EQ(every, Sorted(SeekAll(seek, s, SEEK_FIRST, 1000))) << "forwards";
  EXPECT_EQ(every, Sorted(SeekAll(seek, s, SEEK_LAST, 1000))) << "backwards";
  ASSERT_EQ(1, s.SetSampleByArea(nullptr));
  std::vector<int> sampled;
  for (int sheet = 1; sheet <= kSheets; ++sheet)
    for (int o = s.GetFirstSample(sheet); o != 0; o = s.GetNextSample())
      sampled.push_back(sheet * 1000 + o);
  EXPECT_EQ(every, sampled) << "the area search";
  EXPECT_EQ(int(every.size()), s.GetSelectObjectCount());
  std::vector<int> sought;
  MAPOBJDESC place{0, 0, nullptr};
  for (int flags = SEEK_FIRST; seek.SeekObject(&place, &s, flags); flags = SEEK_NEXT)
    sought.push_back(int(place.List) * 1000 + int(place.Object));
  std::sort(sought.begin(), sought.end());
  EXPECT_EQ(every, sought) << "over the search's sample";

  std::vector<int> opened;
  for (int sheet = 1; sheet <= kSheets; ++sheet)
    if (m.map.List.IsFileSetKept(sheet)) opened.push_back(sheet);
  EXPECT_EQ(c.sheets, opened);
}

// A square from the corner of sheet 1's ground.
objtest::Points Square(double x, double y, double w) {
  return seltest::OnGround({{x, y}, {x, y + w}, {x + w, y + w}, {x + w, y}, {x, y}});
}

// A map opened again (what its writer left of each sheet holds while the
// sheet's version stands), with a select context and a seek over it.
struct ReopenedSeek {
  static bool Reopen(SelectMap& m) {
    m.map.CloseData();
    return m.map.OpenData(m.path().c_str(), 0) == 1;
  }
  explicit ReopenedSeek(SelectMap& m)
      : opened(Reopen(m)), map(&m.map), s(&m.map), maps{{&m.map, &s, nullptr, 1}},
        seek(TSeekMaps(maps, 1)) {}
  // Every object found (sheet x 1000 + number) within the square of `side`
  // from (x, y) on `sheet`.
  std::vector<int> Select(int sheet, double x, double y, double side) {
    TObjectInfo area;
    EXPECT_EQ(1, area.CreateObject(map, sheet, int(METRIC_F64), 0));
    for (const auto& p : Square(x, y, side)) area.Metric.AppendPointSubject(0, p.first, p.second);
    EXPECT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
    return SeekAll(seek, s, SEEK_FIRST, 1000);
  }
  bool opened;
  TMap* map;
  TMapSelect s;
  SEEKMAP maps[1];
  TObjectSeek seek;
};

INSTANTIATE_TEST_SUITE_P(
    Areas, AreaOverSheets,
    ::testing::Values(
        SheetsReached{"InsideSheet2", Square(600, 2600, 600), 1, 0, 0, {1, 2, 3}},
        SheetsReached{"WhollyInsideSheet2", Square(200, 2200, 1600), 2, 0, 0, {1, 2, 3}},
        SheetsReached{"OverTheBorderOf3And4", Square(800, 5800, 600), 1, 0, 0, {3, 4}},
        // 200 units before sheet 5's ground, 3,000 m (600 units) reaching
        // into it.
        SheetsReached{"DistanceReachingSheet5", Square(800, 7500, 300), 0, 3000, 0, {3, 4, 5}},
        SheetsReached{"Inverted", Square(600, 2600, 600), 1, 0, 1, {1, 2, 3, 4, 5, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

// Objects written to a sheet beyond its frame in the register (as any map
// but a user map takes them): the area questions over them find what a
// test of every object finds, on a map just opened, after this map wrote
// one more beyond another sheet's frame, and after another writer did.
TEST(AreaOverSheetFrames, ObjectsBeyondTheirSheetsFrameAreFound) {
  // The descriptor files are read in place first, then a block at a time.
  struct Bound {
    LONG inPlace = TSheetExtents::InPlaceObjects();
    ~Bound() { TSheetExtents::SetInPlaceObjects(inPlace); }
  } bound;
  TSheetExtents::SetInPlaceObjects(1);
  SelectMap m(6);
  ASSERT_TRUE(m.ok());
  // Sheet 5's ground in the units of sheet s.
  auto onSheet5 = [](int s, double x, double y) {
    return seltest::OnGround({{x, y + 2000.0 * (5 - s)}, {x + 40, y + 2000.0 * (5 - s) + 30}});
  };
  for (int sheet = 1; sheet <= 6; ++sheet) {
    for (int i = 0; i < 8; ++i) {
      NewObject o;
      o.contour = seltest::OnGround({{100.0 + 200 * i, 500}, {140.0 + 200 * i, 530}});
      ASSERT_GT(m.Append(sheet, o), 0);
    }
  }
  for (int i = 0; i < 4; ++i) {
    NewObject o;
    o.contour = onSheet5(1, 900 + 20 * i, 900);
    ASSERT_GT(m.Append(1, o), 0);
  }
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(&m.map, 5, int(METRIC_F64), 0));
  const objtest::Points square{{850, 850}, {850, 1000}, {1000, 1000}, {1000, 850}, {850, 850}};
  for (const auto& p : seltest::OnGround(square))
    area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect s(&m.map);
  auto every = [&] {
    std::vector<int> out;
    for (int sheet = 1; sheet <= 6; ++sheet) {
      EXPECT_EQ(1, m.map.OpenList(sheet));
      for (int o = 1; o <= m.map.List.Count(); ++o)
        if (s.AreaCheck(TObjectDesc(m.map.List.ObjectDesc(o)))) out.push_back(sheet * 1000 + o);
    }
    return out;
  };
  SEEKMAP maps[1] = {{&m.map, &s, nullptr, 1}};
  TObjectSeek seek(TSeekMaps(maps, 1));
  auto sought = [&](int way) { return Sorted(SeekAll(seek, s, way, 1000)); };
  auto sampled = [&] {
    std::vector<int> out;
    EXPECT_EQ(1, s.SetSampleByArea(nullptr));
    for (int sheet = 1; sheet <= 6; ++sheet)
      for (int o = s.GetFirstSample(sheet); o != 0; o = s.GetNextSample())
        out.push_back(sheet * 1000 + o);
    return out;
  };
  // The test of every object opens every sheet: it comes last.
  auto check = [&](const char* when, size_t count) {
    ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
    const std::vector<int> forwards = sought(SEEK_FIRST), backwards = sought(SEEK_LAST);
    const std::vector<int> sample = sampled(), expected = every();
    EXPECT_EQ(count, expected.size()) << when;
    EXPECT_EQ(expected, forwards) << when << ", forwards";
    EXPECT_EQ(expected, backwards) << when << ", backwards";
    EXPECT_EQ(expected, sample) << when << ", the area search";
  };
  ASSERT_NO_FATAL_FAILURE(check("as written", 4));
  TSheetExtents::SetInPlaceObjects(INT_MAX);
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.path().c_str(), 0));
  // The writer left what its sheets cover in the file (sheet 1's objects
  // beyond its frame too): no sheet is read to be passed over.
  LONG learnt = TSheetExtents::FilesLearnt();
  ASSERT_NO_FATAL_FAILURE(check("on the map opened again", 4));
  EXPECT_EQ(0, TSheetExtents::FilesLearnt() - learnt);

  // Sheet 2 was passed over: one more of its objects beyond its frame.
  NewObject o;
  o.contour = onSheet5(2, 950, 950);
  ASSERT_GT(m.Append(2, o), 0);
  ASSERT_NO_FATAL_FAILURE(check("after this map wrote", 5));
  m.map.CloseData();

  // Another writer's object on sheet 3, seen by this map open before and
  // by one opened while that writer is open: that writer voided sheet 3's
  // stamp before writing it, and sheet 3 alone is read, once (the map
  // opened afterwards in this process takes what the first learnt).
  ASSERT_EQ(1, m.map.OpenData(m.path().c_str(), 0));
  TMap b;
  ASSERT_EQ(1, b.OpenData(m.path().c_str(), 0));
  ASSERT_EQ(1, b.OpenList(3));
  FVSPR d = objtest::Desc(LOCAL_LINE, seltest::KIND_ROAD);
  objtest::Bytes metric = objtest::Metric(METRIC_I32, {onSheet5(3, 960, 960)});
  ASSERT_GT(b.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr), 0);
  learnt = TSheetExtents::FilesLearnt();
  ASSERT_NO_FATAL_FAILURE(check("after another writer wrote", 6));
  EXPECT_EQ(1, TSheetExtents::FilesLearnt() - learnt);
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.path().c_str(), 0));
  learnt = TSheetExtents::FilesLearnt();
  ASSERT_NO_FATAL_FAILURE(check("opened while another writer has it", 6));
  EXPECT_EQ(0, TSheetExtents::FilesLearnt() - learnt);
  // Once it closes, its stamps speak for what it wrote.
  b.CloseData();
  m.map.CloseData();
  ASSERT_EQ(1, m.map.OpenData(m.path().c_str(), 0));
  learnt = TSheetExtents::FilesLearnt();
  ASSERT_NO_FATAL_FAILURE(check("opened after the other writer closed", 6));
  EXPECT_EQ(0, TSheetExtents::FilesLearnt() - learnt);
}

// On a map of many sheets a select asks only the sheets whose objects may
// lie near its area, not every sheet in turn; a change another map has
// begun on a far sheet, told by no raise yet (a writer stopped or killed in
// the middle), is looked at by the next select all the same.
TEST(AreaOverManySheets, ASelectAsksOnlyTheSheetsNearItsArea) {
  constexpr int kSheets = 40;
  SelectMap m(kSheets);
  ASSERT_TRUE(m.ok());
  for (int sheet = 1; sheet <= kSheets; ++sheet) {
    NewObject o;
    o.contour = seltest::OnGround({{900, 900}, {940, 930}});
    ASSERT_GT(m.Append(sheet, o), 0);
  }
  ReopenedSeek r(m);
  ASSERT_TRUE(r.opened);
  // The objects of a square round the one of `sheet`.
  auto select = [&](int sheet) { return r.Select(sheet, 880, 880, 80); };
  EXPECT_EQ(std::vector<int>{20001}, select(20));
  LONG asked = TSheetExtents::SheetsAsked();
  EXPECT_EQ(std::vector<int>{30001}, select(30));
  EXPECT_LT(TSheetExtents::SheetsAsked() - asked, 8) << "the far sheets were asked";

  TMap b;
  ASSERT_EQ(1, b.OpenData(m.path().c_str(), 0));
  DWORD counter = 0, after = 0;
  ASSERT_TRUE(b.ReadChangeCounter(&counter));
  b.SheetObjectWritten(5, FRAME{0, 0, 10, 10}, true);
  ASSERT_TRUE(b.ReadChangeCounter(&after));
  ASSERT_EQ(counter, after);
  const LONG learnt = TSheetExtents::FilesLearnt();
  asked = TSheetExtents::SheetsAsked();
  EXPECT_EQ(std::vector<int>{30001}, select(30));
  EXPECT_EQ(1, TSheetExtents::FilesLearnt() - learnt) << "the change begun went unseen";
  EXPECT_GE(TSheetExtents::SheetsAsked() - asked, kSheets);
}

// Three sheets of two lines each, every line on its sheet's ground (2000
// units wide), sheet 1's second 10 units from sheet 2's ground.
const objtest::Points kEdge{{1000, 1890}, {1100, 1990}};

objtest::Bytes PointsLine(const objtest::Points& p) {
  return objtest::Metric(METRIC_F32, {seltest::OnGround(p)});
}

void AppendNearEdge(SelectMap& m) {
  const objtest::Points objects[3][2] = {{{{600, 600}, {700, 650}}, kEdge},
                                         {{{1000, 50}, {1040, 80}}, {{600, 1000}, {700, 1100}}},
                                         {{{600, 600}, {700, 700}}, {{200, 200}, {300, 260}}}};
  for (int sheet = 1; sheet <= 3; ++sheet) {
    ASSERT_EQ(1, m.map.OpenList(sheet));
    for (const objtest::Points& p : objects[sheet - 1]) {
      FVSPR d = objtest::Desc(LOCAL_LINE, seltest::KIND_ROAD);
      objtest::Bytes metric = PointsLine(p);
      ASSERT_GT(m.map.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr), 0);
    }
  }
}

// Whether sheet 1 is passed over for a square on sheet 2's ground, 20 units
// past sheet 1's points, within their frames stored; the square is then the
// select's area.
bool SquareBeyondSheet1(ReopenedSeek& r) {
  TObjectInfo a;
  EXPECT_EQ(1, a.CreateObject(r.map, 1, int(METRIC_F64), 0));
  for (const auto& p : Square(950, 2010, 150)) a.Metric.AppendPointSubject(0, p.first, p.second);
  EXPECT_EQ(1, r.s.AreaSet(0.0, &a, 0, 1, 0, nullptr));
  return r.s.SheetBeyondArea(1);
}

// Every object of sheet 1 near a select: their points learnt.
std::vector<int> LearnSheet1(ReopenedSeek& r) { return r.Select(1, 100, 100, 1850); }

// Rewrites object n of sheet 1 through `map`; its record stays in place
// unless `anywhere`.
void MoveOnSheet1(TMap& map, int n, const objtest::Points& to, bool anywhere = false) {
  ASSERT_EQ(1, map.OpenList(1));
  FVSPR d = *map.List.ObjectDesc(n);
  const DWORD offset = d.DataOffset;
  objtest::Bytes metric = PointsLine(to);
  ASSERT_EQ(n, map.UpdateObject(n, &d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr));
  if (!anywhere) {
    ASSERT_EQ(offset, map.List.ObjectDesc(n)->DataOffset) << "not rewritten in place";
  }
}

// A select of an area beyond the points of a sheet's objects but within
// their frames stored (widened for what is drawn round them) passes the
// sheet over unopened once the walks of selects met every object of the
// sheet and read the points of those near them, and finds what it found
// before; an object moved into such an area since, by this map (its record
// rewritten in place) or by another map of the process, is found.
TEST(AreaOverSheetPoints, WhatIsLearntOfThePointsFollowsEveryChange) {
  SelectMap m(3);
  ASSERT_TRUE(m.ok());
  ASSERT_NO_FATAL_FAILURE(AppendNearEdge(m));
  ReopenedSeek r(m);
  ASSERT_TRUE(r.opened);
  ASSERT_FALSE(SquareBeyondSheet1(r)) << "the frames stored reach the square";
  EXPECT_EQ((std::vector<int>{1001, 1002}), LearnSheet1(r));
  FRAME points{};
  ASSERT_TRUE(m.map.SheetPointsExtent(1, &points));
  EXPECT_EQ(seltest::kGround + 1990 + 1, points.Y2);
  ASSERT_TRUE(SquareBeyondSheet1(r));
  EXPECT_EQ(std::vector<int>{2001}, SeekAll(r.seek, r.s, SEEK_FIRST, 1000));
  EXPECT_EQ(std::vector<int>{2001}, SeekAll(r.seek, r.s, SEEK_LAST, 1000));

  ASSERT_NO_FATAL_FAILURE(MoveOnSheet1(m.map, 2, {{1000, 2020}, {1100, 2060}}));
  EXPECT_FALSE(SquareBeyondSheet1(r));
  EXPECT_EQ((std::vector<int>{1002, 2001}), SeekAll(r.seek, r.s, SEEK_FIRST, 1000));

  ASSERT_NO_FATAL_FAILURE(MoveOnSheet1(m.map, 2, kEdge));
  EXPECT_EQ((std::vector<int>{1001, 1002}), LearnSheet1(r));
  ASSERT_TRUE(SquareBeyondSheet1(r));
  TMap b;
  ASSERT_EQ(1, b.OpenData(m.path().c_str(), 0));
  ASSERT_NO_FATAL_FAILURE(MoveOnSheet1(b, 1, {{1000, 2030}, {1040, 2070}}));
  EXPECT_FALSE(SquareBeyondSheet1(r));
  EXPECT_EQ((std::vector<int>{1001, 2001}), SeekAll(r.seek, r.s, SEEK_FIRST, 1000));
}

// The same in every pair of modes: a reader that learnt the points of
// sheet 1, in edit mode or not, finds the object another writer (edit mode
// or not, in this process or another) moved into the area beyond them, by
// its own area test as by a select.
class PointsOverAnotherWritersChange
    : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(PointsOverAnotherWritersChange, AnObjectMovedIntoTheAreaIsFound) {
  const auto [readerEdit, writerEdit, otherProcess] = GetParam();
  SelectMap m(3);
  ASSERT_TRUE(m.ok());
  ASSERT_NO_FATAL_FAILURE(AppendNearEdge(m));
  ReopenedSeek r(m);
  ASSERT_TRUE(r.opened);
  m.map.WorkMode(readerEdit);
  EXPECT_EQ((std::vector<int>{1001, 1002}), LearnSheet1(r));
  ASSERT_TRUE(SquareBeyondSheet1(r));
  EXPECT_EQ(std::vector<int>{2001}, SeekAll(r.seek, r.s, SEEK_FIRST, 1000));

  TMap b;
  auto step = [&](const writertest::Order& o) -> int32_t {
    if (o.what != 1 || b.OpenData(m.path().c_str(), 0) != 1) return 0;
    b.WorkMode(o.arg);
    MoveOnSheet1(b, 2, {{1000, 2020}, {1100, 2060}}, true);
    const int32_t moved = ::testing::Test::HasFatalFailure() ? 0 : 1;
    b.CloseData();
    return moved;
  };
  writertest::Stepper elsewhere;
  if (otherProcess) {
    elsewhere = writertest::StartStepper(step);
    ASSERT_GT(elsewhere.pid, 0);
  }
  const writertest::Order order{1, writerEdit};
  ASSERT_EQ(1, otherProcess ? writertest::Step(elsewhere, order) : step(order));
  if (otherProcess) {
    EXPECT_EQ(0, writertest::StopStepper(elsewhere));
  }
  // Its own test asked alone, with no walk looking at the sheet's signal
  // first, passes it too.
  TObjectInfo a;
  ASSERT_EQ(1, a.CreateObject(r.map, 1, int(METRIC_F64), 0));
  for (const auto& p : Square(950, 2010, 150)) a.Metric.AppendPointSubject(0, p.first, p.second);
  ASSERT_EQ(1, r.s.AreaSet(0.0, &a, 0, 1, 0, nullptr));
  ASSERT_EQ(1, m.map.OpenList(1));
  EXPECT_EQ(1, r.s.AreaCheck(TObjectDesc(m.map.List.ObjectDesc(2))));
  EXPECT_FALSE(SquareBeyondSheet1(r));
  EXPECT_EQ((std::vector<int>{1002, 2001}), SeekAll(r.seek, r.s, SEEK_FIRST, 1000));
}

INSTANTIATE_TEST_SUITE_P(ModePairs, PointsOverAnotherWritersChange,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()),
                         [](const auto& info) { return writertest::ModePairName(info.param); });

// Selects at random places over sheets of lines and points, each one
// learning more of their points, find what a test of every object on a
// map that learnt nothing finds.
TEST(AreaOverSheetPoints, WhatIsLearntNeverChangesWhatIsFound) {
  constexpr int kSheets = 3;
  SelectMap m(kSheets);
  ASSERT_TRUE(m.ok());
  std::mt19937 random(11);
  std::uniform_real_distribution<double> at(0, 2000), step(-60, 60);
  // Every point, in the units of sheet 1: the squares are laid round them.
  std::vector<std::pair<double, double>> near;
  for (int sheet = 1; sheet <= kSheets; ++sheet) {
    ASSERT_EQ(1, m.map.OpenList(sheet));
    for (int i = 0; i < 100; ++i) {
      const double x = at(random), y = at(random);
      objtest::Points p{{x, y}};
      const int local = i % 4 == 0 ? LOCAL_POINT : LOCAL_LINE;
      if (local == LOCAL_LINE) p.push_back({x + step(random), y + step(random)});
      for (const auto& q : p) near.push_back({q.first, q.second + 2000.0 * (sheet - 1)});
      FVSPR d = objtest::Desc(local, local == LOCAL_POINT ? seltest::KIND_TOWN : seltest::KIND_ROAD);
      objtest::Bytes metric = objtest::Metric(METRIC_F32, {seltest::OnGround(p)});
      ASSERT_GT(m.map.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr), 0);
    }
  }
  ReopenedSeek r(m);
  ASSERT_TRUE(r.opened);
  TMap fresh;
  ASSERT_EQ(1, fresh.OpenData(m.path().c_str(), 0));
  TMapSelect plain(&fresh);
  std::uniform_real_distribution<double> side(5, 80), off(-40, 40);
  for (int round = 0; round < 200; ++round) {
    const auto& c = near[random() % near.size()];
    const double x = c.first + off(random), y = c.second + off(random), w = side(random);
    const std::vector<int> found = Sorted(r.Select(1, x, y, w));
    TObjectInfo a;
    ASSERT_EQ(1, a.CreateObject(&fresh, 1, int(METRIC_F64), 0));
    for (const auto& p : Square(x, y, w)) a.Metric.AppendPointSubject(0, p.first, p.second);
    ASSERT_EQ(1, plain.AreaSet(0.0, &a, 0, 1, 0, nullptr));
    std::vector<int> every;
    for (int sheet = 1; sheet <= kSheets; ++sheet) {
      ASSERT_EQ(1, fresh.OpenList(sheet));
      for (int o = 1; o <= fresh.List.Count(); ++o)
        if (plain.AreaCheck(TObjectDesc(fresh.List.ObjectDesc(o)))) every.push_back(sheet * 1000 + o);
    }
    ASSERT_EQ(every, found) << "round " << round;
  }
  FRAME points{};
  EXPECT_TRUE(m.map.SheetPointsExtent(2, &points)) << "nothing was learnt";
}

// Past the bound of the indexes kept, a select makes the indexes of the
// sheets its area reaches and no others, and the index given up is that of
// the sheet used longest ago.
TEST(AreaOverSheetIndexes, TheSheetsUsedLongestAgoGiveUpTheirIndexes) {
  // The index's bounds are put back however the test ends.
  struct Bounds {
    LONG minObjects = TSheetFrameIndex::MinObjects();
    size_t kept = TSheetFrameIndex::KeptBytes();
    ~Bounds() {
      TSheetFrameIndex::SetKeptBytes(kept);
      TSheetFrameIndex::SetMinObjects(minObjects);
    }
  } bounds;
  TSheetFrameIndex::SetMinObjects(100);
  SelectMap m(4);
  ASSERT_TRUE(m.ok());
  for (int sheet = 1; sheet <= 4; ++sheet) {
    std::mt19937 same(3);
    for (int i = 0; i < 300; ++i) {
      NewObject o;
      const double x = double(40 + same() % 1800), y = double(40 + same() % 1800);
      o.contour = seltest::OnGround({{x, y}, {x + 30, y + 20}});
      ASSERT_GT(m.Append(sheet, o), 0);
    }
  }
  ReopenedSeek r(m);
  ASSERT_TRUE(r.opened);
  auto select = [&](double y) { r.Select(1, 800, y, 100); };
  ASSERT_NO_FATAL_FAILURE(select(800));
  ASSERT_EQ(1, m.map.OpenList(1));
  ASSERT_TRUE(m.map.List.FrameIndex.Made());
  // Room for two and a half indexes of one size.
  TSheetFrameIndex::SetKeptBytes(m.map.List.FrameIndex.Bytes() * 5 / 2);
  ASSERT_NO_FATAL_FAILURE(select(2800));
  ASSERT_NO_FATAL_FAILURE(select(4800));
  ASSERT_NO_FATAL_FAILURE(select(3950));  // over the border of sheets 2 and 3
  ASSERT_EQ(1, m.map.OpenList(3));
  EXPECT_TRUE(m.map.List.FrameIndex.Made()) << 3;
  ASSERT_EQ(1, m.map.OpenList(2));
  EXPECT_TRUE(m.map.List.FrameIndex.Made()) << 2;
  ASSERT_EQ(1, m.map.OpenList(1));
  EXPECT_FALSE(m.map.List.FrameIndex.Made()) << "the sheet used longest ago kept its index";
  ASSERT_EQ(1, m.map.OpenList(4));
  EXPECT_FALSE(m.map.List.FrameIndex.Made()) << "a sheet the areas missed was indexed";
}

// Document A's area search fills its sample with four objects of sheet 1;
// document B, in this process or another, moves them out of the area and
// closes the map, each document in edit mode or not. A, seeking over its
// sample, reads sheet 1 again (it went on to sheet 2) and finds
// none of them: the search's answer is the answer only while nobody has
// changed the map.
class SampleOverAnotherWritersChange
    : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(SampleOverAnotherWritersChange, ObjectsMovedOutOfTheAreaAreNotFound) {
  const auto [readerEdit, writerEdit, otherProcess] = GetParam();
  SelectMap m(2);
  ASSERT_TRUE(m.ok());
  std::vector<int> inside;
  for (int k = 0; k < 4; ++k) {
    NewObject o;
    o.contour = seltest::OnGround({{100.0 + 10 * k, 300}, {150.0 + 10 * k, 350}});
    inside.push_back(m.Append(1, o));
    ASSERT_GT(inside.back(), 0);
  }
  ASSERT_GT(m.Append(2), 0);
  m.map.WorkMode(readerEdit);
  TObjectInfo area;
  ASSERT_EQ(1, area.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  for (const auto& p : seltest::OnGround({{50, 250}, {50, 450}, {250, 450}, {250, 250}, {50, 250}}))
    area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  ASSERT_EQ(4, s.GetSamplesCount(1));
  ASSERT_EQ(1, m.map.OpenList(2));

  // B's steps: open (the argument: edit mode), move object n far away, close.
  TMap b;
  auto step = [&](const writertest::Order& o) -> int32_t {
    switch (o.what) {
      case 1:
        if (b.OpenData(m.path().c_str(), 0) != 1) return 0;
        b.WorkMode(o.arg);
        return b.OpenList(1);
      case 2: {
        const FVSPR* stored = b.List.ObjectDesc(o.arg);
        if (stored == nullptr) return 0;
        FVSPR d = *stored;
        objtest::Bytes far = objtest::Metric(METRIC_I32, {{{-50000, -50000}, {-49990, -50000}}});
        return b.UpdateObject(o.arg, &d, objtest::As<LONGMETRIC>(far), nullptr, nullptr);
      }
      case 3: return b.CloseData();
      default: return 0;
    }
  };
  writertest::Stepper elsewhere;
  auto order = [&](int what, int arg) {
    return otherProcess ? writertest::Step(elsewhere, {what, arg}) : step({what, arg});
  };
  if (otherProcess) {
    elsewhere = writertest::StartStepper(step);
    ASSERT_GT(elsewhere.pid, 0);
  }
  ASSERT_EQ(1, order(1, writerEdit));
  for (const int n : inside) ASSERT_EQ(n, order(2, n));
  ASSERT_EQ(1, order(3, 0));
  if (otherProcess) {
    EXPECT_EQ(0, writertest::StopStepper(elsewhere));
  }

  SEEKMAP maps[1] = {{&m.map, &s, nullptr, 1}};
  TObjectSeek seek(TSeekMaps(maps, 1));
  MAPOBJDESC place{0, 0, nullptr};
  EXPECT_EQ(0, seek.SeekObject(&place, &s, SEEK_FIRST)) << "found object " << place.Object;
}

INSTANTIATE_TEST_SUITE_P(ModePairs, SampleOverAnotherWritersChange,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()),
                         [](const auto& info) { return writertest::ModePairName(info.param); });

// A map of two sheets of 2,500 objects each on their own ground: lines
// first, then polygons, so that the chain (polygons before lines) runs
// through descriptors that the first window of a reader's cache does not
// hold. Another process appends polygons and lines to both sheets, each
// new polygon linked between the last polygon and the first line. A
// document that opened the map before (its count from then) selects by an
// area inside sheet 1 and by one over the border of the two, seeking the
// objects one by one forwards and backwards and by the area search: each
// select finds every object a document found before the appends, and
// exactly what a document opened afterwards finds; so again after more
// appends and an adjustment of its data.
constexpr int kLines = 2300, kPolygons = 200, kAppended = 40;

NewObject Scattered(std::mt19937& random, int local) {
  NewObject o;
  o.local = local;
  o.code = local == LOCAL_POLYGON ? seltest::KIND_LAKE : seltest::KIND_ROAD;
  std::uniform_real_distribution<double> at(40, 1860);
  const double x = at(random), y = at(random), w = double(10 + random() % 60);
  o.contour = seltest::OnGround(
      local == LOCAL_POLYGON ? objtest::Points{{x, y}, {x + w, y}, {x + w, y + w}, {x, y + w}, {x, y}}
                             : objtest::Points{{x, y}, {x + w, y + w / 2}});
  return o;
}

// What one select by an area (relation 1) finds: sought forwards and
// backwards, then by the area search, each as sheet * 100000 + number in
// ascending order.
struct Selected {
  std::vector<int> forward, backward, sample;
};

Selected SelectByArea(TMap& map, const objtest::Points& contour) {
  Selected found;
  TObjectInfo area;
  EXPECT_EQ(1, area.CreateObject(&map, 1, int(METRIC_F64), 0));
  for (const auto& p : contour) area.Metric.AppendPointSubject(0, p.first, p.second);
  TMapSelect s(&map);
  EXPECT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  SEEKMAP maps[1] = {{&map, &s, nullptr, 1}};
  TObjectSeek seek(TSeekMaps(maps, 1));
  found.forward = Sorted(SeekAll(seek, s, SEEK_FIRST, 100000));
  found.backward = Sorted(SeekAll(seek, s, SEEK_LAST, 100000));
  EXPECT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  for (int sheet = 1; sheet <= map.Count(); ++sheet)
    for (int o = s.GetFirstSample(sheet); o != 0; o = s.GetNextSample())
      found.sample.push_back(sheet * 100000 + o);
  return found;
}

// The objects of `before` that `now` lacks, as text ("" none).
std::string Missing(const std::vector<int>& before, const std::vector<int>& now) {
  std::vector<int> lost;
  std::set_difference(before.begin(), before.end(), now.begin(), now.end(),
                      std::back_inserter(lost));
  std::string out = lost.empty() ? "" : std::to_string(lost.size()) + " missing:";
  for (size_t i = 0; i < lost.size() && i < 5; ++i) out += " " + std::to_string(lost[i]);
  return out;
}

void ExpectNoneMissing(const Selected& before, const Selected& now, const std::string& where) {
  EXPECT_EQ("", Missing(before.forward, now.forward)) << where << ", sought forwards";
  EXPECT_EQ("", Missing(before.forward, now.backward)) << where << ", sought backwards";
  EXPECT_EQ("", Missing(before.sample, now.sample)) << where << ", the area search";
}

void ExpectSame(const Selected& fresh, const Selected& now, const std::string& where) {
  EXPECT_EQ(fresh.forward, now.forward) << where << ", sought forwards";
  EXPECT_EQ(fresh.backward, now.backward) << where << ", sought backwards";
  EXPECT_EQ(fresh.sample, now.sample) << where << ", the area search";
}

class SelectWhileAnotherAppends : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    std::mt19937 random(5);
    for (int sheet = 1; sheet <= 2; ++sheet)
      for (int i = 0; i < kLines + kPolygons; ++i)
        ASSERT_GT(m.Append(sheet, Scattered(random, i < kLines ? LOCAL_LINE : LOCAL_POLYGON)), 0);
    m.map.CloseData();
  }
  void TearDown() override { TSheetFrameIndex::SetMinObjects(minObjects); }
  // Appends kAppended polygons and as many lines to sheet `sheet` of `map`,
  // interleaved: 1, or 0 when one is refused.
  static int AppendSome(TMap& map, int sheet) {
    std::mt19937 random(sheet);
    for (int i = 0; i < 2 * kAppended; ++i)
      if (map.OpenList(sheet) != 1 ||
          AppendTo(map, Scattered(random, i % 2 ? LOCAL_LINE : LOCAL_POLYGON)) == 0)
        return 0;
    return 1;
  }
  static int AppendTo(TMap& map, const NewObject& o) {
    FVSPR d = objtest::Desc(o.local, o.code);
    objtest::Bytes metric = objtest::Metric(METRIC_I32, {o.contour});
    return map.AppendObject(&d, objtest::As<LONGMETRIC>(metric), nullptr, nullptr);
  }
  // Inside sheet 1, and over the border of sheets 1 and 2.
  const objtest::Points areas[2] = {
      seltest::OnGround({{500, 500}, {500, 1200}, {1200, 1200}, {1200, 500}, {500, 500}}),
      seltest::OnGround({{600, 1500}, {600, 2500}, {1400, 2500}, {1400, 1500}, {600, 1500}})};
  const char* names[2] = {"inside sheet 1", "over two sheets"};
  SelectMap m{2};
  const LONG minObjects = TSheetFrameIndex::MinObjects();
};

class SelectWhileAnotherAppendsStepped
    : public SelectWhileAnotherAppends,
      public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(SelectWhileAnotherAppendsStepped, EveryObjectThereBeforeIsFound) {
  const auto [index, writerEdit] = GetParam();
  TSheetFrameIndex::SetMinObjects(index ? 100 : INT_MAX);
  Selected before[2];
  {
    TMap first;
    ASSERT_EQ(1, first.OpenData(m.path().c_str(), 0));
    for (int a = 0; a < 2; ++a) before[a] = SelectByArea(first, areas[a]);
  }
  ASSERT_FALSE(before[0].forward.empty());
  ASSERT_EQ(before[0].forward, before[0].sample);
  ASSERT_EQ(before[1].forward, before[1].sample);

  TMap r;
  ASSERT_EQ(1, r.OpenData(m.path().c_str(), 0));
  ASSERT_EQ(1, r.OpenList(1));
  ASSERT_EQ(kLines + kPolygons, r.List.Count());

  // The writer's steps: open (the argument: edit mode), append to a sheet,
  // close.
  TMap copy;
  auto step = [&](const writertest::Order& o) -> int32_t {
    switch (o.what) {
      case 1:
        if (copy.OpenData(m.path().c_str(), 0) != 1) return 0;
        copy.WorkMode(o.arg);
        return 1;
      case 2: return AppendSome(copy, o.arg);
      case 3: return copy.CloseData();
      default: return 0;
    }
  };
  auto append = [&](std::initializer_list<int> sheets) {
    writertest::Stepper w = writertest::StartStepper(step);
    ASSERT_GT(w.pid, 0);
    ASSERT_EQ(1, writertest::Step(w, {1, writerEdit}));
    for (const int sheet : sheets) ASSERT_EQ(1, writertest::Step(w, {2, sheet}));
    ASSERT_EQ(1, writertest::Step(w, {3, 0}));
    EXPECT_EQ(0, writertest::StopStepper(w));
  };
  ASSERT_NO_FATAL_FAILURE(append({1, 2}));
  auto expectFresh = [&](const std::string& when) {
    TMap fresh;
    ASSERT_EQ(1, fresh.OpenData(m.path().c_str(), 0));
    for (int a = 0; a < 2; ++a) {
      const Selected now = SelectByArea(fresh, areas[a]);
      for (int round = 1; round <= 2; ++round) {
        const std::string where = std::string(names[a]) + ", " + when + std::to_string(round);
        const Selected again = SelectByArea(r, areas[a]);
        ExpectNoneMissing(before[a], again, where);
        ExpectSame(now, again, where);
      }
    }
  };
  ASSERT_NO_FATAL_FAILURE(expectFresh("select "));
  // More appends to sheet 1, its sheet, and its data adjusted.
  ASSERT_EQ(1, r.OpenList(1));
  ASSERT_NO_FATAL_FAILURE(append({1}));
  ASSERT_NE(0, r.AdjustData());
  ASSERT_NO_FATAL_FAILURE(expectFresh("data adjusted, select "));
}

INSTANTIATE_TEST_SUITE_P(IndexAndWriterMode, SelectWhileAnotherAppendsStepped,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "Index" : "Walk") +
                                  (std::get<1>(info.param) ? "WriterInEditMode" : "Writer");
                         });

// The writer running freely: a document keeps selecting while another
// process appends 1,500 objects to both sheets, in edit mode or not; every
// select finds every object there before the writer began, and once the
// writer is gone exactly what a document opened then finds. The document
// keeps its sheets' caches, or (little memory to keep them in) its caches
// read by pieces and its area tests look at the records in the files'
// views.
class SelectWhileAnotherAppendsFreely
    : public SelectWhileAnotherAppends,
      public ::testing::WithParamInterface<std::tuple<bool, bool>> {
 protected:
  void TearDown() override {
    TMapList::SetKeptCacheBytes(keptCacheBytes);
    SelectWhileAnotherAppends::TearDown();
  }
  const size_t keptCacheBytes = TMapList::KeptCacheBytes();
};

TEST_P(SelectWhileAnotherAppendsFreely, EveryObjectThereBeforeIsFound) {
  const auto [edit, pieces] = GetParam();
  TSheetFrameIndex::SetMinObjects(100);
  if (pieces) TMapList::SetKeptCacheBytes(1 << 20);
  TMap r;
  ASSERT_EQ(1, r.OpenData(m.path().c_str(), 0));
  Selected before[2];
  for (int a = 0; a < 2; ++a) before[a] = SelectByArea(r, areas[a]);
  writertest::Child writer = writertest::StartChild([&](int acks) {
    TMap w;
    if (w.OpenData(m.path().c_str(), 0) != 1) return 2;
    w.WorkMode(edit);
    std::mt19937 random(11);
    for (int i = 0; i < 1500; ++i) {
      if (w.OpenList(1 + int(random() % 2)) != 1) return 3;
      if (AppendTo(w, Scattered(random, i % 2 ? LOCAL_LINE : LOCAL_POLYGON)) == 0) return 4;
      if (i == 10 && !writertest::SendAck(acks, writertest::Ack{0, 0, 0})) return 5;
    }
    return w.CloseData() == 1 ? 0 : 6;
  });
  ASSERT_GT(writer.pid, 0);
  ASSERT_EQ(1u, writertest::ReadAcks(writer.acks, 1).size());
  int rounds = 0;
  for (pollfd done{writer.acks, POLLIN, 0}; rounds < 3 || poll(&done, 1, 0) == 0; ++rounds) {
    for (int a = 0; a < 2; ++a)
      ExpectNoneMissing(before[a], SelectByArea(r, areas[a]),
                        std::string(names[a]) + ", select " + std::to_string(rounds));
    if (HasFailure()) break;
  }
  close(writer.acks);
  EXPECT_EQ(0, writertest::WaitChild(writer.pid));
  TMap fresh;
  ASSERT_EQ(1, fresh.OpenData(m.path().c_str(), 0));
  for (int a = 0; a < 2; ++a)
    ExpectSame(SelectByArea(fresh, areas[a]), SelectByArea(r, areas[a]),
               std::string(names[a]) + ", the writer gone");
}

INSTANTIATE_TEST_SUITE_P(WriterModeAndCaches, SelectWhileAnotherAppendsFreely,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "InEditMode" : "Alone") +
                                  (std::get<1>(info.param) ? "ReadByPieces" : "");
                         });

}  // namespace
