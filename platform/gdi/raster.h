// Rasterisers: cosmetic lines, the scanline polygon filler and wide pens.
// All coordinates are device coordinates in 64-bit integers, so that any
// 32-bit logical coordinate plus a viewport origin is exact.
#pragma once

#include <cstdint>

#include "platform/gdi/surface.h"

namespace plat::gdi {

// A one-pixel line from (x0, y0) towards (x1, y1), leaving out the end
// pixel. Integer Bresenham: along the major axis every pixel, the minor
// coordinate the rounded exact one, ties rounded towards the start. Only the
// pixels inside the target's clip are visited, whatever the coordinates.
void ThinLine(const Target& t, int64_t x0, int64_t y0, int64_t x1, int64_t y1);

// Polygon fill. Vertices are in 1/256 pixel (FIX_ONE = one pixel); pixel
// (x, y) is inside when its sample point (x, y) is inside, by the even-odd or
// non-zero rule; a sample on an edge belongs to the area on the edge's right
// (left and top edges included, right and bottom excluded).
constexpr int FIX_SHIFT = 8;
constexpr int64_t FIX_ONE = 1 << FIX_SHIFT;
struct FixPoint {
  int64_t x, y;
};
// rings: counts[i] points each, closed implicitly.
void FillPolygons(const Target& t, const FixPoint* points, const int* counts, int rings,
                  bool winding);

// A wide polyline with round caps and joins, painted in one non-zero pass
// (each pixel once). closed: the last point joins the first.
void WidePolyline(const Target& t, const int64_t* xy, int count, int width, bool closed);

}  // namespace plat::gdi
