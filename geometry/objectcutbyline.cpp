// Cutting by a line.
#include "geometry/objectcutbyline.h"

#include <algorithm>

#include "geometry/segmentgrid.h"
#include "geometry/workhelpers.h"
#include "objects/objectinfo.h"
#include "records/metric_access.h"

namespace {

bool IsClosed(TDataEdit& m) {
  const int n = m.PointCount(0);
  if (n < 4 || m.GoPointSubject(1, 0) == nullptr) return false;
  const double x = m.XDouble(), y = m.YDouble();
  if (m.GoPointSubject(n, 0) == nullptr) return false;
  return m.XDouble() == x && m.YDouble() == y;
}

// The metric held in doubles, so that a point put into it is the same
// point in every metric holding it.
bool InDoubles(TDataEdit& m) {
  const DWORD kind = m.Record->Ident;
  return kind == METRIC_F64 || kind == METRIC_F64H ||
         m.ChangeKind(m.DatDimension() ? METRIC_F64H : METRIC_F64) != 0;
}

// Where a point or an extension of the line meets the object's contours:
// at a vertex, or at a point of side `side` (from point side to side + 1,
// counted from 0; the last side of a contour counted closed runs back to
// its first point), `t` along the extension.
struct Meeting {
  int contour = -1, side = -1;
  bool vertex = false;
  DOUBLEPOINT at{};
  double t = 0.0;
};

double Cross(const DOUBLEPOINT& o, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X);
}

// Calls f(contour, side, a, b) for the sides of the contours the cut nodes
// (mode 0 the outer one as it runs, mode 1 every one, closed), read in
// place; a contour of one point is a side -1 from it to itself.
template <class F>
bool ForEachSide(TDataEdit& m, int mode, F&& f) {
  int c = 0;
  return geomwork::ForEachContourPoints(m, [&](const char* p, DWORD count, DWORD kind, int size) {
    const int contour = c++;
    if ((mode == 0 && contour != 0) || count == 0) return;
    DOUBLEPOINT first, a, b;
    metric::ReadXY(kind, p, first.X, first.Y);
    if (count == 1) {
      f(contour, -1, first, first);
      return;
    }
    a = first;
    for (DWORD i = 1; i < count; ++i) {
      metric::ReadXY(kind, p + static_cast<size_t>(i) * static_cast<size_t>(size), b.X, b.Y);
      f(contour, static_cast<int>(i) - 1, a, b);
      a = b;
    }
    if (mode == 1 && (a.X != first.X || a.Y != first.Y))
      f(contour, static_cast<int>(count) - 1, a, first);
  });
}

// Where the end e of the line meets the contours, and where the segment
// from e to x (its extension; none when x is e) first meets them.
struct Meetings {
  Meeting on;     // the nearest vertex within reach of e, else the nearest point of a side
  Meeting first;  // a side crossing the extension, a vertex within reach of it, or x within
                  // reach of a side: the first along it, a vertex within reach of the
                  // first meeting taken for it
};
Meetings Meet(TDataEdit& m, int mode, const DOUBLEPOINT& e, const DOUBLEPOINT& x, double reach) {
  const double dx = x.X - e.X, dy = x.Y - e.Y, l2 = dx * dx + dy * dy;
  const double reach2 = reach * reach;
  // The frame of the extension widened by the reach: sides apart from it
  // meet neither e nor the extension.
  const double x0 = std::min(e.X, x.X) - reach, x1 = std::max(e.X, x.X) + reach;
  const double y0 = std::min(e.Y, x.Y) - reach, y1 = std::max(e.Y, x.Y) + reach;
  Meeting side, vertex, near, nearVertex;
  side.t = vertex.t = 2.0;
  double side2 = reach2, vertex2 = reach2;
  ForEachSide(m, mode, [&](int c, int i, const DOUBLEPOINT& a,
                                            const DOUBLEPOINT& b) {
    if (std::max(a.X, b.X) < x0 || std::min(a.X, b.X) > x1 || std::max(a.Y, b.Y) < y0 ||
        std::min(a.Y, b.Y) > y1)
      return;
    for (const DOUBLEPOINT* v : {&a, &b}) {
      const double d2 = (e.X - v->X) * (e.X - v->X) + (e.Y - v->Y) * (e.Y - v->Y);
      if (d2 <= vertex2) vertex2 = d2, nearVertex = Meeting{c, i, true, *v, 0.0};
      if (l2 <= 0.0 || segmentgrid::Dist2Segment(*v, e, x) > reach2) continue;
      const double t = std::clamp(((v->X - e.X) * dx + (v->Y - e.Y) * dy) / l2, 0.0, 1.0);
      if (t < vertex.t) vertex = Meeting{c, i, true, *v, t};
    }
    if (i < 0) return;
    const double d2 = segmentgrid::Dist2Segment(e, a, b);
    if (d2 <= side2) side2 = d2, near = Meeting{c, i, false, e, 0.0};
    if (l2 <= 0.0) return;
    const double o1 = Cross(e, x, a), o2 = Cross(e, x, b);
    const double o3 = Cross(a, b, e), o4 = Cross(a, b, x);
    if (o1 * o2 < 0.0 && o3 * o4 < 0.0) {
      const double t = o3 / (o3 - o4);
      if (t < side.t) side = Meeting{c, i, false, {e.X + t * dx, e.Y + t * dy}, t};
    } else if (side.t > 1.0 && segmentgrid::Dist2Segment(x, a, b) <= reach2) {
      side = Meeting{c, i, false, x, 1.0};
    }
  });
  Meetings out;
  out.on = nearVertex.contour >= 0 ? nearVertex : near;
  const double l = std::sqrt(l2);
  out.first = vertex.contour >= 0 && vertex.t * l <= side.t * l + reach ? vertex : side;
  return out;
}

}  // namespace

TObjectCutByLine::TObjectCutByLine() { Line.Init(); }

TObjectCutByLine::TObjectCutByLine(TObjectInfo* line, TObjectInfo* object, int mode,
                                   double precision) {
  Line.Init();
  LoadObjects(line, object, mode, precision);
}

TObjectCutByLine::TObjectCutByLine(TDataEdit* line, TDataEdit* object, int mode,
                                   double precision) {
  Line.Init();
  LoadObjects(line, object, mode, precision);
}

TObjectCutByLine::~TObjectCutByLine() { Line.Free(); }

int TObjectCutByLine::LoadObjects(TObjectInfo* line, TObjectInfo* object, int mode,
                                  double precision) {
  int result = 0;
  const auto load = [&](TDataEdit* a, TDataEdit* b) { return LoadObjects(a, b, mode, precision); };
  if (!geomwork::LoadPlaneMetrics(line, object, load, &result)) {
    Count = 0;
    State = MAPERR_INPUT;
  }
  return result;
}

int TObjectCutByLine::LoadObjects(TDataEdit* line, TDataEdit* object, int mode,
                                  double precision) {
  return LoadObjects(line, object, mode, 0, precision);
}

int TObjectCutByLine::LoadObjects(TDataEdit* line, TDataEdit* object, int mode, int n,
                                  double precision) {
  Count = 0;
  Overlaid = 0;
  if (line == nullptr || object == nullptr || line->Record == nullptr ||
      object->Record == nullptr || (mode != 0 && mode != 1) || n < 0 ||
      n > object->Record->Count) {
    State = MAPERR_INPUT;
    return 0;
  }
  State = 0;
  if (mode == 1 && n == 0 && !ControlLocal(object, mode)) return 0;
  if (!Line.Load(line->Record, 0)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  TPointCross::LoadObjects(&Line, object, mode, n, 0, precision);
  if (State != 0) return 0;
  if (mode == 1 && n > 0 && !ControlLocal(&Data2, mode)) {
    Count = 0;
    return 0;
  }
  if (!InDoubles(Line) || !InDoubles(Data2) || (!IsClosed(Line) && !Extend(mode)) ||
      !Weld(mode)) {
    State = MAPERR_MEMORY;
    Count = 0;
    return 0;
  }
  if (mode == 1) return Split();
  return CutContour();
}

// An end of the working line within reach of the object (half the
// precision: half a pixel of the noding's grid) stays, moved to a vertex of
// the object within reach, or put into the side it lies on; an end apart
// from it goes on along its last side to where that side extended by 2.0
// first meets the object, put there the same way; an end that meets
// nothing so stays where it is. Both copies are held in doubles, so that
// the point they share is the same in both.
int TObjectCutByLine::Extend(int mode) {
  const int count = Line.PointCount(0);
  if (count < 2) return 1;
  const double reach = 0.5 * std::max(Precision, GEOMETRY_PRECISION);
  // The last end first, so that the first one's points keep their numbers.
  for (const bool last : {true, false}) {
    const int at = last ? Line.PointCount(0) : 1, base = last ? at - 1 : 2;
    DOUBLEPOINT e, b;
    if (!geomwork::PointOf(Line, 0, base, &b) || !geomwork::PointOf(Line, 0, at, &e)) return 0;
    const double h = Line.HDouble();
    // The extension runs on as the line's last side, unless that is too
    // short to show the way.
    const double dx = e.X - b.X, dy = e.Y - b.Y;
    const double k = std::fabs(dx) <= GEOMETRY_PRECISION && std::fabs(dy) <= GEOMETRY_PRECISION
                         ? 0.0
                         : 2.0 / std::hypot(dx, dy);
    const Meetings meet = Meet(Data2, mode, e, DOUBLEPOINT{e.X + dx * k, e.Y + dy * k}, reach);
    const bool lengthen = meet.on.contour < 0;
    const Meeting& m = lengthen ? meet.first : meet.on;
    if (m.contour < 0) continue;
    if (!m.vertex && !PutOnSide(Data2, m.contour, m.side, m.at)) return 0;
    if (!lengthen) {
      // The end itself, moved onto the object.
      if (!Line.GoPointSubject(at, 0)) return 0;
      Line.XDouble(m.at.X);
      Line.YDouble(m.at.Y);
      continue;
    }
    // The end kept as a vertex, the new one beyond it.
    if (!Line.GoPointSubject(at, 0) || !Line.InsertPoint(last ? m.at.X : e.X, last ? m.at.Y : e.Y) ||
        !Line.GoPointSubject(at + 1, 0))
      return 0;
    Line.HDouble(h);
    if (!last) {
      if (!Line.GoPointSubject(1, 0)) return 0;
      Line.XDouble(m.at.X);
      Line.YDouble(m.at.Y);
    }
  }
  return 1;
}

namespace {

// Height at p on the side from a (height ha) to b (hb), by its distance
// from a; none unless both ends have one.
double HeightOnSide(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b, double ha,
                    double hb) {
  if (ha == METRIC_NO_HEIGHT || hb == METRIC_NO_HEIGHT) return METRIC_NO_HEIGHT;
  const double l = std::hypot(b.X - a.X, b.Y - a.Y);
  const double t = l > 0.0 ? std::hypot(p.X - a.X, p.Y - a.Y) / l : 0.0;
  return ha + (hb - ha) * std::min(t, 1.0);
}

}  // namespace

// Where the line and the object come within reach of each other, they are
// made to pass the same points. The reach is that of the noding's
// snapping: it rounds every point to the grid of the precision (by up to
// half a step in X and in Y) and leads a rounded segment through the pixel
// of a rounded point it passes (half a step more), so a segment and a
// point up to 1.5 steps apart in X and in Y may come to meet, and between
// such meetings the line and the border would bound slivers. Within that
// reach a vertex of the line moves onto the object: onto a vertex within a
// hair (half a step) of it, or within a hair of the foot of the nearest
// side, else onto that foot, which is put into the side (the object keeps
// its shape); and a vertex of the object is put into a side of the line.
// A line running along a side, on it between points computed on it or a
// little beside it, then shares that stretch with the object exactly, as
// one edge of the noding, cut at its ends and nowhere inside, and a line
// passing a vertex of the object just inside passes through it, cutting
// off no piece narrower than the precision. One walk of the object's sides
// finds all three, each side asking only the line's segments filed near
// it; the points are put in as the contours are copied for the noding,
// once.
int TObjectCutByLine::Weld(int mode) {
  const double step = std::max(Precision, GEOMETRY_PRECISION);
  const double hair2 = 0.25 * step * step;
  const double reach = 1.5 * std::sqrt(2.0) * step, reach2 = reach * reach;
  // The line, and the object's contours the cut nodes (mode 0 the outer
  // one, mode 1 every one).
  LinePoints.Clear();
  ObjectPoints.Clear();
  if (!geomwork::ReadContour(Line, 0, ReadPoints, &ReadHeights)) return 0;
  LinePoints.Append(ReadPoints, ReadHeights);
  if (!geomwork::ForEachContour(Data2, ReadPoints, ReadHeights,
                                [&](int c, const std::vector<DOUBLEPOINT>& p,
                                    const std::vector<double>& h) {
                                  if (mode == 1 || c == 0) ObjectPoints.Append(p, h);
                                }))
    return 0;
  std::vector<DOUBLEPOINT>& line = LinePoints.p;
  const int count = static_cast<int>(line.size());
  if (count < 2) return 1;
  // The line's segments filed in about as many cells as the object has
  // sides, so that most sides find none near them.
  if (!LineIndex.Build(line.data(), count, std::min<size_t>(ObjectPoints.p.size(), 262144)))
    return 0;
  const auto dist2 = [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y);
  };
  const auto along = [](const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, l2 = dx * dx + dy * dy;
    return l2 > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l2 : 0.0;
  };
  // For each vertex of the line, the nearest vertex of the object and the
  // nearest foot on a side (contour, side, along, foot, the line's vertex);
  // the vertices of the object within reach of a segment of the line
  // (segment, along, point).
  WeldMove.resize(line.size());
  WeldNear.assign(line.size(), 2.0 * reach2);
  WeldFoot.assign(line.size(), WeldPoint{-1, -1, 0.0, {}, -1});
  WeldFootNear.assign(line.size(), 2.0 * reach2);
  WeldObject.clear();
  WeldInLine.clear();
  const auto side = [&](int c, int i, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    LineIndex.ForSegmentsNear(a, b, reach, [&](int s) {
      const DOUBLEPOINT& p = line[size_t(s)];
      const DOUBLEPOINT& q = line[size_t(s) + 1];
      // A side wholly on one side of the segment's line, beyond reach of
      // it, meets nothing.
      const double dx = q.X - p.X, dy = q.Y - p.Y;
      const double ca = dx * (a.Y - p.Y) - dy * (a.X - p.X);
      const double cb = dx * (b.Y - p.Y) - dy * (b.X - p.X);
      const double far2 = reach2 * (dx * dx + dy * dy);
      if ((ca > 0.0) == (cb > 0.0) && ca * ca > far2 && cb * cb > far2) return;
      for (const int j : {s, s + 1}) {
        const DOUBLEPOINT& v = line[size_t(j)];
        for (const DOUBLEPOINT* w : {&a, &b}) {
          const double d2 = dist2(v, *w);
          if (d2 < WeldNear[size_t(j)]) WeldNear[size_t(j)] = d2, WeldMove[size_t(j)] = *w;
        }
        const double t = i >= 0 ? along(v, a, b) : 0.0;
        if (t <= 0.0 || t >= 1.0) continue;
        const DOUBLEPOINT foot{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
        const double d2 = dist2(v, foot);
        if (d2 < WeldFootNear[size_t(j)])
          WeldFootNear[size_t(j)] = d2, WeldFoot[size_t(j)] = WeldPoint{c, i, t, foot, j};
      }
      for (const DOUBLEPOINT* w : {&a, &b}) {
        const double t = along(*w, p, q);
        if (t > 0.0 && t < 1.0 && segmentgrid::Dist2Segment(*w, p, q) <= reach2)
          WeldInLine.push_back({0, s, t, *w, -1});
      }
    });
  };
  for (int c = 0; c < ObjectPoints.Size(); ++c) {
    const DOUBLEPOINT* p = ObjectPoints.First(c);
    const int n = ObjectPoints.Count(c);
    if (n == 1) side(c, -1, p[0], p[0]);
    for (int i = 0; i + 1 < n; ++i) side(c, i, p[i], p[i + 1]);
    if (mode == 1 && n > 1 && (p[0].X != p[n - 1].X || p[0].Y != p[n - 1].Y))
      side(c, n - 1, p[n - 1], p[0]);
  }
  // The vertices of the line within reach moved onto the object (a closed
  // line's first and last together). The foot is nearer than the vertex
  // (it lies on a side that vertex ends): the vertex is taken when the two
  // are a hair apart.
  const bool closed = line.front().X == line.back().X && line.front().Y == line.back().Y;
  for (int j = 0; j < count; ++j) {
    const double vertex = WeldNear[size_t(j)], foot = WeldFootNear[size_t(j)];
    if (vertex > reach2 && foot > reach2) continue;
    const bool onVertex = vertex <= reach2 && (vertex <= hair2 || vertex - foot <= hair2);
    const DOUBLEPOINT at = onVertex ? WeldMove[size_t(j)] : WeldFoot[size_t(j)].at;
    if (!onVertex) WeldObject.push_back(WeldFoot[size_t(j)]);
    line[size_t(j)] = at;
    if (closed && (j == 0 || j == count - 1)) line.front() = line.back() = at;
  }
  // A vertex of the object that an end of its segment of the line moved
  // onto is not put in again.
  std::erase_if(WeldInLine, [&](const WeldPoint& w) {
    const DOUBLEPOINT& p = line[size_t(w.side)];
    const DOUBLEPOINT& q = line[size_t(w.side) + 1];
    return (w.at.X == p.X && w.at.Y == p.Y) || (w.at.X == q.X && w.at.Y == q.Y);
  });
  ObjectPoints.Put(WeldObject, Merged);
  LinePoints.Put(WeldInLine, Merged);
  return 1;
}

void TObjectCutByLine::Contours::Clear() {
  p.clear();
  h.clear();
  start.assign(1, 0);
}

void TObjectCutByLine::Contours::Append(const std::vector<DOUBLEPOINT>& points,
                                        const std::vector<double>& heights) {
  p.insert(p.end(), points.begin(), points.end());
  h.insert(h.end(), heights.begin(), heights.end());
  start.push_back(p.size());
}

void TObjectCutByLine::Contours::Put(std::vector<WeldPoint>& points, Contours& work) {
  if (points.empty()) return;
  std::sort(points.begin(), points.end(), [](const WeldPoint& x, const WeldPoint& y) {
    if (x.contour != y.contour) return x.contour < y.contour;
    if (x.side != y.side) return x.side < y.side;
    return x.t < y.t;
  });
  work.Clear();
  size_t k = 0;
  for (int c = 0; c < Size(); ++c) {
    const size_t from = start[size_t(c)], to = start[size_t(c) + 1];
    for (size_t i = from; i < to; ++i) {
      work.p.push_back(p[i]);
      work.h.push_back(h[i]);
      // The points put into the side from point i on, each once.
      const size_t next = i + 1 < to ? i + 1 : from;
      for (; k < points.size() && points[k].contour == c && points[k].side == int(i - from); ++k) {
        const DOUBLEPOINT& at = points[k].at;
        if (at.X == work.p.back().X && at.Y == work.p.back().Y) continue;
        work.p.push_back(at);
        work.h.push_back(HeightOnSide(at, p[i], p[next], h[i], h[next]));
      }
    }
    work.start.push_back(work.p.size());
  }
  std::swap(*this, work);
}

// Point p put into contour `contour` of the metric after point `side`
// (counted from 0), with the height of the side there.
int TObjectCutByLine::PutOnSide(TDataEdit& m, int contour, int side, const DOUBLEPOINT& p) {
  const int n = m.PointCount(contour);
  DOUBLEPOINT a, b;
  if (!geomwork::PointOf(m, contour, side + 2 <= n ? side + 2 : 1, &b)) return 0;
  const double hb = m.HDouble();
  if (!geomwork::PointOf(m, contour, side + 1, &a)) return 0;
  const double ha = m.HDouble();
  if (!m.InsertPoint(p.X, p.Y)) return 0;
  const double h = HeightOnSide(p, a, b, ha, hb);
  if (m.DatDimension() && h != METRIC_NO_HEIGHT && m.GoPointSubject(side + 2, contour)) m.HDouble(h);
  return 1;
}

// An area is cut through the overlay of its contours and the line: the
// pieces are the faces inside it. A line that leaves it whole cuts
// nothing.
int TObjectCutByLine::Split() {
  Count = 0;
  if (!Noded(false)) return 0;
  if (Overlay.Pieces() < 2) return 0;
  Overlaid = 1;
  NextPiece = 0;
  Side = 1;
  Positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  return 1;
}

// The overlay of the welded line and object contours (the line as the
// caller gave it, extended: the clean-up of the crossing search takes away
// the vertices where a line turns back on itself, which shortens it).
int TObjectCutByLine::Noded(bool asLine) {
  Overlay.Start(Precision);
  Overlay.AddPoints(0, LinePoints.First(0), LinePoints.h.data(), LinePoints.p.size(),
                    TNodedOverlay::LINE, Line.DatDimension() != 0);
  Overlay.NextMetric();
  const bool heights = Data2.DatDimension() != 0;
  for (int c = 0; c < ObjectPoints.Size(); ++c)
    Overlay.AddPoints(c, ObjectPoints.First(c), ObjectPoints.h.data() + ObjectPoints.start[size_t(c)],
                      size_t(ObjectPoints.Count(c)), TNodedOverlay::SECOND, heights, asLine);
  Overlay.NextMetric();
  if (Overlay.Build(TNodedOverlay::SPLIT)) return 1;
  State = Overlay.State != 0 ? Overlay.State : MAPERR_MEMORY;
  Count = 0;
  return 0;
}

// Cut as a line, the object's contour is noded with the line: the pieces
// are its stretches (those along the faces the line cuts a closed one
// into, or between the points where the line meets an open one). Fewer
// than two is no cut.
int TObjectCutByLine::CutContour() {
  Count = 0;
  if (!Noded(true)) return 0;
  Positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  if (Overlay.CutContour(Positive) < 2) return 0;
  Overlaid = 2;
  NextPiece = 0;
  Side = 1;
  return 1;
}

int TObjectCutByLine::GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q,
                                    TDataEdit* object) {
  if (p == nullptr || q == nullptr || object == nullptr) return 1;
  return geomwork::InsideOf(*object, *q) && geomwork::InsideOf(*object, *p) ? 3 : 1;
}

int TObjectCutByLine::Through(const POINTCROSS& a, const POINTCROSS& b, TDataEdit* objectMetric,
                              TDataEdit* lineMetric) {
  // The start of the stretch: to the next crossing when both lie on one
  // segment, else to the line's next vertex (a stretch between two
  // crossings keeps to one side of the border, so its start tells).
  DOUBLEPOINT from{a.X, a.Y};
  DOUBLEPOINT to{b.X, b.Y};
  const bool oneSegment = a.First == b.First && a.Second == b.Second;
  if (!oneSegment) {
    if (lineMetric->GoPointSubject(a.Second, 0) == nullptr) return 0;
    to = DOUBLEPOINT{lineMetric->XDouble(), lineMetric->YDouble()};
  }
  if (from.X == to.X && from.Y == to.Y) return 0;
  const DOUBLEPOINT middle{(from.X + to.X) / 2.0, (from.Y + to.Y) / 2.0};
  DOUBLEPOINT p, q;
  if (!lineMetric->SeekPointNormalLine(&from, &to, &p, &q, 1.0, &middle)) return 0;
  return GetPlacePoint(&p, &q, objectMetric) == 3 ? 1 : 0;
}

void TObjectCutByLine::CorrectPointCross(POINTCROSS* line, POINTCROSS* object, int count,
                                         TDataEdit* objectMetric, TDataEdit* lineMetric) {
  if (line == nullptr || object == nullptr || count <= 0 || objectMetric == nullptr ||
      lineMetric == nullptr)
    return;
  // Stretch s runs from crossing s - 1 to crossing s; the ones before the
  // first and after the last crossing are never tested.
  Stretch.assign(size_t(count) + 1, -1);
  Partner.assign(size_t(count), -1);
  bool any = false;
  for (int s = 1; s < count; ++s) {
    if (line[s - 1].Kind != CROSS_TOUCH_INSIDE && line[s].Kind != CROSS_TOUCH_INSIDE) continue;
    Stretch[size_t(s)] = static_cast<signed char>(
        Through(line[s - 1], line[s], objectMetric, lineMetric));
    any = true;
  }
  if (!any) return;
  for (int k = 0; k < count; ++k) {
    if (Stretch[size_t(k)] < 0 && Stretch[size_t(k) + 1] < 0) continue;
    const int p = GetPointCrossEx(object, count, &line[k]);
    if (p >= count) return;  // a damaged pairing: leave every kind as it is
    Partner[size_t(k)] = p;
  }
  for (int k = 0; k < count; ++k) {
    if (Partner[size_t(k)] < 0) continue;
    const LONG kind = line[k].Kind;
    const bool before = Stretch[size_t(k)] >= 0 ? Stretch[size_t(k)] == 1
                                                : (kind == CROSS_EXIT || kind == CROSS_TOUCH_INSIDE);
    const bool after = Stretch[size_t(k) + 1] >= 0
                           ? Stretch[size_t(k) + 1] == 1
                           : (kind == CROSS_ENTRY || kind == CROSS_TOUCH_INSIDE);
    const LONG now = before && after ? CROSS_TOUCH_INSIDE
                     : before        ? CROSS_EXIT
                     : after         ? CROSS_ENTRY
                                     : CROSS_TOUCH_OUTSIDE;
    static const LONG partnerKind[5] = {0, CROSS_ENTRY, CROSS_EXIT, CROSS_TOUCH_OUTSIDE,
                                        CROSS_TOUCH_INSIDE};
    line[k].Kind = now;
    object[Partner[size_t(k)]].Kind = partnerKind[now];
  }
}

// The pieces on the left of the line where it first borders them, then
// those on its right; each turns the way the object's outer contour turns
// (stretches run along it).
TDataEdit* TObjectCutByLine::GetNextObject() {
  if (!Overlaid) return nullptr;
  const bool stretches = Overlaid == 2;
  const int count = stretches ? Overlay.Stretches() : Overlay.Pieces();
  for (; State == 0 && Side <= 2; ++Side, NextPiece = 0) {
    while (NextPiece < count) {
      const int k = NextPiece++;
      if ((stretches ? Overlay.StretchSide(k) : Overlay.PieceSide(k)) != Side) continue;
      if (!(stretches ? Overlay.WriteStretch(k, &Result, ResultKind)
                      : Overlay.WritePiece(k, &Result, ResultKind, Positive))) {
        State = MAPERR_MEMORY;
        return nullptr;
      }
      return &Result;
    }
  }
  return nullptr;
}
