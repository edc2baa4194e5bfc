/* A host written in C99 that keeps an object set through the C functions
 * alone: it makes a line classifier and a map, starts a hierarchy with a
 * written leader, adds a subordinate never written before, saves the set,
 * checks that the set's member handles survive mapFreeObject and die with
 * the set, then opens the map again and finds the group from the
 * subordinate. Exits 0 when every check holds and prints each failed
 * check. argv[1] is a folder for its files. */
#include <stdio.h>
#include <string.h>

#include "host_common.h"

#define ROAD_CODE 31120000

static const double X0 = 6000000.0, Y0 = 7400000.0;

static void MakeClassifier(const char* path) {
  static const PKGHOSTKIND kinds[] = {{ROAD_CODE, 0, "ROAD"}};
  PkgHostMakeClassifier(path, "SETS", kinds, 1, NULL);
}

/* A new line of two points on sheet 1, not yet written. */
static HOBJ NewLine(HMAP map, double shift) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  CHECK(object != 0);
  if (object == 0) return 0;
  CHECK(mapRegisterObject(object, ROAD_CODE, 0) == 1);
  CHECK(mapAppendPointPlane(object, X0 + 100.0 + shift, Y0 + 100.0, 0) != 0);
  CHECK(mapAppendPointPlane(object, X0 + 300.0 + shift, Y0 + 250.0, 0) != 0);
  return object;
}

/* Builds the group: its number (the leader's key); the subordinate's
 * object number in `subordinate`. */
static LONG Build(HMAP map, LONG* subordinate) {
  HSET set = mapCreateObjectSet();
  HOBJ leader = NewLine(map, 0.0), sub = NewLine(map, 500.0), member;
  LONG number = 0, key;
  DFRAME frame;
  CHECK(set != 0);
  CHECK(mapCommit(leader) > 0);
  key = mapObjectKey(leader);
  CHECK(mapObjectSetAppendGeneral(set, leader, 1) == 1);
  /* The subordinate is written first so that it has a key; its group
   * semantic reaches the map at the save. */
  CHECK(mapObjectSetAppendSubordinate(set, sub, 0) == 1);
  CHECK(mapGetObjectNumber(sub) > 0);
  CHECK(mapObjectSetSave(set, 0) == 1);
  CHECK(mapObjectSetCount(set) == 2);
  CHECK(mapObjectSetIsGroup(set, sub, &number) == GROUPSEM_SUBORDINATE);
  CHECK(number == key);
  CHECK(mapObjectSetGetTypeSemn(set, leader, GROUPSEM_LEADER) == key);
  CHECK(mapObjectSetFramePlane(set, &frame) == 1);
  CHECK(frame.X1 < X0 + 101.0 && frame.X2 > X0 + 799.0);

  /* Member handles belong to the set. */
  CHECK(mapObjectSetObject(set, 0) == 0);
  CHECK(mapObjectSetObject(set, 3) == 0);
  member = mapObjectSetObject(set, 2);
  CHECK(member != 0);
  mapFreeObject(member);
  CHECK(mapObjectKey(member) == mapObjectKey(sub));
  CHECK(mapObjectKey(mapObjectSetFindGeneral(set, 0)) == key);
  *subordinate = mapGetObjectNumber(sub);
  mapFreeObjectSet(set);
  CHECK(mapObjectKey(member) == 0);
  CHECK(mapObjectSetCount(set) == 0);
  CHECK(mapObjectSetObject(set, 1) == 0);
  mapFreeObject(leader);
  mapFreeObject(sub);
  return key;
}

/* Opens the map again and finds the whole group from the subordinate. */
static void Find(const char* path, LONG number, LONG subordinate) {
  HMAP map = mapOpenData(path, 0);
  HOBJ object;
  HSET set;
  CHECK(map != 0);
  if (map == 0) return;
  object = mapCreateObject(map, 1, 0, 0);
  set = mapCreateObjectSet();
  CHECK(mapReadObjectByNumber(map, 0, object, 1, subordinate) == object);
  CHECK(mapBuildObjectSet(set, object) == 1);
  CHECK(mapObjectSetCount(set) == 2);
  CHECK(mapObjectKey(mapObjectSetFindGeneral(set, 0)) == number);
  CHECK(mapObjectSetGetTypeSemn(set, object, GROUPSEM_SUBORDINATE) == number);
  mapFreeObjectSet(set);
  mapFreeObject(object);
  mapCloseData(map);
}

int main(int argc, char** argv) {
  char rsc[512], path[512];
  HMAP map;
  LONG number = 0, subordinate = 0;
  if (argc < 2) {
    fprintf(stderr, "usage: host_sets <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(rsc, sizeof rsc, "%s/sets.rsc", argv[1]);
  snprintf(path, sizeof path, "%s/sets.map", argv[1]);
  MakeClassifier(rsc);
  map = pkghost_failures == 0 ? PkgHostMakeMap(path, rsc, "SETS-1", X0, Y0, 20000) : 0;
  CHECK(map != 0);
  if (map != 0) {
    number = Build(map, &subordinate);
    mapCloseData(map);
    Find(path, number, subordinate);
  }
  if (pkghost_failures == 0) printf("C set host: a group of two built, saved and found again\n");
  return pkghost_failures == 0 ? 0 : 1;
}
