/* Object records: semantics values, as a host program sees them. */
#ifndef MAPCORE_API_RECORDS_API_H
#define MAPCORE_API_RECORDS_API_H

#include "types/maptypes.h"

/* Compares a text with a template holding '*' and '?' wildcards, without
 * regard to case and ignoring trailing blanks: 2 match, 1 the text sorts
 * before the template, 4 after it, 5 no match, 0 for a null argument. */
MAPAPI int WINAPI mapCompareTemplateString(const char* string, const char* pattern);

#endif
