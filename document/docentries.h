// The entries of the map document behind the exported functions of the
// document (api/document_api.h), one for each, with the same arguments and
// answers: a null, dead or foreign handle gives 0 (an empty text).
#pragma once

#include "devices/devdraw.h"
#include "mapstore/mapregister.h"
#include "platform/win_types.h"

struct CREATEPLANE;
struct CREATESITE;

HMAP docOpenData(const char* name, LONG mode);
HMAP docOpenMap(const char* name, LONG mode);
HMAP docOpenProject(const char* name);
HMAP docCreateMapEx(const char* name, const char* rscname, MAPREGISTEREX* map, LISTREGISTER* sheet);
HMAP docCreateMap(const char* name, const char* rscname, MAPREGISTEREX* map, LISTREGISTER* sheet);
HMAP docCreatePlane(const char* name, const char* rscname, CREATEPLANE* plane);
HMAP docCreateSite(const char* name, const char* rscname, CREATESITE* site);
HMAP docCreateTempSite(const char* rscname);
HSITE docCreateAndAppendSite(HMAP hMap, const char* name, const char* rscname, CREATESITE* site);
LONG docCreateList(HMAP hMap, LISTREGISTER* sheet);
LONG docAppendMapToMap(HMAP hMap, const char* name, HWND window);
LONG docOpenRstForMap(HMAP hMap, const char* name, LONG mode);
LONG docOpenMtrForMap(HMAP hMap, const char* name, LONG mode);
LONG docOpenMtqForMap(HMAP hMap, const char* name, LONG mode);
LONG docCloseRstForMap(HMAP hMap, LONG number);
LONG docCloseMtrForMap(HMAP hMap, LONG number);
LONG docCloseMtqForMap(HMAP hMap, LONG number);
void docCloseData(HMAP hMap);
void docCloseMap(HMAP hMap);
LONG docAdjustData(HMAP hMap);
LONG docDeleteMap(HMAP hMap);
LONG docSaveProject(HMAP hMap, const char* name);
LONG docCheckAndUpdate(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode);
LONG docCheckAndUpdateOld(MAPREGISTEREX* map, LISTREGISTER* sheet, LONG mode);
LONG docSetViewType(HMAP hMap, LONG type);
LONG docGetViewType(HMAP hMap);
LONG docSetScaleMethod(LONG method);
LONG docGetScaleMethod();
const char* docSetMapIniName(HMAP hMap, const char* name);
const char* docGetMapIniName(HMAP hMap);
LONG docPaintToScript(HMAP hMap, LONG resolutionX, LONG resolutionY, DrawingCallbackTable* table);
