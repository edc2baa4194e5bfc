// The overlay of two areas, or of an area and a cutting line, noded at the
// workers' precision: the robust road of cutting and uniting where the
// contours touch, share vertices or run along each other.
//
// The contours are noded on the precision's grid (TNodedPlane), each face
// labelled inside or outside each area by the parity of its contours (so
// that holes, and parts lying in holes, count as the areas' own rings say),
// and the result is the faces inside both areas, inside either, inside the
// first and outside the second, or the second area's faces cut apart by
// the line. Every result ring has at least three points and a positive
// area; its points are grid points, within the precision of the exact
// answer, with the heights of the contours they lie on.
//
// A line cutting a contour as a line (not as an area) gives stretches of
// the contour instead: of a closed one, the stretches along each face the
// line cuts the area into; of an open one, the stretches between the
// points where the line meets it (the ends of a stretch the two run along
// together among them). A line against an area gives its stretches
// outside. Internal to the geometry layer; the workers keep one and reuse
// its arrays.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/nodedplane.h"
#include "records/dataedit.h"

class TNodedOverlay {
 public:
  // Who owns a contour: the two areas and a cutting line.
  enum : int { FIRST = 0, SECOND = 1, LINE = 2 };
  // What the result is: the parts inside both areas, inside either, or the
  // parts of the second area cut apart by the line; the parts of the first
  // area outside the second; the parts inside any of the contours added
  // (after a Start that counts them united).
  enum : int { INTERSECTION = 0, UNION = 1, SPLIT = 2, DIFFERENCE = 3, UNITED = 4 };

  // Forgets the contours: the next ones are noded on a grid of the given
  // step (at least GEOMETRY_PRECISION). united: the faces are counted by
  // the contours around them, each inside whichever way it turns, so that
  // contours overlapping one another count as their union (for UNITED)
  // rather than by parity.
  void Start(double precision, bool united = false);
  // Adds subject s of the metric (every subject when s is -1) for the
  // owner: areas' contours count as closed, a line as it is, and so does
  // a contour of the second that is to be cut as a line (asLine; an open
  // one bounds nothing). The heights of the metric added second win where
  // contours meet. False when the metric cannot be read.
  bool Add(TDataEdit& metric, int s, int owner, bool asLine = false);
  // The same for points held by the caller: contour c of a metric, n
  // points with their heights (heights: the metric holds them); after the
  // last contour of a metric, NextMetric.
  void AddPoints(int c, const DOUBLEPOINT* p, const double* h, size_t n, int owner, bool heights,
                 bool asLine = false);
  void NextMetric() { ++Added; }
  // Nodes, labels and traces the result: 1, or 0 with State set
  // (GEOMETRY_ERR_METRIC for coordinates too far apart for the grid,
  // GEOMETRY_ERR_PIECE when the noded plane does not hold together).
  int Build(int operation);
  // Start, Add of subject s1 of the first metric for owner o1 and of
  // subject s2 of the second for o2 (as a line when asked), and Build: 1,
  // or 0 with State set (MAPERR_MEMORY for a metric that cannot be read).
  int Make(double precision, TDataEdit& first, int s1, int o1, TDataEdit& second, int s2, int o2,
           int operation, bool secondAsLine = false);
  // The same for a first area whose holes count as their union, however
  // they overlap: they are united first (into work, a region's rings; what
  // a ring of holes holds is the area's again), then the first's outer
  // contour with those rings is the first area.
  int MakeUnitedHoles(double precision, TDataEdit& first, TDataEdit& second, int s2, int o2,
                      int operation, TDataEdit* work);

  // Parts of the result, each an outer ring with the holes inside it,
  // largest first. The union's parts that meet at points are one part,
  // its ring passing through them (INTERSECTION and SPLIT keep them
  // apart, as pieces handed out one by one).
  int Pieces() const { return static_cast<int>(Plane.Parts.size()); }
  // The rings of all the pieces, outer rings and holes.
  int64_t Rings() const;
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

  // SPLIT of the second's contour added as a line: its stretches, in the
  // order of the pieces they bound (each of a closed contour running the
  // way of positive area when positive, else the other way; those of an
  // open one along it). The number of stretches.
  int CutContour(int positive);
  int Stretches() const { return static_cast<int>(Runs.size()); }
  // As PieceSide; the stretches of an open contour all count as side 1.
  int StretchSide(int k) const;
  // The line's stretches outside the second's outer contour, in order
  // along it, split where the line enters the area or runs along its
  // border (not where it only touches it from outside); or, inside, those
  // inside the area or along its border, split where the line leaves it
  // (not where it only touches the border from inside), a closed line's
  // stretch through its first point first. whole: the line lies on that
  // side all along. The number of stretches.
  int LineStretches(bool inside, int* whole);
  // Stretch k as a new metric of the kind, one open contour: 1, 0 on
  // failure.
  int WriteStretch(int k, TDataEdit* out, int kind);

  int State = 0;

 private:
  int WriteRing(int r, TDataEdit* out, int subject, bool reverse);
  // Stations[first .. first + count - 1] of Ring as subject `subject`.
  int WriteStations(const std::vector<int32_t>& stations, int first, int count, TDataEdit* out,
                    int subject);
  void OpenStretches(int path);
  // The stations and steps of the owner's paths within the frame of the
  // path walked, filed for the lookups.
  void FileOther(int owner, int path);
  bool OnOther(const TNodedPlane::Key& k) const;
  bool AlongOther(const TNodedPlane::Key& a, const TNodedPlane::Key& b) const;
  // Stations from .. to of the path as a stretch.
  void AddRun(int path, int32_t from, int32_t to, int side);
  int WritePart(int k, TDataEdit* out, int positive);
  void TakeHeights();

  TNodedPlane Plane;
  double Step = 0.001;
  bool Heights = false;
  bool Winding = false;            // the faces are counted by winding (Start)
  bool Lower = false;              // the metric added now does not rank as one added later
  int Added = 0;                   // metrics added since Start
  // The owner of each path, plus 4 for an outer contour, 8 for one of
  // the metric added second.
  std::vector<int32_t> Owner;
  std::vector<double> InH;         // heights of the input points
  std::vector<double> StationH;    // and of the stations
  std::vector<double> NodeH;       // a node's: of the contour ranked first through it
  std::vector<int8_t> NodeRank;
  // Scratch, kept so that an overlay used again allocates nothing.
  std::vector<DOUBLEPOINT> ReadPoints;
  std::vector<double> ReadHeights;
  std::vector<int32_t> Ring;
  std::vector<uint8_t> On;
  // Stretches: stations in RunStations, each run with its side.
  struct Run {
    int32_t first, count;
    int side;
  };
  std::vector<Run> Runs;
  std::vector<int32_t> RunStations;
  std::vector<uint8_t> Along;
  std::vector<TNodedPlane::Key> OtherKeys;
  std::vector<std::pair<TNodedPlane::Key, TNodedPlane::Key>> OtherSteps;
};
