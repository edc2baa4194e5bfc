// TPaintMetric: the link of the document chain between TMapMetric and the
// map document that paints image primitives. Every painter of the primitive
// tables receives it as its document.
//
// This link holds what the primitive tables, their walks and the painters
// read of the document: the device being painted on with its technology,
// size and resolution, the current block of device painters, the visual
// type with its device flag, the scale method and the forced colour; and
// for the device painters the conversion of sizes (micrometres at scale
// 1.0) into device pixels and of colour words into device colours through
// two 256-entry colour tables and the fill intensity.
//
// Colour words as the device sees them: top byte 0xF0 names entry (low
// byte) of the line or fill table; every other word's low 24 bits are a
// COLORREF shifted by the painting brightness and contrast (0xF1 words
// too), then, for fills, by the fill intensity.
#pragma once

#include "drawing/mapmetric.h"
#include "drawing/primtables.h"
#include "platform/export.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

enum : int {
  PAINT_COLOR_COUNT = 256,  // entries of each colour table
  PAINT_COLOR_ROOM = 272,   // room kept for them
  FILL_INTENSITY_DEFAULT = 50,
};

// What TPaintMetric::SetPaintDevice saves and RestorePaintDevice puts back.
struct PAINTDEVICESAVE {
  HDC Dc;
  LONG Technology;
  double ResolutionX;
  double ResolutionY;
  double LogPixelsY;
  double Ratio;
  double TextFactor100;
  double PixelsPerMicronH;
  double PixelsPerMicronV;
  double TextPixelsPerMicron;
};

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
  // Stores the size of the painting area in pixels (also for the device
  // outline operations); the previous size into `old` when it is given.
  void SetPaintSize(int width, int height, SIZE* old = nullptr);

  // --- Device ---

  // Saves the device state, then takes the device: with a DC its technology
  // and resolution (dots per inch; both given values positive replace it,
  // x horizontal and y vertical). Printers and plotters: pixels per
  // micrometre = resolution / 25400, ratio = its LOGPIXELSY / 96. Displays
  // and metafiles: the screen's pixels per metre x 1e-6 and ratio 1.0, or
  // with given values given / 25400 and the ratio of that to the screen's.
  // Text pixels per micrometre = the vertical value.
  void SetPaintDevice(HDC dc, double x = 0.0, double y = 0.0);
  // Puts back what the last SetPaintDevice saved.
  void RestorePaintDevice();
  // Device pixels per metre.
  double GetDeviceScaleX() const { return PixelsPerMicronH * 1e6; }
  double GetDeviceScaleY() const { return PixelsPerMicronV * 1e6; }

  // --- Colours ---
  //
  // The device units of a size and the device colours of colour words are
  // helpers of the painters inside the library (drawing/paintunits_internal.h).

  // Builds both tables from n colours (at most 256; none: n entries of 0)
  // at the intensity (-1: the saved one): 0..100 fills move toward white
  // by (100 - intensity)%, above 100 by (200 - intensity)% with colour 0
  // as no colour; -2..-4 are black-and-white modes.
  void SetPaintPalette(int n, const COLORREF* colors, int intensity);
  // Sets the current and saved fill intensity; returns the old one.
  int SetFillIntensity(int intensity);
  int GetFillIntensity() const { return FillIntensity; }

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

  // --- Device painting ---

  HDC TextDc = nullptr;       // on a raster printer the device texts go here when set
  double ResolutionX = 0.0;   // dots per inch in use
  double ResolutionY = 0.0;
  double LogPixelsY = 96.0;   // the device's own LOGPIXELSY
  double Ratio = 250.0;       // device pixels per screen pixel
  double TextFactor100 = 100.0 / 250.0;  // text pixels per micrometre x 100
  double TextPixelsPerMicron = 1.0 / 250.0;
  PAINTDEVICESAVE Saved{};
  COLORREF LineColors[PAINT_COLOR_ROOM] = {};
  COLORREF FillColors[PAINT_COLOR_ROOM] = {};
  LONG FillIntensity = FILL_INTENSITY_DEFAULT;
  LONG SavedFillIntensity = FILL_INTENSITY_DEFAULT;
  float BlendFactor = 0.5f;   // how far fill colours move toward white
};
