// The entries of the document's information behind the exported functions
// (api/info_api.h), one for each, with the same arguments and answers: a
// null, dead or foreign handle gives 0, 0.0 or an empty text. Functions
// with a buffer and its size copy at most size - 1 characters, end the
// copy with a zero and fill the rest of the size with zeros.
#pragma once

#include "platform/win_types.h"
#include "types/hosttypes.h"
#include "types/registers.h"

// The host's buffer of `size` bytes takes the text: 1, or 0 (nothing
// written) for a null buffer or a size below 1.
LONG CopyToBuffer(const char* text, char* buffer, LONG size);

LONG docIsActive(HMAP hMap);
LONG docSetBreakCallAndParm(HMAP hMap, BREAKCALL call, intptr_t parameter);
LONG docSetBeforePaintCallAndParm(HMAP hMap, BEFOREPAINTCALL call, intptr_t parameter);
LONG docGetMapScale(HMAP hMap);

// The main map: "" (0) while none is open.
const char* docGetMapName(HMAP hMap);
LONG docGetMapNameEx(HMAP hMap, char* buffer, LONG size);
const char* docGetMapPath(HMAP hMap);
LONG docGetMapType(HMAP hMap);
// Corner `which` of the main map's frame in plane metres: 0 X1, 1 Y1, 2 X2,
// 3 Y2.
double docGetMapFrame(HMAP hMap, int which);
LONG docGetListCount(HMAP hMap);
LONG docGetObjectCount(HMAP hMap, LONG sheet);
// The document's name (the first data opened) and its project's.
const char* docGetMainName(HMAP hMap);
const char* docGetProjectName(HMAP hMap);

// The main map's register and sheet n's: 1, or 0. The second form gives
// the map register in its 128-byte form (its length word 128); so does
// the form that reads a map file by name without a document.
LONG docGetMapInfoEx(HMAP hMap, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list);
LONG docGetMapInfo(HMAP hMap, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list);
LONG docGetMapInfoByName(const char* name, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list);
// Whether a name (shorter than size) is a sheet name of the map type at
// the scale; the file name base of a sheet name into `out` (size bytes).
LONG docCheckNomenclature(const char* name, LONG size, LONG mapType, LONG scale);
LONG docSetFileNameFromNomenclature(const char* name, LONG size, char* out);
// The topographic sheet named in the sheet record at the map record's
// scale, type and projection (through the main map's projection when a
// document is given, else with the name's axis meridian put into the map
// record): the sheet record's plane and geodetic corners and meridian
// angle. 1, or 0.
LONG docCalcTopographicSheet(HMAP hMap, MAPREGISTEREX* map, LISTREGISTER* list);

// Layers of the main map's classifier.
LONG docGetLayerCount(HMAP hMap);
const char* docGetLayerName(HMAP hMap, LONG n);
LONG docGetLayerNameEx(HMAP hMap, LONG n, char* buffer, LONG size);

// The frame object of sheet n read into the object handle; without one a
// topographic sheet map (mapGetListFrameObject) or any map
// (mapCreateListFrameObject) with a classifier gets it built and
// written. The handle, or 0.
HOBJ docGetListFrameObject(HMAP hMap, LONG sheet, HOBJ object);
HOBJ docCreateListFrameObject(HMAP hMap, LONG sheet, HOBJ object);
