// Circles by chords: point counts by radius, the closed run from below the
// centre, and the points on the circle. Marks traced into contours, and
// the mark vectorisation (mapMarkVectorization) with its bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "drawing/markcontour.h"
#include "drawing/paintcontext.h"
#include "drawing/paintgeometry.h"

namespace {

struct Circle {
  POINT points[CHORD_POINTS_MAX] = {};
  LONG count = 0;
  POLYDATA data{};
  int Draw(POINT c, int r) {
    data.Points = points, data.PolyCounts = &count, data.Count = 1;
    return DrawArcByChords(c, r, &data);
  }
};

TEST(Chords, PointCountsByRadius) {
  const struct {
    int radius;
    int points;
  } cases[] = {{0, 1}, {-4, 1}, {1, 5}, {2, 16}, {10, 56}, {11, 32}, {18, 48}, {20, 56},
               {100000, 56}};
  for (const auto& c : cases) {
    Circle circle;
    EXPECT_EQ(circle.Draw({0, 0}, c.radius), c.points) << c.radius;
    EXPECT_EQ(circle.count, c.points) << c.radius;
  }
}

TEST(Chords, ClosedFromBelowTheCentreAndOnTheCircle) {
  for (int r : {3, 7, 15, 40}) {
    Circle circle;
    const int n = circle.Draw({10, 10}, r);
    EXPECT_EQ(circle.points[0].x, 10);
    EXPECT_EQ(circle.points[0].y, 10 + r);
    EXPECT_EQ(circle.points[n - 1].x, circle.points[0].x);
    EXPECT_EQ(circle.points[n - 1].y, circle.points[0].y);
    for (int i = 0; i < n; ++i) {
      const double d = std::hypot(circle.points[i].x - 10.0, circle.points[i].y - 10.0);
      EXPECT_NEAR(d, r, 1.0) << r << " " << i;
    }
    // The quarter points lie on the axes, in order (r, 0), (0, -r), (-r, 0).
    EXPECT_EQ(circle.points[n / 4 - 1].x, 10 + r);
    EXPECT_EQ(circle.points[n / 2 - 1].y, 10 - r);
    EXPECT_EQ(circle.points[3 * n / 4 - 1].x, 10 - r);
  }
}

TEST(Chords, FarCentreSaturatesAndNoRoomDrawsNothing) {
  Circle circle;
  ASSERT_EQ(circle.Draw({INT32_MAX - 1, INT32_MIN + 1}, 20), 56);
  EXPECT_EQ(circle.points[0].y, INT32_MIN + 21);
  EXPECT_EQ(circle.points[13].x, INT32_MAX);
  POLYDATA empty{};
  EXPECT_EQ(DrawArcByChords({0, 0}, 5, &empty), 0);
}

// --- Marks ---

struct Mark {
  BYTE bits[128] = {};
  Mark& Set(int x, int y) {
    bits[4 * y + x / 8] |= BYTE(0x80 >> (x % 8));
    return *this;
  }
  bool At(int x, int y) const { return (bits[4 * y + x / 8] >> (7 - x % 8)) & 1; }
};

// A trace into buffers of exactly the room given (overruns show under ASan).
struct Trace {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  POLYDATA data{};
  int Run(const Mark& m, int pointRoom = MARK_POINTS_ROOM, int partRoom = MARK_PARTS_ROOM) {
    points.assign(pointRoom, POINT{-1, -1});
    counts.assign(partRoom, -1);
    data.Points = points.data(), data.PolyCounts = counts.data();
    return TraceMarkContour(&data, m.bits, pointRoom, partRoom);
  }
};

TEST(MarkTrace, PixelsSegmentsAndRings) {
  Trace t;
  ASSERT_EQ(t.Run(Mark().Set(5, 7)), 1);  // one isolated bit: one part of one point
  EXPECT_EQ(t.data.Count, 1);
  EXPECT_EQ(t.counts[0], 1);
  EXPECT_EQ(t.points[0].x, 5);
  EXPECT_EQ(t.points[0].y, 7);
  // Two pixels: there and back.
  ASSERT_EQ(t.Run(Mark().Set(3, 0).Set(4, 0)), 3);
  EXPECT_EQ(t.points[1].x, 4);
  EXPECT_EQ(t.points[2].x, 3);
  // A 3 x 3 block: its ring of eight, closed, then the centre on its own.
  Mark block;
  for (int y = 10; y < 13; ++y)
    for (int x = 20; x < 23; ++x) block.Set(x, y);
  ASSERT_EQ(t.Run(block), 10);
  ASSERT_EQ(t.data.Count, 2);
  EXPECT_EQ(t.counts[0], 9);
  EXPECT_EQ(t.points[8].x, 20);
  EXPECT_EQ(t.points[8].y, 10);
  EXPECT_EQ(t.points[9].x, 21);
  EXPECT_EQ(t.points[9].y, 11);
}

// Every set pixel, and nothing else, lies on some contour; tracing ends on
// any mark, and a trace that needs more room than given says so.
TEST(MarkTrace, CoversTheMarkAndKeepsToItsRoom) {
  std::mt19937 random(7);
  Mark chequer, full;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      full.Set(x, y);
      if ((x + y) % 2 == 0) chequer.Set(x, y);
    }
  std::vector<Mark> marks = {chequer, full};
  for (int i = 0; i < 300; ++i) {
    Mark m;
    const unsigned density = 1 + i % 6;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (random() % 8 < density) m.Set(x, y);
    marks.push_back(m);
  }
  for (size_t i = 0; i < marks.size(); ++i) {
    Trace t;
    const int n = t.Run(marks[i], 32 * 32 * 4, 32 * 32);
    ASSERT_GT(n, 0) << i;
    std::set<std::pair<int, int>> traced, set;
    for (int k = 0; k < n; ++k) traced.insert({t.points[k].x, t.points[k].y});
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (marks[i].At(x, y)) set.insert({x, y});
    EXPECT_EQ(traced, set) << i;
    LONG sum = 0;
    for (LONG p = 0; p < t.data.Count; ++p) sum += t.counts[p];
    EXPECT_EQ(sum, n) << i;
    // Too little room for the points or the parts: -1, nothing written past it.
    const LONG parts = t.data.Count;
    if (n > 1) {
      EXPECT_EQ(t.Run(marks[i], n - 1, 32 * 32), -1) << i;
    }
    if (parts > 1) {
      EXPECT_EQ(t.Run(marks[i], n, parts - 1), -1) << i;
    }
  }
}

class MarkVectorization : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(AttachPointBuffers(), 1); }
  void TearDown() override { DetachPointBuffers(); }
  static LONG Get(const std::vector<char>& b, size_t at) {
    LONG v;
    std::memcpy(&v, b.data() + at, sizeof(v));
    return v;
  }
};

TEST_F(MarkVectorization, WritesAPolylineHeadCountsAndPoints) {
  Mark m;
  m.Set(1, 1).Set(2, 1).Set(30, 30);
  std::vector<char> buffer(9472, char(0x55));
  ASSERT_EQ(VectorizeMark(32, reinterpret_cast<const char*>(m.bits), 9472, buffer.data()), 1);
  POLYDATA head;
  std::memcpy(&head, buffer.data(), offsetof(POLYDATA, Count) + sizeof(LONG));
  EXPECT_EQ(head.Count, 2);
  EXPECT_EQ(reinterpret_cast<char*>(head.PolyCounts), buffer.data() + 2304);
  EXPECT_EQ(reinterpret_cast<char*>(head.Points), buffer.data() + 2304 + 192 * 2);
  EXPECT_EQ(head.PolyCounts[0], 3);
  EXPECT_EQ(head.PolyCounts[1], 1);
  EXPECT_EQ(head.Points[3].x, 30);
  EXPECT_EQ(head.Points[3].y, 30);
}

TEST_F(MarkVectorization, RefusesWithoutWritingWhatDoesNotFit) {
  const std::vector<char> untouched(20000, char(0x55));
  std::vector<char> buffer = untouched;
  Mark m;
  m.Set(0, 0);
  const char* bits = reinterpret_cast<const char*>(m.bits);
  EXPECT_EQ(VectorizeMark(16, bits, 9472, buffer.data()), 0);
  EXPECT_EQ(VectorizeMark(32, bits, 9471, buffer.data()), 0);
  EXPECT_EQ(VectorizeMark(32, nullptr, 9472, buffer.data()), 0);
  EXPECT_EQ(VectorizeMark(32, bits, 9472, nullptr), 0);
  // 36 single points need 2304 + 36 x 200 = 9504 bytes; 35 need 9304.
  Mark dots;
  for (int i = 0; i < 36; ++i) dots.Set(2 * (i % 16), 2 * (i / 16));
  bits = reinterpret_cast<const char*>(dots.bits);
  EXPECT_EQ(VectorizeMark(32, bits, 9503, buffer.data()), 0);
  EXPECT_EQ(buffer, untouched);
  EXPECT_EQ(VectorizeMark(32, bits, 9504, buffer.data()), 1);
  Mark fewer = dots;
  fewer.bits[4 * 4] &= BYTE(~(0x80 >> 6));  // the 36th dot, at (6, 4)
  buffer = untouched;
  EXPECT_EQ(VectorizeMark(32, reinterpret_cast<const char*>(fewer.bits), 9472,
                                 buffer.data()),
            1);
  EXPECT_EQ(Get(buffer, offsetof(POLYDATA, Count)), 35);
  EXPECT_EQ(buffer[2304 + 192 * 35 + 8 * 35], char(0x55));
  // A chequerboard keeps to the work space: eight diagonal contours.
  Mark chequer;
  for (int y = 0; y < 32; ++y)
    for (int x = y % 2; x < 32; x += 2) chequer.Set(x, y);
  ASSERT_EQ(VectorizeMark(32, reinterpret_cast<const char*>(chequer.bits), 9472, buffer.data()), 1);
  EXPECT_EQ(Get(buffer, offsetof(POLYDATA, Count)), 8);
  // Without a work buffer nothing is traced.
  DetachPointBuffers();
  EXPECT_EQ(VectorizeMark(32, reinterpret_cast<const char*>(m.bits), 9472, buffer.data()), 0);
  ASSERT_EQ(AttachPointBuffers(), 1);
}

}  // namespace
