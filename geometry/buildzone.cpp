// Buffer zones around the contours of a metric.
//
// A zone is first drawn as one closed curve walked along the contour: at
// every corner A, B, N the side being walked gets, where the corner turns
// away from it, the offset of AB at B, an arc round B at the width and the
// offset of BN at B; where the corner turns towards it, the crossing X of
// the two offsets when X lies beside both segments, else a detour from the
// offset of AB in to B and out to the offset of BN. A line is walked along
// its left side, round the end cap, back along its other side and round the
// start cap; a closed contour along its outer side only; a half zone along
// its left side and back along the line itself. Where the contour comes
// near itself (a notch, a narrow bend, a loop) the curve crosses itself;
// the zone is the region the curve winds around, whose outline
// TZoneOutline finds. Every point of the zone then lies within the width of
// the contour (arcs are chords between points at the width), and every
// point within the width is in it, but for the slivers the chords cut off.
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

double Dist(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  return std::sqrt(dx * dx + dy * dy);
}

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
// Source

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
  for (int i = 1; i <= n; ++i) {
    if (!Source.GoPointSubject(i, 0)) return 0;
    const DOUBLEPOINT p{Source.XDouble(), Source.YDouble()};
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return 0;
    Points.push_back(p);
  }
  return 1;
}

// Loads the subject without repeated points and copies its points.
int TBuildZone::Begin(double width, TDataEdit* metric, int subject, double precision) {
  if (!Readable(metric) || !(width > 0.0) || !std::isfinite(width) || subject < 0) return 0;
  Width = width;
  if (!Source.LoadSubject(metric, subject)) return 0;
  SetPrecision(precision);
  // Points that repeat their neighbour within the precision go; points on
  // the line through their neighbours stay (corridor thinning would take
  // the tip of a spike that runs back along the line, and the zone round
  // it).
  if (Source.DeleteEqualPoint(Precision, 0) == 0) return 0;
  if (Source.FirstPointSubject(0) == nullptr) return 0;
  const int n = Source.PointCount(0);
  if (n < 1) return 0;
  if (!Result.Create(static_cast<int>(Source.Record->Ident), 0) || !ReadSource()) return 0;
  Indexed = false;
  return 1;
}

// Whether some source segment comes within limit of p (the segments are
// indexed at the first question).
bool TBuildZone::NearSource(const DOUBLEPOINT& p, double limit) {
  if (!Indexed) Index.Build(Points.data(), static_cast<int>(Points.size()));
  Indexed = true;
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

// Writes the points of p into the result; close: the first point once more
// at the end.
int TBuildZone::Emit(const std::vector<DOUBLEPOINT>& p, bool close) {
  if (p.empty()) return 0;
  for (const DOUBLEPOINT& q : p)
    if (!Result.AppendPointSubject(0, q.X, q.Y)) return 0;
  if (close && !Result.AppendPointSubject(0, p.front().X, p.front().Y)) return 0;
  Result.FirstPointSubject(0);
  return 1;
}

// Adds p to the curve unless it repeats the last point.
void TBuildZone::Add(const DOUBLEPOINT& p) {
  if (Curve.empty() || !Same(Curve.back(), p)) Curve.push_back(p);
}

// The corner A, B, N on the left side of the walk: an arc round B where
// the walk turns right (a turn straight back counts as one), the crossing
// of the two offsets or a detour through B where it turns left. One-sided,
// a turn straight back counts as one to the left (the zone keeps to the
// left of both segments rather than going round the tip), and the crossing
// is taken only where what it cuts off lies on the left of both segments.
void TBuildZone::Corner(const DOUBLEPOINT& a, const DOUBLEPOINT& b, const DOUBLEPOINT& n,
                        bool oneSided) {
  const double l1 = Dist(a, b), l2 = Dist(b, n);
  const DOUBLEPOINT u1{(b.X - a.X) / l1, (b.Y - a.Y) / l1}, u2{(n.X - b.X) / l2, (n.Y - b.Y) / l2};
  const DOUBLEPOINT n1{-u1.Y, u1.X}, n2{-u2.Y, u2.X};
  const double cross = u1.X * u2.Y - u1.Y * u2.X, dot = u1.X * u2.X + u1.Y * u2.Y;
  if (cross == 0.0 && dot > 0.0) return;  // straight on: the offsets run on
  if (cross < 0.0 || (cross == 0.0 && !oneSided)) {
    const double turn = cross == 0.0 ? -kPi : std::atan2(cross, dot);
    const int chords = std::max(1, static_cast<int>(std::ceil(-turn / Step)));
    const double c = std::cos(turn / chords), s = std::sin(turn / chords);
    DOUBLEPOINT r = n1;
    Add(Moved(b, n1, Width));
    for (int j = 1; j < chords; ++j) {
      r = {r.X * c - r.Y * s, r.X * s + r.Y * c};
      Add(Moved(b, r, Width));
    }
    return Add(Moved(b, n2, Width));
  }
  // X lies beside both segments when its feet, w tan(turn / 2) back from
  // B, fall within them; within their first halves, so that the offset of
  // a segment cut at both ends never runs backwards. One-sided, the
  // offsets' ends at B must lie beside the other segment too (on its left,
  // w sin(turn) along it).
  const double reach = oneSided ? (dot >= 0.0 ? cross : HUGE_VAL) : cross / (1.0 + dot);
  if (2 * Width * reach <= std::min(l1, l2)) {
    const double k = Width / (1.0 + dot);
    return Add({b.X + k * (n1.X + n2.X), b.Y + k * (n1.Y + n2.Y)});
  }
  Add(Moved(b, n1, Width));
  Add(b);
  Add(Moved(b, n2, Width));
}

// The left side of the walk along p[0 .. n - 1] (no two neighbours equal):
// from the offset of the first point to that of the last; a closed contour
// (the last point the first) goes round every vertex. One-sided: the zone
// lies on this side only.
void TBuildZone::Side(const DOUBLEPOINT* p, int n, bool closed, bool oneSided) {
  if (closed) {
    const int k = n - 1;
    for (int i = 0; i < k; ++i) Corner(p[(i + k - 1) % k], p[i], p[(i + 1) % k], false);
    return;
  }
  Add(Moved(p[0], LeftNormal(p[0], p[1]), Width));
  for (int i = 1; i + 1 < n; ++i) Corner(p[i - 1], p[i], p[i + 1], oneSided);
  Add(Moved(p[n - 1], LeftNormal(p[n - 2], p[n - 1]), Width));
}

// The source without repeated neighbours in Line and, reversed, in Back.
void TBuildZone::Distinct() {
  Line.clear();
  for (const DOUBLEPOINT& p : Points)
    if (Line.empty() || !Same(Line.back(), p)) Line.push_back(p);
  Back.assign(Line.rbegin(), Line.rend());
}

// The region the curve winds around, written into the result; reversed:
// running clockwise.
int TBuildZone::Outline(bool reversed) {
  if (Curve.empty()) return 0;
  Curve.push_back(Curve.front());
  if (!Zone.Resolve(Curve.data(), static_cast<int>(Curve.size()), Precision, &Near)) return 0;
  if (reversed) std::reverse(Near.begin(), Near.end());
  return Emit(Near, false);
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
    return Emit(Near, false);
  }

  if (n == 2) {
    B = Points[1];
    // The start point: the offset of A with a positive X step (the upper one
    // for a level line).
    DOUBLEPOINT nrm = LeftNormal(A, B);
    if (nrm.X < 0.0 || (nrm.X == 0.0 && nrm.Y < 0.0)) nrm = {-nrm.X, -nrm.Y};
    W = Moved(A, nrm, width);
    Near.push_back(W);
    FinalPoint(cap);
    std::swap(A, B);
    FinalPoint(cap);
    return Emit(Near, true);
  }

  // Arcs of the corners in steps of the circle of the zone around a point,
  // at least 32 to the turn.
  Step = 2 * kPi / std::clamp(kStepsPerWidth * width, 32.0, static_cast<double>(kMaxSteps));
  Distinct();
  Curve.clear();
  const int k = static_cast<int>(Line.size());
  if (k < 2) return 0;
  const bool closed = k > 2 && Same(Line.front(), Line.back());
  if (closed) {
    // The outer side is the right of a contour running counter-clockwise;
    // the zone runs the way the contour does.
    double area = 0.0;
    for (int i = 0; i + 1 < k; ++i) area += Line[i].X * Line[i + 1].Y - Line[i + 1].X * Line[i].Y;
    Side(area > 0.0 ? Back.data() : Line.data(), k, true, false);
    return Outline(area < 0.0);
  }
  // Along the left side, round the end, back along the right side (the
  // left of the way back) and round the start. The curve runs clockwise
  // round what it encloses.
  Side(Line.data(), k, false, false);
  Cap(Line[k - 2], Line[k - 1], cap);
  Side(Back.data(), k, false, false);
  Cap(Line[1], Line[0], cap);
  return Outline(false);
}

// The cap at `end` coming from `from`, from the offset on the left to the
// one on the right: straight across (flat), or through the point at the
// width beyond the end (pointed). A cap cuts off what lies beyond the end,
// but not what lies within the width of the vertex before it: when that
// circle reaches out of the cap, the curve walks round it once more
// (clockwise) from where it meets the cap.
void TBuildZone::Cap(const DOUBLEPOINT& from, const DOUBLEPOINT& end, int cap) {
  const double l = Dist(from, end);
  const DOUBLEPOINT u{(end.X - from.X) / l, (end.Y - from.Y) / l}, n{-u.Y, u.X};
  const double w = Width, gap = w - l;
  // Where the circle round `from` meets the cap, as the fraction of the
  // way from the left offset to the end (flat) or to the tip (pointed).
  double t = -1.0;
  if (cap != 0 && gap > 0.0) {
    t = 1.0 - std::sqrt(w * w - l * l) / w;
  } else if (cap == 0 && gap * gap > 2 * l * l) {
    t = (gap - std::sqrt(gap * gap - 2 * l * l)) / (2 * w);
  }
  const DOUBLEPOINT left = Moved(end, n, w);
  const DOUBLEPOINT tip = cap == 0 ? Moved(end, u, w) : end;
  if (t >= 0.0) {
    const DOUBLEPOINT at{left.X + t * (tip.X - left.X), left.Y + t * (tip.Y - left.Y)};
    const DOUBLEPOINT r{(at.X - from.X) / w, (at.Y - from.Y) / w};
    const int chords = static_cast<int>(std::ceil(2 * kPi / Step));
    const double c = std::cos(-2 * kPi / chords), s = std::sin(-2 * kPi / chords);
    Add(at);
    DOUBLEPOINT q = r;
    for (int j = 1; j < chords; ++j) {
      q = {q.X * c - q.Y * s, q.X * s + q.Y * c};
      Add(Moved(from, q, w));
    }
    Add(at);
  }
  if (cap == 0) Add(tip);
}

int TBuildZone::BuildHalf(double width, TDataEdit* metric, int subject, double precision) {
  if (!Begin(width, metric, subject, precision)) return 0;
  const int n = static_cast<int>(Points.size());
  if (n < 2 || Same(Points[0], Points[1])) return 0;
  // Along the left offsets and back along the line; the zone runs that
  // way too, ending on the line's points in reverse order.
  Step = 2 * kPi / std::clamp(kStepsPerWidth * width, 32.0, static_cast<double>(kMaxSteps));
  Distinct();
  Curve.clear();
  Side(Line.data(), static_cast<int>(Line.size()), false, true);
  for (const DOUBLEPOINT& p : Back) Add(p);
  return Outline(true);
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
    return Emit(Near, false);
  }
  Near.insert(Near.end(), trailing + 1, prevB);
  for (size_t i = count; i-- > 0;) Near.push_back(Points[i]);
  return Emit(Near, true);
}
