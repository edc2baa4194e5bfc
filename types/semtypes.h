/* The description of a semantic as an object's functions give it to a
 * host: the classifier's record of the semantic, seen from the object's
 * kind. Plain C99 and C++; texts are code page 1251, zero-padded. */
#ifndef MAPCORE_TYPES_SEMTYPES_H
#define MAPCORE_TYPES_SEMTYPES_H

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)

/* The short description (mapSemanticDescribe). Reserve is not written:
 * it keeps what the caller had there. */
typedef struct SEMANTICTYPE {
  LONG Code;
  LONG Type;    /* 16 for a semantic with a value list */
  LONG Reply;   /* may repeat in one object */
  LONG Reserve;
  LONG Service; /* common to every kind */
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
} SEMANTICTYPE;
MC_PLACE(SEMANTICTYPE, Code, 0);
MC_PLACE(SEMANTICTYPE, Type, 4);
MC_PLACE(SEMANTICTYPE, Reply, 8);
MC_PLACE(SEMANTICTYPE, Reserve, 12);
MC_PLACE(SEMANTICTYPE, Service, 16);
MC_PLACE(SEMANTICTYPE, Name, 20);
MC_PLACE(SEMANTICTYPE, Unit, 52);
MC_PLACE(SEMANTICTYPE, Minimum, 60);
MC_PLACE(SEMANTICTYPE, Default, 68);
MC_PLACE(SEMANTICTYPE, Maximum, 76);
MC_SIZE(SEMANTICTYPE, 84);

/* The long description (mapSemanticDescribeEx): Enable tells the use for
 * the object's kind (0 not used, 1 possible, 2 obligatory, 3 a series
 * limit); then the field size, the decimals and the short name. */
typedef struct SEMANTICTYPEEX {
  LONG Code;
  LONG Type;
  LONG Reply;
  LONG Enable;
  LONG Service;
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
  LONG Size;
  LONG Decimal;
  char ShortName[16];
} SEMANTICTYPEEX;
MC_PLACE(SEMANTICTYPEEX, Code, 0);
MC_PLACE(SEMANTICTYPEEX, Type, 4);
MC_PLACE(SEMANTICTYPEEX, Reply, 8);
MC_PLACE(SEMANTICTYPEEX, Enable, 12);
MC_PLACE(SEMANTICTYPEEX, Service, 16);
MC_PLACE(SEMANTICTYPEEX, Name, 20);
MC_PLACE(SEMANTICTYPEEX, Unit, 52);
MC_PLACE(SEMANTICTYPEEX, Minimum, 60);
MC_PLACE(SEMANTICTYPEEX, Default, 68);
MC_PLACE(SEMANTICTYPEEX, Maximum, 76);
MC_PLACE(SEMANTICTYPEEX, Size, 84);
MC_PLACE(SEMANTICTYPEEX, Decimal, 88);
MC_PLACE(SEMANTICTYPEEX, ShortName, 92);
MC_SIZE(SEMANTICTYPEEX, 108);

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SEMANTICTYPE) == 84, "SEMANTICTYPE layout");
static_assert(sizeof(SEMANTICTYPEEX) == 108, "SEMANTICTYPEEX layout");
#endif

#endif
