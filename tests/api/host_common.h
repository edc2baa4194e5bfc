/* What the C host programs share: the check counter of the hosts built
 * against an installed tree and their builders (a new classifier and its
 * object kinds, square sheets, a map of one of them ...), found beside
 * this folder so that there is one copy. Each host is one C99 file. */
#ifndef MAPCORE_TESTS_HOST_COMMON_H
#define MAPCORE_TESTS_HOST_COMMON_H

#include "../install/pkghost_maps.h"

/* Counts a failed check in pkghost_failures; the first few are printed. */
#define CHECK(cond) PKGHOST_CHECK(cond)

#endif
