// The entries of the document's information: each checks its handle and
// pointers and asks the document or its main map.
#include "document/infoentries.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "document/mapaccess.h"
#include "objects/mapframe.h"

namespace {

// The document of a handle whose main map is open.
TMapAccess* WithMap(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr && doc->TMap::IsActive() ? doc : nullptr;
}

// The register's bytes after its length word copied into the caller's
// record of `length` bytes, whose length word is then `length`.
template <class Record>
void CopyRecord(const Record& from, void* to, int32_t length) {
  std::memcpy(static_cast<char*>(to) + 4, reinterpret_cast<const char*>(&from) + 4,
              size_t(length) - 4);
  std::memcpy(to, &length, 4);
}

// A name the caller gave with its buffer size: copied when it ends inside
// the size (the checks upper-case what they read, and do so in the copy).
bool NameInSize(const char* name, LONG size, std::string* copy) {
  if (name == nullptr || size < 1 || strnlen(name, size_t(size)) >= size_t(size)) return false;
  copy->assign(name);
  return true;
}

// The frame object of the sheet built on the main map's classifier and
// written: the handle, or 0.
HOBJ BuildFrameObject(TMapAccess* doc, LONG sheet, TObjectInfo* info, HOBJ object) {
  if (!doc->Rsc.IsActive()) return 0;
  TMapFrame frame;
  if (!frame.CreateFrameMap(doc, sheet, doc->Rsc.GetFrameCodeEx(), info) || !frame.AppendFrame())
    return 0;
  return object;
}

}  // namespace

LONG CopyToBuffer(const char* text, char* buffer, LONG size) {
  if (buffer == nullptr || size < 1) return 0;
  const size_t n = text != nullptr ? strnlen(text, size_t(size) - 1) : 0;
  std::memcpy(buffer, text, n);
  std::memset(buffer + n, 0, size_t(size) - n);
  return 1;
}

LONG docIsActive(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->IsActive() : 0;
}

LONG docSetBreakCallAndParm(HMAP hMap, BREAKCALL call, intptr_t parameter) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  doc->SetBreakCall(call, parameter);
  return 1;
}

LONG docSetBeforePaintCallAndParm(HMAP hMap, BEFOREPAINTCALL call, intptr_t parameter) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  doc->SetBeforePaint(call, parameter);
  return 1;
}

LONG docGetMapScale(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetMapScale() : 0;
}

const char* docGetMapName(HMAP hMap) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->Name() : "";
}

LONG docGetMapNameEx(HMAP hMap, char* buffer, LONG size) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr) return 0;
  if (doc->TMap::IsActive()) return CopyToBuffer(doc->Name(), buffer, size);
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  return 0;
}

const char* docGetMapPath(HMAP hMap) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->Path : "";
}

LONG docGetMapType(HMAP hMap) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->MapType() : 0;
}

double docGetMapFrame(HMAP hMap, int which) {
  TMapAccess* doc = WithMap(hMap);
  if (doc == nullptr) return 0.0;
  switch (which) {
    case 0:
      return doc->X1();
    case 1:
      return doc->Y1();
    case 2:
      return doc->X2();
    default:
      return doc->Y2();
  }
}

LONG docGetListCount(HMAP hMap) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->Count() : 0;
}

LONG docGetObjectCount(HMAP hMap, LONG sheet) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->GetObjectCount(sheet) : 0;
}

const char* docGetMainName(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetDocumentName() : "";
}

const char* docGetProjectName(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetProjectName() : "";
}

LONG docGetMapInfoEx(HMAP hMap, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list) {
  TMapAccess* doc = WithMap(hMap);
  return doc != nullptr ? doc->ListToRegister(map, list, sheet) : 0;
}

LONG docGetMapInfo(HMAP hMap, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list) {
  TMapAccess* doc = WithMap(hMap);
  if (doc == nullptr || map == nullptr || list == nullptr) return 0;
  MAPREGISTEREX full;
  if (!doc->ListToRegister(&full, list, sheet)) return 0;
  CopyRecord(full, map, MAPREGISTER_OLDLENGTH);
  return 1;
}

LONG docGetMapInfoByName(const char* name, LONG sheet, MAPREGISTEREX* map, LISTREGISTER* list) {
  if (name == nullptr || map == nullptr || list == nullptr) return 0;
  std::unique_ptr<TMap> local(new (std::nothrow) TMap);
  TMapRegister reg;
  if (local == nullptr || !local->GetMapInfoByName(name, sheet, &reg)) return 0;
  CopyRecord(reg.List.Register, list, LISTREGISTER_LENGTH);
  CopyRecord(reg.Map, map, MAPREGISTER_OLDLENGTH);
  return 1;
}

LONG docCheckNomenclature(const char* name, LONG size, LONG mapType, LONG scale) {
  std::string copy;
  if (!NameInSize(name, size, &copy)) return 0;
  TListRegister sheet;
  sheet.Clear();
  return sheet.CheckNomenclature(copy.data(), mapType, scale);
}

LONG docSetFileNameFromNomenclature(const char* name, LONG size, char* out) {
  std::string copy;
  if (out == nullptr || !NameInSize(name, size, &copy)) return 0;
  TListRegister sheet;
  sheet.Clear();
  return sheet.NameFileFromNomenclature(out, size, copy.c_str());
}

LONG docCalcTopographicSheet(HMAP hMap, MAPREGISTEREX* map, LISTREGISTER* list) {
  if (map == nullptr || list == nullptr) return 0;
  TMapAccess* doc = nullptr;
  if (hMap != 0 && (doc = DocumentOf(hMap)) == nullptr) return 0;
  TMapRegister reg;
  reg.Clear();
  char name[sizeof(list->Nomenclature)];
  CopyToBuffer(list->Nomenclature, name, sizeof name);
  reg.Map.MapType = map->MapType;
  reg.Map.Scale = map->Scale;
  reg.Map.MaterialProjection = map->MaterialProjection;
  TMap* main = doc != nullptr && doc->TMap::IsActive() ? doc : nullptr;
  if (!reg.TopographicChartSheet(name, map->Scale, map->MaterialProjection, main)) return 0;
  if (doc == nullptr) map->AxisMeridian = reg.CalcAxisMeridian(name);
  const LISTREGISTER& r = reg.List.Register;
  list->XSouthWest = r.XSouthWest, list->YSouthWest = r.YSouthWest;
  list->XNorthWest = r.XNorthWest, list->YNorthWest = r.YNorthWest;
  list->XNorthEast = r.XNorthEast, list->YNorthEast = r.YNorthEast;
  list->XSouthEast = r.XSouthEast, list->YSouthEast = r.YSouthEast;
  list->BSouthWestCoordinate = r.BSouthWestCoordinate;
  list->LSouthWestCoordinate = r.LSouthWestCoordinate;
  list->BNorthWestCoordinate = r.BNorthWestCoordinate;
  list->LNorthWestCoordinate = r.LNorthWestCoordinate;
  list->BNorthEastCoordinate = r.BNorthEastCoordinate;
  list->LNorthEastCoordinate = r.LNorthEastCoordinate;
  list->BSouthEastCoordinate = r.BSouthEastCoordinate;
  list->LSouthEastCoordinate = r.LSouthEastCoordinate;
  list->MeridianAngle = r.MeridianAngle;
  return 1;
}

LONG docGetLayerCount(HMAP hMap) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetLayerCount() : 0;
}

const char* docGetLayerName(HMAP hMap, LONG n) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc != nullptr ? doc->GetLayerName(n) : "";
}

LONG docGetLayerNameEx(HMAP hMap, LONG n, char* buffer, LONG size) {
  if (DocumentOf(hMap) == nullptr) return 0;
  const char* name = docGetLayerName(hMap, n);
  return CopyToBuffer(name, buffer, size) && name[0] != 0 ? 1 : 0;
}

HOBJ docGetListFrameObject(HMAP hMap, LONG sheet, HOBJ object) {
  TMapAccess* doc = WithMap(hMap);
  TObjectInfo* info = TObjectInfo::FromHandle(object);
  if (doc == nullptr || info == nullptr || sheet < 1) return 0;
  const int number = doc->GetListFrameNumber(sheet);
  if (number > 0) {
    MAPOBJDESC place{sheet, number, doc};
    return info->Object(&place) != nullptr && info->Desc != nullptr ? object : 0;
  }
  // A topographic sheet map has its frame built when it lacks one.
  if (doc->MapType() != 1 || doc->IsRealPlace()) return 0;
  return BuildFrameObject(doc, sheet, info, object);
}

HOBJ docCreateListFrameObject(HMAP hMap, LONG sheet, HOBJ object) {
  if (HOBJ found = docGetListFrameObject(hMap, sheet, object)) return found;
  TMapAccess* doc = WithMap(hMap);
  TObjectInfo* info = TObjectInfo::FromHandle(object);
  if (doc == nullptr || info == nullptr || sheet < 1) return 0;
  return BuildFrameObject(doc, sheet, info, object);
}
