// The edit journal of a map: each function finds the site's journal and
// forwards to it.
#include "api/mapstore_api.h"

#include "mapstore/map.h"
#include "mapstore/maplog.h"

MAPAPI LONG WINAPI mapLogCount(HMAP hMap, HSITE hSite) {
  return logCount(FindMapLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogDate(HMAP hMap, HSITE hSite, LONG* date, LONG* time) {
  return logDate(FindMapLog(hMap, hSite), date, time);
}

MAPAPI LONG WINAPI mapLogCreateAction(HMAP hMap, HSITE hSite, LONG type) {
  return logCreateAction(FindMapLog(hMap, hSite), type);
}

MAPAPI LONG WINAPI mapLogPutRecord(HMAP hMap, HSITE hSite, ACTIONRECORD* record) {
  return logPutRecord(FindMapLog(hMap, hSite), record);
}

MAPAPI LONG WINAPI mapLogCommitAction(HMAP hMap, HSITE hSite) {
  return logCommitAction(FindMapLog(hMap, hSite), 0);
}

MAPAPI LONG WINAPI mapLogGetActionNumberByTime(HMAP hMap, HSITE hSite, LONG date, LONG time) {
  return logGetActionNumberByTime(FindMapLog(hMap, hSite), date, time);
}

MAPAPI LONG WINAPI mapReadLastAction(HMAP hMap, HSITE hSite, ACTIONHEAD* head) {
  return logReadLastAction(FindMapLog(hMap, hSite), head);
}

MAPAPI LONG WINAPI mapLogReadAction(HMAP hMap, HSITE hSite, LONG number, ACTIONHEAD* head) {
  return logReadAction(FindMapLog(hMap, hSite), number, head);
}

MAPAPI LONG WINAPI mapLogGetActionRecord(HMAP hMap, HSITE hSite, LONG number,
                                         ACTIONRECORD* record) {
  return logGetActionRecord(FindMapLog(hMap, hSite), number, record);
}

MAPAPI LONG WINAPI mapLogGetActionRecordCount(HMAP hMap, HSITE hSite) {
  return logGetActionRecordCount(FindMapLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogIsWrite(HMAP hMap, HSITE hSite) {
  TMapLog* log = FindMapLog(hMap, hSite);
  return log && log->File ? log->IsWrite : 0;
}

MAPAPI LONG WINAPI mapLogFlush(HMAP hMap, HSITE hSite) {
  return logFlush(FindMapLog(hMap, hSite));
}

MAPAPI LONG WINAPI mapLogAbolitionLastAction(HMAP hMap, HSITE hSite) {
  TMap* map = FindLiveMap(hMap, hSite);
  return map ? map->AbolitionLastAction() : 0;
}
