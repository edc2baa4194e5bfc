// Lines with signs (codes 146 and 157): a polyline decorated with up to
// seven nested primitives - a base line, a sign at the start and at the
// end of the whole line, a sign at the start and at the end of every
// segment, and signs A and B repeated along the line. One engine serves the
// memory image and the device; code 146 is a shorter form of the record
// that is turned into the header of code 157 first.
//
// Every nested primitive is painted through a primitive table (the
// memory image's full-colour block, or device block 0), a sign with a
// two-point polyline set of its own: its anchor and a point giving its
// direction. Nested elements are read only within the record's own length
// (dword 0, which the walk of the drawing description has checked); a
// nested element is painted only when it holds its own record. The record
// is never written: the placement mode 0xFF is decided on every call.
//
// Per-segment placement spaces signs A and B evenly along each segment
// between its start and end gaps; along-the-line placement carries their
// spacing over from segment to segment. Signs whose anchor lies farther
// than 15 mm outside the picture are not painted, so a line reaching far
// beyond the picture costs what its visible part costs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drawing/polydata.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"

enum : int {
  LINESIGNS_SLOTS = 7,           // base line, line start and end, segment start and end, A, B
  LINESIGNS_HEAD = 32,           // the header of code 157
  LINESIGNS_SHORT_HEAD = 8,      // of code 146: length, spacing
  LINESIGNS_PART_MAX = 262144,   // a longer part ends the painting
  LINESIGNS_MODE_SEGMENT = 0,
  LINESIGNS_MODE_LINE = 1,       // along the whole line
  LINESIGNS_MODE_DECIDE = 0xFF,
};

// The header of code 157 (sizes in micrometres at scale 1.0).
struct LINESIGNSHEAD {
  DWORD Length;       // the record's length; nested elements lie before it ends
  LONG StartOffset;   // first sign A from the line's start (no segment-start sign or gap)
  LONG Reserve;
  LONG StartGap;      // at the start of every segment
  LONG EndGap;        // at the end of every segment
  LONG SpacingA;      // after sign A
  LONG SpacingB;      // after sign B (0 or less: that of A)
  BYTE Mode;          // LINESIGNS_MODE_*; any other value: per segment
  BYTE Pad[3];
};
static_assert(sizeof(LINESIGNSHEAD) == LINESIGNS_HEAD);
static_assert(offsetof(LINESIGNSHEAD, Mode) == 28);

// One nested element of a line with signs.
struct LINESIGNSLOT {
  int Code = 0;
  const char* Parm = nullptr;
  LONG Length = 0;  // parameter bytes; 0 for an empty slot
  bool Present() const { return Length > 0; }
  // Dword n of the parameters, 0 when the element does not hold it.
  LONG Word(int n) const;
};
// The nested elements of a record of code 146 or 157 in slot order, read
// within the record's own length (dword 0); the number of slots read (the
// rest stay empty).
int ReadLineSignsSlots(int code, const char* parm, LINESIGNSLOT slots[LINESIGNS_SLOTS]);

// The memory-image painters of codes 146 and 157 (full-colour block).
// 146 paints nothing when its record ends before the sixth element, 157
// when its record is shorter than its header (on the device too).
void PaintLineSigns146(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintLineSigns157(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The memory-image engine: the header, and `size` bytes of nested
// elements at `first`.
void PaintLineSigns(TPaintMetric* doc, POLYDATA* data, const LINESIGNSHEAD* head, float scale,
                    const char* first, LONG size);

// The device painters of codes 157 and 146 (device blocks 0, 1, 3 and 4):
// the same plan in device pixels, the nested elements through device
// block 0.
void PaintLineSignsDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintShortLineSignsDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// The pixel length of a segment and the steps along its major axis per
// pixel of length: with the major axis counted inclusively (|d| + 1), the
// length is trunc(sqrt(major^2 + minor^2)) and ratio = major / length.
int64_t SegmentStepRatio(POINT a, POINT b, double* ratio);
// The pixel reached after n steps along the major axis of the raster line
// from a towards b (and beyond b for n past its end), stepped as the line
// rasterisers step: the minor coordinate moves when an error that starts
// at the major count and falls by the minor count per step drops below 1.
// A line without minor extent moves n straight. Found in closed form; n
// below 0 counts as 0, coordinates saturate at the 32-bit limits.
POINT WalkLinePoints(POINT a, POINT b, int64_t n);
