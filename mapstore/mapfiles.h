// A map as a group of files: copying a map with everything it needs into
// another folder, deleting a map with its sheet files and logs, and a part
// of any file mapped read-only into memory.
#pragma once

#include "types/filemapping.h"
#include "platform/win_types.h"

// Copies the map `from` as `to`: in the same folder the map file alone
// (the copy shares the source's other files); into another folder (made
// when missing) the map file, its classifier, its group file and every
// sheet's four files (a missing semantics or graphics file is skipped).
// 1, also for two names of one file; 0 when a copy fails (the files copied
// so far stay), the source does not open or a target is a file an open
// document holds (nothing written then).
int CopyMapFiles(const char* from, const char* to);
// Deletes the map `name`: the map file first (nothing else goes when it
// cannot be deleted), then every sheet's files and the group file, each
// only beside the map, the project file and the logs, and the log folder
// when it is empty. The classifier stays. 1, or 0 when the map cannot be
// opened or its file cannot be deleted.
int DeleteMapFiles(const char* name);
// Copies a file through the block copier; 0 for a null name or a target
// that is a file an open document holds (60006 shown, nothing written).
int CopyOneFile(const char* from, const char* to, int access, int share);

// Maps `length` bytes (0: to the end of the file) from `offset` of the file
// read-only: 1, or 0 with 60006 (the file cannot be opened) or 60001 (the
// mapping or view cannot be made) reported with the name. The view begins
// at the offset's 64 KB boundary and ends at the file's end at the latest.
int OpenFileMapping(const char* name, LONG length, LONG offset, FILEMAPPING* out);
void CloseFileMapping(FILEMAPPING* mapping);
// The address of `length` bytes at `offset` (counted from the offset the
// mapping was opened at); null when they do not lie inside the view.
char* ReadFileMapping(FILEMAPPING* mapping, LONG offset, LONG length);
