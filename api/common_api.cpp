// Common services: time stamp, file kinds, libraries and fonts.
#include "api/common_api.h"

#include <cstring>

#include "common/filekind.h"
#include "common/libload.h"
#include "common/maperror.h"
#include "devices/fontreg.h"

MAPAPI int WINAPI mapGetTheTime(char* buffer, int size) { return MapTimeText(buffer, size); }

MAPAPI LONG WINAPI mapCheckFile(const char* name) { return CheckFileKind(name); }

MAPAPI FARPROC WINAPI mapLoadLibrary(const char* name, HMODULE* module, const char* procName) {
  return LoadLibraryFunction(name, module, procName, 1);
}

MAPAPI BOOL WINAPI mapFreeLibrary(HMODULE module) { return FreeLibraryModule(module); }

MAPAPI FARPROC WINAPI mapGetProcAddress(HMODULE module, const char* procName) {
  return GetLibraryProc(module, procName);
}

MAPAPI const char* WINAPI mapGetMapFont(HMAP, int index) { return GetMapFontName(index); }

MAPAPI char* WINAPI mapGetMapFontName(HMAP, int index, char* buffer, int size) {
  if (buffer == nullptr) return nullptr;
  if (size <= 0) return buffer;
  // Zero-filled and always terminated, also when the name is cut.
  std::memset(buffer, 0, static_cast<size_t>(size));
  const char* name = GetMapFontName(index);
  size_t n = std::strlen(name);
  if (n > static_cast<size_t>(size) - 1) n = static_cast<size_t>(size) - 1;
  std::memcpy(buffer, name, n);
  return buffer;
}

MAPAPI int WINAPI mapGetMapFontCharSet(HMAP, int index) { return GetMapFontCharSet(index); }

MAPAPI int WINAPI mapGetMapFontIndex(HMAP, const char* name) { return FindMapFontIndex(name); }

MAPAPI const char* WINAPI GetMapFont(HMAP, int index) { return GetMapFontName(index); }

MAPAPI int WINAPI GetMapFontIndex(HMAP, const char* name) { return FindMapFontIndex(name); }

// The map fonts are the library's own: they are not changed by name.
MAPAPI int WINAPI SetMapFont(HMAP, int, const char*) { return 0; }
MAPAPI int WINAPI mapSetMapFont(HMAP, int, const char*) { return 0; }
MAPAPI int WINAPI mapSetMapFontName(HMAP, int, const char*) { return 0; }
MAPAPI int WINAPI mapSetMapFontCharSet(HMAP, int, int) { return 0; }

MAPAPI const char* WINAPI mapGetDialogStringFont() { return DialogStringFont(); }
MAPAPI const char* WINAPI mapGetDialogTableFont() { return DialogTableFont(); }
MAPAPI void WINAPI mapSetDialogStringFont(const char* name) { SetDialogStringFontName(name); }
MAPAPI void WINAPI mapSetDialogTableFont(const char* name) { SetDialogTableFontName(name); }
MAPAPI const char* WINAPI GetDialogStringFont() { return DialogStringFont(); }
MAPAPI const char* WINAPI GetDialogTableFont() { return DialogTableFont(); }
MAPAPI void WINAPI SetDialogStringFont(const char* name) { SetDialogStringFontName(name); }
MAPAPI void WINAPI SetDialogTableFont(const char* name) { SetDialogTableFontName(name); }
MAPAPI int WINAPI mapGetDialogStringFontSize() { return DialogStringFontSize(); }
MAPAPI int WINAPI mapGetDialogTableFontSize() { return DialogTableFontSize(); }
MAPAPI int WINAPI mapSetDialogStringFontSize(int size) { return SetDialogStringFontSize(size); }
MAPAPI int WINAPI mapSetDialogTableFontSize(int size) { return SetDialogTableFontSize(size); }
