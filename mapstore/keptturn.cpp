#include "mapstore/keptturn.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>

#include "platform/clock.h"
#include "platform/file.h"

namespace keptturn {

namespace {

enum : DWORD {
  KEEPER_PAUSE_MS = 5,  // the keeper looks this often while turns are kept
  // Turns kept at most at once: as many as the sheets a document keeps
  // open, so that a loader going over a thousand sheets at random keeps
  // every one it comes back to (a held turn costs the system a lock
  // record, and the keeper a look every few milliseconds).
  MAX_KEPT = 8192,
};

struct Entry {
  DWORD taken;   // when the lock was taken (the tick count)
  DWORD idle;    // when its last change ended
  DWORD gapEnd;  // not held: changes give their turns back until then
  bool held;     // the lock is held (kept, or in use)
  bool inUse;    // taken again by a change that has not ended
};

struct Registry {
  std::mutex lock;
  std::condition_variable wake;
  std::unordered_map<HANDLE, Entry> entries;  // by descriptor file
  std::atomic<int> count{0};  // entries.size(), read without the mutex
  std::thread keeper;
  bool running = true;  // the keeper gives back (tests hold it still)
  bool stopping = false;
  bool keeperIdle = false;  // the keeper waits to be woken (nothing kept)
};

Registry& Turns();

// The forking thread takes the mutex over the fork; the child holds none of
// the parent's kept turns (its descriptors share their locks with the
// parent's, so giving one back would end the parent's turn) and runs no
// keeper.
void BeforeFork() { Turns().lock.lock(); }
void AfterForkParent() { Turns().lock.unlock(); }
void AfterForkChild() {
  Registry& r = Turns();
  r.entries.clear();
  r.count = 0;
  r.keeperIdle = false;
  // The parent's keeper thread is not in this process: forgotten, not
  // joined; the mutex and the condition it waited on are made afresh (a
  // copy of a condition with a waiter that is gone would never signal).
  new (&r.keeper) std::thread();
  new (&r.wake) std::condition_variable();
  new (&r.lock) std::mutex();
}

Registry& Turns() {
  // Never destroyed: the keeper may still look while the process ends.
  static Registry* registry = [] {
    Registry* r = new Registry;
    plat::AtFork(BeforeFork, AfterForkParent, AfterForkChild);
    return r;
  }();
  return *registry;
}

bool Before(DWORD a, DWORD b) { return int32_t(a - b) < 0; }

Entry* Find(Registry& r, HANDLE hdr) {
  const auto it = r.entries.find(hdr);
  return it != r.entries.end() ? &it->second : nullptr;
}

void Erase(Registry& r, HANDLE hdr) {
  r.entries.erase(hdr);
  r.count = int(r.entries.size());
}

// Under the mutex: gives back the turns not in use that `idle` picks, and
// forgets the gaps that are over. The number given back.
template <class Pick>
int GiveBackPicked(Registry& r, DWORD now, Pick idle) {
  int given = 0;
  for (auto it = r.entries.begin(); it != r.entries.end();) {
    const Entry& e = it->second;
    if (e.held ? e.inUse || !idle(e) : Before(now, e.gapEnd)) {
      ++it;
      continue;
    }
    if (e.held) {
      plat::UnlockFile(it->first, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, TURN_LENGTH, 0);
      ++given;
    }
    it = r.entries.erase(it);
  }
  r.count = int(r.entries.size());
  return given;
}

int GiveBackIdle(Registry& r) {
  const DWORD now = plat::GetTickCount();
  return GiveBackPicked(r, now, [&](const Entry& e) { return !Before(now, e.idle + IDLE_MS); });
}

void KeeperLoop(Registry* r) {
  std::unique_lock<std::mutex> guard(r->lock);
  while (!r->stopping) {
    if (r->entries.empty() || !r->running) {
      r->keeperIdle = true;
      r->wake.wait(guard);
      r->keeperIdle = false;
      continue;
    }
    r->wake.wait_for(guard, std::chrono::milliseconds(KEEPER_PAUSE_MS));
    if (!r->stopping && r->running) GiveBackIdle(*r);
  }
}

// At the end of the process the keeper stops before what it uses goes.
void StopKeeper() {
  Registry& r = Turns();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    r.stopping = true;
  }
  r.wake.notify_all();
  if (r.keeper.joinable()) r.keeper.join();
}

// Under the mutex: the keeper runs. False when no thread can be had.
bool KeeperStarted(Registry& r) {
  if (r.keeper.joinable()) return true;
  if (r.stopping) return false;
  static bool stopRegistered = false;
  try {
    r.keeper = std::thread(KeeperLoop, &r);
  } catch (...) {
    return false;
  }
  if (!stopRegistered) stopRegistered = std::atexit(StopKeeper) == 0;
  return true;
}

}  // namespace

bool TakeKeptTurn(HANDLE hdr) {
  Registry& r = Turns();
  if (r.count.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> guard(r.lock);
  Entry* e = Find(r, hdr);
  if (e == nullptr || !e->held || e->inUse) return false;
  e->inUse = true;
  return true;
}

bool KeepTurn(HANDLE hdr, bool wanted) {
  Registry& r = Turns();
  if (!wanted && r.count.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> guard(r.lock);
  Entry* e = Find(r, hdr);
  if (!wanted) {
    if (e != nullptr) Erase(r, hdr);
    return false;
  }
  const DWORD now = plat::GetTickCount();
  if (e != nullptr && e->held) {
    // A run of changes in one turn: kept until its bound.
    e->inUse = false;
    if (Before(now, e->taken + KEEP_MS)) {
      e->idle = now;
      return true;
    }
    e->held = false;
    e->gapEnd = now + GAP_MS;
    return false;
  }
  if (e != nullptr && Before(now, e->gapEnd)) return false;
  if ((e == nullptr && r.entries.size() >= MAX_KEPT) || !KeeperStarted(r)) {
    if (e != nullptr) Erase(r, hdr);
    return false;
  }
  r.entries[hdr] = Entry{now, now, 0, true, false};
  r.count = int(r.entries.size());
  // Woken only from its wait for a first turn: no call while it looks.
  if (r.keeperIdle) r.wake.notify_all();
  return true;
}

void GiveBackTurn(HANDLE hdr) {
  Registry& r = Turns();
  if (hdr == nullptr || r.count.load(std::memory_order_relaxed) == 0) return;
  std::lock_guard<std::mutex> guard(r.lock);
  Entry* e = Find(r, hdr);
  if (e == nullptr || e->inUse) return;
  if (e->held) plat::UnlockFile(hdr, TURN_OFFSET_LOW, TURN_OFFSET_HIGH, TURN_LENGTH, 0);
  Erase(r, hdr);
}

int GiveBackKeptTurns() {
  Registry& r = Turns();
  if (r.count.load(std::memory_order_relaxed) == 0) return 0;
  std::lock_guard<std::mutex> guard(r.lock);
  return GiveBackPicked(r, plat::GetTickCount(), [](const Entry&) { return true; });
}

int GiveBackIdleTurns() {
  Registry& r = Turns();
  std::lock_guard<std::mutex> guard(r.lock);
  return GiveBackIdle(r);
}

int KeptTurns() {
  Registry& r = Turns();
  std::lock_guard<std::mutex> guard(r.lock);
  int kept = 0;
  for (const auto& [file, e] : r.entries) kept += e.held;
  return kept;
}

void SetTurnKeeper(bool running) {
  Registry& r = Turns();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    r.running = running;
  }
  r.wake.notify_all();
}

}  // namespace keptturn
