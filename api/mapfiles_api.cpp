// Copying and deleting maps, copying files and mapping files: forwarded to
// the map store.
#include "api/mapfiles_api.h"

#include "mapstore/mapfiles.h"

MAPAPI LONG WINAPI CopyMap(const char* from, const char* to) { return CopyMapFiles(from, to); }

MAPAPI LONG WINAPI DeleteMap(const char* name) { return DeleteMapFiles(name); }

MAPAPI LONG WINAPI mapCopyFile(const char* from, const char* to, LONG access, LONG share) {
  return CopyOneFile(from, to, access, share);
}

MAPAPI LONG WINAPI mapOpenTheFileMapping(const char* name, LONG length, LONG offset,
                                         FILEMAPPING* mapping) {
  return OpenFileMapping(name, length, offset, mapping);
}

MAPAPI void WINAPI mapCloseTheFileMapping(FILEMAPPING* mapping) { CloseFileMapping(mapping); }

MAPAPI char* WINAPI mapReadTheFileMapping(FILEMAPPING* mapping, LONG offset, LONG length) {
  return ReadFileMapping(mapping, offset, length);
}
