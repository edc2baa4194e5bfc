/* Records of coordinates shared with a host: points and frames in doubles,
 * and angles in degrees, minutes and seconds. Plain C99 and C++; the
 * library's own code is built on the same definitions. */
#ifndef MAPCORE_TYPES_GEOTYPES_H
#define MAPCORE_TYPES_GEOTYPES_H

#include <stdint.h>

#pragma pack(push, 1)
/* A point: X then Y. In map coordinates X points north and Y east; a
 * geodetic point holds B (latitude) in X and L (longitude) in Y, radians. */
typedef struct DOUBLEPOINT {
  double X;
  double Y;
} DOUBLEPOINT;

/* A frame: the minima X1, Y1, then the maxima X2, Y2. */
typedef struct DFRAME {
  double X1;
  double Y1;
  double X2;
  double Y2;
} DFRAME;

/* An angle as degrees, minutes and seconds with its sign apart (Sign < 0:
 * a negative angle). */
typedef struct SIGNDEGREE {
  int32_t Degree;
  int32_t Minute;
  float Second;
  int32_t Sign;
} SIGNDEGREE;

/* The same without the sign: the first three fields. */
typedef struct DEGREE {
  int32_t Degree;
  int32_t Minute;
  float Second;
} DEGREE;
#pragma pack(pop)

#endif
