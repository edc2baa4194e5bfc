// Device painters and the device state of the painting document: device
// units and colours by device and intensity, hatch patterns, the exact
// calls each painter makes on a device, vector signs with their placement
// and their record bounds, the one-pixel device road against the memory
// image, and a picture written as a PNG file (devicepainters_picture.png
// in the tests' scratch folder) for a look by eye.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "devices/fontreg.h"
#include "devices/support/devcanvas.h"
#include "drawing/deviceline.h"
#include "drawing/devicepainters.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/pendingpainters.h"
#include "drawing/support/devicecalls.h"
#include "drawing/visibility.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"
#include "support/textcalls.h"

namespace {

using Calls = std::vector<std::string>;
using devicecalls::Recorder;
using dibtest::Poly;
using dibtest::Words;

using devtest::Canvas;

// The painting document with its global state put back after each test.
class DevicePainters : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = std::make_unique<TPaintMetric>();
    doc->SetPaintSize(100, 100);
    ResetPendingCalls();
  }
  void TearDown() override {
    PaintColorState = {};
    DevicePaintState = {DT_RASDISPLAY, 0, 0};
  }
  void Paint(int code, POLYDATA* data, const std::vector<char>& parm, float scale = 1.0f) {
    DevicePainterTable[0][code](doc.get(), data, parm.data(), scale);
  }
  template <class T>
  static T Kept() {
    T v;
    std::memcpy(&v, PendingDeviceRecord(), sizeof(v));
    return v;
  }
  std::unique_ptr<TPaintMetric> doc;
};

TEST_F(DevicePainters, DeviceUnitsByDevice) {
  EXPECT_DOUBLE_EQ(doc->Ratio, 250.0);
  EXPECT_EQ(doc->FillIntensity, 50);
  EXPECT_EQ(doc->LineColors[255], 0xFFFFFFFFu);
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 100, 100, 600, 600);
  doc->SetPaintDevice(printer);
  EXPECT_EQ(DevicePaintState.Technology, DT_RASPRINTER);
  EXPECT_EQ(doc->DeviceUnits(254), 6);  // trunc(254 x 600 / 25400 + 0.3)
  EXPECT_NEAR(doc->GetDeviceScaleX(), 600 / 0.0254, 1e-6);
  EXPECT_DOUBLE_EQ(doc->Ratio, 6.25);
  EXPECT_EQ(doc->RatioUnits(1.0f), 6);
  EXPECT_EQ(doc->RatioUnits(1e9f), 65000);
  EXPECT_DOUBLE_EQ(doc->TextFactor100, 600 / 254.0);
  doc->RestorePaintDevice();
  EXPECT_EQ(doc->PaintDc, nullptr);
  EXPECT_DOUBLE_EQ(doc->PixelsPerMicronH, 1.0 / 250);
  EXPECT_DOUBLE_EQ(doc->Ratio, 250.0);
  doc->SetPaintDevice(printer, 300.0, 150.0);
  EXPECT_DOUBLE_EQ(doc->PixelsPerMicronV, 150.0 / 25400);
  EXPECT_DOUBLE_EQ(doc->Ratio, 6.25);  // its own LOGPIXELSY
  plat::DeleteDC(printer);

  Canvas display(8, 8);
  doc->SetPaintDevice(display.dc);
  EXPECT_EQ(DevicePaintState.Technology, DT_RASDISPLAY);
  EXPECT_DOUBLE_EQ(doc->PixelsPerMicronH, GetScreenPixelsPerMeterH() * 1e-6);
  EXPECT_DOUBLE_EQ(doc->Ratio, 1.0);
  doc->SetPaintDevice(display.dc, 254.0, 254.0);
  EXPECT_DOUBLE_EQ(doc->PixelsPerMicronH, 0.01);
  EXPECT_DOUBLE_EQ(doc->Ratio, 0.01 / (GetScreenPixelsPerMeterH() * 1e-6));
  EXPECT_EQ(doc->RatioUnits(2.6f), 3);  // a display takes f as it is
  SIZE old{};
  doc->SetPaintSize(320, 200, &old);
  EXPECT_EQ(DevicePaintState.Width, 320);
  EXPECT_EQ(DevicePaintState.Height, 200);
}

TEST_F(DevicePainters, ColoursByIntensity) {
  EXPECT_EQ(doc->FillColor(0x0000FF), 0x7F7FFFu);  // intensity 50: (255, 127, 127)
  EXPECT_EQ(doc->LineColor(0x0000FF), 0x0000FFu);
  EXPECT_EQ(doc->FillColor(0), 0u);
  const COLORREF colours[4] = {0x0000FF, 0, 0xFAFAFA, 0x102030};
  doc->SetPaintPalette(4, colours, 100);  // fills keep their colours
  EXPECT_EQ(doc->FillColor(0xF0000000), 0x0000FFu);
  EXPECT_EQ(doc->FillColor(0x00FF00), 0x00FF00u);
  EXPECT_EQ(doc->LineColor(0xF0000003), 0x102030u);
  doc->SetPaintPalette(4, colours, 150);  // halfway again, colour 0 is none
  EXPECT_EQ(doc->FillPaletteColor(0), 0x7F7FFFu);
  EXPECT_EQ(doc->PaletteColor(1), 0xFFFFFFFFu);
  doc->SetPaintPalette(4, colours, -2);
  EXPECT_EQ(doc->LineColor(0xFAFAFA), 0u);  // R + G + B = 750: black
  EXPECT_EQ(doc->LineColor(0xFBFAFA), 0xFFFFFFu);
  EXPECT_EQ(doc->FillColor(0x000001), 0xFFFFFFu);
  EXPECT_EQ(doc->PaletteColor(2), 0u);
  EXPECT_EQ(doc->FillPaletteColor(3), 0xFFFFFFu);
  doc->SetPaintPalette(4, colours, -4);
  EXPECT_EQ(doc->PaletteColor(2), 0xFFFFFFu);
  EXPECT_EQ(doc->FillColor(0xFFFFFF), 0u);
  doc->SetPaintPalette(4, colours, -1);  // the saved intensity, 50
  EXPECT_EQ(doc->GetFillIntensity(), 50);
  EXPECT_EQ(doc->SetFillIntensity(80), 50);
  doc->ForcedColor = 0x00ABCD;
  EXPECT_EQ(doc->FillColor(0xF0000001), 0x00ABCDu);
  EXPECT_EQ(doc->PaletteColor(9), 0x00ABCDu);
}

TEST_F(DevicePainters, HatchPairsAndPatterns) {
  const struct {
    int w, h, pw, ph;
  } cases[] = {{2, 4, 3, 5}, {1, 9, 1, 15}, {9, 1, 8, 8}, {7, 6, 7, 9},
               {0, 0, 1, 1}, {15, 15, 8, 8}, {10, 8, 5, 3}, {40, -3, 8, 8}};
  for (const auto& c : cases) {
    int w = c.w, h = c.h;
    HatchPair(&w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.pw, c.ph)) << c.w << "," << c.h;
    EXPECT_EQ(32 % (w + h), 0);
  }
  BYTE p[MARK_BYTES];
  ASSERT_EQ(MakeHatchPattern(HATCH_HORIZONTAL, 3, 5, p), 1);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[4 * 2 + 3], 0xFF);
  EXPECT_EQ(p[4 * 3], 0);
  EXPECT_EQ(p[4 * 8], 0xFF);
  ASSERT_EQ(MakeHatchPattern(HATCH_VERTICAL, 3, 5, p), 1);
  EXPECT_EQ(p[0], 0xE0);  // leftmost three pixels
  EXPECT_EQ(p[1], 0xE0);
  EXPECT_EQ(p[4 * 31 + 3], 0xE0);
  ASSERT_EQ(MakeHatchPattern(HATCH_GRID, 1, 1, p), 1);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[4], 0xAA);
  EXPECT_EQ(MakeHatchPattern(4, 1, 1, p), 0);
  EXPECT_EQ(p[0], 0);
}

TEST_F(DevicePainters, LinesFillsAndCirclesAsDeviceCalls) {
  Recorder rec;
  Poly line({{{10, 10}, {30, 10}}});
  Paint(PRIM_LINE, line.get(), Words({0x0000FF, 250}));
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "line 2 10,10 30,10"}));
  // Inside a set after a line, lines take the fill colour.
  PaintInsideSet = 1;
  Paint(PRIM_LINE, line.get(), Words({0x0000FF, 250}));
  PaintInsideSet = 0;
  EXPECT_EQ(rec.Take()[0], "pen 1 7F7FFF");

  Poly square({{{0, 0}, {4, 0}, {4, 4}, {0, 0}}});
  Paint(PRIM_SQUARE, square.get(), Words({0x00FF00}));
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 7FFF7F", "brush 7FFF7F", "area 0,0 4,0 4,4 0,0"}));
  Paint(PRIM_SQUARE, square.get(), Words({0xFFFFFFFF}));
  EXPECT_TRUE(rec.Take().empty());
  // Block 1 draws fills as one-pixel outlines in the line colour.
  DevicePainterTable[1][PRIM_SQUARE](doc.get(), square.get(), Words({0x00FF00}).data(), 1.0f);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 4 0,0 4,0 4,4 0,0"}));

  doc->SetPaintSize(100, 100);
  Poly at({{{50, 50}}});
  Paint(PRIM_CIRCLE, at.get(), Words({0x0000FF, 0, 500}));  // radius 2, filled
  Calls c = rec.Take();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[2].substr(0, 21), "area 50,52 51,52 52,5");
  Paint(PRIM_CIRCLE, at.get(), Words({0x0000FF, 125, 1000}), 2.0f);  // radius 8, a line
  c = rec.Take();
  ASSERT_EQ(c.size(), 48u);  // the pen and a segment between each two of 48 points
  EXPECT_EQ(c[1], "line 2 50,58 51,58");
  Poly far({{{-9, 50}}});
  Paint(PRIM_CIRCLE, far.get(), Words({0x0000FF, 0, 2000}));  // reaches x = -1 only
  Paint(PRIM_CIRCLE, at.get(), Words({0x0000FF, 0, 249}));    // radius 0
  EXPECT_TRUE(rec.Take().empty());
}

TEST_F(DevicePainters, PrinterLinesAreWideBands) {
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 100, 100, 600, 600);
  doc->SetPaintDevice(printer);
  PaintContext.ImageWidth = PaintContext.ImageHeight = 100;
  Recorder rec;
  Poly line({{{10, 10}, {30, 10}}});
  Paint(PRIM_LINE, line.get(), Words({0x0000FF, 254}));  // exactly 6 pixels
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "brush 0000FF",
                               "area 10,13 10,13 10,7 30,7 30,13 10,13"}));
  PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
  doc->RestorePaintDevice();
  plat::DeleteDC(printer);
}

TEST_F(DevicePainters, HandOffsGetConvertedRecords) {
  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 100, 100, 600, 600);
  doc->SetPaintDevice(printer);
  Poly line({{{10, 10}, {30, 10}}});
  // A dashed line at scale 0.5 keeps its dash and gap and halves its width.
  Paint(PRIM_DOT, line.get(), Words({0x0000FF, 508, 2540, 1270}), 0.5f);
  EXPECT_EQ(DeviceLineState.Thickness, 6);
  EXPECT_EQ(DeviceLineState.Dash, 60);
  EXPECT_EQ(DeviceLineState.Gap, 30 + 1);  // the walker counts the gap's end pixel

  Paint(PRIM_HATCH, line.get(), Words({0x0000FF, HATCH_HORIZONTAL, 500, 1000}));
  auto fill = Kept<DEVICEPATTERNFILL>();
  EXPECT_EQ(fill.Stagger, 0xFFFF);
  EXPECT_EQ(fill.CellSize, 200);  // 32 x 6.25
  EXPECT_EQ(fill.Pattern[4 * 2], 0xFF);  // (2, 4) became (3, 5)
  EXPECT_EQ(fill.Pattern[4 * 3], 0);
  Paint(PRIM_HATCH, line.get(), Words({0x0000FF, 9, 500, 1000}));
  EXPECT_EQ(PendingCalls("PaintDevicePatternFill"), 1);

  std::vector<DWORD> layered = {0x03020001, 24 + 2 * 132 - 4, 2, 254, 508, 762};
  for (int layer = 0; layer < 2; ++layer) {
    layered.push_back(0x0000FF << (8 * layer));
    for (int row = 0; row < 32; ++row) layered.push_back(layer == 0 ? 0xFF : 0xFF00);
  }
  std::vector<char> parm(layered.size() * 4);
  std::memcpy(parm.data(), layered.data(), parm.size());
  Paint(PRIM_LAYERED_PATTERN, line.get(), parm);
  EXPECT_EQ(PendingCalls("PaintDevicePatternFill"), 3);
  fill = Kept<DEVICEPATTERNFILL>();
  EXPECT_EQ(fill.Stagger, 1);
  EXPECT_EQ(fill.Boundary, 2);
  EXPECT_EQ(fill.Weight, 3);
  EXPECT_EQ(fill.Color, 0x00FF00u);
  EXPECT_EQ(fill.CellSize, 6);
  EXPECT_EQ(fill.StepV, 12);
  EXPECT_EQ(fill.StepH, 18);
  SetParmWord(parm.data(), 1, 100);  // a record too short for its layers paints none
  Paint(PRIM_LAYERED_PATTERN, line.get(), parm);
  EXPECT_EQ(PendingCalls("PaintDevicePatternFill"), 3);

  // The text front ends hand the text engine heights in device pixels
  // and device colours: 2540 micrometres at scale 0.5 on 600 dpi are 30
  // pixels; the shadow comes before the glyphs, and there is no box.
  char name[] = "\x01" "A";
  Poly label({{{10, 10}, {30, 10}}});
  label.texts[0] = name + 1;
  label.Refresh();
  std::vector<char> text = Words({0x0000FF, 0xFFFFFFFF, 0x00FF00, 2540, 400, 0, 0, 0});
  {
    textcalls::Capture host;
    Paint(PRIM_TEXT, label.get(), text, 0.5f);
    const auto shapes = host.Take();
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].Color, 0x00FF00u);
    EXPECT_EQ(shapes[1].Color, 0x0000FFu);
    EXPECT_EQ(shapes[1].Font.lfHeight, GetMapFontHeightByCharHeight(0, 30));
    // A fitted text gets no height: font 0 measures nothing, so it is
    // too small to read and shows as a dotted line.
    text[31] = 1;
    Paint(PRIM_TEXT, label.get(), text, 0.5f);
    EXPECT_TRUE(host.Of('t').empty());
  }
  {
    // A font sign at least 5 pixels high; its box distances in pixels
    // (2540 micrometres: 60) frame it while the device draws with R2_NOT.
    textcalls::Capture host;
    std::vector<char> sign(92);
    SetParmWord(sign.data(), 1, 0xFFFFFFFF);
    SetParmWord(sign.data(), 2, 0xFFFFFFFF);
    SetParmWord(sign.data(), 3, 100);
    SetParmWord(sign.data(), 18, 2540);
    Paint(PRIM_FONT_SIGN, line.get(), sign);
    ASSERT_EQ(host.Of('t').size(), 1u);
    EXPECT_EQ(host.Of('t')[0].Font.lfHeight, 5);
    plat::SetROP2(printer, R2_NOT);
    Paint(PRIM_FONT_SIGN, line.get(), sign);
    plat::SetROP2(printer, R2_COPYPEN);
    ASSERT_EQ(host.Of('l').size(), 1u);
    EXPECT_EQ(host.Of('l')[0].Points[0].x, 10 + 60);
  }

  std::vector<DWORD> mark = {20 + 132, 1, 2540, 254, 508, 0x0000FF};
  mark.resize(mark.size() + 32, 0x80000000);
  std::vector<char> marks(mark.size() * 4);
  std::memcpy(marks.data(), mark.data(), marks.size());
  Paint(PRIM_BITMAP, line.get(), marks, 1.5f);
  const auto layer = Kept<MARKLAYER>();
  EXPECT_EQ(layer.Size, 90);  // a printer takes the scale as it is
  EXPECT_EQ(layer.OffsetV, 9);
  EXPECT_EQ(layer.OffsetH, 18);
  EXPECT_EQ(layer.Bits[0], 0x00);  // row words as stored
  float f;
  std::memcpy(&f, PendingDeviceRecord() + sizeof(MARKLAYER), sizeof(f));
  EXPECT_NEAR(f, 2540 * 600 / 25400.0 * 1.5 / 32, 1e-4);
  doc->RestorePaintDevice();
  plat::DeleteDC(printer);
}

// --- Vector signs ---

// A vector sign record: head, then subjects.
struct Sign {
  std::vector<char> bytes = std::vector<char>(sizeof(IMGVECTOREX));
  DWORD count = 0;
  explicit Sign(LONG along = 0, LONG across = 0) {
    IMGVECTOREX head{};
    head.AnchorX = along, head.AnchorY = across;
    head.Base = 1000;
    head.ScaleX[1] = head.ScaleX[2] = head.ScaleY[1] = head.ScaleY[2] = 1000;
    std::memcpy(bytes.data(), &head, sizeof(head));
  }
  Sign& Subject(int kind, int code, std::vector<DWORD> parm, std::vector<POINT> points) {
    const IMGVECTSUBJECT head{BYTE(kind), BYTE(code), WORD(parm.size() * 4)};
    Append(&head, sizeof(head));
    Append(parm.data(), parm.size() * 4);
    const DWORD n = DWORD(points.size());
    Append(&n, 4);
    Append(points.data(), points.size() * 8);
    ++count;
    return *this;
  }
  Sign& Flag(int byte, BYTE value) {
    bytes[40 + byte] = char(value);
    return *this;
  }
  // The record with its length and count (or the ones given).
  std::vector<char> Done(DWORD length = 0, DWORD subjects = 0) {
    const DWORD l = length ? length : DWORD(bytes.size()), c = subjects ? subjects : count;
    std::memcpy(bytes.data(), &l, 4);
    std::memcpy(bytes.data() + 52, &c, 4);
    return bytes;
  }
  void Append(const void* p, size_t n) {
    bytes.insert(bytes.end(), static_cast<const char*>(p), static_cast<const char*>(p) + n);
  }
};

class VectorSigns : public DevicePainters {
 protected:
  void SetUp() override {
    DevicePainters::SetUp();
    doc->SetPaintDevice(canvas.dc, 25400.0, 25400.0);  // one pixel per micrometre
    doc->SetPaintSize(100, 100);
  }
  Canvas canvas{100, 100};
  Recorder rec;
};

TEST_F(VectorSigns, PlacedAtEachPartAndTurned) {
  const std::vector<char> sign =
      Sign().Subject(0, PRIM_LINE, {0x00FF00, 0}, {{0, 0}, {20, 10}}).Done();
  Poly right({{{50, 50}, {80, 50}}});
  Paint(PRIM_VECTOR, right.get(), sign);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 50,50 70,60"}));
  Poly down({{{50, 50}, {50, 80}}});
  Paint(PRIM_VECTOR, down.get(), sign);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 50,50 40,70"}));
  Paint(PRIM_VECTOR_MIRROR, right.get(), sign);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 50,50 70,40"}));
  // Two parts: the first is skipped, the second pulled toward the first
  // point by k = 2 - 1 / scale, and the sign drawn at the scale.
  Poly two({{{10, 10}, {20, 10}}, {{40, 10}, {50, 10}}});
  Paint(PRIM_VECTOR, two.get(), sign, 2.0f);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 30,10 70,30"}));
  // Not turned; flipped when the direction points left.
  const std::vector<char> fixed = Sign()
                                      .Subject(0, PRIM_LINE, {0x00FF00, 0}, {{0, 0}, {20, 10}})
                                      .Flag(0, 1)
                                      .Flag(1, 1)
                                      .Done();
  Poly left({{{50, 50}, {20, 50}}});
  Paint(PRIM_VECTOR, left.get(), fixed);
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 50,50 30,60"}));
}

TEST_F(VectorSigns, CirclesFillsAndOutlines) {
  const std::vector<char> sign =
      Sign(100, 200)
          .Subject(6, PRIM_LINE, {0x0000FF, 0}, {{100, 200}, {3, 3}})
          .Subject(7, PRIM_SQUARE, {0x00FF00}, {{110, 200}, {4, 2}})
          .Subject(101, PRIM_SQUARE, {0xFF0000}, {{0, 0}, {10, 0}})
          .Subject(102, 0, {}, {{10, 10}})
          .Subject(103, 0, {}, {})
          .Subject(0, 200, {0x123456}, {{0, 0}, {0, 5}})
          .Done();
  Poly at({{{50, 50}, {80, 50}}});
  Paint(PRIM_VECTOR, at.get(), sign);
  const Calls c = rec.Take();
  ASSERT_EQ(c.size(), 25u);
  EXPECT_EQ(c[1], "line 2 50,53 51,53");  // a circle of radius 3 at the anchor, by segments
  EXPECT_EQ(c[18].substr(0, 20), "area 60,52 61,52 62,");  // an ellipse 4 x 2, ten pixels along
  EXPECT_EQ(c[21], "area 50,50 60,50 60,60");  // the pieces joined into one outline
  // Another code: a line of thickness 250 (here 250 pixels wide).
  EXPECT_EQ(c[24], "area -75,50 -75,50 175,50 175,55 -75,55 -75,50");
}

TEST_F(VectorSigns, WalksStayInsideTheRecord) {
  Sign s;
  s.Subject(0, PRIM_LINE, {0x00FF00, 0}, {{0, 0}, {5, 0}});
  const DWORD one = DWORD(s.bytes.size());
  s.Subject(0, PRIM_LINE, {0x0000FF, 0}, {{0, 0}, {0, 5}});
  Poly at({{{50, 50}, {80, 50}}});
  // 128 subjects claimed, the length covering one.
  Paint(PRIM_VECTOR, at.get(), s.Done(one, 128));
  EXPECT_EQ(rec.Take(), (Calls{"pen 1 00FF00", "line 2 50,50 55,50"}));
  // A subject whose points run past the length ends the walk.
  Sign big;
  big.Subject(0, PRIM_LINE, {0x00FF00, 0}, {{0, 0}, {5, 0}});
  const IMGVECTSUBJECT head{0, PRIM_LINE, 0};
  big.Append(&head, 4);
  const DWORD many = 1024;
  big.Append(&many, 4);
  Paint(PRIM_VECTOR, at.get(), big.Done());
  EXPECT_EQ(rec.Take().size(), 2u);
  // A record shorter than its head paints nothing.
  Paint(PRIM_VECTOR, at.get(), s.Done(40));
  EXPECT_TRUE(rec.Take().empty());
}

TEST_F(VectorSigns, ByReference) {
  const std::vector<char> sign =
      Sign().Subject(0, PRIM_SQUARE, {0x00FF00}, {{0, 0}, {5, 0}, {5, 5}, {0, 0}}).Done();
  std::vector<char> ref(IMGVECTORREF_LENGTH);
  // The placement values shade the fill: a band over the whole width at
  // intensity 0, dark the colour itself and light at most 240.
  const LONG place[4] = {0x0000FF, 100, 0, 0};
  const char* address = sign.data();
  SetParmWord(ref.data(), 0, IMGVECTORREF_LENGTH);
  std::memcpy(ref.data() + 4, place, sizeof(place));
  std::memcpy(ref.data() + IMGVECTORREF_ADDRESS, &address, sizeof(address));
  Poly at({{{50, 50}, {80, 50}}});
  PaintContext.ImageWidth = PaintContext.ImageHeight = 100;
  Paint(PRIM_VECTOR_REF, at.get(), ref);
  PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
  const Calls c = rec.Take();
  ASSERT_EQ(c.size(), 9u);
  EXPECT_EQ(Calls(c.begin(), c.begin() + 5),
            (Calls{"pen 1 00FF00", "brush 00FF00", "area 50,50 55,50 55,55 50,50", "pen 1 0000FF",
                   "line 2 51,50 51,51"}));
  // Columns 51 to 54; on column 55 the outline runs along the line and
  // turns back, and column 50 only touches its corner.
  EXPECT_EQ(Calls(c.begin() + 7, c.end()), (Calls{"pen 1 0000FA", "line 2 54,50 54,54"}));
  EXPECT_EQ(VectorSignByReference, 0);
  // Any other length: a line of colour word 255 and thickness 250 (one
  // pixel on a display of the screen's resolution).
  doc->SetPaintDevice(canvas.dc);
  for (DWORD length : {20u, 24u + 28u - IMGVECTORREF_LENGTH}) {
    SetParmWord(ref.data(), 0, length);
    Paint(PRIM_VECTOR_REF, at.get(), ref);
    EXPECT_EQ(rec.Take(), (Calls{"pen 1 0000FF", "line 2 50,50 80,50"})) << length;
  }
}

// The visibility tests place the sign as the device does, at the screen's
// resolution, and test subject by subject.
TEST_F(VectorSigns, VisibilityBySubject) {
  ASSERT_EQ(AllocPaintDib(160, 120, 4), 0);  // the test mask
  const int ppm = SetScreenPixelsPerMeter(100000);  // ten micrometres a pixel
  SetTestWindow(8, 8);
  auto test = [&](int code, Poly& at, const std::vector<char>& parm, float scale = 1.0f) {
    return VisibilityTestTable[code](doc.get(), at.get(), parm.data(), scale);
  };
  Poly across({{{-10, 4}, {20, 4}}}), below({{{-10, 40}, {20, 40}}});
  Sign s;
  s.Subject(0, PRIM_LINE, {0x00FF00, 0}, {{2000, 0}, {2100, 0}});  // 200 pixels on
  const DWORD first = DWORD(s.bytes.size());
  s.Subject(0, PRIM_LINE, {0x00FF00, 0}, {{0, 0}, {300, 0}});
  const std::vector<char> line = s.Done();
  EXPECT_EQ(test(PRIM_VECTOR, across, line), 1);
  EXPECT_EQ(test(PRIM_VECTOR_MIRROR, across, line), 1);
  EXPECT_EQ(test(PRIM_VECTOR, below, line), 0);
  EXPECT_EQ(test(PRIM_VECTOR, across, line, 0.01f), 0);
  // The walk keeps to the record's length whatever count it claims.
  EXPECT_EQ(test(PRIM_VECTOR, across, s.Done(first, 128)), 0);
  // A fill around the window hits by its inside.
  const std::vector<char> fill =
      Sign()
          .Subject(0, PRIM_SQUARE, {0x00FF00},
                   {{-200, -200}, {200, -200}, {200, 200}, {-200, 200}, {-200, -200}})
          .Done();
  Poly middle({{{4, 4}, {20, 4}}});
  EXPECT_EQ(test(PRIM_VECTOR, middle, fill), 1);
  // By reference; a record of another length is the default test of the
  // polylines.
  std::vector<char> ref(IMGVECTORREF_LENGTH);
  const char* address = line.data();
  SetParmWord(ref.data(), 0, IMGVECTORREF_LENGTH);
  std::memcpy(ref.data() + IMGVECTORREF_ADDRESS, &address, sizeof(address));
  EXPECT_EQ(test(PRIM_VECTOR_REF, across, ref), 1);
  EXPECT_EQ(test(PRIM_VECTOR_REF, below, ref), 0);
  SetParmWord(ref.data(), 0, 20);
  EXPECT_EQ(test(PRIM_VECTOR_REF, middle, ref), 1);
  EXPECT_EQ(test(PRIM_VECTOR_REF, below, ref), 0);
  SetTestWindow(0, 0);
  SetScreenPixelsPerMeter(ppm);
  FreePaintDib();
}

// --- The device road against the memory image ---

class DeviceRoad : public dibtest::DibTest {
 protected:
  using Pixels = std::set<std::pair<int, int>>;
  void SetUp() override {
    Open(160, 120);
    doc = std::make_unique<TPaintMetric>();
    doc->SetPaintDevice(canvas.dc);
    doc->SetPaintSize(160, 120);
  }
  void TearDown() override {
    DevicePaintState = {DT_RASDISPLAY, 0, 0};
    dibtest::DibTest::TearDown();
  }
  Pixels Memory(DWORD pixel) {
    Pixels out;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x)
        if (Pixel(x, y) == pixel) out.insert({x, y});
    return out;
  }
  Pixels Device(COLORREF colour) {
    Pixels out;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x)
        if (plat::gdi::GetPixelColor(canvas.dc, x, y) == colour) out.insert({x, y});
    return out;
  }
  void Both(int code, POLYDATA* data, const std::vector<char>& parm) {
    DibPainterTable[DIB_FULLCOLOUR][code](doc.get(), data, parm.data(), 1.0f);
    DevicePainterTable[0][code](doc.get(), data, parm.data(), 1.0f);
  }
  Canvas canvas{160, 120};
  std::unique_ptr<TPaintMetric> doc;
};

// Axis-parallel and diagonal lines step alike in both rasterisers.
TEST_F(DeviceRoad, OnePixelLinesAndFillsMatchTheMemoryImage) {
  Poly lines({{{10, 10}, {100, 10}, {100, 60}, {60, 100}, {20, 60}, {20, 20}},
              {{130, 5}, {130, 5}},
              {{150, 110}, {120, 80}, {150, 80}}});
  Both(PRIM_LINE, lines.get(), Words({0x0000FF, 250}));
  const Pixels memory = Memory(0xFF0000);
  EXPECT_GT(memory.size(), 300u);
  EXPECT_EQ(Device(0x0000FF), memory);

  // Fills with their outlines; the edges are axis-parallel, where both
  // fill rules take the same pixels.
  Poly areas({{{30, 30}, {70, 30}, {70, 50}, {30, 50}, {30, 30}},
              {{90, 60}, {140, 60}, {140, 110}, {120, 110}, {120, 80}, {90, 80}, {90, 60}}});
  const COLORREF any = 0;
  doc->SetPaintPalette(1, &any, 100);  // fills keep their colours
  Both(PRIM_SQUARE, areas.get(), Words({0x00FF00}));
  const Pixels filled = Memory(0x00FF00);
  EXPECT_GT(filled.size(), 2000u);
  EXPECT_EQ(Device(0x00FF00), filled);
}

// --- A picture ---

TEST(DevicePicture, PrimitivesOnAMemoryDevice) {
  Canvas canvas(320, 200);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc, 25400.0, 25400.0);  // sizes in pixels
  doc.SetPaintSize(320, 200);
  const COLORREF any = 0;
  doc.SetPaintPalette(1, &any, 100);
  PaintContext.ImageWidth = 320, PaintContext.ImageHeight = 200;
  const IMGPAINTER* block = DevicePainterTable[0].data();
  auto paint = [&](int code, Poly& p, const std::vector<char>& parm, float scale = 1.0f) {
    block[code](&doc, p.get(), parm.data(), scale);
  };
  Poly area({{{20, 20}, {120, 20}, {140, 80}, {60, 100}, {20, 20}}});
  paint(PRIM_SQUARE, area, Words({0x40C0FF}));
  paint(PRIM_LINE, area, Words({0x004080, 1}));
  Poly wide({{{20, 150}, {80, 120}, {140, 170}, {200, 130}}});
  paint(PRIM_LINE, wide, Words({0xC04000, 12}));
  paint(PRIM_LINE, wide, Words({0xFFFFFF, 2}));
  Poly spot({{{200, 50}}});
  paint(PRIM_CIRCLE, spot, Words({0x0000C0, 0, 250 * 25}));
  paint(PRIM_CIRCLE, spot, Words({0x000000, 3, 250 * 30}));
  const std::vector<char> sign = Sign(0, 0)
                                     .Subject(7, PRIM_SQUARE, {0x00A000}, {{0, 0}, {12, 12}})
                                     .Subject(0, PRIM_LINE, {0x000000, 2}, {{0, 0}, {30, 0}})
                                     .Subject(101, PRIM_SQUARE, {0x0000FF},
                                              {{30, -8}, {46, 0}, {30, 8}})
                                     .Subject(102, 0, {}, {{30, -8}})
                                     .Done();
  // The first of several parts carries no sign.
  Poly places({{{250, 40}, {290, 60}}, {{215, 110}, {290, 110}}, {{300, 190}, {270, 160}}});
  paint(PRIM_VECTOR, places, sign);
  const std::string path = std::string(MC_TEST_TMP) + "/devicepainters_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(canvas.dc, path.c_str()));
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 200, 50), 0x0000C0u);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 60, 50), 0x40C0FFu);
  PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
  DevicePaintState = {DT_RASDISPLAY, 0, 0};
}

}  // namespace
