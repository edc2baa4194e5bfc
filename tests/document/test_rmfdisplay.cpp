// The display of rasters and matrices: blocks read only in view, the
// transparency patterns, the reduced copy zoomed out, the pixel rules of
// raster depths, matrix colours with relief and the host's break.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "document/rmfdisplay.h"
#include "drawing/paintcontext.h"
#include "support/docfixture.h"
#include "support/docmap.h"
#include "support/rmfbuild.h"
#include "support/scratch_dir.h"

namespace {

constexpr uint32_t kBack = 0x00ABCDEF;

// A target image of w x h pixels; At(x, y) counts rows from the top and
// gives 0x00RRGGBB.
struct Image {
  Image(int w, int h, uint32_t fill = kBack) : w(w), h(h), px(size_t(w) * h, fill) {}
  DIBCONTEXT Target() {
    return DIBCONTEXT{reinterpret_cast<BYTE*>(&px[size_t(h - 1) * w]), w * 4, h, 4, 1, w};
  }
  uint32_t At(int x, int y) const { return px[size_t(h - 1 - y) * w + x] & 0xFFFFFF; }
  int w, h;
  std::vector<uint32_t> px;
};

// 0x00BBGGRR as an image pixel 0x00RRGGBB, each channel scaled by k/256.
uint32_t Pixel(COLORREF c, int k = 256) {
  const uint32_t r = ((c & 255) * k) >> 8, g = (((c >> 8) & 255) * k) >> 8,
                 b = (((c >> 16) & 255) * k) >> 8;
  return r << 16 | g << 8 | b;
}

class RmfDisplay : public doctest::EmptyDocumentTest {
 protected:
  // A raster of 10 m elements whose element (row, col) is value(row, col),
  // its south-west corner at (x, y); `edit` may change the file before it
  // is saved.
  std::string Raster(const char* file, int bits, int cols, int rows,
                     std::function<LONG(int, int)> value, double y = 2000,
                     std::function<void(TRst&)> edit = nullptr) {
    const std::string path = dir / file;
    std::array<DWORD, 256> palette = doctest::GreyPalette();
    palette[0] = 0x0000FF;
    EXPECT_EQ(1, doctest::WriteRaster(path, cols, rows, bits, palette, 5000, y, [&](TRst& r) {
      for (int i = 0; i < rows; ++i)
        for (int j = 0; value && j < cols; ++j) r.PutPoint(value(i, j), i, j);
      if (edit) edit(r);
    }));
    return path;
  }
  // An elevation matrix of 2-byte metres, 10 m elements, value range
  // 0..100.
  std::string Matrix(const char* file, int cols, int rows, std::function<LONG(int, int)> value) {
    const std::string path = dir / file;
    BUILDMTW b = doctest::MatrixParm(cols * 10.0, rows * 10.0, 10, 2);
    EXPECT_EQ(1, rmftest::WriteMatrix(path, b, rows, cols, value, 0, 100));
    return path;
  }

  // The view at `zoom` pixels per element, the draw place over rows x
  // cols pixels from the data's south-west corner: picture row `rows` is
  // image row 0.
  void View(double zoom, int cols, int rows) {
    doc->SetViewScale(1.0);
    const double f = doc->BaseScale / 10.0;  // elements of 10 m
    doc->SetPixel(f * zoom, f * zoom);
    doc->DrawPlace = FRAME{1, 0, rows, cols - 1};
  }
  // Block (0, 0) of a file of cols x rows elements laid whole into the
  // document's display state over the view View(1.0, cols, rows) makes, as
  // the walk lays it.
  void LayBlock(TRmf& file, int depth, int cols = 8, int rows = 2) {
    RMFDISPLAY& d = doc->Display;
    d.RowStart = rows;
    d.RowEnd = 0;
    d.ColStart = 0;
    d.ColEnd = cols;
    d.BlockHeight = file.BlockHeight(0);
    d.BlockWidth = file.BlockWidth(0);
    d.BlockFlag = 1;
    d.Depth = depth;
    d.Period = 0;
    d.StartRow = d.StartCol = 0.0;
    d.Data = reinterpret_cast<const BYTE*>(file.GetBlockAddress(0, 0));
    ASSERT_NE(d.Data, nullptr);
  }
  // A layer matrix of 50 x 50 cells of 10 m holding layer thicknesses
  // only, opened into the document.
  void OpenLayersWithoutHeights() {
    const std::string path = dir / "a.mtl";
    {
      MTLBUILDPARM p = doctest::LayerMatrixParm(1, 0);
      TMtl m;
      ASSERT_EQ(1, m.Create(path.c_str(), &p));
      ASSERT_EQ(1, m.PutPlanePower(5100, 2100, 1.0, 1));
      m.Save();
    }
    ASSERT_EQ(1, doc->OpenMtl(path.c_str(), 0));
  }
  static int UsedSlots(const TRmf& f) {
    int n = 0;
    for (const RMFSLOT& s : f.Slots) n += s.Number >= 0;
    return n;
  }
};

}  // namespace

TEST_F(RmfDisplay, OnlyBlocksInViewAreRead) {
  ASSERT_EQ(1, doc->OpenRst(Raster("a.rsw", 8, 300, 20, [](int, int) { return 7; }).c_str(), 0));
  Image image(300, 20);
  DIBCONTEXT target = image.Target();
  View(1.0, 300, 20);
  doc->DrawPlace = FRAME{5000, 5000, 5019, 5299};  // far from the raster
  TRmfShow away(RmfShowHost(doc));
  EXPECT_EQ(1, away.ShowRstPlace(Rasters(), 0, &target));
  EXPECT_EQ(0, away.BlocksRead);
  EXPECT_EQ(0, UsedSlots(*GetChainUnit(Rasters(), 1)->File));
  // Over the first 200 columns: the first block only.
  doc->DrawPlace = FRAME{1, 0, 20, 199};
  TRmfShow near(RmfShowHost(doc));
  EXPECT_EQ(1, near.ShowRstPlace(Rasters(), 0, &target));
  EXPECT_EQ(1, near.BlocksRead);
  EXPECT_EQ(Pixel(0x070707), image.At(0, 0));
  EXPECT_EQ(Pixel(0x070707), image.At(199, 19));
  EXPECT_EQ(kBack, image.At(200, 0));
  // Seen from another scale range it is not painted at all.
  GetChainUnit(Rasters(), 1)->BottomScale = doc->ShowScale + 1;
  TRmfShow out(RmfShowHost(doc));
  EXPECT_EQ(1, out.ShowRstPlace(Rasters(), 0, &target));
  EXPECT_EQ(0, out.BlocksRead);
}

TEST_F(RmfDisplay, MaskPatterns) {
  BYTE p[8];
  EXPECT_EQ(0, BuildMaskPattern(7, 1, p));
  struct Case {
    int type, view, period;
    std::function<bool(int, int)> on;  // pattern row i, column j
  };
  const Case cases[] = {
      {1, 2, 2, [](int i, int) { return i == 0; }},
      {2, 3, 3, [](int, int j) { return j == 0; }},
      {4, 2, 5, [](int i, int j) { return i * j % 5 != 0; }},
      {6, 9, 6, [](int i, int j) { return (i - j) % 6 == 0; }},  // view 9 as view 5
      {7, 2, 3, [](int i, int j) { return (i + j) % 3 == 0 || (i - j) % 3 == 0; }},
      {8, 3, 5, [](int i, int j) { return (i + j) % 5 != 0 && (i - j) % 5 != 0; }},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.period, BuildMaskPattern(c.type, c.view, p)) << c.type;
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j)
        EXPECT_EQ(i < c.period && j < c.period && c.on(i, j), ((p[i] >> j) & 1) != 0)
            << c.type << " " << i << " " << j;
  }
}

TEST_F(RmfDisplay, PatternsFollowThePictureAcrossRasters) {
  // Two rasters side by side, the second one from column 100 on.
  ASSERT_EQ(1, doc->OpenRst(Raster("a.rsw", 8, 100, 30, [](int, int) { return 1; }).c_str(), 0));
  ASSERT_EQ(2, doc->OpenRst(Raster("b.rsw", 8, 100, 30, [](int, int) { return 1; }, 3000).c_str(), 0));
  Image image(200, 30);
  DIBCONTEXT target = image.Target();
  View(1.0, 200, 30);
  for (int n : {1, 2}) {
    SetChainMaskType(Rasters(), n, 7);
    SetChainView(Rasters(), n, 2);
  }
  ASSERT_EQ(1, ShowRstPlace(doc, 0, &target));
  int painted = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 200; ++x) {
      const int r = 30 - y, c = x;  // picture row and column
      const bool on = (c - r) % 3 == 0 || (c + r) % 3 == 0;
      ASSERT_EQ(on, image.At(x, y) == Pixel(0x010101)) << x << " " << y;
      painted += on;
    }
  EXPECT_GT(painted, 2000);
  // Mask type 1 at view 2: every second picture row.
  for (int n : {1, 2}) SetChainMaskType(Rasters(), n, 1);
  Image rows(200, 30);
  target = rows.Target();
  ASSERT_EQ(1, ShowRstPlace(doc, 0, &target));
  for (int y = 0; y < 30; ++y)
    EXPECT_EQ((30 - y) % 2 == 0, rows.At(150, y) == Pixel(0x010101)) << y;
}

TEST_F(RmfDisplay, ReducedCopyFromFourElementsPerPixel) {
  const std::string path = Raster("a.rsw", 8, 512, 512, [](int i, int j) { return (i + j) & 255; });
  {
    TRst r(path.c_str(), 0);
    ASSERT_NE(r.GetRstClass(1), &r);  // the copy is built once
  }
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  TRst* raster = GetChainUnit(Rasters(), 1)->Raster();
  Image image(200, 200);
  DIBCONTEXT target = image.Target();
  for (double epp : {4.0, 3.9}) {
    View(1.0 / epp, 128, 128);
    raster->ClearBuffer();
    if (raster->Copy) raster->Copy->ClearBuffer();
    ASSERT_EQ(1, ShowRstPlace(doc, 0, &target));
    const bool copy = epp >= 4.0;
    EXPECT_EQ(copy, UsedSlots(*raster) == 0) << epp;
    EXPECT_EQ(copy, raster->Copy && UsedSlots(*raster->Copy) > 0) << epp;
    EXPECT_NE(kBack, image.At(0, 0));
  }
}

TEST_F(RmfDisplay, RasterPixelRules) {
  auto columns = [](int, int j) { return j & 1; };
  auto negative = [](TRst& r) { r.Head.Negative = 1; };
  // A 4-bit block written as stored: byte 0x53 holds element 0 (even) in
  // its low nibble.
  auto nibbles = [](TRst& r) {
    char block[8];
    std::memset(block, 0x53, sizeof(block));
    r.WriteBlock(0, 0, block, sizeof(block));
  };
  struct Case {
    const char* name;
    int bits;
    std::function<LONG(int, int)> value;
    std::function<void(TRst&)> edit;
    int bright;
    uint32_t x0, x1;  // the pixels of columns 0 and 1
  };
  const Case cases[] = {
      {"1-bit shows its 0 bits", 1, columns, nullptr, 0, Pixel(0x0000FF), kBack},
      {"1-bit negative shows its 1 bits", 1, columns, negative, 0, kBack, Pixel(0x0000FF)},
      {"4-bit even element in the low nibble", 4, nullptr, nibbles, 0, Pixel(0x030303),
       Pixel(0x050505)},
      {"24-bit at brightness 16 is white", 24, [](int, int) { return 0x203040; }, nullptr, 16,
       0xFFFFFF, 0xFFFFFF},
      {"24-bit negative at brightness 16 is black", 24, [](int, int) { return 0x203040; },
       negative, 16, 0, 0},
  };
  int k = 0;
  for (const Case& c : cases) {
    const std::string name = "r" + std::to_string(k++) + ".rsw";
    ASSERT_EQ(1, doc->OpenRst(Raster(name.c_str(), c.bits, 8, 2, c.value, 2000, c.edit).c_str(), 0));
    SetRstBright(doc, 1, c.bright);
    Image image(8, 2);
    DIBCONTEXT target = image.Target();
    View(1.0, 8, 2);
    ASSERT_EQ(1, ShowRstPlace(doc, 0, &target)) << c.name;
    EXPECT_EQ(c.x0, image.At(0, 1)) << c.name;
    EXPECT_EQ(c.x1, image.At(1, 1)) << c.name;
    doc->CloseRst(0);
  }
}

TEST_F(RmfDisplay, MatrixColoursReliefAndBreak) {
  // Two blocks across: flat at 50 m, with a column of 500 m in the second.
  ASSERT_EQ(1, doc->OpenMtr(Matrix("a.mtw", 256, 4, [](int, int j) { return j == 200 ? 500 : 50; })
                                .c_str(),
                            0));
  RMFCHAIN* unit = GetChainUnit(Matrices(), 1);
  const int k = int((50 - unit->RangeLow) * unit->ColorsPerUnit);
  const COLORREF colour = doc->MtrPalette.Colors()[k];
  View(1.0, 256, 4);
  ASSERT_EQ(4, doc->MtrShadow);
  Image image(256, 4);
  DIBCONTEXT target = image.Target();
  ASSERT_EQ(1, ShowMtrPlace(doc, Matrices(), 0, &target));
  // Flat ground is lit at 244/256 of its colour; a value past the range is
  // pure red.
  EXPECT_EQ(Pixel(colour, 244), image.At(10, 2));
  EXPECT_EQ(Pixel(colour, 244), image.At(130, 2));
  EXPECT_EQ(0xFF0000u, image.At(200, 2));
  // Without relief the palette colour itself.
  doc->MtrShadow = 0;
  ASSERT_EQ(1, ShowMtrPlace(doc, Matrices(), 0, &target));
  EXPECT_EQ(Pixel(colour), image.At(10, 2));
  // Colour style -1: only the relief over what lies beneath.
  doc->MtrShadow = 4;
  doc->MtrPalette.SetColorStyle(-1);
  Image under(256, 4, 0x808080);
  target = under.Target();
  ASSERT_EQ(1, ShowMtrPlace(doc, Matrices(), 0, &target));
  EXPECT_EQ(0x7A7A7Au, under.At(10, 2));
  doc->MtrPalette.SetColorStyle(1);
  // A break callback answering non-zero at the first paint step ends the
  // pass after the first block.
  doc->SetBreakCall([](intptr_t) -> LONG { return 1; }, 0);
  PaintStepCounter = PaintContext.PaintStep;
  Image stopped(256, 4);
  target = stopped.Target();
  EXPECT_EQ(0, ShowMtrPlace(doc, Matrices(), 0, &target));
  EXPECT_NE(kBack, stopped.At(10, 2));
  EXPECT_EQ(kBack, stopped.At(130, 2));
  doc->SetBreakCall(nullptr, 0);
  PaintStepCounter = 0;
}

TEST_F(RmfDisplay, RasterAndMatrixPaintUnderTheMap) {
  FreeDocument(doc);
  ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
  doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doctest::AppendScene(doc));
  doc->SetBackGround(0xFFFFFF);
  const double x0 = doctest::kSheetX, y0 = doctest::kSheetY;
  // A relief of hills on the west half of the sheet, a raster of stripes on
  // the east half; 50 m elements.
  const std::string mtw = dir / "hills.mtw";
  ASSERT_EQ(1, rmftest::WriteMatrix(
                   mtw, rmftest::MatrixBuild(x0, y0, 5000, 10000, 50, 4, 100000), 200, 100,
                   [](int i, int j) { return 300 + 250 * std::sin(i / 15.0) * std::cos(j / 11.0); },
                   0, 600));
  const std::string rsw = dir / "stripes.rsw";
  {
    DWORD palette[256];
    for (DWORD i = 0; i < 256; ++i) palette[i] = RGB(i, 255 - i, 160);
    TRst r;
    ASSERT_EQ(1, r.Create(rsw.c_str(), 100, 200, 8, palette, 50000, 1000));
    for (int i = 0; i < 200; ++i)
      for (int j = 0; j < 100; ++j) r.PutPoint(((i / 8 + j / 8) * 16) & 255, i, j);
    r.Head.LocationX = x0;
    r.Head.LocationY = y0 + 5000;
    r.Head.LocationSet = 1;
    r.HeadChanged = 1;
  }
  ASSERT_EQ(1, doc->OpenMtr(mtw.c_str(), 0));
  ASSERT_EQ(1, doc->OpenRst(rsw.c_str(), 0));
  doc->SetViewScale(0.7);
  double left = x0 + 10000, top = y0, right = x0, bottom = y0 + 10000;
  doc->PlaneToPicture(left, top);
  doc->PlaneToPicture(right, bottom);
  const RECT rect{LONG(top), LONG(left), LONG(bottom), LONG(right)};
  const doctest::Picture p = doctest::PaintPicture(doc, rect);
  ASSERT_GT(p.width, 200);
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/rmfdisplay_under_map.png");
  // Both halves are painted away from the objects, the road lies over them.
  const int w = p.width, h = p.height;
  EXPECT_NE(0xFFFFFFu, p.At(w / 10, h / 2));
  EXPECT_NE(0xFFFFFFu, p.At(w * 9 / 10, h / 2));
  EXPECT_NE(p.At(w / 10, h / 2), p.At(w * 9 / 10, h / 2));
  int red = 0;
  for (uint32_t v : p.pixels) red += v == 0xFF0000;
  EXPECT_GT(red, 100);
}

TEST_F(RmfDisplay, LayerMatrixWithoutHeightsIsGreen) {
  ASSERT_NO_FATAL_FAILURE(OpenLayersWithoutHeights());
  // By place: green diagonal lines of period 6, into the image and onto a
  // device alike.
  View(1.0, 50, 50);
  Image image(50, 50);
  DIBCONTEXT target = image.Target();
  ASSERT_EQ(1, ShowMtlPlace(doc, 0, &target));
  int green = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      const bool on = (x - (50 - y)) % 6 == 0;
      ASSERT_EQ(on, image.At(x, y) == 0x00FF00u) << x << " " << y;
      green += on;
    }
  doctest::MemoryDevice device(50, 50);
  doc->PaintDc = device.dc;
  target.VisualType = 3;
  ASSERT_EQ(1, ShowMtlPlace(doc, 0, &target));
  doc->PaintDc = nullptr;
  const doctest::Picture onDevice = doctest::GrabDc(device.dc);
  EXPECT_EQ(green, std::count(onDevice.pixels.begin(), onDevice.pixels.end(), 0x00FF00u));
  EXPECT_EQ(0x00FF00u, onDevice.At(0, 20));  // picture row 30, column 0
  // Alone by its number, through the document's one-layer road: solid.
  doctest::MemoryDevice window(240, 240);
  ASSERT_EQ(1, doc->PaintMtl(window.dc, 1, RECT{0, 0, 240, 240}, 1, 0));
  const doctest::Picture alone = doctest::GrabDc(window.dc);
  EXPECT_GT(std::count(alone.pixels.begin(), alone.pixels.end(), 0x00FF00u), 150 * 150);
}

TEST_F(RmfDisplay, ZoomedInElementsKeepTheirWidthAcrossBlocks) {
  // Element (row, col) holds its column; two blocks across.
  ASSERT_EQ(1, doc->OpenRst(Raster("a.rsw", 8, 300, 2, [](int, int j) { return j & 255; }).c_str(), 0));
  View(2.5, 750, 5);
  Image image(750, 5);
  DIBCONTEXT target = image.Target();
  ASSERT_EQ(1, ShowRstPlace(doc, 0, &target));
  // Pixel column c shows element trunc(c / 2.5) (either neighbour where c
  // falls on an element edge): every element 2 or 3 pixels wide, the block
  // edge (element 256) included.
  auto pixelOf = [](int v) { return Pixel((v & 255) ? (v & 255) * 0x010101u : 0x0000FFu); };
  for (int c = 0; c < 750; ++c) {
    const uint32_t p = image.At(c, 2);
    ASSERT_TRUE(p == pixelOf(int((c + 0.01) / 2.5)) || p == pixelOf(int((c - 0.01) / 2.5))) << c;
  }
}

TEST_F(RmfDisplay, BorderLimitsWhatAMatrixShows) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("a.mtw", 256, 8, [](int, int) { return 50; }).c_str(), 0));
  // A border to column 200 of the 256, around every row.
  TDataEdit border;
  border.Init();
  ASSERT_TRUE(border.Create(METRIC_F64, 0));
  for (auto [x, y] : {std::pair{4990.0, 1990.0}, {5090.0, 1990.0}, {5090.0, 4000.0},
                      {4990.0, 4000.0}, {4990.0, 1990.0}})
    ASSERT_TRUE(border.AppendPointSubject(0, x, y));
  ASSERT_EQ(1, SetChainBorderPlane(Matrices(), 1, &border));
  border.Free();
  doc->MtrShadow = 0;
  View(1.0, 256, 8);
  Image image(256, 8);
  DIBCONTEXT target = image.Target();
  ASSERT_EQ(1, ShowMtrPlace(doc, Matrices(), 0, &target));
  for (int x : {0, 120, 140, 197}) EXPECT_NE(kBack, image.At(x, 4)) << x;
  for (int x : {205, 230, 255}) EXPECT_EQ(kBack, image.At(x, 4)) << x;
}

TEST_F(RmfDisplay, QualityMatrixColoursAndVisibility) {
  const std::string path = dir / "q.mtq";
  {
    BUILDMTW b = doctest::MatrixParm(80, 20, 10, 2);
    MTRPROJECTIONDATA proj = rmftest::NoProjection();
    const COLORREF colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    TMtr m;
    ASSERT_EQ(1, m.CreateMtq(path.c_str(), &b, &proj, colours, 4));
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 8; ++j) m.PutPoint(LONG(j % 4), i, j);
    m.Head.Minimum = 0;
    m.Head.Maximum = 3.9999;
    m.HeadChanged = 1;
    m.Save();
  }
  ASSERT_EQ(1, doc->OpenMtq(path.c_str(), 0));
  CHAININFO* chain = DocChain(doc, DOCKIND_MTQ);
  SetMtqShadow(doc, 1, 0);
  SetChainPaletteView(chain, 1, 2, 0);  // its third colour hidden
  View(1.0, 8, 2);
  Image image(8, 2);
  DIBCONTEXT target = image.Target();
  ASSERT_EQ(1, ShowMtrPlace(doc, chain, 0, &target));
  const uint32_t expected[8] = {Pixel(0x0000FF), Pixel(0x00FF00), kBack, Pixel(0x00FFFF),
                                Pixel(0x0000FF), Pixel(0x00FF00), kBack, Pixel(0x00FFFF)};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(expected[x], image.At(x, 1)) << x;
}

// Unit n that a chain has not answers 0, as a missing unit does everywhere
// on the display; a unit it has answers 1, also out of view.
TEST_F(RmfDisplay, AMissingUnitAnswersZero) {
  ASSERT_EQ(1, doc->OpenRst(Raster("a.rsw", 8, 8, 2, [](int, int) { return 7; }).c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtr(Matrix("a.mtw", 8, 2, [](int, int) { return 50; }).c_str(), 0));
  View(1.0, 8, 2);
  EXPECT_EQ(0, doc->ShowRst(99));
  EXPECT_EQ(0, doc->ShowMtr(&doc->MtrChainHead, 99));
  EXPECT_EQ(0, doc->ShowMtr(&doc->MtqChainHead, 1));
  EXPECT_EQ(0, doc->ShowMtr(nullptr, 0));
  EXPECT_EQ(0, doc->ShowMtl(99));
  EXPECT_EQ(0, doc->ShowChainRst(99, nullptr));
  EXPECT_EQ(0, doc->ShowChainMtr(nullptr, nullptr));
  EXPECT_EQ(0, doc->ShowChainMtl(nullptr, nullptr));
  doc->DrawPlace = FRAME{5000, 5000, 5001, 5007};  // far from both
  EXPECT_EQ(1, doc->ShowRst(1));
  EXPECT_EQ(1, doc->ShowMtr(&doc->MtrChainHead, 1));
  // The chain heads are the document's own.
  EXPECT_EQ(DocChain(doc, DOCKIND_RST), &doc->RstChainHead);
  EXPECT_EQ(1, doc->RstChainHead.Count);
  EXPECT_EQ(GetChainUnit(Rasters(), 1), doc->RstChainHead.First);
  EXPECT_EQ(doc->GetChain(1), doc->MtrChainHead.First);
}

// The document's visible rectangle and its block painters: a block laid
// into the display state by hand paints what the walk paints.
TEST_F(RmfDisplay, BlocksPaintedFromTheDisplayState) {
  ASSERT_EQ(1, doc->OpenRst(Raster("a.rsw", 8, 8, 2, [](int i, int j) { return 10 * i + j; }).c_str(),
                            0));
  View(1.0, 8, 2);
  RMFCHAIN* unit = doc->RstChainHead.First;
  ASSERT_NE(unit, nullptr);
  RMFDISPLAY& d = doc->Display;
  // No frame: nothing in view.
  EXPECT_EQ(0, doc->CheckViewRmf());
  doc->SetElemScale(unit->PictureFactor);
  d.Frame = &unit->ElementFrame;
  ASSERT_EQ(1, doc->CheckViewRmf());
  EXPECT_EQ(0, d.Left);
  EXPECT_EQ(8, d.Right);
  EXPECT_EQ(2, d.Top);
  EXPECT_EQ(0, d.Bottom);
  BYTE pattern[8];
  EXPECT_EQ(3, doc->BuildMaskPattern(7, 2, pattern));
  EXPECT_EQ(BYTE(0x01), pattern[0]);
  EXPECT_EQ(BYTE(0x06), pattern[1]);

  // The walk's picture; it leaves no frame or block behind.
  Image walked(8, 2);
  DIBCONTEXT target = walked.Target();
  ASSERT_EQ(1, doc->ShowRstPlace(0, &target));
  EXPECT_EQ(Pixel(0x0B0B0B), walked.At(1, 1));  // file row 1, column 1
  EXPECT_EQ(nullptr, d.Frame);
  EXPECT_EQ(nullptr, d.Data);

  // The same block by hand (the colour tables are the ones the walk set).
  TRmf& file = *unit->File;
  auto lay = [&] { LayBlock(file, 8); };
  lay();
  Image byHand(8, 2);
  target = byHand.Target();
  doc->ShowBlockRstDib256(file, &target);
  EXPECT_EQ(walked.px, byHand.px);
  Image dib(8, 2);
  target = dib.Target();
  doc->ShowBlockRstDib(file, &target, &unit->Colors);
  EXPECT_EQ(walked.px, dib.px);
  // Onto the device, as the walk paints it there.
  doctest::MemoryDevice device(8, 2), walkedDevice(8, 2);
  doc->PaintDc = device.dc;
  doc->ShowBlockRstDevice(file, &unit->Colors);
  doc->PaintDc = walkedDevice.dc;
  target.VisualType = 3;
  ASSERT_EQ(1, doc->ShowRstPlace(0, &target));
  doc->PaintDc = nullptr;
  EXPECT_EQ(doctest::GrabDc(walkedDevice.dc).pixels, doctest::GrabDc(device.dc).pixels);
  EXPECT_EQ(Pixel(0x0B0B0B), doctest::GrabDc(device.dc).At(1, 1));

  // A state that does not fit paints nothing and overruns nothing: a span
  // far past the image is kept inside it, a block larger than the file's,
  // a depth not the file's and a pattern period past its 8 rows are
  // refused.
  lay();
  d.RowStart = 1 << 30;
  d.RowEnd = -(1 << 30);
  d.ColStart = -(1 << 30);
  d.ColEnd = 1 << 30;
  Image clamped(8, 2);
  target = clamped.Target();
  doc->ShowBlockRstDib256(file, &target);
  EXPECT_NE(kBack, clamped.At(7, 0));
  // A start element far past the block either way takes its edge column
  // (the fixed-point walk stays in range); one that is not a number counts
  // as column 0.
  for (const double start : {1e300, -1e300, std::nan("")}) {
    lay();
    d.StartCol = start;
    Image edge(8, 2);
    target = edge.Target();
    doc->ShowBlockRstDib256(file, &target);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(walked.At(start > 0 ? 7 : start < 0 ? 0 : x, y), edge.At(x, y))
            << start << " " << x << "," << y;
  }
  for (auto spoil : std::vector<std::function<void()>>{
           [&] { d.BlockHeight = file.Head.BlockHeight + 1; }, [&] { d.Depth = 24; },
           [&] { d.Period = 100; }, [&] { d.Data = nullptr; }}) {
    lay();
    spoil();
    Image none(8, 2);
    target = none.Target();
    doc->ShowBlockRstDib256(file, &target);
    doc->ShowBlockRstDib(file, &target, &unit->Colors);
    EXPECT_EQ(std::vector<uint32_t>(16, kBack), none.px);
  }
}

TEST_F(RmfDisplay, MatrixBlocksPaintedFromTheDisplayState) {
  // One block, rising to the east so that relief shades it.
  ASSERT_EQ(1, doc->OpenMtr(Matrix("a.mtw", 8, 2, [](int, int j) { return 20 + 8 * j; }).c_str(), 0));
  View(1.0, 8, 2);
  Image walked(8, 2);
  DIBCONTEXT target = walked.Target();
  ASSERT_EQ(1, doc->ShowMtrPlace(&doc->MtrChainHead, 0, &target));
  RMFCHAIN* unit = doc->MtrChainHead.First;
  TRmf& file = *unit->File;
  RMFDISPLAY& d = doc->Display;
  ASSERT_NO_FATAL_FAILURE(LayBlock(file, 2));
  // Relief needs the neighbours: at the matrix's edges the block itself.
  d.LeftData = d.Data;
  d.LeftLength = d.BlockWidth;
  d.RightData = d.Data + (d.BlockWidth - 1) * 2;
  d.RightLength = d.BlockWidth;
  Image byHand(8, 2);
  target = byHand.Target();
  doc->ShowBlockMtrDib(unit, &target);
  EXPECT_EQ(walked.px, byHand.px);
  EXPECT_NE(walked.At(0, 0), walked.At(4, 0));
  // Without the neighbours relief cannot be painted.
  d.LeftData = nullptr;
  Image none(8, 2);
  target = none.Target();
  doc->ShowBlockMtrDib(unit, &target);
  EXPECT_EQ(std::vector<uint32_t>(16, kBack), none.px);
}

TEST_F(RmfDisplay, LayerMatrixBlockPaintedFromTheDisplayState) {
  ASSERT_NO_FATAL_FAILURE(OpenLayersWithoutHeights());
  View(1.0, 50, 50);
  Image walked(50, 50);
  DIBCONTEXT target = walked.Target();
  ASSERT_EQ(1, doc->ShowMtlPlace(0, &target));
  // Without heights: green in the pattern the place painter used.
  MTLCHAIN* unit = doc->MtlChainHead.First;
  ASSERT_NO_FATAL_FAILURE(LayBlock(unit->Matrix, unit->Matrix.RecordSize(), 50, 50));
  doc->Display.Period = doc->BuildMaskPattern(5, 5, doc->Display.Pattern);
  Image byHand(50, 50);
  target = byHand.Target();
  doc->ShowBlockMtlDib(unit, &target);
  EXPECT_EQ(walked.px, byHand.px);
  EXPECT_EQ(0x00FF00u, byHand.At(0, 20));
  doctest::MemoryDevice device(50, 50);
  doc->PaintDc = device.dc;
  doc->ShowBlockMtlDevice(unit);
  doc->PaintDc = nullptr;
  const doctest::Picture onDevice = doctest::GrabDc(device.dc);
  EXPECT_EQ(std::count(walked.px.begin(), walked.px.end(), 0x00FF00u),
            std::count(onDevice.pixels.begin(), onDevice.pixels.end(), 0x00FF00u));
}
