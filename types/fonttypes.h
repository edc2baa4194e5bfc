/* The logical font record a host receives with a text to paint (the text
 * callback of mapPaintToScript) and the values of its fields. Plain C99
 * and C++; the library's fonts are built on the same definitions. */
#ifndef MAPCORE_TYPES_FONTTYPES_H
#define MAPCORE_TYPES_FONTTYPES_H

#include "types/maptypes.h"
#include "types/layout.h"

#ifndef LF_FACESIZE
#define LF_FACESIZE 32
#endif

/* A font request: cell or character height, width, rotation, style,
 * character set and face name (zero-terminated, at most 31 characters,
 * code page 1251). 60 bytes, no padding. */
typedef struct LOGFONTA {
  LONG lfHeight;      /* > 0 cell height, < 0 character (em) height, 0 default; pixels */
  LONG lfWidth;       /* 0 natural, else the wanted average character width */
  LONG lfEscapement;  /* rotation of the base line, tenths of a degree, counter-clockwise */
  LONG lfOrientation; /* rotation of each character (taken as the escapement) */
  LONG lfWeight;      /* FW_* */
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;     /* *_CHARSET */
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA;
MC_PLACE(LOGFONTA, lfHeight, 0);
MC_PLACE(LOGFONTA, lfWidth, 4);
MC_PLACE(LOGFONTA, lfEscapement, 8);
MC_PLACE(LOGFONTA, lfOrientation, 12);
MC_PLACE(LOGFONTA, lfWeight, 16);
MC_PLACE(LOGFONTA, lfItalic, 20);
MC_PLACE(LOGFONTA, lfUnderline, 21);
MC_PLACE(LOGFONTA, lfStrikeOut, 22);
MC_PLACE(LOGFONTA, lfCharSet, 23);
MC_PLACE(LOGFONTA, lfOutPrecision, 24);
MC_PLACE(LOGFONTA, lfClipPrecision, 25);
MC_PLACE(LOGFONTA, lfQuality, 26);
MC_PLACE(LOGFONTA, lfPitchAndFamily, 27);
MC_PLACE(LOGFONTA, lfFaceName, 28);
MC_SIZE(LOGFONTA, 60);

typedef LOGFONTA LOGFONT;
typedef LOGFONTA* LPLOGFONTA;

#ifdef __cplusplus
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA layout");
#else
typedef char LogFontIs60[sizeof(LOGFONTA) == 60 ? 1 : -1];
#endif

/* Weights. */
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_ULTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_DEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_ULTRABOLD 800
#define FW_HEAVY 900
#define FW_BLACK 900

/* Character sets. */
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define MAC_CHARSET 77
#define SHIFTJIS_CHARSET 128
#define HANGEUL_CHARSET 129
#define HANGUL_CHARSET 129
#define JOHAB_CHARSET 130
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define GREEK_CHARSET 161
#define TURKISH_CHARSET 162
#define VIETNAMESE_CHARSET 163
#define HEBREW_CHARSET 177
#define ARABIC_CHARSET 178
#define BALTIC_CHARSET 186
#define RUSSIAN_CHARSET 204
#define THAI_CHARSET 222
#define EASTEUROPE_CHARSET 238
#define OEM_CHARSET 255

/* Precision, quality, pitch and family bytes of a request. */
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50

#endif
