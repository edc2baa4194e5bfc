// The paint context on its own: the memory image with its margin and mask
// planes, allocation failures that leave nothing behind, the point buffer's
// growth, the colour tables, the copies to a device and the ink the font
// registry measures on the image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devices/fontreg.h"
#include "drawing/paintcontext.h"
#include "platform/fault.h"
#include "platform/gdi/gdi_test.h"
#include "support/host_recorder.h"

namespace {

using plat::gdi::LiveObjects;
using plat::gdi::ObjectKind;

class PaintContextTest : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    FreePaintDib();
    PaintContext.UseCount = 0;
    FreePointBuffers();
  }
  mctest::RecordingMessageBox boxes;

  std::string LastBox() const { return boxes.boxes().empty() ? "" : boxes.boxes().back().text; }
};

TEST_F(PaintContextTest, ImageHasMarginRowsPaddedWidthAndTwoMaskPlanes) {
  ASSERT_EQ(AllocPaintDib(100, 50, 4), 0);
  const TPaintContext& p = PaintContext;
  EXPECT_EQ(p.Stride, 128 * 4);  // width padded to 32 pixels
  EXPECT_EQ(p.PictureHeight, 50);
  EXPECT_EQ(p.PictureTop, p.Bits + 49 * p.Stride);
  EXPECT_EQ(p.SectionTop, p.Bits + 57 * p.Stride);
  // Handed out, the header describes the picture part only.
  EXPECT_EQ(p.Info->bmiHeader.biHeight, 50);
  EXPECT_EQ(p.Info->bmiHeader.biWidth, 128);
  EXPECT_EQ(p.Info->bmiHeader.biSizeImage, 50u * 128 * 4);
  EXPECT_EQ(p.MaskRowBytes, 16);
  EXPECT_EQ(p.MaskRows, 108);
  EXPECT_EQ(p.MaskTop1, p.MaskBits + (4 + 49) * 16);
  EXPECT_EQ(p.MaskTop2, p.MaskTop1 + 50 * 16);

  // Device row 0 of the memory DC is the top margin row; the picture's top
  // row is device row 8.
  plat::gdi::SurfaceView view;
  ASSERT_TRUE(plat::gdi::GetSurface(p.MemoryDc, &view));
  EXPECT_EQ(view.height, 58);
  std::memset(p.PictureTop, 0xFF, 4);
  EXPECT_EQ(plat::gdi::GetPixelValue(p.MemoryDc, 0, 8) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(plat::gdi::GetPixelValue(p.MemoryDc, 0, 7) & 0xFFFFFF, 0u);
}

TEST_F(PaintContextTest, SmallerRequestKeepsTheImageLargerRemakesIt) {
  ASSERT_EQ(AllocPaintDib(200, 100, 4), 0);
  BYTE* bits = PaintContext.Bits;
  EXPECT_EQ(AllocPaintDib(150, 80, 4), 0);
  EXPECT_EQ(PaintContext.Bits, bits);
  EXPECT_EQ(PaintContext.PictureHeight, 100);
  EXPECT_EQ(AllocPaintDib(200, 101, 4), 0);
  EXPECT_EQ(PaintContext.PictureHeight, 101);
  EXPECT_EQ(AllocPaintDib(300, 10, 4), 0);
  EXPECT_EQ(PaintContext.Stride, 320 * 4);
  EXPECT_EQ(PaintContext.PictureHeight, 10);
  EXPECT_TRUE(boxes.boxes().empty());
}

// Each failing step reports its name and leaves no part of the image.
TEST_F(PaintContextTest, FailedImageIsReportedAndLeavesNothing) {
  const int dcs = LiveObjects(ObjectKind::Dc), bitmaps = LiveObjects(ObjectKind::Bitmap);
  struct Case {
    int allocation;
    const char* name;
  } cases[] = {{1, "DIB"}, {2, "BITS IMAGE"}};
  for (const Case& c : cases) {
    plat::fault::FailAllocation(c.allocation);
    EXPECT_EQ(AllocPaintDib(64, 64, 4), PAINT_DIB_FAILED) << c.name;
    EXPECT_NE(LastBox().find(c.name), std::string::npos) << LastBox();
    EXPECT_EQ(PaintContext.Info, nullptr);
    EXPECT_EQ(PaintContext.MemoryDc, nullptr);
    EXPECT_EQ(PaintContext.Bits, nullptr);
    EXPECT_EQ(PaintContext.MaskBits, nullptr);
    EXPECT_EQ(LiveObjects(ObjectKind::Dc), dcs);
    EXPECT_EQ(LiveObjects(ObjectKind::Bitmap), bitmaps);
    EXPECT_EQ(GetPaintDc(), PaintContext.MemoryDc);  // remade on demand
    EXPECT_NE(PaintContext.MaskBits, nullptr);
    FreePaintDib();
    PaintContext.UseCount = 0;
  }
  EXPECT_EQ(AllocPaintDib(0x40000, 0x4000, 4), PAINT_DIB_FAILED);
  EXPECT_NE(LastBox().find("DIB-SECTION"), std::string::npos) << LastBox();
  EXPECT_EQ(AllocPaintDib(0, 10, 4), PAINT_DIB_FAILED);
  EXPECT_EQ(AllocPaintDib(10, 10, 2), PAINT_DIB_FAILED);
}

TEST_F(PaintContextTest, OpenAndCloseCountUsers) {
  plat::gdi::SetDisplay(320, 200, 96, true);
  EXPECT_EQ(OpenPaintDib(), 0);
  EXPECT_EQ(OpenPaintDib(), 0);
  EXPECT_EQ(PaintContext.PictureHeight, 200);
  int w = 0, h = 0;
  GetScreenPixelSize(&w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
  ClosePaintDib();
  EXPECT_NE(PaintContext.MemoryDc, nullptr);
  ClosePaintDib();
  EXPECT_EQ(PaintContext.MemoryDc, nullptr);
  EXPECT_EQ(PaintContext.UseCount, 0);
  plat::gdi::SetDisplay(1920, 1080, 96, true);
}

TEST_F(PaintContextTest, PointBufferGrowsWithinItsLimitAndStaysUsable) {
  ASSERT_EQ(AllocPointBuffers(), 1);
  TPaintContext& p = PaintContext;
  POINT* points = p.PointArea;
  EXPECT_EQ(p.PointCapacity, POINT_AREA_START);
  EXPECT_EQ(reinterpret_cast<BYTE*>(p.TextArea), reinterpret_cast<BYTE*>(points + 128000));
  EXPECT_EQ(reinterpret_cast<BYTE*>(p.PolyArea),
            reinterpret_cast<BYTE*>(p.TextArea) + TEXT_AREA_SIZE * sizeof(char*));
  EXPECT_EQ(p.WorkBufferSize, WORK_BUFFER_SIZE);

  EXPECT_EQ(GrowPointBuffer(100000), 1);
  EXPECT_EQ(p.PointArea, points);  // no reallocation
  EXPECT_EQ(GrowPointBuffer(POINT_AREA_LIMIT + 1), 0);
  EXPECT_EQ(p.PointArea, points);
  p.PolyArea[POLY_AREA_SIZE - 1] = 7;  // still writable to its end

  plat::fault::FailAllocation(1);
  EXPECT_EQ(GrowPointBuffer(300000), 0);
  EXPECT_EQ(p.PointArea, points);
  EXPECT_EQ(p.PointCapacity, POINT_AREA_START);
  EXPECT_NE(LastBox().find("POINTBUFFER"), std::string::npos);

  EXPECT_EQ(GrowPointBuffer(POINT_AREA_LIMIT), 1);
  EXPECT_EQ(p.PointCapacity, POINT_AREA_LIMIT);
  p.PointArea[POINT_AREA_LIMIT - 1] = POINT{1, 2};
  p.PolyArea[POLY_AREA_SIZE - 1] = 7;

  // A failure is shown once per process.
  FreePointBuffers();
  const size_t shown = boxes.boxes().size();
  plat::fault::FailAllocation(1);
  EXPECT_EQ(AllocPointBuffers(), 0);
  EXPECT_EQ(p.PointArea, nullptr);
  EXPECT_EQ(boxes.boxes().size(), shown);
}

TEST_F(PaintContextTest, InstancesShareTheBuffers) {
  EXPECT_EQ(AttachPointBuffers(), 1);
  POINT* points = PaintContext.PointArea;
  EXPECT_EQ(AttachPointBuffers(), 1);
  EXPECT_EQ(PaintContext.PointArea, points);
  DetachPointBuffers();
  EXPECT_EQ(PaintContext.PointArea, points);
  DetachPointBuffers();
  EXPECT_EQ(PaintContext.PointArea, nullptr);
  EXPECT_EQ(PaintContext.WorkBuffer, nullptr);
}

TEST_F(PaintContextTest, ColourTablesAndPaintStep) {
  SetDibPalette(nullptr, 256);
  EXPECT_EQ(PaintContext.ColorsA[0], 0u);
  EXPECT_EQ(PaintContext.ColorsA[255], 255u);
  EXPECT_EQ(PaintContext.ColorsB[255], 256u);
  const COLORREF colours[2] = {0x00112233, 0xFF0000FF};
  SetDibPalette(colours, 2);
  EXPECT_EQ(PaintContext.ColorsA[1], 0xFF0000FFu);
  EXPECT_EQ(PaintContext.ColorsB[0], 0x00332211u);
  EXPECT_EQ(PaintContext.ColorsB[1], 0x00FF0000u);
  EXPECT_EQ(PaintContext.ColorsB[2], 3u);  // beyond n: untouched

  EXPECT_EQ(SetPaintStepValue(0), PAINT_STEP_ON);
  EXPECT_EQ(PaintContext.PaintStep, PAINT_STEP_OFF);
  EXPECT_EQ(SetPaintStepValue(1), PAINT_STEP_OFF);
}

TEST_F(PaintContextTest, CopiesBoundedByTheImageSize) {
  ASSERT_EQ(AllocPaintDib(64, 32, 4), 0);
  HDC device = plat::gdi::CreateDeviceContext(DT_RASPRINTER, 100, 100, 300, 300);
  // Picture pixel (2, 1) is red.
  const DWORD red = 0x00FF0000;
  std::memcpy(PaintContext.PictureTop - PaintContext.Stride + 2 * 4, &red, 4);
  PaintContext.ImageWidth = 10;
  PaintContext.ImageHeight = 5;
  CopyPaintDibToDc(nullptr, 0, 0);  // no window DC: nothing
  CopyPaintDibToDc(device, 20, 30);
  EXPECT_EQ(plat::gdi::GetPixelColor(device, 22, 31), 0x000000FFu);  // COLORREF red
  EXPECT_EQ(plat::gdi::GetPixelColor(device, 20, 30), 0u);
  EXPECT_EQ(plat::gdi::GetPixelColor(device, 30, 30), 0x00FFFFFFu);  // beyond the width

  std::memset(PaintContext.Bits, 0, static_cast<size_t>(PaintContext.Stride) * 40);
  CopyDcToPaintDib(device, 20, 30);
  DWORD back;
  std::memcpy(&back, PaintContext.PictureTop - PaintContext.Stride + 2 * 4, 4);
  EXPECT_EQ(back & 0xFFFFFF, red);
  plat::DeleteDC(device);
}

// The font registry measures the digits' ink on the whole section, with the
// margin above the picture.
TEST_F(PaintContextTest, InkProviderDescribesTheSection) {
  ASSERT_EQ(AllocPaintDib(256, 100, 4), 0);
  MapFontInkProc provider = SetMapFontInkProvider(nullptr);
  ASSERT_NE(provider, nullptr);
  SetMapFontInkProvider(provider);
  MapFontInkContext c{};
  ASSERT_TRUE(provider(&c));
  EXPECT_EQ(c.dc, PaintContext.MemoryDc);
  EXPECT_EQ(c.bits, PaintContext.Bits);
  EXPECT_EQ(c.rowBytes, 256 * 4);
  EXPECT_EQ(c.height, 108);
  EXPECT_EQ(c.topMargin, 8);
  FreePaintDib();
  EXPECT_FALSE(provider(&c));
}

}  // namespace
