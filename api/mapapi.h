// The library's exported C interface, as a host program sees it.
#pragma once

#include "platform/export.h"
#include "platform/host.h"
#include "platform/ui.h"
#include "platform/win_types.h"

// Errors, messages and the host message window.
MAPAPI int WINAPI ErrorMessageEx(HWND owner, int code, const char* name);
MAPAPI int WINAPI ErrorMessage(int code, const char* name);
MAPAPI int WINAPI IsMessageEnable();
MAPAPI int WINAPI mapErrorMessage(int code, const char* name);
MAPAPI int WINAPI mapMessageEnable(int enable);
MAPAPI int WINAPI mapIsMessageEnable();
MAPAPI HWND WINAPI mapSetHandleForMessage(HWND window);
MAPAPI HWND WINAPI mapGetHandleForMessage();
MAPAPI int WINAPI mapMessageBox(HWND owner, const char* text, const char* caption, unsigned flags);

// Library settings.
MAPAPI void WINAPI SetMapAccessLanguage(int language);
MAPAPI int WINAPI GetMapAccessLanguage();
MAPAPI int WINAPI mapSetPathShell(const char* fileName);
MAPAPI const char* WINAPI mapGetPathShell();

// Families of the interface, one header each.
#include "api/codec_api.h"
#include "api/codepage_api.h"
#include "api/records_api.h"
#include "api/common_api.h"
#include "api/mapstore_api.h"
#include "api/rscimage_api.h"
#include "api/map_api.h"
