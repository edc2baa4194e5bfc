/* Error codes of the library. 0 means no error. Every failing object keeps
 * the code of its last failure; ErrorMessage turns a code into its text. */
#ifndef MAPCORE_TYPES_MAPERR_H
#define MAPCORE_TYPES_MAPERR_H

#include "types/maptypes.h"

typedef int32_t MapErrorCode;

enum {
  MAPERR_NONE = 0,
  MAPERR_MEMORY = 60001,      /* "Memory error for file - " */
  MAPERR_DISKFULL = 60002,    /* "Disk is full - " */
  MAPERR_READ = 60003,        /* "Read fault, file - " */
  MAPERR_WRITE = 60004,       /* "Write fault , file - " */
  MAPERR_DATA = 60005,        /* "Invalid data, file - " */
  MAPERR_OPEN = 60006,        /* "Open fault, file - " */
  MAPERR_NOTFOUND = 60007,    /* "File not found - " */
  MAPERR_MANYFILES = 60020,   /* "Too many open files - " */
  MAPERR_OLDVERSION = 60030,  /* "Old version of structure - " */
  MAPERR_VERSION = 60031,     /* "Error version of  - " */
  MAPERR_INPUT = 60040,       /* "Invalid input data - " */
  MAPERR_PROJECTION = 60100,  /* unknown projection or ellipsoid kind */
  MAPERR_PROJPARAM = 60101,   /* projection parameters out of their domain */
  MAPERR_RSCCHANGED = 60104,  /* "Warning! Classificator is changed - " */
  MAPERR_RSCRANGE = 60105,    /* a number outside a classifier table's range */
  MAPERR_NOLIBRARY = 60107,   /* "Library not found - " */
  MAPERR_BADLIBRARY = 60108,  /* "Library is bad - " */
  MAPERR_MANYSHEETS = 60998,  /* "Too many sheets in map - " */
  MAPERR_CREATE = 600011      /* "Create error, file - " (six digits) */
};

#endif
