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

// Where the extension of an end, the segment from e to x, first meets
// the contours: a side crossing it, a vertex within reach of it, or x
// within reach of a side; a vertex within reach of the first meeting is
// taken for it. None (contour -1) when it meets nothing.
Meeting Meet(TDataEdit& m, int mode, const DOUBLEPOINT& e, const DOUBLEPOINT& x, double reach) {
  const double dx = x.X - e.X, dy = x.Y - e.Y, l2 = dx * dx + dy * dy;
  const double reach2 = reach * reach;
  // The frame of the extension widened by the reach: sides apart from it
  // do not meet it.
  const double x0 = std::min(e.X, x.X) - reach, x1 = std::max(e.X, x.X) + reach;
  const double y0 = std::min(e.Y, x.Y) - reach, y1 = std::max(e.Y, x.Y) + reach;
  Meeting side, vertex;
  side.t = vertex.t = 2.0;
  if (l2 <= 0.0) return side;
  ForEachSide(m, mode, [&](int c, int i, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    if (std::max(a.X, b.X) < x0 || std::min(a.X, b.X) > x1 || std::max(a.Y, b.Y) < y0 ||
        std::min(a.Y, b.Y) > y1)
      return;
    for (const DOUBLEPOINT* v : {&a, &b}) {
      if (segmentgrid::Dist2Segment(*v, e, x) > reach2) continue;
      const double t = std::clamp(((v->X - e.X) * dx + (v->Y - e.Y) * dy) / l2, 0.0, 1.0);
      if (t < vertex.t) vertex = Meeting{c, i, true, *v, t};
    }
    if (i < 0) return;
    const double o1 = Cross(e, x, a), o2 = Cross(e, x, b);
    const double o3 = Cross(a, b, e), o4 = Cross(a, b, x);
    if (o1 * o2 < 0.0 && o3 * o4 < 0.0) {
      const double t = o3 / (o3 - o4);
      if (t < side.t) side = Meeting{c, i, false, {e.X + t * dx, e.Y + t * dy}, t};
    } else if (side.t > 1.0 && segmentgrid::Dist2Segment(x, a, b) <= reach2) {
      side = Meeting{c, i, false, x, 1.0};
    }
  });
  const double l = std::sqrt(l2);
  return vertex.contour >= 0 && vertex.t * l <= side.t * l + reach ? vertex : side;
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
  if (!InDoubles(Line) || !InDoubles(Data2) || !Weld(mode, !IsClosed(Line))) {
    State = MAPERR_MEMORY;
    Count = 0;
    return 0;
  }
  if (mode == 1) return Split();
  return CutContour();
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

// The line and the object are made to pass the same points where they
// come within the reach of the noding's snapping of each other, so that a
// stretch the line runs along the object is one edge of the noding, cut
// at its ends and nowhere inside, and no piece narrower than the
// precision is left between them. The noding rounds every point to the
// grid of the precision and leads a rounded segment through the pixel of
// a rounded point it passes, so a point and a segment up to 1.5 steps
// apart in X and in Y may come to meet, and those farther apart never
// do. Within that reach, a vertex of the line and one of the object
// beside a segment of the other are each decided once:
// - taken alone when it lies within 1.5 steps of the other (a cutter's
//   vertex just inside a sharp vertex of the object, a line ending a
//   little short of it), or when the noding would join it to the other;
// - taken with its run otherwise: a run is a stretch of such vertices one
//   after another along the line, each beside the same side of the object
//   as the next or beside its ends, so that the line keeps within the
//   reach between them; the noding joins a run somewhere or nowhere, and
//   a run joined somewhere is taken whole (a line running beside a long
//   border just beyond the weld's own reach shares it all or none of it).
// What the weld does not take the noding does not join: a line passing
// 1.8 steps beside a side is not cut there. A vertex of the line taken
// moves onto the object: onto a vertex within a hair (half a step) of it,
// or whose side's foot lies within the reach of that vertex, else onto
// the foot of the nearest side, which is put into the side (the object
// keeps its shape); a vertex of the object taken is put into the line.
// An open line's end that is not taken goes on along its last side, by at
// most 2.0, to where that first meets the object (within a hair), and is
// then decided again where it stands: each end meets the object once.
// The contours are copied for the noding with the points put in, once.
int TObjectCutByLine::Weld(int mode, bool open) {
  LinePoints.Clear();
  ObjectPoints.Clear();
  WeldObject.clear();
  WeldInLine.clear();
  Contacts.clear();
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
  if (!Decide(mode)) return 0;
  if (open) {
    const double hair = 0.5 * std::max(Precision, GEOMETRY_PRECISION);
    bool extended = false;
    for (const bool last : {true, false}) {
      const int j = last ? count - 1 : 0, base = last ? count - 2 : 1;
      if (Taken[size_t(j)]) continue;
      const DOUBLEPOINT e = line[size_t(j)], b = line[size_t(base)];
      // The extension runs on as the line's last side, unless that is too
      // short to show the way.
      const double dx = e.X - b.X, dy = e.Y - b.Y;
      if (std::fabs(dx) <= GEOMETRY_PRECISION && std::fabs(dy) <= GEOMETRY_PRECISION) continue;
      const double k = 2.0 / std::hypot(dx, dy);
      const Meeting m = Meet(Data2, mode, e, DOUBLEPOINT{e.X + dx * k, e.Y + dy * k}, hair);
      if (m.contour < 0) continue;
      line[size_t(j)] = m.at;
      extended = true;
    }
    if (extended && !Decide(mode)) return 0;
  }
  Apply();
  return 1;
}

int TObjectCutByLine::Decide(int mode) {
  const double step = std::max(Precision, GEOMETRY_PRECISION);
  const double reach = 1.5 * step, reach2 = reach * reach;
  const double outer = 1.5 * std::sqrt(2.0) * step, outer2 = outer * outer;
  const std::vector<DOUBLEPOINT>& line = LinePoints.p;
  const int count = static_cast<int>(line.size());
  // The line's segments filed in about as many cells as the object has
  // sides, so that most sides find none near them.
  if (!LineIndex.Build(line.data(), count, std::min<size_t>(ObjectPoints.p.size(), 262144)))
    return 0;
  // Grid points as the noding rounds them, counted from the line's first
  // one; a point too far out for the grid is joined by nothing.
  const TNodedPlane::Rounding grid(step);
  int64_t ox = 0, oy = 0;
  const bool origin = grid.Of(line[0].X, &ox) && grid.Of(line[0].Y, &oy);
  const auto keyOf = [&](const DOUBLEPOINT& p, TNodedPlane::Key* k) {
    int64_t x = 0, y = 0;
    if (!origin || !(std::fabs(p.X - line[0].X) < 1e15 * step) ||
        !(std::fabs(p.Y - line[0].Y) < 1e15 * step) || !grid.Of(p.X, &x) || !grid.Of(p.Y, &y))
      return false;
    *k = TNodedPlane::Key{x - ox, y - oy};
    return true;
  };
  LineKeys.resize(line.size());
  LineKeyed.resize(line.size());
  for (size_t j = 0; j < line.size(); ++j) LineKeyed[j] = keyOf(line[j], &LineKeys[j]) ? 1 : 0;
  const auto dist2 = [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y);
  };
  const auto along = [](const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, l2 = dx * dx + dy * dy;
    return l2 > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l2 : 0.0;
  };
  // For each vertex of the line, the nearest vertex of the object and the
  // nearest foot on a side, and whether the noding joins it to a side; the
  // vertices of the object beside a segment of the line.
  WeldMove.resize(line.size());
  WeldNear.assign(line.size(), 2.0 * outer2);
  NearVertex.assign(2 * line.size(), -1);
  WeldFoot.assign(line.size(), WeldPoint{-1, -1, 0.0, {}, -1});
  WeldFootNear.assign(line.size(), 2.0 * outer2);
  Joined.assign(line.size(), 0);
  Contacts.clear();
  const auto side = [&](int c, int i, const DOUBLEPOINT& a, const DOUBLEPOINT& b, int ia, int ib) {
    TNodedPlane::Key ka{}, kb{};
    const bool keyed = keyOf(a, &ka) && keyOf(b, &kb);
    LineIndex.ForSegmentsNear(a, b, outer, [&](int s) {
      const DOUBLEPOINT& p = line[size_t(s)];
      const DOUBLEPOINT& q = line[size_t(s) + 1];
      // A side wholly on one side of the segment's line, beyond reach of
      // it, meets nothing.
      const double dx = q.X - p.X, dy = q.Y - p.Y;
      const double ca = dx * (a.Y - p.Y) - dy * (a.X - p.X);
      const double cb = dx * (b.Y - p.Y) - dy * (b.X - p.X);
      const double far2 = outer2 * (dx * dx + dy * dy);
      if ((ca > 0.0) == (cb > 0.0) && ca * ca > far2 && cb * cb > far2) return;
      for (const int j : {s, s + 1}) {
        const DOUBLEPOINT& v = line[size_t(j)];
        for (const int w : {0, 1}) {
          const double d2 = dist2(v, w ? b : a);
          if (d2 < WeldNear[size_t(j)]) {
            WeldNear[size_t(j)] = d2;
            WeldMove[size_t(j)] = w ? b : a;
            NearVertex[2 * size_t(j)] = c;
            NearVertex[2 * size_t(j) + 1] = w ? ib : ia;
          }
        }
        if (!Joined[size_t(j)] && keyed && LineKeyed[size_t(j)] &&
            TNodedPlane::SegmentMeetsPixel(ka, kb, LineKeys[size_t(j)]))
          Joined[size_t(j)] = 1;
        const double t = i >= 0 ? along(v, a, b) : 0.0;
        if (t <= 0.0 || t >= 1.0) continue;
        const DOUBLEPOINT foot{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
        const double d2 = dist2(v, foot);
        if (d2 < WeldFootNear[size_t(j)])
          WeldFootNear[size_t(j)] = d2, WeldFoot[size_t(j)] = WeldPoint{c, i, t, foot, j};
      }
      for (const int w : {0, 1}) {
        const DOUBLEPOINT& o = w ? b : a;
        const double t = along(o, p, q);
        const double d2 = segmentgrid::Dist2Segment(o, p, q);
        if (t <= 0.0 || t >= 1.0 || d2 > outer2) continue;
        TNodedPlane::Key ko{};
        const bool joined = d2 <= reach2 || (LineKeyed[size_t(s)] && LineKeyed[size_t(s) + 1] &&
                                             keyOf(o, &ko) &&
                                             TNodedPlane::SegmentMeetsPixel(
                                                 LineKeys[size_t(s)], LineKeys[size_t(s) + 1], ko));
        Contacts.push_back(Contact{s, t, o, c, w ? ib : ia, joined});
      }
    });
  };
  // Vertex numbers of contour c: a closed contour's last point is its
  // first; the side from point i ends at Next(c, i).
  const auto closedContour = [&](int c) {
    const DOUBLEPOINT* p = ObjectPoints.First(c);
    const int n = ObjectPoints.Count(c);
    return n > 1 && p[0].X == p[n - 1].X && p[0].Y == p[n - 1].Y;
  };
  const auto vertices = [&](int c) {
    const int n = ObjectPoints.Count(c);
    return closedContour(c) ? n - 1 : n;
  };
  const auto next = [&](int c, int i) {
    const int m = vertices(c);
    return (closedContour(c) || mode == 1) && m > 0 ? (i + 1) % m : i + 1;
  };
  for (int c = 0; c < ObjectPoints.Size(); ++c) {
    const DOUBLEPOINT* p = ObjectPoints.First(c);
    const int n = ObjectPoints.Count(c);
    if (n == 1) side(c, -1, p[0], p[0], 0, 0);
    for (int i = 0; i + 1 < n; ++i) side(c, i, p[i], p[i + 1], i, next(c, i));
    if (mode == 1 && n > 1 && !closedContour(c)) side(c, n - 1, p[n - 1], p[0], n - 1, 0);
  }
  std::sort(Contacts.begin(), Contacts.end(), [](const Contact& x, const Contact& y) {
    if (x.segment != y.segment) return x.segment < y.segment;
    if (x.t != y.t) return x.t < y.t;
    return x.contour != y.contour ? x.contour < y.contour : x.vertex < y.vertex;
  });
  Contacts.erase(std::unique(Contacts.begin(), Contacts.end(),
                             [](const Contact& x, const Contact& y) {
                               return x.segment == y.segment && x.contour == y.contour &&
                                      x.vertex == y.vertex;
                             }),
                 Contacts.end());
  // What a contact lies beside: a vertex (contour, number) and a side.
  struct Beside {
    int vc = -1, v = -1, sc = -1, s = -1;
  };
  const auto ofVertex = [&](int j) {
    Beside f;
    if (WeldNear[size_t(j)] <= outer2)
      f.vc = NearVertex[2 * size_t(j)], f.v = NearVertex[2 * size_t(j) + 1];
    if (WeldFootNear[size_t(j)] <= outer2)
      f.sc = WeldFoot[size_t(j)].contour, f.s = WeldFoot[size_t(j)].side;
    return f;
  };
  // Two contacts one after the other along the line keep within the reach
  // between them when what they lie beside runs straight from one to the
  // other: one side, a side and its end, one vertex, or the two ends of a
  // side.
  const auto linked = [&](const Beside& x, const Beside& y) {
    if (x.vc >= 0 && x.vc == y.vc &&
        (x.v == y.v || next(x.vc, x.v) == y.v || next(y.vc, y.v) == x.v))
      return true;
    if (x.sc >= 0 && x.sc == y.sc && x.s == y.s) return true;
    const auto ends = [&](const Beside& f, const Beside& g) {
      return f.sc >= 0 && f.sc == g.vc && (g.v == f.s || g.v == next(f.sc, f.s));
    };
    return ends(x, y) || ends(y, x);
  };
  // Runs along the line: contacts 0 .. count - 1 are the line's vertices,
  // count + k contact k; each the root of its run (followed up Run).
  const size_t items = line.size() + Contacts.size();
  Run.resize(items);
  for (size_t k = 0; k < items; ++k) Run[k] = static_cast<int>(k);
  const auto root = [&](int k) {
    while (Run[size_t(k)] != k) k = Run[size_t(k)] = Run[size_t(Run[size_t(k)])];
    return k;
  };
  const auto join = [&](int a, int b) { Run[size_t(root(a))] = root(b); };
  const auto isContact = [&](int j) {
    return std::min(WeldNear[size_t(j)], WeldFootNear[size_t(j)]) <= outer2;
  };
  int previous = -1;
  Beside before;
  size_t k = 0;
  for (int j = 0; j < count; ++j) {
    if (!isContact(j)) {
      previous = -1;
    } else {
      const Beside f = ofVertex(j);
      if (previous >= 0 && linked(before, f)) join(previous, j);
      previous = j, before = f;
    }
    for (; k < Contacts.size() && Contacts[k].segment == j; ++k) {
      const Beside f{Contacts[k].contour, Contacts[k].vertex, -1, -1};
      const int item = count + static_cast<int>(k);
      if (previous >= 0 && linked(before, f)) join(previous, item);
      previous = item, before = f;
    }
  }
  // A closed line's last vertex is its first.
  if (count > 2 && line.front().X == line.back().X && line.front().Y == line.back().Y &&
      isContact(0))
    join(0, count - 1);
  RunOf.assign(items, 0);
  for (int j = 0; j < count; ++j)
    if (isContact(j) && (Joined[size_t(j)] ||
                         std::min(WeldNear[size_t(j)], WeldFootNear[size_t(j)]) <= reach2))
      RunOf[size_t(root(j))] = 1;
  for (size_t c = 0; c < Contacts.size(); ++c)
    if (Contacts[c].joined) RunOf[size_t(root(count + static_cast<int>(c)))] = 1;
  Taken.assign(line.size(), 0);
  for (int j = 0; j < count; ++j) Taken[size_t(j)] = isContact(j) && RunOf[size_t(root(j))];
  for (size_t c = 0; c < Contacts.size(); ++c)
    Contacts[c].joined = RunOf[size_t(root(count + static_cast<int>(c)))] != 0;
  return 1;
}

void TObjectCutByLine::Apply() {
  const double step = std::max(Precision, GEOMETRY_PRECISION);
  const double hair2 = 0.25 * step * step, reach2 = 2.25 * step * step;
  std::vector<DOUBLEPOINT>& line = LinePoints.p;
  const int count = static_cast<int>(line.size());
  const auto dist2 = [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
    return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y);
  };
  // The vertices of the line taken move onto the object (a closed line's
  // first and last together). The foot is nearer than the vertex (it lies
  // on a side that vertex ends): the vertex is taken when the two are a
  // hair apart, or the foot within the reach of it.
  const bool closed = line.front().X == line.back().X && line.front().Y == line.back().Y;
  for (int j = 0; j < count; ++j) {
    if (!Taken[size_t(j)]) continue;
    const double vertex = WeldNear[size_t(j)], foot = WeldFootNear[size_t(j)];
    const bool hasFoot = WeldFoot[size_t(j)].contour >= 0;
    const bool onVertex = NearVertex[2 * size_t(j)] >= 0 &&
                          (!hasFoot || vertex <= hair2 || vertex - foot <= hair2 ||
                           dist2(WeldFoot[size_t(j)].at, WeldMove[size_t(j)]) <= reach2);
    if (!onVertex && !hasFoot) continue;
    const DOUBLEPOINT at = onVertex ? WeldMove[size_t(j)] : WeldFoot[size_t(j)].at;
    if (!onVertex) WeldObject.push_back(WeldFoot[size_t(j)]);
    line[size_t(j)] = at;
    if (closed && (j == 0 || j == count - 1)) line.front() = line.back() = at;
  }
  // A foot put into the object goes into the segments of the line running
  // through it too (a line running along the object past the point where
  // it ends on it), so that both pass it, as they pass every vertex of
  // the object taken. The segments moved by the outer reach at most since
  // they were filed.
  for (const WeldPoint& f : WeldObject)
    LineIndex.ForSegmentsNear(f.at, f.at, 1.5 * std::sqrt(2.0) * step + 0.5 * step, [&](int s) {
      const DOUBLEPOINT& p = line[size_t(s)];
      const DOUBLEPOINT& q = line[size_t(s) + 1];
      if ((f.at.X == p.X && f.at.Y == p.Y) || (f.at.X == q.X && f.at.Y == q.Y)) return;
      const double dx = q.X - p.X, dy = q.Y - p.Y, l2 = dx * dx + dy * dy;
      const double t = l2 > 0.0 ? ((f.at.X - p.X) * dx + (f.at.Y - p.Y) * dy) / l2 : 0.0;
      if (t > 0.0 && t < 1.0 && segmentgrid::Dist2Segment(f.at, p, q) <= hair2)
        WeldInLine.push_back(WeldPoint{0, s, t, f.at, -1});
    });
  // The vertices of the object taken are put into the line, unless an end
  // of their segment moved onto them.
  for (const Contact& c : Contacts) {
    if (!c.joined) continue;
    const DOUBLEPOINT& p = line[size_t(c.segment)];
    const DOUBLEPOINT& q = line[size_t(c.segment) + 1];
    if ((c.at.X == p.X && c.at.Y == p.Y) || (c.at.X == q.X && c.at.Y == q.Y)) continue;
    WeldInLine.push_back(WeldPoint{0, c.segment, c.t, c.at, -1});
  }
  ObjectPoints.Put(WeldObject, Merged);
  LinePoints.Put(WeldInLine, Merged);
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
    const int p = FindPartner(object, count, &line[k]);
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
