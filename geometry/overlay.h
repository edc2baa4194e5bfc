// The overlay of two areas, or of an area and a cutting line, noded at the
// workers' precision: the robust road of cutting and uniting where the
// contours touch, share vertices or run along each other.
//
// The contours are noded on the precision's grid (TNodedPlane), each face
// labelled inside or outside each area by the parity of its contours (so
// that holes, and parts lying in holes, count as the areas' own rings say),
// and the result is the faces inside both areas, inside either, or the
// second area's faces cut apart by the line. Every result ring has at least
// three points and a positive area; its points are grid points, within the
// precision of the exact answer, with the heights of the contours they lie
// on. Internal to the geometry layer; the workers keep one and reuse its
// arrays.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/nodedplane.h"
#include "records/dataedit.h"

class TNodedOverlay {
 public:
  // Who owns a contour: the two areas and a cutting line.
  enum : int { FIRST = 0, SECOND = 1, LINE = 2 };
  // What the result is: the parts inside both areas, inside either, or the
  // parts of the second area cut apart by the line.
  enum : int { INTERSECTION = 0, UNION = 1, SPLIT = 2 };

  // Forgets the contours: the next ones are noded on a grid of the given
  // step (at least GEOMETRY_PRECISION).
  void Start(double precision);
  // Adds subject s of the metric (every subject when s is -1) for the
  // owner: areas' contours count as closed, a line as it is. False when
  // the metric cannot be read.
  bool Add(TDataEdit& metric, int s, int owner);
  // Nodes, labels and traces the result: 1, or 0 with State set
  // (GEOMETRY_ERR_METRIC for coordinates too far apart for the grid,
  // GEOMETRY_ERR_PIECE when the noded plane does not hold together).
  int Build(int operation);

  // Parts of the result, each an outer ring with the holes inside it,
  // largest first. The union's parts that meet at points are one part,
  // its ring passing through them (INTERSECTION and SPLIT keep them
  // apart, as pieces handed out one by one).
  int Pieces() const { return static_cast<int>(Plane.Parts.size()); }
  double PieceArea(int k) const;
  // SPLIT: 1 when the piece lies on the left of the line where the line
  // first borders it, 2 on its right.
  int PieceSide(int k) const;
  // Piece k as a new metric of the kind: the outer ring, then its holes;
  // positive: the outer ring turns the way of positive area (holes the
  // other way). Rings start at their lowest left point. 1, 0 on failure.
  int WritePiece(int k, TDataEdit* out, int kind, int positive);
  // Every piece into one metric: the largest outer ring, its holes, then
  // the other pieces, each outer ring followed by its holes.
  int WriteAll(TDataEdit* out, int kind, int positive);
  // UNION: the outer contours of the two areas share a node, or one lies
  // inside the other.
  bool OutersMeet();

  int State = 0;

 private:
  int WriteRing(int r, TDataEdit* out, int subject, bool reverse);
  int WritePart(int k, TDataEdit* out, int positive);
  void TakeHeights();

  TNodedPlane Plane;
  double Step = 0.001;
  bool Heights = false;
  std::vector<int32_t> Owner;      // of each path, plus 4 for an outer contour
  std::vector<double> InH;         // heights of the input points
  std::vector<double> StationH;    // and of the stations
  std::vector<double> NodeH;       // a node's: of the contour ranked first through it
  std::vector<int8_t> NodeRank;
  // Scratch, kept so that an overlay used again allocates nothing.
  std::vector<DOUBLEPOINT> ReadPoints;
  std::vector<double> ReadHeights;
  std::vector<int32_t> Ring;
  std::vector<uint8_t> On;
};
