// Area pieces without an object's holes.
#include "geometry/holecut.h"

#include <algorithm>

#include "geometry/objectcut.h"

namespace {

// 1 when every vertex of subject h lies strictly inside the outer contour.
bool WhollyInside(TDataEdit& piece, TDataEdit& metric, int h) {
  const int n = metric.PointCount(h);
  for (int i = 1; i <= n; ++i) {
    if (metric.GoPointSubject(i, h) == nullptr) return false;
    const DOUBLEPOINT p{metric.XDouble(), metric.YDouble()};
    if (piece.Inside(&p, 0) != 1) return false;
  }
  return n > 0;
}

}  // namespace

int THoleCut::Cut(TDataEdit* piece, TDataEdit* object, double precision) {
  Parts.clear();
  if (piece == nullptr || piece->Record == nullptr || object == nullptr ||
      object->Record == nullptr)
    return 0;
  auto first = std::make_unique<Owned>();
  if (!first->M.Load(piece->Record, 0)) return 0;
  Parts.push_back(std::move(first));
  const int holes = object->Record->Count;
  for (int h = 1; h <= holes; ++h) {
    std::vector<std::unique_ptr<Owned>> next;
    for (auto& part : Parts) {
      TObjectCutSubject worker;
      if (!worker.LoadObjects(&part->M, object, 1, h, precision) || worker.Count == 0) {
        next.push_back(std::move(part));
        continue;
      }
      for (int guard = 0; guard <= 2 * worker.Count + 2; ++guard) {
        TDataEdit* q = worker.GetNextObject();
        if (q == nullptr) break;
        auto copy = std::make_unique<Owned>();
        if (!copy->M.Load(q->Record, 0)) return 0;
        next.push_back(std::move(copy));
      }
    }
    Parts = std::move(next);
  }
  for (auto& part : Parts)
    for (int h = 1; h <= holes; ++h)
      if (WhollyInside(part->M, *object, h)) part->M.AppendSubject(object, h);
  // The largest part first (handed out from the back).
  std::stable_sort(Parts.begin(), Parts.end(), [](const auto& a, const auto& b) {
    return a->M.SquareSubject(0) < b->M.SquareSubject(0);
  });
  return 1;
}

TDataEdit* THoleCut::Next(TDataEdit* into) {
  if (Parts.empty() || into == nullptr) return nullptr;
  const bool ok = into->Load(Parts.back()->M.Record, 0) != 0;
  Parts.pop_back();
  return ok ? into : nullptr;
}
