/* Objects written across sheets, and object groups: a commit that cuts an
 * object by the sheet frames and writes its pieces as one group, walking
 * the members of a group and uniting their metrics. */
#ifndef MAPCORE_API_OBJGROUP_API_H
#define MAPCORE_API_OBJGROUP_API_H

#include "types/maptypes.h"

/* The list of objects a cutting commit wrote (an exported C++ class). */
#ifdef __cplusplus
class TNewObjectsList;
#else
typedef struct TNewObjectsList TNewObjectsList;
#endif

/* Writes the object so that every sheet keeps what lies inside its frame:
 * whole into one sheet, or cut into pieces of one group. The object number
 * after a plain commit (user map, sheet frame), 1 written whole, -1 written
 * whole into the sheet of its first point, else the pieces written; -2
 * nothing written; 0 on failure or for a null or foreign handle. */
MAPAPI LONG WINAPI mapCommitWithPlace(HOBJ info);
/* The same, the objects written (and, for an area, the percentage of area
 * the pieces lost) given in `list`; 0 for a null list. */
MAPAPI LONG WINAPI mapCommitWithPlaceForList(HOBJ info, TNewObjectsList* list);
/* 1 when the object belongs to a group. */
MAPAPI LONG WINAPI mapObjectIsGroup(HOBJ info);
/* Reads the first member of the group of `group` into `object`: object,
 * or 0. */
MAPAPI HOBJ WINAPI mapFirstObjectInGroup(HOBJ object, HOBJ group);
/* Moves `object` to the next member of its group: object, or 0 at the end.
 * `group` is not used. */
MAPAPI HOBJ WINAPI mapNextObjectInGroup(HOBJ object, HOBJ group);
/* Unites the metrics of the group's members that meet the object with its
 * metric (in memory; precision in metres): 1 united, 0 nothing united or
 * failure, -1 stopped by the host. */
MAPAPI LONG WINAPI mapUnionGroupObject(HOBJ info, double precision);

#endif
