// Consent of two objects.
#include "geometry/objectconsent.h"

#include "geometry/workhelpers.h"
#include "objects/objectinfo.h"

TObjectConsent::TObjectConsent() {
  Line.Init();
  Area.Init();
}

TObjectConsent::~TObjectConsent() {
  Line.Free();
  Area.Free();
}

int TObjectConsent::LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int n,
                                double precision) {
  int result = 0;
  const auto load = [&](TDataEdit* a, TDataEdit* b) {
    return LoadObjects(a, b, mode, n, precision);
  };
  if (!geomwork::LoadPlaneMetrics(first, second, load, &result)) State = MAPERR_INPUT;
  return result;
}

int TObjectConsent::LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n,
                                double precision) {
  Count = 0;
  Overlaid = 0;
  Part = PartWhole = 0;
  Line.Free();
  Area.Free();
  // Areas: the first's holes are taken out of the pieces (through the
  // overlay, which cuts them into the pieces and keeps them inside them).
  CutHoles = 1;
  if (mode == 1) return TObjectCutSubject::LoadObjects(first, second, mode, n, precision);
  if (mode != 0 || first == nullptr || second == nullptr || first->Record == nullptr ||
      second->Record == nullptr || n < 0 || n > second->Record->Count) {
    State = MAPERR_INPUT;
    return 0;
  }
  State = 0;
  // Every part is cut in turn: a coordinate that is not a number in any
  // of them, or in the contour, refuses the whole.
  if (!CheckMetric(first) || !CheckMetric(second)) return 0;
  if (!ControlLocal(second, 0)) return 0;
  if (!Line.Load(first->Record, first->TextFlag) || !Area.Load(second->Record, 0)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  Mode = 0;
  AreaSubject = n;
  Asked = precision;
  LoadPart(0);
  if (Count > 0 || Line.Record->Count > 0) return 1;
  // A line of one part that does not cross the contour is not cut.
  PartWhole = 0;
  return 0;
}

int TObjectConsent::LoadPart(int part) {
  Part = part;
  PartWhole = 0;
  Count = 0;
  Overlaid = 0;
  if (Line.Record == nullptr || part > Line.Record->Count) return 0;
  FirstRun = 1;
  if (TPointCross::LoadObjects(&Line, &Area, 0, AreaSubject, part, Asked) && Count > 0)
    return LoadStretches();
  // Nothing to cut at: the part lies wholly on one side of the border.
  Count = 0;
  if (State != 0 && State != 1) return 0;
  State = 0;
  PartWhole = PartOutside(part);
  return PartWhole;
}

// A part that meets the contour is cut through the noding of the two: its
// stretches outside are handed out in order along it. One that lies
// outside all along (touching it from outside) is whole.
int TObjectConsent::LoadStretches() {
  Count = 0;
  if (!MakeOverlay(Overlay, Data1, 0, TNodedOverlay::LINE, 0, TNodedOverlay::SECOND,
                   TNodedOverlay::SPLIT))
    return 0;
  int whole = 0;
  Count = Overlay.LineStretches(false, &whole);
  if (whole) {
    Count = 0;
    PartWhole = 1;
    return 1;
  }
  Overlaid = 2;
  NextPiece = 0;
  return Count > 0 ? 1 : 0;
}

int TObjectConsent::PartOutside(int part) {
  const int n = Line.PointCount(part);
  DOUBLEPOINT previous{0.0, 0.0};
  for (int i = 1; i <= n; ++i) {
    if (Line.GoPointSubject(i, part) == nullptr) return 0;
    const DOUBLEPOINT p{Line.XDouble(), Line.YDouble()};
    DOUBLEPOINT tests[2] = {p, p};
    if (i > 1) tests[1] = DOUBLEPOINT{(p.X + previous.X) / 2.0, (p.Y + previous.Y) / 2.0};
    previous = p;
    for (const DOUBLEPOINT& t : tests) {
      const int r = Area.Inside(&t, AreaSubject);
      if (r == 1) return 0;
      if (r == 2) return 1;
    }
  }
  return 0;
}

// Areas: the overlay's pieces, with their holes, or those traced from the
// crossings of contours that only cross (and have no holes).
TDataEdit* TObjectConsent::GetNextObject() {
  return Mode == 0 ? NextLine() : TObjectCutSubject::GetNextObject();
}

TDataEdit* TObjectConsent::NextLine() {
  if (Line.Record == nullptr) return nullptr;
  const int parts = Line.Record->Count;
  // Each round hands out a piece or moves to the next part.
  while (Part <= parts) {
    if (PartWhole) {
      PartWhole = 0;
      if (Result.LoadSubject(&Line, Part) && Result.PointCount(0) >= 2) return &Result;
    }
    if (Overlaid == 2 && NextPiece < Overlay.Stretches()) {
      if (!Overlay.WriteStretch(NextPiece++, &Result, ResultKind)) {
        State = MAPERR_MEMORY;
        return nullptr;
      }
      return &Result;
    }
    if (Part == parts) {
      ++Part;
      break;
    }
    LoadPart(Part + 1);
  }
  Count = 0;
  return nullptr;
}
