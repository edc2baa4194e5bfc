/* Small services for a host: comparing with wildcards, dates, times,
 * angles, grouped numbers, scales and object keys as texts, short and long
 * file names, the folder of the common classifiers, and raw access to an
 * object's records. */
#ifndef MAPCORE_API_UTILITY_API_H
#define MAPCORE_API_UTILITY_API_H

#include "types/maptypes.h"

/* 2 when the text matches the pattern ('*' and '?', case and trailing
 * blanks ignored), 1, 4 or 5 when not, 0 for a null argument. */
MAPAPI LONG WINAPI mapCompareString(const char* text, const char* pattern);
/* The path shortened to at most size - 1 characters with "..\" where it was
 * cut; 0 for a missing argument or a size below 4. */
MAPAPI char* WINAPI mapPathToShort(const char* path, char* buffer, LONG size);
/* The part of `name` past the folder of `base` when it lies in it. */
MAPAPI const char* WINAPI mapBuildShortName(const char* base, const char* name);
/* `name` made whole in the folder of `base` (MAX_PATH bytes at `out`). */
MAPAPI char* WINAPI mapBuildLongName(const char* base, const char* name, char* out);
/* Dates are yyyymmdd ("dd/mm/yyyy" or "yyyy/mm/dd"), times hhmmss. */
MAPAPI LONG WINAPI mapDateToLong(const char* text);
MAPAPI LONG WINAPI mapLongToDate(LONG date, char* buffer, LONG size);
MAPAPI LONG WINAPI mapTimeToLong(const char* text);
MAPAPI LONG WINAPI mapLongToTime(LONG time, char* buffer, LONG size);
/* Degrees (decimal, or with degree, minute and second signs) and radians. */
MAPAPI double WINAPI mapAngleToRadian(const char* text);
MAPAPI LONG WINAPI mapRadianToAngle(double radians, char* buffer, LONG size);
/* Decimal numbers with their digits grouped by threes. */
MAPAPI LONG WINAPI mapLongToString(LONG value, char* buffer, LONG size);
MAPAPI LONG WINAPI mapInt64ToString(int64_t value, char* buffer, LONG size);
/* "1 : 25 000". */
MAPAPI LONG WINAPI mapScaleToString(double scale, char* buffer, LONG size);
/* Object keys as texts: format 2 one number, 1 "high/low", 0 the current. */
MAPAPI LONG WINAPI mapObjectKeyToString(DWORD key, char* buffer, LONG size, LONG format);
MAPAPI LONG WINAPI mapStringToObjectKey(const char* text, DWORD* key);
MAPAPI LONG WINAPI mapGetObjectKeyFormat(void);
MAPAPI LONG WINAPI mapSetObjectKeyFormat(LONG format);
/* The folder of the common classifiers (2 to 259 characters; a backslash
 * is added). */
MAPAPI const char* WINAPI mapSetCommonRscPath(const char* path);
MAPAPI const char* WINAPI mapGetCommonRscPath(void);
/* An object's records: the metric's kind marker, whether its metric holds
 * texts, and the addresses of its metric record, semantics record and first
 * characteristic; 0 for a null or foreign handle. */
MAPAPI LONG WINAPI sxfMetricType(HOBJ info);
MAPAPI LONG WINAPI sxfIsTextMetric(HOBJ info);
MAPAPI char* WINAPI sxfMetricAddress(HOBJ info);
MAPAPI char* WINAPI sxfSemanticBase(HOBJ info);
MAPAPI char* WINAPI sxfSemanticAddress(HOBJ info);

#endif
