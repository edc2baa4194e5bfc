// Object sets: the section chain, building from group semantics, adding,
// removing and merging members, writing, and the whole-set geometry.
#include "search/objectset.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/liveset.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "platform/memory.h"
#include "types/paintparm.h"
#include "types/primitives.h"

namespace {

// The name the chain's memory failures are reported with.
const char kChainName[] = "Цепочка групповых объектов";

bool IsGroupCode(int code) {
  return code == GROUPSEM_LEADER || code == GROUPSEM_SUBORDINATE || code == GROUPSEM_EQUITABLE;
}

// Calls visit(code, value) for the object's group semantics in order until
// it returns true: whether one did. The semantics must not change meanwhile.
template <class Visit>
bool FindGroupSemantic(TObjectInfo* object, Visit&& visit) {
  if (object == nullptr || object->Semn.Record() == nullptr) return false;
  TWorkSemantic* work = object->Semn.Cursor();
  for (char* block = work->GoFirst(); block != nullptr; block = work->GoNext()) {
    const int code = work->CurrentCode();
    if (IsGroupCode(code) && visit(code, work->CurrentValue())) return true;
  }
  return false;
}

// Whether a value reads as a non-empty text.
bool HasText(TSemBase* value) {
  char text[32];
  return value != nullptr && value->StringValue(text, sizeof(text)) != nullptr && text[0] != 0;
}

// Whether the object leads a group of any number.
bool LeadsAnyGroup(TObjectInfo* object) {
  return FindGroupSemantic(object, [](int code, TSemBase*) { return code == GROUPSEM_LEADER; });
}

// The group semantic of `code` holding `number`, given to the object the
// way a host's text would be: 1, or 0 when it cannot be stored.
int PutGroupSemantic(TObjectInfo* object, int code, LONG number) {
  char text[16];
  std::snprintf(text, sizeof(text), "%d", int(number));
  return object->AppendSemantic(code, text, int(std::strlen(text)) + 1) != 0 ? 1 : 0;
}

// Walks the undeleted objects of a sheet that have semantics, `skip`
// passed over: visit(n, record) gives 1 to go on, 0 to stop with failure.
// The record is valid until the visit reads or writes an object.
template <class Visit>
int WalkSheet(TMap* map, int sheet, int skip, Visit&& visit) {
  if (map == nullptr || !map->OpenList(sheet)) return 0;
  const int count = map->List.Count();
  for (int n = 1; n <= count; ++n) {
    // A visit may write an object, which can leave another sheet current.
    if (n == skip || !map->OpenList(sheet)) continue;
    const FVSPR* desc = map->List.ObjectDesc(n);
    if (desc == nullptr || FvsprIsDeleted(desc) || desc->SemnOffset == 0) continue;
    SEMANTIC* record = map->List.SemnAddr(desc->SemnOffset);
    if (record != nullptr && !visit(n, record)) return 0;
  }
  return 1;
}

bool Deleted(TObjectInfo* object) { return object->Descriptor().Cancel() != 0; }

void Unite(DFRAME* all, const DFRAME& one) {
  all->X1 = std::min(all->X1, one.X1);
  all->Y1 = std::min(all->Y1, one.Y1);
  all->X2 = std::max(all->X2, one.X2);
  all->Y2 = std::max(all->Y2, one.Y2);
}

}  // namespace

// ---------------------------------------------------------------------------
// Life

TObjectSet::TObjectSet() = default;

TObjectSet::TObjectSet(TObjectInfo* object, int code) { Build(object, code); }

TObjectSet::~TObjectSet() { FreeMemory(); }

// ---------------------------------------------------------------------------
// Section chain

int TObjectSet::InitObjectChain() {
  Clear();
  return First != nullptr || InitSectionChain() != nullptr ? 1 : 0;
}

OBJECTSETSECTION* TObjectSet::InitSectionChain() {
  OBJECTSETSECTION* last = nullptr;
  if (First != nullptr) {
    last = GetSection(Count > 0 ? (Count - 1) / OBJECTSET_SLOTS + 1 : 1);
    if (last->Count < OBJECTSET_SLOTS) return last;
    if (last->Next != nullptr) return last->Next;
  }
  void* memory = plat::AllocPages(sizeof(OBJECTSETSECTION));
  if (memory == nullptr) {
    FreeMemory();
    Error = MAPERR_MEMORY;
    ShowErrorMessage(MAPERR_MEMORY, kChainName);
    return nullptr;
  }
  OBJECTSETSECTION* section = new (memory) OBJECTSETSECTION();
  if (last == nullptr) {
    First = section;
  } else {
    last->Next = section;
    section->Prev = last;
  }
  ++SectionCount;
  return section;
}

int TObjectSet::GetSectionNumber(int n, int* slot) const {
  if (n < 1 || n > Count) return 0;
  if (slot != nullptr) *slot = (n - 1) % OBJECTSET_SLOTS + 1;
  return (n - 1) / OBJECTSET_SLOTS + 1;
}

OBJECTSETSECTION* TObjectSet::GetSection(int number) const {
  OBJECTSETSECTION* section = number >= 1 ? First : nullptr;
  for (int i = 1; i < number && section != nullptr; ++i) section = section->Next;
  return section;
}

void TObjectSet::InitVariable() {
  MoveOffset = {0.0, 0.0};
  RotateCentre = {0.0, 0.0};
  RotateAngle = 0.0;
  GroupNumber = 0;
  Error = 0;
  Count = 0;
  Map = nullptr;
  Sheet = 0;
  GroupType = 0;
  LeaderPresent = 0;
  Base.Object(static_cast<TObjectInfo*>(nullptr));
  BaseRemoved = 0;
  WalkSection = nullptr;
  WalkSlot = 0;
  WalkNumber = 0;
  Changed = 0;
  RotatedLast = 0;
}

void TObjectSet::FreeMemory() {
  while (First != nullptr) {
    OBJECTSETSECTION* section = First;
    First = section->Next;
    // Handles a host was given of these members die with them.
    for (TObjectInfo& slot : section->Slots)
      if (liveUnregister(LIVE_SETMEMBER, &slot)) liveUnregister(LIVE_OBJECT, &slot);
    section->~OBJECTSETSECTION();
    plat::FreePages(section);
    --SectionCount;
  }
  if (SectionCount != 0) ShowErrorMessage(MAPERR_MEMORY, kChainName);
  SectionCount = 0;
  InitVariable();
}

void TObjectSet::Clear() {
  for (OBJECTSETSECTION* s = First; s != nullptr; s = s->Next) s->Count = 0;
  InitVariable();
}

// ---------------------------------------------------------------------------
// Members

TObjectInfo* TObjectSet::GetObjectA(int n) const {
  int slot = 0;
  OBJECTSETSECTION* section = GetSection(GetSectionNumber(n, &slot));
  return section != nullptr ? &section->Slots[slot - 1] : nullptr;
}

TObjectInfo* TObjectSet::GetFirst() {
  if (!IsActive()) return nullptr;
  WalkSection = First;
  WalkSlot = 1;
  WalkNumber = 1;
  return &First->Slots[0];
}

TObjectInfo* TObjectSet::GetNext() {
  if (WalkSection == nullptr || WalkNumber >= Count) return nullptr;
  ++WalkNumber;
  if (++WalkSlot > OBJECTSET_SLOTS) {
    WalkSection = WalkSection->Next;
    WalkSlot = 1;
    if (WalkSection == nullptr) return nullptr;
  }
  return &WalkSection->Slots[WalkSlot - 1];
}

TObjectInfo* TObjectSet::Find(int number) const {
  if (number < 1) return nullptr;
  return Each([number](TObjectInfo* m) { return m->ObjectNumber() == number; });
}

TObjectInfo* TObjectSet::FindGeneral(LONG number) const {
  if (number == 0) number = GroupNumber;
  if (number == 0) return nullptr;
  return Each([&](TObjectInfo* m) { return GetGroupSemn(m, GROUPSEM_LEADER) == number; });
}

TObjectInfo* TObjectSet::FindNoEgualGroup(LONG number, int* index) const {
  const int start = index != nullptr && *index > 1 ? *index : 1;
  int n = 0;
  TObjectInfo* member = Each([&](TObjectInfo* m) {
    if (++n < start) return false;
    const LONG leads = GetGroupSemn(m, GROUPSEM_LEADER);
    const LONG serves = GetGroupSemn(m, GROUPSEM_SUBORDINATE);
    return (leads != 0 && leads != number) || (serves != 0 && serves != number);
  });
  if (member != nullptr && index != nullptr) *index = n;
  return member;
}

int TObjectSet::Leads(TObjectInfo* member) const {
  return SemanticsHoldGroup(member->Semn.Record(), GROUPSEM_LEADER, GroupNumber);
}

int TObjectSet::SlotIndex(const TObjectInfo* object) const {
  const uintptr_t address = reinterpret_cast<uintptr_t>(object);
  int base = 0;
  for (OBJECTSETSECTION* s = First; s != nullptr; s = s->Next, base += OBJECTSET_SLOTS) {
    const uintptr_t from = reinterpret_cast<uintptr_t>(&s->Slots[0]);
    if (address >= from && address < from + sizeof(s->Slots))
      return base + int((address - from) / sizeof(TObjectInfo)) + 1;
  }
  return 0;
}

int TObjectSet::IndexOf(TObjectInfo* object) const {
  if (object == nullptr) return 0;
  if (const int n = SlotIndex(object); n != 0) return n <= Count ? n : 0;
  if (object->GetMap() != Map || object->ListNumber() != Sheet) return 0;
  const TObjectInfo* member = Find(object->ObjectNumber());
  return member != nullptr ? SlotIndex(member) : 0;
}

// ---------------------------------------------------------------------------
// Group semantics of an object

int TObjectSet::IsObjectGroup(TObjectInfo* object, LONG* number) const {
  return object != nullptr ? object->ObjectSetCode(number) : 0;
}

int TObjectSet::GetGroupSemn(TObjectInfo* object, LONG number) const {
  if (number == 0) number = GroupNumber;
  int found = 0;
  FindGroupSemantic(object, [&](int code, TSemBase* value) {
    if (!HasText(value) || value->LongValue() == number) found = code;
    return found != 0;
  });
  return found;
}

LONG TObjectSet::GetGroupSemn(TObjectInfo* object, GROUPSEMCODE code) const {
  LONG number = 0;
  FindGroupSemantic(object, [&](int held, TSemBase* value) {
    if (held != code || !HasText(value)) return false;
    number = value->LongValue();
    return true;
  });
  return number;
}

int TObjectSet::DeleteSemantic(TObjectInfo* object, LONG number) {
  if (object == nullptr) return 0;
  return object->DeleteObjectSetSemantic(number != 0 ? number : GroupNumber);
}

int TObjectSet::DeleteAllSemantic(TObjectInfo* object) {
  return object != nullptr ? object->DeleteObjectSetSemantic(0, nullptr) : 0;
}

int TObjectSet::UpdateSemantic(TObjectInfo* object, LONG number) {
  if (object == nullptr || object->GetMap() == nullptr) return 0;
  if (number == 0) number = GroupNumber;
  int type = GroupType;
  if (number == 0) {
    const int code = object->ObjectSetCode(&number);
    if (type == 0) type = code;
  }
  if (number == 0) return 0;
  // The roles of the group on the sheet: an equitable group's members
  // leave it as a hierarchy's do.
  const int roles[2] = {type == GROUPSEM_EQUITABLE ? GROUPSEM_EQUITABLE : GROUPSEM_LEADER,
                        type == GROUPSEM_EQUITABLE ? GROUPSEM_EQUITABLE : GROUPSEM_SUBORDINATE};
  TMap* map = object->GetMap();
  const int sheet = object->ListNumber();
  const bool ours = map == Map && sheet == Sheet;
  TObjectInfo work;
  return WalkSheet(map, sheet, object->ObjectNumber(), [&](int n, SEMANTIC* record) {
    if (!SemanticsHoldGroup(record, roles[0], number) &&
        !SemanticsHoldGroup(record, roles[1], number))
      return 1;
    if (ours && Find(n) != nullptr) return 1;
    work.Object(map, sheet, n);
    if (work.Desc == nullptr) return 0;
    work.DeleteObjectSetSemantic(number);
    return work.Commit(1) != 0 ? 1 : 0;
  });
}

int TObjectSet::UpdateDeleteObject() {
  const int number = Base.ObjectNumber();
  if (number == 0 || !BaseRemoved) return 1;
  if (!UpdateSemantic(&Base, 0)) return 0;
  if (Base.GetMap() == Map && Base.ListNumber() == Sheet && Find(number) != nullptr) return 1;
  // The base as stored now: the copy may be older than what members wrote.
  TObjectInfo stored;
  stored.Object(Base.GetMap(), Base.ListNumber(), number);
  if (stored.Desc == nullptr || stored.ObjectNumber() != number) return 0;
  if (Deleted(&stored)) return 1;
  DeleteSemantic(&stored, 0);
  DeleteSemantic(&Base, 0);
  if (!stored.Semn.IsChanged()) return 1;
  return stored.Commit(1) != 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Building

int TObjectSet::Append(TObjectInfo* object, int mark) {
  if (object == nullptr) return 0;
  OBJECTSETSECTION* section = InitSectionChain();
  if (section == nullptr) return 0;
  TObjectInfo* slot = &section->Slots[section->Count];
  slot->Object(object);
  if (slot->Desc == nullptr) return 0;
  if (Map == nullptr) {
    Map = object->GetMap();
    Sheet = object->ListNumber();
  }
  ++Count;
  if (mark) {
    slot->Semn.SetChanged(1);
    Changed = 1;
  }
  return ++section->Count;
}

int TObjectSet::AppendStored(int n) {
  OBJECTSETSECTION* section = InitSectionChain();
  if (section == nullptr) return 0;
  TObjectInfo* slot = &section->Slots[section->Count];
  slot->Object(Map, Sheet, n);
  if (slot->Desc == nullptr || slot->ObjectNumber() != n) return 1;
  ++section->Count;
  ++Count;
  return 1;
}

int TObjectSet::InitBuild(TObjectInfo* object, int start, int code) {
  if (!InitObjectChain()) return 0;
  if (start == GROUPSEM_LEADER || start == GROUPSEM_SUBORDINATE)
    return AppendGeneral(object, 0) ? GROUPSEM_SUBORDINATE : 0;
  if (start == GROUPSEM_EQUITABLE) return AppendEguitable(object, 0) ? GROUPSEM_EQUITABLE : 0;
  if (start != 0 || object == nullptr || object->GetMap() == nullptr || object->Desc == nullptr ||
      object->ListNumber() < 1)
    return 0;
  int found = 0;
  LONG number = 0;
  FindGroupSemantic(object, [&](int held, TSemBase* value) {
    if (code != 0 && held != code) return false;
    found = held;
    number = value != nullptr ? value->LongValue() : 0;
    return true;
  });
  if (found == 0 || number == 0) return 0;
  Map = object->GetMap();
  Sheet = object->ListNumber();
  GroupNumber = number;
  GroupType = found == GROUPSEM_EQUITABLE ? GROUPSEM_EQUITABLE : GROUPSEM_LEADER;
  if (!Append(object, 0)) return 0;
  Base.Object(object);
  switch (found) {
    case GROUPSEM_LEADER:
      LeaderPresent = 1;
      return GROUPSEM_SUBORDINATE;
    case GROUPSEM_SUBORDINATE:
      return GROUPSEM_LEADER;
    default:
      return GROUPSEM_EQUITABLE;
  }
}

int TObjectSet::AppendNext(TObjectInfo* object, int code) {
  switch (code) {
    case GROUPSEM_SUBORDINATE:
      if (!AppendSubordinate(object, 0)) return 0;
      return LeaderPresent ? GROUPSEM_SUBORDINATE : GROUPSEM_LEADER;
    case GROUPSEM_EQUITABLE:
      return AppendEguitable(object, 0) ? GROUPSEM_EQUITABLE : 0;
    case GROUPSEM_LEADER:
      // The leader as it is: a member of the set's sheet.
      if (LeaderPresent || object == nullptr || object->GetMap() != Map ||
          (object->ObjectNumber() != 0 && object->ListNumber() != Sheet))
        return 0;
      if (!Append(object, 0)) return 0;
      LeaderPresent = 1;
      return GROUPSEM_SUBORDINATE;
    default:
      return 0;
  }
}

int TObjectSet::Build(TObjectInfo* object, int code) {
  int next = InitBuild(object, 0, code);
  if (next == 0) return 0;
  const LONG number = GroupNumber;
  const int ok = WalkSheet(Map, Sheet, Base.ObjectNumber(), [&](int n, SEMANTIC* record) {
    if (next == GROUPSEM_LEADER && !LeaderPresent) {
      if (SemanticsHoldGroup(record, GROUPSEM_LEADER, number)) {
        LeaderPresent = 1;
        next = GROUPSEM_SUBORDINATE;
        return AppendStored(n);
      }
      // Fellow subordinates.
      return SemanticsHoldGroup(record, GROUPSEM_SUBORDINATE, number) ? AppendStored(n) : 1;
    }
    return SemanticsHoldGroup(record, next, number) ? AppendStored(n) : 1;
  });
  if (!ok) return 0;
  if (GroupType == GROUPSEM_LEADER && !LeaderPresent) return NominateGeneral(Base.ObjectNumber());
  return 1;
}

int TObjectSet::BuildGeneral() {
  Clear();
  GroupType = GROUPSEM_LEADER;
  return 1;
}

int TObjectSet::BuildEguitable() {
  Clear();
  GroupType = GROUPSEM_EQUITABLE;
  return 1;
}

int TObjectSet::AppendHolders(LONG number) {
  return WalkSheet(Map, Sheet, Base.ObjectNumber(), [&](int n, SEMANTIC* record) {
    if (!SemanticsHoldGroup(record, GROUPSEM_SUBORDINATE, number) &&
        !SemanticsHoldGroup(record, GROUPSEM_LEADER, number))
      return 1;
    return Find(n) != nullptr ? 1 : AppendStored(n);
  });
}

int TObjectSet::BuildInsertKnot(TObjectInfo* object) {
  if (GetGroupSemn(object, GROUPSEM_LEADER) == 0 && GetGroupSemn(object, GROUPSEM_SUBORDINATE) == 0)
    return 0;
  if (!Build(object, 0)) return 0;
  // Each group number is taken once: a member of two groups whose other
  // group is already in brings nothing and is not asked again.
  std::vector<LONG> taken{GroupNumber};
  for (int n = 1; n <= Count; ++n) {
    for (GROUPSEMCODE code : {GROUPSEM_LEADER, GROUPSEM_SUBORDINATE}) {
      const LONG number = GetGroupSemn(GetObjectA(n), code);
      if (number == 0 || std::find(taken.begin(), taken.end(), number) != taken.end()) continue;
      taken.push_back(number);
      if (!AppendHolders(number)) return 0;
    }
  }
  return 1;
}

int TObjectSet::Object(TObjectSet* other) {
  if (other == this) return 1;
  if (other == nullptr || !InitObjectChain()) return 0;
  MoveOffset = other->MoveOffset;
  RotateCentre = other->RotateCentre;
  RotateAngle = other->RotateAngle;
  RotatedLast = other->RotatedLast;
  GroupNumber = other->GroupNumber;
  Map = other->Map;
  Sheet = other->Sheet;
  GroupType = other->GroupType;
  LeaderPresent = other->LeaderPresent;
  Base.Object(&other->Base);
  BaseRemoved = other->BaseRemoved;
  Changed = other->Changed;
  return other->Each([this](TObjectInfo* m) { return Append(m, 0) == 0; }) == nullptr ? 1 : 0;
}

int TObjectSet::BuildSelect(TMapSelect* select) {
  if (select == nullptr || !IsActive()) return 0;
  select->SetMap(Map);
  select->SelectAll();
  select->ClearSample();
  return Each([&](TObjectInfo* m) {
           return m->ObjectNumber() > 0 && !select->AppendSample(m->ObjectNumber(), Sheet);
         }) == nullptr
             ? 1
             : 0;
}

// ---------------------------------------------------------------------------
// Writing members

int TObjectSet::WriteMember(TObjectInfo* member, int undelete) {
  if (undelete ? !member->Undelete() : !member->Commit(1)) return 0;
  member->Semn.SetChanged(0);
  member->Metric.ChangedFlag = 0;
  return 1;
}

void TObjectSet::SettleChanged() {
  Changed = BaseRemoved || Each([](TObjectInfo* m) {
                             return !Deleted(m) && m->Semn.IsChanged();
                           }) != nullptr
                ? 1
                : 0;
}

int TObjectSet::CommitLast(int commit) {
  if (!commit) return 1;
  TObjectInfo* member = GetObjectA(Count);
  if (member != nullptr && !Deleted(member) &&
      (member->Semn.IsChanged() || member->Metric.ChangedFlag) && !WriteMember(member, 0))
    return 0;
  SettleChanged();
  return 1;
}

DWORD TObjectSet::EnsureKey(TObjectInfo* object, int sheet) {
  if (object->ObjectKey() != 0) return object->ObjectKey();
  if (object->ObjectNumber() == 0 && sheet != 0) object->ListNumber(sheet);
  return object->Commit(1) != 0 ? object->ObjectKey() : 0;
}

void TObjectSet::KeepBase() {
  if (Base.ObjectNumber() == 0 && Count > 0) Base.Object(GetObjectA(1));
}

void TObjectSet::DropMember(int index) {
  OBJECTSETSECTION* last = GetSection(GetSectionNumber(Count, nullptr));
  if (index != Count) GetObjectA(index)->Object(GetObjectA(Count));
  --last->Count;
  --Count;
  if (WalkNumber > Count) WalkSection = nullptr;
}

// ---------------------------------------------------------------------------
// Adding members

int TObjectSet::AppendGeneral(TObjectInfo* object, int commit) {
  if (object == nullptr || object->Desc == nullptr || object->GetMap() == nullptr) return 0;
  // A slot of this set is read from while slots are refilled: a copy is.
  TObjectInfo own;
  if (SlotIndex(object) != 0) object = own.Object(object);
  // A set with members takes nothing but its own leader starting afresh.
  if (Count > 0 && IndexOf(object) == 0) return 0;
  const LONG number = LONG(EnsureKey(object, 0));
  if (number == 0) return 0;
  if (GetGroupSemn(object, GROUPSEM_LEADER) == number) {
    object->DeleteObjectSetSemantic(GROUPSEM_LEADER, &number);
    if (IndexOf(object) != 0) RemoveAll(0);
  }
  if (Count > 0 || !object->GetMap()->OpenList(object->ListNumber()) ||
      !StartGroup(object, GROUPSEM_LEADER, number))
    return 0;
  if (!PutGroupSemantic(object, GROUPSEM_LEADER, number) || !Append(object, 1)) return 0;
  return CommitLast(commit);
}

int TObjectSet::AppendSubordinate(TObjectInfo* object, int commit) {
  if (object == nullptr || object->Desc == nullptr || GroupType != GROUPSEM_LEADER || Count == 0 ||
      object->GetMap() != Map)
    return 0;
  // An object is a member of its own sheet's group only.
  if (object->ObjectNumber() != 0 && object->ListNumber() != Sheet) return 0;
  TObjectInfo own;
  if (SlotIndex(object) != 0) object = own.Object(object);
  if (EnsureKey(object, Sheet) == 0) return 0;
  const int index = IndexOf(object);
  if (index != 0) {
    // The leader cannot serve its own group.
    if (Leads(GetObjectA(index))) return 0;
    Remove(index, 0);
  }
  const LONG current = GetGroupSemn(object, GROUPSEM_SUBORDINATE);
  if (current != 0) object->DeleteObjectSetSemantic(GROUPSEM_SUBORDINATE, &current);
  if (!PutGroupSemantic(object, GROUPSEM_SUBORDINATE, GroupNumber) || !Append(object, 1)) return 0;
  return CommitLast(commit);
}

int TObjectSet::AppendEguitable(TObjectInfo* object, int commit) {
  if (object == nullptr || object->Desc == nullptr || object->GetMap() == nullptr) return 0;
  if (Count > 0 && (GroupType != GROUPSEM_EQUITABLE || object->GetMap() != Map ||
                    (object->ObjectNumber() != 0 && object->ListNumber() != Sheet)))
    return 0;
  TObjectInfo own;
  if (SlotIndex(object) != 0) object = own.Object(object);
  const DWORD key = EnsureKey(object, Count > 0 ? Sheet : 0);
  if (key == 0) return 0;
  const int index = IndexOf(object);
  if (index != 0) Remove(index, 0);
  object->DeleteObjectSetSemantic(GROUPSEM_EQUITABLE, nullptr);
  if (Count == 0 && !StartGroup(object, GROUPSEM_EQUITABLE, LONG(key))) return 0;
  if (GroupNumber == 0) GroupNumber = LONG(key);
  if (!PutGroupSemantic(object, GROUPSEM_EQUITABLE, GroupNumber) || !Append(object, 1)) return 0;
  return CommitLast(commit);
}

int TObjectSet::StartGroup(TObjectInfo* object, int type, LONG number) {
  // Removals still pending belong to the group this set held before.
  if (BaseRemoved && (number != GroupNumber || object->GetMap() != Map)) {
    if (!UpdateDeleteObject()) return 0;
    BaseRemoved = 0;
    Base.Object(static_cast<TObjectInfo*>(nullptr));
  }
  Map = object->GetMap();
  Sheet = object->ListNumber();
  GroupType = type;
  GroupNumber = number;
  LeaderPresent = type == GROUPSEM_LEADER ? 1 : 0;
  return 1;
}

int TObjectSet::DissolveGroupOf(TObjectInfo* object, GROUPSEMCODE code) {
  LONG number = GetGroupSemn(object, code);
  if (number == 0 || (object->GetMap() == Map && number == GroupNumber)) return 1;
  // A group without its leader gets one while it is built: it goes anyway.
  TObjectSet scratch;
  scratch.Build(object, code);
  if (!scratch.IsActive() || !scratch.RemoveAll(1)) return 0;
  object->DeleteObjectSetSemantic(number);
  return 1;
}

int TObjectSet::AppendGeneralNew(TObjectInfo* object, int commit) {
  if (object == nullptr || object->Desc == nullptr || object->GetMap() == nullptr ||
      EnsureKey(object, 0) == 0 || !DissolveGroupOf(object, GROUPSEM_LEADER))
    return 0;
  return AppendGeneral(object, commit);
}

int TObjectSet::AppendSubordinateNew(TObjectInfo* object, int commit) {
  if (object == nullptr || object->Desc == nullptr || GroupType != GROUPSEM_LEADER || Count == 0 ||
      object->GetMap() != Map || (object->ObjectNumber() != 0 && object->ListNumber() != Sheet) ||
      EnsureKey(object, Sheet) == 0 || !DissolveGroupOf(object, GROUPSEM_SUBORDINATE))
    return 0;
  return AppendSubordinate(object, commit);
}

int TObjectSet::NominateGeneral(int number) {
  if (!IsActive()) return 0;
  // The leader, when the group has one, must be free to serve: it is
  // subordinate in no other group.
  if (GroupType == GROUPSEM_EQUITABLE) return 0;
  TObjectInfo* leader = Each([this](TObjectInfo* m) { return Leads(m) != 0; });
  if (leader != nullptr &&
      FindGroupSemantic(leader, [](int code, TSemBase*) { return code == GROUPSEM_SUBORDINATE; }))
    return 0;
  TObjectInfo* candidate = Each([number](TObjectInfo* m) {
    return (number == 0 || m->ObjectNumber() == number) && !LeadsAnyGroup(m);
  });
  if (candidate == nullptr) return 0;
  if (leader != nullptr) {
    DeleteSemantic(leader, 0);
    if (!PutGroupSemantic(leader, GROUPSEM_SUBORDINATE, GroupNumber)) return 0;
  }
  DeleteSemantic(candidate, 0);
  if (!PutGroupSemantic(candidate, GROUPSEM_LEADER, GroupNumber)) return 0;
  LeaderPresent = 1;
  Changed = 1;
  return 1;
}

// ---------------------------------------------------------------------------
// Removing members

int TObjectSet::Remove(TObjectInfo* object, int commit) {
  const int index = IndexOf(object);
  if (index == 0) return 0;
  TObjectInfo* member = GetObjectA(index);
  if (GroupType == GROUPSEM_LEADER && Leads(member)) {
    const int result = RemoveAll(commit);
    return commit ? result : 1;
  }
  if (commit) {
    if (!Deleted(member)) {
      DeleteSemantic(member, 0);
      if (!WriteMember(member, 0)) return 0;
    }
  } else {
    KeepBase();
  }
  DropMember(index);
  if (!commit) Changed = BaseRemoved = 1;
  return 1;
}

int TObjectSet::Remove(int n, int commit) {
  TObjectInfo* member = GetObjectA(n);
  return member != nullptr ? Remove(member, commit) : 0;
}

int TObjectSet::RemoveNumber(int number, int commit) {
  if (Map == nullptr || number < 1 || number > Map->GetObjectCount(Sheet)) return 0;
  TObjectInfo* member = Find(number);
  return member != nullptr ? Remove(member, commit) : 0;
}

int TObjectSet::RemoveKey(DWORD key, int commit) {
  if (key == 0) return 0;
  TObjectInfo* member = Each([key](TObjectInfo* m) { return m->ObjectKey() == key; });
  return member != nullptr ? Remove(member, commit) : 0;
}

int TObjectSet::RemoveAll(int commit) {
  KeepBase();
  if (Base.ObjectNumber() != 0)
    Changed = BaseRemoved = 1;
  else
    Base.Object(static_cast<TObjectInfo*>(nullptr));
  for (OBJECTSETSECTION* s = First; s != nullptr; s = s->Next) s->Count = 0;
  Count = 0;
  LeaderPresent = 0;
  WalkSection = nullptr;
  return commit ? Save(1) : 1;
}

// ---------------------------------------------------------------------------
// Merging

int TObjectSet::AppendByType(TObjectInfo* object, int commit) {
  return GroupType == GROUPSEM_EQUITABLE ? AppendEguitable(object, commit)
                                         : AppendSubordinate(object, commit);
}

int TObjectSet::Union(TObjectSet* other, int mode, TObjectInfo* object, int commit) {
  if (other == nullptr || other == this || object == nullptr || !IsActive() || !other->IsActive())
    return 0;
  const int role = GetGroupSemn(object, other->GroupNumber);
  switch (mode) {
    case 1:
      if (role == GROUPSEM_LEADER) return UnionHierarchy(other, commit);
      if (role != GROUPSEM_SUBORDINATE && role != GROUPSEM_EQUITABLE) return 0;
      DeleteSemantic(object, other->GroupNumber);
      if (other->IndexOf(object) == 0) return 1;
      return AppendByType(object, commit) ? 1 : 0;
    case 2:
      return UnionWithDestroy(other, commit);
    case 3:
      return role == GROUPSEM_EQUITABLE ? 0 : UnionHierarchy(other, commit);
    default:
      return 0;
  }
}

int TObjectSet::UnionWithDestroy(TObjectSet* other, int commit) {
  if (other == nullptr || other == this) return 0;
  const LONG number = other->GroupNumber;
  return other->Each([&](TObjectInfo* m) {
           DeleteSemantic(m, number);
           return AppendByType(m, commit) == 0;
         }) == nullptr
             ? 1
             : 0;
}

int TObjectSet::UnionHierarchy(TObjectSet* other, int commit) {
  if (other == nullptr || other == this) return 0;
  TObjectInfo* leader = other->Each([other](TObjectInfo* m) {
    return other->GetGroupSemn(m, LONG(0)) == GROUPSEM_LEADER;
  });
  return leader == nullptr ? 1 : AppendByType(leader, commit);
}

// ---------------------------------------------------------------------------
// Whole-set operations

int TObjectSet::DeleteObject(TObjectInfo* object) {
  if (object == nullptr) return 0;
  if (Leads(object) && !UpdateSemantic(object, 0)) return 0;
  return object->Delete();
}

int TObjectSet::Delete() {
  if (!IsActive()) return 0;
  TObjectInfo* leader = nullptr;
  const TObjectInfo* failed = Each([&](TObjectInfo* m) {
    if (leader == nullptr && Leads(m)) {
      leader = m;
      return false;
    }
    return !Deleted(m) && DeleteObject(m) == 0;
  });
  if (failed != nullptr) return 0;
  return leader == nullptr || Deleted(leader) || DeleteObject(leader) ? 1 : 0;
}

int TObjectSet::Revert() {
  int ok = 1;
  auto undoMove = [&]() {
    if (MoveOffset.X == 0.0 && MoveOffset.Y == 0.0) return;
    DOUBLEPOINT back{-MoveOffset.X, -MoveOffset.Y};
    if (!Move(&back, 1)) ok = 0;
    MoveOffset = {0.0, 0.0};
  };
  auto undoRotate = [&]() {
    if (RotateAngle == 0.0) return;
    DOUBLEPOINT centre = RotateCentre;
    if (!Rotate(&centre, -RotateAngle, 1)) ok = 0;
    RotateAngle = 0.0;
  };
  // The later transform is undone first.
  if (RotatedLast) {
    undoRotate();
    undoMove();
  } else {
    undoMove();
    undoRotate();
  }
  RotatedLast = 0;
  TObjectInfo* first = GetObjectA(1);
  if (first == nullptr || !Deleted(first)) return 0;
  const TObjectInfo* failed =
      Each([this](TObjectInfo* m) { return Deleted(m) && !WriteMember(m, 1); });
  if (failed != nullptr) return 0;
  return ok;
}

int TObjectSet::Save(int force) {
  if (!Changed && !force) return 1;
  if (!IsActive() && Base.ObjectNumber() == 0) return 0;
  if (!UpdateDeleteObject()) return 0;
  BaseRemoved = 0;
  const TObjectInfo* failed = Each([this](TObjectInfo* m) {
    return !Deleted(m) && (m->Semn.IsChanged() || m->Metric.ChangedFlag) && !WriteMember(m, 0);
  });
  if (failed != nullptr) return 0;
  Changed = 0;
  return 1;
}

int TObjectSet::Move(DOUBLEPOINT* offset, int commit) {
  if (offset == nullptr || !IsActive()) return 0;
  if (Each([&](TObjectInfo* m) {
        return !m->RelocateObject(offset) || (commit && !WriteMember(m, 1));
      }) != nullptr)
    return 0;
  if (commit) {
    MoveOffset = *offset;
    RotatedLast = 0;
  }
  return 1;
}

int TObjectSet::Rotate(DOUBLEPOINT* centre, double angle, int commit) {
  if (centre == nullptr || angle == 0.0 || !IsActive()) return 0;
  if (Each([&](TObjectInfo* m) {
        return !m->RotateObject(*centre, angle) || (commit && !WriteMember(m, 1));
      }) != nullptr)
    return 0;
  if (commit) {
    RotateCentre = *centre;
    RotateAngle = angle;
    RotatedLast = 1;
  }
  return 1;
}

int TObjectSet::MoveData(DOUBLEPOINT* offset) {
  if (offset == nullptr || !IsActive()) return 0;
  return Each([&](TObjectInfo* m) { return !m->Metric.RelocateObject(offset); }) == nullptr;
}

int TObjectSet::ScopeData(DOUBLEPOINT* scale, DOUBLEPOINT* centre) {
  if (scale == nullptr || centre == nullptr || !IsActive()) return 0;
  return Each([&](TObjectInfo* m) { return !m->Metric.ScopeObject(scale, centre); }) == nullptr;
}

int TObjectSet::ScopeAndRelocateData(DOUBLEPOINT* scale, DOUBLEPOINT* centre,
                                     DOUBLEPOINT* offset) {
  if (scale == nullptr || centre == nullptr || offset == nullptr || !IsActive()) return 0;
  return Each([&](TObjectInfo* m) {
           return !m->Metric.ScopeAndRelocateObject(scale, centre, offset);
         }) == nullptr;
}

int TObjectSet::RotateData(DOUBLEPOINT* centre, double angle) {
  if (centre == nullptr || !IsActive()) return 0;
  return Each([&](TObjectInfo* m) { return !m->Metric.RotateObject(centre, angle); }) == nullptr;
}

int TObjectSet::ViewObjectFramePlane(DFRAME* frame) {
  if (frame == nullptr || !IsActive()) return 0;
  DFRAME all{};
  bool first = true;
  if (Each([&](TObjectInfo* m) {
        DFRAME one;
        if (!m->ViewObjectFramePlane(&one, 0)) return true;
        if (first)
          all = one;
        else
          Unite(&all, one);
        first = false;
        return false;
      }) != nullptr)
    return 0;
  *frame = all;
  return 1;
}

int TObjectSet::PaintGroup(TMapAccess* doc, HDC dc, RECT& rect, COLORREF colour, int width) {
  if (doc == nullptr || dc == nullptr || !IsActive()) return 0;
  const LONG thickness = LONG(width) * 250;
  const LONG line[2] = {LONG(colour), thickness};
  const LONG dash[4] = {LONG(colour), thickness, 1500, 750};
  PAINTPARM leader{PRIM_LINE, reinterpret_cast<const char*>(line), 13};
  PAINTPARM other{PRIM_DOT, reinterpret_cast<const char*>(dash), 13};
  Each([&](TObjectInfo* m) {
    // A point has no line to draw: from there on each shows its own image.
    if (m->ObjectLocal() == LOCAL_POINT) leader.Image = other.Image = PAINT_OWN_IMAGE;
    const bool leads = GetGroupSemn(m, LONG(0)) == GROUPSEM_LEADER;
    doc->PaintMapObject95(dc, rect, m, leads ? &leader : &other);
    return false;
  });
  return 1;
}

// ---------------------------------------------------------------------------
// Handles

TObjectSet* ObjectSetNewHandle() {
  void* memory = plat::AllocPages(sizeof(TObjectSet));
  if (memory == nullptr) return nullptr;
  TObjectSet* set = new (memory) TObjectSet();
  if (!liveRegister(LIVE_OBJECTSET, set)) {
    set->~TObjectSet();
    plat::FreePages(memory);
    return nullptr;
  }
  return set;
}

TObjectSet* ObjectSetOfHandle(intptr_t handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  if (!liveIsRegistered(LIVE_OBJECTSET, address)) return nullptr;
  return reinterpret_cast<TObjectSet*>(handle);
}

int ObjectSetFreeHandle(intptr_t handle) {
  if (!liveUnregister(LIVE_OBJECTSET, reinterpret_cast<const void*>(handle))) return 0;
  TObjectSet* set = reinterpret_cast<TObjectSet*>(handle);
  set->~TObjectSet();
  plat::FreePages(set);
  return 1;
}

HOBJ ObjectSetMemberHandle(TObjectInfo* member) {
  if (member == nullptr) return 0;
  // Registered as a member first, so that no moment exists at which the
  // object functions would take it and mapFreeObject would free it.
  if (!liveIsRegistered(LIVE_SETMEMBER, member) && !liveRegister(LIVE_SETMEMBER, member)) return 0;
  if (!liveIsRegistered(LIVE_OBJECT, member) && !liveRegister(LIVE_OBJECT, member)) return 0;
  return member->Handle();
}
