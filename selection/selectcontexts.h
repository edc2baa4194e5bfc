// Select contexts a host holds by handle. Each is made in page memory and
// registered as a live handle; one made on a map is also entered in the
// map's select list (at most 255 a map), which it leaves when it is
// destroyed, when it is bound to another map and when its map is freed.
// A context made without a map belongs to the host alone.
#pragma once

#include "groups/selectlist.h"
#include "selection/mapselect.h"

// A new context on the map (null: without one), registered as a live
// handle but in no list: null when memory is short.
TMapSelect* NewHostSelect(TMap* map);
// Destroys a context made by NewHostSelect (out of its list and of the
// live handles first) and returns its memory; nothing for any other.
void FreeHostSelect(TMapSelect* select);

// A new context on the list's map in the list's first free slot (1..255),
// the count raised. A full list, or short memory, gives null with nothing
// registered.
TMapSelect* slCreateSelect(SELECTLIST* list);
// Enters a context of the list's map in the first free slot: the new
// count; 0 when the list is full, the context has no map or another one,
// or it is in another list.
int slAppendSelect(SELECTLIST* list, TMapSelect* select);
// A context of the list leaves it, is destroyed and its memory returned;
// nothing happens for one the list does not hold.
void slDeleteSelect(SELECTLIST* list, TMapSelect* select);
// The context leaves the list that holds it (it stays alive).
void slLeaveSelect(TMapSelect* select);
