// The outline of the region a closed curve winds around.
#include "geometry/zoneoutline.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using Pt = DOUBLEPOINT;

// (b - a) x (c - a): positive when c lies on the left of a -> b.
double Orient(const Pt& a, const Pt& b, const Pt& c) {
  return (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
}

bool Same(const Pt& a, const Pt& b) { return a.X == b.X && a.Y == b.Y; }

// Where p lies along a -> b (p on its line), as a fraction clamped to 0..1.
double Along(const Pt& a, const Pt& b, const Pt& p) {
  const double dx = b.X - a.X, dy = b.Y - a.Y, l = dx * dx + dy * dy;
  const double f = l > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l : 0.0;
  return f < 0.0 ? 0.0 : (f > 1.0 ? 1.0 : f);
}

}  // namespace

bool TZoneOutline::Key::operator<(const Key& o) const { return x != o.x ? x < o.x : y < o.y; }
bool TZoneOutline::Key::operator==(const Key& o) const { return x == o.x && y == o.y; }

// Directions between pixels compared by their angle counter-clockwise from
// +X, exactly; 0 when they are the same.
int TZoneOutline::AngleOrder(const Key& a, const Key& b) {
  const auto half = [](const Key& d) { return (d.y > 0 || (d.y == 0 && d.x > 0)) ? 0 : 1; };
  const int ha = half(a), hb = half(b);
  if (ha != hb) return ha < hb ? -1 : 1;
  const __int128 c = static_cast<__int128>(a.x) * b.y - static_cast<__int128>(a.y) * b.x;
  return c > 0 ? -1 : (c < 0 ? 1 : 0);
}

// ---------------------------------------------------------------------------
// Snapping

TZoneOutline::Key TZoneOutline::PixelOf(const DOUBLEPOINT& p) const {
  const auto round = [](double v) { return static_cast<int64_t>(v < 0.0 ? v - 0.5 : v + 0.5); };
  return {round(p.X * PerPixel), round(p.Y * PerPixel)};
}

DOUBLEPOINT TZoneOutline::Centre(const Key& k) const {
  return {static_cast<double>(k.x) * Pixel, static_cast<double>(k.y) * Pixel};
}

uint64_t TZoneOutline::CellOf(const DOUBLEPOINT& p) const {
  const double fx = (p.X - X0) * PerCell, fy = (p.Y - Y0) * PerCell;
  return (fx > 0.0 ? static_cast<uint64_t>(fx) : 0) * Rows +
         (fy > 0.0 ? static_cast<uint64_t>(fy) : 0);
}

// Files every segment under the cells it passes through, widened by a
// pixel so that it is filed wherever lies the centre of a pixel it meets
// (its first vertex's among them); sorts the entries by cell.
void TZoneOutline::Grid() {
  double x1 = C[0].X, y1 = C[0].Y, x2 = x1, y2 = y1, length = 0.0;
  for (int32_t s = 0; s < M; ++s) {
    const Pt& p = C[s + 1];
    x1 = std::min(x1, p.X), y1 = std::min(y1, p.Y);
    x2 = std::max(x2, p.X), y2 = std::max(y2, p.Y);
    const double dx = p.X - C[s].X, dy = p.Y - C[s].Y;
    length += std::sqrt(dx * dx + dy * dy);
  }
  const double w = x2 - x1, h = y2 - y1;
  // Cells of about two segments' length, never so many that a cell's
  // number (at most 2^16 + 3 rows and columns) and an item overflow an
  // entry.
  Cell = std::max({2.0 * length / M, (w + h) / 65536.0, 4.0 * Pixel});
  PerCell = 1.0 / Cell;
  const double margin = Pixel + 1e-9 * (w + h);
  X0 = x1 - Cell;
  Y0 = y1 - Cell;
  Rows = static_cast<uint64_t>(h / Cell) + 3;
  const uint64_t columns = static_cast<uint64_t>(w / Cell) + 3;
  const auto index = [this](double v, double origin) -> uint64_t {
    const double f = (v - origin) * PerCell;
    return f > 0.0 ? static_cast<uint64_t>(f) : 0;
  };

  Entries.clear();
  Entries.reserve(2 * static_cast<size_t>(M));
  for (int32_t s = 0; s < M; ++s) {
    const Pt& a = C[s];
    const Pt& b = C[s + 1];
    // The entry of the cell that holds the centre of the segment's first
    // pixel is marked: that vertex is sought in the cell.
    const uint64_t home = CellOf(Centre(Keys[s]));
    const auto file = [&](uint64_t cell) {
      Entries.push_back(cell << kItemBits | static_cast<uint32_t>(2 * s + (cell == home ? 1 : 0)));
    };
    const uint64_t c0 = index(std::min(a.X, b.X) - margin, X0);
    const uint64_t c1 = index(std::max(a.X, b.X) + margin, X0);
    const uint64_t r0 = index(std::min(a.Y, b.Y) - margin, Y0);
    const uint64_t r1 = index(std::max(a.Y, b.Y) + margin, Y0);
    if (c0 == c1 || r0 == r1) {
      // Within one row or one column: every cell of its frame.
      for (uint64_t ix = c0; ix <= c1; ++ix)
        for (uint64_t iy = r0; iy <= r1; ++iy) file(ix * Rows + iy);
      continue;
    }
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    for (uint64_t ix = c0; ix <= c1; ++ix) {
      // The part of the segment over this column.
      const double left = X0 + static_cast<double>(ix) * Cell - margin;
      const double right = left + Cell + 2 * margin;
      double t0 = (left - a.X) / dx, t1 = (right - a.X) / dx;
      if (t0 > t1) std::swap(t0, t1);
      t0 = std::max(t0, 0.0);
      t1 = std::min(t1, 1.0);
      if (t0 > t1) continue;
      const double ya = a.Y + t0 * dy, yb = a.Y + t1 * dy;
      const uint64_t lo = index(std::min(ya, yb) - margin, Y0);
      const uint64_t hi = index(std::max(ya, yb) + margin, Y0);
      for (uint64_t iy = lo; iy <= hi; ++iy) file(ix * Rows + iy);
    }
  }

  // Sorted by cell: a radix sort in as few passes of at most 14 bits as
  // the keys in use need (few enough buckets to stay in the cache).
  if (Entries.size() < 2048) {
    std::sort(Entries.begin(), Entries.end());
    return;
  }
  int bits = 1;
  while (bits < 64 && ((columns * Rows) >> bits) != 0) ++bits;
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

// Whether segment s meets the (closed) square of pixel k.
bool TZoneOutline::Passes(int32_t s, const Key& k) const {
  const Pt& a = C[s];
  const Pt& b = C[s + 1];
  const Pt c = Centre(k);
  const double r = Pixel / 2;
  if (std::max(a.X, b.X) < c.X - r || std::min(a.X, b.X) > c.X + r ||
      std::max(a.Y, b.Y) < c.Y - r || std::min(a.Y, b.Y) > c.Y + r)
    return false;
  const double o1 = Orient(a, b, {c.X - r, c.Y - r}), o2 = Orient(a, b, {c.X + r, c.Y - r});
  const double o3 = Orient(a, b, {c.X + r, c.Y + r}), o4 = Orient(a, b, {c.X - r, c.Y + r});
  return !((o1 > 0 && o2 > 0 && o3 > 0 && o4 > 0) || (o1 < 0 && o2 < 0 && o3 < 0 && o4 < 0));
}

// Segment s goes through the centre of pixel k; the pixel is met by the
// curve more than once. The pixels a segment goes through are ordered by
// where their centres fall along it, so that one pixel met twice keeps one
// place.
void TZoneOutline::Snap(int32_t s, const Key& k) {
  Hits.push_back({s, Along(C[s], C[s + 1], Centre(k)), k});
  Candidates.push_back(k);
}

// Whether segments s1 < s2, not neighbours along the curve, cross: each
// has the other's ends strictly on either side. Where an end lies on the
// other segment, or both run along one line, they meet at a vertex, and
// the vertex's pixel, met by the other segment, is the node.
bool TZoneOutline::Crosses(int32_t s1, int32_t s2) const {
  if (s2 == s1 + 1 || (s1 == 0 && s2 == M - 1)) return false;
  const Pt& a = C[s1];
  const Pt& b = C[s1 + 1];
  const Pt& c = C[s2];
  const Pt& d = C[s2 + 1];
  if (std::max(a.X, b.X) < std::min(c.X, d.X) || std::max(c.X, d.X) < std::min(a.X, b.X) ||
      std::max(a.Y, b.Y) < std::min(c.Y, d.Y) || std::max(c.Y, d.Y) < std::min(a.Y, b.Y))
    return false;
  const double o1 = Orient(a, b, c), o2 = Orient(a, b, d);
  if (!((o1 > 0.0 && o2 < 0.0) || (o1 < 0.0 && o2 > 0.0))) return false;
  const double o3 = Orient(c, d, a), o4 = Orient(c, d, b);
  return (o3 > 0.0 && o4 < 0.0) || (o3 < 0.0 && o4 > 0.0);
}

// The crossing of segments s1 and s2: a hot pixel both are led through,
// and that further segments passing it are led through too.
void TZoneOutline::Cross(int32_t s1, int32_t s2) {
  const Pt& a = C[s1];
  const Pt& b = C[s1 + 1];
  const Pt& c = C[s2];
  const Pt& d = C[s2 + 1];
  const double o3 = Orient(c, d, a), o4 = Orient(c, d, b);
  const double t = o3 / (o3 - o4);
  const Key k = PixelOf({a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)});
  Snap(s1, k);
  Snap(s2, k);
  Hot.push_back(k);
}

// What two runs of one cell meet in, as seen from run a: crossings of its
// segments with b's (found once, from the run first in the cell), pixels of
// b's vertices its segments pass through, and vertices of both runs in one
// pixel.
void TZoneOutline::Meet(const Run& a, const Run& b) {
  const bool first = a.begin < b.begin;
  for (size_t i = a.begin; i < a.end; ++i) {
    const int32_t s = CellItems[i] >> 1;
    if (first)
      for (size_t j = b.begin; j < b.end; ++j) {
        const int32_t t = CellItems[j] >> 1;
        if (Crosses(std::min(s, t), std::max(s, t)))
          Found.push_back((static_cast<uint64_t>(std::min(s, t)) << 32) | uint32_t(std::max(s, t)));
      }
    for (size_t j = b.begin; j < b.end; ++j) {
      if (!(CellItems[j] & 1)) continue;
      const int32_t v = CellItems[j] >> 1;
      if (v == s || v == s + 1 || (v == 0 && s == M - 1)) continue;
      const Key& k = Keys[v];
      if (k == Keys[s] || k == Keys[s + 1]) {
        // The vertex shares the pixel of one of the segment's ends.
        if (first && (CellItems[i] & 1) && k == Keys[s]) Candidates.push_back(k);
        continue;
      }
      if (Passes(s, k)) Snap(s, k);
    }
  }
}

// Snap rounding: every vertex and every crossing of the curve is a hot
// pixel of a grid finer than the precision, and every segment is led
// through the centres of the hot pixels it meets. The snapped curve then
// meets itself only at pixel centres (where it crosses, touches or runs
// along itself), each such meeting decided once, and its pieces between
// them can be labelled exactly.
void TZoneOutline::Node() {
  Found.clear();
  Hits.clear();
  Candidates.clear();
  Hot.clear();
  Grid();
  const size_t n = Entries.size();
  for (size_t lo = 0, hi; lo < n; lo = hi) {
    // The cell's segments, in order along the curve, in runs of neighbours
    // heading the same way in X and in Y: a run cannot cross itself nor
    // pass through its own vertices' pixels.
    const uint64_t cell = Entries[lo] >> kItemBits;
    CellItems.clear();
    Runs.clear();
    for (hi = lo; hi < n && Entries[hi] >> kItemBits == cell; ++hi) {
      const int32_t item = static_cast<int32_t>(Entries[hi] & kItemMask), s = item >> 1;
      const Pt& a = C[s];
      const Pt& b = C[s + 1];
      const int sx = (b.X > a.X) - (b.X < a.X), sy = (b.Y > a.Y) - (b.Y < a.Y);
      const size_t i = CellItems.size();
      if (Runs.empty() || (CellItems.back() >> 1) != s - 1 || sx * Runs.back().sx < 0 ||
          sy * Runs.back().sy < 0)
        Runs.push_back({i, i, 0, 0, {a.X, a.Y, a.X, a.Y}});
      Run& r = Runs.back();
      r.end = i + 1;
      if (sx != 0) r.sx = sx;
      if (sy != 0) r.sy = sy;
      r.frame.X1 = std::min({r.frame.X1, a.X, b.X}), r.frame.Y1 = std::min({r.frame.Y1, a.Y, b.Y});
      r.frame.X2 = std::max({r.frame.X2, a.X, b.X}), r.frame.Y2 = std::max({r.frame.Y2, a.Y, b.Y});
      CellItems.push_back(item);
    }
    const double r = Pixel;
    for (size_t p = 0; p < Runs.size(); ++p)
      for (size_t q = p + 1; q < Runs.size(); ++q) {
        const DFRAME& f = Runs[p].frame;
        const DFRAME& g = Runs[q].frame;
        if (f.X2 + r < g.X1 || g.X2 + r < f.X1 || f.Y2 + r < g.Y1 || g.Y2 + r < f.Y1) continue;
        Meet(Runs[p], Runs[q]);
        Meet(Runs[q], Runs[p]);
      }
  }
  std::sort(Found.begin(), Found.end());
  Found.erase(std::unique(Found.begin(), Found.end()), Found.end());
  for (const uint64_t pair : Found)
    Cross(static_cast<int32_t>(pair >> 32), static_cast<int32_t>(pair & 0xFFFFFFFFu));
  // The pixels of crossings met by further segments.
  std::sort(Hot.begin(), Hot.end());
  Hot.erase(std::unique(Hot.begin(), Hot.end()), Hot.end());
  for (const Key& k : Hot) {
    const uint64_t cell = CellOf(Centre(k));
    auto it = std::lower_bound(Entries.begin(), Entries.end(), cell << kItemBits);
    for (; it != Entries.end() && *it >> kItemBits == cell; ++it) {
      const int32_t s = static_cast<int32_t>(*it & kItemMask) >> 1;
      if (!(k == Keys[s]) && !(k == Keys[s + 1]) && Passes(s, k)) Snap(s, k);
    }
  }
}

// The snapped curve: every vertex's pixel followed by the pixels its
// segment was led through, in order, without repeats and without spikes
// (a pixel left by the way it was reached), which wind round nothing.
bool TZoneOutline::Route() {
  std::sort(Hits.begin(), Hits.end(),
            [](const Hit& a, const Hit& b) { return a.seg != b.seg ? a.seg < b.seg : a.t < b.t; });
  Path.clear();
  const auto push = [&](const Key& k, const Pt& at) {
    const size_t n = Path.size();
    if (n > 0 && Path[n - 1].key == k) return;
    if (n > 1 && Path[n - 2].key == k) {
      Path.pop_back();
      return;
    }
    Path.push_back({k, at, -1});
  };
  size_t h = 0;
  for (int32_t s = 0; s < M; ++s) {
    push(Keys[s], C[s]);
    for (; h < Hits.size() && Hits[h].seg == s; ++h) push(Hits[h].pixel, Centre(Hits[h].pixel));
  }
  // The same across the start.
  size_t b = 0, e = Path.size();
  const auto same = [&](size_t i, size_t j) { return Path[i].key == Path[j].key; };
  while (e - b > 2) {
    if (same(e - 1, b))
      --e;
    else if (same(e - 2, b))
      --e, ++b;
    else if (same(e - 1, b + 1))
      --e, ++b;
    else
      break;
  }
  Path.erase(Path.begin() + static_cast<std::ptrdiff_t>(e), Path.end());
  Path.erase(Path.begin(), Path.begin() + static_cast<std::ptrdiff_t>(b));
  return Path.size() >= 3;
}

// ---------------------------------------------------------------------------
// Pieces and faces

// The stops of the route (its points at pixels met more than once) cut it
// into pieces from node to node.
void TZoneOutline::Split() {
  std::sort(Candidates.begin(), Candidates.end());
  Candidates.erase(std::unique(Candidates.begin(), Candidates.end()), Candidates.end());
  Stops.clear();
  const int32_t n = static_cast<int32_t>(Path.size());
  for (int32_t i = 0; i < n; ++i) {
    Step& r = Path[i];
    const auto it = std::lower_bound(Candidates.begin(), Candidates.end(), r.key);
    if (it == Candidates.end() || !(*it == r.key)) continue;
    r.node = static_cast<int32_t>(it - Candidates.begin());
    r.at = Centre(r.key);
    Stops.push_back(i);
  }
  Pieces.clear();
  const int32_t k = static_cast<int32_t>(Stops.size());
  for (int32_t i = 0; i < k; ++i) {
    Piece p;
    p.first = Stops[i];
    p.last = Stops[(i + 1) % k];
    if (p.last <= p.first) p.last += n;
    const Key& a = Path[p.first].key;
    const Key& a1 = Path[(p.first + 1) % n].key;
    const Key& z = Path[p.last % n].key;
    const Key& z1 = Path[(p.last - 1) % n].key;
    p.from = Path[p.first].node;
    p.to = Path[p.last % n].node;
    p.out = {a1.x - a.x, a1.y - a.y};
    p.back = {z1.x - z.x, z1.y - z.y};
    p.area2 = 0.0;
    for (int32_t j = p.first; j < p.last; ++j) {
      const Pt& u = Path[j % n].at;
      const Pt& v = Path[(j + 1) % n].at;
      p.area2 += u.X * v.Y - v.X * u.Y;
    }
    Pieces.push_back(p);
  }
}

// Sorts the half-edges round every node, traces the faces, and gives every
// face its winding number: 0 for the outer face (the one of negative area)
// and one more on the left of every piece than on its right. false when
// the labels disagree (crossings that do not fit together).
bool TZoneOutline::Label() {
  const int32_t nodes = static_cast<int32_t>(Candidates.size());
  const int32_t halves = 2 * static_cast<int32_t>(Pieces.size());
  NodeStart.assign(static_cast<size_t>(nodes) + 1, 0);
  for (const Piece& p : Pieces) ++NodeStart[p.from + 1], ++NodeStart[p.to + 1];
  for (int32_t n = 0; n < nodes; ++n) NodeStart[n + 1] += NodeStart[n];
  NodeHalf.resize(static_cast<size_t>(halves));
  Pos.assign(NodeStart.begin(), NodeStart.end() - 1);  // fill cursor per node
  for (int32_t p = 0; p < halves / 2; ++p) {
    NodeHalf[Pos[Pieces[p].from]++] = 2 * p;
    NodeHalf[Pos[Pieces[p].to]++] = 2 * p + 1;
  }
  const auto direction = [&](int32_t h) -> const Key& {
    return (h & 1) ? Pieces[h >> 1].back : Pieces[h >> 1].out;
  };
  // Counter-clockwise from +X. Pieces leaving in the same direction run
  // over one another: they are taken as side by side, the higher piece
  // number to the left of the direction pointing to growing X (or growing
  // Y), so that both of their ends agree.
  const auto before = [&](int32_t a, int32_t b) {
    const int o = AngleOrder(direction(a), direction(b));
    if (o != 0) return o < 0;
    const Key& d = direction(a);
    const bool forward = d.x > 0 || (d.x == 0 && d.y > 0);
    return forward ? (a >> 1) < (b >> 1) : (a >> 1) > (b >> 1);
  };
  Pos.assign(static_cast<size_t>(halves), 0);
  for (int32_t n = 0; n < nodes; ++n) {
    const auto first = NodeHalf.begin() + NodeStart[n], last = NodeHalf.begin() + NodeStart[n + 1];
    std::sort(first, last, before);
    for (auto it = first; it != last; ++it) Pos[*it] = static_cast<int32_t>(it - NodeHalf.begin());
  }

  // Faces: the face on the left of h goes on with the half-edge next
  // clockwise, round the node h reaches, from h's own way back.
  Face.assign(static_cast<size_t>(halves), -1);
  FaceArea.clear();
  for (int32_t h0 = 0; h0 < halves; ++h0) {
    if (Face[h0] >= 0) continue;
    const int32_t f = static_cast<int32_t>(FaceArea.size());
    double area = 0.0;
    for (int32_t h = h0; Face[h] < 0; h = Next(h)) {
      Face[h] = f;
      area += (h & 1) ? -Pieces[h >> 1].area2 : Pieces[h >> 1].area2;
    }
    FaceArea.push_back(area);
  }
  const int32_t faces = static_cast<int32_t>(FaceArea.size());
  const int32_t outer =
      static_cast<int32_t>(std::min_element(FaceArea.begin(), FaceArea.end()) - FaceArea.begin());

  // Windings, face by face from the outer one.
  Wind.assign(static_cast<size_t>(faces), INT32_MIN);
  FaceHalf.assign(static_cast<size_t>(faces), -1);
  for (int32_t h = 0; h < halves; ++h)
    if (FaceHalf[Face[h]] < 0) FaceHalf[Face[h]] = h;
  Queue.clear();
  Wind[outer] = 0;
  Queue.push_back(outer);
  for (size_t q = 0; q < Queue.size(); ++q) {
    const int32_t f = Queue[q];
    const int32_t h0 = FaceHalf[f];
    int32_t h = h0;
    do {
      // f lies on the left of h: one more than on its right for a piece
      // run forward, one less for one run backward.
      const int32_t g = Face[h ^ 1];
      const int32_t w = Wind[f] - ((h & 1) ? -1 : 1);
      if (Wind[g] == INT32_MIN) {
        Wind[g] = w;
        Queue.push_back(g);
      } else if (Wind[g] != w) {
        return false;
      }
      h = Next(h);
    } while (h != h0);
  }
  return static_cast<int32_t>(Queue.size()) == faces;
}

int32_t TZoneOutline::Next(int32_t h) const {
  const int32_t twin = h ^ 1;
  const Piece& p = Pieces[h >> 1];
  const int32_t node = (h & 1) ? p.from : p.to;  // the node h reaches
  const int32_t lo = NodeStart[node], hi = NodeStart[node + 1];
  const int32_t at = Pos[twin];
  return NodeHalf[at > lo ? at - 1 : hi - 1];
}

bool TZoneOutline::Kept(int32_t h) const { return Wind[Face[h]] != 0 && Wind[Face[h ^ 1]] == 0; }

// Walks the kept half-edges into rings: from each, on round the node it
// reaches clockwise to the first kept half-edge leaving it.
bool TZoneOutline::Rings() {
  const int32_t halves = static_cast<int32_t>(Face.size());
  Used.assign(static_cast<size_t>(halves), 0);
  RingPoints.clear();
  RingStart.clear();
  for (int32_t h0 = 0; h0 < halves; ++h0) {
    if (Used[h0] || !Kept(h0)) continue;
    RingStart.push_back(RingPoints.size());
    int32_t h = h0;
    do {
      if (Used[h]) return false;
      Used[h] = 1;
      // The piece's points but the node the next piece begins with.
      const Piece& p = Pieces[h >> 1];
      const int32_t n = static_cast<int32_t>(Path.size());
      if (h & 1) {
        for (int32_t j = p.last; j > p.first; --j) RingPoints.push_back(Path[j % n].at);
      } else {
        for (int32_t j = p.first; j < p.last; ++j) RingPoints.push_back(Path[j % n].at);
      }
      const int32_t node = (h & 1) ? p.from : p.to;
      const int32_t lo = NodeStart[node], hi = NodeStart[node + 1];
      int32_t at = Pos[h ^ 1], next = -1;
      for (int32_t i = 0; i < hi - lo && next < 0; ++i) {
        at = at > lo ? at - 1 : hi - 1;
        if (Kept(NodeHalf[at])) next = NodeHalf[at];
      }
      if (next < 0) return false;
      h = next;
    } while (h != h0);
    CleanRing(RingStart.back());
    if (RingPoints.size() == RingStart.back()) RingStart.pop_back();
  }
  RingStart.push_back(RingPoints.size());
  return RingStart.size() > 1;
}

// Drops repeated points and spikes (a point that the ring leaves by the
// way it came) from the last ring, and the ring itself when fewer than
// three points are left.
void TZoneOutline::CleanRing(size_t from) {
  size_t n = from;
  for (size_t i = from; i < RingPoints.size(); ++i) {
    const Pt p = RingPoints[i];
    if (n > from && Same(RingPoints[n - 1], p)) continue;
    if (n > from + 1 && Same(RingPoints[n - 2], p)) {
      --n;
      continue;
    }
    RingPoints[n++] = p;
  }
  // The same across the ring's start.
  size_t b = from;
  while (n - b > 2) {
    if (Same(RingPoints[n - 1], RingPoints[b]))
      --n;
    else if (Same(RingPoints[n - 2], RingPoints[b]))
      --n, ++b;
    else if (Same(RingPoints[n - 1], RingPoints[b + 1]))
      --n, ++b;
    else
      break;
  }
  RingPoints.erase(RingPoints.begin() + static_cast<std::ptrdiff_t>(n), RingPoints.end());
  RingPoints.erase(RingPoints.begin() + static_cast<std::ptrdiff_t>(from),
                   RingPoints.begin() + static_cast<std::ptrdiff_t>(b));
  if (RingPoints.size() - from < 3) RingPoints.resize(from);
}

// ---------------------------------------------------------------------------
// The contour

// The largest outer ring, with every hole bridged in: from the hole's
// point farthest along X straight on along X to the nearest edge met, whose
// way there and back joins the hole's ring to the outer one. Holes are
// taken from the one reaching farthest along X, so that no bridge crosses
// a hole not yet joined.
bool TZoneOutline::Join(std::vector<DOUBLEPOINT>* out) {
  const size_t rings = RingStart.size() - 1;
  const auto area = [&](size_t r) {
    double s = 0.0;
    const size_t a = RingStart[r], b = RingStart[r + 1];
    for (size_t i = a; i < b; ++i) {
      const Pt& p = RingPoints[i];
      const Pt& q = RingPoints[i + 1 < b ? i + 1 : a];
      s += p.X * q.Y - q.X * p.Y;
    }
    return s;
  };
  size_t outer = rings;
  double best = 0.0;
  size_t outers = 0;
  Holes.clear();
  for (size_t r = 0; r < rings; ++r) {
    const double a = area(r);
    if (a > 0.0) {
      ++outers;
      if (a > best) best = a, outer = r;
    } else if (a < 0.0) {
      Holes.push_back(r);
    }
  }
  if (outer == rings) return false;
  out->assign(RingPoints.begin() + static_cast<std::ptrdiff_t>(RingStart[outer]),
              RingPoints.begin() + static_cast<std::ptrdiff_t>(RingStart[outer + 1]));
  // A hole belongs to the outer ring it lies in; with one outer ring, to it.
  const auto inside = [&](const Pt& v) {
    bool in = false;
    for (size_t i = 0, n = out->size(); i < n; ++i) {
      const Pt& p = (*out)[i];
      const Pt& q = (*out)[i + 1 < n ? i + 1 : 0];
      if ((p.Y > v.Y) != (q.Y > v.Y) && v.X < p.X + (v.Y - p.Y) * (q.X - p.X) / (q.Y - p.Y))
        in = !in;
    }
    return in;
  };
  const auto farthest = [&](size_t r) {
    size_t v = RingStart[r];
    for (size_t i = v; i < RingStart[r + 1]; ++i)
      if (RingPoints[i].X > RingPoints[v].X) v = i;
    return v;
  };
  std::sort(Holes.begin(), Holes.end(), [&](size_t a, size_t b) {
    return RingPoints[farthest(a)].X > RingPoints[farthest(b)].X;
  });
  for (const size_t r : Holes) {
    const size_t v = farthest(r);
    const Pt at = RingPoints[v];
    if (outers > 1 && !inside(at)) continue;
    size_t edge = out->size();
    double x = 0.0;
    for (size_t i = 0, n = out->size(); i < n; ++i) {
      const Pt& p = (*out)[i];
      const Pt& q = (*out)[i + 1 < n ? i + 1 : 0];
      if ((p.Y > at.Y) == (q.Y > at.Y)) continue;
      const double cx = p.X + (at.Y - p.Y) * (q.X - p.X) / (q.Y - p.Y);
      if (cx > at.X && (edge == n || cx < x)) edge = i, x = cx;
    }
    if (edge == out->size()) continue;
    const Pt bridge{x, at.Y};
    Bridge.clear();
    Bridge.push_back(bridge);
    const size_t a = RingStart[r], b = RingStart[r + 1];
    for (size_t i = v; i < b; ++i) Bridge.push_back(RingPoints[i]);
    for (size_t i = a; i <= v; ++i) Bridge.push_back(RingPoints[i]);
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

bool TZoneOutline::Resolve(const DOUBLEPOINT* curve, int count, double precision,
                           std::vector<DOUBLEPOINT>* out) {
  out->clear();
  C.clear();
  double far = 0.0;
  for (int i = 0; i < count; ++i) {
    const Pt& p = curve[i];
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) return false;
    far = std::max({far, std::fabs(p.X), std::fabs(p.Y)});
    if (C.empty() || !Same(C.back(), p)) C.push_back(p);
  }
  while (C.size() > 1 && Same(C.front(), C.back())) C.pop_back();
  if (C.size() < 3 || C.size() >= (size_t{1} << (kItemBits - 1))) return false;
  M = static_cast<int32_t>(C.size());
  C.push_back(C.front());
  // Pixels of a power of two a quarter of the precision or finer, but not
  // so fine that the coordinates' own rounding reaches across one.
  int e = 0;
  std::frexp(std::max(precision, 1e-300) / 4, &e);
  int least = 0;
  std::frexp(far * 0x1p-44, &least);
  Pixel = std::ldexp(1.0, std::max(e - 1, least));
  PerPixel = 1.0 / Pixel;
  Keys.resize(C.size());
  for (size_t i = 0; i < C.size(); ++i) Keys[i] = PixelOf(C[i]);
  Node();
  if (!Route()) return false;
  Split();
  if (Pieces.empty()) {
    // The curve does not meet itself.
    double a = 0.0;
    for (size_t i = 0, n = Path.size(); i < n; ++i) {
      const Pt& p = Path[i].at;
      const Pt& q = Path[(i + 1) % n].at;
      a += p.X * q.Y - q.X * p.Y;
    }
    if (a == 0.0) return false;
    for (const Step& s : Path) out->push_back(s.at);
    out->push_back(out->front());
    if (a < 0.0) std::reverse(out->begin(), out->end());
    return true;
  }
  if (!Label() || !Rings() || !Join(out)) {
    out->clear();
    return false;
  }
  return true;
}
