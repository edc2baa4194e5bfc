// Object geometry for a host: each function checks its handles, copies the
// objects' metrics in plane form and runs a geometry worker. Workers that
// outlive a call are kept in a page-allocated holder registered as a live
// worker and tagged with its kind, so a freed handle or a handle of
// another kind is refused before anything is read through it.
#include "api/objgeom_api.h"

#include <new>

#include "common/liveset.h"
#include "geometry/objectcut.h"
#include "geometry/objectconsent.h"
#include "geometry/objectcutbyline.h"
#include "geometry/objectrelation.h"
#include "geometry/objectunion.h"
#include "geometry/pointcrossobject.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/memory.h"

namespace {

enum : DWORD {
  TAG_CUT = 0x54554347,   // a cut by an area
  TAG_LIST = 0x54534C47,  // a crossing-point list
  TAG_LINE = 0x4E4C4347,  // a cut by a line
  TAG_CONSENT = 0x4E4F4347,  // a consent
};

// A worker handed to a host, with the plane copies it works on (the
// workers keep the addresses of their sources).
template <class W>
struct Holder {
  DWORD Tag;
  W Worker;
  TDataEdit Plane1;
  TDataEdit Plane2;

  explicit Holder(DWORD tag) : Tag(tag) {
    Plane1.Init();
    Plane2.Init();
  }
  ~Holder() {
    Plane1.Free();
    Plane2.Free();
  }
};

template <class W>
Holder<W>* NewHolder(DWORD tag) {
  void* memory = plat::AllocPages(sizeof(Holder<W>));
  if (memory == nullptr) return nullptr;
  Holder<W>* h = new (memory) Holder<W>(tag);
  if (!liveRegister(LIVE_WORKER, h)) {
    h->~Holder<W>();
    plat::FreePages(memory);
    return nullptr;
  }
  return h;
}

template <class W>
Holder<W>* FromHandle(HANDLE handle, DWORD tag) {
  if (!liveIsRegistered(LIVE_WORKER, handle)) return nullptr;
  Holder<W>* h = static_cast<Holder<W>*>(handle);
  return h->Tag == tag ? h : nullptr;
}

template <class W>
void FreeHolder(HANDLE handle, DWORD tag) {
  Holder<W>* h = FromHandle<W>(handle, tag);
  if (h == nullptr || !liveUnregister(LIVE_WORKER, h)) return;
  h->~Holder<W>();
  plat::FreePages(h);
}

// The cutting and uniting functions leave a code in an object's error
// (TObjectInfo::GetError): in the object cut when a cut is made (the
// object whose parts a consent hands out when one is made), in the result
// object when a piece or a union is asked for. It is the worker's
// code when it refused (a metric it cannot read, an open area, areas
// apart, a piece it could not close), MAPERR_INPUT for a handle or mode it
// cannot take, 0 when it answered or had nothing to hand out.
void Leave(TObjectInfo* object, int code) {
  if (object != nullptr) object->SetError(code);
}

int Refusal(LONG state) { return state > 1 ? state : 0; }

// The larger working precision of the two objects.
double PairPrecision(TObjectInfo* a, TObjectInfo* b, double precision) {
  const double pa = GeometryPrecision(a, precision);
  const double pb = GeometryPrecision(b, precision);
  return pa > pb ? pa : pb;
}

// Both objects' metrics in plane form, when their frames meet.
int PlanePair(TObjectInfo* a, TObjectInfo* b, double precision, TDataEdit* pa, TDataEdit* pb) {
  if (!a->IsCrossObjectFrame(b, precision)) return 0;
  return a->PutDataPlane(pa) && b->PutDataPlane(pb) ? 1 : 0;
}

HANDLE CreateCut(HOBJ area, HOBJ object, int mode, double precision, int holeUnion) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(area);
  TObjectInfo* o = TObjectInfo::FromOpenHandle(object);
  if (a == nullptr || o == nullptr || a == o || (mode != 0 && mode != 1)) {
    Leave(o, MAPERR_INPUT);
    return nullptr;
  }
  precision = PairPrecision(a, o, precision);
  auto* h = NewHolder<TObjectCut>(TAG_CUT);
  if (h == nullptr) {
    Leave(o, MAPERR_MEMORY);
    return nullptr;
  }
  if (!PlanePair(a, o, precision, &h->Plane1, &h->Plane2) ||
      !h->Worker.LoadObjects(&h->Plane1, &h->Plane2, mode, precision, holeUnion)) {
    Leave(o, Refusal(h->Worker.State));
    FreeHolder<TObjectCut>(h, TAG_CUT);
    return nullptr;
  }
  Leave(o, 0);
  return h;
}

// A piece written into the result object, marked changed; without a piece
// the worker's code is left.
HOBJ WriteResult(TDataEdit* piece, LONG state, TObjectInfo* result, HOBJ handle) {
  if (piece == nullptr) {
    Leave(result, Refusal(state));
    return 0;
  }
  if (!result->GetDataPlane(piece)) {
    Leave(result, MAPERR_INPUT);
    return 0;
  }
  result->Metric.ChangedFlag = 1;
  Leave(result, 0);
  return handle;
}

HANDLE CreateList(HOBJ first, HOBJ second, int s1, int s2, double precision, bool frames) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  if (a == nullptr || b == nullptr || a == b) return nullptr;
  if (frames && !a->IsCrossObjectFrame(b, PairPrecision(a, b, precision))) return nullptr;
  auto* h = NewHolder<TPointCrossObject>(TAG_LIST);
  if (h == nullptr) return nullptr;
  const int count = s1 < 0 ? h->Worker.LoadObjects(a, b, precision)
                           : h->Worker.LoadObjects(a, b, s1, s2, precision);
  if (count <= 0) {
    FreeHolder<TPointCrossObject>(h, TAG_LIST);
    return nullptr;
  }
  return h;
}

}  // namespace

MAPAPI double WINAPI mapSetPrecision(HOBJ info, double precision) {
  return GeometryPrecision(TObjectInfo::FromOpenHandle(info), precision);
}

MAPAPI HANDLE WINAPI mapCreateObjectsCross(HOBJ area, HOBJ object, LONG mode, double precision) {
  return CreateCut(area, object, mode, precision, 0);
}

MAPAPI HANDLE WINAPI mapCreateObjectsCrossSquare(HOBJ area, HOBJ object, double precision) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(area);
  TObjectInfo* o = TObjectInfo::FromOpenHandle(object);
  if (a == nullptr || o == nullptr || a->ObjectLocal() != 1 || o->ObjectLocal() != 1) {
    Leave(o, MAPERR_INPUT);
    return nullptr;
  }
  return CreateCut(area, object, 1, precision, 1);
}

MAPAPI HOBJ WINAPI mapGetNextCross(HANDLE cut, HOBJ result) {
  auto* h = FromHandle<TObjectCut>(cut, TAG_CUT);
  TObjectInfo* r = TObjectInfo::FromOpenHandle(result);
  if (h == nullptr || r == nullptr) {
    Leave(r, MAPERR_INPUT);
    return 0;
  }
  TDataEdit* piece = h->Worker.GetNextObject();
  return WriteResult(piece, h->Worker.State, r, result);
}

MAPAPI void WINAPI mapFreeObjectsCross(HANDLE cut) { FreeHolder<TObjectCut>(cut, TAG_CUT); }

MAPAPI LONG WINAPI mapGetObjectsCross(HOBJ first, HOBJ second) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  if (a == nullptr || b == nullptr || a == b) return 0;
  TDataEdit pa, pb;
  pa.Init();
  pb.Init();
  LONG crossed = 0;
  if (PlanePair(a, b, 0.0, &pa, &pb)) {
    auto* worker = new (std::nothrow) TPointCross();
    if (worker != nullptr) {
      worker->LoadObjects(&pa, &pb, 0, 0, 0, -1.0);
      crossed = worker->State == 0 && worker->Count > 0 ? 1 : 0;
      delete worker;
    }
  }
  pa.Free();
  pb.Free();
  return crossed;
}

MAPAPI HOBJ WINAPI mapGetObjectsUnion(HOBJ first, HOBJ second, HOBJ result, LONG mode,
                                      double precision) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  TObjectInfo* r = TObjectInfo::FromOpenHandle(result);
  if (a == nullptr || b == nullptr || r == nullptr || a == b || a->GetMap() == nullptr ||
      (mode != 0 && mode != 1)) {
    Leave(r, MAPERR_INPUT);
    return 0;
  }
  const double distance = PairPrecision(a, b, precision);
  const double standard = PairPrecision(a, b, 0.0);
  TDataEdit pa, pb;
  pa.Init();
  pb.Init();
  HOBJ out = 0;
  Leave(r, MAPERR_INPUT);
  if (a->PutDataPlane(&pa) && b->PutDataPlane(&pb)) {
    auto* worker = new (std::nothrow) TObjectUnion();
    Leave(r, MAPERR_MEMORY);
    if (worker != nullptr) {
      TDataEdit* united = worker->LoadObjects(&pa, &pb, mode, distance, standard)
                              ? worker->GetObjectA()
                              : nullptr;
      // A union has no empty answer: a refusal without a code of its own
      // is one of the input.
      out = WriteResult(united, worker->State > 1 ? worker->State : MAPERR_INPUT, r, result);
      delete worker;
    }
  }
  pa.Free();
  pb.Free();
  return out;
}

MAPAPI HANDLE WINAPI mapCreateObjectCrossPointsEx(HOBJ first, HOBJ second, double precision) {
  return CreateList(first, second, -1, 0, precision, true);
}

MAPAPI HANDLE WINAPI mapCreateObjectCrossPoints(HOBJ first, HOBJ second) {
  return CreateList(first, second, -1, 0, 0.0, true);
}

MAPAPI HANDLE WINAPI mapCreateSubjectCrossPointsEx(HOBJ first, HOBJ second, LONG s1, LONG s2,
                                                   double precision) {
  if (s1 < 0 || s2 < 0) return nullptr;
  return CreateList(first, second, s1, s2, precision, false);
}

MAPAPI HANDLE WINAPI mapCreateSubjectCrossPoints(HOBJ first, HOBJ second, LONG s1, LONG s2) {
  return mapCreateSubjectCrossPointsEx(first, second, s1, s2, 0.0);
}

MAPAPI LONG WINAPI mapGetCrossCount(HANDLE list) {
  auto* h = FromHandle<TPointCrossObject>(list, TAG_LIST);
  return h ? h->Worker.Count() : 0;
}

MAPAPI LONG WINAPI mapGetCrossPoint(HANDLE list, LONG n, CROSSPOINT* point) {
  auto* h = FromHandle<TPointCrossObject>(list, TAG_LIST);
  return h ? h->Worker.GetPoint(n, point) : 0;
}

MAPAPI void WINAPI mapFreeCrossPoints(HANDLE list) {
  FreeHolder<TPointCrossObject>(list, TAG_LIST);
}

MAPAPI LONG WINAPI mapInsertPointCross(HOBJ first, HOBJ second) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  return a && b ? a->InsertPointCross(b) : 0;
}

namespace {

LONG CheckInside(HOBJ first, HOBJ second, int holes) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  if (a == nullptr || b == nullptr || a == b) return RELATION_FAILED;
  if (!a->IsCrossObjectFrame(b, 0.0)) return RELATION_APART;
  TDataEdit pa, pb;
  pa.Init();
  pb.Init();
  LONG relation = RELATION_FAILED;
  if (a->PutDataPlane(&pa) && b->PutDataPlane(&pb)) relation = CheckInsideMetric(&pa, &pb, holes);
  pa.Free();
  pb.Free();
  return relation;
}

}  // namespace

MAPAPI LONG WINAPI mapCheckInsideObject(HOBJ first, HOBJ second) {
  return CheckInside(first, second, 0);
}

MAPAPI LONG WINAPI mapCheckInsideObjectEx(HOBJ first, HOBJ second) {
  return CheckInside(first, second, 1);
}

MAPAPI LONG WINAPI mapCheckInsidePoint(HOBJ info, LONG subject, DOUBLEPOINT* point) {
  TObjectInfo* o = TObjectInfo::FromOpenHandle(info);
  if (o == nullptr || point == nullptr || o->Metric.Record == nullptr || subject < 0 ||
      subject > o->Metric.Record->Count)
    return 0;
  DOUBLEPOINT p = *point;
  const TMap* map = o->GetMap();
  if (map != nullptr && !map->IsRealPlace()) {
    // The metric is kept in device units from the sheet's origin.
    if (!(map->Factor != 0.0)) return 0;
    p.X = (p.X - map->X0) / map->Factor - o->Origin.X;
    p.Y = (p.Y - map->Y0) / map->Factor - o->Origin.Y;
  }
  return o->Metric.Inside(&p, subject);
}

MAPAPI HANDLE WINAPI mapCreateObjectCutByLine(HOBJ line, HOBJ object, LONG mode,
                                              double precision) {
  TObjectInfo* l = TObjectInfo::FromOpenHandle(line);
  TObjectInfo* o = TObjectInfo::FromOpenHandle(object);
  if (l == nullptr || o == nullptr || l == o || (mode != 0 && mode != 1)) {
    Leave(o, MAPERR_INPUT);
    return nullptr;
  }
  precision = PairPrecision(l, o, precision);
  if (!l->IsCrossObjectFrame(o, precision)) {
    Leave(o, 0);
    return nullptr;
  }
  auto* h = NewHolder<TObjectCutByLine>(TAG_LINE);
  if (h == nullptr) {
    Leave(o, MAPERR_MEMORY);
    return nullptr;
  }
  // The worker cuts plane copies: the caller's line is never changed.
  if (!h->Worker.LoadObjects(l, o, mode, precision)) {
    Leave(o, Refusal(h->Worker.State));
    FreeHolder<TObjectCutByLine>(h, TAG_LINE);
    return nullptr;
  }
  Leave(o, 0);
  return h;
}

MAPAPI HOBJ WINAPI mapGetNextCut(HANDLE cut, HOBJ result) {
  auto* h = FromHandle<TObjectCutByLine>(cut, TAG_LINE);
  TObjectInfo* r = TObjectInfo::FromOpenHandle(result);
  if (h == nullptr || r == nullptr) {
    Leave(r, MAPERR_INPUT);
    return 0;
  }
  TDataEdit* piece = h->Worker.GetNextObject();
  return WriteResult(piece, h->Worker.State, r, result);
}

MAPAPI void WINAPI mapFreeObjectsCut(HANDLE cut) { FreeHolder<TObjectCutByLine>(cut, TAG_LINE); }

MAPAPI HANDLE WINAPI mapCreateObjectsConsent(HOBJ first, HOBJ second, LONG mode,
                                             double precision) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(first);
  TObjectInfo* b = TObjectInfo::FromOpenHandle(second);
  if (a == nullptr || b == nullptr || a == b || (mode != 0 && mode != 1)) return nullptr;
  precision = PairPrecision(a, b, precision);
  if (!a->IsCrossObjectFrame(b, precision)) return nullptr;
  auto* h = NewHolder<TObjectConsent>(TAG_CONSENT);
  if (h == nullptr) return nullptr;
  // The second object is the one whose parts are handed out; the worker
  // keeps plane copies of both. Its code says why a consent was refused.
  if (!h->Worker.LoadObjects(b, a, mode, 0, precision)) {
    Leave(b, Refusal(h->Worker.State));
    FreeHolder<TObjectConsent>(h, TAG_CONSENT);
    return nullptr;
  }
  Leave(b, 0);
  return h;
}

MAPAPI HOBJ WINAPI mapGetNextConsent(HANDLE consent, HOBJ result) {
  auto* h = FromHandle<TObjectConsent>(consent, TAG_CONSENT);
  TObjectInfo* r = TObjectInfo::FromOpenHandle(result);
  if (h == nullptr || r == nullptr) return 0;
  TDataEdit* piece = h->Worker.GetNextObject();
  return WriteResult(piece, h->Worker.State, r, result);
}

MAPAPI void WINAPI mapFreeObjectsConsent(HANDLE consent) {
  FreeHolder<TObjectConsent>(consent, TAG_CONSENT);
}

MAPAPI LONG WINAPI mapCheckOverlap(HOBJ area, HOBJ other, double precision) {
  TObjectInfo* a = TObjectInfo::FromOpenHandle(area);
  TObjectInfo* o = TObjectInfo::FromOpenHandle(other);
  if (a == nullptr || o == nullptr || a == o) return RELATION_FAILED;
  precision = PairPrecision(a, o, precision);
  if (!a->IsCrossObjectFrame(o, precision)) return RELATION_APART;
  TDataEdit pa, po;
  pa.Init();
  po.Init();
  LONG relation = RELATION_FAILED;
  if (a->PutDataPlane(&pa) && o->PutDataPlane(&po))
    relation = CheckOverlapMetric(&pa, &po, precision);
  pa.Free();
  po.Free();
  return relation;
}
