// Handles, live-object counts, stock objects, palettes, clip regions,
// device capabilities and the kinds of contexts.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui.h"
#include "support/canvas.h"

namespace {

using plat::gdi::LiveObjects;
using plat::gdi::ObjectKind;

int LiveTotal() {
  int n = 0;
  for (ObjectKind k :
       {ObjectKind::Dc, ObjectKind::Pen, ObjectKind::Brush, ObjectKind::Font, ObjectKind::Bitmap,
        ObjectKind::Palette, ObjectKind::Region, ObjectKind::MetaFile})
    n += LiveObjects(k);
  return n;
}

TEST(GdiObjects, NullGarbageAndStaleHandlesFailCleanly) {
  HDC garbage = reinterpret_cast<HDC>(0x12345678);
  EXPECT_FALSE(plat::LineTo(nullptr, 1, 1));
  EXPECT_FALSE(plat::LineTo(garbage, 1, 1));
  EXPECT_EQ(plat::GetDeviceCaps(garbage, TECHNOLOGY), 0);
  EXPECT_EQ(plat::SelectObject(garbage, plat::GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_FALSE(plat::DeleteObject(reinterpret_cast<HGDIOBJ>(&garbage)));
  EXPECT_FALSE(plat::DeleteDC(nullptr));
  HPEN pen = plat::CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(plat::DeleteObject(pen));
  EXPECT_FALSE(plat::DeleteObject(pen));  // stale
  HDC dc = plat::CreateCompatibleDC(nullptr);
  EXPECT_EQ(plat::SelectObject(dc, pen), nullptr);
  // A handle of one kind is no handle of another.
  HBRUSH brush = plat::CreateSolidBrush(0);
  EXPECT_FALSE(plat::LineTo(reinterpret_cast<HDC>(brush), 0, 0));
  EXPECT_EQ(plat::FillRect(dc, nullptr, brush), 0);
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(plat::FillRect(dc, &r, reinterpret_cast<HBRUSH>(dc)), 0);
  plat::DeleteObject(brush);
  plat::DeleteDC(dc);
  EXPECT_FALSE(plat::DeleteDC(dc));
}

TEST(GdiObjects, LiveCountsAndSelectedObjects) {
  int before = LiveTotal();
  {
    Canvas c(4, 4);
    EXPECT_EQ(LiveTotal(), before + 2);  // the context and its bitmap
    HPEN pen = plat::CreatePen(PS_SOLID, 3, 0xFF);
    HGDIOBJ old = plat::SelectObject(c.dc(), pen);
    EXPECT_EQ(old, plat::GetStockObject(BLACK_PEN));
    // Still selected: the pen stays alive and the deletion fails.
    EXPECT_FALSE(plat::DeleteObject(pen));
    EXPECT_EQ(plat::SelectObject(c.dc(), old), pen);
    EXPECT_TRUE(plat::DeleteObject(pen));
    // Stock objects never die and are not counted.
    EXPECT_TRUE(plat::DeleteObject(plat::GetStockObject(WHITE_BRUSH)));
    EXPECT_NE(plat::GetStockObject(WHITE_BRUSH), nullptr);
    EXPECT_EQ(plat::GetStockObject(9), nullptr);
  }
  EXPECT_EQ(LiveTotal(), before);
}

TEST(GdiObjects, BitmapLivesInOneContextAtATime) {
  Canvas c(4, 4);
  HDC other = plat::CreateCompatibleDC(c.dc());
  EXPECT_EQ(plat::SelectObject(other, c.bitmap()), nullptr);
  EXPECT_FALSE(plat::DeleteObject(c.bitmap()));
  EXPECT_EQ(plat::gdi::GetPixelColor(other, 0, 0), CLR_INVALID);  // no surface
  plat::DeleteDC(other);
}

TEST(GdiObjects, PalettesKeepTheirEntries) {
  struct {
    WORD version, count;
    PALETTEENTRY e[3];
  } lp{0x300, 3, {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}}};
  HPALETTE pal = plat::CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
  ASSERT_NE(pal, nullptr);
  PALETTEENTRY e{10, 11, 12, 0};
  EXPECT_EQ(plat::SetPaletteEntries(pal, 2, 5, &e), 1u);
  PALETTEENTRY got[3];
  EXPECT_EQ(plat::GetPaletteEntries(pal, 0, 3, got), 3u);
  EXPECT_EQ(got[2].peRed, 10);
  EXPECT_EQ(plat::GetPaletteEntries(pal, 0, 0, nullptr), 3u);
  Canvas c(2, 2);
  HPALETTE old = plat::SelectPalette(c.dc(), pal, FALSE);
  EXPECT_EQ(old, plat::GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(plat::RealizePalette(c.dc()), 0u);
  EXPECT_FALSE(plat::DeleteObject(pal));
  EXPECT_EQ(plat::SelectPalette(c.dc(), old, TRUE), pal);
  EXPECT_TRUE(plat::DeleteObject(pal));
}

TEST(GdiObjects, ClipRegionIsCopiedAndBoxed) {
  Canvas c(20, 20);
  c.Clear(0xFFFFFF);
  HRGN rgn = plat::CreateRectRgn(15, 12, 5, 2);  // corners in any order
  EXPECT_EQ(plat::SelectClipRgn(c.dc(), rgn), SIMPLEREGION);
  EXPECT_TRUE(plat::DeleteObject(rgn));
  plat::SetViewportOrgEx(c.dc(), 1, 1, nullptr);
  RECT box;
  EXPECT_EQ(plat::GetClipBox(c.dc(), &box), SIMPLEREGION);
  const RECT logical{4, 1, 14, 11};  // device (5, 2)-(15, 12) less the origin
  EXPECT_EQ(memcmp(&box, &logical, sizeof box), 0);
  HBRUSH b = plat::CreateSolidBrush(0);
  RECT all{-5, -5, 30, 30};
  plat::FillRect(c.dc(), &all, b);
  EXPECT_EQ(c.Count(0), 100);
  EXPECT_EQ(plat::SelectClipRgn(c.dc(), nullptr), SIMPLEREGION);
  plat::FillRect(c.dc(), &all, b);
  EXPECT_EQ(c.Count(0), 400);
  plat::DeleteObject(b);
}

TEST(GdiObjects, DeviceCapabilities) {
  plat::gdi::SetDisplay(1280, 1024, 96, true);
  HDC ic = plat::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  for (auto [cap, value] :
       {std::pair{TECHNOLOGY, DT_RASDISPLAY}, {HORZRES, 1280}, {VERTRES, 1024}, {LOGPIXELSY, 96}})
    EXPECT_EQ(plat::GetDeviceCaps(ic, cap), value) << cap;
  EXPECT_TRUE(plat::GetDeviceCaps(ic, RASTERCAPS) & RC_BITBLT);
  EXPECT_EQ(plat::CreateICA("PRINTER", nullptr, nullptr, nullptr), nullptr);

  HDC printer = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 400, 300, 300, 600);
  ASSERT_NE(printer, nullptr);
  for (auto [cap, value] :
       {std::pair{TECHNOLOGY, DT_RASPRINTER}, {LOGPIXELSX, 300}, {LOGPIXELSY, 600}, {HORZRES, 400}})
    EXPECT_EQ(plat::GetDeviceCaps(printer, cap), value) << cap;
  EXPECT_EQ(plat::gdi::GetPixelColor(printer, 399, 299), 0xFFFFFFu);
  HDC mem = plat::CreateCompatibleDC(printer);
  EXPECT_EQ(plat::GetDeviceCaps(mem, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(plat::GetDeviceCaps(mem, LOGPIXELSX), 300);
  HDC plotter = plat::gdi::CreateDeviceContext(DT_PLOTTER, 10, 10, 100, 100);
  EXPECT_EQ(plat::GetDeviceCaps(plotter, TECHNOLOGY), DT_PLOTTER);
  EXPECT_FALSE(plat::GetDeviceCaps(plotter, RASTERCAPS) & RC_BITBLT);

  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(meta, nullptr);
  EXPECT_EQ(plat::GetDeviceCaps(meta, TECHNOLOGY), DT_METAFILE);
  EXPECT_EQ(plat::GetDeviceCaps(meta, LOGPIXELSY), 96);
  EXPECT_FALSE(plat::GetDeviceCaps(meta, RASTERCAPS) & RC_BITBLT);
  HENHMETAFILE emf = plat::CloseEnhMetaFile(meta);
  EXPECT_TRUE(plat::DeleteEnhMetaFile(emf));
  EXPECT_FALSE(plat::DeleteEnhMetaFile(emf));

  plat::gdi::SetDisplay(0, 0, 0, false);
  EXPECT_EQ(plat::CreateICA("DISPLAY", nullptr, nullptr, nullptr), nullptr);
  plat::gdi::SetDisplay(1920, 1080, 96, true);
  for (HDC d : {ic, printer, mem, plotter}) EXPECT_TRUE(plat::DeleteDC(d));
}

LRESULT Proc(HWND, UINT, WPARAM, LPARAM, void*) { return 0; }

TEST(GdiObjects, WindowContextsDrawOnABackingSurface) {
  HWND w = plat::CreateHostWindow(Proc, nullptr, 30, 20);
  HDC dc = plat::GetDC(w);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(plat::GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
  EXPECT_FALSE(plat::DeleteDC(dc));  // a window context is released
  EXPECT_EQ(plat::SetPixel(dc, 29, 19, 0x123456), 0x123456u);
  EXPECT_EQ(plat::ReleaseDC(w, dc), 1);
  plat::gdi::SurfaceView v;
  ASSERT_TRUE(plat::gdi::GetWindowSurface(w, &v));
  EXPECT_EQ(v.width, 30);
  EXPECT_EQ(plat::gdi::GetPixelColor(v, nullptr, 29, 19), 0x123456u);
  // The surface follows the client size.
  plat::SetClientSize(w, 40, 10);
  dc = plat::GetDC(w);
  plat::gdi::SurfaceView v2;
  ASSERT_TRUE(plat::gdi::GetSurface(dc, &v2));
  EXPECT_EQ(v2.width, 40);
  EXPECT_EQ(v2.height, 10);
  EXPECT_EQ(plat::ReleaseDC(w, dc), 1);
  plat::DestroyHostWindow(w);
  EXPECT_EQ(plat::GetDC(w), nullptr);
  EXPECT_EQ(plat::GetDC(nullptr), nullptr);
}

}  // namespace
