// The classifier's memory pool and its 32-bit references.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscdata.h"
#include "common/maperr.h"
#include "platform/memory.h"

namespace {

// Appends a block to the block list, growing the list as needed.
bool ListBlock(TRSCDATA* d, RSCPOOLHEAD* block) {
  if (d->PoolCount == d->PoolListSize) {
    DWORD size = d->PoolListSize ? d->PoolListSize * 2 : 16;
    auto* list = (RSCPOOLHEAD**)plat::AllocPages(sizeof(RSCPOOLHEAD*) * size);
    if (!list) return false;
    if (d->PoolList) {
      memcpy(list, d->PoolList, sizeof(RSCPOOLHEAD*) * d->PoolCount);
      plat::FreePages(d->PoolList);
    }
    d->PoolList = list;
    d->PoolListSize = size;
  }
  d->PoolList[d->PoolCount++] = block;
  return true;
}

// A new block of `size` bytes (head included) made current; null on
// failure (the reference space is full, or no memory).
RSCPOOLHEAD* NewBlock(TRSCDATA* d, uint64_t size) {
  DWORD base = d->PoolCount ? d->PoolNextRef : (d->ImageSize ? d->ImageSize : RSC_HEADSIZE);
  if (size < sizeof(RSCPOOLHEAD) || uint64_t(base) + size >= 0xFFFFFFF0ull) return nullptr;
  auto* block = (RSCPOOLHEAD*)plat::AllocPages(SIZE_T(size));
  if (!block) return nullptr;
  if (!ListBlock(d, block)) {
    plat::FreePages(block);
    return nullptr;
  }
  block->Ref = base;
  block->Size = DWORD(size);
  block->Used = sizeof(RSCPOOLHEAD);
  d->PoolNextRef = base + DWORD(size);
  d->PoolBlock = block;
  return block;
}

void FreeBlocks(TRSCDATA* d) {
  for (DWORD i = 0; i < d->PoolCount; i++) plat::FreePages(d->PoolList[i]);
  if (d->PoolList) plat::FreePages(d->PoolList);
  d->PoolList = nullptr;
  d->PoolCount = d->PoolListSize = 0;
  d->PoolBlock = nullptr;
  d->PoolNextRef = 0;
}

// The pool block holding a reference (binary search: blocks take rising
// ranges of references in list order).
const RSCPOOLHEAD* BlockOfRef(const TRSCDATA* d, DWORD ref) {
  DWORD lo = 0, hi = d->PoolCount;
  while (lo < hi) {
    DWORD mid = (lo + hi) / 2;
    const RSCPOOLHEAD* b = d->PoolList[mid];
    if (ref < b->Ref)
      hi = mid;
    else if (ref - b->Ref >= b->Size)
      lo = mid + 1;
    else
      return b;
  }
  return nullptr;
}

}  // namespace

BYTE* rscRefAddress(const TRSCDATA* d, DWORD ref) {
  if (!d || ref == 0) return nullptr;
  if (ref < d->ImageSize) return d->Image ? d->Image + ref : nullptr;
  const RSCPOOLHEAD* b = BlockOfRef(d, ref);
  return b ? (BYTE*)b + (ref - b->Ref) : nullptr;
}

DWORD rscAddressRef(const TRSCDATA* d, const void* address) {
  if (!d || !address) return 0;
  auto p = (const BYTE*)address;
  if (d->Image && p >= d->Image && p < d->Image + d->ImageSize) return DWORD(p - d->Image);
  // Recent blocks are the likely ones.
  for (DWORD i = d->PoolCount; i-- > 0;) {
    auto b = (const BYTE*)d->PoolList[i];
    if (p >= b && p < b + d->PoolList[i]->Size) return d->PoolList[i]->Ref + DWORD(p - b);
  }
  return 0;
}

bool rscRefExtent(const TRSCDATA* d, DWORD ref, uint64_t length) {
  if (!d || ref == 0) return false;
  if (ref < d->ImageSize) return uint64_t(ref) + length <= d->ImageSize;
  const RSCPOOLHEAD* b = BlockOfRef(d, ref);
  return b && uint64_t(ref - b->Ref) + length <= b->Size;
}

BYTE* rscTable(const TRSCDATA* d, int table) {
  if (!d || table < 0 || table >= RSC_TABLECOUNT) return nullptr;
  return rscRefAddress(d, d->Head.Tables[table].Offset);
}

void rscSetTable(TRSCDATA* d, int table, const void* address) {
  if (!d || table < 0 || table >= RSC_TABLECOUNT) return;
  d->Head.Tables[table].Offset = rscAddressRef(d, address);
}

LONG rscOpenMemory(TRSCDATA* d, LONG size) {
  if (!d || size < 1) return 0;
  FreeBlocks(d);
  d->PoolSize = DWORD(size);
  if (!NewBlock(d, uint64_t(size) + sizeof(RSCPOOLHEAD))) return 0;
  return size;
}

int rscCloseMemory(TRSCDATA* d) {
  if (!d) return 0;
  int had = d->PoolCount != 0;
  FreeBlocks(d);
  d->ObjSpare = d->SemSpare = d->SegSpare = d->ImlSpare = d->FontSpare = d->GrsSpare = 0;
  return had;
}

BYTE* rscGetMemoryBlock(TRSCDATA* d, LONG n, DWORD* ref) {
  if (ref) *ref = 0;
  if (!d) return nullptr;
  if (!rscIsOpen(d)) {
    d->ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  d->ErrorCode = 0;
  if (n < 0) return nullptr;
  if (!d->PoolBlock) {
    if (!rscOpenMemory(d, RSC_POOL_DEFAULT)) {
      d->ErrorCode = MAPERR_MEMORY;
      return nullptr;
    }
  }
  RSCPOOLHEAD* b = d->PoolBlock;
  if (uint64_t(b->Used) + uint64_t(n) > b->Size) {
    uint64_t size = (DWORD(n) > d->PoolSize ? DWORD(n) : d->PoolSize);
    b = NewBlock(d, size + sizeof(RSCPOOLHEAD));
    if (!b) return nullptr;
  }
  BYTE* p = (BYTE*)b + b->Used;
  if (ref) *ref = b->Ref + b->Used;
  b->Used += DWORD(n);
  memset(p, 0, SIZE_T(n));
  return p;
}

LONG TMapRsc::OpenMemory(LONG size) { return rscOpenMemory(this, size); }
int TMapRsc::CloseMemory() { return rscCloseMemory(this); }
char* TMapRsc::GetMemoryBlock(LONG n) { return (char*)rscGetMemoryBlock(this, n); }
