/* A crossing of two map objects as a host reads it from a crossing-point
 * list: the point in plane coordinates, its height, and for each object
 * its handle, the point that begins the crossed segment (or the vertex the
 * crossing lies on) and the contour (0 = the outer one). */
#ifndef MAPCORE_TYPES_CROSSPOINT_H
#define MAPCORE_TYPES_CROSSPOINT_H

#include "types/maptypes.h"

typedef struct CROSSPOINT {
  double X;
  double Y;
  double H;        /* the mean of both heights; the other one when one is 0 */
  HOBJ Object1;
  LONG Number1;
  LONG Subject1;
  HOBJ Object2;
  LONG Number2;
  LONG Subject2;
} CROSSPOINT;

#ifdef __cplusplus
static_assert(sizeof(CROSSPOINT) == 40 + 2 * sizeof(HOBJ), "CROSSPOINT layout");
#endif

#endif
