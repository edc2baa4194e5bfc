// The selection context's cached counts, the frozen object bounds, its
// registration with the map (the counts follow the objects written
// through the map).
#include <cstring>

#include "platform/memory.h"
#include "selection/mapselect.h"
#include "selection/selectcontexts.h"

uint64_t TMapSelect::MapStamp() const { return Map != nullptr ? Map->ChangeStamp() : 0; }

void TMapSelect::RefreshCounts() {
  // Counts of a context the map cannot tell about its changes are never
  // kept.
  const uint64_t stamp = MapStamp();
  if (CountsStale || ChangeStamp != stamp || ObservedMap != Map || Map == nullptr) {
    MarkCount = SelectCount = -1;
    CountsStale = 0;
    ChangeStamp = stamp;
  }
}

int TMapSelect::GetSelectObjectCount() {
  RefreshCounts();
  if (SelectCount >= 0) return SelectCount;
  if (Map == nullptr || Map->Lists == nullptr || Map->Count() < 1) return 0;
  const int sheets = Map->Count();
  const int current = Map->List.Number();
  const int start = current >= 1 && current <= sheets ? current : sheets;
  int total = 0;
  for (int k = 0; k < sheets; ++k) {
    const int s = start - k >= 1 ? start - k : start - k + sheets;
    // A sheet without an object in the sample is not opened.
    if (!CheckList(s) || (SampleActive && GetSamplesCount(s) == 0) || !Map->OpenListAfresh(s))
      continue;
    if (SampleActive) {
      total += GetSamplesCount(s);
      continue;
    }
    const int count = Map->List.Count();
    for (int i = 1; i <= count; ++i) {
      const FVSPR* d = Map->List.ObjectDesc(i);
      if (d != nullptr && !FvsprIsDeleted(d) && CheckObject(TObjectDesc(const_cast<FVSPR*>(d))))
        ++total;
    }
  }
  // Opening sheets never raises the counter; a context that cannot follow
  // the map keeps nothing.
  if (ObservedMap == Map) SelectCount = total;
  return total;
}

int TMapSelect::GetMarkObjectCount(TMapSelect* other) {
  if (other == nullptr || Map == nullptr || other->Map != Map) return 0;
  RefreshCounts();
  if (other != MarkedWith || other->Serial != MarkedSerial) {
    MarkCount = -1;
    MarkedWith = other;
  }
  if (MarkCount >= 0) return MarkCount;
  if (Map->Lists == nullptr) return 0;
  const int sheets = Map->Count();
  int total = 0;
  for (int s = 1; s <= sheets; ++s) {
    if (!CheckList(s) || (SampleActive && GetSamplesCount(s) == 0) || !Map->OpenListAfresh(s))
      continue;
    if (SampleActive) {
      total += GetSamplesCount(s);
      continue;
    }
    if (!other->CheckList(s)) continue;
    const int count = Map->List.Count();
    for (int i = 1; i <= count; ++i) {
      const FVSPR* d = Map->List.ObjectDesc(i);
      if (d == nullptr || FvsprIsDeleted(d)) continue;
      TObjectDesc desc(const_cast<FVSPR*>(d));
      if (CheckObject(desc) && other->CheckObject(desc)) ++total;
    }
  }
  if (ObservedMap == Map) {
    MarkCount = total;
    MarkedSerial = other->Serial;
  }
  return total;
}

void TMapSelect::SelectNothing() {
  LocalWord = 0;
  LocalSwitch = 1;
  // The count stays right (nothing passes); contexts counting together
  // with this one learn of the change by its serial.
  const DWORD stale = CountsStale;
  Touch();
  CountsStale = stale;
}

int TMapSelect::UpdateSelectCountByObject(int number, TObjectDesc desc, TObjectData data,
                                          TObjectSemn semn, int operation) {
  if (Map == nullptr || SelectCount < 0 || CountsStale || ChangeStamp != MapStamp()) return 0;
  ++ChangeStamp;
  MarkCount = -1;
  const int sheet = Map->List.Number();
  // The stored version of the object, read before the sheet writes.
  auto stored = [&]() -> int {
    FVSPR d;
    if (Map->List.ReadObjectDesc(number, &d) != 0 || FvsprIsDeleted(&d)) return 0;
    return CheckList(sheet) && PassStored(sheet, number, &d) == 1 ? 1 : 0;
  };
  auto given = [&]() -> int {
    if (desc.Desc == nullptr || FvsprIsDeleted(desc.Desc) || !CheckList(sheet)) return 0;
    return Pass(sheet, number, desc.Desc, data.Record, semn.Semn);
  };
  switch (operation) {
    case SELECTCOUNT_APPEND:
      if (!SampleActive) SelectCount += given();
      return 1;
    case SELECTCOUNT_DELETE:
      if (SampleActive) {
        if (CheckSample(number, sheet) == 0) return 1;
        const DWORD stale = CountsStale;
        DeleteSample(number, sheet);
        CountsStale = stale;
        if (CheckList(sheet) && SelectCount > 0) --SelectCount;
        if (SelectCount == 0 || !SampleActive) SelectNothing();
        return 1;
      }
      SelectCount -= stored();
      return 1;
    case SELECTCOUNT_UPDATE:
      if (!SampleActive) SelectCount += given() - stored();
      return 1;
    default:
      SelectCount = -1;
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Following the map

void TMapSelect::BindMap(TMap* map) {
  // A select list holds only contexts of its own map.
  if (Listed != nullptr && Listed->Map != static_cast<void*>(map)) slLeaveSelect(this);
  if (ObservedMap != map) Unbind();
  Map = map;
  if (map != nullptr && ObservedMap != map && map->AddObserver(&TMapSelect::MapNotice, this))
    ObservedMap = map;
  MarkCount = SelectCount = -1;
  PendingSheet = PendingNumber = 0;
  ChangeStamp = MapStamp();
}

void TMapSelect::Unbind() {
  if (ObservedMap != nullptr) ObservedMap->RemoveObserver(&TMapSelect::MapNotice, this);
  ObservedMap = nullptr;
}

void TMapSelect::MapNotice(void* context, TMap* map, int notice, const SHEETCHANGE* change) {
  TMapSelect* self = static_cast<TMapSelect*>(context);
  if (self == nullptr || map != self->ObservedMap) return;
  if (notice == MAPNOTICE_CLOSING) {
    slLeaveSelect(self);
    map->RemoveObserver(&TMapSelect::MapNotice, self);
    self->ObservedMap = nullptr;
    self->Map = nullptr;
    self->MarkCount = self->SelectCount = -1;
    self->Touch();
  } else if (notice == MAPNOTICE_WRITING && change != nullptr) {
    self->NoteWriting(*change);
  } else if (notice == MAPNOTICE_CHANGE && change != nullptr) {
    self->FollowChange(*change);
  }
}

// Before an object is rewritten or deleted the stored version is tested:
// once written it can no longer be read.
void TMapSelect::NoteWriting(const SHEETCHANGE& change) {
  PendingSheet = change.Sheet;
  PendingNumber = change.Number;
  PendingPassed = 0;
  if (SampleActive || FvsprIsDeleted(&change.Desc) || !CheckList(change.Sheet)) return;
  PendingPassed = PassStored(change.Sheet, change.Number, &change.Desc);
}

// The map tells of a change after it was written, the change counter
// raised. An append is tested as written; a deletion or an update by the
// stored version tested before the write (NoteWriting) and, for an
// update, the version written. A deletion takes the object out of the
// sample whatever the counts. What cannot be told drops the count, which
// is then made again when asked for.
void TMapSelect::FollowChange(const SHEETCHANGE& change) {
  const bool pending = PendingNumber == change.Number && PendingSheet == change.Sheet;
  const int before = pending ? PendingPassed : -1;
  PendingSheet = PendingNumber = 0;
  if (Map == nullptr || change.Number < 1) return;
  // Whether this change raised the counter (by one, when no other writer
  // raised it meanwhile).
  const DWORD raised = change.Counter != CHANGECOUNT_NONE ? 1 : 0;
  const uint64_t stamp = Map->SeenChangeStamp();
  const bool known = SelectCount >= 0 && !CountsStale && ChangeStamp + raised == stamp;
  MarkCount = -1;
  const int sheet = change.Sheet;
  const int number = change.Number;
  const bool deletes = change.CallOperation == CHANGE_DELETE;
  int delta = 0;
  bool told = true;
  if (SampleActive) {
    // The sample's size does not depend on the objects' contents; a
    // deleted object leaves it.
    if (deletes && CheckSample(number, sheet) != 0) {
      const DWORD stale = CountsStale;
      DeleteSample(number, sheet);
      CountsStale = stale;
      if (CheckList(sheet)) delta = -1;
      // Without its last object the sample would pass everything.
      if (!SampleActive || (known && SelectCount + delta == 0)) SelectNothing();
    }
  } else if (change.Operation == CHANGE_APPEND) {
    if (!FvsprIsDeleted(&change.Desc) && CheckList(sheet)) {
      const int passed = PassStored(sheet, number, &change.Desc);
      told = passed >= 0;
      delta = passed > 0 ? 1 : 0;
    }
  } else if (before < 0) {
    told = false;
  } else if (deletes) {
    delta = -before;
  } else {
    const int after = CheckList(sheet) ? PassStored(sheet, number, &change.Desc) : 0;
    told = after >= 0;
    delta = after - before;
  }
  if (known && told) {
    SelectCount += delta;
    ChangeStamp = stamp;
  } else {
    SelectCount = -1;
  }
}

// ---------------------------------------------------------------------------
// Freezing

void TMapSelect::FreeFrozen() {
  if (FrozenBounds != nullptr && FrozenBounds != &FrozenOne) plat::FreePages(FrozenBounds);
  FrozenBounds = nullptr;
  FrozenCount = 0;
  FrozenOne = 0;
}

int TMapSelect::CopyFrozen(const TMapSelect* source) {
  FreeFrozen();
  FreezeSwitch = source->FreezeSwitch;
  if (source->FrozenBounds == nullptr || source->FrozenCount < 1) return 1;
  if (source->FrozenCount == 1) {
    FrozenOne = source->FrozenBounds[0];
    FrozenBounds = &FrozenOne;
  } else {
    const SIZE_T bytes = SIZE_T(source->FrozenCount) * sizeof(DWORD);
    FrozenBounds = static_cast<DWORD*>(plat::AllocPages(bytes));
    // Without its table a frozen context passes nothing rather than
    // everything.
    if (FrozenBounds == nullptr) return 0;
    std::memcpy(FrozenBounds, source->FrozenBounds, bytes);
  }
  FrozenCount = source->FrozenCount;
  return 1;
}

int TMapSelect::Freeze() {
  if (Map == nullptr || Map->Lists == nullptr || Map->Count() < 1) return 0;
  const int sheets = Map->Count();
  DWORD* bounds = &FrozenOne;
  if (sheets > 1) {
    bounds = static_cast<DWORD*>(plat::AllocPages(SIZE_T(sheets) * sizeof(DWORD)));
    if (bounds == nullptr) return 0;
  }
  FreeFrozen();
  for (int s = 1; s <= sheets; ++s) bounds[s - 1] = DWORD(Map->GetObjectCount(s));
  FrozenBounds = bounds;
  FrozenCount = sheets;
  FreezeSwitch = 1;
  Touch();
  return 1;
}

int TMapSelect::Defreeze() {
  FreeFrozen();
  FreezeSwitch = 0;
  Touch();
  return 1;
}
