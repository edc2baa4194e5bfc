// The document's palette: 256 colour words, the priority of the data kinds
// when colours are short, the background and the count in use. The palette
// is rebuilt by the document from its maps, rasters and matrices; here are
// its data and the steps that need nothing of them.
#pragma once

#include "platform/win_types.h"

class TMapPalette {
 public:
  TMapPalette();

  // Colours zeroed, entry 0 the background, count 1.
  void ClearPalette();
  // Entry 0 = the background.
  void SetBackGround() { Colors[0] = BackGround; }

  COLORREF Colors[256];  // 0x00BBGGRR
  BYTE Order[4];         // 0 maps, 1 rasters, 2 elevation matrices, 3 quality matrices
  COLORREF BackGround;
  LONG Count;
};
