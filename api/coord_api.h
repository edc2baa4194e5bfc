/* Coordinates, as a host program sees them: the four coordinate kinds of a
 * map document (1 map units, 2 picture pixels, 3 plane metres with X north
 * and Y east, 4 geodetic B and L in radians), the geodetic systems (42 on
 * the Krasovsky ellipsoid, EP90, WGS84) and the 6-degree zones, angles in
 * degrees, minutes and seconds, distances and bisectors, and the axis
 * meridian of a map. Conversions work in place on the caller's variables.
 * A null, closed or foreign map handle, or a null pointer where one is
 * needed, gives 0 (0.0) and changes nothing. Results "1/0" are 0 when the
 * document's coordinate transformation reports an error; the variables may
 * then already be overwritten. */
#ifndef MAPCORE_API_COORD_API_H
#define MAPCORE_API_COORD_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* Between map units, picture pixels and plane metres: 1, 0 for a null
 * handle or pointer. */
MAPAPI LONG WINAPI mapMapToPicture(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapMapToPlane(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPictureToMap(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPictureToPlane(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPlaneToMap(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPlaneToPicture(HMAP hMap, double* x, double* y);
/* Plane X, Y to geodetic B, L of the map's own system and back: 1/0. */
MAPAPI LONG WINAPI mapPlaneToGeo(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapGeoToPlane(HMAP hMap, double* b, double* l);
/* 1 when the main map's projection converts to and from geodetic
 * coordinates. */
MAPAPI LONG WINAPI mapIsGeoSupported(HMAP hMap);
/* The frame of the whole map in kind 1, 2, 3 or 4 (4 only with geodetic
 * support; B, L in the X and Y members): 1, else 0. */
MAPAPI LONG WINAPI mapGetTotalBorder(HMAP hMap, DFRAME* frame, LONG kind);
/* Copies count points from src to dst (when they differ) and converts each
 * from one kind to another; conversions to or from kind 4 only with
 * geodetic support. 1, 0 for a null handle or pointer. */
MAPAPI LONG WINAPI mapTransformPoints(HMAP hMap, DOUBLEPOINT* src, LONG from, DOUBLEPOINT* dst,
                                      LONG to, LONG count);

/* Plane coordinates of the map to B, L of WGS84 or of the 42 system, and
 * between the geodetic systems; the 3D forms take the ellipsoidal height
 * from their third variable and write the shifted height back (the others
 * shift at height 0). 1/0. */
MAPAPI LONG WINAPI mapPlaneToGeoWGS84(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPlaneToGeoWGS843D(HMAP hMap, double* x, double* y, double* h);
MAPAPI LONG WINAPI mapPlaneToGeo42(HMAP hMap, double* x, double* y);
MAPAPI LONG WINAPI mapPlaneToGeo423D(HMAP hMap, double* x, double* y, double* h);
MAPAPI LONG WINAPI mapGeo42ToGeoWGS84(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeo42ToGeoWGS843D(HMAP hMap, double* b, double* l, double* h);
MAPAPI LONG WINAPI mapGeoWGS84ToGeo42(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeoWGS84ToGeo423D(HMAP hMap, double* b, double* l, double* h);
MAPAPI LONG WINAPI mapGeoEP90ToGeo42(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeoEP90ToGeo423D(HMAP hMap, double* b, double* l, double* h);
MAPAPI LONG WINAPI mapGeo42ToGeoEP90(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeo42ToGeoEP903D(HMAP hMap, double* b, double* l, double* h);
/* B, L of the 42 system to X, Y of the 6-degree zones on the NAHRWAN
 * datum. */
MAPAPI LONG WINAPI mapGeo42ToPlaneUTM(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeo42ToPlaneUTM3D(HMAP hMap, double* b, double* l, double* h);
/* WGS84 B, L to the map's plane coordinates. */
MAPAPI LONG WINAPI mapGeoWGS84ToPlane42(HMAP hMap, double* b, double* l);
MAPAPI LONG WINAPI mapGeoWGS84ToPlane3D(HMAP hMap, double* b, double* l, double* h);

/* Gauss-Krueger coordinates of one 6-degree zone to another (1 at once
 * when the zones are equal), to B, L of the 42 system, and B, L to the
 * zone holding L: 1, 0 for a zone outside 1-60 or a null pointer. */
MAPAPI LONG WINAPI mapPlaneToPlaneByZone(LONG zone1, LONG zone2, double* x, double* y);
MAPAPI LONG WINAPI mapPlaneToGeo42ByZone(LONG zone, double* x, double* y);
MAPAPI LONG WINAPI mapGeo42ToPlaneByOwnZone(double* b, double* l);
/* The axis meridian of zone 1-60 in radians (0.0 for other zones), and the
 * zone of a longitude (zone 1 from 0 to 6 degrees east). */
MAPAPI double WINAPI mapGetAxisMeridianByZone(LONG zone);
MAPAPI LONG WINAPI mapGetZoneByMeridian(double l);
/* Moves the axis meridian of a map of type 1 to that of the zone of the
 * longitude, or of the zone in the millions of a plane Y, and saves the
 * passport: 1, else 0. */
MAPAPI LONG WINAPI mapSetAxisMeridianByMeridian(HMAP hMap, double l);
MAPAPI LONG WINAPI mapSetAxisMeridianByPlaneY(HMAP hMap, double y);

/* The object's backup copy number `number` read into the object, and the
 * copies from `number` on deleted. */
MAPAPI LONG WINAPI mapReadObjectCopyByNumber(HOBJ info, LONG number);
MAPAPI LONG WINAPI mapDeleteObjectCopyToNumber(HOBJ info, LONG number);

/* Plane distance of two points; the distance on the ground in a
 * Gauss-Krueger projection about the first point's zone (the plane
 * distance for a document without an open map with geodetic support); the
 * direction of the bisector of the angle a-b-c. 0.0 for a null point or
 * handle. */
MAPAPI double WINAPI mapDistance(DOUBLEPOINT* a, DOUBLEPOINT* b);
MAPAPI double WINAPI mapRealDistance(HMAP hMap, DOUBLEPOINT* a, DOUBLEPOINT* b);
MAPAPI double WINAPI mapBisectorAngle(DOUBLEPOINT* a, DOUBLEPOINT* b, DOUBLEPOINT* c);

/* Radians and degrees, minutes and seconds: with a sign apart (seconds
 * that round up to 60 carry into the minute, degrees are taken modulo 360;
 * angles beyond 10000 degrees give 0), or signed in every field. 1, 0 for
 * a null pointer. */
MAPAPI LONG WINAPI mapSignDegreeToRadian(SIGNDEGREE* in, double* out);
MAPAPI LONG WINAPI mapRadianToSignDegree(double* in, SIGNDEGREE* out);
MAPAPI LONG WINAPI mapDegreeToRadian(DEGREE* in, double* out);
MAPAPI LONG WINAPI mapRadianToDegree(double* in, DEGREE* out);

#endif
