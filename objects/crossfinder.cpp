// The registration point of the crossing finder.
#include "objects/crossfinder.h"

#include <atomic>

namespace {

std::atomic<const OBJECTCROSSFINDER*> gFinder{nullptr};

}  // namespace

const OBJECTCROSSFINDER* SetObjectCrossFinder(const OBJECTCROSSFINDER* finder) {
  return gFinder.exchange(finder);
}

const OBJECTCROSSFINDER* ObjectCrossFinder() { return gFinder.load(); }
