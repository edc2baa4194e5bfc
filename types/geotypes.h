/* Records of coordinates shared with a host: points and frames in doubles,
 * and angles in degrees, minutes and seconds. Plain C99 and C++; the
 * library's own code is built on the same definitions. */
#ifndef MAPCORE_TYPES_GEOTYPES_H
#define MAPCORE_TYPES_GEOTYPES_H

#include <stdint.h>

#include "types/layout.h"

#pragma pack(push, 1)
/* A point: X then Y. In map coordinates X points north and Y east; a
 * geodetic point holds B (latitude) in X and L (longitude) in Y, radians. */
typedef struct DOUBLEPOINT {
  double X;
  double Y;
} DOUBLEPOINT;
MC_PLACE(DOUBLEPOINT, X, 0);
MC_PLACE(DOUBLEPOINT, Y, 8);
MC_SIZE(DOUBLEPOINT, 16);

/* A frame: the minima X1, Y1, then the maxima X2, Y2. */
typedef struct DFRAME {
  double X1;
  double Y1;
  double X2;
  double Y2;
} DFRAME;
MC_PLACE(DFRAME, X1, 0);
MC_PLACE(DFRAME, Y1, 8);
MC_PLACE(DFRAME, X2, 16);
MC_PLACE(DFRAME, Y2, 24);
MC_SIZE(DFRAME, 32);

/* An angle as degrees, minutes and seconds with its sign apart (Sign < 0:
 * a negative angle). */
typedef struct SIGNDEGREE {
  int32_t Degree;
  int32_t Minute;
  float Second;
  int32_t Sign;
} SIGNDEGREE;
MC_PLACE(SIGNDEGREE, Degree, 0);
MC_PLACE(SIGNDEGREE, Minute, 4);
MC_PLACE(SIGNDEGREE, Second, 8);
MC_PLACE(SIGNDEGREE, Sign, 12);
MC_SIZE(SIGNDEGREE, 16);

/* The same without the sign: the first three fields. */
typedef struct DEGREE {
  int32_t Degree;
  int32_t Minute;
  float Second;
} DEGREE;
#pragma pack(pop)
MC_PLACE(DEGREE, Degree, 0);
MC_PLACE(DEGREE, Minute, 4);
MC_PLACE(DEGREE, Second, 8);
MC_SIZE(DEGREE, 12);

#endif
