// Object sets for a host: each function checks its handles and forwards to
// the set.
#include "api/objset_api.h"

#include "common/liveset.h"
#include "document/mapaccess.h"
#include "objects/objectinfo.h"
#include "platform/gdi/hostdc.h"
#include "search/objectset.h"
#include "selection/mapselect.h"

namespace {

// The set of a live handle whose map (when it has one) is still open.
TObjectSet* Live(HSET set) {
  TObjectSet* s = ObjectSetOfHandle(set);
  if (s == nullptr) return nullptr;
  for (const TMap* map : {s->GetMap(), s->Base.GetMap()})
    if (map != nullptr && !liveIsRegistered(LIVE_MAP, map)) return nullptr;
  return s;
}

TObjectInfo* Object(HOBJ info) { return TObjectInfo::FromOpenHandle(info); }

// A set and an object, both live: the set's method, or 0.
template <class Call>
LONG WithObject(HSET set, HOBJ info, Call call) {
  TObjectSet* s = Live(set);
  TObjectInfo* object = Object(info);
  return s != nullptr && object != nullptr ? LONG(call(s, object)) : 0;
}

// A set and an object, both live, given to a method that takes one more
// number: its result, or 0.
LONG Forward(HSET set, HOBJ info, int (TObjectSet::*method)(TObjectInfo*, int), int value) {
  return WithObject(set, info,
                    [&](TObjectSet* s, TObjectInfo* o) { return (s->*method)(o, value); });
}

bool IsGroupCode(LONG code) {
  return code == GROUPSEM_LEADER || code == GROUPSEM_SUBORDINATE || code == GROUPSEM_EQUITABLE;
}

}  // namespace

MAPAPI HSET WINAPI mapCreateObjectSet(void) {
  return reinterpret_cast<HSET>(ObjectSetNewHandle());
}

MAPAPI void WINAPI mapFreeObjectSet(HSET set) { ObjectSetFreeHandle(set); }

MAPAPI LONG WINAPI mapBuildObjectSet(HSET set, HOBJ info) {
  return Forward(set, info, &TObjectSet::Build, 0);
}

MAPAPI LONG WINAPI mapBuildObjectSetByType(HSET set, HOBJ info, LONG code) {
  if (!IsGroupCode(code)) return 0;
  return Forward(set, info, &TObjectSet::Build, code);
}

MAPAPI LONG WINAPI mapBuildSelect(HSET set, HSELECT select) {
  TObjectSet* s = Live(set);
  TMapSelect* context = MapSelectOfHandle(select);
  return s != nullptr && context != nullptr ? s->BuildSelect(context) : 0;
}

MAPAPI LONG WINAPI mapObjectSetCount(HSET set) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->GetCount() : 0;
}

MAPAPI HOBJ WINAPI mapObjectSetObject(HSET set, LONG n) {
  TObjectSet* s = Live(set);
  return s != nullptr ? ObjectSetMemberHandle(s->GetObjectA(n)) : 0;
}

MAPAPI LONG WINAPI mapObjectSetFramePlane(HSET set, DFRAME* frame) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->ViewObjectFramePlane(frame) : 0;
}

MAPAPI LONG WINAPI mapObjectSetNominateLeader(HSET set, LONG number) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->NominateGeneral(number) : 0;
}

MAPAPI LONG WINAPI mapObjectSetClearObject(HSET set, LONG n, LONG commit) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->Remove(int(n), commit) : 0;
}

MAPAPI LONG WINAPI mapObjectSetClear(HSET set, LONG commit) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->RemoveAll(commit) : 0;
}

MAPAPI LONG WINAPI mapObjectSetIsGroup(HSET set, HOBJ info, LONG* number) {
  return WithObject(set, info, [number](TObjectSet* s, TObjectInfo* o) {
    return s->IsObjectGroup(o, number);
  });
}

MAPAPI LONG WINAPI mapObjectSetGetTypeSemn(HSET set, HOBJ info, LONG code) {
  if (!IsGroupCode(code)) return 0;
  return WithObject(set, info, [code](TObjectSet* s, TObjectInfo* o) {
    return s->GetGroupSemn(o, GROUPSEMCODE(code));
  });
}

MAPAPI LONG WINAPI mapObjectSetDelete(HSET set) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->Delete() : 0;
}

MAPAPI LONG WINAPI mapObjectSetDeleteSemantic(HSET set, HOBJ info, LONG number) {
  return Forward(set, info, &TObjectSet::DeleteSemantic, number);
}

MAPAPI LONG WINAPI mapPaintObjectSet(HSET set, HMAP hMap, HDC hdc, RECT* rect) {
  TObjectSet* s = Live(set);
  TMapAccess* doc = DocumentOf(hMap);
  if (s == nullptr || doc == nullptr || !plat::IsDeviceContext(hdc) || rect == nullptr) return 0;
  return s->PaintGroup(doc, hdc, *rect, 0xFFFF00, 2);
}

MAPAPI LONG WINAPI mapObjectSetSave(HSET set, LONG force) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->Save(force) : 0;
}

MAPAPI LONG WINAPI mapObjectSetRemoveNumber(HSET set, LONG number, LONG commit) {
  TObjectSet* s = Live(set);
  return s != nullptr ? s->RemoveNumber(number, commit) : 0;
}

MAPAPI LONG WINAPI mapObjectSetAppendGeneral(HSET set, HOBJ info, LONG commit) {
  return Forward(set, info, &TObjectSet::AppendGeneral, commit);
}

MAPAPI LONG WINAPI mapObjectSetAppendGeneralNew(HSET set, HOBJ info, LONG commit) {
  return Forward(set, info, &TObjectSet::AppendGeneralNew, commit);
}

MAPAPI LONG WINAPI mapObjectSetAppendSubordinate(HSET set, HOBJ info, LONG commit) {
  return Forward(set, info, &TObjectSet::AppendSubordinate, commit);
}

MAPAPI LONG WINAPI mapObjectSetAppendSubordinateNew(HSET set, HOBJ info, LONG commit) {
  return Forward(set, info, &TObjectSet::AppendSubordinateNew, commit);
}

MAPAPI HOBJ WINAPI mapObjectSetFindGeneral(HSET set, LONG number) {
  TObjectSet* s = Live(set);
  return s != nullptr ? ObjectSetMemberHandle(s->FindGeneral(number)) : 0;
}

MAPAPI LONG WINAPI mapObjectSetUnion(HSET set, HSET other, LONG mode, HOBJ info, LONG commit) {
  TObjectSet* with = Live(other);
  if (with == nullptr) return 0;
  return WithObject(set, info, [&](TObjectSet* s, TObjectInfo* o) {
    return s->Union(with, mode, o, commit);
  });
}
