// Relations of two metrics: a crossing search on the outer contours, then
// the first point of each tested against the other.
#include "geometry/objectrelation.h"

#include <memory>
#include <new>

#include "geometry/objectconsent.h"
#include "geometry/objectcut.h"
#include "geometry/pointcross.h"

namespace {

// Inside or on contour n of the metric: 1; outside 2; no test 0.
int PointIn(TDataEdit* metric, TDataEdit* of, int n) {
  if (metric->GoPointSubject(1, 0) == nullptr) return 0;
  const DOUBLEPOINT p{metric->XDouble(), metric->YDouble()};
  const int r = of->Inside(&p, n);
  return r == 0 ? 0 : (r == 2 ? 2 : 1);
}

// 1 when the outer contour of `a` crosses contour n of `b`.
int Crosses(TPointCross& worker, TDataEdit* a, TDataEdit* b, int n) {
  worker.LoadObjects(a, b, 0, n, 0, -1.0);
  return worker.State == 0 && worker.Count > 0 ? 1 : 0;
}

// The holes of `outer` against `inner`, which lies inside its outer
// contour: crossing, in a hole (inHole), or inside (inside).
int AgainstHoles(TPointCross& worker, TDataEdit* inner, TDataEdit* outer, int inHole,
                 int inside) {
  const int holes = outer->Record->Count;
  for (int h = 1; h <= holes; ++h) {
    if (Crosses(worker, inner, outer, h)) return RELATION_CROSS;
    if (PointIn(inner, outer, h) == 1) return inHole;
  }
  return inside;
}

}  // namespace

int CheckInsideMetric(TDataEdit* first, TDataEdit* second, int holes) {
  if (first == nullptr || second == nullptr || first->Record == nullptr ||
      second->Record == nullptr)
    return RELATION_FAILED;
  std::unique_ptr<TPointCross> worker(new (std::nothrow) TPointCross());
  if (!worker) return RELATION_FAILED;
  if (Crosses(*worker, first, second, 0)) return RELATION_CROSS;
  const int a = PointIn(first, second, 0);
  if (a == 1)
    return holes ? AgainstHoles(*worker, first, second, RELATION_FIRST_IN_HOLE,
                                RELATION_FIRST_INSIDE)
                 : RELATION_FIRST_INSIDE;
  const int b = PointIn(second, first, 0);
  if (b == 1)
    return holes ? AgainstHoles(*worker, second, first, RELATION_SECOND_IN_HOLE,
                                RELATION_SECOND_INSIDE)
                 : RELATION_SECOND_INSIDE;
  return a == 0 && b == 0 ? RELATION_FAILED : RELATION_APART;
}

namespace {

bool ClosedOuter(TDataEdit* m) {
  const int n = m->PointCount(0);
  if (n < 4 || m->GoPointSubject(1, 0) == nullptr) return false;
  const double x = m->XDouble(), y = m->YDouble();
  if (m->GoPointSubject(n, 0) == nullptr) return false;
  return m->XDouble() == x && m->YDouble() == y;
}

bool AllTouchInside(const POINTCROSS* array, int count) {
  if (count <= 0) return false;
  for (int k = 0; k < count; ++k)
    if (array[k].Kind != CROSS_TOUCH_INSIDE) return false;
  return true;
}

}  // namespace

int CheckOverlapMetric(TDataEdit* area, TDataEdit* other, double precision) {
  if (area == nullptr || other == nullptr || area->Record == nullptr ||
      other->Record == nullptr || !ClosedOuter(area))
    return RELATION_FAILED;
  const int mode = ClosedOuter(other) ? 1 : 0;
  std::unique_ptr<TObjectCut> cut(new (std::nothrow) TObjectCut());
  if (!cut) return RELATION_FAILED;
  if (cut->LoadObjects(area, other, mode, precision, 0) && cut->Count > 0) {
    if (AllTouchInside(cut->Cross1, cut->Count)) return RELATION_FIRST_INSIDE;
    if (AllTouchInside(cut->Cross2, cut->Count)) return RELATION_CUT_ONLY;
    int inside = 0, outside = 0;
    for (int guard = 0; guard <= 4 * cut->Count + 4; ++guard) {
      TDataEdit* p = cut->GetNextObject();
      if (p == nullptr) break;
      if (mode != 1 || p->PointCount(0) >= 4) ++inside;
    }
    std::unique_ptr<TObjectConsent> consent(new (std::nothrow) TObjectConsent());
    if (consent && consent->LoadObjects(other, area, mode, 0, precision)) {
      // A line's parts are walked one by one: the bound grows with them.
      const int parts = mode == 1 ? 0 : other->Record->Count;
      for (int guard = 0; guard <= 4 * (consent->Count + parts) + 4; ++guard) {
        TDataEdit* p = consent->GetNextObject();
        if (p == nullptr) break;
        if (mode != 1 || p->PointCount(0) >= 4) ++outside;
      }
    }
    if (inside && outside) return RELATION_CROSS;
    if (inside) return RELATION_CUT_ONLY;
    if (outside) return RELATION_CONSENT_ONLY;
  }
  const int a = PointIn(area, other, 0);
  if (a == 1) return RELATION_FIRST_INSIDE;
  const int b = PointIn(other, area, 0);
  if (b == 1) return RELATION_SECOND_INSIDE;
  return a == 0 && b == 0 ? RELATION_FAILED : RELATION_APART;
}
