// TPaintMetric: the link of the document chain between TMapMetric and the
// map document that paints image primitives. Every painter of the primitive
// tables receives it as its document.
//
// This link holds what the primitive tables, their walks and the
// memory-image painters read of the document: the device being painted on
// with its size and resolution, the current block of device painters, the
// visual type with its device flag, the scale method and the forced colour.
// The device painters (the colour tables, the fill intensity, the device
// set-up and the conversion of sizes into device pixels) complete it.
#pragma once

#include "drawing/mapmetric.h"
#include "drawing/primtables.h"
#include "platform/export.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

class MAPCLASS TPaintMetric : public TMapMetric {
 public:
  TPaintMetric();
  ~TPaintMetric();
  TPaintMetric(const TPaintMetric&) = delete;
  TPaintMetric& operator=(const TPaintMetric&) = delete;

  // Makes device block n (0..5) the current one; any other n: block 0.
  // Returns the block now current.
  const IMGPAINTER* SetDeviceBlock(int n);
  // Stores the size of the painting area in pixels; the previous size into
  // `old` when it is given.
  void SetPaintSize(int width, int height, SIZE* old = nullptr);

  // --- Painting state, in this order ---

  HDC PaintDc = nullptr;            // the device being painted on; null before one is set
  LONG Technology = DT_RASDISPLAY;  // GetDeviceCaps TECHNOLOGY of that device
  LONG PaintWidth = 0;              // painting area in pixels
  LONG PaintHeight = 0;
  double PixelsPerMicronH = 1.0 / 250.0;  // device pixels per micrometre
  double PixelsPerMicronV = 1.0 / 250.0;
  const IMGPAINTER* DeviceBlock = nullptr;  // current device block (block 0 after construction)
  LONG VisualType = 1;                      // 1 and 2: memory image; 3 and up: the device
  LONG DeviceFlag = 0;   // set by the painting loop for visual types 0, 4, 5, 12 and up:
                         // the device gets no image read back from it
  LONG ScaleMethod = 0;  // 0: signs grow less than the zoom and texts stay at
                         // least 5 pixels high; non-zero: sizes follow the zoom
  COLORREF ForcedColor = 0xFFFFFFFF;  // the colour of every element while painting a
                                      // selection; 0xFFFFFFFF: none
};
