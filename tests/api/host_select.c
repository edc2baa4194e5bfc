/* A host written in C99 that keeps a selection through the C functions
 * alone: on a map of two sheets of roads and lakes it selects the lakes of
 * sheet 2 within a key range, keeps the select record, and puts it into a
 * new context, also after the map was closed and opened again; each finds
 * the same objects. Exits 0 when every check holds and prints each failed
 * check. argv[1] is a folder for its files. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host_common.h"

#define ROAD_CODE 31120000
#define LAKE_CODE 31410000

enum { PER_SHEET = 20, MAX_FOUND = 64 };

static const double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;

static LONG lakeKind = 0;

static void MakeClassifier(const char* path) {
  static const PKGHOSTKIND kinds[] = {{ROAD_CODE, 0, "ROAD"}, {LAKE_CODE, 1, "LAKE"}};
  LONG incodes[2] = {0, 0};
  PkgHostMakeClassifier(path, "LAKES", kinds, 2, incodes);
  lakeKind = incodes[1];
}

/* Object n of a sheet: a lake (a square) for even n, else a road. */
static void Append(HMAP map, LONG sheet, int n) {
  HOBJ object = mapCreateObject(map, sheet, 0, 0);
  const double x = X0 + 100 + n * 300, y = Y0 + (sheet - 1) * SIDE + 100;
  const int lake = n % 2 == 0;
  CHECK(object != 0);
  if (object == 0) return;
  CHECK(mapRegisterObject(object, lake ? LAKE_CODE : ROAD_CODE, lake) == 1);
  CHECK(mapAppendPointPlane(object, x, y, 0) != 0);
  CHECK(mapAppendPointPlane(object, x + 100, y, 0) != 0);
  if (lake) {
    CHECK(mapAppendPointPlane(object, x + 100, y + 100, 0) != 0);
    CHECK(mapAppendPointPlane(object, x, y + 100, 0) != 0);
    CHECK(mapAppendPointPlane(object, x, y, 0) != 0);
  }
  CHECK(mapCommit(object) > 0);
  mapFreeObject(object);
}

/* The keys of the objects the context lets a search find, in order: their
 * number. */
static int Found(HMAP map, HSELECT select, LONG* keys) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  LONG flags = SEEK_FIRST;
  int n = 0;
  while (n < MAX_FOUND && mapSeekSelectObject(map, object, select, flags) != 0) {
    keys[n++] = mapObjectKey(object);
    flags = SEEK_NEXT;
  }
  mapFreeObject(object);
  return n;
}

/* A new context on the map from the record: it finds what `keys` holds. */
static void PutAndFind(HMAP map, const char* record, LONG size, const LONG* keys, int count) {
  LONG found[MAX_FOUND];
  HSELECT select = mapCreateMapSelectContext(map);
  CHECK(select != 0);
  CHECK(mapPutSelectRecord(select, record, size) == SELECTRECORD_HEAD);
  CHECK(Found(map, select, found) == count);
  CHECK(memcmp(found, keys, sizeof(LONG) * (size_t)count) == 0);
  CHECK(mapCheckObject(select, lakeKind) == 1 && mapCheckObject(select, lakeKind - 1) == 0);
  mapDeleteSelectContext(select);
}

int main(int argc, char** argv) {
  char rsc[512], path[512];
  LISTREGISTER second;
  SELECTRECORD head;
  LONG keys[MAX_FOUND], size;
  char* record;
  HMAP map;
  HSELECT select;
  int n, count;
  if (argc < 2) {
    fprintf(stderr, "usage: host_select <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(rsc, sizeof rsc, "%s/lakes.rsc", argv[1]);
  snprintf(path, sizeof path, "%s/lakes.map", argv[1]);
  MakeClassifier(rsc);
  map = pkghost_failures == 0 ? PkgHostMakeMap(path, rsc, "LAKES-1", X0, Y0, SIDE) : 0;
  CHECK(map != 0);
  if (map == 0) return 1;
  PkgHostSquareSheet(&second, "LAKES-2", "S2", X0, Y0 + SIDE, SIDE);
  CHECK(mapCreateList(map, &second) == 1);
  for (n = 0; n < 2 * PER_SHEET; ++n) Append(map, n < PER_SHEET ? 1 : 2, n % PER_SHEET);

  /* The lakes of sheet 2 but the first two, by their keys. */
  select = mapCreateMapSelectContext(map);
  CHECK(select != 0);
  mapSelectObject(select, -1, 0);
  mapSelectObject(select, lakeKind, 1);
  mapSelectList(select, 1, 0);
  CHECK(Found(map, select, keys) == PER_SHEET / 2);
  mapSelectKey(select, keys[2], keys[PER_SHEET / 2 - 1]);
  count = Found(map, select, keys);
  CHECK(count == PER_SHEET / 2 - 2);

  size = mapGetSelectRecordSize(select);
  CHECK(size > SELECTRECORD_HEAD);
  record = (char*)malloc((size_t)size);
  CHECK(mapGetSelectRecord(select, record, size - 1) == 0);
  CHECK(mapGetSelectRecord(select, record, size) == size);
  memcpy(&head, record, sizeof head);
  CHECK(head.Tag == SELECTRECORD_TAG && head.Length == (DWORD)size);
  CHECK(head.Sheets.Count == 1 && head.Sheets.Selected == 1);
  CHECK(strcmp(record + head.Sheets.Offset + 4, "LAKES-2") == 0);
  CHECK(head.Kinds.Count == 1 && head.Kinds.Selected == 1);
  mapDeleteSelectContext(select);

  PutAndFind(map, record, size, keys, count);
  mapCloseData(map);
  map = mapOpenData(path, 0);
  CHECK(map != 0);
  if (map != 0) {
    PutAndFind(map, record, size, keys, count);
    mapCloseData(map);
  }
  free(record);
  if (pkghost_failures == 0)
    printf("C select host: %d objects found again through the record\n", count);
  return pkghost_failures == 0 ? 0 : 1;
}
