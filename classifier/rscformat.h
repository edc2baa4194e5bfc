// The classifier file (RSC): a 328-byte header and fourteen tagged tables.
//
// All integers are little-endian, all texts single-byte (code page 1251)
// zero-padded fields. Each table is described by {offset, length, count} in
// the header; the offset is the file offset of its first record and the
// table's tag (three capital letters and a zero byte) stands in the four
// bytes before it. A freshly written file places every table at
// (end + 20) & ~15, so the first one begins at 336.
//
// These are the records as stored. In memory the classifier keeps them in
// place inside the file image, except that the layer records are compacted
// to 60 bytes (TABSEG) and that every table link is a 32-bit reference into
// the classifier's image and memory pool (classifier/rscdata.h).
#pragma once

#include "types/rsctypes.h"
#include "platform/win_types.h"

enum : DWORD {
  RSC_IDENT = 0x00435352u,    // "RSC\0"
  RSC_VERSION = 0x0702u,
  RSC_MARK = 0x414Eu,         // written by this system
  RSC_MARK_OTHER = 0x4B38u,   // accepted as well
  RSC_HEAD_CONST = 126u,      // the value at header offset 320
};

// Low halves of the style word that mark an older classifier version.
enum : DWORD {
  RSC_OLDSTYLE_0302 = 0x0302u,
  RSC_OLDSTYLE_0405 = 0x0405u,
  RSC_OLDSTYLE_0401 = 0x0401u,
};

// Tables in the order of their header descriptors.
enum RSCTABLEKIND : int {
  RSC_OBJ = 0,
  RSC_SEM,
  RSC_CLS,
  RSC_DEF,
  RSC_POS,
  RSC_SEG,
  RSC_LIM,
  RSC_PAR,
  RSC_PRN,
  RSC_PAL,
  RSC_TXT,
  RSC_IML,
  RSC_GRS,
  RSC_TAB,
  RSC_TABLECOUNT
};

// Table tags (RSCTABLETAG), read as little-endian words.
enum : DWORD {
  RSCTAG_OBJ = 0x004A424Fu,
  RSCTAG_SEM = 0x004D4553u,
  RSCTAG_CLS = 0x00534C43u,
  RSCTAG_DEF = 0x00464544u,
  RSCTAG_POS = 0x00534F50u,
  RSCTAG_SEG = 0x00474553u,
  RSCTAG_LIM = 0x004D494Cu,
  RSCTAG_PAR = 0x00524150u,
  RSCTAG_PRN = 0x004E5250u,
  RSCTAG_PAL = 0x004C4150u,
  RSCTAG_TXT = 0x00545854u,
  RSCTAG_IML = 0x004C4D49u,
  RSCTAG_GRS = 0x00535247u,
  RSCTAG_TAB = 0x00424154u,
};

// The tag of a table kind.
DWORD rscTableTag(int table);

constexpr int RSC_HEADSIZE = 328;
constexpr int RSC_OBJ_MINSIZE = 112;  // object records are written at least this long
constexpr int RSC_OBJ_FIXED = 96;     // the fixed fields of an object record
constexpr int RSC_SEM_SIZE = 84;
constexpr int RSC_CLS_SIZE = 36;
constexpr int RSC_DEF_SIZE = 32;
constexpr int RSC_POS_HEAD = 16;
constexpr int RSC_SEG_HEAD = 56;      // a stored layer record before its codes
constexpr int RSC_SEG_SIZE = 60;      // a layer record in memory
constexpr int RSC_LIM_HEAD = 32;
constexpr int RSC_PAR_HEAD = 8;
constexpr int RSC_PAL_SIZE = 1056;
constexpr int RSC_TXT_SIZE = 72;
constexpr int RSC_IML_SIZE = 120;
constexpr int RSC_GRS_HEAD = 20;
constexpr int RSC_GRSITEM_HEAD = 12;
constexpr int RSC_RELATION_SIZE = 16;
constexpr int RSC_NAME_SIZE = 32;
constexpr int RSC_LASTFUNCTION = 255;  // image functions of 255 and above are not valid
constexpr int RSC_FRAMECODE = 15;      // object number of the sheet frame

constexpr DWORD RSC_FRAME_EXCODE = 91000000u;
constexpr DWORD RSC_SERVICE_EXCODE = 1000000000u;  // service objects: this plus their number

#pragma pack(push, 1)

struct RSCTABLE {
  DWORD Offset;  // file offset of the first record (in memory: a reference)
  DWORD Length;  // bytes
  DWORD Count;   // records
};
static_assert(sizeof(RSCTABLE) == 12);

struct RSCHEAD {
  DWORD Ident;        // RSC_IDENT
  DWORD Length;       // file length
  DWORD Version;      // RSC_VERSION
  DWORD Mark;         // RSC_MARK or RSC_MARK_OTHER
  DWORD Style;        // raised by edits of layers and object identities
  DWORD Mode;         // save stamp
  DWORD Language;     // 1 English, 2 Russian
  DWORD MaxKey;       // highest object identifier given so far
  char Date[8];       // YYYYMMDD, no terminator
  char Type[32];
  char Name[32];
  char Code[8];
  DWORD Scale;        // 1 .. 40,000,000
  DWORD ScaleTable;   // 0 or 1
  RSCTABLE Tables[RSC_TABLECOUNT];
  BYTE ObjCodeType;   // 0: by code and local type, 1: by key semantic 32811
  BYTE ColorStyle;    // raised by every palette change
  BYTE Reserve[30];
  DWORD Const126;     // RSC_HEAD_CONST
  WORD ColorCount;    // 16 .. 256
  BYTE Reserve2[2];
};
static_assert(sizeof(RSCHEAD) == 328);

// OBJ table: one record per object kind, at least 112 bytes.
struct TABOBJ {
  DWORD Length;
  DWORD Excode;     // classification code, 0 for a deleted object
  DWORD Incode;     // object number
  DWORD Ident;
  char Key[32];
  char Name[32];
  BYTE Local;       // 0 LINE, 1 POLYGON, 2 POINT, 3 TITLE, 4 VECTOR, 5 MIXED
  BYTE Segment;     // layer
  BYTE ScaleFlag;
  BYTE Bot;         // bottom scale index
  BYTE Top;         // 15 minus the top scale index
  BYTE Extloc;
  BYTE Direct;
  BYTE Extsem;
  WORD Series;      // series variant number, 0: none
  BYTE RelCount;
  BYTE Reserve[5];
  RSCRELATION Relation[1];  // further relations follow in longer records
};
static_assert(sizeof(TABOBJ) == 112);

// SEM table: fixed 84-byte records.
struct TABSEM {
  DWORD Code;
  WORD Type;
  BYTE Reply;
  BYTE Common;
  char Name[32];
  char Short[16];
  char Unit[8];
  WORD Size;
  BYTE Decimal;
  BYTE Reserve;
  DWORD Cls;        // value list (file offset; in memory a reference)
  DWORD ClsCount;
  DWORD Def;        // defaults (file offset; in memory a reference)
  DWORD DefCount;
};
static_assert(sizeof(TABSEM) == 84);

struct TABCLS {
  DWORD Value;
  char Name[32];
};
static_assert(sizeof(TABCLS) == 36);

struct TABDEF {
  DWORD Object;   // 0: every object
  DWORD Code;
  double Min;
  double Def;
  double Max;
};
static_assert(sizeof(TABDEF) == 32);

// POS table: the semantics an object kind must or may carry.
struct TABPOS {
  DWORD Length;
  DWORD Excode;
  BYTE Local;
  BYTE Reserve[3];
  WORD Must;       // obligatory codes, first
  WORD Pos;        // possible codes, after them
  // DWORD Codes[Must + Pos];
};
static_assert(sizeof(TABPOS) == 16);

// A layer record is stored as RSCSEG (types/rsctypes.h): 56 bytes and
// its codes, DWORD Codes[Count] (60 bytes with a zero word when it has
// none).

// A layer record in memory: the stored head and a reference to its codes
// in the memory pool (0 when it has none). The length field keeps the
// stored length.
struct TABSEG : RSCSEG {
  DWORD Codes;
};
static_assert(sizeof(TABSEG) == 60);

// LIM table: series limits, padded to a multiple of 8 bytes.
struct TABLIM {
  DWORD Length;
  DWORD Excode;
  BYTE Local;
  BYTE Reserve[7];
  DWORD Code1;
  WORD Count1;
  WORD Def1;     // default range, counted from 1
  DWORD Code2;
  WORD Count2;
  WORD Def2;
  // double Values[Count1 + Count2]; BYTE Variants[Count1 * max(Count2, 1)];
};
static_assert(sizeof(TABLIM) == 32);

// PAR and PRN tables: image parameters, padded to a multiple of 4 bytes.
struct VIEPAR {
  DWORD Length;
  WORD Number;     // object number
  WORD Function;   // image function
  // parameters
};
static_assert(sizeof(VIEPAR) == 8);

struct TABPAL {
  DWORD Colors[256];
  char Name[32];
};
static_assert(sizeof(TABPAL) == 1056);

struct TABTXT {
  char Face[32];
  char Name[32];
  DWORD Code;
  BYTE Fixed;
  BYTE Charset;
  BYTE Reserve[2];
};
static_assert(sizeof(TABTXT) == 72);

struct TABIML {
  char File[80];
  char Name[32];
  DWORD Code;
  DWORD Slot;      // open-library slot, meaningful in memory only
};
static_assert(sizeof(TABIML) == 120);

// GRS table: images chosen by a semantic value.
struct TABGRS {
  DWORD Length;    // 20 plus the item lengths
  WORD Number;     // 1 and up
  WORD Zero;
  DWORD Code;      // semantic code
  DWORD Count;     // items
  DWORD Value;     // semantic value of the first item
  // IMAGEVALUE items
};
static_assert(sizeof(TABGRS) == 20);

struct IMAGEVALUE {
  DWORD Length;    // the item's length
  DWORD Reserve;   // carried through unchanged
  DWORD Function;  // image function
  // image parameters
};
static_assert(sizeof(IMAGEVALUE) == 12);

#pragma pack(pop)

// The relations of an object record (from offset 96).
inline RSCRELATION* rscRelations(TABOBJ* obj) {
  return reinterpret_cast<RSCRELATION*>(reinterpret_cast<BYTE*>(obj) + 96);
}
