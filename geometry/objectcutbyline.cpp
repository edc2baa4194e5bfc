// Cutting by a line.
#include "geometry/objectcutbyline.h"

#include <algorithm>

#include "geometry/segmentgrid.h"
#include "geometry/workhelpers.h"
#include "objects/objectinfo.h"

namespace {

bool IsClosed(TDataEdit& m) {
  const int n = m.PointCount(0);
  if (n < 4 || m.GoPointSubject(1, 0) == nullptr) return false;
  const double x = m.XDouble(), y = m.YDouble();
  if (m.GoPointSubject(n, 0) == nullptr) return false;
  return m.XDouble() == x && m.YDouble() == y;
}

// Whether p lies within d of the polyline.
bool PolylineNear(const std::vector<DOUBLEPOINT>& line, const DOUBLEPOINT& p, double d) {
  const double d2 = d * d;
  if (line.size() == 1) return segmentgrid::Dist2Segment(p, line[0], line[0]) <= d2;
  for (size_t i = 0; i + 1 < line.size(); ++i)
    if (segmentgrid::Dist2Segment(p, line[i], line[i + 1]) <= d2) return true;
  return false;
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
  Lengthened = 0;
  if (!IsClosed(Line) && !Extend(object, mode, n, precision)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  TPointCross::LoadObjects(&Line, object, mode, n, 0, precision);
  if (State != 0) return 0;
  if (mode == 1 && n > 0 && !ControlLocal(&Data2, mode)) {
    Count = 0;
    return 0;
  }
  if (mode == 1) return Split();
  return CutContour();
}

// The working line extended by 2.0 at both ends, its own end points kept
// as vertices next to the new ones: its end segments stay exactly where
// the caller's are, so that an object running along one is noded along it
// and not a hair beside it. An open object cut as a line is cut where the
// caller's line meets it: an end lying on it (within half the precision,
// where the noding puts it on the object) is not extended, so that an
// extension running along the object neither cuts it again nor bends it.
int TObjectCutByLine::Extend(TDataEdit* object, int mode, int n, double precision) {
  const int count = Line.PointCount(0);
  DOUBLEPOINT first, last;
  double h1 = METRIC_NO_HEIGHT, h2 = METRIC_NO_HEIGHT;
  if (count < 2 || !Line.GoPointSubject(1, 0)) return 1;
  first = DOUBLEPOINT{Line.XDouble(), Line.YDouble()};
  h1 = Line.HDouble();
  if (!Line.GoPointSubject(count, 0)) return 1;
  last = DOUBLEPOINT{Line.XDouble(), Line.YDouble()};
  h2 = Line.HDouble();
  int ends = 3;
  if (mode == 0 && !object->GetExclusiveSubject(n) &&
      geomwork::ReadContour(*object, n, ObjectPoints, nullptr)) {
    const double near = 0.5 * std::max(precision, GEOMETRY_PRECISION);
    if (PolylineNear(ObjectPoints, first, near)) ends &= ~1;
    if (PolylineNear(ObjectPoints, last, near)) ends &= ~2;
  }
  if (ends == 0 || !DragPoints(&Line, 2.0, 0)) return 1;
  const auto keep = [this](int after, const DOUBLEPOINT& p, double h) {
    if (!Line.GoPointSubject(after, 0) || !Line.InsertPoint(p.X, p.Y)) return false;
    if (h != METRIC_NO_HEIGHT && Line.GoPointSubject(after + 1, 0)) Line.HDouble(h);
    return true;
  };
  // An end left where it was.
  const auto put = [this](int at, const DOUBLEPOINT& p) {
    if (!Line.GoPointSubject(at, 0)) return false;
    Line.XDouble(p.X);
    Line.YDouble(p.Y);
    return true;
  };
  const bool done = ((ends & 1) ? keep(1, first, h1) : put(1, first)) &&
                    ((ends & 2) ? keep((ends & 1) ? count : count - 1, last, h2)
                                : put((ends & 1) ? count + 1 : count, last));
  if (!done) return 0;
  Lengthened = ends;
  return 1;
}

// An area is cut through the overlay of its contours and the line: the
// pieces are the faces inside it. A line that leaves it whole cuts
// nothing.
int TObjectCutByLine::Split() {
  Count = 0;
  // The extended line as given: the clean-up of the crossing search takes
  // away the vertices where a line turns back on itself, which shortens it.
  if (!MakeOverlay(Overlay, Line, 0, TNodedOverlay::LINE, -1, TNodedOverlay::SECOND,
                   TNodedOverlay::SPLIT))
    return 0;
  if (Overlay.Pieces() < 2) return 0;
  Overlaid = 1;
  NextPiece = 0;
  Side = 1;
  return 1;
}

// Cut as a line, the object's contour is noded with the line: the pieces
// are its stretches (those along the faces the line cuts a closed one
// into, or between the points where the caller's line meets an open one,
// its lengthening counting only where an end of it meets nothing). Fewer
// than two is no cut.
int TObjectCutByLine::CutContour() {
  Count = 0;
  if (!MakeOverlay(Overlay, Line, 0, TNodedOverlay::LINE, 0, TNodedOverlay::SECOND,
                   TNodedOverlay::SPLIT, true))
    return 0;
  if (Overlay.CutContour(Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0, Lengthened) < 2) return 0;
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
  const int positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  const bool stretches = Overlaid == 2;
  const int count = stretches ? Overlay.Stretches() : Overlay.Pieces();
  for (; State == 0 && Side <= 2; ++Side, NextPiece = 0) {
    while (NextPiece < count) {
      const int k = NextPiece++;
      if ((stretches ? Overlay.StretchSide(k) : Overlay.PieceSide(k)) != Side) continue;
      if (!(stretches ? Overlay.WriteStretch(k, &Result, ResultKind)
                      : Overlay.WritePiece(k, &Result, ResultKind, positive))) {
        State = MAPERR_MEMORY;
        return nullptr;
      }
      return &Result;
    }
  }
  return nullptr;
}
