// The outline of a zone: the boundary of the region that one closed curve
// winds around.
//
// A zone is first drawn as one closed curve: the offsets of the source's
// segments, arcs round its convex corners and, at concave ones, the
// crossing of the two offsets or a detour through the vertex. Where the
// source comes back near itself (a notch, a loop, a narrow bend) that curve
// crosses itself, and the zone is the region the curve winds around (a
// winding number other than 0).
//
// The curve is noded by snap rounding on a grid finer than the precision
// (TNodedPlane), its faces labelled with their winding numbers (0 outside,
// one more on the left of the curve than on its right), and the outline is
// the boundary between winding 0 and the others. Points of the curve met
// only once keep their own coordinates, the others are grid points. Holes
// of the region are joined to its outer ring by a bridge walked there and
// back, so that the zone stays one contour. A curve of n segments costs
// about n log n, however many holes it leaves. Internal to the geometry
// layer; the buffers are kept between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geodesy/points.h"
#include "geometry/nodedplane.h"
#include "geometry/segmentgrid.h"

class TZoneOutline {
 public:
  // The outline of the region that the closed curve (count points, the
  // last equal to the first) winds around, as one closed contour in *out
  // with the region on its left (counter-clockwise). The grid's pixels are
  // a quarter of the precision or finer, so points of the outline lie
  // within that of the curve. A curve that does not meet itself comes back
  // as it is (but for points in the pixel of the one before), only turned
  // round when it runs clockwise. false, *out empty, when the curve
  // encloses nothing or its faces cannot be labelled.
  bool Resolve(const DOUBLEPOINT* curve, int count, double precision,
               std::vector<DOUBLEPOINT>* out);

 private:
  // A bridge: where it lands on a side of a ring walked already, and the
  // hole it leads to.
  struct Bridge {
    DOUBLEPOINT at;
    int32_t hole, side;
  };
  // Where a bridge would land: on side `side` (a point of Rings), between
  // the bridges `piece` and `piece` + 1 already landed on it.
  struct Landing {
    int32_t side = -1, piece = 0;
    double x = 0.0;
  };

  void Points(int ring, std::vector<DOUBLEPOINT>* to);
  bool Join(std::vector<DOUBLEPOINT>* out);
  int32_t Next(int32_t side) const;
  void IndexSides();
  Landing Land(const DOUBLEPOINT& from);
  void Look(int32_t side, const DOUBLEPOINT& from, Landing* best);
  bool Before(const Landing& a, const Landing& b);
  void Lift(int32_t* ring, int64_t* key);
  int64_t Order(int32_t side, int64_t slot) const;
  void Walk(std::vector<DOUBLEPOINT>* out);

  TNodedPlane Plane;
  // The outer ring of the largest part, then its holes: ring k is
  // Rings[RingStart[k] .. RingStart[k + 1]), side i runs from point i to the
  // next of its ring.
  std::vector<DOUBLEPOINT> Rings;
  std::vector<int32_t> RingStart, RingOf;
  // Of each ring: the point its walk starts from, the bridge that leads to
  // it (-1: none yet), its depth among the rings bridged.
  std::vector<int32_t> Start, Via, Depth;
  std::vector<size_t> Holes;
  std::vector<int32_t> Farthest;
  std::vector<Bridge> Bridges;
  // The bridges landed on each side, in the order of the walk along it
  // (Lists[Landed[side]]; -1: none).
  std::vector<int32_t> Landed;
  std::vector<std::vector<int32_t>> Lists;
  size_t ListsUsed = 0;
  // The sides filed by the cells of a grid they pass through.
  segmentgrid::Grid Cells;
  double Margin = 0.0;
  std::vector<int32_t> CellStart, CellItems;
  struct Step {
    int32_t ring, at, bridge;
  };
  std::vector<Step> Stack;
};
