// The crossing finder the map objects of the layer below use
// (objects/crossfinder.h), registered when the library is loaded and taken
// back when it is unloaded.
#include <new>

#include "geometry/pointcross.h"
#include "objects/crossfinder.h"
#include "platform/memory.h"

namespace {

void* Create() {
  void* place = plat::AllocPages(sizeof(TPointCross));
  if (place == nullptr) return nullptr;
  return new (place) TPointCross();
}

int Load(void* worker, TObjectInfo* first, TObjectInfo* second, int s1, int s2) {
  auto* w = static_cast<TPointCross*>(worker);
  // Every pair is a search of its own: start values, beaks removed again.
  w->InitPointCross();
  w->FirstRun = 1;
  return w->LoadObjects(first, second, 0, s2, s1, 0.0);
}

int Insert(void* worker) { return static_cast<TPointCross*>(worker)->InsertPointCross(); }

int Error(void* worker) {
  const int state = static_cast<TPointCross*>(worker)->State;
  return state > 1 ? state : 0;
}

void Free(void* worker) {
  auto* w = static_cast<TPointCross*>(worker);
  w->~TPointCross();
  plat::FreePages(w);
}

const OBJECTCROSSFINDER kFinder = {Create, Load, Insert, Error, Free};

// Registers the finder for the life of the library.
struct Registration {
  Registration() { SetObjectCrossFinder(&kFinder); }
  ~Registration() {
    if (ObjectCrossFinder() == &kFinder) SetObjectCrossFinder(nullptr);
  }
};

const Registration kRegistration;

}  // namespace

