/* Vector sign images as a host exchanges them with the classifier: the
 * 56-byte head of a vector sign, the head of one of its subjects, and the
 * measured size of a sign. A vector sign is its head, then `Count` subjects
 * one after another: {u8 kind, u8 attribute, u16 parameter length L, L
 * parameter bytes, u32 point count, the points as pairs of 32-bit
 * integers}. */
#ifndef MAPCORE_TYPES_SIGNIMAGE_H
#define MAPCORE_TYPES_SIGNIMAGE_H

#include "types/maptypes.h"

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

/* Head of a subject; the parameters follow, then the point count and the
 * points. */
typedef struct IMGVECTSUBJECT {
  BYTE Kind;
  BYTE Attribute;
  WORD Length; /* parameter bytes */
} IMGVECTSUBJECT;

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

#ifdef __cplusplus
static_assert(sizeof(IMGVECTOREX) == 56);
static_assert(sizeof(IMGVECTSUBJECT) == 4);
static_assert(sizeof(IMAGESIZE) == 28);
#endif

#endif
