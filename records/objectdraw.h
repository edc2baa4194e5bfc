// The graphics record of a map object: its own drawing description, a list
// of image-primitive elements.
//
// IMGDRAW (little-endian): u32 marker 0x7FFF7FFE, u32 total length (the
// head included; 12 for an empty record), u16 element count, u16 flags
// (bit 0: the object is drawn smoothed), then from byte 12 the elements:
// u16 element length (4 + parameter length), u16 primitive code, the
// primitive's parameters. Elements are numbered from 1.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"
#include "records/primitives.h"

enum : DWORD { IMGDRAW_IDENT = 0x7FFF7FFEu };
enum : int {
  IMGDRAW_HEAD = 12,
  IMGDRAW_MAXLENGTH = 0x40000,  // a record never grows beyond 256 KB
  IMGDRAW_SPLINE = 1,           // flags bit 0
  IMGELEMENT_HEAD = 4,
  IMGELEMENT_MAXPARM = 0xFFFF - IMGELEMENT_HEAD,  // the element length is 16 bits
};

#pragma pack(push, 1)
struct IMGDRAW {
  DWORD Ident;
  DWORD Length;
  WORD Count;
  WORD Flags;
};
static_assert(sizeof(IMGDRAW) == 12);

struct IMGELEMENT {
  WORD Length;  // head included
  WORD Image;   // primitive code
};
static_assert(sizeof(IMGELEMENT) == 4);
#pragma pack(pop)

// Address of element n (from 1) of a record, walking no further than
// `size` bytes (and the record's own length): 0 for a record without the
// marker, a number outside 1..count, or an element that is empty or runs
// past the end.
char* DrawElementAddress(const IMGDRAW* draw, LONG size, int n);

// Whether `size` bytes at `record` hold one graphics record of that length
// whose elements lie inside it.
bool GraphicsSound(const char* record, DWORD size);

// A one-pointer view of a graphics record, passed by value. Every walk is
// bounded by the record's own length.
class MAPCLASS TObjectDraw {
 public:
  TObjectDraw(IMGDRAW* record = nullptr) : Draw(record) {}

  static char* ElementAddress(const IMGDRAW* draw, int n);
  static int ElementIdent(const IMGDRAW* draw, int n);
  static char* ElementParmAddress(const IMGDRAW* draw, int n);
  // Parameter length of a primitive: fixed, or read from its parameters by
  // the rule of the primitive table (PrimitiveParmLength); 0 for a code
  // that cannot be stored.
  static int ElementParmLength(int code, const char* parms);
  // Total length of a record, 0 without the marker.
  static LONG Length(const IMGDRAW* draw);
  // Element count (the u16 at offset 8), 0 without the marker.
  static int Count(const IMGDRAW* draw);

  char* ElementAddress(int n) const { return ElementAddress(Draw, n); }
  int ElementIdent(int n) const { return ElementIdent(Draw, n); }
  char* ElementParmAddress(int n) const { return ElementParmAddress(Draw, n); }
  LONG Length() const { return Length(Draw); }
  int Count() const { return Count(Draw); }

  IMGDRAW* Draw;
};
