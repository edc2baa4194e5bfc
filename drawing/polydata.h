// The pixel polyline set handed to every painter, visibility test and image
// library (POLYDATA, a public record: types/polydata.h), and the
// whole-pixel frame (FRAME).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"
#include "types/polydata.h"

// A frame of whole pixels in picture coordinates: X1 the southern edge, Y1
// the western, X2 the northern, Y2 the eastern.
struct FRAME {
  LONG X1;
  LONG Y1;
  LONG X2;
  LONG Y2;
};
static_assert(sizeof(FRAME) == 16);
