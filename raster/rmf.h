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
// Behind the slots a store (raster/rmfstore.h) keeps the blocks the slots
// give up, decoded, up to a bound of memory (CacheLimit, 64 MB unless the
// host sets another), so that a block read again is neither read nor
// decoded again. It holds what the file held while the file is known to be
// as it was then: each call that misses a block in the slots reads the
// signal of the files (ReadSignal: the size, last-write time and change
// time of the main and continuation files) once and compares it with the
// one the store was filled under; any difference, a write through this
// object, a new block table or a Close empties it. A block read while the
// file had been changed within the last two seconds (by the clock of
// platform/clock.h) is not kept: a later write in the same tick of the file
// system's clock would leave the signal as it was. A frame read (GetFrame)
// that covers at most half of the elements of the blocks it meets keeps
// them as element reads do, so that the next rows of a picture read row by
// row find them, except blocks stored plain, whose rows it copies from a
// view of the file (Views); a larger one, and a frame written (PutFrame),
// takes the blocks it finds in the store but puts none there: it asks for
// each block once. The store's memory is freed with the file.
//
// The blocks in the slots are used as read, without a signal, until the
// file is closed or the document adjusts to changed files (DropReadBlocks).
// So is the row of a block stored plain that an element read alone takes
// with it (RowCopy), which reads along a row use without finding their
// block: neither the slots nor the store, nor the signal, are asked for it.
//
// A block or an area is rewritten in place only while no other block, area
// or image of the file holds a byte of its place (a damaged table may give
// two blocks one place, or put one over an area); else it is stored anew
// at the end of the data. A block table that shares bytes with the header
// or an area is refused at opening (60005), and so is a reduced copy
// (raster/rst.h) whose header, table or area shares bytes with the file's
// first header or another image. A layer matrix's layer block is stored
// anew at the end when a block shares its place.
//
// A frame written (PutFrame) reads every block it covers in part before it
// changes any: a block that does not read fails the write (60003) with the
// blocks as they were; a block it covers whole is replaced without being
// read. A block whose stored bytes run past the end of its file does not
// read, whichever of its rows are asked and by whichever road.
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
#include "platform/fileio.h"
#include "mapstore/sheetview.h"
#include "raster/rmfformat.h"
#include "raster/rmfplaces.h"
#include "raster/rmfstore.h"
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
  static constexpr int64_t kDefaultCacheLimit = int64_t(64) << 20;

  // The bytes of decoded blocks that each file opened or created from now
  // on keeps behind its slots (0: none); returns the bound in force before.
  // A negative value changes nothing.
  static int64_t CacheLimit(int64_t bytes);

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
  // 31 of mode (read and write when mode is below 0x40000000 or has the
  // write bit: plat::OpenAccess), falling back to read-only; 60006 when
  // neither open succeeds. Reads nothing.
  int Open(const char* name, int mode = 0);
  // Open, then the header (ReadHeader), a signature check (Verify with the
  // file's own kind), the block table, the palette, the addition and the
  // border where the header names them, the block flags while the border
  // limits what is shown, and the cache.
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
  // The block table; 60005 also for a table that shares bytes with the
  // header or another area the header names.
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
  // What shows a change of the file by anyone: the stamps of the main and
  // the continuation file (zeros without one).
  struct UpdateSignal {
    plat::FileStamp Part[2];
    bool operator==(const UpdateSignal&) const = default;
  };
  // The signal now; false when it cannot be had (no open file).
  bool ReadSignal(UpdateSignal* signal) const;
  // Forgets the blocks the slots hold as read (the changed ones stay): the
  // next reads of them read the file.
  void DropReadBlocks();
  // The same for one block, whose table entry changed: its slot, unless
  // it holds changes, no longer answers for it.
  void DropReadBlock(LONG number);
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
  // of header +296 for matrices (60005 for other depths), for layer
  // matrices 0xFF bytes with the empty height in each record.
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
  // data; at most the block's raw length is stored. A cached copy of the
  // block is dropped. The byte count.
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

  // Elements (1 to 32 bits through LONG, 64-bit matrices through double).
  // GetPoint starts the value as the empty value (truncated) and leaves it
  // so for an absent block (0, no code); outside 60005, not open 60006,
  // 64 bits through LONG 60005. The double forms answer only 64-bit
  // matrices (other depths: 0, no code). Writers on a read-only file: 0,
  // no code.
  int GetPoint(LONG& value, int row, int col) {
    // Most reads fall in the window of the one before (which an open file
    // alone has): the common layouts are answered here, in the caller's
    // code, the others by the call.
    const uint64_t r = uint64_t(int64_t(row) - Window.Row0), c = uint64_t(int64_t(col) - Window.Col0);
    if (r < Window.Rows && c < Window.Cols) {
      const uint64_t k = r * Window.Width + c;
      if (Window.Kind == ElementWindow::kBytes) {
        value = Window.Buffer[k];
        return 1;
      }
      if (Window.Kind == ElementWindow::kInt32) {
        int32_t v;
        __builtin_memcpy(&v, Window.Buffer + k * 4, 4);
        value = v;
        return 1;
      }
    }
    return GetPointOutside(value, row, col);
  }
  int PutPoint(LONG value, int row, int col);
  int GetPoint(double& value, int row, int col);
  int PutPoint(double value, int row, int col);
  // The same at a plane point (X northing, Y easting in metres): row =
  // (X0 + rows x size - x) / size and column = (y - Y0) / size truncated,
  // the south and east edges belonging to the last row and column.
  int GetPlanePoint(LONG& value, double x, double y);
  int GetPlanePoint(double& value, double x, double y);
  int PutPlanePoint(LONG value, double x, double y);
  int PutPlanePoint(double value, double x, double y);
  // One element straight from (to) the file, for blocks stored plain, in
  // the layout of the blocks; a block in the cache is read (changed) there
  // so that file and cache never disagree, and a block whose place it does
  // not hold alone (a damaged table) is written whole, stored anew. Index
  // outside 60040; a compressed block 60005; an absent one 0 (no code; the
  // value empty).
  int ReadPoint(LONG& value, int row, int col);
  int WritePoint(LONG value, int row, int col);
  // A 4-connected line of elements from (row1, col1) to (row2, col2); a
  // failing element ends it with 0.
  int PutLine(LONG value, int row1, int col1, int row2, int col2);
  int PutPlaneLine(LONG value, double x1, double y1, double x2, double y2);
  // Rectangles between a caller's image and the blocks: rows of `stride`
  // bytes (0: width x bits / 8), the rectangle cut to the grid (its first
  // buffer row is the first row kept); direction 1 top-down, -1 bottom-up
  // (buffer row i at buffer - i x stride). 4-bit images hold the first
  // element in the high half of a byte. 60040 for a bad start column (1 and
  // 4 bits), an empty rectangle, a short stride or another direction.
  int PutFrame(const char* buffer, int column, int row, int width, int height, int direction,
               int stride);
  int GetFrame(char* buffer, int column, int row, int width, int height, int stride);
  // Sets value into every element of block (row, col) whose mask byte is 0
  // (mask rows bottom-up, width x height bytes), then saves; returns
  // min(raw length, size).
  int PutBlockByMask(int row, int col, const char* mask, LONG size, LONG width, LONG height,
                     LONG value);
  // Samples a turned strip from (row1, col1) to (row2, col2) into width x
  // height colour words: palette colours up to 8 bits, the element's own
  // colour above (RGB555 decoded for 16 bits).
  int GetFrameTurn(DWORD* buffer, int width, int height, double row1, double col1, double row2,
                   double col2);
  // Height unit (+304: 0..3 for 1, 1/10, 1/100, 1/1000 m) and its factors.
  int Measure(DWORD unit);
  // Palette entries hidden (1) or shown (1) for rasters of up to 8 bits;
  // the number of hidden entries among the min(count, 256) handled.
  int GetInvisibleColors(BYTE* flags, int count);
  int SetInvisibleColors(const BYTE* flags, int count);
  int GetVisibleColors(BYTE* flags, int count);
  int SetVisibleColors(const BYTE* flags, int count);
  // Widens the matrix minimum and maximum by the elements above the empty
  // value of width x height elements (1, 2, 4 bytes signed or doubles);
  // direction -1 reads from buffer - (height - 1) x row bytes.
  int UpdateMinMax(const char* buffer, int width, int height, int direction);

  // Border: a metric record of contours in element units (column, row).
  // SetBorder copies one of at least 4 points and classes every block: 2
  // when the border passes within one element of it, else 1 inside (even-
  // odd over all contours), 0 outside.
  int SetBorder(TDataEdit* border);
  int DeleteBorder();
  // True when the border limits what is shown (+211 0 and a border).
  int ShowByBorder();
  // Off: every block shown (the classes in the file are kept); on: the
  // classes read again. Returns ShowByBorder().
  int ShowByBorder(int on);
  void BorderDataInit();
  // The border's contours relative to block (row, col) (Turn: rows counted
  // from the block's bottom) in the border points; the descriptor, or 0.
  POLYDATA* GetBorderMetric(int row, int col);
  POLYDATA* GetBorderMetricTurn(int row, int col);

  // Heights over the triangle of a cell's centre, a neighbour's centre and
  // their shared corner (the mean of the cells around it). Element forms:
  // continuous (row, col), cell (i, j) covering i..i+1, j..j+1; result in
  // metres (x the inverse height factor). The plane form takes raw element
  // values and skips neighbours below the minimum (+280). h starts as the
  // empty value and stays so when the result is 0.
  int GetHeightTriangle(double& h, double row, double col);
  int GetHeightTriangle2(double& h, double row, double col);
  int GetPlanePointTriangle(double& h, double x, double y);
  int GetPlanePointTriangle2(double& h, double x, double y);

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
  int64_t FullBlockSize() const;
  // The byte past the header: its units are counted in bytes or in units.
  uint64_t HeaderEnd() const { return Head.UnitShift ? RMF_HEADER_UNITS * RMF_UNIT : RMF_HEADER_SIZE; }
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
  TMeasure Geometry;            // plane geometry
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
  // Layer matrices: bytes of the height at the start of each record, set
  // to the empty value in a new block (whose other bytes are 0xFF).
  LONG RecordHeight = 0;
  // Blocks whose stored bytes failed to decode, each kept as its table
  // entry was then (zeros: none), so that a damaged block is decoded once
  // and not again at every element read of it. An entry that changed since
  // (the block written) no longer matches. Made at the first such failure;
  // emptied with the table.
  RMFBLOCKDESC* BadBlocks = nullptr;
  DWORD BadBlocksSize = 0;
  // The signal as it was with FileTime: after the last write of the header
  // or the document's last look at the file.
  UpdateSignal Recorded;
  // Decoded blocks behind the slots, and what their trust rests on: the
  // signal of the files they were read under, whether it was long enough
  // ago, and a count that moves whenever the store is emptied because the
  // file may have changed. A slot keeps the count its block was read at (0:
  // not to be kept), and gives the block to the store only while the count
  // is still that.
  TRmfBlockStore Store;
  UpdateSignal StoreSignal;
  DWORD StoreSettled = 0;  // 1: the signal's times were old enough when last read
  DWORD StoreEpoch = 1;
  DWORD SlotEpoch[kMaxSlots] = {};
  // Set for a call that reads the signal once (OneLook), however many
  // blocks it misses: whether it was read in this call, what StoreInStep
  // answered and the count then (a write of the call since moves it, and
  // the signal is read again).
  struct Look {
    int Depth = 0;
    bool Taken = false;
    DWORD Epoch = 0, At = 0;
  } Looking;
  // Views of the main and continuation files, from which a frame that
  // keeps its blocks copies the rows of blocks stored plain, and an element
  // read alone the row it lies in: the file's own pages, never older than
  // the file, and no memory of the object's for blocks of which it reads a
  // few rows (raster/rmfelements.cpp). Reads that found no view; past
  // kViewTries frames read whole blocks again and rows are read from the
  // file.
  TSheetView Views[2];
  int ViewMisses = 0;
  static constexpr int kViewTries = 64;
  // The block whose element was last read alone: asked for again, it is
  // read whole.
  LONG LoneBlock = -1;
  // The row of that block, when it is stored plain, copied from the file
  // (from a view where the file is mapped) as the element was read: the
  // elements after it in the row are read there (ElementRow). A write of
  // the object's, a changed table entry or a change of slot drops it.
  BYTE* RowCopy = nullptr;
  // Set while a frame that keeps no block is read or written (BlockPass):
  // each block is asked for once, in order, and the blocks it reads or
  // gives up take no memory of the store (memory first touched would cost a
  // whole-file frame of a compressed raster a tenth of its time, of a plain
  // matrix half, for blocks it does not ask for again); a block the store
  // holds is still taken from it.
  int Pass = 0;
  // The elements of the block the last element read came from, while the
  // current slot holds it (or of the row of it in RowCopy): its buffer, the
  // rows and columns from the first ones, cut to the grid, and the block's
  // width. Most element reads fall there and are answered without finding
  // their block. Every change of the current slot or of a slot's block or
  // buffer empties it (no rows).
  struct ElementWindow {
    // The element layouts GetPoint reads in the caller's code: unsigned
    // bytes (rasters of 8 bits) and signed 32-bit words (matrices).
    enum : BYTE { kOther, kBytes, kInt32 };
    const BYTE* Buffer = nullptr;
    int64_t Row0 = 0, Col0 = 0;
    uint64_t Rows = 0, Cols = 0, Width = 0;
    LONG Number = -1;  // the block
    BYTE Kind = kOther;
    bool Holds(int row, int col) const {
      return uint64_t(int64_t(row) - Row0) < Rows && uint64_t(int64_t(col) - Col0) < Cols;
    }
  } Window;
  // The same for the block whose read failed last: its elements fail at
  // once while the block is known not to read (KnownBadBlock).
  ElementWindow Failed;
  // Where every header, area and block of the file lies (raster/rmfplaces.h):
  // a place is rewritten in place only while no other holds a byte of it.
  // Built at the first such question, from this object's own header and
  // table and, for a raster with reduced copies, from the file's other
  // images as the file holds them; kept in step with what this object
  // appends; dropped when the file or a table entry changes any other way.
  TRmfPlaces Places;
  // The header of the full image of the file (the start of its chain of
  // reduced copies) for an object that holds a copy: set by its owner.
  DWORD ChainStart = 0;

 protected:
  // Shared with the raster and matrix classes built on this one.
  int Fail(int code);
  // Ends an open that failed once the file was open: nothing is written
  // back, the file is closed and the error is `code` (for 0, the one
  // already set); 0.
  int FailOpen(int code);
  // The first word of the open file, its kind; false when it cannot be read.
  bool ReadSign(DWORD* sign);
  // Nothing of a file that failed to open is written back: the changed
  // marks of every area and slot are dropped.
  void ForgetChanges();
  void ClearObject();
  // The slot a read or a new block may take: the unkept slot with the
  // smallest stamp (ties to the lower one); -1 when every slot is kept.
  int ChooseSlot() const;
  int FindSlot(LONG number) const;
  // Slot i no longer answers for the block it holds as read.
  void ForgetReadSlot(int i);
  void Stamp(int slot);
  // The slots and the read buffer, (re)allocated when missing or made for
  // blocks of another size than the header's.
  bool EnsureBuffer();
  bool ValidBlock(int row, int col);
  // Reads a block's stored bytes and decodes them into `dest` (capacity
  // BlockSize): false with 60003 (or 60001).
  bool LoadBlock(int number, int row, int col, BYTE* dest);
  // Reads `size` stored bytes of a block; a block whose bytes run past the
  // end of its file is remembered as a damaged one.
  bool ReadStored(int number, void* dest, DWORD size);
  // The store's count when the files are as the store knows them and were
  // last changed long enough ago; else 0, the store emptied.
  DWORD StoreInStep();
  // StoreInStep, asked once in a call that reads the signal once.
  DWORD StoreEpochNow();
  // Empties the store: what it held may no longer be the file's.
  void ForgetStore();
  // Frees the store's memory, the slots given back their own buffers.
  void ReleaseStore();
  // A slot's buffer exchanged with the store for block `want` (-1: none):
  // the slot's block goes to the store when it may (during a pass only in
  // the place of `want`); true when `want` came from it.
  bool ExchangeSlot(int slot, DWORD epoch, LONG want);
  // Pass set, when `on`, for the life of the object.
  class BlockPass {
   public:
    explicit BlockPass(TRmf& file, bool on = true) : file_(file), on_(on) { file_.Pass += on_; }
    ~BlockPass() { file_.Pass -= on_; }
    BlockPass(const BlockPass&) = delete;
    BlockPass& operator=(const BlockPass&) = delete;

   private:
    TRmf& file_;
    int on_;
  };
  // The signal read at most once while the object lives (the outermost
  // one of nested calls).
  class OneLook {
   public:
    explicit OneLook(TRmf& file) : file_(file) {
      if (file_.Looking.Depth++ == 0) file_.Looking.Taken = false;
    }
    ~OneLook() { --file_.Looking.Depth; }
    OneLook(const OneLook&) = delete;
    OneLook& operator=(const OneLook&) = delete;

   private:
    TRmf& file_;
  };
  // A block remembered as undecodable with its table entry as it is now;
  // Remember keeps it so (nothing when no memory can be had), Forget drops
  // one block, or all with -1.
  bool KnownBadBlock(int number) const {
    if (!BadBlocks || number < 0 || uint64_t(number + 1) * 8 > BadBlocksSize ||
        uint64_t(number + 1) * 8 > TableSize)
      return false;
    const RMFBLOCKDESC& bad = BadBlocks[number];
    return bad.Position != 0 && bad.Position == Table[number].Position &&
           bad.Length == Table[number].Length;
  }
  void RememberBadBlock(int number);
  void ForgetBadBlock(int number);
  // Transfers at a position (main or continuation file).
  // `extra` bytes past the position (an element inside a block).
  bool ReadAt(DWORD position, void* buffer, DWORD size, uint64_t extra = 0);
  bool WriteAt(DWORD position, const void* buffer, DWORD size, uint64_t extra = 0);
  // Appends at the end position (never before the end of the header) the
  // bytes `owner` stores there: the position written at, 0 on failure.
  DWORD Append(const void* buffer, DWORD size, uint64_t owner);
  // The end position, at least the end of the header; false without one.
  bool FreePosition(DWORD* end);
  // The file and byte offset of a position, opening (and with `create`
  // creating) the continuation file when it is needed.
  HANDLE Locate(DWORD position, bool create, uint64_t* offset);
  // Locate for a read, leaving the object's error as it was: a position
  // that leads nowhere is the block read's to report.
  HANDLE LocateQuietly(DWORD position, uint64_t* offset);
  // Whether rows of blocks stored plain are read through the views: not by
  // an object sharing another's handles (the views are made of handles of
  // its own), nor once its file system has mapped no file kViewTries times.
  bool ViewsServe() const;
  // The length of the open file a position lies in (main or continuation),
  // `place` the position there; -1 when it cannot be had.
  int64_t PartLength(DWORD position, RmfPlace* place) const;
  bool OpenContinuation(bool create);
  void MakeContName();
  // True when `length` bytes at a position may be rewritten in place by
  // `owner` (TRmfPlaces::Block or Area of this image): they lie past the
  // file's first header and inside the file, and no byte of them belongs
  // to this image's header or another of its areas as the header names
  // them now, nor to any other place of the file (another block, an image
  // of a reduced copy). Without the places (no memory): false.
  bool PlaceIsFree(DWORD position, DWORD length, uint64_t owner);
  // The same without the bounds: no byte of the place is another's.
  bool PlaceIsOwn(DWORD position, DWORD length, uint64_t owner);
  // The places of the file, built from this image and the other images of
  // its chain; false when they cannot be (the error code kept as it was).
  bool BuildPlaces();
  // False when a byte of this image's header or of an area its header
  // names lies in the file's first header or is another image's (the full
  // image's or another reduced copy's header, area or block), as far as
  // the places of the file can be built.
  bool ImageApart();
  void AddImagePlaces(const RMF& h, DWORD header, const RMFBLOCKDESC* table, DWORD entries);
  uint64_t BlockOwner(int number) const { return TRmfPlaces::Block(HeadPosition, number); }
  uint64_t AreaOwner(RmfArea area) const { return TRmfPlaces::Area(HeadPosition, area); }
  // Stores `length` bytes of an area kept at `position` in `room` bytes:
  // in place when the area has the room and its place is free (a position
  // or length read from a damaged file may lie anywhere, far past the end
  // or over another area or a block), else at the end of the file (the
  // header changed). The position written, 0 when the write failed.
  DWORD StoreArea(RmfArea area, DWORD position, DWORD room, const void* data, DWORD length);
  void SetHeightFactor();
  // The header of an old version brought to the current one.
  int UpgradeHeader();
  // Elements: the block and the element's number in it; false (60005)
  // outside the grid.
  bool Place(int row, int col, int* blockRow, int* blockCol, int64_t* k);
  BYTE* BlockForRead(int blockRow, int blockCol);
  // BlockForRead for a frame that keeps its blocks: a block the store
  // holds is read where it lies there.
  const BYTE* BlockForFrame(int blockRow, int blockCol);
  // For a frame that keeps its blocks: `rows` rows of block (blockRow,
  // blockCol) from its row `first`, `bytes` of each from byte `skip`,
  // copied from a view of the file into `to` (rows `stride` apart), when
  // the block is stored plain and no slot holds it. False when they are
  // to be read with their block.
  bool RowsFromView(int blockRow, int blockCol, int64_t first, int64_t rows, int64_t skip,
                    int64_t bytes, BYTE* to, int64_t stride);
  // The current slot's block when it holds the element (*k its number
  // there), else null.
  const BYTE* CurrentElement(int row, int col, int64_t* k) const {
    const uint64_t r = uint64_t(int64_t(row) - Window.Row0), c = uint64_t(int64_t(col) - Window.Col0);
    if (r >= Window.Rows || c >= Window.Cols) return nullptr;
    *k = int64_t(r * Window.Width + c);
    return Window.Buffer;
  }
  // GetPoint of an element the window does not hold.
  int GetPointOutside(LONG& value, int row, int col);
  // The window of block (blockRow, blockCol) when the current slot holds
  // it, else none; a window set over a block's elements.
  void SetWindow(int blockRow, int blockCol);
  void SetWindow(ElementWindow& w, int blockRow, int blockCol) const;
  void DropWindow() { Window.Rows = 0; }
  // ElementForRead of an element in block (blockRow, blockCol).
  const BYTE* ElementInBlock(int blockRow, int blockCol, int64_t* k, BYTE* bytes);
  // The row of block (blockRow, blockCol), stored plain at `entry`, that
  // holds element *k of the block, copied into RowCopy and made the window
  // (*k its place in the row); null when the element is to be read with its
  // block (its bytes not all in the file, no memory, a failed read).
  const BYTE* ElementRow(int blockRow, int blockCol, const RMFBLOCKDESC& entry, int64_t* k);
  // Drops the window when it holds a row copied from the file (a write of
  // the object's or a changed table entry may have made it old).
  void DropRowWindow() {
    if (Window.Buffer == RowCopy) DropWindow();
  }
  // What holds an element the window does not hold (its callers ask the
  // window first) for reading: its block, or, for the first element asked
  // of a block stored plain that neither a slot nor the store holds, its
  // bytes read alone into `bytes` (8 bytes), *k its place there. Null on
  // failure, as BlockForRead.
  const BYTE* ElementForRead(int row, int col, int64_t* k, BYTE* bytes);
  BYTE* BlockForWrite(int blockRow, int blockCol);
  // A block a write covers whole, marked dirty: the one a slot holds, else
  // a new one of the empty content; its stored bytes are not read, so a
  // block that cannot be read (damaged, cut by the file's end) is replaced.
  BYTE* BlockForOverwrite(int blockRow, int blockCol);
  // A new block of the empty content in a slot, marked dirty (what
  // GetBlockAddressAndCreate makes for an absent block).
  BYTE* NewBlock(int row, int col);
  // A plane point as element coordinates (not truncated); false outside
  // when `inside` is asked.
  bool PlaneToElement(double x, double y, bool inside, double* row, double* col);
  // A frame cut to the grid: rows r0..r1 - 1, columns c0..c1 - 1, rows of
  // `stride` bytes in the caller's image.
  struct FrameCut {
    int64_t r0, r1, c0, c1;
    int64_t stride;
  };
  bool CutFrame(int column, int row, int width, int height, int stride, FrameCut* f);
  // The colour of an element value for GetFrameTurn.
  COLORREF ValueColor(LONG value) const;
  // Block classes of the border (into the flags) and its contours relative
  // to one block (into the border points).
  void ClassifyBlocks();
  POLYDATA* BorderMetric(int row, int col, bool turn);
  template <class Fetch>
  int Triangle(double& h, double row, double col, Fetch fetch, double scale);

  // Save's steps: false only on a failed write.
  bool StorePalette();
  bool StoreTable();
  bool StoreAddition();
  bool StoreFlags();
  bool StoreBorder();
  bool StoreHeader();
};
