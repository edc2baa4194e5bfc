/* A host written in C99 that keeps user maps through the C functions
 * alone: it makes a classifier of a line, an area and a title kind and a
 * map, adds a user map, builds its margin from a template, inspects,
 * searches, edits, copies and deletes user maps, hands a passport record
 * on, paints legend samples, and checks that every function refuses a
 * null, a freed and a foreign handle. Exits 0 when every check holds and
 * prints each failed check. argv[1] is a folder for its files. */
#include <stdio.h>
#include <string.h>

#include "host_common.h"

#define ROAD_CODE 31120000
#define LAKE_CODE 31410000
#define TITLE_CODE 91000000

static const double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;

static void MakeClassifier(const char* path) {
  static const PKGHOSTKIND kinds[] = {{ROAD_CODE, LOCAL_LINE, "ROAD"},
                                      {LAKE_CODE, LOCAL_SQUARE, "LAKE"},
                                      {TITLE_CODE, LOCAL_TITLE, "TITLE"}};
  PkgHostMakeClassifier(path, "SITES", kinds, 3, NULL);
}

/* Every function that takes a map handle first, called with `map` (null,
 * foreign or freed): each must refuse it. */
static void Refused(HMAP map, HSITE site, HOBJ object, HSELECT select) {
  char buffer[800];
  MAPREGISTEREX reg;
  LISTREGISTER sheet;
  DOUBLEPOINT point = {X0, Y0};
  DFRAME frame = {X0, Y0, X0 + 100.0, Y0 + 100.0};
  RECT rect = {0, 0, 40, 40};
  LONG low = 0, high = 0;
  memset(buffer, 0, sizeof buffer);
  CHECK(mapGetMap(map, site) == 0);
  CHECK(mapGetSiteCount(map) == 0);
  CHECK(mapGetSiteNumber(map, site) == 0);
  CHECK(mapGetSiteIdent(map, 1) == 0);
  CHECK(mapGetSiteIdentByName(map, "u.sit") == 0);
  CHECK(mapGetObjectSiteIdent(map, object) == 0);
  CHECK(mapOpenSiteForMap(map, "u.sit", 0) == 0);
  CHECK(mapCloseSiteForMap(map, site) == 0);
  CHECK(mapCloseSiteForMapByName(map, "u.sit") == 0);
  CHECK(mapDeleteSite(map, 1) == 0);
  CHECK(mapCopySite(map, site, "c.sit") == 0);
  CHECK(strcmp(mapGetSiteFileName(map, site), "") == 0);
  CHECK(strcmp(mapGetSiteName(map, site), "") == 0);
  CHECK(mapGetSiteType(map, site) == 0);
  CHECK(mapGetSiteScale(map, site) == 0);
  CHECK(mapGetSiteX1(map, site) == 0.0 && mapGetSiteY1(map, site) == 0.0);
  CHECK(mapGetSiteX2(map, site) == 0.0 && mapGetSiteY2(map, site) == 0.0);
  CHECK(mapGetSiteMode(map, site) == 0);
  CHECK(mapGetSiteObjectCount(map, site) == 0);
  CHECK(mapGetSiteLayerCount(map, site) == 0);
  CHECK(strcmp(mapGetSiteLayerName(map, site, 1), "") == 0);
  CHECK(mapGetSiteEditFlag(map, site) == 0 && mapSetSiteEditFlag(map, site, 1) == 0);
  CHECK(mapGetSiteViewFlag(map, site) == 0 && mapSetSiteViewFlag(map, site, 1) == 0);
  CHECK(mapGetSiteViewOrder(map, 1) == 0 && mapSetSiteViewOrder(map, 1, 1) == 0);
  CHECK(mapGetSiteRangeScaleVisible(map, 1, &low, &high) == 0);
  CHECK(mapSetSiteRangeScaleVisible(map, 1, 1, 2) == 0);
  CHECK(mapGetSiteInfoEx(map, site, &reg, &sheet, 1) == 0);
  CHECK(mapGetSiteInfo(map, site, &reg, &sheet) == 0);
  CHECK(mapGetMapPassportRecordLength(map, site) == 0);
  CHECK(mapGetMapPassportRecord(map, site, buffer, sizeof buffer) == 0);
  CHECK(mapSetSiteBorder(map, site, &point, &point, 1) == 0);
  CHECK(mapSiteRscObjectCount(map, site) == 0);
  CHECK(mapSiteRscObjectCountInLayer(map, site, 0) == 0);
  CHECK(strcmp(mapSiteRscObjectNameInLayer(map, site, 0, 1), "") == 0);
  CHECK(mapSiteRscObjectExcodeInLayer(map, site, 0, 1) == 0);
  CHECK(mapSiteRscObjectLocalInLayer(map, site, 0, 1) == 0);
  CHECK(mapSiteRscObjectCodeInLayer(map, site, 0, 1) == 0);
  CHECK(mapSiteRscObjectCode(map, site, ROAD_CODE, LOCAL_LINE) == 0);
  CHECK(mapCreateSiteObject(map, site, 0, 0) == 0);
  CHECK(mapChangeObjectMap(object, map, site) == 0);
  CHECK(mapSeekSiteObject(map, site, object, 1) == 0);
  CHECK(mapSeekSiteSelectObject(map, site, object, select, 0) == 0);
  CHECK(mapSeekSiteViewObject(map, site, object, select, 0) == 0);
  CHECK(mapGetSiteObjectNumberByKey(map, site, 1) == 0);
  CHECK(mapDeleteSiteObjectNumber(map, site, 1) == 0);
  CHECK(mapDeleteSiteObjectByNumber(map, site, 1) == 0);
  CHECK(mapGetSiteViewSelect(map, site, select) == 0);
  CHECK(mapSetSiteViewSelect(map, site, select) == 0);
  CHECK(mapGetSiteSeekSelect(map, site, select) == 0);
  CHECK(mapSetSiteSeekSelect(map, site, select) == 0);
  CHECK(mapCreateSiteSelectContext(map, site) == 0);
  CHECK(mapPaintExampleSiteObject(map, site, 0, &rect, 1) == 0);
  CHECK(mapPaintExampleRscObject(map, 0, 0, &rect, 1) == 0);
  CHECK(mapMessageToLog(map, site, "text", 0) == 0);
  CHECK(mapPaintExampleObject(map, 0, &rect, 1) == 0);
  CHECK(mapPaintExampleObjectEx(map, 0, &rect, 1, 3) == 0);
  CHECK(mapPaintExampleObjectFunc(map, 0, 0, 0, 40, 40, 128, buffer, 0, NULL, 0, NULL) == 0);
  CHECK(mapPaintExampleObjectRealByFuncData(map, 0, &rect, 128, buffer, NULL, 0, NULL, 0,
                                            NULL) == 0);
  CHECK(mapAddMarginalRepresentationSite(map, site, "t.txt", &frame) == 0);
  CHECK(mapAddMarginalRepresentationSiteEx(map, site, "t.txt", &frame, 0.5, &point) == 0);
  CHECK(mapCreateLineSite(map, site, ROAD_CODE, X0, Y0, X0 + 1, Y0 + 1, 0.0, NULL) == 0);
  CHECK(mapCreateFrameFillSite(map, site, ROAD_CODE, 0, 0, 10.0, &frame, 0.0, NULL) == 0);
  CHECK(mapCreateTitleSite(map, site, TITLE_CODE, "A", X0, Y0, X0, Y0 + 9, 0, 0, 0.0, NULL) ==
        0);
}

int main(int argc, char** argv) {
  char rsc[512], path[512], user[512], copy[512], made[512], plan[512];
  char record[760];
  LONG low = 0, high = 0, key, kinds;
  HMAP map, freed;
  HSITE site, other, foreign = (HSITE)&pkghost_failures;
  HOBJ object;
  HSELECT select;
  CREATESITE create;
  MAPREGISTEREX reg;
  LISTREGISTER sheet;
  DOUBLEPOINT a = {X0 + 1000.0, Y0 + 1000.0}, b = {X0 + 9000.0, Y0 + 9000.0};
  DFRAME frame = {X0 + 2000.0, Y0 + 2000.0, X0 + 8000.0, Y0 + 8000.0};
  RECT rect = {0, 0, 60, 30};
  DWORD line[2] = {0x0000FF, 500};
  char text[16] = "a\xFF";
  FILE* file;
  HDC dc;
  if (argc < 2) {
    fprintf(stderr, "usage: host_sites <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(rsc, sizeof rsc, "%s/sites.rsc", argv[1]);
  snprintf(path, sizeof path, "%s/sites.map", argv[1]);
  snprintf(user, sizeof user, "%s/user.sit", argv[1]);
  snprintf(copy, sizeof copy, "%s/copy.sit", argv[1]);
  snprintf(made, sizeof made, "%s/made.sit", argv[1]);
  snprintf(plan, sizeof plan, "%s/margin.txt", argv[1]);
  MakeClassifier(rsc);
  map = pkghost_failures == 0 ? PkgHostMakeMap(path, rsc, "SITES-1", X0, Y0, SIDE) : 0;
  CHECK(map != 0);
  if (map == 0) return 1;
  memset(&create, 0, sizeof create);
  create.Length = sizeof create;
  strcpy(create.MapName, "Margin");
  site = mapCreateAndAppendSite(map, user, rsc, &create);
  CHECK(site != 0);

  /* The chain. */
  CHECK(mapGetMap(map, site) != 0 && mapGetMap(map, 0) != 0);
  CHECK(mapGetSiteCount(map) == 1);
  CHECK(mapGetSiteNumber(map, site) == 1);
  CHECK(mapGetSiteIdent(map, 1) == site);
  CHECK(mapGetSiteIdentByName(map, user) == site);
  CHECK(mapGetSiteIdentByName(map, path) == 0);
  CHECK(mapOpenSiteForMap(map, user, 0) == site);
  CHECK(strcmp(mapGetSiteName(map, site), "Margin") == 0);
  CHECK(strcmp(mapGetSiteFileName(map, site), user) == 0);
  CHECK(mapGetSiteScale(map, site) == 100000);
  CHECK(mapGetSiteMode(map, site) >= 0);

  /* Its margin from a template, and objects of its own. */
  file = fopen(plan, "wb");
  CHECK(file != NULL);
  if (file != NULL) {
    fputs("FRAME\n.RSCFRAME 31120000 5 31410000 31120000\n.RSCLINE 31120000 0 0 60 60\n"
          ".RSCTEXT 91000000 3 0 0 0 20 0 North\n.DIRECTION 31120000 8 -5 0 10\n",
          file);
    fclose(file);
  }
  CHECK(mapAddMarginalRepresentationSite(map, site, plan, &frame) == 1);
  CHECK(mapGetSiteObjectCount(map, site) == 6);
  CHECK(mapAddMarginalRepresentationSiteEx(map, site, plan, &frame, 0.1, &a) == 1);
  CHECK(mapGetSiteObjectCount(map, site) == 12);
  CHECK(mapCreateLineSite(map, site, ROAD_CODE, a.X, a.Y, b.X, b.Y, 0.0, NULL) == 1);
  CHECK(mapCreateLineSite(map, site, 12345, a.X, a.Y, b.X, b.Y, 0.0, NULL) == 0);
  CHECK(mapCreateFrameFillSite(map, site, 0, LAKE_CODE, 0, 100.0, &frame, 0.0, NULL) == 1);
  CHECK(mapCreateTitleSite(map, site, TITLE_CODE, "Title", a.X, a.Y, a.X, b.Y, 1, 1, 0.0, NULL) ==
        1);
  CHECK(mapGetSiteObjectCount(map, site) == 15);
  CHECK(mapGetSiteX2(map, site) >= mapGetSiteX1(map, site));
  CHECK(mapGetSiteY2(map, site) >= mapGetSiteY1(map, site));
  CHECK(mapSetSiteBorder(map, site, &a, &b, 1) == 1);

  /* Facts of its classifier: the three kinds after the service kinds of
   * a new classifier, all in layer 0. */
  kinds = mapSiteRscObjectCount(map, site);
  CHECK(kinds >= 3);
  CHECK(mapSiteRscObjectCountInLayer(map, site, 0) == kinds);
  CHECK(mapGetSiteLayerCount(map, site) >= 1);
  CHECK(mapGetSiteLayerName(map, site, 0) != NULL);
  CHECK(strcmp(mapSiteRscObjectNameInLayer(map, site, 0, kinds - 2), "ROAD") == 0);
  CHECK(mapSiteRscObjectExcodeInLayer(map, site, 0, kinds - 1) == LAKE_CODE);
  CHECK(mapSiteRscObjectLocalInLayer(map, site, 0, kinds - 2) == LOCAL_LINE);
  CHECK(mapSiteRscObjectCodeInLayer(map, site, 0, kinds) == kinds);
  CHECK(mapSiteRscObjectCode(map, site, TITLE_CODE, LOCAL_TITLE) == kinds);

  /* Flags. */
  CHECK(mapSetSiteEditFlag(map, site, 1) == 1 && mapGetSiteEditFlag(map, site) == 1);
  CHECK(mapSetSiteViewFlag(map, site, 1) == 1 && mapGetSiteViewFlag(map, site) == 1);
  CHECK(mapGetSiteViewOrder(map, 0) == 0);
  CHECK(mapSetSiteViewOrder(map, 1, 5) == 1 && mapGetSiteViewOrder(map, 1) == 1);
  CHECK(mapSetSiteRangeScaleVisible(map, 1, 10, 1000000) == 1);
  CHECK(mapGetSiteRangeScaleVisible(map, 1, &low, &high) == 1 && low == 10 && high == 1000000);

  /* Objects: made, searched, moved, deleted. */
  object = mapCreateSiteObject(map, site, 0, 0);
  CHECK(object != 0);
  CHECK(mapRegisterObject(object, ROAD_CODE, LOCAL_LINE) != 0);
  CHECK(mapAppendPointPlane(object, a.X, a.Y, 0) != 0);
  CHECK(mapAppendPointPlane(object, b.X, a.Y, 0) != 0);
  CHECK(mapCommit(object) > 0);
  key = mapObjectKey(object);
  CHECK(mapGetObjectSiteIdent(map, object) == site);
  CHECK(mapGetSiteObjectNumberByKey(map, site, (DWORD)key) == 16);
  CHECK(mapSeekSiteObject(map, site, object, (DWORD)key) == object);
  select = mapCreateSiteSelectContext(map, site);
  CHECK(select != 0);
  CHECK(mapGetSiteSeekSelect(map, site, select) == 1);
  CHECK(mapSetSiteSeekSelect(map, site, select) == 1);
  CHECK(mapGetSiteViewSelect(map, site, select) == 1);
  CHECK(mapSetSiteViewSelect(map, site, select) == 1);
  CHECK(mapSeekSiteSelectObject(map, site, object, select, SEEK_FIRST) == object);
  CHECK(mapSeekSiteViewObject(map, site, object, select, SEEK_FIRST) == object);
  CHECK(mapDeleteSiteObjectNumber(map, site, 16) == 1);
  CHECK(mapDeleteSiteObjectByNumber(map, site, 15) == 1);
  CHECK(mapSetObjectMap(object, site) == 1);
  CHECK(mapChangeObjectMap(object, map, 0) == 1);
  CHECK(mapSetObjectMap(object, foreign) == 0);
  CHECK(mapMessageToLog(map, site, NULL, 0) == 0);

  /* Passports. */
  CHECK(mapGetSiteInfoEx(map, site, &reg, &sheet, 1) == 1 && reg.Length == 208);
  CHECK(mapGetSiteInfo(map, site, &reg, &sheet) == 1 && reg.Length == 128);
  CHECK(mapGetMapPassportRecordLength(map, site) == 760);
  CHECK(mapGetMapPassportRecord(map, site, record, 759) == 0);
  CHECK(mapGetMapPassportRecord(map, site, record, 760) == 1);
  other = mapPutMapPassportRecord(map, made, rsc, record, 760);
  CHECK(other != 0 && mapGetSiteNumber(map, other) == 2);
  record[1] = 'X';
  CHECK(mapPutMapPassportRecord(map, made, rsc, record, 760) == 0);

  /* A copy, opened, closed and deleted by name and by number. */
  CHECK(mapCopySite(map, site, "copy.sit") == 1);
  CHECK(mapCopySite(map, site, user) == 0);
  other = mapOpenSiteForMap(map, copy, 0);
  CHECK(other != 0 && mapGetSiteObjectCount(map, other) >= 14);
  CHECK(mapCloseSiteForMapByName(map, copy) == 1);
  CHECK(mapDeleteSiteByName(copy) == 1);
  CHECK(mapOpenSiteForMap(map, copy, 0) == 0);
  CHECK(mapCloseSiteForMap(map, mapGetSiteIdent(map, 2)) == 1);
  CHECK(mapGetSiteCount(map) == 1);

  /* Legend samples, into a bitmap of the host; none without a device
   * context. */
  dc = platCreateBitmapDC(60, 30, 1);
  CHECK(dc != 0);
  CHECK(mapPaintExampleObject(map, dc, &rect, 0) == 1);
  CHECK(mapPaintExampleObjectEx(map, dc, &rect, 1, 1) == 1);
  CHECK(mapPaintExampleSiteObject(map, site, dc, &rect, 2) == 1);
  CHECK(mapPaintExampleRscObject(map, mapGetRscIdent(map, site), dc, &rect, 1) == 1);
  CHECK(mapPaintExampleObjectFunc(map, dc, 0, 0, 60, 30, 128, (const char*)line, 0, NULL, 0,
                                  NULL) == 1);
  CHECK(mapPaintExampleObjectRealByFuncData(map, dc, &rect, 128, (const char*)line, NULL, 0, NULL,
                                            0, "x") == 1);
  CHECK(mapPaintExampleObject(map, 0, &rect, 0) == 0);
  CHECK(mapPaintExampleSiteObject(map, site, 0, &rect, 2) == 0);
  CHECK(platDeleteBitmapDC(dc) == 1);
  CHECK(mapSetSiteContext(1, 2) == 0);
  CHECK(mapPreSscanf(text, 16, 0) == 1 && text[1] == '^');
  CHECK(mapPostSscanf(text, 16, 0) == 1 && text[1] == '\xFF');

  /* Null, foreign and freed handles. */
  Refused(0, site, object, select);
  Refused((HMAP)&pkghost_failures, site, object, select);
  /* A site of no document is refused by a live document. */
  CHECK(mapGetSiteNumber(map, foreign) == 0 && mapGetMap(map, foreign) == 0);
  CHECK(mapCloseSiteForMap(map, foreign) == 0 && mapCopySite(map, foreign, "f.sit") == 0);
  CHECK(mapCreateSiteObject(map, foreign, 0, 0) == 0);
  CHECK(mapCreateLineSite(map, foreign, ROAD_CODE, a.X, a.Y, b.X, b.Y, 0.0, NULL) == 0);
  CHECK(mapGetSiteCount(map) == 1);
  mapDeleteSelectContext(select);
  mapFreeObject(object);
  CHECK(mapDeleteSite(map, 1) == 1);
  CHECK(mapGetSiteCount(map) == 0);
  freed = map;
  mapCloseData(map);
  Refused(freed, 0, 0, 0);
  if (pkghost_failures == 0) printf("C site host: every user-map function answered\n");
  return pkghost_failures == 0 ? 0 : 1;
}
