// The view of a document: round scales, scale indexes, zoom changes that
// keep a picture point on its ground point, the palette with its colour
// reduction and the colours of the maps, the turn and the picture size,
// and conversions between picture, map, plane and geographic coordinates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/messages.h"
#include "document/viewentries.h"
#include "support/docmap.h"
#include "support/scratch_dir.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(RoundScale, NearestOfTheList) {
  const struct {
    double scale;
    LONG round;
  } cases[] = {{150, 100},          {151, 200},           {0.2, 1},          {-5, 1},
               {1, 1},              {3, 2},               {4, 5},            {37500, 25000},
               {37501, 50000},      {120000000, 150000000}, {300000000, 250000000},
               {250000000, 250000000}, {NAN, 1}};
  for (const auto& c : cases) EXPECT_EQ(docScaleToRoundScale(c.scale), c.round) << c.scale;
}

TEST(ScaleIndex, ThresholdsBelowTheShowScale) {
  const struct {
    int table;
    LONG show;
    int index;
  } cases[] = {{0, 750, 0},      {0, 751, 1}, {0, 50000, 6},  {0, 26000001, 15},
               {1, 50000, 12},   {1, 6, 0},   {2, 50000, 6},  {-1, 50000, 6}};
  for (const auto& c : cases)
    EXPECT_EQ(TMapControl::ScaleIndexOf(c.table, c.show), c.index) << c.table << " " << c.show;
}

TEST(MapPalette, ThirdSetReducedToItsMostDistinctColours) {
  TMapPalette palette;
  palette.ClearPalette();
  std::vector<COLORREF> a(100), b(100), c;
  for (int i = 0; i < 100; ++i) a[i] = RGB(i, 0, 200), b[i] = RGB(0, 2 * i, 50);
  // 55 colours far apart and 45 in a tight cluster.
  std::vector<COLORREF> far;
  for (int i = 0; i < 125 && far.size() < 55; ++i)
    far.push_back(RGB(i % 5 * 60 + 15, i / 5 % 5 * 60 + 15, i / 25 * 60 + 15));
  // Interleaved: the far colours at even places while they last.
  for (int i = 0, f = 0, k = 0; i < 100; ++i)
    c.push_back((i % 2 == 0 && f < 55) || k >= 45 ? far[f++] : RGB(100 + k++, 90, 90));
  BYTE ia[100], ib[100], ic[100];
  palette.SetPalette(100, a.data(), ia);
  palette.SetPalette(100, b.data(), ib);
  EXPECT_EQ(palette.Count, 201);
  EXPECT_EQ(ia[0], 1);
  EXPECT_EQ(ib[99], 200);
  palette.SetPalette(100, c.data(), ic);
  EXPECT_EQ(palette.Count, 256);
  // The far colours took entries 201..255, the cluster the nearest entry.
  for (int i = 0; i < 100; ++i) {
    const bool isFar = std::find(far.begin(), far.end(), c[i]) != far.end();
    if (isFar) {
      EXPECT_GE(ic[i], 201) << i;
      EXPECT_EQ(palette.Colors[ic[i]], c[i]) << i;
      continue;
    }
    int nearest = 1;
    for (int e = 2; e < 256; ++e)
      if (ColorDistance(palette.Colors[e], c[i]) < ColorDistance(palette.Colors[nearest], c[i]))
        nearest = e;
    EXPECT_EQ(ic[i], nearest) << i;
  }
  // A set larger than the palette adds nothing.
  std::vector<COLORREF> big(257, 0x111111);
  BYTE index[257];
  palette.SetPalette(257, big.data(), index);
  EXPECT_EQ(palette.Count, 256);
}

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
    doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc", 1);
    ASSERT_NE(doc, nullptr);
    h = HandleOf(doc);
  }
  void TearDown() override {
    FreeDocument(doc);
    MessageEnableSet(1);
  }
  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
  HMAP h = 0;
};

TEST_F(View, ShowScaleAndIndexFollowTheZoom) {
  ASSERT_EQ(doc->BaseScale, 100000);
  doc->SetViewScale(2.0);
  EXPECT_EQ(docGetShowScale(h), 50000);
  EXPECT_EQ(docGetViewScale(h), 50000.0);
  EXPECT_EQ(docGetRealShowScale(h), 50000.0);
  EXPECT_EQ(doc->ScaleIndex, 6);
  EXPECT_EQ(doc->SetShowScale(0), 100000);
  const double zoom = doc->GetViewScale();
  doc->SetShowScale(1);
  EXPECT_EQ(doc->GetViewScale(), zoom);
  EXPECT_EQ(doc->SetViewScale(1e9), 400.0);
  EXPECT_EQ(doc->SetViewScale(-3), 0.001);
}

TEST_F(View, ZoomOutsideItsRangeIsRefused) {
  doc->SetViewScale(1.0);
  LONG x = 1000, y = -600;
  // 1:100 would be zoom 1000, 1:1e9 zoom 0.0001.
  for (float scale : {100.0f, 1e9f}) {
    EXPECT_EQ(docSetViewScale(h, &x, &y, scale), 0) << scale;
    EXPECT_EQ(doc->GetViewScale(), 1.0);
    EXPECT_EQ(x, 1000);
  }
  EXPECT_EQ(docSetViewScale(h, &x, &y, 25000.0f), 1);
  EXPECT_EQ(doc->GetViewScale(), 4.0);
  EXPECT_EQ(x, 4000);
  EXPECT_EQ(y, -2400);
  EXPECT_EQ(docSetViewScale(h, &x, &y, 0.0f), 1);  // zoom 1.0
  EXPECT_EQ(x, 1000);
  EXPECT_EQ(docChangeViewScale(h, &x, &y, 500.0f), 0);
  EXPECT_EQ(docChangeViewScale(h, &x, &y, 2.5f), 1);
  EXPECT_EQ(doc->GetViewScale(), 2.5);
  EXPECT_EQ(x, 2500);
  EXPECT_EQ(docChangeViewScale(h, &x, &y, 0.0f), 1);  // back to 1.0
  EXPECT_EQ(doc->GetViewScale(), 1.0);
  EXPECT_EQ(x, 1000);
  EXPECT_EQ(y, -600);
  EXPECT_EQ(docSetViewScale(h, nullptr, &y, 5000.0f), 0);
  EXPECT_EQ(docChangeViewScale(h, &x, nullptr, 2.0f), 0);
}

TEST_F(View, PaletteOfTheMapAndItsColours) {
  const int count = doc->Colors.GetCount();
  ASSERT_EQ(count, 16);
  EXPECT_EQ(docSetBackColor(h, 0x0A0B0C), 0x0A0B0Cu);
  EXPECT_EQ(docGetBackColor(h), 0x0A0B0Cu);
  EXPECT_EQ(docGetColorCount(h), 1 + count + 1);
  EXPECT_EQ(docGetMapColor(h, 0), 0x0A0B0Cu);
  EXPECT_EQ(docGetMapColor(h, 1), doc->Colors.Colors()[0] & 0xFFFFFF);
  EXPECT_EQ(docGetMapColor(h, count + 1), 0x123456u);
  EXPECT_EQ(doc->ColorIndex[0], 1);
  EXPECT_EQ(doc->ColorIndex[count], count + 1);
  for (LONG bad : {-1, 256, 100000}) EXPECT_EQ(docGetMapColor(h, bad), 0u) << bad;
  PALETTEENTRY entries[32] = {};
  ASSERT_NE(docGetMapPalette(h), nullptr);
  EXPECT_EQ(plat::GetPaletteEntries(docGetMapPalette(h), 0, 32, entries), UINT(count + 2));
  EXPECT_EQ(entries[count + 1].peRed, 0x56);
  EXPECT_EQ(entries[count + 1].peBlue, 0x12);

  // Brightness and contrast change the colours shown, not those kept.
  const COLORREF kept = doc->Colors.GetColor(3);
  EXPECT_EQ(docSetSiteBright(h, 0, 40), 16);
  EXPECT_EQ(docGetSiteBright(h, h), 16);
  EXPECT_EQ(docSetSiteContrast(h, 0, -3), -3);
  COLORREF shown[20] = {}, source[20] = {};
  EXPECT_EQ(docGetSitePalette(h, 0, shown, 20), 20);
  EXPECT_EQ(docGetSiteColors(h, 0, source, 20), 20);
  EXPECT_EQ(source[3], kept);
  EXPECT_NE(shown[3], kept);
  EXPECT_EQ(docGetMapColor(h, 4), shown[3] & 0xFFFFFF);
  EXPECT_EQ(docGetSitePalette(h, 0, shown, -1), 0);
  EXPECT_EQ(docGetSiteColors(h, 0, nullptr, 5), 0);

  // New colours keep the brightness and contrast.
  COLORREF three[3] = {0x000010, 0x001000, 0x100000};
  EXPECT_EQ(docSetSiteColors(h, 0, three, 3), 1);
  EXPECT_EQ(docGetSiteColorsCount(h, 0), 3);
  EXPECT_EQ(docGetSiteBright(h, 0), 16);
  EXPECT_EQ(docGetSiteContrast(h, 0), -3);
  EXPECT_EQ(docGetColorCount(h), 1 + 3 + 1);
  EXPECT_EQ(docSetSiteColors(h, 0, nullptr, 3), 0);
  // A site that is no map of the document.
  EXPECT_EQ(docGetSiteColorsCount(h, h + 8), 0);
  EXPECT_EQ(docSetSiteBright(h, 12345, 1), 0);
}

TEST_F(View, TurnAndPictureSize) {
  doc->SetViewScale(1.0);
  LONG width = -1, height = -1;
  EXPECT_EQ(docGetPictureSize(h, &width, &height), 1);
  EXPECT_EQ(width, docGetPictureWidth(h));
  EXPECT_EQ(height, docGetPictureHeight(h));
  EXPECT_GT(width, 300);
  EXPECT_GT(height, 300);
  EXPECT_DOUBLE_EQ(docSetupTurn(h, kPi / 4, 0.0), kPi / 4);
  EXPECT_EQ(docTurnIsActive(h), 1);
  // The frame of the region turned by 45 degrees.
  EXPECT_NEAR(docGetPictureWidth(h), (width + height) / std::sqrt(2.0), 3);
  EXPECT_EQ(docSetupTurn(h, 0.0, 0.0), 0.0);
  EXPECT_EQ(docTurnIsActive(h), 0);
  EXPECT_EQ(docGetPictureWidth(h), width);
  EXPECT_EQ(docGetPictureSize(h, nullptr, &height), 0);
  EXPECT_EQ(height, 0);
}

TEST_F(View, ConversionsRoundTrip) {
  // A projection whose inverse is exact to the nanometre here, so that the
  // document's own steps are what the round trips measure.
  doc->AxisMeridian(39.0 * kPi / 180);
  doc->Passport.Register.MaterialProjection = PRJ_FAMILYFIRST;
  ASSERT_EQ(doc->SetDataProjection(), 0);
  ASSERT_EQ(doc->IsGeoSupported(), 1);
  doc->SetViewScale(3.0);
  const double x0 = doctest::kSheetX, y0 = doctest::kSheetY;
  for (const DOUBLEPOINT& p : {DOUBLEPOINT{x0 + 1234.5, y0 + 6789.25}, DOUBLEPOINT{x0, y0},
                               DOUBLEPOINT{x0 + 9999.9, y0 + 10.1}}) {
    double x = p.X, y = p.Y;
    doc->PlaneToPicture(x, y);
    doc->PictureToPlane(x, y);
    EXPECT_NEAR(x, p.X, 1e-6);
    EXPECT_NEAR(y, p.Y, 1e-6);
    x = p.X, y = p.Y;
    ASSERT_EQ(doc->PlaneToGeo(x, y), 1);
    DOUBLEPOINT geo{};
    doc->TransformPoints(&p, 3, &geo, 1, 4);
    EXPECT_EQ(geo.X, x);
    EXPECT_EQ(geo.Y, y);
    ASSERT_EQ(doc->GeoToPlane(x, y), 1);
    EXPECT_NEAR(x, p.X, 1e-6);
    EXPECT_NEAR(y, p.Y, 1e-6);
    // Through every kind and back: plane, geographic, picture, map, plane.
    DOUBLEPOINT q = p;
    doc->TransformPoints(&q, 3, &q, 1, 4);
    doc->TransformPoints(&q, 4, &q, 1, 2);
    doc->TransformPoints(&q, 2, &q, 1, 1);
    DOUBLEPOINT back{};
    doc->TransformPoints(&q, 1, &back, 1, 3);
    EXPECT_NEAR(back.X, p.X, 1e-6);
    EXPECT_NEAR(back.Y, p.Y, 1e-6);
  }
  // The integer forms round to the nearest.
  POINT pixel{};
  const DOUBLEPOINT corner{x0 + 10000, y0};
  doc->PlaneToPicture(&corner, &pixel);
  double px = corner.X, py = corner.Y;
  doc->PlaneToPicture(px, py);
  EXPECT_EQ(pixel.x, std::lround(px));
  EXPECT_EQ(pixel.y, std::lround(py));
  LONG mx = pixel.x, my = pixel.y;
  doc->PictureToMap(mx, my);
  double dx = pixel.x, dy = pixel.y;
  doc->PictureToMap(dx, dy);
  EXPECT_EQ(mx, std::lround(dx));
  EXPECT_EQ(my, std::lround(dy));
}

// A point the projection cannot take fails alone: the conversions after it
// answer for themselves. A projection the map could not set up fails them
// all.
TEST_F(View, EachConversionAnswersForItself) {
  ASSERT_EQ(doc->IsGeoSupported(), 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double x0 = doctest::kSheetX + 5000, y0 = doctest::kSheetY + 5000;
  double b = x0, l = y0;
  ASSERT_EQ(doc->PlaneToGeo(b, l), 1);
  for (int round = 0; round < 2; ++round) {
    double x = nan, y = y0;
    EXPECT_EQ(doc->PlaneToGeo(x, y), 0);
    x = x0, y = y0;
    EXPECT_EQ(doc->PlaneToGeo(x, y), 1) << round;
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(b, l));
    double gb = nan, gl = l;
    EXPECT_EQ(doc->GeoToPlane(gb, gl), 0);
    gb = b, gl = l;
    EXPECT_EQ(doc->GeoToPlane(gb, gl), 1) << round;
    EXPECT_NEAR(gb, x0, 1e-3);
    gb = nan;
    doc->GeoToPlane(gb, gl);
    gb = b, gl = l;
    EXPECT_EQ(doc->Geo42ToGeoWGS84(gb, gl), 1) << round;
    gb = nan;
    doc->PlaneToGeo(gb, gl);
    gb = b, gl = l;
    EXPECT_EQ(doc->Geo42ToPlaneUTM(gb, gl), 1) << round;
  }
  doc->Passport.Register.MaterialProjection = 5;  // a kind no map can have
  ASSERT_NE(doc->SetDataProjection(), 0);
  double x = x0, y = y0;
  EXPECT_EQ(doc->PlaneToGeo(x, y), 0);
  x = b, y = l;
  EXPECT_EQ(doc->GeoToPlane(x, y), 0);
}

TEST_F(View, GeodeticSystemsOfTheDocument) {
  // The map lies on the 1942 datum: WGS84 is a shift away, the 1942 datum
  // none; each shift and its inverse come back.
  ASSERT_EQ(doc->IsGeoSupported(), 1);
  const double x0 = doctest::kSheetX + 5000, y0 = doctest::kSheetY + 5000;
  double b = x0, l = y0;
  ASSERT_EQ(doc->PlaneToGeo(b, l), 1);
  double b42 = x0, l42 = y0;
  ASSERT_EQ(doc->PlaneToGeo42(b42, l42), 1);
  EXPECT_EQ(std::make_pair(b42, l42), std::make_pair(b, l));
  double bw = x0, lw = y0, bh = x0, lh = y0, h = 500.0;
  ASSERT_EQ(doc->PlaneToGeoWGS84(bw, lw), 1);
  ASSERT_EQ(doc->PlaneToGeoWGS84(bh, lh, h), 1);
  const double metre = 1 / 6378245.0;  // radians
  EXPECT_GT(std::hypot(bw - b, (lw - l) * std::cos(b)), 50 * metre);
  EXPECT_LT(std::hypot(bw - b, (lw - l) * std::cos(b)), 300 * metre);
  EXPECT_NE(h, 500.0);  // the shifted height
  EXPECT_NE(bh, bw);
  double bb = bw, lb = lw, bc = b, lc = l;
  ASSERT_EQ(doc->GeoWGS84ToGeo42(bb, lb), 1);
  EXPECT_NEAR(bb, b, 0.01 * metre);
  EXPECT_NEAR(lb, l, 0.01 * metre);
  ASSERT_EQ(doc->Geo42ToGeoWGS84(bc, lc), 1);  // no matrices: height 0
  EXPECT_EQ(std::make_pair(bc, lc), std::make_pair(bw, lw));
  bc = b, lc = l;
  ASSERT_EQ(doc->Geo42ToGeoEP90(bc, lc), 1);
  EXPECT_GT(std::fabs(bc - b) + std::fabs(lc - l), metre);
  ASSERT_EQ(doc->GeoEP90ToGeo42(bc, lc), 1);
  EXPECT_NEAR(bc, b, 0.01 * metre);
  EXPECT_NEAR(lc, l, 0.01 * metre);
  // UTM of the 42 point: zone 7 in the millions, within a few kilometres
  // of the Gauss-Krueger point.
  bc = b, lc = l;
  ASSERT_EQ(doc->Geo42ToPlaneUTM(bc, lc), 1);
  EXPECT_NEAR(bc, x0, 5000.0);
  EXPECT_NEAR(lc, y0, 5000.0);
}

TEST(ViewEntries, RefuseNullAndForeignHandles) {
  int notADocument[64] = {};
  LONG x = 1, y = 1, w = 5, hgt = 5;
  RECT rect{0, 0, 10, 10};
  for (HMAP h : {HMAP(0), reinterpret_cast<HMAP>(notADocument)}) {
    EXPECT_EQ(docPaint(h, nullptr, 1, &rect), 0);
    EXPECT_EQ(docPaintObject(h, nullptr, &rect, 0), 0);
    EXPECT_EQ(docPaintObjectToImage(h, nullptr, 1, 1, 1, &rect, 0), 0);
    EXPECT_EQ(docGetShowScale(h), 0);
    EXPECT_EQ(docGetRealShowScale(h), 0.0);
    EXPECT_EQ(docSetViewScale(h, &x, &y, 1000.0f), 0);
    EXPECT_EQ(docSetupTurn(h, 1.0, 0.0), 0.0);
    EXPECT_EQ(docGetPictureSize(h, &w, &hgt), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(docGetBackColor(h), 0xFFFFFFu);
    EXPECT_EQ(docSetBackColor(h, 0), 0xFFFFFFu);
    EXPECT_EQ(docSetSiteBright(h, 0, 3), 0);
    EXPECT_EQ(docGetMapPalette(h), nullptr);
    EXPECT_EQ(docGetMapColor(h, 0), 0u);
  }
}

}  // namespace
