/* Vector sign images as a host exchanges them with the classifier: the
 * 56-byte head of a vector sign, the head of one of its subjects, and the
 * measured size of a sign. A vector sign is its head, then `Count` subjects
 * one after another: {u8 kind, u8 attribute, u16 parameter length L, L
 * parameter bytes, u32 point count, the points as pairs of 32-bit
 * integers}. */
#ifndef MAPCORE_TYPES_SIGNIMAGE_H
#define MAPCORE_TYPES_SIGNIMAGE_H

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)
typedef struct IMGVECTOREX {
  DWORD Length;   /* total length (56 without subjects) */
  LONG AnchorY;
  LONG AnchorX;
  DWORD Base;
  LONG ScaleY[3]; /* measured from, measured to, drawn size */
  LONG ScaleX[3];
  DWORD Flags;    /* bit 0 goes to the size's flags */
  DWORD Reserve;
  LONG Border;    /* largest scaled distance from the anchor to the frame */
  DWORD Count;    /* subjects */
} IMGVECTOREX;
MC_PLACE(IMGVECTOREX, Length, 0);
MC_PLACE(IMGVECTOREX, AnchorY, 4);
MC_PLACE(IMGVECTOREX, AnchorX, 8);
MC_PLACE(IMGVECTOREX, Base, 12);
MC_PLACE(IMGVECTOREX, ScaleY, 16);
MC_PLACE(IMGVECTOREX, ScaleX, 28);
MC_PLACE(IMGVECTOREX, Flags, 40);
MC_PLACE(IMGVECTOREX, Reserve, 44);
MC_PLACE(IMGVECTOREX, Border, 48);
MC_PLACE(IMGVECTOREX, Count, 52);
MC_SIZE(IMGVECTOREX, 56);

/* Head of a subject; the parameters follow, then the point count and the
 * points. */
typedef struct IMGVECTSUBJECT {
  BYTE Kind;
  BYTE Attribute;
  WORD Length; /* parameter bytes */
} IMGVECTSUBJECT;
MC_PLACE(IMGVECTSUBJECT, Kind, 0);
MC_PLACE(IMGVECTSUBJECT, Attribute, 1);
MC_PLACE(IMGVECTSUBJECT, Length, 2);
MC_SIZE(IMGVECTSUBJECT, 4);

typedef struct IMAGESIZE {
  LONG Function;
  LONG Base;
  LONG Left;   /* offset of the anchor from the left edge */
  LONG Top;    /* offset of the anchor from the top edge */
  LONG Width;
  LONG Height;
  LONG Flags;
} IMAGESIZE;
#pragma pack(pop)
MC_PLACE(IMAGESIZE, Function, 0);
MC_PLACE(IMAGESIZE, Base, 4);
MC_PLACE(IMAGESIZE, Left, 8);
MC_PLACE(IMAGESIZE, Top, 12);
MC_PLACE(IMAGESIZE, Width, 16);
MC_PLACE(IMAGESIZE, Height, 20);
MC_PLACE(IMAGESIZE, Flags, 24);
MC_SIZE(IMAGESIZE, 28);

#ifdef __cplusplus
static_assert(sizeof(IMGVECTOREX) == 56);
static_assert(sizeof(IMGVECTSUBJECT) == 4);
static_assert(sizeof(IMAGESIZE) == 28);
#endif

#endif
