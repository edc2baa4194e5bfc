/* Image primitive codes: what paints an object kind (mapAppendRscObjectPrimitive,
 * mapGetRscPrimitiveFunction, mapSetRscObjectImage and the like take and
 * give them with a parameter record). A parameter record is a sequence of
 * 32-bit words, little-endian. A colour word is 0x00BBGGRR, or
 * PRIM_COLORINDEX + n for entry n of the classifier's palette; sizes are
 * micrometres on the printed map. Codes 0 and 127 draw nothing; 127 also
 * fills the unused parts of a line with signs. Codes 130-134, 137 and 145
 * are composite: they are stored as the elements they stand for. */
#ifndef MAPCORE_TYPES_PRIMITIVES_H
#define MAPCORE_TYPES_PRIMITIVES_H

#define PRIM_COLORINDEX 0xF0000000u

enum {
  PRIM_NONE = 0,
  PRIM_EMPTY = 127,
  PRIM_LINE = 128,                 /* line: colour, thickness */
  PRIM_DOT = 129,                  /* dashed line: colour, thickness, dash, gap */
  PRIM_LINE_DOT = 130,             /* a line and a dashed line */
  PRIM_TWO_LINES = 131,
  PRIM_DOT_TWO_LINES = 132,        /* a dashed line and two lines */
  PRIM_TWO_DOTS = 133,
  PRIM_LINE_OVERDOT = 134,         /* a line with a dashed overlay */
  PRIM_SQUARE = 135,               /* solid fill: colour (0xFFFFFFFF: none) */
  PRIM_HATCH = 136,                /* hatched fill: colour, hatch kind, line width, spacing */
  PRIM_BITMAP32 = 137,             /* 32 x 32 bitmap sign */
  PRIM_PATTERN = 138,              /* two-colour pattern fill */
  PRIM_TEST = 139,                 /* hit testing only */
  PRIM_CIRCLE = 140,               /* circle at the first point: colour, thickness (0: filled), radius */
  PRIM_TEST_CIRCLE = 141,          /* circle for hit testing */
  PRIM_TEXT = 142,                 /* text in a registered font (32 bytes) */
  PRIM_BITMAP = 143,               /* layered bitmap sign */
  PRIM_LAYERED_PATTERN = 144,      /* layered pattern fill */
  PRIM_LINE_OVERDOT_SCALED = 145,  /* as 134, the second scaling */
  PRIM_DECORATED_SHORT = 146,      /* line with signs, short header */
  PRIM_SET = 147,                  /* a set of primitives (IMGDRAW) */
  PRIM_OFFSET_DOT = 148,           /* dashed line shifted sideways */
  PRIM_VECTOR = 149,               /* vector sign (IMGVECTOREX) */
  PRIM_TEMPLATE = 150,             /* labelled set */
  PRIM_FONT_SIGN = 151,            /* font character sign (92 bytes) */
  PRIM_FACE_TEXT = 152,            /* text with a face name (64 bytes) */
  PRIM_ANGLE_HATCH = 153,          /* hatch by angle */
  PRIM_SHADE = 154,                /* shading: brightness, contrast */
  PRIM_AREA_SIGNS = 155,           /* signs over an area */
  PRIM_VECTOR_MIRROR = 156,        /* vector sign mirrored across its direction */
  PRIM_DECORATED = 157,            /* line with signs, full header */
  PRIM_PATTERN_LINE = 158,
  PRIM_OFFSET_LINE = 159,
  PRIM_VECTOR_REF = 199,           /* vector sign by reference */
  PRIM_LIBRARY_ALT = 221,          /* plug-in library image */
  PRIM_LIBRARY = 250,              /* plug-in library image */
  /* Stored and accepted as elements, painted by nothing. */
  PRIM_RESERVED_249 = 249,
  PRIM_RESERVED_251 = 251,
  PRIM_RESERVED_252 = 252,
  PRIM_RESERVED_253 = 253,
  PRIM_RESERVED_254 = 254,
  PRIM_COUNT = 256
};

#endif
