// Classifiers for a host: each function finds the classifier of its handle
// and forwards to one operation of TMapRsc.
#include "api/rsc_api.h"
#include "api/site_api.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "classifier/maprsc.h"
#include "classifier/rscclass.h"
#include "common/liveset.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "mapstore/map.h"
#include "platform/gdi/hostdc.h"
#include "records/drawedit.h"
#include "records/primitives.h"

namespace {

// Where a map keeps its classifier, from the start of the map: learnt when
// the first map classifier is handed out (0 until then, when no handle can
// name one).
std::atomic<uintptr_t> g_mapRscOffset{0};

// The classifier of a host's handle: one this interface opened, or the
// classifier of a live map that mapGetRscIdent handed out; null for
// anything else.
TMapRsc* RscOf(HRSC hRsc) {
  if (hRsc == 0) return nullptr;
  const uintptr_t address = uintptr_t(hRsc);
  if (liveIsRegistered(LIVE_CLASSIFIER, reinterpret_cast<const void*>(address)))
    return reinterpret_cast<TMapRsc*>(address);
  const uintptr_t offset = g_mapRscOffset.load(std::memory_order_relaxed);
  if (offset == 0 || address < offset) return nullptr;
  auto* map = reinterpret_cast<TMap*>(address - offset);
  return liveIsRegistered(LIVE_MAP, map) ? &map->Rsc : nullptr;
}

// The same, open.
TMapRsc* Loaded(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && rsc->IsActive() ? rsc : nullptr;
}

// The open classifier of a document's main map.
TMapRsc* MapRsc(HMAP hMap) {
  TMap* map = DocumentOf(hMap);
  return map && map->Rsc.IsActive() ? &map->Rsc : nullptr;
}

const char* Text(const char* text) { return text ? text : RSC_EMPTY_STRING; }

// A new classifier handle in page-allocated memory, or null.
TMapRsc* NewHandle() {
  TMapRsc* rsc = new TMapRsc;
  if (rsc && !liveRegister(LIVE_CLASSIFIER, rsc)) {
    delete rsc;
    return nullptr;
  }
  return rsc;
}

void FreeHandle(TMapRsc* rsc) {
  liveUnregister(LIVE_CLASSIFIER, rsc);
  delete rsc;
}

// A classifier that could not be opened or created: its code reported with
// the file's name (the message while messages are on, the code to the host
// message window either way), as no handle is left to ask; the handle
// freed; 0.
HRSC Refuse(TMapRsc* rsc, const char* name, int fallback) {
  const int code = rsc == nullptr ? MAPERR_MEMORY : rsc->Error() ? rsc->Error() : fallback;
  if (rsc != nullptr) FreeHandle(rsc);
  ShowErrorMessage(code, name);
  return 0;
}

// The n-th kind (from 1, in incode order) of a layer, 0 when there is none.
int KindInLayer(TMapRsc* rsc, int layer, int n) {
  if (n < 1) return 0;
  const int count = rsc->GetObjCount();
  for (int k = 1; k <= count; ++k)
    if (rsc->GetTabObj(k) && rsc->GetObjSegment(k) == layer && --n == 0) return k;
  return 0;
}

// The image record of a kind: the printer's when asked for and present,
// else the screen's; null without one.
const VIEPAR* ImageOf(TMapRsc* rsc, int n, int print) {
  const VIEPAR* rec = print ? rsc->GetTabPrn(n) : nullptr;
  if (rec == nullptr) rec = rsc->GetTabPar(n);
  return rec && rec->Length >= DWORD(RSC_PAR_HEAD) ? rec : nullptr;
}

const char* ParamsOf(const VIEPAR* rec) { return reinterpret_cast<const char*>(rec) + RSC_PAR_HEAD; }
int ParamLength(const VIEPAR* rec) { return int(rec->Length) - RSC_PAR_HEAD; }

// The element set that `length` bytes at `params` hold, or null.
IMGDRAW* SetAt(const char* params, int length) {
  if (length < IMGDRAW_HEAD) return nullptr;
  auto* draw = reinterpret_cast<IMGDRAW*>(const_cast<char*>(params));
  if (draw->Ident != IMGDRAW_IDENT || draw->Length < DWORD(IMGDRAW_HEAD) || draw->Length > DWORD(length))
    return nullptr;
  return draw;
}

// The set of a set image (function 147), or null.
IMGDRAW* SetOf(const VIEPAR* rec) {
  return rec->Function == PRIM_SET ? SetAt(ParamsOf(rec), ParamLength(rec)) : nullptr;
}

// Element n of a kind's image: an element of its set, or the whole image
// as its only element (null head then).
struct ELEMENT {
  const VIEPAR* Record = nullptr;
  const IMGELEMENT* Head = nullptr;
};

ELEMENT ElementOf(HRSC hRsc, LONG incode, LONG n, LONG print) {
  ELEMENT e;
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, print) : nullptr;
  if (rec == nullptr) return e;
  if (rec->Function != PRIM_SET) {
    e.Record = rec;
    return e;
  }
  IMGDRAW* set = SetOf(rec);
  const char* at = set ? DrawElementAddress(set, LONG(set->Length), n) : nullptr;
  if (at == nullptr) return e;
  e.Record = rec;
  e.Head = reinterpret_cast<const IMGELEMENT*>(at);
  return e;
}

// Semantic descriptions: the interface's short and longer forms.
RSCSEMANTICEX FromShort(const RSCSEMANTIC& s) {
  RSCSEMANTICEX ex{};
  ex.Code = s.Code;
  ex.Type = s.Type;
  ex.Reply = s.Reply;
  ex.Service = s.Service;
  std::memcpy(ex.Name, s.Name, sizeof ex.Name);
  std::memcpy(ex.Unit, s.Unit, sizeof ex.Unit);
  ex.Minimum = s.Minimum;
  ex.Default = s.Default;
  ex.Maximum = s.Maximum;
  return ex;
}

void ToShort(const RSCSEMANTICEX& ex, RSCSEMANTIC* s) {
  std::memset(s, 0, sizeof *s);
  s->Code = ex.Code;
  s->Type = ex.Type;
  s->Reply = ex.Reply;
  s->Service = ex.Service;
  std::memcpy(s->Name, ex.Name, sizeof s->Name);
  std::memcpy(s->Unit, ex.Unit, sizeof s->Unit);
  s->Minimum = ex.Minimum;
  s->Default = ex.Default;
  s->Maximum = ex.Maximum;
}

// An image function a kind's record takes: an element of a drawing
// description, or a fill (136, 138) that a kind's record holds alone as a
// set holds it among its elements.
bool KindImageFunction(LONG function) {
  return TDrawEdit::IsElement(function) || PrimitiveIs(function, PRIMF_KIND_IMAGE);
}

}  // namespace

// --- Opening, creating, closing ---------------------------------------

MAPAPI HRSC WINAPI mapOpenRsc(const char* name) {
  if (name == nullptr) return 0;
  TMapRsc* rsc = NewHandle();
  if (rsc == nullptr) return Refuse(rsc, name, MAPERR_MEMORY);
  int opened = rsc->OpenRsc(name, 0);
  // A classifier of an older version opens once the converter made it
  // current.
  if (!opened && rsc->Error() == MAPERR_OLDVERSION) opened = rsc->CheckAndLoadOldVersion(name, -1);
  if (!opened) return Refuse(rsc, name, MAPERR_DATA);
  rsc->ApiOpenFlag(1);
  return reinterpret_cast<HRSC>(rsc);
}

MAPAPI HRSC WINAPI mapCreateRsc(const char* name, RSCCREATE* create, PALETTE256* palette) {
  if (name == nullptr || create == nullptr) return 0;
  TMapRsc* rsc = NewHandle();
  if (rsc == nullptr) return Refuse(rsc, name, MAPERR_MEMORY);
  if (!rsc->CreateRsc(name, create, palette, 1) || !rsc->Save(0))
    return Refuse(rsc, name, MAPERR_CREATE);
  rsc->ApiOpenFlag(1);
  return reinterpret_cast<HRSC>(rsc);
}

MAPAPI HRSC WINAPI mapCreateKeyObjectRsc(const char* name, RSCCREATE* create,
                                         PALETTE256* palette) {
  const HRSC hRsc = mapCreateRsc(name, create, palette);
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc != nullptr) {
    rsc->SetRscObjectCodeType(1);
    rsc->Save(0);
  }
  return hRsc;
}

MAPAPI LONG WINAPI mapCloseRsc(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  // A map's classifier belongs to the map.
  if (rsc == nullptr || !rsc->ApiOpenFlag() ||
      !liveIsRegistered(LIVE_CLASSIFIER, reinterpret_cast<const void*>(hRsc)))
    return 0;
  FreeHandle(rsc);
  return 1;
}

MAPAPI LONG WINAPI mapCommitRsc(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->Save(0) : 0;
}

MAPAPI LONG WINAPI mapRevertRsc(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->Revert() : 0;
}

MAPAPI LONG WINAPI mapGetRscError(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->Error() : 0;
}

MAPAPI LONG WINAPI mapGetRscFileName(HRSC hRsc, char* buffer, LONG size) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && buffer ? rsc->GetRscName(buffer, size) : 0;
}

MAPAPI const char* WINAPI mapGetRscName(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->FileName : RSC_EMPTY_STRING;
}

MAPAPI LONG WINAPI mapGetRscDescribe(HRSC hRsc, RSCCREATE* describe, PALETTE256* palette) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetRscDescribe(describe, palette) : 0;
}

MAPAPI LONG WINAPI mapGetRscScaleCount(HRSC hRsc) { return RscOf(hRsc) ? RSC_SCALE_COUNT : 0; }

MAPAPI LONG WINAPI mapGetRscScaleItem(HRSC hRsc, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && n >= 1 && n <= RSC_SCALE_COUNT ? rsc->GetScaleItem(n - 1) : 0;
}

MAPAPI LONG WINAPI mapGetRscLocalCount(HRSC hRsc) {
  return RscOf(hRsc) ? TMapRsc::GetLocalCount() : 0;
}

MAPAPI LONG WINAPI mapGetRscLocalNameSize(HRSC hRsc) {
  return RscOf(hRsc) ? TMapRsc::GetLocalNameSize() : 0;
}

MAPAPI const char* WINAPI mapGetRscLocalName(HRSC hRsc, LONG local, LONG language) {
  return RscOf(hRsc) ? Text(TMapRsc::GetLocalName(local, language)) : RSC_EMPTY_STRING;
}

// --- The classifier of a document's main map ---------------------------

MAPAPI LONG WINAPI mapRscObjectCount(HMAP hMap) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? rsc->GetObjCount() : 0;
}

MAPAPI LONG WINAPI mapRscObjectCountInLayer(HMAP hMap, LONG layer) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? rsc->GetSegmentObjectCount(layer) : 0;
}

MAPAPI const char* WINAPI mapRscObjectNameInLayer(HMAP hMap, LONG layer, LONG n) {
  TMapRsc* rsc = MapRsc(hMap);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjName(k) : RSC_EMPTY_STRING;
}

MAPAPI LONG WINAPI mapRscObjectCodeInLayer(HMAP hMap, LONG layer, LONG n) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? KindInLayer(rsc, layer, n) : 0;
}

MAPAPI LONG WINAPI mapRscObjectExcodeInLayer(HMAP hMap, LONG layer, LONG n) {
  TMapRsc* rsc = MapRsc(hMap);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjExcode(k) : 0;
}

MAPAPI LONG WINAPI mapRscObjectLocalInLayer(HMAP hMap, LONG layer, LONG n) {
  TMapRsc* rsc = MapRsc(hMap);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjLocal(k) : 0;
}

MAPAPI LONG WINAPI mapRscObjectCode(HMAP hMap, LONG excode, LONG local) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? rsc->GetObjIncode(DWORD(excode), local) : 0;
}

MAPAPI LONG WINAPI mapRscSemanticCount(HMAP hMap) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? rsc->GetSemCount() : 0;
}

MAPAPI LONG WINAPI mapRscSemanticCode(HMAP hMap, LONG n) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? LONG(rsc->GetSemOrderExcode(n)) : 0;
}

MAPAPI const char* WINAPI mapRscSemanticName(HMAP hMap, LONG code) {
  TMapRsc* rsc = MapRsc(hMap);
  return rsc ? Text(rsc->GetSemName(DWORD(code))) : RSC_EMPTY_STRING;
}

MAPAPI HRSC WINAPI mapGetRscIdent(HMAP hMap, HSITE hSite) {
  TMap* map = SiteMapOf(DocumentOf(hMap), hSite);
  if (map == nullptr || !map->IsActive() || !map->Rsc.IsActive()) return 0;
  g_mapRscOffset.store(uintptr_t(&map->Rsc) - uintptr_t(map), std::memory_order_relaxed);
  return reinterpret_cast<HRSC>(&map->Rsc);
}

// --- Layers ----------------------------------------------------------------

MAPAPI LONG WINAPI mapGetRscSegmentCount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetSegCount() : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentNameSize(HRSC hRsc) {
  return Loaded(hRsc) ? TMapRsc::GetSegNameSize() : 0;
}

MAPAPI const char* WINAPI mapGetRscSegmentName(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? Text(rsc->GetSegName(layer)) : RSC_EMPTY_STRING;
}

MAPAPI LONG WINAPI mapGetRscSegmentOrder(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetSegOrder(layer) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentObjectCount(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetSegmentObjectCount(layer) : 0;
}

MAPAPI LONG WINAPI mapGetSegmentByName(HRSC hRsc, const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->GetElementbyName(name, 1) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentByKey(HRSC hRsc, const char* key) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && key ? rsc->GetElementbyName(key, 2) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentByShortName(HRSC hRsc, const char* name) {
  return mapGetRscSegmentByKey(hRsc, name);
}

MAPAPI LONG WINAPI mapGetRscSegmentbyShortName(HRSC hRsc, const char* name) {
  return mapGetRscSegmentByKey(hRsc, name);
}

MAPAPI const char* WINAPI mapGetRscSegmentShortName(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? Text(rsc->GetSegShortName(layer)) : RSC_EMPTY_STRING;
}

MAPAPI const char* WINAPI mapGetRscSegmentKey(HRSC hRsc, LONG layer) {
  return mapGetRscSegmentShortName(hRsc, layer);
}

MAPAPI LONG WINAPI mapSetRscSegmentShortName(HRSC hRsc, LONG layer, const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->SetSegShortName(layer, name) : 0;
}

MAPAPI LONG WINAPI mapSetRscSegmentKey(HRSC hRsc, LONG layer, const char* key) {
  return mapSetRscSegmentShortName(hRsc, layer, key);
}

MAPAPI LONG WINAPI mapSetRscSegmentName(HRSC hRsc, LONG layer, const char* name) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc && name ? rsc->SetSegName(layer, name) : 0;
}

MAPAPI LONG WINAPI mapSetRscSegmentOrder(HRSC hRsc, LONG layer, LONG order) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->SetSegOrder(layer, char(order)) : 0;
}

MAPAPI LONG WINAPI mapDeleteRscSegment(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->DeleteSegment(layer) : 0;
}

MAPAPI LONG WINAPI mapMoveRscSegmentObjects(HRSC hRsc, LONG from, LONG to) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->MoveSegmentObjects(from, to) : 0;
}

MAPAPI LONG WINAPI mapAppendRscSegment(HRSC hRsc, RSCSEG* segment) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && segment ? rsc->AppendSeg(segment) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegment(HRSC hRsc, RSCSEGMENT* segment, LONG layer) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && segment ? rsc->GetSegment(layer, segment) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentSemanticCount(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetSegSemCount(layer) : 0;
}

MAPAPI LONG WINAPI mapGetRscSegmentSemanticCode(HRSC hRsc, LONG layer, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? LONG(rsc->GetSegSemCode(layer, n)) : 0;
}

MAPAPI LONG WINAPI mapAppendRscSegmentSemantic(HRSC hRsc, LONG layer, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->AppendSegSemCode(layer, DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapDeleteRscSegmentSemantic(HRSC hRsc, LONG layer, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->DeleteSegSemCode(layer, DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapBuildRscSegmentSemantic(HRSC hRsc, LONG layer, LONG obligatoryOnly) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && rsc->BuildSegmentSemantic(layer, obligatoryOnly) ? 1 : 0;
}

// --- Object kinds -------------------------------------------------------

MAPAPI LONG WINAPI mapGetRscObjectCount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjCount() : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectCountInLayer(HRSC hRsc, LONG layer) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetSegmentObjectCount(layer) : 0;
}

MAPAPI const char* WINAPI mapGetRscObjectNameInLayer(HRSC hRsc, LONG layer, LONG n) {
  TMapRsc* rsc = Loaded(hRsc);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjName(k) : RSC_EMPTY_STRING;
}

MAPAPI LONG WINAPI mapGetRscObjectExcodeInLayer(HRSC hRsc, LONG layer, LONG n) {
  TMapRsc* rsc = Loaded(hRsc);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjExcode(k) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectLocalInLayer(HRSC hRsc, LONG layer, LONG n) {
  TMapRsc* rsc = Loaded(hRsc);
  const int k = rsc ? KindInLayer(rsc, layer, n) : 0;
  return k ? rsc->GetObjLocal(k) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectCodeInLayer(HRSC hRsc, LONG layer, LONG n) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? KindInLayer(rsc, layer, n) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectCode(HRSC hRsc, LONG excode, LONG local) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetObjIncode(DWORD(excode), local) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectsCount(HRSC hRsc, LONG excode, LONG local) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetObjNumber(DWORD(excode), local) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectCodeByNumber(HRSC hRsc, LONG excode, LONG local, LONG n) {
  TMapRsc* rsc = Loaded(hRsc);
  if (rsc == nullptr || n < 1 || n > rsc->GetObjNumber(DWORD(excode), local)) return 0;
  for (int k = rsc->GetNextObjIncode(DWORD(excode), 0); k; k = rsc->GetNextObjIncode(DWORD(excode), k))
    if (rsc->GetObjLocal(k) == local && --n == 0) return k;
  return 0;
}

MAPAPI LONG WINAPI mapGetRscObjectNumber(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjExtend(incode) : 0;
}

MAPAPI LONG WINAPI mapGetRscObject(HRSC hRsc, LONG incode, RSCOBJECT* object) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && object ? rsc->GetDescribeObj(incode, object) : 0;
}

MAPAPI LONG WINAPI mapAppendRscObject(HRSC hRsc, RSCOBJECT* object) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && object ? rsc->AppendObjectDefaultView(object) : 0;
}

MAPAPI LONG WINAPI mapCopyRscObject(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->CopyObject(int(incode)) : 0;
}

MAPAPI LONG WINAPI mapUpdateRscObject(HRSC hRsc, LONG incode, RSCOBJECT* object) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && object ? rsc->UpdateObject(incode, object) : 0;
}

MAPAPI LONG WINAPI mapDeleteRscObject(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->DeleteObject(incode) : 0;
}

MAPAPI const char* WINAPI mapGetRscObjectName(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? Text(rsc->GetObjName(incode)) : RSC_EMPTY_STRING;
}

MAPAPI const char* WINAPI mapGetRscObjectKey(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? Text(rsc->GetObjKey(incode)) : RSC_EMPTY_STRING;
}

MAPAPI LONG WINAPI mapGetRscObjectIdent(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  return rsc ? rsc->GetObjIdent(incode) : 0;
}

MAPAPI const char* WINAPI mapSetRscObjectKey(HRSC hRsc, LONG incode, const char* key) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || key == nullptr || rsc->GetTabObj(incode) == nullptr) return RSC_EMPTY_STRING;
  // A key is one kind's only.
  const int holder = rsc->GetObjKeyIncode(key);
  if (holder == incode) return Text(rsc->GetObjKey(incode));
  if (holder != 0) return RSC_EMPTY_STRING;
  return Text(rsc->SetObjKey(incode, key));
}

MAPAPI LONG WINAPI mapGetRscObjectIdentIncode(HRSC hRsc, LONG ident) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjIdentIncode(ident) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectKeyIncode(HRSC hRsc, const char* key) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && key ? rsc->GetObjKeyIncode(key) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectCodeByName(HRSC hRsc, const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->GetElementbyName(name, 6) : 0;
}

MAPAPI LONG WINAPI mapGetRscImageSemanticCount(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjLimSemCount(incode) : 0;
}

MAPAPI LONG WINAPI mapGetRscImageSemanticCode(HRSC hRsc, LONG incode, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? LONG(rsc->GetObjLimSem(incode, n)) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectRelate(HRSC hRsc, LONG incode, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  const DWORD ident = rsc ? rsc->GetObjectRelate(incode, DWORD(code), nullptr) : 0;
  return ident ? rsc->GetObjIdentIncode(LONG(ident)) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectRelateCount(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjectRelateCount(incode) : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectRelateOrder(HRSC hRsc, LONG incode, LONG k,
                                              RSCRELATION* relation) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? LONG(rsc->GetObjectRelateOrder(incode, k, relation)) : 0;
}

// --- Images of kinds --------------------------------------------------

MAPAPI LONG WINAPI mapGetRscObjectFunction(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 0) : nullptr;
  return rec ? rec->Function : 0;
}

MAPAPI LONG WINAPI mapGetRscObjectParametersSize(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 0) : nullptr;
  return rec ? ParamLength(rec) : 0;
}

MAPAPI const char* WINAPI mapGetRscObjectParameters(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = Loaded(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 0) : nullptr;
  return rec ? ParamsOf(rec) : nullptr;
}

MAPAPI LONG WINAPI mapGetRscPrintObjectFunction(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 1) : nullptr;
  return rec ? rec->Function : 0;
}

MAPAPI LONG WINAPI mapGetRscPrintObjectParametersSize(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 1) : nullptr;
  return rec ? ParamLength(rec) : 0;
}

MAPAPI const char* WINAPI mapGetRscPrintObjectParameters(HRSC hRsc, LONG incode) {
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, 1) : nullptr;
  return rec ? ParamsOf(rec) : nullptr;
}

MAPAPI LONG WINAPI mapGetRscPrimitiveCount(HRSC hRsc, LONG incode, LONG print) {
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, print) : nullptr;
  if (rec == nullptr) return 0;
  if (rec->Function != PRIM_SET) return 1;
  const IMGDRAW* set = SetOf(rec);
  return set ? set->Count : 0;
}

MAPAPI LONG WINAPI mapGetRscPrimitiveFunction(HRSC hRsc, LONG incode, LONG n, LONG print) {
  const ELEMENT e = ElementOf(hRsc, incode, n, print);
  if (e.Record == nullptr) return 0;
  return e.Head ? e.Head->Image : e.Record->Function;
}

MAPAPI LONG WINAPI mapGetRscPrimitiveLength(HRSC hRsc, LONG incode, LONG n, LONG print) {
  const ELEMENT e = ElementOf(hRsc, incode, n, print);
  if (e.Record == nullptr) return 0;
  return e.Head ? LONG(e.Head->Length) : LONG(e.Record->Length);
}

MAPAPI const char* WINAPI mapGetRscPrimitiveParameters(HRSC hRsc, LONG incode, LONG n,
                                                       LONG print) {
  const ELEMENT e = ElementOf(hRsc, incode, n, print);
  if (e.Record == nullptr) return nullptr;
  return e.Head ? reinterpret_cast<const char*>(e.Head) + IMGELEMENT_HEAD : ParamsOf(e.Record);
}

MAPAPI LONG WINAPI mapGetRscImageSuitable(HRSC hRsc, LONG local, LONG function) {
  return Loaded(hRsc) ? TMapRsc::GetImageSuitable(local, function) : 0;
}

MAPAPI LONG WINAPI mapSetRscObjectImage(HRSC hRsc, LONG incode, LONG length, LONG function,
                                        const char* parameters) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || (function != PRIM_LIBRARY && !KindImageFunction(function))) return 0;
  return rsc->SetTabPar(incode, length, function, parameters) ? 1 : 0;
}

MAPAPI LONG WINAPI mapSetRscPrintObjectImage(HRSC hRsc, LONG incode, LONG length,
                                             LONG function, const char* parameters) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || !KindImageFunction(function)) return 0;
  return rsc->SetTabPrn(incode, length, function, parameters) ? 1 : 0;
}

MAPAPI LONG WINAPI mapAppendRscObjectPrimitive(HRSC hRsc, LONG incode, LONG length,
                                               LONG primitive, const char* parameters,
                                               LONG print) {
  TMapRsc* rsc = RscOf(hRsc);
  const VIEPAR* rec = rsc ? ImageOf(rsc, incode, print) : nullptr;
  if (rec == nullptr || parameters == nullptr) return 0;
  const int function = rec->Function;
  if (function != PRIM_LIBRARY && !TMapRsc::GetImageSuitable(rsc->GetObjLocal(incode), primitive))
    return 0;
  // The element's parameters lie within the caller's `length` bytes.
  const int need = TObjectDraw::ElementParmLength(primitive, parameters);
  if (need <= 0 || need > length) return 0;

  // The image as a set: a set as it is, the set after a library sign's
  // 16-byte head, any other image as a set of its one element.
  enum { kLibraryHead = 16 };
  const char* params = ParamsOf(rec);
  const int size = ParamLength(rec);
  TDrawEdit edit;
  if (function == PRIM_SET) {
    IMGDRAW* set = SetOf(rec);
    if (set == nullptr || !edit.Load(TObjectDraw(set))) return 0;
  } else if (function == PRIM_LIBRARY) {
    if (size < kLibraryHead) return 0;
    IMGDRAW* set = SetAt(params + kLibraryHead, size - kLibraryHead);
    if (set ? !edit.Load(TObjectDraw(set)) : !edit.Clear()) return 0;
  } else if (function == PRIM_EMPTY || function == PRIM_NONE) {
    if (!edit.Clear()) return 0;  // draws nothing: no element of its own
  } else {
    const int own = TObjectDraw::ElementParmLength(function, params);
    if (own <= 0 || own > size || !edit.Load(function, params)) return 0;
  }
  if (!edit.AppendElement(primitive, parameters)) return 0;

  const char* set = reinterpret_cast<const char*>(edit.Record());
  const int setLength = edit.Length();
  const VIEPAR* stored = nullptr;
  if (function == PRIM_LIBRARY) {
    std::vector<char> image(size_t(kLibraryHead) + size_t(setLength));
    std::memcpy(image.data(), params, kLibraryHead);
    const DWORD total = DWORD(setLength) + kLibraryHead;
    std::memcpy(image.data(), &total, 4);
    std::memcpy(image.data() + kLibraryHead, set, size_t(setLength));
    stored = print ? rsc->SetTabPrn(incode, int(image.size()), PRIM_LIBRARY, image.data())
                   : rsc->SetTabPar(incode, int(image.size()), PRIM_LIBRARY, image.data());
  } else {
    stored = print ? rsc->SetTabPrn(incode, setLength, PRIM_SET, set)
                   : rsc->SetTabPar(incode, setLength, PRIM_SET, set);
  }
  return stored ? edit.Count() : 0;
}

MAPAPI LONG WINAPI mapGetRscImageSize(HRSC hRsc, LONG function, const char* parameters,
                                      const char* value, IMAGESIZE* size) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || parameters == nullptr || size == nullptr) return 0;
  // The parameters' length by the rule of the function.
  const int length = TObjectDraw::ElementParmLength(function, parameters);
  return rsc->GetImageSize(function, parameters, length, size, value);
}

MAPAPI LONG WINAPI mapGetRscMarkFrame(HRSC hRsc, LONG function, const char* parameters,
                                      double angle, IMAGEFRAME* frame) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetImageFrame(function, parameters, angle, frame) : 0;
}

// --- Semantics ------------------------------------------------------------

MAPAPI LONG WINAPI mapAppendRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || semantic == nullptr) return 0;
  const RSCSEMANTICEX ex = FromShort(*semantic);
  return LONG(rsc->AppendSemantic(&ex));
}

MAPAPI LONG WINAPI mapAppendRscSemanticEx(HRSC hRsc, RSCSEMANTICEX* semantic) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && semantic ? LONG(rsc->AppendSemantic(static_cast<const RSCSEMANTICEX*>(semantic))) : 0;
}

MAPAPI LONG WINAPI mapUpdateRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic, LONG code,
                                        LONG drop) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || semantic == nullptr) return 0;
  RSCSEMANTICEX ex = FromShort(*semantic);
  return LONG(rsc->UpdateSemantic(DWORD(code), &ex, drop));
}

MAPAPI LONG WINAPI mapUpdateRscSemanticEx(HRSC hRsc, RSCSEMANTICEX* semantic, LONG code,
                                          LONG drop) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || semantic == nullptr) return 0;
  RSCSEMANTICEX ex = *semantic;  // the caller's description stays as it was
  return LONG(rsc->UpdateSemantic(DWORD(code), &ex, drop));
}

MAPAPI LONG WINAPI mapDeleteRscSemantic(HRSC hRsc, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->DeleteSemantic(DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapRscSemanticDescribe(HRSC hRsc, RSCSEMANTIC* semantic, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || semantic == nullptr) return 0;
  RSCSEMANTICEX ex;
  const int found = rsc->SemanticDescribeEx(&ex, DWORD(code), 0);
  ToShort(ex, semantic);
  return found;
}

MAPAPI LONG WINAPI mapGetRscSemantic(HRSC hRsc, RSCSEMANTIC* semantic, LONG code) {
  return mapRscSemanticDescribe(hRsc, semantic, code);
}

MAPAPI LONG WINAPI mapGetRscSemanticEx(HRSC hRsc, RSCSEMANTICLONG* semantic, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || semantic == nullptr) return 0;
  RSCSEMANTICEX ex;
  const int found = rsc->SemanticDescribeEx(&ex, DWORD(code), 0);
  RSCSEMANTIC head;
  ToShort(ex, &head);
  static_assert(sizeof head == offsetof(RSCSEMANTICLONG, Size));
  std::memcpy(semantic, &head, sizeof head);
  semantic->Enable = ex.Enable;
  semantic->Size = ex.Size;
  semantic->Decimal = ex.Decimal;
  std::memcpy(semantic->ShortName, ex.ShortName, sizeof semantic->ShortName);
  return found;
}

MAPAPI LONG WINAPI mapGetRscSemanticExByCode(HRSC hRsc, RSCSEMANTICEX* semantic, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && semantic ? rsc->SemanticDescribeEx(semantic, DWORD(code), 0) : 0;
}

MAPAPI LONG WINAPI mapGetRscApplySemantic(HRSC hRsc, LONG code, LONG* possible, LONG* must,
                                          LONG* limit) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr) return 0;
  APPLYSEMANTIC use;
  const int result = rsc->GetSemInfo(DWORD(code), &use);
  if (possible) *possible = LONG(use.Possible);
  if (must) *must = LONG(use.Must);
  if (limit) *limit = LONG(use.Limit);
  return result;
}

MAPAPI LONG WINAPI mapRscSemanticAmount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetSemCount() : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticCount(HRSC hRsc) { return mapRscSemanticAmount(hRsc); }

MAPAPI LONG WINAPI mapRscSemanticCodeByNumber(HRSC hRsc, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? LONG(rsc->GetSemOrderExcode(n)) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticCodeByNumber(HRSC hRsc, LONG n) {
  return mapRscSemanticCodeByNumber(hRsc, n);
}

MAPAPI const char* WINAPI mapRscSemanticNameByNumber(HRSC hRsc, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? Text(rsc->GetSemOrderName(n)) : RSC_EMPTY_STRING;
}

MAPAPI const char* WINAPI mapGetRscSemanticNameByNumber(HRSC hRsc, LONG n) {
  return mapRscSemanticNameByNumber(hRsc, n);
}

MAPAPI LONG WINAPI mapGetRscSemanticByShortName(HRSC hRsc, const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->GetElementbyName(name, 4) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticByKey(HRSC hRsc, const char* key) {
  return mapGetRscSemanticByShortName(hRsc, key);
}

MAPAPI const char* WINAPI mapGetRscSemanticShortName(HRSC hRsc, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? Text(rsc->GetSemShortName(DWORD(code))) : RSC_EMPTY_STRING;
}

MAPAPI const char* WINAPI mapGetRscSemanticKey(HRSC hRsc, LONG code) {
  return mapGetRscSemanticShortName(hRsc, code);
}

MAPAPI LONG WINAPI mapSetRscSemanticShortName(HRSC hRsc, LONG code, const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->SetSemShortName(DWORD(code), name) : 0;
}

MAPAPI LONG WINAPI mapSetRscSemanticKey(HRSC hRsc, LONG code, const char* key) {
  return mapSetRscSemanticShortName(hRsc, code, key);
}

MAPAPI LONG WINAPI mapRscSemanticTypeByCode(HRSC hRsc, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetSemType(DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticTypeByCode(HRSC hRsc, LONG code) {
  return mapRscSemanticTypeByCode(hRsc, code);
}

MAPAPI LONG WINAPI mapSetRscSemanticDecimal(HRSC hRsc, LONG code, LONG size, LONG decimals) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->SetSemDecimal(DWORD(code), size, decimals) : 0;
}

MAPAPI LONG WINAPI mapRscSemanticClassificatorCount(HRSC hRsc, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetClassificatorCount(DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticClassificatorCount(HRSC hRsc, LONG code) {
  return mapRscSemanticClassificatorCount(hRsc, code);
}

MAPAPI const char* WINAPI mapRscSemanticClassificatorName(HRSC hRsc, LONG code, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? Text(rsc->GetClassificatorName(DWORD(code), n)) : RSC_EMPTY_STRING;
}

MAPAPI const char* WINAPI mapGetRscSemanticClassificatorName(HRSC hRsc, LONG code, LONG n) {
  return mapRscSemanticClassificatorName(hRsc, code, n);
}

MAPAPI LONG WINAPI mapRscSemanticClassificatorCode(HRSC hRsc, LONG code, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetClassificatorValue(DWORD(code), n) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticClassificatorCode(HRSC hRsc, LONG code, LONG n) {
  return mapRscSemanticClassificatorCode(hRsc, code, n);
}

MAPAPI LONG WINAPI mapAppendRscClassificator(HRSC hRsc, LONG code, LONG value,
                                             const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || name == nullptr || !rsc->AppendCls(DWORD(code), value, name)) return 0;
  return rsc->GetClassificatorCount(DWORD(code));
}

MAPAPI LONG WINAPI mapUpdateRscClassificatorName(HRSC hRsc, LONG code, LONG n,
                                                 const char* name) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && name ? rsc->UpdateClassificatorName(DWORD(code), n, name) : 0;
}

MAPAPI LONG WINAPI mapGetRscSemanticObjectCount(HRSC hRsc, LONG incode, LONG use) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr) return 0;
  switch (use) {
    case 1: return rsc->GetObjOnlyPosSemCount(incode);
    case 2: return rsc->GetObjMustSemCount(incode);
    case 3: return rsc->GetObjLimSemCount(incode);
    case 4: return rsc->GetObjMustSemCount(incode) + rsc->GetObjOnlyPosSemCount(incode);
    default: return 0;
  }
}

MAPAPI LONG WINAPI mapGetRscSemanticObjectCode(HRSC hRsc, LONG incode, LONG i, LONG use) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr) return 0;
  switch (use) {
    case 1: return LONG(rsc->GetObjOnlyPosSem(incode, i));
    case 2: return LONG(rsc->GetObjMustSem(incode, i));
    case 3: return LONG(rsc->GetObjLimSem(incode, i));
    case 4: {
      // The obligatory codes first, then the possible ones.
      const int must = rsc->GetObjMustSemCount(incode);
      return LONG(i <= must ? rsc->GetObjMustSem(incode, i) : rsc->GetObjOnlyPosSem(incode, i - must));
    }
    default: return 0;
  }
}

MAPAPI LONG WINAPI mapGetRscSemanticObjectUsed(HRSC hRsc, LONG incode, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetObjCanSem(incode, DWORD(code)) : 0;
}

MAPAPI LONG WINAPI mapAppendRscSemanticObject(HRSC hRsc, LONG incode, LONG code, LONG use) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->AppendObjectSemantic(incode, DWORD(code), use, 0) : 0;
}

MAPAPI LONG WINAPI mapEnableRscSemantic(HRSC hRsc, LONG incode, LONG code, LONG use) {
  return mapAppendRscSemanticObject(hRsc, incode, code, use);
}

MAPAPI LONG WINAPI mapUpdateRscSemanticObject(HRSC hRsc, LONG incode, LONG code, LONG use) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr) return 0;
  // By the kind's own list: a common semantic the kind does not list is
  // not used by it yet.
  switch (rsc->GetOnlyObjCanSem(incode, DWORD(code))) {
    case 0: return rsc->AppendObjectSemantic(incode, DWORD(code), use, 0);
    case 3: return 0;
    default: break;
  }
  if (use == 1) return rsc->SetTypePosSemantic(incode, DWORD(code), 0);
  if (use == 2) return rsc->SetTypeMustSemantic(incode, DWORD(code), 0);
  return 0;
}

MAPAPI LONG WINAPI mapDeleteRscSemanticObject(HRSC hRsc, LONG incode, LONG code) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr) return 0;
  const int used = rsc->GetOnlyObjCanSem(incode, DWORD(code));
  if (used == 0 || used == 3) return 0;
  return rsc->DeletePosSemantic(incode, DWORD(code), 0);
}

// --- Colours and fonts --------------------------------------------------

MAPAPI LONG WINAPI mapGetRscColorCount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetRscColorCount() : 0;
}

MAPAPI LONG WINAPI mapGetRscPaletteCount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetPaletteCount() : 0;
}

MAPAPI const char* WINAPI mapGetRscPaletteName(HRSC hRsc, LONG palette) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? Text(rsc->GetPaletteName(palette)) : RSC_EMPTY_STRING;
}

MAPAPI COLORREF WINAPI mapGetRscColor(HRSC hRsc, LONG color, LONG palette) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || palette < 1 || palette > rsc->GetPaletteCount() || color < 1 ||
      color > rsc->GetRscColorCount())
    return 0;
  const DWORD* colors = rsc->GetPalette(palette);
  return colors ? colors[color - 1] : 0;
}

MAPAPI LONG WINAPI mapSetRscColor(HRSC hRsc, COLORREF value, LONG color, LONG palette) {
  TMapRsc* rsc = RscOf(hRsc);
  // Counted as a change, so that the next commit writes it.
  return rsc ? rsc->SetPaletteColor(palette, color, value) : 0;
}

MAPAPI LONG WINAPI mapGetFontCount(HRSC hRsc) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetFontCount() : 0;
}

MAPAPI LONG WINAPI mapGetFontCode(HRSC hRsc, LONG n) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc ? rsc->GetFontcode(n) : 0;
}

MAPAPI LONG WINAPI mapAppendFont(HRSC hRsc, RSCFONT* font) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && font ? rsc->AppendFont(font) : 0;
}

MAPAPI LONG WINAPI mapReplaceFont(HRSC hRsc, LONG n, RSCFONT* font) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && font ? rsc->ReplaceFont(n, font) : 0;
}

MAPAPI LONG WINAPI mapGetFont(HRSC hRsc, LONG n, RSCFONT* font) {
  TMapRsc* rsc = RscOf(hRsc);
  return rsc && font ? rsc->GetFont(n, font) : 0;
}

MAPAPI LONG WINAPI mapGetFontByCode(HRSC hRsc, LONG code, RSCFONT* font) {
  TMapRsc* rsc = RscOf(hRsc);
  if (rsc == nullptr || font == nullptr) return 0;
  const int count = rsc->GetFontCount();
  for (int n = 1; n <= count; ++n)
    if (rsc->GetFontcode(n) == code) return rsc->GetFont(n, font) ? n : 0;
  return 0;
}

// --- Legend samples of a caller's classifier --------------------------------

MAPAPI LONG WINAPI mapPaintExampleRscObject(HMAP hMap, HRSC hRsc, HDC hdc, RECT* rect,
                                            LONG incode) {
  TMapAccess* doc = DocumentOf(hMap);
  TMapRsc* rsc = RscOf(hRsc);
  if (doc == nullptr || rsc == nullptr || rect == nullptr || !plat::IsDeviceContext(hdc))
    return 0;
  return doc->PaintExampleObject(hdc, *rect, incode, rsc, 0, nullptr);
}
