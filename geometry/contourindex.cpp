// The segment index of one contour.
#include "geometry/contourindex.h"

#include <algorithm>
#include <cmath>

#include "records/metric_access.h"

using segmentgrid::Dist2Segment;
using segmentgrid::FramesMeet;
using segmentgrid::SegmentFrame;
using segmentgrid::VisitCells;

bool TContourIndex::Build(TDataEdit* metric, int s) {
  Points.clear();
  if (metric == nullptr || metric->Record == nullptr || metric->DescPointSubject(s) == nullptr)
    return false;
  const int count = metric->PointCount();
  const char* p = count > 0 ? metric->FirstPointSubject(s) : nullptr;
  if (p == nullptr || metric->PointBytes <= 0) return false;
  Points.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i, p += metric->PointBytes)
    metric::ReadXY(metric->Record->Ident, p, Points[i].X, Points[i].Y);
  return Index();
}

bool TContourIndex::Build(const DOUBLEPOINT* points, int count, size_t least) {
  Points.assign(points, points + std::max(count, 0));
  return Index(least);
}

bool TContourIndex::Index(size_t least) {
  const int n = static_cast<int>(Points.size());
  if (n < 2) return false;
  const double m = segmentgrid::CoverPoints(Cells, Points.data(), Points.size(), &Frame, least, least > 0);
  const size_t cells = static_cast<size_t>(Cells.Cells());
  CellStart.assign(cells + 1, 0);
  for (int j = 0; j + 1 < n; ++j)
    VisitCells(Cells, Points[j], Points[j + 1], m, [&](int c) { ++CellStart[c]; });
  for (size_t c = 1; c <= cells; ++c) CellStart[c] += CellStart[c - 1];
  CellItems.resize(static_cast<size_t>(CellStart[cells]));
  for (int j = 0; j + 1 < n; ++j)
    VisitCells(Cells, Points[j], Points[j + 1], m, [&](int c) { CellItems[--CellStart[c]] = j; });
  Seen.assign(static_cast<size_t>(n), 0);
  Stamp = 0;
  Placed = false;
  return true;
}

bool TContourIndex::NextStamp() {
  if (++Stamp == 0) {
    std::fill(Seen.begin(), Seen.end(), 0u);
    Stamp = 1;
  }
  return true;
}

bool TContourIndex::Meets(const DOUBLEPOINT* points, int count, double e) {
  if (Empty() || points == nullptr || count < 1) return false;
  const double e2 = e * e;
  DFRAME wide = Frame;
  wide.X1 -= e, wide.Y1 -= e, wide.X2 += e, wide.Y2 += e;
  for (int i = 0; i < count; ++i) {
    const DOUBLEPOINT& a = points[i];
    const DOUBLEPOINT& b = points[i + 1 < count ? i + 1 : i];
    if (!FramesMeet(SegmentFrame(a, b, e), wide)) continue;
    NextStamp();
    bool met = false;
    VisitCells(Cells, a, b, e, [&](int cell) {
      if (met) return;
      ForNewSegments(cell, [&](const DOUBLEPOINT& c, const DOUBLEPOINT& d) {
        const double o1 = (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
        const double o2 = (b.X - a.X) * (d.Y - a.Y) - (b.Y - a.Y) * (d.X - a.X);
        const double o3 = (d.X - c.X) * (a.Y - c.Y) - (d.Y - c.Y) * (a.X - c.X);
        const double o4 = (d.X - c.X) * (b.Y - c.Y) - (d.Y - c.Y) * (b.X - c.X);
        if (((o1 > 0) != (o2 > 0)) && ((o3 > 0) != (o4 > 0))) met = true;
        else met = Dist2Segment(a, c, d) <= e2 || Dist2Segment(b, c, d) <= e2 ||
                   Dist2Segment(c, a, b) <= e2 || Dist2Segment(d, a, b) <= e2;
        return met;
      });
    });
    if (met) return true;
  }
  return false;
}

int TContourIndex::Crossings(const DOUBLEPOINT* points, int count, int limit, double crowd,
                             bool* crowded) {
  if (crowded != nullptr) *crowded = false;
  if (Empty() || points == nullptr || count < 2) return 0;
  Found.clear();
  for (int i = 0; i + 1 < count && static_cast<int>(Found.size()) < limit; ++i) {
    const DOUBLEPOINT& a = points[i];
    const DOUBLEPOINT& b = points[i + 1];
    if (!FramesMeet(SegmentFrame(a, b, 0.0), Frame)) continue;
    NextStamp();
    VisitCells(Cells, a, b, 0.0, [&](int cell) {
      ForNewSegments(cell, [&](const DOUBLEPOINT& c, const DOUBLEPOINT& d) {
        const double o1 = (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
        const double o2 = (b.X - a.X) * (d.Y - a.Y) - (b.Y - a.Y) * (d.X - a.X);
        const double o3 = (d.X - c.X) * (a.Y - c.Y) - (d.Y - c.Y) * (a.X - c.X);
        const double o4 = (d.X - c.X) * (b.Y - c.Y) - (d.Y - c.Y) * (b.X - c.X);
        if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0))) {
          const double t = o3 / (o3 - o4);
          const DOUBLEPOINT x{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
          if (crowded != nullptr)
            for (const DOUBLEPOINT& y : Found)
              if (std::fabs(x.X - y.X) <= crowd && std::fabs(x.Y - y.Y) <= crowd) *crowded = true;
          Found.push_back(x);
        }
        return false;
      });
    });
  }
  return std::min(static_cast<int>(Found.size()), limit);
}

namespace {

// Where segment a-b crosses the line y = y, when it does with one end
// above the line and the other not (an end on the line exactly there);
// the same for the line x = x.
bool CrossesRow(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double y, double* x) {
  if ((a.Y > y) == (b.Y > y)) return false;
  *x = b.Y == y ? b.X : a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y);
  return true;
}
bool CrossesColumn(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double x, double* y) {
  if ((a.X > x) == (b.X > x)) return false;
  *y = b.X == x ? b.Y : a.Y + (x - a.X) * (b.Y - a.Y) / (b.X - a.X);
  return true;
}

// The line of a row runs this far up the row (a fraction no coordinates
// on a grid meet), so that a path from a cell's middle turns off it where
// the contour hardly ever passes.
constexpr double kRowLine = 0.4771212547196624;

}  // namespace

// A point lies inside when the crossings beyond it towards growing X (or,
// alike, towards growing Y) are odd; two points differ by the parity of
// the crossings between them along a line. The rules of CrossesRow and
// CrossesColumn count every point as if moved a hair towards growing X and
// a far smaller hair towards growing Y, so that the path of Inside never
// runs through the contour and its answer is that of a ray from p.
void TContourIndex::PlaceCells() {
  MiddleInside.assign(static_cast<size_t>(Cells.Cells()), 0);
  for (int row = 0; row < Cells.ny; ++row) {
    const double y = Cells.y0 + (row + kRowLine) * Cells.ch;
    RowCrossings.clear();
    NextStamp();
    for (int ix = 0; ix < Cells.nx; ++ix)
      ForNewSegments(row * Cells.nx + ix, [&](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
        double x;
        if (CrossesRow(a, b, y, &x)) RowCrossings.push_back(x);
        return false;
      });
    std::sort(RowCrossings.begin(), RowCrossings.end());
    size_t before = 0;  // crossings at or before the middle
    for (int ix = 0; ix < Cells.nx; ++ix) {
      const double x = Cells.x0 + (ix + 0.5) * Cells.cw;
      while (before < RowCrossings.size() && RowCrossings[before] <= x) ++before;
      MiddleInside[row * Cells.nx + ix] = static_cast<uint8_t>((RowCrossings.size() - before) & 1);
    }
  }
  Placed = true;
}

bool TContourIndex::Inside(const DOUBLEPOINT& p) {
  if (Empty() || p.Y < Frame.Y1 || p.Y > Frame.Y2 || p.X > Frame.X2 || !std::isfinite(p.X))
    return false;
  if (!Placed) PlaceCells();
  // From the middle m of p's cell along its row to (p.X, m.Y), then along
  // X = p.X to p: every crossing on the way lies in the cell (a point left
  // of the frame has none beyond it).
  const int row = Cells.Row(p.Y), column = Cells.Column(p.X), cell = row * Cells.nx + column;
  const double mx = Cells.x0 + (column + 0.5) * Cells.cw;
  const double my = Cells.y0 + (row + kRowLine) * Cells.ch;
  const double x1 = std::min(mx, p.X), x2 = std::max(mx, p.X);
  const double y1 = std::min(my, p.Y), y2 = std::max(my, p.Y);
  bool inside = MiddleInside[cell] != 0;
  for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
    const DOUBLEPOINT& a = Points[CellItems[k]];
    const DOUBLEPOINT& b = Points[CellItems[k] + 1];
    double t;
    // Along the row a crossing at an end lies just before it; along the
    // column, just above it where the side rises to the right.
    if (CrossesRow(a, b, my, &t) && x1 < t && t <= x2) inside = !inside;
    if (CrossesColumn(a, b, p.X, &t) && t >= y1 && t <= y2) {
      const bool rises = (b.Y - a.Y) * (b.X - a.X) > 0.0;
      if ((t > y1 || rises) && (t < y2 || !rises)) inside = !inside;
    }
  }
  return inside;
}

bool TContourIndex::Near(const DOUBLEPOINT& p, double e) {
  if (Empty()) return false;
  // The nearest point can only be near within e * sqrt(2).
  const double r = e * 1.4142135623730951 + 1e-12;
  DFRAME wide = Frame;
  wide.X1 -= r, wide.Y1 -= r, wide.X2 += r, wide.Y2 += r;
  if (!FramesMeet(SegmentFrame(p, p, 0.0), wide)) return false;
  NextStamp();
  double best = r * r;
  DOUBLEPOINT nearest{0.0, 0.0};
  bool found = false;
  VisitCells(Cells, p, p, r, [&](int cell) {
    ForNewSegments(cell, [&](const DOUBLEPOINT& a, const DOUBLEPOINT& b) {
      const double dx = b.X - a.X, dy = b.Y - a.Y, l2 = dx * dx + dy * dy;
      double t = l2 > 0.0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l2 : 0.0;
      t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
      const DOUBLEPOINT f{a.X + t * dx, a.Y + t * dy};
      const double d2 = (f.X - p.X) * (f.X - p.X) + (f.Y - p.Y) * (f.Y - p.Y);
      if (d2 <= best) {
        best = d2;
        nearest = f;
        found = true;
      }
      return false;
    });
  });
  return found && std::fabs(nearest.X - p.X) <= e && std::fabs(nearest.Y - p.Y) <= e;
}
