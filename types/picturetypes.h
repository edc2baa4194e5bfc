/* Pictures a host has a map document render into: the bitmap header and
 * colour entry of device-independent bitmaps (the host system's layouts),
 * and the two records that describe a metafile of a piece of the map.
 * Packed, little-endian. */
#ifndef MAPCORE_TYPES_PICTURETYPES_H
#define MAPCORE_TYPES_PICTURETYPES_H

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)
/* One colour of a bitmap's colour table. */
typedef struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;
MC_PLACE(RGBQUAD, rgbBlue, 0);
MC_PLACE(RGBQUAD, rgbGreen, 1);
MC_PLACE(RGBQUAD, rgbRed, 2);
MC_PLACE(RGBQUAD, rgbReserved, 3);
MC_SIZE(RGBQUAD, 4);

/* The header of a device-independent bitmap (40 bytes). */
typedef struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight; /* > 0 bottom-up, < 0 top-down */
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;
MC_PLACE(BITMAPINFOHEADER, biSize, 0);
MC_PLACE(BITMAPINFOHEADER, biWidth, 4);
MC_PLACE(BITMAPINFOHEADER, biHeight, 8);
MC_PLACE(BITMAPINFOHEADER, biPlanes, 12);
MC_PLACE(BITMAPINFOHEADER, biBitCount, 14);
MC_PLACE(BITMAPINFOHEADER, biCompression, 16);
MC_PLACE(BITMAPINFOHEADER, biSizeImage, 20);
MC_PLACE(BITMAPINFOHEADER, biXPelsPerMeter, 24);
MC_PLACE(BITMAPINFOHEADER, biYPelsPerMeter, 28);
MC_PLACE(BITMAPINFOHEADER, biClrUsed, 32);
MC_PLACE(BITMAPINFOHEADER, biClrImportant, 36);
MC_SIZE(BITMAPINFOHEADER, 40);

/* A metafile of the map about a centre (24 bytes). */
typedef struct METAFILEBUILDPARM {
  LONG CenterX;    /* plane X of the picture's centre, metres (X grows north) */
  LONG CenterY;    /* plane Y of the centre, metres (Y grows east) */
  LONG Width;      /* picture width along Y, millimetres on paper */
  LONG Height;     /* picture height along X, millimetres on paper */
  LONG Scale;      /* scale denominator of the picture */
  BYTE VisualType; /* visual type to paint with */
  BYTE Reserve[3];
} METAFILEBUILDPARM;
MC_PLACE(METAFILEBUILDPARM, CenterX, 0);
MC_PLACE(METAFILEBUILDPARM, CenterY, 4);
MC_PLACE(METAFILEBUILDPARM, Width, 8);
MC_PLACE(METAFILEBUILDPARM, Height, 12);
MC_PLACE(METAFILEBUILDPARM, Scale, 16);
MC_PLACE(METAFILEBUILDPARM, VisualType, 20);
MC_PLACE(METAFILEBUILDPARM, Reserve, 21);
MC_SIZE(METAFILEBUILDPARM, 24);

/* A metafile of the map over a frame (48 bytes). */
typedef struct METAFILEBUILDPARMEX {
  double X1;                /* frame: least plane X, metres */
  double Y1;                /* least plane Y */
  double X2;                /* greatest plane X */
  double Y2;                /* greatest plane Y */
  LONG Scale;               /* scale denominator */
  signed char VisualType;   /* visual type while painting (3 and up: device types) */
  signed char Frame;        /* non-zero: a black frame is drawn round the picture */
  signed char Intensity;    /* fill intensity with visual type 3 */
  signed char Monochrome;   /* non-zero: painted black and white (fill intensity -2) */
  signed char KeepState;    /* non-zero: the document palette is not selected into
                               the metafile and its text alignment is left alone */
  signed char Reserve[7];   /* zero */
} METAFILEBUILDPARMEX;
#pragma pack(pop)
MC_PLACE(METAFILEBUILDPARMEX, X1, 0);
MC_PLACE(METAFILEBUILDPARMEX, Y1, 8);
MC_PLACE(METAFILEBUILDPARMEX, X2, 16);
MC_PLACE(METAFILEBUILDPARMEX, Y2, 24);
MC_PLACE(METAFILEBUILDPARMEX, Scale, 32);
MC_PLACE(METAFILEBUILDPARMEX, VisualType, 36);
MC_PLACE(METAFILEBUILDPARMEX, Frame, 37);
MC_PLACE(METAFILEBUILDPARMEX, Intensity, 38);
MC_PLACE(METAFILEBUILDPARMEX, Monochrome, 39);
MC_PLACE(METAFILEBUILDPARMEX, KeepState, 40);
MC_PLACE(METAFILEBUILDPARMEX, Reserve, 41);
MC_SIZE(METAFILEBUILDPARMEX, 48);

#ifdef __cplusplus
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(METAFILEBUILDPARM) == 24, "METAFILEBUILDPARM is 24 bytes");
static_assert(offsetof(METAFILEBUILDPARM, VisualType) == 20, "visual type at byte 20");
static_assert(sizeof(METAFILEBUILDPARMEX) == 48, "METAFILEBUILDPARMEX is 48 bytes");
static_assert(offsetof(METAFILEBUILDPARMEX, Scale) == 32, "scale at byte 32");
static_assert(offsetof(METAFILEBUILDPARMEX, VisualType) == 36, "visual type at byte 36");
static_assert(offsetof(METAFILEBUILDPARMEX, KeepState) == 40, "device state at byte 40");
#endif

#endif
