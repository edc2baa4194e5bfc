// Small polygons with their one-pixel outlines, and one-pixel lines,
// written straight into the picture that the paint context holds for a
// device context (its picture context, PaintContext.PictureDc), by the
// device's own pixel rules: the pixels are those the device would set,
// without a device call for each figure. Device lines, wide (band by band)
// and thin, are drawn this way there, which makes a line cost about what
// its pixels cost.
//
// The device's rules: a polygon covers pixel (x, y) when the sample point
// (x, y) lies inside it by the context's filling rule (alternate or
// winding), a sample on an edge belonging to the area on the edge's right
// (left and top edges in, right and bottom edges out); an outline edge
// from p to q sets, for every step along the major axis from p up to but
// not including q, the pixel whose minor coordinate is the exact one
// rounded to the nearest, halves rounded towards p. Only the pixels of the
// current draw place are written (the rest of the picture is not shown).
#pragma once

#include <cstdint>

#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

// The most points of a ring the picture writes itself.
constexpr int PICTURE_RING_MAX = 64;

// Where and how a ring goes into the picture.
struct PICTUREPEN {
  BYTE* Top;        // the picture's top row
  intptr_t Stride;  // bytes from a row to the one below it
  LONG Width;       // the draw place in pixels
  LONG Height;
  DWORD Pixel;      // the colour as a picture pixel (0x00RRGGBB)
  bool Winding;     // the context fills by the winding rule
};

// The pen for painting `colour` on dc straight into the picture: false
// when dc is not the paint context's picture context, a host's drawing
// callbacks take the drawing, the context's origin is not at the picture's
// corner, it combines pixels otherwise than by copying the colour, or the
// colour is not a plain RGB colour.
bool TakePicturePen(HDC dc, COLORREF colour, PICTUREPEN* pen);

// While it lives, the drawing state of dc (its mix, its origin, its filling
// rule) is read once for every pen TakePicturePen gives on dc, not once
// for each: the painting that makes it changes none of them meanwhile.
// The rest is checked for each pen as ever.
class TDecidedPicturePen {
 public:
  explicit TDecidedPicturePen(HDC dc);
  ~TDecidedPicturePen();
  TDecidedPicturePen(const TDecidedPicturePen&) = delete;
  TDecidedPicturePen& operator=(const TDecidedPicturePen&) = delete;

 private:
  HDC dc_;  // the context decided before, and its filling rule
  bool winding_;
};

// A ring of 2 to PICTURE_RING_MAX points (closed implicitly) filled and
// outlined in the pen's colour, as a one-pixel pen and a solid brush of
// that colour draw it on the device.
void PaintPictureRing(const PICTUREPEN& pen, const POINT* points, int count);
// The same for a ring of 2 to PICTURE_RING_MAX points every one of which
// the caller knows to lie inside the pen's draw place.
void PaintPictureRingInside(const PICTUREPEN& pen, const POINT* points, int count);
// The bands of one part of a wide line of n >= 2 points and half width h,
// as DrawWideDeviceLine forms them, every corner of which the caller knows
// to lie inside the pen's draw place and below kExactTurn in size, and
// every point two pixels or more inside it, painted as
// PaintPictureRingInside paints each.
void PaintPictureBandsInside(const PICTUREPEN& pen, const POINT* q, LONG n, double h);
// A one-pixel line from a to b with both ends, as the device drawing
// wrappers draw a line (DrawLine).
void PaintPictureLine(const PICTUREPEN& pen, POINT a, POINT b);
