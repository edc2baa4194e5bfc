/* The pixel polyline set that painters and image libraries receive, and
 * that a host hands to the legend sample painted over its own points
 * (mapPaintExampleObjectRealByFuncData). It carries pointers, so its
 * layout is the natural one of the platform: 48 bytes where pointers are
 * 4 bytes wide, 72 bytes on a 64-bit system. Plain C99 and C++. */
#ifndef MAPCORE_TYPES_POLYDATA_H
#define MAPCORE_TYPES_POLYDATA_H

#include "types/maptypes.h"
#include "types/layout.h"

/* Points per part and texts: the document's set points into the shared
 * point buffer of the paint context. */
typedef struct POLYDATA {
  POINT* Points;     /* two i32 each: column x, row y, relative to the draw
                        place's top-left corner */
  LONG* PolyCounts;  /* points per part */
  LONG Count;        /* number of parts */
  char** Text;       /* per part, the characters of its text (after the
                        length byte) for objects with texts; the first entry
                        is 0 otherwise */
  LONG MetricFlag;   /* 1 once a metric was converted into the set */
  void* Semantic;    /* the object's semantics record when it is drawn from
                        them, else 0 (set by the painting loop) */
  LONG MinX;         /* least column of the object */
  LONG MinY;         /* least row */
  LONG MaxX;         /* greatest column */
  LONG MaxY;         /* greatest row */
  double ShowScale;  /* scale denominator of the view: base scale / draw scale */
} POLYDATA;
#if MC_POINTERS_8
MC_PLACE(POLYDATA, Points, 0);
MC_PLACE(POLYDATA, PolyCounts, 8);
MC_PLACE(POLYDATA, Count, 16);
MC_PLACE(POLYDATA, Text, 24);
MC_PLACE(POLYDATA, MetricFlag, 32);
MC_PLACE(POLYDATA, Semantic, 40);
MC_PLACE(POLYDATA, MinX, 48);
MC_PLACE(POLYDATA, MinY, 52);
MC_PLACE(POLYDATA, MaxX, 56);
MC_PLACE(POLYDATA, MaxY, 60);
MC_PLACE(POLYDATA, ShowScale, 64);
MC_SIZE(POLYDATA, 72);
#endif

/* A frame of whole pixels. As the frame of an image (a plug-in's border,
 * imgPrepareBorder): X1 left, Y1 top, X2 right, Y2 bottom, in the
 * coordinates of the polylines; as a frame of the picture's objects: X1
 * the southern edge, Y1 the western, X2 the northern, Y2 the eastern. */
typedef struct FRAME {
  LONG X1;
  LONG Y1;
  LONG X2;
  LONG Y2;
} FRAME;
MC_PLACE(FRAME, X1, 0);
MC_PLACE(FRAME, Y1, 4);
MC_PLACE(FRAME, X2, 8);
MC_PLACE(FRAME, Y2, 12);
MC_SIZE(FRAME, 16);

#ifdef __cplusplus
static_assert(sizeof(FRAME) == 16, "FRAME layout");
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(POLYDATA) == 72, "POLYDATA layout");
static_assert(offsetof(POLYDATA, Count) == 16, "POLYDATA layout");
static_assert(offsetof(POLYDATA, Text) == 24, "POLYDATA layout");
static_assert(offsetof(POLYDATA, MetricFlag) == 32, "POLYDATA layout");
static_assert(offsetof(POLYDATA, MinX) == 48, "POLYDATA layout");
static_assert(offsetof(POLYDATA, ShowScale) == 64, "POLYDATA layout");
#else
static_assert(sizeof(POLYDATA) == 48, "POLYDATA layout");
static_assert(offsetof(POLYDATA, MinX) == 24, "POLYDATA layout");
static_assert(offsetof(POLYDATA, ShowScale) == 40, "POLYDATA layout");
#endif
#endif

#endif
