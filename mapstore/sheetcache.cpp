#include "mapstore/sheetcache.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "mapstore/sheetfile.h"
#include "platform/memory.h"

namespace {

template <typename T>
T Load(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof(value));
  return value;
}

// The length of the metric record whose head is at `head`; false for a
// head that is not a metric record's or a length outside the limits.
bool MetricHead(const char* head, DWORD* length) {
  *length = Load<DWORD>(head + 4);
  return IsMetricMarker(Load<DWORD>(head)) && *length >= DWORD(DATA_MIN_LENGTH) &&
         *length <= DWORD(DATA_MAX_LENGTH);
}

void EmptyWindow(SHEETWINDOW& w) {
  w.First = 1;
  w.Last = 0;
}

void LayOut(SHEETWINDOW* windows, int tableSize, char* block, int count, int64_t windowSize) {
  for (int i = 0; i < tableSize; ++i) {
    windows[i].Data = i < count && block != nullptr ? block + i * windowSize : nullptr;
    EmptyWindow(windows[i]);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TSheetWindows

template <int N, int W, int E>
void TSheetWindows<N, W, E>::Init() {
  block_ = nullptr;
  file_ = nullptr;
  count_ = 0;
  size_ = 0;
  windowSize_ = WINDOW_SIZE;
  fileEnd_ = 0;
  lastFirst_ = lastEnd_ = 0;
  pieceWindow_ = -1;
  ahead_ = 0;
  pieces_ = false;
  LayOut(windows_, MAX_WINDOWS, nullptr, 0, 0);
  used_ = 0;
  index_ = E;
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::Reset() {
  // Windows from used_ on are empty already: a writer empties the cache at
  // every object, mostly while nothing was read into it.
  for (int i = 0; i < used_ && i < N; ++i) EmptyWindow(windows_[i]);
  used_ = 0;
  index_ = E;
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::Free() {
  view_.Close();
  plat::FreePages(block_);
  block_ = nullptr;
  file_ = nullptr;
  count_ = 0;
  size_ = 0;
  LayOut(windows_, MAX_WINDOWS, nullptr, 0, 0);
  Reset();
  std::vector<char>().swap(packed_);
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::Swap(TSheetWindows& other) noexcept {
  // A window's data address lies in its block, which moves with it.
  std::swap(block_, other.block_);
  std::swap(file_, other.file_);
  std::swap(index_, other.index_);
  std::swap(size_, other.size_);
  std::swap(windowSize_, other.windowSize_);
  std::swap(fileEnd_, other.fileEnd_);
  std::swap(lastFirst_, other.lastFirst_);
  std::swap(lastEnd_, other.lastEnd_);
  std::swap(pieceWindow_, other.pieceWindow_);
  std::swap(ahead_, other.ahead_);
  std::swap(used_, other.used_);
  std::swap(pieces_, other.pieces_);
  packed_.swap(other.packed_);
  view_.Swap(other.view_);
  // The windows past both counts are empty alike: only those in use move.
  const int used = count_ > other.count_ ? count_ : other.count_;
  std::swap_ranges(windows_, windows_ + used, other.windows_);
  std::swap(count_, other.count_);
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::PrefetchFields() const {
  PrefetchLines(this, windows_);
  PrefetchLines(&packed_, &packed_ + 1);
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::PrefetchWindows() const {
  PrefetchLines(windows_, windows_ + std::clamp(count_, 0, N));
}

template <int N, int W, int E>
int64_t TSheetWindows<N, W, E>::HeldBytes(const SHEETWINDOW& w) {
  if (w.First > w.Last) return 0;
  if constexpr (E < 0) {
    return (w.Last - w.First + 1) * SHEET_RECORD_SIZE;  // descriptor numbers, inclusive
  } else if constexpr (N == 64) {
    return w.Last - w.First;  // offsets, the last one just past the bytes held
  } else {
    return w.Last - w.First + 1;  // offsets, inclusive
  }
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::Park(TSheetWindows& to) {
  if (block_ == nullptr || !pieces_) return;
  const int used = std::min(used_, count_);
  int64_t held = 0;
  for (int i = 0; i < used; ++i) held += HeldBytes(windows_[i]);
  if (held * 2 > size_) return;
  try {
    // Memory kept from an earlier time that is much more than this is let
    // go first.
    if (packed_.capacity() > size_t(held) * 2 + 0x1000) std::vector<char>().swap(packed_);
    packed_.resize(size_t(held));
  } catch (const std::bad_alloc&) {
    return;
  }
  size_t at = 0;
  for (int i = 0; i < count_; ++i) {
    SHEETWINDOW& w = windows_[i];
    const int64_t bytes = i < used ? HeldBytes(w) : 0;
    if (bytes <= 0) {
      EmptyWindow(w);
      w.Data = nullptr;
      continue;
    }
    std::memcpy(packed_.data() + at, w.Data, size_t(bytes));
    w.Data = packed_.data() + at;
    at += size_t(bytes);
  }
  // The layout (count_, windowSize_) stays for Unpark.
  char* block = block_;
  block_ = nullptr;
  const int64_t size = size_;
  size_ = 0;
  if (to.block_ != nullptr) {
    plat::FreePages(block);
    return;
  }
  // The windows past both layouts are empty and over no block already.
  const int laid = std::max(to.count_, count_);
  to.block_ = block;
  to.size_ = size;
  to.count_ = count_;
  to.windowSize_ = windowSize_;
  LayOut(to.windows_, laid, block, count_, windowSize_);
  to.used_ = 0;
  to.index_ = E;
  to.pieceWindow_ = -1;
}

template <int N, int W, int E>
int TSheetWindows<N, W, E>::Unpark(TSheetWindows& from) {
  if (block_ != nullptr) return 1;  // parked with its block
  char* block = from.block_;
  int64_t size = from.size_;
  int count = from.count_, windowSize = from.windowSize_;
  if (block != nullptr) {
    // Only the windows of its layout are laid over no block: those past it
    // are so already.
    LayOut(from.windows_, from.count_, nullptr, 0, 0);
    from.block_ = nullptr;
    from.size_ = 0;
    from.count_ = 0;
    from.used_ = 0;
    from.index_ = E;
    from.pieceWindow_ = -1;
  } else if (count_ > 0) {
    size = int64_t(count_) * windowSize_;
    count = count_;
    windowSize = windowSize_;
    block = static_cast<char*>(plat::AllocPages(static_cast<SIZE_T>(size)));
  }
  if (block == nullptr) {
    const bool laidOut = count_ > 0;
    DropPacked();
    return laidOut ? 0 : 1;
  }
  // Each window's bytes go back to its place in the block; a window the
  // block has no place for is emptied (read again when asked for). The
  // windows past both layouts are empty and over no block already.
  const int laid = std::max(count_, count);
  for (int i = 0; i < laid; ++i) {
    SHEETWINDOW& w = windows_[i];
    const int64_t bytes = HeldBytes(w);
    char* place = i < count ? block + int64_t(i) * windowSize : nullptr;
    if (bytes > 0 && place != nullptr && bytes <= windowSize && w.Data != nullptr)
      std::memcpy(place, w.Data, size_t(bytes));
    else
      EmptyWindow(w);
    w.Data = place;
  }
  block_ = block;
  size_ = size;
  count_ = count;
  windowSize_ = windowSize;
  if (used_ > count_) used_ = count_;
  if (index_ >= count_) index_ = E;
  if (packed_.capacity() > 0x10000) std::vector<char>().swap(packed_);
  return 1;
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::DropPacked() {
  LayOut(windows_, MAX_WINDOWS, nullptr, 0, 0);
  for (SHEETWINDOW& w : windows_) EmptyWindow(w);
  count_ = 0;
  used_ = 0;
  index_ = E;
  pieceWindow_ = -1;
  std::vector<char>().swap(packed_);
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::ReleasePacked() {
  if (block_ == nullptr)
    DropPacked();
  else
    std::vector<char>().swap(packed_);
}

template <int N, int W, int E>
int TSheetWindows<N, W, E>::AllocateBlock(int64_t windows, int64_t windowSize) {
  if (block_ != nullptr && size_ < windows * windowSize) {
    plat::FreePages(block_);
    block_ = nullptr;
    size_ = 0;
    count_ = 0;
    LayOut(windows_, MAX_WINDOWS, nullptr, 0, 0);
    used_ = 0;
  }
  if (block_ == nullptr) {
    if (TakeBlock(static_cast<int>(windows), windowSize)) return 1;
    index_ = E;
    return 0;
  }
  Reset();
  return 1;
}

template <int N, int W, int E>
int TSheetWindows<N, W, E>::TakeBlock(int windows, int64_t windowSize) {
  const int64_t need = int64_t(windows) * windowSize;
  char* block = static_cast<char*>(plat::AllocPages(static_cast<SIZE_T>(need)));
  if (block == nullptr) return 0;
  plat::FreePages(block_);
  block_ = block;
  size_ = need;
  count_ = windows;
  windowSize_ = static_cast<int>(windowSize);
  LayOut(windows_, MAX_WINDOWS, block_, count_, windowSize_);
  used_ = 0;
  index_ = E;
  return 1;
}

template <int N, int W, int E>
void TSheetWindows<N, W, E>::NoteRead(int64_t from, int64_t size, int64_t got) {
  if (got < 0) return;
  lastFirst_ = from;
  lastEnd_ = from + size;
  // A read that came back whole says the file goes on past it.
  const int64_t end = from + got + (got == size ? 1 : 0);
  if (end > fileEnd_) fileEnd_ = end;
}

template <int N, int W, int E>
int64_t TSheetWindows<N, W, E>::ReadBytes(int64_t from, void* buffer, int64_t size) {
  if (file_ == nullptr) return -1;
  return view_.Read(file_, from, buffer, size);
}

template <int N, int W, int E>
int64_t TSheetWindows<N, W, E>::ReadAhead(int64_t from, int64_t least, bool* backward) {
  // Within this gap past the last read's end (or before its start) a read
  // still goes on in order: the records skipped are few enough that
  // reading them costs less than a read of its own would.
  constexpr int64_t kGap = 1024;
  const bool down = backward != nullptr && ahead_ > 0 && from < lastFirst_ &&
                    from + kGap >= lastFirst_;
  const bool on = down || (ahead_ > 0 && from >= lastFirst_ && from <= lastEnd_ + kGap);
  if (backward != nullptr) *backward = down;
  ahead_ = std::max(least, on ? std::min<int64_t>(2 * ahead_, windowSize_) : least);
  return ahead_;
}

template <int N, int W, int E>
int TSheetWindows<N, W, E>::PieceWindow(int other) {
  if (pieceWindow_ < 0 || pieceWindow_ >= count_) pieceWindow_ = other;
  return pieceWindow_;
}

template <int N, int W, int E>
int TSheetWindows<N, W, E>::FreeWindow() const {
  for (int i = 0; i < used_ && i < count_; ++i)
    if (windows_[i].First > windows_[i].Last) return i;
  return used_ < count_ ? used_ : -1;
}

template class TSheetWindows<32, 0x18000, -1>;
template class TSheetWindows<64, 0x40000, 0>;
template class TSheetWindows<8, 0x10000, 0>;

// ---------------------------------------------------------------------------
// THeadBuffer

int THeadBuffer::Allocate(int64_t hint) {
  if (hint > fileEnd_) fileEnd_ = hint;
  if (hint < 1)
    hint = 0x48000;
  else if (hint < 6144)
    hint = 6144;
  int64_t windows = (hint + WINDOW_SIZE - 1) / WINDOW_SIZE;
  int64_t windowSize = WINDOW_SIZE;
  if (windows < 3) {
    windows = MIN_WINDOWS;
  } else if (windows > MAX_WINDOWS) {
    windows = MAX_WINDOWS;
    // The whole file over 32 windows, a whole number of descriptors each.
    if (hint < 0x800000) windowSize = (hint / MAX_WINDOWS + 47) / 48 * 48;
  }
  return AllocateBlock(windows, windowSize);
}

const char* THeadBuffer::HeldRecord(LONG n) const {
  for (int i = 0, used = std::min(used_, count_); i < used; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First <= n && n <= w.Last) return w.Data + (n - w.First) * SHEET_RECORD_SIZE;
  }
  return nullptr;
}

char* THeadBuffer::RecordAddr(LONG n) { return RecordAddr(n, PIECE_RECORDS); }

char* THeadBuffer::RecordAddr(LONG n, LONG least) {
  const int used = std::min(used_, count_);
  // The window used last first: reads in order stay in it.
  if (index_ >= 0 && index_ < used) {
    const SHEETWINDOW& w = windows_[index_];
    if (w.First <= n && n <= w.Last) return w.Data + (n - w.First) * SHEET_RECORD_SIZE;
  }
  // One look through the windows finds the one holding n, or else what a
  // read of n must know: the first empty window, and the nearest ranges
  // held below and above n (the window of the last piece, which the read
  // may take, apart), which the read must not reach into. Read in a
  // scattered order, most reads miss: one pass instead of three.
  const int pieceWindow = pieceWindow_ >= 0 && pieceWindow_ < count_ ? pieceWindow_ : -1;
  int empty = -1;
  int64_t below = -1, above = INT64_MAX;
  for (int i = 0; i < used; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First > w.Last) {
      if (empty < 0) empty = i;
      continue;
    }
    if (w.Last < n) {
      if (i != pieceWindow && w.Last > below) below = w.Last;
    } else if (w.First > n) {
      if (i != pieceWindow && w.First < above) above = w.First;
    } else {
      index_ = i;
      return w.Data + (n - w.First) * SHEET_RECORD_SIZE;
    }
  }
  if (block_ == nullptr || file_ == nullptr || n < 0 || count_ <= 0) return nullptr;
  if (empty < 0 && used < count_) empty = used;

  int64_t perWindow = windowSize_ / SHEET_RECORD_SIZE;
  // A file larger than the windows read out of order (by number, in a
  // scattered order) is read by pieces of a few descriptors; read in order,
  // the pieces grow to whole windows.
  int64_t asked = perWindow;
  bool backward = false;
  if (!FileFits() && perWindow > PIECE_RECORDS) {
    const int64_t bytes = int64_t(std::max<LONG>(least, PIECE_RECORDS)) * SHEET_RECORD_SIZE;
    asked = std::min<int64_t>(
        perWindow,
        ReadAhead(int64_t(n) * SHEET_RECORD_SIZE, bytes, &backward) / SHEET_RECORD_SIZE);
  }
  const bool piece = asked < perWindow;
  // A whole window goes to an empty one first. Otherwise the lower half of
  // the table is overwritten only when it is the window after the last one
  // used, so the first blocks read stay; a piece goes to the window of the
  // last piece.
  int next = index_ + 1;
  if (next >= count_) next = count_ / 2;
  if (piece) {
    index_ = PieceWindow(empty >= 0 ? empty : next);
    perWindow = asked;
  } else {
    index_ = empty >= 0 ? empty : next;
  }
  // Scattered reads of a file larger than the windows (not of a small one
  // read by pieces because the sheets take turns with the cache).
  scattered_ = asked == PIECE_RECORDS && fileEnd_ > int64_t(count_) * windowSize_;
  // Read backwards, a piece ends at the descriptor.
  int64_t base =
      piece && backward ? std::max<int64_t>(0, n - perWindow + 1) : (n / perWindow) * perWindow;
  int64_t end = base + perWindow;
  SHEETWINDOW& w = windows_[index_];
  // No descriptor lies in two windows (a piece read backwards, or a window
  // over a piece, would reach into another): a descriptor written through
  // the cache (UpdateRecord, or in place at its address) is then the one
  // every later read finds. The pass above measured the ranges of every
  // window but the last piece's; the window read into is emptied first.
  const bool measured = index_ == pieceWindow || w.First > w.Last;
  EmptyWindow(w);
  if (measured) {
    if (pieceWindow >= 0 && index_ != pieceWindow) {
      const SHEETWINDOW& p = windows_[pieceWindow];
      if (p.First <= p.Last && p.Last < n) below = std::max(below, p.Last);
      if (p.First <= p.Last && p.First > n) above = std::min(above, p.First);
    }
    if (below >= base) base = below + 1;
    if (above < end) end = above;
  } else {
    for (int i = 0; i < used_ && i < count_; ++i) {
      const SHEETWINDOW& o = windows_[i];
      if (o.First > o.Last) continue;
      if (o.Last < n && o.Last >= base) base = o.Last + 1;
      if (o.First > n && o.First < end) end = o.First;
    }
  }
  const int64_t size = (end - base) * SHEET_RECORD_SIZE;
  const int64_t got = ReadBytes(base * SHEET_RECORD_SIZE, w.Data, size);
  NoteRead(base * SHEET_RECORD_SIZE, size, got);
  if (got < 0) return nullptr;
  const int64_t records = got / SHEET_RECORD_SIZE;
  if (records == 0) return nullptr;
  w.First = base;
  w.Last = base + records - 1;
  Held(index_);
  if (n > w.Last) return nullptr;
  return w.Data + (n - base) * SHEET_RECORD_SIZE;
}

// The hints: a table of slots (a power of two) in one piece of page
// memory behind this head. Descriptor n goes to one of PROBE slots from n
// modulo the table's size, and a hint that finds them taken replaces the
// first. The table doubles while half its slots are taken and two
// descriptors noted may share a first slot (the highest number noted is
// past its size), up to SLOTS_MAX.
struct THeadBuffer::HINTTABLE {
  enum : int {
    LIMIT = HINT_LIMIT,
    SLOTS_FIRST = HINT_SLOTS_FIRST,
    SLOTS_MAX = 1 << 22,  // 48 MB of hints at most
    PROBE = 8,            // slots a descriptor may take
  };
  // A hint: the descriptor's number (0: the slot is free) and where its
  // records were.
  struct SLOT {
    LONG Number;
    DWORD Data;
    DWORD Semn;
  };
  static_assert(sizeof(SLOT) == 12);

  int Slots;   // a power of two
  int Taken;   // slots holding a hint
  DWORD Top;   // the highest number noted

  SLOT* First() { return reinterpret_cast<SLOT*>(this + 1); }
  const SLOT* First() const { return reinterpret_cast<const SLOT*>(this + 1); }
  size_t Bytes() const { return sizeof(HINTTABLE) + size_t(Slots) * sizeof(SLOT); }

  // A table of `slots` free slots; null without memory.
  static HINTTABLE* Make(int slots) {
    void* block = plat::AllocPages(SIZE_T(sizeof(HINTTABLE) + size_t(slots) * sizeof(SLOT)));
    if (block == nullptr) return nullptr;
    return new (block) HINTTABLE{slots, 0, 0};
  }
  static void Release(HINTTABLE* table) {
    if (table != nullptr) plat::FreePages(table);
  }

  // The slot holding descriptor n's hint; null when none does.
  const SLOT* Find(LONG n) const {
    const int mask = Slots - 1;
    for (int k = 0; k < PROBE; ++k) {
      const SLOT& s = First()[(n + k) & mask];
      if (s.Number == n) return &s;
    }
    return nullptr;
  }

  void Put(LONG n, DWORD data, DWORD semn) {
    const int mask = Slots - 1;
    SLOT* slot = nullptr;
    for (int k = 0; k < PROBE; ++k) {
      SLOT& s = First()[(n + k) & mask];
      if (s.Number == n) {
        slot = &s;
        break;
      }
      if (s.Number == 0 && slot == nullptr) slot = &s;
    }
    if (slot == nullptr) {
      slot = &First()[n & mask];  // all taken: the first gives way
    } else if (slot->Number == 0) {
      ++Taken;
    }
    *slot = SLOT{n, data, semn};
  }

  // The table doubled, its hints laid out again; null without memory (the
  // table stays as it is).
  HINTTABLE* Grown() const {
    HINTTABLE* grown = Make(Slots * 2);
    if (grown == nullptr) return nullptr;
    grown->Top = Top;
    for (int i = 0; i < Slots; ++i) {
      const SLOT& s = First()[i];
      if (s.Number != 0) grown->Put(s.Number, s.Data, s.Semn);
    }
    return grown;
  }
};

uint64_t THeadBuffer::Hint(LONG n) const {
  if (n <= 0 || n >= HINTTABLE::LIMIT || hints_ == nullptr) return 0;
  const HINTTABLE::SLOT* s = hints_->Find(n);
  return s != nullptr ? (uint64_t(s->Data) << 32) | s->Semn : 0;
}

size_t THeadBuffer::HintBytes() const { return hints_ == nullptr ? 0 : hints_->Bytes(); }

bool THeadBuffer::Scattered() const { return scattered_; }

void THeadBuffer::SetFile(HANDLE file) {
  FreeHints();
  THeadWindows::SetFile(file);
}

void THeadBuffer::Free() {
  FreeHints();
  THeadWindows::Free();
}

THeadBuffer::~THeadBuffer() { FreeHints(); }

void THeadBuffer::Swap(THeadBuffer& other) noexcept {
  THeadWindows::Swap(other);
  std::swap(hints_, other.hints_);
  std::swap(scattered_, other.scattered_);
}

void THeadBuffer::NoteHint(LONG n, DWORD data, DWORD semn) {
  if (n <= 0 || n >= HINTTABLE::LIMIT) return;
  // Without memory for the table the hint is not kept; without memory to
  // grow it, the table stays as it is.
  if (hints_ == nullptr) {
    hints_ = HINTTABLE::Make(HINTTABLE::SLOTS_FIRST);
    if (hints_ == nullptr) return;
  }
  // At most half the slots taken, so that a descriptor seldom finds its
  // slots taken; no more slots than the numbers noted need.
  if (DWORD(n) > hints_->Top) hints_->Top = DWORD(n);
  const int slots = hints_->Slots;
  if (hints_->Taken >= slots / 2 && DWORD(slots) <= hints_->Top &&
      slots < HINTTABLE::SLOTS_MAX) {
    if (HINTTABLE* grown = hints_->Grown()) {
      HINTTABLE::Release(hints_);
      hints_ = grown;
    }
  }
  hints_->Put(n, data, semn);
}

void THeadBuffer::FreeHints() {
  HINTTABLE::Release(hints_);
  hints_ = nullptr;
  scattered_ = false;
}

void THeadBuffer::UpdateRecord(LONG n, const void* desc) {
  if (desc == nullptr) return;
  for (int i = 0; i < count_; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First <= n && n <= w.Last) {
      std::memcpy(w.Data + (n - w.First) * SHEET_RECORD_SIZE, desc, SHEET_RECORD_SIZE);
      return;
    }
  }
}

void THeadBuffer::ForgetFrom(LONG n) {
  for (int i = 0; i < count_; ++i) {
    SHEETWINDOW& w = windows_[i];
    if (w.Last < n) continue;
    if (w.First >= n)
      EmptyWindow(w);
    else
      w.Last = n - 1;
  }
}

// ---------------------------------------------------------------------------
// TDataBuffer

int TDataBuffer::Allocate(int64_t hint) {
  if (hint > fileEnd_) fileEnd_ = hint;
  if (hint <= 0) hint = WINDOW_SIZE;
  int64_t windows = (hint + WINDOW_SIZE - 1) / WINDOW_SIZE;
  if (windows < 1) windows = 1;
  if (windows > MAX_WINDOWS) windows = MAX_WINDOWS;
  return AllocateBlock(windows, WINDOW_SIZE);
}

int64_t TDataBuffer::ReadWindow(int i, int64_t from, int64_t size) {
  SHEETWINDOW& w = windows_[i];
  EmptyWindow(w);
  const int64_t got = ReadBytes(from, w.Data, size);
  NoteRead(from, size, got);
  if (got > 0) {
    w.First = from;
    w.Last = from + got;
    Held(i);
  }
  return got;
}

int64_t TDataBuffer::ExtendWindow(int i, int64_t size) {
  SHEETWINDOW& w = windows_[i];
  const int64_t held = w.Last - w.First;
  const int64_t got = ReadBytes(w.Last, w.Data + held, size - held);
  NoteRead(w.First, size, got < 0 ? got : held + got);
  if (got < 0) {
    EmptyWindow(w);
    return -1;
  }
  w.Last += got;
  return held + got;
}

bool TDataBuffer::FillFollowing(int from, int64_t end) {
  // Only a full window continues without a gap into the next one.
  if (windows_[from].Last - windows_[from].First != WINDOW_SIZE) return false;
  int64_t pos = windows_[from].Last;
  for (int j = from + 1; pos < end; ++j) {
    if (j >= count_) return false;
    const SHEETWINDOW& w = windows_[j];
    if (w.First == pos && (w.Last - w.First == WINDOW_SIZE || w.Last >= end)) {
      pos = w.Last;
    } else {
      const int64_t got = ReadWindow(j, pos, WINDOW_SIZE);
      if (got < 0) return false;
      if (got < WINDOW_SIZE && pos + got < end) return false;
      pos += got;
    }
    index_ = j;
  }
  return true;
}

char* TDataBuffer::LookAtRecord(DWORD offset, char* scratch, int64_t capacity) {
  if (!pieces_ || offset == 0 || file_ == nullptr || capacity < DAT_HEAD_SIZE) return nullptr;
  const int64_t off = offset;
  DWORD length, again;
  for (int i = 0; i < used_ && i < count_; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First <= off && off + DAT_HEAD_SIZE <= w.Last) {
      char* at = w.Data + (off - w.First);
      if (MetricHead(at, &length) && off + length <= w.Last) return at;
      break;  // a part of it: the view gives it whole
    }
  }
  // The head, then the record of the length it gives; a record whose head
  // changed between the two (another writer at work) is left to the read.
  if (!view_.ReadHeld(file_, off, scratch, DAT_HEAD_SIZE) || !MetricHead(scratch, &length) ||
      int64_t(length) > capacity || !view_.ReadHeld(file_, off, scratch, length) ||
      !MetricHead(scratch, &again) || again != length)
    return nullptr;
  return scratch;
}

char* TDataBuffer::RecordAddr(DWORD offset) {
  if (offset == 0) return nullptr;
  const int64_t off = offset;

  // A window holding the record's head.
  int refresh = -1;
  for (int i = 0; i < used_ && i < count_; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First <= off && off + DAT_HEAD_SIZE <= w.Last) {
      DWORD length;
      if (!MetricHead(w.Data + (off - w.First), &length)) return nullptr;
      if (off + length <= w.Last) {
        index_ = i + 1;
        return w.Data + (off - w.First);
      }
      // A window shorter than a whole one (a piece, or one cut by the
      // file's end, which may be older than the file) is read again.
      // Otherwise the record runs on: read the rest into the following
      // windows when the block has room for it after this one.
      if (w.Last - w.First < WINDOW_SIZE) {
        refresh = i;
        break;
      }
      char* addr = w.Data + (off - w.First);
      if (addr + length <= block_ + size_) {
        if (!FillFollowing(i, off + length)) return nullptr;
        return addr;
      }
      break;  // read afresh where the record fits
    }
  }

  if (block_ == nullptr || file_ == nullptr || count_ <= 0) return nullptr;
  int i = refresh >= 0 ? refresh : index_ >= 0 && index_ < count_ ? index_ : 0;
  int64_t start = off & ~int64_t(READ_ALIGN - 1);
  if (FileFits()) {
    // A file the windows hold whole is read by aligned stretches, so that
    // no two windows hold the same bytes; a record that runs past its
    // stretch is read as below.
    const int empty = FreeWindow();
    if (refresh < 0) {
      const int j = empty >= 0 ? empty : i;
      const int64_t tile = off & ~int64_t(WINDOW_SIZE - 1);
      const int64_t got = ReadWindow(j, tile, WINDOW_SIZE);
      if (got < 0) return nullptr;
      DWORD length;
      if (off - tile + DAT_HEAD_SIZE <= got) {
        if (!MetricHead(windows_[j].Data + (off - tile), &length)) return nullptr;
        if (off + length <= windows_[j].Last) {
          index_ = j + 1;
          return windows_[j].Data + (off - tile);
        }
      }
    }
  } else if (const int64_t ahead = ReadAhead(off, PIECE_SIZE); ahead < WINDOW_SIZE) {
    // A piece of what was asked from the record's offset, then the rest of
    // the record; a record longer than a window, or one the piece cannot
    // give, is read by windows below.
    if (refresh < 0) i = PieceWindow(i);
    start = off & ~int64_t(PIECE_ALIGN - 1);
    int64_t got = ReadWindow(i, start, ahead);
    if (got < 0) return nullptr;
    DWORD length;
    if (off - start + DAT_HEAD_SIZE <= got) {
      if (!MetricHead(windows_[i].Data + (off - start), &length)) return nullptr;
      const int64_t need = off - start + length;
      if (need > got && got == ahead && need <= WINDOW_SIZE) {
        got = ExtendWindow(i, need);
        if (got < 0) return nullptr;
      }
      if (got >= need) {
        index_ = i + 1;
        return windows_[i].Data + (off - start);
      }
    }
    start = off & ~int64_t(READ_ALIGN - 1);
  } else if (refresh < 0) {
    // Reading on in file order: whole windows, an empty one first.
    const int empty = FreeWindow();
    if (empty >= 0) i = empty;
  }
  int64_t got = ReadWindow(i, start, WINDOW_SIZE);
  if (got < 0 || off - start + DAT_HEAD_SIZE > got) return nullptr;
  DWORD length;
  if (!MetricHead(windows_[i].Data + (off - start), &length)) return nullptr;

  int64_t need = off - start + length;
  if (need > int64_t(count_) * WINDOW_SIZE) {
    // A record longer than the cache: grow it to as many windows as the
    // record needs (at most 64, the 16 MB record limit), reading from the
    // record itself when the aligned start would need one window more.
    if (need > int64_t(MAX_WINDOWS) * WINDOW_SIZE) {
      start = off;
      need = length;
    }
    if (!TakeBlock(static_cast<int>((need + WINDOW_SIZE - 1) / WINDOW_SIZE), WINDOW_SIZE))
      return nullptr;
    i = 0;
    got = ReadWindow(i, start, WINDOW_SIZE);
    if (got < 0 || off - start + DAT_HEAD_SIZE > got) return nullptr;
    if (Load<DWORD>(windows_[i].Data + (off - start) + 4) != length) return nullptr;
  }
  if (got < need && got < WINDOW_SIZE) return nullptr;  // the file ends inside the record

  if (off + length <= windows_[i].Last) {
    index_ = i + 1;
    return windows_[i].Data + (off - start);
  }

  // The record runs over further windows. When the table has no room after
  // this window, the piece moves to window 0 and continues from there.
  const int64_t more = (need - WINDOW_SIZE + WINDOW_SIZE - 1) / WINDOW_SIZE;
  if (i + more >= count_ && i != 0) {
    std::memcpy(windows_[0].Data, windows_[i].Data, WINDOW_SIZE);
    windows_[0].First = windows_[i].First;
    windows_[0].Last = windows_[i].Last;
    Held(0);
    EmptyWindow(windows_[i]);
    i = 0;
  }
  if (!FillFollowing(i, off + length)) return nullptr;
  index_ = index_ + 1;
  return windows_[i].Data + (off - windows_[i].First);
}

// ---------------------------------------------------------------------------
// TBlockBuffer

int TBlockBuffer::Allocate(int64_t hint) {
  if (hint > fileEnd_) fileEnd_ = hint;
  if (hint <= 0) hint = 0x80000;
  int64_t windows = hint / WINDOW_SIZE;
  if (windows < 1) windows = 1;
  if (windows > MAX_WINDOWS) windows = MAX_WINDOWS;
  return AllocateBlock(windows, WINDOW_SIZE);
}

bool TBlockBuffer::RecordFits(int i, int64_t offset) const {
  const SHEETWINDOW& w = windows_[i];
  const char* p = w.Data + (offset - w.First);
  const int64_t room = w.Last - offset + 1;  // bytes held from the record on
  switch (kind_) {
    case RECORD_SEMN: {
      if (room < SEMANTIC_HEAD || Load<WORD>(p) != SEMANTIC_IDENT) return false;
      const WORD length = Load<WORD>(p + 2);
      return length >= SEMANTIC_HEAD && length <= SEMN_MAX_LENGTH && length <= room;
    }
    case RECORD_DRAW: {
      if (room < 8 || Load<DWORD>(p) != IMGDRAW_IDENT) return false;
      const DWORD length = Load<DWORD>(p + 4);
      return length >= DWORD(IMGDRAW_HEAD) && length <= DWORD(DRAW_MAX_LENGTH) &&
             int64_t(length) <= room;
    }
    default:
      return true;
  }
}

char* TBlockBuffer::RecordAddr(DWORD offset) {
  if (offset == 0) return nullptr;
  const int64_t off = offset;
  int target = -1;
  for (int i = 0; i < count_; ++i) {
    const SHEETWINDOW& w = windows_[i];
    if (w.First <= off && off <= w.Last) {
      if (RecordFits(i, off)) {
        index_ = (i + 1) % count_;
        return w.Data + (off - w.First);
      }
      // A full window holds the whole block: the record is damaged. A
      // window cut by the file's end may be older than the file: read again.
      if (w.Last - w.First + 1 == WINDOW_SIZE) return nullptr;
      target = i;
      break;
    }
  }
  if (block_ == nullptr || file_ == nullptr || count_ <= 0) return nullptr;
  const int64_t block = off & ~int64_t(WINDOW_SIZE - 1);
  if (target < 0) {
    target = index_ >= 0 && index_ < count_ ? index_ : 0;
    const int64_t start = off & ~int64_t(PIECE_ALIGN - 1);
    if (FileFits() || ReadAhead(off, PIECE_SIZE) >= WINDOW_SIZE) {
      const int empty = FreeWindow();
      if (empty >= 0) target = empty;
    } else {
      // A piece of what was asked, never past the record's block; a record
      // that runs past it is read with its whole block.
      target = PieceWindow(target);
      const int64_t size = std::min<int64_t>(ahead_, block + WINDOW_SIZE - start);
      const int held = ReadInto(target, start, size, off);
      if (held < 0) return nullptr;
      if (held > 0 && RecordFits(target, off)) {
        index_ = (target + 1) % count_;
        return windows_[target].Data + (off - start);
      }
    }
  }

  if (ReadInto(target, block, WINDOW_SIZE, off) <= 0) return nullptr;
  index_ = (target + 1) % count_;
  return RecordFits(target, off) ? windows_[target].Data + (off - block) : nullptr;
}

int TBlockBuffer::ReadInto(int i, int64_t from, int64_t size, int64_t offset) {
  SHEETWINDOW& w = windows_[i];
  EmptyWindow(w);
  const int64_t got = ReadBytes(from, w.Data, size);
  NoteRead(from, size, got);
  if (got < 0) return -1;
  if (got == 0 || from + got - 1 < offset) return 0;
  w.First = from;
  w.Last = from + got - 1;
  Held(i);
  return 1;
}
