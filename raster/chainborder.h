// The border of a raster or matrix unit of a chain: its points are kept
// in elements (column, row) of the file; these walk them, and find the box
// they show and the point nearest to a place, in metres on the unit's
// frame. How a point is put on the frame is the caller's (`place`), so
// that rasters and matrices each keep their own rounding.
#pragma once

#include <algorithm>
#include <cmath>

#include "raster/rmfchain.h"

// Calls f(contour, column, row) for every point of a border in order;
// false when the border has no points.
template <class F>
bool ForBorderPoints(TDataEdit& border, F f) {
  if (!border.Record || border.TotalPointCount() < 1) return false;
  const int contours = int(border.Record->Count) + 1;
  for (int c = 0; c < contours; ++c) {
    const int count = border.PointCount(c);
    if (count < 1 || !border.FirstPointSubject(c)) continue;
    for (int i = 0; i < count; ++i) {
      f(c, border.XDouble(), border.YDouble());
      border.NextPoint();
    }
  }
  return true;
}

// The box in metres of the elements of a unit's border: a point
// place(column, row) is the north-west corner of its element, which
// reaches one element south and east of it (not past the frame). False,
// with the box untouched, when the border has no point.
template <class Place>
bool BorderBox(const RMFCHAIN* unit, TDataEdit& border, Place place, DFRAME* box) {
  const double size = unit->ElementSize;
  const DFRAME& f = unit->Frame;
  bool first = true;
  ForBorderPoints(border, [&](int, double column, double row) {
    const DOUBLEPOINT p = place(column, row);
    const double south = p.X != f.X1 ? p.X - size : p.X;
    const double east = p.Y != f.Y2 ? p.Y + size : p.Y;
    if (first) {
      *box = DFRAME{south, p.Y, p.X, east};
      first = false;
      return;
    }
    box->X1 = std::min(box->X1, south);
    box->Y1 = std::min(box->Y1, p.Y);
    box->X2 = std::max(box->X2, p.X);
    box->Y2 = std::max(box->Y2, east);
  });
  return !first;
}

// The point place(column, row) of a unit's border nearest to `point`,
// among those within a millimetre of the unit's frame; false when there
// is none.
template <class Place>
bool NearestBorderPoint(const RMFCHAIN* unit, TDataEdit& border, Place place,
                        const DOUBLEPOINT& point, DOUBLEPOINT* nearest) {
  constexpr double kNear = 0.001;
  const DFRAME& f = unit->Frame;
  double best = 1e19;
  bool found = false;
  ForBorderPoints(border, [&](int, double column, double row) {
    const DOUBLEPOINT p = place(column, row);
    if (p.X < f.X1 - kNear || p.X > f.X2 + kNear || p.Y < f.Y1 - kNear || p.Y > f.Y2 + kNear)
      return;
    const double d = std::hypot(p.X - point.X, p.Y - point.Y);
    if (d < best) {
      best = d;
      *nearest = p;
      found = true;
    }
  });
  return found;
}
