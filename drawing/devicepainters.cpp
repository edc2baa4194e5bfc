// Device painters of lines, fills, circles, text front ends and layered
// bitmap signs and patterns.
#include "drawing/devicepainters.h"

#include <algorithm>
#include <cstring>

#include "drawing/deviceline.h"
#include "drawing/offsetline.h"
#include "drawing/paintgeometry.h"
#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFF;
constexpr int kLayerWords = 33;  // colour and 32 rows
constexpr int kCirclePoints = 120;

bool Ready(const TPaintMetric* doc, const POLYDATA* data, const char* parm) {
  return doc != nullptr && parm != nullptr && HasParts(data);
}

// The colour of a line element: after a line of the same set, through the
// fill intensity.
COLORREF LineElementColor(const TPaintMetric* doc, DWORD word) {
  return PaintInsideSet != 0 ? FillColor(doc, word) : LineColor(doc, word);
}

// --- Code 136 ---

struct HatchRow {
  BYTE W, H;
};
// Rows: width 1..8 (9 and up as 8 with gap 9 and up); columns: gap 1, 2,
// 3, 4, 5, 6..8, 9 and up.
constexpr HatchRow kHatchPairs[8][7] = {
    {{1, 1}, {1, 3}, {1, 3}, {1, 3}, {1, 3}, {1, 7}, {1, 15}},
    {{2, 2}, {2, 2}, {2, 2}, {3, 5}, {2, 6}, {2, 6}, {2, 14}},
    {{3, 1}, {2, 2}, {2, 2}, {3, 5}, {3, 5}, {3, 5}, {3, 13}},
    {{3, 1}, {3, 1}, {4, 4}, {4, 4}, {4, 4}, {3, 5}, {4, 12}},
    {{5, 3}, {5, 3}, {5, 3}, {5, 3}, {4, 4}, {4, 4}, {5, 11}},
    {{6, 2}, {6, 2}, {6, 2}, {4, 4}, {4, 4}, {4, 4}, {6, 10}},
    {{7, 1}, {7, 1}, {6, 2}, {6, 2}, {6, 2}, {7, 9}, {7, 9}},
    {{6, 2}, {6, 2}, {6, 2}, {6, 2}, {6, 2}, {8, 8}, {8, 8}},
};

// Bit 31 of a row word is the leftmost pixel; rows are stored with their
// most significant byte first.
void StoreRow(BYTE* pattern, int row, DWORD bits) {
  pattern[4 * row] = BYTE(bits >> 24);
  pattern[4 * row + 1] = BYTE(bits >> 16);
  pattern[4 * row + 2] = BYTE(bits >> 8);
  pattern[4 * row + 3] = BYTE(bits);
}

DWORD StripeBits(int width, int gap) {
  DWORD bits = 0;
  for (int x = 0; x < 32; ++x)
    if (x % (width + gap) < width) bits |= 0x80000000u >> x;
  return bits;
}

}  // namespace

void HatchPair(int* width, int* gap) {
  int w = std::clamp(*width, 1, int(HATCH_WIDTH_MAX));
  int h = std::clamp(*gap, 1, int(HATCH_WIDTH_MAX));
  if (w + h > 16) w = (w + 1) / 2, h = (h + 1) / 2;
  if (w >= 9) {
    *width = *gap = 8;
    return;
  }
  const int column = h <= 5 ? h - 1 : (h <= 8 ? 5 : 6);
  *width = kHatchPairs[w - 1][column].W;
  *gap = kHatchPairs[w - 1][column].H;
}

int MakeHatchPattern(int kind, int width, int gap, BYTE pattern[MARK_BYTES]) {
  std::memset(pattern, 0, MARK_BYTES);
  if (kind != HATCH_HORIZONTAL && kind != HATCH_VERTICAL && kind != HATCH_GRID) return 0;
  if (width < 1 || gap < 0) return 0;
  const DWORD columns = kind == HATCH_HORIZONTAL ? 0 : StripeBits(width, gap);
  for (int y = 0; y < 32; ++y) {
    const bool rowSet = kind != HATCH_VERTICAL && y % (width + gap) < width;
    StoreRow(pattern, y, rowSet ? 0xFFFFFFFFu : columns);
  }
  return 1;
}

// --- Lines ---

void PaintLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  const LONG thickness = ParmLong(parm, 1);
  const DEVICELINE line{LineElementColor(doc, ParmWord(parm, 0)),
                        DeviceUnits(doc, ScaleTrunc(thickness, scale))};
  DrawDevicePolylines(doc->PaintDc, data, &line, thickness * double(scale) * doc->PixelsPerMicronH);
}

void PaintDashedLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  const double length = std::max(double(scale), 1.0);
  const LONG thickness = ParmLong(parm, 1);
  const DEVICEDASHLINE line{LineElementColor(doc, ParmWord(parm, 0)),
                            DeviceUnits(doc, ScaleTrunc(thickness, scale)),
                            DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 2), length)),
                            DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 3), length))};
  DrawDeviceLine(doc->PaintDc, data, &line, thickness * double(scale) * doc->PixelsPerMicronH);
}

void PaintOffsetDashedLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  const LONG distance = DeviceUnits(doc, ScaleTrunc(OffsetMicrons(ParmLong(parm, 4)), scale));
  PaintOffsetCopies(doc, data, distance, PaintDashedLine, parm, scale);
}

// --- Fills ---

void PaintSolidFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (!Ready(doc, data, parm) || ParmWord(parm, 0) == kNoColor) return;
  const COLORREF color = FillColor(doc, ParmWord(parm, 0));
  if (color == kNoColor) return;
  FillDevicePolygon(doc->PaintDc, data, color);
}

void PaintOneColourFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (!Ready(doc, data, parm)) return;
  const DEVICELINE line{LineColor(doc, ParmWord(parm, 0)), RatioUnits(doc, 1.0f)};
  OutputPolylineChunks(doc->PaintDc, data, &line);
}

void PaintPatternFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (!Ready(doc, data, parm)) return;
  int width = ParmLong(parm, 2) / 250, gap = ParmLong(parm, 3) / 250;
  HatchPair(&width, &gap);
  DEVICEPATTERNFILL fill{};
  if (MakeHatchPattern(ParmLong(parm, 1), width, gap, fill.Pattern) == 0) return;
  fill.Background = kNoColor;
  fill.Stagger = 0xFFFF;
  fill.Color = LineColor(doc, ParmWord(parm, 0));
  fill.CellSize = RatioUnits(doc, 32.0f);
  PaintDevicePatternFill(doc->PaintDc, data, &fill, fill.Pattern);
}

void PaintLayeredPattern(TPaintMetric* doc, POLYDATA* data, const char* parm, float) {
  if (!Ready(doc, data, parm) || ParmWord(parm, 1) == kNoColor) return;
  // The record holds word 1 + 4 bytes: six words, then the layers.
  const int64_t room = (int64_t(ParmWord(parm, 1)) + 4 - 24) / (4 * kLayerWords);
  const int64_t layers = std::min<int64_t>(ParmLong(parm, 2), room);
  if (layers < 1) return;
  BYTE all[MARK_BYTES] = {};
  for (int64_t i = 0; i < layers; ++i) {
    const char* layer = parm + 24 + i * 4 * kLayerWords;
    for (int b = 0; b < MARK_BYTES; ++b) all[b] |= BYTE(layer[4 + b]);
  }
  const DWORD head = ParmWord(parm, 0);
  DEVICEPATTERNFILL fill{};
  fill.Background = kNoColor;
  fill.Stagger = WORD(head & 0xFFFF);
  fill.Boundary = BYTE(head >> 16);
  fill.Weight = BYTE(head >> 24);
  fill.CellSize = DeviceUnits(doc, ParmLong(parm, 3));
  fill.StepV = DeviceUnits(doc, ParmLong(parm, 4));
  fill.StepH = DeviceUnits(doc, ParmLong(parm, 5));
  for (int64_t i = 0; i < layers; ++i) {
    const char* layer = parm + 24 + i * 4 * kLayerWords;
    fill.Color = LineColor(doc, ParmWord(layer, 0));
    std::memcpy(fill.Pattern, layer + 4, MARK_BYTES);
    PaintDevicePatternFill(doc->PaintDc, data, &fill, all);
  }
}

// --- Circles ---

void PaintCircle(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  POINT centre;
  if (doc == nullptr || parm == nullptr || !FirstPoint(data, &centre)) return;
  const LONG r = ScaleTrunc(ParmLong(parm, 2) / 250, scale);
  if (r < 1) return;
  const int64_t x = centre.x, y = centre.y;
  if (x + r < 0 || x - r >= doc->PaintWidth || y + r < 0 || y - r >= doc->PaintHeight) return;
  POINT points[kCirclePoints];
  LONG count = 0;
  POLYDATA circle = OnePartOf(*data, points, &count);
  circle.Text = nullptr;
  if (DrawArcByChords(centre, r, &circle) < 1) return;
  FrameOfPoints(&circle, points, count);
  if (ParmLong(parm, 1) == 0)
    PaintSolidFill(doc, &circle, parm, scale);
  else
    PaintLine(doc, &circle, parm, scale);
}

// --- Texts ---

namespace {

enum : int {
  TEXT_RECORD = 32,
  FACE_TEXT_RECORD = 64,
  FONT_SIGN_RECORD = 92,
  TEXT_MIN_HEIGHT = 5,
};

// Colours of a text record (words 0-2): the glyphs and the shadow as line
// colours, the background as a fill colour; 0xFFFFFFFF stays none.
void TextColors(TPaintMetric* doc, char* record, bool freeBackground) {
  const DWORD glyphs = ParmWord(record, 0), back = ParmWord(record, 1), shadow = ParmWord(record, 2);
  if (glyphs != kNoColor) SetParmWord(record, 0, LineColor(doc, glyphs));
  if (back != kNoColor) {
    if (freeBackground) {
      // The background keeps its own colour while a forced one is set.
      const COLORREF forced = doc->ForcedColor;
      doc->ForcedColor = kNoColor;
      SetParmWord(record, 1, FillColor(doc, back));
      doc->ForcedColor = forced;
    } else {
      SetParmWord(record, 1, FillColor(doc, back));
    }
  }
  if (shadow != kNoColor) SetParmWord(record, 2, LineColor(doc, shadow));
}

// Height of a 142 or 152 record in device pixels: 0 for a fitted text.
LONG TextHeight(const TPaintMetric* doc, const char* record, float scale) {
  const LONG h = ParmLong(record, 3);
  if (h == 0 || (BYTE(record[31]) & 1) != 0) return 0;
  const LONG height = TruncatePixel(h * doc->TextPixelsPerMicron * double(scale));
  if (height < TEXT_MIN_HEIGHT && doc->ScaleMethod == 0) return TEXT_MIN_HEIGHT;
  return height;
}

}  // namespace

void PaintTextFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  char record[TEXT_RECORD];
  std::memcpy(record, parm, sizeof(record));
  SetParmWord(record, 3, TextHeight(doc, record, scale));
  TextColors(doc, record, true);
  PaintTextDevice(doc, data, record, scale);
}

void PaintFaceTextFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  char record[FACE_TEXT_RECORD];
  std::memcpy(record, parm, sizeof(record));
  SetParmWord(record, 3, TextHeight(doc, record, scale));
  TextColors(doc, record, false);
  PaintFaceTextDevice(doc, data, record, scale);
}

void PaintFontSignFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!Ready(doc, data, parm)) return;
  char record[FONT_SIGN_RECORD];
  std::memcpy(record, parm, sizeof(record));
  const double k = doc->TextPixelsPerMicron * double(scale);
  SetParmWord(record, 3, std::max<LONG>(TruncatePixel(ParmLong(record, 3) * k), TEXT_MIN_HEIGHT));
  TextColors(doc, record, true);
  for (int w = 17; w <= 22; ++w) SetParmWord(record, w, TruncatePixel(ParmLong(record, w) * k));
  PaintFontSignDevice(doc, data, record, scale);
}

// --- Layered bitmap signs ---

void PaintLayeredSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  // The record holds word 0 bytes: five words, then the layers.
  if (!Ready(doc, data, parm) || ParmWord(parm, 0) < 20) return;
  double f = scale;
  if (doc->Technology == DT_RASDISPLAY || doc->Technology == DT_METAFILE)
    f = scale >= 1.9f ? 2.0 : 1.0;
  MARKLAYER layer{};
  layer.Size = DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 2), f));
  layer.OffsetV = DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 3), f));
  layer.OffsetH = DeviceUnits(doc, ScaleTrunc(ParmLong(parm, 4), f));
  const float cell = static_cast<float>(ParmLong(parm, 2) * doc->PixelsPerMicronH * f / 32.0);
  const int64_t room = (int64_t(ParmWord(parm, 0)) - 20) / (4 * kLayerWords);
  const int64_t layers = std::min<int64_t>(ParmLong(parm, 1), room);
  for (int64_t i = 0; i < layers; ++i) {
    const char* from = parm + 20 + i * 4 * kLayerWords;
    layer.Color = LineColor(doc, ParmWord(from, 0));
    std::memcpy(layer.Bits, from + 4, MARK_BYTES);
    PaintScaledMark(doc->PaintDc, data, &layer, cell);
  }
}
