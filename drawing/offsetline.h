// The offset line (code 159): another primitive drawn along a copy of the
// object's polyline moved sideways by a signed distance, and the parallel
// copy itself, which the offset dashed lines (code 148) use as well.
//
// Screen coordinates, y downwards: a positive distance moves the copy to
// the right of the direction of travel (a clockwise ring shrinks). Each
// segment is moved on its own; consecutive moved segments are joined by a
// straight step, which bevels outer corners; at inner corners the moved
// segments cross, and the small loops this makes are cut off.
//
// The copy is built in a scratch area of its own, sized for the part
// (a copy of n points takes up to 2 (n - 1)) and kept between calls: one
// painting at a time.
#pragma once

#include "drawing/polydata.h"
#include "drawing/primtables.h"
#include "platform/win_types.h"

// Code 159, record: word 0 its length, word 1 the offset in micrometres
// (outside -20000 .. 20000: 4000), from byte 8 one nested element (u16
// length, u16 code, its parameters). Each part's copy is painted by the
// nested element through the full-colour memory-image block at the
// distance (offset / 250) x scale pixels, or through device block 0 at the
// document's device pixels of offset x scale. A nested element that does
// not lie within the record, or does not hold its own record, paints
// nothing.
void PaintOffsetLineDib(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
void PaintOffsetLineDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);
// The nested element's visibility test on the first part's copy (distance
// as in the memory image); 0 without polylines or parts.
int TestOffsetLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale);

// An offset in micrometres as the records give it: one outside -20000 ..
// 20000 is taken as 4000.
LONG OffsetMicrons(LONG offset);
// Paints the parallel copy of every part at the pixel distance with the
// painter: a one-part set with the object's other fields, its frame
// widened by the distance (parts from one of 0 or fewer points on are
// left out).
void PaintOffsetCopies(TPaintMetric* doc, POLYDATA* data, LONG distance, IMGPAINTER painter,
                       const char* parm, float scale);

// The parallel copy of one part at a pixel distance: its address into
// `out` (when given) and its point count. The part itself (and its count)
// when the distance is 0, when the points lie in the scratch area (a copy
// of a copy), or when no copy can be made.
int MakeOffsetPolyline(POINT** out, POINT* points, int count, int distance);

// The moved segments of a part into `out` (room for 2 (count - 1) points,
// or 1): each segment of length 1 or more moved by the distance across
// it (rounded half away from zero), start and end written in turn, each
// point only when it lies more than 1 pixel (in x or y) from the last one
// written. A part of one point is moved down by the distance. Returns the
// points written; 0 for no points.
int OffsetSegments(POINT* out, const POINT* points, int count, int distance);

// Cuts the loops of a moved part in place and returns its new count. For
// each segment i in turn, the later segments k (from the last one down to
// i + 2, k at most 2 i + 22, and not the last one when i is 0) are probed;
// at the first that crosses segment i, point i + 1 becomes the crossing
// and the points after it up to point k are removed. Candidates are found
// through a hierarchy of segment boxes, so a long part costs little more
// than its length.
int CutOffsetLoops(POINT* points, int count);

// The crossing of segments a (a[0] to a[1]) and b (b[0] to b[1]): 1 with
// the point (to the nearest pixel, within both segments' ranges) in
// `cross`, 0 when they do not cross or are parallel. An end of b on the
// line of a touches it.
int SegmentsCross(const POINT* a, const POINT* b, POINT* cross);
