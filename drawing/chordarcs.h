// Ellipses by chords and the arcs that join two segments at a corner, in
// pixel space (y downwards). Like the circle by chords (paintgeometry.h)
// they run from (0, b) below the centre through (a, 0), (0, -b) and
// (-a, 0) back to (0, b); the output goes into the first part of a
// caller's polyline set, whose count receives the number of points.
#pragma once

#include "drawing/paintgeometry.h"
#include "drawing/polydata.h"
#include "platform/win_types.h"

enum : int {
  JOIN_ARC_POINTS_MAX = CHORD_POINTS_MAX + 2,  // points a join arc writes at most
};

// A closed ellipse of radius a along x and b along y around the centre:
// the octant of the circle of radius a (integer steps up to 10, equal angle
// steps from 11 on, kept in floating point) mirrored into the whole
// circle, each point written as (trunc(x + 0.4), trunc(y * b / a + 0.4))
// from the centre. Radius a below 2: the centre alone. Room for
// CHORD_POINTS_MAX points. Returns the number of points.
int DrawEllipseByChords(POINT centre, int a, int b, POLYDATA* out);

// The arc of the circle of the radius around the corner k from the
// direction towards p to the direction towards n, in the circle's order:
// the point at the radius towards p, the circle's vertices between, the
// point at the radius towards n. The vertices are those that lie between
// the two directions, in order, so the arc never runs past its ends. p = n: no points; p = k stands for
// the reflection of n through k, n = k for that of p. Room for
// JOIN_ARC_POINTS_MAX points. Returns the number of points.
int DrawJoinArc(POINT p, POINT k, POINT n, int radius, POLYDATA* out);
// The same on the ellipse of radii rx along x and ry along y.
int DrawJoinEllipse(POINT p, POINT k, POINT n, int rx, int ry, POLYDATA* out);
