// Layer matrix files: creation from build parameters, opening with the
// layer block, and the cell records with their heights and thicknesses.
// The triangle interpolations are in rmftriangle.cpp.
#include "raster/mtl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/maperr.h"
#include "devices/devdraw.h"
#include "geodesy/translate.h"
#include "platform/fileio.h"
#include "raster/rmfpages.h"

namespace {

constexpr double kFactors[] = {1.0, 10.0, 100.0, 1000.0};

double FactorOf(DWORD unit) { return kFactors[unit <= 2 ? unit : 3]; }

DWORD NoValueOf(int bytes) {
  return bytes == 1 ? 0xFFu : bytes == 2 ? 0xFFFFu : 0xFFFFFFFFu;
}

// Cells along an extent: extent / size + 0.5 truncated; 0 when that is not
// a positive 32-bit count.
LONG CellCount(double extent, double size) {
  const double n = extent / size + 0.5;
  return n >= 1.0 && n < 2147483648.0 ? LONG(n) : 0;
}

bool ValidParm(const MTLBUILDPARM& p) {
  const int h = p.HeightBytes, w = p.PowerBytes;
  return p.Length == int32_t(sizeof(MTLBUILDPARM)) && p.EndX - p.BeginX > 0 &&
         p.EndY - p.BeginY > 0 && p.ElementSize > 0 && p.LayerCount >= 1 &&
         (h == 0 || h == 2 || h == 4) && (w == 1 || w == 2 || w == 4) && p.HeightUnit >= 0 &&
         p.HeightUnit <= 3 && p.PowerUnit >= 0 && p.PowerUnit <= 3 && p.Scale >= 1;
}

// v rounded half away from zero as a whole number; false when it is not
// finite. Values past the 64-bit range are held at its ends (they are cut
// to the element's width anyway).
bool RoundedValue(double v, int64_t* out) {
  if (!std::isfinite(v)) return false;
  const double r = v >= 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
  *out = r >= 9.2e18 ? INT64_MAX : r <= -9.2e18 ? INT64_MIN : int64_t(r);
  return true;
}

// A little-endian value of 1, 2 or 4 bytes, cut to its width.
void StoreWidth(BYTE* to, int bytes, int64_t value) {
  const DWORD v = DWORD(uint64_t(value));
  std::memcpy(to, &v, size_t(bytes));
}

// The surface height at the start of a record: 2 bytes signed, else 4.
LONG LoadHeight(const BYTE* from, int bytes) {
  if (bytes == 2) {
    int16_t v;
    std::memcpy(&v, from, 2);
    return v;
  }
  LONG v;
  std::memcpy(&v, from, 4);
  return v;
}

}  // namespace

TMtl::TMtl() = default;

TMtl::TMtl(const char* name, int mode) {
  if (!Open(name, mode)) throw 0;
}

TMtl::~TMtl() {
  Close(1);
  rmfpages::Release(LayerBlock);
}

void TMtl::ClearAll() {
  TRmf::ClearAll();
  LayerChanged = 0;
  LayerFactor = LayerInverse = 1.0;
}

void TMtl::SetLayerFactor(DWORD unit) {
  LayerFactor = FactorOf(unit);
  LayerInverse = 1.0 / LayerFactor;
}

void TMtl::Close(int free) {
  if (Main && LayerChanged && IsWritable()) WriteLayerDesc();
  LayerChanged = 0;
  TRmf::Close(free);
  LayerItem = nullptr;
  if (LayerBlock) std::memset(LayerBlock, 0, LayerBlockSize);
  if (free) {
    rmfpages::Release(LayerBlock);
    LayerBlockSize = 0;
  }
  SetLayerFactor(0);
}

int TMtl::Save(int force) {
  if (!IsWritable()) return 0;
  if ((LayerChanged || force) && !WriteLayerDesc() && Error) return 0;
  return TRmf::Save(force);
}

// ---------------------------------------------------------------------------
// The layer block

int TMtl::AllocateLayerDesc(int size) {
  if (size < 1) return Fail(MAPERR_DATA);
  if (!LayerBlock || LayerBlockSize < DWORD(size)) {
    if (!rmfpages::Grow(LayerBlock, size_t(size))) {
      Close(0);
      return Fail(MAPERR_MEMORY);
    }
    LayerBlockSize = DWORD(size);
    std::memset(LayerBlock, 0, LayerBlockSize);
  }
  return 1;
}

int TMtl::ReadLayerDesc() {
  if (!Main) return Fail(MAPERR_OPEN);
  const DWORD length = Head.LayerLength;
  // One layer takes at least one byte of a record: a longer block cannot
  // belong to the header's records.
  const int64_t longest = MTL_LAYER_HEAD + int64_t(MTL_LAYER_ITEM) * (Head.BitsPerElement / 8);
  if (Head.LayerPosition < 1 || length < MTL_LAYER_HEAD + MTL_LAYER_ITEM || length > longest)
    return Fail(MAPERR_DATA);
  if (!AllocateLayerDesc(int(length))) return 0;
  if (!ReadAt(Head.LayerPosition, LayerBlock, length)) return Fail(MAPERR_READ);
  // The block must describe the records the header gives, or the layer
  // reads would leave them.
  const MTLLAYERHEAD& l = *LayerHead();
  const DWORD h = l.HeightBytes, w = l.PowerBytes, n = l.LayerCount;
  const bool ok = l.Marker == MTL_LAYER_MARKER && l.Length == length &&
                  (h == 0 || h == 2 || h == 4) && (w == 1 || w == 2 || w == 4) && n >= 1 &&
                  length == MTL_LAYER_HEAD + MTL_LAYER_ITEM * n &&
                  int64_t(h) + int64_t(w) * n == Head.BitsPerElement / 8 &&
                  l.NoValue == NoValueOf(int(w));
  if (!ok) {
    std::memset(LayerBlock, 0, LayerBlockSize);
    return Fail(MAPERR_DATA);
  }
  LayerItem = reinterpret_cast<MTLLAYER*>(LayerBlock + MTL_LAYER_HEAD);
  SetLayerFactor(l.PowerUnit);
  RecordHeight = LONG(h);
  LayerChanged = 0;
  return 1;
}

int TMtl::WriteLayerDesc() {
  if (!IsWritable() || !Head.LayerPosition || !Head.LayerLength || !LayerBlock) return 0;
  const DWORD position = Head.LayerPosition;
  if (Head.UnitShift ? position < RMF_HEADER_UNITS || position > RMF_MAX_ADDRESS
                     : position < RMF_HEADER_SIZE)
    return Fail(MAPERR_DATA);
  const DWORD length = Head.LayerLength;
  if (length > LayerBlockSize) return Fail(MAPERR_DATA);
  // The block is rewritten in place while no block or area of the file
  // holds a byte of its place (a damaged header may put it over a block of
  // elements), else stored anew at the end of the data and the header
  // moved to it. One reaching past the end is the block of a matrix being
  // made, written where its header puts it.
  RmfPlace place;
  const int64_t size = PartLength(position, &place);
  DWORD at = position;
  if (size >= 0 && place.offset + length <= uint64_t(size))
    at = StoreArea(RmfArea::Layer, position, length, LayerBlock, length);
  else if (!WriteAt(position, LayerBlock, length))
    at = 0;
  if (!at) return Error ? 0 : Fail(MAPERR_WRITE);
  Head.LayerPosition = at;
  LayerChanged = 0;
  return 1;
}

int TMtl::LayerMeasure(LONG unit) {
  SetLayerFactor(DWORD(unit));
  if (LayerBlock) {
    LayerHead()->PowerUnit = DWORD(unit);
    LayerChanged = 1;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Creation and opening

int TMtl::Create(const char* name, MTLBUILDPARM* parm) {
  Close(1);
  Error = 0;
  if (!name || !parm) return Fail(MAPERR_INPUT);
  auto refuse = [this, parm] {
    parm->Length = MAPERR_INPUT;
    return Fail(MAPERR_INPUT);
  };
  if (!ValidParm(*parm)) return refuse();
  const LONG rows = CellCount(parm->EndX - parm->BeginX, parm->ElementSize);
  const LONG columns = CellCount(parm->EndY - parm->BeginY, parm->ElementSize);
  const int64_t record =
      int64_t(parm->PowerBytes) * parm->LayerCount + parm->HeightBytes;
  if (rows < 1 || columns < 1 || record > MTL_MAX_RECORD) return refuse();

  RMF h{};
  h.Ident = RMF_MTL;
  h.Version = RMF_VERSION;
  h.Creator = DWORD(parm->UserWord);
  h.BitsPerElement = LONG(record * 8);
  h.Height = rows;
  h.Width = columns;
  h.BlockColumns = (columns + MTL_BLOCK_SIDE - 1) / MTL_BLOCK_SIDE;
  h.BlockRows = (rows + MTL_BLOCK_SIDE - 1) / MTL_BLOCK_SIDE;
  h.BlockWidth = h.BlockColumns == 1 ? columns : MTL_BLOCK_SIDE;
  h.BlockHeight = h.BlockRows == 1 ? rows : MTL_BLOCK_SIDE;
  h.LastWidth = columns % h.BlockWidth ? columns % h.BlockWidth : h.BlockWidth;
  h.LastHeight = rows % h.BlockHeight ? rows % h.BlockHeight : h.BlockHeight;
  const int64_t blocks = int64_t(h.BlockRows) * h.BlockColumns;
  if (!RmfGeometryValid(h) || blocks * 8 > RMF_MAX_TABLE_BYTES) return refuse();
  // Computed in 64 bits: the product passes 32 bits long before the limit.
  const bool unit = int64_t(rows) * columns * record > RMF_BYTE_MODE_LIMIT;
  h.UnitShift = unit ? RMF_UNIT_SHIFT : 0;
  h.TablePosition = unit ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
  h.TableLength = DWORD(blocks * 8);
  h.LayerPosition = unit ? h.TablePosition + (h.TableLength + RMF_UNIT - 1) / RMF_UNIT
                         : h.TablePosition + h.TableLength;
  h.LayerLength = MTL_LAYER_HEAD + MTL_LAYER_ITEM * DWORD(parm->LayerCount);
  h.AdditionLength = RMF_ADDITION_SIZE;
  h.ProjectionWord = -1;
  h.ProjectionCode = DWORD(-1);
  h.Scale = std::max(1.0, double(parm->Scale));
  h.Precision = std::max(1.0, parm->Scale / parm->ElementSize);
  h.ElementSize = parm->ElementSize;
  h.LocationX = parm->BeginX;
  h.LocationY = parm->BeginY;
  h.LocationSet = 1;
  if (parm->HeightBytes) {
    h.Minimum = 1e308;
    h.Maximum = -1e308;
    h.EmptyValue = parm->HeightBytes == 2 ? -32767.0 : -32767000.0;
    h.HeightUnit = parm->HeightUnit;
  }

  const double bytes = double(blocks) * 8 + 640 + double(parm->LayerCount) * 48 +
                       double(rows) * double(columns) * double(record);
  if (!GetDiskFreeSpaceBytes(name, bytes)) return Fail(MAPERR_DISKFULL);
  if (!TRmf::Create(name)) return Fail(MAPERR_OPEN);
  Head = h;
  SetHeightFactor();
  RecordHeight = parm->HeightBytes;
  if (!AllocateBlockDesc(int(h.TableLength)) || !AllocateLayerDesc(int(h.LayerLength)) ||
      AllocateBuffer(kDefaultSlots) == 0) {
    TRmf::Close(1);
    plat::DeleteFileA(name);
    return Fail(MAPERR_MEMORY);
  }
  std::memset(LayerBlock, 0, LayerBlockSize);
  MTLLAYERHEAD& l = *LayerHead();
  l.Marker = MTL_LAYER_MARKER;
  l.Length = h.LayerLength;
  l.LayerCount = DWORD(parm->LayerCount);
  l.HeightBytes = DWORD(parm->HeightBytes);
  l.PowerBytes = DWORD(parm->PowerBytes);
  l.NoValue = NoValueOf(parm->PowerBytes);
  LayerItem = reinterpret_cast<MTLLAYER*>(LayerBlock + MTL_LAYER_HEAD);
  LayerMeasure(parm->PowerUnit);
  // The table and the layer block first, so that the header's end
  // position covers them.
  TableChanged = HeadChanged = 1;
  if (!WriteBlockDesc() || !WriteLayerDesc() || !WriteHeader()) return Error ? 0 : Fail(MAPERR_WRITE);
  return 1;
}

int TMtl::CreateMtlFileEx(const char* name, MTLBUILDPARM* parm, MTRPROJECTIONDATA* proj) {
  Error = 0;
  if (!name || !parm || !proj || proj->Length != sizeof(MTRPROJECTIONDATA)) return Fail(MAPERR_INPUT);
  if (proj->ProjectionCode != -1) {
    CONSTPROJ c{};
    c.FirstMainParallel = proj->Parameters[0];
    c.SecondMainParallel = proj->Parameters[1];
    c.AxisMeridian = proj->Parameters[2];
    c.MainPointParallel = proj->Parameters[3];
    if (TTranslate::TestConstproj(proj->ProjectionCode, &c) != 0) return Fail(MAPERR_INPUT);
  }
  if (!Create(name, parm)) return 0;
  Head.ProjectionWord = proj->ProjectionWord;
  Head.ProjectionCode = DWORD(proj->ProjectionCode);
  std::memcpy(Head.ProjParams, proj->Parameters, sizeof(Head.ProjParams));
  HeadChanged = 1;
  return WriteHeader() ? 1 : (Error ? 0 : Fail(MAPERR_WRITE));
}

int TMtl::Open(const char* name, int mode) {
  Close(0);
  if (!TRmf::Open(name, mode)) return 0;
  auto fail = [this](int code) {
    const int c = code ? code : Error;
    ForgetChanges();
    LayerChanged = 0;
    Close(0);
    Error = c;
    return 0;
  };
  DWORD sign = 0;
  if (!ReadSign(&sign)) return fail(MAPERR_READ);
  if (sign != RMF_MTL && sign != RMF_MTW) return fail(MAPERR_DATA);
  if (!ReadHeader()) return fail(0);
  if (Head.Ident != sign || !Verify(sign)) return fail(MAPERR_DATA);
  const int blocks = BlockCount();
  if (!AllocateBlockDesc(blocks * 8) ||
      !AllocateBlockFlags(int(std::min<DWORD>(Head.FlagsLength, DWORD(blocks)))) ||
      AllocateBuffer(kDefaultSlots) == 0)
    return fail(0);
  if (!ReadBlockDesc() || !ReadLayerDesc()) return fail(0);
  Error = 0;
  if (!ReadPalette() && Error) return fail(0);
  if (!ReadAddition() && Error) return fail(0);
  if (!ReadBlockFlags() && Error) return fail(0);
  if (!ReadBorder() && Error) return fail(0);
  Error = 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Records

BYTE* TMtl::Record(int row, int col, bool create) {
  if (!Main) {
    Fail(MAPERR_OPEN);
    return nullptr;
  }
  int br, bc;
  int64_t k;
  if (row < 0 || col < 0 || row >= Head.Height || col >= Head.Width || !Place(row, col, &br, &bc, &k)) {
    Fail(MAPERR_INPUT);
    return nullptr;
  }
  BYTE* block;
  if (!create) {
    block = GetBlockAddress(br, bc);
  } else {
    block = GetBlockAddressAndCreate(br, bc);
    if (block && IsWritable()) BlockChanged(CurrentSlot);
  }
  return block ? block + k * RecordSize() : nullptr;
}

BYTE* TMtl::GetElement(int row, int col) { return Record(row, col, false); }

BYTE* TMtl::GetElementAndCreate(int row, int col) { return Record(row, col, true); }

int TMtl::PutElement(const char* record, int size, int row, int col) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!IsWritable()) return 0;
  if (!record || size != RecordSize()) return Fail(MAPERR_INPUT);
  BYTE* to = Record(row, col, true);
  if (!to) return 0;
  std::memcpy(to, record, size_t(size));
  WidenHeightRange(to);
  return 1;
}

BYTE* TMtl::GetPlaneElement(double x, double y) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return nullptr;
  return Record(int(r), int(c), false);
}

BYTE* TMtl::GetPlaneElementAndCreate(double x, double y) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return nullptr;
  return Record(int(r), int(c), true);
}

int TMtl::PutPlaneElement(const char* record, int size, double x, double y) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  return PutElement(record, size, int(r), int(c));
}

// ---------------------------------------------------------------------------
// Heights and thicknesses

int TMtl::GetHeight(LONG& h, int row, int col) {
  const LONG empty = RmfTruncate(Head.EmptyValue);
  h = empty;
  if (!Main) return Fail(MAPERR_OPEN);
  const int bytes = HeightBytes();
  if (bytes != 2 && bytes != 4) return Fail(MAPERR_DATA);
  const BYTE* e = GetElement(row, col);
  if (!e) return 0;
  h = LoadHeight(e, bytes);
  return h != empty;
}

int TMtl::GetPlaneHeight(double& h, double x, double y) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!HeightBytes()) return Fail(MAPERR_DATA);
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  LONG v;
  if (!GetHeight(v, int(r), int(c))) return 0;
  h = v * HeightInverse;
  return 1;
}

int TMtl::PutPlaneHeight(double x, double y, double h) {
  if (!Main) return Fail(MAPERR_OPEN);
  const int bytes = HeightBytes();
  if (!bytes) return Fail(MAPERR_DATA);
  if (!IsWritable()) return 0;
  int64_t v;
  if (!RoundedValue(h * HeightFactor, &v)) return Fail(MAPERR_INPUT);
  BYTE* e = GetPlaneElementAndCreate(x, y);
  if (!e) return 0;
  StoreWidth(e, bytes, v);
  WidenHeightRange(e);
  return 1;
}

void TMtl::WidenHeightRange(const BYTE* record) {
  const int bytes = HeightBytes();
  if (bytes != 2 && bytes != 4) return;
  const LONG v = LoadHeight(record, bytes);
  // The empty height is no height: it leaves the range as it is.
  if (v == RmfTruncate(Head.EmptyValue)) return;
  if (v < Head.Minimum) Head.Minimum = v;
  if (v > Head.Maximum) Head.Maximum = v;
  HeadChanged = 1;
}

DWORD TMtl::PowerOf(const BYTE* record, int layer) const {
  const int w = PowerBytes();
  DWORD v = 0;
  std::memcpy(&v, record + HeightBytes() + int64_t(layer - 1) * w, size_t(w));
  return v;
}

BYTE* TMtl::GetPowers(int row, int col) {
  BYTE* e = GetElement(row, col);
  if (!e || !LayerBlock) return nullptr;
  return PowerOf(e, 1) == LayerHead()->NoValue ? nullptr : e + HeightBytes();
}

int TMtl::GetPower(LONG& p, int row, int col, int layer) {
  const DWORD none = LayerBlock ? LayerHead()->NoValue : 0xFFFFFFFFu;
  p = LONG(none);
  if (!Main) return Fail(MAPERR_OPEN);
  if (layer < 1 || layer > LayerCount()) return Fail(MAPERR_INPUT);
  const BYTE* e = GetElement(row, col);
  if (!e) return 0;
  const DWORD v = PowerOf(e, layer);
  p = LONG(v);
  return v != none;
}

int TMtl::GetPlanePower(double& p, double x, double y, LONG layer) {
  double r, c;
  if (!PlaneToElement(x, y, true, &r, &c)) return 0;
  LONG v;
  if (!GetPower(v, int(r), int(c), int(layer))) return 0;
  p = DWORD(v) * LayerInverse;
  return 1;
}

int TMtl::PutPlanePower(double x, double y, double p, LONG layer) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (layer < 1 || layer > LayerCount()) return Fail(MAPERR_INPUT);
  if (!IsWritable()) return 0;
  int64_t v;
  if (!RoundedValue(p * LayerFactor, &v)) return Fail(MAPERR_INPUT);
  BYTE* e = GetPlaneElementAndCreate(x, y);
  if (!e) return 0;
  StoreWidth(e + HeightBytes() + int64_t(layer - 1) * PowerBytes(), PowerBytes(), v);
  return 1;
}

int TMtl::GetMtlDescribe(MTLDESCRIBE* d) {
  if (!Main || !LayerBlock) return Fail(MAPERR_OPEN);
  if (!d) return Fail(MAPERR_INPUT);
  const int view = d->View;
  std::memset(d, 0, sizeof(*d));
  const MTLLAYERHEAD& l = *LayerHead();
  std::memcpy(d->Name, FileName, sizeof(d->Name));
  std::memcpy(d->MatrixName, l.Name, sizeof(d->MatrixName));
  d->MatrixName[sizeof(d->MatrixName) - 1] = 0;
  d->LayerCount = int32_t(l.LayerCount);
  d->SecondCount = int32_t(l.SecondCount);
  d->ElementSize = Head.ElementSize;
  d->FrameX1 = Head.LocationX;
  d->FrameY1 = Head.LocationY;
  d->FrameX2 = Head.LocationX + Head.Height * Head.ElementSize;
  d->FrameY2 = Head.LocationY + Head.Width * Head.ElementSize;
  d->MinHeight = Head.Minimum * HeightInverse;
  d->MaxHeight = Head.Maximum * HeightInverse;
  d->BottomLevel = l.BottomLevel;
  d->UserWord = int32_t(Head.Creator);
  d->View = view;
  d->UserWord2 = int32_t(Head.Creator);
  d->HasHeight = l.HeightBytes ? 1 : 0;
  return 1;
}
