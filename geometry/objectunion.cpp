// Union of two areas (with their holes) and of two lines.
#include "geometry/objectunion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "geometry/workhelpers.h"
#include "platform/memory.h"

namespace {

using namespace geomwork;

// A record holds at most this many contours: its subject count is a
// 16-bit word.
constexpr int kMostContours = 65536;

// Whether a record can take no further contour, or is within a growth
// step of the largest record: an append that failed there failed for
// the size of the union, not for want of memory.
bool Full(const TDataEdit& m) {
  return m.Record != nullptr &&
         (m.Record->Count + 1 >= kMostContours ||
          static_cast<int64_t>(m.Record->Length) + METRIC_GROW_STEP >= METRIC_MAX_LENGTH);
}

// A buffer that frees itself.
struct Local : TDataEdit {
  Local() { Init(); }
  ~Local() { Free(); }
  Local(const Local&) = delete;
  Local& operator=(const Local&) = delete;
};

bool FramesMeet(const DFRAME& a, const DFRAME& b) {
  return a.X1 <= b.X2 && b.X1 <= a.X2 && a.Y1 <= b.Y2 && b.Y1 <= a.Y2;
}

DFRAME Widened(DFRAME f, double d) { return DFRAME{f.X1 - d, f.Y1 - d, f.X2 + d, f.Y2 + d}; }

double Dist(const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return std::hypot(a.X - b.X, a.Y - b.Y); }

// The contours of a metric, each appended to the destination (the first
// fills an empty outer contour).
bool AppendAll(TDataEdit& destination, TDataEdit& source) {
  if (source.Record == nullptr) return true;
  for (int c = 0; c <= source.Record->Count; ++c)
    if (source.PointCount(c) > 0 && !destination.AppendSubject(&source, c)) return false;
  return true;
}

// Where a contour lies in its record, and its frame.
struct HoleAt {
  DFRAME frame{0.0, 0.0, 0.0, 0.0};
  char* first = nullptr;
  DWORD count = 0;
  bool found = false;
};

// The pairs (i, j) of a frame i of a and a frame j of b that meet (frames
// lower than high left out), by a sweep along X: each frame meets those of
// the other list still open where it begins.
void MeetingFrames(const std::vector<DFRAME>& a, const std::vector<DFRAME>& b,
                   std::vector<std::pair<int, int>>& out) {
  struct Start {
    double x;
    int list, index;
  };
  std::vector<Start> starts;
  for (int list = 0; list < 2; ++list) {
    const std::vector<DFRAME>& f = list == 0 ? a : b;
    for (size_t i = 0; i < f.size(); ++i)
      if (f[i].X1 <= f[i].X2 && f[i].Y1 <= f[i].Y2) starts.push_back({f[i].X1, list, static_cast<int>(i)});
  }
  std::sort(starts.begin(), starts.end(), [](const Start& p, const Start& q) {
    return p.x != q.x ? p.x < q.x : p.list != q.list ? p.list < q.list : p.index < q.index;
  });
  std::vector<int> open[2];
  for (const Start& e : starts) {
    const DFRAME& f = (e.list == 0 ? a : b)[static_cast<size_t>(e.index)];
    const std::vector<DFRAME>& others = e.list == 0 ? b : a;
    std::vector<int>& other = open[1 - e.list];
    size_t kept = 0;
    for (const int j : other) {
      const DFRAME& g = others[static_cast<size_t>(j)];
      if (g.X2 < e.x) continue;
      other[kept++] = j;
      if (FramesMeet(f, g)) out.push_back(e.list == 0 ? std::make_pair(e.index, j) : std::make_pair(j, e.index));
    }
    other.resize(kept);
    open[e.list].push_back(e.index);
  }
}

// Contour h of m, found at `at`, as the one contour of `out`, as LoadSubject
// copies it, without walking the record to it again (a record with texts
// is copied by LoadSubject, the texts with their contours).
bool LoadHole(TDataEdit& out, TDataEdit& m, int h, const HoleAt& at) {
  if (m.TextFlag) return out.LoadSubject(&m, h) != 0;
  const DWORD kind = m.Record->Ident;
  const int size = m.PointBytes;
  if (at.count < 1 || size <= 0 || !out.Create(static_cast<int>(kind), 0)) return false;
  const bool heights = MetricIs3D(kind) != 0;
  for (DWORD i = 0; i < at.count; ++i) {
    const char* p = at.first + static_cast<size_t>(i) * static_cast<size_t>(size);
    double x, y;
    metric::ReadXY(kind, p, x, y);
    if (!out.AppendPointSubject(0, x, y)) return false;
    if (heights) out.HDouble(metric::ReadH(kind, p));
  }
  return true;
}

}  // namespace

TObjectUnion::TObjectUnion() {
  Pieces.Init();
  std::memset(Set1, 0xFF, sizeof(Set1));
  std::memset(Set2, 0xFF, sizeof(Set2));
}

TObjectUnion::TObjectUnion(TDataEdit* first, TDataEdit* second, int mode, double distance,
                           double precision)
    : TObjectUnion() {
  LoadObjects(first, second, mode, distance, precision);
}

TObjectUnion::~TObjectUnion() {
  plat::FreePages(HoleMap);
  Pieces.Free();
}

void TObjectUnion::SetBit(BYTE* set, int i, int on) {
  if (i < 0 || i >= 65536) return;
  const BYTE m = static_cast<BYTE>(1u << (i & 7));
  set[i >> 3] = on ? static_cast<BYTE>(set[i >> 3] | m) : static_cast<BYTE>(set[i >> 3] & ~m);
}

void TObjectUnion::MarkAll(BYTE* set, int from, int to) {
  std::memset(set, 0, 8192);
  for (int i = from; i <= to; ++i) SetBit(set, i, 1);
}

// ---------------------------------------------------------------------------
// Loading

int TObjectUnion::LoadObjects(TDataEdit* first, TDataEdit* second, int mode, double distance,
                              double precision) {
  if (first == nullptr || second == nullptr || first->Record == nullptr ||
      second->Record == nullptr || first == &Data1 || first == &Data2 || second == &Data1 ||
      second == &Data2) {
    State = MAPERR_INPUT;
    return 0;
  }
  plat::FreePages(HoleMap);
  HoleMap = nullptr;
  HoleMapSize = 0;
  if (static_cast<uint64_t>(first->Record->Length) + second->Record->Length >=
          static_cast<uint64_t>(METRIC_MAX_LENGTH) ||
      first->Record->Count + second->Record->Count + 2 > kMostContours) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  Container = nullptr;
  LineJoin = 0;
  Source1 = first;
  Source2 = second;
  Indexed1 = Indexed2 = nullptr;
  // A refusal says why: input that cannot be read or matched, an area
  // with an open outer contour, areas apart.
  State = MAPERR_INPUT;
  if ((ResultKind == 0 || Precision <= 0.0) && !SetKindPrecision(second, precision)) return 0;
  SnapDistance = distance > 0.0 ? distance : Precision;
  DFRAME f1;
  if (!first->DimensionsSubject(&f1, 0)) return 0;
  const DFRAME wide = Widened(f1, SnapDistance);
  if (InsideDimensions(second, &wide, 0) == 0) {
    State = GEOMETRY_ERR_APART;
    return 0;
  }
  if (mode != 0 && mode != 1) return 0;
  Mode = mode;
  CrossFlag = 0;
  Count = 0;
  const bool c1 = Closed(*first, 0), c2 = Closed(*second, 0);
  if (mode == 1 && !(c1 && c2)) State = GEOMETRY_ERR_OPEN;
  if ((mode == 1 && !(c1 && c2)) || (mode == 0 && (c1 || c2))) return 0;
  // The whole metrics; the same checks as every crossing search.
  if (!CheckMetric(first) || !CheckMetric(second)) return 0;
  Searched = 0;
  if (!Data1.Load(first->Record, first->TextFlag) || !Data2.Load(second->Record, second->TextFlag)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  Object1 = Object2 = nullptr;
  UserMap = 0;
  Subject1 = Subject2 = 0;
  State = 0;
  SameDirection = Data1.GetDirection(0) == Data2.GetDirection(0) ? 1 : 0;
  SnapState = 0;
  FirstRun = 1;
  Overlaid = 0;
  return LoadData();
}

// The union through the overlay: its rings are the result. Outer contours
// that neither meet nor hold one another are snapped together once when
// the snap distance allows; apart they stay GEOMETRY_ERR_APART.
int TObjectUnion::UniteOverlaid() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Overlay.Make(Precision, Data1, -1, TNodedOverlay::FIRST, Data2, -1, TNodedOverlay::SECOND,
                      TNodedOverlay::UNION)) {
      State = Overlay.State;
      return 0;
    }
    if (Overlay.OutersMeet()) {
      if (Overlay.Pieces() == 0) break;
      Overlaid = 1;
      return 1;
    }
    if (attempt > 0 || SnapDistance <= Precision) break;
    Snap();
  }
  State = Overlay.Pieces() == 0 ? static_cast<LONG>(GEOMETRY_ERR_PIECE) : GEOMETRY_ERR_APART;
  return 0;
}

int TObjectUnion::Snap() {
  Searched = 0;
  AdjustPoint(&Data1, &Data2);
  AdjustPoint(&Data2, &Data1);
  if (SnapState == 0) SnapState = 1;
  FirstRun = 1;
  CrossFlag = 0;
  Count = 0;
  return 1;
}

int TObjectUnion::LoadData() {
  if (!StartSearch()) return 0;
  if (!Data1.DeleteEqualPoint(Precision, 0) || !Data2.DeleteEqualPoint(Precision, 0)) return 0;
  Holes1 = Data1.Record->Count;
  Holes2 = Data2.Record->Count;
  MarkAll(Set1, 0, Mode == 1 ? Holes1 - 1 : Holes1);
  MarkAll(Set2, 0, Mode == 1 ? Holes2 - 1 : Holes2);
  Snapped = 0;
  const bool maySnap = SnapDistance > Precision;
  for (int round = 0; round < 3 && State == 0; ++round) {
    if (Mode == 0) {
      LineJoin = IsObjectLineLimit(&Data1, &Data2);
      return (LineJoin != 0 || Holes1 > 0 || Holes2 > 0) ? 1 : 0;
    }
    // Touching contours, and holes where the outer contours do not cross
    // (a part may lie in a hole of the other), go through the overlay. So
    // do contours that come within twice the precision of each other: the
    // union traced past such a place would pass within the precision of
    // itself there, where the clean-up of loops takes it for a crossing.
    const int crossed = PointCrossObj();
    if (State != 0) return 0;
    const double near = 2.0 * Precision;
    if ((!crossed && (Holes1 > 0 || Holes2 > 0)) || Touched ||
        (crossed && (Close || CrossingsCrowded(near) || TouchingHoles(1, 1, near))))
      return UniteOverlaid();
    if (!crossed) {
      Container = nullptr;
      DOUBLEPOINT p;
      if (PointOf(Data2, 0, 1, &p) && InsideOf(Data1, p)) Container = &Data1;
      else if (PointOf(Data1, 0, 1, &p) && InsideOf(Data2, p)) Container = &Data2;
      if (Container != nullptr) break;
      if (Snapped || SnapState != 0 || !maySnap) {
        State = GEOMETRY_ERR_APART;
        return 0;
      }
      Snap();
      continue;
    }
    SetHeightPointCross(Cross1, Cross2, &Data1, &Data2, Count);
    SortBothPointCross();
    ChangePointCrossBeak(Cross1, Count, 1);
    ChangePointCrossBeak(Cross2, Count, 1);
    CrossFlag = 1;
    // Closed contours that cross away from each other's vertices cross an
    // even number of times, and each contour's crossings stay in order
    // along it: anything else is left to the overlay.
    if (Count < 2 || Count % 2 != 0 || Swapped) return UniteOverlaid();
    return SetInside();
  }
  // No crossing: the container (neither has holes) is the union.
  return Container != nullptr ? 1 : 0;
}

int TObjectUnion::SetInside() {
  if (State != 0) return 0;
  Doubtful = 0;
  TouchInside = TouchOutside = 0;
  if (CrossFlag) {
    for (int k = 0; k < Count; ++k)
      GetInsidePointCross(&Data1, &Data2, Cross2, Cross1, SameDirection, Count, k, 1, 1);
    for (int k = 0; k < Count; ++k)
      GetInsidePointCross(&Data2, &Data1, Cross1, Cross2, SameDirection, Count, k, 1, 1);
    // The trace follows contours that cross. Contours that touch went to
    // the overlay before they were classified; a classification that took
    // a sample within the precision of the other contour, or still found
    // a touch, leaves the union to the overlay too.
    if (Doubtful || TouchInside || TouchOutside) return UniteOverlaid();
  }
  for (int k = 0; k < Count; ++k) Cross1[k].Position = Cross2[k].Position = 0;
  return 1;
}

int TObjectUnion::GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* m2,
                                TDataEdit* m1) {
  if (p == nullptr || q == nullptr || m2 == nullptr || m1 == nullptr) return 0;
  auto inside = [&](const DOUBLEPOINT& x) { return InsideOf(*m1, x) || InsideOf(*m2, x); };
  return inside(*p) && inside(*q) ? 3 : 1;
}

void TObjectUnion::CorrectPointCross(POINTCROSS* a1, POINTCROSS* a2, int same, int* count,
                                     TDataEdit* m2, TDataEdit* m1) {
  if (a1 == nullptr || a2 == nullptr || count == nullptr || m1 == nullptr || m2 == nullptr ||
      !TouchOutside || *count <= 0)
    return;
  const int n = *count;
  const int points = m1->PointCount(0);
  bool afterSeam = false, afterBorder = false, complete = true;
  // The last step of each pair: the next crossing follows the seam or the
  // border just left.
  auto finish = [&](int k, int next, int pk, int pn, bool test) {
    if (test && a1[next].Kind == CROSS_TOUCH_OUTSIDE) return;
    if (afterSeam) {
      a1[next].Kind = CROSS_ENTRY;
      a2[pn].Kind = same ? CROSS_EXIT : CROSS_ENTRY;
      if (a1[k].Kind == CROSS_TOUCH_OUTSIDE) {
        a1[k].Kind = CROSS_TOUCH_INSIDE;
        a2[pk].Kind = CROSS_TOUCH_OUTSIDE;
      }
      afterSeam = false;
    } else if (afterBorder) {
      a1[next].Kind = CROSS_TOUCH_INSIDE;
      a2[pn].Kind = CROSS_TOUCH_OUTSIDE;
      afterBorder = false;
    }
  };
  int pk = n, pn = n;
  for (int k = 0; k < n; ++k) {
    const int next = (k + 1) % n;
    pk = GetPointCross(a2, n, a1[k].X, a1[k].Y);
    pn = GetPointCross(a2, n, a1[next].X, a1[next].Y);
    if (pk >= n || pn >= n) {
      complete = false;
      break;
    }
    if (a1[k].Kind == CROSS_TOUCH_OUTSIDE || a1[next].Kind == CROSS_TOUCH_OUTSIDE) {
      // The stretch from crossing k: to the next crossing on a neighbouring
      // segment, else to the vertex after k.
      const DOUBLEPOINT a{a1[k].X, a1[k].Y};
      DOUBLEPOINT b{a1[next].X, a1[next].Y};
      if (std::abs(a1[next].First - a1[k].First) > 1 && m1->GoPointSubject(std::min(a1[k].Second, points), 0))
        b = DOUBLEPOINT{m1->XDouble(), m1->YDouble()};
      const DOUBLEPOINT mid{(a.X + b.X) / 2.0, (a.Y + b.Y) / 2.0};
      DOUBLEPOINT o1, o2;
      m1->SeekPointNormalLine(&a, &b, &o1, &o2, 1.0, &mid);
      if (GetPlacePoint(&o1, &o2, m2, m1) == 3) {
        // An inner seam of the union.
        if (afterBorder) {
          a1[k].Kind = CROSS_EXIT;
          a2[pk].Kind = same ? CROSS_ENTRY : CROSS_EXIT;
          afterBorder = false;
        }
        afterSeam = true;
      } else {
        // A stretch of the union's border.
        if (afterSeam) {
          afterSeam = false;
          a1[k].Kind = CROSS_ENTRY;
          a2[pk].Kind = same ? CROSS_EXIT : CROSS_ENTRY;
        } else {
          a1[k].Kind = CROSS_TOUCH_INSIDE;
          a2[pk].Kind = CROSS_TOUCH_OUTSIDE;
        }
        afterBorder = true;
      }
    }
    finish(k, next, pk, pn, true);
  }
  if (complete) {
    pk = GetPointCross(a2, n, a1[n - 1].X, a1[n - 1].Y);
    pn = GetPointCross(a2, n, a1[0].X, a1[0].Y);
    if (pk < n && pn < n) finish(n - 1, 0, pk, pn, false);
  }
  // Touches go, with their partners.
  for (int k = 0; k < *count;) {
    if (a1[k].Kind != CROSS_TOUCH_INSIDE && a1[k].Kind != CROSS_TOUCH_OUTSIDE) {
      ++k;
      continue;
    }
    const int p = FindPartner(a2, *count, &a1[k]);
    if (p >= *count) {
      ++k;
      continue;
    }
    const int c = *count;
    std::memmove(a1 + k, a1 + k + 1, static_cast<size_t>(c - k - 1) * sizeof(POINTCROSS));
    std::memmove(a2 + p, a2 + p + 1, static_cast<size_t>(c - p - 1) * sizeof(POINTCROSS));
    *count = c - 1;
  }
}

int TObjectUnion::AdjustPoint(TDataEdit* moved, TDataEdit* target) {
  if (moved == nullptr || target == nullptr || moved->Record == nullptr || target->Record == nullptr)
    return 0;
  Snapped = 1;
  const int n = moved->PointCount(0);
  const bool closed = Closed(*moved, 0);
  const int last = closed ? n - 1 : n;
  for (int i = 1; i <= last; ++i) {
    DOUBLEPOINT p;
    if (!PointOf(*moved, 0, i, &p)) break;
    XYDOUBLE nearest;
    const int s = target->SeekNearVirtualPoint(p.X, p.Y, 0, &nearest);
    if (s == 0) continue;
    const double dn = Dist(p, nearest);
    if (dn * dn > 1e-6 && dn > SnapDistance) continue;
    // Onto a vertex of the segment found, or onto the segment itself.
    DOUBLEPOINT onto = nearest;
    bool insert = true;
    for (int v = s; v <= s + 1 && insert; ++v) {
      DOUBLEPOINT vertex;
      if (!PointOf(*target, 0, v, &vertex)) continue;
      const double dv = Dist(p, vertex);
      if (dv * dv <= 1e-6 || dv <= Precision) {
        insert = false;
        onto = p;
      } else if (dv <= SnapDistance) {
        insert = false;
        onto = vertex;
      }
    }
    if (insert) {
      if (!target->GoPointSubject(s, 0) || !target->InsertPoint(nearest.X, nearest.Y)) return 0;
    }
    if (onto.X == p.X && onto.Y == p.Y) continue;
    for (int at : {i, (closed && i == 1) ? n : 0}) {
      if (at == 0 || !moved->GoPointSubject(at, 0)) continue;
      moved->XDouble(onto.X);
      moved->YDouble(onto.Y);
    }
  }
  moved->FirstPointSubject(0);
  target->FirstPointSubject(0);
  return 1;
}

// ---------------------------------------------------------------------------
// The driver

// The union the overlay traced: its rings turn the way the second
// object's outer contour turns.
TDataEdit* TObjectUnion::GetOverlaid() {
  if (State != 0) return nullptr;
  const int positive = Data2.SignedSquareSubject(0) >= 0.0 ? 1 : 0;
  if (Overlay.Rings() > kMostContours) {
    State = GEOMETRY_ERR_LARGE;
    return nullptr;
  }
  if (!Overlay.WriteAll(&Result, ResultKind, positive)) {
    Refused(Result);
    return nullptr;
  }
  DeleteBeak(&Result);
  return &Result;
}

TDataEdit* TObjectUnion::GetObjectA() {
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (Overlaid) return GetOverlaid();
    if (State != 0) return nullptr;
    if (Container != nullptr) {
      if (!Result.Load(Container->Record, Container->TextFlag)) return nullptr;
      Result.DeleteEqualPoint(Precision, 0);
      Container = nullptr;
      State = 1;
      return &Result;
    }
    if (!Result.Create(ResultKind, 0)) return nullptr;
    TDataEdit* r = Mode == 1 ? GetObjectSquare() : GetObjectLine();
    if (r == nullptr && Overlaid) return GetOverlaid();
    // Too large for one record is the answer, however the union is made.
    if (State == GEOMETRY_ERR_LARGE) return nullptr;
    if (r != nullptr) {
      if (Result.Record->Length >= static_cast<DWORD>(METRIC_MAX_LENGTH)) {
        State = GEOMETRY_ERR_LARGE;
        return nullptr;
      }
      DeleteBeak(&Result);
      if (Mode == 1) DeleteLoop(&Result);
      return &Result;
    }
    if (SnapState == 0 && SnapDistance > Precision) {
      State = 0;
      Snap();
      if (LoadData()) continue;
    }
    if (SnapState == 1) {
      TDataEdit* a = Source2;
      TDataEdit* b = Source1;
      State = 0;
      if (!LoadObjects(a, b, Mode, SnapDistance, -1.0)) return nullptr;
      SnapState = 2;
      continue;
    }
    break;
  }
  return Refuse();
}

// Nothing traced and no code: areas take the overlay, whose noding decides
// contours the trace cannot (a contour crossing itself, as a bow tie
// does); what it cannot unite, and lines that do not join, are refused
// with a code, never handed back as nothing.
TDataEdit* TObjectUnion::Refuse() {
  if (State != 0) return nullptr;
  if (Mode == 1 && UniteOverlaid()) return GetOverlaid();
  if (State == 0) State = GEOMETRY_ERR_APART;
  return nullptr;
}

// ---------------------------------------------------------------------------
// Areas

TDataEdit* TObjectUnion::GetObjectSquare() {
  if (Count == 0 || State != 0) return nullptr;
  // Every piece traced: the largest is the outer contour, the others its
  // holes (however many there are).
  if (!Pieces.Create(ResultKind, 0)) return nullptr;
  int kept = 0, traced = 1;
  // Every trace uses up its start crossing.
  for (int guard = 0; traced == 1 && guard <= Count + 1; ++guard) {
    traced = TraceNext(0, [this](TDataEdit* out) { return TPointCross::CollectorOneObject(out, 0, 2); });
    if (traced != 1 || Result.PointCount(0) <= 3) continue;
    if (!Pieces.AppendSubject(&Result, 0)) {
      Refused(Pieces);
      return nullptr;
    }
    ++kept;
  }
  // A piece the trace could not close: the overlay decides.
  if (traced != 0) {
    UniteOverlaid();
    return nullptr;
  }
  if (kept == 0) return nullptr;
  std::vector<int> order(static_cast<size_t>(kept));
  std::vector<double> area(static_cast<size_t>(kept));
  for (int i = 0; i < kept; ++i) {
    order[i] = i;
    area[i] = Pieces.SquareSubject(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area[a] > area[b]; });
  if (!Result.LoadSubject(&Pieces, order[0]) || !IndexOuter()) return nullptr;
  for (int i = 1; i < kept && State == 0; ++i) AppendHole(&Pieces, order[i], 0);
  if (State != 0) return nullptr;
  // The union's outer contour holds each object's (up to the rounding of
  // the crossing points along the two perimeters).
  const double slack = Precision * (Data1.PolyPerimeter() + Data2.PolyPerimeter());
  const double outer = Result.SquareSubject(0);
  if (outer + slack < Data1.SquareSubject(0) || outer + slack < Data2.SquareSubject(0)) return nullptr;
  // Holes of each object, cut by the other object.
  AllocateResult();
  if (Holes1 > 0) {
    std::memset(Set1, 0, sizeof(Set1));
    for (int h = 1; h <= Holes1 && State == 0; ++h) {
      const int s = AppendHole(&Data1, h, h);
      if (s > 0) SetBit(Set1, s - 1, 1);
    }
    GetSubjectObjectSquare(&Result, Set1);
  }
  if (Holes2 > 0) {
    std::memset(Set2, 0, sizeof(Set2));
    for (int h = 1; h <= Holes2 && State == 0; ++h) {
      const int s = AppendHole(&Data2, h, -h);
      if (s > 0) SetBit(Set2, s - 1, 1);
    }
    GetSubjectObjectSquare(&Result, Set2);
  }
  AllocateResult();
  if (State == 0 && SetBitsSubjects()) GetSubjectSubjectSquare(Source1, Source2);
  return State == 0 ? &Result : nullptr;
}

int TObjectUnion::Refused(const TDataEdit& m) {
  State = Full(m) ? static_cast<LONG>(GEOMETRY_ERR_LARGE) : MAPERR_MEMORY;
  return 0;
}

int TObjectUnion::AllocateResult() {
  if (Result.Record == nullptr) return 0;
  const int64_t size = static_cast<int64_t>(Result.Record->Count) + 1 + Holes1 + Holes2;
  if (size <= HoleMapSize) return 1;
  auto* map = static_cast<LONG*>(plat::AllocPages(static_cast<size_t>(size) * sizeof(LONG)));
  if (map == nullptr) {
    State = MAPERR_MEMORY;
    return 0;
  }
  if (HoleMap != nullptr) std::memcpy(map, HoleMap, static_cast<size_t>(HoleMapSize) * sizeof(LONG));
  plat::FreePages(HoleMap);
  HoleMap = map;
  HoleMapSize = static_cast<LONG>(size);
  return 1;
}

// The result's outer contour is settled before any hole is added: its
// index answers whether a hole lies inside it.
int TObjectUnion::IndexOuter() {
  if (!Result.DimensionsSubject(&OuterFrame, 0)) return 0;
  return OuterIndex.Build(&Result, 0) ? 1 : 0;
}

TContourIndex* TObjectUnion::SourceIndex(TDataEdit* source) {
  TContourIndex& index = source == Source1 ? SourceIndex1 : SourceIndex2;
  TDataEdit*& built = source == Source1 ? Indexed1 : Indexed2;
  if (built != source) {
    if (!index.Build(source, 0)) return nullptr;
    built = source;
  }
  return &index;
}

// Subject h of the source as a hole of the result when it lies inside the
// result's outer contour (its frame within the outer frame, its first
// point inside): the hole's number in the result, else 0. The hole map
// gets the entry.
int TObjectUnion::AppendHole(TDataEdit* source, int h, LONG entry) {
  if (InsideDimensions(source, &OuterFrame, h) != 1) return 0;
  DOUBLEPOINT p;
  if (!source->GoPointSubject(1, h)) return 0;
  p = DOUBLEPOINT{source->XDouble(), source->YDouble()};
  if (OuterIndex.Empty() ? !InsideOf(Result, p) : !OuterIndex.Inside(p)) return 0;
  if (!Result.AppendSubject(source, h)) return Refused(Result);
  const int s = Result.Record->Count;
  HoleCount = s;
  if (s >= HoleMapSize && !AllocateResult()) return s;
  if (HoleMap != nullptr && s < HoleMapSize) HoleMap[s] = entry;
  return s;
}

int TObjectUnion::RemoveResultSubject(TDataEdit* result, int s) {
  if (!result->DeleteSubject(s)) return 0;
  if (HoleMap != nullptr && s < HoleMapSize) {
    std::memmove(HoleMap + s, HoleMap + s + 1, static_cast<size_t>(HoleMapSize - s - 1) * sizeof(LONG));
    HoleMap[HoleMapSize - 1] = 0;
  }
  return 1;
}

int TObjectUnion::RemoveResultSubjects(TDataEdit* result, const std::vector<int>& removed) {
  // A few go one by one (from the last, as listed); many in one pass, as
  // each deletion moves the rest of the record.
  if (removed.size() <= 128) {
    for (const int s : removed) RemoveResultSubject(result, s);
    return 1;
  }
  const int count = result->Record->Count;
  std::vector<uint8_t> gone(static_cast<size_t>(count) + 1, 0);
  for (const int s : removed)
    if (s >= 1 && s <= count) gone[static_cast<size_t>(s)] = 1;
  Local kept;
  if (!kept.LoadSubject(result, 0)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  for (int s = 1; s <= count; ++s)
    if (!gone[static_cast<size_t>(s)] && !kept.AppendSubject(result, s)) return Refused(kept);
  if (!result->Load(kept.Record, kept.TextFlag)) {
    State = MAPERR_MEMORY;
    return 0;
  }
  if (HoleMap != nullptr) {
    LONG to = 1;
    for (LONG s = 1; s < HoleMapSize; ++s)
      if (s > count || !gone[static_cast<size_t>(s)]) HoleMap[to++] = HoleMap[s];
    std::fill(HoleMap + to, HoleMap + HoleMapSize, 0);
  }
  return 1;
}

int TObjectUnion::SetBitsSubjects() {
  if (Holes1 == 0 || Holes2 == 0 || HoleMap == nullptr || Result.Record == nullptr) return 0;
  std::memset(Set1, 0, sizeof(Set1));
  std::memset(Set2, 0, sizeof(Set2));
  for (int s = 1; s <= Result.Record->Count && s < HoleMapSize; ++s) {
    if (HoleMap[s] > 0) SetBit(Set1, HoleMap[s] - 1, 1);
    if (HoleMap[s] < 0) SetBit(Set2, -HoleMap[s] - 1, 1);
  }
  return 1;
}

int TObjectUnion::GetSubjectObjectSquare(TDataEdit* result, BYTE* set) {
  if (result == nullptr || set == nullptr || result->Record == nullptr) return 0;
  TDataEdit* other = set == Set1 ? Source2 : Source1;
  DFRAME of;
  if (other == nullptr || !other->DimensionsSubject(&of, 0)) return 0;
  of = Widened(of, Precision);
  TObjectCutSubject* cutter = NewWorker<TObjectCutSubject>();
  if (cutter == nullptr) {
    State = MAPERR_MEMORY;
    return 0;
  }
  if (!Pieces.Create(static_cast<int>(result->Record->Ident), 0)) {
    FreeWorker(cutter);
    return 0;
  }
  // Where each marked hole lies in the record and its frame, found in one
  // walk up the record: the holes are taken from the last, and a walk to
  // each from the first would cost the whole record for every hole. The
  // record stays as it is until every hole has been looked at.
  const int count = result->Record->Count;
  std::vector<HoleAt> at(static_cast<size_t>(count) + 1);
  for (int h = 1; h <= count; ++h)
    if (Bit(set, h - 1))
      at[h].found = result->DimensionsSubject(&at[h].frame, h) &&
                    result->ContourPoints(h, at[h].first, at[h].count);
  const DWORD kind = result->Record->Ident;
  const int size = result->PointBytes;
  Local hole;
  std::vector<int> removed;
  std::vector<DOUBLEPOINT> points;
  TContourIndex* index = SourceIndex(other);
  for (int h = count; h >= 1; --h) {
    if (!Bit(set, h - 1) || !at[h].found || !FramesMeet(at[h].frame, of)) continue;
    // A hole apart from the other object's outer contour is covered by it
    // or left whole: only holes that meet it are cut.
    if (index != nullptr) {
      points.resize(at[h].count);
      for (DWORD i = 0; i < at[h].count; ++i)
        metric::ReadXY(kind, at[h].first + static_cast<size_t>(i) * size, points[i].X, points[i].Y);
      if (!index->Meets(points.data(), static_cast<int>(points.size()), Precision)) {
        if (!points.empty() && index->Inside(points[0])) removed.push_back(h);
        continue;
      }
    }
    if (!LoadHole(hole, *result, h, at[h])) continue;
    cutter->InitPointCross();
    if (!cutter->LoadObjects(&hole, other, 1, 0, Precision)) {
      DOUBLEPOINT p;
      if (PointOf(hole, 0, 1, &p) && InsideOf(*other, p)) removed.push_back(h);
      continue;
    }
    // The parts of the hole that the other object leaves open.
    while (TDataEdit* piece = cutter->GetNextObject())
      if (!AppendAll(Pieces, *piece)) {
        FreeWorker(cutter);
        return Refused(Pieces);
      }
    removed.push_back(h);
  }
  FreeWorker(cutter);
  if (removed.empty()) return 1;
  if (!RemoveResultSubjects(result, removed)) return 0;
  if (Pieces.PointCount(0) > 0)
    for (int c = 0; c <= Pieces.Record->Count; ++c)
      if (!result->AppendSubject(&Pieces, c)) return Refused(*result);
  HoleCount = result->Record->Count;
  AllocateResult();
  return 1;
}

int TObjectUnion::GetSubjectSubjectSquare(TDataEdit* first, TDataEdit* second) {
  if (first == nullptr || second == nullptr || first->Record == nullptr || second->Record == nullptr)
    return 0;
  TObjectCut* cutter = NewWorker<TObjectCut>();
  if (cutter == nullptr) {
    State = MAPERR_MEMORY;
    return 0;
  }
  if (!Pieces.Create(static_cast<int>(Result.Record->Ident), 0)) {
    FreeWorker(cutter);
    return 0;
  }
  Local hole, other;
  bool found = false;
  // Where the holes of both lie and their frames (the first's widened by
  // the precision), each record walked once; then the pairs whose frames
  // meet, taken from the last hole of the first and of the second down.
  const int holes1 = first->Record->Count, holes2 = second->Record->Count;
  std::vector<HoleAt> at1(static_cast<size_t>(holes1) + 1), at2(static_cast<size_t>(holes2) + 1);
  const DFRAME none{1.0, 1.0, -1.0, -1.0};
  std::vector<DFRAME> frames1(at1.size(), none), frames2(at2.size(), none);
  for (int h = 1; h <= holes1; ++h)
    if ((at1[h].found = first->DimensionsSubject(&at1[h].frame, h) &&
                        first->ContourPoints(h, at1[h].first, at1[h].count)))
      frames1[h] = Widened(at1[h].frame, Precision);
  for (int g = 1; g <= holes2; ++g)
    if ((at2[g].found = second->DimensionsSubject(&at2[g].frame, g) &&
                        second->ContourPoints(g, at2[g].first, at2[g].count)))
      frames2[g] = at2[g].frame;
  std::vector<std::pair<int, int>> pairs;
  MeetingFrames(frames1, frames2, pairs);
  std::sort(pairs.begin(), pairs.end(), std::greater<>());
  int loaded = 0;
  for (const auto& [h, g] : pairs) {
    if (h != loaded) {
      loaded = h;
      if (!LoadHole(hole, *first, h, at1[h])) loaded = -1;
    }
    if (loaded != h || !LoadHole(other, *second, g, at2[g])) continue;
    cutter->InitObjectCut();
    bool common = false;
    bool kept = true;
    if (cutter->LoadObjects(&hole, &other, 1, 0, Precision, 0)) {
      while (TDataEdit* piece = cutter->GetNextObject()) kept = kept && AppendAll(Pieces, *piece);
      common = true;
    } else if (cutter->Count == 0) {
      // Hole g wholly inside hole h is their common part.
      DOUBLEPOINT p;
      if (PointOf(other, 0, 1, &p) && InsideOf(hole, p)) {
        kept = Pieces.AppendSubject(&other, 0) != 0;
        common = true;
      }
    }
    if (!kept) {
      FreeWorker(cutter);
      return Refused(Pieces);
    }
    if (common) {
      SetBit(Set1, h - 1, 0);
      SetBit(Set2, g - 1, 0);
      found = true;
    }
  }
  FreeWorker(cutter);
  if (!found) return 0;
  std::vector<int> removed;
  for (int s = Result.Record->Count; s >= 1; --s) {
    const LONG e = (HoleMap != nullptr && s < HoleMapSize) ? HoleMap[s] : 0;
    if ((e > 0 && !Bit(Set1, e - 1)) || (e < 0 && !Bit(Set2, -e - 1))) removed.push_back(s);
  }
  if (!removed.empty() && !RemoveResultSubjects(&Result, removed)) return 0;
  if (Pieces.PointCount(0) > 0)
    for (int c = 0; c <= Pieces.Record->Count && State == 0; ++c) AppendHole(&Pieces, c, 0);
  HoleCount = Result.Record->Count;
  return State == 0 ? 1 : 0;
}

// Areas whose outer contours do not cross, one holding the other, with
// holes: the union goes through the overlay, which counts the holes and
// the parts lying in them by parity (the load takes that road itself).
int TObjectUnion::GetSubjectSquare() {
  if (Mode != 1 || State != 0) return 0;
  if (!Overlaid && !UniteOverlaid()) return 0;
  return GetOverlaid() != nullptr ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Lines

int TObjectUnion::IsObjectLineLimit(TDataEdit* first, TDataEdit* second) {
  if (first == nullptr || second == nullptr) return 0;
  const int n = first->PointCount(0), m = second->PointCount(0);
  if (n < 1 || m < 1) return 0;
  DOUBLEPOINT f1, l1, f2, l2;
  if (!PointOf(*first, 0, 1, &f1) || !PointOf(*first, 0, n, &l1) || !PointOf(*second, 0, 1, &f2) ||
      !PointOf(*second, 0, m, &l2))
    return 0;
  const double d[4] = {Dist(f1, f2), Dist(f1, l2), Dist(l1, f2), Dist(l1, l2)};
  int best = 0;
  for (int i = 1; i < 4; ++i)
    if (d[i] < d[best]) best = i;
  return d[best] <= SnapDistance ? best + 1 : 0;
}

int TObjectUnion::CollectorOneObjectLine(TDataEdit* result) {
  if (result == nullptr || LineJoin < 1 || LineJoin > 4) return 0;
  const int n = Data1.PointCount(0), m = Data2.PointCount(0);
  if (n < 1 || m < 1) return 0;
  DOUBLEPOINT a, b;
  if (!PointOf(Data1, 0, LineJoin <= 2 ? 1 : n, &a) ||
      !PointOf(Data2, 0, (LineJoin == 1 || LineJoin == 3) ? 1 : m, &b))
    return 0;
  const DOUBLEPOINT mid{(a.X + b.X) / 2.0, (a.Y + b.Y) / 2.0};
  // A stretch from..to of a line, skipped when empty.
  auto copy = [&](TDataEdit* source, int from, int to, bool forward) {
    if (forward ? from > to : from < to) return true;
    return MoveData(result, source, forward ? 1 : 0, 0, 0, from, to) != 0;
  };
  auto middle = [&]() { return result->AppendPointSubject(0, mid.X, mid.Y) != 0; };
  switch (LineJoin) {
    case 1:
      return copy(&Data2, m, 2, false) && middle() && copy(&Data1, 2, n, true);
    case 2:
      return copy(&Data2, 1, m - 1, true) && middle() && copy(&Data1, 2, n, true);
    case 3:
      return copy(&Data1, 1, n - 1, true) && middle() && copy(&Data2, 2, m, true);
    default:
      return copy(&Data1, 1, n - 1, true) && middle() && copy(&Data2, m - 1, 1, false);
  }
}

int TObjectUnion::GetSubjectLine(TDataEdit* out, TObjectUnion* nested) {
  if (out == nullptr || nested == nullptr) return 0;
  Local line, part;
  bool joined = false;
  for (int i = 0; i <= Holes1; ++i) {
    if (!Bit(Set1, i)) continue;
    if (!line.LoadSubject(&Data1, i)) continue;
    bool grown = false;
    for (int j = 0; j <= Holes2; ++j) {
      if (!Bit(Set2, j) || !part.LoadSubject(&Data2, j)) continue;
      nested->InitPointCross();
      nested->SnapState = 0;
      if (!nested->LoadObjects(&line, &part, 0, SnapDistance, Precision)) continue;
      TDataEdit* r = nested->GetObjectA();
      if (r == nullptr || !line.LoadSubject(r, 0)) continue;
      SetBit(Set1, i, 0);
      SetBit(Set2, j, 0);
      grown = true;
    }
    if (grown) {
      joined = true;
      if (!out->Load(line.Record, line.TextFlag)) return 0;
      return 1;
    }
  }
  return joined ? 1 : 0;
}

TDataEdit* TObjectUnion::GetObjectLine() {
  if (Holes1 == 0 && Holes2 == 0) {
    if (!CollectorOneObjectLine(&Result)) return nullptr;
    Result.DeleteEqualPoint(Precision, 0);
    return &Result;
  }
  TObjectUnion* nested = NewWorker<TObjectUnion>();
  if (nested == nullptr) {
    State = MAPERR_MEMORY;
    return nullptr;
  }
  Local out;
  TDataEdit* answer = nullptr;
  for (int pass = 1; pass <= 2; ++pass) {
    if (!Result.Create(ResultKind, 0)) break;
    int lines = 0;
    while (GetSubjectLine(&out, nested)) {
      if (lines++ == 0) Result.Load(out.Record, out.TextFlag);
      else Result.AppendSubject(&out, 0);
    }
    if (lines == 0 && pass == 1) break;
    // Parts that joined nothing stay, the first line's own included.
    for (int i = 0; i <= Holes1; ++i)
      if (Bit(Set1, i)) Result.AppendSubject(&Data1, i);
    for (int j = 0; j <= Holes2; ++j)
      if (Bit(Set2, j)) Result.AppendSubject(&Data2, j);
    if (pass == 2 || Result.Record->Count == 0) {
      Result.DeleteEqualPoint(Precision, 0);
      answer = &Result;
      break;
    }
    // The other joined lines and parts left: joined again with the first.
    if (!Pieces.LoadSubject(&Result, 1)) break;
    for (int c = 2; c <= Result.Record->Count; ++c) Pieces.AppendSubject(&Result, c);
    if (!Data1.LoadSubject(&Result, 0) || !Data2.Load(Pieces.Record, Pieces.TextFlag)) break;
    Holes1 = 0;
    Holes2 = Data2.Record->Count;
    MarkAll(Set1, 0, 0);
    MarkAll(Set2, 0, Holes2);
  }
  FreeWorker(nested);
  return answer;
}
