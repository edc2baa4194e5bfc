// Access to a blocked raster or matrix file (raster/rmfformat.h): the
// object that opens, creates, reads and writes rasters, elevation, quality
// and layer matrices.
//
// It keeps the header, the block table, the block flags, the border, the
// palette and the addition area in memory, caches decoded blocks in a small
// least-recently-used cache and writes every changed area back on Save or
// Close, in the order palette, blocks, block table, addition, block flags,
// border, header. Failures leave a code in Error (60001 memory, 60002
// create or disk full, 60003 read or decode, also a bad continuation file,
// 60004 write, 60005 bad parameters or format, 60006 no open file, 60040
// bad block index or argument) and return 0; the object stays usable and
// the cache keeps its contents.
//
// The cache: slot count + 1 block buffers in one allocation, the last one
// the read buffer for compressed data. A read takes the unkept slot with
// the smallest stamp (ties to the lower slot); a slot kept through
// LockBlockAddress is never taken, by a read or by a new block, until
// UnlockBlocks. With every slot kept a read fails with 60001.
//
// All file transfers go through the platform layer's positional reads and
// writes; a file that cannot be opened for writing is opened read-only, and
// writers then return 0 without an error code.
#pragma once

#include <cstdint>

#include "codec/compress.h"
#include "drawing/polydata.h"
#include "geodesy/measure.h"
#include "platform/export.h"
#include "platform/file.h"
#include "raster/rmfformat.h"
#include "records/dataedit.h"

// One slot of the block cache.
struct RMFSLOT {
  LONG Number;   // block number (row x block columns + column); -1 = empty
  LONG Row;
  LONG Column;
  BYTE* Buffer;  // the slot's block buffer
  LONG Dirty;    // 1 = changed since read
  DWORD Stamp;   // use counter at the last use
  LONG Keep;     // 1 = must not be reused
};

class MAPCLASS TRmf {
 public:
  static constexpr int kDefaultSlots = 8;
  static constexpr int kMaxSlots = 16;

  // Life cycle. The creating constructors run the matching Create; on
  // failure the object is left empty with the code in Error.
  TRmf();
  TRmf(const char* name, int columns, int rows, int bits, const DWORD* palette, double scale,
       double precision);
  TRmf(const char* name, const RMF* header, const DWORD* palette);
  ~TRmf();
  TRmf(const TRmf&) = delete;
  TRmf& operator=(const TRmf&) = delete;

  // Closes any open file and opens an existing one: access from bits 30 and
  // 31 of mode (read and write when mode is below 0x40000000), falling back
  // to read-only; 60006 when neither open succeeds. Reads nothing.
  int Open(const char* name, int mode = 0);
  // Open, then the header (ReadHeader), a signature check (Verify with the
  // file's own kind), the block table, the palette, the addition, the block
  // flags and the border where the header names them, and the cache.
  int OpenFile(const char* name, int mode = 0);
  // A new empty file (replacing one of that name): version 0x0200, palette
  // area at 320, addition and border to be written; 60006 when it cannot be
  // created. No name: 0 without an error code.
  int Create(const char* name);
  // A new raster of rows x columns elements of `bits` (1, 4, 8, 16, 24, 32,
  // 64), unit mode when its raw data exceed 4,293,943,040 bytes; scale and
  // precision below 1 become 1. The palette (2, 16 or 256 words by depth)
  // when given. Saved at once.
  int Create(const char* name, int columns, int rows, int bits, const DWORD* palette,
             double scale, double precision);
  // A new file from a header description (signature, geometry, location,
  // projection and the kind's own fields are copied) and a palette of the
  // header's palette length. Saved at once.
  int Create(const char* name, const RMF* header, const DWORD* palette);
  // Writes, each when changed or forced: palette, dirty cached blocks,
  // block table, addition, block flags, border, header. 1, or 0 with the
  // code of the first failed write (later areas are left for the next
  // Save). Needs the main file open and writable (else 0, no code).
  int Save(int force = 0);
  // Save (not forced), empties the cache, closes the files (unless shared);
  // with `free` also releases the buffers.
  void Close(int free = 1);

  void ClearAll();
  void ClearBuffer();
  void FreeBuffer();
  // min(count, 16) slots (the old ones are dropped unwritten) and the block
  // mask; the slot count, or 0 (60001, 60005 without a block size).
  int AllocateBuffer(int count);
  int AllocateBlockDesc(int size);
  int AllocateBlockFlags(int size);
  int AllocateBlockMask(int size);
  int AllocateBorderPoints(int size);

  // Header and areas.
  int ReadHeader();
  int WriteHeader();
  int ReadBlockDesc();
  int WriteBlockDesc();
  int ReadBlockFlags();
  int WriteBlockFlags();
  int ReadPalette();
  int WritePalette();
  int ReadAddition();
  int WriteAddition();
  int ReadBorder();
  int WriteBorder();
  // Size of the current file; -1 without one.
  int64_t FileLength();
  // Expected file size: blocks x 8 + 1344 + raw data; stores the block
  // counts in the header. 0 and 60005 for bad arguments.
  int64_t CalculationFileLength(int columns, int rows, int bits);
  // 1 when the expected size of the open file fits on the disk of `path`.
  int DiskFreeSpace(const char* path);
  int GetUpdateTime(FILETIME* time);
  // Copies min(count, 256) colour words into the palette and marks it
  // changed; returns the palette.
  DWORD* Palette(const DWORD* colours, int count);
  // 1 when the file is open, of that signature, at least a header long and
  // covered by its blocks; else 0 with 60006 or 60005.
  int Verify(DWORD signature);

  // Blocks.
  // Reads block (row, col) into the cache: the slot, or -1 (absent block:
  // no code; failure: 60040, 60003, 60001).
  int ReadBlock(int row, int col);
  // The cached block's buffer, read when needed; 0 for an absent block or
  // a failure.
  BYTE* GetBlockAddress(int row, int col);
  // GetBlockAddress, else a new block of the empty content, marked dirty.
  BYTE* GetBlockAddressAndCreate(int row, int col);
  // Fills a slot with the empty content: zeros for rasters, the empty value
  // of header +296 for matrices (60005 for other depths).
  int BufferBlockInit(int slot);
  // Writes a slot's block with its raw length and clears its dirty word.
  int WriteBlock(int slot);
  int SaveBlock(int row, int col);
  int SaveBuffer();
  // Copies block (row, col) decoded to the caller (at most length bytes):
  // the byte count; 0 for an absent block (no code).
  int ReadBlock(int row, int col, char* buffer, int length);
  // Stores caller data (plain or compressed) as block (row, col): in place
  // when the block's place is at least that long, else at the end of the
  // data; at most the block's raw length is stored. The byte count.
  int WriteBlock(int row, int col, const char* data, int length);
  int WhereBlock(RMFBLOCK& frame, int row, int col);
  // GetBlockAddress that also keeps the block's slot; UnlockBlocks frees
  // them all.
  BYTE* LockBlockAddress(int row, int col);
  void UnlockBlocks();
  // A cached block whose elements were changed: dirty, and a compressed
  // block loses its place (it is stored plain at the next write).
  void BlockChanged(int slot);

  // Block table and positions.
  DWORD SetAccessMode(DWORD mode);
  int BlockHeight(int blockRow) const;
  int BlockWidth(int blockColumn) const;
  int BlockRawLength(int blockRow, int blockColumn) const;
  DWORD BlockLength(int number);
  DWORD BlockPosition(int number);
  DWORD SetBlockLength(int number, DWORD value);
  DWORD SetBlockPosition(int number, DWORD value);
  int BlockFlag(int number);
  int SetBlockFlag(int number, int flag);
  // Makes the file holding the position current and moves its pointer
  // there (origin: FILE_BEGIN only): the byte offset, 1 for position 0, 0
  // on failure (an address above 0x01FFFFFE, no continuation file).
  int64_t SeekPosition(DWORD position, int origin = FILE_BEGIN);
  // End position of the data; *part = 1 when it lies in the continuation
  // file. 0 and 60006 without an open file.
  DWORD EndPosition(DWORD* part = nullptr);

  // Compression through the object's coder.
  int Compress(const char* source, int length, char* dest, int destSize);
  int Decompress(const char* source, int length, char* dest, int destSize);
  int CompressMtr(const LONG* source, int length, char* dest, int destSize, LONG threshold);
  int DecompressMtr(const char* source, int length, char* dest, int destSize);

  // State.
  int GetError() const { return Error; }
  int IsOpen() const { return Main != nullptr; }
  int IsWritable() const { return Main != nullptr && (Access & GENERIC_WRITE) != 0; }
  // Blocks of the header's geometry; 0 when its counts are not positive or
  // their product passes 32 bits (a damaged header).
  int BlockCount() const {
    const int64_t n = int64_t(Head.BlockRows) * Head.BlockColumns;
    return Head.BlockRows > 0 && Head.BlockColumns > 0 && n <= 0x7FFFFFFF ? int(n) : 0;
  }
  // Raw bytes of a whole block of the header's geometry (the capacity of a
  // slot).
  int64_t FullBlockSize() const {
    return RmfRawSize(Head.BlockWidth, Head.BlockHeight, Head.BitsPerElement);
  }
  const char* GetFileName() const { return FileName; }

  // Fields, in this order.
  RMF Head;                    // the header in memory
  DWORD HeadPosition = 0;      // position of the header (reduced copies lie elsewhere)
  char FileName[MAX_PATH];
  char ContName[MAX_PATH];     // the continuation file once opened or created
  DWORD PaletteWords[256];
  RMFBLOCKDESC* Table = nullptr;
  DWORD TableSize = 0;         // bytes allocated
  signed char* Flags = nullptr;
  DWORD FlagsSize = 0;
  POINT* BorderPoints = nullptr;  // border contours translated to one block
  DWORD BorderPointsSize = 0;
  POLYDATA BorderDesc;         // points, counts, count; 0, 0, mask row width, block height
  BYTE* Mask = nullptr;        // one bit per element of a block
  DWORD MaskSize = 0;
  LONG MaskRowBits = 0;        // block width raised to a multiple of 32
  TDataEdit Border;            // the border record (i32 points: column, row)
  TMeasure Measure;
  DWORD Access = GENERIC_READ | GENERIC_WRITE;
  DWORD Share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE Current = nullptr;
  HANDLE Main = nullptr;
  HANDLE Cont = nullptr;
  DWORD Created = 0;
  DWORD TableChanged = 0;
  DWORD FlagsChanged = 0;
  DWORD BorderChanged = 0;
  DWORD PaletteChanged = 0;
  DWORD HeadChanged = 0;
  DWORD AdditionChanged = 0;
  int Error = 0;
  BYTE* BlockMemory = nullptr; // slots + 1 block buffers
  DWORD BlockSize = 0;         // block height x block width x bits / 8
  int SlotCount = kDefaultSlots;
  RMFSLOT Slots[kMaxSlots];
  int CurrentSlot = 0;
  FILETIME FileTime;
  DWORD UseCounter = 0;
  DWORD Shared = 0;            // handles borrowed from another object
  double HeightFactor = 1.0;   // 1, 10, 100, 1000 by header +304
  double HeightInverse = 1.0;
  TCompress Coder;
  BYTE Addition[RMF_ADDITION_SIZE];

 private:
  int Fail(int code);
  void ClearObject();
  // The slot a read or a new block may take: the unkept slot with the
  // smallest stamp (ties to the lower one); -1 when every slot is kept.
  int ChooseSlot() const;
  int FindSlot(LONG number) const;
  void Stamp(int slot);
  // The slots and the read buffer, (re)allocated when missing or made for
  // blocks of another size than the header's.
  bool EnsureBuffer();
  bool ValidBlock(int row, int col);
  // Reads a block's stored bytes and decodes them into `dest` (capacity
  // BlockSize): false with 60003 (or 60001).
  bool LoadBlock(int number, int row, int col, BYTE* dest);
  // Transfers at a position (main or continuation file).
  bool ReadAt(DWORD position, void* buffer, DWORD size);
  bool WriteAt(DWORD position, const void* buffer, DWORD size);
  // Appends at the end position (never before the end of the header): the
  // position written at, 0 on failure.
  DWORD Append(const void* buffer, DWORD size);
  // The end position, at least the end of the header; false without one.
  bool FreePosition(DWORD* end);
  // The file and byte offset of a position, opening (and with `create`
  // creating) the continuation file when it is needed.
  HANDLE Locate(DWORD position, bool create, uint64_t* offset);
  bool OpenContinuation(bool create);
  void MakeContName();
  // True when an area of the file may be rewritten in place: it lies past
  // the header, inside the file, and meets none of the other areas.
  bool PlaceIsFree(DWORD position, DWORD length, DWORD own);
  void SetHeightFactor();
  // The header of an old version brought to the current one.
  int UpgradeHeader();
  // Save's steps: false only on a failed write.
  bool StorePalette();
  bool StoreTable();
  bool StoreAddition();
  bool StoreFlags();
  bool StoreBorder();
  bool StoreHeader();
};
