/* What the hosts built with pkg-config alone share: a check counter and
 * the exit status it gives. Plain C99 and C++; each host is one file that
 * includes this beside the installed headers. */
#ifndef MAPCORE_TESTS_PKGHOST_H
#define MAPCORE_TESTS_PKGHOST_H

#include <stdio.h>

static int pkghost_failures = 0;

/* Counts a failed check; the first twenty are printed. */
#define PKGHOST_CHECK(cond)                                                \
  do {                                                                     \
    if (!(cond) && ++pkghost_failures <= 20)                               \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);   \
  } while (0)

/* The exit status of a host: 0 when every check held. */
static inline int PkgHostExit(const char* name) {
  if (pkghost_failures) fprintf(stderr, "%s: %d checks failed\n", name, pkghost_failures);
  else printf("%s passed\n", name);
  return pkghost_failures ? 1 : 0;
}

#endif
