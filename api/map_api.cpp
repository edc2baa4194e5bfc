// The map object's functions for a host.
#include "api/map_api.h"

#include "groups/mapgroups.h"
#include "document/mapaccess.h"

MAPAPI int WINAPI SetGroupObjectsAccess(int access) { return GroupAccessSet(access); }

MAPAPI int WINAPI GetGroupObjectsAccess() { return GroupAccessGet(); }

MAPAPI int WINAPI mapGetLogAccess(HMAP map, HSITE site) {
  TMap* found = MapOfSite(map, site);
  return found ? found->EditModeCopy : 0;
}

MAPAPI int WINAPI mapLogAccess(HMAP map, HSITE site, int mode) {
  TMap* found = MapOfSite(map, site);
  if (found == nullptr) return 0;
  found->WorkMode(mode);
  found->CloseList(1);
  return 1;
}
