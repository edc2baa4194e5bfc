// The tables of image-primitive painters and the walk of a drawing
// description.
//
// An object is drawn by the elements of its drawing description (IMGDRAW):
// each element names a primitive code 0..255 and carries the primitive's
// parameter record. Painting an element means looking its code up in a
// 256-entry block of painters and calling the painter with the document,
// the object's pixel polylines (POLYDATA), the parameter record and the
// scale. Three families of blocks share the codes: six blocks of device
// painters (GDI on a device context), two memory-image blocks (full colour
// and one colour, painting into the paint context's 32-bit image) and one
// block of visibility tests. The document's visual type chooses the blocks.
//
// Colour words in parameter records: top byte 0xF0 names entry (low byte)
// of the paint colour tables; top byte 0xF1 carries a memory-image pixel
// 0x00RRGGBB that the memory-image painters take unchanged; 0xFFFFFFFF is
// "no colour" where a painter tests for it; any other value is a COLORREF
// (0x00BBGGRR) shifted by the painting brightness and contrast.
//
// The tables are constant data; the walk's state (the inside-a-set flag)
// and the painting colour pair are process-wide: one painting call at a
// time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "drawing/polydata.h"
#include "platform/win_types.h"
#include "records/objectdraw.h"
#include "records/primitives.h"

class TPaintMetric;

// A painter: (document, polylines, the element's parameter record - four
// bytes past the element's start -, scale; 1.0 = the size of the record).
// The memory-image painters pass the document on unchanged and work
// without one (null). The result of a painter is not used.
typedef void (*IMGPAINTER)(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// A visibility test: the same arguments; 1 when the point under test hits
// what the primitive would draw, else 0.
typedef int (*IMGTESTER)(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

using PainterBlock = std::array<IMGPAINTER, PRIM_COUNT>;
using TesterBlock = std::array<IMGTESTER, PRIM_COUNT>;

enum : int {
  DEVICE_BLOCK_COUNT = 6,
  DIB_FULLCOLOUR = 0,  // memory-image block of visual type 1
  DIB_ONECOLOUR = 1,   // of visual type 2
  DIB_BLOCK_COUNT = 2,
};

// Six device blocks: 0 full colour; 1 solid fills drawn as outlines; 2
// one colour (lines and areas as one-colour outlines); 3 without texts; 4
// without solid fills and labelled sets; 5 only texts, sets, labelled
// sets, shading and the library image 221. Blocks 0-2 draw a code without
// a painter as a plain line, blocks 3-5 not at all. A document holds a
// pointer to its current block.
extern const std::array<PainterBlock, DEVICE_BLOCK_COUNT> DevicePainterTable;
// The memory-image blocks: full colour and one colour.
extern const std::array<PainterBlock, DIB_BLOCK_COUNT> DibPainterTable;
extern const TesterBlock VisibilityTestTable;

// --- Painting state (process-wide) ---

// The brightness and contrast of the map being painted: every colour
// conversion of the painters shifts COLORREF words by them. The painting
// loop sets them before each map (and a user map's for its objects).
struct PAINTCOLORSTATE {
  LONG Bright;
  LONG Contrast;
};
extern PAINTCOLORSTATE PaintColorState;

// Set while a primitive set is walked on a device after a line (128) or a
// dashed line (129) of the set: later line painters of the set take their
// colour through the fill colour function. Cleared when the walk ends.
extern LONG PaintInsideSet;

// --- Elements ---

// One element of a drawing description as the walks see it.
struct IMGELEMENTREF {
  int Code;          // primitive code
  const char* Parm;  // its parameter record
  int ParmLength;    // parameter bytes the element holds
};

// Walks the elements of a drawing description in order, never past the
// record's own length nor past `size` bytes (the room the record lies in).
// Next gives 0 at the end or at an element that is empty or runs past the
// end (the same rule as DrawElementAddress).
class TImageWalk {
 public:
  TImageWalk(const IMGDRAW* draw, LONG size);
  int Next(IMGELEMENTREF* element);
  // The element count of the record's head (0 for a record without the
  // marker or shorter than its head).
  int Count() const { return count_; }

 private:
  const char* base_;
  int64_t end_ = 0;
  int64_t offset_ = IMGDRAW_HEAD;
  int left_ = 0;
  int count_ = 0;
};

// 1 when the element's parameters hold what its primitive's painters read:
// the record length its primitive table row gives (fixed or read from the
// record) or, for a code whose record does not say, the bytes its painters
// read at least. An element that does not hold its record is not painted.
int ImageElementFits(const IMGELEMENTREF& element);

// Paints a drawing description through a block: every element with a code
// 1..254 that holds its record, in order; an element with another code is
// skipped; the walk ends at an element that is missing (damaged record).
void PaintImageDraw(TPaintMetric* doc, POLYDATA* data, const IMGDRAW* draw, LONG size,
                    const IMGPAINTER* block, float scale);

// The walk of a primitive set (code 147) through a block: elements 1..count
// of the nested record; the walk stops at a missing element or a code
// outside 1..254. With `lines` set, PaintInsideSet is set after an element
// of code 128 or 129 and cleared when the walk ends. Returns the number of
// elements walked (a set of 0 elements: 0).
int WalkPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                     const IMGPAINTER* block, bool lines);
// The element count of a primitive set's record (0 for none or a damaged
// head).
int SetElementCount(const char* parm);
// The same over visibility tests: 1 at the first element whose test hits,
// 0 when none does or the walk stops; `count` receives the elements
// walked.
int WalkPrimitiveSetTest(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                         int* count);

// --- Entries of the tables that belong to the walk ---

// Codes 0 and 127 of device blocks 0 and 1, and every code of blocks 3-5
// without a painter of its own: nothing.
void PaintNothing(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Every code of device blocks 0-2 without a painter of its own (and 127 of
// block 2): the device line of code 128 with colour 0, thickness 260 and
// scale 1.0.
void PaintDefaultLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 147 of every device block: the set walked through the document's
// current device block.
void PaintPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 150 of device blocks 0-3 and 5: the labelled set with its elements
// painted through device block 0.
void PaintLabelledSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 147 of the visibility block.
int TestPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// Codes 0 and 127 of the full-colour memory block: nothing.
void PaintEmptyImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Every memory-image code without a painter of its own: the memory-image
// line of code 128 with colour 0, thickness 260 and the caller's scale.
void PaintDefaultImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// Code 146 of the one-colour memory block: a one-pixel black line.
void PaintDibOneColourDefault(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
