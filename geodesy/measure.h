// Plane geometry on DOUBLEPOINT: distances, direction angles, angles between
// lines, bisectors, the circle through three points, a stored line with its
// crossings, the side of a point against a line or a segment, a point that
// divides a segment and points on a normal.
//
// A TMeasure is a small value (one stored line and the side of the last
// point measured against a line); it is made on the stack by its users and
// embedded in the metric editing buffer, so constructing it costs nothing.
#pragma once

#include "geodesy/points.h"
#include "platform/export.h"

// Position of a point against a segment or a line.
enum : int {
  MEASURE_DEGENERATE = 0,   // the two points coincide, or an argument is missing
  MEASURE_AT_FIRST = 1,     // the point coincides with a
  MEASURE_AT_SECOND = 2,    // the point coincides with b
  MEASURE_BEHIND_FIRST = 3, // on the line through a and b, behind a
  MEASURE_BEYOND_SECOND = 4,// on the line, beyond b
  MEASURE_ON_SEGMENT = 5,   // on the segment between a and b
  MEASURE_LEFT = 6,         // off the line, (b - a) x (p - a) > 0
  MEASURE_RIGHT = 7,        // off the line, the other side
};

class MAPCLASS TMeasure {
 public:
  TMeasure() : A(0.0), B(0.0), C(0.0), Side(1) {}

  // Stores the line through a and b as A x X + B x Y + C = 0.
  int CalcFactor(const DOUBLEPOINT* a, const DOUBLEPOINT* b);
  // The stored line's equation at p (its sign gives the side); 0 for null.
  double InsidePointLine(const DOUBLEPOINT* p) const;
  // Crossing of the stored line with the line through a and b: 1 and the
  // point, 0 when they are parallel or an argument is missing.
  int CrossCutLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out) const;

  // Distance between two points; 0 on failure.
  double Distance(const DOUBLEPOINT* a, const DOUBLEPOINT* b) const;
  // Distance from p to the line through a and b; sets Side.
  double Distance(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b);
  // Direction angle of a -> b, 0 .. 2 pi.
  double DirectionAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* b) const;
  // Angle between the lines a1-a2 and b1-b2, 0 .. pi/2; -1.0 on failure.
  double AngleBetweenLines(const DOUBLEPOINT* a1, const DOUBLEPOINT* a2,
                           const DOUBLEPOINT* b1, const DOUBLEPOINT* b2) const;
  // Direction of the bisector of the angle a-vertex-c; 0 on failure.
  double BisectorAngle(const DOUBLEPOINT* a, const DOUBLEPOINT* vertex,
                       const DOUBLEPOINT* c) const;
  // Radius of the circle through three points and its centre; 0.0 on
  // failure, -1.0 for collinear points.
  double CircleCenter(const DOUBLEPOINT* a, const DOUBLEPOINT* b, const DOUBLEPOINT* c,
                      DOUBLEPOINT* out) const;

  // 1 when p lies strictly inside the box of a-b widened by the precision.
  int InsidePointCut(const DOUBLEPOINT* a, const DOUBLEPOINT* b, const DOUBLEPOINT* p,
                     double precision) const;
  int PointSideNearLine(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b) const;
  int PointPositionNearLine(const DOUBLEPOINT* p, const DOUBLEPOINT* a,
                            const DOUBLEPOINT* b) const;
  int PointPositionNearCut(const DOUBLEPOINT* p, const DOUBLEPOINT* a, const DOUBLEPOINT* b,
                           double precision) const;
  // The point dividing a-b in the ratio da : db counted from a.
  int PointPositionOnCut(DOUBLEPOINT* out, const DOUBLEPOINT* a, const DOUBLEPOINT* b,
                         double da, double db) const;

  // Components of a length r along a direction of slope t.
  static double Rcos(int r, double t);
  static double Rcos(double r, double t);
  static double Rsin(int r, double t);
  static double Rsin(double r, double t);

  // Crossings of segment a1-a2 with segment b1-b2 written to out1, out2:
  // their number 0, 1 or 2. Stores the line of a1-a2.
  int CrossCutData(const DOUBLEPOINT* a1, const DOUBLEPOINT* a2, const DOUBLEPOINT* b1,
                   const DOUBLEPOINT* b2, DOUBLEPOINT* out1, DOUBLEPOINT* out2,
                   double precision);
  // The two points at distance d from base (a when null) on the normal to a-b.
  int SeekPointNormalLine(const DOUBLEPOINT* a, const DOUBLEPOINT* b, DOUBLEPOINT* out1,
                          DOUBLEPOINT* out2, double d, const DOUBLEPOINT* base = nullptr) const;

  // atan2(y, x) guarded near the axes; sqrt that gives 0 for arguments <= 0.
  static double GuardedAtan2(double y, double x);
  static double GuardedSqrt(double v);

  double A;  // the stored line: A x X + B x Y + C = 0
  double B;
  double C;
  int Side;  // +1 or -1: side of the last point measured by Distance(p, a, b)
};
