// The pixel polyline set handed to every painter, visibility test and image
// library (POLYDATA), and the whole-pixel frame (FRAME): the records of the
// image plug-in interface (types/imagelib.h).
//
// The document's set points into the shared point buffer of the paint
// context. POLYDATA carries pointers, so its layout is the natural one of
// the platform: 48 bytes where pointers are 4 bytes wide, 72 bytes on a
// 64-bit system.
#pragma once

#include "types/imagelib.h"
