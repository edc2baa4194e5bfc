// The open classifier: its data block TRSCDATA, the object index, the GRS
// index, the memory pool and the core functions that open, check, index,
// create and close a classifier.
//
// The whole file is read into one image and its tables are used in place.
// Tables and records that editing enlarges move into the classifier's
// memory pool; nothing is freed record by record, everything goes when the
// classifier closes.
//
// References. Every link that a record or the header keeps in a 32-bit
// field (the table offsets of the header copy, the value list and default
// list of a semantic, the code list of a layer) is a 32-bit reference into
// one address space of the classifier: values below the image size are
// offsets into the file image (so the file offsets read from disk are
// already valid references), and each pool block takes the next range of
// values after the image and the blocks before it. rscRefAddress turns a
// reference into an address; 0 is the null reference. Addresses are never
// stored in 32-bit fields.
#pragma once

#include "classifier/rscformat.h"
#include "common/maperr.h"
#include "platform/win_types.h"

// One entry per object kind; entry n describes object n, entry 0 is unused.
struct RSCOBJINDEX {
  TABOBJ* Obj;      // the object's record
  TABPOS* Pos;      // its semantics (or null)
  TABLIM* Lim;      // its series limits (series objects only, or null)
  VIEPAR* Par;      // screen image parameters (or null)
  VIEPAR* Prn;      // printer image parameters (or null)
  DWORD Excode;
  WORD Function;    // image function of the screen record
  WORD Flags;       // RSCINDEX_*
  WORD Segment;
  BYTE Local;
  BYTE Extloc;
  WORD Series;
  BYTE Extsem;
};

enum : WORD {
  RSCINDEX_EMPTY = 2,    // excode 0 and number 16 or above
  RSCINDEX_DELETED = 4,  // deleted by editing
  RSCINDEX_SERIES = 8,   // member of a series that has a LIM record
  RSCINDEX_SHARED = 16,  // shares POS and LIM with an earlier series member
};

// One entry per GRS item. Entries are kept from the first entry of the
// index on, in table order; the first entry whose Number is 0 ends them
// (the index always keeps at least one free entry after the last).
struct RSCGRSINDEX {
  DWORD Code;          // semantic code of the group
  WORD Number;         // GRS number, 0: free entry
  WORD Flag;
  DWORD Value;         // semantic value
  DWORD Function;      // image function of the item
  IMAGEVALUE* Image;   // the item (or null)
};

// Head of a pool block (12 bytes). Blocks are chained through the block
// list of the data block; the head keeps the block's first reference.
struct RSCPOOLHEAD {
  DWORD Ref;     // reference of the block's first byte (its head)
  DWORD Size;    // bytes, head included
  DWORD Used;    // bytes handed out, head included
};
static_assert(sizeof(RSCPOOLHEAD) == 12);

constexpr DWORD RSC_ACCESS_READWRITE = 0xC0000000u;
constexpr DWORD RSC_ACCESS_READ = 0x80000000u;
constexpr DWORD RSC_ACCESS_WRITEBIT = 0x40000000u;
constexpr DWORD RSC_SHARE_DEFAULT = 3;
constexpr DWORD RSC_POOL_LOADED = 32768;     // pool block size after a load or a creation
constexpr DWORD RSC_POOL_DEFAULT = 16384;    // pool block size of a first request
constexpr DWORD RSC_INDEX_SPARE = 100;       // free index entries after a load
constexpr DWORD RSC_READ_PIECE = 32767;      // the file is read in pieces of this size

struct TRSCDATA {
  char Path[MAX_PATH];        // the path that was opened
  char FileName[MAX_PATH];    // file name and extension as requested
  RSCOBJINDEX* ObjIndex;      // object index (null: closed)
  RSCGRSINDEX* GrsIndex;
  DWORD ObjIndexSize;         // entries allocated
  DWORD GrsIndexSize;
  DWORD Modify;               // non-zero: unsaved changes
  DWORD ApiOpen;              // kept for the interface layer
  DWORD ErrorCode;            // last error code
  DWORD Access;               // RSC_ACCESS_*
  DWORD Share;
  HANDLE File;                // the open file (null when none)
  BYTE FontMap[256];          // font code c: registry number - 1, at [c - 1]
  BYTE* Image;                // the file image (or the image of a new one)
  RSCHEAD Head;               // header copy; table offsets are references
  RSCPOOLHEAD* PoolBlock;     // block handed out from (null: no pool)
  DWORD PoolSize;             // data size of further blocks
  DWORD ObjSpare;             // free object index entries
  DWORD SemSpare;             // free SEM records in the current SEM table
  DWORD SegSpare;
  DWORD ImlSpare;
  DWORD FontSpare;
  DWORD GrsSpare;             // free GRS index entries
  // Additions of this build:
  DWORD ImageSize;            // bytes of the image (references below it)
  DWORD PoolNextRef;          // reference the next pool block starts at
  RSCPOOLHEAD** PoolList;     // every pool block, in order of allocation
  DWORD PoolCount;
  DWORD PoolListSize;
  WORD FontUses[64];          // registrations held in each font registry slot
};

// --- references -------------------------------------------------------

// The address of a reference (null for 0 or a reference outside the image
// and the pool).
BYTE* rscRefAddress(const TRSCDATA* data, DWORD ref);
// The reference of an address inside the image or a pool block; 0 when it
// lies in neither.
DWORD rscAddressRef(const TRSCDATA* data, const void* address);
// Whether [ref, ref + length) lies within one block (the image or one pool
// block).
bool rscRefExtent(const TRSCDATA* data, DWORD ref, uint64_t length);
// The first record of a table (null when the table is absent).
BYTE* rscTable(const TRSCDATA* data, int table);
// Points a table at a new place (an address in the image or the pool).
void rscSetTable(TRSCDATA* data, int table, const void* address);

// Typed table access.
inline TABSEM* rscSemTable(const TRSCDATA* d) { return (TABSEM*)rscTable(d, RSC_SEM); }
inline TABSEG* rscSegTable(const TRSCDATA* d) { return (TABSEG*)rscTable(d, RSC_SEG); }
inline TABPAL* rscPalTable(const TRSCDATA* d) { return (TABPAL*)rscTable(d, RSC_PAL); }
inline TABTXT* rscTxtTable(const TRSCDATA* d) { return (TABTXT*)rscTable(d, RSC_TXT); }
inline TABIML* rscImlTable(const TRSCDATA* d) { return (TABIML*)rscTable(d, RSC_IML); }

// --- memory pool ------------------------------------------------------

// Frees an existing pool and takes a first block of size + 12 bytes; size,
// or 0 when the block can't be had.
LONG rscOpenMemory(TRSCDATA* data, LONG size);
// Frees every block; 1, or 0 when there was no pool. Also zeroes the
// spare counts.
int rscCloseMemory(TRSCDATA* data);
// n bytes from the pool (zero-filled); null on failure. With `ref`, the
// reference of the bytes is stored there.
BYTE* rscGetMemoryBlock(TRSCDATA* data, LONG n, DWORD* ref = nullptr);

// --- life cycle -------------------------------------------------------

void rscInitRsc(TRSCDATA* data);
int rscOpenRsc(TRSCDATA* data, const char* path, int mode);
// 0 on success, else the error code.
int rscReadRscFile(TRSCDATA* data, const char* path);
int rscBuildIndex(TRSCDATA* data);
int rscCreateRsc(TRSCDATA* data, const char* path, RSCCREATE* create, int mode,
                 PALETTE256* palette);
int rscCloseRsc(TRSCDATA* data);
int rscFreeRsc(TRSCDATA* data);
int rscIsOpen(const TRSCDATA* data);
// Closes the file and frees the image (nothing else).
void rscCloseRscBase(TRSCDATA* data);
// Creates (or empties) the file of a new classifier for reading and
// writing, keeps its path and name and sets a bare header; 60001 and
// false when the path is too long or the file can't be made. The path may
// be the block's own.
bool rscCreateFileBase(TRSCDATA* data, const char* path);
// Reopens the open classifier from its file, dropping unsaved changes.
int rscRevert(TRSCDATA* data);
// Writes the classifier back to its file (force: even when unmodified).
int rscSaveRsc(TRSCDATA* data, int force);

// Access modes (plat::OpenAccess): a value below 0x40000000, or one with
// the write bit, means read and write.
DWORD rscNormalizeAccess(DWORD mode);
DWORD rscSetAccessMode(TRSCDATA* data, DWORD mode);
DWORD rscGetAccessMode(const TRSCDATA* data);
DWORD rscSetShareMode(TRSCDATA* data, DWORD mode);

// True when the low half of a style word names an older classifier version.
bool rscIsOldStyle(DWORD style);

// --- common classifier folder -----------------------------------------

// Keeps a folder of 2 to 259 characters (a backslash added when it does
// not end in a separator) as the folder of the common classifiers, where
// a classifier is looked for when its own path does not open. Returns the
// path, or 0 for a null path or another length (the folder is unchanged).
const char* CommonRscPathSet(const char* path);
// The folder, "" when never set.
const char* CommonRscPathGet();
