// Decoded blocks of a blocked file (raster/rmf.h) kept behind its cache
// slots, within a bound of memory.
//
// A slot whose block gives way to another hands the block's buffer to the
// store instead of dropping it, and a block asked for again comes back from
// the store by exchanging buffers with the slot: a block moves between slot
// and store without being copied, read or decoded again. Buffers go round:
// the store holds buffers that came from the slots and the slots hold
// buffers of the store, but the store never holds more buffers than it
// allocated itself, at most `limit` bytes of them and never more than the
// file has blocks; past that it gives up its least recently used block. It
// never holds a block that a slot holds. What it allocates follows what it
// holds: its buffers come in pieces (each with its pages in place, on large
// pages from 2 MB on where the system has them) as large as what it owns
// already, from 64 KB up to about 4 MB, and its bookkeeping grows with
// them. All its memory goes at once (Release), when
// the slots are emptied.
//
// The store knows nothing of the file: its owner puts in only blocks read
// while the file was known to be as it is, and empties it (Clear) whenever
// it no longer knows that.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

class TRmfBlockStore {
 public:
  TRmfBlockStore() = default;
  ~TRmfBlockStore() { Release(); }
  TRmfBlockStore(const TRmfBlockStore&) = delete;
  TRmfBlockStore& operator=(const TRmfBlockStore&) = delete;

  // Frees everything, then takes buffers of `blockSize` bytes for a file of
  // `blocks` blocks: at most `limit` bytes of them, and no more buffers
  // than the file has blocks (0: the store keeps nothing). Nothing is
  // allocated before a block is put in.
  void Prepare(DWORD blockSize, int64_t limit, int64_t blocks);
  // A slot's buffer exchanged: `buffer` holds block `put` as read (-1: a
  // block not to be kept). The result is block `want`'s buffer when the
  // store holds it (*found true; the block leaves the store), else a buffer
  // to read `want` into: a free one, a new one within the bound, the least
  // recently used block's, or `buffer` itself when nothing can be kept.
  BYTE* Exchange(LONG put, BYTE* buffer, LONG want, bool* found);
  bool Holds(LONG number) const { return Find(number) >= 0; }
  // Block `number`'s buffer, now the most recently used, when the store
  // holds it; else null. It stays the store's: valid until the next call.
  const BYTE* Use(LONG number);
  // Forgets one block, or every block; the buffers stay for later blocks.
  void Drop(LONG number);
  void Clear();
  // Frees the store's memory. The slots must hold none of its buffers.
  void Release();
  int Count() const { return count_; }
  // Buffers the bound and the file allow (0: the store keeps nothing).
  int Capacity() const { return capacity_; }
  // Bytes of the buffers the store allocated.
  int64_t Bytes() const { return int64_t(owned_) * size_; }

 private:
  struct Entry {
    LONG number;  // -1: a free entry
    BYTE* buffer;
    int prev, next;  // use order, the most recent first; -1 ends
  };
  int Find(LONG number) const;
  int Home(LONG number) const { return int(uint32_t(number) * 2654435761u >> shift_); }
  // The index's places less one: the next place after h is (h + 1) & Mask().
  int Mask() const { return int((1u << (32 - shift_)) - 1); }
  // Takes the entry out of the use order and the index, onto the free list.
  void Remove(int e);
  // An entry for block `number` holding `buffer`, the most recent; false
  // without room (a full index or no memory for it).
  bool Insert(LONG number, BYTE* buffer);
  // A buffer from the free ones or a new piece of memory; null past the
  // bound.
  BYTE* Spare();
  // A new piece of buffers; false past the bound or without memory (which
  // is then not asked for again).
  bool Grow();
  // Bookkeeping for `buffers` buffers and one more piece; false without
  // memory (what was kept stays).
  bool Reserve(int buffers);

  DWORD size_ = 0;         // bytes of a buffer
  int capacity_ = 0;       // buffers the bound allows
  int owned_ = 0;          // buffers allocated
  int reserved_ = 0;       // buffers the bookkeeping has room for
  Entry* entries_ = nullptr;  // reserved_ of them
  int* index_ = nullptr;      // open addressing: entry or -1, 1 << (32 - shift_) places
  int shift_ = 32;
  BYTE** free_ = nullptr;     // buffers held without a block, room for reserved_
  int freeCount_ = 0;
  int freeEntry_ = -1;        // free entries, chained through next
  int first_ = -1, last_ = -1;
  int count_ = 0;
  BYTE** pieces_ = nullptr;   // the allocated pieces
  int pieceCount_ = 0;
  int pieceRoom_ = 0;         // places in pieces_
};
