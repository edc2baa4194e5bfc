/* What a host asks of a map document and of the library: the main map's
 * name, path, type, frame, passport, sheets and layers, the document's and
 * project's names, sheet names and sheet frames, the document's limits,
 * and the library's version texts and numbers. Every function answers 0,
 * 0.0 or an empty text for a null, closed or foreign map handle. Functions
 * that fill a caller's buffer of `size` bytes write at most size - 1
 * characters, end them with a zero and zero the rest of the size. */
#ifndef MAPCORE_API_INFO_API_H
#define MAPCORE_API_INFO_API_H

#include "types/geotypes.h"
#include "types/hosttypes.h"
#include "types/maptypes.h"
#include "types/registers.h"

/* The library: version number 20020403, interface version 0x710, the
 * version text of the current language ("Version 7.70.5b", in Russian for
 * language 2), screen depth 32, library type 1. */
MAPAPI LONG WINAPI GetMapAccessVersion(void);
MAPAPI LONG WINAPI mapGetMapAccessVersion(void);
MAPAPI LONG WINAPI mapGetMapApiVersion(void);
MAPAPI const char* WINAPI mapGetApplicationVersion(void);
MAPAPI LONG WINAPI mapGetMapScreenDepth(void);
MAPAPI void WINAPI mapTorvekanStart(void);
MAPAPI LONG WINAPI mapTorvekanType(void);
/* The host application's folder into the buffer: 1, 0 for a null buffer
 * or a size below 1. */
MAPAPI LONG WINAPI mapGetPathShellEx(char* buffer, LONG size);

/* 1 when the document holds data. */
MAPAPI LONG WINAPI mapIsActive(HMAP hMap);
/* The break callback of painting and the callback before a picture, each
 * with its parameter: 1. */
MAPAPI LONG WINAPI mapSetBreakCallAndParm(HMAP hMap, BREAKCALL call, intptr_t parameter);
MAPAPI LONG WINAPI mapSetBeforePaintCallAndParm(HMAP hMap, BEFOREPAINTCALL call,
                                                intptr_t parameter);
/* The base scale's denominator. */
MAPAPI LONG WINAPI mapGetMapScale(HMAP hMap);

/* The main map: its name, path, type, frame (plane metres), sheet count
 * and the object count of a sheet; empty or 0 while none is open. The Ex
 * form empties the buffer first and gives 1 when the name was copied. */
MAPAPI const char* WINAPI mapGetMapName(HMAP hMap);
MAPAPI LONG WINAPI mapGetMapNameEx(HMAP hMap, char* buffer, LONG size);
MAPAPI const char* WINAPI mapGetMapPath(HMAP hMap);
MAPAPI LONG WINAPI mapGetMapType(HMAP hMap);
MAPAPI double WINAPI mapGetMapX1(HMAP hMap);
MAPAPI double WINAPI mapGetMapY1(HMAP hMap);
MAPAPI double WINAPI mapGetMapX2(HMAP hMap);
MAPAPI double WINAPI mapGetMapY2(HMAP hMap);
MAPAPI LONG WINAPI mapGetListCount(HMAP hMap);
MAPAPI LONG WINAPI mapGetObjectCount(HMAP hMap, LONG list);
/* The document's name (the path of the first data opened into it) and the
 * path of its project. */
MAPAPI const char* WINAPI mapGetMainName(HMAP hMap);
MAPAPI const char* WINAPI mapGetProjectName(HMAP hMap);

/* The main map's register and the register of its sheet `list`: 1 or 0.
 * mapGetMapInfo gives the map register in its 128-byte form (its length
 * word 128), as mapGetMapInfoByName does, which reads a map file without a
 * document. */
MAPAPI LONG WINAPI mapGetMapInfoEx(HMAP hMap, LONG list, MAPREGISTEREX* map, LISTREGISTER* sheet);
MAPAPI LONG WINAPI mapGetMapInfo(HMAP hMap, LONG list, MAPREGISTEREX* map, LISTREGISTER* sheet);
MAPAPI LONG WINAPI mapGetMapInfoByName(const char* name, LONG list, MAPREGISTEREX* map,
                                       LISTREGISTER* sheet);
/* Whether a sheet name (shorter than size) keeps to the naming of the map
 * type at the scale; the base of a sheet's file names from its name into
 * `out` of size bytes. 0 for a name not shorter than size. */
MAPAPI LONG WINAPI mapCheckNomenclature(const char* name, LONG size, LONG mapType, LONG scale);
MAPAPI LONG WINAPI mapSetFileNameFromNomenclature(const char* name, LONG size, char* out);
/* The topographic sheet named in the sheet record, at the map record's
 * scale, type and projection: its plane and geodetic corners and meridian
 * angle into the sheet record (through the main map's projection when a
 * map handle is given; without one the map record takes the axis meridian
 * of the name). 1 or 0. */
MAPAPI LONG WINAPI mapCalcTopographicSheet(HMAP hMap, MAPREGISTEREX* map, LISTREGISTER* sheet);

/* Layers of the main map's classifier. */
MAPAPI LONG WINAPI mapGetLayerCount(HMAP hMap);
MAPAPI const char* WINAPI mapGetLayerName(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapGetLayerNameEx(HMAP hMap, LONG number, char* buffer, LONG size);

/* The k-th sheet of the main map holding the point strictly inside (k <= 1:
 * the first) for the point's kind (1 map, 2 picture, 3 plane, 4
 * geographic), its number or name; the name of sheet `list`; the first map
 * (0 the main map, then the user maps) with a sheet of that name, -1 when
 * none. */
MAPAPI LONG WINAPI mapWhatListNumber(HMAP hMap, double x, double y, LONG number, LONG kind);
MAPAPI const char* WINAPI mapWhatListName(HMAP hMap, double x, double y, LONG number, LONG kind);
MAPAPI LONG WINAPI mapWhatListNameEx(HMAP hMap, double x, double y, LONG number, LONG kind,
                                     char* buffer, LONG size);
MAPAPI const char* WINAPI mapGetListName(HMAP hMap, LONG list);
MAPAPI LONG WINAPI mapGetListNameEx(HMAP hMap, LONG list, char* buffer, LONG size);
MAPAPI LONG WINAPI mapWhatListLayoutIs(HMAP hMap, const char* name);

/* The frame object of a sheet of the main map read into the object
 * handle; without one, a topographic sheet map (any map for the Create
 * form) with a classifier gets its frame built and written. The handle, or
 * 0. */
MAPAPI HOBJ WINAPI mapGetListFrameObject(HMAP hMap, LONG list, HOBJ info);
MAPAPI HOBJ WINAPI mapCreateListFrameObject(HMAP hMap, LONG list, HOBJ info);

#endif
