// The frames of a large sheet's objects placed in a grid, so that the
// objects whose frames may meet a small frame (a click on the picture) are
// found without a walk of every descriptor, in the order the walk along
// the object chain would meet them.
//
// The index is made by one walk of the chain through the sheet's
// descriptor cache, as every walk reads it, the first time it is asked on
// an open sheet of at least MinObjects objects. Along that walk the objects
// fall into runs of rising numbers, a new run where the number falls or
// the local type changes: run and number then order the objects as the
// chain does, and an object appended behind the last one of a run joins
// that run without any other object's place changing. Each object lies in
// one cell of the level whose cells are at least as large as its frame,
// the cell of its frame's lowest corner; objects written since (appended,
// or their frames moved to another cell) are held in a short list beside
// the grid.
//
// The sheet object that owns the index tells it of each object it writes
// (Appended, Changed); any other change of the chain makes it forget
// itself (Forget), and so does a header that no longer counts and ends the
// chain as the index knows it (another process's appends): the next
// question makes it again. Another process's rewrites, which leave the
// header as it was, are seen once the map reads its sheet again (the map's
// change counter moved: TMap::AdjustData), as the sheet's caches see them. A chain that does not run as one line, forwards
// and back alike (a circle, links that do not match), or a question whose
// frame spans much of the sheet, is left to the walk.
//
// Memory: about 13 bytes an object while the sheet is open or kept by the
// map among its recently used sheets (an index of up to 16 MB), freed when
// the sheet closes or the index forgets itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mapstore/sheetfile.h"
#include "platform/win_types.h"
#include "types/polydata.h"

class TMapList;

class TSheetFrameIndex {
 public:
  TSheetFrameIndex() = default;
  TSheetFrameIndex(const TSheetFrameIndex&) = delete;
  TSheetFrameIndex& operator=(const TSheetFrameIndex&) = delete;

  // Sheets of fewer objects are walked: there the walk costs less than
  // making the index. The tests set a lower bound.
  static LONG MinObjects();
  static void SetMinObjects(LONG count);

  // The objects of `list`'s open sheet whose stored frames may meet
  // `frame` (sheet units, X1 <= X2 and Y1 <= Y2), into `out`: every object
  // of the chain whose frame meets it, and perhaps others, each to be
  // tested by its descriptor, in the order of the chain walked forwards
  // from its first object (direction > 0) or backwards from its last
  // (direction < 0), only those after object `from` in that direction when
  // it is not 0. The index is made or made again first when it must be.
  // False when the walk must answer: a small sheet, a chain that does not
  // run as one line, `from` not in it, a frame spanning much of the sheet,
  // no memory.
  bool Meeting(TMapList& list, const FRAME& frame, LONG from, int direction,
               std::vector<LONG>& out);

  // Object n was appended with the descriptor `desc` (its links as
  // written); the header of `list` counts it.
  void Appended(const TMapList& list, LONG n, const FVSPR& desc);
  // Object n of `list`'s open sheet was written again with the descriptor
  // `desc`, its links kept.
  void Changed(const TMapList& list, LONG n, const FVSPR& desc);
  // Drops the index and its memory.
  void Forget();
  // Exchanges the index with `other` (a sheet left for another one keeps
  // its index with its caches).
  void Swap(TSheetFrameIndex& other) noexcept;

  // Whether the index is made (for the tests), and the bytes it holds.
  bool Made() const { return made_; }
  size_t Bytes() const;

 private:
  enum : int32_t { NOT_IN_CHAIN = INT32_MIN };
  // One level of the grid: cells `size` units wide in both axes, `columns`
  // by `rows` of them from the grid's origin, numbered from `first`.
  struct LEVEL {
    int64_t size;
    int64_t columns;
    int64_t rows;
    int32_t first;
  };
  // An object written since the grid was made: its number and frame.
  struct EXTRA {
    LONG n;
    FRAME frame;
  };

  // Walks the chain and lays out the grid; false when the walk must
  // answer (the index is then kept empty, known not to serve).
  bool Make(TMapList& list);
  // The sheet of `list` is the one the index was made for, and its header
  // the one the index was made or kept for.
  bool ForSheet(const TMapList& list) const;
  bool InStep(const TMapList& list) const;
  // The cell of a frame, -1 when no level of the grid takes it.
  int32_t CellOf(const FRAME& frame) const;
  // Puts object n in the list beside the grid with its frame; false when
  // that list is full or no memory is left for it (the index is then to
  // forget itself).
  bool PutExtra(LONG n, const FRAME& frame);

  bool made_ = false;    // made for the sheet below (perhaps not serving)
  bool serves_ = false;  // the chain runs as one line: the index answers
  int sheet_ = 0;        // the sheet and descriptor file it was made for
  HANDLE file_ = nullptr;
  LONG count_ = 0;       // the header's count, first and last object as kept
  LONG first_ = 0;
  LONG last_ = 0;
  int64_t x0_ = 0, y0_ = 0;  // the grid's origin, sheet units
  int64_t base_ = 1;         // frames up to base_ << k units go to level k or below
  std::vector<LEVEL> levels_;
  std::vector<int32_t> runs_;     // by number: run of the object, NOT_IN_CHAIN
  std::vector<int32_t> cells_;    // by number: cell of its entry, or -2 - its place in extras_
  std::vector<int32_t> starts_;   // by cell: first entry, and one past the last cell's
  std::vector<LONG> entries_;     // numbers, cell by cell
  std::vector<EXTRA> extras_;
};
