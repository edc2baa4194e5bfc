// Blocks of the semantics and graphics editing buffers: every own block of
// those buffers comes from the page allocator and goes back to it,
// zero-filled.
#pragma once

#include <cstddef>

#include "platform/memory.h"

inline char* RecordBlockAlloc(size_t size) { return static_cast<char*>(plat::AllocPages(size)); }

inline void RecordBlockFree(char* block) {
  if (block != nullptr) plat::FreePages(block);
}
