// The plane of a few paths noded by snap rounding: the one noding core of
// the overlay of two areas (TNodedOverlay) and of a zone's outline
// (TZoneOutline).
//
// Every vertex is snapped to a grid of the given step, every proper crossing
// of two segments makes the grid point nearest to it a hot pixel, and every
// segment passing through the pixel of a vertex or a crossing is bent
// through its centre. After that the paths meet only at grid points: the
// points met more than once (and the ends of open paths) are the nodes, the
// stretches of the paths between them the edges, and a stretch run by
// several paths one edge that all of them own. All decisions are exact
// (whole grid numbers, 128-bit products); only the place of a crossing is
// computed in floating point, and its pixel is checked against both
// segments.
//
// Each face is labelled by one rule: the parity of each owner's contours
// (the weight of a path is its owner's bit) or the winding number (the
// weight is 1). The caller says which labels are inside; the result's rings
// are the edges with the inside on exactly one side (or along a marking
// path), traced with the inside on their left. Apart, they turn as sharply
// as possible at every node, so that rings touching at a node stay apart
// (pieces handed out one by one); joined, as little as possible, so that
// each ring is the boundary of one face outside: parts meeting at a point
// come in one ring through it, and a hole is the whole of one outside face,
// the parts touching it from inside included (one metric holding the
// union). Rings turning the way of positive area are outer rings, the
// others holes, each hole given to the smallest outer ring around it.
//
// Segments are filed in a sparse grid of cells about twice as large as the
// mean segment, sorted by cell, and compared within a cell only between
// runs of neighbours heading the same way whose frames meet, so n segments
// cost about n log n whatever the shape of their frame. Internal to the
// geometry layer; the buffers are kept between calls.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "geodesy/points.h"
#include "geometry/segmentgrid.h"

class TNodedPlane {
 public:
  struct Key {  // a grid point, counted from the lowest one
    int64_t x, y;
  };
  struct Path {
    int32_t first, count;  // input points
    int32_t weight;        // what crossing it from right to left adds
    bool closed, marks;    // marks: a cutting line, kept as edges where no contour runs
    int32_t ends, segments;   // its grid points in Ends, segments beginning at the first ones
    int32_t route, stations;  // its snapped points in Stations (closed: the first again last)
  };
  // Segments and stations are left unset when their buffers grow, to be
  // filled in place.
  struct Segment {  // from Ends[s] to Ends[s + 1], b < 0 where none begins
    int32_t a, b, path;  // input points
    Segment() {}
    Segment(int32_t a_, int32_t b_, int32_t p) : a(a_), b(b_), path(p) {}
  };
  // A point of a snapped path: the input point it stands for (~segment for
  // a pixel the segment was led through) and its node, -1 within an edge.
  struct Station {
    Key key;
    int32_t ref, node;
    Station() {}
    Station(const Key& k, int32_t r, int32_t n) : key(k), ref(r), node(n) {}
  };
  struct Ring {
    int32_t first, count;  // half-edges in RingEdges
    double area;           // signed, in grid steps
    Key lo, hi;            // frame, and its doubled points in RingPoints,
    int32_t pts, npts;     // one per station (when there are holes to nest)
    int32_t markKey;       // where a marking path first borders it
    int side;              // 1: on that path's left there, 2: on its right
  };
  struct Part {
    int32_t shell;
    std::vector<int32_t> holes;
    int side;
    double area;  // in grid steps
  };

  // Forgets the paths: the next ones are snapped to a grid of this step
  // (coarsen: doubled until the grid spans at most 2^40 steps) and their
  // faces labelled by winding number or by parity.
  void Start(double step, bool winding, bool coarsen);
  void AddPath(const DOUBLEPOINT* points, int count, bool closed, int32_t weight, bool marks);
  // Snaps, nodes, links and labels the plane: 1, or 0 with State set
  // (GEOMETRY_ERR_METRIC for coordinates too far apart for the grid,
  // GEOMETRY_ERR_PIECE when the noded plane does not hold together).
  int Build();
  // The rings around the faces whose labels are inside, nested into parts,
  // largest first, apart or joined at the nodes where they touch: 1, or 0
  // with State set.
  template <class F>
  int Resolve(F&& inside, bool joined = false) {
    FaceIn.resize(FaceLabel.size());
    for (size_t f = 0; f < FaceLabel.size(); ++f) FaceIn[f] = inside(FaceLabel[f]) ? 1 : 0;
    return TraceRings(joined);
  }
  // Calls f(station) for the stations of ring r in order (the first not
  // repeated at the end).
  template <class F>
  void ForRing(int r, F&& f) const {
    ForRingSteps(r, [&f](int32_t i, bool) { f(i); });
  }
  // The same with whether the step from the station on runs along a path
  // of some weight (a contour) rather than along a marking path alone:
  // f(station, along).
  template <class F>
  void ForRingSteps(int r, F&& f) const {
    for (int32_t k = Rings[r].first; k < Rings[r].first + Rings[r].count; ++k) {
      const int32_t h = RingEdges[k];
      const Edge& e = Edges[h >> 1];
      const bool along = e.delta != 0;
      if (h & 1)
        for (int32_t i = e.last; i > e.first; --i) f(i, along);
      else
        for (int32_t i = e.first; i < e.last; ++i) f(i, along);
    }
  }
  // A grid point in the input's coordinates.
  DOUBLEPOINT At(const Key& k) const;
  // The rounding of Build for a grid of the step (a whole number of steps
  // per unit taken exactly): a value's grid number, counted from zero
  // rather than from the lowest point; false for one too far out to have
  // one.
  struct Rounding {
    double step = 1.0, perUnit = 0.0;
    explicit Rounding(double s);
    bool Of(double v, int64_t* k) const;
  };
  // Whether the segment between grid points a and b meets the closed
  // pixel around grid point c: what makes the noding lead it through c.
  static bool SegmentMeetsPixel(const Key& a, const Key& b, const Key& c);
  // Whether p lies inside the closed path (none of its points on it).
  bool PathHolds(int path, const Key& p) const;
  // Whether p, given doubled, lies inside the closed path as its stations
  // run, which p does not lie on.
  bool RouteHolds(int path, const Key& doubled) const;

  int State = 0;
  // Read by the callers after Build.
  std::vector<DOUBLEPOINT> In;  // input points
  std::vector<Path> Paths;
  std::vector<Key> Ends;        // the paths' grid points
  std::vector<Segment> Segments;  // one for each of them
  std::vector<Station> Stations;
  std::vector<Part> Parts;
  std::vector<Ring> Rings;
  int32_t Nodes = 0, Shared = 0;  // nodes; the first Shared are points met more than once or ends

 private:
  // An edge from node u to node v along Stations[first .. last]; half-edge
  // 2e runs it forward, 2e + 1 back.
  struct Edge {
    int32_t u, v, first, last;
    int32_t delta;    // the label on its left less the one on its right
    int8_t mark;      // a marking path along it: 1 from u to v, -1 back
    int32_t markKey;  // the station where that path first runs along it
    Key out, back;    // directions leaving u, and v backwards
  };
  struct Run {  // neighbours filed under one cell, heading the same way
    size_t begin, end;
    int sx, sy;
    Key lo, hi;
  };
  struct Hit {
    int32_t seg;
    double t;
    Key pixel;
  };
  // Steps by bands of Y: band b holds items[start[b] .. start[b + 1]].
  struct Bands {
    int64_t y0 = 0;
    double per = 1.0;
    int count = 1;
    std::vector<int32_t> start, items;
    int Band(int64_t y) const;
    // Files steps 0 .. n - 1 (span(k): the Y of step k's ends) in bands
    // over lo .. hi.
    template <class F>
    void Build(int64_t lo, int64_t hi, int bands, int n, F&& span);
  };

  int32_t Combine(int32_t label, int32_t delta, int sign) const {
    return Winding ? label + sign * delta : label ^ delta;
  }
  int32_t Origin(int32_t h) const { return (h & 1) ? Edges[h >> 1].v : Edges[h >> 1].u; }
  const Key& Direction(int32_t h) const { return (h & 1) ? Edges[h >> 1].back : Edges[h >> 1].out; }
  uint64_t CellOf(const Key& k) const {
    return static_cast<uint64_t>(Cells.Row(static_cast<double>(k.y))) * Columns +
           static_cast<uint64_t>(Cells.Column(static_cast<double>(k.x)));
  }
  void Grid();
  void FileSegments(double cell, size_t segments);
  bool HitsPixel(int32_t s, const Key& c) const;
  void Lead(int32_t s, const Key& k);
  void Meet(const Run& a, const Run& b);
  template <bool windowed>
  void MeetWithin(const Run& a, const Run& b);
  void Window(const Run& r, const Key& lo, const Key& hi, size_t& from, size_t& to) const;
  void MeetRuns();
  void LeadThroughHot();
  void CrossPixel(int32_t s1, int32_t s2);
  void Snap();
  void Route();
  void MakeEdges();
  bool Link();
  bool Label();
  int TraceRings(bool joined);
  void AddRing(const int32_t* edges, int count);
  void RingFrames();
  void NestHoles();
  bool InsideRing(int r, const Key& p);
  bool Contains(int ring, int hole);

  double Step = 1.0, PerUnit = 0.0;
  int64_t OriginX = 0, OriginY = 0;
  Key Span{0, 0};  // the grid point farthest from the origin
  bool Winding = false, Coarsen = false, Marked = false;

  // The sparse grid of cells: entries are a cell's number above kItemBits
  // bits of an item, twice a segment plus 1 where the cell holds the pixel
  // of the segment's first point.
  static constexpr int kItemBits = 31;
  // Grid halves its cells at most this many times, while the segments
  // share their cells with more than kCrowd others on average.
  static constexpr int kHalvings = 4;
  static constexpr double kCrowd = 64.0;
  struct SparseGrid : segmentgrid::Grid {  // square cells, found by multiplying
    double per = 1.0;
    int Column(double x) const { return segmentgrid::CellIndex((x - x0) * per, nx); }
    int Row(double y) const { return segmentgrid::CellIndex((y - y0) * per, ny); }
  } Cells;
  uint64_t Rows = 1, Columns = 1;
  std::vector<uint64_t> Entries, Sorted;
  std::vector<uint32_t> Counts;
  std::vector<int32_t> CellItems;
  std::vector<Run> Runs;
  std::vector<int32_t> Open;                        // runs or segments a sweep has reached
  std::vector<std::pair<int64_t, int32_t>> Sweep;   // what a sweep reaches, in order
  std::vector<std::pair<int64_t, int32_t>> Pixels;  // what it visits (hot pixels, holes), in order

  std::vector<uint64_t> Found;  // pairs of segments crossing
  std::vector<Hit> Hits;        // pixels the segments are led through
  std::vector<Key> Hot;         // pixels of crossings and of open ends
  std::vector<Key> Candidates;  // pixels that may be met more than once
  std::vector<std::pair<uint64_t, int32_t>> Order;  // single steps by their nodes

  std::vector<Edge> Edges, Pieces;
  std::vector<int32_t> NodeFirst, Around, At1, Next, Face, FaceHalf, Queue, Parent;
  std::vector<int32_t> FaceLabel;
  std::vector<uint8_t> FaceIn, Boundary;
  std::vector<int32_t> Leftmost, Work, Work2, Chain, Stack;
  std::vector<std::pair<int32_t, int32_t>> RaySteps;  // (station, edge) changing a label
  Bands Rays;

  std::vector<int32_t> RingEdges, RingOf, BandsOf, Shells, Holes;
  std::vector<int32_t> ShellOf, Holding;  // each hole's outer ring; those holding a hole's frame
  std::vector<Key> RingPoints;
  std::vector<Bands> RingBands;
};
