// TPaintMetric: the painting link of the document chain.
#include "drawing/paintmetric.h"

TPaintMetric::TPaintMetric() { DeviceBlock = DevicePainterTable[0].data(); }

TPaintMetric::~TPaintMetric() = default;

const IMGPAINTER* TPaintMetric::SetDeviceBlock(int n) {
  if (n < 0 || n >= DEVICE_BLOCK_COUNT) n = 0;
  DeviceBlock = DevicePainterTable[n].data();
  return DeviceBlock;
}

void TPaintMetric::SetPaintSize(int width, int height, SIZE* old) {
  if (old != nullptr) *old = SIZE{PaintWidth, PaintHeight};
  PaintWidth = width;
  PaintHeight = height;
}
