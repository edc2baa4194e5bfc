#include "common/liveset.h"

#include <mutex>
#include <new>
#include <unordered_set>

namespace {

struct LiveSets {
  std::mutex lock;
  std::unordered_set<const void*> live[LIVE_KINDS];
};

// Made once and never destroyed: objects freed by static destructors
// still unregister safely.
LiveSets& Sets() {
  static LiveSets* sets = new LiveSets;
  return *sets;
}

bool ValidKind(int kind) { return kind >= 0 && kind < LIVE_KINDS; }

}  // namespace

int liveRegister(int kind, const void* address) {
  if (address == nullptr || !ValidKind(kind)) return 0;
  LiveSets& s = Sets();
  std::lock_guard<std::mutex> guard(s.lock);
  try {
    return s.live[kind].insert(address).second ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int liveUnregister(int kind, const void* address) {
  if (address == nullptr || !ValidKind(kind)) return 0;
  LiveSets& s = Sets();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.live[kind].erase(address) != 0 ? 1 : 0;
}

int liveIsRegistered(int kind, const void* address) {
  if (address == nullptr || !ValidKind(kind)) return 0;
  LiveSets& s = Sets();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.live[kind].count(address) != 0 ? 1 : 0;
}
