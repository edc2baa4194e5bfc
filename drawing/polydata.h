// The pixel polyline set handed to every painter, visibility test and image
// library (POLYDATA), and the whole-pixel frame (FRAME): public records
// (types/polydata.h) shared with hosts and the image plug-in interface
// (types/imagelib.h).
//
// The document's set points into the shared point buffer of the paint
// context.
#pragma once

#include "types/imagelib.h"
#include "types/polydata.h"
