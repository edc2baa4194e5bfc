// Crossing points of two object metrics: loading, the indexed search of the
// two outer contours, ordering, cleaning, heights, classification and the
// insertion of the crossings as vertices.
//
// The search reads both outer contours into arrays of points and files the
// segments of the second contour into a grid laid over the part where the
// two frames meet (widened by the precision). Each segment of the first
// contour visits the grid cells along it and is tested against the second
// contour's segments filed there, each pair once. A pair gives a proper
// crossing when the segments cross and no end of either lies within the
// precision of the other segment; otherwise the ends that lie there are
// touchings. Every touching is owned by one vertex (the vertex that begins
// a segment, or the last point of an open contour), so it is recorded once
// however many pairs see it: a vertex of the first contour near a vertex of
// the second (both records at vertices), a vertex of either contour inside
// a segment of the other. Of several touchings of one vertex with
// neighbouring vertices or segments of the other contour only the nearest
// counts.
#include "geometry/pointcross.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/segmentgrid.h"
#include "geometry/workhelpers.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/memory.h"
#include "records/metric_access.h"

namespace {

using geomwork::ReadContour;
using segmentgrid::Dist2Segment;
using segmentgrid::FramesMeet;
using segmentgrid::Grid;
using segmentgrid::SegmentFrame;
using segmentgrid::VisitCells;

// Grid cells at most, and segments per cell the grid aims at.
constexpr double kMaxCells = 4194304.0;
// A crossing this near an end of its segment is that vertex when inserted.
constexpr double kInsertNear = 0.01;
// Records of a fresh array, and at least this many more per growth.
constexpr int kArrayStep = 100;

double Dist2(const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = a.X - b.X, dy = a.Y - b.Y;
  return dx * dx + dy * dy;
}

// Vertex numbers of a contour of n points, from 0; a closed contour's last
// point is its first.
int NormalVertex(int v, int n, bool closed) { return (closed && v == n - 1) ? 0 : v; }

// Whether two vertices (adjacent = 0) or two segments (adjacent = 1) of a
// contour of n points are neighbours.
bool Neighbours(int a, int b, int n, bool closed) {
  if (a == b + 1 || b == a + 1) return true;
  if (!closed) return false;
  const int last = n - 2;  // the last vertex / segment index of a closed contour
  return (a == 0 && b == last) || (b == 0 && a == last);
}

bool IntegerKind(DWORD kind) {
  return kind == METRIC_U16 || kind == METRIC_I32 || kind == METRIC_U16H || kind == METRIC_I32H;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

TPointCross::TPointCross() {
  Data1.Init();
  Data2.Init();
  Result.Init();
  Work.Init();
  InitPointCross();
  FirstRun = 1;
}

TPointCross::TPointCross(TObjectInfo* first, TObjectInfo* second, int mode, int s2, int s1,
                         double precision)
    : TPointCross() {
  LoadObjects(first, second, mode, s2, s1, precision);
}

TPointCross::TPointCross(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1,
                         double precision)
    : TPointCross() {
  LoadObjects(first, second, mode, s2, s1, precision);
}

TPointCross::~TPointCross() {
  FreeArrays();
  Data1.Free();
  Data2.Free();
  Result.Free();
  Work.Free();
}

void TPointCross::InitPointCross() {
  ForgetPartners();
  Precision = -1.0;
  Object1 = Object2 = nullptr;
  State = 1;
  InsideFlag = InsideKind = 0;
  Count = 0;
  Subject1 = Subject2 = 0;
  UserMap = 0;
  Clean = 1;
  Mode = 0;
  ResultKind = 0;
  Reverse = 0;
  SameDirection = 0;
  TouchInside = TouchOutside = 0;
  HoleCount = CurrentHole = 0;
  HoleUnion = 0;
  std::memset(SubjectBits, 0, sizeof(SubjectBits));
}

void TPointCross::FreeArrays() {
  ForgetPartners();
  plat::FreePages(Cross1);
  plat::FreePages(Cross2);
  Cross1 = Cross2 = nullptr;
  Capacity = 0;
  Count = 0;
}

int TPointCross::AllocArrays() {
  ForgetPartners();
  Count = 0;
  if (Cross1 != nullptr && Cross2 != nullptr) {
    std::memset(Cross1, 0, static_cast<size_t>(Capacity) * sizeof(POINTCROSS));
    std::memset(Cross2, 0, static_cast<size_t>(Capacity) * sizeof(POINTCROSS));
    return 1;
  }
  FreeArrays();
  Cross1 = static_cast<POINTCROSS*>(plat::AllocPages(kArrayStep * sizeof(POINTCROSS)));
  Cross2 = static_cast<POINTCROSS*>(plat::AllocPages(kArrayStep * sizeof(POINTCROSS)));
  if (Cross1 == nullptr || Cross2 == nullptr) {
    FreeArrays();
    return 0;
  }
  Capacity = kArrayStep;
  return 1;
}

int TPointCross::Realloc() {
  // Grows by half again (at least the step) so that many crossings cost
  // few copies.
  const int64_t grown = static_cast<int64_t>(Capacity) + std::max<int64_t>(kArrayStep, Capacity / 2);
  if (grown > 0x7FFFFFF / static_cast<int64_t>(sizeof(POINTCROSS))) {
    State = MAPERR_MEMORY;
    return 0;
  }
  const size_t bytes = static_cast<size_t>(grown) * sizeof(POINTCROSS);
  auto* a = static_cast<POINTCROSS*>(plat::AllocPages(bytes));
  auto* b = a ? static_cast<POINTCROSS*>(plat::AllocPages(bytes)) : nullptr;
  if (a == nullptr || b == nullptr) {
    plat::FreePages(a);
    State = MAPERR_MEMORY;
    return 0;
  }
  if (Cross1) std::memcpy(a, Cross1, static_cast<size_t>(Count) * sizeof(POINTCROSS));
  if (Cross2) std::memcpy(b, Cross2, static_cast<size_t>(Count) * sizeof(POINTCROSS));
  plat::FreePages(Cross1);
  plat::FreePages(Cross2);
  ForgetPartners();
  Cross1 = a;
  Cross2 = b;
  Capacity = static_cast<LONG>(grown);
  return 1;
}

int TPointCross::Append(const POINTCROSS& own, const POINTCROSS& other) {
  if (Count >= Capacity && !Realloc()) return 0;
  Cross1[Count] = own;
  Cross2[Count] = other;
  ++Count;
  return 1;
}

// ---------------------------------------------------------------------------
// Loading

int TPointCross::SetKindPrecision(TDataEdit* second, double precision) {
  if (second == nullptr || second->Record == nullptr || second->BufferSize < METRIC_EMPTY_LENGTH)
    return 0;
  const DWORD kind = second->Record->Ident;
  if (second->DatDimension())
    ResultKind = static_cast<LONG>(kind == METRIC_F64H ? METRIC_F64H : METRIC_F32H);
  else
    ResultKind = static_cast<LONG>(kind == METRIC_F64 ? METRIC_F64 : METRIC_F32);
  Precision = GEOMETRY_PRECISION;
  if (precision > 0.0 && precision > GEOMETRY_PRECISION) Precision = precision;
  return 1;
}

int TPointCross::ControlLocal(TDataEdit* metric, int mode) {
  if (metric == nullptr || metric->Record == nullptr || (mode != 0 && mode != 1)) return 0;
  if (metric->PointCount(0) < 2 || !metric->GetExclusiveSubject(0)) {
    State = GEOMETRY_ERR_OPEN;
    return 0;
  }
  return 1;
}

// A metric the search can read: a whole record under 16 MB of a kind with
// a point size, every coordinate and height a finite number.
int TPointCross::CheckMetric(TDataEdit* m) {
  if (m == nullptr || m->Record == nullptr || m->BufferSize < METRIC_EMPTY_LENGTH ||
      !MetricValidMarker(m->Record->Ident)) {
    State = MAPERR_INPUT;
    return 0;
  }
  const DWORD kind = m->Record->Ident;
  if (m->Record->Length >= static_cast<DWORD>(METRIC_MAX_LENGTH) ||
      m->Record->Length > static_cast<DWORD>(m->BufferSize) || MetricPointSize(kind) == 0) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  const bool heights = m->DatDimension() != 0;
  for (int c = 0; c <= m->Record->Count; ++c) {
    if (m->DescPointSubject(c) == nullptr) {
      State = GEOMETRY_ERR_METRIC;
      return 0;
    }
    const int count = m->PointCount();
    const char* p = count > 0 ? m->FirstPointSubject(c) : nullptr;
    for (int i = 0; i < count; ++i, p += m->PointBytes) {
      DOUBLEPOINT q;
      metric::ReadXY(kind, p, q.X, q.Y);
      if (!IsFinitePoint(q) || (heights && !std::isfinite(metric::ReadH(kind, p)))) {
        State = GEOMETRY_ERR_METRIC;
        return 0;
      }
    }
  }
  m->FirstPointSubject(0);
  return 1;
}

int TPointCross::LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int s2, int s1,
                             double precision) {
  if (first == nullptr || second == nullptr || first->Map == nullptr ||
      first->Map != second->Map || first->Metric.Record == nullptr ||
      second->Metric.Record == nullptr) {
    State = MAPERR_INPUT;
    return 0;
  }
  Object1 = first;
  Object2 = second;
  if (!SetKindPrecision(&second->Metric, precision)) {
    State = MAPERR_INPUT;
    return 0;
  }
  UserMap = first->Map->IsRealPlace() ? 1 : 0;
  if (UserMap) {
    // Plane coordinates in metres: the precision follows the map's scale.
    const double byScale = static_cast<double>(first->Map->Scale()) * 1e-05;
    Precision = byScale > 0.0 ? byScale : GEOMETRY_PRECISION;
    if (precision > Precision && std::trunc(precision * 100000.0) != 0.0) Precision = precision;
  }
  return LoadBuffers(&first->Metric, &second->Metric, mode, s2, s1, precision);
}

int TPointCross::LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1,
                             double precision) {
  Object1 = Object2 = nullptr;
  UserMap = 0;
  return LoadBuffers(first, second, mode, s2, s1, precision);
}

int TPointCross::LoadBuffers(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1,
                             double precision) {
  // The worker's own metric buffers are rebuilt on the way: they cannot be
  // the sources.
  if (first == nullptr || second == nullptr || first == &Data1 || first == &Data2 ||
      second == &Data1 || second == &Data2) {
    State = MAPERR_INPUT;
    return 0;
  }
  Searched = 0;
  if (!CheckMetric(first) || !CheckMetric(second)) return 0;
  if (s1 < 0 || s1 > first->Record->Count || s2 < 0 || s2 > second->Record->Count) {
    State = MAPERR_INPUT;
    return 0;
  }
  Count = 0;
  Mode = mode;
  if (ResultKind == 0 || Precision <= 0.0) SetKindPrecision(second, precision);
  const int ok1 = s1 == 0 ? (Data1.Load(first->Record, first->TextFlag) != 0)
                          : Data1.LoadSubject(first, s1);
  const int ok2 = s2 == 0 ? (Data2.Load(second->Record, second->TextFlag) != 0)
                          : Data2.LoadSubject(second, s2);
  if (!ok1 || !ok2) {
    State = MAPERR_MEMORY;
    return 0;
  }
  Subject1 = s1;
  Subject2 = s2;
  State = 0;
  if (precision > Precision) Precision = precision;
  SameDirection = Data1.GetDirection(0) == Data2.GetDirection(0) ? 1 : 0;
  return LoadData();
}

int TPointCross::StartSearch() {
  Count = 0;
  Searched = 0;
  if (State != 0) return 0;
  if (!AllocArrays()) {
    State = MAPERR_MEMORY;
    return 0;
  }
  return 1;
}

int TPointCross::LoadData() {
  if (!StartSearch()) return 0;
  UnitedData();
  if (Clean) {
    Data1.DeleteEqualPoint(Precision, 0);
    Data2.DeleteEqualPoint(Precision, 0);
  }
  InsideFlag = InsideKind = 0;
  if (SetAllPointCross()) return 1;
  if (State != 0 || Count > 1) return 0;
  // No crossings: one contour may lie inside the other.
  if (Data1.PointCount(0) < 1 || !Data1.GoPointSubject(1, 0)) return 0;
  const DOUBLEPOINT p1{Data1.XDouble(), Data1.YDouble()};
  int inside = Data2.Inside(&p1, 0);
  if (inside != 0 && inside != 2) {
    InsideFlag = 1;
    return 1;
  }
  if (Mode == 1 || Data2.Record->Count == 0 || !Data2.GoPointSubject(1, 0)) return 0;
  const DOUBLEPOINT p2{Data2.XDouble(), Data2.YDouble()};
  inside = Data1.Inside(&p2, 0);
  InsideKind = (inside != 0 && inside != 2) ? 1 : 2;
  InsideFlag = 1;
  return 1;
}

int TPointCross::UnitedData() {
  if (Object1 == nullptr || Object2 == nullptr || UserMap || Object1->Sheet == Object2->Sheet)
    return 1;
  if (ResultKind != 0 && Data2.Record->Ident != static_cast<DWORD>(ResultKind))
    Data2.ChangeKind(ResultKind);
  const DOUBLEPOINT shift{Object2->Origin.X - Object1->Origin.X,
                          Object2->Origin.Y - Object1->Origin.Y};
  Data2.RelocateObject(&shift);
  return 1;
}

// ---------------------------------------------------------------------------
// The search

int TPointCross::SetAllPointCross() {
  if (!PointCrossObj()) return 0;
  // Heights first, while every record still faces its partner.
  SetHeightPointCross(Cross1, Cross2, &Data1, &Data2, Count);
  SortBothPointCross();
  ChangePointCrossBeak(Cross1, Count, Closed1);
  ChangePointCrossBeak(Cross2, Count, Closed2);
  return Count > 0 ? 1 : 0;
}

int TPointCross::BuildIndex() {
  const int n1 = static_cast<int>(Points1.size()), n2 = static_cast<int>(Points2.size());
  const double e = Precision;
  DFRAME f1 = SegmentFrame(Points1[0], Points1[0], e), f2 = SegmentFrame(Points2[0], Points2[0], e);
  for (int i = 1; i < n1; ++i) {
    f1.X1 = std::min(f1.X1, Points1[i].X - e);
    f1.Y1 = std::min(f1.Y1, Points1[i].Y - e);
    f1.X2 = std::max(f1.X2, Points1[i].X + e);
    f1.Y2 = std::max(f1.Y2, Points1[i].Y + e);
  }
  for (int i = 1; i < n2; ++i) {
    f2.X1 = std::min(f2.X1, Points2[i].X - e);
    f2.Y1 = std::min(f2.Y1, Points2[i].Y - e);
    f2.X2 = std::max(f2.X2, Points2[i].X + e);
    f2.Y2 = std::max(f2.Y2, Points2[i].Y + e);
  }
  if (!FramesMeet(f1, f2)) return 0;
  Region = DFRAME{std::max(f1.X1, f2.X1), std::max(f1.Y1, f2.Y1), std::min(f1.X2, f2.X2),
                  std::min(f1.Y2, f2.Y2)};
  // About one cell per segment of the two contours, shaped like the region
  // (and stretched where the segments mostly run one way).
  double alongX = 0.0, alongY = 0.0;
  for (const std::vector<DOUBLEPOINT>* points : {&Points1, &Points2})
    for (size_t i = 1; i < points->size(); ++i) {
      alongX += std::fabs((*points)[i].X - (*points)[i - 1].X);
      alongY += std::fabs((*points)[i].Y - (*points)[i - 1].Y);
    }
  Grid grid;
  grid.Cover(Region, std::min(kMaxCells, static_cast<double>(n1 + n2)),
             segmentgrid::Stretch(alongX, alongY));
  GridNX = grid.nx;
  GridNY = grid.ny;
  GridX0 = grid.x0;
  GridY0 = grid.y0;
  CellW = grid.cw;
  CellH = grid.ch;

  const Grid g{GridX0, GridY0, CellW, CellH, GridNX, GridNY};
  const size_t cells = static_cast<size_t>(GridNX) * static_cast<size_t>(GridNY);
  const double m = 2.0 * e;
  CellStart.assign(cells + 1, 0);
  for (int j = 0; j + 1 < n2; ++j) {
    if (!FramesMeet(SegmentFrame(Points2[j], Points2[j + 1], m), Region)) continue;
    VisitCells(g, Points2[j], Points2[j + 1], m, [&](int c) { ++CellStart[c]; });
  }
  for (size_t c = 1; c <= cells; ++c) CellStart[c] += CellStart[c - 1];
  CellItems.resize(static_cast<size_t>(CellStart[cells]));
  for (int j = 0; j + 1 < n2; ++j) {
    if (!FramesMeet(SegmentFrame(Points2[j], Points2[j + 1], m), Region)) continue;
    VisitCells(g, Points2[j], Points2[j + 1], m, [&](int c) { CellItems[--CellStart[c]] = j; });
  }
  return 1;
}

// One segment of each contour: the touchings owned by their vertices, and
// the proper crossing when no end lies within the precision of the other
// segment.
void TPointCross::TestPair(int i, int j) {
  const int n1 = static_cast<int>(Points1.size()), n2 = static_cast<int>(Points2.size());
  const DOUBLEPOINT& a = Points1[i];
  const DOUBLEPOINT& b = Points1[i + 1];
  const DOUBLEPOINT& c = Points2[j];
  const DOUBLEPOINT& d = Points2[j + 1];
  const double e = Precision, e2 = e * e;
  // Both ends of one segment on one side of the other's line, beyond
  // twice the precision: the two segments neither cross nor touch, nor
  // come near.
  const double abx = b.X - a.X, aby = b.Y - a.Y, cdx = d.X - c.X, cdy = d.Y - c.Y;
  const double o1 = abx * (c.Y - a.Y) - aby * (c.X - a.X);
  const double o2 = abx * (d.Y - a.Y) - aby * (d.X - a.X);
  const double m1 = 2.0 * e * std::sqrt(abx * abx + aby * aby);
  if ((o1 > m1 && o2 > m1) || (o1 < -m1 && o2 < -m1)) return;
  const double o3 = cdx * (a.Y - c.Y) - cdy * (a.X - c.X);
  const double o4 = cdx * (b.Y - c.Y) - cdy * (b.X - c.X);
  const double m2 = 2.0 * e * std::sqrt(cdx * cdx + cdy * cdy);
  if ((o3 > m2 && o4 > m2) || (o3 < -m2 && o4 < -m2)) return;

  const double da = Dist2Segment(a, c, d), db = Dist2Segment(b, c, d);
  const double dc = Dist2Segment(c, a, b), dd = Dist2Segment(d, a, b);
  if (std::min({da, db, dc, dd}) <= 4.0 * e2) Close = 1;
  if (da > e2 && db > e2 && dc > e2 && dd > e2) {
    if (o1 == 0.0 || o2 == 0.0 || o3 == 0.0 || o4 == 0.0) return;
    if ((o1 > 0.0) == (o2 > 0.0) || (o3 > 0.0) == (o4 > 0.0)) return;
    const double t = o3 / (o3 - o4);
    const DOUBLEPOINT x{a.X + t * abx, a.Y + t * aby};
    POINTCROSS r1, r2;
    SetPointCross(&r1, &x, i + 1, i + 2, METRIC_NO_HEIGHT, j + 1, j + 2);
    SetPointCross(&r2, &x, j + 1, j + 2, METRIC_NO_HEIGHT, i + 1, i + 2);
    r1.Position = r2.Position = 0;
    Append(r1, r2);
    return;
  }
  // Vertices of the first contour this segment owns: its first point, and
  // the last point of an open contour.
  auto first = [&](int v, double dv) {
    if (dv > e2) return;
    const DOUBLEPOINT& p = Points1[v];
    const double toC = Dist2(p, c), toD = Dist2(p, d);
    if (toC <= e2 || toD <= e2) {
      const int w = toC <= toD ? j : j + 1;
      Hits1.push_back(Hit{v, NormalVertex(w, n2, Closed2 != 0), 0, std::min(toC, toD)});
    } else {
      Hits1.push_back(Hit{v, j, 1, dv});
    }
  };
  first(i, da);
  if (!Closed1 && i + 2 == n1) first(i + 1, db);
  // Vertices of the second contour inside this segment, away from its ends.
  auto second = [&](int w, double dw) {
    if (dw > e2) return;
    const DOUBLEPOINT& q = Points2[w];
    if (Dist2(q, a) <= e2 || Dist2(q, b) <= e2) return;
    Hits2.push_back(Hit{w, i, 1, dw});
  };
  second(j, dc);
  if (!Closed2 && j + 2 == n2) second(j + 1, dd);
}

// Records the touchings found for the vertices of one contour: of the hits
// of one vertex, those at neighbouring vertices or segments of the other
// contour are one touching, at the nearest of them.
int TPointCross::EmitHits(std::vector<Hit>& hits, bool firstSide) {
  std::sort(hits.begin(), hits.end(), [](const Hit& x, const Hit& y) {
    if (x.Vertex != y.Vertex) return x.Vertex < y.Vertex;
    if (x.Type != y.Type) return x.Type < y.Type;
    return x.Other < y.Other;
  });
  const int nOwn = static_cast<int>(firstSide ? Points1.size() : Points2.size());
  const int nOther = static_cast<int>(firstSide ? Points2.size() : Points1.size());
  const bool closedOther = (firstSide ? Closed2 : Closed1) != 0;
  const std::vector<DOUBLEPOINT>& own = firstSide ? Points1 : Points2;
  size_t g = 0;
  while (g < hits.size()) {
    size_t end = g;
    while (end < hits.size() && hits[end].Vertex == hits[g].Vertex) ++end;
    for (size_t k = g; k < end; ++k) {
      const Hit& h = hits[k];
      if (k > g && hits[k - 1].Type == h.Type && hits[k - 1].Other == h.Other) continue;
      bool beaten = false;
      for (size_t o = g; o < end && !beaten; ++o) {
        const Hit& x = hits[o];
        if (o == k || x.Type != h.Type || x.Other == h.Other) continue;
        if (!Neighbours(x.Other, h.Other, nOther, closedOther)) continue;
        beaten = x.D2 < h.D2 || (x.D2 == h.D2 && x.Other < h.Other);
      }
      if (beaten) continue;
      const int v = h.Vertex;
      const DOUBLEPOINT& p = own[v];
      const int vSecond = (v + 1 < nOwn) ? v + 2 : v + 1;
      POINTCROSS r1, r2;
      int oFirst, oSecond, oPosition;
      if (h.Type == 0) {
        oFirst = h.Other + 1;
        oSecond = (h.Other + 1 < nOther) ? h.Other + 2 : h.Other + 1;
        oPosition = -oFirst;
      } else {
        oFirst = h.Other + 1;
        oSecond = h.Other + 2;
        oPosition = 1;
      }
      SetPointCross(&r1, &p, v + 1, vSecond, METRIC_NO_HEIGHT, oFirst, oSecond);
      r1.Position = -(v + 1);
      SetPointCross(&r2, &p, oFirst, oSecond, METRIC_NO_HEIGHT, v + 1, vSecond);
      r2.Position = oPosition;
      if (!(firstSide ? Append(r1, r2) : Append(r2, r1))) return 0;
    }
    g = end;
  }
  return 1;
}

int TPointCross::PointCrossObj() {
  if (FirstRun && Clean) {
    DeleteBeak(&Data1);
    DeleteBeak(&Data2);
    FirstRun = 0;
  }
  Count = 0;
  Touched = Merged = Swapped = Close = 0;
  Outlined1 = Outlined2 = 0;
  Searched = 0;
  if (!ReadContour(Data1, 0, Points1, nullptr) || !ReadContour(Data2, 0, Points2, nullptr))
    return 0;
  Searched = 1;
  const int n1 = static_cast<int>(Points1.size()), n2 = static_cast<int>(Points2.size());
  if (n1 < 2 || n2 < 2) return 0;
  Closed1 = Data1.GetExclusiveSubject(0);
  Closed2 = Data2.GetExclusiveSubject(0);
  if (!BuildIndex()) return 0;
  Hits1.clear();
  Hits2.clear();
  Stamp.assign(static_cast<size_t>(n2 - 1), -1);
  for (int i = 0; i + 1 < n1; ++i) {
    if (!CrossLengthData(&Points1[i], &Points1[i + 1], i + 1)) return 0;
  }
  Touched = !Hits1.empty() || !Hits2.empty();
  if (!EmitHits(Hits1, true) || !EmitHits(Hits2, false)) return 0;
  return Count > 0 ? 1 : 0;
}

int TPointCross::CrossingsCrowded(double distance) {
  if (Count < 2 || Cross1 == nullptr) return 0;
  Scratch2.resize(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) Scratch2[i] = DOUBLEPOINT{Cross1[i].X, Cross1[i].Y};
  std::sort(Scratch2.begin(), Scratch2.end(),
            [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return a.X < b.X; });
  for (size_t i = 0; i < Scratch2.size(); ++i)
    for (size_t j = i + 1; j < Scratch2.size() && Scratch2[j].X - Scratch2[i].X <= distance; ++j)
      if (std::fabs(Scratch2[j].Y - Scratch2[i].Y) <= distance) return 1;
  return 0;
}

TContourIndex* TPointCross::Outline(bool first) {
  if (!Searched) return nullptr;
  TContourIndex& index = first ? Outline1 : Outline2;
  int& built = first ? Outlined1 : Outlined2;
  const std::vector<DOUBLEPOINT>& points = first ? Points1 : Points2;
  if (!built) built = index.Build(points.data(), static_cast<int>(points.size())) ? 1 : -1;
  return built == 1 ? &index : nullptr;
}

// The outer contours were searched against each other (Touched); what is
// left are the holes: a point of a hole near the outer contour of either
// metric or near another hole, a point of an outer contour near a hole.
// Holes are filed in a grid of their own, the outer contours answer
// through their indexes. A metric that cannot be read counts as touching.
int TPointCross::TouchingHoles(int firstHoles, int everywhere, double tolerance) {
  if (!Searched || Data1.Record == nullptr || Data2.Record == nullptr) return 1;
  if ((!firstHoles || Data1.Record->Count == 0) && Data2.Record->Count == 0) return 0;
  const double t = tolerance, t2 = t * t;
  // The holes' points, each with its hole (numbered over both metrics).
  std::vector<DOUBLEPOINT>& points = Scratch;
  std::vector<int32_t>& hole = HoleOf;
  points.clear();
  hole.clear();
  int holes = 0, firstOfSecond = 0;
  for (TDataEdit* m : {&Data1, &Data2}) {
    if (m == &Data2) firstOfSecond = static_cast<int>(points.size());
    if (m == &Data1 && !firstHoles) continue;
    int c = 0;
    const bool read = geomwork::ForEachContourPoints(*m, [&](const char* p, DWORD count, DWORD kind,
                                                             int size) {
      if (c++ == 0) return;
      for (DWORD i = 0; i < count; ++i, p += size) {
        DOUBLEPOINT q;
        metric::ReadXY(kind, p, q.X, q.Y);
        points.push_back(q);
        hole.push_back(holes);
      }
      ++holes;
    });
    if (!read) return 1;
  }
  const int n = static_cast<int>(points.size());
  if (n == 0) return 0;
  DFRAME frame = SegmentFrame(points[0], points[0], t);
  for (const DOUBLEPOINT& p : points) {
    frame.X1 = std::min(frame.X1, p.X - t), frame.Y1 = std::min(frame.Y1, p.Y - t);
    frame.X2 = std::max(frame.X2, p.X + t), frame.Y2 = std::max(frame.Y2, p.Y + t);
  }
  // A cut asks only where the frames of the two outer contours meet.
  if (!everywhere) {
    if (Points1.empty() || Points2.empty()) return 0;
    DFRAME meet = SegmentFrame(Points1[0], Points1[0], t), other = SegmentFrame(Points2[0], Points2[0], t);
    for (const DOUBLEPOINT& p : Points1)
      meet = DFRAME{std::min(meet.X1, p.X - t), std::min(meet.Y1, p.Y - t), std::max(meet.X2, p.X + t),
                    std::max(meet.Y2, p.Y + t)};
    for (const DOUBLEPOINT& p : Points2)
      other = DFRAME{std::min(other.X1, p.X - t), std::min(other.Y1, p.Y - t),
                     std::max(other.X2, p.X + t), std::max(other.Y2, p.Y + t)};
    if (!FramesMeet(meet, other) || !FramesMeet(frame, meet) || !FramesMeet(frame, other)) return 0;
    frame = DFRAME{std::max({frame.X1, meet.X1, other.X1}), std::max({frame.Y1, meet.Y1, other.Y1}),
                   std::min({frame.X2, meet.X2, other.X2}), std::min({frame.Y2, meet.Y2, other.Y2})};
  }
  Grid grid;
  grid.Cover(frame, std::min(kMaxCells, 2.0 * n));
  const size_t cells = static_cast<size_t>(grid.Cells());
  auto holeSegment = [&](int i) { return i + 1 < n && hole[i] == hole[i + 1]; };
  CellStart.assign(cells + 1, 0);
  for (int i = 0; i < n; ++i)
    if (holeSegment(i)) VisitCells(grid, points[i], points[i + 1], t, [&](int c) { ++CellStart[c]; });
  for (size_t c = 1; c <= cells; ++c) CellStart[c] += CellStart[c - 1];
  CellItems.resize(static_cast<size_t>(CellStart[cells]));
  for (int i = n - 1; i >= 0; --i)
    if (holeSegment(i)) VisitCells(grid, points[i], points[i + 1], t, [&](int c) { CellItems[--CellStart[c]] = i; });
  auto inFrame = [&](const DOUBLEPOINT& p) {
    return p.X >= frame.X1 && p.X <= frame.X2 && p.Y >= frame.Y1 && p.Y <= frame.Y2;
  };
  // Whether p comes near a hole other than `own` (-1: any hole).
  auto nearHole = [&](const DOUBLEPOINT& p, int own) {
    const int cell = grid.Row(p.Y) * grid.nx + grid.Column(p.X);
    for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
      const int j = CellItems[k];
      if (hole[j] != own && Dist2Segment(p, points[j], points[j + 1]) <= t2) return true;
    }
    return false;
  };
  TContourIndex* outer1 = Outline(true);
  TContourIndex* outer2 = Outline(false);
  if (outer1 == nullptr || outer2 == nullptr) return 1;
  // A hole crossing the other metric's outer contour twice within the
  // tolerance is as good as touching it.
  for (int i = 0; i < n;) {
    int end = i;
    while (end < n && hole[end] == hole[i]) ++end;
    bool crowded = false;
    TContourIndex* other = i < firstOfSecond ? outer2 : outer1;
    other->Crossings(points.data() + i, end - i, end - i, t, &crowded);
    if (crowded) return 1;
    i = end;
  }
  for (int i = 0; i < n; ++i) {
    const DOUBLEPOINT& p = points[i];
    if (!inFrame(p)) continue;
    if (nearHole(p, hole[i]) || outer1->Near(p, t) || outer2->Near(p, t)) return 1;
  }
  for (const std::vector<DOUBLEPOINT>* outer : {&Points1, &Points2})
    for (const DOUBLEPOINT& p : *outer)
      if (inFrame(p) && nearHole(p, -1)) return 1;
  return 0;
}

int TPointCross::CrossLengthData(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int segment) {
  const int i = segment - 1;
  if (a == nullptr || b == nullptr || i < 0 || static_cast<size_t>(i) + 1 >= Points1.size() ||
      CellStart.empty())
    return State == 0 ? 1 : 0;
  const double e = Precision, m = 2.0 * e;
  const DFRAME frame = SegmentFrame(*a, *b, m);
  if (!FramesMeet(frame, Region)) return 1;
  const Grid g{GridX0, GridY0, CellW, CellH, GridNX, GridNY};
  const DFRAME near = SegmentFrame(*a, *b, m);
  VisitCells(g, *a, *b, m, [&](int cell) {
    for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
      const int j = CellItems[k];
      if (Stamp[j] == i) continue;
      Stamp[j] = i;
      if (!FramesMeet(near, SegmentFrame(Points2[j], Points2[j + 1], 0.0))) continue;
      TestPair(i, j);
    }
  });
  return State == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Ordering and cleaning

void TPointCross::SetPointCross(POINTCROSS* r, const DOUBLEPOINT* point, int first, int second,
                                double h, int otherFirst, int otherSecond) {
  if (r == nullptr || point == nullptr) return;
  std::memset(r, 0, sizeof(*r));
  r->X = point->X;
  r->Y = point->Y;
  r->H = h;
  r->First = first;
  r->Second = second;
  if (otherFirst != 0 || otherSecond != 0) {
    r->OtherFirst = otherFirst;
    r->OtherSecond = otherSecond;
  }
}

void TPointCross::AveragePoint(const POINTCROSS* array, DOUBLEPOINT* out, int i, int j) {
  if (array == nullptr || out == nullptr) return;
  out->X = (array[i].X + array[j].X) / 2.0;
  out->Y = (array[i].Y + array[j].Y) / 2.0;
}

int TPointCross::GetPointCross(const POINTCROSS* array, int count, double x, double y) {
  if (array == nullptr) return count;
  for (int i = 0; i < count; ++i)
    if (array[i].X == x && array[i].Y == y) return i;
  return count;
}

int TPointCross::GetPointCrossEx(const POINTCROSS* array, int count, const POINTCROSS* record) {
  if (array == nullptr || record == nullptr) return count;
  for (int i = 0; i < count; ++i) {
    const POINTCROSS& r = array[i];
    if (r.X == record->X && r.Y == record->Y && r.OtherFirst == record->First &&
        r.OtherSecond == record->Second)
      return i;
  }
  return count;
}

namespace {

// The hash of a point and two numbers (a zero of either sign counted as
// one, as == does).
uint64_t PartnerHash(double x, double y, LONG first, LONG second) {
  x += 0.0;
  y += 0.0;
  uint64_t bx, by;
  std::memcpy(&bx, &x, sizeof bx);
  std::memcpy(&by, &y, sizeof by);
  uint64_t h = bx * 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 31) ^ by) * 0xBF58476D1CE4E5B9ull;
  const uint64_t numbers = uint64_t(uint32_t(first)) << 32 | uint32_t(second);
  h = (h ^ (h >> 29) ^ numbers) * 0x94D049BB133111EBull;
  return h ^ (h >> 32);
}

}  // namespace

int TPointCross::FindPartner(const POINTCROSS* array, int count, const POINTCROSS* record) {
  const int which = array == nullptr ? -1 : array == Cross1 ? 0 : array == Cross2 ? 1 : -1;
  if (which < 0 || record == nullptr || count < 32) return GetPointCrossEx(array, count, record);
  PartnerTable& t = Partners[which];
  size_t mask = t.slots.size() - 1;
  if (t.array != array || t.count != count) {
    size_t size = 64;
    while (size < 2 * static_cast<size_t>(count)) size *= 2;
    t.slots.assign(size, -1);
    mask = size - 1;
    // Each key keeps its first record, as the walk finds it.
    for (int i = 0; i < count; ++i) {
      const POINTCROSS& r = array[i];
      size_t at = PartnerHash(r.X, r.Y, r.OtherFirst, r.OtherSecond) & mask;
      for (;; at = (at + 1) & mask) {
        const int32_t k = t.slots[at];
        if (k < 0) {
          t.slots[at] = i;
          break;
        }
        const POINTCROSS& o = array[k];
        if (o.X == r.X && o.Y == r.Y && o.OtherFirst == r.OtherFirst &&
            o.OtherSecond == r.OtherSecond)
          break;
      }
    }
    t.array = array;
    t.count = count;
  }
  for (size_t at = PartnerHash(record->X, record->Y, record->First, record->Second) & mask;;
       at = (at + 1) & mask) {
    const int32_t k = t.slots[at];
    if (k < 0) return count;
    const POINTCROSS& o = array[k];
    if (o.X == record->X && o.Y == record->Y && o.OtherFirst == record->First &&
        o.OtherSecond == record->Second)
      return k;
  }
}

void TPointCross::SortCoordinamesPointCross(POINTCROSS* array, int first, int last,
                                            const DOUBLEPOINT* a, const DOUBLEPOINT* b) {
  if (array == nullptr || a == nullptr || b == nullptr || last - first < 2) return;
  // Along the axis in which the segment moves, in its direction.
  double sx = 0.0, sy = 0.0;
  if (b->X != a->X) sx = b->X > a->X ? 1.0 : -1.0;
  else if (b->Y != a->Y) sy = b->Y > a->Y ? 1.0 : -1.0;
  else return;  // a point: the order stays
  std::stable_sort(array + first, array + last, [sx, sy](const POINTCROSS& p, const POINTCROSS& q) {
    return p.X * sx + p.Y * sy < q.X * sx + q.Y * sy;
  });
}

void TPointCross::SortPoint(POINTCROSS* array, int count) {
  if (array == nullptr || count <= 1) return;
  std::stable_sort(array, array + count,
                   [](const POINTCROSS& p, const POINTCROSS& q) { return p.First < q.First; });
}

void TPointCross::SortBothPointCross() {
  SortPointCross(Cross1, Count, &Data1);
  SortPointCross(Cross2, Count, &Data2);
  int count = Count;
  DeletePointCross(Cross1, Cross2, &count, &Data1);
  DeletePointCross(Cross2, Cross1, &count, &Data2);
  Merged = count < Count ? 1 : 0;
  Count = count;
}

void TPointCross::SortPointCross(POINTCROSS* array, int count, TDataEdit* metric) {
  if (array == nullptr || metric == nullptr || count <= 0) return;
  ForgetPartners();
  if (!ReadContour(*metric, 0, Scratch, nullptr)) return;
  const int n = static_cast<int>(Scratch.size());
  const bool closed = n > 1 && metric->GetExclusiveSubject(0);
  for (int i = 0; i < count; ++i) {
    POINTCROSS& r = array[i];
    if (r.Position >= 0) continue;
    if (closed && -r.Position == n) r.Position = -1;
    r.First = -r.Position;
    if (closed) r.Second = r.First + 1;
  }
  SortPoint(array, count);
  int run = 0;
  for (int i = 1; i <= count; ++i) {
    if (i < count && array[i].First == array[run].First) continue;
    const int f = array[run].First;
    if (f >= 1 && f < n) SortCoordinamesPointCross(array, run, i, &Scratch[f - 1], &Scratch[f]);
    run = i;
  }
}

void TPointCross::DeletePointCross(POINTCROSS* array, POINTCROSS* partner, int* count,
                                   TDataEdit* metric) {
  (void)metric;
  if (array == nullptr || partner == nullptr || count == nullptr) return;
  int k = 0;
  while (*count > 1 && k < *count) {
    const int n = *count;
    const int next = (k + 1) % n;
    const POINTCROSS& r = array[k];
    const POINTCROSS& s = array[next];
    const bool repeated = r.First == s.First && std::memcmp(&r.X, &s.X, sizeof(double)) == 0 &&
                          std::memcmp(&r.Y, &s.Y, sizeof(double)) == 0;
    const int p = repeated ? FindPartner(partner, n, &r) : n;
    if (p >= n) {
      ++k;
      continue;
    }
    // The partner goes only when it shares its segment with a neighbour.
    const bool shares = (p > 0 && partner[p - 1].First == partner[p].First) ||
                        (p + 1 < n && partner[p + 1].First == partner[p].First);
    if (!shares) {
      ++k;
      continue;
    }
    std::memmove(partner + p, partner + p + 1, static_cast<size_t>(n - p - 1) * sizeof(POINTCROSS));
    std::memmove(array + k, array + k + 1, static_cast<size_t>(n - k - 1) * sizeof(POINTCROSS));
    *count = n - 1;
  }
}

void TPointCross::ChangePointCrossBeak(POINTCROSS* array, int count, int closed) {
  if (array == nullptr || count <= 1) return;
  Scratch2.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) Scratch2[i] = DOUBLEPOINT{array[i].X, array[i].Y};
  int table[100];
  const int listed = FindBeakPoints(Scratch2.data(), count, closed, Precision, table);
  if (listed <= 1) return;
  auto entry = [&](int vertex) {
    for (int t = 0; t < listed; ++t)
      if (table[t] == vertex) return t + 1;
    return 0;
  };
  // Record i is vertex i + 1; the pair i, i + 1 exists only below the last
  // record.
  for (int i = 0; i + 1 < count; ++i) {
    const int t = entry(i + 1);
    if (t == 0 || t >= listed || table[t] != i + 2) continue;
    if (array[i].First != array[i + 1].First || array[i].Second != array[i + 1].Second) continue;
    std::swap(array[i], array[i + 1]);
    ForgetPartners();
    Swapped = 1;
    ++i;
  }
}

void TPointCross::SetHeightPointCross(POINTCROSS* first, POINTCROSS* second, TDataEdit* m1,
                                      TDataEdit* m2, int count) {
  if (first == nullptr || second == nullptr || m1 == nullptr || m2 == nullptr || count <= 0)
    return;
  POINTCROSS* own;
  POINTCROSS* partner;
  TDataEdit* metric;
  if (m2->Record != nullptr && m2->DatDimension()) {
    own = second, partner = first, metric = m2;
  } else if (m1->Record != nullptr && m1->DatDimension()) {
    own = first, partner = second, metric = m1;
  } else {
    return;
  }
  if (!ReadContour(*metric, 0, Scratch, &ScratchH)) return;
  const int n = static_cast<int>(Scratch.size());
  for (int i = 0; i < count; ++i) {
    POINTCROSS& r = own[i];
    double h = METRIC_NO_HEIGHT;
    const int f = r.First, s = r.Second;
    if (f >= 1 && f <= n && s >= 1 && s <= n && ScratchH[f - 1] != METRIC_NO_HEIGHT &&
        ScratchH[s - 1] != METRIC_NO_HEIGHT) {
      const double h1 = ScratchH[f - 1], h2 = ScratchH[s - 1];
      const DOUBLEPOINT x{r.X, r.Y};
      const double l2 = Dist2(Scratch[f - 1], Scratch[s - 1]), d2 = Dist2(Scratch[f - 1], x);
      h = (l2 <= 1e-06 || d2 <= 1e-06) ? h1 : h1 + (h2 - h1) * std::sqrt(d2 / l2);
    }
    r.H = h;
    // Partners face each other until the arrays are sorted.
    const int p = (partner[i].X == r.X && partner[i].Y == r.Y && partner[i].OtherFirst == r.First &&
                   partner[i].OtherSecond == r.Second)
                      ? i
                      : FindPartner(partner, count, &r);
    if (p < count) partner[p].H = h;
  }
}

// ---------------------------------------------------------------------------
// Classification

int TPointCross::GetInsidePointCross(TDataEdit* metric, TDataEdit* other, POINTCROSS* partner,
                                     POINTCROSS* array, int same, int count, int index, int invert,
                                     int otherInvert) {
  if (metric == nullptr || other == nullptr || array == nullptr || index < 0 || index >= count)
    return 0;
  if (other->Record == nullptr) return 0;
  // The worker's own metrics were read by the search; others are read now.
  const bool own = Searched && (metric == &Data1 || metric == &Data2);
  if (!own && !ReadContour(*metric, 0, Scratch, nullptr)) return 0;
  const std::vector<DOUBLEPOINT>& contour = own ? (metric == &Data1 ? Points1 : Points2) : Scratch;
  const int n = static_cast<int>(contour.size());
  if (n < 2) return 0;
  const bool closed = metric->GetExclusiveSubject(0) != 0;
  const double e = Precision > GEOMETRY_PRECISION ? Precision : GEOMETRY_PRECISION;
  auto point = [&](int number) {
    if (number < 1) number = 1;
    if (number > n) number = n;
    return contour[number - 1];
  };
  // The other metric's outer contour answers through its index when it is
  // one of the worker's own: near it within the precision, or inside it.
  // An open contour holds nothing, so only nearness counts; its index
  // answers for the metric when it is the only contour.
  TContourIndex* outline = nullptr;
  const bool otherClosed = other->GetExclusiveSubject(0) != 0;
  if ((other == &Data1 || other == &Data2) && (otherClosed || other->Record->Count == 0))
    outline = Outline(other == &Data1);
  // The nearest vertex before and after a crossing that is not the
  // crossing itself.
  auto vertexBefore = [&](const POINTCROSS& c) {
    if (c.Position >= 0) return point(c.First);
    if (c.First > 1) return point(c.First - 1);
    return closed ? point(n - 1) : point(1);
  };
  auto vertexAfter = [&](const POINTCROSS& c) { return point(c.Second); };
  // A point of the contour between an earlier crossing p and a later one q.
  auto between = [&](const POINTCROSS& p, const POINTCROSS& q, bool wrap) {
    const int next = (closed && p.Second >= n) ? 1 : p.Second;
    const bool stretch = p.First == q.First || (q.Position < 0 && q.First == next);
    if (!wrap && stretch) return DOUBLEPOINT{(p.X + q.X) / 2.0, (p.Y + q.Y) / 2.0};
    return point(p.Second);
  };
  const POINTCROSS& c = array[index];
  const bool single = count == 1;
  DOUBLEPOINT before, after;
  if (single || (index == 0 && !closed)) before = vertexBefore(c);
  else before = between(array[index == 0 ? count - 1 : index - 1], c, index == 0);
  if (single || (index == count - 1 && !closed)) after = vertexAfter(c);
  else after = between(c, array[index == count - 1 ? 0 : index + 1], index == count - 1);

  auto inside = [&](const DOUBLEPOINT& s) {
    if (outline != nullptr) return outline->Near(s, e) || (otherClosed && outline->Inside(s));
    XYDOUBLE near;
    if (other->SeekNearVirtualPoint(s.X, s.Y, &near) && std::fabs(near.X - s.X) <= e &&
        std::fabs(near.Y - s.Y) <= e)
      return true;
    const int r = other->Inside(&s, 0);
    return r != 0 && r != 2;
  };
  bool b = inside(before), a = inside(after);
  // A sample within the precision of the other contour counts as inside
  // by its nearness alone: the kind is in doubt.
  if (outline != nullptr && (outline->Near(before, e) || outline->Near(after, e))) Doubtful = 1;
  if (invert) b = !b, a = !a;
  int kind = (b ? 1 : 0) + (a ? 2 : 0);
  if (kind == 0) kind = CROSS_TOUCH_OUTSIDE;
  if (!closed && c.Position < 0) {
    if (c.First == 1) kind = kind == CROSS_EXIT ? CROSS_TOUCH_OUTSIDE
                           : kind == CROSS_TOUCH_INSIDE ? CROSS_ENTRY : kind;
    else if (c.First == n) kind = kind == CROSS_ENTRY ? CROSS_TOUCH_OUTSIDE
                                 : kind == CROSS_TOUCH_INSIDE ? CROSS_EXIT : kind;
  }
  array[index].Kind = kind;
  if (kind == CROSS_TOUCH_INSIDE) TouchInside = 1;
  if (kind == CROSS_TOUCH_OUTSIDE) TouchOutside = 1;
  if (!closed && partner != nullptr) {
    int pk;
    if (kind == CROSS_EXIT || kind == CROSS_ENTRY) {
      pk = same ? 3 - kind : kind;
      if ((invert != 0) != (otherInvert != 0)) pk = 3 - pk;
    } else if (kind == CROSS_TOUCH_INSIDE) {
      pk = CROSS_TOUCH_OUTSIDE;
    } else {
      pk = (invert == 1 && otherInvert == 1) ? CROSS_TOUCH_OUTSIDE : CROSS_TOUCH_INSIDE;
    }
    const int p1 = GetPointCross(partner, count, c.X, c.Y);
    if (p1 < count) partner[p1].Kind = pk;
    const int p2 = FindPartner(partner, count, &array[index]);
    if (p2 < count) partner[p2].Kind = pk;
    if (pk == CROSS_TOUCH_INSIDE) TouchInside = 1;
    if (pk == CROSS_TOUCH_OUTSIDE) TouchOutside = 1;
  }
  return kind;
}

void TPointCross::CorrectPointCrossALLNO(POINTCROSS* array, int count) {
  if (array == nullptr || count < 2 || !TouchInside) return;
  // The nearest record before (step -1) or after (+1) k whose kind is not
  // `skip`; -1 when every other record has that kind.
  auto nearest = [&](int k, int step, int skip) {
    for (int s = 1; s < count; ++s) {
      const int i = ((k + step * s) % count + count) % count;
      if (array[i].Kind != skip) return i;
    }
    return -1;
  };
  for (int k = 0; k < count; ++k) {
    if (array[k].Kind != CROSS_TOUCH_INSIDE) continue;
    const int b = nearest(k, -1, CROSS_TOUCH_INSIDE), a = nearest(k, 1, CROSS_TOUCH_INSIDE);
    if (b >= 0 && a >= 0 && array[b].Kind != CROSS_ENTRY && array[a].Kind != CROSS_EXIT)
      array[k].Kind = CROSS_TOUCH_OUTSIDE;
  }
  for (int k = 0; k < count; ++k) {
    if (array[k].Kind != CROSS_TOUCH_OUTSIDE) continue;
    const int b = nearest(k, -1, CROSS_TOUCH_OUTSIDE), a = nearest(k, 1, CROSS_TOUCH_OUTSIDE);
    if (b >= 0 && a >= 0 && array[b].Kind != CROSS_EXIT && array[a].Kind != CROSS_ENTRY)
      array[k].Kind = CROSS_TOUCH_INSIDE;
  }
}

// ---------------------------------------------------------------------------
// Results

int TPointCross::ReplaceSubject(TDataEdit* target, int s, const std::vector<DOUBLEPOINT>& points,
                                const std::vector<double>& heights) {
  if (target == nullptr || target->Record == nullptr || s < 0 || s > target->Record->Count)
    return 0;
  // The record is rebuilt in the work buffer (in a buffer of its own when
  // the work buffer is the target) and loaded back.
  TDataEdit local;
  local.Init();
  TDataEdit& w = target == &Work ? local : Work;
  const int result = RebuildSubject(target, s, points, heights, w);
  local.Free();
  return result;
}

int TPointCross::RebuildSubject(TDataEdit* target, int s, const std::vector<DOUBLEPOINT>& points,
                                const std::vector<double>& heights, TDataEdit& w) {
  const int kind = static_cast<int>(target->Record->Ident);
  const int text = target->TextFlag;
  const bool is3D = MetricIs3D(static_cast<DWORD>(kind)) != 0;
  if (!w.Create(kind, text)) return 0;
  w.Record->Flags = target->Record->Flags & ~static_cast<WORD>(METRIC_LONG_COUNTS);
  for (int c = 0; c <= target->Record->Count; ++c) {
    if (c > 0 && !w.CreateSubject()) return 0;
    if (c == s) {
      for (size_t i = 0; i < points.size(); ++i) {
        if (!w.AppendPointSubject(c, points[i].X, points[i].Y)) return 0;
        if (is3D) w.HDouble(heights[i]);
      }
    } else {
      const int count = target->PointCount(c);
      for (int i = 1; i <= count; ++i) {
        if (!target->GoPointSubject(i, c)) return 0;
        const double x = target->XDouble(), y = target->YDouble(), h = target->HDouble();
        if (!w.AppendPointSubject(c, x, y)) return 0;
        if (is3D) w.HDouble(h);
      }
    }
    if (text && target->DescPointSubject(c)) {
      const char* entry = target->GetTextData();
      if (entry && w.DescPointSubject(c)) w.PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
    }
  }
  if (!target->Load(w.Record, text)) return 0;
  target->ChangedFlag = 1;
  target->FirstPointSubject(0);
  return 1;
}

// Inserts the crossings of one array into contour 0 of its buffer and, when
// the buffer came from an object, into the object's subject (shifted back
// into the object's sheet frame): the number inserted.
int TPointCross::InsertInto(TDataEdit* data, POINTCROSS* array, TObjectInfo* object, int subject,
                            const DOUBLEPOINT* shift) {
  if (!ReadContour(*data, 0, Scratch, &ScratchH)) return 0;
  const int n = static_cast<int>(Scratch.size());
  Scratch2.clear();
  ScratchH2.clear();
  int r = 0;
  for (int k = 1; k <= n; ++k) {
    Scratch2.push_back(Scratch[k - 1]);
    ScratchH2.push_back(ScratchH[k - 1]);
    for (; r < Count && array[r].First <= k; ++r) {
      const POINTCROSS& c = array[r];
      if (c.First != k) continue;
      const DOUBLEPOINT& a = Scratch[k - 1];
      const DOUBLEPOINT& b = Scratch[(c.Second >= 1 && c.Second <= n ? c.Second : k) - 1];
      const DOUBLEPOINT& last = Scratch2.back();
      auto near = [&](const DOUBLEPOINT& p) {
        return std::fabs(c.X - p.X) <= kInsertNear && std::fabs(c.Y - p.Y) <= kInsertNear;
      };
      if (near(a) || near(b) || near(last)) continue;
      Scratch2.push_back(DOUBLEPOINT{c.X, c.Y});
      ScratchH2.push_back(c.H);
    }
  }
  const int inserted = static_cast<int>(Scratch2.size()) - n;
  if (inserted <= 0) return 0;
  // Crossings are not whole numbers: integer kinds become floats first.
  const DWORD kind = data->Record->Ident;
  if (IntegerKind(kind)) data->ChangeKind(static_cast<int>(data->DatDimension() ? METRIC_F32H : METRIC_F32));
  if (!ReplaceSubject(data, 0, Scratch2, ScratchH2)) return 0;
  if (object != nullptr) {
    if (shift != nullptr && (shift->X != 0.0 || shift->Y != 0.0)) {
      for (DOUBLEPOINT& p : Scratch2) p.X += shift->X, p.Y += shift->Y;
    }
    if (!ReplaceSubject(&object->Metric, subject, Scratch2, ScratchH2)) return 0;
  }
  return inserted;
}

int TPointCross::InsertPointCross() {
  if (State != 0 || Count <= 0 || Cross1 == nullptr) return 0;
  Searched = 0;
  DOUBLEPOINT shift{0.0, 0.0};
  if (Object1 != nullptr && Object2 != nullptr && !UserMap && Object1->Sheet != Object2->Sheet)
    shift = DOUBLEPOINT{Object1->Origin.X - Object2->Origin.X, Object1->Origin.Y - Object2->Origin.Y};
  const int n1 = InsertInto(&Data1, Cross1, Object1, Subject1, nullptr);
  const int n2 = InsertInto(&Data2, Cross2, Object2, Subject2, &shift);
  return std::max(n1, n2);
}

int TPointCross::IsCutObject(TDataEdit* area, TDataEdit* other, double precision) {
  if (area == nullptr || other == nullptr || area->Record == nullptr || other->Record == nullptr ||
      !MetricValidMarker(area->Record->Ident) || !MetricValidMarker(other->Record->Ident))
    return 0;
  if (area->Record->Length >= static_cast<DWORD>(METRIC_MAX_LENGTH) ||
      other->Record->Length >= static_cast<DWORD>(METRIC_MAX_LENGTH)) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  if (!area->GetExclusiveSubject(0) || other->Record->Ident == 0x7FF87FF7) return 0;
  const double e = std::max(GEOMETRY_PRECISION, precision);
  if (!ReadContour(*other, 0, Scratch, nullptr)) return 0;
  for (const DOUBLEPOINT& q : Scratch) {
    XYDOUBLE near;
    if (!area->SeekNearVirtualPoint(q.X, q.Y, &near)) continue;
    if (area->SubjectNumber != 0 || std::sqrt(Dist2(near, q)) <= e) continue;
    const int r = area->Inside(&q, 0);
    if (r == 0 || r == 2) return 1;
  }
  return 0;
}
