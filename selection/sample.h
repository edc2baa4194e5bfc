// A sample: an explicit list of chosen objects, per sheet of a map the
// numbers of the objects picked by a search, by an area or by the host.
// TSample is the base of the selection context TMapSelect and holds the
// storage of the whole context: its fields are laid out here, the sample's
// first, and TMapSelect adds only operations. A context whose sample is in
// force passes exactly the objects of its sample (or exactly the others
// when it is inverted).
//
// The lists live in one block from the page allocator (u32 words):
//   0 .. 4n-1    offset table: entry s-1 is the byte offset of sheet s's
//                list from the block's start, 0 when it has none
//   4n .. used   the lists in the order they were made: a count k >= 1,
//                then k object numbers in strictly ascending order
// When the last list goes the block is released and the sample is no
// longer in force. The sheet count n is fixed when the first block is
// made (the map's sheet count then, at least 1); a sheet above it is
// refused until the sample is cleared.
#pragma once

#include <vector>

#include "common/points.h"
#include "records/dataedit.h"
#include "selection/compare.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TMap;
class TMapRsc;
class TMapSelect;
struct SELECTLIST;

// A frame in a sheet's internal units: the minima X1, Y1, the maxima X2, Y2.
struct SELECTFRAME {
  LONG X1;
  LONG Y1;
  LONG X2;
  LONG Y2;
};
static_assert(sizeof(SELECTFRAME) == 16);

enum : int {
  SAMPLE_GROWTH = 2048,       // bytes the block grows by (at least)
  SELECT_LAYERS = 256,        // bits of the layer set
  SELECT_KINDS = 65536,       // bits of the kind set (classifier object numbers)
  SELECT_SHEETS = 4096,       // bits of the sheet set
};

class MAPCLASS TSample {
 public:
  // Every field of the context cleared, the map kept.
  explicit TSample(TMap* map = nullptr);
  // Releases the sample and the area metric.
  ~TSample();
  TSample(const TSample&) = delete;
  TSample& operator=(const TSample&) = delete;

  // Frees the block; sizes, cursor, the sample flag and the
  // further-conditions flag become 0.
  void ClearSample();
  // A new block of `size` bytes, the lists kept when they fit: 1; 0 when
  // size <= 0 (the sample is then cleared), when the offset table does not
  // fit, or when memory is short (the old block stays).
  int Allocate(int size);
  // A copy of another sample (its block, sheet count, sample flag and
  // further-conditions flag): 1, also for an empty source; 0 without a
  // source or when memory is short.
  int Load(const TSample* source);

  // Adds an object to a sheet's list: 1 when added or already there; 0 for
  // an object or sheet below 1, a sheet above the table, or no memory.
  int AppendSample(int object, int sheet);
  // Position (from 1) of the object in the sheet's list, else 0 with the
  // insertion hint set to the position of the first larger number (0 when
  // none is larger). The cursor is left on the sheet at position 1.
  int CheckSample(int object, int sheet);
  // 1 when the object is in the sheet's list; the cursor and the hint are
  // left as they are (the test painting asks of every object).
  int InSample(int object, int sheet);
  // Where in a list (its count word at `list`) the object belongs: the
  // first number, after a one-number list, after the last number when the
  // object is not below it, else the first number not below the object.
  DWORD* SeekPosition(DWORD* list, int object);
  // Removes the object from the sheet's list: 1 when removed.
  int DeleteSample(int object, int sheet);

  // The walk over one sheet's list. First and last make the sheet current
  // at their position; next and previous move the cursor. 0 at the ends
  // and for a sheet without a list.
  int GetFirstSample(int sheet);
  int GetLastSample(int sheet);
  int GetLastSample();
  int GetNextSample();
  int GetPrevSample();
  // Number n (from 1) of the current sheet's list, the cursor unchanged.
  int GetSample(int n);
  int GetSamplesCount(int sheet);
  // The sheet's list (sheet 0: the current sheet): its count word, null
  // when there is none.
  DWORD* SeekSample(int sheet);
  // 1 when the sheet has a list.
  int CheckSample(int sheet);
  // Places the cursor to continue a walk from `object` with search flags
  // (SEEK_NEXT or SEEK_PREV): on the object when it is listed (its position
  // returned), else between its neighbours (1); 0 when the walk cannot
  // continue (the current sheet is then none).
  int Adjustment(int object, int sheet, int flags);
  int IsSampleActive() const { return SampleActive; }
  // Marks the cached counts stale and gives the context a new serial, so
  // that a count made together with another context knows it changed.
  void Touch();

  // --- The sample's fields, in this order ---
  TMap* Map = nullptr;       // the map whose sheets are meant
  int SheetCount = 0;        // sheets the offset table covers
  char* Buffer = nullptr;    // the block, or null
  int Allocated = 0;         // its size in bytes
  int Used = 0;              // bytes in use: the table and every list
  int TableSize = 0;         // 4 x SheetCount
  int CurrentSheet = 0;      // sheet of the cursor, 0 = none
  int CurrentPosition = 0;   // from 1 in the current sheet's list
  int InsertHint = 0;        // set by CheckSample
  int SampleActive = 0;      // 1 while a list exists

  // --- The fields of the selection context (TMapSelect), in this order ---
  DWORD LayerBits[SELECT_LAYERS / 32] = {};
  DWORD LocalWord = 0;       // bit n = localisation n
  DWORD KindBits[SELECT_KINDS / 32] = {};
  DWORD SheetBits[SELECT_SHEETS / 32] = {};
  // Switches: 1 = the condition is in force.
  DWORD LayerSwitch = 0;
  DWORD LocalSwitch = 0;
  DWORD KindSwitch = 0;
  DWORD SheetSwitch = 0;
  DWORD SemanticSwitch = 0;
  DWORD KeySwitch = 0;
  DWORD AreaSwitch = 0;
  DWORD FrameSwitch = 0;
  DWORD MeasureSwitch = 0;
  DWORD TotalSeekMarks = 0;  // 1: marked for its own map; 2: marked for the view
  DWORD AreaInversion = 0;
  DWORD FreezeSwitch = 0;
  DWORD KindMode = 0;        // 0 any; 1 only objects without a kind; 2 only with one
  DWORD Inversion = 0;       // the whole result is inverted
  DWORD KeyMinimum = 0;      // object key range, both ends included, unsigned
  DWORD KeyMaximum = 0xFFFFFFFFu;
  SELECTFRAME Frame = {};
  double AreaDistance = 0.0;
  TDataEdit AreaMetric;      // no constructor: Init in the constructor
  DFRAME AreaFrame = {};
  DWORD AreaKeepConditions = 0;
  DWORD AreaRelation = 0;
  TCompare Semantics;
  TPlaneMeasure Measures;
  DWORD CountsStale = 1;     // set by every change of a condition or of the sample
  LONG MarkCount = -1;       // cached counts, -1 = unknown
  LONG SelectCount = -1;
  TMapSelect* MarkedWith = nullptr;  // the other context of the marked count
  uint64_t ChangeStamp = 0;  // the map's change stamp (TMapPassport::ChangeStamp) when the
                             // counts were made
  HWND ProgressWindow = nullptr;  // null: the host message window
  DWORD FrozenOne = 0;       // object bound of a one-sheet map
  DWORD* FrozenBounds = nullptr;  // object bound per sheet (page memory), or &FrozenOne
  TMapRsc* Rsc = nullptr;    // the classifier of a context without a map
  DWORD SampleComplex = 0;   // the conditions still apply to sampled objects

  // --- Kept beside the fields above ---
  DWORD LineAreaSwitch = 0;  // painting in one colour takes only lines and areas
  int FrozenCount = 0;       // sheets the frozen bounds cover
  SELECTLIST* Listed = nullptr;  // the select list of its map that holds it, or null
  DWORD HostMade = 0;        // made in page memory for a host's handle
  TMap* ObservedMap = nullptr;  // the map the context is registered with
  int Finger = 0;            // index of the last number found by CheckSample
  int FingerSheet = 0;       // and its sheet
  int PendingSheet = 0;      // the object the map is about to rewrite or delete
  int PendingNumber = 0;
  int PendingPassed = 0;     // whether its stored version passed (-1 unknown)
  DWORD Serial = 0;          // renewed by Touch, unique across contexts
  DWORD MarkedSerial = 0;    // the other context's serial when the marked count was made
  // The sample is the area search's answer, made from what the map held
  // while its change stamp was AreaSampleStamp (nobody has changed the map
  // since while the stamp is the same), and no condition or entry has
  // changed since (Touch clears it).
  DWORD AreaSampled = 0;
  uint64_t AreaSampleStamp = 0;
  // The area contour in map units, closed (taken from AreaMetric), its
  // frame in map units, and the working copies of the object under test
  // (its contours in map units, the start of each, its frame) reused from
  // object to object.
  std::vector<DOUBLEPOINT> AreaPoints;
  DFRAME AreaBox = {};
  // The area's sides by horizontal bands of its frame: band b lists the
  // sides (side i joins points i and i + 1) that reach into it, in contour
  // order, at AreaBandSides[AreaBandStart[b] .. AreaBandStart[b + 1]).
  std::vector<int> AreaBandStart;
  std::vector<int> AreaBandSides;
  double AreaBandY0 = 0.0;
  double AreaBandHeight = 1.0;
  std::vector<DOUBLEPOINT> WorkPoints;
  std::vector<int> WorkParts;
  DFRAME WorkBox = {};
  std::vector<double> WorkCuts;
  std::vector<int> WorkSides;

 private:
  DWORD* Table() const { return reinterpret_cast<DWORD*>(Buffer); }
  // The list of a sheet in 1..SheetCount; null when it has none.
  DWORD* ListOf(int sheet) const;
  // The sheet count a first block is made for.
  int NewSheetCount() const;
  // Offset of the first number not below `object` in a list of `count`
  // numbers at `numbers` (count when there is none), searched from the
  // last place found: walks in ascending order cost a step or two.
  int LowerBound(const DWORD* numbers, int count, DWORD object, int sheet);
};
