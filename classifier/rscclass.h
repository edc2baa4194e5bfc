// Operations of the classifier class that work directly on the data block:
// the description, the bare file, the object code type, and the
// conversion of classifiers of older versions through the sibling
// library (TORVEK45.DLL).
#pragma once

#include "classifier/rscdata.h"

// Entry points of the sibling library that converts older classifiers.
#define RSCLIB_CHECKANDLOAD "CheckAndLoadOldVersionRsc"
#define RSCLIB_LOADOLD "LoadOldVersionRsc"

// Fills the description from the header and the palette from palette 1
// (version 0x0300, the header's colour count). 0 for null arguments or a
// block without a header.
int rscGetRscDescribe(const TRSCDATA* data, RSCCREATE* describe, PALETTE256* palette);

// Creates and empties the file and sets up a bare header (signature,
// version, length 328, mark). 1, or 0 with 60006.
int rscCreateRscBase(TRSCDATA* data, const char* name);

// Non-zero when a file is open (or read) and its style word names an
// older classifier version.
int rscIsOldVersion(const TRSCDATA* data);

// The object code type byte: 0 by code and local type, 1 by the key
// semantic. The setter takes only 0 and 1 (else 0) and marks the
// classifier modified.
int rscGetObjectCodeType(const TRSCDATA* data);
int rscSetObjectCodeType(TRSCDATA* data, int type);

// Converts the file `name` in place through the sibling library and opens
// it. 0, without a message, when the library or its entry is missing or
// the conversion fails; else the open result.
int rscCheckAndLoadOldVersion(TRSCDATA* data, const char* name, LONG mode);

// Opens `name` when it already holds a current classifier; otherwise has
// the sibling library write the current classifier `name` from the older
// file `oldName` and opens it. Messages are off while it runs.
int rscLoadOldVersion(TRSCDATA* data, const char* oldName, const char* name, LONG mode);
