// The records of the display of rasters and matrices as a host reaches it
// through the document's display methods: the description of a target
// image, and the display state of the document (the file being painted,
// one at a time, with its visible rectangle and current block), which the
// painters rewrite for each file and each block.
//
// Picture coordinates: pixel columns grow to the right, pixel rows upward
// (the map's X axis). The region painted is the document's draw place.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"
#include "types/geotypes.h"

// A target image of the painters, six 32-bit words (the address one
// pointer wide).
struct DIBCONTEXT {
  BYTE* Top;           // the pixel at row top, column left of the region
  LONG RowBytes;       // a row lower in the picture lies this many bytes earlier
  LONG Height;         // rows of the image from the top row down
  LONG BytesPerPixel;  // 4
  LONG VisualType;     // below 3: paint into the image; from 3: onto the device
  LONG Width;          // pixels of a row from the left column
};

// The display state of a document. The document's place painters set it
// for each file and block they paint, and clear the frame and the block
// addresses when they return; a host that calls the block painters itself
// fills the span, the block and its addresses (TRmf::GetBlockAddress).
struct RMFDISPLAY {
  LONG FlagSwitch = 1;     // 1: the file's block flags decide which blocks are painted
  LONG MaskType = 0;       // the kind of transparency pattern
  LONG Period = 0;         // the view value on entry, then the pattern period (0: none)
  BYTE Pattern[8] = {};    // row i of the pattern in byte i, column j in bit j
  LONG Depth = 0;          // rasters: bits per element; matrices: bytes per element
                           // (layer matrices: bytes per record)
  const DFRAME* Frame = nullptr;  // the element frame in use: X2 the top edge (file
                                  // row 0), X1 the bottom, Y1 the left (file column 0)
  double FY1 = 0.0;        // the fractions of the frame's left and top edges
  double FX2 = 0.0;
  // The pixel span of the current block: rows RowStart down to RowEnd + 1,
  // columns ColStart .. ColEnd - 1.
  LONG RowStart = 0;
  LONG ColStart = 0;
  LONG RowEnd = 0;
  LONG ColEnd = 0;
  LONG BlockHeight = 0;    // of the current block, in elements
  LONG BlockWidth = 0;
  LONG LeftLength = 0;     // matrices with relief: the neighbours' row lengths, elements
  LONG RightLength = 0;
  LONG BlockFlag = 1;      // 1: the whole block; 2: through the file's border mask
  const BYTE* Data = nullptr;       // the current block's elements
  const BYTE* LeftData = nullptr;   // matrices with relief: the left neighbour at its last column
  const BYTE* RightData = nullptr;  // the right neighbour at its first column
  double StartRow = 0.0;   // element position of the span's first pixel
  double StartCol = 0.0;
  double Row = 0.0;        // the running element position
  double Col = 0.0;
  BYTE ColorView[256];     // 0: colour index i is not shown (every one shown at first)
  // The visible rectangle (CheckViewRmf): rows Bottom + 1 .. Top and
  // columns Left .. Right - 1 are painted.
  LONG Bottom = 0;
  LONG Left = 0;
  LONG Top = 0;
  LONG Right = 0;

  RMFDISPLAY() {
    for (BYTE& v : ColorView) v = 1;
  }
};

// The relief tables of matrix shading, built once (further calls do
// nothing); the painters and the 3-D views build them when they start.
MC_VISIBLE void InitShadowTables();
