/* Object sets: the objects of one sheet that form a group through their
 * group semantics (GROUPSEM_LEADER and GROUPSEM_SUBORDINATE of a
 * hierarchy, GROUPSEM_EQUITABLE of a set of equal members, each holding
 * the group number; types/objtypes.h), built, extended, reorganised,
 * deleted, saved and painted as one.
 *
 * A set handle (HSET) is made by mapCreateObjectSet and released by
 * mapFreeObjectSet. The members a set gives out are object handles owned
 * by the set: the object functions take them, mapFreeObject refuses them,
 * and they die with the set. A member handle shows the set's copy of the
 * object and is valid until the set changes.
 *
 * `commit` nonzero writes the changed objects to the map at once; 0 keeps
 * the changes in the set until mapObjectSetSave. Every function answers a
 * null, freed or foreign handle (a set or object whose map was closed
 * included) with 0 and changes nothing. */
#ifndef MAPCORE_API_OBJSET_API_H
#define MAPCORE_API_OBJSET_API_H

#include "types/maptypes.h"
#include "types/geotypes.h"
#include "types/objtypes.h"

/* A new empty set, or 0. */
MAPAPI HSET WINAPI mapCreateObjectSet(void);
/* Destroys the set and the member handles it gave out. */
MAPAPI void WINAPI mapFreeObjectSet(HSET set);

/* The set of the object's group (its first group semantic), every other
 * undeleted object of its sheet holding that group a member; a hierarchy
 * found without its leader gets the object as leader (to be saved). 1, or
 * 0 for an object without group semantics. */
MAPAPI LONG WINAPI mapBuildObjectSet(HSET set, HOBJ info);
/* The same for the object's first group semantic of that code. */
MAPAPI LONG WINAPI mapBuildObjectSetByType(HSET set, HOBJ info, LONG code);
/* The select bound to the set's map, reset, and holding a sample of
 * exactly the members: 1 or 0. */
MAPAPI LONG WINAPI mapBuildSelect(HSET set, HSELECT select);

/* The number of members. */
MAPAPI LONG WINAPI mapObjectSetCount(HSET set);
/* Member n (from 1) as an object handle; 0 outside 1..count. */
MAPAPI HOBJ WINAPI mapObjectSetObject(HSET set, LONG n);
/* The union of the members' frames in plane metres: 1 or 0. */
MAPAPI LONG WINAPI mapObjectSetFramePlane(HSET set, DFRAME* frame);
/* Makes the member with that object number (0: the first that leads no
 * group) the leader; the old leader becomes a subordinate. To be saved. */
MAPAPI LONG WINAPI mapObjectSetNominateLeader(HSET set, LONG number);
/* Removes member n; removing a hierarchy's leader dissolves the group. The
 * last member takes the removed one's place. */
MAPAPI LONG WINAPI mapObjectSetClearObject(HSET set, LONG n, LONG commit);
/* Dissolves the group: the set is emptied and the members leave it. */
MAPAPI LONG WINAPI mapObjectSetClear(HSET set, LONG commit);
/* The code of the object's first group semantic (GROUPSEM_*), 0 for none;
 * `number` (may be 0) gets its group number. */
MAPAPI LONG WINAPI mapObjectSetIsGroup(HSET set, HOBJ info, LONG* number);
/* The group number the object holds under the code (GROUPSEM_*), or 0. */
MAPAPI LONG WINAPI mapObjectSetGetTypeSemn(HSET set, HOBJ info, LONG code);
/* Deletes every member from the map, the leader last. */
MAPAPI LONG WINAPI mapObjectSetDelete(HSET set);
/* Removes from the object (in memory) every group semantic holding the
 * number (0: the set's group). */
MAPAPI LONG WINAPI mapObjectSetDeleteSemantic(HSET set, HOBJ info, LONG number);
/* Draws the members on the document's picture in dc over the rectangle
 * in the colour word 0xFFFF00 (0x00BBGGRR: cyan): the leader as a line,
 * the others dashed, point objects in their own image. Every argument is
 * needed. */
MAPAPI LONG WINAPI mapPaintObjectSet(HSET set, HMAP hMap, HDC hdc, RECT* rect);
/* Writes what is pending (force: every changed member even when the set
 * has nothing pending): 1, or 0 when a write fails (a later save tries
 * again) or for an empty set that never held a group. */
MAPAPI LONG WINAPI mapObjectSetSave(HSET set, LONG force);
/* Removes the member with that object number. */
MAPAPI LONG WINAPI mapObjectSetRemoveNumber(HSET set, LONG number, LONG commit);
/* Starts a hierarchy on an empty set with the object as its leader
 * (numbered by its key; an object never written is written first). */
MAPAPI LONG WINAPI mapObjectSetAppendGeneral(HSET set, HOBJ info, LONG commit);
/* The same after dissolving the group the object leads. */
MAPAPI LONG WINAPI mapObjectSetAppendGeneralNew(HSET set, HOBJ info, LONG commit);
/* Adds the object (of the set's sheet) as a subordinate of the hierarchy,
 * leaving the group it was subordinate in. */
MAPAPI LONG WINAPI mapObjectSetAppendSubordinate(HSET set, HOBJ info, LONG commit);
/* The same after dissolving the group it was subordinate in. */
MAPAPI LONG WINAPI mapObjectSetAppendSubordinateNew(HSET set, HOBJ info, LONG commit);
/* The leader of the group (number 0: the set's own) as an object handle,
 * or 0. */
MAPAPI HOBJ WINAPI mapObjectSetFindGeneral(HSET set, LONG number);
/* Merges the group of another set into this one: mode 1 by the role the
 * object has in the other group, 2 every member of the other group joins
 * this one, 3 the other group hangs below this one. 1 or 0. */
MAPAPI LONG WINAPI mapObjectSetUnion(HSET set, HSET other, LONG mode, HOBJ info, LONG commit);

#endif
