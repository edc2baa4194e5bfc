// The raster file: a blocked file of kind "RSW" (raster/rmf.h) that also
// reads the old raster format "RST" and keeps reduced copies of its image
// in the same file.
//
// An old file is used in place. On its first opening for writing a new
// header (version 0x0103), a block table pointing at the old blocks and,
// for 1- and 4-bit rasters, a palette are appended at the old length, and
// byte 63 of the old header is set to 1; from then on the file is read
// through the appended header. Opened read-only, or when the table cannot
// be appended, the file is left as it is and converted in memory at every
// opening.
//
// Changes a reduced copy must mirror (location, scale, precision, negative,
// border, written blocks) are carried into the copies at once through
// SaveDuplicates.
#pragma once

#include "raster/rmf.h"

// The 64-byte header of the old raster format. Behind it: 16 colours as
// byte triplets at 64 (1 and 4 bits), the blocks from 112 plain in row-major
// order at their raw lengths, and for 8 bits 256 colour words in the last
// 1024 bytes before the old length.
#pragma pack(push, 1)
struct RST {
  DWORD Ident;         // +0  "RST"
  DWORD Length;        // +4  the old file's length: where the new header goes
  WORD Height;         // +8  rows
  WORD Width;          // +10 columns
  WORD BlockRows;      // +12
  WORD BlockColumns;   // +14
  WORD BlockHeight;    // +16
  WORD BlockWidth;     // +18
  WORD LastHeight;     // +20
  WORD LastWidth;      // +22
  WORD Reserve1;       // +24
  WORD Bits;           // +26 bits per element
  WORD Reserve2;       // +28
  WORD Resolution;     // +30 dots per inch; 0 = not given
  WORD Reserve3;       // +32
  LONG LocationX;      // +34 in elements
  LONG LocationY;      // +38
  BYTE Reserve4[21];   // +42
  BYTE Converted;      // +63 1 once the new header was appended
};
#pragma pack(pop)
static_assert(sizeof(RST) == 64);
static_assert(offsetof(RST, Bits) == 26);
static_assert(offsetof(RST, Resolution) == 30);
static_assert(offsetof(RST, LocationX) == 34);
static_assert(offsetof(RST, Converted) == 63);

constexpr DWORD RST_SIGN = 0x00545352u;  // "RST"
constexpr DWORD RST_COLORS = 64;         // the 16 colour triplets
constexpr DWORD RST_DATA = 112;          // the first block

class MAPCLASS TRst : public TRmf {
 public:
  TRst();
  // A new raster (TRmf::Create).
  TRst(const char* name, int columns, int rows, int bits, const DWORD* palette, double scale,
       double precision);
  // Open; the object is left empty (with the code) when that fails.
  TRst(const char* name, int mode);
  // The object of a file's reduced copies: it shares its owner's handles
  // (and never closes them) and reads the copy header at `position`.
  TRst(void* handle, DWORD position);
  ~TRst();

  using TRmf::Create;
  using TRmf::ShowByBorder;
  using TRmf::WriteBlock;

  int Create(const char* name, LONG columns, LONG rows, LONG bits, const DWORD* palette,
             double scale, double precision);
  // Opens a raster of either format: an old file is converted (see above);
  // a new one has its header, table, palette, border and (while the border
  // limits what is shown) block flags read, and 8 to 16 cache slots by its
  // size. 60003 for an unreadable start, 60005 for another kind.
  int Open(const char* name, int mode = 0);
  // Ends the copy object (bringing the copies up to date), then closes.
  void Close();

  // The steps of an old file's conversion. ReadOldHeader: 60006 without a
  // file or buffer, 60005 for a failed read, 60003 for a short one.
  int ReadOldHeader(RST* old);
  // The new header, block table and palette in memory; 60005 for an old
  // header whose sizes do not describe its file.
  int InitializeNewHeader(RST* old);
  // Appends them (a file open for reading only: nothing written, 1; a
  // table that cannot be appended: the raster stays read-only, 1).
  int WriteNewHeaderToFileEnd(RST* old);

  // Changes carried into the reduced copies; each returns the value kept
  // (0 when the copies could not be brought up to date).
  double LocationX(double x);
  double LocationY(double y);
  double Scale(double scale);
  double Precision(double precision);
  int Negative(int negative);
  int SetBorder(TDataEdit* border);
  int ShowByBorder(int on);
  int DeleteBorder();
  int WriteBlock(int row, int col, const char* data, int length);
  int PutBlockByMask(int row, int col, const char* mask, LONG size, LONG width, LONG height,
                     LONG value);
  int PutFrame(const char* buffer, int column, int row, int width, int height, int direction,
               int stride);

  // Reduced copies (rstcopy.cpp). Copy k (1..3) holds the image at a
  // quarter, a sixteenth or a sixty-fourth of its columns and rows, each
  // element the most frequent value of the f x f elements it covers
  // (f = 4, 16, 64); the copies are chained through header +12. Copies
  // another program made at other factors keep their own: changes are
  // carried into each at the factor its size against the image tells.
  //
  // GetRstClass(0): this raster; any other level: the first copy (read, or
  // built when the file is writable), or this raster when there is none.
  TRst* GetRstClass(int level);
  // The copy object, or this raster when there is none.
  TRst* GetRstDuplicate() { return Copy ? Copy : this; }
  // Builds copy k from the full image (with progress to the host): 1 or 0.
  // A failure unlinks every copy (main +12 = 0).
  int CreateDuplicate(int k);
  // The header and empty block table of copy k: replaces the last copy in
  // place, appends any other, and links it behind copy k - 1.
  int CreateDuplicate(int k, LONG columns, LONG rows, LONG bits, double scale, double precision,
                      DOUBLEPOINT location);
  // In a copy object: a new copy header at a position.
  int CreateDuplicateHeader(DWORD position, LONG columns, LONG rows, LONG bits, double scale,
                            double precision, DOUBLEPOINT location, int unitShift);
  // In a copy object: reads the copy whose header lies at the position
  // (what the object held before is saved first).
  int ReadDuplicate(DWORD position);
  // Brings every copy up to date with the full image (scale, precision,
  // location, negative, border, border display, the last written block),
  // then saves. Without copies: Save(mode). A copy refused as damaged
  // (noted before the image is saved, whose save may move what the copy
  // shares with it) is made anew once at the end from the saved image,
  // behind the copy before it, the copies after it dropped (or, when that
  // cannot be done, every copy is dropped): the answer is 1.
  int SaveDuplicates(int mode);
  // Rebuilds the copies from level k (0: 1) to the last one.
  int UpdateDuplicates(int k);
  // Fill the copy held in the copy object at factor f (8-bit rasters, any
  // raster); recompute its part under full-image block (row, column).
  int CreateDuplicateImage256(int f);
  int CreateDuplicateImage(int f);
  int UpdateDuplicateAsBlock256(int row, int column);
  int UpdateDuplicateAsBlock(int row, int column);

  TRst* Copy = nullptr;       // the reduced copies' object, once needed
  DWORD BlockWritten = 0;     // a block of the full image was written
  LONG WrittenRow = 0;        // its block row and column
  LONG WrittenColumn = 0;
  DWORD CopyBorderChanged = 0;  // a new border was set
  DWORD CopyLoaded = 0;       // a copy header was read into this (copy) object

 private:
  // Carries a change into the copies when the file has some.
  bool Carry();
  // Carries a block just written at (row, col) into the copies when the
  // file has some: `written`, or 0 when the copies could not take it.
  // `refused`: the copies refused as damaged before the block was written
  // (RefusedCopies).
  int CarryBlock(int written, int row, int col, DWORD refused);
  // The levels (bit k for copy k) of the copies refused as damaged, as far
  // as the chain reads. Noted before the image is written: writing it may
  // move what a damaged copy shares with it (a block, its table), after
  // which the copy would read as whole with bytes that are not its own.
  // False (the code kept) when a copy cannot be read to tell.
  bool RefusedCopies(DWORD* refused);
  // SaveDuplicates with the copies refused noted before: those are made
  // anew from the image once it is saved.
  int SaveCopies(int mode, DWORD refused);
  // CreateDuplicate(k), with the save that carries the changes into every
  // copy at its end when `carry` (without: for the save that makes a
  // damaged copy anew and carries them itself, which is never entered
  // again from the fill).
  int BuildCopy(int k, bool carry);
  int OpenNew();
  // The copy object, made when missing and given the owner's handles.
  TRst* CopyObject();
  // Drops every copy: main +12 = 0, saved; the copy object destroyed.
  void UnlinkCopies();
  // Cuts the file at a position (nothing when it ends there or before).
  bool CutAt(DWORD position);
  int FillCopy(int f, bool bytes, bool carry = true);
  // Recomputes the copy elements (of the copy held in the copy object, made
  // at factor f) whose windows meet image block (row, column).
  int UpdateCopyBlock(int row, int column, int f, bool bytes);
  // The place (1, 2, ...) in the chain of the copy whose header lies at a
  // position; 0 when the chain does not reach it.
  int CopyLevel(DWORD position);
};
