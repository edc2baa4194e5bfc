// The image primitive codes, as one table. An element of a drawing
// description (IMGDRAW) and the screen or printer record of an object kind
// carry a primitive code 0..255 and the primitive's parameter record; for
// each code the table gives its name, how the length of its parameter
// record is found and what the code is: an element a record may hold, a
// primitive that paints, a text, a sign, a nested set, a library image.
// Lookups index a static 256-entry array; nothing is allocated.
#pragma once

#include <cstdint>

#include "types/primitives.h"

// How the length of a parameter record is found.
enum class PrimLength : uint8_t {
  None,         // not storable: length 0
  Fixed,        // PrimitiveInfo::Length bytes
  FirstWord,    // the first u32 of the parameters
  SecondWord4,  // the second u32 of the parameters + 4
  SecondWord,   // the second u32 of the parameters (a nested record's length)
};

// What a code is (PrimitiveInfo::Flags).
enum : uint16_t {
  PRIMF_ELEMENT = 1,    // a drawing description may hold it as an element
  PRIMF_PAINTS = 2,     // an element that paints
  PRIMF_COMPOSITE = 4,  // stands for other elements (130-134, 137, 145)
  PRIMF_LINE = 8,       // a line element: colour, thickness (dash, gap)
  PRIMF_TEXT = 16,      // a text element: its record begins with the 32-byte text record
  PRIMF_SIGN = 32,      // a sign element placed at the object's points
  PRIMF_SET = 64,       // a nested drawing description
  PRIMF_LIBRARY = 128,  // drawn by a plug-in image library
  PRIMF_KIND_IMAGE = 256,  // not an element, yet a kind's image alone (136, 138)
};

struct PrimitiveInfo {
  const char* Name;  // never null; "" for a code without a primitive
  PrimLength Rule;
  uint8_t Length;  // parameter bytes of a Fixed rule, else 0
  uint16_t Flags;
  // The parameter bytes its readers take whole: for a code whose record
  // does not give its length (rule None), all they read; for one whose
  // record gives it, the head before its nested parts (a record shorter
  // than that is damaged); 0 for a fixed rule.
  uint16_t Least = 0;
};

// The entry of a code; a code outside 0..255 gets the entry of a code
// without a primitive (no name, not storable, no flags).
const PrimitiveInfo& PrimitiveOf(int code);

// 1 when `available` bytes of parameters hold what the painters of the
// code read: its record (fixed, or the length the parameters give, which
// must then be readable and usable) or, for a code whose record does not
// give its length, its Least bytes (a mirrored vector sign, 156, also the
// length its head gives); else 0. The readers of a record walk its nested
// parts, layers and subjects within its own length, so a record that fits
// is never read past. A sign by reference (199) never fits: a record holds
// no address to follow.
int PrimitiveFits(int code, const char* parms, int available);

// Parameter length of a primitive: fixed, or read from its parameters.
// 0 for a code that cannot be stored, for null parameters where they must
// be read, and for a read length outside 1..0x40000.
int PrimitiveParmLength(int code, const char* parms);

inline bool PrimitiveIs(int code, uint16_t flags) { return (PrimitiveOf(code).Flags & flags) != 0; }
