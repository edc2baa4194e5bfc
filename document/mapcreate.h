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

#pragma pack(push, 1)
// A plan map to create, 432 bytes.
struct CREATEPLANE {
  int32_t Length;    // not read
  char MapName[32];  // 31 characters used
  int32_t Scale;     // denominator, not 0
  int32_t Reserve;
  char Nomenclature[32];
  char ListName[32];
  char FileName[260];  // 259 characters used
  // Plane corners X, Y: south-west, north-west, north-east, south-east.
  double XSouthWest, YSouthWest, XNorthWest, YNorthWest;
  double XNorthEast, YNorthEast, XSouthEast, YSouthEast;
};

// A user map to create, 80 bytes.
struct CREATESITE {
  int32_t Length;    // not read
  char MapName[32];  // 31 characters used
  int32_t MapType;
  int32_t MaterialProjection;
  int32_t Scale;  // 0: 100000 (written back)
  double FirstMainParallel;
  double SecondMainParallel;
  double AxisMeridian;
  double MainPointParallel;
};
#pragma pack(pop)
static_assert(sizeof(CREATEPLANE) == 432);
static_assert(offsetof(CREATEPLANE, Nomenclature) == 44);
static_assert(offsetof(CREATEPLANE, FileName) == 108);
static_assert(offsetof(CREATEPLANE, XSouthWest) == 368);
static_assert(sizeof(CREATESITE) == 80);
static_assert(offsetof(CREATESITE, FirstMainParallel) == 48);

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
