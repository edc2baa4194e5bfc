#include "raster/rmfstore.h"

#include <algorithm>
#include <climits>

#include "platform/memory.h"

namespace {

// Buffers are allocated in pieces of at least about the first many bytes
// (a single buffer when it is larger) and at most about the second.
constexpr int64_t kFirstPieceBytes = 1 << 16;
constexpr int64_t kPieceBytes = 4 << 20;

template <class T>
T* NewArray(int64_t count) {
  return static_cast<T*>(plat::AllocPages(SIZE_T(std::max<int64_t>(count, 1)) * sizeof(T)));
}

template <class T>
void FreeArray(T*& p) {
  if (p) plat::FreePages(p);
  p = nullptr;
}

}  // namespace

void TRmfBlockStore::Prepare(DWORD blockSize, int64_t limit, int64_t blocks) {
  Release();
  size_ = blockSize;
  const int64_t n = blockSize && limit > 0 ? limit / blockSize : 0;
  capacity_ = int(std::clamp<int64_t>(std::min(n, blocks), 0, INT_MAX / 4));
}

int TRmfBlockStore::Find(LONG number) const {
  if (!index_ || number < 0) return -1;
  for (int h = Home(number);; h = (h + 1) & Mask()) {
    const int e = index_[h];
    if (e < 0) return -1;
    if (entries_[e].number == number) return e;
  }
}

void TRmfBlockStore::Remove(int e) {
  Entry& x = entries_[e];
  (x.prev >= 0 ? entries_[x.prev].next : first_) = x.next;
  (x.next >= 0 ? entries_[x.next].prev : last_) = x.prev;
  // The index place is emptied and the places after it in its run moved
  // back where their homes allow, so that no lookup stops short of them.
  int hole = Home(x.number);
  while (index_[hole] != e) hole = (hole + 1) & Mask();
  for (int at = (hole + 1) & Mask(); index_[at] >= 0; at = (at + 1) & Mask()) {
    const int home = Home(entries_[index_[at]].number);
    // Movable when its home does not lie cyclically in (hole, at].
    const bool between = hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
    if (between) continue;
    index_[hole] = index_[at];
    hole = at;
  }
  index_[hole] = -1;
  x.number = -1;
  x.buffer = nullptr;
  x.prev = -1;
  x.next = freeEntry_;
  freeEntry_ = e;
  --count_;
}

bool TRmfBlockStore::Insert(LONG number, BYTE* buffer) {
  if (freeEntry_ < 0 || number < 0) return false;
  const int e = freeEntry_;
  Entry& x = entries_[e];
  freeEntry_ = x.next;
  x.number = number;
  x.buffer = buffer;
  x.prev = -1;
  x.next = first_;
  (first_ >= 0 ? entries_[first_].prev : last_) = e;
  first_ = e;
  int h = Home(number);
  while (index_[h] >= 0) h = (h + 1) & Mask();
  index_[h] = e;
  ++count_;
  return true;
}

bool TRmfBlockStore::Reserve(int buffers) {
  if (pieceCount_ == pieceRoom_) {
    const int room = std::max(4, 2 * pieceRoom_);
    BYTE** pieces = NewArray<BYTE*>(room);
    if (!pieces) return false;
    std::copy(pieces_, pieces_ + pieceCount_, pieces);
    FreeArray(pieces_);
    pieces_ = pieces;
    pieceRoom_ = room;
  }
  if (buffers <= reserved_) return true;
  // Room for at least twice as many as before, so that the copies below
  // cost a constant share of what is held; the index at most half full.
  const int room = int(std::min<int64_t>(capacity_, std::max<int64_t>(buffers, 2ll * reserved_)));
  int bits = 4;
  while ((1ll << bits) < 2ll * room) ++bits;
  Entry* entries = NewArray<Entry>(room);
  BYTE** spare = NewArray<BYTE*>(room);
  int* index = NewArray<int>(1ll << bits);
  if (!entries || !spare || !index) {
    FreeArray(entries);
    FreeArray(spare);
    FreeArray(index);
    return false;
  }
  std::copy(entries_, entries_ + reserved_, entries);
  std::copy(free_, free_ + freeCount_, spare);
  // The new entries go onto the free list, the index is made anew for the
  // entries held.
  for (int e = room - 1; e >= reserved_; --e) {
    entries[e] = Entry{-1, nullptr, -1, freeEntry_};
    freeEntry_ = e;
  }
  std::fill(index, index + (1ll << bits), -1);
  FreeArray(entries_);
  FreeArray(free_);
  FreeArray(index_);
  entries_ = entries;
  free_ = spare;
  index_ = index;
  shift_ = 32 - bits;
  reserved_ = room;
  for (int e = first_; e >= 0; e = entries_[e].next) {
    int h = Home(entries_[e].number);
    while (index_[h] >= 0) h = (h + 1) & Mask();
    index_[h] = e;
  }
  return true;
}

bool TRmfBlockStore::Grow() {
  if (owned_ >= capacity_) return false;
  // A piece as large as what the store owns already: its memory follows
  // what it holds.
  const int64_t least = std::max<int64_t>(1, kFirstPieceBytes / size_);
  const int64_t most = std::max<int64_t>(1, kPieceBytes / size_);
  const int n = int(std::min<int64_t>(std::clamp<int64_t>(owned_, least, most), capacity_ - owned_));
  // Each piece is filled by blocks decoded or read into it one after the
  // other.
  BYTE* piece = Reserve(owned_ + n) ? static_cast<BYTE*>(plat::AllocPagesReady(SIZE_T(n) * size_)) : nullptr;
  if (!piece) {
    capacity_ = owned_;  // not asked again for this file
    return false;
  }
  pieces_[pieceCount_++] = piece;
  for (int i = 0; i < n; ++i) free_[freeCount_++] = piece + SIZE_T(i) * size_;
  owned_ += n;
  return true;
}

BYTE* TRmfBlockStore::Spare() {
  if (freeCount_ == 0 && !Grow()) return nullptr;
  return free_[--freeCount_];
}

BYTE* TRmfBlockStore::Exchange(LONG put, BYTE* buffer, LONG want, bool* found) {
  *found = false;
  const int e = Find(want);
  if (e >= 0) {
    BYTE* held = entries_[e].buffer;
    Remove(e);
    *found = true;
    // The entry just freed takes the block put in.
    if (put < 0 || !Insert(put, buffer)) free_[freeCount_++] = buffer;
    return held;
  }
  if (put < 0 || capacity_ == 0) return buffer;
  BYTE* spare = Spare();
  if (!spare) {
    if (last_ < 0) return buffer;  // no memory for even one block
    spare = entries_[last_].buffer;
    Remove(last_);
  }
  Insert(put, buffer);
  return spare;
}

const BYTE* TRmfBlockStore::Use(LONG number) {
  const int e = Find(number);
  if (e < 0) return nullptr;
  Entry& x = entries_[e];
  if (e != first_) {
    entries_[x.prev].next = x.next;
    (x.next >= 0 ? entries_[x.next].prev : last_) = x.prev;
    x.prev = -1;
    x.next = first_;
    entries_[first_].prev = e;
    first_ = e;
  }
  return x.buffer;
}

void TRmfBlockStore::Drop(LONG number) {
  const int e = Find(number);
  if (e < 0) return;
  free_[freeCount_++] = entries_[e].buffer;
  Remove(e);
}

void TRmfBlockStore::Clear() {
  while (first_ >= 0) {
    free_[freeCount_++] = entries_[first_].buffer;
    Remove(first_);
  }
}

void TRmfBlockStore::Release() {
  for (int i = 0; i < pieceCount_; ++i) plat::FreePages(pieces_[i]);
  FreeArray(entries_);
  FreeArray(index_);
  FreeArray(free_);
  FreeArray(pieces_);
  pieceCount_ = pieceRoom_ = owned_ = reserved_ = freeCount_ = count_ = 0;
  freeEntry_ = first_ = last_ = -1;
  shift_ = 32;
}
