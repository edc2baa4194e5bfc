// Settings of the kernel services that a host program makes through the
// library's exported interface.
#pragma once

#include "platform/export.h"

extern "C" {

// Adds a folder in which libraries loaded by name are looked for, after
// the folder of the name itself.
MAPAPI void WINAPI platAddLibraryFolder(const char* folder);

// Sets the file that stands for the system profile (null: $HOME/.win.ini).
MAPAPI void WINAPI platSetSystemProfile(const char* fileName);
}
