// The total search and its rules, samples, areas and nearest points for a
// host, forwarded to the document's search, the select context or the
// map object.
#include "api/seek_api.h"

#include "document/mapaccess.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/gdi/hostdc.h"
#include "search/docseek.h"
#include "selection/mapselect.h"

namespace {

// The context of a live handle and its map when that is open.
TMapSelect* Select(HSELECT handle) { return MapSelectOfHandle(handle); }
TMap* OpenMapOf(const TMapSelect* select) {
  return select != nullptr && select->Map != nullptr && select->Map->IsActive() ? select->Map
                                                                                : nullptr;
}

TObjectInfo* Object(HOBJ handle) { return TObjectInfo::FromOpenHandle(handle); }

// An object with a map and a metric: what the nearest-point searches need.
TObjectInfo* Measured(HOBJ handle) {
  TObjectInfo* object = Object(handle);
  return object != nullptr && object->Map != nullptr && object->Metric.Record != nullptr ? object
                                                                                         : nullptr;
}

int UnselectByNumber(TMapSelect* select, int sheet, int object) {
  return TDocumentSeek(nullptr).DeleteSampleByNumber(select, sheet, object);
}

int UnselectByList(TMapSelect* select, int sheet, DWORD key) {
  const int object = TObjectSeek::SeekObjectByKey(OpenMapOf(select), sheet, key);
  return object != 0 ? UnselectByNumber(select, sheet, object) : 0;
}

int SelectByList(TMapSelect* select, int sheet, DWORD key) {
  const int object = TDocumentSeek::FirstWithKey(OpenMapOf(select), sheet, key);
  return object != 0 ? select->AppendSample(object, sheet) : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// The total search

MAPAPI LONG WINAPI mapGetTotalSeekMapRule(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetTotalSeekMapRule() : 0;
}

MAPAPI void WINAPI mapSetTotalSeekMapRule(HMAP hMap, LONG rule) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->SetTotalSeekMapRule(rule);
}

MAPAPI void WINAPI mapSetTotalSeekViewRule(HMAP hMap, LONG rule) {
  if (TMapAccess* doc = DocumentOf(hMap)) TDocumentSeek(doc).SetTotalSeekViewRule(rule);
}

MAPAPI LONG WINAPI mapGetTotalSeekViewRule(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? TDocumentSeek(doc).GetTotalSeekViewRule() : 0;
}

MAPAPI void WINAPI mapSetTotalSelectFlag(HMAP hMap, LONG flag) {
  if (TMapAccess* doc = DocumentOf(hMap)) doc->TotalSelectFlag = flag;
}

MAPAPI LONG WINAPI mapGetTotalSelectFlag(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->TotalSelectFlag : 0;
}

MAPAPI LONG WINAPI mapSetTotalSeekSample(HMAP hMap, const char* name, LONG key) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->SelectSeekSample(name, key) : 0;
}

MAPAPI LONG WINAPI mapSetTotalSeekAccess(HMAP hMap, LONG access) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? TDocumentSeek(doc).SetTotalSeekAccess(access) : 0;
}

MAPAPI LONG WINAPI mapTotalPaintSelect95(HMAP hMap, HDC hdc, const RECT* rect, COLORREF colour) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || !plat::IsDeviceContext(hdc) || rect == nullptr) return 0;
  return doc->TotalPaintSelect95(hdc, *rect, colour);
}

MAPAPI LONG WINAPI mapTotalViewSelect(HMAP hMap, HWND hwnd, const DOUBLEPOINT* point,
                                      COLORREF colour, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->TotalViewSelect(hwnd, point, colour, kind) : 0;
}

MAPAPI LONG WINAPI mapTotalSeekObjectCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->TotalSeekObjectCount() : 0;
}

MAPAPI LONG WINAPI mapGetTotalSeekBorder(HMAP hMap, DFRAME* frame) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetTotalSeekBorder(frame) : 0;
}

MAPAPI LONG WINAPI mapFreezeMapContents(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->FreezeMapContents() : 0;
}

MAPAPI LONG WINAPI mapDefreezeMapContents(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->DefreezeMapContents() : 0;
}

// ---------------------------------------------------------------------------
// Samples

MAPAPI LONG WINAPI mapIsSample(HSELECT select) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->IsSampleActive() : 0;
}

MAPAPI LONG WINAPI mapGetSampleCount(HSELECT select, LONG sheet) {
  TMapSelect* context = Select(select);
  return context != nullptr ? context->GetSamplesCount(sheet) : 0;
}

MAPAPI LONG WINAPI mapGetSampleByNumber(HSELECT select, LONG sheet, LONG n) {
  TMapSelect* context = Select(select);
  TMap* map = OpenMapOf(context);
  if (map == nullptr || context->GetFirstSample(sheet) == 0) return 0;
  const int object = context->GetSample(n);
  if (object <= 0 || !map->OpenList(sheet)) return 0;
  const FVSPR* desc = map->List.ObjectDesc(object);
  return desc != nullptr && !FvsprIsDeleted(desc) ? LONG(desc->Key) : 0;
}

MAPAPI LONG WINAPI mapSetSampleComplex(HSELECT select, LONG flag) {
  TMapSelect* context = Select(select);
  if (context == nullptr) return 0;
  const int previous = context->GetSampleComplex();
  context->SetSampleComplex(flag);
  return previous;
}

MAPAPI LONG WINAPI mapSetSampleAllObjects(HSELECT select, LONG sheet) {
  TMapSelect* context = Select(select);
  TMap* map = OpenMapOf(context);
  if (map == nullptr || !map->OpenList(sheet)) return 0;
  const int count = map->List.Count();
  int added = 0;
  for (int n = 1; n <= count; ++n) {
    const FVSPR* desc = map->List.ObjectDesc(n);
    if (desc == nullptr) break;
    if (!FvsprIsDeleted(desc) && context->AppendSample(n, sheet)) ++added;
  }
  return added;
}

MAPAPI LONG WINAPI mapSelectSample(HSELECT select, const char* name, LONG key) {
  TMapSelect* context = Select(select);
  const int sheet =
      TDocumentSeek::SheetByName(OpenMapOf(context), name, TDocumentSeek::MATCH_START, false);
  return sheet != 0 ? SelectByList(context, sheet, DWORD(key)) : 0;
}

MAPAPI LONG WINAPI mapSelectSampleByList(HSELECT select, LONG sheet, LONG key) {
  TMapSelect* context = Select(select);
  return context != nullptr ? SelectByList(context, sheet, DWORD(key)) : 0;
}

MAPAPI LONG WINAPI mapSelectSampleByNumber(HSELECT select, LONG sheet, LONG object) {
  TMapSelect* context = Select(select);
  if (context == nullptr || sheet == 0 || object == 0) return 0;
  return context->AppendSample(object, sheet);
}

MAPAPI void WINAPI mapClearSample(HSELECT select) {
  TMapSelect* context = Select(select);
  if (context != nullptr && context->Map != nullptr) context->ClearSample();
}

MAPAPI LONG WINAPI mapSelectViewSample(HMAP hMap, const char* name, LONG key) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || key == 0) return 0;
  return doc->SelectViewSample(name, key);
}

MAPAPI LONG WINAPI mapSelectSeekSample(HMAP hMap, const char* name, LONG key) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || key == 0) return 0;
  return doc->SelectSeekSample(name, key);
}

MAPAPI LONG WINAPI mapUnselectSample(HSELECT select, const char* name, LONG key) {
  TMapSelect* context = Select(select);
  const int sheet =
      TDocumentSeek::SheetByName(OpenMapOf(context), name, TDocumentSeek::MATCH_WHOLE, false);
  return sheet != 0 ? UnselectByList(context, sheet, DWORD(key)) : 0;
}

MAPAPI LONG WINAPI mapUnselectSampleByList(HSELECT select, LONG sheet, LONG key) {
  return UnselectByList(Select(select), sheet, DWORD(key));
}

MAPAPI LONG WINAPI mapUnselectSampleByNumber(HSELECT select, LONG sheet, LONG object) {
  return UnselectByNumber(Select(select), sheet, object);
}

// ---------------------------------------------------------------------------
// Areas

MAPAPI LONG WINAPI mapSelectArea(HMAP hMap, HOBJ area, double distance, LONG keep, LONG relation,
                                 LONG view, const char* name, LONG seek) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  return doc->SetSeekArea(Object(area), distance, keep, relation, view, seek,
                          TDocumentSeek(doc).MapByFileName(name));
}

MAPAPI LONG WINAPI mapSelectAreaEx(HMAP hMap, HOBJ area, double distance, LONG keep, LONG relation,
                                   LONG view, LONG seek, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  return doc->SetSeekArea(Object(area), distance, keep, relation, view, seek, number);
}

MAPAPI void WINAPI mapUnselectArea(HMAP hMap) {
  if (TMapAccess* doc = DocumentOf(hMap)) TDocumentSeek(doc).ClearSeekArea();
}

MAPAPI LONG WINAPI mapSelectSeekArea(HSELECT select, HOBJ area, double distance, LONG keep,
                                     LONG relation, LONG, LONG seek) {
  TMapSelect* context = Select(select);
  TObjectInfo* object = Object(area);
  if (context == nullptr || object == nullptr) return 0;
  const int count = object->PointCount(0);
  if (count < 1 || (object->Map != nullptr && count < 2)) return 0;
  // Only a closed contour bounds an area.
  if (object->XPlane(1, 0) != object->XPlane(count, 0) ||
      object->YPlane(1, 0) != object->YPlane(count, 0))
    return 0;
  context->AreaSet(distance, object, keep, relation, seek, nullptr);
  return LONG(context->AreaSwitch);
}

MAPAPI void WINAPI mapUnselectSeekArea(HSELECT select) {
  if (TMapSelect* context = Select(select)) context->AreaClear();
}

// ---------------------------------------------------------------------------
// Nearest points

MAPAPI LONG WINAPI mapSeekNearVirtualPoint(HMAP hMap, HOBJ info, const DOUBLEPOINT* point,
                                           DOUBLEPOINT* result) {
  TObjectInfo* object = Measured(info);
  if (DocumentOf(hMap) == nullptr || object == nullptr || point == nullptr || result == nullptr)
    return 0;
  // A map that keeps internal coordinates stores its objects in its units,
  // relative to their sheet's origin.
  const TMap* map = object->Map;
  const bool internal = !map->IsRealPlace() && map->Factor > 0.0;
  double x = point->X, y = point->Y;
  if (internal) {
    x = (x - map->X0) / map->Factor - object->Origin.X;
    y = (y - map->Y0) / map->Factor - object->Origin.Y;
  }
  XYDOUBLE found;
  const int n = object->Metric.SeekNearVirtualPoint(x, y, &found);
  if (n == 0) return 0;
  if (internal) {
    found.X = (found.X + object->Origin.X) * map->Factor + map->X0;
    found.Y = (found.Y + object->Origin.Y) * map->Factor + map->Y0;
  }
  *result = found;
  return n;
}

MAPAPI LONG WINAPI mapSeekNearPoint(HOBJ info, const DOUBLEPOINT* point, LONG subject) {
  TObjectInfo* object = Object(info);
  if (object == nullptr || point == nullptr) return 0;
  return object->SeekNearPoint(point->X, point->Y, subject);
}

MAPAPI LONG WINAPI mapSeekNearVirtualPointSubject(HMAP, HOBJ info, LONG subject,
                                                  const DOUBLEPOINT* point, DOUBLEPOINT* result) {
  TObjectInfo* object = Object(info);
  if (object == nullptr || point == nullptr) return 0;
  return object->SeekNearVirtualPoint(point->X, point->Y, result, subject);
}

MAPAPI LONG WINAPI mapSeekVirtualPointByDistance(HOBJ info, LONG start, double distance,
                                                 DOUBLEPOINT* result, LONG subject) {
  TObjectInfo* object = Object(info);
  if (object == nullptr || start == 0 || result == nullptr) return 0;
  return object->SeekVirtualPointByDistance(subject, distance, result, start);
}
