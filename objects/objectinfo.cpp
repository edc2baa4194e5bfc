// The map object: handles, binding to a map, reading from a sheet, copying
// records and handles, and creating new objects.
#include "objects/objectinfo.h"

#include <cstring>
#include <new>

#include "common/liveset.h"
#include "mapstore/map.h"
#include "platform/memory.h"

// ---------------------------------------------------------------------------
// Live handles

// The handles given out by NewHandle and not yet freed are registered as
// live objects: a handle is looked up there before it is used, so a stale
// or invented one is never touched.

TObjectInfo* TObjectInfo::NewHandle() {
  void* memory = plat::AllocPages(sizeof(TObjectInfo));
  if (memory == nullptr) return nullptr;
  TObjectInfo* object = new (memory) TObjectInfo();
  if (!liveRegister(LIVE_OBJECT, object)) {
    object->~TObjectInfo();
    plat::FreePages(memory);
    return nullptr;
  }
  return object;
}

TObjectInfo* TObjectInfo::FromHandle(HOBJ handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  return liveIsRegistered(LIVE_OBJECT, address) ? reinterpret_cast<TObjectInfo*>(handle)
                                                : nullptr;
}

TObjectInfo* TObjectInfo::FromOpenHandle(HOBJ handle) {
  TObjectInfo* object = FromHandle(handle);
  if (object != nullptr && object->Map != nullptr && !liveIsRegistered(LIVE_MAP, object->Map))
    return nullptr;
  return object;
}

int TObjectInfo::FreeHandle(HOBJ handle) {
  // A member of an object set lives in the set's memory: the set frees it.
  if (liveIsRegistered(LIVE_SETMEMBER, reinterpret_cast<const void*>(handle))) return 0;
  if (!liveUnregister(LIVE_OBJECT, reinterpret_cast<const void*>(handle))) return 0;
  TObjectInfo* object = reinterpret_cast<TObjectInfo*>(handle);
  object->Object(static_cast<TObjectInfo*>(nullptr));
  object->~TObjectInfo();
  plat::FreePages(object);
  return 1;
}

// ---------------------------------------------------------------------------
// Construction

void TObjectInfo::InitData() {
  Metric.Init();
  Map = nullptr;
  Error = 0;
  Sheet = 0;
  Number = 0;
  Origin = DOUBLEPOINT{0.0, 0.0};
  std::memset(&DescCopy, 0, sizeof(DescCopy));
  Desc = &DescCopy;
}

TObjectInfo::TObjectInfo() { InitData(); }

TObjectInfo::TObjectInfo(TMap* map, TObjectDesc desc, TObjectData data, TObjectSemn semn,
                         int sheet, int number, TObjectDraw draw) {
  InitData();
  Object(map, desc, data, semn, sheet, number, draw);
}

TObjectInfo::TObjectInfo(MAPOBJDESC* place) {
  InitData();
  Object(place);
}

TObjectInfo::TObjectInfo(TObjectInfo* source) {
  InitData();
  Object(source);
}

TObjectInfo::~TObjectInfo() {
  Metric.Free();
  Semn.Free();
  Draw.Free();
}

// ---------------------------------------------------------------------------
// Binding and reading

int TObjectInfo::ListNumber(int sheet) {
  Sheet = sheet < 1 ? 1 : sheet;
  Origin = DOUBLEPOINT{0.0, 0.0};
  if (Map == nullptr || Map->IsRealPlace()) {
    Sheet = 1;
    return Sheet;
  }
  if (const DOUBLEPOINT* position = Map->ViewPosition(Sheet)) Origin = *position;
  return Sheet;
}

int TObjectInfo::ObjectNumber(int number) { return Number = number < 1 ? 0 : number; }

void TObjectInfo::Detach() {
  Group.Record(nullptr, 0);
  Points.Release();
  Map = nullptr;
  ListNumber(0);
  Number = 0;
  DeleteData();
}

TObjectInfo* TObjectInfo::Object(TMap* map, int sheet, int number) {
  if (map == nullptr) {
    Detach();
    return this;
  }
  Map = map;
  ListNumber(sheet);
  ObjectNumber(number);
  Points.Release();
  if (!map->OpenList(Sheet)) {
    Detach();
    return this;
  }
  TMapList& list = map->List;
  ReadStored(list, Number >= 1 && Number <= list.Count() ? list.ObjectDesc(Number) : nullptr);
  return this;
}

int TObjectInfo::ReadStored(TMapList& list, FVSPR* desc) {
  // The four records lie in four different caches: each address stays
  // valid while the others are fetched.
  LONGMETRIC* data;
  SEMANTIC* semn;
  IMGDRAW* draw;
  if (list.ReadObjectRecords(desc, &data, &semn, &draw) != 0) {
    DeleteData();
    Error = MAPERR_DATA;
    return 0;
  }
  return CopyData(TObjectDesc(desc), TObjectData(data), TObjectSemn(semn), TObjectDraw(draw));
}

TObjectInfo* TObjectInfo::Object(MAPOBJDESC* place) {
  if (place == nullptr || place->Map == nullptr) {
    Detach();
    return this;
  }
  return Object(place->Map, place->List, place->Object);
}

TObjectInfo* TObjectInfo::Object(TMap* map, TObjectDesc desc, TObjectData data, TObjectSemn semn,
                                 int sheet, int number, TObjectDraw draw) {
  Map = map;
  ListNumber(sheet);
  ObjectNumber(number);
  CopyData(desc, data, semn, draw);
  Group.Record(nullptr, 0);
  Points.Release();
  return this;
}

TObjectInfo* TObjectInfo::Object(TObjectInfo* source) {
  if (source == this) return this;
  Group.Record(nullptr, 0);
  Points.Release();
  if (source == nullptr) {
    Detach();
    return this;
  }
  Map = source->Map;
  ListNumber(source->Sheet);
  Number = source->Number;
  // The copy reads the metric with the source's text flag: the flag is not
  // kept in the record, and a metric may carry texts its local type does
  // not call for until the object is committed.
  const int text = source->Metric.Record != nullptr ? (source->Metric.TextFlag != 0) : -1;
  if (CopyRecords(TObjectDesc(source->Desc), TObjectData(source->Metric.Record),
                  TObjectSemn(source->Semn.Record()), TObjectDraw(source->Draw.Record()), text)) {
    if (source->Metric.ChangedFlag) Metric.ChangedFlag = 1;
    if (source->Semn.IsChanged()) Semn.SetChanged(1);
  }
  // The moves registered on the source are this object's to apply.
  if (source->Points.Count() > 0 && Points.Load(&source->Points)) Points.Info = this;
  CopyGroup(source->Group);
  return this;
}

void TObjectInfo::CopyGroup(const TObjectGroup& source) {
  const HEADRECGDX* head = source.Head();
  if (head == nullptr || !Group.Load(head)) return;
  const NUMBERKEY* cursor = source.Cursor();
  const int ordinal = source.ListOrdinal();
  if (cursor == nullptr || ordinal < 1) return;
  // The cursor is a place in the record: the same place of the copy.
  const intptr_t offset = reinterpret_cast<const char*>(cursor) - reinterpret_cast<const char*>(head);
  if (offset < static_cast<intptr_t>(GROUP_HEADLENGTH) ||
      offset + static_cast<intptr_t>(sizeof(NUMBERKEY)) > static_cast<intptr_t>(Group.Length()))
    return;
  NUMBERKEY pair;
  std::memcpy(&pair, reinterpret_cast<const char*>(Group.Head()) + offset, sizeof(pair));
  const int sheet = Group.ListNumber(ordinal);
  if (sheet != 0) Group.FindObjectNumber(sheet, static_cast<int>(pair.Number));
}

int TObjectInfo::CopyData(TObjectDesc desc, TObjectData data, TObjectSemn semn, TObjectDraw draw) {
  return CopyRecords(desc, data, semn, draw, -1);
}

int TObjectInfo::CopyRecords(TObjectDesc desc, TObjectData data, TObjectSemn semn,
                             TObjectDraw draw, int textFlag) {
  if (desc.Desc == nullptr) {
    DeleteData();
    return 0;
  }
  if (desc.Desc != &DescCopy) std::memmove(&DescCopy, desc.Desc, sizeof(FVSPR));
  Desc = &DescCopy;
  const int local = FvsprLocal(Desc);
  const int text = textFlag >= 0 ? textFlag : (local == LOCAL_TITLE || local == LOCAL_MIXED);

  // A record that cannot be copied fails the whole read: the buffers would
  // otherwise keep the records of the object held before.
  if (data.Record != nullptr) {
    if (!Metric.Load(data.Record, text)) {
      DeleteData();
      return 0;
    }
  } else if (local == LOCAL_POINT) {
    // A point object stored without a metric stands at the centre of its
    // frame.
    const int kind = Map != nullptr && Map->IsRealPlace() ? METRIC_F64 : METRIC_F32;
    const double x = static_cast<double>(int64_t(Desc->X1) + Desc->X2) * 0.5;
    const double y = static_cast<double>(int64_t(Desc->Y1) + Desc->Y2) * 0.5;
    if (!Metric.Create(kind, text) || !Metric.AppendPointSubject(0, x, y)) {
      DeleteData();
      return 0;
    }
    Metric.ChangedFlag = 0;  // as read: nothing to write back
  } else if (Metric.Record != nullptr) {
    Metric.Clear(METRIC_F32, text);
  }
  if (Metric.Record != nullptr) TObjectDesc(Desc).DatKind(static_cast<int>(Metric.Record->Ident));

  if (semn.Semn != nullptr) {
    if (!Semn.Load(semn)) {
      DeleteData();
      return 0;
    }
  } else if (Semn.Record() != nullptr) {
    Semn.Clear();
  }
  Semn.SetChanged(0);

  if (draw.Draw != nullptr) {
    if (!Draw.Load(draw)) {
      DeleteData();
      return 0;
    }
  } else if (Draw.Record() != nullptr) {
    Draw.Clear();
  }
  Draw.SetChanged(0);
  return 1;
}

void TObjectInfo::DeleteData() {
  Metric.SetBuffer(nullptr, 0, 0);
  Semn.Free();
  Draw.Free();
  Desc = nullptr;
}

// ---------------------------------------------------------------------------
// New objects

int TObjectInfo::NormalKind(const TMap* map, int kind) {
  const DWORD k = static_cast<DWORD>(kind);
  if (map == nullptr || !map->GetPrecision()) {
    if (k == METRIC_F64H || k == METRIC_F32H || k == METRIC_F64 || k == METRIC_F32) return kind;
    if (k == METRIC_I32H) return static_cast<int>(METRIC_F32H);
    return static_cast<int>(METRIC_F32);
  }
  if (k == 0 || k == METRIC_F32 || k == METRIC_U16) return static_cast<int>(METRIC_F64);
  if (k == METRIC_F32H || k == METRIC_U16H) return static_cast<int>(METRIC_F64H);
  if (k == METRIC_F64 || k == METRIC_F64H || k == METRIC_I32) return kind;
  // A kind the metric buffer cannot make would come out as single floats,
  // losing the precision the map keeps: doubles, with heights for the kind
  // that has them.
  return static_cast<int>(k == METRIC_I32H ? METRIC_F64H : METRIC_F64);
}

int TObjectInfo::CreateObject(TMap* map, int sheet, int kind, int text) {
  if (map == nullptr) return 0;
  Map = map;
  ListNumber(sheet);
  Number = 0;
  Group.Record(nullptr, 0);
  Points.Release();
  return CreateObject(NormalKind(map, kind), text);
}

int TObjectInfo::CreateObject(int kind, int text) {
  return CreateDesc() && CreateData(kind, text) && CreateSemn() && CreateDraw();
}

int TObjectInfo::CreateDesc() {
  std::memset(&DescCopy, 0, sizeof(DescCopy));
  Desc = &DescCopy;
  if (Metric.Record != nullptr) TObjectDesc(Desc).DatKind(static_cast<int>(Metric.Record->Ident));
  return 1;
}

int TObjectInfo::CreateData(int kind, int text) {
  if (Desc == nullptr) return 0;
  if (!Metric.Create(kind, text)) return 0;
  TObjectDesc(Desc).DatKind(static_cast<int>(Metric.Record->Ident));
  return 1;
}

int TObjectInfo::CreateSemn() {
  if (Semn.Record() != nullptr && !Semn.Clear()) return 0;
  Semn.SetChanged(0);
  return 1;
}

int TObjectInfo::CreateDraw() {
  if (Draw.Record() != nullptr && !Draw.Clear()) return 0;
  Draw.SetChanged(0);
  return 1;
}
