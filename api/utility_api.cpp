// Small services for a host, forwarded to the common services, the
// classifier's folder setting and the object's records.
#include "api/utility_api.h"

#include "classifier/rscdata.h"
#include "common/textformat.h"
#include "objects/objectinfo.h"
#include "records/semantic.h"

MAPAPI LONG WINAPI mapCompareString(const char* text, const char* pattern) {
  return CompareTemplateString(text, pattern);
}

MAPAPI char* WINAPI mapPathToShort(const char* path, char* buffer, LONG size) {
  return PathToShort(path, buffer, size);
}

MAPAPI const char* WINAPI mapBuildShortName(const char* base, const char* name) {
  return BuildShortName(base, name);
}

MAPAPI char* WINAPI mapBuildLongName(const char* base, const char* name, char* out) {
  return BuildLongName(base, name, out);
}

MAPAPI LONG WINAPI mapDateToLong(const char* text) { return DateToLong(text); }
MAPAPI LONG WINAPI mapLongToDate(LONG date, char* buffer, LONG size) {
  return LongToDate(date, buffer, size);
}
MAPAPI LONG WINAPI mapTimeToLong(const char* text) { return TimeToLong(text); }
MAPAPI LONG WINAPI mapLongToTime(LONG time, char* buffer, LONG size) {
  return LongToTime(time, buffer, size);
}
MAPAPI double WINAPI mapAngleToRadian(const char* text) { return AngleToRadian(text); }
MAPAPI LONG WINAPI mapRadianToAngle(double radians, char* buffer, LONG size) {
  return RadianToAngle(radians, buffer, size);
}
MAPAPI LONG WINAPI mapLongToString(LONG value, char* buffer, LONG size) {
  return LongToGroupedString(value, buffer, size);
}
MAPAPI LONG WINAPI mapInt64ToString(int64_t value, char* buffer, LONG size) {
  return Int64ToGroupedString(value, buffer, size);
}
MAPAPI LONG WINAPI mapScaleToString(double scale, char* buffer, LONG size) {
  return ScaleToString(scale, buffer, size);
}
MAPAPI LONG WINAPI mapObjectKeyToString(DWORD key, char* buffer, LONG size, LONG format) {
  return ObjectKeyToString(key, buffer, size, format);
}
MAPAPI LONG WINAPI mapStringToObjectKey(const char* text, DWORD* key) {
  return StringToObjectKey(text, key);
}
MAPAPI LONG WINAPI mapGetObjectKeyFormat(void) { return ObjectKeyFormatGet(); }
MAPAPI LONG WINAPI mapSetObjectKeyFormat(LONG format) { return ObjectKeyFormatSet(format); }

MAPAPI const char* WINAPI mapSetCommonRscPath(const char* path) { return CommonRscPathSet(path); }
MAPAPI const char* WINAPI mapGetCommonRscPath(void) { return CommonRscPathGet(); }

MAPAPI LONG WINAPI sxfMetricType(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object && object->Metric.Record ? LONG(object->Metric.Record->Ident) : 0;
}

MAPAPI LONG WINAPI sxfIsTextMetric(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object && object->Metric.Record && object->Metric.TextFlag ? 1 : 0;
}

MAPAPI char* WINAPI sxfMetricAddress(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? reinterpret_cast<char*>(object->Metric.Record) : nullptr;
}

MAPAPI char* WINAPI sxfSemanticBase(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object ? reinterpret_cast<char*>(object->Semn.Record()) : nullptr;
}

MAPAPI char* WINAPI sxfSemanticAddress(HOBJ info) {
  TObjectInfo* object = TObjectInfo::FromOpenHandle(info);
  return object && object->Semn.Record() ? object->Semn.Cursor()->GoFirst() : nullptr;
}
