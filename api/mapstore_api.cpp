// The edit journal of a map: each function finds the site's journal and
// forwards to it.
#include "api/mapstore_api.h"

#include "document/mapaccess.h"
#include "mapstore/maplog.h"

namespace {

// The journal of a site's map (a user map of a document too).
TMapLog* SiteLog(HMAP hMap, HSITE hSite) {
  TMap* map = MapOfSite(hMap, hSite);
  return map != nullptr ? &map->Log : nullptr;
}

}  // namespace

MAPAPI LONG WINAPI mapLogCount(HMAP hMap, HSITE hSite) {
  return logCount(SiteLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogDate(HMAP hMap, HSITE hSite, LONG* date, LONG* time) {
  return logDate(SiteLog(hMap, hSite), date, time);
}

MAPAPI LONG WINAPI mapLogCreateAction(HMAP hMap, HSITE hSite, LONG type) {
  return logCreateAction(SiteLog(hMap, hSite), type);
}

MAPAPI LONG WINAPI mapLogPutRecord(HMAP hMap, HSITE hSite, ACTIONRECORD* record) {
  return logPutRecord(SiteLog(hMap, hSite), record);
}

MAPAPI LONG WINAPI mapLogCommitAction(HMAP hMap, HSITE hSite) {
  return logCommitAction(SiteLog(hMap, hSite), 0);
}

MAPAPI LONG WINAPI mapLogGetActionNumberByTime(HMAP hMap, HSITE hSite, LONG date, LONG time) {
  return logGetActionNumberByTime(SiteLog(hMap, hSite), date, time);
}

MAPAPI LONG WINAPI mapReadLastAction(HMAP hMap, HSITE hSite, ACTIONHEAD* head) {
  return logReadLastAction(SiteLog(hMap, hSite), head);
}

MAPAPI LONG WINAPI mapLogReadAction(HMAP hMap, HSITE hSite, LONG number, ACTIONHEAD* head) {
  return logReadAction(SiteLog(hMap, hSite), number, head);
}

MAPAPI LONG WINAPI mapLogGetActionRecord(HMAP hMap, HSITE hSite, LONG number,
                                         ACTIONRECORD* record) {
  return logGetActionRecord(SiteLog(hMap, hSite), number, record);
}

MAPAPI LONG WINAPI mapLogGetActionRecordCount(HMAP hMap, HSITE hSite) {
  return logGetActionRecordCount(SiteLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogIsWrite(HMAP hMap, HSITE hSite) {
  TMapLog* log = SiteLog(hMap, hSite);
  return log && log->File ? log->IsWrite : 0;
}

MAPAPI LONG WINAPI mapLogFlush(HMAP hMap, HSITE hSite) {
  return logFlush(SiteLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogAbolitionLastAction(HMAP hMap, HSITE hSite) {
  TMap* map = MapOfSite(hMap, hSite);
  return map ? map->AbolitionLastAction() : 0;
}
