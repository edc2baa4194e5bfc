// The raster file: opening either format, the conversion of old files in
// place, and the changes carried into the reduced copies.
#include "raster/rst.h"

#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "platform/fileio.h"

namespace {

constexpr double kDotsPerMetre = 39.37007874015748;  // per inch

}  // namespace

TRst::TRst() = default;

TRst::TRst(const char* name, int columns, int rows, int bits, const DWORD* palette, double scale,
           double precision)
    : TRmf(name, columns, rows, bits, palette, scale, precision) {
  if (IsOpen()) {
    HeadChanged = 1;
    Head.Ident = RMF_RSW;
  }
}

TRst::TRst(const char* name, int mode) {
  if (!Open(name, mode)) {
    const int code = Error;
    ClearAll();
    Error = code;
  }
}

TRst::TRst(void* handle, DWORD position) {
  Current = static_cast<HANDLE>(handle);
  HeadPosition = position;
  Shared = 1;
  CopyLoaded = 0;
}

TRst::~TRst() {
  delete Copy;
  Copy = nullptr;
}

int TRst::Create(const char* name, LONG columns, LONG rows, LONG bits, const DWORD* palette,
                 double scale, double precision) {
  if (!TRmf::Create(name, columns, rows, bits, palette, scale, precision)) return 0;
  HeadChanged = 1;
  Head.Ident = RMF_RSW;
  return 1;
}

void TRst::Close() {
  if (Copy) {
    Copy->Save();
    SaveDuplicates(0);
    delete Copy;
    Copy = nullptr;
  }
  TRmf::Close(0);
}

int TRst::Open(const char* name, int mode) {
  Close();
  if (!TRmf::Open(name, mode)) return 0;
  DWORD sign = 0;
  if (!ReadSign(&sign)) return FailOpen(MAPERR_READ);
  if (sign == RST_SIGN) {
    Current = Main;
    RST old;
    if (!ReadOldHeader(&old)) return FailOpen(0);
    HeadPosition = old.Length;
    // A file that ends at the old length has nothing appended, whatever
    // byte 63 says.
    if (plat::FileLength(Main) == int64_t(old.Length)) old.Converted = 0;
    if (!old.Converted) {
      if (!InitializeNewHeader(&old) || !WriteNewHeaderToFileEnd(&old)) return FailOpen(0);
      return 1;
    }
  } else if (sign != RMF_RSW) {
    return FailOpen(MAPERR_DATA);
  }
  if (!ReadHeader()) return FailOpen(0);
  if (!Verify(RMF_RSW)) return FailOpen(MAPERR_DATA);
  return OpenNew() ? 1 : FailOpen(0);
}

int TRst::OpenNew() {
  // The cache grows with the data: 16 slots above 128 full blocks' worth,
  // 32 asked above 512 (the file object keeps at most 16).
  const int64_t block = FullBlockSize();
  const int64_t end = EndPosition();
  auto room = [&](int64_t slots) {
    const int64_t bytes = slots * block;
    return Head.UnitShift ? (bytes + RMF_UNIT - 1) / RMF_UNIT : bytes;
  };
  int slots = kDefaultSlots;
  if (end / 16 > room(slots)) slots = 16;
  if (end / 32 > room(slots)) slots = 32;
  // Buffers of the sizes the geometry needs (a damaged length word cannot
  // ask for more).
  const int blocks = BlockCount();
  if (!AllocateBlockDesc(blocks * 8) ||
      !AllocateBlockFlags(int(std::min<DWORD>(Head.FlagsLength, DWORD(blocks)))) ||
      AllocateBuffer(slots) == 0)
    return Fail(MAPERR_MEMORY);
  if (!ReadBlockDesc()) return 0;
  Error = 0;
  if (Head.BitsPerElement <= 8 && !ReadPalette() && Error) return 0;
  if (!ReadAddition() && Error) return 0;
  if (!ReadBorder() && Error) return 0;
  if (ShowByBorder() && !ReadBlockFlags() && Error) return 0;
  Error = 0;
  return 1;
}

// ---------------------------------------------------------------------------
// The old format

int TRst::ReadOldHeader(RST* old) {
  if (!Main || !old) return Fail(MAPERR_OPEN);
  DWORD got = 0;
  if (!plat::ReadAt(Main, 0, old, sizeof(RST), &got)) return Fail(MAPERR_DATA);
  if (got < sizeof(RST)) return Fail(MAPERR_READ);
  return 1;
}

int TRst::InitializeNewHeader(RST* old) {
  if (!Main || !old) return Fail(MAPERR_OPEN);
  std::memset(&Head, 0, sizeof(Head));
  Head.Ident = RMF_RSW;
  Head.Version = RMF_VERSION_CONVERTED;
  Head.Length = old->Length;
  Head.BitsPerElement = old->Bits;
  Head.Height = old->Height;
  Head.Width = old->Width;
  Head.BlockColumns = old->BlockColumns;
  Head.BlockRows = old->BlockRows;
  Head.BlockHeight = old->BlockHeight;
  Head.BlockWidth = old->BlockWidth;
  Head.LastHeight = old->LastHeight;
  Head.LastWidth = old->LastWidth;
  Head.LocationX = old->LocationX;
  Head.LocationY = old->LocationY;
  Head.ProjectionWord = -1;
  Head.Scale = 1.0;
  Head.Precision = old->Resolution ? old->Resolution * kDotsPerMetre : 1.0;
  Head.ElementSize = Head.Scale / Head.Precision;
  HeadPosition = old->Length;
  // The old sizes must describe blocks that lie inside the old data.
  const int bits = Head.BitsPerElement;
  if (!RmfGeometryValid(Head) || bits > 32 || int64_t(plat::FileLength(Main)) < old->Length)
    return Fail(MAPERR_DATA);
  const int blocks = BlockCount();
  Head.TablePosition = old->Length + RMF_HEADER_SIZE;
  Head.TableLength = DWORD(blocks) * 8;
  if (Head.TablePosition < old->Length) return Fail(MAPERR_DATA);
  if (!AllocateBlockDesc(blocks * 8) || AllocateBuffer(kDefaultSlots) == 0)
    return Fail(MAPERR_MEMORY);
  HeadChanged = TableChanged = 1;
  const uint64_t dataEnd = bits == 8 ? uint64_t(old->Length) - 1024 : old->Length;
  uint64_t at = RST_DATA;
  for (int r = 0; r < Head.BlockRows; ++r) {
    for (int c = 0; c < Head.BlockColumns; ++c) {
      const DWORD raw = DWORD(BlockRawLength(r, c));
      Table[r * Head.BlockColumns + c] = RMFBLOCKDESC{DWORD(at), raw};
      at += raw;
    }
  }
  if (old->Length < RST_DATA || at > dataEnd || (bits == 8 && old->Length < RST_DATA + 1024))
    return Fail(MAPERR_DATA);
  // The palette: after the table (1 and 4 bits, from the old triplets), in
  // place before the old length (8 bits).
  if (bits == 1 || bits == 4) {
    Head.PalettePosition = Head.TablePosition + Head.TableLength;
    Head.PaletteLength = bits == 1 ? 8 : 64;
    BYTE triplets[48];
    DWORD got = 0;
    if (!plat::ReadAt(Main, RST_COLORS, triplets, sizeof(triplets), &got) || got != sizeof(triplets))
      return Fail(MAPERR_READ);
    for (int i = 0; i < 16; ++i)
      PaletteWords[i] = DWORD(triplets[i * 3]) | DWORD(triplets[i * 3 + 1]) << 8 |
                        DWORD(triplets[i * 3 + 2]) << 16;
  } else if (bits == 8) {
    Head.PalettePosition = old->Length - 1024;
    Head.PaletteLength = 1024;
    DWORD got = 0;
    if (!plat::ReadAt(Main, Head.PalettePosition, PaletteWords, 1024, &got) || got != 1024)
      return Fail(MAPERR_READ);
  }
  return 1;
}

int TRst::WriteNewHeaderToFileEnd(RST* old) {
  if (!Main || !old) return 0;
  if (!IsWritable()) return 1;
  if (!WriteBlockDesc()) {
    // The raster stays usable, read-only.
    Access = GENERIC_READ;
    return 1;
  }
  if (Head.BitsPerElement == 1 || Head.BitsPerElement == 4) {
    Head.PalettePosition = Head.TablePosition + Head.TableLength;
    PaletteChanged = 1;
    if (!WritePalette()) return 0;
  }
  HeadChanged = 1;
  if (!WriteHeader()) return Error ? 0 : Fail(MAPERR_WRITE);
  old->Converted = 1;
  if (!plat::WriteExactAt(Main, 0, old, sizeof(RST))) return Fail(MAPERR_WRITE);
  Error = 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Changes carried into the reduced copies

bool TRst::Carry() {
  HeadChanged = 1;
  return !Head.NextCopy || SaveDuplicates(0);
}

int TRst::CarryBlock(int written, int row, int col, DWORD refused) {
  if (written > 0 && Head.NextCopy) {
    BlockWritten = 1;
    WrittenRow = row;
    WrittenColumn = col;
    if (!SaveCopies(0, refused)) return 0;
  }
  return written;
}

double TRst::LocationX(double x) {
  Head.LocationX = x;
  Head.Version = RMF_VERSION;
  Head.LocationSet = 1;
  return Carry() ? Head.LocationX : 0;
}

double TRst::LocationY(double y) {
  Head.LocationY = y;
  Head.Version = RMF_VERSION;
  Head.LocationSet = 1;
  return Carry() ? Head.LocationY : 0;
}

double TRst::Scale(double scale) {
  Head.Scale = scale < 1.0 ? 1.0 : scale;
  Head.ElementSize = Head.Scale / std::max(Head.Precision, 1.0);
  return Carry() ? Head.Scale : 0;
}

double TRst::Precision(double precision) {
  Head.Precision = precision < 1.0 ? 1.0 : precision;
  Head.ElementSize = std::max(Head.Scale, 1.0) / Head.Precision;
  return Carry() ? Head.Precision : 0;
}

int TRst::Negative(int negative) {
  Head.Negative = BYTE(negative);
  return Carry() ? Head.Negative : 0;
}

int TRst::SetBorder(TDataEdit* border) {
  if (Head.NextCopy) CopyBorderChanged = 1;
  if (!TRmf::SetBorder(border)) return 0;
  return Carry() ? 1 : 0;
}

int TRst::ShowByBorder(int on) {
  TRmf::ShowByBorder(on);
  Carry();
  return TRmf::ShowByBorder();
}

int TRst::DeleteBorder() {
  if (!TRmf::DeleteBorder()) return 0;
  return Carry() ? 1 : 0;
}

int TRst::WriteBlock(int row, int col, const char* data, int length) {
  DWORD refused = 0;
  if (!RefusedCopies(&refused)) return 0;
  return CarryBlock(TRmf::WriteBlock(row, col, data, length), row, col, refused);
}

int TRst::PutBlockByMask(int row, int col, const char* mask, LONG size, LONG width, LONG height,
                         LONG value) {
  DWORD refused = 0;
  if (!RefusedCopies(&refused)) return 0;
  return CarryBlock(TRmf::PutBlockByMask(row, col, mask, size, width, height, value), row, col,
                    refused);
}

int TRst::PutFrame(const char* buffer, int column, int row, int width, int height, int direction,
                   int stride) {
  return TRmf::PutFrame(buffer, column, row, width, height, direction, stride);
}
