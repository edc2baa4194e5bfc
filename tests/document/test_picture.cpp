// Pictures a caller holds: the 256-colour table of what the document
// shows, bitmaps of 16, 24, 32 and 8 bits painted in bands, 256-colour
// images, and metafiles that replay to the picture of the same frame and
// that a converter of another maker reads (never written over a file an
// open document holds).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "document/viewentries.h"
#include "drawing/mappalette.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"
#include "objects/objectinfo.h"
#include "platform/gdi/metafile.h"
#include "support/docfixture.h"
#include "support/fault_sweep.h"

namespace {

// A small display: the memory image is 320 x 240 pixels, 307,200 bytes, so
// that wide bitmaps are painted in bands of few rows.
const bool kSmallDisplay = (plat::gdi::SetDisplay(320, 240, 96, true), true);

COLORREF ColourOf(const RGBQUAD& q) {
  return COLORREF(q.rgbRed) | COLORREF(q.rgbGreen) << 8 | COLORREF(q.rgbBlue) << 16;
}

// The index the linear scan gives a pixel 0x00RRGGBB: the first entry of
// the least squared distance.
int NearestEntry(const RGBQUAD* table, uint32_t pixel) {
  const COLORREF c = (pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16;
  int best = 0;
  LONG least = 8388607;
  for (int i = 0; i < 256; ++i) {
    const LONG d = ColorDistance(ColourOf(table[i]), c);
    if (d < least) least = d, best = i;
  }
  return best;
}

// A bottom-up bitmap of a caller: header, 256 colour entries, pixels.
struct Bitmap {
  Bitmap(LONG width, LONG height, int bits, int64_t rowBytes = 0) {
    if (rowBytes == 0) rowBytes = (int64_t(bits) * width + 31) / 32 * 4;
    memory.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    pixels.assign(size_t(rowBytes * height), 0x5A);
    *Info() = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, WORD(bits), BI_RGB,
                               DWORD(rowBytes * height), 0, 0, 0, 0};
    row = rowBytes;
  }
  BITMAPINFOHEADER* Info() { return reinterpret_cast<BITMAPINFOHEADER*>(memory.data()); }
  const RGBQUAD* Table() { return reinterpret_cast<const RGBQUAD*>(Info() + 1); }
  // Picture row y (0 at the top).
  const BYTE* Row(int y) const {
    return reinterpret_cast<const BYTE*>(pixels.data()) + (Height() - 1 - y) * row;
  }
  int Height() const { return int(pixels.size() / row); }
  uint32_t Pixel32(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, Row(y) + 4 * x, 4);
    return v;
  }
  std::vector<BYTE> memory;
  std::vector<char> pixels;
  int64_t row;
};

class Picture : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kSmallDisplay);
    MapDocumentTest::SetUp();
    ASSERT_TRUE(doctest::AppendScene(doc));
    doc->SetBackGround(0xFFFFFF);
  }
  void TearDown() override {
    doc->SetBeforePaint(nullptr, 0);
    MapDocumentTest::TearDown();
  }
  // A raster of 8-bit elements under the sheet's south-west part: 250 x
  // 250 elements of 10 m, colour (row + col) / 2 of a ramp from blue to
  // yellow.
  void OpenRaster() {
    std::array<DWORD, 256> palette;
    for (DWORD i = 0; i < 256; ++i) palette[i] = (255 - i) << 16 | i << 8 | i;
    const std::string path = dir / "under.rsw";
    ASSERT_EQ(1, doctest::WriteRaster(path, 250, 250, 8, palette, doctest::kSheetX + 500,
                                      doctest::kSheetY + 500, [](TRst& r) {
                                        for (int i = 0; i < 250; ++i)
                                          for (int j = 0; j < 250; ++j) r.PutPoint((i + j) / 2, i, j);
                                      }));
    ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  }
  // The picture rectangle of the sheet's south-west quarter at a zoom.
  RECT QuarterRect(double zoom) {
    doc->SetViewScale(zoom);
    double left = doctest::kSheetX + 5000, top = doctest::kSheetY;
    double right = doctest::kSheetX, bottom = doctest::kSheetY + 5000;
    doc->PlaneToPicture(left, top);
    doc->PlaneToPicture(right, bottom);
    return RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  }
  static std::string Tmp(const char* name) { return std::string(MC_TEST_TMP) + "/" + name; }
};

// The band rectangles a picture is painted in, seen by the before-paint
// callback of the memory-image road.
std::vector<RECT> bands;
void WINAPI NoteBand(intptr_t, HDC, RECT* rect) { bands.push_back(*rect); }

using Palette256 = doctest::EmptyDocumentTest;

TEST_F(Palette256, NothingShownGivesTheCubeAndGreys) {
  RGBQUAD table[256];
  doc->BuildPalette256(table);
  const int steps[6] = {0, 42, 85, 128, 170, 213};
  for (int b = 0, i = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r, ++i)
        ASSERT_EQ(ColourOf(table[i]), COLORREF(steps[r] | steps[g] << 8 | steps[b] << 16)) << i;
  for (int i = 0; i < 40; ++i) ASSERT_EQ(ColourOf(table[216 + i]), COLORREF(6 * i) * 0x010101);
  doc->BuildPalette256(nullptr);
}

TEST_F(Palette256, GreyRasterGivesItsColoursAndARampAndTheFirstEqualEntry) {
  // Sixteen greys 0..15; every element grey 5, which the ramp holds too.
  const std::string path = dir / "grey.rsw";
  ASSERT_EQ(1, doctest::WriteRaster(path, 40, 40, 4, doctest::GreyPalette(), 5000, 2000,
                                    [](TRst& r) {
                                      for (int i = 0; i < 40; ++i)
                                        for (int j = 0; j < 40; ++j) r.PutPoint(5, i, j);
                                    }));
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  RGBQUAD table[256];
  doc->BuildPalette256(table);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(ColourOf(table[i]), COLORREF(i) * 0x010101) << i;
  for (int i = 16; i < 256; ++i) EXPECT_EQ(ColourOf(table[i]), COLORREF(i - 16) * 0x010101) << i;

  doc->SetViewScale(1.0);
  double x = 5200, y = 2200;
  doc->PlaneToPicture(x, y);
  const RECT rect{LONG(x), LONG(y), LONG(x) + 8, LONG(y) + 8};
  std::vector<char> image(64, 0x7F);
  ASSERT_EQ(doc->PaintToImage256(table, image.data(), 8, 8, rect), 1);
  for (char index : image) ASSERT_EQ(index, 5);
}

TEST_F(Picture, MapColoursFollowTheBackground) {
  RGBQUAD table[256];
  doc->SetBackGround(0x123456);
  doc->BuildPalette256(table);
  EXPECT_EQ(ColourOf(table[0]), 0x123456u);
  const int k = std::min(doc->Colors.GetCount(), 255);
  for (int i = 0; i < k; ++i) ASSERT_EQ(ColourOf(table[1 + i]), doc->Colors.Colors()[i] & 0xFFFFFF);
  // Device types start from white.
  doc->SetVisualType(6);
  doc->BuildPalette256(table);
  EXPECT_EQ(ColourOf(table[0]), 0xFFFFFFu);
}

TEST_F(Picture, BitmapsOfEveryDepthHoldThePicture) {
  OpenRaster();
  const RECT rect = QuarterRect(3.0);
  const LONG w = 198, h = 150;  // 24- and 8-bit rows padded by 2 bytes
  Bitmap b32(w, h, 32), b24(w, h, 24), b16(w, h, 16), b8(w, h, 8);
  ASSERT_EQ(doc->PaintToDib(b32.Info(), b32.pixels.data(), rect), 1);
  ASSERT_EQ(doc->PaintToDib(b24.Info(), b24.pixels.data(), rect), 1);
  ASSERT_EQ(doc->PaintToDib(b16.Info(), b16.pixels.data(), rect), 1);
  ASSERT_EQ(doc->PaintToDib(b8.Info(), b8.pixels.data(), rect), 1);
  int notWhite = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = b32.Pixel32(x, y);
      notWhite += p != 0xFFFFFF;
      const BYTE* q = b24.Row(y) + 3 * x;
      ASSERT_EQ(uint32_t(q[0] | q[1] << 8 | q[2] << 16), p) << x << "," << y;
      WORD v;
      std::memcpy(&v, b16.Row(y) + 2 * x, 2);
      ASSERT_EQ(v, WORD((p & 0xFF) >> 3 | (p >> 11 & 0x1F) << 5 | (p >> 19 & 0x1F) << 10));
      ASSERT_EQ(b8.Row(y)[x], NearestEntry(b8.Table(), p)) << x << "," << y;
    }
  EXPECT_GT(notWhite, w * h / 5);
  // The 24-bit rows' padding is left alone, the 8-bit rows' cleared.
  EXPECT_EQ(b24.Row(0)[3 * w], 0x5A);
  EXPECT_EQ(b8.Row(0)[w], 0);
}

// A header that leaves its image size 0, as uncompressed bitmaps may, has
// rows of its width padded to 4 bytes: the same picture as with the size.
TEST_F(Picture, BitmapsWithoutAnImageSizeHavePaddedRows) {
  const RECT rect = QuarterRect(3.0);
  for (int bits : {8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    Bitmap sized(198, 150, bits), unsized(198, 150, bits);
    unsized.Info()->biSizeImage = 0;
    ASSERT_EQ(doc->PaintToDib(sized.Info(), sized.pixels.data(), rect), 1);
    ASSERT_EQ(doc->PaintToDib(unsized.Info(), unsized.pixels.data(), rect), 1);
    EXPECT_EQ(sized.pixels, unsized.pixels);
    // The 8-bit table after the header too.
    EXPECT_TRUE(std::equal(sized.memory.begin() + sizeof(BITMAPINFOHEADER), sized.memory.end(),
                           unsized.memory.begin() + sizeof(BITMAPINFOHEADER)));
  }
}

TEST_F(Picture, WideBitmapsArePaintedInBandsThatAgreeWithOnePicture) {
  const RECT rect = QuarterRect(3.0);
  doc->SetBeforePaint(NoteBand, 0);
  // 200 columns of a 200-wide bitmap: one band.
  bands.clear();
  Bitmap one(200, 150, 32);
  ASSERT_EQ(doc->PaintToDib(one.Info(), one.pixels.data(), rect), 1);
  ASSERT_EQ(bands.size(), 1u);
  // 2,400 pixels a row: 9,600 bytes, 32 rows a band.
  bands.clear();
  Bitmap wide(2400, 150, 32);
  RECT narrow = rect;
  narrow.right = narrow.left + 200;
  ASSERT_EQ(doc->PaintToDib(wide.Info(), wide.pixels.data(), narrow), 1);
  ASSERT_EQ(bands.size(), 5u);
  EXPECT_EQ(bands[0].bottom - bands[0].top, 32);
  EXPECT_EQ(bands[4].bottom - bands[4].top, 150 - 4 * 32);
  for (int y = 0; y < 150; ++y)
    ASSERT_EQ(std::memcmp(one.Row(y), wide.Row(y), 200 * 4), 0) << "row " << y;
  // Too wide for 4 rows of the memory image: bands of 8.
  bands.clear();
  Bitmap wider(26000, 20, 32);
  ASSERT_EQ(doc->PaintToDib(wider.Info(), wider.pixels.data(), narrow), 1);
  ASSERT_EQ(bands.size(), 3u);
  EXPECT_EQ(bands[0].bottom - bands[0].top, 8);
  for (int y = 0; y < 20; ++y) ASSERT_EQ(std::memcmp(one.Row(y), wider.Row(y), 200 * 4), 0);
  // The memory image is as it was.
  EXPECT_EQ(PaintContext.PictureHeight, 240);
  EXPECT_EQ(PaintContext.Stride, 1280);
  ASSERT_NE(PaintContext.MaskBits, nullptr);
}

// The memory image remade at width x height (the display's size when
// smaller: the size it has between the tests).
void SizeMemoryImage(int width, int height) {
  FreePaintDib();
  ASSERT_EQ(AllocPaintDib(width, height, 4), 0);
}

// Bitmaps painted in bands hold what the whole picture holds, whatever
// their width: solid, hatched and two-colour pattern fills and the road,
// on the memory-image types (in colour and in one colour) and on the
// device types.
TEST_F(Picture, BandsAtAnyWidthHoldTheWholePicture) {
  // A square drawn by its own layered pattern,
  // between the lake and the field.
  TObjectInfo square;
  ASSERT_TRUE(square.CreateObject(doc, 1, 0, 1));
  ASSERT_TRUE(square.RegisterDrawObject(0, LOCAL_SQUARE));
  const double x = doctest::kSheetX, y = doctest::kSheetY;
  for (auto [px, py] : doctest::PlanePoints{{x + 3000, y + 3000},
                                            {x + 6500, y + 3000},
                                            {x + 6500, y + 6000},
                                            {x + 3000, y + 6000},
                                            {x + 3000, y + 3000}}) {
    doc->PlaneToMap(px, py);
    ASSERT_TRUE(square.Metric.AppendPointSubject(0, px - doc->ViewPosition(1)->X,
                                                 py - doc->ViewPosition(1)->Y));
  }
  // One purple layer of checks, 8 mm tiles.
  DWORD pattern[39] = {0xFFFF, 152, 1, 8000, 0, 0, 0x800080};
  for (int row = 0; row < 32; ++row) pattern[7 + row] = row % 8 < 4 ? 0x0F0F0F0F : 0xF0F0F0F0;
  ASSERT_TRUE(
      square.Draw.AppendElement(PRIM_LAYERED_PATTERN, reinterpret_cast<const char*>(pattern)));
  ASSERT_TRUE(square.Commit());

  // The sheet 800 pixels across; rows across the field, the square and
  // the lake.
  doc->SetViewScale(6.0);
  double left = x + 7200, top = y - 200;  // the column of Y and the row of X
  doc->PlaneToPicture(left, top);
  const int height = 300;
  for (int type : {1, 2, 3, 4}) {
    doc->SetVisualType(type);
    for (int width : {300, 333, 370, 400, 420, 424, 432, 440, 512, 577, 800, 1001, 1216, 1600})
      for (int offset : {0, 13}) {
        const RECT rect{LONG(left) + offset, LONG(top) + offset, LONG(left) + offset + width,
                        LONG(top) + offset + height};
        doctest::Picture whole;
        if (type < 3) {
          SizeMemoryImage(width, height);
          whole = doctest::PaintPicture(doc, rect);
          SizeMemoryImage(320, 240);
        } else {
          doctest::MemoryDevice device(width, height);
          ASSERT_EQ(doc->Paint95(device.dc, 1, rect), 1);
          whole = doctest::GrabDc(device.dc);
        }
        ASSERT_EQ(whole.width, width);
        Bitmap banded(width, height, 32);
        ASSERT_EQ(doc->PaintToDib(banded.Info(), banded.pixels.data(), rect), 1);
        int differ = 0;
        POINT first{-1, -1};
        doctest::Picture got = whole;
        for (int row = 0; row < height; ++row)
          for (int col = 0; col < width; ++col) {
            got.pixels[size_t(row) * width + col] = banded.Pixel32(col, row) & 0xFFFFFF;
            if (got.At(col, row) != whole.At(col, row) && differ++ == 0) first = POINT{col, row};
          }
        if (differ != 0 || (width == 424 && offset == 13)) {
          const std::string name = "picture_bands_" + std::to_string(type) + "_" +
                                   std::to_string(width) + "_" + std::to_string(offset);
          doctest::WritePng(whole, Tmp((name + "_whole.png").c_str()));
          doctest::WritePng(got, Tmp((name + "_banded.png").c_str()));
        }
        EXPECT_EQ(differ, 0) << "type " << type << ", width " << width << ", offset " << offset
                             << ", first at " << first.x << "," << first.y << ": "
                             << whole.At(first.x, first.y) << " " << got.At(first.x, first.y);
      }
  }
  doc->SetVisualType(1);
}

TEST_F(Picture, RectanglesAreCutAndBadBitmapsRefused) {
  const RECT rect = QuarterRect(3.0);
  // A rectangle wider than the bitmap is cut to it.
  Bitmap whole(200, 100, 32), cut(120, 100, 32);
  ASSERT_EQ(doc->PaintToDib(whole.Info(), whole.pixels.data(), rect), 1);
  ASSERT_EQ(doc->PaintToDib(cut.Info(), cut.pixels.data(), rect), 1);
  for (int y = 0; y < 100; ++y) ASSERT_EQ(std::memcmp(whole.Row(y), cut.Row(y), 120 * 4), 0);
  // An empty rectangle, another bit count, a header claiming more than
  // its buffer holds, a bitmap of no rows.
  const RECT flat{rect.left, rect.top, rect.right, rect.top};
  EXPECT_EQ(doc->PaintToDib(whole.Info(), whole.pixels.data(), flat), 0);
  Bitmap odd(200, 100, 12, 800);
  EXPECT_EQ(doc->PaintToDib(odd.Info(), odd.pixels.data(), rect), 0);
  Bitmap short32(200, 100, 32);
  short32.Info()->biSizeImage -= 4;
  EXPECT_EQ(doc->PaintToDib(short32.Info(), short32.pixels.data(), rect), 0);
  short32.Info()->biHeight = 0;
  EXPECT_EQ(doc->PaintToDib(short32.Info(), short32.pixels.data(), rect), 0);
  EXPECT_EQ(doc->PaintToDib(nullptr, whole.pixels.data(), rect), 0);
  std::vector<char> image(16);
  RGBQUAD table[256];
  EXPECT_EQ(doc->PaintToImage256(table, image.data(), 4, 4, flat), 0);
  EXPECT_EQ(doc->PaintToImage256(nullptr, image.data(), 4, 4, rect), 0);
  EXPECT_EQ(docPaintToDib(HandleOf(doc), whole.Info(), whole.pixels.data(), nullptr), 0);
  EXPECT_EQ(docPaintToImage(0, table, image.data(), 4, 4, &rect), 0);
}

// The acceptance picture: the map over a raster as a 256-colour image,
// every index the one the linear scan gives its colour.
TEST_F(Picture, MapOverRasterAs256Colours) {
  OpenRaster();
  const RECT rect = QuarterRect(3.0);
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
  Bitmap truth(w, h, 32);
  ASSERT_EQ(doc->PaintToDib(truth.Info(), truth.pixels.data(), rect), 1);
  RGBQUAD table[256];
  std::vector<uint8_t> image(size_t(w) * h);
  ASSERT_EQ(docPaintToImage(HandleOf(doc), table, reinterpret_cast<char*>(image.data()), w, h,
                            &rect),
            1);
  ASSERT_TRUE(doctest::WritePalettePng(image.data(), w, h, table, Tmp("map_over_raster_256.png")));
  int exact = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = truth.Pixel32(x, y);
      const int index = image[size_t(y) * w + x];
      ASSERT_EQ(index, NearestEntry(table, p)) << x << "," << y;
      exact += ColourOf(table[index]) == ((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16);
    }
  // The road's red is no colour of the map's palette: it takes the cube's
  // red; the wells are black.
  auto at = [&](double px, double py) {
    doc->PlaneToPicture(px, py);
    return ColourOf(table[image[size_t(LONG(py) - rect.top) * w + (LONG(px) - rect.left)]]);
  };
  EXPECT_EQ(at(doctest::kSheetX + 2750, doctest::kSheetY + 2250), 0x0000D5u);
  EXPECT_EQ(at(doctest::kSheetX + 2000, doctest::kSheetY + 2500), 0u);
  EXPECT_GT(exact, w * h / 20);
  EXPECT_LT(exact, w * h);
}

// ---------------------------------------------------------------------------
// Metafiles

// The metafile's header.
bool ReadHeader(const std::vector<uint8_t>& bytes, plat::gdi::EmrHeader* header) {
  if (bytes.size() < sizeof *header) return false;
  std::memcpy(header, bytes.data(), sizeof *header);
  return header->dSignature == plat::gdi::kEmfSignature;
}

METAFILEBUILDPARM CentreParm(int type) {
  METAFILEBUILDPARM p{};
  // Across the lake's eastern shore.
  p.CenterX = LONG(doctest::kSheetX + 4000);
  p.CenterY = LONG(doctest::kSheetY + 6500);
  p.Width = 200;
  p.Height = 100;
  p.Scale = 10000;
  p.VisualType = BYTE(type);
  return p;
}

TEST_F(Picture, MetafileOfACentreReplaysToTheSameFrame) {
  OpenRaster();
  doc->SetViewScale(0.37);
  const double zoom = doc->DrawScale;
  const LONG shown = doc->ShowScale;
  const int intensity = doc->FillIntensity;
  const std::string emf = Tmp("picture_centre.emf");
  const METAFILEBUILDPARM parm = CentreParm(3);
  ASSERT_EQ(docPaintToEmf(HandleOf(doc), emf.c_str(), &parm), 1);
  EXPECT_EQ(doc->DrawScale, zoom);
  EXPECT_EQ(doc->VisualType, 1);
  EXPECT_EQ(doc->FillIntensity, intensity);

  std::vector<uint8_t> bytes;
  ASSERT_TRUE(plat::gdi::ReadFileBytes(emf.c_str(), &bytes));
  plat::gdi::EmrHeader header;
  ASSERT_TRUE(ReadHeader(bytes, &header));
  // 200 x 100 mm at 96 dots per inch, marked from (0, 0) to (w, h).
  EXPECT_EQ(header.rclBounds.left, 0);
  EXPECT_EQ(header.rclBounds.top, 0);
  EXPECT_NEAR(header.rclBounds.right, 200 / 25.4 * 96, 1.5);
  EXPECT_NEAR(header.rclBounds.bottom, 100 / 25.4 * 96, 1.5);
  const int w = header.rclBounds.right, h = header.rclBounds.bottom;

  doctest::MemoryDevice replay(w + 1, h + 1), direct(w + 1, h + 1);
  ASSERT_TRUE(plat::gdi::PlayMetaFile(replay.dc, bytes));
  // The same frame painted straight onto a bitmap at the metafile's scale.
  doc->SetViewScale(zoom * 96.0 / (GetScreenPixelsPerMeterV() * 0.0254) * shown / 10000);
  // 1,000 m along X, 2,000 m along Y.
  double x1 = parm.CenterX - 500.0, y1 = parm.CenterY - 1000.0;
  double x2 = parm.CenterX + 500.0, y2 = parm.CenterY + 1000.0;
  doc->PlaneToPicture(x1, y1);
  doc->PlaneToPicture(x2, y2);
  const RECT rect{LONG(std::floor(x1)), LONG(std::floor(y2)), LONG(std::ceil(x2)),
                  LONG(std::ceil(y1))};
  EXPECT_EQ(rect.right - rect.left, w);
  EXPECT_EQ(rect.bottom - rect.top, h);
  doc->SetVisualType(3);
  const int old = doc->SetFillIntensity(50);
  ASSERT_EQ(doc->PaintDevice(direct.dc, 1, rect, nullptr, 0, nullptr), 1);
  doc->SetFillIntensity(old);
  doc->SetVisualType(1);
  const doctest::Picture played = doctest::GrabDc(replay.dc), painted = doctest::GrabDc(direct.dc);
  doctest::WritePng(played, Tmp("picture_metafile_replay.png"));
  doctest::WritePng(painted, Tmp("picture_metafile_direct.png"));
  // The device types paint the vector data: the lake, its blue half way
  // to white at fill intensity 50. The extent is marked at (0, 0), where
  // the shore is, and at (w, h).
  int differ = 0, lake = 0, shore = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (x == 0 && y == 0) continue;
      differ += played.At(x, y) != painted.At(x, y);
      lake += played.At(x, y) == 0x7F7FFF;
      shore += played.At(x, y) == 0xFFFFFF;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(lake, w * h / 5);
  EXPECT_GT(shore, w * h / 5);
  EXPECT_EQ(played.At(0, 0), 0u);
  EXPECT_EQ(played.At(w, h), 0u);
}

TEST_F(Picture, MetafileWithFrameConvertsToSvg) {
  doc->SetViewScale(0.37);
  METAFILEBUILDPARMEX parm{};
  parm.X1 = doctest::kSheetX + 1000;
  parm.Y1 = doctest::kSheetY + 1000;
  parm.X2 = doctest::kSheetX + 6000;
  parm.Y2 = doctest::kSheetY + 9000;
  parm.Scale = 50000;
  parm.VisualType = 6;
  parm.Frame = 1;
  const std::string emf = Tmp("picture_frame.emf"), svg = Tmp("picture_frame.svg");
  std::remove(svg.c_str());
  ASSERT_EQ(doc->PaintToEmfEx(emf.c_str(), &parm), 1);
  // The converter installed by scripts/install-deps.
  const std::string command = "emf2svg-conv -i '" + emf + "' -o '" + svg + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(svg);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(s.find("<svg"), std::string::npos);
  // The frame in black, the road in red, the lake filled at the
  // document's fill intensity (half way to white), not white.
  EXPECT_NE(s.find("stroke=\"#000000\""), std::string::npos) << s.substr(0, 2000);
  EXPECT_NE(s.find("stroke=\"#ff0000\""), std::string::npos);
  EXPECT_NE(s.find("fill=\"#7f7fff\""), std::string::npos);
  EXPECT_EQ(s.find("fill=\"#ffffff\""), std::string::npos);
}

// A metafile never replaces a file the document holds, also one it does
// not keep open at the moment (the files of a sheet it has closed).
TEST_F(Picture, NoMetafileIsWrittenOverAFileADocumentHolds) {
  METAFILEBUILDPARM parm = CentreParm(1);
  doc->CloseList(1);
  const std::string sheet = doc->NameHDR(1);
  const std::string map = dir.Read("map.map"), hdr = dir.Read(sheet);
  ASSERT_FALSE(map.empty());
  ASSERT_FALSE(hdr.empty());
  for (const std::string& name : {dir / "map.map", dir.path() + "./map.rsc", dir / sheet})
    EXPECT_EQ(doc->PaintToEmf(name.c_str(), &parm), 0) << name;
  EXPECT_EQ(dir.Read("map.map"), map);
  EXPECT_EQ(dir.Read(sheet), hdr);
}

// A frame corner that is no number or lies at infinity is refused before
// anything is written; the view stays as it was.
TEST_F(Picture, MetafileOfAFrameThatIsNoNumberIsRefused) {
  const double zoom = doc->DrawScale;
  const std::string emf = Tmp("nonumber.emf");
  for (const double bad : {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()}) {
    for (int corner = 0; corner < 4; ++corner) {
      METAFILEBUILDPARMEX parm{};
      double* at[4] = {&parm.X1, &parm.Y1, &parm.X2, &parm.Y2};
      parm.X1 = doctest::kSheetX + 1000;
      parm.Y1 = doctest::kSheetY + 1000;
      parm.X2 = doctest::kSheetX + 6000;
      parm.Y2 = doctest::kSheetY + 9000;
      parm.Scale = 50000;
      parm.VisualType = BYTE(corner % 2 ? 1 : 6);
      *at[corner] = bad;
      std::remove(emf.c_str());
      EXPECT_EQ(doc->PaintToEmfEx(emf.c_str(), &parm), 0) << corner << " " << bad;
      EXPECT_FALSE(std::ifstream(emf).good()) << corner << " " << bad;
      EXPECT_EQ(doc->DrawScale, zoom);
      EXPECT_EQ(doc->VisualType, 1);
    }
  }
}

TEST_F(Picture, MetafileFailuresLeaveTheDocumentAsItWas) {
  METAFILEBUILDPARM parm = CentreParm(1);
  EXPECT_EQ(doc->PaintToEmf(nullptr, &parm), 0);
  EXPECT_EQ(doc->PaintToEmf(Tmp("x.emf").c_str(), nullptr), 0);
  EXPECT_EQ(doc->PaintToEmf((dir / "no/such/folder.emf").c_str(), &parm), 0);
  // Every write of the file failed in turn: no file, or a whole one, and
  // the view as it was.
  const double zoom = doc->DrawScale;
  const std::string emf = dir / "sweep.emf";
  int result = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] { std::remove(emf.c_str()); };
  const int faults = sweep.Run([&] { result = doc->PaintToEmf(emf.c_str(), &parm); },
                               [&](const mctest::SweepRun& run) {
                                 std::vector<uint8_t> bytes;
                                 plat::gdi::EmrHeader header;
                                 const bool whole = plat::gdi::ReadFileBytes(emf.c_str(), &bytes) &&
                                                    ReadHeader(bytes, &header) &&
                                                    header.nBytes == bytes.size();
                                 EXPECT_EQ(result != 0, whole) << run;
                                 EXPECT_TRUE(result != 0 || bytes.empty()) << run;
                                 EXPECT_EQ(doc->DrawScale, zoom) << run;
                                 EXPECT_EQ(doc->VisualType, 1) << run;
                               });
  EXPECT_GE(faults, 2);
}

}  // namespace
