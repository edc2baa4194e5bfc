// Metric clean-up and piece tracing: beaks, loops, line ends, frames and
// subjects, and the pieces traced along classified crossings.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "geometry/pointcross.h"
#include "support/contours.h"
#include "support/crossings.h"

namespace {

constexpr double kPi = std::numbers::pi;

const Contour kSquare = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};

}  // namespace

TEST(MetricClean, BeakAngleFindsNarrowSpikes) {
  const struct {
    const char* name;
    DOUBLEPOINT apex, a, b;
    double result;
  } cases[] = {
      {"thin spike", {15, 5}, {10, 5}, {12, 5.001}, 0.0},
      {"thin spike across the negative X axis", {15, 5}, {10, 5}, {12, 4.999}, 0.0},
      {"thin spike pointing down", {5, -15}, {5, -10}, {5.001, -12}, 0.0},
      {"neighbours within twice the precision", {0, 0}, {0.0015, 0}, {50, 50}, 0.0},
      {"narrow but wide apart", {1000, 0}, {0, 0}, {500, 5}, kPi},
      {"right angle", {0, 0}, {10, 0}, {0, 10}, kPi},
      {"straight on", {0, 0}, {-10, 0}, {10, 0}, kPi},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.result, TPointCross::BeakAngle(&c.apex, &c.a, &c.b, 0.001)) << c.name;
}

TEST(MetricClean, DeleteBeakRemovesSpikesAndSmallHoles) {
  TPointCross w;
  Metric m;
  // A spike on the outer contour, one at the closing point, a hole too
  // small to stay and one that stays.
  ASSERT_TRUE(Fill(m, METRIC_F64,
                   {{{0, 0}, {0, 10}, {10, 10}, {10, 5.001}, {15, 5}, {10, 5}, {10, 0}, {0, 0}},
                    {{1, 1}, {1, 2}, {1, 1}},
                    {{2, 2}, {2, 3}, {3, 3}, {2, 2}}}));
  EXPECT_EQ(1, w.DeleteBeak(&m));
  const Contour outer = Points(m, 0);
  ASSERT_EQ(6u, outer.size());
  EXPECT_EQ(5.0, outer[3].y);  // the tip (15, 5) went, then the twin base (10, 5.001)
  ASSERT_EQ(1, m.Record->Count);
  EXPECT_EQ(4, m.PointCount(1));

  // The spike's tip is the closing point: point 1 follows the new last one.
  Metric c;
  ASSERT_TRUE(Fill(c, METRIC_F64, {{{20, 5}, {10, 5.001}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 5}, {20, 5}}}));
  EXPECT_EQ(1, w.DeleteBeak(&c));
  const Contour closed = Points(c, 0);
  ASSERT_EQ(6u, closed.size());
  EXPECT_EQ(10.0, closed.front().x);
  EXPECT_EQ(closed.front().y, closed.back().y);
  EXPECT_EQ(1, c.GetExclusiveSubject(0));

  // A line turning back on itself every third vertex, with heights: every
  // tip goes, the points and heights between stay in order.
  Metric line;
  Contour zig, expect;
  for (int k = 0; k < 3000; ++k) {
    const double x = 10.0 * k, y = k % 2 ? 5 : 0;
    zig.push_back({x, y, double(k)});
    zig.push_back({x + 3, y + 4, -1});
    zig.push_back({x + 1.5, y + 2, double(k) + 0.5});
    expect.push_back({x, y, double(k)});
    expect.push_back({x + 1.5, y + 2, double(k) + 0.5});
  }
  ASSERT_TRUE(Fill(line, METRIC_F64H, {zig}));
  EXPECT_EQ(1, w.DeleteBeak(&line));
  const Contour cleaned = Points(line, 0);
  ASSERT_EQ(expect.size(), cleaned.size());
  for (size_t i = 0; i < expect.size(); ++i) {
    EXPECT_EQ(expect[i].x, cleaned[i].x) << i;
    EXPECT_EQ(expect[i].h, cleaned[i].h) << i;
  }
}

TEST(MetricClean, DeleteLoopSplitsAFigureEight) {
  TPointCross w;
  Metric m;
  // Lobes crossing at (5, 5): the right one is larger. Both keep the
  // crossing point, so that each has its whole area.
  ASSERT_TRUE(Fill(m, METRIC_F64,
                   {{{0, 0}, {10, 10}, {14, 5}, {10, 0}, {0, 10}, {-2, 5}, {0, 0}}}));
  EXPECT_EQ(1, w.DeleteLoop(&m));
  ASSERT_EQ(1, m.Record->Count);
  const Contour big = Points(m, 0), small = Points(m, 1);
  EXPECT_EQ((std::vector<double>{5, 10, 14, 10, 5}),
            (std::vector<double>{big[0].x, big[1].x, big[2].x, big[3].x, big[4].x}));
  ASSERT_EQ(5u, small.size());
  EXPECT_EQ(5.0, small[1].y);
  EXPECT_NEAR(45.0, std::fabs(m.SquareSubject(0)), 1e-9);
  EXPECT_NEAR(35.0, std::fabs(m.SquareSubject(1)), 1e-9);
  // A simple contour stays as it is.
  Metric plain;
  ASSERT_TRUE(Fill(plain, METRIC_F64, {kSquare}));
  EXPECT_EQ(1, w.DeleteLoop(&plain));
  EXPECT_EQ(0, plain.Record->Count);
  EXPECT_EQ(5, plain.PointCount(0));
}

TEST(MetricClean, DeleteLoopLeavesTouchesButForGaps) {
  TPointCross w;
  // A ring whose end turns to a point on the side that closes its start:
  // the bay inside it opens only there, a gap touching the outer contour,
  // so it becomes a hole through that point. The area stays.
  Metric ring;
  ASSERT_TRUE(Fill(ring, METRIC_F64,
                   {{{10, 0}, {10, 10}, {-10, 10}, {-10, -10}, {10, -10}, {10, -4}, {7, 0}, {4, -4},
                     {-4, -4}, {-4, 4}, {4, 4}, {4, 0}, {10, 0}}}));
  EXPECT_EQ(1, w.DeleteLoop(&ring));
  ASSERT_EQ(1, ring.Record->Count);
  EXPECT_NEAR(394.0, std::fabs(ring.SquareSubject(0)), 1e-9);
  EXPECT_NEAR(70.0, std::fabs(ring.SquareSubject(1)), 1e-9);
  EXPECT_NEAR(324.0, ring.Square(), 1e-9);
  // Lobes meeting at a point are one contour through it.
  Metric lobes;
  ASSERT_TRUE(Fill(lobes, METRIC_F64,
                   {{{0, 0}, {0, 10}, {10, 10}, {20, 20}, {20, 10}, {10, 10}, {10, 0}, {0, 0}}}));
  EXPECT_EQ(1, w.DeleteLoop(&lobes));
  EXPECT_EQ(0, lobes.Record->Count);
  EXPECT_NEAR(150.0, lobes.Square(), 1e-9);
}

TEST(MetricClean, LineEndsAreDraggedOutward) {
  TPointCross w;
  Metric line, area;
  ASSERT_TRUE(Fill(line, METRIC_F64, {{{0, 0}, {10, 0}, {10, 10}}}));
  ASSERT_TRUE(Fill(area, METRIC_F64, {kSquare}));
  EXPECT_EQ(1, w.DragPoints(&line, 2.0, 0));
  const Contour p = Points(line, 0);
  EXPECT_DOUBLE_EQ(-2.0, p[0].x);
  EXPECT_DOUBLE_EQ(12.0, p[2].y);
  EXPECT_EQ(0, w.DragPoints(&area, 2.0, 0));
  EXPECT_EQ(kSquare[0].x, Points(area, 0)[0].x);

  double x = 3, y = 4;
  TPointCross::SeekVirtualPointByDistance(&x, &y, 10, 0, 0);
  EXPECT_DOUBLE_EQ(6.0, x);
  EXPECT_DOUBLE_EQ(8.0, y);
  x = 0.0005, y = 0;
  TPointCross::SeekVirtualPointByDistance(&x, &y, 10, 0, 0);  // on the base: stays
  EXPECT_EQ(0.0005, x);
}

TEST(MetricClean, FramesAndSubjects) {
  Metric m;
  ASSERT_TRUE(Fill(m, METRIC_F64, {kSquare, {{2, 2}, {2, 3}, {3, 3}, {2, 2}}, {{20, 20}, {20, 30}, {30, 30}, {20, 20}}}));
  const DFRAME frame{0, 0, 10, 10};
  EXPECT_EQ(1, TPointCross::InsideDimensions(&m, &frame, 1));
  EXPECT_EQ(0, TPointCross::InsideDimensions(&m, &frame, 2));
  EXPECT_EQ(1, TPointCross::InsideDimensions(&m, &frame, 0));
  const DFRAME half{5, 5, 15, 15};
  EXPECT_EQ(2, TPointCross::InsideDimensions(&m, &half, 0));

  TPointCross w;
  w.Mode = 1;
  Metric d;
  ASSERT_TRUE(Fill(d, METRIC_F64, {kSquare}));
  EXPECT_EQ(1, w.DoSubject(&d, &m, 0, 1));  // inside: taken as a hole
  EXPECT_EQ(0, w.DoSubject(&d, &m, 0, 2));  // outside: refused
  EXPECT_EQ(1, w.DoSubject(&d, &m, 1, 2));  // unless unchecked
  EXPECT_EQ(2, d.Record->Count);
  Metric one;
  EXPECT_EQ(1, TPointCross::CreateDataObject(&one, &m, 2));
  EXPECT_EQ(20.0, Points(one, 0)[0].x);

  // Copies wrap around the closing point of a closed contour once.
  Metric out;
  ASSERT_TRUE(out.Create(METRIC_F64, 0));
  EXPECT_EQ(1, w.MoveData(&out, &m, 1, 0, 0, 4, 2));
  const Contour moved = Points(out, 0);
  ASSERT_EQ(3u, moved.size());  // 4, 5 (= 1), 2
  EXPECT_EQ(10.0, moved[0].x);
  EXPECT_EQ(0.0, moved[1].x);
  EXPECT_EQ(10.0, moved[2].y);
  EXPECT_EQ(0, w.MoveData(&out, &m, 1, 0, 0, 9, 2));
}

TEST(MetricClean, ChangeDirectionFollowsTheTable) {
  const LONG in[] = {1, 2, 3, 4};
  const LONG one[] = {4, 2, 2, 4}, two[] = {1, 4, 1, 4};
  for (int i = 0; i < 4; ++i) {
    LONG a = in[i], b = in[i];
    TPointCross::ChangeDirection(1, &a);
    TPointCross::ChangeDirection(2, &b);
    EXPECT_EQ(one[i], a);
    EXPECT_EQ(two[i], b);
  }
}

TEST(PieceTrace, AnAreaInsideAnotherAndTouchingItIsOnePiece) {
  // A diamond touching the square's side at one vertex: its crossing is a
  // touch from inside, the square's a touch from outside.
  const Contour diamond = {{0, 5}, {2, 7}, {4, 5}, {2, 3}, {0, 5}};
  Metric a, b, piece;
  ASSERT_TRUE(Fill(a, METRIC_F64, {diamond}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {kSquare}));
  TPointCross w;
  ASSERT_EQ(1, w.LoadObjects(&a, &b, 1, 0, 0, 0.0));
  ASSERT_EQ(1, w.Count);
  Classify(w);
  EXPECT_EQ(CROSS_TOUCH_INSIDE, w.Cross1[0].Kind);
  EXPECT_EQ(CROSS_TOUCH_OUTSIDE, w.Cross2[0].Kind);
  ASSERT_TRUE(piece.Create(METRIC_F64, 0));
  EXPECT_EQ(1, w.CollectorOneObject(&piece, 0, 2));
  EXPECT_EQ(5, piece.PointCount(0));
  EXPECT_EQ(4.0, Points(piece, 0)[2].x);
  EXPECT_EQ(0, w.Count);
  EXPECT_EQ(0, w.CollectorOneObject(&piece, 0, 2));

  // A square lying along part of the other's side is traced round whole.
  const Contour inner = {{0, 2}, {0, 6}, {4, 6}, {4, 2}, {0, 2}};
  Metric c, along;
  ASSERT_TRUE(Fill(c, METRIC_F64, {inner}));
  TPointCross t;
  ASSERT_EQ(1, t.LoadObjects(&c, &b, 1, 0, 0, 0.0));
  ASSERT_EQ(2, t.Count);
  Classify(t);
  ASSERT_TRUE(along.Create(METRIC_F64, 0));
  ASSERT_EQ(1, t.CollectorOneObject(&along, 0, 2));
  ASSERT_EQ(1, t.DeleteEqualPoints(&along, 0));
  EXPECT_EQ(5, along.PointCount(0));
  EXPECT_NEAR(16.0, along.SquareSubject(0), 1e-9);
}

TEST(PieceTrace, LineThroughAnAreaGivesAPiecePerPass) {
  // In at (0,2), out at (10,2), in at (10,8), out at (0,8).
  const Contour line = {{-5, 2}, {15, 2}, {15, 8}, {-5, 8}};
  Metric area, road;
  ASSERT_TRUE(Fill(area, METRIC_F64, {kSquare}));
  ASSERT_TRUE(Fill(road, METRIC_F64, {line}));
  TPointCross w;
  ASSERT_EQ(1, w.LoadObjects(&area, &road, 0, 0, 0, 0.0));
  ASSERT_EQ(4, w.Count);
  Classify(w);
  EXPECT_EQ((std::vector<LONG>{2, 1, 2, 1}),
            (std::vector<LONG>{w.Cross2[0].Kind, w.Cross2[1].Kind, w.Cross2[2].Kind, w.Cross2[3].Kind}));
  std::vector<Contour> pieces;
  for (int guard = 0; guard < 10; ++guard) {
    Metric piece;
    ASSERT_TRUE(piece.Create(METRIC_F64, 0));
    if (!w.CollectorOneObject(&piece, 0, 2)) break;
    pieces.push_back(Points(piece, 0));
  }
  ASSERT_EQ(2u, pieces.size());
  // Each pass from its entry to its exit: (0,2) to (10,2), (10,8) to (0,8).
  ASSERT_EQ(2u, pieces[0].size());
  ASSERT_EQ(2u, pieces[1].size());
  EXPECT_EQ((std::vector<double>{0, 2, 10, 2}),
            (std::vector<double>{pieces[0][0].x, pieces[0][0].y, pieces[0][1].x, pieces[0][1].y}));
  EXPECT_EQ((std::vector<double>{10, 8, 0, 8}),
            (std::vector<double>{pieces[1][0].x, pieces[1][0].y, pieces[1][1].x, pieces[1][1].y}));

  // A line that starts inside leaves through an exit: traced backwards
  // from it to its first point, and flagged for reversing.
  Metric inside;
  ASSERT_TRUE(Fill(inside, METRIC_F64, {{{5, 5}, {15, 5}}}));
  TPointCross r;
  ASSERT_EQ(1, r.LoadObjects(&area, &inside, 0, 0, 0, 0.0));
  Classify(r);
  EXPECT_EQ(CROSS_EXIT, r.Cross2[0].Kind);
  Metric piece;
  ASSERT_TRUE(piece.Create(METRIC_F64, 0));
  EXPECT_EQ(1, r.CollectorOneObject(&piece, 0, 2));
  EXPECT_EQ(1, r.Reverse);
  const Contour back = Points(piece, 0);
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(10.0, back[0].x);
  EXPECT_EQ(5.0, back[1].x);
}

TEST(PieceTrace, OverlappingSquaresTraceTheirCommonPart) {
  const Contour c = {{5, 5}, {5, 15}, {15, 15}, {15, 5}, {5, 5}};
  Metric a, b, piece;
  ASSERT_TRUE(Fill(a, METRIC_F64, {c}));
  ASSERT_TRUE(Fill(b, METRIC_F64, {kSquare}));
  TPointCross w;
  ASSERT_EQ(1, w.LoadObjects(&a, &b, 1, 0, 0, 0.0));
  Classify(w);
  ASSERT_TRUE(piece.Create(METRIC_F64, 0));
  ASSERT_EQ(1, w.CollectorOneObject(&piece, 0, 2));
  ASSERT_EQ(1, w.DeleteEqualPoints(&piece, 0));
  EXPECT_EQ(1, piece.GetExclusiveSubject(0));
  EXPECT_NEAR(25.0, piece.SquareSubject(0), 1e-9);
}
