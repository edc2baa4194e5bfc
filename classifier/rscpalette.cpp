// Palettes and the classifier colours.
#include "classifier/maprsc.h"

namespace {

const DWORD kDefaultColors[16] = {
    0x000000, 0xAA0000, 0x00AA00, 0x555500, 0x0000AA, 0x55AAFF, 0x0055AA, 0xAAAAAA,
    0x555555, 0xFFAA00, 0x55FF55, 0xFF5555, 0x5500FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF,
};

}  // namespace

DWORD TMapRsc::GetDefaultColor(int c) { return c >= 0 && c < 16 ? kDefaultColors[c] : 0; }
