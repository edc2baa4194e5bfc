// The blocked file object: life cycle, header and areas, positions and the
// continuation file. The block cache is in rmfblocks.cpp.
#include "raster/rmf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/heldfiles.h"
#include "common/language.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "devices/devdraw.h"
#include "platform/fileio.h"
#include "platform/memory.h"
#include "platform/ui.h"
#include "raster/rmfpages.h"

namespace {

// The old header versions stored the 96 bytes from the scale to the unit
// shift word 4 bytes lower (+132..+227): the doubles were not aligned to 8.
constexpr size_t kOldBlockFrom = 132;
constexpr size_t kOldBlockTo = 136;
constexpr size_t kOldBlockSize = 96;

bool KnownKind(DWORD ident) {
  return ident == RMF_RSW || ident == RMF_MTW || ident == RMF_MTQ || ident == RMF_MTL;
}

bool KnownVersion(DWORD v) {
  return v == RMF_VERSION || v == RMF_VERSION_CONVERTED || v == RMF_VERSION_OLD ||
         v == RMF_VERSION_OLD_CONVERTED;
}

bool KnownCompression(BYTE code) {
  return code == RMF_PLAIN || code == RMF_LZW || code == RMF_MATRIX;
}

DWORD UnitsOf(uint64_t bytes) { return DWORD((bytes + RMF_UNIT - 1) / RMF_UNIT); }

constexpr int64_t kMaxTableBytes = RMF_MAX_TABLE_BYTES;

// The files an open raster or matrix holds: its file and its continuation.
int HeldRmfFiles(const void* holder, HELDFILEVISIT visit, void* context) {
  const TRmf& rmf = *static_cast<const TRmf*>(holder);
  if (!rmf.IsOpen()) return 0;
  return visit(context, rmf.FileName) || (rmf.ContName[0] != 0 && visit(context, rmf.ContName));
}

}  // namespace

// ---------------------------------------------------------------------------
// Life cycle

TRmf::TRmf() {
  ClearObject();
  heldRegister(this, HeldRmfFiles);
}

TRmf::TRmf(const char* name, int columns, int rows, int bits, const DWORD* palette,
           double scale, double precision) {
  ClearObject();
  heldRegister(this, HeldRmfFiles);
  if (!Create(name, columns, rows, bits, palette, scale, precision)) {
    const int code = Error;
    Close(1);
    ClearAll();
    Error = code;
  }
}

TRmf::TRmf(const char* name, const RMF* header, const DWORD* palette) {
  ClearObject();
  heldRegister(this, HeldRmfFiles);
  if (!Create(name, header, palette)) {
    const int code = Error;
    Close(1);
    ClearAll();
    Error = code;
  }
}

TRmf::~TRmf() {
  heldUnregister(this);
  Close(1);
  Border.Free();
}

void TRmf::ClearObject() {
  std::memset(&BorderDesc, 0, sizeof(BorderDesc));
  Border.Init();
  Geometry = TMeasure();
  ClearAll();
}

void TRmf::ClearAll() {
  // Buffers and open handles are owned: they are neither released nor
  // forgotten here (Close does that).
  std::memset(&Head, 0, sizeof(Head));
  HeadPosition = 0;
  std::memset(FileName, 0, sizeof(FileName));
  std::memset(ContName, 0, sizeof(ContName));
  std::memset(PaletteWords, 0, sizeof(PaletteWords));
  std::memset(Addition, 0, sizeof(Addition));
  std::memset(&FileTime, 0, sizeof(FileTime));
  Recorded = UpdateSignal{};
  Access = GENERIC_READ | GENERIC_WRITE;
  Share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  Created = 0;
  TableChanged = FlagsChanged = BorderChanged = PaletteChanged = HeadChanged = AdditionChanged = 0;
  Error = 0;
  SlotCount = kDefaultSlots;
  UseCounter = 0;
  Shared = 0;
  ChainStart = 0;
  HeightFactor = HeightInverse = 1.0;
  RecordHeight = 0;
  if (!BlockMemory) {
    for (RMFSLOT& s : Slots) s = RMFSLOT{-1, 0, 0, nullptr, 0, 0, 0};
    CurrentSlot = 0;
  }
  DropWindow();
}

int TRmf::Fail(int code) {
  Error = code;
  return 0;
}

int TRmf::FailOpen(int code) {
  const int c = code ? code : Error;
  ForgetChanges();
  TRmf::Close(0);
  Error = c;
  return 0;
}

bool TRmf::ReadSign(DWORD* sign) {
  DWORD got = 0;
  return plat::ReadAt(Main, 0, sign, sizeof(*sign), &got) && got == sizeof(*sign);
}

int TRmf::Open(const char* name, int mode) {
  Close(0);
  Error = 0;
  if (!name || !*name || std::strlen(name) >= sizeof(FileName)) return Fail(MAPERR_OPEN);
  SetAccessMode(DWORD(mode));
  bool writable = false;
  HANDLE file = plat::OpenExisting(name, (Access & GENERIC_WRITE) != 0, Share, 0, &writable);
  if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_OPEN);
  Access = writable ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
  Main = Current = file;
  // The name may be this object's own (its file opened again in another
  // mode): moved, never copied onto itself.
  std::memmove(FileName, name, std::strlen(name) + 1);
  return 1;
}

int TRmf::OpenFile(const char* name, int mode) {
  if (!Open(name, mode)) return 0;
  bool ok = ReadHeader() && Verify(Head.Ident) && ReadBlockDesc();
  if (ok && !KnownKind(Head.Ident)) ok = Fail(MAPERR_DATA);
  if (ok && Head.PalettePosition && Head.PaletteLength) ok = ReadPalette();
  if (ok && Head.AdditionPosition) ok = ReadAddition();
  if (ok && Head.BorderPosition) ok = ReadBorder();
  // The block classes count only while the border limits what is shown.
  if (ok && Head.FlagsPosition && ShowByBorder()) ok = ReadBlockFlags();
  if (ok) ok = AllocateBuffer(SlotCount) > 0;
  if (ok) return 1;
  return FailOpen(0);
}

void TRmf::ForgetChanges() {
  TableChanged = FlagsChanged = BorderChanged = PaletteChanged = HeadChanged = AdditionChanged = 0;
  for (RMFSLOT& s : Slots) s.Dirty = 0;
}

int TRmf::Create(const char* name) {
  Close(1);
  Error = 0;
  if (!name) return 0;
  if (!*name || std::strlen(name) >= sizeof(FileName)) return Fail(MAPERR_OPEN);
  // A file an open document holds is not made anew under it.
  if (heldIsFile(name)) return Fail(MAPERR_OPEN);
  std::memset(&Head, 0, sizeof(Head));
  std::memset(FileName, 0, sizeof(FileName));
  std::memset(ContName, 0, sizeof(ContName));
  std::memset(PaletteWords, 0, sizeof(PaletteWords));
  std::memset(Addition, 0, sizeof(Addition));
  HeadPosition = 0;
  Head.PalettePosition = RMF_HEADER_SIZE;
  Head.PaletteLength = RMF_PALETTE_SIZE;
  Head.AdditionPosition = 0;
  Head.AdditionLength = RMF_ADDITION_SIZE;
  BorderChanged = 1;
  HeadChanged = 1;
  HANDLE file = plat::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, Share, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_OPEN);
  Main = Current = file;
  Access = GENERIC_READ | GENERIC_WRITE;
  std::strcpy(FileName, name);
  Head.Version = RMF_VERSION;
  Created = 1;
  return 1;
}

int TRmf::Create(const char* name, int columns, int rows, int bits, const DWORD* palette,
                 double scale, double precision) {
  Error = 0;
  const int stored = RmfStoredColumns(columns, bits);
  if (columns < 1 || rows < 1 || bits <= 0 || RmfBlockSide(bits) == 0 || stored < 1)
    return Fail(MAPERR_DATA);
  RMF h{};
  h.Ident = RMF_RSW;
  h.BitsPerElement = bits;
  h.Height = rows;
  h.Width = stored;
  if (!RmfSetGeometry(&h) || !RmfGeometryValid(h) ||
      int64_t(h.BlockRows) * h.BlockColumns * 8 > kMaxTableBytes)
    return Fail(MAPERR_DATA);
  const bool unit = RmfNeedsUnits(columns, rows, bits);
  if (!Create(name)) return 0;
  Head.Ident = RMF_RSW;
  Head.BitsPerElement = bits;
  Head.Height = rows;
  Head.Width = stored;
  std::memcpy(&Head.BlockColumns, &h.BlockColumns, 6 * sizeof(LONG));
  Head.UnitShift = unit ? RMF_UNIT_SHIFT : 0;
  Head.Scale = scale < 1.0 ? 1.0 : scale;
  Head.Precision = precision < 1.0 ? 1.0 : precision;
  Head.ElementSize = Head.Scale / Head.Precision;
  const int colours = RmfPaletteColors(bits);
  if (palette && colours) std::memcpy(PaletteWords, palette, colours * sizeof(DWORD));
  Head.PalettePosition = unit ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
  Head.PaletteLength = RMF_PALETTE_SIZE;
  PaletteChanged = 1;
  Head.TableLength = DWORD(BlockCount()) * 8;
  Head.TablePosition = unit ? Head.PalettePosition + UnitsOf(Head.PaletteLength)
                            : Head.PalettePosition + Head.PaletteLength;
  if (!AllocateBlockDesc(int(Head.TableLength)) || AllocateBuffer(kDefaultSlots) == 0) {
    Close(1);
    plat::DeleteFileA(name);
    return Fail(MAPERR_MEMORY);
  }
  return Save(1);
}

int TRmf::Create(const char* name, const RMF* header, const DWORD* palette) {
  Error = 0;
  if (!name || !header) return Fail(MAPERR_DATA);
  RMF h{};
  h.Ident = header->Ident;
  h.Creator = header->Creator;
  h.Height = header->Height;
  h.Width = header->Width;
  h.BitsPerElement = header->BitsPerElement;
  std::memcpy(&h.BlockColumns, &header->BlockColumns, 6 * sizeof(LONG));
  if (!KnownKind(h.Ident) || !RmfGeometryValid(h) ||
      int64_t(h.BlockRows) * h.BlockColumns * 8 > kMaxTableBytes ||
      (header->UnitShift != 0 && header->UnitShift != RMF_UNIT_SHIFT))
    return Fail(MAPERR_DATA);
  if (!Create(name)) return 0;
  const DWORD version = Head.Version;
  const DWORD addition = Head.AdditionLength;
  Head = h;
  Head.Version = version;
  Head.AdditionLength = addition;
  Head.UnitShift = header->UnitShift;
  if (RmfNeedsUnits(h.Width, h.Height, h.BitsPerElement)) Head.UnitShift = RMF_UNIT_SHIFT;
  std::memcpy(Head.Name, header->Name, sizeof(Head.Name));
  Head.Scale = header->Scale < 1.0 ? 1.0 : header->Scale;
  Head.Precision = header->Precision < 1.0 ? 1.0 : header->Precision;
  Head.ElementSize = Head.Scale / Head.Precision;
  Head.ProjectionWord = header->ProjectionWord;
  Head.ProjectionCode = header->ProjectionCode;
  Head.LocationX = header->LocationX;
  Head.LocationY = header->LocationY;
  std::memcpy(Head.ProjParams, header->ProjParams, sizeof(Head.ProjParams));
  std::memcpy(Head.CreatorBytes, header->CreatorBytes, sizeof(Head.CreatorBytes));
  Head.LocationSet = 1;
  if (Head.Ident == RMF_RSW) std::memcpy(Head.Invisible, header->Invisible, sizeof(Head.Invisible));
  if (Head.Ident == RMF_MTW || Head.Ident == RMF_MTQ) {
    Head.Minimum = header->Minimum;
    Head.Maximum = header->Maximum;
    Head.EmptyValue = header->EmptyValue;
    Head.HeightUnit = header->HeightUnit;
    SetHeightFactor();
    std::memcpy(Head.MatrixBytes, header->MatrixBytes, sizeof(Head.MatrixBytes));
  }
  const bool unit = Head.UnitShift != 0;
  const DWORD start = unit ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
  const DWORD length = std::min<DWORD>(header->PaletteLength, RMF_PALETTE_SIZE);
  Head.PalettePosition = length ? start : 0;
  Head.PaletteLength = length;
  if (palette && length) std::memcpy(PaletteWords, palette, length);
  PaletteChanged = length != 0;
  Head.TableLength = DWORD(BlockCount()) * 8;
  Head.TablePosition = start + (unit ? UnitsOf(length) : length);
  if (!AllocateBlockDesc(int(Head.TableLength)) || AllocateBuffer(kDefaultSlots) == 0) {
    Close(1);
    plat::DeleteFileA(name);
    return Fail(MAPERR_MEMORY);
  }
  return Save(1);
}

int TRmf::Save(int force) {
  if (!IsWritable()) return 0;
  if ((PaletteChanged || force) && !StorePalette()) return 0;
  if (!SaveBuffer()) return 0;
  if ((TableChanged || force) && !StoreTable()) return 0;
  if ((AdditionChanged || force) && !StoreAddition()) return 0;
  if ((FlagsChanged || force) && !StoreFlags()) return 0;
  if ((BorderChanged || force) && !StoreBorder()) return 0;
  if ((HeadChanged || force) && !StoreHeader()) return 0;
  return 1;
}

void TRmf::Close(int free) {
  // Closing has no result: what its last save cannot store is shown to the
  // host with the file's name, so that a lost change is never silent.
  if (IsWritable() && !Save(0)) ShowErrorMessage(Error, FileName);
  ClearBuffer();
  ReleaseStore();
  Places.Drop();
  if (!Shared) {
    if (Main) plat::CloseHandle(Main);
    if (Cont) plat::CloseHandle(Cont);
  }
  Main = Cont = Current = nullptr;
  Shared = 0;
  Created = 0;
  TableChanged = FlagsChanged = BorderChanged = PaletteChanged = HeadChanged = AdditionChanged = 0;
  Border.Free();
  Border.Init();
  HeadPosition = 0;
  // What the buffers hold belongs to the closed file.
  TableSize = FlagsSize = BorderPointsSize = 0;
  ForgetBadBlock(-1);
  std::memset(&BorderDesc, 0, sizeof(BorderDesc));
  std::memset(ContName, 0, sizeof(ContName));
  if (free) {
    FreeBuffer();
    rmfpages::Release(Table);
    rmfpages::Release(Flags);
    rmfpages::Release(Mask);
    rmfpages::Release(BorderPoints);
    rmfpages::Release(BadBlocks);
    rmfpages::Release(RowCopy);
    Places.Release();
    MaskSize = 0;
    BadBlocksSize = 0;
  }
}

// ---------------------------------------------------------------------------
// Header and areas

void TRmf::SetHeightFactor() {
  static const double kFactors[] = {1.0, 10.0, 100.0, 1000.0};
  const int unit = Head.HeightUnit;
  HeightFactor = kFactors[unit >= 0 && unit <= 2 ? unit : 3];
  HeightInverse = 1.0 / HeightFactor;
}

int TRmf::ReadHeader() {
  if (!Main) return Fail(MAPERR_OPEN);
  const BYTE unit = Head.UnitShift == RMF_UNIT_SHIFT ? RMF_UNIT_SHIFT : 0;
  std::memset(&Head, 0, sizeof(Head));
  Head.UnitShift = unit;
  RMF h;
  if (!ReadAt(HeadPosition, &h, sizeof(h))) return Fail(MAPERR_READ);
  Head = h;
  if (!KnownVersion(h.Version)) return Fail(MAPERR_DATA);
  const bool old = h.Version == RMF_VERSION_OLD || h.Version == RMF_VERSION_OLD_CONVERTED;
  if (old) {
    // The fields from the scale to the unit shift word move up by 4 bytes
    // to their places; the 4 bytes left behind keep what they held.
    BYTE* bytes = reinterpret_cast<BYTE*>(&h);
    std::memmove(bytes + kOldBlockTo, bytes + kOldBlockFrom, kOldBlockSize);
  }
  if ((h.UnitShift != 0 && h.UnitShift != RMF_UNIT_SHIFT) || !RmfGeometryValid(h) ||
      int64_t(h.BlockRows) * h.BlockColumns * 8 > kMaxTableBytes)
    return Fail(MAPERR_DATA);
  // A compression method the format does not define: no compressed block
  // of the file could be read. The file is refused at once, and the host
  // told which file it is.
  if (!KnownCompression(h.Compression)) {
    ShowErrorMessage(MAPERR_DATA, FileName);
    return Fail(MAPERR_DATA);
  }
  Head = h;
  if (!Shared && Head.UnitShift && Head.ContinuationLength && !Cont) {
    MakeContName();
    if (plat::GetFileAttributesA(ContName) != INVALID_FILE_ATTRIBUTES && !OpenContinuation(false))
      return 0;
  }
  SetHeightFactor();
  if (old) return UpgradeHeader();
  return 1;
}

int TRmf::UpgradeHeader() {
  const DWORD version =
      Head.Version == RMF_VERSION_OLD_CONVERTED ? RMF_VERSION_CONVERTED : RMF_VERSION;
  const bool ask = Head.Ident == RMF_RSW && IsWritable() && !Shared && MessageEnableGet();
  if (ask) {
    const bool ru = IsRussianLanguage();
    char text[MAX_PATH + 128];
    std::snprintf(text, sizeof(text),
                  ru ? "Устаревшая версия структуры данных -\n%s\nОбновить структуру до версии 7 ?"
                     : "Data structure version is old -\n%s\n\nDo you want to update file structure?",
                  FileName);
    const int answer =
        plat::MessageBoxA(MessageWindowGet(), text, ru ? "Открытие файла данных" : "Open file failure",
                          MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
    if (answer != IDYES) return Fail(MAPERR_DATA);
  }
  Head.Version = version;
  HeadChanged = 1;
  if (ask && !StoreHeader()) return 0;
  return 1;
}

int TRmf::WriteHeader() {
  if (!Main) return Fail(MAPERR_OPEN);
  const bool wrote = IsWritable() && (HeadChanged || !Shared);
  if (!StoreHeader()) return 0;
  return wrote ? 1 : 0;
}

bool TRmf::StoreHeader() {
  if (!Main) return Fail(MAPERR_OPEN);
  const bool writable = IsWritable();
  DWORD end = 0;
  if (!FreePosition(&end)) return writable ? Fail(MAPERR_WRITE) : true;
  const int64_t main = plat::FileLength(Main);
  Head.MainLength = DWORD(std::clamp<int64_t>(main, 0, 0xFFFFFFFFll));
  if (Head.UnitShift && Cont) {
    const int64_t cont = plat::FileLength(Cont);
    Head.ContinuationLength = DWORD(std::clamp<int64_t>(cont, 0, 0xFFFFFFFFll));
    if (writable) {
      const DWORD word = Head.ContinuationLength;
      if (!plat::WriteExactAt(Cont, offsetof(RMFCONTINUATION, Length), &word, sizeof(word)))
        return Fail(MAPERR_WRITE);
    }
  }
  if (!Shared) {
    Head.Length = end;
    HeadChanged = 1;
  }
  if (!writable || !HeadChanged) return true;
  if (!WriteAt(HeadPosition, &Head, sizeof(Head))) return false;
  plat::GetFileTime(Main, nullptr, nullptr, &FileTime);
  ReadSignal(&Recorded);
  HeadChanged = 0;
  return true;
}

int TRmf::ReadBlockDesc() {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!Head.TablePosition || !Head.TableLength || !RmfGeometryValid(Head)) return Fail(MAPERR_DATA);
  const DWORD need = DWORD(BlockCount()) * 8;
  if (Head.TableLength < need) return Fail(MAPERR_DATA);
  // A table that lies past the end of its file is refused before its
  // buffer is grown to a size the header made up.
  RmfPlace place;
  if (!RmfLocate(Head.TablePosition, Head.UnitShift, &place)) return Fail(MAPERR_DATA);
  // A table that shares bytes with the header or another area is not the
  // file's table: its entries would be that area's bytes, and whichever of
  // the two is written last would overwrite the other.
  const uint64_t headerEnd = HeaderEnd();
  if (place.part == 0 && place.offset < headerEnd) return Fail(MAPERR_DATA);
  RMFAREAPLACE areas[RMF_AREA_KINDS];
  const int count = RmfAreaPlaces(Head, HeadPosition, areas);
  for (int i = 0; i < count; ++i) {
    RmfPlace other;
    if (areas[i].kind == RmfArea::Table || !RmfLocate(areas[i].position, Head.UnitShift, &other))
      continue;
    if (other.part == place.part && other.offset < place.offset + need &&
        place.offset < other.offset + areas[i].length)
      return Fail(MAPERR_DATA);
  }
  HANDLE file = place.part ? (OpenContinuation(false) ? Cont : nullptr) : Main;
  if (!file) return Fail(MAPERR_READ);
  const int64_t size = plat::FileLength(file);
  if (size < 0 || place.offset + need > uint64_t(size)) return Fail(MAPERR_READ);
  if (!AllocateBlockDesc(int(need))) return 0;
  // A row copied from the file was found through the table replaced.
  DropRowWindow();
  if (!ReadAt(Head.TablePosition, Table, need)) {
    TableSize = 0;
    return Fail(MAPERR_READ);
  }
  TableChanged = 0;
  return 1;
}

int TRmf::WriteBlockDesc() {
  if (!IsWritable()) return 0;
  return StoreTable() ? 1 : 0;
}

bool TRmf::StoreTable() {
  if (!Head.TablePosition || !Head.TableLength) return Fail(MAPERR_DATA);
  const DWORD need = DWORD(BlockCount()) * 8;
  if (!Table || TableSize < need) return Fail(MAPERR_DATA);
  // A table inside the file is rewritten in place while no block or area
  // holds a byte of its place (a damaged entry may put a block there), else
  // stored anew at the end of the data. One reaching past the end is the
  // table of an image being made, written where its header puts it.
  RmfPlace place;
  const int64_t size = PartLength(Head.TablePosition, &place);
  DWORD at = Head.TablePosition;
  if (size >= 0 && place.offset + need <= uint64_t(size))
    at = StoreArea(RmfArea::Table, at, need, Table, need);
  else if (!WriteAt(at, Table, need))
    at = 0;
  if (!at) return false;
  if (at != Head.TablePosition) {
    Head.TablePosition = at;
    Head.TableLength = need;
  }
  TableChanged = 0;
  return true;
}

int TRmf::ReadBlockFlags() {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!Head.FlagsPosition || !Head.FlagsLength) return 0;
  const DWORD blocks = DWORD(BlockCount());
  if (blocks == 0) return Fail(MAPERR_DATA);
  const DWORD length = std::min(Head.FlagsLength, blocks);
  if (!AllocateBlockFlags(int(blocks))) return 0;
  if (!ReadAt(Head.FlagsPosition, Flags, length)) {
    std::memset(Flags, 1, blocks);
    return Fail(MAPERR_READ);
  }
  FlagsChanged = 0;
  return 1;
}

int TRmf::WriteBlockFlags() {
  if (!IsWritable()) return 0;
  return StoreFlags() ? 1 : 0;
}

bool TRmf::StoreFlags() {
  const DWORD blocks = DWORD(BlockCount());
  if (!Flags || FlagsSize < blocks || blocks == 0) {
    FlagsChanged = 0;
    return true;
  }
  const DWORD at = StoreArea(RmfArea::Flags, Head.FlagsPosition, Head.FlagsLength, Flags, blocks);
  if (!at) return false;
  Head.FlagsPosition = at;
  Head.FlagsLength = blocks;
  FlagsChanged = 0;
  return true;
}

int TRmf::ReadPalette() {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!Head.PalettePosition || !Head.PaletteLength) return 0;
  if (Head.PalettePosition > EndPosition()) return Fail(MAPERR_DATA);
  const DWORD length = std::min<DWORD>(Head.PaletteLength, RMF_PALETTE_SIZE);
  if (!ReadAt(Head.PalettePosition, PaletteWords, length)) return Fail(MAPERR_READ);
  PaletteChanged = 0;
  return 1;
}

int TRmf::WritePalette() {
  if (!IsWritable()) return 0;
  if (!Head.PalettePosition || !Head.PaletteLength) return Fail(MAPERR_DATA);
  return StorePalette() ? 1 : 0;
}

bool TRmf::StorePalette() {
  // Layer matrices have no palette area.
  if (!Head.PalettePosition || !Head.PaletteLength) {
    PaletteChanged = 0;
    return true;
  }
  // The place of a file that had no palette (the header's end, given by
  // its colours' owner) may lie over another area: StoreArea moves it.
  const DWORD length = std::min<DWORD>(Head.PaletteLength, RMF_PALETTE_SIZE);
  const DWORD at = StoreArea(RmfArea::Palette, Head.PalettePosition, length, PaletteWords, length);
  if (!at) return false;
  Head.PalettePosition = at;
  PaletteChanged = 0;
  return true;
}

int TRmf::ReadAddition() {
  if (!Main) return Fail(MAPERR_OPEN);
  // What the member holds is this file's area (zeros past a short one),
  // never another file's: it is written back as it is.
  std::memset(Addition, 0, sizeof(Addition));
  AdditionChanged = 0;
  if (!Head.AdditionPosition || !Head.AdditionLength) return 0;
  if (Head.AdditionPosition > EndPosition()) return Fail(MAPERR_DATA);
  const DWORD length = std::min<DWORD>(Head.AdditionLength, RMF_ADDITION_SIZE);
  if (!ReadAt(Head.AdditionPosition, Addition, length)) return Fail(MAPERR_READ);
  AdditionChanged = 0;
  return 1;
}

int TRmf::WriteAddition() {
  if (!IsWritable()) return 0;
  return StoreAddition() ? 1 : 0;
}

bool TRmf::StoreAddition() {
  if (Head.AdditionPosition && Head.AdditionLength >= RMF_ADDITION_SIZE &&
      PlaceIsFree(Head.AdditionPosition, RMF_ADDITION_SIZE, AreaOwner(RmfArea::Addition))) {
    if (!WriteAt(Head.AdditionPosition, Addition, RMF_ADDITION_SIZE)) return false;
  } else {
    const DWORD at = Append(Addition, RMF_ADDITION_SIZE, AreaOwner(RmfArea::Addition));
    if (!at) return false;
    Head.AdditionPosition = at;
    HeadChanged = 1;
  }
  Head.AdditionLength = RMF_ADDITION_SIZE;
  AdditionChanged = 0;
  return true;
}

int TRmf::ReadBorder() {
  if (!Main) return Fail(MAPERR_OPEN);
  if (!Head.BorderPosition) return 0;
  const DWORD headerEnd = Head.UnitShift ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
  if (Head.BorderPosition < headerEnd || Head.BorderPosition > EndPosition())
    return Fail(MAPERR_DATA);
  const DWORD length = Head.BorderLength;
  if (length < DWORD(METRIC_EMPTY_LENGTH) || length > DWORD(METRIC_MAX_LENGTH))
    return Fail(MAPERR_DATA);
  RmfPlace place;
  if (!RmfLocate(Head.BorderPosition, Head.UnitShift, &place)) return Fail(MAPERR_DATA);
  HANDLE file = place.part ? (OpenContinuation(false) ? Cont : nullptr) : Main;
  const int64_t size = file ? plat::FileLength(file) : -1;
  if (size < 0 || place.offset + length > uint64_t(size)) return Fail(MAPERR_READ);
  LONGMETRIC* record = static_cast<LONGMETRIC*>(plat::AllocPages(length));
  if (!record) return Fail(MAPERR_MEMORY);
  bool ok = ReadAt(Head.BorderPosition, record, length);
  int code = MAPERR_READ;
  if (ok) {
    code = MAPERR_DATA;
    ok = record->Ident == METRIC_I32 && record->Length >= DWORD(METRIC_EMPTY_LENGTH) &&
         record->Length <= length && Border.Load(record, 0) > 0;
  }
  plat::FreePages(record);
  if (!ok) {
    Border.Free();
    Border.Init();
    return Fail(code);
  }
  const int64_t points = Border.TotalPointCount();
  const int64_t contours = int64_t(Border.Record->Count) + 1;
  if (!AllocateBorderPoints(int(points * 8 + contours * 4))) return 0;
  BorderDataInit();
  BorderChanged = 0;
  return 1;
}

int TRmf::WriteBorder() {
  if (!IsWritable()) return 0;
  return StoreBorder() ? 1 : 0;
}

bool TRmf::StoreBorder() {
  const LONGMETRIC* r = Border.Record;
  if (!r || r->Ident != METRIC_I32 || r->Length < DWORD(METRIC_EMPTY_LENGTH) ||
      r->Length > DWORD(Border.BufferSize)) {
    BorderChanged = 0;
    return true;
  }
  const DWORD length = r->Length;
  const DWORD at = StoreArea(RmfArea::Border, Head.BorderPosition, Head.BorderLength, r, length);
  if (!at) return false;
  Head.BorderPosition = at;
  Head.BorderLength = length;
  HeadChanged = 1;
  BorderChanged = 0;
  return true;
}

int64_t TRmf::FullBlockSize() const {
  return RmfRawSize(Head.BlockWidth, Head.BlockHeight, Head.BitsPerElement);
}

int64_t TRmf::FileLength() { return Current ? plat::FileLength(Current) : -1; }

int64_t TRmf::CalculationFileLength(int columns, int rows, int bits) {
  const int side = RmfBlockSide(bits);
  const int stored = RmfStoredColumns(columns, bits);
  if (columns < 1 || rows < 1 || side == 0 || stored < 1) {
    Fail(MAPERR_DATA);
    return 0;
  }
  const LONG blockColumns = LONG((int64_t(stored) + side - 1) / side);
  const LONG blockRows = LONG((int64_t(rows) + side - 1) / side);
  // The counts go into the header only while no file is open: an open
  // file's own counts must not change under its table.
  if (!Main) {
    Head.BlockColumns = blockColumns;
    Head.BlockRows = blockRows;
  }
  return int64_t(blockColumns) * blockRows * 8 + RMF_HEADER_SIZE + RMF_PALETTE_SIZE +
         RmfRawSize(stored, rows, bits);
}

int TRmf::DiskFreeSpace(const char* path) {
  const double bytes = double(BlockCount()) * 8 + RMF_HEADER_SIZE + RMF_PALETTE_SIZE +
                       double(RmfRawSize(Head.Width, Head.Height, Head.BitsPerElement));
  return GetDiskFreeSpaceBytes(path, bytes);
}

int TRmf::GetUpdateTime(FILETIME* time) {
  if (!Current) return Fail(MAPERR_OPEN);
  if (!time) return Fail(MAPERR_INPUT);
  return plat::GetFileTime(Current, nullptr, nullptr, time) ? 1 : Fail(MAPERR_READ);
}

DWORD* TRmf::Palette(const DWORD* colours, int count) {
  if (colours && count > 0)
    std::memcpy(PaletteWords, colours, size_t(std::min(count, 256)) * sizeof(DWORD));
  PaletteChanged = 1;
  return PaletteWords;
}

int TRmf::Verify(DWORD signature) {
  if (!Main) return Fail(MAPERR_OPEN);
  if (Head.Ident != signature) return Fail(MAPERR_DATA);
  const int64_t size = plat::FileLength(Main);
  const int64_t headerEnd = int64_t(HeaderEnd());
  if (size < headerEnd) return Fail(MAPERR_DATA);
  if ((int64_t(Head.BlockRows) - 1) * Head.BlockHeight + Head.LastHeight < Head.Height ||
      (int64_t(Head.BlockColumns) - 1) * Head.BlockWidth + Head.LastWidth < Head.Width)
    return Fail(MAPERR_DATA);
  return 1;
}

// ---------------------------------------------------------------------------
// Positions and the continuation file

DWORD TRmf::SetAccessMode(DWORD mode) {
  Access = plat::OpenAccess(mode);
  if (Access & GENERIC_WRITE) Access |= GENERIC_READ;
  return Access;
}

DWORD TRmf::EndPosition(DWORD* part) {
  if (part) *part = 0;
  if (!Main) {
    Fail(MAPERR_OPEN);
    return 0;
  }
  if (!Head.UnitShift) {
    const int64_t size = plat::FileLength(Main);
    if (size <= 0 || size > int64_t(0xFFFFFFFFll)) return 0;
    return DWORD(size);
  }
  if (Cont) {
    const int64_t size = plat::FileLength(Cont);
    if (size <= 0 || UnitsOf(uint64_t(size)) > 0x00FFFFFFu) return 0;
    if (part) *part = 1;
    return (1u << 24) | UnitsOf(uint64_t(size));
  }
  const int64_t size = plat::FileLength(Main);
  if (size <= 0) return 0;
  // Past the spill offset the data go on at byte 8 of the continuation
  // file: any such part-0 address names it.
  const uint64_t units = std::min<uint64_t>(UnitsOf(uint64_t(size)), 0x00FFFFFFu);
  if (part) *part = units * RMF_UNIT > RMF_PART_SPILL ? 1 : 0;
  return DWORD(units);
}

int64_t TRmf::SeekPosition(DWORD position, int origin) {
  (void)origin;
  if (!Main) return Fail(MAPERR_OPEN);
  uint64_t offset = 0;
  HANDLE file = position ? Locate(position, IsWritable(), &offset) : Main;
  if (!file) return 0;
  LARGE_INTEGER to;
  to.QuadPart = LONGLONG(offset);
  if (!plat::SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) return Fail(MAPERR_READ);
  Current = file;
  return position ? int64_t(offset) : 1;
}

void TRmf::MakeContName() {
  if (ContName[0]) return;
  // The main name with its extension replaced by ".01".
  const char* name = FileName;
  const char* slash = std::max(std::strrchr(name, '/'), std::strrchr(name, '\\'));
  const char* dot = std::strrchr(name, '.');
  const size_t stem = dot && (!slash || dot > slash) ? size_t(dot - name) : std::strlen(name);
  if (stem + 4 > sizeof(ContName)) return;
  std::memcpy(ContName, name, stem);
  std::memcpy(ContName + stem, ".01", 4);
}

bool TRmf::OpenContinuation(bool create) {
  if (Cont) return true;
  if (Shared || !Main || !Head.UnitShift) return Fail(MAPERR_READ);
  MakeContName();
  if (!ContName[0]) return Fail(MAPERR_READ);
  if (plat::GetFileAttributesA(ContName) != INVALID_FILE_ATTRIBUTES) {
    // A file of that name must be this file's continuation: its signature,
    // and a length word equal to its size and to the header's.
    HANDLE file = plat::OpenExisting(ContName, IsWritable(), Share, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_READ);
    RMFCONTINUATION c{};
    const int64_t size = plat::FileLength(file);
    const bool ok = plat::ReadExactAt(file, 0, &c, sizeof(c)) && c.Sign == RMF_CONT_SIGN &&
                    int64_t(c.Length) == size && c.Length == Head.ContinuationLength;
    if (!ok) {
      plat::CloseHandle(file);
      return Fail(MAPERR_READ);
    }
    Cont = file;
    return true;
  }
  if (!create || !IsWritable()) return Fail(MAPERR_READ);
  HANDLE file = plat::CreateFileA(ContName, GENERIC_READ | GENERIC_WRITE, Share, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(MAPERR_DISKFULL);
  const RMFCONTINUATION c{RMF_CONT_SIGN, RMF_CONT_DATA};
  if (!plat::WriteExactAt(file, 0, &c, sizeof(c))) {
    plat::CloseHandle(file);
    plat::DeleteFileA(ContName);
    return Fail(MAPERR_WRITE);
  }
  Cont = file;
  Head.ContinuationLength = RMF_CONT_DATA;
  HeadChanged = 1;
  return true;
}

HANDLE TRmf::Locate(DWORD position, bool create, uint64_t* offset) {
  RmfPlace place;
  if (!Main || !RmfLocate(position, Head.UnitShift, &place)) {
    Fail(MAPERR_DATA);
    return nullptr;
  }
  *offset = place.offset;
  if (place.part == 0) return Main;
  return OpenContinuation(create) ? Cont : nullptr;
}

bool TRmf::ReadAt(DWORD position, void* buffer, DWORD size, uint64_t extra) {
  uint64_t offset = 0;
  HANDLE file = Locate(position, false, &offset);
  offset += extra;
  if (!file || offset + size > 0x100000000ull) return Fail(MAPERR_READ);
  Current = file;
  return plat::ReadExactAt(file, int64_t(offset), buffer, size) || Fail(MAPERR_READ);
}

bool TRmf::WriteAt(DWORD position, const void* buffer, DWORD size, uint64_t extra) {
  // What the store holds, and a row copied from the file, were read
  // before this write.
  ForgetStore();
  DropRowWindow();
  uint64_t offset = 0;
  HANDLE file = Locate(position, true, &offset);
  if (!file) return false;
  offset += extra;
  // Every byte of the data must stay addressable by a 32-bit position.
  if (offset + size > 0xFFFFFFFFull) return Fail(MAPERR_DISKFULL);
  Current = file;
  if (plat::WriteExactAt(file, int64_t(offset), buffer, size)) return true;
  return Fail(plat::GetLastError() == ERROR_DISK_FULL ? MAPERR_DISKFULL : MAPERR_WRITE);
}

bool TRmf::FreePosition(DWORD* end) {
  if (!Main) return Fail(MAPERR_OPEN);
  const int64_t size = plat::FileLength(Main);
  if (size < 0) return false;
  // An empty file (just created) ends where its header will.
  const DWORD headerEnd = Head.UnitShift ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
  DWORD at = size == 0 && !Cont ? 0 : EndPosition();
  if (size > 0 && at == 0) return false;
  *end = std::max(at, headerEnd);
  return true;
}

DWORD TRmf::Append(const void* buffer, DWORD size, uint64_t owner) {
  DWORD at = 0;
  if (!FreePosition(&at)) {
    Fail(MAPERR_WRITE);
    return 0;
  }
  if (!WriteAt(at, buffer, size)) return 0;
  uint64_t place = 0;
  if (Places.Built() && RmfLinePlace(at, Head.UnitShift, &place)) Places.Appended(place, size, owner);
  return at;
}

DWORD TRmf::StoreArea(RmfArea area, DWORD position, DWORD room, const void* data, DWORD length) {
  const uint64_t owner = AreaOwner(area);
  if (position && room >= length && PlaceIsFree(position, room, owner))
    return WriteAt(position, data, length) ? position : 0;
  const DWORD at = Append(data, length, owner);
  if (at) HeadChanged = 1;
  return at;
}

int64_t TRmf::PartLength(DWORD position, RmfPlace* place) const {
  if (!RmfLocate(position, Head.UnitShift, place)) return -1;
  HANDLE file = place->part ? Cont : Main;
  return file ? plat::FileLength(file) : -1;
}

bool TRmf::PlaceIsFree(DWORD position, DWORD length, uint64_t owner) {
  RmfPlace place;
  const int64_t size = PartLength(position, &place);
  if (size < 0 || place.offset + length > uint64_t(size)) return false;
  const uint64_t headerEnd = HeaderEnd();
  if (place.offset < (place.part ? uint64_t(RMF_CONT_DATA) : headerEnd)) return false;
  return PlaceIsOwn(position, length, owner);
}

bool TRmf::PlaceIsOwn(DWORD position, DWORD length, uint64_t owner) {
  // The places known are those of the areas where this image's header
  // names them now (a caller may have moved one since; a copy object may
  // hold another image of the file, whose places are known as well).
  if (!Places.Describes(Head, HeadPosition) && !BuildPlaces()) return false;
  // A block asking for its own table entry's place, where every place is
  // its owner's alone: the entry is one of the places known (or a part of
  // one the block held before), which is the block's.
  const DWORD code = DWORD(owner);
  if (Places.Apart() && DWORD(owner >> 32) == HeadPosition && code < 0xFFFFFF00u &&
      int64_t(code) < BlockCount() && uint64_t(code + 1) * 8 <= TableSize &&
      Table[code].Position == position && Table[code].Length == length)
    return true;
  uint64_t line = 0;
  return RmfLinePlace(position, Head.UnitShift, &line) && !Places.Others(line, length, owner);
}

void TRmf::AddImagePlaces(const RMF& h, DWORD header, const RMFBLOCKDESC* table, DWORD entries) {
  Places.Image(h, header);
  RMFAREAPLACE areas[RMF_AREA_KINDS];
  const int count = RmfAreaPlaces(h, header, areas);
  uint64_t line = 0;
  for (int i = 0; i < count; ++i)
    if (RmfLinePlace(areas[i].position, Head.UnitShift, &line))
      Places.Add(line, areas[i].length, TRmfPlaces::Area(header, areas[i].kind));
  for (DWORD n = 0; n < entries; ++n) {
    const RMFBLOCKDESC& e = table[n];
    if (e.Position && e.Length && RmfLinePlace(e.Position, Head.UnitShift, &line))
      Places.Add(line, e.Length, TRmfPlaces::Block(header, LONG(n)));
  }
}

bool TRmf::BuildPlaces() {
  if (!Main || !Table) return false;
  const int code = Error;
  Places.Start();
  // This image as this object holds it (what it changed is not yet in the
  // file)...
  AddImagePlaces(Head, HeadPosition, Table, std::min<DWORD>(TableSize / 8, DWORD(BlockCount())));
  // ...and the other images of a raster's chain of reduced copies as the
  // file holds them, from the full image's header on. The chain ends where
  // a header or a table is not in the file or not a raster's (no one reads
  // or writes a copy there); a read that fails inside the file leaves the
  // places unknown.
  auto inFile = [this](DWORD position, DWORD size) {
    uint64_t offset = 0;
    HANDLE file = Locate(position, false, &offset);
    const int64_t length = file ? plat::FileLength(file) : -1;
    return length >= 0 && offset + size <= uint64_t(length);
  };
  constexpr int kMostImages = TRmfPlaces::kImages;
  DWORD seen[kMostImages];
  int images = 0;
  RMFBLOCKDESC* other = nullptr;
  bool failed = false;
  // The full image's header may lie at 0, which ends the chain elsewhere.
  DWORD at = Shared ? ChainStart : HeadPosition;
  bool chain = Head.Ident == RMF_RSW;
  while (chain && images < kMostImages && std::find(seen, seen + images, at) == seen + images) {
    seen[images++] = at;
    if (at == HeadPosition) {
      at = Head.NextCopy;
      chain = at != 0;
      continue;
    }
    RMF h;
    if (!inFile(at, sizeof(h))) break;
    if (!ReadAt(at, &h, sizeof(h))) {
      failed = true;
      break;
    }
    if (h.Ident != RMF_RSW || h.UnitShift != Head.UnitShift || !RmfGeometryValid(h) ||
        int64_t(h.BlockRows) * h.BlockColumns * 8 > kMaxTableBytes)
      break;
    const DWORD entries = DWORD(h.BlockRows) * DWORD(h.BlockColumns);
    const bool table = h.TablePosition && h.TableLength >= entries * 8 &&
                       inFile(h.TablePosition, entries * 8);
    if (table && (!rmfpages::Grow(other, size_t(entries) * 8) ||
                  !ReadAt(h.TablePosition, other, entries * 8))) {
      failed = true;
      break;
    }
    AddImagePlaces(h, at, other, table ? entries : 0);
    if (!table) break;
    at = h.NextCopy;
    chain = at != 0;
  }
  rmfpages::Release(other);
  const int64_t main = plat::FileLength(Main), cont = Cont ? plat::FileLength(Cont) : 0;
  const uint64_t lengths[2] = {main > 0 ? uint64_t(main) : 0, cont > 0 ? uint64_t(cont) : 0};
  const bool built = !failed && Places.Finish(lengths);
  if (!built) Places.Drop();
  Error = code;
  return built;
}

bool TRmf::ImageApart() {
  const bool known = Places.Describes(Head, HeadPosition) || BuildPlaces();
  const uint64_t headerEnd = HeaderEnd();
  RMFAREAPLACE areas[RMF_AREA_KINDS];
  const int count = RmfAreaPlaces(Head, HeadPosition, areas);
  for (int i = 0; i < count; ++i) {
    RmfPlace at;
    uint64_t line = 0;
    if (!RmfLocate(areas[i].position, Head.UnitShift, &at) ||
        !RmfLinePlace(areas[i].position, Head.UnitShift, &line))
      continue;
    if (at.part == 0 && at.offset < headerEnd) return false;
    if (known && Places.OtherImage(line, areas[i].length, HeadPosition)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Compression

int TRmf::Compress(const char* source, int length, char* dest, int destSize) {
  return Coder.Compress(source, length, dest, destSize);
}

int TRmf::Decompress(const char* source, int length, char* dest, int destSize) {
  return Coder.Decompress(source, length, dest, destSize);
}

int TRmf::CompressMtr(const LONG* source, int length, char* dest, int destSize, LONG threshold) {
  return Coder.CompressMtr(source, length, dest, destSize, threshold);
}

int TRmf::DecompressMtr(const char* source, int length, char* dest, int destSize) {
  return Coder.DecompressMtr(source, length, dest, destSize);
}
