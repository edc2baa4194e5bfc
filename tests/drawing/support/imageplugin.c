/* An image plug-in library for the tests, built from the public headers
 * alone as an outside plug-in would be, in three variants: the whole one;
 * one without imlTestVisible (IMAGEPLUGIN_NO_TEST_VISIBLE); and one that
 * accepts its host only by a name in a folder (IMAGEPLUGIN_PICKY).
 *
 * Images: 1 a filled square of side parm word 0 (micrometres) in the colour
 * of word 1 at each part's first point, painted through the host; 2 crosses
 * written into the memory image every 10 steps along each segment (on a
 * device: drawn through the host); 3 listed twice, first without a
 * description; 4 paints the plug-in image record {slot word 0, image 4}
 * through the host, that is itself, without end. A host program that
 * defines imageplugin_event sees the plug-in's opening and closing. */
#include <string.h>

#include "api/imagelib_api.h"
#include "types/primitives.h"

#define EXPORT __attribute__((visibility("default")))

void imageplugin_event(const char* event, const char* text) __attribute__((weak));

static void Event(const char* event, const char* text) {
  if (imageplugin_event) imageplugin_event(event, text);
}

static const char kSquare[12] = {0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0};
static const char kCross[12] = {0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0};
static const char kOther[12] = {0, 0, 0, 0, 0, 0, 0, 0, (char)0xFF, 0, 0, 0};

static struct {
  LONG Reserve;
  LONG Count;
  IMGLISTENTRY Image[5];
} g_list = {0, 5, {{1, kSquare, {0}}, {2, kCross, {0}}, {3, 0, {0}}, {3, kOther, {0}},
                   {4, 0, {0}}}};

static LONG Word(const char* parm, int n) {
  LONG v;
  memcpy(&v, parm + 4 * n, 4);
  return v;
}

/* The square of image 1 around (x, y) as a closed part. */
static void SquareAt(const char* parm, const IMGCONTEXT* c, LONG x, LONG y, POINT* p) {
  const LONG h = (LONG)(Word(parm, 0) * c->PixelsPerMicronX * c->Scale / 2);
  p[0].x = x - h, p[0].y = y - h;
  p[1].x = x + h, p[1].y = y - h;
  p[2].x = x + h, p[2].y = y + h;
  p[3].x = x - h, p[3].y = y + h;
  p[4] = p[0];
}

static POLYDATA One(POINT* points, LONG* count) {
  POLYDATA d;
  memset(&d, 0, sizeof d);
  d.Points = points;
  d.PolyCounts = count;
  d.Count = 1;
  return d;
}

static LONG PaintSquare(LONG x, LONG y, const char* parm, const IMGCONTEXT* c) {
  POINT p[5];
  LONG count = 5;
  POLYDATA d = One(p, &count);
  LONG fill[1], line[2];
  SquareAt(parm, c, x, y, p);
  d.MinX = p[0].x, d.MinY = p[0].y, d.MaxX = p[2].x, d.MaxY = p[2].y;
  fill[0] = Word(parm, 1);
  line[0] = 0, line[1] = 250;
  return imgPaintImage(&d, PRIM_SQUARE, (const char*)fill, c) &&
         imgPaintImage(&d, PRIM_LINE, (const char*)line, c);
}

static void Cross(LONG x, LONG y, COLORREF colour, const IMGCONTEXT* c) {
  DIBDESCRIBE dib;
  int i;
  if (c->Kind != IMGCONTEXT_DIB) {
    POINT p[2];
    LONG count = 2, line[2];
    POLYDATA d = One(p, &count);
    line[0] = (LONG)colour, line[1] = 0;
    p[0].x = x - 3, p[0].y = y, p[1].x = x + 3, p[1].y = y;
    imgPaintImage(&d, PRIM_LINE, (const char*)line, c);
    p[0].x = x, p[0].y = y - 3, p[1].x = x, p[1].y = y + 3;
    imgPaintImage(&d, PRIM_LINE, (const char*)line, c);
    return;
  }
  if (!imgGetDibDescribe(&dib)) return;
  colour = imgGetTrueColorByColor(0, colour);
  for (i = -3; i <= 3; ++i) {
    const LONG points[2][2] = {{x + i, y}, {x, y + i}};
    int k;
    for (k = 0; k < 2; ++k) {
      const LONG px = points[k][0], py = points[k][1];
      if (px < 0 || py < 0 || px >= c->Width || py >= c->Height || px >= dib.Width ||
          py >= dib.Height)
        continue;
      memcpy(dib.Top - (ptrdiff_t)py * dib.RowBytes + 4 * px, &colour, 4);
    }
  }
}

static LONG PaintCrosses(POLYDATA* data, const char* parm, const IMGCONTEXT* c) {
  LONG part, i, at = 0;
  for (part = 0; part < data->Count; ++part) {
    const POINT* p = data->Points + at;
    for (i = 0; i + 1 < data->PolyCounts[part]; ++i) {
      IMGSEGMENT s;
      LONG n;
      s.X1 = p[i].x, s.Y1 = p[i].y, s.X2 = p[i + 1].x, s.Y2 = p[i + 1].y;
      for (n = 0; n < 100000; n += 10) {
        POINT q;
        imgFindPointOnLine(&q, &s, n);
        if ((s.X2 - q.x) * (s.X2 - s.X1) < 0 || (s.Y2 - q.y) * (s.Y2 - s.Y1) < 0) break;
        Cross(q.x, q.y, (COLORREF)Word(parm, 0), c);
        if (q.x == s.X2 && q.y == s.Y2) break;
      }
    }
    at += data->PolyCounts[part];
  }
  return 1;
}

EXPORT LONG WINAPI imlOpenGisLibrary(const char* host) {
  Event("open", host);
#ifdef IMAGEPLUGIN_PICKY
  return strchr(host, '/') != 0;
#else
  return 1;
#endif
}

EXPORT void WINAPI imlCloseGisLibrary(void) { Event("close", ""); }

EXPORT const IMGLIST* WINAPI imlGetImageList(void) { return (const IMGLIST*)&g_list; }

EXPORT LONG WINAPI imlPaintImage(LONG image, POLYDATA* data, const char* parm,
                                 const IMGCONTEXT* c) {
  LONG part, at = 0;
  if (image == 2) return PaintCrosses(data, parm, c);
  if (image == 4) {
    LONG record[5];
    record[0] = 0, record[1] = 0, record[2] = Word(parm, 0), record[3] = 4, record[4] = record[2];
    return imgPaintImage(data, PRIM_LIBRARY, (const char*)record, c);
  }
  if (image != 1) return 0;
  for (part = 0; part < data->Count; ++part) {
    if (data->PolyCounts[part] > 0) PaintSquare(data->Points[at].x, data->Points[at].y, parm, c);
    at += data->PolyCounts[part];
  }
  return 1;
}

EXPORT LONG WINAPI imlPaintExample(LONG image, const char* parm, const IMGCONTEXT* c) {
  return image == 1 ? PaintSquare(c->Width / 2, c->Height / 2, parm, c) : 0;
}

#ifndef IMAGEPLUGIN_NO_TEST_VISIBLE
EXPORT LONG WINAPI imlTestVisible(LONG image, POLYDATA* data, const char* parm,
                                  const IMGCONTEXT* c) {
  POINT p[5];
  LONG count = 5, fill = 0;
  POLYDATA d = One(p, &count);
  if (image != 1 || data->Count < 1 || data->PolyCounts[0] < 1) return 0;
  SquareAt(parm, c, data->Points[0].x, data->Points[0].y, p);
  d.MinX = p[0].x, d.MinY = p[0].y, d.MaxX = p[2].x, d.MaxY = p[2].y;
  return imgTestVisible(&d, PRIM_SQUARE, (const char*)&fill, c);
}
#endif

/* Image 1: 5 left, 7 above, 20 right and 30 below its first point;
 * image 2: the border the host gives a line along its points. */
EXPORT LONG WINAPI imlGetImageBorder(LONG image, POLYDATA* data, const char* parm,
                                     const IMGCONTEXT* c, FRAME* frame) {
  (void)parm;
  if (data->Count < 1 || data->PolyCounts[0] < 1) return 0;
  frame->X1 = frame->X2 = data->Points[0].x;
  frame->Y1 = frame->Y2 = data->Points[0].y;
  if (image == 1) {
    frame->X1 -= 5, frame->Y1 -= 7, frame->X2 += 20, frame->Y2 += 30;
    return 1;
  }
  if (image == 2) {
    const LONG line[4] = {0, 1000, 0, 0};
    return imgPrepareBorder(data, PRIM_LINE, (const char*)line, c, frame);
  }
  return 0;
}
