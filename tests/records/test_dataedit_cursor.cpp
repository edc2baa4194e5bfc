// Reading points at the metric buffer's cursor: the record is checked once
// while it stays as it was, yet every change that makes the cursor's point
// unreadable is seen between the reads of one point's coordinates.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

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

}  // namespace
