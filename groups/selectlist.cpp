#include "groups/selectlist.h"

#include <cstring>

void slInit(SELECTLIST* list, void* map) {
  if (!list) return;
  std::memset(list->Slots, 0, sizeof(list->Slots));
  list->Count = 0;
  list->Map = map;
}

void slFree(SELECTLIST* list) {
  if (!list) return;
  if (list->Count >= 1)
    for (int i = 1; i < SELECTLIST_SLOTS; ++i) list->Slots[i] = nullptr;
  list->Count = 0;
}
