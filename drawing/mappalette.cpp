// The document's palette: data and clearing.
#include "drawing/mappalette.h"

#include <cstring>

TMapPalette::TMapPalette() : Colors{}, Order{0, 2, 1, 3}, BackGround(0xC0C0C0), Count(0) {}

void TMapPalette::ClearPalette() {
  std::memset(Colors, 0, sizeof(Colors));
  Colors[0] = BackGround;
  Count = 1;
}
