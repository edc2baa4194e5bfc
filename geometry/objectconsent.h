// Consent of two objects: the parts of the first metric's area lying
// outside the outer contour of the second, traced from their crossings and
// handed out one per call. Holes of the first metric crossing a piece are
// cut into it (the parts follow one by one), holes lying wholly inside a
// piece become its holes. Area results only (mode 1).
#pragma once

#include "geometry/holecut.h"
#include "geometry/objectcut.h"

class MAPCLASS TObjectConsent : public TObjectCutSubject {
 public:
  // mode must be 1; n: the subject of the second metric (0 = outer). 1 when
  // pieces can be asked for.
  int LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int n, double precision);
  // The next piece, or null when none is left.
  TDataEdit* GetNextObject();

 private:
  THoleCut Parts;
  TDataEdit* Piece(TDataEdit* part);
};
