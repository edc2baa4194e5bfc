// A read-only view of a sheet file, the source the read caches copy from.
//
// Reading a file through a call costs a kernel entry per read, which on a
// large sheet read in a scattered order is most of the cost of an object.
// A view maps the file's bytes once; a read then copies from it. The view
// covers the file as long as it was when mapped: bytes past that are read
// from the file, and once the file has grown by a good part of the view it
// is mapped again over its new length. A file read only a few times is
// never mapped. Writes through the file's handles are seen in the view at
// once (the view shares the file's pages).
//
// A view is used only where the file system can map files and views are
// allowed (plat::ViewsAllowed(): the fault layer of the tests sees every
// read as before unless it allows views). A file cut short by another
// writer under the view gives no fault: the bytes gone are read from the
// file, which answers as it does for any short file.
//
// A sheet that gives its files back (its caches dropped: TMapList) shelves
// its views rather than unmapping them, when every process shares the
// file's views: the first read of a file through a handle without a view
// takes the view shelved for that file (the same file, by its identity),
// so a sheet opened again reads from the view it had, not by calls until
// it is mapped again. A view on the shelf shows the file's bytes as any
// view does, whoever wrote them since; one of a file cut short is let go
// at its first read past the cut. The shelf holds at most 4,096 views and
// 1 GB of them in a process, those shelved longest ago let go first; a
// view on it holds no descriptor, lock or share mode (a file deleted
// meanwhile keeps its space until the view is let go).
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/win_types.h"

class TSheetView {
 public:
  TSheetView() = default;
  ~TSheetView() { Close(); }
  TSheetView(const TSheetView&) = delete;
  TSheetView& operator=(const TSheetView&) = delete;

  // Releases the view.
  void Close();
  // Releases the view onto the shelf of this process's views (above), where
  // a later read of the same file through another handle takes it; as
  // Close where the file's views are not shared or its identity unknown.
  void Shelve();
  // Reads up to `size` bytes at `offset` of `file` into `buffer`, from
  // the view as far as it holds them and from the file beyond: the bytes
  // read (fewer at the end of the file), -1 when the file cannot be read.
  int64_t Read(HANDLE file, int64_t offset, void* buffer, int64_t size);
  // Copies `size` bytes at `offset` of `file` from the view alone: false,
  // nothing read, when there is no view of the file or it does not hold
  // them all, or when the file was cut short under it (the view is then
  // released, as by Read).
  bool ReadHeld(HANDLE file, int64_t offset, void* buffer, int64_t size);
  // The address of byte `offset` in the view; null when the view does not
  // hold it. Only for TouchViews: reading it directly is not guarded.
  const char* At(int64_t offset) const {
    return offset > 0 && offset < length_ ? view_ + offset : nullptr;
  }
  // Bytes the view covers; 0 without one.
  int64_t Length() const { return length_; }
  // Exchanges views (and what each knows of its file) with `other`.
  void Swap(TSheetView& other) noexcept {
    std::swap(file_, other.file_);
    std::swap(view_, other.view_);
    std::swap(length_, other.length_);
    std::swap(pastReads_, other.pastReads_);
  }

 private:
  enum : int {
    REMAP_READS = 16,        // reads of a file before it is mapped
    REMAP_GROWTH = 0x10000,  // growth past the view before it is mapped again
                             // (or an eighth of the view, when more)
    UNLOOKED = -1,
  };
  // Maps `file` over its current length: true with a view.
  bool Map(HANDLE file);
  // The view shelved for `file`, taken when there is one.
  void TakeShelved(HANDLE file);

  HANDLE file_ = nullptr;      // the file of the view
  const char* view_ = nullptr;
  int64_t length_ = 0;
  int pastReads_ = 0;          // reads while the file had no view; UNLOOKED
                               // until the shelf was looked at for it
};

// A writable view of a sheet file, through which one writer that alone
// writes the file (a map not edited by several users) stores its records
// and descriptors without a kernel entry per write. The stores land in
// the file's pages at once, so an acknowledged write is in the file system
// as after a write call: it outlives a killed process, and every reader of
// the file (views and reads, in any process) sees it.
//
// The view can only hold bytes inside the file, so the file is grown ahead
// of the writes by a reserve of zeros; the writer keeps the end of what it
// wrote (End) and places new records there, not at the file's length. The
// view's pages are brought in one at a time as the stores reach them (the
// system is told the view is not read in order): a stretch of the file read
// around the first store into the reserve would only fill memory with
// zeros, megabytes of them on a file system that reads far ahead.
// Finish cuts the reserve off again and releases the view: the writer calls
// it under the sheet lock, before the file's handle is closed, before
// anyone else may write the file (edit mode, a filtering file layer) and
// whenever the file's length must be its records' end. A writer killed
// with a reserve leaves zeros past its records, which no descriptor names:
// dead space, as after a failed write.
//
// Someone else may cut the file short or grow it under the view. A store
// below the view's last page needs no look at the file: it first touches
// the page boundary at or after its end, a page that a cut below it has
// taken away. A store that reaches into the last page or past it asks for
// the file's length first. A write that the view cannot take (the file cut
// short or grown by another writer since the view was made, memory or disk
// space refused, a file system that cannot map) stores nothing and returns
// false; Unchanged then tells whether the file is still as the view made
// it. The caller releases a view whose file changed without cutting
// anything, and places again what it placed by the view's end.
class TSheetWriteView {
 public:
  TSheetWriteView() = default;
  ~TSheetWriteView() { Release(); }
  TSheetWriteView(const TSheetWriteView&) = delete;
  TSheetWriteView& operator=(const TSheetWriteView&) = delete;

  // Whether the view is made for `file`.
  bool Holds(HANDLE file) const { return view_ != nullptr && file == file_; }
  // The file the view was made for (also after a failed write, until
  // Finish); null without one.
  HANDLE File() const { return file_; }
  // The end of the file's records: its length when the view was made or
  // the end of the last byte written through it, whichever is further.
  int64_t End() const { return end_; }
  // Makes a view of `file`, open for writing, over its current length:
  // true with one. A file that cannot be mapped is not tried again until
  // another file is given.
  bool Start(HANDLE file);
  // Stores `size` bytes at `offset` (growing the file by a reserve when
  // they reach past it) when the file holds them: true when stored.
  bool Write(int64_t offset, const void* data, size_t size);
  // Whether the file still holds its first `end` bytes and the view with
  // them (a kernel entry only when they reach into the view's last page).
  bool Reaches(int64_t end) const;
  // Whether the file still holds what was written through the view, as far
  // as a touch tells: up to End or the view's last page (a cut inside that
  // page is seen by the next write that reaches into it).
  bool EndHeld() const { return Reaches(std::min(end_, LastPage())); }
  // Whether the file is as long as the view made it (a kernel entry).
  bool Unchanged() const;
  // Copies `size` bytes at `offset` below End: true when copied.
  bool Read(int64_t offset, void* buffer, size_t size) const;
  // Cuts the reserve off (when the file is still as long as this view made
  // it), keeping at least `keep` bytes, and releases the view. The caller
  // holds the sheet lock. The reserve is left when the cut fails: false
  // then.
  bool Finish(int64_t keep = 0);
  // Releases the view without touching the file.
  void Release();
  // Asks the processor to fetch the view's bytes at `offset` ahead of
  // their use (`write`: to be stored to). A hint only: nothing is read, and
  // a place the file no longer backs costs nothing.
  void Prefetch(int64_t offset, bool write) const {
    if (view_ == nullptr || offset < 0 || offset >= length_) return;
    if (write)
      __builtin_prefetch(view_ + offset, 1);
    else
      __builtin_prefetch(view_ + offset, 0);
  }
  // The same for the page boundary at or after `end`, which a write that
  // ends there touches first.
  void PrefetchPageAfter(int64_t end) const { Prefetch((end + PAGE - 1) & ~(PAGE - 1), true); }
  // Exchanges views (with their reserves and ends) with `other`.
  void Swap(TSheetWriteView& other) noexcept {
    std::swap(file_, other.file_);
    std::swap(refused_, other.refused_);
    std::swap(view_, other.view_);
    std::swap(length_, other.length_);
    std::swap(end_, other.end_);
  }

  enum : int64_t {
    RESERVE = 0x100000,  // the least the file grows by (or a quarter of it, when more)
  };

 private:
  enum : int64_t { PAGE = 0x1000 };
  // Grows the file, as long as the view made it, to hold `end` bytes and
  // maps it again: true with a view.
  bool Grow(int64_t end);
  // The start of the view's last page: bytes that end at or below it lie
  // in the file while the page boundary at or after their end can be
  // touched (PageAtOrAfter).
  int64_t LastPage() const { return (length_ - 1) & ~(PAGE - 1); }
  char* PageAtOrAfter(int64_t end) const { return view_ + ((end + PAGE - 1) & ~(PAGE - 1)); }

  HANDLE file_ = nullptr;     // the file of the view
  HANDLE refused_ = nullptr;  // the last file that could not be mapped
  char* view_ = nullptr;
  int64_t length_ = 0;  // the file's length as the view made it: the view's size
  int64_t end_ = 0;
};

// Copies `size` bytes from a view of a mapped file; false, instead of a
// fault, when they are no longer backed by the file (cut short since).
bool CopyFromView(void* target, const void* source, size_t size);
// Runs `read(context)`, which reads views in place, so that a page no
// longer backed by its file ends it: false, instead of a fault, then. The
// reader must leave nothing to undo when it is cut off (no memory of its
// own, no lock).
bool ReadViewGuarded(void (*read)(void*), void* context);
// The same for a copy into a writable view: false when a page could not
// be had (cut short, or no space for it on the disk).
inline bool CopyToView(void* target, const void* source, size_t size) {
  return CopyFromView(target, source, size);
}

// A 32-bit word of a view shared with every process that maps the file
// (plat::FileViewsShared), at a 4-byte aligned address: loaded, or raised
// by `add` in one atomic step that no other process's step can split, the
// word before in `*before`. False, instead of a fault, when the page is no
// longer backed by the file.
bool LoadWordFromView(const void* word, uint32_t* value);
bool AddToWordInView(void* word, uint32_t add, uint32_t* before);
// A 64-bit word of such a view at an 8-byte aligned address: loaded,
// stored, or replaced by `desired` in one atomic step while it holds
// `*expected` (Done; else Differs, with what it holds in `*expected`).
// False or Gone, instead of a fault, when the page is no longer backed by
// the file.
bool LoadWord64FromView(const void* word, uint64_t* value);
bool StoreWord64ToView(void* word, uint64_t value);
enum class ViewExchange { Done, Differs, Gone };
ViewExchange ExchangeWord64InView(void* word, uint64_t* expected, uint64_t desired);
// The four 32-bit words of 16 bytes of such a view at a 16-byte aligned
// address (`block`) are made anew by `next` from what they hold and stored
// in one atomic step: no store of any process to the 16 bytes falls
// between the look and the store. Raised, with the words as they were in
// `before`; Marked when `next` declines (returns false) for what it saw,
// which is then in `before`; Gone when the page is no longer backed.
enum class ViewRaise { Raised, Marked, Gone };
typedef bool (*ViewBlockStep)(const uint32_t (&held)[4], uint32_t (&made)[4], void* context);
ViewRaise ExchangeBlockInView(void* block, ViewBlockStep next, void* context,
                              uint32_t (&before)[4]);

// Reads a byte at each of up to three places of views (null ones skipped)
// in one pass, so that the processor fetches their lines together instead
// of one after another as each is copied; false, instead of a fault, when
// a place is no longer backed by its file. Prefetch instructions measured
// no gain here: on a large file the places are also missing from the
// address translation cache.
bool TouchViews(const char* first, const char* second, const char* third);
