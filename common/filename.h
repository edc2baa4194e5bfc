// Names of files that are read from other files.
//
// A map names its classifier, its group file and the four files of each
// sheet; a classifier names its image libraries; backups and copies are
// named after them. Each such name is taken as the name of a file in the
// folder of the file that names it, and is used only when it cannot reach
// anywhere else: every reader of such a name checks it here first, so a
// damaged or hostile file never makes the library open, create, write or
// delete a file outside that folder.
#pragma once

#include <cstddef>
#include <cstdint>

// 1 when the `size` bytes at `name` hold a plain file name: it ends (a zero
// byte) within them, is not empty, holds no folder separator ('/' or '\'),
// no drive or stream colon, no ".." and no control character, and does not
// end in a dot or a blank (which the file system of the maps' origin drops,
// making it another name of the same file). 0 otherwise, also for a null
// name.
int IsPlainFileName(const char* name, size_t size);

// Orders two names as the file system of the maps' origin tells them
// apart: byte by byte without regard to case (code page 1251). Negative,
// 0 or positive; a null name comes before every other.
int CompareNamesInFolder(const char* a, const char* b);
// The names CompareNamesInFolder has compared in the process (for the
// tests).
uint64_t FolderNameComparisons();
// 1 when two names name the same file of one folder (they compare equal
// above). Null names are never the same.
int IsSameNameInFolder(const char* a, const char* b);
