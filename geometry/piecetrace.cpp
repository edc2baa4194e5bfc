// Tracing of result pieces along classified crossings: from a start
// crossing the walk copies the stretch of the current contour up to the
// next crossing, and at each crossing either keeps to the contour or (for
// area results) changes over to the other one, until the piece closes or a
// contour ends. Use counts in the crossings' Position fields keep a
// crossing from starting two pieces; every walk is bounded by the number of
// crossings, so damaged classifications end it with GEOMETRY_ERR_PIECE
// instead of going round for ever.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/overlay.h"
#include "geometry/pointcross.h"

namespace {

bool SamePoint(const POINTCROSS& c, const DOUBLEPOINT& p) { return c.X == p.X && c.Y == p.Y; }

}  // namespace

void TPointCross::ChangeDirection(int direction, LONG* kind) {
  if (kind == nullptr) return;
  if (direction == 1) {
    if (*kind == CROSS_TOUCH_INSIDE) *kind = CROSS_ENTRY;
    else if (*kind == CROSS_EXIT) *kind = CROSS_TOUCH_OUTSIDE;
  } else if (direction == 2) {
    if (*kind == CROSS_TOUCH_INSIDE) *kind = CROSS_EXIT;
    else if (*kind == CROSS_ENTRY) *kind = CROSS_TOUCH_OUTSIDE;
  }
}

int TPointCross::MoveData(TDataEdit* destination, TDataEdit* source, int forward,
                          int sourceSubject, int destinationSubject, int first, int last) {
  if (destination == nullptr || source == nullptr || destination == source ||
      destination->Record == nullptr)
    return 0;
  const int n = source->PointCount(sourceSubject);
  if (n < 1 || first < 1 || first > n || last < 1 || last > n) return 0;
  const bool closed = n > 2 && source->GetExclusiveSubject(sourceSubject);
  const bool heights = destination->DatDimension() != 0;
  // Around the closing point of a closed contour the shared point is
  // copied once (as the last point or as point 1, whichever is asked);
  // at most one round is copied.
  auto reached = [&](int i) {
    return i == last || (closed && forward && i == n && last == 1) ||
           (closed && !forward && i == 1 && last == n);
  };
  int i = first;
  for (int copied = 0; copied <= n; ++copied) {
    if (!source->GoPointSubject(i, sourceSubject)) return 0;
    const double x = source->XDouble(), y = source->YDouble(), h = source->HDouble();
    if (!destination->AppendPointSubject(destinationSubject, x, y)) return 0;
    if (heights) destination->HDouble(h);
    if (reached(i)) return 1;
    if (forward) {
      if (++i > n) {
        if (!closed) return 1;
        i = 2;
      }
    } else {
      if (--i < 1) {
        if (!closed) return 1;
        i = n - 1;
      }
    }
  }
  return 1;
}

int TPointCross::GetDataObject(TDataEdit* result, TDataEdit* contour, int n, int count, int index,
                               POINTCROSS* array) {
  if (result == nullptr || contour == nullptr || array == nullptr || index < 0 || index >= count)
    return 0;
  const POINTCROSS& c = array[index];
  if (Mode == 0 && c.Position >= 1) return -1;
  if (c.Kind == CROSS_TOUCH_OUTSIDE || c.Kind < CROSS_EXIT || c.Kind > CROSS_TOUCH_OUTSIDE)
    return -1;
  const bool forward = c.Kind != CROSS_EXIT;
  const int points = contour->PointCount(0);
  const bool closed = contour->GetExclusiveSubject(0) != 0;
  if (count == 0 || points < 1 || (count == 1 && closed)) return 0;
  // Past the last crossing (forwards) or the first (backwards) of an open
  // contour: the rest of the contour, and the walk ends.
  auto toEnd = [&]() {
    if (forward) MoveData(result, contour, 1, 0, n, std::min(c.Second, points), points);
    else MoveData(result, contour, 0, 0, n, std::max(c.First, 1), 1);
    ++array[index].Position;
    return -1;
  };
  if (count == 1) return toEnd();
  int next;
  bool wrapped = false;
  if (forward) {
    next = index + 1;
    if (next == count) {
      if (!closed) return toEnd();
      next = 0;
      wrapped = true;
    }
  } else {
    next = index - 1;
    if (next < 0) {
      if (!closed) return toEnd();
      next = count - 1;
      wrapped = true;
    }
  }
  const POINTCROSS& d = array[next];
  const bool sameSegment = c.First == d.First && c.Second == d.Second;
  if (!(sameSegment && !wrapped)) {
    const int from = forward ? c.Second : c.First;
    const int to = forward ? d.First : d.Second;
    if (from >= 1 && from <= points && to >= 1 && to <= points) {
      // Forwards from a crossing at the end of a segment to one at its own
      // vertex is no stretch at all.
      if (!(forward && !wrapped && from > to) && !(!forward && !wrapped && from < to))
        if (!MoveData(result, contour, forward ? 1 : 0, 0, n, from, to)) return 0;
    }
  }
  return next + 1;
}

int TPointCross::CollectorOneObject(TDataEdit* result, int n, int start) {
  if (result == nullptr || result->Record == nullptr || Count <= 0 || Cross1 == nullptr ||
      State != 0)
    return 0;
  Reverse = 0;
  const bool bothOpen = !Data1.GetExclusiveSubject(0) && !Data2.GetExclusiveSubject(0);
  // One contour touches the other only from inside, the other only from
  // outside: the inner one is the piece.
  if (!(Mode == 0 && bothOpen)) {
    auto all = [&](const POINTCROSS* a, int kind) {
      for (int i = 0; i < Count; ++i)
        if (a[i].Kind != kind) return false;
      return true;
    };
    TDataEdit* whole = nullptr;
    if (all(Cross1, CROSS_TOUCH_INSIDE) && all(Cross2, CROSS_TOUCH_OUTSIDE)) whole = &Data1;
    else if (all(Cross2, CROSS_TOUCH_INSIDE) && all(Cross1, CROSS_TOUCH_OUTSIDE)) whole = &Data2;
    // Line pieces are stretches of the contour traced: the other one (a
    // cutting area) is never one of them.
    if (Mode == 0 && whole != (start == 2 ? &Data2 : &Data1)) whole = nullptr;
    if (whole != nullptr) {
      const int ok = n == 0 ? (result->Load(whole->Record, whole->TextFlag) != 0)
                            : result->AppendSubject(whole, 0);
      for (int i = 0; i < Count; ++i) Cross1[i].Position = Cross2[i].Position = 2;
      Count = 0;
      return ok ? 1 : 0;
    }
  }

  POINTCROSS* cur = start == 2 ? Cross2 : Cross1;
  POINTCROSS* other = start == 2 ? Cross1 : Cross2;
  TDataEdit* curData = start == 2 ? &Data2 : &Data1;
  TDataEdit* otherData = start == 2 ? &Data1 : &Data2;
  // The start: from the first entry or exit, the first free crossing that
  // is not a touch from outside.
  int from = 0;
  for (int i = 0; i < Count; ++i) {
    if (cur[i].Kind == CROSS_EXIT || cur[i].Kind == CROSS_ENTRY) {
      from = i;
      break;
    }
  }
  int k = -1;
  for (int step = 0; step < Count; ++step) {
    const int i = (from + step) % Count;
    if (cur[i].Kind != CROSS_TOUCH_OUTSIDE && cur[i].Position < 1) {
      k = i;
      break;
    }
  }
  if (k < 0) return 0;
  const POINTCROSS* startArray = cur;
  const int startIndex = k;
  LONG followed = cur[k].Kind;
  int direction = (followed == CROSS_EXIT || followed == CROSS_ENTRY) ? followed : 2;
  if (followed == CROSS_EXIT && Mode == 0) Reverse = 1;
  const bool heights = result->DatDimension() != 0;
  auto put = [&](const POINTCROSS& c) {
    if (!result->AppendPointSubject(n, c.X, c.Y)) return false;
    if (heights) result->HDouble(c.H);
    return true;
  };
  if (!put(cur[k])) return 0;
  const DOUBLEPOINT firstPoint{cur[k].X, cur[k].Y};
  const double e = Precision > GEOMETRY_PRECISION ? Precision : GEOMETRY_PRECISION;

  // Each step reaches a crossing; a sound walk passes each crossing of
  // both arrays a few times at most.
  const int64_t limit = 4 * static_cast<int64_t>(Count) + 8;
  for (int64_t steps = 0; steps < limit; ++steps) {
    const int r = GetDataObject(result, curData, n, Count, k, cur);
    ++cur[k].Position;
    ChangeDirection(direction, &cur[k].Kind);
    if (r <= 0) {
      if (Mode == 1 && std::fabs(cur[k].X - firstPoint.X) <= e &&
          std::fabs(cur[k].Y - firstPoint.Y) <= e &&
          !result->AppendPointSubject(n, firstPoint.X, firstPoint.Y))
        return 0;
      return 1;
    }
    const int next = r - 1;
    if (!put(cur[next])) return 0;
    ++cur[next].Position;
    direction = 3 - direction;
    const LONG kind = cur[next].Kind;
    if (kind == CROSS_TOUCH_INSIDE || kind == followed) {
      // The walk keeps to this contour.
      if (Mode == 0 && bothOpen) return 1;
      ChangeDirection(direction, &cur[next].Kind);
      --cur[next].Position;
      if (SamePoint(cur[next], firstPoint)) return 1;
      k = next;
      continue;
    }
    followed = kind;
    ChangeDirection(direction, &cur[next].Kind);
    if (SamePoint(cur[next], firstPoint)) return 1;
    if (Mode == 0) return 1;
    // Area results change over to the other contour at the partner.
    const int p = FindPartner(other, Count, &cur[next]);
    if (p >= Count) return 0;
    ++cur[next].Position;
    ++other[p].Position;
    if (other == startArray && p == startIndex) return 1;
    if (other[p].Kind == CROSS_TOUCH_INSIDE && (followed == CROSS_EXIT || followed == CROSS_ENTRY))
      other[p].Kind = SameDirection ? 3 - followed : followed;
    // On the other contour the walk follows the partner's kind: the next
    // crossing of another kind is where it changes back.
    if (other[p].Kind == CROSS_EXIT || other[p].Kind == CROSS_ENTRY) followed = other[p].Kind;
    std::swap(cur, other);
    std::swap(curData, otherData);
    k = p;
  }
  State = GEOMETRY_ERR_PIECE;
  return 0;
}

int TPointCross::DoSubject(TDataEdit* destination, TDataEdit* source, int check, int n) {
  if (destination == nullptr || source == nullptr || destination->Record == nullptr) return 0;
  if (Mode == 1 && check == 0) {
    DFRAME outer;
    if (!destination->DimensionsSubject(&outer, 0)) return 0;
    if (InsideDimensions(source, &outer, n) != 1) return 0;
    if (!source->GoPointSubject(1, n)) return 0;
    const DOUBLEPOINT p{source->XDouble(), source->YDouble()};
    const int r = destination->Inside(&p, 0);
    if (r == 0 || r == 2) return 0;
  }
  return destination->AppendSubject(source, n);
}

int TPointCross::InsideDimensions(TDataEdit* metric, const DFRAME* frame, int n) {
  if (metric == nullptr || frame == nullptr) return 0;
  DFRAME f;
  if (!metric->DimensionsSubject(&f, n)) return 0;
  if (f.X2 < frame->X1 || f.X1 > frame->X2 || f.Y2 < frame->Y1 || f.Y1 > frame->Y2) return 0;
  if (f.X1 >= frame->X1 && f.X2 <= frame->X2 && f.Y1 >= frame->Y1 && f.Y2 <= frame->Y2) return 1;
  return 2;
}

int TPointCross::CreateDataObject(TDataEdit* destination, TDataEdit* source, int n) {
  if (destination == nullptr || source == nullptr) return 0;
  return destination->LoadSubject(source, n);
}

TDataEdit* TPointCross::NextOverlaid(TNodedOverlay& overlay, LONG* next, int positive) {
  while (State == 0 && *next < overlay.Pieces()) {
    if (!overlay.WritePiece((*next)++, &Result, ResultKind, positive)) {
      State = MAPERR_MEMORY;
      return nullptr;
    }
    if (Object1 != nullptr && Object2 != nullptr) UnitedData(&Result, Object1, Object2);
    DeleteBeak(&Result);
    if (Result.PointCount(0) < 4 || Result.SquareSubject(0) <= 0.0) continue;
    return &Result;
  }
  return nullptr;
}

int TPointCross::MakeOverlay(TNodedOverlay& overlay, TDataEdit& first, int s1, int o1, int s2,
                             int o2, int operation, bool secondAsLine) {
  if (overlay.Make(Precision, first, s1, o1, Data2, s2, o2, operation, secondAsLine)) return 1;
  State = overlay.State;
  Count = 0;
  return 0;
}

bool TPointCross::TraceCanStart() const {
  if (Cross2 == nullptr) return false;
  for (int i = 0; i < Count; ++i)
    if (Cross2[i].Kind != CROSS_TOUCH_OUTSIDE && Cross2[i].Position < 1) return true;
  return false;
}

void TPointCross::ForgetTraced() {
  TracedWords.clear();
  TracedAt.clear();
  TracedNext = 0;
}

void TPointCross::KeepTraced() {
  const size_t bytes = Result.Record->Length;
  const size_t at = TracedWords.size();
  TracedAt.push_back(at);
  TracedWords.resize(at + (bytes + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  std::memcpy(TracedWords.data() + at, Result.Record, bytes);
}

int TPointCross::NextTraced(int text) {
  if (TracedNext >= TracedAt.size()) return 0;
  const auto* record = reinterpret_cast<const LONGMETRIC*>(TracedWords.data() + TracedAt[TracedNext++]);
  return Result.Load(record, text) ? 1 : 0;
}
