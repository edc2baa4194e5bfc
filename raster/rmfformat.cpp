// Positions, block geometry and element encodings of the blocked raster and
// matrix file.
#include "raster/rmfformat.h"

#include <cstring>

namespace {

// Blocks of more raw bytes than this are refused: the creation sizes give
// at most 64 KB, and a damaged header must not make the cache ask for
// gigabytes.
constexpr int64_t kMaxBlockBytes = 16 << 20;

}  // namespace

bool RmfLocate(DWORD position, int unitShift, RmfPlace* place) {
  if (unitShift == 0) {
    *place = {0, position};
    return true;
  }
  if (position > RMF_MAX_ADDRESS) return false;
  const int part = int(position >> 24);
  // Byte offset = address x 256 modulo 2^32.
  const uint64_t offset = uint64_t(DWORD(position << 8));
  if (part == 0 && offset > RMF_PART_SPILL) {
    *place = {1, RMF_CONT_DATA};
    return true;
  }
  *place = {part, offset};
  return true;
}

int RmfBlockSide(int bits) {
  switch (bits) {
    case 1: return 512;
    case 4:
    case 8: return 256;
    case 16:
    case 32: return 128;
    case 24:
    case 64: return 64;
    default: return 0;
  }
}

int RmfPaletteColors(int bits) {
  switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

int RmfStoredColumns(int columns, int bits) {
  const int64_t step = bits == 1 ? 8 : bits == 4 ? 2 : 1;
  const int64_t c = (int64_t(columns) + step - 1) / step * step;
  return c > 0x7FFFFFFF ? -1 : int(c);
}

bool RmfSetGeometry(RMF* h) {
  const int side = RmfBlockSide(h->BitsPerElement);
  if (side == 0 || h->Height < 1 || h->Width < 1) return false;
  h->BlockColumns = LONG((int64_t(h->Width) + side - 1) / side);
  h->BlockRows = LONG((int64_t(h->Height) + side - 1) / side);
  // A single block column (row) is as wide (high) as the grid.
  h->BlockWidth = h->BlockColumns == 1 ? h->Width : side;
  h->BlockHeight = h->BlockRows == 1 ? h->Height : side;
  h->LastWidth = h->Width % h->BlockWidth ? h->Width % h->BlockWidth : h->BlockWidth;
  h->LastHeight = h->Height % h->BlockHeight ? h->Height % h->BlockHeight : h->BlockHeight;
  return true;
}

bool RmfGeometryValid(const RMF& h) {
  // Layer matrices store records of whole bytes; the other kinds the
  // depths with a block size.
  const int bits = h.BitsPerElement;
  if (h.Ident == RMF_MTL ? bits < 8 || bits % 8 != 0 : RmfBlockSide(bits) == 0) return false;
  if (h.Height < 1 || h.Width < 1 || h.BlockRows < 1 || h.BlockColumns < 1) return false;
  if (h.BlockHeight < 1 || h.BlockWidth < 1) return false;
  if (h.LastHeight < 1 || h.LastHeight > h.BlockHeight) return false;
  if (h.LastWidth < 1 || h.LastWidth > h.BlockWidth) return false;
  // The blocks cover the grid exactly.
  if (int64_t(h.BlockRows - 1) * h.BlockHeight + h.LastHeight != h.Height) return false;
  if (int64_t(h.BlockColumns - 1) * h.BlockWidth + h.LastWidth != h.Width) return false;
  // Whole bytes per block row of every block.
  if (bits < 8 && (int64_t(h.BlockWidth) * bits % 8 || int64_t(h.LastWidth) * bits % 8))
    return false;
  if (RmfRawSize(h.BlockWidth, h.BlockHeight, bits) > kMaxBlockBytes) return false;
  return int64_t(h.BlockRows) * h.BlockColumns * 8 <= int64_t(0xFFFFFFFFu);
}

int64_t RmfRawSize(int64_t columns, int64_t rows, int bits) { return columns * rows * bits / 8; }

void RmfPutElement(BYTE* b, int64_t k, int bits, DWORD kind, int64_t value) {
  const DWORD v = DWORD(value);
  switch (bits) {
    case 1: {
      const BYTE bit = BYTE(0x80 >> (k & 7));
      b[k >> 3] = BYTE(v & 1 ? b[k >> 3] | bit : b[k >> 3] & ~bit);
      break;
    }
    case 4: {
      const int shift = int(k & 1) * 4;
      b[k >> 1] = BYTE((b[k >> 1] & ~(15 << shift)) | ((v & 15) << shift));
      break;
    }
    case 8: b[k] = BYTE(v); break;
    case 16: {
      const WORD w = WORD(v);
      std::memcpy(b + k * 2, &w, 2);
      break;
    }
    case 24: {
      BYTE* p = b + k * 3;
      p[0] = BYTE(v >> 16), p[1] = BYTE(v >> 8), p[2] = BYTE(v);
      break;
    }
    case 32: {
      BYTE* p = b + k * 4;
      if (RmfMatrixKind(kind)) {
        std::memcpy(p, &v, 4);
      } else {
        p[0] = BYTE(v >> 16), p[1] = BYTE(v >> 8), p[2] = BYTE(v), p[3] = 0;
      }
      break;
    }
    default: break;
  }
}

COLORREF RmfColorFrom555(WORD v) {
  const DWORD r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
  return (r << 3) | (g << 11) | (b << 19);
}

WORD RmfColorTo555(COLORREF c) {
  const DWORD r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 3, b = ((c >> 16) & 0xFF) >> 3;
  return WORD((r << 10) | (g << 5) | b);
}
