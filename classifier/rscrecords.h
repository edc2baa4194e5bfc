// Public records that the classifier's queries fill or take: descriptions
// of object kinds, semantics, defaults and layers, and the template table
// of a template sign.
#pragma once

#include "platform/win_types.h"

#pragma pack(push, 1)

// Description of an object kind (GetDescribeObj).
struct RSCOBJECT {
  DWORD Length;    // 64
  DWORD Excode;
  DWORD Local;
  DWORD Segment;
  DWORD Scale;     // scale flag
  DWORD Direct;    // 1 forward, 2 area, 4 either way
  DWORD Bot;       // bottom scale denominator
  DWORD Top;       // top scale denominator
  char Name[32];
};
static_assert(sizeof(RSCOBJECT) == 64);

// Full description of a semantic (SemanticDescribeEx).
struct RSCSEMANTICEX {
  DWORD Code;
  DWORD Type;      // as GetSemType: 16 for a list semantic
  DWORD Reply;
  DWORD Enable;    // as GetObjCanSem for the object asked about
  DWORD Service;   // common flag
  DWORD Reserve;
  char Name[32];
  char Unit[8];
  double Minimum;
  double Default;
  double Maximum;
  DWORD Size;      // field size of a value
  DWORD Decimal;
  char ShortName[16];
};
static_assert(sizeof(RSCSEMANTICEX) == 112);

// Minimum, default and maximum of a numeric semantic.
struct RSCDEF {
  float Minimum;
  float Default;
  float Maximum;
};
static_assert(sizeof(RSCDEF) == 12);

// How many object kinds may carry, must carry, or are chosen by a semantic.
struct APPLYSEMANTIC {
  DWORD Possible;
  DWORD Must;
  DWORD Limit;
};
static_assert(sizeof(APPLYSEMANTIC) == 12);

// A layer's drawing order and name (GetSegment, AppendSegment).
struct RSCSEGMENT {
  DWORD Order;
  char Name[32];
};
static_assert(sizeof(RSCSEGMENT) == 36);

// The table of a template sign (image function 150): the 60 bytes after
// its first word.
struct TABLETEMPLATE {
  BYTE Data[60];
};
static_assert(sizeof(TABLETEMPLATE) == 60);

#pragma pack(pop)

// Scale tables: 16 denominators each, chosen by the header's flag.
constexpr int RSC_SCALE_COUNT = 16;
