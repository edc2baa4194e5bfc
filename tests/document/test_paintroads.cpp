// The roads of painting: the road a device gets, painting over what a
// window shows, window pictures of the device painters and their bands,
// printing, one layer alone, legend samples and the callers' 32-bit and
// 8-bit images.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <cstring>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/docentries.h"
#include "document/viewentries.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"
#include "platform/file.h"
#include "platform/gdi/hostdc.h"
#include "platform/ui.h"
#include "support/docmap.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

namespace {

// A small display, so that pictures larger than the memory image are
// cheap to make.
const bool kSmallDisplay = (plat::gdi::SetDisplay(400, 300, 96, true), true);

constexpr uint32_t kWhite = 0xFFFFFF;

int NotWhite(const doctest::Picture& p) {
  return int(std::count_if(p.pixels.begin(), p.pixels.end(), [](uint32_t v) { return v != kWhite; }));
}

class PaintRoads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kSmallDisplay);
    MessageEnableSet(0);
    ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
    doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doctest::AppendScene(doc));
    h = HandleOf(doc);
    doc->SetBackGround(kWhite);
  }
  void TearDown() override {
    FreeDocument(doc);
    plat::SetWriteThroughEnabled(true);
    for (int k = 0; k < DOCKIND_COUNT; ++k) DocumentKinds[k] = DefaultDocumentKind(k);
    MessageEnableSet(1);
  }
  // The picture rectangle of the sheet at the current zoom.
  RECT SheetRect() {
    double left = doctest::kSheetX + doctest::kSheetSide, top = doctest::kSheetY;
    double right = doctest::kSheetX, bottom = doctest::kSheetY + doctest::kSheetSide;
    doc->PlaneToPicture(left, top);
    doc->PlaneToPicture(right, bottom);
    return RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  }
  void Save(const doctest::Picture& p, const char* name) {
    doctest::WritePng(p, std::string(MC_TEST_TMP) + "/" + name);
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
  HMAP h = 0;
};

LONG seenType = 0;
LONG WINAPI NoteType(intptr_t p) {
  seenType = reinterpret_cast<TMapAccess*>(p)->VisualType;
  return 0;
}

TEST_F(PaintRoads, PrinterWithMemoryImageTypePaintsAsDeviceType) {
  doc->SetViewScale(1.0);
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 500, 500, 96, 96);
  ASSERT_NE(printer, nullptr);
  doc->SetBreakCall(NoteType, reinterpret_cast<intptr_t>(doc));
  // The printer's picture is at its own resolution: the sheet is some 380
  // pixels across at 96 dots per inch.
  RECT rect{0, 0, 500, 500};
  ASSERT_EQ(docPaint(h, printer, 1, &rect), 1);
  EXPECT_EQ(seenType, 6);
  EXPECT_EQ(docGetViewType(h), 1);
  const doctest::Picture p = doctest::GrabDc(printer);
  Save(p, "printer_type1.png");
  EXPECT_GT(NotWhite(p), 1000);
  plat::DeleteDC(printer);
}

TEST_F(PaintRoads, EraseMinusTwoPaintsOverTheWindowPicture) {
  doc->SetViewScale(0.5);
  const RECT sheet = SheetRect();
  RECT rect{sheet.left + 20, sheet.top + 10, sheet.left + 180, sheet.top + 130};
  doctest::MemoryDevice window(300, 200);
  const RECT all{0, 0, 300, 200};
  FillDeviceRect(window.dc, &all, 0x00FFFF);  // yellow
  ASSERT_EQ(docPaint(h, window.dc, -2, &rect), 1);
  const doctest::Picture over = doctest::GrabDc(window.dc);
  Save(over, "erase_over.png");
  ASSERT_EQ(docPaint(h, window.dc, 1, &rect), 1);
  const doctest::Picture erased = doctest::GrabDc(window.dc);
  const doctest::Picture alone = doctest::PaintPicture(doc, rect);
  // The picture lands at the rectangle's place; what the map leaves empty
  // keeps the window's yellow, or the background when erased.
  int yellow = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
      const uint32_t map = alone.At(x - rect.left, y - rect.top);
      if (!inside) {
        ASSERT_EQ(over.At(x, y), 0xFFFF00u) << x << "," << y;
        continue;
      }
      ASSERT_EQ(erased.At(x, y), map) << x << "," << y;
      if (map == kWhite) {
        ASSERT_EQ(over.At(x, y), 0xFFFF00u) << x << "," << y;
        ++yellow;
      } else {
        ASSERT_EQ(over.At(x, y), map) << x << "," << y;
      }
    }
  EXPECT_GT(yellow, 1000);
  EXPECT_LT(yellow, 160 * 120 - 1000);
}

TEST_F(PaintRoads, WindowPictureLargerThanTheImageIsPaintedInBands) {
  doc->SetVisualType(6);
  doc->SetViewScale(5.5);
  // 2000 x 1400 pixels: bands of 666 rows, three of them.
  doctest::MemoryDevice big(2000, 1400);
  plat::gdi::EnableCallLog(big.dc, true);
  RECT rect{0, 0, 2000, 1400};
  ASSERT_EQ(docPaint95(h, big.dc, 1, &rect), 1);
  int bands = 0;
  for (const std::string& line : plat::gdi::CallLog(big.dc))
    bands += line.rfind("SetDIBitsToDevice", 0) == 0;
  EXPECT_EQ(bands, 3);
  const doctest::Picture whole = doctest::GrabDc(big.dc);
  Save(whole, "bands.png");
  EXPECT_GT(NotWhite(whole), 50000);
  // Tiles small enough for the second image give the same pixels.
  doctest::MemoryDevice tile(400, 280);
  int differ = 0;
  for (int ty = 0; ty < 5; ++ty)
    for (int tx = 0; tx < 5; ++tx) {
      RECT part{tx * 400, ty * 280, tx * 400 + 400, ty * 280 + 280};
      ASSERT_EQ(docPaint95(h, tile.dc, 1, &part), 1);
      const doctest::Picture p = doctest::GrabDc(tile.dc);
      for (int y = 0; y < 280; ++y)
        for (int x = 0; x < 400; ++x) differ += p.At(x, y) != whole.At(tx * 400 + x, ty * 280 + y);
    }
  EXPECT_EQ(differ, 0);
}

TEST_F(PaintRoads, PrintingMirrorsRestoresAndReportsFailedBands) {
  doc->SetViewScale(1.0);
  const LONG show = doc->ShowScale;
  PRINTPARM print{};
  print.Length = sizeof(PRINTPARM);
  print.Scale = show / 2;  // twice the size
  print.VisualType = 1;    // printed as a device type
  auto printed = [&](int mirror) {
    HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 900, 900, 96, 96);
    print.Mirror = BYTE(mirror);
    EXPECT_EQ(doc->Print(printer, RECT{0, 0, 850, 900}, &print), 1);
    doctest::Picture p = doctest::GrabDc(printer);
    plat::DeleteDC(printer);
    return p;
  };
  const doctest::Picture plain = printed(0), mirrored = printed(1);
  Save(plain, "print.png");
  EXPECT_EQ(doc->ShowScale, show);
  EXPECT_EQ(doc->VisualType, 1);
  EXPECT_GT(NotWhite(plain), 20000);
  const int width = 850;
  int differ = 0;
  for (int y = 0; y < 900; ++y)
    for (int x = 0; x < width; ++x) differ += plain.At(x, y) != mirrored.At(width - 1 - x, y);
  EXPECT_EQ(differ, 0);

  // A band whose bitmap cannot be made prints nothing and fails.
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes;
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 100, 100, 96, 96);
  EXPECT_EQ(doc->ShowDataDibToDevice(printer, RECT{0, 0, 30000000, 10}, 0), 0);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find("MapPrint Step1"), std::string::npos);
  EXPECT_EQ(NotWhite(doctest::GrabDc(printer)), 0);
  MessageEnableSet(0);
  EXPECT_EQ(doc->Print(nullptr, RECT{0, 0, 9, 9}, &print), 0);
  EXPECT_EQ(doc->Print(printer, RECT{0, 0, 9, 9}, nullptr), 0);
  plat::DeleteDC(printer);
}

TEST_F(PaintRoads, Dib32CopiesOnlyWhatFits) {
  doc->SetViewScale(0.5);
  const RECT rect = SheetRect();
  const doctest::Picture full = doctest::PaintPicture(doc, rect);
  ASSERT_GT(NotWhite(full), 1000);
  // 10 rows of 18 pixels, guarded on both sides.
  const int rows = 10, rowLength = 72, guard = 64;
  std::vector<unsigned char> buffer(rows * rowLength + 2 * guard, 0xAB);
  char* bits = reinterpret_cast<char*>(buffer.data()) + guard;
  ASSERT_EQ(doc->PaintDibToDib32(bits, rowLength, rows, rect), 1);
  for (int i = 0; i < guard; ++i) {
    ASSERT_EQ(buffer[i], 0xAB);
    ASSERT_EQ(buffer[buffer.size() - 1 - i], 0xAB);
  }
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < 18; ++x) {
      uint32_t v;
      std::memcpy(&v, bits + (rows - 1 - y) * rowLength + 4 * x, 4);
      ASSERT_EQ(v & 0xFFFFFF, full.At(x, y)) << x << "," << y;
    }
  EXPECT_EQ(doc->PaintDibToDib32(nullptr, rowLength, rows, rect), 0);
  EXPECT_EQ(doc->PaintDibToDib32(bits, 0, rows, rect), 0);
  EXPECT_EQ(doc->PaintDibToDib32(bits, rowLength, -1, rect), 0);
}

TEST_F(PaintRoads, EightBitImageHoldsTheNearestPaletteEntries) {
  doc->SetViewScale(0.5);
  const RECT rect = SheetRect();
  const doctest::Picture full = doctest::PaintPicture(doc, rect);
  const int width = full.width + 3, height = full.height;
  std::vector<char> image(size_t(width) * (height + 1), char(0x7F));
  ASSERT_EQ(doc->PaintDibToImage(image.data(), width, height, height - 5, rect, nullptr), 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const BYTE index = BYTE(image[size_t(y) * width + x]);
      if (y >= height - 5 || x >= full.width) {
        ASSERT_EQ(index, 0x7F) << x << "," << y;  // beyond what was asked or painted
        continue;
      }
      const uint32_t c = full.At(x, y);
      const COLORREF bgr = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16);
      int nearest = 0;
      for (int e = 1; e < doc->MapPalette.Count; ++e)
        if (ColorDistance(doc->MapPalette.Colors[e], bgr) <
            ColorDistance(doc->MapPalette.Colors[nearest], bgr))
          nearest = e;
      ASSERT_EQ(index, nearest) << x << "," << y;
    }
  EXPECT_EQ(doc->PaintObjectToImage(image.data(), width, height, height, rect, nullptr), 0);
  EXPECT_EQ(doc->PaintDibToImage(image.data(), 0, height, height, rect, nullptr), 0);
}

std::vector<std::string> units;

TEST_F(PaintRoads, OneLayerAlone) {
  doc->SetViewScale(0.5);
  DocumentKinds[DOCKIND_RST].ShowUnit = [](TMapControl* d, int n) {
    units.push_back("rst " + std::to_string(n) + " type " + std::to_string(d->VisualType));
    return 1;
  };
  DocumentKinds[DOCKIND_SITE].ShowUnit = [](TMapControl*, int n) {
    units.push_back("site " + std::to_string(n));
    return 1;
  };
  doc->SetVisualType(7);
  const RECT rect = SheetRect();
  doctest::MemoryDevice window(300, 300);
  EXPECT_EQ(doc->PaintRst(window.dc, 1, rect, 3, 0), 1);
  EXPECT_EQ(doc->PaintSite(window.dc, 1, rect, 2), 1);
  EXPECT_EQ(units, (std::vector<std::string>{"rst 3 type 1", "site 2"}));
  EXPECT_EQ(NotWhite(doctest::GrabDc(window.dc)), 0);
  // User map 0 is the main map.
  EXPECT_EQ(doc->PaintSite(window.dc, 1, rect, 0), 1);
  EXPECT_GT(NotWhite(doctest::GrabDc(window.dc)), 1000);
  EXPECT_EQ(doc->VisualType, 7);
  EXPECT_EQ(doc->PaintMtr(nullptr, 1, rect, 1, 0), 0);
}

std::vector<std::string> layers;

TEST_F(PaintRoads, WindowPictureLayersAndShadowPass) {
  for (int k : {DOCKIND_RST, DOCKIND_MTR, DOCKIND_MTQ, DOCKIND_MTL, DOCKIND_SITE})
    DocumentKinds[k].Show = [](TMapControl* d, int over) {
      layers.push_back(std::string(over ? "over" : "under") +
                       (d->MtrPalette.GetColorStyle() == -1 ? " shadow" : ""));
      return 1;
    };
  doc->SetVisualType(6);
  doc->SetViewScale(0.5);
  doc->MtrShadow = 1;
  doctest::MemoryDevice window(200, 200);
  RECT rect{0, 0, 200, 200};
  ASSERT_EQ(docPaint(h, window.dc, 1, &rect), 1);
  const std::vector<std::string> expected = {
      "under", "under", "under", "under", "under", "over", "over",
      "over",  "over",  "over",  "under shadow", "under shadow"};
  EXPECT_EQ(layers, expected);
  EXPECT_EQ(doc->MtrPalette.GetColorStyle(), 1);
  // Matrices under the colour style -1 lie in the shadow pass only.
  layers.clear();
  doc->MtrPalette.SetColorStyle(-1);
  doc->MtrShadow = 0;
  ASSERT_EQ(docPaint(h, window.dc, 1, &rect), 1);
  EXPECT_EQ(layers.size(), 6u);
  EXPECT_GT(NotWhite(doctest::GrabDc(window.dc)), 500);
}

TEST_F(PaintRoads, ShadingShowsInTheWindowPictureOfDevicePainters) {
  // Half as bright over the field's east edge and the bare ground east of
  // it (X north, Y east).
  const double x = doctest::kSheetX, y = doctest::kSheetY;
  ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_SHADE, LOCAL_SQUARE,
                                       {{x + 6000, y + 3000},
                                        {x + 9000, y + 3000},
                                        {x + 9000, y + 6500},
                                        {x + 6000, y + 6500},
                                        {x + 6000, y + 3000}}),
            0);
  doc->SetViewScale(1.0);
  const RECT sheet = SheetRect();
  ASSERT_LE(sheet.bottom, 300);  // within the memory image: the window road
  auto pixel = [&](const doctest::Picture& p, double px, double py) {
    doc->PlaneToPicture(px, py);
    return p.At(int(px), int(py));
  };
  for (int type : {6, 7, 11}) {
    SCOPED_TRACE(type);
    doc->SetVisualType(type);
    // The picture lands at its own place in the window.
    doctest::MemoryDevice window(sheet.right, sheet.bottom);
    ASSERT_EQ(docPaint(h, window.dc, 1, &sheet), 1);
    const doctest::Picture p = doctest::GrabDc(window.dc);
    if (type == 6) Save(p, "shading_window.png");
    EXPECT_EQ(pixel(p, x + 7500, y + 5500), 0x808080u);  // bare ground, shaded
    EXPECT_EQ(pixel(p, x + 7500, y + 7500), kWhite);     // bare ground
  }
}

TEST(ExampleZoom, HalfOnSmallAreas) {
  char sign[64] = {};
  auto word = [&](LONG v) {
    std::memcpy(sign + 48, &v, 4);
    return sign;
  };
  const struct {
    int width, height, code;
    LONG word48;
    float zoom;
  } cases[] = {{40, 100, 128, 0, 0.5f},    {49, 49, 128, 0, 1.0f},    {48, 100, 128, 0, 0.5f},
               {100, 48, 135, 0, 0.5f},    {40, 100, 149, 1999, 1.0f}, {40, 100, 149, 2000, 0.5f},
               {100, 100, 149, 5000, 1.0f}};
  for (const auto& c : cases)
    EXPECT_EQ(TMapPaint::ExampleZoom(c.width, c.height, c.code, word(c.word48)), c.zoom)
        << c.width << "x" << c.height << " code " << c.code;
}

TEST_F(PaintRoads, LegendSampleInItsRectangle) {
  // A red line of 1000 um from left of the rectangle across it.
  const DWORD line[2] = {0x0000FF, 1000};
  POINT points[2] = {{-30, 25}, {80, 25}};
  LONG counts[1] = {2};
  POLYDATA data{};
  data.Points = points;
  data.PolyCounts = counts;
  data.Count = 1;
  const char* parm = reinterpret_cast<const char*>(line);
  const RECT rect{50, 50, 110, 110};
  for (int type : {1, 6}) {
    doctest::MemoryDevice window(200, 200);
    doc->SetVisualType(type);
    PaintExampleSwitch = 7;
    EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 128, parm, &data), 1) << type;
    EXPECT_EQ(PaintExampleSwitch, 0);
    const doctest::Picture p = doctest::GrabDc(window.dc);
    Save(p, type == 1 ? "sample_dib.png" : "sample_device.png");
    int red = 0, outside = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x) {
        const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
        if (!inside) outside += p.At(x, y) != kWhite;
        if (inside) red += p.At(x, y) == 0xFF0000u;
      }
    EXPECT_EQ(outside, 0) << type;
    EXPECT_GT(red, 60) << type;
  }
  LONG none[1] = {0};
  data.PolyCounts = none;
  doctest::MemoryDevice window(200, 200);
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 128, parm, &data), 0);
  EXPECT_EQ(doc->PaintExampleObject(window.dc, rect, 128, nullptr, nullptr), 0);
}

// What a break callback sees of the context being painted: how often it is
// asked, and whether the context already shows something other than what
// it held before the painting.
struct StepWatch {
  HDC bitmap = nullptr;  // a host's bitmap of `rows` rows, white before
  LONG rows = 0;
  HWND window = nullptr;  // a window, black before
  int asked = 0;
  bool changed = false;
};

LONG WINAPI WatchStep(intptr_t p) {
  StepWatch& w = *reinterpret_cast<StepWatch*>(p);
  ++w.asked;
  if (w.bitmap != nullptr) {
    int stride = 0;
    const BYTE* bits = plat::BitmapDcBits(w.bitmap, &stride);
    for (int i = 0; i < stride * w.rows; i += 4) {
      uint32_t v;
      std::memcpy(&v, bits + i, 4);
      w.changed = w.changed || (v & 0xFFFFFF) != kWhite;
    }
  }
  if (w.window != nullptr) {
    RECT client{};
    plat::GetClientRect(w.window, &client);
    std::vector<uint32_t> pixels(size_t(client.right) * client.bottom);
    plat::ReadWindowPixels(w.window, reinterpret_cast<BYTE*>(pixels.data()), client.right * 4,
                           client.right, client.bottom);
    for (uint32_t v : pixels) w.changed = w.changed || (v & 0xFFFFFF) != 0;
  }
  return 0;
}

// A host's bitmap is seen only after mapPaint returns: it gets one copy of
// the memory image at the end, not one every 256 primitives, while the
// break callback is still asked at every step. A window still shows the
// picture as it grows.
TEST_F(PaintRoads, ABitmapGetsOneCopyWhileTheBreakCallbackIsAskedAtEachStep) {
  // The scene and some 600 short roads, a primitive each: two steps and more
  // (written without waiting for the disk).
  FreeDocument(doc);
  plat::SetWriteThroughEnabled(false);
  doc = doctest::CreateDocument(dir / "wells.map", dir / "map.rsc");
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doctest::AppendScene(doc));
  h = HandleOf(doc);
  doc->SetBackGround(kWhite);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> at(300, doctest::kSheetSide - 500);
  for (int i = 0; i < 600; ++i) {
    const double x = doctest::kSheetX + at(rng), y = doctest::kSheetY + at(rng);
    ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                         {{x, y}, {x + 150, y + 150}}),
              0);
  }
  plat::SetWriteThroughEnabled(true);
  doc->SetViewScale(1.0);
  const RECT rect = SheetRect();
  ASSERT_GT(rect.left, 0);
  ASSERT_LE(rect.right, 400);  // within the memory image
  ASSERT_LE(rect.bottom, 300);
  const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;

  for (int type : {1, 2}) {
    SCOPED_TRACE(type);
    doc->SetVisualType(type);
    // The picture of mapPaintToDib: bottom-up rows.
    std::vector<uint32_t> dib(size_t(width) * height);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biSizeImage = DWORD(dib.size() * 4);
    ASSERT_EQ(docPaintToDib(h, &info, reinterpret_cast<char*>(dib.data()), &rect), 1);

    // mapPaint puts the rectangle where it lies in the picture.
    StepWatch onBitmap;
    onBitmap.bitmap = plat::CreateBitmapDc(rect.right, rect.bottom, true);
    onBitmap.rows = rect.bottom;
    ASSERT_NE(onBitmap.bitmap, nullptr);
    doc->SetBreakCall(WatchStep, reinterpret_cast<intptr_t>(&onBitmap));
    ASSERT_EQ(docPaint(h, onBitmap.bitmap, 1, &rect), 1);
    EXPECT_FALSE(onBitmap.changed);
    const doctest::Picture p = doctest::GrabDc(onBitmap.bitmap);
    if (type == 1) Save(p, "bitmap_steps.png");
    int differ = 0, painted = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint32_t want = dib[size_t(height - 1 - y) * width + x] & 0xFFFFFF;
        differ += p.At(rect.left + x, rect.top + y) != want;
        painted += want != kWhite;
      }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(painted, 3000);
    plat::DeleteBitmapDc(onBitmap.bitmap);

    // A window of the same size: the same painting, asked as often, and
    // seen as it grows.
    StepWatch onWindow;
    onWindow.window = plat::CreateHostWindow(nullptr, nullptr, rect.right, rect.bottom);
    HDC dc = plat::GetDC(onWindow.window);
    ASSERT_NE(dc, nullptr);
    doc->SetBreakCall(WatchStep, reinterpret_cast<intptr_t>(&onWindow));
    ASSERT_EQ(docPaint(h, dc, 1, &rect), 1);
    EXPECT_TRUE(onWindow.changed);
    EXPECT_EQ(onBitmap.asked, onWindow.asked);
    EXPECT_GE(onWindow.asked, 11 + 2);  // before each of the eleven layers, and two steps
    doc->SetBreakCall(nullptr, 0);
    plat::ReleaseDC(onWindow.window, dc);
    plat::DestroyHostWindow(onWindow.window);
  }

  // One layer alone (the main map as user map 0) likewise.
  StepWatch layer;
  layer.bitmap = plat::CreateBitmapDc(width, height, true);
  layer.rows = height;
  doc->SetBreakCall(WatchStep, reinterpret_cast<intptr_t>(&layer));
  EXPECT_EQ(doc->PaintSite(layer.bitmap, 1, rect, 0), 1);
  EXPECT_GE(layer.asked, 2);
  EXPECT_FALSE(layer.changed);
  EXPECT_GT(NotWhite(doctest::GrabDc(layer.bitmap)), 3000);
  plat::DeleteBitmapDc(layer.bitmap);
  doc->SetBreakCall(nullptr, 0);
}

// An empty or reversed rectangle paints nothing and answers 0, whichever
// road the visual type and the device choose.
TEST_F(PaintRoads, AnEmptyOrReversedRectanglePaintsNothing) {
  doc->SetViewScale(0.5);
  const RECT sheet = SheetRect();
  const RECT rects[] = {{sheet.left, sheet.top, sheet.left, sheet.bottom},
                        {sheet.left, sheet.top, sheet.right, sheet.top},
                        {sheet.right, sheet.top, sheet.left, sheet.bottom},
                        {sheet.left, sheet.bottom, sheet.right, sheet.top}};
  for (int kind : {DT_RASDISPLAY, DT_PLOTTER, DT_RASPRINTER})
    for (int type : {1, 2, 4, 6})
      for (const RECT& r : rects)
        for (bool moved : {true, false}) {
          SCOPED_TRACE(testing::Message() << "kind " << kind << " type " << type << " rect "
                                          << r.left << "," << r.top << "," << r.right << ","
                                          << r.bottom << (moved ? " mapPaint" : " mapPaint95"));
          HDC dc = plat::CreateBitmapDc(400, 300, true);
          if (kind != DT_RASDISPLAY) plat::SetBitmapDcKind(dc, kind, 96, 96);
          doc->SetVisualType(type);
          RECT rect = r;
          EXPECT_EQ(moved ? docPaint(h, dc, 1, &rect) : docPaint95(h, dc, 1, &rect), 0);
          EXPECT_EQ(NotWhite(doctest::GrabDc(dc)), 0);
          EXPECT_EQ(doc->VisualType, type);
          plat::DeleteBitmapDc(dc);
        }
}

}  // namespace
