// The outline of the region a closed curve winds around.
#include "geometry/zoneoutline.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr auto Same = [](const DOUBLEPOINT& a, const DOUBLEPOINT& b) { return a.X == b.X && a.Y == b.Y; };

}  // namespace

bool TZoneOutline::Resolve(const DOUBLEPOINT* curve, int count, double precision,
                           std::vector<DOUBLEPOINT>* out) {
  out->clear();
  // Pixels of a power of two a quarter of the precision or finer (coarser
  // only where the grid would span more than 2^40 of them).
  int e = 0;
  std::frexp(std::max(precision, 1e-300) / 4, &e);
  Plane.Start(std::ldexp(1.0, e - 1), true, true);
  Plane.AddPath(curve, count, true, 1, false);
  if (!Plane.Build() || !Plane.Resolve([](int32_t winding) { return winding != 0; }) ||
      Plane.Parts.empty() || !Join(out)) {
    out->clear();
    return false;
  }
  return true;
}

// The points of ring r: grid points where the curve meets itself, its own
// points elsewhere.
void TZoneOutline::Points(int r, std::vector<DOUBLEPOINT>* to) {
  to->reserve(to->size() + static_cast<size_t>(Plane.Rings[r].npts));
  Plane.ForRing(r, [&](int32_t i) {
    const TNodedPlane::Station& s = Plane.Stations[i];
    to->push_back(s.node >= 0 && s.node < Plane.Shared ? Plane.At(s.key) : Plane.In[s.ref]);
  });
}

// The largest outer ring, with each of its holes bridged in: from the
// hole's point farthest along X straight on along X to the nearest edge
// met, whose way there and back joins the hole's ring to the outer one.
// Holes are taken from the one reaching farthest along X, so that no
// bridge crosses a hole not yet joined.
bool TZoneOutline::Join(std::vector<DOUBLEPOINT>* out) {
  const TNodedPlane::Part& part = Plane.Parts[0];
  Points(part.shell, out);
  HolePoints.clear();
  HoleStart.assign(1, 0);
  for (const int32_t h : part.holes) {
    Points(h, &HolePoints);
    HoleStart.push_back(HolePoints.size());
  }
  // Each hole's point farthest along X.
  Farthest.resize(part.holes.size());
  for (size_t r = 0; r < Farthest.size(); ++r) {
    size_t v = HoleStart[r];
    for (size_t i = v; i < HoleStart[r + 1]; ++i)
      if (HolePoints[i].X > HolePoints[v].X) v = i;
    Farthest[r] = v;
  }
  Holes.resize(part.holes.size());
  std::iota(Holes.begin(), Holes.end(), size_t{0});
  std::sort(Holes.begin(), Holes.end(), [&](size_t a, size_t b) {
    return HolePoints[Farthest[a]].X > HolePoints[Farthest[b]].X;
  });
  for (const size_t r : Holes) {
    const size_t v = Farthest[r];
    const DOUBLEPOINT at = HolePoints[v];
    size_t edge = out->size();
    double x = 0.0;
    for (size_t i = 0, n = out->size(); i < n; ++i) {
      const DOUBLEPOINT& p = (*out)[i];
      const DOUBLEPOINT& q = (*out)[i + 1 < n ? i + 1 : 0];
      if ((p.Y > at.Y) == (q.Y > at.Y)) continue;
      const double cx = p.X + (at.Y - p.Y) * (q.X - p.X) / (q.Y - p.Y);
      if (cx > at.X && (edge == n || cx < x)) edge = i, x = cx;
    }
    if (edge == out->size()) continue;
    const DOUBLEPOINT bridge{x, at.Y};
    Bridge.assign(1, bridge);
    Bridge.insert(Bridge.end(), HolePoints.begin() + static_cast<std::ptrdiff_t>(v),
                  HolePoints.begin() + static_cast<std::ptrdiff_t>(HoleStart[r + 1]));
    Bridge.insert(Bridge.end(), HolePoints.begin() + static_cast<std::ptrdiff_t>(HoleStart[r]),
                  HolePoints.begin() + static_cast<std::ptrdiff_t>(v) + 1);
    Bridge.push_back(bridge);
    out->insert(out->begin() + static_cast<std::ptrdiff_t>(edge) + 1, Bridge.begin(), Bridge.end());
  }
  // A bridge that lands on a vertex repeats it.
  out->erase(std::unique(out->begin(), out->end(), Same), out->end());
  while (out->size() > 1 && Same(out->front(), out->back())) out->pop_back();
  if (out->size() < 3) return false;
  out->push_back(out->front());
  return true;
}
