// Splines over object metrics (TSplin): the contours of a metric turned into
// curves made of quadratic Bezier pieces, in two ways.
//
// - Smoothing (BuildSglad): every corner is replaced by a curve that starts
//   and ends on the two segments next to it, so the result no longer passes
//   through the vertices. The corner percent says how much of each segment
//   a corner curve takes (1 to 50; anything else acts as 50, where the
//   curves meet at the segment midpoints).
// - Envelope (BuildOgib): a curve through every vertex, with tangents
//   estimated from the neighbouring segments and the bulge of each segment
//   limited to a fraction of its chord (the bulge percent, at least 5).
//
// Both work contour by contour on a metric held in a TDataEdit and write a
// new metric of the same point kind, without texts, into the builder's own
// result buffer (Result); the caller reads Result.Record after a build that
// returned 1 and must not use it after a failed one. Heights are carried
// along for the kinds with heights. A builder is reused for any number of
// builds: once its buffers have grown to the sizes met, a build allocates
// nothing.
//
// Failures give 0, with no error code: a null or damaged metric, a contour
// that cannot be loaded, has fewer than 3 points after thinning, holds a
// coordinate or height that is not a finite number, or grows past the 16 MB
// ceiling of a metric record.
#pragma once

#include "geodesy/points.h"
#include "records/dataedit.h"
#include "platform/export.h"
#include "platform/win_types.h"

// Height of a control point that no step has set; never written to a result.
constexpr double SPLINE_NO_HEIGHT = -100.0;

class MAPCLASS TSplin {
 public:
  TSplin();
  ~TSplin();
  TSplin(const TSplin&) = delete;
  TSplin& operator=(const TSplin&) = delete;

  // Smooths every contour of the metric into the result: 1 when all of
  // them were built, else 0. corner: percent of a segment a corner curve
  // takes; points: points computed inside each Bezier piece (at least 3);
  // precision: thinning precision, -1.0 for the default of the point kind.
  int BuildSglad(TDataEdit* metric, int corner, int points, double precision);
  // Smooths contour `subject` (0 = outer) alone into result contour 0.
  int BuildSgladSubject(TDataEdit* metric, int subject, int corner, int points, double precision);
  // Envelopes every contour of the metric into the result; bulge: percent
  // of its chord a segment's curve may bulge. 1 or 0.
  int BuildOgib(TDataEdit* metric, int bulge, int points, double precision);
  // Envelopes contour `subject` alone into result contour 0.
  int BuildOgibSubject(TDataEdit* metric, int subject, int bulge, int points, double precision);

  // Steps of a build, public for callers that drive them on the buffers.
  // Precision from the source's point kind and the given value (the larger
  // wins); nothing unless the source holds a metric record.
  void SetPrecision(double precision);
  // Bulge fraction a / 100 (at least 0.05), corner fraction 1 - b / 100
  // (kept within 0.5 .. 1, else 0.5), points per piece c (at least 3).
  void SetParm(int a, int b, int c);
  // Smooths or envelopes the source contour into result contour s, which
  // must exist; the point count of that contour, 0 on failure.
  int Sglad(int s);
  int Ogib(int s);
  // Appends the Bezier piece of the control points C0, C1, C2 to result
  // contour s: C0, the points inside the piece, C2. Height mode 1 gives the
  // inner points the inverse-distance mean of H0 and H2, any other mode the
  // heights interpolated over the three control points. n is the number of
  // control points: only 3 is built. 1, or 0 on failure.
  int Bezier(int n, int s, int mode);
  // Tangent slopes (dX / dY) at both ends of source segment i (from point i
  // to point i + 1, from 1). For 1 < i, *k2 comes in as the slope found at
  // point i for the previous segment and becomes *k1. 0 when a point is
  // missing.
  int FindGran(int i, double* k1, double* k2);
  // Direction angle of the segment from (x1, y1) to (x2, y2): atan2 of the X
  // and Y differences, in (-pi, pi]; 0 for two equal points.
  static double Ugol(double x1, double y1, double x2, double y2);
  // Turning sense from direction a1 to direction a2: 2 when a2 lies less
  // than pi counter-clockwise of a1 (the angle grows), else 1.
  static int LeftRight(double a1, double a2);
  // a turned by 10 degrees: forward for sense 1, back for any other, kept
  // away from the directions of infinite slope.
  static double Dovorot(double a, int sense);
  // Height at (x, y) on the plane through the control points with their
  // heights; 0.0 when the control points are collinear. Y comes first.
  double HeigtPointSpline(double y, double x) const;
  // n factorial; 1 for n of 0 or less, the largest LONG beyond 12.
  static LONG Fact(int n);

  // Fields, in this order.
  DOUBLEPOINT C0{};                      // control points of the piece being built
  DOUBLEPOINT C1{};
  DOUBLEPOINT C2{};
  double Bulge = 0.05;                   // envelope: bulge as a fraction of the chord
  double Corner = 0.5;                   // smoothing: where a corner curve begins
  double Precision = 0.001;              // thinning precision
  double H0 = SPLINE_NO_HEIGHT;          // heights of C0, C1, C2
  double H1 = SPLINE_NO_HEIGHT;
  double H2 = SPLINE_NO_HEIGHT;
  LONG PointsPerPiece = 3;               // points inside each piece, at least 3
  LONG Dimension = 2;                    // 3 when the source has heights
  TDataEdit Source;                      // the contour being built, as contour 0
  TDataEdit Result;                      // the built metric

 private:
  int Build(TDataEdit* metric, int subject, int a, int b, int c, double precision,
            bool envelope);
  int LoadSource(TDataEdit* metric, int n);
  int FilterSource();
  int FilterResult(int s);
  int SourcePoint(int i, DOUBLEPOINT* p, double* h);
  int Put(int s, const DOUBLEPOINT& p, double h);
  int DropLast(int s);
  void SetCorner(const DOUBLEPOINT& a, const DOUBLEPOINT& b, const DOUBLEPOINT& c, double ha,
                 double hb, double hc, double f);
  int EnvelopeSegment(int s, const DOUBLEPOINT& a, const DOUBLEPOINT& b, double ha, double hb,
                      double k1, double k2, bool inflection, int turn);

  LONG SourceTexts = 0;  // the metric had texts: thinning drops repeats only
};
