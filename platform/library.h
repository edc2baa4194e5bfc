// Loading libraries by name and finding their entry points.
//
// A Windows name such as "X.DLL" (with or without a folder) stands for a
// shared object libx.so, x.so or X.so; each candidate is looked for without
// regard to case in the name's own folder, then in the folders the host adds
// (AddLibraryFolder), and at last left to the dynamic linker's own search.
// A name with another extension (an image plug-in "X.IML") is first looked
// for as it is.
//
// Libraries may also be provided in-process: a provider registered under a
// name answers LoadLibraryA for that name (in any folder, with or without
// ".DLL") before any file is looked for. Tests use it to offer a fake
// sibling library, one without the expected entry point, or to make a
// library missing whatever is installed.
//
// HMODULE values are registered handles; a library loaded twice gives the
// same handle and needs two FreeLibrary calls. Errors: ERROR_MOD_NOT_FOUND
// (126) for a library not found, ERROR_BAD_EXE_FORMAT when a file was found
// that is no shared object, ERROR_PROC_NOT_FOUND (127) for a missing entry
// point, ERROR_INVALID_HANDLE for a handle that is not a loaded library.
#pragma once

#include <cstddef>

#include "platform/system.h"

// An entry point is a FARPROC (types/maptypes.h); callers cast it to
// the entry's real type (a function type without parameters, so that the
// casts draw no warning).

namespace plat {

struct LibraryEntry {
  const char* name;
  FARPROC proc;
};

// Turns any function pointer into a FARPROC for a provider's table, and back.
template <class F>
FARPROC LibraryProc(F* function) {
  return reinterpret_cast<FARPROC>(function);
}
template <class F>
F EntryAs(FARPROC proc) {
  return reinterpret_cast<F>(proc);
}

HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);

// Folders searched after the name's own folder, in the order added.
void AddLibraryFolder(const char* folder);
void ClearLibraryFolders();

// Registers (or replaces) an in-process library under a name such as
// "TORVEK45.DLL"; the entries are copied. A library already loaded from an
// earlier registration keeps its entries until it is freed.
void RegisterLibraryProvider(const char* name, const LibraryEntry* entries, size_t count);
// Makes LoadLibraryA of the name fail with ERROR_MOD_NOT_FOUND.
void RegisterMissingLibrary(const char* name);
// Removes a registration of either kind.
void UnregisterLibraryProvider(const char* name);

}  // namespace plat
