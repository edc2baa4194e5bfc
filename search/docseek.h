// The object search on a map document: the searches of the object
// functions (first, next, previous, last object under a select, by key and
// key range, by sheet name), the total search over the main map and its
// user maps with its map and view rules, the samples of the document's
// selects, the area set on the seek selects, and the sheets that contain a
// point or bear a name.
//
// A search takes its starting place from an object handle and binds the
// handle to the object found; it gives 0 (a null handle) and leaves the
// handle alone when nothing is found. A null document or a null argument
// that is needed gives the failure result without any effect.
//
// TDocumentSeek holds the bodies of the document's search methods
// (TMapAccess::SeekObject and the rest, document/mapaccess.h), which hosts
// call; it stays inside the library.
#pragma once

#include "document/mapaccess.h"
#include "search/objectseek.h"

// Coordinate kinds of the sheet-by-point questions.
enum : int {
  SEEKPOINT_MAP = 1,      // map units
  SEEKPOINT_PICTURE = 2,  // picture pixels
  SEEKPOINT_PLANE = 3,    // plane metres
  SEEKPOINT_GEO = 4,      // latitude and longitude, radians
};

class TDocumentSeek {
 public:
  explicit TDocumentSeek(TMapAccess* doc) : Doc(doc), Maps(doc) {}

  // --- Searches under a select (null: each map's seek select) ---

  // The place is the handle's object (with SEEK_THISMAP and a select of
  // another map: none); without one a next search is a first one and a
  // previous search a last one. SEEK_THISMAP keeps the walk in the
  // select's map (the handle's without a select).
  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int flags);
  // SEEK_THISMAP keeps the walk in map m.
  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  // The same with SEEK_VIEW.
  TObjectInfo* SeekViewObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  // The total search: the maps of the map rule (one map and its seek
  // select, or every map with its own), only what the view shows when the
  // view rule is set.
  TObjectInfo* TotalSeekObject(TObjectInfo* info, int flags);
  // A key range of one sheet; SEEK_THISMAP keeps the walk in map m.
  TObjectInfo* SeekObject(TObjectInfo* info, const KEYSELECT* keys, int m, int flags);
  // The first undeleted object with the key on a sheet of map m.
  TObjectInfo* SeekObject(TObjectInfo* info, int sheet, DWORD key, int m);
  // The first undeleted object with the key on the sheet named so
  // (trailing blanks ignored, case ignored): the main map's sheets from the
  // last, then the user maps from the last by their one sheet; only the
  // first sheet of the name is searched.
  TObjectInfo* SeekObject(TObjectInfo* info, const char* name, DWORD key);

  // --- Total search rules ---

  // n >= 0 naming no map becomes 0; a negative rule is stored as given.
  // The rule stored.
  int SetTotalSeekMapRule(int n);
  // -1 all maps; -2 for a rule naming no map (or -2 itself).
  int GetTotalSeekMapRule();
  // null: all maps (-1); a map not in the document: the main map. The rule.
  int SetTotalSeekMap(TMap* map);
  // The rule's map; null for all maps. A rule whose map is gone becomes 0.
  TMap* GetTotalSeekMap();
  int SetTotalSeekViewRule(int view);
  int GetTotalSeekViewRule() const;
  // Objects the total search would find.
  int TotalSeekObjectCount();
  // The plane frame of every object the total search finds: 1, or 0 with
  // the frame untouched when it finds none.
  int GetTotalSeekBorder(DFRAME* frame);
  // Over the maps with a seek select: 0 when none is marked for its own
  // map, -1 when all are, else the first marked map's number.
  int GetSelectedSeekMapRule();
  // The view mark of the main map's seek select (of user map 1 when the
  // main map is closed); -1 without a select.
  int GetSelectedSeekViewRule();
  // Freezes the seek selects of the rule's maps (their objects now are all
  // a search will find): 1, or the one select's result (0 when missing).
  int FreezeMapContents();
  int DefreezeMapContents();
  // The select's count, or the sum over every map's seek (view) select.
  int SeekSelectObjectCount(TMapSelect* select);
  int ViewSelectObjectCount(TMapSelect* select);
  // The main map's view select takes the select's conditions: 1 or 0.
  int SetViewSelect(TMapSelect* select);

  // --- Samples of the document's selects ---

  // The first object (deleted ones too) with the key on the sheet named
  // so (the main map's sheets from the first, then the user maps from the
  // last) goes into that map's view (seek) select's sample: the append's
  // result, 0 when none. The seek form first lets every localisation pass.
  int SelectViewSample(const char* name, DWORD key);
  int SelectSeekSample(const char* name, DWORD key);
  // Into the select's sample (its map, else the main map): the first
  // object with the key on the first sheet whose name is exactly the name
  // (case ignored); the append's result, 0 when none.
  int SetSample(TMapSelect* select, const char* name, DWORD key);
  // Every object with the key on the sheet: how many went in.
  int SetSample(TMapSelect* select, int sheet, DWORD key);
  // Object `number` of the sheet in or out of the sample: 1 or 0. Out of
  // it a select with a map needs no document.
  int SetSampleByNumber(TMapSelect* select, int sheet, int number);
  int DeleteSampleByNumber(TMapSelect* select, int sheet, int number);
  // The select's sample, or (null) the sample of every map's seek select.
  void ClearSample(TMapSelect* select);

  // --- Area ---

  // Sets the area (an object of one of the document's maps, two points at
  // least, in plane metres) on every map's seek select: map m (-1: every
  // map) is searched at once (seek nonzero), with its view select as the
  // filter when `view` is set; the others only take the area. 1 when every
  // seek select took it; the total search rules then become m and view.
  int SetSeekArea(TObjectInfo* area, double distance, int keep, int relation, int view, int seek,
                  int m);

  // --- Sheets ---

  // The k-th sheet of the main map (k <= 1: the first) whose frame holds
  // the point strictly inside; 0 when none or for an unknown coordinate
  // kind.
  int WhatListNumber(double x, double y, int k, int kind);
  int WhatListNumber(LONG x, LONG y, int k);
  // That sheet's name; null when none.
  const char* WhatListName(double x, double y, int k, int kind);
  const char* WhatListName(LONG x, LONG y, int k);
  // The name of sheet n of the main map; null for n = 0 or no map.
  const char* GetListName(int n);
  // The first open map (0 main, then user maps) with a sheet of that name
  // (case ignored); -1 when none.
  int WhatListLayoutIs(const char* name);
  // The first open map (0 main, then user maps) whose file is the named
  // one (case ignored); -1 when none or without a name.
  int MapByFileName(const char* name);

  // --- Seek selects ---

  // Every map's seek select reset; with access 0 each then lets nothing
  // pass (no localisation). 1, 0 without a document.
  int SetTotalSeekAccess(int access);
  // The area of every map's seek select cleared.
  void ClearSeekArea();

  // How a sheet's name matches a given name, case ignored: the same text;
  // the name (trailing blanks ignored) followed by blanks only; or the
  // name (trailing blanks ignored, at least one character left) followed
  // by anything.
  enum : int { MATCH_WHOLE, MATCH_BLANKS, MATCH_START };
  // The first sheet of a map (from the last with `fromLast`) whose name
  // matches: its number, 0 when none.
  static int SheetByName(TMap* map, const char* name, int match, bool fromLast);
  // The first object of the sheet with the key, deleted ones too: its
  // number, 0 when none or a descriptor does not read.
  static int FirstWithKey(TMap* map, int sheet, DWORD key);

  // The handle's place (sheet 0, object 0, no map when it holds none).
  static MAPOBJDESC PlaceOf(const TObjectInfo* info);
  // The object at the place read into the handle: the handle, or null
  // when it does not read.
  static TObjectInfo* Found(TObjectInfo* info, const MAPOBJDESC& place);
  // The first object that reads of those `step` (place, flags) finds from
  // the place on: the handle, or null when the search ends first.
  template <class Step>
  static TObjectInfo* Found(TObjectInfo* info, MAPOBJDESC place, int flags, Step step) {
    while (step(&place, flags)) {
      if (Found(info, place) != nullptr) return info;
      // An object that does not read (its records are damaged) is passed
      // over: the search goes on from it in its direction.
      const int direction = SeekDirection(flags);
      if (direction == SEEK_FIRST)
        flags |= SEEK_NEXT;
      else if (direction == SEEK_LAST)
        flags |= SEEK_PREV;
    }
    return nullptr;
  }

 private:
  // The select and flags of the total search; false when it cannot run.
  bool TotalSetup(TMapSelect** select, int* flags, int* map);
  // Runs the total search from the place: 1 and the place, or 0.
  int TotalStep(MAPOBJDESC* place, int flags);
  // The map (0 main, then user maps from the last) and sheet of the first
  // sheet named so (main map: from its first sheet): -1 when none.
  int MapOfSheetName(const char* name, int* sheet);
  // Sheet by point in plane metres.
  int SheetAt(double x, double y, int k);

  TMapAccess* Doc;
  TSeekMaps Maps;
};

// The view select of the exported interface. A select handle is the
// address of a select context registered as a live handle; a null, closed
// or foreign document or select gives 0 and changes nothing.
// The document's view select takes the select's conditions: 1 or 0.
int docSetViewSelect(HMAP hMap, HSELECT select);
// The select takes the document's view select's conditions: 1 or 0.
int docGetViewSelect(HMAP hMap, HSELECT select);
