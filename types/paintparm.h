/* The records a host paints single things with: the paint record (which
 * image, its parameters, the drawing mode) and a user object's points.
 * Both carry pointers, so their layout is the platform's natural one. */
#ifndef MAPCORE_TYPES_PAINTPARM_H
#define MAPCORE_TYPES_PAINTPARM_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/layout.h"

/* The image code that stands for an object's own image (its kind's image,
 * else its own graphics) drawn in one colour. */
#define PAINT_OWN_IMAGE 255
/* The mode bit that marks a sign as scalable under zoom. */
#define PAINT_MODE_SCALABLE 0x01000000

typedef struct PAINTPARM {
  LONG Image;        /* primitive code of the image; PAINT_OWN_IMAGE: the object's own */
  const char* Parm;  /* the primitive's parameters; word 0 is the colour (with
                        PAINT_OWN_IMAGE, 0xFFFFFFFF keeps the object's own colours) */
  LONG Mode;         /* drawing mode (ROP2) in the low bits, 13 copies the pen;
                        PAINT_MODE_SCALABLE: the sign grows with the zoom */
} PAINTPARM;
#if MC_POINTERS_8
MC_PLACE(PAINTPARM, Image, 0);
MC_PLACE(PAINTPARM, Parm, 8);
MC_PLACE(PAINTPARM, Mode, 16);
MC_SIZE(PAINTPARM, 24);
#endif

/* A user object: its points part after part, the points of each part and,
 * for the text images (142, 152), a chain of text records, each a 32-bit
 * length of the whole record followed by the zero-ended text; a record
 * shorter than 5 bytes ends the chain and the parts from there on. */
typedef struct PLACEDATA {
  DOUBLEPOINT* Points;
  LONG* PolyCounts;
  LONG Count;
  const char* Text;
} PLACEDATA;
#if MC_POINTERS_8
MC_PLACE(PLACEDATA, Points, 0);
MC_PLACE(PLACEDATA, PolyCounts, 8);
MC_PLACE(PLACEDATA, Count, 16);
MC_PLACE(PLACEDATA, Text, 24);
MC_SIZE(PLACEDATA, 32);
#endif

#if defined(__cplusplus) && INTPTR_MAX == INT64_MAX
static_assert(sizeof(PAINTPARM) == 24 && offsetof(PAINTPARM, Mode) == 16, "PAINTPARM layout");
static_assert(sizeof(PLACEDATA) == 32 && offsetof(PLACEDATA, Text) == 24, "PLACEDATA layout");
#endif

#endif
