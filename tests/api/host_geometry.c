/* A host written in C99 that cuts, unites and lists crossings of map
 * objects through the C functions alone: on a map of one sheet it makes
 * two overlapping squares and a line across the first, cuts the first
 * square by the line (two pieces of 40 and 60 per cent, committed as new
 * objects), unites the squares (three quarters of their sum) and lists the
 * two crossings of the line with the first square. Exits 0 when every
 * check holds and prints each failed check. argv[1] is a folder for its
 * files. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "host_common.h"

#define LINE_CODE 31120000
#define AREA_CODE 31410000

static const double X0 = 6000000.0, Y0 = 7400000.0;

static void MakeClassifier(const char* path) {
  static const PKGHOSTKIND kinds[] = {{LINE_CODE, 0, "LINE"}, {AREA_CODE, 1, "AREA"}};
  PkgHostMakeClassifier(path, "SHAPES", kinds, 2, NULL);
}

/* A square of side 100 m whose least corner lies (dx, dy) from the sheet's. */
static HOBJ Square(HMAP map, double dx, double dy) {
  static const double corners[5][2] = {{0, 0}, {0, 100}, {100, 100}, {100, 0}, {0, 0}};
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  int i;
  CHECK(object != 0);
  if (object == 0) return 0;
  CHECK(mapRegisterObject(object, AREA_CODE, 1) == 1);
  for (i = 0; i < 5; ++i)
    CHECK(mapAppendPointPlane(object, X0 + dx + corners[i][0], Y0 + dy + corners[i][1], 0) != 0);
  return object;
}

static HOBJ Line(HMAP map, double x1, double y1, double x2, double y2) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  CHECK(object != 0);
  if (object == 0) return 0;
  CHECK(mapRegisterObject(object, LINE_CODE, 0) == 1);
  CHECK(mapAppendPointPlane(object, X0 + x1, Y0 + y1, 0) != 0);
  CHECK(mapAppendPointPlane(object, X0 + x2, Y0 + y2, 0) != 0);
  return object;
}

/* The square cut by the line: 4000 and 6000 square metres in some order,
 * each piece committed as a new object. */
static void Cut(HMAP map, HOBJ square, HOBJ line) {
  HANDLE cut = mapCreateObjectCutByLine(line, square, 1, 0.001);
  HOBJ piece = mapCreateObject(map, 1, 0, 0);
  double areas[3] = {0, 0, 0};
  int n = 0;
  CHECK(cut != 0);
  if (cut == 0 || piece == 0) return;
  while (n < 3 && mapGetNextCut(cut, piece) == piece) {
    areas[n++] = mapSquare(piece);
    CHECK(mapCommitObjectAsNew(piece) > 0);
  }
  mapFreeObjectsCut(cut);
  mapFreeObject(piece);
  CHECK(n == 2);
  CHECK(fabs(areas[0] + areas[1] - 10000) < 1);
  CHECK(fabs(fabs(areas[0] - areas[1]) - 2000) < 1);
  CHECK(mapGetNextCut(cut, piece) == 0); /* freed handles are refused */
}

static void Unite(HMAP map, HOBJ a, HOBJ b) {
  HOBJ result = mapCreateObject(map, 1, 0, 0);
  CHECK(mapGetObjectsUnion(a, b, result, 1, 0.001) == result);
  CHECK(fabs(mapSquare(result) - 15000) < 1);
  mapFreeObject(result);
}

/* The line meets the square where it enters and where it leaves. */
static void Crossings(HOBJ line, HOBJ square) {
  HANDLE list = mapCreateObjectCrossPoints(line, square);
  CROSSPOINT point;
  double low = 1e300, high = -1e300;
  LONG i;
  CHECK(list != 0);
  if (list == 0) return;
  CHECK(mapGetCrossCount(list) == 2);
  for (i = 1; i <= mapGetCrossCount(list); ++i) {
    CHECK(mapGetCrossPoint(list, i, &point) == 1);
    CHECK(fabs(point.Y - (Y0 + 140)) < 0.01);
    CHECK(point.Object1 == line && point.Object2 == square);
    if (point.X < low) low = point.X;
    if (point.X > high) high = point.X;
  }
  CHECK(fabs(low - (X0 + 100)) < 0.01 && fabs(high - (X0 + 200)) < 0.01);
  CHECK(mapGetCrossPoint(list, 3, &point) == 0);
  mapFreeCrossPoints(list);
}

int main(int argc, char** argv) {
  char rsc[512], path[512];
  HMAP map;
  HOBJ a, b, line;
  if (argc < 2) {
    fprintf(stderr, "usage: host_geometry <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(rsc, sizeof rsc, "%s/shapes.rsc", argv[1]);
  snprintf(path, sizeof path, "%s/shapes.map", argv[1]);
  MakeClassifier(rsc);
  map = pkghost_failures == 0 ? PkgHostMakeMap(path, rsc, "SHAPES-1", X0, Y0, 2000) : 0;
  CHECK(map != 0);
  if (map == 0) return 1;
  a = Square(map, 100, 100);
  b = Square(map, 150, 100);
  line = Line(map, 50, 140, 250, 140);
  if (pkghost_failures == 0) {
    Crossings(line, a);
    Unite(map, a, b);
    Cut(map, a, line);
  }
  mapFreeObject(a);
  mapFreeObject(b);
  mapFreeObject(line);
  mapCloseData(map);
  if (pkghost_failures == 0) printf("C geometry host: cut, union and crossings checked\n");
  return pkghost_failures == 0 ? 0 : 1;
}
