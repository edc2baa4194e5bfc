// Measures and searches over the record of a metric editing buffer: frames,
// lengths, areas, orientation, the point-in-contour test, nearest points,
// points at a path distance, crossings of a segment with a contour, arcs.
// Every walk visits the contours once, in order.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "records/dataedit.h"
#include "records/metric_access.h"

using metric::Contour;
using metric::Walk;

namespace {

constexpr double kFar = 1.7e300;  // start value of nearest-point searches
constexpr double kPi = 3.14159265358979323846;

DOUBLEPOINT PointAt(DWORD kind, const char* p) {
  DOUBLEPOINT r;
  metric::ReadXY(kind, p, r.X, r.Y);
  return r;
}

// Calls f(index, contour) for every contour in order; false when a contour
// cannot be reached.
template <typename F>
bool ForEachContour(LONGMETRIC* record, int size, bool text, F&& f) {
  char* base = reinterpret_cast<char*>(record);
  Walk walk(base, base + record->Length, size, text);
  Contour c;
  if (!walk.First(c)) return false;
  for (int i = 0;; ++i) {
    f(i, c);
    if (i >= walk.Subjects()) return true;
    Contour next;
    if (!walk.Next(c, i + 1, next)) return false;
    c = next;
  }
}

// Foot of the perpendicular from (x, y) to the line a-b, replaced by a when
// it falls beyond both ends in X or in Y.
DOUBLEPOINT Foot(double x, double y, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  DOUBLEPOINT f;
  if (b.Y != a.Y) {
    double k = (b.X - a.X) / (b.Y - a.Y);
    f.Y = ((x - a.X) * k + y + a.Y * k * k) / (k * k + 1.0);
    f.X = (f.Y - a.Y) * k + a.X;
  } else {
    f.X = x;
    f.Y = a.Y;
  }
  bool beyondX = (f.X > a.X && f.X > b.X) || (f.X < a.X && f.X < b.X);
  bool beyondY = (f.Y > a.Y && f.Y > b.Y) || (f.Y < a.Y && f.Y < b.Y);
  return (beyondX || beyondY) ? a : f;
}

double Squared(double x, double y, const DOUBLEPOINT& p) {
  double dx = p.X - x, dy = p.Y - y;
  return dx * dx + dy * dy;
}

// Twice the signed area of a contour (the closing segment not added).
double Shoelace(DWORD kind, int size, const Contour& c) {
  if (c.count < 2) return 0.0;
  const char* p = c.First();
  DOUBLEPOINT a = PointAt(kind, p);
  double s = 0.0;
  for (DWORD i = 1; i < c.count; ++i) {
    p += size;
    DOUBLEPOINT b = PointAt(kind, p);
    s += (a.X + b.X) * (b.Y - a.Y);
    a = b;
  }
  return s;
}

void ClearResult(NUMBERPOINT* r) {
  r->Number = 0;
  r->Flag = 0;
  r->Vertex = 0;
}

void SetResult(NUMBERPOINT* r, const DOUBLEPOINT& p, int number, bool vertex) {
  r->X = p.X;
  r->Y = p.Y;
  r->Number = number;
  r->Flag = vertex ? 1 : 0;
  r->Vertex = vertex ? number : 0;
}

}  // namespace

int TDataEdit::Dimensions(DFRAME* frame) {
  if (frame == nullptr || !Valid()) return 0;
  int size = MetricPointSize(Kind());
  if (size == 0) return 0;
  DWORD kind = Kind();
  bool first = true;
  bool ok = ForEachContour(Record, size, TextFlag != 0, [&](int, const Contour& c) {
    const char* p = c.First();
    for (DWORD i = 0; i < c.count; ++i, p += size) {
      DOUBLEPOINT q = PointAt(kind, p);
      if (first) {
        frame->X1 = frame->X2 = q.X;
        frame->Y1 = frame->Y2 = q.Y;
        first = false;
        continue;
      }
      if (q.X < frame->X1) frame->X1 = q.X;
      if (q.Y < frame->Y1) frame->Y1 = q.Y;
      if (q.X > frame->X2) frame->X2 = q.X;
      if (q.Y > frame->Y2) frame->Y2 = q.Y;
    }
  });
  if (!ok) return 0;
  // Contour 0 must hold a point.
  return (!first && metric::ReadCount(LongCounts(), reinterpret_cast<char*>(Record) + 12) > 0) ? 1
                                                                                                : 0;
}

int TDataEdit::DimensionsSubject(DFRAME* frame, int n) {
  char* p;
  DWORD count;
  if (frame == nullptr || !ContourPoints(n, p, count) || count == 0) return 0;
  DOUBLEPOINT q = PointAt(Kind(), p);
  frame->X1 = frame->X2 = q.X;
  frame->Y1 = frame->Y2 = q.Y;
  for (DWORD i = 1; i < count; ++i) {
    p += PointBytes;
    q = PointAt(Kind(), p);
    if (q.X < frame->X1) frame->X1 = q.X;
    if (q.Y < frame->Y1) frame->Y1 = q.Y;
    if (q.X > frame->X2) frame->X2 = q.X;
    if (q.Y > frame->Y2) frame->Y2 = q.Y;
  }
  return 1;
}

double TDataEdit::PolyPerimeter() {
  if (!Valid()) return 0.0;
  int size = MetricPointSize(Kind());
  if (size == 0) return 0.0;
  DWORD kind = Kind();
  double sum = 0.0;
  bool ok = ForEachContour(Record, size, TextFlag != 0, [&](int, const Contour& c) {
    if (c.count < 2) return;
    const char* p = c.First();
    DOUBLEPOINT a = PointAt(kind, p);
    for (DWORD i = 1; i < c.count; ++i) {
      p += size;
      DOUBLEPOINT b = PointAt(kind, p);
      double dx = b.X - a.X, dy = b.Y - a.Y, d2 = dx * dx + dy * dy;
      if (d2 > 1e-6) sum += std::sqrt(d2);
      a = b;
    }
  });
  return ok ? sum : 0.0;
}

double TDataEdit::Square() {
  if (TextFlag || !Valid()) return 0.0;
  int size = MetricPointSize(Kind());
  if (size == 0) return 0.0;
  DWORD kind = Kind();
  double area = 0.0;
  bool ok = ForEachContour(Record, size, false, [&](int i, const Contour& c) {
    double s = std::fabs(Shoelace(kind, size, c));
    area += i == 0 ? s : -s;
  });
  return ok ? 0.5 * area : 0.0;
}

double TDataEdit::SignedSquareSubject(int n) {
  char* p;
  DWORD count;
  if (!ContourPoints(n, p, count)) return 0.0;
  Contour c;
  c.word = CountWord;
  c.count = count;
  return 0.5 * Shoelace(Kind(), PointBytes, c);
}

double TDataEdit::SquareSubject(int n) { return std::fabs(SignedSquareSubject(n)); }

int TDataEdit::GetDirection(int n) {
  if (TextFlag || !Valid()) return 1;
  if (PointCount(0) < 3) return 1;
  if (!GetExclusiveSubject(n)) return 1;
  return SignedSquareSubject(n) >= 0.0 ? 2 : 4;
}

int TDataEdit::Inside(const DOUBLEPOINT* point, int n) {
  if (point == nullptr) return 0;
  char* saved = CurrentPoint;
  char* savedWord = CountWord;
  LONG savedNumber = PointNumber, savedSubject = SubjectNumber;
  char* first;
  DWORD count;
  if (!ContourPoints(n, first, count) || count == 0) return 0;
  size_t size = static_cast<size_t>(PointBytes);
  if (std::memcmp(first, first + (count - 1) * size, size) != 0) return 0;
  DWORD kind = Kind();
  const double px = point->X, py = point->Y;
  int crossings = 0;
  int result = 0;
  DOUBLEPOINT p0 = PointAt(kind, first);
  for (DWORD i = 1; i < count && result == 0; ++i) {
    DOUBLEPOINT p1 = PointAt(kind, first + i * size);
    DOUBLEPOINT a = p0;
    p0 = p1;
    if (a.X == p1.X && a.Y == p1.Y) continue;
    if ((px == a.X && py == a.Y) || (px == p1.X && py == p1.Y)) {
      result = 3;
      break;
    }
    double x0 = a.X, y0 = a.Y, x1 = p1.X, y1 = p1.Y;
    // Ends at the ray's height are moved off it and the segment is tested
    // again; a few moves settle every case (the bound guards coordinates
    // too large for the move to change them).
    for (int round = 0; round < 6; ++round) {
      if (x0 != x1 && y0 != y1) {
        if ((py > y0 && py < y1) || (py < y0 && py > y1)) {
          double xc = (py - y0) / (y0 - y1) * (x0 - x1) + x0;
          if (xc == px) result = 4;
          else if (xc > px) ++crossings;
          break;
        }
        if (py == y0) y0 -= 0.001;
        else if (py == y1) y1 -= 0.001;
        else break;
      } else if (y0 == y1) {
        if ((px > x0 && px < x1) || (px < x0 && px > x1)) {
          if (py == y0) result = 4;
          break;
        }
        if (px == x0) x0 -= 0.001;
        else if (px == x1) x1 -= 0.001;
        else if (py == y0) y0 -= 0.001;
        else break;
      } else {  // x0 == x1
        if ((py > y0 && py < y1) || (py < y0 && py > y1)) {
          if (px == x0) result = 4;
          else if (px < x0) ++crossings;
          break;
        }
        if (py == y0) y0 -= 0.001;
        else if (py == y1) y1 -= 0.001;
        else break;
      }
    }
  }
  CurrentPoint = saved;
  CountWord = savedWord;
  PointNumber = savedNumber;
  SubjectNumber = savedSubject;
  if (result) return result;
  return (crossings & 1) ? 1 : 2;
}

int TDataEdit::NearPointRange(double x, double y, int n, int first, int last, double& best) {
  if (first < 0 || first > last) return 0;
  char* p;
  DWORD count;
  if (!ContourPoints(n, p, count)) return 0;
  if (first < 1) first = 1;
  if (static_cast<DWORD>(last) > count) last = static_cast<int>(count);
  if (first > last) return 0;
  int found = 0;
  const char* q = p + static_cast<size_t>(first - 1) * PointBytes;
  for (int i = first; i <= last; ++i, q += PointBytes) {
    double d = Squared(x, y, PointAt(Kind(), q));
    if (d < best) {
      best = d;
      found = i;
    }
  }
  GoPointSubject(last, n);
  return found;
}

int TDataEdit::SeekNearPoint(double x, double y, int n, int first, int last) {
  double best = kFar;
  return NearPointRange(x, y, n, first, last, best);
}

int TDataEdit::SeekNearPoint(double x, double y, int n) {
  double best = kFar;
  return NearPointRange(x, y, n, 1, 0x7FFFFFFF, best);
}

int TDataEdit::SeekNearPoint(double x, double y) {
  if (!Valid()) return 0;
  // Contours are visited upwards; a later contour takes an equal distance,
  // which is the same choice as visiting them downwards with strict
  // comparison.
  double best = kFar;
  int found = 0, contour = 0;
  for (int c = 0; c <= Record->Count; ++c) {
    double local = kFar;
    int number = NearPointRange(x, y, c, 1, 0x7FFFFFFF, local);
    if (number && local <= best) {
      best = local;
      found = number;
      contour = c;
    }
    if (CountWord == nullptr) break;  // contour not reached
  }
  if (found) FirstPointSubject(contour);
  return found;
}

int TDataEdit::NearVirtualRange(double x, double y, int n, int first, int last, XYDOUBLE* out,
                                double& best) {
  if (out == nullptr || first > last) return 0;
  char* p;
  DWORD count;
  if (!ContourPoints(n, p, count)) return 0;
  if (first < 1) first = 1;
  if (static_cast<DWORD>(last) > count) last = static_cast<int>(count);
  if (first > last) return 0;
  int found = 0;
  DWORD kind = Kind();
  const char* q = p + static_cast<size_t>(first - 1) * PointBytes;
  DOUBLEPOINT a = PointAt(kind, q);
  for (int i = first; i <= last; ++i) {
    DOUBLEPOINT candidate = a;
    if (i < last) {
      q += PointBytes;
      DOUBLEPOINT b = PointAt(kind, q);
      candidate = Foot(x, y, a, b);
      a = b;
    }
    double d = Squared(x, y, candidate);
    if (d < best) {
      best = d;
      *out = candidate;
      found = i;
    }
  }
  return found;
}

int TDataEdit::SeekNearVirtualPoint(double x, double y, int n, int first, int last,
                                    XYDOUBLE* out) {
  double best = kFar;
  return NearVirtualRange(x, y, n, first, last, out, best);
}

int TDataEdit::SeekNearVirtualPoint(double x, double y, int n, XYDOUBLE* out) {
  double best = kFar;
  return NearVirtualRange(x, y, n, 1, 0x7FFFFFFF, out, best);
}

int TDataEdit::SeekNearVirtualPoint(double x, double y, XYDOUBLE* out) {
  if (out == nullptr || !Valid()) return 0;
  double best = kFar;
  int found = 0, contour = 0;
  XYDOUBLE winner{0.0, 0.0};
  for (int c = 0; c <= Record->Count; ++c) {
    double local = kFar;
    XYDOUBLE point;
    int number = NearVirtualRange(x, y, c, 1, 0x7FFFFFFF, &point, local);
    if (number && local <= best) {
      best = local;
      found = number;
      contour = c;
      winner = point;
    }
    if (CountWord == nullptr) break;
  }
  *out = winner;
  if (found) FirstPointSubject(contour);
  return found;
}

int TDataEdit::SeekVirtualPointOnSegment(double x, double y, const DOUBLEPOINT* points,
                                         DOUBLEPOINT* out) {
  if (points == nullptr || out == nullptr) return 0;
  double best = kFar;
  int found = 0;
  for (int i = 0; i < 2; ++i) {
    DOUBLEPOINT candidate = Foot(x, y, points[i], points[i + 1]);
    double d = Squared(x, y, candidate);
    if (d < best) {
      best = d;
      *out = candidate;
      found = i + 1;
    }
  }
  if (Squared(x, y, points[2]) < best) {
    *out = points[2];
    found = 3;
  }
  return found;
}

int TDataEdit::SeekVirtualPointByDistance(int point, double distance, DOUBLEPOINT* out, int n) {
  if (out == nullptr) return 0;
  char* at = GoPointSubject(point, n);
  if (at == nullptr) return 0;
  DOUBLEPOINT a = PointAt(Kind(), at);
  if (distance == 0.0) {
    *out = a;
    return -point;
  }
  bool forward = distance > 0.0;
  double goal = std::fabs(distance);
  double sum = 0.0;
  for (;;) {
    char* next = forward ? NextPoint() : PrevPoint();
    if (next == nullptr) return 0;
    DOUBLEPOINT b = PointAt(Kind(), next);
    double before = sum;
    sum += Measure.Distance(&a, &b);
    if (std::fabs(sum - goal) < 0.001) {
      *out = b;
      return -PointNumber;
    }
    if (sum > goal) {
      double r = goal - before;
      double t = std::atan2(b.X - a.X, b.Y - a.Y);
      out->X = a.X + r * std::sin(t);
      out->Y = a.Y + r * std::cos(t);
      return forward ? PointNumber - 1 : PointNumber;
    }
    a = b;
  }
}

int TDataEdit::CrossCutData(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int first, int last,
                            NUMBERPOINT* r1, NUMBERPOINT* r2, int n, double precision) {
  if (a == nullptr || b == nullptr || r1 == nullptr || r2 == nullptr) return 0;
  if (PointCount(n) < last || first >= last) return 0;
  char* at = GoPointSubject(first, n);
  if (at == nullptr) return 0;
  ClearResult(r1);
  ClearResult(r2);
  Measure.CalcFactor(a, b);
  auto near = [&](const DOUBLEPOINT& p, const DOUBLEPOINT& q) {
    return Measure.Distance(&p, &q) < precision;
  };
  auto onSegment = [&](const DOUBLEPOINT& p, const DOUBLEPOINT& s, const DOUBLEPOINT& e) {
    return Measure.InsidePointCut(&s, &e, &p, precision) &&
           std::fabs(Measure.Distance(&p, &s, &e)) < precision;
  };
  DOUBLEPOINT p0 = PointAt(Kind(), at);
  double s0 = Measure.InsidePointLine(&p0);
  int k = first;
  while (k < last) {
    char* next = NextPoint();
    if (next == nullptr) return 0;
    DOUBLEPOINT p1 = PointAt(Kind(), next);
    double s1 = Measure.InsidePointLine(&p1);
    int code = 0;
    // 1. P0 on a-b.
    if (onSegment(p0, *a, *b)) {
      if (near(p0, *a)) SetResult(r1, *a, k, true), code = -1;
      else if (near(p0, *b)) SetResult(r1, *b, k, true), code = -2;
      else {
        DOUBLEPOINT line[3] = {*a, *b, p0}, nearest;
        SeekVirtualPointOnSegment(p0.X, p0.Y, line, &nearest);
        SetResult(r1, nearest, k, true);
        code = 1;
      }
    }
    // 2. P1 on a-b ends the scan.
    if (onSegment(p1, *a, *b)) {
      if (near(p1, *a)) SetResult(r2, *a, k + 1, true), code = -1;
      else if (near(p1, *b)) SetResult(r2, *b, k + 1, true), code = -2;
      else {
        DOUBLEPOINT line[3] = {*a, *b, p0}, nearest;
        SeekVirtualPointOnSegment(p1.X, p1.Y, line, &nearest);
        SetResult(r2, nearest, k + 1, true);
        code = 1;
      }
      return code;
    }
    // 3, 4. a or b on the contour segment.
    const DOUBLEPOINT* ends[2] = {a, b};
    for (int e = 0; e < 2; ++e) {
      const DOUBLEPOINT& q = *ends[e];
      int mark = e == 0 ? -1 : -2;
      if (!onSegment(q, p0, p1)) continue;
      if (near(q, p0)) {
        if (r1->Number == 0) SetResult(r1, q, k, true), code = mark;
      } else if (near(q, p1)) {
        if (r2->Number == 0) SetResult(r2, q, k + 1, true), code = mark;
      } else if (r1->Number == 0) {
        SetResult(r1, q, k, false), code = mark;
      } else if (e == 1 && r2->Number == 0) {
        SetResult(r2, q, k, false), code = mark;
      }
    }
    if (r1->Number != 0 || r2->Number != 0) return code;
    // 6. A proper crossing.
    if (std::fabs(s0) >= precision && std::fabs(s1) >= precision &&
        ((s0 > 0.0 && s1 < 0.0) || (s0 < 0.0 && s1 > 0.0))) {
      DOUBLEPOINT cross;
      if (Measure.CrossCutLine(&p0, &p1, &cross)) {
        r1->X = cross.X;
        r1->Y = cross.Y;
        if (Measure.InsidePointCut(a, b, &cross, precision) &&
            Measure.InsidePointCut(&p0, &p1, &cross, precision)) {
          r1->Number = k;
          r2->Number = 0;
          return 1;
        }
      }
    }
    p0 = p1;
    s0 = s1;
    ++k;
  }
  return 0;
}

int TDataEdit::CrossCutSegment(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int first, int last,
                               NUMBERPOINT* ends, NUMBERPOINT* vertices, int n,
                               double precision) {
  if (a == nullptr || b == nullptr || ends == nullptr || vertices == nullptr) return 0;
  if (PointCount(n) < last || first >= last) return 0;
  char* at = GoPointSubject(first, n);
  if (at == nullptr) return 0;
  std::memset(ends, 0, 2 * sizeof(NUMBERPOINT));
  std::memset(vertices, 0, 2 * sizeof(NUMBERPOINT));
  Measure.CalcFactor(a, b);
  // Here a distance equal to the precision still counts as near.
  auto near = [&](const DOUBLEPOINT& p, const DOUBLEPOINT& q) {
    return Measure.Distance(&p, &q) <= precision;
  };
  auto onSegment = [&](const DOUBLEPOINT& p, const DOUBLEPOINT& s, const DOUBLEPOINT& e) {
    return Measure.InsidePointCut(&s, &e, &p, precision) &&
           std::fabs(Measure.Distance(&p, &s, &e)) <= precision;
  };
  auto store = [](NUMBERPOINT* r, const DOUBLEPOINT& p, int number, int code) {
    r->X = p.X;
    r->Y = p.Y;
    r->Number = number;
    r->Flag = code;
  };
  DOUBLEPOINT p0 = PointAt(Kind(), at);
  double s0 = Measure.InsidePointLine(&p0);
  int k = first;
  while (k < last) {
    char* next = NextPoint();
    if (next == nullptr) return 0;
    DOUBLEPOINT p1 = PointAt(Kind(), next);
    double s1 = Measure.InsidePointLine(&p1);
    const DOUBLEPOINT* vertex[2] = {&p0, &p1};
    for (int v = 0; v < 2; ++v) {
      const DOUBLEPOINT& p = *vertex[v];
      if (!onSegment(p, *a, *b)) continue;
      if (near(p, *a)) store(&vertices[v], *a, k + v, -1);
      else if (near(p, *b)) store(&vertices[v], *b, k + v, -2);
      else store(&vertices[v], p, k + v, 1);
    }
    const DOUBLEPOINT* end[2] = {a, b};
    for (int e = 0; e < 2; ++e) {
      const DOUBLEPOINT& q = *end[e];
      if (!onSegment(q, p0, p1)) continue;
      if (near(q, p0)) store(&ends[e], q, k, -1);
      else if (near(q, p1)) store(&ends[e], q, k + 1, -2);
      else store(&ends[e], q, k, 1);
    }
    if (ends[0].Number || ends[1].Number || vertices[0].Number || vertices[1].Number) return -1;
    if (std::fabs(s0) >= precision && std::fabs(s1) >= precision &&
        ((s0 > 0.0 && s1 < 0.0) || (s0 < 0.0 && s1 > 0.0))) {
      DOUBLEPOINT cross;
      if (Measure.CrossCutLine(&p0, &p1, &cross)) {
        ends[0].X = cross.X;
        ends[0].Y = cross.Y;
        if (Measure.InsidePointCut(a, b, &cross, precision) &&
            Measure.InsidePointCut(&p0, &p1, &cross, precision)) {
          ends[0].Number = k;
          ends[1].Number = 0;
          vertices[0].Number = 0;
          vertices[1].Number = 0;
          return 1;
        }
      }
    }
    p0 = p1;
    s0 = s1;
    ++k;
  }
  return 0;
}

int TDataEdit::BuildCircular(const DOUBLEPOINT* first, const DOUBLEPOINT* centre,
                             const DOUBLEPOINT* last, double radius) {
  if (first == nullptr || centre == nullptr || last == nullptr || radius == 0.0) return 0;
  // Points that are no numbers or lie at infinity (a damaged metric, or a
  // sheet origin that is none) give no angle and no count of segments.
  for (const DOUBLEPOINT* p : {first, centre, last})
    if (!std::isfinite(p->X) || !std::isfinite(p->Y)) return 0;
  if (!std::isfinite(radius)) return 0;
  // atan2 is defined on the axes; only a point at the centre has no angle
  // (and gets 0).
  double a1 = std::atan2(first->X - centre->X, first->Y - centre->Y);
  double a2 = std::atan2(last->X - centre->X, last->Y - centre->Y);
  if (a2 >= a1) a2 -= 2.0 * kPi;
  double sweep = a2 - a1;
  int segments = static_cast<int>(std::fabs(sweep) * 16.0);
  if (segments == 0) segments = 3;
  double step = sweep / segments;
  for (int j = 0; j <= segments; ++j) {
    double t = a1 + j * step;
    if (!AppendPointSubject(0, centre->X + radius * std::sin(t), centre->Y + radius * std::cos(t)))
      return 0;
  }
  return 1;
}

double TDataEdit::Distance(const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  return Measure.Distance(a, b);
}

double TDataEdit::Distance(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  return Measure.Distance(p, a, b);
}

int TDataEdit::SeekPointNormalLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out1,
                                   DOUBLEPOINT* out2, double d, const DOUBLEPOINT* base) {
  return Measure.SeekPointNormalLine(a, b, out1, out2, d, base);
}

double TDataEdit::DirectionAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  return Measure.DirectionAngle(a, b);
}
