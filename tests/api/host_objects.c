/* A host written in C99 that keeps map objects through the C functions
 * alone: it makes a classifier with a line kind and a text semantic,
 * creates a map on it, appends 10 000 lines each with two points and a
 * name, opens the map again, reads every object back, edits one and reads
 * the edit back after another reopening. Exits 0 when every check holds
 * and prints each failed check. argv[1] is a folder for its files. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "host_common.h"

enum { OBJECTS = 10000, NAME_CODE = 1000 };
#define ROAD_CODE 31120000

static const double X0 = 6000000.0, Y0 = 7400000.0;

/* The two points of line n (from 1), plane metres. */
static double PointX(int n, int i) { return X0 + 100.0 + (n % 100) * 150.0 + i * 40.0; }
static double PointY(int n, int i) { return Y0 + 100.0 + (n / 100) * 150.0 + i * 25.5; }

static void Name(int n, char* text) { sprintf(text, "ROAD %d", n); }

static void MakeClassifier(const char* path) {
  static const PKGHOSTKIND road[] = {{ROAD_CODE, 0, "ROAD"}};
  LONG kind = 0;
  HRSC rsc = PkgHostNewClassifier(path, "ROADS", road, 1, &kind);
  if (rsc == 0) return;
  CHECK(PkgHostAppendSemantic(rsc, NAME_CODE, 0 /* text */, "NAME", NULL) == NAME_CODE);
  mapAppendRscSemanticObject(rsc, kind, NAME_CODE, 1);
  PkgHostCloseClassifier(rsc);
}

static HMAP MakeMap(const char* path, const char* rsc) {
  return PkgHostMakeMap(path, rsc, "ROADS-1", X0, Y0, 20000);
}

/* Appends every line through one handle, cleared for each. */
static void Append(HMAP map) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  char name[32];
  int n, i;
  CHECK(object != 0);
  if (object == 0) return;
  for (n = 1; n <= OBJECTS && pkghost_failures == 0; ++n) {
    CHECK(mapClearObject(object, 1, 0) == 1);
    CHECK(mapRegisterObject(object, ROAD_CODE, 0) == 1);
    for (i = 0; i < 2; ++i) CHECK(mapAppendPointPlane(object, PointX(n, i), PointY(n, i), 0) != 0);
    Name(n, name);
    CHECK(mapAppendSemantic(object, NAME_CODE, name, (LONG)strlen(name) + 1) != 0);
    CHECK(mapCommit(object) == n);
  }
  mapFreeObject(object);
}

/* Reads line n and checks its points and name; the edited line has a
 * third point and another name. */
static void Check(HMAP map, HOBJ object, int n, int edited) {
  char name[32], value[64];
  int i;
  CHECK(mapReadObjectByNumber(map, 0, object, 1, n) == object);
  CHECK(mapObjectExcode(object) == ROAD_CODE);
  CHECK(mapPointCount(object, 0) == (edited ? 3 : 2));
  for (i = 0; i < 2; ++i) {
    CHECK(fabs(mapXPlane(object, i + 1, 0) - PointX(n, i)) < 0.01);
    CHECK(fabs(mapYPlane(object, i + 1, 0) - PointY(n, i)) < 0.01);
  }
  if (edited) strcpy(name, "EDITED");
  else Name(n, name);
  CHECK(mapSemanticCodeValue(object, NAME_CODE, value, sizeof value, 1) != 0);
  CHECK(strcmp(value, name) == 0);
}

static void ReadBack(const char* path, int edited) {
  HMAP map = mapOpenData(path, 0);
  HOBJ object;
  int n;
  CHECK(map != 0);
  if (map == 0) return;
  object = mapCreateObject(map, 1, 0, 0);
  for (n = 1; n <= OBJECTS && pkghost_failures == 0; ++n) Check(map, object, n, n == edited);
  CHECK(mapReadObjectByNumber(map, 0, object, 1, OBJECTS + 1) == 0);
  mapFreeObject(object);
  mapCloseData(map);
}

/* A third point and a new name for line n. */
static void Edit(const char* path, int n) {
  HMAP map = mapOpenData(path, 0);
  HOBJ object;
  CHECK(map != 0);
  if (map == 0) return;
  object = mapCreateObject(map, 1, 0, 0);
  CHECK(mapReadObjectByNumber(map, 0, object, 1, n) == object);
  CHECK(mapAppendPointPlane(object, PointX(n, 2), PointY(n, 2), 0) != 0);
  CHECK(mapSetSemanticValue(object, 1, "EDITED", 7) != 0);
  CHECK(mapCommit(object) == n);
  mapFreeObject(object);
  mapCloseData(map);
}

int main(int argc, char** argv) {
  char rsc[512], path[512];
  HMAP map;
  if (argc < 2) {
    fprintf(stderr, "usage: host_objects <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(rsc, sizeof rsc, "%s/roads.rsc", argv[1]);
  snprintf(path, sizeof path, "%s/roads.map", argv[1]);
  MakeClassifier(rsc);
  map = pkghost_failures == 0 ? MakeMap(path, rsc) : 0;
  CHECK(map != 0);
  if (map != 0) {
    Append(map);
    mapCloseData(map);
    ReadBack(path, 0);
    Edit(path, 5000);
    ReadBack(path, 5000);
  }
  if (pkghost_failures == 0)
    printf("C object host: %d objects written, read and edited\n", OBJECTS);
  return pkghost_failures == 0 ? 0 : 1;
}
