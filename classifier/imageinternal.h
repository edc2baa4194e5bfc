// Helpers shared by the sign editors and the sign measures.
#pragma once

#include "platform/win_types.h"

namespace imgedit {

// The factor of a scale triple {measured from, measured to, drawn size}.
inline double ScaleFactor(const LONG* scale) {
  if (scale[2] != 0 && scale[1] > scale[0]) return double(scale[2]) / (double(scale[1]) - scale[0]);
  return 1.0;
}

// Minima and maxima of the points added so far.
struct Extent {
  bool any = false;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  void Add(double x, double y) {
    if (!any) {
      minX = maxX = x;
      minY = maxY = y;
      any = true;
      return;
    }
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
};

}  // namespace imgedit
