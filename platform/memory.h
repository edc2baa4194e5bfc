// The page allocator.
//
// Objects and large buffers of the library come from here and go back here.
// Memory comes zero-filled (the library relies on it) and is aligned to at
// least 64 bytes; large blocks are mapped from the system in whole pages.
// Allocations count towards the fault hooks of platform/fault.h.
#pragma once

#include "platform/system.h"

enum : DWORD {
  MEM_COMMIT = 0x1000,
  MEM_RESERVE = 0x2000,
  MEM_DECOMMIT = 0x4000,
  MEM_RELEASE = 0x8000,
};

enum : DWORD {
  PAGE_NOACCESS = 0x01,
  PAGE_READONLY = 0x02,
  PAGE_READWRITE = 0x04,
  PAGE_WRITECOPY = 0x08,
  PAGE_EXECUTE_READWRITE = 0x40,
};

namespace plat {

// Allocates `size` zero-filled bytes (address null; any of MEM_COMMIT and
// MEM_RESERVE). With the address of a block already allocated and
// MEM_COMMIT, returns that address (the whole block is always committed).
// Null with ERROR_NOT_ENOUGH_MEMORY on failure, ERROR_INVALID_PARAMETER for a
// size of 0 or an address that is not in a block.
void* VirtualAlloc(void* address, SIZE_T size, DWORD type, DWORD protect);

// MEM_RELEASE (size 0, the address a block began at): frees the block.
// MEM_DECOMMIT: zero-fills the given range of a block, which stays usable.
// FALSE with ERROR_INVALID_PARAMETER for anything else.
BOOL VirtualFree(void* address, SIZE_T size, DWORD type);

// Shorthands: a zero-filled block of `size` bytes, and its release.
inline void* AllocPages(SIZE_T size) {
  return VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}
inline BOOL FreePages(void* address) {
  return address ? VirtualFree(address, 0, MEM_RELEASE) : FALSE;
}

// AllocPages for memory that is written whole soon after: a large block
// comes with all its pages in place, which the system does at less cost in
// one go than at the first write of each page; from 2 MB on, on large
// pages where the system has them (fewer faults, clearings and releases).
void* AllocPagesReady(SIZE_T size);

// The size a block was allocated with; 0 for an address that does not
// begin a block.
SIZE_T PageBlockSize(const void* address);

}  // namespace plat
