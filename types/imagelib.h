/* The interface between the library and an image plug-in library: the
 * records both sides exchange and the seven entry points a plug-in
 * exports. Plain C99 and C++; the library's painters are built on the same
 * definitions.
 *
 * A drawing description may hold images that a plug-in paints (primitive
 * codes 250 and 221): {word 0, the classifier's library index, the slot of
 * the opened library, the image code, then the image's own parameters}.
 * The library loads each plug-in once per name, calls
 * imlOpenGisLibrary("TORVEKAN.DLL") and then hands it the pixel polylines
 * of each object together with a paint context. A plug-in paints through
 * the exported callbacks of api/imagelib_api.h (built-in primitives, the
 * memory image) and answers the questions of its other entries.
 *
 * Records that carry addresses take the platform's natural layout: the
 * offsets written below are those where pointers are 4 bytes wide; on a
 * 64-bit system every address takes 8 bytes and the fields after it move
 * with it (the sizes are checked below). */
#ifndef MAPCORE_TYPES_IMAGELIB_H
#define MAPCORE_TYPES_IMAGELIB_H

#include "types/maptypes.h"
#include "types/polydata.h"
#include "types/layout.h"

/* IMGCONTEXT.Kind */
#define IMGCONTEXT_TEST 0   /* a visibility test */
#define IMGCONTEXT_DIB 1    /* painting into the memory image */
#define IMGCONTEXT_DEVICE 3 /* painting on a device */

/* The context of one call into a plug-in (80 bytes where pointers take 4). */
typedef struct IMGCONTEXT {
  DWORD Length;             /* +0 size of the record as built */
  HDC Dc;                   /* +4 the device's DC, or the memory image's; 0 when none */
  LONG Kind;                /* +8 IMGCONTEXT_DEVICE, IMGCONTEXT_DIB, IMGCONTEXT_TEST */
  void* Painter;            /* +12 the painting document (device painting), else 0;
                               handed back to the built-in painters */
  LONG Width;               /* +16 painting area in pixels */
  LONG Height;              /* +20 */
  float Scale;              /* +24 scale of the element (1.0 = nominal size) */
  DWORD ScaleMethod;        /* +28 0: sizes follow the damped scale, texts at
                               least 5 pixels; non-zero: the draw scale */
  double PixelsPerMicronX;  /* +32 pixels per micrometre (memory image:
                               screen pixels per metre x 1e-6) */
  double PixelsPerMicronY;  /* +40 */
  double TurnSin;           /* +48 the view's turn: 0, 1.0 and 0 when not */
  double TurnCos;           /* +56 */
  double TurnAngle;         /* +64 radians */
  char Reserve[8];          /* +72 zero */
} IMGCONTEXT;
#if MC_POINTERS_8
MC_PLACE(IMGCONTEXT, Length, 0);
MC_PLACE(IMGCONTEXT, Dc, 8);
MC_PLACE(IMGCONTEXT, Kind, 16);
MC_PLACE(IMGCONTEXT, Painter, 24);
MC_PLACE(IMGCONTEXT, Width, 32);
MC_PLACE(IMGCONTEXT, Height, 36);
MC_PLACE(IMGCONTEXT, Scale, 40);
MC_PLACE(IMGCONTEXT, ScaleMethod, 44);
MC_PLACE(IMGCONTEXT, PixelsPerMicronX, 48);
MC_PLACE(IMGCONTEXT, PixelsPerMicronY, 56);
MC_PLACE(IMGCONTEXT, TurnSin, 64);
MC_PLACE(IMGCONTEXT, TurnCos, 72);
MC_PLACE(IMGCONTEXT, TurnAngle, 80);
MC_PLACE(IMGCONTEXT, Reserve, 88);
MC_SIZE(IMGCONTEXT, 96);
#endif

/* One image of a plug-in's image list. Byte 8 of the description (signed)
 * is the extended-semantics kind the classifier keeps for object kinds drawn
 * by the image; the rest of the description is the plug-in's. */
typedef struct IMGLISTENTRY {
  LONG Code;                /* +0 image code */
  const char* Description;  /* +4 */
  LONG Reserve[4];          /* +8 not read */
} IMGLISTENTRY;
#if MC_POINTERS_8
MC_PLACE(IMGLISTENTRY, Code, 0);
MC_PLACE(IMGLISTENTRY, Description, 8);
MC_PLACE(IMGLISTENTRY, Reserve, 16);
MC_SIZE(IMGLISTENTRY, 32);
#endif

/* What imlGetImageList returns; the plug-in owns it for as long as it is
 * loaded. */
typedef struct IMGLIST {
  LONG Reserve;             /* +0 not read */
  LONG Count;               /* +4 number of images */
  IMGLISTENTRY Image[1];    /* +8 Count entries */
} IMGLIST;
#if MC_POINTERS_8
MC_PLACE(IMGLIST, Reserve, 0);
MC_PLACE(IMGLIST, Count, 4);
MC_PLACE(IMGLIST, Image, 8);
MC_SIZE(IMGLIST, 40);
#endif

/* The memory image as imgGetDibDescribe describes it: 32-bit pixels
 * 0x00RRGGBB; row y of the picture starts y x RowBytes bytes before Top
 * (the rows run downwards in memory from the top one). */
typedef struct DIBDESCRIBE {
  BYTE* Top;                /* +0 first pixel of the top row */
  LONG Width;               /* +4 pixels per row (RowBytes / 4) */
  LONG Height;              /* +8 rows */
  LONG BitsPerPixel;        /* +12 32 */
  LONG BytesPerPixel;       /* +16 4 */
  LONG RowBytes;            /* +20 */
} DIBDESCRIBE;
#if MC_POINTERS_8
MC_PLACE(DIBDESCRIBE, Top, 0);
MC_PLACE(DIBDESCRIBE, Width, 8);
MC_PLACE(DIBDESCRIBE, Height, 12);
MC_PLACE(DIBDESCRIBE, BitsPerPixel, 16);
MC_PLACE(DIBDESCRIBE, BytesPerPixel, 20);
MC_PLACE(DIBDESCRIBE, RowBytes, 24);
MC_SIZE(DIBDESCRIBE, 32);
#endif

/* A segment for imgFindPointOnLine. */
typedef struct IMGSEGMENT {
  LONG X1;
  LONG Y1;
  LONG X2;
  LONG Y2;
} IMGSEGMENT;
MC_PLACE(IMGSEGMENT, X1, 0);
MC_PLACE(IMGSEGMENT, Y1, 4);
MC_PLACE(IMGSEGMENT, X2, 8);
MC_PLACE(IMGSEGMENT, Y2, 12);
MC_SIZE(IMGSEGMENT, 16);

/* The host's name handed to imlOpenGisLibrary. */
#define IMGLIB_HOST_NAME "TORVEKAN.DLL"

/* The entry points a plug-in exports, by these names. */
/* "imlOpenGisLibrary": non-zero accepts the host. */
typedef LONG(WINAPI* IMLOPENGISLIBRARY)(const char* host);
/* "imlCloseGisLibrary": called once, just before the plug-in is unloaded. */
typedef void(WINAPI* IMLCLOSEGISLIBRARY)(void);
/* "imlGetImageList" */
typedef const IMGLIST*(WINAPI* IMLGETIMAGELIST)(void);
/* "imlPaintImage": the image at the polylines. */
typedef LONG(WINAPI* IMLPAINTIMAGE)(LONG image, POLYDATA* data, const char* parm,
                                    const IMGCONTEXT* context);
/* "imlPaintExample": a sample of the image in the context's area. */
typedef LONG(WINAPI* IMLPAINTEXAMPLE)(LONG image, const char* parm, const IMGCONTEXT* context);
/* "imlTestVisible": non-zero when the image touches the test window. */
typedef LONG(WINAPI* IMLTESTVISIBLE)(LONG image, POLYDATA* data, const char* parm,
                                     const IMGCONTEXT* context);
/* "imlGetImageBorder": non-zero when the frame of what the image paints
 * was written (all four sides). */
typedef LONG(WINAPI* IMLGETIMAGEBORDER)(LONG image, POLYDATA* data, const char* parm,
                                        const IMGCONTEXT* context, FRAME* frame);

#ifdef __cplusplus
static_assert(sizeof(IMGSEGMENT) == 16, "IMGSEGMENT layout");
#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(IMGCONTEXT) == 96, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Kind) == 16, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Painter) == 24, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Scale) == 40, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, PixelsPerMicronX) == 48, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Reserve) == 88, "IMGCONTEXT layout");
static_assert(sizeof(IMGLISTENTRY) == 32, "IMGLISTENTRY layout");
static_assert(offsetof(IMGLIST, Image) == 8, "IMGLIST layout");
static_assert(sizeof(DIBDESCRIBE) == 32, "DIBDESCRIBE layout");
#else
static_assert(sizeof(IMGCONTEXT) == 80, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Kind) == 8, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Painter) == 12, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Scale) == 24, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, PixelsPerMicronX) == 32, "IMGCONTEXT layout");
static_assert(offsetof(IMGCONTEXT, Reserve) == 72, "IMGCONTEXT layout");
static_assert(sizeof(IMGLISTENTRY) == 24, "IMGLISTENTRY layout");
static_assert(offsetof(IMGLIST, Image) == 8, "IMGLIST layout");
static_assert(sizeof(DIBDESCRIBE) == 24, "DIBDESCRIBE layout");
#endif
#endif

#endif
