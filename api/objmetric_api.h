/* An object's metric for a host: its points in plane coordinates (metres,
 * X north, Y east), its contours (subjects: 0 the outer contour, 1.. the
 * inner ones), frames, direction, whole-object moves, thinning, splines,
 * arcs and buffer zones, and its measures (sides, length, perimeter,
 * area, distances). Points are numbered from 1 within a subject and named
 * by point number, then subject. Heights are metres; a missing height is
 * -111111.0.
 *
 * Every function refuses a null, freed or foreign object handle (and a
 * null, closed or foreign document handle where one is taken) with 0 or
 * 0.0 and changes nothing. */
#ifndef MAPCORE_API_OBJMETRIC_API_H
#define MAPCORE_API_OBJMETRIC_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* --- Contours and points --- */

/* 1 when the first and last points of the subject are the same bytes (an
 * empty or one-point subject counts as closed), else 0. */
MAPAPI LONG WINAPI mapGetExclusiveSubject(HOBJ info, LONG subject);
/* 1 when the subject has points and its first and last points have equal
 * coordinates, else 0. */
MAPAPI LONG WINAPI mapCircuitousSubject(HOBJ info, LONG subject);
/* The extent of all points in plane coordinates: 1, or 0 with a cleared
 * frame. */
MAPAPI LONG WINAPI mapObjectFrame(HOBJ info, DFRAME* frame);
/* The descriptor's frame in plane coordinates (whole map units converted);
 * the Ex form rebuilds it from the metric first when `rebuild` is nonzero
 * (always for an object never written). 1, or 0 with a cleared frame. */
MAPAPI LONG WINAPI mapObjectViewFrame(HOBJ info, DFRAME* frame);
MAPAPI LONG WINAPI mapObjectViewFrameEx(HOBJ info, DFRAME* frame, LONG rebuild);
/* Points of the subject; subjects of the metric (inner contours + 1). */
MAPAPI LONG WINAPI mapPointCount(HOBJ info, LONG subject);
MAPAPI LONG WINAPI mapPolyCount(HOBJ info);
/* Plane X, Y and the height of a point; 0.0 when there is no such point. */
MAPAPI double WINAPI mapXPlane(HOBJ info, LONG number, LONG subject);
MAPAPI double WINAPI mapYPlane(HOBJ info, LONG number, LONG subject);
MAPAPI double WINAPI mapHPlane(HOBJ info, LONG number, LONG subject);
/* Appends a point to the end of the subject: 1 or 0. */
MAPAPI LONG WINAPI mapAppendPointPlane(HOBJ info, double x, double y, LONG subject);
/* Removes a point: 1 or 0. */
MAPAPI LONG WINAPI mapDeletePointPlane(HOBJ info, LONG number, LONG subject);
/* Inserts a point after point `number`; a number below 1 puts it first.
 * 1 or 0. */
MAPAPI LONG WINAPI mapInsertPointPlane(HOBJ info, double x, double y, LONG number,
                                       LONG subject);
/* Moves a point: 1 or 0. */
MAPAPI LONG WINAPI mapUpdatePointPlane(HOBJ info, double x, double y, LONG number,
                                       LONG subject);
/* Moves a point (the 3D forms also set its height) and registers the move,
 * so that the commit moves the same point (within 0.001 of the map's
 * units) in the other objects of the map, or of the object's layer. Moves
 * made before a commit add up. 1 or 0. */
MAPAPI LONG WINAPI mapUpdatePointPlaneInMap(HOBJ info, double x, double y, LONG number,
                                            LONG subject);
MAPAPI LONG WINAPI mapUpdatePointPlane3DInMap(HOBJ info, double x, double y, double h,
                                              LONG number, LONG subject);
MAPAPI LONG WINAPI mapUpdatePointPlaneInLayer(HOBJ info, double x, double y, LONG number,
                                              LONG subject);
MAPAPI LONG WINAPI mapUpdatePointPlane3DInLayer(HOBJ info, double x, double y, double h,
                                                LONG number, LONG subject);
/* One coordinate or the height of a point set: the value, 0.0 when there
 * is no such point. */
MAPAPI double WINAPI mapSetXPlane(HOBJ info, double x, LONG number, LONG subject);
MAPAPI double WINAPI mapSetYPlane(HOBJ info, double y, LONG number, LONG subject);
MAPAPI double WINAPI mapSetHPlane(HOBJ info, double h, LONG number, LONG subject);
/* Appends an empty subject: 1 or 0. */
MAPAPI LONG WINAPI mapCreateSubject(HOBJ info);
/* Removes a subject; -1 empties the whole metric. 1 or 0. */
MAPAPI LONG WINAPI mapDeleteSubject(HOBJ info, LONG subject);
/* The subject the metric's cursor is on. */
MAPAPI LONG WINAPI mapGetCurrentSubject(HOBJ info);

/* --- Direction and whole-object changes --- */

/* Direction of the outer contour: 2 clockwise as the map shows it (X
 * north, Y east), 4 counter-clockwise; 1 when it is open, has fewer than
 * 3 points or carries texts. */
MAPAPI LONG WINAPI mapObjectDirect(HOBJ info);
/* Reverses the point order of every subject; the new direction as
 * mapObjectDirect gives it. */
MAPAPI LONG WINAPI mapChangeObjectDirect(HOBJ info);
/* Moves the whole object by a displacement in plane metres: 1 or 0. */
MAPAPI LONG WINAPI mapRelocateObjectPlane(HOBJ info, DOUBLEPOINT* delta);
/* The same with the displacement given in a coordinate kind of the
 * document (1 map units, 2 picture pixels, 3 plane metres, 4 geodetic
 * radians), taken at the object's first point. 1 or 0. */
MAPAPI LONG WINAPI mapRelocateObject(HMAP hMap, HOBJ info, DOUBLEPOINT* delta, LONG kind);
/* Thins every subject to a corridor of the precision (in the metric's
 * units, at least 0.001): the points left, or a negative code (-1 outer
 * contour of under 2 points, -2 of 2 points closer than the precision, -3
 * closed with under 4 points, -10 a damaged metric). */
MAPAPI LONG WINAPI mapLinearFilter(HOBJ info, double precision);

/* --- Splines, arcs and zones --- */

/* Smooths every subject: each corner becomes a curve starting `corner`
 * percent along its sides (1 to 50), `points` points inside each curve
 * piece; precision -1.0 takes the default thinning. The result (without
 * texts) replaces the metric. 1, or 0 leaving the metric unchanged. */
MAPAPI LONG WINAPI mapCashionSpline(HOBJ info, LONG corner, LONG points, double precision);
/* The same for one subject; the other subjects stay as they are. */
MAPAPI LONG WINAPI mapCashionSplineSubject(HOBJ info, LONG subject, LONG corner, LONG points,
                                           double precision);
/* mapCashionSpline with the default precision; the second argument of
 * mapSmoothObject is not used, mapSmoothObjectEx drops the fraction of
 * `corner`. */
MAPAPI LONG WINAPI mapSmoothObject(HOBJ info, HMAP unused, LONG corner, LONG points);
MAPAPI LONG WINAPI mapSmoothObjectEx(HOBJ info, double corner, LONG points);
/* A curve through every vertex, each piece bulging at most `bulge`
 * percent of its chord (at least 5); otherwise as mapCashionSpline. */
MAPAPI LONG WINAPI mapBendSpline(HOBJ info, LONG bulge, LONG points, double precision);
MAPAPI LONG WINAPI mapBendSplineSubject(HOBJ info, LONG subject, LONG bulge, LONG points,
                                        double precision);
/* Appends to subject 0 an arc about `centre` of the radius (metres, not
 * 0) from the direction of `first` to that of `last`. 1 or 0. */
MAPAPI LONG WINAPI mapCreateArc(HMAP hMap, HOBJ info, DOUBLEPOINT* first, DOUBLEPOINT* centre,
                                DOUBLEPOINT* last, double radius);
/* Replaces the subject by the zone of the width (metres) around it; cap 0
 * gives pointed line ends, any other value flat ones. The half zone lies
 * on the left of the subject's direction. The other subjects keep their
 * numbers; the metric loses its texts. 1, or 0 leaving the object
 * unchanged (a width not above 0, a subject the metric lacks). */
MAPAPI LONG WINAPI mapZoneObject(double width, HOBJ info, LONG subject, LONG cap);
MAPAPI LONG WINAPI mapHalfZoneObject(double width, HOBJ info, LONG subject);

/* --- Measures --- */

/* The side from point `number` to the next (to point 1 from the last):
 * its length in metres, its azimuth from geodetic north (the direction
 * angle on a map without projection) and its direction angle in the
 * plane, radians. 0.0 when there is no such point. */
MAPAPI double WINAPI mapSideLength(HOBJ info, LONG number, LONG subject);
MAPAPI double WINAPI mapSideAzimuth(HOBJ info, LONG number, LONG subject);
MAPAPI double WINAPI mapSideDirection(HOBJ info, LONG number, LONG subject);
/* Area in square metres (areas and closed lines), length of the outer
 * contour and of all subjects in metres. */
MAPAPI double WINAPI mapSquare(HOBJ info);
MAPAPI double WINAPI mapPerimeter(HOBJ info);
MAPAPI double WINAPI mapLength(HOBJ info);
/* Distance in metres from a plane point to the nearest point on the
 * subject's (or any subject's) segments; 0.0 when there is none. */
MAPAPI double WINAPI mapDistancePointSubject(HMAP hMap, HOBJ info, LONG subject,
                                             DOUBLEPOINT* point);
MAPAPI double WINAPI mapDistancePointObject(HMAP hMap, HOBJ info, DOUBLEPOINT* point);
/* Distance in metres from the outer contour's points of the first object
 * to the segments of the second; 0.0 when there is none. */
MAPAPI double WINAPI mapDistanceObject(HOBJ first, HOBJ second);
/* Closes every open subject of more than 2 points of an area: ends closer
 * than `gap` millimetres at the map's scale are joined by moving the last
 * point onto the first, farther ends by putting a copy of the last point
 * in front of the first. 1, or 0 for an object that is no area. */
MAPAPI LONG WINAPI mapAbrige(HOBJ info, double gap);

#endif
