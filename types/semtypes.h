/* The description of a semantic as an object's functions give it to a
 * host: the classifier's record of the semantic, seen from the object's
 * kind. Plain C99 and C++; texts are code page 1251, zero-padded. */
#ifndef MAPCORE_TYPES_SEMTYPES_H
#define MAPCORE_TYPES_SEMTYPES_H

#include "types/maptypes.h"

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

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SEMANTICTYPE) == 84, "SEMANTICTYPE layout");
static_assert(sizeof(SEMANTICTYPEEX) == 108, "SEMANTICTYPEEX layout");
#endif

#endif
