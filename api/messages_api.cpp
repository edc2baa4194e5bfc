// Errors, messages, the host message window and library settings.
#include "api/messages_api.h"

#include "common/language.h"
#include "common/messages.h"
#include "platform/ui.h"

MAPAPI int WINAPI ErrorMessageEx(HWND owner, int code, const char* name) {
  return ShowErrorMessageEx(owner, code, name);
}

MAPAPI int WINAPI ErrorMessage(int code, const char* name) { return ShowErrorMessage(code, name); }

MAPAPI int WINAPI mapErrorMessage(int code, const char* name) {
  return ShowErrorMessage(code, name);
}

MAPAPI int WINAPI mapMessageEnable(int enable) { return MessageEnableSet(enable); }

MAPAPI int WINAPI mapIsMessageEnable() { return MessageEnableGet(); }

MAPAPI int WINAPI IsMessageEnable() { return MessageEnableGet(); }

MAPAPI HWND WINAPI mapSetHandleForMessage(HWND window) { return MessageWindowSet(window); }

MAPAPI HWND WINAPI mapGetHandleForMessage() { return MessageWindowGet(); }

MAPAPI int WINAPI mapMessageBox(HWND owner, const char* text, const char* caption, unsigned flags) {
  return plat::MessageBoxA(owner, text, caption, flags);
}

MAPAPI int WINAPI SetMapAccessLanguage(int language) {
  LanguageSet(language);
  return language;
}

MAPAPI int WINAPI GetMapAccessLanguage() { return LanguageGet(); }

MAPAPI int WINAPI mapSetMapAccessLanguage(int language) { return SetMapAccessLanguage(language); }

MAPAPI int WINAPI mapGetMapAccessLanguage() { return LanguageGet(); }

MAPAPI int WINAPI mapSetPathShell(const char* fileName) {
  return fileName != nullptr ? PathShellSet(fileName) : 0;
}

MAPAPI const char* WINAPI mapGetPathShell() { return PathShellGet(); }
