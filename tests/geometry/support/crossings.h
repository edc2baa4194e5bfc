// Crossing arrays of two metrics for the geometry tests, brought to the
// state the cutting worker leaves them in before it traces pieces.
#pragma once

#include "geometry/pointcross.h"

// Classifies both arrays with the inside sense kept, as the cutting worker
// does, corrects the touches and clears the use counts.
inline void Classify(TPointCross& w) {
  for (int k = 0; k < w.Count; ++k)
    w.GetInsidePointCross(&w.Data2, &w.Data1, w.Cross1, w.Cross2, w.SameDirection, w.Count, k, 0, 0);
  for (int k = 0; k < w.Count; ++k)
    w.GetInsidePointCross(&w.Data1, &w.Data2, w.Cross2, w.Cross1, w.SameDirection, w.Count, k, 0, 0);
  w.CorrectPointCrossALLNO(w.Cross1, w.Count);
  w.CorrectPointCrossALLNO(w.Cross2, w.Count);
  for (int k = 0; k < w.Count; ++k) w.Cross1[k].Position = w.Cross2[k].Position = 0;
}
