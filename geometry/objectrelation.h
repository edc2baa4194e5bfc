// Where two objects lie relative to each other, on their plane metrics:
// the outer contours cross, one lies inside the other (or, with holes, in
// a hole of the other), or they lie apart.
#pragma once

#include "records/dataedit.h"

enum : int {
  RELATION_FAILED = 0,          // no inside test could be made
  RELATION_FIRST_INSIDE = 1,    // the first lies inside the second
  RELATION_SECOND_INSIDE = 2,   // the second lies inside the first
  RELATION_CROSS = 3,           // the contours cross
  RELATION_APART = 4,           // neither lies inside the other
  RELATION_FIRST_IN_HOLE = -1,  // the first lies in a hole of the second
  RELATION_SECOND_IN_HOLE = -2, // the second lies in a hole of the first
  RELATION_CUT_ONLY = 5,        // overlap: parts inside the area, none outside
  RELATION_CONSENT_ONLY = 6,    // overlap: parts outside the area, none inside
};

// The relation of two metrics (RELATION_*); holes: the holes of the
// containing metric are consulted (crossing one, or lying in one).
int CheckInsideMetric(TDataEdit* first, TDataEdit* second, int holes);

// How `other` overlaps the closed area: RELATION_CROSS when it has parts
// both inside and outside the area, RELATION_CUT_ONLY or
// RELATION_CONSENT_ONLY when only one kind, else where one lies relative to
// the other (1, 2, 4, or 0 when that cannot be told). An area whose outer
// contour is open gives 0.
int CheckOverlapMetric(TDataEdit* area, TDataEdit* other, double precision);
