// Circles by chords.
#include "drawing/paintgeometry.h"

#include <cmath>
#include <numbers>

#include "drawing/pixelmath.h"

namespace {

struct Step {
  LONG x;
  LONG y;
};

// The octant from (0, r) towards the diagonal.
int Octant(int r, Step* s) {
  int n = 0;
  if (r <= 10) {
    s[n++] = {0, r};
    for (int i = 1;; ++i) {
      const int r2 = r * r - i * i;
      if (r2 < 1) break;
      const int y = static_cast<int>(std::sqrt(static_cast<double>(r2)) + 0.3);
      if (i >= y) break;
      s[n++] = {i, y};
    }
    return n;
  }
  const int m = r < 19 ? (r + 2) / 4 : 6;
  const double a = std::numbers::pi / (4 * m);
  for (int j = 0; j <= m; ++j)
    s[n++] = {static_cast<LONG>(std::sin(j * a) * r + 0.4),
              static_cast<LONG>(std::cos(j * a) * r + 0.4)};
  return n;
}

POINT Moved(POINT c, Step s) {
  return POINT{SaturatePixel(int64_t(c.x) + s.x), SaturatePixel(int64_t(c.y) + s.y)};
}

}  // namespace

int DrawArcByChords(POINT centre, int radius, POLYDATA* out) {
  if (out == nullptr || out->Points == nullptr || out->PolyCounts == nullptr) return 0;
  POINT* p = out->Points;
  int n = 0;
  if (radius < 1) {
    p[n++] = centre;
  } else if (radius == 1) {
    const Step d[5] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    for (const Step& s : d) p[n++] = Moved(centre, s);
  } else {
    Step s[CHORD_POINTS_MAX];
    const int k = Octant(radius, s);
    n = k;
    for (int i = k - 1; i >= 0; --i) s[n++] = {s[i].y, s[i].x};  // the quarter to (r, 0)
    const int quarter = n;
    for (int i = quarter - 1; i >= 0; --i) s[n++] = {s[i].x, -s[i].y};  // to (0, -r)
    const int half = n;
    for (int i = half - 1; i >= 0; --i) s[n++] = {-s[i].x, s[i].y};  // back to (0, r)
    for (int i = 0; i < n; ++i) p[i] = Moved(centre, s[i]);
  }
  out->PolyCounts[0] = n;
  return n;
}
