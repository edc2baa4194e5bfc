// The memory-image painters of lines, areas, signs and circles, and the
// colour conversions of the memory image.
#include "drawing/dibpainters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "codec/basecolors.h"
#include "drawing/bitmapsign.h"
#include "drawing/dashline.h"
#include "drawing/maskfill.h"
#include "drawing/offsetline.h"
#include "drawing/paintcontext.h"
#include "drawing/paintgeometry.h"
#include "drawing/parmwords.h"
#include "drawing/rasterizer.h"

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFFu;
constexpr int kUnit = 250;  // record units per memory-image pixel

DWORD Tag(DWORD color) { return color >> 24; }

// The dashed line of words 0-3 (colour, thickness, dash, gap) into the line
// state and onto the picture.
void DashedLine(const POLYDATA* data, const char* parm, float scale) {
  const double f = scale >= 1.0f ? scale : 1.0;  // dashes never shrink
  const double g = scale > 0.001f ? scale : 1.0;
  DIBLINESTATE& s = DibLineState;
  s.Gap = ScaleTrunc(ParmLong(parm, 3), f) / kUnit;
  s.Dash = ScaleTrunc(ParmLong(parm, 2), f) / kUnit;
  s.Thickness = ScaleTrunc(ParmLong(parm, 1), g) / kUnit;
  s.Pixel = ColorToDibPixel(ParmWord(parm, 0));
  s.State = 1;
  s.Left = s.Dash;
  if (s.Thickness < 2)
    DrawThinLine(data);
  else
    DrawThickLine(data);
}

// A line (words 0-1) and a dashed band from words 2-5, scaled the way of
// code 134 or of code 145.
void LineWithBand(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale, bool second) {
  PaintDibLine(doc, data, parm, scale);
  DIBLINESTATE& s = DibLineState;
  s.Pixel = ColorToDibPixel(ParmWord(parm, 2));
  LONG t = ParmLong(parm, 3) / kUnit, dash = ParmLong(parm, 4) / kUnit,
       gap = ParmLong(parm, 5) / kUnit;
  if (scale > 0.001f) {
    if (!second || scale <= 1.0f) {
      t = ScaleTrunc(t, scale);
      dash = ScaleTrunc(dash, scale);
      gap = ScaleTrunc(gap, scale);
    } else {
      t = SaturatePixel(int64_t(TruncatePixel(scale)) + t - 1);
    }
  }
  s.Thickness = t;
  s.Dash = dash;
  s.Gap = gap;
  s.State = 1;
  s.Left = dash;
  if (t < 2)
    DrawThinLine(data);
  else if (second)
    DrawLeftBand(data);
  else
    DrawRightBand(data);
}

// A mask of the polygon set in plane 1: 1 when there is something to paint.
int BuildMask(MaskFillContext* mask, const POLYDATA* data) {
  InitMaskFill(mask);
  return BuildScanEdges(mask, data);
}

// Hatch of colour word `color`, kind, width and spacing in pixels.
void Hatch(const POLYDATA* data, DWORD color, LONG kind, LONG width, LONG spacing) {
  MaskFillContext mask;
  if (BuildMask(&mask, data) == 0) return;
  const DWORD pixel = ColorToDibPixel(color);
  const int w = std::max<LONG>(width, 1), s = std::max<LONG>(spacing, 1);
  switch (kind) {
    case 2:
      MakeStripeRow(&mask, w, s);
      PaintVerticalHatch(&mask, pixel);
      break;
    case 3:
      MakeStripeRow(&mask, w, s);
      PaintDotHatch(&mask, pixel, w, s);
      break;
    case 4:
      MakeDiagonalRow(&mask, w, s, 1);
      PaintDiagonalHatch(&mask, pixel, 1);
      break;
    case 5:
      MakeDiagonalRow(&mask, w, s, 0);
      PaintDiagonalHatch(&mask, pixel, 0);
      break;
    default:
      PaintHorizontalHatch(&mask, pixel, w, s);
      break;
  }
}

// The anchor of a 32 x 32 sign from two offsets in record units.
BITMAPSIGNANCHOR Anchor(LONG vertical, LONG horizontal) {
  return BITMAPSIGNANCHOR{0, 32, static_cast<BYTE>(vertical / kUnit),
                          static_cast<BYTE>(horizontal / kUnit)};
}

void Stamp(const BITMAPSIGN& sign, bool doubled) {
  if (doubled)
    StampBitmapSignDoubled(&sign);
  else
    StampBitmapSign(&sign);
}

}  // namespace

// --- Colours ---

DWORD SwapRedBlue(DWORD v) { return (v & 0xFF) << 16 | (v & 0xFF00) | (v & 0xFF0000) >> 16; }

DWORD ColorToDibPixel(DWORD color) {
  if (Tag(color) == 0xF1) return color & 0xFFFFFF;
  if (Tag(color) == 0xF0) return PaintContext.ColorsB[color & 0xFF];
  return SwapRedBlue(AdjustColorBrightContrast(color & 0xFFFFFF, PaintColorState.Bright,
                                               PaintColorState.Contrast));
}

COLORREF ColorToDeviceColor(DWORD color) {
  if (color == kNoColor) return color;
  if (Tag(color) == 0xF0) return SwapRedBlue(PaintContext.ColorsB[color & 0xFF]);
  return AdjustColorBrightContrast(color & 0xFFFFFF, PaintColorState.Bright,
                                   PaintColorState.Contrast);
}

namespace {

// Scratch room for moved copies: one vector a level, kept with its capacity
// from call to call so that painting allocates nothing once warm. A painter
// that paints inside a moved one takes the next level.
std::vector<std::vector<POINT>>& MovedRoom() {
  static std::vector<std::vector<POINT>> levels;
  return levels;
}
size_t movedDepth = 0;

}  // namespace

TMovedPolyData::TMovedPolyData(const POLYDATA* data) : from_(data), room_(nullptr) {
  std::vector<std::vector<POINT>>& levels = MovedRoom();
  try {
    if (levels.size() <= movedDepth) levels.resize(movedDepth + 1);
  } catch (const std::bad_alloc&) {
    return;
  }
  room_ = &levels[movedDepth++];
}

TMovedPolyData::~TMovedPolyData() {
  if (room_ != nullptr) --movedDepth;
}

POLYDATA* TMovedPolyData::MoveBy(LONG dx, LONG dy) {
  if (room_ == nullptr || !HasParts(from_)) return nullptr;
  std::vector<POINT>& points = *room_;
  int64_t n = 0;
  for (LONG part = 0; part < from_->Count && from_->PolyCounts[part] > 0; ++part)
    n += from_->PolyCounts[part];
  try {
    if (points.size() < size_t(n)) points.resize(size_t(n));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (int64_t i = 0; i < n; ++i)
    points[size_t(i)] = POINT{SaturatePixel(int64_t(from_->Points[i].x) + dx),
                              SaturatePixel(int64_t(from_->Points[i].y) + dy)};
  moved_ = *from_;
  moved_.Points = points.data();
  moved_.MinX = SaturatePixel(int64_t(from_->MinX) + dx);
  moved_.MaxX = SaturatePixel(int64_t(from_->MaxX) + dx);
  moved_.MinY = SaturatePixel(int64_t(from_->MinY) + dy);
  moved_.MaxY = SaturatePixel(int64_t(from_->MaxY) + dy);
  return &moved_;
}

// --- Lines ---

void PaintDibLine(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  const RASTERLINE line{ColorToDibPixel(ParmWord(parm, 0)), ParmLong(parm, 1)};
  RasterLine(data, &line, scale);
}

void PaintDibDashedLine(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  DashedLine(data, parm, scale);
}

void PaintDibLineDot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  PaintDibLine(doc, data, parm, scale);
  PaintDibDashedLine(doc, data, parm + 8, scale);
}

void PaintDibTwoLines(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  PaintDibLine(doc, data, parm, scale);
  PaintDibLine(doc, data, parm + 8, scale);
}

void PaintDibDotTwoLines(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  PaintDibDashedLine(doc, data, parm, scale);
  PaintDibLine(doc, data, parm + 16, scale);
  PaintDibLine(doc, data, parm + 24, scale);
}

void PaintDibTwoDots(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  PaintDibDashedLine(doc, data, parm, scale);
  PaintDibDashedLine(doc, data, parm + 16, scale);
}

void PaintDibLineOverdot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  LineWithBand(doc, data, parm, scale, false);
}

void PaintDibLineOverdotScaled(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  LineWithBand(doc, data, parm, scale, true);
}

void PaintDibOffsetDot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!HasParts(data) || parm == nullptr) return;
  const LONG distance = ScaleTrunc(OffsetMicrons(ParmLong(parm, 4)), scale) / kUnit;
  PaintOffsetCopies(doc, data, distance, PaintDibDashedLine, parm, scale);
}

void PaintDibOutline(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (data == nullptr || parm == nullptr) return;
  RasterThinPolyline(data, ColorToDibPixel(ParmWord(parm, 0)));
}

// --- Areas ---

void PaintDibFill(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (!HasParts(data) || parm == nullptr || ParmWord(parm, 0) == kNoColor) return;
  const DWORD pixel = ColorToDibPixel(ParmWord(parm, 0));
  MaskFillContext mask;
  BuildMask(&mask, data);  // what a damaged part left in the mask is painted too
  PaintMaskColour(&mask, pixel);
  RasterThinPolyline(data, pixel);
}

void PaintDibHatch(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (!HasParts(data) || parm == nullptr) return;
  Hatch(data, ParmWord(parm, 0), ParmLong(parm, 1), ParmLong(parm, 2) / kUnit,
        ParmLong(parm, 3) / kUnit);
}

void PaintDibAngleHatch(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (!HasParts(data) || parm == nullptr) return;
  if (ParmWord(parm, 0) < 24 || ParmLong(parm, 3) != PRIM_LINE) return;
  const LONG angle = ParmLong(parm, 1);
  const LONG kind = angle == 0 ? 1 : angle == 135 ? 5 : angle == 45 ? 4 : 2;
  const LONG width = ParmLong(parm, 5);
  const LocalParm<4> hatch{ParmWord(parm, 4), DWORD(kind), DWORD(width),
                           DWORD(SaturatePixel(int64_t(ParmLong(parm, 2)) - width))};
  PaintDibHatch(doc, data, hatch(), scale);
}

void PaintDibPattern(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (!HasParts(data) || parm == nullptr) return;
  MaskFillContext mask;
  if (BuildMask(&mask, data) == 0) return;
  BYTE header[4 + 128] = {0, 32, 0, 0};
  std::memcpy(header + 4, parm + 24, 128);
  const DWORD background = ParmWord(parm, 0);
  const MASKPATTERN pattern{background == kNoColor ? 0 : ColorToDibPixel(background),
                            ColorToDibPixel(ParmWord(parm, 2)), header};
  PreparePattern(&mask, &pattern);
  if (background == kNoColor) {
    PaintMaskPattern(&mask, &pattern);
    return;
  }
  PaintMaskTwoColours(&mask, &pattern);
  RasterThinPolyline(data, pattern.ColorA);
}

void PaintDibLayeredPattern(TPaintMetric*, POLYDATA* data, const char* parm, float) {
  if (!HasParts(data) || parm == nullptr || ParmWord(parm, 1) == kNoColor) return;
  // The record holds word 1 + 4 bytes: the layers that fit in it.
  const int64_t room = (int64_t(ParmWord(parm, 1)) + 4 - 24) / 132;
  if (room < 1) return;
  const int64_t layers = std::min<int64_t>(ParmWord(parm, 2), room);
  if (layers < 1) return;
  MaskFillContext mask;
  if (BuildMask(&mask, data) == 0) return;
  BYTE header[4 + 128] = {0, 32, 0, 0};
  for (int64_t i = 0; i < layers; ++i) {
    const char* layer = parm + 24 + 132 * i;
    std::memcpy(header + 4, layer + 4, 128);
    const MASKPATTERN pattern{0, ColorToDibPixel(ParmWord(layer, 0)), header};
    PreparePattern(&mask, &pattern);
    PaintMaskPattern(&mask, &pattern);
  }
}

// --- Signs and circles ---

void PaintDibBitmap32(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  const bool doubled = scale > 1.9f;
  const BITMAPSIGNANCHOR anchor = Anchor(ParmLong(parm, 2), ParmLong(parm, 3));
  if (PrepareBitmapSign(data, &anchor, doubled) != 0) return;
  const BITMAPSIGN sign{ColorToDibPixel(ParmWord(parm, 0)), 32,
                        reinterpret_cast<const BYTE*>(parm + 16)};
  Stamp(sign, doubled);
}

void PaintDibLayeredSign(TPaintMetric*, POLYDATA* data, const char* parm, float scale) {
  if (data == nullptr || parm == nullptr) return;
  // The record holds word 0 bytes: the layers that fit in it.
  const int64_t room = (int64_t(ParmWord(parm, 0)) - 20) / 132;
  if (room < 1) return;
  const int64_t layers = std::min<int64_t>(ParmWord(parm, 1), room);
  if (layers < 1) return;
  const bool doubled = scale > 1.9f;
  const BITMAPSIGNANCHOR anchor = Anchor(ParmLong(parm, 3), ParmLong(parm, 4));
  if (PrepareBitmapSign(data, &anchor, doubled) != 0) return;
  for (int64_t i = 0; i < layers; ++i) {
    const char* layer = parm + 20 + 132 * i;
    const BITMAPSIGN sign{ColorToDibPixel(ParmWord(layer, 0)), 32,
                          reinterpret_cast<const BYTE*>(layer + 4)};
    Stamp(sign, doubled);
  }
}

void PaintDibCircle(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  POINT centre;
  if (parm == nullptr || !FirstPoint(data, &centre)) return;
  const int64_t r = ScaleTrunc(ParmLong(parm, 2) / kUnit, scale);
  const int64_t w = PaintContext.ImageWidth, h = PaintContext.ImageHeight;
  if (centre.x + r < 0 || centre.x - r >= w || centre.y + r < 0 || centre.y - r >= h) return;
  POINT points[CHORD_POINTS_MAX];
  LONG count = 0;
  POLYDATA circle = OnePartOf(*data, points, &count);
  if (DrawArcByChords(centre, static_cast<int>(r), &circle) < 1) return;
  FrameOfPoints(&circle, points, count);
  if (ParmLong(parm, 1) != 0) {
    PaintDibLine(doc, &circle, parm, scale);
  } else {
    const LocalParm<1> fill{ParmWord(parm, 0)};
    PaintDibFill(doc, &circle, fill(), scale);
  }
}
