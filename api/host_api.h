/* Services a host program installs or sets: its message box, its windows,
 * the folders libraries are looked for in and the system profile. */
#ifndef MAPCORE_API_HOST_API_H
#define MAPCORE_API_HOST_API_H

#include "types/hosttypes.h"

/* Installs the host's message box (null: the built-in one, which writes
 * "caption: text" to the standard error stream and answers IDOK for OK
 * boxes, IDNO or IDCANCEL for questions). Returns the previous hook. */
MAPAPI PLATMESSAGEBOX WINAPI platSetMessageBoxHook(PLATMESSAGEBOX hook, void* context);

/* Creates a host window with a procedure and a client area of the given
 * size; destroys it (0 for an unknown window). */
MAPAPI HWND WINAPI platCreateWindow(PLATWNDPROC proc, void* context, int width, int height);
MAPAPI int WINAPI platDestroyWindow(HWND window);

/* Adds a folder in which libraries loaded by name are looked for, after
 * the folder of the name itself. */
MAPAPI void WINAPI platAddLibraryFolder(const char* folder);

/* Sets the file that stands for the system profile (null: $HOME/.win.ini). */
MAPAPI void WINAPI platSetSystemProfile(const char* fileName);

#endif
