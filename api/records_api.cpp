// Object records: semantics values.
#include "api/records_api.h"

#include "records/semantic.h"

MAPAPI int WINAPI mapCompareTemplateString(const char* string, const char* pattern) {
  return CompareTemplateString(string, pattern);
}
