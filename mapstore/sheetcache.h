// Read caches of a sheet's files.
//
// Each cache reads its file in large aligned pieces into windows that lie
// side by side in one block of page memory, allocated once per sheet size,
// and hands out the address of a whole record inside a window, so that
// descriptors and records are read in place without copying and without
// allocating per record. An address stays valid only until the next read
// through the same cache. Writes never pass through a cache: the writer
// empties the cache of the file it wrote (Reset), or updates a descriptor
// in place (THeadBuffer::UpdateRecord).
//
// - THeadBuffer: the descriptor file; windows of 2048 descriptors (by
//   default), 2 to 32 of them, holding record numbers. For descriptors read
//   in a scattered order it also keeps where their records were, so that a
//   later read fetches descriptor and records at once.
// - TDataBuffer: the metric file; 256 KB windows, 1 to 64 of them. A metric
//   record may run over several windows: it is read into the following ones
//   so that it is one piece of memory. The cache grows on demand to hold a
//   record longer than its windows.
// - TBlockBuffer: the semantics or graphics file; 64 KB windows aligned to
//   the 64 KB blocks of the file, 1 to 8 of them. A record is returned only
//   when it lies whole inside its window.
//
// The bytes come from a read-only view of the file (mapstore/sheetview.h)
// or from the file. A miss takes an empty window first. A read that
// continues the last one (reading in file order) fills a whole window. A
// file the windows can hold whole is read by the windows' own aligned
// stretches, so that no two windows hold the same bytes and after one pass
// every record is held. A read out of order in a larger file (reading by
// number in a scattered order) fills only a small aligned piece of a
// window, enough for the record, in the window of the last piece: the
// windows already filled stay, and the cost of a record stays that of its
// own bytes however large the file. A record that does not lie whole in
// its piece or stretch is read as before. The caches of a map of more
// sheets than their memory can keep whole read out of order by pieces
// whatever the file's size (ReadByPieces): a small sheet visited for one
// object then costs that object's bytes, not the whole sheet's.
//
// A sheet left for another one keeps its caches (TMapList); what caches
// that read by pieces keep follows what they hold (Park): the bytes their
// windows hold move to memory of their own, as much as that is, and the
// block goes to the cache that serves the next sheet, so that a sheet read
// in a few places keeps a few kilobytes. Going back, they are laid into a
// block again (Unpark).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "mapstore/sheetview.h"
#include "platform/win_types.h"

// Asks the processor to fetch every cache line of [from, to) ahead of its
// use (memory kept cold, about to be touched). A hint only.
inline void PrefetchLines(const void* from, const void* to) {
  enum : uintptr_t { LINE = 64 };
  uintptr_t at = reinterpret_cast<uintptr_t>(from) & ~(LINE - 1);
  for (const uintptr_t end = reinterpret_cast<uintptr_t>(to); at < end; at += LINE)
    __builtin_prefetch(reinterpret_cast<const void*>(at));
}

// One window: its memory and the range of the file it holds. An empty
// window has first 1 and last 0.
struct SHEETWINDOW {
  char* Data;
  int64_t First;
  int64_t Last;
};

// The window table the caches share: one block of page memory laid out as
// at most N windows of WindowBytes bytes side by side (THeadBuffer may lay
// out other sizes), the file the windows are read from, and the window used
// last, which is EmptyIndex while nothing is held.
template <int N, int WindowBytes, int EmptyIndex>
class TSheetWindows {
 public:
  enum : int {
    WINDOW_SIZE = WindowBytes,
    MAX_WINDOWS = N,
  };

  TSheetWindows(const TSheetWindows&) = delete;
  TSheetWindows& operator=(const TSheetWindows&) = delete;

  void Init();
  // Empties every window; the memory is kept.
  void Reset();
  // Releases the block and forgets the file.
  void Free();
  // Exchanges everything with `other`: the block with its windows and what
  // they hold, the file and its view, what is known of the reads. A sheet
  // left for another one keeps its caches this way (TMapList).
  void Swap(TSheetWindows& other) noexcept;

  // Asks the processor to fetch the cache's own fields, and then (reading
  // their count) the windows in use, ahead of a Swap of a cache kept cold.
  void PrefetchFields() const;
  void PrefetchWindows() const;

  // Read out of order by pieces whatever the file's size (the cache is
  // used in turn by the sheets of a map), not by whole windows when the
  // file fits them.
  void ReadByPieces(bool on) { pieces_ = on; }

  // Parking a sheet's cache: when it reads by pieces and its windows hold
  // at most half the block, their bytes move to memory of the cache's own,
  // as much as they are, and the block goes to `to` (which has none; freed
  // when it has one). Any other cache keeps its block (no copy). The windows keep what they
  // hold either way; nothing may be read through a packed cache until it
  // is unparked.
  void Park(TSheetWindows& to);
  // Back from parking: the packed bytes are laid into a block again, that
  // of `from` (taken from it) or a new one of the packed layout, into the
  // windows they came from. 1, or 0 without memory: the windows are then
  // empty and the cache has no block.
  int Unpark(TSheetWindows& from);
  // The bytes a parked cache holds for its windows (memory included).
  int64_t PackedBytes() const { return int64_t(packed_.capacity()); }
  // A parked cache given up: its packed bytes are let go (the windows
  // emptied when they lie in them).
  void ReleasePacked();

  // The file's view goes onto the shelf of views (TSheetView::Shelve),
  // while the file is still open: the file opened again takes it back.
  void ShelveView() { view_.Shelve(); }
  // A new file: nothing is known of its size or of the reads in it.
  void SetFile(HANDLE file) {
    if (file != file_) view_.Close();
    file_ = file;
    fileEnd_ = 0;
    lastFirst_ = lastEnd_ = 0;
    pieceWindow_ = -1;
    ahead_ = 0;
  }
  HANDLE File() const { return file_; }
  int WindowCount() const { return count_; }
  int WindowSize() const { return windowSize_; }
  int CurrentWindow() const { return index_; }
  const SHEETWINDOW& Window(int i) const { return windows_[i]; }
  const char* Block() const { return block_; }
  // Bytes of the block; 0 without one.
  int64_t BlockBytes() const { return block_ != nullptr ? size_ : 0; }
  // Reads up to `size` bytes at `from` of the file as the windows are
  // filled (through the file's view): the bytes read, -1 when the file
  // cannot be read.
  int64_t ReadBytes(int64_t from, void* buffer, int64_t size);
  // The address of byte `from` in the file's view when a read of it is
  // likely to come from the view (the file is larger than the windows
  // hold), for TouchViews; null otherwise.
  const char* ViewAt(int64_t from) const { return FileFits() ? nullptr : view_.At(from); }

 protected:
  TSheetWindows() { Init(); }
  ~TSheetWindows() { Free(); }

  // Gives the cache `windows` windows of `windowSize` bytes, keeping a block
  // that is large enough with its layout. 1 on success, 0 without memory.
  int AllocateBlock(int64_t windows, int64_t windowSize);
  // Lays out `windows` windows over a new block; the old block is released
  // only when the new one could be had. 1 on success, 0 without memory.
  int TakeBlock(int windows, int64_t windowSize);
  // Notes a read of `got` bytes (of `size` asked) at byte `from` of the file:
  // the last range read, and the least the file's length can be.
  void NoteRead(int64_t from, int64_t size, int64_t got);
  // Whether a read at byte `from` that no window holds continues the last
  // read (reading in file order), and whether the file fits the windows.
  bool ReadsOn(int64_t from) const {
    return from >= lastFirst_ && from <= lastEnd_ + windowSize_;
  }
  // The bytes to read at byte `from` for a record, at least `least`: a read
  // that goes on where the last one ended (a file read in order) asks for
  // twice what that one asked, up to a window, so that reading in order
  // soon reads whole windows; any other read asks for `least` (a record
  // read out of order costs its own bytes, not a window's). With
  // `backward`, a read that goes on just below where the last one began (a
  // file read backwards) goes on too, and `*backward` tells it: the bytes
  // are then to end at the record.
  int64_t ReadAhead(int64_t from, int64_t least, bool* backward = nullptr);
  bool FileFits() const { return !pieces_ && fileEnd_ <= int64_t(count_) * windowSize_; }
  // The first empty window, -1 when none is.
  int FreeWindow() const;
  // The window for the next piece: that of the last piece when it is in
  // the table, else `other`; it becomes the window of the last piece.
  int PieceWindow(int other);
  // Window i now holds part of the file: the windows looked through reach
  // it. Every window from used_ on is empty, so that a cache of many
  // windows of which few were filled (a file read in a scattered order)
  // looks through those few only.
  void Held(int i) {
    if (i >= used_) used_ = i + 1;
  }

  char* block_;
  HANDLE file_;
  int count_;
  int index_;
  int64_t size_;
  int windowSize_;
  int64_t fileEnd_;    // the file is known to be at least this long
  int64_t lastFirst_;  // bytes of the file the last read asked for
  int64_t lastEnd_;
  int pieceWindow_;    // the window of the last piece, -1 none
  int used_;           // windows from this one on are empty
  int64_t ahead_;      // bytes the last read asked for by ReadAhead, 0 none
  bool pieces_;        // ReadByPieces
  TSheetView view_;
  SHEETWINDOW windows_[N];
  // Bytes the windows held when parked, window after window (their Data
  // points into it while the cache is parked).
  std::vector<char> packed_;

 private:
  // The bytes window `w` holds.
  static int64_t HeldBytes(const SHEETWINDOW& w);
  // Empties the windows and lays them over no block.
  void DropPacked();
};

// Descriptors: 2048 a window; metric: 256 KB windows, 64 of them hold the
// 16 MB record limit; semantics and graphics: the 64 KB blocks of the file.
using THeadWindows = TSheetWindows<32, 0x18000, -1>;
using TDataWindows = TSheetWindows<64, 0x40000, 0>;
using TBlockWindows = TSheetWindows<8, 0x10000, 0>;

extern template class TSheetWindows<32, 0x18000, -1>;
extern template class TSheetWindows<64, 0x40000, 0>;
extern template class TSheetWindows<8, 0x10000, 0>;

class THeadBuffer : public THeadWindows {
 public:
  enum : int {
    MIN_WINDOWS = 2,
    PIECE_RECORDS = 4,  // descriptors of a piece, aligned to their number
  };

  THeadBuffer() = default;

  // Sizes the block for a descriptor file of `hint` bytes (below 1: no hint)
  // or keeps a block that is large enough. 1 on success, 0 without memory.
  int Allocate(int64_t hint);
  // Address of descriptor n (0 = the file header), read from the file when
  // no window holds it; 0 when it cannot be had.
  char* RecordAddr(LONG n);
  // The same, where a read by pieces takes at least `least` descriptors
  // (at most a window's): an opening reads a small sheet's descriptors
  // with its header.
  char* RecordAddr(LONG n, LONG least);
  // Address of descriptor n when a window holds it, else null: nothing is
  // read.
  const char* HeldRecord(LONG n) const;
  // Copies a 48-byte descriptor into the window holding record n, if any.
  void UpdateRecord(LONG n, const void* desc);
  // Forgets the descriptors from number n on, which another writer has
  // written since they were read (a window may hold the zeros that stood
  // past the records then); those before n stay where they are.
  void ForgetFrom(LONG n);

  // Where the metric and semantics records of descriptor n were when it
  // was last read in a scattered order, so that the next scattered read of
  // it can fetch the records together with the descriptor. Only a hint: it
  // may be stale (the records moved since), and nothing is read by it but
  // the touch that brings the bytes near. Forgotten with the file; 0 when
  // none is known. The hints lie in a table of the library's own (its
  // layout is no part of this class), whose memory follows the count of
  // descriptors read out of order: a large sheet read in a few hundred
  // places keeps a few kilobytes of hints, one read all over 12 to 24 bytes
  // a descriptor.
  uint64_t Hint(LONG n) const;
  void NoteHint(LONG n, DWORD data, DWORD semn);
  // The memory the hints take.
  size_t HintBytes() const;
  // Gives up every hint and its memory.
  void FreeHints();
  static DWORD HintData(uint64_t hint) { return static_cast<DWORD>(hint >> 32); }
  static DWORD HintSemn(uint64_t hint) { return static_cast<DWORD>(hint); }

  enum : int {
    HINT_LIMIT = 1 << 23,      // descriptors past this number get no hint
    HINT_SLOTS_FIRST = 1024,   // the table's first size, 12 KB
  };

  // Whether the last descriptor the windows did not hold was read as a
  // piece: descriptors read in a scattered order from a large file.
  bool Scattered() const;

  // The file and the release of the windows forget the hints too.
  void SetFile(HANDLE file);
  void Free();
  // Exchanges the windows and the hints with `other`.
  void Swap(THeadBuffer& other) noexcept;
  ~THeadBuffer();

 private:
  // The table of hints (sheetcache.cpp); null before the first hint.
  struct HINTTABLE;
  HINTTABLE* hints_ = nullptr;
  bool scattered_ = false;
};

class TDataBuffer : public TDataWindows {
 public:
  enum : int {
    READ_ALIGN = 1024,
    PIECE_ALIGN = 64,   // a piece starts at the record's offset aligned down to this
    PIECE_SIZE = 512,
  };

  TDataBuffer() = default;

  // Sizes the block for a metric file of `hint` bytes (0: one window) or
  // keeps a block that is large enough. 1 on success, 0 without memory.
  int Allocate(int64_t hint);
  // Address of the metric record at a file offset, as one piece of memory;
  // 0 for offset 0, a record that is not a metric record or whose length is
  // outside 10 .. 16,777,215, or one that cannot be read whole.
  char* RecordAddr(DWORD offset);
  // The metric record at a file offset for a look that keeps nothing of
  // it, when the cache reads by pieces (ReadByPieces: the sheets of a map
  // take turns with it): where a window holds it whole, or else a copy into
  // `scratch` (`capacity` bytes) straight from the file's view, which
  // leaves the windows and what is known of the reads as they were. A look
  // at many records in a scattered order, most of them seen once (the
  // exact test of the objects a small area's frame meets), then costs each
  // record's own bytes, not a piece and the read-ahead after it. Null
  // otherwise, and for a cache that keeps what it reads for the sheet's
  // next asks: read it through RecordAddr.
  char* LookAtRecord(DWORD offset, char* scratch, int64_t capacity);
  // Exchanges everything with `other`.
  void Swap(TDataBuffer& other) noexcept { TDataWindows::Swap(other); }

 private:
  // Reads `size` bytes at `from` into window i; bytes read or -1.
  int64_t ReadWindow(int i, int64_t from, int64_t size);
  // Reads on into window i until it holds `size` bytes from its start:
  // the bytes it holds, or -1 (the window empty) when the read failed.
  int64_t ExtendWindow(int i, int64_t size);
  // Fills windows from+1.. with the file from window `from`'s end until
  // `end` is held; false when the file does not give it.
  bool FillFollowing(int from, int64_t end);
};

class TBlockBuffer : public TBlockWindows {
 public:
  // What the records of the file look like, for the check that a record
  // lies whole in its window.
  enum : int {
    RECORD_ANY = 0,   // no check
    RECORD_SEMN = 1,  // SEMANTIC: u16 0x7FFF, u16 length
    RECORD_DRAW = 2,  // IMGDRAW: u32 0x7FFF7FFE, u32 length
  };

  enum : int {
    PIECE_ALIGN = 64,
    PIECE_SIZE = 256,  // never past the end of the record's block
  };

  explicit TBlockBuffer(int kind = RECORD_ANY) : kind_(kind) {}

  // Sizes the block for `hint` bytes (0: eight windows) or keeps a block
  // that is large enough. 1 on success, 0 without memory.
  int Allocate(int64_t hint);
  // Address of the record at a file offset; 0 for offset 0, an offset past
  // the file's end, or a record that is malformed or does not lie whole in
  // its 64 KB window.
  char* RecordAddr(DWORD offset);
  int RecordKind() const { return kind_; }
  // Exchanges everything with `other` (a cache of the same kind of record).
  void Swap(TBlockBuffer& other) noexcept {
    TBlockWindows::Swap(other);
    std::swap(kind_, other.kind_);
  }

 private:
  // Whether the record at `offset`, held by window i, lies whole in it.
  bool RecordFits(int i, int64_t offset) const;
  // Reads `size` bytes at `from` into window i: 1 when they reach
  // `offset`; else 0, or -1 when the read failed, with the window empty.
  int ReadInto(int i, int64_t from, int64_t size, int64_t offset);

  int kind_;
};
