// Plane geometry in pixel space shared by the painters.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

enum : int {
  CHORD_POINTS_MAX = 64,  // points DrawArcByChords writes at most
};

// A closed circle of radius r around the centre, by chords, written into
// the first part of `out` (its points and count; room for CHORD_POINTS_MAX
// points): radius below 1 one point (the centre); 1 the five-point
// diamond; 2..10 an octant of integer steps; 11 and up 3 to 6 equal angle
// steps per octant. The octant is mirrored into the whole circle, which
// runs from (0, r) through (r, 0), (0, -r), (-r, 0) back to (0, r) around
// the centre (y downwards), 8 points per octant point. Returns the number
// of points, also stored as the part's count.
int DrawArcByChords(POINT centre, int radius, POLYDATA* out);
