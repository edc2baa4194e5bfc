// The grid behind an index of a sheet's frames (mapstore/sheetframes.h):
// its levels, cells and entries, the objects written since it was laid
// out, and the last question's answer. Only the index and its own file
// see it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mapstore/sheetfile.h"
#include "mapstore/sheetframes.h"
#include "platform/win_types.h"
#include "types/polydata.h"

class TMapList;

class TSheetFrameGrid {
 public:
  TSheetFrameGrid() = default;
  TSheetFrameGrid(const TSheetFrameGrid&) = delete;
  TSheetFrameGrid& operator=(const TSheetFrameGrid&) = delete;

  using ANSWER = TSheetFrameIndex::ANSWER;

  // The objects of `list`'s open sheet whose stored frames may meet
  // `frame` (sheet units, X1 <= X2 and Y1 <= Y2), into `out`: every object
  // of the chain whose frame meets it, and perhaps a few others, each to
  // be tested by its descriptor, in the order of the chain walked forwards
  // from its first object (direction > 0) or backwards from its last
  // (direction < 0), only those after object `from` in that direction when
  // it is not 0. The index is made or made again first when it must be
  // and the frame is small against the sheet. False when the walk must
  // answer: a small sheet, a chain that does not run as one line, `from`
  // not in it, a frame spanning much of the sheet, no memory.
  bool Meeting(TMapList& list, const FRAME& frame, LONG from, int direction, ANSWER* out);

  // Object n was appended with the descriptor `desc` (its links as
  // written); the header of `list` counts it.
  void Appended(const TMapList& list, LONG n, const FVSPR& desc);
  // Object n of `list`'s open sheet was written again with the descriptor
  // `desc`, its links kept.
  void Changed(const TMapList& list, LONG n, const FVSPR& desc);
  // Drops the index and its memory.
  void Forget();
  // Whether the index is made (for the tests), and the bytes it holds.
  bool Made() const { return made_; }
  size_t Bytes() const;

 private:
  // What the index knows of an object by its number: its run (0 and up),
  // not in the chain, or its place in the list beside the grid.
  enum : int32_t { NOT_IN_CHAIN = -1, FIRST_RUN = 1 << 30 };
  static int32_t ExtraPlace(size_t i) { return -2 - int32_t(i); }
  static size_t ExtraIndex(int32_t place) { return size_t(-2 - place); }
  // The run of an object of the chain by its place.
  int32_t RunOf(int32_t place) const {
    return place >= 0 ? place : extras_[ExtraIndex(place)].run;
  }
  // One level of the grid: cells 2^shift units wide in both axes,
  // `columns` by `rows` of them from the grid's origin, numbered from
  // `first`; the frames in them in steps of 2^unit from the cell's lowest
  // corner.
  struct LEVEL {
    int64_t columns;
    int64_t rows;
    int32_t first;
    int shift;
    int unit;
  };
  // An object in a cell: its number and its frame from the cell's lowest
  // corner, in the level's units (lowest corner rounded down, highest up).
  struct ENTRY {
    LONG n;
    uint8_t x1, y1, x2, y2;
  };
  static_assert(sizeof(ENTRY) == 8);
  // An object written since the grid was made: its number, run and frame.
  struct EXTRA {
    LONG n;
    int32_t run;
    FRAME frame;
  };
  struct SPAN {
    int64_t x1, y1, x2, y2;
  };

  // Walks the chain and lays out the grid; false when the walk must
  // answer (the index is then kept empty, known not to serve).
  bool Make(TMapList& list);
  // The sheet of `list` is the one the index was made for, and its header
  // the one the index was made or kept for.
  bool ForSheet(const TMapList& list) const;
  bool InStep(const TMapList& list) const;
  // The level and cell of a frame (its column and row in the level), -1
  // when no level of the grid takes it.
  int32_t CellOf(const SPAN& s, int* level, int64_t* column, int64_t* row) const;
  // The entry of a frame in the cell at `column` and `row` of a level.
  ENTRY EntryOf(LONG n, const SPAN& s, const LEVEL& l, int64_t column, int64_t row) const;
  // The entry of a frame whose lowest corner lies x and y from its cell's
  // corner, in steps of 2^unit.
  static ENTRY EntryAt(LONG n, int64_t x, int64_t y, int64_t width, int64_t height, int unit);
  // Puts object n of run `run` in the list beside the grid with its
  // frame; false when that list is full or no memory is left for it (the
  // index is then to forget itself).
  bool PutExtra(LONG n, int32_t run, const FRAME& frame);
  // The keys of the objects whose frames may meet `q`, ascending, into
  // keys_; false when the question costs more than the walk.
  bool Gather(const SPAN& q);
  void Widen(const SPAN& s);

  bool made_ = false;    // made for the sheet below (perhaps not serving)
  bool serves_ = false;  // the chain runs as one line: the index answers
  int sheet_ = 0;        // the sheet and descriptor file it was made for
  HANDLE file_ = nullptr;
  LONG count_ = 0;       // the header's count, first and last object as kept
  LONG first_ = 0;
  LONG last_ = 0;
  int64_t x0_ = 0, y0_ = 0;  // the grid's origin, sheet units
  int base_ = 0;             // frames up to 2^(base_ + k) units go to level k or below
  SPAN extent_{1, 1, 0, 0};  // of every frame held (empty: x1 > x2)
  std::vector<LEVEL> levels_;
  std::vector<int32_t> places_;   // by number: run, NOT_IN_CHAIN or ExtraPlace
  std::vector<int32_t> starts_;   // by cell: first entry, and one past the last cell's
  std::vector<ENTRY> entries_;    // cell by cell
  std::vector<EXTRA> extras_;
  // The last question's answer, ascending, while nothing changed since;
  // or that the walk answers it (refused_).
  bool asked_ = false;
  bool refused_ = false;
  SPAN question_{};
  std::vector<int64_t> keys_;
};
