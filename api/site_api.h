/* The user maps of a document as a host sees them: further vector maps
 * opened over or under the main map, each named by its handle (HSITE; 0
 * or the document's own handle is the main map) or, where said, by its
 * number (1 ... count in chain order; 0 the main map). A user map's handle
 * stays valid until that user map is closed.
 *
 * Every function answers a null, closed or foreign document, a handle of
 * a user map that is not in the document's chain, and a null pointer it
 * needs with 0 (an empty text, 0.0) and changes nothing. */
#ifndef MAPCORE_API_SITE_API_H
#define MAPCORE_API_SITE_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/registers.h"

/* --- The chain --- */

/* The map of a user map (of the main map for 0 or the document's handle),
 * as a handle the map functions take; 0 when it is not open. */
MAPAPI HMAP WINAPI mapGetMap(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapGetSiteCount(HMAP hMap);
/* The number of a user map, 0 when it is none of the document's. */
MAPAPI LONG WINAPI mapGetSiteNumber(HMAP hMap, HSITE hSite);
/* The handle of user map `number` (0: the document's handle). */
MAPAPI HSITE WINAPI mapGetSiteIdent(HMAP hMap, LONG number);
/* The user map whose map file has that name (case ignored); 0 for the
 * main map's own file and for none. */
MAPAPI HSITE WINAPI mapGetSiteIdentByName(HMAP hMap, const char* name);
/* The map an object belongs to: the document's handle for the main map. */
MAPAPI HSITE WINAPI mapGetObjectSiteIdent(HMAP hMap, HOBJ info);
/* Opens a vector map file as a user map (mode: the file's access, 0 read
 * and write) and rebuilds the palette: its handle (that of the user map
 * that has the file open already), or 0. */
MAPAPI HSITE WINAPI mapOpenSiteForMap(HMAP hMap, const char* name, LONG mode);
/* Closes the user map (0: every user map): 1, or 0. */
MAPAPI LONG WINAPI mapCloseSiteForMap(HMAP hMap, HSITE hSite);
/* Closes the first user map with that file name (case ignored): 1, or 0. */
MAPAPI LONG WINAPI mapCloseSiteForMapByName(HMAP hMap, const char* name);

/* --- Files --- */

/* Deletes user map `number` (its sheet with the sheet's files, the user
 * map closed, its map file and that file's name + ".ini"); number 0
 * deletes the main map and frees the document (mapDeleteMap). 1 when the
 * map file was deleted. */
MAPAPI LONG WINAPI mapDeleteSite(HMAP hMap, LONG number);
/* Deletes a map and all its files by name: 1, or 0. */
MAPAPI LONG WINAPI mapDeleteSiteByName(const char* name);
/* Copies the user map's files as `name` (beside the map when the name has
 * no folder): the sheet files become the new name with ".SHD", ".SDA",
 * ".SSE" and ".SGR", named in the copy without a folder; a sheet file the
 * map does not have is passed over. The copy is not opened. 1, or 0 (a
 * target that is one of the map's own files writes nothing; a failed copy
 * leaves nothing behind). */
MAPAPI LONG WINAPI mapCopySite(HMAP hMap, HSITE hSite, const char* name);

/* --- Facts --- */

MAPAPI const char* WINAPI mapGetSiteFileName(HMAP hMap, HSITE hSite);
/* The map's name from its register. */
MAPAPI const char* WINAPI mapGetSiteName(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapGetSiteType(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapGetSiteScale(HMAP hMap, HSITE hSite);
/* The corners of the map's frame, plane metres. */
MAPAPI double WINAPI mapGetSiteX1(HMAP hMap, HSITE hSite);
MAPAPI double WINAPI mapGetSiteY1(HMAP hMap, HSITE hSite);
MAPAPI double WINAPI mapGetSiteX2(HMAP hMap, HSITE hSite);
MAPAPI double WINAPI mapGetSiteY2(HMAP hMap, HSITE hSite);
/* The map's change counter. */
MAPAPI LONG WINAPI mapGetSiteMode(HMAP hMap, HSITE hSite);
/* Objects of a user map's sheet; of every sheet of the main map. */
MAPAPI LONG WINAPI mapGetSiteObjectCount(HMAP hMap, HSITE hSite);
/* The layers of the map's classifier. Here a site of 0 is no map: only
 * the document's handle names the main map. */
MAPAPI LONG WINAPI mapGetSiteLayerCount(HMAP hMap, HSITE hSite);
MAPAPI const char* WINAPI mapGetSiteLayerName(HMAP hMap, HSITE hSite, LONG layer);

/* --- Flags --- */

/* The stored edit and visible flags; the setters store the value and
 * return it. */
MAPAPI LONG WINAPI mapGetSiteEditFlag(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapSetSiteEditFlag(HMAP hMap, HSITE hSite, LONG flag);
MAPAPI LONG WINAPI mapGetSiteViewFlag(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapSetSiteViewFlag(HMAP hMap, HSITE hSite, LONG flag);
/* User map `number` over (1) or under (0) the main map: 0 also for the
 * main map or none; the setter stores any nonzero order as 1 and returns
 * what it stored, -1 when there is no such user map. */
MAPAPI LONG WINAPI mapGetSiteViewOrder(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapSetSiteViewOrder(HMAP hMap, LONG number, LONG order);
/* The show scales between which map `number` (0: the main map) is
 * painted; the setter needs 1 <= bottom <= top. 1, or 0. */
MAPAPI LONG WINAPI mapGetSiteRangeScaleVisible(HMAP hMap, LONG number, LONG* bottom, LONG* top);
MAPAPI LONG WINAPI mapSetSiteRangeScaleVisible(HMAP hMap, LONG number, LONG bottom, LONG top);

/* --- Passports --- */

/* The map's register and the register of `sheet` (always sheet 1 of a
 * user map): 1, or 0. */
MAPAPI LONG WINAPI mapGetSiteInfoEx(HMAP hMap, HSITE hSite, struct MAPREGISTEREX* map,
                                    struct LISTREGISTER* sheet, LONG number);
/* The same for sheet 1 with the register in its 128-byte form (Length
 * 128; only 128 bytes are written there). */
MAPAPI LONG WINAPI mapGetSiteInfo(HMAP hMap, HSITE hSite, struct MAPREGISTEREX* map,
                                  struct LISTREGISTER* sheet);
/* The length of the passport record (MAPPASSPORTRECORD): 760. */
MAPAPI LONG WINAPI mapGetMapPassportRecordLength(HMAP hMap, HSITE hSite);
/* The map's passport record into `record` of `length` bytes (760 at
 * least) for a map with a sheet: 1, or 0. */
MAPAPI LONG WINAPI mapGetMapPassportRecord(HMAP hMap, HSITE hSite, char* record, LONG length);
/* Makes the map `name` on the classifier `rscname` from a passport record
 * (760 bytes, its signature, length and inner lengths checked) and opens
 * it: as a user map of the document (its HSITE) or, for a null document,
 * as a new document (its HMAP). 0 when the record is refused (nothing is
 * created) or the map cannot be made. */
MAPAPI HMAP WINAPI mapPutMapPassportRecord(HMAP hMap, const char* name, const char* rscname,
                                           const char* record, LONG length);
/* A user map's frame from two corners of a coordinate kind (1 map units,
 * 2 picture, 3 plane metres, 4 geodetic): stored as its sheet's frame and
 * taken into the document region. 1, or 0. */
MAPAPI LONG WINAPI mapSetSiteBorder(HMAP hMap, HSITE hSite, DOUBLEPOINT* first,
                                    DOUBLEPOINT* second, LONG kind);

/* --- The classifier of a map --- */

/* Object kinds: all of them; those of a layer; of the n-th (from 1, in
 * classifier order) of a layer its name, classification code, local type
 * and internal number; the first kind of a code and local type. */
MAPAPI LONG WINAPI mapSiteRscObjectCount(HMAP hMap, HSITE hSite);
MAPAPI LONG WINAPI mapSiteRscObjectCountInLayer(HMAP hMap, HSITE hSite, LONG layer);
MAPAPI const char* WINAPI mapSiteRscObjectNameInLayer(HMAP hMap, HSITE hSite, LONG layer,
                                                      LONG n);
MAPAPI LONG WINAPI mapSiteRscObjectExcodeInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n);
MAPAPI LONG WINAPI mapSiteRscObjectLocalInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n);
MAPAPI LONG WINAPI mapSiteRscObjectCodeInLayer(HMAP hMap, HSITE hSite, LONG layer, LONG n);
MAPAPI LONG WINAPI mapSiteRscObjectCode(HMAP hMap, HSITE hSite, LONG excode, LONG local);

/* --- Objects --- */

/* A new object handle on sheet 1 of the map (free it with mapFreeObject). */
MAPAPI HOBJ WINAPI mapCreateSiteObject(HMAP hMap, HSITE hSite, LONG kind, LONG text);
/* Moves the object to the map of a user map (of any open document) or,
 * with mapChangeObjectMap, to a map of the document: 1, or 0. */
MAPAPI LONG WINAPI mapSetObjectMap(HOBJ info, HSITE hSite);
MAPAPI LONG WINAPI mapChangeObjectMap(HOBJ info, HMAP hMap, HSITE hSite);
/* Binds the object handle to the undeleted object with the key on sheet 1
 * of the map: the handle, or 0. */
MAPAPI HOBJ WINAPI mapSeekSiteObject(HMAP hMap, HSITE hSite, HOBJ info, DWORD key);
/* The searches of mapSeekSelectObject and mapSeekViewObject; for a user
 * map they keep to it. */
MAPAPI HOBJ WINAPI mapSeekSiteSelectObject(HMAP hMap, HSITE hSite, HOBJ info, HSELECT select,
                                           LONG flags);
MAPAPI HOBJ WINAPI mapSeekSiteViewObject(HMAP hMap, HSITE hSite, HOBJ info, HSELECT select,
                                         LONG flags);
/* The number of the object with the key on sheet 1, 0 when none. */
MAPAPI LONG WINAPI mapGetSiteObjectNumberByKey(HMAP hMap, HSITE hSite, DWORD key);
/* Deletes object `number` of sheet 1: 1, or 0. */
MAPAPI LONG WINAPI mapDeleteSiteObjectNumber(HMAP hMap, HSITE hSite, LONG number);
MAPAPI LONG WINAPI mapDeleteSiteObjectByNumber(HMAP hMap, HSITE hSite, LONG number);

/* --- Selects --- */

/* The map's view or seek select copied into the caller's select, or the
 * caller's into the map's (the document's selects for the main map): 1,
 * or 0. */
MAPAPI LONG WINAPI mapGetSiteViewSelect(HMAP hMap, HSITE hSite, HSELECT select);
MAPAPI LONG WINAPI mapSetSiteViewSelect(HMAP hMap, HSITE hSite, HSELECT select);
MAPAPI LONG WINAPI mapGetSiteSeekSelect(HMAP hMap, HSITE hSite, HSELECT select);
MAPAPI LONG WINAPI mapSetSiteSeekSelect(HMAP hMap, HSITE hSite, HSELECT select);
/* A new select context on the map of the site, kept in that map's list of
 * selects (free it with mapDeleteSelectContext); 0 when none is free. */
MAPAPI HSELECT WINAPI mapCreateSiteSelectContext(HMAP hMap, HSITE hSite);

/* --- Other --- */

/* A legend sample of object kind `incode` of the map's classifier, or of
 * a classifier handle, painted into the rectangle of hdc: 1, or 0. */
MAPAPI LONG WINAPI mapPaintExampleSiteObject(HMAP hMap, HSITE hSite, HDC hdc, RECT* rect,
                                             LONG incode);
MAPAPI LONG WINAPI mapPaintExampleRscObject(HMAP hMap, HRSC hRsc, HDC hdc, RECT* rect,
                                            LONG incode);
/* Appends the text to the map's log: 1 when written, else 0. */
MAPAPI LONG WINAPI mapMessageToLog(HMAP hMap, HSITE hSite, const char* text, LONG kind);
/* Has no effect; 0. */
MAPAPI LONG WINAPI mapSetSiteContext(LONG first, LONG second);

#endif
