// The entries of the map document that the exported functions forward
// to: each checks its handle and calls the document.
#include "document/docentries.h"

#include "document/mapcreate.h"

namespace {

// A new document with data opened by `open`; null (nothing left) when the
// open fails.
template <class Open>
HMAP OpenDocument(Open open) {
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return 0;
  if (!open(doc)) {
    FreeDocument(doc);
    return 0;
  }
  return HandleOf(doc);
}

}  // namespace

HMAP docOpenData(const char* name, LONG mode) {
  if (name == nullptr) return 0;
  return OpenDocument([&](TMapAccess* doc) { return doc->OpenData(name, mode); });
}

HMAP docOpenMap(const char* name, LONG mode) {
  if (name == nullptr) return 0;
  return OpenDocument([&](TMapAccess* doc) { return doc->OpenMap(name, mode); });
}

HMAP docOpenProject(const char* name) {
  if (name == nullptr) return 0;
  return OpenDocument([&](TMapAccess* doc) { return doc->OpenMpt(name); });
}

HMAP docCreateMapEx(const char* name, const char* rscname, MAPREGISTEREX* map,
                    LISTREGISTER* sheet) {
  return HandleOf(CreateMapDocument(name, rscname, map, sheet));
}

HMAP docCreateMap(const char* name, const char* rscname, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  return HandleOf(CreateMapDocumentOld(name, rscname, map, sheet));
}

HMAP docCreatePlane(const char* name, const char* rscname, CREATEPLANE* plane) {
  return HandleOf(CreatePlaneDocument(name, rscname, plane));
}

HMAP docCreateSite(const char* name, const char* rscname, CREATESITE* site) {
  return HandleOf(CreateSiteDocument(name, rscname, site));
}

HMAP docCreateTempSite(const char* rscname) { return HandleOf(CreateTempSiteDocument(rscname)); }

HSITE docCreateAndAppendSite(HMAP hMap, const char* name, const char* rscname, CREATESITE* site) {
  // The new user map's handle, as every function taking a user map
  // expects; its chain number is no handle.
  TMapAccess* doc = DocumentOf(hMap);
  const int n = CreateAndAppendSite(doc, name, rscname, site);
  return n > 0 ? SiteHandleOf(doc, n) : 0;
}

LONG docCreateList(HMAP hMap, LISTREGISTER* sheet) {
  return CreateDocumentList(DocumentOf(hMap), sheet);
}

LONG docAppendMapToMap(HMAP hMap, const char* name, HWND window) {
  return AppendMapToDocument(DocumentOf(hMap), name, window);
}

LONG docOpenRstForMap(HMAP hMap, const char* name, LONG mode) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->OpenRst(name, mode) : 0;
}

LONG docOpenMtrForMap(HMAP hMap, const char* name, LONG mode) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->OpenMtr(name, mode) : 0;
}

LONG docOpenMtqForMap(HMAP hMap, const char* name, LONG mode) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->OpenMtq(name, mode) : 0;
}

LONG docCloseRstForMap(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CloseRst(number) : 0;
}

LONG docCloseMtrForMap(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CloseMtr(number) : 0;
}

LONG docCloseMtqForMap(HMAP hMap, LONG number) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->CloseMtq(number) : 0;
}

void docCloseData(HMAP hMap) { FreeDocument(DocumentOf(hMap)); }

void docCloseMap(HMAP hMap) { FreeDocument(DocumentOf(hMap)); }

LONG docAdjustData(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->AdjustData() : 0;
}

LONG docDeleteMap(HMAP hMap) { return DeleteDocumentMap(DocumentOf(hMap)); }

LONG docSaveProject(HMAP hMap, const char* name) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->SaveMpt(name) : 0;
}

LONG docCheckAndUpdate(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode) {
  return CheckAndUpdateRegister(map, sheet, mode);
}

LONG docCheckAndUpdateOld(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode) {
  return CheckAndUpdateOld(map, sheet, mode);
}

LONG docSetViewType(HMAP hMap, LONG type) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->SetVisualType(type) : 0;
}

LONG docGetViewType(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->VisualType : 0;
}

LONG docSetScaleMethod(LONG method) {
  const LONG old = ScaleMethodValue;
  ScaleMethodValue = method;
  return old;
}

LONG docGetScaleMethod() { return ScaleMethodValue; }

const char* docSetMapIniName(HMAP hMap, const char* name) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc && name ? doc->SetMapIniName(name) : "";
}

const char* docGetMapIniName(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->GetMapIniName() : "";
}

LONG docPaintToScript(HMAP hMap, LONG resolutionX, LONG resolutionY, DrawingCallbackTable* table) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? doc->PaintToScript(resolutionX, resolutionY, table) : 0;
}
