// The device painters of the image primitives: what the device blocks of
// DevicePainterTable hold for lines, dashed and offset dashed lines, solid
// and hatched fills, one-colour outlines, circles, the text front ends,
// layered bitmap signs and patterns, and vector signs.
//
// Word n is the n-th 32-bit word of the parameter record. Lengths are
// micrometres at scale 1.0 and become device pixels through the document
// (DeviceUnits, drawing/paintunits_internal.h); colours become device
// colours through its line and fill colour functions. Painters draw on the document's device
// context through the device outline operations, on stack copies of their
// parameters and local one-part polyline sets. They report nothing: a
// missing document, polyline set or record paints nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types/signimage.h"
#include "drawing/deviceoutline.h"
#include "drawing/polydata.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"

// --- Painters of the device blocks ---

// 128: a pen of DeviceUnits(trunc(word 1 x scale)) pixels (the exact width
// word 1 x scale x pixels per micrometre) in the line colour of word 0, or
// its fill colour while a set has drawn a line before.
void PaintLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 129: width as 128; dash word 2 and gap word 3 at max(scale, 1).
void PaintDashedLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 148: each part's parallel copy at word 4 (outside -20000..20000: 4000)
// times the scale, painted as 129 with words 0-3.
void PaintOffsetDashedLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 135: the polygon set in the fill colour of word 0 (0xFFFFFFFF: nothing).
void PaintSolidFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The one-colour substitute: the polylines with a pen of one screen pixel
// in the line colour of word 0.
void PaintOneColourFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 136: the 32 x 32 hatch pattern of kind word 1, line width word 2 / 250
// and spacing word 3 / 250 (see HatchPair), tiled over the polygon set in
// the line colour of word 0.
void PaintPatternFill(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 140: radius trunc((word 2 / 250) x scale) around the first point of the
// first part, drawn when at least 1 and its square meets the painting area:
// word 1 = 0 filled in the colour of word 0, else a line of words 0-1.
void PaintCircle(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 142, 152, 151: the text records with their heights in device pixels and
// their colours in device colours, handed to the device text engines.
void PaintTextFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintFaceTextFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintFontSignFront(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 143: each colour layer of the sign drawn as outlines at the sign's size.
void PaintLayeredSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 144: each layer tiled over the polygon set on the grid of words 3-5.
void PaintLayeredPattern(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 149 and 156: the vector sign of the record at the first point of each
// part, turned along the part's first segment; 156 mirrored across it.
void PaintVectorSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// 199: the vector sign at the address the record holds (IMGVECTORREF),
// with its placement values; a record of another length: a line of colour
// word 255 and thickness 250.
void PaintVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                float scale);

// --- Hatch patterns of code 136 ---

enum : int {
  HATCH_HORIZONTAL = 1,  // w rows set, h rows clear
  HATCH_VERTICAL = 2,    // w columns set, h columns clear
  HATCH_GRID = 3,        // both
  HATCH_WIDTH_MAX = 15,
  MARK_BYTES = 128,      // a 32 x 32 one-bit pattern: 32 rows of 4 bytes from
                         // the top, the most significant bit leftmost
};

// The pair (line width, gap) in pattern pixels whose period divides 32,
// for a width and gap of 1..15 (values outside are limited to it first;
// when their sum is above 16 both are halved, rounding up).
void HatchPair(int* width, int* gap);
// The 32 x 32 pattern of a kind for a pair already made by HatchPair; 0
// (and an empty pattern) for a kind that draws nothing, else 1.
int MakeHatchPattern(int kind, int width, int gap, BYTE pattern[MARK_BYTES]);

// --- Layered bitmap signs (code 143) ---

// One colour layer of a layered sign as the mark painter receives it:
// sizes in device pixels, the colour already a device colour.
struct MARKLAYER {
  COLORREF Color;
  LONG Size;     // the sign's size
  LONG OffsetV;  // the hot spot from the sign's top left corner
  LONG OffsetH;
  BYTE Bits[MARK_BYTES];
};
static_assert(sizeof(MARKLAYER) == 144);

// The traced outlines of a layer's mark (markcontour.h) drawn at the first
// point of the polylines with its hot spot there: f device pixels per mark
// pixel, taken to whole pixels from 0.5 on (halves up) and as it is below
// (at least 0.001), with lines of that many whole pixels. Nothing when the
// work buffer is smaller than MARK_WORK_MIN bytes or the trace overran it.
void PaintScaledMark(HDC dc, POLYDATA* data, const MARKLAYER* layer, float f);

// --- Vector signs ---

// The placement values of a sign painted by reference (code 199), kept
// while the sign is painted; the shaded subjects of such a sign read them.
struct VECTORPLACEMENT {
  LONG Value[4];
};
static_assert(sizeof(VECTORPLACEMENT) == 16);
extern VECTORPLACEMENT VectorSignPlacement;
// Set while a sign is painted by reference.
extern LONG VectorSignByReference;

// The record of code 199: its length, the four placement values and then
// the address of an IMGVECTOREX in memory at byte 20. The address is as
// wide as the platform's: the record is 24 bytes where addresses take 4
// and 28 where they take 8; a record of any other length is not taken.
struct IMGVECTORREF {
  DWORD Length;
  LONG Place[4];
  // The address follows, read with memcpy (it need not be aligned).
};
constexpr DWORD IMGVECTORREF_ADDRESS = 20;
constexpr DWORD IMGVECTORREF_LENGTH = IMGVECTORREF_ADDRESS + sizeof(void*);
static_assert(sizeof(IMGVECTORREF) == IMGVECTORREF_ADDRESS);

// Vector signs with more of these are cut there.
enum : int {
  VECTOR_SUBJECTS_MAX = 128,
  VECTOR_POINTS_MAX = 1024,
  VECTOR_PART_POINTS_MAX = 128,  // a longer part is taken as 16 points and ends the walk
};

// The shaded column fill of a filled subject of a sign painted by
// reference, over the subject's placed outline: ShadeColumns (hatchfill.h)
// with the placement values as its shading record.
void ShadeSignColumns(TPaintMetric* doc, POLYDATA* data, const VECTORPLACEMENT* place,
                      float scale);

// --- Hand-offs to the device text engines ---

// The text records arrive converted (height in device pixels, colours as
// device colours); the engines paint on the document's device, or on its
// text context on a raster printer when it has one.
void PaintTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);
void PaintFaceTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);
void PaintFontSignDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);
