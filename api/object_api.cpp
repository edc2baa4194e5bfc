// Object handles for a host: their life, reading by number, the searches,
// the object record and the commit, delete and revert family. Each
// function checks its handles and forwards to the map object or the
// document's search.
#include "api/object_api.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "document/mapaccess.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "records/metric.h"
#include "records/objectdraw.h"
#include "records/semantic.h"
#include "search/adjacent.h"
#include "search/docseek.h"
#include "selection/mapselect.h"

namespace {

// The object of a live handle whose map (when it has one) is still open.
TObjectInfo* Live(HOBJ info) { return TObjectInfo::FromOpenHandle(info); }

// An object bound to a map and holding a descriptor: what the writers need.
TObjectInfo* Bound(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object != nullptr && object->Map != nullptr && object->Desc != nullptr ? object : nullptr;
}

// The map of a document's site: 0 or the document itself for the main
// map, else one of its user maps; null for anything else and for a map
// without open data.
TMap* SiteMap(HMAP hMap, HSITE hSite) {
  TMap* map = SiteMapOf(DocumentOf(hMap), hSite);
  return map != nullptr && map->IsActive() ? map : nullptr;
}

// A new handle: an empty object of sheet 1 of the site's map (of `sheet`
// on the main map), or 0 with nothing left behind.
TObjectInfo* CreateOn(TMap* map, int sheet, int kind, int text) {
  if (map == nullptr) return nullptr;
  TObjectInfo* object = TObjectInfo::NewHandle();
  if (object == nullptr) return nullptr;
  if (!object->CreateObject(map, sheet, kind, text)) {
    TObjectInfo::FreeHandle(object->Handle());
    return nullptr;
  }
  return object;
}

// The number of the map of a document that an object lies on; -1 when it
// lies on none of its maps.
int MapNumberOf(TMapAccess* doc, const TObjectInfo* object) {
  return object != nullptr ? TSeekMaps(doc).GetMapNumber(object->Map) : -1;
}

// The list functions' common part: the search's result, 0 for bad
// arguments.
template <class Entry>
LONG AdjacentList(HMAP hMap, HOBJ source, Entry* list, LONG count, HSELECT select,
                  double precision, LONG single, LONG subjects) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Bound(source);
  TMapSelect* context = MapSelectOfHandle(select);
  const int m = MapNumberOf(doc, object);
  if (doc == nullptr || object == nullptr || list == nullptr || count < 1 || context == nullptr ||
      m < 0)
    return 0;
  // The records of the document's list; the short entries are filled
  // from records of their own.
  if constexpr (std::is_same_v<Entry, MAPADJACENTLISTEX>)
    return doc->SeekAdjacentList(object, list, count, context, precision, single, m, subjects);
  else
    return TAdjacentSeek(doc).SeekAdjacentList(object, list, count, context, precision, single, m,
                                               subjects);
}

// A found member of a group shows the metric of its whole group.
HOBJ Found(TObjectInfo* object) {
  if (object == nullptr) return 0;
  if (object->IsGroup()) object->UnionGroupData(0.0, nullptr, 0);
  return object->Handle();
}

// Clears the place of an object so that the next commit appends it.
void MakeNew(TObjectInfo* object) {
  object->ObjectNumber(0);
  if (object->Desc != nullptr) object->Desc->Key = 0;
}

HOBJ CopyInto(TObjectInfo* target, TObjectInfo* source, bool asNew) {
  target->Object(source);
  if (target->Desc == nullptr) return 0;
  if (asNew) MakeNew(target);
  return target->Handle();
}

HOBJ CreateCopy(HMAP hMap, HOBJ source, bool asNew) {
  TObjectInfo* from = Live(source);
  if (DocumentOf(hMap) == nullptr || from == nullptr || from->Desc == nullptr) return 0;
  TObjectInfo* object = TObjectInfo::NewHandle();
  if (object == nullptr) return 0;
  if (CopyInto(object, from, asNew) == 0) {
    TObjectInfo::FreeHandle(object->Handle());
    return 0;
  }
  return object->Handle();
}

// --- The object record ---

// Parts of an object record as the object gives them.
struct RecordParts {
  int64_t metric = 0;     // bytes of the metric written (0: none)
  int64_t semantics = 0;  // of the semantics record (0: none)
  int64_t graphics = 0;   // of the graphics record (0: none)
  bool heights = false;   // a plane metric with heights
  int64_t Total() const { return OBJECTRECORD_HEAD + metric + semantics + graphics; }
};

// What the record of the object holds: the metric when its first contour
// has points, semantics with characteristics, graphics with elements. On a
// sheet map the metric goes as plane doubles: a 12-byte head and for each
// contour a count word and 16 bytes a point, 24 with heights.
RecordParts PartsOf(TObjectInfo* object) {
  RecordParts parts;
  TDataEdit& metric = object->Metric;
  if (metric.Record != nullptr && metric.PointCount(0) > 0) {
    if (object->Map->IsRealPlace()) {
      parts.metric = metric.Record->Length;
    } else {
      // The dimension as the plane copy takes it.
      TObjectDesc(object->Desc).DatKind(int(metric.Record->Ident));
      parts.heights = TObjectDesc(object->Desc).DatDimension() != 0;
      const int64_t point = parts.heights ? 24 : 16;
      parts.metric = METRIC_HEADER_SIZE;
      for (int s = 0; s <= metric.Record->Count; ++s)
        parts.metric += 4 + point * metric.PointCount(s);
    }
  }
  if (const SEMANTIC* semn = object->Semn.Record(); semn != nullptr && semn->Length > SEMANTIC_HEAD)
    parts.semantics = semn->Length;
  if (const IMGDRAW* draw = object->Draw.Record();
      draw != nullptr && TObjectDraw::Count(draw) > 0)
    parts.graphics = TObjectDraw::Length(draw);
  return parts;
}

// The bytes of a record's head and parts, 0 for a head that cannot be
// taken: no signature, a length below the head or above `size`, parts that
// do not fit the length, the metric elsewhere than behind the head, a text
// flag other than 0 and 1.
uint64_t RecordExtent(const OBJECTRECORD& head, uint64_t size) {
  if (head.Ident != OBJECTRECORD_IDENT || head.Length < DWORD(OBJECTRECORD_HEAD) ||
      head.Length > size || head.MetricOffset != DWORD(OBJECTRECORD_HEAD) || head.Text > 1)
    return 0;
  const uint64_t extent = uint64_t(OBJECTRECORD_HEAD) + head.MetricLength + head.SemanticLength +
                          head.GraphicLength;
  return extent <= head.Length ? extent : 0;
}

// Whether the `extent` bytes of a record hold its head and parts, each part
// a sound record of its own length; `head` gets the head.
bool RecordSound(char* record, uint64_t extent, OBJECTRECORD* head) {
  std::memcpy(head, record, sizeof(*head));
  // The parts as this copy's head gives them, within the bytes copied.
  if (RecordExtent(*head, UINT32_MAX) != extent) return false;
  char* part = record + OBJECTRECORD_HEAD;
  if (head->MetricLength != 0 && !MetricSound(part, head->MetricLength, head->Text != 0))
    return false;
  part += head->MetricLength;
  if (head->SemanticLength != 0 && !SemanticsSound(part, head->SemanticLength)) return false;
  part += head->SemanticLength;
  return head->GraphicLength == 0 || GraphicsSound(part, head->GraphicLength);
}

// The record's metric (held by `source`) put into the object: on a map
// that keeps plane coordinates as it is, else point by point from plane
// metres. 1, 0 on failure, -1 when its first contour has no points.
int PutMetric(TObjectInfo* object, TDataEdit& source, bool text) {
  if (object->Map->IsRealPlace()) {
    if (!object->Metric.Load(source.Record, text)) return 0;
    TObjectDesc(object->Desc).DatKind(int(object->Metric.Record->Ident));
    return 1;
  }
  if (source.PointCount(0) < 1) return -1;
  const bool heights = MetricIs3D(source.Record->Ident) != 0;
  const int kind = int(heights ? METRIC_F32H : METRIC_F32);
  if (!object->CreateData(TObjectInfo::NormalKind(object->Map, kind), text)) return 0;
  for (int s = 0; s <= source.Record->Count; ++s) {
    if (s > 0 && !object->CreateSubject()) return 0;
    const int count = source.PointCount(s);
    for (int n = 1; n <= count; ++n) {
      if (source.GoPointSubject(n, s) == nullptr) return 0;
      const double x = source.XDouble(), y = source.YDouble();
      const double h = heights ? source.HDouble() : 0.0;
      if (!object->AppendPointPlane(x, y, s)) return 0;
      if (heights) object->HPlane(h, n, s);
    }
  }
  return 1;
}

// The object's number after a commit, with the map's order switch on for
// the call.
int CommitInOrder(TObjectInfo* object) {
  TMap* map = object->Map;
  if (!map->OpenList(object->ListNumber())) return 0;
  const int before = map->IsOrder();
  map->IsOrder(1);
  const int number = object->Commit(1);
  map->IsOrder(before);
  return number;
}

// Object `number` of the sheet read into a work object.
bool ReadNumber(TObjectInfo& work, TMap* map, int sheet, int number) {
  if (map == nullptr || sheet < 1 || number < 1) return false;
  work.Object(map, sheet, number);
  return work.Desc != nullptr && work.ObjectNumber() == number;
}

LONG DeleteByNumber(HMAP hMap, LONG sheet, LONG number) {
  TMap* map = SiteMap(hMap, 0);
  TObjectInfo work;
  if (ReadNumber(work, map, sheet, number)) return work.Delete();
  // An object whose records are damaged does not read; it is deleted by
  // its descriptor.
  if (work.GetError() != MAPERR_DATA || work.Map == nullptr || !map->OpenList(work.ListNumber()))
    return 0;
  return map->DeleteObject(number) != 0 ? 1 : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Handle life

MAPAPI HOBJ WINAPI mapCreateObject(HMAP hMap, LONG sheet, LONG kind, LONG text) {
  TObjectInfo* object = CreateOn(SiteMap(hMap, 0), sheet, kind, text);
  return object != nullptr ? object->Handle() : 0;
}

MAPAPI void WINAPI mapFreeObject(HOBJ info) { TObjectInfo::FreeHandle(info); }

MAPAPI LONG WINAPI mapClearObject(HOBJ info, LONG sheet, LONG kind) {
  TObjectInfo* object = Live(info);
  if (object == nullptr || object->Map == nullptr) return 0;
  return object->CreateObject(object->Map, sheet, kind, 0);
}

MAPAPI HOBJ WINAPI mapCreateCopyObject(HMAP hMap, HOBJ source) {
  return CreateCopy(hMap, source, false);
}

MAPAPI LONG WINAPI mapReadCopyObject(HOBJ info, HOBJ source) {
  TObjectInfo* target = Live(info);
  TObjectInfo* from = Live(source);
  if (target == nullptr || from == nullptr || from->Desc == nullptr) return 0;
  return CopyInto(target, from, false) != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapCopyObjectAsNew(HOBJ info, HOBJ source) {
  TObjectInfo* target = Live(info);
  TObjectInfo* from = Live(source);
  if (target == nullptr || from == nullptr || from->Desc == nullptr) return 0;
  return CopyInto(target, from, true) != 0 ? 1 : 0;
}

MAPAPI HOBJ WINAPI mapCreateCopyObjectAsNew(HMAP hMap, HOBJ source) {
  return CreateCopy(hMap, source, true);
}

// ---------------------------------------------------------------------------
// Reading and finding

MAPAPI HOBJ WINAPI mapReadObjectByNumber(HMAP hMap, HSITE hSite, HOBJ info, LONG sheet,
                                         LONG number) {
  TObjectInfo* object = TObjectInfo::FromHandle(info);
  TMap* map = SiteMap(hMap, hSite);
  if (object == nullptr || map == nullptr || number < 1) return 0;
  MAPOBJDESC place{sheet, number, map};
  object->Object(&place);
  if (object->Desc == nullptr || object->ObjectNumber() == 0) return 0;
  if (TObjectDesc(object->Desc).Cancel()) return 1;
  return info;
}

MAPAPI LONG WINAPI mapTestObject(HOBJ info, HSELECT select) {
  TObjectInfo* object = Bound(info);
  TMapSelect* context = MapSelectOfHandle(select);
  return object != nullptr && context != nullptr ? context->CheckObject(object) : 0;
}

MAPAPI HOBJ WINAPI mapSeekObject(HMAP hMap, HOBJ info, LONG flags) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  if (doc == nullptr || object == nullptr) return 0;
  return Found(doc->SeekObject(object, nullptr, flags));
}

MAPAPI HOBJ WINAPI mapSeekSelectObject(HMAP hMap, HOBJ info, HSELECT select, LONG flags) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  TMapSelect* context = MapSelectOfHandle(select);
  if (doc == nullptr || object == nullptr || context == nullptr) return 0;
  return Found(doc->SeekObject(object, context, flags));
}

MAPAPI HOBJ WINAPI mapSeekViewObject(HMAP hMap, HOBJ info, HSELECT select, LONG flags) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  TMapSelect* context = MapSelectOfHandle(select);
  if (doc == nullptr || object == nullptr || (select != 0 && context == nullptr)) return 0;
  // The walk kept in one map keeps to the select's map, else the handle's.
  const int m = TSeekMaps(doc).GetMapNumber(context != nullptr ? context->Map : object->Map);
  return Found(doc->SeekViewObject(object, context, m < 0 ? 0 : m, flags));
}

MAPAPI HOBJ WINAPI mapTotalSeekObject(HMAP hMap, HOBJ info, LONG flags) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  if (doc == nullptr || object == nullptr) return 0;
  return Found(doc->TotalSeekObject(object, flags));
}

MAPAPI HOBJ WINAPI mapSeekObjectInList(HMAP hMap, HSITE hSite, HOBJ info, LONG sheet, DWORD key) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = TObjectInfo::FromHandle(info);
  TMap* map = SiteMap(hMap, hSite);
  if (doc == nullptr || object == nullptr || map == nullptr) return 0;
  const int m = TSeekMaps(doc).GetMapNumber(map);
  if (m < 0) return 0;
  return Found(doc->SeekObject(object, sheet, key, m));
}

MAPAPI HOBJ WINAPI mapWhatObject(HMAP hMap, HOBJ info, DFRAME* frame, LONG flags, LONG place) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  if (doc == nullptr || object == nullptr || frame == nullptr) return 0;
  return Found(doc->WhatObjectNoSelect(object, frame, place, flags));
}

MAPAPI HOBJ WINAPI mapWhatObjectBySelect(HMAP hMap, HOBJ info, DFRAME* frame, HSELECT select,
                                         LONG flags, LONG place) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = Live(info);
  TMapSelect* context = MapSelectOfHandle(select);
  if (doc == nullptr || object == nullptr || frame == nullptr || context == nullptr) return 0;
  return Found(doc->WhatObjectFrame(object, frame, flags, place, context));
}

MAPAPI LONG WINAPI mapSeekAdjacentObject(HMAP hMap, HOBJ neighbour, HOBJ source,
                                         MAPADJACENTSECTION* section, HSELECT select,
                                         double precision, LONG flags, LONG subjects) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* found = Live(neighbour);
  TObjectInfo* object = Bound(source);
  TMapSelect* context = MapSelectOfHandle(select);
  if (doc == nullptr || found == nullptr || object == nullptr || section == nullptr ||
      context == nullptr)
    return 0;
  int m = MapNumberOf(doc, found);
  if (m < 0) m = MapNumberOf(doc, object);
  if (m < 0) return 0;
  const int count =
      doc->SeekAdjacentObject(found, object, section, context, precision, flags, m, subjects);
  if (count > 0) Found(found);
  return count;
}

MAPAPI LONG WINAPI mapSeekAdjacentListEx(HMAP hMap, HOBJ source, MAPADJACENTLISTEX* list,
                                         LONG count, HSELECT select, double precision,
                                         LONG single, LONG subjects) {
  return AdjacentList(hMap, source, list, count, select, precision, single, subjects);
}

MAPAPI LONG WINAPI mapSeekAdjacentList(HMAP hMap, HOBJ source, MAPADJACENTLIST* list, LONG count,
                                       HSELECT select, double precision, LONG single,
                                       LONG subjects) {
  return AdjacentList(hMap, source, list, count, select, precision, single, subjects);
}

// ---------------------------------------------------------------------------
// The object record

MAPAPI LONG WINAPI mapGetObjectRecordLength(HOBJ info) {
  TObjectInfo* object = Bound(info);
  if (object == nullptr) return 0;
  const int64_t total = PartsOf(object).Total();
  return total <= INT32_MAX ? LONG(total) : 0;
}

MAPAPI LONG WINAPI mapGetObjectRecord(HOBJ info, char* buffer, LONG size) {
  TObjectInfo* object = Bound(info);
  if (object == nullptr || buffer == nullptr) return 0;
  const RecordParts parts = PartsOf(object);
  if (parts.Total() > INT32_MAX || size < parts.Total()) return 0;

  OBJECTRECORD head{};
  head.Ident = OBJECTRECORD_IDENT;
  head.Length = DWORD(parts.Total());
  head.Excode = object->ObjectExcode();
  head.Key = object->ObjectKey();
  head.MetricOffset = OBJECTRECORD_HEAD;
  head.Local = WORD(object->ObjectLocal());
  char* part = buffer + OBJECTRECORD_HEAD;
  if (parts.metric > 0) {
    TDataEdit& metric = object->Metric;
    head.Text = metric.TextFlag != 0 ? 1 : 0;
    if (object->Map->IsRealPlace()) {
      std::memcpy(part, metric.Record, size_t(parts.metric));
    } else {
      // Plane doubles without text entries, built aside.
      TDataEdit plane;
      plane.Init();
      int ok = object->PutDataPlane(&plane);
      if (ok && plane.TextFlag) ok = plane.ChangeTextFormat(0);
      ok = ok && plane.Record != nullptr && int64_t(plane.Record->Length) == parts.metric;
      if (ok) std::memcpy(part, plane.Record, size_t(parts.metric));
      plane.Free();
      if (!ok) return 0;
    }
    head.MetricLength = DWORD(parts.metric);
    part += parts.metric;
  }
  if (parts.semantics > 0) {
    std::memcpy(part, object->Semn.Record(), size_t(parts.semantics));
    head.SemanticLength = DWORD(parts.semantics);
    part += parts.semantics;
  }
  if (parts.graphics > 0) {
    std::memcpy(part, object->Draw.Record(), size_t(parts.graphics));
    head.GraphicLength = DWORD(parts.graphics);
  }
  std::memcpy(buffer, &head, sizeof(head));
  return 1;
}

MAPAPI HOBJ WINAPI mapPutObjectRecord(HMAP hMap, HSITE hSite, const char* record, LONG size,
                                      LONG flags) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = SiteMap(hMap, hSite);
  if (doc == nullptr || map == nullptr || record == nullptr || size < OBJECTRECORD_HEAD) return 0;
  // Checked and read from a copy of its head and parts: the host's buffer
  // is read once, so what was checked is what is taken.
  OBJECTRECORD head;
  std::memcpy(&head, record, sizeof(head));
  const uint64_t extent = RecordExtent(head, uint64_t(size));
  if (extent == 0) return 0;
  std::unique_ptr<uint64_t[]> copy(new (std::nothrow) uint64_t[(extent + 7) / 8]);
  if (copy == nullptr) return 0;
  char* bytes = reinterpret_cast<char*>(copy.get());
  std::memcpy(bytes, record, extent);
  if (!RecordSound(bytes, extent, &head)) return 0;
  const bool text = head.Text != 0;

  TDataEdit source;
  source.Init();
  if (head.MetricLength != 0 &&
      !source.Load(reinterpret_cast<LONGMETRIC*>(bytes + OBJECTRECORD_HEAD), text)) {
    source.Free();
    return 0;
  }
  TObjectInfo* object = CreateOn(map, 1, int(METRIC_F64), 0);
  if (object == nullptr) {
    source.Free();
    return 0;
  }
  auto fail = [&]() -> HOBJ {
    source.Free();
    TObjectInfo::FreeHandle(object->Handle());
    return 0;
  };
  if ((flags & PUTRECORD_BYKEY) && head.Key != 0) {
    // The stored object of the key is rewritten; without one the object
    // stays new.
    const int m = TSeekMaps(doc).GetMapNumber(map);
    if (m >= 0) doc->SeekObject(object, 1, head.Key, m);
  }
  char* part = bytes + OBJECTRECORD_HEAD + head.MetricLength;
  if (head.SemanticLength != 0) {
    if (!object->Semn.Load(TObjectSemn(reinterpret_cast<SEMANTIC*>(part)))) return fail();
    object->Semn.SetChanged(1);
  }
  part += head.SemanticLength;
  if (head.GraphicLength != 0) {
    if (!object->Draw.Load(TObjectDraw(reinterpret_cast<IMGDRAW*>(part)))) return fail();
    object->Draw.SetChanged(1);
  }
  if (head.MetricLength != 0) {
    const int put = PutMetric(object, source, text);
    if (put == 0) return fail();
    if (put < 0) {
      source.Free();
      return object->Handle();
    }
  }
  source.Free();
  // A code the classifier lacks is kept as a characteristic of the object.
  object->RegisterObject(head.Excode, head.Local);
  // A record that could not be written is no success.
  if (!(flags & PUTRECORD_NOCOMMIT) && object->Commit(1) == 0) return fail();
  return object->Handle();
}

// ---------------------------------------------------------------------------
// Writing

MAPAPI LONG WINAPI mapCommit(HOBJ info) {
  TObjectInfo* object = Bound(info);
  return object != nullptr ? object->Commit(1) : 0;
}

MAPAPI LONG WINAPI mapCommitObject(HOBJ info) { return mapCommit(info); }

MAPAPI LONG WINAPI mapCommitObjectAsNew(HOBJ info) {
  TObjectInfo* object = Bound(info);
  if (object == nullptr) return 0;
  MakeNew(object);
  return object->Commit(1);
}

MAPAPI LONG WINAPI mapCommitObjectByOrder(HOBJ info) {
  TObjectInfo* object = Bound(info);
  return object != nullptr ? CommitInOrder(object) : 0;
}

MAPAPI LONG WINAPI mapDeleteObject(HOBJ info) {
  TObjectInfo* object = Bound(info);
  return object != nullptr ? object->Delete() : 0;
}

MAPAPI LONG WINAPI mapDeleteObjectNumber(HMAP hMap, LONG sheet, LONG number) {
  return DeleteByNumber(hMap, sheet, number);
}

MAPAPI LONG WINAPI mapDeleteObjectByNumber(HMAP hMap, LONG sheet, LONG number) {
  return DeleteByNumber(hMap, sheet, number);
}

MAPAPI LONG WINAPI mapUndeleteObject(HOBJ info) {
  TObjectInfo* object = Bound(info);
  return object != nullptr ? object->Undelete() : 0;
}

MAPAPI LONG WINAPI mapUndeleteObjectByNumber(HMAP hMap, HSITE hSite, LONG sheet, LONG number) {
  TObjectInfo work;
  if (!ReadNumber(work, SiteMap(hMap, hSite), sheet, number)) return 0;
  return work.Undelete();
}

MAPAPI LONG WINAPI mapRevert(HOBJ info) {
  TObjectInfo* object = Live(info);
  return object != nullptr ? object->Revert() : 0;
}

MAPAPI LONG WINAPI mapRevertObject(HOBJ info) { return mapRevert(info); }
