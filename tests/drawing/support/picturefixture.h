// The paint context's memory image as the picture of its own memory context
// (whose rows from the top are the section's), over a draw place of w x h
// on a raster display of that size, for the tests of what goes straight
// into a picture.
#pragma once

#include <gtest/gtest.h>

#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"

namespace drawtest {

class PictureFixture : public ::testing::Test {
 protected:
  void Open(int w, int h) {
    ASSERT_EQ(AllocPaintDib(w, h, 4), 0);
    PaintContext.PictureTop = PaintContext.SectionTop;
    PaintContext.PictureDc = PaintContext.MemoryDc;
    PaintContext.ImageWidth = w, PaintContext.ImageHeight = h;
    saved_ = DevicePaintState;
    DevicePaintState = {DT_RASDISPLAY, w, h};
  }
  void TearDown() override {
    DevicePaintState = saved_;
    PaintContext.PictureDc = nullptr;
    PaintContext.ImageWidth = PaintContext.ImageHeight = 0;
    FreePaintDib();
  }
  // The picture's pixel as a colour.
  static COLORREF At(int x, int y) {
    const DWORD v = reinterpret_cast<const DWORD*>(PaintContext.SectionTop - y * PaintContext.Stride)[x];
    return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
  }

 private:
  DEVICEPAINTSTATE saved_{};
};

}  // namespace drawtest
