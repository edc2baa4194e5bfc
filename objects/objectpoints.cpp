// The map object's points in plane coordinates (metres) and geodetic
// coordinates (radians): reading, appending, inserting, moving (also with
// the move registered for the objects that share the point), whole-object
// transforms, and the metric carried over as plane or geodetic doubles.
//
// The metric keeps sheet units relative to the sheet origin. With the map's
// unit factor k and plane origin X0, Y0:
//   plane X = (stored x + origin X) * k + X0, and back;
//   a displacement d converts as d / k.
// A map that stores plane coordinates has k = 1, X0 = Y0 = 0 and the
// origin 0, 0: the same formulas leave its coordinates unchanged.
#include <cmath>
#include <numbers>

#include "mapstore/map.h"
#include "objects/objectinfo.h"

// ---------------------------------------------------------------------------
// Conversions

double TObjectInfo::ToPlaneX(double x) const {
  return Map != nullptr ? (x + Origin.X) * Map->Factor + Map->X0 : x;
}
double TObjectInfo::ToPlaneY(double y) const {
  return Map != nullptr ? (y + Origin.Y) * Map->Factor + Map->Y0 : y;
}
double TObjectInfo::ToStoredX(double x) const {
  return Map != nullptr ? (x - Map->X0) / Map->Factor - Origin.X : x;
}
double TObjectInfo::ToStoredY(double y) const {
  return Map != nullptr ? (y - Map->Y0) / Map->Factor - Origin.Y : y;
}

bool TObjectInfo::Finite(std::initializer_list<double> values) {
  for (const double v : values) {
    if (!std::isfinite(v)) {
      Error = MAPERR_INPUT;
      return false;
    }
  }
  return true;
}

bool TObjectInfo::HasProjection() const {
  return Map != nullptr && Map->IsActive() && Map->ProjectionReady;
}

bool TObjectInfo::PlanePoint(int n, int subject, DOUBLEPOINT* point) {
  if (Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return false;
  point->X = ToPlaneX(Metric.XDouble());
  point->Y = ToPlaneY(Metric.YDouble());
  return true;
}

bool TObjectInfo::GeoPoint(int n, int subject, double* b, double* l) {
  DOUBLEPOINT p;
  if (!HasProjection() || !PlanePoint(n, subject, &p)) return false;
  // A projection without conversions answers with its error code.
  Map->Translate.ErrorCode = 0;
  Map->Translate.XY2BL(p.X, p.Y, b, l);
  return Map->Translate.ErrorCode == 0 && std::isfinite(*b) && std::isfinite(*l);
}

bool TObjectInfo::GeoToPlane(double b, double l, double* x, double* y) {
  if (!HasProjection() || !std::isfinite(b) || !std::isfinite(l)) return false;
  Map->Translate.ErrorCode = 0;
  Map->Translate.BL2XY(b, l, x, y);
  return Map->Translate.ErrorCode == 0 && std::isfinite(*x) && std::isfinite(*y);
}

// ---------------------------------------------------------------------------
// Reading points

int TObjectInfo::PolyCount() { return Metric.Record != nullptr ? Metric.Record->Count + 1 : 0; }

int TObjectInfo::PointCount(int subject) {
  return Metric.Record != nullptr ? Metric.PointCount(subject) : 0;
}

double TObjectInfo::XPlane(int n, int subject) {
  DOUBLEPOINT p;
  return PlanePoint(n, subject, &p) ? p.X : 0.0;
}

double TObjectInfo::YPlane(int n, int subject) {
  DOUBLEPOINT p;
  return PlanePoint(n, subject, &p) ? p.Y : 0.0;
}

double TObjectInfo::HPlane(int n, int subject) {
  if (Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return 0.0;
  return Metric.HDouble();
}

double TObjectInfo::XPlane() {
  return Metric.Record != nullptr && Metric.CurrentPoint != nullptr ? ToPlaneX(Metric.XDouble())
                                                                    : 0.0;
}

double TObjectInfo::YPlane() {
  return Metric.Record != nullptr && Metric.CurrentPoint != nullptr ? ToPlaneY(Metric.YDouble())
                                                                    : 0.0;
}

double TObjectInfo::HPlane() {
  return Metric.Record != nullptr && Metric.CurrentPoint != nullptr ? Metric.HDouble() : 0.0;
}

double TObjectInfo::BGeo(int n, int subject) {
  double b = 0, l = 0;
  return GeoPoint(n, subject, &b, &l) ? b : 0.0;
}

double TObjectInfo::LGeo(int n, int subject) {
  double b = 0, l = 0;
  return GeoPoint(n, subject, &b, &l) ? l : 0.0;
}

// ---------------------------------------------------------------------------
// Editing points

int TObjectInfo::AppendPointPlane(double x, double y, int subject) {
  if (Metric.Record == nullptr || !Finite({x, y})) return 0;
  return Metric.AppendPointSubject(subject, ToStoredX(x), ToStoredY(y));
}

int TObjectInfo::InsertPointPlane(double x, double y, int n, int subject) {
  if (Metric.Record == nullptr || !Finite({x, y})) return 0;
  if (n >= 1) {
    if (Metric.GoPointSubject(n, subject) == nullptr) return 0;
    if (!Metric.InsertPoint(ToStoredX(x), ToStoredY(y))) return 0;
    return UpdatePointPlane(x, y, n + 1, subject);
  }
  // Before the first point: the first point is copied after itself and then
  // takes the new place.
  if (Metric.GoPointSubject(1, subject) == nullptr) return AppendPointPlane(x, y, subject);
  const double firstX = Metric.XDouble(), firstY = Metric.YDouble();
  const bool heights = Desc != nullptr && TObjectDesc(Desc).DatDimension();
  const double firstH = heights ? Metric.HDouble() : METRIC_NO_HEIGHT;
  if (!Metric.InsertPoint(firstX, firstY) || Metric.GoPointSubject(2, subject) == nullptr) return 0;
  Metric.XDouble(firstX);
  Metric.YDouble(firstY);
  if (heights) Metric.HDouble(firstH);
  return UpdatePointPlane(x, y, 1, subject);
}

int TObjectInfo::UpdatePointPlane(double x, double y, int n, int subject) {
  if (!Finite({x, y}) || Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr)
    return 0;
  Metric.XDouble(ToStoredX(x));
  Metric.YDouble(ToStoredY(y));
  return 1;
}

int TObjectInfo::UpdatePointPlane(double x, double y, double h, int n, int subject) {
  if (!Finite({h}) || !UpdatePointPlane(x, y, n, subject)) return 0;
  Metric.HDouble(h);
  return 1;
}

double TObjectInfo::XPlane(double x, int n, int subject) {
  if (!Finite({x}) || Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return 0.0;
  Metric.XDouble(ToStoredX(x));
  return x;
}

double TObjectInfo::YPlane(double y, int n, int subject) {
  if (!Finite({y}) || Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return 0.0;
  Metric.YDouble(ToStoredY(y));
  return y;
}

double TObjectInfo::HPlane(double h, int n, int subject) {
  if (!Finite({h}) || Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return 0.0;
  return Metric.HDouble(h);
}

int TObjectInfo::DeletePoint(int n, int subject) {
  if (Metric.Record == nullptr || Metric.GoPointSubject(n, subject) == nullptr) return 0;
  return Metric.DeletePoint();
}

int TObjectInfo::CreateSubject() { return Metric.Record != nullptr ? Metric.CreateSubject() : 0; }

int TObjectInfo::DeleteSubject(int subject) {
  return Metric.Record != nullptr ? Metric.DeleteSubject(subject) : 0;
}

int TObjectInfo::Abridge(int subject, int mode) {
  return Metric.Record != nullptr ? Metric.SetExclusiveSubject(subject, mode) : 0;
}

namespace {

// Latitudes beyond the poles are refused; the poles themselves are not.
bool LatitudeUsable(double b) { return std::fabs(b) <= std::numbers::pi / 2; }

}  // namespace

int TObjectInfo::AppendPointGeo(double b, double l, int subject) {
  double x, y;
  if (!Finite({b, l}) || !LatitudeUsable(b) || !GeoToPlane(b, l, &x, &y)) return 0;
  return AppendPointPlane(x, y, subject);
}

int TObjectInfo::InsertPointGeo(double b, double l, int n, int subject) {
  double x, y;
  if (!Finite({b, l}) || !LatitudeUsable(b) || !GeoToPlane(b, l, &x, &y)) return 0;
  return InsertPointPlane(x, y, n, subject);
}

int TObjectInfo::UpdatePointGeo(double b, double l, int n, int subject) {
  double x, y;
  if (!Finite({b, l}) || !LatitudeUsable(b) || !GeoToPlane(b, l, &x, &y)) return 0;
  return UpdatePointPlane(x, y, n, subject);
}

int TObjectInfo::UpdatePointGeo(double b, double l, double h, int n, int subject) {
  double x, y;
  if (!Finite({b, l, h}) || !LatitudeUsable(b) || !GeoToPlane(b, l, &x, &y)) return 0;
  return UpdatePointPlane(x, y, h, n, subject);
}

// ---------------------------------------------------------------------------
// Moves registered for the objects sharing the point

int TObjectInfo::MovePointRegistered(double x, double y, const double* h, int n, int subject,
                                     double precision, int mode) {
  if (!Finite({x, y, h != nullptr ? *h : 0.0}) || Map == nullptr || Metric.Record == nullptr ||
      Metric.GoPointSubject(n, subject) == nullptr)
    return 0;
  const double oldX = Metric.XDouble() + Origin.X, oldY = Metric.YDouble() + Origin.Y;
  // The first and the last point of a closed contour are one point: the
  // other end moves with the one moved, and the contour stays closed.
  const int count = Metric.PointCount(subject);
  const bool closed = count > 1 && (n == 1 || n == count) && Metric.GetExclusiveSubject(subject);
  if (!(h != nullptr ? UpdatePointPlane(x, y, *h, n, subject) : UpdatePointPlane(x, y, n, subject)))
    return 0;
  if (closed && Metric.SetExclusiveSubject(subject, n == 1 ? 1 : 2) != 1) return 0;
  if (Metric.GoPointSubject(n, subject) == nullptr) return 0;
  const double newX = Metric.XDouble() + Origin.X, newY = Metric.YDouble() + Origin.Y;
  const double height = Metric.HDouble();
  // The register is bound when the first move is made; moves made before
  // the commit add up.
  if (Points.GetInfo() != this || Points.Block == nullptr) {
    if (!Points.SetInfo(this)) return 0;
  }
  return Points.PutPoint(mode, oldX, oldY, newX, newY, height, precision);
}

int TObjectInfo::UpdatePointPlaneInMap(double x, double y, int n, int subject, double precision) {
  return MovePointRegistered(x, y, nullptr, n, subject, precision, POINTMOVE_MAP);
}

int TObjectInfo::UpdatePointPlane3DInMap(double x, double y, double h, int n, int subject,
                                         double precision) {
  return MovePointRegistered(x, y, &h, n, subject, precision, POINTMOVE_MAP);
}

int TObjectInfo::UpdatePointPlaneInLayer(double x, double y, int n, int subject,
                                         double precision) {
  return MovePointRegistered(x, y, nullptr, n, subject, precision, POINTMOVE_LAYER);
}

int TObjectInfo::UpdatePointPlane3DInLayer(double x, double y, double h, int n, int subject,
                                           double precision) {
  return MovePointRegistered(x, y, &h, n, subject, precision, POINTMOVE_LAYER);
}

// ---------------------------------------------------------------------------
// Whole-object transforms

int TObjectInfo::RelocateObject(const DOUBLEPOINT* delta) {
  if (Metric.Record == nullptr || delta == nullptr || Map == nullptr ||
      !Finite({delta->X, delta->Y}))
    return 0;
  const DOUBLEPOINT d{delta->X / Map->Factor, delta->Y / Map->Factor};
  return Metric.RelocateObject(&d);
}

int TObjectInfo::RotateObject(const DOUBLEPOINT& centre, double angle) {
  if (Metric.Record == nullptr || Map == nullptr || !Finite({centre.X, centre.Y, angle})) return 0;
  const DOUBLEPOINT c{ToStoredX(centre.X), ToStoredY(centre.Y)};
  return Metric.RotateObject(&c, angle);
}

int TObjectInfo::ScopeObject(const DOUBLEPOINT* scale, const DOUBLEPOINT* centre) {
  if (Metric.Record == nullptr || Map == nullptr || scale == nullptr || centre == nullptr ||
      !Finite({scale->X, scale->Y, centre->X, centre->Y}))
    return 0;
  const DOUBLEPOINT c{ToStoredX(centre->X), ToStoredY(centre->Y)};
  return Metric.ScopeObject(scale, &c);
}

int TObjectInfo::ScopeAndRelocateObject(const DOUBLEPOINT* scale, const DOUBLEPOINT* centre,
                                        const DOUBLEPOINT* delta) {
  if (Metric.Record == nullptr || Map == nullptr || scale == nullptr || centre == nullptr ||
      delta == nullptr ||
      !Finite({scale->X, scale->Y, centre->X, centre->Y, delta->X, delta->Y}))
    return 0;
  const DOUBLEPOINT c{ToStoredX(centre->X), ToStoredY(centre->Y)};
  const DOUBLEPOINT d{delta->X / Map->Factor, delta->Y / Map->Factor};
  return Metric.ScopeAndRelocateObject(scale, &c, &d);
}

// ---------------------------------------------------------------------------
// The metric as plane or geodetic doubles

namespace {

// Copies the text entry of subject s from `from` to the subject `to` is on.
void CopyText(TDataEdit& from, TDataEdit& to, int s) {
  if (!from.TextFlag || !to.TextFlag || from.FirstPointSubject(s) == nullptr) return;
  const char* entry = from.GetTextData();
  if (entry != nullptr) to.PutTextData(reinterpret_cast<const TEXTDATA*>(entry));
}

}  // namespace

// The kind keeps this metric's precision and takes the source's dimension;
// the callers normalise it by the map's precision (a map that stores
// plane coordinates keeps doubles).
int TObjectInfo::RebuiltKind(bool source3D) const {
  const DWORD kind = Metric.Record != nullptr ? Metric.Record->Ident : 0;
  const bool flag3D = Desc != nullptr && TObjectDesc(Desc).DatDimension();
  const bool doubles = flag3D ? kind == METRIC_F64H : kind == METRIC_F64;
  if (source3D) return int(doubles ? METRIC_F64H : METRIC_F32H);
  return int(doubles ? METRIC_F64 : METRIC_F32);
}

int TObjectInfo::PutDataPlane(TDataEdit* target) {
  if (target == nullptr || target == &Metric || Metric.Record == nullptr || Map == nullptr)
    return 0;
  if (Map->IsRealPlace()) return target->Load(Metric.Record, Metric.TextFlag != 0) ? 1 : 0;
  if (Desc != nullptr) TObjectDesc(Desc).DatKind(int(Metric.Record->Ident));
  const bool heights = Desc != nullptr && TObjectDesc(Desc).DatDimension();
  if (!target->Create(int(heights ? METRIC_F64H : METRIC_F64), Metric.TextFlag != 0)) return 0;
  const int subjects = Metric.Record->Count;
  for (int s = 0; s <= subjects; ++s) {
    if (s > 0 && !target->CreateSubject()) return 0;
    const int count = Metric.PointCount(s);
    for (int i = 1; i <= count; ++i) {
      DOUBLEPOINT p;
      if (!PlanePoint(i, s, &p)) return 0;
      const double h = Metric.HDouble();
      if (!target->AppendPointSubject(s, p.X, p.Y)) return 0;
      if (heights) target->HDouble(h);
    }
    CopyText(Metric, *target, s);
  }
  target->FirstPointSubject(0);
  return 1;
}

int TObjectInfo::PutDataGeo(TDataEdit* target) {
  if (target == nullptr || target == &Metric || Metric.Record == nullptr || !HasProjection())
    return 0;
  const bool heights = Desc != nullptr && TObjectDesc(Desc).DatDimension();
  if (!target->Create(int(heights ? METRIC_F64H : METRIC_F64), Metric.TextFlag != 0)) return 0;
  const int subjects = Metric.Record->Count;
  for (int s = 0; s <= subjects; ++s) {
    if (s > 0 && !target->CreateSubject()) return 0;
    const int count = Metric.PointCount(s);
    for (int i = 1; i <= count; ++i) {
      double b, l;
      if (!GeoPoint(i, s, &b, &l)) return 0;
      const double h = Metric.HDouble();
      if (!target->AppendPointSubject(s, b, l)) return 0;
      if (heights) target->HDouble(h);
    }
    CopyText(Metric, *target, s);
  }
  target->FirstPointSubject(0);
  return 1;
}

int TObjectInfo::GetDataPlane(TDataEdit* source) {
  if (source == nullptr || source == &Metric || source->Record == nullptr || Map == nullptr ||
      Desc == nullptr)
    return 0;
  const bool text = source->TextFlag != 0;
  const bool source3D = MetricIs3D(source->Record->Ident) != 0;
  if (Map->IsRealPlace()) {
    if (!Metric.Load(source->Record, text)) return 0;
    TObjectDesc(Desc).DatKind(int(Metric.Record->Ident));
    return 1;
  }
  TDataEdit built;
  built.Init();
  int ok = built.Create(NormalKind(Map, RebuiltKind(source3D)), text);
  const int subjects = ok ? source->Record->Count : -1;
  for (int s = 0; ok && s <= subjects; ++s) {
    if (s > 0 && !built.CreateSubject()) ok = 0;
    const int count = ok ? source->PointCount(s) : 0;
    for (int i = 1; ok && i <= count; ++i) {
      if (source->GoPointSubject(i, s) == nullptr ||
          !built.AppendPointSubject(s, ToStoredX(source->XDouble()), ToStoredY(source->YDouble())))
        ok = 0;
      else if (source3D)
        built.HDouble(source->HDouble());
    }
    if (ok) CopyText(*source, built, s);
  }
  if (ok) ok = Metric.Load(built.Record, text) != 0;
  built.Free();
  if (ok) TObjectDesc(Desc).DatKind(int(Metric.Record->Ident));
  return ok;
}

int TObjectInfo::LoadDataGeo(TObjectInfo* source) {
  if (source == nullptr || source == this || source->Metric.Record == nullptr || Desc == nullptr ||
      !HasProjection() || !source->HasProjection())
    return 0;
  TDataEdit& from = source->Metric;
  const bool text = from.TextFlag != 0;
  const bool source3D = MetricIs3D(from.Record->Ident) != 0;
  // Built aside: the new metric replaces this one only when every point
  // converted.
  TDataEdit built;
  built.Init();
  int ok = built.Create(NormalKind(Map, RebuiltKind(source3D)), text);
  const int subjects = ok ? from.Record->Count : -1;
  for (int s = 0; ok && s <= subjects; ++s) {
    if (s > 0 && !built.CreateSubject()) ok = 0;
    const int count = ok ? from.PointCount(s) : 0;
    for (int i = 1; ok && i <= count; ++i) {
      double b, l, x, y;
      if (!source->GeoPoint(i, s, &b, &l) || !LatitudeUsable(b) || !GeoToPlane(b, l, &x, &y) ||
          !built.AppendPointSubject(s, ToStoredX(x), ToStoredY(y)))
        ok = 0;
      else if (source3D && from.GoPointSubject(i, s) != nullptr)
        built.HDouble(from.HDouble());
    }
    if (ok) CopyText(from, built, s);
  }
  if (ok) ok = Metric.Load(built.Record, text) != 0;
  built.Free();
  if (ok) TObjectDesc(Desc).DatKind(int(Metric.Record->Ident));
  return ok;
}
