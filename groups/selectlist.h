// The register of the select contexts made on a map. A map owns one; the
// contexts themselves belong to the host. Contexts are created and
// registered by the selection layer.
//
// Detaching goes through the map, not through this register: a context
// registered here also registers with its map as an observer
// (TMap::AddObserver) and drops the map on the map's closing notice, which
// the map sends when it is freed, before it frees this register.
#pragma once

#include "platform/win_types.h"

class TMapSelect;

enum : int { SELECTLIST_SLOTS = 256 };

struct SELECTLIST {
  int Count;                             // registered contexts
  TMapSelect* Slots[SELECTLIST_SLOTS];   // slots 1..255 used, 0 = free
  void* Map;                             // the owning map
};

// Count 0, every slot free, the map kept.
void slInit(SELECTLIST* list, void* map);
// Empties the register (the contexts have dropped the map on its closing
// notice already).
void slFree(SELECTLIST* list);
