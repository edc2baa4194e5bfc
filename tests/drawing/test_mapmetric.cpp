// TMapMetric's factors, draw place, region, turn and sheet position.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "drawing/mapmetric.h"
#include "drawing/paintcontext.h"

namespace {

constexpr double kPi = std::numbers::pi;

// A document of 1000 pixels per metre with a discrete base of 1000: one
// pixel per discrete at draw scale 1.
std::unique_ptr<TMapMetric> MakeDocument(double drawScale = 1.0) {
  auto m = std::make_unique<TMapMetric>();
  m->SetPixel(1000.0, 1000.0);
  m->SetDisScale(1000.0);
  m->SetDrawScale(drawScale);
  return m;
}

TEST(MapMetric, FactorsFollowTheScreenAndTheDrawScale) {
  TMapMetric m;  // screen defaults: 3000 pixels per metre
  EXPECT_EQ(m.Self, &m);
  EXPECT_DOUBLE_EQ(m.PixelsPerMeterH, 3000.0);
  EXPECT_DOUBLE_EQ(m.Dis.Base, 3000.0);
  EXPECT_DOUBLE_EQ(m.Dis.PixelsPerUnitV, 1.0);
  EXPECT_NE(m.Poly.Points, nullptr);
  EXPECT_EQ(m.Poly.Points, PaintContext.PointArea);

  m.SetPixel(2000.0, 4000.0);
  m.SetDisScale(1000.0);
  m.SetElemScale(250.0);
  EXPECT_DOUBLE_EQ(m.SetDrawScale(0.5), 0.5);
  EXPECT_DOUBLE_EQ(m.Dis.PixelsPerUnitH, 1.0);
  EXPECT_DOUBLE_EQ(m.Dis.PixelsPerUnitV, 2.0);
  EXPECT_DOUBLE_EQ(m.Dis.UnitsPerPixelV, 0.5);
  EXPECT_DOUBLE_EQ(m.Elem.PixelsPerUnitH, 4.0);
  EXPECT_DOUBLE_EQ(m.DisPerElem, 4.0);
  EXPECT_DOUBLE_EQ(m.ChangeDrawScale(4.0), 2.0);
  EXPECT_DOUBLE_EQ(m.SetDrawScale(0.0), 1.0);  // below 0.001: 1.0
  m.SetDisScale(0.0);                           // below 0.001: the screen's
  EXPECT_DOUBLE_EQ(m.Dis.Base, 3000.0);

  m.SetDisScale(1000.0);
  m.SetRegionDis(DFRAME{-10.2, 5.0, 100.6, 50.0});
  EXPECT_EQ(m.PictureFrame.X1, -41);  // nearest of -10.2 x 4
  EXPECT_EQ(m.PictureFrame.X2, 402);
  EXPECT_EQ(m.PictureFrame.Y2, 100);
  m.SetRegionDis(DFRAME{5.0, 0.0, 4.0, 1.0});  // inverted: refused
  EXPECT_DOUBLE_EQ(m.Region.X1, -10.2);
}

TEST(MapMetric, DrawPlaceFromAWindowRectangle) {
  auto m = MakeDocument();
  m->SetRegionDis(DFRAME{0, 100, 1000, 2100});
  FRAME* saved = m->SetDrawPlace(RECT{10, 20, 110, 70});
  EXPECT_EQ(m->DrawPlace.Y1, 110);
  EXPECT_EQ(m->DrawPlace.X2, 980);
  EXPECT_EQ(m->DrawPlace.X1, 931);
  EXPECT_EQ(m->DrawPlace.Y2, 209);
  EXPECT_EQ(PaintContext.ImageWidth, 100);
  EXPECT_EQ(PaintContext.ImageHeight, 50);
  EXPECT_DOUBLE_EQ(m->PlaceDis.X1, 931.0);

  // An empty rectangle widens to 4 pixels each way.
  const FRAME before = m->DrawPlace;
  saved = m->SetDrawPlace(RECT{5, 7, 5, 2});
  EXPECT_EQ(saved->X2, before.X2);
  EXPECT_EQ(PaintContext.ImageWidth, 4);
  EXPECT_EQ(PaintContext.ImageHeight, 4);
  EXPECT_EQ(m->DrawPlace.Y2 - m->DrawPlace.Y1, 3);
  m->RestoreDrawPlace(nullptr);
  EXPECT_EQ(m->DrawPlace.Y1, 110);
  EXPECT_EQ(PaintContext.ImageWidth, 100);

  // Plane metres from the origin and the metres per discrete.
  m->PlaneX0 = 6000000.0;
  m->SetDisToMeter(0.5);
  m->SetDrawPlace(RECT{10, 20, 110, 70});
  EXPECT_DOUBLE_EQ(m->DisPerMeter, 2.0);
  EXPECT_DOUBLE_EQ(m->PlaceMeters.X2, 6000490.0);

  // Far-away rectangles saturate instead of overflowing.
  m->SetDrawPlace(RECT{INT32_MAX - 1, INT32_MIN, INT32_MAX, INT32_MIN + 1});
  EXPECT_EQ(m->DrawPlace.Y1, INT32_MAX);
  EXPECT_EQ(m->DrawPlace.X2, INT32_MAX);
}

TEST(MapMetric, TurnAngle) {
  TMapMetric m;
  struct Case {
    double angle, least, result;
    int flag;
  } cases[] = {
      {0.0005, 0.0, 0.0, 0},          // below 0.001: off
      {0.5, 0.1, 0.5, 1},
      {0.55, 0.1, 0.5, 1},             // a change below the least change
      {0.7, 0.1, 0.7, 1},
      {1.1, 1.0, 0.7, 1},              // the least change is at most pi/6
      {1.3, 1.0, 1.3, 1},
      {7.0, 0.0, 7.0 - 2 * kPi, 1},    // into -pi .. pi
      {3.1, 0.0, 3.1, 1},
      {-3.1, 0.2, 3.1, 1},             // across the seam: a change of 0.08
      {-0.0009, 0.0, 0.0, 0},
      {NAN, 0.0, 0.0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(m.SetTurnAngle(c.angle, c.least), c.result, 1e-12) << c.angle;
    EXPECT_EQ(m.TurnFlag, c.flag) << c.angle;
  }
}

TEST(MapMetric, TurnInverseAndConversionsRoundTrip) {
  auto m = MakeDocument(2.0);
  DOUBLEPOINT pix;
  m->Dis2Pix(DOUBLEPOINT{100.0, 50.0}, pix);  // X north -> y, Y east -> x
  EXPECT_DOUBLE_EQ(pix.X, 100.0);
  EXPECT_DOUBLE_EQ(pix.Y, 200.0);
  POINT p;
  m->Dis2Pix(DOUBLEPOINT{-0.25, 0.25}, p);
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.y, -1);

  m->SetTurnAngle(0.6, 0.0);
  DOUBLEPOINT a{3.0, -7.0}, b, c;
  m->Turn(a, b);
  EXPECT_NEAR(b.X, 3.0 * std::cos(0.6) + 7.0 * std::sin(0.6), 1e-12);
  m->Inverse(b, c);
  EXPECT_NEAR(c.X, 3.0, 1e-12);
  EXPECT_NEAR(c.Y, -7.0, 1e-12);
  m->Dis2Pix(DOUBLEPOINT{120.0, -35.0}, pix);
  m->Pix2Dis(pix, c);
  EXPECT_NEAR(c.X, 120.0, 1e-9);
  EXPECT_NEAR(c.Y, -35.0, 1e-9);

  // The bounding frame of a turned frame holds every turned corner.
  DFRAME f{0, 0, 10, 20}, t;
  m->Turn(f, t);
  for (DOUBLEPOINT corner : {DOUBLEPOINT{0, 0}, DOUBLEPOINT{0, 20}, DOUBLEPOINT{10, 0},
                             DOUBLEPOINT{10, 20}}) {
    m->Turn(corner, corner);
    EXPECT_GE(corner.X, t.X1 - 1e-12);
    EXPECT_LE(corner.X, t.X2 + 1e-12);
    EXPECT_GE(corner.Y, t.Y1 - 1e-12);
    EXPECT_LE(corner.Y, t.Y2 + 1e-12);
  }
  EXPECT_NEAR(t.X2 - t.X1, 10 * std::cos(0.6) + 20 * std::sin(0.6), 1e-9);
}

TEST(MapMetric, RegionGrowsByElementFramesAndWidensToWholePixels) {
  auto m = MakeDocument(1.0);
  DFRAME e{10, 20, 30, 40};
  m->UpdateRegionElem(e, 250.0);  // an empty region becomes the frame
  EXPECT_DOUBLE_EQ(m->Region.X1, 40.0);
  EXPECT_DOUBLE_EQ(m->Region.Y2, 160.0);
  DFRAME g{0, 30, 20, 50};
  m->UpdateRegionElem(g, 500.0);  // only outward
  EXPECT_DOUBLE_EQ(m->Region.X1, 0.0);
  EXPECT_DOUBLE_EQ(m->Region.Y1, 60.0);
  EXPECT_DOUBLE_EQ(m->Region.X2, 120.0);
  EXPECT_DOUBLE_EQ(m->Region.Y2, 160.0);
  DFRAME pix;
  m->RegionElemToPix(g, pix);
  EXPECT_DOUBLE_EQ(pix.Y1, 60.0);  // two pixels per element
  m->SetDrawScale(0.3);
  m->WidenRegion(1.0);
  EXPECT_EQ(m->PictureFrame.X1, 0);  // nearest of -0.3
  EXPECT_EQ(m->PictureFrame.X2, 36);  // nearest of 36.3
  EXPECT_NEAR(m->Region.X2, 36 / 0.3, 1e-9);  // snapped back to discretes
}

TEST(MapMetric, SheetAndSitePositions) {
  auto m = MakeDocument(1.0);
  m->SetRegionDis(DFRAME{0, 0, 1000, 1000});
  m->SetDrawPlace(RECT{0, 0, 100, 100});
  DOUBLEPOINT origin{500.0, 20.0};
  m->SetListPosition(&origin);
  EXPECT_EQ(m->SheetPlace.X1, 400);
  EXPECT_EQ(m->SheetPlace.Y1, -21);
  EXPECT_EQ(m->SheetPlace.X2, 501);
  EXPECT_EQ(m->SheetPlace.Y2, 80);
  EXPECT_DOUBLE_EQ(m->OriginRow, 500.0);
  EXPECT_DOUBLE_EQ(m->OriginColumn, -20.0);
  DFRAME frame{100, 100, 200, 300};
  m->SetListPosition(&origin, &frame);
  EXPECT_EQ(m->SheetPlace.X2, -299);
  m->SetListPosition(nullptr);
  EXPECT_EQ(m->SheetPlace.X1, 0);
  EXPECT_EQ(m->SheetPlace.Y2, 0);

  // A map in plane metres: 2 metres per discrete, origin (6000000, 300).
  m->PlaneX0 = 6000000.0;
  m->PlaneY0 = 300.0;
  m->SetDisToMeter(2.0);
  m->SetDrawPlace(RECT{0, 0, 100, 100});
  m->SetSitePosition();
  EXPECT_DOUBLE_EQ(m->Dis.PixelsPerUnitV, 0.5);  // pixels per metre of the picture
  EXPECT_EQ(m->SheetPlace.X2, 6002001);
  EXPECT_EQ(m->SheetPlace.Y1, 299);
  // The metre (6000000 + 2 x 1000, 300) is the top-left pixel.
  EXPECT_DOUBLE_EQ(m->OriginRow - 6002000.0 * m->Dis.PixelsPerUnitV, 0.0);
  EXPECT_DOUBLE_EQ(300.0 * m->Dis.PixelsPerUnitH - m->OriginColumn, 0.0);
}

}  // namespace
