/* The records a host exchanges with the matrix functions: the creation
 * description of a matrix (128 bytes), its projection data (128 bytes), a
 * matrix's description (324 bytes) and one colour step of a matrix palette
 * (20 bytes; MTRCOLORDESC is the same step in the older field order).
 * Plain C99 and C++, little-endian, no padding. */
#ifndef MAPCORE_TYPES_MTRTYPES_H
#define MAPCORE_TYPES_MTRTYPES_H

#include <stddef.h>
#include <stdint.h>

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)

typedef struct BUILDMTW {
  DWORD Length;         /* +0  128 */
  DWORD Reserve1;       /* +4 */
  double BeginX;        /* +8  south-west corner, northing (metres) */
  double BeginY;        /* +16 south-west corner, easting */
  double Width;         /* +24 extent along Y (metres), > 0 */
  double Height;        /* +32 extent along X (metres), > 0 */
  double ElementSize;   /* +40 metres per element, > 0 */
  int32_t ElementBytes; /* +48 1, 2, 4 or 8 */
  int32_t HeightUnit;   /* +52 0..3: metres, decimetres, centimetres, millimetres */
  int32_t MatrixType;   /* +56 0, 1 or 2; kept in header +308 */
  int32_t Creator;      /* +60 kept in header +16 (1 for quality matrices) */
  int32_t Scale;        /* +64 scale denominator; below 1 it is made 1 in the record */
  int32_t Flag;         /* +68 0 or 1 */
  BYTE Reserve2[56];    /* +72 */
} BUILDMTW;
MC_PLACE(BUILDMTW, Length, 0);
MC_PLACE(BUILDMTW, Reserve1, 4);
MC_PLACE(BUILDMTW, BeginX, 8);
MC_PLACE(BUILDMTW, BeginY, 16);
MC_PLACE(BUILDMTW, Width, 24);
MC_PLACE(BUILDMTW, Height, 32);
MC_PLACE(BUILDMTW, ElementSize, 40);
MC_PLACE(BUILDMTW, ElementBytes, 48);
MC_PLACE(BUILDMTW, HeightUnit, 52);
MC_PLACE(BUILDMTW, MatrixType, 56);
MC_PLACE(BUILDMTW, Creator, 60);
MC_PLACE(BUILDMTW, Scale, 64);
MC_PLACE(BUILDMTW, Flag, 68);
MC_PLACE(BUILDMTW, Reserve2, 72);
MC_SIZE(BUILDMTW, 128);

/* The fields below Reserve2 are read. */
typedef struct MTRPROJECTIONDATA {
  DWORD Length;           /* +0  128 */
  DWORD Reserve1;         /* +4 */
  int32_t ProjectionWord; /* +8  kept in header +124 */
  int32_t ProjectionCode; /* +12 kept in header +128; -1 = none */
  double Parameters[4];   /* +16 kept in header +176..+207 */
  BYTE Reserve2[80];      /* +48 */
} MTRPROJECTIONDATA;
MC_PLACE(MTRPROJECTIONDATA, Length, 0);
MC_PLACE(MTRPROJECTIONDATA, Reserve1, 4);
MC_PLACE(MTRPROJECTIONDATA, ProjectionWord, 8);
MC_PLACE(MTRPROJECTIONDATA, ProjectionCode, 12);
MC_PLACE(MTRPROJECTIONDATA, Parameters, 16);
MC_PLACE(MTRPROJECTIONDATA, Reserve2, 48);
MC_SIZE(MTRPROJECTIONDATA, 128);

typedef struct MTRDESCRIBE {
  char Name[256];
  double Minimum;     /* +256 metres */
  double Maximum;     /* +264 */
  double ElementSize; /* +272 metres */
  double FrameX1;     /* +280 frame in metres */
  double FrameY1;
  double FrameX2;
  double FrameY2;
  int32_t MatrixType; /* +312 */
  DWORD Creator;      /* +316 header +16 */
  int32_t View;       /* +320 */
} MTRDESCRIBE;
MC_PLACE(MTRDESCRIBE, Name, 0);
MC_PLACE(MTRDESCRIBE, Minimum, 256);
MC_PLACE(MTRDESCRIBE, Maximum, 264);
MC_PLACE(MTRDESCRIBE, ElementSize, 272);
MC_PLACE(MTRDESCRIBE, FrameX1, 280);
MC_PLACE(MTRDESCRIBE, FrameY1, 288);
MC_PLACE(MTRDESCRIBE, FrameX2, 296);
MC_PLACE(MTRDESCRIBE, FrameY2, 304);
MC_PLACE(MTRDESCRIBE, MatrixType, 312);
MC_PLACE(MTRDESCRIBE, Creator, 316);
MC_PLACE(MTRDESCRIBE, View, 320);
MC_SIZE(MTRDESCRIBE, 324);

typedef struct MTRCOLORDESCEX {
  double Low; /* metres */
  double High;
  DWORD Color;
} MTRCOLORDESCEX;
MC_PLACE(MTRCOLORDESCEX, Low, 0);
MC_PLACE(MTRCOLORDESCEX, High, 8);
MC_PLACE(MTRCOLORDESCEX, Color, 16);
MC_SIZE(MTRCOLORDESCEX, 20);

typedef struct MTRCOLORDESC {
  COLORREF Color;
  double Low;
  double High;
} MTRCOLORDESC;
MC_PLACE(MTRCOLORDESC, Color, 0);
MC_PLACE(MTRCOLORDESC, Low, 4);
MC_PLACE(MTRCOLORDESC, High, 12);
MC_SIZE(MTRCOLORDESC, 20);

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(BUILDMTW) == 128, "matrix creation");
static_assert(offsetof(BUILDMTW, BeginX) == 8, "matrix creation");
static_assert(offsetof(BUILDMTW, ElementSize) == 40, "matrix creation");
static_assert(offsetof(BUILDMTW, ElementBytes) == 48, "matrix creation");
static_assert(offsetof(BUILDMTW, MatrixType) == 56, "matrix creation");
static_assert(offsetof(BUILDMTW, Scale) == 64, "matrix creation");
static_assert(offsetof(BUILDMTW, Flag) == 68, "matrix creation");
static_assert(sizeof(MTRPROJECTIONDATA) == 128, "matrix projection");
static_assert(offsetof(MTRPROJECTIONDATA, ProjectionCode) == 12, "matrix projection");
static_assert(offsetof(MTRPROJECTIONDATA, Parameters) == 16, "matrix projection");
static_assert(sizeof(MTRDESCRIBE) == 324, "matrix description");
static_assert(offsetof(MTRDESCRIBE, FrameX1) == 280, "matrix description");
static_assert(offsetof(MTRDESCRIBE, MatrixType) == 312, "matrix description");
static_assert(sizeof(MTRCOLORDESCEX) == 20, "matrix colour step");
static_assert(sizeof(MTRCOLORDESC) == 20, "matrix colour step");
#else
typedef char BuildMtwIs128[sizeof(BUILDMTW) == 128 ? 1 : -1];
typedef char MtrDescribeIs324[sizeof(MTRDESCRIBE) == 324 ? 1 : -1];
typedef char MtrColorDescIs20[sizeof(MTRCOLORDESCEX) == 20 ? 1 : -1];
#endif

#endif
