// Objects written across sheets and object groups, forwarded to the map
// object.
#include "api/objgroup_api.h"

#include "mapstore/map.h"
#include "objects/objectinfo.h"

MAPAPI LONG WINAPI mapCommitWithPlace(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->CommitWithPlace(1, 0, nullptr) : 0;
}

MAPAPI LONG WINAPI mapCommitWithPlaceForList(HOBJ info, TNewObjectsList* list) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object && list ? object->CommitWithPlace(1, 0, list) : 0;
}

MAPAPI LONG WINAPI mapObjectIsGroup(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? object->IsGroup() : 0;
}

MAPAPI HOBJ WINAPI mapFirstObjectInGroup(HOBJ object, HOBJ group) {
  TObjectInfo* target = TObjectInfo::FromOpenHandle(object);
  TObjectInfo* source = TObjectInfo::FromOpenHandle(group);
  if (target == nullptr || source == nullptr) return 0;
  return source->FirstObjectInGroup(target) ? object : 0;
}

MAPAPI HOBJ WINAPI mapNextObjectInGroup(HOBJ object, HOBJ) {
  TObjectInfo* target = TObjectInfo::FromOpenHandle(object);
  return target && target->NextObjectInGroup(target) ? object : 0;
}

MAPAPI LONG WINAPI mapUnionGroupObject(HOBJ info, double precision) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  if (object == nullptr || object->GetMap() == nullptr) return 0;
  // Metres to the map's units.
  const TMap* map = object->GetMap();
  if (!map->IsRealPlace() && map->Factor > 0) precision /= map->Factor;
  return object->UnionGroupData(precision, nullptr, 0);
}
