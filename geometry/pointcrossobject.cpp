// Crossing-point lists of two objects.
#include "geometry/pointcrossobject.h"

#include <cmath>
#include <cstdint>
#include <new>

#include "mapstore/map.h"
#include "objects/objectinfo.h"

double GeometryPrecision(double scale, double precision) {
  const double standard = scale > 500000.0 ? 0.01 : GEOMETRY_PRECISION;
  if (!(precision > standard)) return standard;
  // A precision below a hundred-thousandth is no precision at all.
  if (std::trunc(precision * 100000.0) == 0.0) return standard;
  return precision;
}

double GeometryPrecision(TObjectInfo* object, double precision) {
  if (object == nullptr || object->GetMap() == nullptr) return GEOMETRY_PRECISION;
  return GeometryPrecision(static_cast<double>(object->GetMap()->Scale()), precision);
}

TPointCrossObject::TPointCrossObject() {
  Data1.Init();
  Data2.Init();
}

TPointCrossObject::~TPointCrossObject() {
  Data1.Free();
  Data2.Free();
}

int TPointCrossObject::LoadObjects(TObjectInfo* first, TObjectInfo* second, double precision) {
  return LoadObjects(first, second, -1, 0, precision);
}

int TPointCrossObject::LoadObjects(TObjectInfo* first, TObjectInfo* second, int s1, int s2,
                                   double precision) {
  List.clear();
  if (first == nullptr || second == nullptr) return 0;
  const double p1 = GeometryPrecision(first, precision);
  const double p2 = GeometryPrecision(second, precision);
  TDataEdit m1, m2;
  m1.Init();
  m2.Init();
  int result = 0;
  if (first->PutDataPlane(&m1) && second->PutDataPlane(&m2))
    result = LoadData(&m1, &m2, first->Handle(), second->Handle(), s1, s2, p1 > p2 ? p1 : p2);
  m1.Free();
  m2.Free();
  return result;
}

int TPointCrossObject::LoadData(TDataEdit* first, TDataEdit* second, HOBJ h1, HOBJ h2, int s1,
                                int s2, double precision) {
  List.clear();
  if (first == nullptr || second == nullptr || first->Record == nullptr ||
      second->Record == nullptr)
    return 0;
  if (!Data1.Load(first->Record, first->TextFlag) || !Data2.Load(second->Record, second->TextFlag))
    return 0;
  Handle1 = h1;
  Handle2 = h2;
  if (!Worker) {
    Worker.reset(new (std::nothrow) TPointCross());
    if (!Worker) return 0;
  }
  if (s1 >= 0) return LoadPair(s1, s2, precision) ? Count() : 0;
  const int n1 = Data1.Record->Count;
  const int n2 = Data2.Record->Count;
  for (int i = 0; i <= n1; ++i)
    for (int j = 0; j <= n2; ++j) LoadPair(i, j, precision);
  return Count();
}

int TPointCrossObject::LoadPair(int s1, int s2, double precision) {
  TPointCross& w = *Worker;
  // The objects' own point numbers are reported: nothing is cleaned, and
  // the plane copies need no sheet shifting.
  w.Clean = 0;
  w.FirstRun = 0;
  if (!w.LoadObjects(&Data1, &Data2, 0, s2, s1, precision)) return 0;
  w.UserMap = 1;
  int added = 0;
  for (int k = 0; k < w.Count; ++k) added += SetPoint(k);
  return added;
}

int TPointCrossObject::SetPoint(int k) {
  TPointCross& w = *Worker;
  if (k < 0 || k >= w.Count) return 0;
  const POINTCROSS& own = w.Cross2[k];
  const int p = w.FindPartner(w.Cross1, w.Count, &own);
  if (p >= w.Count) return 0;
  const POINTCROSS& other = w.Cross1[p];
  CROSSPOINT r{};
  r.X = own.X;
  r.Y = own.Y;
  const double a = own.H == METRIC_NO_HEIGHT ? 0.0 : own.H;
  const double b = other.H == METRIC_NO_HEIGHT ? 0.0 : other.H;
  r.H = a == 0.0 ? b : (b == 0.0 ? a : (a + b) / 2.0);
  r.Object2 = Handle2;
  r.Number2 = own.Position < 0 ? -own.Position : own.First;
  r.Subject2 = w.Subject2;
  r.Object1 = Handle1;
  r.Number1 = other.Position < 0 ? -other.Position : other.First;
  r.Subject1 = w.Subject1;
  try {
    List.push_back(r);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int TPointCrossObject::GetPoint(int n, CROSSPOINT* out) const {
  if (out == nullptr || n < 1 || n > Count()) return 0;
  *out = List[static_cast<size_t>(n - 1)];
  return 1;
}
