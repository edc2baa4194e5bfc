#include "common/libload.h"

#include <cstring>

#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/path.h"

HMODULE LoadLibraryModule(const char* name) {
  if (name == nullptr) return nullptr;
  return plat::LoadLibraryA(name);
}

FARPROC GetLibraryProc(HMODULE module, const char* procName) {
  if (module == nullptr || procName == nullptr) return nullptr;
  return plat::GetProcAddress(module, procName);
}

BOOL FreeLibraryModule(HMODULE module) {
  if (module == nullptr) return FALSE;
  return plat::FreeLibrary(module);
}

FARPROC LoadLibraryFunction(const char* name, HMODULE* module, const char* procName, int report) {
  if (module) *module = nullptr;
  if (name == nullptr || module == nullptr) {
    if (report) ShowErrorMessage(MAPERR_NOLIBRARY, name);
    return nullptr;
  }

  HMODULE lib = plat::LoadLibraryA(name);
  if (lib == nullptr) {
    char fname[MAX_FNAME], ext[MAX_EXT];
    plat::SplitPath(name, nullptr, nullptr, fname, ext);
    char path[MAX_PATH * 2];
    const char* shell = PathShellGet();
    if (shell && shell[0]) {
      plat::MakePath(path, sizeof(path), nullptr, shell, fname, ext);
      lib = plat::LoadLibraryA(path);
    }
    if (lib == nullptr) {
      plat::MakePath(path, sizeof(path), nullptr, nullptr, fname, ext);
      lib = plat::LoadLibraryA(path);
    }
  }
  if (lib == nullptr) {
    if (report) ShowErrorMessage(MAPERR_NOLIBRARY, name);
    return nullptr;
  }

  FARPROC proc = procName ? plat::GetProcAddress(lib, procName) : nullptr;
  if (proc == nullptr) {
    plat::FreeLibrary(lib);
    if (report) ShowErrorMessage(MAPERR_BADLIBRARY, name);
    return nullptr;
  }
  *module = lib;
  return proc;
}

int CallLoadOldVersionData(const char* mapName) {
  HMODULE lib = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_OLDVERSION, &lib, MAPLIB_OLDVERSION_ENTRY, 1);
  if (proc == nullptr) return 0;
  using Entry = int (*)(const char*);
  const int result = reinterpret_cast<Entry>(proc)(mapName);
  plat::FreeLibrary(lib);
  return result;
}

int CallVectorStructureControl(void* map) {
  HMODULE lib = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_STRUCTURE, &lib, MAPLIB_STRUCTURE_ENTRY, 1);
  if (proc == nullptr) return 0;
  using Entry = int (*)(void*, int, HWND);
  const int result = reinterpret_cast<Entry>(proc)(map, 1, MessageWindowGet());
  plat::FreeLibrary(lib);
  return result;
}
