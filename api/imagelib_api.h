/* The host functions an image plug-in library calls back while the library
 * paints, tests or measures one of its images (types/imagelib.h): painting
 * built-in primitives, visibility tests, borders, the memory image and its
 * colours. Plain C99 and C++. */
#ifndef MAPCORE_API_IMAGELIB_API_H
#define MAPCORE_API_IMAGELIB_API_H

#include "types/imagelib.h"

/* The memory image: its top row, width, height, 32 bits and 4 bytes per
 * pixel and the row length. 0 for a null record or when there is no memory
 * image, else 1. */
MAPAPI LONG WINAPI imgGetDibDescribe(DIBDESCRIBE* describe);

/* Paints the built-in primitive `code` (128..255) with its parameters at
 * the polylines: on the device of a context of kind IMGCONTEXT_DEVICE that
 * has a DC (through the document of its Painter field), else into the
 * memory image. 0 for a null argument or another code, else 1. */
MAPAPI LONG WINAPI imgPaintImage(POLYDATA* data, LONG code, const char* parm,
                                 const IMGCONTEXT* context);

/* The visibility test of the built-in primitive `code` (128..255) at the
 * context's scale: 1 when it touches the test window. 0 for a null
 * argument or another code. */
MAPAPI LONG WINAPI imgTestVisible(POLYDATA* data, LONG code, const char* parm,
                                  const IMGCONTEXT* context);

/* Widens the frame (X1 left, Y1 top, X2 right, Y2 bottom) by what the
 * built-in primitive `code` (128..255) paints around the polylines, at the
 * context's pixels per micrometre: 1, or 0 for a null argument, another
 * code or damaged polylines. */
MAPAPI LONG WINAPI imgPrepareBorder(POLYDATA* data, LONG code, const char* parm,
                                    const IMGCONTEXT* context, FRAME* frame);

/* A colour word as a memory-image pixel: a word with the top byte 0xF0 is
 * entry (low byte) of the paint colour table (0x00RRGGBB); any other word
 * comes back unchanged. `reserve` is not used. */
MAPAPI COLORREF WINAPI imgGetTrueColorByColor(LONG reserve, COLORREF color);

/* The pixel `count` steps along the longer axis of the segment's raster
 * line from (X1, Y1), stepped as the library draws lines, into *point;
 * returns point (untouched when the segment is null). */
MAPAPI POINT* WINAPI imgFindPointOnLine(POINT* point, const IMGSEGMENT* segment, LONG count);

#ifdef __cplusplus
struct IMGDRAW;

/* Widens the frame by what image `image` of the library in slot n (1..64,
 * as the classifier opened it) paints around the polylines with the
 * image's parameters `parm` (the words that follow the slot and the image
 * code in a plug-in image element): the library's imlGetImageBorder. 0 for
 * a slot that is not open or a library that cannot answer. A C++ function
 * (by its C++ name). */
MC_VISIBLE LONG llGetImageBorder(int n, LONG image, POLYDATA* data, IMGDRAW* parm,
                                 IMGCONTEXT* context, FRAME* frame);
#endif

#endif
