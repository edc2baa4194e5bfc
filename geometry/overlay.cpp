// The noded overlay: snap rounding of the contours on the precision's grid,
// the plane of nodes and edges they make, its faces labelled inside or
// outside each area, and the result's rings traced and nested.
//
// All decisions are made on whole grid numbers with exact products (128
// bits), so a point lies on a line, left or right of it, exactly as the
// numbers say; only the place of a crossing is computed in floating point,
// and the node it makes is checked against both segments.
#include "geometry/overlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/pointcross.h"
#include "geometry/workhelpers.h"

namespace {

using i128 = __int128;
using segmentgrid::Dist2Segment;
using segmentgrid::FramesMeet;
using segmentgrid::Grid;
using segmentgrid::SegmentFrame;
using segmentgrid::VisitCells;

// The grid spans at most this many steps each way, so that the doubled
// coordinates and their products stay exact.
constexpr double kMaxSpan = 1099511627776.0;  // 2^40
// Grid cells at most.
constexpr double kMaxCells = 4194304.0;

inline i128 Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  return static_cast<i128>(ax) * by - static_cast<i128>(ay) * bx;
}

inline int Sign(i128 v) { return (v > 0) - (v < 0); }

// Height priority of an owner: the second metric's heights win, as the
// crossing search gives them.
inline int8_t Rank(int owner) {
  return owner == TNodedOverlay::SECOND ? 3 : owner == TNodedOverlay::FIRST ? 2 : 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// Input

void TNodedOverlay::Start(double precision) {
  Step = precision > GEOMETRY_PRECISION ? precision : GEOMETRY_PRECISION;
  const double units = 1.0 / Step, whole = std::round(units);
  PerUnit = (whole >= 1.0 && std::fabs(units - whole) <= 1e-9 * whole) ? whole : 0.0;
  Paths.clear();
  In.clear();
  InH.clear();
  Parts.clear();
  Rings.clear();
  Heights = false;
  State = 0;
}

bool TNodedOverlay::Add(TDataEdit& metric, int s, int owner) {
  if (metric.Record == nullptr) return false;
  Heights = Heights || metric.DatDimension() != 0;
  std::vector<DOUBLEPOINT>& points = ReadPoints;
  std::vector<double>& heights = ReadHeights;
  auto add = [&](int c, const std::vector<DOUBLEPOINT>& p, const std::vector<double>& h) {
    if (p.empty() || (s >= 0 && c != s)) return;
    const bool closed = owner != LINE ||
                        (p.size() > 2 && p.front().X == p.back().X && p.front().Y == p.back().Y);
    Paths.push_back(Path{static_cast<int>(In.size()), static_cast<int>(p.size()), owner, c, closed});
    In.insert(In.end(), p.begin(), p.end());
    InH.insert(InH.end(), h.begin(), h.end());
  };
  if (s < 0) return geomwork::ForEachContour(metric, points, heights, add);
  if (!geomwork::ReadContour(metric, s, points, &heights)) return false;
  add(s, points, heights);
  return true;
}

double TNodedOverlay::X(int64_t gx) const {
  const double g = static_cast<double>(gx + OriginX);
  return PerUnit > 0.0 ? g / PerUnit : g * Step;
}

double TNodedOverlay::Y(int64_t gy) const {
  const double g = static_cast<double>(gy + OriginY);
  return PerUnit > 0.0 ? g / PerUnit : g * Step;
}

// ---------------------------------------------------------------------------
// Snap rounding

int TNodedOverlay::Build(int operation) {
  State = 0;
  Parts.clear();
  Rings.clear();
  RingEdges.clear();
  Segments.clear();
  Hot.clear();
  Fragments.clear();
  Edges.clear();
  if (In.empty()) return 1;
  // The grid: every point to its nearest grid point, counted from the
  // lowest one.
  double x1 = In[0].X, y1 = In[0].Y, x2 = x1, y2 = y1;
  for (const DOUBLEPOINT& p : In) {
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) {
      State = GEOMETRY_ERR_METRIC;
      return 0;
    }
    x1 = std::min(x1, p.X), y1 = std::min(y1, p.Y);
    x2 = std::max(x2, p.X), y2 = std::max(y2, p.Y);
  }
  const double limit = 4.0e18;
  if (std::fabs(x1 / Step) > limit || std::fabs(x2 / Step) > limit ||
      std::fabs(y1 / Step) > limit || std::fabs(y2 / Step) > limit ||
      std::round(x2 / Step) - std::round(x1 / Step) > kMaxSpan ||
      std::round(y2 / Step) - std::round(y1 / Step) > kMaxSpan) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  OriginX = std::llround(x1 / Step);
  OriginY = std::llround(y1 / Step);
  V.resize(In.size());
  for (size_t i = 0; i < In.size(); ++i)
    V[i] = GPoint{std::llround(In[i].X / Step) - OriginX, std::llround(In[i].Y / Step) - OriginY};
  auto same = [&](int i, int j) { return V[i].x == V[j].x && V[i].y == V[j].y; };
  for (int p = 0; p < static_cast<int>(Paths.size()); ++p) {
    const Path& path = Paths[p];
    int from = path.first;
    const int end = path.first + path.count;
    for (int i = path.first + 1; i < end; ++i) {
      if (same(from, i)) continue;
      Segments.push_back(Segment{from, i, p});
      from = i;
    }
    if (path.closed && from != path.first && !same(from, path.first))
      Segments.push_back(Segment{from, path.first, p});
  }
  if (Segments.empty()) return 1;
  if (!Index()) return 0;
  Intersections();
  std::sort(Hot.begin(), Hot.end(),
            [](const GPoint& a, const GPoint& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  Hot.erase(std::unique(Hot.begin(), Hot.end(),
                        [](const GPoint& a, const GPoint& b) { return a.x == b.x && a.y == b.y; }),
            Hot.end());
  // The nodes by cell.
  const size_t cells = static_cast<size_t>(Cells.Cells());
  HotStart.assign(cells + 1, 0);
  auto cellOf = [&](const GPoint& p) {
    return Cells.Row(static_cast<double>(p.y)) * Cells.nx + Cells.Column(static_cast<double>(p.x));
  };
  for (const GPoint& p : Hot) ++HotStart[cellOf(p)];
  for (size_t c = 1; c <= cells; ++c) HotStart[c] += HotStart[c - 1];
  HotItems.resize(Hot.size());
  for (int n = static_cast<int>(Hot.size()) - 1; n >= 0; --n) HotItems[--HotStart[cellOf(Hot[n])]] = n;
  Snap();
  MakeEdges(operation);
  // Line stretches that end in the open, and those that only join a face
  // to itself, cut nothing: they go, and the plane is linked again.
  for (;;) {
    if (operation == SPLIT) Prune();
    if (!Link() || !Label()) {
      State = GEOMETRY_ERR_PIECE;
      return 0;
    }
    if (operation != SPLIT) break;
    size_t kept = 0;
    for (size_t e = 0; e < Edges.size(); ++e) {
      const Edge& edge = Edges[e];
      const bool bridge = edge.lineDir != 0 && Face[2 * e] == Face[2 * e + 1];
      if (!bridge) Edges[kept++] = edge;
    }
    if (kept == Edges.size()) break;
    Edges.resize(kept);
  }
  if (Trace(operation) < 0) {
    State = GEOMETRY_ERR_PIECE;
    return 0;
  }
  Assemble(operation);
  return 1;
}

bool TNodedOverlay::Index() {
  int64_t mx = 0, my = 0;
  for (const GPoint& p : V) mx = std::max(mx, p.x), my = std::max(my, p.y);
  Cells.Cover(DFRAME{0.0, 0.0, static_cast<double>(mx), static_cast<double>(my)},
              std::min(kMaxCells, static_cast<double>(Segments.size())));
  const size_t cells = static_cast<size_t>(Cells.Cells());
  CellStart.assign(cells + 1, 0);
  auto visit = [&](const Segment& s, auto&& f) {
    const DOUBLEPOINT a{static_cast<double>(V[s.a].x), static_cast<double>(V[s.a].y)};
    const DOUBLEPOINT b{static_cast<double>(V[s.b].x), static_cast<double>(V[s.b].y)};
    VisitCells(Cells, a, b, 1.0, f);
  };
  for (const Segment& s : Segments) visit(s, [&](int c) { ++CellStart[c]; });
  for (size_t c = 1; c <= cells; ++c) CellStart[c] += CellStart[c - 1];
  CellItems.resize(static_cast<size_t>(CellStart[cells]));
  for (int i = static_cast<int>(Segments.size()) - 1; i >= 0; --i)
    visit(Segments[i], [&](int c) { CellItems[--CellStart[c]] = i; });
  return true;
}

bool TNodedOverlay::HitsPixel(const GPoint& a, const GPoint& b, const GPoint& c) const {
  // Doubled, the pixel around c runs from 2c - 1 to 2c + 1 (its border
  // included).
  const int64_t ax = 2 * a.x, ay = 2 * a.y, bx = 2 * b.x, by = 2 * b.y;
  const int64_t lx = 2 * c.x - 1, hx = 2 * c.x + 1, ly = 2 * c.y - 1, hy = 2 * c.y + 1;
  if (std::max(ax, bx) < lx || std::min(ax, bx) > hx || std::max(ay, by) < ly ||
      std::min(ay, by) > hy)
    return false;
  const int64_t dx = bx - ax, dy = by - ay;
  const int s1 = Sign(Cross(dx, dy, lx - ax, ly - ay)), s2 = Sign(Cross(dx, dy, hx - ax, ly - ay));
  const int s3 = Sign(Cross(dx, dy, hx - ax, hy - ay)), s4 = Sign(Cross(dx, dy, lx - ax, hy - ay));
  return !((s1 > 0 && s2 > 0 && s3 > 0 && s4 > 0) || (s1 < 0 && s2 < 0 && s3 < 0 && s4 < 0));
}

void TNodedOverlay::Intersections() {
  Hot.assign(V.begin(), V.end());
  const int n = static_cast<int>(Segments.size());
  Stamp.assign(static_cast<size_t>(n), -1);
  for (int i = 0; i < n; ++i) {
    const GPoint a = V[Segments[i].a], b = V[Segments[i].b];
    const DOUBLEPOINT da{static_cast<double>(a.x), static_cast<double>(a.y)};
    const DOUBLEPOINT db{static_cast<double>(b.x), static_cast<double>(b.y)};
    const int64_t ex = b.x - a.x, ey = b.y - a.y;
    VisitCells(Cells, da, db, 1.0, [&](int cell) {
      for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
        const int j = CellItems[k];
        if (j <= i || Stamp[j] == i) continue;
        Stamp[j] = i;
        const GPoint c = V[Segments[j].a], d = V[Segments[j].b];
        if (std::max(a.x, b.x) < std::min(c.x, d.x) || std::max(c.x, d.x) < std::min(a.x, b.x) ||
            std::max(a.y, b.y) < std::min(c.y, d.y) || std::max(c.y, d.y) < std::min(a.y, b.y))
          continue;
        const int o1 = Sign(Cross(ex, ey, c.x - a.x, c.y - a.y));
        const int o2 = Sign(Cross(ex, ey, d.x - a.x, d.y - a.y));
        if (o1 * o2 >= 0) continue;
        const int64_t fx = d.x - c.x, fy = d.y - c.y;
        const int o3 = Sign(Cross(fx, fy, a.x - c.x, a.y - c.y));
        const int o4 = Sign(Cross(fx, fy, b.x - c.x, b.y - c.y));
        if (o3 * o4 >= 0) continue;
        // A proper crossing: the node nearest to it that both segments
        // pass (the nearest one, unless rounding put it a pixel off).
        const double t = static_cast<double>(Cross(c.x - a.x, c.y - a.y, fx, fy)) /
                         static_cast<double>(Cross(ex, ey, fx, fy));
        const GPoint r{std::llround(static_cast<double>(a.x) + t * static_cast<double>(ex)),
                         std::llround(static_cast<double>(a.y) + t * static_cast<double>(ey))};
        GPoint node = r;
        bool found = HitsPixel(a, b, r) && HitsPixel(c, d, r);
        for (int dx = -1; dx <= 1 && !found; ++dx)
          for (int dy = -1; dy <= 1 && !found; ++dy) {
            const GPoint q{r.x + dx, r.y + dy};
            if (HitsPixel(a, b, q) && HitsPixel(c, d, q)) node = q, found = true;
          }
        Hot.push_back(node);
      }
    });
  }
}

int TNodedOverlay::NodeOf(const GPoint& p) const {
  const auto it = std::lower_bound(Hot.begin(), Hot.end(), p, [](const GPoint& a, const GPoint& b) {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  });
  return static_cast<int>(it - Hot.begin());
}

void TNodedOverlay::Snap() {
  const size_t nodes = Hot.size();
  NodeOuter.assign(nodes, 0);
  if (Heights) {
    NodeH.assign(nodes, METRIC_NO_HEIGHT);
    NodeHRank.assign(nodes, 0);
  }
  Fragments.clear();
  Fragments.reserve(Segments.size() + Segments.size() / 4);
  for (int s = 0; s < static_cast<int>(Segments.size()); ++s) {
    const Segment& seg = Segments[s];
    const Path& path = Paths[seg.path];
    const GPoint a = V[seg.a], b = V[seg.b];
    const int na = NodeOf(a), nb = NodeOf(b);
    const double ex = static_cast<double>(b.x - a.x), ey = static_cast<double>(b.y - a.y);
    const double len2 = ex * ex + ey * ey, len = std::sqrt(len2);
    const int64_t lx = std::min(a.x, b.x) - 1, hx = std::max(a.x, b.x) + 1;
    const int64_t ly = std::min(a.y, b.y) - 1, hy = std::max(a.y, b.y) + 1;
    Hits.clear();
    Work.clear();
    const DOUBLEPOINT da{static_cast<double>(a.x), static_cast<double>(a.y)};
    const DOUBLEPOINT db{static_cast<double>(b.x), static_cast<double>(b.y)};
    VisitCells(Cells, da, db, 1.0, [&](int cell) {
      for (int32_t k = HotStart[cell]; k < HotStart[cell + 1]; ++k) {
        const int w = HotItems[k];
        const GPoint& c = Hot[w];
        if (c.x < lx || c.x > hx || c.y < ly || c.y > hy || w == na || w == nb) continue;
        const double px = static_cast<double>(c.x - a.x), py = static_cast<double>(c.y - a.y);
        if (std::fabs(ex * py - ey * px) > 1.5 * len) continue;  // far from the line
        const double t = (px * ex + py * ey) / len2;
        if (HitsPixel(a, b, c)) Hits.emplace_back(t, w);
        else Work.push_back(w);
      }
    });
    std::sort(Hits.begin(), Hits.end());
    Chain.clear();
    Chain.push_back(na);
    for (const auto& [t, w] : Hits)
      if (Chain.back() != w) Chain.push_back(w);
    Chain.push_back(nb);
    // A node that none of the segment's pixels hold may still lie exactly
    // on a stretch between two of its nodes: the stretch passes through it.
    for (bool inserted = !Work.empty(); inserted;) {
      inserted = false;
      for (int w : Work) {
        const GPoint& c = Hot[w];
        for (size_t k = 0; k + 1 < Chain.size(); ++k) {
          const GPoint& u = Hot[Chain[k]];
          const GPoint& v = Hot[Chain[k + 1]];
          if (c.x < std::min(u.x, v.x) || c.x > std::max(u.x, v.x) || c.y < std::min(u.y, v.y) ||
              c.y > std::max(u.y, v.y) || Chain[k] == w || Chain[k + 1] == w)
            continue;
          if (Sign(Cross(v.x - u.x, v.y - u.y, c.x - u.x, c.y - u.y)) != 0) continue;
          Chain.insert(Chain.begin() + static_cast<std::ptrdiff_t>(k) + 1, w);
          inserted = true;
          break;
        }
      }
    }
    const uint8_t outer = path.subject == 0 && path.owner != LINE ? (path.owner == FIRST ? 1 : 2) : 0;
    for (size_t k = 0; k < Chain.size(); ++k) {
      const int w = Chain[k];
      NodeOuter[w] |= outer;
      if (Heights) {
        const int8_t rank = Rank(path.owner);
        if (rank > NodeHRank[w]) {
          const double ha = InH[seg.a], hb = InH[seg.b];
          double h = METRIC_NO_HEIGHT;
          if (w == na) h = ha;
          else if (w == nb) h = hb;
          else if (ha != METRIC_NO_HEIGHT && hb != METRIC_NO_HEIGHT) {
            const GPoint& c = Hot[w];
            double t = (static_cast<double>(c.x - a.x) * ex + static_cast<double>(c.y - a.y) * ey) / len2;
            t = std::clamp(t, 0.0, 1.0);
            h = ha + (hb - ha) * t;
          }
          if (h != METRIC_NO_HEIGHT) NodeH[w] = h, NodeHRank[w] = rank;
        }
      }
      if (k + 1 == Chain.size()) break;
      const int u = Chain[k], v = Chain[k + 1];
      if (u == v) continue;
      Fragments.push_back(Fragment{std::min(u, v), std::max(u, v), seg.path, static_cast<int8_t>(u < v ? 1 : -1),
                                   (static_cast<int64_t>(s) << 20) | static_cast<int64_t>(std::min<size_t>(k, 0xFFFFF))});
    }
  }
}

void TNodedOverlay::MakeEdges(int operation) {
  std::sort(Fragments.begin(), Fragments.end(), [](const Fragment& p, const Fragment& q) {
    if (p.lo != q.lo) return p.lo < q.lo;
    if (p.hi != q.hi) return p.hi < q.hi;
    return p.key < q.key;
  });
  Edges.clear();
  for (size_t i = 0; i < Fragments.size();) {
    size_t j = i;
    Edge e{Fragments[i].lo, Fragments[i].hi, 0, 0, 0, 0};
    for (; j < Fragments.size() && Fragments[j].lo == e.u && Fragments[j].hi == e.v; ++j) {
      const Fragment& f = Fragments[j];
      const int owner = Paths[f.path].owner;
      if (owner == FIRST) e.pA ^= 1;
      else if (owner == SECOND) e.pB ^= 1;
      else if (e.lineDir == 0) e.lineDir = f.dir, e.lineKey = f.key;
    }
    i = j;
    // A line along a contour of the area cuts nothing there.
    if (e.pA || e.pB) e.lineDir = 0;
    if (e.pA || e.pB || (operation == SPLIT && e.lineDir != 0)) Edges.push_back(e);
  }
}

// Line stretches ending at a node of their own: away, and then the ones
// that end there in turn.
void TNodedOverlay::Prune() {
  const int nodes = static_cast<int>(Hot.size());
  Work.assign(static_cast<size_t>(nodes) + 1, 0);
  for (const Edge& e : Edges) ++Work[e.u], ++Work[e.v];
  // Edges by node.
  Work2.assign(static_cast<size_t>(nodes) + 1, 0);
  for (int n = 0; n < nodes; ++n) Work2[n + 1] = Work2[n] + Work[n];
  std::vector<int32_t>& byNode = Items;
  byNode.resize(Edges.size() * 2);
  Fill.assign(Work2.begin(), Work2.end() - 1);
  for (int e = 0; e < static_cast<int>(Edges.size()); ++e) {
    byNode[Fill[Edges[e].u]++] = e;
    byNode[Fill[Edges[e].v]++] = e;
  }
  std::vector<uint8_t>& gone = Gone;
  gone.assign(Edges.size(), 0);
  std::vector<int32_t>& queue = Queue;
  queue.clear();
  for (int n = 0; n < nodes; ++n)
    if (Work[n] == 1) queue.push_back(n);
  while (!queue.empty()) {
    const int n = queue.back();
    queue.pop_back();
    if (Work[n] != 1) continue;
    for (int32_t k = Work2[n]; k < Work2[n + 1]; ++k) {
      const int e = byNode[k];
      if (gone[e] || Edges[e].lineDir == 0) continue;
      gone[e] = 1;
      const int other = Edges[e].u == n ? Edges[e].v : Edges[e].u;
      --Work[n];
      if (--Work[other] == 1) queue.push_back(other);
      break;
    }
  }
  size_t kept = 0;
  for (size_t e = 0; e < Edges.size(); ++e)
    if (!gone[e]) Edges[kept++] = Edges[e];
  Edges.resize(kept);
}

// ---------------------------------------------------------------------------
// The plane

bool TNodedOverlay::Link() {
  const int nodes = static_cast<int>(Hot.size());
  const int half = 2 * static_cast<int>(Edges.size());
  NodeFirst.assign(static_cast<size_t>(nodes) + 1, 0);
  for (int h = 0; h < half; ++h) ++NodeFirst[Origin(h) + 1];
  for (int n = 0; n < nodes; ++n) NodeFirst[n + 1] += NodeFirst[n];
  Around.resize(static_cast<size_t>(half));
  Work.assign(NodeFirst.begin(), NodeFirst.end() - 1);
  for (int h = 0; h < half; ++h) Around[Work[Origin(h)]++] = h;
  // Counterclockwise from the direction of growing X.
  for (int n = 0; n < nodes; ++n) {
    const int32_t f = NodeFirst[n], l = NodeFirst[n + 1];
    if (l - f < 2) continue;
    const GPoint o = Hot[n];
    std::sort(Around.begin() + f, Around.begin() + l, [&](int32_t p, int32_t q) {
      const GPoint& a = Hot[(p & 1) ? Edges[p >> 1].u : Edges[p >> 1].v];
      const GPoint& b = Hot[(q & 1) ? Edges[q >> 1].u : Edges[q >> 1].v];
      const int64_t ax = a.x - o.x, ay = a.y - o.y, bx = b.x - o.x, by = b.y - o.y;
      const int ha = (ay < 0 || (ay == 0 && ax < 0)) ? 1 : 0;
      const int hb = (by < 0 || (by == 0 && bx < 0)) ? 1 : 0;
      if (ha != hb) return ha < hb;
      return Cross(ax, ay, bx, by) > 0;
    });
  }
  At.resize(static_cast<size_t>(half));
  for (int k = 0; k < half; ++k) At[Around[k]] = k;
  // The face on the left of a half-edge goes on along the half-edge that
  // turns most to the left at its end: the one just clockwise of its twin.
  Next.resize(static_cast<size_t>(half));
  for (int h = 0; h < half; ++h) {
    const int t = h ^ 1, v = Origin(t);
    const int32_t f = NodeFirst[v], deg = NodeFirst[v + 1] - f;
    Next[h] = Around[f + (At[t] - f + deg - 1) % deg];
  }
  Face.assign(static_cast<size_t>(half), -1);
  int faces = 0;
  for (int h = 0; h < half; ++h) {
    if (Face[h] >= 0) continue;
    int cur = h;
    for (int steps = 0; Face[cur] < 0; ++steps) {
      if (steps > half) return false;
      Face[cur] = faces;
      cur = Next[cur];
    }
    if (cur != h) return false;
    ++faces;
  }
  FaceLabel.assign(static_cast<size_t>(faces), 0);
  return true;
}

// Each face is inside or outside each area by the parity of the area's
// contours crossed on the way to it. The first face of every connected
// part of the plane, the one around it, is counted from a ray going left
// from its leftmost node; the others follow across the edges.
bool TNodedOverlay::Label() {
  const int nodes = static_cast<int>(Hot.size());
  const int half = 2 * static_cast<int>(Edges.size());
  if (half == 0) return true;
  // Connected parts, each with its leftmost (then lowest) node.
  std::vector<int32_t>& parent = Parent;
  parent.resize(static_cast<size_t>(nodes));
  for (int n = 0; n < nodes; ++n) parent[n] = n;
  auto find = [&](int n) {
    while (parent[n] != n) n = parent[n] = parent[parent[n]];
    return n;
  };
  for (const Edge& e : Edges) {
    const int a = find(e.u), b = find(e.v);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  }
  std::vector<int32_t>& leftmost = Leftmost;
  leftmost.assign(static_cast<size_t>(nodes), -1);
  for (int n = 0; n < nodes; ++n) {
    if (NodeFirst[n + 1] == NodeFirst[n]) continue;
    int& l = leftmost[find(n)];
    if (l < 0 || Hot[n].x < Hot[l].x || (Hot[n].x == Hot[l].x && Hot[n].y < Hot[l].y)) l = n;
  }
  // The edges that change a parity, by bands of Y, for the rays.
  int64_t maxY = 0;
  for (const GPoint& p : Hot) maxY = std::max(maxY, p.y);
  const int bands = static_cast<int>(std::clamp<size_t>(Edges.size() / 8, 1, 65536));
  const double per = static_cast<double>(bands) / (static_cast<double>(maxY) + 1.0);
  auto band = [&](int64_t y) { return std::min(bands - 1, static_cast<int>(static_cast<double>(y) * per)); };
  Work.assign(static_cast<size_t>(bands) + 1, 0);
  for (const Edge& e : Edges) {
    if (!e.pA && !e.pB) continue;
    const int b1 = band(std::min(Hot[e.u].y, Hot[e.v].y)), b2 = band(std::max(Hot[e.u].y, Hot[e.v].y));
    for (int b = b1; b <= b2; ++b) ++Work[b + 1];
  }
  for (int b = 0; b < bands; ++b) Work[b + 1] += Work[b];
  Work2.resize(static_cast<size_t>(Work[bands]));
  Fill.assign(Work.begin(), Work.end() - 1);
  for (int e = 0; e < static_cast<int>(Edges.size()); ++e) {
    const Edge& edge = Edges[e];
    if (!edge.pA && !edge.pB) continue;
    const int b1 = band(std::min(Hot[edge.u].y, Hot[edge.v].y));
    const int b2 = band(std::max(Hot[edge.u].y, Hot[edge.v].y));
    for (int b = b1; b <= b2; ++b) Work2[Fill[b]++] = e;
  }
  // The half-edges of each face.
  const int faces = static_cast<int>(FaceLabel.size());
  std::vector<int32_t>& faceFirst = FaceFirst;
  faceFirst.assign(static_cast<size_t>(faces) + 1, 0);
  for (int h = 0; h < half; ++h) ++faceFirst[Face[h] + 1];
  for (int f = 0; f < faces; ++f) faceFirst[f + 1] += faceFirst[f];
  std::vector<int32_t>& faceItems = Items;
  faceItems.resize(static_cast<size_t>(half));
  Fill.assign(faceFirst.begin(), faceFirst.end() - 1);
  for (int h = 0; h < half; ++h) faceItems[Fill[Face[h]]++] = h;
  std::vector<int32_t>& queue = Queue;
  auto spread = [&](int seed) {
    queue.clear();
    queue.push_back(seed);
    while (!queue.empty()) {
      const int f = queue.back();
      queue.pop_back();
      for (int32_t k = faceFirst[f]; k < faceFirst[f + 1]; ++k) {
        const int h = faceItems[k];
        const Edge& e = Edges[h >> 1];
        const uint8_t other = static_cast<uint8_t>((FaceLabel[f] ^ (e.pA | (e.pB << 1))) | 0x80);
        uint8_t& label = FaceLabel[Face[h ^ 1]];
        if (label == 0) {
          label = other;
          queue.push_back(Face[h ^ 1]);
        } else if (label != other) {
          return false;
        }
      }
    }
    return true;
  };
  for (int n = 0; n < nodes; ++n) {
    if (leftmost[n] < 0) continue;
    const int m = leftmost[n];
    const GPoint o = Hot[m];
    // The face around the part lies to the left of the leftmost node: on
    // the left of its last half-edge pointing up or right.
    const int32_t f = NodeFirst[m], l = NodeFirst[m + 1];
    int32_t h = Around[l - 1];
    for (int32_t k = f; k < l; ++k) {
      const int hk = Around[k];
      const GPoint& q = Hot[(hk & 1) ? Edges[hk >> 1].u : Edges[hk >> 1].v];
      if (q.y < o.y) break;
      h = hk;
    }
    if (FaceLabel[Face[h]] != 0) continue;
    uint8_t parity = 0;
    const int b = band(o.y);
    for (int32_t k = Work[b]; k < Work[b + 1]; ++k) {
      const Edge& e = Edges[Work2[k]];
      const GPoint& p = Hot[e.u];
      const GPoint& q = Hot[e.v];
      if ((p.y > o.y) == (q.y > o.y)) continue;
      const int64_t dy = q.y - p.y;
      const i128 num = static_cast<i128>(p.x - o.x) * dy + static_cast<i128>(o.y - p.y) * (q.x - p.x);
      if (num != 0 && ((num < 0) != (dy < 0))) parity ^= static_cast<uint8_t>(e.pA | (e.pB << 1));
    }
    FaceLabel[Face[h]] = parity | 0x80;
    if (!spread(Face[h])) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The result

int TNodedOverlay::Trace(int operation) {
  const int half = 2 * static_cast<int>(Edges.size());
  auto inside = [&](int face) {
    const int l = FaceLabel[face] & 3;
    return operation == INTERSECTION ? l == 3 : operation == UNION ? l != 0 : (l & 2) != 0;
  };
  Boundary.assign(static_cast<size_t>(half), 0);
  for (int h = 0; h < half; ++h) {
    const bool in = inside(Face[h]);
    Boundary[h] = in && (!inside(Face[h ^ 1]) || (operation == SPLIT && Edges[h >> 1].lineDir != 0));
  }
  RingEdges.clear();
  Rings.clear();
  RingOf.assign(static_cast<size_t>(half), -1);
  Work2.assign(Hot.size(), -1);  // where a node of the walk stands on the stack
  for (int h = 0; h < half; ++h) {
    if (Boundary[h] != 1) continue;
    // The walk along the result's edges with the result on the left.
    Chain.clear();
    for (int cur = h, steps = 0;; ++steps) {
      if (steps > half) return -1;
      Chain.push_back(cur);
      Boundary[cur] = 2;
      // The next edge: the first of the result's half-edges clockwise of
      // the way back, so that parts of the result meeting at a node stay
      // apart.
      const int t = cur ^ 1, v = Origin(t);
      const int32_t f = NodeFirst[v], deg = NodeFirst[v + 1] - f;
      int next = t;
      for (int step = 1; step <= deg; ++step) {
        const int c = Around[f + (At[t] - f + deg - step) % deg];
        if (Boundary[c] != 0) {
          next = c;
          break;
        }
      }
      if (next == h) break;
      if (Boundary[next] != 1) return -1;
      cur = next;
    }
    // Holes meeting at a node come in one walk: it is cut into simple
    // rings wherever it comes back to a node it left.
    Stack.clear();
    for (int e : Chain) {
      const int n = Origin(e);
      if (Work2[n] >= 0) {
        const int from = Work2[n];
        AddRing(Stack.data() + from, static_cast<int>(Stack.size()) - from);
        for (size_t k = static_cast<size_t>(from); k < Stack.size(); ++k) Work2[Origin(Stack[k])] = -1;
        Stack.resize(static_cast<size_t>(from));
      }
      Work2[n] = static_cast<int>(Stack.size());
      Stack.push_back(e);
    }
    AddRing(Stack.data(), static_cast<int>(Stack.size()));
    for (int e : Stack) Work2[Origin(e)] = -1;
  }
  return 0;
}

// A simple ring of the result from its half-edges: its area, frame, and
// where the line first borders it.
void TNodedOverlay::AddRing(const int32_t* edges, int count) {
  Ring ring{static_cast<int>(RingEdges.size()), count, 0.0, INT64_MAX, INT64_MAX, INT64_MIN,
            INT64_MIN, INT64_MAX, 1};
  i128 twice = 0;
  for (int k = 0; k < count; ++k) {
    const int h = edges[k];
    const GPoint& p = Hot[Origin(h)];
    const GPoint& q = Hot[Origin(h ^ 1)];
    twice += Cross(p.x, p.y, q.x, q.y);
    ring.minX = std::min(ring.minX, p.x), ring.maxX = std::max(ring.maxX, p.x);
    ring.minY = std::min(ring.minY, p.y), ring.maxY = std::max(ring.maxY, p.y);
    const Edge& e = Edges[h >> 1];
    if (e.lineDir != 0 && e.lineKey < ring.lineKey) {
      ring.lineKey = e.lineKey;
      ring.side = ((h & 1) ? -1 : 1) == e.lineDir ? 1 : 2;
    }
  }
  if (count < 3 || twice == 0) return;
  ring.area = static_cast<double>(twice) / 2.0;
  for (int k = 0; k < count; ++k) RingOf[edges[k]] = static_cast<int>(Rings.size());
  RingEdges.insert(RingEdges.end(), edges, edges + count);
  Rings.push_back(ring);
}

// Whether p (doubled) lies inside ring r: the parity of the ring's edges
// crossed by the ray from p towards growing X, among the edges of p's band
// when the ring has bands. The point never lies on the ring.
bool TNodedOverlay::InsideRing(int r, const GPoint& p) const {
  const Ring& ring = Rings[r];
  const GPoint* points = RingPoints.data() + ring.first;
  const int n = ring.count;
  auto crosses = [&](int k) {
    const GPoint& a = points[k];
    const GPoint& b = points[k + 1 < n ? k + 1 : 0];
    if ((a.y > p.y) == (b.y > p.y)) return false;
    const int64_t dy = b.y - a.y;
    const i128 num = static_cast<i128>(a.x - p.x) * dy + static_cast<i128>(p.y - a.y) * (b.x - a.x);
    return num != 0 && ((num > 0) == (dy > 0));
  };
  bool in = false;
  const Bands* bands = BandsOf[r] >= 0 ? &RingBands[BandsOf[r]] : nullptr;
  if (bands == nullptr) {
    for (int k = 0; k < n; ++k) in ^= crosses(k);
    return in;
  }
  const int b = bands->Band(p.y);
  for (int32_t k = bands->start[b]; k < bands->start[b + 1]; ++k) in ^= crosses(bands->items[k]);
  return in;
}

// Ring r's edges by bands of Y, for the many holes tested against a large
// ring.
void TNodedOverlay::BandRing(int r) {
  const Ring& ring = Rings[r];
  const GPoint* points = RingPoints.data() + ring.first;
  const int n = ring.count;
  Bands bands;
  bands.y0 = 2 * ring.minY;
  const int count = std::clamp(n / 4, 1, 4096);
  bands.per = static_cast<double>(count) / (static_cast<double>(2 * (ring.maxY - ring.minY)) + 1.0);
  bands.count = count;
  bands.start.assign(static_cast<size_t>(count) + 1, 0);
  auto span = [&](int k, auto&& f) {
    const int64_t y1 = points[k].y, y2 = points[k + 1 < n ? k + 1 : 0].y;
    const int b1 = bands.Band(std::min(y1, y2)), b2 = bands.Band(std::max(y1, y2));
    for (int b = b1; b <= b2; ++b) f(b);
  };
  for (int k = 0; k < n; ++k) span(k, [&](int b) { ++bands.start[b + 1]; });
  for (int b = 0; b < count; ++b) bands.start[b + 1] += bands.start[b];
  bands.items.resize(static_cast<size_t>(bands.start[count]));
  Fill.assign(bands.start.begin(), bands.start.end() - 1);
  for (int k = 0; k < n; ++k) span(k, [&](int b) { bands.items[Fill[b]++] = k; });
  BandsOf[r] = static_cast<int32_t>(RingBands.size());
  RingBands.push_back(std::move(bands));
}

// Whether the hole lies inside the ring: tested at the middle of one of
// the hole's edges that is not also an edge of the ring (an edge of the
// line borders two pieces), which lies off the ring.
bool TNodedOverlay::Contains(int ring, int hole) {
  const Ring& r = Rings[ring];
  const Ring& o = Rings[hole];
  if (o.minX < r.minX || o.maxX > r.maxX || o.minY < r.minY || o.maxY > r.maxY) return false;
  for (int k = o.first; k < o.first + o.count; ++k) {
    const int h = RingEdges[k];
    if (RingOf[h ^ 1] == ring) continue;
    const GPoint& a = Hot[Origin(h)];
    const GPoint& b = Hot[Origin(h ^ 1)];
    if (BandsOf[ring] < 0 && r.count > 64) BandRing(ring);
    return InsideRing(ring, GPoint{a.x + b.x, a.y + b.y});
  }
  return false;
}

void TNodedOverlay::Assemble(int operation) {
  Parts.clear();
  std::vector<int32_t>& shells = Shells;
  std::vector<int32_t>& holes = Holes;
  shells.clear();
  holes.clear();
  for (int r = 0; r < static_cast<int>(Rings.size()); ++r)
    (Rings[r].area > 0.0 ? shells : holes).push_back(r);
  std::sort(shells.begin(), shells.end(), [&](int a, int b) { return Rings[a].area > Rings[b].area; });
  RingPoints.resize(RingEdges.size());
  for (size_t k = 0; k < RingEdges.size(); ++k) {
    const GPoint& q = Hot[Origin(RingEdges[k])];
    RingPoints[k] = GPoint{2 * q.x, 2 * q.y};
  }
  BandsOf.assign(Rings.size(), -1);
  RingBands.clear();
  for (int s : shells) Parts.push_back(Part{s, {}, Rings[s].side, Rings[s].area});
  for (int h : holes) {
    // The smallest outer ring around the hole holds it.
    for (int k = static_cast<int>(shells.size()) - 1; k >= 0; --k) {
      if (!Contains(shells[k], h)) continue;
      Parts[k].holes.push_back(h);
      Parts[k].area += Rings[h].area;
      break;
    }
  }
  if (operation != SPLIT) return;
  for (Part& part : Parts) {
    int64_t key = Rings[part.shell].lineKey;
    for (int h : part.holes)
      if (Rings[h].lineKey < key) key = Rings[h].lineKey, part.side = Rings[h].side;
  }
}

double TNodedOverlay::PieceArea(int k) const {
  if (k < 0 || k >= Pieces()) return 0.0;
  return Parts[k].area * Step * Step;
}

int TNodedOverlay::PieceSide(int k) const {
  if (k < 0 || k >= Pieces()) return 0;
  return Parts[k].side;
}

// Ring r as subject `subject` of the metric, from its lowest left node,
// closed on it; reversed on request.
int TNodedOverlay::WriteRing(int r, TDataEdit* out, int subject, bool reverse) {
  const Ring& ring = Rings[r];
  int start = 0;
  for (int k = 1; k < ring.count; ++k) {
    const GPoint& p = Hot[Origin(RingEdges[ring.first + k])];
    const GPoint& s = Hot[Origin(RingEdges[ring.first + start])];
    if (p.x < s.x || (p.x == s.x && p.y < s.y)) start = k;
  }
  const bool heights = out->DatDimension() != 0 && Heights;
  for (int k = 0; k <= ring.count; ++k) {
    const int at = reverse ? (start - k % ring.count + ring.count) % ring.count : (start + k) % ring.count;
    const int n = Origin(RingEdges[ring.first + at]);
    if (!out->AppendPointSubject(subject, X(Hot[n].x), Y(Hot[n].y))) return 0;
    if (heights) out->HDouble(NodeH[n]);
  }
  return 1;
}

int TNodedOverlay::WritePiece(int k, TDataEdit* out, int kind, int positive) {
  if (out == nullptr || k < 0 || k >= Pieces() || !out->Create(kind, 0)) return 0;
  const Part& part = Parts[k];
  if (!WriteRing(part.shell, out, 0, !positive)) return 0;
  for (int h : part.holes)
    if (!out->CreateSubject() || !WriteRing(h, out, out->Record->Count, !positive)) return 0;
  return 1;
}

int TNodedOverlay::WriteAll(TDataEdit* out, int kind, int positive) {
  if (out == nullptr || !out->Create(kind, 0)) return 0;
  for (int k = 0; k < Pieces(); ++k) {
    const Part& part = Parts[k];
    if (k > 0 && !out->CreateSubject()) return 0;
    if (!WriteRing(part.shell, out, out->Record->Count, !positive)) return 0;
    for (int h : part.holes)
      if (!out->CreateSubject() || !WriteRing(h, out, out->Record->Count, !positive)) return 0;
  }
  return 1;
}

bool TNodedOverlay::OutersMeet() {
  for (uint8_t flag : NodeOuter)
    if (flag == 3) return true;
  // Apart at every node: one outer contour holds the other when a point of
  // it lies inside (it cannot lie on it, else they would share its node).
  auto path = [&](int owner) {
    for (const Path& p : Paths)
      if (p.owner == owner && p.subject == 0) return &p;
    return static_cast<const Path*>(nullptr);
  };
  const Path* a = path(FIRST);
  const Path* b = path(SECOND);
  if (a == nullptr || b == nullptr) return false;
  auto holds = [&](const Path* outer, const Path* inner) {
    const GPoint& p = V[inner->first];
    bool in = false;
    for (int i = outer->first; i < outer->first + outer->count; ++i) {
      const GPoint& a = V[i];
      const GPoint& b = V[i + 1 < outer->first + outer->count ? i + 1 : outer->first];
      if ((a.y > p.y) == (b.y > p.y)) continue;
      const int64_t dy = b.y - a.y;
      const i128 num = static_cast<i128>(a.x - p.x) * dy + static_cast<i128>(p.y - a.y) * (b.x - a.x);
      if (num != 0 && ((num > 0) == (dy > 0))) in = !in;
    }
    return in;
  };
  return holds(a, b) || holds(b, a);
}
