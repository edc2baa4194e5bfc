// The memory-image painters: what the two blocks of DibPainterTable hold
// for the simple primitives, and the colour conversions they share.
//
// Sizes in parameter records are micrometres at scale 1.0, and the memory
// image takes 250 of them as one pixel (every "/ 250" below is a
// truncating integer division); float-to-integer conversions truncate
// toward zero. Word n is the n-th 32-bit word of the parameter record.
// Painters work on stack copies of their parameters and local one-part
// polyline sets; nothing is allocated per element. Painters report
// nothing: missing polylines or records paint nothing.
#pragma once

#include <vector>

#include "drawing/primtables.h"
#include "platform/win_types.h"

// Colour word -> memory-image pixel (0x00RRGGBB): tag 0xF1 -> the low 24
// bits; tag 0xF0 -> colour table B entry of the low byte; otherwise the
// low 24 bits shifted by the painting brightness and contrast, red and
// blue exchanged.
DWORD ColorToDibPixel(DWORD color);
// Colour word -> COLORREF for the text engine: 0xFFFFFFFF unchanged; tag
// 0xF0 -> the table B entry with red and blue exchanged back; otherwise
// the low 24 bits shifted by brightness and contrast (0xF1 is not special).
COLORREF ColorToDeviceColor(DWORD color);
// Red and blue bytes exchanged; the top byte becomes 0.
DWORD SwapRedBlue(DWORD color);

// A polyline set moved by an offset for a painter that works in a space
// of its own (a grid anchored at the figure, a tile of the picture): a
// copy of the points in scratch room of the library, the caller's set left
// exactly as it was. Moving the caller's points in place and back would not
// do: a coordinate that saturates at an end of the 32-bit range does not
// come back, and the next element of the description would see it changed.
// The copy shares the caller's counts and texts; its points stop at the
// first part of no points, as every walk of the parts does.
class TMovedPolyData {
 public:
  explicit TMovedPolyData(const POLYDATA* data);
  ~TMovedPolyData();
  TMovedPolyData(const TMovedPolyData&) = delete;
  TMovedPolyData& operator=(const TMovedPolyData&) = delete;

  // The caller's points and frame plus (dx, dy), each coordinate
  // saturating; null without parts or without room for the copy.
  POLYDATA* MoveBy(LONG dx, LONG dy);

 private:
  const POLYDATA* from_;
  POLYDATA moved_{};
  std::vector<POINT>* room_;
};

// --- Lines ---

// 128: word 0 colour, word 1 thickness.
void PaintDibLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 129: colour, thickness, dash, gap; dashes never shrink below their
// nominal length.
void PaintDibDashedLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibLineDot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);      // 130
void PaintDibTwoLines(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);     // 131
void PaintDibDotTwoLines(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);  // 132
void PaintDibTwoDots(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);      // 133
// 134 and 145: a line and a dashed band beside it, scaled two ways.
void PaintDibLineOverdot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibLineOverdotScaled(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 148: the dashed line of words 0-3 along each part's parallel copy at the
// distance of word 4.
void PaintDibOffsetDot(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The one-colour block's substitute: a one-pixel line of the colour of
// word 0 at scale 1.0.
void PaintDibOutline(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// --- Areas ---

// 135: word 0 colour (0xFFFFFFFF: nothing); the inside, then a one-pixel
// outline in the same colour.
void PaintDibFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 136: colour, hatch kind, line width, spacing (not scaled).
void PaintDibHatch(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 153: the hatch of the angle nearest among 0, 45, 90 and 135 degrees.
void PaintDibAngleHatch(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 138: background (0xFFFFFFFF: transparent), pattern colour, 32 rows.
void PaintDibPattern(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 144: layers of a colour and 32 rows each, no background, no outline.
void PaintDibLayeredPattern(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 154: word 0 brightness, word 1 contrast (percent, -100..100) of every
// pixel under the polygon set.
void PaintDibShade(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 154 on a device: white fill on a device that gives no image back (only
// brightness 100), else the device picture read back through the memory
// image in tiles and shaded there.
void PaintShadeDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The per-byte rule of the shading: brightness b, then contrast k.
BYTE ShadeByte(int c, int b, int k);

// --- Signs and circles ---

// 137: one 32 x 32 bitmap at the first point; doubled above scale 1.9.
void PaintDibBitmap32(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 143: layers of 32 x 32 bitmaps, each in its own colour.
void PaintDibLayeredSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 140: word 0 colour, word 1 thickness (0: filled), word 2 radius.
void PaintDibCircle(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 149 and 156: the vector sign of the record at the first point of each
// part, turned along the part's first segment (156 mirrored across it),
// sized by the screen's pixels per metre.
void PaintDibVectorSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                float scale);
// 199: the vector sign at the address the record holds (IMGVECTORREF),
// with its placement values; a record of another length: a line of colour
// word 255 and thickness 255.
void PaintDibVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                   float scale);

// --- Texts ---

// Front ends of the text engine: copy the record, convert its colours and
// its height into the memory image's terms and hand it over.
void PaintDibText(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);     // 142
void PaintDibText152(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);  // 152
void PaintDibText151(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);  // 151

// --- Sets ---

// 147: the nested description through the full-colour block, and through
// the one-colour block (a set of 0 elements: the default painter at 1.0).
void PaintDibSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintDibSetOneColour(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 150: the labelled set, its elements painted through the full-colour
// block in both visual types.
void PaintDibLabelledSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The labelled set with its elements painted through `block`.
void PaintLabelledSetThrough(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                             const IMGPAINTER* block);
// The last line (128), text (142) and sign (143, 149, 151) element of a
// labelled set's record, walked while the record's length lasts; code 0
// where there is none.
struct LABELELEMENTS {
  IMGELEMENTREF Line{};
  IMGELEMENTREF Text{};
  IMGELEMENTREF Sign{};
};
LABELELEMENTS FindLabelElements(const char* parm);
