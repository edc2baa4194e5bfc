// Smoothing and envelope splines: parameters, refused input, the shape of
// the curves, heights, contours kept apart and buffers reused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "geometry/spline.h"
#include "geometry/support/contours.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const Contour kSquare = {{0, 0}, {0, 100}, {100, 100}, {100, 0}, {0, 0}};
const Contour kHole = {{20, 20}, {40, 20}, {40, 40}, {20, 40}, {20, 20}};
const Contour kZigzag = {{0, 0}, {30, 40}, {60, 0}, {90, 40}, {120, 0}};

bool Same(const Pt& a, const Pt& b, double eps = 1e-9) {
  return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps;
}

TEST(Spline, ParametersAndPrecision) {
  TSplin s;
  struct {
    int a, b, c;
    double bulge, corner;
    int points;
  } table[] = {{10, 50, 5, 0.1, 0.5, 5},  {3, 20, 1, 0.05, 0.8, 3}, {10, 0, 3, 0.1, 0.5, 3},
               {10, 51, 3, 0.1, 0.5, 3},  {10, -5, 3, 0.1, 0.5, 3}, {10, 1, 3, 0.1, 0.99, 3}};
  for (const auto& t : table) {
    s.SetParm(t.a, t.b, t.c);
    EXPECT_DOUBLE_EQ(s.Bulge, t.bulge) << t.a;
    EXPECT_DOUBLE_EQ(s.Corner, t.corner) << t.b;
    EXPECT_EQ(s.PointsPerPiece, t.points) << t.c;
  }
  Metric f32, f64;
  ASSERT_TRUE(Fill(f32, METRIC_F32, {kSquare}));
  ASSERT_TRUE(Fill(f64, METRIC_F64H, {kSquare}));
  struct {
    TDataEdit* m;
    double given, want;
  } precision[] = {{&f32, -1.0, 0.001}, {&f64, -1.0, 1e-6}, {&f64, 0.5, 0.5}, {&f64, kNaN, 1e-6}};
  for (const auto& p : precision) {
    ASSERT_EQ(s.BuildSglad(p.m, 30, 3, p.given), 1);
    EXPECT_DOUBLE_EQ(s.Precision, p.want) << p.given;
  }
}

TEST(Spline, BadInputGivesZeroAndTheBuilderStaysUsable) {
  Metric none, two, straight, badSecond, nan, infHeight, subjects, count, marker, length;
  ASSERT_TRUE(Fill(two, METRIC_F32, {{{0, 0}, {5, 5}}}));
  ASSERT_TRUE(Fill(straight, METRIC_F64, {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}}));
  ASSERT_TRUE(Fill(badSecond, METRIC_F32, {kSquare, {{0, 0}, {1, 1}}}));
  ASSERT_TRUE(Fill(nan, METRIC_F64, {{{0, 0}, {kNaN, 3}, {5, 0}, {9, 9}}}));
  ASSERT_TRUE(Fill(infHeight, METRIC_F64H, {{{0, 0, 1}, {10, 3, kInf}, {5, 0, 1}, {9, 9, 2}}}));
  for (Metric* m : {&subjects, &count, &marker, &length}) ASSERT_TRUE(Fill(*m, METRIC_F32, {kZigzag}));
  subjects.Record->Count = 7;                               // contours past the record
  const uint16_t huge = 0xFFFF;                             // points past the record
  std::memcpy(reinterpret_cast<char*>(count.Record) + 14, &huge, 2);
  marker.Record->Ident = 0x12345678;
  length.Record->Length = static_cast<DWORD>(length.BufferSize) + 100;

  TSplin s;
  // The bad contour is contour 0, except in badSecond (1) and subjects (5).
  struct {
    TDataEdit* m;
    int contour;
  } bad[] = {{nullptr, 0},    {&none, 0},   {&two, 0},    {&straight, 0}, {&badSecond, 1},
             {&nan, 0},       {&infHeight, 0}, {&subjects, 5}, {&count, 0},  {&marker, 0},
             {&length, 0},    {&s.Source, 0}, {&s.Result, 0}};
  for (const auto& b : bad) {
    EXPECT_EQ(s.BuildSglad(b.m, 30, 5, -1.0), 0);
    EXPECT_EQ(s.BuildOgib(b.m, 10, 4, -1.0), 0);
    EXPECT_EQ(s.BuildSgladSubject(b.m, b.contour, 30, 5, -1.0), 0);
    EXPECT_EQ(s.BuildOgibSubject(b.m, b.contour, 10, 4, -1.0), 0);
  }
  Metric good;
  ASSERT_TRUE(Fill(good, METRIC_F32, {kSquare}));
  EXPECT_EQ(s.BuildSgladSubject(&good, 1, 30, 5, -1.0), 0);
  EXPECT_EQ(s.BuildOgibSubject(&good, -1, 10, 4, -1.0), 0);
  // Results past the 16 MB ceiling of a record, however many points a piece
  // asks for.
  EXPECT_EQ(s.BuildSglad(&good, 30, 600000, -1.0), 0);
  EXPECT_EQ(s.BuildOgib(&good, 10, INT32_MAX, -1.0), 0);
  EXPECT_EQ(s.BuildSglad(&good, 30, 5, -1.0), 1);
  EXPECT_EQ(s.BuildOgib(&good, 10, 4, -1.0), 1);
}

// With 3 points per piece a corner curve adds the points at t = 1/4, 1/2,
// 3/4; with corner percent 50 (or anything outside 1 to 50) curves meet at
// the segment midpoints and an open line keeps its ends.
TEST(Spline, SmoothingAnOpenCorner) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {{{0, 0}, {0, 10}, {10, 10}}}));
  const Contour want = {{0, 0},          {0, 5},  {0.3125, 7.1875}, {1.25, 8.75},
                        {2.8125, 9.6875}, {5, 10}, {10, 10}};
  for (int corner : {50, 0, 60}) {
    TSplin s;
    ASSERT_EQ(s.BuildSglad(&m, corner, 3, -1.0), 1);
    Contour got = Points(s.Result, 0);
    ASSERT_EQ(got.size(), want.size()) << corner;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_TRUE(Same(got[i], want[i])) << corner << " " << i;
  }
  // Corner percent 20: curves take 20 % of each segment, the middle 60 %
  // stays straight.
  Metric u;
  ASSERT_TRUE(Fill(u, METRIC_F64, {{{0, 0}, {0, 100}, {100, 100}, {100, 0}}}));
  TSplin s;
  ASSERT_EQ(s.BuildSglad(&u, 20, 5, -1.0), 1);
  Contour got = Points(s.Result, 0);
  ASSERT_GE(got.size(), 6u);
  EXPECT_TRUE(Same(got[0], {0, 0}));
  EXPECT_TRUE(Same(got[1], {0, 80}));
  EXPECT_TRUE(Same(got.back(), {100, 0}));
  bool straight = false;
  for (size_t i = 0; i + 1 < got.size(); ++i)
    straight |= Same(got[i], {20, 100}) && Same(got[i + 1], {80, 100});
  EXPECT_TRUE(straight);
}

TEST(Spline, SmoothingAClosedContourStartsAndEndsOnItsFirstSegment) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F32, {kSquare}));
  struct {
    int corner;
    Pt start;
  } table[] = {{50, {0, 50}}, {30, {0, 30}}, {0, {0, 50}}};
  for (const auto& t : table) {
    TSplin s;
    ASSERT_EQ(s.BuildSglad(&m, t.corner, 5, -1.0), 1);
    Contour got = Points(s.Result, 0);
    EXPECT_TRUE(Same(got.front(), t.start, 1e-4)) << t.corner;
    EXPECT_EQ(s.Result.GetExclusiveSubject(0), 1) << t.corner;
  }
}

// The curve misses every inner vertex and stays within the triangles the
// corners cut off: no farther from the line than half of the longest part
// of a segment a corner curve takes.
TEST(Spline, SmoothingStaysNearThePolygonAndMissesItsCorners) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {kZigzag}));
  for (int corner : {50, 30, 10}) {
    TSplin s;
    ASSERT_EQ(s.BuildSglad(&m, corner, 5, -1.0), 1);
    Contour got = Points(s.Result, 0);
    const double bound = 0.5 * (corner * 0.01) * 50.0 + 1e-9;  // segments are 50 long
    for (const Pt& p : got) EXPECT_LE(PolylineDistance(p, kZigzag), bound) << corner;
    for (size_t v = 1; v + 1 < kZigzag.size(); ++v)
      for (const Pt& p : got) EXPECT_GT(std::hypot(p.x - kZigzag[v].x, p.y - kZigzag[v].y), 0.1);
    EXPECT_TRUE(Same(got.front(), kZigzag.front()));
    EXPECT_TRUE(Same(got.back(), kZigzag.back()));
  }
}

// Heights follow the curve: along a line whose height grows with Y the
// smoothed points keep that relation, also at map coordinates with nearly
// straight corners (where the plane through the control points is
// ill-conditioned).
TEST(Spline, SmoothingInterpolatesHeights) {
  const double x0 = 6e6, y0 = 7.5e6;
  auto height = [&](double y) { return 100 + 0.05 * (y - y0); };
  Contour line;
  for (int i = 0; i <= 4; ++i) {
    double y = y0 + 1000.0 * i;
    line.push_back({x0 + (i % 2 ? 0.1 : 0.0), y, height(y)});
  }
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64H, {line}));
  {
    TSplin s;
    ASSERT_EQ(s.BuildSglad(&m, 50, 5, -1.0), 1);
    Contour got = Points(s.Result, 0);
    ASSERT_GE(got.size(), 15u);  // the curves' inner points are kept
    for (const Pt& p : got) EXPECT_NEAR(p.h, height(p.y), 1e-6) << p.y - y0;
  }
  // Without heights in the metric, none in the result.
  Metric flat;
  ASSERT_TRUE(Fill(flat, METRIC_F32, {kZigzag}));
  TSplin s;
  ASSERT_EQ(s.BuildSglad(&flat, 50, 5, -1.0), 1);
  EXPECT_EQ(s.Result.Record->Ident, METRIC_F32);
  EXPECT_EQ(s.Result.DatDimension(), 0);
  // A metric with texts gives one without.
  Metric text;
  ASSERT_TRUE(text.Create(METRIC_F32, 1));
  for (const Pt& p : kZigzag) ASSERT_TRUE(text.AppendPointSubject(0, p.x, p.y));
  ASSERT_TRUE(text.PutText("Name", 24));
  ASSERT_EQ(s.BuildSglad(&text, 50, 5, -1.0), 1);
  EXPECT_EQ(s.Result.TextFlag, 0);
  EXPECT_EQ(s.Result.PointCount(0), Points(s.Result, 0).size());
}

// Result points from vertex to vertex, the vertices included; empty when a
// vertex is missing.
std::vector<Contour> SplitAtVertices(const Contour& got, const Contour& vertices) {
  std::vector<Contour> parts;
  size_t at = 0;
  for (size_t v = 0; v + 1 < vertices.size(); ++v) {
    Contour part;
    while (at < got.size() && !Same(got[at], vertices[v])) ++at;
    for (; at < got.size(); ++at) {
      part.push_back(got[at]);
      if (part.size() > 1 && Same(got[at], vertices[v + 1])) break;
    }
    if (at == got.size()) return {};
    parts.push_back(part);
  }
  return parts;
}

TEST(Spline, EnvelopePassesThroughEveryVertexWithLimitedBulge) {
  Contour gon;
  for (int i = 0; i <= 12; ++i)
    gon.push_back({1000 * std::cos(i % 12 * kPi / 6), 1000 * std::sin(i % 12 * kPi / 6)});
  struct {
    Contour shape;
    int bulge;
    size_t perSegment;  // points from a vertex to the next, both included
  } table[] = {{gon, 10, 6}, {kSquare, 5, 11}, {kSquare, 40, 6}};
  for (const auto& t : table) {
    Metric m;
    ASSERT_TRUE(Fill(m, METRIC_F64, {t.shape}));
    TSplin s;
    ASSERT_EQ(s.BuildOgib(&m, t.bulge, 4, -1.0), 1);
    std::vector<Contour> parts = SplitAtVertices(Points(s.Result, 0), t.shape);
    ASSERT_EQ(parts.size(), t.shape.size() - 1) << t.bulge;
    EXPECT_EQ(s.Result.GetExclusiveSubject(0), 1);
    for (const Contour& part : parts) {
      EXPECT_EQ(part.size(), t.perSegment) << t.bulge;
      const Pt &a = part.front(), &b = part.back();
      const double limit = 1.5 * t.bulge * 0.01 * std::hypot(b.x - a.x, b.y - a.y) + 1e-9;
      for (const Pt& p : part) EXPECT_LE(SegmentDistance(p, a, b), limit) << t.bulge;
    }
  }
  // Where the turning sense changes, the curve crosses the segment at its
  // midpoint.
  Metric z;
  ASSERT_TRUE(Fill(z, METRIC_F64, {kZigzag}));
  TSplin s;
  ASSERT_EQ(s.BuildOgib(&z, 10, 4, -1.0), 1);
  Contour got = Points(s.Result, 0);
  ASSERT_EQ(SplitAtVertices(got, kZigzag).size(), 4u);
  for (size_t v = 1; v + 2 < kZigzag.size(); ++v) {
    Pt mid{(kZigzag[v].x + kZigzag[v + 1].x) / 2, (kZigzag[v].y + kZigzag[v + 1].y) / 2};
    bool found = false;
    for (const Pt& p : got) found |= Same(p, mid);
    EXPECT_TRUE(found) << v;
  }
}

// Equal consecutive points are skipped, also at the end of an open line,
// which still ends on its last point. Heights of the vertices are kept.
TEST(Spline, EnvelopeSkipsRepeatedPointsAndKeepsVertexHeights) {
  TSplin s;
  ASSERT_TRUE(Fill(s.Source, METRIC_F64H,
                   {{{0, 0, 1}, {0, 0, 1}, {50, 50, 5}, {100, 0, 9}, {100, 0, 9}}}));
  ASSERT_TRUE(s.Result.Create(METRIC_F64H, 0));
  s.Dimension = 3;
  s.SetParm(10, 50, 3);
  ASSERT_GT(s.Ogib(0), 0);
  Contour got = Points(s.Result, 0);
  EXPECT_TRUE(Same(got.front(), {0, 0}));
  EXPECT_TRUE(Same(got.back(), {100, 0}));
  for (size_t i = 0; i + 1 < got.size(); ++i) EXPECT_FALSE(Same(got[i], got[i + 1])) << i;
  for (const Pt& p : got) {
    EXPECT_GE(p.h, 1.0);
    EXPECT_LE(p.h, 9.0);
    if (Same(p, {50, 50})) {
      EXPECT_EQ(p.h, 5.0);
    }
  }
  EXPECT_EQ(got.back().h, 9.0);
}

// Every contour of a whole-metric build is the build of that contour alone:
// contours stay apart and are thinned once (thinning a thinned curve again
// can take more points away: the small zigzag), also in a metric of
// thousands of contours.
TEST(Spline, ContoursAreBuiltApart) {
  Contour small;
  for (int i = 0; i < 12; ++i) small.push_back({i * 0.015, (i % 2) * 0.02 + (i % 3) * 0.0035});
  std::vector<Contour> many = {small, kSquare, kHole, kZigzag};
  for (int i = 0; i < 3000; ++i) {
    Contour c = kHole;
    for (Pt& p : c) p.x += 50.0 * i;
    many.push_back(c);
  }
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F32, many));
  for (bool envelope : {false, true}) {
    TSplin whole, one;
    ASSERT_EQ(envelope ? whole.BuildOgib(&m, 10, 4, -1.0) : whole.BuildSglad(&m, 30, 5, -1.0), 1);
    ASSERT_EQ(whole.Result.Record->Count, m.Record->Count);
    for (int c = 0; c <= m.Record->Count; c += (c < 5 ? 1 : 997)) {
      ASSERT_EQ(envelope ? one.BuildOgibSubject(&m, c, 10, 4, -1.0)
                         : one.BuildSgladSubject(&m, c, 30, 5, -1.0), 1);
      Contour a = Points(whole.Result, c), b = Points(one.Result, 0);
      ASSERT_EQ(a.size(), b.size()) << c;
      for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(Same(a[i], b[i], 0)) << c << " " << i;
    }
  }
}

// A builder reused for every painted object keeps its blocks once they are
// large enough.
TEST(Spline, RepeatedBuildsReuseTheBuffers) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F32, {kSquare, kHole, kZigzag}));
  TSplin s;
  ASSERT_EQ(s.BuildSglad(&m, 30, 5, -1.0), 1);
  ASSERT_EQ(s.BuildOgib(&m, 10, 4, -1.0), 1);
  char* source = s.Source.OwnBlock;
  char* result = s.Result.OwnBlock;
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(s.BuildSglad(&m, 30, 5, -1.0), 1);
    ASSERT_EQ(s.BuildOgib(&m, 10, 4, -1.0), 1);
  }
  EXPECT_EQ(s.Source.OwnBlock, source);
  EXPECT_EQ(s.Result.OwnBlock, result);
}

TEST(Spline, DirectionsTurnsAndHelpers) {
  for (int deg = -165; deg <= 180; deg += 15) {
    double a = deg * kPi / 180;
    EXPECT_NEAR(TSplin::Ugol(5, 7, 5 + 10 * std::sin(a), 7 + 10 * std::cos(a)), a, 1e-12) << deg;
  }
  EXPECT_EQ(TSplin::Ugol(5, 7, 5, 7), 0.0);
  struct {
    double a1, a2;
    int sense;
  } turns[] = {{0, 0.5, 2}, {0.5, 0, 1}, {3, -3, 2}, {-3, 3, 1}, {-0.5, -1, 1}, {-1, -0.5, 2},
               {1, -1, 1},  {-1, 1, 2}};
  for (const auto& t : turns) EXPECT_EQ(TSplin::LeftRight(t.a1, t.a2), t.sense) << t.a1 << " " << t.a2;
  const double turn = 0.17452777777777778;
  EXPECT_DOUBLE_EQ(TSplin::Dovorot(0, 1), turn);
  EXPECT_DOUBLE_EQ(TSplin::Dovorot(0, 2), -turn);
  EXPECT_DOUBLE_EQ(TSplin::Dovorot(kPi / 2 - turn, 1), kPi / 2 - turn / 4);
  EXPECT_DOUBLE_EQ(TSplin::Dovorot(kPi - 0.1, 1), kPi - 0.1 + turn - 2 * kPi);
  EXPECT_EQ(TSplin::Fact(-3), 1);
  EXPECT_EQ(TSplin::Fact(3), 6);
  EXPECT_EQ(TSplin::Fact(12), 479001600);
  EXPECT_EQ(TSplin::Fact(13), INT32_MAX);
  TSplin s;
  s.C0 = {0, 0};
  s.C1 = {1, 0};
  s.C2 = {0, 1};
  s.H0 = 0;
  s.H1 = 1;
  s.H2 = 2;
  EXPECT_DOUBLE_EQ(s.HeigtPointSpline(0.25, 0.5), 1.0);  // h = x + 2 y
  s.C2 = {2, 0};
  EXPECT_EQ(s.HeigtPointSpline(0, 0.5), 0.0);
  EXPECT_EQ(s.Bezier(2, 0, 0), 0);
}

}  // namespace
