// The blocked raster and matrix file: one format for rasters ("RSW"),
// elevation matrices ("MTW"), quality matrices ("MTQ") and layer matrices
// ("MTL").
//
// A file holds a 320-byte header (RMF), a palette area, a block table,
// optional border, block-flag and addition areas, and the element data cut
// into rectangular blocks, each stored plain or compressed. Every integer is
// little-endian.
//
// Positions. With unit shift 0 a position is a byte offset in the main file.
// With unit shift 8 (files whose raw data exceed 4,293,943,040 bytes) it is
// a unit address: bits 24..31 name the part (0 the main file, 1 the
// continuation file "<name>.01"), bits 0..23 the offset in 256-byte units.
// A part-0 address past byte 4,293,943,040 names byte 8 of the continuation
// file (where its data begin); the largest address is 0x01FFFFFE.
//
// Block table: one 8-byte entry per block, row-major (block row 0 at the
// north edge): position, stored length. Position or length 0 = the block is
// absent and reads as the empty value (matrices) or zero (rasters). A stored
// length equal to the block's raw length means plain, whatever the header's
// compression code; any other length means compressed with that code. The
// blocks of the last row and column are stored at their real size.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// Signatures: three letters and a zero byte.
enum : DWORD {
  RMF_RSW = 0x00575352u,  // raster
  RMF_MTW = 0x0057544Du,  // elevation matrix
  RMF_MTQ = 0x0051544Du,  // quality matrix
  RMF_MTL = 0x004C544Du,  // layer matrix
};

// Versions: 0x0200 is written new; 0x0103 marks rasters converted from the
// old raster format. 0x0102 and 0x0101 are read and upgraded to them.
enum : DWORD {
  RMF_VERSION = 0x0200,
  RMF_VERSION_CONVERTED = 0x0103,
  RMF_VERSION_OLD = 0x0102,
  RMF_VERSION_OLD_CONVERTED = 0x0101,
};

// Compression codes (header +208).
enum : BYTE { RMF_PLAIN = 0, RMF_LZW = 1, RMF_MATRIX = 32 };

constexpr DWORD RMF_HEADER_SIZE = 320;
constexpr DWORD RMF_PALETTE_SIZE = 1024;
constexpr DWORD RMF_ADDITION_SIZE = 320;
constexpr BYTE RMF_UNIT_SHIFT = 8;            // header +228 in unit mode
constexpr DWORD RMF_UNIT = 256;               // bytes of a unit
constexpr DWORD RMF_HEADER_UNITS = 2;         // units taken by the header in unit mode
constexpr DWORD RMF_MAX_ADDRESS = 0x01FFFFFEu;
constexpr DWORD RMF_PART_SPILL = 0xFFF05F00u; // part-0 byte offsets past this spill over
constexpr DWORD RMF_CONT_DATA = 8;            // first data byte of the continuation file
constexpr DWORD RMF_CONT_SIGN = 0x58464D52u;  // "RMFX"

// Raw data above this many bytes make a file use unit addresses.
constexpr int64_t RMF_BYTE_MODE_LIMIT = 4293943040LL;
// Block tables of more bytes are refused: 8 M blocks, some 512 GB of
// 8-bit data, is far past what two 4 GB files hold.
constexpr int64_t RMF_MAX_TABLE_BYTES = 64 << 20;

#pragma pack(push, 1)
struct RMF {
  DWORD Ident;              // +0   signature
  DWORD Version;            // +4
  DWORD Length;             // +8   end position of the data (next free position)
  DWORD NextCopy;           // +12  header of the next reduced copy; 0 = none
  DWORD Creator;            // +16  copied from the creation description
  char Name[32];            // +20  data-set name, zero-padded
  LONG BitsPerElement;      // +52  1, 4, 8, 16, 24, 32 or 64
  LONG Height;              // +56  rows
  LONG Width;               // +60  columns (a multiple of 8 for 1 bit, of 2 for 4 bits)
  LONG BlockColumns;        // +64  ceil(columns / block width)
  LONG BlockRows;           // +68  ceil(rows / block height)
  LONG BlockHeight;         // +72
  LONG BlockWidth;          // +76
  LONG LastHeight;          // +80  height of the last block row
  LONG LastWidth;           // +84  width of the last block column
  DWORD BorderPosition;     // +88  0 = no border
  DWORD BorderLength;       // +92
  DWORD PalettePosition;    // +96  320 (byte mode), 2 (unit mode), 0 (no palette)
  DWORD PaletteLength;      // +100 1024
  DWORD TablePosition;      // +104 block table
  DWORD TableLength;        // +108 blocks x 8
  BYTE Reserve1[12];        // +112
  LONG ProjectionWord;      // +124 first word of the projection data; -1 converted rasters
  DWORD ProjectionCode;     // +128
  BYTE Reserve2[4];         // +132
  double Scale;             // +136 map scale denominator (>= 1)
  double Precision;         // +144 elements per metre of the source (>= 1)
  double ElementSize;       // +152 metres per element = scale / precision
  double LocationX;         // +160 south-west corner, northing
  double LocationY;         // +168 south-west corner, easting
  double ProjParams[4];     // +176
  BYTE Compression;         // +208 RMF_PLAIN, RMF_LZW, RMF_MATRIX
  BYTE CreatorBytes[2];     // +209
  BYTE BorderDisplayOff;    // +211 0 = show only what lies inside the border
  DWORD FlagsPosition;      // +212 block flags; 0 = none
  DWORD FlagsLength;        // +216 = number of blocks
  DWORD MainLength;         // +220 main file size
  DWORD ContinuationLength; // +224 continuation file size; 0 = none
  BYTE UnitShift;           // +228 0 or 8
  BYTE Reserve3[7];         // +229
  DWORD LayerPosition;      // +236 layer matrices only
  DWORD LayerLength;        // +240
  BYTE LocationSet;         // +244 1 once a location was given
  BYTE Negative;            // +245 rasters: show inverted
  BYTE Reserve4[2];         // +246
  BYTE Invisible[32];       // +248 rasters: bit i = palette index i hidden
  double Minimum;           // +280 matrices: least value above the empty one
  double Maximum;           // +288
  double EmptyValue;        // +296 matrices: the value of an element without data
  LONG HeightUnit;          // +304 0..3: metres, decimetres, centimetres, millimetres
  BYTE MatrixBytes[4];      // +308
  DWORD AdditionPosition;   // +312 0 = none
  DWORD AdditionLength;     // +316 320
};

// One block table entry.
struct RMFBLOCKDESC {
  DWORD Position;
  DWORD Length;
};

// The first bytes of the continuation file.
struct RMFCONTINUATION {
  DWORD Sign;    // RMF_CONT_SIGN
  DWORD Length;  // the continuation file's own length
};
#pragma pack(pop)

static_assert(sizeof(RMF) == 320);
static_assert(offsetof(RMF, Name) == 20);
static_assert(offsetof(RMF, BitsPerElement) == 52);
static_assert(offsetof(RMF, BorderPosition) == 88);
static_assert(offsetof(RMF, PalettePosition) == 96);
static_assert(offsetof(RMF, TablePosition) == 104);
static_assert(offsetof(RMF, ProjectionWord) == 124);
static_assert(offsetof(RMF, ProjectionCode) == 128);
static_assert(offsetof(RMF, Scale) == 136);
static_assert(offsetof(RMF, ElementSize) == 152);
static_assert(offsetof(RMF, ProjParams) == 176);
static_assert(offsetof(RMF, Compression) == 208);
static_assert(offsetof(RMF, FlagsPosition) == 212);
static_assert(offsetof(RMF, MainLength) == 220);
static_assert(offsetof(RMF, ContinuationLength) == 224);
static_assert(offsetof(RMF, UnitShift) == 228);
static_assert(offsetof(RMF, LayerPosition) == 236);
static_assert(offsetof(RMF, LocationSet) == 244);
static_assert(offsetof(RMF, Invisible) == 248);
static_assert(offsetof(RMF, Minimum) == 280);
static_assert(offsetof(RMF, EmptyValue) == 296);
static_assert(offsetof(RMF, HeightUnit) == 304);
static_assert(offsetof(RMF, MatrixBytes) == 308);
static_assert(offsetof(RMF, AdditionPosition) == 312);
static_assert(sizeof(RMFBLOCKDESC) == 8);
static_assert(sizeof(RMFCONTINUATION) == 8);

// The element rectangle of a block: first and last row and column.
struct RMFBLOCK {
  LONG FirstRow;
  LONG FirstColumn;
  LONG LastRow;
  LONG LastColumn;
};

// Where a position lies: the part (0 main, 1 continuation) and the byte
// offset in that part's file.
struct RmfPlace {
  int part;
  uint64_t offset;
};

// The place of a position; false for a unit address above RMF_MAX_ADDRESS.
bool RmfLocate(DWORD position, int unitShift, RmfPlace* place);

// Block geometry chosen at creation from the depth: 512 x 512 for 1 bit,
// 256 x 256 for 4 and 8 bits, 128 x 128 for 16 and 32 bits, 64 x 64 for 24
// and 64 bits; 0 for any other depth.
int RmfBlockSide(int bits);
// Palette entries a raster of the depth uses: 2, 16 or 256 (0 above 8 bits).
int RmfPaletteColors(int bits);
// Columns as stored: raised to a multiple of 8 (1 bit) or 2 (4 bits); -1
// when that passes the 32-bit range.
int RmfStoredColumns(int columns, int bits);
// Fills the six block-geometry words (+64..+84) for rows, columns and bits
// (columns as stored); false for a depth without a block size.
bool RmfSetGeometry(RMF* header);
// True when the header's geometry is one the file layer can work with: a
// depth with a block size (layer matrices: any whole number of bytes), positive sizes whose blocks cover the rows and columns
// exactly, blocks of at most 16 MB and a block table that fits 32 bits.
bool RmfGeometryValid(const RMF& header);
// Raw data bytes of the whole grid, in 64 bits.
int64_t RmfRawSize(int64_t columns, int64_t rows, int bits);
// True when data of that size need unit addresses.
inline bool RmfNeedsUnits(int64_t columns, int64_t rows, int bits) {
  return RmfRawSize(columns, rows, bits) > RMF_BYTE_MODE_LIMIT;
}

// The kinds whose 8- and 32-bit elements are signed numbers.
inline bool RmfMatrixKind(DWORD kind) { return kind == RMF_MTW || kind == RMF_MTQ; }

// Element k of a block (element encodings of the format):
//   1 bit    bit 7 - k mod 8 of byte k / 8 (the first element is the MSB)
//   4 bits   the low nibble for an even element, the high one for an odd one
//   8 bits   signed (MTW, MTQ: an empty -127 is stored as 0x81) or unsigned
//   16 bits  signed, of every kind (a raster's colour is the element's
//            bits read as RGB555, red in bits 10..14)
//   24 bits  bytes B, G, R of a colour word 0x00BBGGRR
//   32 bits  signed (MTW, MTQ) or bytes B, G, R, 0 (other kinds)
//   64 bits  IEEE double
// Integer values of up to 32 bits; 64-bit elements through the double forms.
// (Inline: every element read comes here.)
inline int64_t RmfGetElement(const BYTE* b, int64_t k, int bits, DWORD kind) {
  const bool matrix = RmfMatrixKind(kind);
  switch (bits) {
    case 1: return (b[k >> 3] >> (7 - (k & 7))) & 1;
    case 4: return (b[k >> 1] >> ((k & 1) * 4)) & 15;
    case 8: return matrix ? int64_t(static_cast<signed char>(b[k])) : int64_t(b[k]);
    case 16: {
      int16_t w;
      __builtin_memcpy(&w, b + k * 2, 2);
      return w;
    }
    case 24: {
      const BYTE* p = b + k * 3;
      return (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | p[2];
    }
    case 32: {
      const BYTE* p = b + k * 4;
      if (matrix) {
        int32_t v;
        __builtin_memcpy(&v, p, 4);
        return v;
      }
      return (DWORD(p[0]) << 16) | (DWORD(p[1]) << 8) | p[2];
    }
    default: return 0;
  }
}
void RmfPutElement(BYTE* block, int64_t k, int bits, DWORD kind, int64_t value);
inline double RmfGetDouble(const BYTE* block, int64_t k) {
  double v;
  __builtin_memcpy(&v, block + k * 8, 8);
  return v;
}
inline void RmfPutDouble(BYTE* block, int64_t k, double v) { __builtin_memcpy(block + k * 8, &v, 8); }

// A double truncated toward zero to 32 bits; values outside the range
// (and NaN) give the smallest one.
inline LONG RmfTruncate(double v) {
  if (!(v >= -2147483648.0 && v < 2147483648.0)) return LONG(0x80000000u);
  return LONG(v);
}

// Colour words and RGB555 elements of 16-bit rasters.
COLORREF RmfColorFrom555(WORD value);
WORD RmfColorTo555(COLORREF color);
