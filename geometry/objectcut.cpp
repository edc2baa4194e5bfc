// Cutting by an object: classification of the crossings for a cut, area
// pieces cut by the holes that cross them, line pieces gathered as parts.
#include "geometry/objectcut.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/workhelpers.h"
#include "objects/objectinfo.h"

namespace {

using namespace geomwork;

// Removes record ia of a and record ib of b.
void RemovePair(POINTCROSS* a, int ia, POINTCROSS* b, int ib, int* count) {
  const int n = *count;
  std::memmove(a + ia, a + ia + 1, static_cast<size_t>(n - ia - 1) * sizeof(POINTCROSS));
  std::memmove(b + ib, b + ib + 1, static_cast<size_t>(n - ib - 1) * sizeof(POINTCROSS));
  *count = n - 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// TObjectCutSubject

TObjectCutSubject::TObjectCutSubject(TObjectInfo* first, TObjectInfo* second, int mode, int n,
                                     double precision) {
  LoadObjects(first, second, mode, n, precision);
}

TObjectCutSubject::TObjectCutSubject(TDataEdit* first, TDataEdit* second, int mode, int n,
                                     double precision) {
  LoadObjects(first, second, mode, n, precision);
}

int TObjectCutSubject::LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int n,
                                   double precision) {
  if (first == nullptr || second == nullptr || first->Metric.Record == nullptr ||
      second->Metric.Record == nullptr) {
    State = MAPERR_INPUT;
    return 0;
  }
  Overlaid = 0;
  if (!ControlLocal(mode == 0 ? &second->Metric : &first->Metric, mode)) return 0;
  if (!TPointCross::LoadObjects(first, second, mode, n, 0, precision)) return Degenerate(mode);
  return Prepare(mode);
}

int TObjectCutSubject::LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n,
                                   double precision) {
  if (first == nullptr || second == nullptr || first->Record == nullptr ||
      second->Record == nullptr) {
    State = MAPERR_INPUT;
    return 0;
  }
  Overlaid = 0;
  if (!ControlLocal(mode == 0 ? second : first, mode)) return 0;
  FirstRun = 1;
  if (!TPointCross::LoadObjects(first, second, mode, n, 0, precision)) return Degenerate(mode);
  return Prepare(mode);
}

// A contour of the second with no area (fewer than four points, or
// narrower than the precision all along) takes nothing from the first:
// the overlay, which snaps it to the precision's grid, hands the first out
// whole, whether it crosses the first or not.
bool TObjectCutSubject::NoArea() {
  std::vector<DOUBLEPOINT> p;
  if (Data2.Record == nullptr || !ReadContour(Data2, 0, p, nullptr)) return false;
  if (p.size() < 4) return true;
  double perimeter = 0.0;
  for (size_t i = 1; i < p.size(); ++i)
    perimeter += std::hypot(p[i].X - p[i - 1].X, p[i].Y - p[i - 1].Y);
  return 2.0 * std::fabs(Data2.SquareSubject(0)) <= Precision * perimeter;
}

int TObjectCutSubject::Degenerate(int mode) {
  if (mode != 1 || State != 0 || Data1.Record == nullptr || !NoArea()) return 0;
  Count = 0;
  return TakeOverlay();
}

int TObjectCutSubject::Prepare(int mode) {
  const double near = 2.0 * Precision;
  if (mode == 1 && (NoArea() || Touched || Swapped || CrossingsCrowded(near) ||
                    (CutHoles && Data1.Record->Count > 0)))
    return TakeOverlay();
  if (mode == 1 && Count < 2 && !InsideFlag) return 0;
  SetInside();
  // Crossings whose classification took a sample within the precision of
  // the other contour, or pieces the trace cannot close, are decided by
  // the overlay; so is "only touching from outside" said by such samples
  // (a contour running beside the other a little more than the precision
  // away before it crosses it).
  if (mode == 1 && (Doubtful || !TraceAhead(Data2.TextFlag, [this](TDataEdit* out) {
                      return CollectorOneObject(out, 0);
                    }))) {
    if (State == 1) State = 0;
    return TakeOverlay();
  }
  return 1;
}

// The first's contours less the second's outer contour (the subject
// loaded), decided once on the precision's grid.
int TObjectCutSubject::TakeOverlay() {
  if (!MakeOverlay(Overlay, Data1, CutHoles ? -1 : 0, TNodedOverlay::FIRST, 0,
                   TNodedOverlay::SECOND, TNodedOverlay::DIFFERENCE))
    return 0;
  Overlaid = 1;
  NextPiece = 0;
  Positive = Data1.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  return 1;
}

int TObjectCutSubject::SetInside() {
  Doubtful = 0;
  if (State != 0 || (Count == 0 && !InsideFlag)) return 0;
  for (int k = 0; k < Count; ++k)
    GetInsidePointCross(&Data1, &Data2, Cross2, Cross1, SameDirection, Count, k, 1, 0);
  for (int k = 0; k < Count; ++k)
    GetInsidePointCross(&Data2, &Data1, Cross1, Cross2, SameDirection, Count, k, 0, 1);
  if (TouchInside) {
    int count = Count;
    CorrectPointCross(Cross1, Cross2, &count, &Data1, &Data2);
    Count = count;
  }
  bool allOutside = true;
  for (int k = 0; k < Count && allOutside; ++k) allOutside = Cross1[k].Kind == CROSS_TOUCH_OUTSIDE;
  if (allOutside) {
    // Only touching from outside: nothing to hand out, unless the two
    // contours are one (every point of the first a crossing).
    const int n1 = Data1.PointCount(0);
    if (!(n1 == Count + 1 && n1 == Data2.PointCount(0))) {
      Count = 0;
      State = 1;
    }
  }
  for (int k = 0; k < Count; ++k) Cross1[k].Position = Cross2[k].Position = 0;
  return 1;
}

void TObjectCutSubject::CorrectPointCross(POINTCROSS* first, POINTCROSS* second, int* count,
                                          TDataEdit* m1, TDataEdit* m2) {
  (void)m1;
  (void)m2;
  if (first == nullptr || second == nullptr || count == nullptr) return;
  // A touch from inside takes its partner's crossing kind, or goes with it.
  auto resolve = [&](POINTCROSS* own, POINTCROSS* other, bool ownIsFirst) {
    for (int k = 0; k < *count;) {
      if (own[k].Kind != CROSS_TOUCH_INSIDE) {
        ++k;
        continue;
      }
      const int p = FindPartner(other, *count, &own[k]);
      if (p >= *count) {
        ++k;
        continue;
      }
      const LONG pk = other[p].Kind;
      if (pk == CROSS_EXIT || pk == CROSS_ENTRY) {
        own[k].Kind = SameDirection ? pk : 3 - pk;
        ++k;
      } else if (ownIsFirst) {
        RemovePair(own, k, other, p, count);
      } else {
        RemovePair(other, p, own, k, count);
      }
    }
  };
  resolve(first, second, true);
  resolve(second, first, false);
}

int TObjectCutSubject::GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* a,
                                     TDataEdit* b) {
  if (p == nullptr || q == nullptr || a == nullptr || b == nullptr) return 0;
  if (!InsideOf(*a, *q) && !InsideOf(*b, *q)) return 1;
  return (!InsideOf(*a, *p) && !InsideOf(*b, *p)) ? 1 : 3;
}

int TObjectCutSubject::CollectorOneObject(TDataEdit* result, int n) {
  if (result == nullptr || Count < 2) return 0;
  auto all = [&](const POINTCROSS* a) {
    for (int k = 0; k < Count; ++k)
      if (a[k].Kind != CROSS_TOUCH_INSIDE) return false;
    return true;
  };
  // One contour touches the other only from inside: the outer one with the
  // inner one as a hole.
  TDataEdit* outer = all(Cross2) ? &Data1 : all(Cross1) ? &Data2 : nullptr;
  if (outer != nullptr) {
    TDataEdit* inner = outer == &Data1 ? &Data2 : &Data1;
    int ok = n == 0 ? (result->Load(outer->Record, outer->TextFlag) != 0)
                    : result->AppendSubject(outer, 0);
    ok = ok && result->AppendSubject(inner, 0);
    Count = 0;
    return ok ? 1 : 0;
  }
  return TPointCross::CollectorOneObject(result, n, 2);
}

TDataEdit* TObjectCutSubject::GetNextObject() {
  if (Overlaid)
    return NextOverlaid(Overlay, &NextPiece, Positive);
  // The pieces were traced ahead, every one closed.
  if (Mode != 1 || State != 0 || !NextTraced(Data2.TextFlag)) return nullptr;
  if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
  DeleteBeak(&Result);
  return &Result;
}

// ---------------------------------------------------------------------------
// TObjectCut

TObjectCut::TObjectCut(TObjectInfo* area, TObjectInfo* object, int mode, double precision,
                       int holeUnion) {
  LoadObjects(area, object, mode, precision, holeUnion);
}

TObjectCut::TObjectCut(TDataEdit* area, TDataEdit* object, int mode, double precision,
                       int holeUnion) {
  LoadObjects(area, object, mode, precision, holeUnion);
}

TObjectCut::~TObjectCut() { FreeWorker(Nested); }

void TObjectCut::InitObjectCut() {
  InitPointCross();
  LineState = 0;
}

void TObjectCut::SetBit(int h, int on) {
  if (h < 1 || h > 65536) return;
  BYTE& b = SubjectBits[(h - 1) >> 3];
  const BYTE m = static_cast<BYTE>(1u << ((h - 1) & 7));
  b = on ? static_cast<BYTE>(b | m) : static_cast<BYTE>(b & ~m);
}

TObjectCutSubject* TObjectCut::NestedWorker() {
  if (Nested == nullptr) Nested = NewWorker<TObjectCutSubject>();
  if (Nested != nullptr) Nested->InitPointCross();
  return Nested;
}

int TObjectCut::LoadObjects(TObjectInfo* area, TObjectInfo* object, int mode, double precision,
                            int holeUnion) {
  if (area == nullptr || object == nullptr || area->Metric.Record == nullptr ||
      object->Metric.Record == nullptr) {
    State = MAPERR_INPUT;
    return 0;
  }
  if (!ControlLocal(&area->Metric, mode)) return 0;
  LineState = 0;
  CurrentHole = 0;
  Overlaid = 0;
  if (!TPointCross::LoadObjects(area, object, mode, 0, 0, precision)) return 0;
  return Prepare(mode, holeUnion);
}

int TObjectCut::LoadObjects(TDataEdit* area, TDataEdit* object, int mode, double precision,
                            int holeUnion) {
  return LoadObjects(area, object, mode, 0, precision, holeUnion);
}

int TObjectCut::LoadObjects(TDataEdit* area, TDataEdit* object, int mode, int s, double precision,
                            int holeUnion) {
  if (area == nullptr || object == nullptr || area->Record == nullptr || object->Record == nullptr) {
    State = MAPERR_INPUT;
    return 0;
  }
  if (!ControlLocal(area, mode)) return 0;
  FirstRun = 1;
  LineState = 0;
  CurrentHole = 0;
  Overlaid = 0;
  if (!TPointCross::LoadObjects(area, object, mode, s, 0, precision)) return 0;
  return Prepare(mode, holeUnion);
}

int TObjectCut::Prepare(int mode, int holeUnion) {
  if (InsideKind != 0) return 1;
  HoleUnion = holeUnion;
  const double near = 2.0 * Precision;
  // The area's holes count with the hole union, and when the area lies
  // inside the object (its metric is the piece): they are taken out of
  // the pieces through the overlay, each once however they overlap one
  // another or the object's holes, and what lies inside a ring they form
  // stays a piece.
  const bool areaHoles = (holeUnion || InsideFlag) && AreaHolesMeet();
  if (mode == 1 && (areaHoles || Touched || Swapped || CrossingsCrowded(near) ||
                    TouchingHoles(holeUnion, 0, near) || HoleSplits()))
    return TakeOverlay(areaHoles);
  if (mode != 0) {
    const int ready = SetInside();
    // Crossings whose classification took a sample within the precision
    // of the other contour, or pieces the trace cannot close, are decided
    // by the overlay.
    if (ready && (Doubtful || !TraceAhead(0, [this](TDataEdit* out) {
                    return TPointCross::CollectorOneObject(out, 0, 2);
                  })))
      return TakeOverlay(false);
    return ready;
  }
  const bool touching = Count > 0 && (Touched || Merged || CrossingsCrowded(near));
  const int ready = SetInside();
  if (touching && !CutLine()) return 0;
  // An outer contour that only touches the area from outside gives no
  // piece; the line's other parts are cut as those of one lying apart.
  if (ready && !LinePiecesLeft() && Data2.Record->Count > 0) {
    InsideKind = 2;
    InsideFlag = 1;
  }
  return ready;
}

// The pieces are the parts of the object inside the area (inside its
// holes too when they count); the crossings are still classified for
// those who read them.
int TObjectCut::TakeOverlay(bool areaHoles) {
  if (areaHoles && Data1.Record->Count > 1) {
    // Holes overlapping one another are one hole.
    if (!Overlay.MakeUnitedHoles(Precision, Data1, Data2, -1, TNodedOverlay::SECOND,
                                 TNodedOverlay::INTERSECTION, &Work)) {
      State = Overlay.State;
      Count = 0;
      return 0;
    }
  } else if (!MakeOverlay(Overlay, Data1, areaHoles ? -1 : 0, TNodedOverlay::FIRST, -1,
                          TNodedOverlay::SECOND, TNodedOverlay::INTERSECTION)) {
    return 0;
  }
  Overlaid = 1;
  NextPiece = 0;
  Positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  HoleUnion = 0;
  SetInside();
  return 1;
}

// Whether a hole of the area meets the frame of the object's outer contour.
bool TObjectCut::AreaHolesMeet() {
  DFRAME outer;
  if (Data1.Record == nullptr || Data1.Record->Count == 0 || !Data2.DimensionsSubject(&outer, 0))
    return false;
  for (int s = 1; s <= Data1.Record->Count; ++s)
    if (InsideDimensions(&Data1, &outer, s) != 0) return true;
  return false;
}

// A line that touches the area's contour (a vertex on it or near it, a
// stretch along it, crossings close together or at one point, as where
// the line crosses itself on the border) is noded with it: its pieces
// are its stretches inside the area or along the border, and where it only
// touches the border it goes on. The crossings stay classified for those
// who read them.
int TObjectCut::CutLine() {
  // The line second: its heights win where it meets the contour.
  if (!MakeOverlay(Overlay, Data1, 0, TNodedOverlay::SECOND, 0, TNodedOverlay::LINE,
                   TNodedOverlay::SPLIT))
    return 0;
  int whole = 0;
  Overlay.LineStretches(true, &whole);
  Overlaid = 2;
  NextPiece = 0;
  LineWhole = whole;
  InsideSubObject(&Data1, &Data2);
  return 1;
}

int TObjectCut::SetInside() {
  Doubtful = 0;
  if (State != 0) return 0;
  if (Count == 0 && !InsideFlag) return 0;
  if (Count > 0) {
    for (int k = 0; k < Count; ++k)
      GetInsidePointCross(&Data2, &Data1, Cross1, Cross2, SameDirection, Count, k, 0, 0);
    for (int k = 0; k < Count; ++k)
      GetInsidePointCross(&Data1, &Data2, Cross2, Cross1, SameDirection, Count, k, 0, 0);
    if (Closed(Data2, 0)) CorrectPointCrossALLNO(Cross1, Count);
    CorrectPointCrossALLNO(Cross2, Count);
    bool allOutside = true;
    for (int k = 0; k < Count && allOutside; ++k) allOutside = Cross2[k].Kind == CROSS_TOUCH_OUTSIDE;
    if (allOutside) {
      Count = 0;
      return 1;
    }
    if (Mode == 1 && Count == 1) {
      // One crossing: the object lies inside or outside the area.
      DOUBLEPOINT p;
      const int n = (Cross2[0].Position == -1) ? 2 : 1;
      if (PointOf(Data2, 0, n, &p) && !InsideOf(Data1, p)) {
        if (Cross2[0].Kind == CROSS_TOUCH_INSIDE || Cross2[0].Kind == CROSS_TOUCH_OUTSIDE) Count = 0;
        return 1;
      }
    }
  }
  for (int k = 0; k < Count; ++k) Cross1[k].Position = Cross2[k].Position = 0;
  InsideSubObject(&Data1, &Data2);
  return 1;
}

void TObjectCut::InsideSubObject(TDataEdit* area, TDataEdit* object) {
  if (area == nullptr || object == nullptr || object->Record == nullptr) return;
  DFRAME frame;
  const bool framed = area->DimensionsSubject(&frame, 0) != 0;
  HoleCount = object->Record->Count;
  for (int h = 1; h <= HoleCount; ++h)
    SetBit(h, framed && InsideDimensions(object, &frame, h) != 0);
}

int TObjectCut::InsideDimentionsSubject(TDataEdit* piece, TDataEdit* metric, int h) {
  if (piece == nullptr || metric == nullptr) return 0;
  DFRAME f;
  if (!metric->DimensionsSubject(&f, h)) return 0;
  const DOUBLEPOINT corners[4] = {{f.X1, f.Y1}, {f.X2, f.Y1}, {f.X2, f.Y2}, {f.X1, f.Y2}};
  for (const DOUBLEPOINT& c : corners)
    if (!InsideOf(*piece, c)) return 0;
  return 1;
}

TDataEdit* TObjectCut::GetNextObject() {
  if (Overlaid == 1) return GetNextOverlaid();
  return Mode == 1 ? GetNextArea() : GetNextLine();
}

// The overlay's pieces in turn, turning the way the object's outer contour
// turns, cleaned of beaks; a piece that cleaning leaves without area is
// passed over.
TDataEdit* TObjectCut::GetNextOverlaid() {
  return NextOverlaid(Overlay, &NextPiece, Positive);
}


TDataEdit* TObjectCut::GetNextArea() {
  // Each round hands out a piece or drops one that a hole covers whole.
  for (int guard = 0; guard <= 2 * (Count + HoleCount) + 4; ++guard) {
    if (State != 0) return nullptr;
    if (Count == 0 && !InsideFlag && !CurrentHole) return nullptr;
    if (!Result.Create(ResultKind, 0)) return nullptr;
    bool havePiece = false;
    if (CurrentHole) {
      havePiece = GetNextObjectSub(CurrentHole, 0) != 0;
      if (!havePiece) CurrentHole = 0;
    }
    if (!havePiece) {
      if (InsideFlag) {
        // The cutting area lies inside the object: it is the piece.
        if (!Result.Load(Data1.Record, 0)) return nullptr;
        Result.DeleteEqualPoint(Precision, 0);
        InsideFlag = 0;
      } else if (!NextTraced(0)) {
        // Every piece traced ahead was handed out.
        return nullptr;
      }
    }
    // Holes crossing the piece cut it; remembered so that later pieces
    // meet them again.
    std::vector<int> cut;
    bool dropped = false;
    PieceIndexed = 0;
    for (int h = HoleCount; h >= 1 && !dropped; --h) {
      if (!Bit(h) || PieceHoldsFrame(h)) continue;
      TObjectCutSubject* nested = NestedWorker();
      if (nested == nullptr) {
        State = MAPERR_MEMORY;
        return nullptr;
      }
      if (!nested->LoadObjects(&Result, &Data2, 1, h, Precision)) continue;
      if (nested->Count == 0) {
        // The piece lies in the hole (no part of it is left), or the hole
        // only touches it from outside.
        if (nested->InsideFlag) {
          nested->InsideFlag = 0;
          dropped = true;
        }
        continue;
      }
      cut.push_back(h);
      if (!GetNextObjectSub(h, 1)) dropped = true;
      PieceIndexed = 0;
    }
    if (dropped) continue;
    // Holes inside the piece (their frames within its frame, their first
    // points inside it).
    DFRAME frame;
    const bool framed = Result.DimensionsSubject(&frame, 0) != 0;
    for (int h = HoleCount; h >= 1; --h) {
      DOUBLEPOINT first;
      if (!Bit(h) || !framed || InsideDimensions(&Data2, &frame, h) != 1 ||
          !PointOf(Data2, h, 1, &first) || !PieceHolds(first))
        continue;
      if (Result.AppendSubject(&Data2, h)) SetBit(h, 0);
    }
    if (!CurrentHole)
      for (int h : cut) SetBit(h, 1);
    if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
    DeleteBeak(&Result);
    return &Result;
  }
  return nullptr;
}

// Whether a hole of the object may split a piece: its contour crosses the
// area's outer contour four times or more (once in and out takes a bite
// and leaves the piece whole). The parts a hole splits off are kept for
// later calls, and those a second hole splits off would replace them, so
// such cuts go through the overlay.
bool TObjectCut::HoleSplits() {
  TContourIndex* area = Outline(true);
  if (area == nullptr || Data2.Record == nullptr) return false;
  DFRAME frame;
  if (!Data1.DimensionsSubject(&frame, 0)) return false;
  for (int h = 1; h <= Data2.Record->Count; ++h) {
    if (InsideDimensions(&Data2, &frame, h) == 0) continue;
    if (!geomwork::ReadContour(Data2, h, HolePoints, nullptr)) return true;
    if (area->Crossings(HolePoints.data(), static_cast<int>(HolePoints.size()), 4) >= 4) return true;
  }
  return false;
}

// The piece's outer contour answers through its index, built when first
// asked after the piece changed: a point on it or inside it.
bool TObjectCut::PieceHolds(const DOUBLEPOINT& p) {
  if (PieceIndexed == 0) PieceIndexed = PieceIndex.Build(&Result, 0) ? 1 : -1;
  if (PieceIndexed < 0) return InsideOf(Result, p);
  return PieceIndex.Near(p, 0.0) || PieceIndex.Inside(p);
}

// Hole h lies wholly inside the piece: InsideDimentionsSubject through the
// piece's index, and the hole's contour clear of the piece's (a piece that
// is not convex may hold the four corners of a hole's frame and still be
// crossed by the hole).
bool TObjectCut::PieceHoldsFrame(int h) {
  DFRAME f;
  if (!Data2.DimensionsSubject(&f, h)) return false;
  const DOUBLEPOINT corners[4] = {{f.X1, f.Y1}, {f.X2, f.Y1}, {f.X2, f.Y2}, {f.X1, f.Y2}};
  for (const DOUBLEPOINT& c : corners)
    if (!PieceHolds(c)) return false;
  if (PieceIndexed < 0 || !geomwork::ReadContour(Data2, h, HolePoints, nullptr)) return false;
  return !PieceIndex.Meets(HolePoints.data(), static_cast<int>(HolePoints.size()), Precision);
}

int TObjectCut::GetNextObjectSub(int h, int current) {
  if (CurrentHole && current == 0) {
    // The next part kept from the last cut.
    if (Work.Record != nullptr && Work.Record->Count >= 1 && Result.LoadSubject(&Work, 1)) {
      Work.DeleteSubject(1);
      Result.DeleteEqualPoint(Precision, 0);
      return 1;
    }
    CurrentHole = 0;
    return 0;
  }
  TObjectCutSubject* nested = Nested;
  if (nested == nullptr) return 0;
  // The work buffer's outer contour only holds the place of the parts.
  if (!Work.LoadSubject(&Data1, 0)) return 0;
  int parts = 0;
  while (TDataEdit* piece = nested->GetNextObject()) {
    if (piece->Record->Count > 0) {
      SetBit(h, 0);
      return Result.Load(piece->Record, piece->TextFlag) ? 1 : 0;
    }
    if (!Work.AppendSubject(piece, 0)) return 0;
    if (++parts >= 2) CurrentHole = h;
  }
  if (nested->State == GEOMETRY_ERR_PIECE) State = GEOMETRY_ERR_PIECE;
  SetBit(h, 0);
  if (parts == 0) return 0;
  // The largest part is the piece; the others wait for later calls.
  int largest = 1;
  double best = -1.0;
  for (int s = 1; s <= Work.Record->Count; ++s) {
    const double a = Work.SquareSubject(s);
    if (a > best) best = a, largest = s;
  }
  if (!Result.LoadSubject(&Work, largest)) return 0;
  Work.DeleteSubject(largest);
  if (Work.Record->Count == 0) CurrentHole = 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Line pieces

int TObjectCut::AppendLineSubject() {
  TObjectCut* local = NewWorker<TObjectCut>();
  if (local == nullptr) {
    State = MAPERR_MEMORY;
    return 0;
  }
  for (int s = HoleCount; s >= 1; --s) {
    if (!Bit(s)) continue;
    SetBit(s, 0);
    local->InitObjectCut();
    if (!local->LoadObjects(&Data1, &Data2, 0, s, Precision, 0)) {
      // No crossing: the part lies wholly inside or wholly outside.
      DOUBLEPOINT p;
      if (PointOf(Data2, s, 1, &p) && InsideOf(Data1, p)) Result.AppendSubject(&Data2, s);
      continue;
    }
    while (TDataEdit* piece = local->GetNextObject())
      for (int c = 0; c <= piece->Record->Count; ++c) Result.AppendSubject(piece, c);
  }
  FreeWorker(local);
  return 1;
}

bool TObjectCut::LinePiecesLeft() const {
  return Overlaid == 2 ? LineWhole || NextPiece < Overlay.Stretches() : Count > 0;
}

// The next piece of the line's outer contour as a line of its own in out:
// the whole contour, a stretch of the overlay, or one traced from the
// crossings (at least two points, turned the line's way). 0 when none is
// left.
int TObjectCut::NextLinePiece(TDataEdit* out) {
  if (Overlaid == 2) {
    if (LineWhole) {
      LineWhole = 0;
      NextPiece = Overlay.Stretches();
      return out->Create(ResultKind, Data2.TextFlag) && out->AppendSubject(&Data2, 0);
    }
    if (NextPiece >= Overlay.Stretches()) return 0;
    if (Overlay.WriteStretch(NextPiece++, out, ResultKind)) return 1;
    State = MAPERR_MEMORY;
    return 0;
  }
  for (int guard = 0; guard <= Count + 1; ++guard) {
    if (!out->Create(ResultKind, Data2.TextFlag)) return 0;
    if (!TPointCross::CollectorOneObject(out, 0, 2)) return 0;
    DeleteEqualPoints(out, 0);
    if (out->PointCount(0) >= 2) {
      if (Reverse) out->ChangeDirection(0);
      return 1;
    }
  }
  return 0;
}

TDataEdit* TObjectCut::GetNextLine() {
  if (State != 0) return nullptr;
  if (InsideKind != 0) return GetNextLinePart();
  if (!LinePiecesLeft()) return nullptr;
  if (Data2.Record->Count == 0) {
    // One part: its pieces one per call.
    if (!NextLinePiece(&Result)) return nullptr;
    if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
    return &Result;
  }
  // Several parts: the pieces of every part as the parts of one result.
  if (!Result.Create(ResultKind, Data2.TextFlag)) return nullptr;
  const int most = (Overlaid == 2 ? Overlay.Stretches() : Count) + 1;
  for (int guard = 0; guard <= most && NextLinePiece(&Work); ++guard)
    if (!Result.AppendSubject(&Work, 0)) return nullptr;
  AppendLineSubject();
  // Every piece went into this result.
  Count = 0;
  Overlaid = 0;
  if (Result.PointCount(0) == 0) return nullptr;
  if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
  return &Result;
}

// No piece of the outer contour: its other parts decide.
TDataEdit* TObjectCut::GetNextLinePart() {
  if (InsideKind == 1) {
    InsideKind = 0;
    if (!Result.LoadSubject(&Data2, 0)) return nullptr;
    InsideSubObject(&Data1, &Data2);
    AppendLineSubject();
    if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
    return &Result;
  }
  if (InsideKind == 2) {
    InsideSubObject(&Data1, &Data2);
    if (!Result.Create(ResultKind, Data2.TextFlag)) return nullptr;
    AppendLineSubject();
    if (Result.PointCount(0) == 0 || !Work.Load(Result.Record, Result.TextFlag)) {
      InsideKind = 0;
      return nullptr;
    }
    InsideKind = 3;
  }
  // Kind 3: the parts one per call, from the last.
  if (Work.Record == nullptr || Work.PointCount(0) == 0) {
    InsideKind = 0;
    return nullptr;
  }
  const int last = Work.Record->Count;
  if (!Result.LoadSubject(&Work, last)) return nullptr;
  if (last > 0) Work.DeleteSubject(last);
  else Work.Create(ResultKind, 0);
  if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
  return &Result;
}
