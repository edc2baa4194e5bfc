// Moving, rotating and scaling metrics; repeated points and corridor
// thinning.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "records/dataedit.h"
#include "support/metric_builder.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<char> F64(const std::vector<BuildContour>& c) { return BuildMetric(METRIC_F64, c, false); }

TEST(MetricTransform, RelocateMovesEveryContourAndKeepsTexts) {
  Edit e(BuildMetric(METRIC_F64, {{{{1, 2}}, "One", 29}, {{{3, 4}, {5, 6}}, "Two"}}, true), 1);
  DOUBLEPOINT d{10, 20};
  ASSERT_EQ(e.RelocateObject(&d), 1);
  EXPECT_EQ(e.ChangedFlag, 1);
  EXPECT_EQ(Points(e, 0), (PointList{{11, 22}}));
  EXPECT_EQ(Points(e, 1), (PointList{{13, 24}, {15, 26}}));
  char b[8];
  e.DescPointSubject(1);
  EXPECT_STREQ(e.GetText(b, 8), "Two");
  e.DescPointSubject(0);
  EXPECT_STREQ(e.GetText(b, 8), "One");
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);
  ASSERT_EQ(e.RelocateSubject(1, &d), 1);
  EXPECT_EQ(Points(e, 1), (PointList{{23, 44}, {25, 46}}));
  EXPECT_EQ(Points(e, 0), (PointList{{11, 22}}));
  EXPECT_EQ(e.RelocateSubject(2, &d), 0);
  EXPECT_EQ(e.RelocateObject(nullptr), 0);
}

TEST(MetricTransform, RotateAndScope) {
  Edit e(F64({{{{1, 0}, {0, 2}}}}));
  DOUBLEPOINT c{0, 0};
  EXPECT_EQ(e.RotateObject(&c, 1e-7), 0);
  EXPECT_EQ(e.ChangedFlag, 0);
  ASSERT_EQ(e.RotateObject(&c, kPi / 2), 1);
  PointList p = Points(e, 0);
  const double want[4] = {0, -1, 2, 0};
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(p[i].first, want[2 * i], 1e-12);
    EXPECT_NEAR(p[i].second, want[2 * i + 1], 1e-12);
  }

  Edit s(F64({{{{1, 1}, {3, 5}}}}));
  DOUBLEPOINT k{0, 2}, centre{1, 1}, d{0, 0}, move{1, 1};
  ASSERT_EQ(s.ScopeAndRelocateObject(&k, &centre, &d), 1);  // a zero factor means 1
  EXPECT_EQ(Points(s, 0), (PointList{{1, 1}, {3, 9}}));
  ASSERT_EQ(s.ScopeObject(&k, &centre), 1);  // here a zero factor collapses X
  EXPECT_EQ(Points(s, 0), (PointList{{1, 1}, {1, 17}}));
  ASSERT_EQ(s.ScopeAndRelocateSublect(&k, &centre, &move, 0), 1);
  EXPECT_EQ(Points(s, 0), (PointList{{2, 2}, {2, 34}}));
  EXPECT_EQ(s.ScopeAndRelocateObject(&k, &centre, nullptr), 0);
}

TEST(MetricTransform, IntegerKindsRoundAndClamp) {
  Edit e(BuildMetric(METRIC_U16, {{{{10, 10}, {65000, 5}}}}, false));
  DOUBLEPOINT d{1000.4, -7.6}, h{-2.5, 2.5};
  ASSERT_EQ(e.RelocateObject(&d), 1);
  EXPECT_EQ(Points(e, 0), (PointList{{1010, 2}, {65520, 0}}));
  Edit i(BuildMetric(METRIC_I32, {{{{0, 0}}}}, false));
  i.RelocateObject(&h);
  EXPECT_EQ(Points(i, 0), (PointList{{-3, 3}}));
}

TEST(MetricTransform, DeleteEqualPoints) {
  Edit e(F64({{{{0, 0}, {0.4, 0.5}, {3, 3}}}}));
  ASSERT_EQ(e.DeleteEqualPoint(0.5, 0), 1);
  EXPECT_EQ(Points(e, 0), (PointList{{0, 0}, {3, 3}}));
  EXPECT_EQ(RecordLength(e.Record), 16u + 2 * 16);

  // Compared with the same predecessor; a closed contour is closed again;
  // later contours move down intact.
  Edit c(F64({{{{0, 0}, {0.3, 0}, {0.6, 0}, {5, 0}, {5, 5}, {0.2, 0.2}, {0, 0}}},
              {{{7, 7}, {7, 7}, {8, 8}}}}));
  ASSERT_EQ(c.DeleteEqualPoint(0.5, 0), 1);
  EXPECT_EQ(Points(c, 0), (PointList{{0, 0}, {0.6, 0}, {5, 0}, {5, 5}, {0, 0}}));
  EXPECT_EQ(Points(c, 1), (PointList{{7, 7}, {8, 8}}));

  // Heights count only when asked, and only for the f32 and f64 kinds.
  std::vector<char> r = BuildMetric(METRIC_F64H, {{{{0, 0, 0}, {0, 0, 10}}}}, false);
  Edit h2(r), h3(r), u(BuildMetric(METRIC_U16H, {{{{0, 0, 0}, {0, 0, 10}}}}, false));
  h2.DeleteEqualPoint(0.5, 0);
  h3.DeleteEqualPoint(0.5, 1);
  u.DeleteEqualPoint(0.5, 1);
  EXPECT_EQ(h2.PointCount(0), 1);
  EXPECT_EQ(h3.PointCount(0), 2);
  EXPECT_EQ(u.PointCount(0), 1);

  // Texts stay behind their contours.
  Edit t(BuildMetric(METRIC_F32, {{{{1, 1}, {1, 1}}, "A"}, {{{2, 2}}, "B"}}, true), 1);
  ASSERT_EQ(t.DeleteEqualPoint(0.1, 0), 1);
  char b[4];
  t.DescPointSubject(1);
  EXPECT_STREQ(t.GetText(b, 4), "B");
  EXPECT_EQ(t.XNDouble(1), 2.0);
  EXPECT_EQ(t.PointCount(0), 1);
}

TEST(MetricTransform, LinearFilterCorridor) {
  Edit e(F64({{{{0, 0}, {1, 0.0001}, {2, 0}, {3, 5}}}}));
  EXPECT_EQ(e.LinearFilter(0.0001), 3);
  EXPECT_EQ(Points(e, 0), (PointList{{0, 0}, {2, 0}, {3, 5}}));
  EXPECT_EQ(RecordLength(e.Record), 16u + 3 * 16);
  EXPECT_EQ(e.ChangedFlag, 1);

  // A long straight run keeps its ends only.
  std::vector<BuildPoint> run;
  for (int i = 0; i <= 50; ++i) run.push_back({static_cast<double>(i), 0});
  run.push_back({50, 10});
  Edit r(BuildMetric(METRIC_F32, {{run}}, false));
  EXPECT_EQ(r.LinearFilter(0.01), 3);
  EXPECT_EQ(Points(r, 0), (PointList{{0, 0}, {50, 0}, {50, 10}}));

  // On records with texts only repeats go.
  Edit t(BuildMetric(METRIC_F64, {{{{0, 0}, {0, 0}, {1, 0.00001}, {2, 0}}, "T"}}, true), 1);
  EXPECT_EQ(t.LinearFilter(0.0001), 1);
  EXPECT_EQ(t.PointCount(0), 3);
}

TEST(MetricTransform, LinearFilterShortAndClosedContours) {
  Edit one(F64({{{{1, 1}}}, {{{2, 2}}}, {{{3, 3}, {9, 9}}}}));
  EXPECT_EQ(one.LinearFilter(0.01), -1);
  EXPECT_EQ(RecordSubjects(one.Record), 1);  // the inner one-point contour is gone
  EXPECT_EQ(Points(one, 0), (PointList{{1, 1}}));
  EXPECT_EQ(Points(one, 1), (PointList{{3, 3}, {9, 9}}));
  EXPECT_EQ(RecordLength(one.Record), 16u + 4 + 3 * 16);

  Edit two(F64({{{{1, 1}, {1.001, 1.001}}}, {{{2, 2}, {2, 2.001}}}}));
  EXPECT_EQ(two.LinearFilter(0.01), -2);
  EXPECT_EQ(RecordSubjects(two.Record), 0);
  EXPECT_EQ(two.PointCount(0), 2);

  // A closed square whose start lies in the middle of a side: the start
  // point is dropped and the contour closed on the corner before it.
  Edit s(F64({{{{0, 5}, {0, 10}, {10, 10}, {10, 0}, {0, 0}, {0, 5}}}, {{{4, 4}, {4, 6}, {4, 4}}}}));
  EXPECT_EQ(s.LinearFilter(0.01), 5);
  EXPECT_EQ(Points(s, 0), (PointList{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}));
  EXPECT_EQ(RecordSubjects(s.Record), 0);  // the degenerate closed hole is gone

  Edit flat(F64({{{{0, 0}, {5, 0}, {10, 0}, {0, 0}}}}));
  EXPECT_EQ(flat.LinearFilter(0.01), -3);
  EXPECT_EQ(flat.PointCount(0), 3);
}

}  // namespace
