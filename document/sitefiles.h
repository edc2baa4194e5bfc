// The files of a user map: copying a user map under a new name,
// deleting a user map of a document with its files, and a new map made
// from a passport record.
#pragma once

#include "document/mapaccess.h"
#include "types/registers.h"

// Copies the map file of an open map and the four files of its sheet 1 to
// `name` (beside the map when the name has no drive or folder): the sheet
// files become name + ".SHD", ".SDA", ".SSE", ".SGR" and the copy's
// passport names them without a folder. A sheet file that does not exist
// is passed over (and the target of its name keeps no file). The copy is
// written under temporary names beside the targets and takes their names
// only when it is whole, so that a copy that fails leaves every file as it
// was. The copy is left closed. 1, or 0 for a map that is not open, a null
// or overlong name, a target that is a file an open document holds (its
// own map's among them) or a folder (nothing written then), or a copy,
// opening or save that failed.
int CopySite(TMap* map, const char* name);

// Deletes user map n of the document: its sheet 1 with the sheet's files,
// the user map closed, then its map file and the file of the map file's
// name with ".ini" appended. The result of deleting the map file; 0 for
// a number that names no user map.
int DeleteSite(TMapAccess* doc, int n);

// Creates the map file `name` on the classifier `rscname` from a passport
// record (its register and sheet 1's; the sheet's files are named after
// the new map, not after the map the record came from) and closes it: 1,
// or 0 for a record whose signature or lengths lie (nothing written) or a
// creation that failed (what it wrote is deleted again).
int CreateMapFromPassport(const char* name, const char* rscname, const MAPPASSPORTRECORD& record);
