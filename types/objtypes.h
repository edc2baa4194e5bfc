/* What a host exchanges with the object functions: the point kinds of an
 * object's metric, the flags of the object searches, the records of the
 * adjacency search, and the object record of mapGetObjectRecord and
 * mapPutObjectRecord. Plain C99 and C++; the library's own code is built
 * on the same definitions. */
#ifndef MAPCORE_TYPES_OBJTYPES_H
#define MAPCORE_TYPES_OBJTYPES_H

#include "types/maptypes.h"
#include "types/layout.h"

/* Point kinds of a metric (mapCreateObject, mapSetObjectKind): X, Y and
 * the height as stored; 0 asks for the map's default. */
enum {
  METRIC_U16 = 0x7FFF7FFF,  /* u16 X, Y                  4 bytes */
  METRIC_I32 = 0x7FFE7FFE,  /* i32 X, Y                  8 bytes */
  METRIC_F32 = 0x7FFD7FFD,  /* f32 X, Y (the default)    8 bytes */
  METRIC_F64 = 0x7FFC7FFC,  /* f64 X, Y                  16 bytes */
  METRIC_U16H = 0x7FFB7FFB, /* u16 X, Y, f32 height      8 bytes */
  METRIC_I32H = 0x7FFA7FFA, /* i32 X, Y, f32 height      no point size: read
                               and written only at the cursor */
  METRIC_F32H = 0x7FF97FF9, /* f32 X, Y, f32 height      12 bytes */
  METRIC_F64H = 0x7FF87FF8  /* f64 X, Y, f64 height      24 bytes */
};

/* Flags of the object searches (mapSeekObject and the like), one int of
 * bits. Without a direction bit the first object is sought; next wins
 * over previous and previous over last. */
enum {
  SEEK_FIRST = 0,
  SEEK_LAST = 2,
  SEEK_NEXT = 4,
  SEEK_PREV = 8,
  SEEK_DELETED = 16, /* deleted objects count too */
  SEEK_THISMAP = 32, /* only the map of the place (or of the select) */
  SEEK_VIEW = 64     /* only what the view shows: the map's view select passes it too */
};

/* A key range of one sheet for the search by keys: the objects with
 * Minimum <= key <= Maximum (unsigned, both ends included). */
typedef struct KEYSELECT {
  LONG List;     /* the sheet */
  DWORD Minimum; /* the smallest key */
  DWORD Maximum; /* the largest key */
} KEYSELECT;
MC_PLACE(KEYSELECT, List, 0);
MC_PLACE(KEYSELECT, Minimum, 4);
MC_PLACE(KEYSELECT, Maximum, 8);
MC_SIZE(KEYSELECT, 12);

/* The head of an object record, followed by the metric, the semantics
 * record and the graphics record (each present when its length is not 0),
 * in this order and back to back. The metric is the object's own record
 * on a map that keeps plane coordinates; on a sheet map it holds the
 * points in plane metres as doubles (METRIC_F64, with heights METRIC_F64H),
 * without text entries. Little-endian. */
#pragma pack(push, 1)
typedef struct OBJECTRECORD {
  DWORD Ident;          /* OBJECTRECORD_IDENT */
  DWORD Length;         /* the whole record, this head included */
  LONG Excode;          /* classification code */
  DWORD Key;            /* the object's key on its sheet */
  DWORD MetricOffset;   /* from the record start: 44 */
  DWORD MetricLength;   /* 0: no metric */
  DWORD SemanticLength; /* 0: no semantics */
  DWORD GraphicLength;  /* 0: no graphics */
  WORD Local;           /* local kind, LOCAL_* */
  BYTE Text;            /* 1 when the metric has text entries */
  BYTE Reserve;
  BYTE Zero[8];
} OBJECTRECORD;
#pragma pack(pop)
MC_PLACE(OBJECTRECORD, Ident, 0);
MC_PLACE(OBJECTRECORD, Length, 4);
MC_PLACE(OBJECTRECORD, Excode, 8);
MC_PLACE(OBJECTRECORD, Key, 12);
MC_PLACE(OBJECTRECORD, MetricOffset, 16);
MC_PLACE(OBJECTRECORD, MetricLength, 20);
MC_PLACE(OBJECTRECORD, SemanticLength, 24);
MC_PLACE(OBJECTRECORD, GraphicLength, 28);
MC_PLACE(OBJECTRECORD, Local, 32);
MC_PLACE(OBJECTRECORD, Text, 34);
MC_PLACE(OBJECTRECORD, Reserve, 35);
MC_PLACE(OBJECTRECORD, Zero, 36);
MC_SIZE(OBJECTRECORD, 44);

#define OBJECTRECORD_IDENT 0x0052534Fu
#define OBJECTRECORD_HEAD 44

#ifdef __cplusplus
static_assert(sizeof(OBJECTRECORD) == OBJECTRECORD_HEAD, "OBJECTRECORD layout");
#endif

/* The adjacency search (mapSeekAdjacentObject): a stretch of the source
 * object's contour that another object touches. The caller keeps it from
 * call to call: a count of 0 starts a new search, and each section found
 * raises it by one. Points count from 1 within one contour of the
 * source. */
typedef struct MAPADJACENTSECTION {
  LONG Count; /* sections reported so far */
  LONG First; /* first point of the section; 0: none */
  LONG Last;  /* last point of the section */
} MAPADJACENTSECTION;
MC_PLACE(MAPADJACENTSECTION, Count, 0);
MC_PLACE(MAPADJACENTSECTION, First, 4);
MC_PLACE(MAPADJACENTSECTION, Last, 8);
MC_SIZE(MAPADJACENTSECTION, 12);

/* One stretch of the source's contour in the list of mapSeekAdjacentListEx:
 * the neighbour that touches it, or zero neighbour fields for a stretch
 * that nothing touches. Point numbers run on through all contours of the
 * source (the closing point of a closed contour counts as its first). */
typedef struct MAPADJACENTLISTEX {
  char List[32];   /* the neighbour's sheet name, zero-terminated */
  LONG ListNumber; /* the neighbour's sheet */
  DWORD Key;       /* the neighbour's key */
  LONG Object;     /* the neighbour's object number on its sheet */
  LONG Excode;     /* the neighbour's classification code */
  LONG First;      /* first point of the stretch */
  LONG Last;       /* last point of the stretch */
} MAPADJACENTLISTEX;
MC_PLACE(MAPADJACENTLISTEX, List, 0);
MC_PLACE(MAPADJACENTLISTEX, ListNumber, 32);
MC_PLACE(MAPADJACENTLISTEX, Key, 36);
MC_PLACE(MAPADJACENTLISTEX, Object, 40);
MC_PLACE(MAPADJACENTLISTEX, Excode, 44);
MC_PLACE(MAPADJACENTLISTEX, First, 48);
MC_PLACE(MAPADJACENTLISTEX, Last, 52);
MC_SIZE(MAPADJACENTLISTEX, 56);

/* The short entry of mapSeekAdjacentList, 41 bytes packed: the sheet name
 * cut to 24 characters, then four of the values of MAPADJACENTLISTEX. */
#pragma pack(push, 1)
typedef struct MAPADJACENTLIST {
  char List[25]; /* the neighbour's sheet name, zero-terminated */
  DWORD Key;     /* the neighbour's key (0: nothing touches the stretch) */
  LONG Object;   /* the neighbour's object number on its sheet */
  LONG First;    /* first point of the stretch */
  LONG Last;     /* last point of the stretch */
} MAPADJACENTLIST;
#pragma pack(pop)
MC_PLACE(MAPADJACENTLIST, List, 0);
MC_PLACE(MAPADJACENTLIST, Key, 25);
MC_PLACE(MAPADJACENTLIST, Object, 29);
MC_PLACE(MAPADJACENTLIST, First, 33);
MC_PLACE(MAPADJACENTLIST, Last, 37);
MC_SIZE(MAPADJACENTLIST, 41);

#ifdef __cplusplus
static_assert(sizeof(KEYSELECT) == 12, "KEYSELECT layout");
static_assert(sizeof(MAPADJACENTSECTION) == 12, "MAPADJACENTSECTION layout");
static_assert(sizeof(MAPADJACENTLISTEX) == 56, "MAPADJACENTLISTEX layout");
static_assert(sizeof(MAPADJACENTLIST) == 41, "MAPADJACENTLIST layout");
#endif

/* The semantic codes that bind map objects into an object set (the
 * mapObjectSet* functions), each holding the set's number as decimal text:
 * the leader and a subordinate of a hierarchy, a member of an equitable
 * set (all members equal). An object may lead one set and be subordinate
 * in another. */
typedef enum GROUPSEMCODE {
  GROUPSEM_LEADER = 32801,
  GROUPSEM_SUBORDINATE = 32802,
  GROUPSEM_EQUITABLE = 32803
} GROUPSEMCODE;

/* Flags of mapPutObjectRecord. */
#define PUTRECORD_BYKEY 1    /* rewrite the object of the record's key when there is one */
#define PUTRECORD_NOCOMMIT 4 /* leave the object uncommitted */

#endif
