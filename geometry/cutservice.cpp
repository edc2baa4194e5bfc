// The cutting and uniting workers the map objects of the layer below use
// (objects/cutservice.h), registered when the library is loaded and taken
// back when it is unloaded.
#include "geometry/objectcut.h"
#include "geometry/objectunion.h"
#include "geometry/workhelpers.h"
#include "objects/cutservice.h"

namespace {

// The workers as the service hands them out.
template <class T>
void* Make() {
  return geomwork::NewWorker<T>();
}

template <class T>
void Release(void* worker) {
  geomwork::FreeWorker(static_cast<T*>(worker));
}

TObjectCut* Cutter(void* worker) { return static_cast<TObjectCut*>(worker); }

int IsCut(void* cutter, TDataEdit* area, TDataEdit* object, double precision) {
  TObjectCut* w = Cutter(cutter);
  w->InitObjectCut();
  return w->IsCutObject(area, object, precision);
}

int LoadCut(void* cutter, TDataEdit* area, TDataEdit* object, int mode, double precision) {
  TObjectCut* w = Cutter(cutter);
  w->InitObjectCut();
  return w->LoadObjects(area, object, mode, precision, 0);
}

TDataEdit* NextPiece(void* cutter) { return Cutter(cutter)->GetNextObject(); }

int CutState(void* cutter) { return Cutter(cutter)->State; }

int InsideSubject(TDataEdit* area, TDataEdit* metric, int subject) {
  return TObjectCut::InsideDimentionsSubject(area, metric, subject);
}

TDataEdit* Unite(void* uniter, TDataEdit* first, TDataEdit* second, int mode,
                 double precision) {
  auto* w = static_cast<TObjectUnion*>(uniter);
  if (!w->LoadObjects(first, second, mode, precision, precision)) return nullptr;
  return w->GetObjectA();
}

int UniteState(void* uniter) { return static_cast<TObjectUnion*>(uniter)->State; }

const OBJECTCUTSERVICE kService = {
    Make<TObjectCut>,  Release<TObjectCut>,   IsCut, LoadCut, NextPiece, CutState, InsideSubject,
    Make<TObjectUnion>, Release<TObjectUnion>, Unite, UniteState};

// Registers the service for the life of the library.
struct Registration {
  Registration() { SetObjectCutService(&kService); }
  ~Registration() {
    if (ObjectCutService() == &kService) SetObjectCutService(nullptr);
  }
};

const Registration kRegistration;

}  // namespace
