// Select contexts made for hosts and the select lists of their maps.
#include "selection/selectcontexts.h"

#include <new>

#include "common/liveset.h"
#include "platform/memory.h"

namespace {

// The first free slot of a list (1..255), 0 when none is.
int FreeSlot(const SELECTLIST* list) {
  for (int i = 1; i < SELECTLIST_SLOTS; ++i)
    if (list->Slots[i] == nullptr) return i;
  return 0;
}

void Enter(SELECTLIST* list, int slot, TMapSelect* select) {
  list->Slots[slot] = select;
  ++list->Count;
  select->Listed = list;
}

}  // namespace

TMapSelect* NewHostSelect(TMap* map) {
  void* memory = plat::AllocPages(sizeof(TMapSelect));
  if (memory == nullptr) return nullptr;
  TMapSelect* select = new (memory) TMapSelect(map);
  select->HostMade = 1;
  if (liveRegister(LIVE_SELECT, select)) return select;
  select->~TMapSelect();
  plat::FreePages(memory);
  return nullptr;
}

void FreeHostSelect(TMapSelect* select) {
  if (select == nullptr || !select->HostMade) return;
  liveUnregister(LIVE_SELECT, select);
  select->~TMapSelect();
  plat::FreePages(select);
}

TMapSelect* slCreateSelect(SELECTLIST* list) {
  if (list == nullptr) return nullptr;
  // A full list keeps its count: it still tells how many it holds.
  const int slot = FreeSlot(list);
  if (slot == 0) return nullptr;
  TMapSelect* select = NewHostSelect(static_cast<TMap*>(list->Map));
  if (select != nullptr) Enter(list, slot, select);
  return select;
}

int slAppendSelect(SELECTLIST* list, TMapSelect* select) {
  if (list == nullptr || select == nullptr || select->Map == nullptr ||
      static_cast<void*>(select->Map) != list->Map)
    return 0;
  if (select->Listed == list) return list->Count;
  if (select->Listed != nullptr) return 0;
  const int slot = FreeSlot(list);
  if (slot == 0) return 0;
  Enter(list, slot, select);
  return list->Count;
}

void slDeleteSelect(SELECTLIST* list, TMapSelect* select) {
  if (list == nullptr || select == nullptr || select->Listed != list) return;
  slLeaveSelect(select);
  FreeHostSelect(select);
}

void slLeaveSelect(TMapSelect* select) {
  if (select == nullptr || select->Listed == nullptr) return;
  SELECTLIST* list = select->Listed;
  for (int i = 1; i < SELECTLIST_SLOTS; ++i) {
    if (list->Slots[i] != select) continue;
    list->Slots[i] = nullptr;
    if (list->Count > 0) --list->Count;
    break;
  }
  select->Listed = nullptr;
}
