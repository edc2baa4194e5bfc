// INI profiles with the behaviour of the Windows profile calls.
//
// - Section and key names compare without regard to case (Latin and
//   Cyrillic letters of code page 1251); the first match counts.
// - A value is the text after '=', blanks around it removed and one pair of
//   enclosing quotes (" or ') dropped. Lines beginning with ';' are comments.
// - A null section lists the section names and a null key lists the keys of
//   a section, each name followed by a zero and the list by one more zero.
//   A list that does not fit is cut, ends in two zeros, and the result is
//   size - 2. A value that does not fit is cut and the result is size - 1.
// - Writing a null value deletes the key, a null key the whole section;
//   writing all three null only flushes (every write is already on disk).
//   A write changes only the lines it must: comments, order, blank lines and
//   line endings (CRLF or LF, taken from the file; CRLF for a new file) stay
//   as they were. The new content goes to a temporary file beside the
//   profile that then replaces it, so the profile is never half written;
//   it is synced to disk first unless write-through is switched off
//   (SetWriteThroughEnabled, platform/file.h). Concurrent writers, in any
//   process, take turns under a lock on the profile. A write needs the
//   right to write the profile and fails while a handle open on it denies
//   writing (ERROR_SHARING_VIOLATION).
//   Texts with line breaks are refused (ERROR_INVALID_PARAMETER).
// - Profiles are files of the current file system (platform/vfs.h): a test
//   may keep them in memory.
// - Integers read as decimal or "0x" hexadecimal with an optional sign;
//   reading stops at the first other character. Formatting and parsing do
//   not depend on the host's locale.
// - A profile name without any folder is taken from the folder of the
//   system profile, as Windows takes it from its own folder. The system
//   profile is a file the host sets (SetSystemProfile); by default
//   $HOME/.win.ini.
#pragma once

#include <string>

#include "platform/system.h"

namespace plat {

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* fileName);
UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* fileName);
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);
// Writes the value as signed decimal text.
BOOL WritePrivateProfileIntA(const char* section, const char* key, INT value,
                             const char* fileName);

// The same over the system profile.
DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue,
                        char* buffer, DWORD size);
UINT GetProfileIntA(const char* section, const char* key, INT defaultValue);
BOOL WriteProfileStringA(const char* section, const char* key, const char* value);

// Sets the system profile's file (null or empty: the default).
void SetSystemProfile(const char* fileName);
std::string GetSystemProfile();

// Reads an integer the way the profile calls do; 0 when there are no digits.
INT ParseProfileInt(const char* text);

}  // namespace plat
