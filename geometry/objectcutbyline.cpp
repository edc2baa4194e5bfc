// Cutting by a line.
#include "geometry/objectcutbyline.h"

#include <cstring>

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
  Phase = 0;
  Overlaid = 0;
  LineKinds.clear();
  ObjectKinds.clear();
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
  if (!IsClosed(Line)) DragPoints(&Line, 2.0, 0);
  const int loaded = TPointCross::LoadObjects(&Line, object, mode, n, 0, precision);
  if (State != 0) return 0;
  if (mode == 1 && n > 0 && !ControlLocal(&Data2, mode)) {
    Count = 0;
    return 0;
  }
  if (mode == 1) return Split();
  if (!loaded) return 0;
  return SetInside();
}

// An area is cut through the overlay of its contours and the line: the
// pieces are the faces inside it. A line that leaves it whole cuts
// nothing.
int TObjectCutByLine::Split() {
  Count = 0;
  Overlay.Start(Precision);
  // The extended line as given: the clean-up of the crossing search takes
  // away the vertices where a line turns back on itself, which shortens it.
  if (!Overlay.Add(Line, 0, TNodedOverlay::LINE) ||
      !Overlay.Add(Data2, -1, TNodedOverlay::SECOND) || !Overlay.Build(TNodedOverlay::SPLIT)) {
    State = Overlay.State != 0 ? Overlay.State : MAPERR_MEMORY;
    return 0;
  }
  if (Overlay.Pieces() < 2) return 0;
  Overlaid = 1;
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

void TObjectCutByLine::RemoveLineCrossing(int k) {
  const int p = GetPointCrossEx(Cross2, Count, &Cross1[k]);
  if (p < Count)
    std::memmove(Cross2 + p, Cross2 + p + 1, size_t(Count - p - 1) * sizeof(POINTCROSS));
  std::memmove(Cross1 + k, Cross1 + k + 1, size_t(Count - k - 1) * sizeof(POINTCROSS));
  --Count;
}

int TObjectCutByLine::SetInside() {
  if (State != 0 || Count == 0) return 0;
  if (IsClosed(Data2)) {
    for (int k = 0; k < Count; ++k)
      GetInsidePointCross(&Data1, &Data2, Cross2, Cross1, 0, Count, k, 0, 0);
    if (IsClosed(Data1))
      for (int k = 0; k < Count; ++k)
        GetInsidePointCross(&Data2, &Data1, Cross1, Cross2, 0, Count, k, 0, 0);
    CorrectPointCross(Cross1, Cross2, Count, &Data2, &Data1);
    // Touches do not cut.
    for (int k = Count - 1; k >= 0; --k)
      if (Cross1[k].Kind == CROSS_TOUCH_INSIDE || Cross1[k].Kind == CROSS_TOUCH_OUTSIDE)
        RemoveLineCrossing(k);
    // Where the line starts or ends inside the object it cuts nothing.
    while (Count > 0 && Cross1[0].Kind == CROSS_EXIT) RemoveLineCrossing(0);
    while (Count > 0 && Cross1[Count - 1].Kind == CROSS_ENTRY) RemoveLineCrossing(Count - 1);
  } else {
    for (int k = 0; k < Count; ++k) Cross1[k].Kind = Cross2[k].Kind = CROSS_TOUCH_INSIDE;
  }
  LineKinds.resize(size_t(Count));
  ObjectKinds.resize(size_t(Count));
  for (int k = 0; k < Count; ++k) {
    LineKinds[size_t(k)] = Cross1[k].Kind;
    ObjectKinds[size_t(k)] = Cross2[k].Kind;
    Cross1[k].Position = Cross2[k].Position = 0;
  }
  Phase = 1;
  return Count > 0 ? 1 : 0;
}

void TObjectCutByLine::RestoreKinds(int exchange) {
  for (int k = 0; k < Count; ++k) {
    Cross1[k].Kind = LineKinds[size_t(k)];
    LONG kind = ObjectKinds[size_t(k)];
    if (exchange && (kind == CROSS_EXIT || kind == CROSS_ENTRY)) kind = 3 - kind;
    Cross2[k].Kind = kind;
    Cross1[k].Position = Cross2[k].Position = 0;
  }
}

TDataEdit* TObjectCutByLine::TraceLine() {
  for (int guard = 0; guard <= Count + 1; ++guard) {
    if (!Result.Create(ResultKind, 0)) return nullptr;
    if (!CollectorOneObject(&Result, 0, 2)) return nullptr;
    Result.DeleteEqualPoint(Precision, 0);
    if (Result.PointCount(0) >= 2) {
      if (Reverse) Result.ChangeDirection(0);
      return &Result;
    }
  }
  return nullptr;
}

TDataEdit* TObjectCutByLine::GetNextObject() {
  if (Overlaid) return GetNextOverlaid();
  for (int pass = 0; pass < 2; ++pass) {
    if (State != 0 || Count == 0) return nullptr;
    if (TDataEdit* piece = TraceLine()) return piece;
    if (Phase != 1 || State != 0) return nullptr;
    // The other side of the line.
    Phase = 0;
    RestoreKinds(IsClosed(Data2) ? 1 : 0);
  }
  return nullptr;
}

// The pieces on the left of the line where it first borders them, then
// those on its right; each turns the way the object's outer contour turns.
TDataEdit* TObjectCutByLine::GetNextOverlaid() {
  const int positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  for (; State == 0 && Side <= 2; ++Side, NextPiece = 0) {
    while (NextPiece < Overlay.Pieces()) {
      const int k = NextPiece++;
      if (Overlay.PieceSide(k) != Side) continue;
      if (!Overlay.WritePiece(k, &Result, ResultKind, positive)) {
        State = MAPERR_MEMORY;
        return nullptr;
      }
      return &Result;
    }
  }
  return nullptr;
}
