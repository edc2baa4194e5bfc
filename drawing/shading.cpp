// Brightness and contrast shading (code 154) of the pixels under a polygon
// set: in the memory image, and on a device through the memory image.
#include <algorithm>
#include <cstdint>

#include "devices/devdraw.h"
#include "drawing/dibpainters.h"
#include "drawing/maskfill.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

int Percent(LONG v) { return std::clamp<LONG>(v, -100, 100); }

// Every pixel under the mask's set bits, its three colour bytes shaded.
void ShadeMask(const MaskFillContext& c, int b, int k) {
  const TPaintContext& p = PaintContext;
  if (c.AreaWords < 1 || c.AreaRows < 1 || c.AreaFirst == nullptr || p.PictureTop == nullptr)
    return;
  for (LONG r = 0; r < c.AreaRows; ++r) {
    const DWORD* mask = c.AreaFirst - int64_t(r) * (c.MaskRowBytes / 4);
    BYTE* row = p.PictureTop - int64_t(c.AreaTop + r) * p.Stride + 4 * int64_t(c.AreaLeft);
    for (LONG i = 0; i < c.AreaWords; ++i) {
      DWORD bits = mask[i];
      if (i == c.AreaWords - 1) bits &= c.LastMask;
      for (int j = 0; bits != 0; ++j, bits <<= 1) {
        if (!(bits & 0x80000000u)) continue;
        BYTE* pixel = row + 4 * (32 * int64_t(i) + j);
        for (int n = 0; n < 3; ++n) pixel[n] = ShadeByte(pixel[n], b, k);
      }
    }
  }
}

// The mask of the polygon set, then the shading of what lies under it.
void ShadePolygon(POLYDATA* data, int b, int k) {
  MaskFillContext mask;
  InitMaskFill(&mask);
  if (BuildScanEdges(&mask, data) == 0) return;
  ShadeMask(mask, b, k);
}

}  // namespace

BYTE ShadeByte(int c, int b, int k) {
  const int c1 = b <= 0 ? c + (b * c) / 100 : c + ((255 - c) * b) / 100;
  return static_cast<BYTE>(std::clamp(c1 - (k * (128 - c1)) / 100, 0, 255));
}

void PaintDibShade(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (!HasParts(data) || parm == nullptr) return;
  ShadePolygon(data, Percent(ParmLong(parm, 0)), Percent(ParmLong(parm, 1)));
}

void PaintShadeDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (doc == nullptr || doc->PaintDc == nullptr || !HasParts(data) || parm == nullptr) return;
  HDC dc = doc->PaintDc;
  const int b = Percent(ParmLong(parm, 0)), k = Percent(ParmLong(parm, 1));
  if (doc->DeviceFlag != 0) {
    // A device that gives no picture back: only full brightness shows, as
    // white.
    if (b != 100) return;
    const DevicePen pen = SelectDevicePen(dc, 1, kWhite);
    const DeviceBrush brush = SelectDeviceBrush(dc, kWhite);
    DrawPolyPolygon(dc, data->Points, reinterpret_cast<int*>(data->PolyCounts), data->Count,
                    nullptr);
    RestoreDeviceBrush(dc, brush);
    RestoreDevicePen(dc, pen);
    return;
  }
  if (dc == PaintContext.PictureDc) {
    // The picture rows are the device's own pixels: shaded where they lie.
    ShadePolygon(data, b, k);
    return;
  }
  if ((plat::GetDeviceCaps(dc, RASTERCAPS) & RC_BITBLT) == 0) return;
  if (GetPaintDc() == nullptr) return;

  // The picture in tiles of the memory image's size, each read back from
  // the device, shaded and copied to it again.
  TPaintContext& p = PaintContext;
  const LONG tileW = p.Stride / 4, tileH = p.PictureHeight;
  if (tileW < 1 || tileH < 1) return;
  const LONG width = p.ImageWidth, height = p.ImageHeight;
  LONG across = 1, down = 1;
  if (tileW < width) {
    across = (width + tileW - 1) / tileW;
    p.ImageWidth = tileW;
  }
  if (tileH < height) {
    down = (height + tileH - 1) / tileH;
    p.ImageHeight = tileH;
  }
  // Each tile sees the polylines moved by its corner; the caller's stay.
  TMovedPolyData tiles(data);
  for (LONG row = 0; row < down; ++row) {
    for (LONG column = 0; column < across; ++column) {
      POLYDATA* moved = tiles.MoveBy(SaturatePixel(-int64_t(column) * tileW),
                                     SaturatePixel(-int64_t(row) * tileH));
      if (moved == nullptr) break;
      CopyDcToPaintDib(dc, column * tileW, row * tileH);
      ShadePolygon(moved, b, k);
      CopyPaintDibToDc(dc, column * tileW, row * tileH);
    }
  }
  p.ImageWidth = width;
  p.ImageHeight = height;
}
