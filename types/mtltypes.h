/* The records a host exchanges with the layer matrix functions: the
 * creation description of a layer matrix (128 bytes) and a layer matrix's
 * description (608 bytes). Plain C99 and C++, little-endian, no padding. */
#ifndef MAPCORE_TYPES_MTLTYPES_H
#define MAPCORE_TYPES_MTLTYPES_H

#include <stddef.h>
#include <stdint.h>

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)

/* A record that breaks a rule is refused with 60040, which is also written
 * over its length word. */
typedef struct MTLBUILDPARM {
  int32_t Length;       /* +0  128 */
  double BeginX;        /* +4  X1: south-west corner, northing (metres) */
  double BeginY;        /* +12 Y1 */
  double EndX;          /* +20 X2: north-east corner, X2 - X1 > 0 */
  double EndY;          /* +28 Y2, Y2 - Y1 > 0 */
  double ElementSize;   /* +36 metres per cell, > 0 */
  int32_t LayerCount;   /* +44 at least 1 */
  int32_t Reserve1;     /* +48 */
  int32_t HeightBytes;  /* +52 0 (no height), 2 or 4 */
  int32_t PowerBytes;   /* +56 bytes of each layer's thickness: 1, 2 or 4 */
  int32_t HeightUnit;   /* +60 0..3: metres, decimetres, centimetres, millimetres */
  int32_t PowerUnit;    /* +64 the same codes */
  int32_t UserWord;     /* +68 kept in header +16 */
  int32_t Scale;        /* +72 scale denominator of the source map, at least 1 */
  BYTE Reserve2[52];    /* +76 */
} MTLBUILDPARM;
MC_PLACE(MTLBUILDPARM, Length, 0);
MC_PLACE(MTLBUILDPARM, BeginX, 4);
MC_PLACE(MTLBUILDPARM, BeginY, 12);
MC_PLACE(MTLBUILDPARM, EndX, 20);
MC_PLACE(MTLBUILDPARM, EndY, 28);
MC_PLACE(MTLBUILDPARM, ElementSize, 36);
MC_PLACE(MTLBUILDPARM, LayerCount, 44);
MC_PLACE(MTLBUILDPARM, Reserve1, 48);
MC_PLACE(MTLBUILDPARM, HeightBytes, 52);
MC_PLACE(MTLBUILDPARM, PowerBytes, 56);
MC_PLACE(MTLBUILDPARM, HeightUnit, 60);
MC_PLACE(MTLBUILDPARM, PowerUnit, 64);
MC_PLACE(MTLBUILDPARM, UserWord, 68);
MC_PLACE(MTLBUILDPARM, Scale, 72);
MC_PLACE(MTLBUILDPARM, Reserve2, 76);
MC_SIZE(MTLBUILDPARM, 128);

typedef struct MTLDESCRIBE {
  char Name[MAX_PATH];        /* +0   file name */
  char MatrixName[MAX_PATH];  /* +260 name from the layer block */
  int32_t LayerCount;         /* +520 */
  int32_t SecondCount;        /* +524 the layer block's word at +12 */
  double ElementSize;         /* +528 metres */
  double FrameX1;             /* +536 frame in metres */
  double FrameY1;
  double FrameX2;
  double FrameY2;
  double MinHeight;           /* +568 metres */
  double MaxHeight;           /* +576 */
  double BottomLevel;         /* +584 the layer block's bottom level */
  int32_t UserWord;           /* +592 header +16 */
  int32_t View;               /* +596 view flag (the document's) */
  int32_t UserWord2;          /* +600 header +16 again */
  int32_t HasHeight;          /* +604 1 when the records hold a height */
} MTLDESCRIBE;
MC_PLACE(MTLDESCRIBE, Name, 0);
MC_PLACE(MTLDESCRIBE, MatrixName, 260);
MC_PLACE(MTLDESCRIBE, LayerCount, 520);
MC_PLACE(MTLDESCRIBE, SecondCount, 524);
MC_PLACE(MTLDESCRIBE, ElementSize, 528);
MC_PLACE(MTLDESCRIBE, FrameX1, 536);
MC_PLACE(MTLDESCRIBE, FrameY1, 544);
MC_PLACE(MTLDESCRIBE, FrameX2, 552);
MC_PLACE(MTLDESCRIBE, FrameY2, 560);
MC_PLACE(MTLDESCRIBE, MinHeight, 568);
MC_PLACE(MTLDESCRIBE, MaxHeight, 576);
MC_PLACE(MTLDESCRIBE, BottomLevel, 584);
MC_PLACE(MTLDESCRIBE, UserWord, 592);
MC_PLACE(MTLDESCRIBE, View, 596);
MC_PLACE(MTLDESCRIBE, UserWord2, 600);
MC_PLACE(MTLDESCRIBE, HasHeight, 604);
MC_SIZE(MTLDESCRIBE, 608);

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(MTLBUILDPARM) == 128, "layer matrix creation");
static_assert(offsetof(MTLBUILDPARM, ElementSize) == 36, "layer matrix creation");
static_assert(offsetof(MTLBUILDPARM, LayerCount) == 44, "layer matrix creation");
static_assert(offsetof(MTLBUILDPARM, HeightBytes) == 52, "layer matrix creation");
static_assert(offsetof(MTLBUILDPARM, UserWord) == 68, "layer matrix creation");
static_assert(offsetof(MTLBUILDPARM, Scale) == 72, "layer matrix creation");
static_assert(sizeof(MTLDESCRIBE) == 608, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, LayerCount) == 520, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, ElementSize) == 528, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, FrameX1) == 536, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, MinHeight) == 568, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, BottomLevel) == 584, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, UserWord) == 592, "layer matrix description");
static_assert(offsetof(MTLDESCRIBE, HasHeight) == 604, "layer matrix description");
#else
typedef char MtlBuildParmIs128[sizeof(MTLBUILDPARM) == 128 ? 1 : -1];
typedef char MtlDescribeIs608[sizeof(MTLDESCRIBE) == 608 ? 1 : -1];
#endif

#endif
