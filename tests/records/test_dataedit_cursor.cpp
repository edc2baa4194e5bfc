// Reading points at the metric buffer's cursor: the record is checked once
// while it stays as it was, yet every change that makes the cursor's point
// unreadable is seen between the reads of one point's coordinates; a
// contour read at once, and the frame of a record's points, are what the
// cursor reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "records/dataedit.h"
#include "support/metric_builder.h"

namespace {

// A record of one contour of three f32 points (1,2) (3,4) (5,6), the
// cursor on the last one, its X read.
struct OnLastPoint : Edit {
  OnLastPoint() {
    Clear(METRIC_F32, 0);
    AppendPointSubject(0, 1, 2);
    AppendPointSubject(0, 3, 4);
    AppendPointSubject(0, 5, 6);
    GoPointSubject(3, 0);
  }
  char* Bytes() { return reinterpret_cast<char*>(Record); }
};

TEST(DataEditCursor, EveryChangeBetweenTheCoordinatesOfAPointIsSeen) {
  struct Change {
    const char* what;
    std::function<void(OnLastPoint&)> apply;
  };
  const Change changes[] = {
      {"record shortened past the point", [](OnLastPoint& e) { e.Record->Length -= 8; }},
      {"buffer smaller than the record", [](OnLastPoint& e) { e.BufferSize = 20; }},
      {"marker of no kind", [](OnLastPoint& e) { e.Record->Ident = 0x12345678; }},
      {"count below the point",
       [](OnLastPoint& e) {
         const WORD count = 2;
         std::memcpy(e.CountWord + 2, &count, 2);
       }},
      {"point number past the count", [](OnLastPoint& e) { e.PointNumber = 4; }},
      {"cursor before the points", [](OnLastPoint& e) { e.CurrentPoint = e.Bytes() + 8; }},
      {"no record", [](OnLastPoint& e) { e.Record = nullptr; }},
  };
  for (const Change& c : changes) {
    OnLastPoint e;
    ASSERT_EQ(5.0, e.XDouble()) << c.what;
    ASSERT_EQ(6.0, e.YDouble()) << c.what;
    LONGMETRIC* record = e.Record;
    const LONG size = e.BufferSize;
    c.apply(e);
    EXPECT_EQ(0.0, e.YDouble()) << c.what;
    EXPECT_EQ(0.0, e.XDouble()) << c.what;
    e.Record = record;  // the block is released through its own fields
    e.BufferSize = size;
  }
}

TEST(DataEditCursor, PointsReadAlongAContourAndAfterEdits) {
  OnLastPoint e;
  ASSERT_NE(nullptr, e.FirstPointSubject(0));
  double sum = 0;
  int points = 0;
  do {
    sum += e.XDouble() * 10 + e.YDouble();
    ++points;
  } while (e.NextPoint() != nullptr);
  EXPECT_EQ(3, points);
  EXPECT_EQ(10 + 2 + 30 + 4 + 50 + 6, sum);

  // A point deleted under the cursor: the next one takes its place.
  e.GoPointSubject(2, 0);
  ASSERT_EQ(3.0, e.XDouble());
  ASSERT_EQ(1, e.DeletePoint());
  e.GoPointSubject(2, 0);
  EXPECT_EQ(5.0, e.XDouble());
  EXPECT_EQ(6.0, e.YDouble());
  EXPECT_EQ(nullptr, e.GoPointSubject(3, 0));
  EXPECT_EQ(0.0, e.XDouble() + e.YDouble() - 11.0);
}

// Contours read at once, and the frame of all the points, give what the
// cursor reads point by point, also from records of every point kind, cut
// short past some points, or holding a point that is no number or infinite
// (no number to the frame either way, read in vectors or one by one).
TEST(DataEditCursor, ContoursReadAtOnceAreWhatTheCursorReads) {
  const std::vector<BuildContour> contours = {
      {{{1, 2}, {3, -4}, {-5, 6}, {7, 8}}}, {{{10, 11}}}, {{}}, {{{-20, 21}, {22, 23}}},
      // Read eight points a turn and three after: the extremes lie in each
      // half of a turn, in the second turn and past the last.
      {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {90, 0}, {7, 0}, {8, 0}, {-95, 1},
        {10, 0}, {11, 0}, {12, 0}, {13, 0}, {14, -97}, {15, 0}, {16, 0}, {17, 0}, {18, 99}}},
      {{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {-30, 40}, {50, -60}}}};
  struct Case {
    const char* what;
    DWORD kind;
    int cut;        // bytes cut off the record's length
    int none = -1;  // the contour with a point of no number, or -1
    int point = 2;  // that point
    double value = std::numeric_limits<double>::quiet_NaN();  // its X
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"floats", METRIC_F32, 0},   {"floats with heights", METRIC_F32H, 0},
      {"doubles", METRIC_F64, 0},  {"integers", METRIC_I32, 0},
      {"floats cut short", METRIC_F32, 12},
      {"floats with a point of no number", METRIC_F32, 0, 0},
      {"floats with a point of no number among eight", METRIC_F32, 0, 4, 6},
      {"floats with an infinite point among eight", METRIC_F32, 0, 4, 6, inf},
      {"floats with an infinite point past the last eight", METRIC_F32, 0, 4, 17, -inf},
      {"floats with heights and an infinite point", METRIC_F32H, 0, 0, 1, inf},
  };
  const double dx = 1000.5, dy = -20.25;
  for (const Case& c : cases) {
    std::vector<BuildContour> built = contours;
    if (c.none >= 0) built[size_t(c.none)].points[size_t(c.point)].x = c.value;
    std::vector<char> record = BuildMetric(c.kind, built, false);
    Edit e(record);
    ASSERT_NE(nullptr, e.Record) << c.what;
    e.Record->Length -= DWORD(c.cut);
    bool numbers = true, any = false;
    DFRAME frame{};
    for (int n = 0; n < int(contours.size()); ++n) {
      // The cursor's reading, shifted.
      std::vector<DOUBLEPOINT> cursor;
      if (e.FirstPointSubject(n) != nullptr && e.PointCount(n) > 0) {
        do cursor.push_back({e.XDouble() + dx, e.YDouble() + dy});
        while (e.NextPoint() != nullptr);
      }
      for (const DOUBLEPOINT& p : cursor) {
        numbers = numbers && std::isfinite(p.X) && std::isfinite(p.Y);
        if (!any) frame = DFRAME{p.X, p.Y, p.X, p.Y}, any = true;
        frame = DFRAME{std::min(frame.X1, p.X), std::min(frame.Y1, p.Y), std::max(frame.X2, p.X),
                       std::max(frame.Y2, p.Y)};
      }
      for (int first = 0; first <= int(cursor.size()); ++first) {
        std::vector<DOUBLEPOINT> out(8, DOUBLEPOINT{-1, -1});
        const int got = e.SubjectPointsDouble(n, first, dx, dy, out.data(), 3);
        const int expected = std::min(3, int(cursor.size()) - first);
        const std::string where = std::string(c.what) + ", contour " + std::to_string(n) +
                                  " from " + std::to_string(first);
        ASSERT_EQ(expected, got) << where;
        for (int i = 0; i < got; ++i) {
          const DOUBLEPOINT& want = cursor[size_t(first + i)];
          EXPECT_TRUE((want.X == out[size_t(i)].X || std::isnan(want.X)) &&
                      (want.Y == out[size_t(i)].Y || std::isnan(want.Y)))
              << where << ", point " << i;
        }
      }
    }
    DFRAME got{};
    const int known = e.FrameOfPoints(dx, dy, &got);
    // Known at once for floats, all of them numbers (a contour the record
    // does not hold whole is not read, by the cursor either).
    const bool once = (c.kind == METRIC_F32 || c.kind == METRIC_F32H) && numbers;
    ASSERT_EQ(once ? 1 : 0, known) << c.what;
    if (known) {
      EXPECT_EQ(frame.X1, got.X1) << c.what;
      EXPECT_EQ(frame.Y1, got.Y1) << c.what;
      EXPECT_EQ(frame.X2, got.X2) << c.what;
      EXPECT_EQ(frame.Y2, got.Y2) << c.what;
    }
    e.Record->Length += DWORD(c.cut);
  }
}

}  // namespace
