// Object groups: walking the members of a group, joining objects into
// groups and leaving them, writing shared semantics and graphics to every
// member, and uniting the metrics of a group's members into one (how an
// object cut by sheet frames is shown whole).
//
// Descriptors written back alone are taken from the sheet first: the offsets
// of the records a write leaves alone must be the stored ones, whatever the
// object in memory holds.
#include <cmath>

#include "classifier/maprsc.h"
#include "common/language.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "objects/cutservice.h"
#include "objects/objectinfo.h"

namespace {

// The stored descriptor of object n of a sheet, the sheet made current.
bool StoredDesc(TMap* map, int sheet, int n, FVSPR* out) {
  return n >= 1 && map->OpenList(sheet) && map->List.ReadObjectDesc(n, out) == 0;
}

// The group record of group `number` read into `group` unless it holds it.
bool HoldGroup(TObjectGroup& group, TMap* map, int number) {
  if (group.Number() == number && group.Head() != nullptr && group.Head()->Count > 0) return true;
  return group.ReadGroup(map, number) > 0;
}

// Lists of a group record.
int ListCount(const TObjectGroup& group) {
  return group.Head() != nullptr ? int(group.Head()->Count) : 0;
}

// A union worker of the geometry, freed with the call.
struct TUniter {
  const OBJECTCUTSERVICE* Service;
  void* Worker;
  explicit TUniter(const OBJECTCUTSERVICE* service)
      : Service(service), Worker(service ? service->CreateUniter() : nullptr) {}
  ~TUniter() {
    if (Worker != nullptr) Service->FreeUniter(Worker);
  }
  TUniter(const TUniter&) = delete;
  TUniter& operator=(const TUniter&) = delete;
};

// A metric buffer of a call, freed with it.
struct TBuffer {
  TDataEdit Metric;
  TBuffer() { Metric.Init(); }
  ~TBuffer() { Metric.Free(); }
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;
};

}  // namespace

int TObjectInfo::IsGroup() const { return Desc != nullptr && Desc->Reserve != 0 ? 1 : 0; }

// ---------------------------------------------------------------------------
// Walking a group

TObjectInfo* TObjectInfo::FirstObjectInGroup(TObjectInfo* target) {
  if (Map == nullptr || Desc == nullptr || target == nullptr) return nullptr;
  const int number = Desc->Reserve;
  if (number == 0 || Group.ReadGroup(Map, number) <= 0) return nullptr;
  const int sheet = Group.ListNumber(1);
  const int first = sheet != 0 ? Group.ObjectNumber(sheet, 1) : 0;
  if (first == 0) return nullptr;
  TMap* map = Map;
  target->Object(map, sheet, first);
  if (target->Desc == nullptr || target->Desc->Reserve != number) return nullptr;
  if (target->Group.ReadGroup(map, number) <= 0 ||
      target->Group.FindObjectNumber(sheet, first) != 1)
    return nullptr;
  return target;
}

TObjectInfo* TObjectInfo::NextObjectInGroup(TObjectInfo* object) {
  if (object == nullptr || object->Map == nullptr || object->Desc == nullptr) return nullptr;
  const int number = object->Desc->Reserve;
  if (number == 0) return nullptr;
  TObjectGroup& group = object->Group;
  if (!HoldGroup(group, object->Map, number)) return nullptr;
  const int next = group.NextObjectNumber(object->Sheet, object->Number);
  const int sheet = next != 0 ? group.ListNumber(group.ListOrdinal()) : 0;
  if (sheet == 0) return nullptr;
  TMap* map = object->Map;
  object->Object(map, sheet, next);
  if (object->Desc == nullptr || object->Desc->Reserve != number) return nullptr;
  if (group.ReadGroup(map, number) <= 0 || group.FindObjectNumber(sheet, next) == 0)
    return nullptr;
  return object;
}

// ---------------------------------------------------------------------------
// Joining and leaving

int TObjectInfo::AppendObjectInGroup(TObjectInfo* other) {
  if (Map == nullptr || Desc == nullptr || other == nullptr || other->Desc == nullptr ||
      other->Map != Map || Sheet < 1 || Number < 1 || other->Sheet < 1 || other->Number < 1 ||
      (other->Sheet == Sheet && other->Number == Number)) {
    Error = MAPERR_INPUT;
    return 0;
  }
  // An object enters a group: its number in the descriptor, a pair in the
  // record, and the object rewritten whole.
  auto join = [this](TObjectInfo* object, TObjectGroup& group) {
    object->Desc->Reserve = WORD(group.Number());
    if (!group.AppendObject(object->Sheet, NUMBERKEY{DWORD(object->Number), KEY{object->Desc->Key}}))
      return false;
    return Map->OpenList(object->Sheet) &&
           Map->UpdateObject(object->Number, object->Desc, object->Metric.Record,
                             object->Semn.Record(), object->Draw.Record()) != 0;
  };
  auto failWrite = [this]() {
    Error = MAPERR_WRITE;
    return 0;
  };

  if (!IsGroup() && !other->IsGroup()) {
    if (!Group.Create(0, 0)) {
      Error = MAPERR_MEMORY;
      return 0;
    }
    if (Group.WriteGroup(Map) == 0) return failWrite();
    if (!join(this, Group) || !join(other, Group)) return failWrite();
    const int number = Group.WriteGroup(Map);
    return number != 0 ? number : failWrite();
  }

  if (!IsGroup() || !other->IsGroup()) {
    TObjectInfo* grouped = IsGroup() ? this : other;
    TObjectInfo* joining = IsGroup() ? other : this;
    TObjectGroup& group = grouped->Group;
    if (group.ReadGroup(Map, grouped->Desc->Reserve) <= 0) {
      Error = MAPERR_INPUT;
      return 0;
    }
    if (!join(joining, group)) return failWrite();
    const int number = group.WriteGroup(Map);
    return number != 0 ? number : failWrite();
  }

  // Both grouped: the members of the other's group join this one's; the
  // other group's record stays as it is.
  TObjectGroup theirs;
  if (Group.ReadGroup(Map, Desc->Reserve) <= 0 ||
      theirs.ReadGroup(Map, other->Desc->Reserve) <= 0) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const int mine = Group.Number();
  for (int i = ListCount(theirs); i >= 1; --i) {
    const int sheet = theirs.ListNumber(i);
    if (sheet == 0) continue;
    for (int j = theirs.ObjectCount(sheet); j >= 1; --j) {
      const int n = theirs.ObjectNumber(sheet, j);
      const KEY key = theirs.ObjectKey(sheet, j);
      if (n == 0 || Group.FindObjectNumber(sheet, key) != 0) continue;
      if (!Group.AppendObject(sheet, NUMBERKEY{DWORD(n), key})) {
        Error = MAPERR_MEMORY;
        return 0;
      }
      FVSPR stored;
      if (!StoredDesc(Map, sheet, n, &stored)) return failWrite();
      stored.Reserve = WORD(mine);
      if (Map->UpdateObject(n, &stored, nullptr, nullptr, nullptr) == 0) return failWrite();
      if (sheet == other->Sheet && n == other->Number) other->Desc->Reserve = WORD(mine);
    }
  }
  const int number = Group.WriteGroup(Map);
  return number != 0 ? number : failWrite();
}

int TObjectInfo::DeleteObjectFromGroup() {
  if (Map == nullptr || Desc == nullptr || Desc->Reserve == 0 || Sheet < 1 || Number < 1 ||
      Group.ReadGroup(Map, Desc->Reserve) <= 0) {
    Error = MAPERR_INPUT;
    return 0;
  }
  Group.DeleteObject(Sheet, KEY{Desc->Key});
  FVSPR stored;
  if (Group.WriteGroup(Map) == 0 || !StoredDesc(Map, Sheet, Number, &stored)) {
    Error = MAPERR_WRITE;
    return 0;
  }
  stored.Reserve = 0;
  if (Map->UpdateObject(Number, &stored, nullptr, nullptr, nullptr) == 0) {
    Error = MAPERR_WRITE;
    return 0;
  }
  Desc->Reserve = 0;
  return 1;
}

int TObjectInfo::DeleteAllObjectFromGroup() {
  if (Map == nullptr || Desc == nullptr || Desc->Reserve == 0 ||
      Group.ReadGroup(Map, Desc->Reserve) <= 0) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const int number = Desc->Reserve;
  for (int i = ListCount(Group); i >= 1; --i) {
    const int sheet = Group.ListNumber(i);
    if (sheet == 0) continue;
    for (int j = Group.ObjectCount(sheet); j >= 1; --j) {
      const int n = Group.ObjectNumber(sheet, j);
      FVSPR stored;
      if (!StoredDesc(Map, sheet, n, &stored)) {
        Error = MAPERR_WRITE;
        return 0;
      }
      // A member that has since joined another group stays in it.
      if (stored.Reserve == number) {
        stored.Reserve = 0;
        if (Map->UpdateObject(n, &stored, nullptr, nullptr, nullptr) == 0) {
          Error = MAPERR_WRITE;
          return 0;
        }
      }
      Group.DeleteObject(sheet, n);
    }
  }
  // This object left too: a later commit must not write the number back.
  Desc->Reserve = 0;
  Map->OpenList(Sheet);
  return 1;
}

// ---------------------------------------------------------------------------
// Shared semantics and graphics

int TObjectInfo::CommitGroup(int semantics, int graphics) {
  if (Map == nullptr || Desc == nullptr || Sheet < 1 || Number < 1) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const bool semnChanged = semantics && Semn.IsChanged();
  if (semnChanged) {
    AppendDefaultSemantic();
    RedefineObject();
  }
  const bool drawChanged = graphics && Draw.IsChanged();
  if (drawChanged && Draw.Record() == nullptr) Draw.Clear();
  SEMANTIC* semn = semnChanged ? Semn.Record() : nullptr;
  IMGDRAW* draw = drawChanged ? Draw.Record() : nullptr;

  const int number = Desc->Reserve;
  if (number != 0 && HoldGroup(Group, Map, number)) {
    TMapRsc* rsc = Map->Rsc.IsActive() ? &Map->Rsc : nullptr;
    const TObjectDesc own(Desc);
    for (int i = ListCount(Group); i >= 1; --i) {
      const int sheet = Group.ListNumber(i);
      if (sheet == 0) continue;
      const int count = Group.ObjectCount(sheet);
      for (int j = 1; j <= count; ++j) {
        const int n = Group.ObjectNumber(sheet, j);
        FVSPR stored;
        if (!StoredDesc(Map, sheet, n, &stored)) {
          Error = MAPERR_WRITE;
          return 0;
        }
        if (FvsprLocal(&stored) != FvsprLocal(Desc)) {
          Error = MAPERR_INPUT;
          Map->OpenList(Sheet);
          return 0;
        }
        TObjectDesc view(&stored);
        if (rsc != nullptr && Desc->Code != 0) view.RegisterDesc(Desc->Code, rsc);
        stored.Scales = Desc->Scales;
        view.IsBotTop(own.IsBotTop());
        view.Cancel(own.Cancel());
        if (Map->UpdateObject(n, &stored, nullptr, semn, draw) == 0) {
          Error = MAPERR_WRITE;
          return 0;
        }
      }
    }
    // The object's own descriptor now names the records just written.
    FVSPR stored;
    if (StoredDesc(Map, Sheet, Number, &stored)) *Desc = stored;
    Map->OpenList(Sheet);
  } else {
    if (!Map->OpenList(Sheet) || Map->UpdateObject(Number, Desc, nullptr, semn, draw) == 0) {
      Error = MAPERR_WRITE;
      return 0;
    }
  }
  if (semnChanged) Semn.SetChanged(0);
  if (drawChanged) Draw.SetChanged(0);
  return 1;
}

// ---------------------------------------------------------------------------
// Union of the members' metrics

int TObjectInfo::UnionGroupData(double precision, TObjectGroup* group, int deleteMembers) {
  if (Map == nullptr || Desc == nullptr || Metric.Record == nullptr || Desc->Reserve == 0) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const int local = FvsprLocal(Desc);
  if (local != LOCAL_LINE && local != LOCAL_SQUARE) return 0;

  TProgress progress;
  if (!progress.Start(IsRussianLanguage() ? "Объединение объектов" : "Objects union")) return -1;

  // A copy of the record: united members leave it.
  TObjectGroup work;
  if (group != nullptr) {
    if (!work.Load(group->Head())) return 0;
  } else {
    if (Group.ReadGroup(Map, Desc->Reserve) <= 0 || !work.Load(Group.Head())) return 0;
  }
  if (ListCount(work) == 0 || work.FindObjectNumber(Sheet, Number) == 0) return 0;

  const OBJECTCUTSERVICE* service = ObjectCutService();
  if (service == nullptr) {
    Error = MAPERR_NOLIBRARY;
    return 0;
  }
  TUniter uniter(service);
  if (uniter.Worker == nullptr) {
    Error = MAPERR_MEMORY;
    return 0;
  }
  TBuffer resultBuffer, memberBuffer;
  TDataEdit& result = resultBuffer.Metric;
  TDataEdit& member = memberBuffer.Metric;
  if (!result.Load(Metric.Record, Metric.TextFlag)) {
    Error = MAPERR_MEMORY;
    return 0;
  }

  double limit = -1.0;
  if (Map->IsRealPlace()) limit = Map->Scale() * 0.00001;
  if (precision > limit && std::trunc(precision * 100000) != 0) limit = precision;

  const int total = work.Total();
  const bool sheetMap = !Map->IsRealPlace();
  int done = 0;
  bool united = false;
  int status = 1;  // 1 going on, 0 failed, -1 stopped
  bool finished = false;
  int i = 1;
  while (!finished && status == 1 && i <= ListCount(work)) {
    const int sheet = work.ListNumber(i);
    bool unitedHere = false;
    for (int j = 1; sheet != 0 && j <= work.ObjectCount(sheet) && status == 1; ++j) {
      const int n = work.ObjectNumber(sheet, j);
      if (n == 0 || (sheet == Sheet && n == Number)) continue;
      if (!Map->OpenList(sheet)) {
        status = 0;
        break;
      }
      const FVSPR* stored = Map->List.ObjectDesc(n);
      if (stored == nullptr) {
        status = 0;
        break;
      }
      if (FvsprIsDeleted(stored)) continue;
      const LONGMETRIC* record = Map->List.DataAddr(stored->DataOffset);
      if (record == nullptr || !member.Load(record, 0)) {
        status = 0;
        break;
      }
      if (sheetMap && sheet != Sheet) {
        // Into this object's sheet, in doubles so that no fraction is lost.
        const DOUBLEPOINT* position = Map->ViewPosition(sheet);
        if (position == nullptr) {
          status = 0;
          break;
        }
        const DOUBLEPOINT delta{position->X - Origin.X, position->Y - Origin.Y};
        const DWORD kind = member.Record->Ident;
        if (kind != METRIC_F64 && kind != METRIC_F64H &&
            !member.ChangeKind(int(ObjectKindIs3D(kind) ? METRIC_F64H : METRIC_F64))) {
          status = 0;
          break;
        }
        if (!member.RelocateObject(&delta)) {
          status = 0;
          break;
        }
      }
      if (!progress.Step(done, total)) {
        status = -1;
        break;
      }
      TDataEdit* joined =
          service->Unite(uniter.Worker, &result, &member, local == LOCAL_SQUARE ? 1 : 0, limit);
      if (joined == nullptr) {
        if (service->UniteState(uniter.Worker) == OBJECT_ERR_UNION) {
          Error = OBJECT_ERR_UNION;
          status = 0;
        }
        continue;
      }
      if (!result.Load(joined->Record, 0)) {
        Error = MAPERR_MEMORY;
        status = 0;
        break;
      }
      united = unitedHere = true;
      work.DeleteObject(sheet, n);
      ++done;
      if (!progress.Step(done, total)) {
        status = -1;
        break;
      }
      if (group != nullptr && deleteMembers && Map->OpenList(sheet)) Map->DeleteObject(n);
      break;
    }
    if (status != 1) break;
    if (!unitedHere) {
      ++i;
      continue;
    }
    if (ListCount(work) == 0) {
      status = 0;
      break;
    }
    // Only the object itself left: nothing more to unite.
    if (ListCount(work) == 1 && work.Total() == 1 && work.ListNumber(1) == Sheet) finished = true;
    i = 1;
  }

  if (group != nullptr) {
    group->Load(work.Head());
    group->FindObjectNumber(Sheet, Number);
  }
  progress.End();
  Map->OpenList(Sheet);
  if (status == -1) return -1;
  if (status == 0 || !united) return 0;
  work.DeleteObject(Sheet, Number);
  if (!Metric.Load(result.Record, Metric.TextFlag)) {
    Error = MAPERR_MEMORY;
    return 0;
  }
  TObjectDesc(Desc).DatKind(int(Metric.Record->Ident));
  Map->List.BuildBorder(Desc, Metric.Record, Semn.Record(), Draw.Record());
  return 1;
}

TObjectInfo* TObjectInfo::UnionObject(TMap* map, TObjectDesc desc, TObjectData data,
                                      TObjectSemn semn, int sheet, int number, TObjectDraw draw) {
  Object(map, desc, data, semn, sheet, number, draw);
  UnionGroupData(0, nullptr, 0);
  return this;
}

TObjectInfo* TObjectInfo::UnionObject(TObjectInfo* source) {
  Object(source);
  UnionGroupData(0, nullptr, 0);
  return this;
}

TObjectInfo* TObjectInfo::UnionObject(MAPOBJDESC* place) {
  Object(place);
  if (Desc == nullptr) {
    Object(static_cast<TObjectInfo*>(nullptr));
    return this;
  }
  UnionGroupData(0, nullptr, 0);
  return this;
}
