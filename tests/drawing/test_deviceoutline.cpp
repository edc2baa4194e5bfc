// Painting geometry and device outline operations: ellipses and join arcs
// by chords; device fills, chunked polylines, thin device lines
// and wide lines as bands, checked as the exact calls a device receives.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "devices/support/devcanvas.h"
#include "drawing/chordarcs.h"
#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"
#include "drawing/support/devicecalls.h"
#include "drawing/support/picturefixture.h"
#include "platform/gdi/gdi_test.h"

namespace {

using devicecalls::Lines;
using devicecalls::Recorder;
using Calls = std::vector<std::string>;

struct Out {
  POINT points[JOIN_ARC_POINTS_MAX + 8] = {};
  LONG count = 0;
  POLYDATA data{};
  Out() { data.Points = points, data.PolyCounts = &count, data.Count = 1; }
  POLYDATA* operator&() { return &data; }
};

bool Eq(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

// Position of a point around k in the chord outlines' order (from below
// the centre towards the right), in radians 0..2 pi, on the unit circle of
// radii (rx, ry).
double Around(POINT k, POINT p, int rx, int ry) {
  const double a = std::atan2(double(p.x - k.x) / rx, double(p.y - k.y) / ry);
  return a < 0 ? a + 2 * std::numbers::pi : a;
}
double Sweep(double from, double to) {
  double d = to - from;
  if (d < 0) d += 2 * std::numbers::pi;
  return d > 2 * std::numbers::pi - 1e-9 ? 0.0 : d;
}

TEST(ChordGeometry, Ellipses) {
  Out o;
  EXPECT_EQ(DrawEllipseByChords({5, 6}, 1, 9, &o), 1);
  EXPECT_TRUE(Eq(o.points[0], {5, 6}));
  for (int a : {2, 7, 10, 11, 18, 20, 40}) {
    const int b = a / 2 + 1;
    const int n = DrawEllipseByChords({50, 50}, a, b, &o);
    ASSERT_GE(n, 16) << a;
    ASSERT_LE(n, CHORD_POINTS_MAX);
    EXPECT_EQ(n % 8, 0);
    EXPECT_TRUE(Eq(o.points[0], {50, 50 + b}));
    EXPECT_TRUE(Eq(o.points[n - 1], {50, 50 + b}));
    EXPECT_TRUE(Eq(o.points[n / 4 - 1], {50 + a, 50}));
    for (int i = 0; i < n; ++i) {
      const double u = (o.points[i].x - 50.0) / (a + 1), v = (o.points[i].y - 50.0) / (b + 1);
      EXPECT_LE(u * u + v * v, 1.0) << a << " " << i;
    }
  }
}

TEST(ChordGeometry, JoinArcsOfQuarters) {
  Out o;
  const POINT k{50, 50};
  // From below to the right: the quarter between, in the outline's order.
  ASSERT_EQ(DrawJoinArc({50, 100}, k, {100, 50}, 10, &o), 16);
  EXPECT_TRUE(Eq(o.points[0], {50, 60}));
  EXPECT_TRUE(Eq(o.points[15], {60, 50}));
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(o.points[i].x >= 50 && o.points[i].y >= 50) << i;
  // The other way round: three quarters, none inside the first one.
  ASSERT_EQ(DrawJoinArc({100, 50}, k, {50, 100}, 10, &o), 45);
  EXPECT_TRUE(Eq(o.points[0], {60, 50}));
  EXPECT_TRUE(Eq(o.points[44], {50, 60}));
  for (int i = 0; i < 45; ++i) EXPECT_FALSE(o.points[i].x > 50 && o.points[i].y > 50) << i;
  // A corner equal to p stands for the reflection of n: the lower half.
  const int n = DrawJoinArc(k, k, {100, 50}, 10, &o);
  EXPECT_TRUE(Eq(o.points[0], {40, 50}));
  EXPECT_TRUE(Eq(o.points[n - 1], {60, 50}));
  for (int i = 0; i < n; ++i) EXPECT_GE(o.points[i].y, 50);
  EXPECT_EQ(DrawJoinArc({1, 2}, k, {1, 2}, 10, &o), 0);
  EXPECT_EQ(o.count, 0);
  EXPECT_EQ(DrawJoinEllipse({1, 2}, k, {1, 2}, 10, 4, &o), 0);
  // Radii that make no outline: the two end points.
  EXPECT_EQ(DrawJoinArc({0, 0}, k, {100, 0}, -3, &o), 2);
  EXPECT_LE(DrawJoinEllipse({0, 0}, k, {100, 0}, 30, 0, &o), JOIN_ARC_POINTS_MAX);
}

// Every vertex of an arc lies between the directions towards p and n, in
// order, however the chords were rounded.
TEST(ChordGeometry, JoinArcsStayBetweenTheirEnds) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> d(-60, 60);
  const POINT k{100, 100};
  for (int round = 0; round < 3000; ++round) {
    const POINT p{100 + d(rng), 100 + d(rng)}, n{100 + d(rng), 100 + d(rng)};
    if (Eq(p, n) || Eq(p, k) || Eq(n, k)) continue;
    const int rx = 2 + round % 40, ry = round % 2 ? rx : 2 + (round / 2) % 35;
    Out o;
    const int count = rx == ry ? DrawJoinArc(p, k, n, rx, &o) : DrawJoinEllipse(p, k, n, rx, ry, &o);
    ASSERT_GE(count, 2);
    ASSERT_LE(count, JOIN_ARC_POINTS_MAX);
    const double start = Around(k, p, 1, 1);
    const double total = Sweep(start, Around(k, n, 1, 1));
    double last = 0.0;
    for (int i = 1; i < count - 1; ++i) {
      const double at = Sweep(start, Around(k, o.points[i], rx, ry));
      ASSERT_GE(at, last) << round << " point " << i;
      ASSERT_LE(at, total + 1e-9) << round << " point " << i;
      last = at;
    }
  }
}

class DeviceOutline : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = DevicePaintState;
    DevicePaintState = {DT_RASDISPLAY, 100, 100};
    PaintContext.ImageWidth = 100, PaintContext.ImageHeight = 100;
  }
  void TearDown() override {
    DevicePaintState = saved_;
    PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
  }
  static constexpr DEVICELINE kRed{0x0000FF, 1};
  Recorder rec;

 private:
  DEVICEPAINTSTATE saved_{};
};

TEST_F(DeviceOutline, FillSelectsPenAndBrushOfTheColour) {
  Lines l;
  l.Part({{0, 0}, {9, 0}, {9, 9}, {0, 0}}).Part({{2, 2}, {5, 2}, {5, 5}, {2, 2}});
  FillDevicePolygon(nullptr, l.Poly(), 0x123456);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 123456", "brush 123456",
                               "area 0,0 9,0 9,9 0,0 | 2,2 5,2 5,5 2,2"}));
  FillDevicePolygon(nullptr, nullptr, 0);
  EXPECT_TRUE(rec.Take().empty());
}

TEST_F(DeviceOutline, ChunksShareTheirJointPoints) {
  std::vector<POINT> run;
  for (int i = 0; i < 600; ++i) run.push_back({i, i % 7});
  Lines l;
  l.Part(run).Count(0).Part({{1, 1}, {2, 2}});
  DEVICELINE line{0x00FF00, 0};
  OutputPolylineChunks(nullptr, l.Poly(), &line);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 256 0,0 .. 255,3", "line 256 255,3 .. 510,6",
                               "line 90 510,6 .. 599,4", "line 2 1,1 2,2"}));
}

TEST_F(DeviceOutline, ThinLinesFollowTheMemoryImageRules) {
  Lines l;
  l.Part({{10, 10}, {20, 10}, {20, 30}}).Part({{-5, 10}, {-3, 40}, {5, 40}}).Part({{7, 7}});
  DrawDevicePolylines(nullptr, l.Poly(), &kRed, 1.0);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "line 2 10,10 20,10", "line 2 20,10 20,30",
                               "line 2 -3,40 5,40", "line 2 7,7 7,7"}));
  // Thickness 2: steep and flat segments twice, the diagonal on a
  // staircase of three; a part of no points ends the walk.
  Lines t;
  t.Part({{20, 10}, {20, 30}, {40, 31}, {50, 41}}).Count(0).Part({{1, 1}, {2, 2}});
  const DEVICELINE two{0x0000FF, 2};
  DrawDevicePolylines(nullptr, t.Poly(), &two, 2.0);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "line 2 19,10 19,30", "line 2 20,10 20,30",
                               "line 2 20,29 40,30", "line 2 20,30 40,31", "line 2 39,31 49,41",
                               "line 2 40,31 50,41", "line 2 40,30 50,40"}));
  // A dot of thickness 4: five pixels alternately right and down.
  Lines dot;
  dot.Part({{10, 10}});
  const DEVICELINE four{0x0000FF, 4};
  DrawDevicePolylines(nullptr, dot.Poly(), &four, 2.5);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "line 2 9,9 9,9", "line 2 10,9 10,9",
                               "line 2 10,10 10,10", "line 2 11,10 11,10", "line 2 11,11 11,11"}));
}

TEST_F(DeviceOutline, DrawerChoosesByDeviceAndWidth) {
  Lines l;
  l.Part({{10, 10}, {30, 10}});
  const DEVICELINE none{0xFFFFFFFF, 3};
  DrawDevicePolylines(nullptr, l.Poly(), &none, 9.0);
  EXPECT_TRUE(rec.Take().empty());
  const DEVICELINE three{0x0000FF, 3};
  for (LONG tech : {DT_METAFILE, DT_PLOTTER}) {
    DevicePaintState.Technology = tech;
    DrawDevicePolylines(nullptr, l.Poly(), &three, 2.5);
    EXPECT_EQ(rec.Take(), (Calls{"pen 3 0000FF", "line 2 10,10 30,10"}));
  }
  DrawDevicePolylines(nullptr, l.Poly(), &three, 2.6);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "brush 0000FF",
                               "area 10,11 10,11 10,9 30,9 30,11 10,11"}));
}

TEST_F(DeviceOutline, WideLineBandsMeetInBevels) {
  Lines l;
  l.Part({{0, 20}, {10, 20}, {10, 10}});
  DrawWideDeviceLine(nullptr, l.Poly(), &kRed, 10.0);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "brush 0000FF",
                               "area 0,25 0,25 0,15 10,15 10,25 0,25", "pen 1 0000FF",
                               "brush 0000FF", "area 15,20 10,25 5,20 5,10 15,10 15,20"}));
}

TEST_F(DeviceOutline, WideLineSkipsOutsideAndDegenerateParts) {
  // The first segment lies more than h left of the image: the next band
  // starts without a join.
  Lines l;
  l.Part({{-20, 5}, {-10, 5}, {-10, 5}, {20, 5}});
  l.Part({{40, 40}}).Part({{50, 50}, {50, 50}, {50, 50}});
  DrawWideDeviceLine(nullptr, l.Poly(), &kRed, 10.0);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "brush 0000FF",
                               "area -10,10 -10,10 -10,0 20,0 20,10 -10,10"}));
  // A negative count ends the drawing.
  Lines bad;
  bad.Count(-1).Part({{0, 0}, {10, 0}});
  DrawWideDeviceLine(nullptr, bad.Poly(), &kRed, 10.0);
  EXPECT_TRUE(rec.Take().empty());
}

TEST_F(DeviceOutline, ClosedWideLineBevelsItsFirstCorner) {
  Lines l;
  l.Part({{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}});
  DrawWideDeviceLine(nullptr, l.Poly(), &kRed, 10.0);
  Calls areas;
  for (const std::string& c : rec.Take())
    if (c.rfind("area", 0) == 0) areas.push_back(c);
  EXPECT_EQ(areas, (Calls{"area 10,15 5,10 10,5 30,5 30,15 10,15",
                          "area 25,10 30,5 35,10 35,30 25,30 25,10",
                          "area 30,25 35,30 30,35 10,35 10,25 30,25",
                          "area 15,30 10,35 5,30 5,10 15,10 15,30"}));
  // Starting outside the image the first band has no join.
  Lines out;
  out.Part({{-10, 10}, {30, 10}, {30, 30}, {-10, 10}});
  DrawWideDeviceLine(nullptr, out.Poly(), &kRed, 10.0);
  EXPECT_EQ(rec.Take()[2], "area -10,15 -10,15 -10,5 30,5 30,15 -10,15");
}

// --- Wide lines in a picture ---

class PictureBands : public drawtest::PictureFixture {
 protected:
  static constexpr int W = 150, H = 100;
  void SetUp() override { Open(W, H); }
};

// Random polylines across the picture's edges, open and closed, wide by
// up to 14 pixels by both filling rules, or thin of 1 to 4 pixels: the
// picture gets exactly the pixels the device sets.
TEST_F(PictureBands, LinesAreThePixelsTheDeviceSets) {
  devtest::Canvas device(W, H);
  HDC picture = PaintContext.MemoryDc;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> x(-30, W + 30), y(-30, H + 30), step(-9, 9), parts(1, 3),
      points(2, 12);
  std::uniform_real_distribution<double> width(2.6, 14.0);
  int differ = 0, inked = 0;
  for (int round = 0; round < 600; ++round) {
    Lines l;
    for (int k = parts(rng); k > 0; --k) {
      std::vector<POINT> part{{x(rng), y(rng)}};
      for (int n = points(rng); n > 1; --n)
        part.push_back({part.back().x + step(rng) * (round % 3 + 1), part.back().y + step(rng)});
      if (round % 4 == 0) part.push_back(part.front());
      l.Part(part);
    }
    const DEVICELINE line{COLORREF(rng() & 0xFFFFFF), 1 + round % 4};
    const int mode = round % 2 ? WINDING : ALTERNATE;
    const double w = round % 5 == 4 ? 2.0 : width(rng);
    const RECT all{0, 0, W, H};
    for (HDC dc : {device.dc, picture}) {
      FillDeviceRect(dc, &all, 0xFFFFFFFF);
      plat::SetPolyFillMode(dc, mode);
      DrawDevicePolylines(dc, l.Poly(), &line, w);
    }
    for (int j = 0; j < H; ++j)
      for (int i = 0; i < W; ++i) {
        const COLORREF d = plat::gdi::GetPixelColor(device.dc, i, j);
        differ += d != At(i, j);
        inked += d != 0xFFFFFF;
      }
    ASSERT_EQ(differ, 0) << "round " << round;
  }
  EXPECT_GT(inked, 100000);
}

// A wide line of a hundred segments in a picture costs no device call for
// its bands; anywhere else one polygon each.
TEST_F(PictureBands, NoDeviceCallPerBand) {
  Lines l;
  std::vector<POINT> zigzag;
  for (int i = 0; i <= 100; ++i) zigzag.push_back({i, 20 + 10 * (i % 2)});
  l.Part(zigzag);
  const DEVICELINE line{0x0000FF, 1};
  HDC dc = PaintContext.MemoryDc;
  plat::gdi::EnableCallLog(dc, true);
  int seen = 0;
  auto polygons = [&] {  // since the last call
    int n = 0;
    for (const std::string& call : plat::gdi::CallLog(dc)) n += call.rfind("PolyPolygon", 0) == 0;
    std::swap(n, seen);
    return seen - n;
  };
  DrawWideDeviceLine(dc, l.Poly(), &line, 6.0);
  EXPECT_EQ(polygons(), 0);
  EXPECT_EQ(At(50, 25), 0x0000FFu);
  // Another drawing mode, or the context not showing the picture: the
  // device draws each band.
  plat::SetROP2(dc, R2_XORPEN);
  DrawWideDeviceLine(dc, l.Poly(), &line, 6.0);
  EXPECT_EQ(polygons(), 100);
  plat::SetROP2(dc, R2_COPYPEN);
  PaintContext.PictureDc = nullptr;
  DrawWideDeviceLine(dc, l.Poly(), &line, 6.0);
  EXPECT_EQ(polygons(), 100);
}

}  // namespace
