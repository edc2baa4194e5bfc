// Clean-up of the metrics the geometry workers read and build: beaks
// (spikes that turn back on themselves), self-crossing loops, repeated
// points, the extension of line ends, and the move of results between the
// sheet frames of two objects.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "geometry/pointcross.h"
#include "geometry/workhelpers.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "records/metric_access.h"

namespace {

constexpr double kPi = std::numbers::pi;
// Directions closer than one degree make a spike: the tangent of a degree.
constexpr double kTanBeak = 0.017455064928217585;
// Entries of a beak table.
constexpr int kBeakTable = 100;

bool Same(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return std::memcmp(&a, &b, sizeof(DOUBLEPOINT)) == 0;
}

// Twice the signed area of a point list.
double Shoelace(const std::vector<DOUBLEPOINT>& p) {
  double s = 0.0;
  for (size_t i = 1; i < p.size(); ++i) s += (p[i - 1].X + p[i].X) * (p[i].Y - p[i - 1].Y);
  return s;
}

// Removes every point within the precision (in X and Y) of the point kept
// before it; a list that was closed is closed again on its first point.
void EqualPoints(std::vector<DOUBLEPOINT>& p, std::vector<double>& h, double precision) {
  if (p.size() < 2) return;
  const bool closed = Same(p.front(), p.back());
  size_t kept = 1;
  for (size_t i = 1; i < p.size(); ++i) {
    if (std::fabs(p[i].X - p[kept - 1].X) <= precision &&
        std::fabs(p[i].Y - p[kept - 1].Y) <= precision)
      continue;
    p[kept] = p[i];
    h[kept] = h[i];
    ++kept;
  }
  p.resize(kept);
  h.resize(kept);
  if (closed && kept > 1 && !Same(p.front(), p.back())) {
    p.back() = p.front();
    h.back() = h.front();
  }
}

// Reads subject s of a metric with its heights; false when it cannot be
// reached.
bool ReadSubject(TDataEdit& m, int s, std::vector<DOUBLEPOINT>& p, std::vector<double>& h) {
  p.clear();
  h.clear();
  if (m.Record == nullptr || m.DescPointSubject(s) == nullptr) return false;
  const int count = m.PointCount();
  const char* at = count > 0 ? m.FirstPointSubject(s) : nullptr;
  if (count > 0 && (at == nullptr || m.PointBytes <= 0)) return false;
  const DWORD kind = m.Record->Ident;
  p.resize(static_cast<size_t>(count));
  h.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i, at += m.PointBytes) {
    metric::ReadXY(kind, at, p[i].X, p[i].Y);
    h[i] = metric::ReadH(kind, at);
  }
  return true;
}

// Appends a point list as a new subject.
bool AppendList(TDataEdit& m, const std::vector<DOUBLEPOINT>& p, const std::vector<double>& h) {
  if (!m.CreateSubject()) return false;
  const int s = m.Record->Count;
  const bool heights = m.DatDimension() != 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (!m.AppendPointSubject(s, p[i].X, p[i].Y)) return false;
    if (heights) m.HDouble(h[i]);
  }
  return true;
}

// Whether a contour (points p, closed or not) crosses itself at x, where
// its pass along segment i (P(i) to P(i+1), from 1) meets its pass along
// segment j > i: the points before and after one pass lie on both sides of
// the other pass. Not where it only touches itself (a vertex on one of its
// own sides, as where the mouth of a bay closes to within the precision)
// or runs along itself. A pass with no point beyond the precision of x on
// either side counts as a crossing.
bool CrossesItself(const std::vector<DOUBLEPOINT>& p, int i, int j, bool closed,
                   const DOUBLEPOINT& x, double precision) {
  const int n = static_cast<int>(p.size());
  const int m = closed ? n - 1 : n;  // the closing point is the first
  if (m < 3) return true;
  // The first point beyond the precision of x from index k on, by `step`,
  // among `count` points.
  const auto seek = [&](int k, int step, int count) {
    for (int t = 0; t < count; ++t, k = closed ? (k + step + m) % m : k + step) {
      if (k < 0 || k >= m) return -1;
      if (std::fabs(p[k].X - x.X) > precision || std::fabs(p[k].Y - x.Y) > precision) return k;
    }
    return -1;
  };
  // The loop is P(i + 1) .. P(j), the rest P(j + 1) .. P(i).
  const int loop = j - i, rest = m - loop;
  const int ends[4] = {seek(i - 1, -1, rest), seek(i, 1, loop), seek(j - 1, -1, loop),
                       seek(j % m, 1, rest)};
  DOUBLEPOINT d[4];
  for (int k = 0; k < 4; ++k) {
    if (ends[k] < 0) return true;
    d[k] = DOUBLEPOINT{p[ends[k]].X - x.X, p[ends[k]].Y - x.Y};
  }
  const auto cross = [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    return a.X * b.Y - a.Y * b.X;
  };
  // Directions within the precision of one another at the nearer point.
  const auto along = [&](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    const double la = std::hypot(a.X, a.Y), lb = std::hypot(b.X, b.Y);
    return a.X * b.X + a.Y * b.Y > 0.0 && std::fabs(cross(a, b)) <= precision * std::max(la, lb);
  };
  // The first pass turns from its way out (d[1]) to its way in (d[0]):
  // the side counter-clockwise between them.
  const DOUBLEPOINT& out = d[1];
  const DOUBLEPOINT& in = d[0];
  if (along(out, in)) return false;
  const bool convex = cross(out, in) > 0.0;
  const auto within = [&](const DOUBLEPOINT& v) {
    const bool afterOut = cross(out, v) > 0.0, beforeIn = cross(v, in) > 0.0;
    return convex ? afterOut && beforeIn : afterOut || beforeIn;
  };
  for (int k = 2; k < 4; ++k)
    if (along(d[k], out) || along(d[k], in)) return false;
  return within(d[2]) != within(d[3]);
}

// Whether the loop P(i + 1) .. P(j) of subject s leaves at x. Where the
// contour crosses itself, always. Where it only touches itself, when the
// smaller of the loop and the rest (the inner one, where one holds the
// other) rings a gap: a gap touching the outer contour or another gap at a
// point is a hole of its own, while lobes of the area meeting at a point,
// or an island touching a hole from inside, stay one contour through it.
// whole: twice the signed area of the subject; an outer contour turns the
// other way round its gaps, a hole the same way.
bool LoopLeaves(const std::vector<DOUBLEPOINT>& p, int i, int j, bool closed, const DOUBLEPOINT& x,
                double precision, int s, double whole) {
  if (CrossesItself(p, i, j, closed, x, precision)) return true;
  double loop = 0.0;
  for (int k = i; k < j; ++k) {
    const DOUBLEPOINT& a = k == i ? x : p[k - 1];
    loop += (a.X - x.X) * (p[k].Y - x.Y) - (p[k].X - x.X) * (a.Y - x.Y);
  }
  const double rest = whole - loop;
  const double inner = std::fabs(loop) < std::fabs(rest) ? loop : rest;
  return s == 0 ? inner * whole < 0.0 : inner * whole > 0.0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Beaks

double TPointCross::BeakAngle(const DOUBLEPOINT* apex, const DOUBLEPOINT* a, const DOUBLEPOINT* b,
                              double precision) {
  if (apex == nullptr || a == nullptr || b == nullptr) return kPi;
  const double t = 2.0 * precision;
  auto close = [t](const DOUBLEPOINT& p, const DOUBLEPOINT& q) {
    return std::fabs(p.X - q.X) <= t && std::fabs(p.Y - q.Y) <= t;
  };
  if (close(*apex, *a) || close(*apex, *b) || close(*a, *b)) return 0.0;
  // The two directions from the apex lie less than a degree apart, the
  // short way round (so also on either side of the negative X axis): their
  // dot product is positive and the cross product small beside it.
  const double ax = a->X - apex->X, ay = a->Y - apex->Y, bx = b->X - apex->X, by = b->Y - apex->Y;
  const double dot = ax * bx + ay * by, cross = ax * by - ay * bx;
  if (!(dot > 0.0 && std::fabs(cross) < kTanBeak * dot)) return kPi;
  // The nearer neighbour lies within twice the precision of the line
  // through the apex and the farther one.
  const double la = ax * ax + ay * ay, lb = bx * bx + by * by;
  const double off = std::fabs(cross) / std::sqrt(la <= lb ? lb : la);
  return off > t ? kPi : 0.0;
}

int TPointCross::FindBeakPoints(const DOUBLEPOINT* points, int count, int closed, double precision,
                                int* table) {
  if (points == nullptr || table == nullptr || count < 3) return 0;
  const double p = precision > GEOMETRY_PRECISION ? precision : GEOMETRY_PRECISION;
  // The vertices still in the polyline: a beak found is taken out, so the
  // next test sees its neighbours joined.
  std::vector<int> alive(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) alive[i] = i;
  int listed = 0;
  size_t i = 0;
  while (i + 2 < alive.size() && listed < kBeakTable) {
    if (BeakAngle(&points[alive[i + 1]], &points[alive[i]], &points[alive[i + 2]], p) == 0.0) {
      table[listed++] = alive[i + 1] + 1;
      alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      i = i >= 2 ? i - 2 : 0;
    } else {
      ++i;
    }
  }
  const size_t m = alive.size();
  if (!closed || m < 3 || listed >= kBeakTable) return listed;
  // Across the closing point: the point shared by both ends, or the joint
  // of the last and the first vertex.
  auto test = [&](int apex, int a, int b) {
    if (listed >= kBeakTable) return;
    if (BeakAngle(&points[apex], &points[a], &points[b], p) != 0.0) return;
    for (int t = 0; t < listed; ++t)
      if (table[t] == apex + 1) return;
    table[listed++] = apex + 1;
  };
  if (Same(points[alive[0]], points[alive[m - 1]])) {
    if (m >= 4) test(alive[m - 1], alive[m - 2], alive[1]);
  } else {
    test(alive[m - 1], alive[m - 2], alive[0]);
    test(alive[0], alive[m - 1], alive[1]);
  }
  return listed;
}

int TPointCross::DeleteBeak(TDataEdit* metric) {
  if (metric == nullptr || metric->Record == nullptr || !MetricValidMarker(metric->Record->Ident))
    return 0;
  const double p = Precision > GEOMETRY_PRECISION ? Precision : GEOMETRY_PRECISION;
  std::vector<DOUBLEPOINT> pts;
  std::vector<double> hs;
  // One walk of the record finds the subjects with a beak, or too small to
  // be contours; only those are cleaned below (reaching a subject by its
  // number walks the record up to it). A record the walk cannot read is
  // cleaned subject by subject.
  std::vector<int> dirty;
  int at = 0;
  const bool walked = geomwork::ForEachContourPoints(
      *metric, [&](const char* first, DWORD count, DWORD kind, int size) {
        const int s = at++;
        pts.resize(count);
        for (DWORD i = 0; i < count; ++i)
          metric::ReadXY(kind, first + static_cast<size_t>(i) * static_cast<size_t>(size), pts[i].X,
                         pts[i].Y);
        const bool exclusive =
            count <= 1 ||
            std::memcmp(first, first + static_cast<size_t>(count - 1) * static_cast<size_t>(size),
                        static_cast<size_t>(size)) == 0;
        const int n = static_cast<int>(count);
        bool beak = false;
        for (int i = 1; !beak && i < n && n > 2; ++i) {
          const int apex = i + 1;
          if (apex == n && !(exclusive && n > 1)) break;
          const DOUBLEPOINT& after = apex < n ? pts[apex] : pts[1];
          beak = BeakAngle(&pts[apex - 1], &pts[i - 1], &after, p) == 0.0;
        }
        if (beak || (s > 0 && ((exclusive && n < 4) || (!exclusive && n < 2)))) dirty.push_back(s);
      });
  if (!walked) {
    dirty.resize(static_cast<size_t>(metric->Record->Count) + 1);
    for (int s = 0; s <= metric->Record->Count; ++s) dirty[s] = s;
  }
  // Each dirty subject is cleaned in one pass: a beak found is taken out
  // and the point before it tested again against its new neighbours, as a
  // stack of the points kept; the closing point of a closed subject is
  // tested last, against the first side, and when it goes the subject
  // closes on the point before it and is passed again. A few beaks are
  // deleted where they lie; more, and the subject is written anew once.
  std::vector<int> kept;
  std::vector<DOUBLEPOINT> out;
  std::vector<double> outH;
  const auto pass = [&](const std::vector<DOUBLEPOINT>& from) {
    kept.clear();
    for (int i = 0; i < static_cast<int>(from.size()); ++i) {
      kept.push_back(i);
      while (kept.size() >= 3 &&
             BeakAngle(&from[kept[kept.size() - 2]], &from[kept[kept.size() - 3]],
                       &from[kept.back()], p) == 0.0)
        kept.erase(kept.end() - 2);
    }
  };
  constexpr size_t kFewBeaks = 16;
  for (const int s : dirty) {
    if (!ReadSubject(*metric, s, pts, hs)) return 0;
    const bool closed = pts.size() > 1 && metric->GetExclusiveSubject(s);
    pass(pts);
    out.clear();
    outH.clear();
    for (const int k : kept) out.push_back(pts[k]), outH.push_back(hs[k]);
    bool wrapped = false;
    while (closed && out.size() > 2 &&
           BeakAngle(&out.back(), &out[out.size() - 2], &out[1], p) == 0.0) {
      out.pop_back();
      outH.pop_back();
      out[0] = out.back();
      outH[0] = outH.back();
      wrapped = true;
      pass(out);
      std::vector<DOUBLEPOINT> again;
      std::vector<double> againH;
      for (const int k : kept) again.push_back(out[k]), againH.push_back(outH[k]);
      out.swap(again);
      outH.swap(againH);
    }
    const size_t removed = pts.size() - out.size();
    if (removed == 0 && !wrapped) continue;
    if (wrapped || removed > kFewBeaks) {
      if (!ReplaceSubject(metric, s, out, outH)) return 0;
      continue;
    }
    // The points not kept, from the last.
    size_t next = kept.size();
    for (int i = static_cast<int>(pts.size()) - 1; i >= 0; --i) {
      if (next > 0 && kept[next - 1] == i) {
        --next;
        continue;
      }
      if (!metric->GoPointSubject(i + 1, s) || !metric->DeletePoint()) return 0;
    }
  }
  // Subjects left too small to be contours.
  for (auto s = dirty.rbegin(); s != dirty.rend() && *s >= 1; ++s) {
    const int n = metric->PointCount(*s);
    const bool closed = metric->GetExclusiveSubject(*s) != 0;
    if ((closed && n < 4) || (!closed && n < 2)) metric->DeleteSubject(*s);
  }
  metric->FirstPointSubject(0);
  return 1;
}

// ---------------------------------------------------------------------------
// Loops and repeated points

int TPointCross::DeleteEqualPoints(TDataEdit* metric, int n) {
  if (metric == nullptr || metric->Record == nullptr) return 0;
  const double p = Precision > GEOMETRY_PRECISION ? Precision : GEOMETRY_PRECISION;
  if (n == -1) return metric->DeleteEqualPoint(p, 0);
  std::vector<DOUBLEPOINT> pts;
  std::vector<double> hs;
  if (!ReadSubject(*metric, n, pts, hs)) return 0;
  const size_t before = pts.size();
  EqualPoints(pts, hs, p);
  if (pts.size() == before) return 1;
  return ReplaceSubject(metric, n, pts, hs);
}

int TPointCross::DeleteLoop(TDataEdit* metric) {
  if (metric == nullptr || metric->Record == nullptr || !MetricValidMarker(metric->Record->Ident))
    return 0;
  const double p = Precision > GEOMETRY_PRECISION ? Precision : GEOMETRY_PRECISION;
  const bool outerClosed = metric->GetExclusiveSubject(0) != 0;
  std::vector<DOUBLEPOINT> pts, loop;
  std::vector<double> hs, loopH;
  std::vector<int> order;
  TMeasure measure;
  bool any = false;
  // Subjects split off are scanned in their turn; each part of a split has
  // fewer points than the subject scanned, so the scan ends.
  for (int s = 0; s <= metric->Record->Count; ++s) {
    for (;;) {
      if (!ReadSubject(*metric, s, pts, hs)) return 0;
      const int n = static_cast<int>(pts.size());
      const double whole = Shoelace(pts);
      int fi = 0, fj = 0;
      DOUBLEPOINT at{0.0, 0.0};
      // Pairs of segments whose frames (widened by the precision) meet,
      // found by a sweep along X; of those that cross, the first in the
      // order of the scan (by i, then j). Segment i is P(i)-P(i+1), from 1.
      const int segments = n - 1;
      order.resize(segments > 0 ? static_cast<size_t>(segments) : 0);
      for (int k = 0; k < segments; ++k) order[k] = k;
      std::sort(order.begin(), order.end(), [&](int u, int v) {
        return std::min(pts[u].X, pts[u + 1].X) < std::min(pts[v].X, pts[v + 1].X);
      });
      for (int a = 0; a < segments; ++a) {
        const int u = order[a];
        const double ux2 = std::max(pts[u].X, pts[u + 1].X) + p;
        const double uy1 = std::min(pts[u].Y, pts[u + 1].Y) - p;
        const double uy2 = std::max(pts[u].Y, pts[u + 1].Y) + p;
        for (int b = a + 1; b < segments; ++b) {
          const int v = order[b];
          if (std::min(pts[v].X, pts[v + 1].X) > ux2) break;
          if (std::max(pts[v].Y, pts[v + 1].Y) < uy1 || std::min(pts[v].Y, pts[v + 1].Y) > uy2) continue;
          const int i = std::min(u, v) + 1, j = std::max(u, v) + 1;
          if (j < i + 2 || (fi != 0 && (i > fi || (i == fi && j >= fj)))) continue;
          const DOUBLEPOINT& pa = pts[i - 1];
          const DOUBLEPOINT& pb = pts[i];
          const DOUBLEPOINT& c = pts[j - 1];
          const DOUBLEPOINT& d = pts[j];
          // The first and the closing segment meet at the start point.
          if (i == 1 && j == n - 1 && std::fabs(pa.X - d.X) <= p && std::fabs(pa.Y - d.Y) <= p)
            continue;
          const int pc = measure.PointPositionNearCut(&c, &pa, &pb, p);
          const int pd = measure.PointPositionNearCut(&d, &pa, &pb, p);
          if (pc == pd && (pc == MEASURE_BEHIND_FIRST || pc == MEASURE_BEYOND_SECOND ||
                           pc >= MEASURE_LEFT))
            continue;
          // Crossed from P(i), so that the line through segment i keeps its
          // digits far from the origin.
          const DOUBLEPOINT origin{0.0, 0.0}, b1{pb.X - pa.X, pb.Y - pa.Y};
          const DOUBLEPOINT c1{c.X - pa.X, c.Y - pa.Y}, d1{d.X - pa.X, d.Y - pa.Y};
          DOUBLEPOINT o1, o2;
          if (measure.CrossCutData(&origin, &b1, &c1, &d1, &o1, &o2, p) <= 0) continue;
          o1 = DOUBLEPOINT{o1.X + pa.X, o1.Y + pa.Y};
          if (LoopLeaves(pts, i, j, outerClosed, o1, p, s, whole)) {
            fi = i;
            fj = j;
            at = o1;
          }
        }
      }
      if (fi == 0) break;
      // P(i+1) .. P(j) leave as a loop from the crossing point round to it;
      // the rest passes through it too, so that neither loses the corner
      // there. Its height lies on segment i.
      double atH = METRIC_NO_HEIGHT;
      if (hs[fi - 1] != METRIC_NO_HEIGHT && hs[fi] != METRIC_NO_HEIGHT) {
        const double side = std::hypot(pts[fi].X - pts[fi - 1].X, pts[fi].Y - pts[fi - 1].Y);
        const double part = std::hypot(at.X - pts[fi - 1].X, at.Y - pts[fi - 1].Y);
        atH = side > 0.0 ? hs[fi - 1] + (hs[fi] - hs[fi - 1]) * std::min(1.0, part / side) : hs[fi];
      }
      loop.assign(1, at);
      loopH.assign(1, atH);
      loop.insert(loop.end(), pts.begin() + fi, pts.begin() + fj);
      loopH.insert(loopH.end(), hs.begin() + fi, hs.begin() + fj);
      if (outerClosed) {
        loop.push_back(loop.front());
        loopH.push_back(loopH.front());
      }
      pts.erase(pts.begin() + fi + 1, pts.begin() + fj);
      hs.erase(hs.begin() + fi + 1, hs.begin() + fj);
      pts[fi] = at;
      hs[fi] = atH;
      EqualPoints(pts, hs, p);
      EqualPoints(loop, loopH, p);
      if (std::fabs(Shoelace(loop)) > std::fabs(Shoelace(pts))) {
        pts.swap(loop);
        hs.swap(loopH);
      }
      if (!ReplaceSubject(metric, s, pts, hs) || !AppendList(*metric, loop, loopH)) return 0;
      any = true;
    }
  }
  if (any) DeleteBeak(metric);
  metric->FirstPointSubject(0);
  return 1;
}

// ---------------------------------------------------------------------------
// Line ends

void TPointCross::SeekVirtualPointByDistance(double* x, double* y, double distance, double baseX,
                                             double baseY) {
  if (x == nullptr || y == nullptr) return;
  const double dx = *x - baseX, dy = *y - baseY;
  if (std::fabs(dx) <= GEOMETRY_PRECISION && std::fabs(dy) <= GEOMETRY_PRECISION) return;
  const double length = std::hypot(dx, dy);
  *x = baseX + dx * distance / length;
  *y = baseY + dy * distance / length;
}

int TPointCross::DragPoints(TDataEdit* metric, double distance, int n) {
  if (metric == nullptr || metric->Record == nullptr || !std::isfinite(distance)) return 0;
  const int count = metric->PointCount(n);
  if (count < 2 || metric->GetExclusiveSubject(n)) return 0;
  auto drag = [&](int end, int base) {
    if (!metric->GoPointSubject(base, n)) return false;
    const double bx = metric->XDouble(), by = metric->YDouble();
    if (!metric->GoPointSubject(end, n)) return false;
    double x = metric->XDouble(), y = metric->YDouble();
    SeekVirtualPointByDistance(&x, &y, std::hypot(x - bx, y - by) + distance, bx, by);
    metric->XDouble(x);
    metric->YDouble(y);
    return true;
  };
  if (!drag(1, 2) || !drag(count, count - 1)) return 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Sheet frames

int TPointCross::UnitedData(TDataEdit* result, TObjectInfo* o1, TObjectInfo* o2) {
  if (result == nullptr || result->Record == nullptr || o1 == nullptr || o2 == nullptr ||
      o1->Map == nullptr || o2->Map == nullptr)
    return 0;
  if (o1->Map == o2->Map && o1->Sheet == o2->Sheet) return 1;
  const bool plane1 = o1->Map->IsRealPlace() != 0, plane2 = o2->Map->IsRealPlace() != 0;
  if (!plane1 && !plane2) {
    const DOUBLEPOINT shift{o1->Origin.X - o2->Origin.X, o1->Origin.Y - o2->Origin.Y};
    return result->RelocateObject(&shift) ? 1 : 0;
  }
  if (plane1 && !plane2) {
    // The result holds plane metres: o2's own form rebuilds it in o2's
    // sheet units.
    TObjectInfo copy(o2);
    if (!copy.GetDataPlane(result)) return 0;
    return result->Load(copy.Metric.Record, copy.Metric.TextFlag) ? 1 : 0;
  }
  return 0;
}
