// Object metrics into pixel polylines: every point kind, turned and not,
// the centre of an object without metric, the limits of parts and points,
// damaged records, texts, copies of pixel sets and clipping to a device's
// range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classifier/maprsc.h"
#include "drawing/mapmetric.h"
#include "drawing/paintcontext.h"
#include "platform/fault.h"
#include "platform/gdi/gdi_test.h"
#include "support/host_recorder.h"
#include "support/metric_builder.h"

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

namespace {

using Record = std::vector<char>;

class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Half a pixel per discrete; the sheet's origin at (1000, 100).
    m = std::make_unique<TMapMetric>();
    m->SetPixel(1000.0, 1000.0);
    m->SetDisScale(1000.0);
    m->SetDrawScale(0.5);
    m->Scale(100000);
    m->SetRegionDis(DFRAME{0, 0, 4000, 4000});
    m->SetDrawPlace(RECT{0, 0, 640, 480});
    SetOrigin();
  }
  void TearDown() override { plat::fault::Reset(); }
  void SetOrigin() {
    DOUBLEPOINT origin{1000.0, 100.0};
    m->SetListPosition(&origin);
  }

  int Build(Record& r, int local = LOCAL_LINE) {
    desc.Local = static_cast<BYTE>(local);
    return m->BuildMetric(TObjectDesc(&desc), AsMetric(r));
  }
  // Where a point of the sheet must land.
  POINT Expected(double x, double y) const {
    double a = x * 0.5, b = y * 0.5;
    if (m->TurnFlag) {
      const double c = std::cos(m->TurnAngle), s = std::sin(m->TurnAngle);
      const double t = a * c - b * s;
      b = a * s + b * c;
      a = t;
    }
    return POINT{static_cast<LONG>(std::lround(b - m->OriginColumn)),
                 static_cast<LONG>(std::lround(m->OriginRow - a))};
  }
  std::vector<LONG> Counts() const {
    return std::vector<LONG>(m->Poly.PolyCounts, m->Poly.PolyCounts + m->Poly.Count);
  }

  std::unique_ptr<TMapMetric> m;
  FVSPR desc{};
};

const DWORD kKinds[] = {METRIC_U16, METRIC_U16H, METRIC_I32, METRIC_I32H,
                        METRIC_F32, METRIC_F32H, METRIC_F64, METRIC_F64H};

// row = origin row - X v, column = Y h - origin column, to the nearest pixel
// (101 x 0.5 ends in a half); turned views turn (X v, Y h) first.
TEST_F(BuildTest, EveryKindFollowsTheFormula) {
  const std::vector<BuildPoint> points = {{101, 203}, {2000, 7}, {55, 4001}};
  for (double angle : {0.0, 0.3}) {
    m->SetTurnAngle(angle, 0.0);
    SetOrigin();
    for (DWORD kind : kKinds) {
      Record r = BuildMetric(kind, {BuildContour(points), BuildContour({{9, 11}})}, false);
      m->Poly.ShowScale = 0.0;
      ASSERT_EQ(Build(r), 1) << std::hex << kind << " angle " << angle;
      EXPECT_EQ(Counts(), (std::vector<LONG>{3, 1}));
      EXPECT_EQ(m->Poly.MetricFlag, 1);
      EXPECT_EQ(m->Poly.Text[0], nullptr);
      EXPECT_DOUBLE_EQ(m->Poly.ShowScale, 200000.0);  // in the turned view too
      for (int i = 0; i < 3; ++i) {
        const POINT e = Expected(points[i].x, points[i].y);
        EXPECT_EQ(m->Poly.Points[i].x, e.x) << std::hex << kind << " point " << i;
        EXPECT_EQ(m->Poly.Points[i].y, e.y) << std::hex << kind << " point " << i;
      }
    }
  }
  m->SetTurnAngle(0.0, 0.0);
  SetOrigin();
  Record r = BuildMetric(METRIC_I32, {BuildContour(points)}, false);
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(m->Poly.Points[0].y, 1450);  // 1500 - 50.5
  EXPECT_EQ(m->Poly.Points[0].x, 152);   // 101.5 + 50
}

TEST_F(BuildTest, BoundsComeFromTheObjectFrame) {
  desc.X1 = 100, desc.Y1 = 200, desc.X2 = 301, desc.Y2 = 401;
  Record r = BuildMetric(METRIC_F32, {BuildContour({{100, 200}})}, false);
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(m->Poly.MinX, 100 + 50 - 1);  // origin column -50
  EXPECT_EQ(m->Poly.MaxX, 201 + 50 + 1);
  EXPECT_EQ(m->Poly.MinY, 1500 - 151 - 1);
  EXPECT_EQ(m->Poly.MaxY, 1500 - 50 + 1);
}

TEST_F(BuildTest, ObjectWithoutMetricIsTheCentreOfItsFrame) {
  desc.X1 = 10, desc.Y1 = 20, desc.X2 = 30, desc.Y2 = 41;
  for (double angle : {0.0, -1.0}) {
    m->SetTurnAngle(angle, 0.0);
    SetOrigin();
    ASSERT_EQ(m->BuildMetric(TObjectDesc(&desc), nullptr), 1);
    EXPECT_EQ(Counts(), std::vector<LONG>{1});
    const POINT e = Expected(20.0, 30.5);
    EXPECT_EQ(m->Poly.Points[0].x, e.x);
    EXPECT_EQ(m->Poly.Points[0].y, e.y);
  }
  // Sums past the 32-bit range stay correct.
  desc.X1 = desc.X2 = INT32_MAX;
  m->SetTurnAngle(0.0, 0.0);
  SetOrigin();
  ASSERT_EQ(m->BuildMetric(TObjectDesc(&desc), nullptr), 1);
  EXPECT_EQ(m->Poly.Points[0].y, std::lround(1500 - INT32_MAX * 0.5));
  EXPECT_EQ(m->BuildMetric(TObjectDesc(nullptr), nullptr), 0);
}

TEST_F(BuildTest, SixtyFourThousandPartsPaintTheFirstOnly) {
  for (int parts : {64000, 63999}) {
    std::vector<BuildContour> contours(parts, BuildContour({{10, 10}}));
    contours[0] = BuildContour({{1, 1}, {2, 2}});
    Record r = BuildMetric(METRIC_F32, contours, false);
    ASSERT_EQ(Build(r), 1);
    EXPECT_EQ(m->Poly.Count, parts == 64000 ? 1 : 63999);
    EXPECT_EQ(m->Poly.PolyCounts[0], 2);
  }
}

TEST_F(BuildTest, DamagedRecords) {
  Record r = BuildMetric(METRIC_F32, {BuildContour({{1, 1}, {2, 2}, {3, 3}}),
                                      BuildContour({{4, 4}})},
                         false);
  // One part more than the record holds: -2 with the parts done.
  Record more = r;
  more[8] = 2;
  EXPECT_EQ(Build(more), -2);
  EXPECT_EQ(Counts(), (std::vector<LONG>{3, 1}));

  // A count beyond the record's points is cut to them.
  Record longer = r;
  longer[14] = 100;
  EXPECT_EQ(Build(longer), 1);
  EXPECT_EQ(Counts(), std::vector<LONG>{4});  // the points the record can hold

  struct Case {
    const char* name;
    DWORD marker;
    DWORD length;
    int first;
    int result;
  } cases[] = {
      {"empty first part", METRIC_F32, 0, 0, 0},
      {"marker below the kinds", 0x7FF77FF7, 0, 3, 0},
      {"marker with the top bit", 0xFFFE7FFE, 0, 3, 0},
      {"shorter than its header", METRIC_F32, 12, 3, -2},
      {"count word beyond the end", METRIC_F32, 16, 3, -2},
  };
  for (const Case& c : cases) {
    Record d = r;
    std::memcpy(d.data(), &c.marker, 4);
    if (c.length) std::memcpy(d.data() + 4, &c.length, 4);
    d[14] = static_cast<char>(c.first);
    EXPECT_EQ(Build(d), c.result) << c.name;
  }
}

// Metrics flagged as curves are smoothed (flag 2) or enveloped (flag 4):
// the envelope passes through the vertices, the smoothing cuts them.
TEST_F(BuildTest, CurvesComeFromTheSharedSplineBuilder) {
  const std::vector<BuildPoint> zigzag = {{0, 0}, {100, 100}, {0, 200}, {100, 300}};
  const POINT vertex = Expected(100, 100);
  for (char flag : {2, 4}) {
    Record r = BuildMetric(METRIC_F64, {BuildContour(zigzag)}, false);
    r[10] = flag;
    ASSERT_EQ(Build(r), 1);
    const std::vector<POINT> curve(m->Poly.Points, m->Poly.Points + m->Poly.PolyCounts[0]);
    EXPECT_GT(curve.size(), 8u) << int(flag);
    EXPECT_EQ(std::find(curve.begin(), curve.end(), vertex) != curve.end(), flag == 4);
    m->SplineOff = 1;
    ASSERT_EQ(Build(r), 1);
    EXPECT_EQ(m->Poly.PolyCounts[0], 4);
    m->SplineOff = 0;
  }
  // A curve that cannot be built (two points) is drawn as stored.
  Record r = BuildMetric(METRIC_F64, {BuildContour({{0, 0}, {10, 10}})}, false);
  r[10] = 2;
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(m->Poly.PolyCounts[0], 2);
}

// Points of the 32-bit float kinds out of range are dropped; the 64-bit
// floats stop at an X above 5e7, keeping what was converted.
TEST_F(BuildTest, FloatRangeGuards) {
  const std::vector<BuildPoint> points = {{1, 1}, {3e7, 5}, {2, 2}, {5, 5e7}, {NAN, 1}, {3, 3}};
  for (DWORD kind : {METRIC_F32, METRIC_F32H}) {
    Record r = BuildMetric(kind, {BuildContour(points), BuildContour({{4, 4}})}, false);
    ASSERT_EQ(Build(r), 1);
    EXPECT_EQ(Counts(), (std::vector<LONG>{3, 1}));
    EXPECT_EQ(m->Poly.Points[2].x, Expected(3, 3).x);
    EXPECT_EQ(m->Poly.Points[3].y, Expected(4, 4).y);
  }
  Record r = BuildMetric(METRIC_F64, {BuildContour({{1, 1}, {5e7, 2}, {5.0001e7, 3}, {4, 4}}),
                                      BuildContour({{4, 4}})},
                         false);
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(Counts(), std::vector<LONG>{2});
}

TEST_F(BuildTest, FarCoordinatesSaturate) {
  m->SetDrawScale(4.0);
  SetOrigin();
  Record r = BuildMetric(METRIC_I32, {BuildContour({{2e9, -2e9}, {-2e9, 2e9}})}, false);
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(m->Poly.Points[0].y, INT32_MIN);
  EXPECT_EQ(m->Poly.Points[0].x, INT32_MIN);
  EXPECT_EQ(m->Poly.Points[1].y, INT32_MAX);
  EXPECT_EQ(m->Poly.Points[1].x, INT32_MAX);
}

TEST_F(BuildTest, TitlesKeepTheirTexts) {
  Record r = BuildMetric(METRIC_F32, {BuildContour({{1, 1}, {2, 2}}, "AB", 22),
                                      BuildContour({{3, 3}}, "Text")},
                         true);
  ASSERT_EQ(Build(r, LOCAL_TITLE), 1);
  EXPECT_EQ(Counts(), (std::vector<LONG>{2, 1}));
  EXPECT_STREQ(m->Poly.Text[0], "AB");
  EXPECT_STREQ(m->Poly.Text[1], "Text");
  Record line = BuildMetric(METRIC_F32, {BuildContour({{1, 1}})}, false);
  ASSERT_EQ(Build(line, LOCAL_LINE), 1);
  EXPECT_EQ(m->Poly.Text[0], nullptr);

  // Every part of an object without texts has none, whatever the object
  // built before had (a text sign paints its parts' texts from the slots:
  // a slot left over points into that object's freed record).
  ASSERT_EQ(Build(r, LOCAL_TITLE), 1);
  Record parts = BuildMetric(METRIC_F32, {BuildContour({{1, 1}}), BuildContour({{4, 4}})}, false);
  ASSERT_EQ(Build(parts, LOCAL_LINE), 1);
  ASSERT_EQ(m->Poly.Count, 2);
  EXPECT_EQ(m->Poly.Text[1], nullptr);
  // So has a part of a title whose points end the metric before its text.
  ASSERT_EQ(Build(r, LOCAL_TITLE), 1);
  Record stop = BuildMetric(METRIC_F64, {BuildContour({{1, 1}}, "A"), BuildContour({{9e7, 3}}, "B")},
                            true);
  ASSERT_EQ(Build(stop, LOCAL_TITLE), 1);
  ASSERT_EQ(m->Poly.Count, 2);
  EXPECT_STREQ(m->Poly.Text[0], "A");
  EXPECT_EQ(m->Poly.Text[1], nullptr);

  // A text entry cut by the record's end reads "?" and ends the set.
  Record cut(r.begin(), r.end() - 3);
  const DWORD length = static_cast<DWORD>(cut.size());
  std::memcpy(cut.data() + 4, &length, 4);
  ASSERT_EQ(Build(cut, LOCAL_MIXED), 1);
  EXPECT_EQ(m->Poly.Count, 2);
  EXPECT_STREQ(m->Poly.Text[1], "?");
  EXPECT_EQ(1, static_cast<BYTE>(m->Poly.Text[1][-1]));  // its length byte, as for every slot
}

TEST_F(BuildTest, PointBufferGrowsForLongMetricsOrKeepsOneHundredPoints) {
  std::vector<BuildPoint> many(200000, BuildPoint{5, 5});
  Record r = BuildMetric(METRIC_F32, {BuildContour(many), BuildContour({{1, 1}})}, false, true);
  mctest::RecordingMessageBox boxes;
  plat::fault::FailAllocation(1);
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(Counts(), std::vector<LONG>{100});
  ASSERT_EQ(Build(r), 1);
  EXPECT_EQ(Counts(), (std::vector<LONG>{200000, 1}));
  EXPECT_GE(PaintContext.PointCapacity, 200001);
  EXPECT_EQ(m->Poly.Points, PaintContext.PointArea);
}

TEST_F(BuildTest, PixelSetsCopyRelativeToTheDrawPlace) {
  m->SetDrawPlace(RECT{100, 50, 200, 150});  // 100 columns right, 50 rows down
  POINT points[] = {{150, 80}, {120, 60}, {300, 400}, {130, 70}};
  LONG counts[] = {2, 1, 1};
  POLYDATA source{};
  source.Points = points;
  source.PolyCounts = counts;
  source.Count = 3;
  ASSERT_EQ(m->PixMetric(source), 1);
  EXPECT_EQ(Counts(), (std::vector<LONG>{2, 1, 1}));
  EXPECT_EQ(m->Poly.Points[0].x, 50);
  EXPECT_EQ(m->Poly.Points[0].y, 30);
  EXPECT_EQ(m->Poly.MinX, 20);
  EXPECT_EQ(m->Poly.MinY, 10);
  EXPECT_EQ(m->Poly.MaxX, 200);
  EXPECT_EQ(m->Poly.MaxY, 350);

  // A set in the point buffer itself, counting past its end, is cut there.
  const LONG capacity = PaintContext.PointCapacity;
  LONG huge[] = {capacity - 1, 5};
  source.Points = PaintContext.PointArea + 1;
  source.PolyCounts = huge;
  source.Count = 2;
  ASSERT_EQ(m->PixMetric(source), 1);
  EXPECT_EQ(Counts(), (std::vector<LONG>{capacity - 1}));
  source.Count = 70000;  // more parts than the count area: bounded
  source.PolyCounts = nullptr;
  EXPECT_EQ(m->PixMetric(source), 0);
}

// --- Clipping to the device range ---

class ClipTest : public BuildTest {
 protected:
  // Builds picture points given as (column, row) directly.
  void Set(const std::vector<std::vector<POINT>>& parts) {
    POINT* out = m->Poly.Points;
    m->Poly.Count = 0;
    LONG minX = INT32_MAX, maxX = INT32_MIN;
    for (const auto& part : parts) {
      m->Poly.PolyCounts[m->Poly.Count++] = static_cast<LONG>(part.size());
      for (const POINT& p : part) {
        *out++ = p;
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
      }
    }
    m->Poly.MinX = minX;
    m->Poly.MaxX = maxX;
    m->Poly.MinY = minX;
    m->Poly.MaxY = maxX;
  }
  std::vector<std::vector<POINT>> Get() const {
    std::vector<std::vector<POINT>> parts;
    const POINT* p = m->Poly.Points;
    for (LONG i = 0; i < m->Poly.Count; ++i) {
      parts.emplace_back(p, p + m->Poly.PolyCounts[i]);
      p += m->Poly.PolyCounts[i];
    }
    return parts;
  }
};

TEST_F(ClipTest, PolygonsFollowTheWindowBorderLinesAreCut) {
  const LONG F = 100000, W = 32600;
  Set({{{-F, -F}, {-F, F}, {F, F}, {F, -F}, {-F, -F}},  // encloses the window
       {{0, 0}, {F, 0}},                                  // a line leaving it
       {{F, F}, {F + 5, F}},                              // an open line outside
       {{F, 0}, {F + 5, 5}, {F, 10}, {F, 0}},             // a polygon outside
       {{F * 3, -F}}});                                   // one point
  m->ClipPolyToGdiRange();
  const auto parts = Get();
  ASSERT_EQ(parts.size(), 4u);
  // The window itself, closed.
  ASSERT_EQ(parts[0].size(), 5u);
  EXPECT_EQ(parts[0].front(), parts[0].back());
  for (const POINT& p : parts[0]) {
    EXPECT_EQ(std::abs(p.x), W);
    EXPECT_EQ(std::abs(p.y), W);
  }
  EXPECT_EQ(parts[1], (std::vector<POINT>{{0, 0}, {W, 0}}));
  EXPECT_TRUE(parts[2].empty());  // an open part stays, empty
  EXPECT_EQ(parts[3], (std::vector<POINT>{{F * 3, -F}}));  // passes unchanged

  // A raster printer takes twice the range.
  Set({{{0, 0}, {F, 0}}});
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 10, 10, 300, 300);
  m->ClipPolyToGdiRange(printer);
  EXPECT_EQ(Get()[0], (std::vector<POINT>{{0, 0}, {2 * W, 0}}));
  plat::DeleteDC(printer);

  // A set strictly inside the window is left alone.
  Set({{{-W + 1, 0}, {W - 1, 0}}});
  m->ClipPolyToGdiRange();
  EXPECT_EQ(Get()[0], (std::vector<POINT>{{-W + 1, 0}, {W - 1, 0}}));
}

// A line that crosses a side at every point produces more points than it
// had: the output passes the unread input and what does not fit the area
// is left out; nothing outside the window remains.
TEST_F(ClipTest, OutputOutgrowingTheInputStaysInTheArea) {
  const LONG capacity = PaintContext.PointCapacity;
  std::vector<POINT> zigzag(capacity);
  for (LONG i = 0; i < capacity; ++i) zigzag[i] = POINT{i % 2 ? -40000 : 0, i % 1000};
  Set({zigzag});
  m->ClipPolyToGdiRange();
  const auto parts = Get();
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_GT(parts[0].size(), static_cast<size_t>(capacity) * 9 / 10);
  for (const POINT& p : parts[0]) EXPECT_GE(p.x, -32600);
}

}  // namespace
