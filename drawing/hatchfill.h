// Hatched and shaded fills of an area on the document's device: a family of
// parallel sweeping lines crosses the object's frame; where each line
// crosses the outline is found ring by ring, the stretches inside the
// first ring and outside every further ring are kept, and those are drawn
// as one-pixel lines. Code 153 hatches at 0, 45, 90 or 135 degrees
// (PaintHatch); the shaded column fill of vector-sign subjects paints
// vertical columns whose colour runs from dark through the colour to light
// (ShadeColumns), and its memory-image twin (ShadePolygonBands).
//
// Crossings are found in integers for axis-parallel lines (the diagonal
// ones round once), kept sorted in CrossingList; holes are cut from the
// short sorted list of stretches, never by testing pixels. Sweeps start at
// the first line of their grid that can reach the painting area and stop at
// its far edge. The crossing list and the stretch store are process-wide:
// one painting at a time.
#pragma once

#include "drawing/polydata.h"
#include "platform/win_types.h"

class TPaintMetric;

enum : int {
  CROSSINGS_MAX = 512,  // crossings of one ring with one sweeping line
  STRETCH_BATCH = 500,  // stretches drawn by one device call
};

// One crossing of a sweeping line with a ring.
struct CROSSING {
  LONG Value;      // the coordinate along the sweeping line: y for a vertical
                   // or diagonal line, x for a horizontal one
  LONG Direction;  // 1 when the crossed segment runs towards growing sweep
                   // coordinate (x for vertical lines, y for horizontal
                   // ones, the intercept for diagonal ones), else 0
  LONG Vertex;     // the segment's number (from 1) when the line passes
                   // through one of its end points, else 0
};

// The crossings of the last ring examined, sorted by value.
struct CROSSINGLIST {
  LONG Count;
  CROSSING Item[CROSSINGS_MAX];
};
extern CROSSINGLIST CrossingList;

// The crossings of a ring (its segments point i to i + 1; a ring is
// expected closed) with the line x = c, y = c, or y = c + k x (k = +1 or
// -1). Crossings go into CrossingList in order of value; crossings at
// equal values keep one vertex crossing per vertex; then each two
// neighbouring vertex crossings are merged: into one when the outline
// passes on through the line there, into none when it only touches it.
// What remains is written to `out` when given, as the points (c, y),
// (x, c) or ((t - c) k, t) (room for CROSSINGS_MAX points), and its count
// returned. Consecutive crossings pair up into the stretches inside the
// ring; an odd last one is left over.
int RingCrossingsVertical(const POINT* ring, int count, LONG c, POINT* out);
int RingCrossingsHorizontal(const POINT* ring, int count, LONG c, POINT* out);
int RingCrossingsDiagonal(const POINT* ring, int count, LONG c, int k, POINT* out);

// Code 153 on the document's device. Record: word 0 its length (at least
// 24), word 1 the angle (90 vertical, 45 and 135 diagonal, any other
// horizontal), word 2 the spacing, word 3 the line kind (129 dashed, any
// other solid), word 4 the colour, word 5 the thickness. Spacing and
// thickness are micrometres at scale 1.0 (times 1.41 at 45 and 135
// degrees, measured along the axis), become device pixels through the
// document, and are at least 1 pixel (the diagonal spacing at least 2);
// a thick line is that many adjacent one-pixel lines. Dashed hatches use
// the dash and gap of the dashed line's default record (250 micrometres
// each, at max(scale, 1)).
void PaintHatch(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The three sweeps PaintHatch dispatches to; k = -1 for lines y = c - x
// (45 degrees), +1 for lines y = c + x (135 degrees).
void HatchVertical(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void HatchHorizontal(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void HatchDiagonal(TPaintMetric* doc, POLYDATA* data, const char* parm, int k, float scale);

// The shaded column fill over the polygon set. Shading record, four
// 32-bit values: the colour word, the width of the left band and of the
// right band in percent of the frame's width (a right band below 2
// percent is not painted), the intensity in percent. Each column of a band
// is one colour: per channel the left band runs from dark through the
// colour to light, the right band back, dark = (100 - intensity)% of the
// channel and light that far towards 240 (never above it).
void ShadeColumns(TPaintMetric* doc, POLYDATA* data, const LONG* shading);
// The same bands as one-pixel vertical lines in the memory image (the
// filled vector-sign subjects painted there by reference); the right band
// is painted at any width, and a band of n columns turns at (n + 1) / 2. Every stretch of a column is drawn, however
// many holes cut it.
void ShadePolygonBands(POLYDATA* data, const LONG* shading);
