/* Common services as a host program sees them: the log's time stamp, file
 * kinds, sibling libraries and map fonts. */
#ifndef MAPCORE_API_COMMON_API_H
#define MAPCORE_API_COMMON_API_H

#include "types/maptypes.h"

/* The current local time as "HH':'mm':'ss"; the number of characters
 * written with the terminating zero (with size 0: the size needed). */
MAPAPI int WINAPI mapGetTheTime(char* buffer, int size);

/* The kind of a file from its first four bytes or its extension; 0 when it
 * can't be read or nothing matches. */
MAPAPI LONG WINAPI mapCheckFile(const char* name);

/* Loads a library and finds an entry point; the module goes to *module
 * (0 on failure) and the caller frees it. Failures are reported. */
MAPAPI FARPROC WINAPI mapLoadLibrary(const char* name, HMODULE* module, const char* procName);
MAPAPI BOOL WINAPI mapFreeLibrary(HMODULE module);
MAPAPI FARPROC WINAPI mapGetProcAddress(HMODULE module, const char* procName);

/* Map fonts; the map handle is accepted and not used. */
MAPAPI const char* WINAPI mapGetMapFont(HMAP map, int index);
MAPAPI char* WINAPI mapGetMapFontName(HMAP map, int index, char* buffer, int size);
MAPAPI int WINAPI mapGetMapFontCharSet(HMAP map, int index);
MAPAPI int WINAPI mapGetMapFontIndex(HMAP map, const char* name);
MAPAPI int WINAPI mapSetMapFont(HMAP map, int index, const char* name);
MAPAPI int WINAPI mapSetMapFontName(HMAP map, int index, const char* name);
MAPAPI int WINAPI mapSetMapFontCharSet(HMAP map, int index, int charset);
MAPAPI const char* WINAPI GetMapFont(HMAP map, int index);
MAPAPI int WINAPI GetMapFontIndex(HMAP map, const char* name);
MAPAPI int WINAPI SetMapFont(HMAP map, int index, const char* name);

/* Fonts of the host's dialogs. */
MAPAPI const char* WINAPI mapGetDialogStringFont(void);
MAPAPI const char* WINAPI mapGetDialogTableFont(void);
MAPAPI void WINAPI mapSetDialogStringFont(const char* name);
MAPAPI void WINAPI mapSetDialogTableFont(const char* name);
MAPAPI int WINAPI mapGetDialogStringFontSize(void);
MAPAPI int WINAPI mapGetDialogTableFontSize(void);
MAPAPI int WINAPI mapSetDialogStringFontSize(int size);
MAPAPI int WINAPI mapSetDialogTableFontSize(int size);
MAPAPI const char* WINAPI GetDialogStringFont(void);
MAPAPI const char* WINAPI GetDialogTableFont(void);
MAPAPI void WINAPI SetDialogStringFont(const char* name);
MAPAPI void WINAPI SetDialogTableFont(const char* name);

#endif
