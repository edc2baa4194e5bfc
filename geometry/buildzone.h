// Buffer zones (TBuildZone): the closed contour at a given distance (the
// width) around one contour of an object metric.
//
// - Build: around a point (a polygon approximating a circle), around a line
//   (both sides, with a pointed or flat cap at each end) or around a closed
//   contour (the contour grown outward by the width).
// - BuildHalf: a zone on one side of a line only (the left side of its
//   direction), closed along the line itself.
// - ModificationObject: the contour moved sideways by a signed distance with
//   mitred joints; a closed contour grows for a positive distance and shrinks
//   for a negative one, a line becomes a one-sided band closed along it.
//
// The contour is copied into the builder's source buffer and the zone is
// written into its result buffer, which the caller reads after a call that
// returned 1 (after 0 it holds a partial contour). A zone holds every point
// within the width of the contour (a closed contour's inside too; a line's
// caps cut off what lies beyond its ends only, not what lies within the
// width of another of its vertices; a half zone what lies on the left of
// its segments) and no point farther than the width; its arcs are chords
// between points at the width, at the point zone's steps but never fewer
// than 32 to the turn. The zone's points lie within a quarter of the
// precision of that figure.
// Where the contour comes near itself the zone is cut out of the self-
// crossing curve walked round it (TZoneOutline): notches narrower than
// twice the width are filled, and a hole left inside a loop is joined to
// the outer ring by a bridge, so that the zone stays one contour. A zone of
// n vertices takes about n log n time; the builder keeps its buffers
// between calls: once grown, a call allocates nothing beyond the metric
// buffers.
//
// Failures give 0, with no error code: a null or damaged metric, a width not
// above 0 or not finite, a subject that cannot be loaded or is empty, or a
// curve whose crossings cannot be put together.
#pragma once

#include <vector>

#include "geodesy/points.h"
#include "geometry/contourindex.h"
#include "geometry/zoneoutline.h"
#include "records/dataedit.h"
#include "platform/export.h"
#include "platform/win_types.h"

class MAPCLASS TBuildZone {
 public:
  TBuildZone();
  ~TBuildZone();
  TBuildZone(const TBuildZone&) = delete;
  TBuildZone& operator=(const TBuildZone&) = delete;

  // The zone of contour `subject` of the metric; cap 0 gives pointed end
  // caps, any other value flat ones. 1 when the zone is in Result, else 0.
  int Build(double width, TDataEdit* metric, int subject, double precision, int cap);
  // The zone on the left of the line's direction, closed along the line:
  // the offsets first, then the line's points in reverse order.
  int BuildHalf(double width, TDataEdit* metric, int subject, double precision);
  // The contour moved sideways by distance (mitred joints). 1 or 0.
  int ModificationObject(double distance, TDataEdit* metric, int subject);

  // 0.001, or 1e-6 for the double kinds, kept at 0.001 for the coarse kind,
  // then the larger of that and the argument; nothing without a source.
  void SetPrecision(double precision);

  // Steps of a build, public for tests.
  // Adds p to the side being walked when it lies farther than width -
  // precision from every source segment; 1 when added.
  int WritePoint(const DOUBLEPOINT& p);
  // Corner A, B, N: 0 (no corner), 3 (a slight turn) or 4; sets A1, A2, N1,
  // N2, X and Y.
  int InAngle();
  // 0 when the inner corner point X may be written, else 1.
  int Angle123() const;
  // 1 when W and A1 lie on the same side of the line AB.
  int Parallel() const;
  // 1 when X may be written in a half zone.
  int PlacePoint8() const;

  // Fields, in this order.
  double Precision = 0.001;  // ModificationObject keeps its side sign here
  double Width = 0.0;
  DOUBLEPOINT W{};  // the last point produced on the side being walked
  DOUBLEPOINT A{}, B{}, N{};  // previous, current and next vertex
  DOUBLEPOINT A1{}, A2{};     // offsets of AB at B: outer, inner side
  DOUBLEPOINT N1{}, N2{};     // offsets of BN at B: inner, outer side
  DOUBLEPOINT X{};            // the inner corner point
  DOUBLEPOINT Y{};            // the outer corner point
  TDataEdit Source;           // the contour being processed, as contour 0
  TDataEdit Result;           // the zone

 private:
  bool Readable(const TDataEdit* metric) const;
  int ReadSource();
  int Begin(double width, TDataEdit* metric, int subject, double precision);
  bool NearSource(const DOUBLEPOINT& p, double limit);
  void Offsets(const DOUBLEPOINT& at, const DOUBLEPOINT& n, DOUBLEPOINT* p,
               DOUBLEPOINT* q) const;
  void FinalPoint(int cap);
  int Emit(const std::vector<DOUBLEPOINT>& p, bool close);
  void Add(const DOUBLEPOINT& p);
  void Corner(const DOUBLEPOINT& a, const DOUBLEPOINT& b, const DOUBLEPOINT& n, bool oneSided);
  void Side(const DOUBLEPOINT* p, int n, bool closed, bool oneSided);
  void Distinct();
  void Cap(const DOUBLEPOINT& from, const DOUBLEPOINT& end, int cap);
  int Outline(bool reversed);
  int OffsetSegment(const DOUBLEPOINT& p, const DOUBLEPOINT& q, DOUBLEPOINT* p1,
                    DOUBLEPOINT* q1) const;

  // Work buffers, reused between calls.
  std::vector<DOUBLEPOINT> Points;  // the source contour
  std::vector<DOUBLEPOINT> Line;    // the same without repeated neighbours
  std::vector<DOUBLEPOINT> Back;    // Line reversed
  std::vector<DOUBLEPOINT> Curve;   // the closed curve walked round the zone
  std::vector<DOUBLEPOINT> Near;    // the points written into the result
  double Step = 0.0;                // the angle of an arc's chord
  TZoneOutline Zone;                // the outline of the curve
  TContourIndex Index;              // the segments of the source contour
  bool Indexed = false;             // Index holds the current source
};
