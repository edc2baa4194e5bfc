/* The builders the host programs share to set up what they test: a run
 * folder's paths, a classifier with its layers, object kinds and
 * semantics, a map of one square sheet, objects on it, and the records
 * that make an elevation matrix or a layer matrix. Header-only (inline,
 * so that a host need not use them all), plain C99 that is also valid
 * C++: the pkg-config hosts include it beside pkghost.h, the in-tree C
 * hosts through tests/api/host_common.h. The builders that make and close
 * a whole thing count each step that fails with PKGHOST_CHECK; the others
 * answer 0 and leave the checking to their caller. */
#ifndef MAPCORE_TESTS_PKGHOST_MAPS_H
#define MAPCORE_TESTS_PKGHOST_MAPS_H

#include <stdio.h>
#include <string.h>

#include "api/mapapi.h"
#include "pkghost.h"

/* --- The run folder ------------------------------------------------------ */

/* The folder the host `name` was given as argv[1]; null, with the usage
 * printed, when it was given none. */
static inline const char* PkgHostFolder(int argc, char** argv, const char* name) {
  if (argc >= 2) return argv[1];
  fprintf(stderr, "usage: %s <folder>\n", name);
  return NULL;
}

/* `name` in `folder`, written to `path` of `size` bytes: `path`. */
static inline char* PkgHostPath(char* path, size_t size, const char* folder, const char* name) {
  snprintf(path, size, "%s/%s", folder, name);
  return path;
}

/* Copies `text` into a record's field of `size` bytes, cut to fit and
 * always ended. */
static inline void PkgHostCopy(char* field, size_t size, const char* text) {
  size_t length = strlen(text);
  if (length >= size) length = size - 1;
  memcpy(field, text, length);
  field[length] = 0;
}

/* --- Classifiers --------------------------------------------------------- */

/* A palette of `count` colours (0x00BBGGRR): those of `colours`, or black
 * when it is null. */
static inline void PkgHostPalette(PALETTE256* palette, int count, const DWORD* colours) {
  int i;
  memset(palette, 0, sizeof *palette);
  palette->Version = 0x0300;
  palette->Count = (WORD)count;
  for (i = 0; colours != NULL && i < count; ++i) palette->Colors[i] = colours[i];
}

/* A new classifier at 1:100 000 named `name` (at most 31 characters)
 * with the code `code` (at most 7; none when null) and the palette (none
 * when null): 0 when it cannot be created. */
static inline HRSC PkgHostCreateRscEx(const char* path, const char* name, const char* code,
                                      PALETTE256* palette) {
  RSCCREATE create;
  memset(&create, 0, sizeof create);
  PkgHostCopy(create.Name, sizeof create.Name, name);
  if (code != NULL) PkgHostCopy(create.Code, sizeof create.Code, code);
  create.Scale = 100000;
  create.Language = 1;
  return mapCreateRsc(path, &create, palette);
}

/* A new classifier whose name and code are `name` (at most 7
 * characters), with 16 black colours. */
static inline HRSC PkgHostCreateRsc(const char* path, const char* name) {
  PALETTE256 palette;
  PkgHostPalette(&palette, 16, NULL);
  return PkgHostCreateRscEx(path, name, name, &palette);
}

/* Appends a layer of that name, short name and order of drawing: its
 * number, or 0. */
static inline LONG PkgHostAppendLayer(HRSC rsc, const char* name, const char* shortName,
                                      int order) {
  RSCSEG layer;
  memset(&layer, 0, sizeof layer);
  PkgHostCopy(layer.Name, sizeof layer.Name, name);
  PkgHostCopy(layer.Short, sizeof layer.Short, shortName);
  layer.Order = (BYTE)order;
  return mapAppendRscSegment(rsc, &layer);
}

/* Appends an object kind of that code, local type and name (at most 31
 * characters) to the layer (0: none) of the classifier, drawn by the
 * image `function` with `count` parameter words (no image when `count` is
 * 0): its incode, or 0 when the kind or its image is refused. */
static inline LONG PkgHostAppendKindEx(HRSC rsc, LONG layer, DWORD excode, DWORD local,
                                       const char* name, LONG function, const DWORD* words,
                                       int count) {
  RSCOBJECT object;
  LONG incode;
  memset(&object, 0, sizeof object);
  object.Length = sizeof object;
  object.Excode = excode;
  object.Local = local;
  object.Segment = (DWORD)layer;
  PkgHostCopy(object.Name, sizeof object.Name, name);
  incode = mapAppendRscObject(rsc, &object);
  if (incode <= 0 || count == 0) return incode;
  return mapSetRscObjectImage(rsc, incode, count * 4, function, (const char*)words) ? incode : 0;
}

/* Appends an object kind of no layer and no image: its incode, or 0. */
static inline LONG PkgHostAppendKind(HRSC rsc, DWORD excode, DWORD local, const char* name) {
  return PkgHostAppendKindEx(rsc, 0, excode, local, name, 0, NULL, 0);
}

/* Appends a semantic of that code, type, name and unit (none when null):
 * its code, or 0. */
static inline LONG PkgHostAppendSemantic(HRSC rsc, DWORD code, DWORD type, const char* name,
                                         const char* unit) {
  RSCSEMANTIC semantic;
  memset(&semantic, 0, sizeof semantic);
  semantic.Code = code;
  semantic.Type = type;
  PkgHostCopy(semantic.Name, sizeof semantic.Name, name);
  if (unit != NULL) PkgHostCopy(semantic.Unit, sizeof semantic.Unit, unit);
  return mapAppendRscSemantic(rsc, &semantic);
}

/* An object kind of a host's classifier: its code, local type and name. */
typedef struct {
  DWORD excode;
  DWORD local;
  const char* name;
} PKGHOSTKIND;

/* A new classifier `name` at `path` (as PkgHostCreateRsc makes it) with
 * `count` object kinds, left open for more; their incodes go to `incodes`
 * unless it is null. 0 when it cannot be created; each step that fails is
 * counted. */
static inline HRSC PkgHostNewClassifier(const char* path, const char* name,
                                        const PKGHOSTKIND* kinds, int count, LONG* incodes) {
  int i;
  const HRSC rsc = PkgHostCreateRsc(path, name);
  PKGHOST_CHECK(rsc != 0);
  if (rsc == 0) return 0;
  for (i = 0; i < count; ++i) {
    const LONG incode = PkgHostAppendKind(rsc, kinds[i].excode, kinds[i].local, kinds[i].name);
    PKGHOST_CHECK(incode > 0);
    if (incodes != NULL) incodes[i] = incode;
  }
  return rsc;
}

/* Commits and closes a classifier; a step that fails is counted. */
static inline void PkgHostCloseClassifier(HRSC rsc) {
  PKGHOST_CHECK(mapCommitRsc(rsc) == 1);
  PKGHOST_CHECK(mapCloseRsc(rsc) == 1);
}

/* Makes, commits and closes the classifier `name` at `path` with `count`
 * object kinds; their incodes go to `incodes` unless it is null. Each
 * step that fails is counted. */
static inline void PkgHostMakeClassifier(const char* path, const char* name,
                                         const PKGHOSTKIND* kinds, int count, LONG* incodes) {
  const HRSC rsc = PkgHostNewClassifier(path, name, kinds, count, incodes);
  if (rsc != 0) PkgHostCloseClassifier(rsc);
}

/* --- Maps ------------------------------------------------------------------ */

/* The record of a map at 1:100 000 named `name` (at most 31 characters). */
static inline void PkgHostMapRecord(MAPREGISTEREX* map, const char* name) {
  memset(map, 0, sizeof *map);
  map->Length = sizeof *map;
  PkgHostCopy(map->Name, sizeof map->Name, name);
  map->Scale = 100000;
}

/* Makes the map record that of a topographic map in the projection and
 * on the ellipsoid the constants below name, its axial meridian at 39
 * degrees east. */
static inline void PkgHostTopographic(MAPREGISTEREX* map) {
  map->MapType = MAPTYPE_TOPOGRAPHIC;
  map->MaterialProjection = PRJ_GAUSSKRUGER;
  map->EllipsoideKind = ELLIPSOID_KRASOVSKY;
  map->AxisMeridian = 39.0 * 3.14159265358979323846 / 180.0;
  map->DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
}

/* A sheet `side` metres square with its south-west corner at (x0, y0),
 * named `name` (nomenclature) and kept in the files `file`.*; its corners
 * go from the south-west clockwise (X north, Y east). */
static inline void PkgHostSquareSheet(LISTREGISTER* sheet, const char* name, const char* file,
                                      double x0, double y0, double side) {
  memset(sheet, 0, sizeof *sheet);
  sheet->Length = sizeof *sheet;
  PkgHostCopy(sheet->Nomenclature, sizeof sheet->Nomenclature, name);
  PkgHostCopy(sheet->FileName, sizeof sheet->FileName, file);
  sheet->XSouthWest = x0, sheet->YSouthWest = y0;
  sheet->XNorthWest = x0 + side, sheet->YNorthWest = y0;
  sheet->XNorthEast = x0 + side, sheet->YNorthEast = y0 + side;
  sheet->XSouthEast = x0, sheet->YSouthEast = y0 + side;
}

/* A map at 1:100 000 named `name` of one sheet `side` metres square with
 * its south-west corner at (x0, y0), the sheet also named `name` and kept
 * in the files S1.*, on the classifier `rsc`: 0 when it is refused. */
static inline HMAP PkgHostMakeMap(const char* path, const char* rsc, const char* name, double x0,
                                  double y0, double side) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  PkgHostMapRecord(&map, name);
  PkgHostSquareSheet(&sheet, name, "S1", x0, y0, side);
  return mapCreateMapEx(path, rsc, &map, &sheet);
}

/* Appends an object of that code and local type through `count` points,
 * in metres from (x0, y0), to sheet 1 of the map (`site` 0) or to a user
 * map, and commits it: its number, or 0 when a step is refused. */
static inline LONG PkgHostAppendObject(HMAP map, HSITE site, LONG code, LONG local, double x0,
                                       double y0, const DOUBLEPOINT* points, int count) {
  const HOBJ object = site ? mapCreateSiteObject(map, site, 0, 0) : mapCreateObject(map, 1, 0, 0);
  LONG number = object != 0 && mapRegisterObject(object, code, local) != 0;
  int i;
  for (i = 0; number && i < count; ++i)
    number = mapAppendPointPlane(object, x0 + points[i].X, y0 + points[i].Y, 0) != 0;
  if (number) number = mapCommit(object);
  mapFreeObject(object);
  return number > 0 ? number : 0;
}

/* --- Matrices -------------------------------------------------------------- */

/* The creation record of an elevation matrix `width` (along Y, east) by
 * `height` (along X, north) metres from (x, y), of `size` metre elements
 * two bytes wide holding decimetres, at 1:10 000. */
static inline void PkgHostMtwRecord(BUILDMTW* build, double x, double y, double width,
                                    double height, double size) {
  memset(build, 0, sizeof *build);
  build->Length = sizeof *build;
  build->BeginX = x, build->BeginY = y;
  build->Width = width, build->Height = height;
  build->ElementSize = size;
  build->ElementBytes = 2;
  build->HeightUnit = 1;
  build->Scale = 10000;
}

/* The creation record of a layer matrix from (x1, y1) to (x2, y2) of
 * `size` metre elements with a height and `layers` layers, each two bytes
 * wide, the powers in decimetres, at 1:10 000. */
static inline void PkgHostMtlRecord(MTLBUILDPARM* build, double x1, double y1, double x2,
                                    double y2, double size, int layers) {
  memset(build, 0, sizeof *build);
  build->Length = sizeof *build;
  build->BeginX = x1, build->BeginY = y1;
  build->EndX = x2, build->EndY = y2;
  build->ElementSize = size;
  build->LayerCount = layers;
  build->HeightBytes = 2;
  build->PowerBytes = 2;
  build->PowerUnit = 1;
  build->Scale = 10000;
}

#endif
