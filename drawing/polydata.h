// The pixel polyline set handed to every painter, visibility test and image
// library (POLYDATA), and the whole-pixel frame (FRAME).
//
// POLYDATA carries pointers, so its layout is the natural one of the
// platform: 48 bytes where pointers are 4 bytes wide, 72 bytes on a 64-bit
// system (offsets 0, 8, 16, 24, 32, 40, 48, 52, 56, 60, 64 below).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// Points per part and texts: the document's set points into the shared
// point buffer of the paint context.
struct POLYDATA {
  POINT* Points;      // two i32 each: column x, row y, relative to the draw
                      // place's top-left corner
  LONG* PolyCounts;   // points per part
  LONG Count;         // number of parts
  char** Text;        // per part, the characters of its text (after the
                      // length byte) for objects with texts; the first entry
                      // is 0 otherwise
  LONG MetricFlag;    // 1 once a metric was converted into the set
  void* Semantic;     // the object's semantics record when it is drawn from
                      // them, else 0 (set by the painting loop)
  LONG MinX;          // least column of the object
  LONG MinY;          // least row
  LONG MaxX;          // greatest column
  LONG MaxY;          // greatest row
  double ShowScale;   // scale denominator of the view: base scale / draw scale
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(POLYDATA) == 72);
static_assert(offsetof(POLYDATA, Count) == 16);
static_assert(offsetof(POLYDATA, Text) == 24);
static_assert(offsetof(POLYDATA, MetricFlag) == 32);
static_assert(offsetof(POLYDATA, MinX) == 48);
static_assert(offsetof(POLYDATA, ShowScale) == 64);
#else
static_assert(sizeof(POLYDATA) == 48);
static_assert(offsetof(POLYDATA, MinX) == 24);
static_assert(offsetof(POLYDATA, ShowScale) == 40);
#endif

// A frame of whole pixels in picture coordinates: X1 the southern edge, Y1
// the western, X2 the northern, Y2 the eastern.
struct FRAME {
  LONG X1;
  LONG Y1;
  LONG X2;
  LONG Y2;
};
static_assert(sizeof(FRAME) == 16);
