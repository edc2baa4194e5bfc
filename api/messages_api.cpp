// Errors, messages, the host message window and library settings.
#include "common/language.h"
#include "common/messages.h"
#include "api/mapapi.h"
#include "platform/ui.h"

MAPAPI int WINAPI mapErrorMessage(int code, const char* name) { return ErrorMessage(code, name); }

MAPAPI int WINAPI mapMessageEnable(int enable) { return MessageEnableSet(enable); }

MAPAPI int WINAPI mapIsMessageEnable() { return MessageEnableGet(); }

MAPAPI HWND WINAPI mapSetHandleForMessage(HWND window) { return MessageWindowSet(window); }

MAPAPI HWND WINAPI mapGetHandleForMessage() { return MessageWindowGet(); }

MAPAPI int WINAPI mapMessageBox(HWND owner, const char* text, const char* caption, unsigned flags) {
  return plat::MessageBoxA(owner, text, caption, flags);
}

MAPAPI int WINAPI mapSetPathShell(const char* fileName) { return PathShellSet(fileName); }

MAPAPI const char* WINAPI mapGetPathShell() { return PathShellGet(); }
