/* Elevation matrices (MTW) and quality matrices (MTQ) as a host program
 * sees them: creating and opening them in a document, their chains and
 * view, heights and values at points, colours, header values, element
 * rectangles, blocks and borders. A matrix number n is the 1-based place
 * of a matrix in its chain (0 means all when closing). Points are X
 * (northing) then Y (easting), metres.
 *
 * A null, closed or foreign map handle gives 0 (a null pointer, an empty
 * name) everywhere, except the height queries, which answer -111111.0
 * (no height). With a live map, a number without a matrix gives 0 unless
 * a function says otherwise. */
#ifndef MAPCORE_API_MTR_API_H
#define MAPCORE_API_MTR_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/mtrtypes.h"

/* --- Building from vector data ---
 * The builder lives in the sibling matrix library: these functions load
 * it, pass the call on and unload it; 0 when it cannot be loaded (the
 * loader reports which). mapBuildMtw passes its arguments unchanged;
 * mapBuildMtrEx first copies the record's bytes 4..71 into a clean record
 * of length 128; mapBuildMtr builds that record from an older one of 11
 * words. */
MAPAPI LONG WINAPI mapBuildMtw(HMAP hMap, const char* name, LONG mode, struct BUILDMTW* parm,
                               LONG parameter);
MAPAPI LONG WINAPI mapBuildMtrEx(HMAP hMap, const char* name, LONG mode, struct BUILDMTW* parm,
                                 LONG parameter);
MAPAPI LONG WINAPI mapBuildMtr(HMAP hMap, const char* name, const LONG* parm, LONG parameter);

/* --- Documents ---
 * A new document holding the matrix: its handle, or 0 with nothing left
 * behind. */
MAPAPI HMAP WINAPI mapOpenMtr(const char* name, LONG mode);
MAPAPI HMAP WINAPI mapOpenMtq(const char* name, LONG mode);
/* Closes matrix n (0: all) and rebuilds the palette; a quality matrix
 * keeps its colours in its file. */
MAPAPI void WINAPI mapCloseMtr(HMAP hMap, LONG number);
MAPAPI void WINAPI mapCloseMtq(HMAP hMap, LONG number);
/* A new matrix file from a description (and projection data), opened in a
 * new document: the handle, or 0 (a refused description, such as one of
 * zero extents, a file that cannot be made or opened). mapCreateMtr and
 * mapCreateMtrEx take bytes 4..71 of the caller's record into a record of
 * length 128; mapCreateMtw takes the caller's record as it is (length
 * 128; a scale below 1 is written back as 1). The disk must hold the new
 * file. */
MAPAPI HMAP WINAPI mapCreateMtr(const char* name, struct BUILDMTW* parm);
MAPAPI HMAP WINAPI mapCreateMtrEx(const char* name, struct BUILDMTW* parm,
                                  struct MTRPROJECTIONDATA* proj);
MAPAPI HMAP WINAPI mapCreateMtw(const char* name, struct BUILDMTW* parm,
                                struct MTRPROJECTIONDATA* proj);
/* A new quality matrix with its colours (at most 256 kept): the caller's
 * record gets creator word 1; mapCreateMtqEx works on a copy of bytes
 * 4..71 as mapCreateMtr does. Name, record, projection data and colours
 * are required. */
MAPAPI HMAP WINAPI mapCreateMtq(const char* name, struct BUILDMTW* parm,
                                struct MTRPROJECTIONDATA* proj, const COLORREF* colors,
                                LONG count);
MAPAPI HMAP WINAPI mapCreateMtqEx(const char* name, struct BUILDMTW* parm,
                                  struct MTRPROJECTIONDATA* proj, const COLORREF* colors,
                                  LONG count);

/* --- Chains and view --- */
MAPAPI LONG WINAPI mapGetMtrCount(HMAP hMap);
MAPAPI LONG WINAPI mapGetMtqCount(HMAP hMap);
/* The file name; "" without the matrix, null for a bad map handle. */
MAPAPI const char* WINAPI mapGetMtrName(HMAP hMap, LONG number);
MAPAPI const char* WINAPI mapGetMtqName(HMAP hMap, LONG number);
/* Shown (non-zero) or hidden (0): the view, -1 without the matrix. */
MAPAPI LONG WINAPI mapGetMtrView(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtrView(HMAP hMap, LONG number, LONG view);
MAPAPI LONG WINAPI mapGetMtqView(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtqView(HMAP hMap, LONG number, LONG view);
/* 0 under the vector map, 1 over it (any non-zero order is kept as 1). */
MAPAPI LONG WINAPI mapGetMtrViewOrder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtrViewOrder(HMAP hMap, LONG number, LONG order);
MAPAPI LONG WINAPI mapGetMtqViewOrder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtqViewOrder(HMAP hMap, LONG number, LONG order);
/* Relief shading 0..16 (anything else is kept as 4): the value kept. The
 * elevation matrices share one value; each quality matrix has its own. */
MAPAPI LONG WINAPI mapGetMtrShadow(HMAP hMap);
MAPAPI LONG WINAPI mapSetMtrShadow(HMAP hMap, LONG value);
MAPAPI LONG WINAPI mapGetMtqShadow(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtqShadow(HMAP hMap, LONG number, LONG value);
/* The scale denominators between which the matrix is shown; setting needs
 * 0 < bottom <= top. 1, or 0. */
MAPAPI LONG WINAPI mapGetMtrRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top);
MAPAPI LONG WINAPI mapSetMtrRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top);
/* Showing only what lies inside the border (set only for a matrix with a
 * border, then saved): 1 or 0; the check gives 0 or 1, -1 without the
 * matrix. */
MAPAPI LONG WINAPI mapShowMtrByBorder(HMAP hMap, LONG number, LONG on);
MAPAPI LONG WINAPI mapCheckShowMtrByBorder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrDescribe(HMAP hMap, LONG number, struct MTRDESCRIBE* describe);
MAPAPI LONG WINAPI mapGetMtqDescribe(HMAP hMap, LONG number, struct MTRDESCRIBE* describe);
/* The projection word, code and parameters of the header (the record's
 * length word is left alone). */
MAPAPI LONG WINAPI mapGetMtrProjectionData(HMAP hMap, LONG number,
                                           struct MTRPROJECTIONDATA* data);
MAPAPI LONG WINAPI mapGetMtqProjectionData(HMAP hMap, LONG number,
                                           struct MTRPROJECTIONDATA* data);
/* The number of the k-th elevation matrix (k >= 1) whose frame holds the
 * point, edges included; 0. */
MAPAPI LONG WINAPI mapGetMtrNumberInPoint(HMAP hMap, double x, double y, LONG k);

/* --- Heights (metres) and values ---
 * -111111.0 means no height. */
/* From the first elevation matrix in chain order that has one, else from
 * the layer matrices. */
MAPAPI double WINAPI mapGetHeightValue(HMAP hMap, double x, double y);
MAPAPI double WINAPI mapGetHeightValueOfMtr(HMAP hMap, LONG number, double x, double y);
/* From the matrix of the finest element that has one; the triangle form
 * interpolates between elements. */
MAPAPI double WINAPI mapGetPrecisionHeightValue(HMAP hMap, double x, double y);
MAPAPI double WINAPI mapGetPrecisionHeightTriangle(HMAP hMap, double x, double y);
/* count (>= 2) heights along the line from first to last, ends included;
 * the caller's first point is moved along it and ends on the last
 * intermediate point. 1 or 0. */
MAPAPI LONG WINAPI mapGetHeightArray(HMAP hMap, double* heights, LONG count, DOUBLEPOINT* first,
                                     DOUBLEPOINT* last);
/* Writes a height into elevation matrix n (the file's height unit,
 * truncated) and widens its value range: 1 or 0. */
MAPAPI LONG WINAPI mapPutHeightValue(HMAP hMap, LONG number, double x, double y, double height);
/* A quality matrix's value at a point (-111111.0 when none), and writing
 * one. */
MAPAPI double WINAPI mapGetMtqValue(HMAP hMap, LONG number, double x, double y);
MAPAPI LONG WINAPI mapPutMtqValue(HMAP hMap, LONG number, double x, double y, double value);

/* --- Colours of the elevation matrices (one palette for the document) ---
 * Every change rebuilds the document's palette. */
MAPAPI LONG WINAPI mapGetMtrPaletteCount(HMAP hMap);
/* min(count, the palette's count) colours as shown (after brightness and
 * contrast) or as set; count >= 2. 1 or 0. */
MAPAPI LONG WINAPI mapGetMtrPalette(HMAP hMap, COLORREF* colors, LONG count);
MAPAPI LONG WINAPI mapGetMtrStandardPalette(HMAP hMap, COLORREF* colors, LONG count);
/* Takes min(count, 256) colours, count >= 2: 1 or 0. */
MAPAPI LONG WINAPI mapSetMtrPalette(HMAP hMap, const COLORREF* colors, LONG count);
MAPAPI LONG WINAPI mapGetMtrBright(HMAP hMap);
MAPAPI LONG WINAPI mapGetMtrContrast(HMAP hMap);
MAPAPI LONG WINAPI mapGetMtrColorStyle(HMAP hMap);
MAPAPI LONG WINAPI mapSetMtrBright(HMAP hMap, LONG bright);
MAPAPI LONG WINAPI mapSetMtrContrast(HMAP hMap, LONG contrast);
MAPAPI LONG WINAPI mapSetMtrColorStyle(HMAP hMap, LONG style);
/* Colour step `index` of the palette over matrix n: 1, or 0 for an index
 * outside the palette. */
MAPAPI LONG WINAPI mapGetMtrColorDescEx(HMAP hMap, LONG number, LONG index,
                                        struct MTRCOLORDESCEX* desc);
MAPAPI LONG WINAPI mapGetMtrColorDesc(HMAP hMap, LONG number, LONG index, MTRCOLORDESC* desc);
/* Sets colour `index` of the palette: the colour, 0 when refused. */
MAPAPI COLORREF WINAPI mapSetMtrColor(HMAP hMap, LONG number, LONG index, COLORREF color);

/* --- Colours of a quality matrix (each its own) --- */
MAPAPI LONG WINAPI mapGetMtqPaletteCount(HMAP hMap, LONG number);
/* count (2..256) colours as shown or as set; entries past the matrix's
 * colours are 0. 1 or 0. */
MAPAPI LONG WINAPI mapGetMtqPalette(HMAP hMap, COLORREF* colors, LONG count, LONG number);
MAPAPI LONG WINAPI mapGetMtqStandardPalette(HMAP hMap, COLORREF* colors, LONG count,
                                            LONG number);
/* Takes min(count, 256) colours, count >= 2: 1 or 0. */
MAPAPI LONG WINAPI mapSetMtqPalette(HMAP hMap, const COLORREF* colors, LONG count, LONG number);
MAPAPI LONG WINAPI mapGetMtqBright(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtqContrast(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtqBright(HMAP hMap, LONG number, LONG bright);
MAPAPI LONG WINAPI mapSetMtqContrast(HMAP hMap, LONG number, LONG contrast);
/* Colour step `index` (0..255, also past the matrix's colours): 1 or 0. */
MAPAPI LONG WINAPI mapGetMtqColorDescEx(HMAP hMap, LONG number, LONG index,
                                        struct MTRCOLORDESCEX* desc);
MAPAPI LONG WINAPI mapGetMtqColorDesc(HMAP hMap, LONG number, LONG index, MTRCOLORDESC* desc);
/* Sets one of the matrix's colours: 1, or 0 for an index past them. */
MAPAPI LONG WINAPI mapSetMtqColor(HMAP hMap, LONG number, LONG index, COLORREF color);

/* --- Elements, header and blocks ---
 * A rectangle of elements: width columns from column `left` and height
 * rows from row `top` (row 0 at the north edge), cut to the matrix. The
 * buffer holds its rows one after another, each of width elements of the
 * matrix's element size. */
/* Reads the rectangle (elements without data hold the empty value): 1 or
 * 0. */
MAPAPI LONG WINAPI mapGetMtrFrame(HMAP hMap, LONG number, char* buffer, LONG left, LONG top,
                                  LONG width, LONG height);
/* Writes the rectangle, the buffer's rows bottom-up when `upward` is set
 * (the buffer then points at the first row written, the later ones lying
 * before it); the elevation form also widens the matrix's value range by
 * the values written. 1 or 0. */
MAPAPI LONG WINAPI mapPutMtrFrame(HMAP hMap, LONG number, const char* buffer, LONG left, LONG top,
                                  LONG width, LONG height, LONG upward);
MAPAPI LONG WINAPI mapPutMtqFrame(HMAP hMap, LONG number, const char* buffer, LONG left, LONG top,
                                  LONG width, LONG height, LONG upward);
/* The frame of a shown matrix in metres, or the box of its border when it
 * shows only what lies inside: 1 or 0. */
MAPAPI LONG WINAPI mapGetActualMtrFrame(HMAP hMap, DFRAME* frame, LONG number);
MAPAPI LONG WINAPI mapGetActualMtqFrame(HMAP hMap, DFRAME* frame, LONG number);
/* The value range in the header: metres for elevation matrices (stored in
 * the file's height unit), as given for quality matrices. 1 or 0. */
MAPAPI LONG WINAPI mapSetMtrShowRange(HMAP hMap, LONG number, double low, double high);
MAPAPI LONG WINAPI mapSetMtqShowRange(HMAP hMap, LONG number, double low, double high);
/* The data set's name in the header (at most 32 bytes kept). */
MAPAPI LONG WINAPI mapSetMtrUserName(HMAP hMap, LONG number, const char* name);
/* The scale denominator, at least 1. */
MAPAPI LONG WINAPI mapGetMtrScale(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtqScale(HMAP hMap, LONG number);
/* The height unit: 0 metres, 1 decimetres, 2 centimetres, 3 millimetres;
 * -1 without the matrix. */
MAPAPI LONG WINAPI mapGetMtrMeasure(HMAP hMap, LONG number);
/* The projection word of the header. */
MAPAPI LONG WINAPI mapGetMtrMapType(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrElementRow(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrElementColumn(HMAP hMap, LONG number);
/* Bytes of an element. */
MAPAPI LONG WINAPI mapGetMtrElementSize(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtqElementSize(HMAP hMap, LONG number);
/* Bytes of a whole block, its height in elements and its width. */
MAPAPI LONG WINAPI mapGetMtrBlockSize(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrBlockSide(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrBlockWidth(HMAP hMap, LONG number);
/* Block rows and block columns. */
MAPAPI LONG WINAPI mapGetMtrBlockRow(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtrBlockColumn(HMAP hMap, LONG number);
/* The decoded elements of block (row, column), held by the matrix's block
 * cache until other blocks displace it; null for a block without data. */
MAPAPI char* WINAPI mapGetMtrBlockAddress(HMAP hMap, LONG number, LONG row, LONG column);

/* --- Border of an elevation matrix (stored in whole elements) --- */
/* The border from an object whose first contour is closed: 1 or 0. */
MAPAPI LONG WINAPI mapSetMtrBorder(HMAP hMap, LONG number, HOBJ info);
/* The border's contours into the object's metric (plane coordinates): 1,
 * or 0 without a border. */
MAPAPI LONG WINAPI mapGetMtrBorder(HMAP hMap, LONG number, HOBJ info);
/* Deletes the border and saves: 1 or 0. */
MAPAPI LONG WINAPI mapDeleteMtrBorder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapCheckExistenceMtrBorder(HMAP hMap, LONG number);
/* The border point inside the matrix's frame nearest to the point: 1, or
 * 0 when there is none. */
MAPAPI LONG WINAPI mapGetImmediatePointOfMtrBorder(HMAP hMap, LONG number,
                                                   const DOUBLEPOINT* point, DOUBLEPOINT* result);

#endif
