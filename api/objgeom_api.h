/* Object geometry for a host: the working precision of an object, cutting
 * one object by an area (pieces pulled one by one), whether two outer
 * contours cross, the union of two objects, lists of the crossing points of
 * two objects and inserting them into the objects' metrics. Worker and list
 * handles live until their free function; every function refuses a null,
 * freed or foreign handle with 0.
 *
 * Cutting by an area or a line and uniting leave a code in an object's
 * error (the object cut when a cut is made, the result object when a piece
 * or a union is asked for): 0 when they answered or had nothing to hand
 * out; on refusal 60109 (a metric that cannot be read), 60110 (areas that
 * neither meet nor hold one another), 60111 (an area whose outer contour is
 * open), 60112 (a union too large), 60113 (a piece that cannot be closed),
 * 60040 (a handle or mode that cannot be taken), 60001 (memory). */
#ifndef MAPCORE_API_OBJGEOM_API_H
#define MAPCORE_API_OBJGEOM_API_H

#include "types/crosspoint.h"
#include "types/geotypes.h"
#include "types/maptypes.h"

/* 0.001, or 0.01 on maps of scales smaller than 1:500,000; a larger
 * precision asked for (at least 0.00001) replaces it. */
MAPAPI double WINAPI mapSetPrecision(HOBJ info, double precision);

/* A cut of `object` by the area `area`: mode 0 line pieces, 1 area pieces.
 * 0 when the frames do not meet, the mode is not 0 or 1, or the load fails. */
MAPAPI HANDLE WINAPI mapCreateObjectsCross(HOBJ area, HOBJ object, LONG mode, double precision);
/* The same for two areas, the area's holes meeting the object taken over
 * as its holes. */
MAPAPI HANDLE WINAPI mapCreateObjectsCrossSquare(HOBJ area, HOBJ object, double precision);
/* The next piece written into `result` (marked changed): `result`, or 0
 * when none is left. */
MAPAPI HOBJ WINAPI mapGetNextCross(HANDLE cut, HOBJ result);
MAPAPI void WINAPI mapFreeObjectsCross(HANDLE cut);

/* 1 when the outer contours of the two objects cross, else 0. */
MAPAPI LONG WINAPI mapGetObjectsCross(HOBJ first, HOBJ second);
/* The union of two lines (mode 0) or two areas (mode 1) written into
 * `result` (marked changed): `result`, or 0. */
MAPAPI HOBJ WINAPI mapGetObjectsUnion(HOBJ first, HOBJ second, HOBJ result, LONG mode,
                                      double precision);

/* Lists of the crossing points of two objects: of every contour pair, or
 * of contour s1 of the first with contour s2 of the second. 0 when there
 * is no crossing. */
MAPAPI HANDLE WINAPI mapCreateObjectCrossPointsEx(HOBJ first, HOBJ second, double precision);
MAPAPI HANDLE WINAPI mapCreateObjectCrossPoints(HOBJ first, HOBJ second);
MAPAPI HANDLE WINAPI mapCreateSubjectCrossPointsEx(HOBJ first, HOBJ second, LONG s1, LONG s2,
                                                   double precision);
MAPAPI HANDLE WINAPI mapCreateSubjectCrossPoints(HOBJ first, HOBJ second, LONG s1, LONG s2);
MAPAPI LONG WINAPI mapGetCrossCount(HANDLE list);
/* Record n (from 1): 1, or 0 for n out of range. */
MAPAPI LONG WINAPI mapGetCrossPoint(HANDLE list, LONG n, CROSSPOINT* point);
MAPAPI void WINAPI mapFreeCrossPoints(HANDLE list);

/* The crossing points of the two objects inserted into both metrics: the
 * number of points inserted, or 0. */
MAPAPI LONG WINAPI mapInsertPointCross(HOBJ first, HOBJ second);

/* The consent of two objects: the parts of the second lying outside the
 * first's outer contour, pulled one by one into a result (marked changed).
 * Mode 1: area parts, with the second's holes; mode 0: the stretches of a
 * line outside, part after part (a part that does not cross comes back
 * whole when it lies outside). 0 when the frames do not meet, the mode is
 * not 0 or 1, or a line of one part does not cross the first. */
MAPAPI HANDLE WINAPI mapCreateObjectsConsent(HOBJ first, HOBJ second, LONG mode,
                                             double precision);
MAPAPI HOBJ WINAPI mapGetNextConsent(HANDLE consent, HOBJ result);
MAPAPI void WINAPI mapFreeObjectsConsent(HANDLE consent);

/* A cut of `object` (mode 1 an area, 0 a line) by the line `line`: the
 * pieces on one side of the line first, then those on the other. An end
 * of the line within half the precision of the object ends on it; an end
 * short of it by up to 2.0 along the line's last side reaches on to where
 * it first meets it; beyond, nothing is cut. The caller's line is not
 * changed. 0 when the frames do not meet, the mode is not 0 or 1, or
 * nothing is cut. */
MAPAPI HANDLE WINAPI mapCreateObjectCutByLine(HOBJ line, HOBJ object, LONG mode,
                                              double precision);
/* The next piece written into `result` (marked changed, so that a commit
 * writes it): `result`, or 0 when none is left. */
MAPAPI HOBJ WINAPI mapGetNextCut(HANDLE cut, HOBJ result);
MAPAPI void WINAPI mapFreeObjectsCut(HANDLE cut);

/* Where the first object lies relative to the second: 1 inside it, 2 the
 * second inside the first, 3 the contours cross, 4 apart, 0 no answer; the
 * Ex form also -1 for the first in a hole of the second and -2 for the
 * second in a hole of the first (crossing a hole gives 3). */
MAPAPI LONG WINAPI mapCheckInsideObject(HOBJ first, HOBJ second);
MAPAPI LONG WINAPI mapCheckInsideObjectEx(HOBJ first, HOBJ second);
/* Where a plane point lies against contour `subject` of the object: 1
 * inside, 2 outside, 3 on a vertex, 4 on a side; 0 for a missing handle,
 * point or contour, or a contour that is not closed. */
MAPAPI LONG WINAPI mapCheckInsidePoint(HOBJ info, LONG subject, DOUBLEPOINT* point);
/* How `other` overlaps the closed area: 3 parts inside and outside it, 5
 * only inside (or every crossing a touch from inside), 6 only outside;
 * else 1, 2 or 4 as mapCheckInsideObject, 0 when that cannot be told. */
MAPAPI LONG WINAPI mapCheckOverlap(HOBJ area, HOBJ other, double precision);

#endif
