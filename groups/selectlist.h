// The register of the select contexts made on a map. A map owns one; when
// the map is freed every registered context is detached from it (the
// contexts themselves belong to the host). Contexts are created and
// registered by the selection layer, which also installs the operation that
// detaches one.
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
// Detaches every registered context from the map and empties the list.
void slFree(SELECTLIST* list);

// The operation that detaches one context from its map; installed by the
// selection layer. Returns the previous one.
typedef void (*SELECTDETACH)(TMapSelect* select);
SELECTDETACH slSetDetach(SELECTDETACH detach);
