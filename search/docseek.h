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

  // The methods of the document's names do what the document's methods
  // say (document/mapaccess.h); with a null document they give their
  // failure result.

  // --- Searches ---

  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int flags);
  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  TObjectInfo* SeekViewObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  TObjectInfo* TotalSeekObject(TObjectInfo* info, int flags);
  TObjectInfo* SeekObject(TObjectInfo* info, const KEYSELECT* keys, int m, int flags);
  TObjectInfo* SeekObject(TObjectInfo* info, int sheet, DWORD key, int m);
  TObjectInfo* SeekObject(TObjectInfo* info, const char* name, DWORD key);

  // --- Total search rules ---

  int SetTotalSeekMapRule(int n);
  int GetTotalSeekMapRule();
  int SetTotalSeekMap(TMap* map);
  TMap* GetTotalSeekMap();
  // The view rule as given: nonzero limits the total search to what the
  // view shows.
  int SetTotalSeekViewRule(int view);
  int GetTotalSeekViewRule() const;
  int TotalSeekObjectCount();
  int GetTotalSeekBorder(DFRAME* frame);
  int GetSelectedSeekMapRule();
  int GetSelectedSeekViewRule();
  int FreezeMapContents();
  int DefreezeMapContents();
  int SeekSelectObjectCount(TMapSelect* select);
  int ViewSelectObjectCount(TMapSelect* select);
  int SetViewSelect(TMapSelect* select);

  // --- Samples of the document's selects ---

  int SelectViewSample(const char* name, DWORD key);
  int SelectSeekSample(const char* name, DWORD key);
  int SetSample(TMapSelect* select, const char* name, DWORD key);
  int SetSample(TMapSelect* select, int sheet, DWORD key);
  int SetSampleByNumber(TMapSelect* select, int sheet, int number);
  // Out of the sample a select with a map needs no document.
  int DeleteSampleByNumber(TMapSelect* select, int sheet, int number);
  void ClearSample(TMapSelect* select);

  // --- Area ---

  int SetSeekArea(TObjectInfo* area, double distance, int keep, int relation, int view, int seek,
                  int m);

  // --- Sheets ---

  int WhatListNumber(double x, double y, int k, int kind);
  int WhatListNumber(LONG x, LONG y, int k);
  const char* WhatListName(double x, double y, int k, int kind);
  const char* WhatListName(LONG x, LONG y, int k);
  const char* GetListName(int n);
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
