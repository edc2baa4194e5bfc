// One map object held in memory (TObjectInfo): a private copy of its
// descriptor, its metric, semantics and graphics in editing buffers, its
// place (map, sheet, object number) and, for an object that stands for a
// group, the group record. Its address is the object handle of the object
// functions; handles given to a host are kept in a registry so that a null,
// freed or invented handle is refused without being dereferenced.
//
// An object is read from a sheet of a map, edited in memory and written back
// by the commit; object number 0 marks a new object never written. Reading
// copies the records out of the sheet's caches: the object never points into
// them afterwards.
//
// TObjectDesc is the one-pointer view over a descriptor record that fills it
// from the classifier and sets its flag bits.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "types/objtypes.h"
#include "types/semtypes.h"
#include "common/maperr.h"
#include "geodesy/points.h"
#include "geodesy/translate.h"
#include "mapstore/maplist.h"
#include "mapstore/sheetfile.h"
#include "records/dataedit.h"
#include "records/drawedit.h"
#include "records/objectdata.h"
#include "records/semnedit.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "groups/objectgroup.h"
#include "objects/pointregister.h"

class TMap;
class TMapRsc;

// Characteristic codes the object keeps for itself.
enum : int {
  OBJECT_SEM_EXCODE = 32800,  // classification code the classifier lacks
  OBJECT_SEM_RSCKEY = 32811,  // classifier key the classifier lacks
  OBJECT_RSCKEY_SIZE = 32,    // bytes of a kept key
  OBJECT_NAME_SIZE = 32,
  OBJECT_SEGNAME_SIZE = 31,
  OBJECT_LOCALNAME_SIZE = 16,
  OBJECT_SERVICE_FRAME = 15,  // classifier index of the sheet frame
};

// The error of InsertPointCross while no crossing finder is registered
// ("Library not found"; objects/crossfinder.h).
enum : int { OBJECT_ERR_NOCROSSING = MAPERR_NOLIBRARY };

// How near the point moves of the object functions look for shared points.
constexpr double OBJECT_MOVE_PRECISION = 0.001;

// The place of an object: sheet, object number (0: not written) and map.
struct MAPOBJDESC {
  LONG List;
  LONG Object;
  TMap* Map;
};

// A view of a descriptor record, passed by value. Operations on a null view
// do nothing and give 0.
class MAPCLASS TObjectDesc {
 public:
  TObjectDesc(FVSPR* desc = nullptr) : Desc(desc) {}

  // 48 zero bytes.
  void Clear();
  // Copies another descriptor (nothing when it is this one or null).
  void Load(TObjectDesc other);
  // Fills the kind, local type, layer, scale range and the scale and
  // extended-local bits from classifier object n; 0 for n = 0 or a number
  // the classifier lacks.
  int RegisterDesc(int n, TMapRsc* rsc);
  // The kind by code, local type and semantics: 1 when found; otherwise
  // the service object of the local type is taken and the result is 0.
  int RegisterDesc(LONG code, int local, TMapRsc* rsc, TObjectSemn semn);

  // Three-dimensional bit set for the kinds with heights, cleared for every
  // other kind; returns the kind.
  int DatKind(int kind);
  // Flag bits: the setters return the new bit.
  int DatDimension(int on) { return SetBit(FVSPR_3D, on); }
  int DatDimension() const { return GetBit(FVSPR_3D); }
  int ExtLoc(const int on) { return SetBit(FVSPR_EXTLOC, on); }
  int ExtLoc() const { return GetBit(FVSPR_EXTLOC); }
  int IsBotTop(int on) { return SetBit(FVSPR_BOTTOP, on); }
  int IsBotTop() const { return GetBit(FVSPR_BOTTOP); }
  int Scale(const int on) { return SetBit(FVSPR_SCALE, on); }
  int Scale() const { return GetBit(FVSPR_SCALE); }
  int Cancel(const int on) { return SetBit(FVSPR_DELETED, on); }
  int Cancel() const { return GetBit(FVSPR_DELETED); }
  // Top scale index: kept as 15 minus it in the high nibble of the scales
  // byte; the setter returns its argument.
  int Top(const int top);
  int Top() const;
  // The low nibble: bottom scale index.
  int Bot() const { return Desc ? (Desc->Scales & 0x0F) : 0; }

  int Local() const { return Desc ? FvsprLocal(Desc) : 0; }
  int Code() const { return Desc ? Desc->Code : 0; }

  FVSPR* Desc;

 private:
  int SetBit(BYTE bit, int on);
  int GetBit(BYTE bit) const { return Desc && (Desc->Flags & bit) ? 1 : 0; }
};

class MAPCLASS TObjectInfo {
 public:
  TObjectInfo();
  TObjectInfo(TMap* map, TObjectDesc desc, TObjectData data, TObjectSemn semn, int sheet,
              int number, TObjectDraw draw);
  explicit TObjectInfo(MAPOBJDESC* place);
  explicit TObjectInfo(TObjectInfo* source);
  ~TObjectInfo();
  TObjectInfo(const TObjectInfo&) = delete;
  TObjectInfo& operator=(const TObjectInfo&) = delete;

  // --- Handles given to a host ---

  // A new empty object in page memory, registered as a live handle; null
  // when memory is short.
  static TObjectInfo* NewHandle();
  // The object of a live handle; null for a null, freed or foreign one.
  static TObjectInfo* FromHandle(HOBJ handle);
  // The object of a live handle whose map (when it has one) is still open:
  // an object outliving its map is refused rather than followed into freed
  // memory.
  static TObjectInfo* FromOpenHandle(HOBJ handle);
  // Detaches, destroys and releases an object made by NewHandle: 1, or 0
  // for a handle that is not live or is a member an object set handed out.
  static int FreeHandle(HOBJ handle);
  HOBJ Handle() { return reinterpret_cast<HOBJ>(this); }

  // --- Binding and reading ---

  // Binds to the map and reads object `number` of the sheet; the object
  // itself, also when no descriptor could be read or a record it names is
  // damaged (the descriptor pointer is then null; damage leaves MAPERR_DATA
  // in the error). A null map, or a sheet that cannot be opened, detaches.
  TObjectInfo* Object(TMap* map, int sheet, int number);
  // Reads the object the place names; a null place or map detaches.
  TObjectInfo* Object(MAPOBJDESC* place);
  // Binds to copies of the given records.
  TObjectInfo* Object(TMap* map, TObjectDesc desc, TObjectData data, TObjectSemn semn, int sheet,
                       int number, TObjectDraw draw);
  // Becomes a copy of another object; a null source detaches.
  TObjectInfo* Object(TObjectInfo* source);

  // Sheet number and origin; returns the sheet.
  int ListNumber(int sheet);
  int ListNumber() const { return Sheet; }
  // Object number (below 1: 0, a new object).
  int ObjectNumber(int number);
  int ObjectNumber() const { return Number; }
  TMap* GetMap() const { return Map; }

  // Private copies of the four records: 1, or 0 without a descriptor (the
  // object's data are then deleted) or when a point object's metric cannot
  // be made.
  int CopyData(TObjectDesc desc, TObjectData data, TObjectSemn semn, TObjectDraw draw);
  // Detaches the three buffers and drops the descriptor.
  void DeleteData();

  // --- A new object ---

  // Binds to the map and sheet as a new object of the point kind
  // (normalised by the map's precision) with text entries when `text` is
  // nonzero: 1, or 0 without a map or when memory is short.
  int CreateObject(TMap* map, int sheet, int kind, int text);
  int CreateObject(int kind, int text);
  int CreateDesc();
  int CreateData(int kind, int text);
  int CreateSemn();
  int CreateDraw();
  // The kind a new object of the map gets for the kind asked for.
  static int NormalKind(const TMap* map, int kind);

  // --- Classification ---

  int RegisterObject(LONG code, int local);
  int RegisterObjectByKey(const char* key);
  int DescribeObject(int n);
  int RegisterDrawObject(int layer, int local);
  int RedefineObject();
  // Adds the missing series-limit characteristics with their default
  // values: 1, or 0 when an append fails.
  int AppendDefaultSemantic();
  int ChangeKind(int kind);
  int ChangeMap(TMap* map);
  // The spline flags of the metric (bit 1: drawn as its smoothing spline,
  // bit 2: as its envelope). SplineFlag(flags) makes the flags word 2 when
  // flags has bit 1, else 4 when it has bit 2, else leaves it; the width
  // bit of the point counts (bit 0) always stays. Both return the two
  // spline bits as they then stand, 0 without a metric.
  int SplineFlag(int flags);
  int SplineFlag() const;

  // --- Identity (0 or "" without a descriptor or map) ---

  DWORD ObjectKey() const;
  int ObjectLocal() const;
  // Classifier index (0: a drawing object).
  int ObjectCode() const;
  LONG ObjectExcode();
  LONG GetObjectExcodeAndDelete();
  const char* ObjectName();
  static int ObjectNameSize() { return OBJECT_NAME_SIZE; }
  int SegmentNumber() const;
  const char* SegmentName();
  static int SegmentNameSize() { return OBJECT_SEGNAME_SIZE; }
  static const char* LocalName(int local, int language);
  static int LocalNameSize() { return OBJECT_LOCALNAME_SIZE; }
  // Nomenclature of the object's sheet: null when the map has no sheet
  // table, "" without a map or for a sheet out of range.
  const char* ListName();

  // --- Semantics (objectsemantics.cpp) ---
  //
  // Characteristics count from 1 in record order. Texts are converted to
  // stored values, and values shown, by the classifier's type of the
  // semantic: numbers, list values and keys as numbers, dates and times as
  // yyyymmdd and hhmmss integers, angles as radians, everything else as
  // text.

  int SemanticAmount();
  // 0 when absent.
  int SemanticCode(int n);
  // The stored value as text: the buffer, or 0.
  char* SemanticValue(int n, char* buffer, int size);
  double SemanticDoubleValue(int n);
  // The value as shown: a number with the semantic's decimals, a list
  // value's name (else its number), a key, date, angle or time in its text
  // form. The buffer, or 0 (also without an open classifier).
  char* SemanticValueName(int n, char* buffer, int size);
  // The same followed by the semantic's unit; a list value without a name
  // gives nothing (0).
  char* SemanticValueFullName(int n, char* buffer, int size);
  // The k-th characteristic (from 1) with the code: its text into the
  // buffer (when given) and its number, 0 when there is none.
  int SemanticCodeValue(int code, char* buffer, int size, int k);
  // The classifier's name of characteristic n's semantic: "" (error 60005
  // without a map or open classifier, 60105 for code 0 or no name), null
  // for a missing characteristic.
  const char* SemanticName(int n);
  // The value list of a semantic in the classifier; "" or 0 when absent.
  int SemanticClassificatorCount(int code);
  const char* SemanticClassificatorName(int code, int i);
  LONG SemanticClassificatorCode(int code, int i);
  // The classifier's description of the semantic for this object's kind:
  // 1, or 0 when there is none.
  int SemanticDescribe(SEMANTICTYPE* type, int code);
  int SemanticDescribeEx(SEMANTICTYPEEX* type, int code);
  // The codes the object may still receive (obligatory, then possible
  // ones; a non-repeatable one it has is left out) into `codes`: their
  // count. Without map, descriptor or open classifier error 60005 and 0.
  int AvailableSemanticCount(int* codes, int limit);
  int AvailableSemanticCount();
  // The n-th of them (from 1); error 60105 and 0 when there is none.
  int AvailableSemanticCode(int n);
  // Adds a characteristic from a text (a string of at most `size` bytes
  // when it is stored as text); a non-repeatable semantic the object has
  // is replaced. The new characteristic count, 0 on failure (the
  // characteristics then stay as they were).
  int AppendSemantic(int code, const char* text, int size);
  int DeleteSemantic(int n);
  // The new code written over characteristic n's: its address, or 0.
  char* SetSemanticCode(int n, int code);
  // Characteristic n's value set from a text, in place: the text, or 0.
  const char* SetSemanticValue(int n, const char* text, int size);
  // Stores every characteristic again by its classifier type (texts of
  // numbers, dates, times, angles and keys become values, values of text
  // semantics become texts); of a non-repeatable semantic only the last
  // stays. 1, 0 with fewer than two characteristics or without an open
  // classifier.
  int AlignSemantic();

  // --- Commit, delete, revert (objectcommit.cpp) ---

  // Writes the object to its sheet through the map's writers. A new
  // object is appended (an area gets its contours closed and the kind is
  // derived again from its semantics); an existing one is rewritten, with
  // mode 0 whole, with any other mode (1 is the usual one) only the parts
  // whose buffer changed. Text entries go from every kind but titles and
  // mixed objects; the registered point moves are applied to the objects
  // that share the points. The object number, 0 on failure.
  int Commit(int mode = 1);
  // Marks the object deleted in its sheet; the leader of an object set
  // first frees its subordinates of the set (each committed). 1 or 0.
  int Delete();
  // Clears the deleted mark and writes it: 1, 0 when the write fails.
  int Undelete();
  // Reads the object again from its sheet, dropping uncommitted edits and
  // registered moves; an object holding its group's record gets the
  // members' metrics united again. 1 or 0.
  int Revert();
  // --- Earlier versions from the sheet's backup copies (objectback.cpp) ---
  //
  // Copies are kept of a sheet's objects before each update in edit mode
  // and found by the object's key, newest first; copies marked used are
  // skipped. A loaded copy replaces the object's descriptor (keeping its
  // place: offsets and links) and the records saved with it, marked
  // changed; Commit(1) writes it as the current version.

  // Loads the i-th newest copy: its index, 0 when there is none or it
  // cannot be read (the object may then hold part of it).
  int ReadObjectCopyByNumber(int i);
  // Loads copy k: its rank (1 = newest), 0 when copy k is not one of the
  // object's unused copies.
  int RestoreBackObject(int k);
  // Marks the newest `count` unused copies used: 1 when there were that
  // many, else 0.
  int DeleteObjectCopyToNumber(int count);
  // Copies of the sheet's objects, all objects together.
  int GetBackObjectCount();
  // Loads a copy the sheet read as `index` (0: none) into the buffers: the
  // index, or 0 when a record cannot be taken.
  int LoadBackCopy(int index, BACKCOPY& copy);

  // Adds the missing limit characteristics whose use is not forbidden and
  // the missing obligatory ones of number, list and key types, each with
  // its default value: 1, or 0 when an append fails.
  int AppendMustSemantic();
  // Checks the metric record, reporting each fault to the map log: 1 good
  // (or nothing to check), 0 bad. A record length other than its contours
  // give is reported and does not count as bad.
  int CheckMetricStructure();
  // Writes an object message to the map log: a header naming the object
  // (kind `kind`), the subject when `subject` is nonzero, and the text. 1,
  // 0 without an open map.
  int ErrorMessage(const char* text, int kind, int subject);
  // The object-set characteristic the object holds first (GROUPSEM_*),
  // 0 for none; `number` (when given) gets the set's number when the
  // value is a non-empty text.
  int ObjectSetCode(LONG* number);
  // Removes every object-set characteristic holding `number`: 1.
  int DeleteObjectSetSemantic(LONG number);
  // Removes the object-set characteristics of `code` (0: any of them)
  // holding `*number` (null: any number): 1.
  int DeleteObjectSetSemantic(int code, const LONG* number);

  // --- Writing across sheets (objectplace.cpp) ---
  //
  // Every sheet keeps only what lies inside its frame object: an object
  // inside one sheet is written whole there (moved when it was stored in
  // another), a line or area crossing sheet frames is cut by each frame and
  // its pieces written into their sheets as one group. The stored object
  // is deleted (or rewritten in place by a piece) only after everything
  // else was written; a failure removes what the call wrote and keeps the
  // original.

  // Applies the registered point moves of an existing object, with mode 0
  // marks every record it holds changed, then CommitNewObject.
  int CommitWithPlace(int mode, int place, TNewObjectsList* list);
  // place 0: any sheet; a sheet number: that sheet alone. `list` (when
  // given) receives the objects written and, for an area, the percentage
  // of area the pieces lost. The object number after a plain commit (a
  // user map, a sheet frame, a map of one sheet without frame); 1 when
  // written whole into one sheet; -1 when written whole into the sheet of
  // its first point; else the number of pieces written; -2 when nothing
  // was written (60102 outside every sheet, else 60040); 0 on failure.
  // Afterwards the object is the one written first.
  int CommitNewObject(int place, TNewObjectsList* list);
  // 0 when the frames are disjoint, 2 when the object frame lies strictly
  // inside the sheet frame, 1 otherwise.
  static int InsideObjectList(const DFRAME* object, const DFRAME* sheet);

  // --- Groups and union (objectgroups.cpp) ---
  //
  // An object belongs to a group when its descriptor's group number is not
  // 0; the members are listed sheet by sheet in the map's group file.

  // 1 when the object has a descriptor with a group number.
  int IsGroup() const;
  // The object-set characteristic that binds it into an object set, or 0.
  int IsObjectSet() { return ObjectSetCode(nullptr); }
  // Reads the first member of this object's group into `target`: target,
  // or 0.
  TObjectInfo* FirstObjectInGroup(TObjectInfo* target);
  // Moves `object` to the next member of the group it holds: object, or 0
  // at the end or on failure.
  TObjectInfo* NextObjectInGroup(TObjectInfo* object);
  // Puts this object and `other` (both stored on one map) into one group:
  // a new group when neither is grouped, the group of the one grouped, and
  // the members of other's group joined to this one's when both are. The
  // group number, 0 on failure.
  int AppendObjectInGroup(TObjectInfo* other);
  // Removes this object from its group: 1 or 0.
  int DeleteObjectFromGroup();
  // Clears the group number of every member (this object's too): 1 or 0.
  int DeleteAllObjectFromGroup();
  // Writes the changed semantics and/or graphics (or the descriptor alone)
  // to every member of the group; an object without a group is rewritten
  // alone. 1 or 0.
  int CommitGroup(int semantics, int graphics);
  // Unites the metrics of the group's line or area members with this
  // object's metric (the record of `group` when given, else the group file
  // is read); with a given group and `deleteMembers` the united members are
  // deleted from their sheets. The united metric stays in memory. 1 united,
  // 0 nothing united or failure, -1 stopped by the host.
  int UnionGroupData(double precision, TObjectGroup* group, int deleteMembers);
  // Bind as the Object overloads do, then UnionGroupData(0, 0, 0).
  TObjectInfo* UnionObject(TMap* map, TObjectDesc desc, TObjectData data, TObjectSemn semn,
                           int sheet, int number, TObjectDraw draw);
  TObjectInfo* UnionObject(TObjectInfo* source);
  TObjectInfo* UnionObject(MAPOBJDESC* place);

  // --- Points in plane and geodetic coordinates (objectpoints.cpp) ---
  //
  // Points count from 1 within a subject; subject 0 is the outer contour.
  // Plane coordinates are metres, geodetic ones radians through the map's
  // projection; the metric keeps sheet units relative to the sheet origin.
  // Every writer of points (and every whole-object transform) refuses a
  // coordinate, height, shift, factor or angle that is not a number (NaN,
  // an infinity) with 60040 in the last error: nothing is stored.

  int PolyCount();
  int PointCount(int subject);
  double XPlane(int n, int subject);
  double YPlane(int n, int subject);
  double HPlane(int n, int subject);
  // Of the buffer's current point.
  double XPlane();
  double YPlane();
  double HPlane();
  // 0 without a projection or such a point.
  double BGeo(int n, int subject);
  double LGeo(int n, int subject);
  int AppendPointPlane(double x, double y, int subject = 0);
  // Inserts after point n; n below 1 puts the new point first.
  int InsertPointPlane(double x, double y, int n, int subject = 0);
  int UpdatePointPlane(double x, double y, int n, int subject = 0);
  int UpdatePointPlane(double x, double y, double h, int n, int subject);
  double XPlane(double x, int n, int subject);
  double YPlane(double y, int n, int subject);
  double HPlane(double h, int n, int subject);
  int DeletePoint(int n, int subject = 0);
  int CreateSubject();
  int DeleteSubject(int subject);
  int Abridge(int subject, int mode);
  // 0 without a projection and for a latitude beyond pi/2.
  int AppendPointGeo(double b, double l, int subject = 0);
  int InsertPointGeo(double b, double l, int n, int subject = 0);
  int UpdatePointGeo(double b, double l, int n, int subject = 0);
  int UpdatePointGeo(double b, double l, double h, int n, int subject);
  // Move point n and register the move, so that the commit moves the same
  // point in the other objects of the map (or of the object's layer) that
  // lie within `precision` of it. Moves made before a commit add up.
  int UpdatePointPlaneInMap(double x, double y, int n, int subject, double precision);
  int UpdatePointPlane3DInMap(double x, double y, double h, int n, int subject,
                              double precision);
  int UpdatePointPlaneInLayer(double x, double y, int n, int subject, double precision);
  int UpdatePointPlane3DInLayer(double x, double y, double h, int n, int subject,
                                double precision);
  TPointRegister* PointRegister() { return &Points; }

  // Whole-object transforms in plane coordinates.
  int RelocateObject(const DOUBLEPOINT* delta);
  int RotateObject(const DOUBLEPOINT& centre, double angle);
  int ScopeObject(const DOUBLEPOINT* scale, const DOUBLEPOINT* centre);
  int ScopeAndRelocateObject(const DOUBLEPOINT* scale, const DOUBLEPOINT* centre,
                             const DOUBLEPOINT* delta);

  // The metric as plane doubles into `target` (kind 0x7FFC7FFC, with
  // heights 0x7FF87FF8): 1 or 0.
  int PutDataPlane(TDataEdit* target);
  // The same as latitude and longitude doubles: 0 without a projection.
  int PutDataGeo(TDataEdit* target);
  // This metric rebuilt from plane doubles: 1 or 0.
  int GetDataPlane(TDataEdit* source);
  // This metric rebuilt from another object's points through geodetic
  // coordinates (maps of different projections): 1 or 0.
  int LoadDataGeo(TObjectInfo* source);

  // --- Measures, frames, proximity, scales, text (objectmeasure.cpp) ---

  // Metres: in the local projection on maps with a projection other than
  // topographic ones, else from the plane coordinates.
  double Length();
  double Perimeter();
  double ViewLength();
  // Square metres, rounded to thousandths below 1e8; areas and closed
  // lines only.
  double Square();
  // In a local projection centred on the object; subject < 0: all.
  double LengthReal(int subject);
  double SquareReal(int subject);
  double SideLength(int n, int subject);
  double SideAzimuth(int n, int subject);
  double SideDirection(int n, int subject);
  // Sets up `t` as the object's local projection: 1, 0 without a
  // projection on the map.
  int SetTranslate(TTranslate* t);
  int ObjectFramePlane(DFRAME* frame);
  // The descriptor frame in map units, whole numbers (rebuilt from the
  // metric for a new object or when asked); 0 with a cleared frame on
  // failure.
  int ObjectFrame(DFRAME* frame, int rebuild);
  int ViewObjectFramePlane(DFRAME* frame, int rebuild);
  int DimensionObject(DFRAME* frame);
  int IsCrossObjectFrame(TObjectInfo* other, double delta);
  int SeekNearPoint(double x, double y, int subject);
  int SeekNearVirtualPoint(double x, double y, DOUBLEPOINT* result, int subject);
  int SeekVirtualPointByDistance(int subject, double distance, DOUBLEPOINT* result, int n);
  // The number of this object's point of the subject nearest to the other
  // object; `nearest` gets the nearest point of the other, `distance` the
  // plane distance. 0 when none.
  int DistanceObject(TObjectInfo* other, int subject, DOUBLEPOINT* nearest, double* distance);
  // Inserts the crossing points of two line or area objects of one map
  // into both, for every pair of their subjects: the count inserted. At the
  // first pair that can be crossed, integer metrics become float kinds.
  // 60040 for a null other object or the object itself; without a
  // registered crossing finder 0 with OBJECT_ERR_NOCROSSING.
  int InsertPointCross(TObjectInfo* other);

  LONG TopScale();
  LONG BotScale();
  LONG TopScale(int denominator);
  LONG BotScale(int denominator);
  int ClearBotTop();
  char* GetText(char* buffer, int size, int subject);
  int PutText(const char* text, int subject);
  int GetTextHorizontalAlign(int subject);
  int GetTextVerticalAlign(int subject);
  int PutTextHorizontalAlign(int align, int subject);
  int PutTextVerticalAlign(int align, int subject);
  int GetTextLengthMkm(int subject);
  int IsObjectStretch();

  int GetError() const { return Error; }
  int SetError(int code) { return Error = code; }
  TObjectDesc Descriptor() const { return TObjectDesc(Desc); }
  int IsOpenMap() const;

  // --- Members, in order ---
  DOUBLEPOINT Origin = {0.0, 0.0};  // sheet origin in map units; 0, 0 on a user map
  FVSPR* Desc = nullptr;            // the descriptor copy below, or null
  TDataEdit Metric;
  TSemnEdit Semn;
  TDrawEdit Draw;
  int Error = 0;
  FVSPR DescCopy = {};
  int Sheet = 0;
  int Number = 0;
  TMap* Map = nullptr;
  TObjectGroup Group;
  TPointRegister Points;

 private:
  void InitData();
  // The detach of a null source.
  void Detach();
  // CopyData of the descriptor `desc` of the sheet `list` and the records it
  // names (ReadObjectRecords): 1; 0 without a descriptor, or with the
  // object's data deleted and MAPERR_DATA when a record is damaged.
  int ReadStored(TMapList& list, FVSPR* desc);
  // CopyData with the metric's text flag given (-1: from the local type).
  int CopyRecords(TObjectDesc desc, TObjectData data, TObjectSemn semn, TObjectDraw draw,
                  int textFlag);
  // The classifier of the bound map when it is open; null otherwise.
  TMapRsc* OpenRsc() const;
  // Value n as shown into buffer (SemanticValueName); `full`, as
  // SemanticValueFullName: a list value needs its name, and the unit follows.
  char* ShownValue(int n, char* buffer, int size, bool full);
  // Text entries on for titles and mixed objects, off otherwise, then the
  // three-dimensional bit from the metric.
  void FollowLocal();
  // Sets the first characteristic with the code to a text value (appended
  // when there is none), stored by the classifier's type of the code.
  int PutSemanticText(int code, const char* text);
  // A characteristic block of the code with the text's value stored by
  // the classifier's type of the code: 1, 0 when the text cannot be held.
  static int BuildSemantic(TMapRsc* rsc, int code, const char* text, int size,
                           TSemBlock* block);
  // Appends a built block, first removing the characteristic of a
  // non-repeatable code; a failed append puts the removed one back. The
  // new characteristic count, or 0.
  int AppendSemanticBlock(TMapRsc* rsc, const TSemBlock& block);
  // Replaces characteristic n by the block, in place (the record moves to
  // a larger block when needed): its address, or 0.
  char* ReplaceSemantic(int n, const TSemBlock& block);
  // Copies the group record and its cursor of another object.
  void CopyGroup(const TObjectGroup& source);
  // The object is bound to an existing object of an open sheet, made
  // current.
  bool BackCopyReady();
  // Rebuilds the metric for another map through plane coordinates.
  int MoveMetric(TMap* from, const DOUBLEPOINT& fromOrigin, TMap* to);

  // Stored (sheet units) to plane metres and back; displacements.
  double ToPlaneX(double x) const;
  double ToPlaneY(double y) const;
  double ToStoredX(double x) const;
  double ToStoredY(double y) const;
  // Whether the map has a projection for geodetic coordinates.
  bool HasProjection() const;
  // Plane point n of a subject (the cursor left on it): false without.
  bool PlanePoint(int n, int subject, DOUBLEPOINT* point);
  // Geodetic coordinates of point n: false without projection or point.
  bool GeoPoint(int n, int subject, double* b, double* l);
  // Plane coordinates of a geodetic point: false without projection.
  bool GeoToPlane(double b, double l, double* x, double* y);
  // The kind of a metric rebuilt from a source of the given dimension,
  // keeping this metric's precision.
  int RebuiltKind(bool source3D) const;
  // Whether every value given is a number (neither NaN nor infinite); else
  // the last error is 60040. The point writers ask it before anything is
  // stored.
  bool Finite(std::initializer_list<double> values);
  // The point move of the *InMap / *InLayer forms.
  int MovePointRegistered(double x, double y, const double* h, int n, int subject,
                          double precision, int mode);
  // Geodetic point of the map to plane in the local projection `t`.
  void LocalPlane(TTranslate* t, double x, double y, DOUBLEPOINT* out);

  char NameBuffer[256] = {};
};

// Whether a stored semantics record (null: none) holds the characteristic
// `code` with a value that reads as `number` (texts by their leading
// decimal integer, other numbers truncated toward zero): 1 or 0.
int SemanticsHoldGroup(SEMANTIC* record, int code, LONG number);

// Metric kinds with heights.
inline bool ObjectKindIs3D(DWORD kind) {
  return kind == METRIC_F64H || kind == METRIC_F32H || kind == METRIC_U16H;
}
