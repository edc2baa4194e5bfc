// The frames of a large sheet's objects placed in a grid, so that the
// objects whose frames may meet a small frame (a click on the picture, the
// window of a picture, the area of a select) are found without a walk of
// every descriptor, in the order the walk along the object chain would
// meet them.
//
// The index is made by one walk of the chain, the first time a small frame
// is asked of an open sheet of at least MinObjects objects: the
// descriptors read from the file in order, in blocks, and the chain then
// followed by their links alone where no links are mended in memory, else
// through the sheet's descriptor cache as every walk reads them. Along that
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
class TSheetFrameGrid;

class TSheetFrameIndex {
 public:
  TSheetFrameIndex() = default;
  ~TSheetFrameIndex();
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
  bool Made() const;
  size_t Bytes() const;

 private:
  // The grid (mapstore/sheetframegrid.h), in memory of its own while the
  // index is made, so that its layout is no part of the classes that hold
  // an index; null before.
  TSheetFrameGrid* grid_ = nullptr;
};
