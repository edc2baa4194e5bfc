#include "platform/fault.h"

#include <mutex>

namespace plat {
namespace fault {

namespace {

struct Trigger {
  int count = 0;   // events seen since the last Reset
  int target = 0;  // count at which the fault fires; 0: disarmed
  bool persist = false;

  bool Fires() {
    ++count;
    if (target <= 0) return false;
    return count == target || (persist && count > target);
  }
};

struct FaultState {
  std::mutex lock;
  Trigger alloc;
  Trigger write;
  WriteFault kind = WriteFault::Error;
  int shortBytes = -1;
};

FaultState& State() {
  static FaultState state;
  return state;
}

}  // namespace

void FailAllocation(int n, bool persist) {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.alloc.target = n > 0 ? s.alloc.count + n : 0;
  s.alloc.persist = persist;
}

void FailWrite(int n, WriteFault kind, bool persist, int bytes) {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.write.target = n > 0 ? s.write.count + n : 0;
  s.write.persist = persist;
  s.kind = kind;
  s.shortBytes = bytes;
}

void Reset() {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.alloc = Trigger();
  s.write = Trigger();
  s.kind = WriteFault::Error;
  s.shortBytes = -1;
}

int AllocationCount() {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.alloc.count;
}

int WriteCount() {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.write.count;
}

bool TakeAllocation() {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.alloc.Fires();
}

bool TakeWrite(DWORD size, WriteFault* kind, DWORD* bytes) {
  FaultState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.write.Fires()) return false;
  *kind = s.kind;
  DWORD n = s.shortBytes < 0 ? size / 2 : static_cast<DWORD>(s.shortBytes);
  // A short write is shorter than asked, whatever the test gave.
  if (size > 0 && n >= size) n = size - 1;
  *bytes = s.kind == WriteFault::Short ? n : 0;
  return true;
}

}  // namespace fault
}  // namespace plat
