// The document's chains of rasters, elevation matrices and quality
// matrices: opening with the matrix checks, unit set-up, colour ranges,
// the chains' part of the region, and the colour settings of the units.
#include "document/rmfchains.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "common/language.h"
#include "common/messages.h"
#include "document/mtlchains.h"
#include "document/sitechain.h"
#include "platform/file.h"
#include "platform/numeric.h"
#include "platform/ui.h"
#include "raster/chainlinks.h"

namespace {

constexpr DWORD kRasterCreator = 0x56575352u;  // "RSWV": view and mask type kept in +209, +210

// Colours of a raster by depth: 2, 16, 256, else none.
int RasterColors(int bits) { return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0; }

// The unit's colours from the first `count` words of its file's palette
// (none for 0), its brightness and contrast kept.
void TakeFileColors(RMFCHAIN* unit, int count) {
  const int bright = unit->Colors.GetBright(), contrast = unit->Colors.GetContrast();
  if (count) unit->Colors.InitBaseColors(unit->File->PaletteWords, count);
  unit->Colors.SetBright(bright);
  unit->Colors.SetContrast(contrast);
}

// Colour step i of `count` equal steps over a matrix unit's value range.
void ColorStep(const RMFCHAIN* unit, int i, int count, COLORREF color, MTRCOLORDESCEX* desc) {
  const double step = (unit->Maximum - unit->Minimum) / count;
  desc->Low = i * step + unit->Minimum;
  desc->High = desc->Low + step;
  desc->Color = color;
}

int KeptShadow(int value) { return value >= 0 && value <= 16 ? value : CHAIN_SHADOW; }

// A header's scale or precision as the format keeps it: a value not above
// 1.0 (a damaged one that is not a number among them) counts as 1.0.
double AtLeastOne(double v) { return v > 1.0 ? v : 1.0; }

// Unit n of a kind when it holds an open file: a unit whose file could not
// be had answers as a missing one, so that nothing reports success on it.
RMFCHAIN* OpenUnit(RMFCHAIN* unit) { return unit && unit->File->IsOpen() ? unit : nullptr; }

RMFCHAIN* Unit(TMapControl* doc, int kind, int n) {
  return OpenUnit(GetChainUnit(DocChain(doc, kind), n));
}

// The view and mask type a unit takes from its header: a raster made by
// the system ("RSWV") or any matrix keeps them in +210 and +209.
void TakeViewFromHeader(RMFCHAIN* unit, bool fromHeader) {
  if (fromHeader) {
    unit->View = unit->File->Head.CreatorBytes[1];
    unit->MaskType = unit->File->Head.CreatorBytes[0];
  }
  if (unit->View == 0) unit->View = 1;
  if (unit->MaskType == 0) unit->MaskType = CHAIN_MASK_TYPE;
}

// The checks a new matrix passes against the open map: false when the
// user refuses it.
bool MatrixFits(TMapControl* doc, TMtr* m, DWORD kind, int commonType) {
  const RMF& h = m->Head;
  if (doc->TMap::IsActive() && h.ProjectionWord != doc->CoordinateSystem())
    AskMatrix("Map and matrix have different coordinate systems",
              "Карта и матрица имеют разные координатные системы", MB_OK | MB_ICONASTERISK);
  // The map's frame (X2, Y2, X1, Y1) is checked when it is more than a
  // few discretes wide.
  const LONG* f = doc->DeviceFrame;
  if (doc->TMap::IsActive() && f[0] - f[2] > 16 && !MatrixMeetsMap(doc, h) &&
      AskMatrix("Matrix is out of region. Continue ?", "Матрица - вне района. Продолжить ?",
                MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
    return false;
  if (kind == RMF_MTW && commonType > 0) {
    const int type = h.MatrixBytes[0] ? h.MatrixBytes[0] : 1;
    if (type != commonType &&
        AskMatrix("Type of added matrix does not correspond to types of opened matrixes.\n"
                  "Incorrect display and obtaining of altitudes is possible.\nContinue ?",
                  "Тип добавляемой матрицы не соответствует типу ранее открытых матриц.\n"
                  "Возможно некорректное отображение и выбор высот.\nПродолжить ?",
                  MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
      return false;
  }
  return true;
}

int DocKindOf(DWORD kind) {
  return kind == RMF_RSW ? DOCKIND_RST : kind == RMF_MTW ? DOCKIND_MTR : DOCKIND_MTQ;
}

}  // namespace

int AskMatrix(const char* english, const char* russian, UINT flags) {
  if (!MessageEnableGet()) return IDOK;
  const bool ru = IsRussianLanguage();
  return plat::MessageBoxA(MessageWindowGet(), ru ? russian : english,
                           ru ? "Открытие матрицы" : "Open matrix", flags | MB_TASKMODAL);
}

CHAININFO* DocChain(TMapControl* doc, int kind) {
  if (!doc) return nullptr;
  switch (kind) {
    case DOCKIND_RST: return &doc->RstChainHead;
    case DOCKIND_MTR: return &doc->MtrChainHead;
    case DOCKIND_MTQ: return &doc->MtqChainHead;
    default: return nullptr;
  }
}

// ---------------------------------------------------------------------------
// Opening and set-up

int OpenChainFile(TMapControl* doc, const char* name, int mode, DWORD kind) {
  if (!doc || !name || (kind != RMF_RSW && kind != RMF_MTW && kind != RMF_MTQ)) return 0;
  CHAININFO* chain = DocChain(doc, DocKindOf(kind));
  const bool matrix = kind != RMF_RSW;
  // The common type of the matrices (0: none yet, -1: mixed). The names
  // of every unit are compared, also past a mixed type, so that a file
  // already open is never opened twice.
  int common = 0;
  int n = 1;
  for (RMFCHAIN* unit = chain->First; unit; unit = unit->Next, ++n) {
    if (matrix && common >= 0) {
      const int type = unit->MatrixType ? unit->MatrixType : 1;
      common = common == 0 || common == type ? type : -1;
    }
    if (std::strcmp(unit->File->GetFileName(), name) != 0) continue;
    const LONG view = unit->View, order = unit->ViewOrder;
    if (matrix)
      InitMtrChainUnit(doc, unit);
    else
      InitRstChainUnit(doc, unit, 1);
    unit->View = view;
    unit->ViewOrder = order;
    return n;
  }

  RMFCHAIN* unit = NewChainUnit(kind);
  if (!unit) {
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  if (!matrix) {
    if (!unit->Raster()->Open(name, mode)) {
      FreeChainUnit(unit);
      ShowErrorMessage(MAPERR_OPEN, name);
      return 0;
    }
    unit->HiddenColors = unit->File->GetVisibleColors(unit->ColorView, 256);
    unit->ViewOrder = 0;
    AppendChainUnit(chain, unit);
    // The unit's colours come from the file's palette here.
    InitRstChainUnit(doc, unit, 0);
    return chain->Count;
  }
  if (!unit->Matrix()->Open(name, mode) || unit->File->Head.Ident != kind) {
    FreeChainUnit(unit);
    ShowErrorMessage(MAPERR_OPEN, name);
    return 0;
  }
  if (!MatrixFits(doc, unit->Matrix(), kind, common)) {
    FreeChainUnit(unit);
    return 0;
  }
  unit->HiddenColors = unit->File->GetVisibleColors(unit->ColorView, 256);
  AppendChainUnit(chain, unit);
  InitMtrChainUnit(doc, unit);
  return chain->Count;
}

void InitRstChainUnit(TMapControl* doc, RMFCHAIN* unit, int keepColors) {
  TRst* r = unit ? unit->Raster() : nullptr;
  if (!doc || !r) return;
  RMF& h = r->Head;
  TakeViewFromHeader(unit, h.Creator == kRasterCreator);
  if (doc->BaseScale < 2) {
    doc->BaseScale = WholeScale(h.Scale);
    doc->PlaneX0 = doc->PlaneY0 = 0.0;
  }
  if (!(h.Precision >= 1.0)) h.Precision = 1.0;
  unit->Precision = h.Precision;
  if (h.Version == RMF_VERSION_CONVERTED || h.Version == RMF_VERSION_OLD ||
      h.Version == RMF_VERSION_OLD_CONVERTED) {
    // The location is counted in elements.
    if (AtLeastOne(h.Scale) == 1.0) r->Scale(doc->BaseScale);
    unit->Scale = AtLeastOne(h.Scale);
    if (unit->Precision <= 1.0) {
      r->Precision(doc->PixelsPerMeterV);
      unit->Precision = AtLeastOne(h.Precision);
    }
    unit->ElementSize = unit->Scale / unit->Precision;
    unit->Frame.X1 = h.LocationX * unit->ElementSize + doc->PlaneX0;
    unit->Frame.Y1 = h.LocationY * unit->ElementSize + doc->PlaneY0;
  } else {
    unit->Scale = AtLeastOne(h.Scale);
    if (unit->Scale == 1.0) unit->Scale = doc->BaseScale;
    unit->ElementSize = unit->Scale / unit->Precision;
    if (h.LocationSet == 1) {
      unit->Frame.X1 = h.LocationX;
      unit->Frame.Y1 = h.LocationY;
    } else {
      unit->Frame.X1 = doc->MeterPerDis * doc->Region.X1 + doc->PlaneX0;
      unit->Frame.Y1 = doc->MeterPerDis * doc->Region.Y1 + doc->PlaneY0;
    }
  }
  unit->Frame.X2 = h.Height * unit->ElementSize + unit->Frame.X1;
  unit->Frame.Y2 = h.Width * unit->ElementSize + unit->Frame.Y1;
  r->GetUpdateTime(&r->FileTime);
  r->ReadSignal(&r->Recorded);
  doc->SetRegion();
  if (!keepColors) TakeFileColors(unit, RasterColors(h.BitsPerElement));
}

void InitMtrChainUnit(TMapControl* doc, RMFCHAIN* unit) {
  TMtr* m = unit ? unit->Matrix() : nullptr;
  if (!doc || !m) return;
  const RMF& h = m->Head;
  unit->MatrixType = h.MatrixBytes[0];
  unit->Minimum = m->GetMinimum();
  unit->Maximum = m->GetMaximum();
  unit->ViewOrder = 0;
  TakeViewFromHeader(unit, true);
  unit->ElementSize = h.ElementSize;
  unit->Precision = AtLeastOne(h.Precision);
  unit->Scale = AtLeastOne(h.Scale);
  TakeMatrixScale(doc, unit->Scale);
  m->GetUpdateTime(&m->FileTime);
  m->ReadSignal(&m->Recorded);
  unit->Frame.X1 = h.LocationX;
  unit->Frame.Y1 = h.LocationY;
  unit->Frame.X2 = h.Height * unit->ElementSize + unit->Frame.X1;
  unit->Frame.Y2 = h.Width * unit->ElementSize + unit->Frame.Y1;
  doc->SetRegion();
  if (h.PaletteLength > 0) TakeFileColors(unit, int(std::min<DWORD>(h.PaletteLength, 1024) / 4));
  if (h.Ident == RMF_MTW) {
    SetMtrColorRanges(doc);
  } else {
    SetUnitColorRange(unit, unit->Minimum * m->HeightFactor, unit->Maximum * m->HeightFactor,
                      unit->Colors.GetCount());
  }
}

void SetMtrColorRanges(TMapControl* doc) {
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  if (!chain) return;
  const int colors = doc->MtrPalette.GetPaletteCount();
  for (RMFCHAIN* unit = chain->First; unit; unit = unit->Next) {
    const double factor = unit->File->HeightFactor;
    SetUnitColorRange(unit, doc->HeightMin * factor, doc->HeightMax * factor, colors);
  }
}

namespace {

// Opens a file into a unit's own file object (closing what it held): true
// when it opened as the unit's kind.
bool OpenUnitFile(RMFCHAIN* unit, const char* name, int mode) {
  if (TRst* r = unit->Raster()) return r->Open(name, mode) != 0;
  return unit->Matrix()->Open(name, mode) != 0 && unit->File->Head.Ident == unit->Kind;
}

// Another file into a unit: true when it opened. A file that cannot be
// had leaves the unit with the file it held.
bool ReopenUnitFile(RMFCHAIN* unit, const char* name, int mode) {
  if (!unit || !unit->File || !name || !*name) return false;
  // Opening closes what the unit holds: a file that cannot be opened as
  // the unit's kind is found out first, for reading only (nothing written).
  {
    const int probe = int(GENERIC_READ);
    if (unit->Raster()) {
      TRst r;
      if (!r.Open(name, probe)) return false;
    } else {
      TMtr m;
      if (!m.Open(name, probe) || m.Head.Ident != unit->Kind) return false;
    }
  }
  char before[MAX_PATH];
  std::memcpy(before, unit->File->GetFileName(), sizeof(before));
  before[MAX_PATH - 1] = 0;
  const int beforeMode = unit->File->IsWritable() ? 0 : int(GENERIC_READ);
  if (OpenUnitFile(unit, name, mode)) return true;
  // It opened on its own but not into the unit (refused an update, changed
  // in between): the unit takes its own file back.
  const int code = unit->File->GetError();
  OpenUnitFile(unit, before, beforeMode);
  unit->File->Error = code;
  return false;
}

// A unit that took another file set up from it as opening the file sets
// it up: the colour visibility the file marks, then the frame, scale,
// precision, value range and colours (the document's region and height
// range follow), so that nothing of the file it held stays.
void SetUpChangedUnit(TMapControl* doc, RMFCHAIN* unit) {
  unit->HiddenColors = unit->File->GetVisibleColors(unit->ColorView, 256);
  if (unit->Raster())
    InitRstChainUnit(doc, unit, 0);
  else
    InitMtrChainUnit(doc, unit);
}

}  // namespace

int ChangeRst(TMapControl* doc, RMFCHAIN* unit, const char* name, int mode) {
  if (!doc || !unit || !unit->Raster() || !ReopenUnitFile(unit, name, mode)) return 0;
  SetUpChangedUnit(doc, unit);
  return 1;
}

int ChangeMtr(TMapControl* doc, RMFCHAIN* unit, const char* name, int mode) {
  if (!doc || !unit || !unit->Matrix() || !ReopenUnitFile(unit, name, mode)) return 0;
  SetUpChangedUnit(doc, unit);
  return 1;
}

int AdjustChains(TMapControl* doc) {
  if (!doc) return 0;
  int changed = 0;
  for (int kind : {DOCKIND_MTR, DOCKIND_RST, DOCKIND_MTQ}) {
    CHAININFO* chain = DocChain(doc, kind);
    for (RMFCHAIN* unit = chain->First; unit; unit = unit->Next) {
      TRmf* file = unit->File;
      // A file whose signal (sizes, last-write and change times) stayed as
      // it was keeps its header and table; the blocks its slots hold as
      // read are read again all the same, since a write in the same tick
      // of the file system's clock moves nothing.
      FILETIME now{};
      TRmf::UpdateSignal signal;
      if (!file->IsOpen() || !file->GetUpdateTime(&now) || !file->ReadSignal(&signal)) continue;
      if (signal == file->Recorded) {
        file->DropReadBlocks();
        continue;
      }
      changed = 1;
      file->FileTime = now;
      file->Recorded = signal;
      // The name is the object's own: copied before the object reopens.
      char name[MAX_PATH];
      std::memcpy(name, file->GetFileName(), sizeof(name));
      name[MAX_PATH - 1] = 0;
      HANDLE probe = plat::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
      if (probe == INVALID_HANDLE_VALUE) continue;
      plat::CloseHandle(probe);
      const int mode = file->IsWritable() ? 0 : int(GENERIC_READ);
      const LONG view = unit->View, order = unit->ViewOrder, mask = unit->MaskType;
      // A file that no longer opens leaves the unit with the one it has.
      if (!ReopenUnitFile(unit, name, mode)) continue;
      if (unit->Raster())
        InitRstChainUnit(doc, unit, 1);
      else
        InitMtrChainUnit(doc, unit);
      unit->View = view;
      unit->ViewOrder = order;
      unit->MaskType = mask;
    }
  }
  return changed;
}

// ---------------------------------------------------------------------------
// Closing

void CloseRst(TMapControl* doc, int n) {
  CHAININFO* chain = DocChain(doc, DOCKIND_RST);
  if (!chain) return;
  CloseChain(chain, n);
  doc->SetRegion();
}

void CloseMtr(TMapControl* doc, int n) {
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  if (!chain) return;
  CloseChain(chain, n);
  doc->SetRegion();
  SetMtrColorRanges(doc);
}

void CloseMtq(TMapControl* doc, int n) {
  CHAININFO* chain = DocChain(doc, DOCKIND_MTQ);
  if (!chain) return;
  // A quality matrix keeps the colours it was shown with.
  for (int i = 1; i <= chain->Count; ++i) {
    if (n != 0 && i != n) continue;
    RMFCHAIN* unit = GetChainUnit(chain, i);
    const int count = std::min(unit->Colors.GetCount(), 256);
    if (count < 1) continue;
    DWORD colors[256];
    for (int c = 0; c < count; ++c) colors[c] = unit->Colors.GetColor(c);
    TRmf* file = unit->File;
    file->Palette(colors, count);
    if (!file->Head.PalettePosition)
      file->Head.PalettePosition = file->Head.UnitShift ? RMF_HEADER_UNITS : RMF_HEADER_SIZE;
    file->Head.PaletteLength = DWORD(count) * 4;
    file->HeadChanged = 1;
  }
  CloseChain(chain, n);
  doc->SetRegion();
}

// ---------------------------------------------------------------------------
// Relief shading and borders

int SetMtrShadow(TMapControl* doc, int value) {
  if (!doc) return 0;
  return doc->MtrShadow = KeptShadow(value);
}

int GetMtrShadow(TMapControl* doc) { return doc ? doc->MtrShadow : 0; }

int SetMtqShadow(TMapControl* doc, int n, int value) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTQ, n);
  if (!unit) return 0;
  return unit->QualityShadow = KeptShadow(value);
}

int GetMtqShadow(TMapControl* doc, int n) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTQ, n);
  return unit ? unit->QualityShadow : 0;
}

int ShowChainByBorder(TMapControl* doc, int kind, int n, int on) {
  RMFCHAIN* unit = Unit(doc, kind, n);
  if (!unit || !unit->File->Border.Record || unit->File->Border.TotalPointCount() < 1) return 0;
  if (TRst* r = unit->Raster())
    r->ShowByBorder(on);
  else
    unit->File->ShowByBorder(on);
  unit->File->Save();
  return 1;
}

int CheckShowChainByBorder(TMapControl* doc, int kind, int n) {
  RMFCHAIN* unit = Unit(doc, kind, n);
  return unit ? unit->File->ShowByBorder() : -1;
}

// ---------------------------------------------------------------------------
// Raster colours

int CheckVisibilityColor(TMapControl* doc, int n, int i) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  const int count = GetChainColorCount(unit);
  if (!unit || (count != 16 && count != 256) || i < 0 || i >= 256) return -1;
  return unit->ColorView[i];
}

int SetVisibilityColor(TMapControl* doc, int n, int i, int on) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  const int count = GetChainColorCount(unit);
  if (!unit || (count != 16 && count != 256) || i < 0 || i >= 256) return 0;
  unit->ColorView[i] = on ? 1 : 0;
  return 1;
}

int SetVisibilityColorInRstFile(TMapControl* doc, int n, int i, int on) {
  if (!SetVisibilityColor(doc, n, i, on)) return 0;
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  unit->File->SetVisibleColors(unit->ColorView, 256);
  return 1;
}

int GetRstColorCount(TMapControl* doc, int n) { return GetChainColorCount(Unit(doc, DOCKIND_RST, n)); }

int GetRstContrast(TMapControl* doc, int n) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  return unit ? unit->Colors.GetContrast() : 0;
}

int SetRstBright(TMapControl* doc, int n, int bright) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  return unit ? unit->Colors.SetBright(bright) : 0;
}

int SetRstContrast(TMapControl* doc, int n, int contrast) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  return unit ? unit->Colors.SetContrast(contrast) : 0;
}

int SetRstColor(TMapControl* doc, int n, COLORREF color, int i) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  if (!unit || i < 0 || i > 255) return 0;
  unit->Colors.SetColor(color, i);
  return 1;
}

int RestoreRstPalette(TMapControl* doc, int n) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  if (!unit) return 0;
  const int colors = RasterColors(unit->File->Head.BitsPerElement);
  if (colors) unit->Colors.InitBaseColors(unit->File->PaletteWords, colors);
  unit->Colors.SetBright(0);
  unit->Colors.SetContrast(0);
  return 1;
}

int CheckInversionRst(TMapControl* doc, int n) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  return unit ? unit->File->Head.Negative : -1;
}

int InvertRst(TMapControl* doc, int n, int value) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_RST, n);
  if (!unit) return 0;
  TRst* r = unit->Raster();
  const bool was = r->Head.Negative != 0;
  r->Negative(value);
  // The colours are inverted when the state changes: a second call with
  // the same value must not turn them back.
  const int count = unit->Colors.GetCount();
  if (was == (value != 0) || count < 3 || count > 256) return 1;
  DWORD palette[256];
  for (int i = 0; i < count; ++i) palette[i] = ~r->PaletteWords[i] & 0xFFFFFF;
  r->Palette(palette, count);
  r->Save();
  for (int i = 0; i < count; ++i) unit->Colors.SetColor(~unit->Colors.GetColor(i) & 0xFFFFFF, i);
  unit->Colors.SetBright(unit->Colors.GetBright());
  return 1;
}

// ---------------------------------------------------------------------------
// Matrix colour steps

int GetMtrColorDesc(TMapControl* doc, int n, int i, MTRCOLORDESCEX* desc) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTR, n);
  const int count = doc ? doc->MtrPalette.GetPaletteCount() : 0;
  if (!unit || !desc || count < 1 || i < 0 || i >= count) return 0;
  ColorStep(unit, i, count, doc->MtrPalette.GetColor(i), desc);
  return 1;
}

int SetMtrColor(TMapControl* doc, int n, COLORREF color, int i) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTR, n);
  if (!unit || i < 0 || i >= doc->MtrPalette.GetPaletteCount()) return 0;
  doc->MtrPalette.SetColor(color, i);
  return 1;
}

int GetMtqColorDesc(TMapControl* doc, int n, int i, MTRCOLORDESCEX* desc) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTQ, n);
  const int count = GetChainColorCount(unit);
  if (!unit || !desc || count < 1 || i < 0 || i >= 256) return 0;
  ColorStep(unit, i, count, unit->Colors.GetColor(i), desc);
  return 1;
}

int SetMtqColor(TMapControl* doc, int n, int i, COLORREF color) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTQ, n);
  if (!unit || i < 0 || i >= GetChainColorCount(unit)) return 0;
  unit->Colors.SetColor(color, i);
  return 1;
}

// ---------------------------------------------------------------------------
// The region

bool MatrixMeetsMap(const TMapControl* doc, const RMF& h) {
  // The map's frame, discretes (X2, Y2, X1, Y1) to metres.
  const LONG* f = doc->DeviceFrame;
  const double k = doc->MeterPerDis;
  const double x1 = k * f[2] + doc->PlaneX0, y1 = k * f[3] + doc->PlaneY0;
  const double x2 = k * f[0] + doc->PlaneX0, y2 = k * f[1] + doc->PlaneY0;
  const double mx1 = h.LocationX, my1 = h.LocationY;
  const double mx2 = mx1 + h.Height * h.ElementSize, my2 = my1 + h.Width * h.ElementSize;
  return x1 <= mx2 && x2 >= mx1 && y1 <= my2 && y2 >= my1;
}

LONG WholeScale(double scale) { return scale >= 1.0 ? plat::TruncateTo<LONG>(scale) : 1; }

void TakeMatrixScale(TMapControl* doc, double scale) {
  if (doc->BaseScale >= 2) return;
  const LONG own = WholeScale(scale);
  doc->BaseScale = own < 2 ? 100000 : own;
  doc->PlaneX0 = doc->PlaneY0 = 0.0;
}

void TakeUnitBase(TMapControl* doc, double scale, double precision, const DFRAME& frame) {
  doc->BaseScale = WholeScale(scale);
  doc->SetDisScale(precision);
  doc->PlaneX0 = frame.X1;
  doc->PlaneY0 = frame.Y1;
  doc->SetDisToMeter(doc->BaseScale / doc->Dis.Base);
}

bool ChainBaseData(TMapControl* doc) {
  RMFCHAIN* unit = Unit(doc, DOCKIND_MTR, 1);
  // A layer matrix comes before a raster.
  if (!unit && MtlBaseData(doc)) return true;
  if (!unit) unit = Unit(doc, DOCKIND_RST, 1);
  // A user map comes before a quality matrix.
  if (!unit && SiteBaseData(doc)) return true;
  if (!unit) unit = Unit(doc, DOCKIND_MTQ, 1);
  if (!unit) return false;
  TakeUnitBase(doc, unit->Scale, unit->Precision, unit->Frame);
  return true;
}

void ChainUnitsRegion(TMapControl* doc) {
  if (!doc) return;
  // The height range starts over here; the layer matrices widen it after.
  doc->HeightMin = 999999999.0;
  doc->HeightMax = -999999999.0;
  for (int kind : {DOCKIND_RST, DOCKIND_MTR, DOCKIND_MTQ}) {
    CHAININFO* chain = DocChain(doc, kind);
    for (RMFCHAIN* unit = chain->First; unit; unit = unit->Next) {
      if (kind == DOCKIND_RST && unit->ElementSize < 1e-6) unit->ElementSize = 1.0;
      if (!PlaceUnitElements(doc, unit, unit->File->Head)) continue;
      if (kind == DOCKIND_MTR) {
        doc->HeightMin = std::min(doc->HeightMin, unit->Minimum);
        doc->HeightMax = std::max(doc->HeightMax, unit->Maximum);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The slots

int OpenRstKind(TMapControl* doc, const char* name, int mode) {
  return OpenChainFile(doc, name, mode, RMF_RSW);
}
int OpenMtrKind(TMapControl* doc, const char* name, int mode) {
  return OpenChainFile(doc, name, mode, RMF_MTW);
}
int OpenMtqKind(TMapControl* doc, const char* name, int mode) {
  return OpenChainFile(doc, name, mode, RMF_MTQ);
}
void CloseRstKind(TMapControl* doc, int n) { CloseRst(doc, n); }
void CloseMtrKind(TMapControl* doc, int n) { CloseMtr(doc, n); }
void CloseMtqKind(TMapControl* doc, int n) { CloseMtq(doc, n); }

// ---------------------------------------------------------------------------
// The document's methods

namespace {

CHAININFO* RstHead(TMapControl* doc) { return DocChain(doc, DOCKIND_RST); }
CHAININFO* MtrHead(TMapControl* doc) { return DocChain(doc, DOCKIND_MTR); }
CHAININFO* MtqHead(TMapControl* doc) { return DocChain(doc, DOCKIND_MTQ); }

}  // namespace

int TMapControl::OpenChainFile(const char* name, int mode, DWORD kind) {
  return ::OpenChainFile(this, name, mode, kind);
}
int TMapControl::OpenRst(const char* name, int mode) { return OpenChainFile(name, mode, RMF_RSW); }
int TMapControl::OpenMtr(const char* name, int mode) { return OpenChainFile(name, mode, RMF_MTW); }
int TMapControl::OpenMtq(const char* name, int mode) { return OpenChainFile(name, mode, RMF_MTQ); }
void TMapControl::CloseRst(int n) { ::CloseRst(this, n); }
void TMapControl::CloseMtr(int n) { ::CloseMtr(this, n); }
void TMapControl::CloseMtq(int n) { ::CloseMtq(this, n); }
int TMapControl::ChangeRst(RMFCHAIN* unit, const char* name, int mode) {
  return ::ChangeRst(this, unit, name, mode);
}
int TMapControl::ChangeMtr(RMFCHAIN* unit, const char* name, int mode) {
  return ::ChangeMtr(this, unit, name, mode);
}
void TMapControl::InitRstChainUnit(RMFCHAIN* unit, int keepColors) {
  ::InitRstChainUnit(this, unit, keepColors);
}
void TMapControl::InitMtrChainUnit(RMFCHAIN* unit) { ::InitMtrChainUnit(this, unit); }
// Asked at every element or height a host reads: the chain walked here.
RMFCHAIN* TMapControl::GetRstChain(int n) { return OpenUnit(ChainUnitAt(&RstChainHead, n)); }
RMFCHAIN* TMapControl::GetChain(int n) { return OpenUnit(ChainUnitAt(&MtrChainHead, n)); }
RMFCHAIN* TMapControl::GetMtqChain(int n) { return OpenUnit(ChainUnitAt(&MtqChainHead, n)); }
int TMapControl::GetRstNumberByName(const char* name) {
  return GetChainNumberByName(RstHead(this), name);
}
TRst* TMapControl::GetRstClass(RMFCHAIN* unit, int level) {
  TRst* raster = unit ? unit->Raster() : nullptr;
  return raster ? raster->GetRstClass(level) : nullptr;
}

int TMapControl::CheckRstView(int n) { return CheckChainView(RstHead(this), n); }
int TMapControl::SetRstView(int n, int view) { return SetChainView(RstHead(this), n, view); }
int TMapControl::GetRstMaskType(int n) { return GetChainMaskType(RstHead(this), n); }
int TMapControl::SetRstMaskType(int n, int type) { return SetChainMaskType(RstHead(this), n, type); }
int TMapControl::RstViewOrder(int n, int order) { return ChainViewOrder(RstHead(this), n, order); }
int TMapControl::CheckRstPaletteView(int n, int i) {
  return CheckChainPaletteView(RstHead(this), n, i);
}
int TMapControl::SetRstPaletteView(int n, int i, int view) {
  return SetChainPaletteView(RstHead(this), n, i, view);
}
const char* TMapControl::GetRstName(int n) { return GetChainName(RstHead(this), n); }
const COLORREF* TMapControl::GetRstPalette(int n) {
  const TBaseColors* colors = GetChainColors(RstHead(this), n);
  return colors ? colors->Colors() : nullptr;
}
const COLORREF* TMapControl::GetRstStandardPalette(int n) {
  const TBaseColors* colors = GetChainColors(RstHead(this), n);
  return colors ? colors->SourceColors() : nullptr;
}
int TMapControl::GetRstBright(int n) { return GetChainBright(RstHead(this), n); }
int TMapControl::GetRstContrast(int n) { return ::GetRstContrast(this, n); }
int TMapControl::ChangeOrderRstShow(int from, int to) {
  return ChangeChainOrder(RstHead(this), from, to);
}
int TMapControl::SetRstPrecision(int n, double precision) {
  return SetChainPrecision(RstHead(this), n, precision);
}
DFRAME* TMapControl::GetRstFrame(int n) { return GetChainFrame(RstHead(this), n); }
DFRAME* TMapControl::GetRstFrameMeters(int n) { return GetChainFrameMeters(RstHead(this), n); }

int TMapControl::CheckMtrView(int n) { return CheckChainView(MtrHead(this), n); }
int TMapControl::SetMtrView(int n, int view) { return SetChainView(MtrHead(this), n, view); }
int TMapControl::GetMtrMaskType(int n) { return GetChainMaskType(MtrHead(this), n); }
int TMapControl::SetMtrMaskType(int n, int type) { return SetChainMaskType(MtrHead(this), n, type); }
int TMapControl::MtrViewOrder(int n, int order) { return ChainViewOrder(MtrHead(this), n, order); }
const char* TMapControl::GetMtrName(int n) { return GetChainName(MtrHead(this), n); }
int TMapControl::ChangeOrderMtrShow(int from, int to) {
  return ChangeChainOrder(MtrHead(this), from, to);
}
int TMapControl::ChangeOrderMtqShow(int from, int to) {
  return ChangeChainOrder(MtqHead(this), from, to);
}
int TMapControl::GetMtrDescribe(int n, MTRDESCRIBE* describe) {
  return GetChainDescribe(MtrHead(this), n, describe);
}
int TMapControl::GetMtrProjectionData(int n, MTRPROJECTIONDATA* data) {
  return GetChainProjectionData(MtrHead(this), n, data);
}
int TMapControl::GetMtrNumberInPoint(double x, double y, int k) {
  return GetChainNumberInPoint(MtrHead(this), x, y, k);
}

int TMapControl::SetMtrShadow(int value) { return ::SetMtrShadow(this, value); }
int TMapControl::GetMtrShadow() { return ::GetMtrShadow(this); }
int TMapControl::SetMtqShadow(int n, int value) { return ::SetMtqShadow(this, n, value); }
int TMapControl::GetMtqShadow(int n) { return ::GetMtqShadow(this, n); }

int TMapControl::SetRstBorderPlane(int n, TDataEdit* border) {
  return SetChainBorderPlane(RstHead(this), n, border);
}
TDataEdit* TMapControl::GetRstBorderPlane(int n) { return GetChainBorderPlane(RstHead(this), n); }
int TMapControl::SetMtrBorderPlane(int n, TDataEdit* border) {
  return SetChainBorderPlane(MtrHead(this), n, border);
}
TDataEdit* TMapControl::GetMtrBorderPlane(int n) { return GetChainBorderPlane(MtrHead(this), n); }
int TMapControl::SetMtqBorderPlane(int n, TDataEdit* border) {
  return SetChainBorderPlane(MtqHead(this), n, border);
}
TDataEdit* TMapControl::GetMtqBorderPlane(int n) { return GetChainBorderPlane(MtqHead(this), n); }
int TMapControl::ShowRstByBorder(int n, int on) { return ShowChainByBorder(this, DOCKIND_RST, n, on); }
int TMapControl::ShowMtrByBorder(int n, int on) { return ShowChainByBorder(this, DOCKIND_MTR, n, on); }
int TMapControl::ShowMtqByBorder(int n, int on) { return ShowChainByBorder(this, DOCKIND_MTQ, n, on); }
int TMapControl::CheckShowRstByBorder(int n) { return CheckShowChainByBorder(this, DOCKIND_RST, n); }
int TMapControl::CheckShowMtrByBorder(int n) { return CheckShowChainByBorder(this, DOCKIND_MTR, n); }
int TMapControl::CheckShowMtqByBorder(int n) { return CheckShowChainByBorder(this, DOCKIND_MTQ, n); }

int TMapControl::CheckVisibilityColor(int n, int i) { return ::CheckVisibilityColor(this, n, i); }
int TMapControl::SetVisibilityColor(int n, int i, int on) {
  return ::SetVisibilityColor(this, n, i, on);
}
int TMapControl::SetVisibilityColorInRstFile(int n, int i, int on) {
  return ::SetVisibilityColorInRstFile(this, n, i, on);
}
int TMapControl::GetRstColorCount(int n) { return ::GetRstColorCount(this, n); }
int TMapControl::SetRstBright(int n, int bright) { return ::SetRstBright(this, n, bright); }
int TMapControl::SetRstContrast(int n, int contrast) { return ::SetRstContrast(this, n, contrast); }
int TMapControl::SetRstColor(int n, COLORREF color, int i) { return ::SetRstColor(this, n, color, i); }
int TMapControl::RestoreRstPalette(int n) { return ::RestoreRstPalette(this, n); }
int TMapControl::CheckInversionRst(int n) { return ::CheckInversionRst(this, n); }
int TMapControl::InvertRst(int n, int value) { return ::InvertRst(this, n, value); }

int TMapControl::GetMtrColorDesc(int n, int i, MTRCOLORDESCEX* desc) {
  return ::GetMtrColorDesc(this, n, i, desc);
}
int TMapControl::SetMtrColor(int n, COLORREF color, int i) { return ::SetMtrColor(this, n, color, i); }
int TMapControl::GetMtqColorDesc(int n, int i, MTRCOLORDESCEX* desc) {
  return ::GetMtqColorDesc(this, n, i, desc);
}
int TMapControl::SetMtqColor(int n, int i, COLORREF color) { return ::SetMtqColor(this, n, i, color); }
