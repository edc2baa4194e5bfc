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
// record (TMapPassport::KeepSheetExtents), and widened by every descriptor
// this map writes.
//
// What is learnt is trusted only on a signal that every writer's every
// change moves. Two serve:
//
// - The span of the map's change counter (TMapPassport::CounterSpan),
//   which every change of every writer, older builds too, ends: what was
//   learnt in a span holds until another writer's raise ends it.
//
// - Per sheet, its version with the chain. Each record of the sheet table
//   carries the sheet's version (SHEETRESERVE), which a writer of this
//   library makes odd before the first descriptor of a change goes out
//   (voiding the sheet's stamp in the same atomic step) and even again
//   when the change's writes are over, under the sheet's write turn, all
//   before the change counter is raised. The chain tells that every raise
//   since it began was made by such a writer: the counter's raise through
//   the shared view (TMapPassport::RaiseChangeCounter) stores, in the same
//   atomic step as the new value, the word beside it (CHAINWORD) naming
//   the chain's start and the value it raised to. A raise of an older
//   build, which knows nothing of versions, raises the counter alone (or
//   marks the word for its lock way and clears it), so that the word no
//   longer matches the counter: the chain is broken, and the next raise of
//   this library starts a new one. What was learnt at a sheet's even
//   version within a chain holds while the chain lasts and the version
//   stands, whatever other sheets go through: one change costs one sheet.
//   A stamp in the file holds only within the chain it was written in.
//   Chains exist only where the counter is raised through a view shared by
//   every process; elsewhere (a network file system, a process that cannot
//   map) the span alone serves and no stamp is taken.
//
// A question over many sheets does not look at each sheet's signal: it
// asks an index of what is known over the map's plane (sheetreach.h,
// TMapPassport::NextSheetToAsk), which holds while the counter's span, the
// chain and the count of sheet changes begun are as they were when every
// entry was last looked at on its own signal. That count (the first word
// of the passport's reserve, PASSPORT_BEGUN_AT) is raised by one through
// the shared view by every writer of this library right after it makes a
// sheet's version odd, before anything of the change goes out: a reader
// that read the count before looking at the versions sees either the odd
// version or the count moved, even of a writer killed in the middle of its
// change, which never raises the counter. A save of the passport leaves
// the count as the file holds it. An older build, which may write it back
// as it read it, ends the chain with its raise.
//
// A change of the sheet table drops what is known. What is held by chain
// is shared by the maps of a process that have one map file open. Memory:
// 36 bytes a sheet, and as much again for what is shared, and the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win_types.h"
#include "types/geotypes.h"
#include "types/polydata.h"

class TSheetReach;

// The 14 reserved bytes of a sheet record (LISTDESC::Reserve, record offset
// 1714), as this library keeps them, with the record's two flag bytes
// before them: the first eight bytes are one aligned 64-bit word of the
// file (SHEETWORD), changed in one atomic step through a shared view, the
// stamp's body the next. Zero in a file no writer of this library changed.
#pragma pack(push, 1)
struct SHEETRESERVE {
  uint8_t Flag;    // LISTDESC::Flag and Flags, the sheet layer's
  uint8_t Flags;
  // 0: no stamp; else an even check of the stamp (over its body, the
  // version and the sheet number). A stamp of an older build has an odd
  // check: such a record is not this library's.
  uint16_t Check;
  // The sheet's version: odd while a change is under way.
  uint32_t Version;
  // The stamp: the chain it was written in, and how far the objects reach
  // past the register frame on each side (X1, Y1, X2, Y2), each a 6-bit
  // mantissa shifted left by the top byte, rounded up.
  uint32_t Chain;
  uint32_t Beyond;
};
#pragma pack(pop)
static_assert(sizeof(SHEETRESERVE) == 16);
static_assert(offsetof(SHEETRESERVE, Version) == 4);
static_assert(offsetof(SHEETRESERVE, Chain) == 8);

// The word beside the change counter in the passport (MAPPASSPORT::
// CounterLockWay) while a chain lasts: bit 0 marks raisers on the lock way
// (as every build sets it), bit 1 says a chain is named, bits 2-16 hold
// the chain's start and bits 17-31 the counter's value after the raise
// that stored the word, each modulo 2^15. A chain lasts at most
// CHAIN_LENGTH raises, so that the start is known exactly from the counter.
namespace chain {
enum : uint32_t {
  LOCKWAY = 1,
  NAMED = 2,
  MODULO = 0x8000,
  LENGTH = 0x7000,
};
// The counter's value `counter` was reached by a raise that kept a chain.
inline bool Intact(uint32_t counter, uint32_t word) {
  return (word & 3u) == NAMED && (word >> 17) == (counter & (MODULO - 1));
}
// The chain's start, for an intact word.
inline uint32_t Start(uint32_t counter, uint32_t word) {
  return counter - ((counter - ((word >> 2) & (MODULO - 1))) & (MODULO - 1));
}
// The word a raise to `counter` stores for the chain started at `start`.
inline uint32_t Word(uint32_t start, uint32_t counter) {
  return NAMED | (start & (MODULO - 1)) << 2 | (counter & (MODULO - 1)) << 17;
}
}  // namespace chain

// Frames of sheet units: `f` with X1 <= X2 and Y1 <= Y2; the frame both
// ordered frames lie in; and a frame of map units less `origin`, rounded
// out to whole units and widened by `widen` on every side: false, `out`
// untouched, when it does not fit 32 bits.
inline FRAME OrderedFrame(const FRAME& f) {
  return FRAME{f.X1 < f.X2 ? f.X1 : f.X2, f.Y1 < f.Y2 ? f.Y1 : f.Y2, f.X1 < f.X2 ? f.X2 : f.X1,
               f.Y1 < f.Y2 ? f.Y2 : f.Y1};
}
inline FRAME FrameUnion(const FRAME& a, const FRAME& b) {
  return FRAME{a.X1 < b.X1 ? a.X1 : b.X1, a.Y1 < b.Y1 ? a.Y1 : b.Y1, a.X2 > b.X2 ? a.X2 : b.X2,
               a.Y2 > b.Y2 ? a.Y2 : b.Y2};
}
bool FrameRoundedOut(const DFRAME& f, const DOUBLEPOINT& origin, double widen, FRAME* out);

// What the walks of area selects learnt of the objects of one sheet that
// gets no index of its frames (TSheetFrameIndex::MinObjects), kept with
// the sheet's entry and trusted on its signal: for each object, by
// number, the frame of its points once a test read its metric record, or
// else the frame its descriptor stores (which a select tests first), with
// the record the frame was learnt from. The frame stored is widened for
// what is drawn round the points, on a map of small sheets by a good part
// of a sheet: a select whose area lies beyond a sheet's objects' points
// (Whole, once every descriptor was met) passes the sheet over unopened,
// and an object whose points are known to lie beyond it is turned away
// without its metric being read. Dropped with the entry, and whenever this
// map writes the sheet. Memory: 24 bytes an object.
struct SHEETPOINTS {
  enum : int32_t { UNSEEN = 0, STORED = 1, POINTS = 2 };
  struct OBJECT {
    FRAME Reach;      // sheet units, X1 <= X2 and Y1 <= Y2
    DWORD DataOffset;  // the metric record the frame holds for
    int32_t State;
  };
  std::vector<OBJECT> Objects;  // by number - 1
  LONG Met = 0;                 // objects not UNSEEN
  uint32_t CheckedAt = 0;       // the look (TSheetExtents::Look) it was last held in
  bool Stale = true;            // Extent is to be made again
  FRAME Extent{};

  // The walk met object n (1-based), whose descriptor stores `frame` and
  // names record `offset`.
  void Meet(LONG n, const FRAME& frame, DWORD offset) {
    if (n < 1 || size_t(n) > Objects.size()) return;
    OBJECT& o = Objects[size_t(n) - 1];
    if (o.State != UNSEEN && o.DataOffset == offset) return;
    if (o.State == UNSEEN) ++Met;
    o = OBJECT{OrderedFrame(frame), offset, STORED};
    Stale = true;
  }
  // The points of the record at `offset` lie within `reach`: kept for
  // object n when the walk met it naming that record.
  void Learn(LONG n, DWORD offset, const FRAME& reach) {
    if (n < 1 || size_t(n) > Objects.size()) return;
    OBJECT& o = Objects[size_t(n) - 1];
    if (o.State == UNSEEN || o.DataOffset != offset) return;
    o = OBJECT{OrderedFrame(reach), offset, POINTS};
    Stale = true;
  }
  // The frame of the points of object n, whose descriptor names record
  // `offset`: null when not learnt from that record.
  const FRAME* PointsOf(LONG n, DWORD offset) const {
    if (n < 1 || size_t(n) > Objects.size()) return nullptr;
    const OBJECT& o = Objects[size_t(n) - 1];
    return o.State == POINTS && o.DataOffset == offset ? &o.Reach : nullptr;
  }
  // The frame every object's frame lies in: false until each was met.
  bool Whole(FRAME* out);
};

class TSheetExtents {
 public:
  // What is known of a sheet's objects.
  enum : int32_t {
    EXTENT_UNKNOWN = 0,  // not learnt, or no longer trusted
    EXTENT_FRAME = 1,    // every object's frame lies within Frame
    EXTENT_EMPTY = 2,    // the sheet holds no object
    EXTENT_ANY = 3,      // its descriptors could not be read: it may hold anything
  };
  struct EXTENT {
    int32_t State = EXTENT_UNKNOWN;
    FRAME Frame{};  // sheet units, X1 <= X2 and Y1 <= Y2
  };
  // What is known of one sheet and the signal it holds on: the span it was
  // learnt in, or (ByChain) the chain and the sheet's version.
  struct ENTRY {
    EXTENT Extent;
    uint32_t Span = 0;
    uint32_t Chain = 0;
    uint32_t Version = 0;
    int32_t ByChain = 0;
  };

  // Sheet n's entry (1-based), null when none is kept.
  ENTRY* Find(int n);
  // Keeps an entry for sheet n.
  void Put(int n, const ENTRY& entry);
  void Drop(int n);
  // Sheet n's object was written with this frame by this map.
  void Written(int n, const FRAME& frame);
  // Entries of chain `from` hold in chain `to` (this map's own raise
  // started it, right after a raise of the chain `from`).
  void Retag(uint32_t from, uint32_t to);
  // Forgets every sheet.
  void Forget();
  // The index of these entries over the map's plane (sheetreach.h), told
  // of every entry that changes: null without memory for it.
  TSheetReach* Reach();

  // The entries held by chain are shared with the other maps of this
  // process that have the map file `path` open (the same file, by its
  // identity): what one learnt, another takes on the same signal. Unshare
  // lets go.
  void Share(const char* path);
  void Unshare();
  // Sheet n's shared entry held in `chain` at `version`: false when none.
  bool FindShared(int n, uint32_t chain, uint32_t version, ENTRY* out);
  void PutShared(int n, const ENTRY& entry);

  // The points learnt of sheet n's objects while its entry is kept (null
  // when none), and made for `count` objects when the entry is kept, the
  // sheet gets no index of its frames and the memory of them all is
  // within the budget of the frame indexes (TSheetFrameIndex::KeptBytes).
  SHEETPOINTS* Points(int n);
  SHEETPOINTS* MakePoints(int n, LONG count);
  // This map is to write sheet n: what was learnt of its objects goes.
  void DropPoints(int n);
  // A new look at the signals (the change counter observed): what was
  // held in an earlier one is looked at again before it is used.
  void Look();
  uint32_t Looks() const;

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
  // Sheets whose entry a question looked at (TMapPassport::
  // SheetObjectsExtent) in this process, for tests and benchmarks.
  static LONG SheetsAsked();
  static void SetInPlaceObjects(LONG count);

  // The stamp's packed reach past the register frame and back (each side
  // rounded up), and its check (even, never 0).
  static uint32_t PackBeyond(const int64_t (&beyond)[4]);
  static void UnpackBeyond(uint32_t packed, int64_t (&beyond)[4]);
  static uint16_t StampCheck(int n, uint32_t version, uint32_t chain, uint32_t beyond);

 private:
  // The entry of sheet n changed.
  void Changed(int n);
  std::vector<ENTRY> sheets_;
  // What the map keeps beside its entries: the index of them, and the
  // entries it shares with the other maps of the process (the type is
  // named after the latter).
  std::shared_ptr<struct SHAREDEXTENTS> shared_;
};
