// The overlay of two areas, or of an area and a cutting line, noded at the
// workers' precision: the robust road of cutting and uniting where the
// contours touch, share vertices or run along each other.
//
// Every vertex is snapped to a grid whose step is the precision, every
// crossing of two segments makes the grid point nearest to it a node, and
// every segment passing within half a step of a node is bent through it
// (snap rounding). After that two segments either meet at a node or not at
// all: a stretch shared by both inputs is one edge that both own, and each
// coincidence is decided once, when the nodes are made. The result then
// follows from labels: each face of the noded plane is inside or outside
// each area (by the parity of its contours, so that holes, and parts lying
// in holes, count as the areas' own rings say), and the result's rings are
// the edges with the result on exactly one side, traced with the result on
// their left, turning as sharply as possible at every node so that rings
// touching at a node stay apart. A ring traced against the direction of
// positive area is a hole and goes to the smallest ring around it.
//
// Every result ring has at least three nodes and a positive area. Results
// are in the grid's points, so they lie within the precision of the exact
// answer. Internal to the geometry layer; the workers keep one and reuse
// its arrays.
#pragma once

#include <cstdint>
#include <vector>

#include "geodesy/points.h"
#include "records/dataedit.h"
#include "geometry/segmentgrid.h"

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
  // largest first.
  int Pieces() const { return static_cast<int>(Parts.size()); }
  double PieceArea(int k) const;
  // SPLIT: 1 when the piece lies on the left of the line where the line
  // first borders it, 2 on its right.
  int PieceSide(int k) const;
  // Piece k as a new metric of the kind: the outer ring, then its holes;
  // positive: the outer ring turns the way of positive area (holes the
  // other way). Rings start at their lowest left node. 1, 0 on failure.
  int WritePiece(int k, TDataEdit* out, int kind, int positive);
  // Every piece into one metric: the largest outer ring, its holes, then
  // the other pieces, each outer ring followed by its holes.
  int WriteAll(TDataEdit* out, int kind, int positive);
  // UNION: the outer contours of the two areas share a node, or one lies
  // inside the other.
  bool OutersMeet();

  int State = 0;

 private:
  struct GPoint {
    int64_t x, y;
  };
  struct Path {
    int first, count, owner, subject;
    bool closed;
  };
  struct Segment {
    int a, b;  // input points
    int path;
  };
  struct Fragment {
    int lo, hi;      // nodes, lo < hi
    int path;
    int8_t dir;      // 1: traced from lo to hi
    int64_t key;     // order along its path (the line's stretches)
  };
  struct Edge {
    int u, v;        // nodes, u < v
    uint8_t pA, pB;  // parity of the two areas' contours along it
    int8_t lineDir;  // 0 not on the line; else the line's direction (1: u to v)
    int64_t lineKey; // where the line first runs along it
  };
  struct Ring {
    int first, count;  // half-edges in RingEdges
    double area;       // signed, in grid steps
    int64_t minX, minY, maxX, maxY;
    int64_t lineKey;   // where the line first borders the ring (SPLIT)
    int side;          // on which side of the line the ring's area lies there
  };
  struct Part {
    int shell;
    std::vector<int> holes;
    int side;
    double area;
  };

  bool Index();
  void Intersections();
  void Snap();
  bool HitsPixel(const GPoint& a, const GPoint& b, const GPoint& c) const;
  int NodeOf(const GPoint& p) const;
  void MakeEdges(int operation);
  void Prune();
  bool Link();
  bool Label();
  int Trace(int operation);
  void AddRing(const int32_t* edges, int count);
  void Assemble(int operation);
  bool Contains(int ring, int hole);
  double X(int64_t gx) const;
  double Y(int64_t gy) const;
  int Origin(int h) const { return (h & 1) ? Edges[h >> 1].v : Edges[h >> 1].u; }
  int WriteRing(int r, TDataEdit* out, int subject, bool reverse);
  bool InsideRing(int r, const GPoint& p) const;
  void BandRing(int r);

  double Step = 0.001;
  double PerUnit = 0.0;  // 1 / Step when that is a whole number
  int64_t OriginX = 0, OriginY = 0;
  bool Heights = false;

  std::vector<Path> Paths;
  std::vector<DOUBLEPOINT> In;
  std::vector<double> InH;
  std::vector<GPoint> V;  // input points on the grid
  std::vector<Segment> Segments;

  segmentgrid::Grid Cells;
  std::vector<int32_t> CellStart, CellItems;  // segments by cell
  std::vector<int32_t> HotStart, HotItems;    // nodes by cell
  std::vector<int32_t> Stamp;

  std::vector<GPoint> Hot;  // nodes, sorted
  std::vector<double> NodeH;
  std::vector<int8_t> NodeHRank;
  std::vector<uint8_t> NodeOuter;  // bit 0 on the first's outer contour, bit 1 the second's
  std::vector<Fragment> Fragments;
  std::vector<Edge> Edges;

  // The noded plane: half-edge 2e runs from Edges[e].u to .v, 2e + 1 back.
  std::vector<int32_t> NodeFirst;  // outgoing half-edges of node n: Around[NodeFirst[n] ..]
  std::vector<int32_t> Around;     // by node, counterclockwise
  std::vector<int32_t> At;         // place of each half-edge in Around
  std::vector<int32_t> Next;       // the next half-edge of its face
  std::vector<int32_t> Face;       // face cycle of each half-edge
  std::vector<uint8_t> FaceLabel;  // bit 0 inside the first, bit 1 the second, bit 7 known
  std::vector<uint8_t> Boundary;   // half-edges of the result's rings

  // The edges of a ring by bands of Y.
  struct Bands {
    int64_t y0 = 0;
    double per = 1.0;
    int count = 1;
    std::vector<int32_t> start, items;
    int Band(int64_t y) const {
      const int b = static_cast<int>(static_cast<double>(y - y0) * per);
      return b < 0 ? 0 : (b >= count ? count - 1 : b);
    }
  };

  std::vector<int32_t> RingEdges;
  std::vector<GPoint> RingPoints;  // the node of each ring edge, doubled
  std::vector<int32_t> BandsOf;    // per ring, its bands in RingBands, -1 none
  std::vector<Bands> RingBands;
  std::vector<int32_t> RingOf;  // the ring of each half-edge, -1 for none
  std::vector<Ring> Rings;
  std::vector<Part> Parts;

  // Scratch, kept so that an overlay used again allocates nothing.
  std::vector<DOUBLEPOINT> ReadPoints;
  std::vector<double> ReadHeights;
  std::vector<int32_t> Parent, Leftmost, FaceFirst, Items, Fill, Queue, Shells, Holes;
  std::vector<uint8_t> Gone;
  std::vector<std::pair<double, int>> Hits;
  std::vector<int> Chain;
  std::vector<int32_t> Stack;
  std::vector<int32_t> Work, Work2;
};
