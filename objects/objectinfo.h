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

#include "geodesy/points.h"
#include "mapstore/sheetfile.h"
#include "records/dataedit.h"
#include "records/drawedit.h"
#include "records/objectdata.h"
#include "records/semnedit.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "groups/objectgroup.h"

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
  // Detaches, destroys and releases an object made by NewHandle: 1, or 0
  // for a handle that is not live.
  static int FreeHandle(HOBJ handle);
  HOBJ Handle() { return reinterpret_cast<HOBJ>(this); }

  // --- Binding and reading ---

  // Binds to the map and reads object `number` of the sheet; the object
  // itself, also when no descriptor could be read (the descriptor pointer
  // is then null). A null map, or a sheet that cannot be opened, detaches.
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

 private:
  void InitData();
  // The detach of a null source.
  void Detach();
  // CopyData with the metric's text flag given (-1: from the local type).
  int CopyRecords(TObjectDesc desc, TObjectData data, TObjectSemn semn, TObjectDraw draw,
                  int textFlag);
  // The classifier of the bound map when it is open; null otherwise.
  TMapRsc* OpenRsc() const;
  // Text entries on for titles and mixed objects, off otherwise, then the
  // three-dimensional bit from the metric.
  void FollowLocal();
  // Sets the first characteristic with the code to a text value (appended
  // when there is none), stored by the classifier's type of the code.
  int PutSemanticText(int code, const char* text, int replace);
  // Copies the group record and its cursor of another object.
  void CopyGroup(const TObjectGroup& source);
  // Rebuilds the metric for another map through plane coordinates.
  int MoveMetric(TMap* from, const DOUBLEPOINT& fromOrigin, TMap* to);

  char NameBuffer[256] = {};
};

// Metric kinds with heights.
inline bool ObjectKindIs3D(DWORD kind) {
  return kind == METRIC_F64H || kind == METRIC_F32H || kind == METRIC_U16H;
}
