// The border of a raster, matrix or layer matrix unit of a chain: its
// points are kept in elements (column, row) of the file; these walk them,
// find the box they show and the point nearest to a place, in metres on
// the unit's frame, and carry a border to and from a map object. How a
// point is put on the frame is the caller's (`place`), so that each kind
// keeps its own rounding.
#pragma once

#include <algorithm>
#include <cmath>

#include "raster/mtlchain.h"
#include "raster/rmfchain.h"

// The file of a unit.
inline TRmf& UnitFile(const RMFCHAIN* unit) { return *unit->File; }
inline TRmf& UnitFile(MTLCHAIN* unit) { return unit->Matrix; }
inline const TRmf& UnitFile(const MTLCHAIN* unit) { return unit->Matrix; }

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
template <class Unit, class Place>
bool BorderBox(const Unit* unit, TDataEdit& border, Place place, DFRAME* box) {
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
template <class Unit, class Place>
bool NearestBorderPoint(const Unit* unit, TDataEdit& border, Place place,
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

// A border point of whole column and row in metres: X = X1 + (rows - row)
// x element size, Y = Y1 + column x element size.
template <class Unit>
DOUBLEPOINT BorderPointPlane(const Unit* unit, double column, double row) {
  const double size = unit->ElementSize;
  return DOUBLEPOINT{(UnitFile(unit).Head.Height - row) * size + unit->Frame.X1,
                     column * size + unit->Frame.Y1};
}

// A border point (column, row) in metres, truncated to whole elements and
// held to the grid: the first and the last row and column lie on the
// frame's edges.
template <class Unit>
DOUBLEPOINT BorderPointOnFrame(const Unit* unit, double column, double row) {
  const LONG rows = UnitFile(unit).Head.Height, columns = UnitFile(unit).Head.Width;
  const DFRAME& f = unit->Frame;
  const double c = std::clamp(std::trunc(column), 0.0, double(columns));
  const double r = std::clamp(std::trunc(row), 0.0, double(rows));
  DOUBLEPOINT p = BorderPointPlane(unit, c, r);
  if (r < 1) p.X = f.X2;
  if (r >= rows) p.X = f.X1;
  if (c < 1) p.Y = f.Y1;
  if (c >= columns) p.Y = f.Y2;
  return p;
}

// The frame of a shown unit in metres, or the box of its border in whole
// elements while only what lies inside the border is shown: 1, or 0 for a
// missing unit or frame and a hidden unit.
template <class Unit>
int ActualUnitFrame(Unit* unit, DFRAME* frame) {
  if (!unit || !frame || unit->View == 0) return 0;
  TRmf& file = UnitFile(unit);
  const auto place = [unit](double c, double r) { return BorderPointOnFrame(unit, c, r); };
  if (!file.ShowByBorder() || unit->ElementSize == 0 ||
      !BorderBox(unit, file.Border, place, frame))
    *frame = unit->Frame;
  return 1;
}

// The metric of an object (a TObjectInfo) whose first contour has a point
// and is closed, as a record of plane points (metres) handed to
// store(record): its result, or 0.
template <class Object, class Store>
int BorderFromObject(Object* object, Store store) {
  if (!object || !object->Metric.Record || object->Metric.PointCount(0) < 1 ||
      !object->Metric.GetExclusiveSubject(0))
    return 0;
  TDataEdit plane;
  plane.Init();
  const int done = object->PutDataPlane(&plane) ? store(&plane) : 0;
  plane.Free();
  return done ? 1 : 0;
}

// A border into an object's metric in place of its contours: a contour
// for each border contour, each point at place(column, row). False when
// the object refuses a step.
template <class Object, class Place>
bool BorderIntoObject(TDataEdit& border, Object* object, Place place) {
  if (!border.Record || !object->DeleteSubject(-1)) return false;
  const int contours = int(border.Record->Count) + 1;
  for (int s = 0; s < contours; ++s) {
    if (s > 0 && !object->CreateSubject()) return false;
    const int count = border.PointCount(s);
    if (count < 1 || !border.FirstPointSubject(s)) continue;
    for (int i = 0; i < count; ++i, border.NextPoint()) {
      const DOUBLEPOINT p = place(border.XDouble(), border.YDouble());
      if (!object->AppendPointPlane(p.X, p.Y, s)) return false;
    }
  }
  return true;
}
