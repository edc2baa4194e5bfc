// Polygon fills of the memory image through a 1-bit mask: a polyline set
// is rasterised into mask plane 1 of the bits image (even-odd rule, any
// number of contours), then the set bits are written into the picture with
// a colour, a 32 x 32 pattern or a hatch. The area painters of the memory
// image (solid, hatched and pattern fills, shading) call these operations
// in this order: fill in the context's caller fields (mask row 0 and row
// length of plane 1, clip size, colours) -> BuildScanEdges -> (hatch:
// make the hatch row; pattern: PreparePattern) -> one paint operation.
//
// Mask addressing: row y starts at MaskRow0 - y x MaskRowBytes; pixel x
// of a row is bit 31 - (x mod 32) of 32-bit word x / 32 (the leftmost
// pixel of a word is its top bit). The picture is addressed like the
// paint context's: row y at the picture's top row - y x stride.
//
// The mask is built by the edge-flag rule: every edge toggles, in each row
// it passes, the bits from its pixel in that row to the end of the work
// area (an edge whose direction, up or down, continues the previous one
// leaves its first row out, so a vertex passed through counts once and a
// turning vertex twice). A bit is set when an odd number of toggles lie at
// or left of it. For the square (0,0) (10,0) (10,10) (0,10) (0,0) that is
// columns 0..9 of rows 1..10; the outline the solid fill draws afterwards
// completes row 0 and column 10.
//
// Any 32-bit coordinates: edges are cut to the rows of the work area in
// closed form, so a figure reaching far outside the picture costs no more
// than its visible part, and nothing overflows.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

// One fill, built by the caller; 32-bit fields in this order.
struct MaskFillContext {
  LONG EdgeX;           // current edge start
  LONG EdgeY;
  LONG EdgeCountX;      // |dx| + 1, |dy| + 1 of the current edge
  LONG EdgeCountY;      //   (saturated)
  LONG EdgeDx;          // dx, dy of the current edge (saturated)
  LONG EdgeDy;
  DWORD* AreaFirst;     // first mask word of the work area
  LONG AreaLeft;        // work-area left column (a multiple of 32)
  LONG AreaTop;         // and top row
  LONG AreaRows;
  LONG AreaWidth;       // pixels, a multiple of 32
  LONG AreaWords;       // words per row
  LONG FigureLeft;      // the figure's bounding box, unclamped: the anchor
  LONG FigureTop;       // of patterns and hatches
  DWORD LastMask;       // bits of each row's last word that lie inside the picture
  BYTE* MaskRow0;       // set by the caller: plane 1's top row
  LONG MaskRowBytes;    //   and its row length
  LONG ClipWidth;       // set by the caller: the image width and height of
  LONG ClipHeight;      //   the current draw place
  LONG SkipFirstRow;    // of the current edge
  // Caller data.
  DWORD ColorA;
  DWORD ColorB;
  LONG Stripe;
  LONG Gap;
};

// A 32 x 32 (or 16 x 16) pattern for PreparePattern: colour A where the
// pattern bit is 0, colour B where it is 1; the header's byte 1 is the
// size (32; any other value: 16), its rows follow from byte 4 (4 bytes
// per row, 2 for 16 x 16, most significant bit of the first byte =
// leftmost pixel).
struct MASKPATTERN {
  DWORD ColorA;
  DWORD ColorB;
  const BYTE* Header;
};

// A mask context for plane 1 of the paint context, clipped to the current
// draw place.
void InitMaskFill(MaskFillContext* context);

// The work area of the figure's box, cleared: 0 when there is something to
// fill, 1 when the figure lies wholly outside the picture.
int SetMaskArea(MaskFillContext* context, const POLYDATA* data);
// 1 when the mask was built, 0 when there is nothing to paint (the figure
// is outside, or a part has a count of 0 or less: the parts before it stay
// in the mask). Parts of 1 to 3 points are left out; contours are expected
// closed (no closing edge is added).
int BuildScanEdges(MaskFillContext* context, const POLYDATA* data);
// The pixel value at every set mask bit of the work area.
void PaintMaskColour(MaskFillContext* context, DWORD pixel);

// The pattern table of this figure: pattern column 0 falls on the figure's
// left column and pattern row 0 on its top row.
void PreparePattern(MaskFillContext* context, const MASKPATTERN* pattern);
// Set bits: colour B where the pattern bit is 1, colour A where it is 0.
void PaintMaskTwoColours(MaskFillContext* context, const MASKPATTERN* pattern);
// Set bits whose pattern bit is 1: colour B; other pixels stay.
void PaintMaskPattern(MaskFillContext* context, const MASKPATTERN* pattern);

// Hatches (stripe and gap in pixels, each at least 1): kind 2 vertical,
// 3 dots, 4 and 5 diagonals of opposite slope, any other kind horizontal.
// Stripes start at the figure's left column (vertical), its top row
// (horizontal, dots) or the diagonal through its top-left corner.
void MakeStripeRow(MaskFillContext* context, int stripe, int gap);
// Direction 1: stripes rising to the right; 0: falling to the right.
void MakeDiagonalRow(MaskFillContext* context, int stripe, int gap, int direction);
void PaintVerticalHatch(MaskFillContext* context, DWORD pixel);
void PaintDotHatch(MaskFillContext* context, DWORD pixel, int stripe, int gap);
void PaintDiagonalHatch(MaskFillContext* context, DWORD pixel, int direction);
void PaintHorizontalHatch(MaskFillContext* context, DWORD pixel, int stripe, int gap);
// The 32 pixels from `first` on get the value where a bit of `bits` is
// set (the top bit is the first pixel).
void PaintMaskWord(DWORD* first, DWORD bits, DWORD pixel);

// --- Window variant: a scaled figure into a small window of the mask ---

// The figure box and the window (both inclusive, in the scaled
// coordinates), set by the caller before SetMaskWindowArea; the work
// area's column and row are kept here for the device pattern fills.
struct MASKWINDOW {
  RECT Figure;
  RECT Window;
  LONG AreaColumn;
  LONG AreaRow;
};
extern MASKWINDOW MaskWindow;

// Like SetMaskArea against the window: the area starts at the window's
// top and at its left rounded down to 32 (the figure's, when the figure
// starts inside), and the mask's row 0 is the area's own first row and
// column. 1 when nothing is to be done.
int SetMaskWindowArea(MaskFillContext* context);
// BuildScanEdges into that area, every point taken as (trunc(x x fx) -
// area column, trunc(y x fy) - area row).
int BuildScanEdgesScaled(MaskFillContext* context, const POLYDATA* data, float fy, float fx);
// The 32 x 32 cell of the window cut out of the mask and ANDed with the
// pattern (128 bytes, rows of 4 bytes, top bit of the first byte leftmost);
// rows of the window outside the area stay clear.
void CutPatternCell(MaskFillContext* context, const BYTE* pattern, BYTE* cell);
