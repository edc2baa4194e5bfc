/* Records a host exchanges with a classifier: the description of a new
 * classifier and its palette, descriptions of object kinds, layers,
 * semantics, fonts and relations, and the frame of a turned sign. Plain
 * C99 and C++; the classifier itself is built on these definitions. Texts
 * are code page 1251, zero-padded. */
#ifndef MAPCORE_TYPES_RSCTYPES_H
#define MAPCORE_TYPES_RSCTYPES_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* Local kinds of object kinds and objects: how an object is placed and
 * painted. The map store calls an area a polygon. */
enum {
  LOCAL_LINE = 0,    /* a line through the points */
  LOCAL_SQUARE = 1,  /* an area: closed outer contour, inner contours are holes */
  LOCAL_POLYGON = LOCAL_SQUARE,
  LOCAL_POINT = 2,   /* a sign at the first point (the second gives its direction) */
  LOCAL_TITLE = 3,   /* a text along the points */
  LOCAL_VECTOR = 4,  /* a sign turned from the first point to the second */
  LOCAL_MIXED = 5    /* a template: signs and texts */
};

/* Value types of a classifier's semantics (RSCSEMANTIC.Type). Codes 2..21
 * are kept as given; the numeric codes 2..8 read back as a number. */
enum {
  RSCSEMTYPE_STRING = 0, /* a text, code page 1251 */
  RSCSEMTYPE_NUMBER = 1, /* a number (with a value list when one is appended) */
  RSCSEMTYPE_LIST = 16   /* a number chosen from a value list: stored as 1 */
};

/* How an object kind uses a semantic (mapAppendRscSemanticObject,
 * mapGetRscSemanticObjectUsed); RSCSEMUSE_BOTH asks for the obligatory
 * codes, then the possible ones. */
enum {
  RSCSEMUSE_NONE = 0,
  RSCSEMUSE_POSSIBLE = 1,
  RSCSEMUSE_OBLIGATORY = 2,
  RSCSEMUSE_LIMIT = 3, /* a limit of a series */
  RSCSEMUSE_BOTH = 4
};

#pragma pack(push, 1)

/* Description of a new classifier. */
typedef struct RSCCREATE {
  char Name[32];
  char Type[32];
  char Code[8];
  DWORD Scale;    /* 1 .. 40,000,000 */
  DWORD Language; /* 1 English, 2 Russian */
} RSCCREATE;

/* A palette of a classifier. */
typedef struct PALETTE256 {
  WORD Version; /* 0x0300 */
  WORD Count;   /* colours used, 16 .. 256 */
  DWORD Colors[256];
} PALETTE256;

/* Description of an object kind. */
typedef struct RSCOBJECT {
  DWORD Length; /* 64 */
  DWORD Excode;
  DWORD Local;  /* LOCAL_LINE .. LOCAL_MIXED */
  DWORD Segment;
  DWORD Scale;  /* scale flag */
  DWORD Direct; /* 1 forward, 2 area, 4 either way */
  DWORD Bot;    /* bottom scale denominator */
  DWORD Top;    /* top scale denominator */
  char Name[32];
} RSCOBJECT;

/* A layer record as stored: given to mapAppendRscSegment (name, short name
 * and drawing order are used). */
typedef struct RSCSEG {
  DWORD Length;
  char Name[32];
  char Short[16];
  BYTE Number;
  BYTE Order;
  WORD Count;
} RSCSEG;

/* A layer's drawing order and name. */
typedef struct RSCSEGMENT {
  DWORD Order;
  char Name[32];
} RSCSEGMENT;

/* Full description of a semantic. */
typedef struct RSCSEMANTICEX {
  DWORD Code;
  DWORD Type;    /* RSCSEMTYPE_*: RSCSEMTYPE_LIST with a value list */
  DWORD Reply;   /* may repeat in one object */
  DWORD Enable;  /* for the kind asked about: 0 not used, 1 possible,
                    2 obligatory, 3 a series limit */
  DWORD Service; /* common to every kind */
  DWORD Reserve;
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
  DWORD Size;    /* field size of a value */
  DWORD Decimal;
  char ShortName[16];
} RSCSEMANTICEX;

/* The short description of a semantic of mapAppendRscSemantic,
 * mapUpdateRscSemantic, mapRscSemanticDescribe and mapGetRscSemantic: the
 * fields of RSCSEMANTICEX up to the maximum, without the reserve; Enable
 * is not carried (0 when read). */
typedef struct RSCSEMANTIC {
  DWORD Code;
  DWORD Type;
  DWORD Reply;
  DWORD Enable;
  DWORD Service;
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
} RSCSEMANTIC;

/* The longer description of mapGetRscSemanticEx: the short one with
 * Enable carried, then the field size, the decimals and the short name. */
typedef struct RSCSEMANTICLONG {
  DWORD Code;
  DWORD Type;
  DWORD Reply;
  DWORD Enable;
  DWORD Service;
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
  DWORD Size;
  DWORD Decimal;
  char ShortName[16];
} RSCSEMANTICLONG;

/* Minimum, default and maximum of a numeric semantic. */
typedef struct RSCDEF {
  float Minimum;
  float Default;
  float Maximum;
} RSCDEF;

/* How many object kinds may carry, must carry, or are chosen by a
 * semantic. */
typedef struct APPLYSEMANTIC {
  DWORD Possible;
  DWORD Must;
  DWORD Limit;
} APPLYSEMANTIC;

/* A relation of an object kind to the title kind that labels it. */
typedef struct RSCRELATION {
  DWORD Ident; /* as stored: the related kind's ident; as described: its number */
  DWORD Code;  /* semantic code */
  char Prefix[7];
  BYTE Flag;   /* 0 .. 10 */
} RSCRELATION;

/* Public description of a font. */
typedef struct RSCFONT {
  char Face[32];
  char Name[32];
  DWORD Charset;
} RSCFONT;

/* The corners of a sign turned by an angle, in the sign's units. */
typedef struct IMAGEFRAME {
  DOUBLEPOINT Point[4];
} IMAGEFRAME;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(RSCCREATE) == 80);
static_assert(sizeof(PALETTE256) == 1028);
static_assert(sizeof(RSCOBJECT) == 64);
static_assert(sizeof(RSCSEG) == 56);
static_assert(sizeof(RSCSEGMENT) == 36);
static_assert(sizeof(RSCSEMANTICEX) == 112);
static_assert(sizeof(RSCSEMANTIC) == 84);
static_assert(sizeof(RSCSEMANTICLONG) == 108);
static_assert(sizeof(RSCDEF) == 12);
static_assert(sizeof(APPLYSEMANTIC) == 12);
static_assert(sizeof(RSCRELATION) == 16);
static_assert(sizeof(RSCFONT) == 68);
static_assert(sizeof(IMAGEFRAME) == 64);
#endif

#endif
