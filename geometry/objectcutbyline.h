// Cutting an object by a line: an area (mode 1) or a line (mode 0) is cut
// where the cutting line crosses it, and the pieces are handed out one per
// call, first those on one side of the line, then those on the other.
//
// The first metric is the cutting line, the second the object. The line is
// worked on as a copy extended by 2.0 at both ends, so that a line ending on
// the border still cuts; the caller's line is never changed.
//
// An area is cut through the noded overlay of its contours and the line:
// the pieces are the faces inside the area, holes included, however the
// line runs (along the border, through its vertices, across itself, across
// the area several times). Stretches of the line that end inside the area,
// or that join a face to itself, cut nothing. A piece lies on the left of
// the line where the line first borders it (first pass) or on its right
// (second pass).
//
// A line object is cut at the crossings: where the cutting line meets it
// without plainly crossing (a touch from inside: it runs along it, or comes
// to it and turns back), each stretch of the cutting line between two
// crossings next to such a touch is tested on its own: the two points at
// distance 1.0 on the normal to it, near its start, both inside the object
// mean it runs through the object; otherwise it runs along the border or
// outside. The crossings around a tested stretch take their kinds from the
// stretches on their two sides; what stays a touch does not cut. Crossings
// where the line starts or ends inside the object do not cut: leading exits
// and trailing entries are dropped with their partners. The kinds of the
// first pass are kept; the second pass traces with the object's entries
// and exits exchanged, which walks the other side of the line.
#pragma once

#include <vector>

#include "geometry/overlay.h"
#include "geometry/pointcross.h"

class MAPCLASS TObjectCutByLine : public TPointCross {
 public:
  TObjectCutByLine();
  TObjectCutByLine(TObjectInfo* line, TObjectInfo* object, int mode, double precision);
  TObjectCutByLine(TDataEdit* line, TDataEdit* object, int mode, double precision);
  ~TObjectCutByLine();
  TObjectCutByLine(const TObjectCutByLine&) = delete;
  TObjectCutByLine& operator=(const TObjectCutByLine&) = delete;

  // 1 when pieces can be asked for.
  int LoadObjects(TDataEdit* line, TDataEdit* object, int mode, double precision);
  // Subject n of the object alone is cut (its other subjects are not
  // holes of the pieces).
  int LoadObjects(TDataEdit* line, TDataEdit* object, int mode, int n, double precision);
  // The plane forms of two objects (copied); the pieces are in plane
  // form.
  int LoadObjects(TObjectInfo* line, TObjectInfo* object, int mode, double precision);
  // The next piece, or null when both sides are done.
  TDataEdit* GetNextObject();

  // Settles the touches from inside of the line's crossings (and their
  // partners') by the normal test of the stretches next to them; nothing
  // is changed when a partner is missing.
  void CorrectPointCross(POINTCROSS* line, POINTCROSS* object, int count, TDataEdit* objectMetric,
                         TDataEdit* lineMetric);
  // With q inside the object: 1 when p lies outside it, 3 when inside;
  // with q outside: 1.
  static int GetPlacePoint(const DOUBLEPOINT* p, const DOUBLEPOINT* q, TDataEdit* object);

 private:
  int SetInside();
  // 1 when the stretch of the line from crossing a to crossing b runs
  // through the object.
  int Through(const POINTCROSS& a, const POINTCROSS& b, TDataEdit* objectMetric,
              TDataEdit* lineMetric);
  void RemoveLineCrossing(int k);
  void RestoreKinds(int exchange);
  TDataEdit* TraceLine();
  int Split();
  TDataEdit* GetNextOverlaid();

  TDataEdit Line;   // the extended copy of the cutting line
  TNodedOverlay Overlay;  // an area cut: its pieces
  int Overlaid = 0;
  int NextPiece = 0;
  int Side = 1;           // the side of the line whose pieces are handed out
  std::vector<LONG> LineKinds;
  std::vector<LONG> ObjectKinds;
  std::vector<signed char> Stretch;  // CorrectPointCross: -1 untested, 0 along, 1 through
  std::vector<int> Partner;
  int Phase = 0;  // 1: the second pass is still due; 0: the last pass runs
};
