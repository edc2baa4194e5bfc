// Device painters and the device state of the painting document: device
// units and colours by device and intensity, hatch patterns, the exact
// calls each painter makes on a device, vector signs with their placement
// and their record bounds, the one-pixel device road against the memory
// image, and a picture written as a PNG file (devicepainters_picture.png
// in the tests' scratch folder) for a look by eye.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "devices/fontreg.h"
#include "devices/support/devcanvas.h"
#include "drawing/deviceline.h"
#include "drawing/markcontour.h"
#include "drawing/patternfill.h"
#include "drawing/devicepainters.h"
#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/patternline.h"
#include "drawing/signgrid.h"
#include "drawing/support/devicecalls.h"
#include "drawing/visibility.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"
#include "support/textcalls.h"

namespace {

using Calls = std::vector<std::string>;
using devicecalls::Recorder;
using dibtest::Poly;
using dibtest::SamePoints;
using dibtest::Words;
using dibtest::kWhite;

using devtest::Canvas;

// The painting document with its global state put back after each test.
class DevicePainters : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = std::make_unique<TPaintMetric>();
    doc->SetPaintSize(100, 100);
  }
  void TearDown() override {
    PaintColorState = {};
    DevicePaintState = {DT_RASDISPLAY, 0, 0};
  }
  void Paint(int code, POLYDATA* data, const std::vector<char>& parm, float scale = 1.0f) {
    DevicePainterTable[0][code](doc.get(), data, parm.data(), scale);
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
  EXPECT_EQ(DeviceUnits(doc.get(), 254), 6);  // trunc(254 x 600 / 25400 + 0.3)
  EXPECT_NEAR(doc->GetDeviceScaleX(), 600 / 0.0254, 1e-6);
  EXPECT_DOUBLE_EQ(doc->Ratio, 6.25);
  EXPECT_EQ(RatioUnits(doc.get(), 1.0f), 6);
  EXPECT_EQ(RatioUnits(doc.get(), 1e9f), 65000);
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
  EXPECT_EQ(RatioUnits(doc.get(), 2.6f), 3);  // a display takes f as it is
  SIZE old{};
  doc->SetPaintSize(320, 200, &old);
  EXPECT_EQ(DevicePaintState.Width, 320);
  EXPECT_EQ(DevicePaintState.Height, 200);
}

TEST_F(DevicePainters, ColoursByIntensity) {
  EXPECT_EQ(FillColor(doc.get(), 0x0000FF), 0x7F7FFFu);  // intensity 50: (255, 127, 127)
  EXPECT_EQ(LineColor(doc.get(), 0x0000FF), 0x0000FFu);
  EXPECT_EQ(FillColor(doc.get(), 0), 0u);
  const COLORREF colours[4] = {0x0000FF, 0, 0xFAFAFA, 0x102030};
  doc->SetPaintPalette(4, colours, 100);  // fills keep their colours
  EXPECT_EQ(FillColor(doc.get(), 0xF0000000), 0x0000FFu);
  EXPECT_EQ(FillColor(doc.get(), 0x00FF00), 0x00FF00u);
  EXPECT_EQ(LineColor(doc.get(), 0xF0000003), 0x102030u);
  doc->SetPaintPalette(4, colours, 150);  // halfway again, colour 0 is none
  EXPECT_EQ(FillPaletteColor(doc.get(), 0), 0x7F7FFFu);
  EXPECT_EQ(PaletteColor(doc.get(), 1), 0xFFFFFFFFu);
  doc->SetPaintPalette(4, colours, -2);
  EXPECT_EQ(LineColor(doc.get(), 0xFAFAFA), 0u);  // R + G + B = 750: black
  EXPECT_EQ(LineColor(doc.get(), 0xFBFAFA), 0xFFFFFFu);
  EXPECT_EQ(FillColor(doc.get(), 0x000001), 0xFFFFFFu);
  EXPECT_EQ(PaletteColor(doc.get(), 2), 0u);
  EXPECT_EQ(FillPaletteColor(doc.get(), 3), 0xFFFFFFu);
  doc->SetPaintPalette(4, colours, -4);
  EXPECT_EQ(PaletteColor(doc.get(), 2), 0xFFFFFFu);
  EXPECT_EQ(FillColor(doc.get(), 0xFFFFFF), 0u);
  doc->SetPaintPalette(4, colours, -1);  // the saved intensity, 50
  EXPECT_EQ(doc->GetFillIntensity(), 50);
  EXPECT_EQ(doc->SetFillIntensity(80), 50);
  doc->ForcedColor = 0x00ABCD;
  EXPECT_EQ(FillColor(doc.get(), 0xF0000001), 0x00ABCDu);
  EXPECT_EQ(PaletteColor(doc.get(), 9), 0x00ABCDu);
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

  // A layered sign at scale 1.5 on a printer: 2540 micrometres are 90
  // pixels, f = 2.8125 (lines of 3 pixels), the hot spot 9 pixels down and
  // 18 right (10 and 19 at factor 3). Row words as stored: bit 7 of the
  // first byte, the leftmost column, down the whole mark and back.
  ASSERT_EQ(AttachPointBuffers(), 1);
  std::vector<DWORD> mark = {20 + 132, 1, 2540, 254, 508, 0x0000FF};
  mark.resize(mark.size() + 32, 0x80);
  std::vector<char> marks(mark.size() * 4);
  std::memcpy(marks.data(), mark.data(), marks.size());
  {
    Recorder rec;
    Paint(PRIM_BITMAP, line.get(), marks, 1.5f);
    EXPECT_EQ(rec.Take(), (Calls{"pen 3 0000FF", "line 63 -9,0 .. -9,0"}));
  }
  DetachPointBuffers();
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

// A code-199 record for the sign with its four placement values.
std::vector<char> Reference(const std::vector<char>& sign, std::array<LONG, 4> place = {}) {
  std::vector<char> ref(IMGVECTORREF_LENGTH);
  const char* address = sign.data();
  SetParmWord(ref.data(), 0, IMGVECTORREF_LENGTH);
  std::memcpy(ref.data() + 4, place.data(), sizeof(LONG) * 4);
  std::memcpy(ref.data() + IMGVECTORREF_ADDRESS, &address, sizeof(address));
  return ref;
}

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
  // The placement values shade the fill: a band over the whole width at
  // intensity 0, dark the colour itself and light at most 240.
  std::vector<char> ref = Reference(sign, {0x0000FF, 100, 0, 0});
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
  std::vector<char> ref = Reference(line);
  EXPECT_EQ(test(PRIM_VECTOR_REF, across, ref), 1);
  EXPECT_EQ(test(PRIM_VECTOR_REF, below, ref), 0);
  SetParmWord(ref.data(), 0, 20);
  EXPECT_EQ(test(PRIM_VECTOR_REF, middle, ref), 1);
  EXPECT_EQ(test(PRIM_VECTOR_REF, below, ref), 0);
  SetTestWindow(0, 0);
  SetScreenPixelsPerMeter(ppm);
  FreePaintDib();
}

// --- Vector signs in the memory image ---

// Ten micrometres to the pixel; signs painted through the full-colour block.
class DibVectorSigns : public dibtest::DibTest {
 protected:
  void SetUp() override {
    DibTest::SetUp();
    saved = SetScreenPixelsPerMeter(100000);
  }
  void TearDown() override {
    SetScreenPixelsPerMeter(saved);
    DibTest::TearDown();
  }
  void Paint(int code, Poly& at, const std::vector<char>& parm, float scale = 1.0f) {
    DibPainterTable[DIB_FULLCOLOUR][code](nullptr, at.get(), parm.data(), scale);
  }
  int saved = 0;
};

// Parts after the first are pulled to 1 / k of their distance from the
// object's first point: k = 1 / s below 1, 2 - 1 / s from 1 on.
TEST_F(DibVectorSigns, LaterPartsPulledByTheScale) {
  const std::vector<char> sign =
      Sign().Subject(0, PRIM_LINE, {0x0000FF, 2000}, {{0, 0}, {100, 0}}).Done();
  Poly two({{{20, 20}, {30, 20}}, {{60, 40}, {70, 40}}});
  // k = 2: the anchor at (40, 30); 5 pixels long and, below scale 1, thin.
  Paint(PRIM_VECTOR, two, sign, 0.5f);
  EXPECT_EQ(Pixel(40, 30), 0xFF0000u);
  EXPECT_EQ(Pixel(45, 30), 0xFF0000u);
  EXPECT_EQ(Pixel(46, 30), kWhite);
  EXPECT_EQ(CountOther(kWhite), 6);  // the first part carries no sign
  Clear(kWhite);
  Paint(PRIM_VECTOR, two, sign, 2.0f);  // k = 1.5: (20, 20) + (26.7, 13.3) rounded
  EXPECT_EQ(Pixel(47, 33), 0xFF0000u);
  EXPECT_EQ(Pixel(46, 33), kWhite);
  EXPECT_EQ(Pixel(67, 33), 0xFF0000u);  // 20 pixels long
  EXPECT_EQ(Pixel(68, 33), kWhite);
}

TEST_F(DibVectorSigns, SubjectColoursAndTheFallbackLine) {
  const COLORREF table[6] = {0, 0, 0, 0, 0, 0x804020};
  SetDibPalette(table, 6);
  const std::vector<char> sign = Sign()
                                     .Subject(0, PRIM_LINE, {5, 250}, {{0, 0}, {100, 0}})
                                     .Subject(0, PRIM_LINE, {17, 250}, {{0, 100}, {100, 100}})
                                     .Subject(0, 200, {5}, {{0, 200}, {100, 200}})
                                     .Done();
  Poly at({{{20, 20}, {80, 20}}});
  Paint(PRIM_VECTOR, at, sign);
  EXPECT_EQ(Pixel(25, 20), 0x204080u);  // table B entry 5
  EXPECT_EQ(Pixel(25, 30), 0x110000u);  // COLORREF 17 (across the sign is down the picture)
  EXPECT_EQ(Pixel(25, 40), 0x050000u);  // another code: its colour as it is
  // Subjects are read within the record's length, whatever it claims.
  Sign s;
  s.Subject(0, PRIM_LINE, {0x0000FF, 250}, {{0, 0}, {100, 0}});
  const DWORD one = DWORD(s.bytes.size());
  s.Subject(0, PRIM_LINE, {0x00FF00, 250}, {{0, 100}, {100, 100}});
  Clear(kWhite);
  Paint(PRIM_VECTOR, at, s.Done(one, 128));
  EXPECT_EQ(CountOther(kWhite), 11);
  // Code 199 of another length: a thin line of colour word 255.
  Clear(kWhite);
  Paint(PRIM_VECTOR_REF, at, Words({20, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Pixel(50, 20), 0xFF0000u);
  EXPECT_EQ(CountOther(kWhite), 61);
}

// A composite outline fills its rings at once (the hole stays open) and,
// painted by reference, is shaded in bands with the placement values:
// colour (200, 100, 0) at 50 % runs from dark (100, 50, 0) through the
// colour towards light (220, 170, 120), 10 % of 100 pixels being 11
// columns, and the hole stays unpainted in both bands.
TEST_F(DibVectorSigns, OutlineRingsFillEvenOddAndShadeInBands) {
  const std::vector<char> sign =
      Sign()
          .Subject(101, PRIM_SQUARE, {0x00FF00},
                   {{0, -200}, {1000, -200}, {1000, 200}, {0, 200}})  // closed by the painter
          .Subject(102, 0, {}, {{50, -100}, {950, -100}, {950, 100}, {50, 100}, {50, -100}})
          .Subject(0, PRIM_LINE, {0x0000FF, 250}, {{0, 300}, {400, 300}})
          .Done();
  const std::vector<char> ref = Reference(sign, {0x0064C8, 10, 10, 50});
  Poly at({{{20, 60}, {120, 60}}});  // the figure: columns 20..120, rows 40..80
  Paint(PRIM_VECTOR_REF, at, ref);
  EXPECT_EQ(Pixel(35, 45), 0x00FF00u);  // the ring between the bands
  EXPECT_EQ(Pixel(70, 60), kWhite);     // the hole
  EXPECT_EQ(Pixel(40, 90), 0xFF0000u);  // the line after the rings stands alone
  // Left band: columns 20..30 (the edge columns meet no crossings), dark
  // to the colour (at 26) and on.
  EXPECT_EQ(Pixel(20, 45), 0x00FF00u);
  EXPECT_EQ(Pixel(21, 45), 0x743A00u);
  EXPECT_EQ(Pixel(26, 45), 0xC86400u);
  EXPECT_EQ(Pixel(30, 45), 0xD59250u);
  EXPECT_EQ(Pixel(31, 45), 0x00FF00u);
  // Right band: columns 110..120, light back to the colour and on to dark.
  EXPECT_EQ(Pixel(109, 45), 0x00FF00u);
  EXPECT_EQ(Pixel(110, 45), 0xDCAA78u);
  EXPECT_EQ(Pixel(116, 45), 0xC86400u);
  EXPECT_EQ(Pixel(119, 75), 0x964B00u);
  for (int x : {26, 112}) EXPECT_EQ(Pixel(x, 60), kWhite) << x;
  EXPECT_EQ(VectorSignByReference, 0);
}

// A flipped two-point text runs back from its second point, its alignment
// mirrored: left becomes right, anchored at the end of its first segment.
TEST_F(DibVectorSigns, FlippedTextSwapsItsPoints) {
  // Black, no background or shadow, 0.1 mm high, on the baseline; "AB".
  std::vector<DWORD> text = {0, 0xFFFFFFFF, 0xFFFFFFFF, 100, 0, 24, 0, 0, 0, 0x4241};
  const std::vector<char> left = Sign().Subject(0, 160, text, {{0, 0}, {300, 0}}).Done();
  text[5] = 24 | 2;
  const std::vector<char> right = Sign().Subject(0, 160, text, {{0, 0}, {300, 0}}).Done();
  Poly at({{{40, 60}, {120, 60}}});  // the text's points at x = 40 and 70
  textcalls::Capture host;
  Paint(PRIM_VECTOR, at, left);
  Paint(PRIM_VECTOR, at, right);
  Paint(PRIM_VECTOR_MIRROR, at, left);
  const auto texts = host.Of('t');
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].X, 40);
  const int extent = 70 - texts[1].X;
  EXPECT_GT(extent, 0);
  EXPECT_EQ(texts[2].X, 40 + extent);
  EXPECT_EQ(texts[2].Font.lfEscapement, -1800);
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

// --- Sign grids (code 155) ---

// A code-155 record: the grid (steps in micrometres) and its sign.
std::vector<char> Grid(WORD mark, DWORD stepH, DWORD stepV, const std::vector<char>& sign) {
  const IMGSIGNGRID head{DWORD(sizeof(IMGSIGNGRID) + sign.size()), mark, 0, stepH, stepV, 0};
  std::vector<char> parm(sizeof(head));
  std::memcpy(parm.data(), &head, sizeof(head));
  parm.insert(parm.end(), sign.begin(), sign.end());
  return parm;
}

// An 8 x 6 pixel green block anchored at its top-left corner.
std::vector<char> Block() {
  return Sign()
      .Subject(0, PRIM_SQUARE, {0x00FF00}, {{0, 0}, {80, 0}, {80, 60}, {0, 60}, {0, 0}})
      .Done();
}

// Ten micrometres a pixel on both roads.
class SignGrids : public DeviceRoad {
 protected:
  void SetUp() override {
    DeviceRoad::SetUp();
    ASSERT_EQ(AttachPointBuffers(), 1);
    saved = SetScreenPixelsPerMeter(100000);
    doc->SetPaintDevice(canvas.dc, 2540.0, 2540.0);
    doc->SetPaintSize(160, 120);
    const COLORREF any = 0;
    doc->SetPaintPalette(1, &any, 100);  // fills keep their colours
  }
  void TearDown() override {
    SetScreenPixelsPerMeter(saved);
    DetachPointBuffers();
    DeviceRoad::TearDown();
  }
  // The top-left corners of the signs the memory image got.
  Pixels Corners(const std::vector<char>& parm, Poly& area) {
    Clear(kWhite);
    DibPainterTable[DIB_FULLCOLOUR][PRIM_AREA_SIGNS](doc.get(), area.get(), parm.data(), 1.0f);
    const Pixels ink = Memory(0x00FF00);
    Pixels corners;
    for (const auto& [x, y] : ink)
      if (!ink.count({x - 1, y}) && !ink.count({x, y - 1})) corners.insert({x, y});
    return corners;
  }
  // Corners at (x0 + sx i, y0 + sy j) for the cells that `take` takes.
  static Pixels Cells(int x0, int y0, int sx, int sy, int nx, int ny,
                      bool (*take)(int, int) = nullptr) {
    Pixels out;
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i)
        if (take == nullptr || take(i, j)) out.insert({x0 + sx * i, y0 + sy * j});
    return out;
  }
  int saved = 0;
};

// A rectangle of exactly 4 x 3 steps holds 4 x 3 signs and none across its
// border; the device road paints the same cells.
TEST_F(SignGrids, OnlySignsWhollyInsideAndTheDeviceAlike) {
  Poly area({{{20, 20}, {60, 20}, {60, 50}, {20, 50}, {20, 20}}});
  const std::vector<char> parm = Grid(0, 100, 100, Block());
  EXPECT_EQ(Corners(parm, area), Cells(20, 20, 10, 10, 4, 3));
  const Pixels memory = Memory(0x00FF00);
  for (const auto& [x, y] : memory) EXPECT_TRUE(x <= 60 && y <= 50) << x << "," << y;
  DevicePainterTable[0][PRIM_AREA_SIGNS](doc.get(), area.get(), parm.data(), 1.0f);
  EXPECT_EQ(Device(0x00FF00), memory);
  EXPECT_EQ(area.points[0].x, 20);  // the points moved back
  // Steps below the sign's size are raised to it: 5 x 5 signs edge to
  // edge.
  Corners(Grid(0, 10, 10, Block()), area);
  for (const auto& [x, y] : Cells(23, 23, 8, 6, 5, 5)) EXPECT_EQ(Pixel(x, y), 0x00FF00u);
  for (const auto& [x, y] : Memory(0x00FF00)) EXPECT_TRUE(x <= 60 && y <= 50) << x << "," << y;
}

// 0x5A5A takes the cells whose column + row (from the figure's top-left
// cell) is even, 0xA5A5 the others; a figure under 64 pixels is staggered
// on the display only.
TEST_F(SignGrids, StaggerMarksAlternateByRowAndCell) {
  Poly area({{{10, 10}, {150, 10}, {150, 110}, {10, 110}, {10, 10}}});
  EXPECT_EQ(Corners(Grid(0x5A5A, 100, 100, Block()), area),
            Cells(10, 10, 10, 10, 14, 10, [](int i, int j) { return (i + j) % 2 == 0; }));
  EXPECT_EQ(Corners(Grid(0xA5A5, 100, 100, Block()), area),
            Cells(10, 10, 10, 10, 14, 10, [](int i, int j) { return (i + j) % 2 == 1; }));
  Poly narrow({{{10, 10}, {60, 10}, {60, 110}, {10, 110}, {10, 10}}});
  const std::vector<char> parm = Grid(0x5A5A, 100, 100, Block());
  EXPECT_EQ(Corners(parm, narrow).size(), 25u);
  DevicePaintState.Technology = DT_RASPRINTER;
  EXPECT_EQ(Corners(parm, narrow).size(), 50u);
  DevicePaintState.Technology = DT_RASDISPLAY;
  PaintExampleSwitch = 1;
  EXPECT_EQ(Corners(parm, narrow).size(), 50u);
  PaintExampleSwitch = 0;
}

// A figure reaching the ends of the 32-bit range: its points come back
// from the grid exactly as they were, on both roads, so that the elements
// after the grid see the caller's points.
TEST_F(SignGrids, FarPointsComeBackExactly) {
  constexpr LONG far = INT32_MAX - 10, low = INT32_MIN + 10;
  Poly area({{{3, 3}, {far, 3}, {far, far}, {3, far}, {3, 3}},
             {{low, low}, {-20, low}, {-20, -20}, {low, low}}});
  const Poly before = area;
  const std::vector<char> parm = Grid(0, 100, 100, Block());
  EXPECT_FALSE(Corners(parm, area).empty());
  DevicePainterTable[0][PRIM_AREA_SIGNS](doc.get(), area.get(), parm.data(), 1.0f);
  EXPECT_FALSE(Device(0x00FF00).empty());
  EXPECT_TRUE(SamePoints(area, before));
}

// A record too short for its sign or its header, or a sign claiming more
// than the record holds, paints nothing; so does a bits image without a
// block.
TEST_F(SignGrids, DamagedRecordsAndNoBlockPaintNothing) {
  Poly area({{{20, 20}, {60, 20}, {60, 50}, {20, 50}, {20, 20}}});
  std::vector<char> parm = Grid(0, 100, 100, Block());
  SetParmWord(parm.data(), 0, DWORD(sizeof(IMGSIGNGRID) + sizeof(IMGVECTOREX) - 1));
  EXPECT_TRUE(Corners(parm, area).empty());
  parm = Grid(0, 100, 100, Block());
  SetParmWord(parm.data() + sizeof(IMGSIGNGRID), 0, DWORD(parm.size()));
  EXPECT_TRUE(Corners(parm, area).empty());
  // A record that says it is shorter than its header, and is: nothing of
  // the header is read past it, on either road.
  const std::vector<char> whole = Grid(0, 100, 100, Block());
  for (DWORD length : {4u, 12u, 19u}) {
    std::vector<char> shorter(whole.begin(), whole.begin() + length);
    SetParmWord(shorter.data(), 0, length);
    EXPECT_TRUE(Corners(shorter, area).empty()) << length;
    DevicePainterTable[0][PRIM_AREA_SIGNS](doc.get(), area.get(), shorter.data(), 1.0f);
    EXPECT_TRUE(Device(0x00FF00).empty()) << length;
  }
  FreePaintDib();
  Open(160, 64);  // mask planes of 64 rows
  parm = Grid(0, 100, 100, Block());
  DibPainterTable[DIB_FULLCOLOUR][PRIM_AREA_SIGNS](doc.get(), area.get(), parm.data(), 1.0f);
  EXPECT_EQ(CountOther(kWhite), 0);
}

// A pattern line, a staggered sign grid over an area with a hole and a
// sign by reference shaded in bands, in the memory image, written as
// signgrid_bands.png in the tests' scratch folder for a look by eye.
TEST_F(SignGrids, PictureOfPatternLinesGridsAndBands) {
  FreePaintDib();
  Open(320, 240);
  Poly area({{{10, 10}, {150, 10}, {150, 130}, {10, 130}, {10, 10}},
             {{50, 40}, {110, 40}, {110, 100}, {50, 100}, {50, 40}}});
  const std::vector<char> dot =
      Sign().Subject(0, PRIM_SQUARE, {0x008000}, {{0, 0}, {50, 0}, {50, 50}, {0, 50}, {0, 0}}).Done();
  DibPainterTable[DIB_FULLCOLOUR][PRIM_AREA_SIGNS](doc.get(), area.get(),
                                                   Grid(0x5A5A, 80, 80, dot).data(), 1.0f);
  // Code 158: a 2-pixel piece of 20 pixels, a triangle sign, a gap.
  const std::vector<char> triangle =
      Sign().Subject(0, PRIM_SQUARE, {0x0000FF}, {{0, -40}, {80, 0}, {0, 40}, {0, -40}}).Done();
  std::vector<char> line(sizeof(IMGPATTERNLINE));
  auto item = [&](DWORD code, DWORD extent, const std::vector<char>& parm) {
    const IMGPATTERNITEM head{DWORD(sizeof(head) + parm.size()), code, extent};
    line.insert(line.end(), reinterpret_cast<const char*>(&head),
                reinterpret_cast<const char*>(&head) + sizeof(head));
    line.insert(line.end(), parm.begin(), parm.end());
  };
  item(PRIM_LINE, 200, Words({0x800000, 750}));
  item(PRIM_VECTOR, 100, triangle);
  item(PRIM_EMPTY, 50, {});
  const IMGPATTERNLINE head{DWORD(line.size()), 3, 0, 50, 0};
  std::memcpy(line.data(), &head, sizeof(head));
  Poly path({{{10, 220}, {150, 160}, {310, 230}}});
  DibPainterTable[DIB_FULLCOLOUR][PRIM_PATTERN_LINE](doc.get(), path.get(), line.data(), 1.0f);
  const std::vector<char> ring =
      Sign()
          .Subject(101, PRIM_SQUARE, {0x00FF00},
                   {{0, -400}, {1200, -400}, {1200, 400}, {0, 400}, {0, -400}})
          .Subject(102, 0, {}, {{300, -200}, {900, -200}, {900, 200}, {300, 200}, {300, -200}})
          .Done();
  Poly at({{{180, 70}, {300, 70}}});
  DibPainterTable[DIB_FULLCOLOUR][PRIM_VECTOR_REF](
      doc.get(), at.get(), Reference(ring, {0x0064C8, 20, 20, 60}).data(), 1.0f);
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc,
                                  (std::string(MC_TEST_TMP) + "/signgrid_bands.png").c_str()));

  int signs = 0;
  for (int y = 0; y < 140; ++y)
    for (int x = 0; x < 160; ++x) {
      const bool hole = x > 50 && x < 110 && y > 40 && y < 100;
      EXPECT_FALSE(hole && Pixel(x, y) == 0x008000) << x << "," << y;
      signs += Pixel(x, y) == 0x008000 && Pixel(x - 1, y) != 0x008000 &&
               Pixel(x, y - 1) != 0x008000;
    }
  EXPECT_GT(signs, 30);
  EXPECT_EQ(Pixel(10 + 2, 10 + 2), 0x008000u);  // figure cell (0, 0) is even
  EXPECT_EQ(Pixel(18 + 2, 10 + 2), kWhite);
  EXPECT_EQ(Pixel(181, 50), 0x592C00u);    // the left band starts dark
  EXPECT_EQ(Pixel(240, 70), kWhite);       // the hole
  EXPECT_EQ(Pixel(10, 220), 0x000080u);    // the first piece
}

// --- Device pattern fills ---

// A layered pattern record (code 144): word 0, its length, the layers
// (colour and 32 rows each) and the grid of words 3-5 in micrometres.
std::vector<char> Layered(DWORD head, LONG cell, LONG stepV, LONG stepH,
                          std::vector<std::pair<DWORD, std::vector<DWORD>>> layers) {
  std::vector<DWORD> w = {head, DWORD(24 + 132 * layers.size() - 4), DWORD(layers.size()),
                          DWORD(cell), DWORD(stepV), DWORD(stepH)};
  for (auto& [colour, rows] : layers) {
    w.push_back(colour);
    rows.resize(32, 0);
    for (DWORD row : rows) w.push_back(__builtin_bswap32(row));
  }
  std::vector<char> parm(w.size() * 4);
  std::memcpy(parm.data(), w.data(), parm.size());
  return parm;
}

class PatternFills : public DeviceRoad {
 protected:
  void SetUp() override {
    DeviceRoad::SetUp();
    ASSERT_EQ(AttachPointBuffers(), 1);
    doc->SetPaintDevice(canvas.dc, 25400.0, 25400.0);  // one pixel per micrometre
  }
  void TearDown() override {
    DetachPointBuffers();
    DeviceRoad::TearDown();
  }
  void Device(int code, POLYDATA* data, const std::vector<char>& parm) {
    DevicePainterTable[0][code](doc.get(), data, parm.data(), 1.0f);
  }
  bool Ink(int x, int y) { return plat::gdi::GetPixelColor(canvas.dc, x, y) != 0xFFFFFF; }
};

// A 32 x 32 pattern with pixels set one by one.
struct Pattern {
  BYTE bits[MARK_BYTES] = {};
  Pattern& Set(int x, int y) {
    bits[4 * y + x / 8] |= BYTE(0x80 >> (x % 8));
    return *this;
  }
};

// The fill record of a pattern: cell size, steps and colour 0x0000FF.
DEVICEPATTERNFILL FillOf(const Pattern& p, LONG cell, WORD mark = 0xFFFF, BYTE boundary = 0,
                         BYTE weight = 0, LONG stepV = 0, LONG stepH = 0) {
  DEVICEPATTERNFILL f{0xFFFFFFFF, mark, boundary, weight, 0x0000FF, cell, stepV, stepH, {}};
  std::memcpy(f.Pattern, p.bits, MARK_BYTES);
  return f;
}

// Whose top-left corner, moved by (dx, dy) to a whole anchoring period,
// is cell (0, 0); the figure reaches well past the 160 x 120 canvas.
Poly Beyond(int left, int top) {
  return Poly({{{left, top}, {left + 600, top}, {left + 600, top + 500}, {left, top + 500},
                {left, top}}});
}

// Code 136 on a display: f = 1, the tiles meet, and pattern pixel (px, py)
// of a cell lies at its corner plus (px, py), drawn with a 1-pixel pen.
TEST_F(PatternFills, HatchOnADisplayTilesWithoutGaps) {
  doc->SetPaintDevice(canvas.dc);
  Poly area = Beyond(-98, -99);  // corners at -98 + 32 i, -99 + 32 j
  Device(PRIM_HATCH, area.get(), Words({0x0000FF, HATCH_HORIZONTAL, 250, 750}));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) ASSERT_EQ(Ink(x, y), (y + 99) % 4 == 0) << x << "," << y;
}

TEST_F(PatternFills, CellOf64PixelsAndItsPen) {
  const Pattern p = Pattern().Set(5, 6).Set(6, 6);
  for (BYTE weight : {0, 1}) {
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    Poly area = Beyond(-256, -256);  // corners at multiples of 64
    const DEVICEPATTERNFILL f = FillOf(p, 64, 0xFFFF, 0, weight);
    PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
    int ink = 0;
    for (int x : {0, 64, 128})
      for (int y : {0, 64}) {
        // (5, 6) and (6, 6) at (2 px + 1, 2 py - 1): 11..13 on row 11.
        if (weight == 0) {
          EXPECT_TRUE(Ink(x + 11, y + 11) && Ink(x + 13, y + 11)) << x << "," << y;
          EXPECT_FALSE(Ink(x + 10, y + 11) || Ink(x + 14, y + 11)) << x << "," << y;
        }
        for (int v = y + 8; v < y + 15; ++v) ink += Ink(x + 12, v);
      }
    EXPECT_EQ(ink, weight != 0 ? 12 : 6) << int(weight);  // a pen of 2 pixels with the weight byte
  }
}

// A grid within one block, counted from the figure's top-left cell.
TEST_F(PatternFills, StaggerMarksTakeEvenOrOddCells) {
  const Pattern p = Pattern().Set(4, 4);
  for (WORD mark : {0x5A5A, 0xA5A5, 0x1234}) {
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    Poly area = Beyond(-32, -32);  // figure cell (i, j) at -32 + 32 i, -32 + 32 j
    const DEVICEPATTERNFILL f = FillOf(p, 32, mark);
    PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
    for (int i = 1; i < 6; ++i)
      for (int j = 1; j < 5; ++j)
        EXPECT_EQ(Ink(32 * i - 28, 32 * j - 28), (i + j) % 2 == (mark == 0x5A5A ? 0 : 1))
            << std::hex << mark << " " << i << "," << j;
  }
}

// The cut trace of a boundary cell leaves the pattern's own for the cells
// of later blocks (block rows of 56 cells here). Cells of 2 pixels from
// (-6, -4): pattern pixels (0, 0) and (16, 16) at a cell's corner and one
// pixel right and down; the right edge at 151 cuts the second off the
// cells at 150; the points move back when done.
TEST_F(PatternFills, LaterBlocksKeepThePatternsTrace) {
  const Pattern p = Pattern().Set(0, 0).Set(16, 16);
  Poly area({{{10, -100}, {151, -100}, {151, 400}, {10, 400}, {10, -100}}});
  const Poly before = area;
  const DEVICEPATTERNFILL f = FillOf(p, 2);
  PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
  for (int y = 0; y < 120; ++y) {
    for (int x = 20; x < 148; ++x) ASSERT_EQ(Ink(x, y), x % 2 == y % 2) << x << "," << y;
    if (y % 2 == 0) {
      EXPECT_TRUE(Ink(150, y)) << y;
      EXPECT_FALSE(Ink(151, y + 1)) << y;
    }
  }
  EXPECT_EQ(area.points[2].x, 151);
  EXPECT_EQ(area.points[2].y, 400);
  EXPECT_EQ(area->MinY, before.data.MinY);
}

// Below 64 pixels the stagger stays on a display only.
TEST_F(PatternFills, SmallFiguresStaggerOnlyOnADisplay) {
  const Pattern p = Pattern().Set(8, 8);
  Poly narrow({{{10, 10}, {73, 10}, {73, 110}, {10, 110}, {10, 10}}});
  const DEVICEPATTERNFILL f = FillOf(p, 32, 0x5A5A);
  auto second = [&] {  // figure cell (1, 0) is odd
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    PaintDevicePatternFill(canvas.dc, narrow.get(), &f, f.Pattern);
    EXPECT_TRUE(Ink(10 + 8, 10 + 8));
    return Ink(10 + 32 + 8, 10 + 8);
  };
  EXPECT_FALSE(second());
  DevicePaintState.Technology = DT_RASPRINTER;
  EXPECT_TRUE(second());
  DevicePaintState.Technology = DT_RASDISPLAY;
  PaintExampleSwitch = 1;
  EXPECT_TRUE(second());
  PaintExampleSwitch = 0;
}

// Mode 1 gives a boundary cell all layers or none; other modes the part of
// the layer inside the figure.
TEST_F(PatternFills, BoundaryCellsWholeOrCut) {
  const Pattern left = Pattern().Set(2, 2), right = Pattern().Set(28, 2);
  Pattern both = left;
  both.Set(28, 2);
  // Cell corners at -64 + 32 i; the right edge x = 90 cuts cell 4 (64..95).
  Poly area({{{-64, -64}, {90, -64}, {90, 200}, {-64, 200}, {-64, -64}}});
  for (BYTE mode : {1, 2}) {
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    for (const Pattern* layer : {&left, &right}) {
      const DEVICEPATTERNFILL f = FillOf(*layer, 32, 0xFFFF, mode);
      PaintDevicePatternFill(canvas.dc, area.get(), &f, both.bits);
    }
    EXPECT_TRUE(Ink(32 + 2, 32 + 2) && Ink(32 + 28, 32 + 2));  // a cell inside
    EXPECT_FALSE(Ink(64 + 28, 32 + 2));                       // outside the figure
    EXPECT_EQ(Ink(64 + 2, 32 + 2), mode != 1) << int(mode);
  }
}

// A figure whose edges run along the cells' keeps the first and last rows
// of its boundary cells in every mode, and the cells beyond get nothing.
TEST_F(PatternFills, EdgesAlongTheCellsKeepTheirRows) {
  const Pattern p = Pattern().Set(4, 0).Set(4, 31);
  Poly area({{{32, 32}, {128, 32}, {128, 96}, {32, 96}, {32, 32}}});
  for (BYTE mode : {0, 1}) {
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    const DEVICEPATTERNFILL f = FillOf(p, 32, 0xFFFF, mode);
    PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
    for (int x : {36, 68, 100}) {
      for (int y : {32, 63, 64, 95}) EXPECT_TRUE(Ink(x, y)) << int(mode) << " " << x << "," << y;
      EXPECT_FALSE(Ink(x, 31) || Ink(x, 96)) << int(mode) << " " << x;
    }
    EXPECT_FALSE(Ink(132, 32) || Ink(132, 63)) << int(mode);
  }
}

// Code 144: word 5 spreads the tiles horizontally, word 4 vertically.
TEST_F(PatternFills, LayeredStepsSpreadTheTiles) {
  Poly area = Beyond(-200, -200);
  auto inked = [&](LONG stepV, LONG stepH) {
    RECT r{0, 0, 160, 120};
    FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
    Device(PRIM_LAYERED_PATTERN, area.get(), Layered(0, 16, stepV, stepH, {{0xFF0000, {0x80000000}}}));
    std::set<int> xs, ys;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x)
        if (Ink(x, y)) xs.insert(x), ys.insert(y);
    return std::make_pair(*std::next(xs.begin()) - *xs.begin(), *std::next(ys.begin()) - *ys.begin());
  };
  EXPECT_EQ(inked(0, 0), std::make_pair(16, 16));  // steps of at least the cell
  EXPECT_EQ(inked(20, 40), std::make_pair(40, 20));
  EXPECT_EQ(inked(40, 24), std::make_pair(24, 40));
}

// The fill moves with its figure, pixel for pixel, also where it crosses
// the picture's top and left edges (as the top band of a picture does):
// pattern pixels smaller and larger than a device pixel.
TEST_F(PatternFills, FillMovesWithItsFigure) {
  Pattern checks;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if ((x / 4 + y / 4) % 2 == 0) checks.Set(x, y);
  for (LONG cell : {24, 48}) {
    const DEVICEPATTERNFILL f = FillOf(checks, cell);
    auto paint = [&](int left, int top) {
      RECT r{0, 0, 160, 120};
      FillDeviceRect(canvas.dc, &r, 0xFFFFFFFF);
      Poly area({{{left, top}, {left + 140, top + 10}, {left + 120, top + 130}, {left, top}}});
      PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
      std::vector<COLORREF> picture;
      for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) picture.push_back(plat::gdi::GetPixelColor(canvas.dc, x, y));
      return picture;
    };
    const std::vector<COLORREF> across = paint(-31, -45), inside = paint(-31 + 37, -45 + 53);
    int differ = 0, ink = 0;
    for (int y = 0; y + 53 < 120; ++y)
      for (int x = 0; x + 37 < 160; ++x) {
        differ += across[size_t(y) * 160 + x] != inside[size_t(y + 53) * 160 + x + 37];
        ink += across[size_t(y) * 160 + x] != 0xFFFFFF;
      }
    EXPECT_EQ(differ, 0) << cell;
    EXPECT_GT(ink, 500) << cell;
  }
}

// The hatch and the layered pattern give a figure reaching the ends of the
// 32-bit range back exactly as it was.
TEST_F(PatternFills, FarPointsComeBackExactly) {
  constexpr LONG far = INT32_MAX - 10, low = INT32_MIN + 10;
  Poly area({{{3, 3}, {far, 3}, {far, far}, {3, far}, {3, 3}},
             {{low, low}, {-20, low}, {-20, -20}, {low, low}}});
  const Poly before = area;
  Device(PRIM_HATCH, area.get(), Words({0x0000FF, HATCH_HORIZONTAL, 250, 750}));
  EXPECT_TRUE(SamePoints(area, before));
  Device(PRIM_LAYERED_PATTERN, area.get(), Layered(0x5A5A, 16, 0, 0, {{0xFF0000, {0x80000000}}}));
  EXPECT_TRUE(SamePoints(area, before));
  EXPECT_GT(160 * 120 - canvas.Count(0xFFFFFF, 160, 120), 100);
}

TEST_F(PatternFills, NothingWithoutRoom) {
  const Pattern p = Pattern().Set(4, 4);
  const DEVICEPATTERNFILL f = FillOf(p, 32);
  Poly area = Beyond(-32, -32);
  PaintContext.WorkBufferSize = PATTERN_WORK_MIN - 1;
  PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
  PaintContext.WorkBufferSize = WORK_BUFFER_SIZE;
  EXPECT_EQ(canvas.Count(0xFFFFFF, 160, 120), 160 * 120);
  // Mask planes of 64 rows or less hold no block.
  FreePaintDib();
  Open(160, 64);
  PaintDevicePatternFill(canvas.dc, area.get(), &f, f.Pattern);
  EXPECT_EQ(canvas.Count(0xFFFFFF, 160, 120), 160 * 120);
  PaintDevicePatternFill(canvas.dc, area.get(), &f, nullptr);
}

// Code 143 draws each layer's outlines at a whole factor from f = 0.5 on,
// with lines that wide, the hot spot on the object's first point.
TEST_F(PatternFills, ScaledMarkFactorsAndHotSpot) {
  MARKLAYER layer{0x00FF00, 0, 0, 0, {}};
  std::memcpy(layer.Bits, Pattern().Set(10, 10).Set(11, 10).Set(20, 30).bits, MARK_BYTES);
  Poly at({{{50, 50}, {90, 50}}});
  const struct {
    float f;
    LONG offset;
    Calls calls;
  } cases[] = {
      {2.4f, 24, {"pen 2 00FF00", "line 3 50,50 52,50 50,50", "line 2 70,90 70,90"}},
      {2.5f, 25, {"pen 3 00FF00", "line 3 50,50 53,50 50,50", "line 2 80,110 80,110"}},
      {0.3f, 3, {"pen 1 00FF00", "line 3 50,50 50,50 50,50", "line 2 53,56 53,56"}},
  };
  for (const auto& c : cases) {
    layer.OffsetH = layer.OffsetV = c.offset;  // the hot spot at mark pixel (10, 10)
    Recorder rec;
    PaintScaledMark(canvas.dc, at.get(), &layer, c.f);
    EXPECT_EQ(rec.Take(), c.calls) << c.f;
  }
  PaintContext.WorkBufferSize = MARK_WORK_MIN - 1;
  Recorder rec;
  PaintScaledMark(canvas.dc, at.get(), &layer, 1.0f);
  PaintContext.WorkBufferSize = WORK_BUFFER_SIZE;
  EXPECT_TRUE(rec.Take().empty());
}

// --- A picture of pattern fills and vector signs ---

// Codes 136 and 144 on a display, and vector signs 149, 156 and 199 on the
// device (left) and in the memory image (right), written as a PNG file
// (patternfills_signs.png in the tests' scratch folder) for a look by eye.
TEST(PatternPicture, FillsOnTheDeviceSignsOnBothRoads) {
  ASSERT_EQ(AllocPaintDib(320, 240, 4), 0);
  ASSERT_EQ(AttachPointBuffers(), 1);
  PaintContext.ImageWidth = 320, PaintContext.ImageHeight = 240;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) dibtest::DibTest::At(x, y) = dibtest::kWhite;
  Canvas canvas(640, 240);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc);  // a display: ratio 1.0, cells of 32 pixels
  doc.SetPaintSize(320, 240);
  const IMGPAINTER* device = DevicePainterTable[0].data();
  const IMGPAINTER* memory = DibPainterTable[DIB_FULLCOLOUR].data();

  Poly hatched({{{10, 10}, {150, 10}, {150, 90}, {80, 120}, {10, 90}, {10, 10}}});
  device[PRIM_HATCH](&doc, hatched.get(), Words({0xA00000, HATCH_GRID, 250, 750}).data(), 1.0f);
  doc.SetPaintDevice(canvas.dc, 25400.0, 25400.0);  // micrometres as pixels
  Poly tiled({{{170, 10}, {310, 20}, {300, 130}, {180, 120}, {170, 10}}});
  std::vector<DWORD> ring(16, 0x80008000);
  ring[0] = ring[15] = 0xFFFF8000;
  const std::vector<DWORD> dot = {0, 0, 0, 0, 0, 0, 0, 0x01F00000, 0x01F00000, 0x01F00000};
  device[PRIM_LAYERED_PATTERN](
      &doc, tiled.get(),
      Layered(0x5A5A, 32, 36, 36, {{0x0000C0, ring}, {0x008000, dot}}).data(), 1.0f);
  doc.RestorePaintDevice();

  const std::vector<char> sign = Sign(0, 0)
                                     .Subject(7, PRIM_SQUARE, {0x00A000}, {{0, 0}, {1500, 1500}})
                                     .Subject(0, PRIM_LINE, {0x000000, 500}, {{0, 0}, {6000, 0}})
                                     .Subject(101, PRIM_SQUARE, {0x0000FF},
                                              {{6000, -3000}, {12000, -3000}, {12000, 3000},
                                               {6000, 3000}, {6000, -3000}})
                                     .Subject(102, PRIM_SQUARE, {},
                                              {{7500, -1500}, {10500, -1500}, {10500, 1500},
                                               {7500, 1500}, {7500, -1500}})
                                     .Subject(103, 0, {}, {})
                                     .Subject(0, PRIM_LINE, {5, 250}, {{12000, 3000}, {14000, 6000}})
                                     .Done();
  const std::vector<char> ref = Reference(sign);
  const COLORREF table[8] = {0, 0, 0, 0, 0, 0xFF00FF, 0, 0};
  SetDibPalette(table, 8);
  doc.SetPaintPalette(8, table, 100);
  struct {
    int code;
    const std::vector<char>* parm;
    std::vector<POINT> line;
  } signs[] = {{PRIM_VECTOR, &sign, {{20, 160}, {120, 160}}},
               {PRIM_VECTOR_MIRROR, &sign, {{160, 160}, {260, 200}}},
               {PRIM_VECTOR_REF, &ref, {{60, 220}, {120, 190}}}};
  for (const auto& s : signs) {
    Poly at({s.line});
    device[s.code](&doc, at.get(), s.parm->data(), 1.0f);
    memory[s.code](&doc, at.get(), s.parm->data(), 1.0f);
  }
  CopyPaintDibToDc(canvas.dc, 320, 0);
  const std::string path = std::string(MC_TEST_TMP) + "/patternfills_signs.png";
  EXPECT_TRUE(plat::gdi::WritePng(canvas.dc, path.c_str()));

  auto at = [&](int x, int y) { return plat::gdi::GetPixelColor(canvas.dc, x, y); };
  // The grid hatch: lines every 4 pixels from the figure's corner (10, 10).
  EXPECT_EQ(at(50, 50), 0xA00000u);
  EXPECT_EQ(at(51, 51), 0xFFFFFFu);
  EXPECT_EQ(at(51, 78), 0xA00000u);
  // The tiles: steps of 36 from (170, 10), figure cell (1, 1) at (206, 46)
  // with its ring and its dot, cell (1, 0) left empty by the stagger.
  EXPECT_EQ(at(206 + 8, 46), 0x0000C0u);
  EXPECT_EQ(at(206 + 16, 46 + 8), 0x0000C0u);
  EXPECT_EQ(at(206 + 9, 46 + 8), 0x008000u);
  EXPECT_EQ(at(206 + 8, 10), 0xFFFFFFu);
  // The signs alike on both roads: the circle at each anchor, the square
  // ring around its open hole 9 mm along the sign.
  const double k = GetScreenPixelsPerMeterH() * 1e-6;
  const int hole = 20 + NearestPixel(9000 * k), band = 20 + NearestPixel(6500 * k);
  for (int x0 : {0, 320}) {
    EXPECT_EQ(at(x0 + 20, 160 + NearestPixel(1000 * k)), 0x00A000u) << x0;
    EXPECT_EQ(at(x0 + hole, 160), 0xFFFFFFu) << x0;
    EXPECT_EQ(at(x0 + band, 160), 0x0000FFu) << x0;
  }

  FreePaintDib();
  DetachPointBuffers();
  DevicePaintState = {DT_RASDISPLAY, 0, 0};
}

}  // namespace
