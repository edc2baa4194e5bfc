// The search walks over the maps of a document, their sheets and the
// objects of each sheet.
#include "search/objectseek.h"

// ---------------------------------------------------------------------------
// The maps of a document

const SEEKMAP* TSeekMaps::Entry(int n) const {
  return List != nullptr && n >= 0 && n < ListCount ? &List[n] : nullptr;
}

int TSeekMaps::UserCount() const {
  if (List != nullptr) return ListCount > 0 ? ListCount - 1 : 0;
  if (Doc == nullptr) return 0;
  const LONG count = Doc->GetSiteCount();
  return count > 0 ? int(count) : 0;
}

TMap* TSeekMaps::GetMap(int n) const {
  if (List != nullptr) return Entry(n) != nullptr ? Entry(n)->Map : nullptr;
  if (Doc == nullptr || n < 0 || n > UserCount()) return nullptr;
  return Doc->GetMap(n);
}

TMapSelect* TSeekMaps::GetSeekSelect(int n) const {
  if (List != nullptr) return Entry(n) != nullptr ? Entry(n)->Seek : nullptr;
  return Doc != nullptr ? Doc->GetSeekSelect(n) : nullptr;
}

TMapSelect* TSeekMaps::GetViewSelect(int n) const {
  if (List != nullptr) return Entry(n) != nullptr ? Entry(n)->View : nullptr;
  return Doc != nullptr ? Doc->GetViewSelect(n) : nullptr;
}

int TSeekMaps::MapVisible(int n) const {
  if (List != nullptr) return Entry(n) != nullptr ? Entry(n)->Visible : 0;
  const TMap* map = GetMap(n);
  return map != nullptr ? map->ViewFlag : 0;
}

int TSeekMaps::GetMapNumber(const TMap* map) const {
  if (map == nullptr) return -1;
  const int count = UserCount();
  for (int n = 0; n <= count; ++n)
    if (GetMap(n) == map) return n;
  return -1;
}

// ---------------------------------------------------------------------------
// Flags

int SeekDirection(int flags) {
  if (flags & SEEK_NEXT) return SEEK_NEXT;
  if (flags & SEEK_PREV) return SEEK_PREV;
  if (flags & SEEK_LAST) return SEEK_LAST;
  return SEEK_FIRST;
}

int SeekFlagsForNextMap(int flags) {
  // All direction bits go, so that a next search with a lower-ranking bit
  // also set does not turn round.
  const int direction = SeekDirection(flags);
  flags &= ~(SEEK_NEXT | SEEK_PREV | SEEK_LAST);
  if (direction == SEEK_PREV || direction == SEEK_LAST) flags |= SEEK_LAST;
  return flags;
}

SHEETWALK SheetWalk(const MAPOBJDESC* place, const TMap* map, int sheets, int flags) {
  int direction = SeekDirection(flags);
  bool positional = direction == SEEK_NEXT || direction == SEEK_PREV;
  if (positional && (place->Map != map || place->List < 1 || place->List > sheets)) {
    positional = false;
    direction = direction == SEEK_NEXT ? SEEK_FIRST : SEEK_LAST;
  }
  const int step = direction == SEEK_NEXT || direction == SEEK_FIRST ? 1 : -1;
  const int start = positional ? int(place->List) : (step > 0 ? 1 : sheets);
  return SHEETWALK{direction, positional ? 1 : 0, step, start};
}

// ---------------------------------------------------------------------------
// The walks

void TObjectSeek::MapOrder(const MAPOBJDESC* place, int flags, int* first, int* step,
                           int* count) const {
  const int users = Maps.UserCount();
  const int p = Maps.GetMapNumber(place->Map);
  *count = (flags & SEEK_THISMAP) ? 1 : users + 1;
  const bool here = (flags & SEEK_THISMAP) && p >= 0;
  switch (SeekDirection(flags)) {
    case SEEK_NEXT:
      *first = p >= 0 ? p : 0;
      *step = 1;
      break;
    case SEEK_PREV:
      *first = p >= 0 ? p : users;
      *step = -1;
      break;
    case SEEK_LAST:
      *first = here ? p : users;
      *step = -1;
      break;
    default:
      *first = here ? p : 0;
      *step = 1;
      break;
  }
}

int TObjectSeek::Accept(TMap* map, int sheet, int number, const FVSPR* desc, TMapSelect* select,
                        TMapSelect* view, int flags, bool areaKnown) {
  if (FvsprIsDeleted(desc) && !(flags & SEEK_DELETED)) return 0;
  if (view != nullptr && !view->CheckObjectAndSample(sheet, number, desc)) return 0;
  // A select of a map of its own reads the object's records there.
  if (select->Map != nullptr && select->Map != map) select->Map->List.ObjectDesc(number);
  TObjectDesc object(const_cast<FVSPR*>(desc));
  if (!select->CheckObject(object)) return 0;
  if (select->AreaSwitch && !areaKnown && !select->AreaCheck(object)) return 0;
  return 1;
}

int TObjectSeek::SeekObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags) {
  TMap* map = Maps.GetMap(n);
  if (place == nullptr || select == nullptr || map == nullptr || !map->IsActive() ||
      map->Lists == nullptr || map->Count() < 1)
    return 0;
  TMapSelect* view = nullptr;
  if (flags & SEEK_VIEW) {
    view = Maps.GetViewSelect(n);
    if (!Maps.MapVisible(n) || view == nullptr) return 0;
  }
  const int sheets = map->Count();
  const SHEETWALK walk = SheetWalk(place, map, sheets, flags);
  const bool positional = walk.Positional != 0;
  const int step = walk.Step, start = walk.Start;
  TMap* own = select->Map != nullptr && select->Map != map ? select->Map : nullptr;
  TMapList& list = map->List;
  // What the map keeps of the sheets it passes over unopened holds while
  // nobody else has written it: the change counter is read once here.
  if (own == nullptr && select->AreaSwitch) map->ChangeStamp();
  for (int k = 0, s = start; k < sheets && s >= 1 && s <= sheets; ++k, s += step) {
    // The sheets the map knows to lie beyond the area are passed over at
    // once.
    if (own == nullptr && (s = select->NextSheetInReach(s, step)) == 0) break;
    if (!select->CheckList(s) || (view != nullptr && !view->CheckList(s))) continue;
    const bool here = positional && s == start;
    // A sheet none of whose objects the area can reach, or without an
    // object in the sample, is passed over unopened.
    if (own == nullptr && select->SheetBeyondArea(s)) continue;
    if (select->IsSampleActive() &&
        (!select->CheckSample(s) || (!here && select->GetSamplesCount(s) == 0)))
      continue;
    // A walk that starts on the sheet reads it as the files hold it now.
    if (!(here ? map->OpenList(s) : map->OpenListAfresh(s))) continue;
    if (own != nullptr && !own->OpenList(s)) continue;
    if (select->IsSampleActive()) {
      // The area search's answer, still in step, is not tested again.
      const bool areaKnown = select->AreaSampleHolds(map);
      const int steps = select->GetSamplesCount(s);
      int o;
      if (here) {
        if (view != nullptr && list.ObjectDesc(int(place->Object)) == nullptr) return 0;
        if (!select->Adjustment(int(place->Object), s, step > 0 ? SEEK_NEXT : SEEK_PREV)) continue;
        o = step > 0 ? select->GetNextSample() : select->GetPrevSample();
      } else {
        o = step > 0 ? select->GetFirstSample(s) : select->GetLastSample(s);
      }
      for (int i = 0; o != 0 && i < steps; ++i) {
        const FVSPR* d = list.ObjectDesc(o);
        if (d != nullptr && Accept(map, s, o, d, select, view, flags, areaKnown)) {
          *place = MAPOBJDESC{s, o, map};
          return 1;
        }
        o = step > 0 ? select->GetNextSample() : select->GetPrevSample();
      }
      continue;
    }
    // An area small against a large sheet: the index of the sheet's frames
    // names the objects that may pass its test, in the order of the walk.
    TSheetFrameIndex::ANSWER candidates;
    if (own == nullptr &&
        select->AreaCandidates(list, here ? LONG(place->Object) : 0, step, &candidates)) {
      if (here && list.ObjectDesc(int(place->Object)) == nullptr) return 0;
      for (int32_t i = 0; i < candidates.Count; ++i) {
        const int o = int(candidates.At(i));
        const FVSPR* d = list.ObjectDesc(o);
        // The walk ends the sheet at a descriptor it cannot read.
        if (d == nullptr) break;
        if (Accept(map, s, o, d, select, view, flags)) {
          *place = MAPOBJDESC{s, o, map};
          return 1;
        }
      }
      continue;
    }
    const FVSPR* d;
    if (here) {
      // The walk goes on from the place's object, never returning it.
      if (list.ObjectDesc(int(place->Object)) == nullptr) return 0;
      d = step > 0 ? list.NextHead() : list.PrevHead();
    } else {
      d = step > 0 ? list.GetFirstHead() : list.GetLastHead();
    }
    // What the walk meets of a small sheet's objects is kept for the
    // selects after it (SHEETPOINTS), looked up again at each object: a
    // look at the map's signals in a test may drop it.
    const bool meeting =
        own == nullptr && select->AreaSwitch && map->SheetPoints(s, list.Count()) != nullptr;
    // The count grows when the walk meets an object another writer
    // appended.
    for (int i = 0; d != nullptr && i < list.Count(); ++i) {
      const int o = list.CurrentObject;
      if (meeting)
        if (SHEETPOINTS* met = map->HeldSheetPoints(s))
          met->Meet(o, FRAME{d->X1, d->Y1, d->X2, d->Y2}, d->DataOffset);
      if (Accept(map, s, o, d, select, view, flags)) {
        *place = MAPOBJDESC{s, o, map};
        return 1;
      }
      // The tests read records through other caches: the object is still
      // the sheet's current one.
      if (list.CurrentObject != o && list.ObjectDesc(o) == nullptr) break;
      d = step > 0 ? list.NextHead() : list.PrevHead();
    }
  }
  return 0;
}

int TObjectSeek::SeekObject(MAPOBJDESC* place, TMapSelect* select, int flags) {
  if (place == nullptr) return 0;
  // Without a map to go on from, next is first and previous is last.
  if (Maps.GetMapNumber(place->Map) < 0 && (flags & (SEEK_NEXT | SEEK_PREV)))
    flags = SeekFlagsForNextMap(flags);
  int n, step, count;
  MapOrder(place, flags, &n, &step, &count);
  const int users = Maps.UserCount();
  for (int k = 0; k < count && n >= 0 && n <= users; ++k, n += step) {
    TMapSelect* s = select != nullptr ? select : Maps.GetSeekSelect(n);
    if (s != nullptr && SeekObjectInMap(n, place, s, flags)) return 1;
    flags = SeekFlagsForNextMap(flags);
  }
  return 0;
}

int TObjectSeek::SeekKeyInMap(TMap* map, MAPOBJDESC* place, const KEYSELECT* keys, int flags) {
  if (map == nullptr || place == nullptr || keys == nullptr || !map->IsActive()) return 0;
  const int direction = SeekDirection(flags);
  const bool positional = place->Map == map && place->List == keys->List;
  const bool onward = positional && (direction == SEEK_NEXT || direction == SEEK_PREV);
  if (!(onward ? map->OpenList(int(keys->List)) : map->OpenListAfresh(int(keys->List)))) return 0;
  TMapList& list = map->List;
  const int count = list.Count();
  int o, step;
  switch (direction) {
    case SEEK_NEXT:
      o = positional ? int(place->Object) + 1 : 1;
      step = 1;
      break;
    case SEEK_PREV:
      o = positional ? int(place->Object) - 1 : count;
      step = -1;
      break;
    case SEEK_LAST:
      o = count;
      step = -1;
      break;
    default:
      o = 1;
      step = 1;
      break;
  }
  for (int k = 0; k < count && o >= 1 && o <= count; ++k, o += step) {
    const FVSPR* d = list.ObjectDesc(o);
    if (d == nullptr) return 0;
    if (keys->Minimum <= d->Key && d->Key <= keys->Maximum &&
        (!FvsprIsDeleted(d) || (flags & SEEK_DELETED))) {
      *place = MAPOBJDESC{keys->List, o, map};
      return 1;
    }
  }
  return 0;
}

int TObjectSeek::SeekObject(MAPOBJDESC* place, const KEYSELECT* keys, int flags) {
  if (place == nullptr || keys == nullptr) return 0;
  if (Maps.GetMapNumber(place->Map) < 0 && (flags & (SEEK_NEXT | SEEK_PREV)))
    flags = SeekFlagsForNextMap(flags);
  int n, step, count;
  MapOrder(place, flags, &n, &step, &count);
  const int users = Maps.UserCount();
  for (int k = 0; k < count && n >= 0 && n <= users; ++k, n += step) {
    if (SeekKeyInMap(Maps.GetMap(n), place, keys, flags)) return 1;
    flags = SeekFlagsForNextMap(flags);
  }
  return 0;
}

int TObjectSeek::SeekObjectByKey(TMap* map, int sheet, DWORD key) {
  if (map == nullptr || map->SeekObjectByKey(sheet, key) == nullptr) return 0;
  return map->List.CurrentObject;
}

// ---------------------------------------------------------------------------
// The document's entries

int TMapControl::SeekObject(MAPOBJDESC* place, TMapSelect* select, int flags) {
  return TObjectSeek(TSeekMaps(this)).SeekObject(place, select, flags);
}

int TMapControl::SeekObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags) {
  return TObjectSeek(TSeekMaps(this)).SeekObjectInMap(n, place, select, flags);
}

int TMapControl::SeekViewObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags) {
  return SeekObjectInMap(n, place, select, flags | SEEK_VIEW);
}

int TMapControl::SeekObject(MAPOBJDESC* place, const KEYSELECT* keys, int flags) {
  return TObjectSeek(TSeekMaps(this)).SeekObject(place, keys, flags);
}

int TMapControl::SeekKeyInMap(TMap* map, MAPOBJDESC* place, const KEYSELECT* keys, int flags) {
  return TObjectSeek(TSeekMaps(this)).SeekKeyInMap(map, place, keys, flags);
}
