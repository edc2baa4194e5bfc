/* A host program in plain C99 that uses the map library through its C
 * interface alone (the installed "api/mapapi.h" and the records and
 * constants of "types/"): it makes a classifier with a line, an area and
 * a point kind, a map of one sheet on it, appends objects with semantics,
 * reads them back, edits and deletes some, converts a point to latitude
 * and longitude, paints the map onto a device context over a bitmap of
 * its own and writes it as a PNG file, paints a legend, and loads many
 * objects into another map with edit mode switched off.
 *
 * Build against an installed library:
 *   cc -std=c99 hostdemo.c $(pkg-config --cflags --libs mapcore) -o hostdemo
 * Usage: hostdemo [output folder]
 *
 * The library's texts (names, semantic values, messages) are code page
 * 1251; this program writes only ASCII ones. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "api/mapapi.h"

/* Where the files go. */
static const char* folder = ".";

/* The kinds of the demo: classification codes and the semantics they carry. */
#define ROAD_CODE 31120000L
#define LAKE_CODE 31410000L
#define WELL_CODE 31510000L
#define NAME_SEMANTIC 9L   /* a text: every new classifier has it */
#define DEPTH_SEMANTIC 20L /* a number, metres: appended */

/* The sheet: 10 x 10 km, south-west corner in plane metres (X north, Y
 * east) in 6-degree zone 7 of the Gauss-Krueger projection. */
static const double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;

#define PI 3.14159265358979323846

static void Path(char* path, size_t size, const char* name) {
  snprintf(path, size, "%s/%s", folder, name);
}

/* The library tells a host why something failed in two ways: the code
 * goes to the host's message window as message WM_MAP_ERROR (whether or
 * not messages are switched on), and while messages are on the text goes
 * to the host's message box. This host prints both. */
static LRESULT CALLBACK HostWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                   void* context) {
  (void)window, (void)lparam, (void)context;
  if (message == WM_MAP_ERROR) printf("    (the host window receives code %d)\n", (int)wparam);
  return 0;
}

static int HostMessageBox(HWND owner, const char* text, const char* caption, UINT flags,
                          void* context) {
  (void)owner, (void)flags, (void)context;
  printf("    (the host message box shows \"%s: %s\")\n", caption, text);
  return IDOK;
}

/* --- The classifier ------------------------------------------------------ */

/* Appends a kind of `local` kind painted with one primitive of `count`
 * parameter words; its number (incode), or 0. */
static LONG AppendKind(HRSC rsc, LONG layer, LONG code, LONG local, const char* name, LONG function,
                       const DWORD* words, int count) {
  RSCOBJECT kind;
  LONG incode;
  memset(&kind, 0, sizeof kind);
  kind.Length = sizeof kind;
  kind.Excode = (DWORD)code;
  kind.Local = (DWORD)local;
  kind.Segment = (DWORD)layer;
  strcpy(kind.Name, name);
  incode = mapAppendRscObject(rsc, &kind);
  if (incode == 0) return 0;
  if (!mapSetRscObjectImage(rsc, incode, count * 4, function, (const char*)words)) return 0;
  return incode;
}

static LONG AppendSemantic(HRSC rsc, LONG code, LONG type, const char* name, const char* unit) {
  RSCSEMANTIC semantic;
  memset(&semantic, 0, sizeof semantic);
  semantic.Code = (DWORD)code;
  semantic.Type = (DWORD)type;
  strcpy(semantic.Name, name);
  strcpy(semantic.Unit, unit);
  return mapAppendRscSemantic(rsc, &semantic);
}

/* A classifier at 1:100 000 with a red road, a blue lake and a black well;
 * 1 when it was written. */
static int MakeClassifier(const char* path) {
  static const DWORD road[] = {0x0000C0, 750};     /* PRIM_LINE: colour, thickness */
  static const DWORD lake[] = {0xE0A040};          /* PRIM_SQUARE: colour */
  static const DWORD well[] = {0x000000, 0, 1500}; /* PRIM_CIRCLE: colour, filled, radius */
  /* The classifier's palette: what the map is painted with (0x00BBGGRR). */
  static const DWORD colours[16] = {0x000000, 0xFFFFFF, 0x0000C0, 0xE0A040, 0x208020, 0x80C0E0,
                                    0x404040, 0x808080, 0xC0C0C0, 0xF4F0E8, 0x0080FF, 0x800000,
                                    0x008080, 0x800080, 0x00FFFF, 0xFFC0C0};
  RSCCREATE create;
  PALETTE256 palette;
  RSCSEG segment;
  HRSC rsc;
  LONG layer, roadKind, lakeKind, wellKind;
  int i, ok;

  memset(&create, 0, sizeof create);
  strcpy(create.Name, "DEMO CLASSIFIER");
  strcpy(create.Type, "DEMO");
  strcpy(create.Code, "DEMO");
  create.Scale = 100000;
  create.Language = 1;
  memset(&palette, 0, sizeof palette);
  palette.Version = 0x0300;
  palette.Count = 16;
  for (i = 0; i < 16; ++i) palette.Colors[i] = colours[i];
  rsc = mapCreateRsc(path, &create, &palette);
  if (rsc == 0) return 0;

  memset(&segment, 0, sizeof segment);
  strcpy(segment.Name, "DEMO LAYER");
  strcpy(segment.Short, "DEMO");
  segment.Order = 5;
  layer = mapAppendRscSegment(rsc, &segment);
  roadKind = AppendKind(rsc, layer, ROAD_CODE, LOCAL_LINE, "ROAD", PRIM_LINE, road, 2);
  lakeKind = AppendKind(rsc, layer, LAKE_CODE, LOCAL_SQUARE, "LAKE", PRIM_SQUARE, lake, 1);
  wellKind = AppendKind(rsc, layer, WELL_CODE, LOCAL_POINT, "WELL", PRIM_CIRCLE, well, 3);
  ok = layer > 0 && roadKind > 0 && lakeKind > 0 && wellKind > 0 &&
       AppendSemantic(rsc, DEPTH_SEMANTIC, RSCSEMTYPE_NUMBER, "DEPTH", "m") == DEPTH_SEMANTIC;
  if (ok) {
    mapAppendRscSemanticObject(rsc, roadKind, NAME_SEMANTIC, RSCSEMUSE_POSSIBLE);
    mapAppendRscSemanticObject(rsc, lakeKind, NAME_SEMANTIC, RSCSEMUSE_POSSIBLE);
    mapAppendRscSemanticObject(rsc, lakeKind, DEPTH_SEMANTIC, RSCSEMUSE_POSSIBLE);
    mapAppendRscSemanticObject(rsc, wellKind, DEPTH_SEMANTIC, RSCSEMUSE_OBLIGATORY);
    printf("classifier %s: %d kinds (road, lake and well among them), %d semantics\n",
           mapGetRscName(rsc), (int)mapGetRscObjectCount(rsc), (int)mapGetRscSemanticCount(rsc));
  }
  ok = ok && mapCommitRsc(rsc);
  mapCloseRsc(rsc);
  return ok;
}

/* --- The map ------------------------------------------------------------- */

/* A topographic map in the Gauss-Krueger projection on the Krasovsky
 * ellipsoid, one sheet whose files are named `sheetFile` (and the
 * extensions); the document, or 0. */
static HMAP MakeMap(const char* path, const char* rscPath, const char* sheetFile) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  memset(&map, 0, sizeof map);
  map.Length = MAPREGISTER_LENGTH;
  strcpy(map.Name, "DEMO MAP");
  map.Scale = 100000;
  map.MapType = MAPTYPE_TOPOGRAPHIC;
  map.MaterialProjection = PRJ_GAUSSKRUGER;
  map.EllipsoideKind = ELLIPSOID_KRASOVSKY;
  map.AxisMeridian = 39.0 * PI / 180.0; /* zone 7 */
  map.DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
  memset(&sheet, 0, sizeof sheet);
  sheet.Length = LISTREGISTER_LENGTH;
  strcpy(sheet.Nomenclature, "DEMO-1");
  strcpy(sheet.Name, "DEMO SHEET");
  strcpy(sheet.FileName, sheetFile);
  sheet.XSouthWest = X0, sheet.YSouthWest = Y0;
  sheet.XNorthWest = X0 + SIDE, sheet.YNorthWest = Y0;
  sheet.XNorthEast = X0 + SIDE, sheet.YNorthEast = Y0 + SIDE;
  sheet.XSouthEast = X0, sheet.YSouthEast = Y0 + SIDE;
  return mapCreateMapEx(path, rscPath, &map, &sheet);
}

/* A new object of the kind through the given points (plane metres, x
 * north then y east), with a name and a depth when they are given;
 * committed, its number on the sheet, or 0. */
static LONG AppendObject(HMAP map, LONG code, LONG local, const double* xy, int points,
                         const char* name, const char* depth) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  LONG number = object != 0 && mapRegisterObject(object, code, local) != 0;
  int i;
  for (i = 0; number && i < points; ++i)
    number = mapAppendPointPlane(object, X0 + xy[2 * i], Y0 + xy[2 * i + 1], 0) != 0;
  if (number && name)
    number = mapAppendSemantic(object, NAME_SEMANTIC, name, (LONG)strlen(name) + 1) != 0;
  if (number && depth)
    number = mapAppendSemantic(object, DEPTH_SEMANTIC, depth, (LONG)strlen(depth) + 1) != 0;
  if (number) number = mapCommit(object);
  mapFreeObject(object);
  return number;
}

/* The outline of a lake about (x, y) of the given size, closed: 13 points. */
enum { LAKE_POINTS = 13 };
static void Lake(double* xy, double x, double y, double size) {
  static const double shape[LAKE_POINTS][2] = {
      {1.0, 0.0},   {0.8, 0.6},   {0.45, 0.8},  {0.0, 1.1},    {-0.5, 0.85},
      {-0.9, 0.5},  {-1.0, 0.0},  {-0.8, -0.5}, {-0.35, -1.0}, {0.1, -0.9},
      {0.55, -1.05}, {0.9, -0.45}, {1.0, 0.0}};
  int i;
  for (i = 0; i < LAKE_POINTS; ++i)
    xy[2 * i] = x + size * shape[i][0], xy[2 * i + 1] = y + size * shape[i][1];
}

static int AppendObjects(HMAP map) {
  static const double north[] = {500, 300, 3500, 2800, 6200, 4100, 9600, 5200};
  static const double east[] = {8700, 400, 7300, 3800, 5900, 6900, 4400, 9700};
  static const double wells[] = {1200, 8800, 4800, 1500, 7700, 2300, 8300, 8100};
  static const char* depths[] = {"12", "30", "7", "55"};
  double lake[2 * LAKE_POINTS];
  int appended = 0, i;
  Lake(lake, 2800, 6800, 1400);
  appended += AppendObject(map, LAKE_CODE, LOCAL_SQUARE, lake, LAKE_POINTS, "BLUE LAKE", "14") > 0;
  Lake(lake, 7600, 5300, 900);
  appended += AppendObject(map, LAKE_CODE, LOCAL_SQUARE, lake, LAKE_POINTS, "ROUND LAKE", "6") > 0;
  appended += AppendObject(map, ROAD_CODE, LOCAL_LINE, north, 4, "NORTH ROAD", NULL) > 0;
  appended += AppendObject(map, ROAD_CODE, LOCAL_LINE, east, 4, "EAST ROAD", NULL) > 0;
  for (i = 0; i < 4; ++i)
    appended += AppendObject(map, WELL_CODE, LOCAL_POINT, wells + 2 * i, 1, NULL, depths[i]) > 0;
  printf("map %s: %d objects appended with their semantics\n", "DEMO MAP", appended);
  return appended == 8;
}

/* Lists the objects of the map in sheet order through the search. */
static int ListObjects(HMAP map) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  char name[64], depth[32];
  int count = 0;
  LONG flags = SEEK_FIRST;
  while (object != 0 && mapSeekObject(map, object, flags) != 0) {
    flags = SEEK_NEXT;
    ++count;
    if (mapSemanticCodeValue(object, NAME_SEMANTIC, name, sizeof name, 1) == 0) strcpy(name, "-");
    if (mapSemanticCodeValue(object, DEPTH_SEMANTIC, depth, sizeof depth, 1) == 0) strcpy(depth, "-");
    printf("  %d: %-4s %-10s depth %-3s %3d point(s), first at X %.0f Y %.0f\n",
           (int)mapGetObjectNumber(object), mapObjectName(object), name, depth,
           (int)mapPointCount(object, 0), mapXPlane(object, 1, 0), mapYPlane(object, 1, 0));
  }
  mapFreeObject(object);
  return count;
}

/* Moves the first well 300 m north and deepens it; deletes the east road. */
static int EditAndDelete(HMAP map) {
  HOBJ object = mapCreateObject(map, 1, 0, 0), read;
  char name[32];
  int edited = 0, deleted = 0;
  LONG n;
  for (n = 1; (read = mapReadObjectByNumber(map, 0, object, 1, n)) != 0; ++n) {
    if (read != object) continue; /* a deleted object */
    if (!edited && mapObjectExcode(object) == WELL_CODE) {
      edited = mapUpdatePointPlane(object, mapXPlane(object, 1, 0) + 300.0,
                                   mapYPlane(object, 1, 0), 1, 0) &&
               mapSetSemanticValue(object, 1, "40", 3) && mapCommit(object) == n;
      printf("well %d moved 300 m north, its depth now 40 m\n", (int)n);
    } else if (!deleted && mapSemanticCodeValue(object, NAME_SEMANTIC, name, sizeof name, 1) &&
               strcmp(name, "EAST ROAD") == 0) {
      deleted = mapDeleteObject(object);
      printf("road %d (%s) deleted\n", (int)n, name);
    }
  }
  mapFreeObject(object);
  return edited && deleted;
}

/* The middle of the sheet in latitude and longitude, and back. */
static int ConvertPoint(HMAP map) {
  double x = X0 + SIDE / 2, y = Y0 + SIDE / 2, b = x, l = y;
  if (!mapIsGeoSupported(map) || !mapPlaneToGeo(map, &b, &l)) return 0;
  printf("the middle of the sheet, X %.1f Y %.1f m, lies at B %.6f, L %.6f degrees\n", x, y,
         b * 180 / PI, l * 180 / PI);
  if (!mapGeoToPlane(map, &b, &l)) return 0;
  printf("  and back: X %.3f Y %.3f m\n", b, l);
  return b - x < 0.01 && x - b < 0.01 && l - y < 0.01 && y - l < 0.01;
}

/* --- Painting ------------------------------------------------------------ */

/* Counts of what the painting hands to drawing callbacks. */
static int lines = 0, areas = 0, texts = 0;
static void WINAPI OnPolyline(POINT* points, int count) { (void)points, (void)count, ++lines; }
static void WINAPI OnPolygon(POINT* points, int* counts, int polygons, RECT* bounds) {
  (void)points, (void)counts, (void)polygons, (void)bounds, ++areas;
}
static void WINAPI OnText(int x, int y, const char* text, LOGFONTA* font, int zero,
                          COLORREF colour) {
  (void)x, (void)y, (void)text, (void)font, (void)zero, (void)colour, ++texts;
}

/* A PNG of a 32-bit bitmap (pixels 0x00RRGGBB, rows `stride` bytes apart,
 * the top row first), written as 8-bit RGB with stored deflate blocks so
 * that no compression library is needed. */
static DWORD Crc(DWORD crc, const unsigned char* data, size_t n) {
  size_t i;
  int k;
  for (i = 0; i < n; ++i) {
    crc ^= data[i];
    for (k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

static void Be32(unsigned char* to, DWORD v) {
  to[0] = (unsigned char)(v >> 24), to[1] = (unsigned char)(v >> 16);
  to[2] = (unsigned char)(v >> 8), to[3] = (unsigned char)v;
}

static void Chunk(FILE* f, const char* type, const unsigned char* data, size_t n) {
  unsigned char word[4];
  Be32(word, (DWORD)n);
  fwrite(word, 1, 4, f);
  fwrite(type, 1, 4, f);
  if (n) fwrite(data, 1, n, f);
  Be32(word, Crc(Crc(0xFFFFFFFFu, (const unsigned char*)type, 4), data, n) ^ 0xFFFFFFFFu);
  fwrite(word, 1, 4, f);
}

static int WritePng(const char* path, const unsigned char* pixels, LONG stride, int width,
                    int height) {
  const size_t rowBytes = 1 + 3 * (size_t)width, raw = rowBytes * (size_t)height;
  const size_t blocks = (raw + 65534) / 65535, size = 2 + raw + 5 * blocks + 4;
  unsigned char* z = (unsigned char*)malloc(size);
  unsigned char header[13];
  DWORD a = 1, b = 0;
  size_t at = 0, done = 0, i;
  FILE* f;
  int y;
  if (z == NULL) return 0;
  z[at++] = 0x78, z[at++] = 0x01;
  for (y = 0; y < height; ++y) {
    const unsigned char* row = pixels + (size_t)y * (size_t)stride;
    for (i = 0; i < rowBytes; ++i) {
      /* A filter byte, then red, green and blue of each pixel (blue,
       * green, red in memory). */
      const unsigned char c = i == 0 ? 0 : row[4 * ((i - 1) / 3) + 2 - (i - 1) % 3];
      if (done % 65535 == 0) { /* a stored block's head */
        const size_t n = raw - done < 65535 ? raw - done : 65535;
        z[at++] = (unsigned char)(done + n == raw);
        z[at++] = (unsigned char)(n & 0xFF), z[at++] = (unsigned char)(n >> 8);
        z[at++] = (unsigned char)(~n & 0xFF), z[at++] = (unsigned char)((~n >> 8) & 0xFF);
      }
      z[at++] = c, ++done;
      a = (a + c) % 65521, b = (b + a) % 65521;
    }
  }
  Be32(z + at, (b << 16) | a), at += 4;
  f = fopen(path, "wb");
  if (f != NULL) {
    Be32(header, (DWORD)width), Be32(header + 4, (DWORD)height);
    header[8] = 8, header[9] = 2, header[10] = header[11] = header[12] = 0;
    fwrite("\x89PNG\r\n\x1a\n", 1, 8, f);
    Chunk(f, "IHDR", header, 13);
    Chunk(f, "IDAT", z, at);
    Chunk(f, "IEND", NULL, 0);
  }
  free(z);
  return f != NULL && fclose(f) == 0;
}

/* Paints the whole picture of the map with mapPaint onto a device context
 * over a bitmap of the host and writes the bitmap as a PNG. */
static int PaintMap(HMAP map, const char* png) {
  DrawingCallbackTable table = {OnPolyline, OnPolygon, OnText, NULL, NULL, NULL};
  LONG width = 0, height = 0, stride = 0;
  const unsigned char* pixels = NULL;
  HDC dc = 0;
  RECT rect;
  int ok;

  /* The drawing callbacks receive the whole map as lines, areas and texts. */
  if (mapPaintToScript(map, 4000, 4000, &table))
    printf("the map painted through drawing callbacks: %d polylines, %d polygons (areas, signs"
           " and wide lines), %d texts\n", lines, areas, texts);

  /* A device context over a bitmap of the picture's size, its rows
   * top-down, and the picture's rectangle in picture pixels. */
  mapSetBackColor(map, 0xF4F0E8); /* a pale paper colour */
  ok = mapGetPictureSize(map, &width, &height) && width > 0 && height > 0;
  if (ok) dc = platCreateBitmapDC(width, height, 1);
  rect.left = 0, rect.top = 0, rect.right = width, rect.bottom = height;
  ok = dc != 0 && mapPaint(map, dc, 1, &rect);
  if (ok) pixels = (const unsigned char*)platGetBitmapBits(dc, &stride);
  ok = pixels != NULL && WritePng(png, pixels, stride, (int)width, (int)height);
  if (ok)
    printf("the map painted into %s (%d x %d pixels at 1:%d)\n", png, (int)width, (int)height,
           (int)mapGetShowScale(map));
  platDeleteBitmapDC(dc);
  return ok;
}

/* A legend: a sample of each kind of the classifier, side by side. */
static int PaintLegend(HMAP map, const char* png) {
  const LONG codes[3] = {ROAD_CODE, LAKE_CODE, WELL_CODE};
  const LONG locals[3] = {LOCAL_LINE, LOCAL_SQUARE, LOCAL_POINT};
  HDC dc = platCreateBitmapDC(3 * 60, 40, 1);
  LONG stride = 0;
  const unsigned char* pixels;
  RECT rect;
  int i, ok = dc != 0;
  for (i = 0; ok && i < 3; ++i) {
    rect.left = 60 * i + 2, rect.top = 2, rect.right = 60 * i + 58, rect.bottom = 38;
    ok = mapPaintExampleObject(map, dc, &rect, mapRscObjectCode(map, codes[i], locals[i]));
  }
  pixels = ok ? (const unsigned char*)platGetBitmapBits(dc, &stride) : NULL;
  ok = pixels != NULL && WritePng(png, pixels, stride, 3 * 60, 40);
  if (ok) printf("a legend of the road, the lake and the well painted into %s\n", png);
  platDeleteBitmapDC(dc);
  return ok;
}

/* --- Loading many objects ----------------------------------------------- */

/* A new or opened map is in edit mode, made for several users editing it
 * at once: every object committed goes through to the disk under the
 * sheet's lock, with its record in the map's journal (about a millisecond
 * an object). A host that loads many objects switches edit mode off while
 * it does (no other program may write the map meanwhile, and the objects
 * loaded are not journalled) and on again afterwards. */
enum { BULK_WELLS = 2000 };

static int LoadMany(const char* path, const char* rscPath) {
  HMAP map = MakeMap(path, rscPath, "BULK1");
  LONG count = 0;
  int i, ok = map != 0 && mapGetLogAccess(map, 0) == 1;
  if (ok) ok = mapLogAccess(map, 0, 0) && mapGetLogAccess(map, 0) == 0;
  for (i = 0; ok && i < BULK_WELLS; ++i) {
    /* A grid of 40 rows of 50 wells, 200 m apart. */
    double xy[2];
    char depth[16];
    xy[0] = 100.0 + 200.0 * (i / 50), xy[1] = 100.0 + 200.0 * (i % 50);
    snprintf(depth, sizeof depth, "%d", 5 + i % 40);
    ok = AppendObject(map, WELL_CODE, LOCAL_POINT, xy, 1, NULL, depth) > 0;
  }
  if (ok) ok = mapLogAccess(map, 0, 1) && mapGetLogAccess(map, 0) == 1;
  if (map != 0) mapCloseData(map);
  map = ok ? mapOpenData(path, 0) : 0;
  if (map != 0) {
    count = mapGetObjectCount(map, 1);
    mapCloseData(map);
  }
  ok = ok && count == BULK_WELLS;
  if (ok)
    printf("%d wells loaded into %s with edit mode off, then on again; %d read back\n",
           BULK_WELLS, path, (int)count);
  return ok;
}

/* --- The demo ------------------------------------------------------------ */

int main(int argc, char** argv) {
  char rscPath[512], mapPath[512], png[512], legend[512];
  HWND window;
  HMAP map;
  int ok;

  if (argc > 1) folder = argv[1];
  printf("mapcore C host demo (files in %s)\n", folder);
  window = platCreateWindow(HostWindow, NULL, 640, 480);
  mapSetHandleForMessage(window);
  platSetMessageBoxHook(HostMessageBox, NULL);

  /* How a failure reaches a host: asked for a classifier that is not
   * there, the library answers 0 and reports the code and its text. */
  Path(rscPath, sizeof rscPath, "no-such.rsc");
  printf("opening %s, which is not there:\n", rscPath);
  if (mapOpenRsc(rscPath) == 0) printf("  mapOpenRsc answers 0\n");
  mapMessageEnable(0); /* from here on codes only, no message boxes */

  Path(rscPath, sizeof rscPath, "hostdemo.rsc");
  Path(mapPath, sizeof mapPath, "hostdemo.map");
  Path(png, sizeof png, "hostdemo.png");
  Path(legend, sizeof legend, "hostdemo_legend.png");
  ok = MakeClassifier(rscPath);
  map = ok ? MakeMap(mapPath, rscPath, "HOSTDEMO1") : 0;
  ok = map != 0 && AppendObjects(map);
  if (ok) mapCloseData(map);

  /* The map opened again by its kind, read, edited and read again. */
  map = ok ? mapOpenData(mapPath, 0) : 0;
  ok = map != 0;
  if (ok) {
    printf("map opened again: its objects in sheet order\n");
    ok = ListObjects(map) == 8 && EditAndDelete(map);
  }
  if (ok) {
    printf("after the edit:\n");
    ok = ListObjects(map) == 7 && ConvertPoint(map) && PaintMap(map, png) &&
         PaintLegend(map, legend);
  }
  if (map != 0) mapCloseData(map);

  /* Many objects loaded into another map outside edit mode. */
  Path(mapPath, sizeof mapPath, "hostdemo_bulk.map");
  ok = ok && LoadMany(mapPath, rscPath);

  mapSetHandleForMessage(0);
  platSetMessageBoxHook(NULL, NULL);
  platDestroyWindow(window);
  printf(ok ? "demo finished\n" : "the demo stopped: a step failed\n");
  return ok ? 0 : 1;
}
