// Documents made with a new map: a map from its registers, a plan map, a
// user map (alone or added to a document), a temporary user map; a sheet
// added to the main map, another map's sheets appended to it, the main
// map's files deleted; and the sheet corners of a register recomputed in
// its projection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "document/mapaccess.h"
#include "mapstore/mapregister.h"
#include "platform/win_types.h"

// New documents: the handle of the document with the new map open as its
// main map, or null (nothing left behind) on failure.
TMapAccess* CreateMapDocument(const char* name, const char* rscname, const MAPREGISTEREX* map,
                              const LISTREGISTER* sheet);
// The same from a map register of the 128-byte form (any other length:
// null).
TMapAccess* CreateMapDocumentOld(const char* name, const char* rscname, const void* map,
                                 const LISTREGISTER* sheet);
TMapAccess* CreatePlaneDocument(const char* name, const char* rscname, const CREATEPLANE* plane);
TMapAccess* CreateSiteDocument(const char* name, const char* rscname, CREATESITE* site);
TMapAccess* CreateTempSiteDocument(const char* rscname);

// A user map created in the projection of the document's main map and
// opened into the document: the user map's number, or 0.
int CreateAndAppendSite(TMapAccess* doc, const char* name, const char* rscname,
                        const CREATESITE* site);
// A new sheet of the main map from the register's 540 bytes after its
// length: 1, or 0.
int CreateDocumentList(TMapAccess* doc, const LISTREGISTER* sheet);
// Every sheet of another map appended to the main map: TMap::Append's
// result, 0 when the other map does not open.
int AppendMapToDocument(TMapAccess* doc, const char* name, HWND window);
// Deletes the main map's sheets with their files, destroys the document,
// and deletes the map's logs, its log folder when empty, the map file and
// its INI file. The result of deleting the map file.
int DeleteDocumentMap(TMapAccess* doc);

// The sheet's plane corners from its geodetic corners (mode 0), or the
// geodetic corners from the plane corners (any other mode), in the map
// register's projection: 1, or 0 for a null record or a projection that
// cannot be set up.
int CheckAndUpdateRegister(const MAPREGISTEREX* map, LISTREGISTER* sheet, int mode);
// The same from a map register of the 128-byte form.
int CheckAndUpdateOld(const void* map, LISTREGISTER* sheet, int mode);
