// The area condition of a select context: the three relations for points,
// lines, areas and vectors, the distance, the area search into the sample
// with inversion, conditions kept, progress and cancelling.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/messages.h"
#include "selection/mapselect.h"
#include "support/host_recorder.h"
#include "support/selectmap.h"

namespace {

using objtest::Points;
using seltest::NewObject;
using seltest::SelectMap;

// An object of sheet 1 holding the contour (sheet units) as the area.
void MakeArea(TMap& map, const Points& contour, TObjectInfo* area) {
  ASSERT_EQ(1, area->CreateObject(&map, 1, int(METRIC_F64), 0));
  for (const auto& p : contour) ASSERT_EQ(1, area->Metric.AppendPointSubject(0, p.first, p.second));
}

// The area: the square 1000..2000 of sheet 1, in sheet units.
const Points kSquare = {{1000, 1000}, {1000, 2000}, {2000, 2000}, {2000, 1000}, {1000, 1000}};

class MapArea : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.ok());
    // Five plane metres in the map's units.
    gap = 5.0 / m.map.Factor;
    ASSERT_NEAR(gap, std::round(gap), 1e-9) << "the map's units do not divide 5 m";
  }
  // Appends an object; its number.
  int Add(int local, const std::vector<Points>& contours) {
    NewObject o;
    o.local = local;
    o.code = local == LOCAL_POLYGON ? seltest::KIND_LAKE
             : local == LOCAL_POINT ? seltest::KIND_TOWN
                                    : seltest::KIND_ROAD;
    o.contour = contours[0];
    return m.Append(1, o);
  }
  // The area test of object n with the relation and distance given.
  int Check(TMapSelect& s, int n) {
    m.map.OpenList(1);
    return s.AreaCheck(TObjectDesc(m.map.List.ObjectDesc(n)));
  }

  SelectMap m{1};
  double gap = 0;
};

TEST_F(MapArea, RelationsOfPointsLinesAreasAndVectors) {
  const double g = gap;
  struct Case {
    const char* name;
    int local;
    Points contour;
    const char* in;  // relation 0 at 10 m, relation 0 at 4 m, relation 1, relation 2
  };
  const Case cases[] = {
      {"point on the contour", LOCAL_POINT, {{1000, 1500}}, "1110"},
      {"point inside", LOCAL_POINT, {{1500, 1500}}, "1111"},
      {"point 5 m outside", LOCAL_POINT, {{1500, 2000 + g}}, "1000"},
      {"point far outside", LOCAL_POINT, {{500, 500}}, "0000"},
      {"line 5 m outside", LOCAL_LINE, {{1200, 2000 + g}, {1800, 2000 + g}}, "1000"},
      {"line across without a vertex inside", LOCAL_LINE, {{900, 1500}, {2100, 1500}}, "1110"},
      {"line inside", LOCAL_LINE, {{1200, 1200}, {1500, 1300}, {1800, 1800}}, "1111"},
      {"line along the contour", LOCAL_LINE, {{1000, 1200}, {1000, 1800}}, "1111"},
      {"line with one end inside", LOCAL_LINE, {{500, 1500}, {800, 1500}, {1500, 1500}}, "1110"},
      {"area around the area", LOCAL_POLYGON,
       {{500, 500}, {500, 2500}, {2500, 2500}, {2500, 500}, {500, 500}}, "1110"},
      {"area inside the area", LOCAL_POLYGON,
       {{1100, 1100}, {1100, 1200}, {1200, 1200}, {1100, 1100}}, "1111"},
      {"vector into the area", LOCAL_VECTOR, {{500, 1500}, {1500, 1500}}, "1110"},
      {"vector across", LOCAL_VECTOR, {{900, 1500}, {2100, 1500}}, "1110"},
      {"vector inside", LOCAL_VECTOR, {{1500, 1500}, {1600, 1600}}, "1111"},
  };
  TObjectInfo area;
  MakeArea(m.map, kSquare, &area);
  for (const Case& c : cases) {
    const int n = Add(c.local, {c.contour});
    ASSERT_GT(n, 0) << c.name;
    std::string got;
    const std::pair<int, double> settings[] = {{0, 10.0}, {0, 4.0}, {1, 10.0}, {2, 10.0}};
    for (const auto& [relation, distance] : settings) {
      TMapSelect s(&m.map);
      ASSERT_EQ(1, s.AreaSet(distance, &area, 0, relation, 0, nullptr));
      got += Check(s, n) ? '1' : '0';
    }
    EXPECT_EQ(c.in, got) << c.name;
  }
}

TEST_F(MapArea, DistanceAndInsideMeasures) {
  TObjectInfo area;
  MakeArea(m.map, kSquare, &area);
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  // A line 5 m east of the area.
  TObjectInfo line;
  ASSERT_EQ(1, line.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  line.Metric.AppendPointSubject(0, 1200, 2000 + gap);
  line.Metric.AppendPointSubject(0, 1800, 2000 + gap);
  m.map.OpenList(1);
  double distance = -1;
  const DOUBLEPOINT origin = *m.map.ViewPosition(1);
  EXPECT_GT(s.ToMeasureDistance(&line.Metric, &distance, &origin), 0);
  EXPECT_NEAR(5.0, distance, 1e-9);
  // The area lies inside a polygon around it, not inside one beside it.
  TObjectInfo around;
  ASSERT_EQ(1, around.CreateObject(&m.map, 1, int(METRIC_F64), 0));
  for (const auto& p : Points{{500, 500}, {500, 2500}, {2500, 2500}, {2500, 500}, {500, 500}})
    around.Metric.AppendPointSubject(0, p.first, p.second);
  EXPECT_EQ(1, s.IsAreaInside(&around.Metric, &origin));
  EXPECT_EQ(0, s.IsAreaInside(&line.Metric, &origin));
  // Bad input.
  EXPECT_EQ(0, s.ToMeasureDistance(nullptr, &distance, &origin));
  EXPECT_EQ(0, s.ToMeasureDistance(&line.Metric, nullptr, &origin));
  EXPECT_EQ(0, s.AreaSet(0.0, &area, 0, 3, 0, nullptr));
  EXPECT_EQ(0, s.AreaSet(0.0, nullptr, 0, 1, 0, nullptr));
  TObjectInfo empty;
  EXPECT_EQ(0, s.AreaSet(0.0, &empty, 0, 1, 0, nullptr));
  TMapSelect unbound;
  EXPECT_EQ(0, unbound.AreaSet(0.0, &area, 0, 1, 0, nullptr));
}

TEST_F(MapArea, WhollyInsideNeedsEverySideInside) {
  // A U open to the east, its gap's floor bent down between the inner
  // corners (1300, 1500) and (1700, 1600): a line from one arm to the
  // other has both ends inside but crosses the gap.
  TObjectInfo area;
  MakeArea(m.map, {{1000, 1000}, {1000, 2000}, {1300, 2000}, {1300, 1500}, {1500, 1400},
                   {1700, 1600}, {1700, 2000}, {2000, 2000}, {2000, 1000}},  // closed by the area
           &area);
  const int across = Add(LOCAL_LINE, {{{1100, 1800}, {1900, 1800}}});
  const int inArm = Add(LOCAL_LINE, {{{1100, 1100}, {1100, 1800}}});
  // Through both inner corners: it only touches the contour there.
  const int corners = Add(LOCAL_LINE, {{{1200, 1475}, {1800, 1625}}});
  // Along the inner side of the left arm and back inside.
  const int along = Add(LOCAL_LINE, {{{1300, 1900}, {1300, 1500}, {1200, 1200}}});
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 2, 0, nullptr));
  EXPECT_EQ(0, Check(s, across));
  EXPECT_EQ(1, Check(s, inArm));
  EXPECT_EQ(0, Check(s, corners));
  EXPECT_EQ(1, Check(s, along));
  // Relation 1 takes them all.
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  for (int n : {across, inArm, corners, along}) EXPECT_EQ(1, Check(s, n)) << n;
}

// Lines of a few segments laid at random round the square, their vertices
// on a lattice of 10 units (so that a line that does not touch the
// contour passes it at 0.03 units or more): a line is in relation 1 when
// a vertex lies in the closed square or a segment meets a side, in any
// side's turn, whether or not an end lies inside.
TEST_F(MapArea, LinesMeetTheSquareWhereverTheyCrossIt) {
  TObjectInfo area;
  MakeArea(m.map, kSquare, &area);
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  using P = std::pair<int64_t, int64_t>;
  auto turn = [](P o, P a, P b) {
    const int64_t t = (a.first - o.first) * (b.second - o.second) -
                      (a.second - o.second) * (b.first - o.first);
    return t > 0 ? 1 : (t < 0 ? -1 : 0);
  };
  auto within = [](P a, P b, P p) {
    return std::min(a.first, b.first) <= p.first && p.first <= std::max(a.first, b.first) &&
           std::min(a.second, b.second) <= p.second && p.second <= std::max(a.second, b.second);
  };
  auto meet = [&](P a, P b, P c, P d) {
    const int d1 = turn(c, d, a), d2 = turn(c, d, b), d3 = turn(a, b, c), d4 = turn(a, b, d);
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    return (d1 == 0 && within(c, d, a)) || (d2 == 0 && within(c, d, b)) ||
           (d3 == 0 && within(a, b, c)) || (d4 == 0 && within(a, b, d));
  };
  const P corners[] = {{1000, 1000}, {1000, 2000}, {2000, 2000}, {2000, 1000}, {1000, 1000}};
  std::mt19937 random(12);
  int in = 0;
  for (int k = 0; k < 2000; ++k) {
    std::vector<P> line(2 + random() % 4);
    for (P& p : line) p = P{500 + 10 * int64_t(random() % 201), 500 + 10 * int64_t(random() % 201)};
    bool expected = false;
    for (size_t i = 0; i < line.size() && !expected; ++i) {
      const P& p = line[i];
      expected = p.first >= 1000 && p.first <= 2000 && p.second >= 1000 && p.second <= 2000;
      for (int side = 0; side < 4 && i > 0 && !expected; ++side)
        expected = meet(line[i - 1], p, corners[side], corners[side + 1]);
    }
    Points contour;
    for (const P& p : line) contour.push_back({double(p.first), double(p.second)});
    const int n = Add(LOCAL_LINE, {contour});
    ASSERT_GT(n, 0);
    ASSERT_EQ(expected ? 1 : 0, Check(s, n)) << "line " << k;
    in += expected;
  }
  EXPECT_GT(in, 500);
  EXPECT_LT(in, 1900);
}

// The frame pre-test comes before the metric: an object whose frame lies
// away from the area is answered without its metric being read, with the
// same answer (and its inverse under inversion).
TEST_F(MapArea, FrameTestComesBeforeTheMetric) {
  TObjectInfo area;
  MakeArea(m.map, kSquare, &area);
  const int away = Add(LOCAL_LINE, {{{100, 100}, {300, 300}}});
  const int inside = Add(LOCAL_LINE, {{{1200, 1200}, {1800, 1800}}});
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 0, nullptr));
  auto metricRead = [&] {
    const TDataBuffer& data = m.map.List.DataBuffer;
    for (int i = 0; i < data.WindowCount(); ++i)
      if (data.Window(i).First <= data.Window(i).Last) return true;
    return false;
  };
  for (const int inversion : {0, 1}) {
    s.SetAreaInversion(inversion);
    m.map.OpenList(1);
    m.map.List.DataBuffer.Reset();
    EXPECT_EQ(inversion, Check(s, away)) << inversion;
    EXPECT_FALSE(metricRead()) << inversion;
    EXPECT_EQ(1 - inversion, Check(s, inside)) << inversion;
    EXPECT_TRUE(metricRead()) << inversion;
  }
}

class AreaSearch : public MapArea {
 protected:
  void SetUp() override {
    MapArea::SetUp();
    // On the sheet's ground: the search walks only a sheet the area reaches.
    using seltest::OnGround;
    inside = Add(LOCAL_LINE, {OnGround({{1200, 1200}, {1800, 1800}})});
    across = Add(LOCAL_LINE, {OnGround({{900, 1500}, {2100, 1500}})});
    outside = Add(LOCAL_LINE, {OnGround({{100, 100}, {300, 300}})});
    deleted = Add(LOCAL_LINE, {OnGround({{1300, 1300}, {1400, 1400}})});
    other = Add(LOCAL_POINT, {OnGround({{1500, 1500}})});
    ASSERT_EQ(other, m.MoveToLayer(1, other, 3));
    ASSERT_EQ(deleted, m.Delete(1, deleted));
    MakeArea(m.map, OnGround(kSquare), &area);
  }
  std::vector<int> Sample(TMapSelect& s) {
    std::vector<int> out;
    for (int o = s.GetFirstSample(1); o != 0; o = s.GetNextSample()) out.push_back(o);
    return out;
  }
  int inside = 0, across = 0, outside = 0, deleted = 0, other = 0;
  TObjectInfo area;
};

TEST_F(AreaSearch, SampleInversionAndKeptConditions) {
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  EXPECT_EQ(1, s.IsSampleActive());
  EXPECT_EQ((std::vector<int>{inside, across, other}), Sample(s));
  EXPECT_EQ(3, s.GetSelectObjectCount());

  // Inversion: exactly the undeleted objects the search left out.
  s.SetAreaInversion(1);
  ASSERT_EQ(1, s.SetSampleByArea(nullptr));
  EXPECT_EQ((std::vector<int>{outside}), Sample(s));
  // It survives a reset by AreaSet without kept conditions.
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  EXPECT_EQ((std::vector<int>{outside}), Sample(s));
  s.SetAreaInversion(0);

  // Kept conditions: only layer 3 is searched.
  s.SelectAll();
  s.ClearAllLayers();
  s.SelectLayer(3);
  s.SetLayerSwitch(1);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 1, 1, 1, nullptr));
  EXPECT_EQ((std::vector<int>{other}), Sample(s));
  // A filter of its own: layer 1 only, with the conditions dropped.
  TMapSelect filter(&m.map);
  filter.ClearAllLayers();
  filter.SelectLayer(1);
  filter.SetLayerSwitch(1);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, &filter));
  EXPECT_EQ((std::vector<int>{inside, across}), Sample(s));

  // A copy tests as the original does; clearing the area empties it.
  TMapSelect copy(&m.map);
  ASSERT_EQ(1, copy.SetSelect(&s));
  EXPECT_EQ(1, Check(copy, across));
  EXPECT_EQ(0, Check(copy, outside));
  s.AreaClear();
  EXPECT_EQ(0, s.IsSampleActive());
  EXPECT_EQ(0, s.AreaSwitch);
  EXPECT_EQ(1, Check(s, outside));
}

TEST_F(AreaSearch, ProgressAndCancel) {
  MessageEnableSet(1);
  mctest::RecordingWindow host;
  MessageWindowSet(host.handle());
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.AreaSet(0.0, &area, 0, 1, 1, nullptr));
  const auto progress = host.Of(WM_MAP_PROGRESS);
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(WPARAM(-1), progress.front().wparam);
  EXPECT_EQ("Search by area", progress.front().text);
  EXPECT_EQ(WPARAM(-2), progress.back().wparam);
  for (size_t i = 2; i + 1 < progress.size(); ++i)
    EXPECT_GT(progress[i].wparam, progress[i - 1].wparam);

  // A host that stops the search: 1, and nothing is selected.
  mctest::RecordingWindow stopper(1);
  MessageWindowSet(stopper.handle());
  EXPECT_EQ(1, s.SetSampleByArea(nullptr));
  EXPECT_EQ(1, s.IsSampleActive());
  EXPECT_EQ(0, s.GetSelectObjectCount());
  m.map.OpenList(1);
  EXPECT_EQ(0, s.CheckObjectAndSample(1, inside, m.map.List.ObjectDesc(inside)));
  // No target: nothing is sent.
  s.ProgressWindow = reinterpret_cast<HWND>(intptr_t(-1));
  host.Clear();
  MessageWindowSet(host.handle());
  EXPECT_EQ(1, s.SetSampleByArea(nullptr));
  EXPECT_TRUE(host.Of(WM_MAP_PROGRESS).empty());
  EXPECT_EQ(3, s.GetSelectObjectCount());
  MessageWindowSet(nullptr);
  MessageEnableSet(0);
}

}  // namespace
