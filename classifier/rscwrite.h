// Writing an open classifier back into its file.
#pragma once

#include "classifier/rscdata.h"

enum : int {
  RSC_WRITE_PIECE = 32768,  // the file is written in pieces of this size
};

// The save driver below rscSaveRsc's checks: copies the file to its backup
// (".~RS" beside it), lays the whole classifier out in memory and writes it
// over the file. A save that can't make its backup is refused before the
// file is touched (a file that is still empty needs none); a write that
// fails puts the backup back. Messages 60001, 60002 and 60004 name the
// classifier's path; the block's error code is left alone. 1 or 0.
int rscWriteRsc(TRSCDATA* data);

// The classifier laid out as a file (header and tables) in a block of the
// page allocator; its size in *size. Null when memory can't be had or the
// classifier's tables are not whole. The deleted-object form is also
// applied to the records in memory.
BYTE* rscLayoutRsc(TRSCDATA* data, DWORD* size);

// The backup name of a classifier path: the extension replaced by ".~RS"
// (added to the whole name when the extension is ".~RS" already).
// False when it does not fit in `size` characters.
bool rscBackupName(const char* path, char* backup, int size);
