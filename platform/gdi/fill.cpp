// Scanline polygon fill with an edge table and an active edge list. Each
// edge steps its exact crossing (an integer part and a remainder over the
// edge's height), so the span ends follow the sampling rule exactly and the
// per-row work does no allocation and no division.
#include <algorithm>
#include <vector>

#include "platform/gdi/raster.h"

namespace plat::gdi {
namespace {

typedef __int128 i128;

struct Edge {
  int64_t yStart, yEnd;  // rows [yStart, yEnd) inside the clip
  int64_t q, r;          // crossing = q + r / d, 0 <= r < d (pixels)
  int64_t dq, dr;        // step per row
  int64_t d;
  int64_t x;  // the first pixel at or right of the crossing
  int dir;
};

struct Scratch {
  std::vector<Edge> edges;
  std::vector<int> order;
  std::vector<Edge*> active;
};

int64_t FloorDiv64(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}

void AddEdge(Scratch& s, const Target& t, FixPoint p, FixPoint q) {
  if (p.y == q.y) return;
  int dir = q.y > p.y ? 1 : -1;
  FixPoint a = dir > 0 ? p : q, b = dir > 0 ? q : p;
  // Rows y with a.y <= y * FIX_ONE < b.y.
  int64_t rowTop = -FloorDiv64(-a.y, FIX_ONE);
  int64_t rowEnd = -FloorDiv64(-b.y, FIX_ONE);
  int64_t ys = std::max<int64_t>(rowTop, t.cy0), ye = std::min<int64_t>(rowEnd, t.cy1);
  if (ys >= ye) return;
  int64_t B = b.y - a.y, DX = b.x - a.x;
  Edge e;
  e.yStart = ys;
  e.yEnd = ye;
  e.dir = dir;
  e.d = B * FIX_ONE;
  // Crossing in pixels at row y: (a.x * B + (y * FIX_ONE - a.y) * DX) / (B * FIX_ONE).
  const int64_t kSmall = (int64_t)1 << 30;
  int64_t step = DX * FIX_ONE;
  if (a.x > -kSmall && a.x < kSmall && B < kSmall && DX > -kSmall && DX < kSmall &&
      ys * FIX_ONE - a.y > -kSmall && ys * FIX_ONE - a.y < kSmall) {
    int64_t n = a.x * B + (ys * FIX_ONE - a.y) * DX;
    e.q = FloorDiv64(n, e.d);
    e.r = n - e.q * e.d;
  } else {
    i128 n = (i128)a.x * B + (i128)(ys * FIX_ONE - a.y) * DX;
    i128 qq = n / e.d;
    if ((n % e.d) != 0 && n < 0) --qq;
    e.q = (int64_t)qq;
    e.r = (int64_t)(n - qq * e.d);
  }
  e.x = e.q + (e.r > 0 ? 1 : 0);
  e.dq = FloorDiv64(step, e.d);
  e.dr = step - e.dq * e.d;
  s.edges.push_back(e);
}

}  // namespace

void FillPolygons(const Target& t, const FixPoint* points, const int* counts, int rings,
                  bool winding) {
  if (t.Empty() || !points || !counts || rings <= 0) return;
  thread_local Scratch s;
  s.edges.clear();
  const FixPoint* p = points;
  for (int r = 0; r < rings; ++r) {
    int n = counts[r];
    if (n < 0) return;
    for (int i = 0; i < n; ++i) AddEdge(s, t, p[i], p[i + 1 < n ? i + 1 : 0]);
    p += n;
  }
  if (s.edges.empty()) return;
  s.order.resize(s.edges.size());
  for (size_t i = 0; i < s.order.size(); ++i) s.order[i] = (int)i;
  std::sort(s.order.begin(), s.order.end(),
            [&](int a, int b) { return s.edges[a].yStart < s.edges[b].yStart; });
  s.active.clear();
  SpanFn fn = GetSpanFn(t.surface->bpp, t.rop);
  size_t next = 0;
  int64_t y = s.edges[s.order[0]].yStart;
  // The active edges stay sorted by crossing: between rows the order
  // changes only where edges cross, so the insertion pass is nearly linear.
  std::vector<Edge*>& active = s.active;
  while (true) {
    if (active.empty()) {
      if (next >= s.order.size()) break;
      y = s.edges[s.order[next]].yStart;
    }
    while (next < s.order.size() && s.edges[s.order[next]].yStart == y)
      active.push_back(&s.edges[s.order[next++]]);
    for (size_t k = 1; k < active.size(); ++k) {
      Edge* e = active[k];
      size_t j = k;
      while (j > 0 && active[j - 1]->x > e->x) {
        active[j] = active[j - 1];
        --j;
      }
      active[j] = e;
    }
    BYTE* row = t.surface->Row((int)y);
    auto span = [&](int64_t x0, int64_t x1) {
      if (x0 < t.cx0) x0 = t.cx0;
      if (x1 > t.cx1) x1 = t.cx1;
      if (x0 < x1) fn(row, (int)x0, (int)x1, t.value);
    };
    if (!winding) {
      for (size_t k = 0; k + 1 < active.size(); k += 2) span(active[k]->x, active[k + 1]->x);
    } else {
      int w = 0;
      int64_t start = 0;
      for (const Edge* c : active) {
        int before = w;
        w += c->dir;
        if (before == 0 && w != 0) start = c->x;
        else if (before != 0 && w == 0) span(start, c->x);
      }
    }
    // Step the active edges; drop the finished ones.
    ++y;
    size_t keep = 0;
    for (size_t k = 0; k < active.size(); ++k) {
      Edge& e = *active[k];
      if (e.yEnd <= y) continue;
      // Branch-free: the carry comes at irregular rows.
      int64_t r = e.r + e.dr;
      int64_t carry = ~((r - e.d) >> 63);  // all ones when r >= d
      e.r = r - (e.d & carry);
      e.q += e.dq - carry;
      e.x = e.q + (e.r > 0);
      active[keep++] = active[k];
    }
    active.resize(keep);
  }
}

}  // namespace plat::gdi
