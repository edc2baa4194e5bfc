// An object's metric for a host, forwarded to the map object and its
// metric buffer. The tools that rebuild the metric (splines of one subject,
// zones) assemble the new record in a buffer of their own and load it into
// the object only when it is complete, so a failure leaves the object as
// it was.
#include "api/objmetric_api.h"

#include <cmath>

#include "api/coord_api.h"
#include "document/mapaccess.h"
#include "geometry/buildzone.h"
#include "geometry/spline.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"

namespace {

// The object of a handle with a metric record, or null.
TObjectInfo* MetricObject(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object != nullptr && object->Metric.Record != nullptr ? object : nullptr;
}

bool HasSubject(TObjectInfo* object, LONG subject) {
  return subject >= 0 && subject <= LONG(object->Metric.Record->Count);
}

// Copies the text entry of contour `from` of `source` to the contour the
// target's cursor is on, when both carry texts.
void CopyText(TDataEdit& source, int from, TDataEdit& target) {
  if (!source.TextFlag || !target.TextFlag || source.FirstPointSubject(from) == nullptr) return;
  const char* entry = source.GetTextData();
  if (entry != nullptr) target.PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
}

// Appends the points of contour `from` of `source`, with their heights
// when both records have heights, as contour `to` of the target (created
// first unless it is contour 0). False when a point cannot be written.
bool CopyContour(TDataEdit& source, int from, TDataEdit& target, int to) {
  if (to > 0 && !target.CreateSubject()) return false;
  const bool heights = MetricIs3D(source.Record->Ident) && MetricIs3D(target.Record->Ident);
  const int count = source.PointCount(from);
  if (count > 0 && source.FirstPointSubject(from) == nullptr) return false;
  for (int i = 1; i <= count; ++i) {
    if (i > 1 && source.NextPoint() == nullptr) return false;
    const double h = source.HDouble();
    if (!target.AppendPointSubject(to, source.XDouble(), source.YDouble())) return false;
    if (heights) target.HDouble(h);
  }
  return true;
}

// The object's metric rebuilt aside with contour `subject` taken from
// contour 0 of `with`: the other contours keep their numbers, points and
// (when `texts`) text entries. The object is changed only when all was
// built.
int ReplaceContour(TObjectInfo* object, int subject, TDataEdit& with, bool texts) {
  TDataEdit& metric = object->Metric;
  TDataEdit built;
  built.Init();
  bool ok = built.Create(int(metric.Record->Ident), texts ? 1 : 0) != 0;
  const int subjects = ok ? metric.Record->Count : -1;
  for (int k = 0; ok && k <= subjects; ++k) {
    ok = k == subject ? CopyContour(with, 0, built, k) : CopyContour(metric, k, built, k);
    if (ok && texts) CopyText(metric, k, built);
  }
  if (ok) ok = object->Metric.Load(built.Record, texts ? 1 : 0) != 0;
  built.Free();
  if (!ok) return 0;
  object->Metric.ChangedFlag = 1;
  return 1;
}

// Plane point n of a subject, false when there is none.
bool PlanePoint(TObjectInfo* object, int n, int subject, DOUBLEPOINT* p) {
  if (n < 1 || n > object->PointCount(subject)) return false;
  p->X = object->XPlane(n, subject);
  p->Y = object->YPlane(n, subject);
  return true;
}

bool MapHasProjection(const TMap* map) {
  return map != nullptr && map->IsActive() && map->ProjectionReady;
}

// Metres to the units of the object's metric.
double ToMetricUnits(const TObjectInfo* object, double metres) {
  const TMap* map = object->GetMap();
  return map != nullptr && !map->IsRealPlace() && map->Factor > 0 ? metres / map->Factor : metres;
}

}  // namespace

// ---------------------------------------------------------------------------
// Contours and points

MAPAPI LONG WINAPI mapGetExclusiveSubject(HOBJ info, LONG subject) {
  TObjectInfo* object = MetricObject(info);
  return object ? object->Metric.GetExclusiveSubject(subject) : 0;
}

MAPAPI LONG WINAPI mapCircuitousSubject(HOBJ info, LONG subject) {
  TObjectInfo* object = MetricObject(info);
  if (object == nullptr) return 0;
  const int count = object->PointCount(subject);
  DOUBLEPOINT first, last;
  if (count < 1 || !PlanePoint(object, 1, subject, &first) ||
      !PlanePoint(object, count, subject, &last))
    return 0;
  return first.X == last.X && first.Y == last.Y ? 1 : 0;
}

MAPAPI LONG WINAPI mapObjectFrame(HOBJ info, DFRAME* frame) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->ObjectFramePlane(frame) : 0;
}

MAPAPI LONG WINAPI mapObjectViewFrame(HOBJ info, DFRAME* frame) {
  return mapObjectViewFrameEx(info, frame, 0);
}

MAPAPI LONG WINAPI mapObjectViewFrameEx(HOBJ info, DFRAME* frame, LONG rebuild) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->ViewObjectFramePlane(frame, rebuild) : 0;
}

MAPAPI LONG WINAPI mapPointCount(HOBJ info, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->PointCount(subject) : 0;
}

MAPAPI LONG WINAPI mapPolyCount(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->PolyCount() : 0;
}

MAPAPI double WINAPI mapXPlane(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->XPlane(number, subject) : 0.0;
}

MAPAPI double WINAPI mapYPlane(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->YPlane(number, subject) : 0.0;
}

MAPAPI double WINAPI mapHPlane(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->HPlane(number, subject) : 0.0;
}

MAPAPI LONG WINAPI mapAppendPointPlane(HOBJ info, double x, double y, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->AppendPointPlane(x, y, subject) : 0;
}

MAPAPI LONG WINAPI mapDeletePointPlane(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->DeletePoint(number, subject) : 0;
}

MAPAPI LONG WINAPI mapInsertPointPlane(HOBJ info, double x, double y, LONG number,
                                       LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->InsertPointPlane(x, y, number, subject) : 0;
}

MAPAPI LONG WINAPI mapUpdatePointPlane(HOBJ info, double x, double y, LONG number,
                                       LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->UpdatePointPlane(x, y, number, subject) : 0;
}

MAPAPI LONG WINAPI mapUpdatePointPlaneInMap(HOBJ info, double x, double y, LONG number,
                                            LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->UpdatePointPlaneInMap(x, y, number, subject, OBJECT_MOVE_PRECISION)
                : 0;
}

MAPAPI LONG WINAPI mapUpdatePointPlane3DInMap(HOBJ info, double x, double y, double h,
                                              LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->UpdatePointPlane3DInMap(x, y, h, number, subject,
                                                  OBJECT_MOVE_PRECISION)
                : 0;
}

MAPAPI LONG WINAPI mapUpdatePointPlaneInLayer(HOBJ info, double x, double y, LONG number,
                                              LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->UpdatePointPlaneInLayer(x, y, number, subject, OBJECT_MOVE_PRECISION)
                : 0;
}

MAPAPI LONG WINAPI mapUpdatePointPlane3DInLayer(HOBJ info, double x, double y, double h,
                                                LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->UpdatePointPlane3DInLayer(x, y, h, number, subject,
                                                    OBJECT_MOVE_PRECISION)
                : 0;
}

MAPAPI double WINAPI mapSetXPlane(HOBJ info, double x, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->XPlane(x, number, subject) : 0.0;
}

MAPAPI double WINAPI mapSetYPlane(HOBJ info, double y, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->YPlane(y, number, subject) : 0.0;
}

MAPAPI double WINAPI mapSetHPlane(HOBJ info, double h, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->HPlane(h, number, subject) : 0.0;
}

MAPAPI LONG WINAPI mapCreateSubject(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->CreateSubject() : 0;
}

MAPAPI LONG WINAPI mapDeleteSubject(HOBJ info, LONG subject) {
  TObjectInfo* object = MetricObject(info);
  if (object == nullptr) return 0;
  // The buffer removes contours only from under a cursor, which a metric
  // just read does not have yet.
  if (object->Metric.CurrentPoint == nullptr) object->Metric.DescPointSubject(0);
  return object->DeleteSubject(subject);
}

MAPAPI LONG WINAPI mapGetCurrentSubject(HOBJ info) {
  TObjectInfo* object = MetricObject(info);
  return object ? object->Metric.SubjectNumber : 0;
}

// ---------------------------------------------------------------------------
// Direction and whole-object changes

MAPAPI LONG WINAPI mapObjectDirect(HOBJ info) {
  TObjectInfo* object = MetricObject(info);
  return object ? object->Metric.GetDirection(0) : 0;
}

MAPAPI LONG WINAPI mapChangeObjectDirect(HOBJ info) {
  TObjectInfo* object = MetricObject(info);
  return object ? object->Metric.ChangeDirection() : 0;
}

MAPAPI LONG WINAPI mapRelocateObjectPlane(HOBJ info, DOUBLEPOINT* delta) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object && delta ? object->RelocateObject(delta) : 0;
}

MAPAPI LONG WINAPI mapRelocateObject(HMAP hMap, HOBJ info, DOUBLEPOINT* delta, LONG kind) {
  TObjectInfo* object = MetricObject(info);
  if (DocumentOf(hMap) == nullptr || object == nullptr || delta == nullptr) return 0;
  if (kind == 3) return object->RelocateObject(delta);
  if (kind < 1 || kind > 4 || (kind == 4 && !mapIsGeoSupported(hMap))) return 0;
  // A displacement is no point: both ends of it, starting at the object's
  // first point, are converted, and their difference moves the object.
  DOUBLEPOINT start{0.0, 0.0};
  PlanePoint(object, 1, 0, &start);
  DOUBLEPOINT from = start, to;
  if (!mapTransformPoints(hMap, &from, 3, &from, kind, 1)) return 0;
  to = DOUBLEPOINT{from.X + delta->X, from.Y + delta->Y};
  if (!mapTransformPoints(hMap, &to, kind, &to, 3, 1)) return 0;
  const DOUBLEPOINT plane{to.X - start.X, to.Y - start.Y};
  if (!std::isfinite(plane.X) || !std::isfinite(plane.Y)) return 0;
  return object->RelocateObject(&plane);
}

MAPAPI LONG WINAPI mapLinearFilter(HOBJ info, double precision) {
  TObjectInfo* object = MetricObject(info);
  return object ? object->Metric.LinearFilter(precision) : 0;
}

// ---------------------------------------------------------------------------
// Splines, arcs and zones

namespace {

LONG Spline(HOBJ info, LONG subject, LONG a, LONG points, double precision, bool envelope) {
  TObjectInfo* object = MetricObject(info);
  if (object == nullptr || (subject >= 0 && !HasSubject(object, subject))) return 0;
  TSplin spline;
  TDataEdit& metric = object->Metric;
  if (subject < 0) {
    const int built = envelope ? spline.BuildOgib(&metric, a, points, precision)
                               : spline.BuildSglad(&metric, a, points, precision);
    if (!built || !metric.Load(spline.Result.Record, 0)) return 0;
    metric.ChangedFlag = 1;
    return 1;
  }
  const int built = envelope ? spline.BuildOgibSubject(&metric, subject, a, points, precision)
                             : spline.BuildSgladSubject(&metric, subject, a, points, precision);
  return built ? ReplaceContour(object, subject, spline.Result, metric.TextFlag != 0) : 0;
}

}  // namespace

MAPAPI LONG WINAPI mapCashionSpline(HOBJ info, LONG corner, LONG points, double precision) {
  return Spline(info, -1, corner, points, precision, false);
}

MAPAPI LONG WINAPI mapCashionSplineSubject(HOBJ info, LONG subject, LONG corner, LONG points,
                                           double precision) {
  return subject >= 0 ? Spline(info, subject, corner, points, precision, false) : 0;
}

MAPAPI LONG WINAPI mapSmoothObject(HOBJ info, HMAP, LONG corner, LONG points) {
  return mapCashionSpline(info, corner, points, -1.0);
}

MAPAPI LONG WINAPI mapSmoothObjectEx(HOBJ info, double corner, LONG points) {
  if (!(std::fabs(corner) < 2147483647.0)) return 0;
  return mapCashionSpline(info, LONG(corner), points, -1.0);
}

MAPAPI LONG WINAPI mapBendSpline(HOBJ info, LONG bulge, LONG points, double precision) {
  return Spline(info, -1, bulge, points, precision, true);
}

MAPAPI LONG WINAPI mapBendSplineSubject(HOBJ info, LONG subject, LONG bulge, LONG points,
                                        double precision) {
  return subject >= 0 ? Spline(info, subject, bulge, points, precision, true) : 0;
}

MAPAPI LONG WINAPI mapCreateArc(HMAP hMap, HOBJ info, DOUBLEPOINT* first, DOUBLEPOINT* centre,
                                DOUBLEPOINT* last, double radius) {
  TObjectInfo* object = MetricObject(info);
  if (DocumentOf(hMap) == nullptr || object == nullptr || first == nullptr || centre == nullptr ||
      last == nullptr || radius == 0.0 || !std::isfinite(radius))
    return 0;
  const TMap* map = object->GetMap();
  if (map == nullptr) return 0;
  // The metric keeps the units of its sheet, counted from the sheet's
  // origin.
  DOUBLEPOINT p[3] = {*first, *centre, *last};
  if (!map->IsRealPlace()) {
    if (!(map->Factor > 0)) return 0;
    radius /= map->Factor;
    for (DOUBLEPOINT& q : p)
      q = DOUBLEPOINT{(q.X - map->X0) / map->Factor - object->Origin.X,
                      (q.Y - map->Y0) / map->Factor - object->Origin.Y};
  }
  return object->Metric.BuildCircular(&p[0], &p[1], &p[2], radius);
}

namespace {

// A refused zone leaves the object as it was, with its last error saying
// why: MAPERR_INPUT for a width, subject or contour no zone can be built
// from, MAPERR_MEMORY when the zone cannot be written into the metric.
LONG Zone(double width, HOBJ info, LONG subject, LONG cap, bool half) {
  TObjectInfo* object = MetricObject(info);
  if (object == nullptr) return 0;
  if (object->GetMap() == nullptr || !HasSubject(object, subject) || !(width > 0))
    return object->SetError(MAPERR_INPUT), 0;
  width = ToMetricUnits(object, width);
  TBuildZone zone;
  const int built = half ? zone.BuildHalf(width, &object->Metric, subject, -1.0)
                         : zone.Build(width, &object->Metric, subject, -1.0, cap);
  if (!built) return object->SetError(MAPERR_INPUT), 0;
  if (!ReplaceContour(object, subject, zone.Result, false))
    return object->SetError(MAPERR_MEMORY), 0;
  object->SetError(MAPERR_NONE);
  return 1;
}

}  // namespace

MAPAPI LONG WINAPI mapZoneObject(double width, HOBJ info, LONG subject, LONG cap) {
  return Zone(width, info, subject, cap, false);
}

MAPAPI LONG WINAPI mapHalfZoneObject(double width, HOBJ info, LONG subject) {
  return Zone(width, info, subject, 0, true);
}

// ---------------------------------------------------------------------------
// Measures

MAPAPI double WINAPI mapSideLength(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->SideLength(number, subject) : 0.0;
}

MAPAPI double WINAPI mapSideAzimuth(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  if (object == nullptr) return 0.0;
  return MapHasProjection(object->GetMap()) ? object->SideAzimuth(number, subject)
                                            : object->SideDirection(number, subject);
}

MAPAPI double WINAPI mapSideDirection(HOBJ info, LONG number, LONG subject) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->SideDirection(number, subject) : 0.0;
}

MAPAPI double WINAPI mapSquare(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->Square() : 0.0;
}

MAPAPI double WINAPI mapPerimeter(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->Perimeter() : 0.0;
}

MAPAPI double WINAPI mapLength(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->Length() : 0.0;
}

namespace {

double DistanceToSegments(HMAP hMap, HOBJ info, LONG subject, DOUBLEPOINT* point) {
  TObjectInfo* object = MetricObject(info);
  if (DocumentOf(hMap) == nullptr || object == nullptr || point == nullptr) return 0.0;
  DOUBLEPOINT nearest;
  if (!object->SeekNearVirtualPoint(point->X, point->Y, &nearest, subject)) return 0.0;
  return mapDistance(point, &nearest);
}

}  // namespace

MAPAPI double WINAPI mapDistancePointSubject(HMAP hMap, HOBJ info, LONG subject,
                                             DOUBLEPOINT* point) {
  return subject >= 0 ? DistanceToSegments(hMap, info, subject, point) : 0.0;
}

MAPAPI double WINAPI mapDistancePointObject(HMAP hMap, HOBJ info, DOUBLEPOINT* point) {
  return DistanceToSegments(hMap, info, -1, point);
}

MAPAPI double WINAPI mapDistanceObject(HOBJ first, HOBJ second) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  if (a == nullptr || b == nullptr) return 0.0;
  DOUBLEPOINT nearest;
  double distance = 0.0;
  return a->DistanceObject(b, 0, &nearest, &distance) ? distance : 0.0;
}

MAPAPI LONG WINAPI mapAbrige(HOBJ info, double gap) {
  TObjectInfo* object = MetricObject(info);
  if (object == nullptr || object->GetMap() == nullptr || object->ObjectLocal() != LOCAL_SQUARE)
    return 0;
  const double tolerance = double(object->GetMap()->Scale()) * gap * 0.001;
  const int subjects = object->Metric.Record->Count;
  for (int s = 0; s <= subjects; ++s) {
    const int count = object->PointCount(s);
    // A subject already closed gets no second copy of its end.
    if (count <= 2 || object->Metric.GetExclusiveSubject(s)) continue;
    DOUBLEPOINT a, b;
    if (!PlanePoint(object, 1, s, &a) || !PlanePoint(object, count, s, &b)) continue;
    const double d = std::hypot(b.X - a.X, b.Y - a.Y);
    object->Abridge(s, d >= tolerance ? 4 : 1);
  }
  return 1;
}
