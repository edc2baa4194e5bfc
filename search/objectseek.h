// The object search over the maps of a document: the walks that find the
// first, last, next or previous object meeting a selection context, an
// object by key or key range, in the order of the maps (the main map 0,
// then the user maps 1..N) and within a map in the order of its sheets and
// of each sheet's object chain (or of a sample in force).
//
// A search starts from a place {sheet, object, map} and, when it finds an
// object, writes the object's place there. It reports no errors: a map
// that is missing, closed or without sheets, a sheet that cannot be opened
// and an object that cannot be read are passed over as each walk says.
//
// TObjectSeek holds the bodies of the document's walks
// (TMapControl::SeekObject and the rest), which hosts call; it stays
// inside the library.
#pragma once

#include "document/mapcontrol.h"
#include "objects/objectinfo.h"
#include "selection/mapselect.h"
#include "platform/win_types.h"

// The seek flags (SEEK_*) and the key range of a search by keys
// (KEYSELECT) are those of the object functions (types/objtypes.h).

// One map of a document as the searches see it.
struct SEEKMAP {
  TMap* Map;         // null: missing from the chain
  TMapSelect* Seek;  // what the searches find, or null
  TMapSelect* View;  // what the view shows, or null
  int Visible;       // the map's visible flag
};

// The maps of a document by number: 0 the main map, 1..N the user maps in
// the order of their chain. Taken from a document, or from a list of maps
// of its own.
class TSeekMaps {
 public:
  explicit TSeekMaps(TMapControl* doc) : Doc(doc) {}
  // `count` maps, entry 0 the main map.
  TSeekMaps(const SEEKMAP* maps, int count) : List(maps), ListCount(count > 0 ? count : 0) {}

  // N, the number of user maps.
  int UserCount() const;
  // Map n; null when absent.
  TMap* GetMap(int n) const;
  TMapSelect* GetSeekSelect(int n) const;
  TMapSelect* GetViewSelect(int n) const;
  int MapVisible(int n) const;
  // 0 for the main map, 1..N for a user map, -1 for null or any other map.
  int GetMapNumber(const TMap* map) const;

 private:
  const SEEKMAP* Entry(int n) const;
  TMapControl* Doc = nullptr;
  const SEEKMAP* List = nullptr;
  int ListCount = 0;
};

class TObjectSeek {
 public:
  explicit TObjectSeek(const TSeekMaps& maps) : Maps(maps) {}

  // The object after (SEEK_NEXT) or before (SEEK_PREV) the place, or the
  // first or last one, that passes the select (null: each map's own seek
  // select) and, while its area switch is on, its area test; SEEK_VIEW
  // asks the map's view select too. Maps are tried from the place's map
  // (SEEK_THISMAP: that map alone; without a place's map the main map for
  // a first search, the last user map for a last one); after a map without
  // a hit a next search goes on as a first one, a previous as a last one.
  // 1 and the place written, or 0.
  int SeekObject(MAPOBJDESC* place, TMapSelect* select, int flags);
  // The walk of one map (SEEK_VIEW: the view walk): 1 and the place, or 0.
  int SeekObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags);
  // The objects of the range's sheet whose key lies in the range, visited
  // by number; maps in the order of SeekObject. 1 and the place, or 0.
  int SeekObject(MAPOBJDESC* place, const KEYSELECT* keys, int flags);
  int SeekKeyInMap(TMap* map, MAPOBJDESC* place, const KEYSELECT* keys, int flags);
  // The first undeleted object of the sheet with the key, in number order:
  // its number, 0 when there is none or a descriptor cannot be read.
  static int SeekObjectByKey(TMap* map, int sheet, DWORD key);
  // The first map number, the step and the number of maps to try.
  void MapOrder(const MAPOBJDESC* place, int flags, int* first, int* step, int* count) const;

 private:
  // Whether a candidate of sheet `sheet` (current in `map`) is accepted;
  // `areaKnown`: it is in the area search's sample, which still holds.
  int Accept(TMap* map, int sheet, int number, const FVSPR* desc, TMapSelect* select,
             TMapSelect* view, int flags, bool areaKnown = false);

  TSeekMaps Maps;
};

// The sheets of a map in the order a walk tries them: a next (previous)
// search from the place's sheet when the place lies on one of them, else
// as a first (last) one from the first (last) sheet.
struct SHEETWALK {
  int Direction;   // SEEK_NEXT, SEEK_PREV, SEEK_FIRST or SEEK_LAST
  int Positional;  // goes on from the place's object
  int Step;        // 1 or -1
  int Start;       // the first sheet tried
};
SHEETWALK SheetWalk(const MAPOBJDESC* place, const TMap* map, int sheets, int flags);

// Direction bits of a flags word after the priority rule: SEEK_NEXT,
// SEEK_PREV, SEEK_LAST or SEEK_FIRST.
int SeekDirection(int flags);
// After a map without a hit: a next search goes on as a first one, a
// previous one as a last one.
int SeekFlagsForNextMap(int flags);
