/* What the C host programs share: a check counter, the map and sheet
 * registers as the library reads them, and a map of one square sheet.
 * Header-only, each host is one C99 file. */
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

/* The map and sheet registers as the library reads them (208 and 544
 * bytes, little-endian, no padding). */
#pragma pack(push, 1)
typedef struct HOSTMAPREGISTER {
  LONG Length;
  char Name[32];
  LONG Scale;
  LONG Fields[14]; /* projection, ellipsoid, units, map type ... all 0 */
  double Parameters[6];
  char Reserve[64];
} HOSTMAPREGISTER;
typedef struct HOSTSHEETREGISTER {
  LONG Length;
  char Nomenclature[32];
  char Name[32];
  char FileName[260];
  double Plane[8]; /* X, Y of the south-west, north-west, north-east, south-east corners */
  double Geo[8];
  LONG Material[3];
  char Date[12];
  double Angles[3];
  char DateAngle[12];
  char Reserve[28];
} HOSTSHEETREGISTER;
#pragma pack(pop)
typedef char HostMapRegisterIs208[sizeof(HOSTMAPREGISTER) == 208 ? 1 : -1];
typedef char HostSheetRegisterIs544[sizeof(HOSTSHEETREGISTER) == 544 ? 1 : -1];

/* A map at 1:100 000 of one sheet `side` metres square with its south-west
 * corner at (x0, y0) on the classifier `rsc`. */
static HMAP HostMakeMap(const char* path, const char* rsc, const char* name, double x0, double y0,
                        double side) {
  HOSTMAPREGISTER map;
  HOSTSHEETREGISTER sheet;
  memset(&map, 0, sizeof map);
  map.Length = sizeof map;
  strncpy(map.Name, name, sizeof map.Name - 1);
  map.Scale = 100000;
  memset(&sheet, 0, sizeof sheet);
  sheet.Length = sizeof sheet;
  strncpy(sheet.Nomenclature, name, sizeof sheet.Nomenclature - 1);
  strcpy(sheet.FileName, "S1");
  sheet.Plane[0] = x0, sheet.Plane[1] = y0;
  sheet.Plane[2] = x0 + side, sheet.Plane[3] = y0;
  sheet.Plane[4] = x0 + side, sheet.Plane[5] = y0 + side;
  sheet.Plane[6] = x0, sheet.Plane[7] = y0 + side;
  return mapCreateMapEx(path, rsc, (struct MAPREGISTEREX*)&map, (struct LISTREGISTER*)&sheet);
}

#endif
