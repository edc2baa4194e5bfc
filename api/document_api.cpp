// The map document's functions for a host.
#include "api/document_api.h"

#include "document/docentries.h"

MAPAPI HMAP WINAPI mapOpenData(const char* name, LONG mode) { return docOpenData(name, mode); }

MAPAPI HMAP WINAPI mapOpenMap(const char* name, LONG mode) { return docOpenMap(name, mode); }

MAPAPI HMAP WINAPI mapOpenProject(const char* name) { return docOpenProject(name); }

MAPAPI HMAP WINAPI mapCreateMapEx(const char* name, const char* rscname, MAPREGISTEREX* map,
                                  LISTREGISTER* sheet) {
  return docCreateMapEx(name, rscname, map, sheet);
}

MAPAPI HMAP WINAPI mapCreateMap(const char* name, const char* rscname, MAPREGISTEREX* map,
                                LISTREGISTER* sheet) {
  return docCreateMap(name, rscname, map, sheet);
}

MAPAPI HMAP WINAPI mapCreatePlane(const char* name, const char* rscname, CREATEPLANE* plane) {
  return docCreatePlane(name, rscname, plane);
}

MAPAPI HMAP WINAPI mapCreateSite(const char* name, const char* rscname, CREATESITE* site) {
  return docCreateSite(name, rscname, site);
}

MAPAPI HMAP WINAPI mapCreateTempSite(const char* rscname) { return docCreateTempSite(rscname); }

MAPAPI HSITE WINAPI mapCreateAndAppendSite(HMAP hMap, const char* name, const char* rscname,
                                           CREATESITE* site) {
  return docCreateAndAppendSite(hMap, name, rscname, site);
}

MAPAPI LONG WINAPI mapCreateList(HMAP hMap, LISTREGISTER* sheet) {
  return docCreateList(hMap, sheet);
}

MAPAPI LONG WINAPI mapAppendMapToMap(HMAP hMap, const char* name, HWND window) {
  return docAppendMapToMap(hMap, name, window);
}

MAPAPI LONG WINAPI mapOpenRstForMap(HMAP hMap, const char* name, LONG mode) {
  return docOpenRstForMap(hMap, name, mode);
}

MAPAPI LONG WINAPI mapOpenMtrForMap(HMAP hMap, const char* name, LONG mode) {
  return docOpenMtrForMap(hMap, name, mode);
}

MAPAPI LONG WINAPI mapOpenMtqForMap(HMAP hMap, const char* name, LONG mode) {
  return docOpenMtqForMap(hMap, name, mode);
}

MAPAPI LONG WINAPI mapCloseRstForMap(HMAP hMap, LONG number) {
  return docCloseRstForMap(hMap, number);
}

MAPAPI LONG WINAPI mapCloseMtrForMap(HMAP hMap, LONG number) {
  return docCloseMtrForMap(hMap, number);
}

MAPAPI LONG WINAPI mapCloseMtqForMap(HMAP hMap, LONG number) {
  return docCloseMtqForMap(hMap, number);
}

MAPAPI void WINAPI mapCloseData(HMAP hMap) { docCloseData(hMap); }

MAPAPI void WINAPI mapCloseMap(HMAP hMap) { docCloseMap(hMap); }

MAPAPI LONG WINAPI mapAdjustData(HMAP hMap) { return docAdjustData(hMap); }

MAPAPI LONG WINAPI mapDeleteMap(HMAP hMap) { return docDeleteMap(hMap); }

MAPAPI LONG WINAPI mapSaveProject(HMAP hMap, const char* name) {
  return docSaveProject(hMap, name);
}

MAPAPI LONG WINAPI mapCheckAndUpdate(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode) {
  return docCheckAndUpdate(map, sheet, mode);
}

MAPAPI LONG WINAPI CheckAndUpdate(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode) {
  return docCheckAndUpdateOld(map, sheet, mode);
}

MAPAPI LONG WINAPI mapSetViewType(HMAP hMap, LONG type) { return docSetViewType(hMap, type); }

MAPAPI LONG WINAPI mapGetViewType(HMAP hMap) { return docGetViewType(hMap); }

MAPAPI LONG WINAPI mapSetScaleMethod(LONG method) { return docSetScaleMethod(method); }

MAPAPI LONG WINAPI mapGetScaleMethod() { return docGetScaleMethod(); }

MAPAPI const char* WINAPI mapSetMapIniName(HMAP hMap, const char* name) {
  return docSetMapIniName(hMap, name);
}

MAPAPI const char* WINAPI mapGetMapIniName(HMAP hMap) { return docGetMapIniName(hMap); }

MAPAPI LONG WINAPI mapPaintToScript(HMAP hMap, LONG resolutionX, LONG resolutionY,
                                    DrawingCallbackTable* table) {
  return docPaintToScript(hMap, resolutionX, resolutionY, table);
}
