// The metric record of one object (LONGMETRIC): a kind marker, the total
// length, the subject count and flags, then every contour as a count word,
// its points and, in records that carry texts, a text entry.
//
// Layout (little-endian, offsets from the record start):
//   0  u32 kind marker (both 16-bit halves equal)
//   4  u32 record length, header included (16 for an empty record)
//   8  u16 subject count n: the record holds n + 1 contours
//  10  u16 flags: bit 0 = point counts are 32-bit, bits 1 and 2 = drawn as
//      a spline; other bits carried as is
//  12  contour 0, contour 1, ... contour n
// A contour: a 4-byte count word (u32 with flag bit 0, else the u16 in its
// upper half), count points, then the text entry when the record has texts.
#pragma once

#include <cstdint>

#include "types/objtypes.h"
#include "geodesy/points.h"
#include "platform/win_types.h"

// Point kinds (METRIC_U16 .. METRIC_F64H) are public: types/objtypes.h.

// A marker is valid when (marker AND NOT METRIC_MARKER_FREE) equals
// METRIC_MARKER_BASE.
enum : DWORD { METRIC_MARKER_BASE = 0x7FF07FF0, METRIC_MARKER_FREE = 0x000F000F };

enum : int {
  METRIC_HEADER_SIZE = 12,       // up to the first count word
  METRIC_EMPTY_LENGTH = 16,      // an empty record without texts
  METRIC_LONG_COUNTS = 1,        // flag bit: point counts are u32
  METRIC_FLAG_SMOOTH = 2,        // flag bit: drawn as its smoothing spline
  METRIC_FLAG_ENVELOPE = 4,      // flag bit: drawn as its enveloping spline
  METRIC_SPLINE_FLAGS = METRIC_FLAG_SMOOTH | METRIC_FLAG_ENVELOPE,
  METRIC_LONG_COUNT_LIMIT = 65001,  // the point that switches to u32 counts
  METRIC_MAX_LENGTH = 0x1000000, // 16 MB: no record grows beyond it
  METRIC_GROW_STEP = 65536,      // growth of an editing buffer
  METRIC_FIRST_BLOCK = 4096,     // first own block of an editing buffer
  METRIC_LOAD_SPARE = 32768,     // room a block needs beyond a loaded record
  METRIC_TEXT_LIMIT = 254,       // characters of one text entry
  METRIC_ALIGN_FIRST = 20,       // alignment codes 20 .. 31
  METRIC_ALIGN_LAST = 31,
};

// Height of a point that has none.
constexpr double METRIC_NO_HEIGHT = -111111.0;

#pragma pack(push, 1)
struct LONGMETRIC {
  DWORD Ident;   // kind marker
  DWORD Length;  // bytes, this header included
  WORD Count;    // subject count
  WORD Flags;    // bit 0: 32-bit point counts
};

// A text entry: L = text length + padding, the text, its 0 terminator, the
// alignment code (when there is padding) and further padding; L + 2 bytes.
struct TEXTDATA {
  BYTE Length;
  char Text[255];
};
#pragma pack(pop)

// A point found on a contour: the point, its number in the contour, then
// two words: a flag (1 at a contour vertex) or a touching code, and the
// vertex's number again. Naturally aligned: results come in arrays.
struct NUMBERPOINT {
  double X;
  double Y;
  LONG Number;
  LONG Flag;
  LONG Vertex;
};

static_assert(sizeof(LONGMETRIC) == 12);
static_assert(sizeof(TEXTDATA) == 256);
static_assert(sizeof(NUMBERPOINT) == 32);

typedef DOUBLEPOINT XYDOUBLE;

// Bytes per point of a kind; 0 for METRIC_I32H and unknown markers.
int MetricPointSize(DWORD kind);
// 1 for the kinds with a height that steps and measures know.
int MetricIs3D(DWORD kind);
// The marker test.
inline bool MetricValidMarker(DWORD kind) {
  return (kind & ~static_cast<DWORD>(METRIC_MARKER_FREE)) == METRIC_MARKER_BASE;
}

// Whether `size` bytes at `record` hold one metric record whose own length
// is `size` and whose contours (with their text entries when `text`) lie
// inside it; a kind without a point size is not sound.
bool MetricSound(const char* record, DWORD size, bool text);
// The same, with the points of the kind without a point size taking the
// bytes they are read from (12), as the editing buffer walks them; a kind
// whose points have no layout is not sound.
bool MetricHeld(const char* record, DWORD size, bool text);
// Whether the points of a kind have a layout the readers know (every kind
// with a point size, and the i32 kind with heights).
bool MetricHasLayout(DWORD kind);

// Alignment code 20..31 of text-alignment flags, and the flags of a code
// (horizontal 0, 2 or 6; vertical 24, 0x1018, 0 or 8).
int MetricAlignToCode(int flags);
int MetricCodeHorizontal(int code);
int MetricCodeVertical(int code);
