// A uniform grid over a rectangle of the plane, in which segments are filed
// by the cells they pass through: the index of the crossing search and of
// the contour index. Internal to the geometry layer.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geodesy/points.h"

namespace segmentgrid {

// A double cell coordinate as a cell index in 0 .. n - 1 (NaN gives 0).
inline int CellIndex(double v, int n) {
  if (!(v > 0.0)) return 0;
  if (v >= static_cast<double>(n - 1)) return n - 1;
  return static_cast<int>(v);
}

struct Grid {
  double x0 = 0.0, y0 = 0.0, cw = 1.0, ch = 1.0;
  int nx = 1, ny = 1;

  // About `cells` cells over the frame, shaped like it; a frame without
  // width or height gets one row or column. stretch: the cells that much
  // wider than high (as many as segments mostly running along X want, so
  // that each is filed in few cells and a cell holds few of them).
  void Cover(const DFRAME& f, double cells, double stretch = 1.0) {
    const double w = f.X2 - f.X1, h = f.Y2 - f.Y1;
    const bool wide = w > 0.0 && std::isfinite(w), high = h > 0.0 && std::isfinite(h);
    double cx = 1.0, cy = 1.0;
    if (wide && high) {
      cx = std::sqrt(cells * (w / h) / stretch);
      if (!(cx >= 1.0)) cx = 1.0;
      if (cx > cells) cx = cells;
      cx = std::floor(cx);
      cy = std::max(1.0, std::floor(cells / cx));
    } else if (wide) {
      cx = cells;
    } else if (high) {
      cy = cells;
    }
    nx = static_cast<int>(cx);
    ny = static_cast<int>(cy);
    x0 = f.X1;
    y0 = f.Y1;
    cw = wide ? w / nx : 1.0;
    ch = high ? h / ny : 1.0;
  }
  int Column(double x) const { return CellIndex((x - x0) / cw, nx); }
  int Row(double y) const { return CellIndex((y - y0) / ch, ny); }
  int Cells() const { return nx * ny; }
};

// Calls f(cell) for every cell that the segment p-q widened by m reaches:
// column by column, the rows the segment spans within the column (widened).
// The cell's number is 64 bits, for grids of more than 2^31 cells; a grid
// like Grid with its own Column and Row will do.
template <typename G, typename F>
void VisitCells(const G& g, const DOUBLEPOINT& p, const DOUBLEPOINT& q, double m, F&& f) {
  const double xmin = std::min(p.X, q.X) - m, xmax = std::max(p.X, q.X) + m;
  const int ix0 = g.Column(xmin), ix1 = g.Column(xmax);
  const double dx = q.X - p.X, dy = q.Y - p.Y;
  for (int ix = ix0; ix <= ix1; ++ix) {
    double ylo = std::min(p.Y, q.Y), yhi = std::max(p.Y, q.Y);
    if (ix0 != ix1 && dx != 0.0) {
      const double lo = g.x0 + ix * g.cw - m, hi = g.x0 + (ix + 1) * g.cw + m;
      double t0 = (lo - p.X) / dx, t1 = (hi - p.X) / dx;
      if (t0 > t1) std::swap(t0, t1);
      t0 = std::max(t0, 0.0);
      t1 = std::min(t1, 1.0);
      if (t0 <= t1) {
        const double ya = p.Y + t0 * dy, yb = p.Y + t1 * dy;
        ylo = std::min(ya, yb);
        yhi = std::max(ya, yb);
      }
    }
    const int iy0 = g.Row(ylo - m), iy1 = g.Row(yhi + m);
    for (int iy = iy0; iy <= iy1; ++iy) f(static_cast<int64_t>(iy) * g.nx + ix);
  }
}

// How much wider than high the cells for segments running so far along X
// in all (alongX) and along Y (alongY) should be: as many times as the
// one exceeds the other, so that filing them costs least, when that is
// more than 8 (shapes drawn every way get square cells); at most 2^20.
inline double Stretch(double alongX, double alongY) {
  constexpr double kLeast = 8.0, kMost = 1048576.0;
  if (!(alongX > kLeast * alongY) && !(alongY > kLeast * alongX)) return 1.0;
  if (!(alongY > 0.0)) return kMost;
  if (!(alongX > 0.0)) return 1.0 / kMost;
  return std::clamp(alongX / alongY, 1.0 / kMost, kMost);
}

// Covers the frame of n points (n > 0, put in *frame) with about one cell
// a point, or `cells` when more (at most 2^22 cells); the margin to widen
// segments by when they are filed, a hair that keeps a segment in the
// cells its rounded walk might miss at their borders. stretched: the
// points are one path, whose segments shape the cells (Stretch).
inline double CoverPoints(Grid& g, const DOUBLEPOINT* p, size_t n, DFRAME* frame,
                          size_t cells = 0, bool stretched = false) {
  *frame = DFRAME{p[0].X, p[0].Y, p[0].X, p[0].Y};
  for (size_t i = 1; i < n; ++i) {
    frame->X1 = std::min(frame->X1, p[i].X);
    frame->Y1 = std::min(frame->Y1, p[i].Y);
    frame->X2 = std::max(frame->X2, p[i].X);
    frame->Y2 = std::max(frame->Y2, p[i].Y);
  }
  double alongX = 0.0, alongY = 0.0;
  for (size_t i = 1; stretched && i < n; ++i) {
    alongX += std::fabs(p[i].X - p[i - 1].X);
    alongY += std::fabs(p[i].Y - p[i - 1].Y);
  }
  g.Cover(*frame, std::min(4194304.0, static_cast<double>(std::max(n, cells))),
          stretched ? Stretch(alongX, alongY) : 1.0);
  return 1e-9 * (1.0 + (frame->X2 - frame->X1) + (frame->Y2 - frame->Y1));
}

inline bool FramesMeet(const DFRAME& a, const DFRAME& b) {
  return a.X1 <= b.X2 && b.X1 <= a.X2 && a.Y1 <= b.Y2 && b.Y1 <= a.Y2;
}

inline DFRAME SegmentFrame(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double m) {
  return DFRAME{std::min(a.X, b.X) - m, std::min(a.Y, b.Y) - m, std::max(a.X, b.X) + m,
                std::max(a.Y, b.Y) + m};
}

// Squared distance from p to the segment a-b (to a when it is a point).
inline double Dist2Segment(const DOUBLEPOINT& p, const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double px = p.X - a.X, py = p.Y - a.Y;
  const double l2 = dx * dx + dy * dy;
  double t = l2 > 0.0 ? (px * dx + py * dy) / l2 : 0.0;
  if (t < 0.0) t = 0.0;
  else if (t > 1.0) t = 1.0;
  const double ex = px - t * dx, ey = py - t * dy;
  return ex * ex + ey * ey;
}

}  // namespace segmentgrid
