// The selection context (TMapSelect): a set of conditions that decides,
// object by object, whether a map object is selected. The document holds
// three (the view select that filters what is painted, the seek select of
// the searches, the real select built from the map's content), the host
// makes more through the select functions, and every search takes one as
// its filter.
//
// The test runs in a fixed order and stops at the first failure: the
// frozen object bound, the kind mode, localisation, layer, object kind,
// frame, key range, semantics, measures; the result may then be inverted.
// A condition that is switched off costs one comparison. A sample in force
// replaces these tests (TSample).
//
// A context made on a map registers with it as an observer: the cached
// counts follow the objects written through the map, and the context
// drops the map when the map is freed (its tests then run without a map).
#pragma once

#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "selection/compare.h"
#include "selection/sample.h"
#include "platform/export.h"
#include "platform/win_types.h"

// Kind modes.
enum : int {
  KINDMODE_ANY = 0,
  KINDMODE_NONE = 1,  // only objects without a kind (code 0)
  KINDMODE_SOME = 2,  // only objects with a kind
};

// Operations of UpdateSelectCountByObject (as the sheet writers number them).
enum : int {
  SELECTCOUNT_APPEND = 1,
  SELECTCOUNT_DELETE = 2,
  SELECTCOUNT_UPDATE = 4,
};

// Total-seek marks.
enum : DWORD {
  TOTALSEEK_MAP = 1,   // marked for its own map
  TOTALSEEK_VIEW = 2,  // marked for the view
};

class MAPCLASS TMapSelect : public TSample {
 public:
  // A fresh context on the map (every object passes), registered with it.
  explicit TMapSelect(TMap* map = nullptr);
  // A fresh context without a map on a classifier of its own.
  explicit TMapSelect(TMapRsc* rsc);
  ~TMapSelect();

  // --- Reset and copies ---

  // Every condition to its default: all sets full, all switches off, the
  // sample, both condition lists, the area and the frozen bound cleared.
  // The map and the classifier stay.
  void SelectAll();
  // SelectAll, then the area metric's memory returned.
  void ReleaseSelect();
  // SelectAll, then bound to the map (null: none).
  void SetMap(TMap* map);
  TMap* GetMap() const { return Map; }
  // SelectAll, then a copy of the source's conditions, sample, area and
  // frozen bound, on the source's map: 1; 0 without a source or when
  // memory is short (what could be copied is kept).
  int SetSelect(const TMapSelect* source);
  // The localisation, layer, kind and sheet conditions built from what the
  // map holds (a map given is bound first); see the source. 1, 0 without a
  // map.
  int SetSelectByMap(TMap* map);
  // Sets the bits of the object's sheet, layer, localisation and kind
  // (switches unchanged): 1, 0 without an object or descriptor.
  int ObjectSet(TObjectInfo* object);

  // --- Tests (1 passes, 0 fails) ---
  //
  // The map's sheet object names the current sheet and object: the frozen
  // bound is taken for them, and records a condition needs are read
  // through its caches.

  // The full test of a descriptor with its records, inverted when set; 0
  // without a descriptor.
  int CheckObject(TObjectDesc desc, TObjectData data, TObjectSemn semn);
  // The same, the metric and semantics read only when a condition needs them.
  int CheckObject(TObjectDesc desc);
  // An object in memory: its sheet must be selected; with a sample in
  // force its membership (inverted when set), else the full test on its
  // own records and place.
  int CheckObject(TObjectInfo* object);
  // The painting test of the sheet object's current object (or of a copy
  // of its descriptor): with a sample in force an object not in it gives
  // the inversion, one in it the opposite unless the conditions still
  // apply (SampleComplex); otherwise CheckObject(TObjectDesc).
  int CheckObjectAndSample();
  int CheckObjectAndSample(const FVSPR* desc);
  // The same for object `number` of sheet `sheet`: records a condition
  // needs come through the map's sheet object when it holds that sheet
  // (none otherwise).
  int CheckObjectAndSample(int sheet, int number, const FVSPR* desc);
  // 1 when sheet n is selected or the sheet condition is off.
  int CheckList(int n) const { return SheetSwitch == 0 || CheckSheet(n) ? 1 : 0; }
  int CheckSemantic(TObjectSemn semn);
  // 1 when the frame condition is off or the frames overlap.
  int FrameCheck(const SELECTFRAME* frame) const;
  int FrameCheck(TObjectDesc desc) const;
  // 1 when the measure condition is off or has no conditions, else the
  // measurement conditions on the metric.
  int MeasureCheck(TObjectDesc desc, TDataEdit* metric) const;

  // --- Layers, localisations, kinds and sheets ---
  //
  // Numbers are taken modulo their set (layer & 255, localisation & 31,
  // kind & 0xFFFF, sheet & 0xFFF). The switch setters store 1 only for an
  // argument of 1 (the sheet switch: the argument as given) and return
  // what they stored.

  void SelectLayer(int n);
  void UnselectLayer(int n);
  void SelectAllLayers();
  void ClearAllLayers();
  int CheckLayer(int n) const { return int(LayerBits[(n & 255) >> 5] >> (n & 31)) & 1; }
  int SetLayerSwitch(int on);
  void SelectLocal(int n);
  void UnselectLocal(int n);
  void SelectAllLocals();
  void ClearAllLocals();
  int CheckLocal(int n) const { return int(LocalWord >> (n & 31)) & 1; }
  int SetLocalSwitch(int on);
  void SelectKind(int n);
  void UnselectKind(int n);
  void SelectAllKinds();
  void ClearAllKinds();
  int CheckKind(int n) const { return int(KindBits[(n & 0xFFFF) >> 5] >> (n & 31)) & 1; }
  int SetKindSwitch(int on);
  void SelectSheet(int n);
  void UnselectSheet(int n);
  void SelectAllSheets();
  void ClearAllSheets();
  int CheckSheet(int n) const { return int(SheetBits[(n & 0xFFF) >> 5] >> (n & 31)) & 1; }
  int SetSheetSwitch(int on);

  // --- Keys, frame, modes ---

  void SetKeyMinimum(DWORD key);
  void SetKeyMaximum(DWORD key);
  DWORD GetKeyMinimum() const { return KeyMinimum; }
  DWORD GetKeyMaximum() const { return KeyMaximum; }
  int SetKeySwitch(int on);
  // minimum <= key <= maximum (unsigned).
  int CheckKey(DWORD key) const { return KeyMinimum <= key && key <= KeyMaximum ? 1 : 0; }
  // Copies the frame and switches the frame condition on; null clears it.
  void FrameSet(const SELECTFRAME* frame);
  void FrameClear();
  int SetInversion(int on);
  int GetInversion() const { return int(Inversion); }
  // KINDMODE_*; another value is taken as KINDMODE_ANY.
  int SetKindMode(int mode);
  int GetKindMode() const { return int(KindMode); }
  // Whether painting still applies the conditions to sampled objects.
  int SetSampleComplex(int on);
  int GetSampleComplex() const { return int(SampleComplex); }
  // Whether a select painted in one colour takes only lines and areas
  // (localisations 0 and 1) and leaves the other objects out.
  int SetLineAreaSwitch(int on);
  int GetLineAreaSwitch() const { return int(LineAreaSwitch); }

  // --- Semantic conditions ---

  // Adds a condition on characteristic `code` with the value as text, typed
  // by the classifier (numbers, value-list codes, object keys, texts); the
  // semantic condition goes on. 1, 0 for code 0, no text or a full list.
  int SemanticAppend(int condition, int code, const char* value);
  void SemanticClear();
  // Removes condition n (the condition goes off with the last one): 1 or 0.
  int SemanticDelete(int n);
  // Condition n's value as text: an object key as key text, a value-list
  // code as its value name, anything else as its text; empty for no such
  // condition or one that wants the characteristic absent. The buffer, or
  // null without one.
  char* SemanticValue(int n, char* buffer, int size);
  // The classifier's name of condition n's characteristic, or "".
  const char* SemanticCodeName(int n);
  int SemanticCode(int n);
  int SemanticCondition(int n) const { return Semantics.GetCondition(n); }
  int SemanticCount() const { return Semantics.GetCount(); }
  // Sets the link (16 any, 32 all): the flags word.
  int SemanticLink(int link);
  int SemanticLink() const { return Semantics.GetLinkCode(); }

  // --- Measurement conditions ---

  // Stores the measure switch as given; returns it.
  int MeasureSelect(int flag);
  int MeasureLink() const { return Measures.GetLinkCode(); }
  // Sets the link (16 any, 32 all): the flags word.
  int MeasureLink(int link);
  // Empties the list and switches the condition off.
  void MeasureClear();
  // Appends a condition and switches the condition on: the new count, 0
  // when refused.
  int MeasureAdd(const MEASUREMENT* condition);
  int MeasureCount() const { return Measures.Count(); }
  int MeasureRange(int n) const { return Measures.Range(n); }
  int MeasureKind(int n) const { return Measures.MeasureKind(n); }
  // which 1: the first comparison or value, 2: the second; else -1.
  int MeasureCondition(int n, int which) const;
  double MeasureValue(int n, int which) const;

  // --- Area condition (mapselect_area.cpp) ---
  //
  // The area is the outer contour of an object (closed when its ends
  // differ), held in the map's units; its frame is kept in plane metres. An
  // object is in relation 0 with the area when it lies inside it, touches
  // or crosses its contour, contains it or comes within the distance
  // (plane metres) of it; in relation 1 the same without the distance; in
  // relation 2 when it lies wholly inside the area or on its contour. The
  // area condition is not part of the object test: the area search fills
  // the sample with the objects in the relation, and the searches apply
  // AreaCheck after the test while the area switch is on. On-the-contour
  // and crossing tests use a precision of 0.001 map units.

  // Sets the area: keep 0 resets the context first (the area inversion
  // survives); a negative distance counts as 0. With seek nonzero the area
  // search runs at once (filter: a second context the objects must pass
  // too). 1; 0 without a map, an area object or points, or for a relation
  // other than 0, 1 and 2.
  int AreaSet(double distance, TObjectInfo* area, int keep, int relation, int seek,
              TMapSelect* filter);
  // The area contour and frame from the object, switches left alone: 1, 0
  // when the object has no points (the area is then empty).
  int LoadAreaSource(TObjectInfo* area);
  // Switch, kept flag, distance, frame and relation to 0, the contour
  // released, the sample cleared when in force.
  void AreaClear();
  // The area search: over every selected sheet, the objects that pass this
  // context and the filter (when given) and are in the relation (or, with
  // the area inversion, are not) become the sample, which is in force
  // afterwards even when empty. Progress goes to ProgressWindow (null: the
  // host message window; (HWND)-1: none); a host that stops it leaves the
  // sample empty. 1, also when stopped; 0 without a map with sheets or
  // without the area switch.
  int SetSampleByArea(TMapSelect* filter);
  // The area test of a descriptor of the map's current sheet, its metric
  // read through the sheet's caches; inverted with the area inversion.
  int AreaCheck(TObjectDesc desc);
  // The area test of a descriptor and its metric (sheet units of the map's
  // current sheet): 1 without metric, map or area switch.
  int AreaCheck(TObjectDesc desc, TDataEdit* metric);
  // The frame pre-test: the descriptor's frame (sheet units, the sheet
  // origin given) meets the area's frame, or for relation 0 lies within the
  // distance of it along one axis.
  int AreaCheckByFrame(TObjectDesc desc, const DOUBLEPOINT* origin);
  // The smallest distance in plane metres between the area's contour and
  // the object's contours into `distance`: the number of the area vertex
  // (or, when a vertex of the object lies nearer, that vertex counted over
  // all its contours) of the nearest pair; 0 without an area or points.
  int ToMeasureDistance(TDataEdit* metric, double* distance, const DOUBLEPOINT* origin);
  // 1 when a vertex of the area lies inside the object's outer contour,
  // farther than 0.001 from it in X or in Y.
  int IsAreaInside(TDataEdit* metric, const DOUBLEPOINT* origin);
  // The objects of `list`'s open sheet (the map's current one) that the
  // index of its frames names as those the area test may pass, as
  // TSheetFrameIndex::Meeting names them after object `from` in
  // `direction`: those whose stored frames meet the area's frame, for
  // relation 0 widened by the distance (the objects the frame pre-test
  // lets through along one axis lie farther than the distance from the
  // area when their points lie within their stored frames, and fail the
  // test). False when the walk must answer: no area, the area inversion
  // on, a map whose units do not turn into plane metres, or the index
  // does not answer.
  bool AreaCandidates(TMapList& list, LONG from, int direction,
                      TSheetFrameIndex::ANSWER* out) const;
  // Whether sheet `sheet` of the context's map holds no object the area
  // lets pass: the area (not inverted) is set and the frame that holds
  // every object of the sheet (TSheetExtents, learnt once for a sheet
  // whose register frame the area misses) lies beyond the reach of every
  // test of its relation. The walks then neither open nor read the sheet.
  // The map's change counter is to be read before a walk asks this.
  bool SheetBeyondArea(int sheet) const;
  // The first sheet from `from` on, stepping by `step` (1 or -1), that a
  // walk for the area asks SheetBeyondArea of: the sheets the map knows to
  // hold no object within the area's reach are passed over without a look
  // at each (TMapPassport::NextSheetToAsk); `from` itself without an area
  // that passes sheets over; 0 when no sheet is left. The map's change
  // counter is to be read before a walk asks this.
  int NextSheetInReach(int from, int step) const;
  // Whether the sample in force is what the area search found on `map`
  // (the context's map) with no condition, entry or object changed since:
  // each object in it then passes the area test (or fails it, under the
  // area inversion), and need not be tested again.
  bool AreaSampleHolds(const TMap* map) const;
  int GetAreaRelation() const { return int(AreaRelation); }
  double GetAreaDistance() const { return AreaDistance; }
  int SetAreaInversion(int on);
  int GetAreaInversion() const { return int(AreaInversion); }

  // --- Counts and freezing ---
  //
  // Both counts are cached; a change of a condition, of the sample or of
  // the map's change counter drops them. The objects written through the
  // map keep the selected count right without a recount where the change
  // tells enough (appends and deletions), and drop it otherwise.

  // Objects of the selected sheets that are not deleted and pass (with a
  // sample in force: the sample's size on those sheets).
  int GetSelectObjectCount();
  // Objects that pass both this context and `other` (on the same map).
  int GetMarkObjectCount(TMapSelect* other);
  // Keeps the cached selected count right across one edit of object
  // `number` of the current sheet, told before the sheet writes: 1 append
  // (the new records), 2 delete (no records), 4 update (the new records;
  // the stored version is read from the sheet). Only while the count is
  // known and in step with the map's change counter; the stamp then
  // expects the counter to be raised by one. 1 when the count was kept.
  int UpdateSelectCountByObject(int number, TObjectDesc desc, TObjectData data,
                                TObjectSemn semn, int operation);
  // Bounds every sheet of the map at its object count now: objects added
  // later fail the test, and so do objects of sheets added later. 1, 0
  // without a map with sheets or when memory is short.
  int Freeze();
  int Defreeze();

  // --- Total-seek marks ---

  int TotalSeekSelect(TMap* map, int view);
  void ClearTotalSeek() { TotalSeekMarks = 0; }
  int IsTotalSeekMap() const { return (TotalSeekMarks & TOTALSEEK_MAP) ? 1 : 0; }
  int IsTotalSeekView() const { return (TotalSeekMarks & TOTALSEEK_VIEW) ? 1 : 0; }
  int GetTotalSeekMarks() const { return int(TotalSeekMarks); }

  // --- The select record (mapselect_record.cpp, types/selecttypes.h) ---
  //
  // The writer lists a section's names only while its condition is on and
  // what names the items is at hand (the map for sheets, the classifier
  // for layers and kinds); a name is cut to 31 bytes. The reader marks the
  // counts stale; the area switch and the inversion become 0. A condition
  // list that is not sound is cleared and its switch turned off.

  // Bytes of the context's "SLT" record.
  int GetSelectRecordSize();
  // The record into the buffer: its size; 0 for a null buffer or one
  // shorter than the size.
  int GetSelectRecord(char* buffer, int length);
  // Takes an "SLT" record of `length` bytes: 20488; another record goes to
  // PutSelectRecordOld. 0 for a null buffer or no length. A section that
  // does not lie whole within the length or has a wrong tag is passed
  // over, its set left as it was.
  int PutSelectRecord(const char* buffer, int length);
  // Takes a "SET" or "SEC" record (each of 29216 bytes at least): 29216;
  // anything else resets the context and gives 0.
  int PutSelectRecordOld(const char* buffer, int length);

  // The classifier of names and types: the map's, else the context's own;
  // null when neither is open.
  TMapRsc* Classifier() const;

 private:
  // Object `number` of `sheet` (its descriptor and records) against the
  // conditions, inversion applied.
  int Pass(int sheet, int number, const FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn);
  // The same without inversion.
  int Test(int sheet, int number, const FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn);
  // Pass with the records a condition needs read through the map's sheet
  // object (which must hold `sheet`); -1 when they cannot be read.
  int PassStored(int sheet, int number, const FVSPR* desc);
  bool FrozenOut(int sheet, int number) const;
  void FreeFrozen();
  int CopyFrozen(const TMapSelect* source);
  // Registration with the map as an observer; the stamp taken.
  void BindMap(TMap* map);
  void Unbind();
  static void MapNotice(void* context, TMap* map, int notice, const SHEETCHANGE* change);
  void NoteWriting(const SHEETCHANGE& change);
  void FollowChange(const SHEETCHANGE& change);
  // Drops the cached counts when a change of the context or of the map
  // makes them doubtful.
  void RefreshCounts();
  // The localisation condition set to pass nothing.
  void SelectNothing();
  // The map's change stamp now (TMapPassport::ChangeStamp: the counter in
  // the file read): 0 without a map.
  uint64_t MapStamp() const;

  // --- Area work (mapselect_area.cpp) ---
  // The area contour into AreaPoints from AreaMetric.
  void TakeAreaPoints();
  // The sample emptied and left in force: nothing is selected until the
  // search appends.
  void EmptySampleInForce();
  // The sheet origin the map's objects of the current sheet are relative to.
  DOUBLEPOINT SheetOrigin() const;
  // The object's contours in map units into WorkPoints/WorkParts, and
  // their frame into WorkBox (`frame` when the caller has it already):
  // false when its outer contour has no point.
  bool TakeObjectPoints(TDataEdit* metric, const DOUBLEPOINT& origin,
                        const DFRAME* frame = nullptr);
  // The area test without inversion, after the frame pre-test.
  int AreaTest(const FVSPR* desc, TDataEdit* metric, const DOUBLEPOINT& origin);
  // The same, telling the frame of the object's points it found (map
  // units; `*framed` 0 when it found none).
  int AreaTestFramed(const FVSPR* desc, TDataEdit* metric, const DOUBLEPOINT& origin,
                     DFRAME* points, int* framed);
  // The first point and the end of the object's outer contour in map
  // units into ends[0], ends[1] (the contour read no further): 2, or 0
  // when the contour has no point.
  int OuterEnds(TDataEdit* metric, const DOUBLEPOINT& origin, DOUBLEPOINT* ends);
  // An end of a line or area that puts it in relations 0 and 1.
  bool EndInArea(const DOUBLEPOINT& p);
  // The frame of an object's points (map units) lies so far from the area
  // that no test of the relation can pass it.
  bool BeyondArea(const DFRAME& frame, int relation) const;
  // How far beyond the area's frame (map units) a frame may reach and
  // still not be beyond it.
  double AreaSlack(int relation) const;
  int TextAreaTest(int relation);
  int WhollyInside();
  // The area contour against one segment (within the precision), and
  // against every segment of the object.
  bool AreaMeetsSegment(const DOUBLEPOINT& a, const DOUBLEPOINT& b) const;
  bool AreaMeetsObject();
  // The area's sides whose frames meet the frame, each once, into
  // WorkSides: their number.
  int CollectSides(const DFRAME& box);
  // The band of the area's sides a row lies in.
  int AreaBand(double y) const;
  // The area's inside test (TDataEdit::Inside codes) of a point in map
  // units.
  int AreaInside(const DOUBLEPOINT& p);
  // Squared distance from a point to the area contour, exact when it is at
  // most `limit` (map units; kFar: always).
  double AreaDistance2(const DOUBLEPOINT& p, double limit) const;
  // Whether the nearest point of the area contour lies within 0.001 of the
  // point in X and in Y.
  bool NearAreaContour(const DOUBLEPOINT& p) const;
  // Squared distance from a point to the taken object's contours (at most
  // `best`).
  double NearestToObject(const DOUBLEPOINT& p, double best) const;
  // The nearest pair of the area and the taken object: plane metres, and
  // the vertex number (0: none).
  int NearestPair(double* distance);
  bool WithinDistance();
  int AreaInTakenObject(TDataEdit* metric, const DOUBLEPOINT& origin);
  // Plane metres per map unit.
  double UnitFactor() const;
};

// The select context a host's select handle names: the context itself when
// it is registered as a live one, else null (a stale or foreign handle).
TMapSelect* MapSelectOfHandle(intptr_t handle);
