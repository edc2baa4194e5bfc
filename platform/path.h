// File names.
//
// The library's names come from Windows: folders are separated by '\', maps
// written there carry such names, and hosts pass them. Every parser here
// accepts both '\' and '/'; a name that begins with a separator is absolute,
// like one that begins with a drive ("C:"). When a name is handed to the
// operating system its bytes are kept as given, except that each '\' becomes
// '/' (OsPath): a Linux file name cannot then contain a backslash, which no
// name of the library's files does.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win_types.h"

// Sizes of the parts of a split name, terminating zero included.
enum : int {
  MAX_DRIVE = 3,
  MAX_DIR = 256,
  MAX_FNAME = 256,
  MAX_EXT = 256,
};

namespace plat {

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// True when the name begins with a drive ("C:") or a separator.
bool IsAbsolutePath(const char* path);
// True when the name begins with a drive letter and a colon.
bool HasDrive(const char* path);

// Splits a name into drive ("C:" or empty), folder (with its trailing
// separator), file name and extension (with its dot: the last dot of the
// last component). Any output may be null; each takes at most its MAX_*
// size, terminating zero included; longer parts are cut.
void SplitPath(const char* path, char* drive, char* dir, char* fname, char* ext);

// Joins the parts into `out` of `size` bytes (cut to fit, always
// terminated): a separator is added after a folder that lacks one (the kind
// the folder already uses, else '\'), a dot before an extension that lacks
// one. Null parts count as empty.
void MakePath(char* out, size_t size, const char* drive, const char* dir, const char* fname,
              const char* ext);

// Offset of the file name in `path` (just after the last separator or the
// drive's colon).
size_t FileNameOffset(const char* path);

// The name as the operating system takes it: '\' replaced by '/'.
std::string OsPath(const char* path);
// Same into a fixed buffer; false (nothing usable) when it does not fit.
bool OsPath(const char* path, char* out, size_t size);

}  // namespace plat
