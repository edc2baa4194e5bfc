/* Error codes of the library. 0 means no error. Every failing object keeps
 * the code of its last failure; ErrorMessage turns a code into its text
 * (each code below has one in both languages). A host reads a classifier's
 * code with mapGetRscError; the code of every failure the library reports
 * also reaches the host message window as message 1415 (types/hosttypes.h). */
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

/* Writing an object across sheets and uniting a group. */
enum {
  OBJECT_ERR_OUTSIDE = 60102, /* the object lies outside every sheet */
  OBJECT_ERR_PIECE = 60103,   /* a piece of the object could not be written */
  OBJECT_ERR_UNION = 60109    /* a metric too large to unite */
};

/* Crossing, cutting and uniting contours. */
enum {
  GEOMETRY_ERR_METRIC = 60109, /* a metric that cannot be searched (16 MB or more) */
  GEOMETRY_ERR_APART = 60110,  /* the contours neither cross nor contain each other */
  GEOMETRY_ERR_OPEN = 60111,   /* an area whose outer contour is open */
  GEOMETRY_ERR_LARGE = 60112,  /* the union reached 16 MB */
  GEOMETRY_ERR_PIECE = 60113   /* a traced area piece that cannot be closed */
};

/* Editing a classifier (mapGetRscError). */
enum {
  RSCERR_EXIST = 60200,     /* an object kind with this code and local kind exists */
  RSCERR_APPEND = 60201,    /* the kind could not be appended */
  RSCERR_PARM = 60202,      /* a bad description of a kind or a bad argument */
  RSCERR_SEGNAME = 60203,   /* a layer of that name exists */
  RSCERR_SEMRANGE = 60205,  /* a semantic code outside 1..65500 */
  RSCERR_SEMSYSTEM = 60206, /* a system semantic or one a series uses */
  RSCERR_SEMEXIST = 60207,  /* the semantic code is already used */
  RSCERR_SEMTYPE = 60208,   /* a series semantic given another type */
  RSCERR_SEMREPLY = 60209,  /* a series semantic given another repeat flag */
  RSCERR_SEMDEF = 60210     /* minimum above default, or default above maximum */
};

#endif
