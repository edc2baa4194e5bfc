/* A host in plain C99, built with the flags of pkg-config alone, that
 * paints through device contexts of its own: bitmaps made with
 * platCreateBitmapDC (shown to the painters as a display, a printer or a
 * plotter) and the context of a window made with platCreateWindow. Every
 * exported function that takes a device context paints onto one here, and
 * the pixels are checked: the whole map as mapPaintToDib paints it, a
 * select in its colour alone, legend samples in their kinds' colours, a
 * relief in 3-D, the members of an object set. Null, freed and foreign
 * contexts are refused. argv[1] is a folder for its files, where the
 * pictures are left as BMP files. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "api/mapapi.h"
#include "pkghost_maps.h"

#define CHECK PKGHOST_CHECK

static const char* folder = ".";

#define ROAD_CODE 31120000L
#define LAKE_CODE 31410000L
#define WELL_CODE 31510000L

/* Colours of the kinds (0x00BBGGRR) and as pixels (0x00RRGGBB). */
#define ROAD_COLOUR 0x0000C0u
#define LAKE_COLOUR 0xE0A040u
#define WELL_COLOUR 0x000000u
#define ROAD_PIXEL 0xC00000u
#define LAKE_PIXEL 0x40A0E0u
#define WHITE 0xFFFFFFu

/* The sheet: 10 km square, south-west corner in plane metres. */
static const double X0 = 6000000.0, Y0 = 7400000.0, SIDE = 10000.0;

/* --- Bitmaps ------------------------------------------------------------- */

typedef struct {
  HDC dc;
  int width, height, topDown;
} BITMAP32;

static BITMAP32 NewBitmap(int width, int height, int topDown) {
  BITMAP32 b;
  b.dc = platCreateBitmapDC(width, height, topDown);
  b.width = width, b.height = height, b.topDown = topDown;
  CHECK(b.dc != 0);
  return b;
}

/* The first byte of row y (0 at the top). */
static unsigned char* Row(const BITMAP32* b, int y) {
  LONG stride = 0;
  unsigned char* bits = (unsigned char*)platGetBitmapBits(b->dc, &stride);
  if (bits == NULL) return NULL;
  return bits + (size_t)(b->topDown ? y : b->height - 1 - y) * (size_t)stride;
}

static DWORD Px(const BITMAP32* b, int x, int y) {
  const unsigned char* p = Row(b, y);
  if (p == NULL) return 0xFFFFFFFFu;
  p += 4 * x;
  return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16;
}

static void Clear(const BITMAP32* b, DWORD pixel) {
  int x, y;
  for (y = 0; y < b->height; ++y) {
    unsigned char* p = Row(b, y);
    for (x = 0; p != NULL && x < b->width; ++x) {
      p[4 * x] = (unsigned char)pixel, p[4 * x + 1] = (unsigned char)(pixel >> 8);
      p[4 * x + 2] = (unsigned char)(pixel >> 16), p[4 * x + 3] = 0;
    }
  }
}

/* Pixels of one colour, and pixels of any other than `other`. */
static LONG Count(const BITMAP32* b, DWORD pixel) {
  LONG n = 0;
  int x, y;
  for (y = 0; y < b->height; ++y)
    for (x = 0; x < b->width; ++x) n += Px(b, x, y) == pixel;
  return n;
}

static LONG CountOther(const BITMAP32* b, DWORD other) {
  return (LONG)b->width * b->height - Count(b, other);
}

/* The box of the pixels of one colour: 1, or 0 when there are none. */
static int BoxOf(const BITMAP32* b, DWORD pixel, RECT* box) {
  int x, y, found = 0;
  for (y = 0; y < b->height; ++y)
    for (x = 0; x < b->width; ++x) {
      if (Px(b, x, y) != pixel) continue;
      if (!found) box->left = box->right = x, box->top = box->bottom = y, found = 1;
      if (x < box->left) box->left = x;
      if (x > box->right) box->right = x;
      if (y < box->top) box->top = y;
      if (y > box->bottom) box->bottom = y;
    }
  return found;
}

/* 1 when both bitmaps hold the same pixels. */
static int Same(const BITMAP32* a, const BITMAP32* b) {
  int y;
  if (a->width != b->width || a->height != b->height) return 0;
  for (y = 0; y < a->height; ++y)
    if (Row(a, y) == NULL || Row(b, y) == NULL ||
        memcmp(Row(a, y), Row(b, y), (size_t)a->width * 4) != 0)
      return 0;
  return 1;
}

/* Leaves the bitmap in the folder as a BMP file to look at: its rows are
 * the file's rows as they are (a negative height says top-down). */
static void SaveBmp(const BITMAP32* b, const char* name) {
  unsigned char head[54];
  const DWORD size = (DWORD)b->width * (DWORD)b->height * 4;
  const DWORD fields[] = {54 + size, 0, 54, 40, (DWORD)b->width,
                                  (DWORD)-b->height, 1 | 32u << 16, 0, size};
  char path[512];
  FILE* f;
  int i, y;
  memset(head, 0, sizeof head);
  head[0] = 'B', head[1] = 'M';
  for (i = 0; i < 9; ++i) {
    head[2 + 4 * i] = (unsigned char)fields[i], head[3 + 4 * i] = (unsigned char)(fields[i] >> 8);
    head[4 + 4 * i] = (unsigned char)(fields[i] >> 16);
    head[5 + 4 * i] = (unsigned char)(fields[i] >> 24);
  }
  f = fopen(PkgHostPath(path, sizeof path, folder, name), "wb");
  CHECK(f != NULL);
  if (f == NULL) return;
  fwrite(head, 1, sizeof head, f);
  for (y = 0; y < b->height; ++y) fwrite(Row(b, y), 4, (size_t)b->width, f);
  CHECK(fclose(f) == 0);
}

/* --- The map ------------------------------------------------------------- */

/* A red road, a blue lake and a black well on a classifier at 1:100 000;
 * their incodes go to `kinds`. */
static void MakeClassifier(const char* path, LONG* kinds) {
  static const DWORD road[] = {ROAD_COLOUR, 750};
  static const DWORD lake[] = {LAKE_COLOUR};
  static const DWORD well[] = {WELL_COLOUR, 0, 1500};
  static const DWORD colours[4] = {0x000000, 0xFFFFFF, ROAD_COLOUR, LAKE_COLOUR};
  PALETTE256 palette;
  HRSC rsc;
  LONG layer;
  int i;
  PkgHostPalette(&palette, 4, colours);
  rsc = PkgHostCreateRscEx(path, "DC", "DC", &palette);
  CHECK(rsc != 0);
  if (rsc == 0) return;
  layer = PkgHostAppendLayer(rsc, "DC LAYER", "DC", 0);
  kinds[0] = PkgHostAppendKindEx(rsc, layer, ROAD_CODE, LOCAL_LINE, "ROAD", PRIM_LINE, road, 2);
  kinds[1] = PkgHostAppendKindEx(rsc, layer, LAKE_CODE, LOCAL_SQUARE, "LAKE", PRIM_SQUARE, lake, 1);
  kinds[2] = PkgHostAppendKindEx(rsc, layer, WELL_CODE, LOCAL_POINT, "WELL", PRIM_CIRCLE, well, 3);
  for (i = 0; i < 3; ++i) CHECK(kinds[i] > 0);
  CHECK(mapCommitRsc(rsc) == 1);
  mapCloseRsc(rsc);
}

/* A map at 1:100 000 of one sheet, the square of SIDE metres from (X0, Y0). */
static HMAP MakeMap(const char* path, const char* rscPath) {
  MAPREGISTEREX map;
  LISTREGISTER sheet;
  PkgHostMapRecord(&map, "");
  PkgHostSquareSheet(&sheet, "DC-1", "DC1", X0, Y0, SIDE);
  return mapCreateMapEx(path, rscPath, &map, &sheet);
}

/* A committed object of the kind through the points (metres from the
 * sheet's corner, north then east): its number. */
static LONG Append(HMAP map, LONG code, LONG local, const DOUBLEPOINT* points, int count) {
  const LONG number = PkgHostAppendObject(map, 0, code, local, X0, Y0, points, count);
  CHECK(number > 0);
  return number;
}

/* The lake: a square 2 km wide about (3000, 7000), closed; the roads
 * cross the sheet's west half, far from the lake. */
static const DOUBLEPOINT lake[] = {{2000, 6000}, {4000, 6000}, {4000, 8000}, {2000, 8000},
                                   {2000, 6000}};
static const DOUBLEPOINT road1[] = {{500, 500}, {9500, 3500}};
static const DOUBLEPOINT road2[] = {{9000, 400}, {6000, 4500}};
static const DOUBLEPOINT wells[] = {{8500, 8500}, {1200, 2500}};

static void AppendObjects(HMAP map) {
  Append(map, LAKE_CODE, LOCAL_SQUARE, lake, 5);
  Append(map, ROAD_CODE, LOCAL_LINE, road1, 2);
  Append(map, ROAD_CODE, LOCAL_LINE, road2, 2);
  Append(map, WELL_CODE, LOCAL_POINT, wells, 1);
  Append(map, WELL_CODE, LOCAL_POINT, wells + 1, 1);
}

/* The picture pixel of a point (metres from the sheet's corner). */
static POINT PixelOf(HMAP map, double north, double east) {
  double x = X0 + north, y = Y0 + east;
  POINT p;
  mapPlaneToPicture(map, &x, &y);
  p.x = (LONG)x, p.y = (LONG)y;
  return p;
}

/* The picture box of the lake, widened by `margin` pixels. */
static RECT LakeBox(HMAP map, int margin) {
  POINT a = PixelOf(map, 4000, 6000), b = PixelOf(map, 2000, 8000);
  RECT r;
  r.left = (a.x < b.x ? a.x : b.x) - margin, r.right = (a.x < b.x ? b.x : a.x) + margin;
  r.top = (a.y < b.y ? a.y : b.y) - margin, r.bottom = (a.y < b.y ? b.y : a.y) + margin;
  return r;
}

static int Inside(const RECT* outer, const RECT* inner) {
  return inner->left >= outer->left && inner->right <= outer->right &&
         inner->top >= outer->top && inner->bottom <= outer->bottom;
}

/* --- The whole map --------------------------------------------------------- */

/* mapPaint paints what mapPaintToDib paints, pixel for pixel, at visual
 * types 1 and 2, on top-down and bottom-up bitmaps; mapPaint95 too. */
static void WholeMap(HMAP map, const BITMAP32* picture) {
  const int w = picture->width, h = picture->height;
  RECT rect;
  BITMAP32 up = NewBitmap(w, h, 0), again = NewBitmap(w, h, 1);
  BITMAPINFOHEADER info;
  unsigned char* dib = (unsigned char*)malloc((size_t)w * (size_t)h * 4);
  int type, y;
  rect.left = 0, rect.top = 0, rect.right = w, rect.bottom = h;
  for (type = 1; type <= 2; ++type) {
    CHECK(mapSetViewType(map, type) != 0);
    CHECK(mapPaint(map, picture->dc, 1, &rect) == 1);
    CHECK(mapPaint(map, up.dc, 1, &rect) == 1);
    CHECK(mapPaint95(map, again.dc, 1, &rect) == 1);
    CHECK(Same(picture, &up));
    CHECK(Same(picture, &again));
    memset(&info, 0, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = w, info.biHeight = h, info.biPlanes = 1, info.biBitCount = 32;
    info.biSizeImage = (DWORD)w * (DWORD)h * 4;
    CHECK(dib != NULL && mapPaintToDib(map, &info, (char*)dib, &rect) == 1);
    /* The bitmap from mapPaintToDib is bottom-up: its last row is the top. */
    for (y = 0; dib != NULL && y < h; ++y)
      if (memcmp(Row(picture, y), dib + (size_t)(h - 1 - y) * (size_t)w * 4, (size_t)w * 4) != 0)
        break;
    CHECK(dib != NULL && y == h);
    if (y != h) fprintf(stderr, "visual type %d: row %d differs from mapPaintToDib\n", type, y);
    SaveBmp(picture, type == 1 ? "map_type1.bmp" : "map_type2.bmp");
  }
  /* An empty or reversed rectangle paints nothing and answers 0 at every
   * visual type. */
  for (type = 1; type <= 4; type += 3) {
    RECT empty = rect, reversed = rect;
    empty.right = empty.left;
    reversed.left = rect.right, reversed.right = rect.left;
    CHECK(mapSetViewType(map, type) != 0);
    CHECK(mapPaint(map, up.dc, 1, &empty) == 0);
    CHECK(mapPaint(map, up.dc, 1, &reversed) == 0);
    CHECK(mapPaint95(map, up.dc, 1, &reversed) == 0);
  }
  CHECK(mapSetViewType(map, 1) != 0);
  CHECK(mapPaint(map, picture->dc, 1, &rect) == 1);
  CHECK(Count(picture, ROAD_PIXEL) > 100 && Count(picture, LAKE_PIXEL) > 1000);
  free(dib);
  platDeleteBitmapDC(up.dc);
  platDeleteBitmapDC(again.dc);
}

/* mapPaint moves the origin by the rectangle's corner, mapPaint95 does
 * not: a part of the picture lands where it lies in the picture, or at
 * the bitmap's corner. */
static void PartOfTheMap(HMAP map, const BITMAP32* picture) {
  const int dx = 40, dy = 30, w = picture->width - dx, h = picture->height - dy;
  BITMAP32 part = NewBitmap(w, h, 1), whole = NewBitmap(picture->width, picture->height, 1);
  RECT rect;
  int y, same = 1;
  rect.left = dx, rect.top = dy, rect.right = dx + w, rect.bottom = dy + h;
  CHECK(mapPaint95(map, part.dc, 1, &rect) == 1);
  CHECK(mapPaint(map, whole.dc, 1, &rect) == 1);
  for (y = 0; y < h; ++y) {
    same &= memcmp(Row(&part, y), Row(picture, y + dy) + 4 * dx, (size_t)w * 4) == 0;
    same &= memcmp(Row(&whole, y + dy) + 4 * dx, Row(picture, y + dy) + 4 * dx, (size_t)w * 4) == 0;
  }
  CHECK(same);
  /* Above and left of the rectangle the whole bitmap is untouched. */
  CHECK(Px(&whole, 0, 0) == WHITE && Px(&whole, dx - 1, dy - 1) == WHITE);
  platDeleteBitmapDC(part.dc);
  platDeleteBitmapDC(whole.dc);
}

/* A printer and a plotter see the map at their own resolution, visual
 * type 1 painted as 6 for the call and kept at 1: at 300 dots per inch
 * the map is larger than on the display, its lines wider. */
static void OtherDevices(HMAP map, const BITMAP32* display) {
  const int w = 2 * display->width, h = 2 * display->height;
  BITMAP32 printer = NewBitmap(w, h, 1), plotter = NewBitmap(w, h, 0);
  RECT rect, box, shown;
  rect.left = 0, rect.top = 0, rect.right = w, rect.bottom = h;
  CHECK(platSetDeviceKind(printer.dc, PLATDEVICE_PRINTER, 0, 300) == -1);
  CHECK(platSetDeviceKind(printer.dc, 7, 300, 300) == -1);
  CHECK(platSetDeviceKind(printer.dc, PLATDEVICE_PRINTER, 300, 300) == PLATDEVICE_DISPLAY);
  CHECK(platSetDeviceKind(plotter.dc, PLATDEVICE_PLOTTER, 300, 300) == PLATDEVICE_DISPLAY);
  CHECK(mapGetViewType(map) == 1);
  CHECK(mapPaint(map, printer.dc, 1, &rect) == 1);
  CHECK(mapGetViewType(map) == 1);
  CHECK(mapPaint(map, plotter.dc, 1, &rect) == 1);
  CHECK(mapGetViewType(map) == 1);
  SaveBmp(&printer, "map_printer.bmp");
  SaveBmp(&plotter, "map_plotter.bmp");
  CHECK(Count(&printer, LAKE_PIXEL) > 3 * Count(display, LAKE_PIXEL) / 2);
  CHECK(BoxOf(&printer, LAKE_PIXEL, &box) && BoxOf(display, LAKE_PIXEL, &shown));
  CHECK(box.left > shown.left && box.right - box.left > shown.right - shown.left);
  CHECK(Count(&printer, ROAD_PIXEL) > 2 * Count(display, ROAD_PIXEL));
  CHECK(Same(&printer, &plotter));
  /* Back to a display: the display's picture again. */
  CHECK(platSetDeviceKind(printer.dc, PLATDEVICE_DISPLAY, 0, 0) == PLATDEVICE_PRINTER);
  Clear(&printer, WHITE);
  CHECK(mapPaint(map, printer.dc, 1, &rect) == 1);
  CHECK(BoxOf(&printer, LAKE_PIXEL, &box) && box.left == shown.left && box.top == shown.top);
  CHECK(Count(&printer, LAKE_PIXEL) == Count(display, LAKE_PIXEL));
  platDeleteBitmapDC(printer.dc);
  platDeleteBitmapDC(plotter.dc);
}

static HOBJ ReadObject(HMAP map, LONG number) {
  HOBJ object = mapCreateObject(map, 1, 0, 0);
  CHECK(object != 0 && mapReadObjectByNumber(map, 0, object, 1, number) == object);
  return object;
}

/* A window shows what a bitmap shows, painted through mapView,
 * mapViewObject and mapViewMapObject and through mapPaint on its own
 * context; its context dies with it. */
static void Window(HMAP map, const BITMAP32* picture) {
  const int w = picture->width, h = picture->height;
  HWND window = platCreateWindow(NULL, NULL, w, h);
  static const DWORD green[] = {0x00C000, 500};
  BITMAP32 read = NewBitmap(w, h, 1), shown = NewBitmap(w, h, 0);
  LONG stride = 0;
  unsigned char* bits = (unsigned char*)platGetBitmapBits(read.dc, &stride);
  DOUBLEPOINT corner = {0.0, 0.0};
  RECT rect;
  HDC dc;
  HOBJ object;
  PAINTPARM parm;
  rect.left = 0, rect.top = 0, rect.right = w, rect.bottom = h;
  CHECK(window != 0 && bits != NULL && stride == 4 * w);
  CHECK(mapView(map, window, 1, &corner, 2) == 1);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == h);
  CHECK(Same(&read, picture));
  SaveBmp(&read, "window.bmp");

  Clear(&read, 0);
  dc = platGetDC(window);
  CHECK(dc != 0);
  CHECK(mapSetBackColor(map, 0x00FF00) != 0);
  CHECK(mapPaint(map, dc, 1, &rect) == 1);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == h);
  CHECK(Count(&read, 0x00FF00) > (LONG)w * h / 2);
  CHECK(mapSetBackColor(map, WHITE) != 0);
  CHECK(mapPaint(map, dc, 1, &rect) == 1);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == h);
  CHECK(Same(&read, picture));
  /* A smaller buffer takes the top-left part. */
  Clear(&read, 0);
  CHECK(platReadWindowPixels(window, bits, stride, 10, 5) == 5);
  CHECK(Px(&read, 9, 4) == Px(picture, 9, 4) && Px(&read, 10, 4) == 0 && Px(&read, 9, 5) == 0);

  /* An object seen from a picture point, alone or with a paint record
   * over what the window shows: as on a bitmap given the same rectangle. */
  corner.X = 40.0, corner.Y = 30.0;
  rect.left = 40, rect.top = 30, rect.right = 40 + w, rect.bottom = 30 + h;
  object = ReadObject(map, 1);
  CHECK(mapViewObject(map, window, &corner, object, 2) == 1);
  CHECK(mapPaintObject95(map, shown.dc, &rect, object) == 1);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == h);
  CHECK(Same(&read, &shown) && Count(&read, LAKE_PIXEL) > 1000);
  parm.Image = PRIM_LINE, parm.Parm = (const char*)green, parm.Mode = 13;
  CHECK(mapViewMapObject(map, window, &corner, object, &parm, 2) == 1);
  CHECK(mapPaintMapObject95(map, shown.dc, &rect, object, &parm) == 1);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == h);
  CHECK(Same(&read, &shown) && Count(&read, 0x00C000) > 100);
  mapFreeObject(object);
  rect.left = 0, rect.top = 0, rect.right = w, rect.bottom = h;

  CHECK(platReadWindowPixels(window, NULL, stride, w, h) == 0);
  CHECK(platReadWindowPixels(window, bits, 4 * w - 1, w, h) == 0);
  CHECK(platReadWindowPixels(window, bits, stride, 0, h) == 0);
  CHECK(platReadWindowPixels(0, bits, stride, w, h) == 0);
  CHECK(platReleaseDC(0, dc) == 0);
  CHECK(platDeleteBitmapDC(dc) == 0);
  CHECK(platReleaseDC(window, dc) == 1);
  CHECK(platReleaseDC(window, dc) == 0);
  /* The context of a window that is gone paints nothing. */
  dc = platGetDC(window);
  CHECK(dc != 0);
  platDestroyWindow(window);
  CHECK(mapPaint(map, dc, 1, &rect) == 0);
  CHECK(platReleaseDC(window, dc) == 1);
  CHECK(platGetDC(window) == 0);
  CHECK(platReadWindowPixels(window, bits, stride, w, h) == 0);
  platDeleteBitmapDC(read.dc);
  platDeleteBitmapDC(shown.dc);
}

/* --- Objects, selects and sets ------------------------------------------- */

/* One object alone: the lake in its colour, nothing of the roads. */
static void Objects(HMAP map, const BITMAP32* b) {
  static const DWORD green[] = {0x00C000, 500};
  HOBJ lakeObject = ReadObject(map, 1), road = ReadObject(map, 2);
  const RECT lakeBox = LakeBox(map, 3);
  RECT rect, box, moved;
  PAINTPARM parm;
  DOUBLEPOINT offset = {12.0, 0.0}, points[2];
  LONG counts[1] = {2};
  PLACEDATA place;
  DWORD fill;
  LONG shift;
  rect.left = 0, rect.top = 0, rect.right = b->width, rect.bottom = b->height;

  Clear(b, WHITE);
  CHECK(mapPaintObject(map, b->dc, &rect, lakeObject) == 1);
  CHECK(Count(b, LAKE_PIXEL) > 1000 && Count(b, ROAD_PIXEL) == 0);
  CHECK(BoxOf(b, LAKE_PIXEL, &box) && Inside(&lakeBox, &box));
  Clear(b, WHITE);
  CHECK(mapPaintObjectEx(map, b->dc, &rect, road, 1, 0) == 1);
  CHECK(Count(b, ROAD_PIXEL) > 50 && Count(b, LAKE_PIXEL) == 0);
  Clear(b, WHITE);
  CHECK(mapPaintObject95(map, b->dc, &rect, lakeObject) == 1);
  CHECK(Count(b, LAKE_PIXEL) > 1000);

  /* With a paint record: a green line along the road; without, the
   * object's own image. */
  parm.Image = PRIM_LINE, parm.Parm = (const char*)green, parm.Mode = 13;
  Clear(b, WHITE);
  CHECK(mapPaintMapObject95(map, b->dc, &rect, road, &parm) == 1);
  CHECK(Count(b, 0x00C000) > 50 && CountOther(b, WHITE) == Count(b, 0x00C000));
  CHECK(BoxOf(b, 0x00C000, &box));
  Clear(b, WHITE);
  CHECK(mapPaintMapObject95(map, b->dc, &rect, lakeObject, NULL) == 1);
  /* A device fills the area at its fill intensity, lighter than the map's
   * own colour. */
  fill = Px(b, (lakeBox.left + lakeBox.right) / 2, (lakeBox.top + lakeBox.bottom) / 2);
  CHECK(fill != WHITE && Count(b, fill) > 1000 && Count(b, fill) == CountOther(b, WHITE));
  CHECK(BoxOf(b, fill, &moved) && Inside(&lakeBox, &moved));
  /* Moved by 12 pixels: the same line, 12 pixels along the first axis. */
  Clear(b, WHITE);
  CHECK(mapPaintOffsetMapObject95(map, b->dc, &rect, road, &parm, &offset, 2) == 1);
  CHECK(BoxOf(b, 0x00C000, &moved));
  CHECK(moved.left - box.left == 12 && moved.right - box.right == 12 && moved.top == box.top);
  CHECK(mapPaintOffsetMapObject95(map, b->dc, &rect, road, NULL, &offset, 2) == 0);

  /* A user object: a line in plane metres across the lake. */
  points[0].X = X0 + 3000, points[0].Y = Y0 + 5000;
  points[1].X = X0 + 3000, points[1].Y = Y0 + 9000;
  place.Points = points, place.PolyCounts = counts, place.Count = 1, place.Text = NULL;
  Clear(b, WHITE);
  CHECK(mapPaintUserObject(map, b->dc, &rect, &parm, &place, 3) == 1);
  CHECK(Count(b, 0x00C000) > 50);
  CHECK(BoxOf(b, 0x00C000, &box));
  Clear(b, WHITE);
  CHECK(mapPaintUserObject95(map, b->dc, &rect, &parm, &place, 3) == 1);
  CHECK(BoxOf(b, 0x00C000, &moved) && moved.left == box.left && moved.top == box.top);
  /* Moved 1 km north: the same line higher up. */
  offset.X = 1000.0, offset.Y = 0.0;
  Clear(b, WHITE);
  CHECK(mapPaintOffsetUserObject95(map, b->dc, &rect, &parm, &place, &offset, 3) == 1);
  CHECK(BoxOf(b, 0x00C000, &moved));
  shift = PixelOf(map, 3000, 5000).y - PixelOf(map, 4000, 5000).y;
  CHECK(moved.left == box.left && moved.right == box.right && shift > 50);
  CHECK(box.top - moved.top >= shift - 1 && box.top - moved.top <= shift + 1);
  SaveBmp(b, "user_object.bmp");
  mapFreeObject(lakeObject);
  mapFreeObject(road);
}

/* The total search finds the lake alone: painted in one colour, nothing
 * else touched. */
static void TotalSelect(HMAP map, const BITMAP32* b) {
  HSELECT select = mapCreateMapSelectContext(map);
  const RECT lakeBox = LakeBox(map, 4);
  RECT rect, box;
  rect.left = 0, rect.top = 0, rect.right = b->width, rect.bottom = b->height;
  CHECK(select != 0);
  mapSelectLocal(select, -1, 0);
  mapSelectLocal(select, LOCAL_SQUARE, 1);
  CHECK(mapSetSiteSeekSelect(map, 0, select) == 1);
  mapSetTotalSeekMapRule(map, -1);
  Clear(b, WHITE);
  CHECK(mapTotalPaintSelect95(map, b->dc, &rect, 0xFF00FF) == 1);
  SaveBmp(b, "total_select.bmp");
  CHECK(Count(b, 0xFF00FF) > 100);
  CHECK(Count(b, 0xFF00FF) + Count(b, WHITE) == (LONG)b->width * b->height);
  CHECK(BoxOf(b, 0xFF00FF, &box) && Inside(&lakeBox, &box));
  /* The wells alone: their circles, away from the lake. */
  mapSelectLocal(select, -1, 0);
  mapSelectLocal(select, LOCAL_POINT, 1);
  CHECK(mapSetSiteSeekSelect(map, 0, select) == 1);
  Clear(b, WHITE);
  CHECK(mapTotalPaintSelect95(map, b->dc, &rect, 0x0080FF) == 1);
  CHECK(Count(b, 0xFF8000) > 20);
  CHECK(Count(b, 0xFF8000) + Count(b, WHITE) == (LONG)b->width * b->height);
  mapClearSelectContext(select);
  CHECK(mapSetSiteSeekSelect(map, 0, select) == 1);
  mapDeleteSelectContext(select);
}

/* An object set of the lake and a road: both drawn in 0xFFFF00. */
static void ObjectSet(HMAP map, const BITMAP32* b) {
  HSET set = mapCreateObjectSet();
  HOBJ leader = ReadObject(map, 1), member = ReadObject(map, 2);
  const RECT lakeBox = LakeBox(map, 4);
  RECT rect, box;
  rect.left = 0, rect.top = 0, rect.right = b->width, rect.bottom = b->height;
  CHECK(set != 0);
  CHECK(mapObjectSetAppendGeneral(set, leader, 1) == 1);
  CHECK(mapObjectSetAppendSubordinate(set, member, 1) == 1);
  CHECK(mapObjectSetCount(set) == 2);
  Clear(b, WHITE);
  CHECK(mapPaintObjectSet(set, map, b->dc, &rect) == 1);
  SaveBmp(b, "object_set.bmp");
  /* 0xFFFF00 is blue 0xFF, green 0xFF, red 0. */
  CHECK(Count(b, 0x00FFFF) > 100);
  CHECK(BoxOf(b, 0x00FFFF, &box) && !Inside(&lakeBox, &box));
  mapFreeObjectSet(set);
  mapFreeObject(leader);
  mapFreeObject(member);
}

/* --- Legend samples -------------------------------------------------------- */

static void Legend(HMAP map, const LONG* kinds) {
  static const DWORD line[] = {0x008000, 500};
  BITMAP32 b = NewBitmap(64, 40, 1);
  RECT rect, box;
  rect.left = 0, rect.top = 0, rect.right = 64, rect.bottom = 40;
  /* At visual type 4 an area's fill is drawn as its outline, in its
   * colour; a line in its own colour. */
  CHECK(mapPaintExampleObjectEx(map, b.dc, &rect, kinds[1], 4) == 1);
  SaveBmp(&b, "legend_lake_type4.bmp");
  CHECK(Count(&b, LAKE_PIXEL) > 40);
  CHECK(Count(&b, LAKE_PIXEL) + Count(&b, WHITE) == 64L * 40);
  CHECK(BoxOf(&b, LAKE_PIXEL, &box) && box.right - box.left > 40 && box.bottom - box.top > 25);
  Clear(&b, WHITE);
  CHECK(mapPaintExampleObjectEx(map, b.dc, &rect, kinds[0], 4) == 1);
  CHECK(Count(&b, ROAD_PIXEL) > 40 && Count(&b, LAKE_PIXEL) == 0);
  CHECK(mapGetViewType(map) == 1);
  /* The other entries, at the document's visual type. */
  Clear(&b, WHITE);
  CHECK(mapPaintExampleObject(map, b.dc, &rect, kinds[1]) == 1);
  CHECK(Count(&b, LAKE_PIXEL) > 500);
  SaveBmp(&b, "legend_lake.bmp");
  Clear(&b, WHITE);
  CHECK(mapPaintExampleSiteObject(map, 0, b.dc, &rect, kinds[0]) == 1);
  CHECK(Count(&b, ROAD_PIXEL) > 40);
  Clear(&b, WHITE);
  CHECK(mapPaintExampleRscObject(map, mapGetRscIdent(map, 0), b.dc, &rect, kinds[2]) == 1);
  CHECK(Count(&b, WELL_COLOUR) > 20);
  Clear(&b, WHITE);
  CHECK(mapPaintExampleObjectFunc(map, b.dc, 0, 0, 64, 40, PRIM_LINE, (const char*)line, 0, NULL,
                                  0, NULL) == 1);
  CHECK(Count(&b, 0x008000) > 40);
  Clear(&b, WHITE);
  CHECK(mapPaintExampleObjectRealByFuncData(map, b.dc, &rect, PRIM_LINE, (const char*)line, NULL,
                                            0, NULL, 0, NULL) == 1);
  CHECK(Count(&b, 0x008000) > 40);
  platDeleteBitmapDC(b.dc);
}

/* --- A relief in 3-D ------------------------------------------------------- */

static void Relief(void) {
  char path[512];
  BUILDMTW build;
  BITMAP32 b = NewBitmap(128, 96, 1);
  HMAP mtr;
  HMTR3D view;
  MTR3DVIEW old;
  MTR3DVIEWEX ex;
  double x, y;
  DWORD sky;
  PkgHostPath(path, sizeof path, folder, "relief.mtw");
  PkgHostMtwRecord(&build, 6000000.0, 500000.0, 400.0, 400.0, 10.0);
  build.HeightUnit = 0, build.Scale = 1000; /* metres, at 1:1000 */
  mtr = mapCreateMtr(path, &build);
  CHECK(mtr != 0);
  if (mtr == 0) return;
  /* A hill in the middle. */
  for (x = 6000005; x < 6000400; x += 10)
    for (y = 500005; y < 500400; y += 10) {
      const double dx = x - 6000200, dy = y - 500200, d2 = dx * dx + dy * dy;
      CHECK(mapPutHeightValue(mtr, 1, x, y, d2 < 150.0 * 150.0 ? 150.0 - d2 / 150.0 : 0.0) == 1);
    }
  /* Opened again, the document knows the matrix's range of heights. */
  mapCloseData(mtr);
  mtr = mapOpenData(path, 0);
  CHECK(mtr != 0);
  view = mapOpenMtr3D(mtr, 128, 96);
  CHECK(view != 0);
  memset(&old, 0, sizeof old);
  old.ViewX = 6000200, old.ViewY = 500200;
  old.ObserverX = 5999500, old.ObserverY = 500200, old.ObserverHeight = 500;
  old.Scale = 40000, old.HeightScale = 60, old.GridStep = 8, old.ShowGrid = 1;
  mapPaintMtr3D(view, b.dc, &old);
  SaveBmp(&b, "relief.bmp");
  sky = Px(&b, 0, 0);
  CHECK(CountOther(&b, WHITE) > 128L * 96 / 2);
  CHECK(CountOther(&b, sky) > 128L * 96 / 4);

  memset(&ex, 0, sizeof ex);
  ex.ViewX = 6000200, ex.ViewY = 500200;
  ex.Scale = 40000, ex.HeightScale = 80, ex.GridStep = 16;
  ex.Elevation = 30, ex.PaletteStyle = 1, ex.ColorByHeight = 1, ex.Shadow = 1;
  ex.Width = 128, ex.Height = 96;
  Clear(&b, WHITE);
  mapPaintMtr3Dx(view, b.dc, &ex);
  SaveBmp(&b, "relief_ex.bmp");
  sky = Px(&b, 0, 0);
  CHECK(CountOther(&b, WHITE) > 128L * 96 / 2);
  CHECK(CountOther(&b, sky) > 128L * 96 / 4);
  mapCloseMtr3D(view);
  mapCloseData(mtr);
  platDeleteBitmapDC(b.dc);
}

/* --- Refusals -------------------------------------------------------------- */

/* Every function that takes a device context, with a bad one: 0, and the
 * sentinel bitmap untouched. */
static void Refused(HMAP map, HDC dc, const BITMAP32* sentinel, const LONG* kinds) {
  static const DWORD line[] = {0x008000, 500};
  HOBJ object = ReadObject(map, 2);
  HSET set = mapCreateObjectSet();
  RECT rect;
  PAINTPARM parm;
  DOUBLEPOINT offset = {1.0, 1.0}, points[2] = {{X0, Y0}, {X0 + 5000, Y0 + 5000}};
  LONG counts[1] = {2};
  PLACEDATA place;
  MTR3DVIEW old;
  MTR3DVIEWEX ex;
  rect.left = 0, rect.top = 0, rect.right = 64, rect.bottom = 64;
  parm.Image = PRIM_LINE, parm.Parm = (const char*)line, parm.Mode = 13;
  place.Points = points, place.PolyCounts = counts, place.Count = 1, place.Text = NULL;
  memset(&old, 0, sizeof old);
  memset(&ex, 0, sizeof ex);
  CHECK(mapObjectSetAppendGeneral(set, object, 0) == 1);
  CHECK(mapPaint(map, dc, 1, &rect) == 0);
  CHECK(mapPaint95(map, dc, 1, &rect) == 0);
  CHECK(mapPaintObject(map, dc, &rect, object) == 0);
  CHECK(mapPaintObjectEx(map, dc, &rect, object, 1, 0) == 0);
  CHECK(mapPaintObject95(map, dc, &rect, object) == 0);
  CHECK(mapPaintMapObject95(map, dc, &rect, object, &parm) == 0);
  CHECK(mapPaintOffsetMapObject95(map, dc, &rect, object, &parm, &offset, 2) == 0);
  CHECK(mapPaintUserObject(map, dc, &rect, &parm, &place, 3) == 0);
  CHECK(mapPaintUserObject95(map, dc, &rect, &parm, &place, 3) == 0);
  CHECK(mapPaintOffsetUserObject95(map, dc, &rect, &parm, &place, &offset, 3) == 0);
  CHECK(mapTotalPaintSelect95(map, dc, &rect, 0xFF00FF) == 0);
  CHECK(mapPaintObjectSet(set, map, dc, &rect) == 0);
  CHECK(mapPaintExampleObject(map, dc, &rect, kinds[0]) == 0);
  CHECK(mapPaintExampleObjectEx(map, dc, &rect, kinds[0], 4) == 0);
  CHECK(mapPaintExampleObjectFunc(map, dc, 0, 0, 64, 64, PRIM_LINE, (const char*)line, 0, NULL, 0,
                                  NULL) == 0);
  CHECK(mapPaintExampleObjectRealByFuncData(map, dc, &rect, PRIM_LINE, (const char*)line, NULL, 0,
                                            NULL, 0, NULL) == 0);
  CHECK(mapPaintExampleSiteObject(map, 0, dc, &rect, kinds[0]) == 0);
  CHECK(mapPaintExampleRscObject(map, mapGetRscIdent(map, 0), dc, &rect, kinds[0]) == 0);
  /* The 3-D view answers nothing: it must only not paint or crash. */
  mapPaintMtr3D(0, dc, &old);
  mapPaintMtr3Dx(0, dc, &ex);
  CHECK(platGetBitmapBits(dc, NULL) == NULL);
  CHECK(platDeleteBitmapDC(dc) == 0);
  CHECK(platSetDeviceKind(dc, PLATDEVICE_PRINTER, 300, 300) == -1);
  CHECK(CountOther(sentinel, WHITE) == 0);
  mapFreeObjectSet(set);
  mapFreeObject(object);
}

static void Bitmaps(void) {
  BITMAP32 b = NewBitmap(3, 2, 0);
  LONG stride = -1;
  CHECK(platCreateBitmapDC(0, 10, 1) == 0);
  CHECK(platCreateBitmapDC(10, 0, 1) == 0);
  CHECK(platCreateBitmapDC(-5, 10, 0) == 0);
  CHECK(platCreateBitmapDC(PLATBITMAP_MAXSIDE + 1, 1, 1) == 0);
  CHECK(platCreateBitmapDC(1, 0x7FFFFFFF, 1) == 0);
  CHECK(platCreateBitmapDC(PLATBITMAP_MAXSIDE, PLATBITMAP_MAXSIDE, 1) == 0);
  CHECK(platCreateBitmapDC(50000, 50000, 0) == 0);
  CHECK(platGetBitmapBits(b.dc, &stride) != NULL && stride == 12);
  CHECK(Px(&b, 0, 0) == WHITE && Px(&b, 2, 1) == WHITE);
  CHECK(platDeleteBitmapDC(b.dc) == 1);
  CHECK(platDeleteBitmapDC(b.dc) == 0);
  CHECK(platGetBitmapBits(b.dc, &stride) == NULL && stride == 0);
  CHECK(platDeleteBitmapDC(0) == 0);
  CHECK(platGetDC(0) == 0);
  /* A window has the sizes a bitmap may have, or none is made. */
  CHECK(platCreateWindow(NULL, NULL, 0, 0) == 0);
  CHECK(platCreateWindow(NULL, NULL, -5, 10) == 0);
  CHECK(platCreateWindow(NULL, NULL, 0x7FFFFFFF, 0x7FFFFFFF) == 0);
  CHECK(platCreateWindow(NULL, NULL, PLATBITMAP_MAXSIDE + 1, 1) == 0);
}

int main(int argc, char** argv) {
  char rscPath[512], mapPath[512];
  LONG kinds[3] = {0, 0, 0}, width = 0, height = 0;
  BITMAP32 picture, sentinel, freed;
  HMAP map;
  int notADc[16] = {0};
  if (argc > 1) folder = argv[1];
  mapMessageEnable(0);
  Bitmaps();
  PkgHostPath(rscPath, sizeof rscPath, folder, "dc.rsc");
  PkgHostPath(mapPath, sizeof mapPath, folder, "dc.map");
  MakeClassifier(rscPath, kinds);
  map = pkghost_failures == 0 ? MakeMap(mapPath, rscPath) : 0;
  CHECK(map != 0);
  if (map == 0) return PkgHostExit("pkghost_devicecontexts");
  AppendObjects(map);
  CHECK(mapSetBackColor(map, WHITE) != 0);
  CHECK(mapGetPictureSize(map, &width, &height) == 1 && width > 300 && height > 300);
  picture = NewBitmap((int)width, (int)height, 1);

  WholeMap(map, &picture);
  PartOfTheMap(map, &picture);
  OtherDevices(map, &picture);
  Window(map, &picture);
  Objects(map, &picture);
  TotalSelect(map, &picture);
  ObjectSet(map, &picture);
  Legend(map, kinds);
  Relief();

  sentinel = NewBitmap(64, 64, 1);
  freed = NewBitmap(64, 64, 1);
  platDeleteBitmapDC(freed.dc);
  Refused(map, 0, &sentinel, kinds);
  Refused(map, freed.dc, &sentinel, kinds);
  Refused(map, (HDC)notADc, &sentinel, kinds);
  Refused(map, (HDC)((char*)notADc + 1), &sentinel, kinds);
  platDeleteBitmapDC(sentinel.dc);
  platDeleteBitmapDC(picture.dc);
  mapCloseData(map);
  return PkgHostExit("pkghost_devicecontexts");
}
