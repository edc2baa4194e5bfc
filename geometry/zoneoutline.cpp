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
  Plane.ForRing(r, [&](int32_t i) {
    const TNodedPlane::Station& s = Plane.Stations[i];
    to->push_back(s.node >= 0 && s.node < Plane.Shared ? Plane.At(s.key) : Plane.In[s.ref]);
  });
}

// The largest outer ring, with each of its holes bridged in: from the
// hole's point farthest along X straight on along X to the nearest side
// met, whose way there and back joins the hole's ring to the outer one.
// Holes are taken from the one reaching farthest along X, so that no
// bridge crosses a hole not yet joined, and a ray along X can meet only the
// outer ring and the holes joined before. The bridges are kept by the
// sides they land on and the walk is written once at the end, so that
// many holes cost no more than few.
bool TZoneOutline::Join(std::vector<DOUBLEPOINT>* out) {
  const TNodedPlane::Part& part = Plane.Parts[0];
  // Room for every ring at once: grown ring by ring, the points would be
  // copied once for every hole.
  size_t total = static_cast<size_t>(Plane.Rings[part.shell].npts);
  for (const int32_t h : part.holes) total += static_cast<size_t>(Plane.Rings[h].npts);
  Rings.clear();
  Rings.reserve(total);
  RingStart.assign(1, 0);
  Points(part.shell, &Rings);
  RingStart.push_back(static_cast<int32_t>(Rings.size()));
  for (const int32_t h : part.holes) {
    Points(h, &Rings);
    RingStart.push_back(static_cast<int32_t>(Rings.size()));
  }
  const size_t rings = RingStart.size() - 1, holes = rings - 1;
  RingOf.resize(Rings.size());
  for (size_t r = 0; r < rings; ++r)
    std::fill(RingOf.begin() + RingStart[r], RingOf.begin() + RingStart[r + 1], static_cast<int32_t>(r));
  Start.assign(rings, 0);
  Via.assign(rings, -1);
  Depth.assign(rings, 0);
  // Each hole's point farthest along X (the first of them).
  Farthest.resize(holes);
  for (size_t r = 0; r < holes; ++r) {
    int32_t v = RingStart[r + 1];
    for (int32_t i = v; i < RingStart[r + 2]; ++i)
      if (Rings[i].X > Rings[v].X) v = i;
    Farthest[r] = v;
  }
  Holes.resize(holes);
  std::iota(Holes.begin(), Holes.end(), size_t{0});
  std::sort(Holes.begin(), Holes.end(),
            [&](size_t a, size_t b) { return Rings[Farthest[a]].X > Rings[Farthest[b]].X; });
  Bridges.clear();
  Landed.assign(Rings.size(), -1);
  ListsUsed = 0;
  if (holes > 0) IndexSides();
  for (const size_t r : Holes) {
    const int32_t ring = static_cast<int32_t>(r + 1), v = Farthest[r];
    const Landing l = Land(Rings[v]);
    if (l.side < 0) continue;
    if (Landed[l.side] < 0) {
      if (ListsUsed == Lists.size()) Lists.emplace_back();
      Lists[ListsUsed].clear();
      Landed[l.side] = static_cast<int32_t>(ListsUsed++);
    }
    std::vector<int32_t>& list = Lists[Landed[l.side]];
    list.insert(list.begin() + l.piece, static_cast<int32_t>(Bridges.size()));
    Bridges.push_back(Bridge{DOUBLEPOINT{l.x, Rings[v].Y}, ring, l.side});
    Start[ring] = v - RingStart[ring];
    Via[ring] = static_cast<int32_t>(Bridges.size()) - 1;
    Depth[ring] = Depth[RingOf[l.side]] + 1;
  }
  Walk(out);
  // A bridge that lands on a vertex repeats it.
  out->erase(std::unique(out->begin(), out->end(), Same), out->end());
  while (out->size() > 1 && Same(out->front(), out->back())) out->pop_back();
  if (out->size() < 3) return false;
  out->push_back(out->front());
  return true;
}

// Side i runs from point i to the next point of its ring.
int32_t TZoneOutline::Next(int32_t i) const {
  const int32_t r = RingOf[i];
  return i + 1 == RingStart[r + 1] ? RingStart[r] : i + 1;
}

// Files every side in the cells of a grid over the rings that it passes
// through.
void TZoneOutline::IndexSides() {
  const int32_t n = static_cast<int32_t>(Rings.size());
  DFRAME frame;
  Margin = segmentgrid::CoverPoints(Cells, Rings.data(), Rings.size(), &frame);
  const size_t cells = static_cast<size_t>(Cells.Cells());
  CellStart.assign(cells + 1, 0);
  for (int32_t i = 0; i < n; ++i)
    segmentgrid::VisitCells(Cells, Rings[i], Rings[Next(i)], Margin, [&](int64_t c) { ++CellStart[c]; });
  for (size_t c = 1; c <= cells; ++c) CellStart[c] += CellStart[c - 1];
  CellItems.resize(static_cast<size_t>(CellStart[cells]));
  for (int32_t i = 0; i < n; ++i)
    segmentgrid::VisitCells(Cells, Rings[i], Rings[Next(i)], Margin,
                            [&](int64_t c) { CellItems[--CellStart[c]] = i; });
}

// The nearest side of the rings walked so far that the ray from `from`
// along growing X crosses: cell by cell along the ray's row, until the
// nearest crossing found lies before the next cell.
TZoneOutline::Landing TZoneOutline::Land(const DOUBLEPOINT& from) {
  Landing best;
  const int64_t row = Cells.Row(from.Y);
  for (int ix = Cells.Column(from.X); ix < Cells.nx; ++ix) {
    const int64_t c = row * Cells.nx + ix;
    for (int32_t k = CellStart[c]; k < CellStart[c + 1]; ++k) Look(CellItems[k], from, &best);
    if (best.side >= 0 && best.x < Cells.x0 + (ix + 1) * Cells.cw - 2.0 * Margin) break;
  }
  return best;
}

// Side `side` as the ray from `from` meets it: on the piece between the
// bridges landed on it that the ray crosses (counting a piece's lower end
// as below the ray and its upper end as above), nearer than *best or as
// near and earlier on the walk.
void TZoneOutline::Look(int32_t side, const DOUBLEPOINT& from, Landing* best) {
  const int32_t ring = RingOf[side];
  if (ring != 0 && Via[ring] < 0) return;
  const double y = from.Y;
  const DOUBLEPOINT& p = Rings[side];
  const DOUBLEPOINT& q = Rings[Next(side)];
  const bool above = p.Y > y;
  if (above == (q.Y > y)) return;
  // The ends of piece k: the side's ends and the bridges on it between.
  const std::vector<int32_t>* list = Landed[side] >= 0 ? &Lists[Landed[side]] : nullptr;
  const int32_t landed = list != nullptr ? static_cast<int32_t>(list->size()) : 0;
  const auto end = [&](int32_t k) -> const DOUBLEPOINT& {
    return k == 0 ? p : k > landed ? q : Bridges[(*list)[k - 1]].at;
  };
  // Along the side its pieces' ends lie on one side of the ray up to the
  // one the ray crosses, and on the other after it.
  int32_t lo = 0, hi = landed + 1;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    ((end(mid).Y > y) == above ? lo : hi) = mid;
  }
  const DOUBLEPOINT& a = end(lo);
  const DOUBLEPOINT& b = end(hi);
  const double x = a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
  if (!(x > from.X)) return;
  const Landing l{side, lo, x};
  if (best->side < 0 || x < best->x || (x == best->x && Before(l, *best))) *best = l;
}

// The place of slot `slot` of a side on the walk round its ring: slot 2k
// is piece k of the side, slot 2k + 1 the hole bridged in after it.
int64_t TZoneOutline::Order(int32_t side, int64_t slot) const {
  const int32_t r = RingOf[side], m = RingStart[r + 1] - RingStart[r];
  const int64_t step = (side - RingStart[r] - Start[r] + m) % m;
  return (step << 32) + slot;
}

// A ring's place on the walk round the ring it is bridged to.
void TZoneOutline::Lift(int32_t* ring, int64_t* key) {
  const Bridge& b = Bridges[Via[*ring]];
  const std::vector<int32_t>& list = Lists[Landed[b.side]];
  const int64_t k = std::find(list.begin(), list.end(), Via[*ring]) - list.begin();
  *ring = RingOf[b.side];
  *key = Order(b.side, 2 * k + 1);
}

// Whether landing a comes before b on the walk: compared on the ring
// where their ways from the outer ring part.
bool TZoneOutline::Before(const Landing& a, const Landing& b) {
  int32_t ra = RingOf[a.side], rb = RingOf[b.side];
  int64_t ka = Order(a.side, 2 * a.piece), kb = Order(b.side, 2 * b.piece);
  while (ra != rb) {
    const int32_t da = Depth[ra], db = Depth[rb];
    if (da >= db) Lift(&ra, &ka);
    if (db >= da) Lift(&rb, &kb);
  }
  return ka < kb;
}

// The outer ring from its first point with every hole bridged in where it
// landed: a hole from the point it was bridged from, round and back to it.
void TZoneOutline::Walk(std::vector<DOUBLEPOINT>* out) {
  out->clear();
  out->reserve(Rings.size() + 3 * Bridges.size());
  Stack.assign(1, Step{0, 0, -1});
  while (!Stack.empty()) {
    Step& s = Stack.back();
    const int32_t first = RingStart[s.ring], m = RingStart[s.ring + 1] - first;
    if (s.bridge < 0 && s.at == m) {
      // Round the hole and back over its bridge.
      const int32_t ring = s.ring;
      Stack.pop_back();
      if (Stack.empty()) break;
      out->push_back(Rings[first + Start[ring]]);
      out->push_back(Bridges[Via[ring]].at);
      ++Stack.back().bridge;
      continue;
    }
    const int32_t side = first + (Start[s.ring] + s.at) % m;
    if (s.bridge < 0) {
      out->push_back(Rings[side]);
      s.bridge = 0;
    }
    if (Landed[side] >= 0 && s.bridge < static_cast<int32_t>(Lists[Landed[side]].size())) {
      const Bridge& b = Bridges[Lists[Landed[side]][s.bridge]];
      out->push_back(b.at);
      Stack.push_back(Step{b.hole, 0, -1});
      continue;
    }
    ++s.at;
    s.bridge = -1;
  }
}
