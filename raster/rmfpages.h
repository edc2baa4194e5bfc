// Page buffers of the blocked file object: grown only when too small,
// reused across files, released on Close with buffers freed.
#pragma once

#include <cstddef>

#include "platform/memory.h"

namespace rmfpages {

// Makes `p` a page block of at least `size` bytes (keeping it when it is
// large enough; its content is then the caller's to clear). False when the
// memory cannot be had; `p` is then unchanged.
template <class T>
bool Grow(T*& p, size_t size) {
  if (size == 0) size = 1;
  if (p && plat::PageBlockSize(p) >= size) return true;
  void* block = plat::AllocPages(size);
  if (!block) return false;
  if (p) plat::FreePages(p);
  p = static_cast<T*>(block);
  return true;
}

template <class T>
void Release(T*& p) {
  if (p) plat::FreePages(p);
  p = nullptr;
}

}  // namespace rmfpages
