// The frame that holds every object of each sheet of a map, as the
// objects' descriptors give it, so that a question about a place passes
// over a sheet none of whose objects lies near it without opening the
// sheet, wherever those objects lie against the sheet's register frame (a
// map that is not a user map takes objects beyond its sheet's frame, and
// its register frame does not grow with them).
//
// A sheet's frame is learnt the first time it is asked for, by one read
// of its descriptor file (48 bytes an object, the other files untouched),
// or taken from the stamp a map that changed the file left in the sheet's
// record (TMapPassport::KeepSheetExtents: the register frame and how far
// the objects reach past it),
// and widened by every descriptor this map writes. The table holds while
// the map's change counter stays in the span it was learnt in
// (TMapPassport::CounterSpan): this map's own writes keep it in step,
// another writer's change starts a new span and the sheets are learnt
// again as they are asked for. A change of the sheet table drops it.
// Memory: 20 bytes a sheet.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"
#include "types/polydata.h"

class TSheetExtents {
 public:
  // What is known of a sheet's objects.
  enum : int32_t {
    EXTENT_UNKNOWN = 0,  // not learnt in this span
    EXTENT_FRAME = 1,    // every object's frame lies within Frame
    EXTENT_EMPTY = 2,    // the sheet holds no object
    EXTENT_ANY = 3,      // its descriptors could not be read: it may hold anything
  };
  struct EXTENT {
    int32_t State = EXTENT_UNKNOWN;
    FRAME Frame{};  // sheet units, X1 <= X2 and Y1 <= Y2
  };

  // Sheet n's entry (1-based) in the span `span`: EXTENT_UNKNOWN when it
  // is to be learnt. A span other than the table's drops the table.
  EXTENT Get(int n, uint32_t span);
  // Keeps what was learnt of sheet n in the span.
  void Put(int n, uint32_t span, const EXTENT& extent);
  // Sheet n's object was written with this frame by this map.
  void Written(int n, const FRAME& frame);
  // Forgets every sheet.
  void Forget();

  // Learns the frame of the descriptors of a descriptor file open for
  // reading: EXTENT_ANY when its header or a descriptor cannot be read.
  static EXTENT Learn(HANDLE file);
  // Files of this many descriptors and more are read in place through a
  // view where one serves; smaller ones a block at a time. The tests set
  // other bounds.
  static LONG InPlaceObjects();
  // Descriptor files read by Learn in this process, for tests and
  // benchmarks.
  static LONG FilesLearnt();
  static void SetInPlaceObjects(LONG count);

 private:
  uint32_t span_ = 0;
  std::vector<EXTENT> sheets_;
};
