// The noded plane: snap rounding in a sparse grid of cells, the edges
// between the points met more than once, the faces and their labels, and
// the result's rings traced and nested.
#include "geometry/nodedplane.h"

#include <algorithm>
#include <cmath>

#include "types/maperr.h"

namespace {

using Key = TNodedPlane::Key;
using i128 = __int128;

// The grid spans at most this many steps each way, so that the doubled
// coordinates and their products stay exact.
constexpr double kMaxSpan = 1099511627776.0;  // 2^40

inline i128 Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  return static_cast<i128>(ax) * by - static_cast<i128>(ay) * bx;
}
// The sign of ax * by - ay * bx, exactly: from doubles when they are far
// enough from 0 (the factors are exact below 2^53), else from 128 bits.
[[gnu::always_inline]] inline int Orient(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
  const double l = static_cast<double>(ax) * static_cast<double>(by);
  const double r = static_cast<double>(ay) * static_cast<double>(bx);
  const double bound = (std::fabs(l) + std::fabs(r)) * 0x1p-50;
  if (l - r > bound) return 1;
  if (r - l > bound) return -1;
  const i128 v = Cross(ax, ay, bx, by);
  return (v > 0) - (v < 0);
}
// Function objects rather than functions, so that the sorts inline them.
constexpr struct {
  [[gnu::always_inline]] bool operator()(const Key& a, const Key& b) const {
    return a.x == b.x && a.y == b.y;
  }
} Same;
constexpr struct {
  [[gnu::always_inline]] bool operator()(const Key& a, const Key& b) const {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
  }
} Less;

// How segment a-b crosses the ray from p towards decreasing X: 1 going up,
// -1 going down, 0 not at all (nor through p).
inline int RayCrossing(const Key& a, const Key& b, const Key& p) {
  if ((a.y > p.y) == (b.y > p.y)) return 0;
  const int c = Orient(b.x - a.x, b.y - a.y, p.x - a.x, p.y - a.y);
  return b.y > a.y ? (c < 0 ? 1 : 0) : (c > 0 ? -1 : 0);
}

// Directions compared by their angle counter-clockwise from +X, exactly.
inline bool AngleBefore(const Key& a, const Key& b) {
  const int ha = (a.y < 0 || (a.y == 0 && a.x < 0)) ? 1 : 0;
  const int hb = (b.y < 0 || (b.y == 0 && b.x < 0)) ? 1 : 0;
  return ha != hb ? ha < hb : Orient(a.x, a.y, b.x, b.y) > 0;
}

}  // namespace

void TNodedPlane::Start(double step, bool winding, bool coarsen) {
  Step = step;
  Winding = winding;
  Coarsen = coarsen;
  Marked = false;
  In.clear();
  Paths.clear();
  Parts.clear();
  Rings.clear();
  State = 0;
}

void TNodedPlane::AddPath(const DOUBLEPOINT* points, int count, bool closed, int32_t weight,
                          bool marks) {
  if (count <= 0) return;
  Paths.push_back(Path{static_cast<int32_t>(In.size()), count, weight, closed, marks, 0, 0, 0, 0});
  In.insert(In.end(), points, points + count);
  Marked = Marked || marks;
}

TNodedPlane::Rounding::Rounding(double s) : step(s) {
  const double units = 1.0 / step, whole = std::round(units);
  perUnit = (whole >= 1.0 && std::fabs(units - whole) <= 1e-9 * whole) ? whole : 0.0;
}

bool TNodedPlane::Rounding::Of(double v, int64_t* k) const {
  v = perUnit > 0.0 ? v * perUnit : v / step;
  if (!(std::fabs(v) <= 9.0e18)) return false;
  *k = static_cast<int64_t>(v < 0.0 ? v - 0.5 : v + 0.5);
  return true;
}

DOUBLEPOINT TNodedPlane::At(const Key& k) const {
  const double x = static_cast<double>(k.x + OriginX), y = static_cast<double>(k.y + OriginY);
  return PerUnit > 0.0 ? DOUBLEPOINT{x / PerUnit, y / PerUnit} : DOUBLEPOINT{x * Step, y * Step};
}

int TNodedPlane::Build() {
  State = 0;
  Parts.clear();
  Rings.clear();
  Segments.clear();
  Stations.clear();
  Edges.clear();
  FaceLabel.clear();
  Face.clear();
  Nodes = 0;
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
  while (Coarsen && std::max(x2 - x1, y2 - y1) / Step > kMaxSpan) Step *= 2.0;
  const Rounding grid(Step);
  PerUnit = grid.perUnit;
  const double limit = 4.0e18;
  if (std::fabs(x1 / Step) > limit || std::fabs(x2 / Step) > limit ||
      std::fabs(y1 / Step) > limit || std::fabs(y2 / Step) > limit ||
      std::round(x2 / Step) - std::round(x1 / Step) > kMaxSpan ||
      std::round(y2 / Step) - std::round(y1 / Step) > kMaxSpan) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  const auto round = [&grid](double v) {
    int64_t k = 0;
    grid.Of(v, &k);
    return k;
  };
  OriginX = round(x1);
  OriginY = round(y1);
  Span = Key{round(x2) - OriginX, round(y2) - OriginY};
  // Each path's grid points without repeats, closed ones closed again, and
  // the segments between them; the slot after a path's last point is no
  // segment.
  Ends.resize(In.size() + Paths.size());
  Segments.resize(Ends.size());
  size_t m = 0, segments = 0;
  for (int32_t p = 0; p < static_cast<int32_t>(Paths.size()); ++p) {
    Path& path = Paths[p];
    path.ends = static_cast<int32_t>(m);
    int32_t from = path.first;
    Ends[m] = Key{round(In[from].X) - OriginX, round(In[from].Y) - OriginY};
    for (int32_t i = path.first + 1; i < path.first + path.count; ++i) {
      const Key k{round(In[i].X) - OriginX, round(In[i].Y) - OriginY};
      if (Same(k, Ends[m])) continue;
      Segments[m] = Segment(from, i, p);
      Ends[++m] = k;
      from = i;
    }
    if (path.closed && m > static_cast<size_t>(path.ends) && !Same(Ends[m], Ends[path.ends])) {
      Segments[m] = Segment(from, path.first, p);
      Ends[++m] = Ends[path.ends];
      from = path.first;
    }
    path.segments = static_cast<int32_t>(m) - path.ends;
    segments += static_cast<size_t>(path.segments);
    Segments[m++] = Segment(from, -1, p);
  }
  Ends.resize(m);
  Segments.resize(m);
  if (segments == 0) return 1;
  if (m >= (size_t{1} << (kItemBits - 1))) {
    State = GEOMETRY_ERR_METRIC;
    return 0;
  }
  Snap();
  Route();
  MakeEdges();
  // Marking stretches that only join a face to itself (those ending in the
  // open among them) cut nothing: they go, and the plane is linked again.
  for (;;) {
    if (!Link() || !Label()) {
      State = GEOMETRY_ERR_PIECE;
      return 0;
    }
    if (!Marked) return 1;
    size_t kept = 0;
    for (size_t e = 0; e < Edges.size(); ++e)
      if (Edges[e].mark == 0 || Face[2 * e] != Face[2 * e + 1]) Edges[kept++] = Edges[e];
    if (kept == Edges.size()) return 1;
    Edges.resize(kept);
  }
}

// ---------------------------------------------------------------------------
// Snap rounding

// Files every segment under the cells it passes through, widened by a
// pixel so that it is filed wherever lies a pixel it meets (its first
// point's among them); sorts the entries by cell. Where long segments
// crowd (many pass each cell, as the sides of a jagged star do), the
// cells are halved until few share one: the segments of a cell are
// compared pair by pair.
void TNodedPlane::Grid() {
  const int64_t w = Span.x, h = Span.y;
  double length = 0.0;
  size_t segments = 0;
  for (size_t s = 0; s + 1 < Ends.size(); ++s) {
    if (Segments[s].b < 0) continue;
    const double dx = static_cast<double>(Ends[s + 1].x - Ends[s].x);
    const double dy = static_cast<double>(Ends[s + 1].y - Ends[s].y);
    length += std::sqrt(dx * dx + dy * dy);
    ++segments;
  }
  // Cells of about two segments' length, never more than 2^16 + 3 rows
  // and columns, so that a cell's number and an item fit in an entry. The
  // cells' borders fall between the points of a round grid, on which maps
  // are often drawn, so that few segments lie along them.
  const double least = std::max(static_cast<double>(w + h) / 65536.0, 4.0);
  double cell = std::max(2.0 * length / static_cast<double>(segments), least);
  for (int halved = 0;; ++halved) {
    FileSegments(cell, segments);
    if (halved == kHalvings || cell / 2.0 < least) return;
    // The mean number of segments a segment shares its cells with.
    double shared = 0.0;
    for (size_t lo = 0, hi; lo < Entries.size(); lo = hi) {
      const uint64_t at = Entries[lo] >> kItemBits;
      for (hi = lo + 1; hi < Entries.size() && Entries[hi] >> kItemBits == at;) ++hi;
      shared += static_cast<double>(hi - lo) * static_cast<double>(hi - lo);
    }
    if (shared <= kCrowd * static_cast<double>(Entries.size())) return;
    cell /= 2.0;
  }
}

void TNodedPlane::FileSegments(double cell, size_t segments) {
  const int64_t w = Span.x, h = Span.y;
  Rows = static_cast<uint64_t>(static_cast<double>(h) / cell) + 3;
  Columns = static_cast<uint64_t>(static_cast<double>(w) / cell) + 3;
  Cells.x0 = Cells.y0 = -0.6180339887 * cell;
  Cells.cw = Cells.ch = cell;
  Cells.per = 1.0 / cell;
  Cells.nx = static_cast<int>(Columns);
  Cells.ny = static_cast<int>(Rows);
  const double margin = 1.0 + 1e-9 * static_cast<double>(w + h);
  Entries.clear();
  Entries.reserve(2 * segments);
  for (int32_t s = 0; s + 1 < static_cast<int32_t>(Ends.size()); ++s) {
    if (Segments[s].b < 0) continue;
    const Key& a = Ends[s];
    const Key& b = Ends[s + 1];
    const uint64_t home = CellOf(a);
    segmentgrid::VisitCells(
        Cells, DOUBLEPOINT{static_cast<double>(a.x), static_cast<double>(a.y)},
        DOUBLEPOINT{static_cast<double>(b.x), static_cast<double>(b.y)}, margin, [&](int64_t c) {
          const uint64_t at = static_cast<uint64_t>(c);
          Entries.push_back(at << kItemBits | static_cast<uint32_t>(2 * s + (at == home ? 1 : 0)));
        });
  }
  // Sorted by cell: a radix sort in as few passes of at most 14 bits as
  // the cells in use need (few enough buckets to stay in the cache).
  if (Entries.size() < 2048) {
    std::sort(Entries.begin(), Entries.end());
    return;
  }
  int bits = 1;
  while (bits < 64 && ((Columns * Rows) >> bits) != 0) ++bits;
  const int passes = (bits + 13) / 14, digit = (bits + passes - 1) / passes;
  const uint64_t mask = (uint64_t{1} << digit) - 1;
  Sorted.resize(Entries.size());
  for (int shift = kItemBits; shift < kItemBits + bits; shift += digit) {
    Counts.assign(static_cast<size_t>(mask) + 2, 0);
    uint32_t* const counts = Counts.data();
    const uint64_t* const from = Entries.data();
    const uint64_t* const end = from + Entries.size();
    uint64_t* const to = Sorted.data();
    for (const uint64_t* e = from; e != end; ++e) ++counts[((*e >> shift) & mask) + 1];
    for (size_t d = 1; d <= mask + 1; ++d) counts[d] += counts[d - 1];
    for (const uint64_t* e = from; e != end; ++e) to[counts[(*e >> shift) & mask]++] = *e;
    Entries.swap(Sorted);
  }
}

bool TNodedPlane::SegmentMeetsPixel(const Key& a, const Key& b, const Key& c) {
  // Doubled, the pixel runs from 2c - 1 to 2c + 1.
  const int64_t ax = 2 * a.x, ay = 2 * a.y, bx = 2 * b.x, by = 2 * b.y;
  const int64_t lx = 2 * c.x - 1, hx = 2 * c.x + 1, ly = 2 * c.y - 1, hy = 2 * c.y + 1;
  if (std::max(ax, bx) < lx || std::min(ax, bx) > hx || std::max(ay, by) < ly ||
      std::min(ay, by) > hy)
    return false;
  const int64_t dx = bx - ax, dy = by - ay;
  const int s1 = Orient(dx, dy, lx - ax, ly - ay), s2 = Orient(dx, dy, hx - ax, ly - ay);
  const int s3 = Orient(dx, dy, hx - ax, hy - ay), s4 = Orient(dx, dy, lx - ax, hy - ay);
  return !((s1 > 0 && s2 > 0 && s3 > 0 && s4 > 0) || (s1 < 0 && s2 < 0 && s3 < 0 && s4 < 0));
}

// Whether segment s meets the closed pixel around c.
bool TNodedPlane::HitsPixel(int32_t s, const Key& c) const {
  return SegmentMeetsPixel(Ends[s], Ends[s + 1], c);
}

// Segment s is led through the centre of pixel k, ordered along it by
// where the centre falls.
void TNodedPlane::Lead(int32_t s, const Key& k) {
  const Key& a = Ends[s];
  const Key& b = Ends[s + 1];
  const double ex = static_cast<double>(b.x - a.x), ey = static_cast<double>(b.y - a.y);
  const double t =
      (static_cast<double>(k.x - a.x) * ex + static_cast<double>(k.y - a.y) * ey) / (ex * ex + ey * ey);
  Hits.push_back(Hit{s, t, k});
  Candidates.push_back(k);
}

// What two runs of one cell meet in, as seen from run a: proper crossings
// of its segments with b's (found once, from the run first in the cell),
// pixels of b's first points that its segments pass, and first points of
// both runs in one pixel.
void TNodedPlane::Meet(const Run& a, const Run& b) {
  // Only long runs are worth the binary searches.
  constexpr size_t kShortRun = 16;
  if (a.end - a.begin > kShortRun || b.end - b.begin > kShortRun) MeetWithin<true>(a, b);
  else MeetWithin<false>(a, b);
}

template <bool windowed>
void TNodedPlane::MeetWithin(const Run& a, const Run& b) {
  const bool first = a.begin < b.begin;
  const Key* const keys = Ends.data();
  const int32_t* const items = CellItems.data();
  size_t from = a.begin, to = a.end;
  if (windowed) Window(a, Key{b.lo.x - 1, b.lo.y - 1}, Key{b.hi.x + 1, b.hi.y + 1}, from, to);
  for (size_t i = from; i < to; ++i) {
    const int32_t s = items[i] >> 1;
    const Key p = keys[s], q = keys[s + 1];
    const int64_t lx = std::min(p.x, q.x), hx = std::max(p.x, q.x);
    const int64_t ly = std::min(p.y, q.y), hy = std::max(p.y, q.y);
    if (hx + 1 < b.lo.x || b.hi.x + 1 < lx || hy + 1 < b.lo.y || b.hi.y + 1 < ly) continue;
    const int64_t ex = q.x - p.x, ey = q.y - p.y;
    // Whatever segment t adds lies within the pixels of this segment's.
    size_t near = b.begin, far = b.end;
    if (windowed) Window(b, Key{lx - 1, ly - 1}, Key{hx + 1, hy + 1}, near, far);
    for (size_t j = near; j < far; ++j) {
      const int32_t t = items[j] >> 1;
      const Key c = keys[t], d = keys[t + 1];
      if (first && t != s + 1 && s != t + 1 && std::max(c.x, d.x) >= lx && std::min(c.x, d.x) <= hx &&
          std::max(c.y, d.y) >= ly && std::min(c.y, d.y) <= hy &&
          Orient(ex, ey, c.x - p.x, c.y - p.y) * Orient(ex, ey, d.x - p.x, d.y - p.y) < 0 &&
          Orient(d.x - c.x, d.y - c.y, p.x - c.x, p.y - c.y) *
                  Orient(d.x - c.x, d.y - c.y, q.x - c.x, q.y - c.y) < 0)
        Found.push_back(static_cast<uint64_t>(std::min(s, t)) << 32 | static_cast<uint32_t>(std::max(s, t)));
      if (!(items[j] & 1) || t == s + 1) continue;
      if (Same(c, p) || Same(c, q)) {
        // The point shares the pixel of one of the segment's ends.
        if (first && (items[i] & 1) && Same(c, p)) Candidates.push_back(c);
      } else if (HitsPixel(s, c)) {
        Lead(s, c);
      }
    }
  }
}

// The items of run r whose segments' frames can meet the frame lo .. hi,
// from .. to: a run heads one way in X and one way in Y, so that the
// lowest and highest X (and Y) of its segments rise or fall together along
// it, and those are the items between two binary searches on each axis.
void TNodedPlane::Window(const Run& r, const Key& lo, const Key& hi, size_t& from,
                         size_t& to) const {
  from = r.begin;
  to = r.end;
  const Key* const keys = Ends.data();
  const int32_t* const items = CellItems.data();
  // The first item in from .. to where test turns true (it is false, then
  // true, along the run).
  const auto first = [&](auto&& test) {
    size_t l = from, h = to;
    while (l < h) {
      const size_t m = l + (h - l) / 2;
      if (test(m)) h = m;
      else l = m + 1;
    }
    return l;
  };
  const auto clip = [&](auto coord, int sign, int64_t low, int64_t high) {
    if (sign == 0 || from >= to) return;
    const auto least = [&](size_t k) {
      const int32_t s = items[k] >> 1;
      return std::min(coord(keys[s]), coord(keys[s + 1]));
    };
    const auto most = [&](size_t k) {
      const int32_t s = items[k] >> 1;
      return std::max(coord(keys[s]), coord(keys[s + 1]));
    };
    size_t f, t;
    if (sign > 0) {
      f = first([&](size_t k) { return most(k) >= low; });
      t = first([&](size_t k) { return least(k) > high; });
    } else {
      f = first([&](size_t k) { return least(k) <= high; });
      t = first([&](size_t k) { return most(k) < low; });
    }
    from = f;
    to = std::max(f, t);
  };
  clip([](const Key& k) { return k.x; }, r.sx, lo.x, hi.x);
  clip([](const Key& k) { return k.y; }, r.sy, lo.y, hi.y);
}

// The runs of a cell that meet, each pair once: those whose frames come
// within a pixel of each other, found by a sweep along the axis the runs
// reach least along in all, each run meeting the runs still open where it
// begins (long ones lying side by side, as the passes of a line to and
// fro, never meet).
void TNodedPlane::MeetRuns() {
  const size_t n = Runs.size();
  if (n < 2) return;
  double alongX = 0.0, alongY = 0.0;
  if (n > 48)
    for (const Run& r : Runs) {
      alongX += static_cast<double>(r.hi.x - r.lo.x);
      alongY += static_cast<double>(r.hi.y - r.lo.y);
    }
  // A few runs, or runs reaching across much of the cell both ways (each
  // would stay open for most of the others), are compared pair by pair.
  if (n <= 48 || std::min(alongX, alongY) > 0.25 * static_cast<double>(n) * Cells.cw) {
    for (size_t p = 0; p < n; ++p)
      for (size_t q = p + 1; q < n; ++q) {
        const Run& f = Runs[p];
        const Run& g = Runs[q];
        if (f.hi.x + 1 < g.lo.x || g.hi.x + 1 < f.lo.x || f.hi.y + 1 < g.lo.y || g.hi.y + 1 < f.lo.y)
          continue;
        Meet(f, g);
        Meet(g, f);
      }
    return;
  }
  const bool byY = alongY <= alongX;
  Sweep.resize(n);
  for (size_t k = 0; k < n; ++k)
    Sweep[k] = {byY ? Runs[k].lo.y : Runs[k].lo.x, static_cast<int32_t>(k)};
  std::sort(Sweep.begin(), Sweep.end());
  Open.clear();
  for (const auto& [start, g] : Sweep) {
    const Run& b = Runs[g];
    size_t kept = 0;
    for (const int32_t f : Open) {
      const Run& a = Runs[f];
      if ((byY ? a.hi.y : a.hi.x) + 1 < start) continue;
      Open[kept++] = f;
      if (a.hi.x + 1 < b.lo.x || b.hi.x + 1 < a.lo.x || a.hi.y + 1 < b.lo.y || b.hi.y + 1 < a.lo.y)
        continue;
      const Run& p = Runs[std::min(f, g)];
      const Run& q = Runs[std::max(f, g)];
      Meet(p, q);
      Meet(q, p);
    }
    Open.resize(kept);
    Open.push_back(g);
  }
}

// Every segment passing a pixel of a crossing or of an open end is led
// through it. A pixel is tried against the segments filed in its cell that
// reach it: the cell's pixels and its segments swept together along the
// axis its segments reach least along.
void TNodedPlane::LeadThroughHot() {
  constexpr uint64_t kItem = (uint64_t{1} << kItemBits) - 1;
  std::vector<std::pair<uint64_t, int32_t>>& hot = Order;
  hot.resize(Hot.size());
  for (size_t k = 0; k < Hot.size(); ++k) hot[k] = {CellOf(Hot[k]), static_cast<int32_t>(k)};
  std::sort(hot.begin(), hot.end());
  for (size_t lo = 0, hi; lo < hot.size(); lo = hi) {
    const uint64_t cell = hot[lo].first;
    for (hi = lo + 1; hi < hot.size() && hot[hi].first == cell;) ++hi;
    const auto begin = std::lower_bound(Entries.begin(), Entries.end(), cell << kItemBits);
    auto end = begin;
    while (end != Entries.end() && *end >> kItemBits == cell) ++end;
    const size_t segments = static_cast<size_t>(end - begin), pixels = hi - lo;
    double alongX = 0.0, alongY = 0.0;
    const bool many = segments * pixels > 64 * (segments + pixels);
    for (auto e = begin; many && e != end; ++e) {
      const int32_t s = static_cast<int32_t>(*e & kItem) >> 1;
      alongX += static_cast<double>(std::abs(Ends[s + 1].x - Ends[s].x));
      alongY += static_cast<double>(std::abs(Ends[s + 1].y - Ends[s].y));
    }
    // Few pixels or few segments, or segments reaching across much of the
    // cell both ways: each pixel against each segment.
    if (!many || std::min(alongX, alongY) > 0.25 * static_cast<double>(segments) * Cells.cw) {
      for (size_t h = lo; h < hi; ++h) {
        const Key k = Hot[hot[h].second];
        for (auto e = begin; e != end; ++e) {
          const int32_t s = static_cast<int32_t>(*e & kItem) >> 1;
          if (!Same(k, Ends[s]) && !Same(k, Ends[s + 1]) && HitsPixel(s, k)) Lead(s, k);
        }
      }
      continue;
    }
    const bool byY = alongY <= alongX;
    const auto along = [byY](const Key& k) { return byY ? k.y : k.x; };
    Sweep.clear();
    for (auto e = begin; e != end; ++e) {
      const int32_t s = static_cast<int32_t>(*e & kItem) >> 1;
      Sweep.emplace_back(std::min(along(Ends[s]), along(Ends[s + 1])), s);
    }
    std::sort(Sweep.begin(), Sweep.end());
    Pixels.clear();
    for (size_t k = lo; k < hi; ++k) Pixels.emplace_back(along(Hot[hot[k].second]), hot[k].second);
    std::sort(Pixels.begin(), Pixels.end());
    Open.clear();
    size_t next = 0;
    for (const auto& [at, index] : Pixels) {
      const Key k = Hot[index];
      // A segment meets the pixel only where it reaches the pixel's row
      // (or column): those begun at most a pixel beyond it and not ended
      // a pixel before it.
      for (; next < Sweep.size() && Sweep[next].first <= at + 1; ++next) Open.push_back(Sweep[next].second);
      size_t kept = 0;
      for (const int32_t s : Open) {
        if (std::max(along(Ends[s]), along(Ends[s + 1])) + 1 < at) continue;
        Open[kept++] = s;
        if (!Same(k, Ends[s]) && !Same(k, Ends[s + 1]) && HitsPixel(s, k)) Lead(s, k);
      }
      Open.resize(kept);
    }
  }
}

// The proper crossing of segments s1 and s2: the pixel nearest to it that
// both pass (the nearest one, unless rounding put it a pixel off).
void TNodedPlane::CrossPixel(int32_t s1, int32_t s2) {
  const Key& a = Ends[s1];
  const Key& b = Ends[s1 + 1];
  const Key& c = Ends[s2];
  const Key& d = Ends[s2 + 1];
  const int64_t ex = b.x - a.x, ey = b.y - a.y, fx = d.x - c.x, fy = d.y - c.y;
  const double t = static_cast<double>(Cross(c.x - a.x, c.y - a.y, fx, fy)) /
                   static_cast<double>(Cross(ex, ey, fx, fy));
  const Key r{std::llround(static_cast<double>(a.x) + t * static_cast<double>(ex)),
              std::llround(static_cast<double>(a.y) + t * static_cast<double>(ey))};
  Key k = r;
  bool found = HitsPixel(s1, r) && HitsPixel(s2, r);
  for (int dx = -1; dx <= 1 && !found; ++dx)
    for (int dy = -1; dy <= 1 && !found; ++dy) {
      const Key q{r.x + dx, r.y + dy};
      if (HitsPixel(s1, q) && HitsPixel(s2, q)) k = q, found = true;
    }
  Lead(s1, k);
  Lead(s2, k);
  Hot.push_back(k);
}

// Snap rounding: the segments of each cell, in order, in runs of
// neighbours heading the same way in X and in Y (a run neither crosses
// itself nor passes the pixels of its own points, which are whole grid
// points), are compared run with run; then the pixels of crossings and of
// open ends are tried against every segment filed with them.
void TNodedPlane::Snap() {
  Found.clear();
  Hits.clear();
  Hot.clear();
  Candidates.clear();
  Grid();
  const size_t n = Entries.size();
  for (size_t lo = 0, hi; lo < n; lo = hi) {
    const uint64_t cell = Entries[lo] >> kItemBits;
    CellItems.clear();
    Runs.clear();
    for (hi = lo; hi < n && Entries[hi] >> kItemBits == cell; ++hi) {
      const int32_t item = static_cast<int32_t>(Entries[hi] & ((uint64_t{1} << kItemBits) - 1));
      const int32_t s = item >> 1;
      const Key& a = Ends[s];
      const Key& b = Ends[s + 1];
      const int sx = (b.x > a.x) - (b.x < a.x), sy = (b.y > a.y) - (b.y < a.y);
      const size_t i = CellItems.size();
      if (Runs.empty() || (CellItems.back() >> 1) != s - 1 ||
          sx * Runs.back().sx < 0 || sy * Runs.back().sy < 0)
        Runs.push_back(Run{i, i, 0, 0, a, a});
      Run& r = Runs.back();
      r.end = i + 1;
      if (sx != 0) r.sx = sx;
      if (sy != 0) r.sy = sy;
      r.lo = Key{std::min({r.lo.x, a.x, b.x}), std::min({r.lo.y, a.y, b.y})};
      r.hi = Key{std::max({r.hi.x, a.x, b.x}), std::max({r.hi.y, a.y, b.y})};
      CellItems.push_back(item);
    }
    MeetRuns();
  }
  std::sort(Found.begin(), Found.end());
  Found.erase(std::unique(Found.begin(), Found.end()), Found.end());
  for (const uint64_t pair : Found)
    CrossPixel(static_cast<int32_t>(pair >> 32), static_cast<int32_t>(pair & 0xFFFFFFFFu));
  // The ends of open paths are nodes, and so is a path of one point.
  for (const Path& path : Paths)
    for (const int32_t end : {path.ends, path.ends + path.segments})
      if (!path.closed || path.segments == 0) Hot.push_back(Ends[end]), Candidates.push_back(Ends[end]);
  std::sort(Hot.begin(), Hot.end(), Less);
  Hot.erase(std::unique(Hot.begin(), Hot.end(), Same), Hot.end());
  LeadThroughHot();
}

// ---------------------------------------------------------------------------
// Nodes and edges

// The snapped paths: each one's points followed by the pixels its segments
// were led through, in order, without repeats and without spikes (a pixel
// left by the way it came, which bounds nothing). The pixels met more than
// once and the ends of open paths are the nodes; a closed path meeting
// nothing gets one at its start. A closed path's stations run from a node
// round to it again. Paths that came to nothing keep their points,
// which may touch others, but make no edges.
void TNodedPlane::Route() {
  std::sort(Hits.begin(), Hits.end(), [](const Hit& a, const Hit& b) {
    return a.seg != b.seg ? a.seg < b.seg : a.t != b.t ? a.t < b.t : Less(a.pixel, b.pixel);
  });
  std::sort(Candidates.begin(), Candidates.end(), Less);
  Candidates.erase(std::unique(Candidates.begin(), Candidates.end(), Same), Candidates.end());
  Nodes = Shared = static_cast<int32_t>(Candidates.size());
  // Stations are written in place (the buffer grows as a path needs) and
  // cut to size at the end.
  bool marks = false;
  size_t route = 0, top = 0;
  const auto room = [&](size_t n) {
    if (Stations.size() < top + n) Stations.resize(std::max(2 * Stations.size(), top + n));
  };
  const auto push = [&](const Key& k, int32_t ref) __attribute__((always_inline)) {
    Station* const r = Stations.data() + route;
    const size_t m = top - route;
    if (m > 0 && Same(r[m - 1].key, k)) return;
    // A marking path keeps its spikes, each tip a node.
    if (m > 1 && Same(r[m - 2].key, k)) {
      if (!marks) return void(--top);
      r[m - 1].node = -2;
    }
    Stations[top++] = Station(k, ref, -1);
  };
  size_t h = 0;
  for (int32_t p = 0; p < static_cast<int32_t>(Paths.size()); ++p) {
    Path& path = Paths[p];
    marks = path.marks;
    route = top;
    const int32_t end = path.ends + path.segments;
    size_t hits = h;
    while (hits < Hits.size() && Hits[hits].seg < end) ++hits;
    room(static_cast<size_t>(path.segments) + (hits - h) + 1);
    for (int32_t s = path.ends; s < end; ++s) {
      push(Ends[s], Segments[s].a);
      for (; h < hits && Hits[h].seg == s; ++h) push(Hits[h].pixel, ~s);
    }
    Station* r = Stations.data() + route;
    if (!path.closed || path.segments == 0) {
      push(Ends[end], Segments[end].a);
    } else if (!marks) {
      // The same across the start.
      size_t b = 0, e = top - route;
      while (e - b > 2) {
        if (Same(r[e - 1].key, r[b].key))
          --e;
        else if (Same(r[e - 2].key, r[b].key) || Same(r[e - 1].key, r[b + 1].key))
          --e, ++b;
        else
          break;
      }
      top = route + e;
      route += b;
      r += b;
    }
    const size_t n = top - route;
    size_t start = n;
    for (size_t i = 0; i < n; ++i) {
      const auto it = std::lower_bound(Candidates.begin(), Candidates.end(), r[i].key, Less);
      if (it != Candidates.end() && Same(*it, r[i].key))
        r[i].node = static_cast<int32_t>(it - Candidates.begin());
      else if (r[i].node == -2)
        r[i].node = Nodes++;
      if (r[i].node >= 0 && start == n) start = i;
    }
    if (start == n) start = 0, r[0].node = Nodes++;
    // A closed path goes on past its end to its first node: its stations
    // before that one are left out.
    if (path.closed) {
      room(start + 1);
      std::copy_n(Stations.begin() + static_cast<std::ptrdiff_t>(route), start + 1,
                  Stations.begin() + static_cast<std::ptrdiff_t>(top));
      top += start + 1;
    }
    path.route = static_cast<int32_t>(route + start);
    path.stations = static_cast<int32_t>(top - route - start);
  }
  Stations.resize(top);
}

// The stretches of the snapped paths between nodes. Single steps between
// the same two nodes are one edge of all the paths running them (longer
// stretches pass points met once only, so no other path runs them).
void TNodedPlane::MakeEdges() {
  Edges.clear();
  Pieces.clear();
  for (const Path& path : Paths) {
    // A closed path of fewer than three points bounds nothing.
    const int32_t end = path.closed && path.stations < 4 ? 0 : path.route + path.stations - 1;
    for (int32_t i = path.route, j; i < end; i = j) {
      for (j = i + 1; Stations[j].node < 0;) ++j;
      const Edge e{Stations[i].node, Stations[j].node, i, j, Combine(0, path.weight, 1),
                   static_cast<int8_t>(path.marks ? 1 : 0), i, {}, {}};
      (j == i + 1 ? Pieces : Edges).push_back(e);
    }
  }
  Order.resize(Pieces.size());
  for (size_t i = 0; i < Pieces.size(); ++i) {
    const Edge& e = Pieces[i];
    Order[i] = {static_cast<uint64_t>(std::min(e.u, e.v)) << 32 | static_cast<uint32_t>(std::max(e.u, e.v)),
                static_cast<int32_t>(i)};
  }
  std::sort(Order.begin(), Order.end());
  for (size_t i = 0, j; i < Order.size(); i = j) {
    Edge e = Pieces[Order[i].second];
    for (j = i + 1; j < Order.size() && Order[j].first == Order[i].first; ++j) {
      const Edge& q = Pieces[Order[j].second];
      const int sign = q.u == e.u ? 1 : -1;
      e.delta = Combine(e.delta, q.delta, sign);
      if (e.mark == 0 && q.mark != 0) e.mark = static_cast<int8_t>(sign), e.markKey = q.markKey;
    }
    Edges.push_back(e);
  }
  // An edge changing no label stays only along a marking path, and a
  // marking path along a contour cuts nothing there.
  size_t kept = 0;
  for (size_t k = 0; k < Edges.size(); ++k) {
    Edge e = Edges[k];
    if (e.delta != 0) e.mark = 0;
    if (e.delta == 0 && e.mark == 0) continue;
    const Key& a = Stations[e.first].key;
    const Key& a1 = Stations[e.first + 1].key;
    const Key& z = Stations[e.last].key;
    const Key& z1 = Stations[e.last - 1].key;
    e.out = Key{a1.x - a.x, a1.y - a.y};
    e.back = Key{z1.x - z.x, z1.y - z.y};
    Edges[kept++] = e;
  }
  Edges.resize(kept);
}

// ---------------------------------------------------------------------------
// The plane

// Sorts the half-edges round every node counter-clockwise from +X and
// traces the faces: the face on the left of a half-edge goes on along the
// half-edge that turns most to the left at its end, the one just clockwise
// of its twin.
bool TNodedPlane::Link() {
  const int32_t half = 2 * static_cast<int32_t>(Edges.size());
  NodeFirst.assign(static_cast<size_t>(Nodes) + 1, 0);
  for (int32_t h = 0; h < half; ++h) ++NodeFirst[Origin(h) + 1];
  for (int32_t n = 0; n < Nodes; ++n) NodeFirst[n + 1] += NodeFirst[n];
  Around.resize(static_cast<size_t>(half));
  Work.assign(NodeFirst.begin(), NodeFirst.end() - 1);
  for (int32_t h = 0; h < half; ++h) Around[Work[Origin(h)]++] = h;
  for (int32_t n = 0; n < Nodes; ++n)
    if (NodeFirst[n + 1] - NodeFirst[n] > 1)
      std::sort(Around.begin() + NodeFirst[n], Around.begin() + NodeFirst[n + 1],
                [&](int32_t p, int32_t q) { return AngleBefore(Direction(p), Direction(q)); });
  At1.resize(static_cast<size_t>(half));
  for (int32_t k = 0; k < half; ++k) At1[Around[k]] = k;
  Next.resize(static_cast<size_t>(half));
  for (int32_t h = 0; h < half; ++h) {
    const int32_t t = h ^ 1, f = NodeFirst[Origin(t)], deg = NodeFirst[Origin(t) + 1] - f;
    Next[h] = Around[f + (At1[t] - f + deg - 1) % deg];
  }
  Face.assign(static_cast<size_t>(half), -1);
  FaceHalf.clear();
  for (int32_t h = 0; h < half; ++h) {
    if (Face[h] >= 0) continue;
    int32_t cur = h;
    for (; Face[cur] < 0; cur = Next[cur]) Face[cur] = static_cast<int32_t>(FaceHalf.size());
    if (cur != h) return false;
    FaceHalf.push_back(h);
  }
  return true;
}

// Labels every face: the face around each connected part of the plane by
// the steps of the other parts crossed by a ray going left from the part's
// leftmost (then lowest) point, the others across the edges from there.
// False when labels disagree.
bool TNodedPlane::Label() {
  constexpr int32_t kUnset = INT32_MIN;
  FaceLabel.assign(FaceHalf.size(), kUnset);
  if (Edges.empty()) return true;
  Parent.resize(static_cast<size_t>(Nodes));
  for (int32_t n = 0; n < Nodes; ++n) Parent[n] = n;
  const auto find = [this](int32_t n) {
    while (Parent[n] != n) n = Parent[n] = Parent[Parent[n]];
    return n;
  };
  for (const Edge& e : Edges) {
    const int32_t a = find(e.u), b = find(e.v);
    if (a != b) Parent[std::max(a, b)] = std::min(a, b);
  }
  Leftmost.assign(static_cast<size_t>(Nodes), -1);
  Work.assign(static_cast<size_t>(Nodes), -1);
  int parts = 0;
  for (int32_t e = 0; e < static_cast<int32_t>(Edges.size()); ++e) {
    const int32_t r = find(Edges[e].u);
    if (Leftmost[r] < 0) ++parts;
    for (int32_t i = Edges[e].first; i <= Edges[e].last; ++i)
      if (Leftmost[r] < 0 || Less(Stations[i].key, Stations[Leftmost[r]].key))
        Leftmost[r] = i, Work[r] = e;
  }
  // The steps that change a label, by bands of Y, for the rays.
  RaySteps.clear();
  for (int32_t e = 0; parts > 1 && e < static_cast<int32_t>(Edges.size()); ++e)
    for (int32_t i = Edges[e].first; Edges[e].delta != 0 && i < Edges[e].last; ++i)
      RaySteps.emplace_back(i, e);
  const int steps = static_cast<int>(RaySteps.size());
  Rays.Build(0, Span.y, std::clamp(steps / 8, 1, 65536), steps, [&](int k) {
    return std::make_pair(Stations[RaySteps[k].first].key.y, Stations[RaySteps[k].first + 1].key.y);
  });
  for (int32_t r = 0; r < Nodes; ++r) {
    if (Leftmost[r] < 0) continue;
    const int32_t i = Leftmost[r], e = Work[r];
    const Key& o = Stations[i].key;
    int32_t face;
    if (i != Edges[e].first && i != Edges[e].last) {
      // Within an edge: the part turns round the point, the face around
      // it lies on the outside of the turn.
      const Key& p = Stations[i - 1].key;
      const Key& q = Stations[i + 1].key;
      face = Face[2 * e + (Orient(o.x - p.x, o.y - p.y, q.x - o.x, q.y - o.y) > 0 ? 1 : 0)];
    } else {
      // At a node: on the left of its last half-edge pointing up or right.
      const int32_t m = Stations[i].node, f = NodeFirst[m], l = NodeFirst[m + 1];
      int32_t h = Around[l - 1];
      for (int32_t k = f; k < l && Direction(Around[k]).y >= 0; ++k) h = Around[k];
      face = Face[h];
    }
    int32_t label = 0;
    const int b = Rays.Band(o.y);
    for (int32_t k = Rays.start[b]; k < Rays.start[b + 1]; ++k) {
      const auto [i, g] = RaySteps[Rays.items[k]];
      const int c = RayCrossing(Stations[i].key, Stations[i + 1].key, o);
      if (c != 0) label = Combine(label, Edges[g].delta, -c);
    }
    if (FaceLabel[face] != kUnset) return false;
    FaceLabel[face] = label;
    Queue.assign(1, face);
    while (!Queue.empty()) {
      const int32_t f = Queue.back();
      Queue.pop_back();
      int32_t h = FaceHalf[f];
      do {
        // f lies on the left of h: the face on its right has h's change
        // taken back.
        const int32_t g = Face[h ^ 1];
        const int32_t l = Combine(FaceLabel[f], Edges[h >> 1].delta, (h & 1) ? 1 : -1);
        if (FaceLabel[g] == kUnset) {
          FaceLabel[g] = l;
          Queue.push_back(g);
        } else if (FaceLabel[g] != l) {
          return false;
        }
        h = Next[h];
      } while (h != FaceHalf[f]);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// The result

int TNodedPlane::TraceRings(bool joined) {
  const int32_t half = 2 * static_cast<int32_t>(Edges.size());
  Parts.clear();
  Rings.clear();
  RingEdges.clear();
  RingPoints.clear();
  Boundary.resize(static_cast<size_t>(half));
  for (int32_t h = 0; h < half; ++h)
    Boundary[h] = FaceIn[Face[h]] && (!FaceIn[Face[h ^ 1]] || Edges[h >> 1].mark != 0);
  RingOf.assign(static_cast<size_t>(half), -1);
  Work2.assign(static_cast<size_t>(Nodes), -1);  // where a node of the walk stands on the stack
  for (int32_t h = 0; h < half; ++h) {
    if (Boundary[h] != 1) continue;
    // The walk along the boundary with the inside on the left, on at every
    // node along the first boundary half-edge clockwise of the way back, so
    // that rings meeting at a node stay apart; joined, counter-clockwise,
    // so that the walk keeps to one face outside.
    Chain.clear();
    for (int32_t cur = h;;) {
      Chain.push_back(cur);
      Boundary[cur] = 2;
      const int32_t t = cur ^ 1, f = NodeFirst[Origin(t)], deg = NodeFirst[Origin(t) + 1] - f;
      int32_t next = t;
      for (int32_t step = 1; step <= deg; ++step) {
        const int32_t c = Around[f + (At1[t] - f + (joined ? step : deg - step)) % deg];
        if (Boundary[c] != 0) {
          next = c;
          break;
        }
      }
      if (next == h) break;
      if (Boundary[next] != 1) {
        State = GEOMETRY_ERR_PIECE;
        return 0;
      }
      cur = next;
    }
    if (joined) {
      AddRing(Chain.data(), static_cast<int>(Chain.size()));
      continue;
    }
    // Holes meeting at a node come in one walk: it is cut into simple
    // rings wherever it comes back to a node it left.
    Stack.clear();
    for (const int32_t e : Chain) {
      const int32_t n = Origin(e);
      if (Work2[n] >= 0) {
        const int32_t from = Work2[n];
        AddRing(Stack.data() + from, static_cast<int>(Stack.size()) - from);
        for (size_t k = static_cast<size_t>(from); k < Stack.size(); ++k) Work2[Origin(Stack[k])] = -1;
        Stack.resize(static_cast<size_t>(from));
      }
      Work2[n] = static_cast<int32_t>(Stack.size());
      Stack.push_back(e);
    }
    AddRing(Stack.data(), static_cast<int>(Stack.size()));
    for (const int32_t e : Stack) Work2[Origin(e)] = -1;
  }
  // Outer rings largest first; each hole to the smallest one around it.
  Shells.clear();
  Holes.clear();
  for (int32_t r = 0; r < static_cast<int32_t>(Rings.size()); ++r)
    (Rings[r].area > 0.0 ? Shells : Holes).push_back(r);
  std::sort(Shells.begin(), Shells.end(), [&](int32_t a, int32_t b) { return Rings[a].area > Rings[b].area; });
  BandsOf.assign(Rings.size(), -1);
  RingBands.clear();
  if (!Holes.empty()) RingFrames();
  for (const int32_t s : Shells) Parts.push_back(Part{s, {}, Rings[s].side, Rings[s].area});
  NestHoles();
  for (size_t i = 0; i < Holes.size(); ++i) {
    const int32_t k = ShellOf[i], h = Holes[i];
    if (k < 0) continue;
    Parts[k].holes.push_back(h);
    Parts[k].area += Rings[h].area;
  }
  // The side of a part: where a marking path first borders it.
  for (Part& part : Parts) {
    int32_t key = Rings[part.shell].markKey;
    for (const int32_t h : part.holes)
      if (Rings[h].markKey < key) key = Rings[h].markKey, part.side = Rings[h].side;
  }
  return 1;
}

// The outer ring of each hole (its place in Shells, -1 for none): the
// smallest one around it, the last in Shells whose frame holds the hole's
// and that contains it. Many outer rings and holes are swept together
// along the axis the outer rings reach least along, so that a hole is
// tried only against the outer rings whose frames hold its own.
void TNodedPlane::NestHoles() {
  ShellOf.assign(Holes.size(), -1);
  const int32_t shells = static_cast<int32_t>(Shells.size());
  if (static_cast<double>(shells) * static_cast<double>(Holes.size()) <= 4096.0) {
    for (size_t i = 0; i < Holes.size(); ++i)
      for (int32_t k = shells - 1; k >= 0; --k)
        if (Contains(Shells[k], Holes[i])) {
          ShellOf[i] = k;
          break;
        }
    return;
  }
  double alongX = 0.0, alongY = 0.0;
  for (const int32_t s : Shells) {
    alongX += static_cast<double>(Rings[s].hi.x - Rings[s].lo.x);
    alongY += static_cast<double>(Rings[s].hi.y - Rings[s].lo.y);
  }
  const bool byY = alongY <= alongX;
  const auto lo = [byY](const Ring& r) { return byY ? r.lo.y : r.lo.x; };
  const auto hi = [byY](const Ring& r) { return byY ? r.hi.y : r.hi.x; };
  Sweep.resize(static_cast<size_t>(shells));
  for (int32_t k = 0; k < shells; ++k) Sweep[k] = {lo(Rings[Shells[k]]), k};
  std::sort(Sweep.begin(), Sweep.end());
  Pixels.resize(Holes.size());
  for (size_t i = 0; i < Holes.size(); ++i) Pixels[i] = {lo(Rings[Holes[i]]), static_cast<int32_t>(i)};
  std::sort(Pixels.begin(), Pixels.end());
  Open.clear();
  size_t next = 0;
  for (const auto& [start, i] : Pixels) {
    const Ring& o = Rings[Holes[i]];
    for (; next < Sweep.size() && Sweep[next].first <= start; ++next) Open.push_back(Sweep[next].second);
    Holding.clear();
    size_t kept = 0;
    for (const int32_t k : Open) {
      const Ring& r = Rings[Shells[k]];
      if (hi(r) < start) continue;
      Open[kept++] = k;
      if (o.lo.x >= r.lo.x && o.hi.x <= r.hi.x && o.lo.y >= r.lo.y && o.hi.y <= r.hi.y)
        Holding.push_back(k);
    }
    Open.resize(kept);
    std::sort(Holding.begin(), Holding.end());
    for (auto k = Holding.rbegin(); k != Holding.rend(); ++k)
      if (Contains(Shells[*k], Holes[i])) {
        ShellOf[i] = *k;
        break;
      }
  }
}

// A simple ring of the result from its half-edges: its area and where a
// marking path first borders it; none with fewer than three points or no
// area.
void TNodedPlane::AddRing(const int32_t* edges, int count) {
  Ring ring{static_cast<int32_t>(RingEdges.size()), count, 0.0, Key{INT64_MAX, INT64_MAX},
            Key{INT64_MIN, INT64_MIN}, 0, 0, INT32_MAX, 1};
  i128 twice = 0;
  for (int k = 0; k < count; ++k) {
    const int32_t h = edges[k];
    const Edge& e = Edges[h >> 1];
    i128 area2 = 0;
    for (int32_t i = e.first; i < e.last; ++i) {
      const Key& p = Stations[i].key;
      const Key& q = Stations[i + 1].key;
      area2 += Cross(p.x, p.y, q.x, q.y);
    }
    twice += (h & 1) ? -area2 : area2;
    ring.npts += e.last - e.first;
    if (e.mark != 0 && e.markKey < ring.markKey) {
      ring.markKey = e.markKey;
      ring.side = ((h & 1) ? -1 : 1) == e.mark ? 1 : 2;
    }
  }
  if (ring.npts < 3 || twice == 0) return;
  ring.area = static_cast<double>(twice) / 2.0;
  for (int k = 0; k < count; ++k) RingOf[edges[k]] = static_cast<int32_t>(Rings.size());
  RingEdges.insert(RingEdges.end(), edges, edges + count);
  Rings.push_back(ring);
}

// The doubled points and the frame of every ring, for nesting the holes.
void TNodedPlane::RingFrames() {
  RingPoints.clear();
  for (int r = 0; r < static_cast<int>(Rings.size()); ++r) {
    Ring& ring = Rings[r];
    ring.pts = static_cast<int32_t>(RingPoints.size());
    ForRing(r, [&](int32_t i) {
      const Key& k = Stations[i].key;
      RingPoints.push_back(Key{2 * k.x, 2 * k.y});
      ring.lo = Key{std::min(ring.lo.x, k.x), std::min(ring.lo.y, k.y)};
      ring.hi = Key{std::max(ring.hi.x, k.x), std::max(ring.hi.y, k.y)};
    });
  }
}

int TNodedPlane::Bands::Band(int64_t y) const {
  const int b = static_cast<int>(static_cast<double>(y - y0) * per);
  return b < 0 ? 0 : (b >= count ? count - 1 : b);
}

template <class F>
void TNodedPlane::Bands::Build(int64_t lo, int64_t hi, int bands, int n, F&& span) {
  y0 = lo;
  count = bands;
  per = static_cast<double>(count) / (static_cast<double>(hi - lo) + 1.0);
  // Counted two places on, summed, then filled one place on: band b ends
  // as start[b] .. start[b + 1].
  start.assign(static_cast<size_t>(count) + 2, 0);
  const auto each = [&](auto&& f) {
    for (int k = 0; k < n; ++k) {
      const auto [y1, y2] = span(k);
      for (int b = Band(std::min(y1, y2)), last = Band(std::max(y1, y2)); b <= last; ++b) f(b, k);
    }
  };
  each([&](int b, int) { ++start[b + 2]; });
  for (int b = 1; b <= count + 1; ++b) start[b] += start[b - 1];
  items.resize(static_cast<size_t>(start[count + 1]));
  each([&](int b, int k) { items[start[b + 1]++] = k; });
}

// Whether p (doubled) lies inside ring r, which it does not lie on: the
// parity of the ring's steps crossed by a ray from p, among the steps of
// p's band for a large ring (banded on its first test).
bool TNodedPlane::InsideRing(int r, const Key& p) {
  const Ring& ring = Rings[r];
  const Key* pts = RingPoints.data() + ring.pts;
  const int n = ring.npts;
  const auto crosses = [&](int k) { return RayCrossing(pts[k], pts[k + 1 < n ? k + 1 : 0], p) != 0; };
  if (BandsOf[r] < 0 && n > 64) {
    BandsOf[r] = static_cast<int32_t>(RingBands.size());
    RingBands.emplace_back().Build(2 * ring.lo.y, 2 * ring.hi.y, std::clamp(n / 4, 1, 4096), n, [&](int k) {
      return std::make_pair(pts[k].y, pts[k + 1 < n ? k + 1 : 0].y);
    });
  }
  bool in = false;
  if (BandsOf[r] < 0) {
    for (int k = 0; k < n; ++k) in ^= crosses(k);
    return in;
  }
  const Bands& b = RingBands[BandsOf[r]];
  const int i = b.Band(p.y);
  for (int32_t k = b.start[i]; k < b.start[i + 1]; ++k) in ^= crosses(b.items[k]);
  return in;
}

// Whether the hole lies inside the ring: tested at the middle of a step of
// one of the hole's edges that is not also an edge of the ring (an edge of
// a marking path borders two pieces), which lies off the ring.
bool TNodedPlane::Contains(int ring, int hole) {
  const Ring& r = Rings[ring];
  const Ring& o = Rings[hole];
  if (o.lo.x < r.lo.x || o.hi.x > r.hi.x || o.lo.y < r.lo.y || o.hi.y > r.hi.y) return false;
  for (int32_t k = o.first; k < o.first + o.count; ++k) {
    const int32_t h = RingEdges[k];
    if (RingOf[h ^ 1] == ring) continue;
    const Edge& e = Edges[h >> 1];
    const Key& a = Stations[(h & 1) ? e.last : e.first].key;
    const Key& b = Stations[(h & 1) ? e.last - 1 : e.first + 1].key;
    return InsideRing(ring, Key{a.x + b.x, a.y + b.y});
  }
  return false;
}

bool TNodedPlane::PathHolds(int path, const Key& p) const {
  const Path& q = Paths[path];
  bool in = false;
  for (int32_t i = q.ends; i < q.ends + q.segments; ++i) in ^= RayCrossing(Ends[i], Ends[i + 1], p) != 0;
  return in;
}

bool TNodedPlane::RouteHolds(int path, const Key& doubled) const {
  const Path& q = Paths[path];
  bool in = false;
  for (int32_t i = q.route; i + 1 < q.route + q.stations; ++i) {
    const Key& a = Stations[i].key;
    const Key& b = Stations[i + 1].key;
    in ^= RayCrossing(Key{2 * a.x, 2 * a.y}, Key{2 * b.x, 2 * b.y}, doubled) != 0;
  }
  return in;
}
