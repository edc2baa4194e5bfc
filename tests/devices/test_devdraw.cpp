// Device drawing wrappers: on a device and through a host's callback table.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devices/devdraw.h"
#include "devices/support/devcanvas.h"
#include "platform/gdi/gdi_test.h"

namespace {

using plat::gdi::GetPixelColor;

using devtest::Canvas;

// What the host's callbacks received, one line a call.
std::vector<std::string> g_calls;
template <class... A>
void Record(const char* format, A... args) {
  char line[128];
  std::snprintf(line, sizeof line, format, args...);
  g_calls.push_back(line);
}
void WINAPI OnPolyline(POINT* p, int n) { Record("line %d %d,%d", n, p[0].x, p[n - 1].y); }
void WINAPI OnPolygon(POINT*, int* counts, int n, RECT* b) {
  Record("area %d %d %d,%d,%d,%d", n, counts[0], b->left, b->top, b->right, b->bottom);
}
void WINAPI OnText(int x, int y, const char* text, LOGFONTA*, int zero, COLORREF c) {
  Record("text %d,%d %s %d %u", x, y, text, zero, c);
}
void WINAPI OnPen(int w, COLORREF c) { Record("pen %d %u", w, c); }
void WINAPI OnBrush(COLORREF c) { Record("brush %u", c); }

class Installed {
 public:
  explicit Installed(DrawingCallbackTable* t) { old_ = SetDrawingCallbacks(t); }
  ~Installed() { SetDrawingCallbacks(old_); }

 private:
  DrawingCallbackTable* old_;
};

TEST(DevDraw, FillDeviceRectInSlices) {
  Canvas c(8, 8);
  int brushes = plat::gdi::LiveObjects(plat::gdi::ObjectKind::Brush);
  plat::gdi::EnableCallLog(c.dc, true);
  RECT wide{0, 0, 40000, 5};
  FillDeviceRect(c.dc, &wide, 0x0000FF);
  EXPECT_EQ(plat::gdi::CallLog(c.dc),
            (std::vector<std::string>{"FillRect(0,0,16368,5)", "FillRect(16368,0,32736,5)",
                                      "FillRect(32736,0,40000,5)"}));
  EXPECT_EQ(GetPixelColor(c.dc, 7, 4), 0x0000FFu);
  EXPECT_EQ(plat::gdi::LiveObjects(plat::gdi::ObjectKind::Brush), brushes);
  RECT small{0, 0, 2, 2};
  FillDeviceRect(c.dc, &small, 0xFFFFFFFF);
  EXPECT_EQ(GetPixelColor(c.dc, 1, 1), 0xFFFFFFu);
  FillDeviceRect(nullptr, &small, 0);
  FillDeviceRect(c.dc, nullptr, 0);
}

TEST(DevDraw, LinesDrawTheirEndPixel) {
  Canvas c(10, 10);
  DrawLine(c.dc, 1, 1, 5, 1);
  EXPECT_EQ(GetPixelColor(c.dc, 5, 1), 0u);
  EXPECT_EQ(GetPixelColor(c.dc, 5, 2), 0xFFFFFFu);  // only the end pixel more
  POINT dot = {7, 7};
  DrawPolyline(c.dc, &dot, 1);
  EXPECT_EQ(GetPixelColor(c.dc, 7, 7), 0u);
  EXPECT_EQ(GetPixelColor(c.dc, 7, 8), 0xFFFFFFu);
  EXPECT_EQ(c.Count(0, 10, 10), 5 + 1);
  POINT run[] = {{0, 9}, {4, 9}, {4, 5}};
  DrawPolyline(c.dc, run, 3);
  EXPECT_EQ(GetPixelColor(c.dc, 4, 5), 0u);
  DrawPolyline(c.dc, run, 0);
}

TEST(DevDraw, PolylineUnderNotKeepsTheEndPixelOut) {
  Canvas c(10, 10);
  SetDeviceRop2(c.dc, R2_NOT);
  POINT run[] = {{1, 1}, {6, 1}, {6, 6}};
  DrawPolyline(c.dc, run, 3);
  EXPECT_EQ(GetPixelColor(c.dc, 6, 6), 0xFFFFFFu);
  EXPECT_EQ(c.Count(0, 10, 10), 10);
  DrawPolyline(c.dc, run, 3);  // inverting twice restores everything
  EXPECT_EQ(c.Count(0, 10, 10), 0);
}

TEST(DevDraw, PolygonsNeedFourPoints) {
  Canvas c(10, 10);
  DeviceBrush b = SelectDeviceBrush(c.dc, 0x00FF00);
  POINT tri[] = {{0, 0}, {9, 0}, {0, 9}};
  DrawPolygon(c.dc, tri, 3);
  EXPECT_EQ(c.Count(0xFFFFFF, 10, 10), 100);
  POINT closed[] = {{0, 0}, {9, 0}, {0, 9}, {0, 0}};
  DrawPolygon(c.dc, closed, 4);
  EXPECT_GT(c.Count(0x00FF00, 10, 10), 20);
  RestoreDeviceBrush(c.dc, b);
}

TEST(DevDraw, PensAndBrushesAreRestoredAndDeleted) {
  Canvas c(4, 4);
  int pens = plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen);
  DevicePen p = SelectDevicePen(c.dc, 0, 0xFF);
  ASSERT_NE(p.pen, nullptr);
  EXPECT_EQ(p.old, plat::GetStockObject(BLACK_PEN));
  DrawLine(c.dc, 0, 0, 3, 0);  // a null pen draws nothing
  EXPECT_EQ(c.Count(0xFF, 4, 4), 0);
  RestoreDevicePen(c.dc, p);
  EXPECT_EQ(plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen), pens);
  DevicePen none = SelectDevicePen(nullptr, 3, 0);
  EXPECT_EQ(none.pen, nullptr);
  EXPECT_EQ(none.old, nullptr);
  RestoreDevicePen(nullptr, none);
  DeviceBrush nb = SelectDeviceBrush(nullptr, 0);
  EXPECT_EQ(nb.brush, nullptr);
}

TEST(DevDraw, CallbackTableReplacesTheDevice) {
  Canvas c(10, 10);
  g_calls.clear();
  DrawingCallbackTable table{OnPolyline, OnPolygon, OnText, OnPen, OnBrush, nullptr};
  {
    Installed on(&table);
    DrawLine(c.dc, 1, 2, 3, 4);
    POINT one = {5, 6};
    DrawPolyline(c.dc, &one, 1);
    POINT quad[] = {{1, 1}, {8, 2}, {5, 9}, {1, 1}};
    DrawPolygon(c.dc, quad, 3);
    DrawPolygon(c.dc, quad, 4);
    INT counts[] = {4};
    DrawPolyPolygon(c.dc, quad, counts, 1, nullptr);
    DevicePen p = SelectDevicePen(c.dc, 2, 5);
    EXPECT_EQ(p.pen, nullptr);
    RestoreDevicePen(c.dc, p);
    SelectDeviceBrush(c.dc, 7);
    LOGFONTA lf{};
    lf.lfHeight = 20;
    lf.lfEscapement = 900;
    strcpy(lf.lfFaceName, "Arial");
    DrawDeviceText(c.dc, 50, 60, "Map", 3, &lf, TA_RIGHT, 9);
    DrawDeviceText(c.dc, 50, 60, "Map", 3, &lf, TA_LEFT, 9);
  }
  EXPECT_EQ(c.Count(0xFFFFFF, 10, 10), 100);  // nothing reached the device
  // Right-aligned text turned 90 degrees starts one extent further down.
  LOGFONTA lf{};
  lf.lfHeight = 20;
  strcpy(lf.lfFaceName, "Arial");
  HDC ic = plat::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  HGDIOBJ old = plat::SelectObject(ic, plat::CreateFontIndirectA(&lf));
  SIZE size;
  plat::GetTextExtentPoint32A(ic, "Map", 3, &size);
  plat::DeleteObject(plat::SelectObject(ic, old));
  plat::DeleteDC(ic);
  std::vector<std::string> want = {"line 2 1,4",
                                   "line 2 5,6",
                                   "area 1 4 1,1,9,10",
                                   "area 1 4 1,1,9,10",
                                   "pen 2 5",
                                   "brush 7",
                                   "text 50," + std::to_string(60 + size.cx) + " Map 0 9",
                                   "text 50,60 Map 0 9"};
  EXPECT_EQ(g_calls, want);
}

TEST(DevDraw, NullSlotsDrawNothing) {
  Canvas c(10, 10);
  DrawingCallbackTable empty{};
  Installed on(&empty);
  DrawLine(c.dc, 0, 0, 9, 9);
  POINT run[] = {{0, 5}, {9, 5}};
  DrawPolyline(c.dc, run, 2);
  LOGFONTA lf{};
  lf.lfHeight = 8;
  DrawDeviceText(c.dc, 0, 8, "x", 1, &lf, 0, 0);
  EXPECT_EQ(c.Count(0xFFFFFF, 10, 10), 100);
  // FillDeviceRect always draws on the device.
  RECT r{0, 0, 2, 2};
  FillDeviceRect(c.dc, &r, 0);
  EXPECT_EQ(c.Count(0, 10, 10), 4);
}

TEST(DevDraw, TextOnThePaintContextMovesDownByTheMargin) {
  Canvas a(60, 60), b(60, 60);
  LOGFONTA lf{};
  lf.lfHeight = 20;
  strcpy(lf.lfFaceName, "Arial");
  DrawDeviceText(a.dc, 5, 30, "I", 1, &lf, TA_TOP, 0x0000FF);
  SetPaintMemoryDc(b.dc, 8);
  DrawDeviceText(b.dc, 5, 30, "I", 1, &lf, TA_TOP, 0x0000FF);
  SetPaintMemoryDc(nullptr, 0);
  auto rows = [](const Canvas& c) {  // first and last row with ink
    std::pair<int, int> r{-1, -1};
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        if (GetPixelColor(c.dc, x, y) == 0x0000FF) r = {r.first < 0 ? y : r.first, y};
    return r;
  };
  const int topA = rows(a).first, bottomA = rows(a).second, topB = rows(b).first;
  ASSERT_GE(topA, 0);
  EXPECT_EQ(bottomA, 29);  // the baseline is forced: ink ends on row y - 1
  EXPECT_EQ(topB, topA + 8);
  DrawDeviceText(a.dc, 5, 30, "I", 1, nullptr, 0, 0);
  DrawDeviceText(nullptr, 5, 30, "I", 1, &lf, 0, 0);
}

// A text anchored at the bounds of the coordinates (where a map frame too
// large for them puts it) stays there: the margin on the paint context and
// the move of a right-aligned text to the host go no further.
TEST(DevDraw, TextAtTheBoundsOfTheCoordinatesStaysThere) {
  Canvas c(10, 10);
  LOGFONTA lf{};
  lf.lfHeight = 20;
  strcpy(lf.lfFaceName, "Arial");
  SetPaintMemoryDc(c.dc, 8);
  DrawDeviceText(c.dc, 0, INT_MAX, "I", 1, &lf, TA_LEFT, 0);
  SetPaintMemoryDc(nullptr, 0);
  EXPECT_EQ(c.Count(0xFFFFFF, 10, 10), 100);

  g_calls.clear();
  DrawingCallbackTable table{nullptr, nullptr, OnText, nullptr, nullptr, nullptr};
  lf.lfEscapement = 900;
  {
    Installed on(&table);
    DrawDeviceText(c.dc, 0, INT_MAX, "Map", 3, &lf, TA_RIGHT, 0);
    lf.lfEscapement = 0;
    DrawDeviceText(c.dc, INT_MIN, 0, "Map", 3, &lf, TA_CENTER, 0);
  }
  const std::vector<std::string> want = {"text 0," + std::to_string(INT_MAX) + " Map 0 0",
                                         "text " + std::to_string(INT_MIN) + ",0 Map 0 0"};
  EXPECT_EQ(g_calls, want);
}

TEST(DevDraw, DeviceQueries) {
  int w = 0, h = 0, bpp = 0;
  plat::gdi::SetDisplay(1600, 900, 96, true);
  GetDisplaySize(&w, &h, &bpp);
  EXPECT_EQ(std::vector<int>({w, h, bpp}), std::vector<int>({1600, 900, 32}));
  plat::gdi::SetDisplay(0, 0, 0, false);  // none: 800 x 600
  GetDisplaySize(&w, &h, nullptr);
  EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({800, 600}));
  plat::gdi::SetDisplay(1920, 1080, 96, true);
  bpp = 0;
  GetDisplaySize(nullptr, &h, &bpp);
  EXPECT_EQ(bpp, 0);

  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 10, 10, 600, 300);
  int tech = -1;
  double x = 0, y = 0;
  GetDeviceResolution(printer, &tech, &x, &y);
  EXPECT_EQ(std::vector<double>({double(tech), x, y}),
            std::vector<double>({DT_RASPRINTER, 600, 300}));
  tech = -1;
  GetDeviceResolution(printer, &tech, nullptr, &y);
  EXPECT_EQ(tech, -1);
  plat::DeleteDC(printer);
}

TEST(DevDraw, DiskFreeSpace) {
  std::string tmp = MC_TEST_TMP;
  EXPECT_EQ(GetDiskFreeSpaceBytes(nullptr, 1), 0);
  EXPECT_EQ(GetDiskFreeSpaceBytes((tmp + "/x.map").c_str(), 1), 1);
  EXPECT_EQ(GetDiskFreeSpaceBytes((tmp + "/no/such/folder/x.map").c_str(), 1), 1);
  EXPECT_EQ(GetDiskFreeSpaceBytes((tmp + "/x.map").c_str(), 1e30), 0);
  EXPECT_EQ(GetDiskFreeSpaceBytes("relative.map", 1), 1);
}

}  // namespace
