/* Error messages, the message switch, the host message window and the
 * library's settings, as a host program sees them. */
#ifndef MAPCORE_API_MESSAGES_API_H
#define MAPCORE_API_MESSAGES_API_H

#include "types/hosttypes.h"
#include "types/maptypes.h"

/* Shows the message of an error code followed by `name` (a file or object
 * name, may be null) in the current language, in a task-modal box with a
 * stop icon, while messages are enabled; returns the button pressed, 0
 * while messages are disabled. A code other than 0 also goes to the host
 * message window (WM_MAP_ERROR), enabled or not: every failure the library
 * reports passes here. */
MAPAPI int WINAPI ErrorMessageEx(HWND owner, int code, const char* name);
MAPAPI int WINAPI ErrorMessage(int code, const char* name);
MAPAPI int WINAPI mapErrorMessage(int code, const char* name);

/* The message switch (on at start): the previous state; the state. */
MAPAPI int WINAPI mapMessageEnable(int enable);
MAPAPI int WINAPI mapIsMessageEnable(void);
MAPAPI int WINAPI IsMessageEnable(void);

/* The host window that receives progress (WM_MAP_PROGRESS) and the codes
 * of reported failures (WM_MAP_ERROR), types/hosttypes.h; setting returns
 * the previous one. */
MAPAPI HWND WINAPI mapSetHandleForMessage(HWND window);
MAPAPI HWND WINAPI mapGetHandleForMessage(void);

/* A message box through the host's message box hook. */
MAPAPI int WINAPI mapMessageBox(HWND owner, const char* text, const char* caption,
                                unsigned flags);

/* The library language: 1 English (at start), 2 Russian; any other value
 * is kept and reads as English. Setting returns the language set. */
MAPAPI int WINAPI SetMapAccessLanguage(int language);
MAPAPI int WINAPI GetMapAccessLanguage(void);
MAPAPI int WINAPI mapSetMapAccessLanguage(int language);
MAPAPI int WINAPI mapGetMapAccessLanguage(void);

/* The host application's folder, kept from a file name in it (its drive
 * and folder; a null name changes nothing); "" when never set. */
MAPAPI int WINAPI mapSetPathShell(const char* fileName);
MAPAPI const char* WINAPI mapGetPathShell(void);

#endif
