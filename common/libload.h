// Loading sibling and plug-in libraries by name for one entry point.
#pragma once

#include "platform/library.h"
#include "platform/win_types.h"

// Names of the sibling libraries and their entry points.
#define MAPLIB_OLDVERSION "TORVEK45.DLL"
#define MAPLIB_OLDVERSION_ENTRY "LoadOldVersionData"
#define MAPLIB_STRUCTURE "TORVELDA.DLL"
#define MAPLIB_STRUCTURE_ENTRY "vecStructureControl"

// Loads the library (the system's search; then the host application's
// folder followed by the library's file name; then the bare file name) and
// looks up the entry point. On success the module is in *module and the
// caller frees it. On failure *module is 0 and, when `report` is nonzero,
// 60107 (not found) or 60108 (no such entry point; the library is then
// unloaded) is reported with the name.
FARPROC LoadLibraryFunction(const char* name, HMODULE* module, const char* procName, int report);

// Thin wrappers: 0 for null arguments.
HMODULE LoadLibraryModule(const char* name);
FARPROC GetLibraryProc(HMODULE module, const char* procName);
BOOL FreeLibraryModule(HMODULE module);

// One call into the sibling library that converts a map of an older
// version in place: nonzero when the map's files were converted; 0 when
// the library can't be used (reported).
int CallLoadOldVersionData(const char* mapName);

// One call into the sibling library that checks a map's structure with the
// map's address, the constant 1 and the host message window; its answer,
// or 0 when the library can't be used (reported).
int CallVectorStructureControl(void* map);
