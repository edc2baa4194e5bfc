// One-bit bitmap signs of the memory image: a 32 x 32 (or 16 x 16) bitmap
// stamped in one colour at the object's first point, pixel for pixel or
// doubled (each bit 2 x 2 pixels). One preparation places the sign and
// finds its visible part; each layer of a sign is then stamped with its
// own colour.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

// Where the sign's anchor lies in the bitmap.
struct BITMAPSIGNANCHOR {
  BYTE Unused;
  BYTE Size;     // 32: 32 x 32; any other value: 16 x 16
  BYTE OffsetV;  // pixels from the top edge to the anchor
  BYTE OffsetH;  // pixels from the left edge
};
static_assert(sizeof(BITMAPSIGNANCHOR) == 4);

// One layer: rows top to bottom, 4 bytes per row (2 for 16 x 16), the most
// significant bit of the first byte the leftmost pixel.
struct BITMAPSIGN {
  DWORD Pixel;  // image order (0x00RRGGBB)
  LONG Size;    // 32; any other value: 16
  const BYTE* Bits;
};

// Places the sign at the first point less the anchor offsets (both twice as
// large when doubled) in the current draw place: 0 when some of it is
// visible, 1 when none is (nothing is to be stamped).
int PrepareBitmapSign(const POLYDATA* data, const BITMAPSIGNANCHOR* anchor, int doubled);
// Stamp the prepared sign's set bits.
void StampBitmapSign(const BITMAPSIGN* sign);
void StampBitmapSignDoubled(const BITMAPSIGN* sign);
