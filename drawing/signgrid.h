// The sign grid of code 155: copies of a vector sign over an area on a
// grid of cells anchored at the figure's top-left corner, optionally
// staggered like a chequerboard, each copy kept only where it lies wholly
// inside the area. The memory image paints the copies with its code-149
// painter, a device with its own; both decide the cells alike
// (gridcells.h): the cells well inside get the sign at once, the cells on
// the contour are tested at the sign's size, 32 x 32 test pixels over the
// sign's box, and get it only when every test pixel lies inside.
//
// A cell is max(step, sign size) pixels wide and high, so signs never
// overlap. Sizes are micrometres made pixels by the conversion the road's
// sign painter uses (the screen's for the memory image, the document's on
// a device). The sign is painted at scale 1.0 with its anchor at the
// cell's top-left corner plus the anchor's offsets within the sign's box.
//
// Works on a moved copy of the polylines (the caller's points stay as they
// are) and uses both mask planes and the window globals: one painting call
// at a time.
#pragma once

#include "drawing/gridcells.h"
#include "drawing/maskfill.h"
#include "drawing/polydata.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"

class TPaintMetric;

// Record of code 155; the sign (IMGVECTOREX) follows from byte 20.
struct IMGSIGNGRID {
  DWORD Length;   // of the whole record
  WORD Stagger;   // 0 and 0xFFFF: none; 0x5A5A, 0xA5A5 or any other value
  WORD Reserve;
  DWORD StepH;    // horizontal step, micrometres
  DWORD StepV;    // vertical step
  DWORD Reserve2;
};
static_assert(sizeof(IMGSIGNGRID) == 20);

// One grid as its passes see it, in pixels.
struct SIGNGRID {
  GRIDCELLS Cells;       // steps (at least the sign's size), shift, stagger, box, block
  LONG SignHeight;       // at least 2
  LONG SignWidth;
  LONG AnchorY;          // the anchor's offsets from the sign box's top and left
  LONG AnchorX;
  IMGPAINTER Painter;    // the road's painter of code 149
  const POLYDATA* Object;  // the polylines: their semantics go to the sign
};

// The painter of code 155 in the memory-image table, and the device
// table's (through PaintVectorSign). Nothing is painted without the sign's
// measure (a record too short for its sign, or a sign that cannot be
// measured), an area or the bits image.
void PaintSignGrid(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintSignGridDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// The interior pass: the sign (`sign`, an IMGVECTOREX) at every taken set
// cell of the plane-2 area of `mask`.
void PaintGridCells(TPaintMetric* doc, const char* sign, MaskFillContext* mask,
                    const SIGNGRID* grid);
// The boundary pass over the same area: each taken cell is cut at 32 x 32
// test pixels over the sign's box against the moved polylines in plane 1
// and ANDed with `full` (128 bytes of ones); the sign is painted where
// nothing was cut away. The mask context and the window globals are as on
// entry afterwards.
void PaintGridEdgeCells(TPaintMetric* doc, const char* sign, MaskFillContext* mask,
                        const BYTE* full, const POLYDATA* moved, const SIGNGRID* grid);
