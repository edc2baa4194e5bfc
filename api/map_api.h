// The map object's library settings, as a host program sees them.
#pragma once

#include "platform/export.h"

// Group files of maps: 1 on, 0 off (the initial state). Any non-zero value
// stores 1; both return the value stored.
MAPAPI int WINAPI SetGroupObjectsAccess(int access);
MAPAPI int WINAPI GetGroupObjectsAccess();
