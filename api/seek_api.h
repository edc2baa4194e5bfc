/* The total search over a document's maps and its rules, the samples of
 * select contexts, the search by area, freezing what the searches find,
 * and the nearest points of an object.
 *
 * The total search (mapTotalSeekObject in api/object_api.h) walks the maps
 * of its map rule (-1 every map, each through its own seek select; n the
 * document's map n alone: 0 the main map, then the user maps), only what
 * the view shows while its view rule is set.
 *
 * A sample is an explicit list of chosen objects of a context, by sheet;
 * while a context has one it passes exactly the objects of its sample.
 * Sheets are named by their nomenclature, case ignored.
 *
 * Every function answers a null, closed or foreign document, context or
 * object handle, and a null required pointer, with 0 (or does nothing)
 * and changes nothing. */
#ifndef MAPCORE_API_SEEK_API_H
#define MAPCORE_API_SEEK_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* --- The total search --- */

/* The map rule; -2 for a rule naming a map no longer there. */
MAPAPI LONG WINAPI mapGetTotalSeekMapRule(HMAP hMap);
/* A rule naming no map becomes 0. */
MAPAPI void WINAPI mapSetTotalSeekMapRule(HMAP hMap, LONG rule);
MAPAPI void WINAPI mapSetTotalSeekViewRule(HMAP hMap, LONG rule);
MAPAPI LONG WINAPI mapGetTotalSeekViewRule(HMAP hMap);
/* The flag the document's painting reads to mark what the total search
 * finds. */
MAPAPI void WINAPI mapSetTotalSelectFlag(HMAP hMap, LONG flag);
MAPAPI LONG WINAPI mapGetTotalSelectFlag(HMAP hMap);
/* The first object (deleted ones too) with the key on the sheet so named
 * (trailing blanks ignored; the main map's sheets, then the user maps)
 * goes into its map's seek select's sample, which then lets every
 * localisation pass: 1, or 0. */
MAPAPI LONG WINAPI mapSetTotalSeekSample(HMAP hMap, const char* name, LONG key);
/* Every map's seek select reset (every object found); with access 0 the
 * searches then find nothing until the seek selects are changed. 1. */
MAPAPI LONG WINAPI mapSetTotalSeekAccess(HMAP hMap, LONG access);
/* Paints what the total search finds in one colour, the rectangle of the
 * picture at the device's origin: 1, or 0 when the rule's map has no seek
 * select. */
MAPAPI LONG WINAPI mapTotalPaintSelect95(HMAP hMap, HDC hdc, const RECT* rect, COLORREF colour);
/* The same into the window: its client area shows the picture from the
 * point at its top left (kind: 1 map units, 2 picture pixels, 3 plane
 * metres, 4 geodetic radians; another as 1). 0 when the point does not
 * convert or the window has no device context. */
MAPAPI LONG WINAPI mapTotalViewSelect(HMAP hMap, HWND hwnd, const DOUBLEPOINT* point,
                                      COLORREF colour, LONG kind);
/* Objects the total search finds. */
MAPAPI LONG WINAPI mapTotalSeekObjectCount(HMAP hMap);
/* The plane frame of everything the total search finds: 1, or 0 (the
 * frame untouched) when it finds nothing. */
MAPAPI LONG WINAPI mapGetTotalSeekBorder(HMAP hMap, DFRAME* frame);
/* What the total search finds is bounded at the objects there are now:
 * objects added later are not found until mapDefreezeMapContents. 1 or 0. */
MAPAPI LONG WINAPI mapFreezeMapContents(HMAP hMap);
MAPAPI LONG WINAPI mapDefreezeMapContents(HMAP hMap);

/* --- Samples --- */

/* 1 while the context's sample is in force. */
MAPAPI LONG WINAPI mapIsSample(HSELECT select);
/* Objects of the sheet in the sample. */
MAPAPI LONG WINAPI mapGetSampleCount(HSELECT select, LONG sheet);
/* The key of the n-th object (from 1) of the sheet in the sample; 0 when
 * there is none or it is deleted. */
MAPAPI LONG WINAPI mapGetSampleByNumber(HSELECT select, LONG sheet, LONG n);
/* Whether the painting still applies the conditions to sampled objects:
 * the flag it had. */
MAPAPI LONG WINAPI mapSetSampleComplex(HSELECT select, LONG flag);
/* Every object of the sheet that is not deleted goes into the sample: how
 * many went in. */
MAPAPI LONG WINAPI mapSetSampleAllObjects(HSELECT select, LONG sheet);
/* The first object (deleted ones too) with the key on the first sheet
 * whose nomenclature begins with the name (trailing blanks ignored) goes
 * into the sample: 1, or 0. */
MAPAPI LONG WINAPI mapSelectSample(HSELECT select, const char* name, LONG key);
/* The same on sheet `sheet`. */
MAPAPI LONG WINAPI mapSelectSampleByList(HSELECT select, LONG sheet, LONG key);
/* Object `object` of the sheet goes into the sample: 1, or 0. */
MAPAPI LONG WINAPI mapSelectSampleByNumber(HSELECT select, LONG sheet, LONG object);
/* The sample emptied (no longer in force). */
MAPAPI void WINAPI mapClearSample(HSELECT select);
/* As mapSetTotalSeekSample, into the view select (key 0 refused). */
MAPAPI LONG WINAPI mapSelectViewSample(HMAP hMap, const char* name, LONG key);
/* As mapSetTotalSeekSample, key 0 refused. */
MAPAPI LONG WINAPI mapSelectSeekSample(HMAP hMap, const char* name, LONG key);
/* The first object (not deleted) with the key on the sheet whose
 * nomenclature is the name leaves the sample: 1, or 0. */
MAPAPI LONG WINAPI mapUnselectSample(HSELECT select, const char* name, LONG key);
/* The same on sheet `sheet`. */
MAPAPI LONG WINAPI mapUnselectSampleByList(HSELECT select, LONG sheet, LONG key);
/* Object `object` of the sheet leaves the sample: 1, or 0. */
MAPAPI LONG WINAPI mapUnselectSampleByNumber(HSELECT select, LONG sheet, LONG object);

/* --- Areas ---
 *
 * The area is the outer contour of an object of a document's map (two
 * points at least). An object is in relation 0 with it when it lies
 * inside, touches or crosses its contour, contains it or comes within the
 * distance (metres); relation 1 the same without the distance; relation 2
 * when it lies wholly inside. `keep` keeps the other conditions (0: they
 * are reset). With `seek` the search runs at once and its finds become
 * the sample; with `view` the objects must pass the view select too. */

/* Every map's seek select takes the area; the map whose file is named
 * (case ignored; every map when none is or no name is given) is searched,
 * and the total search rules become that map and `view`. 1, or 0. */
MAPAPI LONG WINAPI mapSelectArea(HMAP hMap, HOBJ area, double distance, LONG keep,
                                 LONG relation, LONG view, const char* name, LONG seek);
/* The same for map `number` (-1 every map). */
MAPAPI LONG WINAPI mapSelectAreaEx(HMAP hMap, HOBJ area, double distance, LONG keep,
                                   LONG relation, LONG view, LONG seek, LONG number);
/* The area of every map's seek select cleared. */
MAPAPI void WINAPI mapUnselectArea(HMAP hMap);
/* The context (which needs a map) takes the area, whose outer contour must
 * be closed (its first point again at the end): the context's area switch
 * afterwards, 0 for an open contour (nothing changed). `unused` is not
 * read. */
MAPAPI LONG WINAPI mapSelectSeekArea(HSELECT select, HOBJ area, double distance, LONG keep,
                                     LONG relation, LONG unused, LONG seek);
MAPAPI void WINAPI mapUnselectSeekArea(HSELECT select);

/* --- Nearest points (plane metres) ---
 *
 * Contours (subjects) count from 0, the outer one; points from 1. */

/* The nearest point on any side of any contour of the object: the number
 * of the side's first point, 0 when there is none. */
MAPAPI LONG WINAPI mapSeekNearVirtualPoint(HMAP hMap, HOBJ info, const DOUBLEPOINT* point,
                                           DOUBLEPOINT* result);
/* The number of the object's point nearest to the point on the contour
 * (a negative subject: on any contour); 0 when there is none. */
MAPAPI LONG WINAPI mapSeekNearPoint(HOBJ info, const DOUBLEPOINT* point, LONG subject);
/* The nearest point on a side of the contour (negative: any): the number
 * of the side's first point, 0 when there is none. `hMap` is not read. */
MAPAPI LONG WINAPI mapSeekNearVirtualPointSubject(HMAP hMap, HOBJ info, LONG subject,
                                                  const DOUBLEPOINT* point, DOUBLEPOINT* result);
/* The point `distance` metres along the contour from point `start`
 * (backwards for a negative distance): the number of the first point of
 * the side it lies on, or minus the number of a point it falls on; 0 past
 * an end. */
MAPAPI LONG WINAPI mapSeekVirtualPointByDistance(HOBJ info, LONG start, double distance,
                                                 DOUBLEPOINT* result, LONG subject);

#endif
