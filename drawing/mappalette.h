// The document's palette: 256 colour words, the priority of the data kinds
// when colours are short, the background and the count in use. The document
// rebuilds it from its maps, rasters and matrices, each set of colours added
// through SetPalette, which gives every colour of the set its entry; when a
// set does not fit the free entries, its most distinct colours take them and
// the others share the nearest entries already there.
#pragma once

#include "platform/win_types.h"

enum : int {
  MAP_PALETTE_SIZE = 256,
  MAP_PALETTE_BACKGROUND = 0xC0C0C0,
};

// The data kinds of the priority order.
enum : BYTE {
  PALETTE_KIND_MAPS = 0,    // the vector map and the user maps
  PALETTE_KIND_RASTERS = 1,
  PALETTE_KIND_MATRICES = 2,  // elevation matrices
  PALETTE_KIND_QUALITY = 3,   // quality matrices
};

class TMapPalette {
 public:
  TMapPalette();

  // Colours zeroed, entry 0 the background, count 1.
  void ClearPalette();
  // Entry 0 = the background.
  void SetBackGround() { Colors[0] = BackGround; }
  // Adds n colours (0x00BBGGRR) and writes the entry of colour i into
  // index[i]. Nothing for n outside 0..256 or a null argument. Colours that
  // fit the free entries take the next ones in order; otherwise, while
  // entries are free, the colour farthest from its nearest fellow of the
  // set takes the next one, and every colour left is given the nearest
  // entry from 1 up (0 when none is nearer than 0xFFFFFF). The count is
  // 256 after a reduction.
  void SetPalette(int n, const COLORREF* colours, BYTE* index);
  // The colours into the memory image's colour table as blue, green, red,
  // 0, for as many entries as its header names; nothing without an image.
  void SetPaletteDib() const;

  COLORREF Colors[MAP_PALETTE_SIZE];  // 0x00BBGGRR
  BYTE Order[4];  // the data kinds (PALETTE_KIND_*) from the first served
  COLORREF BackGround;
  LONG Count;
};

// The squared distance of two colours: the sum of the squared differences
// of red, green and blue.
LONG ColorDistance(COLORREF a, COLORREF b);
