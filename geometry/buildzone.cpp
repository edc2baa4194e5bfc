// Buffer zones around the contours of a metric.
//
// A zone is walked along the contour: at every corner A, B, N the offsets of
// both segments at B are made (InAngle); the side being walked gets the outer
// points of the corner (the offset of AB, the outer corner point Y and the
// offset of BN) or the inner corner point X, whichever lies on it, and the
// other side of an open line gets the opposite choice. The walked side is
// kept in order, the other side is kept apart and appended reversed, so the
// finished contour runs along one side, turns round the far cap and comes
// back along the other side.
#include "geometry/buildzone.h"

#include <algorithm>
#include <cmath>

#include "geometry/workhelpers.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Point zones: steps of the circle per unit of width, their bounds.
constexpr int kStepsPerWidth = 8;
constexpr int kMinSteps = 8;
constexpr int kMaxSteps = 180;

double Dist(const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

bool Same(const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return a.X == b.X && a.Y == b.Y; }

// (b - a) x (p - a): positive on the left of a -> b.
double Cross(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return (b.X - a.X) * (p.Y - a.Y) - (p.X - a.X) * (b.Y - a.Y);
}

bool Left(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return Cross(p, a, b) > 0.0;
}

// Unit normal on the left of a -> b; zero for equal points.
DOUBLEPOINT LeftNormal(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double l = Dist(a, b);
  if (!(l > 0.0)) return {0.0, 0.0};
  return {-(b.Y - a.Y) / l, (b.X - a.X) / l};
}

// p moved by d along the unit vector n.
DOUBLEPOINT Moved(const DOUBLEPOINT& p, const DOUBLEPOINT& n, double d) {
  return {p.X + d * n.X, p.Y + d * n.Y};
}

// Crossing of the line p + s (q - p) with the line r + t (u - r); false for
// parallel lines.
bool LineCrossing(const DOUBLEPOINT& p, const DOUBLEPOINT& q, const DOUBLEPOINT& r,
                  const DOUBLEPOINT& u, DOUBLEPOINT* out) {
  const double dx1 = q.X - p.X, dy1 = q.Y - p.Y, dx2 = u.X - r.X, dy2 = u.Y - r.Y;
  const double den = dx1 * dy2 - dy1 * dx2;
  const double scale = std::hypot(dx1, dy1) * std::hypot(dx2, dy2);
  if (!(std::fabs(den) > 1e-12 * scale)) return false;
  const double s = ((r.X - p.X) * dy2 - (r.Y - p.Y) * dx2) / den;
  *out = {p.X + s * dx1, p.Y + s * dy1};
  return true;
}

}  // namespace

TBuildZone::TBuildZone() {
  Source.Init();
  Result.Init();
}

TBuildZone::~TBuildZone() {
  Source.Free();
  Result.Free();
}

void TBuildZone::SetPrecision(double precision) {
  Precision = geomwork::SourcePrecision(Source, Precision, precision);
}

// ---------------------------------------------------------------------------
// Source and segment index

// A metric of a known kind, not one of the builder's own buffers.
bool TBuildZone::Readable(const TDataEdit* metric) const {
  return metric != nullptr && metric != &Source && metric != &Result &&
         metric->Record != nullptr && metric->BufferSize >= METRIC_EMPTY_LENGTH &&
         MetricValidMarker(metric->Record->Ident);
}

// Copies contour 0 of the source into Points and empties both sides; 0 when
// a point cannot be read or is not finite.
int TBuildZone::ReadSource() {
  const int n = Source.PointCount(0);
  Points.clear();
  Near.clear();
  Far.clear();
  for (int i = 1; i <= n; ++i) {
    if (!Source.GoPointSubject(i, 0)) return 0;
    const DOUBLEPOINT p{Source.XDouble(), Source.YDouble()};
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return 0;
    Points.push_back(p);
  }
  return 1;
}

// Loads and thins the subject, copies its points and indexes its segments.
int TBuildZone::Begin(double width, TDataEdit* metric, int subject, double precision) {
  if (!Readable(metric) || !(width > 0.0) || !std::isfinite(width) || subject < 0) return 0;
  Width = width;
  if (!Source.LoadSubject(metric, subject)) return 0;
  SetPrecision(precision);
  if (Source.LinearFilter(Precision) == 0) return 0;
  if (Source.FirstPointSubject(0) == nullptr) return 0;
  const int n = Source.PointCount(0);
  if (n < 1) return 0;
  if (!Result.Create(static_cast<int>(Source.Record->Ident), 0) || !ReadSource()) return 0;
  Index.Build(Points.data(), n);
  return 1;
}

// Whether some source segment comes within limit of p.
bool TBuildZone::NearSource(const DOUBLEPOINT& p, double limit) {
  return limit > 0.0 && Index.Meets(&p, 1, limit);
}

// ---------------------------------------------------------------------------
// Steps

int TBuildZone::WritePoint(const DOUBLEPOINT& p) {
  if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return 0;
  if (NearSource(p, Width - Precision)) return 0;
  Near.push_back(p);
  return 1;
}

// A point of the other side of an open line, under the same distance rule.
void TBuildZone::WriteOther(const DOUBLEPOINT& p) {
  if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return;
  if (!NearSource(p, Width - Precision)) Far.push_back(p);
}

// The two offsets of a segment with the unit normal n, at `at`.
void TBuildZone::Offsets(const DOUBLEPOINT& at, const DOUBLEPOINT& n, DOUBLEPOINT* p,
                         DOUBLEPOINT* q) const {
  *p = Moved(at, n, Width);
  *q = Moved(at, n, -Width);
}

int TBuildZone::InAngle() {
  if ((A.X == B.X && B.X == N.X) || (A.Y == B.Y && B.Y == N.Y)) return 0;
  const double k1 = A.X == B.X ? 9e10 : (B.Y - A.Y) / (B.X - A.X);
  const double k2 = B.X == N.X ? 9e12 : (N.Y - B.Y) / (N.X - B.X);
  if (std::fabs(k1 - k2) < 0.001) return 0;
  DOUBLEPOINT p, q;
  Offsets(B, LeftNormal(A, B), &p, &q);
  const bool pNearN = Dist(p, N) < Dist(q, N);
  A2 = pNearN ? p : q;
  A1 = pNearN ? q : p;
  Offsets(B, LeftNormal(B, N), &p, &q);
  const bool pNearA = Dist(p, A) < Dist(q, A);
  N1 = pNearA ? p : q;
  N2 = pNearA ? q : p;
  const DOUBLEPOINT a2e{A2.X + (B.X - A.X), A2.Y + (B.Y - A.Y)};
  const DOUBLEPOINT n1e{N1.X + (N.X - B.X), N1.Y + (N.Y - B.Y)};
  if (!LineCrossing(A2, a2e, N1, n1e, &X)) return 0;
  const double bx = Dist(B, X);
  if (bx > 0.0) {
    Y = {B.X + Width * (B.X - X.X) / bx, B.Y + Width * (B.Y - X.Y) / bx};
  } else {
    Y = A1;
  }
  const double a = Dist(A, B), b = Dist(B, N), c = Dist(A, N);
  if (a == 0.0 || b == 0.0) return 4;
  const double cosine = (a * a + b * b - c * c) / (2 * a * b);
  return (cosine >= -1.0 && cosine < -0.86) ? 3 : 4;
}

int TBuildZone::Angle123() const {
  const double ab = Dist(A, B), bn = Dist(B, N);
  const double m = std::min(ab, bn), M = std::max(ab, bn), c = Dist(A, N);
  const double p = (m + M + c) / 2;
  if (p == 0.0 || c == p) return 1;
  const double r = std::sqrt(std::fabs((p - m) * (p - M) * (p - c) / p));
  const double h = std::atan(r / (p - c));
  const double reach = 2 * m * std::sin(h);
  return (reach >= Width && 2 * Width * std::cos(h) <= reach) ? 0 : 1;
}

int TBuildZone::Parallel() const { return Left(W, A, B) == Left(A1, A, B) ? 1 : 0; }

int TBuildZone::PlacePoint8() const {
  const double d = Dist(B, X);
  if (d < Precision) return 0;
  const double a = std::asin(std::min(1.0, Width / d));
  const double m = std::min(Dist(A, B), Dist(B, N));
  return std::tan(a) * m >= Width ? 1 : 0;
}

// The cap at B coming from A: the offset nearer to W, the point beyond B on
// the line (pointed caps only) and the other offset; W becomes the last.
void TBuildZone::FinalPoint(int cap) {
  DOUBLEPOINT p1, p2;
  Offsets(B, LeftNormal(A, B), &p1, &p2);
  if (Dist(p2, W) < Dist(p1, W)) std::swap(p1, p2);
  const double l = Dist(A, B);
  Near.push_back(p1);
  if (cap == 0 && l > 0.0)
    Near.push_back({B.X + Width * (B.X - A.X) / l, B.Y + Width * (B.Y - A.Y) / l});
  Near.push_back(p2);
  W = p2;
}

// Writes the walked side, then the other side reversed, into the result;
// close: the first point once more at the end.
int TBuildZone::Emit(bool close) {
  if (Near.empty() && Far.empty()) return 0;
  for (const DOUBLEPOINT& p : Near)
    if (!Result.AppendPointSubject(0, p.X, p.Y)) return 0;
  for (size_t i = Far.size(); i-- > 0;)
    if (!Result.AppendPointSubject(0, Far[i].X, Far[i].Y)) return 0;
  if (close) {
    const DOUBLEPOINT first = Near.empty() ? Far.back() : Near.front();
    if (!Result.AppendPointSubject(0, first.X, first.Y)) return 0;
  }
  Result.FirstPointSubject(0);
  return 1;
}

// ---------------------------------------------------------------------------
// Zones

int TBuildZone::Build(double width, TDataEdit* metric, int subject, double precision, int cap) {
  if (!Begin(width, metric, subject, precision)) return 0;
  const int n = static_cast<int>(Points.size());
  A = Points[0];

  if (n == 1) {
    // A width below 1 / 8 would give no steps at all: a circle always gets
    // at least the minimum. The last point is the first again.
    int steps = static_cast<int>(std::min<double>(kMaxSteps, kStepsPerWidth * width));
    if (steps < kMinSteps) steps = kMinSteps;
    for (int k = 0; k <= steps; ++k) {
      const double t = k == steps ? 0.0 : k * 2 * kPi / steps;
      W = {A.X + width * std::cos(t), A.Y + width * std::sin(t)};
      Near.push_back(W);
    }
    return Emit(false);
  }

  if (n == 2) {
    B = Points[1];
    // The start point: the offset of A with a positive X step (the upper one
    // for a level line).
    DOUBLEPOINT nrm = LeftNormal(A, B);
    if (nrm.X < 0.0 || (nrm.X == 0.0 && nrm.Y < 0.0)) nrm = {-nrm.X, -nrm.Y};
    W = Moved(A, nrm, width);
    WritePoint(W);
    FinalPoint(cap);
    std::swap(A, B);
    FinalPoint(cap);
    return Emit(true);
  }

  const bool closed = Same(Points[0], Points[static_cast<size_t>(n) - 1]);
  int corners = n - 1;
  if (!closed) {
    B = Points[0];
    A = Points[1];
    FinalPoint(cap);
    corners = n - 2;
  }
  A = Points[0];
  B = Points[1];
  bool sideKnown = !closed;
  int next = 2;  // index of the next point to read
  for (int i = 1; i <= corners; ++i) {
    if (closed && i == corners) next = 1;  // the last corner turns onto P2
    N = Points[static_cast<size_t>(next++)];
    if (std::fabs(A.X - N.X) <= Precision && std::fabs(A.Y - N.Y) <= Precision) continue;
    const int r = InAngle();
    if (r != 0) {
      bool outer;
      if (!sideKnown) {
        // The ring goes round the outside: the outer points of this corner
        // are walked when the way from B towards X leads into the area.
        const double step = 1e-3 * std::min({Dist(A, B), Dist(B, N), Dist(B, X)});
        const double bx = Dist(B, X);
        const DOUBLEPOINT probe{B.X + step * (X.X - B.X) / bx, B.Y + step * (X.Y - B.Y) / bx};
        outer = bx > 0.0 && Index.Inside(probe);
        sideKnown = true;
      } else {
        outer = Parallel() != 0;
      }
      const bool inner = Angle123() == 0;
      // A slight turn gets one outer point: where the outer offset lines
      // meet (opposite X across B), so that the zone keeps its full width
      // along both segments; the point at the width from B on the bisector
      // would cut into the band on either side of the corner.
      const DOUBLEPOINT mitre{2 * B.X - X.X, 2 * B.Y - X.Y};
      // The walked side takes the outer points when outer, else X; the
      // other side of an open line takes the other choice.
      const auto write = [&](const DOUBLEPOINT& p, bool walked) {
        if (walked) WritePoint(p);
        else WriteOther(p);
      };
      for (const bool walked : {true, false}) {
        if (!walked && closed) break;
        if (outer != walked) {
          if (inner) write(X, walked);
        } else if (r == 3) {
          write(mitre, walked);
        } else {
          write(A1, walked);
          write(Y, walked);
          write(N2, walked);
        }
      }
      W = outer ? N2 : X;
    }
    A = B;
    B = N;
  }
  if (!closed) FinalPoint(cap);
  return Emit(true);
}

int TBuildZone::BuildHalf(double width, TDataEdit* metric, int subject, double precision) {
  if (!Begin(width, metric, subject, precision)) return 0;
  const int n = static_cast<int>(Points.size());
  if (n < 2) return 0;
  A = Points[0];
  B = Points[1];
  if (Same(A, B)) return 0;
  if (n == 2) {
    Near.push_back(A);
    W = Moved(A, LeftNormal(A, B), width);
    WritePoint(W);
    Near.push_back(Moved(B, LeftNormal(A, B), width));  // the end, near the line or not
    Near.push_back(B);
    Near.push_back(A);
    return Emit(false);
  }
  W = Moved(A, LeftNormal(A, B), width);
  Near.push_back(W);
  bool dropEnd = false;
  for (int i = 1; i <= n - 2; ++i) {
    N = Points[static_cast<size_t>(i) + 1];
    const int r = InAngle();
    if (r != 0) {
      const bool wLeft = Left(W, A, B);
      const bool xOnW = Left(X, A, B) == wLeft;
      if (!xOnW && Left(A1, A, B) == wLeft) {
        Near.push_back(A1);
        Near.push_back(Y);
        Near.push_back(N2);
      } else if (xOnW) {
        if (PlacePoint8()) Near.push_back(X);
        else if (i == n - 2) dropEnd = true;
      }
    }
    A = B;
    B = N;
    W = Moved(A, LeftNormal(A, B), width);
  }
  if (!dropEnd) Near.push_back(Moved(B, LeftNormal(A, B), width));
  for (int i = n; i-- > 0;) Near.push_back(Points[static_cast<size_t>(i)]);
  if (!Same(Near.front(), Near.back())) Near.push_back(Near.front());
  return Emit(false);
}

// ---------------------------------------------------------------------------
// Moved contour

// The segment p q moved by the width to its right for a positive sign, to
// its left for a negative one.
int TBuildZone::OffsetSegment(const DOUBLEPOINT& p, const DOUBLEPOINT& q, DOUBLEPOINT* p1,
                              DOUBLEPOINT* q1) const {
  *p1 = {0.0, 0.0};
  *q1 = {0.0, 0.0};
  const DOUBLEPOINT n = LeftNormal(p, q);
  if (n.X == 0.0 && n.Y == 0.0) return 0;
  const double d = Precision > 0.0 ? -Width : Width;
  *p1 = Moved(p, n, d);
  *q1 = Moved(q, n, d);
  return 1;
}

int TBuildZone::ModificationObject(double distance, TDataEdit* metric, int subject) {
  if (!Readable(metric) || !std::isfinite(distance) || subject < 0) return 0;
  if (metric->PointCount(0) < 2) return 0;
  if (!Result.Create(static_cast<int>(metric->Record->Ident), 0)) return 0;
  if (distance == 0.0) return Result.LoadSubject(metric, subject);
  Precision = distance < 0.0 ? -1.0 : 1.0;
  Width = std::fabs(distance);
  if (metric->GetDirection(subject) == 4) Precision = -Precision;
  if (!Source.LoadSubject(metric, subject) || !ReadSource()) return 0;
  const size_t count = Points.size();
  size_t j = 1;
  while (j < count && Same(Points[j], Points[0])) ++j;
  if (j == count) return 0;
  DOUBLEPOINT s1, t1;
  if (!OffsetSegment(Points[0], Points[j], &s1, &t1)) return 0;
  Near.insert(Near.end(), j, s1);  // S and its repeats
  DOUBLEPOINT prevA = s1, prevB = t1;
  auto joint = [&](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    DOUBLEPOINT x;
    if (!LineCrossing(prevA, prevB, a, b, &x)) x = a;
    Near.push_back(x);
  };
  size_t cur = j;
  size_t k;
  for (;;) {
    k = cur + 1;
    while (k < count && Same(Points[k], Points[cur])) ++k;
    if (k == count) break;
    DOUBLEPOINT a, b;
    if (!OffsetSegment(Points[cur], Points[k], &a, &b)) return 0;
    Near.insert(Near.end(), k - cur - 1, a);
    joint(a, b);
    prevA = a;
    prevB = b;
    cur = k;
  }
  const size_t trailing = count - cur - 1;
  if (Same(Points[cur], Points[0]) && cur >= 2) {
    DOUBLEPOINT a, b;
    if (!OffsetSegment(Points[0], Points[j], &a, &b)) return 0;
    Near.insert(Near.end(), trailing, a);
    joint(a, b);
    Near.front() = Near.back();
    return Emit(false);
  }
  Near.insert(Near.end(), trailing + 1, prevB);
  for (size_t i = count; i-- > 0;) Near.push_back(Points[i]);
  return Emit(true);
}
