/* Layer matrices (MTL) as a host program sees them: each element holds,
 * for a stack of geological layers, each layer's thickness (its power),
 * optionally with the height of the surface, above a common bottom level.
 * These functions create and open them in a document, build them through
 * the sibling layer library, keep their chain and view, read and write
 * heights and powers at points, and reach their layers, blocks and
 * borders. A matrix number n is the 1-based place of a layer matrix in the
 * document's chain (0 means all when closing); a layer is numbered from 1.
 * Points are X (northing) then Y (easting), metres.
 *
 * A null, closed or foreign map handle gives 0 (a null pointer) except
 * where a function says otherwise: -111111.0 is no height, -1111111.0 no
 * power. With a live map, a number without a layer matrix gives the same.
 * A layer outside 1..the layer count gives 0 (error 60005 in the matrix),
 * as does a matrix without its layer block (60001). */
#ifndef MAPCORE_API_MTL_API_H
#define MAPCORE_API_MTL_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/mtltypes.h"
#include "types/mtrtypes.h"

/* --- Documents and files --- */
/* A new document holding the layer matrix: its handle, or 0 with nothing
 * left behind. */
MAPAPI HMAP WINAPI mapOpenMtl(const char* name, LONG mode);
/* A new layer matrix file from a creation record, opened in a new
 * document: its handle, or 0 with nothing left behind (a refused record
 * gets 60040 in its length word). */
MAPAPI HMAP WINAPI mapCreateMtl(const char* name, struct MTLBUILDPARM* parm);
/* A new layer matrix file with projection data (length 128, a projection
 * the coordinate transformation accepts), opened into the document: its
 * number, or 0. */
MAPAPI LONG WINAPI mapCreateAndAppendMtl(HMAP hMap, const char* name, struct MTLBUILDPARM* parm,
                                         struct MTRPROJECTIONDATA* proj);
/* Opened into the document: its number (a name already open gives that
 * matrix again), or 0. A matrix outside the map's region is opened only
 * when the user agrees. */
MAPAPI LONG WINAPI mapOpenMtlForMap(HMAP hMap, const char* name, LONG mode);
/* Saves and closes matrix n (0: all); the ForMap form answers 1. */
MAPAPI void WINAPI mapCloseMtl(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapCloseMtlForMap(HMAP hMap, LONG number);
/* Writes what changed (layer block, blocks, header, border): 1, or 0 (a
 * file opened for reading only). */
MAPAPI LONG WINAPI mapSaveMtl(HMAP hMap, LONG number);
/* Building a layer matrix is the sibling layer library's: it is loaded,
 * its builder called once with the map handle and the five words as they
 * are, and freed; its answer, or 0 when it cannot be loaded (the loader
 * reports 60107 or 60108). */
MAPAPI LONG WINAPI mapBuildMtl(HMAP hMap, intptr_t parm1, intptr_t parm2, intptr_t parm3,
                               intptr_t parm4, intptr_t parm5);

/* --- Chain and view --- */
MAPAPI LONG WINAPI mapGetMtlCount(HMAP hMap);
/* The file name, or null. */
MAPAPI const char* WINAPI mapGetMtlName(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtlDescribe(HMAP hMap, LONG number, struct MTLDESCRIBE* describe);
/* The projection word, code and parameters of the header (the record's
 * first two words are left alone). */
MAPAPI LONG WINAPI mapGetMtlProjectionData(HMAP hMap, LONG number,
                                           struct MTRPROJECTIONDATA* data);
/* Shown (non-zero) or hidden (0); setting answers the value set. */
MAPAPI LONG WINAPI mapGetMtlView(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtlView(HMAP hMap, LONG number, LONG view);
/* 0 under the vector map, 1 over it (any non-zero order is kept as 1);
 * setting answers the value kept, -1 without the matrix. */
MAPAPI LONG WINAPI mapGetMtlViewOrder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetMtlViewOrder(HMAP hMap, LONG number, LONG order);
/* The scale denominators between which the matrix is shown; setting needs
 * 1 <= bottom <= top. 1, or 0. */
MAPAPI LONG WINAPI mapGetMtlRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top);
MAPAPI LONG WINAPI mapSetMtlRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top);
/* The number of the k-th layer matrix (k >= 1) whose frame holds the
 * point, edges included; 0. */
MAPAPI LONG WINAPI mapGetMtlNumberInPoint(HMAP hMap, double x, double y, LONG k);
/* The number of the last shown layer matrix; 0. */
MAPAPI LONG WINAPI mapGetMtlNumberLastVisible(HMAP hMap);
/* The header's minimum and maximum value, written as given (the file's
 * stored units): 1 or 0. */
MAPAPI LONG WINAPI mapSetMtlShowRange(HMAP hMap, LONG number, double low, double high);

/* --- Geometry --- */
/* The scale denominator, at least 1. */
MAPAPI LONG WINAPI mapGetMtlScale(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtlElementRow(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtlElementColumn(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtlBlockRow(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetMtlBlockColumn(HMAP hMap, LONG number);
/* Bytes of a whole block. */
MAPAPI LONG WINAPI mapGetMtlBlockSize(HMAP hMap, LONG number);
/* The elements of block (row, column), held by the matrix's block cache
 * until other blocks displace it; null for a block without data. */
MAPAPI char* WINAPI mapGetMtlBlockAddress(HMAP hMap, LONG number, LONG row, LONG column);

/* --- Heights and powers (metres) --- */
/* From the first layer matrix in chain order that has one, from matrix n,
 * or from the one of the finest element; -111111.0 when none. */
MAPAPI double WINAPI mapGetElementHeight(HMAP hMap, double x, double y);
MAPAPI double WINAPI mapGetElementHeightOfMtl(HMAP hMap, LONG number, double x, double y);
MAPAPI double WINAPI mapGetPrecisionElementHeight(HMAP hMap, double x, double y);
/* Writes a height into matrix n (the file's height unit, rounded): 1 or
 * 0. */
MAPAPI LONG WINAPI mapPutElementHeight(HMAP hMap, LONG number, double x, double y, double height);
/* The power of a layer, likewise; -1111111.0 when none. */
MAPAPI double WINAPI mapGetElementPower(HMAP hMap, double x, double y, LONG layer);
MAPAPI double WINAPI mapGetElementPowerOfMtl(HMAP hMap, LONG number, double x, double y,
                                             LONG layer);
MAPAPI double WINAPI mapGetPrecisionElementPower(HMAP hMap, double x, double y, LONG layer);
/* Powers between element centres: count (the layer count) powers, a layer
 * without a value -1111111.0: 1, or 0 (also where the element's first
 * layer has no power). */
MAPAPI LONG WINAPI mapGetElementPowersTriangleOfMtl(HMAP hMap, LONG number, double x, double y,
                                                    double* powers, LONG count);
MAPAPI double WINAPI mapGetElementPowerTriangleOfMtl(HMAP hMap, LONG number, double x, double y,
                                                     LONG layer);
MAPAPI LONG WINAPI mapPutElementPower(HMAP hMap, LONG number, double x, double y, double power,
                                      LONG layer);
/* count (>= 2) heights along the line from first to last, ends included;
 * the caller's first point is moved along it and ends on the last
 * intermediate point. 1 or 0. */
MAPAPI LONG WINAPI mapGetHeightArrayFromMtl(HMAP hMap, double* heights, LONG count,
                                            DOUBLEPOINT* first, DOUBLEPOINT* last);
/* The largest sum of the layers' powers of matrix n: the layer block's
 * value when it is above 0, else the highest surface less the lower of
 * the lowest surface and the bottom level; -1111111.0. */
MAPAPI double WINAPI mapGetMaxSummaryPowerOfMtl(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetLayerCountOfMtl(HMAP hMap, LONG number);
/* Over all layer matrices: the largest layer count (0), the lowest bottom
 * level (0.0 for a bad handle; 1e10 without layer matrices) and the
 * largest summary power (-1111111.0 for a bad handle; 0.0 without layer
 * matrices). */
MAPAPI LONG WINAPI mapGetMaxLayerCount(HMAP hMap);
MAPAPI double WINAPI mapGetMinBotLevelHeight(HMAP hMap);
MAPAPI double WINAPI mapGetMaxSummaryPower(HMAP hMap);
/* Sets the layer block's bottom level or maximum summary power (saved
 * with the matrix): 1 or 0. */
MAPAPI LONG WINAPI mapSetMtlBotLevel(HMAP hMap, LONG number, double level);
MAPAPI LONG WINAPI mapSetMtlMaxSummaryPower(HMAP hMap, LONG number, double power);

/* --- Layers (saved with the matrix) --- */
/* The layer's colour, and setting it: the colour. */
MAPAPI COLORREF WINAPI mapGetLayerColor(HMAP hMap, LONG number, LONG layer);
MAPAPI COLORREF WINAPI mapSetLayerColor(HMAP hMap, LONG number, LONG layer, COLORREF color);
/* The layer's largest power (the file's layer unit), and setting it: the
 * value. */
MAPAPI LONG WINAPI mapGetMaxLayerHeight(HMAP hMap, LONG number, LONG layer);
MAPAPI LONG WINAPI mapSetMaxLayerHeight(HMAP hMap, LONG number, LONG layer, LONG value);
/* The layer's short name (16 bytes in the file) as a terminated text kept
 * with the matrix until it closes; setting keeps the first 16 bytes (a
 * null name: 0, error 60040 in the matrix). */
MAPAPI const char* WINAPI mapGetLayerShortName(HMAP hMap, LONG number, LONG layer);
MAPAPI const char* WINAPI mapSetLayerShortName(HMAP hMap, LONG number, LONG layer,
                                               const char* name);

/* --- Border (stored in whole elements) --- */
/* The border from an object whose first contour is closed: 1 or 0. */
MAPAPI LONG WINAPI mapSetMtlBorder(HMAP hMap, LONG number, HOBJ info);
/* The border's contours into the object's metric (plane coordinates, to
 * the nearest element): 1, or 0 without a border. */
MAPAPI LONG WINAPI mapGetMtlBorder(HMAP hMap, LONG number, HOBJ info);
/* Deletes the border and saves: 1 or 0. */
MAPAPI LONG WINAPI mapDeleteMtlBorder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapCheckExistenceMtlBorder(HMAP hMap, LONG number);
/* 1 when only what lies inside the border is shown, 0 when not; -1 for a
 * bad handle or without the matrix. */
MAPAPI LONG WINAPI mapCheckShowMtlByBorder(HMAP hMap, LONG number);
/* The border vertex (cut to whole elements) inside the matrix's frame
 * nearest to the point: 1, or 0 when there is none. */
MAPAPI LONG WINAPI mapGetImmediatePointOfMtlBorder(HMAP hMap, LONG number,
                                                   const DOUBLEPOINT* point, DOUBLEPOINT* result);
/* The frame of a shown matrix in metres, or the box of its border when it
 * shows only what lies inside: 1, or 0 (also for a hidden matrix). */
MAPAPI LONG WINAPI mapGetActualMtlFrame(HMAP hMap, DFRAME* frame, LONG number);

#endif
