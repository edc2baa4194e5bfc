// Cutting an object by a line: an area (mode 1) or a line (mode 0) is cut
// where the cutting line crosses it, and the pieces are handed out one per
// call, first those on one side of the line, then those on the other.
//
// The first metric is the cutting line, the second the object. The line is
// worked on as a copy extended by 2.0 at both ends, so that a line ending on
// the border still cuts; the caller's line is never changed. Crossings
// where the line starts or ends inside the object do not cut: leading exits
// and trailing entries are dropped with their partners. The kinds of the
// first pass are kept; the second pass traces with the object's entries and
// exits exchanged, which walks the other side of the line. A traced area
// piece is cut by each of the object's holes that crosses it (a piece split
// by a hole gives several pieces), and holes lying wholly inside a piece
// become its holes.
#pragma once

#include <vector>

#include "geometry/holecut.h"
#include "geometry/pointcross.h"

class MAPCLASS TObjectCutByLine : public TPointCross {
 public:
  TObjectCutByLine();
  ~TObjectCutByLine();

  // 1 when pieces can be asked for.
  int LoadObjects(TDataEdit* line, TDataEdit* object, int mode, double precision);
  // The next piece, or null when both sides are done.
  TDataEdit* GetNextObject();

 private:
  int SetInside();
  void RemoveLineCrossing(int k);
  void RestoreKinds(int exchange);
  TDataEdit* TraceArea();
  TDataEdit* TraceLine();

  TDataEdit Line;   // the extended copy of the cutting line
  THoleCut Parts;  // parts of the last piece still to hand out
  std::vector<LONG> LineKinds;
  std::vector<LONG> ObjectKinds;
  int Phase = 0;  // 1: the second pass is still due; 0: the last pass runs
};
