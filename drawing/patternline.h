// The pattern line of code 158 on a device: a pattern of line pieces,
// gaps and signs repeated along every part of an object's polylines,
// stretched so that whole patterns fill each part.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

class TPaintMetric;

// Record of code 158 (lengths in parameter units, micrometres at scale 1.0).
struct IMGPATTERNLINE {
  DWORD Length;   // of the whole record in bytes; below 36 nothing is drawn
  LONG Count;     // items; below 0 nothing is drawn; above 32 taken as 32
  LONG EndItem;   // the item a part ends with; outside 0..Count-1: 0
  LONG Margin;    // largest reach of an item sideways from the line
  DWORD Reserve;
  // Items from here, one after another.
};
static_assert(sizeof(IMGPATTERNLINE) == 20);

// An item: its length in bytes (the next item follows after it), its
// primitive code and its extent along the line, then the parameters of
// its primitive: 127 gap; 128 line piece (colour, thickness); 149 vector
// sign; 151 font sign (92 bytes). Any other code, or parameters too short
// for the code (a vector sign whose own length runs past the item), is a
// gap.
struct IMGPATTERNITEM {
  DWORD Length;
  DWORD Code;
  DWORD Extent;
};
static_assert(sizeof(IMGPATTERNITEM) == 12);

enum : int {
  PATTERN_RECORD_MIN = 36,
  PATTERN_ITEMS_MAX = 32,
};

// The painter of code 158 in the device table: the pattern at scale
// max(scale, 0.2) along every part of two or more points and at least one
// pixel long, on the document's device. Line pieces are bands (2 pixels
// and thicker, joined around corners) or thin lines; signs are painted
// through the device table's vector-sign and font-sign painters, turned
// along the line. A part ends with the end item when that is a sign.
void PaintPatternLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// The painter of code 158 in the memory image: the same layout and walk,
// with sizes at the screen's resolution (trunc(v x s x pixels per metre x
// 1e-6)); line pieces of trunc(t x s) / 250 - 1 pixels from scale 1 on (1
// below), those of 2 pixels and more filled as bands by the solid fill,
// thinner ones drawn by the rasteriser; signs through the memory image's
// painters of codes 149 and 151.
void PaintPatternLineDib(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
