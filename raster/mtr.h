// Elevation and quality matrix files: blocked files (raster/rmf.h) of kind
// "MTW" and "MTQ" whose elements are heights or values, signed integers of
// 1, 2 or 4 bytes or doubles, in the height unit of header +304.
//
// An old matrix ("MTR") is converted on opening by the sibling library
// TORVELMA.DLL, which rewrites the file under its own name; without that
// library the file is left as it is and the opening fails with 60107
// (60108 for a library without the entry point).
#pragma once

#include <cstddef>

#include "types/mtrtypes.h"
#include "raster/rmf.h"

// The creation description and projection data of a matrix are the
// public records of types/mtrtypes.h.

constexpr DWORD MTR_OLD_SIGN = 0x0052544Du;  // "MTR", the old matrix format

// The sibling library that converts old matrices, and its entry point:
// int mtrConvertMatrix(const char* name), nonzero once the file of that
// name holds a matrix of the current format.
#define MAPLIB_MATRIX "TORVELMA.DLL"
#define MAPLIB_MATRIX_CONVERT "mtrConvertMatrix"

class MAPCLASS TMtr : public TRmf {
 public:
  TMtr();
  // Open; a failed opening throws the integer 0.
  TMtr(const char* name, int mode);

  // Opens an "MTW" or "MTQ" file (an "MTR" file converted first): header,
  // block table, palette, border, the block flags while the border limits
  // what is shown, and 8 cache slots. 60003 for an unreadable start, 60005
  // for another kind; a failed opening leaves the object closed.
  int Open(const char* name, int mode = 0);
  // A new "MTW" file from a description (and projection data when given):
  // columns = width / size + 0.5 and rows = height / size + 0.5 truncated;
  // the empty value -127, -32767 or -32767000 by element width; no value
  // range yet (minimum 1e308, maximum -1e308). With `checkDisk` the disk
  // must hold the file (60002). A bad description or projection record is
  // 60040 and nothing is created.
  int Create(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj, int checkDisk);
  // Create, then kind "MTQ" with min(count, 256) palette colours; saved.
  int CreateMtq(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj, const COLORREF* colors,
                int count);

  // Walks from (row, col) in one of 16 directions (0 east, 4 north, 8 west,
  // 12 south; even numbers in between the diagonals; an odd one between
  // its neighbours, the minor axis moving twice in five steps) to the
  // first element above the empty value: 1 with its place and value; 0
  // when the walk leaves the matrix, with the last place visited. Blocks
  // outside the border or without data are crossed unread.
  int ScanPoint(int row, int col, int direction, int& outRow, int& outCol, LONG& value);

  // The value range in metres, and the bytes of an element.
  double GetMinimum() const { return Head.Minimum * HeightInverse; }
  double GetMaximum() const { return Head.Maximum * HeightInverse; }
  int ElementBytes() const { return Head.BitsPerElement / 8; }
  // True for an element value that marks no data: the header's empty value,
  // or 0x80000000, which the matrix block coder writes for empty elements
  // whatever empty value the file names.
  bool EmptyElement(LONG value) const {
    return value == RmfTruncate(Head.EmptyValue) || value == LONG(0x80000000u);
  }

 private:
  // Runs the sibling library over an old matrix; 1 once converted.
  int ConvertOld(const char* name);
  int OpenMatrix();
};
