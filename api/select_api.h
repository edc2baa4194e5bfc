/* Select contexts as a host holds them: a select handle (HSELECT) is a set
 * of conditions an object must meet (layers, localisations, object kinds,
 * sheets, a key range, semantic and measurement conditions), which the
 * searches and the painting take as their filter. A context made on a
 * document's map follows that map (at most 255 a map); when the map is
 * closed the context stays a valid handle without a map. Every context
 * lives until mapDeleteSelectContext.
 *
 * Layers count from 0, localisations from 0 (LOCAL_*), object kinds are
 * classifier numbers, sheets count from 1. A condition is in force while
 * its switch is on; a fresh context lets every object pass.
 *
 * Every function answers a null, deleted or foreign handle with 0 (or does
 * nothing) and changes nothing. */
#ifndef MAPCORE_API_SELECT_API_H
#define MAPCORE_API_SELECT_API_H

#include "types/maptypes.h"
#include "types/selecttypes.h"

/* --- Contexts --- */

/* A new context on the document's main map: the handle, or 0 (255 are
 * made on the map already, or memory is short). */
MAPAPI HSELECT WINAPI mapCreateMapSelectContext(HMAP hMap);
/* A new context without a map: the handle, or 0 when memory is short. */
MAPAPI HSELECT WINAPI mapCreateSelectContext(void);
/* A new context on the source's map with the source's conditions: the
 * handle; 0 when the source has no map. */
MAPAPI HSELECT WINAPI mapCreateCopySelectContext(HSELECT source);
/* The target takes the source's conditions and map: 1. */
MAPAPI LONG WINAPI mapCopySelectContext(HSELECT target, HSELECT source);
/* Every condition off, every object selected: 1. */
MAPAPI LONG WINAPI mapClearSelectContext(HSELECT select);
/* Releases the context; the handle is no longer valid. */
MAPAPI void WINAPI mapDeleteSelectContext(HSELECT select);

/* --- Layers, sheets, object kinds, localisations ---
 *
 * With a flag: number n selected, the switch left as it is; a negative n
 * selects all and turns the condition off. Flag 0: the condition on and n
 * unselected; a negative n unselects all. */
MAPAPI void WINAPI mapSelectLayer(HSELECT select, LONG layer, LONG flag);
MAPAPI void WINAPI mapSelectList(HSELECT select, LONG sheet, LONG flag);
MAPAPI void WINAPI mapSelectObject(HSELECT select, LONG kind, LONG flag);
MAPAPI void WINAPI mapSelectLocal(HSELECT select, LONG local, LONG flag);
/* 1 when the condition is off or n is selected; 0 for a negative n while
 * it is on. */
MAPAPI LONG WINAPI mapCheckLayer(HSELECT select, LONG layer);
MAPAPI LONG WINAPI mapCheckList(HSELECT select, LONG sheet);
MAPAPI LONG WINAPI mapCheckObject(HSELECT select, LONG kind);
MAPAPI LONG WINAPI mapCheckLocal(HSELECT select, LONG local);

/* --- Object keys (unsigned, both ends included) --- */

/* The keys minimum..maximum, the condition on; -1 for both turns it off
 * (the range 0..0x7FFFFFFF kept). */
MAPAPI void WINAPI mapSelectKey(HSELECT select, LONG minimum, LONG maximum);
/* 1 when the condition is off or the key is in range; 0 for key -1 while
 * it is on. */
MAPAPI LONG WINAPI mapCheckKey(HSELECT select, LONG key);
MAPAPI LONG WINAPI mapGetMinKey(HSELECT select);
MAPAPI LONG WINAPI mapGetMaxKey(HSELECT select);

/* --- Semantic conditions (at most 64; numbered from 1) ---
 *
 * Comparisons: 0 the characteristic absent, 1 less, 2 equal, 3 at most,
 * 4 greater, 5 not equal, 6 at least, 7 present with any value. The value
 * is a text typed by the classifier (a number, a value name's code, an
 * object key as "high/low", a text). */

/* Adds a condition and turns semantics on: 1, or 0 (code 0, no value, a
 * full list). */
MAPAPI LONG WINAPI mapSelectSemanticAppend(HSELECT select, LONG condition, LONG code,
                                           const char* value);
/* Removes every condition and turns semantics off. */
MAPAPI void WINAPI mapSelectSemanticClear(HSELECT select);
MAPAPI LONG WINAPI mapSelectSemanticCount(HSELECT select);
/* The comparison of condition n; 0 when absent. */
MAPAPI LONG WINAPI mapSelectSemanticCondition(HSELECT select, LONG n);
/* The characteristic code of condition n; 0 when absent. */
MAPAPI LONG WINAPI mapSelectSemanticCode(HSELECT select, LONG n);
/* The link of the conditions, 16 any or 32 all: the flags word. */
MAPAPI LONG WINAPI mapSelectSemanticLink(HSELECT select, LONG link);
/* The link, 16 or 32. */
MAPAPI LONG WINAPI mapGetSelectSemanticLink(HSELECT select);
/* Condition n's value as text in the buffer (empty when absent): the
 * buffer; 0 without a buffer. */
MAPAPI char* WINAPI mapSelectSemanticValue(HSELECT select, LONG n, char* buffer, LONG size);
/* Removes condition n (semantics go off with the last one): 1 or 0. */
MAPAPI LONG WINAPI mapSelectSemanticDelete(HSELECT select, LONG n);

/* --- Measurement conditions (at most 100; numbered from 1) ---
 *
 * Kinds: 1 length (lines), 2 area and 3 perimeter (polygons), 10 height
 * (any point of a 3-D metric). Comparisons: 1 less, 2 equal, 3 at most,
 * 4 greater, 5 not equal, 6 at least. Values are given in plane metres
 * (square metres for areas) and kept in the map's units. */

MAPAPI LONG WINAPI mapSelectMeasureCount(HSELECT select);
/* Removes every condition and turns measures off: the handle. */
MAPAPI HSELECT WINAPI mapSelectMeasureClear(HSELECT select);
/* Adds a condition and turns measures on: 1, or 0. Without a second
 * comparison (0) the value is compared once; with one, the first must be 6
 * and the second 3 (a value between the two). The context needs a map. */
MAPAPI LONG WINAPI mapSelectMeasureAppend(HSELECT select, LONG kind, LONG comparison,
                                          double value, LONG second, double secondValue);
/* 2 when condition n compares with two values, else 1; 0 when absent. */
MAPAPI LONG WINAPI mapIsSelectMeasureRange(HSELECT select, LONG n);
/* Sets the link (16 any, 32 all): the flags word; another value is given
 * back as it is. */
MAPAPI LONG WINAPI mapSelectMeasureLink(HSELECT select, LONG link);
/* The flags word of the conditions. */
MAPAPI LONG WINAPI mapGetSelectMeasureLink(HSELECT select);
/* The kind of condition n; 0 when absent. */
MAPAPI LONG WINAPI mapSelectMeasureCode(HSELECT select, LONG n);
/* Condition n's first value, and its second when it has two and `second`
 * is given (map units): 2 when two were written, else 1; 0 when absent. */
MAPAPI LONG WINAPI mapSelectMeasureValue(HSELECT select, LONG n, double* first, double* second);
/* The same for the comparisons. */
MAPAPI LONG WINAPI mapSelectMeasureCondition(HSELECT select, LONG n, LONG* first, LONG* second);

/* --- The select record (types/selecttypes.h) --- */

/* Bytes of the context's record. */
MAPAPI LONG WINAPI mapGetSelectRecordSize(HSELECT select);
/* The record into the buffer: its size; 0 when the buffer is shorter. */
MAPAPI LONG WINAPI mapGetSelectRecord(HSELECT select, char* buffer, LONG length);
/* The context takes the record's conditions: SELECTRECORD_HEAD for a
 * record of this form, SELECTRECORD_OLDSIZE for an older one; for a record
 * of no known form every condition goes off and 0; 0 without a buffer or
 * a length, nothing changed. Names no longer known are passed over, and so
 * is a section that does not lie within the length. */
MAPAPI LONG WINAPI mapPutSelectRecord(HSELECT select, const char* buffer, LONG length);

#endif
