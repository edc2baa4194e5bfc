/* A map as a group of files: copying and deleting a map, copying a file,
 * and a part of a file mapped read-only into memory. */
#ifndef MAPCORE_API_MAPFILES_API_H
#define MAPCORE_API_MAPFILES_API_H

#include "types/filemapping.h"

/* Copies the map `from` as `to`: within one folder the map file alone,
 * into another folder (made when missing) also its classifier, group file
 * and every sheet's files. 1 (also for equal names), 0 on failure. */
MAPAPI LONG WINAPI CopyMap(const char* from, const char* to);
/* Deletes a map with its sheet files, group file, project file and logs
 * (the classifier stays): 1, or 0 when the map cannot be opened or its
 * file cannot be deleted (then nothing is deleted). */
MAPAPI LONG WINAPI DeleteMap(const char* name);
/* Copies a file block by block (access and share as for opening the
 * source; 0: read, shared). 1 or 0. */
MAPAPI LONG WINAPI mapCopyFile(const char* from, const char* to, LONG access, LONG share);
/* Maps `length` bytes (0: to the end) from `offset` of a file read-only;
 * 1 or 0. */
MAPAPI LONG WINAPI mapOpenTheFileMapping(const char* name, LONG length, LONG offset,
                                         FILEMAPPING* mapping);
MAPAPI void WINAPI mapCloseTheFileMapping(FILEMAPPING* mapping);
/* The address of `length` bytes at `offset` of the mapped part, 0 when
 * they lie outside it. */
MAPAPI char* WINAPI mapReadTheFileMapping(FILEMAPPING* mapping, LONG offset, LONG length);

#endif
