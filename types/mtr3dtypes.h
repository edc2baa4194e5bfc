/* The view records of the 3-D views of a document's matrices: the record
 * a host fills for each picture (384 bytes) and the older, shorter form
 * with an observer's place (48 bytes), which the library converts on every
 * use. Plain C99 and C++, little-endian, no padding. */
#ifndef MAPCORE_TYPES_MTR3DTYPES_H
#define MAPCORE_TYPES_MTR3DTYPES_H

#include <stddef.h>
#include <stdint.h>

#include "types/maptypes.h"
#include "types/layout.h"

/* A 3-D view of a document's elevation matrices, as a host holds it. */
typedef intptr_t HMTR3D;

#pragma pack(push, 1)

/* Fields not named are not read; a record converted from the older form
 * has them zero. */
typedef struct MTR3DVIEWEX {
  double ViewX;            /* +0   the viewed point, the centre of the plan (plane metres) */
  double ViewY;            /* +8 */
  BYTE Reserve1[32];       /* +16 */
  int32_t Scale;           /* +48  scale denominator the plan is made at */
  int32_t HeightScale;     /* +52  pixels the whole height range spans seen from the side (2 at least) */
  int32_t GridStep;        /* +56  grid step in plan pixels (2 at least) */
  int32_t LayerSwitches;   /* +60  layer matrices: bit 0 cuts a wedge out of the front */
  int16_t Elevation;       /* +64  elevation of the line of sight, degrees */
  int16_t Azimuth;         /* +66  azimuth of the line of sight, degrees */
  int8_t PaletteStyle;     /* +68  style of the document's matrix palette for height colours */
  BYTE ShowGrid;           /* +69 */
  BYTE Shadow;             /* +70  shade the relief */
  int8_t DrawMode;         /* +71  layer matrices: 0 no labels, 1 absolute heights, 3 flat surface */
  BYTE ColorByHeight;      /* +72  colour the surface by height */
  BYTE DrapeMap;           /* +73  drape the map picture */
  BYTE DrapeRasters;       /* +74  drape the document's rasters */
  BYTE Reserve2[45];       /* +75 */
  int32_t Width;           /* +120 picture width in pixels */
  int32_t Height;          /* +124 picture height in pixels */
  char Name[256];          /* +128 layer matrices: the one file to show; empty for all */
} MTR3DVIEWEX;
MC_PLACE(MTR3DVIEWEX, ViewX, 0);
MC_PLACE(MTR3DVIEWEX, ViewY, 8);
MC_PLACE(MTR3DVIEWEX, Reserve1, 16);
MC_PLACE(MTR3DVIEWEX, Scale, 48);
MC_PLACE(MTR3DVIEWEX, HeightScale, 52);
MC_PLACE(MTR3DVIEWEX, GridStep, 56);
MC_PLACE(MTR3DVIEWEX, LayerSwitches, 60);
MC_PLACE(MTR3DVIEWEX, Elevation, 64);
MC_PLACE(MTR3DVIEWEX, Azimuth, 66);
MC_PLACE(MTR3DVIEWEX, PaletteStyle, 68);
MC_PLACE(MTR3DVIEWEX, ShowGrid, 69);
MC_PLACE(MTR3DVIEWEX, Shadow, 70);
MC_PLACE(MTR3DVIEWEX, DrawMode, 71);
MC_PLACE(MTR3DVIEWEX, ColorByHeight, 72);
MC_PLACE(MTR3DVIEWEX, DrapeMap, 73);
MC_PLACE(MTR3DVIEWEX, DrapeRasters, 74);
MC_PLACE(MTR3DVIEWEX, Reserve2, 75);
MC_PLACE(MTR3DVIEWEX, Width, 120);
MC_PLACE(MTR3DVIEWEX, Height, 124);
MC_PLACE(MTR3DVIEWEX, Name, 128);
MC_SIZE(MTR3DVIEWEX, 384);

typedef struct MTR3DVIEW {
  double ViewX;            /* +0  the viewed point (plane metres) */
  double ViewY;            /* +8 */
  double ObserverX;        /* +16 the observer's place */
  double ObserverY;        /* +24 */
  double ObserverHeight;   /* +32 above the viewed point, metres */
  int32_t Scale;           /* +40 scale denominator */
  BYTE PaletteStyle;       /* +44 */
  BYTE ShowGrid;           /* +45 */
  BYTE GridStep;           /* +46 */
  BYTE HeightScale;        /* +47 */
} MTR3DVIEW;
MC_PLACE(MTR3DVIEW, ViewX, 0);
MC_PLACE(MTR3DVIEW, ViewY, 8);
MC_PLACE(MTR3DVIEW, ObserverX, 16);
MC_PLACE(MTR3DVIEW, ObserverY, 24);
MC_PLACE(MTR3DVIEW, ObserverHeight, 32);
MC_PLACE(MTR3DVIEW, Scale, 40);
MC_PLACE(MTR3DVIEW, PaletteStyle, 44);
MC_PLACE(MTR3DVIEW, ShowGrid, 45);
MC_PLACE(MTR3DVIEW, GridStep, 46);
MC_PLACE(MTR3DVIEW, HeightScale, 47);
MC_SIZE(MTR3DVIEW, 48);

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(MTR3DVIEWEX) == 384, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, Scale) == 48, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, Elevation) == 64, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, ColorByHeight) == 72, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, DrapeRasters) == 74, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, Width) == 120, "3-D view record");
static_assert(offsetof(MTR3DVIEWEX, Name) == 128, "3-D view record");
static_assert(sizeof(MTR3DVIEW) == 48, "old 3-D view record");
static_assert(offsetof(MTR3DVIEW, Scale) == 40, "old 3-D view record");
static_assert(offsetof(MTR3DVIEW, HeightScale) == 47, "old 3-D view record");
#else
typedef char Mtr3dViewExIs384[sizeof(MTR3DVIEWEX) == 384 ? 1 : -1];
typedef char Mtr3dViewExWidthAt120[offsetof(MTR3DVIEWEX, Width) == 120 ? 1 : -1];
typedef char Mtr3dViewIs48[sizeof(MTR3DVIEW) == 48 ? 1 : -1];
#endif

#endif
