// What the cutting and uniting workers share: the workers themselves live
// in page memory (they are large: bit sets of their subjects and several
// buffers), and they ask the same questions of one contour of a metric.
// Internal to the geometry layer.
#pragma once

#include <new>
#include <vector>

#include "objects/objectinfo.h"
#include "platform/memory.h"
#include "records/dataedit.h"
#include "records/metric_access.h"

namespace geomwork {

// A new worker in a zero-filled block of its own; null without memory.
template <typename T>
T* NewWorker() {
  void* place = plat::AllocPages(sizeof(T));
  return place ? new (place) T() : nullptr;
}

// Ends a worker made by NewWorker and gives its block back; nothing for null.
template <typename T>
void FreeWorker(T* w) {
  if (w == nullptr) return;
  w->~T();
  plat::FreePages(w);
}

// Contour s of m has at least two points and is closed.
inline bool Closed(TDataEdit& m, int s) {
  return m.PointCount(s) > 1 && m.GetExclusiveSubject(s);
}

// Point n of contour s of m; false when there is none.
inline bool PointOf(TDataEdit& m, int s, int n, DOUBLEPOINT* p) {
  if (!m.GoPointSubject(n, s)) return false;
  *p = DOUBLEPOINT{m.XDouble(), m.YDouble()};
  return true;
}

// p lies inside m (not outside, nor on its border).
inline bool InsideOf(TDataEdit& m, const DOUBLEPOINT& p) {
  const int r = m.Inside(&p, 0);
  return r != 0 && r != 2;
}

// Reads contour s of a metric as points (and heights when asked): false
// when the contour cannot be reached.
inline bool ReadContour(TDataEdit& m, int s, std::vector<DOUBLEPOINT>& out,
                        std::vector<double>* h) {
  out.clear();
  if (h) h->clear();
  if (m.Record == nullptr || m.DescPointSubject(s) == nullptr) return false;
  const int count = m.PointCount();
  if (count <= 0) return true;
  const char* p = m.FirstPointSubject(s);
  const int size = m.PointBytes;
  if (p == nullptr || size <= 0) return false;
  const DWORD kind = m.Record->Ident;
  out.resize(static_cast<size_t>(count));
  if (h) h->resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i, p += size) {
    metric::ReadXY(kind, p, out[i].X, out[i].Y);
    if (h) (*h)[i] = metric::ReadH(kind, p);
  }
  return true;
}

// Calls f(first, count, kind, point size) for every contour of the metric
// in order, in one walk of the record: false when a contour lies outside
// the record.
template <typename F>
bool ForEachContourPoints(TDataEdit& m, F f) {
  if (m.Record == nullptr || m.BufferSize < METRIC_EMPTY_LENGTH) return false;
  const DWORD kind = m.Record->Ident;
  const int size = MetricPointSize(kind);
  if (size <= 0) return false;
  char* base = reinterpret_cast<char*>(m.Record);
  const DWORD length = m.Record->Length < static_cast<DWORD>(m.BufferSize)
                           ? m.Record->Length
                           : static_cast<DWORD>(m.BufferSize);
  metric::Walk walk(base, base + length, size, m.TextFlag != 0);
  metric::Contour c;
  if (!walk.First(c)) return false;
  for (int n = 0;; ++n) {
    f(static_cast<const char*>(c.First()), c.count, kind, size);
    if (n >= walk.Subjects()) return true;
    metric::Contour next;
    if (!walk.Next(c, n + 1, next)) return false;
    c = next;
  }
}

// Calls f(n, points, heights) with contour n of the metric read as points
// (heights METRIC_NO_HEIGHT for kinds without them), for every contour in
// one walk of the record: false when a contour lies outside the record.
template <typename F>
bool ForEachContour(TDataEdit& m, std::vector<DOUBLEPOINT>& points, std::vector<double>& heights,
                    F f) {
  int n = 0;
  return ForEachContourPoints(m, [&](const char* p, DWORD count, DWORD kind, int size) {
    points.resize(count);
    heights.resize(count);
    for (DWORD i = 0; i < count; ++i, p += size) {
      metric::ReadXY(kind, p, points[i].X, points[i].Y);
      heights[i] = metric::ReadH(kind, p);
    }
    f(n++, points, heights);
  });
}

// The precision a worker keeps for its source contour m, now `current`:
// unchanged without a valid metric; else 0.001, or 1e-6 for double
// coordinates, raised to `asked` when that is larger (NaN is not). Points
// of kind 0x7FF87FF7 keep 0.001 whatever is asked.
inline double SourcePrecision(const TDataEdit& m, double current, double asked) {
  if (m.Record == nullptr || m.BufferSize < METRIC_EMPTY_LENGTH ||
      !MetricValidMarker(m.Record->Ident))
    return current;
  const DWORD kind = m.Record->Ident;
  if (kind == 0x7FF87FF7) return 0.001;
  const double least = kind == METRIC_F64 || kind == METRIC_F64H ? 1e-6 : 0.001;
  return asked > least ? asked : least;
}

// Calls load(a, b) with the plane metrics of two objects, made for the
// call and freed after it, and gives its answer in *result (else 0); false,
// load not called, when an object is missing or gives no metric.
template <typename F>
bool LoadPlaneMetrics(TObjectInfo* first, TObjectInfo* second, F load, int* result) {
  *result = 0;
  if (first == nullptr || second == nullptr) return false;
  TDataEdit a, b;
  a.Init();
  b.Init();
  const bool made = first->PutDataPlane(&a) && second->PutDataPlane(&b);
  if (made) *result = load(&a, &b);
  a.Free();
  b.Free();
  return made;
}

}  // namespace geomwork
