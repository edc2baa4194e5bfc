/* What the C host programs share: a check counter, a new classifier and
 * its object kinds, square sheets and a map of one of them. Header-only
 * (inline, so that a host need not use them all), each host is one C99
 * file. */
#ifndef MAPCORE_TESTS_HOST_COMMON_H
#define MAPCORE_TESTS_HOST_COMMON_H

#include <stdio.h>
#include <string.h>

#include "api/mapapi.h"

static int failures = 0;

/* Counts a failed check; the first few are printed. */
#define CHECK(cond)                                                        \
  do {                                                                     \
    if (!(cond) && ++failures <= 20)                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
  } while (0)

/* A new classifier at 1:100 000 whose name and code are `name` (at most 7
 * characters), with 16 colours; 0 when it cannot be created. */
static inline HRSC HostCreateRsc(const char* path, const char* name) {
  RSCCREATE create;
  PALETTE256 palette;
  memset(&create, 0, sizeof create);
  strcpy(create.Name, name);
  strcpy(create.Code, name);
  create.Scale = 100000;
  create.Language = 1;
  memset(&palette, 0, sizeof palette);
  palette.Version = 0x0300;
  palette.Count = 16;
  return mapCreateRsc(path, &create, &palette);
}

/* Appends an object kind of that code, local type and name (at most 31
 * characters) to the classifier: its incode, or 0. */
static inline LONG HostAppendKind(HRSC rsc, DWORD excode, DWORD local, const char* name) {
  RSCOBJECT object;
  memset(&object, 0, sizeof object);
  object.Length = sizeof object;
  object.Excode = excode;
  object.Local = local;
  strcpy(object.Name, name);
  return mapAppendRscObject(rsc, &object);
}

/* An object kind of a host's classifier: its code, local type and name. */
typedef struct {
  DWORD excode;
  DWORD local;
  const char* name;
} HOSTKIND;

/* Makes, commits and closes the classifier `name` at `path` with `count`
 * object kinds; their incodes go to `incodes` unless it is null. Each
 * step that fails is counted. */
static inline void HostMakeClassifier(const char* path, const char* name, const HOSTKIND* kinds,
                                      int count, LONG* incodes) {
  int i;
  HRSC rsc = HostCreateRsc(path, name);
  CHECK(rsc != 0);
  if (rsc == 0) return;
  for (i = 0; i < count; ++i) {
    const LONG incode = HostAppendKind(rsc, kinds[i].excode, kinds[i].local, kinds[i].name);
    CHECK(incode > 0);
    if (incodes != NULL) incodes[i] = incode;
  }
  CHECK(mapCommitRsc(rsc) == 1);
  CHECK(mapCloseRsc(rsc) == 1);
}

/* A sheet `side` metres square with its south-west corner at (x0, y0),
 * named `name` (nomenclature) and kept in the files `file`.*. */
static inline void HostSquareSheet(LISTREGISTER* sheet, const char* name, const char* file,
                                   double x0, double y0, double side) {
  memset(sheet, 0, sizeof *sheet);
  sheet->Length = sizeof *sheet;
  strncpy(sheet->Nomenclature, name, sizeof sheet->Nomenclature - 1);
  strcpy(sheet->FileName, file);
  sheet->XSouthWest = x0, sheet->YSouthWest = y0;
  sheet->XNorthWest = x0 + side, sheet->YNorthWest = y0;
  sheet->XNorthEast = x0 + side, sheet->YNorthEast = y0 + side;
  sheet->XSouthEast = x0, sheet->YSouthEast = y0 + side;
}

/* A map at 1:100 000 of one sheet `side` metres square with its south-west
 * corner at (x0, y0) on the classifier `rsc`. */
static inline HMAP HostMakeMap(const char* path, const char* rsc, const char* name, double x0,
                               double y0, double side) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  memset(&map, 0, sizeof map);
  map.Length = sizeof map;
  strncpy(map.Name, name, sizeof map.Name - 1);
  map.Scale = 100000;
  HostSquareSheet(&sheet, name, "S1", x0, y0, side);
  return mapCreateMapEx(path, rsc, &map, &sheet);
}

#endif
