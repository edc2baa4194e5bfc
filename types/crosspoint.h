/* A crossing of two map objects as a host reads it from a crossing-point
 * list: the point in plane coordinates, its height, and for each object
 * its handle, the point that begins the crossed segment (or the vertex the
 * crossing lies on) and the contour (0 = the outer one). */
#ifndef MAPCORE_TYPES_CROSSPOINT_H
#define MAPCORE_TYPES_CROSSPOINT_H

#include "types/maptypes.h"
#include "types/layout.h"

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
MC_PLACE(CROSSPOINT, X, 0);
MC_PLACE(CROSSPOINT, Y, 8);
MC_PLACE(CROSSPOINT, H, 16);
MC_PLACE(CROSSPOINT, Object1, 24);
MC_PLACE(CROSSPOINT, Number1, 32);
MC_PLACE(CROSSPOINT, Subject1, 36);
MC_PLACE(CROSSPOINT, Object2, 40);
MC_PLACE(CROSSPOINT, Number2, 48);
MC_PLACE(CROSSPOINT, Subject2, 52);
MC_SIZE(CROSSPOINT, 56);

#ifdef __cplusplus
static_assert(sizeof(CROSSPOINT) == 40 + 2 * sizeof(HOBJ), "CROSSPOINT layout");
#endif

#endif
