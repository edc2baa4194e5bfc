/* Map objects as a host holds them: an object handle (HOBJ) is an object
 * in memory, made by these functions and released with mapFreeObject. It
 * is created empty on a map, read from a sheet by number or found by a
 * search, edited, and written back by a commit. The object record is a
 * byte form of one object that a host can keep or hand to another map.
 *
 * Every function answers a null, freed or foreign handle (an object whose
 * map was closed included), and a null required pointer, with 0 and
 * changes nothing. Sheets count from 1, object numbers within a sheet from
 * 1. */
#ifndef MAPCORE_API_OBJECT_API_H
#define MAPCORE_API_OBJECT_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/objtypes.h"

/* --- Handle life --- */

/* A new empty object of the document's main map on the sheet, with the
 * point kind asked for (METRIC_*; 0: the map's default) and text entries when
 * `text` is not 0: the handle, or 0. */
MAPAPI HOBJ WINAPI mapCreateObject(HMAP hMap, LONG sheet, LONG kind, LONG text);
/* Releases the handle; nothing for a handle that is not live. */
MAPAPI void WINAPI mapFreeObject(HOBJ info);
/* Makes the object a new empty one of its own map on the sheet: 1 or 0. */
MAPAPI LONG WINAPI mapClearObject(HOBJ info, LONG sheet, LONG kind);
/* A new handle holding a copy of the source: the handle, or 0. */
MAPAPI HOBJ WINAPI mapCreateCopyObject(HMAP hMap, HOBJ source);
/* The object becomes a copy of the source: 1 or 0. */
MAPAPI LONG WINAPI mapReadCopyObject(HOBJ info, HOBJ source);
/* The same, as a new object: number and key 0, so the next commit
 * appends it. */
MAPAPI LONG WINAPI mapCopyObjectAsNew(HOBJ info, HOBJ source);
MAPAPI HOBJ WINAPI mapCreateCopyObjectAsNew(HMAP hMap, HOBJ source);

/* --- Reading and finding --- */

/* Reads object `number` of the sheet of the map `hSite` (0 or the document
 * itself: the main map) into the handle: the handle for a live object, 1
 * for a deleted one, 0 for number 0, a number the sheet lacks or a map
 * that is not open. */
MAPAPI HOBJ WINAPI mapReadObjectByNumber(HMAP hMap, HSITE hSite, HOBJ info, LONG sheet,
                                         LONG number);
/* 1 when the object meets the select context. */
MAPAPI LONG WINAPI mapTestObject(HOBJ info, HSELECT select);

/* The searches start from the handle's object (none: from the beginning
 * or the end) and bind the handle to the object found: the handle, or 0
 * with the handle left as it was. A member of a group is found holding
 * the united metric of its group. Flags (types/objtypes.h): SEEK_FIRST,
 * SEEK_LAST, SEEK_NEXT or SEEK_PREV; SEEK_DELETED deleted objects too;
 * SEEK_THISMAP only the map of the handle or the select; SEEK_VIEW only
 * what the view shows. */
/* Every map of the document through its own seek select. */
MAPAPI HOBJ WINAPI mapSeekObject(HMAP hMap, HOBJ info, LONG flags);
/* Through the select context. */
MAPAPI HOBJ WINAPI mapSeekSelectObject(HMAP hMap, HOBJ info, HSELECT select, LONG flags);
/* Only what the view shows, through the select context (0: the seek
 * selects). */
MAPAPI HOBJ WINAPI mapSeekViewObject(HMAP hMap, HOBJ info, HSELECT select, LONG flags);
/* The total search: the maps and selects of the document's total seek
 * rules (api/seek_api.h), only what the view shows when its view rule is
 * set. */
MAPAPI HOBJ WINAPI mapTotalSeekObject(HMAP hMap, HOBJ info, LONG flags);
/* The first undeleted object with the key on the sheet of the map
 * `hSite`. */
MAPAPI HOBJ WINAPI mapSeekObjectInList(HMAP hMap, HSITE hSite, HOBJ info, LONG sheet, DWORD key);

/* The object drawn at a place of the picture: the first (SEEK_FIRST), last,
 * next or previous object whose sign, as painted at the current zoom,
 * touches the frame widened by a pixel, in the order of the searches above.
 * The frame is in the coordinate kind `place`: 1 map units, 2 picture
 * pixels, 3 plane metres, 4 latitude and longitude in radians; the host's
 * frame is left as it is. A next (previous) search from a handle without an
 * object is a first (last) one. Only maps whose visible and inquiry flags
 * are on are searched, each through its view select. The handle, or 0. */
MAPAPI HOBJ WINAPI mapWhatObject(HMAP hMap, HOBJ info, DFRAME* frame, LONG flags, LONG place);
/* The same through the select context, in its map alone. */
MAPAPI HOBJ WINAPI mapWhatObjectBySelect(HMAP hMap, HOBJ info, DFRAME* frame, HSELECT select,
                                         LONG flags, LONG place);

/* --- Adjacency --- */

/* The stretches of the source's contour that other objects touch: a
 * stretch of consecutive points which, with the midpoints of the segments
 * between them, lie within `precision` metres (+ 0.01) of another object's
 * contour. The objects near the source are sought through the select
 * context, which keeps the source as its area afterwards. */
/* The next stretch, on the outer contour alone (subjects 0) or on every
 * contour: the section count, with the section and the neighbour handle
 * filled, or 0 when there is none. A section count of 0, or flags 0, start
 * over; SEEK_NEXT with the section and neighbour of the last call goes on
 * after it, and once the search has answered 0 it goes on answering 0.
 * The neighbour is sought in its handle's map. */
MAPAPI LONG WINAPI mapSeekAdjacentObject(HMAP hMap, HOBJ neighbour, HOBJ source,
                                         MAPADJACENTSECTION* section, HSELECT select,
                                         double precision, LONG flags, LONG subjects);
/* The whole contour (every contour unless subjects is 0) cut into touched
 * and untouched stretches, in order, into at most `count` records: their
 * number, or 0. With `single` set stretches of one point are left out.
 * Neighbours are sought in the source's map. */
MAPAPI LONG WINAPI mapSeekAdjacentListEx(HMAP hMap, HOBJ source, MAPADJACENTLISTEX* list,
                                         LONG count, HSELECT select, double precision,
                                         LONG single, LONG subjects);
/* The same into the short entries of 41 bytes. */
MAPAPI LONG WINAPI mapSeekAdjacentList(HMAP hMap, HOBJ source, MAPADJACENTLIST* list, LONG count,
                                       HSELECT select, double precision, LONG single,
                                       LONG subjects);

/* --- The object record --- */

/* Bytes mapGetObjectRecord writes for the object; 0 without a map. */
MAPAPI LONG WINAPI mapGetObjectRecordLength(HOBJ info);
/* Writes the object record into the buffer: 1, or 0 when the buffer is
 * smaller than the record. */
MAPAPI LONG WINAPI mapGetObjectRecord(HOBJ info, char* buffer, LONG size);
/* Makes an object of the map `hSite` from a record of at most `size`
 * bytes, registers it by the record's code and localisation and commits
 * it (unless PUTRECORD_NOCOMMIT): the new handle (the caller releases it
 * with mapFreeObject), or 0. A record whose lengths disagree with each
 * other, with the records inside or with `size` gives 0 and changes
 * nothing. A record without points in its first contour gives the object
 * neither registered nor committed. */
MAPAPI HOBJ WINAPI mapPutObjectRecord(HMAP hMap, HSITE hSite, const char* record, LONG size,
                                      LONG flags);

/* --- Writing --- */

/* Write the object to its sheet: the object number (a new object's after
 * appending), 0 on failure. Only the parts that changed are written. */
MAPAPI LONG WINAPI mapCommit(HOBJ info);
MAPAPI LONG WINAPI mapCommitObject(HOBJ info);
/* Appends the object as a new one (number and key cleared first). */
MAPAPI LONG WINAPI mapCommitObjectAsNew(HOBJ info);
/* A new object is chained after the sheet's last object rather than after
 * the last one of its localisation. */
MAPAPI LONG WINAPI mapCommitObjectByOrder(HOBJ info);
/* Marks the object deleted in its sheet: 1 or 0. */
MAPAPI LONG WINAPI mapDeleteObject(HOBJ info);
/* Marks object `number` of the main map's sheet deleted: 1 or 0. */
MAPAPI LONG WINAPI mapDeleteObjectNumber(HMAP hMap, LONG sheet, LONG number);
MAPAPI LONG WINAPI mapDeleteObjectByNumber(HMAP hMap, LONG sheet, LONG number);
/* Clears the deleted mark and writes it: 1 or 0. */
MAPAPI LONG WINAPI mapUndeleteObject(HOBJ info);
MAPAPI LONG WINAPI mapUndeleteObjectByNumber(HMAP hMap, HSITE hSite, LONG sheet, LONG number);
/* Reads the object again from its sheet, dropping uncommitted edits: 1 or
 * 0. */
MAPAPI LONG WINAPI mapRevert(HOBJ info);
MAPAPI LONG WINAPI mapRevertObject(HOBJ info);

#endif
