// The blocked file object: single elements by row and column or plane
// point, lines, frames copied to and from images, blocks under a mask, a
// turned strip sampled into colours, the height unit, the visible colours
// of a raster and the value range of a matrix.
#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "platform/vfs.h"
#include "raster/rmf.h"
#include "raster/rmfpages.h"

namespace {

// Bytes of `n` elements of `bits` (n a whole number of bytes' worth).
int64_t RowBytes(int64_t n, int bits) { return n * bits / 8; }

// A 4-bit image holds the first element in the high half of a byte, a
// block in the low half.
void CopySwapped(BYTE* to, const BYTE* from, int64_t n) {
  for (int64_t i = 0; i < n; ++i) to[i] = BYTE((from[i] << 4) | (from[i] >> 4));
}

void CopyRow(BYTE* to, const BYTE* from, int64_t n, int bits) {
  if (bits == 4)
    CopySwapped(to, from, n);
  else
    std::memcpy(to, from, size_t(n));
}

}  // namespace

// ---------------------------------------------------------------------------
// Elements

bool TRmf::Place(int row, int col, int* blockRow, int* blockCol, int64_t* k) {
  if (BlockCount() == 0 || row < 0 || col < 0 || row >= Head.Height || col >= Head.Width)
    return Fail(MAPERR_DATA);
  *blockRow = row / Head.BlockHeight;
  *blockCol = col / Head.BlockWidth;
  *k = int64_t(row - *blockRow * Head.BlockHeight) * BlockWidth(*blockCol) +
       (col - *blockCol * Head.BlockWidth);
  return true;
}

BYTE* TRmf::BlockForRead(int blockRow, int blockCol) { return GetBlockAddress(blockRow, blockCol); }

void TRmf::SetWindow(ElementWindow& w, int blockRow, int blockCol) const {
  const int64_t width = BlockWidth(blockCol);
  w.Row0 = int64_t(blockRow) * Head.BlockHeight;
  w.Col0 = int64_t(blockCol) * Head.BlockWidth;
  w.Rows = uint64_t(std::min<int64_t>(BlockHeight(blockRow), Head.Height - w.Row0));
  w.Cols = uint64_t(std::min<int64_t>(width, Head.Width - w.Col0));
  w.Width = uint64_t(width);
  w.Number = blockRow * Head.BlockColumns + blockCol;
  const int bits = Head.BitsPerElement;
  const bool matrix = RmfMatrixKind(Head.Ident);
  w.Kind = bits == 8 && !matrix   ? ElementWindow::kBytes
           : bits == 32 && matrix ? ElementWindow::kInt32
                                  : ElementWindow::kOther;
}

void TRmf::SetWindow(int blockRow, int blockCol) {
  DropWindow();
  if (!BlockMemory || Slots[CurrentSlot].Number != blockRow * Head.BlockColumns + blockCol) return;
  SetWindow(Window, blockRow, blockCol);
  Window.Buffer = Slots[CurrentSlot].Buffer;
}

const BYTE* TRmf::ElementForRead(int row, int col, int64_t* k, BYTE* bytes) {
  // An element of a block that did not read, and still would not, fails
  // at once: a damaged block costs what an intact one does.
  if (Failed.Holds(row, col) && KnownBadBlock(Failed.Number)) {
    Fail(MAPERR_READ);
    return nullptr;
  }
  int br, bc;
  if (!Place(row, col, &br, &bc, k)) return nullptr;
  const BYTE* block = ElementInBlock(br, bc, k, bytes);
  if (!block && KnownBadBlock(br * Head.BlockColumns + bc)) SetWindow(Failed, br, bc);
  return block;
}

const BYTE* TRmf::ElementInBlock(int br, int bc, int64_t* k, BYTE* bytes) {
  const int number = br * Head.BlockColumns + bc;
  // A block held by a slot or the store, or asked for again: the block.
  if (!BlockMemory || FindSlot(number) >= 0 || Store.Holds(number) || number == LoneBlock) {
    const BYTE* block = BlockForRead(br, bc);
    if (block) SetWindow(br, bc);
    return block;
  }
  // An element of another block stored plain is read alone, with the rest
  // of its row: reading and keeping its whole block costs a hundred times
  // more, scattered reads seldom come back to it, and reads along a row
  // take the row's next elements there. A block whose bytes are not all in
  // the file is read as a block, which fails as it always did.
  LoneBlock = number;
  if (!Table || DWORD(number + 1) * 8 > TableSize || KnownBadBlock(number))
    return BlockForRead(br, bc);
  const RMFBLOCKDESC entry = Table[number];
  if (entry.Position == 0 || entry.Length != DWORD(BlockRawLength(br, bc))) return BlockForRead(br, bc);
  if (const BYTE* row = ElementRow(br, bc, entry, k)) return row;
  RmfPlace place;
  const int64_t end = PartLength(entry.Position, &place);
  const int bits = Head.BitsPerElement;
  const int64_t bit = *k * bits;
  const DWORD size = DWORD(bits < 8 ? 1 : bits / 8);
  if (end < 0 || place.offset + entry.Length > uint64_t(end) ||
      !ReadAt(entry.Position, bytes, size, uint64_t(bit / 8)))
    return BlockForRead(br, bc);
  *k = bits < 8 ? (bit % 8) / bits : 0;
  return bytes;
}

HANDLE TRmf::LocateQuietly(DWORD position, uint64_t* offset) {
  const int before = Error;
  HANDLE file = Locate(position, false, offset);
  Error = before;
  return file;
}

bool TRmf::ViewsServe() const { return !Shared && ViewMisses < kViewTries && plat::ViewsAllowed(); }

const BYTE* TRmf::ElementRow(int br, int bc, const RMFBLOCKDESC& entry, int64_t* k) {
  const int bits = Head.BitsPerElement;
  const int64_t width = BlockWidth(bc);
  // Rows that do not start on a byte are read element by element.
  if (width < 1 || width * bits % 8 != 0) return nullptr;
  const int64_t rowBytes = RowBytes(width, bits), inBlock = *k / width;
  uint64_t offset = 0;
  HANDLE file = LocateQuietly(entry.Position, &offset);
  if (!file) return nullptr;
  // A view made of the file saw it hold the block's bytes; else the file
  // is asked.
  TSheetView* view = ViewsServe() ? &Views[file == Cont] : nullptr;
  if (!view || view->Length() < int64_t(offset + entry.Length)) {
    const int64_t end = plat::FileLength(file);
    if (end < 0 || offset + entry.Length > uint64_t(end)) return nullptr;
  }
  if (!rmfpages::Grow(RowCopy, size_t(rowBytes))) return nullptr;
  DropWindow();
  const int64_t at = int64_t(offset) + inBlock * rowBytes;
  if (view ? view->Read(file, at, RowCopy, rowBytes) != rowBytes
           : !plat::ReadExactAt(file, at, RowCopy, DWORD(rowBytes)))
    return nullptr;
  if (view && !view->Length()) ++ViewMisses;
  SetWindow(Window, br, bc);
  Window.Row0 += inBlock;
  Window.Rows = 1;
  Window.Buffer = RowCopy;
  *k -= inBlock * width;
  return RowCopy;
}

BYTE* TRmf::BlockForWrite(int blockRow, int blockCol) {
  BYTE* block = GetBlockAddressAndCreate(blockRow, blockCol);
  if (block) BlockChanged(CurrentSlot);
  return block;
}

BYTE* TRmf::BlockForOverwrite(int blockRow, int blockCol) {
  const LONG number = blockRow * Head.BlockColumns + blockCol;
  if (BlockMemory && FindSlot(number) >= 0) return BlockForWrite(blockRow, blockCol);
  BYTE* block = NewBlock(blockRow, blockCol);
  if (!block) return nullptr;
  ForgetBadBlock(number);
  BlockChanged(CurrentSlot);
  return block;
}

int TRmf::GetPointOutside(LONG& value, int row, int col) {
  // An element of a block that did not read, and still would not, fails
  // at once: a damaged block costs what an intact one does.
  if (Failed.Holds(row, col) && KnownBadBlock(Failed.Number)) {
    value = RmfTruncate(Head.EmptyValue);
    Error = MAPERR_READ;
    return 0;
  }
  // The window's layouts GetPoint does not read itself.
  int64_t k;
  const int bits = Head.BitsPerElement;
  if (const BYTE* block = bits >= 1 && bits <= 32 ? CurrentElement(row, col, &k) : nullptr) {
    value = LONG(RmfGetElement(block, k, bits, Head.Ident));
    return 1;
  }
  // The value is the empty one until an element is read.
  value = RmfTruncate(Head.EmptyValue);
  if (!Main) return Fail(MAPERR_OPEN);
  if (bits < 1 || bits > 32) return Fail(MAPERR_DATA);
  BYTE bytes[8];
  const BYTE* block = ElementForRead(row, col, &k, bytes);
  if (!block) return 0;
  value = LONG(RmfGetElement(block, k, bits, Head.Ident));
  return 1;
}

int TRmf::PutPoint(LONG value, int row, int col) {
  if (!Main) return Fail(MAPERR_OPEN);
  const int bits = Head.BitsPerElement;
  if (bits < 1 || bits > 32) return Fail(MAPERR_DATA);
  if (!IsWritable()) return 0;
  int br, bc;
  int64_t k;
  if (!Place(row, col, &br, &bc, &k)) return 0;
  BYTE* block = BlockForWrite(br, bc);
  if (!block) return 0;
  RmfPutElement(block, k, bits, Head.Ident, value);
  return 1;
}

int TRmf::GetPoint(double& value, int row, int col) {
  int64_t k;
  if (const BYTE* block = Main && Head.BitsPerElement == 64 ? CurrentElement(row, col, &k) : nullptr) {
    value = RmfGetDouble(block, k);
    return 1;
  }
  value = Head.EmptyValue;
  if (!Main) return Fail(MAPERR_OPEN);
  if (Head.BitsPerElement != 64) return 0;
  BYTE bytes[8];
  const BYTE* block = ElementForRead(row, col, &k, bytes);
  if (!block) return 0;
  value = RmfGetDouble(block, k);
  return 1;
}

int TRmf::PutPoint(double value, int row, int col) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (Head.BitsPerElement != 64 || !IsWritable()) return 0;
  int br, bc;
  int64_t k;
  if (!Place(row, col, &br, &bc, &k)) return 0;
  BYTE* block = BlockForWrite(br, bc);
  if (!block) return 0;
  RmfPutDouble(block, k, value);
  return 1;
}

bool TRmf::PlaneToElement(double x, double y, bool inside, double* row, double* col) {
  if (!Main) return Fail(MAPERR_OPEN);
  const double size = Head.ElementSize;
  if (!(size > 0)) return Fail(MAPERR_DATA);
  const double x0 = Head.LocationX, y0 = Head.LocationY;
  const double x1 = x0 + Head.Height * size, y1 = y0 + Head.Width * size;
  if (inside && !(x >= x0 && x <= x1 && y >= y0 && y <= y1)) return Fail(MAPERR_DATA);
  *row = (x1 - x) / size;
  *col = (y - y0) / size;
  // The south and east edges belong to the last row and column.
  if (*row >= Head.Height && x >= x0) *row = Head.Height - 1;
  if (*col >= Head.Width && y <= y1) *col = Head.Width - 1;
  // A point inside lies on the grid; a header whose numbers leave no grid
  // (an infinite element size or location) places it nowhere.
  if (inside && !(*row >= 0 && *row < Head.Height && *col >= 0 && *col < Head.Width))
    return Fail(MAPERR_DATA);
  return true;
}

int TRmf::GetPlanePoint(LONG& value, double x, double y) {
  value = RmfTruncate(Head.EmptyValue);
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  return GetPoint(value, int(r), int(c));
}

int TRmf::GetPlanePoint(double& value, double x, double y) {
  value = Head.EmptyValue;
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  return GetPoint(value, int(r), int(c));
}

int TRmf::PutPlanePoint(LONG value, double x, double y) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  return PutPoint(value, int(r), int(c));
}

int TRmf::PutPlanePoint(double value, double x, double y) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  return PutPoint(value, int(r), int(c));
}

int TRmf::ReadPoint(LONG& value, int row, int col) {
  value = RmfTruncate(Head.EmptyValue);
  if (!Main) return Fail(MAPERR_OPEN);
  const int bits = Head.BitsPerElement;
  if (bits < 1 || bits > 32) return Fail(MAPERR_DATA);
  int br, bc;
  int64_t k;
  if (!Place(row, col, &br, &bc, &k)) return Fail(MAPERR_INPUT);
  const int number = br * Head.BlockColumns + bc;
  const int slot = FindSlot(number);
  if (slot >= 0) {
    value = LONG(RmfGetElement(Slots[slot].Buffer, k, bits, Head.Ident));
    return 1;
  }
  if (!Table || DWORD(number + 1) * 8 > TableSize) return Fail(MAPERR_DATA);
  const RMFBLOCKDESC entry = Table[number];
  if (entry.Position == 0 || entry.Length == 0) return 0;
  if (entry.Length != DWORD(BlockRawLength(br, bc))) return Fail(MAPERR_DATA);
  // The bytes holding the element, decoded in the block layout.
  BYTE bytes[4] = {};
  const int64_t bit = k * bits;
  const DWORD size = DWORD(bits < 8 ? 1 : bits / 8);
  if (!ReadAt(entry.Position, bytes, size, uint64_t(bit / 8))) return Fail(MAPERR_READ);
  value = LONG(RmfGetElement(bytes, bits < 8 ? (bit % 8) / bits : 0, bits, Head.Ident));
  return 1;
}

int TRmf::WritePoint(LONG value, int row, int col) {
  if (!Main) return Fail(MAPERR_OPEN);
  const int bits = Head.BitsPerElement;
  if (bits < 1 || bits > 32) return Fail(MAPERR_DATA);
  if (!IsWritable()) return 0;
  int br, bc;
  int64_t k;
  if (!Place(row, col, &br, &bc, &k)) return Fail(MAPERR_INPUT);
  const int number = br * Head.BlockColumns + bc;
  const int slot = FindSlot(number);
  if (slot >= 0) {
    RmfPutElement(Slots[slot].Buffer, k, bits, Head.Ident, value);
    BlockChanged(slot);
    return 1;
  }
  if (!Table || DWORD(number + 1) * 8 > TableSize) return Fail(MAPERR_DATA);
  const RMFBLOCKDESC entry = Table[number];
  if (entry.Position == 0 || entry.Length == 0) return 0;
  if (entry.Length != DWORD(BlockRawLength(br, bc))) return Fail(MAPERR_DATA);
  // A block whose place is not its own alone (another block or an area
  // holds some of its bytes) takes the element whole and is stored anew.
  if (!PlaceIsOwn(entry.Position, entry.Length, BlockOwner(number))) {
    if (!GetBlockAddress(br, bc)) return 0;
    const int held = CurrentSlot;
    RmfPutElement(Slots[held].Buffer, k, bits, Head.Ident, value);
    BlockChanged(held);
    return WriteBlock(held) > 0 ? 1 : 0;
  }
  BYTE bytes[4] = {};
  const int64_t bit = k * bits;
  const DWORD size = DWORD(bits < 8 ? 1 : bits / 8);
  // Elements smaller than a byte share it with their neighbours.
  if (bits < 8 && !ReadAt(entry.Position, bytes, 1, uint64_t(bit / 8))) return Fail(MAPERR_READ);
  RmfPutElement(bytes, bits < 8 ? (bit % 8) / bits : 0, bits, Head.Ident, value);
  return WriteAt(entry.Position, bytes, size, uint64_t(bit / 8)) ? 1 : 0;
}

int TRmf::PutLine(LONG value, int row1, int col1, int row2, int col2) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!IsWritable()) return 0;
  if (!PutPoint(value, row1, col1)) return 0;
  const int64_t dr = int64_t(row2) - row1, dc = int64_t(col2) - col1;
  const int sr = dr < 0 ? -1 : 1, sc = dc < 0 ? -1 : 1;
  const int64_t ar = dr < 0 ? -dr : dr, ac = dc < 0 ? -dc : dc;
  // Rows are the main axis when the differences are equal.
  const bool rowsMain = ar >= ac;
  const int64_t n = rowsMain ? ar : ac, m = rowsMain ? ac : ar;
  if (n == 0) return 1;
  double e = 2.0 * double(m) - double(n);
  int64_t r = row1, c = col1;
  for (int64_t steps = 0;;) {
    const bool minor = e >= 0;
    if (minor) {
      e -= 2.0 * double(n);
    } else {
      e += 2.0 * double(m);
      ++steps;
    }
    if (minor == rowsMain)
      c += sc;
    else
      r += sr;
    if (!PutPoint(value, int(r), int(c))) return 0;
    if (steps == n) return 1;
  }
}

int TRmf::PutPlaneLine(LONG value, double x1, double y1, double x2, double y2) {
  double r1, c1, r2, c2;
  if (!PlaneToElement(x1, y1, false, &r1, &c1) || !PlaneToElement(x2, y2, false, &r2, &c2))
    return 0;
  return PutLine(value, RmfTruncate(r1), RmfTruncate(c1), RmfTruncate(r2), RmfTruncate(c2));
}

// ---------------------------------------------------------------------------
// Frames

bool TRmf::CutFrame(int column, int row, int width, int height, int stride, FrameCut* f) {
  const int bits = Head.BitsPerElement;
  if (BlockCount() == 0 || stride < 0 || width < 1 || height < 1 ||
      (bits == 1 && column % 8) || (bits == 4 && column % 2))
    return Fail(MAPERR_INPUT);
  // Widths are whole bytes.
  const int step = bits == 1 ? 8 : bits == 4 ? 2 : 1;
  const int64_t w = (int64_t(width) + step - 1) / step * step;
  f->stride = stride ? stride : RowBytes(w, bits);
  if (f->stride < RowBytes(w, bits)) return Fail(MAPERR_INPUT);
  f->r0 = std::max<int64_t>(row, 0);
  f->c0 = std::max<int64_t>(column, 0);
  f->r1 = std::min<int64_t>(int64_t(row) + height, Head.Height);
  f->c1 = std::min<int64_t>(int64_t(column) + w, Head.Width);
  if (f->r0 >= f->r1 || f->c0 >= f->c1) return Fail(MAPERR_INPUT);
  return true;
}

int TRmf::PutFrame(const char* buffer, int column, int row, int width, int height, int direction,
                   int stride) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!IsWritable()) return 0;
  if (!buffer || (direction != 1 && direction != -1)) return Fail(MAPERR_INPUT);
  FrameCut f;
  if (!CutFrame(column, row, width, height, stride, &f)) return 0;
  OneLook look(*this);
  BlockPass pass(*this);
  const int bits = Head.BitsPerElement;
  // A 1-bit image narrower than its bytes: the bits past its width in the
  // last byte of each row are set.
  const int64_t end = int64_t(column) + width;
  const bool tail = bits == 1 && end < f.c1;
  const BYTE* image = reinterpret_cast<const BYTE*>(buffer);
  const int64_t br0 = f.r0 / Head.BlockHeight, br1 = (f.r1 - 1) / Head.BlockHeight;
  const int64_t bc0 = f.c0 / Head.BlockWidth, bc1 = (f.c1 - 1) / Head.BlockWidth;
  // Whether the frame covers block (br, bc) whole: then what it holds is
  // not read, and a block that cannot be read is simply replaced.
  auto whole = [&](int64_t br, int64_t bc) {
    const int64_t top = br * Head.BlockHeight, left = bc * Head.BlockWidth;
    return f.r0 <= top && f.r1 >= top + BlockHeight(int(br)) && f.c0 <= left &&
           f.c1 >= left + BlockWidth(int(bc));
  };
  // Every block the frame covers in part must read before any is changed:
  // a damaged one fails the write with the file as it was.
  for (int64_t br = br0; br <= br1; ++br)
    for (int64_t bc = bc0; bc <= bc1; ++bc) {
      if (whole(br, bc)) continue;
      const int before = Error;
      Error = 0;
      if (!GetBlockAddress(int(br), int(bc)) && Error) return 0;
      Error = before;
    }
  for (int64_t br = br0; br <= br1; ++br) {
    const int64_t top = br * Head.BlockHeight;
    const int64_t rr0 = std::max(f.r0, top), rr1 = std::min(f.r1, top + BlockHeight(int(br)));
    for (int64_t bc = bc0; bc <= bc1; ++bc) {
      const int64_t left = bc * Head.BlockWidth, bw = BlockWidth(int(bc));
      const int64_t cc0 = std::max(f.c0, left), cc1 = std::min(f.c1, left + bw);
      BYTE* block = whole(br, bc) ? BlockForOverwrite(int(br), int(bc)) : BlockForWrite(int(br), int(bc));
      if (!block) return 0;
      const int64_t bytes = RowBytes(cc1 - cc0, bits), blockRow = RowBytes(bw, bits);
      const bool last = tail && cc1 == f.c1;
      for (int64_t r = rr0; r < rr1; ++r) {
        BYTE* to = block + (r - top) * blockRow + RowBytes(cc0 - left, bits);
        CopyRow(to, image + (r - f.r0) * f.stride * direction + RowBytes(cc0 - f.c0, bits), bytes, bits);
        if (last) to[bytes - 1] |= BYTE(0xFF >> (end - (cc1 - 8)));
      }
    }
  }
  return 1;
}

int TRmf::GetFrame(char* buffer, int column, int row, int width, int height, int stride) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!buffer) return Fail(MAPERR_INPUT);
  FrameCut f;
  if (!CutFrame(column, row, width, height, stride, &f)) return 0;
  // A frame that covers at most half of the blocks it meets keeps them, as
  // element reads do: the frames after it (the next rows of a picture read
  // row by row) come back to them.
  const int64_t bh = Head.BlockHeight, bw = Head.BlockWidth;
  const int64_t blockRows = std::min<int64_t>(((f.r1 - 1) / bh + 1) * bh, Head.Height) - f.r0 / bh * bh;
  const int64_t blockCols = std::min<int64_t>(((f.c1 - 1) / bw + 1) * bw, Head.Width) - f.c0 / bw * bw;
  const bool keep = (f.r1 - f.r0) * (f.c1 - f.c0) * 2 <= blockRows * blockCols;
  OneLook look(*this);
  BlockPass pass(*this, !keep);
  const int bits = Head.BitsPerElement;
  BYTE* image = reinterpret_cast<BYTE*>(buffer);
  // What absent blocks and the image outside the grid hold: zeros in a
  // raster (whole rows of the stride), the empty value in an elevation
  // matrix (whole rows of the stride for 8 bits, else `width` elements);
  // quality and layer matrices are left as given.
  const bool fills = Head.Ident == RMF_RSW || (Head.Ident == RMF_MTW && (bits == 8 || bits == 16 ||
                                                                         bits == 32 || bits == 64));
  const int unit = Head.Ident == RMF_RSW ? 1 : bits / 8;
  const int64_t extent = Head.Ident == RMF_RSW || bits == 8 ? f.stride : int64_t(width) * unit;
  BYTE empty[8] = {};
  if (Head.Ident == RMF_MTW) {
    const LONG value = RmfTruncate(Head.EmptyValue);
    const int16_t half = int16_t(value);
    std::memcpy(empty, bits == 64 ? static_cast<const void*>(&Head.EmptyValue)
                       : bits == 16 ? static_cast<const void*>(&half) : &value, size_t(std::max(unit, 1)));
  }
  // Fills `bytes` (whole elements) at `to`: one element, then what is
  // filled copied after itself.
  auto fill = [&](BYTE* to, int64_t bytes) {
    if (!fills || bytes <= 0) return;
    if (unit == 1) {
      std::memset(to, empty[0], size_t(bytes));
      return;
    }
    std::memcpy(to, empty, size_t(unit));
    for (int64_t done = unit; done < bytes;) {
      const int64_t n = std::min(done, bytes - done);
      std::memcpy(to + done, to, size_t(n));
      done += n;
    }
  };
  const int64_t kept = RowBytes(f.c1 - f.c0, bits);
  for (int64_t br = f.r0 / Head.BlockHeight; br <= (f.r1 - 1) / Head.BlockHeight; ++br) {
    const int64_t top = br * Head.BlockHeight;
    const int64_t rr0 = std::max(f.r0, top), rr1 = std::min(f.r1, top + BlockHeight(int(br)));
    for (int64_t bc = f.c0 / Head.BlockWidth; bc <= (f.c1 - 1) / Head.BlockWidth; ++bc) {
      const int64_t left = bc * Head.BlockWidth, bw = BlockWidth(int(bc));
      const int64_t cc0 = std::max(f.c0, left), cc1 = std::min(f.c1, left + bw);
      const int64_t bytes = RowBytes(cc1 - cc0, bits), blockRow = RowBytes(bw, bits);
      BYTE* to = image + (rr0 - f.r0) * f.stride + RowBytes(cc0 - f.c0, bits);
      if (keep && RowsFromView(int(br), int(bc), rr0 - top, rr1 - rr0, RowBytes(cc0 - left, bits), bytes, to,
                               f.stride)) {
        if (bits == 4)
          for (int64_t r = rr0; r < rr1; ++r, to += f.stride) CopySwapped(to, to, bytes);
        continue;
      }
      const int before = Error;
      Error = 0;
      const BYTE* block = keep ? BlockForFrame(int(br), int(bc)) : BlockForRead(int(br), int(bc));
      if (!block) {
        if (Error) return 0;  // there, but unreadable
        Error = before;
        for (int64_t r = rr0; r < rr1; ++r, to += f.stride) fill(to, bytes);  // absent
        continue;
      }
      Error = before;
      const BYTE* from = block + (rr0 - top) * blockRow + RowBytes(cc0 - left, bits);
      for (int64_t r = rr0; r < rr1; ++r, to += f.stride, from += blockRow) CopyRow(to, from, bytes, bits);
    }
  }
  // The image right of and below the grid.
  for (int64_t i = 0; i < height; ++i)
    fill(image + i * f.stride + (i < f.r1 - f.r0 ? kept : 0), extent - (i < f.r1 - f.r0 ? kept : 0));
  return 1;
}

bool TRmf::RowsFromView(int blockRow, int blockCol, int64_t first, int64_t rows, int64_t skip,
                        int64_t bytes, BYTE* to, int64_t stride) {
  const LONG number = blockRow * Head.BlockColumns + blockCol;
  if (!ViewsServe() || !Table ||
      DWORD(number + 1) * 8 > TableSize || !BlockMemory || FindSlot(number) >= 0 || KnownBadBlock(number))
    return false;
  const RMFBLOCKDESC entry = Table[number];
  const int64_t blockRowBytes = RowBytes(BlockWidth(blockCol), Head.BitsPerElement);
  if (entry.Position == 0 || entry.Length != DWORD(BlockRawLength(blockRow, blockCol))) return false;
  uint64_t offset = 0;
  HANDLE file = LocateQuietly(entry.Position, &offset);
  if (!file) return false;
  TSheetView& view = Views[file == Cont];
  // A block cut by the end of its file does not read, whichever of its
  // rows are asked: as when it is read whole.
  const int64_t last = int64_t(offset) + int64_t(entry.Length) - 1;
  BYTE probe = 0;
  if (last >= view.Length()) {
    const int64_t got = view.Read(file, last, &probe, 1);
    if (got == 0) RememberBadBlock(number);
    if (got != 1) return false;
  }
  for (int64_t r = 0; r < rows; ++r, to += stride) {
    const int64_t at = int64_t(offset) + (first + r) * blockRowBytes + skip;
    // Bytes that are not all there are read with their block, which fails
    // as it always did.
    if (view.Read(file, at, to, bytes) != bytes) return false;
  }
  // A file system that maps no file reads each row on its own: its frames
  // go back to reading whole blocks.
  if (!view.Length()) ++ViewMisses;
  return true;
}

const BYTE* TRmf::BlockForFrame(int blockRow, int blockCol) {
  // A block the slots do not hold (a changed one would be there) is used
  // where the store keeps it, without a slot: a frame meeting more blocks
  // than there are slots would otherwise exchange each of them.
  const LONG number = blockRow * Head.BlockColumns + blockCol;
  if (BlockMemory && Store.Count() && Slots[CurrentSlot].Number != number && FindSlot(number) < 0 &&
      StoreEpochNow())
    if (const BYTE* kept = Store.Use(number)) return kept;
  return BlockForRead(blockRow, blockCol);
}

int TRmf::PutBlockByMask(int row, int col, const char* mask, LONG size, LONG width, LONG height,
                         LONG value) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!mask || width < 1 || height < 1 || int64_t(size) != int64_t(width) * height ||
      !ValidBlock(row, col))
    return Fail(MAPERR_INPUT);
  if (!IsWritable()) return 0;
  const int bits = Head.BitsPerElement;
  if (bits != 64 && (bits < 1 || bits > 32)) return Fail(MAPERR_DATA);
  BYTE* block = BlockForWrite(row, col);
  if (!block) return 0;
  const int bw = BlockWidth(col);
  const int rows = std::min<int>(BlockHeight(row), height), cols = std::min<int>(bw, width);
  // The mask is bottom-up: block row r is mask row height - 1 - r.
  for (int r = 0; r < rows; ++r) {
    const char* m = mask + int64_t(height - 1 - r) * width;
    for (int c = 0; c < cols; ++c) {
      if (m[c]) continue;
      const int64_t k = int64_t(r) * bw + c;
      if (bits == 64)
        RmfPutDouble(block, k, double(value));
      else
        RmfPutElement(block, k, bits, Head.Ident, value);
    }
  }
  if (!Save()) return 0;
  return std::min(BlockRawLength(row, col), int(size));
}

COLORREF TRmf::ValueColor(LONG value) const {
  const int bits = Head.BitsPerElement;
  if (bits <= 8) return PaletteWords[DWORD(value) & 0xFF];
  if (bits == 16 && Head.Ident == RMF_RSW) return RmfColorFrom555(WORD(value));
  return COLORREF(value);
}

int TRmf::GetFrameTurn(DWORD* buffer, int width, int height, double row1, double col1,
                       double row2, double col2) {
  if (!buffer || width < 2 || height < 1) return Fail(MAPERR_INPUT);
  if (!Main) return Fail(MAPERR_OPEN);
  std::memset(buffer, 0, size_t(width) * size_t(height) * sizeof(DWORD));
  const double stepR = (row2 - row1) / (width - 1), stepC = (col2 - col1) / (width - 1);
  const double roundR = stepR > 0 ? 0.5 : -0.5, roundC = stepC > 0 ? 0.5 : -0.5;
  const int before = Error;
  for (int k = 0; k < height; ++k) {
    double r = row1 + k * stepC, c = col1 - k * stepR;
    DWORD* out = buffer + size_t(k) * size_t(width);
    for (int i = 0; i < width; ++i) {
      r += stepR;
      c += stepC;
      const LONG ir = RmfTruncate(r + roundR), ic = RmfTruncate(c + roundC);
      if (ir < 0 || ic < 0 || ir >= Head.Height || ic >= Head.Width) continue;
      LONG value;
      if (GetPoint(value, ir, ic)) out[i] = ValueColor(value);
    }
  }
  Error = before;
  return 1;
}

// ---------------------------------------------------------------------------
// Height unit, colours, value range

int TRmf::Measure(DWORD unit) {
  Head.HeightUnit = LONG(unit);
  SetHeightFactor();
  HeadChanged = 1;
  return 1;
}

int TRmf::GetInvisibleColors(BYTE* flags, int count) {
  if (Head.BitsPerElement > 8) return 0;
  if (!flags || count < 1) return Fail(MAPERR_INPUT);
  const int n = std::min(count, 256);
  int hidden = 0;
  for (int i = 0; i < n; ++i) {
    flags[i] = BYTE((Head.Invisible[i >> 3] >> (i & 7)) & 1);
    hidden += flags[i];
  }
  return hidden;
}

int TRmf::SetInvisibleColors(const BYTE* flags, int count) {
  if (Head.BitsPerElement > 8) return 0;
  if (!flags || count < 1) return Fail(MAPERR_INPUT);
  const int n = std::min(count, 256);
  int hidden = 0;
  for (int i = 0; i < n; ++i) {
    const BYTE bit = BYTE(1 << (i & 7));
    if (flags[i]) {
      Head.Invisible[i >> 3] |= bit;
      ++hidden;
    } else {
      Head.Invisible[i >> 3] &= BYTE(~bit);
    }
  }
  HeadChanged = 1;
  return hidden;
}

int TRmf::GetVisibleColors(BYTE* flags, int count) {
  if (Head.Ident == RMF_RSW && Head.BitsPerElement > 8) return 0;
  if (!flags || count < 1) return Fail(MAPERR_INPUT);
  const int n = std::min(count, 256);
  int hidden = 0;
  for (int i = 0; i < n; ++i) {
    const int h = (Head.Invisible[i >> 3] >> (i & 7)) & 1;
    flags[i] = BYTE(!h);
    hidden += h;
  }
  return hidden;
}

int TRmf::SetVisibleColors(const BYTE* flags, int count) {
  if (Head.BitsPerElement > 8) return 0;
  if (!flags || count < 1) return Fail(MAPERR_INPUT);
  BYTE hidden[256];
  const int n = std::min(count, 256);
  for (int i = 0; i < n; ++i) hidden[i] = BYTE(!flags[i]);
  return SetInvisibleColors(hidden, n);
}

int TRmf::UpdateMinMax(const char* buffer, int width, int height, int direction) {
  if (!buffer || width < 1 || height < 1 || (direction != 1 && direction != -1))
    return Fail(MAPERR_INPUT);
  const int bytes = Head.BitsPerElement / 8;
  if (Head.BitsPerElement % 8 || (bytes != 1 && bytes != 2 && bytes != 4 && bytes != 8))
    return Fail(MAPERR_DATA);
  const int64_t n = int64_t(width) * height;
  const char* p = direction == 1 ? buffer : buffer - (int64_t(height) - 1) * width * bytes;
  const double empty = Head.EmptyValue;
  double lo = Head.Minimum, hi = Head.Maximum;
  for (int64_t i = 0; i < n; ++i) {
    double v;
    switch (bytes) {
      case 1: v = static_cast<signed char>(p[i]); break;
      case 2: {
        int16_t s;
        std::memcpy(&s, p + i * 2, 2);
        v = s;
        break;
      }
      case 4: {
        int32_t s;
        std::memcpy(&s, p + i * 4, 4);
        v = s;
        break;
      }
      default: std::memcpy(&v, p + i * 8, 8); break;
    }
    if (!(v > empty)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  Head.Minimum = lo;
  Head.Maximum = hi;
  HeadChanged = 1;
  return 1;
}
