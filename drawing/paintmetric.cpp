// TPaintMetric: the painting link of the document chain.
#include "drawing/paintmetric.h"

#include <algorithm>

#include "codec/basecolors.h"
#include "devices/devdraw.h"
#include "drawing/deviceoutline.h"
#include "drawing/paintcontext.h"
#include "drawing/paintunits_internal.h"
#include "drawing/pixelmath.h"

namespace {

constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kNone = 0xFFFFFFFF;

int Sum(COLORREF c) { return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF); }

// Each byte moved toward 255 by the blend factor.
COLORREF Blend(COLORREF c, double k) {
  COLORREF out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int v = (c >> shift) & 0xFF;
    const int b = static_cast<int>((255 - v) * k + v);
    out |= static_cast<COLORREF>(std::min(255, b)) << shift;
  }
  return out;
}

COLORREF Adjusted(DWORD color) {
  return AdjustColorBrightContrast(color & 0xFFFFFF, PaintColorState.Bright,
                                   PaintColorState.Contrast);
}

bool Tagged(DWORD color) { return (color & 0xFF000000) == PRIM_COLORINDEX; }

}  // namespace

TPaintMetric::TPaintMetric() {
  DeviceBlock = DevicePainterTable[0].data();
  LineColors[255] = kNone;
}

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
  DevicePaintState.Width = width;
  DevicePaintState.Height = height;
}

// --- Device ---

void TPaintMetric::SetPaintDevice(HDC dc, double x, double y) {
  Saved = PAINTDEVICESAVE{PaintDc,          Technology,       ResolutionX,
                          ResolutionY,      LogPixelsY,       Ratio,
                          TextFactor100,    PixelsPerMicronH, PixelsPerMicronV,
                          TextPixelsPerMicron};
  const bool given = x > 0.0 && y > 0.0;
  if (dc != nullptr) {
    int technology = DT_RASDISPLAY;
    double ppiX = 0.0, ppiY = 0.0;
    GetDeviceResolution(dc, &technology, &ppiX, &ppiY);
    PaintDc = dc;
    Technology = technology;
    LogPixelsY = ppiY;
    ResolutionX = given ? x : ppiX;
    ResolutionY = given ? y : ppiY;
  }
  DevicePaintState.Technology = Technology;
  const double screenH = GetScreenPixelsPerMeterH() * 1e-6;
  const double screenV = GetScreenPixelsPerMeterV() * 1e-6;
  if (Technology != DT_RASDISPLAY && Technology != DT_METAFILE) {
    PixelsPerMicronH = ResolutionX / 25400.0;
    PixelsPerMicronV = ResolutionY / 25400.0;
    Ratio = LogPixelsY / 96.0;
  } else if (!given) {
    PixelsPerMicronH = screenH;
    PixelsPerMicronV = screenV;
    Ratio = 1.0;
  } else {
    PixelsPerMicronH = x / 25400.0;
    PixelsPerMicronV = y / 25400.0;
    Ratio = screenH > 0.0 ? PixelsPerMicronH / screenH : 1.0;
  }
  TextPixelsPerMicron = PixelsPerMicronV;
  TextFactor100 = TextPixelsPerMicron * 100.0;
}

void TPaintMetric::RestorePaintDevice() {
  PaintDc = Saved.Dc;
  Technology = Saved.Technology;
  ResolutionX = Saved.ResolutionX;
  ResolutionY = Saved.ResolutionY;
  LogPixelsY = Saved.LogPixelsY;
  Ratio = Saved.Ratio;
  TextFactor100 = Saved.TextFactor100;
  PixelsPerMicronH = Saved.PixelsPerMicronH;
  PixelsPerMicronV = Saved.PixelsPerMicronV;
  TextPixelsPerMicron = Saved.TextPixelsPerMicron;
  DevicePaintState.Technology = Technology;
}

LONG DeviceUnits(const TPaintMetric* doc, LONG micrometres) {
  return TruncatePixel(micrometres * doc->PixelsPerMicronH + 0.3);
}

LONG RatioUnits(const TPaintMetric* doc, float f) {
  double v = doc->Technology == DT_RASDISPLAY ? double(f) : f * doc->Ratio;
  v = std::clamp(v, -65000.0, 65000.0);
  return NearestPixel(v);
}

// --- Colours ---

COLORREF LineColor(const TPaintMetric* doc, DWORD color) {
  if (doc->ForcedColor != kNone) return doc->ForcedColor;
  if (Tagged(color)) return doc->LineColors[color & 0xFF];
  const COLORREF c = Adjusted(color);
  switch (doc->FillIntensity) {
    case -2:
      return Sum(c) < 751 ? 0 : kWhite;
    case -3:
      return c == 0 ? 0 : kWhite;
    case -4:
      return Sum(c) > 750 ? 0 : kWhite;
    default:
      return c;
  }
}

COLORREF FillColor(const TPaintMetric* doc, DWORD color) {
  if (doc->ForcedColor != kNone) return doc->ForcedColor;
  if (Tagged(color)) return doc->FillColors[color & 0xFF];
  const COLORREF c = Adjusted(color);
  switch (doc->FillIntensity) {
    case -2:
    case -3:
      return c == 0 ? 0 : kWhite;
    case -4:
      return Sum(c) > 750 ? 0 : kWhite;
    default:
      if (doc->FillIntensity < 0 || c == 0) return c;
      return Blend(c, doc->BlendFactor);
  }
}

COLORREF PaletteColor(const TPaintMetric* doc, int index) {
  return doc->ForcedColor != kNone ? doc->ForcedColor : doc->LineColors[index & 0xFF];
}

COLORREF FillPaletteColor(const TPaintMetric* doc, int index) {
  return doc->ForcedColor != kNone ? doc->ForcedColor : doc->FillColors[index & 0xFF];
}

void TPaintMetric::SetPaintPalette(int n, const COLORREF* colors, int intensity) {
  n = std::clamp(n, 0, static_cast<int>(PAINT_COLOR_COUNT));
  if (colors == nullptr) {
    for (int i = 0; i < n; ++i) LineColors[i] = FillColors[i] = 0;
    return;
  }
  FillIntensity = intensity == -1 ? SavedFillIntensity : intensity;
  const LONG mode = FillIntensity;
  if (mode >= 0) {
    const double k = mode <= 100 ? (100 - mode) * 0.01 : std::max(0, 200 - mode) * 0.01;
    BlendFactor = static_cast<float>(k);
  }
  for (int i = 0; i < n; ++i) {
    const COLORREF c = colors[i] & 0xFFFFFF;
    COLORREF& line = LineColors[i];
    COLORREF& fill = FillColors[i];
    switch (mode) {
      case -2:
        line = Sum(c) < 751 ? 0 : kWhite;
        fill = c != 0 ? kWhite : 0;
        break;
      case -3:
        line = fill = c != 0 ? kWhite : 0;
        break;
      case -4:
        line = fill = Sum(c) < 751 ? kWhite : 0;
        break;
      default:
        if (mode < 0) {
          line = fill = c;
        } else if (c == 0) {
          line = fill = mode > 100 ? kNone : 0;
        } else {
          line = c;
          fill = Blend(c, BlendFactor);
        }
        break;
    }
  }
}

int TPaintMetric::SetFillIntensity(int intensity) {
  const int old = FillIntensity;
  FillIntensity = SavedFillIntensity = intensity;
  return old;
}
