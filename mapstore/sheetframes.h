// The frames of a large sheet's objects placed in a grid, so that the
// objects whose frames may meet a small frame (a click on the picture, the
// window of a picture, the area of a select) are found without a walk of
// every descriptor, in the order the walk along the object chain would
// meet them.
//
// The index is made by one walk of the chain, the first time a small frame
// is asked of an open sheet of at least MinObjects objects: the
// descriptors read in place from the file's view where there is one and no
// links are mended in memory, else through the sheet's descriptor cache
// as every walk reads them. Along that
// walk the objects fall into runs of rising numbers, a new run where the
// number falls or the local type changes: run and number then order the
// objects as the chain does, and an object appended behind the last one
// of a run joins that run without any other object's place changing. Each
// object lies in one cell of the level whose cells are at least as large
// as its frame, the cell of its frame's lowest corner, with its frame
// beside its number in a byte a side (rounded outwards within the cell),
// so that a question reads only the descriptors whose frames may meet it.
// Objects written since (appended, or their frames moved to another cell)
// are held with their whole frames in a short list beside the grid. The
// extent of every frame the index holds lets a question pass over a sheet
// whose objects all lie elsewhere, wherever its nominal frame lies. The
// answer to the last question (or that the walk answers it) is kept while
// nothing is written, so that a search going on from object to object
// asks the grid once.
//
// The sheet object that owns the index tells it of each object it writes
// (Appended, Changed); any other change of the chain makes it forget
// itself (Forget), and so does a header that no longer counts and ends the
// chain as the index knows it (another process's appends): the next
// question makes it again. Another process's rewrites, which leave the
// header as it was, are seen once the map reads its sheet again (the map's
// change counter moved: TMap::AdjustData), as the sheet's caches see them.
// A chain that does not run as one line, forwards and back alike (a
// circle, links that do not match), or a question whose frame spans much
// of the sheet, is left to the walk.
//
// Memory: about 13 bytes an object while the sheet is open or kept by the
// map among its recently used sheets, the indexes the map keeps together
// within KeptBytes (TMapList), freed when the sheet closes or the index
// forgets itself.
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

  // The settings a host reaches through TMapList (FrameIndexMinObjects,
  // FrameIndexBytes). Sheets of fewer objects are walked: there the walk
  // costs less than making the index (1,024 unless set).
  static LONG MinObjects();
  static void SetMinObjects(LONG count);
  // The bytes all the indexes one map keeps may hold together (the open
  // sheet's and those of the sheets left for another one): beyond them
  // the sheets left longest ago give up theirs. Unless set, a sixteenth
  // of the machine's memory and at least 128 MB.
  static size_t KeptBytes();
  static void SetKeptBytes(size_t bytes);

  // The objects a question names, in the order of the walk it stands for:
  // Count of them, the i-th At(i). Valid until the next question or write.
  struct ANSWER {
    const int64_t* Keys = nullptr;  // run and number, ascending
    int32_t Count = 0;
    int Step = 1;  // 1: the keys upwards; -1: downwards from the last
    LONG At(int32_t i) const {
      return LONG(uint32_t(Keys[Step > 0 ? i : Count - 1 - i]));
    }
  };

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
  // Exchanges the index with `other` (a sheet left for another one keeps
  // its index with its caches).
  void Swap(TSheetFrameIndex& other) noexcept;

  // The questions the grids of all indexes were asked, answered or not
  // (for the tests).
  static uint64_t GridQuestions();

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
