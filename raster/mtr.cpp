// Elevation and quality matrix files: opening (with the conversion of old
// matrices), creation from a description, and the directional scan.
#include "raster/mtr.h"

#include <algorithm>
#include <cstring>

#include "common/libload.h"
#include "common/maperr.h"
#include "devices/devdraw.h"
#include "geodesy/translate.h"
#include "platform/fileio.h"

namespace {

// The empty value of a new matrix by element width.
double EmptyFor(int bytes) {
  switch (bytes) {
    case 1: return -127.0;
    case 2: return -32767.0;
    default: return -32767000.0;
  }
}

// Elements along an extent: extent / size + 0.5 truncated; 0 when that is
// not a positive 32-bit count.
LONG ElementCount(double extent, double size) {
  const double n = extent / size + 0.5;
  return n >= 1.0 && n < 2147483648.0 ? LONG(n) : 0;
}

bool ValidBuild(const BUILDMTW& p) {
  const int b = p.ElementBytes;
  return p.Length == sizeof(BUILDMTW) && p.Width > 0 && p.Height > 0 && p.ElementSize > 0 &&
         (b == 1 || b == 2 || b == 4 || b == 8) && p.HeightUnit >= 0 && p.HeightUnit <= 3 &&
         p.MatrixType >= 0 && p.MatrixType <= 2 && (p.Flag == 0 || p.Flag == 1);
}

// A projection record the matrix may take: its length, and parameters its
// projection kind accepts (kind -1: none given).
bool ValidProjection(const MTRPROJECTIONDATA& p) {
  if (p.Length != sizeof(MTRPROJECTIONDATA)) return false;
  if (p.ProjectionCode == -1) return true;
  CONSTPROJ c{};
  c.FirstMainParallel = p.Parameters[0];
  c.SecondMainParallel = p.Parameters[1];
  c.AxisMeridian = p.Parameters[2];
  c.MainPointParallel = p.Parameters[3];
  return TTranslate::TestConstproj(p.ProjectionCode, &c) == 0;
}

// The steps of a scan direction: the major step, taken every time, and
// the minor one of the odd directions, taken at the 3rd and 5th of every
// five steps.
struct ScanStep {
  signed char dr, dc;  // major
  signed char mr, mc;  // minor (0, 0 for the even directions)
};
constexpr ScanStep kScan[16] = {
    {0, 1, 0, 0},   {0, 1, -1, 0},  {-1, 1, 0, 0},  {-1, 0, 0, 1},  {-1, 0, 0, 0},  {-1, 0, 0, -1},
    {-1, -1, 0, 0}, {0, -1, -1, 0}, {0, -1, 0, 0},  {0, -1, 1, 0},  {1, -1, 0, 0},  {1, 0, 0, -1},
    {1, 0, 0, 0},   {1, 0, 0, 1},   {1, 1, 0, 0},   {0, 1, 1, 0},
};

}  // namespace

TMtr::TMtr() = default;

TMtr::TMtr(const char* name, int mode) {
  if (!Open(name, mode)) throw 0;
}

int TMtr::Open(const char* name, int mode) {
  if (!TRmf::Open(name, mode)) return 0;
  DWORD sign = 0;
  if (!ReadSign(&sign)) return FailOpen(MAPERR_READ);
  if (sign == MTR_OLD_SIGN) {
    // The converter rewrites the file under its name: it must not be open.
    TRmf::Close(0);
    if (!ConvertOld(name)) return 0;
    if (!TRmf::Open(name, mode)) return 0;
  } else if (sign != RMF_MTW && sign != RMF_MTQ) {
    return FailOpen(MAPERR_DATA);
  }
  return OpenMatrix() ? 1 : FailOpen(0);
}

int TMtr::ConvertOld(const char* name) {
  HMODULE lib = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_MATRIX, &lib, MAPLIB_MATRIX_CONVERT, 1);
  if (!proc) {
    // The loader has reported which it was; the object keeps the same code.
    HMODULE probe = LoadLibraryModule(MAPLIB_MATRIX);
    if (probe) FreeLibraryModule(probe);
    return Fail(probe ? MAPERR_BADLIBRARY : MAPERR_NOLIBRARY);
  }
  using Convert = int (*)(const char*);
  const int done = plat::EntryAs<Convert>(proc)(name);
  FreeLibraryModule(lib);
  return done ? 1 : Fail(MAPERR_DATA);
}

int TMtr::OpenMatrix() {
  if (!ReadHeader()) return 0;
  if (Head.Ident != RMF_MTW && Head.Ident != RMF_MTQ) return Fail(MAPERR_DATA);
  if (!Verify(Head.Ident)) return 0;
  // Buffers of the sizes the geometry needs, whatever the length words say.
  const int blocks = BlockCount();
  if (!AllocateBlockDesc(blocks * 8) ||
      !AllocateBlockFlags(int(std::min<DWORD>(Head.FlagsLength, DWORD(blocks)))) ||
      AllocateBuffer(kDefaultSlots) == 0)
    return 0;
  if (!ReadBlockDesc()) return 0;
  Error = 0;
  if (!ReadPalette() && Error) return 0;
  if (!ReadAddition() && Error) return 0;
  if (!ReadBorder() && Error) return 0;
  if (ShowByBorder() && !ReadBlockFlags() && Error) return 0;
  Error = 0;
  return 1;
}

int TMtr::Create(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj, int checkDisk) {
  Error = 0;
  if (!name || !parm) return Fail(MAPERR_INPUT);
  if (parm->Scale < 1) parm->Scale = 1;
  if (!ValidBuild(*parm)) return Fail(MAPERR_INPUT);
  const LONG columns = ElementCount(parm->Width, parm->ElementSize);
  const LONG rows = ElementCount(parm->Height, parm->ElementSize);
  const int bits = parm->ElementBytes * 8;
  if (columns < 1 || rows < 1) return Fail(MAPERR_INPUT);
  // The projection record is judged before anything is created, so that a
  // refused one leaves an existing file of that name as it was.
  if (proj && !ValidProjection(*proj)) return Fail(MAPERR_INPUT);
  if (checkDisk) {
    const int side = RmfBlockSide(bits);
    const double blocks = double((columns + side - 1) / side) * double((rows + side - 1) / side);
    const double bytes = blocks * 8 + RMF_HEADER_SIZE + RMF_PALETTE_SIZE +
                         double(RmfRawSize(columns, rows, bits));
    if (!GetDiskFreeSpaceBytes(name, bytes)) return Fail(MAPERR_DISKFULL);
  }
  const double scale = parm->Scale;
  if (!TRmf::Create(name, columns, rows, bits, nullptr, scale, scale / parm->ElementSize))
    return 0;
  Head.Ident = RMF_MTW;
  Head.Creator = DWORD(parm->Creator);
  Head.LocationSet = 1;
  Head.LocationX = parm->BeginX;
  Head.LocationY = parm->BeginY;
  // The element size is the description's: the precision, kept at least 1,
  // cannot carry it when the scale is smaller than the element.
  Head.ElementSize = parm->ElementSize;
  Measure(DWORD(parm->HeightUnit));
  Head.MatrixBytes[0] = BYTE(parm->MatrixType);
  Head.Minimum = 1e308;
  Head.Maximum = -1e308;
  Head.EmptyValue = EmptyFor(parm->ElementBytes);
  Head.ProjectionWord = -1;
  Head.ProjectionCode = DWORD(-1);
  if (proj) {
    Head.ProjectionWord = proj->ProjectionWord;
    Head.ProjectionCode = DWORD(proj->ProjectionCode);
    std::memcpy(Head.ProjParams, proj->Parameters, sizeof(Head.ProjParams));
  }
  HeadChanged = 1;
  return Save(0);
}

int TMtr::CreateMtq(const char* name, BUILDMTW* parm, MTRPROJECTIONDATA* proj,
                    const COLORREF* colors, int count) {
  Error = 0;
  if (!name || !parm || !proj || !colors) return Fail(MAPERR_INPUT);
  if (!Create(name, parm, proj, 1)) return 0;
  Head.Ident = RMF_MTQ;
  count = std::clamp(count, 0, 256);
  if (count > 0) {
    Palette(colors, count);
    Head.PalettePosition = Head.UnitShift ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
    Head.PaletteLength = DWORD(count) * 4;
  }
  HeadChanged = 1;
  return Save(1);
}

int TMtr::ScanPoint(int row, int col, int direction, int& outRow, int& outCol, LONG& value) {
  if (direction < 0 || direction > 15) return 0;
  const LONG threshold = RmfTruncate(Head.EmptyValue);
  value = threshold;
  outRow = row;
  outCol = col;
  if (!Main) return Fail(MAPERR_OPEN);
  if (row < 0 || row >= Head.Height || col < 0 || col >= Head.Width || BlockCount() == 0)
    return Fail(MAPERR_DATA);
  const int bits = Head.BitsPerElement;
  const ScanStep s = kScan[direction];
  const int before = Error;
  // The start block is read whatever its block flag says; the stored flags
  // are left as they are.
  const int start = row / Head.BlockHeight * Head.BlockColumns + col / Head.BlockWidth;
  int skipped = -1;  // the last block found without data
  for (int64_t step = 1;; ++step) {
    outRow = row;
    outCol = col;
    const int br = row / Head.BlockHeight, bc = col / Head.BlockWidth;
    const int number = br * Head.BlockColumns + bc;
    if (number != skipped) {
      const BYTE* block = number == start || BlockFlag(number) ? GetBlockAddress(br, bc) : nullptr;
      if (!block) {
        skipped = number;
      } else {
        const int64_t k =
            int64_t(row - br * Head.BlockHeight) * BlockWidth(bc) + (col - bc * Head.BlockWidth);
        value = bits == 64 ? RmfTruncate(RmfGetDouble(block, k))
                           : LONG(RmfGetElement(block, k, bits, Head.Ident));
        if (value > threshold) {
          Error = before;
          return 1;
        }
      }
    }
    row += s.dr;
    col += s.dc;
    const int phase = int(step % 5);
    if (phase == 3 || phase == 0) {
      row += s.mr;
      col += s.mc;
    }
    if (row < 0 || row >= Head.Height || col < 0 || col >= Head.Width) break;
  }
  Error = before;
  return 0;
}
