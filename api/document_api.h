/* The map document as a host program sees it: opening data of any kind into
 * a new document, creating maps, closing and deleting, the visual type and
 * the scale method of painting, the map's INI file name and painting to a
 * table of drawing callbacks. A document handle (HMAP) is also the handle
 * of its main map. Every function answers 0 (a null handle, an empty text)
 * for a null, closed or foreign handle. */
#ifndef MAPCORE_API_DOCUMENT_API_H
#define MAPCORE_API_DOCUMENT_API_H

#include "types/drawcalls.h"
#include "types/maptypes.h"
#include "types/registers.h"

/* A new document with the file opened by its kind (a map or user map as
 * the main map; rasters, matrices and projects as their readers come):
 * its handle, or 0 after reporting 60007 (no such file) or 60040 (no
 * opener for the kind); nothing is left behind on failure.
 * `mode` is the access to the files: 0 (any value below 0x40000000) reads
 * and writes; otherwise its two top bits are the access, 0x80000000
 * reading only, 0xC0000000 reading and writing, and the write bit alone
 * (0x40000000) is taken as reading and writing too: what is written is
 * read first.
 * Threads: a map is used from one thread at a time, and since painting,
 * messages and fonts are shared by every document, the host makes one call
 * into the library at a time, whatever the map (README, "Threads"). */
MAPAPI HMAP WINAPI mapOpenData(const char* name, LONG mode);
/* A new document with the vector map opened as its main map (`mode` as
 * for mapOpenData). */
MAPAPI HMAP WINAPI mapOpenMap(const char* name, LONG mode);
/* A new document from a project file. */
MAPAPI HMAP WINAPI mapOpenProject(const char* name);

/* Creates a map from its registers (the map register in its 208-byte
 * form) and opens it in a new document: the handle, or 0. */
MAPAPI HMAP WINAPI mapCreateMapEx(const char* name, const char* rscname,
                                  struct MAPREGISTEREX* map, struct LISTREGISTER* sheet);
/* The same with a map register of the 128-byte form (any other length
 * word: 0). */
MAPAPI HMAP WINAPI mapCreateMap(const char* name, const char* rscname, struct MAPREGISTEREX* map,
                                struct LISTREGISTER* sheet);
/* A plan map (the scale must not be 0). */
MAPAPI HMAP WINAPI mapCreatePlane(const char* name, const char* rscname,
                                  struct CREATEPLANE* plane);
/* A user map as the main map of a new document; a scale of 0 becomes
 * 100000 and is written back into the record. */
MAPAPI HMAP WINAPI mapCreateSite(const char* name, const char* rscname, struct CREATESITE* site);
/* A temporary user map named after the classifier, deleted when closed. */
MAPAPI HMAP WINAPI mapCreateTempSite(const char* rscname);
/* A user map in the projection of the document's main map, opened into
 * the document: the user map's handle, or 0. */
MAPAPI HSITE WINAPI mapCreateAndAppendSite(HMAP hMap, const char* name, const char* rscname,
                                           struct CREATESITE* site);
/* A new sheet of the main map: 1, or 0. */
MAPAPI LONG WINAPI mapCreateList(HMAP hMap, struct LISTREGISTER* sheet);
/* Every sheet of another map appended to the main map. */
MAPAPI LONG WINAPI mapAppendMapToMap(HMAP hMap, const char* name, HWND window);

/* Rasters, elevation matrices and quality matrices opened into the
 * document: the unit's number, or 0; closing unit n (0: all): 1. */
MAPAPI LONG WINAPI mapOpenRstForMap(HMAP hMap, const char* name, LONG mode);
MAPAPI LONG WINAPI mapOpenMtrForMap(HMAP hMap, const char* name, LONG mode);
MAPAPI LONG WINAPI mapOpenMtqForMap(HMAP hMap, const char* name, LONG mode);
MAPAPI LONG WINAPI mapCloseRstForMap(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapCloseMtrForMap(HMAP hMap, LONG number);
MAPAPI LONG WINAPI mapCloseMtqForMap(HMAP hMap, LONG number);

/* Closes everything the document holds and frees it; the handle is dead
 * afterwards. */
MAPAPI void WINAPI mapCloseData(HMAP hMap);
MAPAPI void WINAPI mapCloseMap(HMAP hMap);
/* Reads again the data whose files another writer changed: 1 when
 * anything changed, else 0. */
MAPAPI LONG WINAPI mapAdjustData(HMAP hMap);
/* Deletes the main map's sheets, its logs and its file, and frees the
 * document: 1 when the map file was deleted. */
MAPAPI LONG WINAPI mapDeleteMap(HMAP hMap);
/* Saves the document as a project file. */
MAPAPI LONG WINAPI mapSaveProject(HMAP hMap, const char* name);

/* The sheet's plane corners from its geodetic corners (mode 0) or the
 * geodetic corners from the plane corners, in the map register's
 * projection: 1, or 0. CheckAndUpdate takes the 128-byte register. */
MAPAPI LONG WINAPI mapCheckAndUpdate(struct MAPREGISTEREX* map, struct LISTREGISTER* sheet,
                                     LONG mode);
MAPAPI LONG WINAPI CheckAndUpdate(struct MAPREGISTEREX* map, struct LISTREGISTER* sheet,
                                  LONG mode);

/* The visual type: 1 and 2 paint into the memory image (full colour, one
 * colour), 3 to 11 onto the device; any other value is kept and paints as
 * type 4. The setter returns the previous type. */
MAPAPI LONG WINAPI mapSetViewType(HMAP hMap, LONG type);
MAPAPI LONG WINAPI mapGetViewType(HMAP hMap);
/* How signs grow with the zoom, for every document: 0 damped (the initial
 * method), any other value the full zoom. The setter returns the old one. */
MAPAPI LONG WINAPI mapSetScaleMethod(LONG method);
MAPAPI LONG WINAPI mapGetScaleMethod(void);

/* The map's INI file name (at most 259 characters kept). */
MAPAPI const char* WINAPI mapSetMapIniName(HMAP hMap, const char* name);
MAPAPI const char* WINAPI mapGetMapIniName(HMAP hMap);

/* Paints the main map through the host's drawing callbacks
 * (types/drawcalls.h) at the given resolutions (dots per metre), the whole
 * picture at zoom 1: 1, or 0 without a handle or table. */
MAPAPI LONG WINAPI mapPaintToScript(HMAP hMap, LONG resolutionX, LONG resolutionY,
                                    DrawingCallbackTable* table);

#endif
