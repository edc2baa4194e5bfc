// Smoothing and envelope splines over the contours of a metric.
//
// A build loads each contour alone into the source buffer, thins it, and
// appends its curve as one contour of the result. The curve is made of
// quadratic Bezier pieces (C0, C1, C2): C0 and C2 are written as they are
// and PointsPerPiece points at t = k / (PointsPerPiece + 1) between them.
//
// Slopes are tangents of direction angles, dX / dY, and a line of slope k
// through P is X - P.X = k (Y - P.Y); the angles are kept away from the
// directions of infinite slope. Crossings are computed relative to a point
// of the segment at hand, so that large map coordinates lose no precision.
#include "geometry/spline.h"

#include <cmath>
#include <cstring>

#include "geometry/workhelpers.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Ten degrees, with pi taken as 3.1415.
constexpr double kTurn = 0.17452777777777778;
// Slopes closer than this are parallel.
constexpr double kParallel = 1e-6;

bool Finite(double v) { return std::isfinite(v); }

bool Equal(const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return a.X == b.X && a.Y == b.Y; }

DOUBLEPOINT Lerp(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double t) {
  return {a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t};
}

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

DOUBLEPOINT Mid(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return {(a.X + b.X) / 2, (a.Y + b.Y) / 2};
}

double Length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

double Angle(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return TSplin::Ugol(a.X, a.Y, b.X, b.Y);
}

// Tangent of the mean of two directions, moved off the directions of
// infinite slope. A mean that is off by pi gives the same line.
double MeanSlope(double a1, double a2) {
  double m = (a1 + a2) / 2;
  if (std::fabs(std::fabs(m) - kPi / 2) < 0.1) m -= kTurn / 4;
  return std::tan(m);
}

// Directions a segment's end slopes are made of: of the segment (first),
// of the next one (next), of the last one (closing, for a closed contour)
// and, for the end of an open contour, from P(n) back to P(n-1) (back) and
// on to P(n-2) (backNext).
struct Directions {
  double first = 0.0, next = 0.0, closing = 0.0, back = 0.0, backNext = 0.0;
};

// End slopes of segment i of a contour of n points. For 1 < i, *k2 comes in
// as the slope found at point i and becomes *k1. The start of an open line
// takes its chord turned away from the first turn, so does its end.
void Slopes(int i, int n, bool closed, const Directions& d, double* k1, double* k2) {
  if (i == 1) {
    *k1 = closed ? MeanSlope(d.closing, d.first)
                 : std::tan(TSplin::Dovorot(d.first, TSplin::LeftRight(d.first, d.next)));
    *k2 = MeanSlope(d.first, d.next);
  } else if (i < n - 1) {
    *k1 = *k2;
    *k2 = MeanSlope(d.first, d.next);
  } else {
    *k1 = *k2;
    if (!closed) *k2 = std::tan(TSplin::Dovorot(d.back, TSplin::LeftRight(d.back, d.backNext)));
  }
}

// Crossing of the line through p with slope kp and the line through q with
// slope kq; the midpoint of p and q for parallel lines.
DOUBLEPOINT Crossing(const DOUBLEPOINT& p, double kp, const DOUBLEPOINT& q, double kq) {
  if (std::fabs(kp - kq) < kParallel) return Mid(p, q);
  double u = ((q.X - p.X) - kq * (q.Y - p.Y)) / (kp - kq);
  return {p.X + kp * u, p.Y + u};
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

TSplin::TSplin() {
  Source.Init();
  Result.Init();
}

TSplin::~TSplin() {
  Source.Free();
  Result.Free();
}

// ---------------------------------------------------------------------------
// Builds

int TSplin::BuildSglad(TDataEdit* metric, int corner, int points, double precision) {
  return Build(metric, -1, 10, corner, points, precision, false);
}

int TSplin::BuildSgladSubject(TDataEdit* metric, int subject, int corner, int points,
                              double precision) {
  if (subject < 0) return 0;
  return Build(metric, subject, 10, corner, points, precision, false);
}

int TSplin::BuildOgib(TDataEdit* metric, int bulge, int points, double precision) {
  return Build(metric, -1, bulge, 50, points, precision, true);
}

int TSplin::BuildOgibSubject(TDataEdit* metric, int subject, int bulge, int points,
                             double precision) {
  if (subject < 0) return 0;
  return Build(metric, subject, bulge, 50, points, precision, true);
}

// subject -1: every contour into the contours of the result; else that
// contour alone into result contour 0.
int TSplin::Build(TDataEdit* metric, int subject, int a, int b, int c, double precision,
                  bool envelope) {
  // The builder's own buffers are rebuilt on the way: they cannot be read.
  if (metric == nullptr || metric == &Source || metric == &Result) return 0;
  if (metric->Record == nullptr || metric->BufferSize < METRIC_EMPTY_LENGTH ||
      !MetricValidMarker(metric->Record->Ident))
    return 0;
  const int first = subject < 0 ? 0 : subject;
  const int last = subject < 0 ? metric->Record->Count : subject;
  if (!LoadSource(metric, first)) return 0;
  Dimension = Source.DatDimension() ? 3 : 2;
  SetPrecision(precision);
  SetParm(a, b, c);
  if (!Result.Create(static_cast<int>(Source.Record->Ident), 0)) return 0;
  const int size = Result.PointSize();
  if (size <= 0) return 0;
  const int limit = METRIC_MAX_LENGTH / size;
  for (int i = first; i <= last; ++i) {
    if (i > first && !LoadSource(metric, i)) return 0;
    if (!FilterSource()) return 0;
    if (Source.FirstPointSubject(0) == nullptr) return 0;
    int s = 0;
    if (i > first) {
      if (!Result.CreateSubject()) return 0;
      s = Result.Record->Count;
    }
    int count = envelope ? Ogib(s) : Sglad(s);
    if (count < 1 || count >= limit) return 0;
  }
  Result.FirstPointSubject(0);
  return 1;
}

// Makes contour n of the metric the only contour of the source, in the
// metric's point kind; refuses a contour with a value that is not finite.
int TSplin::LoadSource(TDataEdit* metric, int n) {
  if (metric->FirstPointSubject(n) == nullptr) return 0;
  const int count = metric->PointCount();
  const DWORD kind = metric->Record->Ident;
  if (count < 1 || MetricPointSize(kind) == 0) return 0;
  if (!Source.Create(static_cast<int>(kind), 0) || Source.Record->Ident != kind) return 0;
  SourceTexts = metric->TextFlag != 0;
  const bool heights = MetricIs3D(kind) != 0;
  for (int j = 1; j <= count; ++j) {
    if (j > 1 && metric->NextPoint() == nullptr) return 0;
    double x = metric->XDouble(), y = metric->YDouble();
    double h = heights ? metric->HDouble() : 0.0;
    if (!Finite(x) || !Finite(y) || !Finite(h)) return 0;
    if (!Source.AppendPointSubject(0, x, y)) return 0;
    if (heights) Source.HDouble(h);
  }
  return Source.FirstPointSubject(0) != nullptr;
}

// Thinning of the source: points nearer than the precision to the line
// through their neighbours go; for a metric with texts only repeated
// points go. A negative answer (a contour of fewer than 2 distinct points,
// or a closed one of fewer than 4) fails like no answer.
int TSplin::FilterSource() {
  int r = SourceTexts ? Source.DeleteEqualPoint(Precision, 0) : Source.LinearFilter(Precision);
  return r > 0;
}

// Thinning of result contour s. The result's last contour is thinned alone:
// it is viewed as a record of its own through a header laid over the 12
// bytes before its count word (saved and put back), so that earlier
// contours are not thinned again and a metric of many contours costs time
// in proportion to its points.
int TSplin::FilterResult(int s) {
  if (Result.Record == nullptr || Result.BufferSize < METRIC_EMPTY_LENGTH) return 0;
  if (s == 0 || s != Result.Record->Count) return Result.LinearFilter(Precision);
  if (Result.DescPointSubject(s) == nullptr) return 0;
  char* base = reinterpret_cast<char*>(Result.Record);
  char* head = Result.CountWord - METRIC_HEADER_SIZE;
  const DWORD tail = static_cast<DWORD>(base + Result.Record->Length - Result.CountWord);
  char saved[METRIC_HEADER_SIZE];
  std::memcpy(saved, head, sizeof(saved));
  LONGMETRIC header{Result.Record->Ident, METRIC_HEADER_SIZE + tail, 0, Result.Record->Flags};
  std::memcpy(head, &header, sizeof(header));
  TDataEdit view;
  view.Init();
  view.SetBuffer(head, static_cast<LONG>(header.Length), 0);
  int r = view.LinearFilter(Precision);
  DWORD length = view.Record->Length;
  view.SetBuffer(nullptr, 0, 0);
  std::memcpy(head, saved, sizeof(saved));
  Result.Record->Length = static_cast<DWORD>(head - base) + length;
  Result.ChangedFlag = 1;
  Result.FirstPointSubject(0);
  return r;
}

// ---------------------------------------------------------------------------
// Parameters

void TSplin::SetPrecision(double precision) {
  Precision = geomwork::SourcePrecision(Source, Precision, precision);
}

void TSplin::SetParm(int a, int b, int c) {
  Bulge = a * 0.01;
  if (Bulge < 0.05) Bulge = 0.05;
  double f = 1.0 - b * 0.01;
  Corner = (f >= 0.5 && f < 1.0) ? f : 0.5;
  PointsPerPiece = c < 3 ? 3 : c;
}

// ---------------------------------------------------------------------------
// Points

// Point i (from 1) of the source contour and its height (the no-height value
// for dimension 2).
int TSplin::SourcePoint(int i, DOUBLEPOINT* p, double* h) {
  if (Source.GoPointSubject(i, 0) == nullptr) return 0;
  p->X = Source.XDouble();
  p->Y = Source.YDouble();
  if (h) *h = Dimension == 3 ? Source.HDouble() : METRIC_NO_HEIGHT;
  return 1;
}

// Appends a point to result contour s, with its height for dimension 3. A
// value that is not finite (an overflow on huge coordinates) fails.
int TSplin::Put(int s, const DOUBLEPOINT& p, double h) {
  if (!Finite(p.X) || !Finite(p.Y)) return 0;
  if (Dimension == 3 && !Finite(h)) return 0;
  if (!Result.AppendPointSubject(s, p.X, p.Y)) return 0;
  if (Dimension == 3) Result.HDouble(h);
  return 1;
}

int TSplin::DropLast(int s) {
  return Result.LastPointSubject(s) != nullptr && Result.DeletePoint() != 0;
}

// ---------------------------------------------------------------------------
// Bezier pieces and heights

int TSplin::Bezier(int n, int s, int mode) {
  if (n != 3) return 0;
  const LONG inner = PointsPerPiece > 0 ? PointsPerPiece : 0;
  const double step = 1.0 / (static_cast<double>(inner) + 1.0);
  if (!Put(s, C0, H0)) return 0;
  for (LONG k = 1; k <= inner; ++k) {
    const double t = k * step, u = 1.0 - t;
    const double w0 = u * u, w1 = 2.0 * t * u, w2 = t * t;
    DOUBLEPOINT b{w0 * C0.X + w1 * C1.X + w2 * C2.X, w0 * C0.Y + w1 * C1.Y + w2 * C2.Y};
    double h = METRIC_NO_HEIGHT;
    if (Dimension == 3) {
      if (mode == 1) {
        double d0 = Length(b.X - C0.X, b.Y - C0.Y), d2 = Length(b.X - C2.X, b.Y - C2.Y);
        if (d0 == 0.0) h = H0;
        else if (d2 == 0.0) h = H2;
        else h = (H0 / d0 + H2 / d2) / (1.0 / d0 + 1.0 / d2);
      } else {
        // The height on the plane through the control points, taken with the
        // curve's own weights: the same value, and defined also when the
        // control points are collinear.
        h = w0 * H0 + w1 * H1 + w2 * H2;
      }
    }
    if (!Put(s, b, h)) return 0;
  }
  return Put(s, C2, H2);
}

double TSplin::HeigtPointSpline(double y, double x) const {
  const double x0 = C0.X, y0 = C0.Y, x1 = C1.X, y1 = C1.Y, x2 = C2.X, y2 = C2.Y;
  const double h0 = H0, h1 = H1, h2 = H2;
  const double ka = (h1 - h2) * x0 - (h0 - h2) * x1 + (h0 - h1) * x2;
  const double kb = (y1 - y2) * h0 - (y0 - y2) * h1 + (y0 - y1) * h2;
  const double kc = (x1 - x2) * y0 - (x0 - x2) * y1 + (x0 - x1) * y2;
  const double kd = (x1 * h2 - h1 * x2) * y0 - (x0 * h2 - h0 * x2) * y1 + (x0 * h1 - h0 * x1) * y2;
  if (kc == 0.0) return 0.0;
  return (-ka * y - kb * x + kd) / kc;
}

LONG TSplin::Fact(int n) {
  if (n > 12) return INT32_MAX;
  LONG f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// ---------------------------------------------------------------------------
// Directions

double TSplin::Ugol(double x1, double y1, double x2, double y2) {
  if (std::fabs(y1 - y2) < 1e-6) {
    if (x2 == x1) return 0.0;
    return x2 > x1 ? kPi / 2 : -kPi / 2;
  }
  double a = std::atan((x1 - x2) / (y1 - y2));
  if (y2 < y1) return x1 > x2 ? a - kPi : a + kPi;
  return a;
}

int TSplin::LeftRight(double a1, double a2) {
  if (a1 >= 0) {
    if (a2 >= 0) return a2 > a1 ? 2 : 1;
    return kPi - a1 < std::fabs(a2) ? 2 : 1;
  }
  if (a2 > 0) return kPi + a1 < a2 ? 1 : 2;
  return a1 > a2 ? 1 : 2;
}

double TSplin::Dovorot(double a, int sense) {
  double r;
  if (sense == 1) {
    r = a + kTurn;
    if (std::fabs(std::fabs(r) - kPi / 2) < 0.1) r -= kTurn / 4;
    if (r >= kPi) r -= 2 * kPi;
  } else {
    r = a - kTurn;
    if (std::fabs(std::fabs(r) - kPi / 2) < 0.1) r += kTurn / 4;
  }
  return r;
}

int TSplin::FindGran(int i, double* k1, double* k2) {
  if (k1 == nullptr || k2 == nullptr || Source.Record == nullptr) return 0;
  const int n = Source.PointCount(0);
  const bool closed = Source.GetExclusiveSubject(0) != 0;
  if (i < 1 || i > n - 1) return 0;
  DOUBLEPOINT p, q, r;
  if (!SourcePoint(i, &p, nullptr) || !SourcePoint(i + 1, &q, nullptr)) return 0;
  Directions d;
  d.first = Angle(p, q);
  if (i == 1 || i < n - 1) {
    if (!SourcePoint(i + 2, &r, nullptr)) return 0;
    d.next = Angle(q, r);
  }
  if (i == 1 && closed) {
    DOUBLEPOINT e1, e2;
    if (!SourcePoint(n - 1, &e1, nullptr) || !SourcePoint(n, &e2, nullptr)) return 0;
    d.closing = Angle(e1, e2);
  }
  if (i == n - 1 && !closed) {
    // p, q are P(n-1), P(n); r is P(n-2).
    if (!SourcePoint(n - 2, &r, nullptr)) return 0;
    d.back = Angle(q, p);
    d.backNext = Angle(p, r);
  }
  Slopes(i, n, closed, d, k1, k2);
  return 1;
}

// ---------------------------------------------------------------------------
// Smoothing

// Control points of the curve at corner b between segments a-b and b-c: it
// begins at fraction f of a-b and ends at fraction 1 - f of b-c.
void TSplin::SetCorner(const DOUBLEPOINT& a, const DOUBLEPOINT& b, const DOUBLEPOINT& c,
                       double ha, double hb, double hc, double f) {
  C0 = Lerp(a, b, f);
  C1 = b;
  C2 = Lerp(b, c, 1 - f);
  if (Dimension == 3) {
    H0 = Lerp(ha, hb, f);
    H1 = hb;
    H2 = Lerp(hb, hc, 1 - f);
  }
}

int TSplin::Sglad(int s) {
  if (Source.Record == nullptr || Source.DescPointSubject(0) == nullptr) return 0;
  const int n = Source.PointCount(0);
  if (n < 3) return 0;
  const double f = Corner;
  const bool closed = Source.GetExclusiveSubject(0) != 0;
  DOUBLEPOINT p1, p2;
  double h1, h2;
  if (!SourcePoint(1, &p1, &h1) || !SourcePoint(2, &p2, &h2)) return 0;
  H0 = H1 = H2 = SPLINE_NO_HEIGHT;
  if (Dimension == 3) {
    H0 = h1;
    H2 = h2;
  }

  // Start: on the first segment for a closed contour (where the closing
  // curve will end), on the first point for an open one.
  if (!closed) {
    if (!Put(s, p1, h1)) return 0;
  } else if (f != 0.5) {
    if (!Put(s, Lerp(p1, p2, 1 - f), Lerp(h1, h2, 1 - f))) return 0;
  }

  // One corner curve per inner vertex P(i+1). With f = 0.5 a curve ends
  // where the next begins: the end is written once.
  DOUBLEPOINT a = p1, b = p2, c;
  double ha = h1, hb = h2, hc;
  for (int i = 1; i <= n - 2; ++i) {
    if (!SourcePoint(i + 2, &c, &hc)) return 0;
    SetCorner(a, b, c, ha, hb, hc, f);
    if (!Bezier(3, s, 0)) return 0;
    if (f == 0.5 && (closed || i < n - 2) && !DropLast(s)) return 0;
    a = b;
    b = c;
    ha = hb;
    hb = hc;
  }

  // End: a closed contour's last corner (at P(n) = P1) curves back onto the
  // start point; an open one ends on its last point.
  if (closed) {
    SetCorner(a, b, p2, ha, hb, h2, f);
    if (!Bezier(3, s, 0)) return 0;
  } else if (!Put(s, b, hb)) {
    return 0;
  }
  if (FilterResult(s) <= 0) return 0;
  return Result.PointCount(s);
}

// ---------------------------------------------------------------------------
// Envelope

int TSplin::Ogib(int s) {
  if (Source.Record == nullptr || Source.DescPointSubject(0) == nullptr) return 0;
  const int n = Source.PointCount(0);
  if (n < 3) return 0;
  const bool closed = Source.GetExclusiveSubject(0) != 0;

  // Points P(i) .. P(i+3) with their heights and the directions of segments
  // i .. i+2 slide along the contour: each point is read and each direction
  // computed once.
  DOUBLEPOINT p[4] = {};
  double h[4] = {};
  double dir[3] = {};
  for (int j = 0; j < 4 && j < n; ++j)
    if (!SourcePoint(j + 1, &p[j], &h[j])) return 0;
  for (int j = 0; j < 3 && j + 1 < n; ++j) dir[j] = Angle(p[j], p[j + 1]);
  DOUBLEPOINT beforeLast, last, third;
  double hn;
  if (!SourcePoint(n - 1, &beforeLast, nullptr) || !SourcePoint(n, &last, &hn) ||
      !SourcePoint(n - 2, &third, nullptr))
    return 0;
  Directions d;
  const double opening = dir[0];                    // out of P1
  d.closing = Angle(beforeLast, last);              // into P(n)
  d.back = Angle(last, beforeLast);
  d.backNext = Angle(beforeLast, third);

  double k1 = 0.0, k2 = 0.0, firstSlope = 0.0;
  int t1 = 1;
  bool inflection = false, nextInflection = false;
  bool endDropped = false;
  for (int i = 1; i <= n - 1; ++i) {
    if (i > 1) {
      p[0] = p[1], p[1] = p[2], p[2] = p[3];
      h[0] = h[1], h[1] = h[2], h[2] = h[3];
      dir[0] = dir[1], dir[1] = dir[2];
      if (i + 3 <= n) {
        if (!SourcePoint(i + 3, &p[3], &h[3])) return 0;
        dir[2] = Angle(p[2], p[3]);
      }
    }
    const DOUBLEPOINT &a = p[0], &b = p[1];
    if (Equal(a, b)) continue;
    d.first = dir[0];
    d.next = dir[1];
    if (i < n - 1) {
      t1 = LeftRight(dir[0], dir[1]);
      int t2 = t1;
      if (i < n - 2) t2 = LeftRight(dir[1], dir[2]);
      else if (closed) t2 = LeftRight(dir[1], opening);
      nextInflection = t2 != t1;
    }
    if (i == 1 && closed) inflection = LeftRight(d.closing, dir[0]) != t1;
    if (i == n - 1 && closed) t1 = LeftRight(d.closing, opening);
    Slopes(i, n, closed, d, &k1, &k2);
    if (i == 1) firstSlope = k1;
    if (i == n - 1 && closed) k2 = firstSlope;

    if (!EnvelopeSegment(s, a, b, h[0], h[1], k1, k2, inflection, t1)) return 0;
    // The next segment starts on this segment's end.
    endDropped = i < n - 1;
    if (endDropped && !DropLast(s)) return 0;
    inflection = nextInflection;
  }
  // Segments of zero length at the end: the contour still ends on P(n).
  if (endDropped && !Put(s, last, hn)) return 0;
  return Result.PointCount(s);
}

// The pieces of one segment a-b with tangent slopes k1 at a and k2 at b,
// appended to result contour s; the joint between two pieces is written
// once.
int TSplin::EnvelopeSegment(int s, const DOUBLEPOINT& a, const DOUBLEPOINT& b, double ha,
                            double hb, double k1, double k2, bool inflection, int turn) {
  const bool heights = Dimension == 3;
  const double hm = (ha + hb) / 2;
  const DOUBLEPOINT m = Mid(a, b);
  H1 = SPLINE_NO_HEIGHT;

  auto twoPieces = [&](const DOUBLEPOINT& q1, const DOUBLEPOINT& joint, const DOUBLEPOINT& q2) {
    C0 = a;
    C1 = q1;
    C2 = joint;
    H0 = heights ? ha : SPLINE_NO_HEIGHT;
    H2 = heights ? hm : SPLINE_NO_HEIGHT;
    if (!Bezier(3, s, 1) || !DropLast(s)) return 0;
    C0 = joint;
    C1 = q2;
    C2 = b;
    H0 = heights ? hm : SPLINE_NO_HEIGHT;
    H2 = heights ? hb : SPLINE_NO_HEIGHT;
    return Bezier(3, s, 1);
  };

  if (inflection) {
    // The curve changes its turning sense on this segment: two pieces that
    // meet at the midpoint, with the chord turned by 10 degrees there.
    const double km = std::tan(Dovorot(Angle(m, a), turn));
    return twoPieces(Crossing(a, k1, m, km), m, Crossing(m, km, b, k2));
  }

  // Relative to a: the chord runs to (dx, dy); t is the tangent crossing.
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const DOUBLEPOINT t = Crossing(a, k1, b, k2);  // m for parallel tangents
  const double tx = t.X - a.X, ty = t.Y - a.Y;
  const double d = Bulge * Length(dx, dy);

  // e: half the distance from the tangent crossing to the parallel of the
  // chord at distance d on the crossing's side.
  double e, kc = 0.0, parallel = 0.0;
  if (a.Y != b.Y) {
    kc = dx / dy;
    const double root = std::sqrt(kc * kc + 1);
    const double plus = root * d, minus = -root * d;
    const double yq = plus / (k1 - kc);
    const bool between = (yq >= 0 && yq <= ty) || (yq <= 0 && yq >= ty);
    parallel = between ? plus : minus;
    e = std::fabs(tx - kc * ty - parallel) / root / 2;
  } else {
    e = std::fabs(ty) / 2;
  }

  // Within the limit: one piece with the tangent crossing as its middle
  // control point. So also when a tangent runs parallel to the chord and
  // meets no parallel of it.
  const bool sloped = std::fabs(dy) > 1e-6;  // the chord has a usable slope
  if (e < d || (sloped && (std::fabs(k1 - kc) < kParallel * kParallel ||
                          std::fabs(k2 - kc) < kParallel * kParallel))) {
    C0 = a;
    C1 = t;
    C2 = b;
    H0 = heights ? ha : SPLINE_NO_HEIGHT;
    H2 = heights ? hb : SPLINE_NO_HEIGHT;
    return Bezier(3, s, 1);
  }

  // Beyond the limit: the tangents are cut by the parallel at distance d
  // (q1, q2) and the curve runs along it in two pieces.
  double q1y, q2y;
  if (sloped) {
    q1y = parallel / (k1 - kc);
    q2y = (parallel - dx + k2 * dy) / (k2 - kc);
  } else if (ty < 0) {
    q1y = -d;
    q2y = dy - d;
  } else {
    q1y = d;
    q2y = dy + d;
  }
  const DOUBLEPOINT q1{a.X + k1 * q1y, a.Y + q1y};
  const DOUBLEPOINT q2{a.X + dx + k2 * (q2y - dy), a.Y + q2y};
  return twoPieces(q1, Mid(q1, q2), q2);
}
