// The image primitive codes, as one table. An element of a drawing
// description (IMGDRAW) and the screen or printer record of an object kind
// carry a primitive code 0..255 and the primitive's parameter record; for
// each code the table gives its name, how the length of its parameter
// record is found and what the code is: an element a record may hold, a
// primitive that paints, a text, a sign, a nested set, a library image.
// Lookups index a static 256-entry array; nothing is allocated.
#pragma once

#include <cstdint>

// Primitive codes. 0 and 127 draw nothing; 127 also fills the unused parts
// of a line with signs. Codes 130-134, 137 and 145 are composite: the
// drawing editor stores them as the elements they stand for.
enum : int {
  PRIM_NONE = 0,
  PRIM_EMPTY = 127,
  PRIM_LINE = 128,      // colour, thickness
  PRIM_DOT = 129,       // dashed line: colour, thickness, dash, gap
  PRIM_LINE_DOT = 130,  // a line and a dashed line
  PRIM_TWO_LINES = 131,
  PRIM_DOT_TWO_LINES = 132,  // a dashed line and two lines
  PRIM_TWO_DOTS = 133,
  PRIM_LINE_OVERDOT = 134,         // a line with a dashed overlay
  PRIM_SQUARE = 135,               // solid fill: colour
  PRIM_HATCH = 136,                // hatched fill
  PRIM_BITMAP32 = 137,             // 32 x 32 bitmap sign
  PRIM_PATTERN = 138,              // two-colour pattern fill
  PRIM_TEST = 139,                 // hit testing only
  PRIM_CIRCLE = 140,               // circle at the first point
  PRIM_TEST_CIRCLE = 141,          // circle for hit testing
  PRIM_TEXT = 142,                 // text in a registered font (32 bytes)
  PRIM_BITMAP = 143,               // layered bitmap sign
  PRIM_LAYERED_PATTERN = 144,      // layered pattern fill
  PRIM_LINE_OVERDOT_SCALED = 145,  // as 134, the second scaling
  PRIM_DECORATED_SHORT = 146,      // line with signs, short header
  PRIM_SET = 147,                  // a nested IMGDRAW
  PRIM_OFFSET_DOT = 148,           // dashed line shifted sideways
  PRIM_VECTOR = 149,               // vector sign (IMGVECTOREX)
  PRIM_TEMPLATE = 150,             // labelled set
  PRIM_FONT_SIGN = 151,            // font character sign (92 bytes)
  PRIM_FACE_TEXT = 152,            // text with a face name (64 bytes)
  PRIM_ANGLE_HATCH = 153,          // hatch by angle
  PRIM_SHADE = 154,                // shading: brightness, contrast
  PRIM_AREA_SIGNS = 155,           // signs over an area
  PRIM_VECTOR_MIRROR = 156,        // vector sign mirrored across its direction
  PRIM_DECORATED = 157,            // line with signs, full header
  PRIM_PATTERN_LINE = 158,
  PRIM_OFFSET_LINE = 159,
  PRIM_VECTOR_REF = 199,   // vector sign by reference
  PRIM_LIBRARY_ALT = 221,  // plug-in library image
  PRIM_LIBRARY = 250,      // plug-in library image
  // Stored and accepted as elements, painted by nothing.
  PRIM_RESERVED_249 = 249,
  PRIM_RESERVED_251 = 251,
  PRIM_RESERVED_252 = 252,
  PRIM_RESERVED_253 = 253,
  PRIM_RESERVED_254 = 254,
  PRIM_COUNT = 256,
};

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
};

struct PrimitiveInfo {
  const char* Name;  // never null; "" for a code without a primitive
  PrimLength Rule;
  uint8_t Length;  // parameter bytes of a Fixed rule, else 0
  uint16_t Flags;
  // For a code whose record does not give its length (rule None): the
  // parameter bytes its painters read at least; 0 otherwise.
  uint16_t Least = 0;
};

// The entry of a code; a code outside 0..255 gets the entry of a code
// without a primitive (no name, not storable, no flags).
const PrimitiveInfo& PrimitiveOf(int code);

// 1 when `available` bytes of parameters hold what the painters of the
// code read: its record (fixed, or the length the parameters give, which
// must then be readable and usable) or, for a code whose record does not
// give its length, its Least bytes; else 0.
int PrimitiveFits(int code, const char* parms, int available);

// Parameter length of a primitive: fixed, or read from its parameters.
// 0 for a code that cannot be stored, for null parameters where they must
// be read, and for a read length outside 1..0x40000.
int PrimitiveParmLength(int code, const char* parms);

inline bool PrimitiveIs(int code, uint16_t flags) { return (PrimitiveOf(code).Flags & flags) != 0; }
