// Dashed, thick and banded lines of the memory image: the line state.
#include "drawing/dashline.h"

DIBLINESTATE DibLineState = {};
