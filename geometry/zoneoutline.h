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
// about n log n. Internal to the geometry layer; the buffers are kept
// between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geodesy/points.h"
#include "geometry/nodedplane.h"

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
  void Points(int ring, std::vector<DOUBLEPOINT>* to);
  bool Join(std::vector<DOUBLEPOINT>* out);

  TNodedPlane Plane;
  // The holes of the largest outer ring, one after another.
  std::vector<DOUBLEPOINT> HolePoints;
  std::vector<size_t> HoleStart, Holes, Farthest;
  std::vector<DOUBLEPOINT> Bridge;
};
