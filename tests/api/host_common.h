/* What the C host programs share: a check counter, a new classifier and
 * its object kinds, and a map of one square sheet. Header-only (inline, so
 * that a host need not use them all), each host is one C99 file. */
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
  memset(&sheet, 0, sizeof sheet);
  sheet.Length = sizeof sheet;
  strncpy(sheet.Nomenclature, name, sizeof sheet.Nomenclature - 1);
  strcpy(sheet.FileName, "S1");
  sheet.XSouthWest = x0, sheet.YSouthWest = y0;
  sheet.XNorthWest = x0 + side, sheet.YNorthWest = y0;
  sheet.XNorthEast = x0 + side, sheet.YNorthEast = y0 + side;
  sheet.XSouthEast = x0, sheet.YSouthEast = y0 + side;
  return mapCreateMapEx(path, rsc, &map, &sheet);
}

#endif
