// The coordinate functions: each checks its handle and pointers and calls
// the document, a map's transformation or a transformation of its own.
#include "api/coord_api.h"

#include <cmath>

#include "common/textformat.h"
#include "document/mapaccess.h"
#include "geodesy/measure.h"
#include "geodesy/translate.h"
#include "objects/objectinfo.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// The document of a handle with both variables, or null.
TMapAccess* Document(HMAP hMap, const double* a, const double* b) {
  return a && b ? DocumentOf(hMap) : nullptr;
}

// The map of a distance: the main map with its data open, else the first
// user map with its data open.
TMap* DistanceMap(TMapAccess* doc) {
  if (doc->IsActive()) return doc;
  TMap* site = doc->GetMap(1);
  return site && site->IsActive() ? site : nullptr;
}

// A transformation of Gauss-Krueger on Krasovsky about the meridian L (a
// zone system on the map's ellipsoid when the map's own kind is one), for
// a map with geodetic support; L below 0 gets a turn added.
int SetTranslateMeridian(TMap* map, double* L, TTranslate* t) {
  if (!map || !t || !map->ProjectionReady) return 0;
  if (*L < 0) *L += kTwoPi;
  if (*L < 0) *L = 0;
  CONSTPROJ p = {0, 0, *L, 0, 0, 0};
  if (map->Translate.ProjectionKind == PRJ_ZONEUTM)
    SetProjection(t, PRJ_ZONEUTM, &p, map->Translate.EllipsoidKind);
  else
    SetProjection(t, PRJ_GAUSSKRUGER, &p, ELLIPSOID_KRASOVSKY);
  return 1;
}

// A 6-degree zone's Gauss-Krueger on Krasovsky.
bool ZoneTranslate(LONG zone, TTranslate* t) {
  const double axis = mapGetAxisMeridianByZone(zone);
  if (axis == 0.0) return false;
  CONSTPROJ p = {0, 0, axis, 0, 0, 0};
  return t->SetProjection(PRJ_GAUSSKRUGER, &p, ELLIPSOID_KRASOVSKY) == 0;
}

// Converts a point in place by one of the document's conversions between
// its coordinate kinds: 1, or 0 for a bad handle or pointer.
LONG Convert(HMAP hMap, double* x, double* y, void (TMapAccess::*convert)(double&, double&) const) {
  TMapAccess* doc = Document(hMap, x, y);
  if (doc == nullptr) return 0;
  (doc->*convert)(*x, *y);
  return 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// The document's coordinate kinds

MAPAPI LONG WINAPI mapMapToPicture(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::MapToPicture);
}

MAPAPI LONG WINAPI mapMapToPlane(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::MapToPlane);
}

MAPAPI LONG WINAPI mapPictureToMap(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::PictureToMap);
}

MAPAPI LONG WINAPI mapPictureToPlane(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::PictureToPlane);
}

MAPAPI LONG WINAPI mapPlaneToMap(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::PlaneToMap);
}

MAPAPI LONG WINAPI mapPlaneToPicture(HMAP hMap, double* x, double* y) {
  return Convert(hMap, x, y, &TMapAccess::PlaneToPicture);
}

MAPAPI LONG WINAPI mapPlaneToGeo(HMAP hMap, double* x, double* y) {
  TMapAccess* doc = Document(hMap, x, y);
  return doc ? doc->PlaneToGeo(*x, *y) : 0;
}

MAPAPI LONG WINAPI mapGeoToPlane(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->GeoToPlane(*b, *l) : 0;
}

MAPAPI LONG WINAPI mapIsGeoSupported(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->IsGeoSupported() : 0;
}

MAPAPI LONG WINAPI mapGetTotalBorder(HMAP hMap, DFRAME* frame, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || frame == nullptr) return 0;
  if (kind == 2) {
    const FRAME& p = doc->PictureFrame;
    *frame = DFRAME{double(p.X1), double(p.Y1), double(p.X2), double(p.Y2)};
    return 1;
  }
  if (kind < 1 || kind > 4 || (kind == 4 && !doc->IsGeoSupported())) return 0;
  DFRAME f = doc->Region;
  if (kind >= 3) {
    doc->MapToPlane(f.X1, f.Y1);
    doc->MapToPlane(f.X2, f.Y2);
  }
  if (kind == 4) {
    doc->PlaneToGeo(f.X1, f.Y1);
    doc->PlaneToGeo(f.X2, f.Y2);
  }
  *frame = f;
  return 1;
}

MAPAPI LONG WINAPI mapTransformPoints(HMAP hMap, DOUBLEPOINT* src, LONG from, DOUBLEPOINT* dst,
                                      LONG to, LONG count) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || src == nullptr || dst == nullptr) return 0;
  doc->TransformPoints(src, from, dst, count, to);
  return 1;
}

// ---------------------------------------------------------------------------
// Geodetic systems

MAPAPI LONG WINAPI mapPlaneToGeoWGS84(HMAP hMap, double* x, double* y) {
  TMapAccess* doc = Document(hMap, x, y);
  return doc ? doc->PlaneToGeoWGS84(*x, *y) : 0;
}

MAPAPI LONG WINAPI mapPlaneToGeoWGS843D(HMAP hMap, double* x, double* y, double* h) {
  TMapAccess* doc = Document(hMap, x, y);
  return doc && h ? doc->PlaneToGeoWGS84(*x, *y, *h) : 0;
}

MAPAPI LONG WINAPI mapPlaneToGeo42(HMAP hMap, double* x, double* y) {
  TMapAccess* doc = Document(hMap, x, y);
  return doc ? doc->PlaneToGeo42(*x, *y) : 0;
}

MAPAPI LONG WINAPI mapPlaneToGeo423D(HMAP hMap, double* x, double* y, double* h) {
  TMapAccess* doc = Document(hMap, x, y);
  return doc && h ? doc->PlaneToGeo42(*x, *y, *h) : 0;
}

MAPAPI LONG WINAPI mapGeo42ToGeoWGS84(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->Geo42ToGeoWGS84(*b, *l) : 0;
}

MAPAPI LONG WINAPI mapGeo42ToGeoWGS843D(HMAP hMap, double* b, double* l, double* h) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc && h ? doc->Geo42ToGeoWGS84(*b, *l, *h) : 0;
}

MAPAPI LONG WINAPI mapGeoWGS84ToGeo42(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->GeoWGS84ToGeo42(*b, *l) : 0;
}

// The handle is only tested: the shift needs nothing of the document.
MAPAPI LONG WINAPI mapGeoWGS84ToGeo423D(HMAP hMap, double* b, double* l, double* h) {
  if (Document(hMap, b, l) == nullptr || h == nullptr) return 0;
  BLWGS842BL42(*b, *l, *h, b, l, h);
  return 1;
}

MAPAPI LONG WINAPI mapGeoEP90ToGeo42(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->GeoEP90ToGeo42(*b, *l) : 0;
}

// Always 1 for a document.
MAPAPI LONG WINAPI mapGeoEP90ToGeo423D(HMAP hMap, double* b, double* l, double* h) {
  TMapAccess* doc = Document(hMap, b, l);
  if (doc == nullptr || h == nullptr) return 0;
  doc->GeoEP90ToGeo42(*b, *l, *h);
  return 1;
}

MAPAPI LONG WINAPI mapGeo42ToGeoEP90(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->Geo42ToGeoEP90(*b, *l) : 0;
}

MAPAPI LONG WINAPI mapGeo42ToGeoEP903D(HMAP hMap, double* b, double* l, double* h) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc && h ? doc->Geo42ToGeoEP90(*b, *l, *h) : 0;
}

MAPAPI LONG WINAPI mapGeo42ToPlaneUTM(HMAP hMap, double* b, double* l) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc ? doc->Geo42ToPlaneUTM(*b, *l) : 0;
}

MAPAPI LONG WINAPI mapGeo42ToPlaneUTM3D(HMAP hMap, double* b, double* l, double* h) {
  TMapAccess* doc = Document(hMap, b, l);
  return doc && h ? doc->Geo42ToPlaneUTM(*b, *l, *h) : 0;
}

MAPAPI LONG WINAPI mapGeoWGS84ToPlane42(HMAP hMap, double* b, double* l) {
  if (!mapGeoWGS84ToGeo42(hMap, b, l)) return 0;
  return mapGeoToPlane(hMap, b, l);
}

MAPAPI LONG WINAPI mapGeoWGS84ToPlane3D(HMAP hMap, double* b, double* l, double* h) {
  TMapAccess* doc = Document(hMap, b, l);
  if (doc == nullptr || h == nullptr) return 0;
  if (doc->Translate.EllipsoidKind == ELLIPSOID_KRASOVSKY && !mapGeoWGS84ToGeo423D(hMap, b, l, h))
    return 0;
  return mapGeoToPlane(hMap, b, l);
}

// ---------------------------------------------------------------------------
// 6-degree zones

MAPAPI LONG WINAPI mapPlaneToPlaneByZone(LONG zone1, LONG zone2, double* x, double* y) {
  if (zone1 == zone2) return 1;
  if (x == nullptr || y == nullptr) return 0;
  TTranslate t;
  if (!ZoneTranslate(zone1, &t)) return 0;
  double b, l;
  t.XY2BL(*x, *y, &b, &l);
  if (!ZoneTranslate(zone2, &t)) return 0;
  t.BL2XY(b, l, x, y);
  return t.ErrorCode == 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapPlaneToGeo42ByZone(LONG zone, double* x, double* y) {
  if (x == nullptr || y == nullptr) return 0;
  TTranslate t;
  if (!ZoneTranslate(zone, &t)) return 0;
  double b, l;
  t.XY2BL(*x, *y, &b, &l);
  *x = b;
  *y = l;
  return t.ErrorCode == 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapGeo42ToPlaneByOwnZone(double* b, double* l) {
  if (b == nullptr || l == nullptr) return 0;
  TTranslate t;
  t.SetNumberZone(*l);
  double x, y;
  t.BL2XY_GK(*b, *l, &x, &y);
  *b = x;
  *l = y;
  return 1;
}

MAPAPI double WINAPI mapGetAxisMeridianByZone(LONG zone) {
  if (zone < 1 || zone > 60) return 0.0;
  return ((zone - 1) * 6 + 3) * kPi / 180;
}

// A longitude just west of 0 that reduces to a whole turn is in zone 60;
// one that is no number has no zone (0).
MAPAPI LONG WINAPI mapGetZoneByMeridian(double l) {
  if (!std::isfinite(l)) return 0;
  l -= kTwoPi * std::trunc(l / kTwoPi);
  if (l < 0) l += kTwoPi;
  const LONG zone = static_cast<LONG>(std::trunc(l * 180 / kPi / 6)) + 1;
  return zone > 60 ? 60 : zone;
}

namespace {

LONG SetAxisMeridianOfZone(HMAP hMap, LONG zone) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || !doc->IsActive() || doc->MapType() != 1) return 0;
  TMap* map = doc->GetMap(0);
  if (map == nullptr) return 0;
  map->AxisMeridian(mapGetAxisMeridianByZone(zone));
  // The map's conversions follow the new axis meridian at once.
  map->SetDataProjection();
  map->Save(1);
  return 1;
}

}  // namespace

MAPAPI LONG WINAPI mapSetAxisMeridianByMeridian(HMAP hMap, double l) {
  return SetAxisMeridianOfZone(hMap, mapGetZoneByMeridian(l));
}

// A Y whose millions are no zone sets the axis meridian 0.0.
MAPAPI LONG WINAPI mapSetAxisMeridianByPlaneY(HMAP hMap, double y) {
  const double millions = std::trunc(y * 1e-6);
  const LONG zone = millions >= 1 && millions <= 60 ? static_cast<LONG>(millions) : 0;
  return SetAxisMeridianOfZone(hMap, zone);
}

// ---------------------------------------------------------------------------
// Object copies

MAPAPI LONG WINAPI mapReadObjectCopyByNumber(HOBJ info, LONG number) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->ReadObjectCopyByNumber(number) : 0;
}

MAPAPI LONG WINAPI mapDeleteObjectCopyToNumber(HOBJ info, LONG number) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->DeleteObjectCopyToNumber(number) : 0;
}

// ---------------------------------------------------------------------------
// Distances and angles

MAPAPI double WINAPI mapDistance(DOUBLEPOINT* a, DOUBLEPOINT* b) {
  return a && b ? TMeasure().Distance(a, b) : 0.0;
}

// Without a document (a null or foreign handle) the distance is the plane
// one; a null point gives 0.0.
MAPAPI double WINAPI mapRealDistance(HMAP hMap, DOUBLEPOINT* a, DOUBLEPOINT* b) {
  if (a == nullptr || b == nullptr) return 0.0;
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return mapDistance(a, b);
  TMap* map = DistanceMap(doc);
  if (map == nullptr) return mapDistance(a, b);
  TTranslate local;
  DOUBLEPOINT g1, g2;
  map->Translate.XY2BL(a->X, a->Y, &g1.X, &g1.Y);
  if (!SetTranslateMeridian(map, &g1.Y, &local)) return mapDistance(a, b);
  map->Translate.XY2BL(b->X, b->Y, &g2.X, &g2.Y);
  if (g2.Y < 0) g2.Y += kTwoPi;
  DOUBLEPOINT p1, p2;
  local.BL2XY(g1.X, g1.Y, &p1.X, &p1.Y);
  local.BL2XY(g2.X, g2.Y, &p2.X, &p2.Y);
  return TMeasure().Distance(&p1, &p2);
}

MAPAPI double WINAPI mapBisectorAngle(DOUBLEPOINT* a, DOUBLEPOINT* b, DOUBLEPOINT* c) {
  return a && b && c ? TMeasure().BisectorAngle(a, b, c) : 0.0;
}

// ---------------------------------------------------------------------------
// Degrees, minutes and seconds

MAPAPI LONG WINAPI mapSignDegreeToRadian(SIGNDEGREE* in, double* out) {
  if (in == nullptr || out == nullptr) return 0;
  double v = in->Degree + in->Minute * (1.0 / 60) + in->Second * (1.0 / 3600);
  if (in->Sign < 0) v = -v;
  *out = v * kPi * (1.0 / 180);
  return 1;
}

MAPAPI LONG WINAPI mapRadianToSignDegree(double* in, SIGNDEGREE* out) {
  if (in == nullptr || out == nullptr) return 0;
  RadianToSignDegree(*in, out);
  return 1;
}

MAPAPI LONG WINAPI mapDegreeToRadian(DEGREE* in, double* out) {
  if (in == nullptr || out == nullptr) return 0;
  *out = (in->Degree + in->Minute * (1.0 / 60) + in->Second * (1.0 / 3600)) * kPi * (1.0 / 180);
  return 1;
}

MAPAPI LONG WINAPI mapRadianToDegree(double* in, DEGREE* out) {
  if (in == nullptr || out == nullptr) return 0;
  RadianToDegree(*in, out);
  return 1;
}
