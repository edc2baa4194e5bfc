// Crossing points of two metrics: precision and result kinds, touches at
// shared vertices, ordering, deduplication, heights, classification, the
// insertion of crossings, degenerate input, and the crossings of random
// polygons against GEOS's boundary intersection.
#include <gtest/gtest.h>

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry/pointcross.h"
#include "platform/fault.h"
#include "support/contours.h"
#include "support/crossings.h"
#include "support/geos_oracle.h"

namespace {

const Contour kSquareA = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
const Contour kSquareB = {{10, 0}, {10, 10}, {20, 10}, {20, 0}, {10, 0}};
const Contour kSquareC = {{5, 5}, {5, 15}, {15, 15}, {15, 5}, {5, 5}};

struct Loaded {
  Metric a, b;
  TPointCross w;
  int result = 0;
  Loaded(const std::vector<Contour>& ca, const std::vector<Contour>& cb, int mode = 1,
         DWORD kind = METRIC_F64, double precision = 0.0, DWORD kindB = 0) {
    EXPECT_TRUE(Fill(a, kind, ca));
    EXPECT_TRUE(Fill(b, kindB ? kindB : kind, cb));
    result = w.LoadObjects(&a, &b, mode, 0, 0, precision);
  }
};

}  // namespace

TEST(PointCross, PrecisionAndResultKindFollowTheArguments) {
  const struct {
    double given, precision;
    DWORD second, result;
  } cases[] = {
      {0.0005, 0.001, METRIC_F64, METRIC_F64},  {0.01, 0.01, METRIC_F32, METRIC_F32},
      {-1.0, 0.001, METRIC_I32, METRIC_F32},    {0.0, 0.001, METRIC_F64H, METRIC_F64H},
      {0.002, 0.002, METRIC_F32H, METRIC_F32H},
  };
  for (const auto& c : cases) {
    Metric m;
    ASSERT_TRUE(Fill(m, c.second, {kSquareA}));
    TPointCross w;
    EXPECT_EQ(1, w.SetKindPrecision(&m, c.given));
    EXPECT_EQ(c.precision, w.Precision) << c.given;
    EXPECT_EQ(static_cast<LONG>(c.result), w.ResultKind) << std::hex << c.second;
  }
  TPointCross w;
  EXPECT_EQ(0, w.SetKindPrecision(nullptr, 1.0));
}

TEST(PointCross, SquaresSharingASideTouchAtTheirVertices) {
  Loaded l({kSquareA}, {kSquareB});
  ASSERT_EQ(1, l.result);
  ASSERT_EQ(2, l.w.Count);
  // A's vertices 3 (10,10) and 4 (10,0) are B's vertices 2 and 1; B's last
  // point stands as its vertex 1.
  const POINTCROSS* a = l.w.Cross1;
  const POINTCROSS* b = l.w.Cross2;
  EXPECT_EQ((std::vector<LONG>{3, 4, -3, 2, 3}),
            (std::vector<LONG>{a[0].First, a[0].Second, a[0].Position, a[0].OtherFirst, a[0].OtherSecond}));
  EXPECT_EQ((std::vector<LONG>{4, 5, -4, 1, 2}),
            (std::vector<LONG>{a[1].First, a[1].Second, a[1].Position, a[1].OtherFirst, a[1].OtherSecond}));
  EXPECT_EQ((std::vector<double>{10, 10, 10, 0}), (std::vector<double>{a[0].X, a[0].Y, a[1].X, a[1].Y}));
  EXPECT_EQ((std::vector<LONG>{1, -1, 2, -2}),
            (std::vector<LONG>{b[0].First, b[0].Position, b[1].First, b[1].Position}));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(METRIC_NO_HEIGHT, a[i].H);
}

TEST(PointCross, SortMakesVerticesOfRecordsAndOrdersAlongSegments) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {kSquareA}));
  TPointCross w;
  POINTCROSS r[4] = {};
  const DOUBLEPOINT p0{0, 0}, p1{3, 10}, p2{7, 10}, p3{10, 10};
  TPointCross::SetPointCross(&r[0], &p3, 2, 3, METRIC_NO_HEIGHT, 0, 0);  // vertex 3
  r[0].Position = -3;
  TPointCross::SetPointCross(&r[1], &p2, 2, 3, METRIC_NO_HEIGHT, 0, 0);
  TPointCross::SetPointCross(&r[2], &p0, 4, 5, METRIC_NO_HEIGHT, 0, 0);  // the last point
  r[2].Position = -5;
  TPointCross::SetPointCross(&r[3], &p1, 2, 3, METRIC_NO_HEIGHT, 0, 0);
  w.SortPointCross(r, 4, &m);
  EXPECT_EQ((std::vector<LONG>{1, 2, 2, 3}), (std::vector<LONG>{r[0].First, r[1].First, r[2].First, r[3].First}));
  EXPECT_EQ((std::vector<LONG>{-1, 0, 0, -3}),
            (std::vector<LONG>{r[0].Position, r[1].Position, r[2].Position, r[3].Position}));
  EXPECT_EQ(2, r[0].Second);
  EXPECT_EQ(4, r[3].Second);
  EXPECT_EQ(3.0, r[1].X);  // (3,10) before (7,10) along 2-3
  EXPECT_EQ(7.0, r[2].X);

  // The order by segment alone keeps the order of records of one segment.
  TPointCross::SortPoint(r, 4);
  EXPECT_EQ(3.0, r[1].X);
  r[0].First = 5;
  TPointCross::SortPoint(r, 4);
  EXPECT_EQ((std::vector<LONG>{2, 2, 3, 5}), (std::vector<LONG>{r[0].First, r[1].First, r[2].First, r[3].First}));
  EXPECT_EQ(3.0, r[0].X);
  EXPECT_EQ(7.0, r[1].X);
  TPointCross::SortPoint(nullptr, 4);
}

TEST(PointCross, CrossingSquaresGivePartnersAndClassification) {
  Loaded l({kSquareA}, {kSquareC});
  ASSERT_EQ(1, l.result);
  ASSERT_EQ(2, l.w.Count);
  for (int i = 0; i < 2; ++i) {
    const POINTCROSS& r = l.w.Cross1[i];
    EXPECT_EQ(0, r.Position);
    const int p = TPointCross::GetPointCrossEx(l.w.Cross2, 2, &r);
    ASSERT_LT(p, 2);
    EXPECT_EQ(r.First, l.w.Cross2[p].OtherFirst);
  }
  // A runs (0,10)-(10,10) then (10,10)-(10,0): it enters C at (5,10) and
  // leaves at (10,5).
  EXPECT_EQ(5.0, l.w.Cross1[0].X);
  EXPECT_EQ(10.0, l.w.Cross1[1].X);
  Classify(l.w);
  EXPECT_EQ(CROSS_ENTRY, l.w.Cross1[0].Kind);
  EXPECT_EQ(CROSS_EXIT, l.w.Cross1[1].Kind);
  EXPECT_EQ(0, l.w.InsideFlag);
}

TEST(PointCross, HeightsAreInterpolatedAlongTheSegmentOfTheMetricWithHeights) {
  // B crosses A's segment (0,0)-(0,10) at (0,4) and (10,10)-(10,0) at (10,4).
  const Contour flat = {{-5, 4}, {15, 4}};
  Contour high = kSquareA;
  const double h[] = {100, 200, 300, 400, 100};
  for (int i = 0; i < 5; ++i) high[i].h = h[i];
  for (int heightsInSecond = 0; heightsInSecond < 2; ++heightsInSecond) {
    Metric a, b;
    ASSERT_TRUE(Fill(a, heightsInSecond ? METRIC_F64 : METRIC_F64H, {heightsInSecond ? flat : high}));
    ASSERT_TRUE(Fill(b, heightsInSecond ? METRIC_F64H : METRIC_F64, {heightsInSecond ? high : flat}));
    TPointCross w;
    ASSERT_EQ(1, w.LoadObjects(&a, &b, 0, 0, 0, 0.0));
    ASSERT_EQ(2, w.Count);
    for (int i = 0; i < 2; ++i) {
      const POINTCROSS& r = w.Cross1[i];
      // 4 of 10 from height 100 to 200; 6 of 10 from 300 to 400.
      EXPECT_NEAR(r.X == 0 ? 140.0 : 360.0, r.H, 1e-9) << heightsInSecond;
      const int p = TPointCross::GetPointCrossEx(w.Cross2, 2, &r);
      ASSERT_LT(p, 2);
      EXPECT_EQ(r.H, w.Cross2[p].H);
    }
  }
}

TEST(PointCross, RepeatedCrossingOfOneSegmentIsReducedToOnePair) {
  TPointCross w;
  Metric m;
  POINTCROSS a[3] = {}, b[3] = {};
  const DOUBLEPOINT x{5, 0}, y{8, 0};
  TPointCross::SetPointCross(&a[0], &x, 1, 2, METRIC_NO_HEIGHT, 3, 4);
  TPointCross::SetPointCross(&a[1], &x, 1, 2, METRIC_NO_HEIGHT, 3, 4);
  TPointCross::SetPointCross(&a[2], &y, 1, 2, METRIC_NO_HEIGHT, 3, 4);
  for (int i = 0; i < 3; ++i) {
    const DOUBLEPOINT p{a[i].X, a[i].Y};
    TPointCross::SetPointCross(&b[i], &p, 3, 4, METRIC_NO_HEIGHT, 1, 2);
  }
  int count = 3;
  w.DeletePointCross(a, b, &count, &m);
  EXPECT_EQ(2, count);
  EXPECT_EQ(5.0, a[0].X);
  EXPECT_EQ(8.0, a[1].X);
  EXPECT_EQ(8.0, b[1].X);
}

TEST(PointCross, BeakExchangeStaysInsideTheArray) {
  // Crossings back and forth along one segment make beaks up to the last
  // record; the array is exactly as long as its records.
  const double xs[] = {0, 4, 1, 5, 2, 6, 3, 7};
  const int n = 8;
  std::vector<POINTCROSS> r(n);
  for (int i = 0; i < n; ++i) {
    const DOUBLEPOINT p{xs[i], 0};
    TPointCross::SetPointCross(&r[i], &p, 1, 2, METRIC_NO_HEIGHT, 1, 2);
  }
  TPointCross w;
  w.Precision = 0.001;
  w.ChangePointCrossBeak(r.data(), n, 1);
  std::vector<double> after;
  for (const POINTCROSS& c : r) after.push_back(c.X);
  std::sort(after.begin(), after.end());
  EXPECT_EQ((std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7}), after);
}

TEST(PointCross, PartnersFoundByTheTableAreThoseTheWalkFinds) {
  // A comb of 500 teeth across a box: 1,000 crossings, each with its
  // partner; records of no partner give the count.
  Contour comb;
  for (int k = 0; k < 500; ++k)
    for (const double x : {10.0 * k, 10.0 * k + 5}) {
      comb.push_back({x, x == 10.0 * k ? 0.0 : 100.0});
      comb.push_back({x, x == 10.0 * k ? 100.0 : 0.0});
    }
  comb.push_back({5000, -20});
  comb.push_back({0, -20});
  comb.push_back(comb.front());
  Metric a, b;
  ASSERT_TRUE(Fill(a, METRIC_F64, {Square(-10, -50, 5010, 50)}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {comb}));
  TPointCross w;
  ASSERT_EQ(1, w.LoadObjects(&a, &b, 1, 0, 0, 0.001));
  ASSERT_EQ(1000, w.Count);
  for (const bool first : {true, false}) {
    const POINTCROSS* own = first ? w.Cross1 : w.Cross2;
    const POINTCROSS* other = first ? w.Cross2 : w.Cross1;
    for (int k = 0; k < w.Count; ++k) {
      const int p = w.FindPartner(other, w.Count, &own[k]);
      ASSERT_EQ(TPointCross::GetPointCrossEx(other, w.Count, &own[k]), p) << k;
      ASSERT_LT(p, w.Count);
    }
    POINTCROSS stranger = own[0];
    stranger.X += 0.5;
    EXPECT_EQ(w.Count, w.FindPartner(other, w.Count, &stranger));
    // Fewer records: the table follows the count.
    EXPECT_EQ(TPointCross::GetPointCrossEx(other, 600, &own[700]),
              w.FindPartner(other, 600, &own[700]));
  }
}

TEST(PointCross, AreaInsideAnotherGivesTheInsideFlag) {
  const Contour inner = {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}};
  Loaded l({inner}, {kSquareA});
  EXPECT_EQ(1, l.result);
  EXPECT_EQ(0, l.w.Count);
  EXPECT_EQ(1, l.w.InsideFlag);
  // Apart from each other: area results fail, as do lines without holes.
  const Contour far = {{50, 50}, {50, 60}, {60, 60}, {60, 50}, {50, 50}};
  EXPECT_EQ(0, Loaded({far}, {kSquareA}).result);
  EXPECT_EQ(0, Loaded({far}, {kSquareA}, 0).result);
  // A line result with the second metric's parts outside the first.
  Loaded parts({kSquareA}, {far, far}, 0);
  EXPECT_EQ(1, parts.result);
  EXPECT_EQ(2, parts.w.InsideKind);
}

TEST(PointCross, BadInputGivesCodesAndDegenerateInputEnds) {
  TPointCross w;
  Metric a;
  ASSERT_TRUE(Fill(a, METRIC_F64, {kSquareA}));
  EXPECT_EQ(0, w.LoadObjects(&a, nullptr, 1, 0, 0, 0.0));
  EXPECT_EQ(MAPERR_INPUT, w.State);
  EXPECT_EQ(0, w.LoadObjects(&a, &a, 1, 3, 0, 0.0));  // no subject 3
  EXPECT_EQ(MAPERR_INPUT, w.State);
  EXPECT_EQ(0, w.LoadObjects(&w.Data1, &a, 1, 0, 0, 0.0));
  const Contour open = {{0, 0}, {0, 10}, {10, 10}};
  Metric line;
  ASSERT_TRUE(Fill(line, METRIC_F64, {open}));
  EXPECT_EQ(0, w.ControlLocal(&line, 1));
  EXPECT_EQ(GEOMETRY_ERR_OPEN, w.State);
  EXPECT_EQ(1, w.ControlLocal(&a, 1));

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    Contour first, second;
    int code;
  } cases[] = {
      {"NaN coordinate", {{0, 0}, {nan, 5}, {10, 10}, {0, 0}}, kSquareC, GEOMETRY_ERR_METRIC},
      {"infinite coordinate", kSquareC, {{0, 0}, {inf, 5}, {0, 0}}, GEOMETRY_ERR_METRIC},
      {"repeated points", {{0, 0}, {0, 10}, {0, 10}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, kSquareC, 0},
      {"zero-length segments", {{5, 5}, {5, 5}, {5, 5}}, kSquareC, 0},
      {"collinear overlap", {{0, 5}, {30, 5}, {30, 0}, {0, 0}, {0, 5}}, kSquareC, 0},
      {"same contour", kSquareC, kSquareC, 0},
      {"spike on the other", {{5, 5}, {10, 5}, {5, 5}, {5, 15}, {5, 5}}, kSquareC, 0},
  };
  for (const auto& c : cases) {
    for (int clean = 0; clean < 2; ++clean) {
      Metric m1, m2;
      ASSERT_TRUE(Fill(m1, METRIC_F64, {c.first}));
      ASSERT_TRUE(Fill(m2, METRIC_F64, {c.second}));
      TPointCross t;
      t.Clean = clean;
      const int loaded = t.LoadObjects(&m1, &m2, 1, 0, 0, 0.0);
      if (c.code != 0) {
        EXPECT_EQ(0, loaded) << c.name;
        EXPECT_EQ(c.code, t.State) << c.name;
        continue;
      }
      // Whatever was found, classifying and tracing it comes to an end.
      Classify(t);
      Metric piece;
      ASSERT_TRUE(piece.Create(METRIC_F64, 0));
      for (int i = 0; i < 4 * t.Count + 4 && t.CollectorOneObject(&piece, 0, 2); ++i) {
      }
      EXPECT_TRUE(t.State == 0 || t.State == GEOMETRY_ERR_PIECE) << c.name << " " << t.State;
    }
  }
}

TEST(PointCross, MemoryRefusedAtAnyStepGivesTheMemoryCode) {
  // A zigzag crossing a band some 300 times: the arrays must grow.
  Contour zigzag;
  for (int i = 0; i <= 150; ++i) zigzag.push_back({double(i), i % 2 ? 20.0 : -10.0});
  zigzag.push_back({150, -20});
  zigzag.push_back({0, -20});
  zigzag.push_back(zigzag.front());
  const Contour band = {{-1, 0}, {-1, 10}, {200, 10}, {200, 0}, {-1, 0}};
  Metric a, b;
  ASSERT_TRUE(Fill(a, METRIC_F64, {zigzag}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {band}));
  for (int n = 1;; ++n) {
    ASSERT_LT(n, 50);
    TPointCross w;
    plat::fault::Reset();
    plat::fault::FailAllocation(n);
    const int loaded = w.LoadObjects(&a, &b, 1, 0, 0, 0.0);
    plat::fault::Reset();
    if (loaded) {
      EXPECT_EQ(300, w.Count);
      EXPECT_GT(n, 5);  // both copies, both arrays and a growth failed before
      break;
    }
    EXPECT_EQ(MAPERR_MEMORY, w.State) << n;
  }
}

TEST(PointCross, InsertedCrossingsBecomeVertices) {
  Loaded l({kSquareA}, {kSquareC}, 1, METRIC_I32);
  ASSERT_EQ(2, l.w.Count);
  EXPECT_EQ(2, l.w.InsertPointCross());
  const Contour a = Points(l.w.Data1, 0), c = Points(l.w.Data2, 0);
  ASSERT_EQ(7u, a.size());
  EXPECT_EQ(METRIC_F32, l.w.Data1.Record->Ident);  // integers could not hold them
  EXPECT_EQ(5.0, a[2].x);
  EXPECT_EQ(10.0, a[2].y);
  EXPECT_EQ(10.0, a[4].x);
  EXPECT_EQ(5.0, a[4].y);
  ASSERT_EQ(7u, c.size());
  // Touches at vertices add nothing.
  Loaded t({kSquareA}, {kSquareB});
  EXPECT_EQ(0, t.w.InsertPointCross());
}

TEST(PointCross, IsCutObjectTellsWhetherALineLeavesTheArea) {
  TPointCross w;
  Metric area, in, out;
  ASSERT_TRUE(Fill(area, METRIC_F64, {kSquareA}));
  ASSERT_TRUE(Fill(in, METRIC_F64, {{{1, 1}, {9, 9}}}));
  ASSERT_TRUE(Fill(out, METRIC_F64, {{{1, 1}, {19, 9}}}));
  EXPECT_EQ(0, w.IsCutObject(&area, &in, 0.0));
  EXPECT_EQ(1, w.IsCutObject(&area, &out, 0.0));
  EXPECT_EQ(0, w.IsCutObject(&in, &out, 0.0));  // an open area
}

// ---------------------------------------------------------------------------
// Against GEOS

namespace {

std::vector<Pt> GeosCrossings(const GeosOracle& geos, const Contour& a, const Contour& b) {
  GEOSContextHandle_t h = geos.handle();
  GEOSGeometry* la = geos.Line(a);
  GEOSGeometry* lb = geos.Line(b);
  GEOSGeometry* x = GEOSIntersection_r(h, la, lb);
  std::vector<Pt> out;
  const int n = GEOSGetNumGeometries_r(h, x);
  for (int i = 0; i < n && !GEOSisEmpty_r(h, x); ++i) {
    const GEOSGeometry* g = GEOSGetGeometryN_r(h, x, i);
    double px, py;
    GEOSGeomGetX_r(h, g, &px);
    GEOSGeomGetY_r(h, g, &py);
    out.push_back({px, py});
  }
  GEOSGeom_destroy_r(h, x);
  GEOSGeom_destroy_r(h, la);
  GEOSGeom_destroy_r(h, lb);
  return out;
}

}  // namespace

TEST(PointCross, RandomPolygonsCrossWhereGeosSays) {
  GeosOracle geos;
  std::mt19937_64 rng(45);
  std::uniform_real_distribution<double> centre(400, 600);
  std::uniform_int_distribution<int> points(3, 120);
  TPointCross w;  // one worker for every pair
  int pairs = 0, total = 0;
  while (pairs < 60) {
    const Contour a = StarContour(rng, points(rng), centre(rng), centre(rng), 50, 400);
    const Contour b = StarContour(rng, points(rng), centre(rng), centre(rng), 50, 400);
    if (Clearance(a, b) < 0.01 || Clearance(b, a) < 0.01) continue;  // not in general position
    ++pairs;
    Metric ma, mb;
    ASSERT_TRUE(Fill(ma, METRIC_F64, {a}));
    ASSERT_TRUE(Fill(mb, METRIC_F64, {b}));
    w.LoadObjects(&ma, &mb, 0, 0, 0, 0.0);
    std::vector<Pt> expect = GeosCrossings(geos, a, b);
    ASSERT_EQ(expect.size(), static_cast<size_t>(w.Count)) << "pair " << pairs;
    total += w.Count;
    std::vector<bool> used(expect.size());
    for (int i = 0; i < w.Count; ++i) {
      const POINTCROSS& r = w.Cross1[i];
      bool found = false;
      for (size_t k = 0; k < expect.size() && !found; ++k) {
        if (used[k] || std::fabs(expect[k].x - r.X) > 0.001 || std::fabs(expect[k].y - r.Y) > 0.001)
          continue;
        used[k] = found = true;
      }
      EXPECT_TRUE(found) << "pair " << pairs << " crossing " << r.X << " " << r.Y;
    }
  }
  EXPECT_GT(total, 200);
}
