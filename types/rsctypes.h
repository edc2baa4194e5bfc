/* Records a host exchanges with a classifier: the description of a new
 * classifier and its palette, descriptions of object kinds, layers,
 * semantics, fonts and relations, and the frame of a turned sign. Plain
 * C99 and C++; the classifier itself is built on these definitions. Texts
 * are code page 1251, zero-padded. */
#ifndef MAPCORE_TYPES_RSCTYPES_H
#define MAPCORE_TYPES_RSCTYPES_H

#include "types/geotypes.h"
#include "types/maptypes.h"
#include "types/layout.h"

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
MC_PLACE(RSCCREATE, Name, 0);
MC_PLACE(RSCCREATE, Type, 32);
MC_PLACE(RSCCREATE, Code, 64);
MC_PLACE(RSCCREATE, Scale, 72);
MC_PLACE(RSCCREATE, Language, 76);
MC_SIZE(RSCCREATE, 80);

/* A palette of a classifier. */
typedef struct PALETTE256 {
  WORD Version; /* 0x0300 */
  WORD Count;   /* colours used, 16 .. 256 */
  DWORD Colors[256];
} PALETTE256;
MC_PLACE(PALETTE256, Version, 0);
MC_PLACE(PALETTE256, Count, 2);
MC_PLACE(PALETTE256, Colors, 4);
MC_SIZE(PALETTE256, 1028);

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
MC_PLACE(RSCOBJECT, Length, 0);
MC_PLACE(RSCOBJECT, Excode, 4);
MC_PLACE(RSCOBJECT, Local, 8);
MC_PLACE(RSCOBJECT, Segment, 12);
MC_PLACE(RSCOBJECT, Scale, 16);
MC_PLACE(RSCOBJECT, Direct, 20);
MC_PLACE(RSCOBJECT, Bot, 24);
MC_PLACE(RSCOBJECT, Top, 28);
MC_PLACE(RSCOBJECT, Name, 32);
MC_SIZE(RSCOBJECT, 64);

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
MC_PLACE(RSCSEG, Length, 0);
MC_PLACE(RSCSEG, Name, 4);
MC_PLACE(RSCSEG, Short, 36);
MC_PLACE(RSCSEG, Number, 52);
MC_PLACE(RSCSEG, Order, 53);
MC_PLACE(RSCSEG, Count, 54);
MC_SIZE(RSCSEG, 56);

/* A layer's drawing order and name. */
typedef struct RSCSEGMENT {
  DWORD Order;
  char Name[32];
} RSCSEGMENT;
MC_PLACE(RSCSEGMENT, Order, 0);
MC_PLACE(RSCSEGMENT, Name, 4);
MC_SIZE(RSCSEGMENT, 36);

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
MC_PLACE(RSCSEMANTICEX, Code, 0);
MC_PLACE(RSCSEMANTICEX, Type, 4);
MC_PLACE(RSCSEMANTICEX, Reply, 8);
MC_PLACE(RSCSEMANTICEX, Enable, 12);
MC_PLACE(RSCSEMANTICEX, Service, 16);
MC_PLACE(RSCSEMANTICEX, Reserve, 20);
MC_PLACE(RSCSEMANTICEX, Name, 24);
MC_PLACE(RSCSEMANTICEX, Unit, 56);
MC_PLACE(RSCSEMANTICEX, Minimum, 64);
MC_PLACE(RSCSEMANTICEX, Default, 72);
MC_PLACE(RSCSEMANTICEX, Maximum, 80);
MC_PLACE(RSCSEMANTICEX, Size, 88);
MC_PLACE(RSCSEMANTICEX, Decimal, 92);
MC_PLACE(RSCSEMANTICEX, ShortName, 96);
MC_SIZE(RSCSEMANTICEX, 112);

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
MC_PLACE(RSCSEMANTIC, Code, 0);
MC_PLACE(RSCSEMANTIC, Type, 4);
MC_PLACE(RSCSEMANTIC, Reply, 8);
MC_PLACE(RSCSEMANTIC, Enable, 12);
MC_PLACE(RSCSEMANTIC, Service, 16);
MC_PLACE(RSCSEMANTIC, Name, 20);
MC_PLACE(RSCSEMANTIC, Unit, 52);
MC_PLACE(RSCSEMANTIC, Minimum, 60);
MC_PLACE(RSCSEMANTIC, Default, 68);
MC_PLACE(RSCSEMANTIC, Maximum, 76);
MC_SIZE(RSCSEMANTIC, 84);

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
MC_PLACE(RSCSEMANTICLONG, Code, 0);
MC_PLACE(RSCSEMANTICLONG, Type, 4);
MC_PLACE(RSCSEMANTICLONG, Reply, 8);
MC_PLACE(RSCSEMANTICLONG, Enable, 12);
MC_PLACE(RSCSEMANTICLONG, Service, 16);
MC_PLACE(RSCSEMANTICLONG, Name, 20);
MC_PLACE(RSCSEMANTICLONG, Unit, 52);
MC_PLACE(RSCSEMANTICLONG, Minimum, 60);
MC_PLACE(RSCSEMANTICLONG, Default, 68);
MC_PLACE(RSCSEMANTICLONG, Maximum, 76);
MC_PLACE(RSCSEMANTICLONG, Size, 84);
MC_PLACE(RSCSEMANTICLONG, Decimal, 88);
MC_PLACE(RSCSEMANTICLONG, ShortName, 92);
MC_SIZE(RSCSEMANTICLONG, 108);

/* Minimum, default and maximum of a numeric semantic. */
typedef struct RSCDEF {
  float Minimum;
  float Default;
  float Maximum;
} RSCDEF;
MC_PLACE(RSCDEF, Minimum, 0);
MC_PLACE(RSCDEF, Default, 4);
MC_PLACE(RSCDEF, Maximum, 8);
MC_SIZE(RSCDEF, 12);

/* How many object kinds may carry, must carry, or are chosen by a
 * semantic. */
typedef struct APPLYSEMANTIC {
  DWORD Possible;
  DWORD Must;
  DWORD Limit;
} APPLYSEMANTIC;
MC_PLACE(APPLYSEMANTIC, Possible, 0);
MC_PLACE(APPLYSEMANTIC, Must, 4);
MC_PLACE(APPLYSEMANTIC, Limit, 8);
MC_SIZE(APPLYSEMANTIC, 12);

/* A relation of an object kind to the title kind that labels it. */
typedef struct RSCRELATION {
  DWORD Ident; /* as stored: the related kind's ident; as described: its number */
  DWORD Code;  /* semantic code */
  char Prefix[7];
  BYTE Flag;   /* 0 .. 10 */
} RSCRELATION;
MC_PLACE(RSCRELATION, Ident, 0);
MC_PLACE(RSCRELATION, Code, 4);
MC_PLACE(RSCRELATION, Prefix, 8);
MC_PLACE(RSCRELATION, Flag, 15);
MC_SIZE(RSCRELATION, 16);

/* Public description of a font. */
typedef struct RSCFONT {
  char Face[32];
  char Name[32];
  DWORD Charset;
} RSCFONT;
MC_PLACE(RSCFONT, Face, 0);
MC_PLACE(RSCFONT, Name, 32);
MC_PLACE(RSCFONT, Charset, 64);
MC_SIZE(RSCFONT, 68);

/* The corners of a sign turned by an angle, in the sign's units. */
typedef struct IMAGEFRAME {
  DOUBLEPOINT Point[4];
} IMAGEFRAME;
MC_PLACE(IMAGEFRAME, Point, 0);
MC_SIZE(IMAGEFRAME, 64);

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
