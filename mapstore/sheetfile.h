// The four files of a sheet and their records.
//
// Every sheet keeps its objects in a descriptor file (HDR: a 48-byte header
// and one 48-byte descriptor per object), a metric file (DAT), a semantics
// file (SEM) and a graphics file (GRA). The descriptors link the objects in
// one chain grouped by local type and hold the offsets of the object's
// records in the other three files. All integers are little-endian.
//
// New records go at the end of their file: metric records aligned to 4 or 8
// bytes, semantics records to 2 bytes and graphics records unaligned, and a
// semantics or graphics record never crosses a 64 KB block (it keeps 16
// bytes to spare before the block's end), because the read caches return it
// from one 64 KB window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classifier/maprsc.h"
#include "records/metric.h"
#include "records/objectdraw.h"
#include "records/semantic.h"
#include "platform/win_types.h"

// Signatures: three letters and a zero byte.
enum : DWORD {
  HDR_IDENT = 0x00524448u,  // "HDR"
  DAT_IDENT = 0x00544144u,  // "DAT"
  SEM_IDENT = 0x004D4553u,  // "SEM"
  DRW_IDENT = 0x00575244u,  // "DRW", the graphics file
};

enum : WORD {
  HDR_VERSION = 0x0700,
  HDR_MARK = 0x414E,
};

// Descriptor flags (byte 34).
enum : BYTE {
  FVSPR_DELETED = 0x01,
  FVSPR_EXTLOC = 0x02,
  FVSPR_BOTTOP = 0x04,
  FVSPR_3D = 0x20,  // the metric carries heights
  FVSPR_SCALE = 0x40,
};

// Classifier index that marks the sheet frame object.
enum : WORD { FVSPR_FRAME_CODE = 15 };

enum : int {
  SHEET_RECORD_SIZE = 48,   // header and descriptors
  DAT_HEAD_SIZE = 8,        // signature and a zero word
  SEM_HEAD_SIZE = 4,
  DRW_HEAD_SIZE = 4,
  SHEET_BLOCK = 0x10000,    // the 64 KB block of semantics and graphics
  SHEET_BLOCK_SPARE = 16,   // bytes kept free before a block's end
  DATA_MIN_LENGTH = 10,     // metric record lengths accepted: 10 ..
  DATA_MAX_LENGTH = 0xFFFFFF,  // .. 16,777,215
  SEMN_MAX_LENGTH = 32752,  // semantics records are below 32753 bytes
  DRAW_MAX_LENGTH = 32752,
  DRAW_MIN_STORED = 20,     // a shorter graphics record holds no element
};

#pragma pack(push, 1)
// Record 0 of the descriptor file.
struct HDRHEAD {
  DWORD Ident;       // HDR_IDENT
  LONG Count;        // descriptors in the file
  LONG First;        // first object of the chain, 0 none
  LONG Last;         // last object of the chain, 0 none
  DWORD NextKey;     // key of the next new object; 1 in a new file
  LONG LastPolygon;  // last object of each local type in the chain, 0 none
  LONG LastLine;
  LONG LastPoint;
  LONG LastTitle;
  LONG LastVector;
  DWORD Zero;
  WORD Version;      // HDR_VERSION, written but not checked
  WORD Mark;         // HDR_MARK
};
static_assert(sizeof(HDRHEAD) == 48);

// The descriptor of one object (record n of the descriptor file).
struct FVSPR {
  DWORD Next;        // next object of the chain, 0 = last
  DWORD Back;        // previous object, 0 = first
  BYTE Local;        // low nibble: local type; high nibble kept
  BYTE Segment;      // layer number
  WORD Code;         // classifier index of the kind; 15 = sheet frame
  LONG X1;           // frame in device units: minimum X (northing)
  LONG Y1;
  LONG X2;
  LONG Y2;
  DWORD Key;         // unique within the sheet, 0 = not yet given
  WORD Reserve;      // kept as written
  BYTE Flags;        // FVSPR_*; other bits kept
  BYTE Scales;       // low nibble bottom scale, high nibble 15 - top scale
  DWORD SemnOffset;  // offsets of the records, 0 = none
  DWORD DataOffset;
  DWORD DrawOffset;
};
static_assert(sizeof(FVSPR) == 48);
#pragma pack(pop)

inline int FvsprLocal(const FVSPR* desc) { return desc->Local & 0x0F; }
inline bool FvsprIsDeleted(const FVSPR* desc) { return (desc->Flags & FVSPR_DELETED) != 0; }
inline bool FvsprIsFrame(const FVSPR* desc) { return desc->Code == FVSPR_FRAME_CODE; }

// Fills a header as a new file has it: the signature, next key 1, version
// and mark, all else zero.
void InitHdrHead(HDRHEAD* head);
// 1 when the signature and the mark are right.
int CheckHdrHead(const HDRHEAD* head);
// 1 when a descriptor file of `length` bytes holds what the header counts
// (48 x (count + 1) bytes; bytes past that are an append that never
// completed) and the header's chain ends (first, last, last of each local
// type) lie within 0 .. count.
int CheckHdrCount(const HDRHEAD* head, int64_t length);

// Metric kinds: valid markers, and those that carry heights.
inline bool IsMetricMarker(DWORD marker) {
  return (marker & ~DWORD(METRIC_MARKER_FREE)) == METRIC_MARKER_BASE;
}
bool IsMetric3D(DWORD marker);

// Checks of a record before it is stored; 0 when it may be stored, else
// MAPERR_DATA. A record's memory must hold at least the length it claims.
// Metric: a valid marker, a length of 16 (the head and the first count word)
// up to DATA_MAX_LENGTH, and not empty (no subobjects and an empty first
// contour).
int CheckDataRecord(const LONGMETRIC* metric);
// Semantics: the 0x7FFF head and a length of 4 up to SEMN_MAX_LENGTH.
int CheckSemnRecord(const SEMANTIC* semn);
// Graphics: the IMGDRAW_IDENT head and a length of 12 up to DRAW_MAX_LENGTH.
int CheckDrawRecord(const IMGDRAW* draw);
// Checks of a record read from its file, before an object is made of it: 0
// when it is sound, else MAPERR_DATA. The checks above, and its insides: a
// metric record's contours lie inside it (with their text entries when
// `text`; the i32 kind with heights by the 12 bytes of its points, a kind
// of no known point layout by its head alone), a
// semantics record is whole characteristics up to its length, a graphics
// record's elements lie inside it.
int CheckReadData(const LONGMETRIC* metric, bool text);
int CheckReadSemn(const SEMANTIC* semn);
int CheckReadDraw(const IMGDRAW* draw);
// A semantics record of length 4 and a graphics record shorter than 20 bytes
// are empty: they are not stored and the descriptor's offset becomes 0.
inline bool IsSemnRecordEmpty(const SEMANTIC* semn) { return semn->Length <= SEMANTIC_HEAD; }
inline bool IsDrawRecordEmpty(const IMGDRAW* draw) { return draw->Length < DWORD(DRAW_MIN_STORED); }

// Placement of a new record of `length` bytes at the end `end` of its file:
// the offset it starts at, or -1 when it would not end below 4 GB (the
// descriptors hold 32-bit offsets).
// Metric: `end` rounded up to 8 for the double-precision kinds
// (0x7FF87FF8, 0x7FFC7FFC), else to 4.
int64_t PlaceDataRecord(uint64_t end, DWORD marker, DWORD length);
// Semantics: `end` rounded up to 2; graphics: `end`. Either moves to the
// next 64 KB block when fewer than length + 16 bytes are left in its block.
int64_t PlaceSemnRecord(uint64_t end, DWORD length);
int64_t PlaceDrawRecord(uint64_t end, DWORD length);

// The four files of a sheet, and extensions of their names.
enum : int {
  SHEET_HDR = 0,
  SHEET_DAT = 1,
  SHEET_SEM = 2,
  SHEET_GRA = 3,
  SHEET_FILES = 4,
};

// Stretches of a DAT, SEM or GRA file that records named by descriptors
// claim past the file's end (a file cut short, a length or offset word
// pointing past it): a new record is placed clear of them, so that it never
// becomes part of a damaged record. At most CLAIM_SPANS of them: more are
// joined, the nearest first, so that they cover at least every stretch
// added.
struct CLAIMSPAN {
  int64_t First;
  int64_t End;  // past the last byte
};
struct CLAIMSPANS {
  enum : int { CLAIM_SPANS = 8 };
  int Count;
  CLAIMSPAN Span[CLAIM_SPANS + 1];  // sorted and apart; one more while adding

  void Add(int64_t first, int64_t end);
  // The first span that meets [at, at + length), null when none does.
  const CLAIMSPAN* Meets(int64_t at, int64_t length) const;
};
// Adds to `shared` the bytes that more than one of `count` records claims
// (each record's stretch from its offset, sorted here by offset): a record
// that meets another one meets a span of `shared`, and no other record does
// while the spans are few enough not to be joined.
void FindSharedClaims(CLAIMSPAN* records, size_t count, CLAIMSPANS& shared);

// Bytes of the head of a DAT, SEM or GRA record that its readers take it
// by (marker and length), and of its marker.
int SheetRecordHead(int file);
int SheetRecordMarker(int file);
// The bytes a record claims from its offset, by its head (SheetRecordHead
// bytes, zeros where the file has none): its length when the readers take
// the head (`*taken` true), else the head alone.
DWORD ClaimedLength(int file, const char* head, bool* taken);
// Placement of a new record of `length` bytes in file `file` (DAT, SEM or
// GRA; `marker` gives a metric record's alignment) at `end` or past it, by
// the rules above and clear of `claims`: the offset, or -1.
int64_t PlaceSheetRecord(int file, uint64_t end, DWORD marker, DWORD length,
                         const CLAIMSPANS& claims);

// ".HDR" ".DAT" ".SEM" ".GRA"; for a user map ".SHD" ".SDA" ".SSE" ".SGR".
const char* SheetFileExtension(int file, int userMap);
// The bare name of a new sheet's files, from the file name its register
// gives (at most `length` bytes): no leading backslash, folder or
// extension; `name` holds `size` bytes.
void SheetBareName(const char* given, size_t length, char* name, size_t size);
// File `file` of a new sheet whose bare name is `bare`: `folder` (may be
// empty), the name's first SHEET_BASE_LENGTH characters (so that the whole
// fits a sheet record's name field) and the extension; false when it does
// not fit `size`.
constexpr size_t SHEET_BASE_LENGTH = 259;
bool SheetFileNameOf(const char* folder, const char* bare, int file, int userMap, char* out,
                     size_t size);
// Backups in the log folder: ".^HD" ".^DA" ".^SE" ".^GR"; for a user map
// ".^SH" ".^SD" ".^SS" ".^SG".
const char* SheetBackupExtension(int file, int userMap);
// Signature at the start of each file (HDR_IDENT for the descriptor file).
DWORD SheetFileIdent(int file);

// Writes `size` bytes at `offset` of a sheet file: 0; MAPERR_DISKFULL when
// the write came out short or the disk filled part-way; else MAPERR_WRITE.
int WriteSheetBytes(HANDLE file, int64_t offset, const void* data, DWORD size);
