// Rings and wide lines written straight into a picture: the pixels are
// those the device sets for the same figure, whether a ring goes by the
// extent of its outline in each row or by its fill and outline, and
// whether a band is painted from a shape kept for its corners or made anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "devices/support/devcanvas.h"
#include "drawing/chordarcs.h"
#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"
#include "drawing/paintgeometry.h"
#include "drawing/pictureband.h"
#include "drawing/support/picturefixture.h"
#include "drawing/support/polylines.h"
#include "platform/gdi/gdi_test.h"

namespace {

using drawtest::Lines;

// A picture of W x H beside a device of the same size.
class PictureFigures : public drawtest::PictureFixture {
 protected:
  static constexpr int W = 120, H = 90;
  void SetUp() override { Open(W, H); }
  // Both white, both with the filling rule.
  void Clear(int mode) {
    const RECT all{0, 0, W, H};
    for (HDC dc : {device.dc, PaintContext.MemoryDc}) {
      FillDeviceRect(dc, &all, 0xFFFFFFFF);
      plat::SetPolyFillMode(dc, mode);
    }
  }
  // Pixels where the picture and the device differ.
  int Differ() const {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) n += plat::gdi::GetPixelColor(device.dc, x, y) != At(x, y);
    return n;
  }
  static std::string Text(const std::vector<POINT>& p) {
    std::string s;
    for (const POINT& q : p) s += std::to_string(q.x) + "," + std::to_string(q.y) + " ";
    return s;
  }

  devtest::Canvas device{W, H};
};

// Rings of 2 to 8 corners inside the picture, convex or not, crossing
// themselves, flat, with corners repeated, by both filling rules: every
// triangle of a small grid, then rings of random corners near each other;
// then large rings of many corners across the picture's edges.
TEST_F(PictureFigures, RingsAreThePixelsTheDeviceSets) {
  constexpr COLORREF kColour = 0x2080F0;
  const auto check = [&](std::vector<POINT> ring, int mode) {
    Clear(mode);
    Lines l;
    l.Part(ring);
    FillDevicePolygon(device.dc, l.Poly(), kColour);
    PICTUREPEN pen;
    if (!TakePicturePen(PaintContext.MemoryDc, kColour, &pen)) return -1;
    PaintPictureRing(pen, ring.data(), int(ring.size()));
    return Differ();
  };
  constexpr int G = 5;
  for (int a = 0; a < G * G; ++a)
    for (int b = 0; b < G * G; ++b)
      for (int c = 0; c < G * G; c += 2)
        ASSERT_EQ(check({{3 + a % G, 4 + a / G}, {3 + b % G, 4 + b / G}, {3 + c % G, 4 + c / G}},
                        (a + b) % 2 ? WINDING : ALTERNATE),
                  0)
            << a << " " << b << " " << c;
  std::mt19937 rng(3);
  for (int round = 0; round < 4000; ++round) {
    std::uniform_int_distribution<int> at(2, 2 + 3 + round % 20);
    std::vector<POINT> ring(2 + round % 7);
    for (POINT& p : ring) p = {at(rng), at(rng)};
    if (round % 5 == 0) ring[1] = ring[0];
    ASSERT_EQ(check(ring, round % 2 ? WINDING : ALTERNATE), 0) << Text(ring);
  }
  // Large rings of up to PICTURE_RING_MAX corners, crossing themselves
  // and the picture's edges.
  std::uniform_int_distribution<int> x(-20, W + 20), y(-20, H + 20), corners(3, PICTURE_RING_MAX);
  for (int round = 0; round < 300; ++round) {
    std::vector<POINT> ring(corners(rng));
    for (POINT& p : ring) p = {x(rng), y(rng)};
    ASSERT_EQ(check(ring, round % 2 ? WINDING : ALTERNATE), 0) << Text(ring);
  }
}

// Circles and ellipses of up to CHORD_POINTS_MAX chord points filled on
// the picture's context, inside it and across its edges, go into the
// picture with the device's pixels.
TEST_F(PictureFigures, ChordRingsFilledAreThePixelsTheDeviceSets) {
  for (int round = 0; round < 300; ++round) {
    const int a = 2 + round % 40, b = 2 + (round * 7) % 30;
    const POINT centre{(round * 37) % (W + 40) - 20, (round * 53) % (H + 40) - 20};
    POINT points[CHORD_POINTS_MAX];
    LONG count = 0;
    POLYDATA ring{};
    ring.Points = points, ring.PolyCounts = &count, ring.Count = 1;
    count = round % 2 ? DrawArcByChords(centre, a, &ring) : DrawEllipseByChords(centre, a, b, &ring);
    ASSERT_GE(count, 1);
    if (count < 2) continue;
    Clear(round % 3 ? ALTERNATE : WINDING);
    for (HDC dc : {device.dc, PaintContext.MemoryDc}) FillDevicePolygon(dc, &ring, 0x102030);
    ASSERT_EQ(Differ(), 0) << "round " << round << ": " << count << " points";
  }
}

// Wide lines wholly inside the picture, open and closed, of many widths
// (more shapes of bands than are kept at once), by both filling rules,
// each painted twice over its own pixels in another colour: the second
// time mostly from kept shapes. Segments too long and bands too tall to
// keep are among them.
TEST_F(PictureFigures, WideLinesInsideAreThePixelsTheDeviceSets) {
  std::mt19937 rng(19);
  std::uniform_int_distribution<int> step(-9, 9), longStep(-30, 30), points(2, 14);
  std::uniform_real_distribution<double> width(2.6, 12.0);
  int inked = 0;
  for (int round = 0; round < 400; ++round) {
    const double w = round % 40 == 39 ? 40.0 + round % 7 : width(rng);
    const int margin = int(w / 2) + 2;
    std::uniform_int_distribution<int> x(margin, W - 1 - margin), y(margin, H - 1 - margin);
    Lines l;
    std::vector<POINT> part{{x(rng), y(rng)}};
    for (int n = points(rng); n > 1; --n) {
      const int dx = round % 10 == 9 ? longStep(rng) : step(rng), dy = step(rng);
      part.push_back({std::clamp(part.back().x + dx, margin, W - 1 - margin),
                      std::clamp(part.back().y + dy, margin, H - 1 - margin)});
    }
    if (round % 3 == 0) part.push_back(part.front());
    l.Part(part);
    Clear(round % 2 ? WINDING : ALTERNATE);
    for (COLORREF c : {COLORREF(0x00FF00), COLORREF(0x0000FF)}) {
      const DEVICELINE line{c, 1};
      DrawWideDeviceLine(device.dc, l.Poly(), &line, w);
      DrawWideDeviceLine(PaintContext.MemoryDc, l.Poly(), &line, w);
      ASSERT_EQ(Differ(), 0) << "round " << round << " width " << w << ": " << Text(part);
    }
    inked += W * H - device.Count(0xFFFFFF, W, H);
  }
  EXPECT_GT(inked, 100000);
}

// A painting that decides its context's drawing state once: the pens on
// that context are those taken without it, a context that would not give
// one gives none, the other checks still hold for each pen, and the
// decision before comes back after.
TEST_F(PictureFigures, DecidedPensAreThoseTakenEachTime) {
  HDC dc = PaintContext.MemoryDc;
  const auto same = [](const PICTUREPEN& a, const PICTUREPEN& b) {
    return a.Top == b.Top && a.Stride == b.Stride && a.Width == b.Width &&
           a.Height == b.Height && a.Pixel == b.Pixel && a.Winding == b.Winding;
  };
  PICTUREPEN each{}, decided{};
  for (int mode : {ALTERNATE, WINDING}) {
    plat::SetPolyFillMode(dc, mode);
    ASSERT_TRUE(TakePicturePen(dc, 0x123456, &each));
    const TDecidedPicturePen scope(dc);
    ASSERT_TRUE(TakePicturePen(dc, 0x123456, &decided));
    EXPECT_TRUE(same(each, decided)) << mode;
    EXPECT_EQ(decided.Winding, mode == WINDING);
    EXPECT_FALSE(TakePicturePen(dc, 0x01123456, &decided));
    EXPECT_FALSE(TakePicturePen(device.dc, 0x123456, &decided));
  }
  plat::SetROP2(dc, R2_XORPEN);
  {
    const TDecidedPicturePen scope(dc);
    EXPECT_FALSE(TakePicturePen(dc, 0x123456, &decided));
    plat::SetROP2(dc, R2_COPYPEN);
    // Not decided: the state is read for each pen.
    EXPECT_TRUE(TakePicturePen(dc, 0x123456, &decided));
    {
      const TDecidedPicturePen inner(dc);
      PaintContext.PictureDc = nullptr;
      EXPECT_FALSE(TakePicturePen(dc, 0x123456, &decided));
      PaintContext.PictureDc = dc;
    }
    plat::SetROP2(dc, R2_XORPEN);
    EXPECT_FALSE(TakePicturePen(dc, 0x123456, &decided));
  }
  plat::SetROP2(dc, R2_COPYPEN);
  EXPECT_TRUE(TakePicturePen(dc, 0x123456, &decided));
  EXPECT_TRUE(same(each, decided));
  // A picture whose rows hold no pixel gives no pen: the device draws.
  const LONG stride = PaintContext.Stride;
  for (LONG bad : {0, 2, -stride}) {
    PaintContext.Stride = bad;
    EXPECT_FALSE(TakePicturePen(dc, 0x123456, &decided)) << bad;
  }
  PaintContext.Stride = stride;
}

}  // namespace

namespace {

// A line wider than any picture (its width from a record scaled without
// bound) covers what the device covers, on the picture as on the device,
// with no integer of the width overflowing on the way.
TEST_F(PictureFigures, LinesWiderThanAnyPictureAreThePixelsTheDeviceSets) {
  for (double w : {1e6, 1e12, 1e19, 1e40, 1e300}) {
    Clear(ALTERNATE);
    Lines l;
    l.Part({{30, 30}, {60, 40}, {90, 35}});
    const DEVICELINE line{0x0000FF, 1};
    DrawWideDeviceLine(device.dc, l.Poly(), &line, w);
    DrawWideDeviceLine(PaintContext.MemoryDc, l.Poly(), &line, w);
    EXPECT_EQ(Differ(), 0) << w;
    EXPECT_LT(device.Count(0xFFFFFF, W, H), W * H / 2) << w;
  }
}

}  // namespace
