// Ellipses by chords and join arcs.
#include "drawing/chordarcs.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "drawing/pixelmath.h"

namespace {

using i64 = int64_t;

struct Step {
  double x;
  double y;
};

// The octant of the circle of radius a from (0, a) towards the diagonal.
int Octant(int a, Step* s) {
  int n = 0;
  if (a <= 10) {
    s[n++] = {0.0, double(a)};
    for (int i = 1;; ++i) {
      const double r2 = double(a) * a - double(i) * i;
      if (r2 < 0.0) break;
      const double y = std::sqrt(r2);
      if (y < i) break;
      s[n++] = {double(i), y};
    }
    return n;
  }
  const int m = a < 19 ? (a + 2) / 4 : 6;
  const double step = std::numbers::pi / (4 * m);
  for (int j = 0; j <= m; ++j) s[n++] = {std::sin(j * step) * a, std::cos(j * step) * a};
  return n;
}

bool HasRoom(const POLYDATA* out) {
  return out != nullptr && out->Points != nullptr && out->PolyCounts != nullptr;
}

POINT Moved(POINT c, i64 dx, i64 dy) {
  return POINT{SaturatePixel(i64(c.x) + dx), SaturatePixel(i64(c.y) + dy)};
}

// The point at radii (rx, ry) from k towards p.
POINT Towards(POINT k, POINT p, int rx, int ry) {
  const double dx = double(p.x) - k.x, dy = double(p.y) - k.y;
  const double d = std::sqrt(dx * dx + dy * dy + 0.001);
  return Moved(k, NearestPixel(rx * dx / d), NearestPixel(ry * dy / d));
}

POINT Reflected(POINT p, POINT k) {
  return Moved(k, i64(k.x) - p.x, i64(k.y) - p.y);
}

constexpr double kTurn = 2.0 * std::numbers::pi;

// Position of (x, y) on the unit circle, in radians 0 .. 2 pi in the
// order of the chord outlines: 0 below the centre, pi / 2 to the right.
double Position(double x, double y) {
  const double a = std::atan2(x, y);
  return a < 0.0 ? a + kTurn : a;
}

// How far b lies after a in that order, 0 .. 2 pi; a hair before a counts
// as a itself.
double Sweep(double a, double b) {
  double d = b - a;
  if (d < 0.0) d += kTurn;
  return d > kTurn - 1e-9 ? 0.0 : d;
}

// The join arc on the closed outline of m + 1 points around k (its last
// point closes it), whose radii are rx and ry.
int JoinOnOutline(POINT p, POINT k, POINT n, int rx, int ry, const POINT* ring, int m,
                  POLYDATA* out) {
  POINT* o = out->Points;
  int count = 0;
  o[count++] = Towards(k, p, rx, ry);
  if (m >= 1) {
    // Positions on the ellipse are taken on the unit circle it is
    // stretched from; the outline's vertices follow each other in order
    // (repeated ones included), each quarter being monotone in x and y.
    const double from = Position(double(p.x) - k.x, double(p.y) - k.y);
    const double total = Sweep(from, Position(double(n.x) - k.x, double(n.y) - k.y));
    const double sx = rx > 0 ? rx : 1, sy = ry > 0 ? ry : 1;
    auto at = [&](int j) {
      return Sweep(from, Position((double(ring[j].x) - k.x) / sx, (double(ring[j].y) - k.y) / sy));
    };
    // The first vertex at or after the start direction (the first of a
    // repeated one), then every vertex up to the end direction.
    int s = 0;
    double least = at(0);
    for (int j = 1; j < m; ++j) {
      const double a = at(j);
      if (a < least) least = a, s = j;
    }
    for (int j = 0; j < m && at((s + m - 1) % m) == least; ++j) s = (s + m - 1) % m;
    for (int j = 0; j < m && at((s + j) % m) <= total + 1e-9; ++j) o[count++] = ring[(s + j) % m];
    // A vertex repeated at the end is taken once.
    while (count > 2 && o[count - 1].x == o[count - 2].x && o[count - 1].y == o[count - 2].y) --count;
  }
  o[count++] = Towards(k, n, rx, ry);
  out->PolyCounts[0] = count;
  return count;
}

// The ends of a join: false when p and n coincide; a corner equal to one
// of them stands for the reflection of the other.
bool JoinEnds(POINT* p, POINT k, POINT* n) {
  if (p->x == n->x && p->y == n->y) return false;
  if (p->x == k.x && p->y == k.y)
    *p = Reflected(*n, k);
  else if (n->x == k.x && n->y == k.y)
    *n = Reflected(*p, k);
  return true;
}

}  // namespace

int DrawEllipseByChords(POINT centre, int a, int b, POLYDATA* out) {
  if (!HasRoom(out)) return 0;
  POINT* p = out->Points;
  int n = 0;
  if (a < 2) {
    p[n++] = centre;
  } else {
    Step s[CHORD_POINTS_MAX];
    const int k = Octant(a, s);
    n = k;
    for (int i = k - 1; i >= 0; --i) s[n++] = {s[i].y, s[i].x};
    const int quarter = n;
    for (int i = quarter - 1; i >= 0; --i) s[n++] = {s[i].x, -s[i].y};
    const int half = n;
    for (int i = half - 1; i >= 0; --i) s[n++] = {-s[i].x, s[i].y};
    const double f = double(b) / a;
    for (int i = 0; i < n; ++i)
      p[i] = Moved(centre, TruncatePixel(s[i].x + 0.4), TruncatePixel(s[i].y * f + 0.4));
  }
  out->PolyCounts[0] = n;
  return n;
}

int DrawJoinArc(POINT p, POINT k, POINT n, int radius, POLYDATA* out) {
  if (!HasRoom(out)) return 0;
  out->PolyCounts[0] = 0;
  if (!JoinEnds(&p, k, &n)) return 0;
  POINT ring[CHORD_POINTS_MAX];
  LONG ringCount = 0;
  POLYDATA circle{};
  circle.Points = ring;
  circle.PolyCounts = &ringCount;
  circle.Count = 1;
  const int m = DrawArcByChords(k, radius, &circle) - 1;
  return JoinOnOutline(p, k, n, radius, radius, ring, m, out);
}

int DrawJoinEllipse(POINT p, POINT k, POINT n, int rx, int ry, POLYDATA* out) {
  if (!HasRoom(out)) return 0;
  out->PolyCounts[0] = 0;
  if (!JoinEnds(&p, k, &n)) return 0;
  POINT ring[CHORD_POINTS_MAX];
  LONG ringCount = 0;
  POLYDATA ellipse{};
  ellipse.Points = ring;
  ellipse.PolyCounts = &ringCount;
  ellipse.Count = 1;
  const int m = DrawEllipseByChords(k, rx, ry, &ellipse) - 1;
  return JoinOnOutline(p, k, n, rx, ry, ring, m, out);
}
