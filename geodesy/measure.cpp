// Plane geometry on DOUBLEPOINT.
#include "geodesy/measure.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTiny = 1e-6;    // coincidence of coordinates in distances
constexpr double kNear = 0.001;   // coincidence in angles, circles and positions

// (b - a) x (p - a)
double Cross(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  return (b->X - a->X) * (p->Y - a->Y) - (p->X - a->X) * (b->Y - a->Y);
}

// Both coordinates closer than e.
bool Within(const DOUBLEPOINT* p, const DOUBLEPOINT* q, double e) {
  return std::fabs(p->X - q->X) < e && std::fabs(p->Y - q->Y) < e;
}

// Both coordinates within e (equal ones always).
bool Coincide(const DOUBLEPOINT* p, const DOUBLEPOINT* q, double e) {
  double dx = std::fabs(p->X - q->X), dy = std::fabs(p->Y - q->Y);
  return (dx == 0.0 || dx < e) && (dy == 0.0 || dy < e);
}

DOUBLEPOINT Middle(const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  return DOUBLEPOINT{(a->X + b->X) / 2.0, (a->Y + b->Y) / 2.0};
}

}  // namespace

int TMeasure::CalcFactor(const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  if (a == nullptr || b == nullptr) return 0;
  A = b->Y - a->Y;
  B = a->X - b->X;
  C = a->Y * b->X - a->X * b->Y;
  return 1;
}

double TMeasure::InsidePointLine(const DOUBLEPOINT* p) const {
  if (p == nullptr) return 0.0;
  return A * p->X + B * p->Y + C;
}

int TMeasure::CrossCutLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out) const {
  if (a == nullptr || b == nullptr || out == nullptr) return 0;
  double a2 = b->Y - a->Y;
  double b2 = a->X - b->X;
  double c2 = a->Y * b->X - a->X * b->Y;
  double det = a2 * B - A * b2;
  if (det == 0.0) return 0;
  out->X = (C * b2 - c2 * B) / det;
  out->Y = (c2 * A - C * a2) / det;
  return 1;
}

double TMeasure::Distance(const DOUBLEPOINT* a, const DOUBLEPOINT* b) const {
  if (a == nullptr || b == nullptr) return 0.0;
  double dx = std::fabs(a->X - b->X);
  double dy = std::fabs(a->Y - b->Y);
  if (dx < kTiny) return dy;
  if (dy < kTiny) return dx;
  return std::sqrt(dx * dx + dy * dy);
}

double TMeasure::Distance(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  Side = 1;
  if (p == nullptr || a == nullptr || b == nullptr) return 0.0;
  if (Within(p, a, kTiny) || Within(p, b, kTiny)) return 0.0;
  double d;
  if (std::fabs(a->X - b->X) < kTiny) {
    d = a->X - p->X;
  } else if (std::fabs(a->Y - b->Y) < kTiny) {
    d = a->Y - p->Y;
  } else {
    double k = (a->Y - b->Y) / (a->X - b->X);
    d = (a->X * b->Y - b->X * a->Y) / (a->X - b->X) + k * p->X - p->Y;
    d /= std::sqrt(k * k + 1.0);  // the sign does not change
  }
  Side = d >= 0.0 ? 1 : -1;
  return std::fabs(d);
}

double TMeasure::DirectionAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* b) const {
  if (a == nullptr || b == nullptr) return 0.0;
  if (a->Y == b->Y) return a->X <= b->X ? 0.0 : kPi;
  if (a->X != b->X) {
    double t = std::atan2(b->Y - a->Y, b->X - a->X);
    return t < 0.0 ? t + 2.0 * kPi : t;
  }
  return a->Y <= b->Y ? kPi / 2.0 : 3.0 * kPi / 2.0;
}

double TMeasure::AngleBetweenLines(const DOUBLEPOINT* a1, const DOUBLEPOINT* a2,
                                   const DOUBLEPOINT* b1, const DOUBLEPOINT* b2) const {
  if (a1 == nullptr || a2 == nullptr || b1 == nullptr || b2 == nullptr) return -1.0;
  double slope[2];
  const DOUBLEPOINT* ends[2][2] = {{a1, a2}, {b1, b2}};
  for (int i = 0; i < 2; ++i) {
    double dx = ends[i][0]->X - ends[i][1]->X;
    double dy = ends[i][0]->Y - ends[i][1]->Y;
    if (std::fabs(dy) < kNear) {
      if (std::fabs(dx) < kNear) return -1.0;
      dy = kNear * dx;
    } else if (std::fabs(dx) < kNear) {
      dx = kNear * dy;
    }
    slope[i] = std::atan(dy / dx);
  }
  double t = std::fabs(slope[0] - slope[1]);
  if (t > kPi / 2.0) t = kPi - t;
  return t;
}

double TMeasure::BisectorAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* vertex,
                               const DOUBLEPOINT* c) const {
  if (a == nullptr || vertex == nullptr || c == nullptr) return 0.0;
  double angle[2];
  const DOUBLEPOINT* side[2] = {a, c};
  for (int i = 0; i < 2; ++i) {
    double dx = side[i]->X - vertex->X;
    double dy = side[i]->Y - vertex->Y;
    double t;
    if (std::fabs(dx) >= kNear) {
      t = std::atan2(-dy, dx);
    } else if (std::fabs(dy) < kNear) {
      return 0.0;
    } else {
      t = dy <= 0.0 ? kPi / 2.0 : -kPi / 2.0;
    }
    if (t < 0.0) t += 2.0 * kPi;
    angle[i] = t;
  }
  double bisector = (angle[0] + angle[1]) / 2.0;
  if (std::fabs(bisector - angle[0]) < kPi / 2.0) {
    if (bisector >= kPi) bisector -= kPi;
    else bisector += kPi;
  }
  return bisector;
}

double TMeasure::CircleCenter(const DOUBLEPOINT* a, const DOUBLEPOINT* b, const DOUBLEPOINT* c,
                              DOUBLEPOINT* out) const {
  if (a == nullptr || b == nullptr || c == nullptr || out == nullptr) return 0.0;
  bool ab = Within(a, b, kNear);
  bool bc = Within(b, c, kNear);
  bool ca = Within(c, a, kNear);
  if (ab) {
    if (bc) {
      *out = *a;
      return 0.0;
    }
    *out = Middle(a, c);
  } else if (bc) {
    *out = Middle(a, c);
  } else if (ca) {
    *out = Middle(a, b);
  } else {
    // Perpendicular bisectors of the chords a-b and b-c. A chord along the
    // X axis (Y constant) has the bisector X = middle.X; a chord along the
    // Y axis the bisector Y = middle.Y.
    DOUBLEPOINT m1 = Middle(a, b), m2 = Middle(b, c);
    double dx1 = b->X - a->X, dy1 = b->Y - a->Y;
    double dx2 = c->X - b->X, dy2 = c->Y - b->Y;
    bool alongX1 = std::fabs(dy1) < kNear, alongY1 = std::fabs(dx1) < kNear;
    bool alongX2 = std::fabs(dy2) < kNear, alongY2 = std::fabs(dx2) < kNear;
    if ((alongX1 && alongX2) || (alongY1 && alongY2)) return -1.0;
    if ((alongX1 && alongY2) || (alongY1 && alongX2)) {
      *out = Middle(a, c);  // a right angle at b: the hypotenuse's middle
    } else if (alongX1) {
      out->X = m1.X;
      out->Y = m2.Y - (out->X - m2.X) * dx2 / dy2;
    } else if (alongX2) {
      out->X = m2.X;
      out->Y = m1.Y - (out->X - m1.X) * dx1 / dy1;
    } else if (alongY1) {
      out->Y = m1.Y;
      out->X = m2.X - (out->Y - m2.Y) * dy2 / dx2;
    } else if (alongY2) {
      out->Y = m2.Y;
      out->X = m1.X - (out->Y - m1.Y) * dy1 / dx1;
    } else {
      // The bisector through m with slope k = -dx / dy: Y = m.Y + k (X - m.X).
      double k1 = -dx1 / dy1, k2 = -dx2 / dy2;
      if (std::fabs(k1 - k2) < kNear) return -1.0;
      out->X = (m2.Y - m1.Y + k1 * m1.X - k2 * m2.X) / (k1 - k2);
      out->Y = m1.Y + k1 * (out->X - m1.X);
    }
  }
  return Distance(out, a);
}

int TMeasure::InsidePointCut(const DOUBLEPOINT* a, const DOUBLEPOINT* b, const DOUBLEPOINT* p,
                             double e) const {
  if (a == nullptr || b == nullptr || p == nullptr) return 0;
  double x1 = a->X < b->X ? a->X : b->X, x2 = a->X < b->X ? b->X : a->X;
  double y1 = a->Y < b->Y ? a->Y : b->Y, y2 = a->Y < b->Y ? b->Y : a->Y;
  return (x1 - e < p->X && p->X < x2 + e && y1 - e < p->Y && p->Y < y2 + e) ? 1 : 0;
}

int TMeasure::PointSideNearLine(const DOUBLEPOINT* p, const DOUBLEPOINT* a,
                                const DOUBLEPOINT* b) const {
  if (p == nullptr || a == nullptr || b == nullptr) return MEASURE_DEGENERATE;
  return Cross(p, a, b) > 0.0 ? MEASURE_LEFT : MEASURE_RIGHT;
}

int TMeasure::PointPositionNearLine(const DOUBLEPOINT* p, const DOUBLEPOINT* a,
                                    const DOUBLEPOINT* b) const {
  if (p == nullptr || a == nullptr || b == nullptr) return MEASURE_DEGENERATE;
  if (Within(a, b, kNear)) return MEASURE_DEGENERATE;
  if (Within(p, a, kNear)) return MEASURE_AT_FIRST;
  if (Within(p, b, kNear)) return MEASURE_AT_SECOND;
  return Cross(p, a, b) > 0.0 ? MEASURE_LEFT : MEASURE_RIGHT;
}

int TMeasure::PointPositionNearCut(const DOUBLEPOINT* p, const DOUBLEPOINT* a,
                                   const DOUBLEPOINT* b, double e) const {
  if (p == nullptr || a == nullptr || b == nullptr) return MEASURE_DEGENERATE;
  if (Within(a, b, e)) return MEASURE_DEGENERATE;
  if (Within(p, a, e)) return MEASURE_AT_FIRST;
  if (Within(p, b, e)) return MEASURE_AT_SECOND;
  double s = Cross(p, a, b);
  if (std::fabs(s) >= e) return s > 0.0 ? MEASURE_LEFT : MEASURE_RIGHT;
  double bx = b->X - a->X, by = b->Y - a->Y;
  double px = p->X - a->X, py = p->Y - a->Y;
  if ((bx < 0.0 && px > 0.0) || (bx > 0.0 && px < 0.0) || (by < 0.0 && py > 0.0) ||
      (by > 0.0 && py < 0.0))
    return MEASURE_BEHIND_FIRST;
  return InsidePointCut(a, b, p, e) ? MEASURE_ON_SEGMENT : MEASURE_BEYOND_SECOND;
}

int TMeasure::PointPositionOnCut(DOUBLEPOINT* out, const DOUBLEPOINT* a, const DOUBLEPOINT* b,
                                 double da, double db) const {
  if (out == nullptr || a == nullptr || b == nullptr) return 0;
  double sum = da + db;
  if (sum < kNear) {
    *out = *a;
    return 0;
  }
  out->X = (db * a->X + da * b->X) / sum;
  out->Y = (db * a->Y + da * b->Y) / sum;
  return 1;
}

double TMeasure::Rcos(double r, double t) { return r * std::cos(std::atan(t)); }
double TMeasure::Rsin(double r, double t) { return r * std::sin(std::atan(t)); }
double TMeasure::Rcos(int r, double t) { return Rcos(static_cast<double>(r), t); }
double TMeasure::Rsin(int r, double t) { return Rsin(static_cast<double>(r), t); }

int TMeasure::CrossCutData(const DOUBLEPOINT* a1, const DOUBLEPOINT* a2, const DOUBLEPOINT* b1,
                           const DOUBLEPOINT* b2, DOUBLEPOINT* out1, DOUBLEPOINT* out2,
                           double precision) {
  if (a1 == nullptr || a2 == nullptr || b1 == nullptr || b2 == nullptr || out1 == nullptr ||
      out2 == nullptr)
    return 0;
  CalcFactor(a1, a2);
  // A segment shorter than the precision is a point: the line tests below
  // would find it on every line (a point segment has the line 0 = 0) or
  // report it twice. A point crosses the other segment once when it lies on it.
  bool aPoint = Coincide(a1, a2, precision), bPoint = Coincide(b1, b2, precision);
  if (aPoint || bPoint) {
    const DOUBLEPOINT* p = aPoint ? a1 : b1;
    const DOUBLEPOINT* s1 = aPoint ? b1 : a1;
    const DOUBLEPOINT* s2 = aPoint ? b2 : a2;
    bool on;
    if (aPoint && bPoint) {
      on = Coincide(a1, b1, precision);
    } else {
      double length = std::hypot(s2->X - s1->X, s2->Y - s1->Y);
      on = InsidePointCut(s1, s2, p, precision) &&
           std::fabs(Cross(p, s1, s2)) / length < precision;
    }
    if (!on) return 0;
    *out1 = *p;
    return 1;
  }
  double d1 = InsidePointLine(b1);
  double d2 = InsidePointLine(b2);

  int found = 0;
  auto take = [&](const DOUBLEPOINT* p) {
    *(found == 0 ? out1 : out2) = *p;
    return ++found == 2;
  };
  if (std::fabs(d1) < precision && InsidePointCut(a1, a2, b1, precision) && take(b1)) return 2;
  if (std::fabs(d2) < precision && InsidePointCut(a1, a2, b2, precision) && take(b2)) return 2;
  if (std::fabs(d1) < precision && std::fabs(d2) < precision) {
    if (InsidePointCut(b1, b2, a1, precision) && take(a1)) return 2;
    if (InsidePointCut(b1, b2, a2, precision) && take(a2)) return 2;
  }
  if (found != 0) return found;

  if ((d1 > 0.0 && d2 < 0.0) || (d1 < 0.0 && d2 > 0.0)) {
    if (CrossCutLine(b1, b2, out1) == 0) return 0;
    if (InsidePointCut(a1, a2, out1, precision) && InsidePointCut(b1, b2, out1, precision))
      return 1;
  }
  return 0;
}

int TMeasure::SeekPointNormalLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out1,
                                  DOUBLEPOINT* out2, double d, const DOUBLEPOINT* base) const {
  if (a == nullptr || b == nullptr || out1 == nullptr || out2 == nullptr) return 0;
  if (base == nullptr) base = a;
  double ox, oy;
  if (a->X == b->X) {
    ox = d;
    oy = 0.0;
  } else if (a->Y == b->Y) {
    ox = 0.0;
    oy = d;
  } else {
    double k = (a->Y - b->Y) / (a->X - b->X);
    ox = Rcos(d, -1.0 / k);
    oy = Rsin(d, -1.0 / k);
  }
  DOUBLEPOINT origin = *base;  // base may be one of the outputs
  out1->X = origin.X + ox;
  out1->Y = origin.Y + oy;
  out2->X = origin.X - ox;
  out2->Y = origin.Y - oy;
  return 1;
}

double TMeasure::GuardedAtan2(double y, double x) {
  bool yNear = std::fabs(y) <= kTiny;
  bool xNear = std::fabs(x) <= kTiny;
  if (yNear && xNear) return 0.0;
  if (yNear) return x <= 0.0 ? kPi : 0.0;
  if (xNear) return y > 0.0 ? kPi / 2.0 : -kPi / 2.0;
  return std::atan2(y, x);
}

double TMeasure::GuardedSqrt(double v) { return v <= 0.0 ? 0.0 : std::sqrt(v); }
