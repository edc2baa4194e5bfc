// The user maps of a document for a host: each function turns its handles
// into the document and the map of a user map (checked against the
// document's chain) and calls the document, the map or the functions of
// the objects, classifiers and searches.
#include "api/site_api.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "api/coord_api.h"
#include "api/document_api.h"
#include "api/object_api.h"
#include "api/rsc_api.h"
#include "api/view_api.h"
#include "common/copyfile.h"
#include "document/mapaccess.h"
#include "document/sitechain.h"
#include "document/sitefiles.h"
#include "mapstore/map.h"
#include "mapstore/mapfiles.h"
#include "objects/objectinfo.h"
#include "platform/gdi/hostdc.h"
#include "search/docseek.h"
#include "selection/mapselect.h"
#include "selection/selectcontexts.h"

namespace {

const char kEmpty[1] = "";

// The map of a site of a live document: 0 or the document's handle for
// the main map, else a user map in its chain; null when it is not open.
TMap* OpenMapOf(HMAP hMap, HSITE hSite) {
  TMap* map = SiteMapOf(DocumentOf(hMap), hSite);
  return map != nullptr && map->IsActive() ? map : nullptr;
}

// What `get` answers of the map of a site, or `none` without one.
template <class T, class Get>
T OfMap(HMAP hMap, HSITE hSite, T none, Get get) {
  TMap* map = OpenMapOf(hMap, hSite);
  return map != nullptr ? T(get(map)) : none;
}

// The number of a site (0 the main map), -1 for none of the document's.
int NumberOf(HMAP hMap, HSITE hSite) { return SiteNumberOf(DocumentOf(hMap), hSite); }

// One name of two map files: the same text ignoring case, or one file.
bool SameName(const char* a, const char* b) {
  return a[0] != 0 && (strcasecmp(a, b) == 0 || IsSameFileName(a, b));
}

// The first user map whose map file has the name; 0 when none.
int SiteByName(TMapAccess* doc, const char* name) {
  if (doc == nullptr || name == nullptr || name[0] == 0) return 0;
  for (int n = 1; n <= doc->GetSiteCount(); ++n) {
    const SITENODE* node = doc->GetSiteChain(n);
    if (node == nullptr) break;
    if (node->Map.IsActive() && SameName(node->Map.Path, name)) return n;
  }
  return 0;
}

// A found object of a group shows its whole group, as the searches of the
// object functions do.
HOBJ FoundObject(TObjectInfo* object) {
  if (object == nullptr) return 0;
  if (object->IsGroup()) object->UnionGroupData(0.0, nullptr, 0);
  return object->Handle();
}

// The select of a host's handle.
TMapSelect* SelectOf(HSELECT select) { return MapSelectOfHandle(select); }

// Moves an object to a map: 1, or 0.
LONG MoveObject(HOBJ info, TMap* map) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  if (object == nullptr || object->Desc == nullptr || map == nullptr || !map->IsActive()) return 0;
  return object->ChangeMap(map) != 0 ? 1 : 0;
}

// Copies a select into another: 1, or 0.
LONG CopySelect(TMapSelect* to, const TMapSelect* from) {
  return to != nullptr && from != nullptr && to->SetSelect(from) != 0 ? 1 : 0;
}

// The view (or seek) select of map n and the caller's select, one copied
// into the other.
LONG SiteSelect(HMAP hMap, HSITE hSite, HSELECT select, bool view, bool toMap) {
  TMapAccess* doc = DocumentOf(hMap);
  TMapSelect* given = SelectOf(select);
  const int n = SiteNumberOf(doc, hSite);
  if (given == nullptr || n < 0 || OpenMapOf(hMap, hSite) == nullptr) return 0;
  if (n == 0 && view)
    return toMap ? mapSetViewSelect(hMap, select) : mapGetViewSelect(hMap, select);
  TMapSelect* own = view ? doc->GetViewSelect(n) : doc->GetSeekSelect(n);
  return toMap ? CopySelect(own, given) : CopySelect(given, own);
}

}  // namespace

// ---------------------------------------------------------------------------
// The chain

MAPAPI HMAP WINAPI mapGetMap(HMAP hMap, HSITE hSite) {
  return reinterpret_cast<HMAP>(OpenMapOf(hMap, hSite));
}

MAPAPI LONG WINAPI mapGetSiteCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetSiteCount() : 0;
}

MAPAPI LONG WINAPI mapGetSiteNumber(HMAP hMap, HSITE hSite) {
  return hSite != 0 ? std::max(NumberOf(hMap, hSite), 0) : 0;
}

MAPAPI HSITE WINAPI mapGetSiteIdent(HMAP hMap, LONG number) {
  return SiteHandleOf(DocumentOf(hMap), number);
}

MAPAPI HSITE WINAPI mapGetSiteIdentByName(HMAP hMap, const char* name) {
  TMapAccess* doc = DocumentOf(hMap);
  const int n = SiteByName(doc, name);
  return n > 0 ? SiteHandleOf(doc, n) : 0;
}

MAPAPI HSITE WINAPI mapGetObjectSiteIdent(HMAP hMap, HOBJ info) {
  TMapAccess* doc = DocumentOf(hMap);
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  if (doc == nullptr || object == nullptr || object->Map == nullptr) return 0;
  const int n = doc->GetMapNumber(object->Map);
  return n >= 0 ? SiteHandleOf(doc, n) : 0;
}

MAPAPI HSITE WINAPI mapOpenSiteForMap(HMAP hMap, const char* name, LONG mode) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || name == nullptr) return 0;
  const int n = doc->OpenSit(name, mode);
  return n > 0 ? SiteHandleOf(doc, n) : 0;
}

MAPAPI LONG WINAPI mapCloseSiteForMap(HMAP hMap, HSITE hSite) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  // Only 0 closes them all; the document's own handle is no user map.
  const int n = hSite == 0 ? 0 : SiteNumberOf(doc, hSite);
  if (hSite != 0 && n < 1) return 0;
  return doc->CloseSit(n);
}

MAPAPI LONG WINAPI mapCloseSiteForMapByName(HMAP hMap, const char* name) {
  TMapAccess* doc = DocumentOf(hMap);
  const int n = SiteByName(doc, name);
  return n > 0 ? doc->CloseSit(n) : 0;
}

// ---------------------------------------------------------------------------
// Files

MAPAPI LONG WINAPI mapDeleteSite(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || number < 0) return 0;
  return number == 0 ? mapDeleteMap(hMap) : DeleteSite(doc, number);
}

MAPAPI LONG WINAPI mapDeleteSiteByName(const char* name) { return DeleteMapFiles(name); }

MAPAPI LONG WINAPI mapCopySite(HMAP hMap, HSITE hSite, const char* name) {
  return CopySite(OpenMapOf(hMap, hSite), name);
}

// ---------------------------------------------------------------------------
// Facts

MAPAPI const char* WINAPI mapGetSiteFileName(HMAP hMap, HSITE hSite) {
  return OfMap<const char*>(hMap, hSite, kEmpty, [](TMap* m) { return m->Path; });
}

MAPAPI const char* WINAPI mapGetSiteName(HMAP hMap, HSITE hSite) {
  return OfMap<const char*>(hMap, hSite, kEmpty, [](TMap* m) { return m->Name(); });
}

MAPAPI LONG WINAPI mapGetSiteType(HMAP hMap, HSITE hSite) {
  return OfMap<LONG>(hMap, hSite, 0, [](TMap* m) { return m->MapType(); });
}

MAPAPI LONG WINAPI mapGetSiteScale(HMAP hMap, HSITE hSite) {
  return OfMap<LONG>(hMap, hSite, 0, [](TMap* m) { return m->Scale(); });
}

MAPAPI double WINAPI mapGetSiteX1(HMAP hMap, HSITE hSite) {
  return OfMap<double>(hMap, hSite, 0.0, [](TMap* m) { return m->X1(); });
}

MAPAPI double WINAPI mapGetSiteY1(HMAP hMap, HSITE hSite) {
  return OfMap<double>(hMap, hSite, 0.0, [](TMap* m) { return m->Y1(); });
}

MAPAPI double WINAPI mapGetSiteX2(HMAP hMap, HSITE hSite) {
  return OfMap<double>(hMap, hSite, 0.0, [](TMap* m) { return m->X2(); });
}

MAPAPI double WINAPI mapGetSiteY2(HMAP hMap, HSITE hSite) {
  return OfMap<double>(hMap, hSite, 0.0, [](TMap* m) { return m->Y2(); });
}

MAPAPI LONG WINAPI mapGetSiteMode(HMAP hMap, HSITE hSite) {
  return OfMap<LONG>(hMap, hSite, 0, [](TMap* m) { return LONG(m->Passport.ModeCounter); });
}

MAPAPI LONG WINAPI mapGetSiteObjectCount(HMAP hMap, HSITE hSite) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr) return 0;
  if (NumberOf(hMap, hSite) > 0) return map->GetObjectCount(1);
  int64_t total = 0;
  for (int n = 1; n <= map->Count(); ++n) total += map->GetObjectCount(n);
  return LONG(std::min<int64_t>(total, INT32_MAX));
}

MAPAPI LONG WINAPI mapGetSiteLayerCount(HMAP hMap, HSITE hSite) {
  return hSite != 0 ? mapGetRscSegmentCount(mapGetRscIdent(hMap, hSite)) : 0;
}

MAPAPI const char* WINAPI mapGetSiteLayerName(HMAP hMap, HSITE hSite, LONG layer) {
  return hSite != 0 ? mapGetRscSegmentName(mapGetRscIdent(hMap, hSite), layer) : kEmpty;
}

// ---------------------------------------------------------------------------
// Flags

MAPAPI LONG WINAPI mapGetSiteEditFlag(HMAP hMap, HSITE hSite) {
  return OfMap<LONG>(hMap, hSite, 0, [](TMap* m) { return m->EditFlag; });
}

MAPAPI LONG WINAPI mapSetSiteEditFlag(HMAP hMap, HSITE hSite, LONG flag) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr) return 0;
  map->EditFlag = flag;
  return flag;
}

MAPAPI LONG WINAPI mapGetSiteViewFlag(HMAP hMap, HSITE hSite) {
  return OfMap<LONG>(hMap, hSite, 0, [](TMap* m) { return m->ViewFlag; });
}

MAPAPI LONG WINAPI mapSetSiteViewFlag(HMAP hMap, HSITE hSite, LONG flag) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr) return 0;
  map->ViewFlag = flag;
  return flag;
}

MAPAPI LONG WINAPI mapGetSiteViewOrder(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr && number > 0 ? std::max(doc->MapViewOrder(number, -1), 0) : 0;
}

MAPAPI LONG WINAPI mapSetSiteViewOrder(HMAP hMap, LONG number, LONG order) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  return number > 0 ? doc->MapViewOrder(number, order != 0 ? 1 : 0) : -1;
}

MAPAPI LONG WINAPI mapGetSiteRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = doc != nullptr ? doc->GetMap(number) : nullptr;
  if (map == nullptr || bottom == nullptr || top == nullptr) return 0;
  *bottom = map->VisibleBottom;
  *top = map->VisibleTop;
  return 1;
}

MAPAPI LONG WINAPI mapSetSiteRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = doc != nullptr ? doc->GetMap(number) : nullptr;
  if (map == nullptr || bottom < 1 || bottom > top) return 0;
  map->VisibleBottom = bottom;
  map->VisibleTop = top;
  return 1;
}

// ---------------------------------------------------------------------------
// Passports

MAPAPI LONG WINAPI mapGetSiteInfoEx(HMAP hMap, HSITE hSite, MAPREGISTEREX* map, LISTREGISTER* sheet,
                                    LONG number) {
  TMap* found = OpenMapOf(hMap, hSite);
  if (found == nullptr || map == nullptr || sheet == nullptr) return 0;
  if (NumberOf(hMap, hSite) > 0) number = 1;
  return found->ListToRegister(map, sheet, number) != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapGetSiteInfo(HMAP hMap, HSITE hSite, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  if (map == nullptr) return 0;
  MAPREGISTEREX whole;
  if (!mapGetSiteInfoEx(hMap, hSite, &whole, sheet, 1)) return 0;
  whole.Length = MAPREGISTER_OLDLENGTH;
  std::memcpy(map, &whole, MAPREGISTER_OLDLENGTH);
  return 1;
}

MAPAPI LONG WINAPI mapGetMapPassportRecordLength(HMAP hMap, HSITE hSite) {
  return OpenMapOf(hMap, hSite) != nullptr ? LONG(sizeof(MAPPASSPORTRECORD)) : 0;
}

MAPAPI LONG WINAPI mapGetMapPassportRecord(HMAP hMap, HSITE hSite, char* record, LONG length) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr || record == nullptr || length < LONG(sizeof(MAPPASSPORTRECORD))) return 0;
  MAPPASSPORTRECORD passport{};
  passport.Ident = MAPPASSPORT_IDENT;
  passport.Length = MAPPASSPORT_LENGTH;
  const int got = map->Count() >= 1 && map->ListToRegister(&passport.Map, &passport.Sheet, 1);
  // The head goes to the caller also when the map has no sheet to give.
  std::memcpy(record, &passport, got ? sizeof passport : offsetof(MAPPASSPORTRECORD, Map));
  return got ? 1 : 0;
}

MAPAPI HMAP WINAPI mapPutMapPassportRecord(HMAP hMap, const char* name, const char* rscname,
                                           const char* record, LONG length) {
  if (name == nullptr || rscname == nullptr || record == nullptr ||
      length < LONG(sizeof(MAPPASSPORTRECORD)))
    return 0;
  if (hMap != 0 && DocumentOf(hMap) == nullptr) return 0;
  MAPPASSPORTRECORD passport;
  std::memcpy(&passport, record, sizeof passport);
  if (!CreateMapFromPassport(name, rscname, passport)) return 0;
  return hMap != 0 ? mapOpenSiteForMap(hMap, name, 0) : mapOpenMap(name, 0);
}

MAPAPI LONG WINAPI mapSetSiteBorder(HMAP hMap, HSITE hSite, DOUBLEPOINT* first, DOUBLEPOINT* second,
                                    LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr) return 0;
  if (!map->IsRealPlace() || first == nullptr || second == nullptr) return 1;
  DOUBLEPOINT a = *first, b = *second;
  if (!mapTransformPoints(hMap, &a, kind, &a, 3, 1) ||
      !mapTransformPoints(hMap, &b, kind, &b, 3, 1))
    return 0;
  const DOUBLEPOINT low{std::min(a.X, b.X), std::min(a.Y, b.Y)};
  const DOUBLEPOINT high{std::max(a.X, b.X), std::max(a.Y, b.Y)};
  map->UpdateListBorder(1, &low, &high);
  doc->SetRegion();
  return 1;
}

// ---------------------------------------------------------------------------
// The classifier of a map

MAPAPI LONG WINAPI mapSiteRscObjectCount(HMAP hMap, HSITE hSite) {
  return mapGetRscObjectCount(mapGetRscIdent(hMap, hSite));
}

MAPAPI LONG WINAPI mapSiteRscObjectCountInLayer(HMAP hMap, HSITE hSite, LONG layer) {
  return mapGetRscObjectCountInLayer(mapGetRscIdent(hMap, hSite), layer);
}

MAPAPI const char* WINAPI mapSiteRscObjectNameInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n) {
  return mapGetRscObjectNameInLayer(mapGetRscIdent(hMap, hSite), layer, n);
}

MAPAPI LONG WINAPI mapSiteRscObjectExcodeInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n) {
  return mapGetRscObjectExcodeInLayer(mapGetRscIdent(hMap, hSite), layer, n);
}

MAPAPI LONG WINAPI mapSiteRscObjectLocalInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n) {
  return mapGetRscObjectLocalInLayer(mapGetRscIdent(hMap, hSite), layer, n);
}

MAPAPI LONG WINAPI mapSiteRscObjectCodeInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n) {
  return mapGetRscObjectCodeInLayer(mapGetRscIdent(hMap, hSite), layer, n);
}

MAPAPI LONG WINAPI mapSiteRscObjectCode(HMAP hMap, HSITE hSite, LONG excode, LONG local) {
  return mapGetRscObjectCode(mapGetRscIdent(hMap, hSite), excode, local);
}

// ---------------------------------------------------------------------------
// Objects

MAPAPI HOBJ WINAPI mapCreateSiteObject(HMAP hMap, HSITE hSite, LONG kind, LONG text) {
  const int n = NumberOf(hMap, hSite);
  if (n == 0) return mapCreateObject(hMap, 1, kind, text);
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr) return 0;
  TObjectInfo* object = TObjectInfo::NewHandle();
  if (object == nullptr) return 0;
  if (!object->CreateObject(map, 1, kind, text)) {
    TObjectInfo::FreeHandle(object->Handle());
    return 0;
  }
  return object->Handle();
}

MAPAPI LONG WINAPI mapSetObjectMap(HOBJ info, HSITE hSite) {
  // The user map is looked for in the chains of the open documents, as
  // every other function tests its handle against its document's chain.
  TMapAccess* doc = DocumentOfSite(hSite);
  return doc != nullptr ? MoveObject(info, SiteMapOf(doc, hSite)) : 0;
}

MAPAPI LONG WINAPI mapChangeObjectMap(HOBJ info, HMAP hMap, HSITE hSite) {
  return MoveObject(info, OpenMapOf(hMap, hSite));
}

MAPAPI HOBJ WINAPI mapSeekSiteObject(HMAP hMap, HSITE hSite, HOBJ info, DWORD key) {
  return mapSeekObjectInList(hMap, hSite, info, 1, key);
}

MAPAPI HOBJ WINAPI mapSeekSiteSelectObject(HMAP hMap, HSITE hSite, HOBJ info, HSELECT select,
                                           LONG flags) {
  const int n = NumberOf(hMap, hSite);
  if (n == 0) return mapSeekSelectObject(hMap, info, select, flags);
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  TMapSelect* context = SelectOf(select);
  if (n < 0 || OpenMapOf(hMap, hSite) == nullptr || object == nullptr || context == nullptr)
    return 0;
  return FoundObject(DocumentOf(hMap)->SeekObject(object, context, n, flags | SEEK_THISMAP));
}

MAPAPI HOBJ WINAPI mapSeekSiteViewObject(HMAP hMap, HSITE hSite, HOBJ info, HSELECT select,
                                         LONG flags) {
  const int n = NumberOf(hMap, hSite);
  if (n == 0) return mapSeekViewObject(hMap, info, select, flags);
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  TMapSelect* context = SelectOf(select);
  if (n < 0 || OpenMapOf(hMap, hSite) == nullptr || object == nullptr ||
      (select != 0 && context == nullptr))
    return 0;
  return FoundObject(DocumentOf(hMap)->SeekViewObject(object, context, n, flags | SEEK_THISMAP));
}

MAPAPI LONG WINAPI mapGetSiteObjectNumberByKey(HMAP hMap, HSITE hSite, DWORD key) {
  TMap* map = OpenMapOf(hMap, hSite);
  return map != nullptr ? TObjectSeek::SeekObjectByKey(map, 1, key) : 0;
}

MAPAPI LONG WINAPI mapDeleteSiteObjectNumber(HMAP hMap, HSITE hSite, LONG number) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr || !map->OpenList(1)) return 0;
  return map->DeleteObject(number) != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapDeleteSiteObjectByNumber(HMAP hMap, HSITE hSite, LONG number) {
  return mapDeleteSiteObjectNumber(hMap, hSite, number);
}

// ---------------------------------------------------------------------------
// Selects

MAPAPI LONG WINAPI mapGetSiteViewSelect(HMAP hMap, HSITE hSite, HSELECT select) {
  return SiteSelect(hMap, hSite, select, true, false);
}

MAPAPI LONG WINAPI mapSetSiteViewSelect(HMAP hMap, HSITE hSite, HSELECT select) {
  return SiteSelect(hMap, hSite, select, true, true);
}

MAPAPI LONG WINAPI mapGetSiteSeekSelect(HMAP hMap, HSITE hSite, HSELECT select) {
  return SiteSelect(hMap, hSite, select, false, false);
}

MAPAPI LONG WINAPI mapSetSiteSeekSelect(HMAP hMap, HSITE hSite, HSELECT select) {
  return SiteSelect(hMap, hSite, select, false, true);
}

MAPAPI HSELECT WINAPI mapCreateSiteSelectContext(HMAP hMap, HSITE hSite) {
  TMap* map = OpenMapOf(hMap, hSite);
  return map != nullptr ? reinterpret_cast<HSELECT>(slCreateSelect(&map->SelectList)) : 0;
}

// ---------------------------------------------------------------------------
// Other

MAPAPI LONG WINAPI mapPaintExampleSiteObject(HMAP hMap, HSITE hSite, HDC hdc, RECT* rect,
                                             LONG incode) {
  TMapAccess* doc = DocumentOf(hMap);
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr || rect == nullptr || !plat::IsDeviceContext(hdc)) return 0;
  return doc->PaintExampleObject(hdc, *rect, incode, &map->Rsc, 0, nullptr);
}

MAPAPI LONG WINAPI mapMessageToLog(HMAP hMap, HSITE hSite, const char* text, LONG kind) {
  TMap* map = OpenMapOf(hMap, hSite);
  if (map == nullptr || text == nullptr) return 0;
  return map->WriteToLog(text, kind) != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapSetSiteContext(LONG, LONG) { return 0; }
