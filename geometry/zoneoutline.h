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
// The curve is snap-rounded first: its vertices and crossings are hot
// pixels of a grid finer than the precision, and every segment is led
// through the centres of the hot pixels it meets, so that the curve meets
// itself only at pixel centres and each crossing, touch or shared stretch
// is decided once. The pieces between those nodes make a plane graph whose
// faces are labelled with their winding numbers (0 outside, one more on
// the left of each piece than on its right); the pieces that part a face
// of winding 0 from one of another winding are the outline. Holes of the
// region are joined to its outer ring by a bridge walked there and back,
// so that the zone stays one contour.
//
// Crossings and hot pixels are searched in a sparse grid of cells about as
// large as the curve's segments, sorted by cell, and within a cell only
// between runs of segments heading the same way whose frames meet, so a
// curve of n segments costs about n log n whatever the shape of its frame.
// Internal to the geometry layer; the buffers are kept between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geodesy/points.h"

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
  // A pixel of the snapping grid, by its numbers along X and Y; also the
  // step between two pixels.
  struct Key {
    int64_t x, y;
    bool operator<(const Key& o) const;
    bool operator==(const Key& o) const;
  };
  // An entry of the grid: the cell's number above kItemBits bits of an
  // item, twice a segment's number, plus 1 where the cell holds the
  // centre of the segment's first pixel.
  static constexpr int kItemBits = 31;
  static constexpr uint64_t kItemMask = (uint64_t{1} << kItemBits) - 1;
  // Neighbours along the curve filed under one cell, heading the same way.
  struct Run {
    size_t begin, end;  // their items in CellItems
    int sx, sy;         // the signs of their steps along X and Y
    DFRAME frame;
  };
  struct Hit {
    int32_t seg;
    double t;  // the fraction of the segment's way
    Key pixel;
  };
  struct Step {  // a point of the snapped curve
    Key key;
    DOUBLEPOINT at;  // the curve's own vertex, or the pixel's centre
    int32_t node;    // -1, or the node it stops at
  };
  struct Piece {
    int32_t from, to;     // nodes
    int32_t first, last;  // steps (last counted on past the end)
    Key out;              // direction leaving `from`
    Key back;             // direction leaving `to` backwards
    double area2;         // twice the signed area it adds to a face
  };

  static int AngleOrder(const Key& a, const Key& b);
  Key PixelOf(const DOUBLEPOINT& p) const;
  DOUBLEPOINT Centre(const Key& k) const;
  uint64_t CellOf(const DOUBLEPOINT& p) const;
  void Grid();
  bool Passes(int32_t s, const Key& k) const;
  void Snap(int32_t s, const Key& k);
  bool Crosses(int32_t s1, int32_t s2) const;
  void Meet(const Run& a, const Run& b);
  void Cross(int32_t s1, int32_t s2);
  void Node();
  bool Route();
  void Split();
  bool Label();
  int32_t Next(int32_t h) const;
  bool Kept(int32_t h) const;
  bool Rings();
  void CleanRing(size_t from);
  bool Join(std::vector<DOUBLEPOINT>* out);

  std::vector<DOUBLEPOINT> C;  // the curve without repeated points, closed
  int32_t M = 0;               // its segments
  double Pixel = 1.0, PerPixel = 1.0;
  std::vector<Key> Keys;  // the pixels of the curve's vertices

  // The sparse grid of cells.
  double X0 = 0.0, Y0 = 0.0, Cell = 1.0, PerCell = 1.0;
  uint64_t Rows = 1;
  std::vector<uint64_t> Entries, Sorted;
  std::vector<uint32_t> Counts;
  std::vector<int32_t> CellItems;  // one cell's items
  std::vector<Run> Runs;           // and their runs

  // Snapping.
  std::vector<uint64_t> Found;  // pairs of segments that cross
  std::vector<Hit> Hits;        // pixels the segments are led through
  std::vector<Key> Hot;         // pixels of crossings
  std::vector<Key> Candidates;  // pixels met more than once: the nodes
  std::vector<Step> Path;       // the snapped curve

  // Pieces between stops, and the half-edges of the plane graph: 2p runs
  // piece p forward, 2p + 1 backward.
  std::vector<int32_t> Stops;
  std::vector<Piece> Pieces;
  std::vector<int32_t> NodeStart, NodeHalf, Pos, Face, FaceHalf, Wind, Queue;
  std::vector<double> FaceArea;
  std::vector<uint8_t> Used;

  // The rings of the outline, one after another.
  std::vector<DOUBLEPOINT> RingPoints;
  std::vector<size_t> RingStart;
  std::vector<size_t> Holes;
  std::vector<DOUBLEPOINT> Bridge;
};
