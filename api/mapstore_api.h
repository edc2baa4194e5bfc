/* The edit journal of a map, as a host program reaches it: each function
 * takes the document and the site (0 or the document itself: the main map;
 * else a user map of the document) and answers 0 when no map is found. */
#ifndef MAPCORE_API_MAPSTORE_API_H
#define MAPCORE_API_MAPSTORE_API_H

#include "types/logrecord.h"

/* Number of actions in the journal. */
MAPAPI LONG WINAPI mapLogCount(HMAP hMap, HSITE hSite);
/* Creation date (YYYYMMDD) and time (seconds since midnight, UTC) of the
 * journal; 0 when it is not open or a pointer is null. */
MAPAPI LONG WINAPI mapLogDate(HMAP hMap, HSITE hSite, LONG* date, LONG* time);
/* Opens an action of the host's type (0 to 65535), committing an open one. */
MAPAPI LONG WINAPI mapLogCreateAction(HMAP hMap, HSITE hSite, LONG type);
/* Adds a 16-byte record to the open action (alone: an action of type 0). */
MAPAPI LONG WINAPI mapLogPutRecord(HMAP hMap, HSITE hSite, ACTIONRECORD* record);
/* Commits the open action. */
MAPAPI LONG WINAPI mapLogCommitAction(HMAP hMap, HSITE hSite);
/* The first action stamped after the given date and time; 0 when none. */
MAPAPI LONG WINAPI mapLogGetActionNumberByTime(HMAP hMap, HSITE hSite, LONG date, LONG time);
/* The newest action that can be undone, its header copied out; 0 when none. */
MAPAPI LONG WINAPI mapReadLastAction(HMAP hMap, HSITE hSite, ACTIONHEAD* head);
/* Reads action n (from 1): its record count (1 when it has none), 0 on
 * failure; the action becomes the one whose records are read. */
MAPAPI LONG WINAPI mapLogReadAction(HMAP hMap, HSITE hSite, LONG number, ACTIONHEAD* head);
/* Record i (from 1) of the action read last. */
MAPAPI LONG WINAPI mapLogGetActionRecord(HMAP hMap, HSITE hSite, LONG number,
                                         ACTIONRECORD* record);
/* Record count of the action read last. */
MAPAPI LONG WINAPI mapLogGetActionRecordCount(HMAP hMap, HSITE hSite);
/* 1 when the journal can be written. */
MAPAPI LONG WINAPI mapLogIsWrite(HMAP hMap, HSITE hSite);
/* Takes back the newest action that can be undone (its objects restored
 * from the sheet's backup copies); the records undone, 0 when nothing was
 * undone. */
MAPAPI LONG WINAPI mapLogAbolitionLastAction(HMAP hMap, HSITE hSite);
/* Commits an open action and reopens the journal file. */
MAPAPI LONG WINAPI mapLogFlush(HMAP hMap, HSITE hSite);

#endif
