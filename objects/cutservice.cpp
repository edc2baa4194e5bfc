// The registration point of the cutting and uniting workers.
#include "objects/cutservice.h"

#include <atomic>

namespace {

std::atomic<const OBJECTCUTSERVICE*> gService{nullptr};

}  // namespace

const OBJECTCUTSERVICE* SetObjectCutService(const OBJECTCUTSERVICE* service) {
  return gService.exchange(service);
}

const OBJECTCUTSERVICE* ObjectCutService() { return gService.load(); }
