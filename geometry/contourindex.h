// An index of the segments of one contour for the questions the area
// workers ask of it many times over: whether a polyline comes within a
// distance of the contour, and whether a point lies inside it. A grid of
// the contour's segments answers both in time that grows with the cells
// and segments near the question rather than with the whole contour.
// Internal to the geometry layer; reused between builds without
// allocating once it has grown.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "geodesy/points.h"
#include "geometry/segmentgrid.h"
#include "records/dataedit.h"

class TContourIndex {
 public:
  // Indexes subject s of the metric: false when it has fewer than 2
  // points or cannot be read.
  bool Build(TDataEdit* metric, int s);
  // least: at least that many cells (about one a point otherwise), so
  // that the segments of a contour of that many points asking about this
  // one find few of its segments in their cells; such cells are stretched
  // along the way this contour's segments mostly run.
  bool Build(const DOUBLEPOINT* points, int count, size_t least = 0);
  bool Empty() const { return Points.size() < 2; }

  // Whether a segment of the polyline crosses the contour or comes within
  // e of it.
  bool Meets(const DOUBLEPOINT* points, int count, double e);
  // How many times the segments of the polyline cross the contour's
  // segments properly, counted up to `limit`; *crowded (when asked) set
  // when two of the crossings lie within `crowd` of each other in X and Y.
  int Crossings(const DOUBLEPOINT* points, int count, int limit, double crowd = 0.0,
                bool* crowded = nullptr);
  // Whether p lies inside the closed contour (a point on the contour may
  // go either way): from the middle of its cell, whose side is known, by
  // the crossings of a path within the cell.
  bool Inside(const DOUBLEPOINT& p);
  // Whether the point of the contour nearest to p lies within e of it in
  // both X and Y.
  bool Near(const DOUBLEPOINT& p, double e);
  // Calls f(j) once for each segment j (from point j to point j + 1, from
  // 0) that may come within e of the segment a-b: those filed in the cells
  // of its frame widened by e when that spans few cells (as most segments'
  // do), else in the cells a-b widened by e passes.
  template <typename F>
  void ForSegmentsNear(const DOUBLEPOINT& a, const DOUBLEPOINT& b, double e, F f) {
    if (Empty()) return;
    const DFRAME wide{Frame.X1 - e, Frame.Y1 - e, Frame.X2 + e, Frame.Y2 + e};
    if (!segmentgrid::FramesMeet(segmentgrid::SegmentFrame(a, b, e), wide)) return;
    const int c0 = Cells.Column(std::min(a.X, b.X) - e), c1 = Cells.Column(std::max(a.X, b.X) + e);
    const int r0 = Cells.Row(std::min(a.Y, b.Y) - e), r1 = Cells.Row(std::max(a.Y, b.Y) + e);
    if (c0 == c1 && r0 == r1) {
      const int cell = r0 * Cells.nx + c0;
      for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) f(CellItems[k]);
      return;
    }
    const auto visit = [&](int64_t cell) {
      for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
        const int j = CellItems[k];
        if (Seen[j] == Stamp) continue;
        Seen[j] = Stamp;
        f(j);
      }
    };
    if ((c1 - c0 + 1) * (r1 - r0 + 1) <= 4) {
      bool any = false;
      for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
          const int cell = r * Cells.nx + c;
          any = any || CellStart[cell] != CellStart[cell + 1];
        }
      if (!any) return;
      NextStamp();
      for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) visit(static_cast<int64_t>(r) * Cells.nx + c);
      return;
    }
    NextStamp();
    segmentgrid::VisitCells(Cells, a, b, e, visit);
  }

 private:
  bool Index(size_t least = 0);
  bool NextStamp();
  // Which cells' middles lie inside, found once for the first Inside: along
  // the line through the middles of each row, by the crossings on it.
  void PlaceCells();
  // Calls visit(a, b) for each segment listed in the cell that the
  // current stamp has not marked yet, marking it; stops when visit answers
  // true.
  template <typename F>
  void ForNewSegments(int cell, F visit) {
    for (int32_t k = CellStart[cell]; k < CellStart[cell + 1]; ++k) {
      const int j = CellItems[k];
      if (Seen[j] == Stamp) continue;
      Seen[j] = Stamp;
      if (visit(Points[j], Points[j + 1])) return;
    }
  }

  std::vector<DOUBLEPOINT> Points;
  segmentgrid::Grid Cells;
  DFRAME Frame = {0.0, 0.0, 0.0, 0.0};
  std::vector<int32_t> CellStart;
  std::vector<int32_t> CellItems;
  std::vector<uint32_t> Seen;
  std::vector<DOUBLEPOINT> Found;  // Crossings: the points found
  std::vector<uint8_t> MiddleInside;  // per cell, once placed
  std::vector<double> RowCrossings;   // PlaceCells: the crossings of one row's line
  bool Placed = false;
  uint32_t Stamp = 0;
};
