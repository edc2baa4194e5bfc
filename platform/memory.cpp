#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/fault.h"

#if defined(__SANITIZE_ADDRESS__)
#define MC_HEAP_WATCHED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MC_HEAP_WATCHED 1
#endif
#endif
#ifndef MC_HEAP_WATCHED
#define MC_HEAP_WATCHED 0
#endif
#if MC_HEAP_WATCHED
#include <sanitizer/asan_interface.h>
#endif

namespace plat {

namespace {

// Blocks of at least this size are mapped from the system, which hands out
// zero pages lazily; smaller ones come from the heap.
constexpr SIZE_T kMapThreshold = 1 << 20;
// Heap blocks of at least this size come from its zeroing allocation: the
// heap takes fresh pages from the system for them, which are zero already
// and stay untouched until used, and clears only memory it hands out again.
// Smaller ones are cleared here.
constexpr SIZE_T kZeroedThreshold = SIZE_T(128) << 10;
constexpr SIZE_T kAlign = 64;
constexpr SIZE_T kPage = 4096;
// A block made ready from this size on is laid on large pages where the
// system has them: one fault, one clearing and one release per 2 MB
// instead of per page.
constexpr SIZE_T kLargePage = SIZE_T(2) << 20;
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// `rounded` bytes (whole pages) mapped at an address that is a multiple
// of the large page, their pages in place; null when no memory can be had.
void* MapLarge(SIZE_T rounded) {
  const SIZE_T slack = kLargePage - kPage;
  char* raw = static_cast<char*>(
      mmap(nullptr, rounded + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t at = (reinterpret_cast<uintptr_t>(raw) + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
  char* block = reinterpret_cast<char*>(at);
  if (block > raw) munmap(raw, SIZE_T(block - raw));
  if (raw + rounded + slack > block + rounded) munmap(block + rounded, SIZE_T(raw + rounded + slack - (block + rounded)));
  // Both are hints: a system without large pages lays small ones, and one
  // that cannot put the pages in place now does it at their first touch.
  // A system too old to put them in place on request has them touched
  // here, page by page, as a populated mapping would.
  madvise(block, rounded, MADV_HUGEPAGE);
  if (madvise(block, rounded, MADV_POPULATE_WRITE) != 0)
    for (SIZE_T k = 0; k < rounded; k += kPage) block[k] = 0;
  return block;
}

// Marks the bytes before and after a block, which belong to its heap
// allocation, as not the program's, where the heap is watched.
void PoisonSlack(const void* before, SIZE_T beforeSize, const void* after, SIZE_T afterSize) {
#if MC_HEAP_WATCHED
  __asan_poison_memory_region(before, beforeSize);
  __asan_poison_memory_region(after, afterSize);
#else
  (void)before, (void)beforeSize, (void)after, (void)afterSize;
#endif
}

struct Block {
  SIZE_T size;
  bool mapped;
  uint8_t shift;  // of a zeroed heap block: bytes from what the heap gave
};

// Blocks by disguised address: the key is the address plus a constant that
// takes it out of the address space, so that the leak checker of the test
// build does not count this table as a reference and still reports blocks
// the library forgot to free. Order is kept, so a lookup by an inner address
// still finds its block.
constexpr uintptr_t kDisguise = uintptr_t(1) << 62;

struct Allocator {
  std::mutex lock;
  std::map<uintptr_t, Block> blocks;
};

uintptr_t Key(const void* p) { return reinterpret_cast<uintptr_t>(p) + kDisguise; }

Allocator& State() {
  static Allocator* state = new Allocator;  // outlives static destructors
  return *state;
}

// The block holding the address; blocks.end() when none.
std::map<uintptr_t, Block>::iterator Containing(Allocator& a, uintptr_t key) {
  auto it = a.blocks.upper_bound(key);
  if (it == a.blocks.begin()) return a.blocks.end();
  --it;
  if (key - it->first < it->second.size) return it;
  return a.blocks.end();
}

// A new zero-filled block; `ready`: a mapped block comes with its pages in
// place.
void* Allocate(SIZE_T size, bool ready) {
  if (fault::TakeAllocation() || size > (SIZE_T(1) << 46)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* p = nullptr;
  uint8_t shift = 0;
  bool mapped = size >= kMapThreshold;
  if (mapped && ready && size >= kLargePage) {
    p = MapLarge((size + kPage - 1) & ~(kPage - 1));
  } else if (mapped) {
    SIZE_T rounded = (size + kPage - 1) & ~(kPage - 1);
    p = mmap(nullptr, rounded, PROT_READ | PROT_WRITE,
             MAP_PRIVATE | MAP_ANONYMOUS | (ready ? MAP_POPULATE : 0), -1, 0);
    if (p == MAP_FAILED) p = nullptr;
  } else if (size >= kZeroedThreshold) {
    // The heap aligns to less than promised: the block begins at the first
    // aligned byte of a little more. The bytes either side stay unusable
    // where the test build watches the heap.
    if (char* raw = static_cast<char*>(std::calloc(1, size + kAlign - 1))) {
      shift = uint8_t((kAlign - reinterpret_cast<uintptr_t>(raw) % kAlign) % kAlign);
      p = raw + shift;
      PoisonSlack(raw, shift, raw + shift + size, kAlign - 1 - shift);
    }
  } else if (posix_memalign(&p, kAlign, size) == 0) {
    std::memset(p, 0, size);
  } else {
    p = nullptr;
  }
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Allocator& a = State();
  std::lock_guard<std::mutex> guard(a.lock);
  a.blocks[Key(p)] = Block{size, mapped, shift};
  return p;
}

}  // namespace

void* VirtualAlloc(void* address, SIZE_T size, DWORD type, DWORD /*protect*/) {
  if (size == 0 || !(type & (MEM_COMMIT | MEM_RESERVE))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Allocator& a = State();
  if (address) {
    std::lock_guard<std::mutex> guard(a.lock);
    auto it = Containing(a, Key(address));
    // The range must lie inside the block; compared without adding, so that
    // a huge size cannot wrap around and pass.
    if (it == a.blocks.end() || !(type & MEM_COMMIT) ||
        size > it->second.size - (Key(address) - it->first)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    return address;
  }
  return Allocate(size, false);
}

void* AllocPagesReady(SIZE_T size) {
  if (size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Allocate(size, true);
}

BOOL VirtualFree(void* address, SIZE_T size, DWORD type) {
  if (!address) return Fail(ERROR_INVALID_PARAMETER);
  Allocator& a = State();
  uintptr_t addr = Key(address);
  if (type == MEM_RELEASE) {
    Block b;
    {
      std::lock_guard<std::mutex> guard(a.lock);
      auto it = a.blocks.find(addr);
      if (it == a.blocks.end() || size != 0) return Fail(ERROR_INVALID_PARAMETER);
      b = it->second;
      a.blocks.erase(it);
    }
    if (b.mapped)
      munmap(address, (b.size + kPage - 1) & ~(kPage - 1));
    else
      std::free(static_cast<char*>(address) - b.shift);
    return TRUE;
  }
  if (type == MEM_DECOMMIT) {
    std::lock_guard<std::mutex> guard(a.lock);
    auto it = Containing(a, addr);
    if (it == a.blocks.end()) return Fail(ERROR_INVALID_PARAMETER);
    SIZE_T offset = addr - it->first;
    SIZE_T n = size == 0 ? it->second.size - offset : size;
    if (n > it->second.size - offset) return Fail(ERROR_INVALID_PARAMETER);
    std::memset(address, 0, n);
    return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

SIZE_T PageBlockSize(const void* address) {
  Allocator& a = State();
  std::lock_guard<std::mutex> guard(a.lock);
  auto it = a.blocks.find(Key(address));
  return it == a.blocks.end() ? 0 : it->second.size;
}

}  // namespace plat
