// Services a host installs or sets.
#include "api/host_api.h"

#include "platform/library.h"
#include "platform/profile.h"
#include "platform/ui.h"

MAPAPI PLATMESSAGEBOX WINAPI platSetMessageBoxHook(PLATMESSAGEBOX hook, void* context) {
  return plat::SetMessageBoxHook(hook, context);
}

MAPAPI HWND WINAPI platCreateWindow(PLATWNDPROC proc, void* context, int width, int height) {
  return plat::CreateHostWindow(proc, context, width, height);
}

MAPAPI int WINAPI platDestroyWindow(HWND window) { return plat::DestroyHostWindow(window); }

MAPAPI void WINAPI platAddLibraryFolder(const char* folder) { plat::AddLibraryFolder(folder); }

MAPAPI void WINAPI platSetSystemProfile(const char* fileName) { plat::SetSystemProfile(fileName); }
