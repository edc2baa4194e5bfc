/* A host in plain C99 built with the flags of pkg-config alone: the files
 * a document holds open are never written over by a passport record or a
 * copy of a user map, a copy that goes through replaces the files it finds
 * without leaving temporary ones, each coordinate conversion answers for
 * itself, and a user map a project lists that is missing is not found.
 * Usage: pkghost_openfiles <empty folder> */
#define _POSIX_C_SOURCE 200809L
#include <dirent.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "api/mapapi.h"
#include "pkghost.h"

#define WELL_CODE 31510000L
#define PI 3.14159265358979323846

static const char* folder = ".";
static const double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;

static void Path(char* path, const char* name) { snprintf(path, 1024, "%s/%s", folder, name); }

/* The whole of a file (at most 1 MB) and its length; -1 when missing. */
static LONG ReadFile(const char* path, char* bytes) {
  FILE* f = fopen(path, "rb");
  LONG n;
  if (f == NULL) return -1;
  n = (LONG)fread(bytes, 1, 1 << 20, f);
  fclose(f);
  return n;
}

static int SameFile(const char* path, const char* bytes, LONG length) {
  static char now[1 << 20];
  return ReadFile(path, now) == length && memcmp(now, bytes, (size_t)length) == 0;
}

static void WriteText(const char* path, const char* text) {
  FILE* f = fopen(path, "wb");
  if (f == NULL) return;
  fputs(text, f);
  fclose(f);
}

/* The number of files in the folder. */
static int FileCount(void) {
  DIR* dir = opendir(folder);
  int count = 0;
  if (dir == NULL) return -1;
  while (readdir(dir) != NULL) ++count;
  closedir(dir);
  return count;
}

/* The codes the host window is sent. */
static LONG codes[64];
static int codeCount = 0;
static LRESULT CALLBACK HostWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                   void* context) {
  (void)window, (void)lparam, (void)context;
  if (message == WM_MAP_ERROR && codeCount < 64) codes[codeCount++] = (LONG)wparam;
  return 0;
}

static int Sent(LONG code) {
  int i;
  for (i = 0; i < codeCount; ++i)
    if (codes[i] == code) return 1;
  return 0;
}

/* A classifier with a black well. */
static int MakeClassifier(const char* path) {
  static const DWORD well[] = {0x000000, 0, 1500};
  RSCCREATE create;
  RSCOBJECT kind;
  HRSC rsc;
  LONG incode;
  int ok;
  memset(&create, 0, sizeof create);
  strcpy(create.Name, "HOST");
  create.Scale = 100000;
  create.Language = 1;
  rsc = mapCreateRsc(path, &create, NULL);
  if (rsc == 0) return 0;
  memset(&kind, 0, sizeof kind);
  kind.Length = sizeof kind;
  kind.Excode = WELL_CODE;
  kind.Local = LOCAL_POINT;
  strcpy(kind.Name, "WELL");
  incode = mapAppendRscObject(rsc, &kind);
  ok = incode > 0 && mapSetRscObjectImage(rsc, incode, 12, PRIM_CIRCLE, (const char*)well) &&
       mapCommitRsc(rsc);
  mapCloseRsc(rsc);
  return ok;
}

static HMAP MakeMap(const char* path, const char* rsc) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  memset(&map, 0, sizeof map);
  map.Length = MAPREGISTER_LENGTH;
  strcpy(map.Name, "HOST MAP");
  map.Scale = 100000;
  map.MapType = MAPTYPE_TOPOGRAPHIC;
  map.MaterialProjection = PRJ_GAUSSKRUGER;
  map.EllipsoideKind = ELLIPSOID_KRASOVSKY;
  map.AxisMeridian = 39.0 * PI / 180.0;
  map.DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
  memset(&sheet, 0, sizeof sheet);
  sheet.Length = LISTREGISTER_LENGTH;
  strcpy(sheet.Nomenclature, "HOST-1");
  strcpy(sheet.FileName, "HOST1");
  sheet.XSouthWest = X0, sheet.YSouthWest = Y0;
  sheet.XNorthWest = X0 + SIDE, sheet.YNorthWest = Y0;
  sheet.XNorthEast = X0 + SIDE, sheet.YNorthEast = Y0 + SIDE;
  sheet.XSouthEast = X0, sheet.YSouthEast = Y0 + SIDE;
  return mapCreateMapEx(path, rsc, &map, &sheet);
}

/* A well at (x, y) metres from the sheet's corner, on the main map
 * (site 0) or a user map. */
static int AppendWell(HMAP map, HSITE site, double x, double y) {
  HOBJ object = site ? mapCreateSiteObject(map, site, 0, 0) : mapCreateObject(map, 1, 0, 0);
  int ok = object != 0 && mapRegisterObject(object, WELL_CODE, LOCAL_POINT) &&
           mapAppendPointPlane(object, X0 + x, Y0 + y, 0) && mapCommit(object) > 0;
  mapFreeObject(object);
  return ok;
}

int main(int argc, char** argv) {
  static char mapBytes[1 << 20], userBytes[1 << 20], copyBytes[1 << 20];
  char rsc[1024], mapPath[1024], userPath[1024], copyPath[1024], project[1024], text[2048];
  char record[760];
  LONG mapLength, userLength, copyLength;
  double x, y;
  CREATESITE create;
  HMAP map, other;
  HSITE site, copy;
  HWND window;
  int i;
  if (argc > 1) folder = argv[1];
  mapMessageEnable(0);
  window = platCreateWindow(HostWindow, NULL, 64, 64);
  mapSetHandleForMessage(window);
  Path(rsc, "host.rsc");
  Path(mapPath, "host.map");
  Path(userPath, "user.sit");
  Path(copyPath, "copy.sit");
  PKGHOST_CHECK(MakeClassifier(rsc));
  map = MakeMap(mapPath, rsc);
  PKGHOST_CHECK(map != 0);
  for (i = 0; i < 3; ++i) PKGHOST_CHECK(AppendWell(map, 0, 1000.0 * (i + 1), 1000.0));
  memset(&create, 0, sizeof create);
  create.Length = sizeof create;
  strcpy(create.MapName, "USER");
  create.Scale = 100000;
  site = mapCreateAndAppendSite(map, userPath, rsc, &create);
  PKGHOST_CHECK(site != 0);
  PKGHOST_CHECK(AppendWell(map, site, 500.0, 500.0));
  PKGHOST_CHECK(AppendWell(map, site, 700.0, 500.0));
  PKGHOST_CHECK(mapGetMapPassportRecord(map, site, record, sizeof record) == 1);

  /* A passport record onto the main map's own file and onto the open user
   * map's: refused, nothing written. */
  mapLength = ReadFile(mapPath, mapBytes);
  userLength = ReadFile(userPath, userBytes);
  PKGHOST_CHECK(mapLength > 0 && userLength > 0);
  PKGHOST_CHECK(mapPutMapPassportRecord(map, mapPath, rsc, record, 760) == 0);
  PKGHOST_CHECK(mapPutMapPassportRecord(map, userPath, rsc, record, 760) == 0);
  PKGHOST_CHECK(mapPutMapPassportRecord(0, userPath, rsc, record, 760) == 0);
  PKGHOST_CHECK(SameFile(mapPath, mapBytes, mapLength));
  PKGHOST_CHECK(SameFile(userPath, userBytes, userLength));
  PKGHOST_CHECK(mapGetSiteCount(map) == 1);

  /* A copy; then a copy onto it while another document holds it open:
   * refused, the copy as it was. */
  PKGHOST_CHECK(mapCopySite(map, site, "copy.sit") == 1);
  other = mapOpenData(copyPath, 0);
  PKGHOST_CHECK(other != 0);
  copyLength = ReadFile(copyPath, copyBytes);
  PKGHOST_CHECK(mapCopySite(map, site, "copy.sit") == 0);
  PKGHOST_CHECK(mapCopySite(map, site, "user.sit") == 0);
  PKGHOST_CHECK(mapCopySite(map, site, "host.map") == 0);
  PKGHOST_CHECK(SameFile(copyPath, copyBytes, copyLength));
  PKGHOST_CHECK(SameFile(userPath, userBytes, userLength));
  mapCloseData(other);

  /* A copy over files it finds, one of them a stranger under the name of a
   * sheet file the user map does not have: replaced, and no stranger and
   * no temporary file left. */
  Path(text, "copy.sit");
  WriteText(text, "an old map file");
  Path(text, "copy.SSE");
  WriteText(text, "a stranger's file");
  i = FileCount();
  PKGHOST_CHECK(mapCopySite(map, site, "copy.sit") == 1);
  PKGHOST_CHECK(FileCount() == i - 1);
  PKGHOST_CHECK(ReadFile(text, copyBytes) == -1);
  copy = mapOpenSiteForMap(map, copyPath, 0);
  PKGHOST_CHECK(copy != 0);
  PKGHOST_CHECK(mapGetSiteObjectCount(map, copy) == 2);
  mapCloseSiteForMap(map, copy);

  /* A point outside the projection fails alone. */
  x = NAN, y = Y0;
  PKGHOST_CHECK(mapPlaneToGeo(map, &x, &y) == 0);
  x = X0 + 5000.0, y = Y0 + 5000.0;
  PKGHOST_CHECK(mapPlaneToGeo(map, &x, &y) == 1);
  PKGHOST_CHECK(mapGeoToPlane(map, &x, &y) == 1);
  PKGHOST_CHECK(fabs(x - X0 - 5000.0) < 0.01 && fabs(y - Y0 - 5000.0) < 0.01);

  /* The main map reopened still has its three wells. */
  mapCloseData(map);
  map = mapOpenData(mapPath, 0);
  PKGHOST_CHECK(map != 0);
  PKGHOST_CHECK(mapGetSiteObjectCount(map, map) == 3);
  mapCloseData(map);

  /* A project listing a user map that is missing: not found (60007). */
  Path(project, "host.mpt");
  snprintf(text, sizeof text, "[MAP]\nPATH=%s\n[SITELIST]\nCOUNT=1\nPATH1=none.sit\n", mapPath);
  WriteText(project, text);
  codeCount = 0;
  map = mapOpenProject(project);
  PKGHOST_CHECK(map != 0);
  PKGHOST_CHECK(Sent(60007) && !Sent(60006));
  PKGHOST_CHECK(mapGetSiteCount(map) == 0);
  mapCloseData(map);

  mapSetHandleForMessage(0);
  platDestroyWindow(window);
  return PkgHostExit("pkghost_openfiles");
}
