// The 3-D views of a document's matrices: the picture's size and centre,
// the projection at the limits of the elevation, levels and water, the
// older view record, which changes rebuild the plans, the document put
// back after a build, memory failures, and the two acceptance pictures
// (a hill with water, a two-layer block with the wedge) written as PNG
// files and checked pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/mtl3d.h"
#include "document/mtlchains.h"
#include "document/mtr3d.h"
#include "platform/fault.h"
#include "platform/gdi/gdi_test.h"
#include "support/docfixture.h"
#include "support/docmap.h"

namespace {

// The data of the fixture start at (5000, 2000); elements of 10 m.
constexpr double kX0 = 5000, kY0 = 2000;
constexpr DWORD kBlue = 0x0000FF, kDarkBlue = 0x000080, kGrey = 0xC0C0C0;

DWORD Px(const VIEW3DSECTION& picture, int x, int y) { return picture.Words(y)[x] & 0xFFFFFF; }

// The topmost row of a picture column that is not the background.
int TopOf(const VIEW3DSECTION& picture, int x, int height, DWORD background) {
  for (int y = 0; y < height; ++y)
    if (Px(picture, x, y) != background) return y;
  return height;
}

class View3D : public doctest::EmptyDocumentTest {
 protected:
  // An elevation matrix of 2-byte metres over cols x rows elements of 10 m
  // with the header range low..high.
  std::string Matrix(const char* file, int cols, int rows, double low, double high,
                     std::function<LONG(int, int)> value) {
    const std::string path = dir / file;
    BUILDMTW b = doctest::MatrixParm(cols * 10.0, rows * 10.0, 10, 2);
    EXPECT_EQ(1, rmftest::WriteMatrix(path, b, rows, cols, value, low, high));
    return path;
  }
  // The hill: 257 x 257 elements, a plain rising from 0 m in the north to
  // 100 m in the south and a round hill of 400 m at its centre.
  std::string Hill() {
    return Matrix("hill.mtw", 257, 257, 0, 400, [](int i, int j) {
      const double d2 = (i - 128.0) * (i - 128.0) + (j - 128.0) * (j - 128.0);
      return LONG(std::lround(std::clamp(100.0 * i / 256 + 350.0 * std::exp(-d2 / 3200.0), 0.0, 400.0)));
    });
  }
  // A layer matrix over (5000..5500, 2000..2500) of 10 m cells whose
  // surface rises from 100 m in the west to 120 m in the east over
  // `layers` layers of 30, 50, 10 ... m down to the bottom at 20 m; the
  // layers red, green, blue. The header's height range is set to 100..120
  // unless `setRange` is false, when the heights written give it.
  std::string Block(const char* file, int layers, bool setRange = true) {
    const std::string path = dir / file;
    MTLBUILDPARM p = doctest::LayerMatrixParm(layers, 2);
    TMtl m;
    EXPECT_EQ(1, m.Create(path.c_str(), &p));
    const double thickness[3] = {30, 50, 10};
    const COLORREF colours[3] = {0x0000FF, 0x00A000, 0xFF0000};
    for (int j = 0; j < 50; ++j)
      for (int i = 0; i < 50; ++i) {
        const double x = kX0 + 5 + 10 * i, y = kY0 + 5 + 10 * j;
        EXPECT_EQ(1, m.PutPlaneHeight(x, y, 100.0 + 20.0 * j / 49));
        for (int l = 0; l < layers; ++l) EXPECT_EQ(1, m.PutPlanePower(x, y, thickness[l % 3], l + 1));
      }
    for (int l = 0; l < layers; ++l) m.LayerItems()[l].Color = colours[l % 3];
    m.LayerHead()->BottomLevel = 20;
    m.LayerChanged = 1;
    if (setRange) {
      m.Head.Minimum = 100;
      m.Head.Maximum = 120;
      m.HeadChanged = 1;
    }
    EXPECT_EQ(1, m.Save());
    return path;
  }
  // A record looking north at (x, y) from 30 degrees up, coloured by
  // height.
  static MTR3DVIEWEX Record(double x, double y, LONG width, LONG height, LONG scale) {
    MTR3DVIEWEX v{};
    v.ViewX = x;
    v.ViewY = y;
    v.Scale = scale;
    v.HeightScale = 100;
    v.GridStep = 16;
    v.Elevation = 30;
    v.PaletteStyle = 1;
    v.ColorByHeight = 1;
    v.Width = width;
    v.Height = height;
    return v;
  }
  // The scale denominator at which a picture pixel spans `metres`.
  LONG ScaleFor(double metres) const { return LONG(metres * doc->PixelsPerMeterH); }
  static std::string Png(const char* name) { return std::string(MC_TEST_TMP) + "/" + name; }
};

}  // namespace

TEST_F(View3D, PictureSizeAndCentre) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("f.mtw", 40, 40, 0, 200, [](int, int) { return 100; }).c_str(), 0));
  TMtr3D view(doc, 100, 60);
  EXPECT_EQ(128, view.Width);
  EXPECT_EQ(60, view.Height);
  // The viewed point on the east edge of the data: the centre column 50
  // lies just past it, column 49 inside.
  MTR3DVIEWEX r = Record(kX0 + 200, kY0 + 400, 100, 60, 10000);
  r.Elevation = 90;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  for (int row : {0, 30, 59}) {
    EXPECT_NE(0, view.Levels[row * 128 + 49]) << row;
    EXPECT_EQ(0, view.Levels[row * 128 + 50]) << row;
  }
  TMtl3D block(doc);
  EXPECT_EQ(1, block.SetDrawSize(33, 20));
  EXPECT_EQ(64, block.Width);
  EXPECT_EQ(0, block.SetDrawSize(33, 20));

  // A size below 1 gives no picture and keeps nothing; one too large to
  // make is reported.
  for (LONG w : {0, -5}) {
    r.Width = w;
    EXPECT_EQ(nullptr, view.BuildMtr3D(&r));
    EXPECT_EQ(0, view.Width);
    EXPECT_EQ(nullptr, view.Levels);
  }
  r.Width = 100000;
  r.Height = 100000;
  EXPECT_EQ(nullptr, view.BuildMtr3D(&r));
  EXPECT_EQ(MAPERR_MEMORY, view.GetError());
  EXPECT_NE(nullptr, std::strstr(LastMessageText(), "DIB-SECTION"));
  r.Width = 0x7FFFFFF0;
  r.Height = 1;
  EXPECT_EQ(nullptr, view.BuildMtr3D(&r));
  EXPECT_EQ(nullptr, block.BuildMtl3D(&r));
  // Sizes whose picture bytes pass 64 bits are refused too, nothing kept.
  for (LONG side : {LONG(0x7FFFFFFF), LONG(0x40000000)}) {
    TMtr3D* huge = doc->OpenMtr3D(side, side);
    ASSERT_NE(nullptr, huge);
    EXPECT_EQ(0, huge->Width) << side;
    EXPECT_EQ(0, huge->HalfWidth) << side;
    EXPECT_EQ(nullptr, huge->Levels) << side;
    EXPECT_EQ(MAPERR_MEMORY, huge->GetError()) << side;
    doc->CloseMtr3D(huge);
    TMtl3D layers(doc);
    EXPECT_EQ(0, layers.SetDrawSize(side, side)) << side;
    EXPECT_EQ(0, layers.Width) << side;
    EXPECT_EQ(0, layers.HalfWidth) << side;
    EXPECT_EQ(MAPERR_MEMORY, layers.GetError()) << side;
  }
  r.Width = 100;
  r.Height = 60;
  EXPECT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_EQ(nullptr, view.BuildMtr3D(nullptr));
}

// Equal heights: every pixel with data at level 256 (the range widened by
// 0.001 each side). From 90 degrees the picture is the plan; from 0 only
// the nearest row shows, raised by its level over the near face; water
// below the lowest height changes nothing, above the highest floods all.
TEST_F(View3D, ElevationLevelsAndWater) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("f.mtw", 40, 40, 100, 100, [](int, int) { return 100; }).c_str(), 0));
  TMtr3D view(doc, 64, 64);
  MTR3DVIEWEX r = Record(kX0 + 200, kY0 + 200, 64, 64, 10000);
  r.Elevation = 90;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  const DWORD colour = view.Palette[(256 - 1) * 32 / 511];
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(256, view.Levels[y * 64 + x]);
      ASSERT_EQ(colour, Px(view.Picture, x, y)) << x << "," << y;
    }
  const std::vector<DWORD> above(view.Picture.Words(63), view.Picture.Words(63) + 64);

  r.Elevation = 0;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  const int row = int(64 - 256 * 100.0 / 511);
  for (int x : {0, 31, 63}) {
    EXPECT_EQ(VIEW3D_SKY, Px(view.Picture, x, row - 1));
    EXPECT_EQ(colour, Px(view.Picture, x, row));
    EXPECT_EQ(0u, Px(view.Picture, x, row + 1));
    EXPECT_EQ(0u, Px(view.Picture, x, 63));
  }

  r.Elevation = 90;
  view.SetHeightWater(99.0);
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_TRUE(std::equal(above.begin(), above.end(), view.Picture.Words(63)));
  view.SetHeightWater(101.0);
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  for (int x = 0; x < 64; ++x) EXPECT_EQ(kBlue, Px(view.Picture, x, 40));
}

TEST_F(View3D, TheOlderRecordIsConverted) {
  MTR3DVIEW old{};
  old.ViewX = old.ObserverX = 100;
  old.ViewY = old.ObserverY = 200;
  old.Scale = 5000;
  old.PaletteStyle = 2;
  old.ShowGrid = 1;
  old.GridStep = 8;
  old.HeightScale = 90;
  MTR3DVIEWEX v = TMtr3D::ConvertView(old, 64, 48);
  EXPECT_EQ(0, v.Azimuth);
  EXPECT_EQ(0, v.Elevation);
  EXPECT_EQ(5000, v.Scale);
  EXPECT_EQ(90, v.HeightScale);
  EXPECT_EQ(8, v.GridStep);
  EXPECT_EQ(2, v.PaletteStyle);
  EXPECT_EQ(1, v.ShowGrid);
  EXPECT_EQ(1, v.ColorByHeight);
  EXPECT_EQ(64, v.Width);
  EXPECT_EQ(48, v.Height);
  old.ObserverHeight = 100;
  EXPECT_EQ(90, TMtr3D::ConvertView(old, 64, 48).Elevation);
  // From 1000 m south, 1000 m up: looking north, 45 degrees down (the
  // degrees truncated).
  old.ObserverX = old.ViewX - 1000;
  old.ObserverHeight = 1000;
  v = TMtr3D::ConvertView(old, 64, 48);
  EXPECT_EQ(0, v.Azimuth % 360);
  EXPECT_EQ(44, v.Elevation);
  // From the east the plan's far side lies west of the viewed point.
  old.ObserverX = old.ViewX;
  old.ObserverY = old.ViewY + 1000;
  v = TMtr3D::ConvertView(old, 64, 48);
  EXPECT_EQ(90, v.Azimuth);
  const DFRAME frame{0, 0, 1000, 1000};
  const VIEW3DPLACE place = PlaceView3DPlan(doc, v, 32, 24, 10, frame, 100);
  EXPECT_LT(place.Col0 + place.ColX * 32, place.Col0 + place.ColX * 32 + place.ColR * 24);
  EXPECT_NEAR(place.Row0 + place.RowX * 32, place.Row0 + place.RowX * 32 + place.RowR * 24, 1e-6);
  // A record of a foreign number does not throw the conversion off.
  old.ObserverX = NAN;
  v = TMtr3D::ConvertView(old, 64, 48);
  EXPECT_EQ(0, v.Azimuth);
  EXPECT_EQ(0, v.Elevation);

  ASSERT_EQ(1, doc->OpenMtr(Matrix("f.mtw", 40, 40, 0, 200, [](int, int) { return 100; }).c_str(), 0));
  TMtr3D view(doc, 64, 48);
  old = MTR3DVIEW{};
  old.ViewX = old.ObserverX = kX0 + 200;
  old.ViewY = old.ObserverY = kY0 + 200;
  old.Scale = 10000;
  ASSERT_NE(nullptr, view.BuildMtr3Dold(&old));
  EXPECT_EQ(64, view.View.Width);
  EXPECT_EQ(48, view.View.Height);

  // The document's view paints what it builds onto the device.
  TMtr3D* own = doc->OpenMtr3D(64, 48);
  ASSERT_NE(nullptr, own);
  doctest::MemoryDevice device(64, 48);
  doc->PaintMtr3D(own, nullptr, &old);
  doc->PaintMtr3D(own, device.dc, &old);
  const doctest::Picture shown = doctest::GrabDc(device.dc);
  for (int y : {0, 20, 47}) EXPECT_EQ(Px(own->Picture, 30, y), shown.At(30, y) & 0xFFFFFF);
  doc->CloseMtr3D(own);
  doc->PaintMtr3D(own, device.dc, &old);
}

// The plans are kept while only the elevation changes: a height written
// into the matrix meanwhile appears only when the azimuth changes; the
// angle painter projects the plans again without building them.
TEST_F(View3D, OnlyAPlanChangeRebuildsThePlans) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("f.mtw", 40, 40, 0, 200, [](int, int) { return 100; }).c_str(), 0));
  TMtr3D view(doc, 64, 64);
  MTR3DVIEWEX r = Record(kX0 + 200, kY0 + 200, 64, 64, 10000);
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  const std::vector<WORD> levels(view.Levels, view.Levels + 64 * 64);
  TRmf* file = GetChainUnit(Matrices(), 1)->File;
  for (int i = 18; i < 22; ++i)
    for (int j = 18; j < 22; ++j) ASSERT_EQ(1, file->PutPoint(150, i, j));
  r.Elevation = 60;
  r.HeightScale = 50;
  r.ShowGrid = 1;
  r.Shadow = 1;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_TRUE(std::equal(levels.begin(), levels.end(), view.Levels));

  doctest::MemoryDevice device(64, 64);
  r.Elevation = 10;
  view.PaintAngle(device.dc, &r);
  EXPECT_TRUE(std::equal(levels.begin(), levels.end(), view.Levels));
  EXPECT_EQ(10, view.View.Elevation);
  const doctest::Picture shown = doctest::GrabDc(device.dc);
  EXPECT_EQ(Px(view.Picture, 5, 5), shown.At(5, 5) & 0xFFFFFF);
  EXPECT_EQ(Px(view.Picture, 40, 60), shown.At(40, 60) & 0xFFFFFF);

  r.Azimuth = 10;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_GT(*std::max_element(view.Levels, view.Levels + 64 * 64), levels[0]);
}

// A build changes the document's show scale, background, turn and layer
// view flags for its time and puts them back: the document paints the same
// picture before and after. The draped map lies where the levels are: at
// azimuth 90 the north of the viewed point is to the right.
TEST_F(View3D, TheDocumentIsPutBack) {
  const std::string rsc = dir / "images.rsc";
  ASSERT_TRUE(doctest::WriteImageClassifier(rsc));
  TMapAccess* map = doctest::CreateDocument(dir / "map.sit", rsc);
  ASSERT_NE(nullptr, map);
  const double cx = doctest::kSheetX + 5000, cy = doctest::kSheetY + 5000;
  // A lake 400 m north of the centre.
  ASSERT_NE(0, doctest::AppendPlaneObject(map, doctest::KIND_LAKE, LOCAL_SQUARE,
                                          {{cx + 300, cy - 100}, {cx + 500, cy - 100}, {cx + 500, cy + 100},
                                           {cx + 300, cy + 100}, {cx + 300, cy - 100}}));
  BUILDMTW b = rmftest::MatrixBuild(doctest::kSheetX, doctest::kSheetY, 10000, 10000, 100, 2, 100000);
  const std::string flat = dir / "flat.mtw";
  ASSERT_EQ(1, rmftest::WriteMatrix(flat, b, 100, 100, [](int, int) { return 10; }, 0, 20));
  ASSERT_EQ(1, map->OpenMtr(flat.c_str(), 0));
  const RECT rect{0, 0, 200, 150};
  const doctest::Picture before = doctest::PaintPicture(map, rect);
  const LONG scale = map->ShowScale;
  const COLORREF background = map->MapPalette.BackGround;

  TMtr3D view(map, 128, 128);
  MTR3DVIEWEX r = Record(cx, cy, 128, 128, LONG(8.0 * map->PixelsPerMeterH));
  r.Elevation = 90;
  r.Azimuth = 90;
  r.ColorByHeight = 0;
  r.DrapeMap = 1;
  r.DrapeRasters = 1;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_EQ(scale, map->ShowScale);
  EXPECT_EQ(background, map->MapPalette.BackGround);
  EXPECT_EQ(0, map->TurnFlag);
  EXPECT_EQ(1, GetChainUnit(DocChain(map, DOCKIND_MTR), 1)->View);
  const doctest::Picture after = doctest::PaintPicture(map, rect);
  EXPECT_EQ(before.pixels, after.pixels);

  // The lake's colour right of the centre, none left of it; the ground
  // word where the map drew its background.
  auto lake = [&](int x0, int x1) {
    int n = 0;
    for (int x = x0; x < x1; ++x)
      for (int y = 54; y < 74; ++y) n += view.Colors.Words(y)[x] != VIEW3D_PLAN_GROUND;
    return n;
  };
  EXPECT_GT(lake(64 + 46, 64 + 54), 100);
  EXPECT_EQ(0, lake(64 - 54, 64 - 46));
  EXPECT_EQ(VIEW3D_PLAN_GROUND, view.Colors.Words(10)[10]);
  FreeDocument(map);
}

// A view whose document was closed draws nothing.
TEST_F(View3D, AClosedDocumentIsNotRead) {
  TMapAccess* other = NewDocument();
  ASSERT_NE(nullptr, other);
  TMtr3D view(other, 32, 32);
  MTR3DVIEWEX r = Record(kX0, kY0, 32, 32, 10000);
  EXPECT_NE(nullptr, view.BuildMtr3D(&r));
  FreeDocument(other);
  EXPECT_EQ(nullptr, view.BuildMtr3D(&r));
  doctest::MemoryDevice device(32, 32);
  view.PaintAngle(device.dc, &r);
  TMtl3D block(other);
  EXPECT_EQ(nullptr, block.BuildMtl3D(&r));
}

// Every memory failure of a build gives no picture, reports 60001 with the
// part that failed and leaves the view able to build again.
TEST_F(View3D, MemoryFailuresLeaveNothingBehind) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("f.mtw", 40, 40, 0, 200, [](int, int) { return 100; }).c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtl(Block("b.mtl", 2).c_str(), 0));
  MTR3DVIEWEX r = Record(kX0 + 200, kY0 + 200, 48, 40, 10000);
  r.DrapeMap = 1;
  using plat::gdi::ObjectKind;
  const ObjectKind kinds[] = {ObjectKind::Dc, ObjectKind::Bitmap, ObjectKind::Palette,
                              ObjectKind::Pen, ObjectKind::Brush, ObjectKind::Font};
  std::vector<int> live;
  for (ObjectKind kind : kinds) live.push_back(plat::gdi::LiveObjects(kind));
  int refused = 0;
  std::set<std::string> names;
  for (int n = 1;; ++n) {
    ASSERT_LT(n, 200);
    TMtr3D view(doc, 0, 0);
    TMtl3D block(doc);
    plat::fault::Reset();
    plat::fault::FailAllocation(n);
    const HBITMAP picture = view.BuildMtr3D(&r), diagram = block.BuildMtl3D(&r);
    const int made = plat::fault::AllocationCount();
    plat::fault::Reset();
    if (made < n) break;
    refused += picture == nullptr || diagram == nullptr;
    if (picture == nullptr || diagram == nullptr) names.insert(std::strchr(LastMessageText(), '-') ? LastMessageText() : "");
    if (picture == nullptr) {
      EXPECT_EQ(MAPERR_MEMORY, view.GetError()) << n;
    }
    if (diagram == nullptr) {
      EXPECT_EQ(MAPERR_MEMORY, block.GetError()) << n;
    }
    EXPECT_NE(nullptr, view.BuildMtr3D(&r)) << n;
    EXPECT_NE(nullptr, block.BuildMtl3D(&r)) << n;
    EXPECT_EQ(1, view.PlanValid) << n;
    EXPECT_EQ(1, block.PlanValid) << n;
  }
  EXPECT_GE(refused, 7);
  const std::string all = std::accumulate(names.begin(), names.end(), std::string());
  for (const char* name : {"BITMAP HEADER", "LOGPALETTE"}) EXPECT_NE(std::string::npos, all.find(name)) << all;
  // No graphics object is left behind.
  for (size_t i = 0; i < live.size(); ++i) EXPECT_EQ(live[i], plat::gdi::LiveObjects(kinds[i])) << i;
}

// The acceptance picture of the elevation view: the hill over its plain,
// water at 50 m in the north, from 30 degrees up with grid and shading.
TEST_F(View3D, HillPicture) {
  ASSERT_EQ(1, doc->OpenMtr(Hill().c_str(), 0));
  TMtr3D view(doc, 320, 320);
  view.SetHeightWater(50);
  MTR3DVIEWEX r = Record(kX0 + 1285, kY0 + 1285, 320, 320, ScaleFor(10.7));
  r.HeightScale = 120;
  r.ShowGrid = 1;
  r.Shadow = 1;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  ASSERT_TRUE(plat::gdi::WritePng(view.Picture.Dc, Png("view3d_hill.png").c_str()));
  EXPECT_EQ(VIEW3D_SKY, Px(view.Picture, 0, 0));
  EXPECT_EQ(VIEW3D_SKY, Px(view.Picture, 319, 100));
  int water = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 320; ++x) water += Px(view.Picture, x, y) == kBlue || Px(view.Picture, x, y) == kDarkBlue;
  EXPECT_GT(water, 500);
  // The near face of the plain is black; the hilltop stands above the far
  // ground.
  EXPECT_EQ(0u, Px(view.Picture, 60, 290));
  EXPECT_EQ(0u, Px(view.Picture, 260, 290));
  EXPECT_LT(TopOf(view.Picture, 160, 320, VIEW3D_SKY) + 20, TopOf(view.Picture, 20, 320, VIEW3D_SKY));

  // Relief far past the top and an elevation below the horizon keep every
  // row inside the picture.
  for (auto [elevation, scale] : {std::pair{30, 30000}, std::pair{-20, 120}, std::pair{89, 500}}) {
    r.Elevation = int16_t(elevation);
    r.HeightScale = scale;
    ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  }
  r.Elevation = 30;
  r.HeightScale = 30000;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_NE(VIEW3D_SKY, Px(view.Picture, 160, 0));
}

// The acceptance picture of the layer view: a two-layer block with the
// wedge cut out of its front. The wedge's plan pixels stay empty; both
// cuts show the layers in order under a black surface row, the receding
// left cut darker; the height labels stand on a label column.
TEST_F(View3D, LayerBlockWithWedge) {
  ASSERT_EQ(1, doc->OpenMtl(Block("b.mtl", 2).c_str(), 0));
  TMtl3D block(doc);
  MTR3DVIEWEX r = Record(kX0 + 250, kY0 + 250, 320, 320, ScaleFor(2.12));
  r.HeightScale = 150;
  r.LayerSwitches = 1;
  r.DrawMode = 2;
  ASSERT_EQ(1, block.SetDrawSize(320, 320));
  plat::gdi::EnableCallLog(block.Picture.Dc, true);
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  ASSERT_TRUE(plat::gdi::WritePng(block.Picture.Dc, Png("view3d_block.png").c_str()));

  EXPECT_EQ(0, block.Levels[300 * 320 + 160]);
  EXPECT_NE(0, block.Levels[100 * 320 + 160]);
  // The top of the range is level 511.
  EXPECT_EQ(VIEW3D_TOP_LEVEL, *std::max_element(block.Levels, block.Levels + 320 * 320));
  EXPECT_EQ(kGrey, Px(block.Picture, 0, 0));

  // Down a column from its surface: black, layer 1, layer 2.
  auto layers = [&](int x) {
    std::vector<DWORD> runs;
    int y = TopOf(block.Picture, x, 320, kGrey);
    for (; y < 320; ++y) {
      const DWORD c = Px(block.Picture, x, y);
      if (runs.empty() || runs.back() != c) runs.push_back(c);
    }
    return runs;
  };
  auto follows = [](const std::vector<DWORD>& runs, std::vector<DWORD> order) {
    auto at = runs.begin();
    for (DWORD c : order) {
      at = std::find(at, runs.end(), c);
      if (at == runs.end()) return false;
    }
    return true;
  };
  EXPECT_TRUE(follows(layers(100), {0u, 0xCC0000, 0x008000})) << "left cut";
  EXPECT_TRUE(follows(layers(230), {0u, 0xFF0000, 0x00A000})) << "right cut";
  EXPECT_FALSE(follows(layers(230), {0xFF0000, 0x00A000, 0xFF0000}));
  int texts = 0;
  for (const std::string& call : plat::gdi::CallLog(block.Picture.Dc)) texts += call.rfind("TextOutA", 0) == 0;
  EXPECT_GT(texts, 2);

  // A record naming a file that is not open: the background alone.
  std::strcpy(r.Name, "none.mtl");
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  for (int y = 0; y < 320; y += 7)
    for (int x = 0; x < 320; x += 7) ASSERT_EQ(kGrey, Px(block.Picture, x, y));
  std::strcpy(r.Name, GetMtlName(doc, 1));
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  EXPECT_NE(kGrey, Px(block.Picture, 160, 100));

  // Another matrix of more layers: the sections are sized again for it at
  // the same picture size.
  ASSERT_EQ(2, doc->OpenMtl(Block("c.mtl", 3).c_str(), 0));
  r.Name[0] = 0;
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  EXPECT_EQ(3, block.LayerMax);
  EXPECT_EQ(320, block.Width);
}

// A layer matrix whose height range comes from the heights written into it
// shows its block over the whole range, not the background alone.
TEST_F(View3D, ALayerMatrixTakesItsRangeFromItsHeights) {
  ASSERT_EQ(1, doc->OpenMtl(Block("w.mtl", 2, false).c_str(), 0));
  MTLDESCRIBE d;
  ASSERT_EQ(1, doc->GetMtlDescribe(1, &d));
  EXPECT_EQ(100.0, d.MinHeight);
  EXPECT_EQ(120.0, d.MaxHeight);
  EXPECT_EQ(100.0, doc->GetMaxSummaryPowerOfMtl(1));  // 120 m down to the bottom at 20 m
  TMtl3D block(doc);
  MTR3DVIEWEX r = Record(kX0 + 250, kY0 + 250, 320, 320, ScaleFor(2.12));
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  EXPECT_EQ(VIEW3D_TOP_LEVEL, *std::max_element(block.Levels, block.Levels + 320 * 320));
  EXPECT_NE(kGrey, Px(block.Picture, 160, 100));
}

// The layer view's drawing modes: 3 lays the surface flat; 0 draws no
// labels, 1 and 2 do in the label column while the view looks down at
// most 45 degrees. Below the last layer the section is striped.
TEST_F(View3D, LayerDrawingModes) {
  ASSERT_EQ(1, doc->OpenMtl(Block("b.mtl", 2).c_str(), 0));
  TMtl3D block(doc);
  MTR3DVIEWEX r = Record(kX0 + 250, kY0 + 250, 320, 320, ScaleFor(2.12));
  r.HeightScale = 150;
  ASSERT_EQ(1, block.SetDrawSize(320, 320));
  plat::gdi::EnableCallLog(block.Picture.Dc, true);
  auto labels = [&](int mode, int elevation) {
    r.DrawMode = int8_t(mode);
    r.Elevation = int16_t(elevation);
    const size_t before = plat::gdi::CallLog(block.Picture.Dc).size();
    EXPECT_NE(nullptr, block.BuildMtl3D(&r));
    const std::vector<std::string> log = plat::gdi::CallLog(block.Picture.Dc);
    return std::count_if(log.begin() + before, log.end(),
                         [](const std::string& call) { return call.rfind("TextOutA", 0) == 0; });
  };
  EXPECT_EQ(0, labels(0, 30));
  // Even columns below the last layer keep its colour, odd ones are grey.
  auto run = [&](int x, DWORD c) {
    int n = 0;
    for (int y = 0; y < 320; ++y) n += Px(block.Picture, x, y) == c;
    return n;
  };
  EXPECT_GT(run(271, 0x00A000), run(270, 0x00A000) + 3);
  EXPECT_GT(labels(1, 30), 2);
  EXPECT_EQ(0, labels(2, 60));
  EXPECT_GT(labels(2, 30), 2);
  // The surface rises to the east.
  EXPECT_GT(TopOf(block.Picture, 60, 320, kGrey), TopOf(block.Picture, 260, 320, kGrey) + 10);
  labels(3, 30);
  EXPECT_EQ(TopOf(block.Picture, 60, 320, kGrey), TopOf(block.Picture, 260, 320, kGrey));

  // The relief palette's brightness bands.
  for (int i : {0, 15, 31}) {
    EXPECT_EQ(DarkenView3DWord(block.Palette[i]), block.Palette[32 + i]);
    EXPECT_EQ(DWORD((block.Palette[i] >> 16 & 255) * 0.68), block.Palette[160 + i] >> 16);
  }
}

// A picture taller than a 16-bit row number: the nearest rows with data
// keep their place, so a column's section comes from them.
TEST_F(View3D, TallLayerPictureKeepsItsNearestRows) {
  ASSERT_EQ(1, doc->OpenMtl(Block("b.mtl", 2).c_str(), 0));
  TMtl3D block(doc);
  MTR3DVIEWEX r = Record(kX0 + 250, kY0 + 250, 32, 33000, ScaleFor(0.0125));
  ASSERT_NE(nullptr, block.BuildMtl3D(&r));
  EXPECT_GT(block.Columns[16].Last, 32767);
  EXPECT_EQ(1, block.Columns[16].Matrix & 0x7FFF);
}

// Rasters draped by their depth: the first palette colour where a 1-bit
// raster draws, the palette colour of 8 bits, RGB555 of 16, the colour of
// 24; a hidden raster is not draped, a negative one is inverted.
TEST_F(View3D, RastersAreDrapedByTheirDepth) {
  std::array<DWORD, 256> palette = doctest::GreyPalette();
  palette[0] = 0x0000FF;
  const struct {
    int bits;
    LONG value;
    DWORD word;
  } cases[] = {{8, 7, 0x070707}, {16, 0x7C00, 0xF80000}, {24, 0x123456, 0x563412}, {1, 0, 0xFF0000}};
  for (int k = 0; k < 4; ++k) {
    const std::string path = dir / ("r" + std::to_string(k) + ".rsw");
    ASSERT_EQ(1, doctest::WriteRaster(path, 10, 10, cases[k].bits, palette, kX0, kY0 + 100 * k, [&](TRst& f) {
      for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) f.PutPoint(cases[k].value, i, j);
    }));
    ASSERT_EQ(k + 1, doc->OpenRst(path.c_str(), 0));
  }
  TMtr3D view(doc, 200, 64);
  MTR3DVIEWEX r = Record(kX0 + 50, kY0 + 200, 200, 64, ScaleFor(2));
  r.Elevation = 90;
  r.ColorByHeight = 0;
  r.DrapeRasters = 1;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(cases[k].word, view.Colors.Words(32)[25 + 50 * k]) << k;

  EXPECT_EQ(VIEW3D_PLAN_GROUND, view.Colors.Words(2)[25]);
  GetChainUnit(Rasters(), 1)->View = 0;
  GetChainUnit(Rasters(), 3)->File->Head.Negative = 1;
  r.Scale += 1;
  ASSERT_NE(nullptr, view.BuildMtr3D(&r));
  EXPECT_EQ(VIEW3D_PLAN_GROUND, view.Colors.Words(32)[25]);
  EXPECT_EQ(~0x563412u & 0xFFFFFF, view.Colors.Words(32)[125]);
}

TEST_F(View3D, LabelSteps) {
  char text[32];
  EXPECT_EQ(0.5, TMtl3D::LabelStep(0.4, 48));
  TMtl3D::LabelText(0.5, 1.5, text, sizeof text);
  EXPECT_STREQ("   1.5", text);
  EXPECT_EQ(1000, TMtl3D::LabelStep(10000, 240));
  TMtl3D::LabelText(1000, 2999.9, text, sizeof text);
  EXPECT_STREQ(" 2999", text);
  EXPECT_EQ(0.1, TMtl3D::LabelStep(1, 240));
  TMtl3D::LabelText(0.1, 0.3, text, sizeof text);
  EXPECT_STREQ("  0.30", text);
  EXPECT_EQ(1000000, TMtl3D::LabelStep(1e9, 2));
  EXPECT_EQ(3, TMtl3D::LabelText(1, 1, text, 4));
  EXPECT_STREQ("   ", text);
}
