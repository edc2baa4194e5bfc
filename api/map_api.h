/* The map object's library settings, as a host program sees them. */
#ifndef MAPCORE_API_MAP_API_H
#define MAPCORE_API_MAP_API_H

#include "types/maptypes.h"

/* Group files of maps: 1 on, 0 off (the initial state). Any non-zero value
 * stores 1; both return the value stored. */
MAPAPI int WINAPI SetGroupObjectsAccess(int access);
MAPAPI int WINAPI GetGroupObjectsAccess(void);

/* Edit mode of a map (several users editing): the mode as last set; set it
 * and close the kept sheet files so that they reopen in the new mode. */
MAPAPI int WINAPI mapGetLogAccess(HMAP map, HSITE site);
MAPAPI int WINAPI mapLogAccess(HMAP map, HSITE site, int mode);

#endif
