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
// A view is used only where the file system can map files and no layer
// that filters file operations is installed (the fault layer of the tests
// sees every read as before). A file cut short by another writer under the
// view gives no fault: the bytes gone are read from the file, which
// answers as it does for any short file.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

class TSheetView {
 public:
  TSheetView() = default;
  ~TSheetView() { Close(); }
  TSheetView(const TSheetView&) = delete;
  TSheetView& operator=(const TSheetView&) = delete;

  // Releases the view.
  void Close();
  // Reads up to `size` bytes at `offset` of `file` into `buffer`, from
  // the view as far as it holds them and from the file beyond: the bytes
  // read (fewer at the end of the file), -1 when the file cannot be read.
  int64_t Read(HANDLE file, int64_t offset, void* buffer, int64_t size);
  // Starts bringing the bytes at `offset` of the view into the processor's
  // cache, when the view holds them.
  void Prefetch(int64_t offset) const {
    if (offset < length_) __builtin_prefetch(view_ + offset);
  }
  // Bytes the view covers; 0 without one.
  int64_t Length() const { return length_; }

 private:
  enum : int {
    REMAP_READS = 16,        // reads of a file before it is mapped
    REMAP_GROWTH = 0x10000,  // growth past the view before it is mapped again
  };                         // (or an eighth of the view, when more)
  // Maps `file` over its current length: true with a view.
  bool Map(HANDLE file);

  HANDLE file_ = nullptr;      // the file of the view
  const char* view_ = nullptr;
  int64_t length_ = 0;
  int pastReads_ = 0;          // reads while the file had no view
};

// Copies `size` bytes from a view of a mapped file; false, instead of a
// fault, when they are no longer backed by the file (cut short since).
bool CopyFromView(void* target, const void* source, size_t size);
