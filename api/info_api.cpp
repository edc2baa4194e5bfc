// The document's information and the library's version for a host.
#include "api/info_api.h"

#include "common/language.h"
#include "document/infoentries.h"
#include "document/mapaccess.h"

namespace {

constexpr LONG kApiVersion = 0x710;
constexpr LONG kScreenDepth = 32;

}  // namespace

MAPAPI LONG WINAPI GetMapAccessVersion() { return TMapAccess::GetMapAccessVersion(); }

MAPAPI LONG WINAPI mapGetMapAccessVersion() { return TMapAccess::GetMapAccessVersion(); }

MAPAPI LONG WINAPI mapGetMapApiVersion() { return kApiVersion; }

MAPAPI const char* WINAPI mapGetApplicationVersion() {
  return IsRussianLanguage() ? "Версия 7.70.5b" : "Version 7.70.5b";
}

MAPAPI LONG WINAPI mapGetMapScreenDepth() { return kScreenDepth; }

MAPAPI void WINAPI mapTorvekanStart() {}

MAPAPI LONG WINAPI mapTorvekanType() { return 1; }

MAPAPI LONG WINAPI mapGetPathShellEx(char* buffer, LONG size) {
  return CopyToBuffer(PathShellGet(), buffer, size);
}

MAPAPI LONG WINAPI mapIsActive(HMAP hMap) { return docIsActive(hMap); }

MAPAPI LONG WINAPI mapSetBreakCallAndParm(HMAP hMap, BREAKCALL call, intptr_t parameter) {
  return docSetBreakCallAndParm(hMap, call, parameter);
}

MAPAPI LONG WINAPI mapSetBeforePaintCallAndParm(HMAP hMap, BEFOREPAINTCALL call,
                                                intptr_t parameter) {
  return docSetBeforePaintCallAndParm(hMap, call, parameter);
}

MAPAPI LONG WINAPI mapGetMapScale(HMAP hMap) { return docGetMapScale(hMap); }

MAPAPI const char* WINAPI mapGetMapName(HMAP hMap) { return docGetMapName(hMap); }

MAPAPI LONG WINAPI mapGetMapNameEx(HMAP hMap, char* buffer, LONG size) {
  return docGetMapNameEx(hMap, buffer, size);
}

MAPAPI const char* WINAPI mapGetMapPath(HMAP hMap) { return docGetMapPath(hMap); }

MAPAPI LONG WINAPI mapGetMapType(HMAP hMap) { return docGetMapType(hMap); }

MAPAPI double WINAPI mapGetMapX1(HMAP hMap) { return docGetMapFrame(hMap, 0); }
MAPAPI double WINAPI mapGetMapY1(HMAP hMap) { return docGetMapFrame(hMap, 1); }
MAPAPI double WINAPI mapGetMapX2(HMAP hMap) { return docGetMapFrame(hMap, 2); }
MAPAPI double WINAPI mapGetMapY2(HMAP hMap) { return docGetMapFrame(hMap, 3); }

MAPAPI LONG WINAPI mapGetListCount(HMAP hMap) { return docGetListCount(hMap); }

MAPAPI LONG WINAPI mapGetObjectCount(HMAP hMap, LONG list) { return docGetObjectCount(hMap, list); }

MAPAPI const char* WINAPI mapGetMainName(HMAP hMap) { return docGetMainName(hMap); }

MAPAPI const char* WINAPI mapGetProjectName(HMAP hMap) { return docGetProjectName(hMap); }

MAPAPI LONG WINAPI mapGetMapInfoEx(HMAP hMap, LONG list, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  return docGetMapInfoEx(hMap, list, map, sheet);
}

MAPAPI LONG WINAPI mapGetMapInfo(HMAP hMap, LONG list, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  return docGetMapInfo(hMap, list, map, sheet);
}

MAPAPI LONG WINAPI mapGetMapInfoByName(const char* name, LONG list, MAPREGISTEREX* map,
                                       LISTREGISTER* sheet) {
  return docGetMapInfoByName(name, list, map, sheet);
}

MAPAPI LONG WINAPI mapCheckNomenclature(const char* name, LONG size, LONG mapType, LONG scale) {
  return docCheckNomenclature(name, size, mapType, scale);
}

MAPAPI LONG WINAPI mapSetFileNameFromNomenclature(const char* name, LONG size, char* out) {
  return docSetFileNameFromNomenclature(name, size, out);
}

MAPAPI LONG WINAPI mapCalcTopographicSheet(HMAP hMap, MAPREGISTEREX* map, LISTREGISTER* sheet) {
  return docCalcTopographicSheet(hMap, map, sheet);
}

MAPAPI LONG WINAPI mapGetLayerCount(HMAP hMap) { return docGetLayerCount(hMap); }

MAPAPI const char* WINAPI mapGetLayerName(HMAP hMap, LONG number) {
  return docGetLayerName(hMap, number);
}

MAPAPI LONG WINAPI mapGetLayerNameEx(HMAP hMap, LONG number, char* buffer, LONG size) {
  return docGetLayerNameEx(hMap, number, buffer, size);
}

MAPAPI LONG WINAPI mapWhatListNumber(HMAP hMap, double x, double y, LONG number, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->WhatListNumber(x, y, number, kind) : 0;
}

MAPAPI const char* WINAPI mapWhatListName(HMAP hMap, double x, double y, LONG number, LONG kind) {
  TMapAccess* doc = DocumentOf(hMap);
  const char* name = doc != nullptr ? doc->WhatListName(x, y, number, kind) : nullptr;
  return name != nullptr ? name : "";
}

MAPAPI LONG WINAPI mapWhatListNameEx(HMAP hMap, double x, double y, LONG number, LONG kind,
                                     char* buffer, LONG size) {
  if (DocumentOf(hMap) == nullptr) return 0;
  const char* name = mapWhatListName(hMap, x, y, number, kind);
  return CopyToBuffer(name, buffer, size) && name[0] != 0 ? 1 : 0;
}

MAPAPI const char* WINAPI mapGetListName(HMAP hMap, LONG list) {
  TMapAccess* doc = DocumentOf(hMap);
  const char* name = doc != nullptr ? doc->GetListName(list) : nullptr;
  return name != nullptr ? name : "";
}

MAPAPI LONG WINAPI mapGetListNameEx(HMAP hMap, LONG list, char* buffer, LONG size) {
  if (DocumentOf(hMap) == nullptr) return 0;
  const char* name = mapGetListName(hMap, list);
  return CopyToBuffer(name, buffer, size) && name[0] != 0 ? 1 : 0;
}

MAPAPI LONG WINAPI mapWhatListLayoutIs(HMAP hMap, const char* name) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr && name != nullptr ? doc->WhatListLayoutIs(name) : -1;
}

MAPAPI HOBJ WINAPI mapGetListFrameObject(HMAP hMap, LONG list, HOBJ info) {
  return docGetListFrameObject(hMap, list, info);
}

MAPAPI HOBJ WINAPI mapCreateListFrameObject(HMAP hMap, LONG list, HOBJ info) {
  return docCreateListFrameObject(hMap, list, info);
}
